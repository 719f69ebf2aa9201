#!/bin/sh
# The include-cycle check itself: a tree whose folders include each other
# fails it, the same tree with one direction removed passes it.
#   check_include_script.sh CHECK_INCLUDES.py
set -u
check="$1"
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/src/upper" "$tree/src/lower" "$tree/resources"
printf '#include "lower/b.h"\n' >"$tree/src/upper/a.h"
printf '#include "upper/a.h"\n' >"$tree/src/lower/b.h"
printf '#include "ids.h"\n' >"$tree/src/lower/c.cpp"
: >"$tree/resources/ids.h"
if python3 "$check" "$tree" >/dev/null 2>&1; then
  echo "FAIL: a cycle between two folders passed"
  exit 1
fi
: >"$tree/src/lower/b.h"
if ! python3 "$check" "$tree" >"$tree/out" 2>&1; then
  echo "FAIL: includes running one way were refused"
  cat "$tree/out"
  exit 1
fi
if ! grep -q 'src/lower *-> resources' "$tree/out"; then
  echo "FAIL: an include of resources/ is not listed"
  cat "$tree/out"
  exit 1
fi
echo "ok: the include check finds the cycle and passes one-way includes"
