#!/bin/sh
# Peak resident memory of headless 3840x2160 renders, short and long: the
# framebuffer is 3840 x 2160 x 4 bytes (31.6 MiB), and the peak must stay
# within it plus 16 MiB and must not grow with the number of ticks.
# Usage: bench/measure_memory.sh [BUILD_DIR]
build="${1:-build}"
render="$build/lumarel-render"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
framebuffer_kib=$((3840 * 2160 * 4 / 1024))
for ticks in 1000 100000 1000000; do
  peak=$( { /usr/bin/time -f "%M" "$render" --size 3840x2160 --seed 9 --ticks "$ticks" -o "$out/p.png"; } 2>&1 | tail -n 1)
  echo "ticks $ticks: peak $peak KiB = framebuffer $framebuffer_kib KiB + $((peak - framebuffer_kib)) KiB"
done
