#!/bin/bash
# Builds the libFuzzer targets with clang in build-fuzz (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each for SECONDS seconds, one after
# another, from its checked-in seed corpus. A finding fails the run; the input
# that caused it is kept in build-fuzz/findings.
#   tests/fuzz/run.sh [SECONDS [TARGET...]]
set -u
seconds="${1:-30}"
shift
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$root/build-fuzz"
targets="${*:-ini_document profile_number switch_scan command_lines password_prompt}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DLUMAREL_FUZZ=ON -DLUMAREL_TESTS=OFF >/dev/null || exit 1
# shellcheck disable=SC2046
cmake --build "$build" --target $(for t in $targets; do echo "${t}_fuzz"; done) >/dev/null || exit 1

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/findings"
failed=0
for target in $targets; do
  # New inputs go to a scratch folder: the checked-in corpus stays small.
  mkdir "$work/$target"
  "$build/tests/fuzz/${target}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/findings/${target}-" "$work/$target" "$root/tests/fuzz/corpus/$target" \
    >"$work/$target.log" 2>&1
  status=$?
  runs=$(awk '/stat::number_of_executed_units/ { print $2 }' "$work/$target.log")
  if [ "$status" -eq 0 ]; then
    echo "ok: $target: ${runs:-?} runs in $seconds s, no finding"
  else
    failed=$((failed + 1))
    echo "FAIL: $target (exit $status):"
    grep -E "ERROR|broken|SUMMARY|Test unit written" "$work/$target.log" | head -10
  fi
done
[ "$failed" -eq 0 ]
