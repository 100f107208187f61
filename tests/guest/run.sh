#!/usr/bin/env bash
# Usage: run.sh BUILD_DIR SOURCE_DIR
# Where this host runs no 32-bit Wine (a kernel without 32-bit support),
# runs the 32-bit build's Windows tests in a guest that does: Debian's own
# kernel under QEMU (KVM where /dev/kvm is usable, software emulation
# otherwise), a Debian 12 root with Wine's 32-bit packages, and the source
# and build folders shared at the same paths. The tests' results land in
# BUILD_DIR/guest-results, where each host test finds its own (replay).
# The root, kernel and initramfs are made once, by root, into
# BRACKWIN_GUEST_CACHE (default BUILD_DIR/guest), and reused while this
# script and the guest's init are unchanged. Exits 77, with one line that
# says why, where no guest can run; 0 once the guest ran the suite, whatever
# the tests' results; 1 when the guest did not finish it.
set -u
build=$1
source=$2
here=$(cd "$(dirname "$0")" && pwd)
cache=${BRACKWIN_GUEST_CACHE:-$build/guest}
results=$build/guest-results
rm -rf "$results"

if /usr/lib/wine/wine --version > /dev/null 2>&1; then
  echo "this host runs 32-bit Wine: the win32 tests run on it"
  exit 77
fi
skip() {  # REASON
  mkdir -p "$results"
  echo "win32 tests skipped: this host runs no 32-bit Wine, and $1" |
    tee "$results/skipped"
  exit 77
}
command -v qemu-system-x86_64 > /dev/null ||
  skip "qemu-system-x86_64 is missing (Debian's qemu-system-x86) for a guest"
[[ "$source$build$here" != *[[:space:],]* ]] ||
  skip "a guest's shares and command line take no blank or comma in a path"

# Everything the guest is made of comes from Debian's packages, in one
# folder; "stamp" names the steps and the init it was made with.
make_guest() {
  local root=$cache/root kernel=$cache/kernel initrd=$cache/initrd pkg
  [ "$(id -u)" = 0 ] || { echo "making a guest's root needs root"; return 1; }
  command -v debootstrap > /dev/null || { echo "debootstrap is missing"; return 1; }
  # A make that was stopped may have left the root's /proc mounted.
  umount "$root/proc" 2> /dev/null
  rm -rf "$cache" && mkdir -p "$cache" || return 1
  debootstrap --variant=minbase --include=cmake,iproute2,busybox-static \
    bookworm "$root" > "$cache/debootstrap.log" 2>&1 ||
    { echo "debootstrap failed (see $cache/debootstrap.log)"; return 1; }
  # Debian's sources as this host has them (its mirror may differ).
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    rm -f "$root/etc/apt/sources.list"
    cp /etc/apt/sources.list.d/debian.sources "$root/etc/apt/sources.list.d/"
  fi
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  mount -t proc proc "$root/proc" || return 1
  # An i386 index that fails while its mirror syncs is left to the install,
  # which then says what it lacks. The kernel is only downloaded: its files
  # are taken out below, nothing of it is installed.
  chroot "$root" bash -c 'dpkg --add-architecture i386 &&
    { apt-get update -qq || true; } &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
      --no-install-recommends wine wine32:i386 &&
    pkg=$(apt-cache depends linux-image-amd64 |
      sed -n "s/.*Depends: \(linux-image-[0-9].*\)/\1/p" | head -n 1) &&
    cd /tmp && apt-get download -qq "$pkg"' > "$cache/packages.log" 2>&1
  local status=$?
  umount "$root/proc"
  [ "$status" = 0 ] || {
    echo "Wine's 32-bit packages or Debian's kernel could not be fetched (see $cache/packages.log)"
    return 1
  }
  mkdir -p "$kernel" "$initrd/modules" "$initrd/bin"
  dpkg-deb -x "$root"/tmp/linux-image-*.deb "$kernel" &&
    rm "$root"/tmp/linux-image-*.deb || return 1
  cp "$kernel"/boot/vmlinuz-* "$cache/vmlinuz" || return 1
  # The initramfs: busybox, init, and the modules of virtio's 9p shares,
  # each after those it depends on (the package has no modules.dep).
  local order=" "
  add_module() {  # NAME
    local file dependency
    [[ $order != *" $1 "* ]] || return 0
    file=$(find "$kernel/lib/modules" -name "$1.ko" -print -quit)
    [ -n "$file" ] || { echo "the kernel has no module $1"; return 1; }
    for dependency in $(tr '\0' '\n' < "$file" | sed -n 's/^depends=//p' |
                        tr , ' '); do
      add_module "$dependency" || return 1
    done
    cp "$file" "$initrd/modules/" && order+="$1 "
  }
  for pkg in virtio_pci 9pnet_virtio 9p; do add_module "$pkg" || return 1; done
  echo $order > "$initrd/modules/order"
  cp "$root/bin/busybox" "$initrd/bin/" && cp "$here/init" "$initrd/init" &&
    (cd "$initrd" && find . | "$root/bin/busybox" cpio -o -H newc 2> /dev/null) |
    gzip -1 > "$cache/initrd.gz" || return 1
  rm -rf "$kernel" "$initrd"
  echo "$wanted" > "$cache/stamp"
}
wanted=$({ declare -f make_guest; cat "$here/init"; } | sha256sum | cut -c1-16)
if [ "$(cat "$cache/stamp" 2> /dev/null)" != "$wanted" ]; then
  started=$SECONDS
  why=$(make_guest) || skip "no guest could be made: ${why##*$'\n'}"
  echo "made the 32-bit guest in $cache in $((SECONDS - started)) s"
fi

# QEMU 7.2's software emulation faults a return to 32-bit user code (iret)
# when SMAP is on, so the emulated processor goes without it.
# Under emulation, programs run about ten times slower: the tests' stand-ins
# live as much longer (BRACKWIN_TEST_TIME_SCALE).
accel=(-accel tcg,thread=multi -cpu max,-smap)
scale=10
[ -w /dev/kvm ] && accel=(-accel kvm -cpu host) && scale=1
cpus=$(nproc)
[ "$cpus" -le 4 ] || cpus=4
mkdir -p "$results" "$cache/root$source" "$cache/root$build"
started=$SECONDS
timeout -k 10 2400 qemu-system-x86_64 "${accel[@]}" -smp "$cpus" -m 3072 \
  -nographic -no-reboot -nic none \
  -kernel "$cache/vmlinuz" -initrd "$cache/initrd.gz" \
  -append "console=ttyS0 quiet panic=-1 BRACKWIN_SOURCE=$source BRACKWIN_BUILD=$build BRACKWIN_SUITE=$here/suite.sh BRACKWIN_TEST_TIME_SCALE=$scale" \
  -virtfs "local,path=$cache/root,mount_tag=root,security_model=passthrough,readonly=on" \
  -virtfs "local,path=$source,mount_tag=source,security_model=passthrough" \
  -virtfs "local,path=$build,mount_tag=build,security_model=passthrough" \
  > "$results/console.log" 2>&1 < /dev/null
if [ ! -f "$results/done" ]; then
  echo "the 32-bit guest did not finish the suite; its console:"
  tail -n 30 "$results/console.log"
  exit 1
fi
read -r _ booted < "$results/times"
echo "the 32-bit guest booted in $booted s and ran the suite in $((SECONDS - started)) s:"
grep -E 'Test +#|tests passed|Total Test time' "$results/ctest.log"
