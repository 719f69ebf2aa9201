# Sourced by the end-to-end scripts: a work folder on a virtual X display of
# its own, the checks' tally, and waiting helpers. A script that needs more
# cleaning up defines cleanup_more.
work="$(mktemp -d)"
passed=0
failed=0

cleanup() {
  declare -F cleanup_more >/dev/null && cleanup_more
  # Waited for: a server still going away would remove the socket of the
  # next one that takes the same display number.
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
# A reader that goes away (| head) must not end the script before its clean-up.
trap '' PIPE

# Starts Xvfb on a display number that is free, and waits until it is ready.
start_display() {  # start_display WIDTHxHEIGHT
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 1 300); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  if [ ! -s "$work/display" ]; then
    echo "FAIL: Xvfb did not start"
    exit 1
  fi
  export DISPLAY=":$(cat "$work/display")"
}

check() {  # check NAME COMMAND...: counts the command's success, and returns it
  local name="$1"
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok: $name"
  else
    failed=$((failed + 1))
    echo "FAIL: $name"
    return 1
  fi
}

# Waits up to $2 seconds for an X window named $1; true when it shows.
wait_for_window() {
  for _ in $(seq 1 $(($2 * 10))); do
    xdotool search --name "^$1\$" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# Waits up to $2 seconds for process $1 to end; true when it did.
wait_for_exit() {
  for _ in $(seq 1 $(($2 * 10))); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}

exit_code_of() { cat "$work/$1.exit" 2>/dev/null; }

# Whether more than a hundredth of a picture is lit.
not_black() {
  local lit
  lit=$(convert "$1" -threshold 1% -format "%[fx:mean]" info:)
  awk "BEGIN { exit !($lit > 0.01) }"
}

# Whether two pictures differ in more than a thousand pixels.
differ() {
  local count
  count=$(compare -metric AE "$1" "$2" null: 2>&1)
  test "${count%% *}" -gt 1000
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

finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
