#include "platform/fileoutput.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace Varn::platform {

namespace {

Output Describe(int fd) {
    Output output;
    output.handle = fd;
    struct stat info;
    output.pipe = fstat(fd, &info) == 0 && (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode));
    return output;
}

bool WriteLoop(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t written = write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

Output StandardError() {
    return Describe(STDERR_FILENO);
}

Output OpenAppend(const char* path) {
    if (!path || !*path)
        return Output();
    const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    return fd < 0 ? Output() : Describe(fd);
}

bool WriteAll(const Output& output, const char* data, std::size_t length) {
    if (!output.pipe)
        return WriteLoop(output.handle, data, length);
    // A closed pipe raises SIGPIPE, which ends the process unless handled.
    // The signal is blocked on this thread for the write, and one that the
    // write raised is taken off the thread again before it is unblocked.
    sigset_t pipeSignal;
    sigset_t previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigset_t pendingBefore;
    sigpending(&pendingBefore);
    const bool alreadyPending = sigismember(&pendingBefore, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    const bool ok = WriteLoop(output.handle, data, length);
    if (!ok && errno == EPIPE && !alreadyPending) {
        const timespec noWait = {0, 0};
        while (sigtimedwait(&pipeSignal, nullptr, &noWait) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return ok;
}

}  // namespace Varn::platform
