// CZtSystemStatus, the usage lines and the readers of the system's figures
// beneath them: the lines as captured through the trace sink (prefix,
// counters, flags), the readings of a live system (CPU time that grows while
// the test burns CPU), parsers fed malformed texts, and first use and the
// largest system memory use under threads.
#include <zotrel/systemstatus.h>

#include <zotrel/chromid.h>
#include <zotrel/trace.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "diagnostics/systemstatusimpl.h"
#include "platform/systemfigures.h"
#include "support/latch.h"
#include "support/trace_capture.h"

using Varn::CZtCHROMID;
using Varn::CZtString;
using Varn::CZtSystemStatus;
using Varn::ZtTraceCPUUsage;
using Varn::ZtTraceRAMUsage;
namespace detail = Varn::detail;
namespace platform = Varn::platform;

namespace {

constexpr const char* kCpuLevel = " Zotrel/ZtCore NFR_CPU ";
constexpr const char* kMemLevel = " Zotrel/ZtCore NFR_MEM ";

/// The texts of the captured lines at `level`, each without what precedes
/// the text (time stamp, thread id, component and level).
std::vector<std::string> TextsAt(const zotrel_test::TraceCapture& capture, const char* level) {
    std::vector<std::string> texts;
    for (const std::string& line : capture.Lines()) {
        const std::size_t at = line.find(level);
        if (at != std::string::npos)
            texts.push_back(line.substr(at + std::strlen(level)));
    }
    return texts;
}

/// The line number at the start of a usage line's text.
int LineNumber(const std::string& text) {
    return std::atoi(text.substr(0, 12).c_str());
}

std::string Prefix(int number, const char* idField) {
    char head[16];
    std::snprintf(head, sizeof head, "%12d:", number);
    return std::string(head) + idField;
}

// Usage lines: every test starts and ends with the library's severity 0 and
// both usage flags off.
class UsageLineTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() { ASSERT_EQ(trace_control_set("Zotrel", "0,-NFR_MEM,-NFR_CPU"), 0); }

    zotrel_test::TraceCapture m_capture;
};

// Runs first in the file: the process writes its first usage lines here.
TEST_F(UsageLineTest, FirstLinesAreNumberOne) {
    const CZtCHROMID id(L"A");
    ASSERT_EQ(trace_control_set("Zotrel", "+NFR_CPU,+NFR_MEM"), 0);
    ZtTraceCPUUsage(&id, "boot");
    ZtTraceRAMUsage(&id, "boot");
    const std::vector<std::string> cpu = TextsAt(m_capture, kCpuLevel);
    const std::vector<std::string> mem = TextsAt(m_capture, kMemLevel);
    ASSERT_EQ(cpu.size(), 1u);
    ASSERT_EQ(mem.size(), 1u);
    // Eleven blanks, "1", ":", the identifier right-aligned in three.
    EXPECT_EQ(cpu[0].rfind("           1:  A:boot:SysIdle=", 0), 0u) << cpu[0];
    EXPECT_EQ(mem[0].rfind("           1:  A:boot:ProcUsed=", 0), 0u) << mem[0];
}

TEST_F(UsageLineTest, CpuLineFigures) {
    ASSERT_EQ(trace_control_set("Zotrel", "+NFR_CPU"), 0);
    const CZtCHROMID id(1, 2, 3, 4, 5, 6);
    ZtTraceCPUUsage(&id, "pump start");
    const std::vector<std::string> texts = TextsAt(m_capture, kCpuLevel);
    ASSERT_EQ(texts.size(), 1u);
    const std::string& text = texts[0];
    EXPECT_EQ(text.rfind(Prefix(LineNumber(text), "1.2.3.4.5.6:pump start:SysIdle="), 0), 0u)
        << text;
    double idle = -1, kernel = -1, user = -1, processKernel = -1, processUser = -1;
    ASSERT_EQ(std::sscanf(text.c_str() + text.find("SysIdle="),
                          "SysIdle=%lf SysKernel=%lf SysUser=%lf ProcKernel=%lf ProcUser=%lf",
                          &idle, &kernel, &user, &processKernel, &processUser),
              5)
        << text;
    EXPECT_GT(idle, 0.0);
    EXPECT_GE(kernel, idle);  // kernel time includes the idle time
    EXPECT_GT(user, 0.0);
    EXPECT_GE(processKernel, 0.0);
    EXPECT_GE(processUser, 0.0);
}

TEST_F(UsageLineTest, MemoryLineFigures) {
    ASSERT_EQ(trace_control_set("Zotrel", "+NFR_MEM"), 0);
    const CZtCHROMID id(L"Tank");
    ZtTraceRAMUsage(&id, "fill");
    const std::vector<std::string> texts = TextsAt(m_capture, kMemLevel);
    ASSERT_EQ(texts.size(), 1u);
    const std::string& text = texts[0];
    EXPECT_EQ(text.rfind(Prefix(LineNumber(text), "Tank:fill:ProcUsed="), 0), 0u) << text;
    unsigned int used = 0, peak = 0;
    unsigned long long systemUsed = 0, systemMax = 0;
    ASSERT_EQ(std::sscanf(text.c_str() + text.find("ProcUsed="),
                          "ProcUsed=%u ProcMaxUsed=%u SysUsed=%llu SysMaxUsed=%llu", &used, &peak,
                          &systemUsed, &systemMax),
              4)
        << text;
    EXPECT_GT(used, 0u);
    EXPECT_GE(peak, used);
    EXPECT_GT(systemUsed, 0u);
    EXPECT_GE(systemMax, systemUsed);
    EXPECT_EQ(used % 1024, 0u);  // the system counts in kB
}

// The identifier's text is right-aligned in three characters, never cut.
TEST_F(UsageLineTest, IdentifierField) {
    ASSERT_EQ(trace_control_set("Zotrel", "+NFR_CPU"), 0);
    struct Case {
        const char* name;
        std::unique_ptr<CZtCHROMID> id;  // null: no identifier
        const char* field;
    };
    Case cases[] = {
        {"one character", std::make_unique<CZtCHROMID>(L"A"), "  A"},
        {"two", std::make_unique<CZtCHROMID>(L"AB"), " AB"},
        {"three", std::make_unique<CZtCHROMID>(L"ABC"), "ABC"},
        {"five", std::make_unique<CZtCHROMID>(L"ABCDE"), "ABCDE"},
        {"numeric", std::make_unique<CZtCHROMID>(10, 0, 0, 0, 0, 1), "10.0.0.0.0.1"},
        {"Latin-1", std::make_unique<CZtCHROMID>(L"\u00e4"), "  \xc3\xa4"},
        {"no identifier", nullptr, "   "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_capture.Clear();
        ZtTraceCPUUsage(c.id.get(), "x");
        const std::vector<std::string> texts = TextsAt(m_capture, kCpuLevel);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].rfind(Prefix(LineNumber(texts[0]), c.field) + ":x:SysIdle=", 0), 0u)
            << texts[0];
    }
}

TEST(UsageLinePrefixTest, NumberAndIdentifierFields) {
    const CZtCHROMID a(L"A");
    const CZtCHROMID empty(L"");
    struct Case {
        const char* name;
        int number;
        const Varn::tagZTCHROMID* id;
        const char* expected;
    };
    const Case cases[] = {
        {"first", 1, &a, "           1:  A"},
        {"twelve digits wide", 123456789, &a, "   123456789:  A"},
        {"largest", INT_MAX, &a, "  2147483647:  A"},
        {"wrapped", INT_MIN, &a, " -2147483648:  A"},
        {"empty identifier", 7, &empty, "           7:   "},
        {"no identifier", 7, nullptr, "           7:   "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(detail::UsageLinePrefix(c.number, c.id), c.expected);
    }
}

// With its flag off a function writes nothing and does not count; each
// function has a counter of its own.
TEST_F(UsageLineTest, DisabledFlagWritesNothingAndDoesNotCount) {
    const CZtCHROMID id(L"A");
    ASSERT_EQ(trace_control_set("Zotrel", "+NFR_CPU,+NFR_MEM"), 0);
    ZtTraceCPUUsage(&id, "before");
    ZtTraceRAMUsage(&id, "before");
    std::vector<std::string> cpu = TextsAt(m_capture, kCpuLevel);
    std::vector<std::string> mem = TextsAt(m_capture, kMemLevel);
    ASSERT_EQ(cpu.size(), 1u);
    ASSERT_EQ(mem.size(), 1u);
    const int cpuNumber = LineNumber(cpu[0]);
    const int memNumber = LineNumber(mem[0]);

    // Everything on but the flag of each function in turn.
    m_capture.Clear();
    ASSERT_EQ(trace_control_set("Zotrel", "call,-NFR_CPU,+NFR_MEM"), 0);
    ZtTraceCPUUsage(&id, "off");
    ZtTraceCPUUsage(&id, "off");
    ZtTraceRAMUsage(&id, "on");
    ASSERT_EQ(trace_control_set("Zotrel", "call,+NFR_CPU,-NFR_MEM"), 0);
    ZtTraceRAMUsage(&id, "off");
    // A null text writes nothing either, flag or no flag.
    ZtTraceCPUUsage(&id, nullptr);
    ASSERT_EQ(trace_control_set("Zotrel", "+NFR_MEM"), 0);
    ZtTraceRAMUsage(&id, nullptr);
    EXPECT_TRUE(TextsAt(m_capture, kCpuLevel).empty());
    mem = TextsAt(m_capture, kMemLevel);
    ASSERT_EQ(mem.size(), 1u);
    EXPECT_EQ(LineNumber(mem[0]), memNumber + 1);

    // The next lines carry the next numbers: nothing above was counted.
    m_capture.Clear();
    ZtTraceCPUUsage(&id, "after");
    ZtTraceRAMUsage(&id, "after");
    cpu = TextsAt(m_capture, kCpuLevel);
    mem = TextsAt(m_capture, kMemLevel);
    ASSERT_EQ(cpu.size(), 1u);
    ASSERT_EQ(mem.size(), 1u);
    EXPECT_EQ(cpu[0].rfind(Prefix(cpuNumber + 1, "  A:after:"), 0), 0u) << cpu[0];
    EXPECT_EQ(mem[0].rfind(Prefix(memNumber + 2, "  A:after:"), 0), 0u) << mem[0];
    // No line of any other kind was written meanwhile.
    EXPECT_EQ(m_capture.Lines().size(), 2u);
}

// The library's severity does not matter to a flagged line.
TEST_F(UsageLineTest, SeverityZeroKeepsFlaggedLines) {
    const CZtCHROMID id(L"A");
    ASSERT_EQ(trace_control_set("Zotrel", "0,+NFR_MEM,+NFR_CPU"), 0);
    ZtTraceCPUUsage(&id, "quiet");
    ZtTraceRAMUsage(&id, "quiet");
    EXPECT_EQ(TextsAt(m_capture, kCpuLevel).size(), 1u);
    EXPECT_EQ(TextsAt(m_capture, kMemLevel).size(), 1u);
}

// Eight threads write lines at once: every number is handed out once.
TEST_F(UsageLineTest, ConcurrentLinesHaveDistinctNumbers) {
    constexpr int kThreads = 8;
    constexpr int kLines = 40;
    const CZtCHROMID id(L"T");
    ASSERT_EQ(trace_control_set("Zotrel", "+NFR_CPU,+NFR_MEM"), 0);
    const std::vector<int> failures = zotrel_test::RunTogether(kThreads, [&](int t) {
        for (int i = 0; i < kLines; ++i) {
            if (t % 2)
                ZtTraceCPUUsage(&id, "threads");
            else
                ZtTraceRAMUsage(&id, "threads");
        }
        return 0;
    });
    for (int f : failures)
        EXPECT_EQ(f, 0);
    for (const char* level : {kCpuLevel, kMemLevel}) {
        SCOPED_TRACE(level);
        std::vector<int> numbers;
        for (const std::string& text : TextsAt(m_capture, level))
            numbers.push_back(LineNumber(text));
        ASSERT_EQ(numbers.size(), static_cast<std::size_t>(kThreads / 2 * kLines));
        std::sort(numbers.begin(), numbers.end());
        for (std::size_t i = 1; i < numbers.size(); ++i)
            EXPECT_EQ(numbers[i], numbers[0] + static_cast<int>(i));
    }
}

// ---------------------------------------------------------------------------
// CZtSystemStatus on the live system

TEST(SystemStatusTest, InstanceIsMadeOnceFromAnyThread) {
    constexpr int kThreads = 8;
    std::vector<const CZtSystemStatus*> seen(kThreads, nullptr);
    const std::vector<int> failures = zotrel_test::RunTogether(kThreads, [&](int t) {
        seen[t] = &CZtSystemStatus::GetInstance();
        return 0;
    });
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(failures[t], 0);
        EXPECT_EQ(seen[t], seen[0]);
    }
    EXPECT_EQ(&CZtSystemStatus::GetInstance(), seen[0]);
}

TEST(SystemStatusTest, OutParametersMayBeNull) {
    const CZtSystemStatus& status = CZtSystemStatus::GetInstance();
    EXPECT_GT(status.GetUsedMemory(), 0u);
    EXPECT_GT(status.GetUsedSystemMemory(), 0u);
    EXPECT_TRUE(status.GetSystemCpuTimes());
    EXPECT_TRUE(status.GetSystemCpuTimes(nullptr, nullptr, nullptr));
    EXPECT_TRUE(status.GetProcessCpuTimes());
    double user = -1;
    EXPECT_TRUE(status.GetProcessCpuTimes(nullptr, &user));
    EXPECT_GE(user, 0.0);
    // The maximum was raised even though nobody asked for it.
    unsigned long long maximum = 0;
    status.GetUsedSystemMemory(&maximum);
    EXPECT_GT(maximum, 0u);
}

// Touching 64 MiB raises the resident set; after it is freed the peak still
// shows it.
TEST(SystemStatusTest, ProcessMemoryFollowsTouchedPages) {
    constexpr std::size_t kBytes = 64u << 20;
    CZtSystemStatus status;
    unsigned int peakBefore = 0;
    const unsigned int before = status.GetUsedMemory(&peakBefore);
    ASSERT_GT(before, 0u);
    EXPECT_GE(peakBefore, before);
    {
        std::unique_ptr<char[]> block(new char[kBytes]);
        volatile char* pages = block.get();  // the writes must happen
        const long page = sysconf(_SC_PAGESIZE);
        for (std::size_t i = 0; i < kBytes; i += static_cast<std::size_t>(page))
            pages[i] = 1;
        const unsigned int during = status.GetUsedMemory();
        EXPECT_GE(static_cast<unsigned long long>(during),
                  static_cast<unsigned long long>(before) + kBytes / 2);
    }
    // The kernel syncs its per-thread page counts lazily, so the peak may lag
    // the resident set read earlier by a little; the block shows all the same.
    unsigned int peakAfter = 0;
    status.GetUsedMemory(&peakAfter);
    EXPECT_GE(static_cast<unsigned long long>(peakAfter),
              static_cast<unsigned long long>(before) + kBytes / 2);
}

TEST(SystemStatusTest, SystemMemoryMaximumNeverFalls) {
    CZtSystemStatus status;
    unsigned long long maximum = 0;
    const unsigned long long first = status.GetUsedSystemMemory(&maximum);
    ASSERT_GT(first, 0u);
    EXPECT_EQ(maximum, first);  // a fresh object has seen only this reading
    unsigned long long previous = maximum;
    for (int i = 0; i < 20; ++i) {
        const unsigned long long used = status.GetUsedSystemMemory(&maximum);
        EXPECT_GE(maximum, used);
        EXPECT_GE(maximum, previous);
        previous = maximum;
    }
    // Copies carry the maximum.
    CZtSystemStatus copy(status);
    unsigned long long copied = 0;
    copy.GetUsedSystemMemory(&copied);
    EXPECT_GE(copied, previous);
    CZtSystemStatus assigned;
    assigned = status;
    assigned.GetUsedSystemMemory(&copied);
    EXPECT_GE(copied, previous);
}

// Burning CPU advances the process's times and the system's busy times.
TEST(SystemStatusTest, CpuTimesGrowWhileBurning) {
    const CZtSystemStatus& status = CZtSystemStatus::GetInstance();
    double kernel0 = 0, user0 = 0, sysIdle0 = 0, sysKernel0 = 0, sysUser0 = 0;
    ASSERT_TRUE(status.GetProcessCpuTimes(&kernel0, &user0));
    ASSERT_TRUE(status.GetSystemCpuTimes(&sysIdle0, &sysKernel0, &sysUser0));
    EXPECT_GE(sysKernel0, sysIdle0);

    constexpr double kBurn = 0.2;  // seconds of CPU
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    volatile unsigned long long sink = 0;
    double kernel1 = kernel0, user1 = user0;
    while (kernel1 + user1 - kernel0 - user0 < kBurn &&
           std::chrono::steady_clock::now() < deadline) {
        for (int i = 0; i < 1000000; ++i)
            sink = sink * 31 + static_cast<unsigned long long>(i);
        ASSERT_TRUE(status.GetProcessCpuTimes(&kernel1, &user1));
    }
    EXPECT_GE(kernel1 + user1 - kernel0 - user0, kBurn);
    EXPECT_GT(user1, user0);
    double sysIdle1 = 0, sysKernel1 = 0, sysUser1 = 0;
    ASSERT_TRUE(status.GetSystemCpuTimes(&sysIdle1, &sysKernel1, &sysUser1));
    EXPECT_GE(sysIdle1, sysIdle0);
    // The system counts in coarse ticks; most of the burn shows as busy time.
    EXPECT_GE((sysKernel1 - sysIdle1) + sysUser1 - (sysKernel0 - sysIdle0) - sysUser0, kBurn / 2);
}

// Eight threads read the system memory through one object: each sees its
// maximum never fall, and no reading is lost from the final maximum.
TEST(SystemStatusConcurrencyTest, MaximumLosesNoUpdate) {
    constexpr int kThreads = 8;
    constexpr int kReads = 200;
    CZtSystemStatus status;
    std::vector<unsigned long long> largestRead(kThreads, 0);
    const std::vector<int> failures = zotrel_test::RunTogether(kThreads, [&](int t) {
        int failed = 0;
        unsigned long long previous = 0;
        for (int i = 0; i < kReads; ++i) {
            unsigned long long maximum = 0;
            const unsigned long long used = status.GetUsedSystemMemory(&maximum);
            failed += maximum < used || maximum < previous;
            previous = maximum;
            largestRead[t] = std::max(largestRead[t], used);
        }
        return failed;
    });
    unsigned long long final = 0;
    status.GetUsedSystemMemory(&final);
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(failures[t], 0) << "thread " << t;
        EXPECT_GE(final, largestRead[t]) << "thread " << t;
    }
}

// ---------------------------------------------------------------------------
// The largest value: raised atomically, never lowered

TEST(RaiseMaximumTest, Rule) {
    struct Case {
        const char* name;
        unsigned long long maximum;
        unsigned long long value;
        unsigned long long expected;
    };
    const Case cases[] = {
        {"from zero", 0, 5, 5},
        {"higher", 5, 6, 6},
        {"equal", 5, 5, 5},
        {"fallen", 5, 3, 5},
        {"fallen to zero", 5, 0, 5},
        {"zero stays", 0, 0, 0},
        {"largest stays", ULLONG_MAX, 1, ULLONG_MAX},
        {"to largest", 1, ULLONG_MAX, ULLONG_MAX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        unsigned long long maximum = c.maximum;
        EXPECT_EQ(detail::RaiseMaximum(&maximum, c.value), c.expected);
        EXPECT_EQ(maximum, c.expected);
    }
}

TEST(RaiseMaximumTest, ConcurrentRaisesLoseNothing) {
    constexpr int kThreads = 8;
    constexpr int kValues = 20000;
    unsigned long long maximum = 0;
    const std::vector<int> failures = zotrel_test::RunTogether(kThreads, [&](int t) {
        int failed = 0;
        unsigned long long previous = 0;
        for (int i = 0; i < kValues; ++i) {
            // Interleaved, rising and falling values; thread 0 owns the largest.
            const unsigned long long value =
                static_cast<unsigned long long>(i % 2 ? i * kThreads + t : (kValues - i) * t);
            const unsigned long long now = detail::RaiseMaximum(&maximum, value);
            failed += now < value || now < previous;
            previous = now;
        }
        return failed;
    });
    for (int f : failures)
        EXPECT_EQ(f, 0);
    unsigned long long expected = 0;
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kValues; ++i) {
            expected = std::max(expected, static_cast<unsigned long long>(
                                              i % 2 ? i * kThreads + t : (kValues - i) * t));
        }
    }
    EXPECT_EQ(maximum, expected);
}

// ---------------------------------------------------------------------------
// The parsers and readers of the system's texts

TEST(SystemFiguresTest, ParseSystemCpuTimes) {
    struct Case {
        const char* name;
        const char* text;
        long perSecond;
        bool ok;
        unsigned long long idle, kernel, user;  // 100-ns ticks
    };
    const Case cases[] = {
        // idle = idle + iowait; kernel = system + irq + softirq + idle;
        // user = user + nice; steal and guest times are not counted.
        {"full line", "cpu  100 20 30 400 50 6 7 8 9 10\ncpu0 1 1 1 1\n", 100, true, 45000000,
         49300000, 12000000},
        {"four counts", "cpu 1 2 3 4\n", 100, true, 400000, 700000, 300000},
        {"no line end", "cpu 1 2 3 4", 100, true, 400000, 700000, 300000},
        {"tabs", "cpu\t1\t2\t3\t4\n", 100, true, 400000, 700000, 300000},
        {"other tick rate", "cpu 250 0 0 125\n", 250, true, 5000000, 5000000, 10000000},
        {"uneven tick rate", "cpu 1 0 0 0\n", 3, true, 0, 0, 3333333},
        {"three counts", "cpu 1 2 3\n", 100, false, 0, 0, 0},
        {"name only", "cpu\n", 100, false, 0, 0, 0},
        {"one processor only", "cpu0 1 2 3 4\n", 100, false, 0, 0, 0},
        {"not the first line", "intr 1\ncpu 1 2 3 4\n", 100, false, 0, 0, 0},
        {"letters", "cpu 1 2 x 4\n", 100, false, 0, 0, 0},
        {"negative", "cpu -1 2 3 4\n", 100, false, 0, 0, 0},
        {"glued suffix", "cpu 1 2 3 4x\n", 100, false, 0, 0, 0},
        {"trailing word", "cpu 1 2 3 4 five\n", 100, false, 0, 0, 0},
        {"beyond 64 bits", "cpu 18446744073709551616 0 0 0\n", 100, false, 0, 0, 0},
        {"ticks beyond 64 bits", "cpu 18446744073709551615 0 0 0\n", 100, false, 0, 0, 0},
        {"sum beyond 64 bits", "cpu 1 18446744073709551615 0 0\n", 1, false, 0, 0, 0},
        {"no tick rate", "cpu 1 2 3 4\n", 0, false, 0, 0, 0},
        {"empty", "", 100, false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::SystemCpuTimes times;
        times.idle = times.kernel = times.user = 99;
        EXPECT_EQ(platform::ParseSystemCpuTimes(c.text, std::strlen(c.text), c.perSecond, times),
                  c.ok);
        EXPECT_EQ(times.idle, c.idle);
        EXPECT_EQ(times.kernel, c.kernel);
        EXPECT_EQ(times.user, c.user);
    }
    platform::SystemCpuTimes times;
    EXPECT_FALSE(platform::ParseSystemCpuTimes(nullptr, 10, 100, times));
}

TEST(SystemFiguresTest, ParseSystemMemoryUsed) {
    struct Case {
        const char* name;
        const char* text;
        bool ok;
        unsigned long long used;
    };
    const Case cases[] = {
        {"usual", "MemTotal:       1000 kB\nMemFree:   100 kB\nMemAvailable:    250 kB\n", true,
         750 * 1024},
        {"other order", "MemAvailable: 1 kB\nMemTotal: 3 kB", true, 2048},
        {"all available", "MemTotal: 5 kB\nMemAvailable: 5 kB\n", true, 0},
        {"no available", "MemTotal: 1000 kB\nMemFree: 100 kB\n", false, 0},
        {"no total", "MemAvailable: 100 kB\n", false, 0},
        {"more available than total", "MemTotal: 100 kB\nMemAvailable: 101 kB\n", false, 0},
        {"no unit", "MemTotal: 1000\nMemAvailable: 250\n", false, 0},
        {"other unit", "MemTotal: 1000 MB\nMemAvailable: 250 MB\n", false, 0},
        {"letters", "MemTotal: 1O00 kB\nMemAvailable: 250 kB\n", false, 0},
        {"key inside a line", "XMemTotal: 1000 kB\nMemAvailable: 250 kB\n", false, 0},
        {"bytes beyond 64 bits", "MemTotal: 18014398509481984 kB\nMemAvailable: 0 kB\n", false, 0},
        {"empty", "", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        unsigned long long used = 99;
        EXPECT_EQ(platform::ParseSystemMemoryUsed(c.text, std::strlen(c.text), used), c.ok);
        EXPECT_EQ(used, c.used);
    }
}

TEST(SystemFiguresTest, ParseProcessMemory) {
    struct Case {
        const char* name;
        const char* text;
        bool ok;
        unsigned long long resident, peak;
    };
    const Case cases[] = {
        {"usual", "Name:\tpump\nVmHWM:\t    2048 kB\nVmRSS:\t    1024 kB\nThreads: 3\n", true,
         1024 * 1024, 2048 * 1024},
        {"no peak", "VmRSS:\t1 kB\n", false, 1024, 0},
        {"no resident set", "VmHWM:\t1 kB\n", false, 0, 1024},
        {"letters", "VmRSS:\t1a kB\nVmHWM:\t2 kB\n", false, 0, 2048},
        {"kernel thread", "Name:\tkthreadd\nState:\tS\n", false, 0, 0},
        {"empty", "", false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::ProcessMemory memory;
        memory.resident = memory.peakResident = 99;
        EXPECT_EQ(platform::ParseProcessMemory(c.text, std::strlen(c.text), memory), c.ok);
        EXPECT_EQ(memory.resident, c.resident);
        EXPECT_EQ(memory.peakResident, c.peak);
    }
}

// Readers given a file of the test's own: missing and malformed files give
// 0 and false; a long file is read up to its figures.
class SystemFiguresFileTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const std::string& path : m_paths)
            std::remove(path.c_str());
    }
    std::string File(const std::string& content) {
        const std::string path = ::testing::TempDir() + "zotrel_figures_" +
                                 std::to_string(getpid()) + "_" + std::to_string(m_paths.size());
        std::ofstream(path, std::ios::binary) << content;
        m_paths.push_back(path);
        return path;
    }

    std::vector<std::string> m_paths;
};

TEST_F(SystemFiguresFileTest, MissingAndMalformedFiles) {
    const std::string missing = ::testing::TempDir() + "zotrel_figures_missing";
    const std::string garbage = File("\x01\x02 not a figure\n");
    for (const std::string& path : {missing, garbage}) {
        SCOPED_TRACE(path);
        platform::SystemCpuTimes times;
        times.user = 1;
        EXPECT_FALSE(platform::ReadSystemCpuTimes(times, path.c_str()));
        EXPECT_EQ(times.idle + times.kernel + times.user, 0u);
        unsigned long long used = 1;
        EXPECT_FALSE(platform::ReadSystemMemoryUsed(used, path.c_str()));
        EXPECT_EQ(used, 0u);
        platform::ProcessMemory memory;
        memory.resident = 1;
        EXPECT_FALSE(platform::ReadProcessMemory(memory, path.c_str()));
        EXPECT_EQ(memory.resident + memory.peakResident, 0u);
    }
    unsigned long long used = 1;
    EXPECT_FALSE(platform::ReadSystemMemoryUsed(used, nullptr));
    EXPECT_FALSE(platform::ReadSystemMemoryUsed(used, ::testing::TempDir().c_str()));  // a folder
}

TEST_F(SystemFiguresFileTest, LongFiles) {
    const std::string filler(100, 'x');
    std::string meminfo = "MemTotal: 10 kB\nMemAvailable: 4 kB\n";
    std::string late;
    for (int i = 0; i < 400; ++i)
        late += "Filler" + std::to_string(i) + ": " + filler + "\n";
    unsigned long long used = 0;
    EXPECT_TRUE(platform::ReadSystemMemoryUsed(used, File(meminfo + late).c_str()));
    EXPECT_EQ(used, 6u * 1024);
    // A figure far beyond the first lines is not looked for, and no figure is
    // read from half a line.
    EXPECT_FALSE(platform::ReadSystemMemoryUsed(used, File(late + meminfo).c_str()));
    EXPECT_EQ(used, 0u);
}

TEST(SystemFiguresTest, LiveSystem) {
    platform::SystemCpuTimes system;
    ASSERT_TRUE(platform::ReadSystemCpuTimes(system));
    EXPECT_GT(system.idle, 0u);
    EXPECT_GE(system.kernel, system.idle);
    unsigned long long used = 0;
    ASSERT_TRUE(platform::ReadSystemMemoryUsed(used));
    EXPECT_GT(used, 0u);
    platform::ProcessMemory memory;
    ASSERT_TRUE(platform::ReadProcessMemory(memory));
    EXPECT_GT(memory.resident, 0u);
    EXPECT_GE(memory.peakResident, memory.resident);
    platform::ProcessCpuTimes process;
    ASSERT_TRUE(platform::ReadProcessCpuTimes(process));
    EXPECT_GT(process.user + process.kernel, 0u);
}

}  // namespace
