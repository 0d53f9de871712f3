// The event C functions and CZtEvent on one thread: result codes, reset
// semantics, identifiers, copies and attributes.
#include <zotrel/event.h>

#include <zotrel/string.h>

#include <gtest/gtest.h>

#include <type_traits>
#include <vector>

namespace Varn {
namespace {

static_assert(sizeof(tagZTEVENT) == 4, "the record is one 32-bit identifier");
static_assert(std::is_convertible_v<CZtEvent&, tagZTEVENT*> &&
                  std::is_convertible_v<const CZtEvent&, tagZTEVENT*> &&
                  std::is_convertible_v<const CZtEvent&, const tagZTEVENT*>,
              "an object converts to its handle, const or not");

// The events one row of the result table works with, made afresh for each row.
struct Events {
    tagZTEVENT* unsignalled = ZtCreateEvent(0, 0, nullptr);  // auto-reset
    tagZTEVENT* signalled = ZtCreateEvent(1, 1, nullptr);    // manual-reset, set
    tagZTEVENT* named = ZtCreateEvent(0, 0, &kName);         // one event, two handles
    tagZTEVENT* sameNamed = ZtCreateEvent(0, 0, &kName);
    tagZTEVENT stray{4711};  // an address that was never a handle
    ~Events() {
        for (tagZTEVENT* event : {unsignalled, signalled, named, sameNamed})
            ZtDestroyEvent(event);
    }
    static const CZtString kName;
};
const CZtString Events::kName(L"EventTest.Shared");

TEST(EventResults, EveryFunctionAnswersEachCaseWithItsCode) {
    using Run = unsigned int (*)(Events&);
    struct Case {
        const char* name;
        Run run;
        unsigned int expected;
    };
    const Case cases[] = {
        {"Destroy live", [](Events&) { return ZtDestroyEvent(ZtCreateEvent(0, 0, nullptr)); },
         ZT_S_OK},
        {"Destroy null", [](Events&) { return ZtDestroyEvent(nullptr); }, ZT_E_NULL_POINTER},
        {"Destroy stray", [](Events& e) { return ZtDestroyEvent(&e.stray); }, ZT_E_INVALID_TYPE},
        {"Set live", [](Events& e) { return ZtSetEvent(e.unsignalled); }, ZT_S_OK},
        {"Set null", [](Events&) { return ZtSetEvent(nullptr); }, ZT_E_NULL_POINTER},
        {"Set stray", [](Events& e) { return ZtSetEvent(&e.stray); }, ZT_E_INVALID_TYPE},
        {"Reset live", [](Events& e) { return ZtResetEvent(e.signalled); }, ZT_S_OK},
        {"Reset null", [](Events&) { return ZtResetEvent(nullptr); }, ZT_E_NULL_POINTER},
        {"Reset stray", [](Events& e) { return ZtResetEvent(&e.stray); }, ZT_E_INVALID_TYPE},
        {"Copy live",
         [](Events& e) {
             tagZTEVENT* copy = nullptr;
             const unsigned int result = ZtCopyEvent(e.signalled, &copy);
             return copy && ZtDestroyEvent(copy) == ZT_S_OK ? result : ZT_E_UNEXPECTED;
         },
         ZT_S_OK},
        {"Copy null source",
         [](Events&) {
             tagZTEVENT* copy = nullptr;
             return ZtCopyEvent(nullptr, &copy);
         },
         ZT_E_NULL_POINTER},
        {"Copy null destination", [](Events& e) { return ZtCopyEvent(e.signalled, nullptr); },
         ZT_E_NULL_POINTER},
        {"Copy stray source",
         [](Events& e) {
             tagZTEVENT* copy = nullptr;
             const unsigned int result = ZtCopyEvent(&e.stray, &copy);
             return copy ? ZT_E_UNEXPECTED : result;
         },
         ZT_E_INVALID_TYPE},
        {"Attributes live",
         [](Events& e) {
             unsigned char manual = 7, initial = 7;
             CZtString name(L"x");
             const unsigned int result =
                 ZtGetEventAttributes(e.signalled, &manual, &initial, &name);
             return manual == 1 && initial == 1 && name.IsEmpty() ? result : ZT_E_UNEXPECTED;
         },
         ZT_S_OK},
        {"Attributes live, no out-pointers",
         [](Events& e) { return ZtGetEventAttributes(e.named, nullptr, nullptr, nullptr); },
         ZT_S_OK},
        {"Attributes null",
         [](Events&) { return ZtGetEventAttributes(nullptr, nullptr, nullptr, nullptr); },
         ZT_E_NULL_POINTER},
        {"Attributes stray",
         [](Events& e) { return ZtGetEventAttributes(&e.stray, nullptr, nullptr, nullptr); },
         ZT_E_INVALID_TYPE},
        {"Wait signalled", [](Events& e) { return ZtWaitForSingleEvent(e.signalled, 0); },
         ZT_WAIT_OBJECT_0},
        {"Wait unsignalled", [](Events& e) { return ZtWaitForSingleEvent(e.unsignalled, 10); },
         ZT_WAIT_TIMEOUT},
        {"Wait null", [](Events&) { return ZtWaitForSingleEvent(nullptr, 0); }, ZT_WAIT_FAILED},
        {"Wait stray", [](Events& e) { return ZtWaitForSingleEvent(&e.stray, 0); }, ZT_WAIT_FAILED},
        {"WaitMultiple any: the signalled index",
         [](Events& e) {
             tagZTEVENT* set[] = {e.unsignalled, e.signalled};
             return ZtWaitForMultipleEvents(2, set, 0, 0);
         },
         ZT_WAIT_OBJECT_0 + 1},
        {"WaitMultiple all, one unsignalled",
         [](Events& e) {
             tagZTEVENT* set[] = {e.unsignalled, e.signalled};
             return ZtWaitForMultipleEvents(2, set, 1, 10);
         },
         ZT_WAIT_TIMEOUT},
        {"WaitMultiple count 0",
         [](Events& e) { return ZtWaitForMultipleEvents(0, &e.signalled, 0, 0); }, ZT_WAIT_FAILED},
        {"WaitMultiple null array",
         [](Events&) { return ZtWaitForMultipleEvents(1, nullptr, 0, 0); }, ZT_WAIT_FAILED},
        {"WaitMultiple null entry",
         [](Events& e) {
             tagZTEVENT* set[] = {e.signalled, nullptr};
             return ZtWaitForMultipleEvents(2, set, 0, 0);
         },
         ZT_WAIT_FAILED},
        {"WaitMultiple stray entry",
         [](Events& e) {
             tagZTEVENT* set[] = {e.signalled, &e.stray};
             return ZtWaitForMultipleEvents(2, set, 0, 0);
         },
         ZT_WAIT_FAILED},
        {"WaitMultiple all, one handle twice",
         [](Events& e) {
             tagZTEVENT* set[] = {e.signalled, e.signalled};
             return ZtWaitForMultipleEvents(2, set, 1, 0);
         },
         ZT_WAIT_FAILED},
        {"WaitMultiple all, two handles of one named event",
         [](Events& e) {
             tagZTEVENT* set[] = {e.named, e.sameNamed};
             return ZtWaitForMultipleEvents(2, set, 1, 0);
         },
         ZT_WAIT_FAILED},
        {"WaitMultiple any, one handle twice",
         [](Events& e) {
             tagZTEVENT* set[] = {e.signalled, e.signalled};
             return ZtWaitForMultipleEvents(2, set, 0, 0);
         },
         ZT_WAIT_OBJECT_0},
        {"WaitMultiple 64 events",
         [](Events& e) {
             std::vector<tagZTEVENT*> set(ZT_MAXIMUM_WAIT_OBJECTS, e.unsignalled);
             set.back() = e.signalled;
             return ZtWaitForMultipleEvents(ZT_MAXIMUM_WAIT_OBJECTS, set.data(), 0, 0);
         },
         ZT_WAIT_OBJECT_0 + ZT_MAXIMUM_WAIT_OBJECTS - 1},
        {"WaitMultiple 65 events",
         [](Events& e) {
             std::vector<tagZTEVENT*> set(ZT_MAXIMUM_WAIT_OBJECTS + 1, e.signalled);
             return ZtWaitForMultipleEvents(ZT_MAXIMUM_WAIT_OBJECTS + 1, set.data(), 0, 0);
         },
         ZT_WAIT_FAILED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Events events;
        ASSERT_TRUE(events.unsignalled && events.signalled && events.named && events.sameNamed);
        EXPECT_EQ(c.run(events), c.expected);
    }
}

// The state after creation, and what two waits of 0 ms in a row see.
TEST(EventReset, AutoResetReleasesOneWaitManualResetStaysSignalled) {
    struct Case {
        const char* name;
        unsigned char manualReset;
        unsigned char initialState;
        bool setFirst;
        unsigned int firstWait;
        unsigned int secondWait;
    };
    const Case cases[] = {
        {"auto, unsignalled", 0, 0, false, ZT_WAIT_TIMEOUT, ZT_WAIT_TIMEOUT},
        {"auto, created signalled", 0, 1, false, ZT_WAIT_OBJECT_0, ZT_WAIT_TIMEOUT},
        {"auto, set", 0, 0, true, ZT_WAIT_OBJECT_0, ZT_WAIT_TIMEOUT},
        {"manual, unsignalled", 1, 0, false, ZT_WAIT_TIMEOUT, ZT_WAIT_TIMEOUT},
        {"manual, created signalled", 1, 1, false, ZT_WAIT_OBJECT_0, ZT_WAIT_OBJECT_0},
        {"manual, set", 1, 0, true, ZT_WAIT_OBJECT_0, ZT_WAIT_OBJECT_0},
        {"any non-zero flag counts", 0x80, 0x02, false, ZT_WAIT_OBJECT_0, ZT_WAIT_OBJECT_0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tagZTEVENT* event = ZtCreateEvent(c.manualReset, c.initialState, nullptr);
        ASSERT_NE(event, nullptr);
        if (c.setFirst) {
            ASSERT_EQ(ZtSetEvent(event), ZT_S_OK);
        }
        EXPECT_EQ(ZtWaitForSingleEvent(event, 0), c.firstWait);
        EXPECT_EQ(ZtWaitForSingleEvent(event, 0), c.secondWait);
        // A reset always leaves it unsignalled.
        ASSERT_EQ(ZtSetEvent(event), ZT_S_OK);
        ASSERT_EQ(ZtResetEvent(event), ZT_S_OK);
        EXPECT_EQ(ZtWaitForSingleEvent(event, 0), ZT_WAIT_TIMEOUT);
        EXPECT_EQ(ZtDestroyEvent(event), ZT_S_OK);
    }
}

TEST(EventReset, AWaitAllThatTimesOutConsumesNothing) {
    tagZTEVENT* set[] = {ZtCreateEvent(0, 1, nullptr), ZtCreateEvent(0, 0, nullptr)};
    EXPECT_EQ(ZtWaitForMultipleEvents(2, set, 1, 20), ZT_WAIT_TIMEOUT);
    EXPECT_EQ(ZtWaitForSingleEvent(set[0], 0), ZT_WAIT_OBJECT_0);
    // Both signalled: both consumed together.
    ASSERT_EQ(ZtSetEvent(set[0]), ZT_S_OK);
    ASSERT_EQ(ZtSetEvent(set[1]), ZT_S_OK);
    EXPECT_EQ(ZtWaitForMultipleEvents(2, set, 1, 0), ZT_WAIT_OBJECT_0);
    EXPECT_EQ(ZtWaitForMultipleEvents(2, set, 0, 0), ZT_WAIT_TIMEOUT);
    for (tagZTEVENT* event : set)
        ZtDestroyEvent(event);
}

TEST(EventIdentifiers, ConsecutiveEventsAndCopiesCountUpByOne) {
    tagZTEVENT* first = ZtCreateEvent(0, 0, nullptr);
    tagZTEVENT* second = ZtCreateEvent(1, 0, nullptr);
    tagZTEVENT* copy = nullptr;
    ASSERT_EQ(ZtCopyEvent(first, &copy), ZT_S_OK);
    ASSERT_TRUE(first && second && copy);
    EXPECT_GT(first->id, 1000u);
    EXPECT_EQ(second->id, first->id + 1);
    EXPECT_EQ(copy->id, first->id + 2);
    for (tagZTEVENT* event : {first, second, copy})
        ZtDestroyEvent(event);
}

TEST(EventCopy, CopyingIntoALiveDestinationDestroysItsHandle) {
    tagZTEVENT* source = ZtCreateEvent(0, 0, nullptr);
    tagZTEVENT* old = ZtCreateEvent(1, 1, nullptr);
    tagZTEVENT* destination = old;
    ASSERT_EQ(ZtCopyEvent(source, &destination), ZT_S_OK);
    EXPECT_NE(destination, old);
    EXPECT_NE(destination, source);
    EXPECT_EQ(ZtSetEvent(old), ZT_E_INVALID_TYPE);
    // A failed copy leaves the destination alone.
    tagZTEVENT stray{0};
    tagZTEVENT* kept = destination;
    EXPECT_EQ(ZtCopyEvent(&stray, &destination), ZT_E_INVALID_TYPE);
    EXPECT_EQ(destination, kept);
    EXPECT_EQ(ZtSetEvent(kept), ZT_S_OK);
    ZtDestroyEvent(destination);
    ZtDestroyEvent(source);
}

TEST(EventCopy, AnUnnamedCopyIsIndependentANamedCopySharesTheState) {
    const CZtString name(L"EventTest.Copy");
    struct Case {
        const char* name;
        const CZtString* eventName;
        unsigned int sourceAfterCopyIsSet;
    };
    const Case cases[] = {
        {"unnamed", nullptr, ZT_WAIT_TIMEOUT},
        {"named", &name, ZT_WAIT_OBJECT_0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tagZTEVENT* source = ZtCreateEvent(1, 0, c.eventName);
        tagZTEVENT* copy = nullptr;
        ASSERT_EQ(ZtCopyEvent(source, &copy), ZT_S_OK);
        unsigned char manual = 0, initial = 1;
        CZtString copyName;
        ASSERT_EQ(ZtGetEventAttributes(copy, &manual, &initial, &copyName), ZT_S_OK);
        EXPECT_EQ(manual, 1);
        EXPECT_EQ(initial, 0);
        EXPECT_TRUE(copyName == (c.eventName ? *c.eventName : CZtString()));
        ASSERT_EQ(ZtSetEvent(copy), ZT_S_OK);
        EXPECT_EQ(ZtWaitForSingleEvent(source, 0), c.sourceAfterCopyIsSet);
        ZtDestroyEvent(copy);
        ZtDestroyEvent(source);
    }
}

TEST(EventCopy, CopyingAHandleOverItselfReplacesIt) {
    const CZtString name(L"EventTest.SelfCopy");
    tagZTEVENT* keeper = ZtCreateEvent(1, 0, &name);
    tagZTEVENT* event = nullptr;
    ASSERT_EQ(ZtCopyEvent(keeper, &event), ZT_S_OK);
    tagZTEVENT* before = event;
    ASSERT_EQ(ZtCopyEvent(event, &event), ZT_S_OK);
    EXPECT_NE(event, before);
    EXPECT_EQ(ZtSetEvent(before), ZT_E_INVALID_TYPE);
    EXPECT_EQ(ZtSetEvent(event), ZT_S_OK);
    EXPECT_EQ(ZtWaitForSingleEvent(keeper, 0), ZT_WAIT_OBJECT_0);  // still the named event
    ZtDestroyEvent(event);
    ZtDestroyEvent(keeper);
}

TEST(EventAttributes, AreTheCreationAttributesNotTheCurrentState) {
    const CZtString name(L"EventTest.Attributes");
    tagZTEVENT* event = ZtCreateEvent(0, 1, &name);
    ASSERT_EQ(ZtWaitForSingleEvent(event, 0), ZT_WAIT_OBJECT_0);  // consumed
    unsigned char manual = 9, initial = 9;
    CZtString read;
    ASSERT_EQ(ZtGetEventAttributes(event, &manual, &initial, &read), ZT_S_OK);
    EXPECT_EQ(manual, 0);
    EXPECT_EQ(initial, 1);
    EXPECT_TRUE(read == name);
    // A second creation under the name opens the event; it reports its own
    // creation's attributes while sharing the first one's state.
    tagZTEVENT* opened = ZtCreateEvent(1, 0, &name);
    ASSERT_EQ(ZtGetEventAttributes(opened, &manual, &initial, nullptr), ZT_S_OK);
    EXPECT_EQ(manual, 1);
    EXPECT_EQ(initial, 0);
    ASSERT_EQ(ZtSetEvent(opened), ZT_S_OK);
    EXPECT_EQ(ZtWaitForSingleEvent(event, 0), ZT_WAIT_OBJECT_0);
    EXPECT_EQ(ZtWaitForSingleEvent(opened, 0), ZT_WAIT_TIMEOUT);  // auto-reset: consumed
    ZtDestroyEvent(opened);
    ZtDestroyEvent(event);
}

// ---------------------------------------------------------------------------
// CZtEvent

TEST(EventClass, ConstructorsMakeEventsWithTheirAttributes) {
    const CZtString name(L"EventTest.Class");
    CZtEvent plain;
    CZtEvent manual(1, 1);
    CZtEvent named(1, 0, name);
    EXPECT_EQ(plain.GetManualReset(), 0);
    EXPECT_EQ(plain.GetInitialState(), 0);
    EXPECT_TRUE(plain.GetName().IsEmpty());
    EXPECT_EQ(manual.GetManualReset(), 1);
    EXPECT_EQ(manual.GetInitialState(), 1);
    EXPECT_TRUE(named.GetName() == name);
    EXPECT_EQ(CZtEvent::WaitForSingleEvent(plain, 0), ZT_WAIT_TIMEOUT);
    EXPECT_EQ(CZtEvent::WaitForSingleEvent(manual, 0), ZT_WAIT_OBJECT_0);
    EXPECT_EQ(manual.ResetEvent(), ZT_S_OK);
    EXPECT_EQ(CZtEvent::WaitForSingleEvent(manual, 0), ZT_WAIT_TIMEOUT);

    // Copies: of the object and of its record.
    CZtEvent copy(named);
    CZtEvent fromRecord(*static_cast<const tagZTEVENT*>(named));
    EXPECT_NE(static_cast<tagZTEVENT*>(copy), static_cast<tagZTEVENT*>(named));
    ASSERT_EQ(copy.SetEvent(), ZT_S_OK);
    EXPECT_EQ(CZtEvent::WaitForSingleEvent(fromRecord, 0), ZT_WAIT_OBJECT_0);
}

TEST(EventClass, TheDestructorDestroysTheHandleDetachHandsItOver) {
    tagZTEVENT* detached = nullptr;
    {
        CZtEvent event;
        detached = event.Detach();
        EXPECT_EQ(static_cast<tagZTEVENT*>(event), nullptr);
        EXPECT_EQ(event.SetEvent(), ZT_E_NULL_POINTER);
        EXPECT_EQ(event.GetManualReset(), 0);
    }
    EXPECT_EQ(ZtSetEvent(detached), ZT_S_OK);  // still live: the caller owns it

    CZtEvent owner;
    owner.Attach(detached);
    owner.Attach(detached);  // the same handle again: still held, not destroyed
    EXPECT_EQ(CZtEvent::WaitForSingleEvent(owner, 0), ZT_WAIT_OBJECT_0);
    tagZTEVENT* replaced = owner;
    owner.Attach(ZtCreateEvent(1, 1, nullptr));
    EXPECT_EQ(ZtSetEvent(replaced), ZT_E_INVALID_TYPE);
    EXPECT_EQ(owner.GetManualReset(), 1);
}

TEST(EventClass, AssignmentsCopyAndSurviveTheirOwnRecord) {
    CZtEvent target(1, 1);
    tagZTEVENT* before = target;
    target = *before;  // the object's own record: copied first, then destroyed
    EXPECT_NE(static_cast<tagZTEVENT*>(target), before);
    EXPECT_EQ(target.GetManualReset(), 1);
    EXPECT_EQ(target.GetInitialState(), 1);

    CZtEvent other;
    tagZTEVENT* held = target;
    const CZtEvent& self = target;
    target = self;  // no change
    EXPECT_EQ(static_cast<tagZTEVENT*>(target), held);
    // The held handle goes before the copy is made, so the copy's record may
    // have the same address: only its identifier tells it apart.
    const unsigned int heldId = held->id;
    target = other;
    EXPECT_GT(static_cast<const tagZTEVENT*>(target)->id, heldId);
    EXPECT_EQ(target.GetManualReset(), 0);

    // operator& gives the handle member to functions that store a handle.
    held = target;
    ASSERT_EQ(ZtCopyEvent(other, &target), ZT_S_OK);
    EXPECT_EQ(ZtSetEvent(held), ZT_E_INVALID_TYPE);
    EXPECT_NE(static_cast<tagZTEVENT*>(target), static_cast<tagZTEVENT*>(other));
}

TEST(EventClass, WaitForMultipleEventsForwardsTheHandles) {
    CZtEvent events[3] = {CZtEvent(0, 0), CZtEvent(0, 0), CZtEvent(1, 1)};
    EXPECT_EQ(CZtEvent::WaitForMultipleEvents(0, events, 0, 0), ZT_WAIT_FAILED);
    EXPECT_EQ(CZtEvent::WaitForMultipleEvents(1, nullptr, 0, 0), ZT_WAIT_FAILED);
    EXPECT_EQ(CZtEvent::WaitForMultipleEvents(3, events, 0, 0), ZT_WAIT_OBJECT_0 + 2);
    EXPECT_EQ(CZtEvent::WaitForMultipleEvents(3, events, 1, 0), ZT_WAIT_TIMEOUT);
    ASSERT_EQ(events[1].SetEvent(), ZT_S_OK);
    EXPECT_EQ(CZtEvent::WaitForMultipleEvents(3, events, 0, 0), ZT_WAIT_OBJECT_0 + 1);
    std::vector<CZtEvent> many(ZT_MAXIMUM_WAIT_OBJECTS + 1);
    EXPECT_EQ(CZtEvent::WaitForMultipleEvents(ZT_MAXIMUM_WAIT_OBJECTS + 1, many.data(), 0, 0),
              ZT_WAIT_FAILED);
}

}  // namespace
}  // namespace Varn
