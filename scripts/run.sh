#!/bin/sh
# Builds the saver and shows what it draws: the first drawing calls of a
# full-HD run, as the headless tracer lists them.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" build
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMAREL_TESTS=OFF >/dev/null
cmake --build "$root/build" -j "$(nproc)"
"$root/build/lumarel-trace" --seed "$(date +%s)" --size 1920x1080 --ticks 20
