#!/usr/bin/env bash
# End-to-end tests of the Windows exe under Wine, against stand-in programs
# built by the test suite.
# Usage: wine_e2e.sh WINE_RUN BITS BRACKWIN_EXE HELPER_DIR CASE
set -u
wine_run=$1
bits=$2
brackwin=$3
helpers=$4
case_name=$5
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/java bin" "$work/src dir"
# Java in a folder whose name holds a space, as under C:\Program Files.
cp "$helpers/fake_java.exe" "$work/java bin/java.exe"

# A Unix path as Wine's drive Z: sees it.
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

export WINEPATH
WINEPATH="$(winpath "$work/java bin");$(winpath "$work/bin")"
export BRACKWIN_TEST_RECORD BRACKWIN_TEST_OPEN_RECORD BRACKWIN_TEST_DROP_RECORD
export BRACKWIN_TEST_READY_RECORD BRACKWIN_TEST_MONITOR_RECORD
export BRACKWIN_TEST_PID_RECORD
BRACKWIN_TEST_RECORD=$(winpath "$work/java.rec")
BRACKWIN_TEST_OPEN_RECORD=$(winpath "$work/open.rec")
BRACKWIN_TEST_DROP_RECORD=$(winpath "$work/drop.rec")
BRACKWIN_TEST_READY_RECORD=$(winpath "$work/ready.rec")
BRACKWIN_TEST_MONITOR_RECORD=$(winpath "$work/monitor.rec")
BRACKWIN_TEST_PID_RECORD=$(winpath "$work/pid.rec")
mkdir "$work/kick ass" && touch "$work/kick ass/KickAss.jar"
KICKASS_PATH=$(winpath "$work/kick ass")
export KICKASS_PATH

# Software emulation (the 32-bit guest without KVM) runs programs several
# times slower: the lifetimes of the stand-in windows scale with it.
scale=${BRACKWIN_TEST_TIME_SCALE:-1}
launcher=("$wine_run" "$bits")
program=$(winpath "$work/src dir/demo.prg")
dropped="$program: dropped onto the VICE window"
java_record=$work/java.rec
# shellcheck source=common.sh
. "$here/common.sh"

# Wine itself must work here; otherwise the case is skipped (77).
"$wine_run" "$bits" "$helpers/fake_java.exe" || {
  status=$?
  [ "$status" = 77 ] && exit 77
  fail "Wine cannot run the stand-in ($status)"
}

# Checks java's raw command line and arguments for the source SOURCE: the
# java of the PATH ran, by its full path.
java_exe=$(winpath "$work/java bin/java.exe")
expect_assembled() {  # SOURCE
  expect_record "$work/java.rec" \
    "\"$java_exe\" -Xms256m -Xmx512m -jar \"$KICKASS_PATH/KickAss.jar\" \"$1\" -showmem -afo" \
    -Xms256m -Xmx512m -jar "$KICKASS_PATH/KickAss.jar" "$1" -showmem -afo
}

register_opener() {
  cp "$helpers/fake_opener.exe" "$work/bin/"
  # Wine reads file associations from HKEY_CLASSES_ROOT only.
  "$wine_run" "$bits" reg add 'HKCR\.prg' /ve /d brackwin.test.prg /f \
    > /dev/null || fail "reg add"
  "$wine_run" "$bits" reg add 'HKCR\brackwin.test.prg\shell\open\command' \
    /ve /d "\"$(winpath "$work/bin/fake_opener.exe")\" \"%1\"" /f \
    > /dev/null || fail "reg add"
}

# Starts fake emulator windows (see fake_emulator.cpp) and waits for them;
# `vice` is then what a drop onto one of them names: its Windows process.
start_emulators() {  # [!]TITLE...
  rm -f "$work/ready.rec" "$work/drop.rec"
  "$wine_run" "$bits" "$helpers/fake_emulator.exe" "$@" &
  emulator=$!
  wait_for "$work/ready.rec"
  vice="(pid $(tr -d '\0' < "$work/pid.rec"))"
}

expect_dropped_on() {  # TITLE
  wait "$emulator"
  expect_record "$work/drop.rec" "$1"
}

case $case_name in
  compile)
    # The exe that runs here is the build of this width: i386 for 32 bits.
    pe=$(od -An -tu4 -j60 -N4 "$brackwin" | tr -d ' ')
    machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$brackwin" | tr -d ' ')
    [ "$machine" = "$(if [ "$bits" = 32 ]; then echo 014c; else echo 8664; fi)" ] ||
      fail "$brackwin is a PE for the machine $machine, not a $bits-bit one"
    run -f 'C:\src\demo.asm' -c
    expect 0 ""
    expect_assembled 'C:\src\demo.asm'
    run -f 'C:\My Files\demo.asm' -C
    expect 0 ""
    expect_assembled 'C:\My Files\demo.asm'
    ;;
  assembler-status)
    BRACKWIN_TEST_JAVA_STATUS=3 run -f demo.asm -c
    expect 255 ""
    expect_assembled demo.asm
    BRACKWIN_TEST_JAVA_STATUS=0 run -f demo.asm -c
    expect 0 ""
    ;;
  refusals)
    run -c
    expect 255 $'no filename specified\r\nusage: brackwin -f SOURCE [-c] [-r [-e]] [-d] [-q] | --check\r\n'
    expect_no_java
    run -f demo.asm
    expect 255 $'nothing to do: add -c to assemble, or -r to assemble and run (brackwin -h for help)\r\n'
    run -f $'a\tb.asm' -c
    expect 255 $'invalid filename: a\tb.asm\r\n'
    expect_no_java
    ;;
  hostile-names)
    # shellcheck source=hostile_names.sh
    . "$here/hostile_names.sh"
    export BRACKWIN_TEST_NO_PROGRAM=1
    count=0
    for name in "${hostile_names[@]}"; do
      # Left out: what a Windows file name cannot hold (" * ? < > | and
      # control bytes), what the ANSI code page cannot hold (non-ASCII), a
      # trailing backslash, which the runtime's quoting of Wine's own command
      # line takes apart, and %NAME% references, which cmd.exe expands even
      # inside quotes.
      case $name in
        *[\"*?\<\>\|]* | *[$'\t\n']* | *[![:ascii:]]* | *\\ | *%*%*) continue ;;
      esac
      run -f "$name" -c
      expect 0 ""
      expect_assembled "$name"
      count=$((count + 1))
    done
    [ "$count" -ge 20 ] || fail "only $count names ran"
    echo "$count names passed"
    ;;
  best-fit)
    # Wine's ANSI code page follows the locale: 1252 here. Windows would
    # hand the tool Lódz.asm for Łódź.asm ("best fit"), a file that exists.
    export LANG=C.UTF-8 LC_ALL=C.UTF-8
    touch "$work/src dir/Lódz.asm"
    cd "$work/src dir" || fail "no folder"
    run -f Łódź.asm -r
    expect 255 "the command line holds characters outside code page 1252: rename the file, or turn on Windows' UTF-8 option for worldwide language support"$'\r\n'
    expect_no_java
    # What the code page holds reaches java as its bytes: ü is 0xFC, ß 0xDF.
    run -f Grüße.asm -c
    expect 0 ""
    expect_assembled "$(printf 'Gr\xfc\xdfe.asm')"
    KICKASS_PATH='Z:\Łódź' run -f demo.asm -c
    expect 0 "warning: KICKASS_PATH holds characters outside code page 1252, which java cannot read: put KickAss.jar in a folder whose name the code page holds"$'\r\n'
    ;;
  cmd-names)
    # cmd.exe would turn %OS% into Windows_NT, even inside quotes: the name
    # is refused, and no other file is assembled. A % that names nothing
    # reaches java whole.
    cd "$work/src dir" || fail "no folder"
    touch Windows_NT.asm
    run -f "%OS%.asm" -c
    expect 255 "invalid filename: cmd.exe would replace %OS% in it; rename the file"$'\r\n'
    expect_no_java
    run -f "%OS:~0,3%.asm" -r
    expect 255 "invalid filename: cmd.exe would replace %OS:~0,3% in it; rename the file"$'\r\n'
    expect_no_java
    run -f "50%.asm" -c
    expect 0 ""
    expect_assembled "50%.asm"
    ;;
  cmd-switches)
    # The system's cmd.exe runs the command with AutoRun and delayed
    # expansion off (Wine's cmd heeds neither setting, but the line that
    # starts it shows them), and with /S, which strips the command's outer
    # quotes: java still gets a name with ! and ^ whole.
    WINEDEBUG=+process run -f 'a!b^c.asm' -c 2> "$work/trace"
    expect 0 ""
    expect_assembled 'a!b^c.asm'
    grep -q 'system32\\\\cmd.exe\\" /D /V:OFF /S /C \\"' "$work/trace" ||
      fail "cmd.exe started otherwise: $(grep -i 'cmd.exe' "$work/trace" | head -n 3)"
    ;;
  console)
    # No arguments, as from a double click, but with no console of its own:
    # nothing may wait for a person.
    timeout 30 "$wine_run" "$bits" "$brackwin" > "$work/out"
    [ $? = 255 ] || fail "status $? without arguments"
    # Written to a file, a name keeps the bytes of the ANSI code page
    # (1252 here): é is 0xE9.
    export LANG=C.UTF-8 LC_ALL=C.UTF-8
    run -f é.asm x -c
    expect 0 "$(printf 'warning: ignored: x (a name with spaces needs double quotes: -f "\xe9.asm x")')"$'\r\n'
    ;;
  java-bat)
    # A java.bat in the current folder, as any cloned project could hold,
    # must not run: the java of the PATH does.
    cd "$work/src dir" || fail "no folder"
    printf '@echo ran> "%s"\r\n' "$(winpath "$work/bat.ran")" > java.bat
    run -f demo.asm -c
    expect 0 ""
    expect_assembled demo.asm
    [ ! -e "$work/bat.ran" ] || fail "java.bat ran"
    ;;
  nppexec)
    # The Notepad++ script that ships, its command filled in as NppExec
    # fills it in, run through cmd with brackwin on the PATH. The line goes
    # in a batch file: given as an argument, Wine would escape its quotes.
    cp "$brackwin" "$work/bin/brackwin.exe"
    register_opener
    script="$here/../../dist/editors/notepad++/brackwin.nppexec"
    [ "$(head -n 1 "$script" | tr -d '\r')" = NPP_SAVE ] || fail "it does not save first"
    source=$(winpath "$work/src dir/demo.asm")
    line=$(sed -n 2p "$script" | tr -d '\r')
    line=${line//'$(FULL_CURRENT_PATH)'/$source}
    printf '%s\r\n' "$line" > "$work/npp.bat"
    "$wine_run" "$bits" cmd /c "$(winpath "$work/npp.bat")" > "$work/out" ||
      fail "status $?: $(cat "$work/out")"
    expect_assembled "$source"
    wait_for "$work/open.rec"
    ;;
  kickass-path)
    KICKASS_PATH='Z:\kick & ass (1)' run -f demo.asm -c
    expect 0 "warning: KickAss.jar is not in KICKASS_PATH (Z:\kick & ass (1)): set it to the folder that holds KickAss.jar"$'\r\n'
    KICKASS_PATH='Z:\kick & ass (1)' expect_assembled demo.asm
    # Quotes in the value (setx KICKASS_PATH "\"C:\...\"") are warned
    # about, and the command is still the same.
    quoted="\"$KICKASS_PATH\""
    KICKASS_PATH=$quoted run -f demo.asm -c
    expect 0 "warning: KICKASS_PATH holds a double quote ($quoted): set it to the folder without quotes"$'\r\n'
    [ "$(tr '\0' '\n' < "$java_record" | head -n 1)" = \
      "\"$java_exe\" -Xms256m -Xmx512m -jar \"$quoted/KickAss.jar\" \"demo.asm\" -showmem -afo" ] ||
      fail "java ran as: $(tr '\0' '|' < "$java_record")"
    ;;
  drop)
    title="VICE: C64 emulator at 100% speed, 50 fps"
    start_emulators "$title" "!$title"
    expect_record "$work/ready.rec" "!$title" "$title"
    register_opener
    run -f "$(winpath "$work/src dir/demo.asm")" -r -e
    expect 0 "$dropped \"$title\" $vice"$'\r\n'
    expect_dropped_on "$title"
    [ ! -e "$work/open.rec" ] || fail "the shell opened the program too"
    ;;
  no-drops)
    # A VICE window that does not take dropped files, on top of one that
    # does: the drop goes below. Alone, it gets a warning, and the shell
    # opens the program.
    title="VICE (C64SC)"
    start_emulators "$title" "~$title"
    register_opener
    run -f "$(winpath "$work/src dir/demo.asm")" -r -e
    expect 0 "$dropped \"$title\" $vice"$'\r\n'
    expect_dropped_on "$title"
    BRACKWIN_TEST_EMULATOR_WAIT_MS=$((1000 * scale)) start_emulators "~$title"
    run -f "$(winpath "$work/src dir/demo.asm")" -r -e
    expect 0 "warning: the VICE window \"$title\" does not take dropped files"$'\r\n'"$program: opened with ShellExecute"$'\r\n'
    expect_dropped_on timeout
    ;;
  hung)
    # An emulator that handles no message for 2 s is not served: the drop
    # would wait in its queue while the tool reported success. It gets
    # nothing, and the shell opens the program.
    BRACKWIN_TEST_EMULATOR_HANG_MS=$((2000 * scale)) \
      BRACKWIN_TEST_EMULATOR_WAIT_MS=$((500 * scale)) \
      start_emulators "VICE (C64SC)"
    register_opener
    started=$(date +%s%N)
    run -f "$(winpath "$work/src dir/demo.asm")" -r -e
    elapsed_ms=$((($(date +%s%N) - started) / 1000000))
    expect 0 "warning: the VICE window \"VICE (C64SC)\" is not responding"$'\r\n'"$program: opened with ShellExecute"$'\r\n'
    echo "returned after $elapsed_ms ms"
    [ "$elapsed_ms" -lt $((2500 * scale)) ] || fail "waited for the emulator: $elapsed_ms ms"
    wait_for "$work/open.rec"
    wait "$emulator"
    expect_record "$work/drop.rec" timeout
    ;;
  titles)
    # Each C64 window of today's VICE, below its neighbours that are not.
    for title in "VICE (C64SC)" "VICE (C64)" \
        'VICE: C64 (x64sc), press "F12" for the menu.' \
        "VICE: C64 at 100% speed, 50 fps"; do
      start_emulators "$title" "VICE (C64DTV)" "VICE (C128)" "VICE monitor" \
        "C64 Settings" "VICE (SCPU64)"
      run -f "$(winpath "$work/src dir/demo.asm")" -r -e
      expect 0 "$dropped \"$title\" $vice"$'\r\n'
      expect_dropped_on "$title"
    done
    ;;
  monitor | monitor-slow | monitor-malformed | monitor-error)
    # The slow monitor answers the autostart after the tool's cap of 1 s,
    # the malformed one in a frame that is not the monitor's: either way the
    # program was handed on, and no other route may deliver it again. An
    # error answer delivered nothing: the window gets the program.
    case $case_name in
      monitor-slow) export BRACKWIN_TEST_MONITOR_DELAY=1300 ;;
      monitor-malformed) export BRACKWIN_TEST_MONITOR_MALFORMED=1 ;;
      monitor-error) export BRACKWIN_TEST_MONITOR_ERROR=143 ;;
    esac
    "$wine_run" "$bits" "$helpers/fake_monitor.exe" &
    monitor=$!
    wait_for "$work/ready.rec"
    start_emulators "VICE (C64SC)"
    register_opener
    run -f "$(winpath "$work/src dir/demo.asm")" -r -e
    # Wine's TCP table names no process for a listener.
    unknown="warning: the system does not say whose the listener on 127.0.0.1:6502 is; it is taken for your VICE"$'\r\n'
    case $case_name in
      monitor) expect 0 "$unknown$program: autostarted in VICE through its monitor"$'\r\n' ;;
      monitor-slow) expect 0 "${unknown}warning: VICE's monitor took $program but did not confirm it within 1 s"$'\r\n' ;;
      monitor-malformed) expect 0 "${unknown}warning: VICE's monitor took $program but its answer could not be read"$'\r\n' ;;
      monitor-error) expect 0 "${unknown}warning: VICE's monitor refused $program (error 0x8f)"$'\r\n'"$dropped \"VICE (C64SC)\" $vice"$'\r\n' ;;
    esac
    wait "$monitor" || fail "the monitor saw no request"
    # The machine check, a resource-get (0x51) of C64_256Kbase, then the
    # autostart (0xdd) of the program's full path, run flag 1, index 0.
    printf '\x02\x01\x0d\0\0\0mwrb\x51\x0cC64_256Kbase\0' > "$work/expected"
    printf '\x02\x01%b\0\0\0nwrb\xdd\x01\0\0%b%s\0' \
      "\\x$(printf %02x $((4 + ${#program})))" \
      "\\x$(printf %02x ${#program})" "$program" >> "$work/expected"
    cmp "$work/expected" "$work/monitor.rec" || fail "requests differ"
    if [ "$case_name" = monitor-error ]; then
      expect_dropped_on "VICE (C64SC)"
    else
      # Delivered once: neither the window nor the shell got it.
      kill "$emulator"
      [ ! -e "$work/drop.rec" ] || fail "dropped as well"
    fi
    [ ! -e "$work/open.rec" ] || fail "opened as well"
    ;;
  open)
    register_opener
    source=$(winpath "$work/src dir/demo.asm")
    run -f "$source" -r -e
    expect 0 "$program: no running VICE found (monitor at 127.0.0.1:6502, C64 window); opened with ShellExecute"$'\r\n'
    expect_assembled "$source"
    wait_for "$work/open.rec"
    expect_record "$work/open.rec" "$(winpath "$work/src dir")" \
      "\"$(winpath "$work/bin/fake_opener.exe")\" \"$program\"" "$program"
    ;;
  opened-program-fails)
    # The program the shell started exits at once with an error: a failure
    # that names it and its code.
    register_opener
    BRACKWIN_TEST_OPENER_STATUS=3 run -f "$(winpath "$work/src dir/demo.asm")" -r
    expect 255 "ShellExecute started $(winpath "$work/bin/fake_opener.exe") for $program, and it exited at once with code 3: run it by hand to see its message"$'\r\n'
    ;;
  no-association)
    "$wine_run" "$bits" reg delete 'HKCR\.prg' /f > /dev/null 2>&1
    run -f "$(winpath "$work/src dir/demo.asm")" -r
    expect 255 "no application is associated with .prg files: open one with \"Open with\", choose x64sc and \"Always\" (see the README)"$'\r\n'
    # An association whose emulator was moved away (a VICE folder of an
    # older version, say).
    register_opener
    rm "$work/bin/fake_opener.exe"
    run -f "$(winpath "$work/src dir/demo.asm")" -r
    expect 255 "the application associated with .prg files, $(winpath "$work/bin/fake_opener.exe"), was not found: fix the association (see the README)"$'\r\n'
    # Unquoted, with a space in its folder: the program is what
    # CreateProcess would run, not the command's first word.
    mkdir -p "$work/bin dir"
    cp "$helpers/fake_opener.exe" "$work/bin dir/"
    "$wine_run" "$bits" reg add 'HKCR\brackwin.test.prg\shell\open\command' \
      /ve /d "$(winpath "$work/bin dir/fake_opener") %1" /f > /dev/null ||
      fail "reg add"
    run --check
    grep -qF ".prg association: found, $(winpath "$work/bin dir/fake_opener.exe") (" \
      "$work/out" || fail "association not split at the program: $(cat "$work/out")"
    ;;
  open-after-failure)
    register_opener
    touch "$work/src dir/demo.prg"  # A stale program from an earlier run.
    BRACKWIN_TEST_JAVA_STATUS=3 run -f "$(winpath "$work/src dir/demo.asm")" -r
    expect 255 ""
    sleep 1
    [ ! -e "$work/open.rec" ] || fail "opened after a failed assembly"
    ;;
  *)
    fail "unknown case $case_name"
    ;;
esac
echo "PASS: $case_name"
