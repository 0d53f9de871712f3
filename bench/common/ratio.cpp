#include "common/ratio.h"

#include <unistd.h>
#include <valgrind/callgrind.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace zotrel_bench {
namespace {

// Keeps Google Benchmark's console report and also records, for every
// benchmark, the median CPU time per iteration in nanoseconds (or the single
// run's time when there are no repetitions). CPU time rather than wall time:
// the benchmarks are single-threaded, and on a busy machine wall time also
// counts the moments another process had the core.
class MedianCollector : public benchmark::ConsoleReporter {
public:
    explicit MedianCollector(bool color)
        : benchmark::ConsoleReporter(color ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        benchmark::ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const double ns =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median" && run.aggregate_unit == benchmark::kTime)
                    m_Median[name] = ns;
            } else if (run.repetitions <= 1) {
                m_Median[name] = ns;
            }
        }
    }

    /// The median of `name` in ns, or a negative value when it did not run.
    double Median(const std::string& name) const {
        auto it = m_Median.find(name);
        return it == m_Median.end() ? -1.0 : it->second;
    }

private:
    std::map<std::string, double> m_Median;
};

bool HasFlag(int argc, char** argv, const char* flag) {
    const std::size_t length = std::strlen(flag);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], flag, length) == 0)
            return true;
    return false;
}

// The options of this runner, taken out of the command line before Google
// Benchmark reads it.
struct RunnerOptions {
    std::string resultsFile;
    bool instructions = false;
};

RunnerOptions TakeRunnerOptions(std::vector<char*>* args) {
    static const char kResults[] = "--zotrel_results=";
    RunnerOptions options;
    std::vector<char*> rest;
    for (char* arg : *args) {
        if (std::strncmp(arg, kResults, sizeof kResults - 1) == 0)
            options.resultsFile = arg + sizeof kResults - 1;
        else if (std::strcmp(arg, "--zotrel_instructions") == 0)
            options.instructions = true;
        else
            rest.push_back(arg);
    }
    args->swap(rest);
    return options;
}

std::string BinaryName(const char* argv0) {
    const char* slash = std::strrchr(argv0, '/');
    return slash ? slash + 1 : argv0;
}

void PrintTable(const MedianCollector& medians, const RatioCase* cases, std::size_t count) {
    std::printf(
        "\nMedian CPU time per iteration (ratio = zotrel / qt; below 1: Zotrel is faster)\n");
    std::printf("%-24s, %10s, %10s, %7s, %6s, %s\n", "case", "zotrel ns", "qt ns", "ratio", "goal",
                "baseline");
    for (std::size_t i = 0; i < count; ++i) {
        const RatioCase& c = cases[i];
        const double zotrel = medians.Median(std::string(c.name) + "/zotrel");
        const double baseline = medians.Median(std::string(c.name) + "/baseline");
        if (zotrel < 0 || baseline < 0)
            continue;  // filtered out on the command line
        char goal[32] = "-";
        if (c.goalRatio > 0)
            std::snprintf(goal, sizeof goal, "%.2f", c.goalRatio);
        std::printf("%-24s, %10.2f, %10.2f, %7.2f, %6s, %s", c.name, zotrel, baseline,
                    baseline > 0 ? zotrel / baseline : 0.0, goal, c.baselineName);
        if (c.goalNs > 0)
            std::printf(" [goal: zotrel <= %g ns]", c.goalNs);
        std::printf("\n");
    }
}

// One line per case that ran, for scripts/bench.sh to gather into its table
// of goals.
bool WriteResults(const std::string& path, const std::string& binary,
                  const MedianCollector& medians, const RatioCase* cases, std::size_t count) {
    std::FILE* file = std::fopen(path.c_str(), "a");
    if (!file) {
        std::perror(path.c_str());
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const RatioCase& c = cases[i];
        const double zotrel = medians.Median(std::string(c.name) + "/zotrel");
        const double baseline = medians.Median(std::string(c.name) + "/baseline");
        if (zotrel < 0 || baseline < 0)
            continue;
        std::fprintf(file, "%s\t%s\t%.3f\t%.3f\t%g\t%g\t%s\n", binary.c_str(), c.name, zotrel,
                     baseline, c.goalRatio, c.goalNs, c.baselineName);
    }
    return std::fclose(file) == 0;
}

// ---------------------------------------------------------------------------
// Instruction counts under callgrind.

// Runs `function` with collection switched on around it only, then dumps the
// count under `label`. Outside valgrind the requests cost nothing.
void CountedRun(BenchmarkFunction function, const std::string& label, benchmark::State& state) {
    CALLGRIND_ZERO_STATS;
    CALLGRIND_TOGGLE_COLLECT;
    function(state);
    CALLGRIND_TOGGLE_COLLECT;
    CALLGRIND_DUMP_STATS_AT(label.c_str());
}

// Records the wall time of the warm-up runs, which decides how many
// iterations each side gets in the counted runs.
class SilentCollector : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (!run.error_occurred && run.iterations > 0)
                m_Runs[run.run_name.function_name] = {run.real_accumulated_time,
                                                      static_cast<double>(run.iterations)};
    }
    // Seconds per iteration, set-up included; -1 for a case that did not run.
    double Seconds(const std::string& name) const {
        auto it = m_Runs.find(name);
        return it == m_Runs.end() ? -1.0 : it->second.first / it->second.second;
    }
    // Seconds per iteration without the set-up: the difference between this
    // (longer) run and a one-iteration run of the same case.
    double PerIteration(const SilentCollector& once, const std::string& name) const {
        auto it = m_Runs.find(name);
        const double single = once.Seconds(name);
        if (it == m_Runs.end() || single < 0)
            return -1.0;
        const auto [seconds, iterations] = it->second;
        const double difference = (seconds - single) / (iterations - 1);
        return difference > 0 ? difference : seconds / iterations;
    }

private:
    std::map<std::string, std::pair<double, double>> m_Runs;
};

// About this much time under callgrind for the longer of the two counted runs
// of one side: enough iterations that a rare slow path (a heap growing, a
// hash table rehashing) is spread thin, few enough to keep the whole table
// within minutes.
constexpr double kCountedSeconds = 0.4;
// The second warm-up's length under callgrind.
constexpr double kWarmUpSeconds = 0.05;

int CountInstructions(const RatioCase* cases, std::size_t count) {
    static const char* const kSides[] = {"zotrel", "baseline"};
    auto functionOf = [](const RatioCase& c, int side) {
        return side == 0 ? c.zotrel : c.baseline;
    };

    // Warm-up: one iteration of every side, which also pays for lazy
    // initialisation (symbol binding, first-use objects) outside the counts.
    // A single iteration's time is mostly the case's set-up, so a second
    // warm-up with more iterations gives the time of one iteration as the
    // difference of the two.
    auto warmUp = [&](const SilentCollector* first) {
        for (std::size_t i = 0; i < count; ++i)
            for (int side = 0; side < 2 && !cases[i].unsteadyCount; ++side) {
                const std::string name = std::string(cases[i].name) + "/" + kSides[side];
                long long iterations = 1;
                if (first) {
                    const double seconds = first->Seconds(name);
                    if (seconds < 0)
                        continue;
                    iterations =
                        std::clamp(static_cast<long long>(kWarmUpSeconds / std::max(seconds, 1e-7)),
                                   2LL, 200000LL);
                }
                benchmark::RegisterBenchmark(name.c_str(), functionOf(cases[i], side))
                    ->Iterations(iterations)
                    ->Repetitions(1);
            }
        SilentCollector collector;
        benchmark::RunSpecifiedBenchmarks(&collector);
        benchmark::ClearRegisteredBenchmarks();
        return collector;
    };
    const SilentCollector once = warmUp(nullptr);
    const SilentCollector longer = warmUp(&once);

    for (std::size_t i = 0; i < count; ++i) {
        for (int side = 0; side < 2; ++side) {
            if (cases[i].unsteadyCount)
                continue;
            const std::string name = std::string(cases[i].name) + "/" + kSides[side];
            const double seconds = longer.PerIteration(once, name);
            if (seconds < 0)
                continue;  // filtered out on the command line
            const double wanted = kCountedSeconds / 2 / std::max(seconds, 1e-7);
            const long long n = std::clamp(static_cast<long long>(wanted), 1LL, 200000LL);
            for (long long iterations : {n, 2 * n}) {
                const std::string label = "zotrel-instr " + name + " " + std::to_string(iterations);
                BenchmarkFunction function = functionOf(cases[i], side);
                benchmark::RegisterBenchmark(name.c_str(),
                                             [function, label](benchmark::State& state) {
                                                 CountedRun(function, label, state);
                                             })
                    ->Iterations(iterations)
                    ->Repetitions(1);
            }
        }
    }
    SilentCollector counted;
    benchmark::RunSpecifiedBenchmarks(&counted);
    if (!RUNNING_ON_VALGRIND)
        std::fprintf(stderr,
                     "--zotrel_instructions counts nothing outside valgrind: run under "
                     "valgrind --tool=callgrind --collect-atstart=no\n");
    return 0;
}

}  // namespace

int RunRatioTable(int argc, char** argv, const RatioCase* cases, std::size_t count) {
    std::thread([] {}).join();

    // Defaults that the command line may override: five interleaved
    // repetitions, only their aggregates on the console.
    std::vector<char*> args(argv, argv + argc);
    const RunnerOptions options = TakeRunnerOptions(&args);
    std::string repetitions = "--benchmark_repetitions=5";
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    std::string aggregates = "--benchmark_display_aggregates_only=true";
    if (!HasFlag(argc, argv, "--benchmark_repetitions"))
        args.push_back(repetitions.data());
    if (!HasFlag(argc, argv, "--benchmark_enable_random_interleaving"))
        args.push_back(interleave.data());
    if (!HasFlag(argc, argv, "--benchmark_display_aggregates_only") &&
        !HasFlag(argc, argv, "--benchmark_report_aggregates_only"))
        args.push_back(aggregates.data());
    int argCount = static_cast<int>(args.size());
    args.push_back(nullptr);

    benchmark::Initialize(&argCount, args.data());
    if (benchmark::ReportUnrecognizedArguments(argCount, args.data()))
        return 1;
    if (options.instructions) {
        const int status = CountInstructions(cases, count);
        benchmark::Shutdown();
        return status;
    }

    for (std::size_t i = 0; i < count; ++i) {
        const RatioCase& c = cases[i];
        benchmark::RegisterBenchmark((std::string(c.name) + "/zotrel").c_str(), c.zotrel)
            ->Unit(benchmark::kNanosecond);
        benchmark::RegisterBenchmark((std::string(c.name) + "/baseline").c_str(), c.baseline)
            ->Unit(benchmark::kNanosecond);
    }

    // Colour only on a terminal, unless the command line turns it off.
    const bool color = isatty(fileno(stdout)) && !HasFlag(argc, argv, "--benchmark_color=false");
    MedianCollector reporter(color);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    PrintTable(reporter, cases, count);
    if (!options.resultsFile.empty() &&
        !WriteResults(options.resultsFile, BinaryName(argv[0]), reporter, cases, count))
        return 1;
    return 0;
}

}  // namespace zotrel_bench
