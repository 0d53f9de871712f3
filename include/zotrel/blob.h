/// @file
/// Zotrel bytes: `CZtBlob`, a shared copy-on-modify byte buffer with a stream position.
///
/// A `CZtBlob` is an ordered run of bytes with value semantics: the payload of
/// a byte-valued variant, the raw form of a text, a record read from a device.
/// It holds a Qt `QByteArray` inside a reference-counted body: copies share one
/// body (one atomic increment, no byte copy) and a change first gives the
/// changing handle a private copy. Besides the `QByteArray`-like editing and
/// search members it keeps a read/write position, so a blob can be filled and
/// read like a small stream.
///
///     Varn::CZtBlob record;
///     unsigned int id = 7;
///     record.Write(reinterpret_cast<const unsigned char*>(&id), sizeof id);  // position 4
///     Varn::CZtBlob sent = record;           // shares the bytes
///     unsigned int back = 0;
///     sent.Read(reinterpret_cast<unsigned char*>(&back), 0, sizeof back);    // back == 7
///     Varn::CZtBlob text(L"AB");             // 0x41 0x00 0x42 0x00: UTF-16, low byte first
///
/// Texts as bytes. Narrow (`char`) text gives its bytes as they are, without
/// the terminating NUL. Wide text and `CZtString` give their UTF-16 code units,
/// two bytes each, low byte first, without a terminator; a wide character
/// beyond U+FFFF gives its surrogate pair (four bytes).
///
/// The position. The read/write position is a byte index kept in the shared
/// body. `Read`, `Write`, `Seek` and `Clear` first give the handle a private
/// body, and a new private body starts at position 0: a blob that shared its
/// bytes starts these operations at 0. `Position` and the offset form of
/// `Read` neither un-share nor move it. Editing members leave it where it is,
/// so after `Remove`, `Truncate` or `Chop` it may lie at or past the end; a
/// `Write` from there fills the gap with zero bytes.
///
/// (pointer, length) arguments: a negative length runs to the first zero
/// byte, as `QByteArray::append` does; a null pointer is no bytes (the
/// constructor makes a detached blob from it).
///
/// Ownership. Heap blobs that cross module boundaries are made and freed by the
/// library (`AllocBlob`, `CreateBlob`, `DestroyBlob`, and class-level
/// `operator new`/`delete` over `malloc`/`free`). Pointers to the bytes stay
/// valid until this blob next changes or is destroyed; they are for reading,
/// `GetBuffer` is the way to write.
///
/// The detached state. A blob made from, or assigned, a null pointer has no
/// body: it is empty, its pointers are null, `Read`/`Write`/`Seek` give false,
/// searches -1 or false, `operator==` false, changing operations do nothing
/// and derived blobs are ordinary empty blobs. Copying it gives an ordinary
/// empty blob; assigning a value by reference ends the state. As an argument
/// it counts as no bytes.
///
/// Threads: distinct `CZtBlob` objects that share a body may be used on
/// different threads; one `CZtBlob` object, and its position, is not safe for
/// concurrent use.

#ifndef ZOTREL_BLOB_H
#define ZOTREL_BLOB_H

#include <zotrel/foundation.h>

#include <cstddef>

class QByteArray;

namespace Varn {

class CZtBlobImpl;
class CZtString;
class CZtVariant;

/// Base of the shared byte body: a pointer to the first of the current bytes,
/// refreshed after every change. Nothing in the library reads it; it is there
/// for debuggers and for callers that look into bodies.
class ZOTREL_EXPORT CZtBlobData {
public:
    /// No bytes yet: the pointer is null.
    CZtBlobData();
    /// Does not copy the pointer: a new body points at its own bytes.
    CZtBlobData(const CZtBlobData& other);
    /// Nulls the pointer.
    virtual ~CZtBlobData();
    /// Copies the pointer.
    CZtBlobData& operator=(const CZtBlobData& other);

protected:
    /// The first of the body's bytes.
    unsigned char* m_pData;
};

/// Shared, copy-on-modify byte buffer with a read/write position. See the
/// header comment for the rules that every member follows.
class ZOTREL_EXPORT CZtBlob : public CZtCrtAllocated {
public:
    // Construction ---------------------------------------------------------

    /// No bytes.
    CZtBlob();
    /// `n` zero bytes (a negative `n` gives no bytes).
    CZtBlob(int n);
    /// Shares the source's bytes, and with them the position until one side
    /// un-shares; copying a detached blob gives an empty blob.
    ZOTREL_INLINE_EXPORT inline CZtBlob(const CZtBlob& other);
    /// Shares the pointed-to bytes; a null pointer gives the detached state.
    CZtBlob(const CZtBlob* other);
    /// Shares the `QByteArray`'s bytes (Qt's own implicit sharing).
    CZtBlob(const QByteArray& bytes);
    /// Copy of the `QByteArray`; a null pointer gives the detached state.
    CZtBlob(const QByteArray* bytes);
    /// The text's UTF-16 code units, two bytes each, low byte first.
    CZtBlob(const CZtString& text);
    /// As above; a null pointer gives the detached state.
    CZtBlob(const CZtString* text);
    /// `length` bytes from `data` (negative: up to the first zero byte); a
    /// null `data` gives the detached state.
    CZtBlob(const unsigned char* data, int length);
    /// The bytes up to the terminating NUL; null gives the detached state.
    CZtBlob(const char* text);
    /// The UTF-16 code units of the NUL-terminated wide text; null gives the
    /// detached state.
    CZtBlob(const wchar_t* text);
    /// One byte.
    CZtBlob(char ch);
    /// The character's UTF-16 code unit, low byte first (beyond U+FFFF: its
    /// surrogate pair).
    CZtBlob(wchar_t ch);
    /// The bytes of the variant: numbers, tick counts and time stamps as
    /// their ASCII decimal digits (not their binary value), a byte buffer
    /// shared, texts, GUIDs and CHROMIDs as the UTF-16 bytes of their text;
    /// every other variant gives no bytes. A null pointer gives the detached
    /// state.
    CZtBlob(const CZtVariant& value);
    /// The bytes of the pointed-to variant, as above; a null pointer gives
    /// the detached state.
    CZtBlob(const CZtVariant* value);
    /// Drops this handle's share of the bytes; the last handle frees them.
    ZOTREL_INLINE_EXPORT inline virtual ~CZtBlob();

    /// Assignment: releases the current bytes and takes the new ones as the
    /// matching constructor does. Assigning a blob to itself (also through a
    /// pointer) changes nothing; a null pointer leaves the blob detached.
    /// Returns this blob.
    ///@{
    CZtBlob& operator=(const CZtBlob& other);
    CZtBlob& operator=(const CZtBlob* other);
    CZtBlob& operator=(const QByteArray& bytes);
    CZtBlob& operator=(const QByteArray* bytes);
    CZtBlob& operator=(const CZtString& text);
    CZtBlob& operator=(const CZtString* text);
    CZtBlob& operator=(const char* text);
    CZtBlob& operator=(const wchar_t* text);
    CZtBlob& operator=(char ch);
    CZtBlob& operator=(wchar_t ch);
    CZtBlob& operator=(const CZtVariant& value);
    CZtBlob& operator=(const CZtVariant* value);
    ///@}

    // Heap objects that cross module boundaries ----------------------------

    /// A new heap blob sharing these bytes; free it with `DestroyBlob`.
    CZtBlob* AllocBlob() const;
    /// Stores a new empty heap blob in `*out` (nothing for a null `out`).
    static void CreateBlob(CZtBlob** out);
    /// Deletes a heap blob made by the library; null is ignored.
    static void DestroyBlob(CZtBlob* p);

    // Concatenation (the position is not changed) ---------------------------

    /// Appends the bytes the matching constructor would make (a null pointer
    /// or a detached argument adds nothing) and returns this blob. A detached
    /// blob stays detached; a result beyond the largest `QByteArray` leaves
    /// the blob unchanged.
    ///@{
    CZtBlob& operator+=(const CZtBlob& bytes);
    CZtBlob& operator+=(const CZtString& text);
    CZtBlob& operator+=(const char* text);
    CZtBlob& operator+=(const wchar_t* text);
    CZtBlob& operator+=(char ch);
    CZtBlob& operator+=(wchar_t ch);
    CZtBlob& operator+=(const CZtVariant& value);
    ///@}

    /// A new blob: these bytes followed by those of the argument (a detached
    /// left side, or a result beyond the largest `QByteArray`, gives an empty
    /// blob).
    ///@{
    CZtBlob operator+(const CZtBlob& bytes) const;
    CZtBlob operator+(const CZtString& text) const;
    CZtBlob operator+(const char* text) const;
    CZtBlob operator+(const wchar_t* text) const;
    CZtBlob operator+(char ch) const;
    CZtBlob operator+(wchar_t ch) const;
    CZtBlob operator+(const CZtVariant& value) const;
    ///@}

    // Access ---------------------------------------------------------------

    /// The byte at `index`; 0 outside [0, Length()).
    unsigned char operator[](int index) const;
    /// The byte at `index`; 0 outside [0, Length()) and when detached.
    unsigned char At(int index) const;
    /// The bytes, for reading (null when detached). Both forms point at the
    /// bytes shared with every copy, so write through `GetBuffer` instead.
    ///@{
    explicit operator unsigned char*() const;
    explicit operator const unsigned char*() const;
    ///@}
    /// The stored `QByteArray`; a detached blob first gets an empty body.
    operator const QByteArray&() const;
    /// The stored `QByteArray`, or null when detached.
    explicit operator const QByteArray*() const;
    /// Same length and the same bytes; false when this blob is detached.
    bool operator==(const CZtBlob& other) const;
    /// Number of bytes; 0 when detached.
    int Length() const;
    /// True for no bytes, including the detached state.
    bool IsEmpty() const;
    /// Makes the bytes private, resizes them to `length` unless `length` is
    /// -1 (other negative lengths count as 0; bytes added are not set) and
    /// returns the writable bytes; null when detached or when `length` is
    /// beyond the largest `QByteArray` (nothing is resized then). The pointer
    /// is valid until the next call on this blob; a copy made afterwards
    /// shares the bytes, so write before copying.
    unsigned char* GetBuffer(int length = -1);
    /// No bytes, position 0 (nothing happens when detached).
    void Clear();

    // Stream access (the position is a byte index) ---------------------------

    /// Copies `length` bytes from the position to `dst` and advances the
    /// position. False, copying nothing, for a zero length, a null `dst` or
    /// when fewer than `length` bytes remain.
    bool Read(unsigned char* dst, unsigned int length);
    /// Copies `length` bytes from `offset` to `dst`; the position is neither
    /// used nor changed. False for a zero length, a null `dst` or when the
    /// range does not lie within the bytes.
    bool Read(unsigned char* dst, unsigned int offset, unsigned int length) const;
    /// Copies `length` bytes from `src` to the position, first growing the
    /// blob to position + `length` (a gap between the old end and the
    /// position becomes zero bytes), and advances the position. False, with
    /// no change, for a null `src` with a non-zero length or a blob that
    /// would outgrow the largest `QByteArray`.
    bool Write(const unsigned char* src, unsigned int length);
    /// Moves the position. `origin` 0: to `offset`; 1: by `offset` (unsigned
    /// arithmetic, so 0xFFFFFFFF moves one byte back); both fail, position
    /// unchanged, unless the new position is below Length(). `origin` 2: to
    /// the last byte (`offset` is not used); fails on an empty blob. Any
    /// other origin fails. The end itself is reached only by reading or
    /// writing up to it.
    bool Seek(unsigned int offset, unsigned int origin);
    /// The read/write position; 0 when detached.
    unsigned int Position() const;

    // Search and tests (detached: -1 or false; a detached argument counts as
    // no bytes) ----------------------------------------------------------------

    /// The index of the first occurrence at or after `from`, or -1 when there
    /// is none or this blob is detached.
    ///@{
    int IndexOf(const CZtBlob& bytes, int from = 0) const;
    int IndexOf(unsigned char byte, int from = 0) const;
    ///@}
    /// The index of the last occurrence at or before `from` (-1: from the
    /// end), or -1 when there is none or this blob is detached.
    ///@{
    int LastIndexOf(const CZtBlob& bytes, int from = -1) const;
    int LastIndexOf(unsigned char byte, int from = -1) const;
    ///@}
    /// True when the bytes occur in this blob; false when detached.
    ///@{
    bool Contains(const CZtBlob& bytes) const;
    bool Contains(unsigned char byte) const;
    ///@}
    /// Number of possibly overlapping occurrences; -1 when detached.
    ///@{
    int Count(const CZtBlob& bytes) const;
    int Count(unsigned char byte) const;
    ///@}
    /// True when this blob begins with the bytes; false when detached.
    ///@{
    bool StartsWith(const CZtBlob& bytes) const;
    bool StartsWith(unsigned char byte) const;
    ///@}
    /// True when this blob ends with the bytes; false when detached.
    ///@{
    bool EndsWith(const CZtBlob& bytes) const;
    bool EndsWith(unsigned char byte) const;
    ///@}

    // Derived blobs (this blob is unchanged; a result that is all of these
    // bytes shares them) -------------------------------------------------------

    /// The first `n` bytes (negative counts as 0).
    CZtBlob Left(int n) const;
    /// The last `n` bytes (negative counts as 0).
    CZtBlob Right(int n) const;
    /// `n` bytes from `position`, clamped to the bytes; a negative position
    /// or `n` counts as 0 (-1 does not mean "to the end").
    CZtBlob Mid(int position, int n) const;
    /// Pads on the right (`LeftJustified`) or the left (`RightJustified`)
    /// with `fill` up to `width`; a longer blob is cut to `width` only when
    /// `truncate` is true. A `width` beyond the largest `QByteArray` gives
    /// these bytes unpadded.
    ///@{
    CZtBlob LeftJustified(int width, unsigned char fill = ' ', bool truncate = false) const;
    CZtBlob RightJustified(int width, unsigned char fill = ' ', bool truncate = false) const;
    ///@}
    /// The bytes read as Latin-1 letters, in lower case (`QByteArray::toLower`).
    CZtBlob ToLower() const;
    /// The bytes read as Latin-1 letters, in upper case (`QByteArray::toUpper`).
    CZtBlob ToUpper() const;
    /// Without leading and trailing ASCII white space.
    CZtBlob Trimmed() const;
    /// Trimmed, and every inner run of white space replaced by one space.
    CZtBlob Simplified() const;

    // In-place editing (the position is not changed). Positions follow Qt's
    // rules: a negative position does nothing, one past the end pads with
    // spaces; an edit that would outgrow the largest `QByteArray` does
    // nothing. --------------------------------------------------------------

    /// Inserts the bytes before the byte at `position` and returns this blob.
    /// A negative position inserts nothing; one past the end first pads with
    /// spaces up to it.
    ///@{
    CZtBlob& Insert(int position, unsigned char byte);
    CZtBlob& Insert(int position, const unsigned char* data, int length);
    CZtBlob& Insert(int position, const CZtBlob& bytes);
    ///@}
    /// Adds the bytes at the end and returns this blob.
    ///@{
    CZtBlob& Append(unsigned char byte);
    CZtBlob& Append(const unsigned char* data, int length);
    CZtBlob& Append(const CZtBlob& bytes);
    ///@}
    /// Puts the bytes in front and returns this blob.
    ///@{
    CZtBlob& Prepend(unsigned char byte);
    CZtBlob& Prepend(const unsigned char* data, int length);
    CZtBlob& Prepend(const CZtBlob& bytes);
    ///@}
    /// Removes `n` bytes at `position` (clamped to the end; a negative
    /// position or `n`, or a position at or past the end, removes nothing)
    /// and returns this blob.
    CZtBlob& Remove(int position, int n);
    /// Replaces `n` bytes at `position` with the given bytes (clamped to the
    /// end; a negative position changes nothing, a negative `n` removes
    /// nothing, a position at or past the end inserts there) and returns this
    /// blob.
    ///@{
    CZtBlob& Replace(int position, int n, const unsigned char* after, int afterLength);
    CZtBlob& Replace(int position, int n, const CZtBlob& after);
    ///@}
    /// Replaces every occurrence of `before` (an empty `before` matches at
    /// every position) and returns this blob.
    ///@{
    CZtBlob& Replace(const unsigned char* before, int beforeLength, const unsigned char* after,
                     int afterLength);
    CZtBlob& Replace(const CZtBlob& before, const CZtBlob& after);
    ///@}
    /// Keeps the first `n` bytes (a negative `n` keeps none; a blob of `n`
    /// bytes or fewer is unchanged).
    void Truncate(int n);
    /// Drops the last `n` bytes (all of them when `n` reaches the length; a
    /// negative `n` drops nothing).
    void Chop(int n);

private:
    friend class CZtBlobImpl;

    explicit CZtBlob(CZtBlobImpl* impl);
    CZtBlob& operator=(CZtBlobImpl* impl);

    void FreeBlob();
    void CopyOnModify();
    /// The count of a body (`detail::CountedBody` is its first and only base).
    static detail::SharedCount& CountOf(CZtBlobImpl* body) {
        return reinterpret_cast<detail::CountedBody<CZtBlobData>*>(body)->m_RefCount;
    }
    /// A new empty body, for a copy of a detached blob.
    static CZtBlobImpl* NewEmptyBody();
    /// Destroys a body whose last reference went.
    static void DisposeBody(CZtBlobImpl* body) noexcept;
    /// Fills a handle that has no body (used by constructors and assignments).
    void Copy(int n);
    void Copy(const CZtBlob& other);
    void Copy(const CZtBlob* other);
    void Copy(const QByteArray& bytes);
    void Copy(const QByteArray* bytes);
    void Copy(const CZtString& text);
    void Copy(const CZtString* text);
    void Copy(const unsigned char* data, int length);
    void Copy(const char* text);
    void Copy(const wchar_t* text);
    void Copy(char ch);
    void Copy(wchar_t ch);

    CZtBlobImpl* m_pImpl;
};

// Copying and destroying a handle run inline, as a Qt value's do: one atomic
// increment, one atomic decrement; only creating and freeing a body call into
// the library.
inline CZtBlob::CZtBlob(const CZtBlob& other) : m_pImpl(other.m_pImpl) {
    if (__builtin_expect(m_pImpl != nullptr, 1))
        CountOf(m_pImpl).Acquire();
    else
        m_pImpl = NewEmptyBody();
}

inline CZtBlob::~CZtBlob() {
    if (m_pImpl && CountOf(m_pImpl).Release())
        DisposeBody(m_pImpl);
}

}  // namespace Varn

#endif  // ZOTREL_BLOB_H
