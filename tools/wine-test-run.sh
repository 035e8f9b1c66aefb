#!/bin/bash
# Runs one Windows test program under Wine, the way CTest's crosscompiling
# emulator calls it: wine-test-run.sh LOADER PROGRAM [ARGS...].
#
# Each run gets a fresh copy of a pristine Wine prefix, so its C: drive is the
# test's own, and runs inside a pseudo-terminal, since Wine gives a program a
# console only on a terminal. The program's standard output and error go to a
# file, which is printed when it ends: the terminal carries the console's
# screen, not the test's report.
#
# A GoogleTest program passes only when its report closes with every test it
# started passed (or skipped) and shows no failure: a program that Wine loses
# mid-run can end with status 0. QUELLMAR_GOOGLETEST=0 runs another program,
# which its exit status alone judges.
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
wine_fresh_prefix "$loader" "$root" "$prefix" || exit 1
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

# The last run's counts (GoogleTest repeats its report with --gtest_repeat):
# "started passed skipped failed", empty where it started none.
googletest_counts() {
  sed 's/\r$//' "$run/output" | awk '
    /^\[==========\] Running [0-9]+ tests? from / { started = $3; passed = 0; skipped = 0; failed = 0 }
    /^\[  PASSED  \] [0-9]+ tests?\./ { passed = $4 }
    /^\[  SKIPPED \] [0-9]+ tests?,/ { skipped = $4 }
    /^\[  FAILED  \] / { failed++ }
    END { if (started != "") print started, passed, skipped, failed }'
}
if [ "$status" -eq 0 ] && [ "${QUELLMAR_GOOGLETEST:-1}" != 0 ]; then
  read -r started passed skipped failed < <(googletest_counts) || true
  if [ -z "${started:-}" ]; then
    echo "$(basename "$program") ran no GoogleTest tests, though it ended with status 0" >&2
    status=1
  elif [ "$failed" -ne 0 ] || [ $((passed + skipped)) -ne "$started" ]; then
    echo "$(basename "$program") started $started tests, but its report does not close with all" \
      "$started passed ($passed passed, $skipped skipped, $failed failure lines): it ended early" \
      "or failed, though with status 0" >&2
    status=1
  fi
fi
if [ "$status" -eq 0 ] || [ -z "${QUELLMAR_KEEP_FAILED_PREFIX:-}" ]; then
  rm -rf "$run"
else
  echo "kept the failed run's prefix in $run" >&2
fi
exit "$status"
