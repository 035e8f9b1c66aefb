# Sourced by the scripts that run Windows programs under Wine: fresh Wine
# prefixes made from one pristine prefix per build tree.

# wine_fresh_prefix LOADER ROOT PREFIX: makes PREFIX a fresh copy of the
# pristine prefix that ROOT keeps for LOADER, making that one first if needed.
wine_fresh_prefix() {
  local loader=$1 root=$2 prefix=$3
  local pristine=$root/pristine-$(basename "$loader")
  mkdir -p "$root"
  # Made once, under a lock, since CTest starts several programs at a time.
  (
    flock 9
    if [ ! -f "$pristine/.complete" ]; then
      rm -rf "$pristine"
      WINEPREFIX=$pristine WINEDEBUG=-all "$loader" wineboot -i </dev/null >/dev/null 2>&1
      WINEPREFIX=$pristine "${loader%/*}/wineserver" -w </dev/null >/dev/null 2>&1
      touch "$pristine/.complete"
    fi
  ) 9>"$root/pristine.lock"
  cp -a "$pristine" "$prefix"
}

# A wineserver keeps the pipes it inherits open, and whoever waits for them
# (CTest) would wait forever: its standard streams go to /dev/null.
wine_start_server() {
  "${1%/*}/wineserver" -p </dev/null >/dev/null 2>&1
}

wine_stop_server() {
  "${1%/*}/wineserver" -k </dev/null >/dev/null 2>&1
  "${1%/*}/wineserver" -w </dev/null >/dev/null 2>&1
}
