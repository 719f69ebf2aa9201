# Sourced by the scripts that run lumarel under headless Wayland compositors,
# after $work is set. The compositors refuse to run as root: there they run
# as nobody, with a runtime folder of their own that our programs (as root)
# reach too. stop_compositors ends every one started here. A script that sets
# in_root (e.g. to chroot and a folder) runs the compositors and their tools
# (swaymsg, grim) under it; the folders the runtime folder lies in must be
# reachable at the same path there.
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
in_root=()

# start_compositor LOG COMMAND...: starts it, waits for its socket, and sets
# WAYLAND_DISPLAY to it; the process id lands in $compositor.
start_compositor() {
  local log="$1" before socket=""
  shift
  before=$(ls "$runtime")
  "${in_root[@]}" env -i PATH="$PATH" HOME="$runtime" XDG_RUNTIME_DIR="$runtime" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
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

# swaymsg_at SOCKET COMMAND...: fails, and prints what swaymsg said, when
# swaymsg fails or sway answers that a command failed: a check whose command
# did nothing must not pass.
swaymsg_at() {
  local socket="$1" answer status
  shift
  answer=$("${in_root[@]}" swaymsg -r -s "$socket" "$@" 2>&1)
  status=$?
  if [ "$status" != 0 ] || grep -q '"success": *false' <<<"$answer"; then
    echo "   (swaymsg $* exited with $status: $answer)"
    return 1
  fi
}

# swaymsg_ COMMAND...: swaymsg_at the sway that runs in $runtime.
sway_socket() { ls "$runtime"/sway-ipc.*.sock | head -n 1; }

# Waits up to $2 seconds for a window whose title holds $1 under that sway.
wait_for_sway_window() {
  for _ in $(seq 1 $(($2 * 10))); do
    swaymsg -s "$(sway_socket)" -t get_tree 2>/dev/null |
      jq -e --arg title "$1" '[.. | objects | .name? // "" | select(contains($title))] | length > 0' >/dev/null &&
      return 0
    sleep 0.1
  done
  return 1
}
swaymsg_() { swaymsg_at "$(sway_socket)" "$@"; }

# Picture checks. The share of a picture in the desktop's colour, $background:
# 0 when something covers it.
background_share() {
  convert "$1" -alpha off -fill black +opaque "$background" -fill white -opaque "$background" -format "%[fx:mean]\n" info:
}
covered() { awk "BEGIN { exit !($(background_share "$1") < 0.001) }"; }
uncovered() { awk "BEGIN { exit !($(background_share "$1") > 0.9) }"; }

# shoot_until [-o OUTPUT] PICTURE CONDITION...: a screenshot, retaken every
# 2 s up to six times until CONDITION (a command and its arguments) holds.
# A series starts on a cleared screen, and some draw sparsely at first or
# only near the middle of the picture. Under cage, screenshots a fraction of
# a second apart are at times identical although our picture changed.
shoot_until() {
  local grim_args=()
  if [ "$1" = -o ]; then
    grim_args=(-o "$2")
    shift 2
  fi
  local picture="$1"
  shift
  for _ in 1 2 3 4 5 6; do
    # A compositor that stopped drawing would keep grim waiting.
    timeout 20 "${in_root[@]}" grim "${grim_args[@]}" "$picture"
    "$@" && return
    sleep 2
  done
}
