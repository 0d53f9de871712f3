/// @file
/// Zotrel variants: the tagged value record, its type codes, conversions and class.
///
/// `tagZTVARIANT` is the library's one tagged value: a plain record that
/// crosses the C interface by pointer, the element of data arrays of type
/// `ZT_VT_VARIANT` and the value of maps and collections. `CZtVariant` is the
/// same record with member functions; it adds no data, so either may be passed
/// where the other is expected.
///
/// The record. `vartype` holds a type code in its low 12 bits
/// (`ZT_VT_TYPEMASK`) and two flags above it; `data` holds the payload, whose
/// meaning the code gives (see the `ZT_VT_...` constants). The record is 40
/// bytes where pointers have 4 bytes and 48 bytes where they have 8 (the
/// payload then also holds a whole CHROMID record); `data` always starts at
/// offset 8. A record whose `vartype` is 0 is empty.
///
///  - Numbers, GUIDs and raw bits lie in place in `data`.
///  - Texts, byte buffers, times, durations and maps are heap objects that the
///    record owns through a pointer in `data` (a null pointer means there is
///    no object).
///  - Interfaces (`ZT_VT_UNKNOWN`, `ZT_VT_REFERENCED`, `ZT_VT_DISPATCH`) are
///    pointers for which the record holds one reference.
///  - A CHROMID lies in place and the record owns its text.
///  - `ZT_VT_BYREF`: `data` begins with a pointer to storage that someone else
///    owns: the value itself, the place holding the object or interface
///    pointer, or (with `ZT_VT_VARIANT`) another record. A by-reference record
///    owns nothing.
///  - `ZT_VT_ARRAY`: `data` begins with a data array handle whose element type
///    is the code; by value the record owns the array.
///
/// Ownership. A record starts life through `ZtVariantInit` (or zero-filling)
/// and gives back what it owns through `ZtVariantClear`. Every copy is
/// independent: owned objects are copied deeply (text and byte bodies are
/// shared until one side changes), interfaces get one more reference. Every
/// function that writes a new value into a record releases the value the
/// record held. `CZtVariant` does all of this itself.
///
///     Varn::CZtVariant level(42);                     // ZT_VT_I4
///     Varn::CZtVariant text(L"0x1F");                 // ZT_VT_STRING
///     int n = text;                                   // 31: text reads as a number
///     text.ZtVariantChangeType(Varn::ZT_VT_I8);       // now ZT_VT_I8 holding 31
///     Varn::CZtString shown(level);                   // "42"
///     bool same = level == Varn::CZtVariant(42);      // true; 42 as ZT_VT_I8 would differ
///
///     tagZTVARIANT record;                            // from C
///     ZtVariantInit(&record);
///     ZtGUID2Variant(&guid, &record);
///     ZtVariantClear(&record);
///
/// Conversions. Integers convert to each other by keeping the low bits (300 as
/// an 8-bit value is 44), floating-point values are truncated toward zero
/// (values beyond the 64-bit range saturate, NaN gives 0), times and durations
/// give their 100-ns tick counts, texts read as numbers by the saturating parse
/// of `CZtString` ("0x" selects base 16 for integers), and everything has a
/// text. Two records are equal only when their whole type words match: 1 as
/// `ZT_VT_I4` and 1 as `ZT_VT_I8` differ.
///
/// Threads. The functions keep no state and take no locks: a record is used by
/// one thread at a time. Reference counts are atomic, so records holding the
/// same interface, text or bytes may be copied and cleared on different
/// threads.
///
/// The record, the constants and the C functions also compile as C11.

#ifndef ZOTREL_VARIANT_H
#define ZOTREL_VARIANT_H

#include <zotrel/chromid.h>
#include <zotrel/foundation.h>
#include <zotrel/guid.h>

#ifndef __cplusplus
#include <stdbool.h>
// Opaque in C: only the library creates, reads and frees these objects.
typedef struct CZtBlob CZtBlob;
typedef struct CZtTime CZtTime;
typedef struct CZtTimeSpan CZtTimeSpan;
typedef struct CZtMap CZtMap;
typedef struct IZtReferenced IZtReferenced;
typedef struct IZtUnknown IZtUnknown;
typedef struct IZtDispatch IZtDispatch;
/// Aligns the payload of the record to 8 bytes (C11 spelling).
#define ZOTREL_ALIGN8 _Alignas(8)
#else
/// Aligns the payload of the record to 8 bytes; undefined again after the
/// record.
#define ZOTREL_ALIGN8 alignas(8)
namespace Varn {
class CZtBlob;
class CZtMap;
class CZtTime;
class CZtTimeSpan;
}  // namespace Varn
#endif

ZOTREL_NAMESPACE_BEGIN

// Type codes (bits 0-11 of `vartype`) and what the payload holds by value.
static const unsigned short ZT_VT_EMPTY = 0;        ///< Nothing.
static const unsigned short ZT_VT_BOOL = 1;         ///< One byte, 0 or 1.
static const unsigned short ZT_VT_I1 = 2;           ///< Signed 8-bit.
static const unsigned short ZT_VT_I2 = 3;           ///< Signed 16-bit.
static const unsigned short ZT_VT_I4 = 4;           ///< Signed 32-bit.
static const unsigned short ZT_VT_I8 = 5;           ///< Signed 64-bit.
static const unsigned short ZT_VT_UI1 = 6;          ///< Unsigned 8-bit.
static const unsigned short ZT_VT_UI2 = 7;          ///< Unsigned 16-bit.
static const unsigned short ZT_VT_UI4 = 8;          ///< Unsigned 32-bit.
static const unsigned short ZT_VT_UI8 = 9;          ///< Unsigned 64-bit.
static const unsigned short ZT_VT_R4 = 10;          ///< IEEE single.
static const unsigned short ZT_VT_R8 = 11;          ///< IEEE double.
static const unsigned short ZT_VT_TIMESPAN = 12;    ///< Owned CZtTimeSpan*.
static const unsigned short ZT_VT_TIME = 13;        ///< Owned CZtTime*.
static const unsigned short ZT_VT_BYTE = 17;        ///< Unsigned 8-bit, as ZT_VT_UI1.
static const unsigned short ZT_VT_WORD = 18;        ///< Unsigned 16-bit, as ZT_VT_UI2.
static const unsigned short ZT_VT_DWORD = 19;       ///< Unsigned 32-bit, as ZT_VT_UI4.
static const unsigned short ZT_VT_QWORD = 20;       ///< Unsigned 64-bit, as ZT_VT_UI8.
static const unsigned short ZT_VT_BLOB = 21;        ///< Owned CZtBlob*.
static const unsigned short ZT_VT_UNKNOWN = 25;     ///< IZtUnknown*, one reference held.
static const unsigned short ZT_VT_RAW32 = 26;       ///< 32 bits no operation interprets.
static const unsigned short ZT_VT_RAW64 = 27;       ///< Unsigned 64-bit without conversions.
static const unsigned short ZT_VT_REFERENCED = 28;  ///< IZtReferenced*, one reference held.
static const unsigned short ZT_VT_VARIANT = 48;     ///< With ZT_VT_BYREF only: another record.
static const unsigned short ZT_VT_GUID = 49;        ///< A `tagZTGUID` in place.
static const unsigned short ZT_VT_STRING = 50;      ///< Owned CZtString*.
static const unsigned short ZT_VT_CHROMID = 51;     ///< A `tagZTCHROMID` in place, its text owned.
static const unsigned short ZT_VT_MAP = 52;         ///< Owned CZtMap*.
static const unsigned short ZT_VT_DISPATCH = 53;    ///< IZtDispatch*, one reference held.

/// The type code part of `vartype`. Codes 14-16, 22-24, 29-47 and above 53
/// are not valid, and neither is a type word with bit 0x1000 or 0x8000 set.
static const unsigned short ZT_VT_TYPEMASK = 0x0FFF;
/// Flag: `data` begins with a data array handle of elements of the code.
static const unsigned short ZT_VT_ARRAY = 0x2000;
/// Flag: `data` begins with a pointer to storage owned by someone else.
static const unsigned short ZT_VT_BYREF = 0x4000;

struct tagDATAARRAY;
struct tagZTVARIANT;

/// The payload of a record. Which member is meaningful depends on `vartype`;
/// with ZT_VT_BYREF only `byref` is.
typedef union tagZTVARIANTDATA {
    unsigned char boolVal;          ///< ZT_VT_BOOL.
    signed char i1Val;              ///< ZT_VT_I1.
    short i2Val;                    ///< ZT_VT_I2.
    int i4Val;                      ///< ZT_VT_I4.
    long long i8Val;                ///< ZT_VT_I8.
    unsigned char ui1Val;           ///< ZT_VT_UI1, ZT_VT_BYTE.
    unsigned short ui2Val;          ///< ZT_VT_UI2, ZT_VT_WORD.
    unsigned int ui4Val;            ///< ZT_VT_UI4, ZT_VT_DWORD, ZT_VT_RAW32.
    unsigned long long ui8Val;      ///< ZT_VT_UI8, ZT_VT_QWORD, ZT_VT_RAW64.
    float r4Val;                    ///< ZT_VT_R4.
    double r8Val;                   ///< ZT_VT_R8.
    CZtTimeSpan* pTimeSpan;         ///< ZT_VT_TIMESPAN.
    CZtTime* pTime;                 ///< ZT_VT_TIME.
    CZtBlob* pBlob;                 ///< ZT_VT_BLOB.
    CZtString* pString;             ///< ZT_VT_STRING.
    CZtMap* pMap;                   ///< ZT_VT_MAP.
    IZtUnknown* pUnknown;           ///< ZT_VT_UNKNOWN.
    IZtReferenced* pReferenced;     ///< ZT_VT_REFERENCED.
    IZtDispatch* pDispatch;         ///< ZT_VT_DISPATCH.
    struct tagDATAARRAY* pArray;    ///< With ZT_VT_ARRAY.
    void* byref;                    ///< With ZT_VT_BYREF: the storage referred to.
    struct tagZTVARIANT* pVariant;  ///< ZT_VT_VARIANT with ZT_VT_BYREF: the record referred to.
    tagZTGUID guid;                 ///< ZT_VT_GUID.
    tagZTCHROMID chromid;           ///< ZT_VT_CHROMID.
    unsigned char bytes[sizeof(tagZTCHROMID)];  ///< The payload as raw bytes; sizes the union.
} tagZTVARIANTDATA;

/// The tagged value record: 40 bytes with 4-byte pointers, 48 with 8-byte ones.
typedef struct tagZTVARIANT {
    unsigned short vartype;               ///< Type code and flags.
    unsigned char reserved[6];            ///< Zero; compared by ZtVariantCompare.
    ZOTREL_ALIGN8 tagZTVARIANTDATA data;  ///< The payload, at offset 8.
} tagZTVARIANT, ZTVARIANT;
/// @typedef ZTVARIANT
/// `tagZTVARIANT` under its second name.

#undef ZOTREL_ALIGN8

// Result codes, unless a function says otherwise: 0 success,
// ZT_E_NULL_POINTER for a null record, ZT_E_INVALID_TYPE for a record whose
// type word is not valid.

/// Sets the whole record to zero without releasing anything it held; meant
/// for fresh memory.
ZOTREL_C_API unsigned int ZtVariantInit(tagZTVARIANT* v);

/// Releases what the record owns (nothing when it is by reference) and sets
/// the whole record to zero. An empty record is left untouched. An invalid
/// type word gives ZT_E_INVALID_TYPE (the record is zeroed all the same);
/// the clean-up of a CHROMID or a data array passes its result on.
ZOTREL_C_API unsigned int ZtVariantClear(tagZTVARIANT* v);

/// Releases what `dst` held and makes it an independent copy of `src`:
/// owned objects are copied deeply, interfaces get one more reference, a
/// by-reference record copies only its pointer. An empty or invalid source
/// gives ZT_E_INVALID_TYPE and leaves `dst` with the source's type word and a
/// zero payload. Copying a record onto itself keeps its value.
ZOTREL_C_API unsigned int ZtVariantCopy(tagZTVARIANT* dst, const tagZTVARIANT* src);

/// As ZtVariantCopy, except that a by-reference source gives `dst` a by-value
/// copy of the value referred to (following ZT_VT_VARIANT references). The
/// value `dst` held is released once the copy is made, so the reference may
/// point into `dst` itself. A null reference gives ZT_E_NULL_POINTER and a
/// chain of ZT_VT_VARIANT references that does not end within 32 steps
/// ZT_E_INVALID_OBJECT, both with `dst` untouched.
ZOTREL_C_API unsigned int ZtVariantCopyInd(tagZTVARIANT* dst, const tagZTVARIANT* src);

/// True when the record holds nothing (empty, or an invalid type word) or an
/// empty value: an empty text, byte buffer or map, a zero time or duration,
/// the null GUID, an empty CHROMID, an array without elements. Numbers and
/// interfaces are never empty; neither is a null object pointer or a null
/// reference. False for a null record.
ZOTREL_C_API bool ZtVariantIsContentEmpty(const tagZTVARIANT* v);

/// Converts `src` to the type code `vartype` and stores the result in `dst`,
/// releasing what `dst` held; `dst` and `src` may be the same record. A
/// target equal to the source's code copies. `flags` is passed to the
/// conversion of data arrays only. Results: ZT_E_NOT_SUPPORTED for a
/// by-reference source (nothing changed), for a source a numeric target cannot
/// read and for the targets ZT_VT_UNKNOWN, ZT_VT_RAW32, ZT_VT_RAW64,
/// ZT_VT_REFERENCED, ZT_VT_VARIANT and ZT_VT_DISPATCH; ZT_E_INVALID_TYPE for
/// an invalid target; ZT_E_FAIL for a text that is not a number;
/// ZT_E_INVALID_OBJECT for a text that is not a GUID. On failure `dst` is
/// empty, or keeps its value when it is `src`. Conversions to ZT_VT_STRING,
/// ZT_VT_BLOB, ZT_VT_TIME, ZT_VT_TIMESPAN and ZT_VT_MAP always succeed (a
/// source that holds no map becomes an empty map).
ZOTREL_C_API unsigned int ZtVariantChangeType(tagZTVARIANT* dst, const tagZTVARIANT* src,
                                              unsigned short flags, unsigned short vartype);

/// Stores in `*equal` whether `a` and `b` hold equal values. Records whose
/// type words differ are never equal. Numbers and GUIDs compare as whole
/// records by value (reserved bytes included) and as values by reference
/// (so 0.0 equals -0.0 and NaN equals nothing); owned objects by their
/// contents. Interfaces give ZT_E_NOT_SUPPORTED. When an object pointer or a
/// reference is null the function returns 0 without writing `*equal`: set it
/// to false first.
ZOTREL_C_API unsigned int ZtVariantCompare(const tagZTVARIANT* a, const tagZTVARIANT* b,
                                           bool* equal);

/// Reads a GUID from a record of type ZT_VT_GUID or ZT_VT_STRING (either also
/// by reference; a text is parsed as CZtGUID parses it). A null reference or
/// text object gives ZT_E_INVALID_OBJECT; any other type ZT_E_INVALID_TYPE,
/// with `*out` untouched.
ZOTREL_C_API unsigned int ZtVariant2GUID(const tagZTVARIANT* v, tagZTGUID* out);

/// Releases what `v` held and stores the GUID (ZT_VT_GUID).
ZOTREL_C_API unsigned int ZtGUID2Variant(const tagZTGUID* guid, tagZTVARIANT* v);

/// Writes into `dst` the CHROMID of a record of type ZT_VT_CHROMID or
/// ZT_VT_STRING (either also by reference; a text is read as ZtString2CHROMID
/// reads it). An empty record gives the numeric form 0.0.0.0.0.0. A null
/// reference or text object, and any other type, give ZT_E_NULL_POINTER with
/// `dst` unchanged.
ZOTREL_C_API unsigned int ZtVariant2CHROMID(const tagZTVARIANT* v, tagZTCHROMID* dst);

/// Releases what `v` held and stores a copy of the CHROMID (ZT_VT_CHROMID).
ZOTREL_C_API unsigned int ZTCHROMID2Variant(const tagZTCHROMID* src, tagZTVARIANT* v);

ZOTREL_NAMESPACE_END

#ifdef __cplusplus

#include <cstddef>

class QString;

namespace Varn {

class CZtCHROMID;
class CZtDataArray;
class CZtGUID;

/// Converts a record to the number type T, as `ZtVariantChangeType` does for
/// the numeric targets. Instantiated for signed char, unsigned char, short,
/// unsigned short, int, unsigned int, long long, unsigned long long, float
/// and double.
template <class T>
class CZtVariantConvert {
public:
    /// A converter; it has no state.
    CZtVariantConvert() {}
    /// Nothing to free.
    virtual ~CZtVariantConvert() {}

    /// Writes the value of `src` (a by-value record) to `*out` and returns 0.
    /// Integers keep the low bits; floating-point values are truncated toward
    /// zero to 64 bits (saturating; NaN gives 0) first; times and durations
    /// give their tick counts (ZT_E_NULL_POINTER for a null object); a text
    /// is parsed with `CZtString::ConvertToNumericValue` (ZT_E_FAIL when it is
    /// no number; a null text object leaves `*out` unwritten and returns 0).
    /// Other types give ZT_E_NOT_SUPPORTED; null pointers ZT_E_NULL_POINTER.
    virtual unsigned int Convert(const tagZTVARIANT* src, T* out);
};

extern template class ZOTREL_EXPORT CZtVariantConvert<signed char>;
extern template class ZOTREL_EXPORT CZtVariantConvert<unsigned char>;
extern template class ZOTREL_EXPORT CZtVariantConvert<short>;
extern template class ZOTREL_EXPORT CZtVariantConvert<unsigned short>;
extern template class ZOTREL_EXPORT CZtVariantConvert<int>;
extern template class ZOTREL_EXPORT CZtVariantConvert<unsigned int>;
extern template class ZOTREL_EXPORT CZtVariantConvert<long long>;
extern template class ZOTREL_EXPORT CZtVariantConvert<unsigned long long>;
extern template class ZOTREL_EXPORT CZtVariantConvert<float>;
extern template class ZOTREL_EXPORT CZtVariantConvert<double>;

/// The variant record with member functions. It adds no data and no virtual
/// functions to `tagZTVARIANT`, owns its value like a record does and
/// releases it when destroyed. Every copy is independent.
class ZOTREL_EXPORT CZtVariant : public tagZTVARIANT, public CZtCrtAllocated {
public:
    // Construction: an empty record that then receives the value ------------

    CZtVariant();
    /// An independent copy made by `ZtVariantCopy`: owned objects copied
    /// deeply, interfaces with one more reference, a by-reference record as
    /// the same reference. An empty source gives an empty variant.
    ///@{
    CZtVariant(const CZtVariant& other);
    CZtVariant(const tagZTVARIANT& other);
    ///@}
    /// As the copy constructors; a null pointer gives an empty variant.
    ///@{
    CZtVariant(const CZtVariant* other);
    CZtVariant(const tagZTVARIANT* other);
    ///@}
    /// ZT_VT_I1, I2, I4, I8, UI1, UI2, UI4, UI8, R4 and R8, after the
    /// argument's type.
    ///@{
    CZtVariant(const signed char& value);
    CZtVariant(const short& value);
    CZtVariant(const int& value);
    CZtVariant(const long long& value);
    CZtVariant(const unsigned char& value);
    CZtVariant(const unsigned short& value);
    CZtVariant(const unsigned int& value);
    CZtVariant(const unsigned long long& value);
    CZtVariant(const float& value);
    CZtVariant(const double& value);
    ///@}
    /// ZT_VT_STRING holding a string that shares the text.
    ///@{
    CZtVariant(const CZtString& text);
    CZtVariant(const QString& text);
    ///@}
    /// ZT_VT_STRING of Latin-1 text (`length` -1: up to the NUL); a null
    /// pointer gives an empty variant.
    CZtVariant(const char* text, int length = -1);
    /// ZT_VT_STRING of wide text (`length` -1: up to the NUL); a null pointer
    /// gives an empty variant.
    CZtVariant(const wchar_t* text, int length = -1);
    /// ZT_VT_BLOB, ZT_VT_TIMESPAN and ZT_VT_TIME holding a copy.
    ///@{
    CZtVariant(const CZtBlob& bytes);
    CZtVariant(const CZtTimeSpan& span);
    CZtVariant(const CZtTime& time);
    ///@}
    /// ZT_VT_GUID.
    CZtVariant(const tagZTGUID& guid);
    /// ZT_VT_CHROMID holding a copy (`ZTCHROMIDCopy`).
    CZtVariant(const tagZTCHROMID& id);
    /// As the reference forms; a null pointer gives an empty variant.
    ///@{
    CZtVariant(const CZtString* text);
    CZtVariant(const QString* text);
    CZtVariant(const CZtBlob* bytes);
    ///@}
    /// ZT_VT_UNKNOWN, ZT_VT_REFERENCED and ZT_VT_DISPATCH holding one new
    /// reference; a null pointer gives an empty variant, not a typed null.
    ///@{
    CZtVariant(IZtUnknown* object);
    CZtVariant(IZtReferenced* object);
    CZtVariant(IZtDispatch* object);
    ///@}
    /// ZT_VT_MAP holding a new map handle that shares the map's entries; a
    /// null pointer gives an empty variant.
    ///@{
    CZtVariant(const CZtMap& map);
    CZtVariant(const CZtMap* map);
    ///@}
    /// An array variant (the array's element type with ZT_VT_ARRAY) holding a
    /// new registered deep copy of the array (`ZtDataArrayCopy`). An object
    /// without an array, a null pointer or a handle that is not a live array
    /// give an empty variant.
    ///@{
    CZtVariant(const tagDATAARRAY& array);
    CZtVariant(const CZtDataArray& array);
    CZtVariant(const CZtDataArray* array);
    ///@}
    /// Releases the value.
    ~CZtVariant();

    /// Assignment: releases the current value and takes the new one as the
    /// matching constructor does. Assigning a variant to itself (also through
    /// a pointer) changes nothing; a value that this variant holds (its own
    /// string, say) may be assigned, as the new value is made first. The
    /// character pointers take NUL-terminated text, and null gives an empty
    /// variant. Returns this variant.
    ///@{
    CZtVariant& operator=(const CZtVariant& other);
    CZtVariant& operator=(const tagZTVARIANT& other);
    CZtVariant& operator=(const CZtVariant* other);
    CZtVariant& operator=(const tagZTVARIANT* other);
    CZtVariant& operator=(const signed char& value);
    CZtVariant& operator=(const short& value);
    CZtVariant& operator=(const int& value);
    CZtVariant& operator=(const long long& value);
    CZtVariant& operator=(const unsigned char& value);
    CZtVariant& operator=(const unsigned short& value);
    CZtVariant& operator=(const unsigned int& value);
    CZtVariant& operator=(const unsigned long long& value);
    CZtVariant& operator=(const float& value);
    CZtVariant& operator=(const double& value);
    CZtVariant& operator=(const CZtString& text);
    CZtVariant& operator=(const QString& text);
    CZtVariant& operator=(const char* text);
    CZtVariant& operator=(const wchar_t* text);
    CZtVariant& operator=(const CZtBlob& bytes);
    CZtVariant& operator=(const CZtTimeSpan& span);
    CZtVariant& operator=(const CZtTime& time);
    CZtVariant& operator=(const tagZTGUID& guid);
    CZtVariant& operator=(const tagZTCHROMID& id);
    CZtVariant& operator=(const CZtString* text);
    CZtVariant& operator=(const QString* text);
    CZtVariant& operator=(const CZtBlob* bytes);
    CZtVariant& operator=(IZtUnknown* object);
    CZtVariant& operator=(IZtReferenced* object);
    CZtVariant& operator=(IZtDispatch* object);
    CZtVariant& operator=(const CZtMap& map);
    CZtVariant& operator=(const CZtMap* map);
    CZtVariant& operator=(const tagDATAARRAY& array);
    CZtVariant& operator=(const CZtDataArray& array);
    CZtVariant& operator=(const CZtDataArray* array);
    ///@}

    // Reset ------------------------------------------------------------------

    /// Zeroes the record without releasing anything (`ZtVariantInit`); for
    /// raw memory only.
    void Init();
    /// Releases the value and leaves the variant empty; the result of
    /// `ZtVariantClear`.
    unsigned int Clear();

    // Typed getters ----------------------------------------------------------

    /// Typed getters: the value when the type code is the getter's own
    /// (ZT_VT_I1, I2, I4, I8, UI1, UI2, UI4, UI8, R4, R8; read through the
    /// reference when by reference), otherwise the value a converted copy
    /// holds (the variant itself is unchanged), or 0 when it does not
    /// convert. Data array variants give 0.
    ///@{
    operator signed char() const;
    operator short() const;
    operator int() const;
    operator long long() const;
    operator unsigned char() const;
    operator unsigned short() const;
    operator unsigned int() const;
    operator unsigned long long() const;
    operator float() const;
    operator double() const;
    ///@}

    /// A copy of the held time (ZT_VT_TIME), or the time a converted copy
    /// holds; a null time object gives a default `CZtTime`.
    operator CZtTime();
    /// The text of a ZT_VT_STRING variant; empty for every other type (no
    /// conversion takes place).
    operator QString();
    /// The Latin-1 or wide text of a ZT_VT_STRING variant, valid while the
    /// variant holds that string unchanged; null for every other type.
    ///@{
    const char* c_str() const;
    const wchar_t* w_str() const;
    ///@}
    /// The held interface without a new reference: `IZtUnknown*` for
    /// ZT_VT_UNKNOWN and ZT_VT_DISPATCH, `IZtReferenced*` for those and
    /// ZT_VT_REFERENCED, `IZtDispatch*` for ZT_VT_DISPATCH; null otherwise.
    ///@{
    operator IZtUnknown*() const;
    operator IZtReferenced*() const;
    operator IZtDispatch*() const;
    ///@}

    // Move-out ---------------------------------------------------------------

    /// Moves the value out. Each Detach returns a result code; on success (0)
    /// the value is in `*out` and the variant is empty, on failure nothing
    /// changes.
    ///
    /// Values: when the type code is one of the destination's own codes the
    /// value is read directly (through the reference); otherwise a by-value
    /// copy is converted to `vartype` (ZtVariantChangeType) and, if that
    /// succeeds, read as the destination type (a failed conversion returns
    /// its result code). ZT_E_NULL_POINTER for a null `out` or a null
    /// reference; ZT_E_NOT_SUPPORTED for a data array variant. Own codes:
    /// signed char I1, short I2, int I4, long long I8, float R4, double R8,
    /// unsigned char BOOL/UI1/BYTE, unsigned short UI2/WORD, unsigned int
    /// UI4/DWORD, unsigned long long UI8/QWORD/RAW64, and the object types
    /// TIMESPAN, TIME, BLOB, STRING, GUID, CHROMID. A null object gives an
    /// empty value (for a time, the converted one).
    ///@{
    unsigned int Detach(signed char* out, unsigned short vartype = ZT_VT_I1);
    unsigned int Detach(short* out, unsigned short vartype = ZT_VT_I2);
    unsigned int Detach(int* out, unsigned short vartype = ZT_VT_I4);
    unsigned int Detach(long long* out, unsigned short vartype = ZT_VT_I8);
    unsigned int Detach(unsigned char* out, unsigned short vartype = ZT_VT_UI1);
    unsigned int Detach(unsigned short* out, unsigned short vartype = ZT_VT_UI2);
    unsigned int Detach(unsigned int* out, unsigned short vartype = ZT_VT_UI4);
    unsigned int Detach(unsigned long long* out, unsigned short vartype = ZT_VT_UI8);
    unsigned int Detach(float* out, unsigned short vartype = ZT_VT_R4);
    unsigned int Detach(double* out, unsigned short vartype = ZT_VT_R8);
    unsigned int Detach(CZtTimeSpan* out, unsigned short vartype = ZT_VT_TIMESPAN);
    unsigned int Detach(CZtTime* out, unsigned short vartype = ZT_VT_TIME);
    unsigned int Detach(CZtBlob* out, unsigned short vartype = ZT_VT_BLOB);
    unsigned int Detach(CZtString* out, unsigned short vartype = ZT_VT_STRING);
    ///@}
    /// Own code: `ZtVariant2GUID` and its result.
    unsigned int Detach(CZtGUID* out, unsigned short vartype = ZT_VT_GUID);
    /// Own code: `ZtVariant2CHROMID` and its result.
    unsigned int Detach(CZtCHROMID* out, unsigned short vartype = ZT_VT_CHROMID);
    /// Own code ZT_VT_MAP: `*out` shares the held map's entries (a null
    /// handle gives a new empty map); any other type goes through a copy
    /// converted to `vartype` and `CZtMap`'s assignment from a variant.
    unsigned int Detach(CZtMap* out, unsigned short vartype = ZT_VT_MAP);
    /// Interfaces (`vartype` is not used): hands the variant's reference to
    /// the caller, who releases it. `IZtUnknown**` takes ZT_VT_UNKNOWN and
    /// ZT_VT_DISPATCH, `IZtReferenced**` those and ZT_VT_REFERENCED,
    /// `IZtDispatch**` ZT_VT_DISPATCH; other types give ZT_E_FAIL. A
    /// by-reference variant owns no reference, so the caller receives a new
    /// one.
    /// `ZT_E_NULL_POINTER` for a null `out` or a null reference.
    ///@{
    unsigned int Detach(IZtUnknown** out, unsigned short vartype = 0);
    unsigned int Detach(IZtReferenced** out, unsigned short vartype = 0);
    unsigned int Detach(IZtDispatch** out, unsigned short vartype = 0);
    ///@}
    /// Moves the whole record into `out`, releasing what `out` held first (a
    /// failure of that release is returned and nothing moves). `vartype` is
    /// not used; detaching into itself changes nothing.
    unsigned int Detach(tagZTVARIANT* out, unsigned short vartype = 0);

    /// Releases this value and takes over the record's value without copying;
    /// the record is left empty. ZT_E_INVALID_TYPE for a null record; a
    /// failure to release this value is returned and nothing moves.
    unsigned int Attach(tagZTVARIANT* record);

    // Queries -----------------------------------------------------------------

    /// `vartype` is 0.
    bool IsEmpty() const;
    /// `ZtVariantIsContentEmpty`.
    bool IsContentEmpty() const;
    /// With `mask` the argument is first cut to its type code, so only a plain
    /// value of that type matches; without it the whole type word must match.
    bool IsType(unsigned short type, bool mask = true) const;
    /// True when `ZT_VT_BYREF` is set in `record`'s type word, or in this
    /// variant's when `record` is null.
    bool IsByRef(const tagZTVARIANT* record = nullptr) const;
    /// True when `ZT_VT_ARRAY` is set in `record`'s type word, or in this
    /// variant's when `record` is null.
    bool IsArray(const tagZTVARIANT* record = nullptr) const;
    /// Converts `src` (this variant when null) to `vartype` into this variant
    /// (`ZtVariantChangeType` with flags 0) and returns its result.
    unsigned int ZtVariantChangeType(unsigned short vartype, const CZtVariant* src = nullptr);

    /// `ZtVariantCompare`; a comparison that fails (interfaces, invalid
    /// types, a null pointer or object) counts as not equal.
    ///@{
    bool operator==(const tagZTVARIANT& other) const;
    bool operator==(const tagZTVARIANT* other) const;
    ///@}
    /// The negation of `operator==`: a comparison that fails counts as
    /// different.
    ///@{
    bool operator!=(const tagZTVARIANT& other) const;
    bool operator!=(const tagZTVARIANT* other) const;
    ///@}
};

}  // namespace Varn

#endif  // __cplusplus

#endif  // ZOTREL_VARIANT_H
