// The event C functions: pointer checks, then the registry.
//
// Every null pointer an operation needs is refused here, before any lock is
// taken or any handle looked up; the registry does the rest.
#include <zotrel/event.h>

#include "concurrency/eventmgr.h"
#include "platform/event.h"

namespace Varn {

static_assert(ZT_INFINITE == platform::kInfinite, "the system's time-out without limit");
static_assert(ZT_WAIT_OBJECT_0 == platform::kWaitObject0 &&
                  ZT_WAIT_TIMEOUT == platform::kWaitTimeout &&
                  ZT_WAIT_FAILED == platform::kWaitFailed,
              "wait results pass through unchanged");
static_assert(ZT_MAXIMUM_WAIT_OBJECTS == platform::kMaxWaitObjects, "the same limit");

tagZTEVENT* ZtCreateEvent(unsigned char manualReset, unsigned char initialState,
                          const CZtString* name) {
    return g_EventMgr.Create(manualReset != 0, initialState != 0, name);
}

unsigned int ZtDestroyEvent(tagZTEVENT* event) {
    if (!event)
        return ZT_E_NULL_POINTER;
    return g_EventMgr.Destroy(event);
}

unsigned int ZtSetEvent(tagZTEVENT* event) {
    if (!event)
        return ZT_E_NULL_POINTER;
    return g_EventMgr.Set(event);
}

unsigned int ZtResetEvent(tagZTEVENT* event) {
    if (!event)
        return ZT_E_NULL_POINTER;
    return g_EventMgr.Reset(event);
}

unsigned int ZtCopyEvent(const tagZTEVENT* source, tagZTEVENT** destination) {
    if (!source || !destination)
        return ZT_E_NULL_POINTER;
    return g_EventMgr.Copy(source, destination);
}

unsigned int ZtGetEventAttributes(const tagZTEVENT* event, unsigned char* manualReset,
                                  unsigned char* initialState, CZtString* name) {
    if (!event)
        return ZT_E_NULL_POINTER;
    return g_EventMgr.GetAttributes(event, manualReset, initialState, name);
}

unsigned int ZtWaitForSingleEvent(tagZTEVENT* event, unsigned int milliseconds) {
    if (!event)
        return ZT_WAIT_FAILED;
    return g_EventMgr.Wait(event, milliseconds);
}

unsigned int ZtWaitForMultipleEvents(unsigned int count, tagZTEVENT* const* events,
                                     unsigned char waitAll, unsigned int milliseconds) {
    if (count == 0 || !events)
        return ZT_WAIT_FAILED;
    return g_EventMgr.WaitMultiple(count, events, waitAll != 0, milliseconds);
}

}  // namespace Varn
