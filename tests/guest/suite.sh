#!/usr/bin/env bash
# The 32-bit guest's side of the win32 tests, as its first process once the
# initramfs has mounted the shares (init): runs the build's Windows tests
# under the guest's 32-bit Wine, each through `replay`, which keeps its
# output and status in BUILD/guest-results for the host, then powers off.
# Anything that goes wrong here ends this process, and with it the guest.
set -u
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm

export PATH=/usr/bin:/bin:/usr/sbin:/sbin HOME=/tmp LANG=C.UTF-8
export WINEDEBUG=-all BRACKWIN_WINEPREFIX=/tmp/wine/prefix BRACKWIN_IN_GUEST=1
# A program that crashes fails its test at once: Wine's debugger, which it
# would start, waits there until the test's timeout.
export WINEDLLOVERRIDES=winedbg.exe=d
results=$BRACKWIN_BUILD/guest-results
uptime() { cut -d' ' -f1 /proc/uptime; }
echo "booted $(uptime)" > "$results/times"
# package.win inspects the exe with the host's MinGW tools: it runs there.
ctest --test-dir "$BRACKWIN_BUILD" -E '^(guest\.win32|package\.win)$' \
  --fixture-exclude-setup win32-guest --timeout 600 --output-on-failure \
  2>&1 | tee "$results/ctest.log"
status=${PIPESTATUS[0]}
echo "done $(uptime)" >> "$results/times"
echo "$status" > "$results/done"
sync
exec busybox poweroff -f
