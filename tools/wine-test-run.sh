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
source "$(dirname "$0")/wine-prefix.sh"

loader=$1
shift
program=$1
shift

root=${QUELLMAR_WINE_ROOT:-$PWD/wine}
mkdir -p "$root"
run=$(mktemp -d "$root/run.XXXXXX")
prefix=$run/prefix
wine_fresh_prefix "$loader" "$root" "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all}

# The test programs delete and rewrite files on C:, and do so only where they
# find this marker (testing/test_drive.cc): on a drive made for them here.
echo "A disposable Wine prefix made by tools/wine-test-run.sh for one test run." \
  >"$prefix/drive_c/quellmar-test-drive"

# A network share for the tests: \\quellmar-server\share is C:\share.
mkdir -p "$prefix/drive_c/share" "$prefix/dosdevices/unc/quellmar-server"
ln -s "$prefix/drive_c/share" "$prefix/dosdevices/unc/quellmar-server/share"

wine_start_server "$loader"

# The terminal's input must stay open while the program runs, and must carry
# no keys: a FIFO opened for reading and writing never ends and stays empty.
fifo=$run/keyboard
mkfifo "$fifo"
exec 3<>"$fifo"
command=$(printf '%q ' "$loader" "$program" "$@")
COLUMNS=80 LINES=50 script -qefc "stty cols 80 rows 50; $command >$(printf '%q' "$run/output") 2>&1" /dev/null <&3 >"$run/terminal" 2>&1
status=$?
exec 3<&-

wine_stop_server "$loader"
cat "$run/output"
if [ "$status" -eq 0 ] || [ -z "${QUELLMAR_KEEP_FAILED_PREFIX:-}" ]; then
  rm -rf "$run"
else
  echo "kept the failed run's prefix in $run" >&2
fi
exit "$status"
