/// @file
/// Zotrel foundation: reference-counted interfaces, atomics, mutexes, result codes.
///
/// Everything else in the library is built from the pieces declared here:
///
///  - The interface scheme. `IZtReferenced` carries `AddRef`/`Release`;
///    `IZtUnknown` adds `QueryInterface`, which asks an object for another of
///    its interfaces by GUID. An object is born with a count of 1, owned by the
///    code that created it, and destroys itself when `Release` brings the count
///    to 0. The identifiers of the library's interfaces are the `IID_...`
///    constants below.
///  - `CZtCoPtr<T>` owns exactly one reference to an interface while it holds a
///    non-null pointer:
///
///        CZtCoPtr<IZtUnknown> unknown;
///        if (ZtSucceeded(object->QueryInterface(IID_IZtUnknown, &unknown)))
///            use(unknown.Get());   // released when `unknown` goes out of scope
///
///  - `CZtAtomicInt` is a 32-bit integer whose `Increment`, `Decrement` and
///    assignments are fully ordered atomic operations; reference counts use it.
///  - `CZtAutoMutex` is a re-entrant mutex; `CZtAutoMutexLock` holds it for a
///    scope.
///  - Result codes: 0 is success, every failure has the top bit set, so a
///    result read as a signed number is negative exactly when it failed.
///
/// Threads: counts may be raised and lowered from any thread; a `CZtCoPtr`
/// object itself is used by one thread at a time.
///
/// The C part of this header (export macros and result codes) also compiles
/// as C11.

#ifndef ZOTREL_FOUNDATION_H
#define ZOTREL_FOUNDATION_H

/// Marks a declaration as part of the exported interface. The library builds
/// with hidden visibility; only what carries this is exported.
#define ZOTREL_EXPORT __attribute__((visibility("default")))

/// Marks an inline member that callers built against earlier headers call as
/// an exported function: the library keeps an exported copy of it, so those
/// callers still load. Callers' own builds inline it as usual.
#ifdef ZOTREL_BUILDING_LIBRARY
#define ZOTREL_INLINE_EXPORT __attribute__((used, visibility("default")))
#else
#define ZOTREL_INLINE_EXPORT
#endif

#ifdef __cplusplus
/// `extern "C"` in C++, nothing in C: gives the C functions unmangled names.
#define ZOTREL_EXTERN_C extern "C"
/// Opens namespace `Varn` in C++; nothing in C, where the records and C
/// functions are global.
#define ZOTREL_NAMESPACE_BEGIN namespace Varn {
/// Closes what `ZOTREL_NAMESPACE_BEGIN` opened.
#define ZOTREL_NAMESPACE_END }
#else
#define ZOTREL_EXTERN_C
#define ZOTREL_NAMESPACE_BEGIN
#define ZOTREL_NAMESPACE_END
#endif

/// An exported function with C linkage.
#define ZOTREL_C_API ZOTREL_EXTERN_C ZOTREL_EXPORT

ZOTREL_NAMESPACE_BEGIN

// Result codes of every C function and interface operation.
static const unsigned int ZT_S_OK = 0x00000000u;  ///< Success.
static const unsigned int ZT_S_PARTIAL =
    0x00000001u;  ///< Success with a gap: some elements of a data array could not be converted
                  ///< (`ZtDataArrayChangeType`) and were left at their empty value.
static const unsigned int ZT_E_FAIL =
    0x80000000u;  ///< The operation failed (a parse, a conversion, a time outside the range, a
                  ///< vector that cannot grow).
static const unsigned int ZT_E_INVALIDARG =
    0x80000004u;  ///< A null argument or a value out of range.
static const unsigned int ZT_E_READONLY =
    0x80000005u;  ///< The collection is frozen: it was created read-only.
static const unsigned int ZT_E_POINTER =
    0x80000006u;  ///< `QueryInterface` was given a null output pointer.
static const unsigned int ZT_E_NOINTERFACE =
    0x80000009u;  ///< `QueryInterface`: the object does not implement the interface asked for.
static const unsigned int ZT_E_EXISTS = 0x8000000Cu;  ///< The item already exists (a context value
                                                      ///< or an error descriptor under that key).
static const unsigned int ZT_E_NOTFOUND =
    0x8000001Cu;  ///< Not found: no such key, context, timer or subscriber, or an index out of
                  ///< range.
static const unsigned int ZT_E_REGISTERED = 0x80000020u;  ///< The subscriber is already registered.
static const unsigned int ZT_E_INVALID_OBJECT =
    0x80402000u;  ///< A bad handle, object or text (for example a GUID text that does not parse).
static const unsigned int ZT_E_NOT_SUPPORTED =
    0x80402001u;  ///< The operation is not supported for this type.
static const unsigned int ZT_E_INVALID_TYPE =
    0x80402004u;  ///< A bad type code, an unknown handle or an index outside its dimension.
static const unsigned int ZT_E_NULL_POINTER = 0x80402006u;  ///< A required pointer is null.
static const unsigned int ZT_E_NOT_RESIZABLE =
    0x8040200Au;  ///< The data array was made without dimensions and cannot be resized.
/// Carried only inside the `CZtTimeException` that `CZtTime::ToTime_t` throws
/// for a time before the year 1900.
static const unsigned int ZT_E_UNEXPECTED = 0x80004005u;
/// Carried only inside the `CZtTimeException` that `CZtTime::ToTime_t` throws
/// for a time the local time-zone rules cannot turn into a `time_t`.
static const unsigned int ZT_E_WIN_INVALIDARG = 0x80070057u;

ZOTREL_NAMESPACE_END

#ifdef __cplusplus

#include <atomic>
#include <cstddef>

/// Zotrel's C++ interface: every class, constant and C++ function of the
/// library. The plain records and C functions are in it too when compiled as
/// C++; in C they are global.
namespace Varn {

struct tagZTGUID;
class CZtGUID;

/// True when a result code reports success (top bit clear).
constexpr bool ZtSucceeded(unsigned int result) {
    return static_cast<int>(result) >= 0;
}
/// True when a result code reports a failure (top bit set).
constexpr bool ZtFailed(unsigned int result) {
    return static_cast<int>(result) < 0;
}

/// Reference counting: `AddRef` and `Release` return the new count; the
/// `Release` that returns 0 has destroyed the object.
class IZtReferenced {
public:
    /// Adds one reference and returns the new count.
    virtual int AddRef() const = 0;
    /// Drops one reference and returns the new count; at 0 the object has
    /// destroyed itself and must not be touched again.
    virtual int Release() const = 0;
};

/// A reference-counted object that can be asked for its other interfaces.
class IZtUnknown : public IZtReferenced {
public:
    /// On success stores the object in `*out` with one more reference and
    /// returns 0. Returns `ZT_E_POINTER` for a null `out` (nothing changed) and
    /// `ZT_E_NOINTERFACE` (with `*out` set to null) for an unknown identifier.
    virtual unsigned int QueryInterface(const tagZTGUID& iid, IZtUnknown** out) = 0;
};

/// A component interface; the library only counts references to it.
class ZOTREL_EXPORT IZtComponent : public IZtUnknown {
public:
    /// An interface base with nothing to set up.
    IZtComponent();
    /// Copies nothing: the interface has no state.
    IZtComponent(const IZtComponent& other);
    /// Copies nothing and returns this object.
    IZtComponent& operator=(const IZtComponent& other);

    /// Two operations reserved for components of other modules; this library
    /// neither implements nor calls them. By convention a result code:
    /// `ZT_S_OK` when the component is ready.
    virtual unsigned int Initialize(IZtUnknown* context) = 0;
    /// The counterpart of `Initialize`, reserved in the same way; by
    /// convention `ZT_S_OK` when the component has let go of its resources.
    virtual unsigned int Terminate() = 0;

    /// The `IZtComponent` identifier; the argument is ignored.
    static tagZTGUID GetIID(IZtComponent* ignored = nullptr);
};

/// An automation object; held by pointer in variants and data arrays only.
class IZtDispatch : public IZtUnknown {};

// Interface identifiers, built from their text form when the library loads
// (before any other module-wide object of the library).

/// The null GUID, all 16 bytes zero.
ZOTREL_EXPORT extern const CZtGUID IID_NULL;
/// `IZtUnknown`: every interface object of the library answers it.
ZOTREL_EXPORT extern const CZtGUID IID_IZtUnknown;
/// `IZtComponent`, as `IZtComponent::GetIID` returns it.
ZOTREL_EXPORT extern const CZtGUID IID_IZtComponent;
/// The base interface of every collection and map iterator.
ZOTREL_EXPORT extern const CZtGUID IID_IZtIteratorBase;
/// `IZtObjectCollection`.
ZOTREL_EXPORT extern const CZtGUID IID_IZtObjectCollection;
/// `IZtObjectEnum`, answered by the object lists and sets.
ZOTREL_EXPORT extern const CZtGUID IID_IZtObjectEnum;
/// `IZtObjectEnumIterator`, the iterator of lists, sets and collections.
ZOTREL_EXPORT extern const CZtGUID IID_IZtObjectEnumIterator;
/// `IZtIntObjectMap`, the object map with integer keys.
ZOTREL_EXPORT extern const CZtGUID IID_IZtIntObjectMap;
/// `IZtIntObjectMapIterator`, its iterator.
ZOTREL_EXPORT extern const CZtGUID IID_IZtIntObjectMapIterator;
/// `IZtVariantObjectMap`, the object map with variant keys.
ZOTREL_EXPORT extern const CZtGUID IID_IZtVariantObjectMap;
/// `IZtVariantObjectMapIterator`, its iterator.
ZOTREL_EXPORT extern const CZtGUID IID_IZtVariantObjectMapIterator;
/// Further identifiers of the system that no operation of this library
/// compares against; kept with their exact values.
///@{
ZOTREL_EXPORT extern const CZtGUID IID_ZtReservedNull;
ZOTREL_EXPORT extern const CZtGUID IID_ZtReserved1;
ZOTREL_EXPORT extern const CZtGUID IID_ZtReserved2;
ZOTREL_EXPORT extern const CZtGUID IID_ZtReserved3;
ZOTREL_EXPORT extern const CZtGUID IID_ZtReserved4;
ZOTREL_EXPORT extern const CZtGUID IID_ZtReserved5;
///@}

/// A 32-bit signed integer with atomic, fully ordered read-modify-write
/// operations. Its value lives in a heap cell of its own.
class ZOTREL_EXPORT CZtAtomicInt {
public:
    /// A new cell holding `value`.
    CZtAtomicInt(int value = 0);
    /// Takes a plain read of the other's current value into a new cell.
    CZtAtomicInt(const CZtAtomicInt& other);
    /// Frees the cell.
    virtual ~CZtAtomicInt();

    /// Atomically exchanges this value for the other's (self-assignment is a no-op).
    CZtAtomicInt& operator=(const CZtAtomicInt& other);
    /// Atomically stores `value` (a fully ordered exchange).
    CZtAtomicInt& operator=(int value);

    /// Adds 1 and returns the new value.
    int Increment();
    /// Subtracts 1 and returns the new value.
    int Decrement();
    /// A plain read of the current value.
    operator int() const;

private:
    int* m_pCell;
};

/// `CZtAtomicInt` that starts at `Initial`; `CZtAtomicIntTmpl<1>` is the
/// reference count of every reference-counted object of the library.
template <int Initial>
class CZtAtomicIntTmpl : public CZtAtomicInt {
public:
    /// A new cell holding `Initial`.
    CZtAtomicIntTmpl() : CZtAtomicInt(Initial) {}
    /// A new cell holding a plain read of the other's value.
    CZtAtomicIntTmpl(const CZtAtomicIntTmpl& other) : CZtAtomicInt(other) {}
    /// Frees the cell.
    ~CZtAtomicIntTmpl() override {}
    /// Atomically stores the other's current value into this cell.
    CZtAtomicIntTmpl& operator=(const CZtAtomicIntTmpl& other) {
        CZtAtomicInt::operator=(other);
        return *this;
    }
};

extern template class ZOTREL_EXPORT CZtAtomicIntTmpl<1>;

/// A re-entrant mutex: the thread that holds it may lock it again and must
/// unlock it as often. A copy is a new, unlocked mutex of its own, so an
/// object that is copied together with its mutex keeps guarding its own data.
class ZOTREL_EXPORT CZtAutoMutex {
public:
    /// A new, unlocked mutex.
    CZtAutoMutex();
    /// A new, unlocked mutex of its own; the other's lock is not shared.
    CZtAutoMutex(const CZtAutoMutex& other);
    /// Destroys the mutex; it must not be held by any thread.
    virtual ~CZtAutoMutex();
    /// Keeps this object's own lock; nothing is copied.
    CZtAutoMutex& operator=(const CZtAutoMutex& other);

    /// Blocks until the calling thread holds the mutex; a thread that already
    /// holds it gets it again at once (count one more `Unlock`).
    void Lock();
    /// Gives up one `Lock` of the calling thread, which must hold the mutex;
    /// the last one lets other threads have it.
    void Unlock();

private:
    void* m_pLock;
};

/// Holds a `CZtAutoMutex` locked for its own lifetime.
class ZOTREL_EXPORT CZtAutoMutexLock {
public:
    /// Locks `mutex` (blocking), which must outlive this object.
    explicit CZtAutoMutexLock(CZtAutoMutex& mutex);
    /// Unlocks the mutex once.
    virtual ~CZtAutoMutexLock();
    /// Not copyable: each lock object stands for exactly one `Lock`.
    CZtAutoMutexLock(const CZtAutoMutexLock&) = delete;
    /// Not assignable.
    CZtAutoMutexLock& operator=(const CZtAutoMutexLock&) = delete;

private:
    CZtAutoMutex& m_Mutex;
};

/// Base of the classes whose objects callers create and destroy with `new`
/// and `delete` across module boundaries: every such allocation goes through
/// this library's C runtime (`malloc` and `free`), whichever module asks for
/// it, so an object made on one side may be freed on the other. It adds no
/// data.
class ZOTREL_EXPORT CZtCrtAllocated {
public:
    /// Allocates with `malloc` (at least one byte); throws `std::bad_alloc`
    /// when no memory is left.
    ///@{
    static void* operator new(std::size_t size);
    static void* operator new[](std::size_t size);
    ///@}
    /// Placement forms: construct at `where`, allocate nothing.
    ///@{
    static void* operator new(std::size_t, void* where) noexcept { return where; }
    static void* operator new[](std::size_t, void* where) noexcept { return where; }
    ///@}
    /// Frees with `free`; null is ignored.
    ///@{
    static void operator delete(void* p) noexcept;
    static void operator delete[](void* p) noexcept;
    ///@}
    /// Placement forms: free nothing.
    ///@{
    static void operator delete(void*, void*) noexcept {}
    static void operator delete[](void*, void*) noexcept {}
    ///@}

protected:
    /// Nothing to construct: the base adds no data.
    CZtCrtAllocated() = default;
    /// Not virtual: objects are deleted through their own class.
    ~CZtCrtAllocated() = default;
};

/// Owns one reference to an interface of type T while it holds a non-null pointer.
template <class T>
class CZtCoPtr {
public:
    /// Holds nothing.
    CZtCoPtr() : m_p(nullptr) {}
    /// Stores `p` and adds a reference to it.
    CZtCoPtr(T* p) : m_p(p) {
        if (m_p)
            m_p->AddRef();
    }
    /// Holds the other's pointer with a reference of its own.
    CZtCoPtr(const CZtCoPtr& other) : CZtCoPtr(other.m_p) {}
    /// Releases the held pointer, if any.
    virtual ~CZtCoPtr() { Clear(); }

    /// As `operator=(T*)` with the other's pointer.
    CZtCoPtr& operator=(const CZtCoPtr& other) { return *this = other.m_p; }
    /// Adds a reference to `p` (when not null), then releases the old
    /// pointer, so assigning the pointer already held is safe.
    CZtCoPtr& operator=(T* p) {
        if (p)
            p->AddRef();
        Clear();
        m_p = p;
        return *this;
    }

    /// Releases the held pointer: the member is nulled first, then released.
    void Clear() {
        if (T* old = m_p) {
            m_p = nullptr;
            old->Release();
        }
    }
    /// For out-parameters: releases what is held and returns the address of
    /// the now null member, into which a callee stores a counted pointer.
    T** operator&() {
        if (m_p) {
            m_p->Release();
            m_p = nullptr;
        }
        return &m_p;
    }
    /// Gives up ownership without releasing; the caller now owns the reference.
    T* Detach() {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }

    /// The held pointer (null when empty); no reference is added.
    T* Get() const { return m_p; }
    /// Calls through the held pointer, which must not be null.
    T* operator->() const { return m_p; }
    /// The held pointer (null when empty); no reference is added.
    operator T*() const { return m_p; }

protected:
    /// The held pointer, which owns one reference when not null.
    T* m_p;
};

/// `CZtCoPtr` under the name used for pointers obtained through QueryInterface.
template <class T>
class CZtCoQIPtr : public CZtCoPtr<T> {
public:
    /// Holds nothing.
    CZtCoQIPtr() = default;
    /// Stores `p` and adds a reference to it.
    CZtCoQIPtr(T* p) : CZtCoPtr<T>(p) {}
    /// Releases the held pointer, if any.
    ~CZtCoQIPtr() override {}
    using CZtCoPtr<T>::operator=;
};

namespace detail {

/// Reference count of a shared value body (text, bytes, maps); a new body is
/// owned once. Text and byte bodies keep it where inline code finds it (see
/// `CountedBody`), so that copying and destroying a handle run in the caller,
/// as a Qt value's do.
class SharedCount {
public:
    SharedCount() noexcept = default;
    /// A copied body is a new body: its count starts at 1 again.
    SharedCount(const SharedCount&) noexcept {}
    SharedCount& operator=(const SharedCount&) = delete;

    /// Adds a reference (a new handle shares the body).
    void Acquire() noexcept { m_count.fetch_add(1, std::memory_order_relaxed); }
    /// True when this was the last reference. A sole owner skips the atomic
    /// decrement: while it holds the only reference no other thread can
    /// reach the body to add one, and the acquire load orders every earlier
    /// owner's release before the body is destroyed.
    bool Release() noexcept {
        if (m_count.load(std::memory_order_acquire) == 1)
            return true;
        return m_count.fetch_sub(1, std::memory_order_acq_rel) == 1;
    }
    /// True when more than one handle holds the body (a change must copy it).
    bool IsShared() const noexcept { return m_count.load(std::memory_order_acquire) > 1; }
    /// The current count.
    int Value() const noexcept { return m_count.load(std::memory_order_acquire); }

private:
    std::atomic<int> m_count{1};
};

/// The head of a shared text or byte body: the exported data class followed
/// by the body's reference count. Handles reach the count through it inline;
/// the library alone creates and frees bodies, so callers never make one.
template <class Data>
class CountedBody : public Data {
public:
    using Data::Data;

    /// How many handles share the body.
    SharedCount m_RefCount;
};

}  // namespace detail

}  // namespace Varn

#endif  // __cplusplus

#endif  // ZOTREL_FOUNDATION_H
