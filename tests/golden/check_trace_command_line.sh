#!/bin/sh
# lumarel-trace refuses bad arguments with one line of error and exit code 2.
trace="$1"
failures=0
expect_refusal() {
  "$trace" "$@" >/dev/null 2>/tmp/lumarel-trace-err.$$
  status=$?
  if [ "$status" -ne 2 ] || [ "$(wc -l < /tmp/lumarel-trace-err.$$)" -ne 1 ] || ! grep -q '^lumarel-trace: ' /tmp/lumarel-trace-err.$$; then
    echo "FAIL: lumarel-trace $* exited $status"
    failures=$((failures + 1))
  fi
}
expect_refusal
expect_refusal --seed 1 --size 640x480
expect_refusal --seed -1 --size 640x480 --ticks 1
expect_refusal --seed 4294967296 --size 640x480 --ticks 1
expect_refusal --seed 1 --size 640 --ticks 1
expect_refusal --seed 1 --size 32768x10 --ticks 1
expect_refusal --seed 1 --size 10x10 --ticks 1x
expect_refusal --seed 1 --size 10x10 --ticks 1 --ini /nonexistent/control.ini
expect_refusal --seed 1 --size 10x10 --ticks 1 --ini /tmp
expect_refusal --seed 1 --size 10x10 --ticks 1 --bogus 3
expect_refusal --seed 1 --size 10x10 --ticks
for option in --bogus -z; do
  expect_refusal --seed 1 --size 10x10 --ticks 1 "$option"
  "$trace" --seed 1 --size 10x10 --ticks 1 "$option" 2>&1 >/dev/null | grep -q "unknown option $option" ||
    { echo "FAIL: $option is not named as unknown"; failures=$((failures + 1)); }
done
rm -f /tmp/lumarel-trace-err.$$
if [ "$("$trace" --seed 0 --size 0x0 --ticks 3 | grep -c '^tick ')" != 3 ]; then
  echo "FAIL: a 0x0 window does not tick"
  failures=$((failures + 1))
fi
echo "$((11 + 2 * 2 + 1 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
