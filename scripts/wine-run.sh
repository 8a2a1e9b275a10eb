#!/usr/bin/env bash
# Runs a Windows program under wine64 in the project's private prefix, without a display
# unless one is set, with the mingw runtime DLLs on the search path:
#   scripts/wine-run.sh PROGRAM.exe [ARGS...]
# WINEPREFIX defaults to a prefix under the dependency cache; the first run creates it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${SWIFTSEND_WINDOWS_DEPS:-/var/cache/swiftsend-windows}
export WINEPREFIX=${WINEPREFIX:-$cache/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
runtime="Z:$gcc_dir;Z:/usr/x86_64-w64-mingw32/lib"
export WINEPATH="$runtime${WINEPATH:+;$WINEPATH}"
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot --init >/dev/null 2>&1 || true
    "$(command -v wineserver || echo /usr/lib/wine/wineserver64)" -w 2>/dev/null || true
fi
exec "$wine" "$@"
