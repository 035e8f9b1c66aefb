#!/bin/bash
# Installs what building and testing need on Debian 12, as root; does nothing
# when everything is there already.
#
# Two groups. The first is what the demo, the builds and most tests need: it
# must install. The second is 32-bit Wine, which only the x86 target's Wine
# tests need. It comes from the i386 archive, whose package index can stay
# broken for hours (a mirror caught mid-sync), and then its i386 dependencies
# no longer match the amd64 Wine: so it is tried on its own, and when it cannot
# be installed the set-up says so and goes on; tools/test.sh then skips those
# tests and says why.
set -euo pipefail

required=(
  cmake ninja-build git bsdutils
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  googletest
  wine wine64
  zip osslsigncode openssl
)
wine32=wine32:i386
wine32_how="as root: dpkg --add-architecture i386 && apt-get update && apt-get install $wine32"

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

missing_required() {
  local package
  for package in "${required[@]}"; do
    installed "$package" || echo "$package"
  done
}

mapfile -t missing < <(missing_required)
want_wine32=false
installed "$wine32" || want_wine32=true

if [ ${#missing[@]} -eq 0 ]; then
  # Trying 32-bit Wine again on every run would call apt-get (and need root)
  # for each demo, test and bench, and fail again for as long as the index is
  # broken.
  if $want_wine32; then
    echo "32-bit Wine ($wine32) is not installed, so the x86 Wine tests are skipped; to install it, $wine32_how"
  fi
  exit 0
fi

if $want_wine32; then
  echo "installing: ${missing[*]} $wine32"
else
  echo "installing: ${missing[*]}"
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "run this as root (apt-get install is needed)" >&2
  exit 1
fi
if $want_wine32 && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi

# apt-get update fails when any one index fails, yet keeps every index it did
# fetch: whether the packages then install is what decides.
attempts=3
for ((attempt = 1; ; attempt++)); do
  if apt-get update -q; then
    break
  fi
  if [ "$attempt" -ge "$attempts" ]; then
    echo "apt-get update failed $attempts times; going on with the package indexes it has"
    break
  fi
  sleep 5
done

log=$(mktemp)
trap 'rm -f "$log"' EXIT

# install PACKAGE...: apt-get install, its output kept in $log.
install() {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@" >"$log" 2>&1
}

# apt names the cause on its lines "E: ..."; the first is the one that counts
# (the others follow from it).
apt_reason() {
  grep -m1 '^E: ' "$log" | sed 's/^E: //' || true
}

install "${missing[@]}" || true
cat "$log"
mapfile -t missing < <(missing_required)
if [ ${#missing[@]} -ne 0 ]; then
  echo "could not install: ${missing[*]} ($(apt_reason))" >&2
  exit 1
fi

if $want_wine32; then
  # Its failure prints a long list of unmet i386 dependencies: one line says
  # what counts.
  if install "$wine32" && installed "$wine32"; then
    cat "$log"
  else
    reason=$(apt_reason)
    echo "32-bit Wine ($wine32) could not be installed (${reason:-apt-get install failed}), so the x86 Wine tests are skipped"
  fi
fi
