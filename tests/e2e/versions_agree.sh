#!/bin/bash
# One release everywhere: the version that CMakeLists.txt sets against what
# the Linux programs print, the Debian package and its man page, the version
# resources and About boxes of both shipped .scr files, and the installer.
#   versions_agree.sh BUILD_DIR WINDOWS_BUILD_DIR DIST_DIR
# (WINDOWS_BUILD_DIR: a 64-bit Windows build, for its version_info.exe)
set -u
build="$(realpath "$1")"
version_info="$(realpath "$2")/version_info.exe"
dist="$(realpath "$3")"
source "$(dirname "$0")/lib/wine.sh"

# The release as people read it: the major number, then the minor one in
# two digits (3.3 is release 3.03), then a patch number if there is one.
IFS=. read -r major minor patch tweak < <(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
release="$(printf '%d.%02d' "$major" "$minor")"
[ "${patch:-0}" -gt 0 ] && release="$release.$patch"
numbers="$major.$minor.${patch:-0}.${tweak:-0}"
echo "CMake version $major.$minor${patch:+.$patch}${tweak:+.$tweak}: release $release, file version $numbers"

prints_version() {  # prints_version PROGRAM: one line, its name and the release, and exit code 0
  local said
  said="$("$build/$1" --version)" && test "$said" = "$1 $release"
}
for program in lumarel lumarel-render lumarel-trace; do
  check "$program --version" prints_version "$program"
done
deb="$dist/lumarel_${release}_amd64.deb"
check "the Debian package" test "$(dpkg-deb -f "$deb" Version)" = "$release"
check "... and its man page" grep -q "^\.TH LUMAREL 6 .* \"Lumarel $release\"" \
  <(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/man/man6/lumarel.6.gz | gunzip)

check "SHA256SUMS holds the three files of the release" \
  test "$(cd "$dist" && sha256sum -c SHA256SUMS 2>/dev/null | grep -c ': OK$')" = 3
unzip -q "$dist/lumarel-$release-windows.zip" -d "$work/zip"
check "the zip says how to install by hand" test -s "$work/zip/lumarel-$release-windows/INSTALL.txt"

start_session 640x480
# says NAME FILE LINE...: version_info reads FILE and prints every LINE.
says() {
  local name="$1" file="$2" line
  shift 2
  wine "$version_info" "$(winepath -w "$file")" 2>/dev/null | tr -d '\r' >"$work/$name.txt"
  for line in "$@"; do
    grep -Fqx "$line" "$work/$name.txt" || { echo "$name lacks \"$line\":" && cat "$work/$name.txt"; return 1; }
  done
}
for scr in lumarel.scr lumarel32.scr; do
  check "$scr: version resource and About box" says "$scr" "$work/zip/lumarel-$release-windows/$scr" \
    "FILEVERSION: $numbers" "PRODUCTVERSION: $numbers" "FileVersion: $release" "ProductVersion: $release" \
    "About: Version $release"
done
check "the installer's version resource" says setup "$dist/lumarel-$release-setup.exe" \
  "FILEVERSION: $numbers" "PRODUCTVERSION: $numbers" "FileVersion: $release" "ProductVersion: $release"

finish
