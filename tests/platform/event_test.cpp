// Tests of the platform events: reset modes, names, multiple waits, time-outs
// and waits racing each other. Every wait that should succeed is bounded by
// kLong so that a lost wake-up fails the test instead of hanging it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/event.h"

namespace {

using Varn::platform::Event;
using Varn::platform::kMaxWaitObjects;
using Varn::platform::kWaitFailed;
using Varn::platform::kWaitObject0;
using Varn::platform::kWaitTimeout;
using Clock = std::chrono::steady_clock;

constexpr unsigned int kLong = 5000;

unsigned int WaitAny(const std::vector<const Event*>& events, unsigned int ms) {
    return Event::WaitMultiple(events.data(), static_cast<unsigned int>(events.size()), false, ms);
}
unsigned int WaitAll(const std::vector<const Event*>& events, unsigned int ms) {
    return Event::WaitMultiple(events.data(), static_cast<unsigned int>(events.size()), true, ms);
}

TEST(PlatformEventTest, ResetModesAndInitialState) {
    struct Case {
        bool manual, initial;
        unsigned int firstWait, secondWait;
    };
    const Case cases[] = {
        {false, false, kWaitTimeout, kWaitTimeout},
        {false, true, kWaitObject0, kWaitTimeout},  // the first wait consumes it
        {true, false, kWaitTimeout, kWaitTimeout},
        {true, true, kWaitObject0, kWaitObject0},  // stays signalled
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "manual " << c.manual << ", initial " << c.initial);
        const Event event = Event::Create(c.manual, c.initial);
        ASSERT_TRUE(event.IsValid());
        EXPECT_EQ(event.IsSet(), c.initial);
        EXPECT_EQ(event.IsSet(), c.initial) << "IsSet must not consume";
        EXPECT_EQ(event.Wait(0), c.firstWait);
        EXPECT_EQ(event.Wait(0), c.secondWait);
        EXPECT_TRUE(event.Set());
        EXPECT_EQ(event.Set(), true) << "setting twice is allowed";
        EXPECT_EQ(event.Wait(0), kWaitObject0);
        EXPECT_EQ(event.IsSet(), c.manual);
        EXPECT_TRUE(event.Reset());
        EXPECT_EQ(event.Wait(0), kWaitTimeout);
    }
}

TEST(PlatformEventTest, EmptyEventFails) {
    const Event empty;
    EXPECT_FALSE(empty.IsValid());
    EXPECT_FALSE(empty.Set());
    EXPECT_FALSE(empty.Reset());
    EXPECT_FALSE(empty.IsSet());
    EXPECT_EQ(empty.Wait(0), kWaitFailed);
}

TEST(PlatformEventTest, NamesShareOneEventWhileReferenced) {
    const std::string name = "zotrel-event-test-name";
    {
        const Event first = Event::Create(true, false, name);
        const Event second = Event::Create(false, true, name);  // attributes ignored
        EXPECT_EQ(first, second);
        EXPECT_FALSE(second.IsSet());
        first.Set();
        EXPECT_EQ(second.Wait(0), kWaitObject0);
        EXPECT_EQ(second.Wait(0), kWaitObject0) << "the first creator's manual reset is kept";
        EXPECT_NE(first, Event::Create(true, false, name + "-other"));
        EXPECT_NE(Event::Create(true, false), Event::Create(true, false)) << "unnamed are distinct";
    }
    // The last reference went: the name is free and takes new attributes.
    const Event again = Event::Create(false, true, name);
    EXPECT_EQ(again.Wait(0), kWaitObject0);
    EXPECT_EQ(again.Wait(0), kWaitTimeout) << "a new auto-reset event, not the old one";
}

TEST(PlatformEventTest, WaitAnyReportsLowestSignalledAndConsumesOnlyIt) {
    const Event a = Event::Create(false, false), b = Event::Create(false, false),
                c = Event::Create(true, false);
    const std::vector<const Event*> set = {&a, &b, &c};
    b.Set();
    c.Set();
    EXPECT_EQ(WaitAny(set, 0), kWaitObject0 + 1);
    EXPECT_FALSE(b.IsSet());
    EXPECT_TRUE(c.IsSet());
    a.Set();
    EXPECT_EQ(WaitAny(set, 0), kWaitObject0 + 0);
    EXPECT_EQ(WaitAny(set, 0), kWaitObject0 + 2);
    EXPECT_EQ(WaitAny(set, 0), kWaitObject0 + 2) << "manual reset stays signalled";
    c.Reset();
    EXPECT_EQ(WaitAny(set, 0), kWaitTimeout);
}

TEST(PlatformEventTest, WaitAllTakesAllAtOnceOrNothing) {
    const Event a = Event::Create(false, false), b = Event::Create(false, false),
                m = Event::Create(true, false);
    const std::vector<const Event*> set = {&a, &b, &m};
    a.Set();
    m.Set();
    EXPECT_EQ(WaitAll(set, 0), kWaitTimeout);
    EXPECT_TRUE(a.IsSet()) << "a partial set consumes nothing";
    EXPECT_TRUE(m.IsSet());
    b.Set();
    EXPECT_EQ(WaitAll(set, 0), kWaitObject0);
    EXPECT_FALSE(a.IsSet());
    EXPECT_FALSE(b.IsSet());
    EXPECT_TRUE(m.IsSet());
}

TEST(PlatformEventTest, BadArgumentsFailWithoutWaiting) {
    const Event a = Event::Create(false, true), empty;
    const std::vector<const Event*> many(kMaxWaitObjects + 1, &a);
    struct Case {
        const char* what;
        const Event* const* events;
        unsigned int count;
        bool waitAll;
    };
    const Event* withNull[] = {&a, nullptr};
    const Event* withEmpty[] = {&a, &empty};
    const Event* twice[] = {&a, &a};
    const Case cases[] = {
        {"count 0", many.data(), 0, false},  {"too many", many.data(), kMaxWaitObjects + 1, false},
        {"null array", nullptr, 1, false},   {"null entry", withNull, 2, false},
        {"empty event", withEmpty, 2, true}, {"twice in wait-all", twice, 2, true},
    };
    for (const Case& c : cases) {
        const auto start = Clock::now();
        EXPECT_EQ(Event::WaitMultiple(c.events, c.count, c.waitAll, kLong), kWaitFailed) << c.what;
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(1)) << c.what;
        EXPECT_TRUE(a.IsSet()) << c.what << " consumed an event";
    }
    // Twice in a wait-any is allowed; the lowest index wins.
    EXPECT_EQ(Event::WaitMultiple(twice, 2, false, 0), kWaitObject0);
}

TEST(PlatformEventTest, TimeOutsLastAtLeastTheirTime) {
    const Event event = Event::Create(false, false), other = Event::Create(true, false);
    const std::vector<const Event*> set = {&event, &other};
    for (const unsigned int ms : {0u, 30u}) {
        for (int kind = 0; kind < 3; ++kind) {
            const auto start = Clock::now();
            const unsigned int result = kind == 0   ? event.Wait(ms)
                                        : kind == 1 ? WaitAny(set, ms)
                                                    : WaitAll(set, ms);
            EXPECT_EQ(result, kWaitTimeout) << ms << " ms, kind " << kind;
            EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(ms));
        }
    }
}

TEST(PlatformEventTest, SetWakesBlockedWaiters) {
    // Auto reset releases one waiter per Set, manual reset all of them.
    for (const bool manual : {false, true}) {
        const Event event = Event::Create(manual, false);
        std::atomic<int> released{0};
        std::vector<std::thread> waiters;
        for (int i = 0; i < 3; ++i)
            waiters.emplace_back([&] { released += event.Wait(kLong) == kWaitObject0; });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let them block
        // Auto-reset Sets wait for their taker: a second Set before it would
        // only find the event still signalled.
        for (int i = 1; i <= (manual ? 1 : 3); ++i) {
            event.Set();
            const auto limit = Clock::now() + std::chrono::milliseconds(kLong);
            while (!manual && released < i && Clock::now() < limit)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        for (std::thread& t : waiters)
            t.join();
        EXPECT_EQ(released.load(), 3) << "manual " << manual;
        EXPECT_EQ(event.IsSet(), manual);
    }
}

// Thread A waits for all of {e1, e2}, thread B for e2 alone. A wait-all that
// took e1 before it had e2 would keep B from getting e2 in an "e2 only"
// round, or leave e1 consumed when B wins a round in which both were set.
TEST(PlatformEventTest, WaitAllNeverTakesHalfASetFromACompetitor) {
    const Event e1 = Event::Create(false, false), e2 = Event::Create(false, false);
    const Event reported = Event::Create(false, false);
    std::atomic<bool> stop{false};
    std::mutex lock;
    std::vector<char> winners;
    auto report = [&](char who) {
        std::lock_guard<std::mutex> guard(lock);
        winners.push_back(who);
        reported.Set();
    };
    std::thread a([&] {
        const std::vector<const Event*> both = {&e1, &e2};
        while (!stop)
            if (WaitAll(both, 20) == kWaitObject0)
                report('A');
    });
    std::thread b([&] {
        while (!stop)
            if (e2.Wait(20) == kWaitObject0)
                report('B');
    });
    auto nextWinner = [&](std::size_t round) {
        EXPECT_EQ(reported.Wait(kLong), kWaitObject0) << "round " << round << ": nobody woke";
        std::lock_guard<std::mutex> guard(lock);
        EXPECT_EQ(winners.size(), round + 1) << "a round released more than one waiter";
        return winners.empty() ? '?' : winners.back();
    };
    int winsOfA = 0;
    const std::size_t rounds = 300;
    for (std::size_t round = 0; round < rounds && !testing::Test::HasFailure(); ++round) {
        if (round % 2 == 0) {
            e2.Set();  // only B can take this one
            EXPECT_EQ(nextWinner(round), 'B') << "round " << round;
            EXPECT_FALSE(e1.IsSet());
        } else {
            e1.Set();
            e2.Set();
            const char winner = nextWinner(round);
            winsOfA += winner == 'A';
            // A takes both or nothing: when B won, e1 is still there.
            EXPECT_EQ(e1.IsSet(), winner == 'B') << "round " << round;
            EXPECT_FALSE(e2.IsSet());
            e1.Reset();
        }
    }
    stop = true;
    a.join();
    b.join();
    RecordProperty("winsOfA", winsOfA);
}

// A token passes round a ring of threads, each waiting for its own auto-reset
// event (half of them through a wait-any that includes a never-set event) and
// setting the next one. A lost wake-up stops the token and fails a wait.
TEST(PlatformEventTest, StressRingLosesNoSignal) {
    constexpr int kThreads = 4, kLaps = 500;
    std::vector<Event> events;
    for (int i = 0; i < kThreads; ++i)
        events.push_back(Event::Create(false, false));
    const Event never = Event::Create(true, false);
    std::atomic<int> passes{0}, failures{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            const std::vector<const Event*> mine = {&never, &events[i]};
            for (int lap = 0; lap < kLaps; ++lap) {
                const unsigned int r = i % 2 ? WaitAny(mine, kLong) : events[i].Wait(kLong);
                if (r != (i % 2 ? kWaitObject0 + 1 : kWaitObject0)) {
                    ++failures;
                    return;
                }
                ++passes;
                events[(i + 1) % kThreads].Set();
            }
        });
    }
    events[0].Set();
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(passes.load(), kThreads * kLaps);
}

// Several threads compete for one auto-reset event that is set again only
// after a taker acknowledged: every Set releases exactly one of them.
TEST(PlatformEventTest, StressAutoResetReleasesOnePerSet) {
    constexpr int kThreads = 4, kSets = 1000;
    const Event work = Event::Create(false, false), ack = Event::Create(false, false);
    std::atomic<int> taken{0};
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&] {
            while (!stop)
                if (work.Wait(20) == kWaitObject0) {
                    ++taken;
                    ack.Set();
                }
        });
    }
    int acknowledged = 0;
    for (int i = 0; i < kSets; ++i) {
        work.Set();
        if (ack.Wait(kLong) != kWaitObject0)
            break;
        ++acknowledged;
    }
    stop = true;
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(acknowledged, kSets);
    EXPECT_EQ(taken.load(), kSets);
}

}  // namespace
