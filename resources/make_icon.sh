#!/bin/sh
# Draws icon 100 with our own renderer: a Hexatron figure at 256 pixels,
# scaled down for the smaller sizes. Needs a Linux build and ImageMagick.
# Usage: resources/make_icon.sh [BUILD_DIR]
set -e
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$build/lumarel-render" --size 256x256 --seed 11 --seconds 15 --pattern Hexatron --colors "All Colors" -o "$work/256.png"
for size in 16 32 48; do convert "$work/256.png" -resize "${size}x${size}" "$work/$size.png"; done
convert "$work/16.png" "$work/32.png" "$work/48.png" "$work/256.png" "$here/lumarel.ico"
echo "wrote $here/lumarel.ico"
