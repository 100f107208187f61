#!/usr/bin/env bash
# Tries the README's first command as a newcomer would: in a fresh Debian 12
# root (debootstrap --variant=minbase, plus what our machine image ships:
# cmake, g++, ninja, git, python3), times `bash build.sh native` on a clean
# clone and checks that it built the tool and no test program, then times
# `bash build.sh` and checks that both binaries exist and that the Linux one
# can drop on X11 windows. Then it builds the .deb there, installs it with
# dpkg -i and runs the installed tool. Needs root and debootstrap; takes
# several minutes.
# Usage: tests/fresh_machine.sh [ROOT]   (default: a new temporary folder)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
if [ -n "${1:-}" ]; then
  root=$1
  mkdir -p "$(dirname "$root")"
  remove=
else
  root=$(mktemp -d)/bookworm
  remove=$(dirname "$root")
fi

if [ ! -x "$root/usr/bin/apt-get" ]; then
  debootstrap --variant=minbase bookworm "$root" > "$root.debootstrap.log" ||
    { tail -n 20 "$root.debootstrap.log"; exit 1; }
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
# Debian's own sources, as the host has them (the root's mirror may differ).
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
  rm -f "$root/etc/apt/sources.list"
  cp /etc/apt/sources.list.d/debian.sources "$root/etc/apt/sources.list.d/"
fi
mount -t proc proc "$root/proc"
trap 'umount "$root/proc"; [ -z "$remove" ] || rm -rf "$remove"' EXIT
chroot "$root" bash -c 'apt-get update -qq &&
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq cmake g++ ninja-build git python3 > /dev/null'
rm -rf "$root/src"
git clone -q "$top" "$root/src"

# The first command as a newcomer types it: the Linux tool alone, which
# must come without a test program; then both tools.
timed() {  # COMMAND
  local started
  started=$(date +%s)
  chroot "$root" bash -c "cd /src && $1" > "$root.build.log" 2>&1 ||
    { tail -n 30 "$root.build.log"; echo "FAIL: $1"; exit 1; }
  echo "$1 took $(($(date +%s) - started)) s"
}
timed "bash build.sh native"
built=$(cd "$root/src/build/native" &&
  find . -path ./CMakeFiles -prune -o -type f -perm -u+x -print)
[ "$built" = ./brackwin ] ||
  { echo "FAIL: bash build.sh native built more than the tool:" $built; exit 1; }
chroot "$root" /src/build/native/brackwin --version > /dev/null ||
  { echo "FAIL: the tool does not run"; exit 1; }
echo "PASS: bash build.sh native built the tool alone, and it runs"
timed "bash build.sh"
for binary in build/native/brackwin build/win32/brackwin.exe; do
  [ -f "$root/src/$binary" ] || { echo "FAIL: no $binary"; exit 1; }
done
grep -q XdndAware "$root/src/build/native/brackwin" ||
  { echo "FAIL: the Linux binary has no X11 drops"; exit 1; }
echo "PASS: both binaries built, with X11 drops"

# The package, as the README installs it, on the machine that built it.
chroot "$root" bash -c 'cd /src && cmake --build --preset native --target package > /dev/null &&
  dpkg -i build/native/brackwin_*_amd64.deb > /dev/null'
version=$(chroot "$root" brackwin --version)
[ "$version" = "brackwin $(sed -n 's/^project(brackwin VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")" ] ||
  { echo "FAIL: the installed tool says '$version'"; exit 1; }
if chroot "$root" sh -c 'command -v man' > /dev/null; then
  chroot "$root" man -w brackwin > /dev/null || { echo "FAIL: no manual page"; exit 1; }
fi
files=$(chroot "$root" dpkg -L brackwin)
for file in /usr/share/man/man1/brackwin.1.gz \
    /usr/share/applications/brackwin-x64sc.desktop \
    /usr/share/mime/packages/brackwin-c64-prg.xml; do
  grep -qx "$file" <<< "$files" || { echo "FAIL: the package lacks $file"; exit 1; }
done
echo "PASS: the package installs, and $version runs"
