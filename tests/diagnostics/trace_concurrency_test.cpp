// The library's severity changes while another party (a thread here, the
// zotrel-trace tool in real life) flips flag bits of the same word.
#include "diagnostics/tracing.h"

#include <zotrel/trace.h>

#include <gtest/gtest.h>

#include <vector>

#include "support/latch.h"

using Varn::CZtTraceInitializer;
namespace detail = Varn::detail;

namespace {

TEST(DiagnosticsConcurrencyTest, SeverityChangesNeverLoseAFlagChange) {
    ASSERT_EQ(trace_control_set("Zotrel", "0"), 0);
    unsigned int* word = detail::g_TraceEngine.filter;
    // A bit no flag of the library uses, toggled an even number of times:
    // it ends where it started unless a severity change wrote back a stale word.
    const unsigned int bit = 1u << 30;
    const unsigned int before = __atomic_load_n(word, __ATOMIC_RELAXED) & bit;
    constexpr int kRounds = 200000;

    const std::vector<int> failures = zotrel_test::RunTogether(2, [&](int thread) {
        if (thread == 0) {
            for (int i = 0; i < kRounds; ++i)
                CZtTraceInitializer::SetZotrelSeverity(
                    static_cast<Tracing::Severity::Type>(i % 7 + 1));
            CZtTraceInitializer::SetZotrelSeverity(Tracing::Severity::SeverityVerbose);
        } else {
            for (int i = 0; i < kRounds; ++i)
                __atomic_fetch_xor(word, bit, __ATOMIC_RELAXED);
        }
        return 0;
    });
    EXPECT_EQ(failures, std::vector<int>(2, 0));
    EXPECT_EQ(__atomic_load_n(word, __ATOMIC_RELAXED) & bit, before);
    EXPECT_EQ(CZtTraceInitializer::GetZotrelSeverity(), Tracing::Severity::SeverityVerbose);
    CZtTraceInitializer::SetZotrelSeverity(Tracing::Severity::SeverityNone);
}

}  // namespace
