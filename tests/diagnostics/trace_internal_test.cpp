// The library's own trace lines: the filter rules of the internal macros,
// the flag ids the library registers, and the severity setter's treatment of
// the flag bits. Lines are captured through the engine's sink.
#include "diagnostics/tracing.h"

#include <zotrel/trace.h>

#include <gtest/gtest.h>

#include <string>

#include "support/trace_capture.h"

using Varn::CZtString;
using Varn::CZtTraceInitializer;
namespace detail = Varn::detail;

namespace {

const char* const kLevelNames[8] = {"",     "FATAL",   "ERROR", "WARNING",
                                    "INFO", "VERBOSE", "DEBUG", "CALL"};

// Every test starts and ends with the library's severity 0 and its flags off.
class DiagnosticsLibraryLineTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        CZtTraceInitializer::SetZotrelSeverity(Tracing::Severity::SeverityNone);
        ASSERT_EQ(trace_control_set("Zotrel", "0,-NFR_MEM,-NFR_CPU,-NFR,-PERFORMANCE"), 0);
    }
    static unsigned int Word() { return detail::TraceFilterWord(); }

    zotrel_test::TraceCapture m_capture;
};

int g_evaluations = 0;
int Evaluated(int value) {
    ++g_evaluations;
    return value;
}

TEST_F(DiagnosticsLibraryLineTest, FlagIdsAreDistinctAndStable) {
    const unsigned char ids[] = {detail::g_byTraceFlagNfrMem, detail::g_byTraceFlagNfrCpu,
                                 detail::g_byTraceFlagNfr, detail::g_byTraceFlagPerformance};
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_GE(ids[i], 4);
        EXPECT_LE(ids[i], 31);
        for (size_t j = i + 1; j < 4; ++j)
            EXPECT_NE(ids[i], ids[j]);
    }
    EXPECT_EQ(detail::g_byTraceFlagNfrMemAgain, detail::g_byTraceFlagNfrMem);
    EXPECT_EQ(detail::g_byTraceFlagNfrCpuAgain, detail::g_byTraceFlagNfrCpu);
    EXPECT_EQ(detail::RegisterTraceFlag("NFR_CPU"), detail::g_byTraceFlagNfrCpu);
}

// Every library severity against every line severity: a line is written
// exactly when 1 <= line <= library, at the level its severity names.
TEST_F(DiagnosticsLibraryLineTest, SeverityMatrix) {
    for (int library = 0; library <= 7; ++library) {
        CZtTraceInitializer::SetZotrelSeverity(static_cast<Tracing::Severity::Type>(library));
        for (int line = 0; line <= 7; ++line) {
            SCOPED_TRACE(::testing::Message() << "library " << library << " line " << line);
            m_capture.Clear();
            g_evaluations = 0;
            ZT_TRACE(line, Tracing::TraceMessage("matrix %1") << Evaluated(line));
            const bool written = line >= 1 && line <= library;
            EXPECT_EQ(g_evaluations, written ? 1 : 0);
            EXPECT_EQ(m_capture.Lines().size(), written ? 1u : 0u);
            if (written) {
                EXPECT_EQ(
                    m_capture.CountEndingWith(std::string(" Zotrel/ZtCore ") + kLevelNames[line] +
                                              " matrix " + std::to_string(line)),
                    1);
            }
        }
    }
}

TEST_F(DiagnosticsLibraryLineTest, SuppressedLineEvaluatesNothing) {
    CZtTraceInitializer::SetZotrelSeverity(Tracing::Severity::SeverityInfo);
    g_evaluations = 0;
    ZT_TRACE(Tracing::Severity::SeverityDebug, Tracing::TraceMessage("%1 %2")
                                                   << Evaluated(1) << CZtString(Evaluated(2)));
    ZT_TRACE_FLAG(detail::g_byTraceFlagNfrCpu, Tracing::Severity::SeverityInfo,
                  Tracing::TraceMessage("%1") << Evaluated(3));
    EXPECT_EQ(g_evaluations, 0);

    // The same statements evaluate their arguments once each when written.
    CZtTraceInitializer::SetZotrelSeverity(Tracing::Severity::SeverityDebug);
    ASSERT_EQ(trace_control_set("Zotrel", "+NFR_CPU"), 0);
    ZT_TRACE(Tracing::Severity::SeverityDebug, Tracing::TraceMessage("%1 %2")
                                                   << Evaluated(1) << CZtString(Evaluated(2)));
    ZT_TRACE_FLAG(detail::g_byTraceFlagNfrCpu, Tracing::Severity::SeverityInfo,
                  Tracing::TraceMessage("%1") << Evaluated(3));
    ZT_TRACE(Tracing::Severity::SeverityDebug, Tracing::TraceMessage("no parameters"));
    EXPECT_EQ(g_evaluations, 3);
    EXPECT_EQ(m_capture.CountEndingWith(" Zotrel/ZtCore DEBUG 1 2"), 1);
    EXPECT_EQ(m_capture.CountEndingWith(" Zotrel/ZtCore DEBUG no parameters"), 1);
}

TEST_F(DiagnosticsLibraryLineTest, SeverityNoneSilencesUnflaggedLinesOnly) {
    ASSERT_EQ(trace_control_set("Zotrel", "+NFR_CPU"), 0);
    CZtTraceInitializer::SetZotrelSeverity(Tracing::Severity::SeverityNone);
    for (int line = 1; line <= 7; ++line)
        ZT_TRACE(line, Tracing::TraceMessage("unflagged %1") << line);
    ZT_TRACE_FLAG(detail::g_byTraceFlagNfrCpu, Tracing::Severity::SeverityInfo,
                  Tracing::TraceMessage("cpu %1%") << 42);
    ZT_TRACE_FLAG(detail::g_byTraceFlagNfrMem, Tracing::Severity::SeverityInfo,
                  Tracing::TraceMessage("mem %1") << 1024);
    ASSERT_EQ(m_capture.Lines().size(), 1u);
    EXPECT_EQ(m_capture.CountEndingWith(" Zotrel/ZtCore NFR_CPU cpu 42%"), 1);

    // The flag decides, not the severity: off again, nothing.
    ASSERT_EQ(trace_control_set("Zotrel", "-NFR_CPU,7"), 0);
    ZT_TRACE_FLAG(detail::g_byTraceFlagNfrCpu, Tracing::Severity::SeverityFatal,
                  Tracing::TraceMessage("cpu off"));
    EXPECT_EQ(m_capture.Lines().size(), 1u);
}

TEST_F(DiagnosticsLibraryLineTest, SettingTheSeverityKeepsTheFlagBits) {
    ASSERT_EQ(trace_control_set("Zotrel", "+NFR_CPU,+PERFORMANCE"), 0);
    const unsigned int flags = Word() & ~15u;
    ASSERT_NE(flags & (1u << detail::g_byTraceFlagNfrCpu), 0u);
    ASSERT_NE(flags & (1u << detail::g_byTraceFlagPerformance), 0u);

    struct Case {
        int value;
        unsigned int severityBits;
    };
    const Case cases[] = {{3, 3}, {7, 7}, {0, 0}, {8, 7}, {15, 7}, {-1, 0}, {1 << 20, 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        CZtTraceInitializer::SetZotrelSeverity(static_cast<Tracing::Severity::Type>(c.value));
        EXPECT_EQ(Word() & 15u, c.severityBits);
        EXPECT_EQ(Word() & ~15u, flags);
    }
}

}  // namespace
