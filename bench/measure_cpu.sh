#!/bin/bash
# Processor use of the full-screen saver on a 1920x1080 virtual X display,
# averaged over a run: the saver's own share of one core, and the X server's.
# Goals: the two together at most 2.5 % at the default settings, at most
# 5 % at "Timer interval" 5.
# Usage: bench/measure_cpu.sh [BUILD_DIR] [SECONDS]
build="$(realpath "${1:-build}")"
seconds="${2:-60}"
work="$(mktemp -d)"
export DISPLAY=":$((200 + RANDOM % 50))" XDG_CONFIG_HOME="$work/config"
Xvfb "$DISPLAY" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

ticks_per_second=$(getconf CLK_TCK)
# Processor time of a process so far, in clock ticks: user plus system.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

measure() {  # measure LABEL: runs the saver with the settings in place
  "$build/lumarel" /s &
  local saver=$! saver_start server_start
  sleep 3  # past start-up
  saver_start=$(cpu_ticks $saver)
  server_start=$(cpu_ticks $xvfb)
  sleep "$seconds"
  local saver_used=$(($(cpu_ticks $saver) - saver_start)) server_used=$(($(cpu_ticks $xvfb) - server_start))
  kill $saver
  wait $saver 2>/dev/null
  awk -v label="$1" -v s="$saver_used" -v x="$server_used" -v hz="$ticks_per_second" -v t="$seconds" \
    'BEGIN { printf "%-28s saver %5.2f %% of a core, X server %5.2f %%, together %5.2f %% (over %d s)\n", label, 100 * s / hz / t, 100 * x / hz / t, 100 * (s + x) / hz / t, t }'
}

measure "default settings:"
mkdir -p "$XDG_CONFIG_HOME/lumarel"
printf '[ScreenSaver.Lumarel]\nTimer interval=5\n' >"$XDG_CONFIG_HOME/lumarel/control.ini"
measure "\"Timer interval\" 5:"
