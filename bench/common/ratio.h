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
// A ratio below 1 means Zotrel is faster than the baseline. A case may carry
// an absolute goal in nanoseconds, shown beside it.
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
    double goalNs;               // absolute goal for the Zotrel side; 0 for none
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
