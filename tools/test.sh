#!/bin/bash
# Sets up a fresh Debian 12 machine, builds both Windows targets and runs every
# test under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup-debian.sh

# Why the x86 target's Wine tests cannot run here, if they cannot.
x86_skipped=
if [ ! -x /usr/lib/wine/wine ]; then
  x86_skipped="32-bit Wine (wine32:i386) is not installed"
elif ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  x86_skipped="32-bit Windows programs cannot run on this kernel (ia32 emulation is off)"
fi
skipped_note() {
  echo "$x86_skipped:"
  echo "the x86 target is built and its executable checked, its Wine tests are skipped."
}

status=0
# The 64-bit target goes last, so that its full test summary closes the run.
for target in x86 x64; do
  cmake --preset "windows-$target"
  cmake --build --preset "windows-$target"
  if [ "$target" = x86 ] && [ -n "$x86_skipped" ]; then
    skipped_note
    ctest --preset "windows-$target" -LE wine || status=1
  else
    ctest --preset "windows-$target" || status=1
  fi
done
# Said again after the last summary, so that a green run shows it too.
if [ -n "$x86_skipped" ]; then
  skipped_note
fi
exit $status
