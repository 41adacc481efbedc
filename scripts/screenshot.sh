#!/usr/bin/env bash
# Takes a screenshot of ResoLaunch's main window as a first start shows it.
#
#   scripts/screenshot.sh [--current-display] [--typical-use] [OUT.png] [BUILD_DIR]
#
# With --typical-use it shows the typical use instead: a saved game path and
# the 800 x 600, 32-bit entry are loaded, 解像度変更＞起動 is clicked, and the
# whole desktop is captured once it has switched and the game's window has
# been placed (default OUT: docs/typical-use.png).
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

usage() { echo "usage: scripts/screenshot.sh [--current-display] [--typical-use] [OUT.png] [BUILD_DIR]" >&2; exit 2; }

USE_CURRENT_DISPLAY=0
TYPICAL_USE=0
positional=()
for arg in "$@"; do
  case "$arg" in
    --current-display) USE_CURRENT_DISPLAY=1 ;;
    --typical-use) TYPICAL_USE=1 ;;
    -h | --help) usage ;;
    -*) echo "unknown option $arg" >&2; usage ;;
    *) positional+=("$arg") ;;
  esac
done
[ ${#positional[@]} -le 2 ] || usage
DEFAULT_OUT=docs/screenshot.png
TARGETS=(ResoLaunch)
if [ "$TYPICAL_USE" = 1 ]; then
  DEFAULT_OUT=docs/typical-use.png
  TARGETS+=(delayed_window)
fi
OUT=${positional[0]:-$DEFAULT_OUT}
BUILD_DIR=${positional[1]:-build/mingw}
case "$OUT" in /*) ;; *) OUT="$ROOT/$OUT" ;; esac
case "$BUILD_DIR" in /*) ;; *) BUILD_DIR="$ROOT/$BUILD_DIR" ;; esac
if [ "$USE_CURRENT_DISPLAY" = 1 ] && [ -z "${DISPLAY:-}" ]; then
  echo "--current-display needs DISPLAY to be set" >&2
  exit 2
fi

if [ "$BUILD_DIR" = "$ROOT/build/mingw" ]; then
  cmake --preset mingw >/dev/null
  cmake --build --preset mingw --target "${TARGETS[@]}" >/dev/null
else
  cmake --preset mingw -B "$BUILD_DIR" >/dev/null
  cmake --build "$BUILD_DIR" --target "${TARGETS[@]}" >/dev/null
fi

export RESOLAUNCH_WINEPREFIX="${RESOLAUNCH_WINEPREFIX:-$ROOT/build/wineprefix-shot}"
# shellcheck source=SCRIPTDIR/lib/wine.sh
source "$ROOT/scripts/lib/wine.sh"

begin_wine_session shot

if [ "$USE_CURRENT_DISPLAY" = 0 ]; then
  start_xvfb
fi
start_wine

mkdir "$WORK/app"
cp "$BUILD_DIR/ResoLaunch.exe" "$WORK/app/"
if [ "$TYPICAL_USE" = 1 ]; then
  # A stand-in game beside it, and settings that name it: X 370, Y 60, and
  # entry 7, which is 800 x 600 at 32 bits in Wine's list.
  mkdir "$WORK/app/Old Game"
  cp "$BUILD_DIR/tests/e2e/delayed_window.exe" "$WORK/app/Old Game/game.exe"
  printf -- '--title "Old Game" --size 400x300 --delay 200 --lifetime 120000' >"$WORK/app/Old Game/game.options"
  printf '"%s","370","60",7\r\n' "$(win_path "$WORK/app/Old Game/game.exe")" >"$WORK/app/path.txt"
fi
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

if [ "$TYPICAL_USE" = 1 ]; then
  # Click 解像度変更＞起動: its centre in the client area at 96 DPI, plus
  # Wine's frame (4 pixels) and caption (23 pixels).
  xdotool mousemove --window "$WINDOW_ID" $((4 + 232 + 52)) $((23 + 168 + 16)) click 1
  DESKTOP_ID=$(xwininfo -root -tree | awk -v name="\"$DESKTOP_NAME - Wine desktop\"" 'index($0, name) { print $1; exit }')
  switched_and_placed() {
    xwininfo -id "$DESKTOP_ID" | grep -q 'Width: 800' &&
      xwininfo -id "$DESKTOP_ID" -tree | grep -q '("game.exe"'
  }
  if ! wait_for 30 switched_and_placed; then
    echo "the desktop did not switch to 800 x 600 with the game shown" >&2
    exit 1
  fi
  WINDOW_ID=$DESKTOP_ID
  previous="" same=0
  wait_for 30 settled || echo "the desktop kept changing; keeping the last shot" >&2
fi

mkdir -p "$(dirname "$OUT")"
cp "$SHOT" "$OUT"
echo "$OUT"
