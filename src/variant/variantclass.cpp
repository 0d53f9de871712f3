// CZtVariant: the record's constructors, assignments, getters and moves.
#include <zotrel/variant.h>

#include <zotrel/blob.h>
#include <zotrel/chromid.h>
#include <zotrel/dataarray.h>
#include <zotrel/guid.h>
#include <zotrel/map.h>
#include <zotrel/string.h>
#include <zotrel/time.h>

#include <QString>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <type_traits>

#include "variant/varianttype.h"

namespace Varn {

static_assert(sizeof(CZtVariant) == sizeof(tagZTVARIANT), "CZtVariant adds nothing to its record");
static_assert(std::is_standard_layout_v<CZtVariant>, "CZtVariant is usable as its record");

using detail::Load;
using detail::ObjectAt;
using detail::Store;
using detail::TypeOf;

namespace {

// Writers for an empty record: each stores one kind of value.

template <class T>
void SetInPlace(tagZTVARIANT& v, unsigned short type, const T& value) {
    v.vartype = type;
    Store(&v.data, value);
}

// An owned object; a null object leaves the record empty.
void SetObject(tagZTVARIANT& v, unsigned short type, void* object) {
    if (!object)
        return;
    v.vartype = type;
    Store(&v.data, object);
}

// One new reference; a null interface leaves the record empty.
void SetInterface(tagZTVARIANT& v, unsigned short type, IZtReferenced* counted, void* pointer) {
    if (!counted)
        return;
    counted->AddRef();
    v.vartype = type;
    Store(&v.data, pointer);
}

// Moves the whole value of `fresh` into `v`, releasing what `v` held; `fresh`
// is left empty.
void TakeOver(CZtVariant& v, CZtVariant& fresh) {
    detail::Replace(v, fresh);
    fresh.Init();
}

// Where the value of `v` lies when its type code is one of `codes`; null for
// any other type, for array variants and for a null reference.
const void* OwnValue(const tagZTVARIANT& v, std::initializer_list<unsigned short> codes) {
    if (detail::IsArray(v))
        return nullptr;
    const unsigned short code = detail::BaseCode(v.vartype);
    for (unsigned short own : codes) {
        if (own == code)
            return detail::ValueAddress(v);
    }
    return nullptr;
}

bool HasOwnCode(const tagZTVARIANT& v, std::initializer_list<unsigned short> codes) {
    const unsigned short code = detail::BaseCode(v.vartype);
    for (unsigned short own : codes) {
        if (own == code)
            return true;
    }
    return false;
}

// The typed getters: the value read directly when the type code is `own`,
// else the value of a by-value copy converted to `own`, else 0.
template <class T>
T GetNumber(const CZtVariant& v, unsigned short own) {
    if (detail::IsArray(v))
        return T();
    if (detail::BaseCode(v.vartype) == own) {
        const void* value = detail::ValueAddress(v);
        return value ? Load<T>(value) : T();
    }
    CZtVariant converted;
    if (ZtVariantCopyInd(&converted, &v) != ZT_S_OK ||
        ::Varn::ZtVariantChangeType(&converted, &converted, 0, own) != ZT_S_OK)
        return T();
    return Load<T>(&converted.data);
}

// A by-value copy of `v` converted to `vartype`; the result of the first step
// that failed, or 0.
unsigned int Converted(const CZtVariant& v, unsigned short vartype, CZtVariant& out) {
    const unsigned int copied = ZtVariantCopyInd(&out, &v);
    if (copied != ZT_S_OK)
        return copied;
    return ::Varn::ZtVariantChangeType(&out, &out, 0, vartype);
}

// Detach into a number: read directly for the own codes, else through a
// converted copy read with the destination's getter.
template <class T>
unsigned int DetachNumber(CZtVariant& v, T* out, unsigned short vartype,
                          std::initializer_list<unsigned short> own) {
    if (!out)
        return ZT_E_NULL_POINTER;
    if (detail::IsArray(v))
        return ZT_E_NOT_SUPPORTED;
    if (HasOwnCode(v, own)) {
        const void* value = detail::ValueAddress(v);
        if (!value)
            return ZT_E_NULL_POINTER;
        *out = Load<T>(value);
    } else {
        CZtVariant converted;
        const unsigned int result = Converted(v, vartype, converted);
        if (result != ZT_S_OK)
            return result;
        *out = converted.operator T();
    }
    v.Clear();
    return ZT_S_OK;
}

// Detach into one of the object classes: own code `own` assigns from the held
// object (an empty object when it is null, unless `nullConverts`), any other
// type assigns a converted copy through the class's assignment from a variant.
template <class T>
unsigned int DetachObject(CZtVariant& v, T* out, unsigned short vartype, unsigned short own,
                          bool nullConverts) {
    if (!out)
        return ZT_E_NULL_POINTER;
    if (detail::IsArray(v))
        return ZT_E_NOT_SUPPORTED;
    if (detail::BaseCode(v.vartype) == own) {
        const void* slot = detail::ValueAddress(v);
        if (!slot)
            return ZT_E_NULL_POINTER;
        const T* object = static_cast<const T*>(ObjectAt(slot));
        if (object) {
            *out = *object;
            v.Clear();
            return ZT_S_OK;
        }
        if (!nullConverts) {
            *out = T();
            v.Clear();
            return ZT_S_OK;
        }
    }
    CZtVariant converted;
    const unsigned int result = Converted(v, vartype, converted);
    if (result != ZT_S_OK)
        return result;
    *out = converted;
    v.Clear();
    return ZT_S_OK;
}

// Detach into an identifier class: own code through `read` (ZtVariant2GUID,
// ZtVariant2CHROMID) and its result, otherwise a converted copy assigned.
template <class T, class Record>
unsigned int DetachIdentifier(CZtVariant& v, T* out, unsigned short vartype, unsigned short own,
                              unsigned int (*read)(const tagZTVARIANT*, Record*)) {
    if (!out)
        return ZT_E_NULL_POINTER;
    if (detail::IsArray(v))
        return ZT_E_NOT_SUPPORTED;
    if (detail::BaseCode(v.vartype) == own) {
        const unsigned int result = read(&v, out);
        if (result == ZT_S_OK)
            v.Clear();
        return result;
    }
    CZtVariant converted;
    const unsigned int result = Converted(v, vartype, converted);
    if (result != ZT_S_OK)
        return result;
    *out = converted;
    v.Clear();
    return ZT_S_OK;
}

// Detach into an interface pointer: hands over the reference for the type
// codes `own`. A by-reference variant owns no reference, so the caller gets a
// new one.
template <class I>
unsigned int DetachInterface(CZtVariant& v, I** out, std::initializer_list<unsigned short> own) {
    if (!out)
        return ZT_E_NULL_POINTER;
    if (detail::IsArray(v) || !HasOwnCode(v, own))
        return ZT_E_FAIL;
    if (!detail::ValueAddress(v))
        return ZT_E_NULL_POINTER;
    I* object = v.operator I*();
    if (detail::IsByRef(v) && object)
        object->AddRef();
    *out = object;
    v.Init();
    return ZT_S_OK;
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction

CZtVariant::CZtVariant() : tagZTVARIANT() {
    ZtVariantInit(this);
}
// A new variant is a zeroed record, so a copy is built in it directly.
CZtVariant::CZtVariant(const CZtVariant& other) : tagZTVARIANT() {
    detail::CopyInto(*this, other);
}
CZtVariant::CZtVariant(const tagZTVARIANT& other) : tagZTVARIANT() {
    detail::CopyInto(*this, other);
}
CZtVariant::CZtVariant(const CZtVariant* other) : tagZTVARIANT() {
    if (other)
        detail::CopyInto(*this, *other);
}
CZtVariant::CZtVariant(const tagZTVARIANT* other) : tagZTVARIANT() {
    if (other)
        detail::CopyInto(*this, *other);
}

CZtVariant::CZtVariant(const signed char& value) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetInPlace(*this, ZT_VT_I1, value);
}
CZtVariant::CZtVariant(const short& value) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetInPlace(*this, ZT_VT_I2, value);
}
CZtVariant::CZtVariant(const int& value) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetInPlace(*this, ZT_VT_I4, value);
}
CZtVariant::CZtVariant(const long long& value) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetInPlace(*this, ZT_VT_I8, value);
}
CZtVariant::CZtVariant(const unsigned char& value) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetInPlace(*this, ZT_VT_UI1, value);
}
CZtVariant::CZtVariant(const unsigned short& value) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetInPlace(*this, ZT_VT_UI2, value);
}
CZtVariant::CZtVariant(const unsigned int& value) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetInPlace(*this, ZT_VT_UI4, value);
}
CZtVariant::CZtVariant(const unsigned long long& value) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetInPlace(*this, ZT_VT_UI8, value);
}
CZtVariant::CZtVariant(const float& value) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetInPlace(*this, ZT_VT_R4, value);
}
CZtVariant::CZtVariant(const double& value) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetInPlace(*this, ZT_VT_R8, value);
}

CZtVariant::CZtVariant(const CZtString& text) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetObject(*this, ZT_VT_STRING, text.AllocString());
}
CZtVariant::CZtVariant(const QString& text) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetObject(*this, ZT_VT_STRING, new CZtString(text));
}
CZtVariant::CZtVariant(const char* text, int length) : tagZTVARIANT() {
    ZtVariantInit(this);
    if (text)
        SetObject(*this, ZT_VT_STRING, new CZtString(text, length));
}
CZtVariant::CZtVariant(const wchar_t* text, int length) : tagZTVARIANT() {
    ZtVariantInit(this);
    if (text)
        SetObject(*this, ZT_VT_STRING, new CZtString(text, length));
}
CZtVariant::CZtVariant(const CZtBlob& bytes) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetObject(*this, ZT_VT_BLOB, new CZtBlob(bytes));
}
CZtVariant::CZtVariant(const CZtTimeSpan& span) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetObject(*this, ZT_VT_TIMESPAN, new CZtTimeSpan(span));
}
CZtVariant::CZtVariant(const CZtTime& time) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetObject(*this, ZT_VT_TIME, new CZtTime(time));
}
CZtVariant::CZtVariant(const tagZTGUID& guid) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetInPlace(*this, ZT_VT_GUID, guid);
}
CZtVariant::CZtVariant(const tagZTCHROMID& id) : tagZTVARIANT() {
    ZtVariantInit(this);
    vartype = ZT_VT_CHROMID;
    ZTCHROMIDCopy(&id, &data.chromid);
}
CZtVariant::CZtVariant(const CZtString* text) : tagZTVARIANT() {
    ZtVariantInit(this);
    if (text)
        SetObject(*this, ZT_VT_STRING, text->AllocString());
}
CZtVariant::CZtVariant(const QString* text) : tagZTVARIANT() {
    ZtVariantInit(this);
    if (text)
        SetObject(*this, ZT_VT_STRING, new CZtString(*text));
}
CZtVariant::CZtVariant(const CZtBlob* bytes) : tagZTVARIANT() {
    ZtVariantInit(this);
    if (bytes)
        SetObject(*this, ZT_VT_BLOB, new CZtBlob(*bytes));
}
CZtVariant::CZtVariant(IZtUnknown* object) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetInterface(*this, ZT_VT_UNKNOWN, object, object);
}
CZtVariant::CZtVariant(IZtReferenced* object) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetInterface(*this, ZT_VT_REFERENCED, object, object);
}
CZtVariant::CZtVariant(IZtDispatch* object) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetInterface(*this, ZT_VT_DISPATCH, object, object);
}
CZtVariant::CZtVariant(const CZtMap& map) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetObject(*this, ZT_VT_MAP, map.AllocMap());
}
CZtVariant::CZtVariant(const CZtMap* map) : tagZTVARIANT() {
    ZtVariantInit(this);
    if (map)
        SetObject(*this, ZT_VT_MAP, map->AllocMap());
}

namespace {

// A registered deep copy of `array`; the record stays empty when the handle
// is null or not a live array.
void SetArrayCopy(tagZTVARIANT& v, tagDATAARRAY* array) {
    unsigned short element = ZT_VT_EMPTY;
    if (!array || ZtDataArrayGetVartype(array, &element) != ZT_S_OK)
        return;
    tagDATAARRAY* copy = nullptr;
    if (ZtDataArrayCopy(array, &copy) != ZT_S_OK)
        return;
    v.vartype = static_cast<unsigned short>(element | ZT_VT_ARRAY);
    Store(&v.data, copy);
}

}  // namespace

CZtVariant::CZtVariant(const tagDATAARRAY& array) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetArrayCopy(*this, const_cast<tagDATAARRAY*>(&array));
}
CZtVariant::CZtVariant(const CZtDataArray& array) : tagZTVARIANT() {
    ZtVariantInit(this);
    SetArrayCopy(*this, array.m_pDataArray);
}
CZtVariant::CZtVariant(const CZtDataArray* array) : tagZTVARIANT() {
    ZtVariantInit(this);
    if (array)
        SetArrayCopy(*this, array->m_pDataArray);
}

// The record goes with the object, so only what it owns is released.
CZtVariant::~CZtVariant() {
    if (vartype != ZT_VT_EMPTY)
        detail::ReleasePayload(*this);
}

// ---------------------------------------------------------------------------
// Assignment: the new value is made in full, then replaces the old one.

CZtVariant& CZtVariant::operator=(const CZtVariant& other) {
    if (this != &other) {
        CZtVariant fresh(other);
        TakeOver(*this, fresh);
    }
    return *this;
}
CZtVariant& CZtVariant::operator=(const tagZTVARIANT& other) {
    if (this != &other) {
        CZtVariant fresh(other);
        TakeOver(*this, fresh);
    }
    return *this;
}
CZtVariant& CZtVariant::operator=(const CZtVariant* other) {
    if (this != other) {
        CZtVariant fresh(other);
        TakeOver(*this, fresh);
    }
    return *this;
}
CZtVariant& CZtVariant::operator=(const tagZTVARIANT* other) {
    if (this != other) {
        CZtVariant fresh(other);
        TakeOver(*this, fresh);
    }
    return *this;
}

namespace {

template <class T>
CZtVariant& AssignValue(CZtVariant& v, const T& value) {
    CZtVariant fresh(value);
    TakeOver(v, fresh);
    return v;
}

}  // namespace

CZtVariant& CZtVariant::operator=(const signed char& value) {
    return AssignValue(*this, value);
}
CZtVariant& CZtVariant::operator=(const short& value) {
    return AssignValue(*this, value);
}
CZtVariant& CZtVariant::operator=(const int& value) {
    return AssignValue(*this, value);
}
CZtVariant& CZtVariant::operator=(const long long& value) {
    return AssignValue(*this, value);
}
CZtVariant& CZtVariant::operator=(const unsigned char& value) {
    return AssignValue(*this, value);
}
CZtVariant& CZtVariant::operator=(const unsigned short& value) {
    return AssignValue(*this, value);
}
CZtVariant& CZtVariant::operator=(const unsigned int& value) {
    return AssignValue(*this, value);
}
CZtVariant& CZtVariant::operator=(const unsigned long long& value) {
    return AssignValue(*this, value);
}
CZtVariant& CZtVariant::operator=(const float& value) {
    return AssignValue(*this, value);
}
CZtVariant& CZtVariant::operator=(const double& value) {
    return AssignValue(*this, value);
}
CZtVariant& CZtVariant::operator=(const CZtString& text) {
    return AssignValue(*this, text);
}
CZtVariant& CZtVariant::operator=(const QString& text) {
    return AssignValue(*this, text);
}
CZtVariant& CZtVariant::operator=(const char* text) {
    return AssignValue(*this, text);
}
CZtVariant& CZtVariant::operator=(const wchar_t* text) {
    return AssignValue(*this, text);
}
CZtVariant& CZtVariant::operator=(const CZtBlob& bytes) {
    return AssignValue(*this, bytes);
}
CZtVariant& CZtVariant::operator=(const CZtTimeSpan& span) {
    return AssignValue(*this, span);
}
CZtVariant& CZtVariant::operator=(const CZtTime& time) {
    return AssignValue(*this, time);
}
CZtVariant& CZtVariant::operator=(const tagZTGUID& guid) {
    return AssignValue(*this, guid);
}
CZtVariant& CZtVariant::operator=(const tagZTCHROMID& id) {
    return AssignValue(*this, id);
}
CZtVariant& CZtVariant::operator=(const CZtString* text) {
    return AssignValue(*this, text);
}
CZtVariant& CZtVariant::operator=(const QString* text) {
    return AssignValue(*this, text);
}
CZtVariant& CZtVariant::operator=(const CZtBlob* bytes) {
    return AssignValue(*this, bytes);
}
CZtVariant& CZtVariant::operator=(IZtUnknown* object) {
    return AssignValue(*this, object);
}
CZtVariant& CZtVariant::operator=(IZtReferenced* object) {
    return AssignValue(*this, object);
}
CZtVariant& CZtVariant::operator=(IZtDispatch* object) {
    return AssignValue(*this, object);
}
CZtVariant& CZtVariant::operator=(const CZtMap& map) {
    return AssignValue(*this, map);
}
CZtVariant& CZtVariant::operator=(const CZtMap* map) {
    return AssignValue(*this, map);
}

CZtVariant& CZtVariant::operator=(const tagDATAARRAY& array) {
    return AssignValue(*this, array);
}
CZtVariant& CZtVariant::operator=(const CZtDataArray& array) {
    return AssignValue(*this, array);
}
CZtVariant& CZtVariant::operator=(const CZtDataArray* array) {
    return AssignValue(*this, array);
}

// ---------------------------------------------------------------------------
// Heap objects

// ---------------------------------------------------------------------------
// Reset

void CZtVariant::Init() {
    ZtVariantInit(this);
}
unsigned int CZtVariant::Clear() {
    return ZtVariantClear(this);
}

// ---------------------------------------------------------------------------
// Getters

CZtVariant::operator signed char() const {
    return GetNumber<signed char>(*this, ZT_VT_I1);
}
CZtVariant::operator short() const {
    return GetNumber<short>(*this, ZT_VT_I2);
}
CZtVariant::operator int() const {
    return GetNumber<int>(*this, ZT_VT_I4);
}
CZtVariant::operator long long() const {
    return GetNumber<long long>(*this, ZT_VT_I8);
}
CZtVariant::operator unsigned char() const {
    return GetNumber<unsigned char>(*this, ZT_VT_UI1);
}
CZtVariant::operator unsigned short() const {
    return GetNumber<unsigned short>(*this, ZT_VT_UI2);
}
CZtVariant::operator unsigned int() const {
    return GetNumber<unsigned int>(*this, ZT_VT_UI4);
}
CZtVariant::operator unsigned long long() const {
    return GetNumber<unsigned long long>(*this, ZT_VT_UI8);
}
CZtVariant::operator float() const {
    return GetNumber<float>(*this, ZT_VT_R4);
}
CZtVariant::operator double() const {
    return GetNumber<double>(*this, ZT_VT_R8);
}

CZtVariant::operator CZtTime() {
    if (const void* slot = OwnValue(*this, {ZT_VT_TIME})) {
        const auto* time = static_cast<const CZtTime*>(ObjectAt(slot));
        return time ? CZtTime(*time) : CZtTime();
    }
    CZtVariant converted;
    if (detail::IsArray(*this) || Converted(*this, ZT_VT_TIME, converted) != ZT_S_OK)
        return CZtTime();
    const auto* time = static_cast<const CZtTime*>(ObjectAt(&converted.data));
    return time ? CZtTime(*time) : CZtTime();
}

namespace {

const CZtString* HeldString(const tagZTVARIANT& v) {
    const void* slot = OwnValue(v, {ZT_VT_STRING});
    return slot ? static_cast<const CZtString*>(ObjectAt(slot)) : nullptr;
}

}  // namespace

CZtVariant::operator QString() {
    const CZtString* text = HeldString(*this);
    return text ? static_cast<const QString&>(*text) : QString();
}
const char* CZtVariant::c_str() const {
    const CZtString* text = HeldString(*this);
    return text ? text->c_str() : nullptr;
}
const wchar_t* CZtVariant::w_str() const {
    const CZtString* text = HeldString(*this);
    return text ? text->w_str() : nullptr;
}

CZtVariant::operator IZtUnknown*() const {
    const void* slot = OwnValue(*this, {ZT_VT_UNKNOWN, ZT_VT_DISPATCH});
    if (!slot)
        return nullptr;
    if (detail::BaseCode(vartype) == ZT_VT_DISPATCH)
        return Load<IZtDispatch*>(slot);
    return Load<IZtUnknown*>(slot);
}
CZtVariant::operator IZtReferenced*() const {
    const void* slot = OwnValue(*this, {ZT_VT_UNKNOWN, ZT_VT_REFERENCED, ZT_VT_DISPATCH});
    return slot ? detail::InterfaceAt(TypeOf(vartype).payload, slot) : nullptr;
}
CZtVariant::operator IZtDispatch*() const {
    const void* slot = OwnValue(*this, {ZT_VT_DISPATCH});
    return slot ? Load<IZtDispatch*>(slot) : nullptr;
}

// ---------------------------------------------------------------------------
// Move-out

unsigned int CZtVariant::Detach(signed char* out, unsigned short type) {
    return DetachNumber(*this, out, type, {ZT_VT_I1});
}
unsigned int CZtVariant::Detach(short* out, unsigned short type) {
    return DetachNumber(*this, out, type, {ZT_VT_I2});
}
unsigned int CZtVariant::Detach(int* out, unsigned short type) {
    return DetachNumber(*this, out, type, {ZT_VT_I4});
}
unsigned int CZtVariant::Detach(long long* out, unsigned short type) {
    return DetachNumber(*this, out, type, {ZT_VT_I8});
}
unsigned int CZtVariant::Detach(unsigned char* out, unsigned short type) {
    return DetachNumber(*this, out, type, {ZT_VT_BOOL, ZT_VT_UI1, ZT_VT_BYTE});
}
unsigned int CZtVariant::Detach(unsigned short* out, unsigned short type) {
    return DetachNumber(*this, out, type, {ZT_VT_UI2, ZT_VT_WORD});
}
unsigned int CZtVariant::Detach(unsigned int* out, unsigned short type) {
    return DetachNumber(*this, out, type, {ZT_VT_UI4, ZT_VT_DWORD});
}
unsigned int CZtVariant::Detach(unsigned long long* out, unsigned short type) {
    return DetachNumber(*this, out, type, {ZT_VT_UI8, ZT_VT_QWORD, ZT_VT_RAW64});
}
unsigned int CZtVariant::Detach(float* out, unsigned short type) {
    return DetachNumber(*this, out, type, {ZT_VT_R4});
}
unsigned int CZtVariant::Detach(double* out, unsigned short type) {
    return DetachNumber(*this, out, type, {ZT_VT_R8});
}
unsigned int CZtVariant::Detach(CZtTimeSpan* out, unsigned short type) {
    return DetachObject(*this, out, type, ZT_VT_TIMESPAN, false);
}
unsigned int CZtVariant::Detach(CZtTime* out, unsigned short type) {
    // A time variant without a time object goes the conversion way, which
    // gives a reset time.
    return DetachObject(*this, out, type, ZT_VT_TIME, true);
}
unsigned int CZtVariant::Detach(CZtBlob* out, unsigned short type) {
    return DetachObject(*this, out, type, ZT_VT_BLOB, false);
}
unsigned int CZtVariant::Detach(CZtString* out, unsigned short type) {
    return DetachObject(*this, out, type, ZT_VT_STRING, false);
}
unsigned int CZtVariant::Detach(CZtGUID* out, unsigned short type) {
    return DetachIdentifier<CZtGUID, tagZTGUID>(*this, out, type, ZT_VT_GUID, ZtVariant2GUID);
}
unsigned int CZtVariant::Detach(CZtCHROMID* out, unsigned short type) {
    return DetachIdentifier<CZtCHROMID, tagZTCHROMID>(*this, out, type, ZT_VT_CHROMID,
                                                      ZtVariant2CHROMID);
}
unsigned int CZtVariant::Detach(CZtMap* out, unsigned short type) {
    // A map variant without a handle gives an empty map.
    return DetachObject(*this, out, type, ZT_VT_MAP, false);
}
unsigned int CZtVariant::Detach(IZtUnknown** out, unsigned short) {
    return DetachInterface(*this, out, {ZT_VT_UNKNOWN, ZT_VT_DISPATCH});
}
unsigned int CZtVariant::Detach(IZtReferenced** out, unsigned short) {
    return DetachInterface(*this, out, {ZT_VT_UNKNOWN, ZT_VT_REFERENCED, ZT_VT_DISPATCH});
}
unsigned int CZtVariant::Detach(IZtDispatch** out, unsigned short) {
    return DetachInterface(*this, out, {ZT_VT_DISPATCH});
}
unsigned int CZtVariant::Detach(tagZTVARIANT* out, unsigned short) {
    if (!out)
        return ZT_E_NULL_POINTER;
    if (out == this)
        return ZT_S_OK;
    const unsigned int cleared = ZtVariantClear(out);
    if (ZtFailed(cleared))
        return cleared;
    std::memcpy(static_cast<void*>(out), static_cast<const tagZTVARIANT*>(this), sizeof(*out));
    Init();
    return ZT_S_OK;
}

unsigned int CZtVariant::Attach(tagZTVARIANT* record) {
    if (!record)
        return ZT_E_INVALID_TYPE;
    if (record == this)
        return ZT_S_OK;
    const unsigned int cleared = Clear();
    if (ZtFailed(cleared))
        return cleared;
    std::memcpy(static_cast<void*>(static_cast<tagZTVARIANT*>(this)), record, sizeof(*record));
    ZtVariantInit(record);
    return ZT_S_OK;
}

// ---------------------------------------------------------------------------
// Queries

bool CZtVariant::IsEmpty() const {
    return vartype == ZT_VT_EMPTY;
}
bool CZtVariant::IsContentEmpty() const {
    return ZtVariantIsContentEmpty(this);
}
bool CZtVariant::IsType(unsigned short type, bool mask) const {
    return (mask ? detail::BaseCode(type) : type) == vartype;
}
bool CZtVariant::IsByRef(const tagZTVARIANT* record) const {
    return detail::IsByRef(record ? *record : *this);
}
bool CZtVariant::IsArray(const tagZTVARIANT* record) const {
    return detail::IsArray(record ? *record : *this);
}
unsigned int CZtVariant::ZtVariantChangeType(unsigned short type, const CZtVariant* src) {
    return ::Varn::ZtVariantChangeType(this, src ? src : this, 0, type);
}

bool CZtVariant::operator==(const tagZTVARIANT& other) const {
    bool equal = false;
    return ::Varn::ZtVariantCompare(this, &other, &equal) == ZT_S_OK && equal;
}
bool CZtVariant::operator==(const tagZTVARIANT* other) const {
    bool equal = false;
    return ::Varn::ZtVariantCompare(this, other, &equal) == ZT_S_OK && equal;
}
bool CZtVariant::operator!=(const tagZTVARIANT& other) const {
    return !(*this == other);
}
bool CZtVariant::operator!=(const tagZTVARIANT* other) const {
    return !(*this == other);
}

}  // namespace Varn
