#!/usr/bin/env bash
# The work aids: how fast the completion list opens on a catalog of 10,000 tables of 20 columns,
# how long reading that catalog from PostgreSQL takes against psql's own \d catalog queries for the
# same tables, and how fast the query history searches 100,000 entries.
#
#   bench/work_aids.sh
#
# Environment:
#   MV_BENCH_PG_HOST, _PORT, _DB, _USER, _PASSWORD   the PostgreSQL server (default 127.0.0.1, 54329,
#                        morvenda, morvenda, morvenda); without one the catalog case is skipped
#   MV_BENCH_TABLES      tables of the catalog (default 10000), MV_BENCH_COLUMNS columns each (20)
#   MV_BENCH_HISTORY     entries of the history (default 100000)
#   MV_BENCH_RUNS        timed runs per side of the catalog case (default 5)
#   MV_BUILD_DIR         the Release build folder (default build); morvenda-workbench is built there
#
# The catalog tables go into a schema of this run, created and dropped in batches of 500 (one
# transaction for all of them would run out of locks).
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${MV_BUILD_DIR:-$ROOT/build}
TABLES=${MV_BENCH_TABLES:-10000}
COLUMNS=${MV_BENCH_COLUMNS:-20}
HISTORY=${MV_BENCH_HISTORY:-100000}
RUNS=${MV_BENCH_RUNS:-5}
PG_HOST=${MV_BENCH_PG_HOST:-127.0.0.1}
PG_PORT=${MV_BENCH_PG_PORT:-54329}
PG_DB=${MV_BENCH_PG_DB:-morvenda}
PG_USER=${MV_BENCH_PG_USER:-morvenda}
PG_PASSWORD=${MV_BENCH_PG_PASSWORD:-morvenda}

cmake --build "$BUILD" --target morvenda-workbench >/dev/null
WB="$BUILD/bench/morvenda-workbench"
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen

echo "== completion list, $TABLES tables x $COLUMNS columns"
"$WB" completion "$TABLES" "$COLUMNS"

echo
echo "== query history search, $HISTORY entries"
"$WB" history "$HISTORY"

export PGPASSWORD=$PG_PASSWORD
PSQL=(psql -X -q -At -h "$PG_HOST" -p "$PG_PORT" -U "$PG_USER" -d "$PG_DB")
if ! "${PSQL[@]}" -c "select 1" >/dev/null 2>&1; then
    echo
    echo "== catalog: no PostgreSQL server at $PG_HOST:$PG_PORT, skipped"
    exit 0
fi
SCHEMA="mv_bench_catalog_$$"
cleanup() {
    "${PSQL[@]}" -c "DO \$\$ DECLARE t record; n int := 0; BEGIN
        FOR t IN SELECT tablename FROM pg_tables WHERE schemaname = '$SCHEMA' LOOP
            EXECUTE format('DROP TABLE %I.%I', '$SCHEMA', t.tablename); n := n + 1;
            IF n % 500 = 0 THEN COMMIT; END IF;
        END LOOP; END \$\$" >/dev/null 2>&1 || true
    "${PSQL[@]}" -c "DROP SCHEMA IF EXISTS $SCHEMA" >/dev/null 2>&1 || true
}
trap cleanup EXIT
echo
echo "== catalog: creating $TABLES tables x $COLUMNS columns in schema $SCHEMA"
"${PSQL[@]}" -c "CREATE SCHEMA $SCHEMA" >/dev/null
"${PSQL[@]}" -c "DO \$\$ DECLARE cols text; BEGIN
    SELECT string_agg(format('c_%s_%s int', j, md5(j::text)), ', ') INTO cols FROM generate_series(1, $COLUMNS) j;
    FOR i IN 1..$TABLES LOOP
        EXECUTE format('CREATE TABLE $SCHEMA.t_%s (%s)', i, cols);
        IF i % 500 = 0 THEN COMMIT; END IF;
    END LOOP; END \$\$" >/dev/null
"${PSQL[@]}" -c "ANALYZE" >/dev/null 2>&1 # only the tables it may analyze

# psql's \d: the relation list, then the column query that \d <table> runs, for every table at once.
PSQL_LIST="SELECT n.nspname, c.relname, CASE c.relkind WHEN 'r' THEN 'table' WHEN 'v' THEN 'view' WHEN 'm' THEN 'materialized view' WHEN 'f' THEN 'foreign table' WHEN 'p' THEN 'partitioned table' END, pg_catalog.pg_get_userbyid(c.relowner) FROM pg_catalog.pg_class c LEFT JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace WHERE c.relkind IN ('r','p','v','m','f') AND n.nspname <> 'pg_catalog' AND n.nspname !~ '^pg_toast' AND n.nspname <> 'information_schema' ORDER BY 1,2"
PSQL_COLUMNS="SELECT a.attrelid, a.attname, pg_catalog.format_type(a.atttypid, a.atttypmod), (SELECT pg_catalog.pg_get_expr(d.adbin, d.adrelid, true) FROM pg_catalog.pg_attrdef d WHERE d.adrelid = a.attrelid AND d.adnum = a.attnum AND a.atthasdef), a.attnotnull FROM pg_catalog.pg_attribute a JOIN pg_catalog.pg_class c ON c.oid = a.attrelid JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace WHERE c.relkind IN ('r','p','v','m','f') AND n.nspname <> 'pg_catalog' AND n.nspname !~ '^pg_toast' AND n.nspname <> 'information_schema' AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attrelid, a.attnum"
CS="Driver={PostgreSQL Unicode};Server=$PG_HOST;Port=$PG_PORT;Database=$PG_DB;Uid=$PG_USER;Pwd=$PG_PASSWORD"

now() { date +%s.%N; }
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ours=() native=()
"$WB" catalog "$CS" 1 >/dev/null # warm-up
"${PSQL[@]}" -c "$PSQL_LIST" -c "$PSQL_COLUMNS" >/dev/null
for ((r = 0; r < RUNS; r++)); do
    t0=$(now); "$WB" catalog "$CS" 1 >/dev/null; t1=$(now)
    "${PSQL[@]}" -c "$PSQL_LIST" -c "$PSQL_COLUMNS" >/dev/null; t2=$(now)
    ours+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')")
    native+=("$(awk -v a="$t1" -v b="$t2" 'BEGIN { print b - a }')")
done
"$WB" catalog "$CS" "$RUNS"
o=$(printf '%s\n' "${ours[@]}" | median)
n=$(printf '%s\n' "${native[@]}" | median)
awk -v o="$o" -v n="$n" -v r="$RUNS" \
    'BEGIN { printf "whole processes, median of %d: ours %.3f s, psql \\d queries %.3f s, ratio %.2f\n", r, o, n, o / n }'
