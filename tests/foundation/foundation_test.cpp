// Reference counting, QueryInterface, atomics, mutexes, owning pointers and
// the interface identifiers.
#include <zotrel/foundation.h>
#include <zotrel/guid.h>
#include <zotrel/string.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "foundation/queryinterface.h"
#include "foundation/refcounted.h"
#include "foundation/shared.h"
#include "support/latch.h"

namespace Varn {
namespace {

using namespace std::chrono_literals;

// A counting interface object: records how often it was destroyed.
class Counted : public detail::RefCounted<IZtUnknown> {
public:
    explicit Counted(int* destroyed) : m_destroyed(destroyed) {}
    ~Counted() override { ++*m_destroyed; }
    unsigned int QueryInterface(const tagZTGUID& iid, IZtUnknown** out) override {
        return detail::AnswerQueryInterface(this, iid, out,
                                            {&IID_IZtUnknown, &IID_IZtObjectCollection});
    }

private:
    int* m_destroyed;
};

// The count as seen by one AddRef/Release pair, which leaves it unchanged.
int CountOf(const IZtReferenced* object) {
    object->AddRef();
    return object->Release();
}

TEST(RefCounted, NewObjectHasCountOneAndLastReleaseDestroysIt) {
    int destroyed = 0;
    Counted* object = new Counted(&destroyed);
    EXPECT_EQ(object->AddRef(), 2);
    EXPECT_EQ(object->Release(), 1);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(object->Release(), 0);
    EXPECT_EQ(destroyed, 1);
}

TEST(RefCounted, ConcurrentAddRefReleaseDestroysExactlyOnce) {
    int destroyed = 0;
    Counted* object = new Counted(&destroyed);
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    zotrel_test::StartLine start(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        object->AddRef();  // each thread owns one reference and gives it up at the end
        threads.emplace_back([&] {
            start.ArriveAndWait();
            for (int i = 0; i < kRounds; ++i) {
                object->AddRef();
                object->Release();
            }
            object->Release();
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(object->Release(), 0);
    EXPECT_EQ(destroyed, 1);
}

// A shared body of the handle mechanism: each thread writes its own slot
// before it lets go, and whoever destroys the body checks every slot, so
// a release that skipped the ordering (or a second destruction) shows up
// as a wrong sum, a count other than one, or a ThreadSanitizer report.
struct Body {
    explicit Body(std::atomic<int>* destroyed, std::atomic<long>* seen)
        : m_destroyed(destroyed), m_seen(seen) {}
    Body(const Body&) = delete;
    ~Body() {
        long sum = 0;
        for (long v : slots)
            sum += v;
        m_seen->store(sum);
        ++*m_destroyed;
    }
    detail::SharedCount m_RefCount;
    long slots[4] = {};

private:
    std::atomic<int>* m_destroyed;
    std::atomic<long>* m_seen;
};

TEST(SharedBody, LastHandleOnAnyThreadDestroysOnceAfterEveryWrite) {
    constexpr int kThreads = 4;
    for (int round = 0; round < 200; ++round) {
        std::atomic<int> destroyed{0};
        std::atomic<long> seen{-1};
        Body* body = new Body(&destroyed, &seen);
        Body* handles[kThreads];
        for (Body*& h : handles)
            h = detail::ShareBody(body);
        detail::ReleaseBody(body);  // the threads now hold the only references
        EXPECT_EQ(body, nullptr);
        zotrel_test::StartLine start(kThreads);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                start.ArriveAndWait();
                handles[t]->slots[t] = t + 1;
                detail::ReleaseBody(handles[t]);
            });
        }
        for (auto& t : threads)
            t.join();
        ASSERT_EQ(destroyed.load(), 1) << "round " << round;
        ASSERT_EQ(seen.load(), 1 + 2 + 3 + 4) << "round " << round;
    }
}

TEST(SharedBody, SoleOwnerReleasesWithoutSharing) {
    std::atomic<int> destroyed{0};
    std::atomic<long> seen{-1};
    Body* body = new Body(&destroyed, &seen);
    Body* second = detail::ShareBody(body);
    EXPECT_TRUE(body->m_RefCount.IsShared());
    detail::ReleaseBody(second);
    EXPECT_FALSE(body->m_RefCount.IsShared());
    EXPECT_EQ(destroyed.load(), 0);
    detail::ReleaseBody(body);
    EXPECT_EQ(destroyed.load(), 1);
}

TEST(QueryInterface, NullOutReturnsPointerErrorAndChangesNothing) {
    int destroyed = 0;
    Counted* object = new Counted(&destroyed);
    EXPECT_EQ(object->QueryInterface(IID_IZtUnknown, nullptr), ZT_E_POINTER);
    EXPECT_EQ(CountOf(object), 1);
    object->Release();
}

TEST(QueryInterface, UnknownIdentifierStoresNull) {
    int destroyed = 0;
    Counted* object = new Counted(&destroyed);
    IZtUnknown* out = object;  // must be overwritten
    EXPECT_EQ(object->QueryInterface(IID_IZtVariantObjectMap, &out), ZT_E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(object->QueryInterface(IID_NULL, &out), ZT_E_NOINTERFACE);
    EXPECT_EQ(CountOf(object), 1);
    object->Release();
}

TEST(QueryInterface, EveryAnsweredIdentifierAddsOneReference) {
    int destroyed = 0;
    Counted* object = new Counted(&destroyed);
    for (const CZtGUID* iid : {&IID_IZtUnknown, &IID_IZtObjectCollection}) {
        IZtUnknown* out = nullptr;
        ASSERT_EQ(object->QueryInterface(*iid, &out), ZT_S_OK);
        EXPECT_EQ(out, object);
    }
    EXPECT_EQ(CountOf(object), 3);
    object->Release();
    object->Release();
    EXPECT_EQ(object->Release(), 0);
    EXPECT_EQ(destroyed, 1);
}

TEST(AtomicInt, IncrementDecrementAndAssignment) {
    CZtAtomicInt value(5);
    EXPECT_EQ(value.Increment(), 6);
    EXPECT_EQ(value.Decrement(), 5);
    CZtAtomicInt& self = value;
    value = self;
    EXPECT_EQ(static_cast<int>(value), 5);
    value = -7;
    EXPECT_EQ(static_cast<int>(value), -7);
    CZtAtomicInt other(42);
    value = other;
    EXPECT_EQ(static_cast<int>(value), 42);
    other.Increment();
    EXPECT_EQ(static_cast<int>(value), 42) << "assignment copies the value, not the cell";
}

TEST(AtomicInt, CopyHasItsOwnCell) {
    CZtAtomicInt original(10);
    CZtAtomicInt copy(original);
    copy.Increment();
    EXPECT_EQ(static_cast<int>(original), 10);
    EXPECT_EQ(static_cast<int>(copy), 11);
    CZtAtomicIntTmpl<1> count;
    EXPECT_EQ(static_cast<int>(count), 1);
    CZtAtomicIntTmpl<1> countCopy(count);
    EXPECT_EQ(countCopy.Decrement(), 0);
    EXPECT_EQ(static_cast<int>(count), 1);
}

TEST(AtomicInt, ConcurrentIncrementsAreNotLost) {
    CZtAtomicInt value(0);
    constexpr int kThreads = 4;
    constexpr int kRounds = 50000;
    zotrel_test::StartLine start(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            start.ArriveAndWait();
            for (int i = 0; i < kRounds; ++i)
                value.Increment();
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(static_cast<int>(value), kThreads * kRounds);
}

TEST(AutoMutex, OwnerRelocksAndOthersWaitForTheLastUnlock) {
    CZtAutoMutex mutex;
    mutex.Lock();
    mutex.Lock();  // re-entrant: must not block
    zotrel_test::Signal trying, acquired;
    std::thread other([&] {
        trying.Set();
        CZtAutoMutexLock lock(mutex);
        acquired.Set();
    });
    ASSERT_TRUE(trying.WaitFor(5s));
    mutex.Unlock();
    EXPECT_FALSE(acquired.WaitFor(50ms)) << "still held once by this thread";
    mutex.Unlock();
    EXPECT_TRUE(acquired.WaitFor(5s));
    other.join();
}

TEST(AutoMutex, CopyIsAnIndependentLock) {
    CZtAutoMutex original;
    CZtAutoMutexLock held(original);
    CZtAutoMutex copy(original);
    CZtAutoMutex assigned;
    assigned = original;
    zotrel_test::Signal done;
    std::thread other([&] {
        CZtAutoMutexLock a(copy);
        CZtAutoMutexLock b(assigned);
        done.Set();
    });
    EXPECT_TRUE(done.WaitFor(5s)) << "the copies must not share the held lock";
    other.join();
}

TEST(CoPtr, HoldsExactlyOneReference) {
    int destroyed = 0;
    Counted* object = new Counted(&destroyed);
    {
        CZtCoPtr<IZtUnknown> first(object);
        EXPECT_EQ(CountOf(object), 2);
        CZtCoQIPtr<IZtUnknown> second(object);
        EXPECT_EQ(CountOf(object), 3);
        CZtCoPtr<IZtUnknown> third;
        third = first;
        EXPECT_EQ(CountOf(object), 4);
        third = third.Get();  // self-assignment keeps the reference
        EXPECT_EQ(CountOf(object), 4);
    }
    EXPECT_EQ(CountOf(object), 1);
    EXPECT_EQ(object->Release(), 0);
    EXPECT_EQ(destroyed, 1);
}

TEST(CoPtr, AddressOfReleasesForAnOutParameter) {
    int destroyed = 0;
    Counted* object = new Counted(&destroyed);
    CZtCoPtr<IZtUnknown> holder(object);
    object->Release();  // the holder is now the only owner
    IZtUnknown** slot = &holder;
    EXPECT_EQ(destroyed, 1) << "taking the address releases the held pointer";
    EXPECT_EQ(*slot, nullptr);

    Counted* second = new Counted(&destroyed);
    ASSERT_EQ(second->QueryInterface(IID_IZtUnknown, &holder), ZT_S_OK);
    second->Release();
    EXPECT_EQ(destroyed, 1);
    holder.Clear();
    EXPECT_EQ(destroyed, 2);
}

TEST(CoPtr, AssigningNullReleasesAndDetachHandsOverTheReference) {
    int destroyed = 0;
    CZtCoPtr<IZtUnknown> holder(new Counted(&destroyed));
    holder.Get()->Release();  // the holder is now the only owner
    IZtUnknown* detached = holder.Detach();
    EXPECT_EQ(holder.Get(), nullptr);
    EXPECT_EQ(CountOf(detached), 1);
    holder = detached;  // adds a reference
    detached->Release();
    EXPECT_EQ(destroyed, 0);
    holder = nullptr;
    EXPECT_EQ(destroyed, 1);
}

TEST(ResultCodes, FailuresHaveTheTopBitSet) {
    struct Case {
        unsigned int code;
        bool failed;
    } cases[] = {
        {ZT_S_OK, false},
        {ZT_S_PARTIAL, false},
        {ZT_E_FAIL, true},
        {ZT_E_INVALIDARG, true},
        {ZT_E_NOINTERFACE, true},
        {ZT_E_NOTFOUND, true},
        {ZT_E_INVALID_OBJECT, true},
        {ZT_E_NULL_POINTER, true},
        {ZT_E_NOT_RESIZABLE, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(ZtFailed(c.code), c.failed);
        EXPECT_EQ(ZtSucceeded(c.code), !c.failed);
    }
}

TEST(InterfaceIdentifiers, HaveTheirExactValues) {
    struct Case {
        const char* name;
        const CZtGUID& iid;
        const char* text;
    } cases[] = {
        {"null", IID_NULL, "{00000000-0000-0000-0000-000000000000}"},
        {"IZtUnknown", IID_IZtUnknown, "{B040EE6B-4A59-426D-91C8-4A8012F67D60}"},
        {"IZtComponent", IID_IZtComponent, "{BFC71FED-9C41-4ABA-8167-8C4A559087EF}"},
        {"IZtIteratorBase", IID_IZtIteratorBase, "{346D510F-1DC4-4344-894B-0B7CE92008C1}"},
        {"IZtObjectCollection", IID_IZtObjectCollection, "{D927170B-0888-48AF-99DA-566B96844A5B}"},
        {"IZtObjectEnum", IID_IZtObjectEnum, "{38C2CC34-8F9E-435C-A035-C25F6B7B0356}"},
        {"IZtObjectEnumIterator", IID_IZtObjectEnumIterator,
         "{D4D3714F-5A01-40A0-ACDC-209B22DBA471}"},
        {"IZtIntObjectMap", IID_IZtIntObjectMap, "{71E6C3B4-7ACB-454D-A1BC-EF95074EE8CC}"},
        {"IZtIntObjectMapIterator", IID_IZtIntObjectMapIterator,
         "{69DB34E8-752F-45AD-8069-CF0D7F823877}"},
        {"IZtVariantObjectMap", IID_IZtVariantObjectMap, "{A7DC515F-B988-4F97-9AC3-BE1BDCD77827}"},
        {"IZtVariantObjectMapIterator", IID_IZtVariantObjectMapIterator,
         "{4EB0191F-9452-4CEA-A7A0-0D761BC4C052}"},
        {"reserved null", IID_ZtReservedNull, "{00000000-0000-0000-0000-000000000000}"},
        {"reserved 1", IID_ZtReserved1, "{A7CA5D2B-DF72-4E2B-92BA-CC1361FF1151}"},
        {"reserved 2", IID_ZtReserved2, "{48223BEF-B033-4B5D-927F-544582C2514F}"},
        {"reserved 3", IID_ZtReserved3, "{EF94D59E-C542-4EED-A13C-934CF560AEF7}"},
        {"reserved 4", IID_ZtReserved4, "{DFE2604C-384A-4313-99AD-A365BFF9EA32}"},
        {"reserved 5", IID_ZtReserved5, "{DFE2604C-0666-0666-0666-A365BFF9EA32}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(c.iid.ToString().c_str(), c.text);
    }
    EXPECT_EQ(CZtGUID(IZtComponent::GetIID(nullptr)), IID_IZtComponent);
    EXPECT_EQ(IID_IZtUnknown.Data1, 0xB040EE6Bu);
    EXPECT_EQ(IID_IZtUnknown.Data4[7], 0x60);
}

}  // namespace
}  // namespace Varn
