// Timers: each one a worker thread that waits for its interval on its stop
// event and calls the client's callback when the wait times out.
#include "concurrency/timerimpl.h"

#include <zotrel/string.h>
#include <zotrel/trace.h>

#include "diagnostics/tracing.h"

#include <new>
#include <utility>
#include <vector>

namespace Varn {

using Tracing::TraceMessage;
using Tracing::Severity::SeverityDebug;

namespace {

const CZtString& TimerThreadName() {
    static const CZtString name(L"ZtTimer");
    return name;
}

}  // namespace

CZtTimerImpl::CZtTimerImpl(unsigned int timerId, unsigned int intervalMs, bool periodic,
                           IZtTimerCallback* callback)
    : CZtThreadImpl(TimerThreadName()),
      m_pCallback(callback),
      m_bPeriodic(periodic),
      m_nIntervalMs(intervalMs),
      m_nTimerId(timerId) {}

CZtTimerImpl::~CZtTimerImpl() {
    // The thread must be gone before the members it uses are: stop and join
    // here, not only in the base destructor.
    Stop(false);
    Wait(kStopTimeoutMs);
}

unsigned int CZtTimerImpl::Run() {
    platform::RequestPreciseWakeups();  // the timer's waits are its schedule
    SignalStarted();
    OnThreadEnter();
    if (Name().IsEmpty()) {
        ZT_TRACE(SeverityDebug, TraceMessage("Timer started: Unknown name"));
    } else {
        ZT_TRACE(SeverityDebug, TraceMessage("Timer started: %1") << Name());
    }
    for (;;) {
        const unsigned int result = StopEvent().Wait(m_nIntervalMs);
        if (result == platform::kWaitObject0)
            break;
        if (result != platform::kWaitTimeout || !m_pCallback)
            continue;
        m_pCallback->OnTimer(0, m_nIntervalMs, m_bPeriodic, m_nTimerId);
        if (!m_bPeriodic)
            break;
    }
    StopEvent().Reset();
    return OnThreadExit();
}

CZtTimerMap::~CZtTimerMap() {
    // The library unloads: no timer may run on into unloaded code. The
    // entries are taken out under the lock and stopped after it, as
    // StopTimer does.
    std::map<unsigned int, CZtTimerImpl*> timers;
    {
        CZtAutoMutexLock lock(CZtTimer::sm_Mutex);
        timers.swap(m_Timers);
    }
    for (auto& [id, timer] : timers) {
        if (timer) {
            timer->Stop(true);
            timer->Release();
        }
    }
}

CZtTimer::CZtTimer() = default;
CZtTimer::~CZtTimer() = default;

CZtTimer& CZtTimer::operator=(const CZtTimer&) {
    return *this;
}

unsigned int CZtTimer::SetTimer(unsigned int intervalMs, bool periodic,
                                IZtTimerCallback* callback) {
    CZtAutoMutexLock lock(sm_Mutex);
    const unsigned int id = static_cast<unsigned int>(sm_TimerIDCount.Increment());
    // Started once the object is complete, as the thread runs this class's
    // body. A timer that cannot run is not registered: its id would name
    // nothing, so 0 (never an id) reports the failure.
    CZtTimerImpl* timer = new (std::nothrow) CZtTimerImpl(id, intervalMs, periodic, callback);
    if (!timer || !timer->Start(false, true)) {
        if (timer)
            timer->Release();
        return 0;
    }
    sm_mapTimers.m_Timers[id] = timer;
    return id;
}

unsigned int CZtTimer::StopTimer(unsigned int timerId, bool doNotWait) {
    CZtTimerImpl* timer = nullptr;
    {
        CZtAutoMutexLock lock(sm_Mutex);
        const auto found = sm_mapTimers.m_Timers.find(timerId);
        if (found == sm_mapTimers.m_Timers.end())
            return ZT_E_NOTFOUND;
        timer = found->second;
        sm_mapTimers.m_Timers.erase(found);
    }
    // Stopped and joined outside the lock: a callback of this timer that is
    // running may itself call SetTimer or StopTimer.
    if (timer) {
        timer->Stop(!doNotWait);
        timer->Release();
    }
    return ZT_S_OK;
}

}  // namespace Varn
