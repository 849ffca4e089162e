#!/bin/bash
# A PC registered through the dialog, in a tmux pane, beside two registered terminals:
#   enter-to-exit - from the Enter that answers the last question (new terminal, no copy) to the
#                   end of kelstart: the directory made and filled, the registry written, and the
#                   rest of a first start (session file, colour catalogue, working settings).
#                   Keys go through a tmux control client that stays attached, so the figure
#                   holds no start of a tmux client, only the server passing the key on.
#   next start    - the same PC's next start, registered, run without a terminal
# Usage: bash bench/registration.sh [BUILD_DIR]   (default: build; build kelstart first)
# RUNS dialog runs (default 20); the next start through hyperfine (200 runs) when it is installed.
set -eu
build="${1:-build}"
kelstart="$(cd "$build" && pwd)/kelstart"
[ -x "$kelstart" ] || { echo "no kelstart in $build: build it first" >&2; exit 1; }
command -v tmux >/dev/null || { echo "tmux is needed" >&2; exit 1; }
runs="${RUNS:-20}"
export LC_ALL=C.UTF-8  # a "." in $EPOCHREALTIME

work="$(mktemp -d)"
sock="$work/tmux.sock"
pane() { tmux -f /dev/null -S "$sock" "$@"; }
trap 'pane kill-server 2>/dev/null || true; rm -rf "$work"' EXIT INT TERM
crlf() { printf '%s\r\n' "$@"; }
now_us() { local t=$EPOCHREALTIME; echo $(( 10#${t/./} )); }

# An installation root with two registered terminals, OFFICE1 and OFFICE2, and the default files.
make_root() {
  rm -rf "$root"
  mkdir -p "$root/TERM/1" "$root/TERM/2" "$root/tmp" "$root/listings"
  crlf "[Terminals]" "Term1=OFFICE1" "Term2=OFFICE2" "" \
       "[OFFICE1]" "Mac=00000000000A" "Path=TERM\\1\\" "" \
       "[OFFICE2]" "Mac=00000000000B" "Path=TERM\\2\\" > "$root/KelTerm.ini"
  printf '14010701010301071404' > "$root/SCRN.CFG"
  printf 'LPT1' > "$root/PRINTER.CFG"
}
root="$work/root"
environment="KELROOT=$root/ KELTMP=$root/tmp TEMP=$root/listings KEL_NO_CLOCK_SYNC=1 \
KEL_COMPUTER_NAME=NEWPC KEL_ADAPTER_ADDRESS=0A1B2C3D4E5F"

# Polls the pane every 5 ms until it shows the text; 15 s at most.
wait_for() {
  local i
  for ((i = 0; i < 3000; i++)); do
    pane capture-pane -p -t pane | grep -q "$1" && return 0
    sleep 0.005
  done
  echo "never saw $1" >&2
  exit 1
}
median() { sort -n | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }'; }

: > "$work/enter"
for ((run = 0; run < runs; run++)); do
  make_root
  rm -f "$work/end"
  pane new-session -d -s pane -x 80 -y 25 \
    "env $environment TERM=xterm bash -c '$kelstart; echo \$EPOCHREALTIME > $work/end; sleep 60'"
  coproc control { pane -C attach -t pane >/dev/null 2>&1; }
  wait_for "CATAL"
  echo "send-keys -t pane Enter" >&"${control[1]}"
  wait_for "TERMINAL NOU"
  echo "send-keys -t pane Enter" >&"${control[1]}"
  wait_for "NO COPIAR-LA"
  start=$EPOCHREALTIME
  echo "send-keys -t pane Enter" >&"${control[1]}"
  for ((i = 0; i < 15000; i++)); do [ -s "$work/end" ] && break; sleep 0.001; done
  [ -s "$work/end" ] || { echo "kelstart did not end" >&2; exit 1; }
  end=$(cat "$work/end")
  echo $(( 10#${end/./} - 10#${start/./} )) >> "$work/enter"
  pane kill-server
  wait "$control_PID" 2>/dev/null || true
done
grep -q "^Term3=NEWPC" "$root/KelTerm.ini" || { echo "NEWPC was not registered" >&2; exit 1; }
printf 'enter-to-exit  median %6.2f ms  (min %.2f, max %.2f, %d runs)\n' \
  "$(median < "$work/enter" | awk '{ print $1 / 1000 }')" \
  "$(sort -n "$work/enter" | head -1 | awk '{ print $1 / 1000 }')" \
  "$(sort -n "$work/enter" | tail -1 | awk '{ print $1 / 1000 }')" "$runs"

# The same PC's next start, registered: whole-process time beside `true` through the same env.
next="env $environment TERM=dumb $kelstart"
if command -v hyperfine >/dev/null 2>&1; then
  hyperfine -N --warmup 10 --runs 200 --command-name true "env $environment TERM=dumb true" \
    --command-name "next start" "$next" --export-json "$work/result.json" </dev/null >/dev/null
  tr ',' '\n' < "$work/result.json" | awk -F': *' '
    /"command"/ { gsub(/"/, "", $2); name = $2 }
    /"median"/ { printf "%-14s median %6.2f ms\n", name, $2 * 1000 }'
else
  : > "$work/next"
  for ((i = 0; i < 200; i++)); do
    start=$(now_us)
    $next </dev/null >/dev/null 2>&1
    echo $(( $(now_us) - start )) >> "$work/next"
  done
  printf 'next start     median %6.2f ms\n' "$(median < "$work/next" | awk '{ print $1 / 1000 }')"
fi
