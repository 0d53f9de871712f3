// CZtTraceInitializer and the stream operators, through the shared library.
// Lines are written through a client engine of the test's own and captured
// by the engine's sink.
#include <zotrel/trace.h>

#include <gtest/gtest.h>

#include <string>

#include "support/trace_capture.h"

using Varn::CZtCHROMID;
using Varn::CZtString;
using Varn::CZtTraceInitializer;

namespace {

CZtString Detached() {
    return CZtString(static_cast<const CZtString*>(nullptr));
}

// Runs first in the file: nothing in this process has named a project yet.
TEST(DiagnosticsInitializerTest, ProjectNameIsABlankUntilInitialized) {
    EXPECT_STREQ(CZtTraceInitializer::GetProjectName(), " ");
    CZtTraceInitializer::Uninitialize();
    EXPECT_STREQ(CZtTraceInitializer::GetProjectName(), " ");

    CZtTraceInitializer::Initialize(CZtString(L""));
    EXPECT_STREQ(CZtTraceInitializer::GetProjectName(), "");
    CZtTraceInitializer::Initialize(CZtString(L"Plant 7"));
    EXPECT_STREQ(CZtTraceInitializer::GetProjectName(), "Plant 7");
    // Uninitialize keeps the name.
    CZtTraceInitializer::Uninitialize();
    EXPECT_STREQ(CZtTraceInitializer::GetProjectName(), "Plant 7");
    // A detached name reads as an empty text, never as null.
    CZtTraceInitializer::Initialize(Detached());
    const char* name = CZtTraceInitializer::GetProjectName();
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, "");
}

TEST(DiagnosticsInitializerTest, StringToSeverity) {
    struct Case {
        const char* name;
        const wchar_t* text;
        int expected;
    };
    const Case cases[] = {
        {"empty", L"", 4},
        {"default", L"SeverityDefault", 4},
        {"none", L"SeverityNone", 0},
        {"fatal", L"SeverityFatal", 1},
        {"warning", L"SeverityWarning", 3},
        {"info", L"SeverityInfo", 4},
        {"verbose", L"SeverityVerbose", 5},
        {"debug", L"SeverityDebug", 6},
        {"call", L"SeverityCall", 7},
        {"debug lower case", L"severitydebug", 6},
        {"call upper case", L"SEVERITYCALL", 7},
        {"error has no name", L"SeverityError", 4},
        {"short name", L"debug", 4},
        {"trailing blank", L"SeverityDebug ", 4},
        {"digit", L"6", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CZtTraceInitializer::StringToSeverity(CZtString(c.text)), c.expected);
    }
    // No text at all (a detached string) is the one way to get 2.
    EXPECT_EQ(CZtTraceInitializer::StringToSeverity(Detached()), 2);
}

TEST(DiagnosticsInitializerTest, TraceSeverityByName) {
    EXPECT_EQ(CZtTraceInitializer::GetTraceSeverity(CZtString(L"NeverSet")), 0);

    CZtTraceInitializer::SetTraceSeverity(CZtString(L"Pumps"), Tracing::Severity::SeverityDebug);
    CZtTraceInitializer::SetTraceSeverity(CZtString(L"Valves"), Tracing::Severity::SeverityFatal);
    EXPECT_EQ(CZtTraceInitializer::GetTraceSeverity(CZtString(L"Pumps")), 6);
    EXPECT_EQ(CZtTraceInitializer::GetTraceSeverity(CZtString(L"Valves")), 1);
    // Names are compared exactly.
    EXPECT_EQ(CZtTraceInitializer::GetTraceSeverity(CZtString(L"pumps")), 0);

    // Setting again replaces; setting None keeps the name with 0.
    CZtTraceInitializer::SetTraceSeverity(CZtString(L"Pumps"), Tracing::Severity::SeverityCall);
    EXPECT_EQ(CZtTraceInitializer::GetTraceSeverity(CZtString(L"Pumps")), 7);
    CZtTraceInitializer::SetTraceSeverity(CZtString(L"Pumps"), Tracing::Severity::SeverityNone);
    EXPECT_EQ(CZtTraceInitializer::GetTraceSeverity(CZtString(L"Pumps")), 0);
    EXPECT_EQ(CZtTraceInitializer::GetTraceSeverity(CZtString(L"Valves")), 1);
}

// The getter reads the live word, which the control call (and the tool) change.
TEST(DiagnosticsInitializerTest, ZotrelSeverityReadsWhatTheControlCallSets) {
    ASSERT_EQ(trace_control_set("Zotrel", "debug"), 0);
    EXPECT_EQ(CZtTraceInitializer::GetZotrelSeverity(), 6);
    CZtTraceInitializer::SetZotrelSeverity(Tracing::Severity::SeverityWarning);
    EXPECT_EQ(CZtTraceInitializer::GetZotrelSeverity(), 3);
    CZtTraceInitializer::SetZotrelSeverity(Tracing::Severity::SeverityNone);
    EXPECT_EQ(CZtTraceInitializer::GetZotrelSeverity(), 0);
}

// A client module's own engine, component "ZotrelTests", with severity debug.
class DiagnosticsOperatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(trace_engine_create("Ops", "ZotrelTests", 0, 0, 1, &m_engine.handle, &m_engine),
                  0);
        ASSERT_EQ(trace_control_set("ZotrelTests", "debug"), 0);
    }
    void TearDown() override {
        trace_engine_destroy(m_engine.handle);
        m_engine.handle = nullptr;
    }
    int Write(const Tracing::TraceMessage& message) {
        return Tracing::Write(m_engine.handle, Tracing::Severity::SeverityDebug, message);
    }

    static constexpr const char* kPrefix = " ZotrelTests/Ops DEBUG ";
    trace_engine_object m_engine = {nullptr, nullptr};
    zotrel_test::TraceCapture m_capture;
};

TEST_F(DiagnosticsOperatorTest, StringIsWrittenAsWideText) {
    struct Case {
        const char* name;
        CZtString text;
        const char* expected;  // UTF-8
    };
    const Case cases[] = {
        {"ascii", CZtString(L"Pump 7"), "Pump 7"},
        {"latin-1", CZtString(L"Pumpe \u00fc"), "Pumpe \xc3\xbc"},
        {"beyond latin-1", CZtString(L"\u6cf5 \u20ac"), "\xe6\xb3\xb5 \xe2\x82\xac"},
        {"empty", CZtString(L""), ""},
        {"detached", Detached(), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_capture.Clear();
        Tracing::TraceMessage message("<%1>");
        const Tracing::TraceMessage& same = message << c.text;
        EXPECT_EQ(&same, &message);
        EXPECT_EQ(message.Count(), 1);
        ASSERT_EQ(Write(message), 1);
        EXPECT_EQ(m_capture.CountEndingWith(std::string(kPrefix) + "<" + c.expected + ">"), 1);
    }
}

TEST_F(DiagnosticsOperatorTest, ChromidIsWrittenAsItsText) {
    // The identifier's text is a temporary inside the operator; the line is
    // written after it is gone.
    ASSERT_EQ(Write(Tracing::TraceMessage("pump %1 text %2")
                    << CZtCHROMID(1, 20, 3, 4, 5, 6) << CZtCHROMID(L"Pump.Seven")),
              1);
    EXPECT_EQ(m_capture.CountEndingWith(std::string(kPrefix) + "pump 1.20.3.4.5.6 text Pump.Seven"),
              1);
}

TEST_F(DiagnosticsOperatorTest, TenthParameterIsDropped) {
    Tracing::TraceMessage message("%1 %2 %3 %4 %5 %6 %7 %8 %9.");
    for (int i = 1; i <= 10; ++i)
        message << CZtString(L"v") + CZtString(i);
    EXPECT_EQ(message.Count(), 9);
    ASSERT_EQ(Write(message), 1);
    EXPECT_EQ(m_capture.CountEndingWith(std::string(kPrefix) + "v1 v2 v3 v4 v5 v6 v7 v8 v9."), 1);
    for (const std::string& line : m_capture.Lines())
        EXPECT_EQ(line.find("v10"), std::string::npos) << line;
}

}  // namespace
