#!/bin/bash
# Times the launcher's start-up until its menu is on the screen, against a
# program that only writes the same menu, under Wine on this machine, and
# prints the medians and their ratio. Arguments go to the bench program: the
# number of runs of each program (30 unless given).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup-debian.sh
cmake --preset windows-x64
cmake --build --preset windows-x64

build=$PWD/build/windows-x64
if [ ! -f "$build/startup_bench.exe" ]; then
  echo "startup_bench.exe was not built: the top-level CMakeLists.txt must add bench/" \
    "with QUELLMAR_BENCHMARKS on" >&2
  exit 1
fi
# The bench's own Wine prefixes, apart from the tests'.
QUELLMAR_WINE_ROOT=$build/bench-wine \
  tools/wine-test-run.sh /usr/lib/wine/wine64 "$build/startup_bench.exe" "$@"
