#!/usr/bin/env bash
# Runs every test: the portable core's unit tests natively (ASan + UBSan), the
# same tests cross-built for Windows under Wine, and the end-to-end tests of
# ResoLaunch.exe in a Wine virtual desktop under a private Xvfb.
#
# The last line is always "all: N passed, M failed". A step that fails before
# its tests can run (the set-up, a build) counts as one failed test, and the
# tests that need its result are left out; the script exits non-zero when
# anything failed.
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd) || exit 1
cd "$ROOT" || exit 1
# shellcheck source=SCRIPTDIR/lib/gtest.sh
source scripts/lib/gtest.sh

passed=0
failed=0
count() { passed=$((passed + $1)); failed=$((failed + $2)); }
step_failed() {
  echo "test.sh: $1 failed" >&2
  count 0 1
}

bash scripts/setup.sh || step_failed "the set-up (scripts/setup.sh)"

echo "== native unit tests (ASan + UBSan)"
if cmake --preset native >/dev/null && cmake --build --preset native; then
  ctest --preset native 2>&1 | tee build/native/ctest.log | grep -vE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed'
  summary=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' build/native/ctest.log)
  if [ -z "$summary" ]; then
    echo "ctest printed no summary" >&2
    count 0 1
  else
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
    bad=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$summary")
    count $((total - bad)) "$bad"
  fi
else
  step_failed "the native build"
fi

echo "== Windows build (mingw-w64)"
if cmake --preset mingw >/dev/null && cmake --build --preset mingw; then
  echo "== unit tests of the Windows build, under Wine"
  # shellcheck source=SCRIPTDIR/lib/wine.sh
  source scripts/lib/wine.sh
  log=build/mingw/unit-tests-wine.log
  xml=build/mingw/unit-tests-wine.xml
  rm -f "$log.raw" "$log" "$xml"
  # Console programs only: no display. Output to a file, not a pipe: Wine's
  # background services would hold a pipe open.
  if wine_session unit none; then
    wine_run build/mingw/tests/unit/resolaunch_unit_tests.exe "--gtest_output=xml:$(win_path "$xml")" >"$log.raw" 2>&1
  fi
  wine_session_end
  if [ -f "$log.raw" ]; then tr -d '\r' <"$log.raw" >"$log"; else : >"$log"; fi
  grep -E '^\[  (PASSED|FAILED) +\]|^\[==========\]' "$log"
  if read -r ok bad _ < <(gtest_counts "$xml"); then
    count "$ok" "$bad"
  else
    echo "the unit tests did not run under Wine to their end (see $log)" >&2
    count 0 1
  fi

  echo "== end-to-end tests under Wine"
  bash scripts/e2e.sh build/mingw | tee build/mingw/e2e.log
  line=$(grep -E '^e2e: [0-9]+ passed, [0-9]+ failed$' build/mingw/e2e.log | tail -n 1)
  if [ -z "$line" ]; then
    echo "the end-to-end tests printed no summary" >&2
    count 0 1
  else
    count "$(sed -E 's/e2e: ([0-9]+) passed.*/\1/' <<<"$line")" "$(sed -E 's/.* ([0-9]+) failed/\1/' <<<"$line")"
  fi
else
  step_failed "the Windows build"
fi

echo
echo "all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
