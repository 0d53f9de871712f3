// Platform contract: named shared memory that only its owner can open.
//
// The trace engine publishes each process's filter words in one such object
// so that a tool run by the same user can change them while the process runs.
// Objects are created exclusively (an existing object of the same name is
// never reused unless the caller removes it first) with owner-only
// permissions; opening an object checks that the calling user owns it.
#ifndef ZOTREL_SRC_PLATFORM_SHAREDMEMORY_H
#define ZOTREL_SRC_PLATFORM_SHAREDMEMORY_H

#include <cstddef>
#include <string>
#include <vector>

namespace Varn::platform {

/// How opening or creating an object went.
enum class SharedMemoryResult {
    Ok,
    Exists,        ///< create: an object of that name is already there
    NotFound,      ///< open: no object of that name
    AccessDenied,  ///< the object belongs to another user, or its mode is not owner-only
    Failed         ///< any other error (size, mapping, resources)
};

/// A mapping of a named object, unmapped when destroyed.
class SharedMemory {
public:
    SharedMemory() = default;
    ~SharedMemory();
    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;

    /// Creates `name` exclusively, `size` bytes of zeros, mode 0600, and maps it.
    SharedMemoryResult Create(const std::string& name, std::size_t size);
    /// Maps an existing object of at least `size` bytes that the caller owns.
    SharedMemoryResult Open(const std::string& name, std::size_t size);
    /// Unmaps (the object itself stays until removed).
    void Close();

    void* Data() const { return m_data; }
    const std::string& Name() const { return m_name; }

    /// Removes a named object; mappings stay valid until unmapped.
    static bool Remove(const std::string& name);
    /// The names of the existing objects that begin with `prefix`.
    static std::vector<std::string> List(const std::string& prefix);
    /// The user id owning the object `name`, or -1 when it cannot be read.
    static long long Owner(const std::string& name);

private:
    void* m_data = nullptr;
    std::size_t m_size = 0;
    std::string m_name;
};

/// A mutex that lives inside shared memory and is used by several processes.
/// When its holder dies, the next `LockSharedMutex` recovers it.
struct SharedMutex {
    alignas(8) unsigned char storage[64];
};
/// Prepares the mutex; done once, by the creator, before anyone else maps it.
bool InitSharedMutex(SharedMutex& mutex);
/// Waits at most `timeoutMs` for the mutex; false when it was not taken.
bool LockSharedMutex(SharedMutex& mutex, int timeoutMs);
void UnlockSharedMutex(SharedMutex& mutex);

/// Human-readable text of a result, for messages.
const char* Describe(SharedMemoryResult result);

}  // namespace Varn::platform

#endif  // ZOTREL_SRC_PLATFORM_SHAREDMEMORY_H
