#!/bin/sh
# Builds and runs every test, tier by tier (see the README): the unit tests,
# golden traces and GDI agreement (also under AddressSanitizer and
# UndefinedBehaviorSanitizer), the Windows cross builds and the release, then
# the end-to-end checks one at a time: X11, Wayland, Wine, the packages
# installed and removed for real, and the fuzz targets.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" test
jobs=$(nproc)

echo "== Build, then the unit, golden and reference tiers"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMAREL_TESTS=ON >/dev/null
cmake --build "$root/build" -j "$jobs"
ctest --test-dir "$root/build" -j "$jobs" --output-on-failure -L "unit|golden|reference"

echo "== The same under the sanitizers"
cmake -S "$root" -B "$root/build-sanitize" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUMAREL_SANITIZE=ON -DLUMAREL_TESTS=ON >/dev/null
cmake --build "$root/build-sanitize" -j "$jobs"
ctest --test-dir "$root/build-sanitize" -j "$jobs" --output-on-failure -L "unit|golden"

for arch in x86_64 i686; do
  echo "== Cross build for Windows ($arch)"
  cmake -S "$root" -B "$root/build-windows-$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" >/dev/null
  cmake --build "$root/build-windows-$arch" -j "$jobs"
done
echo "== The release: Debian package, Windows installer and zip"
"$root/scripts/package.sh"

echo "== End to end: X11, Wayland, Wine, the packages, fuzzing"
cmake -S "$root" -B "$root/build" -DLUMAREL_WINDOWS_BUILD_X86_64="$root/build-windows-x86_64" \
  -DLUMAREL_WINDOWS_BUILD_I686="$root/build-windows-i686" -DLUMAREL_DIST="$root/dist" >/dev/null
ctest --test-dir "$root/build" --output-on-failure -L "x11|wayland|wine|package|fuzz"
echo "== Under the sanitizers, while outputs go"
ctest --test-dir "$root/build-sanitize" --output-on-failure -R wayland_outputs_sanitized
echo "All tests passed."
