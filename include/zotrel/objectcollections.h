/// @file
/// Zotrel object collections: object containers and maps, and the variant vector.
///
/// The containers hold reference-counted interface objects (`IZtUnknown*`)
/// and are interface objects themselves, so modules hand them to each other
/// across module boundaries:
///
///  - `CZtObjectCollection` (`IZtObjectCollection`): an indexed sequence;
///  - `CZtObjectList` (`IZtObjectEnum`): a sequence with insertion at both ends;
///  - `CZtObjectSet` (`IZtObjectEnum`): a set that tells elements apart by
///    address;
///  - `CZtIntObjectMap` (`IZtIntObjectMap`) and `CZtVariantObjectMap`
///    (`IZtVariantObjectMap`): hash maps from integers or variants to objects.
///
/// Each container fills from any other (`PushBackElements`, `InsertElements`,
/// the converting constructors and assignments): from a collection by index,
/// from an enumeration or a map through its iterator (a map gives its values).
///
///     auto* pumps = new Varn::CZtObjectList;           // count 1: ours
///     pumps->PushBack(pump);                           // the list adds a reference
///     Varn::CZtCoPtr<Varn::IZtObjectEnumIterator> it;
///     pumps->GetIterator(&it);
///     bool ok = false;
///     for (it->First(&ok); ok; it->Next(&ok)) {
///         Varn::CZtCoPtr<Varn::IZtUnknown> item;
///         if (it->GetItem(&item) == Varn::ZT_S_OK)     // one reference, ours
///             use(item.Get());
///     }
///     pumps->Release();                                // the iterator still holds the list
///
/// Ownership. Every container and iterator is born with count 1, owned by its
/// creator, and deletes itself when `Release` brings the count to 0. Each
/// non-null element a container holds owns one reference of it, taken when it
/// enters and given back when it leaves (removal, `Clear`, destruction); null
/// elements are stored but never counted. Every element handed out
/// (`GetItem`, `GetValue`) carries one new reference that the receiver
/// releases. An iterator holds a reference to its container.
///
/// Iterators. A new iterator stands on the first element. It captures its
/// container's positions when it is made: once the container changes, the
/// iterator has no current element (`GetItem` answers `ZT_E_NOTFOUND`) and every
/// step reports false; make a new one.
///
/// Threads. Reference counts are atomic, so containers, iterators and elements
/// may be counted from any thread; a container and its iterators are used by
/// one thread at a time.
///
/// The variant vector (`CZtVector`) is described with its declarations at the
/// end of this header.
#ifndef ZOTREL_OBJECTCOLLECTIONS_H
#define ZOTREL_OBJECTCOLLECTIONS_H

#include <zotrel/foundation.h>
#include <zotrel/variant.h>

#ifdef __cplusplus

#include <QtCore/qcontainerfwd.h>

namespace Varn {

// ---- object containers and maps ----

class IZtObjectEnumIterator;
class IZtIntObjectMapIterator;
class IZtVariantObjectMapIterator;

namespace detail {
class VariantObjectKey;
}  // namespace detail

// ---------------------------------------------------------------------------
// Interfaces

/// An indexed sequence of objects.
class IZtObjectCollection : public IZtUnknown {
public:
    /// The number of elements into `*count`; `ZT_E_INVALIDARG` for a null `count`.
    virtual unsigned int GetCount(unsigned int* count) const = 0;
    /// The element at `index` into `*item` with one new reference (none for a
    /// stored null). `ZT_E_INVALIDARG` for a null `item`, `ZT_E_NOTFOUND` for
    /// an index past the end (`*item` unchanged).
    virtual unsigned int GetItem(unsigned int index, IZtUnknown** item) const = 0;
};

/// A sequence of objects walked with an iterator.
class IZtObjectEnum : public IZtUnknown {
public:
    /// The number of elements into `*count`; `ZT_E_INVALIDARG` for a null `count`.
    virtual unsigned int GetCount(unsigned int* count) const = 0;
    /// A new iterator (count 1, the caller's) standing on the first element.
    /// `ZT_E_INVALIDARG` for a null `iterator`.
    virtual unsigned int GetIterator(IZtObjectEnumIterator** iterator) const = 0;
};

/// The navigation every iterator shares. Each call reports its answer
/// through `ok` when `ok` is not null and returns 0.
class IZtIteratorBase : public IZtUnknown {
public:
    /// To the first element: true unless there is none.
    virtual unsigned int First(bool* ok) = 0;
    /// One step on: true while that reaches an element. From before the first
    /// element it returns to the first without moving.
    virtual unsigned int Next(bool* ok) = 0;
    /// To the last element: true unless there is none.
    virtual unsigned int Last(bool* ok) = 0;
    /// One step back: false once that leaves the first element (the iterator
    /// then stands before it, at index -1).
    virtual unsigned int Previous(bool* ok) = 0;
    /// The position of the current element (-1: before the first) into
    /// `*index`; `ZT_E_INVALIDARG` for a null `index`.
    virtual unsigned int GetIndex(int* index) = 0;
};

/// An iterator over the elements of an `IZtObjectEnum`.
class IZtObjectEnumIterator : public IZtIteratorBase {
public:
    /// The current element into `*item` with one new reference (none for a
    /// stored null). `ZT_E_INVALIDARG` for a null `item`; `ZT_E_NOTFOUND`
    /// (nothing stored) when there is no current element.
    virtual unsigned int GetItem(IZtUnknown** item) = 0;
};

/// An iterator over the entries of an `IZtIntObjectMap`.
class IZtIntObjectMapIterator : public IZtIteratorBase {
public:
    /// The current entry's key into `*key` and its value, with one new
    /// reference, into `*value`; either pointer may be null. `ZT_E_NOTFOUND`
    /// (nothing stored) when there is no current entry.
    virtual unsigned int GetItem(int* key, IZtUnknown** value) = 0;
};

/// An iterator over the entries of an `IZtVariantObjectMap`.
class IZtVariantObjectMapIterator : public IZtIteratorBase {
public:
    /// As `IZtIntObjectMapIterator::GetItem`. The key is a bit-for-bit copy of
    /// the map's own key record: it is borrowed, so it must be neither cleared
    /// nor changed, and not used once the entry is gone.
    virtual unsigned int GetItem(tagZTVARIANT* key, IZtUnknown** value) = 0;
};

/// A map from 32-bit integers to objects.
class IZtIntObjectMap : public IZtUnknown {
public:
    /// The number of entries; `ZT_E_INVALIDARG` for a null `count`.
    virtual unsigned int GetCount(unsigned int* count) const = 0;
    /// A new iterator (count 1, the caller's) standing on the first entry.
    virtual unsigned int GetIterator(IZtIntObjectMapIterator** iterator) const = 0;
    /// The value of `*key` into `*value` with one new reference (none for a
    /// stored null). `ZT_E_INVALIDARG` for a null pointer, `ZT_E_NOTFOUND`
    /// for an absent key (`*value` unchanged).
    virtual unsigned int GetValue(const int* key, IZtUnknown** value) const = 0;
};

/// A map from variants to objects; keys are told apart by variant equality.
class IZtVariantObjectMap : public IZtUnknown {
public:
    /// The number of entries; `ZT_E_INVALIDARG` for a null `count`.
    virtual unsigned int GetCount(unsigned int* count) const = 0;
    /// A new iterator (count 1, the caller's) standing on the first entry.
    virtual unsigned int GetIterator(IZtVariantObjectMapIterator** iterator) const = 0;
    /// As `IZtIntObjectMap::GetValue`, with a variant key.
    virtual unsigned int GetValue(const tagZTVARIANT* key, IZtUnknown** value) const = 0;
};

// ---------------------------------------------------------------------------
// Containers. Every one is born with count 1 (its creator's reference) and
// deletes itself when `Release` brings the count to 0. Each non-null element
// it holds owns one reference, taken when the element enters and given back
// when it leaves. Filling from another container appends (or, for the set,
// inserts) the source's elements in the source's order; a null source adds
// nothing. A collection or list appended to itself holds its elements twice
// (they are counted before any is added); a set or map filled from itself
// stays as it is.

/// An indexed sequence of objects; storage is made on the first insertion.
class ZOTREL_EXPORT CZtObjectCollection : public IZtObjectCollection, public CZtCrtAllocated {
public:
    /// An empty collection.
    CZtObjectCollection();
    /// An empty collection, then `PushBackElements` of the source.
    ///@{
    CZtObjectCollection(const CZtObjectCollection& other);
    explicit CZtObjectCollection(const IZtObjectCollection& source);
    explicit CZtObjectCollection(const IZtObjectCollection* source);
    explicit CZtObjectCollection(const IZtObjectEnum* source);
    explicit CZtObjectCollection(const IZtIntObjectMap* source);
    explicit CZtObjectCollection(const IZtVariantObjectMap* source);
    ///@}
    /// Releases every element.
    virtual ~CZtObjectCollection();

    /// `Clear`, then `PushBackElements`; assigning the collection to itself
    /// changes nothing. Returns this collection.
    ///@{
    CZtObjectCollection& operator=(const CZtObjectCollection& other);
    CZtObjectCollection& operator=(const IZtObjectCollection& source);
    CZtObjectCollection& operator=(const IZtObjectCollection* source);
    CZtObjectCollection& operator=(const IZtObjectEnum* source);
    CZtObjectCollection& operator=(const IZtIntObjectMap* source);
    CZtObjectCollection& operator=(const IZtVariantObjectMap* source);
    ///@}

    int AddRef() const override;
    int Release() const override;
    /// Answers `IZtUnknown` and `IZtObjectCollection`.
    unsigned int QueryInterface(const tagZTGUID& iid, IZtUnknown** out) override;
    unsigned int GetCount(unsigned int* count) const override;
    unsigned int GetItem(unsigned int index, IZtUnknown** item) const override;

    /// Releases and removes every element; the storage stays.
    void Clear();
    /// Releases and removes at most `count` elements from `start` on; the
    /// ones behind move down. A `start` at or past the end changes nothing.
    void RemoveElements(unsigned int start, unsigned int count);
    /// Makes room for `size` elements (a hint: a size that cannot be had is
    /// ignored).
    void Reserve(unsigned int size);
    /// Appends `item` (null too) and adds one reference to it.
    void PushBack(IZtUnknown* item);
    /// Appends the source's elements in its order, each with one reference
    /// (a null source adds nothing; the collection itself is appended once
    /// more).
    ///@{
    void PushBackElements(const CZtObjectCollection& source);
    void PushBackElements(const IZtObjectCollection& source);
    void PushBackElements(const IZtObjectCollection* source);
    void PushBackElements(const IZtObjectEnum* source);
    ///@}
    /// The values of a map in its iterator's order; the keys are not used.
    ///@{
    void PushBackElements(const IZtIntObjectMap* source);
    void PushBackElements(const IZtVariantObjectMap* source);
    ///@}

private:
    /// Appends an element whose reference the collection takes over.
    void Adopt(IZtUnknown* item);

    mutable CZtAtomicIntTmpl<1> m_RefCount;
    QVector<IZtUnknown*>* m_pItems;  ///< null until the first insertion or Reserve
};

/// A sequence of objects with insertion at both ends.
class ZOTREL_EXPORT CZtObjectList : public IZtObjectEnum, public CZtCrtAllocated {
public:
    /// An empty list.
    CZtObjectList();
    /// An empty list, then `PushBackElements` of the source.
    ///@{
    CZtObjectList(const CZtObjectList& other);
    explicit CZtObjectList(const IZtObjectCollection* source);
    explicit CZtObjectList(const IZtObjectEnum* source);
    explicit CZtObjectList(const IZtIntObjectMap* source);
    explicit CZtObjectList(const IZtVariantObjectMap* source);
    ///@}
    /// Releases every element.
    virtual ~CZtObjectList();

    /// `Clear`, then `PushBackElements`; assigning the list to itself changes
    /// nothing. Returns this list.
    ///@{
    CZtObjectList& operator=(const CZtObjectList& other);
    CZtObjectList& operator=(const IZtObjectEnum* source);
    CZtObjectList& operator=(const IZtObjectCollection* source);
    CZtObjectList& operator=(const IZtIntObjectMap* source);
    CZtObjectList& operator=(const IZtVariantObjectMap* source);
    ///@}

    int AddRef() const override;
    int Release() const override;
    /// Answers `IZtUnknown` and `IZtObjectEnum`.
    unsigned int QueryInterface(const tagZTGUID& iid, IZtUnknown** out) override;
    unsigned int GetCount(unsigned int* count) const override;
    /// The iterator walks the list in order and holds a reference to the
    /// list. Once the list changes, it has no current element and every
    /// step reports false.
    unsigned int GetIterator(IZtObjectEnumIterator** iterator) const override;

    /// Releases and removes every element.
    void Clear();
    /// Insert `item` (null too) at the end or the front with one reference.
    ///@{
    void PushBack(IZtUnknown* item);
    void PushFront(IZtUnknown* item);
    ///@}
    /// Release and remove the last or the first element; nothing when empty.
    ///@{
    void PopBack();
    void PopFront();
    ///@}
    /// Appends the source's elements (a map's values) in the source's order,
    /// each with one reference; a null source adds nothing, and the list
    /// itself is appended once more.
    ///@{
    void PushBackElements(const CZtObjectList& source);
    void PushBackElements(const IZtObjectCollection* source);
    void PushBackElements(const IZtObjectEnum* source);
    void PushBackElements(const IZtIntObjectMap* source);
    void PushBackElements(const IZtVariantObjectMap* source);
    ///@}

private:
    void Adopt(IZtUnknown* item);

    mutable CZtAtomicIntTmpl<1> m_RefCount;
    QList<IZtUnknown*>* m_pItems;  ///< null until the first insertion
    unsigned int m_nChanges;       ///< counts changes; iterators made before one stop
};

/// A set of objects told apart by address (null is one element too).
class ZOTREL_EXPORT CZtObjectSet : public IZtObjectEnum, public CZtCrtAllocated {
public:
    /// An empty set.
    CZtObjectSet();
    /// An empty set, then `InsertElements` of the source.
    ///@{
    CZtObjectSet(const CZtObjectSet& other);
    explicit CZtObjectSet(const IZtObjectCollection* source);
    explicit CZtObjectSet(const IZtObjectEnum* source);
    explicit CZtObjectSet(const IZtIntObjectMap* source);
    explicit CZtObjectSet(const IZtVariantObjectMap* source);
    ///@}
    /// Releases every element.
    virtual ~CZtObjectSet();

    /// `Clear`, then `InsertElements`; assigning the set to itself changes
    /// nothing. Returns this set.
    ///@{
    CZtObjectSet& operator=(const CZtObjectSet& other);
    CZtObjectSet& operator=(const IZtObjectEnum* source);
    CZtObjectSet& operator=(const IZtObjectCollection* source);
    CZtObjectSet& operator=(const IZtIntObjectMap* source);
    CZtObjectSet& operator=(const IZtVariantObjectMap* source);
    ///@}

    int AddRef() const override;
    int Release() const override;
    /// Answers `IZtUnknown` and `IZtObjectEnum`.
    unsigned int QueryInterface(const tagZTGUID& iid, IZtUnknown** out) override;
    unsigned int GetCount(unsigned int* count) const override;
    /// The iterator walks the set in an unspecified order; as the list's.
    unsigned int GetIterator(IZtObjectEnumIterator** iterator) const override;

    /// Releases and removes every element.
    void Clear();
    /// Adds `item` with one reference unless it is already in the set.
    void Insert(IZtUnknown* item);
    /// Removes `item` and releases the set's reference; nothing when absent.
    void Remove(IZtUnknown* item);
    /// `Insert` of every element of the source (a map's values); duplicates
    /// change nothing, and a null source adds nothing.
    ///@{
    void InsertElements(const CZtObjectSet& source);
    void InsertElements(const IZtObjectCollection* source);
    void InsertElements(const IZtObjectEnum* source);
    void InsertElements(const IZtIntObjectMap* source);
    void InsertElements(const IZtVariantObjectMap* source);
    ///@}

private:
    /// `Insert`, then gives back the reference `item` came with.
    void Adopt(IZtUnknown* item);

    mutable CZtAtomicIntTmpl<1> m_RefCount;
    QSet<IZtUnknown*>* m_pItems;  ///< null until the first insertion
    unsigned int m_nChanges;      ///< counts changes; iterators made before one stop
};

// ---------------------------------------------------------------------------
// Maps. Keys are unique; each non-null value owns one reference. Inserting
// under a present key replaces the value (the old one is released, unless it
// is the very object inserted, whose count then stays as it was).

/// A hash map from 32-bit integers to objects.
class ZOTREL_EXPORT CZtIntObjectMap : public IZtIntObjectMap, public CZtCrtAllocated {
public:
    /// An empty map.
    CZtIntObjectMap();
    /// An empty map, then `InsertElements` of the source.
    ///@{
    CZtIntObjectMap(const CZtIntObjectMap& other);
    explicit CZtIntObjectMap(const IZtIntObjectMap* source);
    ///@}
    /// Releases every value.
    virtual ~CZtIntObjectMap();

    /// `Clear`, then `InsertElements`; assigning the map to itself changes
    /// nothing. Returns this map.
    ///@{
    CZtIntObjectMap& operator=(const CZtIntObjectMap& other);
    CZtIntObjectMap& operator=(const IZtIntObjectMap* source);
    ///@}

    int AddRef() const override;
    int Release() const override;
    /// Answers `IZtUnknown` and `IZtIntObjectMap`.
    unsigned int QueryInterface(const tagZTGUID& iid, IZtUnknown** out) override;
    unsigned int GetCount(unsigned int* count) const override;
    /// The iterator walks the entries in an unspecified order and holds a
    /// reference to the map. Once the map changes, it has no current entry
    /// and every step reports false.
    unsigned int GetIterator(IZtIntObjectMapIterator** iterator) const override;
    unsigned int GetValue(const int* key, IZtUnknown** value) const override;

    /// Releases every value and removes every entry; the storage stays.
    void Clear();
    /// Stores `value` (null too) under `key` with one reference.
    void Insert(const int& key, IZtUnknown* value);
    /// Removes the key's entry and releases its value; nothing when absent.
    void Remove(const int& key);
    /// `Insert` of every entry of the source; a null source, or the map
    /// itself, changes nothing.
    ///@{
    void InsertElements(const CZtIntObjectMap& source);
    void InsertElements(const IZtIntObjectMap* source);
    ///@}

private:
    mutable CZtAtomicIntTmpl<1> m_RefCount;
    QHash<int, IZtUnknown*>* m_pHash;  ///< null until the first insertion
    unsigned int m_nChanges;           ///< counts changes; iterators made before one stop
};

/// A hash map from variants to objects. Each entry keeps its own copy of the
/// key (`CZtVariant` copy: a by-reference key still refers to the caller's
/// storage, which must outlive the entry unchanged). Two keys are the same
/// key when `CZtVariant` equality holds between them: 1 as `ZT_VT_I4` and 1 as
/// `ZT_VT_UI4` are different keys, and a key holding an interface equals no
/// key, itself included, so it is never found again.
class ZOTREL_EXPORT CZtVariantObjectMap : public IZtVariantObjectMap, public CZtCrtAllocated {
public:
    /// An empty map.
    CZtVariantObjectMap();
    /// An empty map, then `InsertElements` of the source.
    ///@{
    CZtVariantObjectMap(const CZtVariantObjectMap& other);
    explicit CZtVariantObjectMap(const IZtVariantObjectMap* source);
    ///@}
    /// Releases every value.
    virtual ~CZtVariantObjectMap();

    /// `Clear`, then `InsertElements`; assigning the map to itself changes
    /// nothing. Returns this map.
    ///@{
    CZtVariantObjectMap& operator=(const CZtVariantObjectMap& other);
    CZtVariantObjectMap& operator=(const IZtVariantObjectMap* source);
    ///@}
    /// Integer keys become `ZT_VT_I4` variants.
    CZtVariantObjectMap& operator=(const IZtIntObjectMap* source);

    int AddRef() const override;
    int Release() const override;
    /// Answers `IZtUnknown` and `IZtVariantObjectMap`.
    unsigned int QueryInterface(const tagZTGUID& iid, IZtUnknown** out) override;
    unsigned int GetCount(unsigned int* count) const override;
    /// As the integer map's iterator.
    unsigned int GetIterator(IZtVariantObjectMapIterator** iterator) const override;
    unsigned int GetValue(const tagZTVARIANT* key, IZtUnknown** value) const override;

    /// Releases every value and removes every entry.
    void Clear();
    /// Stores `value` under `key`; an absent key gets an entry with its own
    /// copy of `key`, a present one keeps its stored copy.
    void Insert(const CZtVariant& key, IZtUnknown* value);
    /// Removes the key's entry and releases its value; nothing when absent.
    void Remove(const CZtVariant& key);
    /// `Insert` of every entry of the source; a null source, or the map
    /// itself, changes nothing.
    ///@{
    void InsertElements(const CZtVariantObjectMap& source);
    void InsertElements(const IZtVariantObjectMap* source);
    ///@}
    /// Integer keys become `ZT_VT_I4` variants.
    void InsertElements(const IZtIntObjectMap* source);

private:
    mutable CZtAtomicIntTmpl<1> m_RefCount;
    QHash<detail::VariantObjectKey, IZtUnknown*>* m_pHash;  ///< null until the first insertion
    unsigned int m_nChanges;  ///< counts changes; iterators made before one stop
};

// ---- end of object containers and maps ----

}  // namespace Varn

#endif  // __cplusplus

// ---- variant vector ----

/// @file
/// ## The variant vector
///
/// `CZtVector` is a reference-counted, growable sequence of variants that
/// modules hand to each other through two interfaces: `IZtVariantCollection`
/// reads (count, copy of an element) and `IZtVariantCollectionMut` also
/// writes. Unlike the object containers it has no `QueryInterface`: both
/// interfaces derive from `IZtReferenced` directly.
///
///     Varn::IZtVariantCollectionMut* levels = ZtCreateVariantCollectionMut();
///     Varn::CZtVariant level(21.5);
///     levels->PushBack(&level);               // the vector keeps its own copy
///     levels->Freeze();                       // from now on read-only
///     Varn::CZtVariant first;
///     levels->GetItem(0, &first);             // `first` gets its own copy
///     ZtVariantCollectionMutDestory(levels);  // gives up the creator's reference
///
/// Ownership. A new vector has a count of 1, owned by its creator; the
/// `Release` that brings the count to 0 destroys it and every element.
/// Elements are independent copies: `PushBack` and `SetItem` store a copy of
/// the caller's record (as `ZtVariantCopy` makes it: owned objects copied,
/// interfaces with one more reference of the vector's own, a by-reference
/// record copied as the reference), and `GetItem` hands out a copy that the
/// caller owns and clears.
///
/// Freezing. `Freeze` makes the vector read-only for good: every changing
/// operation then answers `ZT_E_READONLY` and changes nothing, while
/// `GetCount` and `GetItem` keep working.
///
/// Failures leave the vector as it was, except for `PushBack` of a whole
/// collection, which keeps the elements it appended before the failure. A
/// record that cannot be copied (a type word the library does not know, a data
/// array handle that is not live, memory running out) is refused with
/// `ZT_E_FAIL`; an empty record is a valid element.
///
/// From C. The four functions below create and release vectors. The
/// operations are reached through each interface's table of operations, the
/// way C reaches COM objects:
///
///     IZtVariantCollectionMut* v = ZtCreateVariantCollectionMut();
///     unsigned int count = 0;
///     v->lpVtbl->PushBack(v, &record);
///     v->lpVtbl->GetCount(v, &count);
///     ZtVariantCollectionMutDestory(v);
///
/// A `IZtVariantCollectionMut*` is also a valid `IZtVariantCollection*` (cast
/// it): the read operations come first in both tables, in the same order.
///
/// Threads. Only the reference count is atomic: a vector may be counted from
/// any thread, but its elements are used by one thread at a time.

#ifdef __cplusplus
namespace Varn {
class IZtVariantCollection;
class IZtVariantCollectionMut;
}  // namespace Varn
#else
typedef struct IZtVariantCollection IZtVariantCollection;
typedef struct IZtVariantCollectionMut IZtVariantCollectionMut;

/// The operations of IZtVariantCollection, in the order of its table.
typedef struct IZtVariantCollectionVtbl {
    int (*AddRef)(const IZtVariantCollection* self);
    int (*Release)(const IZtVariantCollection* self);
    unsigned int (*GetCount)(const IZtVariantCollection* self, unsigned int* count);
    unsigned int (*GetItem)(const IZtVariantCollection* self, unsigned int index,
                            tagZTVARIANT* item);
} IZtVariantCollectionVtbl;

struct IZtVariantCollection {
    const IZtVariantCollectionVtbl* lpVtbl;
};

/// The operations of IZtVariantCollectionMut, in the order of its table; the
/// two PushBack overloads are PushBackCollection and PushBack.
typedef struct IZtVariantCollectionMutVtbl {
    int (*AddRef)(const IZtVariantCollectionMut* self);
    int (*Release)(const IZtVariantCollectionMut* self);
    unsigned int (*GetCount)(const IZtVariantCollectionMut* self, unsigned int* count);
    unsigned int (*GetItem)(const IZtVariantCollectionMut* self, unsigned int index,
                            tagZTVARIANT* item);
    unsigned int (*SetItem)(IZtVariantCollectionMut* self, unsigned int index, tagZTVARIANT* item);
    unsigned int (*Reserve)(IZtVariantCollectionMut* self, unsigned int size);
    unsigned int (*PushBackCollection)(IZtVariantCollectionMut* self, IZtVariantCollection* source);
    unsigned int (*PushBack)(IZtVariantCollectionMut* self, tagZTVARIANT* item);
    unsigned int (*PopBack)(IZtVariantCollectionMut* self);
    unsigned int (*Clear)(IZtVariantCollectionMut* self);
    unsigned int (*Freeze)(IZtVariantCollectionMut* self);
} IZtVariantCollectionMutVtbl;

struct IZtVariantCollectionMut {
    const IZtVariantCollectionMutVtbl* lpVtbl;
};
#endif

ZOTREL_NAMESPACE_BEGIN

/// A new, empty, writable vector with a count of 1, which the caller owns.
/// Null only when memory runs out. The two differ only in the interface they
/// return.
///@{
ZOTREL_C_API IZtVariantCollection* ZtCreateVariantCollection(void);
ZOTREL_C_API IZtVariantCollectionMut* ZtCreateVariantCollectionMut(void);
///@}

/// Releases one reference of `collection` (the vector lives on while others
/// hold references) and returns 0; ZT_E_NULL_POINTER for a null pointer. The
/// second keeps its historical spelling "Destory".
///@{
ZOTREL_C_API unsigned int ZtVariantCollectionDestroy(IZtVariantCollection* collection);
ZOTREL_C_API unsigned int ZtVariantCollectionMutDestory(IZtVariantCollectionMut* collection);
///@}

ZOTREL_NAMESPACE_END

#ifdef __cplusplus

namespace Varn {

/// Read access to a sequence of variants.
class IZtVariantCollection : public IZtReferenced {
public:
    /// Stores the number of elements in `count`; 0. A C caller's null
    /// pointer gives ZT_E_INVALIDARG.
    virtual unsigned int GetCount(unsigned int& count) const = 0;
    /// Replaces the value of the valid record `item` with a copy of element
    /// `index`, which the caller then owns. ZT_E_INVALIDARG for a null
    /// `item`, ZT_E_FAIL for an index past the end or a copy that fails (the
    /// record is untouched then).
    virtual unsigned int GetItem(unsigned int index, tagZTVARIANT* item) const = 0;
};

/// Read and write access to a sequence of variants. Every changing
/// operation answers ZT_E_READONLY once the sequence is frozen. A null
/// pointer argument gives ZT_E_INVALIDARG before anything else (pass a typed
/// null to `PushBack`: `nullptr` alone matches both overloads).
class IZtVariantCollectionMut : public IZtVariantCollection {
public:
    /// Element `index` becomes a copy of `item`. ZT_E_FAIL for an index
    /// past the end or a record that cannot be copied.
    virtual unsigned int SetItem(unsigned int index, tagZTVARIANT* item) = 0;
    /// Makes room for `size` elements without changing the count. ZT_E_FAIL
    /// when the array cannot be that large or the memory cannot be had.
    virtual unsigned int Reserve(unsigned int size) = 0;
    /// Appends copies of all elements of `source` in order (`source` may be
    /// this vector: its count is read once, so its elements are doubled).
    /// The first failure of the source's `GetCount` or `GetItem`, or of
    /// appending, is returned at once; elements appended before it stay.
    virtual unsigned int PushBack(IZtVariantCollection* source) = 0;
    /// Appends a copy of `item`. ZT_E_FAIL for a record that cannot be copied
    /// or when the vector cannot grow.
    virtual unsigned int PushBack(tagZTVARIANT* item) = 0;
    /// Removes and releases the last element; an empty vector stays as it is
    /// (0).
    virtual unsigned int PopBack() = 0;
    /// Removes and releases every element; the room reserved stays.
    virtual unsigned int Clear() = 0;
    /// Makes the vector read-only for good; 0, also when it already is.
    virtual unsigned int Freeze() = 0;
};

/// The library's variant vector. Create it with `new` (or the C functions)
/// and let go of it with `Release`; it destroys itself at count 0, so it
/// cannot be derived from.
class ZOTREL_EXPORT CZtVector final : public IZtVariantCollectionMut, public CZtCrtAllocated {
public:
    /// Empty and writable, with a count of 1 owned by the creator.
    CZtVector();
    /// Releases every element.
    ~CZtVector();
    /// Not copyable: a vector is shared by reference counting.
    CZtVector(const CZtVector&) = delete;
    /// Not assignable.
    CZtVector& operator=(const CZtVector&) = delete;

    int AddRef() const override;
    int Release() const override;
    unsigned int GetCount(unsigned int& count) const override;
    unsigned int GetItem(unsigned int index, tagZTVARIANT* item) const override;
    unsigned int SetItem(unsigned int index, tagZTVARIANT* item) override;
    unsigned int Reserve(unsigned int size) override;
    unsigned int PushBack(IZtVariantCollection* source) override;
    unsigned int PushBack(tagZTVARIANT* item) override;
    unsigned int PopBack() override;
    unsigned int Clear() override;
    unsigned int Freeze() override;

private:
    mutable CZtAtomicIntTmpl<1> m_RefCount;
    // The elements: a block of `m_nCapacity` records, the first `m_nCount`
    // of which each own their value as a CZtVariant does. Growing the block
    // moves the records bit for bit, never copies a value (a data array
    // deeply) again.
    tagZTVARIANT* m_pElements;
    unsigned int m_nCount;
    unsigned int m_nCapacity;
    bool m_bWritable;
};

}  // namespace Varn

#endif  // __cplusplus

// ---- end of variant vector ----

#endif  // ZOTREL_OBJECTCOLLECTIONS_H
