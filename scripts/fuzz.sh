#!/usr/bin/env bash
# Runs every libFuzzer target of a sanitizer build for a bounded time each.
#
#   scripts/fuzz.sh <sanitizer build folder> <seconds per target> [target ...]
#
# Each target starts from its seed corpus fuzz/corpus/<target> (read only); what it learns goes to
# <build>/fuzz-work/<target>. An input that makes a target fail is kept as
# <build>/fuzz-work/<target>-crash-*; add it to fuzz/corpus/<target> once the fault is fixed, so it
# stays a regression case. Exits non-zero when any target failed.
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${1:?usage: fuzz.sh <build folder> <seconds> [target ...]}
SECONDS_EACH=${2:?usage: fuzz.sh <build folder> <seconds> [target ...]}
shift 2
targets=("$@")
if ((${#targets[@]} == 0)); then
    for f in "$ROOT"/fuzz/*_fuzz.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export LC_ALL=C.UTF-8

failed=()
for t in "${targets[@]}"; do
    bin=$BUILD/fuzz/$t
    if [[ ! -x $bin ]]; then
        echo "error: fuzz target $t is not built ($bin)" >&2
        failed+=("$t")
        continue
    fi
    work=$BUILD/fuzz-work/$t
    mkdir -p "$work"
    log=$BUILD/fuzz-work/$t.log
    echo "==> fuzzing $t for ${SECONDS_EACH}s" >&2
    if ! "$bin" -max_total_time="$SECONDS_EACH" -timeout=20 -rss_limit_mb=2560 -max_len=65536 \
        -print_final_stats=1 -artifact_prefix="$BUILD/fuzz-work/$t-" "$work" "$ROOT/fuzz/corpus/$t" \
        >"$log" 2>&1; then
        echo "error: $t failed; the input is in $BUILD/fuzz-work/ ($t-*), the report in $log:" >&2
        tail -n 40 "$log" >&2
        failed+=("$t")
        continue
    fi
    grep -E '^stat::number_of_executed_units' "$log" | sed "s/^/    $t /" >&2
done
((${#failed[@]} == 0)) || { echo "error: fuzz targets failed: ${failed[*]}" >&2; exit 1; }
