#!/usr/bin/env bash
# Checks the Debian package as `--target package` makes it: lintian finds
# nothing at warning level or above, it depends on the C library alone, and
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

# Emacs finds brackwin.el with no set-up: it lies in a folder of the
# default load-path (not -Q, which leaves site-lisp out).
if command -v emacs > /dev/null; then
  el=$(dpkg-deb -c "$deb" | sed -n 's|.* \./\(.*\)/brackwin\.el$|/\1|p')
  emacs --batch --eval '(princ (mapconcat (function identity) load-path "\n"))' \
    2> /dev/null | grep -qx "$el" || fail "brackwin.el in '$el', off Emacs' load-path"
fi

# Computed from the binary: a library linked in by mistake shows here.
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends =~ ^libc6\ \(\>=\ [0-9.]+\)$ ]] || fail "Depends: $depends"

mandoc -T lint -W warning "$source/dist/brackwin.1" || fail "mandoc, above"
man -l -P cat "$source/dist/brackwin.1" 2> /dev/null | grep -q '^SYNOPSIS' ||
  fail "man cannot render the manual page"
echo "PASS: $(basename "$deb"), $(stat -c %s "$deb") bytes"
