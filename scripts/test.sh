#!/bin/sh
# Builds and runs every test: the unit tests and golden traces (also under
# AddressSanitizer and UndefinedBehaviorSanitizer), the Windows cross builds,
# and the Windows screen saver end to end under Wine on a virtual display.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" test
jobs=$(nproc)

echo "== Build and test"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMAREL_TESTS=ON >/dev/null
cmake --build "$root/build" -j "$jobs"
ctest --test-dir "$root/build" -j "$jobs" --output-on-failure

echo "== Build and test with sanitizers"
cmake -S "$root" -B "$root/build-sanitize" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUMAREL_SANITIZE=ON -DLUMAREL_TESTS=ON >/dev/null
cmake --build "$root/build-sanitize" -j "$jobs"
ctest --test-dir "$root/build-sanitize" -j "$jobs" --output-on-failure

echo "== The Linux saver on a virtual X display"
"$root/tests/e2e/linux_desktop.sh" "$root/build/lumarel"
echo "== The Linux saver on headless Wayland compositors"
"$root/tests/e2e/wayland_desktop.sh" "$root/build/lumarel"
echo "== The installed Linux saver under the xscreensaver daemon"
"$root/tests/e2e/xscreensaver_daemon.sh" "$root/build"

for arch in x86_64 i686; do
  echo "== Cross build for Windows ($arch)"
  cmake -S "$root" -B "$root/build-windows-$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" >/dev/null
  cmake --build "$root/build-windows-$arch" -j "$jobs"
done
echo "== The Windows screen saver under Wine"
"$root/tests/e2e/windows_saver.sh" "$root/build-windows-x86_64/lumarel.scr" "$root/build-windows-x86_64/preview_host.exe"
echo "== The 32-bit Windows screen saver under Wine as Windows 98"
"$root/tests/e2e/windows_9x.sh" "$root/build-windows-i686/lumarel32.scr" "$root/build-windows-i686/PASSWORD.CPL"
echo "All tests passed."
