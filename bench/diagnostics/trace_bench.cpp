// Trace lines beside what they replace: a suppressed line against the same
// loop without it, a written line against snprintf of its text, and a line
// written to a file against one write() of the same finished line.
//
// The process re-runs itself once with ZOTREL_TRACE_FILE set (the output is
// chosen when the first engine opens, which the library does at load), so
// the file case writes through the engine's real file output.
#include <zotrel/string.h>
#include <zotrel/trace.h>

#include "common/ratio.h"
#include "diagnostics/tracing.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using Tracing::TraceMessage;
using Varn::CZtString;

// A little work per round: the loop the trace statement sits in.
inline unsigned int Mix(unsigned int value, unsigned int round) {
    value ^= round;
    value *= 0x9E3779B1u;
    return value ^ (value >> 15);
}

// The library's own suppressed line: one load of the filter word and one
// comparison; the CZtString is never made.
void ZtSuppressedLine(benchmark::State& state) {
    unsigned int value = 1;
    unsigned int round = 0;
    for (auto _ : state) {
        value = Mix(value, ++round);
        ZT_TRACE(Tracing::Severity::SeverityDebug, TraceMessage("value %1 in round %2")
                                                       << CZtString(value) << round);
        benchmark::DoNotOptimize(value);
    }
}

void LoopWithoutTrace(benchmark::State& state) {
    unsigned int value = 1;
    unsigned int round = 0;
    for (auto _ : state) {
        value = Mix(value, ++round);
        benchmark::DoNotOptimize(value);
    }
}

// A client engine whose lines are wanted: debug lines pass its filter.
struct BenchEngine {
    trace_engine_object engine{};
    BenchEngine() {
        trace_engine_create("Bench", "ZotrelBench", 0, 0, 1, &engine.handle, &engine);
        trace_control_set("ZotrelBench", "debug");
    }
    ~BenchEngine() { trace_engine_destroy(engine.handle); }
};

BenchEngine& Engine() {
    static BenchEngine engine;
    return engine;
}

void CountingSink(void* context, const char* line, size_t length) {
    *static_cast<size_t*>(context) += length + static_cast<unsigned char>(line[0]);
}

const wchar_t kPumpWide[] = L"P7 north";
const char kPumpNarrow[] = "P7 north";

// A line with a text, an int and a double, to the in-process sink.
void ZtLineToSink(benchmark::State& state) {
    size_t received = 0;
    trace_engine_handle handle = Engine().engine.handle;
    trace_control_set_sink(&CountingSink, &received);
    int round = 0;
    for (auto _ : state) {
        Tracing::Write(handle, Tracing::Severity::SeverityDebug,
                       TraceMessage("pump %1 round %2 reads %3") << kPumpWide << ++round << 3.25);
    }
    trace_control_set_sink(nullptr, nullptr);
    benchmark::DoNotOptimize(received);
}

void SnprintfLine(benchmark::State& state) {
    char buffer[256];
    int round = 0;
    for (auto _ : state) {
        const int n = std::snprintf(buffer, sizeof buffer, "pump %s round %d reads %.15g",
                                    kPumpNarrow, ++round, 3.25);
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(buffer);
    }
}

// Both file cases append to the same file; it is cut back now and then
// (outside the timed part) so that a long run does not fill the disk.
constexpr int kLinesBeforeTruncate = 20000;

void TruncateNow(benchmark::State& state) {
    state.PauseTiming();
    // A failure only lets the file grow; it does not change what is measured.
    static_cast<void>(!truncate(std::getenv("ZOTREL_TRACE_FILE"), 0));
    state.ResumeTiming();
}

void ZtLineToFile(benchmark::State& state) {
    trace_engine_handle handle = Engine().engine.handle;
    int round = 0;
    for (auto _ : state) {
        Tracing::Write(handle, Tracing::Severity::SeverityDebug,
                       TraceMessage("pump %1 round %2 reads %3") << kPumpWide << ++round << 3.25);
        if (round % kLinesBeforeTruncate == 0)
            TruncateNow(state);
    }
}

void WriteRenderedLine(benchmark::State& state) {
    const int fd =
        open(std::getenv("ZOTREL_TRACE_FILE"), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    const std::string line =
        "2026-12-09T03:40:24.123456Z 4711 ZotrelBench/Bench DEBUG pump P7 north round 123456 "
        "reads 3.25\n";
    int round = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(write(fd, line.data(), line.size()));
        if (++round % kLinesBeforeTruncate == 0)
            TruncateNow(state);
    }
    close(fd);
}

const zotrel_bench::RatioCase kCases[] = {
    {"suppressed_line_in_loop", ZtSuppressedLine, LoopWithoutTrace,
     "the same loop without the trace statement", 1.5},
    {"line_3_params_to_sink", ZtLineToSink, SnprintfLine, "snprintf of the same text", 1.5},
    {"line_3_params_to_file", ZtLineToFile, WriteRenderedLine,
     "one write() of the same rendered line", 1.3},
};

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("ZOTREL_TRACE_FILE")) {
        const std::string path = "/tmp/zotrel_trace_bench." + std::to_string(getpid()) + ".log";
        setenv("ZOTREL_TRACE_FILE", path.c_str(), 1);
        unsetenv("ZOTREL_TRACE");  // the library's own lines stay suppressed
        execv("/proc/self/exe", argv);
        std::perror("execv");
        return 1;
    }
    const int status = zotrel_bench::RunRatioTable(argc, argv, kCases);
    std::remove(std::getenv("ZOTREL_TRACE_FILE"));
    return status;
}
