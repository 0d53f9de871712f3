/// @file
/// Zotrel CHROMIDs: the six-part object identifier record, its C functions and its value class.
///
/// A CHROMID names an object of the control system. It has one of two forms:
///
///  - the numeric form: six unsigned 32-bit numbers, written as their signed
///    decimal values joined by dots, \%d.\%d.\%d.\%d.\%d.\%d (a part of 2^31 or
///    more therefore shows as a negative number);
///  - the text form: any text at all, written as itself.
///
/// Reading text gives the numeric form only when the text is exactly that
/// canonical rendering of six numbers: "1.2.3.4.5.6" is numeric, while
/// "1.2.3.4.5.06", " 1.2.3.4.5.6", "0x1.2.3.4.5.6", "1.2.3.4.5" and
/// "4294967295.0.0.0.0.0" (it would render as -1) keep their text. Reading
/// never fails: whatever is not canonical becomes the text form.
///
///     Varn::CZtCHROMID pump(L"1.20.3.4.5.6");     // numeric form
///     Varn::CZtCHROMID tank(L"Plant/Tank 7");     // text form
///     Varn::CZtString text;
///     pump.ToString(text);                         // "1.20.3.4.5.6"
///     bool same = pump == Varn::CZtCHROMID(1, 20, 3, 4, 5, 6);   // true
///
/// Equality treats a text that spells a canonical numeric CHROMID as that
/// number, and a cleared record as 0.0.0.0.0.0. Ordering looks at `orderKey`
/// first, then puts every numeric CHROMID before every text CHROMID; numeric
/// ones order part by part, text ones by their strings.
///
/// Ownership. A record owns the heap `CZtString` its `text` points to. Before
/// any other function sees it, a record is initialised with `ZTCHROMIDInit` or
/// zero-filled; from then on `ZTCHROMIDClear` frees its string, `ZTCHROMIDCopy`
/// gives the destination a string of its own, and every other function keeps
/// the record's ownership intact. Copying a record with `memcpy` or `=` shares
/// the string between two owners; use `ZTCHROMIDCopy` instead. `CZtCHROMID`
/// does all of this itself and frees its string when destroyed.
///
/// Threads: there is no shared state. A record or a `CZtCHROMID` is used by
/// one thread at a time; distinct records may be used on any number of
/// threads at once.
///
/// The record and the C functions also compile as C11, where `text` is an
/// opaque `CZtString*`.

#ifndef ZOTREL_CHROMID_H
#define ZOTREL_CHROMID_H

#include <zotrel/foundation.h>

#ifdef __cplusplus
namespace Varn {
class CZtString;
}
#else
#include <stdbool.h>
/// Opaque in C: only the library creates, reads and frees these strings.
typedef struct CZtString CZtString;
#endif

ZOTREL_NAMESPACE_BEGIN

// Values of `tagZTCHROMID::dataType`.
static const unsigned short ZT_CHROMID_CLEARED = 0;  ///< No value (cleared or zero-filled).
static const unsigned short ZT_CHROMID_NUMERIC = 1;  ///< The six `parts`.
static const unsigned short ZT_CHROMID_TEXT = 2;     ///< The string `text` points to.

/// A CHROMID record: 32 bytes with 4-byte pointers, 40 on x86-64 (where the
/// pointer is aligned to offset 32).
typedef struct tagZTCHROMID {
    unsigned short dataType;  ///< ZT_CHROMID_CLEARED, ZT_CHROMID_NUMERIC or ZT_CHROMID_TEXT.
    unsigned short orderKey;  ///< Compared before anything else by the ordering; 0 unless set.
    unsigned int parts[6];    ///< The numbers of the numeric form.
    CZtString* text;          ///< Owned text of the text form, or null; ignored otherwise.
} tagZTCHROMID, ZTCHROMID;
/// @typedef ZTCHROMID
/// `tagZTCHROMID` under its second name.

/// Makes `id` the numeric form 0.0.0.0.0.0 with `orderKey` 0 and a null
/// `text`. Meant for fresh memory: a string the record held is not freed
/// (call ZTCHROMIDClear first). Returns 0, or ZT_E_NULL_POINTER.
ZOTREL_C_API unsigned int ZTCHROMIDInit(tagZTCHROMID* id);

/// Frees the string of `id` (if any) and zeroes the whole record, which is
/// then cleared (`dataType` 0). Returns 0, or ZT_E_NULL_POINTER.
ZOTREL_C_API unsigned int ZTCHROMIDClear(tagZTCHROMID* id);

/// Makes `dst` an independent copy of `src`: form, `orderKey`, parts, and a
/// new string sharing the characters of src's string (null when src has
/// none). Dst's old string is freed. `src` and `dst` may be the same record,
/// which then keeps its value. Returns 0, or ZT_E_NULL_POINTER.
ZOTREL_C_API unsigned int ZTCHROMIDCopy(const tagZTCHROMID* src, tagZTCHROMID* dst);

/// Stores in `*equal` whether `a` and `b` name the same object:
///  - both numeric: the six parts are equal (`orderKey` is not compared);
///  - both text: both have a string and the strings are equal
///    (case-sensitive);
///  - otherwise each side is first read as a number: a text that is a
///    canonical numeric CHROMID gives its parts, a cleared record or a text
///    record without a string gives 0.0.0.0.0.0, any other text is no number;
///    the two are equal when both are numbers with equal parts.
/// Returns 0, or ZT_E_NULL_POINTER when any pointer is null (`*equal`
/// untouched).
ZOTREL_C_API unsigned int ZTCHROMIDCompare(const tagZTCHROMID* a, const tagZTCHROMID* b,
                                           bool* equal);

/// True when `a` orders before `b`: the smaller `orderKey` first; with equal
/// keys, numeric before text, numeric ones part by part as unsigned numbers,
/// text ones by their strings (false when either string is missing). A
/// cleared record is neither before nor after anything. False when either
/// pointer is null.
ZOTREL_C_API bool ZTCHROMIDLess(const tagZTCHROMID* a, const tagZTCHROMID* b);

/// ZTCHROMIDLess(b, a).
ZOTREL_C_API bool ZTCHROMIDGreater(const tagZTCHROMID* a, const tagZTCHROMID* b);

/// Appends `src` to `dst`. Both numeric: each part of dst becomes the bitwise
/// OR of itself and src's part. Both text: src's string is appended to dst's
/// when both strings exist, otherwise nothing changes. Returns 0;
/// ZT_E_NULL_POINTER for a null pointer; ZT_E_INVALID_TYPE (dst unchanged)
/// for any other pair of forms.
ZOTREL_C_API unsigned int ZTCHROMIDAppend(const tagZTCHROMID* src, tagZTCHROMID* dst);

/// True for the numeric form with six zero parts, and for the text form whose
/// string is empty or exactly "0.0.0.0.0.0". False for a null pointer, a
/// cleared record and a text record without a string.
ZOTREL_C_API bool ZTCHROMIDIsEmpty(const tagZTCHROMID* id);

/// Reads `text` into `dst`, freeing the string dst held. A text that is
/// exactly the canonical rendering of six numbers gives that numeric form
/// (with `orderKey` 0). Any other text gives the text form with a new string
/// sharing the text as given (untrimmed); when the text has five dots between
/// six non-empty pieces the rest of the record is zeroed, otherwise
/// `orderKey` and `parts` keep their values. Returns 0, or ZT_E_NULL_POINTER.
ZOTREL_C_API unsigned int ZtString2CHROMID(const CZtString* text, tagZTCHROMID* dst);

ZOTREL_NAMESPACE_END

#ifdef __cplusplus

#include <zotrel/string.h>

namespace Varn {

struct tagZTVARIANT;

/// A CHROMID value. It adds no data and no virtual functions to
/// `tagZTCHROMID`, so it can be passed wherever a record is expected, and it
/// owns the record's string: copies are deep, destruction frees it.
class ZOTREL_EXPORT CZtCHROMID : public tagZTCHROMID {
public:
    /// The numeric form 0.0.0.0.0.0.
    CZtCHROMID();
    /// The numeric form with these parts. Its `text` is a new empty string,
    /// which the numeric form ignores.
    CZtCHROMID(unsigned int part1, unsigned int part2, unsigned int part3, unsigned int part4,
               unsigned int part5, unsigned int part6);
    /// Deep copy (`ZTCHROMIDCopy`).
    CZtCHROMID(const CZtCHROMID& other);
    /// Deep copy of a record (`ZTCHROMIDCopy` into a fresh record).
    CZtCHROMID(const tagZTCHROMID& other);
    /// Takes over `other`'s record, string included; `other` is left as the
    /// numeric form 0.0.0.0.0.0.
    CZtCHROMID(CZtCHROMID&& other) noexcept;
    /// Reads the text (`ZtString2CHROMID`).
    CZtCHROMID(const CZtString& text);
    /// Reads Latin-1 text of `length` bytes (-1: up to the NUL).
    CZtCHROMID(const char* text, int length = -1);
    /// Reads wide text of `length` characters (-1: up to the NUL).
    CZtCHROMID(const wchar_t* text, int length = -1);
    /// The CHROMID of a ZT_VT_CHROMID variant, or read from a ZT_VT_STRING
    /// one (`ZtVariant2CHROMID`); other variants give 0.0.0.0.0.0.
    CZtCHROMID(const tagZTVARIANT& value);
    ~CZtCHROMID();

    /// Frees the string and leaves the cleared record (`ZTCHROMIDClear`).
    void Clear();

    /// Deep copy; assigning an object to itself changes nothing.
    CZtCHROMID& operator=(const CZtCHROMID& other);
    /// Deep copy of a record (`ZTCHROMIDCopy`); this object's own record is
    /// safe as the source.
    CZtCHROMID& operator=(const tagZTCHROMID& other);
    /// Frees this record's string, then takes over `other`'s record; `other`
    /// is left as the numeric form 0.0.0.0.0.0.
    CZtCHROMID& operator=(CZtCHROMID&& other) noexcept;
    /// Clears, then reads the text.
    CZtCHROMID& operator=(const CZtString& text);
    /// Clears, then reads the variant as the constructor does; a variant that
    /// holds no CHROMID (nor text, nor nothing at all) leaves the cleared
    /// record.
    CZtCHROMID& operator=(const tagZTVARIANT& value);

    /// `ZTCHROMIDAppend(&other, this)`; mixed forms leave this unchanged.
    CZtCHROMID& operator+=(const tagZTCHROMID& other);
    /// Appends the text to this CHROMID's string, without reading it again,
    /// when this is the text form with a string; otherwise does nothing.
    CZtCHROMID& operator+=(const CZtString& text);
    /// Appends what a variant holds: a ZT_VT_CHROMID as `operator+=` from a
    /// record, a ZT_VT_STRING as `operator+=` from a string, either also by
    /// reference. Other variants, null strings and null references change
    /// nothing.
    CZtCHROMID& operator+=(const tagZTVARIANT& value);
    /// A copy of this with `other` appended as by `operator+=`.
    CZtCHROMID operator+(const tagZTCHROMID& other) const;
    /// For the text form with a string: a CHROMID read from the concatenated
    /// text (so "1.2.3.4.5." + "6" gives the numeric form). Otherwise the
    /// numeric form 0.0.0.0.0.0.
    CZtCHROMID operator+(const CZtString& text) const;
    /// A copy of this with the variant appended as by `operator+=`; the
    /// numeric form 0.0.0.0.0.0 when the variant holds nothing to append.
    CZtCHROMID operator+(const tagZTVARIANT& value) const;

    /// The ordering of `ZTCHROMIDLess`: true when this orders before `other`.
    bool operator<(const tagZTCHROMID& other) const;
    /// The ordering of `ZTCHROMIDGreater`: true when this orders after `other`.
    bool operator>(const tagZTCHROMID& other) const;
    /// The equality of `ZTCHROMIDCompare`: true when both name the same object.
    bool operator==(const tagZTCHROMID& other) const;
    /// The negation of `operator==`.
    bool operator!=(const tagZTCHROMID& other) const;

    /// `ZTCHROMIDIsEmpty`.
    bool IsEmpty() const;
    /// True when both have the same `dataType`.
    bool IsSameDataType(const CZtCHROMID& other) const;

    /// Writes the text form into `out`: the dotted parts for the numeric
    /// form, the string for the text form. A text record without a string and
    /// a cleared record leave `out` unchanged.
    void ToString(CZtString& out) const;
    /// The text form; empty where `ToString(out)` would leave `out` unchanged.
    CZtString ToString() const;

    /// Writes the native record into `out` (which must be initialised): the
    /// numeric form is copied; the text form is read again, so a text that
    /// spells a canonical number becomes numeric. Returns 0,
    /// `ZT_E_NULL_POINTER` for a text record without a string, or
    /// `ZT_E_INVALID_OBJECT` for a cleared record; `out` is untouched on
    /// failure.
    unsigned int ToNativeZTCHROMID(tagZTCHROMID& out) const;
};

}  // namespace Varn

#endif  // __cplusplus

#endif  // ZOTREL_CHROMID_H
