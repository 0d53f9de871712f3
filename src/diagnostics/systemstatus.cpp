// CZtSystemStatus and the CPU and memory usage lines.
#include <zotrel/systemstatus.h>

#include <zotrel/string.h>
#include <zotrel/trace.h>
#include <zotrel/variant.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "diagnostics/firstuse.h"
#include "diagnostics/systemstatusimpl.h"
#include "diagnostics/tracing.h"
#include "platform/systemfigures.h"

namespace Varn {

namespace {

constexpr double kTicksPerSecond = 10000000.0;  // 100-ns ticks
constexpr std::size_t kIdentifierWidth = 3;

double Seconds(unsigned long long ticks) {
    return static_cast<double>(ticks) / kTicksPerSecond;
}

// A resident set beyond 4 GiB does not fit the 32-bit result: it reads as
// the largest value rather than wrapping round to a small one.
unsigned int Saturated32(unsigned long long value) {
    return value > UINT_MAX ? UINT_MAX : static_cast<unsigned int>(value);
}

// Made on first use, from whichever thread comes first; destroyed when the
// library unloads (see diagnostics/firstuse.h).
detail::CZtFirstUse<CZtSystemStatus> g_Instance;
detail::CZtFirstUse<CZtAtomicInt> g_CpuLineCount;
detail::CZtFirstUse<CZtAtomicInt> g_RamLineCount;

}  // namespace

void detail::DestroySystemStatusObjects() {
    g_RamLineCount.Destroy();
    g_CpuLineCount.Destroy();
    g_Instance.Destroy();
}

std::string detail::UsageLinePrefix(int number, const tagZTCHROMID* id) {
    char head[16];
    std::snprintf(head, sizeof head, "%12d:", number);
    std::string prefix(head);
    CZtString text;
    const char* idText = "";
    if (id) {
        text = CZtString(CZtVariant(*id));
        if (const char* latin1 = text.c_str())
            idText = latin1;
    }
    const std::size_t length = std::strlen(idText);
    if (length < kIdentifierWidth)
        prefix.append(kIdentifierWidth - length, ' ');
    prefix.append(idText, length);
    return prefix;
}

// ---------------------------------------------------------------------------
// CZtSystemStatus

CZtSystemStatus::CZtSystemStatus() : m_ullMaxUsedSystemMemory(0) {}

CZtSystemStatus::CZtSystemStatus(const CZtSystemStatus& other)
    : CZtCrtAllocated(),
      m_ullMaxUsedSystemMemory(__atomic_load_n(&other.m_ullMaxUsedSystemMemory, __ATOMIC_RELAXED)) {
}

CZtSystemStatus& CZtSystemStatus::operator=(const CZtSystemStatus& other) {
    __atomic_store_n(&m_ullMaxUsedSystemMemory,
                     __atomic_load_n(&other.m_ullMaxUsedSystemMemory, __ATOMIC_RELAXED),
                     __ATOMIC_RELAXED);
    return *this;
}

CZtSystemStatus::~CZtSystemStatus() = default;

const CZtSystemStatus& CZtSystemStatus::GetInstance() {
    return g_Instance.Get();
}

unsigned int CZtSystemStatus::GetUsedMemory(unsigned int* peak) const {
    platform::ProcessMemory memory;
    platform::ReadProcessMemory(memory);  // a figure it cannot read stays 0
    if (peak)
        *peak = Saturated32(memory.peakResident);
    return Saturated32(memory.resident);
}

unsigned long long CZtSystemStatus::GetUsedSystemMemory(unsigned long long* maxUsed) const {
    unsigned long long used = 0;
    platform::ReadSystemMemoryUsed(used);  // 0 when it cannot be read
    // Raised atomically: concurrent readings on several threads lose none.
    const unsigned long long maximum = detail::RaiseMaximum(&m_ullMaxUsedSystemMemory, used);
    if (maxUsed)
        *maxUsed = maximum;
    return used;
}

bool CZtSystemStatus::GetSystemCpuTimes(double* idle, double* kernel, double* user) const {
    platform::SystemCpuTimes times;
    const bool ok = platform::ReadSystemCpuTimes(times);
    if (idle)
        *idle = Seconds(times.idle);
    if (kernel)
        *kernel = Seconds(times.kernel);
    if (user)
        *user = Seconds(times.user);
    return ok;
}

bool CZtSystemStatus::GetProcessCpuTimes(double* kernel, double* user) const {
    platform::ProcessCpuTimes times;
    const bool ok = platform::ReadProcessCpuTimes(times);
    if (kernel)
        *kernel = Seconds(times.kernel);
    if (user)
        *user = Seconds(times.user);
    return ok;
}

// ---------------------------------------------------------------------------
// Usage lines

void ZtTraceCPUUsage(const tagZTCHROMID* id, const char* text) {
    const unsigned char flag = detail::g_byTraceFlagNfrCpu;
    if (!text || !trace_flag_enabled(detail::TraceFilterWord(), flag))
        return;
    const int number = g_CpuLineCount.Get().Increment();
    const std::string prefix = detail::UsageLinePrefix(number, id);
    double idle = 0, kernel = 0, user = 0, processKernel = 0, processUser = 0;
    const CZtSystemStatus& status = CZtSystemStatus::GetInstance();
    status.GetSystemCpuTimes(&idle, &kernel, &user);
    status.GetProcessCpuTimes(&processKernel, &processUser);
    // Written only if the flag is still on once the figures are read.
    ZT_TRACE_FLAG(
        flag, Tracing::Severity::SeverityVerbose,
        Tracing::TraceMessage("%1:%2:SysIdle=%3 SysKernel=%4 SysUser=%5 ProcKernel=%6 ProcUser=%7")
            << prefix.c_str() << text << idle << kernel << user << processKernel << processUser);
}

void ZtTraceRAMUsage(const tagZTCHROMID* id, const char* text) {
    const unsigned char flag = detail::g_byTraceFlagNfrMem;
    if (!text || !trace_flag_enabled(detail::TraceFilterWord(), flag))
        return;
    const int number = g_RamLineCount.Get().Increment();
    const std::string prefix = detail::UsageLinePrefix(number, id);
    unsigned int used = 0, peak = 0;
    unsigned long long systemUsed = 0, systemMaxUsed = 0;
    const CZtSystemStatus& status = CZtSystemStatus::GetInstance();
    used = status.GetUsedMemory(&peak);
    systemUsed = status.GetUsedSystemMemory(&systemMaxUsed);
    ZT_TRACE_FLAG(flag, Tracing::Severity::SeverityVerbose,
                  Tracing::TraceMessage("%1:%2:ProcUsed=%3 ProcMaxUsed=%4 SysUsed=%5 SysMaxUsed=%6")
                      << prefix.c_str() << text << used << peak << systemUsed << systemMaxUsed);
}

}  // namespace Varn
