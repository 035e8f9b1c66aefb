#!/bin/bash
# check_copy_written_out.sh RUNNER LOADER PROGRAM FILTER: runs one first launch
# of the GoogleTest program PROGRAM through the Wine test runner under strace,
# which sees every process, the Wine server's too; fails unless it passes and
# each file written under C:\Quellmar was flushed (under Wine, an fsync) after
# its last write and before the mark went (the server's rmdir of the folder).
set -euo pipefail
trace=$(mktemp)
trap 'rm -f "$trace"' EXIT
strace -f --seccomp-bpf -qq -y -ttt -o "$trace" \
  -e trace=write,pwrite64,writev,pwritev,pwritev2,fsync,fdatasync,rmdir "$1" "$2" "$3" --gtest_filter="$4"
# A line: PID TIME CALL(FD</path>, ... or rmdir("/path"); C:\Quellmar is
# <prefix>/drive_c/Quellmar, or <prefix>/dosdevices/c:/Quellmar.
sort -s -k2,2n "$trace" | awk '
  match($0, /\/(drive_c|dosdevices\/c:)\/Quellmar\/[^>"]*/) && !done {
    path = substr($0, RSTART, RLENGTH); sub(/^\/[^Q]*Quellmar\//, "", path)
    if ($3 ~ /^(write|pwrite|writev|pwritev)/) flushed[path] = 0
    else if ($3 ~ /^f(data)?sync\(/ && path in flushed) flushed[path] = 1
    else if ($3 ~ /^rmdir\(/ && path == "QuellmarLaunch.unfinished") done = 1
  }
  END {
    if (!done) { print "the mark was never removed"; exit 1 }
    for (path in flushed) { count++; if (!flushed[path]) { print "not flushed before the mark went: " path; bad = 1 } }
    if (!count || bad) { if (!count) print "nothing was written under C:\\Quellmar"; exit 1 }
    print count " files written under C:\\Quellmar, each flushed before the mark went"
  }'
