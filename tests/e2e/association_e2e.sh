#!/usr/bin/env bash
# The README's recipe for opening .prg files with VICE on Linux, tried with
# the real xdg-open (Debian's xdg-utils): the commands are taken from the
# README and run for a temporary user; the installed desktop entry then runs
# a stand-in emulator, which `brackwin -f demo.asm -r` must reach.
# Usage: association_e2e.sh BRACKWIN README
set -u
brackwin=$(realpath "$1")
readme=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)

for tool in xdg-open xdg-mime update-mime-database; do
  command -v "$tool" > /dev/null || { echo "no $tool: skipped"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/home" "$work/src dir" "$work/kickass"
touch "$work/kickass/KickAss.jar"
cp "$here/stand-ins/java" "$work/bin/"
export PATH="$work/bin:$PATH" HOME="$work/home"
export XDG_DATA_HOME="$HOME/.local/share" XDG_CONFIG_HOME="$HOME/.config"
export BRACKWIN_TEST_RECORD="$work/java.args" KICKASS_PATH="$work/kickass"
# xdg-open asks the desktop's MIME defaults only where there is a display;
# none is opened here.
export DISPLAY=:0
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The block after the marker in the README, run from the project's top.
recipe=$(sed -n '/<!-- linux-association -->/,/^```$/p' "$readme" |
  sed '1,2d;$d')
[ -n "$recipe" ] || fail "no recipe in the README"
echo "$recipe"
(cd "$(dirname "$readme")" && bash -e -c "$recipe") || fail "the recipe failed"

# The desktop entry, pointed at a stand-in that records where it ran.
entry="$XDG_DATA_HOME/applications/brackwin-x64sc.desktop"
[ -f "$entry" ] || fail "no desktop entry installed"
printf '#!/bin/sh\nprintf "%%s\\n" "$PWD" "$@" > "%s/emulator.rec"\n' "$work" \
  > "$work/emulator"
chmod +x "$work/emulator"
sed -i "s|^Exec=x64sc |Exec=$work/emulator |" "$entry"
grep -q "^Exec=$work/emulator %f$" "$entry" || fail "unexpected Exec line"

cd "$work/src dir" || exit 1
"$brackwin" -f demo.asm -r > "$work/out" || fail "status $?: $(cat "$work/out")"
for _ in $(seq 100); do
  [ -f "$work/emulator.rec" ] && break
  sleep 0.05
done
expected=$(printf '%s\n' "$work/src dir" demo.prg)
[ "$(cat "$work/emulator.rec" 2> /dev/null)" = "$expected" ] ||
  fail "the emulator got: $(cat "$work/emulator.rec" 2> /dev/null)"

# A program that fails after more than a second: xdg-open runs it in the
# foreground and exits 4, which the tool waits for.
printf '#!/bin/sh\nsleep 1.5\nexit 1\n' > "$work/slow-fail"
chmod +x "$work/slow-fail"
sed -i "s|^Exec=$work/emulator |Exec=$work/slow-fail |" "$entry"
"$brackwin" -f demo.asm -r > "$work/out" && fail "succeeded: $(cat "$work/out")"
grep -qF "xdg-open could not start the application for demo.prg (status 4); the .prg association runs $work/slow-fail (brackwin-x64sc.desktop): run \"$work/slow-fail demo.prg\"" "$work/out" ||
  fail "said: $(cat "$work/out")"

# One that stays, on a display that has no server: it runs, and no window
# of it can show; the line says so, and claims nothing.
printf '#!/usr/bin/python3\nimport time\ntime.sleep(30)\n' > "$work/stays"
chmod +x "$work/stays"
sed -i "s|^Exec=$work/slow-fail |Exec=$work/stays |" "$entry"
"$brackwin" -f demo.asm -r > "$work/out" || fail "status $?: $(cat "$work/out")"
grep -qE "^warning: $work/stays \(pid ([0-9]+)\) runs, but no window of it appeared on the X display :0 within 3 s; demo.prg may not open\$" "$work/out" ||
  fail "said: $(cat "$work/out")"
kill "$(sed -E 's/.*\(pid ([0-9]+)\).*/\1/' "$work/out")"
sed -i "s|^Exec=$work/stays |Exec=$work/emulator |" "$entry"

# An entry whose program is not installed: the real xdg-open fails with
# status 4, and the line names what the association runs.
sed -i "s|^Exec=$work/emulator |Exec=$work/gone/x64sc |" "$entry"
"$brackwin" -f demo.asm -r > "$work/out" && fail "succeeded: $(cat "$work/out")"
[ "$(cat "$work/out")" = "xdg-open could not start the application for demo.prg (status 4); the .prg association runs $work/gone/x64sc (brackwin-x64sc.desktop), which is not installed: install it, or fix the association (see the README)" ] ||
  fail "said: $(cat "$work/out")"
echo "PASS"
