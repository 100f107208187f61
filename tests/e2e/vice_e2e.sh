#!/usr/bin/env bash
# End-to-end tests of -r -e against the real VICE (x64sc) in a private Xvfb
# server, with a stand-in java that writes a real program.
# Usage: vice_e2e.sh BRACKWIN CASE
set -u
brackwin=$(realpath "$1")
case_name=$2
here=$(cd "$(dirname "$0")" && pwd)

# shellcheck source=native_setup.sh
. "$here/native_setup.sh"
# shellcheck source=vice_common.sh
. "$here/vice_common.sh"

command -v x64sc > /dev/null || fail "VICE (x64sc) is not installed"
start_display || fail "no X server"

# The program the stand-in java writes: $0801, then 10 SYS2061.
program_bytes=0b080a009e32303631000000

# Writes the program whose bytes HEX gives into a file, and prints its name.
program() {  # HEX
  python3 -c 'import sys; open(sys.argv[1], "wb").write(bytes.fromhex(sys.argv[2]))' \
    "$work/$1.prg" "$1" && echo "$work/$1.prg"
}
# A program of 10 SYS2061 whose code at $080D (a NOP first, for the
# stand-in KERNAL) stores VALUE (hex) at $C000 and then counts in $C003/4
# for ever; JAM opcodes ($02), which stop the processor, from there to $085F.
marker() {  # VALUE
  program "01080b080a009e32303631000000eaa9${1}8d00c0ee03c0d0fbee04c04c1308$(printf '02%.0s' $(seq 66))"
}
monitor() { python3 "$here/vice_monitor.py" "$@"; }

# Waits up to 10 s for VICE to stop at a breakpoint: its monitor window.
expect_stopped() {
  for _ in $(seq 200); do
    xwininfo -root -tree | grep -q '"VICE monitor"' && return 0
    sleep 0.05
  done
  fail "VICE did not stop at the breakpoint: $(tail -n 5 "$work/vice.log")"
}

expect_injected() {
  wait_for_injection 1 10 || fail "VICE did not inject the program: $(tail -n 5 "$work/vice.log")"
  sleep 0.3
  [ "$(injections)" = 1 ] || fail "injected $(injections) times"
  [ ! -e "$BRACKWIN_TEST_OPEN_RECORD" ] || fail "the shell opened the program too"
}

case $case_name in
  drop)
    start_vice || fail "VICE did not start"
    run -f "$work/run/demo.asm" -r -e
    expect 0 "$work/run/demo.prg: dropped onto the VICE window \"VICE (C64SC)\" (pid $vice_pid)"$'\n'
    expect_injected
    ;;
  drop-iconified)
    # Under a window manager without EWMH, iconified, and with a relative
    # source path; mapped again, the window shows.
    start_window_manager twm
    start_vice || fail "VICE did not start"
    # The window manager may ignore the request for as long as it likes:
    # without the iconified window there is nothing to prove.
    iconify_vice || setup_failed "openbox did not iconify VICE"
    mkdir -p "src dir"
    run -f "src dir/demo.asm" -r -e
    expect 0 "src dir/demo.prg: dropped onto the VICE window \"VICE (C64SC)\" (pid $vice_pid)"$'\n'
    expect_injected
    grep -q "Loading PRG file \`$work/run/src dir/demo.prg'" "$work/vice.log" ||
      fail "VICE loaded another file"
    expect_vice_shown
    ;;
  front)
    # Iconified under a window manager with EWMH: once the monitor took the
    # program, VICE comes to the front, as a new one would.
    start_window_manager openbox || fail "no window manager"
    start_vice -binarymonitor || fail "VICE did not start"
    # The window manager may ignore the request for as long as it likes:
    # without the iconified window there is nothing to prove.
    iconify_vice || setup_failed "openbox did not iconify VICE"
    run -f demo.asm -r -e
    expect 0 "demo.prg: autostarted in VICE (pid $vice_pid) through its monitor"$'\n'
    expect_injected
    expect_vice_shown
    xprop -root _NET_ACTIVE_WINDOW | grep -q "window id # $vice_window\$" ||
      fail "not active: $(xprop -root _NET_ACTIVE_WINDOW), VICE is $vice_window"
    ;;
  monitor)
    start_vice -binarymonitor || fail "VICE did not start"
    run -f demo.asm -r -e
    expect 0 "demo.prg: autostarted in VICE (pid $vice_pid) through its monitor"$'\n'
    expect_injected
    grep -q "Loading PRG file \`$work/run/demo.prg'" "$work/vice.log" ||
      fail "VICE loaded another file"
    # The connection ended as VICE expects it to.
    ! grep -q "internal error" "$work/vice.log" ||
      fail "VICE logged: $(grep "internal error" "$work/vice.log")"
    # The program is in the emulator's RAM, read back through the monitor.
    ram=$(python3 "$here/vice_monitor.py" read 6502 0x0801 12) ||
      fail "cannot read VICE's memory"
    [ "$ram" = "$program_bytes" ] || fail "RAM at \$0801 holds $ram"
    ;;
  owner-raised)
    # Two VICEs: A owns the monitor, B is in front. The program goes to A,
    # and A is the one brought to the front.
    start_window_manager openbox || fail "no window manager"
    start_vice -binarymonitor || fail "VICE A did not start"
    a_window=$vice_window a_pid=$vice_pid
    known_window=$a_window vice_log=$work/vice-b.log start_vice ||
      fail "VICE B did not start"
    # Under load the window manager may pass over the first request: ask
    # again until B is active.
    for _ in $(seq 20); do
      xdotool windowactivate --sync "$vice_window" 2> /dev/null
      xprop -root _NET_ACTIVE_WINDOW | grep -q "window id # $vice_window\$" &&
        break
      sleep 0.2
    done
    xprop -root _NET_ACTIVE_WINDOW | grep -q "window id # $vice_window\$" ||
      setup_failed "openbox did not activate VICE B"
    run -f demo.asm -r -e
    expect 0 "demo.prg: autostarted in VICE (pid $a_pid) through its monitor"$'\n'
    expect_injected
    xprop -root _NET_ACTIVE_WINDOW | grep -q "window id # $a_window\$" ||
      fail "A (pid $a_pid, $a_window) not active: $(xprop -root _NET_ACTIVE_WINDOW)"
    ;;
  other-desktop)
    # VICE on the second desktop, the user on the first: VICE comes to the
    # user's desktop and is activated; the user's desktop stays.
    start_window_manager openbox || fail "no window manager"
    start_vice || fail "VICE did not start"
    # openbox announces _NET_WM_DESKTOP a moment after it starts.
    for _ in $(seq 20); do
      xdotool set_desktop_for_window "$vice_window" 1 2> /dev/null && break
      sleep 0.2
    done
    xdotool set_desktop_for_window "$vice_window" 1 && xdotool set_desktop 0 ||
      setup_failed "openbox did not move VICE to desktop 1"
    for _ in $(seq 40); do
      xprop -id "$vice_window" _NET_WM_DESKTOP | grep -q '= 1$' && break
      sleep 0.05
    done
    run -f "$work/run/demo.asm" -r -e
    expect 0 "$work/run/demo.prg: dropped onto the VICE window \"VICE (C64SC)\" (pid $vice_pid)"$'\n'
    expect_injected
    for _ in $(seq 40); do
      xprop -root _NET_ACTIVE_WINDOW | grep -q "window id # $vice_window\$" &&
        break
      sleep 0.05
    done
    xprop -id "$vice_window" _NET_WM_DESKTOP | grep -q '= 0$' ||
      fail "VICE stayed on $(xprop -id "$vice_window" _NET_WM_DESKTOP)"
    xprop -root _NET_CURRENT_DESKTOP | grep -q '= 0$' ||
      fail "the user's desktop changed: $(xprop -root _NET_CURRENT_DESKTOP)"
    xprop -root _NET_ACTIVE_WINDOW | grep -q "window id # $vice_window\$" ||
      fail "not active: $(xprop -root _NET_ACTIVE_WINDOW), VICE is $vice_window"
    ;;
  debug)
    # A debug run sets the source's breakpoint: the program stops at $080D,
    # in VICE's monitor window. The next run finds VICE stopped there, and
    # sends its text monitor nothing, which would wait there.
    start_vice -binarymonitor -remotemonitor || fail "VICE did not start"
    BRACKWIN_TEST_VICE_SYMBOLS='al C:080d .start\nbreak 80d \n' \
      run -f demo.asm -r -e -d
    expect 0 "demo.prg: autostarted in VICE (pid $vice_pid) through its monitor, with 1 breakpoint and 1 label"$'\n'
    expect_stopped
    # However often: each run leaves a connection in the stopped VICE's
    # listen queue, and once it is full the next is not even made.
    for attempt in 1 2 3 4 5 6 7; do
      BRACKWIN_TEST_VICE_SYMBOLS='al C:080d .start\n' run -f demo.asm -r -e -d
      expect 255 "VICE is stopped in its monitor: leave it (x, or close the monitor window), then run again"$'\n'
      echo "run $attempt: stopped, as said"
    done
    run --check
    [ "$status" = 255 ] || fail "--check said ready: $out"
    grep -qF "does not answer: VICE is stopped in its monitor" <<< "$out" ||
      fail "--check: $out"
    expect_injected
    ;;
  debug-clean)
    # At another monitor address: a debug run whose source has no
    # breakpoint leaves none behind, not even one set by hand.
    vice_port=6510 start_vice -binarymonitor \
      -binarymonitoraddress ip4://127.0.0.1:6510 || fail "VICE did not start"
    python3 "$here/vice_monitor.py" break 6510 0xc000 || fail "no breakpoint set"
    [ "$(python3 "$here/vice_monitor.py" breaks 6510)" = c000 ] ||
      fail "the breakpoint by hand is not there"
    BRACKWIN_MONITOR=127.0.0.1:6510 BRACKWIN_TEST_VICE_SYMBOLS='al C:080d .start\n' \
      run -f demo.asm -r -e -d
    expect 0 "demo.prg: autostarted in VICE (pid $vice_pid) through its monitor, with 0 breakpoints"$'\n'
    expect_injected
    [ -z "$(python3 "$here/vice_monitor.py" breaks 6510)" ] ||
      fail "breakpoints left: $(python3 "$here/vice_monitor.py" breaks 6510)"
    ;;
  other-display)
    # The VICE with the monitor runs on another display; the user's own,
    # without one, on this: the program goes to the one the user sees.
    vice_log=$work/elsewhere.log start_vice -binarymonitor ||
      fail "VICE did not start"
    elsewhere=$vice_pid
    start_display || fail "no second X server"
    start_vice || fail "VICE did not start"
    run -f demo.asm -r -e
    expect 0 "demo.prg: dropped onto the VICE window \"VICE (C64SC)\" (pid $vice_pid)"$'\n'
    expect_injected
    ! grep -q '^AUTOSTART' "$work/elsewhere.log" || fail "the other VICE got it"
    # Without a VICE here, the monitor's serves, and the line says where
    # it is not.
    kill "$vice_pid"
    wait "$vice_pid" 2> /dev/null
    run -f demo.asm -r -e
    expect 0 "demo.prg: autostarted in VICE (pid $elsewhere) through its monitor; its window is not on this display"$'\n'
    ;;
  other-port)
    # Its binary monitor on another port than asked: the advice names it.
    vice_port=6510 start_vice -binarymonitor \
      -binarymonitoraddress ip4://127.0.0.1:6510 || fail "VICE did not start"
    advice="VICE (pid $vice_pid) listens on 127.0.0.1:6510: if that is its monitor, set BRACKWIN_MONITOR=127.0.0.1:6510"
    BRACKWIN_TEST_VICE_SYMBOLS='break 80d\n' run -f demo.asm -r -e -d
    expect 0 "warning: breakpoints and labels need VICE's monitor: $advice"$'\n'"demo.prg: dropped onto the VICE window \"VICE (C64SC)\" (pid $vice_pid)"$'\n'
    expect_injected
    run --check
    grep -qxF "VICE's monitor at 127.0.0.1:6502: missing: $advice" <<< "$out" ||
      fail "--check: $out"
    ;;
  check)
    # --check finds the monitor and the window, and leaves VICE running: a
    # run afterwards autostarts as ever.
    start_vice -binarymonitor || fail "VICE did not start"
    HOME=$work/home XDG_DATA_HOME=$work/none XDG_DATA_DIRS=$work/none \
      run --check
    [ "$status" = 0 ] || fail "status $status: $out"
    for line in "VICE's monitor at 127.0.0.1:6502: found, a C64 (pid $vice_pid)" \
        "VICE window on the X display $DISPLAY: found, \"VICE (C64SC)\"" \
        "ready: brackwin -f SOURCE -r -e can run"; do
      grep -qxF "$line" <<< "$out" || fail "no line '$line' in: $out"
    done
    expect_no_java
    run -f demo.asm -r -e
    expect 0 "demo.prg: autostarted in VICE (pid $vice_pid) through its monitor"$'\n'
    expect_injected
    ;;
  monitor-stopped)
    # The monitor's port accepts, but the emulator never answers: the tool
    # gives up on it within its cap, before anything was handed on, and
    # falls through to the window, whose drop it gives up by the deadline
    # of -e. Nothing was delivered: the shell opens the program.
    start_vice -binarymonitor || fail "VICE did not start"
    kill -STOP "$vice_pid"
    started=$(date +%s%N)
    run -f demo.asm -r -e
    elapsed_ms=$((($(date +%s%N) - started) / 1000000))
    kill -CONT "$vice_pid"
    expect 0 "warning: the monitor on 127.0.0.1:6502 did not answer within 1 s"$'\n'"warning: the VICE window \"VICE (C64SC)\" did not answer the drop in time"$'\n'"demo.prg: opened with xdg-open"$'\n'
    echo "returned after $elapsed_ms ms"
    [ "$elapsed_ms" -ge 900 ] || fail "did not wait for the monitor"
    # The deadline of -e (3 s), then the opener's second.
    [ "$elapsed_ms" -lt 4300 ] || fail "took $elapsed_ms ms"
    wait_for "$BRACKWIN_TEST_OPEN_RECORD"
    sleep 0.5
    ! grep '^AUTOSTART' "$work/vice.log" || fail "VICE autostarted as well"
    ;;
  x128-monitor)
    # A C128 with its monitor on is no C64: it is asked what it is, and left
    # alone; the shell opens the program instead.
    start_x128 || fail "x128 did not start: $(cat "$work/vice.log")"
    run -f demo.asm -r -e
    expect 0 "warning: the VICE on 127.0.0.1:6502 is not a C64 (x64sc or x64); it was left alone"$'\n'"demo.prg: no C64 VICE found (monitor at 127.0.0.1:6502, C64 window); opened with xdg-open"$'\n'
    wait_for "$BRACKWIN_TEST_OPEN_RECORD"
    ! grep '^AUTOSTART' "$work/vice.log" || fail "x128 autostarted"
    ;;
  quick)
    # -q puts the program into the running C64: no reset, so a byte that it
    # does not write keeps its value; and it runs sooner than an autostart
    # on the same VICE, timed in turns.
    start_vice -binarymonitor || fail "VICE did not start"
    monitor write 6502 0xc100 5a || fail "cannot write VICE's memory"
    BRACKWIN_TEST_PROGRAM=$(marker 42) run -f demo.asm -r -e -q
    expect 0 "demo.prg: loaded into VICE (pid $vice_pid) without a reset, started at \$080D"$'\n'
    monitor race 6502 0xc000 42 true > /dev/null || fail "the program did not run"
    [ "$(monitor read 6502 0xc100 1)" = 5a ] || fail "the machine was reset"
    quick=() autostart=()
    for value in 10 20 30; do
      quick+=("$(BRACKWIN_TEST_PROGRAM=$(marker $value) monitor race 6502 \
        0xc000 $value "$brackwin" -f demo.asm -r -e -q)") || fail "-q: no $value"
      autostart+=("$(BRACKWIN_TEST_PROGRAM=$(marker $((value + 1))) monitor \
        race 6502 0xc000 $((value + 1)) "$brackwin" -f demo.asm -r -e)") ||
        fail "autostart: no $((value + 1))"
    done
    echo "ms to the program running: -q ${quick[*]}; autostart ${autostart[*]}"
    median() { printf '%s\n' "$@" | sort -n | sed -n 2p; }
    if [ -n "${BRACKWIN_TEST_UNTIMED:-}" ]; then
      echo "a sanitized build: the times are not compared"
    else
      [ $(($(median "${quick[@]}") * 3 / 2)) -lt "$(median "${autostart[@]}")" ] ||
        fail "-q is not clearly faster than the autostart"
    fi
    # 10 PRINT2061: no SYS line, so the autostart, after a warning.
    BRACKWIN_TEST_PROGRAM=$(program 01080b080a009932303631000000ea4c0e08) run -f demo.asm -r -e -q
    expect 0 "warning: demo.prg is not loaded without a reset: it does not start with a BASIC line SYS <address> at \$0801"$'\n'"demo.prg: autostarted in VICE (pid $vice_pid) through its monitor"$'\n'
    ;;
  quick-raster)
    # A program whose raster interrupt handler, at $0850 through $0314,
    # lies where -q puts a new program; CIA 1's timer A runs, its interrupt
    # off. The new program runs on, its timer interrupts going through the
    # KERNAL's vector again, and no raster interrupt comes (the stand-in
    # KERNAL's handler would count them in $C002).
    start_vice -binarymonitor || fail "VICE did not start"
    # NOP; SEI; $0314 = $0850; CIA 1's interrupts off, timer A started;
    # raster interrupt at line $80; CLI; a loop. At $0850: INC $C001;
    # acknowledge; back from the interrupt.
    BRACKWIN_TEST_PROGRAM=$(program "01080b080a009e32303631000000ea78a9508d1403a9088d1503\
a97f8d0ddca9258d04dca9408d05dca9118d0edca9018d1ad0a9808d12d0ad11d0297f8d11d0584c4008\
$(printf 'ea%.0s' $(seq 13))ee01c0a9ff8d19d068a868aa6840") run -f demo.asm -r -e
    expect_injected
    sleep 0.3
    [ "$(monitor read 6502 0xc001 1)" != "$(sleep 0.1; monitor read 6502 0xc001 1)" ] ||
      fail "the raster interrupt does not run"
    BRACKWIN_TEST_PROGRAM=$(marker 42) run -f demo.asm -r -e -q
    expect 0 "demo.prg: loaded into VICE (pid $vice_pid) without a reset, started at \$080D"$'\n'
    monitor race 6502 0xc000 42 true > /dev/null || fail "the program did not run"
    before=$(monitor read 6502 0xc002 3)
    after=$(sleep 0.2; monitor read 6502 0xc002 3)
    [ "${before:0:2}" = "${after:0:2}" ] || fail "raster interrupts still come"
    [ "${before:2}" != "${after:2}" ] || fail "the program does not run on"
    # -d -q: VICE stops at the source's breakpoint at the entry, which it
    # would pass over if the program started in the frame it resumed in.
    BRACKWIN_TEST_PROGRAM=$(marker 43) BRACKWIN_TEST_VICE_SYMBOLS='break 80d\n' \
      run -f demo.asm -r -e -d -q
    expect 0 "demo.prg: loaded into VICE (pid $vice_pid) without a reset, started at \$080D, with 1 breakpoint"$'\n'
    expect_stopped
    ;;
  labels)
    # Debug runs give VICE this run's labels through its text monitor, and
    # none of an earlier run's; breakpoints are set once each.
    start_vice -binarymonitor -remotemonitor || fail "VICE did not start"
    BRACKWIN_TEST_VICE_SYMBOLS='al C:c123 .old\nbreak c000\n' run -f demo.asm -r -e -d
    expect 0 "demo.prg: autostarted in VICE (pid $vice_pid) through its monitor, with 1 breakpoint and 1 label"$'\n'
    # A second autostart while VICE still runs the first ends that one.
    wait_for_injection 1 10 || fail "VICE did not autostart"
    BRACKWIN_TEST_VICE_SYMBOLS='al C:080d .start\nal C:080e .loop\nbreak c000\nbreak c010\n' \
      run -f demo.asm -r -e -d
    expect 0 "demo.prg: autostarted in VICE (pid $vice_pid) through its monitor, with 2 breakpoints and 2 labels"$'\n'
    wait_for_injection 2 10 || fail "VICE did not autostart again"
    labels=$(monitor text 6510 shl)
    grep -q "\$080d \.start$" <<< "$labels" && grep -q "\$080e \.loop$" <<< "$labels" &&
      ! grep -q old <<< "$labels" || fail "VICE's labels: $labels"
    [ "$(monitor breaks 6502)" = "c000 c010" ] ||
      fail "breakpoints: $(monitor breaks 6502)"
    ;;
  text-on-binary-port)
    # VICE's text monitor where the binary one was expected: said, left
    # running, and the window takes the program.
    start_vice -remotemonitor -remotemonitoraddress ip4://127.0.0.1:6502 ||
      fail "VICE did not start"
    line="VICE's text monitor listens on 127.0.0.1:6502: start VICE with -binarymonitor, and move the text monitor with -remotemonitoraddress"
    run -f demo.asm -r -e
    expect 0 "warning: $line"$'\n'"demo.prg: dropped onto the VICE window \"VICE (C64SC)\" (pid $vice_pid)"$'\n'
    expect_injected
    run --check
    grep -qxF "VICE's monitor at 127.0.0.1:6502: VICE's text monitor listens there: ${line#*6502: }" <<< "$out" ||
      fail "--check: $out"
    ;;
  *)
    fail "unknown case $case_name"
    ;;
esac
echo "PASS: $case_name"
