#include "platform/event.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <new>
#include <unordered_map>

namespace Varn::platform {

// How the pieces fit together.
//
// Each event keeps its state in one atomic word: whether it is signalled and
// whether it is "guarded". An unguarded event has no waiter and nobody is
// looking at it under the wait lock, so Set, Reset and a wait that finds it
// signalled change it with a single atomic operation: the uncontended paths
// take no lock at all.
//
// Everything that has to see several events at once, or has to block, takes
// the one process-wide wait lock and first guards every event it looks at.
// From then on, a guarded event only goes from signalled to unsignalled
// without the lock (Reset); signalling it or consuming it needs the lock. So
// whoever holds the lock sees a set of events that can only lose signals
// while it looks, which makes "check every event, then consume them" one
// atomic step: a wait-all consumes its auto-reset events only when all were
// signalled at the same instant, and nobody else can take one of them in
// between.
//
// A thread that has to block links a waiter record into the list of each of
// its events (in arrival order) and sleeps on the record's own futex word.
// Set walks the event's list under the lock and satisfies whom it can: the
// first satisfiable waiter of an auto-reset event takes it, a manual-reset
// event releases every satisfiable waiter. The setter consumes for the
// waiter, unlinks it from all its lists and wakes it; the woken thread finds
// its result ready and needs the lock no more. Registering and evaluating
// happen under the same lock as every Set of a guarded event, so no wake-up
// is lost. An event stays guarded while its waiter list is not empty.

namespace {

constexpr unsigned int kSignalled = 1u;
constexpr unsigned int kGuarded = 2u;

struct Waiter;

// One waiter's place in the waiter list of one event.
struct WaitLink {
    Waiter* waiter;
    EventObject* event;
    WaitLink* prev;
    WaitLink* next;
};

// One blocked wait, on the waiting thread's stack.
struct Waiter {
    // The futex word: 0 while waiting, 1 once a setter satisfied the wait.
    std::atomic<std::uint32_t> released{0};
    // Written under the wait lock before `released`; read after it.
    unsigned int result = kWaitTimeout;
    bool waitAll = false;
    unsigned int count = 0;
    WaitLink links[kMaxWaitObjects];
};
static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t),
              "the futex word must be a plain 32-bit word");

// Guards every waiter list and every change of a guarded event.
std::mutex g_waitLock;

// Named events of the process. The map holds weak references: a name lives
// as long as its event and is free again when the last `Event` goes. The
// registry is never destroyed, so events released during exit (or by threads
// still running then) still find it.
struct NameRegistry {
    std::mutex lock;
    std::unordered_map<std::string, std::weak_ptr<EventObject>> events;
};

NameRegistry& Names() {
    static NameRegistry* registry = new NameRegistry;
    return *registry;
}

}  // namespace

struct EventObject {
    EventObject(bool manual, bool initiallySignalled, std::string eventName)
        : state(initiallySignalled ? kSignalled : 0u),
          manualReset(manual),
          name(std::move(eventName)) {}
    ~EventObject();
    EventObject(const EventObject&) = delete;
    EventObject& operator=(const EventObject&) = delete;

    std::atomic<unsigned int> state;
    const bool manualReset;
    const std::string name;
    // The waiters, oldest first; guarded by g_waitLock.
    WaitLink* head = nullptr;
    WaitLink* tail = nullptr;
};

EventObject::~EventObject() {
    if (name.empty())
        return;
    // The entry may already belong to a newer event of the same name, created
    // after this one's last reference went; only an expired entry is ours.
    NameRegistry& names = Names();
    std::lock_guard<std::mutex> lock(names.lock);
    const auto it = names.events.find(name);
    if (it != names.events.end() && it->second.expired())
        names.events.erase(it);
}

namespace {

// The result of a wait that did not need the lock.
enum class Quick { kTaken, kNotSignalled, kGuarded };

// Takes an unguarded signalled event without the lock (an auto-reset event
// is consumed by the same atomic step that sees it signalled).
Quick TryTake(EventObject& event) {
    unsigned int state = event.state.load(std::memory_order_acquire);
    for (;;) {
        if (state & kGuarded)
            return Quick::kGuarded;
        if (!(state & kSignalled))
            return Quick::kNotSignalled;
        if (event.manualReset)
            return Quick::kTaken;
        if (event.state.compare_exchange_weak(state, state & ~kSignalled, std::memory_order_acq_rel,
                                              std::memory_order_acquire))
            return Quick::kTaken;
    }
}

bool IsSignalled(const EventObject& event) {
    return (event.state.load(std::memory_order_acquire) & kSignalled) != 0;
}

void Consume(EventObject& event) {
    if (!event.manualReset)
        event.state.fetch_and(~kSignalled, std::memory_order_acq_rel);
}

// Satisfies `waiter` from the current states if it can, consuming what it
// takes, and records its result. Needs the wait lock and guarded events.
bool TrySatisfy(Waiter& waiter) {
    if (!waiter.waitAll) {
        for (unsigned int i = 0; i < waiter.count; ++i) {
            EventObject& event = *waiter.links[i].event;
            if (IsSignalled(event)) {
                Consume(event);
                waiter.result = kWaitObject0 + i;
                return true;
            }
        }
        return false;
    }
    for (unsigned int i = 0; i < waiter.count; ++i) {
        if (!IsSignalled(*waiter.links[i].event))
            return false;
    }
    for (unsigned int i = 0; i < waiter.count; ++i)
        Consume(*waiter.links[i].event);
    waiter.result = kWaitObject0;
    return true;
}

// Lets the lock-free paths use the waiter's events again where no waiter is
// left. Needs the wait lock.
void Unguard(Waiter& waiter) {
    for (unsigned int i = 0; i < waiter.count; ++i) {
        EventObject& event = *waiter.links[i].event;
        if (!event.head)
            event.state.fetch_and(~kGuarded, std::memory_order_acq_rel);
    }
}

void Link(Waiter& waiter) {
    for (unsigned int i = 0; i < waiter.count; ++i) {
        WaitLink& link = waiter.links[i];
        EventObject& event = *link.event;
        link.prev = event.tail;
        link.next = nullptr;
        if (event.tail)
            event.tail->next = &link;
        else
            event.head = &link;
        event.tail = &link;
    }
}

void Unlink(Waiter& waiter) {
    for (unsigned int i = 0; i < waiter.count; ++i) {
        WaitLink& link = waiter.links[i];
        EventObject& event = *link.event;
        if (link.prev)
            link.prev->next = link.next;
        else
            event.head = link.next;
        if (link.next)
            link.next->prev = link.prev;
        else
            event.tail = link.prev;
    }
    Unguard(waiter);
}

long Futex(std::atomic<std::uint32_t>& word, int operation, std::uint32_t value,
           const struct timespec* deadline) {
    return syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word),
                   operation | FUTEX_PRIVATE_FLAG, value, deadline, nullptr,
                   FUTEX_BITSET_MATCH_ANY);
}

// Wakes a waiter whose result is recorded and that is unlinked. The waiter
// may return (and its record go) as soon as the word is 1; the wake that
// follows then reaches at most a later wait at the same address, which takes
// it for a spurious wake and sleeps again.
void Wake(Waiter& waiter) {
    waiter.released.store(1, std::memory_order_release);
    Futex(waiter.released, FUTEX_WAKE_BITSET, 1, nullptr);
}

// Sleeps until the waiter is released or the absolute monotonic `deadline`
// (none: no limit) passes. FUTEX_WAIT_BITSET measures an absolute deadline on
// CLOCK_MONOTONIC, so setting the wall clock moves no time-out. True when
// released.
bool Park(Waiter& waiter, const struct timespec* deadline) {
    while (waiter.released.load(std::memory_order_acquire) == 0) {
        if (Futex(waiter.released, FUTEX_WAIT_BITSET, 0, deadline) != 0 && errno == ETIMEDOUT)
            return waiter.released.load(std::memory_order_acquire) != 0;
    }
    return true;
}

struct timespec DeadlineAfter(unsigned int milliseconds) {
    struct timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += static_cast<time_t>(milliseconds / 1000);
    deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_nsec -= 1000000000L;
        ++deadline.tv_sec;
    }
    return deadline;
}

// The general wait on valid, checked events.
unsigned int WaitOn(EventObject* const* events, unsigned int count, bool waitAll,
                    unsigned int milliseconds) {
    // The time-out counts from the call, not from getting the lock.
    struct timespec deadline {};
    if (milliseconds != kInfinite && milliseconds != 0)
        deadline = DeadlineAfter(milliseconds);

    Waiter waiter;
    waiter.waitAll = waitAll;
    waiter.count = count;
    for (unsigned int i = 0; i < count; ++i) {
        waiter.links[i].waiter = &waiter;
        waiter.links[i].event = events[i];
    }
    {
        std::lock_guard<std::mutex> lock(g_waitLock);
        // Guard first: from here on the lock-free paths leave these events to
        // the lock, so the check below sees a stable picture.
        for (unsigned int i = 0; i < count; ++i)
            events[i]->state.fetch_or(kGuarded, std::memory_order_acq_rel);
        if (TrySatisfy(waiter) || milliseconds == 0) {
            Unguard(waiter);
            return waiter.result;
        }
        Link(waiter);
    }
    if (Park(waiter, milliseconds == kInfinite ? nullptr : &deadline))
        return waiter.result;

    std::lock_guard<std::mutex> lock(g_waitLock);
    // A setter may have satisfied the wait between the time-out and the lock.
    if (waiter.released.load(std::memory_order_acquire) != 0)
        return waiter.result;
    Unlink(waiter);
    return kWaitTimeout;
}

// Signals a guarded event and hands it to the waiters that it satisfies.
void SetGuarded(EventObject& event) {
    std::lock_guard<std::mutex> lock(g_waitLock);
    event.state.fetch_or(kSignalled, std::memory_order_acq_rel);
    WaitLink* link = event.head;
    while (link && IsSignalled(event)) {
        Waiter& waiter = *link->waiter;
        // A satisfied waiter leaves every list, with all its links (a
        // wait-any may list this event twice): continue behind them.
        WaitLink* next = link->next;
        while (next && next->waiter == &waiter)
            next = next->next;
        if (TrySatisfy(waiter)) {
            Unlink(waiter);
            Wake(waiter);
        }
        link = next;
    }
}

void SetObject(EventObject& event) {
    unsigned int state = event.state.load(std::memory_order_relaxed);
    for (;;) {
        if (state & kGuarded) {
            SetGuarded(event);
            return;
        }
        // Written even when already signalled: a waiter that takes the event
        // then sees what was written before this Set, too.
        if (event.state.compare_exchange_weak(state, state | kSignalled, std::memory_order_acq_rel,
                                              std::memory_order_relaxed))
            return;
    }
}

}  // namespace

Event Event::Create(bool manualReset, bool initiallySignalled, const std::string& name) {
    try {
        if (name.empty())
            return Event(std::make_shared<EventObject>(manualReset, initiallySignalled, name));
        // Declared before the lock: should the insertion throw, the new event
        // goes after the lock is released (its destructor takes that lock).
        std::shared_ptr<EventObject> object;
        NameRegistry& names = Names();
        std::lock_guard<std::mutex> lock(names.lock);
        const auto it = names.events.find(name);
        if (it != names.events.end()) {
            object = it->second.lock();
            if (object)
                return Event(std::move(object));
        }
        object = std::make_shared<EventObject>(manualReset, initiallySignalled, name);
        names.events[name] = object;
        return Event(std::move(object));
    } catch (const std::bad_alloc&) {
        return Event();
    }
}

bool Event::Set() const {
    if (!m_object)
        return false;
    SetObject(*m_object);
    return true;
}

bool Event::Reset() const {
    if (!m_object)
        return false;
    // Taking a signal away never satisfies a waiter, so no lock is needed
    // even for a guarded event.
    m_object->state.fetch_and(~kSignalled, std::memory_order_acq_rel);
    return true;
}

bool Event::IsSet() const {
    return m_object && IsSignalled(*m_object);
}

unsigned int Event::Wait(unsigned int milliseconds) const {
    if (!m_object)
        return kWaitFailed;
    EventObject* object = m_object.get();
    switch (TryTake(*object)) {
        case Quick::kTaken:
            return kWaitObject0;
        case Quick::kNotSignalled:
            if (milliseconds == 0)
                return kWaitTimeout;
            break;
        case Quick::kGuarded:
            break;
    }
    return WaitOn(&object, 1, false, milliseconds);
}

unsigned int Event::WaitMultiple(const Event* const* events, unsigned int count, bool waitAll,
                                 unsigned int milliseconds) {
    if (!events || count == 0 || count > kMaxWaitObjects)
        return kWaitFailed;
    EventObject* objects[kMaxWaitObjects];
    for (unsigned int i = 0; i < count; ++i) {
        if (!events[i] || !events[i]->m_object)
            return kWaitFailed;
        objects[i] = events[i]->m_object.get();
    }
    // A wait-all would have to take one auto-reset event twice at once.
    if (waitAll) {
        for (unsigned int i = 1; i < count; ++i) {
            for (unsigned int j = 0; j < i; ++j) {
                if (objects[i] == objects[j])
                    return kWaitFailed;
            }
        }
    }
    return WaitOn(objects, count, waitAll, milliseconds);
}

}  // namespace Varn::platform
