#!/usr/bin/env bash
# Builds the fuzz targets (clang 14, libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each on a scratch copy of its seed corpus, so the
# repository is never written, for FUZZ_SECONDS each (default 60). Prints for each target the executions, executions per
# second, coverage and crashes; a failing input is kept under
# build-fuzz/artifacts/<target>/. Exits non-zero on a crash, a hang, a leak or any
# sanitizer report.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"

work="$(mktemp -d "${TMPDIR:-/tmp}/kavrel-fuzz-XXXXXX")"
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_SYMBOLIZER_PATH="/usr/bin/llvm-symbolizer-14"

# target, seconds, then its own options: an input takes well under a millisecond, so 10 s
# is a hang.
run() {
    local target="$1" time="$2"
    shift 2
    local artifacts="$PWD/build-fuzz/artifacts/$target/"
    local log="$work/$target.log"
    mkdir -p "$artifacts" "$work/$target"
    cp tests/fuzz/corpus/"$target"/* "$work/$target/"
    local status=0
    build-fuzz/bin/"$target" -max_total_time="$time" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$artifacts" "$@" "$work/$target" >"$log" 2>&1 || status=$?

    local execs rate cov crash
    # A run that fails on its first input prints no statistics: nothing found is no error.
    execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
    rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)"
    cov="$( (grep -o 'cov: [0-9]*' "$log" || true) | tail -1 | cut -d' ' -f2)"
    crash="$(sed -n 's/.*Test unit written to //p' "$log" | tail -1)"
    if grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|ALARM:' "$log"; then
        status=$((status == 0 ? 1 : status))
    fi
    printf '%-19s executions %-9s exec/s %-7s coverage %-6s crashes %s\n' \
        "$target" "${execs:-?}" "${rate:-?}" "${cov:-?}" "${crash:-0}"
    if [ "$status" -ne 0 ]; then
        echo "fuzz: $target failed (status $status); its log:" >&2
        grep -vE '^#[0-9]+|^INFO:|Uses: ' "$log" | tail -60 >&2
        failed=1
    fi
}

failed=0
start=$SECONDS
run fuzz-response-rules "$seconds" -max_len=256
run fuzz-port-list "$seconds" -max_len=4096 -dict=tests/fuzz/port_list.dict
echo "fuzz: $((SECONDS - start)) s in all"
exit "$failed"
