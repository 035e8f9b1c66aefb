#!/bin/bash
# Times the launcher's start-up until its menu is on the screen, against a
# program that only writes the same menu, under Wine on this machine, and
# prints the medians and their ratio. Arguments go to the bench program: the
# number of runs of each program (30 unless given).
exec "$(dirname "$0")/wine-bench.sh" startup_bench "$@"
