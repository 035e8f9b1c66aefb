#!/bin/bash
# Times the uninstall's deletion of C:\Quellmar (the launcher's own code, in
# the bench's process) under Wine against cmd.exe's "del /f /s /q" and
# "rd /s /q" of the same tree, cmd.exe's start taken out, and prints the
# medians and their ratio. Arguments go to the bench program: runs of each,
# files (9, 3000 unless given).
exec "$(dirname "$0")/wine-bench.sh" delete_bench "$@"
