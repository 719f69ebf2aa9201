#!/bin/sh
# Installs the Debian packages that building and testing need; does nothing
# for packages that are already there. Usage: setup.sh [build|package|test]
set -e
packages="cmake ninja-build g++ pkg-config libpng-dev libx11-dev libxext-dev libgtk-3-dev libgtk-layer-shell-dev"
packages="$packages libwayland-dev libxkbcommon-dev libpam0g-dev libpango1.0-dev"
# Making the release: the Windows builds, the installer and the Debian package.
if [ "$1" = package ] || [ "$1" = test ]; then
  packages="$packages mingw-w64 nsis dpkg-dev lintian zip file"
fi
if [ "$1" = test ]; then
  packages="$packages googletest libgtest-dev libbenchmark-dev libcairo2-dev mingw-w64 gzip unzip"
  packages="$packages wine wine64 wine32:i386 xvfb xdotool x11-utils imagemagick xscreensaver procps"
  packages="$packages mate-screensaver xsecurelock dbus-daemon libglib2.0-bin dconf-gsettings-backend"
  packages="$packages clang libclang-rt-dev"
  # PAM conversations checked without root or real users.
  packages="$packages libpam-wrapper"
  # Headless Wayland compositors (cage needs Xwayland) and their tools.
  packages="$packages sway swaybg swayidle grim wtype cage xwayland util-linux jq"
  # A Debian 13 root for the checks under its newer sway.
  packages="$packages debootstrap"
fi
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
offered() { apt-cache policy "$1" 2>/dev/null | grep -q 'Candidate: [0-9]'; }
missing=""
for package in $packages; do
  installed "$package" || missing="$missing $package"
done
# Not in every release (Debian 13 has no xautolock): taken where the release
# has it; the checks that use it say that they skip.
optional=""
if [ "$1" = test ]; then
  for package in xautolock; do
    installed "$package" || optional="$optional $package"
  done
fi
if [ -z "$missing" ]; then
  wanted=""
  for package in $optional; do offered "$package" && wanted="$wanted $package"; done
  [ -z "$wanted" ] && exit 0
fi
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
# The 32-bit Wine runs the 32-bit saver as Windows 98 would.
case "$missing" in *":i386"*) dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386 ;; esac
$sudo apt-get update -q
for package in $optional; do
  if offered "$package"; then missing="$missing $package"; else echo "$package is not in this release"; fi
done
echo "Installing:$missing"
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
