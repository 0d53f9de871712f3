// The data array registry: the one place that knows every live array.
#ifndef ZOTREL_SRC_DATAARRAY_REGISTRY_H
#define ZOTREL_SRC_DATAARRAY_REGISTRY_H

#include <zotrel/dataarray.h>

#include <mutex>
#include <unordered_map>

namespace Varn {

class CZtDataArrayElement;

/// Maps every live handle to its array object and runs every data array
/// operation: it validates the handle, keeps the array alive and locked for
/// the operation, and owns the arrays until they are destroyed (or the
/// library is unloaded). Pointer arguments are checked by the callers.
///
/// Locking. The registry's own mutex guards only the map: it is held to look
/// a handle up and to register or unregister one, never while waiting for an
/// array or running element code. An operation finds its array under the
/// registry mutex and takes the array's lock right there when it is free; when
/// another thread holds it, the operation pins the array (a reference that
/// keeps the object alive), lets the registry go and only then waits. So a
/// thread waiting for one array never holds up any other call, in particular
/// not the unlock that the holder of that array makes. Array locks may be
/// taken while the registry mutex is held only by trying; the registry mutex
/// may be taken while array locks are held. Two arrays are locked together
/// without a fixed order, by std::lock.
class CZtDataArrayMgr {
public:
    CZtDataArrayMgr();
    /// Destroys every array still registered.
    ~CZtDataArrayMgr();
    CZtDataArrayMgr(const CZtDataArrayMgr&) = delete;
    CZtDataArrayMgr& operator=(const CZtDataArrayMgr&) = delete;

    // The operations of the C functions of the same names, after their
    // null-pointer checks.
    tagDATAARRAY* Create(unsigned short vartype, unsigned int dimCount,
                         const tagDATAARRAYBOUND* bounds);
    unsigned int Lock(tagDATAARRAY* array);
    unsigned int Unlock(tagDATAARRAY* array);
    unsigned int AccessData(tagDATAARRAY* array, void** data);
    unsigned int UnaccessData(tagDATAARRAY* array);
    unsigned int GetElement(tagDATAARRAY* array, const int* indices, void* value);
    unsigned int PutElement(tagDATAARRAY* array, const int* indices, const void* value);
    unsigned int Copy(tagDATAARRAY* source, tagDATAARRAY** out);
    unsigned int Destroy(tagDATAARRAY* array);
    unsigned int GetVartype(tagDATAARRAY* array, unsigned short* vartype);
    unsigned int GetBounds(tagDATAARRAY* array, unsigned int* dimCount, tagDATAARRAYBOUND** bounds);
    unsigned int GetElementCount(tagDATAARRAY* array, unsigned int* count, unsigned int* byteSize);
    unsigned int ChangeType(tagDATAARRAY* array, unsigned short vartype);
    unsigned int Redim(tagDATAARRAY* array, unsigned int dimCount, const tagDATAARRAYBOUND* bounds);
    unsigned int Compare(tagDATAARRAY* first, tagDATAARRAY* second, bool* equal);

    /// For variants holding arrays: 0 with `*empty` telling whether the first
    /// dimension of the array has no elements; ZT_E_INVALID_TYPE for a handle
    /// that is not a live array.
    unsigned int IsFirstDimensionEmpty(const tagDATAARRAY* array, bool* empty);

private:
    class Access;

    template <class Operation>
    unsigned int WithArray(const tagDATAARRAY* array, Operation&& operation);

    /// Registers a new array and returns its handle.
    tagDATAARRAY* Register(CZtDataArrayElement* array);
    /// Destroys an array whose lock the calling thread holds, once it is out
    /// of the map: its elements and the holds this thread kept. The registry's
    /// reference is the caller's to drop.
    static void DestroyUnregistered(CZtDataArrayElement& array);

    std::mutex m_Mutex;
    std::unordered_map<const tagDATAARRAY*, CZtDataArrayElement*> m_Arrays;
};

/// The registry; constructed when the library is loaded, with the other
/// module-wide objects.
extern CZtDataArrayMgr g_DataArrayMgr;

}  // namespace Varn

#endif  // ZOTREL_SRC_DATAARRAY_REGISTRY_H
