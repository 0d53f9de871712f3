// Variant records: initialising, clearing, copying, copying through
// references, content emptiness, ownership and reference counts, and a sweep
// of every type word through every record function.
#include <zotrel/variant.h>

#include <zotrel/blob.h>
#include <zotrel/chromid.h>
#include <zotrel/guid.h>
#include <zotrel/map.h>
#include <zotrel/string.h>
#include <zotrel/time.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "variant/variant_test_util.h"

namespace Varn {
namespace {

using zotrel_test::CountingDispatch;
using zotrel_test::CountingObject;
using zotrel_test::CountingReferenced;
using zotrel_test::IsZeroRecord;
using zotrel_test::PayloadAs;
using zotrel_test::Record;
using zotrel_test::RefTo;
using zotrel_test::Tally;
using zotrel_test::TextIn;
using zotrel_test::Typed;

const wchar_t kGuidText[] = L"{B040EE6B-4A59-426D-91C8-4A8012F67D60}";

TEST(VariantInit, ZeroesEveryByteAndNullIsRejected) {
    tagZTVARIANT v;
    std::memset(&v, 0xAB, sizeof(v));  // fresh memory: nothing is released
    EXPECT_EQ(ZtVariantInit(&v), ZT_S_OK);
    EXPECT_TRUE(IsZeroRecord(v));
    EXPECT_EQ(ZtVariantInit(nullptr), ZT_E_NULL_POINTER);
}

TEST(VariantClear, EmptyRecordIsLeftUntouched) {
    tagZTVARIANT v;
    std::memset(&v, 0, sizeof(v));
    v.reserved[0] = 7;  // not written when the type word is 0
    EXPECT_EQ(ZtVariantClear(&v), ZT_S_OK);
    EXPECT_EQ(v.reserved[0], 7);
    EXPECT_EQ(ZtVariantClear(nullptr), ZT_E_NULL_POINTER);
}

TEST(VariantClear, ByReferenceRecordIsOnlyZeroed) {
    CZtString target(L"kept");
    CZtString* slot = &target;
    CZtVariant ref = RefTo(ZT_VT_STRING, &slot);
    EXPECT_EQ(ref.Clear(), ZT_S_OK);
    EXPECT_TRUE(IsZeroRecord(ref));
    EXPECT_EQ(zotrel_test::Text(target), L"kept");
}

TEST(VariantClear, InvalidTypeWordIsZeroedAndReported) {
    for (unsigned short type : {14, 29, 47, 54, 0x0FFF, 0x1004, 0x8004, 0x4000}) {
        SCOPED_TRACE(type);
        tagZTVARIANT v = Typed(type);
        v.reserved[1] = 1;
        EXPECT_EQ(ZtVariantClear(&v), ZT_E_INVALID_TYPE);
        EXPECT_TRUE(IsZeroRecord(v));
    }
}

TEST(VariantClear, ChromidTextIsFreed) {
    CZtVariant v(CZtCHROMID(L"Plant/Tank 7"));
    ASSERT_EQ(v.vartype, ZT_VT_CHROMID);
    ASSERT_NE(v.data.chromid.text, nullptr);
    EXPECT_EQ(v.Clear(), ZT_S_OK);  // the sanitizer build reports a leaked text
    EXPECT_TRUE(IsZeroRecord(v));
}

TEST(VariantCopy, EmptySourceReportsInvalidTypeAndLeavesDestinationEmpty) {
    CZtVariant dst(L"old");
    const CZtVariant empty;
    EXPECT_EQ(ZtVariantCopy(&dst, &empty), ZT_E_INVALID_TYPE);
    EXPECT_TRUE(IsZeroRecord(dst));
}

TEST(VariantCopy, InvalidSourceLeavesItsTypeWordAndAZeroPayload) {
    CZtVariant src = Record(29, 0x1234567812345678ull);
    CZtVariant dst(5);
    EXPECT_EQ(ZtVariantCopy(&dst, &src), ZT_E_INVALID_TYPE);
    EXPECT_EQ(dst.vartype, 29);
    EXPECT_EQ(PayloadAs<unsigned long long>(dst), 0u);
}

TEST(VariantCopy, NullPointersChangeNothing) {
    CZtVariant v(3);
    EXPECT_EQ(ZtVariantCopy(nullptr, &v), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZtVariantCopy(&v, nullptr), ZT_E_NULL_POINTER);
    EXPECT_EQ(v.vartype, ZT_VT_I4);
    EXPECT_EQ(v.data.i4Val, 3);
}

TEST(VariantCopy, InPlaceValuesCopyTheWholeRecord) {
    CZtVariant src(-7);
    src.reserved[2] = 9;
    src.data.bytes[12] = 0x55;  // beyond the value: copied as well
    CZtVariant dst;
    EXPECT_EQ(ZtVariantCopy(&dst, &src), ZT_S_OK);
    EXPECT_EQ(std::memcmp(&dst, &src, sizeof(tagZTVARIANT)), 0);
}

TEST(VariantCopy, StringCopyIsAnIndependentObject) {
    CZtVariant src(L"pump");
    CZtVariant dst;
    ASSERT_EQ(ZtVariantCopy(&dst, &src), ZT_S_OK);
    ASSERT_EQ(dst.vartype, ZT_VT_STRING);
    EXPECT_NE(dst.data.pString, src.data.pString);
    EXPECT_EQ(TextIn(dst), L"pump");
    dst.data.pString->Append(L" 7");
    EXPECT_EQ(TextIn(src), L"pump");
    dst.Clear();
    EXPECT_EQ(TextIn(src), L"pump");
}

TEST(VariantCopy, EveryOwnedObjectIsCopiedDeeply) {
    const CZtVariant sources[] = {
        CZtVariant(CZtTimeSpan(12345LL)),
        CZtVariant(CZtTime(98765LL)),
        CZtVariant(CZtBlob("bytes")),
        CZtVariant(CZtString(L"text")),
    };
    for (const CZtVariant& src : sources) {
        SCOPED_TRACE(src.vartype);
        CZtVariant dst;
        ASSERT_EQ(ZtVariantCopy(&dst, &src), ZT_S_OK);
        EXPECT_EQ(dst.vartype, src.vartype);
        EXPECT_NE(PayloadAs<void*>(dst), nullptr);
        EXPECT_NE(PayloadAs<void*>(dst), PayloadAs<void*>(src));
        EXPECT_TRUE(dst == src);
    }
}

TEST(VariantCopy, OntoItselfKeepsTheValue) {
    CZtVariant v(L"same");
    EXPECT_EQ(ZtVariantCopy(&v, &v), ZT_S_OK);
    EXPECT_EQ(TextIn(v), L"same");
    CZtVariant id(CZtCHROMID(L"Plant/Tank 7"));
    EXPECT_EQ(ZtVariantCopy(&id, &id), ZT_S_OK);
    EXPECT_EQ(zotrel_test::Text(CZtString(id)), L"Plant/Tank 7");
}

// An empty destination is filled in place; bytes it carried beside its
// empty type word must not survive into the copy.
TEST(VariantCopy, EmptyDestinationWithStaleBytesGetsACleanCopy) {
    CZtVariant number(-7);
    CZtVariant dst;
    dst.reserved[1] = 0x33;
    dst.data.bytes[20] = 0x44;
    ASSERT_EQ(ZtVariantCopy(&dst, &number), ZT_S_OK);
    EXPECT_EQ(std::memcmp(&dst, &number, sizeof(tagZTVARIANT)), 0);

    CZtVariant text(L"pump");
    CZtVariant dst2;
    dst2.data.bytes[20] = 0x44;
    ASSERT_EQ(ZtVariantCopy(&dst2, &text), ZT_S_OK);
    EXPECT_EQ(TextIn(dst2), L"pump");
    EXPECT_EQ(dst2.data.bytes[20], 0);

    CZtVariant empty;
    empty.data.bytes[3] = 1;
    EXPECT_EQ(ZtVariantCopy(&empty, &empty), ZT_E_INVALID_TYPE);
    EXPECT_TRUE(IsZeroRecord(empty));
}

TEST(VariantCopy, ByReferenceCopiesOnlyThePointer) {
    CZtString target(L"shared");
    CZtString* slot = &target;
    const CZtVariant ref = RefTo(ZT_VT_STRING, &slot);
    CZtVariant dst;
    EXPECT_EQ(ZtVariantCopy(&dst, &ref), ZT_S_OK);
    EXPECT_EQ(dst.vartype, ZT_VT_STRING | ZT_VT_BYREF);
    EXPECT_EQ(dst.data.byref, &slot);
}

TEST(VariantCopy, ChromidCopyOwnsItsOwnText) {
    const CZtVariant src(CZtCHROMID(L"Plant/Tank 7"));
    CZtVariant dst;
    ASSERT_EQ(ZtVariantCopy(&dst, &src), ZT_S_OK);
    ASSERT_NE(dst.data.chromid.text, nullptr);
    EXPECT_NE(dst.data.chromid.text, src.data.chromid.text);
    EXPECT_TRUE(dst == src);
}

TEST(VariantCopyInd, ByReferenceSourceGivesAnIndependentByValueCopy) {
    CZtString target(L"original");
    CZtString* slot = &target;
    const CZtVariant ref = RefTo(ZT_VT_STRING, &slot);
    CZtVariant dst;
    ASSERT_EQ(ZtVariantCopyInd(&dst, &ref), ZT_S_OK);
    EXPECT_EQ(dst.vartype, ZT_VT_STRING);
    EXPECT_NE(dst.data.pString, &target);
    target = L"changed";
    EXPECT_EQ(TextIn(dst), L"original");
}

TEST(VariantCopyInd, InPlaceValuesAreReadWithTheirWidth) {
    struct Case {
        unsigned short type;
        std::size_t width;
    } cases[] = {
        {ZT_VT_BOOL, 1},  {ZT_VT_I1, 1},    {ZT_VT_I2, 2},    {ZT_VT_I4, 4},    {ZT_VT_I8, 8},
        {ZT_VT_UI1, 1},   {ZT_VT_UI2, 2},   {ZT_VT_UI4, 4},   {ZT_VT_UI8, 8},   {ZT_VT_R4, 4},
        {ZT_VT_R8, 8},    {ZT_VT_BYTE, 1},  {ZT_VT_WORD, 2},  {ZT_VT_DWORD, 4}, {ZT_VT_QWORD, 8},
        {ZT_VT_RAW32, 4}, {ZT_VT_RAW64, 8}, {ZT_VT_GUID, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        alignas(8) unsigned char storage[24];
        for (std::size_t i = 0; i < sizeof(storage); ++i)
            storage[i] = static_cast<unsigned char>(0xA0 + i);
        const CZtVariant ref = RefTo(c.type, storage);
        CZtVariant dst;
        ASSERT_EQ(ZtVariantCopyInd(&dst, &ref), ZT_S_OK);
        EXPECT_EQ(dst.vartype, c.type);
        EXPECT_EQ(std::memcmp(&dst.data, storage, c.width), 0);
        // Nothing beyond the value's width is read.
        for (std::size_t i = c.width; i < sizeof(storage); ++i)
            EXPECT_EQ(dst.data.bytes[i], 0) << i;
    }
}

TEST(VariantCopyInd, VariantReferenceYieldsTheReferencedValue) {
    const CZtVariant target(42);
    const CZtVariant ref = RefTo(ZT_VT_VARIANT, &target);
    CZtVariant dst;
    EXPECT_EQ(ZtVariantCopyInd(&dst, &ref), ZT_S_OK);
    EXPECT_EQ(dst.vartype, ZT_VT_I4);
    EXPECT_EQ(dst.data.i4Val, 42);

    // A chain of references to a by-reference value is followed to the end.
    int number = 7;
    const CZtVariant inner = RefTo(ZT_VT_I4, &number);
    const CZtVariant outer = RefTo(ZT_VT_VARIANT, &inner);
    const CZtVariant outermost = RefTo(ZT_VT_VARIANT, &outer);
    EXPECT_EQ(ZtVariantCopyInd(&dst, &outermost), ZT_S_OK);
    EXPECT_EQ(dst.vartype, ZT_VT_I4);
    EXPECT_EQ(dst.data.i4Val, 7);
}

TEST(VariantCopyInd, NullReferenceReadsNothingAndLeavesTheDestination) {
    for (unsigned short type : {ZT_VT_I4, ZT_VT_STRING, ZT_VT_GUID, ZT_VT_CHROMID, ZT_VT_UNKNOWN,
                                ZT_VT_VARIANT, ZT_VT_MAP}) {
        SCOPED_TRACE(type);
        const CZtVariant ref = Typed(type | ZT_VT_BYREF);
        CZtVariant dst(L"kept");
        EXPECT_EQ(ZtVariantCopyInd(&dst, &ref), ZT_E_NULL_POINTER);
        EXPECT_EQ(TextIn(dst), L"kept");
    }
}

TEST(VariantCopyInd, ReferenceCycleIsRefused) {
    CZtVariant loop;
    loop.vartype = ZT_VT_VARIANT | ZT_VT_BYREF;
    loop.data.byref = &loop;
    CZtVariant dst(1);
    EXPECT_EQ(ZtVariantCopyInd(&dst, &loop), ZT_E_INVALID_OBJECT);
    EXPECT_EQ(dst.vartype, ZT_VT_I4);
    EXPECT_FALSE(ZtVariantIsContentEmpty(&loop));
    bool equal = false;
    EXPECT_EQ(ZtVariantCompare(&loop, &loop, &equal), ZT_E_INVALID_OBJECT);
    EXPECT_EQ(zotrel_test::Text(CZtString(loop)), L"");
    loop.Init();
}

TEST(VariantCopyInd, DestinationThatHoldsAValueReleasesIt) {
    Tally tally;
    auto* held = new CountingObject(&tally);
    CZtVariant dst(static_cast<IZtUnknown*>(held));
    held->Release();  // the variant holds the only reference now
    int number = 5;
    const CZtVariant ref = RefTo(ZT_VT_I4, &number);
    EXPECT_EQ(ZtVariantCopyInd(&dst, &ref), ZT_S_OK);
    EXPECT_EQ(dst.vartype, ZT_VT_I4);
    EXPECT_EQ(dst.data.i4Val, 5);
    EXPECT_EQ(tally.destroyed, 1);
}

TEST(VariantCopyInd, ReferenceIntoTheDestinationItselfIsCopiedFirst) {
    CZtVariant dst(L"inside");
    const CZtVariant ref = RefTo(ZT_VT_STRING, &dst.data);  // the slot of dst's own string
    EXPECT_EQ(ZtVariantCopyInd(&dst, &ref), ZT_S_OK);
    EXPECT_EQ(TextIn(dst), L"inside");

    CZtVariant self = Typed(ZT_VT_VARIANT | ZT_VT_BYREF);
    const CZtVariant value(9);
    self.data.byref = const_cast<CZtVariant*>(&value);
    EXPECT_EQ(ZtVariantCopyInd(&self, &self), ZT_S_OK);  // source and destination alike
    EXPECT_EQ(self.vartype, ZT_VT_I4);
    EXPECT_EQ(self.data.i4Val, 9);
}

TEST(VariantIsContentEmpty, FollowsTheRulesOfEachType) {
    CZtString emptyText;
    CZtString* emptySlot = &emptyText;
    const tagZTGUID nullGuid = {};
    const CZtVariant emptyRecord;
    const CZtVariant twelve(12);
    struct Case {
        const char* name;
        CZtVariant v;
        bool empty;
    } cases[] = {
        {"empty record", CZtVariant(), true},
        {"invalid code", Typed(40), true},
        {"empty string", CZtVariant(CZtString()), true},
        {"text", CZtVariant(L"x"), false},
        {"empty string by reference", RefTo(ZT_VT_STRING, &emptySlot), true},
        {"null string", Typed(ZT_VT_STRING), false},
        {"null timespan", Typed(ZT_VT_TIMESPAN), false},
        {"zero timespan", CZtVariant(CZtTimeSpan()), true},
        {"zero time", CZtVariant(CZtTime()), true},
        {"empty blob", CZtVariant(CZtBlob()), true},
        {"bool 0", Record(ZT_VT_BOOL, static_cast<unsigned char>(0)), false},
        {"i4 0", CZtVariant(0), false},
        {"r8 0", CZtVariant(0.0), false},
        {"raw64 0", Typed(ZT_VT_RAW64), false},
        {"null unknown", Typed(ZT_VT_UNKNOWN), false},
        {"null dispatch", Typed(ZT_VT_DISPATCH), false},
        {"null guid", CZtVariant(nullGuid), true},
        {"guid", CZtVariant(CZtGUID(CZtString(kGuidText))), false},
        {"null guid reference", Typed(ZT_VT_GUID | ZT_VT_BYREF), false},
        {"guid reference", RefTo(ZT_VT_GUID, &nullGuid), true},
        {"chromid 0.0.0.0.0.0", CZtVariant(CZtCHROMID()), true},
        {"chromid", CZtVariant(CZtCHROMID(1, 2, 3, 4, 5, 6)), false},
        {"null chromid reference", Typed(ZT_VT_CHROMID | ZT_VT_BYREF), false},
        {"variant by value", Typed(ZT_VT_VARIANT), false},
        {"reference to an empty record", RefTo(ZT_VT_VARIANT, &emptyRecord), true},
        {"reference to a number", RefTo(ZT_VT_VARIANT, &twelve), false},
        {"null variant reference", Typed(ZT_VT_VARIANT | ZT_VT_BYREF), false},
        {"null map", Typed(ZT_VT_MAP), false},
        {"array without handle", Typed(ZT_VT_I4 | ZT_VT_ARRAY), false},
        {"null array reference", Typed(ZT_VT_I4 | ZT_VT_ARRAY | ZT_VT_BYREF), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ZtVariantIsContentEmpty(&c.v), c.empty);
    }
    EXPECT_FALSE(ZtVariantIsContentEmpty(nullptr));
}

// ---------------------------------------------------------------------------
// Reference counts

TEST(VariantReferences, CopyAddsOneReferenceAndClearingEitherDropsOne) {
    Tally tally;
    auto* object = new CountingObject(&tally);
    {
        CZtVariant a(static_cast<IZtUnknown*>(object));
        EXPECT_EQ(object->Count(), 2);
        CZtVariant b;
        ASSERT_EQ(ZtVariantCopy(&b, &a), ZT_S_OK);
        EXPECT_EQ(object->Count(), 3);
        EXPECT_EQ(b.Clear(), ZT_S_OK);
        EXPECT_EQ(object->Count(), 2);
        ASSERT_EQ(ZtVariantCopy(&b, &a), ZT_S_OK);
        EXPECT_EQ(a.Clear(), ZT_S_OK);
        EXPECT_EQ(object->Count(), 2);
    }
    EXPECT_EQ(object->Count(), 1);
    EXPECT_EQ(object->Release(), 0);
    EXPECT_EQ(tally.destroyed, 1);
    EXPECT_EQ(tally.addRefs + 1, tally.releases);
}

TEST(VariantReferences, EveryInterfaceCodeCountsThroughItsOwnInterface) {
    Tally tally;
    auto* unknown = new CountingObject(&tally);
    auto* referenced = new CountingReferenced(&tally);
    auto* dispatch = new CountingDispatch(&tally);
    {
        const CZtVariant variants[] = {
            CZtVariant(static_cast<IZtUnknown*>(unknown)),
            CZtVariant(static_cast<IZtReferenced*>(referenced)),
            CZtVariant(static_cast<IZtDispatch*>(dispatch)),
        };
        EXPECT_EQ(variants[0].vartype, ZT_VT_UNKNOWN);
        EXPECT_EQ(variants[1].vartype, ZT_VT_REFERENCED);
        EXPECT_EQ(variants[2].vartype, ZT_VT_DISPATCH);
        for (const CZtVariant& v : variants) {
            CZtVariant copy(v);
            CZtVariant again;
            ZtVariantCopy(&again, &copy);
        }
        EXPECT_EQ(unknown->Count(), 2);
        EXPECT_EQ(referenced->Count(), 2);
        EXPECT_EQ(dispatch->Count(), 2);
    }
    unknown->Release();
    referenced->Release();
    dispatch->Release();
    EXPECT_EQ(tally.destroyed, 3);
}

TEST(VariantReferences, ByReferenceRecordsHoldNoReferenceButCopyIndTakesOne) {
    Tally tally;
    auto* object = new CountingObject(&tally);
    IZtUnknown* slot = object;
    const CZtVariant ref = RefTo(ZT_VT_UNKNOWN, &slot);
    {
        CZtVariant byRef;
        ZtVariantCopy(&byRef, &ref);
        EXPECT_EQ(object->Count(), 1);
        CZtVariant byValue;
        ASSERT_EQ(ZtVariantCopyInd(&byValue, &ref), ZT_S_OK);
        EXPECT_EQ(byValue.vartype, ZT_VT_UNKNOWN);
        EXPECT_EQ(object->Count(), 2);
    }
    EXPECT_EQ(object->Count(), 1);
    object->Release();
    EXPECT_EQ(tally.destroyed, 1);
}

TEST(VariantReferences, FailedConversionsAndComparisonsKeepTheCount) {
    Tally tally;
    auto* object = new CountingObject(&tally);
    {
        CZtVariant v(static_cast<IZtUnknown*>(object));
        CZtVariant out;
        EXPECT_EQ(ZtVariantChangeType(&out, &v, 0, ZT_VT_I4), ZT_E_NOT_SUPPORTED);
        EXPECT_EQ(ZtVariantChangeType(&out, &v, 0, ZT_VT_STRING), ZT_S_OK);
        EXPECT_EQ(ZtVariantChangeType(&v, &v, 0, ZT_VT_R8), ZT_E_NOT_SUPPORTED);
        EXPECT_EQ(v.vartype, ZT_VT_UNKNOWN);  // kept in place
        bool equal = true;
        EXPECT_EQ(ZtVariantCompare(&v, &v, &equal), ZT_E_NOT_SUPPORTED);
        EXPECT_EQ(object->Count(), 2);
    }
    EXPECT_EQ(object->Release(), 0);
    EXPECT_EQ(tally.destroyed, 1);
}

// ---------------------------------------------------------------------------
// The sweep: every type word 0..63, by value (zero payload) and by reference
// (to zero storage, and null), through every record function. The expected
// results come from this list of what each code holds.

enum class Kind { Invalid, Empty, Number, Raw, Object, Map, Interface, Variant, Guid, Chromid };

Kind KindOf(unsigned int code) {
    if (code == 0)
        return Kind::Empty;
    if ((code >= 1 && code <= 11) || (code >= 17 && code <= 20))
        return Kind::Number;
    switch (code) {
        case 12:
        case 13:
        case 21:
        case 50:
            return Kind::Object;
        case 26:
        case 27:
            return Kind::Raw;
        case 25:
        case 28:
        case 53:
            return Kind::Interface;
        case 48:
            return Kind::Variant;
        case 49:
            return Kind::Guid;
        case 51:
            return Kind::Chromid;
        case 52:
            return Kind::Map;
        default:
            return Kind::Invalid;
    }
}

bool IsValid(Kind k) {
    return k != Kind::Invalid && k != Kind::Empty;
}

// A record of the code whose payload is zero, or which refers to zeroed
// storage large enough for any value.
struct SweepRecord {
    alignas(8) unsigned char storage[sizeof(tagZTVARIANT)] = {};
    CZtVariant record;

    SweepRecord(unsigned short type, bool byRef, bool nullRef = false) {
        record.vartype = type;
        if (byRef)
            record.data.byref = nullRef ? nullptr : storage;
    }
};

bool ContentEmptyExpected(Kind kind, bool byRef) {
    switch (kind) {
        case Kind::Empty:
        case Kind::Invalid:
        case Kind::Guid:  // the null GUID
            return true;
        case Kind::Variant:  // a reference to an empty record
            return byRef;
        default:
            return false;
    }
}

// The result of comparing the record with its copy, and whether the answer
// "equal" is written.
struct CompareExpectation {
    unsigned int result;
    bool written;
};

CompareExpectation CompareExpected(Kind kind, bool byRef) {
    switch (kind) {
        case Kind::Empty:
            return byRef ? CompareExpectation{ZT_E_INVALID_TYPE, false}
                         : CompareExpectation{ZT_S_OK, true};
        case Kind::Number:
        case Kind::Guid:
        case Kind::Chromid:
            return {ZT_S_OK, true};
        case Kind::Raw:
            return byRef ? CompareExpectation{ZT_E_NOT_SUPPORTED, false}
                         : CompareExpectation{ZT_S_OK, true};
        case Kind::Object:
        case Kind::Map:  // null objects: no answer
            return {ZT_S_OK, false};
        case Kind::Interface:
            return {ZT_E_NOT_SUPPORTED, false};
        case Kind::Variant:  // by reference: two empty records
            return byRef ? CompareExpectation{ZT_S_OK, true}
                         : CompareExpectation{ZT_E_INVALID_TYPE, false};
        case Kind::Invalid:
            return {ZT_E_INVALID_TYPE, false};
    }
    return {ZT_E_FAIL, false};
}

// ZtVariantChangeType of a by-value record with a zero payload of `source`
// kind (code `code`) to `target`.
unsigned int ChangeTypeExpected(unsigned int code, unsigned int target) {
    const Kind kind = KindOf(code);
    if (target == code)
        return ZT_S_OK;
    if (target == 0 || target > 53)
        return ZT_E_INVALID_TYPE;
    switch (KindOf(target)) {
        case Kind::Invalid:
            return ZT_E_INVALID_TYPE;
        case Kind::Raw:
        case Kind::Interface:
        case Kind::Variant:
            return ZT_E_NOT_SUPPORTED;
        case Kind::Object:
            return ZT_S_OK;  // text, bytes, time and duration never fail
        case Kind::Map:
            return ZT_S_OK;  // a source without a map gives an empty map
        case Kind::Guid:
            // A null string object, else the (empty or "0") text is no GUID.
            return code == ZT_VT_STRING ? ZT_E_INVALID_TYPE : ZT_E_INVALID_OBJECT;
        case Kind::Chromid:
            return code == ZT_VT_STRING ? ZT_E_INVALID_TYPE : ZT_S_OK;
        case Kind::Number:
            if (kind == Kind::Number || code == ZT_VT_STRING)
                return ZT_S_OK;  // a null string leaves 0
            if (code == ZT_VT_TIMESPAN || code == ZT_VT_TIME)
                return ZT_E_NULL_POINTER;
            return ZT_E_NOT_SUPPORTED;
        case Kind::Empty:
            break;
    }
    return ZT_E_INVALID_TYPE;
}

TEST(VariantSweep, EveryTypeWordThroughEveryRecordFunction) {
    for (unsigned int code = 0; code < 64; ++code) {
        const Kind kind = KindOf(code);
        for (bool byRef : {false, true}) {
            const unsigned short type =
                static_cast<unsigned short>(code | (byRef ? ZT_VT_BYREF : 0));
            SCOPED_TRACE(testing::Message() << "type word 0x" << std::hex << type);
            SweepRecord r(type, byRef);

            EXPECT_EQ(ZtVariantIsContentEmpty(&r.record), ContentEmptyExpected(kind, byRef));

            // Copy over a destination that holds a string.
            CZtVariant copy(L"overwritten");
            EXPECT_EQ(ZtVariantCopy(&copy, &r.record), IsValid(kind) ? ZT_S_OK : ZT_E_INVALID_TYPE);
            EXPECT_EQ(copy.vartype, type);

            bool equal = false;
            const CompareExpectation compare = CompareExpected(kind, byRef);
            const unsigned int compared = ZtVariantCompare(&copy, &r.record, &equal);
            EXPECT_EQ(compared, compare.result);
            EXPECT_EQ(equal, compare.written);  // every written answer is "equal"

            // Copy through the reference (or plainly, by value).
            CZtVariant ind(L"overwritten");
            const unsigned int indResult = ZtVariantCopyInd(&ind, &r.record);
            if (!byRef) {
                EXPECT_EQ(indResult, IsValid(kind) ? ZT_S_OK : ZT_E_INVALID_TYPE);
                EXPECT_EQ(ind.vartype, type);
            } else if (kind == Kind::Variant) {  // refers to an empty record
                EXPECT_EQ(indResult, ZT_E_INVALID_TYPE);
                EXPECT_EQ(ind.vartype, 0);
            } else {
                EXPECT_EQ(indResult, IsValid(kind) ? ZT_S_OK : ZT_E_INVALID_TYPE);
                EXPECT_EQ(ind.vartype, code);
            }

            if (byRef) {
                // A null reference is never read through.
                SweepRecord null(type, true, true);
                CZtVariant dst(L"kept");
                EXPECT_EQ(ZtVariantCopyInd(&dst, &null.record),
                          IsValid(kind) ? ZT_E_NULL_POINTER : ZT_E_INVALID_TYPE);
                EXPECT_EQ(dst.vartype, IsValid(kind) ? ZT_VT_STRING : code);
                if (IsValid(kind)) {
                    EXPECT_FALSE(ZtVariantIsContentEmpty(&null.record));
                }
                // Types without an answer say so; the others have no values
                // to compare, so nothing is written.
                const unsigned int nullCompare =
                    kind == Kind::Variant                          ? ZT_E_NULL_POINTER
                    : kind == Kind::Raw || kind == Kind::Interface ? ZT_E_NOT_SUPPORTED
                    : kind == Kind::Invalid || kind == Kind::Empty ? ZT_E_INVALID_TYPE
                                                                   : ZT_S_OK;
                equal = false;
                EXPECT_EQ(ZtVariantCompare(&null.record, &null.record, &equal), nullCompare);
                EXPECT_FALSE(equal);
            }

            for (unsigned int target = 0; target < 64; ++target) {
                SCOPED_TRACE(target);
                CZtVariant out(L"released");
                const unsigned int result =
                    ZtVariantChangeType(&out, &r.record, 0, static_cast<unsigned short>(target));
                const unsigned int expected = target == code ? ZT_S_OK
                                              : byRef        ? ZT_E_NOT_SUPPORTED
                                                             : ChangeTypeExpected(code, target);
                EXPECT_EQ(result, expected);
                if (result == ZT_S_OK) {
                    EXPECT_EQ(out.vartype, target == code ? type : target);
                } else if (byRef) {
                    EXPECT_EQ(TextIn(out), L"released");  // a refused call changes nothing
                } else {
                    EXPECT_TRUE(out.IsEmpty());
                }

                // In place: a failure keeps the value.
                CZtVariant inPlace(r.record);
                const unsigned int inPlaceResult =
                    ZtVariantChangeType(&inPlace, &inPlace, 0, static_cast<unsigned short>(target));
                EXPECT_EQ(inPlaceResult, expected);
                if (inPlaceResult != ZT_S_OK) {
                    EXPECT_EQ(inPlace.vartype, type);
                }
            }

            // Clearing the copy and the original gives the documented results.
            const unsigned int clearExpected =
                type == 0 || IsValid(kind) ? ZT_S_OK : ZT_E_INVALID_TYPE;
            EXPECT_EQ(copy.Clear(), clearExpected);
            EXPECT_TRUE(IsZeroRecord(copy));
            EXPECT_EQ(r.record.Clear(), clearExpected);
            EXPECT_TRUE(IsZeroRecord(r.record));
        }
    }
}

// Values of every valid code, with real objects: copies, copies through a
// reference, comparisons and conversions to every target release everything
// they make (the sanitizer build checks for leaks) and never touch the
// counted object's count once they are done.
CZtMap OneEntryMap() {
    CZtMap map;
    map.Add(L"key", CZtVariant(L"value"));
    return map;
}

TEST(VariantSweep, LiveValuesOfEveryCodeReleaseEverything) {
    Tally tally;
    auto* unknown = new CountingObject(&tally);
    auto* referenced = new CountingReferenced(&tally);
    auto* dispatch = new CountingDispatch(&tally);
    {
        const CZtVariant values[] = {
            Record(ZT_VT_BOOL, static_cast<unsigned char>(1)),
            CZtVariant(static_cast<signed char>(-3)),
            CZtVariant(static_cast<short>(-300)),
            CZtVariant(70000),
            CZtVariant(-5000000000LL),
            CZtVariant(static_cast<unsigned char>(200)),
            CZtVariant(static_cast<unsigned short>(60000)),
            CZtVariant(4000000000u),
            CZtVariant(18000000000000000000ull),
            CZtVariant(2.5f),
            CZtVariant(-1.25),
            CZtVariant(CZtTimeSpan(36000000000LL)),
            CZtVariant(CZtTime(132000000000000000LL)),
            Record(ZT_VT_BYTE, static_cast<unsigned char>(17)),
            Record(ZT_VT_WORD, static_cast<unsigned short>(18)),
            Record(ZT_VT_DWORD, 19u),
            Record(ZT_VT_QWORD, 20ull),
            CZtVariant(CZtBlob("bytes")),
            CZtVariant(static_cast<IZtUnknown*>(unknown)),
            Record(ZT_VT_RAW32, 0xDEADBEEFu),
            Record(ZT_VT_RAW64, 0x0123456789ABCDEFull),
            CZtVariant(static_cast<IZtReferenced*>(referenced)),
            CZtVariant(CZtGUID(CZtString(kGuidText))),
            CZtVariant(L"0x2A"),
            CZtVariant(CZtCHROMID(L"Plant/Tank 7")),
            CZtVariant(OneEntryMap()),
            CZtVariant(static_cast<IZtDispatch*>(dispatch)),
        };
        for (const CZtVariant& value : values) {
            SCOPED_TRACE(value.vartype);
            CZtVariant copy;
            ASSERT_EQ(ZtVariantCopy(&copy, &value), ZT_S_OK);
            const tagZTVARIANT* target = &value;
            const CZtVariant ref = RefTo(ZT_VT_VARIANT, target);
            CZtVariant ind(L"old");
            ASSERT_EQ(ZtVariantCopyInd(&ind, &ref), ZT_S_OK);
            bool equal = false;
            const unsigned int compared = ZtVariantCompare(&ind, &value, &equal);
            if (compared == ZT_S_OK)
                EXPECT_TRUE(equal);
            else
                EXPECT_EQ(compared, ZT_E_NOT_SUPPORTED);  // interfaces only
            for (unsigned int t = 0; t < 64; ++t) {
                CZtVariant out(L"old");
                ZtVariantChangeType(&out, &value, 0, static_cast<unsigned short>(t));
                CZtVariant inPlace(value);
                ZtVariantChangeType(&inPlace, &inPlace, 0, static_cast<unsigned short>(t));
            }
            EXPECT_EQ(copy.Clear(), ZT_S_OK);
        }
        EXPECT_EQ(unknown->Count(), 2);
        EXPECT_EQ(referenced->Count(), 2);
        EXPECT_EQ(dispatch->Count(), 2);
    }
    unknown->Release();
    referenced->Release();
    dispatch->Release();
    EXPECT_EQ(tally.destroyed, 3);
    EXPECT_EQ(tally.addRefs + 3, tally.releases);
}

// ---------------------------------------------------------------------------
// The seams for payloads that later parts of the library complete: until
// then they refuse their work with a clear result and leave records sound.

TEST(VariantSeams, ArrayPayloadWithoutAHandle) {
    // A by-value array record whose handle is null reaches the array
    // functions, which refuse the null handle; nothing is read through it.
    CZtVariant array = Typed(ZT_VT_I4 | ZT_VT_ARRAY);
    CZtVariant copy(L"old");
    EXPECT_EQ(ZtVariantCopy(&copy, &array), ZT_E_NULL_POINTER);
    EXPECT_EQ(copy.vartype, ZT_VT_I4 | ZT_VT_ARRAY);
    EXPECT_EQ(PayloadAs<void*>(copy), nullptr);
    CZtVariant out(L"untouched");
    EXPECT_EQ(ZtVariantChangeType(&out, &array, 0, ZT_VT_STRING), ZT_E_FAIL);
    EXPECT_EQ(TextIn(out), L"untouched");
    bool equal = false;
    EXPECT_EQ(ZtVariantCompare(&array, &copy, &equal), ZT_E_NULL_POINTER);
    EXPECT_EQ(array.Clear(), ZT_E_NULL_POINTER);
    EXPECT_TRUE(IsZeroRecord(array));
    copy.Init();
    // By reference nothing is owned, so nothing needs the array functions.
    void* handle = nullptr;
    CZtVariant ref = RefTo(ZT_VT_I4 | ZT_VT_ARRAY, &handle);
    CZtVariant refCopy;
    EXPECT_EQ(ZtVariantCopy(&refCopy, &ref), ZT_S_OK);
    EXPECT_EQ(refCopy.Clear(), ZT_S_OK);
    EXPECT_EQ(ref.Clear(), ZT_S_OK);
}

TEST(VariantSeams, MapPayloadsGoToTheMapClass) {
    // The record functions reach the map class through its seam; the full
    // map rows are in the map tests.
    CZtMap entries;
    entries.Add(L"k", 1);
    CZtVariant map(entries);
    ASSERT_EQ(map.vartype, ZT_VT_MAP);
    CZtVariant copy(L"old");
    EXPECT_EQ(ZtVariantCopy(&copy, &map), ZT_S_OK);
    EXPECT_NE(PayloadAs<CZtMap*>(copy), PayloadAs<CZtMap*>(map));
    bool equal = false;
    EXPECT_EQ(ZtVariantCompare(&map, &copy, &equal), ZT_S_OK);
    EXPECT_TRUE(equal);
    EXPECT_FALSE(ZtVariantIsContentEmpty(&map));
    EXPECT_EQ(zotrel_test::Text(CZtString(map)), L"");
    CZtVariant out(1);
    EXPECT_EQ(ZtVariantChangeType(&out, &out, 0, ZT_VT_MAP), ZT_S_OK);
    EXPECT_EQ(out.vartype, ZT_VT_MAP);
    EXPECT_TRUE(ZtVariantIsContentEmpty(&out));
    EXPECT_EQ(map.Clear(), ZT_S_OK);  // the handle is released
    EXPECT_TRUE(IsZeroRecord(map));
}

}  // namespace
}  // namespace Varn
