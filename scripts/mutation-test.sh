#!/bin/bash
# Single-point mutations: applies each, rebuilds, runs the tests, restores the
# source and tells how many mutations the tests caught.
#
#   scripts/mutation-test.sh [list.txt ...]     (default: every tests/mutations/*.txt)
#   scripts/mutation-test.sh --random N --seed S [--e2e]
#
# Lists: each line path<TAB>original<TAB>replacement, where `original` occurs
# exactly once in the repository-relative `path`; lines starting with # and
# blank lines are skipped. The sources are mutated in place and the build is
# build-mutation (MUTATION_BUILD_DIR).
#
# --random: N sites over src/, shared among its folders (src/linux as one) in
# proportion to their lines and the same for the same seed and sources, each an
# operator mutation (a comparison flipped or made strict or non-strict, a
# constant off by one, && and || swapped, a negation dropped, an x for a y, a
# statement removed; see scripts/mutation_sites.py). A mutation that does not
# build is dropped and the folder's next candidate taken. It runs the unit tier,
# with --e2e every other tier too: the golden traces, the GDI references and
# the end-to-end tiers (not those labelled system, which change the machine). It mutates a copy of the sources in build-mutation/random-source,
# built in build-mutation/random, so the working tree is never touched.
# Prints each mutant's verdict, the share caught per folder and overall, and
# the survivors. Everything runs at nice 19.
set -u
[ "$(nice)" -ge 19 ] || exec nice -n 19 "$0" "$@"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${MUTATION_BUILD_DIR:-$root/build-mutation}"
jobs="${MUTATION_JOBS:-2}"

usage() { echo "usage: $0 [list.txt ...] | --random N --seed S [--e2e]" >&2; exit 2; }
count="" seed="" e2e=0 lists=()
while [ $# -gt 0 ]; do
  case "$1" in
    --random) [ $# -ge 2 ] || usage; count="$2"; shift 2 ;;
    --seed) [ $# -ge 2 ] || usage; seed="$2"; shift 2 ;;
    --e2e) e2e=1; shift ;;
    -*) usage ;;
    *) lists+=("$1"); shift ;;
  esac
done
if [ -n "$count$seed" ] || [ "$e2e" = 1 ]; then
  [[ "$count" =~ ^[1-9][0-9]*$ ]] && [ -n "$seed" ] && [ ${#lists[@]} -eq 0 ] || usage
fi
[ ${#lists[@]} -gt 0 ] || lists=("$root"/tests/mutations/*.txt)

labels="unit"
[ "$e2e" = 1 ] && labels="unit|golden|reference|x11|wayland|wine|package|fuzz"
source="$root"
if [ -n "$count" ]; then
  source="$build/random-source"
  build="$build/random"
  mkdir -p "$source" "$build"
  python3 "$root/scripts/mutation_sites.py" sync "$root" "$source" || exit 1
fi

backup=""
target=""
restore() {
  if [ -n "$backup" ] && [ -f "$backup" ]; then
    cp "$backup" "$target"  # a fresh time stamp, so the next build sees the change
    rm -f "$backup"
  fi
  backup=""
}
# The tests run in a process group of their own, so that an interrupted run
# ends the tests it started, and only those. A mutant that hangs counts as
# caught once the suite takes four times as long as it did unmutated.
suite=""
limit=3600
stop_suite() { [ -n "$suite" ] && kill -- -"$suite" 2>/dev/null; suite=""; }
run_suite() {
  setsid ctest --test-dir "$build" -j "$jobs" -L "$labels" -LE system --timeout 60 --stop-on-failure \
    >/dev/null 2>&1 &
  suite=$!
  local waited=0
  while kill -0 "$suite" 2>/dev/null && [ "$waited" -lt "$limit" ]; do sleep 1; waited=$((waited + 1)); done
  if [ "$waited" -ge "$limit" ]; then
    local hung=$suite
    stop_suite
    wait "$hung" 2>/dev/null  # only this one: the site list's writer runs beside it
    return 1
  fi
  wait "$suite"
  local status=$?
  suite=""
  return $status
}
trap 'stop_suite; restore' EXIT
trap 'stop_suite; restore; exit 130' INT TERM HUP

build_all() { cmake --build "$build" -j "$jobs" >/dev/null 2>&1; }

echo "== Baseline build in $build"
cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMAREL_TESTS=ON >/dev/null || exit 1
build_all || { echo "baseline build failed"; exit 1; }
started=$SECONDS
if ! run_suite; then
  echo "the tests fail without any mutation; fix that first"
  exit 1
fi
limit=$((4 * (SECONDS - started) + 60))

# Mutates $1 with the command "${@:2}" (which must leave the file alone when it
# fails), builds and runs the tests; sets verdict to caught, survived, stale
# (the mutation does not apply) or unbuilt.
try_mutation() {
  target="$1"
  backup="$(mktemp "$build/mutation-backup.XXXXXX")"
  cp -p "$target" "$backup"
  if ! "${@:2}" 2>/dev/null; then verdict=stale
  elif ! build_all; then verdict=unbuilt
  elif run_suite; then verdict=survived
  else verdict=caught
  fi
  restore
}

# Replaces the one occurrence of $2 in file $1 by $3; fails when $2 does not
# occur exactly once (the mutation is stale).
replace_once() {
  python3 - "$1" "$2" "$3" <<'PY'
import sys
path, original, replacement = sys.argv[1], sys.argv[2], sys.argv[3]
text = open(path, encoding="utf-8").read()
if text.count(original) != 1:
    sys.exit(3)
open(path, "w", encoding="utf-8").write(text.replace(original, replacement, 1))
PY
}

trimmed() { local s="$1"; s="${s#"${s%%[![:space:]]*}"}"; printf '%s' "${s:-(nothing)}"; }

survivors=()
if [ -n "$count" ]; then
  declare -A quota tried caught
  folders=()
  while IFS=$'\t' read -r kind folder path line before after; do
    if [ "$kind" = quota ]; then
      quota[$folder]=$path tried[$folder]=0 caught[$folder]=0; folders+=("$folder"); continue
    fi
    [ "${tried[$folder]}" -lt "${quota[$folder]}" ] || continue
    try_mutation "$source/$path" python3 "$root/scripts/mutation_sites.py" apply "$source/$path" "$line" \
      "$before" "$after"
    case "$verdict" in unbuilt | stale) continue ;; esac
    label="$path:$line  $(trimmed "$before")  →  $(trimmed "$after")"
    printf '%-8s %s\n' "$verdict" "$label"
    tried[$folder]=$((tried[$folder] + 1))
    if [ "$verdict" = caught ]; then caught[$folder]=$((caught[$folder] + 1)); else survivors+=("$label"); fi
  done < <(python3 "$root/scripts/mutation_sites.py" pick "$source" "$count" "$seed")
  total_caught=0 total=0
  echo "== Caught per folder (seed $seed, tiers: $labels)"
  for folder in "${folders[@]}"; do
    t=${tried[$folder]} c=${caught[$folder]}
    [ "$t" -gt 0 ] && printf '%-14s %3d of %3d (%3d %%)\n' "$folder" "$c" "$t" $((100 * c / t))
    total=$((total + t)) total_caught=$((total_caught + c))
  done
  printf '%-14s %3d of %3d (%3d %%)\n' overall "$total_caught" "$total" $((total ? 100 * total_caught / total : 0))
else
  total_caught=0 total=0 stales=()
  for list in "${lists[@]}"; do
    n=0
    while IFS=$'\t' read -r path original replacement extra || [ -n "$path" ]; do
      case "$path" in '' | '#'*) continue ;; esac
      n=$((n + 1))
      label="$(basename "$list") #$n $path: '$original' -> '$replacement'"
      if [ -z "${original:-}" ] || [ -n "${extra:-}" ] || [ ! -f "$root/$path" ]; then
        verdict=stale
      else
        try_mutation "$root/$path" replace_once "$root/$path" "$original" "$replacement"
        [ "$verdict" = unbuilt ] && verdict=caught  # it does not even build
      fi
      printf '%-8s %s\n' "$verdict" "$label"
      case "$verdict" in
        stale) stales+=("$label") ;;
        caught) total=$((total + 1)) total_caught=$((total_caught + 1)) ;;
        survived) total=$((total + 1)) survivors+=("$label") ;;
      esac
    done <"$list"
  done
  echo "== $total_caught of $total mutations caught ($((total ? 100 * total_caught / total : 0)) %), ${#stales[@]} stale"
  for s in "${stales[@]}"; do echo "stale: $s"; done
fi

# Leave the build matching the sources again.
build_all
for s in "${survivors[@]}"; do echo "survived: $s"; done
[ ${#survivors[@]} -eq 0 ]
