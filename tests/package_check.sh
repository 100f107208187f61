#!/usr/bin/env bash
# Checks the Windows exe as shipped: a console program that imports only
# system DLLs and carries its asInvoker manifest as resource 24/1.
# Usage: package_check.sh OBJDUMP EXE
set -u
objdump=$1
exe=$2

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
    kernel32.dll | user32.dll | shell32.dll | msvcrt.dll | advapi32.dll | ws2_32.dll) ;;
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

echo "imports: $(tr '\n' ' ' <<< "$imports")"
echo "size: $(stat -c %s "$exe") bytes"
