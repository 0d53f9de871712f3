// Platform contract: events with the semantics of the system's OS events.
//
// An event is signalled or not. A manual-reset event stays signalled until it
// is reset and releases every waiter; an auto-reset event releases exactly
// one waiter and is reset by that release. Events may carry a name: creating
// an event under a name that an event of this process already has opens that
// event (its own attributes stay; the ones passed are ignored), so two
// modules meet on one event by name. An event lives as long as any `Event`
// refers to it; copies of an `Event` refer to the same event.
//
// Waits take a time-out in milliseconds (`kInfinite` waits without limit)
// measured on the monotonic clock, so setting the wall clock moves no
// time-out. A wait on several events either returns for the first of them
// (the lowest index among the signalled ones) or for all of them at once:
// a wait-all consumes its auto-reset events only when the whole set is
// signalled, in one step, so a competing waiter never sees half a set taken.
// No wake-up is lost: a waiter that can be satisfied when an event is set is
// woken.
//
// Every operation may be called from any thread.
#ifndef ZOTREL_SRC_PLATFORM_EVENT_H
#define ZOTREL_SRC_PLATFORM_EVENT_H

#include <cstddef>
#include <memory>
#include <string>

namespace Varn::platform {

/// A time-out that never expires.
constexpr unsigned int kInfinite = 0xFFFFFFFFu;
/// Wait results: `kWaitObject0 + index` for the (first) signalled event,
/// `kWaitTimeout` when the time-out expired, `kWaitFailed` for bad arguments.
constexpr unsigned int kWaitObject0 = 0;
constexpr unsigned int kWaitTimeout = 0x102;
constexpr unsigned int kWaitFailed = 0xFFFFFFFFu;
/// The most events one wait accepts (as on the system the library comes
/// from); more is `kWaitFailed`.
constexpr unsigned int kMaxWaitObjects = 64;

struct EventObject;

class Event {
public:
    /// An empty event: every operation on it fails.
    Event() noexcept = default;

    /// A new event, or the event of this process that already has `name`
    /// (UTF-8; empty means unnamed). Empty only when memory runs out.
    static Event Create(bool manualReset, bool initiallySignalled, const std::string& name = {});

    bool IsValid() const noexcept { return m_object != nullptr; }

    /// Signals the event / makes it unsignalled. False on an empty event.
    bool Set() const;
    bool Reset() const;

    /// Whether the event is signalled now; never consumes it.
    bool IsSet() const;

    /// Waits until the event is signalled (consuming it if auto-reset) or
    /// `milliseconds` pass: `kWaitObject0`, `kWaitTimeout`, or `kWaitFailed`
    /// on an empty event.
    unsigned int Wait(unsigned int milliseconds) const;

    /// Waits for any (the lowest signalled index) or all of `count` events.
    /// `kWaitFailed` without waiting when `count` is 0 or above
    /// `kMaxWaitObjects`, `events` is null, an event is empty, or a wait-all
    /// set holds one event twice.
    static unsigned int WaitMultiple(const Event* const* events, unsigned int count, bool waitAll,
                                     unsigned int milliseconds);

    friend bool operator==(const Event& a, const Event& b) { return a.m_object == b.m_object; }
    friend bool operator!=(const Event& a, const Event& b) { return a.m_object != b.m_object; }

private:
    explicit Event(std::shared_ptr<EventObject> object) noexcept : m_object(std::move(object)) {}
    std::shared_ptr<EventObject> m_object;
    friend struct EventAccess;
};

}  // namespace Varn::platform

#endif  // ZOTREL_SRC_PLATFORM_EVENT_H
