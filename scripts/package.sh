#!/bin/sh
# Builds the release into dist/: the Debian package, the Windows installer
# and the Windows zip, all of the version that CMakeLists.txt sets, and
# their SHA256SUMS. Reuses the build folders that scripts/test.sh makes for
# the Windows builds; builds whatever is missing. Prints lintian's findings
# on the package and makensis's warnings.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" package
jobs=$(nproc)
dist="$root/dist"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
umask 022

echo "== Linux build with the distribution's hardening flags"
build="$root/build-package"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# Without the benchmarks, which are not installed.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMAREL_TESTS=OFF \
  -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j "$jobs"
version="$(sed -n 's/^LUMAREL_VERSION:INTERNAL=//p' "$build/CMakeCache.txt")"
file_version="$(sed -n 's/^LUMAREL_FILE_VERSION:INTERNAL=//p' "$build/CMakeCache.txt")"
if [ -z "$version" ] || [ -z "$file_version" ]; then
  echo "package.sh: no version in $build/CMakeCache.txt" >&2
  exit 1
fi
# Debian wants every release in the changelog.
changelog="$root/packaging/debian/changelog"
if [ "$(dpkg-parsechangelog -l "$changelog" -S Version)" != "$version" ]; then
  echo "package.sh: $changelog begins with another version than $version; add an entry" >&2
  exit 1
fi

for arch in x86_64 i686; do
  echo "== Windows build ($arch)"
  cmake -S "$root" -B "$root/build-windows-$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" >/dev/null
  cmake --build "$root/build-windows-$arch" -j "$jobs" --target lumarel
done
rm -rf "$dist"
mkdir -p "$dist"
# The same tree gives the same package and zip: their files carry the date
# of the release's changelog entry. (makensis stamps the installer itself.)
SOURCE_DATE_EPOCH="$(dpkg-parsechangelog -l "$changelog" -S Timestamp)"
export SOURCE_DATE_EPOCH

echo "== Debian package"
deb="$dist/lumarel_${version}_amd64.deb"
package="$stage/deb"
DESTDIR="$package" cmake --install "$build" >/dev/null
programs="$(find "$package" -type f -exec sh -c 'file -b "$1" | grep -q "^ELF"' sh {} \; -print)"
# As Debian's own packages are stripped.
echo "$programs" | xargs strip --remove-section=.comment --remove-section=.note
doc="$package/usr/share/doc/lumarel"
mkdir -p "$doc" "$package/DEBIAN"
cp "$root/packaging/debian/copyright" "$doc/copyright"
install -D -m 644 "$root/packaging/debian/lintian-overrides" "$package/usr/share/lintian/overrides/lumarel"
# A package whose version has no Debian revision is native: its changelog is changelog.gz.
gzip -9n <"$changelog" >"$doc/changelog.gz"
find "$package/usr/share/man" -type f ! -name '*.gz' -exec gzip -9n {} +
chmod -R u=rwX,go=rX "$package"
# dpkg-shlibdeps wants to be run in a source package.
mkdir -p "$stage/shlibs/debian"
printf 'Source: lumarel\n\nPackage: lumarel\nArchitecture: any\n' >"$stage/shlibs/debian/control"
depends="$(cd "$stage/shlibs" && echo "$programs" | xargs dpkg-shlibdeps -O | sed -n 's/^shlibs:Depends=//p')"
# Files in /etc are the administrator's to change: conffiles, which dpkg keeps.
if [ -d "$package/etc" ]; then
  (cd "$package" && find etc -type f | sed 's|^|/|' | sort) >"$package/DEBIAN/conffiles"
fi
(cd "$package" && find . -type f ! -path './DEBIAN/*' ! -path './etc/*' | sed 's|^\./||' | sort | xargs md5sum) \
  >"$package/DEBIAN/md5sums"
sed -e "s/@VERSION@/$version/" -e "s/@DEPENDS@/$depends/" \
  -e "s/@INSTALLED_SIZE@/$(du -sk --exclude=DEBIAN "$package" | cut -f1)/" \
  "$root/packaging/debian/control.in" >"$package/DEBIAN/control"
find "$package" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
dpkg-deb --root-owner-group -Zxz --build "$package" "$deb" >/dev/null
echo "lintian:"
lintian --info "$deb" || { echo "package.sh: lintian found errors" >&2; exit 1; }

echo "== Windows installer"
saver64="$stage/lumarel.scr"
saver32="$stage/lumarel32.scr"
x86_64-w64-mingw32-strip -o "$saver64" "$root/build-windows-x86_64/lumarel.scr"
i686-w64-mingw32-strip -o "$saver32" "$root/build-windows-i686/lumarel32.scr"
makensis -V2 -DVERSION="$version" -DFILE_VERSION="$file_version" -DSAVER64="$saver64" -DSAVER32="$saver32" \
  -DOUTFILE="$dist/lumarel-$version-setup.exe" "$root/packaging/windows/lumarel.nsi"

echo "== Windows zip"
folder="$stage/lumarel-$version-windows"
mkdir -p "$folder"
cp "$saver64" "$saver32" "$folder/"
# A text for Windows: CRLF line ends.
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$root/packaging/windows/INSTALL.txt" >"$folder/INSTALL.txt"
find "$folder" -exec touch -d "@$SOURCE_DATE_EPOCH" {} +
(cd "$stage" && find "lumarel-$version-windows" | sort | zip -q -X "$dist/lumarel-$version-windows.zip" -@)

(cd "$dist" && sha256sum lumarel_* lumarel-* >SHA256SUMS)
echo "== dist/"
(cd "$dist" && ls -l && cat SHA256SUMS)
