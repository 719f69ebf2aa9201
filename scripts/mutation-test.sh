#!/bin/bash
# Applies each single-point mutation listed in tests/mutations/*.txt, rebuilds,
# runs the unit suite and reverts, then prints how many the suite caught.
# Each list line: path<TAB>original<TAB>replacement, where `original` occurs
# exactly once in the repository-relative `path`. Lines starting with # and
# blank lines are skipped. Run on demand; it rebuilds once per mutation.
#
#   scripts/mutation-test.sh [list.txt ...]     (default: every tests/mutations/*.txt)
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${MUTATION_BUILD_DIR:-$root/build-mutation}"
jobs="${MUTATION_JOBS:-2}"
if [ $# -gt 0 ]; then lists=("$@"); else lists=("$root"/tests/mutations/*.txt); fi

backup=""
target=""
restore() {
  if [ -n "$backup" ] && [ -f "$backup" ]; then
    cp "$backup" "$target"  # a fresh time stamp, so the next build sees the change
    rm -f "$backup"
  fi
  backup=""
}
# The suite runs in a process group of its own, so that an interrupted run
# ends the tests it started, and only those.
suite=""
stop_suite() { [ -n "$suite" ] && kill -- -"$suite" 2>/dev/null; suite=""; }
run_suite() {
  setsid nice ctest --test-dir "$build" -j "$jobs" -E 'e2e' --timeout 60 --stop-on-failure >/dev/null 2>&1 &
  suite=$!
  wait "$suite"
  local status=$?
  suite=""
  return $status
}
trap 'stop_suite; restore' EXIT
trap 'stop_suite; restore; exit 130' INT TERM HUP

# Replaces the one occurrence of $2 in file $1 by $3; exits 3 when $2 does not
# occur exactly once (the mutation is stale).
apply_mutation() {
  python3 - "$1" "$2" "$3" <<'PY'
import sys
path, original, replacement = sys.argv[1], sys.argv[2], sys.argv[3]
text = open(path, encoding="utf-8").read()
if text.count(original) != 1:
    sys.exit(3)
open(path, "w", encoding="utf-8").write(text.replace(original, replacement, 1))
PY
}

echo "== Baseline build in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMAREL_TESTS=ON >/dev/null || exit 1
nice cmake --build "$build" -j "$jobs" >/dev/null || { echo "baseline build failed"; exit 1; }
if ! run_suite; then
  echo "the unit suite fails without any mutation; fix that first"
  exit 1
fi

caught=0 survived=0 stale=0 n=0
survivors=()
stales=()
for list in "${lists[@]}"; do
  while IFS=$'\t' read -r path original replacement extra || [ -n "$path" ]; do
    case "$path" in '' | '#'*) continue ;; esac
    n=$((n + 1))
    label="$(basename "$list") #$n $path: '$original' -> '$replacement'"
    if [ -z "${original:-}" ] || [ -n "${extra:-}" ] || [ ! -f "$root/$path" ]; then
      echo "stale    $label"
      stale=$((stale + 1)); stales+=("$label"); continue
    fi
    target="$root/$path"
    backup="$(mktemp "$build/mutation-backup.XXXXXX")"
    cp -p "$target" "$backup"
    if ! apply_mutation "$target" "$original" "$replacement"; then
      restore
      echo "stale    $label"
      stale=$((stale + 1)); stales+=("$label"); continue
    fi
    if ! nice cmake --build "$build" -j "$jobs" >/dev/null 2>&1; then
      verdict=caught  # it does not even build
    elif run_suite; then
      verdict=survived
    else
      verdict=caught
    fi
    restore
    printf '%-8s %s\n' "$verdict" "$label"
    if [ "$verdict" = caught ]; then caught=$((caught + 1)); else
      survived=$((survived + 1)); survivors+=("$label"); fi
  done <"$list"
done

# Leave the build matching the sources again.
nice cmake --build "$build" -j "$jobs" >/dev/null 2>&1
counted=$((caught + survived))
echo "== $caught of $counted mutations caught ($(( counted ? 100 * caught / counted : 0 )) %), $stale stale"
for s in "${survivors[@]}"; do echo "survived: $s"; done
for s in "${stales[@]}"; do echo "stale: $s"; done
[ "$survived" -eq 0 ]
