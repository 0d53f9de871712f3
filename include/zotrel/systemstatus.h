/// @file
/// Zotrel system status: CPU times and memory use, and the usage trace lines.
///
/// `CZtSystemStatus` reads the CPU times and the physical memory use of the
/// machine and of the calling process. The values are raw totals (seconds of
/// CPU time since start, bytes); rates and percentages are left to whoever
/// compares two readings.
///
///     const Varn::CZtSystemStatus& status = Varn::CZtSystemStatus::GetInstance();
///     unsigned int peak = 0;
///     unsigned int resident = status.GetUsedMemory(&peak);
///     double idle = 0, kernel = 0, user = 0;
///     if (status.GetSystemCpuTimes(&idle, &kernel, &user))
///         double busy = kernel + user - idle;   // kernel time includes the idle time
///
/// `ZtTraceCPUUsage` and `ZtTraceRAMUsage` turn one reading into one trace
/// line of the library, under its trace flags "NFR_CPU" and "NFR_MEM", so a
/// trace consumer can follow resource use over time. While its flag is off a
/// call costs one read of the library's filter word. Each function numbers
/// its lines 1, 2, 3, ...; the line reads
///
///     "<n>:<id>:<text>:SysIdle=<s> SysKernel=<s> SysUser=<s> ProcKernel=<s> ProcUser=<s>"
///     "<n>:<id>:<text>:ProcUsed=<b> ProcMaxUsed=<b> SysUsed=<b> SysMaxUsed=<b>"
///
/// with `<n>` right-aligned in 12 characters, `<id>` the identifier's text
/// right-aligned in 3, `<text>` the caller's label, seconds (`<s>`) as
/// decimal numbers and bytes (`<b>`) as integers.
///
/// Threads. Every member and function may be called from any thread at once.
/// The instance and the line counters are made on first use; the largest
/// system memory use is raised atomically, so no reading is lost.
///
/// A figure the system cannot give reads 0 (the CPU time readers then
/// return false). The C functions also compile as C11.
#ifndef ZOTREL_SYSTEMSTATUS_H
#define ZOTREL_SYSTEMSTATUS_H

#include <zotrel/chromid.h>
#include <zotrel/foundation.h>

ZOTREL_NAMESPACE_BEGIN

/// Writes one CPU usage line, numbered by its own counter, when the library's
/// trace flag "NFR_CPU" is on: `id` (null: an empty identifier) and `text`
/// label it. A null `text` writes nothing.
ZOTREL_C_API void ZtTraceCPUUsage(const tagZTCHROMID* id, const char* text);

/// Writes one memory usage line, numbered by its own counter, when the
/// library's trace flag "NFR_MEM" is on; as ZtTraceCPUUsage otherwise.
ZOTREL_C_API void ZtTraceRAMUsage(const tagZTCHROMID* id, const char* text);

ZOTREL_NAMESPACE_END

#ifdef __cplusplus

namespace Varn {

/// Readings of CPU time and memory use. It keeps one figure: the largest
/// system memory use it has read so far.
class ZOTREL_EXPORT CZtSystemStatus : public CZtCrtAllocated {
public:
    /// A reader that has seen no system memory use yet (largest use 0).
    CZtSystemStatus();
    /// Copies the largest system memory use seen.
    CZtSystemStatus(const CZtSystemStatus& other);
    /// Copies the largest system memory use seen.
    CZtSystemStatus& operator=(const CZtSystemStatus& other);
    /// Nothing to free.
    ~CZtSystemStatus();

    /// The process-wide instance, made on the first call.
    static const CZtSystemStatus& GetInstance();

    /// The physical memory the process holds (its resident set), in bytes;
    /// `peak`, when given, receives the largest it has been. A value beyond
    /// 32 bits reads 0xFFFFFFFF.
    unsigned int GetUsedMemory(unsigned int* peak = nullptr) const;
    /// Physical memory in use in the whole system (total minus available),
    /// in bytes. The largest value read so far is raised to it; `maxUsed`,
    /// when given, receives that largest value. A failed reading returns 0
    /// and leaves the largest value as it was.
    unsigned long long GetUsedSystemMemory(unsigned long long* maxUsed = nullptr) const;
    /// The system's CPU time since start, all processors together, in
    /// seconds: idle, kernel (which includes the idle time) and user. True
    /// when the system gave them; otherwise every value given is 0.
    bool GetSystemCpuTimes(double* idle = nullptr, double* kernel = nullptr,
                           double* user = nullptr) const;
    /// The process's CPU time in kernel and in user mode so far, in seconds.
    /// True when the system gave them; otherwise every value given is 0.
    bool GetProcessCpuTimes(double* kernel = nullptr, double* user = nullptr) const;

private:
    mutable unsigned long long m_ullMaxUsedSystemMemory;
};

}  // namespace Varn

#endif  // __cplusplus

#endif  // ZOTREL_SYSTEMSTATUS_H
