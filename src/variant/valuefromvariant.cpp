#include "variant/valuefromvariant.h"

#include <zotrel/chromid.h>
#include <zotrel/guid.h>
#include <zotrel/time.h>

#include <QByteArray>
#include <QString>

#include <utility>

#include "text/numformat.h"
#include "text/stringimpl.h"
#include "time/timeimpl.h"
#include "variant/varianttype.h"

namespace Varn {

using detail::Load;
using detail::Number;
using detail::NumberValue;
using detail::ObjectAt;
using detail::Payload;
using detail::TicksOfVariant;
using detail::TypeInfo;
using detail::TypeOf;

namespace detail {

namespace {

// The decimal text of a number; floating-point values with up to 15
// significant digits.
QString NumberText(const NumberValue& n) {
    switch (n.kind) {
        case NumberValue::Kind::Signed:
            return DecimalText(n.i);
        case NumberValue::Kind::Unsigned:
            return DecimalText(n.u);
        case NumberValue::Kind::Floating:
            return QString::number(n.f, 'g', 15);
    }
    return QString();
}

// The record whose value a rendering reads, and where that value lies: null
// for array variants and for broken references.
struct Readable {
    const tagZTVARIANT* record = nullptr;
    const void* value = nullptr;
};

Readable ReadableOf(const tagZTVARIANT& v) {
    Readable r;
    const tagZTVARIANT* target = Resolve(v);
    if (!target || IsArray(v) || IsArray(*target))
        return r;
    const void* value = ValueAddress(*target);
    if (!value)
        return r;
    r.record = target;
    r.value = value;
    return r;
}

}  // namespace

CZtString TextOfVariant(const tagZTVARIANT& v) {
    const Readable r = ReadableOf(v);
    if (!r.record)
        return CZtString();
    const TypeInfo& type = TypeOf(r.record->vartype);
    switch (type.payload) {
        case Payload::Number:
            return CZtStringImpl::Make(NumberText(ReadNumber(type.number, r.value)));
        case Payload::TimeSpan: {
            CZtString text;
            if (const auto* span = static_cast<const CZtTimeSpan*>(ObjectAt(r.value)))
                span->ToTimeString(text);
            return text;
        }
        case Payload::Time: {
            CZtString text;
            if (const auto* time = static_cast<const CZtTime*>(ObjectAt(r.value)))
                time->ToDateTimeString(text, false);
            return text;
        }
        case Payload::Guid:
            return CZtGUID(Load<tagZTGUID>(r.value)).ToString();
        case Payload::String: {
            const auto* text = static_cast<const CZtString*>(ObjectAt(r.value));
            return text ? *text : CZtString();
        }
        case Payload::Chromid:
            return CZtCHROMID(*static_cast<const tagZTCHROMID*>(r.value)).ToString();
        case Payload::Invalid:
        case Payload::Empty:
        case Payload::Raw32:
        case Payload::Raw64:
        case Payload::Blob:
        case Payload::Map:
        case Payload::Unknown:
        case Payload::Referenced:
        case Payload::Dispatch:
        case Payload::Variant:  // by value: holds nothing
            return CZtString();
    }
    return CZtString();
}

CZtBlob BytesOfVariant(const tagZTVARIANT& v) {
    const Readable r = ReadableOf(v);
    if (!r.record)
        return CZtBlob();
    const TypeInfo& type = TypeOf(r.record->vartype);
    switch (type.payload) {
        case Payload::Number:
            return CZtBlob(NumberText(ReadNumber(type.number, r.value)).toLatin1());
        case Payload::Raw64:
            return CZtBlob(QByteArray::number(Load<unsigned long long>(r.value)));
        case Payload::TimeSpan: {
            const auto* span = static_cast<const CZtTimeSpan*>(ObjectAt(r.value));
            return span ? CZtBlob(QByteArray::number(span->GetTimeSpan())) : CZtBlob();
        }
        case Payload::Time: {
            const auto* time = static_cast<const CZtTime*>(ObjectAt(r.value));
            return time ? CZtBlob(QByteArray::number(time->GetTimeStamp())) : CZtBlob();
        }
        case Payload::Blob: {
            const auto* bytes = static_cast<const CZtBlob*>(ObjectAt(r.value));
            return bytes ? *bytes : CZtBlob();
        }
        case Payload::Guid:
        case Payload::String:
        case Payload::Chromid:
            return CZtBlob(TextOfVariant(*r.record));
        case Payload::Invalid:
        case Payload::Empty:
        case Payload::Raw32:
        case Payload::Map:
        case Payload::Unknown:
        case Payload::Referenced:
        case Payload::Dispatch:
        case Payload::Variant:
            return CZtBlob();
    }
    return CZtBlob();
}

TicksOfVariant TicksOf(const tagZTVARIANT& v) {
    TicksOfVariant ticks;
    const Readable r = ReadableOf(v);
    if (!r.record)
        return ticks;
    const TypeInfo& type = TypeOf(r.record->vartype);
    switch (type.payload) {
        case Payload::Number:
            if (type.number == Number::I64 || type.number == Number::U64) {
                ticks.kind = TicksOfVariant::Kind::Value;
                ticks.ticks = Load<long long>(r.value);
            } else if (type.number == Number::F64) {
                ticks.kind = TicksOfVariant::Kind::Value;
                ticks.ticks = TruncateToInt64(Load<double>(r.value));
            }
            return ticks;
        case Payload::TimeSpan:
            if (const auto* span = static_cast<const CZtTimeSpan*>(ObjectAt(r.value))) {
                ticks.kind = TicksOfVariant::Kind::Object;
                ticks.ticks = span->GetTimeSpan();
            }
            return ticks;
        case Payload::Time:
            if (const auto* time = static_cast<const CZtTime*>(ObjectAt(r.value))) {
                ticks.kind = TicksOfVariant::Kind::Object;
                ticks.ticks = time->GetTimeStamp();
            }
            return ticks;
        case Payload::String:
            if (const auto* text = static_cast<const CZtString*>(ObjectAt(r.value))) {
                ticks.kind = TicksOfVariant::Kind::Text;
                ticks.text = text;
            }
            return ticks;
        default:
            return ticks;
    }
}

}  // namespace detail

// ---------------------------------------------------------------------------
// CZtString. Each member reads the variant's text completely before it
// changes this string, since the variant may hold this very string.

CZtString::CZtString(const CZtVariant& value) : m_pImpl(nullptr) {
    Copy(detail::TextOfVariant(value));
}
CZtString::CZtString(const CZtVariant* value) : m_pImpl(nullptr) {
    if (value)
        Copy(detail::TextOfVariant(*value));
}
CZtString& CZtString::operator=(const CZtVariant& value) {
    return *this = detail::TextOfVariant(value);
}
CZtString& CZtString::operator=(const CZtVariant* value) {
    if (value)
        return *this = detail::TextOfVariant(*value);
    FreeString();
    return *this;
}
CZtString& CZtString::operator+=(const CZtVariant& value) {
    return Append(detail::TextOfVariant(value));
}
CZtString CZtString::operator+(const CZtVariant& value) const {
    return *this + detail::TextOfVariant(value);
}

// ---------------------------------------------------------------------------
// CZtBlob

CZtBlob::CZtBlob(const CZtVariant& value) : m_pImpl(nullptr) {
    Copy(detail::BytesOfVariant(value));
}
CZtBlob::CZtBlob(const CZtVariant* value) : m_pImpl(nullptr) {
    if (value)
        Copy(detail::BytesOfVariant(*value));
}
CZtBlob& CZtBlob::operator=(const CZtVariant& value) {
    return *this = detail::BytesOfVariant(value);
}
CZtBlob& CZtBlob::operator=(const CZtVariant* value) {
    if (value)
        return *this = detail::BytesOfVariant(*value);
    FreeBlob();
    return *this;
}
CZtBlob& CZtBlob::operator+=(const CZtVariant& value) {
    return *this += detail::BytesOfVariant(value);
}
CZtBlob CZtBlob::operator+(const CZtVariant& value) const {
    return *this + detail::BytesOfVariant(value);
}

// ---------------------------------------------------------------------------
// CZtTime and CZtTimeSpan

namespace {

// Fills a time that is still reset (stamp and every field 0, no time-zone
// record) from a variant. Stamps taken from time and duration objects come
// with a zero-filled time-zone record, as from the stamp constructor.
void FillTime(CZtTime& time, const tagZTVARIANT& value) {
    const TicksOfVariant ticks = detail::TicksOf(value);
    switch (ticks.kind) {
        case TicksOfVariant::Kind::None:
            break;
        case TicksOfVariant::Kind::Value:
            time.SetTimeStamp(ticks.ticks);
            break;
        case TicksOfVariant::Kind::Object:
            time = CZtTime(ticks.ticks);
            break;
        case TicksOfVariant::Kind::Text:
            time.ParseDate(*ticks.text);
            break;
    }
}

// The ticks of a duration read from a variant; false when it gives none.
bool DurationOf(const tagZTVARIANT& value, long long& out) {
    const TicksOfVariant ticks = detail::TicksOf(value);
    switch (ticks.kind) {
        case TicksOfVariant::Kind::None:
            return false;
        case TicksOfVariant::Kind::Value:
        case TicksOfVariant::Kind::Object:
            out = ticks.ticks;
            return true;
        case TicksOfVariant::Kind::Text: {
            CZtTimeSpan parsed;
            parsed.ParseTime(*ticks.text);
            out = parsed.GetTimeSpan();
            return true;
        }
    }
    return false;
}

}  // namespace

CZtTime::CZtTime(const CZtVariant& value) : m_pImpl(new CZtTimeImpl) {
    FillTime(*this, value);
}
CZtTime::CZtTime(const CZtVariant* value) : m_pImpl(new CZtTimeImpl) {
    if (value)
        FillTime(*this, *value);
}
CZtTime& CZtTime::operator=(const CZtVariant& value) {
    // Made apart first: the variant may hold this very time.
    const CZtTime fresh(value);
    return *this = fresh;
}

CZtTimeSpan::CZtTimeSpan(const CZtVariant& value) : m_llTimeSpan(0) {
    DurationOf(value, m_llTimeSpan);
}
CZtTimeSpan::CZtTimeSpan(const CZtVariant* value) : m_llTimeSpan(0) {
    if (value)
        DurationOf(*value, m_llTimeSpan);
}
CZtTimeSpan& CZtTimeSpan::operator=(const CZtVariant& value) {
    long long ticks = 0;
    if (DurationOf(value, ticks))
        m_llTimeSpan = ticks;
    return *this;
}

// ---------------------------------------------------------------------------
// CZtGUID and CZtCHROMID

CZtGUID::CZtGUID(const tagZTVARIANT& value) : tagZTGUID() {
    ZtVariant2GUID(&value, this);
}
CZtGUID& CZtGUID::operator=(const tagZTVARIANT& value) {
    // Read apart first: the variant may refer to this very GUID.
    const CZtGUID fresh(value);
    return *this = fresh;
}

CZtCHROMID::CZtCHROMID(const tagZTVARIANT& value) : tagZTCHROMID() {
    ZTCHROMIDInit(this);
    ZtVariant2CHROMID(&value, this);
}
CZtCHROMID& CZtCHROMID::operator=(const tagZTVARIANT& value) {
    // Read into a cleared record apart first: the variant may refer to this
    // very CHROMID or its string.
    CZtCHROMID fresh;
    fresh.Clear();
    ZtVariant2CHROMID(&value, &fresh);
    return *this = std::move(fresh);
}

namespace {

// What a variant contributes to a CHROMID: a CHROMID record or a string, by
// value or by reference. Other type words, and null references or strings,
// contribute nothing.
struct Appendix {
    const tagZTCHROMID* id = nullptr;
    const CZtString* text = nullptr;
};

Appendix AppendixOf(const tagZTVARIANT& v) {
    Appendix a;
    switch (v.vartype) {
        case ZT_VT_CHROMID:
            a.id = &v.data.chromid;
            break;
        case ZT_VT_CHROMID | ZT_VT_BYREF:
            a.id = Load<const tagZTCHROMID*>(&v.data);
            break;
        case ZT_VT_STRING:
            a.text = Load<const CZtString*>(&v.data);
            break;
        case ZT_VT_STRING | ZT_VT_BYREF:
            if (const auto* slot = Load<const CZtString* const*>(&v.data))
                a.text = *slot;
            break;
        default:
            break;
    }
    return a;
}

}  // namespace

CZtCHROMID& CZtCHROMID::operator+=(const tagZTVARIANT& value) {
    const Appendix a = AppendixOf(value);
    if (a.id)
        *this += *a.id;
    else if (a.text)
        *this += *a.text;
    return *this;
}

CZtCHROMID CZtCHROMID::operator+(const tagZTVARIANT& value) const {
    const Appendix a = AppendixOf(value);
    if (!a.id && !a.text)
        return CZtCHROMID();
    CZtCHROMID result(*this);
    result += value;
    return result;
}

}  // namespace Varn
