# Helpers shared by the end-to-end scripts, which source this file after
# setting `work` (their scratch folder), `launcher` (the command that runs the
# tool, as an array), `brackwin` and `java_record` (java's record, as a
# path of this host).

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

skip() {
  echo "SKIP: $*"
  exit 77
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

# Starts Xvfb on a free display number and exports DISPLAY. The server is
# ended with the processes in `pids`. The number is picked here, not by
# -displayfd: that probes numbers by binding their sockets, and in a network
# namespace of its own (each test has one) the abstract socket is always
# free, so two tests could take one number; the server's lock file, which
# it takes first for a number given to it, is shared by all.
start_display() {
  command -v Xvfb > /dev/null || { echo "Xvfb is not installed" >&2; return 1; }
  local number server
  for number in $(shuf -i 100-899 -n 20); do
    Xvfb ":$number" -nolisten tcp -screen 0 800x600x24 > /dev/null 2>&1 &
    server=$!
    for _ in $(seq 100); do
      kill -0 "$server" 2> /dev/null || break  # The number was taken.
      # The display must be this server's: one of another test (in a
      # network namespace of its own, but with the same socket folder) may
      # answer on that number while this one is about to give up on it.
      # Xvfb writes its pid into the number's lock file.
      if [ "$(tr -dc 0-9 2> /dev/null < "/tmp/.X$number-lock")" = "$server" ] &&
        xwininfo -root -display ":$number" > /dev/null 2>&1; then
        pids+=("$server")
        export DISPLAY=":$number"
        return 0
      fi
      sleep 0.05
    done
    kill "$server" 2> /dev/null
    wait "$server" 2> /dev/null
  done
  echo "Xvfb did not start" >&2
  return 1
}
