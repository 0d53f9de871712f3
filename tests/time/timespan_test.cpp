// CZtTimeSpan: the time-of-day text form (negative durations included), its
// parser, wrapping arithmetic and ordering.
#include <zotrel/string.h>
#include <zotrel/time.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "time/time_test_util.h"

namespace {

using Varn::CZtString;
using Varn::CZtTimeSpan;
using namespace zotrel_test;

TEST(CZtTimeSpanText, ToTimeString) {
    struct Case {
        const char* name;
        long long ticks;
        const wchar_t* expected;
    } cases[] = {
        {"zero", 0, L"00:00:00.0000000"},
        {"one hour", 36000000000LL, L"01:00:00.0000000"},
        {"one tick", 1, L"00:00:00.0000001"},
        {"last tick of a day", kDay - 1, L"23:59:59.9999999"},
        {"a day and a second prints the time of day", kDay + kSecond, L"00:00:01.0000000"},
        {"minus one tick", -1, L"-00:00:00.0000001"},
        {"minus one hour", -kHour, L"-01:00:00.0000000"},
        {"minus a day and 90 minutes", -(kDay + 90 * kMinute), L"-01:30:00.0000000"},
        {"largest", LLONG_MAX, L"02:48:05.4775807"},
        {"smallest", LLONG_MIN, L"-02:48:05.4775808"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtString out(L"previous");
        CZtTimeSpan(c.ticks).ToTimeString(out);
        EXPECT_EQ(Text(out), c.expected);
    }
}

TEST(CZtTimeSpanText, ParseTime) {
    struct Case {
        const char* name;
        const wchar_t* text;
        long long expected;
    } cases[] = {
        {"hours and minutes", L"01:30", 54000000000LL},
        {"no fraction in 10 characters", L"00:00:01.5", 10000000},
        {"milliseconds", L"00:00:01.250", 12500000},
        {"seven-digit fraction", L"23:59:59.9999999", kDay - 1},
        {"hours only", L"02", 2 * kHour},
        {"negative", L"-01:30", -90 * kMinute},
        {"negative fraction", L"-00:00:00.0000001", -1},
        {"one character", L"7", 0},
        {"sign only", L"-", 0},
        {"sign and one character", L"-7", 0},
        {"empty", L"", 0},
        {"not numbers", L"xx:yy:zz", 0},
        {"hours beyond a day", L"25:00", 25 * kHour},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtTimeSpan span(123);
        span.ParseTime(CZtString(c.text));
        EXPECT_EQ(span.GetTimeSpan(), c.expected);
        // The text constructor and assignment read the same way.
        EXPECT_EQ(CZtTimeSpan(CZtString(c.text)).GetTimeSpan(), c.expected);
        const CZtString text(c.text);
        EXPECT_EQ(CZtTimeSpan(&text).GetTimeSpan(), c.expected);
        CZtTimeSpan assigned(456);
        assigned = CZtString(c.text);
        EXPECT_EQ(assigned.GetTimeSpan(), c.expected);
    }
}

// Every duration within a day, positive or negative, reads back from its text.
TEST(CZtTimeSpanText, TextRoundTripsWithinADay) {
    for (long long ticks = -(kDay - 1); ticks < kDay; ticks += 777777777LL) {
        for (long long nudge : {0LL, 1LL, 9999999LL}) {
            const long long value = ticks + nudge;
            if (value >= kDay)
                continue;
            CZtString text;
            CZtTimeSpan(value).ToTimeString(text);
            ASSERT_EQ(CZtTimeSpan(text).GetTimeSpan(), value) << std::string(text.c_str());
        }
    }
}

TEST(CZtTimeSpanValue, ConstructionAndAssignment) {
    EXPECT_TRUE(CZtTimeSpan().IsEmpty());
    EXPECT_TRUE(CZtTimeSpan(static_cast<const CZtString*>(nullptr)).IsEmpty());
    EXPECT_FALSE(CZtTimeSpan(-1LL).IsEmpty());

    CZtTimeSpan a(5LL);
    CZtTimeSpan b(a);
    a = 7LL;
    EXPECT_EQ(b.GetTimeSpan(), 5);
    b = a;
    EXPECT_EQ(b.GetTimeSpan(), 7);
    CZtTimeSpan& self = b;
    b = self;
    EXPECT_EQ(b.GetTimeSpan(), 7);

    CZtTimeSpan* one = new CZtTimeSpan(3LL);
    EXPECT_EQ(one->GetTimeSpan(), 3);
    delete one;
    CZtTimeSpan* many = new CZtTimeSpan[4];
    EXPECT_TRUE(many[3].IsEmpty());
    delete[] many;
}

TEST(CZtTimeSpanValue, ArithmeticWraps) {
    struct Case {
        const char* name;
        long long a, b, sum, difference;
    } cases[] = {
        {"small", 5, 3, 8, 2},
        {"negative result", 3, 5, 8, -2},
        {"past the top", LLONG_MAX, 1, LLONG_MIN, LLONG_MAX - 1},
        {"past the bottom", LLONG_MIN, -1, LLONG_MAX, LLONG_MIN + 1},
        {"minus the smallest", 0, LLONG_MIN, LLONG_MIN, LLONG_MIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CZtTimeSpan a(c.a), b(c.b);
        EXPECT_EQ((a + b).GetTimeSpan(), c.sum);
        EXPECT_EQ((a - b).GetTimeSpan(), c.difference);
    }
}

TEST(CZtTimeSpanValue, Ordering) {
    struct Case {
        const char* name;
        long long lower, higher;
    } cases[] = {
        {"minus one tick before zero", -1, 0},
        {"smallest before largest", LLONG_MIN, LLONG_MAX},
        {"adjacent", 41, 42},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CZtTimeSpan lower(c.lower), higher(c.higher), same(c.lower);
        EXPECT_TRUE(lower < higher);
        EXPECT_FALSE(higher < lower);
        EXPECT_TRUE(lower <= higher);
        EXPECT_TRUE(lower <= same);
        EXPECT_TRUE(higher > lower);
        EXPECT_FALSE(lower > same);
        EXPECT_TRUE(higher >= lower);
        EXPECT_TRUE(lower >= same);
        EXPECT_TRUE(lower == same);
        EXPECT_FALSE(lower == higher);
        EXPECT_TRUE(lower != higher);
        EXPECT_FALSE(lower != same);
    }
}

}  // namespace
