#include "time/calendar.h"

#include <limits>

namespace Varn::detail {

namespace {

// Days before each month in a common year; index 12 is the year's length.
constexpr int kDaysBeforeMonth[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};

// The calendar repeats every 400 years; 1601 starts such a cycle, which is
// why the counting below needs no offset.
constexpr long long kDaysPer400Years = 146097;
constexpr long long kDaysPer100Years = 36524;
constexpr long long kDaysPer4Years = 1461;
constexpr long long kDaysPerYear = 365;

// 1601-01-01 was a Monday: day number 0 has day of week 1.
constexpr long long kDayOfWeekOfDay0 = 1;

// Days from 1601-01-01 to 1 January of `year` (year above 1600).
long long DaysBeforeYear(long long year) {
    const long long y = year - 1601;
    return y * kDaysPerYear + y / 4 - y / 100 + y / 400;
}

int DaysBeforeMonth(long long year, int month) {
    return kDaysBeforeMonth[month - 1] + ((month > 2 && IsLeapYear(year)) ? 1 : 0);
}

bool DateIsCountable(const SZtTime& time) {
    return time.year > 1600 && time.month >= 1 && time.month <= 12 && time.day <= 31;
}

// The time of day of a breakdown in ticks; small enough (a few hours of
// signed 8-bit fields plus a 32-bit fraction) never to overflow.
long long TimeOfDayTicks(const SZtTime& time) {
    return ((static_cast<long long>(time.hour) * 60 + time.minute) * 60 + time.second) *
               kTicksPerSecond +
           time.hundredNanoseconds;
}

}  // namespace

void BreakDownStamp(long long stamp, SZtTime& out) {
    // Split into whole days and the ticks of that day without multiplying
    // back (days * kTicksPerDay could leave the 64-bit range for the
    // smallest stamps).
    const long long days = FloorDiv(stamp, kTicksPerDay);
    long long ticks = FloorMod(stamp, kTicksPerDay);

    const long long cycles400 = FloorDiv(days, kDaysPer400Years);
    long long rest = days - cycles400 * kDaysPer400Years;  // 0 .. 146096
    long long cycles100 = rest / kDaysPer100Years;
    if (cycles100 == 4)
        cycles100 = 3;  // the last day of a leap 400th year
    rest -= cycles100 * kDaysPer100Years;
    const long long cycles4 = rest / kDaysPer4Years;
    rest -= cycles4 * kDaysPer4Years;
    long long years = rest / kDaysPerYear;
    if (years == 4)
        years = 3;                 // the last day of a leap 4th year
    rest -= years * kDaysPerYear;  // day of the year, 0 .. 365

    const long long year = 1601 + cycles400 * 400 + cycles100 * 100 + cycles4 * 4 + years;
    int month = 12;
    while (month > 1 && rest < DaysBeforeMonth(year, month))
        --month;

    out.year = static_cast<short>(year);
    out.month = static_cast<signed char>(month);
    out.day = static_cast<signed char>(rest - DaysBeforeMonth(year, month) + 1);
    out.dayOfWeek = static_cast<signed char>(FloorMod(days + kDayOfWeekOfDay0, 7));
    out.hour = static_cast<signed char>(ticks / kTicksPerHour);
    ticks %= kTicksPerHour;
    out.minute = static_cast<signed char>(ticks / kTicksPerMinute);
    ticks %= kTicksPerMinute;
    out.second = static_cast<signed char>(ticks / kTicksPerSecond);
    const long long fraction = ticks % kTicksPerSecond;
    out.hundredNanoseconds = static_cast<int>(fraction);
    out.milliseconds = static_cast<short>(fraction / kTicksPerMillisecond);
    out.microseconds = static_cast<short>(fraction % kTicksPerMillisecond / kTicksPerMicrosecond);
}

signed char DayOfWeekOfStamp(long long stamp) {
    return static_cast<signed char>(FloorMod(FloorDiv(stamp, kTicksPerDay) + kDayOfWeekOfDay0, 7));
}

int DayOfYear(long long year, int month, int day) {
    return DaysBeforeMonth(year, month) + day - 1;
}

bool ComposeStamp(const SZtTime& time, long long& stamp) {
    long long days = 0;
    if (DateIsCountable(time))
        days = DaysBeforeYear(time.year) + DaysBeforeMonth(time.year, time.month) + time.day - 1;
    // At most about 11.4 million days (year 32767) times 8.64e11 ticks: well
    // inside 128 bits, so the range test is exact.
    const __int128 total = static_cast<__int128>(days) * kTicksPerDay + TimeOfDayTicks(time);
    using Limits = std::numeric_limits<long long>;
    if (total > Limits::max() || total < Limits::min())
        return false;
    stamp = static_cast<long long>(total);
    return true;
}

long long ComposeStampOrTimeOfDay(const SZtTime& time) {
    long long stamp = 0;
    if (ComposeStamp(time, stamp))
        return stamp;
    return TimeOfDayTicks(time);
}

bool CheckedAdd(long long a, long long b, long long& sum) {
    long long result = 0;
    if (__builtin_add_overflow(a, b, &result))
        return false;
    sum = result;
    return true;
}

}  // namespace Varn::detail
