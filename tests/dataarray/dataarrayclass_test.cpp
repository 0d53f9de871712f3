// CZtDataArrayBound and CZtDataArray: value semantics over a handle.
#include <zotrel/dataarray.h>

#include <zotrel/blob.h>
#include <zotrel/chromid.h>
#include <zotrel/guid.h>
#include <zotrel/string.h>
#include <zotrel/variant.h>

#include <gtest/gtest.h>

#include <QByteArray>

#include <new>
#include <string>

#include "dataarray/dataarray_test_util.h"

namespace Varn {
namespace {

using zotrel_test::IntAt;
using zotrel_test::IsRegistered;
using zotrel_test::MakeVector;

TEST(DataArrayBound, FieldsAndDerivedValues) {
    CZtDataArrayBound bound(5, -2);
    EXPECT_EQ(bound.GetCount(), 5u);
    EXPECT_EQ(bound.GetLowerBound(), -2);
    EXPECT_EQ(bound.GetUpperBound(), 2);
    EXPECT_EQ(bound.GetAbsoluteIndex(0), 2);
    EXPECT_EQ(bound.GetAbsoluteIndex(-2), 0);
    bound = 7u;
    EXPECT_EQ(bound.GetCount(), 7u);
    EXPECT_EQ(bound.GetLowerBound(), 0);
    EXPECT_EQ(CZtDataArrayBound(0, 3).GetUpperBound(), 2);  // empty: one below the start
    EXPECT_EQ(CZtDataArrayBound().GetUpperBound(), -1);
    EXPECT_EQ(bound.SetCount(9), 9u);
    bound.SetLowerBound(4);
    EXPECT_EQ(bound.GetUpperBound(), 12);

    const tagDATAARRAYBOUND plain = {9, 4};
    EXPECT_TRUE(CZtDataArrayBound(plain) == bound);
    EXPECT_FALSE(CZtDataArrayBound(9, 5) == bound);
    EXPECT_TRUE(CZtDataArrayBound(8, 4) != bound);
    CZtDataArrayBound other;
    other = plain;
    EXPECT_TRUE(other == bound);
    other = other;
    EXPECT_TRUE(other == bound);
    CZtDataArrayBound copy(bound);
    EXPECT_TRUE(copy == bound);
    copy = CZtDataArrayBound(3, -1);
    EXPECT_EQ(copy.GetCount(), 3u);
    EXPECT_EQ(copy.GetLowerBound(), -1);
}

TEST(DataArrayObject, ArraysOfBoundsStandForPlainBounds) {
    const CZtDataArrayBound bounds[] = {CZtDataArrayBound(2, 1), CZtDataArrayBound(3, 0)};
    CZtDataArray array(ZT_VT_I4, 2, bounds);
    unsigned int dimCount = 0;
    tagDATAARRAYBOUND* plain = nullptr;
    ASSERT_EQ(array.GetBounds(dimCount, plain), ZT_S_OK);
    EXPECT_EQ(dimCount, 2u);
    EXPECT_EQ(plain[0].lowerBound, 1);
    CZtDataArrayBound* classy = nullptr;
    ASSERT_EQ(array.GetBounds(dimCount, classy), ZT_S_OK);
    EXPECT_EQ(static_cast<void*>(classy), static_cast<void*>(plain));
    EXPECT_EQ(classy[1].GetCount(), 3u);

    const CZtDataArrayBound grown[] = {CZtDataArrayBound(4, 1)};
    ASSERT_EQ(array.ZtDataArrayRedim(1, grown), ZT_S_OK);
    unsigned int count = 0;
    array.GetElementCount(count, nullptr);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(array.ZtDataArrayRedim(1, static_cast<const CZtDataArrayBound*>(nullptr)),
              ZT_E_NULL_POINTER);
    const tagDATAARRAYBOUND plainGrown = {6, 0};
    ASSERT_EQ(array.ZtDataArrayRedim(1, &plainGrown), ZT_S_OK);
    array.GetElementCount(count, nullptr);
    EXPECT_EQ(count, 6u);
}

// More dimensions than the object keeps on its stack go through a heap copy
// of the bounds; every one of them reaches the array.
TEST(DataArrayObject, NineDimensionsKeepEveryBound) {
    CZtDataArrayBound bounds[9];
    for (int i = 0; i < 9; ++i)
        bounds[i] = CZtDataArrayBound(i == 8 ? 3u : 1u, i);
    const CZtDataArray array(ZT_VT_I2, 9, bounds);
    unsigned int dimCount = 0;
    tagDATAARRAYBOUND* plain = nullptr;
    ASSERT_EQ(array.GetBounds(dimCount, plain), ZT_S_OK);
    ASSERT_EQ(dimCount, 9u);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(plain[i].lowerBound, i);
    EXPECT_EQ(plain[8].count, 3u);
    const CZtDataArray fromPlain(ZT_VT_I2, 9, plain);
    EXPECT_TRUE(fromPlain == array);
}

TEST(DataArrayObject, WithoutAnArrayEveryOperationAnswersNullPointer) {
    CZtDataArray none;
    int index = 0;
    int value = 0;
    void* data = nullptr;
    unsigned short vartype = 0;
    unsigned int dimCount = 0;
    unsigned int count = 0;
    tagDATAARRAYBOUND* bounds = nullptr;
    CZtDataArrayBound* classBounds = nullptr;
    EXPECT_EQ(none.Destroy(), ZT_E_NULL_POINTER);
    EXPECT_EQ(none.Lock(), ZT_E_NULL_POINTER);
    EXPECT_EQ(none.Unlock(), ZT_E_NULL_POINTER);
    EXPECT_EQ(none.AccessData(&data), ZT_E_NULL_POINTER);
    EXPECT_EQ(none.UnaccessData(), ZT_E_NULL_POINTER);
    EXPECT_EQ(none.GetElement(&index, &value), ZT_E_NULL_POINTER);
    EXPECT_EQ(none.PutElement(&index, &value), ZT_E_NULL_POINTER);
    EXPECT_EQ(none.GetVartype(&vartype), ZT_E_NULL_POINTER);
    EXPECT_EQ(none.GetBounds(dimCount, bounds), ZT_E_NULL_POINTER);
    EXPECT_EQ(none.GetBounds(dimCount, classBounds), ZT_E_NULL_POINTER);
    EXPECT_EQ(none.GetElementCount(count, nullptr), ZT_E_NULL_POINTER);
    EXPECT_EQ(none.ZtDataArrayChangeType(ZT_VT_R8), ZT_E_NULL_POINTER);
    EXPECT_EQ(none.Detach(), nullptr);
    // Two objects without arrays are not equal; an object is equal to itself.
    CZtDataArray alsoNone;
    EXPECT_FALSE(none == alsoNone);
    EXPECT_TRUE(none == none);
}

TEST(DataArrayObject, CreateReadsOnlyTheOneBoundItHas) {
    CZtDataArray array(ZT_VT_R8, 1, 4, 10);
    unsigned int count = 0;
    array.GetElementCount(count, nullptr);
    EXPECT_EQ(count, 4u);
    // Two dimensions cannot come from one bound: refused, the array stays.
    EXPECT_EQ(array.Create(ZT_VT_I4, 2, 3, 0), ZT_E_INVALIDARG);
    unsigned short vartype = 0;
    array.GetVartype(&vartype);
    EXPECT_EQ(vartype, ZT_VT_R8);
    EXPECT_EQ(array.Create(ZT_VT_I4, 0, 3, 0), ZT_S_OK);
    unsigned int dimCount = 9;
    tagDATAARRAYBOUND* bounds = nullptr;
    EXPECT_EQ(array.GetBounds(dimCount, bounds), ZT_E_INVALID_OBJECT);

    EXPECT_EQ(array.Create(ZT_VT_I4, 1, static_cast<const CZtDataArrayBound*>(nullptr)),
              ZT_E_NULL_POINTER);
    EXPECT_NE(array.Detach(), nullptr) << "a null class bounds pointer keeps the array";
}

TEST(DataArrayObject, CreateWithoutBoundsLeavesNoArray) {
    CZtDataArray array(ZT_VT_I4, 1, 2, 0);
    EXPECT_EQ(array.Create(ZT_VT_I4, 1, static_cast<const tagDATAARRAYBOUND*>(nullptr)),
              ZT_E_INVALID_OBJECT);
    EXPECT_EQ(array.Detach(), nullptr);
}

TEST(DataArrayObject, FromABlobHoldsOneBlobElement) {
    const CZtBlob bytes(QByteArray("\x01\x02\x03", 3));
    CZtDataArray array(bytes);
    unsigned short vartype = 0;
    ASSERT_EQ(array.GetVartype(&vartype), ZT_S_OK);
    EXPECT_EQ(vartype, ZT_VT_BLOB);
    unsigned int count = 0;
    ASSERT_EQ(array.GetElementCount(count, nullptr), ZT_S_OK);
    EXPECT_EQ(count, 1u);
    int index = 0;
    CZtBlob element;
    ASSERT_EQ(array.GetElement(&index, &element), ZT_S_OK);
    EXPECT_TRUE(element == bytes);

    const CZtBlob other("xy");
    array = other;
    ASSERT_EQ(array.GetElement(&index, &element), ZT_S_OK);
    EXPECT_TRUE(element == other);

    array = static_cast<const CZtBlob*>(nullptr);
    EXPECT_EQ(array.Detach(), nullptr);
}

TEST(DataArrayObject, FromAPlainVariantHoldsOneVariantElement) {
    CZtDataArray array(CZtVariant(5));
    unsigned short vartype = 0;
    array.GetVartype(&vartype);
    EXPECT_EQ(vartype, ZT_VT_VARIANT);
    unsigned int count = 0;
    array.GetElementCount(count, nullptr);
    EXPECT_EQ(count, 1u);
    int index = 0;
    CZtVariant element;
    ASSERT_EQ(array.GetElement(&index, &element), ZT_S_OK);
    EXPECT_TRUE(element == CZtVariant(5));
}

TEST(DataArrayObject, FromAnArrayVariantIsAnIndependentCopy) {
    CZtDataArray source(ZT_VT_I4, 1, 3, 0);
    int index = 1;
    int value = 42;
    source.PutElement(&index, &value);
    CZtDataArray copy;
    {
        CZtVariant holder(source);
        ASSERT_TRUE(holder.IsArray());
        copy = holder;
    }
    // The variant and its array are gone; the copy stands alone.
    tagDATAARRAY* handle = copy.Detach();
    EXPECT_EQ(IntAt(handle, 1), 42);
    copy.Attach(handle);

    // Through a reference to a handle slot, and through a null one.
    tagDATAARRAY* slot = source.Detach();
    CZtVariant byRef;
    byRef.vartype = ZT_VT_I4 | ZT_VT_ARRAY | ZT_VT_BYREF;
    byRef.data.byref = &slot;
    CZtDataArray fromRef(byRef);
    tagDATAARRAY* refCopy = fromRef.Detach();
    EXPECT_NE(refCopy, slot);
    EXPECT_EQ(IntAt(refCopy, 1), 42);
    ZtDataArrayDestroy(refCopy);
    byRef.data.byref = nullptr;
    CZtDataArray fromNull(byRef);
    EXPECT_EQ(fromNull.Detach(), nullptr);
    byRef.Init();
    ZtDataArrayDestroy(slot);
}

TEST(DataArrayObject, DetachIntoAVariantAndAttachBackMovesTheSameHandle) {
    CZtDataArray array(ZT_VT_R8, 1, 2, 0);
    tagDATAARRAY* own = array.Detach();
    tagDATAARRAY* handle = own;
    ASSERT_EQ(array.Attach(handle), ZT_S_OK);
    EXPECT_EQ(handle, nullptr);  // the caller's pointer is taken

    CZtVariant holder(7);
    ASSERT_EQ(array.Detach(static_cast<tagZTVARIANT*>(&holder)), ZT_S_OK);
    EXPECT_EQ(holder.vartype, ZT_VT_R8 | ZT_VT_ARRAY);
    EXPECT_EQ(holder.data.pArray, own);
    EXPECT_EQ(array.Detach(), nullptr);

    ASSERT_EQ(array.Attach(holder), ZT_S_OK);
    EXPECT_TRUE(holder.IsEmpty());
    EXPECT_EQ(array.Detach(), own);  // nothing was copied
    EXPECT_EQ(array.Detach(), nullptr);
    EXPECT_EQ(ZtDataArrayDestroy(own), ZT_S_OK);
}

TEST(DataArrayObject, AttachRefusesWhatIsNoArray) {
    CZtDataArray array(ZT_VT_I4, 1, 1, 0);
    tagZTVARIANT* none = nullptr;
    EXPECT_EQ(array.Attach(none), ZT_E_INVALID_TYPE);
    tagDATAARRAY* noHandle = nullptr;
    EXPECT_EQ(array.Attach(noHandle), ZT_E_INVALID_TYPE);

    CZtVariant number(3);
    EXPECT_EQ(array.Attach(number), ZT_E_INVALIDARG);
    EXPECT_TRUE(number == CZtVariant(3));  // the variant is left alone
    EXPECT_EQ(array.Detach(), nullptr);    // the held array is gone all the same
    EXPECT_EQ(array.Detach(nullptr), ZT_E_NULL_POINTER);

    // By reference: the handle moves out of the slot.
    tagDATAARRAY* slot = MakeVector(ZT_VT_I4, 1);
    tagDATAARRAY* expected = slot;
    CZtVariant byRef;
    byRef.vartype = ZT_VT_I4 | ZT_VT_ARRAY | ZT_VT_BYREF;
    byRef.data.byref = &slot;
    tagZTVARIANT* record = &byRef;
    EXPECT_EQ(array.Attach(record), ZT_S_OK);
    EXPECT_EQ(slot, nullptr);
    EXPECT_TRUE(byRef.IsEmpty());
    EXPECT_EQ(array.Detach(), expected);
    ZtDataArrayDestroy(expected);
}

TEST(DataArrayObject, CopiesAndAssignmentsAreDeep) {
    CZtDataArray a(ZT_VT_I4, 1, 2, 0);
    int index = 0;
    int value = 1;
    a.PutElement(&index, &value);
    CZtDataArray b(a);
    EXPECT_TRUE(a == b);
    value = 2;
    b.PutElement(&index, &value);
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a != b);

    CZtDataArray c;
    c = a;
    EXPECT_TRUE(c == a);
    c = c;
    EXPECT_TRUE(c == a);
    c = static_cast<const CZtDataArray*>(nullptr);  // a null object pointer changes nothing
    EXPECT_TRUE(c == a);
    c = &b;
    EXPECT_TRUE(c == b);

    tagDATAARRAY* handle = a.Detach();
    CZtDataArray d(handle, false);  // a copy; the caller keeps its handle
    EXPECT_NE(handle, nullptr);
    CZtDataArray e(handle, true);  // taken over
    EXPECT_EQ(handle, nullptr);
    EXPECT_TRUE(d == e);
    tagDATAARRAY* eHandle = e.Detach();
    tagDATAARRAY* taken = eHandle;
    e.Attach(taken);
    e = eHandle;  // its own handle: nothing happens
    EXPECT_TRUE(IsRegistered(eHandle));
    EXPECT_EQ(e.Detach(), eHandle);
    e.Attach(taken = eHandle);
    d = eHandle;  // a copy of it
    EXPECT_TRUE(d == e);

    c = static_cast<const CZtVariant*>(nullptr);
    EXPECT_EQ(c.Detach(), nullptr);
}

// Identifier elements compare by value, one element at a time, and convert
// to their text forms.
TEST(DataArrayObject, IdentifierArraysCompareByValueAndConvertToText) {
    const wchar_t kGuidText[] = L"{B040EE6B-4A59-426D-91C8-4A8012F67D60}";
    CZtGUID guid{CZtString(kGuidText)};
    CZtCHROMID id(1, 2, 3, 4, 5, 6);
    CZtDataArray guids(ZT_VT_GUID, 1, 2, 0);
    CZtDataArray ids(ZT_VT_CHROMID, 1, 2, 0);
    int index = 1;
    ASSERT_EQ(guids.PutElement(&index, &guid), ZT_S_OK);
    ASSERT_EQ(ids.PutElement(&index, &id), ZT_S_OK);
    CZtDataArray otherGuids(guids);
    CZtDataArray otherIds(ids);
    EXPECT_TRUE(otherGuids == guids);
    EXPECT_TRUE(otherIds == ids);
    index = 0;
    ASSERT_EQ(otherGuids.PutElement(&index, &guid), ZT_S_OK);
    ASSERT_EQ(otherIds.PutElement(&index, &id), ZT_S_OK);
    EXPECT_FALSE(otherGuids == guids);
    EXPECT_FALSE(otherIds == ids);

    ASSERT_EQ(guids.ZtDataArrayChangeType(ZT_VT_STRING), ZT_S_OK);
    ASSERT_EQ(ids.ZtDataArrayChangeType(ZT_VT_STRING), ZT_S_OK);
    CZtString text;
    index = 1;
    ASSERT_EQ(guids.GetElement(&index, &text), ZT_S_OK);
    EXPECT_EQ(std::wstring(text.w_str()), kGuidText);
    ASSERT_EQ(ids.GetElement(&index, &text), ZT_S_OK);
    EXPECT_EQ(std::wstring(text.w_str()), L"1.2.3.4.5.6");
}

// A shape with a zero count has no block: two such arrays are equal and hold
// no elements. A shape with more than 2^32 - 1 elements or bytes can have no
// block at all, so making it fails as an allocation does.
TEST(DataArrayObject, ShapesWithoutElementsAndShapesBeyond32Bits) {
    const CZtDataArray none(ZT_VT_I4, 1, 0, 0);
    const CZtDataArray alsoNone(ZT_VT_I4, 1, 0, 0);
    EXPECT_TRUE(none == alsoNone);
    unsigned int count = 9;
    ASSERT_EQ(none.GetElementCount(count, nullptr), ZT_S_OK);
    EXPECT_EQ(count, 0u);

    const tagDATAARRAYBOUND elements[] = {{65536, 0}, {65536, 0}};  // 2^32 elements
    EXPECT_THROW(CZtDataArray(ZT_VT_UI1, 2, elements), std::bad_alloc);
    const tagDATAARRAYBOUND bytes[] = {{0x20000000u, 0}};  // 2^29 elements, 2^32 bytes
    EXPECT_THROW(CZtDataArray(ZT_VT_I8, 1, bytes), std::bad_alloc);
}

TEST(DataArrayObject, ChangeTypeAndHeapObjects) {
    CZtDataArray* array = nullptr;
    CZtDataArray::CreateDataArray(&array);
    ASSERT_NE(array, nullptr);
    ASSERT_EQ(array->Create(ZT_VT_I4, 1, 2, 0), ZT_S_OK);
    int index = 1;
    int value = 12;
    array->PutElement(&index, &value);
    ASSERT_EQ(array->ZtDataArrayChangeType(ZT_VT_STRING), ZT_S_OK);
    CZtString text;
    ASSERT_EQ(array->GetElement(&index, &text), ZT_S_OK);
    EXPECT_STREQ(text.c_str(), "12");
    CZtDataArray::DestroyDataArray(array);
    CZtDataArray::DestroyDataArray(nullptr);
    CZtDataArray::CreateDataArray(nullptr);
}

}  // namespace
}  // namespace Varn
