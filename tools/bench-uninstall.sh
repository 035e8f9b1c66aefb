#!/bin/bash
# Times whole uninstall runs of the launcher under Wine on a nearly empty C:
# and on a C: filled with 20,000 other files, and prints the medians and their
# ratio. Arguments go to the bench program: runs on each drive, folders, files
# per folder (5, 200, 100 unless given).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup-debian.sh
cmake --preset windows-x64
cmake --build --preset windows-x64

build=$PWD/build/windows-x64
if [ ! -f "$build/uninstall_bench.exe" ]; then
  echo "uninstall_bench.exe was not built: the top-level CMakeLists.txt must add bench/" \
    "with QUELLMAR_BENCHMARKS on" >&2
  exit 1
fi
# The bench's own Wine prefixes, apart from the tests'.
QUELLMAR_WINE_ROOT=$build/bench-wine \
  tools/wine-test-run.sh /usr/lib/wine/wine64 "$build/uninstall_bench.exe" "$@"
