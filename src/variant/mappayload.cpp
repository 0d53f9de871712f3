#include "variant/mappayload.h"

#include <zotrel/map.h>

#include <new>

namespace Varn::detail {

unsigned int MapPayload::Destroy(CZtMap* map) {
    delete map;
    return ZT_S_OK;
}

unsigned int MapPayload::Copy(const CZtMap* map, CZtMap** out) {
    // As for the other owned objects, running out of memory leaves a null
    // handle and is not reported.
    try {
        *out = map->AllocMap();
    } catch (const std::bad_alloc&) {
        *out = nullptr;
    }
    return ZT_S_OK;
}

bool MapPayload::IsEmpty(const CZtMap* map) {
    return map->IsEmpty();
}

unsigned int MapPayload::Compare(const CZtMap* a, const CZtMap* b, bool* equal) {
    *equal = *a == *b;
    return ZT_S_OK;
}

unsigned int MapPayload::FromVariant(const tagZTVARIANT& v, CZtMap** out) {
    try {
        *out = new CZtMap(CZtVariant(v));
    } catch (const std::bad_alloc&) {
        *out = nullptr;
    }
    return ZT_S_OK;
}

}  // namespace Varn::detail
