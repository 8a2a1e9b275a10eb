#!/usr/bin/env bash
# Installs the Debian packages the build needs, when they are missing:
#   scripts/deps.sh [--with-clang]   the Linux build (and clang for the fuzzing build)
#   scripts/deps.sh --windows        the Windows cross build, Wine, a virtual display and
#                                    ImageMagick for its screenshots (scripts/windows-deps.sh)
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config liblog4cplus-dev libicu-dev googletest libgtest-dev
          libgmock-dev libbenchmark-dev libgdk-pixbuf-2.0-dev libcairo2-dev libpango1.0-dev
          libpugixml-dev fonts-dejavu-core apngasm)
if [ "${1:-}" = "--with-clang" ]; then
    packages+=(clang libclang-rt-dev)
elif [ "${1:-}" = "--windows" ]; then
    packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine64 cmake ninja-build
              dpkg-dev icu-devtools python3 xvfb xauth imagemagick)
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
