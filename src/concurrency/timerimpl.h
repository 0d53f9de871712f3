// A timer: a worker whose thread body waits for its interval and calls the
// client's callback instead of running commands.
#ifndef ZOTREL_SRC_CONCURRENCY_TIMERIMPL_H
#define ZOTREL_SRC_CONCURRENCY_TIMERIMPL_H

#include <zotrel/timer.h>

#include "concurrency/threadimpl.h"

#include <map>

namespace Varn {

class CZtTimerImpl : public CZtThreadImpl {
public:
    /// Takes a reference on `callback`; `Start(false, true)` then runs the
    /// timer's thread (false when no thread could be made).
    CZtTimerImpl(unsigned int timerId, unsigned int intervalMs, bool periodic,
                 IZtTimerCallback* callback);

protected:
    ~CZtTimerImpl() override;
    unsigned int Run() override;

private:
    CZtCoQIPtr<IZtTimerCallback> m_pCallback;
    bool m_bPeriodic;
    unsigned int m_nIntervalMs;
    unsigned int m_nTimerId;
};

/// The running timers by id; each entry holds one reference to its timer.
/// Timers still registered when it is destroyed (the library unloads) are
/// stopped and waited for, so no timer thread runs on into unloaded code.
class CZtTimerMap {
public:
    CZtTimerMap() = default;
    ~CZtTimerMap();
    CZtTimerMap(const CZtTimerMap&) = delete;
    CZtTimerMap& operator=(const CZtTimerMap&) = delete;

    std::map<unsigned int, CZtTimerImpl*> m_Timers;
};

}  // namespace Varn

#endif  // ZOTREL_SRC_CONCURRENCY_TIMERIMPL_H
