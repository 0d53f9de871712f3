// What the object containers and maps share: counting elements, storage made
// on first use, and reading the elements and entries of any container or map
// through its interface, the one walk behind every filling member.
#ifndef ZOTREL_SRC_COLLECTIONS_OBJECTSOURCE_H
#define ZOTREL_SRC_COLLECTIONS_OBJECTSOURCE_H

#include <zotrel/objectcollections.h>
#include <zotrel/variant.h>

#include <type_traits>

namespace Varn::detail {

/// `AddRef` and `Release` of an element; a null element is never counted.
inline void AddRefItem(IZtUnknown* item) {
    if (item)
        item->AddRef();
}
inline void ReleaseItem(IZtUnknown* item) {
    if (item)
        item->Release();
}

/// The storage behind `items`, made on first use.
template <class Items>
Items& StorageOf(Items*& items) {
    if (!items)
        items = new Items;
    return *items;
}

/// `Release` of a container or map over its count: the call that brings the
/// count to 0 deletes the object.
template <class Object>
int ReleaseObject(const Object* self, CZtAtomicInt& count) {
    const int left = count.Decrement();
    if (left == 0)
        delete self;
    return left;
}

/// The iterator interface a source hands out.
template <class Source>
struct IteratorOf;
template <>
struct IteratorOf<IZtObjectEnum> {
    using Type = IZtObjectEnumIterator;
};
template <>
struct IteratorOf<IZtIntObjectMap> {
    using Type = IZtIntObjectMapIterator;
};
template <>
struct IteratorOf<IZtVariantObjectMap> {
    using Type = IZtVariantObjectMapIterator;
};

/// The element (for a map: the value) at an iterator's current position,
/// with the reference the iterator adds.
inline unsigned int ReadElement(IZtObjectEnumIterator& it, IZtUnknown** item) {
    return it.GetItem(item);
}
inline unsigned int ReadElement(IZtIntObjectMapIterator& it, IZtUnknown** item) {
    return it.GetItem(nullptr, item);
}
inline unsigned int ReadElement(IZtVariantObjectMapIterator& it, IZtUnknown** item) {
    return it.GetItem(nullptr, item);
}

/// Calls `visit(iterator)` at every position from `First` on while the
/// iterator reports another one. A step that fails ends the walk.
template <class Iterator, class Visit>
void WalkIterator(Iterator& iterator, Visit&& visit) {
    bool ok = false;
    if (ZtFailed(iterator.First(&ok)))
        return;
    while (ok) {
        visit(iterator);
        ok = false;
        if (ZtFailed(iterator.Next(&ok)))
            return;
    }
}

/// Walks every element of `source` (a collection by index, an enumeration
/// or a map through its iterator; a map gives its values) in its order.
/// Nothing happens for a null source or one that reports no elements.
/// Otherwise `prepare(count)` is called with the reported count first, then
/// `take(item)` for each element read, handing over the one reference the
/// element came with. An element the source fails to give is skipped.
template <class Source, class Prepare, class Take>
void ForEachElement(const Source* source, Prepare&& prepare, Take&& take) {
    unsigned int count = 0;
    if (!source || ZtFailed(source->GetCount(&count)) || count == 0)
        return;
    prepare(count);
    if constexpr (std::is_same_v<Source, IZtObjectCollection>) {
        for (unsigned int i = 0; i < count; ++i) {
            IZtUnknown* item = nullptr;
            if (ZtSucceeded(source->GetItem(i, &item)))
                take(item);
        }
    } else {
        CZtCoPtr<typename IteratorOf<Source>::Type> iterator;
        if (ZtFailed(source->GetIterator(&iterator)) || !iterator)
            return;
        WalkIterator(*iterator, [&take](auto& it) {
            IZtUnknown* item = nullptr;
            if (ZtSucceeded(ReadElement(it, &item)))
                take(item);
        });
    }
}

/// Walks every entry of a map source through its iterator:
/// `take(key, value)` gets the key (an `int`, or the borrowed key record of
/// a variant map, which must not be cleared) and the value with the
/// reference it came with. Nothing happens for a null or empty source.
template <class Source, class Take>
void ForEachEntry(const Source* source, Take&& take) {
    unsigned int count = 0;
    if (!source || ZtFailed(source->GetCount(&count)) || count == 0)
        return;
    CZtCoPtr<typename IteratorOf<Source>::Type> iterator;
    if (ZtFailed(source->GetIterator(&iterator)) || !iterator)
        return;
    WalkIterator(*iterator, [&take](auto& it) {
        IZtUnknown* value = nullptr;
        if constexpr (std::is_same_v<Source, IZtIntObjectMap>) {
            int key = 0;
            if (ZtSucceeded(it.GetItem(&key, &value)))
                take(key, value);
        } else {
            tagZTVARIANT key;
            ZtVariantInit(&key);
            if (ZtSucceeded(it.GetItem(&key, &value)))
                take(static_cast<const tagZTVARIANT&>(key), value);
        }
    });
}

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_COLLECTIONS_OBJECTSOURCE_H
