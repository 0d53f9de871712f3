#include <zotrel/time.h>

#include <zotrel/string.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "platform/clock.h"
#include "time/calendar.h"
#include "time/timeimpl.h"

namespace Varn {

// The records are exchanged with other modules: their layout is fixed.
static_assert(sizeof(SZtTime) == 16, "SZtTime is 16 bytes");
static_assert(offsetof(SZtTime, year) == 0 && offsetof(SZtTime, month) == 2 &&
                  offsetof(SZtTime, dayOfWeek) == 3 && offsetof(SZtTime, day) == 4 &&
                  offsetof(SZtTime, hour) == 5 && offsetof(SZtTime, minute) == 6 &&
                  offsetof(SZtTime, second) == 7 && offsetof(SZtTime, milliseconds) == 8 &&
                  offsetof(SZtTime, microseconds) == 10 &&
                  offsetof(SZtTime, hundredNanoseconds) == 12,
              "SZtTime fields lie back to back");
static_assert(sizeof(SZtTimeZoneDate) == 16, "SZtTimeZoneDate is 16 bytes");
static_assert(sizeof(SZtTimeZoneInformation) == 172, "SZtTimeZoneInformation is 172 bytes");
static_assert(offsetof(SZtTimeZoneInformation, standardName) == 4 &&
                  offsetof(SZtTimeZoneInformation, standardDate) == 68 &&
                  offsetof(SZtTimeZoneInformation, standardBias) == 84 &&
                  offsetof(SZtTimeZoneInformation, daylightName) == 88 &&
                  offsetof(SZtTimeZoneInformation, daylightDate) == 152 &&
                  offsetof(SZtTimeZoneInformation, daylightBias) == 168,
              "SZtTimeZoneInformation keeps its exchanged layout");

using detail::kTicksPerDay;
using detail::kTicksPerHour;
using detail::kTicksPerMicrosecond;
using detail::kTicksPerMillisecond;
using detail::kTicksPerMinute;
using detail::kTicksPerSecond;

namespace {

// Two's-complement wrap-around instead of signed overflow.
long long WrappingAdd(long long a, long long b) {
    return static_cast<long long>(static_cast<unsigned long long>(a) +
                                  static_cast<unsigned long long>(b));
}
long long WrappingSub(long long a, long long b) {
    return static_cast<long long>(static_cast<unsigned long long>(a) -
                                  static_cast<unsigned long long>(b));
}

// The sub-second fields always describe one fraction: milliseconds and
// microseconds are its leading digits, the fraction keeps its last digit.
void SetFraction(SZtTime& fields, int hundredNanoseconds) {
    fields.hundredNanoseconds = hundredNanoseconds;
    fields.milliseconds = static_cast<short>(hundredNanoseconds / kTicksPerMillisecond);
    fields.microseconds =
        static_cast<short>(hundredNanoseconds % kTicksPerMillisecond / kTicksPerMicrosecond);
}
int FractionOf(short milliseconds, short microseconds, int lastDigit) {
    return static_cast<int>(milliseconds * kTicksPerMillisecond +
                            microseconds * kTicksPerMicrosecond + lastDigit);
}

// A numeric piece of a parsed text; a piece that is not a number reads as 0.
short Piece(const CZtString& text, int position, int length) {
    return text.Mid(position, length).ToShort();
}

// The fraction of a second of a parsed text, read by column: three
// millisecond digits at `position` when the text is longer than
// `millisecondsAfter`; seven digits of 100-ns ticks at the same place when
// the text is at least `ticksFrom` long. Unreadable digits give 0; a value
// outside one second is clamped so that it cannot spill into the seconds.
int ColumnFraction(const CZtString& text, int position, int millisecondsAfter, int ticksFrom) {
    const int length = text.Length();
    long long ticks = 0;
    if (length >= ticksFrom)
        ticks = text.Mid(position, 7).ToInt();
    else if (length > millisecondsAfter)
        ticks = static_cast<long long>(Piece(text, position, 3)) * kTicksPerMillisecond;
    return static_cast<int>(std::clamp<long long>(ticks, 0, kTicksPerSecond - 1));
}

CZtString FromWide(const std::wstring& text) {
    return CZtString(text.c_str(), static_cast<int>(text.size()));
}

platform::CalendarFields CalendarFieldsOf(const SZtTime& t) {
    platform::CalendarFields fields;
    fields.year = t.year;
    fields.month = t.month;
    fields.day = t.day;
    fields.hour = t.hour;
    fields.minute = t.minute;
    fields.second = t.second;
    fields.dayOfWeek = t.dayOfWeek;
    fields.dayOfYear = detail::DayOfYear(t.year, t.month, t.day);
    return fields;
}

// Replaces every "%ms" of a wcsftime pattern by the three-digit milliseconds;
// "%%" stays an escaped percent sign, so "%%ms" is the literal text "%ms".
std::wstring WithMilliseconds(const wchar_t* format, int milliseconds) {
    const wchar_t digits[4] = {static_cast<wchar_t>(L'0' + milliseconds / 100),
                               static_cast<wchar_t>(L'0' + milliseconds / 10 % 10),
                               static_cast<wchar_t>(L'0' + milliseconds % 10), L'\0'};
    std::wstring result;
    for (const wchar_t* p = format; *p; ++p) {
        if (*p != L'%') {
            result.push_back(*p);
        } else if (p[1] == L'm' && p[2] == L's') {
            result.append(digits);
            p += 2;
        } else if (p[1] == L'%') {
            result.append(L"%%");
            ++p;
        } else {
            result.push_back(*p);
        }
    }
    return result;
}

}  // namespace

// ---------------------------------------------------------------------------
// The exception of ToTime_t

CZtTimeException::CZtTimeException(unsigned int result) noexcept : m_uResult(result) {}
CZtTimeException::CZtTimeException(const CZtTimeException& other) noexcept
    : std::exception(other), m_uResult(other.m_uResult) {}
CZtTimeException& CZtTimeException::operator=(const CZtTimeException& other) noexcept {
    m_uResult = other.m_uResult;
    return *this;
}
CZtTimeException::~CZtTimeException() = default;

unsigned int CZtTimeException::GetResult() const noexcept {
    return m_uResult;
}

const char* CZtTimeException::what() const noexcept {
    switch (m_uResult) {
        case ZT_E_UNEXPECTED:
            return "time before 1900 cannot be converted to time_t";
        case ZT_E_WIN_INVALIDARG:
            return "time cannot be represented as time_t";
        default:
            return "time conversion failed";
    }
}

// ---------------------------------------------------------------------------
// The implementation object

CZtTimeImpl::~CZtTimeImpl() {
    delete m_pTimeZone;
}

void CZtTimeImpl::SetStamp(long long stamp) {
    m_llTimeStamp = stamp;
    detail::BreakDownStamp(stamp, m_Time);
}

bool CZtTimeImpl::SetFields(const SZtTime& fields) {
    long long stamp = 0;
    if (!detail::ComposeStamp(fields, stamp))
        return false;
    m_Time = fields;
    m_llTimeStamp = stamp;
    m_Time.dayOfWeek = detail::DayOfWeekOfStamp(stamp);
    return true;
}

void CZtTimeImpl::Reset() {
    m_llTimeStamp = 0;
    m_Time = SZtTime{};
    m_llCounterStart = 0;
    delete m_pTimeZone;
    m_pTimeZone = nullptr;
}

void CZtTimeImpl::CopyFrom(const CZtTimeImpl& other) {
    m_llTimeStamp = other.m_llTimeStamp;
    m_Time = other.m_Time;
    if (other.m_pTimeZone)
        m_pTimeZone = new SZtTimeZoneInformation(*other.m_pTimeZone);
}

void CZtTimeImpl::SetTimeZone(const SZtTimeZoneInformation* zone) {
    if (!m_pTimeZone)
        m_pTimeZone = new SZtTimeZoneInformation();
    if (zone)
        *m_pTimeZone = *zone;
    else
        *m_pTimeZone = SZtTimeZoneInformation();
}

// ---------------------------------------------------------------------------
// The global ticker

CZtGlobalTicker& CZtGlobalTicker::Instance() {
    CZtGlobalTicker* current = sm_pInstance.load(std::memory_order_acquire);
    if (current)
        return *current;
    // Two threads may both get here first; one instance wins, the other is
    // thrown away, so none leaks.
    CZtGlobalTicker* fresh = new CZtGlobalTicker;
    if (sm_pInstance.compare_exchange_strong(current, fresh, std::memory_order_acq_rel,
                                             std::memory_order_acquire))
        return *fresh;
    delete fresh;
    return *current;
}

void CZtGlobalTicker::DestroyInstance() {
    delete sm_pInstance.exchange(nullptr, std::memory_order_acq_rel);
}

CZtGlobalTicker::~CZtGlobalTicker() = default;

void CZtGlobalTicker::MakeUnique(long long& stamp) {
    CZtAutoMutexLock lock(sm_Mutex);
    if (stamp > sm_llLastStamp) {
        sm_llLastStamp = stamp;
    } else {
        // The largest stamp lies in the year 30828; stopping there keeps the
        // arithmetic defined should a clock ever report it.
        if (sm_llLastStamp < LLONG_MAX)
            ++sm_llLastStamp;
        stamp = sm_llLastStamp;
    }
}

// ---------------------------------------------------------------------------
// Construction

CZtTime::CZtTime() : m_pImpl(new CZtTimeImpl) {
    m_pImpl->SetStamp(0);
}

CZtTime::CZtTime(const long long& stamp) : m_pImpl(new CZtTimeImpl) {
    m_pImpl->SetStamp(stamp);
    m_pImpl->SetTimeZone(nullptr);
}

CZtTime::CZtTime(const long long& stamp, const SZtTimeZoneInformation* zone)
    : m_pImpl(new CZtTimeImpl) {
    m_pImpl->SetStamp(stamp);
    m_pImpl->SetTimeZone(zone);
}

CZtTime::CZtTime(const CZtTime& other) : m_pImpl(new CZtTimeImpl) {
    m_pImpl->CopyFrom(*other.m_pImpl);
}

CZtTime::CZtTime(const CZtString& text) : m_pImpl(new CZtTimeImpl) {
    ParseDate(text);
}

CZtTime::CZtTime(const CZtString* text) : m_pImpl(new CZtTimeImpl) {
    if (text)
        ParseDate(*text);
}

CZtTime::~CZtTime() {
    delete m_pImpl;
}

void CZtTime::Reset() {
    m_pImpl->Reset();
}

CZtTime& CZtTime::operator=(const CZtTime& other) {
    if (this != &other) {
        Reset();
        m_pImpl->CopyFrom(*other.m_pImpl);
    }
    return *this;
}

CZtTime& CZtTime::operator=(const long long& stamp) {
    const long long value = stamp;  // `stamp` may refer into this object
    Reset();
    m_pImpl->SetStamp(value);
    m_pImpl->SetTimeZone(nullptr);
    return *this;
}

CZtTime& CZtTime::operator=(const CZtString& text) {
    ParseDate(text);
    return *this;
}

// ---------------------------------------------------------------------------
// Stamp and fields

long long CZtTime::GetTimeStamp() const {
    return m_pImpl->m_llTimeStamp;
}
void CZtTime::SetTimeStamp(const long long& stamp) {
    m_pImpl->SetStamp(stamp);
}
bool CZtTime::IsEmpty() const {
    return m_pImpl->m_llTimeStamp == 0;
}

void CZtTime::ClearTime() {
    m_pImpl->m_llTimeStamp = 0;
    m_pImpl->m_Time = SZtTime{};
}

short CZtTime::GetYear() const {
    return m_pImpl->m_Time.year;
}
signed char CZtTime::GetMonth() const {
    return m_pImpl->m_Time.month;
}
signed char CZtTime::GetDayOfWeek() const {
    return m_pImpl->m_Time.dayOfWeek;
}
signed char CZtTime::GetDay() const {
    return m_pImpl->m_Time.day;
}
signed char CZtTime::GetHours() const {
    return m_pImpl->m_Time.hour;
}
signed char CZtTime::GetMinutes() const {
    return m_pImpl->m_Time.minute;
}
signed char CZtTime::GetSeconds() const {
    return m_pImpl->m_Time.second;
}
short CZtTime::GetMilliSeconds() const {
    return m_pImpl->m_Time.milliseconds;
}
short CZtTime::GetMicroSeconds() const {
    return m_pImpl->m_Time.microseconds;
}
int CZtTime::GetHundredNanoSeconds() const {
    return m_pImpl->m_Time.hundredNanoseconds;
}

unsigned int CZtTime::SetYear(short year) {
    if (year <= 1600)
        return ZT_E_INVALIDARG;
    SZtTime fields = m_pImpl->m_Time;
    fields.year = year;
    return m_pImpl->SetFields(fields) ? ZT_S_OK : ZT_E_INVALIDARG;
}

unsigned int CZtTime::SetMonth(signed char month) {
    if (month < 1 || month > 12)
        return ZT_E_INVALIDARG;
    SZtTime fields = m_pImpl->m_Time;
    fields.month = month;
    return m_pImpl->SetFields(fields) ? ZT_S_OK : ZT_E_INVALIDARG;
}

// The field setters share one shape: with `field` true a range check, the
// new field and a stamp computed from the fields; with `field` false the
// stamp becomes value x unit (computed in 64 bits; the widest case, a 32-bit
// value of 100-ns units, cannot overflow) and the fields follow from it.
// Both paths leave the day of week that of the stamp.

unsigned int CZtTime::SetDay(signed char day, bool field) {
    if (!field) {
        m_pImpl->SetStamp(day * kTicksPerDay);
        return ZT_S_OK;
    }
    if (day < 1 || day > 31)
        return ZT_E_INVALIDARG;
    SZtTime fields = m_pImpl->m_Time;
    fields.day = day;
    return m_pImpl->SetFields(fields) ? ZT_S_OK : ZT_E_INVALIDARG;
}

unsigned int CZtTime::SetHour(signed char hour, bool field) {
    if (!field) {
        m_pImpl->SetStamp(hour * kTicksPerHour);
        return ZT_S_OK;
    }
    if (hour < 0 || hour > 23)
        return ZT_E_INVALIDARG;
    SZtTime fields = m_pImpl->m_Time;
    fields.hour = hour;
    return m_pImpl->SetFields(fields) ? ZT_S_OK : ZT_E_INVALIDARG;
}

unsigned int CZtTime::SetMinute(signed char minute, bool field) {
    if (!field) {
        m_pImpl->SetStamp(minute * kTicksPerMinute);
        return ZT_S_OK;
    }
    if (minute < 0 || minute > 59)
        return ZT_E_INVALIDARG;
    SZtTime fields = m_pImpl->m_Time;
    fields.minute = minute;
    return m_pImpl->SetFields(fields) ? ZT_S_OK : ZT_E_INVALIDARG;
}

unsigned int CZtTime::SetSecond(signed char second, bool field) {
    if (!field) {
        m_pImpl->SetStamp(second * kTicksPerSecond);
        return ZT_S_OK;
    }
    if (second < 0 || second > 59)
        return ZT_E_INVALIDARG;
    SZtTime fields = m_pImpl->m_Time;
    fields.second = second;
    return m_pImpl->SetFields(fields) ? ZT_S_OK : ZT_E_INVALIDARG;
}

unsigned int CZtTime::SetMilliSecond(short milliseconds, bool field) {
    if (!field) {
        m_pImpl->SetStamp(milliseconds * kTicksPerMillisecond);
        return ZT_S_OK;
    }
    if (milliseconds < 0 || milliseconds > 999)
        return ZT_E_INVALIDARG;
    SZtTime fields = m_pImpl->m_Time;
    SetFraction(fields, FractionOf(milliseconds, fields.microseconds,
                                   fields.hundredNanoseconds % kTicksPerMicrosecond));
    return m_pImpl->SetFields(fields) ? ZT_S_OK : ZT_E_INVALIDARG;
}

unsigned int CZtTime::SetMicroSeconds(short microseconds, bool field) {
    if (!field) {
        m_pImpl->SetStamp(microseconds * kTicksPerMicrosecond);
        return ZT_S_OK;
    }
    if (microseconds < 0 || microseconds > 999)
        return ZT_E_INVALIDARG;
    SZtTime fields = m_pImpl->m_Time;
    SetFraction(fields, FractionOf(fields.milliseconds, microseconds,
                                   fields.hundredNanoseconds % kTicksPerMicrosecond));
    return m_pImpl->SetFields(fields) ? ZT_S_OK : ZT_E_INVALIDARG;
}

unsigned int CZtTime::SetHundredNanoSecond(int hundredNanoseconds, bool field) {
    if (!field) {
        m_pImpl->SetStamp(hundredNanoseconds);
        return ZT_S_OK;
    }
    if (hundredNanoseconds < 0 || hundredNanoseconds >= kTicksPerSecond)
        return ZT_E_INVALIDARG;
    SZtTime fields = m_pImpl->m_Time;
    SetFraction(fields, hundredNanoseconds);
    return m_pImpl->SetFields(fields) ? ZT_S_OK : ZT_E_INVALIDARG;
}

unsigned int CZtTime::UpdateTime(short year, signed char month, signed char day, signed char hour,
                                 signed char minute, signed char second, short milliseconds,
                                 short microseconds, long long& stamp) {
    if (year <= 1600 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 59 || milliseconds < 0 ||
        milliseconds > 999 || microseconds < 0 || microseconds > 999)
        return ZT_E_FAIL;
    SZtTime fields = m_pImpl->m_Time;
    fields.year = year;
    fields.month = month;
    fields.day = day;
    fields.hour = hour;
    fields.minute = minute;
    fields.second = second;
    SetFraction(fields, FractionOf(milliseconds, microseconds, 0));
    if (!m_pImpl->SetFields(fields))
        return ZT_E_FAIL;
    stamp = m_pImpl->m_llTimeStamp;
    return ZT_S_OK;
}

void CZtTime::ConvertZtTimeStampToZtTime(long long stamp, SZtTime& out) {
    detail::BreakDownStamp(stamp, out);
}

long long CZtTime::ConvertZtTimeToZtTimeStamp(const SZtTime& time) {
    return detail::ComposeStampOrTimeOfDay(time);
}

// ---------------------------------------------------------------------------
// Clock and intervals

long long CZtTime::Now() {
    return GetOSTimeStampAsUTC(true);
}

void CZtTime::SetNow(bool local) {
    m_pImpl->SetStamp(local ? GetOSTimeStampLocalTime() : Now());
}

long long CZtTime::GetOSTimeStampAsUTC(bool unique) {
    long long stamp = platform::UtcFileTimeNow();
    if (unique)
        CZtGlobalTicker::Instance().MakeUnique(stamp);
    return stamp;
}

long long CZtTime::GetOSTimeStampLocalTime() {
    const long long utc = platform::UtcFileTimeNow();
    platform::LocalZone zone;
    // Without time-zone rules for this instant (never for today's dates) the
    // wall clock is taken to be UTC.
    if (!platform::LocalZoneAt(detail::FloorDiv(utc, kTicksPerSecond) - detail::kSecondsTo1970,
                               zone))
        return utc;
    return utc + zone.offsetSeconds * kTicksPerSecond;
}

long long CZtTime::CompareTimeStamps(const long long& a, const long long& b) {
    // The difference of two 64-bit stamps needs 65 bits; C++ division
    // truncates toward zero, and the quotient fits again.
    const __int128 difference = static_cast<__int128>(a) - b;
    return static_cast<long long>(difference / kTicksPerMillisecond);
}

void CZtTime::StartTimeMonitor() {
    m_pImpl->m_llCounterStart = platform::PerformanceCounter();
}

unsigned long long CZtTime::GetElapsedTime() const {
    const long long start = m_pImpl->m_llCounterStart;
    if (start == 0)
        return 0;
    const long long now = platform::PerformanceCounter();
    if (now <= start)
        return 0;
    // 128-bit intermediate: counts x 1,000,000 overflows 64 bits after about
    // 2.5 hours of a nanosecond counter.
    const unsigned __int128 counts = static_cast<unsigned long long>(now - start);
    return static_cast<unsigned long long>(
        counts * 1000000u / static_cast<unsigned long long>(platform::PerformanceFrequency()));
}

// ---------------------------------------------------------------------------
// Arithmetic and comparison

CZtTime CZtTime::operator+(const CZtTime& other) const {
    return *this + other.m_pImpl->m_llTimeStamp;
}
CZtTime CZtTime::operator+(const long long& ticks) const {
    CZtTime result;
    result.m_pImpl->SetStamp(WrappingAdd(m_pImpl->m_llTimeStamp, ticks));
    return result;
}
CZtTime CZtTime::operator-(const CZtTime& other) const {
    return *this - other.m_pImpl->m_llTimeStamp;
}
CZtTime CZtTime::operator-(const long long& ticks) const {
    CZtTime result;
    result.m_pImpl->SetStamp(WrappingSub(m_pImpl->m_llTimeStamp, ticks));
    return result;
}

bool CZtTime::operator==(const CZtTime& other) const {
    return m_pImpl->m_llTimeStamp == other.m_pImpl->m_llTimeStamp;
}
bool CZtTime::operator!=(const CZtTime& other) const {
    return !(*this == other);
}
bool CZtTime::operator<(const CZtTime& other) const {
    return m_pImpl->m_llTimeStamp < other.m_pImpl->m_llTimeStamp;
}
bool CZtTime::operator<=(const CZtTime& other) const {
    return !(other < *this);
}
bool CZtTime::operator>(const CZtTime& other) const {
    return other < *this;
}
bool CZtTime::operator>=(const CZtTime& other) const {
    return !(*this < other);
}

// ---------------------------------------------------------------------------
// Text

void CZtTime::ToDateTimeString(CZtString& out, bool milliseconds) const {
    const SZtTime& t = m_pImpl->m_Time;
    if (milliseconds)
        out.Format(L"%4d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                   t.second, t.milliseconds);
    else
        out.Format(L"%4d-%02d-%02d %02d:%02d:%02d.%07d", t.year, t.month, t.day, t.hour, t.minute,
                   t.second, t.hundredNanoseconds);
}

void CZtTime::ToDateString(CZtString& out) const {
    const SZtTime& t = m_pImpl->m_Time;
    out.Format(L"%4d-%02d-%02d", t.year, t.month, t.day);
}

void CZtTime::ToTimeString(CZtString& out, bool milliseconds) const {
    const SZtTime& t = m_pImpl->m_Time;
    if (milliseconds)
        out.Format(L" %02d: %02d : %02d. %03d", t.hour, t.minute, t.second, t.milliseconds);
    else
        out.Format(L"%02d:%02d:%02d.%07d", t.hour, t.minute, t.second, t.hundredNanoseconds);
}

void CZtTime::ToSmallDateTimeString(CZtString& out) const {
    SZtTime t = m_pImpl->m_Time;
    if (t.second >= 30) {
        // Round up: the start of the second plus what is left of the minute,
        // so a carry runs through hour, day, month and year.
        const long long wholeSeconds =
            detail::FloorDiv(m_pImpl->m_llTimeStamp, kTicksPerSecond) * kTicksPerSecond;
        long long rounded = 0;
        if (detail::CheckedAdd(wholeSeconds, (60 - t.second) * kTicksPerSecond, rounded))
            detail::BreakDownStamp(rounded, t);
    }
    out.Format(L"%4d-%02d-%02d %02d:%02d:00", t.year, t.month, t.day, t.hour, t.minute);
}

bool CZtTime::ParseDate(const CZtString& text) {
    Reset();
    const int length = text.Length();
    if (length < 10) {
        m_pImpl->SetStamp(0);
        return false;
    }
    SZtTime fields = {};
    if (text.IndexOf(L'-') == 4) {
        fields.year = Piece(text, 0, 4);
        fields.month = static_cast<signed char>(Piece(text, 5, 2));
        fields.day = static_cast<signed char>(Piece(text, 8, 2));
    } else {
        fields.day = static_cast<signed char>(Piece(text, 0, 2));
        fields.month = static_cast<signed char>(Piece(text, 3, 2));
        fields.year = Piece(text, 6, 4);
    }
    if (length > 11)
        fields.hour = static_cast<signed char>(Piece(text, 11, 2));
    if (length > 14)
        fields.minute = static_cast<signed char>(Piece(text, 14, 2));
    if (length > 17)
        fields.second = static_cast<signed char>(Piece(text, 17, 2));
    SetFraction(fields, ColumnFraction(text, 20, 21, 26));
    // Four-digit years and two-digit fields always give a stamp in range.
    m_pImpl->SetFields(fields);
    return true;
}

bool CZtTime::ParseTime(const CZtString& text) {
    Reset();
    const int length = text.Length();
    if (length < 2) {
        m_pImpl->SetStamp(0);
        return false;
    }
    SZtTime fields = {};
    fields.hour = static_cast<signed char>(Piece(text, 0, 2));
    if (length > 3)
        fields.minute = static_cast<signed char>(Piece(text, 3, 2));
    if (length > 7)
        fields.second = static_cast<signed char>(Piece(text, 6, 2));
    SetFraction(fields, ColumnFraction(text, 9, 10, 15));
    m_pImpl->SetFields(fields);  // year 0: the date part is day 0
    return true;
}

unsigned int CZtTime::Format(const CZtString& format, const CZtString&, CZtString& out) const {
    const long long stamp = m_pImpl->m_llTimeStamp;
    if (stamp == 0)
        return ZT_S_OK;
    if (format.IsEmpty())
        return ZT_E_FAIL;

    platform::LocalZone zone;
    const long long unixSeconds = detail::FloorDiv(stamp, kTicksPerSecond) - detail::kSecondsTo1970;
    if (!platform::LocalZoneAt(unixSeconds, zone))
        return ZT_E_FAIL;
    long long local = 0;
    if (!detail::CheckedAdd(stamp, zone.offsetSeconds * kTicksPerSecond, local))
        return ZT_E_FAIL;
    SZtTime t;
    detail::BreakDownStamp(local, t);

    std::wstring text;
    if (!platform::FormatTime(text, WithMilliseconds(format.w_str(), t.milliseconds).c_str(),
                              CalendarFieldsOf(t), zone))
        return ZT_E_FAIL;
    out = FromWide(text);
    return ZT_S_OK;
}

unsigned int CZtTime::FormatUTC(const CZtString& format, CZtString& out) const {
    if (format.IsEmpty())
        return ZT_E_FAIL;
    SZtTime t;
    detail::BreakDownStamp(m_pImpl->m_llTimeStamp, t);
    platform::LocalZone utc;
    std::strncpy(utc.name, "UTC", sizeof(utc.name) - 1);
    std::wstring text;
    if (!platform::FormatTime(text, format.w_str(), CalendarFieldsOf(t), utc))
        return ZT_E_FAIL;
    out = FromWide(text);
    return ZT_S_OK;
}

unsigned int CZtTime::FromTime_t(long long t) {
    platform::LocalZone zone;
    if (platform::LocalZoneAt(t, zone)) {
        // 128 bits hold any product here; the stamp range (about 29,000
        // years either side of 1601) is then checked exactly.
        const __int128 stamp =
            (static_cast<__int128>(t) + zone.offsetSeconds + detail::kSecondsTo1970) *
            kTicksPerSecond;
        if (stamp >= LLONG_MIN && stamp <= LLONG_MAX) {
            m_pImpl->SetStamp(static_cast<long long>(stamp));
            return ZT_S_OK;
        }
    }
    m_pImpl->SetStamp(0);
    return ZT_E_INVALIDARG;
}

unsigned int CZtTime::ToTime_t(long long& t) {
    SZtTime fields;
    detail::BreakDownStamp(m_pImpl->m_llTimeStamp, fields);
    if (fields.year < 1900)
        throw CZtTimeException(ZT_E_UNEXPECTED);
    long long seconds = 0;
    if (!platform::UnixSecondsFromLocal(CalendarFieldsOf(fields), seconds))
        throw CZtTimeException(ZT_E_WIN_INVALIDARG);
    t = seconds;
    return ZT_S_OK;
}

}  // namespace Varn
