# Sourced: reads frames.txt beside it and writes each case's settings.

# A name as a settings key: letters and digits, "&" read as "and". The profile
# functions match keys in any case, so a label ("Coat-of-Arms") names its key.
settings_key() { printf '%s\n' "$1" | sed 's/&/and/g; s/[^[:alnum:]]//g' | tr '[:upper:]' '[:lower:]'; }

# Calls "$1" NAME SIZE SEED TICKS SETTINGS_FILE for every case, with the
# settings written into the folder $2, every pattern that lumarel-render ($3)
# lists off but the case's own; fails if any call failed.
for_each_frame() {
  status=0
  patterns=$("$3" --list-patterns | while IFS= read -r label; do settings_key "$label"; done)
  [ -n "$patterns" ] || return 1
  while read -r name size seed ticks pattern crayon; do
    case "$name" in "" | "#"*) continue ;; esac
    {
      echo "[ScreenSaver.Lumarel]"
      for p in $patterns; do
        if [ "$pattern" = - ] || [ "$(settings_key "$pattern")" = "$p" ]; then echo "$p=1"; else echo "$p=0"; fi
      done
      echo "PercentCrayon=$crayon"
    } >"$2/$name.ini"
    "$1" "$name" "$size" "$seed" "$ticks" "$2/$name.ini" || status=1
  done <"$(dirname "$0")/frames.txt"
  return $status
}
