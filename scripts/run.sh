#!/bin/sh
# Builds the saver and runs it headless: sixteen pictures, one per pattern,
# and a labelled contact sheet of all of them.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" build
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMAREL_TESTS=OFF >/dev/null
cmake --build "$root/build" -j "$(nproc)" --target lumarel-render
mkdir -p "$root/out"
"$root/build/lumarel-render" --size 640x360 --seed "$(date +%s)" --seconds 20 --gallery "$root/out/gallery"
echo "Open the contact sheet above, or any pattern's picture in $root/out/gallery/."
