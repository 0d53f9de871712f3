// The object behind an event handle.
#ifndef ZOTREL_SRC_CONCURRENCY_EVENTELEMENT_H
#define ZOTREL_SRC_CONCURRENCY_EVENTELEMENT_H

#include <zotrel/event.h>
#include <zotrel/string.h>

#include <atomic>

#include "foundation/refcounted.h"
#include "platform/event.h"

namespace Varn {

namespace detail {

/// The identifier of the last event record handed out (1000 at load, so the
/// first event gets 1001). Defined with the module-wide objects
/// (foundation/moduleinit.cpp).
extern std::atomic<unsigned int> g_nLastEventId;

}  // namespace detail

/// One event: its handle record, its creation attributes and the system's
/// event. Reference counted: the registry holds one reference for as long as
/// the handle is registered, and every wait holds one while it waits, so an
/// event destroyed by another thread meanwhile stays valid until the wait
/// ends. The last reference frees the record, so a handle's address is not
/// given to another event while anything still uses it.
///
/// Everything but the system event is fixed once the object is built, so it
/// may be read without a lock; the system event is safe for any thread.
class CZtEventElement : public detail::RefCounted<IZtReferenced> {
public:
    /// A new record with the next identifier, and the system event made with
    /// these attributes, under the name (as UTF-8) when `name` is given and
    /// not empty. When the system cannot make the event the object still
    /// exists, without a system event: every operation on it fails. Throws
    /// std::bad_alloc when memory runs out.
    CZtEventElement(bool manualReset, bool initialState, const CZtString* name);
    CZtEventElement(const CZtEventElement&) = delete;
    CZtEventElement& operator=(const CZtEventElement&) = delete;

    tagZTEVENT* Handle() const { return m_pHandle; }
    unsigned char ManualReset() const { return m_byManualReset; }
    unsigned char InitialState() const { return m_byInitialState; }
    /// Empty when the event is unnamed.
    const CZtString& Name() const { return m_strName; }

    /// The system event; empty when it could not be made.
    const platform::Event& OsEvent() const { return m_Event; }
    /// For tests that need an event without a system event.
    void DropOsEvent() { m_Event = platform::Event(); }

protected:
    /// Closes the system event (this object's share of it) and frees the record.
    ~CZtEventElement() override;

private:
    tagZTEVENT* m_pHandle;
    unsigned char m_byManualReset;
    unsigned char m_byInitialState;
    CZtString m_strName;
    platform::Event m_Event;
};

}  // namespace Varn

#endif  // ZOTREL_SRC_CONCURRENCY_EVENTELEMENT_H
