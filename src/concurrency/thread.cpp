// Worker threads: the commands, the worker behind a `CZtThread`, and the
// handle itself.
#include "concurrency/threadimpl.h"

#include <zotrel/trace.h>

#include "diagnostics/tracing.h"
#include "platform/process.h"
#include "text/stringimpl.h"

#include <cstdio>
#include <utility>

namespace Varn {

using Tracing::TraceMessage;
using Tracing::Severity::SeverityDebug;
using Tracing::Severity::SeverityError;
using Tracing::Severity::SeverityVerbose;
using Tracing::Severity::SeverityWarning;

// ---------------------------------------------------------------------------
// CZtThreadCommand

CZtThreadCommand::CZtThreadCommand() : m_bSyncCommand(false) {}

CZtThreadCommand::CZtThreadCommand(const CZtThreadCommand& other)
    : IZtReferenced(), m_bSyncCommand(other.m_bSyncCommand) {}

CZtThreadCommand& CZtThreadCommand::operator=(const CZtThreadCommand& other) {
    m_bSyncCommand = other.m_bSyncCommand;
    return *this;
}

CZtThreadCommand::~CZtThreadCommand() = default;

int CZtThreadCommand::AddRef() const {
    return m_RefCount.Increment();
}

int CZtThreadCommand::Release() const {
    const int count = m_RefCount.Decrement();
    if (count == 0)
        delete this;
    return count;
}

void CZtThreadCommand::SetSyncCommand(bool sync) {
    m_bSyncCommand = sync;
}

// ---------------------------------------------------------------------------
// CZtRunningThreadCommand

CZtRunningThreadCommand::CZtRunningThreadCommand(CZtThreadCommand* command,
                                                 CZtCommandCallback* owner, bool sync)
    : m_pCommand(command), m_pOwner(owner) {
    if (sync)
        m_DoneEvent = platform::Event::Create(false, false);
}

CZtRunningThreadCommand::~CZtRunningThreadCommand() {
    if (CZtThreadCommand* command = std::exchange(m_pCommand, nullptr))
        command->Release();
}

int CZtRunningThreadCommand::AddRef() {
    return m_RefCount.fetch_add(1, std::memory_order_relaxed) + 1;
}

int CZtRunningThreadCommand::Release() {
    const int count = m_RefCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (count == 0)
        delete this;
    return count;
}

void CZtRunningThreadCommand::Execute() {
    // An exception from Execute leaves the worker: the client's fault is
    // not hidden.
    m_pCommand->Execute();
    std::exchange(m_pCommand, nullptr)->Release();
}

void CZtRunningThreadCommand::Finish(bool executed) {
    m_bExecuted.store(executed, std::memory_order_release);
    m_DoneEvent.Set();
}

bool CZtRunningThreadCommand::WaitDone(unsigned int milliseconds) const {
    return m_DoneEvent.Wait(milliseconds) == platform::kWaitObject0 &&
           m_bExecuted.load(std::memory_order_acquire);
}

// ---------------------------------------------------------------------------
// CZtThreadImpl

namespace {

// "0x" and the thread id in eight hexadecimal digits, as trace lines show it.
struct ThreadText {
    explicit ThreadText(unsigned int id) { std::snprintf(text, sizeof text, "0x%08x", id); }
    char text[16];
};

}  // namespace

CZtThreadImpl::CZtThreadImpl(const CZtString& name)
    : m_strName(name),
      m_CommandEvent(platform::Event::Create(false, false)),
      m_StopEvent(platform::Event::Create(true, false)) {}

CZtThreadImpl::~CZtThreadImpl() {
    Stop(false);
    Wait(kStopTimeoutMs);
    CloseQueues();
}

int CZtThreadImpl::AddRef() const {
    return m_RefCount.Increment();
}

int CZtThreadImpl::Release() const {
    const int count = m_RefCount.Decrement();
    if (count == 0)
        delete this;
    return count;
}

bool CZtThreadImpl::IsUnstarted() const {
    std::lock_guard<std::mutex> lock(m_StateMutex);
    return !m_bEverStarted;
}

bool CZtThreadImpl::SetInitialPriority(int priority) {
    std::lock_guard<std::mutex> lock(m_StateMutex);
    if (m_bEverStarted)
        return false;
    m_nInitialPriority = priority;
    return true;
}

void CZtThreadImpl::SetName(const CZtString& name) {
    std::lock_guard<std::mutex> lock(m_StateMutex);
    if (!m_bEverStarted)
        m_strName = name;
}

bool CZtThreadImpl::Start(bool startSuspended, bool wait) {
    std::unique_lock<std::mutex> lock(m_StateMutex);
    if (m_Thread.IsValid())
        return false;
    m_StartEvent = platform::Event::Create(false, false);
    if (!m_StartEvent.IsValid())
        return false;
    m_bEverStarted = true;

    // The thread holds a reference of its own from before it exists until
    // its body has returned.
    AddRef();
    platform::Thread thread = platform::Thread::CreateSuspended(&ThreadEntry, this);
    m_Thread = thread;
    m_ThreadId.store(thread.Id(), std::memory_order_release);
    m_HandleValue.store(thread.HandleValue(), std::memory_order_release);
    ZT_TRACE(SeverityVerbose, TraceMessage("CZtThreadImpl::%1 Start Handle = 0x%2:x")
                                  << m_strName
                                  << static_cast<unsigned long long>(thread.HandleValue()));
    if (thread.IsValid()) {
        const ThreadText text(thread.Id());
        if (thread.SetPriority(m_nInitialPriority)) {
            ZT_TRACE(SeverityDebug, TraceMessage("Initial thread %1 priority set to %2")
                                        << text.text << m_nInitialPriority);
        } else {
            ZT_TRACE(SeverityWarning,
                     TraceMessage("Initial thread %1 priority could not be set to %2 ( is %3 )")
                         << text.text << m_nInitialPriority << thread.GetPriority());
        }
        ZT_TRACE(SeverityDebug, TraceMessage("Created thread %1 with priority %2 ")
                                    << text.text << thread.GetPriority());
        // Debuggers and `top` show the name on Linux whether or not a
        // debugger is attached now.
        thread.SetName(CZtStringImpl::TextOrEmpty(m_strName).toStdString());
        lock.unlock();
        if (startSuspended) {
            m_bSuspended.store(true, std::memory_order_release);
        } else {
            thread.Resume();
            if (wait)
                m_StartEvent.Wait(platform::kInfinite);
        }
        lock.lock();
    } else {
        Release();
        // Nothing will ever take commands from this worker: refuse them
        // instead of letting them pile up.
        lock.unlock();
        CloseQueues();
        lock.lock();
    }
    m_StartEvent = platform::Event();
    return m_Thread.IsValid();
}

unsigned int CZtThreadImpl::ThreadEntry(void* argument) {
    auto* self = static_cast<CZtThreadImpl*>(argument);
    self->Run();
    self->Release();  // the reference Start took for the thread
    return 0;
}

void CZtThreadImpl::SignalStarted() {
    // Start holds the event while it waits; it is cleared only after the
    // wait, so it is valid here when Start waits for it.
    std::lock_guard<std::mutex> lock(m_StateMutex);
    if (m_StartEvent.IsValid())
        m_StartEvent.Set();
}

unsigned int CZtThreadImpl::Run() {
    OnThreadEnter();
    if (m_strName.IsEmpty()) {
        ZT_TRACE(SeverityDebug, TraceMessage("Thread started: Unknown name"));
    } else {
        ZT_TRACE(SeverityDebug, TraceMessage("Thread started: %1") << m_strName);
    }
    // The queue exists before Start returns, so a message posted right after
    // it reaches the worker.
    platform::EnsureMessageQueue();
    SignalStarted();

    const platform::Event* const events[] = {&m_StopEvent, &m_CommandEvent};
    for (bool running = true; running;) {
        switch (platform::WaitForEventsOrMessages(events, 2, platform::kInfinite)) {
            case platform::kWaitObject0:  // stop
            case platform::kWaitTimeout:
                running = false;
                break;
            case platform::kWaitObject0 + 1:  // work queued
                RunQueue();
                break;
            case platform::kWaitObject0 + 2:  // messages
                platform::DispatchMessages();
                break;
            default:
                break;
        }
    }
    CloseQueues();
    m_StopEvent.Reset();
    return OnThreadExit();
}

void CZtThreadImpl::CloseQueues() {
    std::deque<CZtRunningThreadCommand*> dropped;
    {
        std::lock_guard<std::mutex> lock(m_QueueMutex);
        m_bClosed = true;
        dropped.swap(m_UrgentQueue);
        for (CZtRunningThreadCommand* running : m_NormalQueue)
            dropped.push_back(running);
        m_NormalQueue.clear();
    }
    for (CZtRunningThreadCommand* running : dropped) {
        m_ActiveCount.Decrement();
        running->Finish(false);  // a synchronous caller learns at once
        running->Release();      // releases the command, unexecuted
    }
}

void CZtThreadImpl::ReportGrowth(int count) {
    if (count < kQueueReportStep || count % kQueueReportStep != 0)
        return;
    if (count >= m_LastReportedCount) {
        ZT_TRACE(SeverityWarning, TraceMessage("ATTENTION: CZtThreadImpl::QueueCommand queue size "
                                               "increasing ThreadName:%1 queue size = %2")
                                      << m_strName << count);
    }
    m_LastReportedCount = count;
}

void CZtThreadImpl::ReportShrink(int count) {
    if (count < kQueueReportStep || count % kQueueReportStep != 0)
        return;
    if (count <= m_LastReportedCount) {
        ZT_TRACE(SeverityVerbose, TraceMessage("CZtThreadImpl::QueueCommand queue size "
                                               "decreasing ThreadName:%1 queue size = %2")
                                      << m_strName << count);
    }
    m_LastReportedCount = count;
}

bool CZtThreadImpl::QueueCommand(CZtThreadCommand* command, bool sync, bool urgent,
                                 unsigned int limitMs) {
    if (!command || m_StopEvent.IsSet())
        return false;
    const int count = m_ActiveCount.Increment();
    ReportGrowth(count);

    command->SetSyncCommand(sync);
    auto* running = new CZtRunningThreadCommand(command, this, sync);
    // The queue takes the creation reference. A synchronous caller keeps one
    // of its own to wait on; an asynchronous one lets go at once.
    if (sync)
        running->AddRef();
    bool queued = false;
    {
        std::lock_guard<std::mutex> lock(m_QueueMutex);
        if (!m_bClosed) {
            // A worker that has commands to take keeps taking them until
            // both queues are empty, so only the first command into empty
            // queues needs to wake it.
            const bool idle = m_NormalQueue.empty() && m_UrgentQueue.empty();
            (urgent ? m_UrgentQueue : m_NormalQueue).push_back(running);
            queued = true;
            if (idle && !m_bSuspended.load(std::memory_order_acquire))
                m_CommandEvent.Set();
        }
    }
    if (!queued) {
        // The worker has ended: the command stays the caller's.
        m_ActiveCount.Decrement();
        running->ReturnCommand();
        if (sync)
            running->Release();
        running->Release();
        return false;
    }
    if (!sync)
        return true;
    const bool result = running->WaitDone(limitMs);
    running->Release();
    return result;
}

bool CZtThreadImpl::TakeBatch() {
    // Everything queued is taken in one step (the urgent queue first), so
    // the queuing threads and the worker meet on the lock once per batch
    // rather than once per command.
    std::lock_guard<std::mutex> lock(m_QueueMutex);
    if (m_bSuspended.load(std::memory_order_acquire))
        return false;
    m_bBatchUrgent = !m_UrgentQueue.empty();
    m_Batch.swap(m_bBatchUrgent ? m_UrgentQueue : m_NormalQueue);
    return !m_Batch.empty();
}

void CZtThreadImpl::RunQueue() {
    while (TakeBatch()) {
        while (!m_Batch.empty()) {
            if (m_bSuspended.load(std::memory_order_acquire)) {
                // Suspended meanwhile: what is left goes back, in order, to
                // the front of its queue.
                std::lock_guard<std::mutex> lock(m_QueueMutex);
                std::deque<CZtRunningThreadCommand*>& queue =
                    m_bBatchUrgent ? m_UrgentQueue : m_NormalQueue;
                queue.insert(queue.begin(), m_Batch.begin(), m_Batch.end());
                m_Batch.clear();
                return;
            }
            CZtRunningThreadCommand* running = m_Batch.front();
            m_Batch.pop_front();
            ExecuteCommand(running);
            running->Release();
        }
    }
}

void CZtThreadImpl::ExecuteCommand(CZtRunningThreadCommand* running) {
    running->SetThreadHandle(m_HandleValue.load(std::memory_order_acquire));
    running->Execute();
    ReportShrink(m_ActiveCount.Decrement());
    if (running->IsSync()) {
        running->Finish(true);
        return;
    }
    try {
        running->GetCallback()->OnCommandFinished(running);
    } catch (...) {
        char text[96];
        std::snprintf(text, sizeof text, "OnCommandFinished threw an exception (CmdPtr: 0x%08llx)",
                      static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(running)));
        platform::DebugOutput(text);
    }
}

bool CZtThreadImpl::Stop(bool wait) {
    if (GetThreadId() == 0)
        return false;
    if (!m_StopEvent.Set())
        return false;
    return wait ? Wait(kStopTimeoutMs) : true;
}

bool CZtThreadImpl::Wait(unsigned int milliseconds) {
    platform::Thread thread;
    {
        std::lock_guard<std::mutex> lock(m_StateMutex);
        thread = m_Thread;
    }
    if (!thread.IsValid())
        return true;
    bool result = true;
    // The worker never waits for itself (a command or a timer callback that
    // stops its own worker): it ends once it returns to its loop.
    if (thread.Id() != platform::CurrentThreadId() &&
        thread.Join(milliseconds) != platform::kWaitObject0) {
        // The stop request stays: the thread let go here ends when it gets
        // back to its loop, instead of running on with no one to stop it.
        ZT_TRACE(SeverityError,
                 TraceMessage("CZtThreadImpl: could not stop thread - timeout!!!!!"));
        result = false;
    }
    std::lock_guard<std::mutex> lock(m_StateMutex);
    if (m_Thread.IsValid() && m_Thread.HandleValue() == thread.HandleValue()) {
        ZT_TRACE(SeverityVerbose, TraceMessage("CZtThreadImpl::%1 Stop Handle = 0x%2:x")
                                      << m_strName
                                      << static_cast<unsigned long long>(thread.HandleValue()));
        m_Thread = platform::Thread();
        m_ThreadId.store(0, std::memory_order_release);
    }
    return result;
}

bool CZtThreadImpl::IsStarted() const {
    std::lock_guard<std::mutex> lock(m_StateMutex);
    return m_Thread.IsValid() && !m_Thread.HasEnded();
}

bool CZtThreadImpl::Suspend() {
    if (GetThreadId() == 0)
        return false;
    return !m_bSuspended.exchange(true, std::memory_order_acq_rel);
}

bool CZtThreadImpl::Resume() {
    platform::Thread thread;
    {
        std::lock_guard<std::mutex> lock(m_StateMutex);
        thread = m_Thread;
    }
    if (!thread.IsValid())
        return false;
    const bool wasSuspended = m_bSuspended.exchange(false, std::memory_order_acq_rel);
    thread.Resume();  // a thread started suspended runs from here on
    m_CommandEvent.Set();
    return wasSuspended;
}

// ---------------------------------------------------------------------------
// CZtThread
//
// A handle may be used from several threads at once (one queues while
// another stops the worker). Its worker pointer is therefore read and
// changed only under a lock, and every member works on a counted reference
// taken under it: a worker let go by another thread meanwhile stays valid
// until the member is done with it. The locks are shared by all handles,
// picked by address, and held only for a pointer copy and a count.

namespace {

const CZtString& UnknownThreadName() {
    static const CZtString name(L"Unknown_Thread");
    return name;
}

std::mutex& HandleLock(const void* handle) {
    static std::mutex locks[32];
    return locks[(reinterpret_cast<std::uintptr_t>(handle) >> 4) % 32];
}

// One counted reference to a worker (or none).
class WorkerRef {
public:
    WorkerRef() = default;
    explicit WorkerRef(CZtThreadImpl* impl) : m_pImpl(impl) {}  // adopts a reference
    WorkerRef(WorkerRef&& other) noexcept : m_pImpl(std::exchange(other.m_pImpl, nullptr)) {}
    WorkerRef(const WorkerRef&) = delete;
    WorkerRef& operator=(const WorkerRef&) = delete;
    WorkerRef& operator=(WorkerRef&& other) noexcept {
        WorkerRef old(std::move(*this));
        m_pImpl = std::exchange(other.m_pImpl, nullptr);
        return *this;
    }
    ~WorkerRef() {
        if (m_pImpl)
            m_pImpl->Release();
    }
    CZtThreadImpl* operator->() const { return m_pImpl; }
    explicit operator bool() const { return m_pImpl != nullptr; }

private:
    CZtThreadImpl* m_pImpl = nullptr;
};

// The worker a handle holds now, with a reference of its own.
WorkerRef Share(const void* handle, CZtThreadImpl* const& member) {
    std::lock_guard<std::mutex> lock(HandleLock(handle));
    if (member)
        member->AddRef();
    return WorkerRef(member);
}

// Puts `impl` (whose reference the handle takes over) into the handle and
// returns the worker it held before, whose reference passes to the caller.
WorkerRef Exchange(const void* handle, CZtThreadImpl*& member, CZtThreadImpl* impl) {
    std::lock_guard<std::mutex> lock(HandleLock(handle));
    return WorkerRef(std::exchange(member, impl));
}

}  // namespace

CZtThread::CZtThread() : m_pImpl(nullptr) {}

CZtThread::CZtThread(const CZtThread& other) : IZtReferenced(), m_pImpl(nullptr) {
    std::lock_guard<std::mutex> lock(HandleLock(&other));
    m_pImpl = other.m_pImpl;
    if (m_pImpl)
        m_pImpl->AddRef();
}

CZtThread& CZtThread::operator=(const CZtThread& other) {
    if (this != &other) {
        CZtThreadImpl* impl;
        {
            std::lock_guard<std::mutex> lock(HandleLock(&other));
            impl = other.m_pImpl;
            if (impl)
                impl->AddRef();
        }
        Exchange(this, m_pImpl, impl);  // the old worker is released on return
    }
    return *this;
}

CZtThread::~CZtThread() {
    if (WorkerRef impl = Exchange(this, m_pImpl, nullptr))
        impl->Stop(false);
}

int CZtThread::AddRef() const {
    return m_RefCount.Increment();
}

int CZtThread::Release() const {
    const int count = m_RefCount.Decrement();
    if (count == 0)
        delete this;
    return count;
}

bool CZtThread::Start(const CZtString& name) {
    // A worker that never had a thread (made to hold a priority) is started
    // itself; one that had a thread is let go and a new one made.
    WorkerRef impl = Share(this, m_pImpl);
    if (!impl || !impl->IsUnstarted()) {
        auto* fresh = new CZtThreadImpl(name);
        fresh->AddRef();  // one for the handle, one for this call
        Exchange(this, m_pImpl, fresh);
        impl = WorkerRef(fresh);
    } else {
        impl->SetName(name);
    }
    return impl->Start(false, true);
}

bool CZtThread::Stop(bool wait) {
    WorkerRef impl = Exchange(this, m_pImpl, nullptr);
    return impl && impl->Stop(wait);
}

bool CZtThread::QueueCommand(CZtThreadCommand* command, bool sync, bool) {
    if (!command)
        return false;
    WorkerRef impl = Share(this, m_pImpl);
    if (!impl || impl->IsUnstarted()) {
        if (!Start(UnknownThreadName()))
            return false;
        impl = Share(this, m_pImpl);
        if (!impl)
            return false;
    }
    return impl->QueueCommand(command, sync, false, CZtThreadImpl::kSyncTimeoutMs);
}

bool CZtThread::IsStarted() const {
    WorkerRef impl = Share(this, m_pImpl);
    return impl && impl->IsStarted();
}

bool CZtThread::Suspend() {
    WorkerRef impl = Share(this, m_pImpl);
    return impl && impl->Suspend();
}

bool CZtThread::Resume() {
    WorkerRef impl = Share(this, m_pImpl);
    return impl && impl->Resume();
}

bool CZtThread::Wait(unsigned int milliseconds) {
    WorkerRef impl = Share(this, m_pImpl);
    return impl && impl->Wait(milliseconds);
}

bool CZtThread::IsSuspended() const {
    WorkerRef impl = Share(this, m_pImpl);
    return impl && impl->IsSuspended();
}

bool CZtThread::IsActive() const {
    WorkerRef impl = Share(this, m_pImpl);
    return impl && impl->IsActive();
}

unsigned int CZtThread::GetThreadId() const {
    WorkerRef impl = Share(this, m_pImpl);
    return impl ? impl->GetThreadId() : 0;
}

bool CZtThread::SetPriority(int priority) {
    if (priority < platform::kPriorityIdle || priority > platform::kPriorityTimeCritical)
        return false;
    WorkerRef impl = Share(this, m_pImpl);
    if (!impl) {
        auto* fresh = new CZtThreadImpl(CZtString());
        {
            std::lock_guard<std::mutex> lock(HandleLock(this));
            if (!m_pImpl) {
                m_pImpl = fresh;
                fresh = nullptr;
            }
            m_pImpl->AddRef();
            impl = WorkerRef(m_pImpl);
        }
        if (fresh)
            fresh->Release();  // another thread gave the handle a worker first
    }
    return impl->SetInitialPriority(priority);
}

}  // namespace Varn

// ---------------------------------------------------------------------------
// Thread messages

extern "C" int zotrel_post_thread_message(unsigned int threadId, unsigned int message,
                                          uintptr_t wParam, intptr_t lParam,
                                          zotrel_message_handler handler) {
    return Varn::platform::PostThreadMessage(threadId, message, wParam, lParam, handler) ? 0 : -1;
}
