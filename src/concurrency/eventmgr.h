// The event registry: the one place that knows every live event handle.
#ifndef ZOTREL_SRC_CONCURRENCY_EVENTMGR_H
#define ZOTREL_SRC_CONCURRENCY_EVENTMGR_H

#include <zotrel/event.h>

#include <QMap>

namespace Varn {

class CZtEventElement;

/// Maps every live handle to its event object and runs every event operation
/// after the C functions' null-pointer checks. It holds one reference to each
/// registered object and drops it when the handle is destroyed (or the library
/// is unloaded).
///
/// Locking. The mutex is held for every look-up, registration and removal,
/// and for setting and resetting (quick operations that never block), so an
/// object cannot go while they use it. Waits never block under it: a wait
/// finds its objects and takes a reference on each under the mutex, lets the
/// mutex go, waits, and then drops its references. The system events never
/// call back into the registry, so taking their locks under this mutex cannot
/// deadlock.
class CZtEventMgr {
public:
    CZtEventMgr() = default;
    /// Releases every object still registered.
    ~CZtEventMgr();
    CZtEventMgr(const CZtEventMgr&) = delete;
    CZtEventMgr& operator=(const CZtEventMgr&) = delete;

    // The operations of the C functions of the same names.
    tagZTEVENT* Create(bool manualReset, bool initialState, const CZtString* name);
    unsigned int Destroy(const tagZTEVENT* event);
    unsigned int Set(const tagZTEVENT* event);
    unsigned int Reset(const tagZTEVENT* event);
    unsigned int Copy(const tagZTEVENT* source, tagZTEVENT** destination);
    unsigned int GetAttributes(const tagZTEVENT* event, unsigned char* manualReset,
                               unsigned char* initialState, CZtString* name);
    unsigned int Wait(const tagZTEVENT* event, unsigned int milliseconds);
    unsigned int WaitMultiple(unsigned int count, tagZTEVENT* const* events, bool waitAll,
                              unsigned int milliseconds);

    /// The object registered under `event` with one more reference, which the
    /// caller drops; null when the handle is unknown or has no object.
    CZtEventElement* Acquire(const tagZTEVENT* event);
    /// Registers `element` (null registers a handle without an object) under
    /// `event` and takes over the caller's reference. For tests that need
    /// entries the public functions never make.
    void Register(const tagZTEVENT* event, CZtEventElement* element);

private:
    /// Destroy with the mutex held.
    unsigned int DestroyLocked(const tagZTEVENT* event);
    /// Set (`signalled`) or Reset.
    unsigned int Signal(const tagZTEVENT* event, bool signalled);

    CZtAutoMutex m_Mutex;
    QMap<const tagZTEVENT*, CZtEventElement*> m_Events;
};

/// The registry; constructed when the library is loaded, with the other
/// module-wide objects.
extern CZtEventMgr g_EventMgr;

}  // namespace Varn

#endif  // ZOTREL_SRC_CONCURRENCY_EVENTMGR_H
