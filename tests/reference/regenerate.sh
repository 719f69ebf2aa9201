#!/bin/sh
# Draws the reference suite of primitives and the whole frames of frames.txt
# with the real GDI (under Wine) and writes tests/data/gdi-suite.txt,
# tests/data/gdi-reference.png and tests/data/frames/NAME.png anew.
# Needs mingw-w64, wine, imagemagick and a build of lumarel-trace and lumarel-render.
#   tests/reference/regenerate.sh [BUILD_DIR]
set -e
here="$(cd "$(dirname "$0")" && pwd)"
data="$here/../data"
build="$(realpath "${1:-build}")"
trace="$build/lumarel-trace"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
python3 "$here/make_suite.py" > "$data/gdi-suite.txt"
x86_64-w64-mingw32-g++ -std=c++20 -O2 -static "$here/gdi_reference.cpp" -o "$work/gdi_reference.exe" -lgdi32
x86_64-w64-mingw32-g++ -std=c++20 -O2 -static "$here/gdi_frame.cpp" -o "$work/gdi_frame.exe" -lgdi32
cp "$data/gdi-suite.txt" "$work/suite.txt"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
wineboot -i >/dev/null 2>&1
(cd "$work" && wine gdi_reference.exe suite.txt reference.pgm)
convert "$work/reference.pgm" -depth 1 -define png:compression-level=9 "$data/gdi-reference.png"
echo "wrote $data/gdi-reference.png"

mkdir -p "$data/frames"
draw_frame() {  # NAME SIZE SEED TICKS SETTINGS
  "$trace" --seed "$3" --size "$2" --ticks "$4" --ini "$5" >"$work/frame.txt" &&
    (cd "$work" && wine gdi_frame.exe "${2%x*}" "${2#*x}" frame.txt frame.ppm) &&
    convert "$work/frame.ppm" -define png:compression-level=9 "$data/frames/$1.png" &&
    echo "wrote $data/frames/$1.png"
}
. "$here/frame_cases.sh"
for_each_frame draw_frame "$work" "$build/lumarel-render"
wineserver -w  # done with the prefix before it goes
