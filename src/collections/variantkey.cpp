// Hashing and comparing the keys of CZtVariantObjectMap.
#include "collections/variantkey.h"

#include <zotrel/blob.h>
#include <zotrel/chromid.h>
#include <zotrel/dataarray.h>
#include <zotrel/map.h>
#include <zotrel/string.h>
#include <zotrel/time.h>

#include <QByteArray>
#include <QHash>
#include <QString>

#include <algorithm>

#include "identifiers/toolkithelper.h"
#include "text/blobimpl.h"
#include "text/stringimpl.h"
#include "variant/varianttype.h"

namespace Varn::detail {

namespace {

uint Hash64(unsigned long long value, uint seed) {
    return ::qHash(static_cast<quint64>(value), seed);
}

// Floating-point keys hash by their bits, with -0 read as 0: a by-reference
// key compares its values as numbers, and there 0 equals -0.
unsigned int FloatBits(float value) {
    return value == 0.0f ? 0u : Load<unsigned int>(&value);
}
unsigned long long DoubleBits(double value) {
    return value == 0.0 ? 0ull : Load<unsigned long long>(&value);
}

// A CHROMID equals another of the other form when both name the same six
// numbers (a cleared record, or a text record without text, names 0.0.0.0.0.0;
// a text names numbers when it is their canonical form). So every CHROMID
// that names numbers hashes by their sum, and only a text that names none by
// its text.
uint HashChromid(const tagZTCHROMID& id, uint seed) {
    unsigned int parts[6] = {};
    if (id.dataType == ZT_CHROMID_NUMERIC) {
        std::copy(id.parts, id.parts + 6, parts);
    } else if (id.dataType == ZT_CHROMID_TEXT && id.text &&
               CZtToolkitHelper::ReadCHROMIDText(*id.text, parts) !=
                   CZtToolkitHelper::CHROMIDText::Numeric) {
        return ::qHash(CZtStringImpl::TextOrEmpty(*id.text), seed);
    }
    unsigned int sum = 0;
    for (unsigned int part : parts)
        sum += part;
    return seed ^ sum;
}

template <class T>
const T* ObjectIn(const void* slot) {
    return static_cast<const T*>(ObjectAt(slot));
}

// The hash of the value of type `code` (flags taken away) stored at `value`:
// the payload of a by-value key, or what a by-reference key refers to.
uint HashValue(unsigned int code, const void* value, uint seed) {
    switch (code) {
        case ZT_VT_EMPTY:
            // Every empty key equals every other, whatever its payload bytes.
            return seed;
        case ZT_VT_I2:
        case ZT_VT_UI2:
        case ZT_VT_WORD:
            return seed ^ Load<unsigned short>(value);
        case ZT_VT_I4:
        case ZT_VT_UI4:
        case ZT_VT_DWORD:
            return seed ^ Load<unsigned int>(value);
        case ZT_VT_R4:
            return seed ^ FloatBits(Load<float>(value));
        case ZT_VT_I8:
        case ZT_VT_UI8:
        case ZT_VT_QWORD:
            return Hash64(Load<unsigned long long>(value), seed);
        case ZT_VT_R8:
            return Hash64(DoubleBits(Load<double>(value)), seed);
        case ZT_VT_TIMESPAN: {
            const CZtTimeSpan* span = ObjectIn<CZtTimeSpan>(value);
            return span ? Hash64(span->GetTimeSpan(), seed) : seed;
        }
        case ZT_VT_TIME: {
            const CZtTime* time = ObjectIn<CZtTime>(value);
            return time ? Hash64(time->GetTimeStamp(), seed) : seed;
        }
        case ZT_VT_BLOB: {
            const CZtBlob* blob = ObjectIn<CZtBlob>(value);
            return blob ? ::qHash(CZtBlobImpl::BytesOrEmpty(*blob), seed) : seed;
        }
        case ZT_VT_UNKNOWN:
        case ZT_VT_REFERENCED:
        case ZT_VT_DISPATCH:
            return ::qHash(reinterpret_cast<quintptr>(ObjectAt(value)), seed);
        case ZT_VT_STRING: {
            const CZtString* text = ObjectIn<CZtString>(value);
            return text ? ::qHash(CZtStringImpl::TextOrEmpty(*text), seed) : seed;
        }
        case ZT_VT_CHROMID:
            return HashChromid(*static_cast<const tagZTCHROMID*>(value), seed);
        case ZT_VT_MAP: {
            // Equal maps have the same entries, so at least the same number.
            const CZtMap* map = ObjectIn<CZtMap>(value);
            return map ? seed ^ static_cast<uint>(map->Count()) : seed;
        }
        default:
            // Booleans, 8-bit numbers, raw bits, GUIDs and invalid codes:
            // their first byte.
            return seed ^ Load<unsigned char>(value);
    }
}

// By-reference keys of these kinds are never equal to anything, so their
// references are not followed.
bool IsNeverEqualByRef(Payload payload) {
    return payload == Payload::Invalid || payload == Payload::Empty || payload == Payload::Raw32 ||
           payload == Payload::Raw64 || IsInterface(payload);
}

}  // namespace

unsigned int HashVariantKey(const tagZTVARIANT& key, unsigned int seed) {
    if (IsArray(key)) {
        // Equal arrays have the same shape, so the same element count; an
        // array that is not live counts 0.
        const void* slot = ValueAddress(key);
        unsigned int count = 0;
        if (slot)
            ZtDataArrayGetElementCount(Load<tagDATAARRAY*>(slot), &count, nullptr);
        return seed ^ count;
    }
    if (!IsByRef(key))
        return HashValue(key.vartype, &key.data, seed);
    if (BaseCode(key.vartype) == ZT_VT_VARIANT) {
        // Two references to records are equal when the records are.
        const tagZTVARIANT* target = Resolve(key);
        return target ? HashVariantKey(*target, seed) : seed;
    }
    const unsigned int code = key.vartype & ~static_cast<unsigned int>(ZT_VT_BYREF);
    const void* value = ValueAddress(key);
    if (!value || IsNeverEqualByRef(TypeOf(code).payload))
        return seed;
    return HashValue(code, value, seed);
}

bool IsSameVariantKey(const tagZTVARIANT& stored, const tagZTVARIANT& given) {
    bool equal = false;
    return ZtVariantCompare(&stored, &given, &equal) == ZT_S_OK && equal;
}

}  // namespace Varn::detail
