// Contexts and usage lines beside their nearest Qt or standard-library
// equivalents:
//  - a context value lookup beside a QMap<QString, QVariant> lookup under a
//    recursive QMutex;
//  - a memory or CPU usage line written to an in-process sink, and the same
//    figures read without writing a line, each beside reading those figures
//    with std::ifstream; the second case's time over the first's is the
//    share of a line that is spent reading the system's texts;
//  - a usage line whose flag is off, beside one relaxed atomic load.
#include <zotrel/chromid.h>
#include <zotrel/context.h>
#include <zotrel/systemstatus.h>
#include <zotrel/traceengine.h>

#include <sys/resource.h>

#include <QMap>
#include <QMutex>
#include <QString>
#include <QVariant>

#include <atomic>
#include <condition_variable>
#include <cwchar>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/ratio.h"

namespace {

using Varn::CZtContext;
using Varn::CZtGUID;
using Varn::CZtString;
using Varn::CZtVariant;

constexpr int kKeys = 100;
constexpr int kOtherContexts = 8;

std::wstring KeyName(int i) {
    wchar_t name[16];
    swprintf(name, 16, L"Setting%03d", i);
    return name;
}

// ---------------------------------------------------------------------------
// A value of an existing key among 100, read back with its type.

void ZtContextGet(benchmark::State& state) {
    std::vector<CZtGUID> others;
    for (int i = 0; i < kOtherContexts; ++i) {
        others.push_back(CZtGUID::CreateGUID());
        CZtContext::InitializeContext(others.back());
    }
    const CZtGUID id = CZtGUID::CreateGUID();
    CZtContext::InitializeContext(id);
    std::vector<CZtString> keys;
    for (int i = 0; i < kKeys; ++i) {
        keys.emplace_back(KeyName(i).c_str());
        CZtContext::SetContextValue(id, keys.back(), CZtVariant(i));
    }
    CZtVariant out;
    int i = 0;
    for (auto _ : state) {
        CZtContext::GetContextValue(id, keys[i], out);
        benchmark::DoNotOptimize(out);
        i = i == kKeys - 1 ? 0 : i + 1;
    }
    CZtContext::DeleteContext(id);
    for (const CZtGUID& other : others)
        CZtContext::DeleteContext(other);
}

void QtMapGet(benchmark::State& state) {
    QMutex mutex(QMutex::Recursive);
    QMap<QString, QVariant> values;
    std::vector<QString> keys;
    for (int i = 0; i < kKeys; ++i) {
        keys.push_back(QString::fromStdWString(KeyName(i)));
        values.insert(keys.back(), QVariant(i));
    }
    QVariant out;
    int i = 0;
    for (auto _ : state) {
        {
            QMutexLocker lock(&mutex);
            const auto it = values.constFind(keys[i]);
            if (it != values.constEnd())
                out = *it;
        }
        benchmark::DoNotOptimize(out);
        i = i == kKeys - 1 ? 0 : i + 1;
    }
}

// ---------------------------------------------------------------------------
// Usage lines

void DiscardLine(void*, const char*, size_t) {}

/// Switches the library's usage flags for one benchmark.
class UsageFlags {
public:
    explicit UsageFlags(const char* control) { trace_control_set("Zotrel", control); }
    ~UsageFlags() { trace_control_set("Zotrel", "-NFR_MEM,-NFR_CPU"); }
};

// The figures as a program reads them with the standard library: each file
// opened as a stream and searched line by line.
unsigned long long StreamKilobytes(const char* path, const std::string& key) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, key.size(), key) == 0)
            return std::stoull(line.substr(key.size())) * 1024;
    }
    return 0;
}

void StreamMemoryFigures(benchmark::State& state) {
    for (auto _ : state) {
        unsigned long long rss = StreamKilobytes("/proc/self/status", "VmRSS:");
        unsigned long long hwm = StreamKilobytes("/proc/self/status", "VmHWM:");
        unsigned long long total = StreamKilobytes("/proc/meminfo", "MemTotal:");
        unsigned long long available = StreamKilobytes("/proc/meminfo", "MemAvailable:");
        benchmark::DoNotOptimize(rss);
        benchmark::DoNotOptimize(hwm);
        benchmark::DoNotOptimize(total - available);
    }
}

void StreamCpuFigures(benchmark::State& state) {
    for (auto _ : state) {
        std::ifstream in("/proc/stat");
        std::string name;
        unsigned long long counts[7] = {};
        in >> name;
        for (unsigned long long& count : counts)
            in >> count;
        struct rusage usage;
        getrusage(RUSAGE_SELF, &usage);
        benchmark::DoNotOptimize(counts);
        benchmark::DoNotOptimize(usage);
    }
}

void ZtMemoryLine(benchmark::State& state) {
    const UsageFlags flags("+NFR_MEM");
    const Varn::CZtCHROMID id(1, 2, 3, 4, 5, 6);
    for (auto _ : state)
        Varn::ZtTraceRAMUsage(&id, "bench");
}

void ZtMemoryFigures(benchmark::State& state) {
    const Varn::CZtSystemStatus& status = Varn::CZtSystemStatus::GetInstance();
    for (auto _ : state) {
        unsigned int peak = 0;
        unsigned long long maximum = 0;
        benchmark::DoNotOptimize(status.GetUsedMemory(&peak));
        benchmark::DoNotOptimize(status.GetUsedSystemMemory(&maximum));
    }
}

void ZtCpuLine(benchmark::State& state) {
    const UsageFlags flags("+NFR_CPU");
    const Varn::CZtCHROMID id(1, 2, 3, 4, 5, 6);
    for (auto _ : state)
        Varn::ZtTraceCPUUsage(&id, "bench");
}

void ZtCpuFigures(benchmark::State& state) {
    const Varn::CZtSystemStatus& status = Varn::CZtSystemStatus::GetInstance();
    for (auto _ : state) {
        double idle = 0, kernel = 0, user = 0, processKernel = 0, processUser = 0;
        benchmark::DoNotOptimize(status.GetSystemCpuTimes(&idle, &kernel, &user));
        benchmark::DoNotOptimize(status.GetProcessCpuTimes(&processKernel, &processUser));
    }
}

void ZtMemoryLineOff(benchmark::State& state) {
    const UsageFlags flags("-NFR_MEM");
    const Varn::CZtCHROMID id(1, 2, 3, 4, 5, 6);
    for (auto _ : state)
        Varn::ZtTraceRAMUsage(&id, "bench");
}

std::atomic<unsigned int> g_word{0};

void AtomicLoadTest(benchmark::State& state) {
    for (auto _ : state) {
        if (g_word.load(std::memory_order_relaxed) & 0x40u)
            benchmark::ClobberMemory();
    }
}

const zotrel_bench::RatioCase kCases[] = {
    {"context_get_of_100", ZtContextGet, QtMapGet,
     "QMap<QString, QVariant> lookup under a recursive QMutex", 1.5},
    {"memory_line", ZtMemoryLine, StreamMemoryFigures,
     "the same four figures read with std::ifstream, no line", 0},
    {"memory_figures_only", ZtMemoryFigures, StreamMemoryFigures,
     "the same four figures read with std::ifstream", 0},
    {"cpu_line", ZtCpuLine, StreamCpuFigures,
     "/proc/stat read with std::ifstream + getrusage, no line", 0},
    {"cpu_figures_only", ZtCpuFigures, StreamCpuFigures,
     "/proc/stat read with std::ifstream + getrusage", 0},
    {"memory_line_flag_off", ZtMemoryLineOff, AtomicLoadTest, "one relaxed atomic load and a test",
     0},
};

}  // namespace

int main(int argc, char** argv) {
    // Lines go to a sink that drops them: the cost measured is the library's
    // and the engine's, not a terminal's.
    trace_control_set_sink(DiscardLine, nullptr);
    // RunRatioTable makes the process multi-threaded before it measures, so
    // the C library takes its real locking paths on both sides.
    const int status = zotrel_bench::RunRatioTable(argc, argv, kCases);
    trace_control_set_sink(nullptr, nullptr);
    return status;
}
