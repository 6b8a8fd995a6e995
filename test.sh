#!/usr/bin/env bash
# Installs what is missing, builds (Release, folder build), starts throwaway PostgreSQL and MariaDB
# servers on loopback, runs every test and stops the servers again. Exits non-zero on any failure.
#
# Environment: MV_PG_PORT (default 55432), MV_MY_PORT (default 53306), MV_BUILD_DIR (default build),
# MV_ASAN_BUILD_DIR (default build-asan), MV_FUZZ_SECONDS (default 20 per fuzz target),
# MV_SKIP_SANITIZERS=1 leaves out the sanitizer build, its run of the suite and the fuzzing (quicker
# local runs),
# CI=true makes a server that does not start fail the run; otherwise the tests that need it are skipped.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$ROOT"
source scripts/setup.sh

BUILD=${MV_BUILD_DIR:-$ROOT/build}
SERVERS=$BUILD/test-servers
under_ci() { [[ ${CI:-} =~ ^([Tt]rue|TRUE|1|yes)$ ]]; }

mv_ensure_packages "${MV_TEST_PACKAGES[@]}"
mv_ensure_c_utf8
mv_ensure_odbc_drivers
mv_build "$ROOT" "$BUILD"

# From here on the servers are stopped on every way out: success, failure, Ctrl-C, kill.
stopped=0
stop_servers() {
    ((stopped)) && return 0
    stopped=1
    mv_say "stopping the test servers"
    "$ROOT/scripts/test-servers.sh" stop "$SERVERS"
}
on_exit() {
    local rc=$?
    trap - EXIT INT TERM
    if ! stop_servers; then
        echo "error: a test server could not be stopped (see $SERVERS)" >&2
        ((rc == 0)) && rc=1
    fi
    exit "$rc"
}
trap on_exit EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mv_say "starting the test servers (PostgreSQL :${MV_PG_PORT:-55432}, MariaDB :${MV_MY_PORT:-53306})"
if ! "$ROOT/scripts/test-servers.sh" start "$SERVERS"; then
    if under_ci; then
        echo "error: a test server did not start (CI=true); logs are in $SERVERS" >&2
        exit 1
    fi
fi
eval "$("$ROOT/scripts/test-servers.sh" env "$SERVERS")"
export MV_TEST_SQLITE_SQL=$ROOT/examples/demo/sqlite.sql

missing_servers() {
    local v
    for v in MV_TEST_PG_SKIP MV_TEST_MY_SKIP; do
        [[ -n ${!v:-} ]] && echo "warning: ${!v}; the tests that need it are skipped" >&2
    done
    return 0
}
missing_servers

export LC_ALL=C.UTF-8
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=$BUILD/xdg-runtime
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# tests/CMakeLists.txt gives each test this folder; make sure it exists with the rights Qt wants.
mkdir -p /tmp/mv-xdg-runtime && chmod 700 /tmp/mv-xdg-runtime || true

mv_say "running the tests"
rc=0
ctest --test-dir "$BUILD" --output-on-failure -j2 -O "$BUILD/ctest-run.log" || rc=$?
# The desktop keyring once more, on a bus of its own with a keyring of its own (ctest has none).
mv_say "running the keyring test against a private GNOME Keyring"
"$ROOT/scripts/with-keyring.sh" "$BUILD/tests/tests_db" --gtest_filter='SecretPasswordStoreTest.*' || rc=$?

# The whole suite once more under AddressSanitizer and UndefinedBehaviorSanitizer (clang, folder
# build-asan, the fuzz targets built there too) against the same servers: any sanitizer report fails
# its test, leaks are suppressed only inside the ODBC driver libraries. Left out there, to keep the
# run short: the second run of the database tests with every connection forced through ODBC
# (prefix odbc-engine:; the ODBC layer still runs under the sanitizers in the ODBC tests of the
# first run) and the packaging check (it installs the build, which the sanitizers do not look at). Then each fuzz target runs from its seed corpus for a bounded time.
if [[ ${MV_SKIP_SANITIZERS:-} != 1 ]]; then
    ASAN_BUILD=${MV_ASAN_BUILD_DIR:-$ROOT/build-asan}
    if mv_build_sanitized "$ROOT" "$ASAN_BUILD"; then
        export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=0
        export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
        export LSAN_OPTIONS=suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0
        mv_say "running the tests with sanitizers"
        left_out='^(odbc-engine:|packaging[.])'
        # MDBTools allocates through glib, whose frames the fast unwinder cannot walk past, so its
        # leaks would not be seen inside the driver. The tests on Access files unwind fully (eight
        # times slower, so only they do).
        access='OrderDetails[.]|Mdb|Access|/access$'
        ctest --test-dir "$ASAN_BUILD" --output-on-failure -j2 -E "$left_out|$access" -O "$ASAN_BUILD/ctest-run.log" || rc=1
        ASAN_OPTIONS=$ASAN_OPTIONS:fast_unwind_on_malloc=0 \
            ctest --test-dir "$ASAN_BUILD" --output-on-failure -j2 -R "$access" -E "$left_out" \
                -O "$ASAN_BUILD/ctest-run-access.log" || rc=1
        mv_say "fuzzing (${MV_FUZZ_SECONDS:-20} s per target)"
        "$ROOT/scripts/fuzz.sh" "$ASAN_BUILD" "${MV_FUZZ_SECONDS:-20}" || rc=1
    else
        echo "error: the sanitizer build failed" >&2
        rc=1
    fi
fi
missing_servers
# The output of every failed test once more at the very end, where a log cut to its tail still has it.
if ((rc != 0)); then
    for log in "$BUILD/ctest-run.log" "${ASAN_BUILD:-}/ctest-run.log" "${ASAN_BUILD:-}/ctest-run-access.log"; do
        [[ -f $log ]] || continue
        awk -v file="$log" '
            /^ *[0-9]+\/[0-9]+ Test +#[0-9]+: / { inside = ($0 !~ /(  Passed|\*\*\*Skipped|\*\*\*Not Run) +[0-9.]+ sec/); n = 0
                if (inside) print "==> failed, from " file ":" }
            /^ *Start +[0-9]+: / { inside = 0 }
            /^[0-9]+% tests passed/ { inside = 0 }
            inside && n++ < 80 { print }
        ' "$log"
    done
fi
exit "$rc"
