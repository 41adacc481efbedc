#!/usr/bin/env bash
# Renders res/ResoLaunch-256.mvg into the 256 x 256 frame of
# res/ResoLaunch.ico (PNG-compressed, as Windows expects at that size) and
# keeps the icon's hand-drawn 16, 32 and 48 frames as they are. Run it after
# changing the drawing; it needs ImageMagick (scripts/setup.sh installs it).
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
icon=$ROOT/res/ResoLaunch.ico
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert -background none "mvg:$ROOT/res/ResoLaunch-256.mvg" "png32:$work/256.png"
convert "${icon}[0]" "${icon}[1]" "${icon}[2]" "$work/256.png" "$work/ResoLaunch.ico"
mv "$work/ResoLaunch.ico" "$icon"
identify "$icon"
