#!/bin/bash
# Runs the README's two commands as a new user would, on a fresh Debian
# machine: a root made with debootstrap from this machine's mirror (the
# release, its updates and its security suite), bound onto itself, with its
# own proc, dev, sys, /tmp and /run, and a clone of this checkout's HEAD in
# it. Prints how long each command took; the root goes at the end.
#   scripts/fresh-machine.sh [12|13]    (the Debian release, 12 by default)
# Needs root. Run on demand: the test command does not run it.
set -u
release="${1:-12}"
case "$release" in
  12) suite=bookworm ;;
  13) suite=trixie ;;
  *)
    echo "usage: scripts/fresh-machine.sh [12|13]" >&2
    exit 2
    ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "fresh-machine.sh: run it as root (debootstrap and mounts need it)" >&2; exit 2; }
here="$(cd "$(dirname "$0")/.." && pwd)"
source "$here/tests/e2e/lib/debian.sh"
command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap >/dev/null

machine="$(mktemp -d /var/tmp/lumarel-fresh-debian$release-XXXXXX)"
chmod 755 "$machine"  # the root of a machine: every user reaches into it
mounted=()
cleanup() {
  local point
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    point="${mounted[$i]}"
    umount -R "$point" 2>/dev/null || umount -l "$point"
  done
  # Never with anything still mounted below it.
  if ! awk -v r="$machine" '$5 == r || index($5, r "/") == 1 { found = 1 } END { exit !found }' /proc/self/mountinfo; then
    rm -rf "$machine"
  else
    echo "fresh-machine.sh: $machine is still mounted; left in place" >&2
  fi
}
trap cleanup EXIT
bind() {  # bind FROM TO [OPTIONS]
  mkdir -p "$2"
  mount "${@:3}" "$1" "$2" && mounted+=("$2")
}
elapsed() { echo "$(($(date +%s) - $1)) s"; }

main="$(debian_mirror main)"
security="$(debian_mirror security)"
echo "== Debian $release ($suite) from $main"
started=$(date +%s)
if ! debootstrap "$suite" "$machine" "$main" >"$machine.log" 2>&1; then
  echo "FAIL: debootstrap $suite:"
  tail -n 30 "$machine.log"
  rm -f "$machine.log"
  exit 1
fi
rm -f "$machine.log"
{
  echo "deb $main $suite main"
  echo "deb $main $suite-updates main"
  [ -n "$security" ] && echo "deb $security $suite-security main"
} >"$machine/etc/apt/sources.list"
cp /etc/resolv.conf "$machine/etc/resolv.conf" 2>/dev/null
echo "   made in $(elapsed "$started")"

# A root bound onto itself is a mount point, as a machine's root is (the
# saver-hosts check makes mount namespaces there).
bind "$machine" "$machine" --bind
bind proc "$machine/proc" -t proc
bind sysfs "$machine/sys" -t sysfs
bind /dev "$machine/dev" --rbind
bind tmpfs "$machine/tmp" -t tmpfs -o mode=1777
bind tmpfs "$machine/run" -t tmpfs -o mode=755
git clone -q --no-hardlinks "$here" "$machine/root/lumarel"

status=0
for command in ./scripts/run.sh ./scripts/test.sh; do
  log="/var/tmp/lumarel-fresh-debian$release-$(basename "$command" .sh).log"
  echo "== $command (its output: $log)"
  started=$(date +%s)
  if chroot "$machine" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root TERM=dumb LANG=C.UTF-8 CI=true \
    /bin/sh -c "cd /root/lumarel && $command" </dev/null >"$log" 2>&1; then
    echo "ok: $command passed on its first run, in $(elapsed "$started")"
    tail -n 3 "$log" | sed 's/^/   | /'
  else
    status=1
    echo "FAIL: $command, after $(elapsed "$started"):"
    tail -n 60 "$log" | sed 's/^/   | /'
  fi
done
exit "$status"
