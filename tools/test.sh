#!/bin/bash
# Sets up a fresh Debian 12 machine, builds both Windows targets and runs every
# test under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup-debian.sh
source tools/i386-emulation.sh

# Why the x86 target's Wine tests cannot run here, if they cannot; and whether
# 32-bit programs run under an emulator, where each of their process starts
# takes about a minute.
x86_skipped=
x86_emulated=false
if [ ! -x "$wine32_loader" ]; then
  x86_skipped="32-bit Wine (wine32:i386) is not installed"
elif ! "$wine32_loader" --version >/dev/null 2>&1; then
  x86_skipped="32-bit Windows programs cannot run on this kernel (ia32 emulation is off), nor under an emulator (the set-up says why)"
elif handler=$(i386_handler); then
  x86_emulated=true
fi
skipped_note() {
  echo "$x86_skipped:"
  echo "the x86 target is built and its executable checked, its Wine tests are skipped."
}
# What the x86 run leaves out under emulation: the programs that start dozens
# of 32-bit processes. launcher_end_to_end_test runs the launcher's paths
# where the x86 build differs; launcher_test holds it, and runs instead where
# 32-bit code runs natively.
emulated_left_out='^(key_reader_test|run_command_test|launcher_test)$'
emulated_note() {
  echo "32-bit programs run under an emulator here (binfmt_misc's $handler), each start taking about a minute: the x86 run leaves out key_reader_test, run_command_test and launcher_test but for launcher_end_to_end_test, which run where the kernel runs 32-bit code."
}
# The x86 tests' waits and time limits under emulation, as a multiple of
# their usual ones.
emulated_wait_scale=10
# Where the kernel runs 32-bit code (GitHub's hosted runners do, and so the
# CI workflow's Debian container), the 32-bit loader runs the whole x86 suite
# as the 64-bit one runs x64's, in prefixes made the same way, with the same
# waits; no run here has taken this branch.
native_note() {
  echo "32-bit programs run natively here, through the 32-bit Wine loader: the x86 run is every test program, as for x64, but launcher_end_to_end_test, which launcher_test holds."
}

status=0
# The 64-bit target goes last, so that its full test summary closes the run.
for target in x86 x64; do
  scale=1
  if [ "$target" = x86 ] && $x86_emulated; then
    scale=$emulated_wait_scale
  fi
  cmake --preset "windows-$target" -DQUELLMAR_WAIT_SCALE=$scale
  cmake --build --preset "windows-$target"
  if [ "$target" = x64 ]; then
    ctest --preset "windows-$target" || status=1
  elif [ -n "$x86_skipped" ]; then
    skipped_note
    ctest --preset "windows-$target" -LE wine || status=1
  elif $x86_emulated; then
    emulated_note
    ctest --preset "windows-$target" -E "$emulated_left_out" || status=1
  else
    native_note
    ctest --preset "windows-$target" -E '^launcher_end_to_end_test$' || status=1
  fi
done
# Said again after the last summary, so that a green run shows it too.
if [ -n "$x86_skipped" ]; then
  skipped_note
elif $x86_emulated; then
  emulated_note
else
  native_note
fi
exit $status
