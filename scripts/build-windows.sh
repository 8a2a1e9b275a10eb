#!/usr/bin/env bash
# Builds the tree for 64-bit Windows with mingw-w64:
#   scripts/build-windows.sh [BUILD_DIR [cmake options...]]     (default build-windows)
# The first run installs the cross compiler and Wine from Debian and cross-builds the
# dependencies into a cache (scripts/windows-deps.sh); later runs reuse it.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-windows}
shift || true
scripts/windows-deps.sh
# The packages are found afresh each time: a new recipe revision moves them in the cache.
cmake -S . -B "$dir" -U '*_DIR' -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_PREFIX_PATH="$(scripts/windows-deps.sh --prefix-path)" -DSWIFTSEND_BENCH=OFF \
    "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
