/// @file
/// Zotrel data arrays: typed multi-dimensional arrays behind registered handles.
///
/// A data array holds elements of one variant type code (`ZT_VT_I4`,
/// `ZT_VT_R8`, `ZT_VT_STRING`, `ZT_VT_UNKNOWN`, ...; see `<zotrel/variant.h>`)
/// in any number of dimensions, each with its own element count and lower
/// bound. It is how whole tables of values cross module boundaries, and it is
/// the payload of a variant whose type word carries `ZT_VT_ARRAY`.
///
/// Handles and the registry. `ZtDataArrayCreate` and `ZtDataArrayCopy` hand
/// out a handle: the address of the array's descriptor `tagDATAARRAY`, which
/// callers may read but never write. One process-wide registry knows every
/// live array. Every function looks its handle up there first and answers
/// `ZT_E_INVALID_TYPE` for an address it does not know (never created, or
/// already destroyed) without ever reading through it. A handle is an
/// address, though: once its array is destroyed, a new array may be given the
/// same address, so a destroyed handle must not be used again. Null pointer
/// arguments give `ZT_E_NULL_POINTER` before anything else happens.
///
/// Element order. Elements lie in one block in row-major order: the last index
/// varies fastest, and every index counts from its dimension's lower bound. In
/// a 2 x 3 array with lower bounds 0 the element (1, 2) is at position
/// 1 * 3 + 2 = 5. An index outside its dimension is refused with
/// `ZT_E_INVALID_TYPE`; nothing outside the block is ever read or written.
///
/// What an element is. Numbers are stored as themselves, zero when created.
/// Values of the classes `CZtString`, `CZtBlob`, `CZtTime`, `CZtTimeSpan`,
/// `CZtGUID`, `CZtCHROMID`, `CZtVariant` and `CZtMap` are objects in the
/// block: `ZtDataArrayPutElement` assigns a copy in, `ZtDataArrayGetElement`
/// assigns a copy to the caller's object (for `ZT_VT_VARIANT` a
/// `tagZTVARIANT` goes in and a `CZtVariant` comes out). Interfaces
/// (`ZT_VT_UNKNOWN`, `ZT_VT_REFERENCED`, `ZT_VT_DISPATCH`) are pointers of
/// which the array holds one reference each; `ZtDataArrayGetElement` gives the
/// caller a reference of its own. Copies of arrays are deep.
///
/// Locking. Every call locks the array it works on for its duration, so calls
/// on one array from several threads are serialised. `ZtDataArrayLock` (and
/// `ZtDataArrayAccessData`, which also hands out the block's address) keeps
/// that lock across calls until the matching `ZtDataArrayUnlock`
/// (`ZtDataArrayUnaccessData`): the holding thread may call every function
/// meanwhile, other threads' calls on that array wait. The lock is re-entrant;
/// an unlock by a thread that does not hold it is refused with
/// `ZT_E_INVALID_OBJECT`. Waiting for one array never holds up work on the
/// others. `ZtDataArrayDestroy` also waits for other threads to let go of the
/// array, and a thread that destroys an array it holds itself gives up its
/// hold. The block address from `ZtDataArrayAccessData` and the bounds from
/// `ZtDataArrayGetBounds` stay valid until the array is changed in shape or
/// type (`ZtDataArrayRedim`, `ZtDataArrayChangeType`) or destroyed. Client
/// code that an array runs (the `Release` of an interface element, say) may
/// call back into it on the same thread; a call that would resize, convert or
/// destroy it while it works on its elements is refused with
/// `ZT_E_INVALID_OBJECT`, as is every call but a lock or unlock while it is
/// being resized, converted or destroyed.
///
/// Ownership. Whoever receives a handle owns the array and destroys it with
/// `ZtDataArrayDestroy`. A by-value array variant owns its array; `CZtDataArray`
/// owns the array of its handle.
///
///     tagDATAARRAYBOUND bound = {5, 0};                     // five elements, 0..4
///     tagDATAARRAY* levels = ZtDataArrayCreate(ZT_VT_R8, 1, &bound);
///     int index = 3;
///     double level = 21.5;
///     ZtDataArrayPutElement(levels, &index, &level);
///     Varn::CZtVariant all(*levels);                        // a registered deep copy
///     all.ZtVariantChangeType(Varn::ZT_VT_STRING);          // every element as text
///     ZtDataArrayDestroy(levels);
///
///     Varn::CZtDataArray grid(Varn::ZT_VT_I4, 1, 3, 0);     // the class form
///     int first = 0, value = 7;
///     grid.PutElement(&first, &value);
///
/// The records and the C functions also compile as C11.

#ifndef ZOTREL_DATAARRAY_H
#define ZOTREL_DATAARRAY_H

#include <zotrel/foundation.h>

#ifndef __cplusplus
#include <stdbool.h>
#endif

ZOTREL_NAMESPACE_BEGIN

/// One dimension: its number of elements and the index of its first one.
typedef struct tagDATAARRAYBOUND {
    unsigned int count;  ///< Number of elements.
    int lowerBound;      ///< Index of the first element.
} tagDATAARRAYBOUND, DATAARRAYBOUND;
/// @typedef DATAARRAYBOUND
/// `tagDATAARRAYBOUND` under its second name.

/// The descriptor of a data array; its address is the array's handle. Only
/// the library writes it. 24 bytes with 4-byte pointers, 32 with 8-byte ones.
typedef struct tagDATAARRAY {
    unsigned int dimCount;         ///< Number of dimensions.
    unsigned int firstCount;       ///< Element count of the first dimension.
    unsigned short vartype;        ///< Element type code, without flags.
    unsigned short reserved;       ///< Zero.
    void* data;                    ///< The element block, or null when there is none.
    tagDATAARRAYBOUND firstBound;  ///< The first dimension's bound.
} tagDATAARRAY, DATAARRAY;
/// @typedef DATAARRAY
/// `tagDATAARRAY` under its second name.

// Results, unless a function says otherwise: 0 success, ZT_E_NULL_POINTER
// for a null pointer argument, ZT_E_INVALID_TYPE for a handle that is not a
// live array.

/// A new array of `dimCount` dimensions with elements of type `vartype`
/// (flags are dropped): numbers zero, objects default-constructed, interface
/// pointers null. A type code that cannot be an element, or a shape without
/// elements, gives an array without an element block. Returns null only for a
/// null `bounds`.
ZOTREL_C_API tagDATAARRAY* ZtDataArrayCreate(unsigned short vartype, unsigned int dimCount,
                                             const tagDATAARRAYBOUND* bounds);

/// Stores in `*out` the handle of a new, independent deep copy of `source`.
/// An array without dimensions copies to a null handle (result 0).
ZOTREL_C_API unsigned int ZtDataArrayCopy(tagDATAARRAY* source, tagDATAARRAY** out);

/// Destroys the array: its elements are destroyed or released and the handle
/// becomes unknown. Waits while another thread holds the array.
ZOTREL_C_API unsigned int ZtDataArrayDestroy(tagDATAARRAY* array);

/// Takes the array's lock and keeps it until ZtDataArrayUnlock (waiting while
/// another thread holds it; the holding thread may lock again).
ZOTREL_C_API unsigned int ZtDataArrayLock(tagDATAARRAY* array);

/// Gives up one hold taken by ZtDataArrayLock or ZtDataArrayAccessData.
/// ZT_E_INVALID_OBJECT when the calling thread holds none.
ZOTREL_C_API unsigned int ZtDataArrayUnlock(tagDATAARRAY* array);

/// As ZtDataArrayLock, and stores the element block's address (null when the
/// array has none) in `*data`.
ZOTREL_C_API unsigned int ZtDataArrayAccessData(tagDATAARRAY* array, void** data);

/// ZtDataArrayUnlock.
ZOTREL_C_API unsigned int ZtDataArrayUnaccessData(tagDATAARRAY* array);

/// Copies the element at `indices` (one per dimension) to `*value`, whose
/// type the element type decides. ZT_E_INVALID_TYPE for an index outside its
/// dimension (also for any index of an array without elements);
/// ZT_E_INVALID_OBJECT for an array without dimensions or of a type code that
/// cannot be an element.
ZOTREL_C_API unsigned int ZtDataArrayGetElement(tagDATAARRAY* array, int* indices, void* value);

/// Copies `*value` into the element at `indices`; results as
/// ZtDataArrayGetElement.
ZOTREL_C_API unsigned int ZtDataArrayPutElement(tagDATAARRAY* array, int* indices, void* value);

/// Stores the element type code (without flags) in `*vartype`.
ZOTREL_C_API unsigned int ZtDataArrayGetVartype(tagDATAARRAY* array, unsigned short* vartype);

/// Stores the number of dimensions in `*dimCount` and a pointer to the array's
/// own bounds (not a copy, `dimCount` of them) in `*bounds`.
/// ZT_E_INVALID_OBJECT for an array without dimensions.
ZOTREL_C_API unsigned int ZtDataArrayGetBounds(tagDATAARRAY* array, unsigned int* dimCount,
                                               tagDATAARRAYBOUND** bounds);

/// Stores the number of elements in `*count` and, when `byteSize` is not
/// null, the size of the block in bytes in `*byteSize`. An array without dimensions has 0 elements.
/// For a type code that cannot be an element the result is 0 and nothing is written.
ZOTREL_C_API unsigned int ZtDataArrayGetElementCount(tagDATAARRAY* array, unsigned int* count,
                                                     unsigned int* byteSize);

/// Converts every element to the type code `vartype` as ZtVariantChangeType
/// converts a variant; `flags` is not used. Returns ZT_S_PARTIAL (1) when some
/// elements did not convert (they hold the new type's initial value);
/// ZT_E_INVALID_OBJECT for an array without dimensions or elements, or when
/// either type code cannot be an element.
ZOTREL_C_API unsigned int ZtDataArrayChangeType(tagDATAARRAY* array, unsigned short flags,
                                                unsigned short vartype);

/// Gives the array a new shape. Elements keep their linear position (not their
/// coordinates); the ones beyond the new size are destroyed, new ones get the
/// initial value. A shape without elements or dimensions leaves the array
/// without a block. ZT_E_INVALID_TYPE for a null `bounds`;
/// ZT_E_NOT_RESIZABLE for an array without dimensions; ZT_E_INVALID_OBJECT
/// for an array without elements or of a type code that cannot be an element.
ZOTREL_C_API unsigned int ZtDataArrayRedim(tagDATAARRAY* array, unsigned int dimCount,
                                           const tagDATAARRAYBOUND* bounds);

/// Compares two arrays. When their shapes differ (dimension count, or any
/// count or lower bound) `*equal` is not written: set it to false first.
/// Otherwise it becomes true when both handles are the same array or hold
/// equal elements of the same type code (elements compare as variants do).
ZOTREL_C_API unsigned int ZtDataArrayCompare(tagDATAARRAY* first, tagDATAARRAY* second,
                                             bool* equal);

ZOTREL_NAMESPACE_END

#ifdef __cplusplus

namespace Varn {

class CZtBlob;
class CZtVariant;
struct tagZTVARIANT;

/// One dimension of a data array, laid out exactly as `tagDATAARRAYBOUND`,
/// so an array of either may be passed where an array of the other is
/// expected.
class ZOTREL_EXPORT CZtDataArrayBound {
public:
    /// `count` elements from index `lowerBound`.
    CZtDataArrayBound(unsigned int count = 0, int lowerBound = 0);
    /// The same count and lower bound.
    ///@{
    CZtDataArrayBound(const tagDATAARRAYBOUND& other);
    CZtDataArrayBound(const CZtDataArrayBound& other);
    ///@}
    /// Nothing to free.
    ~CZtDataArrayBound();

    /// Takes the other's count and lower bound; returns this bound.
    ///@{
    CZtDataArrayBound& operator=(const tagDATAARRAYBOUND& other);
    CZtDataArrayBound& operator=(const CZtDataArrayBound& other);
    ///@}
    /// `count` elements from index 0.
    CZtDataArrayBound& operator=(unsigned int count);

    /// Equal when both the count and the lower bound are.
    bool operator==(const CZtDataArrayBound& other) const;
    /// True when the count or the lower bound differs.
    bool operator!=(const CZtDataArrayBound& other) const;

    /// The number of elements.
    unsigned int GetCount() const;
    /// The index of the first element.
    int GetLowerBound() const;
    /// Sets the count and returns it.
    unsigned int SetCount(unsigned int count);
    /// Sets the index of the first element.
    void SetLowerBound(int lowerBound);
    /// The index of the last element: `lowerBound + count - 1` (wrapping in
    /// two's complement; `lowerBound - 1` for a dimension without elements).
    int GetUpperBound() const;
    /// The zero-based position of `index` in the dimension: `index - lowerBound`
    /// (wrapping in two's complement; no range check).
    int GetAbsoluteIndex(int index) const;

    unsigned int count;  ///< Number of elements.
    int lowerBound;      ///< Index of the first element.
};

/// A data array as a value: owns at most one handle and destroys its array
/// when it lets go of it. Copies are deep. Every operation forwards to the C
/// function of the same name with the held handle; without an array they
/// answer ZT_E_NULL_POINTER. One object is used by one thread at a time.
class ZOTREL_EXPORT CZtDataArray : public CZtCrtAllocated {
public:
    /// No array.
    CZtDataArray();
    /// `Create(vartype, dimCount, count, lowerBound)`.
    CZtDataArray(unsigned short vartype, unsigned int dimCount, unsigned int count, int lowerBound);
    /// `Create(vartype, dimCount, bounds)`.
    ///@{
    CZtDataArray(unsigned short vartype, unsigned int dimCount, const CZtDataArrayBound* bounds);
    CZtDataArray(unsigned short vartype, unsigned int dimCount, const tagDATAARRAYBOUND* bounds);
    ///@}
    /// With `attach` the object takes over `handle` and nulls the caller's
    /// pointer; without it the object holds a copy of that array.
    CZtDataArray(tagDATAARRAY*& handle, bool attach);
    /// A copy of the other's array (none if it has none).
    CZtDataArray(const CZtDataArray& other);
    /// A one-dimensional array of one ZT_VT_BLOB element, a copy of `bytes`.
    CZtDataArray(const CZtBlob& bytes);
    /// For an array variant a copy of its array (none for a null reference);
    /// for any other variant a one-element ZT_VT_VARIANT array holding a copy
    /// of it.
    CZtDataArray(const CZtVariant& value);
    /// Destroys the array.
    virtual ~CZtDataArray();

    /// Assignments take a copy of the new array and destroy the held one.
    /// Assigning an object or handle to itself changes nothing. A null object
    /// pointer changes nothing either; a null handle, blob or variant pointer
    /// leaves no array. The blob and variant forms make the array the matching
    /// constructor makes. Returns this object.
    ///@{
    CZtDataArray& operator=(const CZtDataArray& other);
    CZtDataArray& operator=(const CZtDataArray* other);
    CZtDataArray& operator=(tagDATAARRAY* handle);
    CZtDataArray& operator=(const CZtBlob& bytes);
    CZtDataArray& operator=(const CZtVariant& value);
    CZtDataArray& operator=(const CZtBlob* bytes);
    CZtDataArray& operator=(const CZtVariant* value);
    ///@}

    /// True for the same object, otherwise `Compare`.
    bool operator==(const CZtDataArray& other) const;
    /// The negation of `operator==`.
    bool operator!=(const CZtDataArray& other) const;

    /// A new array with one bound; `dimCount` is 0 or 1 (anything larger gives
    /// ZT_E_INVALIDARG and keeps the held array).
    unsigned int Create(unsigned short vartype, unsigned int dimCount, unsigned int count,
                        int lowerBound);
    /// As the next overload; ZT_E_NULL_POINTER for null bounds (the held
    /// array is kept).
    unsigned int Create(unsigned short vartype, unsigned int dimCount,
                        const CZtDataArrayBound* bounds);
    /// Destroys the held array and creates a new one (`ZtDataArrayCreate`);
    /// ZT_E_INVALID_OBJECT when no handle was obtained (null bounds).
    unsigned int Create(unsigned short vartype, unsigned int dimCount,
                        const tagDATAARRAYBOUND* bounds);
    /// Destroys the held array; ZT_E_NULL_POINTER when there is none.
    unsigned int Destroy();

    /// `ZtDataArrayLock` of the held array.
    unsigned int Lock();
    /// `ZtDataArrayUnlock` of the held array.
    unsigned int Unlock();
    /// `ZtDataArrayAccessData` of the held array.
    unsigned int AccessData(void** data);
    /// `ZtDataArrayUnaccessData` of the held array.
    unsigned int UnaccessData();
    /// `ZtDataArrayGetElement` of the held array.
    unsigned int GetElement(int* indices, void* value);
    /// `ZtDataArrayPutElement` of the held array.
    unsigned int PutElement(int* indices, void* value);
    /// `ZtDataArrayGetVartype` of the held array.
    unsigned int GetVartype(unsigned short* vartype) const;
    /// `ZtDataArrayGetBounds` of the held array.
    unsigned int GetBounds(unsigned int& dimCount, tagDATAARRAYBOUND*& bounds) const;
    /// The array's own bounds seen as `CZtDataArrayBound`s; ZT_E_NULL_POINTER
    /// when there are none.
    unsigned int GetBounds(unsigned int& dimCount, CZtDataArrayBound*& bounds) const;
    /// `ZtDataArrayGetElementCount` of the held array.
    unsigned int GetElementCount(unsigned int& count, unsigned int* byteSize) const;
    /// `ZtDataArrayChangeType(handle, 0, vartype)`.
    unsigned int ZtDataArrayChangeType(unsigned short vartype);
    /// `ZtDataArrayRedim` of the held array; ZT_E_NULL_POINTER for null
    /// bounds.
    ///@{
    unsigned int ZtDataArrayRedim(unsigned int dimCount, const tagDATAARRAYBOUND* bounds);
    unsigned int ZtDataArrayRedim(unsigned int dimCount, const CZtDataArrayBound* bounds);
    ///@}

    /// True only when `ZtDataArrayCompare` reports equal elements; arrays of
    /// different shapes, and objects without arrays, are not equal.
    bool Compare(const CZtDataArray& other) const;

    /// Destroys the held array and takes over `handle`, nulling the caller's
    /// pointer. ZT_E_INVALID_TYPE for a null handle.
    unsigned int Attach(tagDATAARRAY*& handle);
    /// Destroys the held array and takes over the array a variant holds (or,
    /// by reference, the one its reference designates), leaving the variant
    /// empty. ZT_E_INVALIDARG for a variant without an array (the held array
    /// is gone all the same); ZT_E_INVALID_TYPE for a null record pointer.
    unsigned int Attach(tagZTVARIANT*& value);
    /// As `Attach(tagZTVARIANT*&)` with the variant's record.
    unsigned int Attach(CZtVariant& value);
    /// Moves the array into the record (cleared first), which owns it from
    /// then on as a ZT_VT_ARRAY variant; this object holds no array. Returns
    /// 0, or ZT_E_NULL_POINTER for a null record. An object without an array
    /// writes the type word `ZT_VT_ARRAY` with a null handle.
    unsigned int Detach(tagZTVARIANT* value);
    /// Hands out the handle without destroying the array; the caller owns it.
    tagDATAARRAY* Detach();

    /// Stores a new object without an array in `*out` (nothing for a null
    /// `out`); free it with `DestroyDataArray`.
    static void CreateDataArray(CZtDataArray** out);
    /// Deletes an object made by `CreateDataArray`, destroying its array;
    /// null is ignored.
    static void DestroyDataArray(CZtDataArray* object);

private:
    friend class CZtVariant;

    tagDATAARRAY* m_pDataArray;
};

}  // namespace Varn

#endif  // __cplusplus

#endif  // ZOTREL_DATAARRAY_H
