#!/bin/bash
# lumarel --lock as the session's lock screen, under Debian 13's sway in the
# test suite's Debian 13 root (lib/debian13_root.sh), with the package
# installed there and a user with a password: the desktop never shows while
# locked, the figures move on every output (one added while locked too),
# only the right password unlocks, a killed lock screen leaves the session
# locked for a new one, and swayidle runs saver then lock. Then Debian 12's
# sway, which has no session lock: --lock refuses and the desktop stays.
#   wayland_lock.sh lumarel_VERSION_amd64.deb BUILD_DIR
set -u
deb="$(realpath "$1")"
build="$(realpath "$2")"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/debian13_root.sh"
source "$here/lib/checks.sh"
unset DISPLAY
background="#fd01fe"  # the desktop's colour, which the lock hides
password='Corr3ct h0rse'
uid=1500

source "$here/lib/wayland.sh"
debian13_for_checks "$work"
root="$debian13_root"

# The user whose session is locked runs the compositor and our programs.
chroot "$root" id -u locktest >/dev/null 2>&1 || chroot "$root" useradd -m -u "$uid" locktest
echo "locktest:$password" | chroot "$root" chpasswd
chown "$uid:$uid" "$runtime"
in_root=(chroot "$root")
as_user=(setpriv --reuid="$uid" --regid="$uid" --clear-groups)
# Green figures only: nothing of them is the desktop's colour or the red of
# the prompt's "Wrong password".
mkdir -p "$work/config/lumarel"
{
  printf '[ScreenSaver.Lumarel]\nPercentCrayon=0\n'
  "$build/lumarel-render" --list-colors | while IFS= read -r colors; do
    echo "$colors=$([ "$colors" = Green ] && echo 1 || echo 0)"
  done
} >"$work/config/lumarel/control.ini"
chmod -R a+rX "$work/config"

lockers=()
others=()
cleanup_more() {
  keep_screenshots
  local pid
  # Lock screens end only by their password or by SIGKILL.
  for pid in "${lockers[@]}" "${others[@]}"; do kill -9 "$pid" 2>/dev/null; done
  stop_compositors
  debian13_installed lumarel && debian13_apt purge lumarel
}
show_logs() {
  show_log "apt" "$work/apt.log" 10
  for log in "$work"/lock*.err "$work/saver.err" "$work/idle.err"; do
    [ -f "$log" ] && show_log "$(basename "$log")" "$log" 15
  done
  show_log "sway's log" "$work/sway.log" 15
}

# "${as_locktest[@]}" COMMAND...: in the root, as the user, in the session
# (chroot, setpriv and env each run the next in their own process, so $! is
# the program's). Each also closes the root's lock, which stays this script's.
as_locktest=(chroot "$root" setpriv --reuid="$uid" --regid="$uid" --clear-groups env HOME=/home/locktest
  XDG_CONFIG_HOME="$work/config")
start_lock() {  # start_lock NAME: a lock screen in the background, its pid in $lock
  "${as_locktest[@]}" lumarel --lock 2>"$work/$1.err" {debian13_lock_fd}>&- &
  lock=$!
  lockers+=("$lock")
}
# type_keys WORDS...: one wtype call; its first key can be lost while the
# client binds the new keyboard, so a harmless one goes first.
type_keys() { "${in_root[@]}" wtype -s 300 -k Escape "$@"; }
shoot() { timeout 20 "${in_root[@]}" grim "$@"; }
# Whether the prompt says "Wrong password": red letters inside its box in
# the middle of a 1280x720 output.
says_wrong() {
  local share
  share=$(convert "$1" -crop 320x104+480+308 +repage -fx "r-max(g,b)>0.25" -format "%[fx:mean]" info:)
  awk "BEGIN { exit !($share > 0.002) }"
}
locked_with_figures() { covered "$1" && shows_figures "$1"; }
exited_with() {  # exited_with PID SECONDS STATUS: whether it ended within SECONDS with STATUS
  wait_for_exit "$1" "$2" || return 1
  wait "$1"
  test $? = "$3"
}

debian13_installed lumarel && debian13_apt purge lumarel
cp "$deb" "$work/"
check_ "apt installs the package in Debian 13" debian13_apt install --no-install-recommends "$work/$(basename "$deb")"
check_ "... with the PAM service lumarel" test -f "$root/etc/pam.d/lumarel"

write_sway_config "$runtime/sway.conf" "resolution 1280x720 position 0 0 bg $background solid_color"
echo "xwayland disable" >>"$runtime/sway.conf"
echo "-- sway $("${in_root[@]}" sway --version | awk '{ print $3 }') in $root"
start_compositor sway sway -c "$runtime/sway.conf"

# Fail closed: without its PAM service nothing could unlock, so it does not lock.
mv "$root/etc/pam.d/lumarel" "$work/pam-service"
"${as_locktest[@]}" lumarel --lock 2>"$work/lock-nopam.err" {debian13_lock_fd}>&-
status=$?
mv "$work/pam-service" "$root/etc/pam.d/lumarel"
check_ "without its PAM service --lock exits with 7" test "$status" = 7
check_ "... naming the file to install" grep -q "/etc/pam.d/lumarel" "$work/lock-nopam.err"
shoot "$work/nopam.png"
check_ "... and leaves the desktop as it was" uncovered "$work/nopam.png"

# The saver runs when the lock comes: it ends, so that the desktop shows
# once unlocked.
"${as_locktest[@]}" lumarel /s 2>"$work/saver.err" {debian13_lock_fd}>&- &
saver=$!
others+=("$saver")
sleep 3
start_lock lock1
first=$lock
check_ "the running saver ends when the session locks, with 0" exited_with "$saver" 10 0
sleep 2
shoot_until "$work/locked1.png" locked_with_figures "$work/locked1.png"
check_ "locked: no pixel of the desktop shows" covered "$work/locked1.png"
sleep 2
shoot "$work/locked2.png"
check_ "... and the figures move" differ "$work/locked1.png" "$work/locked2.png"

"${as_locktest[@]}" lumarel --lock 2>"$work/lock-second.err" {debian13_lock_fd}>&- &
second=$!
others+=("$second")
check_ "a second --lock exits with 0" exited_with "$second" 10 0
check_ "... and the first stays" running "$first"
"${as_locktest[@]}" lumarel /s 2>>"$work/saver.err" {debian13_lock_fd}>&- &
saver=$!
others+=("$saver")
check_ "a saver started while locked exits with 0 at once" exited_with "$saver" 5 0

kill -TERM "$first"
sleep 1
check_ "SIGTERM does not end the lock screen" running "$first"

type_keys wrong-password -k Return
sleep 1
shoot "$work/checking.png"
sleep 4  # Debian's login stack waits 3 s after a failure
shoot "$work/wrong.png"
check_ "a wrong password keeps the session locked" running "$first"
check_ "... covered" covered "$work/wrong.png"
check_ "... and the prompt says so" says_wrong "$work/wrong.png"

check_ "an output is added while locked" swaymsg_ create_output
sleep 2
shoot_until -o HEADLESS-2 "$work/added.png" locked_with_figures "$work/added.png"
check_ "... and shows the figures at once" locked_with_figures "$work/added.png"

kill -9 "$first"
sleep 1
shoot -o HEADLESS-1 "$work/abandoned.png"
check_ "a lock screen killed leaves the session locked" covered "$work/abandoned.png"
start_lock lock2
sleep 3
shoot_until -o HEADLESS-1 "$work/taken-over.png" locked_with_figures "$work/taken-over.png"
check_ "... and a new --lock takes over" locked_with_figures "$work/taken-over.png"
check_ "... and runs" running "$lock"

type_keys "$password" -k Return
check_ "the right password unlocks: exit code 0" exited_with "$lock" 15 0
sleep 1
shoot -o HEADLESS-1 "$work/unlocked.png"
check_ "... and the desktop shows" uncovered "$work/unlocked.png"

# The README's line for swayidle, with seconds for minutes: the saver,
# then the lock over it.
"${as_locktest[@]}" swayidle -w timeout 1 'lumarel /s &' timeout 3 'lumarel --lock &' before-sleep 'lumarel --lock' \
  >/dev/null 2>"$work/idle.err" {debian13_lock_fd}>&- &
idle=$!
others+=("$idle")
runs() { pgrep -u "$uid" -f -x "lumarel $1" >/dev/null; }
ended() { ! runs "$1"; }
within() {  # within SECONDS COMMAND...: whether COMMAND holds within that time
  local tenths=$(($1 * 10))
  shift
  for _ in $(seq 1 "$tenths"); do "$@" && return 0; sleep 0.1; done
  return 1
}
check_ "swayidle starts the saver" within 5 runs /s
check_ "... then the lock" within 10 runs --lock
check_ "... which ends the saver" within 5 ended /s
# The first of them: swayidle's next timeouts start more, which leave at once.
idle_lock=$(pgrep -o -u "$uid" -f -x "lumarel --lock")
shoot_until -o HEADLESS-1 "$work/idle-locked.png" locked_with_figures "$work/idle-locked.png"
check_ "... and covers the desktop with figures" locked_with_figures "$work/idle-locked.png"
type_keys "$password" -k Return
# (Idle again, swayidle soon starts them anew.)
check_ "... until the password unlocks it" wait_for_exit "$idle_lock" 10
kill "$idle"
wait "$idle" 2>/dev/null
stop_compositor

check_ "the lock screens said nothing of GLib's warnings" sh -c "! grep -h -E 'CRITICAL|WARNING' '$work'/lock*.err"
check_ "apt purges the package" debian13_apt purge lumarel
check_ "... and its PAM service with it" test ! -e "$root/etc/pam.d/lumarel"

echo "-- sway $(sway --version | awk '{ print $3 }') (Debian 12), which has no session lock"
debian13_umount
in_root=()
as_user=()
[ "$(id -u)" = 0 ] && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups) && chown 65534:65534 "$runtime"
start_compositor sway12 sway -c "$runtime/sway.conf"
"$build/lumarel" --lock 2>"$work/lock-sway12.err"
status=$?
check_ "--lock refuses with exit code 5" test "$status" = 5
check_ "... naming the protocol it needs" grep -q "ext-session-lock-v1" "$work/lock-sway12.err"
shoot "$work/sway12.png"
check_ "... and the desktop is unchanged" uncovered "$work/sway12.png"
finish
