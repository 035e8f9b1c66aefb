#!/bin/bash
# Times the launcher's first launch (the key "1" to the exit, the payload
# copied to C:\Quellmar and checked, the DosBox stand-in started) under Wine
# against the bare xcopy it runs, through cmd.exe in the payload folder, and
# prints the medians and their ratio. Arguments go to the bench program: runs
# of each, payload files (5, 3006 unless given).
exec "$(dirname "$0")/wine-bench.sh" install_bench "$@"
