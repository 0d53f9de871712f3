// Events across threads, and the registry entries the public functions never
// make (a handle without an object, an object without a system event).
#include <zotrel/event.h>

#include <zotrel/string.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>
#include <vector>

#include "concurrency/eventelement.h"
#include "concurrency/eventmgr.h"
#include "support/latch.h"

namespace Varn {
namespace {

using namespace std::chrono_literals;

// Every wait of these tests ends within this, so a lost signal fails a test
// instead of hanging it.
constexpr unsigned int kBoundMs = 5000;

// The references to an event's object besides the registry's and this call's.
int OtherReferences(const tagZTEVENT* event) {
    CZtEventElement* element = g_EventMgr.Acquire(event);
    if (!element)
        return -1;
    const int count = element->AddRef() - 3;  // this call's two and the registry's
    element->Release();
    element->Release();
    return count;
}

// Polls until `event` has `count` references besides the registry's.
bool WaitForReferences(const tagZTEVENT* event, int count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBoundMs);
    while (OtherReferences(event) != count) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Entries without an object or without a system event

struct BrokenEvents {
    BrokenEvents() {
        g_EventMgr.Register(&withoutObject, nullptr);
        CZtEventElement* element = g_EventMgr.Acquire(withoutOsEvent);
        element->DropOsEvent();
        element->Release();
    }
    ~BrokenEvents() {
        for (tagZTEVENT* event : {&withoutObject, withoutOsEvent, live})
            ZtDestroyEvent(event);
    }
    tagZTEVENT withoutObject{0};
    tagZTEVENT* withoutOsEvent = ZtCreateEvent(0, 1, nullptr);
    tagZTEVENT* live = ZtCreateEvent(1, 1, nullptr);
};

TEST(EventBrokenEntries, AnswerWithTheirOwnCodes) {
    using Run = unsigned int (*)(BrokenEvents&);
    struct Case {
        const char* name;
        Run run;
        unsigned int expected;
    };
    const Case cases[] = {
        {"Set without object", [](BrokenEvents& e) { return ZtSetEvent(&e.withoutObject); },
         ZT_E_INVALID_OBJECT},
        {"Set without system event", [](BrokenEvents& e) { return ZtSetEvent(e.withoutOsEvent); },
         ZT_E_FAIL},
        {"Reset without object", [](BrokenEvents& e) { return ZtResetEvent(&e.withoutObject); },
         ZT_E_INVALID_OBJECT},
        {"Reset without system event",
         [](BrokenEvents& e) { return ZtResetEvent(e.withoutOsEvent); }, ZT_E_FAIL},
        {"Copy without object",
         [](BrokenEvents& e) {
             tagZTEVENT* copy = nullptr;
             const unsigned int result = ZtCopyEvent(&e.withoutObject, &copy);
             return copy ? ZT_E_UNEXPECTED : result;
         },
         ZT_E_FAIL},
        {"Copy without system event: the copy gets one of its own",
         [](BrokenEvents& e) {
             tagZTEVENT* copy = nullptr;
             const unsigned int result = ZtCopyEvent(e.withoutOsEvent, &copy);
             const unsigned int waited = ZtWaitForSingleEvent(copy, 0);  // created signalled
             ZtDestroyEvent(copy);
             return waited == ZT_WAIT_OBJECT_0 ? result : ZT_E_UNEXPECTED;
         },
         ZT_S_OK},
        {"Attributes without object",
         [](BrokenEvents& e) {
             return ZtGetEventAttributes(&e.withoutObject, nullptr, nullptr, nullptr);
         },
         ZT_E_FAIL},
        {"Attributes without system event",
         [](BrokenEvents& e) {
             unsigned char initial = 0;
             const unsigned int result =
                 ZtGetEventAttributes(e.withoutOsEvent, nullptr, &initial, nullptr);
             return initial == 1 ? result : ZT_E_UNEXPECTED;
         },
         ZT_S_OK},
        {"Wait without object",
         [](BrokenEvents& e) { return ZtWaitForSingleEvent(&e.withoutObject, 0); }, ZT_WAIT_FAILED},
        {"Wait without system event",
         [](BrokenEvents& e) { return ZtWaitForSingleEvent(e.withoutOsEvent, 0); }, ZT_WAIT_FAILED},
        {"WaitMultiple any, one without object, one signalled",
         [](BrokenEvents& e) {
             tagZTEVENT* set[] = {e.live, &e.withoutObject};
             return ZtWaitForMultipleEvents(2, set, 0, 0);
         },
         ZT_WAIT_FAILED},
        {"WaitMultiple any, one without system event, one signalled",
         [](BrokenEvents& e) {
             tagZTEVENT* set[] = {e.live, e.withoutOsEvent};
             return ZtWaitForMultipleEvents(2, set, 0, 0);
         },
         ZT_WAIT_FAILED},
        {"Destroy without object",
         [](BrokenEvents& e) {
             const unsigned int result = ZtDestroyEvent(&e.withoutObject);
             return ZtDestroyEvent(&e.withoutObject) == ZT_E_INVALID_TYPE ? result
                                                                          : ZT_E_UNEXPECTED;
         },
         ZT_S_OK},
        {"Destroy without system event",
         [](BrokenEvents& e) { return ZtDestroyEvent(e.withoutOsEvent); }, ZT_S_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BrokenEvents events;
        EXPECT_EQ(c.run(events), c.expected);
    }
}

// ---------------------------------------------------------------------------
// Threads

TEST(EventThreads, ASetReleasesEveryWaiterOfAManualResetEvent) {
    tagZTEVENT* event = ZtCreateEvent(1, 0, nullptr);
    constexpr int kWaiters = 4;
    std::vector<unsigned int> results(kWaiters, 0xDEAD);
    std::vector<std::thread> waiters;
    for (int i = 0; i < kWaiters; ++i)
        waiters.emplace_back([&, i] { results[i] = ZtWaitForSingleEvent(event, kBoundMs); });
    EXPECT_TRUE(WaitForReferences(event, kWaiters));  // every waiter is in its wait
    ASSERT_EQ(ZtSetEvent(event), ZT_S_OK);
    for (std::thread& waiter : waiters)
        waiter.join();
    for (unsigned int result : results)
        EXPECT_EQ(result, ZT_WAIT_OBJECT_0);
    ZtDestroyEvent(event);
}

// A wait-all takes its events only all together: an event set while the rest
// of its set is not goes to a competing single waiter.
TEST(EventThreads, AWaitAllNeverTakesPartOfItsSet) {
    tagZTEVENT* set[] = {ZtCreateEvent(0, 0, nullptr), ZtCreateEvent(0, 0, nullptr)};
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        std::atomic<unsigned int> all{0xDEAD};
        std::atomic<unsigned int> single{0xDEAD};
        std::thread waitAll([&] { all = ZtWaitForMultipleEvents(2, set, 1, kBoundMs); });
        std::thread waitOne([&] { single = ZtWaitForSingleEvent(set[0], kBoundMs); });
        EXPECT_TRUE(WaitForReferences(set[0], 2));
        ASSERT_EQ(ZtSetEvent(set[0]), ZT_S_OK);
        waitOne.join();
        EXPECT_EQ(single.load(), ZT_WAIT_OBJECT_0);
        EXPECT_EQ(all.load(), 0xDEADu);  // still waiting for the whole set
        ASSERT_EQ(ZtSetEvent(set[1]), ZT_S_OK);
        ASSERT_EQ(ZtSetEvent(set[0]), ZT_S_OK);
        waitAll.join();
        EXPECT_EQ(all.load(), ZT_WAIT_OBJECT_0);
        EXPECT_EQ(ZtWaitForMultipleEvents(2, set, 0, 0), ZT_WAIT_TIMEOUT);  // both consumed
    }
    for (tagZTEVENT* event : set)
        ZtDestroyEvent(event);
}

// A wait keeps its own reference: destroying the handle meanwhile neither
// frees what the wait uses nor lets anyone set it through that handle. An
// unnamed event can then only time out; a named one is still reached through
// another handle of its name.
TEST(EventThreads, AnEventDestroyedDuringAWaitStaysValidUntilTheWaitEnds) {
    const CZtString name(L"EventConcurrencyTest.Destroyed");
    struct Case {
        const char* name;
        bool named;
        bool waitMultiple;
        unsigned int timeoutMs;
        unsigned int expected;
    };
    const Case cases[] = {
        {"unnamed, single", false, false, 200, ZT_WAIT_TIMEOUT},
        {"unnamed, multiple", false, true, 200, ZT_WAIT_TIMEOUT},
        {"named, single", true, false, kBoundMs, ZT_WAIT_OBJECT_0},
        {"named, multiple", true, true, kBoundMs, ZT_WAIT_OBJECT_0 + 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tagZTEVENT* other = ZtCreateEvent(0, 0, nullptr);
        tagZTEVENT* event = ZtCreateEvent(0, 0, c.named ? &name : nullptr);
        tagZTEVENT* keeper = nullptr;
        ASSERT_EQ(ZtCopyEvent(event, &keeper), ZT_S_OK);
        std::atomic<unsigned int> result{0xDEAD};
        std::thread waiter([&] {
            tagZTEVENT* set[] = {other, event};
            result = c.waitMultiple ? ZtWaitForMultipleEvents(2, set, 0, c.timeoutMs)
                                    : ZtWaitForSingleEvent(event, c.timeoutMs);
        });
        EXPECT_TRUE(WaitForReferences(event, 1));
        ASSERT_EQ(ZtDestroyEvent(event), ZT_S_OK);
        // The record lives on with the wait, so this address is no handle of
        // any other event yet.
        EXPECT_EQ(ZtSetEvent(event), ZT_E_INVALID_TYPE);
        ASSERT_EQ(ZtSetEvent(keeper), ZT_S_OK);
        waiter.join();
        EXPECT_EQ(result.load(), c.expected);
        ZtDestroyEvent(keeper);
        ZtDestroyEvent(other);
    }
}

// A token passed round a ring of threads through auto-reset events: every
// set must wake the next thread exactly once, or the ring stops (and the
// bounded wait fails) or the token doubles (and the check at the end fails).
TEST(EventThreads, ATokenGoesRoundARingWithoutBeingLostOrDoubled) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 500;
    std::vector<tagZTEVENT*> ring;
    for (int i = 0; i < kThreads; ++i)
        ring.push_back(ZtCreateEvent(0, 0, nullptr));
    tagZTEVENT* never = ZtCreateEvent(1, 0, nullptr);
    ASSERT_EQ(ZtSetEvent(ring[0]), ZT_S_OK);
    const std::vector<int> failures = zotrel_test::RunTogether(kThreads, [&](int t) {
        int failed = 0;
        for (int round = 0; round < kRounds && failed == 0; ++round) {
            tagZTEVENT* set[] = {never, ring[t]};
            // Both wait paths, alternately.
            const unsigned int result = round % 2 ? ZtWaitForMultipleEvents(2, set, 0, kBoundMs)
                                                  : ZtWaitForSingleEvent(ring[t], kBoundMs);
            failed += result != (round % 2 ? ZT_WAIT_OBJECT_0 + 1 : ZT_WAIT_OBJECT_0);
            failed += ZtSetEvent(ring[(t + 1) % kThreads]) != ZT_S_OK;
        }
        return failed;
    });
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(failures[t], 0) << "thread " << t;
    // One token, back at the start.
    EXPECT_EQ(ZtWaitForSingleEvent(ring[0], 0), ZT_WAIT_OBJECT_0);
    for (int i = 1; i < kThreads; ++i)
        EXPECT_EQ(ZtWaitForSingleEvent(ring[i], 0), ZT_WAIT_TIMEOUT) << i;
    for (tagZTEVENT* event : ring)
        ZtDestroyEvent(event);
    ZtDestroyEvent(never);
}

TEST(EventThreads, EventsMadeOnManyThreadsGetDistinctIdentifiers) {
    constexpr int kThreads = 4;
    constexpr int kEvents = 300;
    tagZTEVENT* shared = ZtCreateEvent(1, 0, nullptr);
    std::vector<std::vector<unsigned int>> ids(kThreads);
    const std::vector<int> failures = zotrel_test::RunTogether(kThreads, [&](int t) {
        int failed = 0;
        for (int i = 0; i < kEvents; ++i) {
            tagZTEVENT* event = nullptr;
            failed += ZtCopyEvent(shared, &event) != ZT_S_OK;
            if (!event)
                continue;
            ids[t].push_back(event->id);
            failed += ZtSetEvent(event) != ZT_S_OK;
            failed += ZtWaitForSingleEvent(event, 0) != ZT_WAIT_OBJECT_0;
            failed += ZtDestroyEvent(event) != ZT_S_OK;
        }
        return failed;
    });
    std::set<unsigned int> distinct;
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(failures[t], 0) << "thread " << t;
        for (size_t i = 1; i < ids[t].size(); ++i)
            EXPECT_GT(ids[t][i], ids[t][i - 1]);
        distinct.insert(ids[t].begin(), ids[t].end());
    }
    EXPECT_EQ(distinct.size(), static_cast<size_t>(kThreads * kEvents));
    EXPECT_GT(*distinct.begin(), shared->id);
    ZtDestroyEvent(shared);
}

}  // namespace
}  // namespace Varn
