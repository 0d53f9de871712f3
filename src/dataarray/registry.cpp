#include "dataarray/registry.h"

#include <memory>
#include <utility>

#include "dataarray/element.h"

namespace Varn {

/// Finds an array and holds its lock for one operation (or, with
/// KeepLocked, beyond it). Result() is 0 when the array was found alive, else
/// ZT_E_INVALID_TYPE.
class CZtDataArrayMgr::Access {
public:
    Access(CZtDataArrayMgr& registry, const tagDATAARRAY* handle) {
        {
            std::lock_guard<std::mutex> guard(registry.m_Mutex);
            const auto found = registry.m_Arrays.find(handle);
            if (found == registry.m_Arrays.end())
                return;
            m_pArray = found->second;
            // A free lock is taken at once; holding it keeps the array alive,
            // since destroying an array takes its lock first. Otherwise the
            // array is pinned and the wait happens without the registry.
            m_bPinned = !m_pArray->Lock().try_lock();
            if (m_bPinned)
                m_pArray->Pin();
        }
        if (m_bPinned)
            m_pArray->Lock().lock();
        // Destroyed while this thread waited.
        if (!m_pArray->IsDestroyed())
            m_Result = ZT_S_OK;
    }
    ~Access() {
        if (!m_pArray)
            return;
        if (m_bLocked)
            m_pArray->Lock().unlock();
        if (m_bPinned)
            m_pArray->Unpin();
    }
    Access(const Access&) = delete;
    Access& operator=(const Access&) = delete;

    unsigned int Result() const { return m_Result; }
    CZtDataArrayElement& Array() const { return *m_pArray; }
    /// The lock stays held after this object is gone, as one hold of the
    /// calling thread.
    void KeepLocked() {
        ++m_pArray->m_nHolds;
        m_bLocked = false;
    }

private:
    CZtDataArrayElement* m_pArray = nullptr;
    bool m_bPinned = false;
    bool m_bLocked = true;
    unsigned int m_Result = ZT_E_INVALID_TYPE;
};

template <class Operation>
unsigned int CZtDataArrayMgr::WithArray(const tagDATAARRAY* array, Operation&& operation) {
    Access access(*this, array);
    if (access.Result() != ZT_S_OK)
        return access.Result();
    // Client code run by a restructuring of this array calls back in here.
    if (access.Array().IsRestructuring())
        return ZT_E_INVALID_OBJECT;
    return operation(access.Array());
}

CZtDataArrayMgr::CZtDataArrayMgr() {
    m_Arrays.reserve(64);
}

CZtDataArrayMgr::~CZtDataArrayMgr() {
    // Arrays still registered at unload. The map is emptied first, so client
    // code run by the destruction of elements finds no array.
    std::unordered_map<const tagDATAARRAY*, CZtDataArrayElement*> arrays;
    {
        std::lock_guard<std::mutex> guard(m_Mutex);
        arrays.swap(m_Arrays);
    }
    for (auto& entry : arrays) {
        CZtDataArrayElement* array = entry.second;
        // An array that another thread still holds while the library unloads
        // is left alone: freeing it could pull memory from under that thread.
        if (!array->Lock().try_lock())
            continue;
        DestroyUnregistered(*array);
        array->Lock().unlock();
        array->Unpin();  // the registry's reference
    }
}

tagDATAARRAY* CZtDataArrayMgr::Register(CZtDataArrayElement* array) {
    std::unique_ptr<CZtDataArrayElement> owned(array);
    {
        std::lock_guard<std::mutex> guard(m_Mutex);
        m_Arrays.emplace(array->Handle(), array);
    }
    return owned.release()->Handle();
}

void CZtDataArrayMgr::DestroyUnregistered(CZtDataArrayElement& array) {
    array.DestroyContents();
    // Holds this thread kept with ZtDataArrayLock: the handle is gone, so
    // they could never be given back.
    while (array.m_nHolds > 0) {
        --array.m_nHolds;
        array.Lock().unlock();
    }
}

tagDATAARRAY* CZtDataArrayMgr::Create(unsigned short vartype, unsigned int dimCount,
                                      const tagDATAARRAYBOUND* bounds) {
    return Register(new CZtDataArrayElement(vartype, dimCount, bounds));
}

unsigned int CZtDataArrayMgr::Copy(tagDATAARRAY* source, tagDATAARRAY** out) {
    return WithArray(source, [this, out](CZtDataArrayElement& array) {
        // An array without dimensions copies to no array at all.
        if (!array.HasDimensions()) {
            *out = nullptr;
            return ZT_S_OK;
        }
        *out = Register(new CZtDataArrayElement(CZtDataArrayElement::CopyOf{}, array));
        return ZT_S_OK;
    });
}

unsigned int CZtDataArrayMgr::Destroy(tagDATAARRAY* handle) {
    CZtDataArrayElement* array = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_Mutex);
        const auto found = m_Arrays.find(handle);
        if (found == m_Arrays.end())
            return ZT_E_INVALID_TYPE;
        array = found->second;
        array->Pin();
    }
    // Another thread's hold is waited out; this thread's own holds do not
    // stop it (the lock is re-entrant).
    array->Lock().lock();
    unsigned int result = ZT_S_OK;
    int references = 1;  // this call's pin
    if (array->IsDestroyed()) {
        result = ZT_E_INVALID_TYPE;
    } else if (array->IsInUse()) {
        // Called back by client code while this very array runs it.
        result = ZT_E_INVALID_OBJECT;
    } else {
        {
            std::lock_guard<std::mutex> guard(m_Mutex);
            m_Arrays.erase(handle);
        }
        DestroyUnregistered(*array);
        ++references;  // and the registry's
    }
    array->Lock().unlock();
    array->Unpin(references);
    return result;
}

unsigned int CZtDataArrayMgr::Lock(tagDATAARRAY* handle) {
    Access access(*this, handle);
    if (access.Result() != ZT_S_OK)
        return access.Result();
    access.KeepLocked();
    return ZT_S_OK;
}

unsigned int CZtDataArrayMgr::AccessData(tagDATAARRAY* handle, void** data) {
    Access access(*this, handle);
    if (access.Result() != ZT_S_OK)
        return access.Result();
    if (access.Array().IsRestructuring())
        return ZT_E_INVALID_OBJECT;
    *data = access.Array().GetData();
    access.KeepLocked();
    return ZT_S_OK;
}

unsigned int CZtDataArrayMgr::Unlock(tagDATAARRAY* handle) {
    std::lock_guard<std::mutex> guard(m_Mutex);
    const auto found = m_Arrays.find(handle);
    if (found == m_Arrays.end())
        return ZT_E_INVALID_TYPE;
    CZtDataArrayElement& array = *found->second;
    // Only the holding thread may give a hold back; the hold count is its own.
    if (!array.Lock().HeldByCurrentThread() || array.m_nHolds == 0)
        return ZT_E_INVALID_OBJECT;
    --array.m_nHolds;
    array.Lock().unlock();
    return ZT_S_OK;
}

unsigned int CZtDataArrayMgr::UnaccessData(tagDATAARRAY* handle) {
    return Unlock(handle);
}

unsigned int CZtDataArrayMgr::GetElement(tagDATAARRAY* handle, const int* indices, void* value) {
    return WithArray(handle, [indices, value](CZtDataArrayElement& array) {
        return array.GetElement(indices, value);
    });
}

unsigned int CZtDataArrayMgr::PutElement(tagDATAARRAY* handle, const int* indices,
                                         const void* value) {
    return WithArray(handle, [indices, value](CZtDataArrayElement& array) {
        return array.PutElement(indices, value);
    });
}

unsigned int CZtDataArrayMgr::GetVartype(tagDATAARRAY* handle, unsigned short* vartype) {
    return WithArray(handle, [vartype](CZtDataArrayElement& array) {
        *vartype = array.GetVartype();
        return ZT_S_OK;
    });
}

unsigned int CZtDataArrayMgr::GetBounds(tagDATAARRAY* handle, unsigned int* dimCount,
                                        tagDATAARRAYBOUND** bounds) {
    return WithArray(handle, [dimCount, bounds](CZtDataArrayElement& array) {
        return array.GetBounds(dimCount, bounds);
    });
}

unsigned int CZtDataArrayMgr::GetElementCount(tagDATAARRAY* handle, unsigned int* count,
                                              unsigned int* byteSize) {
    return WithArray(handle, [count, byteSize](CZtDataArrayElement& array) {
        return array.GetElementCount(count, byteSize);
    });
}

unsigned int CZtDataArrayMgr::ChangeType(tagDATAARRAY* handle, unsigned short vartype) {
    return WithArray(handle,
                     [vartype](CZtDataArrayElement& array) { return array.ChangeType(vartype); });
}

unsigned int CZtDataArrayMgr::Redim(tagDATAARRAY* handle, unsigned int dimCount,
                                    const tagDATAARRAYBOUND* bounds) {
    return WithArray(handle, [dimCount, bounds](CZtDataArrayElement& array) {
        return array.Redim(dimCount, bounds);
    });
}

unsigned int CZtDataArrayMgr::Compare(tagDATAARRAY* first, tagDATAARRAY* second, bool* equal) {
    CZtDataArrayElement* a = nullptr;
    CZtDataArrayElement* b = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_Mutex);
        const auto foundFirst = m_Arrays.find(first);
        const auto foundSecond = m_Arrays.find(second);
        if (foundFirst == m_Arrays.end() || foundSecond == m_Arrays.end())
            return ZT_E_INVALID_TYPE;
        a = foundFirst->second;
        b = foundSecond->second;
        a->Pin();
        b->Pin();
    }
    // The pins go last, once both locks are given back.
    struct Pins {
        CZtDataArrayElement* a;
        CZtDataArrayElement* b;
        ~Pins() {
            b->Unpin();
            a->Unpin();
        }
    } pins{a, b};
    // Both locks together, in whatever order avoids a deadlock with a thread
    // comparing the same two arrays the other way round.
    std::unique_lock<detail::ArrayLock> lockA(a->Lock(), std::defer_lock);
    std::unique_lock<detail::ArrayLock> lockB;
    if (a == b) {
        lockA.lock();
    } else {
        lockB = std::unique_lock<detail::ArrayLock>(b->Lock(), std::defer_lock);
        std::lock(lockA, lockB);
    }
    if (a->IsDestroyed() || b->IsDestroyed())
        return ZT_E_INVALID_TYPE;
    if (a->IsRestructuring() || b->IsRestructuring())
        return ZT_E_INVALID_OBJECT;
    // Arrays of different shapes leave the flag as it was.
    if (a->HasSameShape(*b))
        *equal = a->HasEqualData(*b);
    return ZT_S_OK;
}

unsigned int CZtDataArrayMgr::IsFirstDimensionEmpty(const tagDATAARRAY* handle, bool* empty) {
    return WithArray(handle, [empty](CZtDataArrayElement& array) {
        *empty = array.FirstCount() == 0;
        return ZT_S_OK;
    });
}

}  // namespace Varn
