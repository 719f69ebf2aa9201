#!/bin/bash
# Processor use of the full-screen saver on a 1920x1080 virtual X display
# and on a 1920x1080 headless Wayland output (sway), averaged over a run:
# the saver's own share of one core, and the display server's.
# Goals: on X11, saver and X server together at most 2.5 % at the default
# settings and at most 5 % at "Timer interval" 5; on Wayland, the saver at
# most 3 % and 10 %.
# With --window: the saver in a window of its own (--window) beside /s on a
# 1024x768 Wayland output, both at the default settings; the window's goal
# is the full-screen saver's.
# With --scaled: /s on a 3840x2160 output at scale 2 (goal: the saver at most
# 3 %), and --wallpaper under a window full screen (goal: under 0.2 %), three
# runs of each.
# With --lock: in the test suite's Debian 13 root, whose sway can lock, /s
# and then --lock on a 1920x1080 output at the defaults, three runs each
# (goal: the lock screen within the full-screen saver's figures).
# Usage: bench/measure_cpu.sh [--window | --scaled | --lock] [BUILD_DIR] [SECONDS]
window=""
scaled=""
lock=""
[ "$1" = --window ] && window=yes && shift
[ "$1" = --scaled ] && scaled=yes && shift
[ "$1" = --lock ] && lock=yes && shift
build="$(realpath "${1:-build}")"
seconds="${2:-60}"
work="$(mktemp -d)"
export DISPLAY=":$((200 + RANDOM % 50))" XDG_CONFIG_HOME="$work/config"
Xvfb "$DISPLAY" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
source "$(dirname "$0")/../tests/e2e/lib/wayland.sh"
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; stop_compositors; rm -rf "$work"' EXIT
for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

ticks_per_second=$(getconf CLK_TCK)
# Processor time of a process so far, in clock ticks: user plus system.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

measure() {  # measure LABEL SERVER_NAME SERVER_PID [MODE]: runs the saver with the settings in place
  "${in_root[@]}" "$saver_program" "${4:-/s}" &
  local saver=$! saver_start server_start
  sleep 3  # past start-up
  [ -n "${cover:-}" ] && $cover
  saver_start=$(cpu_ticks $saver)
  server_start=$(cpu_ticks "$3")
  sleep "$seconds"
  local saver_used=$(($(cpu_ticks $saver) - saver_start)) server_used=$(($(cpu_ticks "$3") - server_start))
  # Only SIGKILL ends a lock screen without its password.
  kill $saver
  [ "${4:-}" = --lock ] && kill -9 $saver
  wait $saver 2>/dev/null
  awk -v label="$1" -v server="$2" -v s="$saver_used" -v x="$server_used" -v hz="$ticks_per_second" -v t="$seconds" \
    'BEGIN { printf "%-36s saver %5.2f %% of a core, %s %5.2f %%, together %5.2f %% (over %d s)\n", label, 100 * s / hz / t, server, 100 * x / hz / t, 100 * (s + x) / hz / t, t }'
}

settings() {  # settings INTERVAL: the timer interval for the next runs; empty for the defaults
  rm -rf "$XDG_CONFIG_HOME/lumarel"
  [ -z "$1" ] && return
  mkdir -p "$XDG_CONFIG_HOME/lumarel"
  printf '[ScreenSaver.Lumarel]\nTimer interval=%s\n' "$1" >"$XDG_CONFIG_HOME/lumarel/control.ini"
}

saver_program="$build/lumarel"
if [ -n "$lock" ]; then
  unset DISPLAY
  source "$(dirname "$0")/../tests/e2e/lib/debian13_root.sh"
  debian13_ensure && debian13_mount "$work" || exit 1
  in_root=(chroot "$debian13_root")
  # This build's program, and its PAM service where the root has none.
  saver_program=/usr/local/bin/lumarel-bench
  cp "$build/lumarel" "$debian13_root$saver_program"
  pam_service="$debian13_root/etc/pam.d/lumarel"
  [ -e "$pam_service" ] || { cp "$(dirname "$0")/../resources/linux/lumarel.pam" "$pam_service" && added_pam=yes; }
  trap 'stop_compositors; debian13_umount; rm -f "$debian13_root$saver_program"; [ -n "${added_pam:-}" ] && rm -f "$pam_service"; kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
  write_sway_config "$runtime/sway.conf" "resolution 1920x1080"
  start_compositor sway sway -c "$runtime/sway.conf"
  settings ""
  for run in 1 2 3; do
    measure "Wayland (sway 1.10) 1920x1080, /s:" "compositor" "$compositor"
  done
  for run in 1 2 3; do
    measure "... --lock:" "compositor" "$compositor" --lock
  done
  exit 0
fi

if [ -n "$scaled" ]; then
  unset DISPLAY
  write_sway_config "$runtime/sway.conf" "resolution 3840x2160 scale 2"
  start_compositor sway sway -c "$runtime/sway.conf"
  settings ""
  for run in 1 2 3; do
    measure "Wayland (sway) 3840x2160 at scale 2, /s:" "compositor" "$compositor"
  done
  # The settings dialog over the wallpaper, full screen.
  cover_with_window() {
    "$build/lumarel" /c &
    dialog=$!
    for _ in $(seq 1 100); do
      swaymsg -s "$(sway_socket)" '[title="Lumarel Settings"]' fullscreen enable >/dev/null 2>&1 && break
      sleep 0.1
    done
    sleep 2
  }
  cover=cover_with_window
  for run in 1 2 3; do
    measure "... --wallpaper under a full-screen window:" "compositor" "$compositor" --wallpaper
    kill "$dialog"
    wait "$dialog" 2>/dev/null
  done
  exit 0
fi

if [ -n "$window" ]; then
  unset DISPLAY
  write_sway_config "$runtime/sway.conf" "resolution 1024x768"
  start_compositor sway sway -c "$runtime/sway.conf"
  settings ""
  measure "Wayland (sway) 1024x768, /s:" "compositor" "$compositor"
  measure "Wayland (sway) 1024x768, --window:" "compositor" "$compositor" --window
  exit 0
fi

settings ""
measure "X11, default settings:" "X server" $xvfb
settings 5
measure "X11, \"Timer interval\" 5:" "X server" $xvfb

write_sway_config "$runtime/sway.conf" "resolution 1920x1080"
start_compositor sway sway -c "$runtime/sway.conf"
unset DISPLAY
settings ""
measure "Wayland (sway), default settings:" "compositor" "$compositor"
settings 5
measure "Wayland (sway), \"Timer interval\" 5:" "compositor" "$compositor"
