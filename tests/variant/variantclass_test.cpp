// CZtVariant: construction, assignment, typed getters, Detach and Attach,
// queries and comparison operators.
#include <zotrel/variant.h>

#include <zotrel/blob.h>
#include <zotrel/chromid.h>
#include <zotrel/dataarray.h>
#include <zotrel/guid.h>
#include <zotrel/string.h>
#include <zotrel/time.h>

#include <QString>

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
using zotrel_test::PayloadBits;
using zotrel_test::Record;
using zotrel_test::RefTo;
using zotrel_test::Tally;
using zotrel_test::Text;
using zotrel_test::TextIn;
using zotrel_test::Typed;

const wchar_t kGuidText[] = L"{B040EE6B-4A59-426D-91C8-4A8012F67D60}";

TEST(VariantClass, ConstructorsStoreTheirTypeCodeAndNullPointersGiveEmpty) {
    const QString qtext = QStringLiteral("q");
    const CZtBlob bytes("b");
    struct Case {
        const char* name;
        CZtVariant v;
        unsigned short type;
    } cases[] = {
        {"unsigned short", CZtVariant(static_cast<unsigned short>(1)), ZT_VT_UI2},
        {"unsigned long long", CZtVariant(1ull), ZT_VT_UI8},
        {"QString", CZtVariant(qtext), ZT_VT_STRING},
        {"narrow text", CZtVariant("n"), ZT_VT_STRING},
        {"blob", CZtVariant(bytes), ZT_VT_BLOB},
        {"chromid", CZtVariant(CZtCHROMID(1, 2, 3, 4, 5, 6)), ZT_VT_CHROMID},
        {"QString pointer", CZtVariant(&qtext), ZT_VT_STRING},
        {"null CZtString pointer", CZtVariant(static_cast<const CZtString*>(nullptr)), 0},
        {"null QString pointer", CZtVariant(static_cast<const QString*>(nullptr)), 0},
        {"null blob pointer", CZtVariant(static_cast<const CZtBlob*>(nullptr)), 0},
        {"null narrow text", CZtVariant(static_cast<const char*>(nullptr)), 0},
        {"null wide text", CZtVariant(static_cast<const wchar_t*>(nullptr)), 0},
        {"null variant pointer", CZtVariant(static_cast<const CZtVariant*>(nullptr)), 0},
        {"null record pointer", CZtVariant(static_cast<const tagZTVARIANT*>(nullptr)), 0},
        {"null unknown", CZtVariant(static_cast<IZtUnknown*>(nullptr)), 0},
        {"null referenced", CZtVariant(static_cast<IZtReferenced*>(nullptr)), 0},
        {"null dispatch", CZtVariant(static_cast<IZtDispatch*>(nullptr)), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.v.vartype, c.type);
        if (c.type == 0) {
            EXPECT_TRUE(c.v.IsEmpty());
            EXPECT_TRUE(IsZeroRecord(c.v));
        }
    }
}

TEST(VariantClass, TextConstructorsTakeLengthsAndLatin1) {
    EXPECT_EQ(TextIn(CZtVariant("abcdef", 3)), L"abc");
    EXPECT_EQ(TextIn(CZtVariant(L"abcdef", 2)), L"ab");
    EXPECT_EQ(TextIn(CZtVariant("\xE9t\xE9")), L"\u00E9t\u00E9");
    const CZtString text(L"shared");
    const CZtVariant v(text);
    EXPECT_EQ(v.data.pString->w_str(), text.w_str());  // one body
}

TEST(VariantClass, AssignmentReleasesTheOldValue) {
    Tally tally;
    auto* object = new CountingObject(&tally);
    CZtVariant v(static_cast<IZtUnknown*>(object));
    object->Release();
    v = 5;
    EXPECT_EQ(tally.destroyed, 1);
    EXPECT_EQ(v.vartype, ZT_VT_I4);
    v = L"text";
    EXPECT_EQ(TextIn(v), L"text");
    v = static_cast<const char*>(nullptr);
    EXPECT_TRUE(v.IsEmpty());
    v = CZtTimeSpan(3LL);
    EXPECT_EQ(v.vartype, ZT_VT_TIMESPAN);
    v = static_cast<const CZtBlob*>(nullptr);
    EXPECT_TRUE(v.IsEmpty());
}

TEST(VariantClass, SelfAssignmentLeavesTheValue) {
    CZtVariant v(L"self");
    CZtString* held = v.data.pString;
    CZtVariant& same = v;
    v = same;
    EXPECT_EQ(v.data.pString, held);
    v = &v;
    EXPECT_EQ(v.data.pString, held);
    v = static_cast<const tagZTVARIANT&>(v);
    v = static_cast<const tagZTVARIANT*>(&v);
    EXPECT_EQ(v.data.pString, held);
    EXPECT_EQ(TextIn(v), L"self");
}

TEST(VariantClass, AssigningAValueTheVariantHoldsIsSafe) {
    CZtVariant v(L"own");
    v = *v.data.pString;  // the string the variant is about to release
    EXPECT_EQ(TextIn(v), L"own");
    CZtVariant id(CZtCHROMID(L"Plant"));
    id = id.data.chromid;
    EXPECT_EQ(Text(CZtString(id)), L"Plant");
    Tally tally;
    auto* object = new CountingObject(&tally);
    CZtVariant counted(static_cast<IZtUnknown*>(object));
    object->Release();
    counted = static_cast<IZtUnknown*>(object);  // the one it holds
    EXPECT_EQ(tally.destroyed, 0);
    EXPECT_EQ(object->Count(), 1);
}

// One numeric type through assignment, getter and Detach: the assignment
// replaces (and frees) a held string with the type's own code and bits, the
// getter reads them back directly or converts a text, and Detach moves the
// value out of its own code or out of a converted text.
template <class T>
void CheckNumberRoundTrip(T value, unsigned short type, unsigned long long bits) {
    SCOPED_TRACE(type);
    CZtVariant v(L"held");
    EXPECT_EQ(&(v = value), &v);
    EXPECT_EQ(v.vartype, type);
    EXPECT_EQ(PayloadBits(v, sizeof(T)), bits);
    EXPECT_EQ(static_cast<T>(v), value);
    const CZtVariant twelve(L"12");
    EXPECT_EQ(static_cast<T>(twelve), T(12));
    T out{};
    EXPECT_EQ(v.Detach(&out), ZT_S_OK);
    EXPECT_EQ(out, value);
    EXPECT_TRUE(v.IsEmpty());
    CZtVariant text(L"12");
    EXPECT_EQ(text.Detach(&out), ZT_S_OK);
    EXPECT_EQ(out, T(12));
    EXPECT_EQ(text.Detach(static_cast<T*>(nullptr)), ZT_E_NULL_POINTER);
    // A null reference of another numeric type fails in the by-value copy.
    CZtVariant nullRef = Typed(ZT_VT_VARIANT | ZT_VT_BYREF);
    out = value;
    EXPECT_EQ(nullRef.Detach(&out), ZT_E_NULL_POINTER);
    EXPECT_EQ(out, value);
}

TEST(VariantClass, EveryNumberTypeAssignsReadsAndDetaches) {
    CheckNumberRoundTrip<signed char>(-5, ZT_VT_I1, 0xFB);
    CheckNumberRoundTrip<short>(-2, ZT_VT_I2, 0xFFFE);
    CheckNumberRoundTrip<int>(-3, ZT_VT_I4, 0xFFFFFFFD);
    CheckNumberRoundTrip<long long>(-1, ZT_VT_I8, ~0ull);
    CheckNumberRoundTrip<unsigned char>(200, ZT_VT_UI1, 200);
    CheckNumberRoundTrip<unsigned short>(0xBEEF, ZT_VT_UI2, 0xBEEF);
    CheckNumberRoundTrip<unsigned int>(0xDEADBEEFu, ZT_VT_UI4, 0xDEADBEEF);
    CheckNumberRoundTrip<unsigned long long>(0x0123456789ABCDEFull, ZT_VT_UI8,
                                             0x0123456789ABCDEFull);
    CheckNumberRoundTrip<float>(1.5f, ZT_VT_R4, 0x3FC00000);
    CheckNumberRoundTrip<double>(-0.5, ZT_VT_R8, 0xBFE0000000000000ull);
}

TEST(VariantClass, ObjectAssignmentsAndPointerFormsCopyTheirSource) {
    Tally tally;
    auto* object = new CountingReferenced(&tally);
    const QString qtext = QStringLiteral("q");
    const CZtString text(L"t");
    const CZtBlob bytes("b");
    const CZtGUID guid{CZtString(kGuidText)};
    CZtVariant v(static_cast<IZtReferenced*>(object));
    EXPECT_EQ(object->Count(), 2);

    EXPECT_EQ(&(v = qtext), &v);
    EXPECT_EQ(object->Count(), 1);  // the old reference is released
    EXPECT_EQ(TextIn(v), L"q");
    v = &text;
    EXPECT_EQ(TextIn(v), L"t");
    EXPECT_NE(v.data.pString, &text);  // a copy of the handle
    v = &qtext;
    EXPECT_EQ(TextIn(v), L"q");
    v = bytes;
    ASSERT_EQ(v.vartype, ZT_VT_BLOB);
    EXPECT_TRUE(*v.data.pBlob == bytes);
    v = CZtTime(500LL);
    ASSERT_EQ(v.vartype, ZT_VT_TIME);
    EXPECT_EQ(v.operator CZtTime().GetTimeStamp(), 500);
    v = static_cast<const tagZTGUID&>(guid);
    ASSERT_EQ(v.vartype, ZT_VT_GUID);
    EXPECT_EQ(std::memcmp(&v.data, static_cast<const tagZTGUID*>(&guid), sizeof(tagZTGUID)), 0);
    v = static_cast<IZtReferenced*>(object);
    EXPECT_EQ(v.vartype, ZT_VT_REFERENCED);
    EXPECT_EQ(object->Count(), 2);

    const CZtVariant source(-7);
    v = &source;
    EXPECT_EQ(static_cast<int>(v), -7);
    EXPECT_EQ(object->Count(), 1);
    v = L"x";
    v = static_cast<const tagZTVARIANT*>(&source);
    EXPECT_EQ(static_cast<int>(v), -7);

    // The pointer constructors copy a non-null source.
    EXPECT_EQ(TextIn(CZtVariant(&text)), L"t");
    const CZtVariant fromBlob(&bytes);
    ASSERT_EQ(fromBlob.vartype, ZT_VT_BLOB);
    EXPECT_TRUE(*fromBlob.data.pBlob == bytes);
    EXPECT_EQ(static_cast<int>(CZtVariant(static_cast<const tagZTVARIANT*>(&source))), -7);

    // An array is copied: the variant owns a registered copy of its own.
    const tagDATAARRAYBOUND bound = {2, 0};
    tagDATAARRAY* array = ZtDataArrayCreate(ZT_VT_I2, 1, &bound);
    ASSERT_NE(array, nullptr);
    v = *array;
    EXPECT_EQ(v.vartype, ZT_VT_I2 | ZT_VT_ARRAY);
    EXPECT_NE(v.data.pArray, array);
    unsigned short element = 0;
    EXPECT_EQ(ZtDataArrayGetVartype(v.data.pArray, &element), ZT_S_OK);
    EXPECT_EQ(element, ZT_VT_I2);
    EXPECT_EQ(v.operator CZtTime().GetTimeStamp(), 0);  // an array has no time
    CZtGUID outGuid;
    EXPECT_EQ(v.Detach(&outGuid), ZT_E_NOT_SUPPORTED);
    EXPECT_EQ(v.vartype, ZT_VT_I2 | ZT_VT_ARRAY);
    v.Clear();
    EXPECT_EQ(ZtDataArrayDestroy(array), ZT_S_OK);

    // Failures leave the variant as it was.
    EXPECT_EQ(v.Detach(static_cast<CZtGUID*>(nullptr)), ZT_E_NULL_POINTER);
    CZtVariant word(L"not an id");
    EXPECT_EQ(word.Detach(&outGuid), ZT_E_INVALID_OBJECT);  // the text does not parse
    CZtTimeSpan span;
    EXPECT_EQ(word.Detach(&span, ZT_VT_RAW32), ZT_E_NOT_SUPPORTED);  // no conversion to RAW32
    EXPECT_EQ(TextIn(word), L"not an id");
    IZtUnknown* unknown = nullptr;
    CZtVariant nullUnknownRef = Typed(ZT_VT_UNKNOWN | ZT_VT_BYREF);
    EXPECT_EQ(nullUnknownRef.Detach(&unknown), ZT_E_NULL_POINTER);
    EXPECT_EQ(nullUnknownRef.vartype, ZT_VT_UNKNOWN | ZT_VT_BYREF);

    object->Release();
    EXPECT_EQ(tally.destroyed, 1);
}

TEST(VariantClass, NullInterfaceGivesAnEmptyVariant) {
    CZtVariant v(static_cast<IZtUnknown*>(nullptr));
    EXPECT_TRUE(v.IsEmpty());
    v = static_cast<IZtDispatch*>(nullptr);
    EXPECT_TRUE(v.IsEmpty());
}

// ---------------------------------------------------------------------------
// Getters

TEST(VariantGetters, TextReadsAsANumberAndStaysText) {
    const CZtVariant v(L"12");
    EXPECT_EQ(static_cast<int>(v), 12);
    EXPECT_EQ(static_cast<unsigned char>(v), 12);
    EXPECT_EQ(static_cast<double>(v), 12.0);
    EXPECT_EQ(v.vartype, ZT_VT_STRING);
    EXPECT_EQ(TextIn(v), L"12");
}

TEST(VariantGetters, TableOfReads) {
    Tally tally;
    auto* object = new CountingObject(&tally);
    int seven = 7;
    const CZtVariant nine(9);
    struct Case {
        const char* name;
        CZtVariant v;
        int asInt;
        unsigned char asByte;
        double asDouble;
        long long asLongLong;
    } cases[] = {
        {"int own", CZtVariant(-3), -3, 253, -3.0, -3},
        {"double", CZtVariant(2.75), 2, 2, 2.75, 2},
        {"text 0x1F", CZtVariant(L"0x1F"), 31, 31, 0, 31},  // 0x.. is no double
        {"text abc", CZtVariant(L"abc"), 0, 0, 0, 0},
        {"byte via conversion", Record(ZT_VT_BYTE, static_cast<unsigned char>(200)), 200, 200, 200,
         200},
        {"bool", Record(ZT_VT_BOOL, static_cast<unsigned char>(1)), 1, 1, 1, 1},
        {"unknown gives 0", CZtVariant(static_cast<IZtUnknown*>(object)), 0, 0, 0, 0},
        {"empty", CZtVariant(), 0, 0, 0, 0},
        {"int by reference", RefTo(ZT_VT_I4, &seven), 7, 7, 7, 7},
        {"variant reference", RefTo(ZT_VT_VARIANT, &nine), 9, 9, 9, 9},
        {"null int reference", Typed(ZT_VT_I4 | ZT_VT_BYREF), 0, 0, 0, 0},
        {"timespan", CZtVariant(CZtTimeSpan(300LL)), 300, 44, 300, 300},
        {"array", Record(ZT_VT_I4 | ZT_VT_ARRAY, static_cast<void*>(nullptr)), 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const tagZTVARIANT before = c.v;
        EXPECT_EQ(static_cast<int>(c.v), c.asInt);
        EXPECT_EQ(static_cast<unsigned char>(c.v), c.asByte);
        EXPECT_EQ(static_cast<double>(c.v), c.asDouble);
        EXPECT_EQ(static_cast<long long>(c.v), c.asLongLong);
        EXPECT_EQ(std::memcmp(&before, &c.v, sizeof(before)), 0);  // unchanged
    }
    object->Release();
}

TEST(VariantGetters, TimeQStringTextAndInterfaces) {
    CZtVariant time(CZtTime(500LL));
    EXPECT_EQ(time.operator CZtTime().GetTimeStamp(), 500);
    CZtVariant stamp(700LL);
    EXPECT_EQ(stamp.operator CZtTime().GetTimeStamp(), 700);
    CZtVariant nullTime = Typed(ZT_VT_TIME);
    EXPECT_EQ(nullTime.operator CZtTime().GetYear(), 1601);  // a default time
    CZtVariant notATime(5);
    EXPECT_EQ(notATime.operator CZtTime().GetTimeStamp(), 0);
    EXPECT_EQ(notATime.operator CZtTime().GetYear(), 0);  // the converted (reset) time
    CZtTime assigned = time;                              // the getter, as a conversion
    EXPECT_EQ(assigned.GetTimeStamp(), 500);

    CZtVariant text(L"words");
    EXPECT_EQ(text.operator QString(), QStringLiteral("words"));
    EXPECT_STREQ(text.c_str(), "words");
    EXPECT_EQ(std::wstring(text.w_str()), L"words");
    CZtVariant number(5);
    EXPECT_TRUE(number.operator QString().isEmpty());  // no conversion
    EXPECT_EQ(number.c_str(), nullptr);
    EXPECT_EQ(number.w_str(), nullptr);
    CZtString target(L"referenced");
    CZtString* slot = &target;
    CZtVariant ref = RefTo(ZT_VT_STRING, &slot);
    EXPECT_STREQ(ref.c_str(), "referenced");
    EXPECT_EQ(ref.operator QString(), QStringLiteral("referenced"));

    Tally tally;
    auto* unknown = new CountingObject(&tally);
    auto* referenced = new CountingReferenced(&tally);
    auto* dispatch = new CountingDispatch(&tally);
    {
        const CZtVariant u(static_cast<IZtUnknown*>(unknown));
        const CZtVariant r(static_cast<IZtReferenced*>(referenced));
        const CZtVariant d(static_cast<IZtDispatch*>(dispatch));
        EXPECT_EQ(static_cast<IZtUnknown*>(u), unknown);
        EXPECT_EQ(static_cast<IZtReferenced*>(u), static_cast<IZtReferenced*>(unknown));
        EXPECT_EQ(static_cast<IZtDispatch*>(u), nullptr);
        EXPECT_EQ(static_cast<IZtUnknown*>(r), nullptr);
        EXPECT_EQ(static_cast<IZtReferenced*>(r), referenced);
        EXPECT_EQ(static_cast<IZtUnknown*>(d), static_cast<IZtUnknown*>(dispatch));
        EXPECT_EQ(static_cast<IZtReferenced*>(d), static_cast<IZtReferenced*>(dispatch));
        EXPECT_EQ(static_cast<IZtDispatch*>(d), dispatch);
        EXPECT_EQ(static_cast<IZtUnknown*>(CZtVariant(5)), nullptr);
        EXPECT_EQ(unknown->Count(), 2);  // no reference given out
    }
    unknown->Release();
    referenced->Release();
    dispatch->Release();
    EXPECT_EQ(tally.destroyed, 3);
}

// ---------------------------------------------------------------------------
// Detach and Attach

TEST(VariantDetach, NumberFromTextSucceedsOrLeavesTheVariant) {
    CZtVariant v(L"42");
    int out = 0;
    EXPECT_EQ(v.Detach(&out, ZT_VT_I4), ZT_S_OK);
    EXPECT_EQ(out, 42);
    EXPECT_TRUE(v.IsEmpty());

    CZtVariant bad(L"abc");
    out = 7;
    EXPECT_EQ(bad.Detach(&out, ZT_VT_I4), ZT_E_FAIL);
    EXPECT_EQ(out, 7);
    EXPECT_EQ(TextIn(bad), L"abc");
    EXPECT_EQ(bad.Detach(static_cast<int*>(nullptr), ZT_VT_I4), ZT_E_NULL_POINTER);
}

TEST(VariantDetach, OwnCodesAreReadDirectly) {
    struct Case {
        const char* name;
        CZtVariant v;
        unsigned long long expected;
    } cases[] = {
        {"bool", Record(ZT_VT_BOOL, static_cast<unsigned char>(1)), 1},
        {"ui1", CZtVariant(static_cast<unsigned char>(200)), 200},
        {"byte", Record(ZT_VT_BYTE, static_cast<unsigned char>(17)), 17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtVariant v(c.v);
        unsigned char out = 0;
        // The target code is not used for an own code.
        EXPECT_EQ(v.Detach(&out, ZT_VT_UNKNOWN), ZT_S_OK);
        EXPECT_EQ(out, c.expected);
        EXPECT_TRUE(v.IsEmpty());
    }
    CZtVariant raw = Record(ZT_VT_RAW64, 0x0123456789ABCDEFull);
    unsigned long long wide = 0;
    EXPECT_EQ(raw.Detach(&wide, ZT_VT_UI8), ZT_S_OK);
    EXPECT_EQ(wide, 0x0123456789ABCDEFull);
    CZtVariant word = Record(ZT_VT_WORD, static_cast<unsigned short>(0xBEEF));
    unsigned short w = 0;
    EXPECT_EQ(word.Detach(&w), ZT_S_OK);
    EXPECT_EQ(w, 0xBEEF);
    int number = 33;
    CZtVariant ref = RefTo(ZT_VT_I4, &number);
    int out = 0;
    EXPECT_EQ(ref.Detach(&out), ZT_S_OK);
    EXPECT_EQ(out, 33);
    EXPECT_TRUE(ref.IsEmpty());
    CZtVariant nullRef = Typed(ZT_VT_I4 | ZT_VT_BYREF);
    EXPECT_EQ(nullRef.Detach(&out), ZT_E_NULL_POINTER);
    EXPECT_FALSE(nullRef.IsEmpty());
}

TEST(VariantDetach, OtherCodesConvertToTheGivenTarget) {
    CZtVariant v(300);
    unsigned char byte = 0;
    EXPECT_EQ(v.Detach(&byte, ZT_VT_UI1), ZT_S_OK);
    EXPECT_EQ(byte, 44);

    // The given target may be any code; the result is read as the
    // destination type.
    CZtVariant d(2.5);
    int out = 0;
    EXPECT_EQ(d.Detach(&out, ZT_VT_STRING), ZT_S_OK);  // "2.5" read as int fails: 0
    EXPECT_EQ(out, 0);
    CZtVariant e(L"7");
    double real = 0;
    EXPECT_EQ(e.Detach(&real, ZT_VT_I8), ZT_S_OK);
    EXPECT_EQ(real, 7.0);

    CZtVariant unsupported(CZtBlob("1"));
    EXPECT_EQ(unsupported.Detach(&out, ZT_VT_I4), ZT_E_NOT_SUPPORTED);
    EXPECT_EQ(unsupported.vartype, ZT_VT_BLOB);
    CZtVariant array = Typed(ZT_VT_I4 | ZT_VT_ARRAY);
    EXPECT_EQ(array.Detach(&out, ZT_VT_I4), ZT_E_NOT_SUPPORTED);
    EXPECT_EQ(array.vartype, ZT_VT_I4 | ZT_VT_ARRAY);
    array.Init();
}

TEST(VariantDetach, Objects) {
    CZtVariant text(L"moved");
    CZtString s(L"old");
    EXPECT_EQ(text.Detach(&s), ZT_S_OK);
    EXPECT_EQ(Text(s), L"moved");
    EXPECT_TRUE(text.IsEmpty());

    CZtVariant number(12);
    EXPECT_EQ(number.Detach(&s, ZT_VT_STRING), ZT_S_OK);
    EXPECT_EQ(Text(s), L"12");

    CZtVariant span(L"01:00:00");
    CZtTimeSpan ts;
    EXPECT_EQ(span.Detach(&ts), ZT_S_OK);
    EXPECT_EQ(ts.GetTimeSpan(), 36000000000LL);

    CZtVariant bytes(CZtBlob("xyz"));
    CZtBlob b;
    EXPECT_EQ(bytes.Detach(&b), ZT_S_OK);
    EXPECT_EQ(b.Length(), 3);

    CZtVariant time(CZtTime(99LL));
    CZtTime t;
    EXPECT_EQ(time.Detach(&t), ZT_S_OK);
    EXPECT_EQ(t.GetTimeStamp(), 99);

    EXPECT_EQ(number.Detach(static_cast<CZtString*>(nullptr)), ZT_E_NULL_POINTER);
}

TEST(VariantDetach, NullObjectsGiveEmptyValues) {
    CZtVariant nullString = Typed(ZT_VT_STRING);
    CZtString s(L"old");
    EXPECT_EQ(nullString.Detach(&s), ZT_S_OK);
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_NE(s.w_str(), nullptr);  // an ordinary empty string
    EXPECT_TRUE(nullString.IsEmpty());

    CZtVariant nullBlob = Typed(ZT_VT_BLOB);
    CZtBlob b("old");
    EXPECT_EQ(nullBlob.Detach(&b), ZT_S_OK);
    EXPECT_TRUE(b.IsEmpty());

    CZtVariant nullSpan = Typed(ZT_VT_TIMESPAN);
    CZtTimeSpan ts(5LL);
    EXPECT_EQ(nullSpan.Detach(&ts), ZT_S_OK);
    EXPECT_EQ(ts.GetTimeSpan(), 0);

    CZtVariant nullTime = Typed(ZT_VT_TIME);
    CZtTime t(5LL);
    EXPECT_EQ(nullTime.Detach(&t), ZT_S_OK);
    EXPECT_EQ(t.GetTimeStamp(), 0);
    EXPECT_TRUE(nullTime.IsEmpty());

    // Through a reference to a null object as well.
    CZtString* nullSlot = nullptr;
    CZtVariant ref = RefTo(ZT_VT_STRING, &nullSlot);
    s = L"old";
    EXPECT_EQ(ref.Detach(&s), ZT_S_OK);
    EXPECT_TRUE(s.IsEmpty());
}

TEST(VariantDetach, Identifiers) {
    const CZtGUID guid{CZtString(kGuidText)};
    CZtVariant g(guid);
    CZtGUID out;
    EXPECT_EQ(g.Detach(&out), ZT_S_OK);
    EXPECT_TRUE(out == guid);
    EXPECT_TRUE(g.IsEmpty());
    CZtVariant text(kGuidText);
    CZtGUID parsed;
    EXPECT_EQ(text.Detach(&parsed), ZT_S_OK);
    EXPECT_TRUE(parsed == guid);
    CZtVariant nullGuidRef = Typed(ZT_VT_GUID | ZT_VT_BYREF);
    EXPECT_EQ(nullGuidRef.Detach(&out), ZT_E_INVALID_OBJECT);
    EXPECT_FALSE(nullGuidRef.IsEmpty());

    CZtVariant id(CZtCHROMID(1, 2, 3, 4, 5, 6));
    CZtCHROMID outId;
    EXPECT_EQ(id.Detach(&outId), ZT_S_OK);
    EXPECT_EQ(Text(outId.ToString()), L"1.2.3.4.5.6");
    EXPECT_TRUE(id.IsEmpty());
    CZtVariant idText(L"Plant");
    EXPECT_EQ(idText.Detach(&outId), ZT_S_OK);
    EXPECT_EQ(Text(outId.ToString()), L"Plant");
    CZtVariant nullIdRef = Typed(ZT_VT_CHROMID | ZT_VT_BYREF);
    EXPECT_EQ(nullIdRef.Detach(&outId), ZT_E_NULL_POINTER);
}

TEST(VariantDetach, InterfaceMovesTheReference) {
    Tally tally;
    auto* object = new CountingObject(&tally);
    CZtVariant v(static_cast<IZtUnknown*>(object));
    EXPECT_EQ(object->Count(), 2);
    IZtUnknown* out = nullptr;
    EXPECT_EQ(v.Detach(&out), ZT_S_OK);
    EXPECT_EQ(out, object);
    EXPECT_EQ(object->Count(), 2);  // the variant's reference is now the caller's
    EXPECT_TRUE(v.IsEmpty());
    out->Release();

    CZtVariant number(5);
    EXPECT_EQ(number.Detach(&out), ZT_E_FAIL);
    EXPECT_EQ(number.Detach(static_cast<IZtUnknown**>(nullptr)), ZT_E_NULL_POINTER);

    // A by-reference variant owns no reference: the caller gets a new one.
    IZtUnknown* slot = object;
    CZtVariant ref = RefTo(ZT_VT_UNKNOWN, &slot);
    EXPECT_EQ(ref.Detach(&out), ZT_S_OK);
    EXPECT_EQ(out, object);
    EXPECT_EQ(object->Count(), 2);
    out->Release();
    EXPECT_EQ(object->Release(), 0);
    EXPECT_EQ(tally.destroyed, 1);
}

TEST(VariantDetach, InterfaceKindsAcceptTheirCodes) {
    Tally tally;
    auto* unknown = new CountingObject(&tally);
    auto* referenced = new CountingReferenced(&tally);
    auto* dispatch = new CountingDispatch(&tally);
    {
        IZtDispatch* d = nullptr;
        IZtReferenced* r = nullptr;
        IZtUnknown* u = nullptr;
        CZtVariant vu(static_cast<IZtUnknown*>(unknown));
        CZtVariant vr(static_cast<IZtReferenced*>(referenced));
        CZtVariant vd(static_cast<IZtDispatch*>(dispatch));
        EXPECT_EQ(vu.Detach(&d), ZT_E_FAIL);
        EXPECT_EQ(vr.Detach(&u), ZT_E_FAIL);
        EXPECT_EQ(vr.Detach(&d), ZT_E_FAIL);
        EXPECT_EQ(vr.Detach(&r), ZT_S_OK);
        EXPECT_EQ(r, referenced);
        r->Release();
        EXPECT_EQ(vd.Detach(&u), ZT_S_OK);
        EXPECT_EQ(u, static_cast<IZtUnknown*>(dispatch));
        u->Release();
        EXPECT_EQ(vu.Detach(&r), ZT_S_OK);
        r->Release();
    }
    EXPECT_EQ(unknown->Count(), 1);
    EXPECT_EQ(referenced->Count(), 1);
    EXPECT_EQ(dispatch->Count(), 1);
    unknown->Release();
    referenced->Release();
    dispatch->Release();
    EXPECT_EQ(tally.destroyed, 3);
}

TEST(VariantDetach, WholeRecordMovesOut) {
    CZtVariant v(L"record");
    CZtString* held = v.data.pString;
    CZtVariant target(L"released");
    EXPECT_EQ(v.Detach(static_cast<tagZTVARIANT*>(&target)), ZT_S_OK);
    EXPECT_EQ(target.data.pString, held);
    EXPECT_TRUE(v.IsEmpty());
    EXPECT_EQ(v.Detach(static_cast<tagZTVARIANT*>(nullptr)), ZT_E_NULL_POINTER);
    EXPECT_EQ(target.Detach(static_cast<tagZTVARIANT*>(&target)), ZT_S_OK);
    EXPECT_EQ(TextIn(target), L"record");

    // A destination that fails to clear stops the move.
    CZtVariant invalid = Typed(40);
    EXPECT_EQ(target.Detach(static_cast<tagZTVARIANT*>(&invalid)), ZT_E_INVALID_TYPE);
    EXPECT_EQ(TextIn(target), L"record");
}

TEST(VariantAttach, TakesOverTheRecord) {
    tagZTVARIANT record;
    ZtVariantInit(&record);
    const CZtVariant source(L"attached");
    ASSERT_EQ(ZtVariantCopy(&record, &source), ZT_S_OK);
    CZtVariant v(5);
    EXPECT_EQ(v.Attach(&record), ZT_S_OK);
    EXPECT_EQ(TextIn(v), L"attached");
    EXPECT_TRUE(IsZeroRecord(record));
    EXPECT_EQ(v.Attach(nullptr), ZT_E_INVALID_TYPE);
    EXPECT_EQ(v.Attach(&v), ZT_S_OK);
    EXPECT_EQ(TextIn(v), L"attached");

    CZtVariant invalid = Typed(40);
    CZtVariant other(1);
    EXPECT_EQ(invalid.Attach(&other), ZT_E_INVALID_TYPE);
    EXPECT_EQ(other.vartype, ZT_VT_I4);
}

// ---------------------------------------------------------------------------
// Queries and comparison

TEST(VariantQueries, TypeTests) {
    int number = 1;
    const CZtVariant plain(4);
    const CZtVariant ref = RefTo(ZT_VT_I4, &number);
    EXPECT_TRUE(plain.IsType(ZT_VT_I4, true));
    EXPECT_FALSE(ref.IsType(ZT_VT_I4, true));
    EXPECT_TRUE(ref.IsType(ZT_VT_I4 | ZT_VT_BYREF, false));
    EXPECT_FALSE(ref.IsType(ZT_VT_I4 | ZT_VT_BYREF, true));
    EXPECT_FALSE(plain.IsType(ZT_VT_I8, true));
    EXPECT_TRUE(ref.IsByRef());
    EXPECT_FALSE(plain.IsByRef());
    EXPECT_TRUE(plain.IsByRef(&ref));
    EXPECT_FALSE(ref.IsArray());
    const CZtVariant array = Typed(ZT_VT_I4 | ZT_VT_ARRAY);
    EXPECT_TRUE(plain.IsArray(&array));
    EXPECT_TRUE(array.IsArray());
    EXPECT_TRUE(CZtVariant(CZtString()).IsContentEmpty());
    EXPECT_FALSE(plain.IsContentEmpty());
    EXPECT_TRUE(CZtVariant().IsEmpty());
}

TEST(VariantQueries, ChangeTypeMember) {
    CZtVariant v(L"0x10");
    EXPECT_EQ(v.ZtVariantChangeType(ZT_VT_I8), ZT_S_OK);
    EXPECT_EQ(v.vartype, ZT_VT_I8);
    EXPECT_EQ(v.data.i8Val, 16);
    const CZtVariant source(2.5);
    EXPECT_EQ(v.ZtVariantChangeType(ZT_VT_STRING, &source), ZT_S_OK);
    EXPECT_EQ(TextIn(v), L"2.5");
    EXPECT_EQ(v.ZtVariantChangeType(ZT_VT_UNKNOWN), ZT_E_NOT_SUPPORTED);
    EXPECT_EQ(TextIn(v), L"2.5");
}

TEST(VariantQueries, EqualityOfStringsAndInterfaces) {
    EXPECT_TRUE(CZtVariant(L"same") == CZtVariant(L"same"));
    EXPECT_FALSE(CZtVariant(L"same") != CZtVariant(L"same"));
    EXPECT_TRUE(CZtVariant(1) != CZtVariant(1LL));
    Tally tally;
    auto* object = new CountingObject(&tally);
    {
        const CZtVariant a(static_cast<IZtUnknown*>(object));
        const CZtVariant b(static_cast<IZtUnknown*>(object));
        EXPECT_FALSE(a == b);  // interfaces do not compare
        EXPECT_TRUE(a != &b);
        EXPECT_FALSE(a == static_cast<const tagZTVARIANT*>(nullptr));
    }
    object->Release();
    EXPECT_EQ(tally.destroyed, 1);
}

}  // namespace
}  // namespace Varn
