#!/bin/bash
# check_workflows.sh SOURCE: fails unless tools/workflow-lint refuses the
# broken workflow below for each of its faults, actionlint's and the project's
# own checks', so that both are known to run, and passes the workflows of
# SOURCE/.github/workflows against SOURCE/CMakePresets.json.
set -uo pipefail
lint=$1/tools/workflow-lint/lint.mjs
broken=$(mktemp -d)
trap 'rm -rf "$broken"' EXIT
# A job that needs one that is not there, on a runner that does not exist,
# reading a matrix that it does not have; and one with an action pinned by a
# tag, a preset without a test preset that needs a Visual Studio its image
# lacks, cpack writing into a configuration's folder, every program uploaded.
cat >"$broken/ci.yml" <<'EOF'
on: push
jobs:
  test:
    needs: build
    runs-on: windows-latest-but-one
    steps:
      - run: echo ${{ matrix.compiler }}
  windows:
    runs-on: windows-latest
    strategy: {matrix: {include: [{preset: vs}]}}
    steps:
      - uses: actions/checkout@v4
      - run: cpack -B build/${{ matrix.preset }}/RELEASE
      - uses: actions/upload-artifact@bbbca2ddaa5d8feaa63e36b76fdaad77386f024f # v7.0.0
        with: {name: all, path: "build/${{ matrix.preset }}/RELEASE/*.exe"}
EOF
echo '{"configurePresets": [{"name": "vs", "generator": "Visual Studio 17 2022"}],
  "buildPresets": [{"name": "vs", "configurePreset": "vs"}]}' >"$broken/presets.json"
findings=$(node "$lint" "$broken/presets.json" "$broken/ci.yml" 2>&1)
for kind in job-needs runner-label expression pin preset image cpack-folder artifact; do
  grep -q "\[$kind\]$" <<<"$findings" || { echo "FAIL: no [$kind] for the broken workflow:"; echo "$findings"; exit 1; }
done
node "$lint" "$1"/CMakePresets.json "$1"/.github/workflows/*.yml || { echo "FAIL: the workflows above do not pass"; exit 1; }
echo "the workflows pass actionlint and the project's checks, which refuse a broken one"
