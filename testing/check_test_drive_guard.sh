#!/bin/bash
# check_test_drive_guard.sh LOADER PROGRAM: runs the Windows test program
# PROGRAM in a Wine prefix that the test runner did not mark, with a user's
# files planted where the tests work, and fails unless the program refuses to
# run (non-zero status, its one line of explanation) and the files are intact.
set -euo pipefail
loader=$1
program=$2
source "$(dirname "$0")/../tools/wine-prefix.sh"

root=$PWD/wine
mkdir -p "$root"
run=$(mktemp -d "$root/guard.XXXXXX")
trap 'wine_stop_server "$loader"; rm -rf "$run"' EXIT
prefix=$run/prefix
wine_fresh_prefix "$loader" "$root" "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all
drive=$prefix/drive_c

mkdir -p "$drive/Quellmar/saves" "$drive/package/Quellmar"
echo "a saved game" >"$drive/Quellmar/saves/game1.sav"
echo "10 PRINT \"MINE\"" >"$drive/Quellmar/QUELLMAR.BAS"
echo "the user's own package" >"$drive/package/Quellmar/QUELLMAR.BAS"
before=$(cd "$drive" && find Quellmar package -type f -exec sha256sum {} + | sort)

wine_start_server "$loader"
# Into a file: Wine's services inherit the streams and outlive the program,
# and a pipe would wait for them.
set +e
timeout 600 "$loader" "$program" >"$run/output" 2>&1 </dev/null
status=$?
set -e
output=$(cat "$run/output")
echo "$output"

after=$(cd "$drive" && find Quellmar package -type f -exec sha256sum {} + | sort)
if [ "$status" -eq 0 ]; then
  echo "FAIL: $(basename "$program") exited with 0 on an unprepared drive" >&2
  exit 1
fi
if [ "$before" != "$after" ]; then
  echo "FAIL: files on the unprepared drive changed:" >&2
  diff <(echo "$before") <(echo "$after") >&2 || true
  exit 1
fi
if ! grep -q "not a disposable test drive" <<<"$output"; then
  echo "FAIL: $(basename "$program") did not say why it refused" >&2
  exit 1
fi
echo "$(basename "$program") refused with status $status and left C: as it was"
