#!/usr/bin/env bash
# Builds the tree for 64-bit Windows with mingw-w64 (scripts/build-windows.sh) and runs its tests
# under wine64:
#   scripts/test-windows.sh [BUILD_DIR [cmake options...]]     (default build-windows)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-windows}
scripts/build-windows.sh "$@"
# Windows are real Wine windows: without a display of the user's, they go to a virtual one.
run=()
[ -n "${DISPLAY:-}" ] || run=(xvfb-run -a -s "-screen 0 1280x800x24")
"${run[@]}" ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
