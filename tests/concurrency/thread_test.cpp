// Worker threads and timers: order and thread of execution, synchronous
// commands, what happens to commands that never run, reference counts, the
// trace lines, and timers firing, repeating and stopping (also from their own
// callback). Every wait is bounded.
#include <zotrel/string.h>
#include <zotrel/thread.h>
#include <zotrel/timer.h>

#include "concurrency/threadimpl.h"
#include "support/trace_capture.h"

#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace Varn;
using namespace std::chrono_literals;

unsigned int Tid() {
    return static_cast<unsigned int>(syscall(SYS_gettid));
}

// Polls `done` for up to five seconds.
template <class Condition>
bool Eventually(Condition done) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// A one-shot gate a command can block on; bounded so a failing test ends.
class Gate {
public:
    void Open() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open = true;
        m_cv.notify_all();
    }
    bool WaitOpen() {
        entered = true;
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, 10s, [this] { return m_open; });
    }

    std::atomic<bool> entered{false};  // someone waits (or waited) at the gate

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_open = false;
};

// Records where and in which order commands ran, and which were destroyed.
struct Journal {
    std::mutex mutex;
    std::vector<int> order;
    std::vector<unsigned int> threads;
    std::atomic<int> destroyed{0};
};

class RecordingCommand : public CZtThreadCommand {
public:
    RecordingCommand(Journal& journal, int number, Gate* gate = nullptr)
        : m_journal(journal), m_number(number), m_gate(gate) {}
    ~RecordingCommand() override { ++m_journal.destroyed; }
    void Execute() override {
        if (m_gate)
            m_gate->WaitOpen();
        std::lock_guard<std::mutex> lock(m_journal.mutex);
        m_journal.order.push_back(m_number);
        m_journal.threads.push_back(Tid());
    }

private:
    Journal& m_journal;
    int m_number;
    Gate* m_gate;
};

class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(trace_control_set("Zotrel", "debug"), 0); }
    void TearDown() override { trace_control_set("Zotrel", "0"); }
    zotrel_test::TraceCapture m_capture;

    bool HasLine(const std::string& text) const {
        for (const std::string& line : m_capture.Lines())
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }
    int CountLines(const std::string& text) const {
        int count = 0;
        for (const std::string& line : m_capture.Lines())
            count += line.find(text) != std::string::npos;
        return count;
    }
};

TEST_F(WorkerTest, CommandsRunInOrderOnTheWorkersThreadAndAreReleased) {
    Journal journal;
    {
        CZtThread worker;
        ASSERT_TRUE(worker.Start(CZtString(L"Orderly")));
        EXPECT_TRUE(worker.IsStarted());
        const unsigned int id = worker.GetThreadId();
        EXPECT_NE(id, 0u);
        EXPECT_NE(id, Tid());
        for (int i = 0; i < 200; ++i)
            ASSERT_TRUE(worker.QueueCommand(new RecordingCommand(journal, i)));
        // A synchronous command returns only once it, and everything before
        // it, has run.
        ASSERT_TRUE(worker.QueueCommand(new RecordingCommand(journal, 200), true));
        {
            std::lock_guard<std::mutex> lock(journal.mutex);
            ASSERT_EQ(journal.order.size(), 201u);
            for (int i = 0; i <= 200; ++i)
                EXPECT_EQ(journal.order[i], i);
            for (unsigned int thread : journal.threads)
                EXPECT_EQ(thread, id);
        }
        EXPECT_EQ(journal.destroyed.load(), 201);
        EXPECT_FALSE(worker.IsActive());
        EXPECT_TRUE(worker.Stop(true));
        EXPECT_FALSE(worker.IsStarted());
        EXPECT_EQ(worker.GetThreadId(), 0u);
    }
    EXPECT_TRUE(HasLine("CZtThreadImpl::Orderly Start Handle = 0x"));
    EXPECT_TRUE(HasLine("Thread started: Orderly"));
    EXPECT_TRUE(HasLine(" priority set to 0"));
    EXPECT_TRUE(HasLine("with priority 0 "));
    EXPECT_TRUE(HasLine("CZtThreadImpl::Orderly Stop Handle = 0x"));
}

TEST_F(WorkerTest, QueueingWithoutAWorkerStartsAnUnknownThread) {
    Journal journal;
    CZtThread worker;
    EXPECT_FALSE(worker.IsStarted());
    EXPECT_EQ(worker.GetThreadId(), 0u);
    EXPECT_FALSE(worker.QueueCommand(nullptr));
    EXPECT_FALSE(worker.Stop(false));
    ASSERT_TRUE(worker.QueueCommand(new RecordingCommand(journal, 1), true));
    EXPECT_TRUE(HasLine("Thread started: Unknown_Thread"));
    EXPECT_NE(worker.GetThreadId(), 0u);
    EXPECT_TRUE(worker.Stop(true));
}

TEST_F(WorkerTest, SuspendedCommandsWaitAndAreReleasedUnexecutedWhenTheWorkerStops) {
    Journal journal;
    CZtThread worker;
    EXPECT_FALSE(worker.Suspend());  // no worker yet
    ASSERT_TRUE(worker.Start(CZtString(L"Held")));
    EXPECT_TRUE(worker.Suspend());
    EXPECT_FALSE(worker.Suspend());
    EXPECT_TRUE(worker.IsSuspended());
    for (int i = 0; i < 99; ++i)
        ASSERT_TRUE(worker.QueueCommand(new RecordingCommand(journal, i)));
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(journal.order.empty());
    EXPECT_TRUE(worker.IsActive());
    // The growth warning comes at 50 queued commands, and again at 100 (the
    // synchronous command below), not at 99.
    EXPECT_EQ(CountLines("queue size increasing ThreadName:Held queue size = 50"), 1);
    EXPECT_EQ(CountLines("queue size increasing"), 1);

    // A synchronous command on a worker that stops before running it
    // reports false at once instead of after its time-out.
    std::atomic<bool> syncResult{true};
    std::thread caller(
        [&] { syncResult = worker.QueueCommand(new RecordingCommand(journal, 999), true); });
    ASSERT_TRUE(Eventually(
        [&] { return HasLine("queue size increasing ThreadName:Held queue size = 100"); }));
    std::this_thread::sleep_for(20ms);  // from its count to its place in the queue
    EXPECT_TRUE(worker.Stop(true));
    caller.join();
    EXPECT_FALSE(syncResult.load());
    EXPECT_TRUE(journal.order.empty());
    EXPECT_EQ(journal.destroyed.load(), 100);  // all released, none executed
    EXPECT_EQ(CountLines("queue size increasing"), 2);
}

TEST_F(WorkerTest, ResumeRunsTheHeldCommandsAndReportsTheShrinkingQueue) {
    Journal journal;
    CZtThread worker;
    ASSERT_TRUE(worker.Start(CZtString(L"Resumed")));
    EXPECT_FALSE(worker.Resume());  // not suspended, still wakes the worker
    ASSERT_TRUE(worker.Suspend());
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(worker.QueueCommand(new RecordingCommand(journal, i)));
    EXPECT_TRUE(worker.Resume());
    EXPECT_FALSE(worker.IsSuspended());
    ASSERT_TRUE(Eventually([&] { return journal.destroyed.load() == 100; }));
    EXPECT_EQ(journal.order.size(), 100u);
    EXPECT_EQ(CountLines("queue size decreasing ThreadName:Resumed queue size = 50"), 1);
    EXPECT_EQ(CountLines("queue size decreasing"), 1);
    worker.Stop(true);
}

TEST_F(WorkerTest, PriorityIsKeptBeforeStartAndRefusedAfter) {
    CZtThread worker;
    EXPECT_FALSE(worker.SetPriority(16));
    ASSERT_TRUE(worker.SetPriority(-1));
    ASSERT_TRUE(worker.Start(CZtString(L"Low")));
    char text[64];
    std::snprintf(text, sizeof text, "Initial thread 0x%08x priority set to -1",
                  worker.GetThreadId());
    EXPECT_TRUE(HasLine(text));
    EXPECT_TRUE(HasLine("with priority -1 "));
    EXPECT_FALSE(worker.SetPriority(0));
    worker.Stop(true);
}

TEST_F(WorkerTest, CopiesShareTheWorker) {
    Journal journal;
    CZtThread original;
    ASSERT_TRUE(original.Start(CZtString(L"Shared")));
    {
        CZtThread copy(original);
        EXPECT_EQ(copy.GetThreadId(), original.GetThreadId());
        ASSERT_TRUE(copy.QueueCommand(new RecordingCommand(journal, 1), true));
        CZtThread assigned;
        assigned = copy;
        EXPECT_EQ(assigned.GetThreadId(), original.GetThreadId());
    }  // the copies go (each asks the shared worker to stop)
    EXPECT_EQ(journal.threads.size(), 1u);
    EXPECT_EQ(journal.threads[0], original.GetThreadId());
    EXPECT_TRUE(original.Wait(5000));
    EXPECT_EQ(original.GetThreadId(), 0u);
}

TEST_F(WorkerTest, WaitTimesOutForABusyWorkerAndStillForgetsItsThread) {
    Journal journal;
    Gate gate;
    CZtThread worker;
    ASSERT_TRUE(worker.Start(CZtString(L"Busy")));
    ASSERT_TRUE(worker.QueueCommand(new RecordingCommand(journal, 1, &gate)));
    ASSERT_TRUE(Eventually([&] { return gate.entered.load(); }));
    CZtThread other(worker);
    ASSERT_TRUE(worker.Stop(false));
    EXPECT_FALSE(other.Wait(30));
    EXPECT_TRUE(HasLine("CZtThreadImpl: could not stop thread - timeout!!!!!"));
    EXPECT_TRUE(HasLine("CZtThreadImpl::Busy Stop Handle = 0x"));
    EXPECT_EQ(other.GetThreadId(), 0u);
    gate.Open();
    // The let-go thread finishes its command and ends on its own.
    ASSERT_TRUE(Eventually([&] { return journal.destroyed.load() == 1; }));
}

// A worker that throws from its completion callback: the worker reports it
// and goes on with the next command.
class ThrowingWorker : public CZtThreadImpl {
public:
    ThrowingWorker() : CZtThreadImpl(CZtString(L"Thrower")) {}
    void OnCommandFinished(CZtRunningThreadCommand*) override {
        ++finished;
        throw 42;
    }
    std::atomic<int> finished{0};
};

TEST_F(WorkerTest, ACompletionCallbackThatThrowsDoesNotStopTheWorker) {
    Journal journal;
    auto* worker = new ThrowingWorker;
    ASSERT_TRUE(worker->Start(false, true));
    ASSERT_TRUE(worker->QueueCommand(new RecordingCommand(journal, 1), false, false, 0));
    ASSERT_TRUE(worker->QueueCommand(new RecordingCommand(journal, 2), true, false, 5000));
    EXPECT_EQ(journal.order, (std::vector<int>{1, 2}));
    EXPECT_EQ(worker->finished.load(), 1);  // synchronous commands do not call it
    EXPECT_TRUE(worker->Stop(true));
    worker->Release();
}

// A worker object started suspended: a second Start is refused while it has a
// thread, a command (urgent or not) waits until Resume, and an unnamed worker
// reports itself as such. A worker stopped before its thread ever ran refuses
// commands at once, leaving them the caller's.
TEST_F(WorkerTest, AWorkerStartedSuspendedHoldsCommandsUntilResume) {
    Journal journal;
    auto* worker = new CZtThreadImpl(CZtString());
    ASSERT_TRUE(worker->Start(true, false));
    EXPECT_FALSE(worker->Start(false, true));
    EXPECT_TRUE(worker->IsSuspended());
    ASSERT_TRUE(worker->QueueCommand(new RecordingCommand(journal, 1), false, true, 0));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(journal.destroyed.load(), 0);
    EXPECT_TRUE(worker->Resume());
    ASSERT_TRUE(Eventually([&] { return journal.destroyed.load() == 1; }));
    EXPECT_EQ(journal.order, std::vector<int>{1});
    EXPECT_TRUE(HasLine("Thread started: Unknown name"));
    EXPECT_TRUE(worker->Stop(true));
    worker->Release();

    auto* stopped = new CZtThreadImpl(CZtString(L"Never"));
    ASSERT_TRUE(stopped->Start(true, false));
    EXPECT_TRUE(stopped->Stop(false));
    auto* refused = new RecordingCommand(journal, 2);
    EXPECT_FALSE(stopped->QueueCommand(refused, false, false, 0));
    EXPECT_FALSE(stopped->IsActive());
    EXPECT_EQ(refused->Release(), 0);  // only the caller's reference was left
    EXPECT_TRUE(stopped->Resume());
    EXPECT_TRUE(stopped->Wait(5000));
    stopped->Release();
    EXPECT_EQ(journal.destroyed.load(), 2);
    EXPECT_EQ(journal.order, std::vector<int>{1});
}

// Suspending while a batch runs puts the rest of the batch back, in order, in
// front of what was queued meanwhile; Resume runs it.
TEST_F(WorkerTest, SuspendingDuringABatchPutsItsRestBackInOrder) {
    Journal journal;
    Gate gate;
    CZtThread worker;
    ASSERT_TRUE(worker.Start(CZtString(L"Batch")));
    ASSERT_TRUE(worker.Suspend());
    // Queued while suspended, so the worker takes all three as one batch.
    ASSERT_TRUE(worker.QueueCommand(new RecordingCommand(journal, 0, &gate)));
    ASSERT_TRUE(worker.QueueCommand(new RecordingCommand(journal, 1)));
    ASSERT_TRUE(worker.QueueCommand(new RecordingCommand(journal, 2)));
    ASSERT_TRUE(worker.Resume());
    ASSERT_TRUE(Eventually([&] { return gate.entered.load(); }));
    ASSERT_TRUE(worker.Suspend());
    ASSERT_TRUE(worker.QueueCommand(new RecordingCommand(journal, 3)));
    gate.Open();
    ASSERT_TRUE(Eventually([&] { return journal.destroyed.load() == 1; }));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(journal.destroyed.load(), 1);
    ASSERT_TRUE(worker.Resume());
    ASSERT_TRUE(Eventually([&] { return journal.destroyed.load() == 4; }));
    EXPECT_EQ(journal.order, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_TRUE(worker.Stop(true));
}

// A copy of a handle whose worker has ended: commands, synchronous or not,
// are refused and stay the caller's.
TEST_F(WorkerTest, CommandsForAnEndedWorkerStayTheCallers) {
    Journal journal;
    CZtThread worker;
    ASSERT_TRUE(worker.Start(CZtString(L"Ended")));
    CZtThread copy(worker);
    ASSERT_TRUE(worker.Stop(true));
    for (bool sync : {false, true}) {
        SCOPED_TRACE(sync);
        auto* command = new RecordingCommand(journal, 1);
        EXPECT_FALSE(copy.QueueCommand(command, sync));
        EXPECT_FALSE(copy.IsActive());
        EXPECT_EQ(command->Release(), 0);
    }
    EXPECT_TRUE(journal.order.empty());
    EXPECT_EQ(journal.destroyed.load(), 2);
}

// A worker made only to keep a priority has no thread: nothing to suspend,
// resume, stop or wait for.
TEST_F(WorkerTest, AWorkerWithoutAThreadRefusesSuspendResumeAndStop) {
    CZtThread worker;
    ASSERT_TRUE(worker.SetPriority(2));
    EXPECT_FALSE(worker.Suspend());
    EXPECT_FALSE(worker.Resume());
    EXPECT_FALSE(worker.IsStarted());
    EXPECT_TRUE(worker.Wait(0));
    EXPECT_FALSE(worker.Stop(false));
}

// Reference counts of commands and handles are each object's own: a copied
// command starts at 1, assignment keeps both counts, and the Release that
// reaches 0 deletes the object.
TEST_F(WorkerTest, CommandAndHandleCountsAreTheirOwn) {
    Journal journal;
    auto* original = new RecordingCommand(journal, 1);
    EXPECT_EQ(original->AddRef(), 2);
    auto* copy = new RecordingCommand(*original);
    static_cast<CZtThreadCommand&>(*copy) = *original;
    EXPECT_EQ(copy->Release(), 0);
    EXPECT_EQ(journal.destroyed.load(), 1);
    EXPECT_EQ(original->Release(), 1);
    EXPECT_EQ(original->Release(), 0);
    EXPECT_EQ(journal.destroyed.load(), 2);

    auto* handle = new CZtThread;
    EXPECT_EQ(handle->AddRef(), 2);
    EXPECT_EQ(handle->Release(), 1);
    EXPECT_EQ(handle->Release(), 0);
}

void RecordMessage(unsigned int message, uintptr_t wParam, intptr_t lParam);
std::atomic<unsigned int> g_messageThread{0};
std::atomic<long long> g_messageSum{0};

void RecordMessage(unsigned int message, uintptr_t wParam, intptr_t lParam) {
    g_messageThread = Tid();
    g_messageSum += message + static_cast<long long>(wParam) + lParam;
}

TEST_F(WorkerTest, PostedMessagesRunOnTheWorker) {
    CZtThread worker;
    ASSERT_TRUE(worker.Start(CZtString(L"Messages")));
    ASSERT_EQ(zotrel_post_thread_message(worker.GetThreadId(), 1, 10, 100, &RecordMessage), 0);
    ASSERT_EQ(zotrel_post_thread_message(worker.GetThreadId(), 2, 20, 200, &RecordMessage), 0);
    ASSERT_TRUE(Eventually([] { return g_messageSum.load() == 333; }));
    EXPECT_EQ(g_messageThread.load(), worker.GetThreadId());
    EXPECT_EQ(zotrel_post_thread_message(worker.GetThreadId(), 1, 0, 0, nullptr), -1);
    EXPECT_EQ(zotrel_post_thread_message(Tid(), 1, 0, 0, &RecordMessage), -1);  // no queue here
    worker.Stop(true);
}

// ---------------------------------------------------------------------------
// Timers

class CountingCallback : public IZtTimerCallback {
public:
    int AddRef() const override { return ++m_refs; }
    int Release() const override { return --m_refs; }  // lives on the test's stack
    unsigned int QueryInterface(const tagZTGUID&, IZtUnknown** out) override {
        if (out)
            *out = nullptr;
        return ZT_E_NOINTERFACE;
    }
    unsigned int OnTimer(unsigned int reserved, unsigned int intervalMs, bool periodic,
                         unsigned int timerId) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.push_back({reserved, intervalMs, periodic, timerId, Tid()});
        if (m_stopFromInside)
            m_stopResult = CZtTimer::StopTimer(timerId);
        return 0;
    }
    struct Call {
        unsigned int reserved, interval;
        bool periodic;
        unsigned int id, thread;
    };
    std::vector<Call> Calls() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_calls;
    }
    int Refs() const { return m_refs; }

    std::atomic<bool> m_stopFromInside{false};
    std::atomic<unsigned int> m_stopResult{0xFFu};

private:
    mutable std::atomic<int> m_refs{1};
    std::mutex m_mutex;
    std::vector<Call> m_calls;
};

TEST_F(WorkerTest, OneShotTimerFiresOnceAndIsStoppedOnce) {
    CountingCallback callback;
    const unsigned int id = CZtTimer::SetTimer(10, false, &callback);
    EXPECT_EQ(callback.Refs(), 2);  // the timer holds one
    ASSERT_TRUE(Eventually([&] { return callback.Calls().size() == 1; }));
    std::this_thread::sleep_for(50ms);
    const auto calls = callback.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].reserved, 0u);
    EXPECT_EQ(calls[0].interval, 10u);
    EXPECT_FALSE(calls[0].periodic);
    EXPECT_EQ(calls[0].id, id);
    EXPECT_NE(calls[0].thread, Tid());
    EXPECT_EQ(CZtTimer::StopTimer(id), ZT_S_OK);
    EXPECT_EQ(CZtTimer::StopTimer(id), ZT_E_NOTFOUND);
    EXPECT_EQ(callback.Refs(), 1);
    EXPECT_TRUE(HasLine("Timer started: ZtTimer"));
    EXPECT_TRUE(HasLine("CZtThreadImpl::ZtTimer Start Handle = 0x"));
}

TEST_F(WorkerTest, PeriodicTimerRepeatsUntilStopped) {
    CountingCallback callback;
    const unsigned int id = CZtTimer::SetTimer(2, true, &callback);
    const unsigned int next = CZtTimer::SetTimer(100000, true, nullptr);
    EXPECT_EQ(next, id + 1);  // ids count up by one
    ASSERT_TRUE(Eventually([&] { return callback.Calls().size() >= 3; }));
    EXPECT_EQ(CZtTimer::StopTimer(id), ZT_S_OK);
    const std::size_t fired = callback.Calls().size();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(callback.Calls().size(), fired);
    for (const auto& call : callback.Calls())
        EXPECT_TRUE(call.periodic && call.id == id);
    EXPECT_EQ(CZtTimer::StopTimer(next), ZT_S_OK);  // a timer without callback
    EXPECT_EQ(CZtTimer::StopTimer(0xFFFFFFF0u), ZT_E_NOTFOUND);
    EXPECT_EQ(callback.Refs(), 1);
}

TEST_F(WorkerTest, TimerStoppedFromItsOwnCallback) {
    CountingCallback callback;
    callback.m_stopFromInside = true;
    const unsigned int id = CZtTimer::SetTimer(1, true, &callback);
    ASSERT_TRUE(Eventually([&] { return callback.m_stopResult.load() != 0xFFu; }));
    EXPECT_EQ(callback.m_stopResult.load(), ZT_S_OK);
    ASSERT_TRUE(Eventually([&] { return callback.Refs() == 1; }));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(callback.Calls().size(), 1u);  // the periodic timer ended after that call
    EXPECT_EQ(CZtTimer::StopTimer(id), ZT_E_NOTFOUND);
}

}  // namespace

namespace {

// A timer left running when the process ends: the library stops and joins
// it while it unloads (a hang or a use after free there fails this test's
// process), so its thread does not call into code that is going away. The
// callback is never freed: it must outlive the library's own objects.
CountingCallback* const g_leftRunning = new CountingCallback;

TEST_F(WorkerTest, TimerLeftRunningIsStoppedWhenTheLibraryUnloads) {
    CZtTimer::SetTimer(1, true, g_leftRunning);
    ASSERT_TRUE(Eventually([] { return g_leftRunning->Calls().size() >= 2; }));
    EXPECT_EQ(g_leftRunning->Refs(), 2);  // held by the running timer until exit
}

}  // namespace
