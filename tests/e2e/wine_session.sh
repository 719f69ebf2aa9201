# Sourced by the end-to-end scripts: a work folder with its own Wine prefix
# on a virtual X display of its own, the checks' tally, and waiting helpers.
# The caller sets `saver` (the program under test) first.
work="$(mktemp -d)"
passed=0
failed=0
export DISPLAY=":$((90 + RANDOM % 100))" WINEDEBUG=-all WINEPREFIX="$work/prefix"

cleanup() {
  wineserver -k >/dev/null 2>&1
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

start_session() {  # start_session WIDTHxHEIGHT
  Xvfb "$DISPLAY" -screen 0 "$1x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  sleep 1
  wineboot -i >/dev/null 2>&1
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

# run_saver NAME ARGS...: starts the saver in the background in the work
# folder, prints its process id; its exit code lands in $work/NAME.exit.
run_saver() {
  local name="$1"
  shift
  # Detached from our output, or a caller's $(...) would wait for it.
  (cd "$work" && wine "$saver" "$@"; echo $? >"$work/$name.exit") >/dev/null 2>&1 &
  echo $!
}

exit_code_of() { cat "$work/$1.exit" 2>/dev/null; }

finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
