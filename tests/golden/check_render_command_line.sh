#!/bin/sh
# lumarel-render: pictures for good arguments; for bad arguments, unwritable
# output or an unreadable settings file, one line of error and exit code 2.
render="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
check() {
  if [ "$1" = ok ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $2"; fi
}
expect_refusal() {
  "$render" "$@" >/dev/null 2>"$work/err"
  status=$?
  if [ "$status" -eq 2 ] && [ "$(grep -c '^lumarel-render: ' "$work/err")" = 1 ] && [ "$(wc -l < "$work/err")" -eq 1 ]; then check ok; else check no "lumarel-render $* exited $status"; fi
}
expect_refusal --size 64x48 --seed 1 -o "$work/a.png"
expect_refusal --size 64x48 --seed 1 --ticks 5 --seconds 1 -o "$work/a.png"
expect_refusal --size 0x48 --seed 1 --ticks 5 -o "$work/a.png"
expect_refusal --size 64x0 --seed 1 --ticks 5 -o "$work/a.png"
grep -q -- "--size takes" "$work/err" && check ok || check no "a size without height is refused as a size"
expect_refusal --size 64x48 --seed 1 --ticks 5
expect_refusal --size 64x48 --seed 1 --ticks 5 --pattern Nonesuch -o "$work/a.png"
expect_refusal --size 64x48 --seed 1 --ticks 5 --colors Purple -o "$work/a.png"
expect_refusal --size 64x48 --seed 1 --ticks 5 --ini "$work/missing.ini" -o "$work/a.png"
expect_refusal --size 64x48 --seed 1 --ticks 5 -o "$work/no/such/folder/a.png"
expect_refusal --size 64x48 --seed 1 --ticks 5 --gallery /proc/version/gallery
for option in --bogus -x --crayonx; do
  expect_refusal --size 64x48 --seed 1 --ticks 5 -o "$work/a.png" "$option"
  grep -q "unknown option $option" "$work/err" && check ok || check no "$option is not named as unknown"
done

# A picture larger than the memory to be had: said, with what it needs.
if ldd "$render" | grep -q libasan; then
  ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=1024 \
    expect_refusal --size 32767x32767 --seed 1 --ticks 1 -o "$work/huge.png"
else
  (ulimit -v 1048576 && expect_refusal --size 32767x32767 --seed 1 --ticks 1 -o "$work/huge.png") >"$work/out"
  [ -s "$work/out" ] && { cat "$work/out"; check no "a picture larger than the memory"; } || check ok
fi
grep -q "32767x32767 picture needs [0-9]* MiB" "$work/err" && check ok || check no "the memory a picture needs is said: $(cat "$work/err")"

# The last entries of each list are found by name.
"$render" --size 64x48 --seed 1 --ticks 20 --pattern Hyperdraw --colors "No Blue" -o "$work/last.png" &&
  [ -s "$work/last.png" ] && check ok || check no "the last pattern and colour set by name"

"$render" --size 64x48 --seed 1 --seconds 2 --pattern "angels & devils" --colors "black/white/gray" --crayon \
  -o "$work/one.png" && [ -s "$work/one.png" ] && check ok || check no "a single picture"
"$render" --size 48x32 --seed 1 --ticks 50 --gallery "$work/gallery" >/dev/null &&
  [ "$(ls "$work/gallery" | grep -c '\.png$')" = 17 ] && check ok || check no "a gallery of sixteen pictures and a sheet"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
