#!/bin/bash
# Runs tools/setup-debian.sh against stand-ins for apt-get, dpkg-query, dpkg,
# id and sleep, which keep a list of installed packages in a folder of their
# own and log every call: what the set-up tries, says and returns, with an
# index that fails, 32-bit Wine that cannot be installed and a required package
# that cannot, without root, the network or a wait.
set -uo pipefail
setup=$(cd "$(dirname "$0")" && pwd)/setup-debian.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

stand_in() {
  cat >"$work/bin/$1"
  chmod +x "$work/bin/$1"
}
mkdir -p "$work/bin"
stand_in apt-get <<'EOF'
#!/bin/bash
echo "apt-get $*" >>"$STANDIN/log"
case $1 in
  update)
    if [ -e "$STANDIN/index-broken" ]; then
      echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
      exit 100
    fi ;;
  install)
    shift
    packages=()
    for argument in "$@"; do
      case $argument in -*) ;; *) packages+=("$argument") ;; esac
    done
    # apt-get installs all or nothing; "uninstallable" holds lines of
    # PACKAGE:REASON.
    for package in "${packages[@]}"; do
      reason=$(grep "^$package:" "$STANDIN/uninstallable" | sed "s/^$package://")
      if [ -n "$reason" ]; then
        echo "Some packages could not be installed."
        echo "E: $reason"
        echo "E: a second line"
        exit 100
      fi
    done
    printf '%s\n' "${packages[@]}" >>"$STANDIN/installed" ;;
esac
EOF
stand_in dpkg-query <<'EOF'
#!/bin/bash
package=${!#}
if grep -qx "$package" "$STANDIN/installed"; then
  printf 'install ok installed'
else
  echo "dpkg-query: no packages found matching $package" >&2
  exit 1
fi
EOF
stand_in dpkg <<'EOF'
#!/bin/bash
echo "dpkg $*" >>"$STANDIN/log"
case $1 in
  --print-foreign-architectures) cat "$STANDIN/architectures" ;;
  --add-architecture) echo "$2" >>"$STANDIN/architectures" ;;
esac
EOF
stand_in id <<'EOF'
#!/bin/bash
cat "$STANDIN/uid"
EOF
stand_in sleep <<'EOF'
#!/bin/bash
echo "sleep $*" >>"$STANDIN/log"
EOF

required="cmake ninja-build git bsdutils g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 googletest wine wine64 zip osslsigncode openssl"

# new_machine NAME: a machine with nothing installed, run as root, with a
# healthy index.
new_machine() {
  export STANDIN=$work/$1
  mkdir -p "$STANDIN"
  : >"$STANDIN/installed"
  : >"$STANDIN/uninstallable"
  : >"$STANDIN/architectures"
  echo 0 >"$STANDIN/uid"
}

# run_setup: runs the set-up, keeping its output, its exit status and the log
# of this run's calls.
run_setup() {
  : >"$STANDIN/log"
  PATH=$work/bin:$PATH "$setup" >"$STANDIN/output" 2>&1
  status=$?
}

fail() {
  echo "FAILED: $*"
  echo "--- output:"
  cat "$STANDIN/output"
  echo "--- calls:"
  cat "$STANDIN/log"
  failures=$((failures + 1))
}

expect_status() { [ "$status" -eq "$1" ] || fail "$2: exit status $status, expected $1"; }
expect_output() { grep -qF -- "$1" "$STANDIN/output" || fail "$2: no line with '$1'"; }
expect_calls() {
  local calls
  calls=$(grep -c -- "$1" "$STANDIN/log")
  [ "$calls" -eq "$2" ] || fail "$3: $calls calls of '$1', expected $2"
}
expect_installed() {
  grep -qx -- "$1" "$STANDIN/installed" || fail "$2: $1 not installed"
}

# A fresh machine whose i386 index stays broken, so that 32-bit Wine cannot be
# installed: the rest installs, and the set-up says why 32-bit Wine did not.
new_machine broken-index
touch "$STANDIN/index-broken"
echo "wine32:i386:Error, pkgProblemResolver::Resolve generated breaks, this may be caused by held packages." \
  >"$STANDIN/uninstallable"
run_setup
case_=broken-index
expect_status 0 "$case_"
expect_calls '^apt-get update' 3 "$case_"
expect_calls '^sleep' 2 "$case_"
expect_calls '^dpkg --add-architecture i386' 1 "$case_"
for package in $required; do
  expect_installed "$package" "$case_"
done
expect_calls '^apt-get install.* wine32:i386$' 1 "$case_"
expect_output "32-bit Wine (wine32:i386) could not be installed (Error, pkgProblemResolver::Resolve generated breaks, this may be caused by held packages.), so the x86 Wine tests are skipped" "$case_"
[ "$(grep -c 'wine32' "$STANDIN/output")" -eq 2 ] ||
  fail "$case_: wine32 named on other lines than 'installing' and its one line"

# The same machine later, for a user who is not root: only 32-bit Wine is
# missing, so nothing is installed, and the set-up says how to.
echo 1000 >"$STANDIN/uid"
run_setup
case_=only-wine32-missing
expect_status 0 "$case_"
expect_calls '^apt-get' 0 "$case_"
expect_calls '^dpkg --add' 0 "$case_"
expect_output "32-bit Wine (wine32:i386) is not installed, so the x86 Wine tests are skipped; to install it, as root: dpkg --add-architecture i386 && apt-get update && apt-get install wine32:i386" "$case_"
[ "$(wc -l <"$STANDIN/output")" -eq 1 ] || fail "$case_: more than one line"

# A required package goes missing while the index is healthy again: 32-bit
# Wine is tried again along with it, and now installs.
echo 0 >"$STANDIN/uid"
rm "$STANDIN/index-broken"
: >"$STANDIN/uninstallable"
grep -vx zip "$STANDIN/installed" >"$STANDIN/kept"
mv "$STANDIN/kept" "$STANDIN/installed"
run_setup
case_=required-and-wine32-missing
expect_status 0 "$case_"
expect_calls '^apt-get update' 1 "$case_"
expect_calls '^sleep' 0 "$case_"
expect_installed zip "$case_"
expect_installed wine32:i386 "$case_"

# Everything installed: no apt-get, nothing said.
run_setup
case_=all-installed
expect_status 0 "$case_"
expect_calls '^apt-get' 0 "$case_"
[ ! -s "$STANDIN/output" ] || fail "$case_: said something"

# A required package that cannot be installed stops the set-up, named.
new_machine required-fails
echo "osslsigncode:Unable to locate package osslsigncode" >"$STANDIN/uninstallable"
run_setup
case_=required-fails
expect_status 1 "$case_"
expect_output "could not install: cmake ninja-build" "$case_"
expect_output "osslsigncode openssl (Unable to locate package osslsigncode)" "$case_"
expect_calls '^apt-get install.*wine32' 0 "$case_"

# Missing required packages need root.
new_machine not-root
echo 1000 >"$STANDIN/uid"
run_setup
case_=not-root
expect_status 1 "$case_"
expect_calls '^apt-get' 0 "$case_"
expect_output "run this as root" "$case_"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all set-up checks passed"
