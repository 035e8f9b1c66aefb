#!/bin/bash
# Times whole uninstall runs of the launcher under Wine on a nearly empty C:
# and on a C: filled with 20,000 other files, and prints the medians and their
# ratio. Arguments go to the bench program: runs on each drive, folders, files
# per folder (5, 200, 100 unless given).
exec "$(dirname "$0")/wine-bench.sh" uninstall_bench "$@"
