# Sourced by every end-to-end script: a work folder removed at the end, the
# checks' tally, waiting for processes, exit codes and picture judgments. A
# script that needs more cleaning up defines cleanup_more.
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
# Caught rather than ignored: an ignored signal stays ignored in the programs
# the script starts, and the checks send them SIGPIPE.
trap ':' PIPE

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

# check_ NAME COMMAND...: a check that, when it fails, also shows what the
# programs said: the script's show_logs, which show_log serves.
check_() { check "$@" || { declare -F show_logs >/dev/null && show_logs; return 1; }; }
# show_log TITLE FILE LINES: the last lines of a log, indented.
show_log() {
  echo "   --- $1 (last lines):"
  sed 's/^/   | /' "$2" 2>/dev/null | tail -n "$3"
}
running() { kill -0 "$1" 2>/dev/null; }

# pattern_keys RENDER: the patterns' INI keys, one a line, from the labels
# that lumarel-render lists (a key is its label without blanks and
# punctuation, "&" read as "and"; keys match in any case).
pattern_keys() { "$1" --list-patterns | sed 's/&/and/g; s/[^[:alnum:]]//g'; }

# The screenshots, for a person to look at, where $SCREENSHOTS names a folder.
keep_screenshots() {
  [ -n "${SCREENSHOTS:-}" ] && mkdir -p "$SCREENSHOTS" && cp "$work"/*.png "$SCREENSHOTS"/ 2>/dev/null
  return 0
}

finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
