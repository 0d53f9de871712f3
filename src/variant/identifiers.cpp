// GUIDs and CHROMIDs into and out of variant records.
#include <zotrel/variant.h>

#include <zotrel/chromid.h>
#include <zotrel/guid.h>
#include <zotrel/string.h>

#include "identifiers/toolkithelper.h"
#include "variant/varianttype.h"

namespace Varn {

using detail::Load;
using detail::Store;

namespace {

// The string object a ZT_VT_STRING record holds, by value or by reference;
// null when the record, its reference or its string is null.
const CZtString* StringIn(const tagZTVARIANT& v) {
    const void* slot = detail::ValueAddress(v);
    return slot ? static_cast<const CZtString*>(detail::ObjectAt(slot)) : nullptr;
}

}  // namespace

unsigned int ZtVariant2GUID(const tagZTVARIANT* v, tagZTGUID* out) {
    if (!v || !out)
        return ZT_E_NULL_POINTER;
    switch (v->vartype) {
        case ZT_VT_GUID:
        case ZT_VT_GUID | ZT_VT_BYREF: {
            const void* guid = detail::ValueAddress(*v);
            if (!guid)
                return ZT_E_INVALID_OBJECT;
            *out = Load<tagZTGUID>(guid);
            return ZT_S_OK;
        }
        case ZT_VT_STRING:
        case ZT_VT_STRING | ZT_VT_BYREF: {
            const CZtString* text = StringIn(*v);
            return text ? CZtToolkitHelper::ParseGUID(*text, out) : ZT_E_INVALID_OBJECT;
        }
        default:
            return ZT_E_INVALID_TYPE;
    }
}

unsigned int ZtGUID2Variant(const tagZTGUID* guid, tagZTVARIANT* v) {
    if (!guid || !v)
        return ZT_E_NULL_POINTER;
    // Built apart first: the GUID may lie in the record it replaces.
    tagZTVARIANT fresh = detail::EmptyRecord();
    fresh.vartype = ZT_VT_GUID;
    Store(&fresh.data, *guid);
    detail::Replace(*v, fresh);
    return ZT_S_OK;
}

unsigned int ZtVariant2CHROMID(const tagZTVARIANT* v, tagZTCHROMID* dst) {
    if (!v || !dst)
        return ZT_E_NULL_POINTER;
    switch (v->vartype) {
        case ZT_VT_CHROMID:
        case ZT_VT_CHROMID | ZT_VT_BYREF:
            // A null reference gives ZT_E_NULL_POINTER from the copy itself.
            return ZTCHROMIDCopy(static_cast<const tagZTCHROMID*>(detail::ValueAddress(*v)), dst);
        case ZT_VT_STRING:
        case ZT_VT_STRING | ZT_VT_BYREF:
            return ZtString2CHROMID(StringIn(*v), dst);
        case ZT_VT_EMPTY:
            ZTCHROMIDClear(dst);
            return ZTCHROMIDInit(dst);
        default:
            return ZT_E_NULL_POINTER;
    }
}

unsigned int ZTCHROMID2Variant(const tagZTCHROMID* src, tagZTVARIANT* v) {
    if (!src || !v)
        return ZT_E_NULL_POINTER;
    // Built apart first: the CHROMID may lie in the record it replaces.
    tagZTVARIANT fresh = detail::EmptyRecord();
    fresh.vartype = ZT_VT_CHROMID;
    ZTCHROMIDCopy(src, &fresh.data.chromid);
    detail::Replace(*v, fresh);
    return ZT_S_OK;
}

}  // namespace Varn
