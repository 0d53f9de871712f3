// Tests of the platform threads, thread messages, debugger helpers and the
// shared mutex. Waits that should succeed are bounded by kLong, so a fault
// fails instead of hangs.
#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/sharedmemory.h"
#include "platform/thread.h"

namespace {

using namespace Varn::platform;
using Clock = std::chrono::steady_clock;

constexpr unsigned int kLong = 5000;

unsigned int Tid() {
    return static_cast<unsigned int>(syscall(SYS_gettid));
}

bool TaskExists(unsigned int tid) {
    struct stat info;
    return stat(("/proc/self/task/" + std::to_string(tid)).c_str(), &info) == 0;
}

// What a thread saw of itself.
struct Probe {
    std::atomic<bool> started{false}, ran{false};
    unsigned int tid = 0;
    std::size_t stackSize = 0;
    const Thread* self = nullptr;
    unsigned int selfJoin = 0;
    Event release;  // when valid, the entry waits for it
};

unsigned int ProbeEntry(void* argument) {
    Probe& probe = *static_cast<Probe*>(argument);
    probe.started = true;
    probe.tid = Tid();
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
        pthread_attr_getstacksize(&attributes, &probe.stackSize);
        pthread_attr_destroy(&attributes);
    }
    if (probe.self)
        probe.selfJoin = probe.self->Join(0);
    if (probe.release.IsValid())
        probe.release.Wait(kLong);
    probe.ran = true;
    return 0;
}

TEST(PlatformThreadTest, RunsOnlyAfterResumeAndReportsItsOwnId) {
    Probe probe;
    probe.release = Event::Create(true, false);
    Thread thread = Thread::CreateSuspended(&ProbeEntry, &probe);
    probe.self = &thread;
    ASSERT_TRUE(thread.IsValid());
    EXPECT_NE(thread.Id(), 0u);
    EXPECT_TRUE(TaskExists(thread.Id())) << "the id names a live kernel task before Resume";
    EXPECT_EQ(thread.Join(30), kWaitTimeout);
    EXPECT_FALSE(probe.started);
    EXPECT_FALSE(thread.HasEnded());

    EXPECT_TRUE(thread.Resume());
    EXPECT_FALSE(thread.Resume()) << "only the first Resume starts it";
    const auto start = Clock::now();
    EXPECT_EQ(thread.Join(20), kWaitTimeout) << "the entry still waits for `release`";
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(20));
    probe.release.Set();
    ASSERT_EQ(thread.Join(kLong), kWaitObject0);
    EXPECT_TRUE(probe.ran);
    EXPECT_TRUE(thread.HasEnded());
    EXPECT_EQ(probe.tid, thread.Id());
    EXPECT_EQ(probe.selfJoin, kWaitFailed) << "a thread cannot join itself";
    EXPECT_GE(probe.stackSize, kThreadStackSize);
}

TEST(PlatformThreadTest, StackSizeIsAtLeastTheRequestAndTheSystemMinimum) {
    for (const std::size_t requested : {std::size_t{1}, kThreadStackSize, std::size_t{2000001}}) {
        Probe probe;
        Thread thread = Thread::CreateSuspended(&ProbeEntry, &probe, requested);
        ASSERT_TRUE(thread.Resume());
        ASSERT_EQ(thread.Join(kLong), kWaitObject0);
        EXPECT_GE(probe.stackSize, requested);
        EXPECT_GE(probe.stackSize, static_cast<std::size_t>(PTHREAD_STACK_MIN));
    }
}

TEST(PlatformThreadTest, EmptyThreadFails) {
    const Thread empty;
    EXPECT_FALSE(empty.Resume());
    EXPECT_EQ(empty.Id(), 0u);
    EXPECT_EQ(empty.Join(0), kWaitFailed);
    EXPECT_FALSE(empty.HasEnded());
    EXPECT_FALSE(empty.SetPriority(0));
    EXPECT_FALSE(empty.SetName("x"));
    EXPECT_FALSE(Thread::CreateSuspended(nullptr, nullptr).IsValid());
}

TEST(PlatformThreadTest, NameReachesTheKernelCutOnACharacterBoundary) {
    Probe probe;
    const Thread thread = Thread::CreateSuspended(&ProbeEntry, &probe);
    const std::tuple<std::string, std::string> cases[] = {
        {"worker", "worker"},
        {"exactly15bytes!", "exactly15bytes!"},
        {"a-much-longer-thread-name", "a-much-longer-t"},
        {"abcdefghijklmn\xC3\xA9z", "abcdefghijklmn"},  // é would straddle byte 15
        {"abcdefghijklm\xC3\xA9z", "abcdefghijklm\xC3\xA9"},
    };
    for (const auto& [name, expected] : cases) {
        EXPECT_TRUE(thread.SetName(name)) << name;
        std::ifstream comm("/proc/self/task/" + std::to_string(thread.Id()) + "/comm");
        std::string seen;
        std::getline(comm, seen);
        EXPECT_EQ(seen, expected);
    }
    // The thread is dropped without ever running.
}

TEST(PlatformThreadTest, PriorityMapsOntoNiceAndRefusalsChangeNothing) {
    Probe probe;
    const Thread thread = Thread::CreateSuspended(&ProbeEntry, &probe);
    const int before = getpriority(PRIO_PROCESS, 0);
    // Lowering always works; raising may be refused to an unprivileged user.
    const std::pair<int, int> cases[] = {{-1, 5}, {-2, 10}, {-15, 19}, {2, -10}, {0, 0}};
    for (const auto& [priority, nice] : cases) {
        const int previous = thread.GetPriority();
        const int niceBefore = getpriority(PRIO_PROCESS, thread.Id());
        const bool ok = thread.SetPriority(priority);
        if (nice >= niceBefore) {
            EXPECT_TRUE(ok) << priority;
        }
        EXPECT_EQ(thread.GetPriority(), ok ? priority : previous) << priority;
        EXPECT_EQ(getpriority(PRIO_PROCESS, thread.Id()), ok ? nice : niceBefore) << priority;
    }
    for (const int bad : {kPriorityIdle - 1, kPriorityTimeCritical + 1}) {
        const int previous = thread.GetPriority();
        EXPECT_FALSE(thread.SetPriority(bad));
        EXPECT_EQ(thread.GetPriority(), previous);
    }
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), before) << "only the thread changed";
}

TEST(PlatformThreadTest, DroppedThreadsDoNotLeak) {
    // Never resumed: it ends at its gate without running its entry.
    Probe idle;
    unsigned int tid = 0;
    {
        const Thread thread = Thread::CreateSuspended(&ProbeEntry, &idle);
        tid = thread.Id();
        ASSERT_TRUE(TaskExists(tid));
    }
    EXPECT_FALSE(idle.started);
    EXPECT_FALSE(TaskExists(tid)) << "the thread is gone once its last reference went";

    // Running: it runs on, detached, and goes when its entry returns.
    Probe running;
    running.release = Event::Create(true, false);
    {
        const Thread thread = Thread::CreateSuspended(&ProbeEntry, &running);
        tid = thread.Id();
        ASSERT_TRUE(thread.Resume());
    }
    running.release.Set();
    const auto limit = Clock::now() + std::chrono::milliseconds(kLong);
    while (TaskExists(tid) && Clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(running.ran);
    EXPECT_FALSE(TaskExists(tid));
}

TEST(PlatformThreadTest, HandleValueIdentifiesTheThread) {
    Probe probe;
    const Thread a = Thread::CreateSuspended(&ProbeEntry, &probe);
    const Thread b = Thread::CreateSuspended(&ProbeEntry, &probe);
    const Thread copy = a;
    EXPECT_NE(a.HandleValue(), 0u);
    EXPECT_EQ(copy.HandleValue(), a.HandleValue());
    EXPECT_NE(a.HandleValue(), b.HandleValue());
}

// Messages. Each test runs its queue owner on a thread of its own, so no
// queue outlives the test.

std::vector<std::tuple<unsigned int, std::uintptr_t, std::intptr_t, unsigned int>> g_handled;

void Record(unsigned int message, std::uintptr_t wParam, std::intptr_t lParam) {
    g_handled.emplace_back(message, wParam, lParam, Tid());
}

void PostAgain(unsigned int message, std::uintptr_t wParam, std::intptr_t lParam) {
    Record(message, wParam, lParam);
    PostThreadMessage(Tid(), message + 1, wParam, lParam, &Record);
}

TEST(PlatformMessageTest, PostedMessagesWakeTheOwnerAndRunThereInOrder) {
    g_handled.clear();
    const Event queueReady = Event::Create(true, false), never = Event::Create(true, false);
    std::atomic<unsigned int> owner{0};
    unsigned int lastWait = 0;
    // The receiver stops by itself once it ran three messages (or a wait
    // failed), so g_handled is read only after it ended.
    std::thread receiver([&] {
        EnsureMessageQueue();
        owner = Tid();
        queueReady.Set();
        const Event* events[] = {&never};
        while (g_handled.size() < 3) {
            lastWait = WaitForEventsOrMessages(events, 1, kLong);
            if (lastWait != kWaitObject0 + 1)
                break;
            DispatchMessages();
        }
    });
    EXPECT_EQ(queueReady.Wait(kLong), kWaitObject0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let it block
    EXPECT_FALSE(PostThreadMessage(owner, 1, 0, 0, nullptr)) << "a handler is required";
    for (unsigned int i = 1; i <= 3; ++i)
        EXPECT_TRUE(PostThreadMessage(owner, 100 + i, i, -static_cast<std::intptr_t>(i), &Record));
    receiver.join();
    EXPECT_EQ(lastWait, kWaitObject0 + 1);
    ASSERT_EQ(g_handled.size(), 3u);
    for (unsigned int i = 0; i < 3; ++i) {
        EXPECT_EQ(g_handled[i], std::make_tuple(101 + i, std::uintptr_t{i + 1},
                                                -static_cast<std::intptr_t>(i + 1), owner.load()));
    }
    EXPECT_FALSE(PostThreadMessage(owner, 1, 0, 0, &Record)) << "the queue went with its thread";
}

TEST(PlatformMessageTest, EventsOutrankMessagesAndDispatchRunsWhatWaits) {
    std::thread([] {
        g_handled.clear();
        const Event event = Event::Create(false, false);
        const Event* events[] = {&event};
        EXPECT_EQ(DispatchMessages(), 0u) << "no queue yet";
        EXPECT_EQ(WaitForEventsOrMessages(nullptr, 0, 0), kWaitTimeout) << "creates the queue";
        ASSERT_TRUE(PostThreadMessage(Tid(), 7, 0, 0, &PostAgain));
        event.Set();
        EXPECT_EQ(WaitForEventsOrMessages(events, 1, 0), kWaitObject0);
        EXPECT_EQ(WaitForEventsOrMessages(events, 1, 0), kWaitObject0 + 1);
        EXPECT_EQ(WaitForEventsOrMessages(nullptr, 0, 0), kWaitObject0);
        // The handler posts again: that message waits for the next dispatch.
        EXPECT_EQ(DispatchMessages(), 1u);
        EXPECT_EQ(WaitForEventsOrMessages(events, 1, 0), kWaitObject0 + 1);
        EXPECT_EQ(DispatchMessages(), 1u);
        const auto start = Clock::now();
        EXPECT_EQ(WaitForEventsOrMessages(events, 1, 30), kWaitTimeout);
        EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(30));
        ASSERT_EQ(g_handled.size(), 2u);
        EXPECT_EQ(std::get<0>(g_handled[0]), 7u);
        EXPECT_EQ(std::get<0>(g_handled[1]), 8u);

        const Event* withNull[] = {&event, nullptr};
        const std::vector<const Event*> tooMany(kMaxWaitObjects, &event);
        EXPECT_EQ(WaitForEventsOrMessages(withNull, 2, 0), kWaitFailed);
        EXPECT_EQ(WaitForEventsOrMessages(tooMany.data(), kMaxWaitObjects, 0), kWaitFailed);
        EXPECT_EQ(WaitForEventsOrMessages(nullptr, 1, 0), kWaitFailed);
    }).join();
}

TEST(PlatformMessageTest, PostingToAThreadWithoutQueueFails) {
    EXPECT_FALSE(PostThreadMessage(0, 1, 0, 0, &Record));
    Probe probe;
    const Thread noQueue = Thread::CreateSuspended(&ProbeEntry, &probe);
    EXPECT_FALSE(PostThreadMessage(noQueue.Id(), 1, 0, 0, &Record));
}

TEST(PlatformDebuggerTest, TracerAndOutput) {
    std::ifstream status("/proc/self/status");
    std::string line;
    long tracer = -1;
    while (std::getline(status, line))
        if (line.rfind("TracerPid:", 0) == 0)
            tracer = std::stol(line.substr(10));
    ASSERT_GE(tracer, 0);
    EXPECT_EQ(IsDebuggerAttached(), tracer != 0);

    // Standard error goes to a pipe for a moment.
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    fflush(stderr);
    const int savedStderr = dup(STDERR_FILENO);
    dup2(pipeEnds[1], STDERR_FILENO);
    DebugOutput("first");
    DebugOutput("second\n");
    DebugOutput("");
    dup2(savedStderr, STDERR_FILENO);
    close(savedStderr);
    close(pipeEnds[1]);
    char buffer[64];
    const ssize_t n = read(pipeEnds[0], buffer, sizeof buffer);
    close(pipeEnds[0]);
    EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0), "first\nsecond\n\n");
}

// The mutex inside shared memory: a second locker waits no longer than its
// time-out, and gets the mutex once it is unlocked.
TEST(PlatformSharedMutexTest, ASecondLockerTimesOut) {
    SharedMutex mutex;
    ASSERT_TRUE(InitSharedMutex(mutex));
    ASSERT_TRUE(LockSharedMutex(mutex, 999));
    std::atomic<int> result{0};
    std::thread waiter([&] { result = LockSharedMutex(mutex, 20) ? 1 : 2; });
    waiter.join();
    EXPECT_EQ(result.load(), 2);
    UnlockSharedMutex(mutex);
    std::thread taker([&] {
        result = LockSharedMutex(mutex, static_cast<int>(kLong)) ? 3 : 4;
        UnlockSharedMutex(mutex);
    });
    taker.join();
    EXPECT_EQ(result.load(), 3);
}

// A holder that ends without unlocking does not block the next locker, who
// recovers the mutex for good.
TEST(PlatformSharedMutexTest, RecoversFromAHolderThatEnded) {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "ThreadSanitizer does not follow a robust mutex recovered by a timed lock";
#else
    SharedMutex mutex;
    ASSERT_TRUE(InitSharedMutex(mutex));
    std::atomic<bool> held{false};
    std::thread holder([&] { held = LockSharedMutex(mutex, static_cast<int>(kLong)); });
    holder.join();  // ends while still holding it
    ASSERT_TRUE(held.load());
    ASSERT_TRUE(LockSharedMutex(mutex, static_cast<int>(kLong)));
    UnlockSharedMutex(mutex);
    ASSERT_TRUE(LockSharedMutex(mutex, 0));
    UnlockSharedMutex(mutex);
#endif
}

}  // namespace
