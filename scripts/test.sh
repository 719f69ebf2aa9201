#!/bin/sh
# Builds and runs every test: the unit tests and golden traces (also under
# AddressSanitizer and UndefinedBehaviorSanitizer), the Windows cross builds,
# the Windows screen saver end to end under Wine on a virtual display, and the
# release: packages made, installed and removed for real.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" test
jobs=$(nproc)

echo "== Build and test"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMAREL_TESTS=ON >/dev/null
cmake --build "$root/build" -j "$jobs"
ctest --test-dir "$root/build" -j "$jobs" --output-on-failure
echo "== Includes between the source folders run one way"
python3 "$root/scripts/check-includes.py" "$root"

echo "== Build and test with sanitizers"
cmake -S "$root" -B "$root/build-sanitize" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUMAREL_SANITIZE=ON -DLUMAREL_TESTS=ON >/dev/null
cmake --build "$root/build-sanitize" -j "$jobs"
ctest --test-dir "$root/build-sanitize" -j "$jobs" --output-on-failure

echo "== The Linux saver on a virtual X display"
"$root/tests/e2e/linux_desktop.sh" "$root/build/lumarel"
echo "== Settings given on the command line leave no files behind"
"$root/tests/profile/no_settings_copies.sh" "$root/build"
echo "== The installed Linux saver under MATE's daemon, xsecurelock and xautolock"
"$root/tests/e2e/saver_hosts.sh" "$root/build"
echo "== The Linux saver on headless Wayland compositors"
"$root/tests/e2e/wayland_desktop.sh" "$root/build/lumarel"
echo "== The Linux saver under Debian 13's sway while outputs are unplugged"
"$root/tests/e2e/wayland_outputs.sh" "$root/build"
echo "== The Linux saver under AddressSanitizer while a nested sway loses outputs"
"$root/tests/e2e/wayland_nested_outputs.sh" "$root/build-sanitize/lumarel"

for arch in x86_64 i686; do
  echo "== Cross build for Windows ($arch)"
  cmake -S "$root" -B "$root/build-windows-$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" >/dev/null
  cmake --build "$root/build-windows-$arch" -j "$jobs"
done
echo "== Settings files read as the Windows profile functions read them"
"$root/tests/profile/compare_with_windows.sh" "$root/build" "$root/build-windows-x86_64"
echo "== The Windows screen saver under Wine"
"$root/tests/e2e/windows_saver.sh" "$root/build-windows-x86_64/lumarel.scr" "$root/build-windows-x86_64/preview_host.exe"
echo "== The 32-bit Windows screen saver under Wine as Windows 98"
"$root/tests/e2e/windows_9x.sh" "$root/build-windows-i686/lumarel32.scr" "$root/build-windows-i686/PASSWORD.CPL"

echo "== The release: Debian package, Windows installer and zip"
"$root/scripts/package.sh"
version="$(sed -n 's/^LUMAREL_VERSION:INTERNAL=//p' "$root/build/CMakeCache.txt")"
echo "== One version everywhere"
"$root/tests/e2e/versions_agree.sh" "$root/build" "$root/build-windows-x86_64" "$root/dist"
echo "== The Debian package installed, under the xscreensaver daemon, and purged"
"$root/tests/e2e/debian_package.sh" "$root/dist/lumarel_${version}_amd64.deb"
echo "== The Windows installer under Wine, 64-bit"
"$root/tests/e2e/windows_installer.sh" "$root/dist/lumarel-$version-setup.exe" "$version" win64
echo "== The Windows installer under Wine as Windows 98"
"$root/tests/e2e/windows_installer.sh" "$root/dist/lumarel-$version-setup.exe" "$version" win98
if command -v clang++-14 >/dev/null; then
  echo "== Fuzz targets, 30 seconds each"
  "$root/tests/fuzz/run.sh" 30
fi
echo "All tests passed."
