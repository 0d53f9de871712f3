// Variants holding data arrays: clearing, copying, emptiness, conversion and
// comparison of ZT_VT_ARRAY records, and the CZtVariant array members.
#include <zotrel/dataarray.h>

#include <zotrel/string.h>
#include <zotrel/variant.h>

#include <gtest/gtest.h>

#include <string>

#include "dataarray/dataarray_test_util.h"

namespace Varn {
namespace {

using zotrel_test::Get1;
using zotrel_test::IntAt;
using zotrel_test::IsRegistered;
using zotrel_test::MakeVector;
using zotrel_test::Put1;

// A variant holding a registered copy of a one-dimensional I4 array.
CZtVariant IntArrayVariant(std::initializer_list<int> values) {
    tagDATAARRAY* array = MakeVector(ZT_VT_I4, static_cast<unsigned int>(values.size()));
    int i = 0;
    for (int value : values)
        Put1(array, i++, value);
    CZtVariant v(*array);
    ZtDataArrayDestroy(array);
    return v;
}

tagDATAARRAY* HandleOf(const tagZTVARIANT& v) {
    return v.data.pArray;
}

TEST(VariantArray, ConstructionMakesARegisteredCopy) {
    tagDATAARRAY* array = MakeVector(ZT_VT_R8, 2);
    CZtVariant v(*array);
    EXPECT_EQ(v.vartype, ZT_VT_R8 | ZT_VT_ARRAY);
    EXPECT_TRUE(v.IsArray());
    ASSERT_NE(HandleOf(v), nullptr);
    EXPECT_NE(HandleOf(v), array);
    EXPECT_TRUE(IsRegistered(HandleOf(v)));
    tagDATAARRAY* held = HandleOf(v);
    EXPECT_EQ(v.Clear(), ZT_S_OK);
    EXPECT_FALSE(IsRegistered(held));  // clearing destroyed the copy
    EXPECT_TRUE(IsRegistered(array));
    ZtDataArrayDestroy(array);
}

TEST(VariantArray, WhatIsNoLiveArrayGivesAnEmptyVariant) {
    CZtDataArray none;
    EXPECT_TRUE(CZtVariant(none).IsEmpty());
    EXPECT_TRUE(CZtVariant(static_cast<const CZtDataArray*>(nullptr)).IsEmpty());
    tagDATAARRAY* gone = MakeVector(ZT_VT_I4, 1);
    ZtDataArrayDestroy(gone);
    tagDATAARRAY fake{};
    EXPECT_TRUE(CZtVariant(fake).IsEmpty());

    CZtDataArray object(ZT_VT_I4, 1, 2, 0);
    CZtVariant v(&object);
    EXPECT_EQ(v.vartype, ZT_VT_I4 | ZT_VT_ARRAY);
    v = none;
    EXPECT_TRUE(v.IsEmpty());
    v = object;
    EXPECT_TRUE(v.IsArray());
    v = static_cast<const CZtDataArray*>(nullptr);
    EXPECT_TRUE(v.IsEmpty());
}

TEST(VariantArray, CopiesAreIndependentArrays) {
    CZtVariant first = IntArrayVariant({1, 2, 3});
    CZtVariant second(first);
    ASSERT_TRUE(second.IsArray());
    EXPECT_NE(HandleOf(second), HandleOf(first));
    ASSERT_EQ(Put1(HandleOf(second), 1, 20), ZT_S_OK);
    EXPECT_EQ(IntAt(HandleOf(first), 1), 2);
    EXPECT_EQ(IntAt(HandleOf(second), 1), 20);
    EXPECT_FALSE(first == second);
    Put1(HandleOf(second), 1, 2);
    EXPECT_TRUE(first == second);
}

TEST(VariantArray, ByReferenceVariantsOwnNothing) {
    tagDATAARRAY* array = MakeVector(ZT_VT_I4, 3);
    Put1(array, 0, 9);
    tagDATAARRAY* slot = array;
    tagZTVARIANT byRef;
    ZtVariantInit(&byRef);
    byRef.vartype = ZT_VT_I4 | ZT_VT_ARRAY | ZT_VT_BYREF;
    byRef.data.byref = &slot;

    // A plain copy copies the reference only.
    tagZTVARIANT copy;
    ZtVariantInit(&copy);
    ASSERT_EQ(ZtVariantCopy(&copy, &byRef), ZT_S_OK);
    EXPECT_EQ(copy.data.byref, &slot);
    EXPECT_EQ(ZtVariantClear(&copy), ZT_S_OK);

    // CopyInd makes a by-value variant with an array of its own.
    ASSERT_EQ(ZtVariantCopyInd(&copy, &byRef), ZT_S_OK);
    EXPECT_EQ(copy.vartype, ZT_VT_I4 | ZT_VT_ARRAY);
    EXPECT_NE(copy.data.pArray, array);
    EXPECT_EQ(IntAt(copy.data.pArray, 0), 9);
    bool equal = false;
    ASSERT_EQ(ZtVariantCompare(&copy, &copy, &equal), ZT_S_OK);
    EXPECT_TRUE(equal);
    EXPECT_EQ(ZtVariantClear(&copy), ZT_S_OK);

    // Clearing the reference leaves the array registered and unchanged.
    EXPECT_EQ(ZtVariantClear(&byRef), ZT_S_OK);
    EXPECT_TRUE(IsRegistered(array));
    EXPECT_EQ(IntAt(array, 0), 9);
    ZtDataArrayDestroy(array);
}

TEST(VariantArray, ContentIsEmptyWhenTheFirstDimensionIs) {
    tagDATAARRAY* empty = MakeVector(ZT_VT_I4, 0);
    CZtVariant holdsEmpty(*empty);
    ZtDataArrayDestroy(empty);
    EXPECT_TRUE(holdsEmpty.IsContentEmpty());
    EXPECT_FALSE(IntArrayVariant({1}).IsContentEmpty());

    tagZTVARIANT nullRef;
    ZtVariantInit(&nullRef);
    nullRef.vartype = ZT_VT_I4 | ZT_VT_ARRAY | ZT_VT_BYREF;
    EXPECT_FALSE(ZtVariantIsContentEmpty(&nullRef));

    // A handle that is not registered is never read.
    tagZTVARIANT stale;
    ZtVariantInit(&stale);
    tagDATAARRAY* gone = MakeVector(ZT_VT_I4, 0);
    ZtDataArrayDestroy(gone);
    stale.vartype = ZT_VT_I4 | ZT_VT_ARRAY;
    stale.data.pArray = gone;
    EXPECT_FALSE(ZtVariantIsContentEmpty(&stale));
    // Clearing it reports the unknown handle and zeroes the record.
    EXPECT_EQ(ZtVariantClear(&stale), ZT_E_INVALID_TYPE);
    EXPECT_EQ(stale.vartype, ZT_VT_EMPTY);
    EXPECT_EQ(stale.data.pArray, nullptr);
}

TEST(VariantArray, ConversionConvertsEveryElement) {
    CZtVariant numbers = IntArrayVariant({7, -1});
    tagDATAARRAY* before = HandleOf(numbers);
    CZtVariant texts;
    ASSERT_EQ(texts.ZtVariantChangeType(ZT_VT_STRING, &numbers), ZT_S_OK);
    EXPECT_EQ(texts.vartype, ZT_VT_STRING | ZT_VT_ARRAY);
    CZtString text;
    ASSERT_EQ(Get1(HandleOf(texts), 0, &text), ZT_S_OK);
    EXPECT_STREQ(text.c_str(), "7");
    ASSERT_EQ(Get1(HandleOf(texts), 1, &text), ZT_S_OK);
    EXPECT_STREQ(text.c_str(), "-1");
    // The source keeps its own array and type.
    EXPECT_EQ(HandleOf(numbers), before);
    EXPECT_EQ(numbers.vartype, ZT_VT_I4 | ZT_VT_ARRAY);

    // Texts that are no numbers fail the whole conversion; the destination
    // keeps what it had.
    tagDATAARRAY* words = MakeVector(ZT_VT_STRING, 2);
    Put1(words, 0, CZtString(L"3"));
    Put1(words, 1, CZtString(L"three"));
    CZtVariant source(*words);
    ZtDataArrayDestroy(words);
    CZtVariant destination(5);
    EXPECT_EQ(ZtVariantChangeType(&destination, &source, 0, ZT_VT_I4), ZT_E_FAIL);
    EXPECT_TRUE(destination == CZtVariant(5));
    EXPECT_EQ(source.ZtVariantChangeType(ZT_VT_I4), ZT_E_FAIL);
    EXPECT_EQ(source.vartype, ZT_VT_STRING | ZT_VT_ARRAY);  // in place: unchanged

    // In place, a conversion that works replaces the array.
    ASSERT_EQ(numbers.ZtVariantChangeType(ZT_VT_R8), ZT_S_OK);
    EXPECT_EQ(numbers.vartype, ZT_VT_R8 | ZT_VT_ARRAY);
    double d = 0;
    ASSERT_EQ(Get1(HandleOf(numbers), 0, &d), ZT_S_OK);
    EXPECT_EQ(d, 7.0);
}

TEST(VariantArray, EqualArraysOfEqualTypesCompareEqual) {
    CZtVariant a = IntArrayVariant({1, 2});
    CZtVariant b = IntArrayVariant({1, 2});
    EXPECT_TRUE(a == b);
    CZtVariant c;
    ASSERT_EQ(c.ZtVariantChangeType(ZT_VT_I8, &b), ZT_S_OK);
    EXPECT_FALSE(a == c);  // the type words differ
    CZtVariant longer = IntArrayVariant({1, 2, 3});
    bool equal = true;
    ASSERT_EQ(ZtVariantCompare(&a, &longer, &equal), ZT_S_OK);
    EXPECT_TRUE(equal);  // shapes differ: not written
    EXPECT_FALSE(a == longer);

    // By reference: both references are followed; a null one gives no answer.
    tagDATAARRAY* slotA = HandleOf(a);
    tagDATAARRAY* slotB = HandleOf(b);
    tagZTVARIANT refA;
    tagZTVARIANT refB;
    ZtVariantInit(&refA);
    ZtVariantInit(&refB);
    refA.vartype = refB.vartype = ZT_VT_I4 | ZT_VT_ARRAY | ZT_VT_BYREF;
    refA.data.byref = &slotA;
    refB.data.byref = &slotB;
    equal = false;
    ASSERT_EQ(ZtVariantCompare(&refA, &refB, &equal), ZT_S_OK);
    EXPECT_TRUE(equal);
    refB.data.byref = nullptr;
    equal = false;
    ASSERT_EQ(ZtVariantCompare(&refA, &refB, &equal), ZT_S_OK);
    EXPECT_FALSE(equal);
}

TEST(VariantArray, GettersAndDetachDoNotReadTheHandleAsAValue) {
    CZtVariant v = IntArrayVariant({4});
    EXPECT_EQ(static_cast<int>(v), 0);
    EXPECT_EQ(static_cast<double>(v), 0.0);
    EXPECT_EQ(v.c_str(), nullptr);
    int out = -1;
    EXPECT_EQ(v.Detach(&out), ZT_E_NOT_SUPPORTED);
    EXPECT_EQ(out, -1);
    CZtString text;
    EXPECT_EQ(v.Detach(&text), ZT_E_NOT_SUPPORTED);
    EXPECT_TRUE(v.IsArray());
    EXPECT_TRUE(CZtString(v).IsEmpty());  // an array has no text of its own
}

TEST(VariantArray, ArrayToVariantToTextAndBack) {
    // A client's road: a double written into its array, the array wrapped in
    // a variant, converted to text, one element read back, all released.
    const tagDATAARRAYBOUND bound = {5, 0};
    tagDATAARRAY* levels = ZtDataArrayCreate(ZT_VT_R8, 1, &bound);
    int index = 3;
    double level = 2.0 / 3.0;
    ASSERT_EQ(ZtDataArrayPutElement(levels, &index, &level), ZT_S_OK);
    CZtVariant wrapped(*levels);
    ASSERT_EQ(ZtVariantChangeType(&wrapped, &wrapped, 0, ZT_VT_STRING), ZT_S_OK);
    CZtString text;
    ASSERT_EQ(ZtDataArrayGetElement(wrapped.data.pArray, &index, &text), ZT_S_OK);
    EXPECT_STREQ(text.c_str(), "0.666666666666667");
    tagDATAARRAY* copy = wrapped.data.pArray;
    EXPECT_EQ(ZtVariantClear(&wrapped), ZT_S_OK);
    EXPECT_FALSE(IsRegistered(copy));
    EXPECT_EQ(ZtDataArrayDestroy(levels), ZT_S_OK);
}

}  // namespace
}  // namespace Varn
