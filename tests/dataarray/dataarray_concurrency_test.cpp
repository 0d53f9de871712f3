// Data arrays used from several threads at once: holds that make other
// threads wait, waits that hold up nothing else, destruction under use, and a
// stress run that must lose and corrupt nothing. Every wait is bounded.
#include <zotrel/dataarray.h>

#include <zotrel/string.h>
#include <zotrel/variant.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "dataarray/dataarray_test_util.h"
#include "support/latch.h"

namespace Varn {
namespace {

using namespace std::chrono_literals;
using zotrel_test::CountedUnknownObject;
using zotrel_test::Get1;
using zotrel_test::IntAt;
using zotrel_test::IsRegistered;
using zotrel_test::MakeVector;
using zotrel_test::Put1;
using zotrel_test::RefTally;
using zotrel_test::Signal;
using zotrel_test::StartLine;

constexpr auto kDeadline = 10s;
// How long a thread that should be blocked is watched for finishing early.
constexpr auto kStillBlocked = 50ms;

TEST(DataArrayConcurrency, AccessDataHoldsOffOtherThreadsUntilUnaccess) {
    tagDATAARRAY* array = MakeVector(ZT_VT_I4, 4);
    void* data = nullptr;
    ASSERT_EQ(ZtDataArrayAccessData(array, &data), ZT_S_OK);

    Signal starting;
    Signal finished;
    int seen = -1;
    std::thread reader([&] {
        starting.Set();
        int index = 2;
        EXPECT_EQ(ZtDataArrayGetElement(array, &index, &seen), ZT_S_OK);
        finished.Set();
    });
    ASSERT_TRUE(starting.WaitFor(kDeadline));
    EXPECT_FALSE(finished.WaitFor(kStillBlocked)) << "the read did not wait for the hold";
    // Written through the block while the reader waits: it must see this.
    static_cast<int*>(data)[2] = 1234;
    // The holder itself is not held off.
    EXPECT_EQ(Put1(array, 3, 5), ZT_S_OK);
    ASSERT_EQ(ZtDataArrayUnaccessData(array), ZT_S_OK);
    EXPECT_TRUE(finished.WaitFor(kDeadline));
    reader.join();
    EXPECT_EQ(seen, 1234);
    ZtDataArrayDestroy(array);
}

TEST(DataArrayConcurrency, OnlyTheHoldingThreadCanUnlock) {
    tagDATAARRAY* array = MakeVector(ZT_VT_I4, 1);
    ASSERT_EQ(ZtDataArrayLock(array), ZT_S_OK);
    std::thread other([&] {
        EXPECT_EQ(ZtDataArrayUnlock(array), ZT_E_INVALID_OBJECT);
        EXPECT_EQ(ZtDataArrayUnaccessData(array), ZT_E_INVALID_OBJECT);
    });
    other.join();
    // The hold survived the foreign unlocks: another writer still waits.
    Signal finished;
    std::thread writer([&] {
        EXPECT_EQ(Put1(array, 0, 7), ZT_S_OK);
        finished.Set();
    });
    EXPECT_FALSE(finished.WaitFor(kStillBlocked));
    ASSERT_EQ(ZtDataArrayUnlock(array), ZT_S_OK);
    EXPECT_TRUE(finished.WaitFor(kDeadline));
    writer.join();
    EXPECT_EQ(IntAt(array, 0), 7);
    ZtDataArrayDestroy(array);
}

TEST(DataArrayConcurrency, WaitingForOneArrayHoldsUpNothingElse) {
    tagDATAARRAY* held = MakeVector(ZT_VT_I4, 1);
    tagDATAARRAY* other = MakeVector(ZT_VT_I4, 1);
    Signal locked;
    Signal release;
    Signal unlocked;
    std::thread holder([&] {
        ASSERT_EQ(ZtDataArrayLock(held), ZT_S_OK);
        locked.Set();
        ASSERT_TRUE(release.WaitFor(kDeadline));
        // Served although another thread is waiting for this array.
        EXPECT_EQ(ZtDataArrayUnlock(held), ZT_S_OK);
        unlocked.Set();
    });
    ASSERT_TRUE(locked.WaitFor(kDeadline));

    Signal waiterStarted;
    Signal waiterDone;
    std::thread waiter([&] {
        waiterStarted.Set();
        EXPECT_EQ(Put1(held, 0, 1), ZT_S_OK);
        waiterDone.Set();
    });
    ASSERT_TRUE(waiterStarted.WaitFor(kDeadline));
    EXPECT_FALSE(waiterDone.WaitFor(kStillBlocked));

    // Everything else goes on meanwhile, on any thread.
    auto busy = std::async(std::launch::async, [&] {
        for (int i = 0; i < 100; ++i) {
            tagDATAARRAY* fresh = MakeVector(ZT_VT_STRING, 2);
            Put1(fresh, 1, CZtString(L"x"));
            tagDATAARRAY* copy = nullptr;
            ZtDataArrayCopy(fresh, &copy);
            ZtDataArrayDestroy(copy);
            ZtDataArrayDestroy(fresh);
            Put1(other, 0, i);
        }
        return IntAt(other, 0);
    });
    ASSERT_EQ(busy.wait_for(kDeadline), std::future_status::ready);
    EXPECT_EQ(busy.get(), 99);

    release.Set();
    EXPECT_TRUE(unlocked.WaitFor(kDeadline)) << "the unlock was held up by the waiter";
    EXPECT_TRUE(waiterDone.WaitFor(kDeadline));
    holder.join();
    waiter.join();
    EXPECT_EQ(IntAt(held, 0), 1);
    ZtDataArrayDestroy(other);
    ZtDataArrayDestroy(held);
}

TEST(DataArrayConcurrency, DestroyWaitsForTheThreadThatUsesTheArray) {
    RefTally tally;
    auto* object = new CountedUnknownObject(&tally);
    tagDATAARRAY* array = MakeVector(ZT_VT_UNKNOWN, 2);
    IZtUnknown* pointer = object;
    Put1(array, 1, pointer);
    object->Release();

    void* data = nullptr;
    ASSERT_EQ(ZtDataArrayAccessData(array, &data), ZT_S_OK);
    Signal destroying;
    Signal destroyed;
    std::thread destroyer([&] {
        destroying.Set();
        EXPECT_EQ(ZtDataArrayDestroy(array), ZT_S_OK);
        destroyed.Set();
    });
    ASSERT_TRUE(destroying.WaitFor(kDeadline));
    EXPECT_FALSE(destroyed.WaitFor(kStillBlocked));
    // The block is still this thread's to use (a sanitizer build reports any
    // access to freed memory here).
    auto** block = static_cast<IZtUnknown**>(data);
    EXPECT_EQ(block[1], static_cast<IZtUnknown*>(object));
    block[0] = nullptr;
    EXPECT_EQ(tally.destroyed.load(), 0);
    ASSERT_EQ(ZtDataArrayUnaccessData(array), ZT_S_OK);
    EXPECT_TRUE(destroyed.WaitFor(kDeadline));
    destroyer.join();
    EXPECT_EQ(tally.destroyed.load(), 1);
    EXPECT_FALSE(IsRegistered(array));
}

TEST(DataArrayConcurrency, ComparingBothWaysRoundDoesNotDeadlock) {
    tagDATAARRAY* a = MakeVector(ZT_VT_STRING, 8);
    tagDATAARRAY* b = MakeVector(ZT_VT_STRING, 8);
    StartLine start(2);
    std::atomic<int> equalCount{0};
    auto compare = [&](tagDATAARRAY* first, tagDATAARRAY* second) {
        start.ArriveAndWait();
        for (int i = 0; i < 2000; ++i) {
            bool equal = false;
            EXPECT_EQ(ZtDataArrayCompare(first, second, &equal), ZT_S_OK);
            if (equal)
                ++equalCount;
        }
    };
    auto one = std::async(std::launch::async, compare, a, b);
    auto other = std::async(std::launch::async, compare, b, a);
    ASSERT_EQ(one.wait_for(kDeadline), std::future_status::ready);
    ASSERT_EQ(other.wait_for(kDeadline), std::future_status::ready);
    EXPECT_EQ(equalCount.load(), 4000);
    ZtDataArrayDestroy(a);
    ZtDataArrayDestroy(b);
}

// Several threads create, fill, copy, convert, lock and destroy arrays of
// their own, and share a few: a counter array incremented under the array's
// lock (no increment may be lost), an interface array whose references must
// balance, and arrays that one thread destroys while others still use them.
TEST(DataArrayConcurrency, StressLosesAndCorruptsNothing) {
    constexpr int kThreads = 6;
    constexpr int kRounds = 2000;
    RefTally tally;

    tagDATAARRAY* counters = MakeVector(ZT_VT_I4, kThreads);
    tagDATAARRAY* total = MakeVector(ZT_VT_I8, 1);
    tagDATAARRAY* shared = MakeVector(ZT_VT_UNKNOWN, 8);
    std::vector<tagDATAARRAY*> doomed;
    for (int i = 0; i < kThreads; ++i)
        doomed.push_back(MakeVector(ZT_VT_VARIANT, 4));

    StartLine start(kThreads);
    std::atomic<int> failures{0};
    auto expect = [&](bool condition) {
        if (!condition)
            ++failures;
    };

    auto work = [&](int id) {
        start.ArriveAndWait();
        for (int round = 0; round < kRounds; ++round) {
            // Arrays of its own, through every operation.
            tagDATAARRAY* mine = MakeVector(ZT_VT_I4, 5);
            for (int i = 0; i < 5; ++i)
                expect(Put1(mine, i, id * 1000 + round + i) == ZT_S_OK);
            tagDATAARRAY* copy = nullptr;
            expect(ZtDataArrayCopy(mine, &copy) == ZT_S_OK);
            expect(ZtDataArrayChangeType(copy, 0, ZT_VT_STRING) == ZT_S_OK);
            CZtString text;
            expect(Get1(copy, 4, &text) == ZT_S_OK && text == CZtString(id * 1000 + round + 4));
            const tagDATAARRAYBOUND grown = {7, 0};
            expect(ZtDataArrayRedim(mine, 1, &grown) == ZT_S_OK);
            expect(IntAt(mine, 4) == id * 1000 + round + 4);
            bool equal = true;
            expect(ZtDataArrayCompare(mine, copy, &equal) == ZT_S_OK);
            {
                CZtVariant wrapped(*mine);
                expect(wrapped.ZtVariantChangeType(ZT_VT_R8) == ZT_S_OK);
            }
            expect(ZtDataArrayDestroy(copy) == ZT_S_OK);
            expect(ZtDataArrayDestroy(mine) == ZT_S_OK);

            // The shared counters: a read-modify-write under the lock.
            expect(ZtDataArrayLock(counters) == ZT_S_OK);
            const int count = IntAt(counters, id);
            expect(Put1(counters, id, count + 1) == ZT_S_OK);
            long long sum = 0;
            expect(Get1(total, 0, &sum) == ZT_S_OK);
            expect(ZtDataArrayLock(total) == ZT_S_OK);  // nested holds
            expect(Put1(total, 0, sum + 1) == ZT_S_OK);
            expect(ZtDataArrayUnlock(total) == ZT_S_OK);
            expect(ZtDataArrayUnlock(counters) == ZT_S_OK);
            // Its own counter read without a lock: calls are atomic.
            expect(IntAt(counters, id) == round + 1);

            // The shared interface array: objects come and go.
            auto* object = new CountedUnknownObject(&tally);
            IZtUnknown* pointer = object;
            expect(Put1(shared, (id + round) % 8, pointer) == ZT_S_OK);
            object->Release();
            IZtUnknown* got = nullptr;
            if (Get1(shared, round % 8, &got) == ZT_S_OK && got)
                got->Release();
            if (round % 50 == 0) {
                tagDATAARRAY* snapshot = nullptr;
                expect(ZtDataArrayCopy(shared, &snapshot) == ZT_S_OK);
                expect(ZtDataArrayDestroy(snapshot) == ZT_S_OK);
            }

            // Arrays that their owner destroys halfway while others use them:
            // every call either works or finds the handle gone. Once destroyed,
            // a handle's address may be given to a new array of another thread,
            // so only calls that are sound on an array of any type are made.
            tagDATAARRAY* target = doomed[(id + round) % kThreads];
            tagDATAARRAY* copied = nullptr;
            const unsigned int copiedResult = ZtDataArrayCopy(target, &copied);
            expect(copiedResult == ZT_S_OK || copiedResult == ZT_E_INVALID_TYPE);
            if (copied)
                expect(ZtDataArrayDestroy(copied) == ZT_S_OK);
            const unsigned int lock = ZtDataArrayLock(target);
            expect(lock == ZT_S_OK || lock == ZT_E_INVALID_TYPE);
            unsigned int elements = 0;
            const unsigned int counted = ZtDataArrayGetElementCount(target, &elements, nullptr);
            expect(counted == ZT_S_OK || counted == ZT_E_INVALID_TYPE);
            if (lock == ZT_S_OK)
                expect(ZtDataArrayUnlock(target) == ZT_S_OK);
            if (round == kRounds / 2) {
                CZtVariant value(L"value");
                for (int i = 0; i < 4; ++i)
                    expect(Put1(doomed[id], i, value) == ZT_S_OK);
                expect(ZtDataArrayDestroy(doomed[id]) == ZT_S_OK);
            }
        }
    };

    std::vector<std::future<void>> threads;
    for (int id = 0; id < kThreads; ++id)
        threads.push_back(std::async(std::launch::async, work, id));
    for (auto& thread : threads)
        ASSERT_EQ(thread.wait_for(60s), std::future_status::ready);

    EXPECT_EQ(failures.load(), 0);
    for (int id = 0; id < kThreads; ++id)
        EXPECT_EQ(IntAt(counters, id), kRounds) << id;
    long long sum = 0;
    Get1(total, 0, &sum);
    EXPECT_EQ(sum, kThreads * kRounds);
    for (tagDATAARRAY* array : doomed)
        EXPECT_FALSE(IsRegistered(array));

    // Every object ever made is held by the shared array or gone, and every
    // reference taken was given back.
    EXPECT_EQ(ZtDataArrayDestroy(shared), ZT_S_OK);
    EXPECT_EQ(tally.destroyed.load(), kThreads * kRounds);
    EXPECT_EQ(tally.addRefs.load() + kThreads * kRounds, tally.releases.load());
    ZtDataArrayDestroy(total);
    ZtDataArrayDestroy(counters);
}

}  // namespace
}  // namespace Varn
