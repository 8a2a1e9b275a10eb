#!/usr/bin/env bash
# The demo as a Windows program under Wine: builds the Windows tree (scripts/build-windows.sh),
# starts swiftsend-host.exe on the user's display (a virtual one without it), sends files through
# swiftsend-menu.exe and shows the plug-in's dialogs as real, topmost windows to click.
#   scripts/demo.sh --windows [--seconds N] [--scenario NAME] [--click CONTROL@SECONDS]...
#                             [FILE...]
#   scripts/demo.sh --windows --check DIR
# --check is the CI's run, on a virtual display, with a phone's offer: a screenshot of the whole
# screen once the transfer dialog shows a send and a queued one, a check that the transfer and
# receive dialogs are on it, then clicks on their close buttons and a check that the transfer
# dialog closed and the offer was refused. DIR gets the screenshot (screen.png), the dialogs cut
# out of it (dialog.png, receive-dialog.png), the host's output and its UI trace.
set -euo pipefail
cd "$(dirname "$0")/.."

args=("$@")
seconds=
check=
host_args=()
files=()
while [ $# -gt 0 ]; do
    case "$1" in
        --check) check=$2; shift 2 ;;
        --seconds) seconds=$2; shift 2 ;;
        --scenario | --click) host_args+=("$1" "$2"); shift 2 ;;
        *) files+=("$1"); shift ;;
    esac
done

if [ -z "${SWIFTSEND_DEMO_DISPLAY:-}" ]; then
    scripts/build-windows.sh build-windows
    # The user's display, else (and always for the check) a virtual one of this run.
    if [ -n "${DISPLAY:-}" ] && [ -z "$check" ]; then
        SWIFTSEND_DEMO_DISPLAY=user exec "$0" "${args[@]}"
    fi
    SWIFTSEND_DEMO_DISPLAY=virtual exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "${args[@]}"
fi

bin=build-windows/bin
# A Wine prefix of the demo's own: the phone it pairs with goes into that prefix's registry, not
# into the one of the tests.
export WINEPREFIX=${SWIFTSEND_DEMO_WINEPREFIX:-${SWIFTSEND_WINDOWS_DEPS:-/var/cache/swiftsend-windows}/wineprefix-demo}
work=$(mktemp -d)
log=$work/host.log
trace=$work/ui-trace.jsonl
: >"$log"
host=
cleanup() {
    [ -z "$host" ] || kill "$host" 2>/dev/null || true
    if [ -n "$check" ] && [ -d "$check" ]; then
        [ ! -f "$trace" ] || cp "$trace" "$check/"
        tr -d '\r' <"$log" >"$check/host.log"  # Windows ends its lines with CR LF
    fi
    # The prefix's other processes (Wine's own, a folder helper the receive dialog started) end
    # before the virtual display does.
    if [ "$SWIFTSEND_DEMO_DISPLAY" = virtual ]; then
        local server
        server=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
        timeout 5 "$server" -w || "$server" -k || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
# Wine's drive Z: is the root of this machine's files.
winpath() { local path; path=$(realpath -m "$1"); echo "Z:${path//\//\\}"; }

if [ -n "$check" ]; then
    # Slow enough that the first send still runs when the screenshot is taken.
    seconds=11
    # Two clicks on a close button: the upper window's (either dialog's) first, then the other's.
    host_args+=(--speed 300000 --scenario receive-offer --click window_close_button@8.5
                --click window_close_button@9)
    mkdir -p "$check"
    rm -f "$check"/{screen,dialog,receive-dialog}.png "$check"/{host.log,ui-trace.jsonl}
    timeout 20 import -window root "$work/empty.png"
else
    # Time to click on the user's display; a short run on a virtual one.
    [ -n "$seconds" ] || { [ "$SWIFTSEND_DEMO_DISPLAY" = user ] && seconds=60 || seconds=12; }
    host_args+=(--speed 1000000 --snapshots "$(winpath build-windows/demo-snapshots)"
                --locale "${SWIFTSEND_LOCALE:-en}")
    rm -rf build-windows/demo-snapshots
fi
if [ ${#files[@]} -eq 0 ]; then
    head -c 3000000 /dev/urandom >"$work/holiday.mov"
    head -c 1200000 /dev/urandom >"$work/notes.pdf"
    files=("$work/holiday.mov" "$work/notes.pdf")
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "demo: preparing the demo's Wine prefix (once, about half a minute)"
    timeout 300 scripts/wine-run.sh cmd /c exit
fi
scripts/wine-run.sh "$bin/swiftsend-host.exe" --seconds "$seconds" \
    --ui-trace "$(winpath "$trace")" "${host_args[@]}" >"$log" 2>&1 &
host=$!
tail -n +1 -f --pid="$host" "$log" &
# Wine starts the process and the plug-in in a few seconds; it is waited for at most a minute.
for _ in $(seq 600); do
    grep -q "plug-in initialized" "$log" 2>/dev/null && break
    kill -0 "$host" 2>/dev/null || break
    sleep 0.1
done
if ! grep -q "plug-in initialized=yes started=yes" "$log"; then
    echo "demo: the host did not start under Wine" >&2
    exit 1
fi
# One send per file, so that the later ones wait in the dialog's queue.
for file in "${files[@]}"; do
    timeout 30 scripts/wine-run.sh "$bin/swiftsend-menu.exe" "$(winpath "$file")"
done

# A window's latest line in the UI trace.
window_line() {
    grep -a "^{\"t\":[0-9]*,\"window\":\"$1\"" "$trace" 2>/dev/null | tail -n 1 || true
}

# Cuts the window of class $1 out of the screenshot into $2 and fails unless most of its pixels
# differ from the empty screen.
on_screen() {
    local number='\(-\?[0-9]*\)' line rect left top right bottom size area differing
    line=$(window_line "$1")
    rect=$(echo "$line" | sed -n "s/.*\"rect\":\[$number,$number,$number,$number\].*/\1 \2 \3 \4/p")
    read -r left top right bottom <<<"$rect"
    if [[ $line != *'"visible":true'* ]] || [ -z "${bottom:-}" ]; then
        echo "demo: $1 is not shown" >&2
        return 1
    fi
    size=$((right - left))x$((bottom - top))+$left+$top
    area=$(((right - left) * (bottom - top)))
    convert "$check/screen.png" -crop "$size" +repage "$2"
    convert "$work/empty.png" -crop "$size" +repage "$work/empty-part.png"
    differing=$(compare -metric AE "$2" "$work/empty-part.png" null: 2>&1 || true)
    echo "demo: $1 at $size: $differing of $area pixels differ from the empty screen"
    case "$differing" in '' | *[!0-9]*) differing=0 ;; esac
    if [ "$differing" -lt $((area / 2)) ]; then
        echo "demo: $1 is not on the screenshot" >&2
        return 1
    fi
}

if [ -n "$check" ]; then
    # The transfer dialog shown with a queued send; then its growth (a 200 ms animation) is
    # waited out.
    queued='"visible":true.*"rows":\[\{'
    for _ in $(seq 150); do
        [[ $(window_line FileTransferDialog) =~ $queued ]] && break
        sleep 0.2
    done
    sleep 0.5
    if ! [[ $(window_line FileTransferDialog) =~ $queued ]]; then
        echo "demo: the transfer dialog did not show a queued send" >&2
        exit 1
    fi
    timeout 20 import -window root "$check/screen.png"
    on_screen FileTransferDialog "$check/dialog.png"
    on_screen "RECEIVE FILE DIALOG" "$check/receive-dialog.png"
fi

wait "$host"
host=
if [ -n "$check" ]; then
    # The transfer dialog hides; the receive dialog refuses the offer and goes.
    tr -d '\r' <"$log" >"$work/host.txt"
    if ! grep -qx "host: click on window_close_button in FileTransferDialog" "$work/host.txt" ||
        ! [[ $(window_line FileTransferDialog) == *'"visible":false'* ]]; then
        echo "demo: the click on the close button did not close the transfer dialog" >&2
        exit 1
    fi
    if ! grep -qx "service: receive offer refused" "$work/host.txt"; then
        echo "demo: the click on the receive dialog's close button did not refuse the offer" >&2
        exit 1
    fi
    echo "demo: the clicks on the close buttons closed both dialogs through their window procedures"
else
    echo "demo: pictures of the windows as they changed: build-windows/demo-snapshots/"
fi
