#!/usr/bin/env bash
# Runs the end-to-end tests of ResoLaunch.exe under Wine, in a 1024x768 Wine
# virtual desktop (where display modes really enumerate) on a private Xvfb,
# never on the user's display.
#
#   scripts/e2e.sh [BUILD_DIR] [GTEST_ARGS...]
#
# BUILD_DIR is a mingw build tree holding ResoLaunch.exe,
# tests/e2e/resolaunch_e2e.exe and tests/e2e/delayed_window.exe (default
# build/mingw); GTEST_ARGS go to the driver, e.g.
# --gtest_filter=StartedProgram.*. The Wine prefix is
# build/wineprefix-e2e unless RESOLAUNCH_WINEPREFIX names another.
# RESOLAUNCH_E2E_TIMEOUT limits the run (seconds, default 300).
#
# Prints the driver's output and a last line "e2e: N passed, M failed"; exits
# non-zero when a test failed, none ran, or the driver left no result.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build_arg=${1:-$root/build/mingw}
shift $(($# > 0 ? 1 : 0))
build_dir=$(cd "$build_arg" 2>/dev/null && pwd) || {
  echo "e2e: no build directory $build_arg; build first: cmake --preset mingw && cmake --build --preset mingw" >&2
  echo "e2e: 0 passed, 1 failed"
  exit 1
}
timeout_s=${RESOLAUNCH_E2E_TIMEOUT:-300}

product=$build_dir/ResoLaunch.exe
driver=$build_dir/tests/e2e/resolaunch_e2e.exe
# The program the launch tests have ResoLaunch start; the driver finds it beside itself.
target=$build_dir/tests/e2e/delayed_window.exe
for file in "$product" "$driver" "$target"; do
  if [ ! -f "$file" ]; then
    echo "e2e: $file is missing; build it first: cmake --build $build_dir" >&2
    echo "e2e: 0 passed, 1 failed"
    exit 1
  fi
done

results=$build_dir/e2e-results
mkdir -p "$results"
xml=$results/resolaunch_e2e.xml
log=$results/resolaunch_e2e.log
exit_file=$results/resolaunch_e2e.exit
batch=$results/run_e2e.cmd
rm -f "$xml" "$log" "$exit_file" "$batch"

# A home of its own: Wine may link the prefix's Desktop folder into $HOME,
# and the tests make shortcuts there.
export HOME="$results/home"
rm -rf "$HOME"
mkdir -p "$HOME"

# shellcheck source=SCRIPTDIR/lib/wine.sh
source "$root/scripts/lib/wine.sh"
started=$SECONDS
# Always on a private Xvfb, even when DISPLAY is set.
if ! wine_session e2e xvfb; then
  echo "e2e: 0 passed, 1 failed"
  exit 1
fi
# A prefix made under another home links its Desktop folder there: the
# shortcuts the tests make stay in this one.
for desktop in "$WINEPREFIX"/drive_c/users/*/Desktop; do
  if [ -L "$desktop" ]; then ln -sfn "$HOME" "$desktop"; fi
done

# Wine's explorer does not pass on the exit status of the program it starts:
# a small batch file runs the driver and writes its status, once it has ended,
# to a file. The driver's output goes to a file too, since Wine's background
# services keep inherited pipes open.
gtest_args=""
for arg in "$@"; do gtest_args+=" \"$arg\""; done
printf '@echo off\r\n"%s" "--gtest_output=xml:%s"%s >"%s" 2>&1\r\necho %%ERRORLEVEL%% >"%s"\r\n' \
  "$(win_path "$driver")" "$(win_path "$xml")" "$gtest_args" "$(win_path "$log")" "$(win_path "$exit_file")" \
  >"$batch"

export RESOLAUNCH_EXE
RESOLAUNCH_EXE=$(win_path "$product")
wine_start "$results/explorer.log" explorer /desktop=ResoLaunchE2E,1024x768 cmd /c "$(win_path "$batch")"

finished() { [ -s "$exit_file" ]; }
if ! wait_for "$timeout_s" finished; then
  echo "e2e: the driver did not finish within $timeout_s s" >&2
fi
elapsed=$((SECONDS - started))

if [ -f "$log" ]; then
  cat "$log"
else
  echo "e2e: the driver wrote no output (see $results/explorer.log)" >&2
fi

driver_status=""
if [ -f "$exit_file" ]; then driver_status=$(tr -dc '0-9-' <"$exit_file"); fi

# Counts the test cases in GoogleTest's XML report; a case with a <failure>
# failed, also the nameless case that holds a failure outside any test.
passed=0
failed=0
skipped=0
if [ -s "$xml" ] && grep -q '</testsuites>' "$xml"; then
  read -r passed failed skipped < <(awk '
    function finish() {
      if (failure) failed++; else if (skip) skipped++; else passed++
      open_case = 0
    }
    /<testcase / {
      open_case = 1; failure = 0
      skip = ($0 ~ /result="skipped"/ || $0 ~ /status="notrun"/)
      if ($0 ~ /\/>[[:space:]]*$/) finish()
      next
    }
    open_case && /<failure/ { failure = 1 }
    open_case && /<\/testcase>/ { finish() }
    END { print passed + 0, failed + 0, skipped + 0 }
  ' "$xml")
else
  echo "e2e: no complete XML report at $xml" >&2
  failed=$((failed + 1))
fi

if [ "$failed" -eq 0 ]; then
  if [ "$passed" -eq 0 ]; then
    echo "e2e: no test ran" >&2
    failed=1
  elif [ "$driver_status" != "0" ]; then
    echo "e2e: the driver ended with status '${driver_status:-none}'" >&2
    failed=1
  fi
fi

echo "e2e: results in $results ($elapsed s, $skipped skipped)"
echo "e2e: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
