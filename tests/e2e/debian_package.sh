#!/bin/bash
# The Debian package installed for real on this machine (as root, or through
# sudo): apt installs it, the installed program says its version and passes
# the checks of the installed program under the screen-saver daemon, and a
# purge leaves the file system as it found it.
#   debian_package.sh lumarel_VERSION_amd64.deb
set -u
deb="$(realpath "$1")"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/checks.sh"
source "$here/lib/x11.sh"

sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
# A lumarel that someone installed is theirs: not ours to replace or purge.
if dpkg-query -W -f='${Status}' lumarel 2>/dev/null | grep -q installed; then
  echo "FAIL: lumarel is installed on this machine already; remove it first"
  exit 1
fi
apt_get() { $sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 -y -q "$@" >>"$work/apt.log" 2>&1; }
installed=false
cleanup_more() { $installed && apt_get purge lumarel; }

version="$(dpkg-deb -f "$deb" Version)"
# Every path the package holds, and which of them exist before it comes.
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -e 's|^\./|/|' -e 's|/$||' | grep -v '^/\?$' | sort >"$work/paths"
existing() { while read -r path; do [ -e "$path" ] && echo "$path"; done <"$work/paths"; }
existing >"$work/before"

check "apt installs the package" apt_get install --no-install-recommends "$deb"
installed=true
check "... as version $version" test "$(dpkg-query -W -f='${Version}' lumarel 2>/dev/null)" = "$version"
check "lumarel --version names it" test "$(/usr/bin/lumarel --version)" = "lumarel $version"
check "every file of the package is in place" test "$(existing | wc -l)" = "$(wc -l <"$work/paths")"

"$here/xscreensaver_daemon.sh" /usr
check "the installed program passes the daemon's checks" test $? -eq 0

check "apt purges the package" apt_get purge lumarel
installed=false
check "... and it is gone" test -z "$(dpkg-query -W -f='${Status}' lumarel 2>/dev/null | grep ' installed')"
existing >"$work/after"
check "the purge leaves every path as it was" diff -u "$work/before" "$work/after"

finish
