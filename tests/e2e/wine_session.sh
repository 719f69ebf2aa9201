# Sourced by the Windows end-to-end scripts: an X session (x_session.sh) with
# a Wine prefix of its own. The caller sets `saver` (the program under test)
# first, and `loader` where it needs another Wine loader than `wine`.
source "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"
export WINEDEBUG=-all WINEPREFIX="$work/prefix"

# Debian's wine starts every program through its 32-bit loader. On a kernel
# without 32-bit support that loader cannot start at all: then `wine` (and
# wineboot, winecfg, winepath, which call wine-stable) run on the 64-bit
# loader, and the scripts that need 32-bit programs skip.
wine32_runs() { [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; }
if [ -x /usr/lib/wine/wine ] && ! wine32_runs; then
  mkdir "$work/wine64-only"
  for name in wine wine-stable; do
    printf '#!/bin/sh
export WINELOADER=/usr/lib/wine/wine64
exec /usr/lib/wine/wine64 "$@"
' >"$work/wine64-only/$name"
    chmod +x "$work/wine64-only/$name"
  done
  export PATH="$work/wine64-only:$PATH"
fi
# skip_without_wine32 WHAT: ends the script, passing, where 32-bit Windows
# programs cannot run here, saying so.
skip_without_wine32() {
  wine32_runs && return 0
  echo "SKIP: $1: this machine's kernel cannot run 32-bit programs, so neither can the 32-bit Wine"
  exit 0
}

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
