#!/bin/bash
# The full-screen saver, built with AddressSanitizer, while outputs go under
# Debian 12's sway, which cannot unplug a headless output: a sway nested in a
# headless one shows each of its outputs as a window of the outer, and the
# outer closing that window removes the output. The saver must run on with
# no sanitizer report and no GLib warning.
#   wayland_nested_outputs.sh LUMAREL   (LUMAREL: built with LUMAREL_SANITIZE)
set -u
saver="$(realpath "$1")"
here="$(cd "$(dirname "$0")" && pwd)"
rounds=6
source "$here/lib/checks.sh"
unset DISPLAY
# The inner desktop's colour, which a covering saver hides; not a pure one,
# which a figure might draw in.
background="#fd01fe"
source "$here/lib/wayland.sh"
saver_pid=""
cleanup_more() {
  [ -n "$saver_pid" ] && kill "$saver_pid" 2>/dev/null && wait "$saver_pid" 2>/dev/null
  stop_compositors
}

show_logs() {
  show_log "the saver's stderr" "$work/saver.err" 60
  show_log "the inner sway's log" "$work/inner.log" 25
  show_log "the outer sway's log" "$work/outer.log" 15
}
ipc_socket() { ls "$runtime"/sway-ipc.*."$1".sock 2>/dev/null | head -n 1; }
outputs() { timeout 5 swaymsg -r -s "$inner_ipc" -t get_outputs | jq -r '.[].name' | sort; }

# Debian 12's wlroots at times leaves the nested sway waiting to read from
# the outer one when there is nothing more to read; whatever the outer sends
# next wakes it. inner_awake: the outer toggles the first inner output's
# window full screen and back (a configure each) until the inner answers.
inner_awake() {
  local _
  for _ in 1 2 3; do
    timeout 3 swaymsg -s "$inner_ipc" -t get_version >/dev/null 2>&1 && return 0
    echo "   (the inner sway does not answer; the outer wakes it)"
    swaymsg -s "$outer_ipc" '[title="^wlroots - WL-1$"] fullscreen toggle' >/dev/null
    sleep 0.5
    swaymsg -s "$outer_ipc" '[title="^wlroots - WL-1$"] fullscreen toggle' >/dev/null
    sleep 0.5
  done
  timeout 3 swaymsg -s "$inner_ipc" -t get_version >/dev/null 2>&1 || { echo "   (the inner sway hangs)"; return 1; }
}

# lose_output: the inner sway makes an output, the saver covers it, then the
# outer closes the output's window; the output must go and the saver stay.
lose_output() {
  local before after added
  inner_awake || return 1
  before=$(outputs)
  # Unanswered when the inner sway hung meanwhile: what counts is one more output.
  swaymsg_at "$inner_ipc" create_output
  inner_awake || return 1
  after=$(outputs)
  added=$(comm -13 <(echo "$before") <(echo "$after"))
  if [ "$(echo "$added" | grep -c .)" != 1 ]; then
    echo "   (not one new output: before $(echo $before), after $(echo $after))"
    return 1
  fi
  # Lost while the saver draws on it.
  inner_awake || return 1
  shoot_until -o "$added" "$work/plugged.png" covered "$work/plugged.png"
  if ! covered "$work/plugged.png"; then
    echo "   (the saver did not cover $added: $(background_share "$work/plugged.png") of it is the desktop's colour)"
    return 1
  fi
  swaymsg_at "$outer_ipc" "[title=\"^wlroots - $added\$\"] kill" || return 1
  for _ in $(seq 1 30); do
    inner_awake && ! outputs | grep -qx "$added" && break
    sleep 0.1
  done
  if outputs | grep -qx "$added"; then
    echo "   ($added is still there once its window closed: $(echo $(outputs)))"
    return 1
  fi
  sleep 1
  if ! running "$saver_pid"; then
    wait "$saver_pid"
    echo "   (the saver ended with exit code $? once $added went)"
    return 1
  fi
}

printf 'output HEADLESS-1 resolution 1600x1200 position 0 0\ndefault_border none\nxwayland disable\n' >"$runtime/outer.conf"
printf 'output * bg %s solid_color\ndefault_border none\nxwayland disable\n' "$background" >"$runtime/inner.conf"
chmod 644 "$runtime/outer.conf" "$runtime/inner.conf"

echo "-- sway $(sway --version | awk '{ print $3 }') nested in a headless one, outputs lost, the saver under AddressSanitizer"
start_compositor outer sway -c "$runtime/outer.conf"
outer_ipc=$(ipc_socket "$compositor")
# Of the outer sway, which start_compositor set.
start_compositor inner env WLR_BACKENDS=wayland WAYLAND_DISPLAY="$WAYLAND_DISPLAY" sway -c "$runtime/inner.conf"
inner_ipc=$(ipc_socket "$compositor")
grim -o WL-1 "$work/desktop.png"
check_ "the inner desktop shows its own colour before the saver" uncovered "$work/desktop.png"
# GLib's own allocator hides freed objects from the sanitizer; the saver's
# fault handler would turn the sanitizer's report of a crash into exit 255.
G_SLICE=always-malloc ASAN_OPTIONS=allow_user_segv_handler=0:detect_leaks=0 XDG_CONFIG_HOME="$work/config" \
  "$saver" /s 2>"$work/saver.err" &
saver_pid=$!
sleep 4
check_ "the saver starts on the inner sway ($(echo $(outputs)))" running "$saver_pid"
for round in $(seq 1 "$rounds"); do
  check_ "round $round: an inner output made, covered and lost, the saver runs on" lose_output || break
done
check_ "the saver still runs after $rounds outputs went" running "$saver_pid"
inner_awake
shoot_until -o WL-1 "$work/left.png" shows_figures "$work/left.png"
check_ "... and draws on the output left" shows_figures "$work/left.png"
check_ "the sanitizer reported nothing" test -z "$(grep -E 'ERROR: AddressSanitizer|runtime error:' "$work/saver.err")"
check_ "GLib warned of nothing" test -z "$(grep -E -- '-(WARNING|CRITICAL) \*\*' "$work/saver.err")"
kill "$saver_pid" 2>/dev/null
wait "$saver_pid"
status=$?
saver_pid=""
check_ "SIGTERM ends the saver with exit code 0" test "$status" = 0
stop_compositors
finish
