// Platform contract: threads, thread messages and the debugger.
//
// A thread is created suspended: it exists (it has its kernel id, its stack
// and its priority) but runs its entry only after `Resume`. Thread ids are
// the kernel's 32-bit ids, the same ones trace lines carry.
//
// Priorities keep the values of the system the library comes from: -15
// (idle) .. 15 (time critical), 0 normal, with -2/-1/1/2 for lowest, below
// normal, above normal and highest. They are mapped onto the thread's nice
// value (0 -> 0, higher priority -> lower nice); a change the OS refuses
// (raising a priority needs the right to) is reported as a failure.
//
// Thread messages: a thread that calls `EnsureMessageQueue` (or waits with
// `WaitForEventsOrMessages`) owns a message queue. Any thread may post a
// message, with the handler that is to run it, to that thread's id; the
// owner's message-aware wait wakes for it and `DispatchMessages` runs every
// waiting message on the owner, in the order posted. The queue goes with
// its thread; messages still in it are dropped.
#ifndef ZOTREL_SRC_PLATFORM_THREAD_H
#define ZOTREL_SRC_PLATFORM_THREAD_H

#include "platform/event.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace Varn::platform {

/// The stack every thread of the library reserves (rounded up to what the
/// system requires).
constexpr std::size_t kThreadStackSize = 500000;

/// The lowest and highest thread priorities.
constexpr int kPriorityIdle = -15;
constexpr int kPriorityTimeCritical = 15;

struct ThreadObject;

/// One thread of the library. Copies refer to the same thread. The thread's
/// resources go when it has ended and no `Thread` refers to it any more;
/// dropping every `Thread` of a running thread lets it run on, detached.
class Thread {
public:
    using Entry = unsigned int (*)(void* argument);

    Thread() noexcept = default;

    /// A new thread, suspended, that will run `entry(argument)`. Empty when
    /// the system refuses to create it.
    static Thread CreateSuspended(Entry entry, void* argument,
                                  std::size_t stackSize = kThreadStackSize);

    bool IsValid() const noexcept { return m_object != nullptr; }

    /// Lets a suspended thread run its entry. True the first time; false on an
    /// empty thread or when it already runs.
    bool Resume() const;

    /// The kernel id of the thread (0 for an empty thread).
    unsigned int Id() const;

    /// A number that identifies the thread while it is referenced, for
    /// trace lines ("Handle = 0x...").
    std::uintptr_t HandleValue() const;

    /// Waits until the thread has ended: `kWaitObject0`, `kWaitTimeout`, or
    /// `kWaitFailed` on an empty thread or when called on the thread itself.
    unsigned int Join(unsigned int milliseconds) const;

    /// Whether the thread has ended (its entry returned).
    bool HasEnded() const;

    /// Sets / reads the priority (-15..15). `SetPriority` returns false, and
    /// changes nothing, for a value outside the range or when the OS refuses.
    bool SetPriority(int priority) const;
    int GetPriority() const;

    /// Names the thread for debuggers and `top` (the first 15 bytes of the
    /// UTF-8 name reach the kernel). False when the OS refuses.
    bool SetName(const std::string& name) const;

private:
    explicit Thread(std::shared_ptr<ThreadObject> object) noexcept : m_object(std::move(object)) {}
    std::shared_ptr<ThreadObject> m_object;
};

/// A message handler: runs on the receiving thread with what was posted.
using MessageHandler = void (*)(unsigned int message, std::uintptr_t wParam, std::intptr_t lParam);

/// Gives the calling thread its message queue (no-op when it has one).
void EnsureMessageQueue();

/// Posts a message to the queue of the thread `threadId`. False when that
/// thread has no message queue (or no longer exists) or `handler` is null.
bool PostThreadMessage(unsigned int threadId, unsigned int message, std::uintptr_t wParam,
                       std::intptr_t lParam, MessageHandler handler);

/// Waits for any of `count` events (as `Event::WaitMultiple` without
/// wait-all) or for a message posted to the calling thread, which gets a
/// queue if it has none. Returns `kWaitObject0 + index` for an event,
/// `kWaitObject0 + count` when a message is waiting, `kWaitTimeout` or
/// `kWaitFailed`. Events outrank messages: a signalled event is reported
/// first. The queue takes one of the places of a wait: `count` is at most
/// `kMaxWaitObjects - 1` (more is `kWaitFailed`); `events` may be null
/// when `count` is 0.
unsigned int WaitForEventsOrMessages(const Event* const* events, unsigned int count,
                                     unsigned int milliseconds);

/// Runs every message waiting in the calling thread's queue, in the order
/// posted; returns how many ran.
unsigned int DispatchMessages();

/// Asks the system to end the calling thread's timed waits as close to their
/// deadline as it can (by default the kernel may let them run late by up to
/// 50 us to batch wake-ups). For threads whose waits are their schedule.
void RequestPreciseWakeups();

/// Whether a debugger (a tracer) is attached to this process.
bool IsDebuggerAttached();

/// Writes a line of debugger output (standard error); a line end is added
/// when `text` has none.
void DebugOutput(const char* text);

}  // namespace Varn::platform

#endif  // ZOTREL_SRC_PLATFORM_THREAD_H
