// The object containers: reference counts after every operation, removal
// ranges, iterator walks, iterators over changed containers, filling every
// container kind from every other, appending to itself, QueryInterface.
#include <zotrel/objectcollections.h>

#include <zotrel/guid.h>
#include <zotrel/variant.h>

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "collections/objectcollections_test_util.h"

namespace {

using namespace Varn;
using zotrel_test::Items;
using zotrel_test::ItemsOf;
using zotrel_test::ObjectPool;
using zotrel_test::Sorted;
using Counts = std::vector<int>;

// ---------------------------------------------------------------------------
// Containers and their counts

TEST(ObjectCollection, HoldsOneReferencePerElementAndHandsOutOneMore) {
    ObjectPool pool(2);
    {
        CZtObjectCollection c;
        unsigned int count = 7;
        IZtUnknown* item = pool[1];
        EXPECT_EQ(c.GetCount(&count), ZT_S_OK);
        EXPECT_EQ(count, 0u);
        EXPECT_EQ(c.GetItem(0, &item), ZT_E_NOTFOUND);  // no storage yet
        c.PushBack(pool[0]);
        c.PushBack(pool[0]);
        c.PushBack(pool[1]);
        c.PushBack(nullptr);
        EXPECT_EQ(pool.Counts(), (Counts{3, 2}));
        EXPECT_EQ(ItemsOf(c), (Items{pool[0], pool[0], pool[1], nullptr}));

        EXPECT_EQ(c.GetItem(2, &item), ZT_S_OK);
        EXPECT_EQ(item, pool[1]);
        EXPECT_EQ(pool.Counts(), (Counts{3, 3}));
        item->Release();
        EXPECT_EQ(c.GetItem(3, &item), ZT_S_OK);
        EXPECT_EQ(item, nullptr);
        item = pool[0];
        EXPECT_EQ(c.GetItem(4, &item), ZT_E_NOTFOUND);
        EXPECT_EQ(item, pool[0]);  // left as it was
        EXPECT_EQ(c.GetItem(0, nullptr), ZT_E_INVALIDARG);
        EXPECT_EQ(c.GetCount(nullptr), ZT_E_INVALIDARG);

        c.Clear();
        EXPECT_EQ(pool.Counts(), pool.Untouched());
        EXPECT_EQ(c.GetItem(0, &item), ZT_E_NOTFOUND);
        c.PushBack(pool[1]);  // given back by the destructor
        c.Reserve(UINT_MAX);  // a hint that cannot be had changes nothing
        EXPECT_EQ(ItemsOf(c), (Items{pool[1]}));
    }
    EXPECT_EQ(pool.Counts(), pool.Untouched());

    auto* heap = new CZtObjectCollection;
    heap->PushBack(pool[0]);
    EXPECT_EQ(heap->AddRef(), 2);
    EXPECT_EQ(heap->Release(), 1);
    EXPECT_EQ(heap->Release(), 0);  // destroyed, releasing its element
    EXPECT_EQ(pool.Counts(), pool.Untouched());
}

TEST(ObjectCollection, RemoveElementsTakesAtMostCountFromStart) {
    struct Case {
        const char* name;
        unsigned int start, count;
        std::vector<int> left;  // pool indexes still held
    };
    const Case cases[] = {
        {"middle one", 1, 1, {0, 2}},
        {"past the end is cut", 1, 5, {0}},
        {"huge count", 1, UINT_MAX, {0}},
        {"all from 0", 0, 3, {}},
        {"none", 1, 0, {0, 1, 2}},
        {"start at the end", 3, 1, {0, 1, 2}},
        {"start beyond the end", 7, 1, {0, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ObjectPool pool(3);
        CZtObjectCollection collection;
        for (int i = 0; i < 3; ++i)
            collection.PushBack(pool[i]);
        collection.RemoveElements(c.start, c.count);
        Items expected;
        Counts counts = pool.Untouched();
        for (int i : c.left) {
            expected.push_back(pool[i]);
            ++counts[i];
        }
        EXPECT_EQ(ItemsOf(collection), expected);
        EXPECT_EQ(pool.Counts(), counts);
    }
    CZtObjectCollection empty;
    empty.RemoveElements(0, 1);  // without storage
    EXPECT_TRUE(ItemsOf(empty).empty());
}

TEST(ObjectList, PushesAndPopsAtBothEnds) {
    ObjectPool pool(3);
    CZtObjectList list;
    list.PopBack();  // without storage: nothing
    list.PopFront();
    list.PushBack(pool[0]);
    list.PushFront(pool[1]);
    list.PushBack(pool[2]);
    list.PushBack(pool[2]);
    EXPECT_EQ(ItemsOf(list), (Items{pool[1], pool[0], pool[2], pool[2]}));
    EXPECT_EQ(pool.Counts(), (Counts{2, 2, 3}));
    list.PopFront();
    list.PopBack();
    EXPECT_EQ(ItemsOf(list), (Items{pool[0], pool[2]}));
    EXPECT_EQ(pool.Counts(), (Counts{2, 1, 2}));
    list.PopBack();
    list.PopBack();
    list.PopBack();  // storage but no elements: nothing
    list.PopFront();
    EXPECT_TRUE(ItemsOf(list).empty());
    EXPECT_EQ(pool.Counts(), pool.Untouched());
    list.PushFront(nullptr);
    list.PushFront(pool[0]);
    list.Clear();
    EXPECT_EQ(pool.Counts(), pool.Untouched());
}

TEST(ObjectSet, StoresEachObjectOnceWithOneReference) {
    ObjectPool pool(2);
    CZtObjectSet set;
    set.Remove(pool[0]);  // without storage
    set.Insert(pool[0]);
    set.Insert(pool[0]);
    set.Insert(nullptr);
    set.Insert(nullptr);
    set.Insert(pool[1]);
    EXPECT_EQ(Sorted(ItemsOf(set)), Sorted({nullptr, pool[0], pool[1]}));
    EXPECT_EQ(pool.Counts(), (Counts{2, 2}));
    set.Remove(pool[0]);
    EXPECT_EQ(pool.Counts(), (Counts{1, 2}));
    set.Remove(pool[0]);
    set.Remove(nullptr);
    EXPECT_EQ(ItemsOf(set), (Items{pool[1]}));
    set.Clear();
    EXPECT_EQ(pool.Counts(), pool.Untouched());
}

// ---------------------------------------------------------------------------
// Iterators

enum class Step { Start, First, Next, Last, Previous };

struct WalkStep {
    Step step;
    bool ok;    // what the step reports (Start: nothing)
    int index;  // GetIndex afterwards
    int item;   // pool index GetItem gives afterwards; -1: ZT_E_NOTFOUND
};

unsigned int Take(IZtIteratorBase& it, Step step, bool* ok) {
    switch (step) {
        case Step::First:
            return it.First(ok);
        case Step::Next:
            return it.Next(ok);
        case Step::Last:
            return it.Last(ok);
        case Step::Previous:
            return it.Previous(ok);
        case Step::Start:
            break;
    }
    return ZT_S_OK;
}

TEST(ObjectListIterator, WalksForwardAndBackwardWithIndexes) {
    const WalkStep walk[] = {
        {Step::Start, true, 0, 0},       {Step::Next, true, 1, 1},
        {Step::Last, true, 2, 2},        {Step::Next, false, 3, -1},
        {Step::Next, false, 3, -1},      {Step::Previous, true, 2, 2},
        {Step::First, true, 0, 0},       {Step::Previous, false, -1, -1},
        {Step::Previous, false, -1, -1}, {Step::Next, true, 0, 0},
        {Step::Next, true, 1, 1},        {Step::Next, true, 2, 2},
        {Step::Previous, true, 1, 1},    {Step::Previous, true, 0, 0},
        {Step::Previous, false, -1, -1},
    };
    ObjectPool pool(3);
    CZtObjectList list;
    for (int i = 0; i < 3; ++i)
        list.PushBack(pool[i]);
    CZtCoPtr<IZtObjectEnumIterator> it;
    ASSERT_EQ(list.GetIterator(&it), ZT_S_OK);
    for (size_t i = 0; i < std::size(walk); ++i) {
        SCOPED_TRACE("step " + std::to_string(i));
        const WalkStep& s = walk[i];
        bool ok = !s.ok;
        EXPECT_EQ(Take(*it, s.step, s.step == Step::Start ? nullptr : &ok), ZT_S_OK);
        if (s.step != Step::Start) {
            EXPECT_EQ(ok, s.ok);
        }
        int index = -7;
        EXPECT_EQ(it->GetIndex(&index), ZT_S_OK);
        EXPECT_EQ(index, s.index);
        IZtUnknown* item = nullptr;
        if (s.item < 0) {
            EXPECT_EQ(it->GetItem(&item), ZT_E_NOTFOUND);
            EXPECT_EQ(item, nullptr);
        } else {
            EXPECT_EQ(it->GetItem(&item), ZT_S_OK);
            EXPECT_EQ(zotrel_test::Drop(item), pool[s.item]);
        }
    }
    EXPECT_EQ(it->GetIndex(nullptr), ZT_E_INVALIDARG);
    EXPECT_EQ(it->GetItem(nullptr), ZT_E_INVALIDARG);
    EXPECT_EQ(it->Next(nullptr), ZT_S_OK);
    EXPECT_EQ(pool.Counts(), (Counts{2, 2, 2}));
}

TEST(ObjectSetIterator, WalksBackwardInReverseOfForward) {
    ObjectPool pool(3);
    CZtObjectSet set;
    for (int i = 0; i < 3; ++i)
        set.Insert(pool[i]);
    const Items forward = ItemsOf(set);
    EXPECT_EQ(Sorted(forward), Sorted({pool[0], pool[1], pool[2]}));
    CZtCoPtr<IZtObjectEnumIterator> it;
    ASSERT_EQ(set.GetIterator(&it), ZT_S_OK);
    Items backward;
    bool ok = false;
    for (it->Last(&ok); ok; it->Previous(&ok)) {
        int index = -7;
        it->GetIndex(&index);
        EXPECT_EQ(index, 2 - static_cast<int>(backward.size()));
        IZtUnknown* item = nullptr;
        EXPECT_EQ(it->GetItem(&item), ZT_S_OK);
        backward.insert(backward.begin(), zotrel_test::Drop(item));
    }
    EXPECT_EQ(backward, forward);
}

TEST(ObjectIterators, OverNoElementsReportNothing) {
    CZtObjectList fresh;
    CZtObjectList emptied;
    emptied.PushBack(nullptr);
    emptied.PopBack();
    CZtObjectSet set;
    const IZtObjectEnum* sources[] = {&fresh, &emptied, &set};
    for (const IZtObjectEnum* source : sources) {
        CZtCoPtr<IZtObjectEnumIterator> it;
        ASSERT_EQ(source->GetIterator(&it), ZT_S_OK);
        for (Step step : {Step::First, Step::Last, Step::Next, Step::Previous}) {
            bool ok = true;
            EXPECT_EQ(Take(*it, step, &ok), ZT_S_OK);
            EXPECT_FALSE(ok);
        }
        int index = -7;
        EXPECT_EQ(it->GetIndex(&index), ZT_S_OK);
        EXPECT_EQ(index, 0);
        IZtUnknown* item = nullptr;
        EXPECT_EQ(it->GetItem(&item), ZT_E_NOTFOUND);
    }
    EXPECT_EQ(fresh.GetIterator(nullptr), ZT_E_INVALIDARG);
}

TEST(ObjectIterators, StopAfterTheContainerChanges) {
    struct Case {
        const char* name;
        std::function<void(CZtObjectList&, CZtObjectSet&, IZtUnknown*)> change;
        bool listStops, setStops;
    };
    const Case cases[] = {
        {"list PushBack", [](auto& l, auto&, auto* x) { l.PushBack(x); }, true, false},
        {"list PushFront", [](auto& l, auto&, auto* x) { l.PushFront(x); }, true, false},
        {"list PopBack", [](auto& l, auto&, auto*) { l.PopBack(); }, true, false},
        {"list PopFront", [](auto& l, auto&, auto*) { l.PopFront(); }, true, false},
        {"list Clear", [](auto& l, auto&, auto*) { l.Clear(); }, true, false},
        {"list assigned", [](auto& l, auto& s, auto*) { l = &s; }, true, false},
        {"set Insert", [](auto&, auto& s, auto* x) { s.Insert(x); }, false, true},
        {"set Remove", [](auto&, auto& s, auto*) { s.Remove(nullptr); }, false, true},
        {"set Clear", [](auto&, auto& s, auto*) { s.Clear(); }, false, true},
        {"set Insert of a member", [](auto&, auto& s, auto*) { s.Insert(nullptr); }, false, false},
        {"set Remove of a stranger", [](auto&, auto& s, auto* x) { s.Remove(x); }, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ObjectPool pool(40);
        auto* list = new CZtObjectList;
        auto* set = new CZtObjectSet;
        set->Insert(nullptr);
        for (int i = 0; i < 30; ++i) {
            list->PushBack(pool[i]);
            set->Insert(pool[i]);
        }
        CZtCoPtr<IZtObjectEnumIterator> its[2];
        list->GetIterator(&its[0]);
        set->GetIterator(&its[1]);
        for (auto& it : its)
            it->Next(nullptr);
        // Enough new elements to make the Qt containers move their storage.
        for (int i = 0; i < 10; ++i)
            c.change(*list, *set, pool[30 + i]);
        list->Release();  // the iterators keep the containers alive
        set->Release();
        for (int i = 0; i < 2; ++i) {
            const bool stops = i == 0 ? c.listStops : c.setStops;
            IZtUnknown* item = nullptr;
            EXPECT_EQ(its[i]->GetItem(&item), stops ? ZT_E_NOTFOUND : ZT_S_OK);
            zotrel_test::Drop(item);
            for (Step step : {Step::Last, Step::First, Step::Next, Step::Previous}) {
                bool ok = false;
                Take(*its[i], step, &ok);
                EXPECT_EQ(ok, !stops);
            }
        }
    }
}

TEST(ObjectIterators, KeepTheirContainerAlive) {
    ObjectPool pool(1);
    auto* list = new CZtObjectList;
    list->PushBack(pool[0]);
    CZtCoPtr<IZtObjectEnumIterator> it;
    list->GetIterator(&it);
    EXPECT_EQ(list->Release(), 1);  // the iterator's reference
    IZtUnknown* item = nullptr;
    EXPECT_EQ(it->GetItem(&item), ZT_S_OK);
    EXPECT_EQ(zotrel_test::Drop(item), pool[0]);
    EXPECT_EQ(pool.Counts(), (Counts{2}));
    it.Clear();  // the list goes with its last reference
    EXPECT_EQ(pool.Counts(), pool.Untouched());
}

// ---------------------------------------------------------------------------
// Filling

enum class Kind { Collection, List, Set, IntMap, VariantMap };

const char* NameOf(Kind kind) {
    static const char* const names[] = {"collection", "list", "set", "int map", "variant map"};
    return names[static_cast<int>(kind)];
}

// Every kind of container and map holding pool[0], pool[1], pool[2] in that
// order (maps under the keys 1, 2, 3 and "1", "2", "3").
struct Sources {
    explicit Sources(const ObjectPool& pool) {
        for (int i = 0; i < 3; ++i) {
            collection.PushBack(pool[i]);
            list.PushBack(pool[i]);
            set.Insert(pool[i]);
            ints.Insert(i + 1, pool[i]);
            variants.Insert(CZtVariant(std::to_wstring(i + 1).c_str()), pool[i]);
        }
    }
    CZtObjectCollection collection;
    CZtObjectList list;
    CZtObjectSet set;
    CZtIntObjectMap ints;
    CZtVariantObjectMap variants;
};

// Calls `use` with the source of `kind` as the interface pointer the filling
// members take.
template <class Use>
void WithSource(const Sources& s, Kind kind, Use&& use) {
    switch (kind) {
        case Kind::Collection:
            return use(static_cast<const IZtObjectCollection*>(&s.collection));
        case Kind::List:
            return use(static_cast<const IZtObjectEnum*>(&s.list));
        case Kind::Set:
            return use(static_cast<const IZtObjectEnum*>(&s.set));
        case Kind::IntMap:
            return use(static_cast<const IZtIntObjectMap*>(&s.ints));
        case Kind::VariantMap:
            return use(static_cast<const IZtVariantObjectMap*>(&s.variants));
    }
}

enum class Way { Constructor, Assignment, Member };

// Fills a new container of type T from the source in one of three ways and
// returns what it then holds, checking the counts while it lives.
template <class T>
Items FillFrom(const Sources& s, Kind source, Way way, const ObjectPool& pool) {
    Items items;
    WithSource(s, source, [&](auto* from) {
        CZtObjectCollection other;
        other.PushBack(pool[0]);  // replaced by an assignment
        auto fill = [&](T& target) {
            if constexpr (std::is_same_v<T, CZtObjectSet>)
                target.InsertElements(from);
            else
                target.PushBackElements(from);
        };
        T* target = nullptr;
        switch (way) {
            case Way::Constructor:
                target = new T(from);
                break;
            case Way::Assignment:
                target = new T(&other);
                *target = from;
                break;
            case Way::Member:
                target = new T;
                fill(*target);
                break;
        }
        items = ItemsOf(*target);
        // The pool, five sources, `other` (pool[0] only) and the target.
        EXPECT_EQ(pool.Counts(), (Counts{8, 7, 7}));
        EXPECT_EQ(target->Release(), 0);
    });
    return items;
}

TEST(ObjectContainerFilling, EveryKindFromEveryKind) {
    struct Case {
        Kind target;
        Kind source;
        bool ordered;  // both keep an order, which the target takes over
    };
    std::vector<Case> cases;
    for (Kind target : {Kind::Collection, Kind::List, Kind::Set})
        for (Kind source :
             {Kind::Collection, Kind::List, Kind::Set, Kind::IntMap, Kind::VariantMap})
            cases.push_back(
                {target, source,
                 target != Kind::Set && (source == Kind::Collection || source == Kind::List)});
    ObjectPool pool(3);
    Sources sources(pool);
    const Items abc = {pool[0], pool[1], pool[2]};
    for (const Case& c : cases) {
        for (Way way : {Way::Constructor, Way::Assignment, Way::Member}) {
            SCOPED_TRACE(std::string(NameOf(c.target)) + " from " + NameOf(c.source) + ", way " +
                         std::to_string(static_cast<int>(way)));
            Items items;
            if (c.target == Kind::Collection)
                items = FillFrom<CZtObjectCollection>(sources, c.source, way, pool);
            else if (c.target == Kind::List)
                items = FillFrom<CZtObjectList>(sources, c.source, way, pool);
            else
                items = FillFrom<CZtObjectSet>(sources, c.source, way, pool);
            EXPECT_EQ(c.ordered ? items : Sorted(items), c.ordered ? abc : Sorted(abc));
            EXPECT_EQ(pool.Counts(), (Counts{6, 6, 6}));
        }
    }
}

TEST(ObjectContainerFilling, FromTheSameClassAndFromNothing) {
    ObjectPool pool(3);
    Sources s(pool);
    s.list.PushBack(pool[0]);  // a duplicate the set skips
    s.list.PushBack(nullptr);
    {
        CZtObjectCollection collection(s.collection);
        CZtObjectList list(s.list);
        CZtObjectSet set(&s.list);
        EXPECT_EQ(ItemsOf(collection), ItemsOf(s.collection));
        EXPECT_EQ(ItemsOf(list), (Items{pool[0], pool[1], pool[2], pool[0], nullptr}));
        EXPECT_EQ(Sorted(ItemsOf(set)), Sorted({nullptr, pool[0], pool[1], pool[2]}));
        EXPECT_EQ(pool.Counts(), (Counts{11, 9, 9}));

        collection.PushBackElements(static_cast<const IZtObjectEnum*>(nullptr));
        list.PushBackElements(static_cast<const IZtIntObjectMap*>(nullptr));
        set.InsertElements(static_cast<const IZtObjectCollection*>(nullptr));
        set = CZtObjectSet();  // assignment from an empty set clears
        EXPECT_EQ(pool.Counts(), (Counts{10, 8, 8}));
    }
    EXPECT_EQ(pool.Counts(), (Counts{7, 6, 6}));
}

// The copy forms not used above: from a collection through its interface
// reference, a set's copy constructor and a list's copy assignment. Each
// container takes one reference per element it holds.
TEST(ObjectContainerFilling, CopyFormsTakeOneReferencePerElement) {
    ObjectPool pool(3);
    Sources s(pool);
    const Counts before = pool.Counts();
    {
        const IZtObjectCollection& source = s.collection;
        CZtObjectCollection collection(source);
        collection.PushBackElements(source);
        CZtObjectCollection assigned;
        assigned.PushBack(pool[0]);
        assigned = source;
        const CZtObjectSet set(s.set);
        CZtObjectList list;
        list = s.list;
        EXPECT_EQ(ItemsOf(collection),
                  (Items{pool[0], pool[1], pool[2], pool[0], pool[1], pool[2]}));
        EXPECT_EQ(ItemsOf(assigned), ItemsOf(s.collection));
        EXPECT_EQ(Sorted(ItemsOf(set)), Sorted(ItemsOf(s.set)));
        EXPECT_EQ(ItemsOf(list), ItemsOf(s.list));
        // Twice in `collection`, once in each of the three others.
        EXPECT_EQ(pool.Counts(), (Counts{before[0] + 5, before[1] + 5, before[2] + 5}));
        EXPECT_EQ(set.GetIterator(nullptr), ZT_E_INVALIDARG);
    }
    EXPECT_EQ(pool.Counts(), before);
}

TEST(ObjectContainerFilling, AppendingToItselfAppendsOnce) {
    ObjectPool pool(2);
    CZtObjectCollection collection;
    CZtObjectList list;
    CZtObjectSet set;
    for (int i = 0; i < 2; ++i) {
        collection.PushBack(pool[i]);
        list.PushBack(pool[i]);
        set.Insert(pool[i]);
    }
    collection.PushBackElements(collection);
    collection.PushBackElements(static_cast<const IZtObjectCollection*>(&collection));
    list.PushBackElements(list);
    list.PushBackElements(static_cast<const IZtObjectEnum*>(&list));
    set.InsertElements(set);
    set.InsertElements(static_cast<const IZtObjectEnum*>(&set));
    EXPECT_EQ(ItemsOf(collection),
              (Items{pool[0], pool[1], pool[0], pool[1], pool[0], pool[1], pool[0], pool[1]}));
    EXPECT_EQ(ItemsOf(list), ItemsOf(collection));
    EXPECT_EQ(pool.Counts(), (Counts{10, 10}));
    // Assigning a container to itself keeps it.
    collection = collection;
    list = static_cast<const IZtObjectEnum*>(&list);
    set = set;
    EXPECT_EQ(pool.Counts(), (Counts{10, 10}));
}

TEST(ObjectContainerFilling, AssignmentFromAContainerOnlyItsElementHolds) {
    ObjectPool pool(1);
    CZtObjectCollection collection;
    auto* list = new CZtObjectList;
    list->PushBack(pool[0]);
    collection.PushBack(list);
    list->Release();  // now alive only as the collection's element
    collection = static_cast<const IZtObjectEnum*>(list);
    EXPECT_EQ(ItemsOf(collection), (Items{pool[0]}));
    EXPECT_EQ(pool.Counts(), (Counts{2}));  // the list is gone
}

// ---------------------------------------------------------------------------
// QueryInterface

TEST(ObjectContainerQueryInterface, AnswersItsInterfacesOnly) {
    CZtObjectCollection collection;
    CZtObjectList list;
    CZtObjectSet set;
    CZtIntObjectMap ints;
    CZtVariantObjectMap variants;
    CZtCoPtr<IZtObjectEnumIterator> listIt, setIt;
    CZtCoPtr<IZtIntObjectMapIterator> intIt;
    CZtCoPtr<IZtVariantObjectMapIterator> variantIt;
    list.GetIterator(&listIt);
    set.GetIterator(&setIt);
    ints.GetIterator(&intIt);
    variants.GetIterator(&variantIt);

    const CZtGUID* const iids[] = {&IID_IZtUnknown,          &IID_IZtComponent,
                                   &IID_IZtIteratorBase,     &IID_IZtObjectCollection,
                                   &IID_IZtObjectEnum,       &IID_IZtObjectEnumIterator,
                                   &IID_IZtIntObjectMap,     &IID_IZtIntObjectMapIterator,
                                   &IID_IZtVariantObjectMap, &IID_IZtVariantObjectMapIterator};
    struct Case {
        const char* name;
        IZtUnknown* object;
        std::vector<const CZtGUID*> answers;
    };
    const Case cases[] = {
        {"collection", &collection, {&IID_IZtUnknown, &IID_IZtObjectCollection}},
        {"list", &list, {&IID_IZtUnknown, &IID_IZtObjectEnum}},
        {"set", &set, {&IID_IZtUnknown, &IID_IZtObjectEnum}},
        {"int map", &ints, {&IID_IZtUnknown, &IID_IZtIntObjectMap}},
        {"variant map", &variants, {&IID_IZtUnknown, &IID_IZtVariantObjectMap}},
        {"list iterator",
         listIt,
         {&IID_IZtUnknown, &IID_IZtIteratorBase, &IID_IZtObjectEnumIterator}},
        {"set iterator",
         setIt,
         {&IID_IZtUnknown, &IID_IZtIteratorBase, &IID_IZtObjectEnumIterator}},
        {"int map iterator",
         intIt,
         {&IID_IZtUnknown, &IID_IZtIteratorBase, &IID_IZtIntObjectMapIterator}},
        {"variant map iterator",
         variantIt,
         {&IID_IZtUnknown, &IID_IZtIteratorBase, &IID_IZtVariantObjectMapIterator}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.object->QueryInterface(IID_IZtUnknown, nullptr), ZT_E_POINTER);
        const int count = c.object->AddRef() - 1;  // the iterators hold their containers
        c.object->Release();
        for (const CZtGUID* iid : iids) {
            const bool answers =
                std::find(c.answers.begin(), c.answers.end(), iid) != c.answers.end();
            IZtUnknown* out = c.object;
            EXPECT_EQ(c.object->QueryInterface(*iid, &out), answers ? ZT_S_OK : ZT_E_NOINTERFACE);
            EXPECT_EQ(out, answers ? c.object : nullptr);
            if (answers) {
                EXPECT_EQ(out->Release(), count);  // the reference QueryInterface added
            }
        }
    }
}

}  // namespace
