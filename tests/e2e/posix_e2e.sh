#!/usr/bin/env bash
# End-to-end tests of the native tool against stand-in programs.
# Usage: posix_e2e.sh BRACKWIN CASE
# BRACKWIN_TEST_WRAPPER, when set, is a command that runs the tool (such as
# valgrind); a status of its own shows up as an unexpected status.
set -u
brackwin=$(realpath "$1")
case_name=$2
read -r -a launcher <<< "${BRACKWIN_TEST_WRAPPER:-}"
here=$(cd "$(dirname "$0")" && pwd)

unset DISPLAY
# shellcheck source=native_setup.sh
. "$here/native_setup.sh"

expect_assembled() {  # SOURCE
  expect_record "$java_record" -Xms256m -Xmx512m -jar "$KICKASS_PATH/KickAss.jar" "$1" \
    -showmem -afo
}

# Checks the detached opener's directory and file.
expect_opened() {  # DIRECTORY FILE
  wait_for "$BRACKWIN_TEST_OPEN_RECORD"
  expect_record "$BRACKWIN_TEST_OPEN_RECORD" "$@"
  rm -f "$BRACKWIN_TEST_OPEN_RECORD"
}

expect_not_opened() {
  sleep 0.3
  [ ! -e "$BRACKWIN_TEST_OPEN_RECORD" ] || fail "opener ran"
}

case $case_name in
  compile)
    run -f demo.asm -c
    expect 0 ""
    expect_assembled demo.asm
    # The switches match case-insensitively; the first -f wins.
    run -C -F first.asm -f second.asm
    expect 0 ""
    expect_assembled first.asm
    ;;
  assembler-status)
    BRACKWIN_TEST_JAVA_STATUS=3 run -f demo.asm -c
    expect 255 ""
    expect_assembled demo.asm
    BRACKWIN_TEST_JAVA_STATUS=1 run -f demo.asm -r
    expect 255 ""
    ;;
  missing-name)
    for args in "-c" "-c -f" "-r -e"; do
      # shellcheck disable=SC2086
      run $args
      expect 255 "no filename specified"$'\n'"usage: brackwin -f SOURCE [-c] [-r [-e]] [-d] [-q] | --check"$'\n'
      expect_no_java
    done
    run -f "" -c
    expect 255 "no filename specified"$'\n'"usage: brackwin -f SOURCE [-c] [-r [-e]] [-d] [-q] | --check"$'\n'
    expect_no_java
    ;;
  no-action)
    nothing="nothing to do: add -c to assemble, or -r to assemble and run (brackwin -h for help)"$'\n'
    for args in "-f demo.asm" "-f demo.asm -e"; do
      # shellcheck disable=SC2086
      run $args
      expect 255 "$nothing"
      expect_no_java
    done
    # Typos are named, with what was meant.
    run -f demo.asm -cr
    expect 255 "$nothing""warning: ignored: -cr (write -c -r)"$'\n'
    run -f demo.asm --run
    expect 255 "$nothing""warning: ignored: --run (the switches are -f, -c, -r, -e, -d, -q, --check, -h, --version)"$'\n'
    expect_no_java
    ;;
  kickass-path)
    KICKASS_PATH="/o'k \$(touch PWNED)" run -f demo.asm -c
    expect 0 "warning: KickAss.jar is not in KICKASS_PATH (/o'k \$(touch PWNED)): set it to the folder that holds KickAss.jar"$'\n'
    expect_record "$java_record" -Xms256m -Xmx512m -jar "/o'k \$(touch PWNED)/KickAss.jar" \
      demo.asm -showmem -afo
    # Unset, the reference stays as it is, as cmd.exe leaves it.
    (unset KICKASS_PATH; "$brackwin" -f demo.asm -c) || fail "status $?"
    expect_record "$java_record" -Xms256m -Xmx512m -jar "%KICKASS_PATH%/KickAss.jar" demo.asm \
      -showmem -afo
    [ ! -e PWNED ] || fail "a command in KICKASS_PATH ran"
    ;;
  hostile-names)
    # shellcheck source=hostile_names.sh
    . "$here/hostile_names.sh"
    # The stand-in must not create files named after hostile sources.
    export BRACKWIN_TEST_NO_PROGRAM=1
    for name in "${hostile_names[@]}"; do
      run -f "$name" -c
      expect 0 ""
      expect_assembled "$name"
    done
    ! compgen -G "PWNED*" > /dev/null || fail "a command in a file name ran"
    echo "${#hostile_names[@]} names passed"
    ;;
  open-absolute)
    run -f "$work/run/demo.asm" -r
    expect 0 "$work/run/demo.prg: opened with xdg-open"$'\n'
    expect_assembled "$work/run/demo.asm"
    expect_opened "$work/run" "$work/run/demo.prg"
    ;;
  open-relative)
    mkdir -p "src dir/a'b"
    run -f "src dir/a'b/demo.asm" -r -e
    expect 0 "src dir/a'b/demo.prg: no running VICE found (monitor at 127.0.0.1:6502); opened with xdg-open"$'\n'
    # The opener runs in the source's directory, with the program's full path.
    expect_opened "$work/run/src dir/a'b" "$work/run/src dir/a'b/demo.prg"
    run -f demo.asm -R
    expect 0 "demo.prg: opened with xdg-open"$'\n'
    expect_opened "$work/run" "demo.prg"
    ;;
  open-backslash)
    # Split as a separator, a backslash names no directory here: the opener
    # stays in the current one, with the program's full path.
    run -f 'odd\name.asm' -r
    expect 0 "odd\\name.prg: opened with xdg-open"$'\n'
    expect_opened "$work/run" "$work/run/odd\name.prg"
    ;;
  open-after-failure)
    BRACKWIN_TEST_JAVA_STATUS=2 run -f "$work/run/demo.asm" -r
    expect 255 ""
    expect_assembled "$work/run/demo.asm"
    expect_not_opened
    ;;
  open-too-long)
    # A name with no room for ".prg" within NAME_MAX: refused before the
    # assembler runs.
    long=$(printf '%0252d' 0)
    run -f "$long.asm" -r
    expect 255 "path too long: the program's file name is 256 bytes, at most 255 can be launched"$'\n'
    expect_no_java
    expect_not_opened
    ;;
  open-deep)
    # A folder of 273 bytes, as POSIX allows and editors pass it.
    deep="$work/run/$(printf 'a%.0s' $(seq 130))/$(printf 'b%.0s' $(seq 130))"
    mkdir -p "$deep"
    run -f "$deep/demo.asm" -r
    expect 0 "$deep/demo.prg: opened with xdg-open"$'\n'
    expect_opened "$deep" "$deep/demo.prg"
    ;;
  program-missing)
    # The assembler succeeded but wrote no program where we look.
    BRACKWIN_TEST_NO_PROGRAM=1 run -f demo.asm -r
    expect 255 "program not found: demo.prg"$'\n'
    expect_not_opened
    # Nor now, and one from an earlier build lies there.
    touch -d '1 hour ago' demo.prg
    BRACKWIN_TEST_NO_PROGRAM=1 run -f demo.asm -r
    expect 255 "demo.prg was not written by this build (does the source write another file?)"$'\n'
    expect_not_opened
    ;;
  opener-missing)
    rm "$work/bin/xdg-open"
    launcher=(env PATH="$work/bin")
    run -f demo.asm -r
    expect 255 "cannot start xdg-open to open demo.prg (Debian: install xdg-utils)"$'\n'
    ;;
  opener-fails)
    # Status 4: it could not start what the association names, and with no
    # association in this empty home, the line says so.
    HOME=$work XDG_DATA_HOME=$work/none XDG_DATA_DIRS=$work/none \
      BRACKWIN_TEST_OPENER_STATUS=4 run -f demo.asm -r
    expect 255 "xdg-open could not start the application for demo.prg (status 4), and xdg-mime names none: install the association (see the README)"$'\n'
    # Status 3 without a desktop session: no association, and no window,
    # was looked for.
    BRACKWIN_TEST_OPENER_STATUS=3 run -f demo.asm -r -e
    expect 255 "no running VICE found (monitor at 127.0.0.1:6502)"$'\n'"xdg-open could not open demo.prg: DISPLAY and WAYLAND_DISPLAY are unset, and without a desktop session it asks no association"$'\n'
    ;;
  opener-stays)
    # An opener that runs on, with no association to tell what it starts:
    # at the deadline the line says what is known, claims nothing and fails
    # nothing, and the opener runs on.
    started=$(date +%s%N)
    HOME=$work XDG_DATA_HOME=$work/none XDG_DATA_DIRS=$work/none \
      BRACKWIN_TEST_OPENER_SLEEP=5 BRACKWIN_TEST_OPENER_STATUS=4 run -f demo.asm -r
    elapsed_ms=$((($(date +%s%N) - started) / 1000000))
    expect 0 "warning: xdg-open still runs after 3 s, and what it starts is not known; demo.prg may not open"$'\n'
    [ "$elapsed_ms" -lt 3800 ] || fail "took $elapsed_ms ms"
    opener=$(cat "$BRACKWIN_TEST_OPEN_RECORD.pid")
    pids+=("$opener")
    kill -0 "$opener" || fail "the opener is gone"
    expect_opened "$work/run" demo.prg
    echo "returned after $elapsed_ms ms"
    ;;
  other-user)
    # Another user's listener on the monitor's port, over IPv4 and over
    # IPv6's dual stack (listed only in /proc/net/tcp6): sent nothing.
    # The system's python3, which the other user can run.
    setpriv --reuid=65534 --regid=65534 --clear-groups /usr/bin/python3 -c '' \
      2> /dev/null ||
      skip "no other uid to run a listener as (a user namespace maps only root)"
    # A folder that the other user can write to.
    chmod 711 "$work"
    mkdir -m 1777 "$work/other"
    for family in AF_INET AF_INET6; do
      rm -f "$work/other/received"
      setpriv --reuid=65534 --regid=65534 --clear-groups /usr/bin/python3 -c '
import socket, sys
family = getattr(socket, sys.argv[1])
server = socket.socket(family)
if family == socket.AF_INET6:
    server.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 0)
server.bind(("127.0.0.1" if family == socket.AF_INET else "::", 6502))
server.listen()
open(sys.argv[2] + ".up", "w").close()
connection, _ = server.accept()
open(sys.argv[2], "wb").write(connection.recv(4096))
'  "$family" "$work/other/received" &
      pids+=($!)
      wait_for "$work/other/received.up"
      rm -f "$work/other/received.up"
      run -f demo.asm -r -e
      expect 0 "warning: the monitor on 127.0.0.1:6502 belongs to another user (uid 65534); nothing was sent to it"$'\n'"demo.prg: opened with xdg-open"$'\n'
      [ ! -s "$work/other/received" ] ||
        fail "$family: the listener was sent $(cat "$work/other/received")"
      kill "${pids[-1]}"
    done
    ;;
  sigchld-ignored)
    # A caller that ignores SIGCHLD hands that on through exec.
    launcher=(perl -e '$SIG{CHLD} = "IGNORE"; exec @ARGV or die')
    run -f demo.asm -r
    expect 0 "demo.prg: opened with xdg-open"$'\n'
    expect_opened "$work/run" demo.prg
    ;;
  *)
    fail "unknown case $case_name"
    ;;
esac
echo "PASS: $case_name"
