#!/usr/bin/env bash
# Starts the program from a built tree's program directory.
set -euo pipefail
tree=${1:-build/release}
prog="$tree/program/QVgui"
if [ ! -x "$prog" ]; then
    echo "no program at $prog" >&2
    exit 1
fi
exec "$prog"
