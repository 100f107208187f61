#!/usr/bin/env bash
# Runs every fuzz target for SECONDS each, from the seed corpus in the
# repository (new inputs go to a scratch copy), and reports the executions.
# Usage: tests/fuzz/run.sh BUILD_DIR SECONDS
set -euo pipefail
build=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for target in command_line monitor_response path_parts posix_quote vice_symbols; do
  mkdir -p "$scratch/$target"
  cp "$here/corpus/$target/"* "$scratch/$target/"
  if ! "$build/tests/fuzz/${target}_fuzzer" -max_total_time="$seconds" \
      -print_final_stats=1 -artifact_prefix="$scratch/" \
      "$scratch/$target" > "$scratch/$target.log" 2>&1; then
    tail -n 40 "$scratch/$target.log"
    echo "fuzz: $target found a failure; reproducer:" "$scratch"/crash-* >&2
    exit 1
  fi
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' \
    "$scratch/$target.log")
  echo "fuzz: $target: $executions executions in $seconds s, no failure"
done
