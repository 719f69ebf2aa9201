# Sourced by the end-to-end scripts: a work folder on a virtual X display of
# its own, the checks' tally, and waiting helpers. A script that needs more
# cleaning up defines cleanup_more.
work="$(mktemp -d)"
passed=0
failed=0
export DISPLAY=":$((90 + RANDOM % 100))"

cleanup() {
  declare -F cleanup_more >/dev/null && cleanup_more
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

start_display() {  # start_display WIDTHxHEIGHT
  Xvfb "$DISPLAY" -screen 0 "$1x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 1 50); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

check() {  # check NAME COMMAND...: counts the command's success
  local name="$1"
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok: $name"
  else
    failed=$((failed + 1))
    echo "FAIL: $name"
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

finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
