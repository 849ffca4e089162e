#!/usr/bin/env bash
# Bytes the terminal console writes to a real terminal (an 80 x 25 tmux pane) to open, frame
# and close a full-screen window over a screen of coloured text, against one full repaint.
#   bench/terminal_bytes.sh          (BUILD=build-dir to use another build directory)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build-bench}
command -v tmux >/dev/null || { echo "tmux is needed"; exit 1; }

cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null 2>&1
cmake --build "$BUILD" --target terminal_probe -j2 >/dev/null
work=$(mktemp -d)
session=kel-bytes-$$
trap 'tmux kill-session -t "$session" 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$BUILD/bench/terminal_probe" "$work/terminal_probe"

tmux new-session -d -s "$session" -x 80 -y 25 "exec $work/terminal_probe bytes $work/report"
for _ in $(seq 50); do [ -s "$work/report" ] && break; sleep 0.2; done
cat "$work/report"
