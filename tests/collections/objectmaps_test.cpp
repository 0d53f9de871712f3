// The object maps: replacing values and their counts, lookups, iterators,
// filling, and which variant keys find each other.
#include <zotrel/objectcollections.h>

#include <zotrel/blob.h>
#include <zotrel/chromid.h>
#include <zotrel/dataarray.h>
#include <zotrel/guid.h>
#include <zotrel/map.h>
#include <zotrel/string.h>
#include <zotrel/time.h>
#include <zotrel/variant.h>

#include <gtest/gtest.h>

#include <QByteArray>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "collections/objectcollections_test_util.h"

namespace {

using namespace Varn;
using zotrel_test::Drop;
using zotrel_test::ObjectPool;
using zotrel_test::Record;
using zotrel_test::RefTo;
using Counts = std::vector<int>;

template <class Map>
unsigned int CountOf(const Map* map) {
    unsigned int count = 0;
    EXPECT_EQ(map->GetCount(&count), ZT_S_OK);
    return count;
}

// The value under `key`; the reference it came with is given back.
IZtUnknown* ValueOf(const CZtIntObjectMap& map, int key) {
    IZtUnknown* value = nullptr;
    EXPECT_EQ(map.GetValue(&key, &value), ZT_S_OK);
    return Drop(value);
}

TEST(IntObjectMap, ReplacesValuesAndCountsEveryReference) {
    ObjectPool pool(2);
    {
        CZtIntObjectMap map;
        IZtUnknown* value = pool[1];
        const int five = 5;
        EXPECT_EQ(map.GetValue(&five, &value), ZT_E_NOTFOUND);  // no storage yet
        map.Insert(5, pool[0]);
        map.Insert(5, pool[1]);
        EXPECT_EQ(CountOf(&map), 1u);
        EXPECT_EQ(pool.Counts(), (Counts{1, 2}));
        EXPECT_EQ(map.GetValue(&five, &value), ZT_S_OK);
        EXPECT_EQ(value, pool[1]);
        EXPECT_EQ(pool.Counts(), (Counts{1, 3}));
        value->Release();

        // The very object a key holds, inserted again, is not counted again.
        const zotrel_test::Tally before = pool.tally;
        map.Insert(5, pool[1]);
        EXPECT_EQ(pool.tally.addRefs, before.addRefs);
        EXPECT_EQ(pool.tally.releases, before.releases);

        map.Insert(7, nullptr);
        EXPECT_EQ(CountOf(&map), 2u);
        EXPECT_EQ(ValueOf(map, 7), nullptr);
        const int absent = 8;
        value = pool[0];
        EXPECT_EQ(map.GetValue(&absent, &value), ZT_E_NOTFOUND);
        EXPECT_EQ(value, pool[0]);
        EXPECT_EQ(map.GetValue(nullptr, &value), ZT_E_INVALIDARG);
        EXPECT_EQ(map.GetValue(&five, nullptr), ZT_E_INVALIDARG);
        EXPECT_EQ(map.GetCount(nullptr), ZT_E_INVALIDARG);
        EXPECT_EQ(map.GetIterator(nullptr), ZT_E_INVALIDARG);

        map.Remove(5);
        map.Remove(5);
        EXPECT_EQ(CountOf(&map), 1u);
        EXPECT_EQ(pool.Counts(), pool.Untouched());
        map.Insert(-1, pool[0]);  // given back by the destructor
    }
    EXPECT_EQ(pool.Counts(), pool.Untouched());
}

TEST(IntObjectMap, IteratorWalksEveryEntryBothWays) {
    ObjectPool pool(3);
    CZtIntObjectMap map;
    for (int i = 0; i < 3; ++i)
        map.Insert(10 * i, pool[i]);
    CZtCoPtr<IZtIntObjectMapIterator> it;
    ASSERT_EQ(map.GetIterator(&it), ZT_S_OK);
    std::vector<int> forward, backward;
    bool ok = false;
    for (it->First(&ok); ok; it->Next(&ok)) {
        int key = -1;
        IZtUnknown* value = nullptr;
        EXPECT_EQ(it->GetItem(&key, &value), ZT_S_OK);
        EXPECT_EQ(Drop(value), pool[key / 10]);
        forward.push_back(key);
    }
    EXPECT_EQ(std::set<int>(forward.begin(), forward.end()), (std::set<int>{0, 10, 20}));
    EXPECT_EQ(it->GetItem(nullptr, nullptr), ZT_E_NOTFOUND);  // past the end
    for (it->Last(&ok); ok; it->Previous(&ok)) {
        int key = -1;
        EXPECT_EQ(it->GetItem(&key, nullptr), ZT_S_OK);
        backward.insert(backward.begin(), key);
    }
    EXPECT_EQ(backward, forward);
    it->First(nullptr);
    EXPECT_EQ(it->GetItem(nullptr, nullptr), ZT_S_OK);

    map.Insert(0, pool[0]);  // the same object: no change, the iterator goes on
    EXPECT_EQ(it->GetItem(nullptr, nullptr), ZT_S_OK);
    map.Insert(0, pool[1]);
    EXPECT_EQ(it->GetItem(nullptr, nullptr), ZT_E_NOTFOUND);
    bool again = true;
    it->First(&again);
    EXPECT_FALSE(again);
    EXPECT_EQ(pool.Counts(), (Counts{1, 3, 2}));
}

TEST(ObjectMapIterators, StopAfterTheMapChanges) {
    struct Case {
        const char* name;
        std::function<void(CZtIntObjectMap&, CZtVariantObjectMap&, int)> change;
    };
    const Case cases[] = {
        {"Insert",
         [](auto& m, auto& v, int i) {
             m.Insert(i, nullptr);
             v.Insert(i, nullptr);
         }},
        {"Remove",
         [](auto& m, auto& v, int i) {
             m.Remove(i - 40);
             v.Remove(i - 40);
         }},
        {"Clear",
         [](auto& m, auto& v, int) {
             m.Clear();
             v.Clear();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ObjectPool pool(1);
        auto* ints = new CZtIntObjectMap;
        auto* variants = new CZtVariantObjectMap;
        for (int i = 0; i < 40; ++i) {
            ints->Insert(i, pool[0]);
            variants->Insert(i, pool[0]);
        }
        CZtCoPtr<IZtIntObjectMapIterator> intIt;
        CZtCoPtr<IZtVariantObjectMapIterator> variantIt;
        ints->GetIterator(&intIt);
        variants->GetIterator(&variantIt);
        for (int i = 40; i < 80; ++i)  // enough to make the hashes grow
            c.change(*ints, *variants, i);
        ints->Release();
        variants->Release();
        IZtIteratorBase* its[] = {intIt, variantIt};
        for (IZtIteratorBase* it : its) {
            bool ok = true;
            it->Last(&ok);
            EXPECT_FALSE(ok);
            it->Next(&ok);
            EXPECT_FALSE(ok);
        }
        EXPECT_EQ(intIt->GetItem(nullptr, nullptr), ZT_E_NOTFOUND);
        EXPECT_EQ(variantIt->GetItem(nullptr, nullptr), ZT_E_NOTFOUND);
    }
}

TEST(ObjectMaps, FillFromMapsOfBothKinds) {
    ObjectPool pool(2);
    auto* source = new CZtIntObjectMap;
    source->Insert(1, pool[0]);
    source->Insert(2, pool[1]);
    CZtIntObjectMap copy(*source);
    CZtIntObjectMap viaInterface(static_cast<const IZtIntObjectMap*>(source));
    viaInterface.InsertElements(viaInterface);  // itself: nothing to add
    viaInterface.InsertElements(static_cast<const IZtIntObjectMap*>(&viaInterface));
    CZtVariantObjectMap variants;
    variants.Insert(CZtVariant(L"replaced"), pool[1]);
    variants = static_cast<const IZtIntObjectMap*>(source);
    EXPECT_EQ(pool.Counts(), (Counts{5, 5}));
    source->Release();
    EXPECT_EQ(ValueOf(copy, 2), pool[1]);
    EXPECT_EQ(ValueOf(viaInterface, 1), pool[0]);
    EXPECT_EQ(CountOf(&viaInterface), 2u);

    // Integer keys became ZT_VT_I4 variants.
    IZtUnknown* value = nullptr;
    const CZtVariant one(1), oneUnsigned(1u), two(2);
    EXPECT_EQ(variants.GetValue(&one, &value), ZT_S_OK);
    EXPECT_EQ(Drop(value), pool[0]);
    EXPECT_EQ(variants.GetValue(&two, &value), ZT_S_OK);
    EXPECT_EQ(Drop(value), pool[1]);
    EXPECT_EQ(variants.GetValue(&oneUnsigned, &value), ZT_E_NOTFOUND);
    EXPECT_EQ(CountOf(&variants), 2u);

    // Text keys are copied: they outlive the map they came from.
    auto* texts = new CZtVariantObjectMap;
    texts->Insert(CZtVariant(L"pump"), pool[0]);
    CZtVariantObjectMap textCopy(static_cast<const IZtVariantObjectMap*>(texts));
    texts->Release();
    const CZtVariant pump(L"pump");
    EXPECT_EQ(textCopy.GetValue(&pump, &value), ZT_S_OK);
    EXPECT_EQ(Drop(value), pool[0]);

    // The iterator hands out the stored key record, borrowed.
    CZtCoPtr<IZtVariantObjectMapIterator> it;
    textCopy.GetIterator(&it);
    tagZTVARIANT key;
    ZtVariantInit(&key);
    EXPECT_EQ(it->GetItem(&key, nullptr), ZT_S_OK);
    EXPECT_TRUE(pump == key);
    textCopy = textCopy;
    textCopy = static_cast<const IZtVariantObjectMap*>(&textCopy);
    textCopy.InsertElements(static_cast<const IZtVariantObjectMap*>(&textCopy));
    EXPECT_EQ(CountOf(&textCopy), 1u);
    EXPECT_EQ(textCopy.GetValue(nullptr, &value), ZT_E_INVALIDARG);
    EXPECT_EQ(textCopy.GetIterator(nullptr), ZT_E_INVALIDARG);

    // Copies and assignments between maps of one kind: the old entries go,
    // and each value gains one reference per map holding it.
    // The pool's own, copy, viaInterface and variants; pool[0] also textCopy.
    EXPECT_EQ(pool.Counts(), (Counts{5, 4}));
    CZtIntObjectMap assigned;
    assigned.Insert(9, pool[1]);
    assigned = copy;
    EXPECT_EQ(CountOf(&assigned), 2u);
    EXPECT_EQ(ValueOf(assigned, 1), pool[0]);
    const int nine = 9;
    EXPECT_EQ(assigned.GetValue(&nine, &value), ZT_E_NOTFOUND);
    CZtVariantObjectMap variantCopy(variants);
    variantCopy.InsertElements(variantCopy);  // itself: nothing to add
    EXPECT_EQ(CountOf(&variantCopy), 2u);
    EXPECT_EQ(variantCopy.GetValue(&two, &value), ZT_S_OK);
    EXPECT_EQ(Drop(value), pool[1]);
    variantCopy = textCopy;
    EXPECT_EQ(CountOf(&variantCopy), 1u);
    EXPECT_EQ(variantCopy.GetValue(&pump, &value), ZT_S_OK);
    EXPECT_EQ(Drop(value), pool[0]);
    EXPECT_EQ(pool.Counts(), (Counts{7, 5}));  // assigned holds both, variantCopy pool[0]
}

TEST(ObjectMaps, ContainersTakeTheValuesInTheIteratorsOrder) {
    ObjectPool pool(3);
    CZtIntObjectMap map;
    for (int i = 0; i < 3; ++i)
        map.Insert(100 + i, pool[i]);
    zotrel_test::Items order;
    CZtCoPtr<IZtIntObjectMapIterator> it;
    map.GetIterator(&it);
    bool ok = false;
    for (it->First(&ok); ok; it->Next(&ok)) {
        IZtUnknown* value = nullptr;
        it->GetItem(nullptr, &value);
        order.push_back(Drop(value));
    }
    const CZtObjectList list(static_cast<const IZtIntObjectMap*>(&map));
    const CZtObjectCollection collection(static_cast<const IZtIntObjectMap*>(&map));
    EXPECT_EQ(zotrel_test::ItemsOf(list), order);
    EXPECT_EQ(zotrel_test::ItemsOf(collection), order);
}

// ---------------------------------------------------------------------------
// Variant keys

CZtVariant TextChromid(const wchar_t* text) {
    tagZTCHROMID id;
    ZTCHROMIDInit(&id);
    id.dataType = ZT_CHROMID_TEXT;
    id.text = CZtString(text).AllocString();
    CZtVariant v(id);
    ZTCHROMIDClear(&id);
    return v;
}

CZtVariant IntArray(std::vector<int> values) {
    tagDATAARRAYBOUND bound = {static_cast<unsigned int>(values.size()), 0};
    tagDATAARRAY* array = ZtDataArrayCreate(ZT_VT_I4, 1, &bound);
    for (int i = 0; i < static_cast<int>(values.size()); ++i)
        ZtDataArrayPutElement(array, &i, &values[i]);
    CZtVariant v(*array);
    ZtDataArrayDestroy(array);
    return v;
}

CZtVariant MapOf(int value) {
    CZtMap map;
    map.Add(L"level", CZtVariant(value));
    return CZtVariant(map);
}

TEST(VariantObjectMapKeys, FoundExactlyWhenVariantEqualityHolds) {
    // Storage that by-reference keys point at.
    double zero = 0.0, minusZero = -0.0;
    float zeroF = 0.0f, minusZeroF = -0.0f;
    int seven = 7, otherSeven = 7;
    CZtString* textA = CZtString(L"abc").AllocString();
    CZtString* textB = CZtString(L"abc").AllocString();
    const CZtVariant recordA(L"x"), recordB(L"x");
    const long long stamp = 133000000000000000LL;
    const CZtGUID guid("B040EE6B-4A59-426D-91C8-4A8012F67D60");
    ObjectPool pool(3);
    {
        struct Case {
            const char* name;
            CZtVariant stored;
            CZtVariant given;
            bool found;
        };
        const Case cases[] = {
            // numbers
            {"BOOL", Record(ZT_VT_BOOL, static_cast<unsigned char>(1)),
             Record(ZT_VT_BOOL, static_cast<unsigned char>(1)), true},
            {"I1 differs", CZtVariant(static_cast<signed char>(1)),
             CZtVariant(static_cast<signed char>(2)), false},
            {"I2", CZtVariant(static_cast<short>(-3)), CZtVariant(static_cast<short>(-3)), true},
            {"WORD", Record(ZT_VT_WORD, static_cast<unsigned short>(9)),
             Record(ZT_VT_WORD, static_cast<unsigned short>(9)), true},
            {"I4", CZtVariant(42), CZtVariant(42), true},
            {"I4 and UI4", CZtVariant(1), CZtVariant(1u), false},
            {"I4 and I8", CZtVariant(1), CZtVariant(1LL), false},
            {"I8", CZtVariant(1LL << 40), CZtVariant(1LL << 40), true},
            {"QWORD", Record(ZT_VT_QWORD, 5ull << 33), Record(ZT_VT_QWORD, 5ull << 33), true},
            {"R4", CZtVariant(1.5f), CZtVariant(1.5f), true},
            {"R8", CZtVariant(2.25), CZtVariant(2.25), true},
            {"R8 0 and -0 by value", CZtVariant(0.0), CZtVariant(-0.0), false},
            {"R8 0 and -0 by reference", RefTo(ZT_VT_R8, &zero), RefTo(ZT_VT_R8, &minusZero), true},
            {"R4 0 and -0 by reference", RefTo(ZT_VT_R4, &zeroF), RefTo(ZT_VT_R4, &minusZeroF),
             true},
            {"I4 by reference", RefTo(ZT_VT_I4, &seven), RefTo(ZT_VT_I4, &otherSeven), true},
            {"I4 by reference and by value", RefTo(ZT_VT_I4, &seven), CZtVariant(7), false},
            {"RAW32", Record(ZT_VT_RAW32, 3u), Record(ZT_VT_RAW32, 3u), true},
            // text and bytes
            {"string", CZtVariant(L"abc"), CZtVariant(L"abc"), true},
            {"string case", CZtVariant(L"abc"), CZtVariant(L"ABC"), false},
            {"empty string", CZtVariant(L""), CZtVariant(L""), true},
            {"string by reference", RefTo(ZT_VT_STRING, &textA), RefTo(ZT_VT_STRING, &textB), true},
            {"string by value and by reference", CZtVariant(L"abc"), RefTo(ZT_VT_STRING, &textB),
             false},
            {"blob", CZtVariant(CZtBlob(QByteArray("xy"))), CZtVariant(CZtBlob(QByteArray("xy"))),
             true},
            {"blob differs", CZtVariant(CZtBlob(QByteArray("xy"))),
             CZtVariant(CZtBlob(QByteArray("xz"))), false},
            // time
            {"time", CZtVariant(CZtTime(stamp)), CZtVariant(CZtTime(stamp)), true},
            {"time differs", CZtVariant(CZtTime(stamp)), CZtVariant(CZtTime(stamp + 1)), false},
            {"time span", CZtVariant(CZtTimeSpan(600000000LL)),
             CZtVariant(CZtTimeSpan(600000000LL)), true},
            // identifiers
            {"GUID", CZtVariant(static_cast<const tagZTGUID&>(guid)),
             CZtVariant(static_cast<const tagZTGUID&>(guid)), true},
            {"CHROMID numeric", CZtVariant(CZtCHROMID(1, 2, 3, 4, 5, 6)),
             CZtVariant(CZtCHROMID(1, 2, 3, 4, 5, 6)), true},
            {"CHROMID numeric and its text form", CZtVariant(CZtCHROMID(1, 2, 3, 4, 5, 6)),
             TextChromid(L"1.2.3.4.5.6"), true},
            {"CHROMID text form and numeric", TextChromid(L"1.2.3.4.5.6"),
             CZtVariant(CZtCHROMID(1, 2, 3, 4, 5, 6)), true},
            {"CHROMID text", TextChromid(L"Plant/Pump"), TextChromid(L"Plant/Pump"), true},
            {"CHROMID cleared and numeric zero", CZtVariant(tagZTCHROMID{}),
             CZtVariant(CZtCHROMID(0, 0, 0, 0, 0, 0)), true},
            {"CHROMID differs", CZtVariant(CZtCHROMID(1, 2, 3, 4, 5, 6)),
             CZtVariant(CZtCHROMID(1, 2, 3, 4, 5, 7)), false},
            // interfaces equal no key, themselves included
            {"interface", CZtVariant(pool[0]), CZtVariant(pool[0]), false},
            // maps, arrays, references to records, empty records
            {"map", MapOf(1), MapOf(1), true},
            {"map differs", MapOf(1), MapOf(2), false},
            {"array", IntArray({1, 2, 3}), IntArray({1, 2, 3}), true},
            {"array differs", IntArray({1, 2, 3}), IntArray({1, 2, 4}), false},
            {"record by reference", RefTo(ZT_VT_VARIANT, &recordA), RefTo(ZT_VT_VARIANT, &recordB),
             true},
            {"empty with payload bytes", CZtVariant(), Record(ZT_VT_EMPTY, 0x5Au), true},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            CZtVariantObjectMap map;
            map.Insert(c.stored, pool[1]);
            IZtUnknown* value = nullptr;
            EXPECT_EQ(map.GetValue(&c.given, &value), c.found ? ZT_S_OK : ZT_E_NOTFOUND);
            EXPECT_EQ(Drop(value), c.found ? pool[1] : nullptr);
            map.Insert(c.given, pool[2]);
            EXPECT_EQ(CountOf(&map), c.found ? 1u : 2u);
            // Every key but an interface finds itself.
            map.Remove(c.given);
            const bool findsItself = c.given.vartype != ZT_VT_UNKNOWN;
            EXPECT_EQ(CountOf(&map), c.found ? 0u : findsItself ? 1u : 2u);
        }
    }
    EXPECT_EQ(pool.Counts(), pool.Untouched());
    CZtString::DestroyString(textA);
    CZtString::DestroyString(textB);
}

TEST(VariantObjectMapKeys, InterfaceKeysAddAnEntryEachTime) {
    ObjectPool pool(2);
    CZtVariantObjectMap map;
    const CZtVariant key(pool[0]);
    map.Insert(key, pool[1]);
    map.Insert(key, pool[1]);
    map.Remove(key);
    EXPECT_EQ(CountOf(&map), 2u);
    EXPECT_EQ(pool.Counts(), (Counts{4, 3}));  // the keys hold their interface too
    map.Clear();
    EXPECT_EQ(pool.Counts(), (Counts{2, 1}));
}

TEST(VariantObjectMapKeys, ManyTextKeysFoundAfterGrowthAndRemoval) {
    ObjectPool pool(1);
    CZtVariantObjectMap map;
    for (int i = 0; i < 1000; ++i)
        map.Insert(CZtVariant(("key" + std::to_string(i)).c_str()), pool[0]);
    for (int i = 0; i < 1000; i += 2)
        map.Remove(CZtVariant(("key" + std::to_string(i)).c_str()));
    EXPECT_EQ(CountOf(&map), 500u);
    for (int i = 0; i < 1000; ++i) {
        const CZtVariant key(("key" + std::to_string(i)).c_str());
        IZtUnknown* value = nullptr;
        EXPECT_EQ(map.GetValue(&key, &value), i % 2 ? ZT_S_OK : ZT_E_NOTFOUND) << i;
        Drop(value);
    }
    EXPECT_EQ(pool.Counts(), (Counts{501}));
}

}  // namespace
