# Sourced by the Windows end-to-end scripts: an X session (x_session.sh) with
# a Wine prefix of its own. The caller sets `saver` (the program under test)
# first, and `loader` where it needs another Wine loader than `wine`.
source "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"
export WINEDEBUG=-all WINEPREFIX="$work/prefix"

cleanup_more() { wineserver -k >/dev/null 2>&1; }

start_session() {  # start_session WIDTHxHEIGHT
  start_display "$1"
  wineboot -i >/dev/null 2>&1
}

# run_saver NAME ARGS...: starts the saver in the background in the work
# folder, prints its process id; its exit code lands in $work/NAME.exit.
run_saver() {
  local name="$1"
  shift
  # Detached from our output, or a caller's $(...) would wait for it.
  (cd "$work" && "${loader:-wine}" "$saver" "$@"; echo $? >"$work/$name.exit") >/dev/null 2>&1 &
  echo $!
}
