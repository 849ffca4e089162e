#!/usr/bin/env bash
# The field editor at a real terminal (an 80 x 25 tmux pane): bytes written for one typed
# character in a plain field (target: the changed cell plus at most one cursor move), and the
# CPU time of one keystroke with keys typed one at a time as a user types them (target: under
# 50 µs), beside its peers: the same keys read by WaitKey alone, and by a bare raw-terminal
# loop without the library (one poll, one read and the echo a key: the floor the kernel's
# wake-up puts under any terminal program). Alt+X marks the counters.
#   bench/field_terminal.sh          (BUILD=build-dir to use another build directory; KEYS=n)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build-bench}
KEYS=${KEYS:-200}
command -v tmux >/dev/null || { echo "tmux is needed"; exit 1; }

cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release $(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null 2>&1
cmake --build "$BUILD" --target terminal_probe -j2 >/dev/null
work=$(mktemp -d)
session=kel-field-$$
trap 'tmux kill-session -t "$session" 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$BUILD/bench/terminal_probe" "$work/terminal_probe"

run() {  # mode
  rm -f "$work/report"
  tmux new-session -d -s "$session" -x 80 -y 25 "exec $work/terminal_probe $1 $work/report"
  sleep 0.5
  send() { tmux send-keys -t "$session" "$@"; sleep 0.15; }
  send M-x          # mark 0
  send a            # one typed character
  send M-x          # mark 1
  for i in $(seq "$KEYS"); do
    if (( i % 40 == 0 )); then tmux send-keys -t "$session" Home; else tmux send-keys -t "$session" -l b; fi
    sleep 0.02
  done
  sleep 0.3
  send M-x          # mark 2
  send Enter
  for _ in $(seq 50); do [ -s "$work/report" ] && break; sleep 0.2; done
  tmux kill-session -t "$session" 2>/dev/null || true
  awk -v keys="$KEYS" -v mode="$1" '
    /^mark/ { bytes[$2] = $4; cpu[$2] = $6 }
    END { printf "%-8s one typed character: %d bytes; %d keys one at a time: %.1f us CPU per key\n",
                 mode, bytes[1] - bytes[0], keys, 1000 * (cpu[2] - cpu[1]) / keys }' "$work/report"
}
# The three take turns, so that a change in the machine's load falls on all of them.
for _ in $(seq "${ROUNDS:-3}"); do
  run field
  run waitkey
  run bare
done

# The processor time above is mostly the kernel's and moves with the machine's load; the
# instructions the program itself runs for a key do not. callgrind counts them: a run with
# no keys and a run with KEYS keys, the difference divided by KEYS.
if command -v valgrind >/dev/null; then
  count() {  # mode keys -> instructions of the whole run
    rm -f "$work/callgrind"
    tmux new-session -d -s "$session" -x 80 -y 25 \
      "valgrind --tool=callgrind --callgrind-out-file=$work/callgrind $work/terminal_probe $1 $work/report 2>/dev/null"
    sleep 3
    for _ in $(seq "$2"); do tmux send-keys -t "$session" -l b; sleep 0.01; done
    sleep 1
    tmux send-keys -t "$session" Enter
    for _ in $(seq 50); do [ -s "$work/callgrind" ] && break; sleep 0.2; done
    tmux kill-session -t "$session" 2>/dev/null || true
    awk '/^totals:/ { print $2 }' "$work/callgrind"
  }
  for mode in field waitkey bare; do
    none=$(count "$mode" 0)
    some=$(count "$mode" "$KEYS")
    echo "$mode instructions per key in the program: $(( (some - none) / KEYS ))"
  done
fi
