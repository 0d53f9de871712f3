#include <zotrel/string.h>

#include <zotrel/guid.h>

#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <typeinfo>

#include "foundation/blockshelf.h"
#include "text/numformat.h"
#include "text/numparse.h"
#include "text/stringimpl.h"
#include "text/widetext.h"

namespace Varn {

using detail::QCharFromLatin1;
using detail::QCharFromWide;
using detail::QStringFromLatin1;
using detail::QStringFromWide;

namespace {

Qt::CaseSensitivity Sensitivity(bool cs) {
    return cs ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

const QString& EmptyText() {
    static const QString empty;
    return empty;
}

}  // namespace

// ---------------------------------------------------------------------------
// The body

// Seven words on 64-bit targets: then the body and the digits of any 32-bit
// number (24-byte header, up to 11 units and a NUL) fill one 112-byte heap
// chunk. A larger body still works but costs every such text more memory.
static_assert(sizeof(void*) != 8 || sizeof(CZtStringImpl) == 56,
              "the text body is seven words on 64-bit targets");
// A body inside its text's block must never reach `delete`.
static_assert(detail::HasDispose<CZtStringImpl>::value, "ReleaseBody ends bodies with Dispose");

namespace {

void FreeLatin1(const char* text) {
    std::free(const_cast<char*>(text));
}

void FreeWide(wchar_t* text) {
    std::free(text);
}

// Where a body fits in the block of `text`, after its characters and their
// NUL, suitably aligned; null when it does not fit or when the block is not
// `text`'s alone (shared with another QString, or Qt's static empty text).
// A QString's block holds capacity() + 1 code units from constData() on (the
// units before the NUL and the NUL); a text over foreign characters
// (QString::fromRawData) has a capacity of 0 and never has room.
void* RoomAfter(const QString& text) {
    if (!text.isDetached())
        return nullptr;
    const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(text.constData());
    const std::uintptr_t end =
        first + (static_cast<std::size_t>(text.capacity()) + 1) * sizeof(QChar);
    constexpr std::uintptr_t kAlign = alignof(CZtStringImpl);
    const std::uintptr_t afterNul =
        first + (static_cast<std::size_t>(text.size()) + 1) * sizeof(QChar);
    const std::uintptr_t at = (afterNul + kAlign - 1) & ~(kAlign - 1);
    if (at + sizeof(CZtStringImpl) > end)
        return nullptr;
    return reinterpret_cast<void*>(at);
}

}  // namespace

const char* CZtStringImpl::Latin1() const {
    return detail::GetOrPublish(
        const_cast<const char**>(&m_pszLatin1),
        [this]() -> const char* { return detail::NewLatin1Text(m_Text); }, FreeLatin1);
}

const wchar_t* CZtStringImpl::Wide() const {
    return detail::GetOrPublish(
        &m_pszWide, [this] { return detail::NewWideText(m_Text); }, FreeWide);
}

void CZtStringImpl::DropCaches() noexcept {
    detail::DropPublished(&m_pszLatin1, FreeLatin1);
    detail::DropPublished(&m_pszWide, FreeWide);
}

CZtStringImpl* CZtStringImpl::New(QString text) {
    if (void* room = RoomAfter(text)) {
        // The body shares the block with `text`, whose reference it keeps as
        // its host: from now on the block has two holders and Qt copies the
        // characters before any change instead of writing into the block.
        CZtStringImpl* body = new (room) CZtStringImpl(text);
        body->m_Host = std::move(text);
        return body;
    }
    return new CZtStringImpl(std::move(text));
}

QString CZtStringImpl::TextWithRoom(int length) {
    // QString's characters start 8 bytes into an allocation aligned for any
    // type (after a 24-byte header), so the padding before the body can be
    // worked out here; RoomAfter checks the real addresses all the same.
    constexpr std::size_t kAlign = alignof(CZtStringImpl);
    const std::size_t charBytes = (static_cast<std::size_t>(length) + 1) * sizeof(QChar);
    const std::size_t bytes = (charBytes + kAlign - 1) / kAlign * kAlign + sizeof(CZtStringImpl);
    // A text of `units` code units has a block of units + 1 (the NUL's);
    // cutting it to `length` keeps the block and leaves the rest as room.
    const int units = static_cast<int>((bytes + sizeof(QChar) - 1) / sizeof(QChar)) - 1;
    QString text(units, Qt::Uninitialized);
    text.resize(length);
    return text;
}

void CZtStringImpl::Dispose(CZtStringImpl* body) noexcept {
    if (!IsHosted(body)) {
        delete body;
        return;
    }
    // The destructor runs inside the block, so the body's hold on it moves
    // out first; the block goes when `host` does, unless a copy of the text
    // still holds it.
    const QString host = std::move(body->m_Host);
    body->~CZtStringImpl();
}

const QString& CZtStringImpl::TextOrEmpty(const CZtString& s) {
    return s.m_pImpl ? s.m_pImpl->m_Text : EmptyText();
}

CZtString CZtStringImpl::Make(QString text) {
    CZtString result(static_cast<const CZtString*>(nullptr));
    result.m_pImpl = New(std::move(text));
    return result;
}

CZtStringImpl* CZtStringImpl::BeginEdit(CZtString& s) {
    if (!s.m_pImpl)
        return nullptr;
    s.CopyOnModify();
    s.m_pImpl->DropCaches();
    return s.m_pImpl;
}

CZtStringData::CZtStringData() : m_pszData(nullptr), m_pszLatin1(nullptr) {}
CZtStringData::CZtStringData(const CZtStringData&) : m_pszData(nullptr), m_pszLatin1(nullptr) {}
CZtStringData::~CZtStringData() {
    m_pszData = nullptr;
    m_pszLatin1 = nullptr;
}
CZtStringData& CZtStringData::operator=(const CZtStringData& other) {
    m_pszData = other.m_pszData;
    return *this;
}

// ---------------------------------------------------------------------------
// Lifetime

void CZtString::FreeString() {
    detail::ReleaseBody(m_pImpl);
}

void CZtString::CopyOnModify() {
    detail::DetachBody(m_pImpl);
}

void CZtString::Copy(const CZtString& other) {
    m_pImpl = detail::ShareOrNewBody(other.m_pImpl);
}
void CZtString::Copy(const CZtString* other) {
    if (other)
        Copy(*other);
}
void CZtString::Copy(const QString& text) {
    m_pImpl = CZtStringImpl::New(text);
}
void CZtString::Copy(const QString* text) {
    if (text)
        Copy(*text);
}
void CZtString::Copy(const char* text, int length) {
    m_pImpl = CZtStringImpl::New(QStringFromLatin1(text, length));
}
void CZtString::Copy(const wchar_t* text, int length) {
    m_pImpl = CZtStringImpl::New(QStringFromWide(text, length));
}
void CZtString::Copy(char ch) {
    m_pImpl = CZtStringImpl::New(QString(QCharFromLatin1(ch)));
}
void CZtString::Copy(wchar_t ch) {
    m_pImpl = CZtStringImpl::New(QStringFromWide(ch));
}
void CZtString::Copy(int value) {
    m_pImpl = CZtStringImpl::New(detail::DecimalText(static_cast<long long>(value)));
}
void CZtString::Copy(unsigned int value) {
    m_pImpl = CZtStringImpl::New(detail::DecimalText(static_cast<unsigned long long>(value)));
}
void CZtString::Copy(double value) {
    m_pImpl = CZtStringImpl::New(QString::number(value, 'g', 6));
}
void CZtString::Copy(const CZtGUID& guid) {
    m_pImpl = new CZtStringImpl;
    guid.ToString(*this);
}
void CZtString::Copy(const CZtGUID* guid) {
    if (guid)
        Copy(*guid);
}

CZtString::CZtString() : m_pImpl(new CZtStringImpl) {}

CZtString::CZtString(int count, wchar_t ch) : m_pImpl(nullptr) {
    count = std::max(count, 0);
    if (static_cast<unsigned long>(ch) < 0x10000u)
        m_pImpl = CZtStringImpl::New(QString(count, QCharFromWide(ch)));
    else
        m_pImpl = CZtStringImpl::New(QStringFromWide(ch).repeated(count));
}

// The copy constructor and the destructor are inline in the header; these
// are the two steps they leave to the library. Both are rare on hot paths.
CZtStringImpl* CZtString::NewEmptyBody() {
    return detail::NewBody<CZtStringImpl>();
}
void CZtString::DisposeBody(CZtStringImpl* body) noexcept {
    detail::DisposeBody(body);
}

CZtString::CZtString(const CZtString* other) : m_pImpl(nullptr) {
    Copy(other);
}
CZtString::CZtString(const QString& text) : m_pImpl(nullptr) {
    Copy(text);
}
CZtString::CZtString(const QString* text) : m_pImpl(nullptr) {
    Copy(text);
}
CZtString::CZtString(const char* text, int length) : m_pImpl(nullptr) {
    Copy(text, length);
}
CZtString::CZtString(const wchar_t* text, int length) : m_pImpl(nullptr) {
    Copy(text, length);
}
CZtString::CZtString(char ch) : m_pImpl(nullptr) {
    Copy(ch);
}
CZtString::CZtString(wchar_t ch) : m_pImpl(nullptr) {
    Copy(ch);
}
CZtString::CZtString(int value) : m_pImpl(nullptr) {
    Copy(value);
}
CZtString::CZtString(unsigned int value) : m_pImpl(nullptr) {
    Copy(value);
}
CZtString::CZtString(double value) : m_pImpl(nullptr) {
    Copy(value);
}
CZtString::CZtString(const CZtGUID& guid) : m_pImpl(nullptr) {
    Copy(guid);
}
CZtString::CZtString(const CZtGUID* guid) : m_pImpl(nullptr) {
    Copy(guid);
}

CZtString::CZtString(CZtStringImpl* impl) : m_pImpl(nullptr) {
    m_pImpl = detail::ShareOrNewBody(impl);
}

// Every assignment releases the current text first, then fills the handle as
// the matching constructor does. Sharing the new body before releasing the
// old one keeps self-assignment through another handle safe.
CZtString& CZtString::operator=(const CZtString& other) {
    if (this != &other) {
        CZtStringImpl* next = detail::ShareOrNewBody(other.m_pImpl);
        FreeString();
        m_pImpl = next;
    }
    return *this;
}
CZtString& CZtString::operator=(const CZtString* other) {
    if (other)
        *this = *other;
    return *this;
}
CZtString& CZtString::operator=(const QString& text) {
    CZtStringImpl* next = CZtStringImpl::New(text);
    FreeString();
    m_pImpl = next;
    return *this;
}
CZtString& CZtString::operator=(const QString* text) {
    if (text)
        return *this = *text;
    FreeString();
    return *this;
}
CZtString& CZtString::operator=(const char* text) {
    return *this = CZtString(text, -1);
}
CZtString& CZtString::operator=(const wchar_t* text) {
    return *this = CZtString(text, -1);
}
CZtString& CZtString::operator=(char ch) {
    return *this = CZtString(ch);
}
CZtString& CZtString::operator=(wchar_t ch) {
    return *this = CZtString(ch);
}
CZtString& CZtString::operator=(int value) {
    return *this = CZtString(value);
}
CZtString& CZtString::operator=(unsigned int value) {
    return *this = CZtString(value);
}
CZtString& CZtString::operator=(double value) {
    return *this = CZtString(value);
}
CZtString& CZtString::operator=(const CZtGUID& guid) {
    return *this = CZtString(guid);
}
CZtString& CZtString::operator=(const CZtGUID* guid) {
    if (guid)
        *this = CZtString(*guid);
    return *this;
}

CZtString& CZtString::operator=(CZtStringImpl* impl) {
    if (impl && impl != m_pImpl) {
        detail::ShareBody(impl);
        FreeString();
        m_pImpl = impl;
    }
    return *this;
}

// ---------------------------------------------------------------------------
// Heap objects

CZtString* CZtString::AllocString() const {
    return new CZtString(*this);
}

void CZtString::CreateString(CZtString** out) {
    if (out)
        *out = new CZtString;
}

// Nearly every heap string is exactly a CZtString: it is destroyed with
// direct calls. The virtual call is kept for derived objects only, because
// the vtable it would go through is often the executable's own copy (the
// destructor is inline), which would take each release out of the library
// and back.
void CZtString::DestroyString(CZtString* p) {
    if (p && __builtin_expect(typeid(*p) == typeid(CZtString), 1)) {
        p->CZtString::~CZtString();
        CZtString::operator delete(p, sizeof(CZtString));
    } else {
        delete p;
    }
}

namespace {
// The freed blocks of this thread's text handles and text bodies.
thread_local detail::BlockShelf t_handleBlocks;
thread_local detail::BlockShelf t_bodyBlocks;
}  // namespace

// A body class is final, so every body allocated here has the same size.
void* CZtStringImpl::operator new(std::size_t size) {
    if (void* block = t_bodyBlocks.Take())
        return block;
    if (void* block = std::malloc(size))
        return block;
    throw std::bad_alloc();
}

void CZtStringImpl::operator delete(void* p, std::size_t) noexcept {
    if (p && !t_bodyBlocks.Keep(p))
        std::free(p);
}

void* CZtString::operator new(std::size_t size) {
    if (size == sizeof(CZtString)) {
        if (void* block = t_handleBlocks.Take())
            return block;
    }
    return CZtCrtAllocated::operator new(size);
}

void CZtString::operator delete(void* p, std::size_t size) noexcept {
    // `size` is the size of the object's own class, so a derived class's
    // larger block never lands on the shelf.
    if (p && size == sizeof(CZtString) && t_handleBlocks.Keep(p))
        return;
    CZtCrtAllocated::operator delete(p);
}

// ---------------------------------------------------------------------------
// Access

int CZtString::Length() const {
    return m_pImpl ? m_pImpl->m_Text.size() : 0;
}

bool CZtString::IsEmpty() const {
    return !m_pImpl || m_pImpl->m_Text.isEmpty();
}

bool CZtString::operator!() const {
    return m_pImpl && m_pImpl->m_Text.isEmpty();
}

wchar_t CZtString::operator[](int index) const {
    return At(index);
}

wchar_t CZtString::At(int index) const {
    if (!m_pImpl || index < 0 || index >= m_pImpl->m_Text.size())
        return 0;
    return static_cast<wchar_t>(m_pImpl->m_Text.at(index).unicode());
}

const char* CZtString::BuildLatin1() const {
    return m_pImpl ? m_pImpl->Latin1() : nullptr;
}

const wchar_t* CZtString::w_str() const {
    return m_pImpl ? m_pImpl->Wide() : nullptr;
}

CZtString::operator wchar_t*() const {
    return const_cast<wchar_t*>(w_str());
}

CZtString::operator const wchar_t*() const {
    return w_str();
}

CZtString::operator const QString&() const {
    if (!m_pImpl)
        const_cast<CZtString*>(this)->m_pImpl = new CZtStringImpl;
    return m_pImpl->m_Text;
}

CZtString::operator const QString*() const {
    return CZtStringImpl::TextOf(*this);
}

char16_t* CZtString::GetBuffer(int length) {
    CZtStringImpl::Edit text(*this);
    if (!text)
        return nullptr;
    if (length != -1)
        text->resize(std::max(length, 0));
    return reinterpret_cast<char16_t*>(text->data());
}

void CZtString::Clear() {
    if (CZtStringImpl::Edit text{*this})
        text->clear();
}

CZtString& CZtString::Fill(wchar_t ch, int size) {
    if (CZtStringImpl::Edit text{*this})
        text->fill(QCharFromWide(ch), size == -1 ? -1 : std::max(size, 0));
    return *this;
}

// ---------------------------------------------------------------------------
// Numbers

namespace {

template <class T>
T AutoParse(const QString* text, bool* ok) {
    if (!text) {
        if (ok)
            *ok = false;
        return 0;
    }
    return detail::SaturatingParse<T>(*text, detail::AutoBase(*text), ok);
}

template <class T>
T BaseParse(const QString* text, int base, bool* ok) {
    if (!text) {
        if (ok)
            *ok = false;
        return 0;
    }
    return detail::SaturatingParse<T>(*text, base, ok);
}

template <class T>
T FloatParse(const QString* text, unsigned int lcid, bool* ok) {
    if (!text) {
        if (ok)
            *ok = false;
        return 0;
    }
    return detail::ClampToFloating<T>(detail::ParseDouble(*text, lcid, ok));
}

template <class T>
unsigned int ConvertInteger(const QString* text, int base, T& out) {
    bool ok = false;
    out = BaseParse<T>(text, base, &ok);
    return ok ? ZT_S_OK : ZT_E_FAIL;
}

template <class T>
unsigned int ConvertFloating(const QString* text, T& out) {
    bool ok = false;
    out = FloatParse<T>(text, 0, &ok);
    return ok ? ZT_S_OK : ZT_E_FAIL;
}

}  // namespace

short CZtString::ToShort(bool* ok) const {
    return AutoParse<short>(CZtStringImpl::TextOf(*this), ok);
}
unsigned short CZtString::ToUShort(bool* ok) const {
    return AutoParse<unsigned short>(CZtStringImpl::TextOf(*this), ok);
}
int CZtString::ToInt(bool* ok) const {
    return AutoParse<int>(CZtStringImpl::TextOf(*this), ok);
}
unsigned int CZtString::ToUInt(bool* ok) const {
    return AutoParse<unsigned int>(CZtStringImpl::TextOf(*this), ok);
}
long long CZtString::ToLongLong(bool* ok) const {
    return AutoParse<long long>(CZtStringImpl::TextOf(*this), ok);
}
unsigned long long CZtString::ToULongLong(bool* ok) const {
    return AutoParse<unsigned long long>(CZtStringImpl::TextOf(*this), ok);
}
int CZtString::ToInt(int base, bool* ok) const {
    return BaseParse<int>(CZtStringImpl::TextOf(*this), base, ok);
}
int CZtString::ToHexInt(bool* ok) const {
    return ToInt(16, ok);
}
int CZtString::ToOctInt(bool* ok) const {
    return ToInt(8, ok);
}

float CZtString::ToFloat(bool* ok, unsigned int lcid) const {
    return FloatParse<float>(CZtStringImpl::TextOf(*this), lcid, ok);
}
double CZtString::ToDouble(bool* ok, unsigned int lcid) const {
    return FloatParse<double>(CZtStringImpl::TextOf(*this), lcid, ok);
}

unsigned int CZtString::ConvertToNumericValue(unsigned long long& out, int base) const {
    return ConvertInteger(CZtStringImpl::TextOf(*this), base, out);
}
unsigned int CZtString::ConvertToNumericValue(long long& out, int base) const {
    return ConvertInteger(CZtStringImpl::TextOf(*this), base, out);
}
unsigned int CZtString::ConvertToNumericValue(unsigned int& out, int base) const {
    return ConvertInteger(CZtStringImpl::TextOf(*this), base, out);
}
unsigned int CZtString::ConvertToNumericValue(int& out, int base) const {
    return ConvertInteger(CZtStringImpl::TextOf(*this), base, out);
}
unsigned int CZtString::ConvertToNumericValue(unsigned short& out, int base) const {
    return ConvertInteger(CZtStringImpl::TextOf(*this), base, out);
}
unsigned int CZtString::ConvertToNumericValue(short& out, int base) const {
    return ConvertInteger(CZtStringImpl::TextOf(*this), base, out);
}
unsigned int CZtString::ConvertToNumericValue(unsigned char& out, int base) const {
    return ConvertInteger(CZtStringImpl::TextOf(*this), base, out);
}
unsigned int CZtString::ConvertToNumericValue(signed char& out, int base) const {
    return ConvertInteger(CZtStringImpl::TextOf(*this), base, out);
}
unsigned int CZtString::ConvertToNumericValue(float& out, int) const {
    return ConvertFloating(CZtStringImpl::TextOf(*this), out);
}
unsigned int CZtString::ConvertToNumericValue(double& out, int) const {
    return ConvertFloating(CZtStringImpl::TextOf(*this), out);
}

CZtString::operator signed char() const {
    return static_cast<signed char>(ToShort() & 0xFF);
}
CZtString::operator unsigned char() const {
    return static_cast<unsigned char>(ToUShort() & 0xFF);
}
CZtString::operator short() const {
    return ToShort();
}
CZtString::operator unsigned short() const {
    return ToUShort();
}
CZtString::operator int() const {
    return ToInt();
}
CZtString::operator unsigned int() const {
    return ToUInt();
}
CZtString::operator long long() const {
    return ToLongLong();
}
CZtString::operator unsigned long long() const {
    return ToULongLong();
}
CZtString::operator float() const {
    return ToFloat(nullptr, 0);
}
CZtString::operator double() const {
    return ToDouble(nullptr, 0);
}

CZtString& CZtString::SetNum(short value, int base) {
    return SetNum(static_cast<long long>(value), base);
}
CZtString& CZtString::SetNum(unsigned short value, int base) {
    return SetNum(static_cast<unsigned long long>(value), base);
}
CZtString& CZtString::SetNum(int value, int base) {
    return SetNum(static_cast<long long>(value), base);
}
CZtString& CZtString::SetNum(unsigned int value, int base) {
    return SetNum(static_cast<unsigned long long>(value), base);
}
CZtString& CZtString::SetNum(long long value, int base) {
    if (CZtStringImpl::Edit text{*this})
        text->setNum(value, base);
    return *this;
}
CZtString& CZtString::SetNum(unsigned long long value, int base) {
    if (CZtStringImpl::Edit text{*this})
        text->setNum(value, base);
    return *this;
}
CZtString& CZtString::SetNum(float value, char format, int precision) {
    if (CZtStringImpl::Edit text{*this})
        text->setNum(value, format, precision);
    return *this;
}
CZtString& CZtString::SetNum(double value, char format, int precision) {
    if (CZtStringImpl::Edit text{*this})
        text->setNum(value, format, precision);
    return *this;
}

// ---------------------------------------------------------------------------
// Concatenation

CZtString& CZtString::operator+=(const CZtString& text) {
    return Append(text);
}
CZtString& CZtString::operator+=(const QString& text) {
    if (CZtStringImpl::Edit edit{*this})
        edit->append(text);
    return *this;
}
CZtString& CZtString::operator+=(const char* text) {
    return Append(text, -1);
}
CZtString& CZtString::operator+=(const wchar_t* text) {
    return Append(text, -1);
}
CZtString& CZtString::operator+=(char ch) {
    return Append(ch);
}
CZtString& CZtString::operator+=(wchar_t ch) {
    return Append(ch);
}

namespace {

// The new string of `operator+`: the left text followed by the right one; a
// detached left side gives an empty string.
CZtString Concatenate(const QString* left, const QString& right) {
    return CZtStringImpl::Make(left ? *left + right : QString());
}

}  // namespace

CZtString CZtString::operator+(const CZtString& text) const {
    return Concatenate(CZtStringImpl::TextOf(*this), CZtStringImpl::TextOrEmpty(text));
}
CZtString CZtString::operator+(const QString& text) const {
    return Concatenate(CZtStringImpl::TextOf(*this), text);
}
CZtString CZtString::operator+(const char* text) const {
    return Concatenate(CZtStringImpl::TextOf(*this), QStringFromLatin1(text, -1));
}
CZtString CZtString::operator+(const wchar_t* text) const {
    return Concatenate(CZtStringImpl::TextOf(*this), QStringFromWide(text, -1));
}
CZtString CZtString::operator+(char ch) const {
    return Concatenate(CZtStringImpl::TextOf(*this), QString(QCharFromLatin1(ch)));
}
CZtString CZtString::operator+(wchar_t ch) const {
    return Concatenate(CZtStringImpl::TextOf(*this), QStringFromWide(ch));
}

CZtString& CZtString::Append(char ch) {
    if (CZtStringImpl::Edit text{*this})
        text->append(QCharFromLatin1(ch));
    return *this;
}
CZtString& CZtString::Append(wchar_t ch) {
    if (CZtStringImpl::Edit text{*this})
        text->append(QStringFromWide(ch));
    return *this;
}
CZtString& CZtString::Append(const char* text, int length) {
    if (CZtStringImpl::Edit edit{*this})
        edit->append(QStringFromLatin1(text, length));
    return *this;
}
CZtString& CZtString::Append(const wchar_t* text, int length) {
    if (CZtStringImpl::Edit edit{*this})
        edit->append(QStringFromWide(text, length));
    return *this;
}
CZtString& CZtString::Append(const CZtString& text) {
    // Read the argument before editing: it may be this very string.
    const QString* source = CZtStringImpl::TextOf(text);
    if (!source)
        return *this;
    const QString copy = *source;
    if (CZtStringImpl::Edit edit{*this})
        edit->append(copy);
    return *this;
}

CZtString& CZtString::Prepend(char ch) {
    if (CZtStringImpl::Edit text{*this})
        text->prepend(QCharFromLatin1(ch));
    return *this;
}
CZtString& CZtString::Prepend(wchar_t ch) {
    if (CZtStringImpl::Edit text{*this})
        text->prepend(QStringFromWide(ch));
    return *this;
}
CZtString& CZtString::Prepend(const char* text, int length) {
    if (CZtStringImpl::Edit edit{*this})
        edit->prepend(QStringFromLatin1(text, length));
    return *this;
}
CZtString& CZtString::Prepend(const wchar_t* text, int length) {
    if (CZtStringImpl::Edit edit{*this})
        edit->prepend(QStringFromWide(text, length));
    return *this;
}
CZtString& CZtString::Prepend(const CZtString& text) {
    const QString* source = CZtStringImpl::TextOf(text);
    if (!source)
        return *this;
    const QString copy = *source;
    if (CZtStringImpl::Edit edit{*this})
        edit->prepend(copy);
    return *this;
}

CZtString& CZtString::Insert(int position, char ch) {
    if (CZtStringImpl::Edit text{*this})
        text->insert(position, QCharFromLatin1(ch));
    return *this;
}
CZtString& CZtString::Insert(int position, wchar_t ch) {
    if (CZtStringImpl::Edit text{*this})
        text->insert(position, QStringFromWide(ch));
    return *this;
}
CZtString& CZtString::Insert(int position, const char* text, int length) {
    if (CZtStringImpl::Edit edit{*this})
        edit->insert(position, QStringFromLatin1(text, length));
    return *this;
}
CZtString& CZtString::Insert(int position, const wchar_t* text, int length) {
    if (CZtStringImpl::Edit edit{*this})
        edit->insert(position, QStringFromWide(text, length));
    return *this;
}
CZtString& CZtString::Insert(int position, const CZtString& text) {
    const QString copy = CZtStringImpl::TextOrEmpty(text);
    if (CZtStringImpl::Edit edit{*this})
        edit->insert(position, copy);
    return *this;
}

// ---------------------------------------------------------------------------
// Comparison

int CZtString::Compare(const CZtString& other) const {
    if (!m_pImpl || !other.m_pImpl)
        return 0;
    return m_pImpl->m_Text.compare(other.m_pImpl->m_Text, Qt::CaseSensitive);
}
int CZtString::CompareNoCase(const CZtString& other) const {
    if (!m_pImpl || !other.m_pImpl)
        return 0;
    return m_pImpl->m_Text.compare(other.m_pImpl->m_Text, Qt::CaseInsensitive);
}
bool CZtString::operator==(const CZtString& other) const {
    return m_pImpl && m_pImpl->m_Text == CZtStringImpl::TextOrEmpty(other);
}
bool CZtString::operator!=(const CZtString& other) const {
    return m_pImpl && m_pImpl->m_Text != CZtStringImpl::TextOrEmpty(other);
}
bool CZtString::operator<(const CZtString& other) const {
    return m_pImpl && m_pImpl->m_Text < CZtStringImpl::TextOrEmpty(other);
}
bool CZtString::operator>(const CZtString& other) const {
    return m_pImpl && CZtStringImpl::TextOrEmpty(other) < m_pImpl->m_Text;
}
bool CZtString::operator<=(const CZtString& other) const {
    return m_pImpl && !(CZtStringImpl::TextOrEmpty(other) < m_pImpl->m_Text);
}
bool CZtString::operator>=(const CZtString& other) const {
    return m_pImpl && !(m_pImpl->m_Text < CZtStringImpl::TextOrEmpty(other));
}

// ---------------------------------------------------------------------------
// Search. A detached string finds nothing (-1 / false); a detached argument
// counts as the empty text.

int CZtString::IndexOf(const CZtString& text, int from, bool cs) const {
    return m_pImpl
               ? m_pImpl->m_Text.indexOf(CZtStringImpl::TextOrEmpty(text), from, Sensitivity(cs))
               : -1;
}
int CZtString::IndexOf(char ch, int from, bool cs) const {
    return m_pImpl ? m_pImpl->m_Text.indexOf(QCharFromLatin1(ch), from, Sensitivity(cs)) : -1;
}
int CZtString::IndexOf(wchar_t ch, int from, bool cs) const {
    return m_pImpl ? m_pImpl->m_Text.indexOf(QStringFromWide(ch), from, Sensitivity(cs)) : -1;
}
int CZtString::LastIndexOf(const CZtString& text, int from, bool cs) const {
    return m_pImpl ? m_pImpl->m_Text.lastIndexOf(CZtStringImpl::TextOrEmpty(text), from,
                                                 Sensitivity(cs))
                   : -1;
}
int CZtString::LastIndexOf(char ch, int from, bool cs) const {
    return m_pImpl ? m_pImpl->m_Text.lastIndexOf(QCharFromLatin1(ch), from, Sensitivity(cs)) : -1;
}
int CZtString::LastIndexOf(wchar_t ch, int from, bool cs) const {
    return m_pImpl ? m_pImpl->m_Text.lastIndexOf(QStringFromWide(ch), from, Sensitivity(cs)) : -1;
}

bool CZtString::Contains(const CZtString& text, bool cs) const {
    return m_pImpl && m_pImpl->m_Text.contains(CZtStringImpl::TextOrEmpty(text), Sensitivity(cs));
}
bool CZtString::Contains(char ch, bool cs) const {
    return m_pImpl && m_pImpl->m_Text.contains(QCharFromLatin1(ch), Sensitivity(cs));
}
bool CZtString::Contains(wchar_t ch, bool cs) const {
    return m_pImpl && m_pImpl->m_Text.contains(QStringFromWide(ch), Sensitivity(cs));
}

int CZtString::Count(const CZtString& text, bool cs) const {
    return m_pImpl ? m_pImpl->m_Text.count(CZtStringImpl::TextOrEmpty(text), Sensitivity(cs)) : -1;
}
int CZtString::Count(char ch, bool cs) const {
    return m_pImpl ? m_pImpl->m_Text.count(QCharFromLatin1(ch), Sensitivity(cs)) : -1;
}
int CZtString::Count(wchar_t ch, bool cs) const {
    return m_pImpl ? m_pImpl->m_Text.count(QStringFromWide(ch), Sensitivity(cs)) : -1;
}

bool CZtString::StartsWith(const CZtString& text, bool cs) const {
    return m_pImpl && m_pImpl->m_Text.startsWith(CZtStringImpl::TextOrEmpty(text), Sensitivity(cs));
}
bool CZtString::StartsWith(char ch, bool cs) const {
    return m_pImpl && m_pImpl->m_Text.startsWith(QCharFromLatin1(ch), Sensitivity(cs));
}
bool CZtString::StartsWith(wchar_t ch, bool cs) const {
    return m_pImpl && m_pImpl->m_Text.startsWith(QStringFromWide(ch), Sensitivity(cs));
}
bool CZtString::EndsWith(const CZtString& text, bool cs) const {
    return m_pImpl && m_pImpl->m_Text.endsWith(CZtStringImpl::TextOrEmpty(text), Sensitivity(cs));
}
bool CZtString::EndsWith(char ch, bool cs) const {
    return m_pImpl && m_pImpl->m_Text.endsWith(QCharFromLatin1(ch), Sensitivity(cs));
}
bool CZtString::EndsWith(wchar_t ch, bool cs) const {
    return m_pImpl && m_pImpl->m_Text.endsWith(QStringFromWide(ch), Sensitivity(cs));
}

bool CZtString::ContainsHexValue() const {
    return m_pImpl && m_pImpl->m_Text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
}

// ---------------------------------------------------------------------------
// Derived strings. Where the result is the whole text it shares this body.

CZtString CZtString::Left(int n) const {
    if (!m_pImpl)
        return CZtString();
    const QString& text = m_pImpl->m_Text;
    if (n >= text.size())
        return *this;
    return CZtStringImpl::Make(text.left(std::max(n, 0)));
}

CZtString CZtString::Right(int n) const {
    if (!m_pImpl)
        return CZtString();
    const QString& text = m_pImpl->m_Text;
    if (n >= text.size())
        return *this;
    return CZtStringImpl::Make(text.right(std::max(n, 0)));
}

CZtString CZtString::Mid(int position, int n) const {
    if (!m_pImpl)
        return CZtString();
    const QString& text = m_pImpl->m_Text;
    const int length = text.size();
    position = std::max(position, 0);
    if (n == -1)
        n = length;
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
    return CZtStringImpl::Make(text.mid(position, count));
}

namespace {

template <class Separator>
QString SectionOf(const QString& text, const Separator& separator, int start, int end) {
    start = std::max(start, 0);
    end = std::max(end, start);
    return text.section(separator, start, end);
}

}  // namespace

CZtString CZtString::Section(char separator, int start, int end) const {
    if (!m_pImpl)
        return CZtString();
    return CZtStringImpl::Make(
        SectionOf(m_pImpl->m_Text, QString(QCharFromLatin1(separator)), start, end));
}
CZtString CZtString::Section(wchar_t separator, int start, int end) const {
    if (!m_pImpl)
        return CZtString();
    return CZtStringImpl::Make(SectionOf(m_pImpl->m_Text, QStringFromWide(separator), start, end));
}
CZtString CZtString::Section(const CZtString& separator, int start, int end) const {
    if (!m_pImpl)
        return CZtString();
    const QString* sep = CZtStringImpl::TextOf(separator);
    if (!sep)
        return *this;
    return CZtStringImpl::Make(SectionOf(m_pImpl->m_Text, *sep, start, end));
}

namespace {

enum class Side { Left, Right };

// Pads a shorter text up to `width`; a text of `width` or more is returned
// as it is (sharing) unless truncation cuts it to its first `width` units.
CZtString Justify(const CZtString& self, const QString* text, Side side, int width, QChar fill,
                  bool truncate) {
    if (!text)
        return CZtString();
    if (text->size() < width)
        return CZtStringImpl::Make(side == Side::Left ? text->leftJustified(width, fill)
                                                      : text->rightJustified(width, fill));
    if (text->size() == width || !truncate)
        return self;
    return CZtStringImpl::Make(text->left(std::max(width, 0)));
}

}  // namespace

CZtString CZtString::LeftJustified(int width, char fill, bool truncate) const {
    return Justify(*this, CZtStringImpl::TextOf(*this), Side::Left, width, QCharFromLatin1(fill),
                   truncate);
}
CZtString CZtString::LeftJustified(int width, wchar_t fill, bool truncate) const {
    return Justify(*this, CZtStringImpl::TextOf(*this), Side::Left, width, QCharFromWide(fill),
                   truncate);
}
CZtString CZtString::RightJustified(int width, char fill, bool truncate) const {
    return Justify(*this, CZtStringImpl::TextOf(*this), Side::Right, width, QCharFromLatin1(fill),
                   truncate);
}
CZtString CZtString::RightJustified(int width, wchar_t fill, bool truncate) const {
    return Justify(*this, CZtStringImpl::TextOf(*this), Side::Right, width, QCharFromWide(fill),
                   truncate);
}

CZtString CZtString::ToLower() const {
    return CZtStringImpl::Make(CZtStringImpl::TextOrEmpty(*this).toLower());
}
CZtString CZtString::ToUpper() const {
    return CZtStringImpl::Make(CZtStringImpl::TextOrEmpty(*this).toUpper());
}
CZtString CZtString::ToCaseFolded() const {
    return CZtStringImpl::Make(CZtStringImpl::TextOrEmpty(*this).toCaseFolded());
}
CZtString CZtString::Trimmed() const {
    return CZtStringImpl::Make(CZtStringImpl::TextOrEmpty(*this).trimmed());
}
CZtString CZtString::Simplified() const {
    return CZtStringImpl::Make(CZtStringImpl::TextOrEmpty(*this).simplified());
}
CZtString CZtString::ToHtmlEscaped() const {
    return CZtStringImpl::Make(CZtStringImpl::TextOrEmpty(*this).toHtmlEscaped());
}

// ---------------------------------------------------------------------------
// In-place editing

CZtString& CZtString::Remove(int position, int n) {
    if (CZtStringImpl::Edit text{*this})
        text->remove(position, n);
    return *this;
}
CZtString& CZtString::Remove(char ch, bool cs) {
    if (CZtStringImpl::Edit text{*this})
        text->remove(QCharFromLatin1(ch), Sensitivity(cs));
    return *this;
}
CZtString& CZtString::Remove(wchar_t ch, bool cs) {
    if (CZtStringImpl::Edit text{*this})
        text->remove(QStringFromWide(ch), Sensitivity(cs));
    return *this;
}
CZtString& CZtString::Remove(const CZtString& text, bool cs) {
    const QString* source = CZtStringImpl::TextOf(text);
    if (!source)
        return *this;
    const QString copy = *source;
    if (CZtStringImpl::Edit edit{*this})
        edit->remove(copy, Sensitivity(cs));
    return *this;
}

CZtString& CZtString::Replace(int position, int n, char after) {
    if (CZtStringImpl::Edit text{*this})
        text->replace(position, n, QCharFromLatin1(after));
    return *this;
}
CZtString& CZtString::Replace(int position, int n, wchar_t after) {
    if (CZtStringImpl::Edit text{*this})
        text->replace(position, n, QStringFromWide(after));
    return *this;
}
CZtString& CZtString::Replace(int position, int n, const char* after, int length) {
    if (CZtStringImpl::Edit text{*this})
        text->replace(position, n, QStringFromLatin1(after, length));
    return *this;
}
CZtString& CZtString::Replace(int position, int n, const wchar_t* after, int length) {
    if (CZtStringImpl::Edit text{*this})
        text->replace(position, n, QStringFromWide(after, length));
    return *this;
}
CZtString& CZtString::Replace(int position, int n, const CZtString& after) {
    // A detached replacement changes nothing (it must not cut the range out).
    const QString* source = CZtStringImpl::TextOf(after);
    if (!source)
        return *this;
    const QString copy = *source;
    if (CZtStringImpl::Edit text{*this})
        text->replace(position, n, copy);
    return *this;
}
CZtString& CZtString::Replace(char before, char after, bool cs) {
    if (CZtStringImpl::Edit text{*this})
        text->replace(QCharFromLatin1(before), QCharFromLatin1(after), Sensitivity(cs));
    return *this;
}
CZtString& CZtString::Replace(wchar_t before, wchar_t after, bool cs) {
    if (CZtStringImpl::Edit text{*this})
        text->replace(QStringFromWide(before), QStringFromWide(after), Sensitivity(cs));
    return *this;
}
CZtString& CZtString::Replace(const char* before, int beforeLength, const char* after,
                              int afterLength, bool cs) {
    if (CZtStringImpl::Edit text{*this})
        text->replace(QStringFromLatin1(before, beforeLength),
                      QStringFromLatin1(after, afterLength), Sensitivity(cs));
    return *this;
}
CZtString& CZtString::Replace(const wchar_t* before, int beforeLength, const wchar_t* after,
                              int afterLength, bool cs) {
    if (CZtStringImpl::Edit text{*this})
        text->replace(QStringFromWide(before, beforeLength), QStringFromWide(after, afterLength),
                      Sensitivity(cs));
    return *this;
}
CZtString& CZtString::Replace(const CZtString& before, const CZtString& after, bool cs) {
    const QString* from = CZtStringImpl::TextOf(before);
    const QString* to = CZtStringImpl::TextOf(after);
    if (!from || !to)
        return *this;
    const QString fromCopy = *from;
    const QString toCopy = *to;
    if (CZtStringImpl::Edit text{*this})
        text->replace(fromCopy, toCopy, Sensitivity(cs));
    return *this;
}

CZtString& CZtString::Reverse() {
    if (CZtStringImpl::Edit text{*this})
        std::reverse(text->begin(), text->end());
    return *this;
}

}  // namespace Varn
