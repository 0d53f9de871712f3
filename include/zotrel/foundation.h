// Zotrel foundation: reference-counted interfaces, atomics, mutexes, result codes.
//
// Everything else in the library is built from the pieces declared here:
//
//  - The interface scheme. `IZtReferenced` carries `AddRef`/`Release`;
//    `IZtUnknown` adds `QueryInterface`, which asks an object for another of
//    its interfaces by GUID. An object is born with a count of 1, owned by the
//    code that created it, and destroys itself when `Release` brings the count
//    to 0. The identifiers of the library's interfaces are the `IID_...`
//    constants below.
//  - `CZtCoPtr<T>` owns exactly one reference to an interface while it holds a
//    non-null pointer:
//
//        CZtCoPtr<IZtUnknown> unknown;
//        if (ZtSucceeded(object->QueryInterface(IID_IZtUnknown, &unknown)))
//            use(unknown.Get());   // released when `unknown` goes out of scope
//
//  - `CZtAtomicInt` is a 32-bit integer whose `Increment`, `Decrement` and
//    assignments are fully ordered atomic operations; reference counts use it.
//  - `CZtAutoMutex` is a re-entrant mutex; `CZtAutoMutexLock` holds it for a
//    scope.
//  - Result codes: 0 is success, every failure has the top bit set, so a
//    result read as a signed number is negative exactly when it failed.
//
// Threads: counts may be raised and lowered from any thread; a `CZtCoPtr`
// object itself is used by one thread at a time.
//
// The C part of this header (export macros and result codes) also compiles
// as C11.

#ifndef ZOTREL_FOUNDATION_H
#define ZOTREL_FOUNDATION_H

/* The library builds with hidden visibility; only what carries this is exported. */
#define ZOTREL_EXPORT __attribute__((visibility("default")))

#ifdef __cplusplus
#define ZOTREL_EXTERN_C extern "C"
#define ZOTREL_NAMESPACE_BEGIN namespace Varn {
#define ZOTREL_NAMESPACE_END }
#else
#define ZOTREL_EXTERN_C
#define ZOTREL_NAMESPACE_BEGIN
#define ZOTREL_NAMESPACE_END
#endif

/* An exported function with C linkage. */
#define ZOTREL_C_API ZOTREL_EXTERN_C ZOTREL_EXPORT

ZOTREL_NAMESPACE_BEGIN

/* Result codes of every C function and interface operation. */
static const unsigned int ZT_S_OK = 0x00000000u;             /* success */
static const unsigned int ZT_S_PARTIAL = 0x00000001u;        /* some elements not converted */
static const unsigned int ZT_E_FAIL = 0x80000000u;           /* the operation failed */
static const unsigned int ZT_E_INVALIDARG = 0x80000004u;     /* null argument or out of range */
static const unsigned int ZT_E_READONLY = 0x80000005u;       /* the collection is frozen */
static const unsigned int ZT_E_POINTER = 0x80000006u;        /* QueryInterface: null out */
static const unsigned int ZT_E_NOINTERFACE = 0x80000009u;    /* interface not implemented */
static const unsigned int ZT_E_EXISTS = 0x8000000Cu;         /* the item already exists */
static const unsigned int ZT_E_NOTFOUND = 0x8000001Cu;       /* not found / index out of range */
static const unsigned int ZT_E_REGISTERED = 0x80000020u;     /* already registered */
static const unsigned int ZT_E_INVALID_OBJECT = 0x80402000u; /* bad handle, object or text */
static const unsigned int ZT_E_NOT_SUPPORTED = 0x80402001u;  /* not supported for this type */
static const unsigned int ZT_E_INVALID_TYPE = 0x80402004u;   /* bad type code, unknown handle */
static const unsigned int ZT_E_NULL_POINTER = 0x80402006u;   /* required pointer is null */
static const unsigned int ZT_E_NOT_RESIZABLE = 0x8040200Au;  /* array made without dimensions */
/* Carried only inside the exception that CZtTime::ToTime_t throws. */
static const unsigned int ZT_E_UNEXPECTED = 0x80004005u;
static const unsigned int ZT_E_WIN_INVALIDARG = 0x80070057u;

ZOTREL_NAMESPACE_END

#ifdef __cplusplus

#include <cstddef>

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
    virtual int AddRef() const = 0;
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
    IZtComponent();
    IZtComponent(const IZtComponent& other);
    IZtComponent& operator=(const IZtComponent& other);

    /// Two operations reserved for components of other modules; this library
    /// neither implements nor calls them.
    virtual unsigned int Initialize(IZtUnknown* context) = 0;
    virtual unsigned int Terminate() = 0;

    /// The `IZtComponent` identifier; the argument is ignored.
    static tagZTGUID GetIID(IZtComponent* ignored = nullptr);
};

/// An automation object; held by pointer in variants and data arrays only.
class IZtDispatch : public IZtUnknown {};

/// Interface identifiers, built from their text form when the library loads.
ZOTREL_EXPORT extern const CZtGUID IID_NULL;
ZOTREL_EXPORT extern const CZtGUID IID_IZtUnknown;
ZOTREL_EXPORT extern const CZtGUID IID_IZtComponent;
ZOTREL_EXPORT extern const CZtGUID IID_IZtIteratorBase;
ZOTREL_EXPORT extern const CZtGUID IID_IZtObjectCollection;
ZOTREL_EXPORT extern const CZtGUID IID_IZtObjectEnum;
ZOTREL_EXPORT extern const CZtGUID IID_IZtObjectEnumIterator;
ZOTREL_EXPORT extern const CZtGUID IID_IZtIntObjectMap;
ZOTREL_EXPORT extern const CZtGUID IID_IZtIntObjectMapIterator;
ZOTREL_EXPORT extern const CZtGUID IID_IZtVariantObjectMap;
ZOTREL_EXPORT extern const CZtGUID IID_IZtVariantObjectMapIterator;
/// Further identifiers of the system that no operation of this library
/// compares against; kept with their exact values.
ZOTREL_EXPORT extern const CZtGUID IID_ZtReservedNull;
ZOTREL_EXPORT extern const CZtGUID IID_ZtReserved1;
ZOTREL_EXPORT extern const CZtGUID IID_ZtReserved2;
ZOTREL_EXPORT extern const CZtGUID IID_ZtReserved3;
ZOTREL_EXPORT extern const CZtGUID IID_ZtReserved4;
ZOTREL_EXPORT extern const CZtGUID IID_ZtReserved5;

/// A 32-bit signed integer with atomic, fully ordered read-modify-write
/// operations. Its value lives in a heap cell of its own.
class ZOTREL_EXPORT CZtAtomicInt {
public:
    CZtAtomicInt(int value = 0);
    /// Takes a plain read of the other's current value into a new cell.
    CZtAtomicInt(const CZtAtomicInt& other);
    virtual ~CZtAtomicInt();

    /// Atomically exchanges this value for the other's (self-assignment is a no-op).
    CZtAtomicInt& operator=(const CZtAtomicInt& other);
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
    CZtAtomicIntTmpl() : CZtAtomicInt(Initial) {}
    CZtAtomicIntTmpl(const CZtAtomicIntTmpl& other) : CZtAtomicInt(other) {}
    ~CZtAtomicIntTmpl() override {}
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
    CZtAutoMutex();
    CZtAutoMutex(const CZtAutoMutex& other);
    virtual ~CZtAutoMutex();
    /// Keeps this object's own lock; nothing is copied.
    CZtAutoMutex& operator=(const CZtAutoMutex& other);

    void Lock();
    void Unlock();

private:
    void* m_pLock;
};

/// Holds a `CZtAutoMutex` locked for its own lifetime.
class ZOTREL_EXPORT CZtAutoMutexLock {
public:
    explicit CZtAutoMutexLock(CZtAutoMutex& mutex);
    virtual ~CZtAutoMutexLock();
    CZtAutoMutexLock(const CZtAutoMutexLock&) = delete;
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
    static void* operator new(std::size_t size);
    static void* operator new[](std::size_t size);
    static void* operator new(std::size_t, void* where) noexcept { return where; }
    static void* operator new[](std::size_t, void* where) noexcept { return where; }
    static void operator delete(void* p) noexcept;
    static void operator delete[](void* p) noexcept;
    static void operator delete(void*, void*) noexcept {}
    static void operator delete[](void*, void*) noexcept {}

protected:
    CZtCrtAllocated() = default;
    ~CZtCrtAllocated() = default;
};

/// Owns one reference to an interface of type T while it holds a non-null pointer.
template <class T>
class CZtCoPtr {
public:
    CZtCoPtr() : m_p(nullptr) {}
    /// Stores `p` and adds a reference to it.
    CZtCoPtr(T* p) : m_p(p) {
        if (m_p)
            m_p->AddRef();
    }
    CZtCoPtr(const CZtCoPtr& other) : CZtCoPtr(other.m_p) {}
    virtual ~CZtCoPtr() { Clear(); }

    CZtCoPtr& operator=(const CZtCoPtr& other) { return *this = other.m_p; }
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

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    operator T*() const { return m_p; }

protected:
    T* m_p;
};

/// `CZtCoPtr` under the name used for pointers obtained through QueryInterface.
template <class T>
class CZtCoQIPtr : public CZtCoPtr<T> {
public:
    CZtCoQIPtr() = default;
    CZtCoQIPtr(T* p) : CZtCoPtr<T>(p) {}
    ~CZtCoQIPtr() override {}
    using CZtCoPtr<T>::operator=;
};

}  // namespace Varn

#endif  // __cplusplus

#endif  // ZOTREL_FOUNDATION_H
