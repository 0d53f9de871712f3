// Platform contract: clocks, local time and time formatting.
//
// Time stamps cross this seam as file time: signed 64-bit counts of 100-ns
// ticks since 1601-01-01 00:00:00 UTC. Local time follows the C library's
// time-zone rules (the TZ environment variable or the system zone), always
// with the offset that is valid at the instant converted, so a conversion
// across a daylight-saving change uses the offset on its own side of it.
// Every function may be called from any thread.
#ifndef ZOTREL_SRC_PLATFORM_CLOCK_H
#define ZOTREL_SRC_PLATFORM_CLOCK_H

#include <cwchar>
#include <string>

namespace Varn::platform {

/// 100-ns ticks from 1601-01-01 to the Unix epoch, 1970-01-01.
constexpr long long kUnixEpochFileTime = 116444736000000000LL;

/// The current UTC time as file time (the system's real-time clock; it may
/// step backwards when the clock is set).
long long UtcFileTimeNow();

/// How local time relates to UTC at one instant.
struct LocalZone {
    long long offsetSeconds = 0;  ///< local = UTC + offset
    bool daylight = false;        ///< daylight-saving time is in effect
    char name[16] = {};           ///< zone abbreviation ("CET", "CEST"), NUL-terminated
};

/// The local zone at `unixSeconds` (seconds since 1970-01-01 UTC). False when
/// the time-zone rules cannot convert that instant.
bool LocalZoneAt(long long unixSeconds, LocalZone& zone);

/// Calendar fields of a wall-clock time; month 1..12, day of week 0 = Sunday,
/// day of year 0..365.
struct CalendarFields {
    long long year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int dayOfWeek = 4;
    int dayOfYear = 0;
};

/// Reads `fields` as local wall-clock time and stores the seconds since
/// 1970-01-01 UTC. The rules decide whether daylight-saving time applies; a
/// time that a change skips or repeats is resolved by the C library's
/// `mktime`. False when the result cannot be represented.
bool UnixSecondsFromLocal(const CalendarFields& fields, long long& unixSeconds);

/// The monotonic performance counter and its ticks per second. The counter
/// never goes backwards and is unaffected by clock changes.
long long PerformanceCounter();
long long PerformanceFrequency();

/// `wcsftime` of `format` with the fields and zone, into `out`. The result has
/// no length limit. False, leaving `out` unchanged, when the result is empty.
bool FormatTime(std::wstring& out, const wchar_t* format, const CalendarFields& fields,
                const LocalZone& zone);

}  // namespace Varn::platform

#endif  // ZOTREL_SRC_PLATFORM_CLOCK_H
