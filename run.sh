#!/usr/bin/env bash
# Installs what is missing, builds Morvenda (Release, folder build), creates the demo database and
# starts the program. Arguments are passed on to the program.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$ROOT"
source scripts/setup.sh

BUILD=${MV_BUILD_DIR:-$ROOT/build}
DEMO_DB=$ROOT/examples/demo.db
DEMO_SQL=$ROOT/examples/demo/sqlite.sql
DEMO_QUERY=$ROOT/examples/demo-query.sql

# Data link file of the demo database. Morvenda writes it itself (connection dialog, save as data
# link file); from then on it is opened at start together with the demo query.
DEMO_LINK=$ROOT/examples/demo.udl

mv_ensure_packages "${MV_APP_PACKAGES[@]}"
mv_ensure_c_utf8
mv_ensure_odbc_drivers
mv_build "$ROOT" "$BUILD" --target morvenda

if [[ ! -f $DEMO_DB ]]; then
    mv_say "creating the demo database $DEMO_DB"
    # Built beside and renamed, so an interrupted run leaves no half-filled database behind.
    rm -f "$DEMO_DB.new"
    sqlite3 -batch -bail -init /dev/null "$DEMO_DB.new" <"$DEMO_SQL"
    mv "$DEMO_DB.new" "$DEMO_DB"
fi

# A data link file for the demo when there is one; otherwise the database file itself, which
# connects at once through the SQLite driver. /RUN shows the demo query's rows at start.
args=()
if [[ -f $DEMO_LINK ]]; then
    args+=("/INI=$DEMO_LINK")
else
    args+=("/INI=$DEMO_DB")
fi
args+=("/QRY=$DEMO_QUERY" "/RUN")

if [[ -z ${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-} ]]; then
    echo "error: no display (DISPLAY and WAYLAND_DISPLAY are not set); Morvenda needs a desktop session." >&2
    echo "       The build is ready: $BUILD/morvenda" >&2
    exit 1
fi

mv_say "starting Morvenda on the demo database $DEMO_DB"
exec "$BUILD/morvenda" "${args[@]}" "$@"
