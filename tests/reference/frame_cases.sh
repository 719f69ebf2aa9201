# Sourced: reads frames.txt beside it and writes each case's settings.

frame_patterns="Symmetron Mask CoatOfArms Hexatron Cornered ScreenCrystals AngelsAndDevils Spiderwork ZenGarden
LetItGrow Crown Cartouche Mandala Algorhythm Anemone Hyperdraw"

# Calls "$1" NAME SIZE SEED TICKS SETTINGS_FILE for every case, with the
# settings written into the folder $2; fails if any call failed.
for_each_frame() {
  status=0
  while read -r name size seed ticks pattern crayon; do
    case "$name" in "" | "#"*) continue ;; esac
    {
      echo "[ScreenSaver.Lumarel]"
      for p in $frame_patterns; do
        if [ "$pattern" = - ] || [ "$pattern" = "$p" ]; then echo "$p=1"; else echo "$p=0"; fi
      done
      echo "PercentCrayon=$crayon"
    } >"$2/$name.ini"
    "$1" "$name" "$size" "$seed" "$ticks" "$2/$name.ini" || status=1
  done <"$(dirname "$0")/frames.txt"
  return $status
}
