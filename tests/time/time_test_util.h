// Reference calendar arithmetic for the time tests, written independently of
// the library: Howard Hinnant's days-from-civil algorithms, counted from the
// Unix epoch, and small helpers to build stamps and read texts.
#ifndef ZOTREL_TESTS_TIME_TIME_TEST_UTIL_H
#define ZOTREL_TESTS_TIME_TIME_TEST_UTIL_H

#include <zotrel/string.h>

#include <cstdlib>
#include <string>

namespace zotrel_test {

constexpr long long kTick = 1;
constexpr long long kMillisecond = 10000;
constexpr long long kSecond = 10000000;
constexpr long long kMinute = 60 * kSecond;
constexpr long long kHour = 60 * kMinute;
constexpr long long kDay = 24 * kHour;

/// Days from 1970-01-01 to y-m-d on the proleptic Gregorian calendar.
constexpr long long DaysFromCivil(long long y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct Civil {
    long long year;
    int month;
    int day;
};

/// The date `z` days after 1970-01-01.
constexpr Civil CivilFromDays(long long z) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

/// 0 = Sunday for the day `z` days after 1970-01-01.
constexpr int WeekdayFromDays(long long z) {
    return static_cast<int>(z >= -4 ? (z + 4) % 7 : (z + 5) % 7 + 6);
}

constexpr long long kDaysTo1601 = DaysFromCivil(1601, 1, 1);  // negative

/// The stamp (100-ns ticks since 1601-01-01) of a UTC or wall-clock time.
constexpr long long StampOf(long long y, int mo, int d, int h = 0, int mi = 0, int s = 0,
                            long long fraction = 0) {
    return (DaysFromCivil(y, mo, d) - kDaysTo1601) * kDay + h * kHour + mi * kMinute + s * kSecond +
           fraction;
}

/// Seconds since 1970-01-01 UTC.
constexpr long long UnixOf(long long y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
}

/// The text as a std::wstring, for readable assertion failures.
inline std::wstring Text(const Varn::CZtString& s) {
    const wchar_t* w = s.w_str();
    return w ? std::wstring(w) : std::wstring();
}

/// Sets TZ for the lifetime of the object and restores it afterwards.
class TimeZoneScope {
public:
    explicit TimeZoneScope(const char* tz) {
        if (const char* old = std::getenv("TZ")) {
            m_hadOld = true;
            m_old = old;
        }
        setenv("TZ", tz, 1);
        tzset();
    }
    ~TimeZoneScope() {
        if (m_hadOld)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    TimeZoneScope(const TimeZoneScope&) = delete;
    TimeZoneScope& operator=(const TimeZoneScope&) = delete;

private:
    bool m_hadOld = false;
    std::string m_old;
};

/// Central European time as a POSIX rule (the same offsets and changes as
/// Europe/Berlin since 1996), so the tests do not depend on installed tzdata.
constexpr const char* kBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";
constexpr const char* kUtc = "UTC0";

}  // namespace zotrel_test

#endif  // ZOTREL_TESTS_TIME_TIME_TEST_UTIL_H
