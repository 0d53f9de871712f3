#include <zotrel/blob.h>

#include <zotrel/string.h>

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <typeinfo>

#include "text/blobimpl.h"
#include "text/widetext.h"

namespace Varn {

namespace {

// The largest run of bytes a QByteArray can hold: its size is an int and its
// block also carries a header and the terminating zero. Every operation whose
// size comes from an argument rather than from real data checks against this
// before it asks Qt to grow, so a wild position or length fails cleanly
// instead of overflowing Qt's int arithmetic.
constexpr long long kMaxBytes = std::numeric_limits<int>::max() - 64;

bool Fits(long long size) {
    return size <= kMaxBytes;
}

const QByteArray& EmptyBytes() {
    static const QByteArray empty;
    return empty;
}

// UTF-16 code units as bytes, low byte first, whatever the host byte order.
QByteArray Utf16Bytes(const QString& text) {
    const int n = text.size();
    QByteArray out(n * 2, Qt::Uninitialized);
    const ushort* units = text.utf16();
    char* bytes = out.data();
    for (int i = 0; i < n; ++i) {
        bytes[2 * i] = static_cast<char>(units[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(units[i] >> 8);
    }
    return out;
}

// The UTF-16 bytes of a text handle; a detached text counts as no bytes.
QByteArray TextBytes(const CZtString& text) {
    const QString* chars = static_cast<const QString*>(text);
    return chars ? Utf16Bytes(*chars) : QByteArray();
}

QByteArray WideBytes(const wchar_t* text) {
    return text ? Utf16Bytes(detail::QStringFromWide(text, -1)) : QByteArray();
}

QByteArray WideBytes(wchar_t ch) {
    return Utf16Bytes(detail::QStringFromWide(ch));
}

QByteArray NarrowBytes(const char* text) {
    return text ? QByteArray(text) : QByteArray();
}

// A (pointer, length) argument as an independent copy: a negative length runs
// to the first zero byte, a null pointer is no bytes. Copying first also
// keeps the bytes valid when they point into the blob being edited.
QByteArray RawBytes(const unsigned char* data, int length) {
    if (!data)
        return QByteArray();
    const char* p = reinterpret_cast<const char*>(data);
    return length < 0 ? QByteArray(p) : QByteArray(p, length);
}

// Insertion by Qt's rules (a negative position does nothing, a position past
// the end pads with spaces), refused when the result would be too large.
void InsertBytes(QByteArray& target, int position, const QByteArray& bytes) {
    if (position < 0 || bytes.isEmpty())
        return;
    if (!Fits(static_cast<long long>(std::max(position, target.size())) + bytes.size()))
        return;
    target.insert(position, bytes);
}

void AppendBytes(QByteArray& target, const QByteArray& bytes) {
    if (Fits(static_cast<long long>(target.size()) + bytes.size()))
        target.append(bytes);
}

void PrependBytes(QByteArray& target, const QByteArray& bytes) {
    if (Fits(static_cast<long long>(target.size()) + bytes.size()))
        target.prepend(bytes);
}

// Replaces `n` bytes at `position`. Qt's own range replacement overwrites in
// place when the lengths match, without checking that the position is not
// negative or that position + n does not overflow; the range is therefore
// clamped here first. The outcome is Qt's: a negative position does nothing,
// a negative count removes nothing, a position at or past the end inserts.
void ReplaceRange(QByteArray& target, int position, int n, const QByteArray& after) {
    if (position < 0)
        return;
    const int size = target.size();
    if (position >= size) {
        InsertBytes(target, position, after);
        return;
    }
    const int removed = n <= 0 ? 0 : static_cast<int>(std::min<long long>(n, size - position));
    if (!Fits(static_cast<long long>(size) - removed + after.size()))
        return;
    target.replace(position, removed, after);
}

// Replaces every occurrence; refused when the result would be too large
// (an empty `before` matches at every position, size + 1 times, so the growth
// can be large; QByteArray::count reports -1 for it, so it is counted here).
void ReplaceAll(QByteArray& target, const QByteArray& before, const QByteArray& after) {
    if (after.size() > before.size()) {
        const long long matches = before.isEmpty() ? target.size() + 1LL : target.count(before);
        if (!Fits(target.size() + matches * (after.size() - before.size())))
            return;
    }
    target.replace(before, after);
}

// True when [data, data + length) overlaps the bytes of `bytes`.
bool Overlaps(const QByteArray& bytes, const unsigned char* data, unsigned int length) {
    if (!data || length == 0 || bytes.isEmpty())
        return false;
    const unsigned char* first = reinterpret_cast<const unsigned char*>(bytes.constData());
    const unsigned char* last = first + bytes.size();
    std::less<const unsigned char*> before;
    return before(data, last) && before(first, data + length);
}

}  // namespace

// ---------------------------------------------------------------------------
// The body

const QByteArray& CZtBlobImpl::BytesOrEmpty(const CZtBlob& b) {
    return b.m_pImpl ? b.m_pImpl->m_Bytes : EmptyBytes();
}

CZtBlob CZtBlobImpl::Make(QByteArray bytes) {
    CZtBlob result(static_cast<const CZtBlob*>(nullptr));
    result.m_pImpl = new CZtBlobImpl(std::move(bytes));
    return result;
}

CZtBlobImpl* CZtBlobImpl::BeginEdit(CZtBlob& b) {
    if (!b.m_pImpl)
        return nullptr;
    b.CopyOnModify();
    return b.m_pImpl;
}

CZtBlobData::CZtBlobData() : m_pData(nullptr) {}
CZtBlobData::CZtBlobData(const CZtBlobData&) : m_pData(nullptr) {}
CZtBlobData::~CZtBlobData() {
    m_pData = nullptr;
}
CZtBlobData& CZtBlobData::operator=(const CZtBlobData& other) {
    m_pData = other.m_pData;
    return *this;
}

// ---------------------------------------------------------------------------
// Lifetime

void CZtBlob::FreeBlob() {
    detail::ReleaseBody(m_pImpl);
}

void CZtBlob::CopyOnModify() {
    detail::DetachBody(m_pImpl);
}

void CZtBlob::Copy(int n) {
    m_pImpl = new CZtBlobImpl(QByteArray(std::max(n, 0), '\0'));
}
void CZtBlob::Copy(const CZtBlob& other) {
    m_pImpl = detail::ShareOrNewBody(other.m_pImpl);
}
void CZtBlob::Copy(const CZtBlob* other) {
    if (other)
        Copy(*other);
}
void CZtBlob::Copy(const QByteArray& bytes) {
    m_pImpl = new CZtBlobImpl(bytes);
}
void CZtBlob::Copy(const QByteArray* bytes) {
    if (bytes)
        Copy(*bytes);
}
void CZtBlob::Copy(const CZtString& text) {
    m_pImpl = new CZtBlobImpl(TextBytes(text));
}
void CZtBlob::Copy(const CZtString* text) {
    if (text)
        Copy(*text);
}
void CZtBlob::Copy(const unsigned char* data, int length) {
    if (data)
        m_pImpl = new CZtBlobImpl(RawBytes(data, length));
}
void CZtBlob::Copy(const char* text) {
    if (text)
        m_pImpl = new CZtBlobImpl(QByteArray(text));
}
void CZtBlob::Copy(const wchar_t* text) {
    if (text)
        m_pImpl = new CZtBlobImpl(WideBytes(text));
}
void CZtBlob::Copy(char ch) {
    m_pImpl = new CZtBlobImpl(QByteArray(1, ch));
}
void CZtBlob::Copy(wchar_t ch) {
    m_pImpl = new CZtBlobImpl(WideBytes(ch));
}

CZtBlob::CZtBlob() : m_pImpl(new CZtBlobImpl) {}
CZtBlob::CZtBlob(int n) : m_pImpl(nullptr) {
    Copy(n);
}
// A copy shares the body at once (the handle is written once).
CZtBlob::CZtBlob(const CZtBlob* other) : m_pImpl(nullptr) {
    Copy(other);
}
CZtBlob::CZtBlob(const QByteArray& bytes) : m_pImpl(nullptr) {
    Copy(bytes);
}
CZtBlob::CZtBlob(const QByteArray* bytes) : m_pImpl(nullptr) {
    Copy(bytes);
}
CZtBlob::CZtBlob(const CZtString& text) : m_pImpl(nullptr) {
    Copy(text);
}
CZtBlob::CZtBlob(const CZtString* text) : m_pImpl(nullptr) {
    Copy(text);
}
CZtBlob::CZtBlob(const unsigned char* data, int length) : m_pImpl(nullptr) {
    Copy(data, length);
}
CZtBlob::CZtBlob(const char* text) : m_pImpl(nullptr) {
    Copy(text);
}
CZtBlob::CZtBlob(const wchar_t* text) : m_pImpl(nullptr) {
    Copy(text);
}
CZtBlob::CZtBlob(char ch) : m_pImpl(nullptr) {
    Copy(ch);
}
CZtBlob::CZtBlob(wchar_t ch) : m_pImpl(nullptr) {
    Copy(ch);
}

CZtBlob::CZtBlob(CZtBlobImpl* impl) : m_pImpl(detail::ShareOrNewBody(impl)) {}

// The copy constructor and the destructor are inline in the header; these
// are the two steps they leave to the library.
CZtBlobImpl* CZtBlob::NewEmptyBody() {
    return detail::NewBody<CZtBlobImpl>();
}
void CZtBlob::DisposeBody(CZtBlobImpl* body) noexcept {
    detail::DisposeBody(body);
}

// Every assignment builds the new bytes first and releases the old ones
// afterwards, so an argument that is (or points into) this blob is read
// before it goes away. A null pointer argument builds a detached handle, and
// taking over its (null) body leaves this blob detached.
CZtBlob& CZtBlob::operator=(const CZtBlob& other) {
    if (this != &other) {
        CZtBlobImpl* next = detail::ShareOrNewBody(other.m_pImpl);
        FreeBlob();
        m_pImpl = next;
    }
    return *this;
}
CZtBlob& CZtBlob::operator=(const CZtBlob* other) {
    if (other == this)
        return *this;
    if (other)
        return *this = *other;
    FreeBlob();
    return *this;
}
CZtBlob& CZtBlob::operator=(const QByteArray& bytes) {
    const CZtBlob next(bytes);
    return *this = next.m_pImpl;
}
CZtBlob& CZtBlob::operator=(const QByteArray* bytes) {
    const CZtBlob next(bytes);
    return *this = next.m_pImpl;
}
CZtBlob& CZtBlob::operator=(const CZtString& text) {
    const CZtBlob next(text);
    return *this = next.m_pImpl;
}
CZtBlob& CZtBlob::operator=(const CZtString* text) {
    const CZtBlob next(text);
    return *this = next.m_pImpl;
}
CZtBlob& CZtBlob::operator=(const char* text) {
    const CZtBlob next(text);
    return *this = next.m_pImpl;
}
CZtBlob& CZtBlob::operator=(const wchar_t* text) {
    const CZtBlob next(text);
    return *this = next.m_pImpl;
}
CZtBlob& CZtBlob::operator=(char ch) {
    const CZtBlob next(ch);
    return *this = next.m_pImpl;
}
CZtBlob& CZtBlob::operator=(wchar_t ch) {
    const CZtBlob next(ch);
    return *this = next.m_pImpl;
}

CZtBlob& CZtBlob::operator=(CZtBlobImpl* impl) {
    if (impl != m_pImpl) {
        detail::ShareBody(impl);
        FreeBlob();
        m_pImpl = impl;
    }
    return *this;
}

// ---------------------------------------------------------------------------
// Heap objects

CZtBlob* CZtBlob::AllocBlob() const {
    return new CZtBlob(*this);
}

void CZtBlob::CreateBlob(CZtBlob** out) {
    if (out)
        *out = new CZtBlob;
}

// As DestroyString: a plain CZtBlob is destroyed with direct calls, a
// derived one through its virtual destructor.
void CZtBlob::DestroyBlob(CZtBlob* p) {
    if (p && __builtin_expect(typeid(*p) == typeid(CZtBlob), 1)) {
        p->CZtBlob::~CZtBlob();
        CZtBlob::operator delete(p);
    } else {
        delete p;
    }
}

// ---------------------------------------------------------------------------
// Concatenation. The argument is turned into bytes before this blob is
// edited, since it may be this very blob.

CZtBlob& CZtBlob::operator+=(const CZtBlob& bytes) {
    return Append(bytes);
}
CZtBlob& CZtBlob::operator+=(const CZtString& text) {
    const QByteArray bytes = TextBytes(text);
    if (CZtBlobImpl::Edit edit{*this})
        AppendBytes(*edit, bytes);
    return *this;
}
CZtBlob& CZtBlob::operator+=(const char* text) {
    if (CZtBlobImpl::Edit edit{*this})
        AppendBytes(*edit, NarrowBytes(text));
    return *this;
}
CZtBlob& CZtBlob::operator+=(const wchar_t* text) {
    if (CZtBlobImpl::Edit edit{*this})
        AppendBytes(*edit, WideBytes(text));
    return *this;
}
CZtBlob& CZtBlob::operator+=(char ch) {
    if (CZtBlobImpl::Edit edit{*this})
        AppendBytes(*edit, QByteArray(1, ch));
    return *this;
}
CZtBlob& CZtBlob::operator+=(wchar_t ch) {
    if (CZtBlobImpl::Edit edit{*this})
        AppendBytes(*edit, WideBytes(ch));
    return *this;
}

namespace {

// The new blob of `operator+`: the left bytes followed by the right ones; a
// detached left side gives an empty blob.
CZtBlob Concatenate(const QByteArray* left, const QByteArray& right) {
    if (!left || !Fits(static_cast<long long>(left->size()) + right.size()))
        return CZtBlobImpl::Make(QByteArray());
    return CZtBlobImpl::Make(*left + right);
}

}  // namespace

CZtBlob CZtBlob::operator+(const CZtBlob& bytes) const {
    return Concatenate(CZtBlobImpl::BytesOf(*this), CZtBlobImpl::BytesOrEmpty(bytes));
}
CZtBlob CZtBlob::operator+(const CZtString& text) const {
    return Concatenate(CZtBlobImpl::BytesOf(*this), TextBytes(text));
}
CZtBlob CZtBlob::operator+(const char* text) const {
    return Concatenate(CZtBlobImpl::BytesOf(*this), NarrowBytes(text));
}
CZtBlob CZtBlob::operator+(const wchar_t* text) const {
    return Concatenate(CZtBlobImpl::BytesOf(*this), WideBytes(text));
}
CZtBlob CZtBlob::operator+(char ch) const {
    return Concatenate(CZtBlobImpl::BytesOf(*this), QByteArray(1, ch));
}
CZtBlob CZtBlob::operator+(wchar_t ch) const {
    return Concatenate(CZtBlobImpl::BytesOf(*this), WideBytes(ch));
}

// ---------------------------------------------------------------------------
// Access

unsigned char CZtBlob::operator[](int index) const {
    return At(index);
}

unsigned char CZtBlob::At(int index) const {
    if (!m_pImpl || index < 0 || index >= m_pImpl->m_Bytes.size())
        return 0;
    return static_cast<unsigned char>(m_pImpl->m_Bytes.at(index));
}

// Both pointer forms read the bytes without detaching the QByteArray: the
// body may be shared with handles on other threads, and a const member must
// not write to it.
CZtBlob::operator unsigned char*() const {
    return const_cast<unsigned char*>(static_cast<const unsigned char*>(*this));
}

CZtBlob::operator const unsigned char*() const {
    return m_pImpl ? reinterpret_cast<const unsigned char*>(m_pImpl->m_Bytes.constData()) : nullptr;
}

CZtBlob::operator const QByteArray&() const {
    if (!m_pImpl)
        const_cast<CZtBlob*>(this)->m_pImpl = new CZtBlobImpl;
    return m_pImpl->m_Bytes;
}

CZtBlob::operator const QByteArray*() const {
    return CZtBlobImpl::BytesOf(*this);
}

bool CZtBlob::operator==(const CZtBlob& other) const {
    return m_pImpl && m_pImpl->m_Bytes == CZtBlobImpl::BytesOrEmpty(other);
}

int CZtBlob::Length() const {
    return m_pImpl ? m_pImpl->m_Bytes.size() : 0;
}

bool CZtBlob::IsEmpty() const {
    return !m_pImpl || m_pImpl->m_Bytes.isEmpty();
}

unsigned char* CZtBlob::GetBuffer(int length) {
    CZtBlobImpl::Edit bytes(*this);
    if (!bytes)
        return nullptr;
    if (length != -1) {
        length = std::max(length, 0);
        if (!Fits(length))
            return nullptr;
        bytes->resize(length);
    }
    return reinterpret_cast<unsigned char*>(bytes->data());
}

void CZtBlob::Clear() {
    if (CZtBlobImpl::Edit bytes{*this}) {
        bytes->clear();
        bytes.Position() = 0;
    }
}

// ---------------------------------------------------------------------------
// Stream access. Sums of a position and a length are formed in 64 bits, so a
// large length can never wrap around to a small, valid-looking end.

bool CZtBlob::Read(unsigned char* dst, unsigned int length) {
    CZtBlobImpl::Edit bytes(*this);
    if (!bytes || length == 0 || !dst)
        return false;
    unsigned int& position = bytes.Position();
    const unsigned long long end = static_cast<unsigned long long>(position) + length;
    if (end > static_cast<unsigned long long>(bytes->size()))
        return false;
    std::memmove(dst, bytes->constData() + position, length);
    position = static_cast<unsigned int>(end);
    return true;
}

bool CZtBlob::Read(unsigned char* dst, unsigned int offset, unsigned int length) const {
    if (!m_pImpl || length == 0 || !dst)
        return false;
    const QByteArray& bytes = m_pImpl->m_Bytes;
    const unsigned long long end = static_cast<unsigned long long>(offset) + length;
    if (end > static_cast<unsigned long long>(bytes.size()))
        return false;
    std::memmove(dst, bytes.constData() + offset, length);
    return true;
}

bool CZtBlob::Write(const unsigned char* src, unsigned int length) {
    CZtBlobImpl::Edit bytes(*this);
    if (!bytes || (length > 0 && !src))
        return false;
    unsigned int& position = bytes.Position();
    const long long end = static_cast<long long>(position) + length;
    if (!Fits(end))
        return false;

    // The source may lie inside these very bytes, which growing can move.
    QByteArray kept;
    if (Overlaps(*bytes, src, length)) {
        kept = QByteArray(reinterpret_cast<const char*>(src), static_cast<int>(length));
        src = reinterpret_cast<const unsigned char*>(kept.constData());
    }

    const int oldSize = bytes->size();
    if (end > oldSize) {
        bytes->resize(static_cast<int>(end));
        // The position may lie past the old end (after Remove, Truncate or
        // Chop); the bytes between are set to zero, never left undefined.
        if (position > static_cast<unsigned int>(oldSize))
            std::memset(bytes->data() + oldSize, 0, position - static_cast<unsigned int>(oldSize));
    }
    if (length > 0)
        std::memmove(bytes->data() + position, src, length);
    position = static_cast<unsigned int>(end);
    return true;
}

bool CZtBlob::Seek(unsigned int offset, unsigned int origin) {
    CZtBlobImpl::Edit bytes(*this);
    if (!bytes)
        return false;
    const unsigned int length = static_cast<unsigned int>(bytes->size());
    unsigned int& position = bytes.Position();
    switch (origin) {
        case 0:  // from the start
            if (offset >= length)
                return false;
            position = offset;
            return true;
        case 1: {  // from the position; wraps on purpose so that -1 steps back
            const unsigned int target = position + offset;
            if (target >= length)
                return false;
            position = target;
            return true;
        }
        case 2:  // to the last byte; an empty blob has none
            if (length == 0)
                return false;
            position = length - 1;
            return true;
        default:
            return false;
    }
}

unsigned int CZtBlob::Position() const {
    return m_pImpl ? m_pImpl->m_Position : 0;
}

// ---------------------------------------------------------------------------
// Search. A detached blob finds nothing (-1 / false); a detached argument
// counts as no bytes.

int CZtBlob::IndexOf(const CZtBlob& bytes, int from) const {
    return m_pImpl ? m_pImpl->m_Bytes.indexOf(CZtBlobImpl::BytesOrEmpty(bytes), from) : -1;
}
int CZtBlob::IndexOf(unsigned char byte, int from) const {
    return m_pImpl ? m_pImpl->m_Bytes.indexOf(static_cast<char>(byte), from) : -1;
}
int CZtBlob::LastIndexOf(const CZtBlob& bytes, int from) const {
    return m_pImpl ? m_pImpl->m_Bytes.lastIndexOf(CZtBlobImpl::BytesOrEmpty(bytes), from) : -1;
}
int CZtBlob::LastIndexOf(unsigned char byte, int from) const {
    return m_pImpl ? m_pImpl->m_Bytes.lastIndexOf(static_cast<char>(byte), from) : -1;
}
bool CZtBlob::Contains(const CZtBlob& bytes) const {
    return m_pImpl && m_pImpl->m_Bytes.contains(CZtBlobImpl::BytesOrEmpty(bytes));
}
bool CZtBlob::Contains(unsigned char byte) const {
    return m_pImpl && m_pImpl->m_Bytes.contains(static_cast<char>(byte));
}
int CZtBlob::Count(const CZtBlob& bytes) const {
    return m_pImpl ? m_pImpl->m_Bytes.count(CZtBlobImpl::BytesOrEmpty(bytes)) : -1;
}
int CZtBlob::Count(unsigned char byte) const {
    return m_pImpl ? m_pImpl->m_Bytes.count(static_cast<char>(byte)) : -1;
}
bool CZtBlob::StartsWith(const CZtBlob& bytes) const {
    return m_pImpl && m_pImpl->m_Bytes.startsWith(CZtBlobImpl::BytesOrEmpty(bytes));
}
bool CZtBlob::StartsWith(unsigned char byte) const {
    return m_pImpl && m_pImpl->m_Bytes.startsWith(static_cast<char>(byte));
}
bool CZtBlob::EndsWith(const CZtBlob& bytes) const {
    return m_pImpl && m_pImpl->m_Bytes.endsWith(CZtBlobImpl::BytesOrEmpty(bytes));
}
bool CZtBlob::EndsWith(unsigned char byte) const {
    return m_pImpl && m_pImpl->m_Bytes.endsWith(static_cast<char>(byte));
}

// ---------------------------------------------------------------------------
// Derived blobs. Where the result is all of these bytes it shares this body;
// a detached blob gives an ordinary empty blob.

CZtBlob CZtBlob::Left(int n) const {
    if (!m_pImpl)
        return CZtBlob();
    const QByteArray& bytes = m_pImpl->m_Bytes;
    if (n >= bytes.size())
        return *this;
    return CZtBlobImpl::Make(bytes.left(std::max(n, 0)));
}

CZtBlob CZtBlob::Right(int n) const {
    if (!m_pImpl)
        return CZtBlob();
    const QByteArray& bytes = m_pImpl->m_Bytes;
    if (n >= bytes.size())
        return *this;
    return CZtBlobImpl::Make(bytes.right(std::max(n, 0)));
}

CZtBlob CZtBlob::Mid(int position, int n) const {
    if (!m_pImpl)
        return CZtBlob();
    const QByteArray& bytes = m_pImpl->m_Bytes;
    const int length = bytes.size();
    position = std::max(position, 0);
    n = std::max(n, 0);
    int count;
    if (position > length)
        count = 0;
    else if (static_cast<long long>(position) + n > length)
        count = length - position;
    else
        count = n;
    if (position == 0 && count == length)
        return *this;
    return CZtBlobImpl::Make(bytes.mid(position, count));
}

namespace {

enum class Side { Left, Right };

// Pads shorter bytes up to `width`; bytes of `width` or more are returned as
// they are (sharing) unless truncation cuts them to their first `width`.
CZtBlob Justify(const CZtBlob& self, const QByteArray* bytes, Side side, int width,
                unsigned char fill, bool truncate) {
    if (!bytes)
        return CZtBlob();
    if (bytes->size() < width) {
        if (!Fits(width))
            return self;
        const char pad = static_cast<char>(fill);
        return CZtBlobImpl::Make(side == Side::Left ? bytes->leftJustified(width, pad)
                                                    : bytes->rightJustified(width, pad));
    }
    if (bytes->size() == width || !truncate)
        return self;
    return CZtBlobImpl::Make(bytes->left(std::max(width, 0)));
}

}  // namespace

CZtBlob CZtBlob::LeftJustified(int width, unsigned char fill, bool truncate) const {
    return Justify(*this, CZtBlobImpl::BytesOf(*this), Side::Left, width, fill, truncate);
}
CZtBlob CZtBlob::RightJustified(int width, unsigned char fill, bool truncate) const {
    return Justify(*this, CZtBlobImpl::BytesOf(*this), Side::Right, width, fill, truncate);
}

CZtBlob CZtBlob::ToLower() const {
    return CZtBlobImpl::Make(CZtBlobImpl::BytesOrEmpty(*this).toLower());
}
CZtBlob CZtBlob::ToUpper() const {
    return CZtBlobImpl::Make(CZtBlobImpl::BytesOrEmpty(*this).toUpper());
}
CZtBlob CZtBlob::Trimmed() const {
    return CZtBlobImpl::Make(CZtBlobImpl::BytesOrEmpty(*this).trimmed());
}
CZtBlob CZtBlob::Simplified() const {
    return CZtBlobImpl::Make(CZtBlobImpl::BytesOrEmpty(*this).simplified());
}

// ---------------------------------------------------------------------------
// In-place editing. Arguments are turned into independent bytes before the
// edit begins: they may be, or point into, this very blob.

CZtBlob& CZtBlob::Insert(int position, unsigned char byte) {
    if (CZtBlobImpl::Edit edit{*this})
        InsertBytes(*edit, position, QByteArray(1, static_cast<char>(byte)));
    return *this;
}
CZtBlob& CZtBlob::Insert(int position, const unsigned char* data, int length) {
    const QByteArray bytes = RawBytes(data, length);
    if (CZtBlobImpl::Edit edit{*this})
        InsertBytes(*edit, position, bytes);
    return *this;
}
CZtBlob& CZtBlob::Insert(int position, const CZtBlob& bytes) {
    const QByteArray copy = CZtBlobImpl::BytesOrEmpty(bytes);
    if (CZtBlobImpl::Edit edit{*this})
        InsertBytes(*edit, position, copy);
    return *this;
}

CZtBlob& CZtBlob::Append(unsigned char byte) {
    if (CZtBlobImpl::Edit edit{*this})
        AppendBytes(*edit, QByteArray(1, static_cast<char>(byte)));
    return *this;
}
CZtBlob& CZtBlob::Append(const unsigned char* data, int length) {
    const QByteArray bytes = RawBytes(data, length);
    if (CZtBlobImpl::Edit edit{*this})
        AppendBytes(*edit, bytes);
    return *this;
}
CZtBlob& CZtBlob::Append(const CZtBlob& bytes) {
    const QByteArray copy = CZtBlobImpl::BytesOrEmpty(bytes);
    if (CZtBlobImpl::Edit edit{*this})
        AppendBytes(*edit, copy);
    return *this;
}

CZtBlob& CZtBlob::Prepend(unsigned char byte) {
    if (CZtBlobImpl::Edit edit{*this})
        PrependBytes(*edit, QByteArray(1, static_cast<char>(byte)));
    return *this;
}
CZtBlob& CZtBlob::Prepend(const unsigned char* data, int length) {
    const QByteArray bytes = RawBytes(data, length);
    if (CZtBlobImpl::Edit edit{*this})
        PrependBytes(*edit, bytes);
    return *this;
}
CZtBlob& CZtBlob::Prepend(const CZtBlob& bytes) {
    const QByteArray copy = CZtBlobImpl::BytesOrEmpty(bytes);
    if (CZtBlobImpl::Edit edit{*this})
        PrependBytes(*edit, copy);
    return *this;
}

CZtBlob& CZtBlob::Remove(int position, int n) {
    if (CZtBlobImpl::Edit edit{*this})
        edit->remove(position, n);
    return *this;
}

CZtBlob& CZtBlob::Replace(int position, int n, const unsigned char* after, int afterLength) {
    const QByteArray bytes = RawBytes(after, afterLength);
    if (CZtBlobImpl::Edit edit{*this})
        ReplaceRange(*edit, position, n, bytes);
    return *this;
}
CZtBlob& CZtBlob::Replace(int position, int n, const CZtBlob& after) {
    const QByteArray copy = CZtBlobImpl::BytesOrEmpty(after);
    if (CZtBlobImpl::Edit edit{*this})
        ReplaceRange(*edit, position, n, copy);
    return *this;
}
CZtBlob& CZtBlob::Replace(const unsigned char* before, int beforeLength, const unsigned char* after,
                          int afterLength) {
    const QByteArray from = RawBytes(before, beforeLength);
    const QByteArray to = RawBytes(after, afterLength);
    if (CZtBlobImpl::Edit edit{*this})
        ReplaceAll(*edit, from, to);
    return *this;
}
CZtBlob& CZtBlob::Replace(const CZtBlob& before, const CZtBlob& after) {
    const QByteArray from = CZtBlobImpl::BytesOrEmpty(before);
    const QByteArray to = CZtBlobImpl::BytesOrEmpty(after);
    if (CZtBlobImpl::Edit edit{*this})
        ReplaceAll(*edit, from, to);
    return *this;
}

void CZtBlob::Truncate(int n) {
    if (CZtBlobImpl::Edit edit{*this})
        edit->truncate(std::max(n, 0));
}

void CZtBlob::Chop(int n) {
    if (CZtBlobImpl::Edit edit{*this})
        edit->chop(n);
}

}  // namespace Varn
