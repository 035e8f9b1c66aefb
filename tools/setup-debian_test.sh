#!/bin/bash
# Runs tools/setup-debian.sh against stand-ins for apt-get, dpkg-query, dpkg,
# id, sleep, mount, npm, the 32-bit Wine loader and binfmt_misc, which keep a list
# of installed packages in a folder of their own and log every call: what the
# set-up tries, says and returns, with an index that fails, 32-bit Wine that
# cannot be installed, a required package that cannot, and a kernel that runs
# no 32-bit code, without root, the network, a wait or the real kernel.
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
    printf '%s\n' "${packages[@]}" >>"$STANDIN/installed"
    if printf '%s\n' "${packages[@]}" | grep -qx npm; then
      ln -sf "$(dirname "$0")/npm" "$STANDIN/npm"
    fi ;;
esac
EOF
# npm: "ls" finds the workflow linter once "ci" has installed it.
stand_in npm <<'EOF'
#!/bin/bash
echo "npm $*" >>"$STANDIN/log"
case $1 in
  ls) [ -e "$STANDIN/workflow-linter" ] ;;
  ci) touch "$STANDIN/workflow-linter" ;;
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
# mount -t binfmt_misc binfmt_misc DIR: DIR gets its register file, unless
# mounting is refused, as in a container.
stand_in mount <<'EOF'
#!/bin/bash
echo "mount $*" >>"$STANDIN/log"
if [ -e "$STANDIN/mount-refused" ]; then
  echo "mount: ${!#}: permission denied."
  exit 32
fi
touch "${!#}/register"
EOF
# The 32-bit Wine loader runs where the kernel runs 32-bit code, or once an
# i386 handler is registered (written to register, or there from before),
# unless that handler's emulator is broken.
stand_in wine32-loader <<'EOF'
#!/bin/bash
binfmt=$STANDIN/binfmt
if [ -e "$STANDIN/no-ia32" ]; then
  if [ -e "$STANDIN/emulator-broken" ] || ! { [ -s "$binfmt/register" ] || [ -e "$binfmt/qemu-i386" ]; }; then
    echo "$0: cannot execute binary file: Exec format error" >&2
    exit 126
  fi
fi
echo "wine-8.0"
EOF

required="cmake ninja-build git bsdutils g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 googletest wine wine64 zip osslsigncode openssl
strace nodejs npm"

# new_machine NAME: a machine with nothing installed, run as root, with a
# healthy index.
new_machine() {
  export STANDIN=$work/$1
  mkdir -p "$STANDIN"
  : >"$STANDIN/installed"
  : >"$STANDIN/uninstallable"
  : >"$STANDIN/architectures"
  echo 0 >"$STANDIN/uid"
  mkdir -p "$STANDIN/binfmt"  # binfmt_misc, not mounted
}

# run_setup: runs the set-up, keeping its output, its exit status and the log
# of this run's calls.
run_setup() {
  : >"$STANDIN/log"
  PATH=$work/bin:$PATH QUELLMAR_WINE32_LOADER=$work/bin/wine32-loader QUELLMAR_NPM=$STANDIN/npm \
    QUELLMAR_BINFMT_MISC=$STANDIN/binfmt "$setup" >"$STANDIN/output" 2>&1
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
expect_calls '^npm ci --prefix .*/tools/workflow-lint ' 1 "$case_"
expect_output "installed the workflow linter" "$case_"
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
expect_calls '^npm ci' 0 "$case_"
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

# Everything installed, on a kernel that runs 32-bit code: no apt-get, no
# emulator, nothing said.
run_setup
case_=all-installed
expect_status 0 "$case_"
expect_calls '^apt-get' 0 "$case_"
expect_calls '^mount' 0 "$case_"
[ ! -s "$STANDIN/output" ] || fail "$case_: said something"

# A fresh machine whose kernel runs no 32-bit code: the emulator is installed
# in the same run, binfmt_misc mounted and the handler registered, said in one
# line; the 32-bit loader runs then.
new_machine no-ia32
touch "$STANDIN/no-ia32"
run_setup
case_=no-ia32
expect_status 0 "$case_"
expect_calls '^apt-get update' 1 "$case_"
expect_installed qemu-user-static "$case_"
expect_calls "^mount -t binfmt_misc binfmt_misc $STANDIN/binfmt\$" 1 "$case_"
registration=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F'
[ "$(cat "$STANDIN/binfmt/register")" = "$registration" ] ||
  fail "$case_: registered '$(cat "$STANDIN/binfmt/register")'"
expect_output "this kernel cannot run 32-bit programs (Exec format error): they run under /usr/bin/qemu-i386-static (installed qemu-user-static, mounted binfmt_misc, registered /usr/bin/qemu-i386-static for i386 programs in binfmt_misc)" "$case_"
[ "$(grep -c 'qemu' "$STANDIN/output")" -eq 1 ] || fail "$case_: the emulator on more than one line"

# The same machine after a reboot, which forgets binfmt_misc: a user who is
# not root is told how, and nothing is tried.
rm -rf "$STANDIN/binfmt"
mkdir "$STANDIN/binfmt"
echo 1000 >"$STANDIN/uid"
run_setup
case_=rebooted-not-root
expect_status 0 "$case_"
expect_calls '^mount' 0 "$case_"
expect_output "this kernel cannot run 32-bit programs (Exec format error), so the x86 Wine tests are skipped; to run them under qemu-i386-static, run tools/setup-debian.sh as root" "$case_"
[ "$(wc -l <"$STANDIN/output")" -eq 1 ] || fail "$case_: more than one line"

# ... and root mounts and registers again, with no apt-get.
echo 0 >"$STANDIN/uid"
run_setup
case_=rebooted
expect_status 0 "$case_"
expect_calls '^apt-get' 0 "$case_"
expect_calls '^mount' 1 "$case_"
expect_output "(mounted binfmt_misc, registered /usr/bin/qemu-i386-static for i386 programs in binfmt_misc)" "$case_"

# A handler registered before, whose emulator does not run the loader: the
# set-up says so and registers nothing over it.
: >"$STANDIN/binfmt/register"
printf 'enabled\ninterpreter /usr/bin/qemu-i386\nflags: \noffset 0\nmagic 7f454c4601010100000000000000000002000300\n' \
  >"$STANDIN/binfmt/qemu-i386"
touch "$STANDIN/emulator-broken"
run_setup
case_=broken-handler
expect_status 0 "$case_"
[ ! -s "$STANDIN/binfmt/register" ] || fail "$case_: registered again"
expect_output "the binfmt_misc handler qemu-i386 registered for them does not run them either, so the x86 Wine tests are skipped" "$case_"

# A container that may not mount binfmt_misc: the x86 Wine tests are skipped,
# with mount's own reason.
new_machine container
touch "$STANDIN/no-ia32" "$STANDIN/mount-refused"
printf '%s\n' $required wine32:i386 qemu-user-static >"$STANDIN/installed"
ln -s "$work/bin/npm" "$STANDIN/npm"
run_setup
case_=container
expect_status 0 "$case_"
expect_output "this kernel cannot run 32-bit programs (Exec format error), and binfmt_misc could not be mounted (mount: $STANDIN/binfmt: permission denied.), so the x86 Wine tests are skipped" "$case_"
[ ! -e "$STANDIN/binfmt/register" ] || fail "$case_: registered"

# A required package that cannot be installed stops the set-up, named.
new_machine required-fails
echo "osslsigncode:Unable to locate package osslsigncode" >"$STANDIN/uninstallable"
run_setup
case_=required-fails
expect_status 1 "$case_"
expect_output "could not install: cmake ninja-build" "$case_"
expect_output "osslsigncode openssl strace nodejs npm (Unable to locate package osslsigncode)" "$case_"
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
