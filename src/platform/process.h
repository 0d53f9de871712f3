// Platform contract: the identity of processes and threads.
//
// Trace lines carry the kernel's thread id, and the trace engine's shared
// objects are named after the process and its user; a process is recognised
// again by its start time, so a recycled process id is never taken for the
// process that used it before. Every function may be called from any thread.
#ifndef ZOTREL_SRC_PLATFORM_PROCESS_H
#define ZOTREL_SRC_PLATFORM_PROCESS_H

#include <string>

namespace Varn::platform {

/// The kernel's id of the calling thread (cached per thread; correct again
/// in the child after a fork).
unsigned int CurrentThreadId();

/// The id of this process, and of the user it runs as.
int CurrentProcessId();
unsigned int CurrentUserId();

/// When the process started, in the kernel's ticks since boot; 0 when the
/// process does not exist (or cannot be read).
unsigned long long ProcessStartTime(int pid);

/// The short command name of a process ("" when unknown).
std::string ProcessName(int pid);

}  // namespace Varn::platform

#endif  // ZOTREL_SRC_PLATFORM_PROCESS_H
