#include "platform/process.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>

namespace Varn::platform {

namespace {

// The thread id is asked of the kernel once per thread. After a fork only
// the forking thread lives on in the child, with the parent's cached id, so
// the child's handler drops that one cached value.
thread_local unsigned int t_threadId = 0;

void ForgetThreadIdInChild() {
    t_threadId = 0;
}

const bool g_atForkRegistered = [] {
    pthread_atfork(nullptr, nullptr, &ForgetThreadIdInChild);
    return true;
}();

}  // namespace

unsigned int CurrentThreadId() {
    if (t_threadId == 0)
        t_threadId = static_cast<unsigned int>(syscall(SYS_gettid));
    return t_threadId;
}

int CurrentProcessId() {
    return static_cast<int>(getpid());
}

unsigned int CurrentUserId() {
    return static_cast<unsigned int>(geteuid());
}

unsigned long long ProcessStartTime(int pid) {
    if (pid <= 0)
        return 0;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
    std::ifstream in(path);
    std::string stat;
    if (!std::getline(in, stat))
        return 0;
    // The command name (field 2) may hold blanks and parentheses: the fields
    // after it start behind its last ')'. The start time is field 22.
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return 0;
    const char* p = stat.c_str() + close + 1;
    for (int field = 3; field < 22; ++field) {
        p = std::strchr(p + 1, ' ');
        if (!p)
            return 0;
    }
    return std::strtoull(p + 1, nullptr, 10);
}

std::string ProcessName(int pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/comm", pid);
    std::ifstream in(path);
    std::string name;
    std::getline(in, name);
    return name;
}

}  // namespace Varn::platform
