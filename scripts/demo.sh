#!/usr/bin/env bash
# Starts QVgui on a ready demo program directory made from a built tree: the program, its
# companions, a QV.ini naming the demo script of the bundled frame server, and the test encoder.
# Without a display the program runs under Xvfb, saves a picture of each page and prints where.
set -euo pipefail
tree=$(cd "${1:-build/release}" && pwd)
program="$tree/program"
demo="$tree/demo"
if [ ! -x "$program/QVgui" ]; then
    echo "no program at $program/QVgui" >&2
    exit 1
fi
mkdir -p "$demo"
cp -a "$program/." "$demo/"
if [ ! -f "$demo/QV.ini" ]; then
    printf '%-18s%s\n' "*INFILE" "$demo/samples/scripts/demo.avs" "*OUTFILE" "$demo/demo.m2v" \
        "*BITRATE" "6000" "*MAXBITRATE" "8000" > "$demo/QV.ini"
fi
cd "$demo"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec ./QVgui
fi
echo "No display: running under Xvfb and saving a picture of each page."
QVGUI_SCREENSHOTS="$demo/screenshots" xvfb-run -a -s "-screen 0 1280x900x24" ./QVgui
