#!/usr/bin/env bash
# Takes a screenshot of ResoLaunch's main window as a first start shows it.
#
#   scripts/screenshot.sh [--current-display] [OUT.png] [BUILD_DIR]
#
# OUT.png defaults to docs/screenshot.png, BUILD_DIR to build/mingw (built
# with the mingw preset when needed). ResoLaunch.exe is copied to a fresh
# temporary folder, so no saved settings are read, and started in a Wine
# virtual desktop (ResoLaunchShot, 1024x768) on a private Xvfb, or on the
# current DISPLAY with --current-display. Once the window is on screen and
# has stopped changing, the screen is captured and cut to the window's area.
#
# Environment: RESOLAUNCH_WINEPREFIX picks the prefix (default
# build/wineprefix-shot). Prints the path of the PNG.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

usage() { echo "usage: scripts/screenshot.sh [--current-display] [OUT.png] [BUILD_DIR]" >&2; exit 2; }

USE_CURRENT_DISPLAY=0
positional=()
for arg in "$@"; do
  case "$arg" in
    --current-display) USE_CURRENT_DISPLAY=1 ;;
    -h | --help) usage ;;
    -*) echo "unknown option $arg" >&2; usage ;;
    *) positional+=("$arg") ;;
  esac
done
[ ${#positional[@]} -le 2 ] || usage
OUT=${positional[0]:-docs/screenshot.png}
BUILD_DIR=${positional[1]:-build/mingw}
case "$OUT" in /*) ;; *) OUT="$ROOT/$OUT" ;; esac
case "$BUILD_DIR" in /*) ;; *) BUILD_DIR="$ROOT/$BUILD_DIR" ;; esac
if [ "$USE_CURRENT_DISPLAY" = 1 ] && [ -z "${DISPLAY:-}" ]; then
  echo "--current-display needs DISPLAY to be set" >&2
  exit 2
fi

if [ "$BUILD_DIR" = "$ROOT/build/mingw" ]; then
  cmake --preset mingw >/dev/null
  cmake --build --preset mingw --target ResoLaunch >/dev/null
else
  cmake --preset mingw -B "$BUILD_DIR" >/dev/null
  cmake --build "$BUILD_DIR" --target ResoLaunch >/dev/null
fi

export RESOLAUNCH_WINEPREFIX="${RESOLAUNCH_WINEPREFIX:-$ROOT/build/wineprefix-shot}"
# shellcheck source=SCRIPTDIR/lib/wine.sh
source "$ROOT/scripts/lib/wine.sh"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/resolaunch-shot.XXXXXX")
EXPLORER_PID=""
# shellcheck disable=SC2317  # run by the traps
cleanup() {
  stop_wine
  if [ -n "$EXPLORER_PID" ]; then wait "$EXPLORER_PID" 2>/dev/null || true; fi
  stop_xvfb
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ "$USE_CURRENT_DISPLAY" = 0 ]; then
  start_xvfb
fi
start_wine

mkdir "$WORK/app"
cp "$BUILD_DIR/ResoLaunch.exe" "$WORK/app/"
DESKTOP_NAME=ResoLaunchShot
wine_run explorer "/desktop=$DESKTOP_NAME,1024x768" "$(win_path "$WORK/app/ResoLaunch.exe")" \
  >"$RESOLAUNCH_LOG_DIR/screenshot-explorer.log" 2>&1 &
EXPLORER_PID=$!

# The main window is the X window of resolaunch.exe, larger than the 1x1
# helper windows, inside this desktop's window; it counts once it is viewable.
WINDOW_ID=""
find_window() {
  local desktop
  desktop=$(xwininfo -root -tree 2>/dev/null |
    awk -v name="\"$DESKTOP_NAME - Wine desktop\"" 'index($0, name) { print $1; exit }')
  [ -n "$desktop" ] || return 1
  WINDOW_ID=$(xwininfo -id "$desktop" -tree 2>/dev/null |
    awk '/\("resolaunch.exe"/ && !/ 1x1[+-]/ { print $1; exit }')
  [ -n "$WINDOW_ID" ] && xwininfo -id "$WINDOW_ID" 2>/dev/null | grep -q 'Map State: IsViewable'
}
if ! wait_for 60 find_window; then
  echo "ResoLaunch's window did not appear (see $RESOLAUNCH_LOG_DIR/screenshot-explorer.log)" >&2
  exit 1
fi

geometry() {
  xwininfo -id "$WINDOW_ID" | awk '
    /Absolute upper-left X:/ { x = $NF } /Absolute upper-left Y:/ { y = $NF }
    /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF }
    END { printf "%dx%d+%d+%d", w, h, x, y }'
}

# Captured until three shots in a row agree: the window has been drawn.
SHOT="$WORK/shot.png"
previous="" same=0
settled() {
  import -window root "$WORK/screen.png"
  convert "$WORK/screen.png" -crop "$(geometry)" +repage -strip "$SHOT"
  local hash
  hash=$(convert "$SHOT" rgb:- | md5sum)
  if [ "$hash" = "$previous" ]; then same=$((same + 1)); else same=0; previous=$hash; fi
  [ "$same" -ge 2 ]
}
if ! wait_for 30 settled; then
  echo "ResoLaunch's window kept changing; keeping the last shot" >&2
fi

mkdir -p "$(dirname "$OUT")"
cp "$SHOT" "$OUT"
echo "$OUT"
