/// @file
/// Zotrel GUIDs: the 16-byte identifier record, its text form and its value class.
///
/// GUIDs identify the library's interfaces, travel in variants and key the
/// diagnostic contexts. The text form is 38 characters, upper-case
/// hexadecimal in braces:
///
///     {B040EE6B-4A59-426D-91C8-4A8012F67D60}
///
/// The parser is lenient in a documented way: one leading double quote and
/// then one opening brace are skipped, the separator positions and anything
/// after the 36th character are not examined, and lower-case digits are
/// accepted. A text that is too short leaves the output untouched; a text with
/// a bad digit zeroes it. Both report `ZT_E_INVALID_OBJECT`.
///
///     Varn::CZtGUID id(Varn::CZtString(L"b040ee6b-4a59-426d-91c8-4a8012f67d60"));
///     Varn::CZtString text = id.ToString();   // braced, upper case
///
/// Every operation is a pure function of its arguments and may run on any
/// number of threads; a `CZtGUID` object is a value used by one thread at a time.
///
/// The record and the C functions also compile as C11.

#ifndef ZOTREL_GUID_H
#define ZOTREL_GUID_H

#include <zotrel/foundation.h>

#ifdef __cplusplus
#include <cwchar>
#else
#include <stdbool.h>
#include <wchar.h>
#endif

ZOTREL_NAMESPACE_BEGIN

/// A GUID in its usual little-endian layout; all zero is the null GUID.
/// 16 bytes on every target.
typedef struct tagZTGUID {
    unsigned int Data1;      ///< First group, 8 hex digits.
    unsigned short Data2;    ///< Second group, 4 hex digits.
    unsigned short Data3;    ///< Third group, 4 hex digits.
    unsigned char Data4[8];  ///< Bytes 0-1: fourth group, bytes 2-7: fifth group.
} tagZTGUID, ZTGUID;
/// @typedef ZTGUID
/// `tagZTGUID` under its second name.

/// Parses NUL-terminated wide text into `*out`. Returns `ZT_S_OK`, or
/// `ZT_E_INVALID_OBJECT` for a null text or record, a text shorter than 36
/// characters after the skipped quote and brace (record untouched) or a bad
/// digit (record zeroed).
ZOTREL_C_API unsigned int ZtString2ZTGUID(const wchar_t* text, tagZTGUID* out);

/// True when `guid` is not null and all its 16 bytes are zero; false for a
/// null pointer.
ZOTREL_C_API bool ZTGUIDIsEmpty(const tagZTGUID* guid);

ZOTREL_NAMESPACE_END

#ifdef __cplusplus

namespace Varn {

class CZtString;
struct tagZTVARIANT;

/// A GUID value. It adds no data and no virtual functions to `tagZTGUID`, so
/// it can be passed wherever a `tagZTGUID` is expected.
class ZOTREL_EXPORT CZtGUID : public tagZTGUID {
public:
    /// The null GUID.
    CZtGUID();
    /// A copy of the 16 bytes.
    ///@{
    CZtGUID(const CZtGUID& other);
    CZtGUID(const tagZTGUID& other);
    ///@}
    /// Parses `text`; a text that does not parse gives the null GUID.
    CZtGUID(const CZtString& text);
    /// Parses NUL-terminated Latin-1 text; a failure gives the null GUID.
    CZtGUID(const char* const& text);
    /// The GUID of a ZT_VT_GUID variant, or parsed from a ZT_VT_STRING one
    /// (`ZtVariant2GUID`); the null GUID when there is none.
    CZtGUID(const tagZTVARIANT& value);
    /// Nothing to free.
    ~CZtGUID();

    /// Copies the 16 bytes.
    ///@{
    CZtGUID& operator=(const CZtGUID& other);
    CZtGUID& operator=(const tagZTGUID& other);
    ///@}
    /// Resets, then parses; a text that does not parse leaves the null GUID.
    CZtGUID& operator=(const CZtString& text);
    /// Resets, then parses NUL-terminated Latin-1 text; a failure leaves the
    /// null GUID.
    const CZtGUID& operator=(const char* const& text);
    /// Resets, then as the constructor.
    CZtGUID& operator=(const tagZTVARIANT& value);

    /// Sets all 16 bytes to zero.
    void Reset();

    /// True when all 16 bytes are equal.
    ///@{
    bool operator==(const CZtGUID& other) const;
    bool operator==(const tagZTGUID& other) const;
    ///@}
    /// True when any of the 16 bytes differs.
    ///@{
    bool operator!=(const CZtGUID& other) const;
    bool operator!=(const tagZTGUID& other) const;
    ///@}
    /// Orders by `Data1`, `Data2`, `Data3` as unsigned numbers, then by the
    /// bytes of `Data4` in index order (not by the bytes in memory).
    bool operator<(const CZtGUID& other) const;
    /// True when `other` orders before this GUID (the order of `operator<`).
    bool operator>(const CZtGUID& other) const;

    /// Writes the braced, upper-case text form into `out`.
    void ToString(CZtString& out) const;
    /// The braced, upper-case text form.
    CZtString ToString() const;
    /// The braced, upper-case text form, as `ToString()`.
    explicit operator CZtString() const;

    /// True when all 16 bytes are zero.
    bool IsNull() const;

    /// A new random (version 4) GUID.
    static CZtGUID CreateGUID();

    /// Reads up to `count` hexadecimal digits (either case) from `text`,
    /// stopping early at a NUL (the value read so far counts; a null `text`
    /// reads nothing and gives 0). Any other non-digit makes the result 0 and
    /// `*ok` false; otherwise `*ok` is true. `ok` may be null.
    static unsigned int GetData(const char* text, int count, bool* ok);
};

}  // namespace Varn

#endif  // __cplusplus

#endif  // ZOTREL_GUID_H
