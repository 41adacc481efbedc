#!/usr/bin/env bash
# Fuzzes the program's readers of outside input with libFuzzer (clang, ASan +
# UBSan) and prints libFuzzer's figures.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
# Each target runs for SECONDS (default 60). Targets: settings_parser_fuzz
# (path.txt), command_line_fuzz (ResoLaunch's command line) and
# options_file_fuzz (ResoLaunch.ini); all by default. Corpora grow in build/fuzz/corpus/TARGET from the starting sets in
# tests/fuzz/corpus/TARGET. Exits non-zero when a target crashed.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
seconds=${1:-60}
shift $(($# > 0 ? 1 : 0))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(settings_parser_fuzz command_line_fuzz options_file_fuzz)

bash scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

status=0
for target in "${targets[@]}"; do
  corpus=build/fuzz/corpus/$target
  artifacts=build/fuzz/artifacts/$target
  mkdir -p "$corpus" "$artifacts"
  cp -n "tests/fuzz/corpus/$target"/* "$corpus/" 2>/dev/null || true
  log=build/fuzz/$target.log
  set +e
  "build/fuzz/tests/fuzz/$target" "$corpus" -max_total_time="$seconds" -max_len=4096 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 >"$log" 2>&1
  result=$?
  set -e
  [ "$result" -eq 0 ] || status=$result
  grep -E '^(#[0-9]+.*DONE|stat::peak_rss_mb|==[0-9]+==ERROR|SUMMARY)' "$log" || true
  crashes=$(find "$artifacts" -type f | wc -l)
  echo "fuzz: $target, ${seconds} s, $(sed -nE 's/^stat::number_of_executed_units: *([0-9]+)/\1/p' "$log")" \
    "executions, $crashes crashes (log: $log)"
done
exit "$status"
