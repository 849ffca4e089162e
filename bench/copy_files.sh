#!/bin/sh
# CopyFiles beside cp in one run: one 1 GB file, then 10,000 small files (100 to 8,000 bytes).
# Prints the median elapsed time of each side over the runs, the throughput ratio (cp's time
# over CopyFiles' time: 1.0 means as fast as cp), the same ratio of the processor time (user
# plus system, less disturbed by other work on the machine) and the peak resident memory.
# Usage: bench/copy_files.sh [build-dir] [runs] [all|big|small]
# Needs about 3.5 GB free in $TMPDIR (else /tmp), plus 80 MB for each run of the small files.
set -eu
BUILD=${1:-build}
RUNS=${2:-5}
CASES=${3:-all}
DRIVER=$BUILD/bench/bench_copy_files
[ -x "$DRIVER" ] || { echo "no $DRIVER: build the target bench_copy_files first" >&2; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/kel-copy-bench-XXXXXX")
trap 'rm -rf "$WORK"' EXIT INT TERM
free_kb=$(df -Pk "$WORK" | awk 'NR == 2 { print $4 }')
if [ "$free_kb" -lt 3600000 ]; then
  echo "only $((free_kb / 1024)) MB free under $WORK; 3.5 GB are needed" >&2
  exit 1
fi
export TEMP="$WORK"  # the listing files go here

if [ "$CASES" != small ]; then
  mkdir "$WORK/big"
  head -c 1073741824 /dev/urandom > "$WORK/big/BIG.DAT"
fi
[ "$CASES" = big ] || "$DRIVER" populate "$WORK/small" 10000

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# One timed run into a fresh destination DST: prints "seconds peak-kilobytes cpu-seconds". Destinations
# of many files are kept until the end, because ext4 skips the inodes of files deleted in the
# last half minute when it allocates, which would slow whichever side runs after a removal.
timed() {
  dst=$1
  shift
  mkdir "$dst"
  sync
  /usr/bin/time -f "%e %M %U %S" -o "$WORK/time.txt" "$@" > /dev/null
  awk '{ print $1, $2, $3 + $4 }' "$WORK/time.txt"
}

# bench NAME KEEP PATTERN CP-SOURCE : alternates the sides so that neither always goes first.
bench() {
  name=$1 keep=$2 pattern=$3 cp_source=$4
  : > "$WORK/ours.txt"
  : > "$WORK/cp.txt"
  i=0
  while [ "$i" -lt "$RUNS" ]; do
    for side in $( [ $((i % 2)) -eq 0 ] && echo "ours cp" || echo "cp ours"); do
      dst="$WORK/dst-$side-$i"
      if [ "$side" = ours ]; then
        timed "$dst" "$DRIVER" copy "$pattern" "$dst\\" >> "$WORK/ours.txt"
      else
        timed "$dst" cp -r "$cp_source" "$dst/" >> "$WORK/cp.txt"
      fi
      diff -r "$dst" "$(dirname "$cp_source")" > /dev/null || { echo "$name: $side copy differs" >&2; exit 1; }
      [ "$keep" = keep ] || rm -rf "$dst"
    done
    i=$((i + 1))
  done
  rm -rf "$WORK"/dst-*
  ours_s=$(cut -d' ' -f1 "$WORK/ours.txt" | median)
  cp_s=$(cut -d' ' -f1 "$WORK/cp.txt" | median)
  ours_cpu=$(cut -d' ' -f3 "$WORK/ours.txt" | median)
  cp_cpu=$(cut -d' ' -f3 "$WORK/cp.txt" | median)
  ours_kb=$(cut -d' ' -f2 "$WORK/ours.txt" | sort -n | tail -1)
  cp_kb=$(cut -d' ' -f2 "$WORK/cp.txt" | sort -n | tail -1)
  awk -v n="$name" -v o="$ours_s" -v c="$cp_s" -v oc="$ours_cpu" -v cc="$cp_cpu" -v ok="$ours_kb" -v ck="$cp_kb" 'BEGIN {
    printf "%-13s CopyFiles %5.2f s  cp %5.2f s  ratio %.2fx | cpu %5.2f s vs %5.2f s  ratio %.2fx | peak RSS %.1f MB vs %.1f MB\n",
           n, o, c, (o > 0 ? c / o : 0), oc, cc, (oc > 0 ? cc / oc : 0), ok / 1024, ck / 1024 }'
}

echo "runs: $RUNS (median time, largest peak RSS); work dir $WORK"
[ "$CASES" = small ] || bench "1 GB file" remove "$WORK/big\\BIG.DAT" "$WORK/big/BIG.DAT"
[ "$CASES" = big ] || bench "10,000 files" keep "$WORK/small\\*.*" "$WORK/small/."
