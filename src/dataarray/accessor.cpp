#include "dataarray/accessor.h"

#include <zotrel/blob.h>
#include <zotrel/chromid.h>
#include <zotrel/guid.h>
#include <zotrel/map.h>
#include <zotrel/string.h>
#include <zotrel/time.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

#include "variant/valuefromvariant.h"

namespace Varn {

namespace detail {

bool CountElements(unsigned int dimCount, const tagDATAARRAYBOUND* bounds, std::size_t elementSize,
                   std::size_t* count) {
    if (!bounds || dimCount == 0) {
        *count = 1;
        return true;
    }
    // A zero count anywhere makes the shape empty, however large the others.
    for (unsigned int i = 0; i < dimCount; ++i) {
        if (bounds[i].count == 0) {
            *count = 0;
            return true;
        }
    }
    unsigned long long total = 1;
    for (unsigned int i = 0; i < dimCount; ++i) {
        if (__builtin_mul_overflow(total, bounds[i].count, &total) || total > UINT_MAX)
            return false;
    }
    unsigned long long bytes = 0;
    if (__builtin_mul_overflow(total, elementSize, &bytes) || bytes > UINT_MAX)
        return false;
    *count = static_cast<std::size_t>(total);
    return true;
}

}  // namespace detail

namespace {

// The number of elements of a shape whose block exists or is about to be
// made; a shape that no block can hold is an allocation that cannot succeed.
std::size_t BlockCount(unsigned int dimCount, const tagDATAARRAYBOUND* bounds,
                       std::size_t elementSize) {
    std::size_t count = 0;
    if (!detail::CountElements(dimCount, bounds, elementSize, &count))
        throw std::bad_alloc();
    return count;
}

// Numbers and interface pointers live in raw, zero-filled blocks and are
// copied bit for bit; everything else is a class object.
template <class T>
constexpr bool kPlain = std::is_trivially_copyable_v<T>;

// The variant a ZT_VT_VARIANT element receives from PutElement is a plain
// record; every other type takes an object of its own type.
template <class T>
using PutType = std::conditional_t<std::is_same_v<T, CZtVariant>, tagZTVARIANT, T>;

// The new element `*element` receives the value of `v` converted to `vartype`,
// with the variant's Detach for the element's type: it converts and stores
// only on success.
template <class T>
unsigned int DetachInto(CZtVariant& v, T* element, unsigned short vartype) {
    if constexpr (std::is_same_v<T, CZtVariant>)
        return v.Detach(static_cast<tagZTVARIANT*>(element), vartype);
    else
        return v.Detach(element, vartype);
}

// The codes whose elements are numbers: their variants hold the value in
// place and always have a text.
constexpr bool IsNumberCode(unsigned short code) {
    return (code >= ZT_VT_BOOL && code <= ZT_VT_R8) ||
           (code >= ZT_VT_BYTE && code <= ZT_VT_QWORD) || code == ZT_VT_RAW64;
}

// A block of `count` class objects, element i constructed in place by
// make(where, i). If a construction throws, the objects made so far are
// destroyed and the block is freed.
template <class T, class Make>
T* BuildObjects(std::size_t count, Make&& make) {
    T* block = static_cast<T*>(std::malloc(count * sizeof(T)));
    if (!block)
        throw std::bad_alloc();
    std::size_t made = 0;
    try {
        for (; made < count; ++made)
            make(block + made, made);
    } catch (...) {
        while (made > 0)
            block[--made].~T();
        std::free(block);
        throw;
    }
    return block;
}

// The variant of one element, made in `storage` with the constructor of the
// element's class.
template <class T>
CZtVariant* MakeVariant(const T& element, void* storage) {
    if constexpr (std::is_same_v<T, CZtGUID>)
        return new (storage) CZtVariant(static_cast<const tagZTGUID&>(element));
    else if constexpr (std::is_same_v<T, CZtCHROMID>)
        return new (storage) CZtVariant(static_cast<const tagZTCHROMID&>(element));
    else if constexpr (std::is_same_v<T, CZtVariant>)
        return new (storage) CZtVariant(static_cast<const tagZTVARIANT&>(element));
    else
        return new (storage) CZtVariant(element);
}

// The variant of one element for the length of a scope.
class ElementVariant {
public:
    ElementVariant(const CZtDataArrayAccessorBase& accessor, const void* element)
        : m_pVariant(accessor.NewVariant(element, m_Storage)) {}
    ~ElementVariant() { m_pVariant->~CZtVariant(); }
    ElementVariant(const ElementVariant&) = delete;
    ElementVariant& operator=(const ElementVariant&) = delete;

    CZtVariant& operator*() const { return *m_pVariant; }

private:
    alignas(CZtVariant) unsigned char m_Storage[sizeof(CZtVariant)];
    CZtVariant* m_pVariant;
};

}  // namespace

// ---------------------------------------------------------------------------
// Blocks

template <class T>
T* CZtDataArrayAccessor<T>::AllocateBlock(std::size_t count) const {
    if constexpr (kPlain<T>) {
        void* block = std::calloc(count, sizeof(T));
        if (!block)
            throw std::bad_alloc();
        return static_cast<T*>(block);
    } else {
        return BuildObjects<T>(count, [](T* where, std::size_t) { new (where) T(); });
    }
}

template <class T>
void CZtDataArrayAccessor<T>::FreeBlock(T* block, std::size_t count) const {
    if constexpr (!kPlain<T>) {
        for (std::size_t i = 0; i < count; ++i)
            block[i].~T();
    } else {
        (void)count;
    }
    std::free(block);
}

template <class T>
void CZtDataArrayAccessor<T>::CopyElements(const T* from, T* to, std::size_t count) const {
    if constexpr (kPlain<T>) {
        if (count)
            std::memcpy(static_cast<void*>(to), from, count * sizeof(T));
    } else {
        for (std::size_t i = 0; i < count; ++i)
            to[i] = from[i];
    }
}

template <class T>
unsigned int CZtDataArrayAccessor<T>::CreateData(unsigned int dimCount,
                                                 const tagDATAARRAYBOUND* bounds,
                                                 void** data) const {
    if (!data || !bounds)
        return ZT_E_NULL_POINTER;
    const std::size_t count = BlockCount(dimCount, bounds, sizeof(T));
    if (dimCount == 0 || count == 0)
        return ZT_E_INVALID_TYPE;
    *data = AllocateBlock(count);
    return ZT_S_OK;
}

template <class T>
unsigned int CZtDataArrayAccessor<T>::CopyData(unsigned int dimCount,
                                               const tagDATAARRAYBOUND* bounds, const void* source,
                                               void** data) const {
    if (!data || !bounds || !source)
        return ZT_E_NULL_POINTER;
    const std::size_t count = BlockCount(dimCount, bounds, sizeof(T));
    if (dimCount == 0 || count == 0)
        return ZT_E_INVALID_TYPE;
    T* block = AllocateBlock(count);
    try {
        CopyElements(static_cast<const T*>(source), block, count);
    } catch (...) {
        FreeBlock(block, count);
        throw;
    }
    *data = block;
    return ZT_S_OK;
}

template <class T>
unsigned int CZtDataArrayAccessor<T>::DestroyData(void* data, unsigned int dimCount,
                                                  const tagDATAARRAYBOUND* bounds) const {
    if (!data)
        return ZT_E_NULL_POINTER;
    std::size_t count = 0;
    detail::CountElements(dimCount, bounds, sizeof(T), &count);
    FreeBlock(static_cast<T*>(data), count);
    return ZT_S_OK;
}

// ---------------------------------------------------------------------------
// Positions and single elements

template <class T>
void* CZtDataArrayAccessor<T>::GetElementAddress(void* data, long long position) const {
    return data ? static_cast<void*>(static_cast<T*>(data) + position) : nullptr;
}

template <class T>
unsigned int CZtDataArrayAccessor<T>::GetElementCount(unsigned int dimCount,
                                                      const tagDATAARRAYBOUND* bounds,
                                                      unsigned int* byteSize) const {
    std::size_t count = 0;
    if (!detail::CountElements(dimCount, bounds, sizeof(T), &count)) {
        // Only a shape without a block gets here; report its count as the
        // 32-bit product it wraps to.
        unsigned int wrapped = 1;
        for (unsigned int i = 0; i < dimCount; ++i)
            wrapped *= bounds[i].count;
        if (byteSize)
            *byteSize = wrapped * static_cast<unsigned int>(sizeof(T));
        return wrapped;
    }
    if (byteSize)
        *byteSize = static_cast<unsigned int>(count * sizeof(T));
    return static_cast<unsigned int>(count);
}

template <class T>
long long CZtDataArrayAccessor<T>::GetLinearIndex(unsigned int dimCount,
                                                  const tagDATAARRAYBOUND* bounds,
                                                  const int* indices) const {
    if (!bounds || !indices || dimCount == 0)
        return -1;
    // Row-major by Horner's rule: each step scales what came before by the
    // count of the next dimension, so the last index varies fastest. Every
    // index must lie within its own dimension.
    long long position = 0;
    for (unsigned int i = 0; i < dimCount; ++i) {
        const long long p = static_cast<long long>(indices[i]) - bounds[i].lowerBound;
        if (p < 0 || p >= static_cast<long long>(bounds[i].count))
            return -1;
        if (__builtin_mul_overflow(position, static_cast<long long>(bounds[i].count), &position) ||
            __builtin_add_overflow(position, p, &position))
            return -1;
    }
    return position;
}

template <class T>
T* CZtDataArrayAccessor<T>::ElementAt(const tagDATAARRAY* descriptor,
                                      const tagDATAARRAYBOUND* bounds, const int* indices,
                                      const void* value, unsigned int* result) const {
    if (!descriptor || !bounds || !indices || !value) {
        *result = ZT_E_NULL_POINTER;
        return nullptr;
    }
    // Without a block there is no element at any index. (The position is
    // this class's own, so the call needs no virtual dispatch.)
    const long long position =
        CZtDataArrayAccessor<T>::GetLinearIndex(descriptor->dimCount, bounds, indices);
    if (!descriptor->data || position < 0) {
        *result = ZT_E_INVALID_TYPE;
        return nullptr;
    }
    *result = ZT_S_OK;
    return static_cast<T*>(descriptor->data) + position;
}

template <class T>
unsigned int CZtDataArrayAccessor<T>::GetElement(const tagDATAARRAY* descriptor,
                                                 const tagDATAARRAYBOUND* bounds,
                                                 const int* indices, void* value) const {
    unsigned int result = ZT_S_OK;
    T* element = ElementAt(descriptor, bounds, indices, value, &result);
    if (!element)
        return result;
    if constexpr (kPlain<T>)
        std::memcpy(value, element, sizeof(T));
    else
        *static_cast<T*>(value) = *element;
    return ZT_S_OK;
}

template <class T>
unsigned int CZtDataArrayAccessor<T>::PutElement(const tagDATAARRAY* descriptor,
                                                 const tagDATAARRAYBOUND* bounds,
                                                 const int* indices, const void* value) const {
    unsigned int result = ZT_S_OK;
    T* element = ElementAt(descriptor, bounds, indices, value, &result);
    if (!element)
        return result;
    if constexpr (kPlain<T>)
        std::memmove(static_cast<void*>(element), value, sizeof(T));
    else
        *element = *static_cast<const PutType<T>*>(value);
    return ZT_S_OK;
}

// ---------------------------------------------------------------------------
// Whole blocks

template <class T>
unsigned int CZtDataArrayAccessor<T>::ChangeType(tagDATAARRAY* descriptor,
                                                 const tagDATAARRAYBOUND* bounds,
                                                 const CZtDataArrayAccessorBase* source) const {
    if (!descriptor || !bounds || !source)
        return ZT_E_NULL_POINTER;
    if (!descriptor->data)
        return ZT_E_INVALID_OBJECT;
    const std::size_t count = BlockCount(descriptor->dimCount, bounds, sizeof(T));
    const auto oldElement = [&](std::size_t i) {
        return source->GetElementAddress(descriptor->data, static_cast<long long>(i));
    };
    // The new elements are made apart from the array, which keeps its old
    // block and type until every element has been converted.
    T* block = nullptr;
    bool failed = false;
    if constexpr (std::is_same_v<T, CZtString>) {
        // Numbers always have a text, and the text a variant converts to is
        // the text of the variant (what CZtString's constructor from a
        // variant gives): each new element is made from it at once, without
        // an initial string first.
        if (IsNumberCode(source->GetVartype())) {
            block = BuildObjects<T>(count, [&](T* where, std::size_t i) {
                const ElementVariant value(*source, oldElement(i));
                new (where) CZtString(detail::TextOfVariant(*value));
            });
        }
    }
    if (!block) {
        block = AllocateBlock(count);
        try {
            for (std::size_t i = 0; i < count; ++i) {
                const ElementVariant value(*source, oldElement(i));
                if (DetachInto(*value, block + i, GetVartype()) != ZT_S_OK)
                    failed = true;
            }
        } catch (...) {
            FreeBlock(block, count);
            throw;
        }
    }
    void* old = descriptor->data;
    descriptor->data = block;
    descriptor->vartype = GetVartype();
    source->DestroyData(old, descriptor->dimCount, bounds);
    return failed ? ZT_S_PARTIAL : ZT_S_OK;
}

template <class T>
unsigned int CZtDataArrayAccessor<T>::Redim(tagDATAARRAY* descriptor, unsigned int newDimCount,
                                            const tagDATAARRAYBOUND* newBounds,
                                            const tagDATAARRAYBOUND* oldBounds) const {
    if (!descriptor || !newBounds || !oldBounds)
        return ZT_E_NULL_POINTER;
    if (!descriptor->data)
        return ZT_E_INVALID_OBJECT;
    const std::size_t oldCount = BlockCount(descriptor->dimCount, oldBounds, sizeof(T));
    void* fresh = nullptr;
    CreateData(newDimCount, newBounds, &fresh);  // no block for a shape without elements
    const std::size_t newCount = fresh ? BlockCount(newDimCount, newBounds, sizeof(T)) : 0;
    const std::size_t kept = std::min(oldCount, newCount);
    if (kept) {
        try {
            CopyElements(static_cast<const T*>(descriptor->data), static_cast<T*>(fresh), kept);
        } catch (...) {
            FreeBlock(static_cast<T*>(fresh), newCount);
            throw;
        }
    }
    // Elements keep their linear position. The old block goes last, when the
    // descriptor already describes the new one.
    void* old = descriptor->data;
    descriptor->data = fresh;
    descriptor->dimCount = newDimCount;
    if (newDimCount > 0) {
        descriptor->firstCount = newBounds[0].count;
        descriptor->firstBound = newBounds[0];
    } else {
        descriptor->firstCount = 0;
        descriptor->firstBound = tagDATAARRAYBOUND{0, 0};
    }
    FreeBlock(static_cast<T*>(old), oldCount);
    return ZT_S_OK;
}

template <class T>
unsigned int CZtDataArrayAccessor<T>::CompareData(const tagDATAARRAY* first,
                                                  const tagDATAARRAY* second,
                                                  const tagDATAARRAYBOUND* bounds,
                                                  bool* equal) const {
    if (!first || !second || !bounds || !equal)
        return ZT_E_NULL_POINTER;
    if (!first->data || !second->data) {
        *equal = first->data == second->data;
        return ZT_S_OK;
    }
    std::size_t count = 0;
    detail::CountElements(first->dimCount, bounds, sizeof(T), &count);
    const T* a = static_cast<const T*>(first->data);
    const T* b = static_cast<const T*>(second->data);
    *equal = true;
    for (std::size_t i = 0; i < count; ++i) {
        const ElementVariant left(*this, a + i);
        const ElementVariant right(*this, b + i);
        if (*left != *right) {
            *equal = false;
            break;
        }
    }
    return ZT_S_OK;
}

template <class T>
CZtVariant* CZtDataArrayAccessor<T>::NewVariant(const void* element, void* storage) const {
    return MakeVariant(*static_cast<const T*>(element), storage);
}

// ---------------------------------------------------------------------------
// Interface pointers

template <class T>
void CZtDataArrayAccessorRef<T>::CopyElements(const T* from, T* to, std::size_t count) const {
    for (std::size_t i = 0; i < count; ++i) {
        to[i] = from[i];
        if (to[i])
            to[i]->AddRef();
    }
}

template <class T>
void CZtDataArrayAccessorRef<T>::FreeBlock(T* block, std::size_t count) const {
    for (std::size_t i = 0; i < count; ++i) {
        if (block[i])
            block[i]->Release();
    }
    std::free(block);
}

template <class T>
unsigned int CZtDataArrayAccessorRef<T>::GetElement(const tagDATAARRAY* descriptor,
                                                    const tagDATAARRAYBOUND* bounds,
                                                    const int* indices, void* value) const {
    unsigned int result = ZT_S_OK;
    T* element = this->ElementAt(descriptor, bounds, indices, value, &result);
    if (!element)
        return result;
    T pointer = *element;
    if (pointer)
        pointer->AddRef();  // the caller's own reference
    std::memcpy(value, &pointer, sizeof(T));
    return ZT_S_OK;
}

template <class T>
unsigned int CZtDataArrayAccessorRef<T>::PutElement(const tagDATAARRAY* descriptor,
                                                    const tagDATAARRAYBOUND* bounds,
                                                    const int* indices, const void* value) const {
    unsigned int result = ZT_S_OK;
    T* element = this->ElementAt(descriptor, bounds, indices, value, &result);
    if (!element)
        return result;
    T incoming;
    std::memcpy(&incoming, value, sizeof(T));
    // The new reference is taken before the old one is given up, so putting
    // the pointer an element already holds never lets its count touch zero.
    if (incoming)
        incoming->AddRef();
    T old = *element;
    *element = incoming;
    if (old)
        old->Release();
    return ZT_S_OK;
}

// ---------------------------------------------------------------------------
// The accessors, one immutable object per type code

template class CZtDataArrayAccessor<unsigned char>;
template class CZtDataArrayAccessor<signed char>;
template class CZtDataArrayAccessor<short>;
template class CZtDataArrayAccessor<int>;
template class CZtDataArrayAccessor<long long>;
template class CZtDataArrayAccessor<unsigned short>;
template class CZtDataArrayAccessor<unsigned int>;
template class CZtDataArrayAccessor<unsigned long long>;
template class CZtDataArrayAccessor<float>;
template class CZtDataArrayAccessor<double>;
template class CZtDataArrayAccessor<CZtTimeSpan>;
template class CZtDataArrayAccessor<CZtTime>;
template class CZtDataArrayAccessor<CZtBlob>;
template class CZtDataArrayAccessor<CZtVariant>;
template class CZtDataArrayAccessor<CZtGUID>;
template class CZtDataArrayAccessor<CZtString>;
template class CZtDataArrayAccessor<CZtCHROMID>;
template class CZtDataArrayAccessor<IZtUnknown*>;
template class CZtDataArrayAccessor<IZtReferenced*>;
template class CZtDataArrayAccessor<IZtDispatch*>;
template class CZtDataArrayAccessorRef<IZtUnknown*>;
template class CZtDataArrayAccessorRef<IZtReferenced*>;
template class CZtDataArrayAccessorRef<IZtDispatch*>;
template class CZtDataArrayAccessor<CZtMap>;

namespace {

// Constants: made before any code of the library runs, never destroyed.
constexpr CZtDataArrayAccessor<unsigned char> kBool(ZT_VT_BOOL);
constexpr CZtDataArrayAccessor<signed char> kI1(ZT_VT_I1);
constexpr CZtDataArrayAccessor<short> kI2(ZT_VT_I2);
constexpr CZtDataArrayAccessor<int> kI4(ZT_VT_I4);
constexpr CZtDataArrayAccessor<long long> kI8(ZT_VT_I8);
constexpr CZtDataArrayAccessor<unsigned char> kUI1(ZT_VT_UI1);
constexpr CZtDataArrayAccessor<unsigned short> kUI2(ZT_VT_UI2);
constexpr CZtDataArrayAccessor<unsigned int> kUI4(ZT_VT_UI4);
constexpr CZtDataArrayAccessor<unsigned long long> kUI8(ZT_VT_UI8);
constexpr CZtDataArrayAccessor<float> kR4(ZT_VT_R4);
constexpr CZtDataArrayAccessor<double> kR8(ZT_VT_R8);
constexpr CZtDataArrayAccessor<CZtTimeSpan> kTimeSpan(ZT_VT_TIMESPAN);
constexpr CZtDataArrayAccessor<CZtTime> kTime(ZT_VT_TIME);
constexpr CZtDataArrayAccessor<unsigned char> kByte(ZT_VT_BYTE);
constexpr CZtDataArrayAccessor<unsigned short> kWord(ZT_VT_WORD);
constexpr CZtDataArrayAccessor<unsigned int> kDword(ZT_VT_DWORD);
constexpr CZtDataArrayAccessor<unsigned long long> kQword(ZT_VT_QWORD);
constexpr CZtDataArrayAccessor<CZtBlob> kBlob(ZT_VT_BLOB);
constexpr CZtDataArrayAccessorRef<IZtUnknown*> kUnknown(ZT_VT_UNKNOWN);
constexpr CZtDataArrayAccessor<unsigned long long> kRaw64(ZT_VT_RAW64);
constexpr CZtDataArrayAccessorRef<IZtReferenced*> kReferenced(ZT_VT_REFERENCED);
constexpr CZtDataArrayAccessor<CZtVariant> kVariant(ZT_VT_VARIANT);
constexpr CZtDataArrayAccessor<CZtGUID> kGuid(ZT_VT_GUID);
constexpr CZtDataArrayAccessor<CZtString> kString(ZT_VT_STRING);
constexpr CZtDataArrayAccessor<CZtCHROMID> kChromid(ZT_VT_CHROMID);
constexpr CZtDataArrayAccessor<CZtMap> kMap(ZT_VT_MAP);
constexpr CZtDataArrayAccessorRef<IZtDispatch*> kDispatch(ZT_VT_DISPATCH);

// The accessor of every type code that can be an element; the rest (0,
// 14-16, 22-24, ZT_VT_RAW32, 29-47, above ZT_VT_DISPATCH) have none.
constexpr const CZtDataArrayAccessorBase* kAccessors[] = {
    /*  0 ZT_VT_EMPTY      */ nullptr,
    /*  1 ZT_VT_BOOL       */ &kBool,
    /*  2 ZT_VT_I1         */ &kI1,
    /*  3 ZT_VT_I2         */ &kI2,
    /*  4 ZT_VT_I4         */ &kI4,
    /*  5 ZT_VT_I8         */ &kI8,
    /*  6 ZT_VT_UI1        */ &kUI1,
    /*  7 ZT_VT_UI2        */ &kUI2,
    /*  8 ZT_VT_UI4        */ &kUI4,
    /*  9 ZT_VT_UI8        */ &kUI8,
    /* 10 ZT_VT_R4         */ &kR4,
    /* 11 ZT_VT_R8         */ &kR8,
    /* 12 ZT_VT_TIMESPAN   */ &kTimeSpan,
    /* 13 ZT_VT_TIME       */ &kTime,
    /* 14                  */ nullptr,
    /* 15                  */ nullptr,
    /* 16                  */ nullptr,
    /* 17 ZT_VT_BYTE       */ &kByte,
    /* 18 ZT_VT_WORD       */ &kWord,
    /* 19 ZT_VT_DWORD      */ &kDword,
    /* 20 ZT_VT_QWORD      */ &kQword,
    /* 21 ZT_VT_BLOB       */ &kBlob,
    /* 22                  */ nullptr,
    /* 23                  */ nullptr,
    /* 24                  */ nullptr,
    /* 25 ZT_VT_UNKNOWN    */ &kUnknown,
    /* 26 ZT_VT_RAW32      */ nullptr,
    /* 27 ZT_VT_RAW64      */ &kRaw64,
    /* 28 ZT_VT_REFERENCED */ &kReferenced,
    /* 29-47               */ nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    /* 48 ZT_VT_VARIANT    */ &kVariant,
    /* 49 ZT_VT_GUID       */ &kGuid,
    /* 50 ZT_VT_STRING     */ &kString,
    /* 51 ZT_VT_CHROMID    */ &kChromid,
    /* 52 ZT_VT_MAP        */ &kMap,
    /* 53 ZT_VT_DISPATCH   */ &kDispatch,
};
static_assert(sizeof(kAccessors) / sizeof(kAccessors[0]) == ZT_VT_DISPATCH + 1,
              "one row per type code up to ZT_VT_DISPATCH");

}  // namespace

namespace detail {

const CZtDataArrayAccessorBase* DataArrayAccessorOf(unsigned short vartype) {
    const unsigned int code = vartype & ZT_VT_TYPEMASK;
    return code <= ZT_VT_DISPATCH ? kAccessors[code] : nullptr;
}

}  // namespace detail

unsigned int CreateDataArrayAccessor(unsigned short vartype, const CZtDataArrayAccessorBase** out) {
    if (!out)
        return ZT_E_INVALID_OBJECT;
    if (const CZtDataArrayAccessorBase* accessor = detail::DataArrayAccessorOf(vartype))
        *out = accessor;
    return ZT_S_OK;
}

}  // namespace Varn
