#!/usr/bin/env bash
# Builds everything and runs the tests: scripts/test.sh [BUILD_DIR [cmake options...]]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
dir="${1:-build}"
[ $# -gt 0 ] && shift
scripts/build.sh "$dir" "$@"
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
