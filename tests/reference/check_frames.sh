#!/bin/sh
# Renders every frame of frames.txt with lumarel-render and compares it with
# the real GDI's picture in tests/data/frames/.
#   check_frames.sh LUMAREL_TRACE LUMAREL_RENDER FRAME_AGREEMENT
here="$(cd "$(dirname "$0")" && pwd)"
trace="$1" render="$2" compare="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
check_frame() {  # NAME SIZE SEED TICKS SETTINGS
  background=$("$trace" --seed "$3" --size "$2" --ticks "$4" --ini "$5" | awk '$1 == "erase" { c = $2 } END { print c }')
  "$render" --seed "$3" --size "$2" --ticks "$4" --ini "$5" -o "$work/$1.png" &&
    "$compare" "$1" "$here/../data/frames/$1.png" "$work/$1.png" "$background"
}
. "$here/frame_cases.sh"
for_each_frame check_frame "$work" "$render"
