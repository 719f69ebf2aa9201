#!/bin/sh
# Installs the Debian packages that building and testing need; does nothing
# for packages that are already there. Usage: setup.sh [build|package|test]
set -e
packages="cmake ninja-build g++ pkg-config libpng-dev libx11-dev libxext-dev libgtk-3-dev libgtk-layer-shell-dev"
packages="$packages libwayland-dev"
# Making the release: the Windows builds, the installer and the Debian package.
if [ "$1" = package ] || [ "$1" = test ]; then
  packages="$packages mingw-w64 nsis dpkg-dev lintian zip file"
fi
if [ "$1" = test ]; then
  packages="$packages googletest libgtest-dev libbenchmark-dev libcairo2-dev mingw-w64 gzip unzip"
  packages="$packages wine wine64 wine32:i386 xvfb xdotool x11-utils imagemagick xscreensaver procps"
  packages="$packages mate-screensaver xsecurelock xautolock dbus-daemon libglib2.0-bin dconf-gsettings-backend"
  packages="$packages clang-14 libclang-rt-14-dev"
  # Headless Wayland compositors (cage needs Xwayland) and their tools.
  packages="$packages sway swaybg swayidle grim wtype cage xwayland util-linux jq"
  # A Debian 13 root for the checks under its newer sway.
  packages="$packages debootstrap"
fi
missing=""
for package in $packages; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing="$missing $package"
done
[ -z "$missing" ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
echo "Installing:$missing"
# The 32-bit Wine runs the 32-bit saver as Windows 98 would.
case "$missing" in *":i386"*) dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386 ;; esac
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
