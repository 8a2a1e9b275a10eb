#!/usr/bin/env bash
# Cross-builds, for 64-bit Windows, the libraries Debian has no mingw-w64 build of, from
# Debian's own source packages (with Debian's patches): log4cplus, ICU, GoogleTest, pugixml.
# Each lands, static, in a folder of the cache named after its version and the recipe's
# revision; a later run finds it there and builds nothing.
#   scripts/windows-deps.sh                 build what is missing (installs the toolchain)
#   scripts/windows-deps.sh --prefix-path   print the CMAKE_PREFIX_PATH of the cache
# SWIFTSEND_WINDOWS_DEPS chooses the cache (default /var/cache/swiftsend-windows).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${SWIFTSEND_WINDOWS_DEPS:-/var/cache/swiftsend-windows}
jobs=$(nproc)

# name, Debian source package, upstream version, revision of its recipe below; the folder is
# name-version-rREVISION.
deps=("log4cplus log4cplus 2.0.8 2" "icu icu 72.1 1" "googletest googletest 1.12.1 1"
      "pugixml pugixml 1.13 1")
prefix_of() { echo "$cache/$1-$2-r$3"; }

if [ "${1:-}" = "--prefix-path" ]; then
    paths=()
    for dep in "${deps[@]}"; do
        read -r name _ version revision <<<"$dep"
        paths+=("$(prefix_of "$name" "$version" "$revision")")
    done
    (IFS=';'; echo "${paths[*]}")
    exit 0
fi

triple=x86_64-w64-mingw32
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
"$here/deps.sh" --windows

# apt-get source needs deb-src entries for the archive the machine already uses.
ensure_deb_src() {
    if grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        return
    fi
    local list=/etc/apt/sources.list.d/swiftsend-deb-src
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            $sudo_cmd tee "$list.sources" >/dev/null
    fi
    if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list; then
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | $sudo_cmd tee "$list.list" >/dev/null
    fi
    $sudo_cmd apt-get update -qq
}

# Unpacks Debian's source package into WORK and prints the folder it made.
fetch_source() {
    local package=$1 version=$2 work=$3
    mkdir -p "$work"
    (cd "$work" && apt-get source -qq "$package" >/dev/null 2>&1) || {
        ensure_deb_src
        (cd "$work" && apt-get source -qq "$package" >/dev/null)
    }
    local dir
    dir=$(find "$work" -maxdepth 1 -mindepth 1 -type d -name "$package-*" | head -n 1)
    case "$dir" in
        *"-$version") echo "$dir" ;;
        *) echo "Debian's $package is not version $version ($dir); update scripts/windows-deps.sh" >&2
           exit 1 ;;
    esac
}

cmake_dep() {
    local src=$1 prefix=$2
    shift 2
    cmake -S "$src" -B "$src/build-windows" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$here/../cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
        "$@" >/dev/null
    cmake --build "$src/build-windows" -j "$jobs" >/dev/null
    cmake --install "$src/build-windows" >/dev/null
}

build_log4cplus() {
    # UNICODE off: log4cplus::tstring stays std::string, as on Linux. No thread pool: it only
    # serves asynchronous appenders, which we do not use, and a static copy would start its
    # threads in every DLL's initialisation, under the loader lock, and join them in its
    # teardown; a library whose attach fails is torn down before those threads ever ran, and
    # the join never returns.
    cmake_dep "$1" "$2" -DUNICODE=OFF -DLOG4CPLUS_ENABLE_THREAD_POOL=OFF -DLOG4CPLUS_BUILD_TESTING=OFF \
        -DLOG4CPLUS_BUILD_LOGGINGSERVER=OFF -DWITH_UNIT_TESTS=OFF -DLOG4CPLUS_ENABLE_DECORATED_LIBRARY_NAME=OFF
}

build_googletest() {
    cmake_dep "$1" "$2" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
}

build_pugixml() {
    cmake_dep "$1" "$2" -DPUGIXML_BUILD_TESTS=OFF
}

# ICU: only the common and i18n libraries are compiled for Windows. ICU's own data build
# needs its tools for the target; instead the prebuilt data archive of the source package is
# trimmed with the build machine's icupkg (same version, from icu-devtools) to what the
# plug-in can use (locale and currency data for message and number formats, plural rules,
# properties; no collation, break iteration, converters, names of languages, regions, units
# and zones, transliteration) and turned into the data library with genccode.
build_icu() {
    local src=$1/source prefix=$2 work=$1/build-windows
    local major=${3%%.*}
    mkdir -p "$work/cross/config" "$work/lib" "$work/bin"
    # configure insists on a native build for cross builds; the tools are the machine's.
    printf 'CROSS_ICU_VERSION=%s\nTOOLEXEEXT=\nTOOLBINDIR=/usr/sbin\nTOOLLIBDIR=/usr/lib\nINVOKE=\nPKGDATA_INVOKE=\n' \
        "$3" >"$work/cross/config/icucross.mk"
    printf 'CURR_FULL_DIR=%s\n' "$work/cross" >"$work/cross/config/icucross.inc"
    (cd "$work" &&
        CC=$triple-gcc-posix CXX=$triple-g++-posix CFLAGS=-O2 CXXFLAGS="-O2 -std=c++17" \
        "$src/configure" --host=$triple --with-cross-build="$work/cross" --prefix="$prefix" \
            --enable-static --disable-shared --disable-tools --disable-tests --disable-samples \
            --disable-extras --disable-icuio --disable-layoutex --with-data-packaging=static \
            >configure.log 2>&1) || { tail -n 30 "$work/configure.log"; exit 1; }
    local part
    for part in common i18n; do
        (make -C "$work/$part" -j "$jobs" && make -C "$work/$part" install) >"$work/$part.log" 2>&1 ||
            { tail -n 30 "$work/$part.log"; exit 1; }
    done

    local data="$work/data" archive="$src/data/in/icudt${major}l.dat"
    mkdir -p "$data"
    icupkg -l "$archive" |
        grep -E '^(brkitr|coll|lang|rbnf|region|translit|unit|zone)/|\.cnv$|^zoneinfo64\.res$|^unames\.icu$' \
        >"$data/remove.txt"
    icupkg -r "$data/remove.txt" "$archive" "$data/icudt${major}l.dat"
    genccode -q -a gcc-mingw64 -e "icudt$major" -d "$data" "$data/icudt${major}l.dat"
    $triple-gcc-posix -c -o "$data/icudt.o" "$data"/icudt*.S
    rm -f "$prefix/lib/libicudt.a"
    $triple-ar rcs "$prefix/lib/libicudt.a" "$data/icudt.o"
    # The names CMake's FindICU looks for.
    cp "$prefix/lib/libsicuuc.a" "$prefix/lib/libicuuc.a"
    cp "$prefix/lib/libsicuin.a" "$prefix/lib/libicuin.a"
}

mkdir -p "$cache"
exec 9>"$cache/.lock"
flock 9
for dep in "${deps[@]}"; do
    read -r name package version revision <<<"$dep"
    prefix=$(prefix_of "$name" "$version" "$revision")
    [ -f "$prefix/.done" ] && continue
    echo "Building $name $version for Windows into $prefix"
    start=$SECONDS
    rm -rf "$prefix" "$cache/src-$name"
    src=$(fetch_source "$package" "$version" "$cache/src-$name")
    "build_$name" "$src" "$prefix" "$version"
    touch "$prefix/.done"
    rm -rf "$cache/src-$name"
    echo "  $name: $((SECONDS - start)) s"
done
