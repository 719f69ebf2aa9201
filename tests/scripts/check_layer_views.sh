#!/bin/sh
# The build's include folders keep each layer to what the table allows: in
# the raster layer's folder, its own headers compile and the platform's are
# not found; in the host's, the settings compile and the Linux front ends
# are not found.
#   check_layer_views.sh CXX LAYERS_FOLDER
set -u
compiler="$1"
layers="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=0
compiles() {  # compiles LAYER HEADER
  printf '#include "%s"\n' "$2" >"$work/probe.cpp"
  "$compiler" -std=c++20 -fsyntax-only -I "$layers/$1" "$work/probe.cpp" >"$work/out" 2>&1
}
expect() {  # expect yes|no LAYER HEADER
  if compiles "$2" "$3"; then outcome=yes; else outcome=no; fi
  if [ "$outcome" != "$1" ]; then
    echo "FAIL: $3 in the $2 layer: compiles $outcome, expected $1"
    cat "$work/out"
    failed=1
  fi
}
expect yes raster raster/framebuffer.h
expect no raster platform/platform_control.h
expect yes linux/x11 linux/desktop/front_end.h
expect no linux/desktop linux/x11/x11_desktop.h
expect no linux/programs linux/wayland/wayland_desktop.h
[ "$failed" -eq 0 ] && echo "ok: each layer's include folder holds only what it may include"
exit "$failed"
