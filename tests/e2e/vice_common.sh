# Runs the real VICE (x64sc) in a private Xvfb server, for the end-to-end
# tests and the hand-off benchmark, which source this file after setting
# `work` (a scratch folder) and `pids` (an array of processes to end), and
# after common.sh, whose start_display starts the server.
# VICE ships without ROMs, so this writes stand-in images of its own: a
# KERNAL whose reset vector points at a loop at $E000 that jumps to $080D
# once a NOP is there (the stand-in program puts one), whose IRQ entry
# jumps through $0314 as the real one does, and which holds a table for
# the RAM vectors where the real one has it ($FD30): IRQ and BRK to a
# handler that counts the VIC's interrupts in $C002; a BASIC ROM of zeros but its warm start
# vector; a character ROM of zeros. With -autostartprgmode 1 (inject into
# RAM) that is all an autostart needs.

vice_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)


# Starts a window manager: twm, which places windows itself, never grabs
# the server and knows nothing of EWMH; or openbox, which does.
start_window_manager() {  # twm|openbox
  if [ "$1" = twm ]; then
    printf '%s\n' 'TitleFont "fixed"' 'MenuFont "fixed"' 'IconFont "fixed"' \
      'ResizeFont "fixed"' 'IconManagerFont "fixed"' RandomPlacement \
      NoGrabServer > "$work/twmrc"
    LC_ALL=C twm -f "$work/twmrc" > /dev/null 2>&1 &
    pids+=($!)
    sleep 0.3
    return
  fi
  HOME="$work/home" openbox > /dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q window && return
    sleep 0.05
  done
  echo "openbox did not start" >&2
  return 1
}

# Iconifies VICE's window and waits until it is unmapped. The request is
# repeated each second: a window manager that has not yet taken the new
# window on (openbox, under load) drops it.
iconify_vice() {
  local try
  for try in $(seq 200); do
    [ $((try % 20)) = 1 ] && xdotool windowminimize "$vice_window"
    xwininfo -id "$vice_window" | grep -q IsUnMapped && return 0
    sleep 0.05
  done
  echo "VICE's window was not iconified" >&2
  return 1
}

# Ends a case whose window manager did not set the scene it needs within
# its waits: skipped (77), with why, as the case proves nothing then.
setup_failed() {  # WHY
  echo "skipped: $1" >&2
  exit 77
}

# Waits up to 2 s for VICE's window to be shown.
expect_vice_shown() {
  for _ in $(seq 40); do
    xwininfo -id "$vice_window" | grep -q IsViewable && return 0
    sleep 0.05
  done
  fail "VICE's window stayed hidden"
}

write_roms() {
  mkdir -p "$work/roms"
  python3 - "$work/roms" << 'PY'
import sys
kernal = bytearray(8192)
# $E000: LDA $080D; CMP #$EA; BNE $E000; JMP $080D
kernal[0:10] = b"\xad\x0d\x08\xc9\xea\xd0\xf9\x4c\x0d\x08"
# $E010, the IRQ entry: PHA; TXA; PHA; TYA; PHA; JMP ($0314)
kernal[0x10:0x18] = b"\x48\x8a\x48\x98\x48\x6c\x14\x03"
# $E020, the IRQ handler: counts in $C002 the VIC's interrupts, which it does
# not acknowledge; acknowledges the CIA's; PLA; TAY; PLA; TAX; PLA; RTI
kernal[0x20:0x31] = bytes.fromhex("ad19d01003ee02c0ad0ddc68a868aa6840")
kernal[0x38] = 0x40  # $E038: RTI, for NMIs
kernal[0x40] = 0x60  # $E040: RTS, for the other vectors
kernal[0x50:0x53] = b"\x4c\x50\xe0"  # $E050: BASIC's warm start, a loop
# The table of the RAM vectors $0314-$0333: IRQ, BRK, NMI, then 13 more.
kernal[0x1D30:0x1D50] = b"\x20\xe0\x20\xe0\x38\xe0" + b"\x40\xe0" * 13
kernal[0x1FFA:0x2000] = b"\x38\xe0\x00\xe0\x10\xe0"  # NMI, reset, IRQ
basic = bytearray(8192)
basic[2:4] = b"\x50\xe0"  # $A002: the warm start
open(sys.argv[1] + "/kernal", "wb").write(kernal)
open(sys.argv[1] + "/basic", "wb").write(basic)
open(sys.argv[1] + "/chargen", "wb").write(bytes(4096))
PY
}

# Starts x64sc with the given extra switches, logging to $vice_log
# ($work/vice.log unless set), and waits until its window is up (and its
# monitor, with -binarymonitor). Sets vice_pid and vice_window; a window
# named in known_window is another VICE's, and passed over.
start_vice() {  # [SWITCH...]
  [ -f "$work/roms/kernal" ] || write_roms
  mkdir -p "$work/home"
  HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
    XDG_DATA_HOME="$work/home/.local/share" \
    XDG_CACHE_HOME="$work/home/.cache" \
    x64sc -default -sounddev dummy -autostartprgmode 1 \
    -kernal "$work/roms/kernal" -basic "$work/roms/basic" \
    -chargen "$work/roms/chargen" "$@" > "${vice_log:-$work/vice.log}" 2>&1 &
  vice_pid=$!
  pids+=("$vice_pid")
  # Up when its window is shown and takes drops.
  vice_window=
  for _ in $(seq 300); do
    [ -n "$vice_window" ] || vice_window=$(xwininfo -root -tree 2> /dev/null |
      sed -n 's/^ *\(0x[0-9a-f]*\) "VICE (C64SC)".*/\1/p' |
      awk -v known="${known_window:-}" '$0 != known' | head -n 1)
    [ -n "$vice_window" ] &&
      xwininfo -id "$vice_window" | grep -q IsViewable &&
      xprop -id "$vice_window" XdndAware | grep -q ATOM && break
    sleep 0.05
  done
  xprop -id "$vice_window" XdndAware 2> /dev/null | grep -q ATOM ||
    { echo "VICE did not start: $(tail -n 3 "${vice_log:-$work/vice.log}")" >&2; return 1; }
  case " $* " in
    *" -binarymonitor "*)
      python3 "$vice_here/vice_monitor.py" wait "${vice_port:-6502}" 10 ;;
  esac
}

# Starts x128 with its binary monitor, with ROM images of zeros under the
# names it asks for, and waits until the monitor listens.
start_x128() {
  local roms="$work/home/.local/share/vice/C128" name
  mkdir -p "$roms"
  for name in basiclo-318018-04.bin basichi-318019-04.bin kernal-318020-05.bin \
      kernal-315078-03.bin kernalfi kernalfr kernalit kernalno \
      kernal-318034-01.bin kernal-325172-01.bin; do
    head -c 16384 /dev/zero > "$roms/$name"
  done
  for name in chargen-390059-01.bin chargen-315079-01.bin chargen-325167-01.bin \
      chargen-325181-01.bin chargen-325173-01D.bin chargen-325078-02.bin \
      kernal64-901227-03.bin basic64-901226-01.bin; do
    head -c 8192 /dev/zero > "$roms/$name"
  done
  HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
    XDG_DATA_HOME="$work/home/.local/share" \
    XDG_CACHE_HOME="$work/home/.cache" \
    x128 -default -sounddev dummy -binarymonitor > "$work/vice.log" 2>&1 &
  vice_pid=$!
  pids+=("$vice_pid")
  python3 "$vice_here/vice_monitor.py" wait 6502 10
}

# How many programs VICE has injected into its RAM so far.
injections() {
  grep -c 'Injecting program data at \$0801' "$work/vice.log"
}

# Waits up to SECONDS for the Nth injection.
wait_for_injection() {  # N SECONDS
  local tries=$(($2 * 100))
  for _ in $(seq "$tries"); do
    [ "$(injections)" -ge "$1" ] && return 0
    sleep 0.01
  done
  return 1
}
