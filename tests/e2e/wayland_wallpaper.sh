#!/bin/bash
# lumarel --wallpaper: under sway, figures on the background layer of every
# output, below the windows: a full-screen window covers it and it stops
# drawing meanwhile, input does not end it, one runs per session, and
# SIGTERM and SIGHUP end it with 0. Under X11, it draws into the root window.
#   wayland_wallpaper.sh BUILD_DIR   (BUILD_DIR holds lumarel)
set -u
build="$(realpath "$1")"
saver="$build/lumarel"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/checks.sh"
source "$here/lib/saver.sh"
source "$here/lib/x11.sh"
export XDG_CONFIG_HOME="$work/config"
unset DISPLAY
source "$here/lib/wayland.sh"
cleanup_more() {
  keep_screenshots
  end_started_savers
  stop_compositors
}
show_logs() {
  show_saver_errors
  show_log "sway's log" "$work/sway.log" 20
}

ticks_per_second=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# The share of a core that process $1 used over $2 seconds, in percent.
cpu_share() {
  local start
  start=$(cpu_ticks "$1")
  sleep "$2"
  awk -v used=$(($(cpu_ticks "$1") - start)) -v hz="$ticks_per_second" -v t="$2" 'BEGIN { printf "%.2f", 100 * used / hz / t }'
}
# The dialog full screen, as sway shows a window smaller than the output:
# light in the middle, black around it, where no figure shows through.
shows_dialog_only() {
  local middle
  middle=$(convert "$1" -gravity center -crop 50%x50%+0+0 -colorspace Gray -format "%[fx:mean]" info:)
  convert "$1" -crop 100%x10%+0+0 +repage "$work/strip.png"
  awk "BEGIN { exit !($middle > 0.5) }" && ! not_black "$work/strip.png"
}

# No swaybg: its surfaces share the background layer, and which one shows
# is the compositor's choice.
write_sway_config "$runtime/sway.conf" "resolution 1024x768 position 0 0"
echo "xwayland disable" >>"$runtime/sway.conf"
start_compositor sway sway -c "$runtime/sway.conf"
check_ "a second output is made" swaymsg_ create_output
check_ "... and placed" swaymsg_ output HEADLESS-2 resolution 800x600 position 1024 0

echo "-- sway $(sway --version | awk '{ print $3 }'), --wallpaper"
wallpaper=$(run_saver wallpaper --wallpaper)
sleep 3
shoot_until -o HEADLESS-1 "$work/first.png" shows_figures "$work/first.png"
check_ "the desktop shows figures" shows_figures "$work/first.png"
shoot_until -o HEADLESS-2 "$work/second-output.png" shows_figures "$work/second-output.png"
check_ "... on the second output too" shows_figures "$work/second-output.png"
sleep 2
grim -o HEADLESS-1 "$work/later.png"
check_ "... that move" differ "$work/first.png" "$work/later.png"
wtype -s 300 -k Escape x -k Return
sleep 1
check_ "keys do not end it" running "$(saver_pid "$wallpaper")"
second=$(run_saver second --wallpaper)
check_ "a second --wallpaper ends at once" wait_for_exit "$second" 10
check_ "... with exit code 0" test "$(exit_code_of second)" = 0
check_ "... and leaves the first" running "$(saver_pid "$wallpaper")"

# A window above: the settings dialog, made full screen.
dialog=$(run_saver dialog /c)
check_ "a window opens above the wallpaper" wait_for_sway_window "Lumarel Settings" 20
check_ "... and goes full screen on every output" swaymsg_ '[title="Lumarel Settings"]' fullscreen enable global
sleep 2
grim "$work/covered.png"
check_ "the window covers the wallpaper" shows_dialog_only "$work/covered.png"
covered_share=$(cpu_share "$(saver_pid "$wallpaper")" 10)
check_ "... and the wallpaper stops drawing: under 0.2 % of a core ($covered_share % over 10 s)" \
  awk "BEGIN { exit !($covered_share < 0.2) }"
kill "$(saver_pid "$dialog")"
wait_for_exit "$dialog" 10
sleep 2
grim -o HEADLESS-1 "$work/again1.png"
sleep 2
grim -o HEADLESS-1 "$work/again2.png"
check_ "once the window goes, the wallpaper draws again" differ "$work/again1.png" "$work/again2.png"

kill "$(saver_pid "$wallpaper")"
check_ "SIGTERM ends it" wait_for_exit "$wallpaper" 10
check_ "... with exit code 0" test "$(exit_code_of wallpaper)" = 0
wallpaper=$(run_saver hangup --wallpaper)
sleep 2
kill -HUP "$(saver_pid "$wallpaper")"
check_ "SIGHUP ends a new one" wait_for_exit "$wallpaper" 10
check_ "... with exit code 0" test "$(exit_code_of hangup)" = 0
stop_compositor

echo "-- X11, --wallpaper"
unset WAYLAND_DISPLAY
start_display 1024x768
wallpaper=$(XSCREENSAVER_WINDOW=0x1 run_saver root --wallpaper)
sleep 3
import -window root "$work/root1.png"
sleep 2
import -window root "$work/root2.png"
check_ "the root window shows figures (not the daemon's window)" not_black "$work/root2.png"
check_ "... that move" differ "$work/root1.png" "$work/root2.png"
kill "$(saver_pid "$wallpaper")"
check_ "SIGTERM ends it with 0" wait_for_exit "$wallpaper" 10
check_ "... with exit code 0" test "$(exit_code_of root)" = 0
finish
