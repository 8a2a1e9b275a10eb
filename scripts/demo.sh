#!/usr/bin/env bash
# Builds the plug-in and the demo host, starts the host with a simulated phone, sends files
# through the context-menu pipe, shows the transfer dialog as it changes (a live console line and
# pictures) and what crossed the bus.
#   scripts/demo.sh [FILE...]     (default: a few files made for the demo)
# SWIFTSEND_LOCALE=pl or ar shows the dialog in Polish or Arabic (right to left).
#   scripts/demo.sh --windows [...]   the same as Windows programs under Wine, in real windows
#                                     (scripts/demo-windows.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--windows" ]; then
    shift
    exec scripts/demo-windows.sh "$@"
fi
scripts/deps.sh
scripts/build.sh build
bin=build/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

files=("$@")
if [ ${#files[@]} -eq 0 ]; then
    head -c 3000000 /dev/urandom >"$work/holiday.mov"
    head -c 1200000 /dev/urandom >"$work/notes.pdf"
    files=("$work/holiday.mov" "$work/notes.pdf")
fi

snapshots=build/demo-snapshots
rm -rf "$snapshots"
"$bin/swiftsend-host" --seconds 9 --trace "$work/trace.jsonl" --speed 1000000 \
    --snapshots "$snapshots" --locale "${SWIFTSEND_LOCALE:-en}" &
host=$!
sleep 1
# One send per file, so that the later ones wait in the dialog's queue.
for file in "${files[@]}"; do
    "$bin/swiftsend-menu" "$file"
    sleep 0.5
done
wait "$host"
echo
echo "Pictures of the transfer dialog as it changed: $snapshots/ (the whole run, animated:"
echo "$snapshots/FileTransferDialog.png)"

echo
echo "Messages and usage events (from $work/trace.jsonl):"
python3 - "$work/trace.jsonl" <<'PY' 2>/dev/null || cat "$work/trace.jsonl"
import json, sys
for line in open(sys.argv[1]):
    record = json.loads(line)
    if "id" in record:
        print("  0x%06x -> 0x%06x  id 0x%06x reply 0x%06x  %d bytes" % (
            record["from"], record["to"], record["id"], record["reply"], record["len"]))
    elif "event" in record:
        print("  usage event %d %s" % (record["event"], record["values"]))
PY
