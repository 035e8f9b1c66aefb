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
      # The prefix's 32-bit side is made by 32-bit programs: one made where
      # LOADER cannot run lacks it for good, and starts no 32-bit program
      # (0xC0000135).
      if ! "$loader" --version </dev/null >/dev/null 2>&1; then
        echo "$loader cannot run here, so no Wine prefix is made for it" >&2
        exit 1
      fi
      rm -rf "$pristine"
      # The 64-bit loader makes a win64 prefix, which runs 32-bit programs
      # through the 32-bit loader as well; it makes it in about half the time
      # the 32-bit loader takes where 32-bit code runs under an emulator.
      WINEPREFIX=$pristine WINEDEBUG=-all "${loader%/*}/wine64" wineboot -i </dev/null >/dev/null 2>&1
      WINEPREFIX=$pristine "${loader%/*}/wineserver" -w </dev/null >/dev/null 2>&1
      touch "$pristine/.complete"
    fi
  ) 9>"$root/pristine.lock" || return 1
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
