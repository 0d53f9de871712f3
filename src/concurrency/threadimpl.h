// The worker behind a `CZtThread` (and, with another thread body, behind a
// timer): its thread, its two command queues and the events that drive it.
#ifndef ZOTREL_SRC_CONCURRENCY_THREADIMPL_H
#define ZOTREL_SRC_CONCURRENCY_THREADIMPL_H

#include <zotrel/foundation.h>
#include <zotrel/string.h>
#include <zotrel/thread.h>

#include "platform/event.h"
#include "platform/thread.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>

namespace Varn {

class CZtRunningThreadCommand;

/// Told when an asynchronous command has finished on the worker.
class CZtCommandCallback {
public:
    virtual void OnCommandFinished(CZtRunningThreadCommand* command) = 0;

protected:
    virtual ~CZtCommandCallback() = default;
};

/// One queued command: holds the command's reference until it has been
/// executed (or dropped unexecuted) and, for a synchronous command, the event
/// the queuing caller waits on.
class CZtRunningThreadCommand {
public:
    CZtRunningThreadCommand(CZtThreadCommand* command, CZtCommandCallback* owner, bool sync);
    CZtRunningThreadCommand(const CZtRunningThreadCommand&) = delete;
    CZtRunningThreadCommand& operator=(const CZtRunningThreadCommand&) = delete;

    virtual int AddRef();
    virtual int Release();
    virtual CZtCommandCallback* GetCallback() const { return m_pOwner; }
    virtual void SetThreadHandle(std::uintptr_t handle) { m_ThreadHandle = handle; }
    virtual bool IsSync() const { return m_DoneEvent.IsValid(); }

    /// Executes the command and releases it.
    void Execute();
    /// Gives the command back to the caller (its reference is not released):
    /// for a command refused after it was wrapped.
    void ReturnCommand() { m_pCommand = nullptr; }
    /// Tells a synchronous caller the outcome: executed, or dropped unexecuted.
    void Finish(bool executed);
    /// Waits for `Finish`; true when the command was executed in time.
    bool WaitDone(unsigned int milliseconds) const;

protected:
    virtual ~CZtRunningThreadCommand();

private:
    std::atomic<int> m_RefCount{1};
    CZtThreadCommand* m_pCommand;
    CZtCommandCallback* m_pOwner;
    platform::Event m_DoneEvent;
    std::uintptr_t m_ThreadHandle = 0;
    std::atomic<bool> m_bExecuted{false};
};

/// A worker: one thread that executes queued commands in order and runs the
/// messages posted to it. Counted: the `CZtThread` that owns it holds one
/// reference and its running thread another, so a worker let go while it
/// runs lives until its thread ends.
class CZtThreadImpl : public CZtCommandCallback, public IZtReferenced {
public:
    /// How long `Stop(true)` and a synchronous `QueueCommand` wait.
    static constexpr unsigned int kStopTimeoutMs = 30000;
    static constexpr unsigned int kSyncTimeoutMs = 30000;
    /// The queue length is reported at every multiple of this.
    static constexpr int kQueueReportStep = 50;

    explicit CZtThreadImpl(const CZtString& name);
    CZtThreadImpl(const CZtThreadImpl&) = delete;
    CZtThreadImpl& operator=(const CZtThreadImpl&) = delete;

    int AddRef() const override;
    int Release() const override;

    void OnCommandFinished(CZtRunningThreadCommand*) override {}

    /// Creates the thread (suspended), applies the initial priority and, unless
    /// `startSuspended`, lets it run and (with `wait`) waits until it does.
    bool Start(bool startSuspended, bool wait);
    /// Asks the thread to stop; with `wait`, joins it (30 s).
    bool Stop(bool wait);
    /// Waits up to `milliseconds` for the thread to end, then lets it go.
    bool Wait(unsigned int milliseconds);
    bool QueueCommand(CZtThreadCommand* command, bool sync, bool urgent, unsigned int limitMs);

    bool IsStarted() const;
    bool Suspend();
    bool Resume();
    bool IsSuspended() const { return m_bSuspended.load(std::memory_order_acquire); }
    bool IsActive() const { return m_ActiveCount > 0; }
    unsigned int GetThreadId() const { return m_ThreadId.load(std::memory_order_acquire); }
    /// True while the worker has never had a thread: only then may its name
    /// and initial priority change.
    bool IsUnstarted() const;
    bool SetInitialPriority(int priority);
    void SetName(const CZtString& name);

protected:
    ~CZtThreadImpl() override;

    /// The body of the thread; a timer replaces it.
    virtual unsigned int Run();
    virtual void OnThreadEnter() {}
    virtual unsigned int OnThreadExit() { return 0; }

    /// Signals the start event while `Start` waits for it.
    void SignalStarted();
    /// Releases every command still queued, unexecuted, and refuses new ones.
    void CloseQueues();

    const CZtString& Name() const { return m_strName; }
    const platform::Event& StopEvent() const { return m_StopEvent; }

private:
    static unsigned int ThreadEntry(void* argument);
    void RunQueue();
    bool TakeBatch();
    void ExecuteCommand(CZtRunningThreadCommand* running);
    void ReportGrowth(int count);
    void ReportShrink(int count);

    mutable CZtAtomicIntTmpl<1> m_RefCount;
    CZtAtomicInt m_ActiveCount;
    CZtAtomicInt m_LastReportedCount;
    CZtString m_strName;

    // The thread: written by Start and Wait under m_StateMutex, read by
    // other threads under it.
    mutable std::mutex m_StateMutex;
    platform::Thread m_Thread;
    std::atomic<unsigned int> m_ThreadId{0};
    std::atomic<std::uintptr_t> m_HandleValue{0};  // what commands are told
    bool m_bEverStarted = false;

    platform::Event m_CommandEvent;
    platform::Event m_StopEvent;
    platform::Event m_StartEvent;  // only while Start waits
    std::atomic<bool> m_bSuspended{false};
    int m_nInitialPriority = 0;

    // Both queues, the closed flag and the suspended check at dequeue.
    std::mutex m_QueueMutex;
    std::deque<CZtRunningThreadCommand*> m_NormalQueue;
    std::deque<CZtRunningThreadCommand*> m_UrgentQueue;
    bool m_bClosed = false;  // the thread ended (or never came): nothing more runs

    // The commands the worker has taken and not yet run; its thread only.
    std::deque<CZtRunningThreadCommand*> m_Batch;
    bool m_bBatchUrgent = false;
};

}  // namespace Varn

#endif  // ZOTREL_SRC_CONCURRENCY_THREADIMPL_H
