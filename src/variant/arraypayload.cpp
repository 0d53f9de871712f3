#include "variant/arraypayload.h"

#include <zotrel/dataarray.h>

#include "dataarray/registry.h"

namespace Varn::detail {

// Every operation goes through the data array functions, so handles are
// validated by the registry and never read directly: a record holding a
// handle that is no longer registered gets ZT_E_INVALID_TYPE, not a crash.

unsigned int ArrayPayload::Destroy(tagDATAARRAY* array) {
    return ZtDataArrayDestroy(array);
}

unsigned int ArrayPayload::Copy(const tagDATAARRAY* array, tagDATAARRAY** out) {
    *out = nullptr;
    return ZtDataArrayCopy(const_cast<tagDATAARRAY*>(array), out);
}

bool ArrayPayload::IsEmpty(const tagDATAARRAY* array) {
    bool empty = false;
    return g_DataArrayMgr.IsFirstDimensionEmpty(array, &empty) == ZT_S_OK && empty;
}

unsigned int ArrayPayload::ChangeType(tagDATAARRAY* array, unsigned short flags,
                                      unsigned short vartype) {
    return ZtDataArrayChangeType(array, flags, vartype);
}

unsigned int ArrayPayload::Compare(const tagDATAARRAY* a, const tagDATAARRAY* b, bool* equal) {
    return ZtDataArrayCompare(const_cast<tagDATAARRAY*>(a), const_cast<tagDATAARRAY*>(b), equal);
}

}  // namespace Varn::detail
