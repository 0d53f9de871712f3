#include "platform/mutex.h"

#include <pthread.h>

#include <cstdlib>
#include <new>

namespace Varn::platform {

struct RecursiveMutex::Native {
    pthread_mutex_t mutex;
};
static_assert(sizeof(pthread_mutex_t) <= 48, "storage too small for pthread_mutex_t");

RecursiveMutex::Native& RecursiveMutex::native() {
    return *std::launder(reinterpret_cast<Native*>(m_storage));
}

RecursiveMutex::RecursiveMutex() {
    Native* n = new (m_storage) Native;
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    if (pthread_mutex_init(&n->mutex, &attributes) != 0)
        std::abort();
    pthread_mutexattr_destroy(&attributes);
}

RecursiveMutex::~RecursiveMutex() {
    pthread_mutex_destroy(&native().mutex);
    native().~Native();
}

void RecursiveMutex::Lock() {
    pthread_mutex_lock(&native().mutex);
}
void RecursiveMutex::Unlock() {
    pthread_mutex_unlock(&native().mutex);
}
bool RecursiveMutex::TryLock() {
    return pthread_mutex_trylock(&native().mutex) == 0;
}

}  // namespace Varn::platform
