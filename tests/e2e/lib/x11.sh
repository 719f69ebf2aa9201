# Sourced after checks.sh: virtual X displays and their windows.

# start_server WIDTHxHEIGHT: starts Xvfb on a display number that is free
# and waits until it is ready; its process id lands in $server_pid, its
# display (":N") in $server_display.
start_server() {
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  server_pid=$!
  for _ in $(seq 1 300); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  if [ ! -s "$work/display" ]; then
    echo "FAIL: Xvfb did not start"
    exit 1
  fi
  server_display=":$(cat "$work/display")"
}

# start_display WIDTHxHEIGHT: the script's own display, in $DISPLAY, ended
# at the clean-up.
start_display() {
  start_server "$1"
  xvfb=$server_pid
  export DISPLAY="$server_display"
}

# Waits up to $2 seconds for an X window named $1; true when it shows.
wait_for_window() {
  for _ in $(seq 1 $(($2 * 10))); do
    xdotool search --name "^$1\$" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# The full-screen saver on a 1024x768 display: covers it, draws, defers to a
# running saver, survives a 4-pixel move, ends with 0 on a 5-pixel one and on
# a key press. The caller's run_saver starts it; $1: seconds to allow a start.
check_full_screen() {
  local patience="$1" pid second geometry
  xdotool mousemove 500 400
  pid=$(run_saver full /s)
  if ! check "/s shows the saver window" wait_for_window "Screen Saver" "$patience"; then
    echo "   (saver: exit code $(cat "$work/full.exit" 2>/dev/null || echo none yet), stderr: $(cat "$work/full.err" 2>/dev/null))"
  fi
  geometry=$(xdotool search --name "^Screen Saver\$" getwindowgeometry 2>/dev/null | awk '/Geometry/ { print $2 }')
  check "the saver window covers the screen" test "$geometry" = 1024x768
  sleep 2
  import -window root "$work/full1.png"
  sleep 2
  import -window root "$work/full2.png"
  check "the picture changes over time" differ "$work/full1.png" "$work/full2.png"
  check "the picture is not black" not_black "$work/full2.png"
  second=$(run_saver second /s)
  check "a second /s ends at once" wait_for_exit "$second" "$patience"
  check "a second /s exits with 0" test "$(exit_code_of second)" = 0
  check "the first saver keeps running" kill -0 "$pid"
  xdotool mousemove_relative -- 3 1
  sleep 1
  check "a 4-pixel move does not end the saver" kill -0 "$pid"
  xdotool mousemove_relative -- 1 0
  check "a 5-pixel move ends the saver" wait_for_exit "$pid" 10
  check "the saver exits with 0" test "$(exit_code_of full)" = 0

  pid=$(run_saver keyed -s)
  wait_for_window "Screen Saver" "$patience"
  sleep 1
  xdotool key space
  check "a key press ends the saver" wait_for_exit "$pid" 10
  check "... with exit code 0" test "$(exit_code_of keyed)" = 0
}

