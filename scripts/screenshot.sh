#!/usr/bin/env bash
# Takes a screenshot of ResoLaunch's main window as a first start shows it.
#
#   scripts/screenshot.sh [--current-display] [--typical-use] [OUT.png] [BUILD_DIR]
#
# With --typical-use it shows the typical use instead: a saved game path is
# loaded, the 800 x 600, 32-bit entry is selected in the list and
# 解像度変更＞起動 is pressed (by tools/drive_window.exe, which finds both by
# their text), and the whole desktop is captured once it has switched and the
# game's window has been placed (default OUT: docs/typical-use.png).
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
  TARGETS+=(delayed_window drive_window)
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

# shellcheck source=SCRIPTDIR/lib/wine.sh
source "$ROOT/scripts/lib/wine.sh"
if [ "$USE_CURRENT_DISPLAY" = 1 ]; then wine_session shot current; else wine_session shot xvfb; fi

mkdir "$WORK/app"
cp "$BUILD_DIR/ResoLaunch.exe" "$WORK/app/"
if [ "$TYPICAL_USE" = 1 ]; then
  # A stand-in game, and settings that name it with X 370 and Y 60 and no
  # mode selected: the mode is picked in the list below.
  GAME_DIR="$WINEPREFIX/drive_c/Games/Old Game"
  rm -rf "$GAME_DIR"
  mkdir -p "$GAME_DIR"
  cp "$BUILD_DIR/tests/e2e/delayed_window.exe" "$GAME_DIR/game.exe"
  printf -- '--title "Old Game" --size 400x300 --delay 200 --lifetime 120000' >"$GAME_DIR/game.options"
  printf '"%s","370","60",-1\r\n' "$(win_path "$GAME_DIR/game.exe")" >"$WORK/app/path.txt"
fi
DESKTOP_NAME=ResoLaunchShot
wine_start "$(wine_log explorer)" \
  explorer "/desktop=$DESKTOP_NAME,1024x768" "$(win_path "$WORK/app/ResoLaunch.exe")"

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
  echo "ResoLaunch's window did not appear (see $(wine_log explorer))" >&2
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
  # Select 800 x 600 at 32 bits in the list and press 解像度変更＞起動, as a
  # user would: Wine's controls are no X windows, so a Win32 helper in the
  # same desktop finds them by their text.
  if ! wine_run "$(win_path "$BUILD_DIR/tools/drive_window.exe")" --desktop "$DESKTOP_NAME" --wait 30 \
    --mode 800x600x32 --click 解像度変更＞起動 >"$(wine_log drive)" 2>&1; then
    cat "$(wine_log drive)" >&2
    exit 1
  fi
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
