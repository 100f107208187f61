#!/usr/bin/env bash
# End-to-end tests of -r -e under X11: the native tool drops the program on
# drop-target windows in a private Xvfb server.
# Usage: x11_e2e.sh BRACKWIN XDND_TARGET CASE
set -u
brackwin=$(realpath "$1")
target=$(realpath "$2")
case_name=$3
here=$(cd "$(dirname "$0")" && pwd)
title="VICE: C64 emulator at 100% speed, 50 fps"

# shellcheck source=native_setup.sh
. "$here/native_setup.sh"
start_display || fail "no X server"

start_target() {  # NAME TITLE mapped|unmapped answer|silent|decline|no-data
  "$target" "$2" "$3" "$4" "$work/$1" &
  pids+=($!)
  wait_for "$work/$1.ready"
}

expect_uri() {  # NAME URI
  wait_for "$work/$1"
  [ "$(cat "$work/$1")" = "$2"$'\r' ] ||
    fail "target $1 received '$(cat "$work/$1")', expected '$2'"
}

expect_no_drop() {  # NAME
  [ ! -e "$work/$1" ] || fail "target $1 received a drop"
}

expect_not_opened() {
  sleep 0.3
  [ ! -e "$BRACKWIN_TEST_OPEN_RECORD" ] || fail "the shell opened the program"
}

expect_opened() {  # FILE
  wait_for "$BRACKWIN_TEST_OPEN_RECORD"
  expect_record "$BRACKWIN_TEST_OPEN_RECORD" "$work/run" "$1"
}

# Whether a process named NAME runs on this test's display (its number is
# this test's alone; other tests run such programs too).
runs_here() {  # NAME
  local process
  for process in /proc/[0-9]*; do
    [ "$(cat "$process/comm" 2> /dev/null)" = "$1" ] || continue
    tr '\0' '\n' < "$process/environ" 2> /dev/null |
      grep -qxF "DISPLAY=$DISPLAY" && return 0
  done
  return 1
}

# The tool must succeed, and print the line of its route for demo.prg.
run_ok() {  # LINE SWITCH...
  local line=$1
  shift
  run "$@"
  expect 0 "$line"$'\n'
}
dropped="demo.prg: dropped onto the VICE window \"$title\""
no_vice="demo.prg: no running VICE found (monitor at 127.0.0.1:6502, C64 window); opened with xdg-open"

case $case_name in
  absolute)
    start_target a "$title" mapped answer
    run_ok "$work/run/$dropped" -f "$work/run/demo.asm" -r -e
    expect_uri a "file://$work/run/demo.prg"
    [ "$(cat "$work/a.targets")" = "TARGETS text/uri-list text/plain" ] ||
      fail "targets: $(cat "$work/a.targets")"
    expect_not_opened
    ;;
  relative)
    mkdir -p "src dir/ü"
    start_target a "$title" mapped answer
    run_ok "src dir/ü/demo 100%.prg${dropped#demo.prg}" \
      -f "src dir/ü/demo 100%.asm" -r -e
    expect_uri a "file://$work/run/src%20dir/%C3%BC/demo%20100%25.prg"
    expect_not_opened
    ;;
  unmapped-skipped)
    # The unmapped one is created last, so it lies on top.
    start_target mapped "$title" mapped answer
    start_target unmapped "$title" unmapped answer
    start_target other "Terminal" mapped answer
    run_ok "$dropped" -f demo.asm -r -e
    expect_uri mapped "file://$work/run/demo.prg"
    expect_no_drop unmapped
    expect_no_drop other
    ;;
  other-host)
    # A client of another host (ssh -X) on top, and one that names this
    # host by its short name: only the latter is dropped on.
    XDND_TARGET_MACHINE=$(hostname).example start_target here "$title" mapped answer
    XDND_TARGET_MACHINE=elsewhere.example start_target there "$title" mapped answer
    run_ok "$dropped" -f demo.asm -r -e
    expect_uri here "file://$work/run/demo.prg"
    expect_no_drop there
    ;;
  opened-window)
    # The real xdg-open, whose association's program stays and opens a
    # window of its own (_NET_WM_PID): opened once that window shows, while
    # xdg-open still waits for the program.
    command -v xdg-mime > /dev/null || skip "no xdg-utils"
    rm "$work/bin/xdg-open"
    export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share
    export XDG_CONFIG_HOME=$work/home/.config
    unset XDG_CURRENT_DESKTOP DESKTOP_SESSION
    mkdir -p "$XDG_DATA_HOME/applications" "$XDG_DATA_HOME/mime/packages"
    cp "$here/../../dist/linux/brackwin-c64-prg.xml" "$XDG_DATA_HOME/mime/packages/"
    update-mime-database "$XDG_DATA_HOME/mime" || fail "update-mime-database"
    printf '[Desktop Entry]\nType=Application\nName=Target\nExec=%s Target mapped answer %s %%f\nMimeType=application/x-c64-program;\n' \
      "$target" "$work/opened" > "$XDG_DATA_HOME/applications/target.desktop"
    xdg-mime default target.desktop application/x-c64-program
    run_ok "demo.prg: opened with xdg-open" -f demo.asm -r
    [ -f "$work/opened.ready" ] || fail "the program has no window"
    runs_here xdg-open || fail "xdg-open had ended"
    ;;
  topmost-wins)
    start_target below "$title" mapped answer
    start_target above "$title" mapped answer
    run_ok "$dropped" -f demo.asm -r -e
    expect_uri above "file://$work/run/demo.prg"
    expect_no_drop below
    ;;
  no-match)
    start_target other "vice: c64 emulator" mapped answer
    run_ok "$no_vice" -f demo.asm -r -e
    expect_opened demo.prg
    expect_no_drop other
    ;;
  without-e)
    start_target a "$title" mapped answer
    run_ok "demo.prg: opened with xdg-open" -f demo.asm -r
    expect_opened demo.prg
    expect_no_drop a
    ;;
  silent)
    # A window that never answers the drop got nothing: the shell opens the
    # program instead.
    start_target a "$title" mapped silent
    started=$(date +%s%N)
    run -f demo.asm -r -e
    elapsed_ms=$((($(date +%s%N) - started) / 1000000))
    expect 0 "warning: the VICE window \"$title\" did not answer the drop in time"$'\n'"demo.prg: opened with xdg-open"$'\n'
    [ "$elapsed_ms" -lt 4000 ] || fail "took $elapsed_ms ms"
    echo "returned after $elapsed_ms ms"
    wait_for "$work/a.leave"
    expect_opened demo.prg
    ;;
  silent-display)
    # A display that takes the connection and never answers, such as a dead
    # ssh forward: display 93 is TCP port 6093.
    python3 -c 'import socket, sys, time
server = socket.create_server(("127.0.0.1", 6093))
open(sys.argv[1], "w").close()
client = server.accept()
time.sleep(30)' "$work/listening" &
    pids+=($!)
    wait_for "$work/listening"
    started=$(date +%s%N)
    launcher=(timeout 10)
    DISPLAY=127.0.0.1:93 run -f demo.asm -r -e
    elapsed_ms=$((($(date +%s%N) - started) / 1000000))
    expect 255 "the X display 127.0.0.1:93 did not answer within 3 s; nothing was handed on"$'\n'
    echo "returned after $elapsed_ms ms"
    [ "$elapsed_ms" -lt 4000 ] || fail "took $elapsed_ms ms"
    expect_not_opened
    ;;
  stopped-display)
    # The X server itself stopped (SIGSTOP): --check ends within its
    # deadline, xdg-mime and its xprop ended with it, and is not ready.
    start_target a "$title" mapped answer
    server=${pids[0]}
    kill -STOP "$server"
    started=$(date +%s%N)
    launcher=(timeout 20)
    run --check
    elapsed_ms=$((($(date +%s%N) - started) / 1000000))
    kill -CONT "$server"
    echo "returned after $elapsed_ms ms: $out"
    [ "$status" = 255 ] || fail "status $status"
    grep -qxF "VICE window on the X display $DISPLAY: unknown: the display does not answer" <<< "$out" ||
      fail "no line on the display"
    grep -qxF "not ready: see the lines above" <<< "$out" || fail "said ready"
    # Its probes' bounds: the association 5 s, the window 2 s.
    [ "$elapsed_ms" -lt 9000 ] || fail "took $elapsed_ms ms"
    ! runs_here xprop || fail "xprop still runs"
    ;;
  declined)
    # A version-5 target that takes the file and finishes "not performed"
    # did not take the program: the shell opens it.
    start_target a "$title" mapped decline
    run_ok "warning: the VICE window \"$title\" declined the drop"$'\n'"demo.prg: opened with xdg-open" \
      -f demo.asm -r -e
    expect_uri a "file://$work/run/demo.prg"
    expect_opened demo.prg
    ;;
  no-data)
    # Accepted, dropped, and the file never asked for: it cannot have it.
    start_target a "$title" mapped no-data
    run_ok "warning: the VICE window \"$title\" never asked for the dropped file"$'\n'"demo.prg: opened with xdg-open" \
      -f demo.asm -r -e
    wait_for "$work/a.drop"
    expect_opened demo.prg
    ;;
  descriptors)
    # Started with descriptors 3 to 1099 open, as a leaky IDE starts it:
    # waits on descriptors past FD_SETSIZE (1024) must still work.
    start_target a "$title" mapped answer
    launcher=(bash -c 'ulimit -n 4096 || exit 1
      for fd in $(seq 3 1099); do eval "exec $fd< /dev/null"; done
      exec "$@"' leaky)
    run_ok "$dropped" -f demo.asm -r -e
    expect_uri a "file://$work/run/demo.prg"
    expect_not_opened
    ;;
  slow-display)
    # A display 40 ms away (20 ms each way), with ten windows above VICE's:
    # what the line says is what arrived.
    start_target vice "$title" mapped answer
    for i in $(seq 10); do start_target "other$i" "Terminal $i" mapped answer; done
    python3 "$here/x11_delay_proxy.py" 60 "${DISPLAY#:}" 20 "$work/proxy" &
    pids+=($!)
    wait_for "$work/proxy"
    started=$(date +%s%N)
    DISPLAY=127.0.0.1:60 run_ok "$dropped" -f demo.asm -r -e
    elapsed_ms=$((($(date +%s%N) - started) / 1000000))
    echo "returned after $elapsed_ms ms"
    expect_uri vice "file://$work/run/demo.prg"
    expect_not_opened
    ;;
  bad-display)
    DISPLAY=:999 run_ok "$no_vice" -f demo.asm -r -e
    expect_opened demo.prg
    ;;
  *)
    fail "unknown case $case_name"
    ;;
esac
echo "PASS: $case_name"
