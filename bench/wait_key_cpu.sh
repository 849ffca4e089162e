#!/usr/bin/env bash
# CPU time the console uses while it waits 10 s for a key in a real terminal (a tmux pane):
# the target is under 1% of one core. Measured twice: by the program itself (getrusage
# around the wait) and from outside (/proc/<pid>/stat ticks over the same span).
#   bench/wait_key_cpu.sh            (BUILD=build-dir to use another build directory)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build-bench}
SECONDS_TO_WAIT=${SECONDS_TO_WAIT:-10}
command -v tmux >/dev/null || { echo "tmux is needed"; exit 1; }

cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null 2>&1
cmake --build "$BUILD" --target terminal_probe -j2 >/dev/null
work=$(mktemp -d)
trap 'tmux kill-session -t "$session" 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$BUILD/bench/terminal_probe" "$work/terminal_probe"

session=kel-wait-key-$$
tmux new-session -d -s "$session" -x 80 -y 25 \
  "exec $work/terminal_probe wait $((SECONDS_TO_WAIT * 1000)) $work/report"
sleep 0.5
pid=$(tmux list-panes -t "$session" -F '#{pane_pid}')
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
start_ticks=$(ticks)
start_time=$(date +%s.%N)
sleep $((SECONDS_TO_WAIT - 2))
end_ticks=$(ticks)
end_time=$(date +%s.%N)
while [ ! -s "$work/report" ]; do sleep 0.2; done
hz=$(getconf CLK_TCK)
echo "inside  (getrusage): $(cat "$work/report")"
awk -v t0="$start_ticks" -v t1="$end_ticks" -v s0="$start_time" -v s1="$end_time" -v hz="$hz" \
  'BEGIN { cpu = (t1 - t0) / hz; wall = s1 - s0;
           printf "outside (/proc):     cpu_s %.3f wall_s %.2f percent %.4f\n", cpu, wall, 100 * cpu / wall }'
