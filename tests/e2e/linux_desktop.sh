#!/bin/bash
# End-to-end tests of the lumarel program on virtual X displays: the
# full-screen saver (on a landscape screen and a portrait one), drawing into another program's window as a daemon asks,
# the exit codes, and the settings dialog.
#   linux_desktop.sh LUMAREL
set -u
saver="$(realpath "$1")"
render="$(dirname "$saver")/lumarel-render"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/checks.sh"
source "$here/lib/x11.sh"
source "$here/lib/saver.sh"
export XDG_CONFIG_HOME="$work/config"
ini="$XDG_CONFIG_HOME/lumarel/control.ini"

# Whether the saver drew in a picture of a host window, whose own background
# is white: more than a hundredth of it neither white nor black.
drawn() {
  local share
  share=$(convert "$1" -fill black -opaque white -threshold 0 -format "%[fx:mean]" info:)
  awk "BEGIN { exit !($share > 0.01) }"
}

# A window of another program to draw into, named $1; prints its id. The
# program's process id goes to $work/$1.pid, to end it by.
host_window() {
  xev -geometry 400x300+10+10 -name "$1" >/dev/null 2>&1 &
  echo $! >"$work/$1.pid"
  wait_for_window "$1" 10
  xdotool search --name "^$1\$" | head -n 1
}
end_host() {  # end_host NAME: ends that window's program and waits for it
  local pid
  pid=$(cat "$work/$1.pid")
  kill "$pid" 2>/dev/null
  while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
  rm -f "$work/$1.pid"
}
cleanup_more() {
  for file in "$work"/*.pid; do [ -e "$file" ] && kill "$(cat "$file")" 2>/dev/null; done
}

start_display 1024x768

# Full screen, and a button press ends it too.
check_full_screen 10
pid=$(run_saver clicked /s)
wait_for_window "Screen Saver" 10
sleep 1
xdotool click 1
check "a button press ends the saver" wait_for_exit "$pid" 5

# A monitor turned to portrait: one picture as tall as the screen.
write_cornered_settings "$work/cornered" "$render"
start_server 768x1366
echo "$server_pid" >"$work/portrait-server.pid"
pid=$(DISPLAY="$server_display" XDG_CONFIG_HOME="$work/cornered" run_saver portrait /s)
DISPLAY="$server_display" wait_for_window "Screen Saver" 10
sleep 3
for _ in 1 2 3 4 5 6; do
  import -display "$server_display" -window root "$work/portrait.png"
  fills_with_corners "$work/portrait.png" && break
  sleep 2
done
check "/s on a portrait screen (768 x 1366) draws one picture as tall as the screen" \
  fills_with_corners "$work/portrait.png"
echo "   (mirror difference: about the middle row $(mirror_difference "$work/portrait.png" -flip)," \
  "the middle column $(mirror_difference "$work/portrait.png"))"
kill -TERM "$(saver_pid "$pid")"
check "... and SIGTERM ends it" wait_for_exit "$pid" 5
end_host portrait-server

# Another program's window: drawn into, input left to its owner, resized
# with it, and SIGTERM ends the saver at once.
window=$(host_window "Host Window")
pid=$(run_saver windowed --window-id "$window")
sleep 2
import -window "$window" "$work/window1.png"
sleep 2
import -window "$window" "$work/window2.png"
check "--window-id draws into the window" drawn "$work/window2.png"
check "... and animates" differ "$work/window1.png" "$work/window2.png"
xdotool mousemove --window "$window" 100 100 click 1 key space mousemove_relative -- 50 50
sleep 1
check "... and leaves the input to the window's owner" kill -0 "$pid"
xdotool windowsize "$window" 640 480
grown=false
for _ in 1 2 3 4 5 6; do
  sleep 1
  import -window "$window" "$work/grown.png"
  # Lit pixels beyond the old 400 x 300 show that the drawing follows.
  convert "$work/grown.png" -crop 240x480+400+0 +repage "$work/grown-right.png"
  if drawn "$work/grown-right.png"; then
    grown=true
    break
  fi
done
check "... follows the window to a larger size" $grown
kill -TERM "$(saver_pid "$pid")"
check "SIGTERM ends it promptly" wait_for_exit "$pid" 2
check "... with exit code 0" test "$(exit_code_of windowed)" = 0

# The daemon's convention: the window comes in XSCREENSAVER_WINDOW, in hex.
window=$(host_window "Daemon Window")
hex=$(printf '0x%x' "$window")
pid=$( (export XSCREENSAVER_WINDOW="$hex" && run_saver daemon --root))
sleep 2
import -window "$window" "$work/daemon.png"
check "XSCREENSAVER_WINDOW names the window to draw into" drawn "$work/daemon.png"
kill -TERM "$(saver_pid "$pid")"
check "... and SIGTERM ends it with 0" wait_for_exit "$pid" 2
check "... exit code 0" test "$(exit_code_of daemon)" = 0
end_host "Host Window"
end_host "Daemon Window"

# The window it draws into goes away under it: it ends cleanly.
window=$(host_window "Doomed Window")
pid=$(run_saver doomed --window-id "$window")
sleep 1
check "a saver in another program's window runs" kill -0 "$pid"
end_host "Doomed Window"
check "... and ends when that window is destroyed" wait_for_exit "$pid" 3
check "... with exit code 0" test "$(exit_code_of doomed)" = 0
check "... saying nothing" test ! -s "$work/doomed.err"

# Bad switches and windows that do not exist end with -1 (255 to the
# shell), after one line that says what was wrong.
for arguments in "--window-id 0x7fffff0" "--window-id twelve" "/p 12345" "/p" "/p 0" "/p abc" "/x" "/a"; do
  # shellcheck disable=SC2086
  timeout 10 "$saver" $arguments >/dev/null 2>"$work/bad.err"
  check "'$arguments' exits with -1" test $? -eq 255
  check "... after one line on stderr" test "$(grep -c '^lumarel: ..' "$work/bad.err")/$(wc -l <"$work/bad.err")" = 1/1
done
timeout 10 "$saver" --interval 0 /s >/dev/null 2>&1
check "a bad option value is refused with 2" test $? -eq 2

# The settings dialog: Cancel writes nothing, OK writes every key: four, then
# each table's Cycle switch and its entries.
keys=$((4 + 1 + $("$render" --list-patterns | wc -l) + 1 + $("$render" --list-colors | wc -l)))
mkdir -p "$(dirname "$ini")"
printf '; kept as it is\n[ScreenSaver.Lumarel]\nPercentCrayon=30\n' >"$ini"
cp "$ini" "$work/before.ini"
pid=$(run_saver cancelled)
check "no switch opens the settings dialog" wait_for_window "Vestrand Lumarel Settings" 10
sleep 1
import -window root "$work/dialog.png"
xdotool search --name "^Vestrand Lumarel Settings\$" windowfocus --sync
xdotool key Escape
check "Cancel closes the dialog" wait_for_exit "$pid" 5
check "... with 0" test "$(exit_code_of cancelled)" = 0
check "Cancel writes nothing" cmp -s "$ini" "$work/before.ini"

# A signal to end the dialog ends it as Cancel would, within a second.
for signal in TERM INT HUP; do
  pid=$(run_saver "signalled-$signal" /c)
  wait_for_window "Vestrand Lumarel Settings" 10
  dialog_pid=$(saver_pid "$pid")
  kill -"$signal" "$dialog_pid"
  # The program itself, not the subshell around it, which init reaps when it will.
  check "SIG$signal ends the settings dialog within a second" wait_for_exit "$dialog_pid" 1
  wait_for_exit "$pid" 5
  check "... with 0, as Cancel" test "$(exit_code_of "signalled-$signal")" = 0
  check "... and writes nothing" cmp -s "$ini" "$work/before.ini"
done

rm -f "$ini"
pid=$(run_saver accepted /c)
wait_for_window "Vestrand Lumarel Settings" 10
sleep 1
# Clicks at dialog units of the 329 x 194 template: "About..." spans (30, 174) to (68, 188).
dialog=$(xdotool search --name "^Vestrand Lumarel Settings\$" | head -n 1)
read -r width height < <(xdotool getwindowgeometry "$dialog" | awk '/Geometry/ { sub("x", " ", $2); print $2 }')
click_dialog() { xdotool mousemove --window "$dialog" $(($1 * width / 329)) $(($2 * height / 194)) click 1; }
click_dialog 49 181
check "About... opens the About box" wait_for_window "About Vestrand Lumarel XP" 5
sleep 0.5
import -window root "$work/about.png"
xdotool key Return
for _ in $(seq 1 20); do xdotool search --name "^About Vestrand Lumarel XP\$" >/dev/null || break; sleep 0.1; done
check "... and Enter closes it" test -z "$(xdotool search --name "^About Vestrand Lumarel XP\$")"
check "... leaving the dialog open" kill -0 "$pid"
sleep 0.5
# The bars take the keyboard once clicked: End and Home move them to their ends.
click_dialog 238 127
xdotool key End
click_dialog 238 151
xdotool key Home
sleep 0.5
import -window root "$work/dialog-bars.png"
# The focus is on a bar now, where Enter would mean OK too; OK is clicked.
click_dialog 213 181
check "OK closes the dialog" wait_for_exit "$pid" 5
check "... with 1" test "$(exit_code_of accepted)" = 1
check "OK writes the section with its $keys keys" test "$(grep -c '=' "$ini" 2>/dev/null)" = "$keys"
check "... with the style bar at its right end and the speed bar at its left" \
  test "$(grep -E '^(PercentCrayon|Timer interval)=' "$ini" | sort | paste -sd ' ')" = "PercentCrayon=100 Timer interval=5"

# A display that goes away under a run ends it with 3 (1 would read as OK in
# the settings), saying so.
for mode in /s --window /c; do
  start_server 640x480
  pid=$(DISPLAY="$server_display" run_saver lost "$mode")
  sleep 2
  kill "$server_pid"
  wait "$server_pid" 2>/dev/null
  check "a display that goes away ends lumarel $mode" wait_for_exit "$pid" 5
  check "... with 3, saying so" eval 'test "$(exit_code_of lost)" = 3 && grep -q "lost the connection to the X server" "$work/lost.err"'
  cp "$work/lost.err" "$work/lost${mode//\//-}.err"
done

keep_screenshots
if [ "$failed" -gt 0 ]; then
  show_saver_errors
fi
finish
