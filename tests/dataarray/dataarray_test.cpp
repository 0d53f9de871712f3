// The data array C functions and the element types behind them: shapes and
// positions, refusals, element ownership, resizing, conversion, comparison.
#include <zotrel/dataarray.h>

#include <zotrel/blob.h>
#include <zotrel/chromid.h>
#include <zotrel/map.h>
#include <zotrel/string.h>
#include <zotrel/time.h>
#include <zotrel/variant.h>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include <malloc.h>

#include <climits>
#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "dataarray/dataarray_test_util.h"

namespace Varn {
namespace {

using zotrel_test::CountedDispatchObject;
using zotrel_test::CountedUnknownObject;
using zotrel_test::Get1;
using zotrel_test::IntAt;
using zotrel_test::IsRegistered;
using zotrel_test::MakeArray;
using zotrel_test::MakeVector;
using zotrel_test::Put1;
using zotrel_test::RefTally;

// The descriptor as callers see it on this platform.
static_assert(sizeof(tagDATAARRAY) == 32, "descriptor is 32 bytes with 8-byte pointers");
static_assert(offsetof(tagDATAARRAY, data) == 16, "data at 16");
static_assert(offsetof(tagDATAARRAY, firstBound) == 24, "firstBound at 24");
static_assert(sizeof(tagDATAARRAYBOUND) == 8, "a bound is 8 bytes");

// The current count of a counting object, read without changing it.
template <class T>
int CountOf(const T* object) {
    return object->Count();
}

// ---------------------------------------------------------------------------
// Shapes, positions and the block

TEST(DataArrayShape, TwoDimensionsOfIntegersStartZeroAndKeepRowMajorOrder) {
    tagDATAARRAY* array = MakeArray(ZT_VT_I4, {{3, 0}, {2, 1}});
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->dimCount, 2u);
    EXPECT_EQ(array->firstCount, 3u);
    EXPECT_EQ(array->firstBound.count, 3u);
    EXPECT_EQ(array->firstBound.lowerBound, 0);
    EXPECT_EQ(array->vartype, ZT_VT_I4);
    EXPECT_EQ(array->reserved, 0);

    unsigned int count = 0;
    unsigned int bytes = 0;
    ASSERT_EQ(ZtDataArrayGetElementCount(array, &count, &bytes), ZT_S_OK);
    EXPECT_EQ(count, 6u);
    EXPECT_EQ(bytes, 24u);

    void* data = nullptr;
    ASSERT_EQ(ZtDataArrayAccessData(array, &data), ZT_S_OK);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data, array->data);
    const int* block = static_cast<const int*>(data);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(block[i], 0) << i;

    // (1, 2) is position 1 * 2 + (2 - 1) = 3: the last index varies fastest.
    int at[] = {1, 2};
    int value = 77;
    ASSERT_EQ(ZtDataArrayPutElement(array, at, &value), ZT_S_OK);
    EXPECT_EQ(block[3], 77);
    int last[] = {2, 2};
    value = 99;
    ASSERT_EQ(ZtDataArrayPutElement(array, last, &value), ZT_S_OK);
    EXPECT_EQ(block[5], 99);
    ASSERT_EQ(ZtDataArrayUnaccessData(array), ZT_S_OK);

    int read = 0;
    EXPECT_EQ(ZtDataArrayGetElement(array, at, &read), ZT_S_OK);
    EXPECT_EQ(read, 77);
    EXPECT_EQ(ZtDataArrayDestroy(array), ZT_S_OK);
}

TEST(DataArrayShape, IndicesOutsideTheirDimensionAreRefusedAndTouchNothing) {
    tagDATAARRAY* array = MakeArray(ZT_VT_I4, {{5, 10}});
    struct Case {
        const char* name;
        int index;
        unsigned int expected;
    };
    const Case cases[] = {
        {"first", 10, ZT_S_OK},
        {"middle", 12, ZT_S_OK},
        {"last", 14, ZT_S_OK},
        {"one below", 9, ZT_E_INVALID_TYPE},
        {"one above", 15, ZT_E_INVALID_TYPE},
        {"far above", 1000000, ZT_E_INVALID_TYPE},
        {"INT_MIN", INT_MIN, ZT_E_INVALID_TYPE},
        {"INT_MAX", INT_MAX, ZT_E_INVALID_TYPE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int value = 42;
        EXPECT_EQ(Put1(array, c.index, value), c.expected);
        int read = -7;
        EXPECT_EQ(Get1(array, c.index, &read), c.expected);
        EXPECT_EQ(read, c.expected == ZT_S_OK ? 42 : -7);
    }

    // In two dimensions an index above its own dimension must not spill into
    // the next row.
    tagDATAARRAY* grid = MakeArray(ZT_VT_I4, {{2, 0}, {3, 0}});
    int spill[] = {0, 3};
    int value = 5;
    EXPECT_EQ(ZtDataArrayPutElement(grid, spill, &value), ZT_E_INVALID_TYPE);
    int below[] = {2, 0};
    EXPECT_EQ(ZtDataArrayPutElement(grid, below, &value), ZT_E_INVALID_TYPE);
    int next[] = {1, 0};
    int read = -1;
    EXPECT_EQ(ZtDataArrayGetElement(grid, next, &read), ZT_S_OK);
    EXPECT_EQ(read, 0);

    ZtDataArrayDestroy(grid);
    ZtDataArrayDestroy(array);
}

TEST(DataArrayShape, FlagsAreDroppedFromTheTypeCode) {
    tagDATAARRAY* array = ZtDataArrayCreate(ZT_VT_I4 | ZT_VT_ARRAY | ZT_VT_BYREF, 1,
                                            std::vector<tagDATAARRAYBOUND>{{2, 0}}.data());
    unsigned short vartype = 0;
    EXPECT_EQ(ZtDataArrayGetVartype(array, &vartype), ZT_S_OK);
    EXPECT_EQ(vartype, ZT_VT_I4);
    EXPECT_EQ(array->vartype, ZT_VT_I4);
    ZtDataArrayDestroy(array);
}

TEST(DataArrayShape, NullBoundsCreateNothing) {
    EXPECT_EQ(ZtDataArrayCreate(ZT_VT_I4, 1, nullptr), nullptr);
}

TEST(DataArrayShape, EveryElementTypeHasItsSizeAndABlock) {
    struct Case {
        unsigned short vartype;
        std::size_t size;
    };
    const Case cases[] = {
        {ZT_VT_BOOL, 1},
        {ZT_VT_I1, 1},
        {ZT_VT_I2, 2},
        {ZT_VT_I4, 4},
        {ZT_VT_I8, 8},
        {ZT_VT_UI1, 1},
        {ZT_VT_UI2, 2},
        {ZT_VT_UI4, 4},
        {ZT_VT_UI8, 8},
        {ZT_VT_R4, 4},
        {ZT_VT_R8, 8},
        {ZT_VT_TIMESPAN, sizeof(CZtTimeSpan)},
        {ZT_VT_TIME, sizeof(CZtTime)},
        {ZT_VT_BYTE, 1},
        {ZT_VT_WORD, 2},
        {ZT_VT_DWORD, 4},
        {ZT_VT_QWORD, 8},
        {ZT_VT_BLOB, sizeof(CZtBlob)},
        {ZT_VT_UNKNOWN, sizeof(void*)},
        {ZT_VT_RAW64, 8},
        {ZT_VT_REFERENCED, sizeof(void*)},
        {ZT_VT_VARIANT, sizeof(tagZTVARIANT)},
        {ZT_VT_GUID, 16},
        {ZT_VT_STRING, sizeof(CZtString)},
        {ZT_VT_CHROMID, sizeof(tagZTCHROMID)},
        {ZT_VT_MAP, sizeof(CZtMap)},
        {ZT_VT_DISPATCH, sizeof(void*)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.vartype);
        tagDATAARRAY* array = MakeVector(c.vartype, 3);
        EXPECT_NE(array->data, nullptr);
        unsigned int count = 0;
        unsigned int bytes = 0;
        EXPECT_EQ(ZtDataArrayGetElementCount(array, &count, &bytes), ZT_S_OK);
        EXPECT_EQ(count, 3u);
        EXPECT_EQ(bytes, 3 * c.size);
        // byteSize is optional.
        count = 0;
        EXPECT_EQ(ZtDataArrayGetElementCount(array, &count, nullptr), ZT_S_OK);
        EXPECT_EQ(count, 3u);
        EXPECT_EQ(ZtDataArrayDestroy(array), ZT_S_OK);
    }
}

TEST(DataArrayShape, TypeCodesWithoutElementsGiveArraysWithoutBlocks) {
    const unsigned short codes[] = {0, 14, 15, 16, 22, 23, 24, ZT_VT_RAW32, 29, 47, 54, 0x0FFF};
    for (unsigned short code : codes) {
        SCOPED_TRACE(code);
        tagDATAARRAY* array = MakeVector(code, 4);
        ASSERT_NE(array, nullptr);
        EXPECT_EQ(array->data, nullptr);
        EXPECT_EQ(array->firstCount, 4u);
        int value = 1;
        EXPECT_EQ(Get1(array, 0, &value), ZT_E_INVALID_OBJECT);
        EXPECT_EQ(Put1(array, 0, value), ZT_E_INVALID_OBJECT);
        unsigned int count = 1234;
        unsigned int bytes = 5678;
        EXPECT_EQ(ZtDataArrayGetElementCount(array, &count, &bytes), ZT_S_OK);
        EXPECT_EQ(count, 1234u);  // nothing written
        EXPECT_EQ(bytes, 5678u);
        EXPECT_EQ(ZtDataArrayChangeType(array, 0, ZT_VT_I4), ZT_E_INVALID_OBJECT);
        const tagDATAARRAYBOUND bound = {2, 0};
        EXPECT_EQ(ZtDataArrayRedim(array, 1, &bound), ZT_E_INVALID_OBJECT);
        unsigned short vartype = 0xFFFF;
        EXPECT_EQ(ZtDataArrayGetVartype(array, &vartype), ZT_S_OK);
        EXPECT_EQ(vartype, code);
        EXPECT_EQ(ZtDataArrayDestroy(array), ZT_S_OK);
    }
}

TEST(DataArrayShape, NoElementsMeansNoBlockAndEveryIndexIsRefused) {
    tagDATAARRAY* array = MakeArray(ZT_VT_I4, {{0, 0}});
    EXPECT_EQ(array->data, nullptr);
    EXPECT_EQ(array->firstCount, 0u);
    int value = 1;
    EXPECT_EQ(Get1(array, 0, &value), ZT_E_INVALID_TYPE);
    EXPECT_EQ(Put1(array, 0, value), ZT_E_INVALID_TYPE);
    EXPECT_EQ(Put1(array, -1, value), ZT_E_INVALID_TYPE);
    unsigned int count = 9;
    EXPECT_EQ(ZtDataArrayGetElementCount(array, &count, nullptr), ZT_S_OK);
    EXPECT_EQ(count, 0u);
    void* data = &value;
    EXPECT_EQ(ZtDataArrayAccessData(array, &data), ZT_S_OK);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(ZtDataArrayUnaccessData(array), ZT_S_OK);
    // Without a block there is nothing to resize or convert.
    const tagDATAARRAYBOUND bound = {3, 0};
    EXPECT_EQ(ZtDataArrayRedim(array, 1, &bound), ZT_E_INVALID_OBJECT);
    EXPECT_EQ(ZtDataArrayChangeType(array, 0, ZT_VT_STRING), ZT_E_INVALID_OBJECT);

    // A zero count anywhere empties the whole shape, however large the rest.
    tagDATAARRAY* wide = MakeArray(ZT_VT_R8, {{0x80000000u, 0}, {0x80000000u, 0}, {0, 0}});
    EXPECT_EQ(wide->data, nullptr);
    int at[] = {0, 0, 0};
    double d = 0;
    EXPECT_EQ(ZtDataArrayGetElement(wide, at, &d), ZT_E_INVALID_TYPE);
    EXPECT_EQ(ZtDataArrayDestroy(wide), ZT_S_OK);
    EXPECT_EQ(ZtDataArrayDestroy(array), ZT_S_OK);
}

TEST(DataArrayShape, ZeroDimensionsGiveAnArrayWithoutBoundsOrElements) {
    const tagDATAARRAYBOUND bound = {5, 0};
    tagDATAARRAY* array = ZtDataArrayCreate(ZT_VT_I4, 0, &bound);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->dimCount, 0u);
    EXPECT_EQ(array->data, nullptr);
    EXPECT_EQ(array->firstCount, 0u);  // there is no first dimension

    unsigned int dimCount = 7;
    tagDATAARRAYBOUND* bounds = nullptr;
    EXPECT_EQ(ZtDataArrayGetBounds(array, &dimCount, &bounds), ZT_E_INVALID_OBJECT);
    int index = 0;
    int value = 0;
    EXPECT_EQ(ZtDataArrayGetElement(array, &index, &value), ZT_E_INVALID_OBJECT);
    unsigned int count = 9;
    unsigned int bytes = 9;
    EXPECT_EQ(ZtDataArrayGetElementCount(array, &count, &bytes), ZT_S_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(bytes, 0u);
    EXPECT_EQ(ZtDataArrayRedim(array, 1, &bound), ZT_E_NOT_RESIZABLE);
    EXPECT_EQ(ZtDataArrayChangeType(array, 0, ZT_VT_R8), ZT_E_INVALID_OBJECT);

    // It copies to no array at all.
    tagDATAARRAY* copy = array;
    EXPECT_EQ(ZtDataArrayCopy(array, &copy), ZT_S_OK);
    EXPECT_EQ(copy, nullptr);

    tagDATAARRAY* other = ZtDataArrayCreate(ZT_VT_I4, 0, &bound);
    bool equal = false;
    EXPECT_EQ(ZtDataArrayCompare(array, other, &equal), ZT_S_OK);
    EXPECT_TRUE(equal);
    tagDATAARRAY* vector = MakeVector(ZT_VT_I4, 1);
    equal = true;
    EXPECT_EQ(ZtDataArrayCompare(array, vector, &equal), ZT_S_OK);
    EXPECT_TRUE(equal);  // different shapes: not written
    equal = false;
    EXPECT_EQ(ZtDataArrayCompare(vector, array, &equal), ZT_S_OK);
    EXPECT_FALSE(equal);

    ZtDataArrayDestroy(vector);
    ZtDataArrayDestroy(other);
    EXPECT_EQ(ZtDataArrayDestroy(array), ZT_S_OK);
}

TEST(DataArrayShape, ScribblingOnTheDescriptorCannotLeadOutsideTheBlock) {
    tagDATAARRAY* array = MakeVector(ZT_VT_I4, 2);
    // A caller that writes into the descriptor it may only read.
    array->dimCount = 3;
    array->vartype = ZT_VT_STRING;
    int inside = 1;
    int value = 5;
    EXPECT_EQ(ZtDataArrayPutElement(array, &inside, &value), ZT_S_OK);
    int outside = 2;
    EXPECT_EQ(ZtDataArrayPutElement(array, &outside, &value), ZT_E_INVALID_TYPE);
    unsigned short vartype = 0;
    ZtDataArrayGetVartype(array, &vartype);
    EXPECT_EQ(vartype, ZT_VT_I4);
    EXPECT_EQ(IntAt(array, 1), 5);
    // The next change rewrites the descriptor from the array's own state.
    const tagDATAARRAYBOUND bound = {3, 0};
    EXPECT_EQ(ZtDataArrayRedim(array, 1, &bound), ZT_S_OK);
    EXPECT_EQ(array->dimCount, 1u);
    EXPECT_EQ(array->vartype, ZT_VT_I4);
    ZtDataArrayDestroy(array);
}

// ---------------------------------------------------------------------------
// Refusals: null pointers, unknown handles, destroyed handles

// Every C function, called with `array` and otherwise valid arguments.
struct Call {
    const char* name;
    std::function<unsigned int(tagDATAARRAY*)> run;
};

// `live` is a registered array the comparisons pair `array` with.
std::vector<Call> EveryFunction(tagDATAARRAY* live) {
    static int indices[3] = {0, 0, 0};
    static int value = 0;
    static const tagDATAARRAYBOUND bound = {2, 0};
    return {
        {"Copy",
         [](tagDATAARRAY* a) {
             tagDATAARRAY* out = nullptr;
             return ZtDataArrayCopy(a, &out);
         }},
        {"Destroy", [](tagDATAARRAY* a) { return ZtDataArrayDestroy(a); }},
        {"Lock", [](tagDATAARRAY* a) { return ZtDataArrayLock(a); }},
        {"Unlock", [](tagDATAARRAY* a) { return ZtDataArrayUnlock(a); }},
        {"AccessData",
         [](tagDATAARRAY* a) {
             void* data = nullptr;
             return ZtDataArrayAccessData(a, &data);
         }},
        {"UnaccessData", [](tagDATAARRAY* a) { return ZtDataArrayUnaccessData(a); }},
        {"GetElement", [](tagDATAARRAY* a) { return ZtDataArrayGetElement(a, indices, &value); }},
        {"PutElement", [](tagDATAARRAY* a) { return ZtDataArrayPutElement(a, indices, &value); }},
        {"GetVartype",
         [](tagDATAARRAY* a) {
             unsigned short vartype = 0;
             return ZtDataArrayGetVartype(a, &vartype);
         }},
        {"GetBounds",
         [](tagDATAARRAY* a) {
             unsigned int dimCount = 0;
             tagDATAARRAYBOUND* bounds = nullptr;
             return ZtDataArrayGetBounds(a, &dimCount, &bounds);
         }},
        {"GetElementCount",
         [](tagDATAARRAY* a) {
             unsigned int count = 0;
             return ZtDataArrayGetElementCount(a, &count, nullptr);
         }},
        {"ChangeType", [](tagDATAARRAY* a) { return ZtDataArrayChangeType(a, 0, ZT_VT_R8); }},
        {"Redim", [](tagDATAARRAY* a) { return ZtDataArrayRedim(a, 1, &bound); }},
        {"CompareFirst",
         [live](tagDATAARRAY* a) {
             bool equal = false;
             return ZtDataArrayCompare(a, live, &equal);
         }},
        {"CompareSecond",
         [live](tagDATAARRAY* a) {
             bool equal = false;
             return ZtDataArrayCompare(live, a, &equal);
         }},
    };
}

TEST(DataArrayRefusals, NullHandlesGiveNullPointer) {
    tagDATAARRAY* live = MakeVector(ZT_VT_I4, 1);
    for (const Call& call : EveryFunction(live)) {
        SCOPED_TRACE(call.name);
        EXPECT_EQ(call.run(nullptr), ZT_E_NULL_POINTER);
    }
    ZtDataArrayDestroy(live);
}

TEST(DataArrayRefusals, AddressesThatWereNeverHandlesAreNotRead) {
    // A descriptor-shaped record the registry never made, and the address of
    // an unrelated object: neither is dereferenced.
    tagDATAARRAY fake;
    std::memset(&fake, 0, sizeof(fake));
    fake.dimCount = 1;
    fake.firstCount = 1;
    fake.vartype = ZT_VT_I4;
    int decoy = 0;
    tagDATAARRAY* live = MakeVector(ZT_VT_I4, 1);
    for (tagDATAARRAY* handle :
         {&fake, reinterpret_cast<tagDATAARRAY*>(&decoy), reinterpret_cast<tagDATAARRAY*>(0x10)}) {
        for (const Call& call : EveryFunction(live)) {
            SCOPED_TRACE(call.name);
            EXPECT_EQ(call.run(handle), ZT_E_INVALID_TYPE);
        }
    }
    ZtDataArrayDestroy(live);
}

TEST(DataArrayRefusals, DestroyedHandlesAreUnknown) {
    // Made first, so that no array of the test reuses a destroyed address.
    tagDATAARRAY* live = MakeVector(ZT_VT_I4, 1);
    for (const Call& call : EveryFunction(live)) {
        SCOPED_TRACE(call.name);
        tagDATAARRAY* array = MakeVector(ZT_VT_I4, 2);
        ASSERT_EQ(ZtDataArrayDestroy(array), ZT_S_OK);
        EXPECT_EQ(call.run(array), ZT_E_INVALID_TYPE);
    }
    ZtDataArrayDestroy(live);
}

TEST(DataArrayRefusals, NullOutputAndInputPointersAreRefusedBeforeAnythingElse) {
    tagDATAARRAY* array = MakeVector(ZT_VT_I4, 2);
    int index = 0;
    int value = 0;
    unsigned int dimCount = 0;
    unsigned short vartype = 0;
    tagDATAARRAYBOUND* bounds = nullptr;
    bool equal = false;
    EXPECT_EQ(ZtDataArrayCopy(array, nullptr), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZtDataArrayAccessData(array, nullptr), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZtDataArrayGetElement(array, nullptr, &value), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZtDataArrayGetElement(array, &index, nullptr), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZtDataArrayPutElement(array, nullptr, &value), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZtDataArrayPutElement(array, &index, nullptr), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZtDataArrayGetVartype(array, nullptr), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZtDataArrayGetBounds(array, nullptr, &bounds), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZtDataArrayGetBounds(array, &dimCount, nullptr), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZtDataArrayGetElementCount(array, nullptr, nullptr), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZtDataArrayCompare(array, array, nullptr), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZtDataArrayCompare(nullptr, array, &equal), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZtDataArrayCompare(array, nullptr, &equal), ZT_E_NULL_POINTER);
    // Null checks come first even for an unknown handle.
    tagDATAARRAY fake{};
    EXPECT_EQ(ZtDataArrayGetVartype(&fake, nullptr), ZT_E_NULL_POINTER);
    EXPECT_EQ(vartype, 0);
    // A null bounds for Redim is an argument of its own kind.
    EXPECT_EQ(ZtDataArrayRedim(array, 1, nullptr), ZT_E_INVALID_TYPE);
    EXPECT_EQ(ZtDataArrayDestroy(array), ZT_S_OK);
}

// ---------------------------------------------------------------------------
// Locking on one thread

TEST(DataArrayLocking, HoldsNestAndAreGivenBackOneByOne) {
    tagDATAARRAY* array = MakeVector(ZT_VT_I4, 3);
    EXPECT_EQ(ZtDataArrayUnlock(array), ZT_E_INVALID_OBJECT);  // nothing held
    EXPECT_EQ(ZtDataArrayLock(array), ZT_S_OK);
    void* data = nullptr;
    EXPECT_EQ(ZtDataArrayAccessData(array, &data), ZT_S_OK);
    EXPECT_EQ(data, array->data);
    // The holder can still use every function.
    EXPECT_EQ(Put1(array, 1, 8), ZT_S_OK);
    EXPECT_EQ(static_cast<int*>(data)[1], 8);
    EXPECT_EQ(ZtDataArrayUnaccessData(array), ZT_S_OK);
    EXPECT_EQ(ZtDataArrayUnlock(array), ZT_S_OK);
    EXPECT_EQ(ZtDataArrayUnlock(array), ZT_E_INVALID_OBJECT);
    EXPECT_EQ(ZtDataArrayUnaccessData(array), ZT_E_INVALID_OBJECT);
    EXPECT_EQ(ZtDataArrayDestroy(array), ZT_S_OK);
}

TEST(DataArrayLocking, DestroyingAnArrayItsThreadHoldsGivesUpTheHolds) {
    RefTally tally;
    auto* object = new CountedUnknownObject(&tally);
    tagDATAARRAY* array = MakeVector(ZT_VT_UNKNOWN, 1);
    IZtUnknown* pointer = object;
    ASSERT_EQ(Put1(array, 0, pointer), ZT_S_OK);
    object->Release();
    ASSERT_EQ(ZtDataArrayLock(array), ZT_S_OK);
    ASSERT_EQ(ZtDataArrayLock(array), ZT_S_OK);
    EXPECT_EQ(ZtDataArrayDestroy(array), ZT_S_OK);
    EXPECT_EQ(tally.destroyed.load(), 1);  // the element went with the array
    EXPECT_EQ(ZtDataArrayUnlock(array), ZT_E_INVALID_TYPE);
    // The leak checker of the sanitizer build would report an array object
    // kept alive by the holds.
}

// ---------------------------------------------------------------------------
// Copies

TEST(DataArrayCopy, CopiesAreIndependentAndKeepTheShape) {
    tagDATAARRAY* array = MakeArray(ZT_VT_I4, {{3, 1}});
    ASSERT_EQ(Put1(array, 2, 20), ZT_S_OK);
    tagDATAARRAY* copy = nullptr;
    ASSERT_EQ(ZtDataArrayCopy(array, &copy), ZT_S_OK);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, array);
    EXPECT_NE(copy->data, array->data);
    EXPECT_EQ(copy->dimCount, 1u);
    EXPECT_EQ(copy->firstCount, 3u);
    EXPECT_EQ(copy->firstBound.lowerBound, 1);
    EXPECT_EQ(IntAt(copy, 2), 20);
    ASSERT_EQ(Put1(copy, 2, 21), ZT_S_OK);
    EXPECT_EQ(IntAt(array, 2), 20);
    EXPECT_EQ(ZtDataArrayDestroy(array), ZT_S_OK);
    EXPECT_EQ(IntAt(copy, 2), 21);
    EXPECT_EQ(ZtDataArrayDestroy(copy), ZT_S_OK);
}

// ---------------------------------------------------------------------------
// Interface elements

TEST(DataArrayInterfaces, PutGetCopyRedimAndDestroyKeepTheCounts) {
    RefTally tally;
    auto* a = new CountedUnknownObject(&tally);
    auto* b = new CountedUnknownObject(&tally);
    auto* c = new CountedUnknownObject(&tally);
    tagDATAARRAY* array = MakeVector(ZT_VT_UNKNOWN, 3);
    IZtUnknown* pointers[] = {a, b, c};
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(Put1(array, i, pointers[i]), ZT_S_OK);
    EXPECT_EQ(CountOf(a), 2);  // the caller's and the array's

    IZtUnknown* got = nullptr;
    ASSERT_EQ(Get1(array, 0, &got), ZT_S_OK);
    EXPECT_EQ(got, a);
    EXPECT_EQ(CountOf(a), 3);  // the caller owns the reference it got
    got->Release();

    tagDATAARRAY* copy = nullptr;
    ASSERT_EQ(ZtDataArrayCopy(array, &copy), ZT_S_OK);
    EXPECT_EQ(CountOf(a), 3);
    EXPECT_EQ(CountOf(c), 3);

    // Shrinking releases the dropped elements and keeps the others once.
    const tagDATAARRAYBOUND one = {1, 0};
    ASSERT_EQ(ZtDataArrayRedim(copy, 1, &one), ZT_S_OK);
    EXPECT_EQ(CountOf(a), 3);
    EXPECT_EQ(CountOf(b), 2);
    EXPECT_EQ(CountOf(c), 2);

    // Putting null releases what the element held.
    IZtUnknown* null = nullptr;
    ASSERT_EQ(Put1(array, 1, null), ZT_S_OK);
    EXPECT_EQ(CountOf(b), 1);

    EXPECT_EQ(ZtDataArrayDestroy(copy), ZT_S_OK);
    EXPECT_EQ(CountOf(a), 2);
    EXPECT_EQ(ZtDataArrayDestroy(array), ZT_S_OK);
    EXPECT_EQ(CountOf(a), 1);
    EXPECT_EQ(CountOf(b), 1);
    EXPECT_EQ(CountOf(c), 1);
    a->Release();
    b->Release();
    c->Release();
    EXPECT_EQ(tally.destroyed.load(), 3);
    EXPECT_EQ(tally.addRefs.load() + 3, tally.releases.load());
}

TEST(DataArrayInterfaces, PuttingTheHeldPointerAgainKeepsItAlive) {
    RefTally tally;
    auto* object = new CountedUnknownObject(&tally);
    tagDATAARRAY* array = MakeVector(ZT_VT_UNKNOWN, 1);
    IZtUnknown* pointer = object;
    ASSERT_EQ(Put1(array, 0, pointer), ZT_S_OK);
    object->Release();  // the array holds the only reference now
    ASSERT_EQ(Put1(array, 0, pointer), ZT_S_OK);
    EXPECT_EQ(tally.destroyed.load(), 0);
    EXPECT_EQ(CountOf(object), 1);
    EXPECT_EQ(ZtDataArrayDestroy(array), ZT_S_OK);
    EXPECT_EQ(tally.destroyed.load(), 1);
}

TEST(DataArrayInterfaces, ConversionBetweenInterfaceTypesMovesTheReferences) {
    RefTally tally;
    auto* object = new CountedDispatchObject(&tally);
    tagDATAARRAY* array = MakeVector(ZT_VT_DISPATCH, 2);
    IZtDispatch* pointer = object;
    ASSERT_EQ(Put1(array, 0, pointer), ZT_S_OK);
    ASSERT_EQ(Put1(array, 1, pointer), ZT_S_OK);
    ASSERT_EQ(ZtDataArrayChangeType(array, 0, ZT_VT_UNKNOWN), ZT_S_OK);
    EXPECT_EQ(array->vartype, ZT_VT_UNKNOWN);
    EXPECT_EQ(CountOf(object), 3);
    IZtUnknown* got = nullptr;
    ASSERT_EQ(Get1(array, 0, &got), ZT_S_OK);
    EXPECT_EQ(got, static_cast<IZtUnknown*>(object));
    got->Release();
    // An IZtUnknown element does not become a dispatch, and a null element
    // (an empty variant) converts to nothing: both keep the initial null.
    IZtUnknown* null = nullptr;
    ASSERT_EQ(Put1(array, 1, null), ZT_S_OK);
    EXPECT_EQ(ZtDataArrayChangeType(array, 0, ZT_VT_DISPATCH), ZT_S_PARTIAL);
    EXPECT_EQ(array->vartype, ZT_VT_DISPATCH);
    EXPECT_EQ(CountOf(object), 1);
    ZtDataArrayDestroy(array);
    object->Release();
    EXPECT_EQ(tally.destroyed.load(), 1);
}

// ---------------------------------------------------------------------------
// Class elements

TEST(DataArrayClasses, StringsAreCopiedInAndOut) {
    tagDATAARRAY* array = MakeVector(ZT_VT_STRING, 2);
    CZtString text(L"pump");
    ASSERT_EQ(Put1(array, 0, text), ZT_S_OK);
    text.Append(L" 7");
    CZtString read;
    ASSERT_EQ(Get1(array, 0, &read), ZT_S_OK);
    EXPECT_STREQ(read.c_str(), "pump");
    ASSERT_EQ(Get1(array, 1, &read), ZT_S_OK);
    EXPECT_TRUE(read.IsEmpty());

    tagDATAARRAY* copy = nullptr;
    ASSERT_EQ(ZtDataArrayCopy(array, &copy), ZT_S_OK);
    ASSERT_EQ(Put1(copy, 0, CZtString(L"valve")), ZT_S_OK);
    ASSERT_EQ(Get1(array, 0, &read), ZT_S_OK);
    EXPECT_STREQ(read.c_str(), "pump");
    ZtDataArrayDestroy(copy);
    ZtDataArrayDestroy(array);
}

TEST(DataArrayClasses, BlobsTimesAndDurationsAreValues) {
    tagDATAARRAY* blobs = MakeVector(ZT_VT_BLOB, 1);
    CZtBlob bytes(QByteArray("abc"));
    ASSERT_EQ(Put1(blobs, 0, bytes), ZT_S_OK);
    bytes += CZtBlob(QByteArray("d"));
    CZtBlob readBytes;
    ASSERT_EQ(Get1(blobs, 0, &readBytes), ZT_S_OK);
    EXPECT_TRUE(readBytes == CZtBlob(QByteArray("abc")));

    tagDATAARRAY* times = MakeVector(ZT_VT_TIME, 2);
    CZtTime stamp(132707276967890000LL);
    ASSERT_EQ(Put1(times, 1, stamp), ZT_S_OK);
    stamp = 5LL;
    CZtTime readTime;
    ASSERT_EQ(Get1(times, 1, &readTime), ZT_S_OK);
    EXPECT_EQ(readTime.GetTimeStamp(), 132707276967890000LL);
    tagDATAARRAY* timesCopy = nullptr;
    ASSERT_EQ(ZtDataArrayCopy(times, &timesCopy), ZT_S_OK);
    ASSERT_EQ(Put1(timesCopy, 1, CZtTime(7LL)), ZT_S_OK);
    ASSERT_EQ(Get1(times, 1, &readTime), ZT_S_OK);
    EXPECT_EQ(readTime.GetTimeStamp(), 132707276967890000LL);

    tagDATAARRAY* spans = MakeVector(ZT_VT_TIMESPAN, 1);
    ASSERT_EQ(Put1(spans, 0, CZtTimeSpan(12345LL)), ZT_S_OK);
    CZtTimeSpan readSpan;
    ASSERT_EQ(Get1(spans, 0, &readSpan), ZT_S_OK);
    EXPECT_EQ(readSpan.GetTimeSpan(), 12345LL);

    for (tagDATAARRAY* array : {blobs, times, timesCopy, spans})
        EXPECT_EQ(ZtDataArrayDestroy(array), ZT_S_OK);
}

TEST(DataArrayClasses, VariantElementsTakeRecordsAndGiveVariants) {
    RefTally tally;
    auto* object = new CountedUnknownObject(&tally);
    tagDATAARRAY* array = MakeVector(ZT_VT_VARIANT, 3);
    CZtVariant text(L"level");
    ASSERT_EQ(Put1(array, 0, static_cast<const tagZTVARIANT&>(text)), ZT_S_OK);
    text = L"changed";
    {
        CZtVariant holder(static_cast<IZtUnknown*>(object));
        ASSERT_EQ(Put1(array, 1, static_cast<const tagZTVARIANT&>(holder)), ZT_S_OK);
    }
    EXPECT_EQ(CountOf(object), 2);

    CZtVariant read;
    ASSERT_EQ(Get1(array, 0, &read), ZT_S_OK);
    EXPECT_TRUE(read == CZtVariant(L"level"));
    ASSERT_EQ(Get1(array, 2, &read), ZT_S_OK);
    EXPECT_TRUE(read.IsEmpty());

    tagDATAARRAY* copy = nullptr;
    ASSERT_EQ(ZtDataArrayCopy(array, &copy), ZT_S_OK);
    EXPECT_EQ(CountOf(object), 3);
    ZtDataArrayDestroy(copy);
    ZtDataArrayDestroy(array);
    EXPECT_EQ(CountOf(object), 1);
    object->Release();
    EXPECT_EQ(tally.destroyed.load(), 1);
}

TEST(DataArrayClasses, MapElementsAreCopiedDeeply) {
    tagDATAARRAY* array = MakeVector(ZT_VT_MAP, 2);
    CZtMap map;
    map.Add(CZtString(L"a"), CZtVariant(1));
    ASSERT_EQ(Put1(array, 0, map), ZT_S_OK);
    map.Add(CZtString(L"b"), CZtVariant(2));  // the element does not see it

    tagDATAARRAY* copy = nullptr;
    ASSERT_EQ(ZtDataArrayCopy(array, &copy), ZT_S_OK);
    CZtMap inCopy;
    ASSERT_EQ(Get1(copy, 0, &inCopy), ZT_S_OK);
    EXPECT_EQ(inCopy.Count(), 1);
    inCopy.Add(CZtString(L"c"), CZtVariant(3));
    ASSERT_EQ(Put1(copy, 0, inCopy), ZT_S_OK);

    CZtMap original;
    ASSERT_EQ(Get1(array, 0, &original), ZT_S_OK);
    EXPECT_EQ(original.Count(), 1);
    EXPECT_TRUE(original[CZtString(L"a")] == CZtVariant(1));
    ZtDataArrayDestroy(copy);
    ZtDataArrayDestroy(array);
}

TEST(DataArrayClasses, ArraysInsideVariantElementsLiveAndDieWithTheirElement) {
    tagDATAARRAY* inner = MakeVector(ZT_VT_I4, 2);
    Put1(inner, 1, 5);
    tagDATAARRAY* outer = MakeVector(ZT_VT_VARIANT, 1);
    {
        CZtVariant holder(*inner);  // a registered copy
        ASSERT_EQ(Put1(outer, 0, static_cast<const tagZTVARIANT&>(holder)), ZT_S_OK);
    }
    ZtDataArrayDestroy(inner);
    tagDATAARRAY* copy = nullptr;
    ASSERT_EQ(ZtDataArrayCopy(outer, &copy), ZT_S_OK);
    CZtVariant read;
    ASSERT_EQ(Get1(copy, 0, &read), ZT_S_OK);
    ASSERT_TRUE(read.IsArray());
    EXPECT_EQ(IntAt(read.data.pArray, 1), 5);
    tagDATAARRAY* nested = read.data.pArray;
    read.Clear();
    EXPECT_FALSE(IsRegistered(nested));
    ZtDataArrayDestroy(copy);
    ZtDataArrayDestroy(outer);
}

// ---------------------------------------------------------------------------
// Resizing

std::vector<int> Ints(tagDATAARRAY* array) {
    std::vector<int> values;
    unsigned int count = 0;
    ZtDataArrayGetElementCount(array, &count, nullptr);
    void* data = nullptr;
    ZtDataArrayAccessData(array, &data);
    for (unsigned int i = 0; i < count; ++i)
        values.push_back(static_cast<int*>(data)[i]);
    ZtDataArrayUnaccessData(array);
    return values;
}

TEST(DataArrayRedim, GrowingKeepsValuesAndShrinkingDropsTheRest) {
    tagDATAARRAY* array = MakeVector(ZT_VT_I4, 4);
    for (int i = 0; i < 4; ++i)
        Put1(array, i, 10 + i);
    const tagDATAARRAYBOUND six = {6, 0};
    ASSERT_EQ(ZtDataArrayRedim(array, 1, &six), ZT_S_OK);
    EXPECT_EQ(Ints(array), (std::vector<int>{10, 11, 12, 13, 0, 0}));
    EXPECT_EQ(array->firstCount, 6u);
    const tagDATAARRAYBOUND two = {2, 5};
    ASSERT_EQ(ZtDataArrayRedim(array, 1, &two), ZT_S_OK);
    EXPECT_EQ(Ints(array), (std::vector<int>{10, 11}));
    EXPECT_EQ(array->firstBound.lowerBound, 5);
    EXPECT_EQ(IntAt(array, 6), 11);
    EXPECT_EQ(IntAt(array, 0), -1);  // outside the new bounds
    ZtDataArrayDestroy(array);
}

TEST(DataArrayRedim, TwoByThreeToThreeByTwoKeepsTheLinearOrder) {
    tagDATAARRAY* array = MakeArray(ZT_VT_I4, {{2, 0}, {3, 0}});
    int n = 0;
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j) {
            int at[] = {i, j};
            int value = 10 * i + j;
            ZtDataArrayPutElement(array, at, &value);
            ++n;
        }
    const tagDATAARRAYBOUND shape[] = {{3, 0}, {2, 0}};
    ASSERT_EQ(ZtDataArrayRedim(array, 2, shape), ZT_S_OK);
    EXPECT_EQ(Ints(array), (std::vector<int>{0, 1, 2, 10, 11, 12}));
    // The old element (1, 0), at position 3, is (1, 1) of the new shape.
    int at[] = {1, 1};
    int value = -1;
    ASSERT_EQ(ZtDataArrayGetElement(array, at, &value), ZT_S_OK);
    EXPECT_EQ(value, 10);
    int outside[] = {0, 2};
    EXPECT_EQ(ZtDataArrayGetElement(array, outside, &value), ZT_E_INVALID_TYPE);
    unsigned int dimCount = 0;
    tagDATAARRAYBOUND* bounds = nullptr;
    ASSERT_EQ(ZtDataArrayGetBounds(array, &dimCount, &bounds), ZT_S_OK);
    EXPECT_EQ(dimCount, 2u);
    EXPECT_EQ(bounds[0].count, 3u);
    EXPECT_EQ(bounds[1].count, 2u);
    EXPECT_EQ(array->firstCount, 3u);
    ZtDataArrayDestroy(array);
}

TEST(DataArrayRedim, NoElementsOrNoDimensionsLeaveNoBlock) {
    RefTally tally;
    auto* object = new CountedUnknownObject(&tally);
    tagDATAARRAY* array = MakeVector(ZT_VT_UNKNOWN, 2);
    IZtUnknown* pointer = object;
    Put1(array, 0, pointer);
    Put1(array, 1, pointer);
    EXPECT_EQ(CountOf(object), 3);
    const tagDATAARRAYBOUND empty = {0, 0};
    ASSERT_EQ(ZtDataArrayRedim(array, 1, &empty), ZT_S_OK);
    EXPECT_EQ(array->data, nullptr);
    EXPECT_EQ(array->firstCount, 0u);
    EXPECT_EQ(CountOf(object), 1);
    EXPECT_EQ(Get1(array, 0, &pointer), ZT_E_INVALID_TYPE);
    ZtDataArrayDestroy(array);

    tagDATAARRAY* strings = MakeVector(ZT_VT_STRING, 3);
    Put1(strings, 2, CZtString(L"x"));
    ASSERT_EQ(ZtDataArrayRedim(strings, 0, &empty), ZT_S_OK);
    EXPECT_EQ(strings->data, nullptr);
    EXPECT_EQ(strings->dimCount, 0u);
    unsigned int dimCount = 0;
    tagDATAARRAYBOUND* bounds = nullptr;
    EXPECT_EQ(ZtDataArrayGetBounds(strings, &dimCount, &bounds), ZT_E_INVALID_OBJECT);
    EXPECT_EQ(ZtDataArrayRedim(strings, 1, &empty), ZT_E_NOT_RESIZABLE);
    ZtDataArrayDestroy(strings);
    object->Release();
    EXPECT_EQ(tally.destroyed.load(), 1);
}

// ---------------------------------------------------------------------------
// Conversion

std::string TextAt(tagDATAARRAY* array, int index) {
    CZtString text;
    if (Get1(array, index, &text) != ZT_S_OK)
        return "<refused>";
    return text.c_str() ? text.c_str() : "";
}

TEST(DataArrayChangeType, IntegersBecomeTheirDecimalText) {
    tagDATAARRAY* array = MakeVector(ZT_VT_I4, 3);
    Put1(array, 0, -5);
    Put1(array, 2, 2147483647);
    void* oldBlock = array->data;
    ASSERT_EQ(ZtDataArrayChangeType(array, 0x1234, ZT_VT_STRING), ZT_S_OK);
    EXPECT_EQ(array->vartype, ZT_VT_STRING);
    EXPECT_NE(array->data, oldBlock);
    EXPECT_EQ(TextAt(array, 0), "-5");
    EXPECT_EQ(TextAt(array, 1), "0");
    EXPECT_EQ(TextAt(array, 2), "2147483647");
    EXPECT_EQ(array->firstCount, 3u);
    ZtDataArrayDestroy(array);
}

TEST(DataArrayChangeType, DoublesBecomeTextWithFifteenSignificantDigits) {
    tagDATAARRAY* array = MakeVector(ZT_VT_R8, 2);
    Put1(array, 0, 1.0 / 3.0);
    Put1(array, 1, 21.5);
    ASSERT_EQ(ZtDataArrayChangeType(array, 0, ZT_VT_STRING), ZT_S_OK);
    EXPECT_EQ(TextAt(array, 0), "0.333333333333333");
    EXPECT_EQ(TextAt(array, 1), "21.5");
    ZtDataArrayDestroy(array);
}

// Every integer width, at its limits and around zero: the text QString::number
// gives, whatever room the element's text was built with.
template <class T>
void ExpectDecimalTexts(unsigned short vartype, const std::vector<T>& values) {
    SCOPED_TRACE(vartype);
    tagDATAARRAY* array = MakeVector(vartype, static_cast<unsigned int>(values.size()));
    for (std::size_t i = 0; i < values.size(); ++i)
        ASSERT_EQ(Put1(array, static_cast<int>(i), values[i]), ZT_S_OK);
    ASSERT_EQ(ZtDataArrayChangeType(array, 0, ZT_VT_STRING), ZT_S_OK);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const QString expected = std::is_signed_v<T>
                                     ? QString::number(static_cast<long long>(values[i]))
                                     : QString::number(static_cast<unsigned long long>(values[i]));
        EXPECT_EQ(TextAt(array, static_cast<int>(i)), expected.toStdString()) << i;
    }
    ZtDataArrayDestroy(array);
}

TEST(DataArrayChangeType, IntegersOfEveryWidthBecomeTheTextQtGives) {
    ExpectDecimalTexts<signed char>(ZT_VT_I1, {SCHAR_MIN, -1, 0, 9, 10, SCHAR_MAX});
    ExpectDecimalTexts<short>(ZT_VT_I2, {SHRT_MIN, -10, 99, 100, SHRT_MAX});
    ExpectDecimalTexts<int>(ZT_VT_I4, {INT_MIN, INT_MIN + 1, -1000000000, -999999999, -1, 0,
                                       999999999, 1000000000, INT_MAX});
    ExpectDecimalTexts<long long>(ZT_VT_I8, {LLONG_MIN, LLONG_MIN + 1, -1, 0, LLONG_MAX});
    ExpectDecimalTexts<unsigned char>(ZT_VT_UI1, {0, 1, UCHAR_MAX});
    ExpectDecimalTexts<unsigned short>(ZT_VT_UI2, {0, 9999, 10000, USHRT_MAX});
    ExpectDecimalTexts<unsigned int>(ZT_VT_UI4, {0, 4000000000u, UINT_MAX});
    ExpectDecimalTexts<unsigned long long>(
        ZT_VT_UI8, {0, 9999999999999999999ull, 10000000000000000000ull, ULLONG_MAX});
}

// The texts of a converted array belong to its elements alone: copies taken
// out, copies of the array and QStrings of the texts outlive it, and changing
// any of them changes nothing else.
TEST(DataArrayChangeType, ConvertedTextsOutliveTheArrayAndItsCopies) {
    constexpr int kCount = 1000;
    tagDATAARRAY* array = MakeVector(ZT_VT_I4, kCount);
    for (int i = 0; i < kCount; ++i)
        Put1(array, i, i * 7919 - 400000000);
    ASSERT_EQ(ZtDataArrayChangeType(array, 0, ZT_VT_STRING), ZT_S_OK);
    tagDATAARRAY* copy = nullptr;
    ASSERT_EQ(ZtDataArrayCopy(array, &copy), ZT_S_OK);

    std::vector<CZtString> taken(kCount);
    std::vector<QString> texts(kCount);
    for (int i = 0; i < kCount; ++i) {
        ASSERT_EQ(Get1(array, i, &taken[i]), ZT_S_OK);
        texts[i] = taken[i];
    }
    ZtDataArrayDestroy(array);
    for (int i = 0; i < kCount; i += 2)
        taken[i].Append(L"!");
    for (int i = 1; i < kCount; i += 2)
        taken[i] = CZtString();  // the copy of the array holds these alone now

    for (int i = 0; i < kCount; ++i) {
        const std::string number = std::to_string(i * 7919 - 400000000);
        SCOPED_TRACE(number);
        EXPECT_EQ(TextAt(copy, i), number);
        EXPECT_EQ(texts[i].toStdString(), number);
        if (i % 2 == 0) {
            EXPECT_EQ(std::string(taken[i].c_str()), number + "!");
        }
    }
    ZtDataArrayDestroy(copy);
    for (int i = 0; i < kCount; ++i)
        texts[i].append(QChar('.'));  // each QString now owns its block alone
    EXPECT_EQ(texts[5].toStdString(), std::to_string(5 * 7919 - 400000000) + ".");
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// The heap bytes in use, as the C library counts them (sanitizers replace its
// allocator, so these figures only mean something without them).
std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Nothing of a converted array stays behind once it is destroyed: no cache or
// pool keeps the texts' memory.
TEST(DataArrayChangeType, DestroyingAConvertedArrayGivesBackEveryByte) {
    constexpr unsigned int kCount = 100000;
    auto convertAndDestroy = [](std::size_t* during) {
        tagDATAARRAY* array = MakeVector(ZT_VT_I4, kCount);
        for (unsigned int i = 0; i < kCount; ++i)
            Put1(array, static_cast<int>(i), static_cast<int>(i * 7919u));
        ASSERT_EQ(ZtDataArrayChangeType(array, 0, ZT_VT_STRING), ZT_S_OK);
        *during = HeapInUse();
        ZtDataArrayDestroy(array);
    };
    std::size_t during = 0;
    convertAndDestroy(&during);  // first use of the registry and the like
    const std::size_t before = HeapInUse();
    convertAndDestroy(&during);
    const std::size_t after = HeapInUse();
    EXPECT_GT(during, before + kCount * (sizeof(CZtString) + 64));
    EXPECT_LE(after, before + 4096);
}
#endif

TEST(DataArrayChangeType, ElementsThatDoNotConvertKeepTheInitialValue) {
    tagDATAARRAY* array = MakeVector(ZT_VT_STRING, 3);
    Put1(array, 0, CZtString(L"12"));
    Put1(array, 1, CZtString(L"abc"));
    Put1(array, 2, CZtString(L"0x1F"));
    EXPECT_EQ(ZtDataArrayChangeType(array, 0, ZT_VT_I4), ZT_S_PARTIAL);
    EXPECT_EQ(array->vartype, ZT_VT_I4);
    EXPECT_EQ(Ints(array), (std::vector<int>{12, 0, 31}));
    ZtDataArrayDestroy(array);
}

TEST(DataArrayChangeType, TheTargetCodeDecidesAmongCodesOfOneStorage) {
    // BOOL, UI1 and BYTE all store bytes; the conversion targets the code.
    tagDATAARRAY* toBool = MakeVector(ZT_VT_I4, 3);
    Put1(toBool, 1, 5);
    Put1(toBool, 2, 256);
    tagDATAARRAY* toByte = nullptr;
    ZtDataArrayCopy(toBool, &toByte);
    ASSERT_EQ(ZtDataArrayChangeType(toBool, 0, ZT_VT_BOOL), ZT_S_OK);
    ASSERT_EQ(ZtDataArrayChangeType(toByte, 0, ZT_VT_UI1), ZT_S_OK);
    EXPECT_EQ(toBool->vartype, ZT_VT_BOOL);
    EXPECT_EQ(toByte->vartype, ZT_VT_UI1);
    unsigned char b = 9;
    Get1(toBool, 1, &b);
    EXPECT_EQ(b, 1);
    Get1(toByte, 1, &b);
    EXPECT_EQ(b, 5);
    Get1(toBool, 2, &b);
    EXPECT_EQ(b, 0);  // 256 keeps its low byte first
    ZtDataArrayDestroy(toBool);
    ZtDataArrayDestroy(toByte);
}

TEST(DataArrayChangeType, SameTypeConvertsAndTargetsWithoutElementsAreRefused) {
    tagDATAARRAY* array = MakeVector(ZT_VT_R8, 2);
    Put1(array, 1, 2.5);
    ASSERT_EQ(ZtDataArrayChangeType(array, 0, ZT_VT_R8), ZT_S_OK);
    double d = 0;
    Get1(array, 1, &d);
    EXPECT_EQ(d, 2.5);
    EXPECT_EQ(ZtDataArrayChangeType(array, 0, ZT_VT_RAW32), ZT_E_INVALID_OBJECT);
    EXPECT_EQ(ZtDataArrayChangeType(array, 0, 60), ZT_E_INVALID_OBJECT);
    EXPECT_EQ(array->vartype, ZT_VT_R8);
    // To a variant array: each element becomes a variant of its value.
    ASSERT_EQ(ZtDataArrayChangeType(array, 0, ZT_VT_VARIANT), ZT_S_OK);
    CZtVariant v;
    Get1(array, 1, &v);
    EXPECT_TRUE(v == CZtVariant(2.5));
    // And back, through the variant conversion.
    ASSERT_EQ(ZtDataArrayChangeType(array, 0, ZT_VT_I8), ZT_S_OK);
    long long n = 0;
    Get1(array, 1, &n);
    EXPECT_EQ(n, 2);
    ZtDataArrayDestroy(array);
}

// ---------------------------------------------------------------------------
// Comparison

TEST(DataArrayCompare, ShapesTypesAndElementsDecide) {
    tagDATAARRAY* a = MakeVector(ZT_VT_I4, 3);
    tagDATAARRAY* b = MakeVector(ZT_VT_I4, 3);
    Put1(a, 1, 4);
    Put1(b, 1, 4);
    bool equal = false;
    ASSERT_EQ(ZtDataArrayCompare(a, a, &equal), ZT_S_OK);
    EXPECT_TRUE(equal);
    equal = false;
    ASSERT_EQ(ZtDataArrayCompare(a, b, &equal), ZT_S_OK);
    EXPECT_TRUE(equal);
    Put1(b, 2, 1);
    ASSERT_EQ(ZtDataArrayCompare(a, b, &equal), ZT_S_OK);
    EXPECT_FALSE(equal);

    // Different shapes leave the flag as it was, whatever the elements.
    tagDATAARRAY* lower = MakeArray(ZT_VT_I4, {{3, 1}});
    tagDATAARRAY* twoDims = MakeArray(ZT_VT_I4, {{3, 0}, {1, 0}});
    for (tagDATAARRAY* other : {lower, twoDims}) {
        equal = true;
        ASSERT_EQ(ZtDataArrayCompare(b, other, &equal), ZT_S_OK);
        EXPECT_TRUE(equal);
        equal = false;
        ASSERT_EQ(ZtDataArrayCompare(a, other, &equal), ZT_S_OK);
        EXPECT_FALSE(equal);
    }

    // Same shape, element types 4 and 11: never equal.
    tagDATAARRAY* doubles = MakeVector(ZT_VT_R8, 3);
    tagDATAARRAY* zeros = MakeVector(ZT_VT_I4, 3);
    equal = true;
    ASSERT_EQ(ZtDataArrayCompare(zeros, doubles, &equal), ZT_S_OK);
    EXPECT_FALSE(equal);

    // Strings in different objects compare by their text.
    tagDATAARRAY* s1 = MakeVector(ZT_VT_STRING, 1);
    tagDATAARRAY* s2 = MakeVector(ZT_VT_STRING, 1);
    Put1(s1, 0, CZtString(L"same"));
    Put1(s2, 0, CZtString(L"same"));
    equal = false;
    ASSERT_EQ(ZtDataArrayCompare(s1, s2, &equal), ZT_S_OK);
    EXPECT_TRUE(equal);

    for (tagDATAARRAY* array : {a, b, lower, twoDims, doubles, zeros, s1, s2})
        ZtDataArrayDestroy(array);
}

// ---------------------------------------------------------------------------
// Client code that calls back while an array runs it

TEST(DataArrayReentrancy, CallbacksFindTheArrayClosedWhileItIsRestructured) {
    RefTally tally;
    auto* object = new CountedUnknownObject(&tally);
    tagDATAARRAY* array = MakeVector(ZT_VT_UNKNOWN, 3);
    IZtUnknown* pointer = object;
    Put1(array, 2, pointer);
    object->Release();  // the array holds the only reference

    // Shrinking releases the object from inside Redim: the callback must not
    // reach the array while its shape and block are being replaced.
    std::vector<unsigned int> seen;
    object->OnRelease([&] {
        IZtUnknown* element = nullptr;
        seen.push_back(Get1(array, 0, &element));
        const tagDATAARRAYBOUND bound = {5, 0};
        seen.push_back(ZtDataArrayRedim(array, 1, &bound));
        seen.push_back(ZtDataArrayDestroy(array));
    });
    const tagDATAARRAYBOUND one = {1, 0};
    ASSERT_EQ(ZtDataArrayRedim(array, 1, &one), ZT_S_OK);
    EXPECT_EQ(tally.destroyed.load(), 1);
    EXPECT_EQ(seen, (std::vector<unsigned int>{ZT_E_INVALID_OBJECT, ZT_E_INVALID_OBJECT,
                                               ZT_E_INVALID_OBJECT}));
    EXPECT_TRUE(IsRegistered(array));
    EXPECT_EQ(ZtDataArrayDestroy(array), ZT_S_OK);
}

TEST(DataArrayReentrancy, ReplacingAnElementCannotBeUndercutByItsRelease) {
    RefTally tally;
    auto* object = new CountedUnknownObject(&tally);
    tagDATAARRAY* array = MakeVector(ZT_VT_UNKNOWN, 2);
    IZtUnknown* pointer = object;
    Put1(array, 0, pointer);
    object->Release();

    std::vector<unsigned int> seen;
    object->OnRelease([&] {
        // Restructuring is refused while an element is being written; reading
        // another element is fine.
        const tagDATAARRAYBOUND bound = {0, 0};
        seen.push_back(ZtDataArrayRedim(array, 1, &bound));
        seen.push_back(ZtDataArrayChangeType(array, 0, ZT_VT_VARIANT));
        IZtUnknown* other = reinterpret_cast<IZtUnknown*>(0x1);
        seen.push_back(Get1(array, 1, &other));
        seen.push_back(other == nullptr ? 0u : 1u);
    });
    IZtUnknown* null = nullptr;
    ASSERT_EQ(Put1(array, 0, null), ZT_S_OK);
    EXPECT_EQ(tally.destroyed.load(), 1);
    EXPECT_EQ(seen,
              (std::vector<unsigned int>{ZT_E_INVALID_OBJECT, ZT_E_INVALID_OBJECT, ZT_S_OK, 0u}));
    ZtDataArrayDestroy(array);
}

TEST(DataArrayReentrancy, DestroyingFromTheLastReleaseFindsTheHandleGone) {
    RefTally tally;
    auto* object = new CountedUnknownObject(&tally);
    tagDATAARRAY* array = MakeVector(ZT_VT_UNKNOWN, 1);
    IZtUnknown* pointer = object;
    Put1(array, 0, pointer);
    object->Release();
    std::vector<unsigned int> seen;
    object->OnRelease([&] {
        seen.push_back(ZtDataArrayDestroy(array));
        int index = 0;
        seen.push_back(ZtDataArrayGetElement(array, &index, &pointer));
    });
    ASSERT_EQ(ZtDataArrayDestroy(array), ZT_S_OK);
    EXPECT_EQ(seen, (std::vector<unsigned int>{ZT_E_INVALID_TYPE, ZT_E_INVALID_TYPE}));
    EXPECT_EQ(tally.destroyed.load(), 1);
}

}  // namespace
}  // namespace Varn
