// Platform contract: a re-entrant mutex.
//
// The thread that holds it may lock it again and must unlock it as often;
// other threads block until the count returns to zero. Not copyable.
//
// The standard library's recursive mutex serves every platform, and its
// members are inline here: each registry operation (an event's Set, a data
// array's lookup) locks and unlocks once, so a call layer of our own would
// cost a visible share of the operation.
#ifndef ZOTREL_SRC_PLATFORM_MUTEX_H
#define ZOTREL_SRC_PLATFORM_MUTEX_H

#include <mutex>

namespace Varn::platform {

class RecursiveMutex {
public:
    RecursiveMutex() = default;
    RecursiveMutex(const RecursiveMutex&) = delete;
    RecursiveMutex& operator=(const RecursiveMutex&) = delete;

    void Lock() { m_Mutex.lock(); }
    void Unlock() { m_Mutex.unlock(); }
    /// Takes the lock if it is free or already held by this thread.
    bool TryLock() { return m_Mutex.try_lock(); }

private:
    std::recursive_mutex m_Mutex;
};

}  // namespace Varn::platform

#endif  // ZOTREL_SRC_PLATFORM_MUTEX_H
