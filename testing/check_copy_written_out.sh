#!/bin/bash
# check_copy_written_out.sh RUNNER LOADER PROGRAM FILTER: runs the GoogleTest
# program PROGRAM, filtered to one first launch, through the Wine test runner
# under strace, and fails unless that run passes and every file written under
# C:\Quellmar was flushed to the disk (under Wine a flush is an fsync of the
# file) after its last write and before the mark's name went (the mark is a
# folder: the Wine server removes it with an rmdir as its last handle closes).
# A power cut in between would otherwise leave an installation that counts as
# finished with files whose bytes never reached the disk.
set -euo pipefail
runner=$1
loader=$2
program=$3
filter=$4

trace=$(mktemp)
trap 'rm -f "$trace"' EXIT
# Every process of the run is traced, the Wine server's too; the filter is
# applied in the kernel, so that the copy runs at nearly its usual speed.
strace -f --seccomp-bpf -qq -y -ttt -o "$trace" \
  -e trace=write,pwrite64,writev,pwritev,pwritev2,fsync,fdatasync,rmdir \
  "$runner" "$loader" "$program" --gtest_filter="$filter"

# Each line: PID TIME CALL(ARGUMENTS...; a file descriptor shows its path as
# 12</path>. C:\Quellmar is <prefix>/drive_c/Quellmar, or reached through
# <prefix>/dosdevices/c:.
sort -s -k2,2n "$trace" | awk '
  function installed(line) {
    if (!match(line, /\/(drive_c|dosdevices\/c:)\/Quellmar\/[^>"]*/))
      return ""
    path = substr(line, RSTART, RLENGTH)
    sub(/^\/(drive_c|dosdevices\/c:)\/Quellmar\//, "", path)
    return path
  }
  finished { next }
  $3 ~ /^(write|pwrite64|writev|pwritev|pwritev2)\(/ {
    path = installed($0)
    if (path != "") { written[path] = 1; flushed[path] = 0 }
  }
  $3 ~ /^(fsync|fdatasync)\(/ {
    path = installed($0)
    if (path in written) flushed[path] = 1
  }
  $3 ~ /^rmdir\(/ && installed($0) == "QuellmarLaunch.unfinished" { finished = 1 }
  END {
    if (!finished) { print "the mark C:\\Quellmar\\QuellmarLaunch.unfinished was never removed"; exit 1 }
    count = 0; bad = 0
    for (path in written) {
      count++
      if (!flushed[path]) { print "not flushed after its last write before the mark went: " path; bad = 1 }
    }
    if (count == 0) { print "no file was written under C:\\Quellmar before the mark went"; exit 1 }
    if (bad) exit 1
    print count " files written under C:\\Quellmar, each flushed before the mark went"
  }'
