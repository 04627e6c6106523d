#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs each one; they print their own figures.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
build=build-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2
# The server benchmark measures PostgreSQL too when a cluster runs: a throwaway one with the
# distribution's default (durable) settings.
# shellcheck source=scripts/test-services.sh
source scripts/test-services.sh
trap stop_test_postgres EXIT
start_test_postgres || echo "bench.sh: no PostgreSQL cluster; the server benchmark measures SQLite only" >&2
for bench in "$build"/bench/Bench*; do
    [ -x "$bench" ] || continue
    echo "== $(basename "$bench")"
    QT_QPA_PLATFORM=offscreen "$bench" "$@"
done
