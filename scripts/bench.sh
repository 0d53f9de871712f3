#!/usr/bin/env bash
# Builds the benchmarks in a Release build (build/bench), runs every benchmark
# binary and ends with one table of speed goals over all of them.
#
# Each binary prints Google Benchmark's report and its own table of medians
# ("case, zotrel ns, qt ns, ratio, goal, baseline"; a ratio below 1: Zotrel is
# faster than its Qt or standard-library equivalent). A case whose time is
# over its goal runs twice more (nine repetitions each) and is judged on the
# median of its runs. Then every case is run once more under callgrind for a
# second, deterministic figure: the ratio of instructions executed per
# iteration. scripts/bench_table.py explains how the two figures are judged.
#
# Options (before any benchmark option):
#   --check                 exit non-zero when a goal is missed or an
#                           instruction ratio regressed
#   --record-instructions   write the instruction ratios to
#                           bench/instructions.ref (on purpose only)
#   --no-instructions       skip the callgrind runs (the time table only)
#   --binary NAME           run only this benchmark binary (repeatable), for
#                           example the binaries that hold one issue's goals
# Other arguments go to every benchmark binary, for example
#   scripts/bench.sh --benchmark_filter=guid --benchmark_repetitions=9
# ZOTREL_BUILD_ROOT (default: build) moves the build folder.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh

CHECK=() RECORD=() INSTRUCTIONS=1 ONLY=()
while [ $# -gt 0 ]; do
    case "$1" in
        --check) CHECK=(--check) ;;
        --record-instructions) RECORD=(--record) ;;
        --no-instructions) INSTRUCTIONS=0 ;;
        --binary)
            [ $# -ge 2 ] || { echo "bench.sh: --binary needs a name" >&2; exit 2; }
            ONLY+=("$2")
            shift
            ;;
        *) break ;;
    esac
    shift
done

zotrel_install_deps python3

BUILD_DIR="${ZOTREL_BUILD_ROOT:-build}/bench"
RATIO_BENCHMARKS=(bench_text bench_identifiers bench_time bench_variant bench_dataarray bench_collections
    bench_concurrency bench_threads bench_diagnostics bench_context)
BENCHMARKS=("${RATIO_BENCHMARKS[@]}" bench_timer_lateness)
if [ ${#ONLY[@]} -gt 0 ]; then
    for name in "${ONLY[@]}"; do
        [[ " ${BENCHMARKS[*]} " == *" ${name} "* ]] ||
            { echo "bench.sh: no benchmark binary ${name} (${BENCHMARKS[*]})" >&2; exit 2; }
    done
    # A partial table cannot record the reference for every binary.
    [ ${#RECORD[@]} -eq 0 ] || { echo "bench.sh: --record-instructions needs every binary" >&2; exit 2; }
    keep() { local b; for b in "$@"; do [[ " ${ONLY[*]} " == *" ${b} "* ]] && echo "${b}"; done; }
    mapfile -t RATIO_BENCHMARKS < <(keep "${RATIO_BENCHMARKS[@]}")
    mapfile -t BENCHMARKS < <(keep "${BENCHMARKS[@]}")
fi
RESULTS="${BUILD_DIR}/results"
TIMES="${RESULTS}/times.tsv"

cmake -S . -B "${BUILD_DIR}" \
    -DCMAKE_BUILD_TYPE=Release \
    -DZOTREL_BUILD_BENCHMARKS=ON \
    -DZOTREL_BUILD_TESTS=OFF \
    -DZOTREL_BUILD_EXAMPLES=OFF
cmake --build "${BUILD_DIR}" -j"$(zotrel_jobs)" --target "${BENCHMARKS[@]}"

# The CPU time the host took from this machine (a virtual machine's "steal")
# while the timed runs ran: a few per cent make short cases visibly noisier.
cpu_ticks() {
    awk '/^cpu / { total = 0; for (i = 2; i <= NF; ++i) total += $i; print total, $9 + 0 }' /proc/stat
}

rm -rf "${RESULTS}"
mkdir -p "${RESULTS}"
read -r TICKS_BEFORE STEAL_BEFORE < <(cpu_ticks)
for benchmark in "${BENCHMARKS[@]}"; do
    echo
    echo "=== ${benchmark}"
    "${BUILD_DIR}/bench/${benchmark}" --zotrel_results="${TIMES}" "$@"
done

table() {
    python3 scripts/bench_table.py --times "${TIMES}" --reference bench/instructions.ref "$@"
}

for round in 1 2; do
    missed="$(table --missed)"
    [ -n "${missed}" ] || break
    while read -r benchmark case; do
        echo
        echo "=== ${benchmark} ${case}: over its goal, run again (${round} of 2)"
        "${BUILD_DIR}/bench/${benchmark}" --zotrel_results="${TIMES}" \
            --benchmark_filter="^${case}/" --benchmark_repetitions=9 >/dev/null
    done <<<"${missed}"
done

read -r TICKS_AFTER STEAL_AFTER < <(cpu_ticks)
STOLEN="$(awk -v t=$((TICKS_AFTER - TICKS_BEFORE)) -v s=$((STEAL_AFTER - STEAL_BEFORE)) \
    'BEGIN { printf "%.1f", (t > 0 ? 100 * s / t : 0) }')"

INSTRUCTION_ARGS=()
if [ "${INSTRUCTIONS}" = 1 ]; then
    echo
    echo "=== instruction counts under callgrind"
    # One process per side of every case, with a fixed hash seed: in a
    # process shared with other cases the heap's layout (and so what a
    # realloc copies) and Qt's random hash seed would move the counts.
    # Without fast bins, malloc never consolidates them at a moment that
    # depends on the heap's history: a case's set-up (a thousand inserts)
    # then costs the same in the two counted runs and drops out of their
    # difference, where it moved the map lookups' counts by up to 1.5%.
    tunables="glibc.malloc.mxfast=0${GLIBC_TUNABLES:+:${GLIBC_TUNABLES}}"
    for benchmark in "${RATIO_BENCHMARKS[@]}"; do
        mkdir -p "${RESULTS}/instructions/${benchmark}"
        echo "${benchmark}"
        names="$("${BUILD_DIR}/bench/${benchmark}" --benchmark_list_tests=true "$@" 2>/dev/null |
            grep -E '^[A-Za-z0-9_]+/(zotrel|baseline)$' || true)"
        for name in ${names}; do
            # The trace file is named here: the trace benchmark would otherwise
            # re-execute itself to name it, which valgrind cannot follow.
            if ! env -u ZOTREL_TRACE ZOTREL_TRACE_FILE="${RESULTS}/instructions/trace.log" QT_HASH_SEED=0 \
                GLIBC_TUNABLES="${tunables}" valgrind --tool=callgrind --collect-atstart=no \
                --callgrind-out-file="${RESULTS}/instructions/${benchmark}/${name/\//.}.%p" \
                "${BUILD_DIR}/bench/${benchmark}" --zotrel_instructions \
                --benchmark_filter="^${name}(/|\$)" >/dev/null 2>"${RESULTS}/instructions/valgrind.err" \
                </dev/null; then
                echo "  ${name}: the counted run failed:"
                tail -n 5 "${RESULTS}/instructions/valgrind.err" | sed 's/^/    /'
            fi
        done
    done
    INSTRUCTION_ARGS=(--instructions "${RESULTS}/instructions")
fi

echo
echo "CPU time taken by the host during the timed runs: ${STOLEN}%"
table "${INSTRUCTION_ARGS[@]}" "${RECORD[@]}" "${CHECK[@]}"
