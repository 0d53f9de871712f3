/// @file
/// Zotrel events: signalled/unsignalled flags that threads wait for, behind
/// registered handles.
///
/// An event is signalled or not. A manual-reset event stays signalled until it
/// is reset and releases every thread that waits for it; an auto-reset event
/// releases exactly one waiter, and that release resets it. An event may carry
/// a name: creating an event under the name of a live event of this process
/// opens that event (its attributes stay as they are), so two modules meet on
/// one event by name.
///
/// Handles. `ZtCreateEvent` and `ZtCopyEvent` hand out a handle: the address of
/// a `tagZTEVENT` record, which callers treat as opaque. Its identifier is a
/// number unique in the process: identifiers count up from 1001 in the order
/// in which events are created. One process-wide registry knows every live
/// handle; every function looks its handle up there first and answers
/// `ZT_E_INVALID_TYPE` for an address it does not know (never created, or
/// already destroyed) without reading through it. Once destroyed, a handle must
/// not be used again: a new event may be given the same address.
///
/// Copies. `ZtCopyEvent` makes a new handle with the source's creation
/// attributes. A copy of an unnamed event is a new, independent event; a copy
/// of a named event opens the same named event, so both handles share its
/// state.
///
/// Waiting. A wait holds its own reference to every event it waits for, so an
/// event that another thread destroys during the wait stays usable by that wait
/// until it ends. Time-outs are in milliseconds, `ZT_INFINITE` waits without
/// limit.
///
///     tagZTEVENT* ready = ZtCreateEvent(0, 0, NULL);    // auto-reset, unsignalled
///     // ... another thread: ZtSetEvent(ready);
///     if (ZtWaitForSingleEvent(ready, 500) == ZT_WAIT_OBJECT_0)
///         consume();                                    // the wait reset it
///     ZtDestroyEvent(ready);
///
///     Varn::CZtEvent done(1, 0);                         // the class form: manual-reset
///     done.SetEvent();
///
/// Every function may be called from any thread. The record, the constants and
/// the C functions also compile as C11.

#ifndef ZOTREL_EVENT_H
#define ZOTREL_EVENT_H

#include <zotrel/foundation.h>

#ifdef __cplusplus
namespace Varn {
class CZtString;
}
#else
/// Opaque in C: only the library creates, reads and frees these strings.
typedef struct CZtString CZtString;
#endif

ZOTREL_NAMESPACE_BEGIN

/// A time-out that never expires.
static const unsigned int ZT_INFINITE = 0xFFFFFFFFu;
/// Wait result: ZT_WAIT_OBJECT_0 + index for the (first) signalled event, or
/// ZT_WAIT_OBJECT_0 alone when a wait-all or single wait is satisfied.
static const unsigned int ZT_WAIT_OBJECT_0 = 0x00000000u;
/// Wait result: the time-out expired before the wait was satisfied.
static const unsigned int ZT_WAIT_TIMEOUT = 0x00000102u;
/// Wait result: the wait could not start (bad handle or arguments).
static const unsigned int ZT_WAIT_FAILED = 0xFFFFFFFFu;
/// The most events one ZtWaitForMultipleEvents call accepts.
static const unsigned int ZT_MAXIMUM_WAIT_OBJECTS = 64u;

/// The record behind an event handle; its address is the handle. Only the
/// library creates, writes and frees it.
typedef struct tagZTEVENT {
    unsigned int id;  ///< Unique in the process, from 1001 upwards.
} tagZTEVENT, ZTEVENT;
/// @typedef ZTEVENT
/// `tagZTEVENT` under its second name.

// Results, unless a function says otherwise: 0 success, ZT_E_NULL_POINTER
// for a null handle or required pointer, ZT_E_INVALID_TYPE for a handle that
// is not a live event.

/// A new event: manual-reset when `manualReset` is not 0, signalled when
/// `initialState` is not 0. With a non-empty `name` it opens the live event of
/// that name instead, if there is one. Returns null only when memory runs out.
ZOTREL_C_API tagZTEVENT* ZtCreateEvent(unsigned char manualReset, unsigned char initialState,
                                       const CZtString* name);

/// Destroys the handle. The event itself goes when no wait uses it any more.
ZOTREL_C_API unsigned int ZtDestroyEvent(tagZTEVENT* event);

/// Signals the event: a manual-reset event releases every waiter and stays
/// signalled, an auto-reset event releases one waiter (or stays signalled
/// until one comes). Returns 0; ZT_E_FAIL when the event could not be made
/// in the system (or the operation fails there).
ZOTREL_C_API unsigned int ZtSetEvent(tagZTEVENT* event);
/// Makes the event unsignalled. Results as ZtSetEvent.
ZOTREL_C_API unsigned int ZtResetEvent(tagZTEVENT* event);

/// Stores in `*destination` a new handle with the attributes of `source` (see
/// the header comment). A handle already in `*destination` is destroyed first,
/// once the copy exists. ZT_E_FAIL when the copy cannot be made (nothing
/// changed).
ZOTREL_C_API unsigned int ZtCopyEvent(const tagZTEVENT* source, tagZTEVENT** destination);

/// The attributes the event was created with: the manual-reset flag, the
/// initial state (not the current one) and the name (empty when unnamed).
/// Each out-pointer may be null.
ZOTREL_C_API unsigned int ZtGetEventAttributes(const tagZTEVENT* event, unsigned char* manualReset,
                                               unsigned char* initialState, CZtString* name);

/// Waits until the event is signalled (consuming it when auto-reset) or
/// `milliseconds` pass: ZT_WAIT_OBJECT_0 or ZT_WAIT_TIMEOUT; ZT_WAIT_FAILED for
/// a null handle, one that is not a live event, or an event the system could
/// not make.
ZOTREL_C_API unsigned int ZtWaitForSingleEvent(tagZTEVENT* event, unsigned int milliseconds);

/// Waits for any (`waitAll` 0) or all of `count` events. For any: the index of
/// the first signalled one (ZT_WAIT_OBJECT_0 + index); for all: ZT_WAIT_OBJECT_0
/// once every one is signalled, consumed together in one step. ZT_WAIT_TIMEOUT
/// when the time-out expired. ZT_WAIT_FAILED without waiting when `count` is 0
/// or above ZT_MAXIMUM_WAIT_OBJECTS, `events` is null, an entry is null, not a
/// live event or an event the system could not make, or a wait-all set holds
/// one event twice (also through two handles of one named event).
ZOTREL_C_API unsigned int ZtWaitForMultipleEvents(unsigned int count, tagZTEVENT* const* events,
                                                  unsigned char waitAll, unsigned int milliseconds);

ZOTREL_NAMESPACE_END

#ifdef __cplusplus

namespace Varn {

/// An event as a value: owns at most one handle and destroys it when it lets
/// go of it. Copies are made with `ZtCopyEvent`, so a copy of a named event
/// shares its state and a copy of an unnamed one is a new event. One object is
/// used by one thread at a time; the event itself may be used from any.
///
/// The object converts to its handle (null when it holds none): a non-const
/// object to `tagZTEVENT*`, a const one to `tagZTEVENT*` or `const tagZTEVENT*`
/// (the pointer itself is what is const there). Testing a const object as a
/// truth value is ambiguous between the two; compare
/// `static_cast<const tagZTEVENT*>(event)` with null instead.
class ZOTREL_EXPORT CZtEvent : public CZtCrtAllocated {
public:
    /// An auto-reset, unsignalled, unnamed event.
    CZtEvent();
    /// An unnamed event; a flag is set when not 0.
    CZtEvent(unsigned char manualReset, unsigned char initialState);
    /// A named event, or the live event of that name (see ZtCreateEvent).
    CZtEvent(unsigned char manualReset, unsigned char initialState, const CZtString& name);
    /// A copy of the other's event (none when it has none).
    CZtEvent(const CZtEvent& other);
    /// A copy of the event whose handle is `&event` (none when it is not live).
    CZtEvent(const tagZTEVENT& event);
    /// Destroys the held handle.
    ~CZtEvent();

    /// Destroys the held handle and holds a copy of the other's event;
    /// assigning an object to itself changes nothing.
    CZtEvent& operator=(const CZtEvent& other);
    /// Destroys the held handle and holds a copy of the event whose handle is
    /// `&event`; the copy is made first, so the object's own record may be
    /// assigned to it (it then holds a fresh copy of its event).
    CZtEvent& operator=(const tagZTEVENT& event);

    /// Destroys the held handle and takes over `event` (which may be null).
    /// Attaching the handle already held changes nothing.
    void Attach(tagZTEVENT* event);
    /// Hands out the handle without destroying it; the caller owns it.
    tagZTEVENT* Detach();

    /// ZtSetEvent with the held handle, and its result (ZT_E_NULL_POINTER
    /// when there is none).
    unsigned int SetEvent() const;
    /// ZtResetEvent with the held handle, and its result.
    unsigned int ResetEvent() const;

    /// The manual-reset flag the event was created with (1 or 0); 0 when
    /// there is no live event.
    unsigned char GetManualReset() const;
    /// The initial state the event was created with (1 or 0, not the current
    /// state); 0 when there is no live event.
    unsigned char GetInitialState() const;
    /// The event's name; empty for an unnamed event or when there is no live
    /// event.
    CZtString GetName() const;

    /// ZtWaitForSingleEvent with the object's handle.
    static unsigned int WaitForSingleEvent(const CZtEvent& event, unsigned int milliseconds);
    /// ZtWaitForMultipleEvents over the handles of `count` objects;
    /// ZT_WAIT_FAILED when `count` is 0 or `events` is null.
    static unsigned int WaitForMultipleEvents(unsigned int count, const CZtEvent* events,
                                              unsigned char waitAll, unsigned int milliseconds);

    /// The held handle, or null.
    ///@{
    operator tagZTEVENT*();
    operator tagZTEVENT*() const;
    operator const tagZTEVENT*() const;
    ///@}
    /// The address of the handle member, for functions that store a handle
    /// (ZtCopyEvent destroys a handle held there before it stores the new one).
    tagZTEVENT** operator&();

private:
    tagZTEVENT* m_pEvent;
};

}  // namespace Varn

#endif  // __cplusplus

#endif  // ZOTREL_EVENT_H
