// The shared body of CZtMap: the entries, the reference count and the
// optional lock, with the guard every body operation runs under.
#ifndef ZOTREL_SRC_COLLECTIONS_MAPIMPL_H
#define ZOTREL_SRC_COLLECTIONS_MAPIMPL_H

#include <zotrel/map.h>

#include <QMap>
#include <QString>

#include <atomic>
#include <thread>

#include "foundation/shared.h"
#include "text/stringimpl.h"

namespace Varn {

/// One set of entries shared by every CZtMap that copies it.
///
/// The entries are keyed by the keys' UTF-16 texts: QString's order is the
/// code-unit order CZtString compares by, and a lookup with a CZtString key
/// reads its text in place, so no key is copied to look it up. Keys are
/// handed back as CZtStrings built from the stored texts.
///
/// The lock. While a thread holds the body through `TakeLock`,
/// `m_bLockEnabled` is set and every operation (an `Access` guard) takes the
/// mutex, so other threads wait. While it is clear, operations take no lock;
/// they are counted in `m_nUnlockedOps` instead, and `TakeLock` waits for
/// that count to drop to zero after switching the lock on. An operation
/// announces itself before it looks at the flag and the locker switches the
/// flag on before it looks at the count, so one of the two always sees the
/// other: no operation that started without the lock still runs once
/// `TakeLock` returns.
class CZtMapImpl : public CZtMapData {
public:
    using Entries = QMap<QString, CZtVariant>;

    CZtMapImpl() = default;
    /// Copy on write: the entries only (taken under `other`'s lock when it is
    /// on); the count starts at 1 and the lock is off.
    CZtMapImpl(const CZtMapImpl& other);
    CZtMapImpl& operator=(const CZtMapImpl&) = delete;
    ~CZtMapImpl() override = default;

    /// Switches the lock on for the calling thread and takes the mutex; a
    /// thread that already holds it changes nothing.
    void TakeLock();
    /// Switches the lock off and releases the mutex if the calling thread
    /// holds it; true when it did.
    bool ReleaseLock();
    /// The calling thread holds the lock.
    bool IsLockedByThisThread() const {
        return m_LockOwner.load(std::memory_order_relaxed) == std::this_thread::get_id();
    }

    /// A copy of the entries taken under the guard. Qt shares the copied
    /// nodes until one side changes, so this costs one reference, and the
    /// caller may read it at leisure without holding anything.
    Entries Snapshot() const;

    /// Scoped permission to use the body's entries: the mutex while the lock
    /// is on, else a place in the count of operations that run without it.
    class Access {
    public:
        explicit Access(const CZtMapImpl& body) : m_Body(body), m_bMutex(false) {
            if (!body.m_bLockEnabled.load(std::memory_order_acquire)) {
                body.m_nUnlockedOps.fetch_add(1, std::memory_order_seq_cst);
                if (!body.m_bLockEnabled.load(std::memory_order_seq_cst))
                    return;
                body.m_nUnlockedOps.fetch_sub(1, std::memory_order_release);
            }
            body.m_Mutex.Lock();
            m_bMutex = true;
        }
        ~Access() {
            if (m_bMutex)
                m_Body.m_Mutex.Unlock();
            else
                m_Body.m_nUnlockedOps.fetch_sub(1, std::memory_order_release);
        }
        Access(const Access&) = delete;
        Access& operator=(const Access&) = delete;

    private:
        const CZtMapImpl& m_Body;
        bool m_bMutex;
    };

    Entries m_Entries;
    detail::SharedCount m_RefCount;

private:
    mutable CZtAutoMutex m_Mutex;
    /// Set while a thread holds the lock; changed only with the mutex held.
    std::atomic<bool> m_bLockEnabled{false};
    /// The thread that holds the lock, or no thread.
    std::atomic<std::thread::id> m_LockOwner{};
    /// Operations running without the mutex.
    mutable std::atomic<int> m_nUnlockedOps{0};
};

namespace detail {

/// The text a key stands for; a key without a body reads as empty.
inline const QString& KeyText(const CZtString& key) {
    static const QString kEmpty;
    const QString* text = CZtStringImpl::TextOf(key);
    return text ? *text : kEmpty;
}

}  // namespace detail

}  // namespace Varn

#endif  // ZOTREL_SRC_COLLECTIONS_MAPIMPL_H
