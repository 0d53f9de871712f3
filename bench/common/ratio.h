// Benchmarks of Zotrel beside their nearest Qt or standard-library equivalent.
//
// Each benchmark binary lists its cases in a table: a name, the Zotrel
// function, the baseline function and what the baseline is. `RunRatioTable`
// registers both functions of every case ("<case>/zotrel", "<case>/baseline"),
// runs them with repetitions (5 unless the command line says otherwise, with
// the repetitions of all cases interleaved so that a noisy moment hits both
// sides alike), and prints Google Benchmark's usual report followed by a
// table of the median CPU times per iteration:
//
//     case, zotrel ns, qt ns, ratio, baseline
//
// A ratio below 1 means Zotrel is faster than the baseline. A case carries
// its goal: a largest ratio, or an absolute time in nanoseconds for the
// Zotrel side, or neither for a case that is only reported.
//
// Two options of this runner are read before Google Benchmark sees the
// command line (scripts/bench.sh uses both):
//   --zotrel_results=FILE  appends one tab-separated line per case to FILE:
//                          binary, case, zotrel ns, baseline ns, goal ratio,
//                          goal ns, baseline.
//   --zotrel_instructions  counts instructions instead of timing, for a run
//                          under `valgrind --tool=callgrind
//                          --collect-atstart=no`: every side of every case
//                          runs a fixed number of iterations twice (n and
//                          2n, after one warm-up iteration) with collection
//                          on, and each run is dumped under the label
//                          "zotrel-instr <case>/<side> <iterations>". The
//                          difference of the two dumps over n is the count
//                          per iteration, free of the case's set-up.
#ifndef ZOTREL_BENCH_COMMON_RATIO_H
#define ZOTREL_BENCH_COMMON_RATIO_H

#include <benchmark/benchmark.h>

#include <cstddef>

namespace zotrel_bench {

using BenchmarkFunction = void (*)(benchmark::State&);

struct RatioCase {
    const char* name;            // short identifier, no spaces
    BenchmarkFunction zotrel;    // the Zotrel operation
    BenchmarkFunction baseline;  // the same work done with Qt or the standard library
    const char* baselineName;    // what the baseline is, for the table
    double goalRatio;            // largest zotrel / baseline ratio; 0 for none
    double goalNs = 0;           // absolute goal for the Zotrel side; 0 for none
    // True for a case whose instruction count differs from run to run, so
    // that none is taken and the case is judged on time alone: work shared
    // with other threads (how often they wake, spin or wait depends on
    // scheduling), or lookups whose path depends on where the heap placed
    // the objects (a tree ordered by address).
    bool unsteadyCount = false;
};

/// Runs every case and prints the ratio table. Before anything is measured it
/// starts and joins a thread: glibc takes cheaper paths for locks and atomics
/// in a process that never had a second thread, which would flatter both
/// sides unrealistically. Returns the process exit code.
int RunRatioTable(int argc, char** argv, const RatioCase* cases, std::size_t count);

template <std::size_t N>
int RunRatioTable(int argc, char** argv, const RatioCase (&cases)[N]) {
    return RunRatioTable(argc, argv, cases, N);
}

}  // namespace zotrel_bench

#endif  // ZOTREL_BENCH_COMMON_RATIO_H
