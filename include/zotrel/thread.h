/// @file
/// Zotrel worker threads: a named thread that executes queued commands.
///
/// A client derives its work from `CZtThreadCommand`, starts a `CZtThread`
/// and queues commands; the worker executes them one after the other, in the
/// order they were queued, on its own thread:
///
///     class Refill : public CZtThreadCommand {
///         void Execute() override { refill(); }   // the work
///     };
///     CZtThread worker;
///     worker.Start(CZtString(L"Refill"));
///     worker.QueueCommand(new Refill, true);   // waits until it has run
///     worker.Stop(true);
///
/// Queuing hands the command's reference (the one `new` gave it) to the
/// worker, which releases it after `Execute` (or, when the worker stops first,
/// without executing it). A command that is refused (`QueueCommand` returns
/// false without queuing) stays the caller's.
///
/// While it waits for work the worker also runs the messages posted to its
/// thread with `zotrel_post_thread_message`.
///
/// On Linux the worker is a POSIX thread with a 500000-byte stack; its name
/// (the first 15 bytes) is given to the kernel, so `top -H`, `ps -L` and
/// debuggers show it, and its priority (-15..15) maps onto the thread's nice
/// value.
///
/// Threads: every member may be called from any thread; commands run only on
/// the worker, one at a time.
#ifndef ZOTREL_THREAD_H
#define ZOTREL_THREAD_H

#include <zotrel/foundation.h>

#include <stdint.h>

/// A handler of a thread message: runs on the receiving thread with the
/// message and its two parameters as posted.
typedef void (*zotrel_message_handler)(unsigned int message, uintptr_t wParam, intptr_t lParam);

/// Posts a message to the thread `threadId` (a worker's `GetThreadId`). The
/// thread's message-aware wait wakes and calls `handler` on that thread.
/// Returns 0, or -1 when the thread has no message queue (it is not one of
/// the library's workers, or it has ended) or `handler` is null.
ZOTREL_C_API int zotrel_post_thread_message(unsigned int threadId, unsigned int message,
                                            uintptr_t wParam, intptr_t lParam,
                                            zotrel_message_handler handler);

#ifdef __cplusplus

namespace Varn {

class CZtString;
class CZtThreadImpl;
class CZtRunningThreadCommand;

/// A unit of work for a worker thread. Reference counted: born with count 1,
/// deleted by the `Release` that brings the count to 0.
class ZOTREL_EXPORT CZtThreadCommand : public IZtReferenced {
public:
    /// A command with count 1, not yet queued.
    CZtThreadCommand();
    /// Copies the synchronous flag; the copy is a new object with count 1.
    CZtThreadCommand(const CZtThreadCommand& other);
    /// Copies the synchronous flag; the reference count stays this object's.
    CZtThreadCommand& operator=(const CZtThreadCommand& other);

    /// Adds a reference; returns the new count.
    int AddRef() const override;
    /// Drops a reference and returns the new count; at 0 the command deletes
    /// itself.
    int Release() const override;
    /// Called by the `Release` that brings the count to 0.
    virtual ~CZtThreadCommand();

    /// The work itself; runs on the worker thread.
    virtual void Execute() = 0;

private:
    /// Records whether the command was queued synchronously.
    virtual void SetSyncCommand(bool sync);
    friend class CZtThreadImpl;

    mutable CZtAtomicIntTmpl<1> m_RefCount;
    bool m_bSyncCommand;
};

/// A handle to a worker thread. Copies share the worker (it is counted), so
/// stopping it through one copy stops it for all, and so does destroying any
/// copy. One handle may be used from several threads at once.
class ZOTREL_EXPORT CZtThread : public IZtReferenced {
public:
    /// No worker yet; `Start` or the first `QueueCommand` makes one.
    CZtThread();
    /// Shares the other's worker (none when it has none).
    CZtThread(const CZtThread& other);
    /// Shares the other's worker; the worker this handle had is let go (not
    /// stopped). Assigning a handle to itself changes nothing.
    CZtThread& operator=(const CZtThread& other);
    /// Asks the worker to stop without waiting for it (also when other copies
    /// still share it).
    virtual ~CZtThread();

    /// Adds a reference to this handle object; returns the new count.
    int AddRef() const override;
    /// Drops a reference to this handle object and returns the new count; at
    /// 0 the handle deletes itself (for handles made with `new`).
    int Release() const override;

    /// Starts a new worker named `name` and waits until its thread runs. A
    /// worker this handle had before is let go (not stopped). False when the
    /// thread cannot be created.
    bool Start(const CZtString& name);
    /// Asks the worker to stop and lets it go; with `wait`, waits up to 30 s
    /// for its thread to end. Commands still queued are released without
    /// being executed. False without a worker, or when the thread did not end
    /// in time.
    bool Stop(bool wait);
    /// Queues `command` (the worker takes over its reference). Without a
    /// worker, first starts one named "Unknown_Thread". With `sync`, waits up
    /// to 30 s and returns true only when the command was executed in that
    /// time. False, and the command stays the caller's, when it is null or
    /// the worker is stopping or has no thread. `urgent` has no effect.
    bool QueueCommand(CZtThreadCommand* command, bool sync = false, bool urgent = false);

    /// Whether the worker's thread is running.
    bool IsStarted() const;
    /// Holds back commands (they stay queued) until `Resume`; the thread
    /// itself runs on. False without a running worker or when suspended.
    bool Suspend();
    /// Lets queued commands run again. Returns whether it was suspended;
    /// wakes the worker either way. False without a running worker.
    bool Resume();
    /// Waits up to `milliseconds` for the worker's thread to end (after
    /// `Stop(false)`), then lets the thread go. True when it ended or there
    /// is no thread; false without a worker.
    bool Wait(unsigned int milliseconds);
    /// Whether `Suspend` holds commands back; false without a worker.
    bool IsSuspended() const;
    /// Whether commands are queued or executing.
    bool IsActive() const;
    /// The kernel id of the worker's thread; 0 without one.
    unsigned int GetThreadId() const;
    /// Sets the priority (-15..15, 0 normal) the next `Start` gives the
    /// thread (the worker is made, without a thread, to keep it). False for a
    /// value outside -15..15, and once the thread exists (nothing changes
    /// then).
    bool SetPriority(int priority);

private:
    mutable CZtAtomicIntTmpl<1> m_RefCount;
    CZtThreadImpl* m_pImpl;
};

}  // namespace Varn

#endif  // __cplusplus

#endif  // ZOTREL_THREAD_H
