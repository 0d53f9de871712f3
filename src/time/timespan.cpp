#include <zotrel/time.h>

#include <zotrel/string.h>

#include <cstdlib>
#include <new>

#include "time/calendar.h"

namespace Varn {

CZtTimeSpan::CZtTimeSpan() : m_llTimeSpan(0) {}
CZtTimeSpan::CZtTimeSpan(const long long& ticks) : m_llTimeSpan(0) {
    Copy(ticks);
}
CZtTimeSpan::CZtTimeSpan(const CZtTimeSpan& other) : m_llTimeSpan(0) {
    Copy(other);
}
CZtTimeSpan::CZtTimeSpan(const CZtString& text) : m_llTimeSpan(0) {
    Copy(text);
}
CZtTimeSpan::CZtTimeSpan(const CZtString* text) : m_llTimeSpan(0) {
    if (text)
        Copy(*text);
}
CZtTimeSpan::~CZtTimeSpan() = default;

CZtTimeSpan& CZtTimeSpan::operator=(const long long& ticks) {
    Copy(ticks);
    return *this;
}
CZtTimeSpan& CZtTimeSpan::operator=(const CZtTimeSpan& other) {
    if (this != &other)
        Copy(other);
    return *this;
}
CZtTimeSpan& CZtTimeSpan::operator=(const CZtString& text) {
    Copy(text);
    return *this;
}

void CZtTimeSpan::Copy(const long long& ticks) {
    m_llTimeSpan = ticks;
}
void CZtTimeSpan::Copy(const CZtTimeSpan& other) {
    m_llTimeSpan = other.m_llTimeSpan;
}
void CZtTimeSpan::Copy(const CZtString& text) {
    ParseTime(text);
}

long long CZtTimeSpan::GetTimeSpan() const {
    return m_llTimeSpan;
}
bool CZtTimeSpan::IsEmpty() const {
    return m_llTimeSpan == 0;
}

void CZtTimeSpan::ParseTime(const CZtString& text) {
    // A leading minus sign is how ToTimeString writes negative durations.
    const bool negative = text.StartsWith(L'-');
    CZtTime time;
    time.ParseTime(negative ? text.Mid(1) : text);
    m_llTimeSpan = negative ? -time.GetTimeStamp() : time.GetTimeStamp();
}

void CZtTimeSpan::ToTimeString(CZtString& out) const {
    // The time of day of the magnitude, so -1 tick prints as the mirror
    // image of +1 tick. The magnitude of the smallest value needs the
    // unsigned range.
    const bool negative = m_llTimeSpan < 0;
    const unsigned long long magnitude = negative
                                             ? 0ull - static_cast<unsigned long long>(m_llTimeSpan)
                                             : static_cast<unsigned long long>(m_llTimeSpan);
    const long long timeOfDay =
        static_cast<long long>(magnitude % static_cast<unsigned long long>(detail::kTicksPerDay));
    CZtTime time;
    time.SetTimeStamp(timeOfDay);
    time.ToTimeString(out, false);
    if (negative)
        out.Prepend(L'-');
}

CZtTimeSpan CZtTimeSpan::operator+(const CZtTimeSpan& other) const {
    return CZtTimeSpan(static_cast<long long>(static_cast<unsigned long long>(m_llTimeSpan) +
                                              static_cast<unsigned long long>(other.m_llTimeSpan)));
}
CZtTimeSpan CZtTimeSpan::operator-(const CZtTimeSpan& other) const {
    return CZtTimeSpan(static_cast<long long>(static_cast<unsigned long long>(m_llTimeSpan) -
                                              static_cast<unsigned long long>(other.m_llTimeSpan)));
}

bool CZtTimeSpan::operator==(const CZtTimeSpan& other) const {
    return m_llTimeSpan == other.m_llTimeSpan;
}
bool CZtTimeSpan::operator!=(const CZtTimeSpan& other) const {
    return m_llTimeSpan != other.m_llTimeSpan;
}
bool CZtTimeSpan::operator<(const CZtTimeSpan& other) const {
    return m_llTimeSpan < other.m_llTimeSpan;
}
bool CZtTimeSpan::operator<=(const CZtTimeSpan& other) const {
    return m_llTimeSpan <= other.m_llTimeSpan;
}
bool CZtTimeSpan::operator>(const CZtTimeSpan& other) const {
    return m_llTimeSpan > other.m_llTimeSpan;
}
bool CZtTimeSpan::operator>=(const CZtTimeSpan& other) const {
    return m_llTimeSpan >= other.m_llTimeSpan;
}

}  // namespace Varn
