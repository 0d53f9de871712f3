// Typed element accessors: everything about a data array that depends on its
// element type.
//
// A data array keeps its elements in one block. How the block is made,
// copied and destroyed, how big an element is and how one element is read,
// written, converted or compared depends on the element type code, and all of
// that lives here: one accessor class per element type, all behind the
// abstract base `CZtDataArrayAccessorBase`. The array object never looks at an
// element itself.
//
// Three storage families:
//  - numbers: a raw block of values, zero-filled when made, copied bit for bit;
//  - class values (CZtString, CZtBlob, CZtTime, CZtTimeSpan, CZtGUID,
//    CZtCHROMID, CZtVariant, CZtMap): a block of objects, default-constructed
//    when made, copied by copy assignment, destroyed by their destructors;
//  - interface pointers (`CZtDataArrayAccessorRef`): a block of pointers,
//    null when made, each non-null pointer owning one reference.
//
// An accessor holds nothing but the type code it serves, so there is exactly
// one immutable accessor per type code for the life of the library:
// `CreateDataArrayAccessor` hands out that shared object and nothing is
// allocated or freed per operation. Accessors keep no state and take no locks;
// they run inside the locks of the array object.
#ifndef ZOTREL_SRC_DATAARRAY_ACCESSOR_H
#define ZOTREL_SRC_DATAARRAY_ACCESSOR_H

#include <zotrel/dataarray.h>
#include <zotrel/variant.h>

#include <cstddef>

namespace Varn {

/// The operations of one element type. Positions are zero-based offsets in
/// the block, in row-major order.
class CZtDataArrayAccessorBase {
public:
    // GCOVR_EXCL_START: runs at compile time only, as every accessor is a constexpr object
    constexpr explicit CZtDataArrayAccessorBase(unsigned short vartype = 0) noexcept
        : m_Vartype(static_cast<unsigned short>(vartype & ZT_VT_TYPEMASK)) {}
    // GCOVR_EXCL_STOP
    CZtDataArrayAccessorBase(const CZtDataArrayAccessorBase&) = delete;
    CZtDataArrayAccessorBase& operator=(const CZtDataArrayAccessorBase&) = delete;

    /// The type code this accessor serves (several codes may share a class:
    /// ZT_VT_BOOL, ZT_VT_UI1 and ZT_VT_BYTE all store unsigned chars, and a
    /// conversion targets the code the accessor was made for).
    const unsigned short& GetVartype() const { return m_Vartype; }

    /// Stores in `*data` a new block for the shape: initial elements. Returns
    /// ZT_E_NULL_POINTER for null pointers; ZT_E_INVALID_TYPE, with nothing
    /// stored, for a shape without elements. A shape whose block could not be
    /// described (more than 2^32-1 elements or bytes) throws std::bad_alloc,
    /// as any allocation that cannot succeed.
    virtual unsigned int CreateData(unsigned int dimCount, const tagDATAARRAYBOUND* bounds,
                                    void** data) const = 0;
    /// Stores in `*data` a new block holding copies of the elements of
    /// `source`, a block of the same shape and type. ZT_E_NULL_POINTER for
    /// null pointers; ZT_E_INVALID_TYPE for a shape without elements.
    virtual unsigned int CopyData(unsigned int dimCount, const tagDATAARRAYBOUND* bounds,
                                  const void* source, void** data) const = 0;
    /// Destroys the elements of a block of this shape and frees it.
    virtual unsigned int DestroyData(void* data, unsigned int dimCount,
                                     const tagDATAARRAYBOUND* bounds) const = 0;
    /// The address of the element at `position`; null for a null block.
    virtual void* GetElementAddress(void* data, long long position) const = 0;
    /// Copies the element at `indices` (one per dimension of `descriptor`) to
    /// `*value`. ZT_E_NULL_POINTER for null pointers; ZT_E_INVALID_TYPE for a
    /// block-less descriptor or an index outside its dimension.
    virtual unsigned int GetElement(const tagDATAARRAY* descriptor, const tagDATAARRAYBOUND* bounds,
                                    const int* indices, void* value) const = 0;
    /// Copies `*value` into the element at `indices`; results as GetElement.
    virtual unsigned int PutElement(const tagDATAARRAY* descriptor, const tagDATAARRAYBOUND* bounds,
                                    const int* indices, const void* value) const = 0;
    /// The product of the counts (1 for no dimensions or no bounds); the block
    /// size in bytes goes to `*byteSize` when it is not null.
    virtual unsigned int GetElementCount(unsigned int dimCount, const tagDATAARRAYBOUND* bounds,
                                         unsigned int* byteSize) const = 0;
    /// The row-major position of `indices`, or -1 when a pointer is null,
    /// there are no dimensions, or an index lies outside its dimension.
    virtual long long GetLinearIndex(unsigned int dimCount, const tagDATAARRAYBOUND* bounds,
                                     const int* indices) const = 0;
    /// Replaces the block of `descriptor` (of the type `source` serves) by a
    /// block of this accessor's type, each element converted as a variant
    /// converts, and sets the descriptor's type code. 0, or ZT_S_PARTIAL when
    /// some elements did not convert (they keep the initial value);
    /// ZT_E_NULL_POINTER; ZT_E_INVALID_OBJECT for a block-less descriptor.
    virtual unsigned int ChangeType(tagDATAARRAY* descriptor, const tagDATAARRAYBOUND* bounds,
                                    const CZtDataArrayAccessorBase* source) const = 0;
    /// Replaces the block of `descriptor` by one of the new shape holding the
    /// first min(old, new) elements in linear order, and sets the shape fields
    /// of the descriptor. The old block is destroyed last, once the
    /// descriptor describes the new one. ZT_E_NULL_POINTER;
    /// ZT_E_INVALID_OBJECT for a block-less descriptor.
    virtual unsigned int Redim(tagDATAARRAY* descriptor, unsigned int newDimCount,
                               const tagDATAARRAYBOUND* newBounds,
                               const tagDATAARRAYBOUND* oldBounds) const = 0;
    /// Stores in `*equal` whether the blocks of two descriptors of the same
    /// shape and type hold equal elements, compared as variants.
    virtual unsigned int CompareData(const tagDATAARRAY* first, const tagDATAARRAY* second,
                                     const tagDATAARRAYBOUND* bounds, bool* equal) const = 0;
    /// Constructs in `storage` (room for one CZtVariant, suitably aligned) a
    /// variant of the element at `element`, with the variant constructor of
    /// the element's class, and returns it; the caller destroys it.
    /// Conversions and comparisons of elements go through it.
    virtual CZtVariant* NewVariant(const void* element, void* storage) const = 0;

protected:
    // Accessors are shared, immutable objects that are never deleted, so
    // nothing destroys one through this base. A trivial destructor keeps them
    // constants: they exist before any code of the library runs and are never
    // torn down, whatever order the library's objects are destroyed in.
    ~CZtDataArrayAccessorBase() = default;

private:
    unsigned short m_Vartype;
};

/// The accessor of element type T (a number, one of the value classes, or an
/// interface pointer treated as a plain value).
template <class T>
class CZtDataArrayAccessor : public CZtDataArrayAccessorBase {
public:
    // GCOVR_EXCL_START: runs at compile time only, as every accessor is a constexpr object
    constexpr explicit CZtDataArrayAccessor(unsigned short vartype) noexcept
        : CZtDataArrayAccessorBase(vartype) {}
    // GCOVR_EXCL_STOP

    unsigned int CreateData(unsigned int dimCount, const tagDATAARRAYBOUND* bounds,
                            void** data) const override;
    unsigned int CopyData(unsigned int dimCount, const tagDATAARRAYBOUND* bounds,
                          const void* source, void** data) const override;
    unsigned int DestroyData(void* data, unsigned int dimCount,
                             const tagDATAARRAYBOUND* bounds) const override;
    void* GetElementAddress(void* data, long long position) const override;
    unsigned int GetElement(const tagDATAARRAY* descriptor, const tagDATAARRAYBOUND* bounds,
                            const int* indices, void* value) const override;
    unsigned int PutElement(const tagDATAARRAY* descriptor, const tagDATAARRAYBOUND* bounds,
                            const int* indices, const void* value) const override;
    unsigned int GetElementCount(unsigned int dimCount, const tagDATAARRAYBOUND* bounds,
                                 unsigned int* byteSize) const override;
    long long GetLinearIndex(unsigned int dimCount, const tagDATAARRAYBOUND* bounds,
                             const int* indices) const override;
    unsigned int ChangeType(tagDATAARRAY* descriptor, const tagDATAARRAYBOUND* bounds,
                            const CZtDataArrayAccessorBase* source) const override;
    unsigned int Redim(tagDATAARRAY* descriptor, unsigned int newDimCount,
                       const tagDATAARRAYBOUND* newBounds,
                       const tagDATAARRAYBOUND* oldBounds) const override;
    unsigned int CompareData(const tagDATAARRAY* first, const tagDATAARRAY* second,
                             const tagDATAARRAYBOUND* bounds, bool* equal) const override;
    CZtVariant* NewVariant(const void* element, void* storage) const override;

protected:
    /// Copies `count` elements from `from` into the initial elements at `to`
    /// (CopyData and Redim); the interface form adds a reference to each.
    virtual void CopyElements(const T* from, T* to, std::size_t count) const;
    /// Destroys `count` elements and frees the block.
    virtual void FreeBlock(T* block, std::size_t count) const;
    /// A new block of `count` initial elements.
    T* AllocateBlock(std::size_t count) const;
    /// The element at `indices` in the block of `descriptor` that a get or
    /// put exchanges with `*value`, or null with the refusal in `*result`
    /// (a null pointer among the arguments, or no such element).
    T* ElementAt(const tagDATAARRAY* descriptor, const tagDATAARRAYBOUND* bounds,
                 const int* indices, const void* value, unsigned int* result) const;
};

/// The accessor of an interface pointer type: every pointer in a block owns
/// one reference. Copies add a reference, destruction releases, reading gives
/// the caller a reference of its own, writing adds one to the new pointer and
/// releases the old one.
template <class T>
class CZtDataArrayAccessorRef : public CZtDataArrayAccessor<T> {
public:
    // GCOVR_EXCL_START: runs at compile time only, as every accessor is a constexpr object
    constexpr explicit CZtDataArrayAccessorRef(unsigned short vartype) noexcept
        : CZtDataArrayAccessor<T>(vartype) {}
    // GCOVR_EXCL_STOP

    unsigned int GetElement(const tagDATAARRAY* descriptor, const tagDATAARRAYBOUND* bounds,
                            const int* indices, void* value) const override;
    unsigned int PutElement(const tagDATAARRAY* descriptor, const tagDATAARRAYBOUND* bounds,
                            const int* indices, const void* value) const override;

protected:
    void CopyElements(const T* from, T* to, std::size_t count) const override;
    void FreeBlock(T* block, std::size_t count) const override;
};

/// Stores in `*out` the accessor of the type code `vartype` (flags ignored),
/// or nothing when the code cannot be an element type; returns 0, or
/// ZT_E_INVALID_OBJECT for a null `out`. The accessor is shared and lives as
/// long as the library: it is never deleted.
unsigned int CreateDataArrayAccessor(unsigned short vartype, const CZtDataArrayAccessorBase** out);

namespace detail {

/// The accessor of a type code, or null; what CreateDataArrayAccessor stores.
const CZtDataArrayAccessorBase* DataArrayAccessorOf(unsigned short vartype);

/// The number of elements of a shape, or false when a block of that many
/// elements of `elementSize` bytes could not be described (more than 2^32-1
/// elements or bytes). No dimensions count as one element.
bool CountElements(unsigned int dimCount, const tagDATAARRAYBOUND* bounds, std::size_t elementSize,
                   std::size_t* count);

}  // namespace detail

}  // namespace Varn

#endif  // ZOTREL_SRC_DATAARRAY_ACCESSOR_H
