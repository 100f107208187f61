#!/usr/bin/env bash
# Checks the Debian package as `--target package` makes it: lintian finds
# nothing at warning level or above, its fields are the promised ones, and
# its manual page passes mandoc's lint and renders with man.
# Usage: deb_check.sh BUILD_DIR SOURCE_DIR
set -u
build=$1
source=$2

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

for tool in cpack dpkg-deb lintian mandoc man; do
  command -v "$tool" > /dev/null || { echo "no $tool: skipped"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work" > "$work/cpack.log" ||
  fail "cpack: $(cat "$work/cpack.log")"
deb=$(echo "$work"/brackwin_*_amd64.deb)
[ -f "$deb" ] || fail "no brackwin_VERSION_amd64.deb: $(ls "$work")"
lintian --fail-on error,warning "$deb" 2> /dev/null || fail "lintian, above"

field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Depends) =~ ^libc6\ \(\>=\ [0-9.]+\)$ ]] ||
  fail "Depends: $(field Depends)"
[ "$(field Recommends)" = "xdg-utils, vice" ] || fail "Recommends: $(field Recommends)"
[ "$(field Suggests)" = default-jre ] || fail "Suggests: $(field Suggests)"
[ "$(field Section)" = devel ] || fail "Section: $(field Section)"
# Debian's triggers update the desktop and MIME caches, not scripts of ours.
dpkg-deb -e "$deb" "$work/control"
for script in preinst postinst prerm postrm; do
  [ ! -e "$work/control/$script" ] || fail "ships a $script"
done

mandoc -T lint -W warning "$source/dist/brackwin.1" || fail "mandoc, above"
man -l -P cat "$source/dist/brackwin.1" 2> /dev/null | grep -q '^SYNOPSIS' ||
  fail "man cannot render the manual page"
echo "PASS: $(basename "$deb"), $(stat -c %s "$deb") bytes"
