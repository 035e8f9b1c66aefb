#!/bin/bash
# Builds the launcher and runs it in this terminal under Wine, from a demo
# package directory, with a Wine prefix of the project's own: its C:\Quellmar
# is demo-run/wineprefix/drive_c/Quellmar.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

tools/setup-debian.sh
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 --target QuellmarLaunch dosbox_standin >/dev/null

# The package directory as a distributor lays it out: the launcher, the
# payload folder and the DosBox starter (here a stand-in that shows what it
# finds) side by side.
package=$root/demo-run/package
rm -rf "$package"
mkdir -p "$package"
cp -r demo/Quellmar "$package/Quellmar"
cp build/windows-x64/QuellmarLaunch.exe "$package/"
cp build/windows-x64/dosbox_standin.exe "$package/dosboxportable.exe"

export WINEPREFIX=$root/demo-run/wineprefix WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "creating the demo's Wine prefix (once)..."
  # wineboot complains about the 32-bit half where the kernel cannot run it;
  # the prefix is usable all the same.
  /usr/lib/wine/wine64 wineboot -i </dev/null >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w </dev/null >/dev/null 2>&1 || true
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "could not create the Wine prefix $WINEPREFIX" >&2
    exit 1
  fi
fi
/usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1

cd "$package"
set +e
/usr/lib/wine/wine64 QuellmarLaunch.exe
status=$?
set -e
/usr/lib/wine/wineserver -k </dev/null >/dev/null 2>&1 || true
echo
echo "QuellmarLaunch ended with exit status $status."
echo "C:\\Quellmar is $WINEPREFIX/drive_c/Quellmar"
exit $status
