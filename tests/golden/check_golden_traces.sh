#!/bin/sh
# Compares lumarel-trace with the checked-in traces, exactly.
# With --update as second argument, writes the traces anew instead.
trace="$1"
update=0
[ "$2" = --update ] && update=1
here="$(cd "$(dirname "$0")" && pwd)"
passed=0
failed=0
while read -r name seed size ticks ini; do
  case "$name" in ''|'#'*) continue ;; esac
  set -- --seed "$seed" --size "$size" --ticks "$ticks"
  [ "$ini" != - ] && set -- "$@" --ini "$here/$ini"
  if [ "$update" = 1 ]; then
    "$trace" "$@" | gzip -9n > "$here/$name.trace.gz"
    continue
  fi
  actual=$(mktemp)
  "$trace" "$@" > "$actual"
  if gzip -dc "$here/$name.trace.gz" | cmp -s - "$actual"; then
    passed=$((passed + 1))
  else
    echo "FAIL: $name differs from its golden trace; first differences:"
    gzip -dc "$here/$name.trace.gz" | diff - "$actual" | head -n 20
    failed=$((failed + 1))
  fi
  rm -f "$actual"
done < "$here/cases.txt"
[ "$update" = 1 ] && exit 0
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
