#!/usr/bin/env bash
# The record server beside the embedded engine and beside psql running the same SQL.
#
#   bench/records_server.sh [BUILD_DIR] [COUNT]     (a Release build; COUNT 1000000)
#
# Starts a private cluster (.ci/pgsql) unless KELPG names a server, imports the CSV of
# bench/records.sh (COUNT 200-byte records with two keys) into a file of each engine with
# kelrec, runs bench_records_server on the two, then times psql on the same table: the
# key-order scan, 100,000 prepared get-equal reads and 200 first pages. Prints the time, the
# processor time and the peak memory of each import.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-rel}
count=${2:-1000000}
work=$(mktemp -d "${TMPDIR:-/tmp}/kelbench.XXXXXX")
pg_dir=""
cleanup() {
  if [ -n "$pg_dir" ]; then .ci/pgsql stop "$pg_dir" || true; rm -rf "$pg_dir"; fi
  rm -rf "$work"
}
trap cleanup EXIT
if [ -z "${KELPG:-}" ]; then
  pg_dir=$(mktemp -d "${TMPDIR:-/tmp}/kelpg.XXXXXX")
  KELPG=$(.ci/pgsql start "$pg_dir")
  export KELPG
  # The server's processor time is counted from its processes (the script's own cluster only).
  KEL_BENCH_SERVER_PID=$(head -n 1 "$pg_dir/data/postmaster.pid")
  export KEL_BENCH_SERVER_PID
fi

ms() { date +%s%N; }
# Processor time of the server in clock ticks: the postmaster, the children it reaped, those running.
server_ticks() {
  [ -n "${KEL_BENCH_SERVER_PID:-}" ] || { echo 0; return; }
  { cat /proc/[0-9]*/stat 2>/dev/null || true; } | awk -v p="$KEL_BENCH_SERVER_PID" '{
    pid = $1; sub(/^[^)]*\) /, ""); split($0, f, " ");
    if (pid == p) t += f[12] + f[13] + f[14] + f[15]; else if (f[2] == p) t += f[12] + f[13] } END { print t + 0 }'
}
# Runs psql; prints its time a unit (units, scale and name given), psql's and the server's
# processor time.
psql_timed() {
  what=$1 units=$2 scale=$3 unit=$4
  shift 4
  before=$(server_ticks)
  start=$(ms)
  /usr/bin/time -f "%U %S" -o "$work/psql.cpu" psql "$KELPG" -Xq -o /dev/null "$@"
  wall=$(( $(ms) - start ))
  after=$(server_ticks)
  read -r user system < "$work/psql.cpu"
  awk -v w="$wall" -v u="$user" -v s="$system" -v t=$(( after - before )) -v n="$units" -v k="$scale" \
      -v what="$what" -v unit="$unit" 'BEGIN {
    printf "psql %s: %.2f %s (cpu %.2f = %.2f psql + %.2f server)\n", what, w / 1e9 * k / n, unit,
      (u + s + t / 100) * k / n, (u + s) * k / n, t / 100 * k / n }'
}

sh bench/records_csv.sh "$count" > "$work/in.csv"
name=BENCH_$$
for file in "$work/R.DAT" "pgsql:$name"; do
  "$build/kelrec" create "$file" 200 1:4b 5:30ad > /dev/null
  before=$(server_ticks)
  /usr/bin/time -f "import into $file: %e s (cpu %U + %S s), peak %M KB" "$build/kelrec" import "$file" "$work/in.csv"
  echo "  server cpu $(( $(server_ticks) - before )) ticks of 10 ms"
done
"$build/bench/bench_records_server" "$work/R.DAT" "pgsql:$name" "$count"
table=kel_r$(psql "$KELPG" -XAtc "SELECT id FROM kel_files WHERE name = convert_to('$name', 'UTF8')")

# Keys and name prefixes of the same kinds as the program's, in psql's own loop.
awk -v n="$count" -v t="$table" 'BEGIN { srand(11);
  print "PREPARE g(bytea) AS SELECT pos, data, k0 FROM " t " WHERE k0 = $1 LIMIT 1;";
  for (i = 0; i < 100000; i++) printf "EXECUTE g(%s);\n", sprintf("'"'"'\\x%08x'"'"'", 1 + int(rand() * n)) }' >"$work/get.sql"
awk -v t="$table" 'BEGIN { srand(13);
  print "PREPARE p(bytea) AS SELECT pos, data, k1 FROM " t " WHERE k1 >= $1 ORDER BY k1, pos LIMIT 20;";
  for (i = 0; i < 200; i++) { s = ""; for (j = 0; j < 3; j++) s = s sprintf("%02x", 65 + int(rand() * 26));
    printf "EXECUTE p('"'"'\\x%s'"'"');\n", s } }' >"$work/page.sql"

psql_timed "key-order scan (SELECT ... ORDER BY k0)" "$count" 1e6 "us a record" -c "SELECT pos, data, k0 FROM $table ORDER BY k0"
psql_timed "get-equal (EXECUTE of a prepared lookup)" 100000 1e6 "us a read" -f "$work/get.sql"
psql_timed "first page (prepared >= ... LIMIT 20)" 200 1e3 "ms a page" -f "$work/page.sql"
