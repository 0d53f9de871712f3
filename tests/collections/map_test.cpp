// CZtMap: key order, reading and changing, copy-on-write isolation, the map
// without a body, equality, the map as a variant payload, and the lock.
#include <zotrel/map.h>

#include <zotrel/blob.h>
#include <zotrel/string.h>
#include <zotrel/variant.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "support/latch.h"
#include "variant/variant_test_util.h"

namespace Varn {

// Failure messages list the entries.
void PrintTo(const CZtMap& map, std::ostream* os) {
    *os << "{";
    for (int i = 0; i < map.Count(); ++i) {
        CZtString key;
        CZtVariant value;
        map.GetItemAt(i, key, value);
        *os << (i ? ", " : "") << key.c_str() << ": " << CZtString(value).c_str() << " (type "
            << value.vartype << ")";
    }
    *os << "}";
}

namespace {

using namespace std::chrono_literals;
using zotrel_test::CountingObject;
using zotrel_test::PayloadAs;
using zotrel_test::Record;
using zotrel_test::RefTo;
using zotrel_test::Signal;
using zotrel_test::Tally;
using zotrel_test::Text;
using zotrel_test::Typed;

const CZtMap* const kNoMap = nullptr;
const CZtVariant* const kNoVariant = nullptr;

// The keys in order, as GetItemAt by index hands them out.
std::vector<std::wstring> KeysOf(const CZtMap& map) {
    std::vector<std::wstring> keys;
    for (int i = 0; i < map.Count(); ++i) {
        CZtString key;
        CZtVariant value;
        map.GetItemAt(i, key, value);
        keys.push_back(Text(key));
    }
    return keys;
}

CZtMap MapOf(std::initializer_list<std::pair<const wchar_t*, CZtVariant>> entries) {
    CZtMap map;
    for (const auto& entry : entries)
        map.Add(entry.first, entry.second);
    return map;
}

// ---------------------------------------------------------------------------
// Order, reading and changing

TEST(MapOrder, KeysSortByUtf16CodeUnit) {
    struct Case {
        const char* name;
        std::vector<const wchar_t*> inserted;
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        {"upper before lower", {L"b", L"A", L"a"}, {L"A", L"a", L"b"}},
        {"prefix first", {L"ab", L"a", L""}, {L"", L"a", L"ab"}},
        {"digits by character", {L"10", L"9", L"1"}, {L"1", L"10", L"9"}},
        // U+1F600 is the surrogate pair D83D DE00: below U+FF5A by code unit
        // although above it by code point.
        {"surrogates by unit",
         {L"\uFF5A", L"\U0001F600", L"\u00E9"},
         {L"\u00E9", L"\U0001F600", L"\uFF5A"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtMap map;
        for (const wchar_t* key : c.inserted)
            map.Add(key, 1);
        EXPECT_EQ(KeysOf(map), c.expected);
    }
}

TEST(MapAccess, AddReplacesAndReadingNeverInserts) {
    CZtMap map = MapOf({{L"pump", 1}, {L"valve", 2}});
    map.Add(L"pump", CZtVariant(L"on"));
    EXPECT_EQ(map.Count(), 2);
    EXPECT_EQ(Text(CZtString(map[L"pump"])), L"on");

    EXPECT_TRUE(map[L"absent"].IsEmpty());
    EXPECT_EQ(map.Value(L"absent", 7), CZtVariant(7));
    EXPECT_EQ(map.Value(L"valve", 7), CZtVariant(2));
    EXPECT_FALSE(map.Contains(L"absent"));
    EXPECT_EQ(map.Count(), 2);

    // GetItemAt(key) inserts an empty value and hands out the stored one.
    CZtVariant& slot = map.GetItemAt(L"absent");
    EXPECT_TRUE(slot.IsEmpty());
    EXPECT_EQ(map.Count(), 3);
    slot = 9;
    EXPECT_EQ(map[L"absent"], CZtVariant(9));
    EXPECT_EQ(&map.GetItemAt(L"absent"), &slot);  // no second entry
    EXPECT_EQ(map.Count(), 3);
}

TEST(MapAccess, RemoveTakeAndClear) {
    CZtMap map = MapOf({{L"a", 1}, {L"b", 2}, {L"c", 3}});
    EXPECT_EQ(map.Remove(L"a"), 1);
    EXPECT_EQ(map.Remove(L"a"), 0);
    EXPECT_EQ(map.Take(L"b"), CZtVariant(2));
    EXPECT_TRUE(map.Take(L"b").IsEmpty());
    EXPECT_EQ(KeysOf(map), std::vector<std::wstring>{L"c"});
    map.Clear();
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(map.Count(), 0);
    map.Add(L"again", 1);  // still usable
    EXPECT_EQ(map.Count(), 1);
}

TEST(MapAccess, KeySearchAndPositionalAccess) {
    const CZtMap map = MapOf({{L"z", 5}, {L"m", 5}, {L"a", 6}});
    EXPECT_EQ(Text(map.Key(5, L"none")), L"m");                   // the smaller of two keys
    EXPECT_EQ(Text(map.Key(CZtVariant(5LL), L"none")), L"none");  // I8 is another value
    EXPECT_EQ(Text(map.Key(7, L"none")), L"none");

    CZtString key(L"before");
    CZtVariant value(L"before");
    map.GetItemAt(1, key, value);
    EXPECT_EQ(Text(key), L"m");
    EXPECT_EQ(value, CZtVariant(5));
    for (int index : {-1, 3, 1000}) {
        SCOPED_TRACE(index);
        CZtString k(L"kept");
        CZtVariant v(L"kept");
        map.GetItemAt(index, k, v);
        EXPECT_EQ(Text(k), L"kept");
        EXPECT_EQ(Text(CZtString(v)), L"kept");
    }
}

TEST(MapAccess, KeyWithoutBodyReadsAsEmptyKey) {
    const CZtString detached(static_cast<const CZtString*>(nullptr));
    CZtMap map = MapOf({{L"b", 1}});
    map.Add(detached, 2);
    map.Add(L"a", 3);
    EXPECT_EQ(map[L""], CZtVariant(2));
    EXPECT_EQ(map[detached], CZtVariant(2));
    EXPECT_EQ(KeysOf(map), (std::vector<std::wstring>{L"", L"a", L"b"}));
}

// ---------------------------------------------------------------------------
// Copy on write

TEST(MapSharing, CopiesAreIsolatedBothWays) {
    struct Case {
        const char* name;
        void (*change)(CZtMap&);
    };
    const Case cases[] = {
        {"Add", [](CZtMap& m) { m.Add(L"a", 100); }},
        {"Add new", [](CZtMap& m) { m.Add(L"new", 1); }},
        {"Remove", [](CZtMap& m) { m.Remove(L"a"); }},
        {"Take", [](CZtMap& m) { m.Take(L"a"); }},
        {"Clear", [](CZtMap& m) { m.Clear(); }},
        {"GetItemAt", [](CZtMap& m) { m.GetItemAt(L"a") = 100; }},
        {"GetItemAt new", [](CZtMap& m) { m.GetItemAt(L"new"); }},
    };
    const CZtMap reference = MapOf({{L"a", 1}, {L"b", 2}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtMap original = MapOf({{L"a", 1}, {L"b", 2}});
        CZtMap copy = original;
        c.change(original);
        EXPECT_EQ(copy, reference);
        EXPECT_NE(original, reference);

        CZtMap source = MapOf({{L"a", 1}, {L"b", 2}});
        CZtMap target(&source);
        c.change(target);
        EXPECT_EQ(source, reference);
        EXPECT_NE(target, reference);
    }
}

TEST(MapSharing, ValuesAreReleasedExactlyOnce) {
    Tally tally;
    auto* object = new CountingObject(&tally);
    {
        CZtMap map;
        map.Add(L"object", static_cast<IZtUnknown*>(object));
        CZtMap copy = map;
        EXPECT_EQ(object->Count(), 2);  // one entry, shared
        copy.Add(L"other", 1);          // copy gets entries of its own
        EXPECT_EQ(object->Count(), 3);
        EXPECT_EQ(map.Remove(L"object"), 1);
        EXPECT_EQ(object->Count(), 2);
        CZtVariant taken = copy.Take(L"object");
        EXPECT_EQ(object->Count(), 2);  // moved into `taken`
    }
    EXPECT_EQ(object->Count(), 1);
    object->Release();
    EXPECT_EQ(tally.destroyed, 1);
}

// ---------------------------------------------------------------------------
// The map without a body

TEST(MapWithoutBody, ReadsEmptyIgnoresChangesAndEqualsNothing) {
    CZtMap none(kNoMap);
    none.Add(L"a", 1);
    EXPECT_EQ(none.Count(), 0);
    EXPECT_TRUE(none.IsEmpty());
    EXPECT_FALSE(none.Contains(L"a"));
    EXPECT_EQ(none.Remove(L"a"), 0);
    EXPECT_TRUE(none.Take(L"a").IsEmpty());
    EXPECT_TRUE(none.Value(L"a", 5).IsEmpty());
    EXPECT_EQ(Text(none.Key(1, L"default")), L"");
    CZtString key(L"kept");
    CZtVariant value(3);
    none.GetItemAt(0, key, value);
    EXPECT_EQ(Text(key), L"kept");
    EXPECT_EQ(value, CZtVariant(3));

    CZtVariant& spare = none.GetItemAt(L"a");
    spare = 4;
    EXPECT_EQ(&none.GetItemAt(L"b"), &spare);
    EXPECT_EQ(none.Count(), 0);

    none.Lock();  // nothing to lock
    none.Unlock();
    EXPECT_FALSE(none == none);
    EXPECT_FALSE(none == CZtMap(kNoMap));
    EXPECT_FALSE(none == CZtMap());
    EXPECT_FALSE(CZtMap() == none);
}

TEST(MapWithoutBody, ArisesFromNullPointersOnlyAndAssignmentEndsIt) {
    CZtMap map = MapOf({{L"a", 1}});
    map = kNoMap;  // a null map pointer changes nothing
    EXPECT_EQ(map.Count(), 1);
    map = kNoVariant;  // a null variant pointer removes the body
    map.Add(L"b", 2);
    EXPECT_EQ(map.Count(), 0);

    CZtMap copy(map);  // a copy of it is an ordinary empty map
    copy.Add(L"c", 3);
    EXPECT_EQ(copy.Count(), 1);
    map = copy;
    EXPECT_EQ(map, copy);
    EXPECT_EQ(CZtMap(kNoVariant).Count(), 0);
}

// ---------------------------------------------------------------------------
// Equality

TEST(MapEquality, OrderOfInsertionDoesNotMatterButTypesDo) {
    const CZtMap ab = MapOf({{L"a", 1}, {L"b", CZtVariant(L"x")}});
    const CZtMap ba = MapOf({{L"b", CZtVariant(L"x")}, {L"a", 1}});
    EXPECT_TRUE(ab == ba);
    EXPECT_FALSE(ab != ba);
    EXPECT_NE(ab, MapOf({{L"a", CZtVariant(1LL)}, {L"b", CZtVariant(L"x")}}));
    EXPECT_NE(ab, MapOf({{L"a", 1}}));
    EXPECT_NE(ab, MapOf({{L"a", 1}, {L"c", CZtVariant(L"x")}}));
    EXPECT_EQ(CZtMap(), CZtMap());
    // Maps as values compare by their entries.
    EXPECT_EQ(MapOf({{L"inner", CZtVariant(ab)}}), MapOf({{L"inner", CZtVariant(ba)}}));
    EXPECT_NE(MapOf({{L"inner", CZtVariant(ab)}}), MapOf({{L"inner", CZtVariant(CZtMap())}}));
}

// ---------------------------------------------------------------------------
// Maps and variants

TEST(MapVariant, MapFromVariantSharesTheHeldMap) {
    const CZtMap entries = MapOf({{L"a", 1}});
    CZtVariant byValue(entries);
    ASSERT_EQ(byValue.vartype, ZT_VT_MAP);
    EXPECT_NE(PayloadAs<const CZtMap*>(byValue), &entries);  // a handle of its own
    CZtMap* slot = PayloadAs<CZtMap*>(byValue);
    const CZtVariant byRef = RefTo(ZT_VT_MAP, &slot);
    const CZtVariant throughVariant = RefTo(ZT_VT_VARIANT, &byValue);
    for (const CZtVariant* v :
         {static_cast<const CZtVariant*>(&byValue), &byRef, &throughVariant}) {
        SCOPED_TRACE(v->vartype);
        CZtMap map(*v);
        EXPECT_EQ(map, entries);
        map.Add(L"b", 2);  // private from here on
        EXPECT_EQ(CZtMap(v), entries);
    }

    CZtMap* null = nullptr;
    for (const CZtVariant& other : {CZtVariant(), CZtVariant(5), CZtVariant(L"text"),
                                    Typed(ZT_VT_MAP), RefTo(ZT_VT_MAP, &null)}) {
        SCOPED_TRACE(other.vartype);
        CZtMap map(other);
        EXPECT_TRUE(map.IsEmpty());
        map.Add(L"a", 1);  // an ordinary map with a body
        EXPECT_EQ(map.Count(), 1);
    }

    CZtMap self = entries;
    self = CZtVariant(self);
    EXPECT_EQ(self, entries);
}

TEST(MapVariant, VariantFromMapAndBack) {
    const CZtMap entries = MapOf({{L"a", 1}});
    CZtVariant v(&entries);
    EXPECT_EQ(v.vartype, ZT_VT_MAP);
    EXPECT_TRUE(CZtVariant(kNoMap).IsEmpty());
    v = kNoMap;
    EXPECT_TRUE(v.IsEmpty());
    v = entries;
    EXPECT_EQ(CZtMap(v), entries);
    EXPECT_EQ(Text(CZtString(v)), L"");  // a map has no text
    EXPECT_EQ(CZtBlob(v).Length(), 0);

    CZtMap out = MapOf({{L"old", 1}});
    EXPECT_EQ(v.Detach(&out), ZT_S_OK);
    EXPECT_EQ(out, entries);
    EXPECT_TRUE(v.IsEmpty());
    EXPECT_EQ(v.Detach(static_cast<CZtMap*>(nullptr)), ZT_E_NULL_POINTER);

    struct Case {
        const char* name;
        CZtVariant source;
    };
    const Case cases[] = {
        {"number", CZtVariant(5)}, {"text", CZtVariant(L"a")}, {"null handle", Typed(ZT_VT_MAP)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtVariant source(c.source);
        CZtMap target = MapOf({{L"old", 1}});
        EXPECT_EQ(source.Detach(&target), ZT_S_OK);
        EXPECT_TRUE(source.IsEmpty());
        EXPECT_TRUE(target.IsEmpty());
        target.Add(L"a", 1);  // an ordinary map with a body
        EXPECT_EQ(target.Count(), 1);
    }

    CZtMap** nullRef = nullptr;
    CZtVariant broken = Record(ZT_VT_MAP | ZT_VT_BYREF, nullRef);
    EXPECT_EQ(broken.Detach(&out), ZT_E_NULL_POINTER);
    EXPECT_EQ(broken.vartype, ZT_VT_MAP | ZT_VT_BYREF);
}

TEST(MapVariant, RecordFunctions) {
    const CZtMap entries = MapOf({{L"a", 1}});
    const CZtVariant full(entries);
    const CZtVariant empty{CZtMap()};

    // Copies: new handles sharing the body; null handles stay null.
    CZtVariant copy(L"old");
    EXPECT_EQ(ZtVariantCopy(&copy, &full), ZT_S_OK);
    EXPECT_NE(PayloadAs<CZtMap*>(copy), PayloadAs<CZtMap*>(full));
    EXPECT_EQ(*PayloadAs<CZtMap*>(copy), entries);
    const CZtVariant null = Typed(ZT_VT_MAP);
    EXPECT_EQ(ZtVariantCopy(&copy, &null), ZT_S_OK);
    EXPECT_EQ(copy.vartype, ZT_VT_MAP);
    EXPECT_EQ(PayloadAs<CZtMap*>(copy), nullptr);

    CZtMap* slot = PayloadAs<CZtMap*>(full);
    const CZtVariant byRef = RefTo(ZT_VT_MAP, &slot);
    EXPECT_EQ(ZtVariantCopy(&copy, &byRef), ZT_S_OK);
    EXPECT_EQ(PayloadAs<CZtMap**>(copy), &slot);  // the reference only
    CZtVariant ind;
    EXPECT_EQ(ZtVariantCopyInd(&ind, &byRef), ZT_S_OK);
    EXPECT_EQ(ind.vartype, ZT_VT_MAP);
    EXPECT_NE(PayloadAs<CZtMap*>(ind), slot);
    EXPECT_EQ(*PayloadAs<CZtMap*>(ind), entries);
    CZtMap* nullSlot = nullptr;
    const CZtVariant nullRef = RefTo(ZT_VT_MAP, &nullSlot);
    CZtVariant indNull;
    EXPECT_EQ(ZtVariantCopyInd(&indNull, &nullRef), ZT_S_OK);
    EXPECT_EQ(indNull.vartype, ZT_VT_MAP);
    EXPECT_EQ(PayloadAs<CZtMap*>(indNull), nullptr);

    // Emptiness through the map; null handles and references are not empty.
    EXPECT_FALSE(ZtVariantIsContentEmpty(&full));
    EXPECT_TRUE(ZtVariantIsContentEmpty(&empty));
    EXPECT_FALSE(ZtVariantIsContentEmpty(&byRef));
    EXPECT_FALSE(ZtVariantIsContentEmpty(&null));
    EXPECT_FALSE(ZtVariantIsContentEmpty(&nullRef));

    // Comparison by entries; a null handle or reference gives no answer,
    // and then the flag is left as the caller set it.
    struct Case {
        const char* name;
        const tagZTVARIANT* a;
        const tagZTVARIANT* b;
        bool written;
        bool equal;
    };
    const CZtVariant same(MapOf({{L"a", 1}}));
    const CZtVariant wider(MapOf({{L"a", CZtVariant(1LL)}}));
    CZtMap* sameSlot = PayloadAs<CZtMap*>(same);
    const CZtVariant sameRef = RefTo(ZT_VT_MAP, &sameSlot);
    const Case cases[] = {
        {"equal entries", &full, &same, true, true},
        {"I4 against I8", &full, &wider, true, false},
        {"empty map", &full, &empty, true, false},
        {"by reference", &byRef, &sameRef, true, true},
        {"null handle", &full, &null, false, false},
        {"both null", &null, &null, false, false},
        {"null reference", &byRef, &nullRef, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool preset : {false, true}) {
            bool equal = preset;
            EXPECT_EQ(ZtVariantCompare(c.a, c.b, &equal), ZT_S_OK);
            EXPECT_EQ(equal, c.written ? c.equal : preset);
        }
    }

    // Conversion to a map: a new empty map for a source that holds none.
    for (const CZtVariant& source : {CZtVariant(5), CZtVariant(L"text"), CZtVariant()}) {
        SCOPED_TRACE(source.vartype);
        CZtVariant out(L"old");
        EXPECT_EQ(ZtVariantChangeType(&out, &source, 0, ZT_VT_MAP), ZT_S_OK);
        EXPECT_EQ(out.vartype, ZT_VT_MAP);
        ASSERT_NE(PayloadAs<CZtMap*>(out), nullptr);
        EXPECT_TRUE(PayloadAs<CZtMap*>(out)->IsEmpty());
        CZtVariant inPlace(source);
        EXPECT_EQ(inPlace.ZtVariantChangeType(ZT_VT_MAP), ZT_S_OK);
        EXPECT_EQ(inPlace.vartype, ZT_VT_MAP);
    }
    CZtVariant text;
    EXPECT_EQ(ZtVariantChangeType(&text, &full, 0, ZT_VT_STRING), ZT_S_OK);
    EXPECT_EQ(zotrel_test::TextIn(text), L"");
}

TEST(MapVariant, ClearDeletesTheHandleAndTheLastOneTheBody) {
    Tally tally;
    auto* object = new CountingObject(&tally);
    CZtVariant v;
    {
        CZtMap map;
        map.Add(L"object", static_cast<IZtUnknown*>(object));
        v = map;
    }
    EXPECT_EQ(object->Count(), 2);  // the body lives on in the variant
    CZtMap* slot = PayloadAs<CZtMap*>(v);
    CZtVariant ref = RefTo(ZT_VT_MAP, &slot);
    EXPECT_EQ(ref.Clear(), ZT_S_OK);  // by reference: nothing released
    EXPECT_EQ(slot->Count(), 1);
    EXPECT_EQ(v.Clear(), ZT_S_OK);
    EXPECT_TRUE(zotrel_test::IsZeroRecord(v));
    EXPECT_EQ(object->Count(), 1);
    object->Release();
    EXPECT_EQ(tally.destroyed, 1);
    CZtVariant null = Typed(ZT_VT_MAP);
    EXPECT_EQ(null.Clear(), ZT_S_OK);
}

// ---------------------------------------------------------------------------
// The lock. Each scenario bounds every wait; a wait that is expected to run
// out proves that the other thread is blocked.

constexpr auto kBlocked = 100ms;  // long enough for an unblocked call to finish
constexpr auto kDeadline = 10s;

// Runs `operation` on another thread while this thread holds `locked`'s lock,
// checks that it is blocked, then writes a key under the lock and unlocks:
// whatever the operation reads afterwards shows whether it ran after Unlock.
template <class Operation>
void ExpectWaitsForUnlock(CZtMap& locked, Operation operation) {
    Signal started;
    Signal done;
    locked.Lock();
    std::thread other([&] {
        started.Set();
        operation();
        done.Set();
    });
    EXPECT_TRUE(started.WaitFor(kDeadline));
    EXPECT_FALSE(done.WaitFor(kBlocked));  // blocked behind the lock
    locked.Add(L"written under the lock", 1);
    locked.Unlock();
    EXPECT_TRUE(done.WaitFor(kDeadline));
    other.join();
}

TEST(MapLock, OtherThreadsReadThroughTheSameHandleAfterUnlock) {
    CZtMap shared = MapOf({{L"a", 1}});
    int seen = -1;
    ExpectWaitsForUnlock(shared, [&] { seen = shared.Count(); });
    EXPECT_EQ(seen, 2);  // ran after the write made under the lock
}

TEST(MapLock, WriteThroughASharingHandleCopiesAfterUnlock) {
    CZtMap locked = MapOf({{L"a", 1}});
    CZtMap sharing = locked;
    ExpectWaitsForUnlock(locked, [&] { sharing.Add(L"b", 2); });
    EXPECT_EQ(KeysOf(sharing), (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_EQ(KeysOf(locked), (std::vector<std::wstring>{L"a", L"written under the lock"}));
}

TEST(MapLock, UnlockFromAnotherThreadDoesNothing) {
    CZtMap shared = MapOf({{L"a", 1}});
    int seen = -1;
    ExpectWaitsForUnlock(shared, [&] {
        shared.Unlock();  // this thread holds nothing
        seen = shared.Count();
    });
    EXPECT_EQ(seen, 2);
}

// True when another thread can take and give back the lock of `map` in time.
bool OtherThreadCanLock(CZtMap& map) {
    Signal done;
    std::thread other([&] {
        map.Lock();
        map.Unlock();
        done.Set();
    });
    const bool locked = done.WaitFor(kDeadline);
    other.join();
    return locked;
}

TEST(MapLock, WritingThroughALockedSharedBodyMovesTheLock) {
    CZtMap writer = MapOf({{L"a", 1}});
    writer.Lock();
    CZtMap sharing = writer;
    writer.Add(L"b", 2);  // private copy: the shared body's lock is given up
    EXPECT_TRUE(OtherThreadCanLock(sharing));
    EXPECT_EQ(sharing.Count(), 1);
    // The writer still holds its new body: another thread's read waits.
    int seen = -1;
    Signal done;
    std::thread other([&] {
        seen = writer.Count();
        done.Set();
    });
    EXPECT_FALSE(done.WaitFor(kBlocked));
    writer.Add(L"c", 3);
    writer.Unlock();  // releases the mutex this thread holds
    EXPECT_TRUE(done.WaitFor(kDeadline));
    other.join();
    EXPECT_EQ(seen, 3);
    EXPECT_TRUE(OtherThreadCanLock(writer));
}

TEST(MapLock, ReleasingALockingHandleUnlocksAndSecondLockDoesNotNest) {
    CZtMap survivor = MapOf({{L"a", 1}});
    {
        CZtMap locking = survivor;
        locking.Lock();
    }
    EXPECT_TRUE(OtherThreadCanLock(survivor));
    CZtMap reassigned = survivor;
    reassigned.Lock();
    reassigned = CZtMap();
    EXPECT_TRUE(OtherThreadCanLock(survivor));

    survivor.Lock();
    survivor.Lock();
    survivor.Unlock();
    EXPECT_TRUE(OtherThreadCanLock(survivor));
}

// An interface whose next AddRef, once armed, stops until told to go on: it
// holds a map operation that copies the value in the middle of its work.
class GateObject : public IZtUnknown {
public:
    int AddRef() const override {
        if (m_armed.exchange(false)) {
            m_entered.Set();
            m_proceed.WaitFor(kDeadline);
        }
        return ++m_count;
    }
    int Release() const override { return --m_count; }  // lives on the stack
    unsigned int QueryInterface(const tagZTGUID&, IZtUnknown** out) override {
        if (out)
            *out = nullptr;
        return ZT_E_NOINTERFACE;
    }
    void Arm() { m_armed.store(true); }
    bool WaitEntered() { return m_entered.WaitFor(kDeadline); }
    void Proceed() { m_proceed.Set(); }

private:
    mutable std::atomic<bool> m_armed{false};
    mutable std::atomic<int> m_count{1};
    mutable Signal m_entered;
    mutable Signal m_proceed;
};

TEST(MapLock, LockWaitsForAnOperationAlreadyRunning) {
    GateObject gate;
    CZtMap shared;
    shared.Add(L"gate", static_cast<IZtUnknown*>(&gate));
    gate.Arm();
    std::thread reader([&] { CZtVariant copy = shared[L"gate"]; });
    ASSERT_TRUE(gate.WaitEntered());  // the read is under way, without the lock
    Signal locked;
    std::thread locker([&] {
        shared.Lock();
        locked.Set();
        shared.Unlock();
    });
    EXPECT_FALSE(locked.WaitFor(kBlocked));
    gate.Proceed();
    EXPECT_TRUE(locked.WaitFor(kDeadline));
    reader.join();
    locker.join();
}

// A reader that never locks and a writer that adds and removes a key under
// the lock: the reader must never see the key, including reads that started
// just before the writer took the lock.
TEST(MapLock, LockedChangesAreNeverSeenHalfWay) {
    CZtMap shared = MapOf({{L"a", 1}});
    constexpr int kRounds = 2000;
    zotrel_test::StartLine start(2);
    std::atomic<bool> stop{false};
    int wrong = 0;
    std::thread reader([&] {
        start.ArriveAndWait();
        while (!stop.load()) {
            if (shared.Count() != 1 || shared.Contains(L"tmp"))
                ++wrong;
        }
    });
    ASSERT_TRUE(start.ArriveAndWait());
    for (int i = 0; i < kRounds; ++i) {
        shared.Lock();
        shared.Add(L"tmp", i);
        shared.Remove(L"tmp");
        shared.Unlock();
    }
    stop.store(true);
    reader.join();
    EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace Varn
