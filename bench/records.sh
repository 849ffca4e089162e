#!/bin/sh
# Record files beside raw SQLite: a file of N 200-byte records with two keys (a 4-byte number,
# unique; a 30-byte name compared as capitals, with duplicates). Imports the same CSV with
# kelrec and with the sqlite3 shell, then reads the file in key order, by random key and as a
# browse list's first page, each beside raw SQLite statements on the same database. Prints
# the time and the peak resident memory of each process.
# Usage: bench/records.sh [build-dir] [records]   (a Release build; about 1 GB free in TMPDIR)
set -eu
BUILD=${1:-build}
COUNT=${2:-1000000}
KELREC=$BUILD/kelrec
DRIVER=$BUILD/bench/bench_records
[ -x "$KELREC" ] && [ -x "$DRIVER" ] || { echo "build the targets kelrec and bench_records first" >&2; exit 1; }
command -v sqlite3 > /dev/null || { echo "the sqlite3 shell is needed" >&2; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/kel-records-bench-XXXXXX")
trap 'rm -rf "$WORK"' EXIT INT TERM

sh "$(dirname "$0")/records_csv.sh" "$COUNT" > "$WORK/in.csv"

timed() {
  label=$1
  shift
  sync
  /usr/bin/time -f "%e s (cpu %U + %S s), peak %M KB" -o "$WORK/time.txt" "$@" > "$WORK/out.txt"
  printf '%-34s %s | %s\n' "$label" "$(cat "$WORK/time.txt")" "$(tr '\n' ' ' < "$WORK/out.txt")"
}

"$KELREC" create "$WORK/R.DAT" 200 1:4b 5:30ad > /dev/null
timed "import: kelrec" "$KELREC" import "$WORK/R.DAT" "$WORK/in.csv"
timed "import: sqlite3 shell, no index" sqlite3 "$WORK/plain.db" \
  "CREATE TABLE t(number INTEGER, name TEXT, rest TEXT)" ".mode csv" ".import $WORK/in.csv t"
timed "import: sqlite3 shell, two indexes" sqlite3 "$WORK/indexed.db" \
  "CREATE TABLE t(number INTEGER PRIMARY KEY, name TEXT, rest TEXT)" "CREATE INDEX tn ON t(name)" \
  ".mode csv" ".import $WORK/in.csv t"
ls -l "$WORK/R.DAT" "$WORK/plain.db" "$WORK/indexed.db" | awk '{ printf "  %s %d MB\n", $NF, $5 / 1048576 }'

timed "key order: MoveRecords" "$DRIVER" scan "$WORK/R.DAT"
timed "key order: raw statement" "$DRIVER" rawscan "$WORK/R.DAT"
timed "random get-equal: SeekKey" "$DRIVER" get "$WORK/R.DAT" 200000
timed "random get-equal: raw lookup" "$DRIVER" rawget "$WORK/R.DAT" 200000
timed "browse first page, $COUNT records" "$DRIVER" page "$WORK/R.DAT"
head -n 10000 "$WORK/in.csv" > "$WORK/small.csv"
"$KELREC" create "$WORK/S.DAT" 200 1:4b 5:30ad > /dev/null
"$KELREC" import "$WORK/S.DAT" "$WORK/small.csv" > /dev/null
timed "browse first page, 10000 records" "$DRIVER" page "$WORK/S.DAT"
