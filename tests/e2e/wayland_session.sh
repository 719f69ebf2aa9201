# Sourced by the scripts that run lumarel under headless Wayland compositors,
# after $work is set. The compositors refuse to run as root: there they run
# as nobody, with a runtime folder of their own that our programs (as root)
# reach too. stop_compositors ends every one started here.
chmod 711 "$work"
runtime="$work/runtime"
mkdir -m 700 "$runtime"
as_user=()
if [ "$(id -u)" = 0 ]; then
  chown 65534:65534 "$runtime"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
export XDG_RUNTIME_DIR="$runtime"
unset WAYLAND_DISPLAY
compositors=()

# start_compositor LOG COMMAND...: starts it, waits for its socket, and sets
# WAYLAND_DISPLAY to it; the process id lands in $compositor.
start_compositor() {
  local log="$1" before socket=""
  shift
  before=$(ls "$runtime")
  env -i PATH="$PATH" HOME="$runtime" XDG_RUNTIME_DIR="$runtime" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_RENDERER=pixman "${as_user[@]}" "$@" >"$work/$log.log" 2>&1 &
  compositor=$!
  compositors+=("$compositor")
  for _ in $(seq 1 100); do
    socket=$(comm -13 <(echo "$before") <(ls "$runtime") | grep -E '^wayland-[0-9]+$' | head -n 1)
    [ -n "$socket" ] && break
    sleep 0.1
  done
  if [ -z "$socket" ]; then
    echo "FAIL: $* did not start"
    cat "$work/$log.log"
    exit 1
  fi
  export WAYLAND_DISPLAY="$socket"
  sleep 0.5
}

stop_compositor() {
  kill "$compositor" 2>/dev/null
  wait "$compositor" 2>/dev/null
}

stop_compositors() {
  local pid
  for pid in "${compositors[@]}"; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
}

# write_sway_config FILE OUTPUT_SETTINGS: a configuration for one headless output.
write_sway_config() {
  printf 'output HEADLESS-1 %s\ndefault_border none\n' "$2" >"$1"
  chmod 644 "$1"
}

# swaymsg to the sway that runs in $runtime.
swaymsg_() { swaymsg -s "$(ls "$runtime"/sway-ipc.*.sock | head -n 1)" "$@" >/dev/null; }
