#!/bin/sh
# The include check itself, on a small tree with a table of its own: a cycle
# fails it, an include that the table does not allow fails it, a folder the
# table does not name fails it, and includes the table allows pass.
#   check_include_script.sh CHECK_INCLUDES.py
set -u
check="$1"
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
failed=0
expect() {  # expect pass|fail WHAT
  if python3 "$check" "$tree" >"$tree/out" 2>&1; then outcome=pass; else outcome=fail; fi
  if [ "$outcome" != "$1" ]; then
    echo "FAIL: $2 (the check said $outcome)"
    cat "$tree/out"
    failed=1
  fi
}
mkdir -p "$tree/docs" "$tree/src/upper" "$tree/src/lower" "$tree/src/linux/side" "$tree/resources"
cat >"$tree/docs/architecture.md" <<'TABLE'
| folder | may include |
|---|---|
| `src/upper/` | lower, resources |
| `src/linux/side/` | lower |
| `src/lower/` | nothing (standard C++ only) |
TABLE
printf '#include "lower/b.h"\n#include "ids.h"\n' >"$tree/src/upper/a.h"
printf '#include "lower/b.h"\n' >"$tree/src/linux/side/s.h"
: >"$tree/src/lower/b.h"
: >"$tree/resources/ids.h"
expect pass "includes the table allows"
grep -q 'src/upper *-> resources' "$tree/out" || { echo "FAIL: an include of resources/ is not listed"; failed=1; }

printf '#include "upper/a.h"\n' >"$tree/src/lower/b.h"
expect fail "a cycle between two folders"
printf '#include "ids.h"\n' >"$tree/src/lower/b.h"
expect fail "an include the table does not allow, in a cycle of none"
: >"$tree/src/lower/b.h"
printf '#include "linux/side/s.h"\n' >"$tree/src/upper/c.cpp"
expect fail "an include of a Linux folder that the table does not allow"
rm "$tree/src/upper/c.cpp"
mkdir -p "$tree/src/stray"
printf '#include "lower/b.h"\n' >"$tree/src/stray/d.cpp"
expect fail "a folder the table does not name"
[ "$failed" -eq 0 ] && echo "ok: the include check refuses cycles, includes it does not allow and unnamed folders"
exit "$failed"
