// The private state of CZtTime and the process-wide ticker that makes UTC
// time stamps unique.
#ifndef ZOTREL_SRC_TIME_TIMEIMPL_H
#define ZOTREL_SRC_TIME_TIMEIMPL_H

#include <zotrel/foundation.h>
#include <zotrel/time.h>

#include <atomic>

namespace Varn {

/// What one CZtTime owns: the stamp, its breakdown next to it (so the field
/// getters are plain reads), an optional copy of a time-zone record and the
/// start of the elapsed-time monitor.
class CZtTimeImpl {
public:
    CZtTimeImpl() = default;
    CZtTimeImpl(const CZtTimeImpl&) = delete;
    CZtTimeImpl& operator=(const CZtTimeImpl&) = delete;
    virtual ~CZtTimeImpl();

    /// Sets the stamp and recomputes the whole breakdown from it.
    void SetStamp(long long stamp);
    /// Stores `fields` as given and the stamp computed from them, with the
    /// day of week of that stamp. False, changing nothing, when the stamp
    /// does not fit into 64 bits.
    bool SetFields(const SZtTime& fields);
    /// Stamp, breakdown and monitor 0; the time-zone copy is freed.
    void Reset();
    /// Copies the stamp, the breakdown and the time-zone record (the monitor
    /// is not copied); `this` must be freshly reset.
    void CopyFrom(const CZtTimeImpl& other);
    /// Replaces the time-zone copy with `zone`, or with zeros when null.
    void SetTimeZone(const SZtTimeZoneInformation* zone);

    long long m_llTimeStamp = 0;
    SZtTime m_Time = {};
    SZtTimeZoneInformation* m_pTimeZone = nullptr;
    /// Performance-counter value at StartTimeMonitor; 0 when not started.
    long long m_llCounterStart = 0;
};

/// Makes UTC time stamps unique within the process: each stamp it hands out
/// is greater than every stamp handed out before, on any thread, even when
/// the clock stands still (several reads within one 100-ns tick) or steps
/// back. The object has no data of its own: the last stamp and the mutex
/// that guards it are module-wide, constructed when the library loads.
class CZtGlobalTicker {
public:
    /// The single instance, created on first use (safe when several threads
    /// race for it) and destroyed when the library unloads.
    static CZtGlobalTicker& Instance();
    /// Destroys the instance; called once, at unload.
    static void DestroyInstance();

    virtual ~CZtGlobalTicker();
    CZtGlobalTicker(const CZtGlobalTicker&) = delete;
    CZtGlobalTicker& operator=(const CZtGlobalTicker&) = delete;

    /// If `stamp` is greater than the last stamp it becomes the last one and
    /// is left as it is; otherwise the last stamp advances by one tick and
    /// `stamp` receives it.
    void MakeUnique(long long& stamp);

private:
    CZtGlobalTicker() = default;

    // Defined with the other module-wide objects (foundation/moduleinit.cpp).
    static CZtAutoMutex sm_Mutex;
    static long long sm_llLastStamp;
    static std::atomic<CZtGlobalTicker*> sm_pInstance;
};

/// Destroys the ticker's instance when the library unloads; defined right
/// after the ticker's mutex so that it runs before the mutex goes away.
class CZtGlobalTickerDeleter {
public:
    CZtGlobalTickerDeleter() = default;
    CZtGlobalTickerDeleter(const CZtGlobalTickerDeleter&) = delete;
    CZtGlobalTickerDeleter& operator=(const CZtGlobalTickerDeleter&) = delete;
    ~CZtGlobalTickerDeleter() { CZtGlobalTicker::DestroyInstance(); }
};

}  // namespace Varn

#endif  // ZOTREL_SRC_TIME_TIMEIMPL_H
