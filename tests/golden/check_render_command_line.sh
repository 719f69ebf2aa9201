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
  "$render" "$@" >/dev/null 2>"$work/said"
  status=$?
  # A sanitizer's own lines (==PID==) are not the program's.
  grep -v '^==[0-9]*==' "$work/said" >"$work/err"
  if [ "$status" -eq 2 ] && [ "$(grep -c '^lumarel-render: ' "$work/err")" = 1 ] && [ "$(wc -l < "$work/err")" -eq 1 ]; then check ok; else check no "lumarel-render $* exited $status"; fi
}
expect_refusal --size 64x48 --seed 1 -o "$work/a.png"
expect_refusal --size 64x48 --seed 1 --ticks 5 --seconds 1 -o "$work/a.png"
expect_refusal --size 0x48 --seed 1 --ticks 5 -o "$work/a.png"
# --seconds goes up to a day, not beyond.
expect_refusal --size 64x48 --seed 1 --seconds 86401 -o "$work/a.png"
grep -q -- "--seconds takes" "$work/err" && check ok || check no "a second past a day is refused as --seconds"
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

# Every pattern and colour set that the program lists is found by the name listed.
"$render" --list-patterns >"$work/patterns" && "$render" --list-colors >"$work/colors" && check ok ||
  check no "the lists of patterns and colour sets"
[ "$(sort -u "$work/patterns" | wc -l)" -ge 2 ] && [ "$(sort -u "$work/colors" | wc -l)" -ge 2 ] && check ok ||
  check no "the lists name several patterns and colour sets"
while IFS= read -r pattern; do
  "$render" --size 16x12 --seed 1 --ticks 1 --pattern "$pattern" -o "$work/p.png" || check no "pattern '$pattern'"
done <"$work/patterns"
while IFS= read -r colors; do
  "$render" --size 16x12 --seed 1 --ticks 1 --colors "$colors" -o "$work/c.png" || check no "colour set '$colors'"
done <"$work/colors"
grep -qx "Angels & Devils" "$work/patterns" && check ok || check no "patterns are listed by the labels the dialog shows"

"$render" --size 64x48 --seed 1 --seconds 2 --pattern "angels & devils" --colors "black/white/gray" --crayon \
  -o "$work/one.png" && [ -s "$work/one.png" ] && check ok || check no "a single picture"
"$render" --size 48x32 --seed 1 --ticks 50 --gallery "$work/gallery" >/dev/null &&
  [ "$(ls "$work/gallery" | grep -c '\.png$')" = $(($(wc -l <"$work/patterns") + 1)) ] && check ok ||
  check no "a gallery of a picture per pattern and a sheet"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
