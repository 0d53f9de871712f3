#!/usr/bin/env bash
# Builds the benchmarks in a Release build (build/bench) and runs every
# benchmark binary. Each prints Google Benchmark's report and then a table of
# medians: "case, zotrel ns, qt ns, ratio, baseline" (ratio below 1: Zotrel is
# faster than its Qt or standard-library equivalent).
#
# Arguments are passed to every benchmark binary, for example
#   scripts/bench.sh --benchmark_filter=guid --benchmark_repetitions=9
# ZOTREL_BUILD_ROOT (default: build) moves the build folder.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh

zotrel_install_deps

BUILD_DIR="${ZOTREL_BUILD_ROOT:-build}/bench"
BENCHMARKS=(bench_text bench_identifiers bench_time bench_variant bench_dataarray bench_collections
    bench_concurrency bench_threads bench_timer_lateness bench_diagnostics bench_context)

cmake -S . -B "${BUILD_DIR}" \
    -DCMAKE_BUILD_TYPE=Release \
    -DZOTREL_BUILD_BENCHMARKS=ON \
    -DZOTREL_BUILD_TESTS=OFF \
    -DZOTREL_BUILD_EXAMPLES=OFF
cmake --build "${BUILD_DIR}" -j"$(zotrel_jobs)" --target "${BENCHMARKS[@]}"

for benchmark in "${BENCHMARKS[@]}"; do
    echo
    echo "=== ${benchmark}"
    "${BUILD_DIR}/bench/${benchmark}" "$@"
done
