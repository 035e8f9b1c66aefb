#!/bin/bash
# wine-bench.sh PROGRAM [ARGS...]: sets up, builds the windows-x64 preset and
# runs the benchmark program PROGRAM.exe under Wine in a pseudo-terminal, in
# Wine prefixes of its own apart from the tests'. It prints what the program
# prints.
set -euo pipefail
cd "$(dirname "$0")/.."
program=$1
shift

tools/setup-debian.sh
cmake --preset windows-x64
cmake --build --preset windows-x64

build=$PWD/build/windows-x64
# A benchmark prints figures, not a GoogleTest report.
QUELLMAR_WINE_ROOT=$build/bench-wine QUELLMAR_GOOGLETEST=0 \
  tools/wine-test-run.sh /usr/lib/wine/wine64 "$build/$program.exe" "$@"
