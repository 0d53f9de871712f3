// The variant type table: what every type code stores, and the small tools
// every variant function uses to read and write a record's payload.
//
// Each variant function (clear, copy, compare, convert, render) switches over
// the payload kind of this table, never over the codes themselves, so the
// list of codes and what each one holds is written down exactly once.
#ifndef ZOTREL_SRC_VARIANT_VARIANTTYPE_H
#define ZOTREL_SRC_VARIANT_VARIANTTYPE_H

#include <zotrel/blob.h>
#include <zotrel/string.h>
#include <zotrel/time.h>
#include <zotrel/variant.h>

#include <cstring>
#include <new>

namespace Varn::detail {

/// How a record stores and owns the value of one type code.
enum class Payload : unsigned char {
    Invalid,     ///< a code the record does not define
    Empty,       ///< ZT_VT_EMPTY: nothing
    Number,      ///< an integer or floating-point value in place
    Raw32,       ///< ZT_VT_RAW32: 32 bits in place that nothing interprets
    Raw64,       ///< ZT_VT_RAW64: 64 bits in place without conversions
    TimeSpan,    ///< owned CZtTimeSpan*
    Time,        ///< owned CZtTime*
    Blob,        ///< owned CZtBlob*
    String,      ///< owned CZtString*
    Map,         ///< owned CZtMap*
    Unknown,     ///< IZtUnknown*, one reference held
    Referenced,  ///< IZtReferenced*, one reference held
    Dispatch,    ///< IZtDispatch*, one reference held
    Variant,     ///< ZT_VT_VARIANT: with ZT_VT_BYREF another record
    Guid,        ///< tagZTGUID in place
    Chromid,     ///< tagZTCHROMID in place, its text owned
};

/// How an in-place number reads.
enum class Number : unsigned char { None, U8, I8, U16, I16, U32, I32, U64, I64, F32, F64 };

struct TypeInfo {
    Payload payload;
    Number number;  ///< for Payload::Number
};

/// Codes 0..ZT_VT_DISPATCH are listed; everything above is invalid.
constexpr unsigned int kTypeCount = 54;

/// One row per code, in code order, and the row of every other code.
extern const TypeInfo kTypes[kTypeCount];
extern const TypeInfo kInvalidType;

/// The row of a type word: its code with the flags ZT_VT_ARRAY and
/// ZT_VT_BYREF taken away. The unused bits 0x1000 and 0x8000 stay, so a type
/// word carrying them reads as invalid.
inline const TypeInfo& TypeOf(unsigned int vartype) {
    const unsigned int code = vartype & ~static_cast<unsigned int>(ZT_VT_ARRAY | ZT_VT_BYREF);
    return code < kTypeCount ? kTypes[code] : kInvalidType;
}

/// The type code (bits 0-11) of a type word.
inline unsigned short BaseCode(unsigned int vartype) {
    return static_cast<unsigned short>(vartype & ZT_VT_TYPEMASK);
}
inline bool IsByRef(const tagZTVARIANT& v) {
    return (v.vartype & ZT_VT_BYREF) != 0;
}
inline bool IsArray(const tagZTVARIANT& v) {
    return (v.vartype & ZT_VT_ARRAY) != 0;
}

/// True for the three interface payloads.
inline bool IsInterface(Payload p) {
    return p == Payload::Unknown || p == Payload::Referenced || p == Payload::Dispatch;
}

/// Bytes of an in-place value: what a by-reference record points at.
std::size_t WidthOf(const TypeInfo& type);

// Payload bytes are read and written with memcpy: a record may have been
// filled through any member of its union, or by a C caller.

template <class T>
T Load(const void* where) {
    T value;
    std::memcpy(&value, where, sizeof(T));
    return value;
}

template <class T>
void Store(void* where, const T& value) {
    std::memcpy(where, &value, sizeof(T));
}

/// The address of a record's value: its payload, or for a by-reference record
/// the storage its pointer designates (null when that pointer is null).
inline const void* ValueAddress(const tagZTVARIANT& v) {
    return IsByRef(v) ? Load<const void*>(&v.data) : static_cast<const void*>(&v.data);
}

/// The object pointer kept at `slot` (the payload, or the place a reference
/// designates) for the object payloads.
inline void* ObjectAt(const void* slot) {
    return Load<void*>(slot);
}

/// An in-place number widened to 64 bits without losing its value.
struct NumberValue {
    enum class Kind : unsigned char { Signed, Unsigned, Floating };
    Kind kind = Kind::Signed;
    long long i = 0;           ///< Kind::Signed
    unsigned long long u = 0;  ///< Kind::Unsigned
    double f = 0;              ///< Kind::Floating (a float is widened)
};

/// Reads the number of kind `number` stored at `where`.
NumberValue ReadNumber(Number number, const void* where);

/// `value` truncated toward zero to a signed 64-bit integer. Values beyond
/// the range saturate to its limits and NaN gives 0, where a plain cast would
/// be undefined.
long long TruncateToInt64(double value);

/// The interface kept at `slot`, seen through its reference-counting base.
IZtReferenced* InterfaceAt(Payload payload, const void* slot);

/// How deep chains of ZT_VT_VARIANT references are followed; a longer chain
/// (or a cycle) is treated as a broken reference.
constexpr int kMaxReferenceDepth = 32;

/// Follows ZT_VT_VARIANT references (ZT_VT_VARIANT | ZT_VT_BYREF) from `v` to
/// the record that holds a value; null for a null reference or a chain longer
/// than kMaxReferenceDepth.
const tagZTVARIANT* Resolve(const tagZTVARIANT& v);

/// Fills the zeroed record `dst` (not `src`) with a copy of `src`: the work
/// of ZtVariantCopy once its destination is ready. A result code.
unsigned int CopyInto(tagZTVARIANT& dst, const tagZTVARIANT& src);

/// Releases what `v` owns without changing the record: the work of
/// ZtVariantClear before it zeroes the record. A result code.
unsigned int ReleasePayload(tagZTVARIANT& v);

/// Operations on the owned heap objects, one row per object payload. Each
/// takes a non-null object; the null pointer cases are the callers' business.
struct ObjectOps {
    /// Destroys and frees the object; a result code for the clean-up.
    unsigned int (*destroy)(void* object);
    /// A new heap copy in `*out` (null when memory ran out, reported as 0);
    /// a result code.
    unsigned int (*copy)(const void* object, void** out);
    bool (*isEmpty)(const void* object);
    /// Stores equality in `*equal`; a result code.
    unsigned int (*compare)(const void* a, const void* b, bool* equal);
};

// How each value class makes and frees its heap objects: text and bytes use
// their own heap members, so an object crosses module boundaries safely.
// Allocation failures while copying leave a null object and are not
// reported, so a copy never throws out of a C function.
template <class T>
T* NewCopy(const T& value) {
    return new T(value);
}
template <class T>
void Delete(T* object) {
    delete object;
}
inline CZtString* NewString(const CZtString& text) {
    return text.AllocString();
}
inline CZtBlob* NewBlob(const CZtBlob& bytes) {
    return bytes.AllocBlob();
}

/// The operations of a value class T: `makeCopy` makes a heap copy and
/// `destroy` frees one; emptiness and equality are T's own.
template <class T, T* (*makeCopy)(const T&), void (*destroy)(T*)>
constexpr ObjectOps ValueObjectOps() {
    return {
        [](void* p) {
            destroy(static_cast<T*>(p));
            return ZT_S_OK;
        },
        [](const void* p, void** out) {
            try {
                *out = makeCopy(*static_cast<const T*>(p));
            } catch (const std::bad_alloc&) {
                *out = nullptr;
            }
            return ZT_S_OK;
        },
        [](const void* p) { return static_cast<const T*>(p)->IsEmpty(); },
        [](const void* a, const void* b, bool* equal) {
            *equal = *static_cast<const T*>(a) == *static_cast<const T*>(b);
            return ZT_S_OK;
        },
    };
}

// The value classes' rows are defined here, where every variant function
// sees them, so that a call through a row the caller names is a direct call.
inline constexpr ObjectOps kTimeSpanOps =
    ValueObjectOps<CZtTimeSpan, NewCopy<CZtTimeSpan>, Delete<CZtTimeSpan>>();
inline constexpr ObjectOps kTimeOps = ValueObjectOps<CZtTime, NewCopy<CZtTime>, Delete<CZtTime>>();
inline constexpr ObjectOps kBlobOps = ValueObjectOps<CZtBlob, NewBlob, CZtBlob::DestroyBlob>();
inline constexpr ObjectOps kStringOps =
    ValueObjectOps<CZtString, NewString, CZtString::DestroyString>();
extern const ObjectOps kMapOps;

/// Calls `action` with the operations of an object payload (one of the five
/// object payloads only). Each payload gets its own call with its row known,
/// so copying and freeing the usual objects (texts above all) make direct
/// calls instead of calls through the row's pointers.
template <class Action>
decltype(auto) WithObjectOps(Payload payload, Action&& action) {
    switch (payload) {
        case Payload::String:
            return action(kStringOps);
        case Payload::Blob:
            return action(kBlobOps);
        case Payload::Time:
            return action(kTimeOps);
        case Payload::TimeSpan:
            return action(kTimeSpanOps);
        default:
            return action(kMapOps);
    }
}

/// The operations of an object payload; null for the other payloads.
inline const ObjectOps* ObjectOpsOf(Payload payload) {
    switch (payload) {
        case Payload::TimeSpan:
            return &kTimeSpanOps;
        case Payload::Time:
            return &kTimeOps;
        case Payload::Blob:
            return &kBlobOps;
        case Payload::String:
            return &kStringOps;
        case Payload::Map:
            return &kMapOps;
        default:
            return nullptr;
    }
}

/// A zeroed record.
inline tagZTVARIANT EmptyRecord() {
    tagZTVARIANT v;
    std::memset(static_cast<void*>(&v), 0, sizeof(v));
    return v;
}

/// Releases what `dst` holds and gives it the value of the record `fresh`,
/// whose ownership passes to `dst`. New values are built completely before
/// this is called, so they may come from the record they replace.
inline void Replace(tagZTVARIANT& dst, const tagZTVARIANT& fresh) {
    ZtVariantClear(&dst);
    std::memcpy(static_cast<void*>(&dst), &fresh, sizeof(dst));
}

/// The zeroed record in which a new value for `dst`, read from `src`, is
/// built. An empty `dst` that is not `src` owns nothing `src` could live in,
/// so the value is built in `dst` itself; otherwise in `scratch`, and
/// `Install` moves it into `dst` once it is complete. (Building aside and
/// copying costs a stalled reload of the freshly written record.)
inline tagZTVARIANT& BuildRecordFor(tagZTVARIANT& dst, const tagZTVARIANT& src,
                                    tagZTVARIANT& scratch) {
    tagZTVARIANT& record = (&dst != &src && dst.vartype == ZT_VT_EMPTY) ? dst : scratch;
    std::memset(static_cast<void*>(&record), 0, sizeof(record));
    return record;
}

/// Gives `dst` the value built in `record` (see BuildRecordFor).
inline void Install(tagZTVARIANT& dst, const tagZTVARIANT& record) {
    if (&record != &dst)
        Replace(dst, record);
}

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_VARIANT_VARIANTTYPE_H
