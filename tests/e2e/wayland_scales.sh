#!/bin/bash
# The full-screen saver on scaled Wayland outputs draws in device pixels: no
# row or column doubled, no stroke edge blended, beyond what a picture at
# scale 1 shows. Debian 12's sway (whole scales: 2; two outputs at 1 and 2;
# a scale changed while the saver runs), then Debian 13's sway in its root
# (lib/debian13_root.sh: fractional scales, 1.5 and a change to 1.25).
#   wayland_scales.sh BUILD_DIR   (BUILD_DIR holds lumarel and lumarel-render)
set -u
build="$(realpath "$1")"
saver="$build/lumarel"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/debian13_root.sh"
source "$here/lib/checks.sh"
unset DISPLAY
background="#fd01fe"  # the desktop's colour, which a covering saver hides
source "$here/lib/wayland.sh"
saver_pid=""
cleanup_more() {
  keep_screenshots
  stop_saver
  stop_compositors
}
show_logs() {
  show_log "the saver's stderr" "$work/saver.err" 40
  show_log "sway's log" "$work/$sway_log.log" 20
}

start_saver() {
  "${in_root[@]}" env XDG_CONFIG_HOME="$work/config" "$saver" /s 2>>"$work/saver.err" &
  saver_pid=$!
}
stop_saver() {
  [ -n "$saver_pid" ] && kill "$saver_pid" 2>/dev/null && wait "$saver_pid" 2>/dev/null
  saver_pid=""
}

# sharpness PICTURE: "DOUBLED BLENDED" (lib/sharpness.py).
sharpness() { python3 "$here/lib/sharpness.py" "$1"; }
# drawn_sharp PICTURE BASELINE: figures, no more doubled rows or columns than
# the scale-1 picture's share plus 0.02, and no more than 0.05 of the
# stroke edges blended (a stretched picture blends nearly all; crossing
# strokes of drifting colours pass for a blend here and there).
drawn_sharp() {
  local doubled blended
  read -r doubled blended < <(sharpness "$1")
  echo "   ($(basename "$1"): doubled $doubled, blended $blended; at scale 1: $2)"
  shows_figures "$1" && awk "BEGIN { exit !($doubled <= ${2% *} + 0.02 && $blended <= 0.05) }"
}

# How much two pictures differ, in blocks of 8 x 8 pixels: figures drawn a
# moment apart differ little, other figures much.
block_difference() {
  convert "$1" "$2" -scale 12.5% -compose difference -composite -threshold 10% -format "%[fx:mean]" info:
}

# A picture with figures, once the series has drawn some.
shoot_figures() { shoot_until "$@" shows_figures "${@: -1}"; }

# Dense hatching, which filtering would blend everywhere, in the Spectrum's
# colours only: in a set of one hue, a darker shade beside a brighter one on
# black would pass for a blend.
mkdir -p "$work/config/lumarel"
{
  printf '[ScreenSaver.Lumarel]\nPercentCrayon=0\n'
  "$build/lumarel-render" --list-colors | while IFS= read -r colors; do
    echo "$colors=$([ "$colors" = Spectrum ] && echo 1 || echo 0)"
  done
} >"$work/config/lumarel/control.ini"

echo "-- sway $(sway --version | awk '{ print $3 }'), whole scales"
write_sway_config "$runtime/sway.conf" "resolution 1920x1080 position 0 0 scale 1 bg $background solid_color"
echo "xwayland disable" >>"$runtime/sway.conf"
sway_log=sway
start_compositor "$sway_log" sway -c "$runtime/sway.conf"
start_saver
sleep 3
shoot_figures "$work/scale1.png"
check_ "at scale 1 the saver covers the output" covered "$work/scale1.png"
baseline=$(sharpness "$work/scale1.png")
echo "   (scale 1: doubled and blended $baseline)"
stop_saver
check_ "the output's scale is set to 2" swaymsg_ output HEADLESS-1 scale 2
start_saver
sleep 3
shoot_figures "$work/scale2.png"
check_ "at scale 2 it covers the output" covered "$work/scale2.png"
check_ "... drawn in device pixels" drawn_sharp "$work/scale2.png" "$baseline"
stop_saver
# A window of its own, tiled over the whole output.
"${in_root[@]}" env XDG_CONFIG_HOME="$work/config" "$saver" --window 2>>"$work/saver.err" &
saver_pid=$!
sleep 3
shoot_figures "$work/window2.png"
check_ "at scale 2, --window is drawn in device pixels too" drawn_sharp "$work/window2.png" "$baseline"
stop_saver

# A scale changed under the saver, on one output (beside another one, the
# picture's middle and its sparse first figures could lie on the other).
check_ "the first output goes back to scale 1" swaymsg_ output HEADLESS-1 resolution 1024x768 scale 1
start_saver
sleep 3
check_ "its output's scale changes while the saver runs" swaymsg_ output HEADLESS-1 scale 2
sleep 3
shoot_figures -o HEADLESS-1 "$work/changed.png"
check_ "... and the saver follows: still covered" covered "$work/changed.png"
check_ "... in device pixels at the new scale" drawn_sharp "$work/changed.png" "$baseline"
check_ "... and still runs" running "$saver_pid"
stop_saver
check_ "... and back to scale 1" swaymsg_ output HEADLESS-1 scale 1
check_ "a second output is made" swaymsg_ create_output
check_ "... 1600x1200 at scale 2, to the right" swaymsg_ output HEADLESS-2 resolution 1600x1200 position 1024 0 scale 2 \
  bg "$background" solid_color
start_saver
sleep 3
shoot_figures -o HEADLESS-1 "$work/mixed-left.png"
shoot_figures -o HEADLESS-2 "$work/mixed-right.png"
check_ "outputs at scales 1 and 2 are both covered" covered "$work/mixed-left.png"
check_ "... the second too" covered "$work/mixed-right.png"
check_ "... the first drawn in device pixels" drawn_sharp "$work/mixed-left.png" "$baseline"
check_ "... and the second" drawn_sharp "$work/mixed-right.png" "$baseline"
# One picture, symmetric about the middle of the box around both (device
# x = 1312): the first output mirrors the second's columns 576 to 1600; a
# picture of its own would mirror itself instead.
grim -o HEADLESS-1 "$work/pair-left.png"
grim -o HEADLESS-2 "$work/pair-right.png"
convert "$work/pair-left.png" -flop "$work/left-mirrored.png"
convert "$work/pair-right.png" -crop 1024x768+576+0 +repage "$work/right-part.png"
across=$(block_difference "$work/left-mirrored.png" "$work/right-part.png")
own=$(block_difference "$work/left-mirrored.png" "$work/pair-left.png")
check_ "... showing one picture across both (mirror difference $across, of the first alone $own)" \
  awk "BEGIN { exit !($across * 2 < $own) }"
stop_saver
stop_compositor

if ! debian13_ensure || ! debian13_mount "$work" "$build"; then
  check "the Debian 13 root is there" false
  finish
fi
in_root=(chroot "$debian13_root")
echo "-- sway $("${in_root[@]}" sway --version | awk '{ print $3 }') in $debian13_root, fractional scales"
sway_log=sway13
start_compositor "$sway_log" sway -c "$runtime/sway.conf"
check_ "the output's scale is set to 1.5" swaymsg_ output HEADLESS-1 scale 1.5
start_saver
sleep 3
shoot_figures "$work/scale1.5.png"
check_ "at scale 1.5 the saver covers the output" covered "$work/scale1.5.png"
check_ "... drawn in device pixels" drawn_sharp "$work/scale1.5.png" "$baseline"
check_ "the scale changes to 1.25 while it runs" swaymsg_ output HEADLESS-1 scale 1.25
sleep 3
shoot_figures "$work/scale1.25.png"
check_ "... and the saver follows: still covered" covered "$work/scale1.25.png"
check_ "... in device pixels at 1.25" drawn_sharp "$work/scale1.25.png" "$baseline"
stop_saver
stop_compositor
finish
