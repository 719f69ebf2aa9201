#!/bin/bash
# Measures what the settings file goes through: concurrent writers (lost
# updates), writers killed with SIGKILL (complete files, temporary files
# left) and settings files of 100 MB (time and peak memory of a load).
#   bench/measure_settings_files.sh BUILD_DIR [WRITES] [KILLS]
set -u
tool="$(realpath "$1")/tests/settings_file_tool"
writes="${2:-3000}"
kills="${3:-300}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
file="$work/control.ini"

for writers in 2 3; do
  printf '[ScreenSaver.Lumarel]\nPause=1\n' >"$file"
  start=$(date +%s.%N)
  pids=()
  for w in $(seq 1 "$writers"); do
    "$tool" write "$file" "Writer $w" "$writes" >"$work/lost$w" &
    pids+=($!)
  done
  wait "${pids[@]}"
  lost=0
  for w in $(seq 1 "$writers"); do
    lost=$((lost + $(cat "$work/lost$w")))
    [ "$("$tool" get "$file" "Writer $w")" = "$writes" ] || lost=$((lost + 1))
  done
  echo "$writers writers x $writes writes: $lost lost updates in $(echo "$(date +%s.%N) - $start" | bc) s"
done

printf '[ScreenSaver.Lumarel]\nPause=1\n' >"$file"
incomplete=0
most=0
for round in $(seq 1 "$kills"); do
  "$tool" churn "$file" &
  pid=$!
  sleep "0.0$((RANDOM % 9 + 1))"
  kill -9 "$pid"
  wait "$pid" 2>/dev/null
  # Complete: the section line, then whole key lines, each ended.
  if ! head -n 1 "$file" | grep -qx '\[ScreenSaver.Lumarel\]' || [ "$(tail -c 1 "$file" | od -An -c | tr -d ' ')" != '\n' ] ||
    grep -vqxE '\[ScreenSaver.Lumarel\]|(Pause|Mask)=[0-9]+' "$file"; then
    incomplete=$((incomplete + 1))
  fi
  others=$(find "$work" -mindepth 1 ! -name control.ini ! -name .control.ini.lock ! -name 'lost*' | wc -l)
  [ "$others" -gt "$most" ] && most=$others
done
echo "$kills writers killed with SIGKILL: $incomplete incomplete files, at most $most temporary file(s) at once"

for kind in "blank lines" "random bytes" "one long value"; do
  case "$kind" in
    "blank lines") head -c 100000000 /dev/zero | tr '\0' '\n' >"$file" ;;
    "random bytes") head -c 100000000 /dev/urandom >"$file" ;;
    "one long value") { printf '[ScreenSaver.Lumarel]\nTimer interval='; head -c 100000000 /dev/zero | tr '\0' '7'; } >"$file" ;;
  esac
  echo "100 MB of $kind: $("$tool" load "$file" 2>/dev/null)"
done
# The worst a readable file can do: up to the limit in one-character lines.
{ printf '[ScreenSaver.Lumarel]\n'; head -c 1048000 /dev/zero | tr '\0' '\n' | sed 's/^/a/'; } | head -c 1048576 >"$file"
echo "1 MiB of short lines (under the limit): $("$tool" load "$file")"
