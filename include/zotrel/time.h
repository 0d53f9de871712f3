/// @file
/// Zotrel time: points in time (`CZtTime`) and durations (`CZtTimeSpan`).
///
/// A point in time is a signed 64-bit count of 100-nanosecond ticks since
/// 1601-01-01 00:00:00 on the proleptic Gregorian calendar (the file-time
/// scale), kept together with its calendar breakdown (`SZtTime`) so that the
/// field getters are plain reads. A duration is a signed 64-bit count of the
/// same ticks. One day is 864,000,000,000 ticks, one second 10,000,000.
///
/// UTC or local. A stamp carries no time zone: each member says whether it
/// reads or writes UTC or local wall-clock time. `Now()` is the current UTC
/// time, passed through a process-wide ticker so that successive stamps are
/// strictly increasing and unique, across threads too, even when the clock
/// stands still or steps back. `SetNow(true)` and `GetOSTimeStampLocalTime()`
/// read local wall-clock time instead. `Format` treats the stamp as UTC and
/// prints it in local time; `FromTime_t`/`ToTime_t` convert between local
/// wall-clock stamps and C `time_t` seconds. Local time follows the C
/// library's time-zone rules (the `TZ` environment variable, or the system
/// zone), with the offset that is valid at the instant converted.
///
/// Every stamp has a breakdown: stamps before 1601 (negative) read as years
/// before 1601 (down to year -27627), and the largest stamp reads as
/// 30828-09-14 02:48:05.4775807. Setting the fields works for years after 1600
/// only; a year at or before 1600 makes the date part count as 1601-01-01.
///
///     Varn::CZtTime t;
///     long long stamp = 0;
///     t.UpdateTime(2024, 2, 29, 13, 4, 5, 123, 0, stamp);   // 0: ok
///     Varn::CZtString text;
///     t.ToDateTimeString(text, true);       // "2024-02-29 13:04:05.123"
///     Varn::CZtTime later = t + 36000000000LL;               // one hour on
///     Varn::CZtTimeSpan gap(later.GetTimeStamp() - t.GetTimeStamp());
///     gap.ToTimeString(text);               // "01:00:00.0000000"
///     long long unique = Varn::CZtTime::Now();
///
/// Text forms. The printing members write fixed layouts (see each member); the
/// parsers read fixed character positions leniently: separators are not
/// examined and a piece that is not a number reads as 0.
///
/// Ownership. A `CZtTime` owns a private implementation object; copies are
/// deep. Heap objects of both classes are allocated with the C runtime's
/// `malloc` and freed with `free`, so one module may delete what another made.
///
/// Threads. A `CZtTime` or `CZtTimeSpan` object is a value used by one thread
/// at a time. The static members may be called from any thread; the unique
/// stamps of `Now()` are serialised by one process-wide mutex.
///
/// The two records also compile as C11.

#ifndef ZOTREL_TIME_H
#define ZOTREL_TIME_H

#include <zotrel/foundation.h>

ZOTREL_NAMESPACE_BEGIN

/// The calendar breakdown of a time stamp: 16 bytes, fields back to back.
typedef struct SZtTime {
    short year;              ///< Calendar year; 1601 and later for settable times.
    signed char month;       ///< 1..12.
    signed char dayOfWeek;   ///< 0 = Sunday .. 6 = Saturday.
    signed char day;         ///< Day of the month, 1..31.
    signed char hour;        ///< 0..23.
    signed char minute;      ///< 0..59.
    signed char second;      ///< 0..59.
    short milliseconds;      ///< 0..999: the fraction of the second in milliseconds.
    short microseconds;      ///< 0..999: the microseconds within the millisecond.
    int hundredNanoseconds;  ///< 0..9,999,999: the whole fraction in 100-ns units.
} SZtTime;

/// A calendar date inside a time-zone record (eight 16-bit fields). The
/// library stores it as given and never reads the fields.
typedef struct SZtTimeZoneDate {
    unsigned short year;          ///< Year.
    unsigned short month;         ///< Month, 1..12.
    unsigned short dayOfWeek;     ///< Day of the week, 0 = Sunday.
    unsigned short day;           ///< Day of the month.
    unsigned short hour;          ///< Hour.
    unsigned short minute;        ///< Minute.
    unsigned short second;        ///< Second.
    unsigned short milliseconds;  ///< Milliseconds.
} SZtTimeZoneDate;

/// A time-zone description of 172 bytes in the layout other modules of the
/// system exchange; names are UTF-16. The library only keeps a copy: local
/// time is always computed with the C library's time-zone rules.
typedef struct SZtTimeZoneInformation {
    int bias;                         ///< Minutes: UTC = local + bias.
    unsigned short standardName[32];  ///< Name of standard time, UTF-16, NUL-terminated.
    SZtTimeZoneDate standardDate;     ///< When standard time begins.
    int standardBias;                 ///< Minutes added to `bias` during standard time.
    unsigned short daylightName[32];  ///< Name of daylight saving time, UTF-16, NUL-terminated.
    SZtTimeZoneDate daylightDate;     ///< When daylight saving time begins.
    int daylightBias;                 ///< Minutes added to `bias` during daylight saving time.
} SZtTimeZoneInformation;

ZOTREL_NAMESPACE_END

#ifdef __cplusplus

#include <cstddef>
#include <exception>

namespace Varn {

class CZtString;
class CZtTimeImpl;
class CZtVariant;

/// The exception `CZtTime::ToTime_t` throws; it carries the result code.
class ZOTREL_EXPORT CZtTimeException : public std::exception {
public:
    /// An exception carrying `result`.
    explicit CZtTimeException(unsigned int result) noexcept;
    /// A copy carrying the same result code.
    CZtTimeException(const CZtTimeException& other) noexcept;
    /// Takes the other's result code.
    CZtTimeException& operator=(const CZtTimeException& other) noexcept;
    /// Nothing to free.
    ~CZtTimeException() override;

    /// `ZT_E_UNEXPECTED` (0x80004005) for a time before 1900;
    /// `ZT_E_WIN_INVALIDARG` (0x80070057) for one `time_t` cannot hold.
    unsigned int GetResult() const noexcept;
    /// A fixed English sentence naming the failure: "time before 1900 cannot
    /// be converted to time_t", "time cannot be represented as time_t", or
    /// "time conversion failed" for any other code.
    const char* what() const noexcept override;

private:
    unsigned int m_uResult;
};

/// A point in time: a stamp of 100-ns ticks since 1601-01-01 00:00:00 and its
/// calendar breakdown. See the header comment for UTC, local time and threads.
///
/// Result codes: 0 success; `ZT_E_INVALIDARG` (0x80000004) for a field value
/// out of range or a date past the last representable stamp; `ZT_E_FAIL`
/// (0x80000000) for `UpdateTime` range errors and failed formatting. A member
/// that fails changes nothing.
class ZOTREL_EXPORT CZtTime : public CZtCrtAllocated {
public:
    // Construction ---------------------------------------------------------

    /// Stamp 0: 1601-01-01 00:00:00, a Monday.
    CZtTime();
    /// The stamp and its breakdown, with a zero-filled time-zone record.
    CZtTime(const long long& stamp);
    /// The stamp and its breakdown; a non-null `zone` is copied.
    CZtTime(const long long& stamp, const SZtTimeZoneInformation* zone);
    /// A deep copy; the elapsed-time monitor is not copied (it starts unset).
    CZtTime(const CZtTime& other);
    /// `ParseDate` of the text.
    CZtTime(const CZtString& text);
    /// `ParseDate` of the text; null gives stamp 0 with every field 0.
    CZtTime(const CZtString* text);
    /// The time a variant stands for: a ZT_VT_I8, ZT_VT_UI8 or ZT_VT_QWORD
    /// value, or a ZT_VT_R8 value truncated, is the stamp; a ZT_VT_TIMESPAN's
    /// ticks or a ZT_VT_TIME's stamp is the stamp (with a zero-filled
    /// time-zone record); a ZT_VT_STRING is read by `ParseDate`. By-reference
    /// variants are read through their reference. Anything else (and a null
    /// pointer, object or reference) leaves the stamp and every field 0.
    CZtTime(const CZtVariant& value);
    /// As the variant constructor; a null pointer leaves the stamp and every
    /// field 0.
    CZtTime(const CZtVariant* value);
    /// Frees the implementation object and the copy of the time-zone record.
    virtual ~CZtTime();

    /// Every assignment first resets the time (stamp, fields and monitor 0,
    /// no time-zone record), then fills it as the matching constructor.
    /// Assigning a time to itself changes nothing. Returns this time.
    ///@{
    CZtTime& operator=(const CZtTime& other);
    CZtTime& operator=(const long long& stamp);
    CZtTime& operator=(const CZtString& text);
    CZtTime& operator=(const CZtVariant& value);
    ///@}

    // Stamp and fields -----------------------------------------------------

    /// The stamp: 100-ns ticks since 1601-01-01 00:00:00.
    long long GetTimeStamp() const;
    /// Sets the stamp and recomputes the whole breakdown from it.
    void SetTimeStamp(const long long& stamp);
    /// True when the stamp is 0.
    bool IsEmpty() const;
    /// Stamp 0 and every field 0 (the year reads 0, not 1601).
    void ClearTime();

    /// The stored year (0 after `ClearTime`).
    short GetYear() const;
    /// The stored month, 1..12.
    signed char GetMonth() const;
    /// 0 = Sunday .. 6 = Saturday, always that of the stamp.
    signed char GetDayOfWeek() const;
    /// The stored day of the month (as set, even past the month's end).
    signed char GetDay() const;
    /// The stored hour, 0..23.
    signed char GetHours() const;
    /// The stored minute, 0..59.
    signed char GetMinutes() const;
    /// The stored second, 0..59.
    signed char GetSeconds() const;
    /// The milliseconds of the fraction of the second, 0..999.
    short GetMilliSeconds() const;
    /// The microseconds within the millisecond, 0..999.
    short GetMicroSeconds() const;
    /// The whole fraction of the second in 100-ns units, 0..9,999,999.
    int GetHundredNanoSeconds() const;

    /// Year above 1600: stores the field and recomputes the stamp from the
    /// fields (the other fields are kept as stored, not normalised). Returns
    /// 0, or `ZT_E_INVALIDARG` (nothing changed) for a year at or below 1600
    /// or a date past the last representable stamp.
    unsigned int SetYear(short year);
    /// Month 1..12: as `SetYear`; `ZT_E_INVALIDARG` for another month.
    unsigned int SetMonth(signed char month);

    /// The field setters. With `field` true the value is range-checked
    /// (day 1..31, hour 0..23, minute and second 0..59, milliseconds and
    /// microseconds 0..999, hundred-nanoseconds 0..9,999,999), stored, and
    /// the stamp recomputed from the fields; a day past the month's end
    /// stays stored as given while the stamp runs into the next month
    /// (31 February 2021 has the stamp of 3 March). The sub-second fields
    /// stay consistent: milliseconds and microseconds set the matching
    /// digits of the hundred-nanoseconds fraction, and the fraction sets
    /// both. With `field` false the stamp becomes `value` units after
    /// 1601-01-01 00:00:00 (negative values go before it) and the breakdown
    /// is recomputed; no range check is made. Returns 0, or
    /// `ZT_E_INVALIDARG` (nothing changed) for a value out of range or a
    /// date past the last representable stamp.
    ///@{
    unsigned int SetDay(signed char day, bool field);
    unsigned int SetHour(signed char hour, bool field);
    unsigned int SetMinute(signed char minute, bool field);
    unsigned int SetSecond(signed char second, bool field);
    unsigned int SetMilliSecond(short milliseconds, bool field);
    unsigned int SetMicroSeconds(short microseconds, bool field);
    unsigned int SetHundredNanoSecond(int hundredNanoseconds, bool field);
    ///@}

    /// Sets the whole time to microsecond precision (the last 100-ns digit
    /// becomes 0) and writes the new stamp to `stamp`. `ZT_E_FAIL` when a
    /// value is out of range (year above 1600, month 1..12, day 1..31, hour
    /// 0..23, minute and second 0..59, milliseconds and microseconds 0..999)
    /// or the date lies past the last representable stamp; nothing changes.
    unsigned int UpdateTime(short year, signed char month, signed char day, signed char hour,
                            signed char minute, signed char second, short milliseconds,
                            short microseconds, long long& stamp);

    /// The breakdown of any stamp (negative stamps give years before 1601).
    static void ConvertZtTimeStampToZtTime(long long stamp, SZtTime& out);
    /// The stamp of a breakdown; the day of week, milliseconds and
    /// microseconds are not read (the fraction is `hundredNanoseconds`).
    /// A year at or before 1600, a month outside 1..12, a day above 31, or a
    /// date whose stamp would not fit in 64 bits counts as day 0
    /// (1601-01-01), so only the time of day is added. Hours, minutes,
    /// seconds and a day below 1 are not checked and count arithmetically.
    static long long ConvertZtTimeToZtTimeStamp(const SZtTime& time);

    // Clock and intervals --------------------------------------------------

    /// The current UTC time, unique and strictly increasing within the process.
    static long long Now();
    /// Local wall-clock time when `local` is true (not made unique), else `Now()`.
    void SetNow(bool local);
    /// The current UTC time; passed through the unique-stamp ticker when `unique`.
    static long long GetOSTimeStampAsUTC(bool unique);
    /// The current local wall-clock time as a stamp.
    static long long GetOSTimeStampLocalTime();
    /// (a - b) in whole milliseconds, truncated toward zero; never overflows.
    static long long CompareTimeStamps(const long long& a, const long long& b);
    /// Starts the elapsed-time monitor at the current monotonic counter.
    void StartTimeMonitor();
    /// Whole microseconds since `StartTimeMonitor`; 0 when never started.
    /// Exact for any interval the counter can measure.
    unsigned long long GetElapsedTime() const;

    // Arithmetic and comparison of stamps -----------------------------------

    /// New times whose stamp is the sum or difference of the stamps (or of
    /// the stamp and `ticks`), with the breakdown recomputed; out-of-range
    /// results wrap around in two's complement.
    ///@{
    CZtTime operator+(const CZtTime& other) const;
    CZtTime operator+(const long long& ticks) const;
    CZtTime operator-(const CZtTime& other) const;
    CZtTime operator-(const long long& ticks) const;
    ///@}

    /// Compare the stamps (the fields and time-zone records are not looked at).
    ///@{
    bool operator==(const CZtTime& other) const;
    bool operator!=(const CZtTime& other) const;
    bool operator<(const CZtTime& other) const;
    bool operator<=(const CZtTime& other) const;
    bool operator>(const CZtTime& other) const;
    bool operator>=(const CZtTime& other) const;
    ///@}

    // Text -----------------------------------------------------------------
    // The printing members use the stored fields.

    /// "2020-02-29 13:04:05.123" with `milliseconds` true,
    /// "2020-02-29 13:04:05.1234567" (the 7-digit fraction) when false.
    void ToDateTimeString(CZtString& out, bool milliseconds) const;
    /// "2020-02-29" into `out`.
    void ToDateString(CZtString& out) const;
    /// With `milliseconds` true the spaced layout " 07: 08 : 09. 010" (a
    /// leading space; printf `" %02d: %02d : %02d. %03d"`); when false
    /// "07:08:09.0100000" (the 7-digit fraction).
    void ToTimeString(CZtString& out, bool milliseconds) const;
    /// "2020-02-29 13:04:00", rounded to the nearest minute: seconds from 30
    /// on round up, across day, month and year ends.
    void ToSmallDateTimeString(CZtString& out) const;

    /// Resets the time, then reads a date: "YYYY-MM-DD" when the first '-' is
    /// at index 4, else "DD?MM?YYYY"; then, as far as the text reaches, hours
    /// at index 11, minutes at 14, seconds at 17, and at index 20 three
    /// millisecond digits (texts of 22 to 25 characters) or seven digits of
    /// 100-ns ticks (26 characters and more). Separators are not
    /// examined, a piece that is not a number reads as 0, values are not
    /// range-checked. False, with stamp 0, for a text shorter than 10.
    bool ParseDate(const CZtString& text);
    /// Resets the time, then reads a time of day: hours at index 0, minutes
    /// at 3, seconds at 6, and at index 9 three millisecond digits (texts of
    /// 11 to 14 characters) or seven digits of 100-ns ticks (15 and more). The
    /// date fields read 0 and the stamp is that time of day on 1601-01-01.
    /// False, with stamp 0, for a text shorter than 2.
    bool ParseTime(const CZtString& text);

    /// Formats the stamp, taken as UTC, in local time with a `wcsftime`
    /// pattern; every \%ms is replaced by the three-digit milliseconds
    /// ("005"). Stamp 0 returns 0 and leaves `out` unchanged. `ZT_E_FAIL`
    /// (with `out` unchanged) for an empty format, an empty result or a stamp
    /// outside the range of the time-zone rules. `unused` is not read.
    unsigned int Format(const CZtString& format, const CZtString& unused, CZtString& out) const;
    /// Formats the stamp's UTC fields with a `wcsftime` pattern (no \%ms;
    /// \%Z prints "UTC", \%z "+0000"); stamp 0 prints 1601-01-01. `ZT_E_FAIL`
    /// (with `out` unchanged) for an empty format or result.
    unsigned int FormatUTC(const CZtString& format, CZtString& out) const;

    /// Sets the stamp to the local wall-clock time of `t` (seconds since
    /// 1970-01-01 UTC). `ZT_E_INVALIDARG`, with stamp 0, when the time-zone
    /// rules cannot convert `t` or the result lies outside the stamp range.
    unsigned int FromTime_t(long long t);
    /// Takes the stamp's fields as local wall-clock time (daylight saving
    /// decided by the time-zone rules) and stores the `time_t` seconds in
    /// `t`; returns 0. Throws `CZtTimeException`: `ZT_E_UNEXPECTED` for a
    /// year before 1900, `ZT_E_WIN_INVALIDARG` when `time_t` cannot hold it.
    unsigned int ToTime_t(long long& t);

private:
    void Reset();

    CZtTimeImpl* m_pImpl;
};

/// A signed duration in 100-ns ticks. Its text form is the time of day that
/// many ticks after midnight ("01:30:00.0000000"), so whole days are not
/// printed; a negative duration prints its magnitude after a minus sign
/// ("-00:00:00.0000001"), and the parser reads that form back.
class ZOTREL_EXPORT CZtTimeSpan : public CZtCrtAllocated {
public:
    /// 0 ticks.
    CZtTimeSpan();
    /// That many ticks.
    CZtTimeSpan(const long long& ticks);
    /// The same ticks.
    CZtTimeSpan(const CZtTimeSpan& other);
    /// `ParseTime` of the text.
    CZtTimeSpan(const CZtString& text);
    /// `ParseTime` of the text; null gives 0 ticks.
    CZtTimeSpan(const CZtString* text);
    /// The ticks a variant stands for: a ZT_VT_I8, ZT_VT_UI8 or ZT_VT_QWORD
    /// value, a ZT_VT_R8 value truncated, a ZT_VT_TIMESPAN's ticks, a
    /// ZT_VT_TIME's stamp, or `ParseTime` of a ZT_VT_STRING (read through the
    /// reference when by reference). Anything else, and a null pointer,
    /// object or reference, gives 0 ticks.
    CZtTimeSpan(const CZtVariant& value);
    /// As the variant constructor; a null pointer gives 0 ticks.
    CZtTimeSpan(const CZtVariant* value);
    /// Nothing to free.
    virtual ~CZtTimeSpan();

    /// Takes the ticks, as the matching constructor does, and returns this
    /// duration.
    ///@{
    CZtTimeSpan& operator=(const long long& ticks);
    CZtTimeSpan& operator=(const CZtTimeSpan& other);
    CZtTimeSpan& operator=(const CZtString& text);
    ///@}
    /// As the constructor, except that a variant that gives no ticks leaves
    /// the duration as it was.
    CZtTimeSpan& operator=(const CZtVariant& value);

    /// The duration in 100-ns ticks.
    long long GetTimeSpan() const;
    /// True for 0 ticks.
    bool IsEmpty() const;

    /// The ticks become the time of day `CZtTime::ParseTime` reads ("01:30"
    /// is 90 minutes, "00:00:01.500" one and a half seconds, while
    /// "00:00:01.5" is too short to carry a fraction and reads as one second);
    /// a leading '-' negates. A text shorter than 2 characters (after the
    /// sign) gives 0.
    void ParseTime(const CZtString& text);
    /// "HH:MM:SS.fffffff" of the time of day (ticks modulo one day), with a
    /// leading '-' for negative durations.
    void ToTimeString(CZtString& out) const;

    /// Sum and difference of the ticks, wrapping around in two's complement.
    ///@{
    CZtTimeSpan operator+(const CZtTimeSpan& other) const;
    CZtTimeSpan operator-(const CZtTimeSpan& other) const;
    ///@}

    /// Compare the signed tick counts.
    ///@{
    bool operator==(const CZtTimeSpan& other) const;
    bool operator!=(const CZtTimeSpan& other) const;
    bool operator<(const CZtTimeSpan& other) const;
    bool operator<=(const CZtTimeSpan& other) const;
    bool operator>(const CZtTimeSpan& other) const;
    bool operator>=(const CZtTimeSpan& other) const;
    ///@}

private:
    void Copy(const long long& ticks);
    void Copy(const CZtTimeSpan& other);
    void Copy(const CZtString& text);

    long long m_llTimeSpan;
};

}  // namespace Varn

#endif  // __cplusplus

#endif  // ZOTREL_TIME_H
