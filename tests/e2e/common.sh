# Helpers shared by the end-to-end scripts, which source this file after
# setting `work` (their scratch folder), `launcher` (the command that runs the
# tool, as an array), `brackwin` and `java_record` (java's record, as a
# path of this host).

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Runs the tool with the given switches; sets `out` (standard output,
# exact) and `status`.
run() {
  rm -f "$java_record"
  "${launcher[@]}" "$brackwin" "$@" > "$work/out"
  status=$?
  out=$(cat "$work/out"; printf x)
  out=${out%x}
}

expect() {  # STATUS OUTPUT
  [ "$status" = "$1" ] || fail "status $status, expected $1 (output: $out)"
  [ "$out" = "$2" ] || fail "output '$out', expected '$2'"
}

expect_no_java() {
  [ ! -e "$java_record" ] || fail "java ran"
}

# Waits up to 10 s for FILE, which a detached program writes.
wait_for() {  # FILE
  for _ in $(seq 100); do
    [ -f "$1" ] && return 0
    sleep 0.1
  done
  fail "$(basename "$1") did not appear"
}

# Checks a record of NUL-ended fields against the given fields.
expect_record() {  # FILE FIELD...
  local file=$1
  shift
  [ -f "$file" ] || fail "no record $(basename "$file")"
  printf '%s\0' "$@" > "$work/expected"
  cmp -s "$work/expected" "$file" ||
    fail "$(basename "$file"): $(tr '\0' '|' < "$file")" \
      "expected: $(tr '\0' '|' < "$work/expected")"
}

# Starts Xvfb on a free display number, which it writes when ready, and
# exports DISPLAY. The server is ended with the processes in `pids`.
start_display() {
  command -v Xvfb > /dev/null || { echo "Xvfb is not installed" >&2; return 1; }
  Xvfb -displayfd 3 -nolisten tcp -screen 0 800x600x24 3> "$work/display" \
    2> /dev/null &
  pids+=($!)
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
  done
  [ -s "$work/display" ] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$(cat "$work/display")"
}
