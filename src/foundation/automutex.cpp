#include <zotrel/foundation.h>

#include "platform/mutex.h"

namespace Varn {
namespace {

platform::RecursiveMutex& Native(void* lock) {
    return *static_cast<platform::RecursiveMutex*>(lock);
}

}  // namespace

CZtAutoMutex::CZtAutoMutex() : m_pLock(new platform::RecursiveMutex) {}

// A copy owns a mutex of its own: sharing one would make two owners delete it,
// and an object copied together with its mutex must keep guarding its own data.
CZtAutoMutex::CZtAutoMutex(const CZtAutoMutex&) : CZtAutoMutex() {}

CZtAutoMutex::~CZtAutoMutex() {
    delete &Native(m_pLock);
}

CZtAutoMutex& CZtAutoMutex::operator=(const CZtAutoMutex&) {
    return *this;
}

void CZtAutoMutex::Lock() {
    Native(m_pLock).Lock();
}

void CZtAutoMutex::Unlock() {
    Native(m_pLock).Unlock();
}

CZtAutoMutexLock::CZtAutoMutexLock(CZtAutoMutex& mutex) : m_Mutex(mutex) {
    m_Mutex.Lock();
}

CZtAutoMutexLock::~CZtAutoMutexLock() {
    m_Mutex.Unlock();
}

}  // namespace Varn
