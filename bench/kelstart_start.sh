#!/bin/sh
# Whole-process time of a kelstart session start, beside `true` in the same run:
#   complete  - a registered PC whose terminal settings are already complete (the usual start)
#   catalogue - a registered PC whose settings lack colours, so the colour catalogue is written
# Usage: sh bench/kelstart_start.sh [BUILD_DIR]   (default: build; build kelstart first)
# Uses hyperfine (installed from Debian when missing and run as root), else a timed loop.
set -eu
build="${1:-build}"
kelstart="$(cd "$build" && pwd)/kelstart"
[ -x "$kelstart" ] || { echo "no kelstart in $build: build it first" >&2; exit 1; }
runs="${RUNS:-200}"

if ! command -v hyperfine >/dev/null 2>&1 && [ "$(id -u)" = 0 ]; then
  apt-get update -qq >/dev/null && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq hyperfine >/dev/null || true
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT INT TERM
crlf() { printf '%s\r\n' "$@"; }

# An installation root with one registered terminal, BENCH, in TERM/1.
make_root() {
  root="$1"
  mkdir -p "$root/TERM/1" "$root/tmp" "$root/listings"
  crlf "[Usuari]" "Idioma=CAT" > "$root/Nuro.ini"
  crlf "[Terminals]" "Term1=BENCH" "" "[BENCH]" "Mac=001A2B3C4D5E" "Path=TERM\\1\\" > "$root/KelTerm.ini"
  printf '14010701010301071404' > "$root/TERM/1/SCRN.CFG"
}
make_root "$work/complete"
make_root "$work/catalogue"
crlf "[Sistema]" "Data=20250101" "Sortida=P" "Idioma=CAT" > "$work/catalogue/NuroTerm.fresh"

# The same environment for every command, `true` included, so that only the program differs.
env_for() {
  echo "env KELROOT=$work/$1/ KELTMP=$work/$1/tmp TEMP=$work/$1/listings TERM=dumb" \
       "KEL_NO_CLOCK_SYNC=1 KEL_COMPUTER_NAME=BENCH KEL_ADAPTER_ADDRESS=001A2B3C4D5E"
}
complete="$(env_for complete) $kelstart"
catalogue="$(env_for catalogue) $kelstart"
baseline="$(env_for complete) true"
reset_catalogue="cp $work/catalogue/NuroTerm.fresh $work/catalogue/TERM/1/NuroTerm.ini"

# One start completes the settings and records the terminal in the session file, as the
# sessions before this one did.
$complete </dev/null >/dev/null 2>&1

if command -v hyperfine >/dev/null 2>&1; then
  hyperfine -N --warmup 10 --runs "$runs" \
    --prepare true --prepare true --prepare "$reset_catalogue" \
    --command-name true "$baseline" \
    --command-name complete "$complete" \
    --command-name catalogue "$catalogue" \
    --export-json "$work/result.json" </dev/null
  # Medians, each one over that of `true`; and the first start over the usual one.
  tr ',' '\n' < "$work/result.json" | awk -F': *' '
    /"command"/ { gsub(/[" ]/, "", $2); name = $2 }
    /"median"/ { median[name] = $2 * 1000; order[++n] = name }
    END {
      for (i = 1; i <= n; i++) printf "%-10s median %6.2f ms  (%.2f x true)\n", order[i], median[order[i]], median[order[i]] / median["true"]
      printf "catalogue / complete: %.2f x\n", median["catalogue"] / median["complete"]
    }'
  exit 0
fi

# Without hyperfine: the median of timed runs, in milliseconds.
median_ms() {  # name, prepare command, command
  i=0
  : > "$work/times"
  while [ "$i" -lt "$runs" ]; do
    $2 >/dev/null 2>&1
    start=$(date +%s%N)
    $3 </dev/null >/dev/null 2>&1 || true
    end=$(date +%s%N)
    echo $(( (end - start) / 1000 )) >> "$work/times"
    i=$((i + 1))
  done
  sort -n "$work/times" | awk -v name="$1" '{ t[NR] = $1 } END { printf "%-10s median %.2f ms\n", name, t[int((NR + 1) / 2)] / 1000 }'
}
median_ms true true "$baseline"
median_ms complete true "$complete"
median_ms catalogue "$reset_catalogue" "$catalogue"
