#!/bin/bash
# End-to-end tests of the lumarel program on headless Wayland compositors:
# the full-screen saver on layer-shell surfaces under sway (one output, two,
# and one turned to portrait), a second saver, input, a window of its own,
# the idle daemon's line from the README, and the full-screen toplevel under
# a compositor without layer shell (cage).
#   wayland_desktop.sh LUMAREL [FOLDER]   (FOLDER: where to keep the screenshots)
set -u
saver="$(realpath "$1")"
keep="${2:-}"
source "$(dirname "$0")/lib/checks.sh"
source "$(dirname "$0")/lib/saver.sh"
export XDG_CONFIG_HOME="$work/config"
unset DISPLAY
background="#ff00ff"  # the desktop's colour, which a covering saver hides

source "$(dirname "$0")/lib/wayland.sh"
cleanup_more() {
  [ -n "$keep" ] && mkdir -p "$keep" && cp "$work"/*.png "$keep"/
  end_started_savers
  [ -n "${idle:-}" ] && kill "$idle" 2>/dev/null
  stop_compositors
}

# mirror_differences NAME GEOMETRY CROP: six screenshots of GEOMETRY a second
# apart; of those whose CROP shows figures, prints the mirror difference of
# the whole and of CROP for the most symmetric whole. A picture caught while
# a figure is half drawn is less symmetric.
mirror_differences() {
  local name="$1" geometry="$2" crop="$3" shot
  for shot in 1 2 3 4 5 6; do
    grim -g "$geometry" "$work/$name$shot.png"
    convert "$work/$name$shot.png" -crop "$crop" +repage "$work/$name-part$shot.png"
    shows_figures "$work/$name-part$shot.png" &&
      echo "$(mirror_difference "$work/$name$shot.png") $(mirror_difference "$work/$name-part$shot.png")"
    sleep 1
  done | sort -g | head -n 1
}

# Whether the later of two pictures shows figures that moved on since the first.
moved_on() { not_black "$2" && differ "$1" "$2"; }

# Settings for the checks of where the middle of the picture lies.
cornered="$work/cornered"
write_cornered_settings "$cornered" "$(dirname "$saver")/lumarel-render"

sway_config="$runtime/sway.conf"
write_sway_config "$sway_config" "resolution 1024x768 position 0 0 bg $background solid_color"

echo "-- sway, one output"
start_compositor sway sway -c "$sway_config"
grim "$work/desktop.png"
check "the desktop shows its own colour before the saver" uncovered "$work/desktop.png"

pid=$(run_saver full /s)
sleep 3
grim "$work/one1.png"
sleep 2
shoot_until "$work/one2.png" moved_on "$work/one1.png" "$work/one2.png"
check "/s covers the output" covered "$work/one2.png"
check "the picture is not black" not_black "$work/one2.png"
check "the picture changes over time" differ "$work/one1.png" "$work/one2.png"
second=$(run_saver second /s)
check "a second /s ends at once" wait_for_exit "$second" 10
check "a second /s exits with 0" test "$(exit_code_of second)" = 0
check "the first saver keeps running" kill -0 "$pid"
wtype -s 500 x
check "a key ends the saver" wait_for_exit "$pid" 10
check "... with exit code 0" test "$(exit_code_of full)" = 0

# Each damaged rectangle is a request that the compositor composites on its
# own: a frame's strokes damage a few dozen, not one per row of tiles they cross.
pid=$(WAYLAND_DEBUG=1 run_saver damage /s)
sleep 4
kill "$(saver_pid "$pid")"
wait_for_exit "$pid" 10
per_commit=$(awk '/-> wl_surface[@#][0-9]+\.damage\(/ { d++ } /-> wl_surface[@#][0-9]+\.commit\(/ { c++ }
  END { printf "%d", c ? d / c : 999999 }' "$work/damage.err")
check "a frame damages few rectangles ($per_commit a commit on average)" test "$per_commit" -le 48

pid=$(XDG_CONFIG_HOME="$cornered" run_saver window --window)
sleep 3
shoot_until "$work/window.png" not_black "$work/window.png"
check "--window draws in a toplevel of its own" not_black "$work/window.png"
check "... that the compositor manages" swaymsg_ '[title="^Lumarel$"] focus'
check "... which floats at 600 x 400" swaymsg_ '[title="^Lumarel$"] floating enable, resize set 600 400, move position 100 100'
sleep 2
rect=$(swaymsg -s "$(sway_socket)" -t get_tree |
  jq -r '.. | objects | select(.name? == "Lumarel") | "\(.rect.x),\(.rect.y) \(.rect.width)x\(.rect.height)"')
# Symmetric about the middle of the smaller window, not about a column
# beside it, as a picture kept at the old size would be.
read -r centred beside < <(mirror_differences window "$rect" 400x400+0+0)
check "... and follows its size ($rect)" awk "BEGIN { exit !($beside > 2 * $centred) }"
echo "   (mirror difference: about the middle $centred, beside it $beside)"
check "... drawing all over it" not_black "$work/window6.png"
kill "$(saver_pid "$pid")"
check "SIGTERM ends --window" wait_for_exit "$pid" 10
check "... with exit code 0" test "$(exit_code_of window)" = 0

pid=$(run_saver closed --window)
sleep 2
check "the compositor closes --window" swaymsg_ '[title="^Lumarel$"] kill'
check "the compositor closing --window ends it" wait_for_exit "$pid" 10
check "... with exit code 0" test "$(exit_code_of closed)" = 0

pid=$(run_saver dialog /c)
sleep 3
check "the settings dialog opens on Wayland" swaymsg_ '[title="Lumarel"] focus'
grim "$work/dialog.png"
kill "$(saver_pid "$pid")"
wait_for_exit "$pid" 10
# A close signal ends it as Cancel would: at once, with 0, nothing written.
for signal in TERM INT HUP; do
  pid=$(run_saver "dialog-$signal" /c)
  wait_for_sway_window "Lumarel Settings" 10
  dialog=$(saver_pid "$pid")
  kill -"$signal" "$dialog"
  check "SIG$signal ends the settings dialog within a second" wait_for_exit "$dialog" 1 || kill -9 "$dialog"
  wait_for_exit "$pid" 5
  check "... with 0" test "$(exit_code_of "dialog-$signal")" = 0
done
check "... writing nothing" test ! -e "$XDG_CONFIG_HOME/lumarel/control.ini"

for words in "/p 123" "--root" "--window-id 0x400001" "--backend wayland /p 5"; do
  # shellcheck disable=SC2086
  "$saver" $words 2>"$work/x11.err"
  status=$?
  check "$words says it needs X11 and exits with 2" \
    test "$status" = 2 -a "$(wc -l <"$work/x11.err")" = 1 -a -n "$(grep -i x11 "$work/x11.err")"
done

# The README's line, with a short timeout; lumarel is found on the PATH.
mkdir -p "$work/bin"
ln -s "$saver" "$work/bin/lumarel"
PATH="$work/bin:$PATH" swayidle -w timeout 1 'lumarel /s' >/dev/null 2>&1 &
idle=$!
sleep 4
# The daemon's shell, or the saver itself where the shell gave way to it.
started=$(pgrep -P "$idle" -x lumarel || pgrep -x lumarel -P "$(pgrep -P "$idle" | head -n 1)")
grim "$work/idle.png"
check "swayidle starts the saver after its timeout" test -n "$started"
check "... which covers the output" covered "$work/idle.png"
# The daemon waits for the saver (-w) before it heeds SIGTERM.
kill "$idle"
wtype -s 500 x
check "a key ends the saver that swayidle started" wait_for_exit "$idle" 10

echo "-- sway, two outputs"
check "a second output is made" swaymsg_ create_output
check "... and placed" swaymsg_ output HEADLESS-2 resolution 800x600 position 1024 0 bg "$background" solid_color
sleep 1
pid=$(XDG_CONFIG_HOME="$cornered" run_saver two /s)
sleep 3
grim -o HEADLESS-1 "$work/left.png"
shoot_until -o HEADLESS-2 "$work/right.png" not_black "$work/right.png"
check "the first output is covered" covered "$work/left.png"
check "the second output is covered" covered "$work/right.png"
check "the second output shows figures" not_black "$work/right.png"
# One picture, mirror-symmetric about the middle of the box around both
# outputs (x = 912), rather than one about each output's middle: figures at
# the second output's right edge, none at its left.
read -r mirrored own < <(mirror_differences both "0,0 1824x600" 800x600+1024+0)
check "one picture spans both outputs" awk "BEGIN { exit !($own > 2 * $mirrored) }"
echo "   (mirror difference: across both $mirrored, second output alone $own)"
# Outputs that go: wayland_outputs.sh, under a sway that can unplug them.
check "a third output is made while the saver runs" swaymsg_ create_output
check "... and placed" swaymsg_ output HEADLESS-3 resolution 640x480 position 1824 0 bg "$background" solid_color
sleep 2
shoot_until -o HEADLESS-3 "$work/added.png" not_black "$work/added.png"
check "... and covers an output plugged in while it runs" covered "$work/added.png"
check "... with figures on it" not_black "$work/added.png"
kill "$(saver_pid "$pid")"
check "SIGTERM ends the saver" wait_for_exit "$pid" 10
check "... with exit code 0" test "$(exit_code_of two)" = 0
stop_compositor

echo "-- sway, a monitor turned to portrait"
write_sway_config "$sway_config" "resolution 1366x768 position 0 0 transform 90 bg $background solid_color"
start_compositor sway-portrait sway -c "$sway_config"
pid=$(XDG_CONFIG_HOME="$cornered" run_saver portrait /s)
sleep 3
shoot_until "$work/portrait.png" fills_with_corners "$work/portrait.png"
check "/s covers a portrait output ($(identify -format %wx%h "$work/portrait.png"))" covered "$work/portrait.png"
check "... with one picture as tall as the output" fills_with_corners "$work/portrait.png"
echo "   (mirror difference: about the middle row $(mirror_difference "$work/portrait.png" -flip)," \
  "the middle column $(mirror_difference "$work/portrait.png"))"
kill "$(saver_pid "$pid")"
check "SIGTERM ends the saver" wait_for_exit "$pid" 10
stop_compositor

echo "-- cage, without layer shell"
start_compositor cage cage -- sleep 600
pid=$(run_saver toplevel /s)
sleep 3
grim "$work/cage1.png"
sleep 2
shoot_until "$work/cage2.png" moved_on "$work/cage1.png" "$work/cage2.png"
check "/s shows a full-screen toplevel" not_black "$work/cage2.png"
check "... that animates" differ "$work/cage1.png" "$work/cage2.png"
second=$(run_saver second /s)
check "a second /s exits with 0 there too" wait_for_exit "$second" 10
check "the first saver keeps running" kill -0 "$pid"
kill "$(saver_pid "$pid")"
check "SIGTERM ends it" wait_for_exit "$pid" 10
check "... with exit code 0" test "$(exit_code_of toplevel)" = 0
stop_compositor

echo "-- a compositor that goes away"
# Each run ends with 3 (1 would read as OK in the settings), saying so.
write_sway_config "$runtime/lost.conf" "resolution 640x480"
for mode in /s --window /c; do
  start_compositor lost sway -c "$runtime/lost.conf"
  pid=$(run_saver lost "$mode")
  sleep 2
  stop_compositor
  check "a compositor that goes away ends lumarel $mode" wait_for_exit "$pid" 5
  check "... with 3, saying so" eval \
    'test "$(exit_code_of lost)" = 3 && grep -q "lost the connection to the Wayland compositor" "$work/lost.err"'
done
finish
