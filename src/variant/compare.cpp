// Equality of variant records.
#include <zotrel/variant.h>

#include <cstring>

#include "variant/arraypayload.h"
#include "variant/varianttype.h"

namespace Varn {

using detail::IsArray;
using detail::IsByRef;
using detail::Load;
using detail::Number;
using detail::ObjectAt;
using detail::ObjectOpsOf;
using detail::Payload;
using detail::TypeInfo;
using detail::TypeOf;
using detail::ValueAddress;

namespace {

const tagDATAARRAY* ArrayAt(const void* slot) {
    return Load<const tagDATAARRAY*>(slot);
}

// Owned objects compare by content; without both objects there is no answer.
unsigned int CompareObjects(Payload payload, const void* slotA, const void* slotB, bool* equal) {
    const void* a = ObjectAt(slotA);
    const void* b = ObjectAt(slotB);
    if (!a || !b)
        return ZT_S_OK;
    return ObjectOpsOf(payload)->compare(a, b, equal);
}

// Two values a by-reference record points at: integers compare as integers
// (their bytes), floating-point values as numbers.
bool SameNumber(Number number, std::size_t width, const void* a, const void* b) {
    switch (number) {
        case Number::F32:
            return Load<float>(a) == Load<float>(b);
        case Number::F64:
            return Load<double>(a) == Load<double>(b);
        default:
            return std::memcmp(a, b, width) == 0;
    }
}

unsigned int CompareByValue(const TypeInfo& type, const tagZTVARIANT& a, const tagZTVARIANT& b,
                            bool* equal) {
    switch (type.payload) {
        case Payload::Empty:
            *equal = true;
            return ZT_S_OK;
        case Payload::Number:
        case Payload::Raw32:
        case Payload::Raw64:
        case Payload::Guid:
            // Whole records: records made by the library's setters are zero
            // beyond their value.
            *equal = std::memcmp(&a, &b, sizeof(a)) == 0;
            return ZT_S_OK;
        case Payload::TimeSpan:
        case Payload::Time:
        case Payload::Blob:
        case Payload::String:
        case Payload::Map:
            return CompareObjects(type.payload, &a.data, &b.data, equal);
        case Payload::Chromid:
            return ZTCHROMIDCompare(&a.data.chromid, &b.data.chromid, equal);
        case Payload::Unknown:
        case Payload::Referenced:
        case Payload::Dispatch:
            return ZT_E_NOT_SUPPORTED;
        case Payload::Variant:
        case Payload::Invalid:
            return ZT_E_INVALID_TYPE;
    }
    return ZT_E_INVALID_TYPE;
}

unsigned int CompareRecords(const tagZTVARIANT* a, const tagZTVARIANT* b, bool* equal, int depth) {
    if (!a || !b || !equal)
        return ZT_E_NULL_POINTER;
    if (a->vartype != b->vartype) {
        *equal = false;
        return ZT_S_OK;
    }
    const void* refA = ValueAddress(*a);
    const void* refB = ValueAddress(*b);
    if (IsArray(*a)) {
        if (!refA || !refB)
            return ZT_S_OK;
        return detail::ArrayPayload::Compare(ArrayAt(refA), ArrayAt(refB), equal);
    }
    const TypeInfo& type = TypeOf(a->vartype);
    if (!IsByRef(*a))
        return CompareByValue(type, *a, *b, equal);

    // Types that have no answer say so even when a reference is null.
    switch (type.payload) {
        case Payload::Variant:
            if (depth == detail::kMaxReferenceDepth)
                return ZT_E_INVALID_OBJECT;
            return CompareRecords(static_cast<const tagZTVARIANT*>(refA),
                                  static_cast<const tagZTVARIANT*>(refB), equal, depth + 1);
        case Payload::Raw32:
        case Payload::Raw64:
        case Payload::Unknown:
        case Payload::Referenced:
        case Payload::Dispatch:
            return ZT_E_NOT_SUPPORTED;
        case Payload::Empty:
        case Payload::Invalid:
            return ZT_E_INVALID_TYPE;
        default:
            break;
    }
    if (!refA || !refB)
        return ZT_S_OK;
    switch (type.payload) {
        case Payload::Number:
            *equal = SameNumber(type.number, detail::WidthOf(type), refA, refB);
            return ZT_S_OK;
        case Payload::Guid:
            *equal = std::memcmp(refA, refB, sizeof(tagZTGUID)) == 0;
            return ZT_S_OK;
        case Payload::TimeSpan:
        case Payload::Time:
        case Payload::Blob:
        case Payload::String:
        case Payload::Map:
            return CompareObjects(type.payload, refA, refB, equal);
        case Payload::Chromid:
            return ZTCHROMIDCompare(static_cast<const tagZTCHROMID*>(refA),
                                    static_cast<const tagZTCHROMID*>(refB), equal);
        default:
            return ZT_E_INVALID_TYPE;
    }
}

}  // namespace

unsigned int ZtVariantCompare(const tagZTVARIANT* a, const tagZTVARIANT* b, bool* equal) {
    return CompareRecords(a, b, equal, 0);
}

}  // namespace Varn
