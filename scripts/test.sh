#!/usr/bin/env bash
# Runs every test: the portable core's unit tests natively (ASan + UBSan), the
# same tests cross-built for Windows under Wine, and the end-to-end tests of
# ResoLaunch.exe in a Wine virtual desktop under a private Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

passed=0
failed=0
count() { passed=$((passed + $1)); failed=$((failed + $2)); }

echo "== native unit tests (ASan + UBSan)"
cmake --preset native >/dev/null
cmake --build --preset native
set +e
ctest --preset native 2>&1 | tee build/native/ctest.log | grep -vE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed'
set -e
summary=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' build/native/ctest.log || true)
if [ -z "$summary" ]; then
  echo "ctest printed no summary" >&2
  count 0 1
else
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
  bad=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$summary")
  count $((total - bad)) "$bad"
fi

echo "== Windows build (mingw-w64)"
cmake --preset mingw >/dev/null
cmake --build --preset mingw

echo "== unit tests of the Windows build, under Wine"
source scripts/lib/wine.sh
start_wine
log=build/mingw/unit-tests-wine.log
# To a file, not a pipe: Wine's background services would hold a pipe open.
(unset DISPLAY; wine_run build/mingw/tests/unit/resolaunch_unit_tests.exe >"$log.raw" 2>&1) || true
stop_wine
tr -d '\r' <"$log.raw" >"$log"
grep -E '^\[  (PASSED|FAILED) +\]|^\[==========\]' "$log" || true
ok=$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?\.$/\1/p' "$log")
bad=$(sed -nE 's/^\[  FAILED  \] ([0-9]+) tests?, listed below:$/\1/p' "$log")
if [ -z "$ok" ] && [ -z "$bad" ]; then
  echo "the unit tests did not run under Wine (see $log)" >&2
  count 0 1
else
  count "${ok:-0}" "${bad:-0}"
fi

echo "== end-to-end tests under Wine"
set +e
bash scripts/e2e.sh build/mingw | tee build/mingw/e2e.log
set -e
line=$(grep -E '^e2e: [0-9]+ passed, [0-9]+ failed$' build/mingw/e2e.log | tail -n 1 || true)
if [ -z "$line" ]; then
  echo "the end-to-end tests printed no summary" >&2
  count 0 1
else
  count "$(sed -E 's/e2e: ([0-9]+) passed.*/\1/' <<<"$line")" "$(sed -E 's/.* ([0-9]+) failed/\1/' <<<"$line")"
fi

echo
echo "all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
