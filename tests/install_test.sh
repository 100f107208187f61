#!/usr/bin/env bash
# Checks the install step of build.sh and .ci/run (.ci/packages): the 32-bit
# probe each way, and an install whose index could not be fetched and that
# would remove a package, against stand-ins for apt-get, dpkg and id.
# Usage: install_test.sh SOURCE_DIR
set -u
# shellcheck source=../.ci/packages
. "$1/.ci/packages"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

write_i386_probe "$work/probe"
kernel_runs "$work/probe"
case $? in
  0) echo "this kernel runs 32-bit programs" ;;
  1) echo "this kernel runs no 32-bit programs" ;;
  *) fail "the probe failed for another reason" ;;
esac
kernel_runs /bin/true || fail "a program that runs counts as not run"
# A machine no kernel here runs: ENOEXEC, whatever the kernel's width.
printf '\xff\xff' | dd of="$work/probe" bs=1 seek=18 conv=notrunc 2> /dev/null
kernel_runs "$work/probe"; [ $? = 1 ] || fail "ENOEXEC not told apart"
chmod -x "$work/probe"
kernel_runs "$work/probe" 2> "$work/err"; [ $? = 2 ] || fail "EACCES taken for ENOEXEC"
grep -q 'Permission denied' "$work/err" || fail "no reason given: $(cat "$work/err")"

mkdir "$work/bin"
cat > "$work/bin/apt-get" << 'EOF'
#!/bin/sh
echo "apt-get $*" >> "$LOG"
case $1 in
  update) echo "E: Failed to fetch http://mirror/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size"; exit 100 ;;
  -s) echo "Remv wine64 [8.0~repack-4]"; echo "Inst wine32:i386" ;;
  *) exit 100 ;;
esac
EOF
printf '#!/bin/sh\necho "dpkg $*" >> "$LOG"\n' > "$work/bin/dpkg"
printf '#!/bin/sh\nexit 1\n' > "$work/bin/dpkg-query"
printf '#!/bin/sh\necho 0\n' > "$work/bin/id"
chmod +x "$work/bin/"*
PATH=$work/bin:$PATH LOG=$work/log PROBE_DIR=$work/p \
  install_packages wine wine32:i386 > "$work/out" 2>&1 && fail "reported success"
grep -q '^apt-get install .*--no-remove' "$work/log" || fail "installed without --no-remove"
for said in "could not install: wine" "binary-i386/Packages.xz" \
    "it would have to remove wine64"; do
  grep -qF "$said" "$work/out" || fail "not said: $said"$'\n'"$(cat "$work/out")"
done
# Without 32-bit support the i386 package is not asked for, nor the
# architecture added; with it, both.
if grep -q 'runs no 32-bit programs: the win32 tests run in a 32-bit guest' "$work/out"; then
  ! grep -q 'i386' "$work/log" || fail "asked for i386 here: $(cat "$work/log")"
else
  grep -q 'dpkg --add-architecture i386' "$work/log" || fail "no i386 architecture"
fi
echo "PASS"
