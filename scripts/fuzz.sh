#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with the distribution's clang in build-fuzz/ and runs each
# one for SECONDS (default 60), starting from the seeds in fuzz/seeds/ and from the corpus kept in
# build-fuzz/corpus/ by earlier runs. Prints one line per target (executions, executions per
# second, corpus size) and exits non-zero when any target found a crash, a sanitizer report, a
# leak, a time-out or an out-of-memory; the input that did it is saved in build-fuzz/findings/.
#
#   ./scripts/fuzz.sh          a minute per target
#   ./scripts/fuzz.sh 10       the short pass of the test command
#   ./scripts/fuzz.sh 3600     an hour per target
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
./scripts/install-deps.sh

build=${VANTOREL_FUZZ_BUILD_DIR:-build-fuzz}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DVANTOREL_BUILD_FUZZ=ON -DVANTOREL_BUILD_TESTS=OFF -DVANTOREL_BUILD_BENCH=OFF >/dev/null
mapfile -t targets < <(find fuzz -maxdepth 1 -name 'Fuzz*.cpp' -printf '%f\n' | sed 's/\.cpp$//' | sort)
cmake --build "$build" -j2 --target "${targets[@]}"

mkdir -p "$build/corpus" "$build/findings"
failed=0
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    log="$build/findings/$target.log"
    mkdir -p "$corpus"
    status=ok
    if ! ASAN_OPTIONS=detect_leaks=1 \
        LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
        -dict=fuzz/json.dict -artifact_prefix="$build/findings/$target-" -print_final_stats=1 \
        "$corpus" fuzz/seeds >"$log" 2>&1; then
        status=FOUND
        failed=1
    fi
    runs=$(grep -o 'number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
    rate=$(grep -o 'average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
    printf 'fuzz %-26s %s: %s runs in %s s, %s exec/s, corpus %s inputs\n' "$target" "$status" "$runs" \
        "$seconds" "$rate" "$(find "$corpus" -type f | wc -l)"
    if [ "$status" != ok ]; then
        grep -E 'ERROR|SUMMARY|Test unit written|==[0-9]+==' "$log" | head -20 || true
    fi
done
exit $failed
