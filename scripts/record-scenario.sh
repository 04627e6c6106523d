#!/usr/bin/env bash
# Runs the family scenario (tests/E2E/TestFamilyScenario: a parent's and a child's 岚哨 with the
# family server, on a private two-screen desktop) once and keeps what it shows: numbered PNG
# pictures of the whole desktop at each step, and the family server's request log.
#
#   ./scripts/record-scenario.sh [OUTPUT_DIR]     (default: scenario/)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-scenario}")

./scripts/install-deps.sh
build=${VANTOREL_TEST_BUILD_DIR:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTOREL_SANITIZE=ON >/dev/null
cmake --build "$build" -j2 --target TestFamilyScenario vantorel vantorel-server

mkdir -p "$out"
rm -f "$out"/[0-9][0-9]-*.png "$out/server-requests.log"

# The scenario ends everything it starts; its own process group is ended too if this script is
# interrupted.
setsid env VANTOREL_SCENARIO_RECORD_DIR="$out" \
    ctest --test-dir "$build" -R '^TestFamilyScenario$' --output-on-failure &
scenario=$!
trap 'kill -- -$scenario 2>/dev/null || true' INT TERM
status=0
wait $scenario || status=$?
trap - INT TERM
echo "Screenshots and server-requests.log are in $out"
exit $status
