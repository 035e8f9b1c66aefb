#!/bin/bash
# Runs one Windows test program under Wine, the way CTest's crosscompiling
# emulator calls it: wine-test-run.sh LOADER PROGRAM [ARGS...].
#
# Each run gets a fresh copy of a pristine Wine prefix, so its C: drive is the
# test's own, and runs inside a pseudo-terminal, since Wine gives a program a
# console only on a terminal. The program's standard output and error go to a
# file, which is printed when it ends: the terminal carries the console's
# screen, not the test's report.
set -u

loader=$1
shift
program=$1
shift

root=${QUELLMAR_WINE_ROOT:-$PWD/wine}
pristine=$root/pristine-$(basename "$loader")
mkdir -p "$root"

# One pristine prefix per build tree, made once; later runs copy it.
(
  flock 9
  if [ ! -f "$pristine/.complete" ]; then
    rm -rf "$pristine"
    WINEPREFIX=$pristine WINEDEBUG=-all "$loader" wineboot -i </dev/null >/dev/null 2>&1
    WINEPREFIX=$pristine "${loader%/*}/wineserver" -w </dev/null >/dev/null 2>&1
    touch "$pristine/.complete"
  fi
) 9>"$root/pristine.lock"

run=$(mktemp -d "$root/run.XXXXXX")
prefix=$run/prefix
cp -a "$pristine" "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all}

# A wineserver keeps the pipes it inherits open, and CTest would wait for it
# forever: start it with its standard streams on /dev/null.
"${loader%/*}/wineserver" -p </dev/null >/dev/null 2>&1

# The terminal's input must stay open while the program runs, and must carry
# no keys: a FIFO opened for reading and writing never ends and stays empty.
fifo=$run/keyboard
mkfifo "$fifo"
exec 3<>"$fifo"
command=$(printf '%q ' "$loader" "$program" "$@")
COLUMNS=80 LINES=50 script -qefc "stty cols 80 rows 50; $command >$(printf '%q' "$run/output") 2>&1" /dev/null <&3 >"$run/terminal" 2>&1
status=$?
exec 3<&-

"${loader%/*}/wineserver" -k </dev/null >/dev/null 2>&1
"${loader%/*}/wineserver" -w </dev/null >/dev/null 2>&1
cat "$run/output"
if [ "$status" -eq 0 ] || [ -z "${QUELLMAR_KEEP_FAILED_PREFIX:-}" ]; then
  rm -rf "$run"
else
  echo "kept the failed run's prefix in $run" >&2
fi
exit "$status"
