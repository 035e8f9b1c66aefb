#!/bin/bash
# wine-test-run_test.sh LOADER PROGRAM: checks tools/wine-test-run.sh against
# PROGRAM (testing/ends_early.cc), a GoogleTest program whose second test ends
# it with exit status 0: run whole, it must fail, saying why; run with its
# first test alone, which completes, it must pass.
set -uo pipefail
runner=$(cd "$(dirname "$0")" && pwd)/wine-test-run.sh
loader=$1
program=$2
failures=0
output=$(mktemp)
trap 'rm -f "$output"' EXIT

"$runner" "$loader" "$program" --gtest_filter=EndsEarly.FirstTestPasses >"$output" 2>&1
status=$?
if [ "$status" -ne 0 ]; then
  echo "FAILED: the runner failed a program whose one test passed (status $status):"
  cat "$output"
  failures=$((failures + 1))
fi

"$runner" "$loader" "$program" >"$output" 2>&1
status=$?
if [ "$status" -eq 0 ]; then
  echo "FAILED: the runner passed a program that ended after its first of 2 tests:"
  cat "$output"
  failures=$((failures + 1))
elif ! grep -q "started 2 tests, but its report does not close with all 2 passed" "$output"; then
  echo "FAILED: the runner failed the program that ended early without saying why:"
  cat "$output"
  failures=$((failures + 1))
fi

if [ "$failures" -ne 0 ]; then
  exit 1
fi
echo "the runner fails a program that ends early with status 0, and passes one that completes"
