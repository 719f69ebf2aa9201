# Sourced by the Windows end-to-end scripts: the checks, an X display and a
# Wine prefix of their own. The caller sets `saver` (the program under test)
# first; run_saver starts it with `wine`, or with the loader the caller puts
# in `launcher` after sourcing this.
lib="$(dirname "${BASH_SOURCE[0]}")"
source "$lib/checks.sh"
source "$lib/x11.sh"
source "$lib/saver.sh"
launcher=(wine)
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

# The server keeps its socket in /tmp/wine-XXXXXX/server-DEVICE-INODE (of
# the prefix): once it has ended, that folder goes, and the folders of that
# kind made during this run, when nothing is left in them.
wine_folders_before=$(ls -d /tmp/wine-* 2>/dev/null)
remove_server_folders() {
  local device inode folder
  if [ -d "$WINEPREFIX" ]; then
    device=$(stat -c %D "$WINEPREFIX")
    inode=$(printf %x "$(stat -c %i "$WINEPREFIX")")
    rm -rf /tmp/wine-*/"server-$device-$inode"
  fi
  for folder in /tmp/wine-*; do
    [ -d "$folder" ] && ! grep -qxF "$folder" <<<"$wine_folders_before" && rmdir "$folder" 2>/dev/null
  done
  return 0
}
cleanup_more() {
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  remove_server_folders
}

# A complete prefix: wineboot returns while its services still start, and
# the server then shuts down a few seconds later; a program started during
# that shutdown can be refused. Waiting for the server to end avoids both.
make_prefix() {
  if ! wineboot -i >"$work/wineboot.log" 2>&1; then
    echo "FAIL: wineboot could not make the prefix:"
    cat "$work/wineboot.log"
    exit 1
  fi
  wineserver -w
}

start_session() {  # start_session WIDTHxHEIGHT
  start_display "$1"
  make_prefix
}
