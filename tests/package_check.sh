#!/usr/bin/env bash
# Checks the Windows exe as shipped: a console program that imports only
# system DLLs, carries its asInvoker manifest as resource 24/1 and its
# version as resource 16/1; and the zip it ships in.
# Usage: package_check.sh OBJDUMP EXE VERSION BUILD_DIR
set -u
objdump=$1
exe=$2
version=$3
build=$4

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

headers=$("$objdump" -p "$exe") || fail "objdump could not read $exe"

grep -q 'Subsystem[[:space:]]*00000003[[:space:]]*(Windows CUI)' <<< "$headers" ||
  fail "not a console program"

imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<< "$headers" | sort -u)
[ -n "$imports" ] || fail "no import table found"
while read -r dll; do
  case ${dll,,} in
    kernel32.dll | user32.dll | shell32.dll | msvcrt.dll | advapi32.dll | ws2_32.dll | iphlpapi.dll | shlwapi.dll) ;;
    *) fail "imports a DLL that Windows does not ship: $dll" ;;
  esac
done <<< "$imports"

# The resource tree: type 24 (RT_MANIFEST), then name 1.
resources=$(sed -n '/The .rsrc Resource Directory section/,/^$/p' <<< "$headers")
grep -A2 'Entry: ID: 0x000018' <<< "$resources" | grep -q 'Entry: ID: 0x000001' ||
  fail "no manifest resource 24/1"
manifest=$(strings -n 8 "$exe" | tr -d '\r')
grep -q '<requestedExecutionLevel level="asInvoker" uiAccess="false"/>' \
  <<< "$manifest" || fail "manifest does not ask for asInvoker without uiAccess"

grep -A2 'Entry: ID: 0x000010' <<< "$resources" | grep -q 'Entry: ID: 0x000001' ||
  fail "no version resource 16/1"
strings -e l "$exe" | grep -A1 -x ProductVersion | grep -qx "$version" ||
  fail "the version resource does not say $version"

# The zip: one folder with the exe, the Windows README (in CRLF), the
# licence, the example and the editors' files.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$work" > "$work/cpack.log" ||
  fail "cpack: $(cat "$work/cpack.log")"
zip=$(echo "$work"/brackwin-"$version"-win*.zip)
names=$(python3 -m zipfile -l "$zip" | awk 'NR > 1 && $1 !~ /\/$/ { print $1 }' | sort | tr '\n' ' ')
folder=$(basename "$zip" .zip)
[ "$names" = "$folder/LICENSE $folder/README.txt $folder/brackwin.exe $folder/editors/KickAssembler.sublime-build $folder/editors/brackwin.nppexec $folder/editors/tasks.json $folder/examples/demo.asm " ] ||
  fail "$(basename "$zip") holds: $names"
readme=$(python3 -c 'import sys, zipfile
print(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]).decode())' \
  "$zip" "$folder/README.txt")
[ "$(grep -c $'\r$' <<< "$readme")" = "$(wc -l <<< "$readme")" ] ||
  fail "README.txt has lines without CRLF"
[ "$(wc -l <<< "$readme")" -lt 150 ] || fail "README.txt is too long"

echo "imports: $(tr '\n' ' ' <<< "$imports")"
echo "size: $(stat -c %s "$exe") bytes"
