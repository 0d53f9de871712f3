// The data array C functions: pointer checks, then the registry.
//
// Every null pointer an operation needs is refused here, before any lock is
// taken or any handle looked up; the registry does the rest.
#include <zotrel/dataarray.h>

#include "dataarray/registry.h"

namespace Varn {

tagDATAARRAY* ZtDataArrayCreate(unsigned short vartype, unsigned int dimCount,
                                const tagDATAARRAYBOUND* bounds) {
    if (!bounds)
        return nullptr;
    return g_DataArrayMgr.Create(vartype, dimCount, bounds);
}

unsigned int ZtDataArrayCopy(tagDATAARRAY* source, tagDATAARRAY** out) {
    if (!source || !out)
        return ZT_E_NULL_POINTER;
    return g_DataArrayMgr.Copy(source, out);
}

unsigned int ZtDataArrayDestroy(tagDATAARRAY* array) {
    if (!array)
        return ZT_E_NULL_POINTER;
    return g_DataArrayMgr.Destroy(array);
}

unsigned int ZtDataArrayLock(tagDATAARRAY* array) {
    if (!array)
        return ZT_E_NULL_POINTER;
    return g_DataArrayMgr.Lock(array);
}

unsigned int ZtDataArrayUnlock(tagDATAARRAY* array) {
    if (!array)
        return ZT_E_NULL_POINTER;
    return g_DataArrayMgr.Unlock(array);
}

unsigned int ZtDataArrayAccessData(tagDATAARRAY* array, void** data) {
    if (!array || !data)
        return ZT_E_NULL_POINTER;
    return g_DataArrayMgr.AccessData(array, data);
}

unsigned int ZtDataArrayUnaccessData(tagDATAARRAY* array) {
    if (!array)
        return ZT_E_NULL_POINTER;
    return g_DataArrayMgr.UnaccessData(array);
}

unsigned int ZtDataArrayGetElement(tagDATAARRAY* array, int* indices, void* value) {
    if (!array || !indices || !value)
        return ZT_E_NULL_POINTER;
    return g_DataArrayMgr.GetElement(array, indices, value);
}

unsigned int ZtDataArrayPutElement(tagDATAARRAY* array, int* indices, void* value) {
    if (!array || !indices || !value)
        return ZT_E_NULL_POINTER;
    return g_DataArrayMgr.PutElement(array, indices, value);
}

unsigned int ZtDataArrayGetVartype(tagDATAARRAY* array, unsigned short* vartype) {
    if (!array || !vartype)
        return ZT_E_NULL_POINTER;
    return g_DataArrayMgr.GetVartype(array, vartype);
}

unsigned int ZtDataArrayGetBounds(tagDATAARRAY* array, unsigned int* dimCount,
                                  tagDATAARRAYBOUND** bounds) {
    if (!array || !dimCount || !bounds)
        return ZT_E_NULL_POINTER;
    return g_DataArrayMgr.GetBounds(array, dimCount, bounds);
}

unsigned int ZtDataArrayGetElementCount(tagDATAARRAY* array, unsigned int* count,
                                        unsigned int* byteSize) {
    if (!array || !count)
        return ZT_E_NULL_POINTER;
    return g_DataArrayMgr.GetElementCount(array, count, byteSize);
}

unsigned int ZtDataArrayChangeType(tagDATAARRAY* array, unsigned short, unsigned short vartype) {
    if (!array)
        return ZT_E_NULL_POINTER;
    return g_DataArrayMgr.ChangeType(array, vartype);
}

unsigned int ZtDataArrayRedim(tagDATAARRAY* array, unsigned int dimCount,
                              const tagDATAARRAYBOUND* bounds) {
    if (!array)
        return ZT_E_NULL_POINTER;
    return g_DataArrayMgr.Redim(array, dimCount, bounds);
}

unsigned int ZtDataArrayCompare(tagDATAARRAY* first, tagDATAARRAY* second, bool* equal) {
    if (!first || !second || !equal)
        return ZT_E_NULL_POINTER;
    return g_DataArrayMgr.Compare(first, second, equal);
}

}  // namespace Varn
