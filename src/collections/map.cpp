// CZtMap: the handle, copy on write, the body operations and the lock.
#include <zotrel/map.h>

#include <iterator>
#include <utility>

#include "collections/mapimpl.h"
#include "variant/varianttype.h"

namespace Varn {

// ---------------------------------------------------------------------------
// The body

CZtMapData::CZtMapData() {}
CZtMapData::CZtMapData(const CZtMapData&) {}
CZtMapData::~CZtMapData() {}
CZtMapData& CZtMapData::operator=(const CZtMapData&) {
    return *this;
}

CZtMapImpl::CZtMapImpl(const CZtMapImpl& other) : CZtMapData() {
    Access access(other);
    m_Entries = other.m_Entries;
}

CZtMapImpl::Entries CZtMapImpl::Snapshot() const {
    Access access(*this);
    return m_Entries;
}

void CZtMapImpl::TakeLock() {
    m_Mutex.Lock();
    if (IsLockedByThisThread()) {
        // Held already: the mutex is re-entrant, so give back the extra level.
        m_Mutex.Unlock();
        return;
    }
    m_LockOwner.store(std::this_thread::get_id(), std::memory_order_relaxed);
    m_bLockEnabled.store(true, std::memory_order_seq_cst);
    // Operations that started before the flag was set finish first; new ones
    // see the flag and queue on the mutex. They are short, so yield rather
    // than block.
    while (m_nUnlockedOps.load(std::memory_order_seq_cst) != 0)
        std::this_thread::yield();
}

bool CZtMapImpl::ReleaseLock() {
    if (!IsLockedByThisThread())
        return false;
    m_LockOwner.store(std::thread::id(), std::memory_order_relaxed);
    m_bLockEnabled.store(false, std::memory_order_release);
    m_Mutex.Unlock();
    return true;
}

namespace {

using Entries = CZtMapImpl::Entries;
using detail::KeyText;

// The map a variant holds, followed through ZT_VT_VARIANT references and a
// ZT_VT_BYREF reference; null when the variant holds none (or a null handle
// or reference).
const CZtMap* MapIn(const tagZTVARIANT& v) {
    const tagZTVARIANT* record = detail::Resolve(v);
    if (!record || detail::IsArray(*record) || detail::BaseCode(record->vartype) != ZT_VT_MAP)
        return nullptr;
    const void* slot = detail::ValueAddress(*record);
    return slot ? static_cast<const CZtMap*>(detail::ObjectAt(slot)) : nullptr;
}

CZtString KeyOf(const QString& text) {
    return CZtStringImpl::Make(text);
}

}  // namespace

// ---------------------------------------------------------------------------
// Handles and sharing

CZtMap::CZtMap(CZtMapImpl* impl) : m_pImpl(nullptr), m_bLocked(false) {
    Copy(impl);
}

CZtMap& CZtMap::operator=(CZtMapImpl* impl) {
    // Share the new body before letting go of the old one: they may be the
    // same.
    CZtMap next(impl);
    FreeMap();
    std::swap(m_pImpl, next.m_pImpl);
    return *this;
}

void CZtMap::Copy(CZtMapImpl* impl) {
    m_pImpl = detail::ShareOrNewBody(impl);
}

void CZtMap::Copy(const CZtMap& other) {
    Copy(other.m_pImpl);
}

void CZtMap::Copy(const CZtVariant& value) {
    const CZtMap* map = MapIn(value);
    Copy(map ? map->m_pImpl : nullptr);
}

void CZtMap::FreeMap() {
    if (m_pImpl && m_bLocked)
        m_pImpl->ReleaseLock();
    m_bLocked = false;
    detail::ReleaseBody(m_pImpl);
}

void CZtMap::CopyOnWrite() {
    if (!m_pImpl || !m_pImpl->m_RefCount.IsShared())
        return;
    if (!(m_bLocked && m_pImpl->IsLockedByThisThread())) {
        detail::DetachBody(m_pImpl);
        return;
    }
    // This thread holds the shared body's lock through this handle: the lock
    // moves with the handle, so its series of operations stays exclusive and
    // the later Unlock releases a mutex this thread holds.
    CZtMapImpl* copy = new CZtMapImpl(*m_pImpl);
    copy->TakeLock();
    m_pImpl->ReleaseLock();
    detail::ReleaseBody(m_pImpl);
    m_pImpl = copy;
}

CZtMap::CZtMap() : m_pImpl(new CZtMapImpl), m_bLocked(false) {}

CZtMap::CZtMap(const CZtMap& other) : CZtCrtAllocated(), m_pImpl(nullptr), m_bLocked(false) {
    Copy(other);
}

CZtMap::CZtMap(const CZtMap* other) : m_pImpl(nullptr), m_bLocked(false) {
    if (other)
        Copy(*other);
}

CZtMap::CZtMap(const CZtVariant& value) : m_pImpl(nullptr), m_bLocked(false) {
    Copy(value);
}

CZtMap::CZtMap(const CZtVariant* value) : m_pImpl(nullptr), m_bLocked(false) {
    if (value)
        Copy(*value);
}

CZtMap::~CZtMap() {
    FreeMap();
}

CZtMap& CZtMap::operator=(const CZtMap& other) {
    if (this != &other)
        *this = other.m_pImpl;
    return *this;
}

CZtMap& CZtMap::operator=(const CZtMap* other) {
    if (other && other != this)
        *this = other->m_pImpl;
    return *this;
}

CZtMap& CZtMap::operator=(const CZtVariant& value) {
    // The variant may hold this very map (or own the handle that does), so
    // the new body is shared before the old one is let go.
    const CZtMap* map = MapIn(value);
    return *this = map ? map->m_pImpl : nullptr;
}

CZtMap& CZtMap::operator=(const CZtVariant* value) {
    if (value)
        return *this = *value;
    FreeMap();
    return *this;
}

CZtMap* CZtMap::AllocMap() const {
    return new CZtMap(*this);
}

// ---------------------------------------------------------------------------
// Reading

int CZtMap::Count() const {
    if (!m_pImpl)
        return 0;
    CZtMapImpl::Access access(*m_pImpl);
    return m_pImpl->m_Entries.size();
}

bool CZtMap::IsEmpty() const {
    if (!m_pImpl)
        return true;
    CZtMapImpl::Access access(*m_pImpl);
    return m_pImpl->m_Entries.isEmpty();
}

bool CZtMap::Contains(const CZtString& key) const {
    if (!m_pImpl)
        return false;
    CZtMapImpl::Access access(*m_pImpl);
    return m_pImpl->m_Entries.contains(KeyText(key));
}

// Both lookups build their result in place: one variant copy per call.
CZtVariant CZtMap::operator[](const CZtString& key) const {
    if (!m_pImpl)
        return CZtVariant();
    CZtMapImpl::Access access(*m_pImpl);
    const Entries& entries = m_pImpl->m_Entries;
    const auto found = entries.constFind(KeyText(key));
    return found != entries.constEnd() ? CZtVariant(found.value()) : CZtVariant();
}

CZtVariant CZtMap::Value(const CZtString& key, const CZtVariant& defaultValue) const {
    if (!m_pImpl)
        return CZtVariant();
    CZtMapImpl::Access access(*m_pImpl);
    const Entries& entries = m_pImpl->m_Entries;
    const auto found = entries.constFind(KeyText(key));
    return CZtVariant(found != entries.constEnd() ? found.value() : defaultValue);
}

CZtString CZtMap::Key(const CZtVariant& value, const CZtString& defaultKey) const {
    if (!m_pImpl)
        return CZtString();
    // The values are compared outside the lock: a value may itself be a map,
    // whose comparison takes that map's lock.
    const Entries entries = m_pImpl->Snapshot();
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) {
        if (it.value() == value)
            return KeyOf(it.key());
    }
    return defaultKey;
}

void CZtMap::GetItemAt(int index, CZtString& key, CZtVariant& value) const {
    if (!m_pImpl)
        return;
    QString foundKey;
    CZtVariant foundValue;
    {
        CZtMapImpl::Access access(*m_pImpl);
        const Entries& entries = m_pImpl->m_Entries;
        if (index < 0 || index >= entries.size())
            return;
        const auto it = std::next(entries.constBegin(), index);
        foundKey = it.key();
        foundValue = it.value();
    }
    // The outputs are written once the body is let go: releasing what they
    // held may run code that uses this map.
    key = KeyOf(foundKey);
    value = foundValue;
}

// ---------------------------------------------------------------------------
// Changing

void CZtMap::Add(const CZtString& key, const CZtVariant& value) {
    if (!m_pImpl)
        return;
    CopyOnWrite();
    CZtMapImpl::Access access(*m_pImpl);
    m_pImpl->m_Entries.insert(KeyText(key), value);
}

int CZtMap::Remove(const CZtString& key) {
    if (!m_pImpl)
        return 0;
    CopyOnWrite();
    CZtMapImpl::Access access(*m_pImpl);
    return m_pImpl->m_Entries.remove(KeyText(key));
}

CZtVariant CZtMap::Take(const CZtString& key) {
    if (!m_pImpl)
        return CZtVariant();
    CopyOnWrite();
    CZtMapImpl::Access access(*m_pImpl);
    return m_pImpl->m_Entries.take(KeyText(key));
}

void CZtMap::Clear() {
    if (!m_pImpl)
        return;
    CopyOnWrite();
    Entries old;
    {
        CZtMapImpl::Access access(*m_pImpl);
        old.swap(m_pImpl->m_Entries);
    }
    // `old` releases the values here, outside the lock.
}

CZtVariant& CZtMap::GetItemAt(const CZtString& key) {
    if (!m_pImpl)
        return m_Fallback;
    CopyOnWrite();
    CZtMapImpl::Access access(*m_pImpl);
    return m_pImpl->m_Entries[KeyText(key)];
}

// ---------------------------------------------------------------------------
// Comparison

bool CZtMap::operator==(const CZtMap& other) const {
    if (!m_pImpl || !other.m_pImpl)
        return false;
    // Each side is read under its own lock, one after the other, so two
    // threads comparing the same two maps in opposite order cannot deadlock.
    const Entries mine = m_pImpl->Snapshot();
    const Entries theirs = other.m_pImpl->Snapshot();
    if (mine.size() != theirs.size())
        return false;
    for (auto a = mine.constBegin(), b = theirs.constBegin(); a != mine.constEnd(); ++a, ++b) {
        if (a.key() != b.key() || a.value() != b.value())
            return false;
    }
    return true;
}

bool CZtMap::operator!=(const CZtMap& other) const {
    return !(*this == other);
}

// ---------------------------------------------------------------------------
// The lock

void CZtMap::Lock() {
    if (!m_pImpl)
        return;
    m_pImpl->TakeLock();
    m_bLocked = true;  // written with the lock held, see Unlock
}

void CZtMap::Unlock() {
    // The mark is changed only by the thread that holds the lock, before it
    // lets go: threads that take turns locking through one handle never
    // write it at the same time, and an Unlock from a thread that does not
    // hold the lock changes nothing at all.
    if (!m_pImpl || !m_pImpl->IsLockedByThisThread())
        return;
    m_bLocked = false;
    m_pImpl->ReleaseLock();
}

}  // namespace Varn
