/// @file
/// Zotrel text: `CZtString`, shared copy-on-modify UTF-16 text.
///
/// Every name, key, message, formatted time and identifier that crosses the
/// library boundary is a `CZtString`. It holds UTF-16 text in a Qt `QString`
/// inside a reference-counted body: copies share one body (one atomic
/// increment, no character copy) and a change first gives the changing handle
/// a private copy.
///
///     Varn::CZtString name(L"Pump");
///     Varn::CZtString copy = name;        // shares the characters
///     copy.Append(L" 7");                 // copy gets its own text; name is unchanged
///     int n = Varn::CZtString(L"0x1F").ToInt();   // 31: "0x" selects base 16
///
/// Input rules. Narrow (`char`) input is always Latin-1. Wide (`wchar_t`) input
/// is Unicode text in the platform's wide encoding (UTF-32 where `wchar_t` has
/// 32 bits, converted to UTF-16). Lengths, indexes and `operator[]` count
/// UTF-16 code units. A `const char*`/`const wchar_t*` with a length of -1
/// runs to the terminating NUL; a null pointer is an empty text.
///
/// Output pointers. `c_str()` (Latin-1) and `w_str()` (wide) return
/// NUL-terminated copies cached in the shared body and valid until this string
/// next changes or is destroyed; copies that share a body return the same
/// pointer. Filling these caches is safe when several threads call them on
/// copies that share one body. `GetBuffer` gives write access to the UTF-16
/// storage itself.
///
/// The detached state. A string made from a null `const CZtString*`,
/// `const QString*` or `const CZtGUID*` has no body: it is empty, `c_str()` and
/// `w_str()` are null, searches give -1 or false, comparisons give 0 or false
/// and changing operations do nothing. Assigning any value by reference ends
/// it; copying a detached string gives an ordinary empty string.
///
/// Numbers. Integer reads saturate instead of failing ("70000" read as short
/// is 32767, ok true); the members without a base read base 16 when the text
/// starts with "0x" or "0X" and base 10 otherwise.
///
/// Threads: distinct `CZtString` objects that share a body may be used on
/// different threads; one `CZtString` object is not safe for concurrent use.

#ifndef ZOTREL_STRING_H
#define ZOTREL_STRING_H

#include <zotrel/foundation.h>

#include <cstddef>

class QString;

namespace Varn {

class CZtGUID;
class CZtStringImpl;
class CZtVariant;

/// Base of the shared text body: a pointer to the first UTF-16 code unit of
/// the current text, refreshed after every change. Nothing in the library
/// reads it; it is there for debuggers and for callers that inspect bodies.
class ZOTREL_EXPORT CZtStringData {
public:
    /// No text yet: both pointers are null.
    CZtStringData();
    /// Does not copy the pointer: a new body points at its own text.
    CZtStringData(const CZtStringData& other);
    /// Nulls both pointers; the body that derives from it frees the caches.
    virtual ~CZtStringData();
    /// Copies the text pointer only; the Latin-1 copy stays this body's own.
    CZtStringData& operator=(const CZtStringData& other);

protected:
    friend class CZtString;

    /// The first UTF-16 code unit of the body's text (NUL-terminated).
    const char16_t* m_pszData;
    /// The Latin-1 copy `c_str` hands out once it has been built, else null;
    /// published with release order so that `c_str` can read it inline.
    const char* m_pszLatin1;
};

/// Shared, copy-on-modify UTF-16 text. See the header comment for the rules
/// that every member follows.
class ZOTREL_EXPORT CZtString : public CZtCrtAllocated {
public:
    // Construction ---------------------------------------------------------

    /// Empty text.
    CZtString();
    /// `count` copies of `ch` (a negative count gives an empty text).
    CZtString(int count, wchar_t ch);
    /// Shares the source's text; copying a detached string gives an empty text.
    ZOTREL_INLINE_EXPORT inline CZtString(const CZtString& other);
    /// Takes the source's text without touching its count; the source is left
    /// detached (it may be assigned to or destroyed).
    ZOTREL_INLINE_EXPORT CZtString(CZtString&& other) noexcept : m_pImpl(other.m_pImpl) {
        other.m_pImpl = nullptr;
    }
    /// Shares the pointed-to text; a null pointer gives the detached state.
    CZtString(const CZtString* other);
    /// Shares the `QString`'s characters (Qt's own implicit sharing).
    CZtString(const QString& text);
    /// Copy of the `QString`; a null pointer gives the detached state.
    CZtString(const QString* text);
    /// Latin-1 text of `length` bytes (-1: up to the NUL); a null pointer or
    /// another negative length gives an empty text.
    CZtString(const char* text, int length = -1);
    /// Wide text of `length` characters (-1: up to the NUL), converted to
    /// UTF-16; a null pointer or another negative length gives an empty text.
    CZtString(const wchar_t* text, int length = -1);
    /// One Latin-1 character.
    CZtString(char ch);
    /// One wide character: one code unit, or a surrogate pair beyond U+FFFF
    /// (a value beyond U+10FFFF gives U+FFFD).
    CZtString(wchar_t ch);
    /// The value in decimal digits, with a leading '-' when negative.
    CZtString(int value);
    /// The value in decimal digits.
    CZtString(unsigned int value);
    /// Format letter g with 6 significant digits: 1.0/3 gives "0.333333".
    CZtString(double value);
    /// The braced, upper-case text form of the GUID.
    CZtString(const CZtGUID& guid);
    /// The braced text form of the pointed-to GUID; a null pointer gives the
    /// detached state.
    CZtString(const CZtGUID* guid);
    /// The text of the variant: numbers in decimal (floating-point values
    /// with up to 15 significant digits), times, durations, GUIDs and CHROMIDs
    /// in their text forms, a string shared; every other variant (bytes,
    /// maps, interfaces, data arrays) gives an empty text. A null pointer
    /// gives the detached state.
    CZtString(const CZtVariant& value);
    /// The text of the pointed-to variant, as above; a null pointer gives the
    /// detached state.
    CZtString(const CZtVariant* value);
    /// Drops this handle's share of the text; the last handle frees it.
    ZOTREL_INLINE_EXPORT inline virtual ~CZtString();

    /// Assignment: as the matching constructor; pointer forms with a null
    /// pointer leave the string unchanged, except `const QString*` (and
    /// `const CZtVariant*`), which detach it. Character pointers take
    /// NUL-terminated text. The new text is made before the old one is let
    /// go, so assigning a string to itself, or a copy of itself, is safe.
    /// Returns this string.
    ///@{
    CZtString& operator=(const CZtString& other);
    CZtString& operator=(const CZtString* other);
    CZtString& operator=(const QString& text);
    CZtString& operator=(const QString* text);
    CZtString& operator=(const char* text);
    CZtString& operator=(const wchar_t* text);
    CZtString& operator=(char ch);
    CZtString& operator=(wchar_t ch);
    CZtString& operator=(int value);
    CZtString& operator=(unsigned int value);
    CZtString& operator=(double value);
    CZtString& operator=(const CZtGUID& guid);
    CZtString& operator=(const CZtGUID* guid);
    /// The text of the variant; a null pointer detaches the string.
    CZtString& operator=(const CZtVariant& value);
    CZtString& operator=(const CZtVariant* value);
    ///@}

    // Heap objects that cross module boundaries ----------------------------

    /// A new heap string sharing this string's characters; free it with
    /// `DestroyString`.
    CZtString* AllocString() const;
    /// Stores a new empty heap string in `*out` (nothing for a null `out`).
    static void CreateString(CZtString** out);
    /// Deletes a heap string made by the library; null is ignored.
    static void DestroyString(CZtString* p);

    /// Heap strings come from `malloc` and go back to `free` as for every
    /// class of the library, through a small cache of each thread's recently
    /// freed string blocks (a string of a derived class bypasses it): a
    /// variant copy of a text then costs no trip through the allocator. A
    /// block from the cache is an ordinary `malloc` block.
    ///@{
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size) noexcept;
    ///@}
    /// Placement forms, which the two above would otherwise hide.
    ///@{
    static void* operator new(std::size_t, void* where) noexcept { return where; }
    static void operator delete(void*, void*) noexcept {}
    ///@}

    // Access ---------------------------------------------------------------

    /// Number of UTF-16 code units.
    int Length() const;
    /// True for an empty text, including the detached state.
    bool IsEmpty() const;
    /// True for an empty text; false in the detached state.
    bool operator!() const;
    /// The code unit at `index`; 0 outside [0, Length()).
    wchar_t operator[](int index) const;
    /// The code unit at `index`; 0 outside [0, Length()) and when detached.
    wchar_t At(int index) const;

    /// NUL-terminated Latin-1 copy (code units outside Latin-1 become '?'),
    /// cached in the body: valid until the text changes or its last handle
    /// goes. Null when detached.
    inline const char* c_str() const;
    /// NUL-terminated wide copy of the text, cached in the body like
    /// `c_str()`. Where `wchar_t` has 32 bits it is UTF-32: a surrogate pair
    /// becomes one character, an unpaired surrogate stays as its own unit.
    /// Null when detached.
    const wchar_t* w_str() const;
    /// `w_str()` for callers that want a pointer to non-const text; writing
    /// through it changes only the cached copy, never the text.
    explicit operator wchar_t*() const;
    /// `w_str()`.
    explicit operator const wchar_t*() const;
    /// The stored `QString`; a detached string first gets an empty body.
    operator const QString&() const;
    /// The stored `QString`, or null when detached.
    explicit operator const QString*() const;

    /// Makes the text private, resizes it to `length` code units unless
    /// `length` is -1 (other negative lengths count as 0) and returns the
    /// writable UTF-16 storage; null when detached. The pointer is valid until
    /// the next call on this string. Write through it before the string is
    /// copied or read with `c_str()`/`w_str()`: a later copy shares the
    /// storage, and the cached copies are not rebuilt for writes made
    /// through this pointer.
    char16_t* GetBuffer(int length = -1);
    /// Makes the text empty (nothing happens when detached).
    void Clear();
    /// Sets every code unit to `ch` (a character beyond U+FFFF gives U+FFFD);
    /// a `size` other than -1 first resizes (negative sizes count as 0).
    /// Returns this string.
    CZtString& Fill(wchar_t ch, int size = -1);

    /// Numeric value of the text: the integer forms saturate as `To...` with
    /// automatic base; `signed char` and `unsigned char` are the `ToShort`
    /// and `ToUShort` values cut to 8 bits; `float` and `double` use locale 0.
    /// A text that does not read as a number (or a detached string) gives 0.
    ///@{
    explicit operator signed char() const;
    explicit operator unsigned char() const;
    explicit operator short() const;
    explicit operator unsigned short() const;
    explicit operator int() const;
    explicit operator unsigned int() const;
    explicit operator long long() const;
    explicit operator unsigned long long() const;
    explicit operator float() const;
    explicit operator double() const;
    ///@}

    // Concatenation --------------------------------------------------------

    /// Appends the text (NUL-terminated for the pointer forms; a null pointer
    /// or a detached argument appends nothing) and returns this string. A
    /// detached string stays detached and unchanged.
    ///@{
    CZtString& operator+=(const CZtString& text);
    CZtString& operator+=(const QString& text);
    CZtString& operator+=(const char* text);
    CZtString& operator+=(const wchar_t* text);
    CZtString& operator+=(char ch);
    CZtString& operator+=(wchar_t ch);
    ///@}
    /// Appends the text of the variant (see the variant constructor).
    CZtString& operator+=(const CZtVariant& value);

    /// A new string: this text followed by the argument's; this one is
    /// unchanged (a detached left side gives `""`; a detached or null argument
    /// adds nothing). The variant form adds the text of the variant.
    ///@{
    CZtString operator+(const CZtString& text) const;
    CZtString operator+(const QString& text) const;
    CZtString operator+(const char* text) const;
    CZtString operator+(const wchar_t* text) const;
    CZtString operator+(char ch) const;
    CZtString operator+(wchar_t ch) const;
    CZtString operator+(const CZtVariant& value) const;
    ///@}

    /// Appends `length` units of the text (-1: up to the NUL; a null pointer
    /// or a detached argument appends nothing; a wide character beyond U+FFFF
    /// appends a surrogate pair) and returns this string. A detached string
    /// stays detached and unchanged.
    ///@{
    CZtString& Append(char ch);
    CZtString& Append(wchar_t ch);
    CZtString& Append(const char* text, int length = -1);
    CZtString& Append(const wchar_t* text, int length = -1);
    CZtString& Append(const CZtString& text);
    ///@}

    /// Puts the text in front, with the same argument rules as `Append`, and
    /// returns this string.
    ///@{
    CZtString& Prepend(char ch);
    CZtString& Prepend(wchar_t ch);
    CZtString& Prepend(const char* text, int length = -1);
    CZtString& Prepend(const wchar_t* text, int length = -1);
    CZtString& Prepend(const CZtString& text);
    ///@}

    /// Inserts the text before the code unit at `position`, with the same
    /// argument rules as `Append`, and returns this string. A position past
    /// the end first pads the text with spaces up to it; a negative position
    /// inserts nothing, except for the `char` form, which counts it from the
    /// end (as `QString::insert` does).
    ///@{
    CZtString& Insert(int position, char ch);
    CZtString& Insert(int position, wchar_t ch);
    CZtString& Insert(int position, const char* text, int length = -1);
    CZtString& Insert(int position, const wchar_t* text, int length = -1);
    CZtString& Insert(int position, const CZtString& text);
    ///@}

    // Comparison (by UTF-16 code units; detached operands: see above) ------

    /// Negative, 0 or positive as this text orders before, equal to or after
    /// `other`, by UTF-16 code units; 0 when either side is detached.
    int Compare(const CZtString& other) const;
    /// As `Compare`, ignoring case (Unicode simple case folding).
    int CompareNoCase(const CZtString& other) const;
    /// Compares the texts by UTF-16 code units. A detached left side gives
    /// false for every operator; a detached right side counts as the empty
    /// text.
    ///@{
    bool operator==(const CZtString& other) const;
    bool operator!=(const CZtString& other) const;
    bool operator<(const CZtString& other) const;
    bool operator>(const CZtString& other) const;
    bool operator<=(const CZtString& other) const;
    bool operator>=(const CZtString& other) const;
    ///@}

    // Search (`cs`: case-sensitive when true) -------------------------------

    /// The index of the first occurrence at or after `from` (negative: counted
    /// from the end), or -1 when there is none or this string is detached. A
    /// detached argument counts as the empty text, which is found at `from`.
    ///@{
    int IndexOf(const CZtString& text, int from = 0, bool cs = true) const;
    int IndexOf(char ch, int from = 0, bool cs = true) const;
    int IndexOf(wchar_t ch, int from = 0, bool cs = true) const;
    ///@}
    /// The index of the last occurrence at or before `from` (-1: from the
    /// end; other negative values count from the end), or -1 when there is
    /// none or this string is detached.
    ///@{
    int LastIndexOf(const CZtString& text, int from = -1, bool cs = true) const;
    int LastIndexOf(char ch, int from = -1, bool cs = true) const;
    int LastIndexOf(wchar_t ch, int from = -1, bool cs = true) const;
    ///@}

    /// True when the text occurs in this one; false when detached.
    ///@{
    bool Contains(const CZtString& text, bool cs = true) const;
    bool Contains(char ch, bool cs = true) const;
    bool Contains(wchar_t ch, bool cs = true) const;
    ///@}
    /// Number of possibly overlapping occurrences; -1 when detached.
    ///@{
    int Count(const CZtString& text, bool cs = true) const;
    int Count(char ch, bool cs = true) const;
    int Count(wchar_t ch, bool cs = true) const;
    ///@}
    /// True when this text begins with the argument; false when detached.
    ///@{
    bool StartsWith(const CZtString& text, bool cs = true) const;
    bool StartsWith(char ch, bool cs = true) const;
    bool StartsWith(wchar_t ch, bool cs = true) const;
    ///@}
    /// True when this text ends with the argument; false when detached.
    ///@{
    bool EndsWith(const CZtString& text, bool cs = true) const;
    bool EndsWith(char ch, bool cs = true) const;
    bool EndsWith(wchar_t ch, bool cs = true) const;
    ///@}
    /// True when the text starts with "0x" or "0X"; false when detached.
    bool ContainsHexValue() const;

    // Derived strings (this string is unchanged) -----------------------------

    /// The first `n` code units (negative counts as 0; the whole text when
    /// `n` reaches its length). A detached string gives an empty text.
    CZtString Left(int n) const;
    /// The last `n` code units (negative counts as 0; the whole text when
    /// `n` reaches its length). A detached string gives an empty text.
    CZtString Right(int n) const;
    /// `n` code units from `position` (negative position counts as 0, n -1:
    /// to the end); clamped to the text. A detached string gives an empty text.
    CZtString Mid(int position, int n = -1) const;
    /// Fields `start` to `end` (both included, 0-based) of the text cut at
    /// every separator; a negative start counts as 0, an end below start as
    /// start. Fields past the end give an empty text, and so does a detached
    /// string; a detached separator gives the whole text.
    ///@{
    CZtString Section(char separator, int start, int end) const;
    CZtString Section(wchar_t separator, int start, int end) const;
    CZtString Section(const CZtString& separator, int start, int end) const;
    ///@}
    /// Pads on the right (`LeftJustified`) or the left (`RightJustified`)
    /// with `fill` up to `width`; a longer text is cut to `width` only when
    /// `truncate` is true. A detached string gives an empty text.
    ///@{
    CZtString LeftJustified(int width, char fill = ' ', bool truncate = false) const;
    CZtString LeftJustified(int width, wchar_t fill, bool truncate = false) const;
    CZtString RightJustified(int width, char fill = ' ', bool truncate = false) const;
    CZtString RightJustified(int width, wchar_t fill, bool truncate = false) const;
    ///@}
    /// The text in lower case (Unicode rules, as `QString::toLower`).
    CZtString ToLower() const;
    /// The text in upper case (Unicode rules, as `QString::toUpper`).
    CZtString ToUpper() const;
    /// The text case-folded for caseless comparison (`QString::toCaseFolded`).
    CZtString ToCaseFolded() const;
    /// The text without white space at its start and end.
    CZtString Trimmed() const;
    /// The text trimmed, with every inner run of white space made one space.
    CZtString Simplified() const;
    /// The text with `<`, `>`, `&` and `"` written as HTML entities.
    CZtString ToHtmlEscaped() const;

    // In-place editing ------------------------------------------------------

    /// Removes `n` code units from `position` (clamped to the text; a
    /// negative position counts from the end, a negative `n` removes
    /// nothing) and returns this string.
    CZtString& Remove(int position, int n);
    /// Removes every occurrence and returns this string; a detached argument
    /// removes nothing.
    ///@{
    CZtString& Remove(char ch, bool cs = true);
    CZtString& Remove(wchar_t ch, bool cs = true);
    CZtString& Remove(const CZtString& text, bool cs = true);
    ///@}

    /// Replaces `n` code units at `position` with the text (`length` units of
    /// it, -1: up to the NUL) and returns this string. The range is clamped to
    /// the text; a position outside it, or a detached replacement, changes
    /// nothing.
    ///@{
    CZtString& Replace(int position, int n, char after);
    CZtString& Replace(int position, int n, wchar_t after);
    CZtString& Replace(int position, int n, const char* after, int length = -1);
    CZtString& Replace(int position, int n, const wchar_t* after, int length = -1);
    CZtString& Replace(int position, int n, const CZtString& after);
    ///@}
    /// Replaces every occurrence of `before` with `after` (the lengths as in
    /// `Append`) and returns this string; a detached argument changes nothing.
    ///@{
    CZtString& Replace(char before, char after, bool cs = true);
    CZtString& Replace(wchar_t before, wchar_t after, bool cs = true);
    CZtString& Replace(const char* before, int beforeLength, const char* after, int afterLength,
                       bool cs = true);
    CZtString& Replace(const wchar_t* before, int beforeLength, const wchar_t* after,
                       int afterLength, bool cs = true);
    CZtString& Replace(const CZtString& before, const CZtString& after, bool cs = true);
    ///@}

    /// Reverses the order of the UTF-16 code units (a surrogate pair comes
    /// out reversed too) and returns this string.
    CZtString& Reverse();

    // Numbers ---------------------------------------------------------------

    /// Saturating parse with automatic base (16 after "0x" or "0X", else 10):
    /// a value outside the type gives its nearest limit and still counts as
    /// read. Leading and trailing white space is skipped. A text that is not
    /// a number, a number beyond the 64-bit range, or a detached string gives
    /// 0. `*ok` (when `ok` is not null) tells whether the text was read.
    ///@{
    short ToShort(bool* ok = nullptr) const;
    unsigned short ToUShort(bool* ok = nullptr) const;
    int ToInt(bool* ok = nullptr) const;
    unsigned int ToUInt(bool* ok = nullptr) const;
    long long ToLongLong(bool* ok = nullptr) const;
    unsigned long long ToULongLong(bool* ok = nullptr) const;
    ///@}
    /// Saturating parse in `base` (0: C prefix rules, "0x" hexadecimal and a
    /// leading "0" octal); results as `ToInt()`.
    int ToInt(int base, bool* ok = nullptr) const;
    /// `ToInt(16, ok)`.
    int ToHexInt(bool* ok = nullptr) const;
    /// `ToInt(8, ok)`.
    int ToOctInt(bool* ok = nullptr) const;
    /// Floating-point parse; `lcid` 0 reads the C locale (full stop), any
    /// other value is a Windows locale identifier whose separators are used.
    /// An unknown identifier fails. Out-of-range values clamp to the type.
    /// A failure gives 0 with `*ok` false.
    ///@{
    float ToFloat(bool* ok = nullptr, unsigned int lcid = 0) const;
    double ToDouble(bool* ok = nullptr, unsigned int lcid = 0) const;
    ///@}

    /// Saturating parse into `out`: 0 on success, `ZT_E_FAIL` otherwise (with
    /// 0 in `out`). The floating-point forms ignore `base` and read the C locale.
    ///@{
    unsigned int ConvertToNumericValue(unsigned long long& out, int base = 10) const;
    unsigned int ConvertToNumericValue(long long& out, int base = 10) const;
    unsigned int ConvertToNumericValue(unsigned int& out, int base = 10) const;
    unsigned int ConvertToNumericValue(int& out, int base = 10) const;
    unsigned int ConvertToNumericValue(unsigned short& out, int base = 10) const;
    unsigned int ConvertToNumericValue(short& out, int base = 10) const;
    unsigned int ConvertToNumericValue(unsigned char& out, int base = 10) const;
    unsigned int ConvertToNumericValue(signed char& out, int base = 10) const;
    unsigned int ConvertToNumericValue(float& out, int base = 10) const;
    unsigned int ConvertToNumericValue(double& out, int base = 10) const;
    ///@}

    /// Replaces the text with the number in `base` (2 to 36, lower-case
    /// digits) and returns this string. A negative value in a base other than
    /// 10 is written as its 64-bit two's complement (-255 in base 16 gives
    /// "ffffffffffffff01"). A detached string stays unchanged.
    ///@{
    CZtString& SetNum(short value, int base = 10);
    CZtString& SetNum(unsigned short value, int base = 10);
    CZtString& SetNum(int value, int base = 10);
    CZtString& SetNum(unsigned int value, int base = 10);
    CZtString& SetNum(long long value, int base = 10);
    CZtString& SetNum(unsigned long long value, int base = 10);
    ///@}
    /// Replaces the text with the number in `format` ('e', 'E', 'f', 'g', 'G')
    /// with `precision` digits, as `QString::setNum`, and returns this string.
    ///@{
    CZtString& SetNum(float value, char format = 'g', int precision = 6);
    CZtString& SetNum(double value, char format = 'g', int precision = 6);
    ///@}

    // Formatting ------------------------------------------------------------

    /// Replaces the text with Qt's printf-style formatting of the arguments
    /// (`QString::vasprintf`: \%s takes UTF-8 text, \%ls UTF-16 text; \%S
    /// and \%I64d are not understood, use the wide form for those). A null
    /// format gives an empty text. Returns this string.
    const CZtString& Format(const char* format, ...);
    /// Replaces the text with the C library's wide formatting, with
    /// positional arguments (`%2$s`), \%s/\%c taking wide arguments,
    /// \%S/\%C narrow ones, and the \%I64d/\%I64u/\%I64x size prefix.
    /// A format or argument the C library rejects leaves the text unchanged,
    /// and so does a null format. There is no length limit. Returns this
    /// string.
    const CZtString& Format(const wchar_t* format, ...);
    /// A new string formatted as by the narrow `Format`.
    static CZtString FormatString(const char* format, ...);
    /// A new string formatted as by the wide `Format`; empty when the C
    /// library rejects the format or an argument.
    static CZtString FormatString(const wchar_t* format, ...);

private:
    friend class CZtStringImpl;

    explicit CZtString(CZtStringImpl* impl);
    CZtString& operator=(CZtStringImpl* impl);

    void FreeString();
    void CopyOnModify();
    /// Builds (or waits for) the body's Latin-1 copy; null when detached.
    const char* BuildLatin1() const;
    /// The count of a body (`detail::CountedBody` is its first and only base).
    static detail::SharedCount& CountOf(CZtStringImpl* body) {
        return reinterpret_cast<detail::CountedBody<CZtStringData>*>(body)->m_RefCount;
    }
    /// A new empty body, for a copy of a detached string.
    static CZtStringImpl* NewEmptyBody();
    /// Destroys a body whose last reference went.
    static void DisposeBody(CZtStringImpl* body) noexcept;
    /// Fills a handle that has no body (used by constructors and assignments).
    void Copy(const CZtString& other);
    void Copy(const CZtString* other);
    void Copy(const QString& text);
    void Copy(const QString* text);
    void Copy(const char* text, int length);
    void Copy(const wchar_t* text, int length);
    void Copy(char ch);
    void Copy(wchar_t ch);
    void Copy(int value);
    void Copy(unsigned int value);
    void Copy(double value);
    void Copy(const CZtGUID& guid);
    void Copy(const CZtGUID* guid);

    CZtStringImpl* m_pImpl;
};

// `c_str` is called on hot paths (trace parameters, keys), so its common
// case, a copy that was already built, is read inline: the body's data class
// is the first and only base of the body, so the body's address is its address.
// The common case is marked likely so that it falls through without a taken
// branch, and the call that builds the copy is laid out of the way.
inline const char* CZtString::c_str() const {
    if (__builtin_expect(m_pImpl != nullptr, 1)) {
        const CZtStringData* body = reinterpret_cast<const CZtStringData*>(m_pImpl);
        const char* cached = __atomic_load_n(&body->m_pszLatin1, __ATOMIC_ACQUIRE);
        if (__builtin_expect(cached != nullptr, 1))
            return cached;
    }
    return BuildLatin1();
}

// Copying and destroying a handle are the commonest text operations (every
// variant, key and parameter copies one), so they run inline as a Qt value's
// do: one atomic increment, one atomic decrement; only creating and freeing a
// body call into the library.
inline CZtString::CZtString(const CZtString& other) : m_pImpl(other.m_pImpl) {
    if (__builtin_expect(m_pImpl != nullptr, 1))
        CountOf(m_pImpl).Acquire();
    else
        m_pImpl = NewEmptyBody();
}

inline CZtString::~CZtString() {
    if (m_pImpl && CountOf(m_pImpl).Release())
        DisposeBody(m_pImpl);
}

}  // namespace Varn

#endif  // ZOTREL_STRING_H
