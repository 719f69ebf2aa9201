#!/bin/sh
# Draws the reference suite with the real GDI (under Wine) and writes
# tests/data/gdi-suite.txt and tests/data/gdi-reference.png anew.
# Needs mingw-w64, wine and imagemagick.
set -e
here="$(cd "$(dirname "$0")" && pwd)"
data="$here/../data"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
python3 "$here/make_suite.py" > "$data/gdi-suite.txt"
x86_64-w64-mingw32-g++ -std=c++20 -O2 -static "$here/gdi_reference.cpp" -o "$work/gdi_reference.exe" -lgdi32
cp "$data/gdi-suite.txt" "$work/suite.txt"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
wineboot -i >/dev/null 2>&1
(cd "$work" && wine gdi_reference.exe suite.txt reference.pgm)
convert "$work/reference.pgm" -depth 1 -define png:compression-level=9 "$data/gdi-reference.png"
echo "wrote $data/gdi-reference.png"
