#!/usr/bin/env bash
# Fuzzes the settings file reader for a given number of seconds (default 60)
# and prints libFuzzer's figures. The corpus grows in build/fuzz/corpus; the
# small starting set is kept in tests/fuzz/corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

bash scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

mkdir -p build/fuzz/corpus build/fuzz/artifacts
cp -n tests/fuzz/corpus/* build/fuzz/corpus/ 2>/dev/null || true
log=build/fuzz/settings_parser_fuzz.log
set +e
build/fuzz/tests/fuzz/settings_parser_fuzz build/fuzz/corpus -max_total_time="$seconds" -max_len=4096 \
  -artifact_prefix=build/fuzz/artifacts/ -print_final_stats=1 >"$log" 2>&1
status=$?
set -e
grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==ERROR|SUMMARY)' "$log" || true
crashes=$(find build/fuzz/artifacts -type f | wc -l)
echo "fuzz: ${seconds} s, $(sed -nE 's/^stat::number_of_executed_units: *([0-9]+)/\1/p' "$log") executions, $crashes crashes (log: $log)"
exit "$status"
