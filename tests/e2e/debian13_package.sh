#!/bin/bash
# The Debian package on Debian 13, in the test suite's Debian 13 root
# (lib/debian13_root.sh): apt installs it there (its dependencies resolve
# through that release's renamed libraries), the installed program says its
# version and covers the output of that release's sway with figures, and a
# purge takes it away again.
#   debian13_package.sh lumarel_VERSION_amd64.deb
set -u
deb="$(realpath "$1")"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/debian13_root.sh"
source "$here/lib/checks.sh"
unset DISPLAY
background="#fd01fe"  # the desktop's colour, which a covering saver hides

source "$here/lib/wayland.sh"
debian13_for_checks "$work"
in_root=(chroot "$debian13_root")
saver_pid=""
cleanup_more() {
  [ -n "$saver_pid" ] && kill "$saver_pid" 2>/dev/null && wait "$saver_pid" 2>/dev/null
  stop_compositors
  debian13_installed lumarel && debian13_apt purge lumarel
}
show_logs() {
  show_log "apt" "$work/apt.log" 30
  show_log "the saver's stderr" "$work/saver.err" 30
}

# The root is ours: a package left by a run cut short goes first.
debian13_installed lumarel && debian13_apt purge lumarel
cp "$deb" "$work/"
version="$(dpkg-deb -f "$deb" Version)"
check_ "apt installs the package in Debian 13" debian13_apt install --no-install-recommends "$work/$(basename "$deb")"
check_ "lumarel --version names it there" test "$("${in_root[@]}" /usr/bin/lumarel --version)" = "lumarel $version"

write_sway_config "$runtime/sway.conf" "resolution 1024x768 position 0 0 bg $background solid_color"
echo "xwayland disable" >>"$runtime/sway.conf"
echo "-- sway $("${in_root[@]}" sway --version | awk '{ print $3 }') in $debian13_root, the installed lumarel /s"
start_compositor sway sway -c "$runtime/sway.conf"
"${in_root[@]}" env XDG_CONFIG_HOME="$work/config" /usr/bin/lumarel /s 2>"$work/saver.err" &
saver_pid=$!
sleep 3
shoot_until "$work/saver.png" shows_figures "$work/saver.png"
check_ "it covers the output" covered "$work/saver.png"
check_ "... with figures" shows_figures "$work/saver.png"
kill "$saver_pid"
wait "$saver_pid"
status=$?
saver_pid=""
check_ "SIGTERM ends it with exit code 0" test "$status" = 0
stop_compositor

check_ "apt purges the package" debian13_apt purge lumarel
check_ "... and it is gone" sh -c "! chroot '$debian13_root' test -e /usr/bin/lumarel"
finish
