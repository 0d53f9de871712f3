// CZtTime: the stamp <-> calendar conversions against an independent calendar,
// the field setters, text layouts and parsers, local time under fixed time
// zones, time_t conversions, and the unique stamps of the global ticker.
#include <zotrel/string.h>
#include <zotrel/time.h>

#include <gtest/gtest.h>

#include <QDate>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/latch.h"
#include "time/time_test_util.h"

namespace {

using Varn::CZtString;
using Varn::CZtTime;
using Varn::CZtTimeException;
using Varn::SZtTime;
using Varn::SZtTimeZoneInformation;
using namespace zotrel_test;

// The expected breakdown of `stamp`, from the reference calendar.
SZtTime Expected(long long stamp) {
    const __int128 days128 =
        (stamp >= 0 ? stamp : static_cast<__int128>(stamp) - (kDay - 1)) / kDay;
    const long long days = static_cast<long long>(days128);
    const long long ticks = static_cast<long long>(static_cast<__int128>(stamp) - days128 * kDay);
    const Civil c = CivilFromDays(days + kDaysTo1601);
    SZtTime t = {};
    t.year = static_cast<short>(c.year);
    t.month = static_cast<signed char>(c.month);
    t.day = static_cast<signed char>(c.day);
    t.dayOfWeek = static_cast<signed char>(WeekdayFromDays(days + kDaysTo1601));
    t.hour = static_cast<signed char>(ticks / kHour);
    t.minute = static_cast<signed char>(ticks % kHour / kMinute);
    t.second = static_cast<signed char>(ticks % kMinute / kSecond);
    t.hundredNanoseconds = static_cast<int>(ticks % kSecond);
    t.milliseconds = static_cast<short>(t.hundredNanoseconds / 10000);
    t.microseconds = static_cast<short>(t.hundredNanoseconds % 10000 / 10);
    return t;
}

void ExpectSame(const SZtTime& actual, const SZtTime& expected) {
    EXPECT_EQ(actual.year, expected.year);
    EXPECT_EQ(actual.month, expected.month);
    EXPECT_EQ(actual.day, expected.day);
    EXPECT_EQ(actual.dayOfWeek, expected.dayOfWeek);
    EXPECT_EQ(actual.hour, expected.hour);
    EXPECT_EQ(actual.minute, expected.minute);
    EXPECT_EQ(actual.second, expected.second);
    EXPECT_EQ(actual.milliseconds, expected.milliseconds);
    EXPECT_EQ(actual.microseconds, expected.microseconds);
    EXPECT_EQ(actual.hundredNanoseconds, expected.hundredNanoseconds);
}

// The fields a CZtTime reports through its getters.
SZtTime FieldsOf(const CZtTime& t) {
    SZtTime f = {};
    f.year = t.GetYear();
    f.month = t.GetMonth();
    f.dayOfWeek = t.GetDayOfWeek();
    f.day = t.GetDay();
    f.hour = t.GetHours();
    f.minute = t.GetMinutes();
    f.second = t.GetSeconds();
    f.milliseconds = t.GetMilliSeconds();
    f.microseconds = t.GetMicroSeconds();
    f.hundredNanoseconds = t.GetHundredNanoSeconds();
    return f;
}

SZtTime Fields(short year, signed char month, signed char day, signed char hour = 0,
               signed char minute = 0, signed char second = 0, int fraction = 0) {
    SZtTime f = {};
    f.year = year;
    f.month = month;
    f.day = day;
    f.hour = hour;
    f.minute = minute;
    f.second = second;
    f.hundredNanoseconds = fraction;
    return f;
}

CZtTime At(long long stamp) {
    CZtTime t;
    t.SetTimeStamp(stamp);
    return t;
}

// Construction and the empty time --------------------------------------------

TEST(CZtTimeConstruction, DefaultIsStampZeroOnAMonday) {
    CZtTime t;
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_EQ(t.GetTimeStamp(), 0);
    SZtTime expected = Fields(1601, 1, 1);
    expected.dayOfWeek = 1;
    ExpectSame(FieldsOf(t), expected);
}

TEST(CZtTimeConstruction, ClearTimeZeroesEveryField) {
    CZtTime t(StampOf(2020, 2, 29, 13, 4, 5, 1234567));
    t.ClearTime();
    EXPECT_TRUE(t.IsEmpty());
    ExpectSame(FieldsOf(t), SZtTime{});
}

TEST(CZtTimeConstruction, NullTextLeavesEverythingZero) {
    CZtTime t(static_cast<const CZtString*>(nullptr));
    EXPECT_TRUE(t.IsEmpty());
    ExpectSame(FieldsOf(t), SZtTime{});
    // A text through a pointer is parsed as the text itself is.
    const CZtString text(L"2021-03-04");
    EXPECT_EQ(CZtTime(&text).GetTimeStamp(), StampOf(2021, 3, 4));
}

TEST(CZtTimeConstruction, CopiesAreDeepAndIndependent) {
    SZtTimeZoneInformation zone = {};
    zone.bias = -60;
    zone.standardName[0] = u'C';
    CZtTime original(StampOf(2021, 6, 1, 12), &zone);
    CZtTime copy(original);
    original.SetTimeStamp(StampOf(1999, 1, 1));
    EXPECT_EQ(copy.GetTimeStamp(), StampOf(2021, 6, 1, 12));
    EXPECT_EQ(copy.GetYear(), 2021);

    CZtTime assigned;
    assigned = copy;
    copy.SetDay(2, true);
    EXPECT_EQ(assigned.GetDay(), 1);
    EXPECT_EQ(copy.GetDay(), 2);

    CZtTime& self = assigned;
    assigned = self;
    EXPECT_EQ(assigned.GetTimeStamp(), StampOf(2021, 6, 1, 12));

    CZtTime fromStamp;
    fromStamp = StampOf(2000, 1, 1);
    EXPECT_EQ(fromStamp.GetYear(), 2000);
    fromStamp = fromStamp.GetTimeStamp();  // reference into the same object
    EXPECT_EQ(fromStamp.GetTimeStamp(), StampOf(2000, 1, 1));
}

TEST(CZtTimeConstruction, HeapObjectsUseTheLibraryAllocator) {
    CZtTime* one = new CZtTime(StampOf(2000, 1, 1), nullptr);
    EXPECT_EQ(one->GetYear(), 2000);
    delete one;
    CZtTime* many = new CZtTime[3];
    EXPECT_TRUE(many[2].IsEmpty());
    delete[] many;
}

// Stamp to calendar and back ---------------------------------------------------

TEST(CZtTimeCalendar, ExactBreakdowns) {
    struct Case {
        const char* name;
        long long stamp;
        SZtTime expected;
        signed char dayOfWeek;
        short milliseconds;
        short microseconds;
    } cases[] = {
        {"epoch of the scale", 0, Fields(1601, 1, 1), 1, 0, 0},
        {"one day", 864000000000LL, Fields(1601, 1, 2), 2, 0, 0},
        {"fraction 1234567", 1234567, Fields(1601, 1, 1, 0, 0, 0, 1234567), 1, 123, 456},
        {"Unix epoch", 116444736000000000LL, Fields(1970, 1, 1), 4, 0, 0},
        {"leap day 2020", StampOf(2020, 2, 29, 13, 4, 5, 1234567),
         Fields(2020, 2, 29, 13, 4, 5, 1234567), 6, 123, 456},
        {"not a leap day in 1900", StampOf(1900, 3, 1), Fields(1900, 3, 1), 4, 0, 0},
        {"leap day 2000", StampOf(2000, 2, 29, 23, 59, 59, 9999999),
         Fields(2000, 2, 29, 23, 59, 59, 9999999), 2, 999, 999},
        {"last tick before 1601", -1, Fields(1600, 12, 31, 23, 59, 59, 9999999), 0, 999, 999},
        {"one day before 1601", -864000000000LL, Fields(1600, 12, 31), 0, 0, 0},
        {"leap day 1600", StampOf(1600, 2, 29, 6), Fields(1600, 2, 29, 6), 2, 0, 0},
        {"largest stamp", LLONG_MAX, Fields(30828, 9, 14, 2, 48, 5, 4775807), 4, 477, 580},
        {"smallest stamp", LLONG_MIN, Fields(-27627, 4, 19, 21, 11, 54, 5224192), 4, 522, 419},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SZtTime expected = c.expected;
        expected.dayOfWeek = c.dayOfWeek;
        expected.milliseconds = c.milliseconds;
        expected.microseconds = c.microseconds;
        ExpectSame(Expected(c.stamp), expected);  // the reference agrees
        SZtTime out;
        CZtTime::ConvertZtTimeStampToZtTime(c.stamp, out);
        ExpectSame(out, expected);
        ExpectSame(FieldsOf(At(c.stamp)), expected);
        if (expected.year > 1600) {
            EXPECT_EQ(CZtTime::ConvertZtTimeToZtTimeStamp(out), c.stamp);
        }
    }
}

// Every day from 1601 to 2400, at a moving time of day, against QDate (date
// and day of week) and the reference calendar (the stamp), both ways.
TEST(CZtTimeCalendar, EveryDayFrom1601To2400) {
    const QDate first(1601, 1, 1);
    const long long dayCount = DaysFromCivil(2401, 1, 1) - kDaysTo1601;
    for (long long n = 0; n < dayCount; ++n) {
        const QDate date = first.addDays(n);
        const long long stamp = n * kDay + (n * 7919 * kSecond + n) % kDay;
        SZtTime out;
        CZtTime::ConvertZtTimeStampToZtTime(stamp, out);
        if (out.year != date.year() || out.month != date.month() || out.day != date.day() ||
            out.dayOfWeek != date.dayOfWeek() % 7) {
            FAIL() << "day " << n << ": " << out.year << "-" << int(out.month) << "-"
                   << int(out.day) << " (" << int(out.dayOfWeek) << "), expected "
                   << date.toString(Qt::ISODate).toStdString();
        }
        if (n == 0 || out.day == 1 || out.day >= 28) {  // month ends and starts in full
            ExpectSame(out, Expected(stamp));
            ASSERT_EQ(CZtTime::ConvertZtTimeToZtTimeStamp(out), stamp) << "day " << n;
        }
        ASSERT_EQ(StampOf(date.year(), date.month(), date.day()), n * kDay);
    }
}

// A dense sample over the whole 64-bit range, before 1601 included.
TEST(CZtTimeCalendar, WholeRangeAgainstReference) {
    // Whole days whose every tick is a valid stamp; the partial days at both
    // ends are covered by the exact cases.
    const long long lastDay = LLONG_MAX / kDay;
    for (long long d = -lastDay; d < lastDay; d += 97) {
        const long long stamp = d * kDay + ((d * 104729) % kDay + kDay) % kDay;
        SZtTime out;
        CZtTime::ConvertZtTimeStampToZtTime(stamp, out);
        const SZtTime expected = Expected(stamp);
        if (std::memcmp(&out, &expected, sizeof(out)) != 0) {
            ExpectSame(out, expected);
            FAIL() << "stamp " << stamp;
        }
        if (out.year > 1600) {
            ASSERT_EQ(CZtTime::ConvertZtTimeToZtTimeStamp(out), stamp);
        }
    }
}

TEST(CZtTimeCalendar, FieldsToStampRules) {
    const long long timeOfDay = 13 * kHour + 4 * kMinute + 5 * kSecond + 7;
    struct Case {
        const char* name;
        SZtTime fields;
        long long expected;
    } cases[] = {
        {"plain date", Fields(2021, 3, 28, 13, 4, 5, 7), StampOf(2021, 3, 28) + timeOfDay},
        {"leap day", Fields(2024, 2, 29), StampOf(2024, 2, 29)},
        {"1 March of a leap year", Fields(2024, 3, 1), StampOf(2024, 3, 1)},
        {"1 March of a century year", Fields(2100, 3, 1), StampOf(2100, 3, 1)},
        {"first countable year", Fields(1601, 1, 1, 1), kHour},
        {"day past the month end runs on", Fields(2021, 2, 31), StampOf(2021, 3, 3)},
        {"day 0 is the day before", Fields(2021, 3, 0), StampOf(2021, 2, 28)},
        {"year 1600: time of day only", Fields(1600, 5, 5, 13, 4, 5, 7), timeOfDay},
        {"year 0: time of day only", Fields(0, 0, 0, 13, 4, 5, 7), timeOfDay},
        {"negative year", Fields(-5, 1, 1, 1), kHour},
        {"month 13: time of day only", Fields(2021, 13, 1, 13, 4, 5, 7), timeOfDay},
        {"month 0: time of day only", Fields(2021, 0, 1, 13, 4, 5, 7), timeOfDay},
        {"negative month: time of day only", Fields(2021, -100, 1, 1), kHour},
        {"day 32: time of day only", Fields(2021, 1, 32, 13, 4, 5, 7), timeOfDay},
        {"hour 25 counts on", Fields(2021, 1, 1, 25), StampOf(2021, 1, 2, 1)},
        {"last representable tick", Fields(30828, 9, 14, 2, 48, 5, 4775807), LLONG_MAX},
        {"one tick past the range: time of day only", Fields(30828, 9, 14, 2, 48, 5, 4775808),
         2 * kHour + 48 * kMinute + 5 * kSecond + 4775808},
        {"largest year: time of day only", Fields(32767, 12, 31, 23, 59, 59, 9999999), kDay - 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CZtTime::ConvertZtTimeToZtTimeStamp(c.fields), c.expected);
    }
}

// Field setters ---------------------------------------------------------------

TEST(CZtTimeSetters, RangeChecksAndResults) {
    const long long start = StampOf(2021, 2, 10, 8, 30, 15, 1234567);
    using Setter = unsigned int (*)(CZtTime&);
    struct Case {
        const char* name;
        Setter set;
        unsigned int result;
        long long stamp;  // expected stamp afterwards
    } cases[] = {
        {"year 1600", [](CZtTime& t) { return t.SetYear(1600); }, Varn::ZT_E_INVALIDARG, start},
        {"year 1601", [](CZtTime& t) { return t.SetYear(1601); }, 0,
         StampOf(1601, 2, 10, 8, 30, 15, 1234567)},
        {"year past the range", [](CZtTime& t) { return t.SetYear(30829); }, Varn::ZT_E_INVALIDARG,
         start},
        {"month 0", [](CZtTime& t) { return t.SetMonth(0); }, Varn::ZT_E_INVALIDARG, start},
        {"month 13", [](CZtTime& t) { return t.SetMonth(13); }, Varn::ZT_E_INVALIDARG, start},
        {"month 12", [](CZtTime& t) { return t.SetMonth(12); }, 0,
         StampOf(2021, 12, 10, 8, 30, 15, 1234567)},
        {"day 0", [](CZtTime& t) { return t.SetDay(0, true); }, Varn::ZT_E_INVALIDARG, start},
        {"day 32", [](CZtTime& t) { return t.SetDay(32, true); }, Varn::ZT_E_INVALIDARG, start},
        {"day 28", [](CZtTime& t) { return t.SetDay(28, true); }, 0,
         StampOf(2021, 2, 28, 8, 30, 15, 1234567)},
        {"hour -1", [](CZtTime& t) { return t.SetHour(-1, true); }, Varn::ZT_E_INVALIDARG, start},
        {"hour 24", [](CZtTime& t) { return t.SetHour(24, true); }, Varn::ZT_E_INVALIDARG, start},
        {"hour 23", [](CZtTime& t) { return t.SetHour(23, true); }, 0,
         StampOf(2021, 2, 10, 23, 30, 15, 1234567)},
        {"minute 60", [](CZtTime& t) { return t.SetMinute(60, true); }, Varn::ZT_E_INVALIDARG,
         start},
        {"minute 0", [](CZtTime& t) { return t.SetMinute(0, true); }, 0,
         StampOf(2021, 2, 10, 8, 0, 15, 1234567)},
        {"second 60", [](CZtTime& t) { return t.SetSecond(60, true); }, Varn::ZT_E_INVALIDARG,
         start},
        {"second 59", [](CZtTime& t) { return t.SetSecond(59, true); }, 0,
         StampOf(2021, 2, 10, 8, 30, 59, 1234567)},
        {"millisecond 1000", [](CZtTime& t) { return t.SetMilliSecond(1000, true); },
         Varn::ZT_E_INVALIDARG, start},
        {"millisecond -1", [](CZtTime& t) { return t.SetMilliSecond(-1, true); },
         Varn::ZT_E_INVALIDARG, start},
        {"millisecond 5 keeps the finer digits",
         [](CZtTime& t) { return t.SetMilliSecond(5, true); }, 0,
         StampOf(2021, 2, 10, 8, 30, 15, 54567)},
        {"microsecond 1000", [](CZtTime& t) { return t.SetMicroSeconds(1000, true); },
         Varn::ZT_E_INVALIDARG, start},
        {"microsecond 7 keeps the others", [](CZtTime& t) { return t.SetMicroSeconds(7, true); }, 0,
         StampOf(2021, 2, 10, 8, 30, 15, 1230077)},
        {"fraction 10,000,000", [](CZtTime& t) { return t.SetHundredNanoSecond(10000000, true); },
         Varn::ZT_E_INVALIDARG, start},
        {"fraction -1", [](CZtTime& t) { return t.SetHundredNanoSecond(-1, true); },
         Varn::ZT_E_INVALIDARG, start},
        {"fraction 9,999,999", [](CZtTime& t) { return t.SetHundredNanoSecond(9999999, true); }, 0,
         StampOf(2021, 2, 10, 8, 30, 15, 9999999)},
        {"day 3 as a count", [](CZtTime& t) { return t.SetDay(3, false); }, 0, 3 * kDay},
        {"day -1 as a count", [](CZtTime& t) { return t.SetDay(-1, false); }, 0, -kDay},
        {"hour 3 as a count", [](CZtTime& t) { return t.SetHour(3, false); }, 0, 108000000000LL},
        {"hour 100 as a count", [](CZtTime& t) { return t.SetHour(100, false); }, 0, 100 * kHour},
        {"minute 10 as a count", [](CZtTime& t) { return t.SetMinute(10, false); }, 0,
         6000000000LL},
        {"second -5 as a count", [](CZtTime& t) { return t.SetSecond(-5, false); }, 0,
         -5 * kSecond},
        {"millisecond 1500 as a count", [](CZtTime& t) { return t.SetMilliSecond(1500, false); }, 0,
         1500 * kMillisecond},
        {"microsecond 7 as a count", [](CZtTime& t) { return t.SetMicroSeconds(7, false); }, 0, 70},
        {"fraction as a count", [](CZtTime& t) { return t.SetHundredNanoSecond(INT_MAX, false); },
         0, INT_MAX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtTime t(start);
        const SZtTime before = FieldsOf(t);
        EXPECT_EQ(c.set(t), c.result);
        EXPECT_EQ(t.GetTimeStamp(), c.stamp);
        EXPECT_EQ(t.GetDayOfWeek(), Expected(c.stamp).dayOfWeek);
        if (c.result != 0) {
            ExpectSame(FieldsOf(t), before);
        } else {
            ExpectSame(FieldsOf(t), Expected(c.stamp));
        }
    }
}

TEST(CZtTimeSetters, DayPastTheMonthEndStaysStored) {
    struct Case {
        const char* name;
        long long start;
        signed char month;
        long long expected;
    } cases[] = {
        {"common year", StampOf(2021, 2, 10), 2, StampOf(2021, 3, 3)},
        {"leap year", StampOf(2020, 2, 10), 2, StampOf(2020, 3, 2)},
        {"century year", StampOf(1900, 2, 10), 2, StampOf(1900, 3, 3)},
        {"April", StampOf(2021, 4, 10), 4, StampOf(2021, 5, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtTime t(c.start);
        EXPECT_EQ(t.SetDay(31, true), 0u);
        EXPECT_EQ(t.GetDay(), 31);
        EXPECT_EQ(t.GetMonth(), c.month);
        EXPECT_EQ(t.GetTimeStamp(), c.expected);
        EXPECT_EQ(t.GetDayOfWeek(), Expected(c.expected).dayOfWeek);
    }
}

TEST(CZtTimeSetters, SubSecondFieldsStayConsistent) {
    CZtTime t(StampOf(2021, 1, 1, 0, 0, 0, 1234567));
    EXPECT_EQ(t.SetMilliSecond(999, true), 0u);
    EXPECT_EQ(t.GetMilliSeconds(), 999);
    EXPECT_EQ(t.GetMicroSeconds(), 456);
    EXPECT_EQ(t.GetHundredNanoSeconds(), 9994567);
    EXPECT_EQ(t.SetMicroSeconds(0, true), 0u);
    EXPECT_EQ(t.GetHundredNanoSeconds(), 9990007);
    EXPECT_EQ(t.GetTimeStamp(), StampOf(2021, 1, 1, 0, 0, 0, 9990007));
    EXPECT_EQ(t.SetHundredNanoSecond(1, true), 0u);
    EXPECT_EQ(t.GetMilliSeconds(), 0);
    EXPECT_EQ(t.GetMicroSeconds(), 0);
    EXPECT_EQ(t.GetTimeStamp(), StampOf(2021, 1, 1, 0, 0, 0, 1));
}

TEST(CZtTimeSetters, NearTheTopOfTheRangeNothingOverflows) {
    CZtTime t(LLONG_MAX);
    EXPECT_EQ(t.SetDay(30, true), Varn::ZT_E_INVALIDARG);
    EXPECT_EQ(t.SetMonth(10), Varn::ZT_E_INVALIDARG);
    EXPECT_EQ(t.SetHour(3, true), Varn::ZT_E_INVALIDARG);
    EXPECT_EQ(t.SetHundredNanoSecond(4775808, true), Varn::ZT_E_INVALIDARG);
    EXPECT_EQ(t.GetTimeStamp(), LLONG_MAX);
    EXPECT_EQ(t.SetHour(1, true), 0u);
    EXPECT_EQ(t.GetTimeStamp(), LLONG_MAX - kHour);
    long long stamp = 7;
    EXPECT_EQ(t.UpdateTime(30828, 12, 31, 0, 0, 0, 0, 0, stamp), Varn::ZT_E_FAIL);
    EXPECT_EQ(stamp, 7);
    EXPECT_EQ(t.GetTimeStamp(), LLONG_MAX - kHour);
}

TEST(CZtTimeSetters, UpdateTime) {
    struct Case {
        const char* name;
        short year;
        signed char month, day, hour, minute, second;
        short milliseconds, microseconds;
        bool ok;
    } cases[] = {
        {"valid", 2024, 2, 29, 13, 4, 5, 123, 456, true},
        {"first moment", 1601, 1, 1, 0, 0, 0, 0, 0, true},
        {"largest fields", 2021, 12, 31, 23, 59, 59, 999, 999, true},
        {"year 1600", 1600, 1, 1, 0, 0, 0, 0, 0, false},
        {"month 0", 2021, 0, 1, 0, 0, 0, 0, 0, false},
        {"month 13", 2021, 13, 1, 0, 0, 0, 0, 0, false},
        {"day 0", 2021, 1, 0, 0, 0, 0, 0, 0, false},
        {"day 32", 2021, 1, 32, 0, 0, 0, 0, 0, false},
        {"hour 24", 2021, 1, 1, 24, 0, 0, 0, 0, false},
        {"hour -1", 2021, 1, 1, -1, 0, 0, 0, 0, false},
        {"minute 60", 2021, 1, 1, 0, 60, 0, 0, 0, false},
        {"second 60", 2021, 1, 1, 0, 0, 60, 0, 0, false},
        {"millisecond 1000", 2021, 1, 1, 0, 0, 0, 1000, 0, false},
        {"microsecond -1", 2021, 1, 1, 0, 0, 0, 0, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const long long start = StampOf(1999, 12, 31, 1, 2, 3, 4567891);
        CZtTime t(start);
        long long stamp = -1;
        const unsigned int result = t.UpdateTime(c.year, c.month, c.day, c.hour, c.minute, c.second,
                                                 c.milliseconds, c.microseconds, stamp);
        if (!c.ok) {
            EXPECT_EQ(result, Varn::ZT_E_FAIL);
            EXPECT_EQ(stamp, -1);
            EXPECT_EQ(t.GetTimeStamp(), start);
            ExpectSame(FieldsOf(t), Expected(start));
            continue;
        }
        const long long expected = StampOf(c.year, c.month, c.day, c.hour, c.minute, c.second,
                                           c.milliseconds * 10000LL + c.microseconds * 10LL);
        EXPECT_EQ(result, 0u);
        EXPECT_EQ(stamp, expected);
        EXPECT_EQ(t.GetTimeStamp(), expected);
        ExpectSame(FieldsOf(t), Expected(expected));  // day of week included
    }
}

// Clock, ticker and intervals ---------------------------------------------------

TEST(CZtTimeClock, CompareTimeStamps) {
    struct Case {
        const char* name;
        long long a, b, expected;
    } cases[] = {
        {"-15,000 ticks", 0, 15000, -1},
        {"+15,000 ticks", 15000, 0, 1},
        {"-9,999 ticks truncates to 0", 0, 9999, 0},
        {"one second", kSecond, 0, 1000},
        {"largest span", LLONG_MAX, LLONG_MIN, 1844674407370955LL},
        {"largest negative span", LLONG_MIN, LLONG_MAX, -1844674407370955LL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CZtTime::CompareTimeStamps(c.a, c.b), c.expected);
    }
}

TEST(CZtTimeClock, SuccessiveNowCallsIncrease) {
    const long long first = CZtTime::Now();
    const long long second = CZtTime::Now();
    EXPECT_GT(second, first);
    CZtTime t;
    t.SetNow(false);
    EXPECT_GT(t.GetTimeStamp(), second);
    EXPECT_GT(CZtTime::GetOSTimeStampAsUTC(true), t.GetTimeStamp());
}

// Each unique stamp is either the clock reading taken during the call or, when
// that reading is not past the last stamp, exactly one tick after it.
TEST(CZtTimeClock, UniqueStampsFollowTheClockOrAdvanceByOneTick) {
    long long previous = CZtTime::Now();
    for (int i = 0; i < 100000; ++i) {
        const long long before = CZtTime::GetOSTimeStampAsUTC(false);
        const long long stamp = CZtTime::Now();
        const long long after = CZtTime::GetOSTimeStampAsUTC(false);
        ASSERT_GT(stamp, previous);
        ASSERT_TRUE(stamp == previous + 1 || (stamp >= before && stamp <= after))
            << "stamp " << stamp << " previous " << previous << " clock " << before << ".."
            << after;
        previous = stamp;
    }
}

TEST(CZtTimeClock, UniqueAcrossThreads) {
    constexpr int kThreads = 8;
    constexpr int kStamps = 20000;
    struct State {
        zotrel_test::StartLine start{kThreads};
        std::vector<std::vector<long long>> stamps{kThreads};
        std::vector<std::unique_ptr<zotrel_test::Signal>> done;
    };
    auto state = std::make_shared<State>();
    for (int i = 0; i < kThreads; ++i)
        state->done.push_back(std::make_unique<zotrel_test::Signal>());
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([state, i] {
            std::vector<long long>& mine = state->stamps[i];
            mine.reserve(kStamps);
            if (state->start.ArriveAndWait()) {
                for (int n = 0; n < kStamps; ++n)
                    mine.push_back(n % 2 ? CZtTime::Now() : CZtTime::GetOSTimeStampAsUTC(true));
            }
            state->done[i]->Set();
        });
    }
    bool allDone = true;
    for (int i = 0; i < kThreads; ++i)
        allDone = state->done[i]->WaitFor(std::chrono::seconds(60)) && allDone;
    for (std::thread& t : threads) {
        if (allDone)
            t.join();
        else
            t.detach();  // the threads keep `state` alive
    }
    ASSERT_TRUE(allDone) << "the stamping threads did not finish in time";

    std::vector<long long> all;
    for (const std::vector<long long>& mine : state->stamps) {
        ASSERT_EQ(mine.size(), static_cast<size_t>(kStamps));
        for (size_t n = 1; n < mine.size(); ++n)
            ASSERT_GT(mine[n], mine[n - 1]);
        all.insert(all.end(), mine.begin(), mine.end());
    }
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end()) << "a stamp repeated";
}

TEST(CZtTimeClock, ElapsedTime) {
    CZtTime t;
    EXPECT_EQ(t.GetElapsedTime(), 0u);  // not started
    t.StartTimeMonitor();
    const unsigned long long first = t.GetElapsedTime();
    const unsigned long long second = t.GetElapsedTime();
    EXPECT_LE(first, second);
    CZtTime copy(t);
    EXPECT_EQ(copy.GetElapsedTime(), 0u);  // the monitor is not copied
    t = StampOf(2000, 1, 1);
    EXPECT_EQ(t.GetElapsedTime(), 0u);  // nor kept across assignment
}

// Arithmetic and comparison --------------------------------------------------------

TEST(CZtTimeArithmetic, SumsDifferencesAndOrder) {
    const CZtTime a(StampOf(2021, 12, 31, 23));
    const CZtTime b(kHour);
    EXPECT_EQ((a + b).GetTimeStamp(), StampOf(2022, 1, 1));
    EXPECT_EQ((a + b).GetYear(), 2022);
    EXPECT_EQ((a - b).GetTimeStamp(), StampOf(2021, 12, 31, 22));
    EXPECT_EQ((a + 2 * kHour).GetHours(), 1);
    EXPECT_EQ((a - a).GetTimeStamp(), 0);
    EXPECT_EQ((CZtTime(LLONG_MAX) + 1LL).GetTimeStamp(), LLONG_MIN);  // wraps
    EXPECT_EQ((CZtTime(LLONG_MIN) - 1LL).GetTimeStamp(), LLONG_MAX);

    struct Case {
        const char* name;
        long long x, y;
    } cases[] = {{"negative before zero", -1, 0},
                 {"min before max", LLONG_MIN, LLONG_MAX},
                 {"adjacent", 5, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CZtTime x(c.x), y(c.y);
        EXPECT_TRUE(x < y);
        EXPECT_TRUE(x <= y);
        EXPECT_TRUE(y > x);
        EXPECT_TRUE(y >= x);
        EXPECT_FALSE(x == y);
        EXPECT_TRUE(x != y);
        EXPECT_FALSE(y < x);
        EXPECT_TRUE(x <= CZtTime(c.x));
        EXPECT_TRUE(x == CZtTime(c.x));
    }
}

// Text layouts ------------------------------------------------------------------------

TEST(CZtTimeText, Layouts) {
    const CZtTime leap(StampOf(2020, 2, 29, 13, 4, 5, 1234567));
    const CZtTime morning(StampOf(2021, 3, 4, 7, 8, 9, 100000));
    const CZtTime early(StampOf(987, 6, 5, 4, 3, 2, 1));
    const CZtTime before1601(-1LL);
    CZtTime cleared(StampOf(2021, 1, 1));
    cleared.ClearTime();
    struct Case {
        const char* name;
        const CZtTime& time;
        void (*print)(const CZtTime&, CZtString&);
        const wchar_t* expected;
    } cases[] = {
        {"date time, fraction", leap,
         [](const CZtTime& t, CZtString& s) { t.ToDateTimeString(s, false); },
         L"2020-02-29 13:04:05.1234567"},
        {"date time, milliseconds", leap,
         [](const CZtTime& t, CZtString& s) { t.ToDateTimeString(s, true); },
         L"2020-02-29 13:04:05.123"},
        {"date", leap, [](const CZtTime& t, CZtString& s) { t.ToDateString(s); }, L"2020-02-29"},
        {"time, spaced milliseconds", morning,
         [](const CZtTime& t, CZtString& s) { t.ToTimeString(s, true); }, L" 07: 08 : 09. 010"},
        {"time, fraction", morning,
         [](const CZtTime& t, CZtString& s) { t.ToTimeString(s, false); }, L"07:08:09.0100000"},
        {"three-digit year pads to four", early,
         [](const CZtTime& t, CZtString& s) { t.ToDateTimeString(s, false); },
         L" 987-06-05 04:03:02.0000001"},
        {"cleared time", cleared,
         [](const CZtTime& t, CZtString& s) { t.ToDateTimeString(s, true); },
         L"   0-00-00 00:00:00.000"},
        {"before 1601", before1601,
         [](const CZtTime& t, CZtString& s) { t.ToDateTimeString(s, false); },
         L"1600-12-31 23:59:59.9999999"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtString out(L"previous");
        c.print(c.time, out);
        EXPECT_EQ(Text(out), c.expected);
    }
}

TEST(CZtTimeText, SmallDateTimeRoundsToTheNearestMinute) {
    struct Case {
        const char* name;
        long long stamp;
        const wchar_t* expected;
    } cases[] = {
        {"29.9 s rounds down", StampOf(2021, 5, 6, 10, 15, 29, 9000000), L"2021-05-06 10:15:00"},
        {"30.0 s rounds up", StampOf(2021, 5, 6, 10, 15, 30), L"2021-05-06 10:16:00"},
        {"0 s", StampOf(2021, 5, 6, 10, 15, 0), L"2021-05-06 10:15:00"},
        {"59.9999999 s", StampOf(2021, 5, 6, 10, 15, 59, 9999999), L"2021-05-06 10:16:00"},
        {"into the next year", StampOf(2020, 12, 31, 23, 59, 45), L"2021-01-01 00:00:00"},
        {"into a leap day", StampOf(2020, 2, 28, 23, 59, 30), L"2020-02-29 00:00:00"},
        {"over February of a common year", StampOf(2021, 2, 28, 23, 59, 30),
         L"2021-03-01 00:00:00"},
        {"before 1601", StampOf(1600, 12, 31, 23, 59, 31), L"1601-01-01 00:00:00"},
        {"largest stamp", LLONG_MAX, L"30828-09-14 02:48:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtString out;
        At(c.stamp).ToSmallDateTimeString(out);
        EXPECT_EQ(Text(out), c.expected);
    }
}

// Parsers --------------------------------------------------------------------------------

TEST(CZtTimeParse, ParseDate) {
    struct Case {
        const char* name;
        const wchar_t* text;
        bool result;
        SZtTime fields;  // as stored (day of week checked against the stamp)
        long long stamp;
    } cases[] = {
        {"date only", L"2019-07-01", true, Fields(2019, 7, 1), StampOf(2019, 7, 1)},
        {"day first with time", L"01.07.2019 12:30", true, Fields(2019, 7, 1, 12, 30),
         StampOf(2019, 7, 1, 12, 30)},
        {"day first with milliseconds", L"01.07.2019 12:30:45.123", true,
         Fields(2019, 7, 1, 12, 30, 45, 1230000), StampOf(2019, 7, 1, 12, 30, 45, 1230000)},
        {"seven-digit fraction", L"2020-02-29 13:04:05.1234567", true,
         Fields(2020, 2, 29, 13, 4, 5, 1234567), StampOf(2020, 2, 29, 13, 4, 5, 1234567)},
        {"milliseconds need more than 21 characters", L"2020-02-29 13:04:05.5", true,
         Fields(2020, 2, 29, 13, 4, 5), StampOf(2020, 2, 29, 13, 4, 5)},
        {"unreadable milliseconds read as 0", L"2020-02-29 13:04:05.25Z", true,
         Fields(2020, 2, 29, 13, 4, 5), StampOf(2020, 2, 29, 13, 4, 5)},
        {"three columns are milliseconds", L"2020-02-29 13:04:05.250", true,
         Fields(2020, 2, 29, 13, 4, 5, 2500000), StampOf(2020, 2, 29, 13, 4, 5, 2500000)},
        {"other separators", L"29/02/2020T13h04m05", true, Fields(2020, 2, 29, 13, 4, 5),
         StampOf(2020, 2, 29, 13, 4, 5)},
        {"seconds without fraction", L"2020-02-29 13:04:05", true, Fields(2020, 2, 29, 13, 4, 5),
         StampOf(2020, 2, 29, 13, 4, 5)},
        {"too short", L"2019-07", false, Fields(1601, 1, 1), 0},
        {"nine characters", L"1.07.2019", false, Fields(1601, 1, 1), 0},
        {"empty", L"", false, Fields(1601, 1, 1), 0},
        {"not numbers", L"abcdefghij", true, Fields(0, 0, 0), 0},
        {"day past the month end", L"2019-02-30", true, Fields(2019, 2, 30), StampOf(2019, 3, 2)},
        {"month 13 counts as no date", L"2019-13-01 05:00", true, Fields(2019, 13, 1, 5),
         5 * kHour},
        {"hour 99 is not range-checked", L"2019-07-01 99:00", true, Fields(2019, 7, 1, 99),
         StampOf(2019, 7, 5, 3)},
        {"year before 1601", L"1500-01-01 01:00", true, Fields(1500, 1, 1, 1), kHour},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtTime t(StampOf(2000, 1, 1, 1, 1, 1, 1));
        EXPECT_EQ(t.ParseDate(CZtString(c.text)), c.result);
        EXPECT_EQ(t.GetTimeStamp(), c.stamp);
        SZtTime expected = c.fields;
        expected.dayOfWeek = Expected(c.stamp).dayOfWeek;
        expected.milliseconds = static_cast<short>(expected.hundredNanoseconds / 10000);
        expected.microseconds = static_cast<short>(expected.hundredNanoseconds % 10000 / 10);
        ExpectSame(FieldsOf(t), expected);
        // The constructor and the assignment parse the same way.
        EXPECT_EQ(CZtTime(CZtString(c.text)).GetTimeStamp(), c.stamp);
        CZtTime assigned;
        assigned = CZtString(c.text);
        EXPECT_EQ(assigned.GetTimeStamp(), c.stamp);
    }
}

TEST(CZtTimeParse, ParseTime) {
    struct Case {
        const char* name;
        const wchar_t* text;
        bool result;
        int hour, minute, second, fraction;
    } cases[] = {
        {"full", L"12:34:56.789", true, 12, 34, 56, 7890000},
        {"seven digits", L"12:34:56.1234567", true, 12, 34, 56, 1234567},
        {"milliseconds need more than 10 characters", L"00:00:01.5", true, 0, 0, 1, 0},
        {"two digits read as milliseconds", L"00:00:01.25", true, 0, 0, 1, 250000},
        {"seven columns from 15 characters", L"00:00:01.250000", true, 0, 0, 1, 250000},
        {"hours and minutes", L"01:30", true, 1, 30, 0, 0},
        {"hours only", L"07", true, 7, 0, 0, 0},
        {"single-digit seconds are not read", L"01:02:3", true, 1, 2, 0, 0},
        {"not numbers", L"ab:cd:ef.ghi", true, 0, 0, 0, 0},
        {"hour 30 counts on", L"30:00", true, 30, 0, 0, 0},
        {"one character", L"1", false, 0, 0, 0, 0},
        {"empty", L"", false, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtTime t(StampOf(2000, 1, 1, 1, 1, 1, 1));
        EXPECT_EQ(t.ParseTime(CZtString(c.text)), c.result);
        const long long stamp =
            c.hour * kHour + c.minute * kMinute + c.second * kSecond + c.fraction;
        EXPECT_EQ(t.GetTimeStamp(), stamp);
        if (c.result) {
            EXPECT_EQ(t.GetYear(), 0);
            EXPECT_EQ(t.GetMonth(), 0);
            EXPECT_EQ(t.GetDay(), 0);
            EXPECT_EQ(t.GetHours(), c.hour);
            EXPECT_EQ(t.GetMinutes(), c.minute);
            EXPECT_EQ(t.GetSeconds(), c.second);
            EXPECT_EQ(t.GetHundredNanoSeconds(), c.fraction);
            EXPECT_EQ(t.GetMilliSeconds(), c.fraction / 10000);
            EXPECT_EQ(t.GetDayOfWeek(), Expected(stamp).dayOfWeek);
        } else {
            ExpectSame(FieldsOf(t), Expected(0));
        }
    }
}

// Local time under fixed time zones -------------------------------------------------------

TEST(CZtTimeZones, FormatShowsLocalTimeAcrossDaylightSavingChanges) {
    TimeZoneScope zone(kBerlin);
    const std::wstring longFormat = std::wstring(300, L'x') + L"%Y";
    struct Case {
        const char* name;
        long long utc;
        const wchar_t* format;
        const wchar_t* expected;
    } cases[] = {
        {"last winter second", StampOf(2021, 3, 28, 0, 59, 59, 50000),
         L"%Y-%m-%d %H:%M:%S.%ms %Z %z", L"2021-03-28 01:59:59.005 CET +0100"},
        {"first summer second", StampOf(2021, 3, 28, 1, 0, 0), L"%Y-%m-%d %H:%M:%S.%ms %Z %z",
         L"2021-03-28 03:00:00.000 CEST +0200"},
        {"last summer second", StampOf(2021, 10, 31, 0, 59, 59, 9990000), L"%H:%M:%S.%ms %Z",
         L"02:59:59.999 CEST"},
        {"winter again", StampOf(2021, 10, 31, 1, 0, 0), L"%H:%M:%S.%ms %Z", L"02:00:00.000 CET"},
        {"milliseconds keep their zeros", StampOf(2021, 1, 15, 11, 0, 0, 50000), L"%H:%M:%S.%ms",
         L"12:00:00.005"},
        {"zero milliseconds", StampOf(2021, 1, 15, 11, 0, 0), L"%H:%M:%S.%ms", L"12:00:00.000"},
        {"every token", StampOf(2021, 1, 15, 11, 0, 0, 1230000), L"%ms|%ms", L"123|123"},
        {"escaped percent", StampOf(2021, 1, 15, 11, 0, 0, 1230000), L"%%ms %%%ms", L"%ms %123"},
        {"day of year and weekday", StampOf(2021, 3, 28, 12), L"%j %a %A %U", L"087 Sun Sunday 13"},
        {"new year locally", StampOf(2021, 12, 31, 23, 30), L"%Y-%m-%d %H:%M", L"2022-01-01 00:30"},
        {"longer than 200 characters", StampOf(2021, 1, 15, 11), longFormat.c_str(), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring expected =
            c.expected ? std::wstring(c.expected) : std::wstring(300, L'x') + L"2021";
        CZtString out(L"previous");
        EXPECT_EQ(At(c.utc).Format(CZtString(c.format), CZtString(), out), 0u);
        EXPECT_EQ(Text(out), expected);
    }
}

TEST(CZtTimeZones, FormatFailures) {
    TimeZoneScope zone(kBerlin);
    struct Case {
        const char* name;
        long long stamp;
        const wchar_t* format;
        unsigned int result;
    } cases[] = {
        {"stamp 0 prints nothing", 0, L"%Y", 0},
        {"empty format", StampOf(2021, 1, 1), L"", Varn::ZT_E_FAIL},
        {"local time past the range", LLONG_MAX, L"%Y", Varn::ZT_E_FAIL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtString out(L"previous");
        EXPECT_EQ(At(c.stamp).Format(CZtString(c.format), CZtString(), out), c.result);
        EXPECT_EQ(Text(out), L"previous");
    }
}

TEST(CZtTimeZones, FormatUTCIgnoresTheZone) {
    TimeZoneScope zone(kBerlin);
    struct Case {
        const char* name;
        long long stamp;
        const wchar_t* format;
        unsigned int result;
        const wchar_t* expected;
    } cases[] = {
        {"zone names", StampOf(2021, 3, 28, 1, 0, 0), L"%Y-%m-%d %H:%M:%S %Z %z", 0,
         L"2021-03-28 01:00:00 UTC +0000"},
        {"stamp 0", 0, L"%Y-%m-%d %a", 0, L"1601-01-01 Mon"},
        {"day of year of a leap year", StampOf(2020, 12, 31), L"%j", 0, L"366"},
        {"no millisecond token", StampOf(2021, 3, 1), L"%ms", 0, L"03s"},
        {"before 1601", StampOf(1500, 7, 4, 5), L"%Y-%m-%d %H %A", 0, L"1500-07-04 05 Wednesday"},
        {"smallest stamp", LLONG_MIN, L"%Y-%m-%d", 0, L"-27627-04-19"},
        {"empty format", StampOf(2021, 1, 1), L"", Varn::ZT_E_FAIL, L"previous"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtString out(L"previous");
        EXPECT_EQ(At(c.stamp).FormatUTC(CZtString(c.format), out), c.result);
        EXPECT_EQ(Text(out), c.expected);
    }
}

TEST(CZtTimeZones, LocalClockUsesTheZoneOffset) {
    TimeZoneScope zone("XST-5:30");  // always UTC + 5:30
    const long long offset = 5 * kHour + 30 * kMinute;
    const long long before = CZtTime::GetOSTimeStampAsUTC(false);
    const long long local = CZtTime::GetOSTimeStampLocalTime();
    CZtTime t;
    t.SetNow(true);
    const long long after = CZtTime::GetOSTimeStampAsUTC(false);
    EXPECT_GE(local, before + offset);
    EXPECT_LE(local, t.GetTimeStamp());
    EXPECT_LE(t.GetTimeStamp(), after + offset);
}

TEST(CZtTimeZones, FromTimeTGivesLocalWallClock) {
    TimeZoneScope zone(kBerlin);
    struct Case {
        const char* name;
        long long t;
        long long expected;
    } cases[] = {
        {"Unix epoch", 0, StampOf(1970, 1, 1, 1)},
        {"last winter second", UnixOf(2021, 3, 28, 0, 59, 59), StampOf(2021, 3, 28, 1, 59, 59)},
        {"first summer second", UnixOf(2021, 3, 28, 1), StampOf(2021, 3, 28, 3)},
        {"repeated hour, summer side", UnixOf(2021, 10, 31, 0, 30), StampOf(2021, 10, 31, 2, 30)},
        {"repeated hour, winter side", UnixOf(2021, 10, 31, 1, 30), StampOf(2021, 10, 31, 2, 30)},
        {"before 1601", UnixOf(1500, 1, 1), StampOf(1500, 1, 1, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtTime time;
        EXPECT_EQ(time.FromTime_t(c.t), 0u);
        EXPECT_EQ(time.GetTimeStamp(), c.expected);
        ExpectSame(FieldsOf(time), Expected(c.expected));
    }
}

TEST(CZtTimeZones, FromTimeTOutOfRange) {
    TimeZoneScope zone(kUtc);
    struct Case {
        const char* name;
        long long t;
    } cases[] = {
        {"largest time_t", LLONG_MAX},
        {"smallest time_t", LLONG_MIN},
        {"past the last stamp", UnixOf(30828, 9, 14, 2, 48, 6)},
        {"before the first stamp", UnixOf(-27627, 4, 19, 21, 11, 54)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtTime time(StampOf(2000, 1, 1));
        EXPECT_EQ(time.FromTime_t(c.t), Varn::ZT_E_INVALIDARG);
        EXPECT_EQ(time.GetTimeStamp(), 0);
    }
    CZtTime last;
    EXPECT_EQ(last.FromTime_t(UnixOf(30828, 9, 14, 2, 48, 5)), 0u);
    EXPECT_EQ(last.GetTimeStamp(), LLONG_MAX - 4775807);
}

TEST(CZtTimeZones, ToTimeTReadsTheFieldsAsLocalTime) {
    TimeZoneScope zone(kBerlin);
    struct Case {
        const char* name;
        long long local;
        long long expected;
    } cases[] = {
        {"winter", StampOf(2021, 1, 15, 12), UnixOf(2021, 1, 15, 11)},
        {"summer", StampOf(2021, 7, 15, 12), UnixOf(2021, 7, 15, 10)},
        {"fraction is dropped", StampOf(2021, 7, 15, 12, 0, 0, 9999999), UnixOf(2021, 7, 15, 10)},
        {"first day of 1900", StampOf(1900, 1, 1), UnixOf(1899, 12, 31, 23)},
        {"far future", StampOf(9999, 12, 31, 23, 59, 59), UnixOf(9999, 12, 31, 22, 59, 59)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        long long t = -7;
        EXPECT_EQ(At(c.local).ToTime_t(t), 0u);
        EXPECT_EQ(t, c.expected);
    }
}

TEST(CZtTimeZones, ToTimeTBefore1900Throws) {
    TimeZoneScope zone(kUtc);
    const long long stamps[] = {0, StampOf(1899, 12, 31, 23, 59, 59, 9999999), -1, LLONG_MIN};
    for (long long stamp : stamps) {
        SCOPED_TRACE(stamp);
        long long t = -7;
        try {
            At(stamp).ToTime_t(t);
            ADD_FAILURE() << "no exception";
        } catch (const CZtTimeException& e) {
            EXPECT_EQ(e.GetResult(), Varn::ZT_E_UNEXPECTED);
            EXPECT_STRNE(e.what(), "");
        }
        EXPECT_EQ(t, -7);
    }
    // std::exception is the base, so generic handlers see it too.
    long long t = 0;
    EXPECT_THROW(CZtTime().ToTime_t(t), std::exception);
}

// Each result code has its own sentence; copies carry the code along.
TEST(CZtTimeZones, TimeExceptionTextsAndCopies) {
    const CZtTimeException early(Varn::ZT_E_UNEXPECTED);
    const CZtTimeException range(Varn::ZT_E_WIN_INVALIDARG);
    const CZtTimeException other(Varn::ZT_E_FAIL);
    EXPECT_STREQ(early.what(), "time before 1900 cannot be converted to time_t");
    EXPECT_STREQ(range.what(), "time cannot be represented as time_t");
    EXPECT_STREQ(other.what(), "time conversion failed");
    CZtTimeException copy(range);
    EXPECT_EQ(copy.GetResult(), Varn::ZT_E_WIN_INVALIDARG);
    copy = early;
    EXPECT_EQ(copy.GetResult(), Varn::ZT_E_UNEXPECTED);
    EXPECT_STREQ(copy.what(), early.what());
}

TEST(CZtTimeZones, TimeTRoundTripsAcrossDaylightSavingChanges) {
    TimeZoneScope zone(kBerlin);
    const long long repeatedFrom = UnixOf(2021, 10, 31, 0);  // 02:00..03:00 local happens twice
    const long long repeatedTo = UnixOf(2021, 10, 31, 2);
    const long long ranges[][2] = {{UnixOf(2021, 3, 27), UnixOf(2021, 3, 30)},
                                   {UnixOf(2021, 10, 30), UnixOf(2021, 11, 2)}};
    for (const auto& range : ranges) {
        for (long long t = range[0]; t < range[1]; t += 450) {
            CZtTime time;
            ASSERT_EQ(time.FromTime_t(t), 0u);
            long long back = 0;
            ASSERT_EQ(time.ToTime_t(back), 0u);
            if (t >= repeatedFrom && t < repeatedTo) {
                // The wall-clock time exists twice; either instant is right.
                EXPECT_TRUE(back == t || back == t - 3600 || back == t + 3600) << t;
            } else {
                EXPECT_EQ(back, t);
            }
        }
    }
}

}  // namespace
