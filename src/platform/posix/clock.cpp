#include "platform/clock.h"

#include <time.h>

#include <climits>
#include <cstring>
#include <cwchar>
#include <vector>

namespace Varn::platform {

static_assert(sizeof(time_t) == 8, "a 64-bit time_t is required");

namespace {

constexpr long long kTicksPerSecond = 10000000LL;
constexpr long long kNanosecondsPerSecond = 1000000000LL;

// struct tm holds the year as an int counted from 1900.
bool FitsTmYear(long long year) {
    return year - 1900 >= INT_MIN && year - 1900 <= INT_MAX;
}

struct tm TmFromFields(const CalendarFields& fields) {
    struct tm tm;
    std::memset(&tm, 0, sizeof(tm));
    tm.tm_year = static_cast<int>(fields.year - 1900);
    tm.tm_mon = fields.month - 1;
    tm.tm_mday = fields.day;
    tm.tm_hour = fields.hour;
    tm.tm_min = fields.minute;
    tm.tm_sec = fields.second;
    tm.tm_wday = fields.dayOfWeek;
    tm.tm_yday = fields.dayOfYear;
    return tm;
}

}  // namespace

long long UtcFileTimeNow() {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<long long>(now.tv_sec) * kTicksPerSecond + now.tv_nsec / 100 +
           kUnixEpochFileTime;
}

bool LocalZoneAt(long long unixSeconds, LocalZone& zone) {
    // localtime_r need not look at TZ again; tzset makes a changed TZ count
    // here exactly as it does for mktime, which always calls it.
    tzset();
    const time_t t = static_cast<time_t>(unixSeconds);
    struct tm local;
    if (!localtime_r(&t, &local))
        return false;
    zone.offsetSeconds = local.tm_gmtoff;
    zone.daylight = local.tm_isdst > 0;
    std::memset(zone.name, 0, sizeof(zone.name));
    if (local.tm_zone)
        std::strncpy(zone.name, local.tm_zone, sizeof(zone.name) - 1);
    return true;
}

bool UnixSecondsFromLocal(const CalendarFields& fields, long long& unixSeconds) {
    if (!FitsTmYear(fields.year))
        return false;
    struct tm tm = TmFromFields(fields);
    tm.tm_isdst = -1;  // let the rules decide
    // mktime returns -1 both for an error and for 1969-12-31 23:59:59 UTC; it
    // fills in the day of week only on success, so a sentinel there tells
    // the two apart.
    tm.tm_wday = -1;
    const time_t t = mktime(&tm);
    if (t == static_cast<time_t>(-1) && tm.tm_wday == -1)
        return false;
    unixSeconds = static_cast<long long>(t);
    return true;
}

long long PerformanceCounter() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
}

long long PerformanceFrequency() {
    return kNanosecondsPerSecond;
}

bool FormatTime(std::wstring& out, const wchar_t* format, const CalendarFields& fields,
                const LocalZone& zone) {
    if (!format || !*format || !FitsTmYear(fields.year))
        return false;
    struct tm tm = TmFromFields(fields);
    tm.tm_isdst = zone.daylight ? 1 : 0;
    tm.tm_gmtoff = static_cast<long>(zone.offsetSeconds);
    tm.tm_zone = zone.name;

    // wcsftime returns 0 both for an empty result and for one that does not
    // fit. A trailing sentinel character makes every fitting result non-empty,
    // so 0 means "grow the buffer" and the sentinel is dropped afterwards.
    std::wstring pattern(format);
    pattern.push_back(L'#');
    // Every conversion expands to a bounded number of characters, so the
    // result can never need more than this; the bound stops a runaway loop.
    const std::size_t limit = pattern.size() * 256 + 256;
    std::vector<wchar_t> buffer(200);
    for (;;) {
        const std::size_t n = wcsftime(buffer.data(), buffer.size(), pattern.c_str(), &tm);
        if (n > 0) {
            if (n == 1)
                return false;  // only the sentinel: the result is empty
            out.assign(buffer.data(), n - 1);
            return true;
        }
        if (buffer.size() >= limit)
            return false;
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace Varn::platform
