# Sourced by what makes Debian roots (lib/debian13_root.sh, scripts/fresh-machine.sh).

# debian_mirror: the main and the security archive's address from this
# machine's apt sources (deb822 or one-line), so the root comes from where
# the machine's own packages come from.
debian_mirror() {
  local kind="$1" uri=""
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    uri=$(awk -v kind="$kind" '
      /^[ \t]*$/ { if (u != "" && ((kind == "security") == (s ~ /-security/))) { print u; exit } u = ""; s = "" }
      /^URIs:/ { u = $2 } /^Suites:/ { s = $0 }
      END { if (u != "" && ((kind == "security") == (s ~ /-security/))) print u }' /etc/apt/sources.list.d/debian.sources | head -n 1)
  fi
  if [ -z "$uri" ] && [ -f /etc/apt/sources.list ]; then
    if [ "$kind" = security ]; then
      uri=$(awk '/^deb / && $3 ~ /-security/ { print $2; exit }' /etc/apt/sources.list)
    else
      uri=$(awk '/^deb / && $3 !~ /-security/ { print $2; exit }' /etc/apt/sources.list)
    fi
  fi
  [ -z "$uri" ] && [ "$kind" = main ] && uri=http://deb.debian.org/debian
  echo "$uri"
}
