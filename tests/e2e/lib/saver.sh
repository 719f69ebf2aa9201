# Sourced after checks.sh: the program under test, $saver, started in the
# background, through ${launcher[@]} where the caller sets it (Wine's loader).
launcher=()

# run_saver NAME ARGS...: starts it in the work folder and prints the id of
# the subshell that waits for it; its stderr lands in $work/NAME.err, its
# exit code in $work/NAME.exit (exit_code_of NAME), the id in $work/started.
run_saver() {
  local name="$1"
  shift
  # Detached from our output, or a caller's $(...) would wait for it.
  (cd "$work" && "${launcher[@]}" "$saver" "$@" 2>"$work/$name.err"; echo $? >"$work/$name.exit") >/dev/null 2>&1 &
  echo $! >>"$work/started"
  echo $!
}

# The process id of the saver itself, under the subshell that waits for it.
saver_pid() { pgrep -P "$1" | head -n 1; }

# Ends the savers that a failed check left running.
end_started_savers() {
  local pid
  for pid in $(cat "$work/started" 2>/dev/null); do
    kill "$(saver_pid "$pid")" 2>/dev/null && wait_for_exit "$pid" 5
  done
  return 0
}

# show_saver_errors: what each run said on stderr, for a run whose checks failed.
show_saver_errors() {
  local log name
  for log in "$work"/*.err; do
    [ -s "$log" ] || continue
    name=$(basename "$log" .err)
    echo "$name (exit $(exit_code_of "$name")): $(head -c 2000 "$log")"
  done
}
