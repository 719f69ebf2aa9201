#!/bin/bash
# The full-screen saver under Debian 13's sway while outputs come and go: a
# second output is made and unplugged 20 times, and the saver must run on,
# cover the output left and one plugged in afterwards, and warn of nothing.
# Debian 12's sway cannot unplug an output; the saver built here runs in a
# Debian 13 root (lib/debian13_root.sh) against that root's libraries.
#   wayland_outputs.sh BUILD_DIR   (BUILD_DIR holds lumarel)
set -u
build="$(realpath "$1")"
saver="$build/lumarel"
here="$(cd "$(dirname "$0")" && pwd)"
rounds=20
source "$here/lib/debian13_root.sh"
source "$here/lib/checks.sh"
unset DISPLAY
# The desktop's colour, which a covering saver hides; not a pure one, which
# a figure might draw in.
background="#fd01fe"

if [ ! -x "$saver" ]; then
  echo "FAIL: no lumarel in $build"
  exit 1
fi
source "$here/lib/wayland.sh"
debian13_for_checks "$work" "$build"
in_root=(chroot "$debian13_root")
saver_pid=""
cleanup_more() {
  [ -n "$saver_pid" ] && kill "$saver_pid" 2>/dev/null && wait "$saver_pid" 2>/dev/null
  stop_compositors
}

# What the saver and the compositor said, after a failed check.
show_logs() {
  show_log "the saver's stderr" "$work/saver.err" 60
  show_log "sway's log" "$work/sway.log" 40
}

outputs() { "${in_root[@]}" swaymsg -r -s "$(sway_socket)" -t get_outputs | jq -r '.[].name' | sort; }

# plug_and_unplug: makes an output, waits for the saver to cover it, unplugs
# it, and makes sure it went and the saver is still there.
plug_and_unplug() {
  local before after added
  before=$(outputs)
  swaymsg_ create_output || return 1
  after=$(outputs)
  added=$(comm -13 <(echo "$before") <(echo "$after"))
  if [ "$(echo "$added" | grep -c .)" != 1 ]; then
    echo "   (not one new output: before $(echo $before), after $(echo $after))"
    return 1
  fi
  swaymsg_ output "$added" resolution 800x600 position 1024 0 bg "$background" solid_color || return 1
  # Gone while the saver draws on it.
  shoot_until -o "$added" "$work/plugged.png" covered "$work/plugged.png"
  if ! covered "$work/plugged.png"; then
    echo "   (the saver did not cover $added: $(background_share "$work/plugged.png") of it is the desktop's colour)"
    return 1
  fi
  swaymsg_ output "$added" unplug || return 1
  sleep 0.5
  if outputs | grep -qx "$added"; then
    echo "   ($added is still there after unplug: $(echo $(outputs)))"
    return 1
  fi
  if ! running "$saver_pid"; then
    wait "$saver_pid"
    echo "   (the saver ended with exit code $? once $added went)"
    return 1
  fi
}

config="$work/config"
write_cornered_settings "$config" "$build/lumarel-render"
write_sway_config "$runtime/sway.conf" "resolution 1024x768 position 0 0 bg $background solid_color"
echo "xwayland disable" >>"$runtime/sway.conf"

echo "-- sway $("${in_root[@]}" sway --version | awk '{ print $3 }') in $debian13_root, outputs unplugged"
start_compositor sway sway -c "$runtime/sway.conf"
"${in_root[@]}" grim -o HEADLESS-1 "$work/desktop.png"
check_ "the desktop shows its own colour before the saver" uncovered "$work/desktop.png"
"${in_root[@]}" env XDG_CONFIG_HOME="$config" "$saver" /s 2>"$work/saver.err" &
saver_pid=$!
sleep 3
check_ "the saver starts" running "$saver_pid"
shoot_until -o HEADLESS-1 "$work/first.png" covered "$work/first.png"
check_ "... and covers the output" covered "$work/first.png"
for round in $(seq 1 "$rounds"); do
  check_ "round $round: an output made, covered and unplugged, the saver runs on" plug_and_unplug || break
done
check_ "the saver still runs after $rounds outputs went" running "$saver_pid"
# A picture that starts anew when the outputs change draws its figures along
# the edges, sparsely at first, and slower on a busy machine: up to 36 s.
figures_on() {
  local _
  for _ in 1 2 3; do
    shoot_until -o "$1" "$2" shows_figures "$2"
    shows_figures "$2" && return
  done
  return 1
}
figures_on HEADLESS-1 "$work/left.png"
check_ "... covers the output left" covered "$work/left.png"
check_ "... with figures on it" shows_figures "$work/left.png"
before=$(outputs)
check_ "an output is made once more" swaymsg_ create_output
added=$(comm -13 <(echo "$before") <(outputs) | head -n 1)
check_ "... and placed" swaymsg_ output "${added:-none}" resolution 640x480 position 1024 0 bg "$background" solid_color
shoot_until -o "${added:-none}" "$work/added-first.png" covered "$work/added-first.png"
check_ "the saver covers it" covered "$work/added-first.png"
figures_on "${added:-none}" "$work/added.png"
check_ "... with figures on it" shows_figures "$work/added.png"
kill "$saver_pid" 2>/dev/null
wait "$saver_pid"
status=$?
saver_pid=""
check_ "SIGTERM ends the saver with exit code 0" test "$status" = 0
check_ "the saver warned of nothing" test -z "$(grep -E -- '-(WARNING|CRITICAL) \*\*' "$work/saver.err")"
stop_compositor
finish
