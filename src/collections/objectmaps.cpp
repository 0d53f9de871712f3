// The object maps: CZtIntObjectMap, CZtVariantObjectMap and their iterators.
#include <zotrel/objectcollections.h>

#include <QHash>

#include <cstring>

#include "collections/iteratorbase.h"
#include "collections/objectsource.h"
#include "collections/variantkey.h"

namespace Varn {

using detail::AddRefItem;
using detail::ForEachEntry;
using detail::ReleaseItem;
using detail::ReleaseObject;
using detail::StorageOf;
using detail::VariantObjectKey;

namespace {

using IntHash = QHash<int, IZtUnknown*>;
using VariantHash = QHash<VariantObjectKey, IZtUnknown*>;

// The entry operations, written once for both maps. Each counts a change in
// `changes` before it releases anything: a release may run code that comes
// back to the map.

/// Stores `value` under `key`, replacing and releasing the value an existing
/// entry held. The very object the entry already holds changes nothing.
template <class Hash, class Key>
void StoreValue(Hash& hash, const Key& key, IZtUnknown* value, unsigned int& changes) {
    const auto found = hash.find(key);
    if (found == hash.end()) {
        AddRefItem(value);
        hash.insert(key, value);
        ++changes;
        return;
    }
    IZtUnknown* old = found.value();
    if (old == value)
        return;
    AddRefItem(value);
    found.value() = value;
    ++changes;
    ReleaseItem(old);
}

/// Removes the key's entry and releases its value.
template <class Hash, class Key>
void RemoveValue(Hash* hash, const Key& key, unsigned int& changes) {
    if (!hash)
        return;
    const auto found = hash->find(key);
    if (found == hash->end())
        return;
    IZtUnknown* old = found.value();
    hash->erase(found);
    ++changes;
    ReleaseItem(old);
}

/// Removes every entry, then releases the values.
template <class Hash>
void ClearValues(Hash* hash, unsigned int& changes) {
    if (!hash || hash->isEmpty())
        return;
    Hash old;
    old.swap(*hash);
    ++changes;
    for (IZtUnknown* value : old)
        ReleaseItem(value);
}

/// The key's value with one new reference.
template <class Hash, class Key>
unsigned int FindValue(const Hash* hash, const Key& key, IZtUnknown** value) {
    if (!hash)
        return ZT_E_NOTFOUND;
    const auto found = hash->constFind(key);
    if (found == hash->constEnd())
        return ZT_E_NOTFOUND;
    *value = found.value();
    AddRefItem(*value);
    return ZT_S_OK;
}

template <class Hash>
unsigned int CountOf(const Hash* hash, unsigned int* count) {
    if (!count)
        return ZT_E_INVALIDARG;
    *count = hash ? static_cast<unsigned int>(hash->size()) : 0u;
    return ZT_S_OK;
}

/// How an iterator hands out a key: the integer, or a bit-for-bit copy of
/// the stored record, which the receiver borrows.
void WriteKey(int* out, int key) {
    *out = key;
}
void WriteKey(tagZTVARIANT* out, const VariantObjectKey& key) {
    std::memcpy(static_cast<void*>(out), &key.Record(), sizeof(tagZTVARIANT));
}

}  // namespace

namespace detail {

/// The entry at a map iterator's current position; either output may be
/// omitted.
template <class Owner, class Hash, class Itf, const CZtGUID& Iid, class KeyOut>
class MapIterator : public OwnedIterator<Owner, Hash, Itf, Iid> {
public:
    using OwnedIterator<Owner, Hash, Itf, Iid>::OwnedIterator;

    unsigned int GetItem(KeyOut* key, IZtUnknown** value) override {
        const auto* position = this->Current();
        if (!position)
            return ZT_E_NOTFOUND;
        if (key)
            WriteKey(key, position->key());
        if (value) {
            *value = position->value();
            AddRefItem(*value);
        }
        return ZT_S_OK;
    }
};

}  // namespace detail

/// Walks an integer map in its hash order.
class CZtIntObjectMapIterator final
    : public detail::MapIterator<CZtIntObjectMap, IntHash, IZtIntObjectMapIterator,
                                 IID_IZtIntObjectMapIterator, int> {
public:
    using MapIterator::MapIterator;
};

/// Walks a variant map in its hash order.
class CZtVariantObjectMapIterator final
    : public detail::MapIterator<CZtVariantObjectMap, VariantHash, IZtVariantObjectMapIterator,
                                 IID_IZtVariantObjectMapIterator, tagZTVARIANT> {
public:
    using MapIterator::MapIterator;
};

// ---------------------------------------------------------------------------
// CZtIntObjectMap

CZtIntObjectMap::CZtIntObjectMap() : m_pHash(nullptr), m_nChanges(0) {}

CZtIntObjectMap::CZtIntObjectMap(const CZtIntObjectMap& other)
    : IZtIntObjectMap(), CZtCrtAllocated(), m_pHash(nullptr), m_nChanges(0) {
    InsertElements(other);
}

CZtIntObjectMap::CZtIntObjectMap(const IZtIntObjectMap* source) : m_pHash(nullptr), m_nChanges(0) {
    InsertElements(source);
}

CZtIntObjectMap::~CZtIntObjectMap() {
    IntHash* hash = m_pHash;
    m_pHash = nullptr;
    if (hash) {
        for (IZtUnknown* value : *hash)
            ReleaseItem(value);
        delete hash;
    }
}

CZtIntObjectMap& CZtIntObjectMap::operator=(const CZtIntObjectMap& other) {
    return *this = static_cast<const IZtIntObjectMap*>(&other);
}

// The assignments hold a reference to their source while they work: it may
// be kept alive only by one of this map's own values, which Clear releases.

CZtIntObjectMap& CZtIntObjectMap::operator=(const IZtIntObjectMap* source) {
    if (source != this) {
        const CZtCoPtr<const IZtIntObjectMap> keep(source);
        Clear();
        InsertElements(source);
    }
    return *this;
}

int CZtIntObjectMap::AddRef() const {
    return m_RefCount.Increment();
}

int CZtIntObjectMap::Release() const {
    return ReleaseObject(this, m_RefCount);
}

unsigned int CZtIntObjectMap::QueryInterface(const tagZTGUID& iid, IZtUnknown** out) {
    return detail::AnswerQueryInterface(this, iid, out, {&IID_IZtUnknown, &IID_IZtIntObjectMap});
}

unsigned int CZtIntObjectMap::GetCount(unsigned int* count) const {
    return CountOf(m_pHash, count);
}

unsigned int CZtIntObjectMap::GetIterator(IZtIntObjectMapIterator** iterator) const {
    if (!iterator)
        return ZT_E_INVALIDARG;
    *iterator = new CZtIntObjectMapIterator(this, m_pHash, &m_nChanges);
    return ZT_S_OK;
}

unsigned int CZtIntObjectMap::GetValue(const int* key, IZtUnknown** value) const {
    if (!key || !value)
        return ZT_E_INVALIDARG;
    return FindValue(m_pHash, *key, value);
}

void CZtIntObjectMap::Clear() {
    ClearValues(m_pHash, m_nChanges);
}

void CZtIntObjectMap::Insert(const int& key, IZtUnknown* value) {
    StoreValue(StorageOf(m_pHash), key, value, m_nChanges);
}

void CZtIntObjectMap::Remove(const int& key) {
    RemoveValue(m_pHash, key, m_nChanges);
}

void CZtIntObjectMap::InsertElements(const CZtIntObjectMap& source) {
    // A map already holds every entry of its own.
    if (&source == this || !source.m_pHash || source.m_pHash->isEmpty())
        return;
    IntHash& hash = StorageOf(m_pHash);
    for (auto entry = source.m_pHash->cbegin(); entry != source.m_pHash->cend(); ++entry)
        StoreValue(hash, entry.key(), entry.value(), m_nChanges);
}

void CZtIntObjectMap::InsertElements(const IZtIntObjectMap* source) {
    if (source == this)
        return;
    ForEachEntry(source, [this](int key, IZtUnknown* value) {
        StoreValue(StorageOf(m_pHash), key, value, m_nChanges);
        ReleaseItem(value);
    });
}

// ---------------------------------------------------------------------------
// CZtVariantObjectMap

CZtVariantObjectMap::CZtVariantObjectMap() : m_pHash(nullptr), m_nChanges(0) {}

CZtVariantObjectMap::CZtVariantObjectMap(const CZtVariantObjectMap& other)
    : IZtVariantObjectMap(), CZtCrtAllocated(), m_pHash(nullptr), m_nChanges(0) {
    InsertElements(other);
}

CZtVariantObjectMap::CZtVariantObjectMap(const IZtVariantObjectMap* source)
    : m_pHash(nullptr), m_nChanges(0) {
    InsertElements(source);
}

CZtVariantObjectMap::~CZtVariantObjectMap() {
    VariantHash* hash = m_pHash;
    m_pHash = nullptr;
    if (hash) {
        for (IZtUnknown* value : *hash)
            ReleaseItem(value);
        delete hash;
    }
}

CZtVariantObjectMap& CZtVariantObjectMap::operator=(const CZtVariantObjectMap& other) {
    return *this = static_cast<const IZtVariantObjectMap*>(&other);
}

CZtVariantObjectMap& CZtVariantObjectMap::operator=(const IZtVariantObjectMap* source) {
    if (source != this) {
        const CZtCoPtr<const IZtVariantObjectMap> keep(source);
        Clear();
        InsertElements(source);
    }
    return *this;
}

CZtVariantObjectMap& CZtVariantObjectMap::operator=(const IZtIntObjectMap* source) {
    const CZtCoPtr<const IZtIntObjectMap> keep(source);
    Clear();
    InsertElements(source);
    return *this;
}

int CZtVariantObjectMap::AddRef() const {
    return m_RefCount.Increment();
}

int CZtVariantObjectMap::Release() const {
    return ReleaseObject(this, m_RefCount);
}

unsigned int CZtVariantObjectMap::QueryInterface(const tagZTGUID& iid, IZtUnknown** out) {
    return detail::AnswerQueryInterface(this, iid, out,
                                        {&IID_IZtUnknown, &IID_IZtVariantObjectMap});
}

unsigned int CZtVariantObjectMap::GetCount(unsigned int* count) const {
    return CountOf(m_pHash, count);
}

unsigned int CZtVariantObjectMap::GetIterator(IZtVariantObjectMapIterator** iterator) const {
    if (!iterator)
        return ZT_E_INVALIDARG;
    *iterator = new CZtVariantObjectMapIterator(this, m_pHash, &m_nChanges);
    return ZT_S_OK;
}

unsigned int CZtVariantObjectMap::GetValue(const tagZTVARIANT* key, IZtUnknown** value) const {
    if (!key || !value)
        return ZT_E_INVALIDARG;
    return FindValue(m_pHash, VariantObjectKey(*key), value);
}

void CZtVariantObjectMap::Clear() {
    ClearValues(m_pHash, m_nChanges);
}

void CZtVariantObjectMap::Insert(const CZtVariant& key, IZtUnknown* value) {
    StoreValue(StorageOf(m_pHash), VariantObjectKey(key), value, m_nChanges);
}

void CZtVariantObjectMap::Remove(const CZtVariant& key) {
    RemoveValue(m_pHash, VariantObjectKey(key), m_nChanges);
}

void CZtVariantObjectMap::InsertElements(const CZtVariantObjectMap& source) {
    if (&source == this || !source.m_pHash || source.m_pHash->isEmpty())
        return;
    VariantHash& hash = StorageOf(m_pHash);
    for (auto entry = source.m_pHash->cbegin(); entry != source.m_pHash->cend(); ++entry)
        StoreValue(hash, VariantObjectKey(entry.key().Record()), entry.value(), m_nChanges);
}

void CZtVariantObjectMap::InsertElements(const IZtVariantObjectMap* source) {
    if (source == this)
        return;
    // The key records the source's iterator hands out are borrowed: a new
    // entry copies its key, and the record itself is never cleared.
    ForEachEntry(source, [this](const tagZTVARIANT& key, IZtUnknown* value) {
        StoreValue(StorageOf(m_pHash), VariantObjectKey(key), value, m_nChanges);
        ReleaseItem(value);
    });
}

void CZtVariantObjectMap::InsertElements(const IZtIntObjectMap* source) {
    ForEachEntry(source, [this](int key, IZtUnknown* value) {
        const CZtVariant record(key);
        StoreValue(StorageOf(m_pHash), VariantObjectKey(record), value, m_nChanges);
        ReleaseItem(value);
    });
}

}  // namespace Varn
