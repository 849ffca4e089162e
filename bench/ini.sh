#!/usr/bin/env bash
# Settings files at the scale of a large installation: kelini reads and writes the last key of a
# 1 MB settings file, side by side with the floor of the same work done by the system's tools
# (grep of that key line; cp of the file and mv of the copy over it) and with crudini, the
# usual INI tool of Debian. Each figure is the mean wall time of one program run (fork and exec
# included); ratios are kelini's time over the other's, below 1 where kelini is faster.
#
#   bench/ini.sh [BUILD_DIR]     default build/; RUNS=200 runs, CRUDINI_RUNS=10 for crudini
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
runs=${RUNS:-200}

if [ ! -x "$build/kelini" ]; then
  cmake --build "$build" --target kelini -j2 >/dev/null
fi
kelini=$build/kelini

have_crudini=yes
if ! command -v crudini >/dev/null 2>&1; then
  if [ "$(id -u)" = 0 ]; then
    (apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq crudini) >/dev/null 2>&1 || true
  fi
  command -v crudini >/dev/null 2>&1 || have_crudini=no
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/kel-bench-ini-XXXXXX")
trap 'rm -rf "$work"' EXIT

# 100 sections of 300 keys, about 1 MB, CRLF as the suite writes it; the key asked for is the
# last line of the file.
awk 'BEGIN { for (s = 0; s < 100; s++) { printf "[Seccio%02d]\r\n", s;
             for (k = 0; k < 300; k++) printf "Clau%03d=valor de la clau %07d\r\n", k, s * 300 + k } }' \
  >"$work/master.ini"
section=Seccio99 key=Clau299
for copy in kelini floor crudini; do cp "$work/master.ini" "$work/$copy.ini"; done

# Mean microseconds of one run of each shell function given, called with the run number. The
# functions take turns run by run, so that a busy machine weighs on all of them alike.
means_us() {
  local count=$1 i f t0 t1
  shift
  local -a total=()
  for ((i = 0; i < count; i++)); do
    for ((f = 1; f <= $#; f++)); do
      t0=${EPOCHREALTIME/./}
      "${!f}" "$i"
      t1=${EPOCHREALTIME/./}
      total[f]=$((${total[f]:-0} + t1 - t0))
    done
  done
  for ((f = 1; f <= $#; f++)); do printf '%s ' $((total[f] / count)); done
}

kelini_get() { "$kelini" "$work/kelini.ini" "$section" "$key" >/dev/null; }
kelini_set() { "$kelini" "$work/kelini.ini" "$section" "$key" "v$1"; }
grep_key() { grep "^$key=" "$work/floor.ini" >/dev/null; }
cp_mv() { cp "$work/floor.ini" "$work/floor.new" && mv "$work/floor.new" "$work/floor.ini"; }
cp_sync_mv() { cp "$work/floor.ini" "$work/floor.new" && sync "$work/floor.new" && mv "$work/floor.new" "$work/floor.ini"; }
crudini_get() { crudini --get "$work/crudini.ini" "$section" "$key" >/dev/null; }
crudini_set() { crudini --set "$work/crudini.ini" "$section" "$key" "v$1"; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf (a / b < 0.1 ? "%.3f" : "%.2f"), a / b }'; }
row() { printf '%-36s %9s us %9s us %8sx\n' "$1" "$2" "$3" "$(ratio "$2" "$3")"; }

echo "1 MB settings file ($(wc -c <"$work/master.ini") bytes), last key; mean of $runs runs"
printf '%-36s %12s %12s %9s\n' "" "kelini" "other" "ratio"
read -r get grep <<<"$(means_us "$runs" kelini_get grep_key)"
row "read: kelini get / grep" "$get" "$grep"
read -r set copy copy_sync <<<"$(means_us "$runs" kelini_set cp_mv cp_sync_mv)"
row "write: kelini set / cp + mv" "$set" "$copy"
row "write: kelini set / cp + sync + mv" "$set" "$copy_sync"
[ "$("$kelini" "$work/kelini.ini" "$section" "$key")" = "v$((runs - 1))" ] || echo "kelini lost a write" >&2
if [ "$have_crudini" = yes ]; then
  # crudini takes about a second a run on this file: fewer runs.
  slow_runs=${CRUDINI_RUNS:-10}
  read -r get crudini <<<"$(means_us "$slow_runs" kelini_get crudini_get)"
  row "read: kelini get / crudini --get" "$get" "$crudini"
  read -r set crudini <<<"$(means_us "$slow_runs" kelini_set crudini_set)"
  row "write: kelini set / crudini --set" "$set" "$crudini"
else
  echo "crudini is not installed (apt-get install crudini, as root): its lines are left out"
fi

# The same work inside one process, without starting programs, where the benchmark is built.
if [ -x "$build/bench/bench_ini" ]; then
  echo
  "$build/bench/bench_ini" --benchmark_format=csv 2>/dev/null | awk -F, '
    /^"/ { gsub(/"/, "", $1); t[$1] = $3 }
    END {
      printf "in one process (real time per call)\n"
      printf "%-36s %9.0f us %9.0f us %8.2fx\n", "ReadIniKey / read + find line", t["ReadIniKeyLastKey"], t["ReadFloorFindLine"], t["ReadIniKeyLastKey"] / t["ReadFloorFindLine"]
      printf "%-36s %9.0f us %9.0f us %8.2fx\n", "WriteIniKey / copy + rename", t["WriteIniKeyLastKey"], t["WriteFloorCopyRename"], t["WriteIniKeyLastKey"] / t["WriteFloorCopyRename"]
      printf "%-36s %9.0f us %9.0f us %8.2fx\n", "WriteIniKey / copy + flush + rename", t["WriteIniKeyLastKey"], t["WriteFloorCopyFlushRename"], t["WriteIniKeyLastKey"] / t["WriteFloorCopyFlushRename"]
    }'
fi
