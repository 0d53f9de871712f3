#include <zotrel/chromid.h>

#include <zotrel/string.h>

#include <QLatin1String>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "identifiers/toolkithelper.h"
#include "text/stringimpl.h"

namespace Varn {

// The record keeps the 32-byte layout of a 32-bit target, with the text
// pointer growing in place (and moving to the next 8-byte boundary) where
// pointers are 8 bytes.
static_assert(offsetof(tagZTCHROMID, dataType) == 0, "tagZTCHROMID.dataType at 0");
static_assert(offsetof(tagZTCHROMID, orderKey) == 2, "tagZTCHROMID.orderKey at 2");
static_assert(offsetof(tagZTCHROMID, parts) == 4, "tagZTCHROMID.parts at 4");
static_assert(sizeof(tagZTCHROMID::parts) == 24, "tagZTCHROMID.parts is six 32-bit numbers");
static_assert(sizeof(void*) != 8 ||
                  (offsetof(tagZTCHROMID, text) == 32 && sizeof(tagZTCHROMID) == 40),
              "tagZTCHROMID is 40 bytes with the text pointer at 32 where pointers are 8 bytes");
static_assert(sizeof(void*) != 4 ||
                  (offsetof(tagZTCHROMID, text) == 28 && sizeof(tagZTCHROMID) == 32),
              "tagZTCHROMID is 32 bytes with the text pointer at 28 where pointers are 4 bytes");
static_assert(sizeof(CZtCHROMID) == sizeof(tagZTCHROMID), "CZtCHROMID adds nothing to its record");
static_assert(std::is_standard_layout_v<CZtCHROMID>, "CZtCHROMID is usable as its record");

namespace {

constexpr int kParts = 6;

bool IsNumeric(const tagZTCHROMID& id) {
    return id.dataType == ZT_CHROMID_NUMERIC;
}
bool IsText(const tagZTCHROMID& id) {
    return id.dataType == ZT_CHROMID_TEXT;
}

bool SameParts(const unsigned int (&a)[kParts], const unsigned int (&b)[kParts]) {
    return std::equal(a, a + kParts, b);
}

// The number a record stands for when it meets a record of the other form:
// its parts, the parts of a text that is a canonical numeric CHROMID, or
// 0.0.0.0.0.0 for a record without a value (cleared, or text without a
// string). False for a text that is no number.
bool NumericView(const tagZTCHROMID& id, unsigned int (&parts)[kParts]) {
    if (IsNumeric(id)) {
        std::copy(id.parts, id.parts + kParts, parts);
        return true;
    }
    if (IsText(id) && id.text)
        return CZtToolkitHelper::ReadCHROMIDText(*id.text, parts) ==
               CZtToolkitHelper::CHROMIDText::Numeric;
    std::fill(parts, parts + kParts, 0u);
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// C functions

unsigned int ZTCHROMIDInit(tagZTCHROMID* id) {
    if (!id)
        return ZT_E_NULL_POINTER;
    std::memset(static_cast<void*>(id), 0, sizeof(*id));
    id->dataType = ZT_CHROMID_NUMERIC;
    return ZT_S_OK;
}

unsigned int ZTCHROMIDClear(tagZTCHROMID* id) {
    if (!id)
        return ZT_E_NULL_POINTER;
    CZtString::DestroyString(id->text);
    std::memset(static_cast<void*>(id), 0, sizeof(*id));
    return ZT_S_OK;
}

unsigned int ZTCHROMIDCopy(const tagZTCHROMID* src, tagZTCHROMID* dst) {
    if (!src || !dst)
        return ZT_E_NULL_POINTER;
    // The new string is made before the old one goes, so copying a record
    // onto itself keeps its text instead of reading a freed string.
    CZtString* copy = src->text ? src->text->AllocString() : nullptr;
    CZtString::DestroyString(dst->text);
    dst->dataType = src->dataType;
    dst->orderKey = src->orderKey;
    std::copy(src->parts, src->parts + kParts, dst->parts);
    dst->text = copy;
    return ZT_S_OK;
}

unsigned int ZTCHROMIDCompare(const tagZTCHROMID* a, const tagZTCHROMID* b, bool* equal) {
    if (!a || !b || !equal)
        return ZT_E_NULL_POINTER;
    if (IsNumeric(*a) && IsNumeric(*b)) {
        *equal = SameParts(a->parts, b->parts);
    } else if (IsText(*a) && IsText(*b)) {
        *equal = a->text && b->text && *a->text == *b->text;
    } else {
        unsigned int partsA[kParts];
        unsigned int partsB[kParts];
        *equal = NumericView(*a, partsA) && NumericView(*b, partsB) && SameParts(partsA, partsB);
    }
    return ZT_S_OK;
}

bool ZTCHROMIDLess(const tagZTCHROMID* a, const tagZTCHROMID* b) {
    if (!a || !b)
        return false;
    if (a->orderKey != b->orderKey)
        return a->orderKey < b->orderKey;
    if (IsNumeric(*a) && IsNumeric(*b))
        return std::lexicographical_compare(a->parts, a->parts + kParts, b->parts,
                                            b->parts + kParts);
    if (IsText(*a) && IsText(*b))
        return a->text && b->text && *a->text < *b->text;
    // Every numeric CHROMID orders before every text one; a cleared record
    // orders against nothing.
    return IsNumeric(*a) && IsText(*b);
}

bool ZTCHROMIDGreater(const tagZTCHROMID* a, const tagZTCHROMID* b) {
    return ZTCHROMIDLess(b, a);
}

unsigned int ZTCHROMIDAppend(const tagZTCHROMID* src, tagZTCHROMID* dst) {
    if (!src || !dst)
        return ZT_E_NULL_POINTER;
    if (IsNumeric(*src) && IsNumeric(*dst)) {
        for (int i = 0; i < kParts; ++i)
            dst->parts[i] |= src->parts[i];
        return ZT_S_OK;
    }
    if (IsText(*src) && IsText(*dst)) {
        // Append reads its argument first, so a record appended to itself
        // doubles its text.
        if (src->text && dst->text)
            dst->text->Append(*src->text);
        return ZT_S_OK;
    }
    return ZT_E_INVALID_TYPE;
}

bool ZTCHROMIDIsEmpty(const tagZTCHROMID* id) {
    if (!id)
        return false;
    if (IsNumeric(*id))
        return std::all_of(id->parts, id->parts + kParts, [](unsigned int p) { return p == 0; });
    if (IsText(*id) && id->text) {
        const QString* s = CZtStringImpl::TextOf(*id->text);
        return !s || s->isEmpty() || *s == QLatin1String("0.0.0.0.0.0");
    }
    return false;
}

unsigned int ZtString2CHROMID(const CZtString* text, tagZTCHROMID* dst) {
    if (!text || !dst)
        return ZT_E_NULL_POINTER;
    return CZtToolkitHelper::ParseCHROMID(*text, dst);
}

// ---------------------------------------------------------------------------
// CZtCHROMID

CZtCHROMID::CZtCHROMID() : tagZTCHROMID() {
    ZTCHROMIDInit(this);
}

CZtCHROMID::CZtCHROMID(unsigned int part1, unsigned int part2, unsigned int part3,
                       unsigned int part4, unsigned int part5, unsigned int part6)
    : tagZTCHROMID{ZT_CHROMID_NUMERIC, 0, {part1, part2, part3, part4, part5, part6}, nullptr} {
    CZtString::CreateString(&text);
}

CZtCHROMID::CZtCHROMID(const CZtCHROMID& other) : tagZTCHROMID() {
    ZTCHROMIDInit(this);
    ZTCHROMIDCopy(&other, this);
}

CZtCHROMID::CZtCHROMID(const tagZTCHROMID& other) : tagZTCHROMID() {
    ZTCHROMIDInit(this);
    ZTCHROMIDCopy(&other, this);
}

CZtCHROMID::CZtCHROMID(CZtCHROMID&& other) noexcept : tagZTCHROMID(other) {
    // The string now belongs to this object; `other` forgets it.
    ZTCHROMIDInit(&other);
}

CZtCHROMID::CZtCHROMID(const CZtString& str) : tagZTCHROMID() {
    ZTCHROMIDInit(this);
    ZtString2CHROMID(&str, this);
}

CZtCHROMID::CZtCHROMID(const char* str, int length) : CZtCHROMID(CZtString(str, length)) {}

CZtCHROMID::CZtCHROMID(const wchar_t* str, int length) : CZtCHROMID(CZtString(str, length)) {}

CZtCHROMID::~CZtCHROMID() {
    ZTCHROMIDClear(this);
}

void CZtCHROMID::Clear() {
    ZTCHROMIDClear(this);
}

CZtCHROMID& CZtCHROMID::operator=(const CZtCHROMID& other) {
    if (this != &other)
        ZTCHROMIDCopy(&other, this);
    return *this;
}

CZtCHROMID& CZtCHROMID::operator=(const tagZTCHROMID& other) {
    // ZTCHROMIDCopy frees the old string itself and copes with `other` being
    // this object's own record.
    ZTCHROMIDCopy(&other, this);
    return *this;
}

CZtCHROMID& CZtCHROMID::operator=(CZtCHROMID&& other) noexcept {
    if (this != &other) {
        ZTCHROMIDClear(this);
        static_cast<tagZTCHROMID&>(*this) = other;
        ZTCHROMIDInit(&other);
    }
    return *this;
}

CZtCHROMID& CZtCHROMID::operator=(const CZtString& str) {
    // `str` may be this object's own string, which clearing destroys.
    const CZtString copy(str);
    ZTCHROMIDClear(this);
    ZtString2CHROMID(&copy, this);
    return *this;
}

CZtCHROMID& CZtCHROMID::operator+=(const tagZTCHROMID& other) {
    ZTCHROMIDAppend(&other, this);
    return *this;
}

CZtCHROMID& CZtCHROMID::operator+=(const CZtString& str) {
    if (IsText(*this) && text)
        text->Append(str);
    return *this;
}

CZtCHROMID CZtCHROMID::operator+(const tagZTCHROMID& other) const {
    CZtCHROMID result(*this);
    result += other;
    return result;
}

CZtCHROMID CZtCHROMID::operator+(const CZtString& str) const {
    if (IsText(*this) && text)
        return CZtCHROMID(*text + str);
    return CZtCHROMID();
}

bool CZtCHROMID::operator<(const tagZTCHROMID& other) const {
    return ZTCHROMIDLess(this, &other);
}

bool CZtCHROMID::operator>(const tagZTCHROMID& other) const {
    return ZTCHROMIDGreater(this, &other);
}

bool CZtCHROMID::operator==(const tagZTCHROMID& other) const {
    bool equal = false;
    ZTCHROMIDCompare(this, &other, &equal);
    return equal;
}

bool CZtCHROMID::operator!=(const tagZTCHROMID& other) const {
    return !(*this == other);
}

bool CZtCHROMID::IsEmpty() const {
    return ZTCHROMIDIsEmpty(this);
}

bool CZtCHROMID::IsSameDataType(const CZtCHROMID& other) const {
    return dataType == other.dataType;
}

void CZtCHROMID::ToString(CZtString& out) const {
    if (IsNumeric(*this))
        out = CZtToolkitHelper::FormatCHROMIDParts(parts);
    else if (IsText(*this) && text)
        out = *text;
}

CZtString CZtCHROMID::ToString() const {
    CZtString result;
    ToString(result);
    return result;
}

unsigned int CZtCHROMID::ToNativeZTCHROMID(tagZTCHROMID& out) const {
    if (IsNumeric(*this))
        return ZTCHROMIDCopy(this, &out);
    if (IsText(*this))
        return text ? ZtString2CHROMID(text, &out) : ZT_E_NULL_POINTER;
    return ZT_E_INVALID_OBJECT;
}

}  // namespace Varn
