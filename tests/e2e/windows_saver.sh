#!/bin/bash
# End-to-end tests of lumarel.scr under Wine on a virtual X display: the
# full-screen saver, the preview, the settings dialog and the exit codes.
#   windows_saver.sh SAVER.scr PREVIEW_HOST.exe LUMAREL_RENDER
# (LUMAREL_RENDER, the Linux build's, lists the patterns and colour sets.)
set -u
saver="$(realpath "$1")"
preview_host="$(realpath "$2")"
render="$(realpath "$3")"
keys=$((4 + 1 + $("$render" --list-patterns | wc -l) + 1 + $("$render" --list-colors | wc -l)))
source "$(dirname "$0")/lib/wine.sh"

start_session 1024x768
ini="$WINEPREFIX/drive_c/windows/control.ini"

# Bad switches end with -1 (255 to the shell) and no window.
for switch in /x "/?" "/p" "/p abc" "/p 0" "/a 1"; do
  (cd "$work" && timeout 30 wine "$saver" $switch >/dev/null 2>&1)
  check "switch '$switch' exits with -1" test $? -eq 255
done

check_full_screen 20

# Preview: a child in the host's window that keys do not end; the host's end
# ends it. Wine does not show a child window of another process on the X
# screen, so its message trace tells whether the animation timer drove it.
(cd "$work" && WINEDEBUG=+msg timeout 60 wine "$preview_host" "$saver" >"$work/preview.out" 2>"$work/preview.trace")
check "the preview runs in its parent and ends with it" test $? -eq 0
preview=$(tr -d '\r' <"$work/preview.out" | awk '/preview running/ { sub(/^(0x)?0*/, "", $3); print $3 }')
ticks=$(grep -F -c "(WM_TIMER) hwnd 0x$preview wp c8 " "$work/preview.trace")
check "the preview animates on its timer" test "$ticks" -ge 20

# The settings dialog: Cancel writes nothing, OK writes the section.
rm -f "$ini"
pid=$(run_saver dialog)
check "no switch opens the settings dialog" wait_for_window "Vestrand Lumarel Settings" 20
sleep 1
import -window root "$work/dialog.png"
xdotool key Escape
check "Cancel closes the dialog" wait_for_exit "$pid" 10
check "Cancel writes nothing" test ! -e "$ini"
pid=$(run_saver about /c)
wait_for_window "Vestrand Lumarel Settings" 20
sleep 1
xdotool key alt+a 2>/dev/null
xdotool search --name "^Vestrand Lumarel Settings\$" windowactivate --sync >/dev/null 2>&1
button=$(xdotool search --name "^Vestrand Lumarel Settings\$" | head -n 1)
# "About..." sits at dialog units (30, 174): about (45, 283) pixels inside the dialog.
xdotool mousemove --window "$button" 60 290 click 1
check "About... opens the About box" wait_for_window "About Vestrand Lumarel XP" 10
xdotool key Return
sleep 1
xdotool search --name "^Vestrand Lumarel Settings\$" windowactivate --sync >/dev/null 2>&1
xdotool key Return
check "OK closes the dialog" wait_for_exit "$pid" 10
check "OK ends the dialog with 1" test "$(exit_code_of about)" = 1
check "OK writes the section with its $keys keys" test "$(grep -c '=' "$ini" 2>/dev/null)" = "$keys"
check "the keys come in order" test "$(sed -n "2p;$((keys + 1))p" "$ini" | tr -d '\r' | paste -sd ' ')" = \
  "Pause=1 $("$render" --list-colors | tail -n 1)=1"

# A control.ini that cannot be written: OK says so in a message box over the
# dialog, which stays open; Cancel then leaves it and the file as they were.
# Root writes read-only files, so for root the file is made immutable.
printf '[ScreenSaver.Lumarel]\r\nMask=0\r\n' >"$ini"
cp "$ini" "$work/readonly.ini"
chmod a-w "$ini"
[ "$(id -u)" -eq 0 ] && chattr +i "$ini" 2>/dev/null && immutable=1
pid=$(run_saver readonly /c)
wait_for_window "Vestrand Lumarel Settings" 20
sleep 1
xdotool search --name "^Vestrand Lumarel Settings\$" windowactivate --sync >/dev/null 2>&1
xdotool key Return
sleep 2
check "OK on a read-only file shows a message box" \
  test "$(xdotool search --name "^Vestrand Lumarel Settings\$" 2>/dev/null | wc -l)" = 2
check "... and the dialog stays open" kill -0 "$pid"
# The box is the smaller window of that name; its OK button sits at the
# middle of its bottom edge.
read -r size box < <(for window in $(xdotool search --name "^Vestrand Lumarel Settings\$"); do
  echo "$(xdotool getwindowgeometry "$window" | awk '/Geometry/ { print $2 }') $window"
done | sort -n | head -n 1)
xdotool mousemove --window "$box" $((${size%x*} / 2)) $((${size#*x} - 22)) click 1
box_closed() {
  for _ in $(seq 1 100); do
    [ "$(xdotool search --name "^Vestrand Lumarel Settings\$" 2>/dev/null | wc -l)" = 1 ] && return 0
    sleep 0.1
  done
  return 1
}
check "OK closes the message box" box_closed
xdotool search --name "^Vestrand Lumarel Settings\$" windowactivate --sync >/dev/null 2>&1
xdotool key Escape
check "Cancel then leaves the dialog" wait_for_exit "$pid" 10
check "... with 0" test "$(exit_code_of readonly)" = 0
check "the read-only file is unchanged" cmp -s "$ini" "$work/readonly.ini"
[ -n "${immutable:-}" ] && chattr -i "$ini"
chmod u+w "$ini"

# A changed setting takes effect: only Symmetron in shades of red.
{
  printf '[ScreenSaver.Lumarel]\r\nPercentCrayon=0\r\n'
  pattern_keys "$render" | while IFS= read -r key; do [ "$key" = Symmetron ] || printf '%s=0\r\n' "$key"; done
  "$render" --list-colors | while IFS= read -r key; do [ "$key" = Red ] || printf '%s=0\r\n' "$key"; done
} >"$ini"
pid=$(run_saver red /s)
wait_for_window "Screen Saver" 20
sleep 3
import -window root "$work/red.png"
xdotool key space
wait_for_exit "$pid" 10
# Every colour other than the background's has no green and no blue.
background=$(convert "$work/red.png" -format %c histogram:info:- | sort -rn | head -n 1 | grep -o '#[0-9A-F]\{6\}')
others=$(convert "$work/red.png" -format %c histogram:info:- | grep -o '#[0-9A-F]\{6\}' | grep -v "$background" |
  grep -vc '^#..0000$')
check "with only Red enabled every stroke is a shade of red" test "$others" = 0

keep_screenshots
finish
