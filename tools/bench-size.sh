#!/bin/bash
# Prints the size of each target's release QuellmarLaunch.exe next to plain C
# programs that print a line, built in the same run with the same toolchain
# (-Os, stripped, static), and the ratios.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup-debian.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '%-8s %14s %14s %14s %10s %10s\n' target launcher "C puts" "C printf" "/puts" "/printf"
for target in x64 x86; do
  case $target in
    x64) triple=x86_64-w64-mingw32 ;;
    x86) triple=i686-w64-mingw32 ;;
  esac
  cmake --preset "windows-$target" >/dev/null
  cmake --build --preset "windows-$target" --target QuellmarLaunch >/dev/null
  launcher=$(stat -c %s "build/windows-$target/QuellmarLaunch.exe")
  for reference in puts printf; do
    "$triple-gcc-posix" -Os -s -static -o "$work/$reference-$target.exe" "bench/hello_$reference.c"
  done
  puts=$(stat -c %s "$work/puts-$target.exe")
  printf_size=$(stat -c %s "$work/printf-$target.exe")
  printf '%-8s %14s %14s %14s %10s %10s\n' "$target" "$launcher" "$puts" "$printf_size" \
    "$(awk -v a="$launcher" -v b="$puts" 'BEGIN { printf "%.2f", a / b }')" \
    "$(awk -v a="$launcher" -v b="$printf_size" 'BEGIN { printf "%.2f", a / b }')"
done
echo "(bytes; the budget for the x64 launcher is 49152)"
