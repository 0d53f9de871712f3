#include "variant/varianttype.h"

#include <zotrel/blob.h>
#include <zotrel/string.h>
#include <zotrel/time.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <new>

#include "variant/mappayload.h"

namespace Varn {

// The record keeps its exchanged layout: the payload at offset 8, 40 bytes in
// all where pointers have 4 bytes; where they have 8 the payload grows to hold
// a whole CHROMID record (40 bytes), so the record is 48 bytes.
static_assert(offsetof(tagZTVARIANT, vartype) == 0, "tagZTVARIANT.vartype at 0");
static_assert(offsetof(tagZTVARIANT, reserved) == 2, "tagZTVARIANT.reserved at 2");
static_assert(offsetof(tagZTVARIANT, data) == 8, "tagZTVARIANT.data at 8");
static_assert(sizeof(tagZTVARIANTDATA) == sizeof(tagZTCHROMID), "the payload holds a CHROMID");
static_assert(sizeof(void*) != 8 || sizeof(tagZTVARIANT) == 48,
              "tagZTVARIANT is 48 bytes where pointers are 8 bytes");
static_assert(sizeof(void*) != 4 || sizeof(tagZTVARIANT) == 40,
              "tagZTVARIANT is 40 bytes where pointers are 4 bytes");
static_assert(alignof(tagZTVARIANT) == 8, "tagZTVARIANT is aligned to 8 bytes");

namespace detail {

using P = Payload;
using N = Number;

// Every type code, in code order. Codes 17-20 hold the same kinds of values
// as 6-9; 27 holds an unsigned 64-bit value but takes part in no conversion.
constexpr TypeInfo kTypes[kTypeCount] = {
    /*  0 ZT_VT_EMPTY      */ {P::Empty, N::None},
    /*  1 ZT_VT_BOOL       */ {P::Number, N::U8},
    /*  2 ZT_VT_I1         */ {P::Number, N::I8},
    /*  3 ZT_VT_I2         */ {P::Number, N::I16},
    /*  4 ZT_VT_I4         */ {P::Number, N::I32},
    /*  5 ZT_VT_I8         */ {P::Number, N::I64},
    /*  6 ZT_VT_UI1        */ {P::Number, N::U8},
    /*  7 ZT_VT_UI2        */ {P::Number, N::U16},
    /*  8 ZT_VT_UI4        */ {P::Number, N::U32},
    /*  9 ZT_VT_UI8        */ {P::Number, N::U64},
    /* 10 ZT_VT_R4         */ {P::Number, N::F32},
    /* 11 ZT_VT_R8         */ {P::Number, N::F64},
    /* 12 ZT_VT_TIMESPAN   */ {P::TimeSpan, N::None},
    /* 13 ZT_VT_TIME       */ {P::Time, N::None},
    /* 14                  */ {P::Invalid, N::None},
    /* 15                  */ {P::Invalid, N::None},
    /* 16                  */ {P::Invalid, N::None},
    /* 17 ZT_VT_BYTE       */ {P::Number, N::U8},
    /* 18 ZT_VT_WORD       */ {P::Number, N::U16},
    /* 19 ZT_VT_DWORD      */ {P::Number, N::U32},
    /* 20 ZT_VT_QWORD      */ {P::Number, N::U64},
    /* 21 ZT_VT_BLOB       */ {P::Blob, N::None},
    /* 22                  */ {P::Invalid, N::None},
    /* 23                  */ {P::Invalid, N::None},
    /* 24                  */ {P::Invalid, N::None},
    /* 25 ZT_VT_UNKNOWN    */ {P::Unknown, N::None},
    /* 26 ZT_VT_RAW32      */ {P::Raw32, N::None},
    /* 27 ZT_VT_RAW64      */ {P::Raw64, N::None},
    /* 28 ZT_VT_REFERENCED */ {P::Referenced, N::None},
    /* 29 .. 47            */ {P::Invalid, N::None},
    {P::Invalid, N::None},
    {P::Invalid, N::None},
    {P::Invalid, N::None},
    {P::Invalid, N::None},
    {P::Invalid, N::None},
    {P::Invalid, N::None},
    {P::Invalid, N::None},
    {P::Invalid, N::None},
    {P::Invalid, N::None},
    {P::Invalid, N::None},
    {P::Invalid, N::None},
    {P::Invalid, N::None},
    {P::Invalid, N::None},
    {P::Invalid, N::None},
    {P::Invalid, N::None},
    {P::Invalid, N::None},
    {P::Invalid, N::None},
    {P::Invalid, N::None},
    /* 48 ZT_VT_VARIANT    */ {P::Variant, N::None},
    /* 49 ZT_VT_GUID       */ {P::Guid, N::None},
    /* 50 ZT_VT_STRING     */ {P::String, N::None},
    /* 51 ZT_VT_CHROMID    */ {P::Chromid, N::None},
    /* 52 ZT_VT_MAP        */ {P::Map, N::None},
    /* 53 ZT_VT_DISPATCH   */ {P::Dispatch, N::None},
};

// The table has one row per code: the last rows sit at their codes.
static_assert(kTypes[ZT_VT_REFERENCED].payload == P::Referenced, "row 28");
static_assert(kTypes[ZT_VT_VARIANT].payload == P::Variant, "row 48");
static_assert(kTypes[ZT_VT_DISPATCH].payload == P::Dispatch, "row 53");

constexpr TypeInfo kInvalidType = {P::Invalid, N::None};

// The map row; the value classes' rows are in the header.
constexpr ObjectOps kMapOps = {
    [](void* p) { return MapPayload::Destroy(static_cast<CZtMap*>(p)); },
    [](const void* p, void** out) {
        CZtMap* copy = nullptr;
        const unsigned int result = MapPayload::Copy(static_cast<const CZtMap*>(p), &copy);
        *out = copy;
        return result;
    },
    [](const void* p) { return MapPayload::IsEmpty(static_cast<const CZtMap*>(p)); },
    [](const void* a, const void* b, bool* equal) {
        return MapPayload::Compare(static_cast<const CZtMap*>(a), static_cast<const CZtMap*>(b),
                                   equal);
    },
};

std::size_t WidthOf(const TypeInfo& type) {
    switch (type.payload) {
        case Payload::Number:
            switch (type.number) {
                case Number::U8:
                case Number::I8:
                    return 1;
                case Number::U16:
                case Number::I16:
                    return 2;
                case Number::U32:
                case Number::I32:
                case Number::F32:
                    return 4;
                case Number::U64:
                case Number::I64:
                case Number::F64:
                    return 8;
                case Number::None:
                    return 0;
            }
            return 0;
        case Payload::Raw32:
            return 4;
        case Payload::Raw64:
            return 8;
        case Payload::Guid:
            return sizeof(tagZTGUID);
        case Payload::Chromid:
            return sizeof(tagZTCHROMID);
        case Payload::TimeSpan:
        case Payload::Time:
        case Payload::Blob:
        case Payload::String:
        case Payload::Map:
        case Payload::Unknown:
        case Payload::Referenced:
        case Payload::Dispatch:
            return sizeof(void*);
        case Payload::Variant:
            return sizeof(tagZTVARIANT);
        case Payload::Invalid:
        case Payload::Empty:
            return 0;
    }
    return 0;
}

NumberValue ReadNumber(Number number, const void* where) {
    NumberValue n;
    switch (number) {
        case Number::U8:
            n.kind = NumberValue::Kind::Unsigned;
            n.u = Load<unsigned char>(where);
            break;
        case Number::U16:
            n.kind = NumberValue::Kind::Unsigned;
            n.u = Load<unsigned short>(where);
            break;
        case Number::U32:
            n.kind = NumberValue::Kind::Unsigned;
            n.u = Load<unsigned int>(where);
            break;
        case Number::U64:
            n.kind = NumberValue::Kind::Unsigned;
            n.u = Load<unsigned long long>(where);
            break;
        case Number::I8:
            n.i = Load<signed char>(where);
            break;
        case Number::I16:
            n.i = Load<short>(where);
            break;
        case Number::I32:
            n.i = Load<int>(where);
            break;
        case Number::I64:
            n.i = Load<long long>(where);
            break;
        case Number::F32:
            n.kind = NumberValue::Kind::Floating;
            n.f = Load<float>(where);
            break;
        case Number::F64:
            n.kind = NumberValue::Kind::Floating;
            n.f = Load<double>(where);
            break;
        case Number::None:
            break;
    }
    return n;
}

long long TruncateToInt64(double value) {
    // 2^63 is exact as a double; every double below it and at or above -2^63
    // converts without overflow.
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (std::isnan(value))
        return 0;
    if (value >= kTwoTo63)
        return std::numeric_limits<long long>::max();
    if (value < -kTwoTo63)
        return std::numeric_limits<long long>::min();
    return static_cast<long long>(value);
}

IZtReferenced* InterfaceAt(Payload payload, const void* slot) {
    switch (payload) {
        case Payload::Unknown:
            return Load<IZtUnknown*>(slot);
        case Payload::Referenced:
            return Load<IZtReferenced*>(slot);
        case Payload::Dispatch:
            return Load<IZtDispatch*>(slot);
        default:
            return nullptr;
    }
}

const tagZTVARIANT* Resolve(const tagZTVARIANT& v) {
    const tagZTVARIANT* current = &v;
    for (int depth = 0; current->vartype == (ZT_VT_VARIANT | ZT_VT_BYREF); ++depth) {
        if (depth == kMaxReferenceDepth)
            return nullptr;
        current = static_cast<const tagZTVARIANT*>(ValueAddress(*current));
        if (!current)
            return nullptr;
    }
    return current;
}

}  // namespace detail
}  // namespace Varn
