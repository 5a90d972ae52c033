#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address + undefined sanitizers) and runs each for a
# bounded time. Usage: fuzz/run.sh [seconds per target, default 60]
# Prints one line per target with the executions run; exits non-zero on any crash or report.
set -euo pipefail
seconds=${1:-60}
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
targets=(fuzz_cp932 fuzz_textfiles fuzz_cleanup fuzz_listfile fuzz_picture fuzz_batchline)

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLPIX_FUZZ=ON -DQUILLPIX_TESTS=OFF -DQUILLPIX_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

export QT_QPA_PLATFORM=offscreen
# A picture header may announce a huge size; the reader's refusal of such an allocation is a
# handled failure, not a finding.
export ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=0
status=0
for t in "${targets[@]}"; do
    corpus="$build/corpus/$t"
    mkdir -p "$corpus"
    log="$build/$t.log"
    if "$build/fuzz/$t" -max_total_time="$seconds" -max_len=4096 -rss_limit_mb=8192 -malloc_limit_mb=8192 -print_final_stats=1 \
        "$corpus" "$here/starters/$t" >"$log" 2>&1; then
        runs=$(grep -m1 -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$')
        echo "$t: ${runs:-?} executions in ${seconds}s, no crash, no sanitizer report"
    else
        echo "$t: FAILED (see $log)"
        tail -n 30 "$log"
        status=1
    fi
done
exit $status
