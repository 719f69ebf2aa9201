#!/bin/bash
# The installed lumarel under the real screen-saver daemon (xscreensaver) on
# a virtual X display: installed files, the daemon's settings page, and the
# daemon starting and stopping our program.
#   xscreensaver_daemon.sh PREFIX    (/usr for the installed package)
set -u
prefix="$(realpath "$1")"
source "$(dirname "$0")/lib/checks.sh"
source "$(dirname "$0")/lib/x11.sh"

# The daemon refuses to run its programs as root.
as_daemon_user() {
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"
  else
    "$@"
  fi
}
# Ends only the daemon this script started, by its process id.
cleanup_more() { [ -n "${daemon:-}" ] && kill "$daemon" 2>/dev/null && wait "$daemon" 2>/dev/null; }

# The man page may be compressed.
for file in "$prefix"/bin/lumarel "$prefix"/share/man/man6/lumarel.6* "$prefix"/share/applications/lumarel.desktop \
  "$prefix"/share/xscreensaver/config/lumarel.xml; do
  check "installs ${file#"$prefix"/}" test -s "$file"
done

# Every setting of the daemon's page, at both ends of its range, is an
# option that lumarel takes.
settings="$prefix/share/xscreensaver/config/lumarel.xml"
accepted=true
tried=0
while read -r option low high; do
  for value in "$low" "$high"; do
    "$prefix/bin/lumarel" "$option" "$value" --root --help >/dev/null 2>&1 || accepted=false
    tried=$((tried + 1))
  done
done < <(tr '\n' ' ' <"$settings" | grep -o '<number [^>]*>' |
  sed -E 's/.*arg="([^ ]*) %".*low="([0-9]+)".*high="([0-9]+)".*/\1 \2 \3/')
check "the daemon's settings page passes options that lumarel takes" $accepted
check "... for both of its settings" test "$tried" = 4

start_display 1024x768
home="$work/home"
mkdir -p "$home"
# lumarel is the only program, found on the PATH as the README says.
cat >"$home/.xscreensaver" <<EOF
timeout: 0:30:00
lock: False
fade: False
unfade: False
splash: False
dpmsEnabled: False
mode: one
selected: 0
programs: lumarel --root \\n
EOF
chmod 755 "$work"
[ "$(id -u)" -eq 0 ] && chown -R nobody "$home"
export HOME="$home" PATH="$prefix/bin:$PATH"
cd "$home" || exit 1
# Started directly (not through the function), so that $! is the daemon's own id.
if [ "$(id -u)" -eq 0 ]; then
  setpriv --reuid=nobody --regid=nogroup --clear-groups xscreensaver --no-splash >"$work/daemon.log" 2>&1 &
else
  xscreensaver --no-splash >"$work/daemon.log" 2>&1 &
fi
daemon=$!
cd - >/dev/null || exit 1
up=false
for _ in $(seq 1 50); do
  as_daemon_user xscreensaver-command -time >/dev/null 2>&1 && up=true && break
  sleep 0.2
done
check "the daemon starts" $up

as_daemon_user xscreensaver-command -activate >/dev/null 2>&1
started=false
for _ in $(seq 1 50); do
  pgrep -f "^$prefix/bin/lumarel --root|^lumarel --root" >/dev/null && started=true && break
  sleep 0.2
done
check "activation runs lumarel" $started
sleep 2
import -window root "$work/daemon1.png"
sleep 2
import -window root "$work/daemon2.png"
check "the screen shows figures" not_black "$work/daemon2.png"
check "... that move" differ "$work/daemon1.png" "$work/daemon2.png"
as_daemon_user xscreensaver-command -deactivate >/dev/null 2>&1
ended=false
for _ in $(seq 1 25); do
  pgrep -f "^$prefix/bin/lumarel --root|^lumarel --root" >/dev/null || { ended=true && break; }
  sleep 0.2
done
check "deactivation ends lumarel" $ended
as_daemon_user xscreensaver-command -exit >/dev/null 2>&1

keep_screenshots
finish
