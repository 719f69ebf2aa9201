#!/bin/bash
# The installed lumarel under the other X11 saver hosts on a virtual X
# display: MATE's daemon, xsecurelock and xautolock.
#   saver_hosts.sh BUILD_DIR
set -u

# MATE's daemon and xsecurelock start programs only from their own folders
# below /usr. The script runs in a mount namespace of its own, where those
# folders show what the install put there; nothing outside it changes.
if [ -z "${LUMAREL_HOSTS_NAMESPACE:-}" ]; then
  as_root=""
  [ "$(id -u)" -ne 0 ] && as_root=--map-root-user
  LUMAREL_HOSTS_NAMESPACE=1 exec unshare --mount --propagation private $as_root "$0" "$@"
fi
build="$(realpath "$1")"
source "$(dirname "$0")/lib/checks.sh"
source "$(dirname "$0")/lib/x11.sh"

prefix="$work/usr"
cmake --install "$build" --prefix "$prefix" >/dev/null
cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
IFS=';' read -r -a mate_folders <<<"$(cached LUMAREL_MATE_SAVER_DIR)"
helper_folder="$(cached LUMAREL_XSECURELOCK_DIR)"
theme="$prefix/share/applications/screensavers/lumarel.desktop"
check "installs the MATE theme" grep -qx 'Categories=Screensaver;' "$theme"
check "... which runs lumarel --root" grep -qx 'Exec=lumarel --root' "$theme"
for folder in "${mate_folders[@]}" "$helper_folder"; do
  check "links lumarel into $folder" test "$(readlink -f "$prefix/$folder/lumarel")" = "$prefix/bin/lumarel"
done

# Shows FOLDER's files and a link to the installed one in /usr/FOLDER.
show_installed() {  # show_installed FOLDER [KEEP]: KEEP keeps the folder's own files
  local view="$work/view-${1//\//-}"
  mkdir -p "$view"
  [ -n "${2:-}" ] && cp -a "/usr/$1/." "$view/"
  ln -s "$prefix/$1/lumarel" "$view/lumarel"
  mount --bind "$view" "/usr/$1"
}

# Whether process $1 has ended: gone, or a zombie that nobody reaped.
ended() {
  local state
  state=$(ps -o stat= -p "$1" 2>/dev/null) || return 0
  [ "${state:0:1}" = Z ]
}

# Waits up to $2 seconds for every process in $1 to end.
all_end() {
  local pid running
  for _ in $(seq 1 $(($2 * 10))); do
    running=false
    for pid in $1; do ended "$pid" || running=true; done
    $running || return 0
    sleep 0.1
  done
  for pid in $1; do ended "$pid" || echo "still running: $(ps -o pid=,args= -p "$pid")"; done
  return 1
}

# The processes below process $1, every generation.
descendants() {
  local child
  for child in $(pgrep -P "$1"); do
    echo "$child"
    descendants "$child"
  done
}

# Waits up to $3 seconds for a process named $2 below process $1; prints its id.
wait_for_child() {
  local pid
  for _ in $(seq 1 $(($3 * 10))); do
    for pid in $(descendants "$1"); do
      [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "$2" ] && echo "$pid" && return 0
    done
    sleep 0.1
  done
  return 1
}

# The size of the window that process $1 was given in XSCREENSAVER_WINDOW.
given_window_size() {
  local window
  window=$(tr '\0' '\n' <"/proc/$1/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p')
  xwininfo -id "$window" 2>/dev/null | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'
}

# Two screenshots two seconds apart show moving figures.
check_figures() {  # check_figures NAME
  sleep 2
  import -window root "$work/$1-1.png"
  sleep 2
  import -window root "$work/$1-2.png"
  check "the screen shows figures" not_black "$work/$1-2.png"
  check "... that move" differ "$work/$1-1.png" "$work/$1-2.png"
}

start_display 1024x768
export HOME="$work/home" PATH="$prefix/bin:$PATH"
export XDG_CONFIG_HOME="$HOME/.config" XDG_CACHE_HOME="$HOME/.cache" XDG_RUNTIME_DIR="$HOME/run"
export XDG_DATA_DIRS="$prefix/share:/usr/local/share:/usr/share" NO_AT_BRIDGE=1
mkdir -p "$HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"

echo "-- mate-screensaver"
# The folder this release's daemon looks in.
for folder in "${mate_folders[@]}"; do [ -d "/usr/$folder" ] && show_installed "$folder"; done
# A session bus of our own carries the daemon's commands and its settings.
dbus-daemon --session --nofork --print-address=3 3>"$work/bus" 2>/dev/null &
bus=$!
for _ in $(seq 1 50); do
  [ -s "$work/bus" ] && break
  sleep 0.1
done
DBUS_SESSION_BUS_ADDRESS="$(head -n 1 "$work/bus")"
export DBUS_SESSION_BUS_ADDRESS
gsettings set org.mate.screensaver mode single
gsettings set org.mate.screensaver themes "['screensavers-lumarel']"
gsettings set org.mate.screensaver lock-enabled false
gsettings set org.mate.screensaver idle-activation-enabled false
# The settings window lists the theme and shows it in its preview.
mate-screensaver-preferences >"$work/preferences.log" 2>&1 &
preferences=$!
if saver=$(wait_for_child "$preferences" lumarel 10); then
  check "the daemon's settings window previews lumarel" true
  window=$(tr '\0' '\n' <"/proc/$saver/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p')
  sleep 2
  import -window "$window" "$work/mate-preview.png"
  check "... which draws figures into it" not_black "$work/mate-preview.png"
else
  check "the daemon's settings window previews lumarel" false
  saver=""
fi
kill "$preferences" && wait "$preferences"
[ -n "$saver" ] && check "closing the settings window ends the preview" wait_for_exit "$saver" 10

mate-screensaver --no-daemon >"$work/mate.log" 2>&1 &
mate=$!
up=false
for _ in $(seq 1 50); do
  mate-screensaver-command --query >/dev/null 2>&1 && up=true && break
  sleep 0.2
done
check "the daemon starts" $up
mate-screensaver-command --activate >/dev/null 2>&1
if saver=$(wait_for_child "$mate" lumarel 10); then
  check "activation runs lumarel" true
  check "... into the daemon's window over the screen" test "$(given_window_size "$saver")" = 1024x768
  check_figures mate
  mate-screensaver-command --deactivate >/dev/null 2>&1
  check "deactivation ends lumarel" wait_for_exit "$saver" 10
else
  check "activation runs lumarel" false
fi
bus_children=$(descendants "$bus")
kill "$mate" && wait "$mate"
kill "$bus" && wait "$bus"
check "the daemon and its session bus end" all_end "$mate $bus $bus_children" 10

echo "-- xsecurelock"
show_installed "$helper_folder" keep
XSECURELOCK_SAVER=lumarel xsecurelock >"$work/xsecurelock.log" 2>&1 &
lock=$!
if saver=$(wait_for_child "$lock" lumarel 10); then
  check "the lock runs lumarel" true
  check "... as -root" test "$(tr '\0' '\n' <"/proc/$saver/cmdline" | sed 1d)" = -root
  check "... into the lock's window over the screen" test "$(given_window_size "$saver")" = 1024x768
  check_figures xsecurelock
  check "the screen is still locked" kill -0 "$lock"
else
  check "the lock runs lumarel" false
fi
started=$(descendants "$lock")
kill "$lock" && wait "$lock"
check "ending the lock ends every process it started" all_end "$started" 10

echo "-- xautolock"
# Not in every release (Debian 13 has none).
if ! command -v xautolock >/dev/null; then
  echo "SKIP: xautolock is not installed"
else
  # A lumarel first on the PATH that notes how the real one ended.
  mkdir "$work/noting"
  printf '#!/bin/sh\n"%s" "$@"\necho $? >"%s"\n' "$prefix/bin/lumarel" "$work/autolocked.exit" >"$work/noting/lumarel"
  chmod +x "$work/noting/lumarel"
  PATH="$work/noting:$PATH" xautolock -time 1 -locker 'lumarel /s' >"$work/xautolock.log" 2>&1 &
  autolock=$!
  # A loaded machine can take a while to start it; it reads the message on
  # its next round, once a second.
  for _ in $(seq 1 200); do
    xprop -root XAUTOLOCK_SEMAPHORE_PID | grep -q = && break
    sleep 0.1
  done
  xautolock -locknow
  if ! check "xautolock starts the full-screen saver" wait_for_window "Screen Saver" 20; then
    cat "$work/xautolock.log"
    ps -o pid,ppid,etime,args --ppid "$autolock"
  fi
  saver=$(wait_for_child "$autolock" lumarel 1)
  check "... as its locker" test -n "$saver"
  geometry=$(xdotool search --name "^Screen Saver\$" getwindowgeometry 2>/dev/null | awk '/Geometry/ { print $2 }')
  check "... covering the screen" test "$geometry" = 1024x768
  check_figures xautolock
  xdotool key space
  check "a key ends the saver" wait_for_exit "$saver" 10
  check "... with 0" test "$(exit_code_of autolocked)" = 0
  kill "$autolock" && wait "$autolock"
fi

keep_screenshots
finish
