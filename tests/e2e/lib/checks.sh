# Sourced by every end-to-end script: a work folder removed at the end, the
# checks' tally, waiting for processes, exit codes and picture judgments. A
# script that needs more cleaning up defines cleanup_more.
work="$(mktemp -d)"
passed=0
failed=0

cleanup() {
  declare -F cleanup_more >/dev/null && cleanup_more
  # Waited for: a server still going away would remove the socket of the
  # next one that takes the same display number.
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
# A reader that goes away (| head) must not end the script before its clean-up.
# Caught rather than ignored: an ignored signal stays ignored in the programs
# the script starts, and the checks send them SIGPIPE.
trap ':' PIPE

check() {  # check NAME COMMAND...: counts the command's success, and returns it
  local name="$1"
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok: $name"
  else
    failed=$((failed + 1))
    echo "FAIL: $name"
    return 1
  fi
}

# Waits up to $2 seconds for process $1 to end; true when it did.
wait_for_exit() {
  for _ in $(seq 1 $(($2 * 10))); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}

exit_code_of() { cat "$work/$1.exit" 2>/dev/null; }

# Whether more than a hundredth of a picture is lit.
not_black() {
  local lit
  lit=$(convert "$1" -threshold 1% -format "%[fx:mean]" info:)
  awk "BEGIN { exit !($lit > 0.01) }"
}

# Whether two pictures differ in more than a thousand pixels.
differ() {
  local count
  count=$(compare -metric AE "$1" "$2" null: 2>&1)
  test "${count%% *}" -gt 1000
}

# check_ NAME COMMAND...: a check that, when it fails, also shows what the
# programs said: the script's show_logs, which show_log serves.
check_() { check "$@" || { declare -F show_logs >/dev/null && show_logs; return 1; }; }
# show_log TITLE FILE LINES: the last lines of a log, indented.
show_log() {
  echo "   --- $1 (last lines):"
  sed 's/^/   | /' "$2" 2>/dev/null | tail -n "$3"
}
running() { kill -0 "$1" 2>/dev/null; }

# pattern_keys RENDER: the patterns' INI keys, one a line, from the labels
# that lumarel-render lists (a key is its label without blanks and
# punctuation, "&" read as "and"; keys match in any case).
pattern_keys() { "$1" --list-patterns | sed 's/&/and/g; s/[^[:alnum:]]//g'; }

# The screenshots, for a person to look at, where $SCREENSHOTS names a folder.
keep_screenshots() {
  [ -n "${SCREENSHOTS:-}" ] && mkdir -p "$SCREENSHOTS" && cp "$work"/*.png "$SCREENSHOTS"/ 2>/dev/null
  return 0
}

finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

# Whether figures show in a picture: over a hundredth of it differs from its
# most common colour (the series' background, black or a dark colour) by a
# tenth in some channel. Thresholding the difference as a whole would weigh
# it by brightness, and a deep blue figure on black would not count.
shows_figures() {
  local background share
  background=$(convert "$1" -format %c histogram:info:- | sort -rn | head -n 1 | grep -o '#[0-9A-Fa-f]\{6\}' | head -n 1)
  share=$(convert "$1" -alpha off \( +clone -fill "$background" -colorize 100 \) -compose difference -composite \
    -separate -evaluate-sequence max -threshold 10% -format "%[fx:mean]" info:)
  awk "BEGIN { exit !($share > 0.01) }"
}

# How much a picture differs from its mirror image about its middle column
# (-flop, the default) or its middle row (-flip), compared in blocks of 8 x 8
# pixels: near 0 for the saver's picture, drawn symmetric about the middle of
# its window. Pixel by pixel, dense hatching and crayon strokes (whose origin
# shakes) are not mirror images. mirror_difference PICTURE [-flop | -flip]
mirror_difference() {
  convert "$1" -scale 12.5% \( +clone "${2:--flop}" \) -compose difference -composite -threshold 10% -format "%[fx:mean]\n" info:
}

# Settings for pictures that are judged: one pattern, which draws its figures
# along the left and right edges, and no crayon (whose strokes shake). Every
# pattern's figure is centred alike, but dense hatching and fine lines are not
# mirror images block by block, and a lattice looks symmetric about any of its
# axes. write_cornered_settings FOLDER RENDER: FOLDER serves as
# XDG_CONFIG_HOME; RENDER, lumarel-render, lists the patterns.
write_cornered_settings() {
  local pattern
  mkdir -p "$1/lumarel"
  {
    echo "[ScreenSaver.Lumarel]"
    echo "PercentCrayon=0"
    pattern_keys "$2" | while IFS= read -r pattern; do
      echo "$pattern=$([ "$pattern" = Cornered ] && echo 1 || echo 0)"
    done
  } >"$1/lumarel/control.ini"
}

# Whether a picture of the settings above fills a screen or window of any
# shape: figures in each of its four quarters, and the picture symmetric about
# its middle row and its middle column. A picture laid out for another shape
# leaves quarters empty or its figures off the middle.
fills_with_corners() {
  local quarter
  convert "$1" -crop 2x2@ +repage "${1%.png}-quarter-%d.png" || return 1
  for quarter in 0 1 2 3; do shows_figures "${1%.png}-quarter-$quarter.png" || return 1; done
  awk "BEGIN { exit !($(mirror_difference "$1" -flip) < 0.05 && $(mirror_difference "$1") < 0.05) }"
}
