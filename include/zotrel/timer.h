/// @file
/// Zotrel timers: a callback after an interval, once or repeatedly.
///
/// `CZtTimer::SetTimer` starts a timer and returns its id (1 for the first of
/// the process, then 2, 3, ...); `CZtTimer::StopTimer` ends it. Every timer
/// runs on a thread of its own, named "ZtTimer", which waits for the interval
/// and then calls the client's `IZtTimerCallback::OnTimer`:
///
///     class Poll : public IZtTimerCallback { /* QueryInterface, AddRef, Release, OnTimer */ };
///     const unsigned int id = CZtTimer::SetTimer(100, true, poll);  // every 100 ms
///     ...
///     CZtTimer::StopTimer(id);
///
/// The interval runs from the end of one callback to the next call, measured
/// on the monotonic clock (setting the system time moves no timer). A timer
/// holds one reference to its callback until it is stopped. `StopTimer` may be
/// called from any thread, the timer's own callback included (it then returns
/// at once and the timer ends when the callback returns). Timers still running
/// when the library unloads are stopped and waited for.
#ifndef ZOTREL_TIMER_H
#define ZOTREL_TIMER_H

#include <zotrel/foundation.h>

namespace Varn {

/// Implemented by clients: what a timer calls.
class IZtTimerCallback : public IZtUnknown {
public:
    /// Runs on the timer's thread. `reserved` is always 0; `intervalMs`,
    /// `periodic` and `timerId` are the timer's. The result is not used.
    virtual unsigned int OnTimer(unsigned int reserved, unsigned int intervalMs, bool periodic,
                                 unsigned int timerId) = 0;
};

class CZtTimerImpl;
/// The running timers by id (internal).
class CZtTimerMap;

/// The registry of timers; all members are static, an instance carries
/// nothing.
class ZOTREL_EXPORT CZtTimer {
public:
    /// An instance carries nothing.
    CZtTimer();
    /// Nothing to free.
    ~CZtTimer();
    /// Copies nothing and returns this object.
    CZtTimer& operator=(const CZtTimer&);

    /// Starts a timer that calls `callback` (may be null: the timer then
    /// calls nothing until stopped) `intervalMs` after it starts, and again
    /// after every interval when `periodic`. Returns the timer's id, or 0
    /// when no timer could be made (out of memory, no thread). A
    /// one-shot timer keeps its id, and its reference to the callback, after
    /// it fired until `StopTimer` ends it.
    static unsigned int SetTimer(unsigned int intervalMs, bool periodic,
                                 IZtTimerCallback* callback);
    /// Ends the timer `timerId`: 0, or `ZT_E_NOTFOUND` when no timer has
    /// that id (never issued, or stopped before). Waits up to 30 s for a
    /// callback that is running to return, unless `doNotWait`.
    static unsigned int StopTimer(unsigned int timerId, bool doNotWait = false);

    /// Guards the id counter and the map.
    static CZtAutoMutex sm_Mutex;
    /// The last id handed out (0 before the first timer).
    static CZtAtomicInt sm_TimerIDCount;
    /// The running timers by id; at unload it stops and waits for those
    /// still registered. Its type is internal to the library.
    static CZtTimerMap sm_mapTimers;
};

}  // namespace Varn

#endif  // ZOTREL_TIMER_H
