// The array object behind a data array handle, and its lock.
#ifndef ZOTREL_SRC_DATAARRAY_ELEMENT_H
#define ZOTREL_SRC_DATAARRAY_ELEMENT_H

#include <zotrel/dataarray.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

namespace Varn {

namespace detail {

/// A re-entrant lock that knows which thread holds it, so that an unlock by
/// any other thread can be refused instead of corrupting the lock. It meets
/// the standard Lockable requirements (lock, try_lock, unlock), so two of them
/// can be taken together with std::lock.
class ArrayLock {
public:
    ArrayLock() = default;
    ArrayLock(const ArrayLock&) = delete;
    ArrayLock& operator=(const ArrayLock&) = delete;

    void lock() {
        if (HeldByCurrentThread()) {
            ++m_Depth;
            return;
        }
        m_Mutex.lock();
        m_Owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
        m_Depth = 1;
    }
    bool try_lock() {
        if (HeldByCurrentThread()) {
            ++m_Depth;
            return true;
        }
        if (!m_Mutex.try_lock())
            return false;
        m_Owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
        m_Depth = 1;
        return true;
    }
    /// Only for the holding thread.
    void unlock() {
        if (--m_Depth == 0) {
            m_Owner.store(std::thread::id(), std::memory_order_relaxed);
            m_Mutex.unlock();
        }
    }
    /// Only the holder itself can see its own id here: another thread reads
    /// either no owner or a different one, never its own.
    bool HeldByCurrentThread() const {
        return m_Owner.load(std::memory_order_relaxed) == std::this_thread::get_id();
    }

private:
    std::mutex m_Mutex;
    std::atomic<std::thread::id> m_Owner{};
    unsigned int m_Depth = 0;  // written by the holder only
};

}  // namespace detail

/// One data array: its descriptor (whose address is the handle), its own copy
/// of all bounds, the element block and its lock.
///
/// Every operation below is called with the lock held. The registry keeps the
/// object alive while anything uses it: it holds one reference, every call
/// that waits for the lock holds one (a pin), and the object is freed when the
/// last reference goes, never while a thread holds its lock.
///
/// Element operations may run client code (`AddRef`/`Release` of interface
/// elements, destructors of objects held in variant elements), which may call
/// back into the library on the same thread while the lock is held. An array
/// that is being restructured (resized, converted, destroyed) or read whole
/// (copied, compared) answers such re-entrant calls with ZT_E_INVALID_OBJECT,
/// and one whose elements are being used refuses re-entrant restructuring,
/// so that no element address in use ever goes stale.
class CZtDataArrayElement {
public:
    /// A new array of this shape (see ZtDataArrayCreate).
    CZtDataArrayElement(unsigned short vartype, unsigned int dimCount,
                        const tagDATAARRAYBOUND* bounds);
    /// A deep copy of `source`, whose lock the caller holds.
    struct CopyOf {};
    CZtDataArrayElement(CopyOf, CZtDataArrayElement& source);
    /// Destroys what is left of the elements.
    ~CZtDataArrayElement();
    CZtDataArrayElement(const CZtDataArrayElement&) = delete;
    CZtDataArrayElement& operator=(const CZtDataArrayElement&) = delete;

    /// The handle: the published descriptor.
    tagDATAARRAY* Handle() { return &m_Descriptor; }
    detail::ArrayLock& Lock() { return m_Lock; }

    // Lifetime (any thread).
    void Pin() { m_References.fetch_add(1, std::memory_order_relaxed); }
    /// Drops `references` references at once; the last one frees the object.
    void Unpin(int references = 1) {
        if (m_References.fetch_sub(references, std::memory_order_acq_rel) == references)
            delete this;
    }

    // State, with the lock held.
    bool IsDestroyed() const { return m_bDestroyed; }
    bool IsRestructuring() const { return m_Restructuring > 0; }
    bool IsInUse() const { return m_ElementsInUse > 0 || m_Restructuring > 0; }
    bool HasDimensions() const { return m_State.dimCount > 0; }
    /// Holds taken by ZtDataArrayLock and ZtDataArrayAccessData.
    unsigned int m_nHolds = 0;

    // Operations, with the lock held. Results as the C functions.
    unsigned int GetElement(const int* indices, void* value);
    unsigned int PutElement(const int* indices, const void* value);
    unsigned short GetVartype() const { return m_State.vartype; }
    void* GetData() const { return m_State.data; }
    unsigned int GetBounds(unsigned int* dimCount, tagDATAARRAYBOUND** bounds);
    unsigned int GetElementCount(unsigned int* count, unsigned int* byteSize) const;
    unsigned int FirstCount() const { return m_State.firstCount; }
    unsigned int ChangeType(unsigned short vartype);
    unsigned int Redim(unsigned int dimCount, const tagDATAARRAYBOUND* bounds);
    bool HasSameShape(const CZtDataArrayElement& other) const;
    bool HasEqualData(CZtDataArrayElement& other);
    /// Destroys the elements and marks the object destroyed; what the holding
    /// thread's holds were stays for the caller to release.
    void DestroyContents();

    /// Marks a stretch in which element addresses are in use (copying or
    /// comparing whole blocks, single-element reads and writes); re-entrant
    /// restructuring is refused meanwhile.
    class ElementsInUse {
    public:
        explicit ElementsInUse(CZtDataArrayElement& array) : m_Array(array) {
            ++m_Array.m_ElementsInUse;
        }
        ~ElementsInUse() { --m_Array.m_ElementsInUse; }
        ElementsInUse(const ElementsInUse&) = delete;
        ElementsInUse& operator=(const ElementsInUse&) = delete;

    private:
        CZtDataArrayElement& m_Array;
    };

private:
    class Restructuring;
    friend class Restructuring;

    /// Copies the working state to the descriptor callers read.
    void Publish() { m_Descriptor = m_State; }

    // The handle callers hold and read. The library works from m_State, its
    // own copy, so that nothing a caller writes into the descriptor can lead
    // it outside the block or the bounds; m_Descriptor is rewritten from it
    // after every change.
    tagDATAARRAY m_Descriptor;
    tagDATAARRAY m_State;
    std::unique_ptr<tagDATAARRAYBOUND[]> m_Bounds;  // m_State.dimCount entries, or null
    detail::ArrayLock m_Lock;
    std::atomic<int> m_References{1};  // the registry's
    bool m_bDestroyed = false;
    int m_Restructuring = 0;
    int m_ElementsInUse = 0;
};

}  // namespace Varn

#endif  // ZOTREL_SRC_DATAARRAY_ELEMENT_H
