#include <zotrel/guid.h>

#include <zotrel/string.h>

#include <QUuid>

#include <cstring>
#include <tuple>

#include "identifiers/hexfield.h"
#include "identifiers/toolkithelper.h"
#include "text/stringimpl.h"

namespace Varn {

static_assert(sizeof(tagZTGUID) == 16, "tagZTGUID is 16 bytes");
static_assert(offsetof(tagZTGUID, Data1) == 0 && offsetof(tagZTGUID, Data2) == 4 &&
                  offsetof(tagZTGUID, Data3) == 6 && offsetof(tagZTGUID, Data4) == 8,
              "tagZTGUID field offsets");
static_assert(sizeof(CZtGUID) == sizeof(tagZTGUID), "CZtGUID adds nothing to its record");

unsigned int ZtString2ZTGUID(const wchar_t* text, tagZTGUID* out) {
    if (!text)
        return ZT_E_INVALID_OBJECT;
    return CZtToolkitHelper::ParseGUID(CZtString(text), out);
}

bool ZTGUIDIsEmpty(const tagZTGUID* guid) {
    if (!guid)
        return false;
    static const tagZTGUID kNull = {};
    return std::memcmp(guid, &kNull, sizeof(kNull)) == 0;
}

CZtGUID::CZtGUID() : tagZTGUID() {}
CZtGUID::CZtGUID(const CZtGUID& other) : tagZTGUID(other) {}
CZtGUID::CZtGUID(const tagZTGUID& other) : tagZTGUID(other) {}
CZtGUID::CZtGUID(const CZtString& text) : tagZTGUID() {
    CZtToolkitHelper::ParseGUID(text, this);
}
CZtGUID::CZtGUID(const char* const& text) : tagZTGUID() {
    CZtToolkitHelper::ParseGUID(CZtString(text), this);
}
CZtGUID::~CZtGUID() = default;

CZtGUID& CZtGUID::operator=(const CZtGUID& other) {
    if (this != &other)
        static_cast<tagZTGUID&>(*this) = other;
    return *this;
}
CZtGUID& CZtGUID::operator=(const tagZTGUID& other) {
    static_cast<tagZTGUID&>(*this) = other;
    return *this;
}
CZtGUID& CZtGUID::operator=(const CZtString& text) {
    Reset();
    CZtToolkitHelper::ParseGUID(text, this);
    return *this;
}
const CZtGUID& CZtGUID::operator=(const char* const& text) {
    Reset();
    CZtToolkitHelper::ParseGUID(CZtString(text), this);
    return *this;
}

void CZtGUID::Reset() {
    static_cast<tagZTGUID&>(*this) = tagZTGUID();
}

bool CZtGUID::operator==(const CZtGUID& other) const {
    return *this == static_cast<const tagZTGUID&>(other);
}
bool CZtGUID::operator==(const tagZTGUID& other) const {
    return Data1 == other.Data1 && Data2 == other.Data2 && Data3 == other.Data3 &&
           std::memcmp(Data4, other.Data4, sizeof(Data4)) == 0;
}
bool CZtGUID::operator!=(const CZtGUID& other) const {
    return !(*this == other);
}
bool CZtGUID::operator!=(const tagZTGUID& other) const {
    return !(*this == other);
}

namespace {

auto OrderKey(const tagZTGUID& g) {
    return std::make_tuple(g.Data1, g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                           g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
}

}  // namespace

bool CZtGUID::operator<(const CZtGUID& other) const {
    return OrderKey(*this) < OrderKey(other);
}
bool CZtGUID::operator>(const CZtGUID& other) const {
    return OrderKey(other) < OrderKey(*this);
}

namespace {

// The braced upper-case text form, written digit by digit straight into the
// text's storage, in a block with room for the body that will wrap it.
QString GuidText(const tagZTGUID& g) {
    static const char16_t kDigits[] = u"0123456789ABCDEF";
    QString text = CZtStringImpl::TextWithRoom(38);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    auto put = [&out](unsigned int value, int digits) {
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
            *out++ = kDigits[(value >> shift) & 0xF];
    };
    *out++ = u'{';
    put(g.Data1, 8);
    *out++ = u'-';
    put(g.Data2, 4);
    *out++ = u'-';
    put(g.Data3, 4);
    *out++ = u'-';
    put(g.Data4[0], 2);
    put(g.Data4[1], 2);
    *out++ = u'-';
    for (int i = 2; i < 8; ++i)
        put(g.Data4[i], 2);
    *out++ = u'}';
    return text;
}

}  // namespace

void CZtGUID::ToString(CZtString& out) const {
    out = GuidText(*this);
}

CZtString CZtGUID::ToString() const {
    return CZtStringImpl::Make(GuidText(*this));
}

CZtGUID::operator CZtString() const {
    return ToString();
}

bool CZtGUID::IsNull() const {
    return ZTGUIDIsEmpty(this);
}

CZtGUID CZtGUID::CreateGUID() {
    const QUuid uuid = QUuid::createUuid();
    CZtGUID result;
    result.Data1 = uuid.data1;
    result.Data2 = uuid.data2;
    result.Data3 = uuid.data3;
    std::memcpy(result.Data4, uuid.data4, sizeof(result.Data4));
    return result;
}

unsigned int CZtGUID::GetData(const char* text, int count, bool* ok) {
    bool valid = true;
    const unsigned int value = detail::ReadHexField(text, count, valid);
    if (ok)
        *ok = valid;
    return value;
}

}  // namespace Varn
