// Platform contract: a re-entrant mutex.
//
// The thread that holds it may lock it again and must unlock it as often;
// other threads block until the count returns to zero. Not copyable.
#ifndef ZOTREL_SRC_PLATFORM_MUTEX_H
#define ZOTREL_SRC_PLATFORM_MUTEX_H

namespace Varn::platform {

class RecursiveMutex {
public:
    RecursiveMutex();
    ~RecursiveMutex();
    RecursiveMutex(const RecursiveMutex&) = delete;
    RecursiveMutex& operator=(const RecursiveMutex&) = delete;

    void Lock();
    void Unlock();
    /// Takes the lock if it is free or already held by this thread.
    bool TryLock();

private:
    struct Native;
    alignas(16) unsigned char m_storage[48];
    Native& native();
};

}  // namespace Varn::platform

#endif  // ZOTREL_SRC_PLATFORM_MUTEX_H
