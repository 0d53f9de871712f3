// Lines written while other threads change the filter word and the sink.
#include <zotrel/traceengine.h>

#include "support/latch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

struct CountingSink {
    std::atomic<int> lines{0};
    std::atomic<int> malformed{0};
    static void Receive(void* context, const char* line, size_t length) {
        auto* self = static_cast<CountingSink*>(context);
        const std::string text(line, length);
        if (text.find(" Race/Sink ") == std::string::npos || text.back() == '\n')
            self->malformed.fetch_add(1);
        self->lines.fetch_add(1);
    }
};

TEST(TraceEngineConcurrency, WritersRaceControlAndSinkChanges) {
    trace_engine_object engine{};
    trace_engine_handle handle = nullptr;
    ASSERT_EQ(trace_engine_create("Sink", "Race", 0, 0, 1, &handle, &engine), 0);
    const unsigned char flag = trace_engine_register_flag(handle, "RACE", 0);
    CountingSink first;
    CountingSink second;
    trace_control_set_sink(&CountingSink::Receive, &first);
    constexpr int kWriters = 4;
    constexpr int kRounds = 2000;
    ASSERT_EQ(trace_control_set("Race", "debug"), 0);
    std::atomic<int> written{0};
    const std::vector<int> failures = zotrel_test::RunTogether(kWriters + 2, [&](int index) {
        int failed = 0;
        for (int i = 0; i < kRounds; ++i) {
            if (index < kWriters) {
                written += Tracing::Write(handle, i % 2 ? 6u : trace_level_for_flag(5, flag),
                                          Tracing::TraceMessage("writer %1 line %2 %3")
                                              << index << i << 0.5);
            } else if (index == kWriters) {
                failed += trace_control_set("Race", i % 2 ? "debug,-RACE" : "none,+RACE") != 0;
            } else {
                // When the call returns, the sink it replaced is no longer running.
                trace_control_set_sink(&CountingSink::Receive, i % 2 ? &first : &second);
            }
        }
        return failed;
    });
    trace_control_set_sink(nullptr, nullptr);
    trace_control_set(nullptr, "none,-RACE");
    for (int failed : failures)
        EXPECT_EQ(failed, 0);
    // Every line written reached exactly one of the sinks, whole.
    EXPECT_GT(written.load(), 0);
    EXPECT_EQ(first.lines + second.lines, written.load());
    EXPECT_EQ(first.malformed + second.malformed, 0);
    trace_engine_destroy(handle);
}

}  // namespace
