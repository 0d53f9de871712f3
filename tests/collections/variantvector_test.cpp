// CZtVector: values in and out, freezing, ownership of what the elements
// hold, appending whole collections, and the C functions' results.
#include <zotrel/objectcollections.h>

#include <zotrel/blob.h>
#include <zotrel/chromid.h>
#include <zotrel/dataarray.h>
#include <zotrel/string.h>
#include <zotrel/time.h>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <climits>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// AddressSanitizer ends the process when an allocation fails, where the
// plain allocator throws std::bad_alloc.
#if defined(__SANITIZE_ADDRESS__)
#define ZOTREL_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZOTREL_TEST_ASAN 1
#endif
#endif

namespace {

using Varn::CZtVariant;
using Varn::CZtVector;
using Varn::IZtUnknown;
using Varn::IZtVariantCollection;
using Varn::IZtVariantCollectionMut;
using Varn::tagZTVARIANT;

constexpr unsigned int kOk = 0;
constexpr unsigned int kFail = 0x80000000u;
constexpr unsigned int kInvalidArg = 0x80000004u;
constexpr unsigned int kReadOnly = 0x80000005u;
constexpr unsigned int kNullPointer = 0x80402006u;

// ---------------------------------------------------------------------------
// Helpers

/// Releases the creator's reference when the test is done with a vector.
struct Releaser {
    void operator()(const Varn::IZtReferenced* object) const { object->Release(); }
};
using VectorPtr = std::unique_ptr<CZtVector, Releaser>;

VectorPtr NewVector() {
    return VectorPtr(new CZtVector());
}

/// What happened to the counting objects that share one tally.
struct Tally {
    int addRefs = 0;
    int releases = 0;
    int destroyed = 0;
};

/// An interface object that counts its references in a tally and can run a
/// piece of code when it is destroyed (to call back into a vector).
class CountingObject final : public IZtUnknown {
public:
    explicit CountingObject(Tally& tally, std::function<void()> onDestroy = {})
        : m_tally(tally), m_onDestroy(std::move(onDestroy)) {}
    int AddRef() const override {
        ++m_tally.addRefs;
        return ++m_count;
    }
    int Release() const override {
        ++m_tally.releases;
        const int count = --m_count;
        if (count == 0)
            delete this;
        return count;
    }
    unsigned int QueryInterface(const Varn::tagZTGUID&, IZtUnknown** out) override {
        if (!out)
            return Varn::ZT_E_POINTER;
        *out = nullptr;
        return Varn::ZT_E_NOINTERFACE;
    }
    int Count() const { return m_count; }

private:
    ~CountingObject() {
        ++m_tally.destroyed;
        if (m_onDestroy)
            m_onDestroy();
    }
    Tally& m_tally;
    std::function<void()> m_onDestroy;
    mutable int m_count = 1;
};

/// A record of `type` whose payload starts with `value`, the rest zero, as a
/// C caller fills one by hand.
template <class T>
CZtVariant Record(unsigned short type, const T& value) {
    CZtVariant v;
    v.vartype = type;
    std::memcpy(static_cast<void*>(&v.data), &value, sizeof(T));
    return v;
}

/// A short description of a record, for comparing whole contents.
std::string Describe(const tagZTVARIANT& v) {
    switch (v.vartype) {
        case Varn::ZT_VT_EMPTY:
            return "empty";
        case Varn::ZT_VT_I4:
            return std::to_string(v.data.i4Val);
        case Varn::ZT_VT_STRING:
            return v.data.pString ? std::string("'") + v.data.pString->c_str() + "'" : "<null>";
        default:
            return "type " + std::to_string(v.vartype);
    }
}

/// Every element of a collection, read through its interface.
std::vector<std::string> Contents(const IZtVariantCollection& c) {
    unsigned int count = 0;
    EXPECT_EQ(c.GetCount(count), kOk);
    std::vector<std::string> out;
    for (unsigned int i = 0; i < count; ++i) {
        CZtVariant item;
        EXPECT_EQ(c.GetItem(i, &item), kOk) << "element " << i;
        out.push_back(Describe(item));
    }
    return out;
}

unsigned int Count(const IZtVariantCollection& c) {
    unsigned int count = 12345;
    EXPECT_EQ(c.GetCount(count), kOk);
    return count;
}

unsigned int Push(IZtVariantCollectionMut& c, const CZtVariant& value) {
    CZtVariant copy(value);
    return c.PushBack(static_cast<tagZTVARIANT*>(&copy));
}

/// [1, 'two', 3]
VectorPtr Sample() {
    VectorPtr v = NewVector();
    Push(*v, CZtVariant(1));
    Push(*v, CZtVariant("two"));
    Push(*v, CZtVariant(3));
    return v;
}

const std::vector<std::string> kSample = {"1", "'two'", "3"};

// ---------------------------------------------------------------------------
// A new vector

TEST(VariantVector, NewVectorIsEmptyAndHasNoFirstElement) {
    VectorPtr v = NewVector();
    EXPECT_EQ(Count(*v), 0u);
    CZtVariant item(L"kept");
    EXPECT_EQ(v->GetItem(0, &item), kFail);
    EXPECT_EQ(Describe(item), "'kept'");  // a failed read leaves the record alone
    EXPECT_EQ(v->GetItem(0, nullptr), kInvalidArg);
}

TEST(VariantVector, ReferenceCountStartsAtOneAndReleaseAtZeroDestroys) {
    Tally tally;
    CZtVector* v = new CZtVector();
    CZtVariant held(static_cast<IZtUnknown*>(new CountingObject(tally)));
    static_cast<IZtUnknown*>(held)->Release();  // `held` keeps the only reference
    v->PushBack(static_cast<tagZTVARIANT*>(&held));
    held.Clear();
    EXPECT_EQ(v->AddRef(), 2);
    EXPECT_EQ(v->Release(), 1);
    EXPECT_EQ(tally.destroyed, 0);
    EXPECT_EQ(v->Release(), 0);  // destroys the vector and releases its element
    EXPECT_EQ(tally.destroyed, 1);
}

// ---------------------------------------------------------------------------
// Values in and out

// Values held in place: the element and every copy read back are the same
// 48 bytes as the record pushed.
TEST(VariantVector, InPlaceValuesComeBackBitForBit) {
    const Varn::tagZTGUID guid = {
        0xB040EE6Bu, 0x4A59, 0x426D, {0x91, 0xC8, 0x4A, 0x80, 0x12, 0xF6, 0x7D, 0x60}};
    const struct Case {
        const char* name;
        CZtVariant value;
    } cases[] = {
        {"bool", Record(Varn::ZT_VT_BOOL, static_cast<unsigned char>(1))},
        {"i1 min", CZtVariant(static_cast<signed char>(-128))},
        {"i2 min", CZtVariant(static_cast<short>(SHRT_MIN))},
        {"i4 min", CZtVariant(INT_MIN)},
        {"i8 min", CZtVariant(LLONG_MIN)},
        {"ui1 max", CZtVariant(static_cast<unsigned char>(255))},
        {"ui2 max", CZtVariant(static_cast<unsigned short>(65535))},
        {"ui4 max", CZtVariant(UINT_MAX)},
        {"ui8 max", CZtVariant(ULLONG_MAX)},
        {"r4 negative zero", CZtVariant(-0.0f)},
        {"r8 nan", CZtVariant(std::numeric_limits<double>::quiet_NaN())},
        {"r8 smallest", CZtVariant(std::numeric_limits<double>::denorm_min())},
        {"byte", Record(Varn::ZT_VT_BYTE, static_cast<unsigned char>(0xA5))},
        {"word", Record(Varn::ZT_VT_WORD, static_cast<unsigned short>(0xBEEF))},
        {"dword", Record(Varn::ZT_VT_DWORD, 0xDEADBEEFu)},
        {"qword", Record(Varn::ZT_VT_QWORD, 0x0123456789ABCDEFull)},
        {"raw32", Record(Varn::ZT_VT_RAW32, 0xFFFFFFFFu)},
        {"raw64", Record(Varn::ZT_VT_RAW64, 0x8000000000000001ull)},
        {"guid", Record(Varn::ZT_VT_GUID, guid)},
    };
    VectorPtr v = NewVector();
    for (const Case& c : cases)
        ASSERT_EQ(Push(*v, c.value), kOk) << c.name;
    ASSERT_EQ(Count(*v), std::size(cases));
    for (unsigned int i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        CZtVariant out;
        ASSERT_EQ(v->GetItem(i, &out), kOk);
        EXPECT_EQ(out.vartype, cases[i].value.vartype);
        EXPECT_EQ(std::memcmp(&out, &cases[i].value, sizeof(tagZTVARIANT)), 0);
    }
}

// Values the record owns: each copy has an object of its own with the same
// contents.
TEST(VariantVector, OwnedValuesComeBackAsEqualIndependentCopies) {
    const struct Case {
        const char* name;
        CZtVariant value;
    } cases[] = {
        {"string", CZtVariant(L"Gr\u00FC\u00DFe \u20AC")},
        {"empty string", CZtVariant(Varn::CZtString(""))},
        {"blob", CZtVariant(Varn::CZtBlob("\x01\x02\x03"))},
        {"timespan", CZtVariant(Varn::CZtTimeSpan(-123456789LL))},
        {"chromid text",
         CZtVariant(static_cast<const Varn::tagZTCHROMID&>(Varn::CZtCHROMID("plant.unit.tag")))},
        {"chromid numbers",
         CZtVariant(static_cast<const Varn::tagZTCHROMID&>(Varn::CZtCHROMID(1, 2, 3, 4, 5, 6)))},
    };
    VectorPtr v = NewVector();
    for (const Case& c : cases)
        ASSERT_EQ(Push(*v, c.value), kOk) << c.name;
    for (unsigned int i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        CZtVariant first;
        CZtVariant second;
        ASSERT_EQ(v->GetItem(i, &first), kOk);
        ASSERT_EQ(v->GetItem(i, &second), kOk);
        EXPECT_EQ(first.vartype, cases[i].value.vartype);
        EXPECT_TRUE(first == cases[i].value);
        EXPECT_TRUE(second == cases[i].value);
        if (cases[i].value.vartype != Varn::ZT_VT_CHROMID) {
            // Two reads give two objects, neither of them the pushed one.
            EXPECT_NE(first.data.pString, cases[i].value.data.pString);
            EXPECT_NE(first.data.pString, second.data.pString);
        }
    }
}

TEST(VariantVector, StringsInAndOutAreCopiesTheCallerCanChange) {
    VectorPtr v = NewVector();
    CZtVariant record(L"kept");
    ASSERT_EQ(v->PushBack(static_cast<tagZTVARIANT*>(&record)), kOk);
    *record.data.pString = Varn::CZtString("changed in place");
    record = L"replaced";
    CZtVariant out(L"the caller's old value");  // released by GetItem (ASan would see a leak)
    ASSERT_EQ(v->GetItem(0, &out), kOk);
    EXPECT_EQ(Describe(out), "'kept'");
    *out.data.pString = Varn::CZtString("changed");
    EXPECT_EQ(Contents(*v), std::vector<std::string>{"'kept'"});
}

TEST(VariantVector, EmptyRecordIsAnElementAndReadsBackEmpty) {
    VectorPtr v = NewVector();
    CZtVariant empty;
    ASSERT_EQ(v->PushBack(static_cast<tagZTVARIANT*>(&empty)), kOk);
    EXPECT_EQ(Count(*v), 1u);
    CZtVariant out(L"released");
    ASSERT_EQ(v->GetItem(0, &out), kOk);
    EXPECT_EQ(out.vartype, Varn::ZT_VT_EMPTY);
    Push(*v, CZtVariant(5));
    ASSERT_EQ(v->SetItem(1, &empty), kOk);
    EXPECT_EQ(Contents(*v), (std::vector<std::string>{"empty", "empty"}));
}

TEST(VariantVector, ByReferenceRecordIsStoredAsTheReference) {
    int target = 41;
    VectorPtr v = NewVector();
    CZtVariant ref =
        Record(static_cast<unsigned short>(Varn::ZT_VT_I4 | Varn::ZT_VT_BYREF), &target);
    ASSERT_EQ(v->PushBack(static_cast<tagZTVARIANT*>(&ref)), kOk);
    target = 42;
    CZtVariant out;
    ASSERT_EQ(v->GetItem(0, &out), kOk);
    EXPECT_EQ(out.vartype, Varn::ZT_VT_I4 | Varn::ZT_VT_BYREF);
    EXPECT_EQ(static_cast<int>(out), 42);
}

TEST(VariantVector, DataArrayElementIsADeepCopy) {
    Varn::tagDATAARRAYBOUND bound = {2, 0};
    Varn::tagDATAARRAY* array = Varn::ZtDataArrayCreate(Varn::ZT_VT_I4, 1, &bound);
    ASSERT_NE(array, nullptr);
    int index = 1;
    int value = 77;
    ASSERT_EQ(Varn::ZtDataArrayPutElement(array, &index, &value), kOk);
    CZtVariant record(*array);  // a registered copy of its own
    ASSERT_EQ(Varn::ZtDataArrayDestroy(array), kOk);

    VectorPtr v = NewVector();
    ASSERT_EQ(v->PushBack(static_cast<tagZTVARIANT*>(&record)), kOk);
    record.Clear();  // the vector's copy does not depend on the pushed one
    CZtVariant out;
    ASSERT_EQ(v->GetItem(0, &out), kOk);
    EXPECT_EQ(out.vartype, Varn::ZT_VT_I4 | Varn::ZT_VT_ARRAY);
    v.reset();  // the element's array goes; the copy read out stays
    int read = 0;
    ASSERT_EQ(Varn::ZtDataArrayGetElement(out.data.pArray, &index, &read), kOk);
    EXPECT_EQ(read, 77);
}

// Records that cannot be copied are refused and change nothing.
TEST(VariantVector, RecordsThatCannotBeCopiedAreRefused) {
    Varn::tagDATAARRAY notLive = {};
    const struct Case {
        const char* name;
        unsigned short vartype;
        void* payload;
    } cases[] = {
        {"unknown type code 14", 14, nullptr},
        {"type code above the table", 54, nullptr},
        {"reserved bit 0x1000", static_cast<unsigned short>(0x1000 | Varn::ZT_VT_I4), nullptr},
        {"array that is not live", static_cast<unsigned short>(Varn::ZT_VT_I4 | Varn::ZT_VT_ARRAY),
         &notLive},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VectorPtr v = Sample();
        // A raw record: nothing may try to release its payload.
        tagZTVARIANT bad;
        std::memset(static_cast<void*>(&bad), 0, sizeof(bad));
        bad.vartype = c.vartype;
        bad.data.byref = c.payload;
        EXPECT_EQ(v->PushBack(&bad), kFail);
        EXPECT_EQ(v->SetItem(1, &bad), kFail);
        EXPECT_EQ(Contents(*v), kSample);
    }
}

// ---------------------------------------------------------------------------
// Every changing operation, writable and frozen

TEST(VariantVector, FreezeMatrix) {
    const std::vector<std::string> kSampleTwice = {"1", "'two'", "3", "1", "'two'", "3"};
    const struct Case {
        const char* name;
        std::function<unsigned int(CZtVector&)> run;
        unsigned int writableResult;
        std::vector<std::string> writableContents;
        unsigned int frozenResult;
    } cases[] = {
        {"SetItem",
         [](CZtVector& v) {
             CZtVariant nine(9);
             return v.SetItem(1, &nine);
         },
         kOk,
         {"1", "9", "3"},
         kReadOnly},
        {"SetItem past the end",
         [](CZtVector& v) {
             CZtVariant nine(9);
             return v.SetItem(3, &nine);
         },
         kFail, kSample, kReadOnly},
        {"SetItem of null", [](CZtVector& v) { return v.SetItem(0, nullptr); }, kInvalidArg,
         kSample, kInvalidArg},
        {"Reserve", [](CZtVector& v) { return v.Reserve(1000); }, kOk, kSample, kReadOnly},
        {"Reserve below the count", [](CZtVector& v) { return v.Reserve(1); }, kOk, kSample,
         kReadOnly},
        {"PushBack of a record",
         [](CZtVector& v) { return Push(v, CZtVariant(4)); },
         kOk,
         {"1", "'two'", "3", "4"},
         kReadOnly},
        {"PushBack of a null record",
         [](CZtVector& v) { return v.PushBack(static_cast<tagZTVARIANT*>(nullptr)); }, kInvalidArg,
         kSample, kInvalidArg},
        {"PushBack of a collection",
         [](CZtVector& v) {
             VectorPtr source = NewVector();
             Push(*source, CZtVariant(7));
             Push(*source, CZtVariant(L"eight"));
             return v.PushBack(static_cast<IZtVariantCollection*>(source.get()));
         },
         kOk,
         {"1", "'two'", "3", "7", "'eight'"},
         kReadOnly},
        {"PushBack of itself",
         [](CZtVector& v) { return v.PushBack(static_cast<IZtVariantCollection*>(&v)); }, kOk,
         kSampleTwice, kReadOnly},
        {"PushBack of a null collection",
         [](CZtVector& v) { return v.PushBack(static_cast<IZtVariantCollection*>(nullptr)); },
         kInvalidArg, kSample, kInvalidArg},
        {"PopBack", [](CZtVector& v) { return v.PopBack(); }, kOk, {"1", "'two'"}, kReadOnly},
        {"Clear", [](CZtVector& v) { return v.Clear(); }, kOk, {}, kReadOnly},
        {"Freeze", [](CZtVector& v) { return v.Freeze(); }, kOk, kSample, kOk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VectorPtr writable = Sample();
        EXPECT_EQ(c.run(*writable), c.writableResult);
        EXPECT_EQ(Contents(*writable), c.writableContents);

        VectorPtr frozen = Sample();
        ASSERT_EQ(frozen->Freeze(), kOk);
        EXPECT_EQ(c.run(*frozen), c.frozenResult);
        EXPECT_EQ(Contents(*frozen), kSample);  // read operations keep working
    }
}

TEST(VariantVector, RemovingFromAnEmptyVectorChangesNothing) {
    VectorPtr v = NewVector();
    EXPECT_EQ(v->PopBack(), kOk);
    EXPECT_EQ(v->Clear(), kOk);
    EXPECT_EQ(Count(*v), 0u);
    Push(*v, CZtVariant(1));
    EXPECT_EQ(v->PopBack(), kOk);
    EXPECT_EQ(v->PopBack(), kOk);  // one past the last: nothing left to remove
    EXPECT_EQ(Count(*v), 0u);
    CZtVariant one(1);
    EXPECT_EQ(v->SetItem(0, &one), kFail);
    EXPECT_EQ(Count(*v), 0u);
}

TEST(VariantVector, ReserveBeyondMemoryFailsAndChangesNothing) {
#if defined(ZOTREL_TEST_ASAN)
    GTEST_SKIP() << "AddressSanitizer ends the process on a failed allocation";
#else
    // 2^32 - 1 elements need about 200 GB; with the address space capped at
    // 64 GiB the allocation fails whatever the machine's overcommit policy.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &saved), 0);
    rlimit capped = saved;
    const rlim_t cap = rlim_t{64} << 30;
    if (capped.rlim_cur == RLIM_INFINITY || capped.rlim_cur > cap)
        capped.rlim_cur = cap;
    VectorPtr v = Sample();
    ASSERT_EQ(setrlimit(RLIMIT_AS, &capped), 0);
    const unsigned int result = v->Reserve(UINT_MAX);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &saved), 0);
    EXPECT_EQ(result, kFail);
    EXPECT_EQ(Contents(*v), kSample);
    EXPECT_EQ(Push(*v, CZtVariant(4)), kOk);  // still usable
#endif
}

// ---------------------------------------------------------------------------
// Appending whole collections

/// A collection of another module: `count` I4 elements 0, 1, 2, ..., whose
/// `GetItem` fails at `failAt` with `failure`, or throws when `throws`.
class ForeignCollection final : public IZtVariantCollection {
public:
    ForeignCollection(unsigned int count, unsigned int countResult, unsigned int failAt,
                      unsigned int failure, bool throws)
        : m_count(count),
          m_countResult(countResult),
          m_failAt(failAt),
          m_failure(failure),
          m_throws(throws) {}
    int AddRef() const override { return 1; }
    int Release() const override { return 1; }
    unsigned int GetCount(unsigned int& count) const override {
        count = m_count;
        return m_countResult;
    }
    unsigned int GetItem(unsigned int index, tagZTVARIANT* item) const override {
        if (index == m_failAt) {
            if (m_throws)
                throw std::runtime_error("foreign failure");
            return m_failure;
        }
        ZtVariantClear(item);
        item->vartype = Varn::ZT_VT_I4;
        item->data.i4Val = static_cast<int>(index);
        return kOk;
    }

private:
    unsigned int m_count;
    unsigned int m_countResult;
    unsigned int m_failAt;
    unsigned int m_failure;
    bool m_throws;
};

TEST(VariantVector, PushBackOfACollection) {
    const struct Case {
        const char* name;
        ForeignCollection source;
        unsigned int result;
        std::vector<std::string> contents;
    } cases[] = {
        {"all elements in order", {3, kOk, UINT_MAX, 0, false}, kOk, {"9", "0", "1", "2"}},
        {"empty source", {0, kOk, UINT_MAX, 0, false}, kOk, {"9"}},
        {"GetCount fails", {3, 0x8000001Cu, UINT_MAX, 0, false}, 0x8000001Cu, {"9"}},
        {"GetCount reports a warning", {2, 1, UINT_MAX, 0, false}, kOk, {"9", "0", "1"}},
        {"GetItem fails halfway", {3, kOk, 2, 0x8000001Cu, false}, 0x8000001Cu, {"9", "0", "1"}},
        {"GetItem throws halfway", {3, kOk, 1, 0, true}, kFail, {"9", "0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VectorPtr v = NewVector();
        Push(*v, CZtVariant(9));
        IZtVariantCollection* source = const_cast<ForeignCollection*>(&c.source);
        EXPECT_EQ(v->PushBack(source), c.result);
        EXPECT_EQ(Contents(*v), c.contents);
    }
}

// ---------------------------------------------------------------------------
// Ownership of interface payloads

TEST(VariantVector, EveryElementOwnsOneReference) {
    Tally tally;
    CountingObject* object = new CountingObject(tally);  // the test's reference
    CZtVariant record(static_cast<IZtUnknown*>(object));
    EXPECT_EQ(object->Count(), 2);
    {
        VectorPtr v = NewVector();
        ASSERT_EQ(v->PushBack(static_cast<tagZTVARIANT*>(&record)), kOk);
        EXPECT_EQ(object->Count(), 3);
        ASSERT_EQ(v->PushBack(static_cast<IZtVariantCollection*>(v.get())), kOk);  // doubles
        EXPECT_EQ(object->Count(), 4);

        CZtVariant out;
        ASSERT_EQ(v->GetItem(0, &out), kOk);  // the reader's own reference
        EXPECT_EQ(static_cast<IZtUnknown*>(out), object);
        EXPECT_EQ(object->Count(), 5);
        ASSERT_EQ(v->GetItem(1, &out), kOk);  // the reader's previous value is released
        EXPECT_EQ(object->Count(), 5);
        out.Clear();
        EXPECT_EQ(object->Count(), 4);

        CZtVariant number(1);
        ASSERT_EQ(v->SetItem(0, &number), kOk);  // the replaced value is released
        EXPECT_EQ(object->Count(), 3);
        ASSERT_EQ(v->SetItem(0, &record), kOk);
        EXPECT_EQ(object->Count(), 4);
        ASSERT_EQ(v->PopBack(), kOk);
        EXPECT_EQ(object->Count(), 3);
        ASSERT_EQ(v->Freeze(), kOk);  // freezing keeps the elements
        EXPECT_EQ(object->Count(), 3);
    }  // destroying the vector releases what is left
    EXPECT_EQ(object->Count(), 2);
    VectorPtr cleared = NewVector();
    cleared->PushBack(static_cast<tagZTVARIANT*>(&record));
    cleared->PushBack(static_cast<tagZTVARIANT*>(&record));
    EXPECT_EQ(object->Count(), 4);
    ASSERT_EQ(cleared->Clear(), kOk);
    EXPECT_EQ(object->Count(), 2);
    record.Clear();
    object->Release();
    EXPECT_EQ(tally.destroyed, 1);
    EXPECT_EQ(tally.addRefs + 1, tally.releases);  // born with 1, all given back
}

// Growing the array moves the records: no value is copied (or counted)
// again, however often the array grows.
TEST(VariantVector, GrowingMovesElementsWithoutCopyingThem) {
    Tally tally;
    CountingObject* object = new CountingObject(tally);
    CZtVariant record(static_cast<IZtUnknown*>(object));
    VectorPtr v = NewVector();
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(v->PushBack(static_cast<tagZTVARIANT*>(&record)), kOk);
    EXPECT_EQ(tally.addRefs, 1 + 1000);
    EXPECT_EQ(tally.releases, 0);
    v.reset();
    record.Clear();
    EXPECT_EQ(object->Release(), 0);
    EXPECT_EQ(tally.destroyed, 1);
}

TEST(VariantVector, GrowingKeepsEveryValueInOrder) {
    VectorPtr v = NewVector();
    ASSERT_EQ(v->Reserve(3), kOk);
    std::vector<std::string> expected;
    for (int i = 0; i < 1000; ++i) {
        const CZtVariant value = (i % 2) ? CZtVariant(i) : CZtVariant(std::to_string(i).c_str());
        ASSERT_EQ(Push(*v, value), kOk);
        expected.push_back(Describe(value));
    }
    EXPECT_EQ(Contents(*v), expected);
}

// What a release appends while the vector is being cleared stays, in a
// vector that is otherwise empty.
TEST(VariantVector, ValueAppendedWhileClearingStays) {
    Tally tally;
    VectorPtr v = NewVector();
    CZtVector* raw = v.get();
    Push(*v, CZtVariant(1));
    CZtVariant record(static_cast<IZtUnknown*>(
        new CountingObject(tally, [raw] { Push(*raw, CZtVariant(L"appended")); })));
    static_cast<IZtUnknown*>(record)->Release();
    ASSERT_EQ(v->PushBack(static_cast<tagZTVARIANT*>(&record)), kOk);
    record.Clear();
    Push(*v, CZtVariant(3));
    ASSERT_EQ(v->Clear(), kOk);
    EXPECT_EQ(tally.destroyed, 1);
    EXPECT_EQ(Contents(*v), std::vector<std::string>{"'appended'"});
}

// Releasing an element runs client code, which may call back into the
// vector: it finds the element already gone.
TEST(VariantVector, ReleasedElementSeesTheVectorWithoutIt) {
    const struct Case {
        const char* name;
        std::function<unsigned int(CZtVector&)> run;
        unsigned int countSeen;
    } cases[] = {
        {"PopBack", [](CZtVector& v) { return v.PopBack(); }, 2},
        {"Clear", [](CZtVector& v) { return v.Clear(); }, 0},
        {"SetItem",
         [](CZtVector& v) {
             CZtVariant zero(0);
             return v.SetItem(2, &zero);
         },
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Tally tally;
        VectorPtr v = NewVector();
        unsigned int seen = 999;
        std::vector<std::string> contentsSeen;
        CZtVector* raw = v.get();
        Push(*v, CZtVariant(1));
        Push(*v, CZtVariant(2));
        CZtVariant record(static_cast<IZtUnknown*>(new CountingObject(tally, [&] {
            seen = Count(*raw);
            contentsSeen = Contents(*raw);
        })));
        static_cast<IZtUnknown*>(record)->Release();  // only `record` holds it now
        ASSERT_EQ(v->PushBack(static_cast<tagZTVARIANT*>(&record)), kOk);
        record.Clear();
        EXPECT_EQ(c.run(*v), kOk);
        EXPECT_EQ(tally.destroyed, 1);
        EXPECT_EQ(seen, c.countSeen);
        EXPECT_EQ(contentsSeen, Contents(*v));
    }
}

// ---------------------------------------------------------------------------
// The C functions

TEST(VariantVectorC, CreateGivesANewWritableVectorWithOneReference) {
    IZtVariantCollection* read = Varn::ZtCreateVariantCollection();
    IZtVariantCollectionMut* write = Varn::ZtCreateVariantCollectionMut();
    ASSERT_NE(read, nullptr);
    ASSERT_NE(write, nullptr);
    EXPECT_NE(static_cast<void*>(read), static_cast<void*>(write));
    EXPECT_EQ(Count(*read), 0u);
    EXPECT_EQ(Push(*write, CZtVariant(5)), kOk);
    EXPECT_EQ(Contents(*write), std::vector<std::string>{"5"});
    EXPECT_EQ(write->AddRef(), 2);
    EXPECT_EQ(write->Release(), 1);
    EXPECT_EQ(Varn::ZtVariantCollectionDestroy(read), kOk);
    EXPECT_EQ(Varn::ZtVariantCollectionMutDestory(write), kOk);
}

TEST(VariantVectorC, DestroyReleasesOneReference) {
    Tally tally;
    IZtVariantCollectionMut* v = Varn::ZtCreateVariantCollectionMut();
    CZtVariant record(static_cast<IZtUnknown*>(new CountingObject(tally)));
    static_cast<IZtUnknown*>(record)->Release();
    v->PushBack(static_cast<tagZTVARIANT*>(&record));
    record.Clear();
    v->AddRef();  // another holder
    EXPECT_EQ(Varn::ZtVariantCollectionMutDestory(v), kOk);
    EXPECT_EQ(tally.destroyed, 0);
    EXPECT_EQ(Count(*v), 1u);                             // still alive for the other holder
    EXPECT_EQ(Varn::ZtVariantCollectionDestroy(v), kOk);  // the last reference
    EXPECT_EQ(tally.destroyed, 1);
}

TEST(VariantVectorC, DestroyOfNullIsRefused) {
    EXPECT_EQ(Varn::ZtVariantCollectionDestroy(nullptr), kNullPointer);
    EXPECT_EQ(Varn::ZtVariantCollectionMutDestory(nullptr), kNullPointer);
}

}  // namespace
