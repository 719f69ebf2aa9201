#!/bin/bash
# Settings given on the command line live in memory: lumarel-render (with
# --pattern, --colors, --crayon) and lumarel --interval/--crayon leave no
# file in /tmp or in the settings folder when they are ended by SIGKILL or
# SIGPIPE, or lose their X server.
#   no_settings_copies.sh BUILD_DIR
set -u
build="$(realpath "$1")"
here="$(realpath "$(dirname "$0")")"
# Where it can, the check runs with a /tmp of its own, so that nothing other
# programs put there counts; not when the checkout or the build is in /tmp,
# which that would hide.
case "$here/:$build/" in /tmp/* | *:/tmp/*) private_tmp_possible=false ;; *) private_tmp_possible=true ;; esac
if [ -z "${PRIVATE_TMP:-}" ] && $private_tmp_possible && unshare -m --propagation private true 2>/dev/null; then
  exec env PRIVATE_TMP=1 unshare -m --propagation private \
    bash -c 'mount -t tmpfs tmpfs /tmp && exec "$0" "$@"' "$0" "$build"
fi
source "$(dirname "$0")/../e2e/lib/checks.sh"
source "$(dirname "$0")/../e2e/lib/x11.sh"
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME/lumarel"
printf '[ScreenSaver.Lumarel]\nTimer interval=40\n' >"$XDG_CONFIG_HOME/lumarel/control.ini"
touch "$work/marker"
sleep 1

# Files that the programs could have left: in a /tmp of our own anything but
# our work folder and the X server's files, else what is newer than the marker
# and named as the programs would name it; anything new in the settings folder.
left_behind() {
  if [ -n "${PRIVATE_TMP:-}" ]; then
    find /tmp -mindepth 1 -maxdepth 1 ! -path "$work" ! -name .X11-unix ! -name '.X*-lock'
  else
    find /tmp -maxdepth 1 -newer "$work/marker" -name 'lumarel*' -user "$(id -u)"
  fi
  find "$XDG_CONFIG_HOME" -newer "$work/marker"
}

# end_by SIGNAL COMMAND...: starts the command, lets it run, sends the signal.
end_by() {
  local signal="$1" pid
  shift
  "$@" >/dev/null 2>&1 &
  pid=$!
  sleep 1.5
  kill -s "$signal" "$pid"
  wait "$pid" 2>/dev/null
}

for signal in KILL PIPE; do
  end_by "$signal" "$build/lumarel-render" --size 640x360 --seed 1 --seconds 86400 --pattern Mask --colors Red \
    --crayon -o "$work/out.png"
  check "lumarel-render ended by SIG$signal leaves nothing behind" test -z "$(left_behind)"
done

if [ -x "$build/lumarel" ]; then
  start_display 640x480
  for signal in KILL PIPE; do
    end_by "$signal" "$build/lumarel" --window --interval 5 --crayon 50
    check "lumarel --interval ended by SIG$signal leaves nothing behind" test -z "$(left_behind)"
  done
  "$build/lumarel" --window --interval 5 >/dev/null 2>&1 &
  pid=$!
  sleep 1.5
  kill "$xvfb"
  wait "$xvfb" 2>/dev/null
  xvfb=""
  check "lumarel --interval ends when it loses its X server" wait_for_exit "$pid" 10
  check "... and leaves nothing behind" test -z "$(left_behind)"
fi
left_behind
finish
