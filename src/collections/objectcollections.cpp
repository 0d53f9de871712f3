// The object containers: CZtObjectCollection, CZtObjectList, CZtObjectSet and
// the iterators of the list and the set.
#include <zotrel/objectcollections.h>

#include <QList>
#include <QSet>
#include <QVector>

#include <climits>
#include <new>

#include "collections/iteratorbase.h"
#include "collections/objectsource.h"

namespace Varn {

using detail::AddRefItem;
using detail::ForEachElement;
using detail::ReleaseItem;
using detail::ReleaseObject;
using detail::StorageOf;

namespace {

using ItemVector = QVector<IZtUnknown*>;
using ItemList = QList<IZtUnknown*>;
using ItemSet = QSet<IZtUnknown*>;

template <class Items>
void ReleaseAll(const Items& items) {
    for (IZtUnknown* item : items)
        ReleaseItem(item);
}

/// Empties `items` first and releases what it held afterwards, so that an
/// element whose release runs code that comes back to the container finds
/// it consistent. False when there was nothing to remove.
template <class Items>
bool ClearItems(Items* items) {
    if (!items || items->isEmpty())
        return false;
    Items old;
    old.swap(*items);
    ReleaseAll(old);
    return true;
}

template <class Items>
unsigned int CountOf(const Items* items, unsigned int* count) {
    if (!count)
        return ZT_E_INVALIDARG;
    *count = items ? static_cast<unsigned int>(items->size()) : 0u;
    return ZT_S_OK;
}

}  // namespace

namespace detail {

/// The element at an enumeration iterator's current position.
template <class Owner, class Items>
class EnumIterator
    : public detail::OwnedIterator<Owner, Items, IZtObjectEnumIterator, IID_IZtObjectEnumIterator> {
public:
    using detail::OwnedIterator<Owner, Items, IZtObjectEnumIterator,
                                IID_IZtObjectEnumIterator>::OwnedIterator;

    unsigned int GetItem(IZtUnknown** item) override {
        if (!item)
            return ZT_E_INVALIDARG;
        const auto* position = this->Current();
        if (!position)
            return ZT_E_NOTFOUND;
        *item = **position;
        AddRefItem(*item);
        return ZT_S_OK;
    }
};

}  // namespace detail

/// Walks a list in order.
class CZtObjectListIterator final : public detail::EnumIterator<CZtObjectList, ItemList> {
public:
    using EnumIterator::EnumIterator;
};

/// Walks a set in its hash order.
class CZtObjectSetIterator final : public detail::EnumIterator<CZtObjectSet, ItemSet> {
public:
    using EnumIterator::EnumIterator;
};

// ---------------------------------------------------------------------------
// CZtObjectCollection

CZtObjectCollection::CZtObjectCollection() : m_pItems(nullptr) {}

CZtObjectCollection::CZtObjectCollection(const CZtObjectCollection& other)
    : IZtObjectCollection(), CZtCrtAllocated(), m_pItems(nullptr) {
    PushBackElements(other);
}

CZtObjectCollection::CZtObjectCollection(const IZtObjectCollection& source) : m_pItems(nullptr) {
    PushBackElements(source);
}

CZtObjectCollection::CZtObjectCollection(const IZtObjectCollection* source) : m_pItems(nullptr) {
    PushBackElements(source);
}

CZtObjectCollection::CZtObjectCollection(const IZtObjectEnum* source) : m_pItems(nullptr) {
    PushBackElements(source);
}

CZtObjectCollection::CZtObjectCollection(const IZtIntObjectMap* source) : m_pItems(nullptr) {
    PushBackElements(source);
}

CZtObjectCollection::CZtObjectCollection(const IZtVariantObjectMap* source) : m_pItems(nullptr) {
    PushBackElements(source);
}

CZtObjectCollection::~CZtObjectCollection() {
    ItemVector* items = m_pItems;
    m_pItems = nullptr;
    if (items) {
        ReleaseAll(*items);
        delete items;
    }
}

CZtObjectCollection& CZtObjectCollection::operator=(const CZtObjectCollection& other) {
    return *this = static_cast<const IZtObjectCollection*>(&other);
}

CZtObjectCollection& CZtObjectCollection::operator=(const IZtObjectCollection& source) {
    return *this = &source;
}

// Each assignment holds a reference to its source while it works: the source
// may be kept alive only by this container's own elements, which Clear
// releases.

CZtObjectCollection& CZtObjectCollection::operator=(const IZtObjectCollection* source) {
    if (source != this) {
        const CZtCoPtr<const IZtObjectCollection> keep(source);
        Clear();
        PushBackElements(source);
    }
    return *this;
}

CZtObjectCollection& CZtObjectCollection::operator=(const IZtObjectEnum* source) {
    const CZtCoPtr<const IZtObjectEnum> keep(source);
    Clear();
    PushBackElements(source);
    return *this;
}

CZtObjectCollection& CZtObjectCollection::operator=(const IZtIntObjectMap* source) {
    const CZtCoPtr<const IZtIntObjectMap> keep(source);
    Clear();
    PushBackElements(source);
    return *this;
}

CZtObjectCollection& CZtObjectCollection::operator=(const IZtVariantObjectMap* source) {
    const CZtCoPtr<const IZtVariantObjectMap> keep(source);
    Clear();
    PushBackElements(source);
    return *this;
}

int CZtObjectCollection::AddRef() const {
    return m_RefCount.Increment();
}

int CZtObjectCollection::Release() const {
    return ReleaseObject(this, m_RefCount);
}

unsigned int CZtObjectCollection::QueryInterface(const tagZTGUID& iid, IZtUnknown** out) {
    return detail::AnswerQueryInterface(this, iid, out,
                                        {&IID_IZtUnknown, &IID_IZtObjectCollection});
}

unsigned int CZtObjectCollection::GetCount(unsigned int* count) const {
    return CountOf(m_pItems, count);
}

unsigned int CZtObjectCollection::GetItem(unsigned int index, IZtUnknown** item) const {
    if (!item)
        return ZT_E_INVALIDARG;
    if (!m_pItems || index >= static_cast<unsigned int>(m_pItems->size()))
        return ZT_E_NOTFOUND;
    *item = m_pItems->at(static_cast<int>(index));
    AddRefItem(*item);
    return ZT_S_OK;
}

void CZtObjectCollection::Clear() {
    ClearItems(m_pItems);
}

void CZtObjectCollection::RemoveElements(unsigned int start, unsigned int count) {
    if (!m_pItems)
        return;
    const unsigned int size = static_cast<unsigned int>(m_pItems->size());
    if (start >= size)
        return;
    const unsigned int remaining = size - start;
    const int taken = static_cast<int>(count < remaining ? count : remaining);
    if (taken == 0)
        return;
    const ItemVector removed = m_pItems->mid(static_cast<int>(start), taken);
    m_pItems->remove(static_cast<int>(start), taken);
    ReleaseAll(removed);
}

void CZtObjectCollection::Reserve(unsigned int size) {
    // A Qt array block holds at most INT_MAX bytes: a larger room can never
    // be had, so it is not asked for.
    constexpr unsigned int kMostElements = (INT_MAX - 64) / sizeof(IZtUnknown*);
    ItemVector& items = StorageOf(m_pItems);
    if (size > kMostElements)
        return;
    try {
        items.reserve(static_cast<int>(size));
    } catch (const std::bad_alloc&) {
        // Only a hint: the elements still go in one by one.
    }
}

void CZtObjectCollection::PushBack(IZtUnknown* item) {
    // Stored first: if storing fails, no reference has been taken.
    Adopt(item);
    AddRefItem(item);
}

void CZtObjectCollection::Adopt(IZtUnknown* item) {
    StorageOf(m_pItems).append(item);
}

void CZtObjectCollection::PushBackElements(const CZtObjectCollection& source) {
    // The count is read once, so a collection appended to itself doubles.
    const int count = source.m_pItems ? source.m_pItems->size() : 0;
    if (count == 0)
        return;
    Reserve(static_cast<unsigned int>(m_pItems ? m_pItems->size() : 0) +
            static_cast<unsigned int>(count));
    for (int i = 0; i < count; ++i)
        PushBack(source.m_pItems->at(i));
}

void CZtObjectCollection::PushBackElements(const IZtObjectCollection& source) {
    PushBackElements(&source);
}

namespace {

/// Room for `count` more elements.
void ReserveMore(CZtObjectCollection& target, unsigned int count) {
    unsigned int size = 0;
    target.GetCount(&size);
    target.Reserve(count <= UINT_MAX - size ? size + count : UINT_MAX);
}

}  // namespace

void CZtObjectCollection::PushBackElements(const IZtObjectCollection* source) {
    if (source == this) {
        PushBackElements(*this);
        return;
    }
    ForEachElement(
        source, [this](unsigned int count) { ReserveMore(*this, count); },
        [this](IZtUnknown* item) { Adopt(item); });
}

void CZtObjectCollection::PushBackElements(const IZtObjectEnum* source) {
    ForEachElement(
        source, [this](unsigned int count) { ReserveMore(*this, count); },
        [this](IZtUnknown* item) { Adopt(item); });
}

void CZtObjectCollection::PushBackElements(const IZtIntObjectMap* source) {
    ForEachElement(
        source, [this](unsigned int count) { ReserveMore(*this, count); },
        [this](IZtUnknown* item) { Adopt(item); });
}

void CZtObjectCollection::PushBackElements(const IZtVariantObjectMap* source) {
    ForEachElement(
        source, [this](unsigned int count) { ReserveMore(*this, count); },
        [this](IZtUnknown* item) { Adopt(item); });
}

// ---------------------------------------------------------------------------
// CZtObjectList

CZtObjectList::CZtObjectList() : m_pItems(nullptr), m_nChanges(0) {}

CZtObjectList::CZtObjectList(const CZtObjectList& other)
    : IZtObjectEnum(), CZtCrtAllocated(), m_pItems(nullptr), m_nChanges(0) {
    PushBackElements(other);
}

CZtObjectList::CZtObjectList(const IZtObjectCollection* source) : m_pItems(nullptr), m_nChanges(0) {
    PushBackElements(source);
}

CZtObjectList::CZtObjectList(const IZtObjectEnum* source) : m_pItems(nullptr), m_nChanges(0) {
    PushBackElements(source);
}

CZtObjectList::CZtObjectList(const IZtIntObjectMap* source) : m_pItems(nullptr), m_nChanges(0) {
    PushBackElements(source);
}

CZtObjectList::CZtObjectList(const IZtVariantObjectMap* source) : m_pItems(nullptr), m_nChanges(0) {
    PushBackElements(source);
}

CZtObjectList::~CZtObjectList() {
    ItemList* items = m_pItems;
    m_pItems = nullptr;
    if (items) {
        ReleaseAll(*items);
        delete items;
    }
}

CZtObjectList& CZtObjectList::operator=(const CZtObjectList& other) {
    return *this = static_cast<const IZtObjectEnum*>(&other);
}

CZtObjectList& CZtObjectList::operator=(const IZtObjectEnum* source) {
    if (source != this) {
        const CZtCoPtr<const IZtObjectEnum> keep(source);
        Clear();
        PushBackElements(source);
    }
    return *this;
}

CZtObjectList& CZtObjectList::operator=(const IZtObjectCollection* source) {
    const CZtCoPtr<const IZtObjectCollection> keep(source);
    Clear();
    PushBackElements(source);
    return *this;
}

CZtObjectList& CZtObjectList::operator=(const IZtIntObjectMap* source) {
    const CZtCoPtr<const IZtIntObjectMap> keep(source);
    Clear();
    PushBackElements(source);
    return *this;
}

CZtObjectList& CZtObjectList::operator=(const IZtVariantObjectMap* source) {
    const CZtCoPtr<const IZtVariantObjectMap> keep(source);
    Clear();
    PushBackElements(source);
    return *this;
}

int CZtObjectList::AddRef() const {
    return m_RefCount.Increment();
}

int CZtObjectList::Release() const {
    return ReleaseObject(this, m_RefCount);
}

unsigned int CZtObjectList::QueryInterface(const tagZTGUID& iid, IZtUnknown** out) {
    return detail::AnswerQueryInterface(this, iid, out, {&IID_IZtUnknown, &IID_IZtObjectEnum});
}

unsigned int CZtObjectList::GetCount(unsigned int* count) const {
    return CountOf(m_pItems, count);
}

unsigned int CZtObjectList::GetIterator(IZtObjectEnumIterator** iterator) const {
    if (!iterator)
        return ZT_E_INVALIDARG;
    *iterator = new CZtObjectListIterator(this, m_pItems, &m_nChanges);
    return ZT_S_OK;
}

void CZtObjectList::Clear() {
    if (m_pItems && !m_pItems->isEmpty()) {
        ++m_nChanges;
        ClearItems(m_pItems);
    }
}

void CZtObjectList::PushBack(IZtUnknown* item) {
    Adopt(item);
    AddRefItem(item);
}

void CZtObjectList::PushFront(IZtUnknown* item) {
    AddRefItem(item);
    StorageOf(m_pItems).prepend(item);
    ++m_nChanges;
}

void CZtObjectList::PopBack() {
    if (!m_pItems || m_pItems->isEmpty())
        return;
    IZtUnknown* item = m_pItems->takeLast();
    ++m_nChanges;
    ReleaseItem(item);
}

void CZtObjectList::PopFront() {
    if (!m_pItems || m_pItems->isEmpty())
        return;
    IZtUnknown* item = m_pItems->takeFirst();
    ++m_nChanges;
    ReleaseItem(item);
}

void CZtObjectList::Adopt(IZtUnknown* item) {
    StorageOf(m_pItems).append(item);
    ++m_nChanges;
}

void CZtObjectList::PushBackElements(const CZtObjectList& source) {
    // The count is read once, so a list appended to itself doubles.
    const int count = source.m_pItems ? source.m_pItems->size() : 0;
    if (count == 0)
        return;
    ItemList& items = StorageOf(m_pItems);
    items.reserve(items.size() + count);
    for (int i = 0; i < count; ++i)
        PushBack(source.m_pItems->at(i));
}

void CZtObjectList::PushBackElements(const IZtObjectCollection* source) {
    ForEachElement(
        source, [this](unsigned int) { StorageOf(m_pItems); },
        [this](IZtUnknown* item) { Adopt(item); });
}

void CZtObjectList::PushBackElements(const IZtObjectEnum* source) {
    if (source == this) {
        PushBackElements(*this);
        return;
    }
    ForEachElement(
        source, [this](unsigned int) { StorageOf(m_pItems); },
        [this](IZtUnknown* item) { Adopt(item); });
}

void CZtObjectList::PushBackElements(const IZtIntObjectMap* source) {
    ForEachElement(
        source, [this](unsigned int) { StorageOf(m_pItems); },
        [this](IZtUnknown* item) { Adopt(item); });
}

void CZtObjectList::PushBackElements(const IZtVariantObjectMap* source) {
    ForEachElement(
        source, [this](unsigned int) { StorageOf(m_pItems); },
        [this](IZtUnknown* item) { Adopt(item); });
}

// ---------------------------------------------------------------------------
// CZtObjectSet

CZtObjectSet::CZtObjectSet() : m_pItems(nullptr), m_nChanges(0) {}

CZtObjectSet::CZtObjectSet(const CZtObjectSet& other)
    : IZtObjectEnum(), CZtCrtAllocated(), m_pItems(nullptr), m_nChanges(0) {
    InsertElements(other);
}

CZtObjectSet::CZtObjectSet(const IZtObjectCollection* source) : m_pItems(nullptr), m_nChanges(0) {
    InsertElements(source);
}

CZtObjectSet::CZtObjectSet(const IZtObjectEnum* source) : m_pItems(nullptr), m_nChanges(0) {
    InsertElements(source);
}

CZtObjectSet::CZtObjectSet(const IZtIntObjectMap* source) : m_pItems(nullptr), m_nChanges(0) {
    InsertElements(source);
}

CZtObjectSet::CZtObjectSet(const IZtVariantObjectMap* source) : m_pItems(nullptr), m_nChanges(0) {
    InsertElements(source);
}

CZtObjectSet::~CZtObjectSet() {
    ItemSet* items = m_pItems;
    m_pItems = nullptr;
    if (items) {
        ReleaseAll(*items);
        delete items;
    }
}

CZtObjectSet& CZtObjectSet::operator=(const CZtObjectSet& other) {
    return *this = static_cast<const IZtObjectEnum*>(&other);
}

CZtObjectSet& CZtObjectSet::operator=(const IZtObjectEnum* source) {
    if (source != this) {
        const CZtCoPtr<const IZtObjectEnum> keep(source);
        Clear();
        InsertElements(source);
    }
    return *this;
}

CZtObjectSet& CZtObjectSet::operator=(const IZtObjectCollection* source) {
    const CZtCoPtr<const IZtObjectCollection> keep(source);
    Clear();
    InsertElements(source);
    return *this;
}

CZtObjectSet& CZtObjectSet::operator=(const IZtIntObjectMap* source) {
    const CZtCoPtr<const IZtIntObjectMap> keep(source);
    Clear();
    InsertElements(source);
    return *this;
}

CZtObjectSet& CZtObjectSet::operator=(const IZtVariantObjectMap* source) {
    const CZtCoPtr<const IZtVariantObjectMap> keep(source);
    Clear();
    InsertElements(source);
    return *this;
}

int CZtObjectSet::AddRef() const {
    return m_RefCount.Increment();
}

int CZtObjectSet::Release() const {
    return ReleaseObject(this, m_RefCount);
}

unsigned int CZtObjectSet::QueryInterface(const tagZTGUID& iid, IZtUnknown** out) {
    return detail::AnswerQueryInterface(this, iid, out, {&IID_IZtUnknown, &IID_IZtObjectEnum});
}

unsigned int CZtObjectSet::GetCount(unsigned int* count) const {
    return CountOf(m_pItems, count);
}

unsigned int CZtObjectSet::GetIterator(IZtObjectEnumIterator** iterator) const {
    if (!iterator)
        return ZT_E_INVALIDARG;
    *iterator = new CZtObjectSetIterator(this, m_pItems, &m_nChanges);
    return ZT_S_OK;
}

void CZtObjectSet::Clear() {
    if (m_pItems && !m_pItems->isEmpty()) {
        ++m_nChanges;
        ClearItems(m_pItems);
    }
}

void CZtObjectSet::Insert(IZtUnknown* item) {
    ItemSet& items = StorageOf(m_pItems);
    const int before = items.size();
    items.insert(item);
    if (items.size() == before)
        return;
    AddRefItem(item);
    ++m_nChanges;
}

void CZtObjectSet::Remove(IZtUnknown* item) {
    if (!m_pItems || !m_pItems->remove(item))
        return;
    ++m_nChanges;
    ReleaseItem(item);
}

void CZtObjectSet::Adopt(IZtUnknown* item) {
    Insert(item);
    ReleaseItem(item);
}

void CZtObjectSet::InsertElements(const CZtObjectSet& source) {
    // A set already holds every element of its own.
    if (&source == this || !source.m_pItems || source.m_pItems->isEmpty())
        return;
    for (IZtUnknown* item : *source.m_pItems)
        Insert(item);
}

void CZtObjectSet::InsertElements(const IZtObjectCollection* source) {
    ForEachElement(
        source, [this](unsigned int) { StorageOf(m_pItems); },
        [this](IZtUnknown* item) { Adopt(item); });
}

void CZtObjectSet::InsertElements(const IZtObjectEnum* source) {
    if (source == this)
        return;
    ForEachElement(
        source, [this](unsigned int) { StorageOf(m_pItems); },
        [this](IZtUnknown* item) { Adopt(item); });
}

void CZtObjectSet::InsertElements(const IZtIntObjectMap* source) {
    ForEachElement(
        source, [this](unsigned int) { StorageOf(m_pItems); },
        [this](IZtUnknown* item) { Adopt(item); });
}

void CZtObjectSet::InsertElements(const IZtVariantObjectMap* source) {
    ForEachElement(
        source, [this](unsigned int) { StorageOf(m_pItems); },
        [this](IZtUnknown* item) { Adopt(item); });
}

}  // namespace Varn
