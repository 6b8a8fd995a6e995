#!/usr/bin/env bash
# Throwaway PostgreSQL 15 and MariaDB servers on loopback for the tests. Runs as root.
#
#   scripts/test-servers.sh start [DIR]  stop what an earlier run left behind, create fresh data folders,
#                                        start both servers, create the database and user "morvenda"
#                                        (password "morvenda") and load the demo schema
#   scripts/test-servers.sh restart [DIR] stop the servers and start them again on the data they have
#                                        (a test's own servers, to lose connections the real way)
#   scripts/test-servers.sh halt  [DIR]  stop the servers and keep their data for a restart
#   scripts/test-servers.sh stop  [DIR]  stop both servers; the logs stay in DIR
#   scripts/test-servers.sh env   [DIR]  print shell export lines: MV_TEST_PG / MV_TEST_MY for the servers
#                                        that are ready, MV_TEST_PG_SKIP / MV_TEST_MY_SKIP with the reason
#                                        for those that are not
#
# DIR defaults to build/test-servers. Ports: MV_PG_PORT (default 55432), MV_MY_PORT (default 53306).
# MV_SERVERS=pg or MV_SERVERS=my limits start, restart and stop to that one server.
# "start" exits 1 when a server could not be made ready, but still starts the other one.
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PG_BIN=/usr/lib/postgresql/15/bin
PG_PORT=${MV_PG_PORT:-55432}
MY_PORT=${MV_MY_PORT:-53306}
WAIT_SECONDS=${MV_SERVER_WAIT:-60}

say() { echo "test-servers: $*" >&2; }

usage() {
    echo "usage: $0 start|restart|halt|stop|env [DIR]" >&2
    exit 2
}

cmd=${1:-}
[[ $cmd == start || $cmd == restart || $cmd == halt || $cmd == stop || $cmd == env ]] || usage
ONLY=${MV_SERVERS:-}
wants() { [[ -z $ONLY || $ONLY == "$1" ]]; }
D=${2:-$ROOT/build/test-servers}
mkdir -p "$D" || exit 1
D=$(cd "$D" && pwd)

# PostgreSQL runs as the user postgres, which must reach its data folder, and Unix socket paths are
# limited to about 100 bytes. When either fails for DIR, the PostgreSQL side and the sockets live in
# a folder under /tmp that is derived from DIR, so a later run still finds a stale server there.
side_base() {
    local probe="$D/sock/.s.PGSQL.$PG_PORT"
    if ((${#probe} < 100)) && su postgres -s /bin/sh -c "test -x '$D'" 2>/dev/null; then
        echo "$D"
    else
        echo "/tmp/mv-test-servers-$(printf %s "$D" | md5sum | cut -c1-12)"
    fi
}
B=$(side_base)
PGDATA=$B/pg
PGLOG=$B/pg.log
SOCK=$B/sock
MYDATA=$D/my
MYSOCK=$SOCK/my.sock
MYPID=$D/my.pid
MYLAUNCH=$D/my.launch.pid
MYERR=$D/my.err

PG_CONN="Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=$PG_PORT;Database=morvenda;Uid=morvenda;Pwd=morvenda"
MY_CONN="Driver={MariaDB Unicode};Server=127.0.0.1;Port=$MY_PORT;Database=morvenda;Uid=morvenda;Pwd=morvenda"

as_postgres() { su postgres -s /bin/sh -c "$1"; }

# True when pid runs and its command line names our data folder (guards against reused pids).
owns_pid() {
    local pid=$1 folder=$2
    [[ $pid =~ ^[0-9]+$ ]] && [[ -r /proc/$pid/cmdline ]] &&
        tr '\0' ' ' <"/proc/$pid/cmdline" | grep -qF -- "$folder"
}

wait_gone() {
    local pid=$1 seconds=$2 i
    for ((i = 0; i < seconds * 10; i++)); do
        [[ -d /proc/$pid ]] || return 0
        sleep 0.1
    done
    [[ ! -d /proc/$pid ]]
}

# Ends a server process: politely first, then TERM, then KILL.
end_process() {
    local pid=$1 name=$2
    wait_gone "$pid" 15 && return 0
    say "$name (pid $pid) did not stop; sending TERM"
    kill -TERM "$pid" 2>/dev/null
    wait_gone "$pid" 10 && return 0
    say "$name (pid $pid) still running; sending KILL"
    kill -KILL "$pid" 2>/dev/null
    wait_gone "$pid" 5
}

port_busy() {
    [[ -n $(ss -Hltn "sport = :$1" 2>/dev/null) ]]
}

# ---------------------------------------------------------------- PostgreSQL

pg_pid() { [[ -r $PGDATA/postmaster.pid ]] && head -n 1 "$PGDATA/postmaster.pid"; }

pg_stop() {
    local pid
    pid=$(pg_pid) || return 0
    owns_pid "$pid" "$PGDATA" || return 0
    as_postgres "$PG_BIN/pg_ctl -D '$PGDATA' -m fast -w -t 20 stop" >/dev/null 2>&1
    end_process "$pid" PostgreSQL
}

pg_ready() {
    "$PG_BIN/pg_isready" -q -h 127.0.0.1 -p "$PG_PORT" -d morvenda -U morvenda
}

pg_start() {
    rm -f "$D/pg.ready" "$D/pg.failed"
    mkdir -p "$B" && : >"$PGLOG"
    if port_busy "$PG_PORT"; then
        pg_fail "port $PG_PORT is in use by another program (choose another with MV_PG_PORT)"
        return 1
    fi
    rm -rf "$PGDATA"
    mkdir -p "$PGDATA" "$SOCK" && chown postgres:postgres "$PGDATA" && chmod 777 "$SOCK" &&
        : >"$PGLOG" && chown postgres "$PGLOG" || {
        pg_fail "cannot prepare $PGDATA"
        return 1
    }
    if ! as_postgres "$PG_BIN/initdb -D '$PGDATA' -U postgres --auth=trust -E UTF8 --locale=C.UTF-8" \
        >>"$PGLOG" 2>&1; then
        pg_fail "initdb failed (see $PGLOG)"
        return 1
    fi
    pg_launch || return 1
    local psql=(env PGCLIENTENCODING=UTF8 psql -X -q -v ON_ERROR_STOP=1 -p "$PG_PORT")
    if ! "${psql[@]}" -h "$SOCK" -U postgres -d postgres \
        -c "CREATE ROLE morvenda LOGIN CREATEDB PASSWORD 'morvenda'" \
        -c "CREATE DATABASE morvenda OWNER morvenda ENCODING 'UTF8' TEMPLATE template0" >>"$PGLOG" 2>&1; then
        pg_fail "creating the database morvenda failed (see $PGLOG)"
        return 1
    fi
    if ! "${psql[@]}" -h 127.0.0.1 -U morvenda -d morvenda -f "$ROOT/examples/demo/postgresql.sql" \
        >>"$PGLOG" 2>&1; then
        pg_fail "loading examples/demo/postgresql.sql failed (see $PGLOG)"
        return 1
    fi
    : >"$D/pg.ready"
    say "PostgreSQL ready on 127.0.0.1:$PG_PORT"
}

pg_launch() {
    if ! as_postgres "$PG_BIN/pg_ctl -D '$PGDATA' -l '$PGLOG' -w -t $WAIT_SECONDS \
            -o \"-p $PG_PORT -k $SOCK -c listen_addresses=127.0.0.1 -c fsync=off\" start" >/dev/null 2>&1; then
        pg_fail "the server did not start within $WAIT_SECONDS s (see $PGLOG)"
        return 1
    fi
}

pg_fail() {
    echo "PostgreSQL test server: $1" >"$D/pg.failed"
    say "PostgreSQL: $1"
    tail -n 5 "$PGLOG" 2>/dev/null | sed 's/^/    /' >&2
}

# ---------------------------------------------------------------- MariaDB

my_admin() { mariadb-admin --no-defaults -S "$MYSOCK" -uroot --connect-timeout=5 "$@"; }

my_stop() {
    local pid still=0
    for pid in $(cat "$MYPID" "$MYLAUNCH" 2>/dev/null | sort -u); do
        owns_pid "$pid" "$MYDATA" || continue
        my_admin shutdown >/dev/null 2>&1
        end_process "$pid" MariaDB || still=1
    done
    ((still)) || rm -f "$MYLAUNCH"
}

my_ready() {
    mariadb-admin --no-defaults -h 127.0.0.1 -P "$MY_PORT" -umorvenda -pmorvenda --connect-timeout=5 \
        ping >/dev/null 2>&1
}

my_start() {
    rm -f "$D/my.ready" "$D/my.failed"
    : >"$MYERR"
    if port_busy "$MY_PORT"; then
        my_fail "port $MY_PORT is in use by another program (choose another with MV_MY_PORT)"
        return 1
    fi
    rm -rf "$MYDATA" "$MYPID"
    mkdir -p "$MYDATA" "$SOCK" && chmod 777 "$SOCK" || {
        my_fail "cannot prepare $MYDATA"
        return 1
    }
    if ! mariadb-install-db --no-defaults --datadir="$MYDATA" --user=root \
        --auth-root-authentication-method=normal --skip-test-db >"$D/my-install.log" 2>&1; then
        my_fail "mariadb-install-db failed (see $D/my-install.log)"
        return 1
    fi
    my_launch || return 1
    # The same rights as on the shared development server, so tests behave alike on both
    # (the catalog tests list the system tables).
    if ! mariadb --no-defaults -S "$MYSOCK" -uroot >>"$MYERR" 2>&1 <<'SQL'; then
CREATE DATABASE morvenda CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci;
CREATE USER 'morvenda'@'%' IDENTIFIED BY 'morvenda';
CREATE USER 'morvenda'@'localhost' IDENTIFIED BY 'morvenda';
GRANT ALL PRIVILEGES ON *.* TO 'morvenda'@'%';
GRANT ALL PRIVILEGES ON *.* TO 'morvenda'@'localhost';
SQL
        my_fail "creating the database morvenda failed (see $MYERR)"
        return 1
    fi
    if ! mariadb --no-defaults --default-character-set=utf8mb4 -h 127.0.0.1 -P "$MY_PORT" \
        -umorvenda -pmorvenda morvenda <"$ROOT/examples/demo/mariadb.sql" >>"$MYERR" 2>&1; then
        my_fail "loading examples/demo/mariadb.sql failed (see $MYERR)"
        return 1
    fi
    : >"$D/my.ready"
    say "MariaDB ready on 127.0.0.1:$MY_PORT"
}

my_launch() {
    # Its temporary tables live in a folder of its own: a file that vanished from a shared /tmp
    # (other programs clean it) made the server fail information_schema queries, once fatally.
    mkdir -p "$D/my-tmp" || return 1
    # A session of its own: a Ctrl-C in the terminal reaches the test script, which stops the server.
    setsid mariadbd --no-defaults --datadir="$MYDATA" --tmpdir="$D/my-tmp" --user=root --socket="$MYSOCK" --port="$MY_PORT" \
        --bind-address=127.0.0.1 --pid-file="$MYPID" --log-error="$MYERR" \
        --character-set-server=utf8mb4 --collation-server=utf8mb4_unicode_ci \
        --innodb-flush-log-at-trx-commit=0 --skip-log-bin </dev/null >/dev/null 2>&1 &
    local pid=$! i
    echo "$pid" >"$MYLAUNCH"
    for ((i = 0; i < WAIT_SECONDS * 10; i++)); do
        my_admin ping >/dev/null 2>&1 && break
        if [[ ! -d /proc/$pid ]]; then
            my_fail "mariadbd ended during start-up (see $MYERR)"
            return 1
        fi
        sleep 0.1
    done
    if ! my_admin ping >/dev/null 2>&1; then
        my_fail "the server did not answer within $WAIT_SECONDS s (see $MYERR)"
        return 1
    fi
}

my_fail() {
    echo "MariaDB test server: $1" >"$D/my.failed"
    say "MariaDB: $1"
    tail -n 5 "$MYERR" 2>/dev/null | sed 's/^/    /' >&2
}

# ---------------------------------------------------------------- commands

# One export line, the value in single quotes.
export_line() { printf "export %s='%s'\n" "$1" "${2//\'/\'\\\'\'}"; }

env_for() {
    local var=$1 conn=$2 tag=$3 ready_fn=$4 name=$5
    if [[ -f $D/$tag.ready ]] && $ready_fn; then
        export_line "$var" "$conn"
        echo "unset ${var}_SKIP"
    else
        local reason="$name test server is not running (start it with ./test.sh)"
        [[ -s $D/$tag.failed ]] && reason=$(cat "$D/$tag.failed")
        echo "unset $var"
        export_line "${var}_SKIP" "$reason"
    fi
}

case $cmd in
start)
    rc=0
    wants pg && { pg_stop; pg_start || rc=1; }
    wants my && { my_stop; my_start || rc=1; }
    exit $rc
    ;;
restart)
    rc=0
    wants pg && { pg_stop; pg_launch || rc=1; }
    wants my && { my_stop; my_launch || rc=1; }
    exit $rc
    ;;
halt)
    wants pg && pg_stop
    wants my && my_stop
    exit 0
    ;;
stop)
    wants pg && { pg_stop; rm -f "$D/pg.ready"; }
    wants my && { my_stop; rm -f "$D/my.ready"; }
    left=0
    if wants pg; then
        pid=$(pg_pid) && owns_pid "$pid" "$PGDATA" && { say "PostgreSQL (pid $pid) is still running"; left=1; }
    fi
    if wants my; then
        for pid in $(cat "$MYPID" "$MYLAUNCH" 2>/dev/null); do
            owns_pid "$pid" "$MYDATA" && { say "MariaDB (pid $pid) is still running"; left=1; }
        done
    fi
    # The data folders are throwaway; only the logs stay.
    if ((!left)); then
        wants pg && rm -rf "$PGDATA"
        wants my && rm -rf "$MYDATA"
    fi
    exit $left
    ;;
env)
    env_for MV_TEST_PG "$PG_CONN" pg pg_ready PostgreSQL
    env_for MV_TEST_MY "$MY_CONN" my my_ready MariaDB
    ;;
esac
