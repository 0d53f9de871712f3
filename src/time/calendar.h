// Proleptic Gregorian calendar arithmetic on time stamps: 100-ns ticks since
// 1601-01-01 00:00:00. Pure integer arithmetic, no locale, no allocation;
// every function is defined for every 64-bit stamp, negative ones included.
#ifndef ZOTREL_SRC_TIME_CALENDAR_H
#define ZOTREL_SRC_TIME_CALENDAR_H

#include <zotrel/time.h>

namespace Varn::detail {

constexpr long long kTicksPerMicrosecond = 10LL;
constexpr long long kTicksPerMillisecond = 10000LL;
constexpr long long kTicksPerSecond = 10000000LL;
constexpr long long kTicksPerMinute = 60 * kTicksPerSecond;
constexpr long long kTicksPerHour = 60 * kTicksPerMinute;
constexpr long long kTicksPerDay = 24 * kTicksPerHour;
/// Seconds from 1601-01-01 to the Unix epoch, 1970-01-01.
constexpr long long kSecondsTo1970 = 11644473600LL;

/// Division rounding toward minus infinity, and the matching remainder
/// (which has the sign of the divisor). `divisor` must be positive.
constexpr long long FloorDiv(long long value, long long divisor) {
    const long long q = value / divisor;
    return (value % divisor < 0) ? q - 1 : q;
}
constexpr long long FloorMod(long long value, long long divisor) {
    const long long r = value % divisor;
    return r < 0 ? r + divisor : r;
}

/// Divisible by 4 and either not by 100 or by 400; any year, negative too.
constexpr bool IsLeapYear(long long year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

/// The breakdown of `stamp`; every field comes out in its documented range.
void BreakDownStamp(long long stamp, SZtTime& out);

/// 0 = Sunday .. 6 = Saturday.
signed char DayOfWeekOfStamp(long long stamp);

/// Day of the year, 0 for 1 January; for a valid date (month 1..12).
int DayOfYear(long long year, int month, int day);

/// The stamp of the breakdown (year, month, day, hour, minute, second and
/// the hundred-nanoseconds fraction; the other fields are not read). A year
/// at or before 1600, a month outside 1..12 or a day above 31 makes the date
/// part day 0. False, with `stamp` untouched, when the result does not fit
/// into 64 bits.
bool ComposeStamp(const SZtTime& time, long long& stamp);

/// As `ComposeStamp`, but a date whose stamp does not fit counts as day 0
/// like any other date that cannot be counted, so there is always a result.
long long ComposeStampOrTimeOfDay(const SZtTime& time);

/// `a + b`, or false (with `sum` untouched) when it does not fit.
bool CheckedAdd(long long a, long long b, long long& sum);

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_TIME_CALENDAR_H
