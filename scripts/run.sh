#!/bin/sh
# Builds the saver and runs it: full screen when there is a display (a key
# press or a mouse move ends it, as with any screen saver), otherwise
# headless, as sixteen pictures, one per pattern, and a labelled contact
# sheet of all of them.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" build
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMAREL_TESTS=OFF >/dev/null
cmake --build "$root/build" -j "$(nproc)" --target lumarel lumarel-render
if [ -n "${DISPLAY:-}" ]; then
  echo "Running the saver full screen: press a key or move the mouse to end it."
  status=0
  "$root/build/lumarel" /s || status=$?
  # 1: the display could not be opened; anything else is the saver's own end.
  [ "$status" -ne 1 ] && exit "$status"
fi
echo "No display: rendering the gallery instead."
mkdir -p "$root/out"
"$root/build/lumarel-render" --size 640x360 --seed "$(date +%s)" --seconds 20 --gallery "$root/out/gallery"
echo "Open the contact sheet above, or any pattern's picture in $root/out/gallery/."
