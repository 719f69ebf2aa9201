#!/bin/bash
# A Debian 13 (trixie) root kept between runs, where checks run programs
# built on Debian 12 under Debian 13's compositors. Sourced, it defines:
#   debian13_ensure [PACKAGE...]  makes the root (once; again when a run was
#                                 cut short) and installs the packages missing
#   debian13_mount [DIR...]       binds /proc, /dev and /sys, and each DIR at
#                                 the same path inside; unmounted on exit
#   debian13_run COMMAND...       runs COMMAND inside the root (as root)
#   debian13_umount               unmounts what debian13_mount bound
#   debian13_for_checks DIR...    ensure and mount, or end the script with a failure
#   debian13_apt ARGUMENTS...     apt-get in the root (output in $work/apt.log)
#   debian13_installed PACKAGE    whether the root has the package
# debian13_mount holds a lock until debian13_umount, so that runs at the same
# time neither install into the root nor unmount each other's folders.
# Run as a script: debian13_root.sh make [PACKAGE...] | path | shell.
# The folder: $LUMAREL_DEBIAN13_ROOT, by default /var/cache/lumarel/debian13-root.
source "$(dirname "${BASH_SOURCE[0]}")/debian.sh"
debian13_root="${LUMAREL_DEBIAN13_ROOT:-/var/cache/lumarel/debian13-root}"
debian13_suite=trixie
# What every check there needs: the compositor and its tools, and the
# libraries our lumarel links to (ldd build/lumarel, by their Debian 13 names).
debian13_packages=(sway swaybg swayidle grim wtype wayland-utils jq libxkbcommon0 libgtk-3-0t64 libgtk-layer-shell0 libpng16-16t64 libwayland-client0
  libx11-6 libxext6 libglib2.0-0t64 libcairo2 libpango-1.0-0 libstdc++6)
debian13_ready="$debian13_root/.lumarel-ready"  # written last: the root is complete
debian13_mounts=()
declare -A debian13_made=()


# Whether anything is mounted at or under the root: a root with a bound work
# folder must never be removed.
debian13_mounted_under() {
  awk -v r="$(realpath -m "$debian13_root")" '$5 == r || index($5, r "/") == 1 { found = 1 } END { exit !found }' \
    /proc/self/mountinfo
}

debian13_lock() {
  mkdir -p "$(dirname "$debian13_root")"
  if [ -z "${debian13_lock_fd:-}" ]; then
    exec {debian13_lock_fd}>"$debian13_root.lock"
    flock "$debian13_lock_fd"
  fi
}

debian13_unlock() {
  if [ -n "${debian13_lock_fd:-}" ] && [ ${#debian13_mounts[@]} = 0 ]; then
    exec {debian13_lock_fd}>&-
    unset debian13_lock_fd
  fi
}

# Mounts that a run killed before its clean-up left behind (the lock is ours,
# so no run uses them).
debian13_unmount_stale() {
  local point
  awk -v r="$(realpath -m "$debian13_root")" '$5 == r || index($5, r "/") == 1 { print $5 }' /proc/self/mountinfo |
    sort -r | while read -r point; do
      echo "debian13_root: unmounting $point, left over from an earlier run" >&2
      umount -R "$point" 2>/dev/null || umount -l "$point"
    done
}

debian13_make() {
  local main security started
  main=$(debian_mirror main)
  security=$(debian_mirror security)
  started=$(date +%s)
  if debian13_mounted_under; then
    echo "debian13_root: something is still mounted under $debian13_root; not removing it" >&2
    return 1
  fi
  rm -rf --one-file-system "$debian13_root"
  echo "debian13_root: making $debian13_root from $main ($debian13_suite)" >&2
  if ! debootstrap --variant=minbase --components=main "$debian13_suite" "$debian13_root" "$main" \
    >"$debian13_root.log" 2>&1; then
    tail -n 30 "$debian13_root.log" >&2
    echo "debian13_root: debootstrap failed (whole log: $debian13_root.log)" >&2
    return 1
  fi
  # The suites a real install has: updates, and security where it is reachable.
  {
    echo "deb $main $debian13_suite main"
    debian13_reachable "$main/dists/$debian13_suite-updates/InRelease" && echo "deb $main $debian13_suite-updates main"
    [ -n "$security" ] && debian13_reachable "$security/dists/$debian13_suite-security/InRelease" &&
      echo "deb $security $debian13_suite-security main"
  } >"$debian13_root/etc/apt/sources.list"
  # No daemons start in the root while packages install.
  printf '#!/bin/sh\nexit 101\n' >"$debian13_root/usr/sbin/policy-rc.d"
  chmod 755 "$debian13_root/usr/sbin/policy-rc.d"
  echo "debian13_root: made in $(($(date +%s) - started)) s" >&2
}

debian13_reachable() {
  chroot "$debian13_root" /usr/lib/apt/apt-helper download-file "$1" /tmp/probe >/dev/null 2>&1
  local status=$?
  rm -f "$debian13_root/tmp/probe"
  return $status
}

# debian13_install PACKAGE...: installs those not installed yet.
debian13_install() {
  local missing=() package status=0
  for package in "$@"; do
    chroot "$debian13_root" dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  [ ${#missing[@]} = 0 ] && return 0
  echo "debian13_root: installing ${missing[*]}" >&2
  debian13_bind_system || return 1
  {
    chroot "$debian13_root" apt-get update -q &&
      chroot "$debian13_root" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
        "${missing[@]}" &&
      chroot "$debian13_root" apt-get clean
  } >>"$debian13_root.log" 2>&1 || status=$?
  if [ $status != 0 ]; then
    tail -n 30 "$debian13_root.log" >&2
    echo "debian13_root: installing ${missing[*]} failed" >&2
  fi
  return $status
}

debian13_ensure() {
  local status=0 started own=""
  [ -z "${debian13_lock_fd:-}" ] && own=1
  debian13_lock
  started=$(date +%s)
  if [ ! -f "$debian13_ready" ]; then
    debian13_unmount_stale
    debian13_make || status=1
  fi
  [ $status = 0 ] && { debian13_install "${debian13_packages[@]}" "$@" || status=1; }
  # The mounts for installing, unless they are a run's own.
  [ -n "$own" ] && debian13_umount
  if [ $status = 0 ] && [ ! -f "$debian13_ready" ]; then
    date -u +%FT%TZ >"$debian13_ready"
    echo "debian13_root: ready after $(($(date +%s) - started)) s" >&2
  fi
  return $status
}

# debian13_bind SOURCE [TARGET] [OPTIONS]: one mount, remembered for debian13_umount.
debian13_bind() {
  local source="$1" target="$debian13_root${2:-$1}" made
  # The highest folder that this mount makes, removed again with it.
  made="$target"
  while [ ! -e "$(dirname "$made")" ]; do made="$(dirname "$made")"; done
  [ -e "$made" ] && made=""
  mkdir -p "$target" || return 1
  mount --rbind "$source" "$target" || return 1
  mount --make-rslave "$target"
  debian13_mounts+=("$target")
  debian13_made["$target"]="$made"
  [ -n "${3:-}" ] && mount -o "remount,bind,$3" "$target"
  return 0
}

debian13_bind_system() {
  local point
  for point in "${debian13_mounts[@]}"; do [ "$point" = "$debian13_root/proc" ] && return 0; done
  mkdir -p "$debian13_root/proc" && mount -t proc proc "$debian13_root/proc" || return 1
  debian13_mounts+=("$debian13_root/proc")
  debian13_bind /dev && debian13_bind /sys || return 1
  # Name lookups for apt.
  cp -L /etc/resolv.conf "$debian13_root/etc/resolv.conf" 2>/dev/null
  return 0
}

debian13_mount() {
  local dir
  debian13_lock
  debian13_unmount_stale
  debian13_bind_system || { debian13_umount; return 1; }
  for dir in "$@"; do
    debian13_bind "$(realpath "$dir")" || { debian13_umount; return 1; }
  done
  # After the caller's own clean-up, which ends the processes in the root.
  local previous
  eval "set -- $(trap -p EXIT)"
  previous="${3:-}"
  [[ "$previous" == *debian13_umount* ]] || trap "${previous:+$previous$'\n'}debian13_umount" EXIT
}

# The processes whose root is the Debian 13 root.
debian13_processes() {
  local link root
  root=$(realpath "$debian13_root")
  for link in /proc/[0-9]*/root; do
    [ "$(readlink "$link" 2>/dev/null)" = "$root" ] && link="${link#/proc/}" && echo "${link%/root}"
  done
}

# Unmounts, last bound first. The lock is ours, so what still runs in the
# root is left over from this run (e.g. a helper of a compositor that ended):
# given 5 s to go, then ended. A mount still busy is reported, then detached
# so nothing is left behind.
debian13_umount() {
  local i point made pid status=0
  for _ in $(seq 1 50); do
    [ -z "$(debian13_processes)" ] && break
    sleep 0.1
  done
  for pid in $(debian13_processes); do
    echo "debian13_root: ending $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)(process $pid), left running in the root" >&2
    kill "$pid" 2>/dev/null
  done
  # A lock screen lets only its password end it.
  sleep 1
  for pid in $(debian13_processes); do kill -9 "$pid" 2>/dev/null; done
  for ((i = ${#debian13_mounts[@]} - 1; i >= 0; i--)); do
    point="${debian13_mounts[i]}"
    if ! umount -R "$point" 2>/dev/null; then
      sleep 1
      if ! umount -R "$point" 2>/dev/null; then
        echo "debian13_root: $point is busy, detaching it" >&2
        umount -R -l "$point" || status=1
      fi
    fi
    made="${debian13_made["$point"]:-}"
    if [ -n "$made" ] && ! mountpoint -q "$point"; then
      while rmdir "$point" 2>/dev/null && [ "$point" != "$made" ]; do point="$(dirname "$point")"; done
    fi
  done
  debian13_mounts=()
  debian13_unlock
  return $status
}

# debian13_run COMMAND...: COMMAND inside the root, with a plain environment
# plus what the caller passes as NAME=VALUE words before it (env's syntax).
debian13_run() {
  chroot "$debian13_root" /usr/bin/env -i PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin "$@"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -u
  case "${1:-}" in
    make) shift; debian13_ensure "$@" ;;
    path) echo "$debian13_root" ;;
    shell)
      debian13_ensure || exit 1
      debian13_mount "${@:2}" || exit 1
      debian13_run TERM="${TERM:-dumb}" HOME=/root /bin/bash
      ;;
    *) echo "usage: $0 make [PACKAGE...] | path | shell [DIR...]" >&2; exit 2 ;;
  esac
fi

# debian13_for_checks DIR...: the root made and each DIR bound into it, or
# the script ends with a failure that says which went wrong.
debian13_for_checks() {
  if ! debian13_ensure; then
    echo "FAIL: the Debian 13 root could not be made"
    exit 1
  fi
  if ! debian13_mount "$@"; then
    echo "FAIL: $* could not be bound into $debian13_root"
    exit 1
  fi
}

# debian13_apt ARGUMENTS...: apt-get in the root, its output at the end of
# $work/apt.log; debian13_installed PACKAGE: whether the root has it.
debian13_apt() { chroot "$debian13_root" env DEBIAN_FRONTEND=noninteractive apt-get -y -q "$@" >>"$work/apt.log" 2>&1; }
debian13_installed() { chroot "$debian13_root" dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q ' installed'; }
