#!/usr/bin/env bash
# The record server beside the embedded engine and beside psql running the same SQL.
#
#   bench/records_server.sh [BUILD_DIR] [COUNT]     (a Release build; COUNT 1000000)
#
# Starts a private cluster (.ci/pgsql) unless KELPG names a server, fills a file of COUNT
# 200-byte records with two keys in each engine, runs bench_records_server, then times psql
# on the same table: the key-order scan, 100,000 prepared get-equal reads and 200 first pages.
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
fi

"$build/bench/bench_records_server" "$work" "$count" | tee "$work/out"
name=$(sed -n 's/^server file pgsql://p' "$work/out")
table=kel_r$(psql "$KELPG" -XAtc "SELECT id FROM kel_files WHERE name = convert_to('$name', 'UTF8')")

ms() { date +%s%N; }
# The same random keys and name prefixes as the program's, in psql's own loop.
awk -v n="$count" -v t="$table" 'BEGIN { srand(11);
  print "PREPARE g(bytea) AS SELECT pos, data, k0 FROM " t " WHERE k0 = $1 LIMIT 1;";
  for (i = 0; i < 100000; i++) printf "EXECUTE g(%s);\n", sprintf("'"'"'\\x%08x'"'"'", 1 + int(rand() * n)) }' >"$work/get.sql"
awk -v t="$table" 'BEGIN { srand(13);
  print "PREPARE p(bytea) AS SELECT pos, data, k1 FROM " t " WHERE k1 >= $1 ORDER BY k1, pos LIMIT 20;";
  for (i = 0; i < 200; i++) { s = ""; for (j = 0; j < 3; j++) s = s sprintf("%02x", 65 + int(rand() * 26));
    printf "EXECUTE p('"'"'\\x%s'"'"');\n", s } }' >"$work/page.sql"

start=$(ms); psql "$KELPG" -Xq -o /dev/null -c "SELECT pos, data, k0 FROM $table ORDER BY k0"; scan=$(( $(ms) - start ))
start=$(ms); psql "$KELPG" -Xq -o /dev/null -f "$work/get.sql"; get=$(( $(ms) - start ))
start=$(ms); psql "$KELPG" -Xq -o /dev/null -f "$work/page.sql"; page=$(( $(ms) - start ))
echo "psql: key-order scan $(( scan / count )) ns a record; get-equal $(( get / 100000 / 1000 )) us a read;" \
     "first page $(( page / 200 / 1000 )) us"
