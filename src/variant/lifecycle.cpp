// Initialising, clearing, copying and testing variant records.
#include <zotrel/variant.h>

#include <cstring>

#include "variant/arraypayload.h"
#include "variant/varianttype.h"

namespace Varn {

using detail::ArrayPayload;
using detail::CopyInto;
using detail::IsArray;
using detail::IsByRef;
using detail::Load;
using detail::ObjectAt;
using detail::ObjectOps;
using detail::ObjectOpsOf;
using detail::Payload;
using detail::ReleasePayload;
using detail::Store;
using detail::TypeInfo;
using detail::TypeOf;
using detail::ValueAddress;
using detail::WithObjectOps;

namespace {

tagDATAARRAY* ArrayAt(const void* slot) {
    return Load<tagDATAARRAY*>(slot);
}

bool IsValid(const TypeInfo& type) {
    return type.payload != Payload::Invalid && type.payload != Payload::Empty;
}

// Frees the owned object at `slot` (null: nothing) with the operations `ops`.
unsigned int ReleaseObject(const ObjectOps& ops, const void* slot) {
    if (void* object = ObjectAt(slot))
        return ops.destroy(object);
    return ZT_S_OK;
}

// A by-value copy, made with the operations `ops`, of the owned object at
// `srcSlot` (null stays null), stored at `dstSlot`.
unsigned int CopyObject(const ObjectOps& ops, const void* srcSlot, void* dstSlot) {
    void* copy = nullptr;
    unsigned int result = ZT_S_OK;
    if (const void* object = ObjectAt(srcSlot))
        result = ops.copy(object, &copy);
    Store(dstSlot, copy);
    return result;
}

}  // namespace

// Releases what `v` owns; the record itself is not changed.
unsigned int detail::ReleasePayload(tagZTVARIANT& v) {
    // Text by value, the usual owned payload, goes straight to its row.
    if (v.vartype == ZT_VT_STRING)
        return ReleaseObject(detail::kStringOps, &v.data);
    if (IsArray(v))
        return IsByRef(v) ? ZT_S_OK : ArrayPayload::Destroy(ArrayAt(&v.data));
    const TypeInfo& type = TypeOf(v.vartype);
    if (!IsValid(type))
        return ZT_E_INVALID_TYPE;
    if (IsByRef(v))
        return ZT_S_OK;
    switch (type.payload) {
        case Payload::TimeSpan:
        case Payload::Time:
        case Payload::Blob:
        case Payload::String:
        case Payload::Map:
            return WithObjectOps(
                type.payload, [&v](const ObjectOps& ops) { return ReleaseObject(ops, &v.data); });
        case Payload::Unknown:
        case Payload::Referenced:
        case Payload::Dispatch:
            if (IZtReferenced* object = detail::InterfaceAt(type.payload, &v.data))
                object->Release();
            return ZT_S_OK;
        case Payload::Chromid:
            return ZTCHROMIDClear(&v.data.chromid);
        case Payload::Number:
        case Payload::Raw32:
        case Payload::Raw64:
        case Payload::Variant:
        case Payload::Guid:
        case Payload::Invalid:
        case Payload::Empty:
            return ZT_S_OK;
    }
    return ZT_S_OK;
}

namespace {

// A by-value copy of an owned object (null stays null) at `dst`.
unsigned int CopyObject(Payload payload, const void* srcSlot, void* dstSlot) {
    return WithObjectOps(payload,
                         [&](const ObjectOps& ops) { return CopyObject(ops, srcSlot, dstSlot); });
}

// Takes a new reference on the interface at `srcSlot` and stores it at `dstSlot`.
void CopyInterface(Payload payload, const void* srcSlot, void* dstSlot) {
    Store(dstSlot, Load<void*>(srcSlot));
    if (IZtReferenced* object = detail::InterfaceAt(payload, srcSlot))
        object->AddRef();
}

// A deep copy of the CHROMID record at `src` into the zeroed payload `dst`.
void CopyChromid(const void* src, void* dst) {
    ZTCHROMIDCopy(static_cast<const tagZTCHROMID*>(src), static_cast<tagZTCHROMID*>(dst));
}

}  // namespace

// Fills the zeroed record `dst` with a copy of `src` (ZtVariantCopy).
unsigned int detail::CopyInto(tagZTVARIANT& dst, const tagZTVARIANT& src) {
    dst.vartype = src.vartype;
    // Text by value, the usual owned payload, goes straight to its row.
    if (src.vartype == ZT_VT_STRING)
        return CopyObject(detail::kStringOps, &src.data, &dst.data);
    const TypeInfo& type = TypeOf(src.vartype);
    if (!IsArray(src) && !IsValid(type))
        return ZT_E_INVALID_TYPE;
    if (IsByRef(src)) {
        // A by-reference record owns nothing: its bytes are the whole copy.
        std::memcpy(static_cast<void*>(&dst), &src, sizeof(dst));
        return ZT_S_OK;
    }
    if (IsArray(src)) {
        tagDATAARRAY* copy = nullptr;
        const unsigned int result = ArrayPayload::Copy(ArrayAt(&src.data), &copy);
        Store(&dst.data, copy);
        return result;
    }
    switch (type.payload) {
        case Payload::Number:
        case Payload::Raw32:
        case Payload::Raw64:
        case Payload::Variant:
        case Payload::Guid:
            std::memcpy(static_cast<void*>(&dst), &src, sizeof(dst));
            return ZT_S_OK;
        case Payload::TimeSpan:
        case Payload::Time:
        case Payload::Blob:
        case Payload::String:
        case Payload::Map:
            return CopyObject(type.payload, &src.data, &dst.data);
        case Payload::Unknown:
        case Payload::Referenced:
        case Payload::Dispatch:
            CopyInterface(type.payload, &src.data, &dst.data);
            return ZT_S_OK;
        case Payload::Chromid:
            CopyChromid(&src.data, &dst.data);
            return ZT_S_OK;
        case Payload::Invalid:
        case Payload::Empty:
            return ZT_E_INVALID_TYPE;
    }
    return ZT_E_INVALID_TYPE;
}

namespace {

// Fills the zeroed record `dst` with a by-value copy of the value at `ref`,
// which the by-reference record `src` designates; `dst` gets no type word.
unsigned int CopyReferenced(tagZTVARIANT& dst, const tagZTVARIANT& src, const void* ref) {
    if (IsArray(src)) {
        tagDATAARRAY* copy = nullptr;
        const unsigned int result = ArrayPayload::Copy(ArrayAt(ref), &copy);
        Store(&dst.data, copy);
        return result;
    }
    const TypeInfo& type = TypeOf(src.vartype);
    switch (type.payload) {
        case Payload::Number:
        case Payload::Raw32:
        case Payload::Raw64:
        case Payload::Guid:
            std::memcpy(&dst.data, ref, detail::WidthOf(type));
            return ZT_S_OK;
        case Payload::TimeSpan:
        case Payload::Time:
        case Payload::Blob:
        case Payload::String:
        case Payload::Map:
            return CopyObject(type.payload, ref, &dst.data);
        case Payload::Unknown:
        case Payload::Referenced:
        case Payload::Dispatch:
            CopyInterface(type.payload, ref, &dst.data);
            return ZT_S_OK;
        case Payload::Chromid:
            CopyChromid(ref, &dst.data);
            return ZT_S_OK;
        case Payload::Variant:  // followed by the caller
        case Payload::Invalid:
        case Payload::Empty:
            return ZT_E_INVALID_TYPE;
    }
    return ZT_E_INVALID_TYPE;
}

unsigned int CopyInd(tagZTVARIANT* dst, const tagZTVARIANT* src, int depth) {
    if (!dst || !src)
        return ZT_E_NULL_POINTER;
    if (!IsByRef(*src))
        return ZtVariantCopy(dst, src);
    const TypeInfo& type = TypeOf(src->vartype);
    tagZTVARIANT copy = detail::EmptyRecord();
    unsigned int result = ZT_E_INVALID_TYPE;
    if (IsArray(*src) || IsValid(type)) {
        const void* ref = ValueAddress(*src);
        if (!ref)
            return ZT_E_NULL_POINTER;
        if (!IsArray(*src) && type.payload == Payload::Variant) {
            if (depth == detail::kMaxReferenceDepth)
                return ZT_E_INVALID_OBJECT;
            return CopyInd(dst, static_cast<const tagZTVARIANT*>(ref), depth + 1);
        }
        result = CopyReferenced(copy, *src, ref);
    }
    copy.vartype = static_cast<unsigned short>(src->vartype & ~ZT_VT_BYREF);
    detail::Replace(*dst, copy);
    return result;
}

}  // namespace

unsigned int ZtVariantInit(tagZTVARIANT* v) {
    if (!v)
        return ZT_E_NULL_POINTER;
    std::memset(static_cast<void*>(v), 0, sizeof(*v));
    return ZT_S_OK;
}

unsigned int ZtVariantClear(tagZTVARIANT* v) {
    if (!v)
        return ZT_E_NULL_POINTER;
    if (v->vartype == ZT_VT_EMPTY)
        return ZT_S_OK;
    const unsigned int result = ReleasePayload(*v);
    std::memset(static_cast<void*>(v), 0, sizeof(*v));
    return result;
}

unsigned int ZtVariantCopy(tagZTVARIANT* dst, const tagZTVARIANT* src) {
    if (!dst || !src)
        return ZT_E_NULL_POINTER;
    // The copy is complete before the destination lets go of its value: the
    // source may be the destination itself, or live inside what it owns.
    tagZTVARIANT scratch;
    tagZTVARIANT& copy = detail::BuildRecordFor(*dst, *src, scratch);
    const unsigned int result = CopyInto(copy, *src);
    detail::Install(*dst, copy);
    return result;
}

unsigned int ZtVariantCopyInd(tagZTVARIANT* dst, const tagZTVARIANT* src) {
    return CopyInd(dst, src, 0);
}

bool ZtVariantIsContentEmpty(const tagZTVARIANT* v) {
    if (!v)
        return false;
    const void* where = ValueAddress(*v);
    if (IsArray(*v)) {
        const tagDATAARRAY* array = where ? ArrayAt(where) : nullptr;
        return array && ArrayPayload::IsEmpty(array);
    }
    const TypeInfo& type = TypeOf(v->vartype);
    switch (type.payload) {
        case Payload::Number:
        case Payload::Raw32:
        case Payload::Raw64:
        case Payload::Unknown:
        case Payload::Referenced:
        case Payload::Dispatch:
            return false;
        case Payload::TimeSpan:
        case Payload::Time:
        case Payload::Blob:
        case Payload::String:
        case Payload::Map: {
            const void* object = where ? ObjectAt(where) : nullptr;
            return object && ObjectOpsOf(type.payload)->isEmpty(object);
        }
        case Payload::Variant: {
            if (!IsByRef(*v))
                return false;
            const tagZTVARIANT* target = detail::Resolve(*v);
            return target && ZtVariantIsContentEmpty(target);
        }
        case Payload::Guid: {
            if (!where)
                return false;
            const tagZTGUID guid = Load<tagZTGUID>(where);
            return ZTGUIDIsEmpty(&guid);
        }
        case Payload::Chromid:
            return where && ZTCHROMIDIsEmpty(static_cast<const tagZTCHROMID*>(where));
        case Payload::Invalid:
        case Payload::Empty:
            return true;
    }
    return true;
}

}  // namespace Varn
