#!/bin/sh
# Makes docs/gallery.png, the picture at the top of README.md: the contact
# sheet of lumarel-render's gallery, one tile per pattern with its name, at a
# fixed seed and size and with the default settings (no settings file is
# read), reduced to 256 colours so that it stays small in the tree.
#
# Usage: make-readme-picture.sh [BUILD_DIR]
# BUILD_DIR is where lumarel-render is built (default: a folder under $TMPDIR,
# kept for the next run). Nothing is written into the checkout but
# docs/gallery.png; everything else goes to a temporary folder, removed at the end.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-${TMPDIR:-/tmp}/lumarel-readme-build}"
seed=2
size=320x180
seconds=20

"$root/scripts/setup.sh" build
if ! command -v convert >/dev/null 2>&1; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  echo "Installing: imagemagick"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends imagemagick
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMAREL_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target lumarel-render

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$build/lumarel-render" --size "$size" --seed "$seed" --seconds "$seconds" --gallery "$work/gallery" >/dev/null
# 256 colours without dithering keep the strokes crisp; -strip drops the
# time stamps, so the same picture gives the same bytes.
convert "$work/gallery/contact-sheet.png" +dither -colors 256 -strip \
  -define png:compression-level=9 -define png:compression-filter=5 -define png:exclude-chunks=date,time \
  "PNG8:$work/gallery.png"
mkdir -p "$root/docs"
mv "$work/gallery.png" "$root/docs/gallery.png"
echo "$root/docs/gallery.png: $(wc -c <"$root/docs/gallery.png") bytes, $(identify -format '%wx%h' "$root/docs/gallery.png") pixels"
