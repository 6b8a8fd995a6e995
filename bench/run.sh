#!/usr/bin/env bash
# Morvenda against the native command-line clients, side by side in one run: the same
# 1,000,000-row table in SQLite, PostgreSQL and MariaDB, fetched whole and exported as CSV, each
# case timed as whole processes with /usr/bin/time, ours and the native client taking turns.
# Prints median wall seconds, median peak RSS and the ratio ours / native per case.
#
#   bench/run.sh                          the full run (1,000,000 rows, 5 runs per side)
#   MV_BENCH_ROWS=100000 bench/run.sh     a quick run
#
# Environment:
#   MV_BENCH_ROWS        rows of the table (default 1000000)
#   MV_BENCH_RUNS        timed runs per side and case (default 5)
#   MV_BENCH_DATABASES   which databases (default "sqlite postgresql mariadb")
#   MV_BENCH_CASES       which cases (default "fetch fetch-odbc csv csv-odbc csv-stream csv-stream-odbc script
#                        script-odbc stop stop-odbc"):
#                          fetch   the whole result into our recordset / the native client to /dev/null
#                          stream  our fetch through ODBC, the connection string adding the driver's
#                                  streaming option (SQLite StepAPI=1, PostgreSQL UseDeclareFetch=1;Fetch=10000;
#                                  MariaDB's driver has none, so it is left out there)
#                          csv     our CSV export / the native client's CSV (tab-separated for mariadb)
#                          csv-stream  Execute to File: the rows written to the CSV while they are fetched /
#                                  the native client's CSV
#                          xml, binary  our recordset files, against the native client's CSV
#                          script  a script of MV_BENCH_SCRIPT_STATEMENTS INSERTs (default 10000) run as
#                                  the Execute command runs it (protocol and log included) / the native
#                                  client reading the same file (sqlite3 <, psql -f, mariadb <)
#                          stop    Stop pressed MV_BENCH_STOP_AFTER_MS (default 250) after the fetch
#                                  started: seconds from the stop until the run has ended and the window
#                                  is idle (no native counterpart; target under 0.2 s)
#                        Each case with "-odbc" appended runs ours with Engine=ODBC, so both engines of
#                        each database with a native engine (NATIVE_ENGINES below) are measured; for
#                        the others the plain cases are ODBC already and the -odbc ones are left out. The SQLite file lives in /dev/shm when there is one: the script
#                        case would otherwise time the disk's flushes (one per statement on both sides).
#   MV_BENCH_PG_HOST, MV_BENCH_PG_PORT, MV_BENCH_PG_DB, MV_BENCH_PG_USER, MV_BENCH_PG_PASSWORD
#                        the PostgreSQL server (default 127.0.0.1, 54329, morvenda, morvenda, morvenda)
#   MV_BENCH_MY_HOST, MV_BENCH_MY_PORT, MV_BENCH_MY_DB, MV_BENCH_MY_USER, MV_BENCH_MY_PASSWORD
#                        the MariaDB server (default 127.0.0.1, 33069, morvenda, morvenda, morvenda)
#   MV_BENCH_OWN_SERVERS=1  start throwaway servers with scripts/test-servers.sh (as root) and stop
#                        them at the end. Also happens by itself when no server was named and neither
#                        default server answers. Their ports: MV_PG_PORT / MV_MY_PORT (55432 / 53306).
#   MV_BUILD_DIR         the Release build folder (default build, as test.sh); morvenda-bench is built
#                        there when missing or out of date.
#
# A server that cannot be reached is skipped with a message. The tables are created under a name
# of this run and dropped at the end; the SQLite file lives in a temporary folder.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$ROOT/scripts/setup.sh"

ROWS=${MV_BENCH_ROWS:-1000000}
RUNS=${MV_BENCH_RUNS:-5}
DATABASES=${MV_BENCH_DATABASES:-sqlite postgresql mariadb}
CASES=${MV_BENCH_CASES:-fetch fetch-odbc csv csv-odbc csv-stream csv-stream-odbc script script-odbc stop stop-odbc}
STATEMENTS=${MV_BENCH_SCRIPT_STATEMENTS:-10000}
STOP_AFTER_MS=${MV_BENCH_STOP_AFTER_MS:-250}
# The databases whose connection strings reach a native engine by default (the others use ODBC).
NATIVE_ENGINES="sqlite postgresql mariadb"
BUILD=${MV_BUILD_DIR:-$ROOT/build}

[[ $ROWS =~ ^[1-9][0-9]*$ ]] || { echo "error: MV_BENCH_ROWS must be a positive whole number" >&2; exit 2; }
[[ $RUNS =~ ^[1-9][0-9]*$ ]] || { echo "error: MV_BENCH_RUNS must be a positive whole number" >&2; exit 2; }
[[ $STATEMENTS =~ ^[1-9][0-9]*$ ]] || { echo "error: MV_BENCH_SCRIPT_STATEMENTS must be a positive whole number" >&2; exit 2; }
[[ $STOP_AFTER_MS =~ ^[0-9]+$ ]] || { echo "error: MV_BENCH_STOP_AFTER_MS must be a whole number" >&2; exit 2; }
for c in $CASES; do
    [[ $c =~ ^(fetch|stream|csv|csv-stream|xml|binary|script|stop)(-odbc)?$ ]] || { echo "error: unknown case '$c' in MV_BENCH_CASES" >&2; exit 2; }
done
for d in $DATABASES; do
    [[ $d =~ ^(sqlite|postgresql|mariadb)$ ]] || { echo "error: unknown database '$d' in MV_BENCH_DATABASES" >&2; exit 2; }
done

PG_HOST=${MV_BENCH_PG_HOST:-127.0.0.1}
PG_PORT=${MV_BENCH_PG_PORT:-54329}
PG_DB=${MV_BENCH_PG_DB:-morvenda}
PG_USER=${MV_BENCH_PG_USER:-morvenda}
PG_PASSWORD=${MV_BENCH_PG_PASSWORD:-morvenda}
MY_HOST=${MV_BENCH_MY_HOST:-127.0.0.1}
MY_PORT=${MV_BENCH_MY_PORT:-33069}
MY_DB=${MV_BENCH_MY_DB:-morvenda}
MY_USER=${MV_BENCH_MY_USER:-morvenda}
MY_PASSWORD=${MV_BENCH_MY_PASSWORD:-morvenda}
servers_named() { [[ -n ${MV_BENCH_PG_PORT:-}${MV_BENCH_MY_PORT:-}${MV_BENCH_PG_HOST:-}${MV_BENCH_MY_HOST:-} ]]; }

# ---------------------------------------------------------------- preparation

# The clients come with the server packages test.sh installs; /usr/bin/time is the one addition.
mv_ensure_packages "${MV_APP_PACKAGES[@]}" postgresql-client-15 mariadb-client time
mv_ensure_c_utf8
mv_ensure_odbc_drivers
export LC_ALL=C.UTF-8
mv_build "$ROOT" "$BUILD" --target morvenda-bench >&2
BENCH=$BUILD/bench/morvenda-bench
[[ -x $BENCH ]] || { echo "error: $BENCH was not built" >&2; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/mv-bench.XXXXXX")
TABLE=mv_bench_$$
OWN_SERVERS=""
PG_READY=0
MY_READY=0

# The clients as argument lists, so /usr/bin/time can run them; set again when the servers change.
PSQL=()
MARIADB=()
set_clients() {
    PSQL=(env PGPASSWORD="$PG_PASSWORD" PGCONNECT_TIMEOUT=5 PGCLIENTENCODING=UTF8
        psql -X -q -v ON_ERROR_STOP=1 -h "$PG_HOST" -p "$PG_PORT" -U "$PG_USER" -d "$PG_DB")
    MARIADB=(mariadb --no-defaults --connect-timeout=5 --default-character-set=utf8mb4 -h "$MY_HOST"
        -P "$MY_PORT" -u"$MY_USER" -p"$MY_PASSWORD" "$MY_DB")
}
set_clients
psql_cmd() { "${PSQL[@]}" "$@"; }
mariadb_cmd() { "${MARIADB[@]}" "$@"; }
pg_answers() { psql_cmd -Atc "SELECT 1" >/dev/null 2>&1; }
my_answers() { mariadb_cmd -N -e "SELECT 1" >/dev/null 2>&1; }

cleanup() {
    local rc=$?
    trap - EXIT INT TERM
    if ((PG_READY)); then psql_cmd -c "DROP TABLE IF EXISTS $TABLE" >/dev/null 2>&1 || true; fi
    if ((MY_READY)); then mariadb_cmd -e "DROP TABLE IF EXISTS $TABLE" >/dev/null 2>&1 || true; fi
    if [[ -n $OWN_SERVERS ]]; then
        mv_say "stopping the throwaway servers"
        "$ROOT/scripts/test-servers.sh" stop "$OWN_SERVERS" || true
    fi
    rm -rf "$WORK"
    [[ $SQLITE_DIR == "$WORK" ]] || rm -rf "$SQLITE_DIR"
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

wants() { [[ " $DATABASES " == *" $1 "* ]]; }

start_own_servers() {
    if ((EUID != 0)); then
        echo "warning: throwaway servers need root; PostgreSQL and MariaDB are skipped" >&2
        return 0
    fi
    OWN_SERVERS=$BUILD/bench-servers
    mv_ensure_packages "${MV_TEST_PACKAGES[@]}"
    mv_say "starting throwaway servers (PostgreSQL :${MV_PG_PORT:-55432}, MariaDB :${MV_MY_PORT:-53306})"
    "$ROOT/scripts/test-servers.sh" start "$OWN_SERVERS" || true
    PG_HOST=127.0.0.1 PG_PORT=${MV_PG_PORT:-55432} PG_DB=morvenda PG_USER=morvenda PG_PASSWORD=morvenda
    MY_HOST=127.0.0.1 MY_PORT=${MV_MY_PORT:-53306} MY_DB=morvenda MY_USER=morvenda MY_PASSWORD=morvenda
    set_clients
}

if wants postgresql || wants mariadb; then
    if [[ ${MV_BENCH_OWN_SERVERS:-} == 1 ]] || { ! servers_named && ! pg_answers && ! my_answers; }; then
        start_own_servers
    fi
fi
if wants postgresql; then
    if pg_answers; then PG_READY=1; else
        echo "warning: PostgreSQL on $PG_HOST:$PG_PORT does not answer; skipped" >&2
    fi
fi
if wants mariadb; then
    if my_answers; then MY_READY=1; else
        echo "warning: MariaDB on $MY_HOST:$MY_PORT does not answer; skipped" >&2
    fi
fi

# The same rows everywhere: (int, double, varchar(20), timestamp), texts of 12 characters.
SQLITE_DIR=$WORK
if [[ -d /dev/shm && -w /dev/shm ]]; then SQLITE_DIR=$(mktemp -d /dev/shm/mv-bench.XXXXXX); fi
SQLITE_DB=$SQLITE_DIR/bench.db
prepare_sqlite() {
    sqlite3 "$SQLITE_DB" <<SQL
CREATE TABLE $TABLE (id integer, amount double, label varchar(20), stamp timestamp);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $ROWS)
INSERT INTO $TABLE SELECT i, i * 0.37, printf('text-%07d', i),
    datetime('2020-01-01 00:00:00', '+' || i || ' seconds') FROM n;
SQL
}
prepare_postgresql() {
    psql_cmd <<SQL
SET client_min_messages = warning;
DROP TABLE IF EXISTS $TABLE;
CREATE TABLE $TABLE (id integer, amount double precision, label varchar(20), stamp timestamp);
INSERT INTO $TABLE SELECT i, i * 0.37, 'text-' || lpad(i::text, 7, '0'),
    timestamp '2020-01-01 00:00:00' + i * interval '1 second' FROM generate_series(1, $ROWS) AS i;
VACUUM ANALYZE $TABLE;
SQL
}
prepare_mariadb() {
    # seq_1_to_N comes from the Sequence engine, which MariaDB builds in.
    mariadb_cmd <<SQL
DROP TABLE IF EXISTS $TABLE;
CREATE TABLE $TABLE (id int, amount double, label varchar(20), stamp timestamp NULL) ENGINE=InnoDB;
INSERT INTO $TABLE SELECT seq, seq * 0.37, concat('text-', lpad(seq, 7, '0')),
    timestamp '2020-01-01 00:00:00' + interval seq second FROM seq_1_to_$ROWS;
SQL
}

# ---------------------------------------------------------------- measuring

SQL_TEXT="SELECT id, amount, label, stamp FROM $TABLE"
RESULTS=()

# The script case: a table made anew, then one INSERT per statement, as a dump would have them.
SCRIPT=$WORK/script.sql
write_script() {
    {
        echo "DROP TABLE IF EXISTS ${TABLE}_s;"
        echo "CREATE TABLE ${TABLE}_s (id integer, name varchar(40), amount numeric(10,2), created timestamp);"
        awk -v n="$STATEMENTS" -v t="${TABLE}_s" 'BEGIN {
            for (i = 1; i <= n; i++)
                printf "INSERT INTO %s (id, name, amount, created) VALUES (%d, '"'"'customer %d'"'"', %d.%02d, '"'"'2024-01-%02d 10:00:00'"'"');\n", t, i, i, i % 1000, i % 100, 1 + i % 28
        }'
    } >"$SCRIPT"
}
write_script

# Runs one command under /usr/bin/time; appends "seconds kilobytes" to the file $1. The command's
# standard output goes to $2 (a file or /dev/null), its errors to $WORK/last.err.
timed() {
    local log=$1 out=$2
    shift 2
    if ! /usr/bin/time -f "%e %M" -o "$WORK/time.txt" "$@" >"$out" 2>"$WORK/last.err"; then
        echo "error: this command failed:" >&2
        printf '  %q' "$@" >&2
        echo >&2
        sed 's/^/    /' "$WORK/last.err" >&2
        return 1
    fi
    tail -n 1 "$WORK/time.txt" >>"$log"
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Checks that our run delivered every row: the fetch prints the count, the CSV has a header line.
check_ours() {
    local kind=$1 out=$2 file=$3
    case $kind in
    script)
        grep -q "^$((STATEMENTS + 6)) log records" "$out" || {
            echo "error: morvenda-bench printed '$(cat "$out")', expected $((STATEMENTS + 6)) log records" >&2
            return 1
        }
        ;;
    fetch)
        grep -qx "$ROWS rows, 4 columns" "$out" || {
            echo "error: morvenda-bench printed '$(cat "$out")', expected $ROWS rows, 4 columns" >&2
            return 1
        }
        ;;
    csv | csv-stream)
        local lines
        lines=$(wc -l <"$file")
        ((lines == ROWS + 1)) || { echo "error: our CSV has $lines lines, expected $((ROWS + 1))" >&2; return 1; }
        ;;
    *) [[ -s $file ]] || { echo "error: our $kind file is empty" >&2; return 1; } ;;
    esac
}

# One case: ours and native take turns, a warm-up of each first (not counted).
#   measure <database> <case> <our mode> <our connection string> <native command as a function name>
measure() {
    local db=$1 kind=$2 mode=$3 conn=$4 native=$5
    local ours_log=$WORK/ours.log native_log=$WORK/native.log file=$WORK/ours.out
    : >"$ours_log"
    : >"$native_log"
    local ours_cmd=("$BENCH" "$mode" "$conn" "$SQL_TEXT")
    [[ $mode == script ]] && ours_cmd=("$BENCH" script "$conn" "$SCRIPT")
    [[ $mode == fetch || $mode == script ]] || ours_cmd+=("$file")
    mv_say "$db $kind: warm-up"
    timed /dev/null "$WORK/ours.stdout" "${ours_cmd[@]}" || return 1
    check_ours "$mode" "$WORK/ours.stdout" "$file" || return 1
    "$native" "$WORK/warm.log" || return 1
    local i
    for ((i = 1; i <= RUNS; i++)); do
        mv_say "$db $kind: run $i of $RUNS"
        rm -f "$file"
        timed "$ours_log" /dev/null "${ours_cmd[@]}" || return 1
        "$native" "$native_log" || return 1
    done
    local ot nt om nm
    ot=$(cut -d' ' -f1 "$ours_log" | median)
    nt=$(cut -d' ' -f1 "$native_log" | median)
    om=$(cut -d' ' -f2 "$ours_log" | median)
    nm=$(cut -d' ' -f2 "$native_log" | median)
    RESULTS+=("$db|$kind|$ot|$nt|$om|$nm|$NATIVE_NAME")
    rm -f "$file" "$WORK/native.out"
}

# Stop during the fetch: the median seconds from the stop until the window is idle, over the runs.
STOPS=()
measure_stop() {
    local db=$1 kind=$2 conn=$3
    local log=$WORK/stop.log i out
    : >"$log"
    for ((i = 1; i <= RUNS; i++)); do
        mv_say "$db $kind: run $i of $RUNS"
        out=$("$BENCH" stop "$conn" "$SQL_TEXT" "$STOP_AFTER_MS" 2>&1) || {
            echo "warning: $db $kind: $out" >&2
            continue
        }
        sed -n 's/^stopped in \([0-9.]*\) s$/\1/p' <<<"$out" >>"$log"
    done
    [[ -s $log ]] || return 1
    STOPS+=("$db|$kind|$(median <"$log")|$(sort -n "$log" | tail -n 1)|$(wc -l <"$log")")
}

# The native clients, one function per database and case; each appends its timing to the file $1.
native_sqlite_fetch() { timed "$1" /dev/null sqlite3 "$SQLITE_DB" "$SQL_TEXT"; }
native_sqlite_csv() { timed "$1" "$WORK/native.out" sqlite3 -csv "$SQLITE_DB" "$SQL_TEXT"; }
native_postgresql_fetch() { timed "$1" /dev/null "${PSQL[@]}" -At -c "$SQL_TEXT"; }
native_postgresql_csv() { timed "$1" /dev/null "${PSQL[@]}" -c "\\copy ($SQL_TEXT) to '$WORK/native.out' csv"; }
native_mariadb_fetch() { timed "$1" /dev/null "${MARIADB[@]}" -N --quick -e "$SQL_TEXT"; }
native_mariadb_csv() { timed "$1" "$WORK/native.out" "${MARIADB[@]}" -B -e "$SQL_TEXT"; }
native_sqlite_script() { timed "$1" /dev/null sh -c 'sqlite3 "$1" < "$2"' sh "$SQLITE_DB" "$SCRIPT"; }
native_postgresql_script() { timed "$1" /dev/null "${PSQL[@]}" -f "$SCRIPT"; }
native_mariadb_script() { timed "$1" /dev/null sh -c '"$@" < "$0"' "$SCRIPT" "${MARIADB[@]}"; }
native_name() {
    case $1-${2%-odbc} in
    sqlite-script) echo "sqlite3 <" ;;
    postgresql-script) echo "psql -f" ;;
    mariadb-script) echo "mariadb <" ;;
    sqlite-fetch | sqlite-stream) echo "sqlite3" ;;
    sqlite-*) echo "sqlite3 -csv" ;;
    postgresql-fetch | postgresql-stream) echo "psql -At" ;;
    postgresql-*) echo "psql \\copy csv" ;;
    mariadb-fetch | mariadb-stream) echo "mariadb -N --quick" ;;
    mariadb-*) echo "mariadb -B" ;;
    esac
}
PHASES=()
# bench_database <database> <connection string> <streaming options, empty when the driver has none>
bench_database() {
    local db=$1 conn=$2 streaming=$3
    local kind
    for kind in $CASES; do
        local base=${kind%-odbc} case_conn=$conn
        if [[ $kind == *-odbc ]]; then
            # Without a native engine the plain cases are ODBC already.
            [[ " $NATIVE_ENGINES " == *" $db "* ]] || continue
            case_conn="$conn;Engine=ODBC"
        fi
        local mode=$base native_case=csv
        case $base in
        stop)
            measure_stop "$db" "$kind" "$case_conn" || echo "warning: $db $kind was not measured" >&2
            continue
            ;;
        fetch) native_case=fetch ;;
        script) native_case=script ;;
        stream)
            if [[ -z $streaming ]]; then
                mv_say "$db stream: the driver has no streaming option; left out"
                continue
            fi
            mode=fetch native_case=fetch case_conn="$conn;Engine=ODBC;$streaming"
            ;;
        esac
        NATIVE_NAME=$(native_name "$db" "$kind")
        measure "$db" "$kind" "$mode" "$case_conn" "native_${db}_${native_case}" || {
            echo "warning: $db $kind was not measured" >&2
            continue
        }
    done
    # Where our time goes: one more run with the phases shown (not counted).
    local last engine
    for engine in "" ";Engine=ODBC"; do
        [[ -n $engine && " $NATIVE_ENGINES " != *" $db "* ]] && continue
        last=$("$BENCH" --phases csv "$conn$engine" "$SQL_TEXT" "$WORK/phases.csv" 2>&1 >/dev/null | tail -n 1) || true
        PHASES+=("$db${engine:+ (ODBC)} csv: $last")
        if [[ " $CASES " == *" csv-stream"* ]]; then
            last=$("$BENCH" --phases csv-stream "$conn$engine" "$SQL_TEXT" "$WORK/phases.csv" 2>&1 >/dev/null | tail -n 1) || true
            PHASES+=("$db${engine:+ (ODBC)} csv-stream: $last")
        fi
    done
    rm -f "$WORK/phases.csv"
}

# ---------------------------------------------------------------- the run

mv_say "$ROWS rows, $RUNS runs per side, cases: $CASES"
if wants sqlite; then
    mv_say "sqlite: preparing $SQLITE_DB"
    if prepare_sqlite; then
        bench_database sqlite "Driver=SQLite3;Database=$SQLITE_DB" "StepAPI=1"
    else
        echo "warning: the SQLite table could not be made; skipped" >&2
    fi
fi
if ((PG_READY)); then
    mv_say "postgresql: preparing $TABLE on $PG_HOST:$PG_PORT"
    if prepare_postgresql >/dev/null; then
        bench_database postgresql \
            "Driver={PostgreSQL Unicode};Server=$PG_HOST;Port=$PG_PORT;Database=$PG_DB;Uid=$PG_USER;Pwd=$PG_PASSWORD" \
            "UseDeclareFetch=1;Fetch=10000"
    else
        echo "warning: the PostgreSQL table could not be made; skipped" >&2
    fi
fi
if ((MY_READY)); then
    mv_say "mariadb: preparing $TABLE on $MY_HOST:$MY_PORT"
    if prepare_mariadb; then
        bench_database mariadb \
            "Driver={MariaDB Unicode};Server=$MY_HOST;Port=$MY_PORT;Database=$MY_DB;Uid=$MY_USER;Pwd=$MY_PASSWORD" ""
    else
        echo "warning: the MariaDB table could not be made; skipped" >&2
    fi
fi

((${#RESULTS[@]} + ${#STOPS[@]} > 0)) || { echo "error: nothing was measured" >&2; exit 1; }

echo
echo "$(date '+%Y-%m-%d %H:%M'), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')," \
    "kernel $(uname -r)"
echo "$ROWS rows of (int, double, varchar(20), timestamp); medians of $RUNS runs per side;" \
    "whole processes, wall seconds and peak RSS (MB) from /usr/bin/time"
echo
echo "| database | case | ours s | native s | time ratio | ours MB | native MB | memory ratio | native client |"
echo "|---|---|---:|---:|---:|---:|---:|---:|---|"
for r in "${RESULTS[@]}"; do
    IFS='|' read -r db kind ot nt om nm name <<<"$r"
    # The client's name goes through the environment: awk -v would eat its backslash.
    NAME=$name awk -v db="$db" -v kind="$kind" -v ot="$ot" -v nt="$nt" -v om="$om" -v nm="$nm" 'BEGIN {
        name = ENVIRON["NAME"]
        tr = nt > 0 ? sprintf("%.2f", ot / nt) : "-"
        mr = nm > 0 ? sprintf("%.1f", om / nm) : "-"
        printf "| %s | %s | %.2f | %.2f | %s | %.0f | %.0f | %s | %s |\n", db, kind, ot, nt, tr, om / 1024, nm / 1024, mr, name
    }'
done
if ((${#STOPS[@]} > 0)); then
    echo
    echo "Stop ${STOP_AFTER_MS} ms into the fetch, seconds until the window is idle (target under 0.2):"
    echo
    echo "| database | case | median s | slowest s | runs stopped |"
    echo "|---|---|---:|---:|---:|"
    for r in "${STOPS[@]}"; do
        IFS='|' read -r db kind med worst n <<<"$r"
        printf '| %s | %s | %.3f | %.3f | %s |\n' "$db" "$kind" "$med" "$worst" "$n"
    done
fi
echo
echo "Phases of one more CSV run of ours:"
for p in "${PHASES[@]}"; do echo "  $p"; done
# The fetch's own memory out of those lines: its peak over the resident size just before the
# statement ran, against the recordset's own storage (target at most 1.3).
echo
echo "Memory of the fetch (peak over the resident size before the statement / the recordset's size):"
echo
echo "| database | before MB | fetch peak MB | recordset MB | fetch memory ratio |"
echo "|---|---:|---:|---:|---:|"
for p in "${PHASES[@]}"; do
    awk -v line="$p" 'BEGIN {
        name = line; sub(/: .*/, "", name)
        if (match(line, /resident before [0-9.]+ MB/)) before = substr(line, RSTART + 16, RLENGTH - 19)
        if (match(line, /fetch peak [0-9.]+ MB/)) peak = substr(line, RSTART + 11, RLENGTH - 14)
        if (match(line, /recordset [0-9.]+ MB/)) size = substr(line, RSTART + 10, RLENGTH - 13)
        if (before == "" || peak == "" || size == "" || size + 0 <= 0) {
            printf "| %s | - | - | - | (not measured) |\n", name
            exit
        }
        printf "| %s | %.1f | %.1f | %.1f | %.2f |\n", name, before, peak, size, (peak - before) / size
    }'
done
