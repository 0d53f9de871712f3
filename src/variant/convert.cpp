// Conversion of variant records: the numeric converters and the target table
// of ZtVariantChangeType.
#include <zotrel/variant.h>

#include <zotrel/blob.h>
#include <zotrel/string.h>
#include <zotrel/time.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "identifiers/toolkithelper.h"
#include "variant/arraypayload.h"
#include "variant/mappayload.h"
#include "variant/valuefromvariant.h"
#include "variant/varianttype.h"

namespace Varn {

using detail::Load;
using detail::NumberValue;
using detail::ObjectAt;
using detail::Payload;
using detail::Store;
using detail::TypeInfo;
using detail::TypeOf;

namespace {

// Keeps the low bits of a two's-complement value: no range check, as
// integers convert to each other in this value model (300 as 8 bits is 44).
template <class T>
T KeepLowBits(unsigned long long bits) {
    return static_cast<T>(static_cast<std::make_unsigned_t<T>>(bits));
}

// A double rounded to float as IEEE 754 rounds to nearest: values beyond the
// largest float become infinite, written out because a plain cast of such a
// value is undefined.
template <class T>
T RoundToFloating(double value) {
    if constexpr (std::is_same_v<T, double>) {
        return value;
    } else {
        // Halfway between FLT_MAX and the next power of two: from here on the
        // nearest value is infinity.
        constexpr double kOverflow = static_cast<double>(FLT_MAX) + 0x1p103;
        if (std::isnan(value) || std::fabs(value) <= static_cast<double>(FLT_MAX))
            return static_cast<float>(value);
        const bool negative = value < 0;
        if (std::fabs(value) < kOverflow)
            return negative ? -FLT_MAX : FLT_MAX;
        const float infinity = std::numeric_limits<float>::infinity();
        return negative ? -infinity : infinity;
    }
}

// A number of the source's kind as T: integer targets keep the low bits of
// the value (floating-point values truncated to 64 bits first), floating-point
// targets take the value (unsigned values of 2^63 and more stay positive).
template <class T>
T FromNumber(const NumberValue& n) {
    if constexpr (std::is_floating_point_v<T>) {
        switch (n.kind) {
            case NumberValue::Kind::Signed:
                return static_cast<T>(n.i);
            case NumberValue::Kind::Unsigned:
                return static_cast<T>(n.u);
            case NumberValue::Kind::Floating:
                return RoundToFloating<T>(n.f);
        }
        return T();
    } else {
        switch (n.kind) {
            case NumberValue::Kind::Signed:
                return KeepLowBits<T>(static_cast<unsigned long long>(n.i));
            case NumberValue::Kind::Unsigned:
                return KeepLowBits<T>(n.u);
            case NumberValue::Kind::Floating:
                return KeepLowBits<T>(
                    static_cast<unsigned long long>(detail::TruncateToInt64(n.f)));
        }
        return T();
    }
}

// A 64-bit tick count or time stamp as T, by the same rules.
template <class T>
T FromTicks(long long ticks) {
    NumberValue n;
    n.i = ticks;
    return FromNumber<T>(n);
}

}  // namespace

template <class T>
unsigned int CZtVariantConvert<T>::Convert(const tagZTVARIANT* src, T* out) {
    if (!src || !out)
        return ZT_E_NULL_POINTER;
    // The value of a by-reference or array record is not in its payload.
    if (src->vartype & (ZT_VT_BYREF | ZT_VT_ARRAY))
        return ZT_E_NOT_SUPPORTED;
    const TypeInfo& type = TypeOf(src->vartype);
    switch (type.payload) {
        case Payload::Number:
            *out = FromNumber<T>(detail::ReadNumber(type.number, &src->data));
            return ZT_S_OK;
        case Payload::TimeSpan: {
            const auto* span = static_cast<const CZtTimeSpan*>(ObjectAt(&src->data));
            if (!span)
                return ZT_E_NULL_POINTER;
            *out = FromTicks<T>(span->GetTimeSpan());
            return ZT_S_OK;
        }
        case Payload::Time: {
            const auto* time = static_cast<const CZtTime*>(ObjectAt(&src->data));
            if (!time)
                return ZT_E_NULL_POINTER;
            *out = FromTicks<T>(time->GetTimeStamp());
            return ZT_S_OK;
        }
        case Payload::String: {
            const auto* text = static_cast<const CZtString*>(ObjectAt(&src->data));
            if (!text)
                return ZT_S_OK;
            return text->ConvertToNumericValue(*out, text->ContainsHexValue() ? 16 : 10);
        }
        default:
            return ZT_E_NOT_SUPPORTED;
    }
}

template class CZtVariantConvert<signed char>;
template class CZtVariantConvert<unsigned char>;
template class CZtVariantConvert<short>;
template class CZtVariantConvert<unsigned short>;
template class CZtVariantConvert<int>;
template class CZtVariantConvert<unsigned int>;
template class CZtVariantConvert<long long>;
template class CZtVariantConvert<unsigned long long>;
template class CZtVariantConvert<float>;
template class CZtVariantConvert<double>;

namespace {

// ---------------------------------------------------------------------------
// The target rules of ZtVariantChangeType. Each reads the by-value source
// and writes the payload of a zeroed record; it leaves nothing owned behind
// when it fails.

using TargetRule = unsigned int (*)(const tagZTVARIANT& source, tagZTVARIANT& out);

template <class T>
unsigned int ToNumber(const tagZTVARIANT& source, tagZTVARIANT& out) {
    T value{};
    const unsigned int result = CZtVariantConvert<T>().Convert(&source, &value);
    if (result == ZT_S_OK)
        Store(&out.data, value);
    return result;
}

// The byte converter, then any byte other than 0 is true: 256 gives 0.
unsigned int ToBool(const tagZTVARIANT& source, tagZTVARIANT& out) {
    unsigned char value = 0;
    const unsigned int result = CZtVariantConvert<unsigned char>().Convert(&source, &value);
    if (result == ZT_S_OK)
        Store(&out.data, static_cast<unsigned char>(value != 0));
    return result;
}

// The object targets take the value class's own reading of a variant, which
// never fails. Text and bytes are read straight into the new heap object;
// the time classes read a variant object.
template <class T>
unsigned int ToObject(const tagZTVARIANT& source, tagZTVARIANT& out) {
    if constexpr (std::is_same_v<T, CZtString>)
        Store(&out.data, new CZtString(detail::TextOfVariant(source)));
    else if constexpr (std::is_same_v<T, CZtBlob>)
        Store(&out.data, new CZtBlob(detail::BytesOfVariant(source)));
    else {
        const CZtVariant value(source);  // a named object: picks T's constructor from a variant
        Store(&out.data, new T(value));
    }
    return ZT_S_OK;
}

// The text that an identifier target parses; null when the source is a
// string variant without a string object.
bool IsNullString(const tagZTVARIANT& source) {
    return TypeOf(source.vartype).payload == Payload::String && !ObjectAt(&source.data);
}

unsigned int ToGuid(const tagZTVARIANT& source, tagZTVARIANT& out) {
    if (IsNullString(source))
        return ZT_E_INVALID_TYPE;
    tagZTGUID guid = {};
    const unsigned int result = CZtToolkitHelper::ParseGUID(detail::TextOfVariant(source), &guid);
    Store(&out.data, guid);
    return result;
}

unsigned int ToChromid(const tagZTVARIANT& source, tagZTVARIANT& out) {
    if (IsNullString(source))
        return ZT_E_INVALID_TYPE;
    const CZtString text = detail::TextOfVariant(source);
    return ZtString2CHROMID(&text, &out.data.chromid);
}

unsigned int ToMap(const tagZTVARIANT& source, tagZTVARIANT& out) {
    CZtMap* map = nullptr;
    const unsigned int result = detail::MapPayload::FromVariant(source, &map);
    Store(&out.data, map);
    return result;
}

unsigned int NotSupported(const tagZTVARIANT&, tagZTVARIANT&) {
    return ZT_E_NOT_SUPPORTED;
}

unsigned int InvalidTarget(const tagZTVARIANT&, tagZTVARIANT&) {
    return ZT_E_INVALID_TYPE;
}

// One rule per target code.
constexpr TargetRule kTargetRules[detail::kTypeCount] = {
    /*  0 ZT_VT_EMPTY      */ InvalidTarget,
    /*  1 ZT_VT_BOOL       */ ToBool,
    /*  2 ZT_VT_I1         */ ToNumber<signed char>,
    /*  3 ZT_VT_I2         */ ToNumber<short>,
    /*  4 ZT_VT_I4         */ ToNumber<int>,
    /*  5 ZT_VT_I8         */ ToNumber<long long>,
    /*  6 ZT_VT_UI1        */ ToNumber<unsigned char>,
    /*  7 ZT_VT_UI2        */ ToNumber<unsigned short>,
    /*  8 ZT_VT_UI4        */ ToNumber<unsigned int>,
    /*  9 ZT_VT_UI8        */ ToNumber<unsigned long long>,
    /* 10 ZT_VT_R4         */ ToNumber<float>,
    /* 11 ZT_VT_R8         */ ToNumber<double>,
    /* 12 ZT_VT_TIMESPAN   */ ToObject<CZtTimeSpan>,
    /* 13 ZT_VT_TIME       */ ToObject<CZtTime>,
    /* 14                  */ InvalidTarget,
    /* 15                  */ InvalidTarget,
    /* 16                  */ InvalidTarget,
    /* 17 ZT_VT_BYTE       */ ToNumber<unsigned char>,
    /* 18 ZT_VT_WORD       */ ToNumber<unsigned short>,
    /* 19 ZT_VT_DWORD      */ ToNumber<unsigned int>,
    /* 20 ZT_VT_QWORD      */ ToNumber<unsigned long long>,
    /* 21 ZT_VT_BLOB       */ ToObject<CZtBlob>,
    /* 22                  */ InvalidTarget,
    /* 23                  */ InvalidTarget,
    /* 24                  */ InvalidTarget,
    /* 25 ZT_VT_UNKNOWN    */ NotSupported,
    /* 26 ZT_VT_RAW32      */ NotSupported,
    /* 27 ZT_VT_RAW64      */ NotSupported,
    /* 28 ZT_VT_REFERENCED */ NotSupported,
    /* 29 .. 47            */ InvalidTarget,
    InvalidTarget,
    InvalidTarget,
    InvalidTarget,
    InvalidTarget,
    InvalidTarget,
    InvalidTarget,
    InvalidTarget,
    InvalidTarget,
    InvalidTarget,
    InvalidTarget,
    InvalidTarget,
    InvalidTarget,
    InvalidTarget,
    InvalidTarget,
    InvalidTarget,
    InvalidTarget,
    InvalidTarget,
    InvalidTarget,
    /* 48 ZT_VT_VARIANT    */ NotSupported,
    /* 49 ZT_VT_GUID       */ ToGuid,
    /* 50 ZT_VT_STRING     */ ToObject<CZtString>,
    /* 51 ZT_VT_CHROMID    */ ToChromid,
    /* 52 ZT_VT_MAP        */ ToMap,
    /* 53 ZT_VT_DISPATCH   */ NotSupported,
};

// A data array converts element by element in the temporary's own copy.
// Anything short of every element converting is a failure, and then `dst`
// is left as it was.
unsigned int ConvertArray(tagZTVARIANT& dst, CZtVariant& temporary, unsigned short flags,
                          unsigned short vartype) {
    const unsigned short code = detail::BaseCode(vartype);
    auto* array = Load<tagDATAARRAY*>(&temporary.data);
    if (detail::ArrayPayload::ChangeType(array, flags, code) != ZT_S_OK)
        return ZT_E_FAIL;
    temporary.vartype = static_cast<unsigned short>(code | ZT_VT_ARRAY);
    // The converted copy moves into `dst` as it is.
    detail::Replace(dst, temporary);
    temporary.Init();
    return ZT_S_OK;
}

}  // namespace

unsigned int ZtVariantChangeType(tagZTVARIANT* dst, const tagZTVARIANT* src, unsigned short flags,
                                 unsigned short vartype) {
    if (!dst || !src)
        return ZT_E_NULL_POINTER;
    if (vartype == detail::BaseCode(src->vartype)) {
        if (dst != src)
            ZtVariantCopy(dst, src);
        return ZT_S_OK;
    }
    if (detail::IsByRef(*src))
        return ZT_E_NOT_SUPPORTED;

    // An array converts in a copy of its own.
    if (detail::IsArray(*src)) {
        CZtVariant temporary(src);
        return ConvertArray(*dst, temporary, flags, vartype);
    }

    // The rules read `src` and build the result in a record of its own;
    // `dst` changes only afterwards, so it may be `src` or own it.
    tagZTVARIANT scratch;
    tagZTVARIANT& converted = detail::BuildRecordFor(*dst, *src, scratch);
    const unsigned int result =
        vartype < detail::kTypeCount ? kTargetRules[vartype](*src, converted) : ZT_E_INVALID_TYPE;
    if (result == ZT_S_OK) {
        converted.vartype = vartype;
        detail::Install(*dst, converted);
    } else if (dst != src) {
        // A failed conversion into another record leaves it empty (with
        // nothing of what the rule wrote); one in place leaves the value as
        // it was.
        ZtVariantClear(dst);
        std::memset(static_cast<void*>(dst), 0, sizeof(*dst));
    }
    return result;
}

}  // namespace Varn
