#!/usr/bin/env bash
# Wide results: a one-row CSV of 12,500 to 100,000 columns imported, bound to the result grid, saved
# as recordset XML and read back (see wide_columns.cpp). Every step must grow linearly with the
# columns: compare each figure with the one for half the columns.
#
#   bench/wide.sh [columns ...]        # default 12500 25000 50000 100000
#
# Environment: MV_BUILD_DIR, the Release build folder (default build); morvenda-bench-wide is built
# there. No database is needed.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${MV_BUILD_DIR:-$ROOT/build}
cmake --build "$BUILD" --target morvenda-bench-wide >/dev/null
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
echo "== wide results: wall seconds (CPU seconds in brackets); load $(cut -d' ' -f1-3 /proc/loadavg)"
"$BUILD/bench/morvenda-bench-wide" "$@" 2> >(grep -v -e propagateSizeHints -e XDG_RUNTIME_DIR >&2)
