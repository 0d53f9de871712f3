// Platform contract: CPU times and memory use of the machine and of the
// calling process.
//
// Every reader fills its figures and returns true when the system gave all
// of them. A figure the system cannot give (a source that is missing,
// unreadable or not in the expected form) reads 0 and makes the result
// false; no reader fails in any other way. CPU times are counts of 100-ns
// ticks; memory figures are bytes. Every function may be called from any
// thread.
//
// Each reader of a text the system publishes (on Linux, the files of
// /proc) takes the path of that text, so that tests can feed it files of
// their own, and each text has a parser of its own that reads the figures
// from the text itself.
#ifndef ZOTREL_SRC_PLATFORM_SYSTEMFIGURES_H
#define ZOTREL_SRC_PLATFORM_SYSTEMFIGURES_H

#include <cstddef>

namespace Varn::platform {

/// The texts the readers take by default.
extern const char* const kSystemTimesSource;    ///< "/proc/stat"
extern const char* const kSystemMemorySource;   ///< "/proc/meminfo"
extern const char* const kProcessMemorySource;  ///< "/proc/self/status"

/// CPU time of all processors together since the system started. Kernel
/// time includes the idle time, as readers of the usage lines expect on
/// every platform: busy time is kernel + user - idle. Time a hypervisor
/// took from this system (steal) is not counted.
struct SystemCpuTimes {
    unsigned long long idle = 0;    ///< idle, waiting for I/O included
    unsigned long long kernel = 0;  ///< system, interrupts and idle
    unsigned long long user = 0;    ///< user, nice processes included
};

/// CPU time the calling process has used in its threads so far.
struct ProcessCpuTimes {
    unsigned long long kernel = 0;
    unsigned long long user = 0;
};

/// Physical memory the calling process holds: its resident set now and the
/// largest it has been.
struct ProcessMemory {
    unsigned long long resident = 0;
    unsigned long long peakResident = 0;
};

/// The system's CPU times, read from the text at `source`.
bool ReadSystemCpuTimes(SystemCpuTimes& times, const char* source = kSystemTimesSource);
/// The calling process's CPU times.
bool ReadProcessCpuTimes(ProcessCpuTimes& times);
/// Physical memory in use in the whole system (total minus available).
bool ReadSystemMemoryUsed(unsigned long long& bytes, const char* source = kSystemMemorySource);
/// The calling process's resident set and its peak.
bool ReadProcessMemory(ProcessMemory& memory, const char* source = kProcessMemorySource);

/// The parsers behind the readers: each reads its figures from `length`
/// bytes at `text` (which need not end with a NUL).
///
/// System times: the first line, "cpu" followed by at least four counts
/// (user, nice, system, idle; then iowait, irq, softirq when present) in
/// units of `ticksPerSecond`.
bool ParseSystemCpuTimes(const char* text, std::size_t length, long ticksPerSecond,
                         SystemCpuTimes& times);
/// System memory: the lines "MemTotal:" and "MemAvailable:", counts in kB.
bool ParseSystemMemoryUsed(const char* text, std::size_t length, unsigned long long& bytes);
/// Process memory: the lines "VmRSS:" and "VmHWM:", counts in kB; each
/// figure is read on its own, the result is true when both were.
bool ParseProcessMemory(const char* text, std::size_t length, ProcessMemory& memory);

}  // namespace Varn::platform

#endif  // ZOTREL_SRC_PLATFORM_SYSTEMFIGURES_H
