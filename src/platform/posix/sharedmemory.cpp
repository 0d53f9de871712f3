#include "platform/sharedmemory.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace Varn::platform {

namespace {

// POSIX shared-memory names start with one '/'; the objects appear in this folder.
constexpr const char* kShmFolder = "/dev/shm";

std::string PosixName(const std::string& name) {
    return "/" + name;
}

SharedMemoryResult FromErrno(int error) {
    switch (error) {
        case EEXIST:
            return SharedMemoryResult::Exists;
        case ENOENT:
            return SharedMemoryResult::NotFound;
        case EACCES:
        case EPERM:
            return SharedMemoryResult::AccessDenied;
        default:
            return SharedMemoryResult::Failed;
    }
}

}  // namespace

SharedMemory::~SharedMemory() {
    Close();
}

SharedMemoryResult SharedMemory::Create(const std::string& name, std::size_t size) {
    Close();
    const int fd = shm_open(PosixName(name).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return FromErrno(errno);
    // The mode is set again in case the umask took bits the object needs.
    if (fchmod(fd, 0600) != 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) {
        close(fd);
        shm_unlink(PosixName(name).c_str());
        return SharedMemoryResult::Failed;
    }
    void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (data == MAP_FAILED) {
        shm_unlink(PosixName(name).c_str());
        return SharedMemoryResult::Failed;
    }
    m_data = data;
    m_size = size;
    m_name = name;
    return SharedMemoryResult::Ok;
}

SharedMemoryResult SharedMemory::Open(const std::string& name, std::size_t size) {
    Close();
    const int fd = shm_open(PosixName(name).c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd < 0)
        return FromErrno(errno);
    struct stat info;
    if (fstat(fd, &info) != 0) {
        close(fd);
        return SharedMemoryResult::Failed;
    }
    // Only an object of this user that nobody else may open is trusted.
    if (info.st_uid != geteuid() || (info.st_mode & 077) != 0) {
        close(fd);
        return SharedMemoryResult::AccessDenied;
    }
    if (static_cast<std::size_t>(info.st_size) < size) {
        close(fd);
        return SharedMemoryResult::Failed;
    }
    void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (data == MAP_FAILED)
        return SharedMemoryResult::Failed;
    m_data = data;
    m_size = size;
    m_name = name;
    return SharedMemoryResult::Ok;
}

void SharedMemory::Close() {
    if (m_data)
        munmap(m_data, m_size);
    m_data = nullptr;
    m_size = 0;
    m_name.clear();
}

bool SharedMemory::Remove(const std::string& name) {
    return shm_unlink(PosixName(name).c_str()) == 0;
}

std::vector<std::string> SharedMemory::List(const std::string& prefix) {
    std::vector<std::string> names;
    DIR* folder = opendir(kShmFolder);
    if (!folder)
        return names;
    while (const dirent* entry = readdir(folder)) {
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0)
            names.emplace_back(entry->d_name);
    }
    closedir(folder);
    return names;
}

long long SharedMemory::Owner(const std::string& name) {
    struct stat info;
    const std::string path = std::string(kShmFolder) + "/" + name;
    if (lstat(path.c_str(), &info) != 0)
        return -1;
    return static_cast<long long>(info.st_uid);
}

static_assert(sizeof(pthread_mutex_t) <= sizeof(SharedMutex::storage),
              "the shared mutex storage holds a pthread mutex");

namespace {
pthread_mutex_t* Native(SharedMutex& mutex) {
    return reinterpret_cast<pthread_mutex_t*>(mutex.storage);
}
}  // namespace

bool InitSharedMutex(SharedMutex& mutex) {
    pthread_mutexattr_t attributes;
    if (pthread_mutexattr_init(&attributes) != 0)
        return false;
    // Shared between processes, and robust: a process that dies while
    // holding it does not leave the others waiting forever.
    const bool ok = pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED) == 0 &&
                    pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST) == 0 &&
                    pthread_mutex_init(Native(mutex), &attributes) == 0;
    pthread_mutexattr_destroy(&attributes);
    return ok;
}

bool LockSharedMutex(SharedMutex& mutex, int timeoutMs) {
    timespec deadline;
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += timeoutMs / 1000;
    deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    const int result = pthread_mutex_timedlock(Native(mutex), &deadline);
    if (result == EOWNERDEAD) {
        // The holder died; what it guarded is only ever left with whole
        // entries, so the mutex is marked usable again.
        pthread_mutex_consistent(Native(mutex));
        return true;
    }
    return result == 0;
}

void UnlockSharedMutex(SharedMutex& mutex) {
    pthread_mutex_unlock(Native(mutex));
}

const char* Describe(SharedMemoryResult result) {
    switch (result) {
        case SharedMemoryResult::Ok:
            return "ok";
        case SharedMemoryResult::Exists:
            return "already exists";
        case SharedMemoryResult::NotFound:
            return "not found";
        case SharedMemoryResult::AccessDenied:
            return "permission denied";
        case SharedMemoryResult::Failed:
            break;
    }
    return "failed";
}

}  // namespace Varn::platform
