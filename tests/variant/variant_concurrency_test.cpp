// Variants on many threads: copies of one variant share the text, bytes and
// map bodies of the value they hold, so every copy, conversion and release
// on one thread changes a count that the other threads use at the same time.
// A count that goes wrong shows as a wrong value here, as a use after free
// or a leak under AddressSanitizer, or as a race under ThreadSanitizer.
#include <zotrel/blob.h>
#include <zotrel/map.h>
#include <zotrel/string.h>
#include <zotrel/variant.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/latch.h"

namespace Varn {
namespace {

constexpr int kThreads = 4;
constexpr int kRounds = 3000;

std::wstring WideOf(const CZtString& text) {
    const wchar_t* wide = text.w_str();
    return wide ? std::wstring(wide) : std::wstring();
}

TEST(VariantThreads, CopiesAndConversionsOfOneStringVariant) {
    const CZtVariant shared(L"Pump station 7");
    const std::vector<int> failures = zotrel_test::RunTogether(kThreads, [&](int t) {
        int failed = 0;
        for (int i = 0; i < kRounds; ++i) {
            CZtVariant copy(shared);
            if (WideOf(CZtString(copy)) != L"Pump station 7")
                ++failed;
            CZtVariant bytes;
            if (ZtVariantChangeType(&bytes, &copy, 0, ZT_VT_BLOB) != ZT_S_OK ||
                CZtBlob(bytes).Length() != 28)
                ++failed;
            // A private number text next to the shared one.
            const CZtVariant number(t * kRounds + i);
            CZtVariant text;
            if (ZtVariantChangeType(&text, &number, 0, ZT_VT_STRING) != ZT_S_OK ||
                WideOf(CZtString(text)) != std::to_wstring(t * kRounds + i))
                ++failed;
            copy = text;  // the shared text is let go while others still read it
        }
        return failed;
    });
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(failures[t], 0) << "thread " << t;
    EXPECT_EQ(WideOf(CZtString(shared)), L"Pump station 7");
}

TEST(VariantThreads, CopiesOfOneMapVariantChangeIndependently) {
    CZtMap levels;
    levels.Add(L"Pump", CZtVariant(3));
    levels.Add(L"Valve", CZtVariant(L"open"));
    const CZtVariant shared(levels);
    const std::vector<int> failures = zotrel_test::RunTogether(kThreads, [&](int t) {
        int failed = 0;
        for (int i = 0; i < kRounds; ++i) {
            CZtMap mine(shared);  // shares the entries with every thread
            if (mine.Count() != 2 || mine[L"Pump"].data.i4Val != 3)
                ++failed;
            mine.Add(L"Thread", CZtVariant(t));  // copy on write: private entries
            if (mine.Count() != 3 || mine[L"Thread"].data.i4Val != t)
                ++failed;
            CZtVariant back(mine);
            if (CZtMap(back).Count() != 3)
                ++failed;
        }
        return failed;
    });
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(failures[t], 0) << "thread " << t;
    const CZtMap after(shared);
    EXPECT_EQ(after.Count(), 2);
    EXPECT_FALSE(after.Contains(L"Thread"));
    EXPECT_TRUE(after == levels);
}

}  // namespace
}  // namespace Varn
