// The engine's C interface: filter rules, flags, control, sink and lines.
#include <zotrel/traceengine.h>

#include "platform/sharedmemory.h"
#include "published.h"
#include "support/trace_capture.h"

#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

namespace {

using Tracing::TraceMessage;

// A client engine of the test's own, closed again after each test.
class TraceEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(trace_engine_create("Unit", "EngineTest", 0, 0, 1, &m_handle, &m_engine), 0);
        ASSERT_NE(m_handle, nullptr);
        ASSERT_EQ(m_engine.handle, m_handle);
    }
    void TearDown() override { trace_engine_destroy(m_handle); }

    unsigned int Word() const { return __atomic_load_n(m_engine.filter, __ATOMIC_RELAXED); }
    int Write(unsigned int level, const char* text) {
        return Tracing::Write(m_handle, level, TraceMessage(text));
    }

    trace_engine_object m_engine{};
    trace_engine_handle m_handle = nullptr;
    zotrel_test::TraceCapture m_capture;
};

TEST_F(TraceEngineTest, SeverityFilterLetsThroughLinesUpToIt) {
    // Severity of the filter x severity of the line: written when 1 <= line <= filter.
    for (unsigned int filter = 0; filter <= 7; ++filter) {
        ASSERT_EQ(trace_control_set("EngineTest", std::to_string(filter).c_str()), 0);
        EXPECT_EQ(Word() & 15u, filter);
        for (unsigned int line = 0; line <= 7; ++line) {
            SCOPED_TRACE(testing::Message() << "filter " << filter << " line " << line);
            m_capture.Clear();
            const bool expected = line >= 1 && line <= filter;
            EXPECT_EQ(Write(line, "x"), expected ? 1 : 0);
            EXPECT_EQ(m_capture.Lines().size(), expected ? 1u : 0u);
        }
    }
}

TEST_F(TraceEngineTest, LineHasTimeThreadComponentLevelAndText) {
    ASSERT_EQ(trace_control_set(nullptr, "call"), 0);
    const char* const levels[] = {"FATAL", "ERROR", "WARNING", "INFO", "VERBOSE", "DEBUG", "CALL"};
    for (unsigned int severity = 1; severity <= 7; ++severity)
        Tracing::Write(m_handle, severity, TraceMessage("pump %1 at %2") << "P7" << 3.25);
    const auto lines = m_capture.Lines();
    ASSERT_EQ(lines.size(), 7u);
    const std::string tid = std::to_string(syscall(SYS_gettid));
    for (unsigned int i = 0; i < 7; ++i) {
        SCOPED_TRACE(lines[i]);
        const std::regex shape("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{6}Z " + tid +
                               " EngineTest/Unit " + levels[i] + " pump P7 at 3\\.25");
        EXPECT_TRUE(std::regex_match(lines[i], shape));
    }
}

TEST_F(TraceEngineTest, FlaggedLinesFollowTheirFlagOnly) {
    const unsigned char cpu = trace_engine_register_flag(m_handle, "CPU", 0);
    const unsigned char mem = trace_engine_register_flag(m_handle, "MEM", 0);
    ASSERT_EQ(cpu, 4);
    ASSERT_EQ(mem, 5);
    EXPECT_EQ(trace_engine_register_flag(m_handle, "CPU", 0), cpu);  // same name, same id
    EXPECT_EQ(trace_level_for_flag(5, cpu), 5u | (1u << 4));

    // Severity 0 does not silence a flagged line, and severity 7 does not let
    // through one whose flag is off.
    ASSERT_EQ(trace_control_set(nullptr, "none,+CPU"), 0);
    EXPECT_EQ(Word(), 1u << 4);
    EXPECT_EQ(Write(trace_level_for_flag(5, cpu), "cpu line"), 1);
    EXPECT_EQ(Write(trace_level_for_flag(5, mem), "mem line"), 0);
    EXPECT_EQ(Write(5, "unflagged"), 0);
    ASSERT_EQ(trace_control_set(nullptr, "call,-CPU"), 0);
    EXPECT_EQ(Write(trace_level_for_flag(1, cpu), "cpu off"), 0);
    EXPECT_EQ(Write(trace_level_for_flag(7, mem), "mem off"), 0);
    EXPECT_EQ(m_capture.Lines().size(), 1u);
    EXPECT_EQ(m_capture.CountEndingWith(" EngineTest/Unit CPU cpu line"), 1);

    // A level word with several flag bits is written when one of them is on.
    ASSERT_EQ(trace_control_set(nullptr, "MEM"), 0);
    EXPECT_EQ(Write(5u | (1u << cpu) | (1u << mem), "either"), 1);
    EXPECT_EQ(m_capture.CountEndingWith(" EngineTest/Unit MEM either"), 1);
}

TEST_F(TraceEngineTest, FlagNamedBeforeRegistrationStartsInThatState) {
    ASSERT_EQ(trace_control_set("enginetest/unit", "+LATE,-EARLY_OFF"), 0);
    EXPECT_EQ(Word(), 0u);  // nothing registered yet
    const unsigned char late = trace_engine_register_flag(m_handle, "LATE", 0);
    const unsigned char off = trace_engine_register_flag(m_handle, "EARLY_OFF", 0);
    const unsigned char plain = trace_engine_register_flag(m_handle, "PLAIN", 0);
    EXPECT_TRUE(trace_flag_enabled(Word(), late));
    EXPECT_FALSE(trace_flag_enabled(Word(), off));
    EXPECT_FALSE(trace_flag_enabled(Word(), plain));
    // Settled: a later control decides alone.
    ASSERT_EQ(trace_control_set(nullptr, "-LATE"), 0);
    EXPECT_FALSE(trace_flag_enabled(Word(), late));
}

TEST_F(TraceEngineTest, FlagIdsEndAtTheWordsBits) {
    for (unsigned int i = 0; i < 28; ++i) {
        const std::string name = "F" + std::to_string(i);
        EXPECT_EQ(trace_engine_register_flag(m_handle, name.c_str(), 0), 4 + i);
    }
    EXPECT_EQ(trace_engine_register_flag(m_handle, "ONE_TOO_MANY", 0), TRACE_FLAG_NONE);
    EXPECT_EQ(trace_engine_register_flag(m_handle, "F27", 0), 31);
    ASSERT_EQ(trace_control_set(nullptr, "+F27,+ONE_TOO_MANY"), 0);
    EXPECT_EQ(Word(), 1u << 31);
    // Ids outside 4..31 are never enabled and never shifted past the word.
    for (unsigned int id : {0u, 3u, 32u, 33u, 63u, 64u, 200u, 255u}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(trace_flag_enabled(0xFFFFFFFFu, static_cast<unsigned char>(id)));
        EXPECT_EQ(trace_level_for_flag(5, static_cast<unsigned char>(id)), 5u);
    }
    EXPECT_EQ(trace_engine_register_flag(m_handle, std::string(64, 'N').c_str(), 0),
              TRACE_FLAG_NONE);
}

TEST_F(TraceEngineTest, ControlMatchesComponentsAndRefusesMalformedSpecs) {
    struct Case {
        const char* component;
        const char* spec;
        int result;
        unsigned int severityAfter;
    };
    const Case cases[] = {
        {nullptr, "debug", 0, 6},        {"EngineTest", "2", 0, 2},
        {"ENGINETEST", "info", 0, 4},    {"EngineTest/Unit", "warning", 0, 3},
        {"Other", "call", 0, 3},         {"EngineTest/Other", "call", 0, 3},
        {"Engine", "call", 0, 3},        {nullptr, "debug,SeverityLoud", -1, 3},
        {nullptr, "9", -1, 3},           {nullptr, nullptr, -1, 3},
        {nullptr, "SeverityCall", 0, 7}, {nullptr, "", 0, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.component ? c.component : "(all)") << " "
                                        << (c.spec ? c.spec : "(null)"));
        EXPECT_EQ(trace_control_set(c.component, c.spec), c.result);
        EXPECT_EQ(Word() & 15u, c.severityAfter);
    }
}

TEST_F(TraceEngineTest, PendingFlagsAreBoundedAndAnOverflowChangesNothing) {
    std::string spec = "debug";
    for (int i = 0; i < 28; ++i)
        spec += ",+P" + std::to_string(i);
    ASSERT_EQ(trace_control_set("EngineTest", spec.c_str()), 0);
    EXPECT_EQ(trace_control_set("EngineTest", "call,+P0,-P1"), 0);  // known pending names
    EXPECT_EQ(Word() & 15u, 7u);
    EXPECT_EQ(trace_control_set("EngineTest", "info,+P28"), -1);
    EXPECT_EQ(Word() & 15u, 7u);
    const unsigned char p1 = trace_engine_register_flag(m_handle, "P1", 0);
    EXPECT_FALSE(trace_flag_enabled(Word(), p1));           // the later "-P1" holds
    EXPECT_EQ(trace_control_set("EngineTest", "+P28"), 0);  // registering freed a place
}

TEST_F(TraceEngineTest, LongLinesAreWrittenWhole) {
    ASSERT_EQ(trace_control_set(nullptr, "info"), 0);
    const std::string format = std::string(700, 'f') + " %1 " + std::string(300, 'g');
    const std::wstring text(5000, L'\u00E9');  // two bytes each in the line
    for (int round = 0; round < 2; ++round) {  // the second reuses the grown storage
        Tracing::Write(m_handle, 4, TraceMessage(format.c_str()) << text.c_str());
        Write(4, "short after long");
    }
    const auto lines = m_capture.Lines();
    ASSERT_EQ(lines.size(), 4u);
    std::string expected = std::string(700, 'f') + " ";
    for (int i = 0; i < 5000; ++i)
        expected += "\xC3\xA9";
    expected += " " + std::string(300, 'g');
    EXPECT_EQ(m_capture.CountEndingWith(" EngineTest/Unit INFO " + expected), 2);
    EXPECT_EQ(m_capture.CountEndingWith(" EngineTest/Unit INFO short after long"), 2);
}

TEST_F(TraceEngineTest, BadArgumentsWriteNothingAndDoNotCrash) {
    ASSERT_EQ(trace_control_set(nullptr, "call"), 0);
    EXPECT_EQ(trace_engine_write(nullptr, 0, 0, 1, "x", 0, 0, 0, nullptr), 0);
    EXPECT_EQ(trace_engine_write(m_handle, 0, 0, 1, nullptr, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(trace_engine_write(m_handle, 0, 0, 1, "count %1 no slots", 0, 0, 3, nullptr), 1);
    EXPECT_EQ(m_capture.CountEndingWith(" FATAL count %1 no slots"), 1);
    EXPECT_EQ(trace_engine_register_flag(nullptr, "X", 0), TRACE_FLAG_NONE);
    EXPECT_EQ(trace_engine_register_flag(m_handle, nullptr, 0), TRACE_FLAG_NONE);
    EXPECT_EQ(trace_engine_register_flag(m_handle, "", 0), TRACE_FLAG_NONE);
    trace_engine_destroy(nullptr);
    trace_param_init(nullptr, TRACE_PARAM_INT32, nullptr);
    trace_param_clear(nullptr, 3);
    trace_free(nullptr);

    trace_engine_object engine{};
    trace_engine_handle handle = reinterpret_cast<trace_engine_handle>(&engine);
    EXPECT_EQ(trace_engine_create(nullptr, "C", 0, 0, 1, &handle, &engine), -1);
    EXPECT_EQ(handle, nullptr);
    ASSERT_NE(engine.filter, nullptr);
    EXPECT_EQ(*engine.filter, 0u);
    EXPECT_EQ(trace_engine_create("S", "C", 0, 0, 1, nullptr, &engine), -1);
}

TEST_F(TraceEngineTest, SinkReplacesTheOutputUntilRemoved) {
    ASSERT_EQ(trace_control_set(nullptr, "info"), 0);
    Write(4, "to the first capture");
    {
        zotrel_test::TraceCapture inner;  // replaces the fixture's sink
        Write(4, "to the inner capture");
        EXPECT_EQ(inner.Lines().size(), 1u);
    }
    // Removing the inner sink restored the default output, not the fixture's.
    Write(4, "to standard error");
    EXPECT_EQ(m_capture.Lines().size(), 1u);
    EXPECT_EQ(m_capture.CountEndingWith(" INFO to the first capture"), 1);
}

TEST_F(TraceEngineTest, ClosedEngineLeavesAReadableWord) {
    trace_engine_object engine{};
    trace_engine_handle handle = nullptr;
    ASSERT_EQ(trace_engine_create("Temp", "EngineTest", 0, 0, 1, &handle, &engine), 0);
    ASSERT_EQ(trace_control_set("EngineTest/Temp", "verbose"), 0);
    const unsigned int* word = engine.filter;
    trace_engine_destroy(handle);
    EXPECT_EQ(*word, 5u);                                        // still mapped, last value kept
    EXPECT_EQ(trace_control_set("EngineTest/Temp", "call"), 0);  // matches no open engine
    EXPECT_EQ(*word, 5u);
}

TEST_F(TraceEngineTest, LinesBeyond64KiBAreWrittenWholeAndSoIsTheNext) {
    ASSERT_EQ(trace_control_set(nullptr, "info"), 0);
    const std::string huge(70000, 'h');
    EXPECT_EQ(Tracing::Write(m_handle, 4, TraceMessage("%1") << huge.c_str()), 1);
    EXPECT_EQ(Write(4, "after the huge line"), 1);
    EXPECT_EQ(m_capture.CountEndingWith(" EngineTest/Unit INFO " + huge), 1);
    EXPECT_EQ(m_capture.CountEndingWith(" EngineTest/Unit INFO after the huge line"), 1);
}

// A sink that writes a line of its own while it receives one: the inner line
// is built in storage of its own, so both arrive whole.
struct ReentrantSink {
    trace_engine_handle handle = nullptr;
    std::vector<std::string> lines;
    static void Receive(void* context, const char* line, size_t length) {
        auto* self = static_cast<ReentrantSink*>(context);
        self->lines.emplace_back(line, length);
        if (self->lines.size() == 1)
            Tracing::Write(self->handle, 4, TraceMessage("from inside the sink %1") << 7);
    }
};

TEST_F(TraceEngineTest, ALineWrittenFromTheSinkArrivesWhole) {
    ASSERT_EQ(trace_control_set(nullptr, "info"), 0);
    ReentrantSink sink;
    sink.handle = m_handle;
    trace_control_set_sink(&ReentrantSink::Receive, &sink);
    Write(4, "outer line");
    trace_control_set_sink(nullptr, nullptr);
    ASSERT_EQ(sink.lines.size(), 2u);
    const std::string outer = " EngineTest/Unit INFO outer line";
    const std::string inner = " EngineTest/Unit INFO from inside the sink 7";
    EXPECT_EQ(sink.lines[0].substr(sink.lines[0].size() - outer.size()), outer);
    EXPECT_EQ(sink.lines[1].substr(sink.lines[1].size() - inner.size()), inner);
}

// ZOTREL_TRACE is read by every engine that opens: a malformed value is
// reported once per process and ignored, so the engine starts as it would
// without it.
TEST_F(TraceEngineTest, MalformedEnvironmentIsReportedOnceAndIgnored) {
    trace_engine_object engines[3] = {};
    trace_engine_handle handles[3] = {};
    ASSERT_EQ(setenv("ZOTREL_TRACE", "debug,SeverityLoud", 1), 0);
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(trace_engine_create("Bad", "EnvTest", 0, 0, 1, &handles[i], &engines[i]), 0);
    ASSERT_EQ(unsetenv("ZOTREL_TRACE"), 0);
    ASSERT_EQ(trace_engine_create("None", "EnvTest", 0, 0, 1, &handles[2], &engines[2]), 0);
    EXPECT_EQ(m_capture.CountEndingWith("zotrel-trace: ZOTREL_TRACE is malformed and was ignored"),
              1);
    EXPECT_EQ(*engines[0].filter, *engines[2].filter);
    EXPECT_EQ(*engines[1].filter, *engines[2].filter);
    for (trace_engine_handle handle : handles)
        trace_engine_destroy(handle);
}

// More engines than the published object has room for: the rest live in this
// process's own memory and follow control all the same.
TEST_F(TraceEngineTest, EnginesBeyondThePublishedRoomStillFollowControl) {
    constexpr int kEngines = 40;
    std::vector<trace_engine_object> engines(kEngines);
    std::vector<trace_engine_handle> handles(kEngines);
    for (int i = 0; i < kEngines; ++i) {
        const std::string sub = "E" + std::to_string(i);
        ASSERT_EQ(trace_engine_create(sub.c_str(), "ManyTest", 0, 0, 1, &handles[i], &engines[i]),
                  0);
    }
    ASSERT_EQ(trace_control_set("ManyTest", "verbose"), 0);
    for (int i = 0; i < kEngines; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(*engines[i].filter & 15u, 5u);
    }
    EXPECT_EQ(Tracing::Write(handles[kEngines - 1], 5, TraceMessage("last")), 1);
    EXPECT_EQ(m_capture.CountEndingWith(" ManyTest/E39 VERBOSE last"), 1);
    for (trace_engine_handle handle : handles)
        trace_engine_destroy(handle);
}

// An object under this process's own id, left by an earlier process that had
// the id, is replaced by this process's controls when its first engine opens,
// and goes when its last engine closes. (No engine is open in this test until
// it makes one.)
TEST(TracePublication, AnObjectLeftUnderThisProcessIdIsReplaced) {
    using Varn::platform::SharedMemory;
    using Varn::platform::SharedMemoryResult;
    const std::string name = Varn::trace::ObjectName(geteuid(), getpid());
    SharedMemory::Remove(name);
    {
        SharedMemory leftover;
        ASSERT_EQ(leftover.Create(name, 16), SharedMemoryResult::Ok);  // too small for controls
    }
    trace_engine_object engine{};
    trace_engine_handle handle = nullptr;
    ASSERT_EQ(trace_engine_create("Left", "PublishTest", 0, 0, 1, &handle, &engine), 0);
    SharedMemory published;
    EXPECT_EQ(published.Open(name, sizeof(Varn::trace::PublishedProcess)), SharedMemoryResult::Ok);
    trace_engine_destroy(handle);
    EXPECT_EQ(SharedMemory::Owner(name), -1);
}

}  // namespace
