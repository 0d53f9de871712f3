#include "common/ratio.h"

#include <unistd.h>

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

void PrintTable(const MedianCollector& medians, const RatioCase* cases, std::size_t count) {
    std::printf(
        "\nMedian CPU time per iteration (ratio = zotrel / qt; below 1: Zotrel is faster)\n");
    std::printf("%-24s, %10s, %10s, %7s, %s\n", "case", "zotrel ns", "qt ns", "ratio", "baseline");
    for (std::size_t i = 0; i < count; ++i) {
        const RatioCase& c = cases[i];
        const double zotrel = medians.Median(std::string(c.name) + "/zotrel");
        const double baseline = medians.Median(std::string(c.name) + "/baseline");
        if (zotrel < 0 || baseline < 0)
            continue;  // filtered out on the command line
        std::printf("%-24s, %10.2f, %10.2f, %7.2f, %s", c.name, zotrel, baseline,
                    baseline > 0 ? zotrel / baseline : 0.0, c.baselineName);
        if (c.goalNs > 0)
            std::printf(" [goal: zotrel <= %g ns: %s]", c.goalNs,
                        zotrel <= c.goalNs ? "met" : "MISSED");
        std::printf("\n");
    }
}

}  // namespace

int RunRatioTable(int argc, char** argv, const RatioCase* cases, std::size_t count) {
    std::thread([] {}).join();

    // Defaults that the command line may override: five interleaved
    // repetitions, only their aggregates on the console.
    std::vector<char*> args(argv, argv + argc);
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
    return 0;
}

}  // namespace zotrel_bench
