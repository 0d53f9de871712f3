// Variant conversion and comparison as tables: each row is one source value,
// one target and the value and result the conversion rules give.
#include <zotrel/variant.h>

#include <zotrel/blob.h>
#include <zotrel/chromid.h>
#include <zotrel/guid.h>
#include <zotrel/string.h>
#include <zotrel/time.h>

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "variant/variant_test_util.h"

namespace Varn {
namespace {

using zotrel_test::CountingObject;
using zotrel_test::PayloadAs;
using zotrel_test::PayloadBits;
using zotrel_test::Record;
using zotrel_test::RefTo;
using zotrel_test::Tally;
using zotrel_test::Text;
using zotrel_test::TextIn;
using zotrel_test::Typed;

const wchar_t kGuidText[] = L"{B040EE6B-4A59-426D-91C8-4A8012F67D60}";

// Makers for the sources the rows use.
CZtVariant U8(unsigned short type, unsigned char value) {
    return Record(type, value);
}
CZtVariant U16(unsigned short type, unsigned short value) {
    return Record(type, value);
}
CZtVariant U32(unsigned short type, unsigned int value) {
    return Record(type, value);
}
CZtVariant U64(unsigned short type, unsigned long long value) {
    return Record(type, value);
}
CZtVariant Span(long long ticks) {
    return CZtVariant(CZtTimeSpan(ticks));
}
CZtVariant Stamp(long long stamp) {
    return CZtVariant(CZtTime(stamp));
}
CZtVariant Str(const wchar_t* text) {
    return CZtVariant(text);
}

// The text form of a CHROMID holding exactly `text`, canonical or not.
CZtCHROMID TextForm(const wchar_t* text) {
    CZtCHROMID id;
    id.dataType = ZT_CHROMID_TEXT;
    id.text = CZtString(text).AllocString();
    return id;
}

// 2024-02-29 13:04:05.1234567 as a stamp.
long long LeapDayStamp() {
    SZtTime fields = {};
    fields.year = 2024;
    fields.month = 2;
    fields.day = 29;
    fields.hour = 13;
    fields.minute = 4;
    fields.second = 5;
    fields.hundredNanoseconds = 1234567;
    return CZtTime::ConvertZtTimeToZtTimeStamp(fields);
}

// ---------------------------------------------------------------------------
// Integer targets: the low bits of the value; floating-point values truncated
// toward zero (saturating at the 64-bit range); texts parsed with saturation.

TEST(VariantChangeType, IntegerTargets) {
    struct Case {
        const char* name;
        CZtVariant source;
        unsigned short target;
        unsigned int result;
        unsigned long long bits;  // the target's payload bits
    } cases[] = {
        {"i4 300 keeps 8 bits", CZtVariant(300), ZT_VT_UI1, ZT_S_OK, 44},
        {"i4 300 as i1", CZtVariant(300), ZT_VT_I1, ZT_S_OK, 44},
        {"i4 -1 as ui4", CZtVariant(-1), ZT_VT_UI4, ZT_S_OK, 0xFFFFFFFFu},
        {"i4 -1 sign-extends to ui8", CZtVariant(-1), ZT_VT_UI8, ZT_S_OK, ~0ull},
        {"ui4 max zero-extends to i8", CZtVariant(0xFFFFFFFFu), ZT_VT_I8, ZT_S_OK, 0xFFFFFFFFull},
        {"i1 -1 as ui2", CZtVariant(static_cast<signed char>(-1)), ZT_VT_UI2, ZT_S_OK, 0xFFFF},
        {"ui1 255 as i1", CZtVariant(static_cast<unsigned char>(255)), ZT_VT_I1, ZT_S_OK, 0xFF},
        {"ui1 255 as i4", CZtVariant(static_cast<unsigned char>(255)), ZT_VT_I4, ZT_S_OK, 255},
        {"i2 min as i4", CZtVariant(static_cast<short>(-32768)), ZT_VT_I4, ZT_S_OK, 0xFFFF8000u},
        {"ui2 max as i2", CZtVariant(static_cast<unsigned short>(65535)), ZT_VT_I2, ZT_S_OK,
         0xFFFF},
        {"i8 keeps 32 bits", CZtVariant(0x123456789LL), ZT_VT_I4, ZT_S_OK, 0x23456789},
        {"ui8 keeps 16 bits", CZtVariant(0xABCDEF0123ull), ZT_VT_UI2, ZT_S_OK, 0x0123},
        {"bool as i4", U8(ZT_VT_BOOL, 1), ZT_VT_I4, ZT_S_OK, 1},
        {"byte as i8", U8(ZT_VT_BYTE, 200), ZT_VT_I8, ZT_S_OK, 200},
        {"word as i2", U16(ZT_VT_WORD, 0x8001), ZT_VT_I2, ZT_S_OK, 0x8001},
        {"dword as ui8", U32(ZT_VT_DWORD, 0x80000000u), ZT_VT_UI8, ZT_S_OK, 0x80000000ull},
        {"qword as i8", U64(ZT_VT_QWORD, 1ull << 63), ZT_VT_I8, ZT_S_OK, 1ull << 63},
        {"i4 as byte", CZtVariant(0x1FF), ZT_VT_BYTE, ZT_S_OK, 0xFF},
        {"i4 as word", CZtVariant(0x12345), ZT_VT_WORD, ZT_S_OK, 0x2345},
        {"i4 as dword", CZtVariant(-2), ZT_VT_DWORD, ZT_S_OK, 0xFFFFFFFEu},
        {"i4 as qword", CZtVariant(-2), ZT_VT_QWORD, ZT_S_OK, ~1ull},
        {"r8 2.9 truncates", CZtVariant(2.9), ZT_VT_I4, ZT_S_OK, 2},
        {"r8 -2.9 truncates toward zero", CZtVariant(-2.9), ZT_VT_I4, ZT_S_OK, 0xFFFFFFFEu},
        {"r4 -0.5 is 0", CZtVariant(-0.5f), ZT_VT_I4, ZT_S_OK, 0},
        {"r8 300.7 keeps 8 bits", CZtVariant(300.7), ZT_VT_UI1, ZT_S_OK, 44},
        {"r8 -1.5 as ui4", CZtVariant(-1.5), ZT_VT_UI4, ZT_S_OK, 0xFFFFFFFFu},
        {"r8 2^62 exact", CZtVariant(4611686018427387904.0), ZT_VT_I8, ZT_S_OK, 1ull << 62},
        {"r8 above range saturates", CZtVariant(1e300), ZT_VT_I8, ZT_S_OK,
         static_cast<unsigned long long>(LLONG_MAX)},
        {"r8 2^63 saturates", CZtVariant(9223372036854775808.0), ZT_VT_I8, ZT_S_OK,
         static_cast<unsigned long long>(LLONG_MAX)},
        {"r8 -2^63 is exact", CZtVariant(-9223372036854775808.0), ZT_VT_I8, ZT_S_OK, 1ull << 63},
        {"r8 below range saturates", CZtVariant(-1e300), ZT_VT_I8, ZT_S_OK, 1ull << 63},
        {"r8 1e19 saturates at the signed range", CZtVariant(1e19), ZT_VT_UI8, ZT_S_OK,
         static_cast<unsigned long long>(LLONG_MAX)},
        {"r8 infinity saturates", CZtVariant(std::numeric_limits<double>::infinity()), ZT_VT_I4,
         ZT_S_OK, 0xFFFFFFFFu},
        {"r4 -infinity saturates", CZtVariant(-std::numeric_limits<float>::infinity()), ZT_VT_I8,
         ZT_S_OK, 1ull << 63},
        {"r8 NaN gives 0", CZtVariant(std::numeric_limits<double>::quiet_NaN()), ZT_VT_I4, ZT_S_OK,
         0},
        {"timespan ticks", Span(123456789012LL), ZT_VT_I8, ZT_S_OK, 123456789012ull},
        {"timespan -1 keeps 16 bits", Span(-1), ZT_VT_UI2, ZT_S_OK, 0xFFFF},
        {"time stamp keeps 32 bits", Stamp(0x100000005LL), ZT_VT_I4, ZT_S_OK, 5},
        {"null timespan", Typed(ZT_VT_TIMESPAN), ZT_VT_I4, ZT_E_NULL_POINTER, 0},
        {"null time", Typed(ZT_VT_TIME), ZT_VT_I8, ZT_E_NULL_POINTER, 0},
        {"text 0x1F is hexadecimal", Str(L"0x1F"), ZT_VT_I4, ZT_S_OK, 31},
        {"text 0X10 is hexadecimal", Str(L"0X10"), ZT_VT_I4, ZT_S_OK, 16},
        {"text 1F is no decimal number", Str(L"1F"), ZT_VT_I4, ZT_E_FAIL, 0},
        {"text 70000 saturates as i2", Str(L"70000"), ZT_VT_I2, ZT_S_OK, 32767},
        {"text -70000 saturates as i2", Str(L"-70000"), ZT_VT_I2, ZT_S_OK, 0x8000},
        {"text 300 saturates as ui1", Str(L"300"), ZT_VT_UI1, ZT_S_OK, 255},
        {"text -1 saturates as ui4", Str(L"-1"), ZT_VT_UI4, ZT_S_OK, 0},
        {"text of ui8 max saturates as i8", Str(L"18446744073709551615"), ZT_VT_I8, ZT_S_OK,
         static_cast<unsigned long long>(LLONG_MAX)},
        {"text -42 as i8", Str(L"-42"), ZT_VT_I8, ZT_S_OK, static_cast<unsigned long long>(-42LL)},
        {"text abc", Str(L"abc"), ZT_VT_I4, ZT_E_FAIL, 0},
        {"empty text", Str(L""), ZT_VT_I4, ZT_E_FAIL, 0},
        {"null string leaves 0", Typed(ZT_VT_STRING), ZT_VT_I4, ZT_S_OK, 0},
        {"i4 256 as bool keeps the byte first", CZtVariant(256), ZT_VT_BOOL, ZT_S_OK, 0},
        {"i4 257 as bool", CZtVariant(257), ZT_VT_BOOL, ZT_S_OK, 1},
        {"i4 5 as bool", CZtVariant(5), ZT_VT_BOOL, ZT_S_OK, 1},
        {"r8 0.5 as bool", CZtVariant(0.5), ZT_VT_BOOL, ZT_S_OK, 0},
        {"text 256 as bool saturates the byte", Str(L"256"), ZT_VT_BOOL, ZT_S_OK, 1},
        {"text 0 as bool", Str(L"0"), ZT_VT_BOOL, ZT_S_OK, 0},
        {"empty record", CZtVariant(), ZT_VT_I4, ZT_E_NOT_SUPPORTED, 0},
        {"blob", CZtVariant(CZtBlob("12")), ZT_VT_I4, ZT_E_NOT_SUPPORTED, 0},
        {"raw32", U32(ZT_VT_RAW32, 7), ZT_VT_I4, ZT_E_NOT_SUPPORTED, 0},
        {"raw64 has no conversions", U64(ZT_VT_RAW64, 7), ZT_VT_UI8, ZT_E_NOT_SUPPORTED, 0},
        {"guid", CZtVariant(CZtGUID(CZtString(kGuidText))), ZT_VT_I4, ZT_E_NOT_SUPPORTED, 0},
        {"chromid", CZtVariant(CZtCHROMID(1, 2, 3, 4, 5, 6)), ZT_VT_I4, ZT_E_NOT_SUPPORTED, 0},
        {"variant by value", Typed(ZT_VT_VARIANT), ZT_VT_I4, ZT_E_NOT_SUPPORTED, 0},
        {"invalid code", U32(14, 7), ZT_VT_I4, ZT_E_NOT_SUPPORTED, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtVariant dst(L"previous value");
        const unsigned int result = ZtVariantChangeType(&dst, &c.source, 0, c.target);
        EXPECT_EQ(result, c.result);
        if (result != ZT_S_OK) {
            EXPECT_TRUE(dst.IsEmpty());
            continue;
        }
        ASSERT_EQ(dst.vartype, c.target);
        const std::size_t width =
            c.target == ZT_VT_I1 || c.target == ZT_VT_UI1 || c.target == ZT_VT_BOOL ||
                    c.target == ZT_VT_BYTE
                ? 1
            : c.target == ZT_VT_I2 || c.target == ZT_VT_UI2 || c.target == ZT_VT_WORD  ? 2
            : c.target == ZT_VT_I4 || c.target == ZT_VT_UI4 || c.target == ZT_VT_DWORD ? 4
                                                                                       : 8;
        EXPECT_EQ(PayloadBits(dst, width), c.bits);
        // Nothing is written beyond the value's width.
        for (std::size_t i = width; i < sizeof(dst.data); ++i)
            EXPECT_EQ(dst.data.bytes[i], 0) << i;
    }
}

// ---------------------------------------------------------------------------
// Floating-point targets.

TEST(VariantChangeType, FloatingPointTargets) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        CZtVariant source;
        unsigned short target;
        unsigned int result;
        double value;  // NaN: the result must be NaN
    } cases[] = {
        {"ui8 2^63 stays positive", CZtVariant(1ull << 63), ZT_VT_R8, ZT_S_OK,
         9223372036854775808.0},
        {"qword max", U64(ZT_VT_QWORD, ~0ull), ZT_VT_R8, ZT_S_OK, 18446744073709551615.0},
        {"ui8 max as r4", CZtVariant(~0ull), ZT_VT_R4, ZT_S_OK,
         static_cast<double>(18446744073709551615.0f)},
        {"i8 -5", CZtVariant(-5LL), ZT_VT_R8, ZT_S_OK, -5},
        {"i8 2^53+1 rounds", CZtVariant(9007199254740993LL), ZT_VT_R8, ZT_S_OK, 9007199254740992.0},
        {"i4 -7 as r4", CZtVariant(-7), ZT_VT_R4, ZT_S_OK, -7},
        {"ui4 max", CZtVariant(0xFFFFFFFFu), ZT_VT_R8, ZT_S_OK, 4294967295.0},
        {"dword", U32(ZT_VT_DWORD, 3000000000u), ZT_VT_R8, ZT_S_OK, 3000000000.0},
        {"bool", U8(ZT_VT_BOOL, 1), ZT_VT_R8, ZT_S_OK, 1},
        {"i1 -128", CZtVariant(static_cast<signed char>(-128)), ZT_VT_R4, ZT_S_OK, -128},
        {"r4 0.1 widens", CZtVariant(0.1f), ZT_VT_R8, ZT_S_OK, static_cast<double>(0.1f)},
        {"r8 0.1 rounds", CZtVariant(0.1), ZT_VT_R4, ZT_S_OK, static_cast<double>(0.1f)},
        {"r8 FLT_MAX", CZtVariant(static_cast<double>(FLT_MAX)), ZT_VT_R4, ZT_S_OK,
         static_cast<double>(FLT_MAX)},
        {"r8 just above FLT_MAX rounds down", CZtVariant(static_cast<double>(FLT_MAX) + 0x1p102),
         ZT_VT_R4, ZT_S_OK, static_cast<double>(FLT_MAX)},
        {"r8 halfway above FLT_MAX rounds to infinity",
         CZtVariant(-(static_cast<double>(FLT_MAX) + 0x1p103)), ZT_VT_R4, ZT_S_OK, -inf},
        {"r8 1e300 overflows to infinity", CZtVariant(1e300), ZT_VT_R4, ZT_S_OK, inf},
        {"r8 -1e300 overflows to -infinity", CZtVariant(-1e300), ZT_VT_R4, ZT_S_OK, -inf},
        {"r8 NaN stays NaN", CZtVariant(nan), ZT_VT_R4, ZT_S_OK, nan},
        {"r8 denormal underflows to 0", CZtVariant(1e-300), ZT_VT_R4, ZT_S_OK, 0},
        {"timespan", Span(15), ZT_VT_R8, ZT_S_OK, 15},
        {"time", Stamp(-20), ZT_VT_R4, ZT_S_OK, -20},
        {"null timespan", Typed(ZT_VT_TIMESPAN), ZT_VT_R8, ZT_E_NULL_POINTER, 0},
        {"text 2.5", Str(L"2.5"), ZT_VT_R8, ZT_S_OK, 2.5},
        {"text -1e3", Str(L"-1e3"), ZT_VT_R4, ZT_S_OK, -1000},
        {"text 1e39 clamps as r4", Str(L"1e39"), ZT_VT_R4, ZT_S_OK, static_cast<double>(FLT_MAX)},
        {"text 0x10 is no floating-point number", Str(L"0x10"), ZT_VT_R8, ZT_E_FAIL, 0},
        {"text x", Str(L"x"), ZT_VT_R8, ZT_E_FAIL, 0},
        {"null string", Typed(ZT_VT_STRING), ZT_VT_R8, ZT_S_OK, 0},
        {"empty record", CZtVariant(), ZT_VT_R8, ZT_E_NOT_SUPPORTED, 0},
        {"raw64", U64(ZT_VT_RAW64, 1), ZT_VT_R8, ZT_E_NOT_SUPPORTED, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtVariant dst(L"previous value");
        const unsigned int result = ZtVariantChangeType(&dst, &c.source, 0, c.target);
        EXPECT_EQ(result, c.result);
        if (result != ZT_S_OK) {
            EXPECT_TRUE(dst.IsEmpty());
            continue;
        }
        ASSERT_EQ(dst.vartype, c.target);
        const double got = c.target == ZT_VT_R4 ? static_cast<double>(PayloadAs<float>(dst))
                                                : PayloadAs<double>(dst);
        if (std::isnan(c.value))
            EXPECT_TRUE(std::isnan(got));
        else
            EXPECT_EQ(got, c.value);
    }
}

TEST(VariantConvert, ConvertersRefuseNullAndByReferenceSources) {
    int out = 99;
    CZtVariantConvert<int> convert;
    EXPECT_EQ(convert.Convert(nullptr, &out), ZT_E_NULL_POINTER);
    const CZtVariant five(5);
    EXPECT_EQ(convert.Convert(&five, nullptr), ZT_E_NULL_POINTER);
    EXPECT_EQ(convert.Convert(&five, &out), ZT_S_OK);
    EXPECT_EQ(out, 5);
    int number = 7;
    const CZtVariant ref = RefTo(ZT_VT_I4, &number);
    out = 99;
    EXPECT_EQ(convert.Convert(&ref, &out), ZT_E_NOT_SUPPORTED);
    EXPECT_EQ(out, 99);
    // A null string object leaves the target unwritten.
    const CZtVariant nullString = Typed(ZT_VT_STRING);
    EXPECT_EQ(convert.Convert(&nullString, &out), ZT_S_OK);
    EXPECT_EQ(out, 99);
    double d = 0;
    EXPECT_EQ(CZtVariantConvert<double>().Convert(&five, &d), ZT_S_OK);
    EXPECT_EQ(d, 5.0);
}

// ---------------------------------------------------------------------------
// The steps of ZtVariantChangeType around the rules.

TEST(VariantChangeType, TargetEqualToTheSourceCodeCopies) {
    const CZtVariant text(L"same");
    CZtVariant dst(1);
    EXPECT_EQ(ZtVariantChangeType(&dst, &text, 0, ZT_VT_STRING), ZT_S_OK);
    EXPECT_EQ(TextIn(dst), L"same");
    EXPECT_NE(dst.data.pString, text.data.pString);

    // Flags of the source stay in the copy.
    int number = 4;
    const CZtVariant ref = RefTo(ZT_VT_I4, &number);
    EXPECT_EQ(ZtVariantChangeType(&dst, &ref, 0, ZT_VT_I4), ZT_S_OK);
    EXPECT_EQ(dst.vartype, ZT_VT_I4 | ZT_VT_BYREF);
}

TEST(VariantChangeType, ByReferenceSourceIsRefused) {
    int number = 4;
    const CZtVariant ref = RefTo(ZT_VT_I4, &number);
    CZtVariant dst(L"kept");
    EXPECT_EQ(ZtVariantChangeType(&dst, &ref, 0, ZT_VT_I8), ZT_E_NOT_SUPPORTED);
    EXPECT_EQ(TextIn(dst), L"kept");
}

TEST(VariantChangeType, InvalidAndUnsupportedTargets) {
    const CZtVariant five(5);
    struct Case {
        unsigned short target;
        unsigned int result;
    } cases[] = {
        {0, ZT_E_INVALID_TYPE},
        {14, ZT_E_INVALID_TYPE},
        {16, ZT_E_INVALID_TYPE},
        {22, ZT_E_INVALID_TYPE},
        {29, ZT_E_INVALID_TYPE},
        {47, ZT_E_INVALID_TYPE},
        {54, ZT_E_INVALID_TYPE},
        {0xFFFF, ZT_E_INVALID_TYPE},
        {0x4005, ZT_E_INVALID_TYPE},
        {ZT_VT_UNKNOWN, ZT_E_NOT_SUPPORTED},
        {ZT_VT_RAW32, ZT_E_NOT_SUPPORTED},
        {ZT_VT_RAW64, ZT_E_NOT_SUPPORTED},
        {ZT_VT_REFERENCED, ZT_E_NOT_SUPPORTED},
        {ZT_VT_VARIANT, ZT_E_NOT_SUPPORTED},
        {ZT_VT_DISPATCH, ZT_E_NOT_SUPPORTED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        CZtVariant dst(L"old");
        EXPECT_EQ(ZtVariantChangeType(&dst, &five, 0, c.target), c.result);
        EXPECT_TRUE(dst.IsEmpty());
        CZtVariant inPlace(5);
        EXPECT_EQ(ZtVariantChangeType(&inPlace, &inPlace, 0, c.target), c.result);
        EXPECT_EQ(inPlace.vartype, ZT_VT_I4);
        EXPECT_EQ(inPlace.data.i4Val, 5);
    }
    EXPECT_EQ(ZtVariantChangeType(nullptr, &five, 0, ZT_VT_I8), ZT_E_NULL_POINTER);
    CZtVariant dst;
    EXPECT_EQ(ZtVariantChangeType(&dst, nullptr, 0, ZT_VT_I8), ZT_E_NULL_POINTER);
}

TEST(VariantChangeType, InPlaceFailureKeepsTheText) {
    CZtVariant v(L"abc");
    EXPECT_EQ(ZtVariantChangeType(&v, &v, 0, ZT_VT_I4), ZT_E_FAIL);
    EXPECT_EQ(TextIn(v), L"abc");
    EXPECT_EQ(ZtVariantChangeType(&v, &v, 0, ZT_VT_GUID), ZT_E_INVALID_OBJECT);
    EXPECT_EQ(TextIn(v), L"abc");
}

// An empty destination receives the result directly: on failure nothing
// the rule wrote, nor anything it held before, may stay behind.
TEST(VariantChangeType, EmptyDestinationEndsZeroedOnFailureAndCleanOnSuccess) {
    const CZtVariant text(L"abc");
    for (unsigned short target : {ZT_VT_I4, ZT_VT_R8, ZT_VT_GUID, ZT_VT_UNKNOWN, ZT_VT_RAW64}) {
        SCOPED_TRACE(target);
        CZtVariant dst;
        dst.reserved[0] = 0x11;
        dst.data.bytes[30] = 0x22;
        EXPECT_NE(ZtVariantChangeType(&dst, &text, 0, target), ZT_S_OK);
        EXPECT_TRUE(zotrel_test::IsZeroRecord(dst));
    }
    CZtVariant dst;
    dst.data.bytes[30] = 0x22;
    ASSERT_EQ(ZtVariantChangeType(&dst, &text, 0, ZT_VT_BLOB), ZT_S_OK);
    EXPECT_EQ(dst.vartype, ZT_VT_BLOB);
    EXPECT_EQ(dst.data.bytes[30], 0);
    EXPECT_EQ(CZtBlob(dst).Length(), 6);  // the UTF-16 bytes of "abc"
}

TEST(VariantChangeType, InPlaceSuccessReplacesTheValue) {
    CZtVariant v(L"0x1F");
    EXPECT_EQ(ZtVariantChangeType(&v, &v, 0, ZT_VT_I4), ZT_S_OK);
    EXPECT_EQ(v.vartype, ZT_VT_I4);
    EXPECT_EQ(v.data.i4Val, 31);
    EXPECT_EQ(ZtVariantChangeType(&v, &v, 0, ZT_VT_STRING), ZT_S_OK);
    EXPECT_EQ(TextIn(v), L"31");
}

TEST(VariantChangeType, IdentifierTargets) {
    const CZtGUID guid{CZtString(kGuidText)};
    struct Case {
        const char* name;
        CZtVariant source;
        unsigned short target;
        unsigned int result;
        std::wstring text;  // the identifier's text on success
    } cases[] = {
        {"guid from its text", Str(kGuidText), ZT_VT_GUID, ZT_S_OK, kGuidText},
        {"guid from lower case without braces", Str(L"b040ee6b-4a59-426d-91c8-4a8012f67d60"),
         ZT_VT_GUID, ZT_S_OK, kGuidText},
        {"guid from a short text", Str(L"{B040EE6B}"), ZT_VT_GUID, ZT_E_INVALID_OBJECT, L""},
        {"guid from a null string", Typed(ZT_VT_STRING), ZT_VT_GUID, ZT_E_INVALID_TYPE, L""},
        {"guid from a number", CZtVariant(5), ZT_VT_GUID, ZT_E_INVALID_OBJECT, L""},
        {"chromid from numeric text", Str(L"1.2.3.4.5.6"), ZT_VT_CHROMID, ZT_S_OK, L"1.2.3.4.5.6"},
        {"chromid from other text", Str(L"Plant/Tank 7"), ZT_VT_CHROMID, ZT_S_OK, L"Plant/Tank 7"},
        {"chromid from a number", CZtVariant(42), ZT_VT_CHROMID, ZT_S_OK, L"42"},
        {"chromid from a guid", CZtVariant(guid), ZT_VT_CHROMID, ZT_S_OK, kGuidText},
        {"chromid from a null string", Typed(ZT_VT_STRING), ZT_VT_CHROMID, ZT_E_INVALID_TYPE, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtVariant dst;
        EXPECT_EQ(ZtVariantChangeType(&dst, &c.source, 0, c.target), c.result);
        if (c.result != ZT_S_OK) {
            EXPECT_TRUE(dst.IsEmpty());
            continue;
        }
        EXPECT_EQ(dst.vartype, c.target);
        EXPECT_EQ(Text(CZtString(dst)), c.text);
    }
}

// ---------------------------------------------------------------------------
// The text of a variant.

TEST(VariantText, OneRowPerRule) {
    int seven = 7;
    const CZtVariant fortyTwo(42);
    CZtString* nullString = nullptr;
    Tally tally;
    auto* object = new CountingObject(&tally);
    struct Case {
        const char* name;
        CZtVariant source;
        std::wstring text;
    } cases[] = {
        {"bool", U8(ZT_VT_BOOL, 1), L"1"},
        {"ui1", CZtVariant(static_cast<unsigned char>(255)), L"255"},
        {"byte", U8(ZT_VT_BYTE, 7), L"7"},
        {"i1", CZtVariant(static_cast<signed char>(-128)), L"-128"},
        {"i2", CZtVariant(static_cast<short>(-300)), L"-300"},
        {"i4", CZtVariant(-5), L"-5"},
        {"i4 zero", CZtVariant(0), L"0"},
        {"i4 min", CZtVariant(INT_MIN), L"-2147483648"},
        {"i8 min", CZtVariant(LLONG_MIN), L"-9223372036854775808"},
        {"i8 max", CZtVariant(LLONG_MAX), L"9223372036854775807"},
        {"ui8 10^19", CZtVariant(10000000000000000000ull), L"10000000000000000000"},
        {"ui2", CZtVariant(static_cast<unsigned short>(65535)), L"65535"},
        {"word", U16(ZT_VT_WORD, 65535), L"65535"},
        {"ui4", CZtVariant(4294967295u), L"4294967295"},
        {"dword", U32(ZT_VT_DWORD, 4294967295u), L"4294967295"},
        {"ui8 max", CZtVariant(~0ull), L"18446744073709551615"},
        {"qword", U64(ZT_VT_QWORD, 20), L"20"},
        {"r8 one third: 15 digits", CZtVariant(1.0 / 3.0), L"0.333333333333333"},
        {"r8 1e20", CZtVariant(1e20), L"1e+20"},
        {"r8 2.5", CZtVariant(2.5), L"2.5"},
        {"r4 0.5", CZtVariant(0.5f), L"0.5"},
        {"r4 0.1 widened", CZtVariant(0.1f), L"0.100000001490116"},
        {"timespan", Span(54000000000LL), L"01:30:00.0000000"},
        {"null timespan", Typed(ZT_VT_TIMESPAN), L""},
        {"time", Stamp(LeapDayStamp()), L"2024-02-29 13:04:05.1234567"},
        {"null time", Typed(ZT_VT_TIME), L""},
        {"guid", CZtVariant(CZtGUID(CZtString(kGuidText))), kGuidText},
        {"string", Str(L"abc"), L"abc"},
        {"null string", Typed(ZT_VT_STRING), L""},
        {"numeric chromid", CZtVariant(CZtCHROMID(1, 2, 3, 4, 5, 4294967295u)), L"1.2.3.4.5.-1"},
        {"text chromid", CZtVariant(CZtCHROMID(L"Plant/Tank 7")), L"Plant/Tank 7"},
        {"variant reference", RefTo(ZT_VT_VARIANT, &fortyTwo), L"42"},
        {"variant by value", Typed(ZT_VT_VARIANT), L""},
        {"null variant reference", Typed(ZT_VT_VARIANT | ZT_VT_BYREF), L""},
        {"i4 by reference", RefTo(ZT_VT_I4, &seven), L"7"},
        {"null i4 reference", Typed(ZT_VT_I4 | ZT_VT_BYREF), L""},
        {"null string reference target", RefTo(ZT_VT_STRING, &nullString), L""},
        {"empty", CZtVariant(), L""},
        {"blob", CZtVariant(CZtBlob("12")), L""},
        {"unknown", CZtVariant(static_cast<IZtUnknown*>(object)), L""},
        {"raw32", U32(ZT_VT_RAW32, 7), L""},
        {"raw64", U64(ZT_VT_RAW64, 7), L""},
        {"null map", Typed(ZT_VT_MAP), L""},
        {"invalid code", U32(14, 7), L""},
        {"array", Typed(ZT_VT_I4 | ZT_VT_ARRAY), L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Text(CZtString(c.source)), c.text);
        // The same text through a pointer, assignment, += and +.
        EXPECT_EQ(Text(CZtString(&c.source)), c.text);
        CZtString assigned(L"old");
        assigned = c.source;
        EXPECT_EQ(Text(assigned), c.text);
        CZtString appended(L"<");
        appended += c.source;
        EXPECT_EQ(Text(appended), L"<" + c.text);
        EXPECT_EQ(Text(CZtString(L">") + c.source), L">" + c.text);
        // ZtVariantChangeType to ZT_VT_STRING gives that same text (it
        // refuses by-reference sources, converts arrays element-wise and
        // copies a string variant, null string and all).
        if (!(c.source.vartype & (ZT_VT_BYREF | ZT_VT_ARRAY))) {
            CZtVariant converted;
            ASSERT_EQ(ZtVariantChangeType(&converted, &c.source, 0, ZT_VT_STRING), ZT_S_OK);
            ASSERT_EQ(converted.vartype, ZT_VT_STRING);
            EXPECT_EQ(Text(CZtString(converted)), c.text);
        }
    }
    object->Release();
}

// 64-bit integers at every digit count, both signs, either side of each
// power of ten: the text must be exactly what QString::number writes.
TEST(VariantText, SixtyFourBitIntegersAtEveryLength) {
    std::vector<unsigned long long> magnitudes = {0, ~0ull, ~0ull - 1};
    for (unsigned long long power = 1;; power *= 10) {
        magnitudes.insert(magnitudes.end(), {power - 1, power, power + 1});
        if (power > ~0ull / 10)
            break;
    }
    for (unsigned long long m : magnitudes) {
        SCOPED_TRACE(m);
        EXPECT_EQ(static_cast<const QString&>(CZtString(CZtVariant(m))), QString::number(m));
        const long long s = static_cast<long long>(m);
        EXPECT_EQ(static_cast<const QString&>(CZtString(CZtVariant(s))), QString::number(s));
        if (s != LLONG_MIN) {  // its negation does not exist
            EXPECT_EQ(static_cast<const QString&>(CZtString(CZtVariant(-s))), QString::number(-s))
                << "negated";
        }
    }
}

TEST(VariantText, StringIsSharedAndANullPointerDetaches) {
    const CZtVariant v(L"shared");
    const CZtString text(v);
    EXPECT_EQ(text.w_str(), v.data.pString->w_str());  // one body, one wide copy
    const CZtString detached(static_cast<const CZtVariant*>(nullptr));
    EXPECT_EQ(detached.w_str(), nullptr);
    CZtString assigned(L"x");
    assigned = static_cast<const CZtVariant*>(nullptr);
    EXPECT_EQ(assigned.w_str(), nullptr);
    CZtString self(L"me");
    CZtString* slot = &self;
    const CZtVariant ref = RefTo(ZT_VT_STRING, &slot);
    self = ref;  // the variant refers to this very string
    EXPECT_EQ(Text(self), L"me");
    self += ref;
    EXPECT_EQ(Text(self), L"meme");
}

// ---------------------------------------------------------------------------
// The bytes of a variant.

TEST(VariantBytes, OneRowPerRule) {
    const CZtVariant fortyTwo(42);
    struct Case {
        const char* name;
        CZtVariant source;
        QByteArray bytes;
    } cases[] = {
        {"i4 -5: its digits", CZtVariant(-5), QByteArray("-5")},
        {"ui1 200", CZtVariant(static_cast<unsigned char>(200)), QByteArray("200")},
        {"bool", U8(ZT_VT_BOOL, 1), QByteArray("1")},
        {"i8 min", CZtVariant(LLONG_MIN), QByteArray("-9223372036854775808")},
        {"qword max", U64(ZT_VT_QWORD, ~0ull), QByteArray("18446744073709551615")},
        {"raw64: digits too", U64(ZT_VT_RAW64, 12345), QByteArray("12345")},
        {"raw32: nothing", U32(ZT_VT_RAW32, 12345), QByteArray()},
        {"r8 one third", CZtVariant(1.0 / 3.0), QByteArray("0.333333333333333")},
        {"timespan ticks", Span(-15), QByteArray("-15")},
        {"time stamp", Stamp(132000000000000000LL), QByteArray("132000000000000000")},
        {"null time", Typed(ZT_VT_TIME), QByteArray()},
        {"blob", CZtVariant(CZtBlob(QByteArray("\x01\x02\x00\x03", 4))),
         QByteArray("\x01\x02\x00\x03", 4)},
        {"null blob", Typed(ZT_VT_BLOB), QByteArray()},
        {"string: UTF-16", Str(L"AB"), QByteArray("A\0B\0", 4)},
        {"numeric chromid: UTF-16 of its text", CZtVariant(CZtCHROMID(1, 2, 3, 4, 5, 6)),
         QByteArray("1\0.\0"
                    "2\0.\0"
                    "3\0.\0"
                    "4\0.\0"
                    "5\0.\0"
                    "6\0",
                    22)},
        {"variant reference", RefTo(ZT_VT_VARIANT, &fortyTwo), QByteArray("42")},
        {"empty", CZtVariant(), QByteArray()},
        {"null map", Typed(ZT_VT_MAP), QByteArray()},
        {"invalid", U32(14, 1), QByteArray()},
        {"array", Typed(ZT_VT_I4 | ZT_VT_ARRAY), QByteArray()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CZtBlob blob(c.source);
        EXPECT_EQ(static_cast<const QByteArray&>(blob), c.bytes);
        CZtBlob assigned("old");
        assigned = c.source;
        EXPECT_EQ(static_cast<const QByteArray&>(assigned), c.bytes);
        CZtBlob appended("<");
        appended += c.source;
        EXPECT_EQ(static_cast<const QByteArray&>(appended), QByteArray("<") + c.bytes);
        EXPECT_EQ(static_cast<const QByteArray&>(CZtBlob(">") + c.source),
                  QByteArray(">") + c.bytes);
    }
    // A GUID gives the UTF-16 bytes of its braced text: 38 characters.
    const CZtBlob guid{CZtVariant(CZtGUID(CZtString(kGuidText)))};
    EXPECT_EQ(guid.Length(), 76);
    EXPECT_EQ(static_cast<const QByteArray&>(guid),
              static_cast<const QByteArray&>(CZtBlob(CZtString(kGuidText))));
}

TEST(VariantBytes, BlobIsSharedAndANullPointerDetaches) {
    const CZtVariant v(CZtBlob("shared"));
    const CZtBlob bytes(v);
    EXPECT_EQ(static_cast<const unsigned char*>(bytes),
              static_cast<const unsigned char*>(*v.data.pBlob));
    const CZtBlob detached(static_cast<const CZtVariant*>(nullptr));
    EXPECT_EQ(static_cast<const QByteArray*>(detached), nullptr);
    CZtBlob assigned("x");
    assigned = static_cast<const CZtVariant*>(nullptr);
    EXPECT_EQ(static_cast<const QByteArray*>(assigned), nullptr);
    // Appending keeps the position.
    CZtBlob stream;
    const unsigned char one = 1;
    stream.Write(&one, 1);
    stream += CZtVariant(7);
    EXPECT_EQ(stream.Position(), 1u);
    EXPECT_EQ(static_cast<const QByteArray&>(stream), QByteArray("\x01"
                                                                 "7"));
}

// ---------------------------------------------------------------------------
// The time and the duration of a variant.

TEST(VariantTicks, TimeAndDurationFromEachSource) {
    const CZtVariant referenced(5LL);
    CZtTime parsedDate;
    parsedDate.ParseDate(CZtString(L"2024-02-29 13:04:05.5"));
    CZtTimeSpan parsedTime;
    parsedTime.ParseTime(CZtString(L"-01:30:00"));
    struct Case {
        const char* name;
        CZtVariant source;
        bool converts;
        long long timeStamp;  // stamp of CZtTime(source) (0 when it does not convert)
        long long spanTicks;  // ticks of CZtTimeSpan(source)
    } cases[] = {
        {"i8", CZtVariant(5LL), true, 5, 5},
        {"ui8", CZtVariant(7ull), true, 7, 7},
        {"qword", U64(ZT_VT_QWORD, 9), true, 9, 9},
        {"r8 truncated", CZtVariant(2.9), true, 2, 2},
        {"r8 negative truncated", CZtVariant(-2.9), true, -2, -2},
        {"r8 NaN", CZtVariant(std::numeric_limits<double>::quiet_NaN()), true, 0, 0},
        {"timespan", Span(100), true, 100, 100},
        {"time", Stamp(LeapDayStamp()), true, LeapDayStamp(), LeapDayStamp()},
        {"date text", Str(L"2024-02-29 13:04:05.5"), true, parsedDate.GetTimeStamp(),
         CZtTimeSpan(CZtString(L"2024-02-29 13:04:05.5")).GetTimeSpan()},
        {"time text", Str(L"-01:30:00"), true, CZtTime(CZtString(L"-01:30:00")).GetTimeStamp(),
         parsedTime.GetTimeSpan()},
        {"variant reference", RefTo(ZT_VT_VARIANT, &referenced), true, 5, 5},
        {"i4 does not convert", CZtVariant(5), false, 0, 0},
        {"r4 does not convert", CZtVariant(5.0f), false, 0, 0},
        {"raw64 does not convert", U64(ZT_VT_RAW64, 5), false, 0, 0},
        {"null timespan", Typed(ZT_VT_TIMESPAN), false, 0, 0},
        {"null time", Typed(ZT_VT_TIME), false, 0, 0},
        {"null string", Typed(ZT_VT_STRING), false, 0, 0},
        {"null reference", Typed(ZT_VT_I8 | ZT_VT_BYREF), false, 0, 0},
        {"empty", CZtVariant(), false, 0, 0},
        {"array", Typed(ZT_VT_I8 | ZT_VT_ARRAY), false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CZtTime time(c.source);
        EXPECT_EQ(time.GetTimeStamp(), c.timeStamp);
        if (!c.converts) {
            EXPECT_EQ(time.GetYear(), 0);  // reset: every field 0, not 1601
            EXPECT_EQ(time.GetDay(), 0);
        }
        EXPECT_EQ(CZtTime(&c.source).GetTimeStamp(), c.timeStamp);
        CZtTime assigned(123456789LL);
        assigned = c.source;
        EXPECT_EQ(assigned.GetTimeStamp(), c.timeStamp);

        EXPECT_EQ(CZtTimeSpan(c.source).GetTimeSpan(), c.spanTicks);
        EXPECT_EQ(CZtTimeSpan(&c.source).GetTimeSpan(), c.spanTicks);
        CZtTimeSpan kept(77LL);
        kept = c.source;
        EXPECT_EQ(kept.GetTimeSpan(), c.converts ? c.spanTicks : 77);
    }
    EXPECT_EQ(CZtTime(static_cast<const CZtVariant*>(nullptr)).GetYear(), 0);
    EXPECT_EQ(CZtTimeSpan(static_cast<const CZtVariant*>(nullptr)).GetTimeSpan(), 0);
}

TEST(VariantTicks, TimeAssignedFromAVariantHoldingItself) {
    CZtVariant v{CZtTime(LeapDayStamp())};
    CZtTime& held = *v.data.pTime;
    held = v;
    EXPECT_EQ(held.GetTimeStamp(), LeapDayStamp());
    EXPECT_EQ(held.GetYear(), 2024);
}

// ---------------------------------------------------------------------------
// Comparison.

TEST(VariantCompare, OneRowPerRule) {
    Tally tally;
    auto* object = new CountingObject(&tally);
    double zero = 0.0, negativeZero = -0.0;
    double nanA = std::numeric_limits<double>::quiet_NaN(), nanB = nanA;
    int one = 1, otherOne = 1, two = 2;
    unsigned int raw = 1;
    CZtString x1(L"x"), x2(L"x");
    CZtString* slotX1 = &x1;
    CZtString* slotX2 = &x2;
    CZtString* nullSlot = nullptr;
    const CZtVariant i4One(1), i4OtherOne(1), i4Two(2);
    CZtVariant withReserved(1);
    withReserved.reserved[3] = 1;
    const CZtGUID guid{CZtString(kGuidText)};
    struct Case {
        const char* name;
        CZtVariant a;
        CZtVariant b;
        unsigned int result;
        bool written;
        bool equal;
    } cases[] = {
        {"i4 1 and i8 1 differ in type", CZtVariant(1), CZtVariant(1LL), ZT_S_OK, true, false},
        {"two empty records", CZtVariant(), CZtVariant(), ZT_S_OK, true, true},
        {"equal numbers", CZtVariant(1), CZtVariant(1), ZT_S_OK, true, true},
        {"different numbers", CZtVariant(1), CZtVariant(2), ZT_S_OK, true, false},
        {"reserved bytes count", CZtVariant(1), withReserved, ZT_S_OK, true, false},
        {"by value 0.0 and -0.0 differ in their bytes", CZtVariant(0.0), CZtVariant(-0.0), ZT_S_OK,
         true, false},
        {"equal strings in different objects", Str(L"x"), Str(L"x"), ZT_S_OK, true, true},
        {"different strings", Str(L"x"), Str(L"y"), ZT_S_OK, true, false},
        {"null string", Typed(ZT_VT_STRING), Str(L"x"), ZT_S_OK, false, false},
        {"equal blobs", CZtVariant(CZtBlob("ab")), CZtVariant(CZtBlob("ab")), ZT_S_OK, true, true},
        {"equal times", Stamp(5), Stamp(5), ZT_S_OK, true, true},
        {"different spans", Span(5), Span(6), ZT_S_OK, true, false},
        {"equal guids", CZtVariant(guid), CZtVariant(guid), ZT_S_OK, true, true},
        {"numeric chromid and its canonical text", CZtVariant(CZtCHROMID(1, 2, 3, 4, 5, 6)),
         CZtVariant(TextForm(L"1.2.3.4.5.6")), ZT_S_OK, true, true},
        {"numeric and text chromid", CZtVariant(CZtCHROMID(1, 2, 3, 4, 5, 6)),
         CZtVariant(CZtCHROMID(L"Plant")), ZT_S_OK, true, false},
        {"equal chromids", CZtVariant(CZtCHROMID(1, 2, 3, 4, 5, 6)),
         CZtVariant(CZtCHROMID(1, 2, 3, 4, 5, 6)), ZT_S_OK, true, true},
        {"same interface", CZtVariant(static_cast<IZtUnknown*>(object)),
         CZtVariant(static_cast<IZtUnknown*>(object)), ZT_E_NOT_SUPPORTED, false, false},
        {"raw32 by value", U32(ZT_VT_RAW32, 1), U32(ZT_VT_RAW32, 1), ZT_S_OK, true, true},
        {"variant by value", Typed(ZT_VT_VARIANT), Typed(ZT_VT_VARIANT), ZT_E_INVALID_TYPE, false,
         false},
        {"invalid code", Typed(14), Typed(14), ZT_E_INVALID_TYPE, false, false},
        {"i4 references", RefTo(ZT_VT_I4, &one), RefTo(ZT_VT_I4, &otherOne), ZT_S_OK, true, true},
        {"different i4 references", RefTo(ZT_VT_I4, &one), RefTo(ZT_VT_I4, &two), ZT_S_OK, true,
         false},
        {"by reference 0.0 equals -0.0", RefTo(ZT_VT_R8, &zero), RefTo(ZT_VT_R8, &negativeZero),
         ZT_S_OK, true, true},
        {"by reference NaN equals nothing", RefTo(ZT_VT_R8, &nanA), RefTo(ZT_VT_R8, &nanB), ZT_S_OK,
         true, false},
        {"null reference", Typed(ZT_VT_I4 | ZT_VT_BYREF), RefTo(ZT_VT_I4, &one), ZT_S_OK, false,
         false},
        {"string references", RefTo(ZT_VT_STRING, &slotX1), RefTo(ZT_VT_STRING, &slotX2), ZT_S_OK,
         true, true},
        {"reference to a null string", RefTo(ZT_VT_STRING, &nullSlot), RefTo(ZT_VT_STRING, &slotX2),
         ZT_S_OK, false, false},
        {"raw32 by reference", RefTo(ZT_VT_RAW32, &raw), RefTo(ZT_VT_RAW32, &raw),
         ZT_E_NOT_SUPPORTED, false, false},
        {"variant references", RefTo(ZT_VT_VARIANT, &i4One), RefTo(ZT_VT_VARIANT, &i4OtherOne),
         ZT_S_OK, true, true},
        {"variant references to different values", RefTo(ZT_VT_VARIANT, &i4One),
         RefTo(ZT_VT_VARIANT, &i4Two), ZT_S_OK, true, false},
        {"null variant reference", Typed(ZT_VT_VARIANT | ZT_VT_BYREF), RefTo(ZT_VT_VARIANT, &i4One),
         ZT_E_NULL_POINTER, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool initial : {false, true}) {
            bool equal = initial;
            EXPECT_EQ(ZtVariantCompare(&c.a, &c.b, &equal), c.result);
            EXPECT_EQ(equal, c.written ? c.equal : initial);
        }
        // The class operators count every failure as "not equal".
        const bool same = c.result == ZT_S_OK && c.written && c.equal;
        EXPECT_EQ(c.a == c.b, same);
        EXPECT_EQ(c.a != &c.b, !same);
    }
    bool equal = false;
    const CZtVariant v;
    EXPECT_EQ(ZtVariantCompare(nullptr, &v, &equal), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZtVariantCompare(&v, nullptr, &equal), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZtVariantCompare(&v, &v, nullptr), ZT_E_NULL_POINTER);
    object->Release();
}

// ---------------------------------------------------------------------------
// GUIDs and CHROMIDs into and out of variants.

TEST(VariantIdentifiers, GuidFromAVariant) {
    const CZtGUID guid{CZtString(kGuidText)};
    CZtGUID referenced = guid;
    CZtString text(kGuidText);
    CZtString* textSlot = &text;
    CZtString* nullSlot = nullptr;
    struct Case {
        const char* name;
        CZtVariant source;
        unsigned int result;
        bool written;
    } cases[] = {
        {"guid", CZtVariant(guid), ZT_S_OK, true},
        {"guid by reference", RefTo(ZT_VT_GUID, &referenced), ZT_S_OK, true},
        {"string", Str(kGuidText), ZT_S_OK, true},
        {"string by reference", RefTo(ZT_VT_STRING, &textSlot), ZT_S_OK, true},
        {"empty", CZtVariant(), ZT_E_INVALID_TYPE, false},
        {"number", CZtVariant(5), ZT_E_INVALID_TYPE, false},
        {"null guid reference", Typed(ZT_VT_GUID | ZT_VT_BYREF), ZT_E_INVALID_OBJECT, false},
        {"null string", Typed(ZT_VT_STRING), ZT_E_INVALID_OBJECT, false},
        {"null string reference", Typed(ZT_VT_STRING | ZT_VT_BYREF), ZT_E_INVALID_OBJECT, false},
        {"reference to a null string", RefTo(ZT_VT_STRING, &nullSlot), ZT_E_INVALID_OBJECT, false},
        {"short text", Str(L"{B040}"), ZT_E_INVALID_OBJECT, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tagZTGUID out;
        std::memset(&out, 0x5A, sizeof(out));
        tagZTGUID untouched = out;
        EXPECT_EQ(ZtVariant2GUID(&c.source, &out), c.result);
        if (c.written)
            EXPECT_TRUE(guid == out);
        else
            EXPECT_EQ(std::memcmp(&out, &untouched, sizeof(out)), 0);
        // The class reads the same, starting from the null GUID.
        const CZtGUID made(c.source);
        EXPECT_TRUE(c.written ? made == guid : made.IsNull());
        CZtGUID assigned = guid;
        assigned = c.source;
        EXPECT_TRUE(c.written ? assigned == guid : assigned.IsNull());
    }
    tagZTGUID out = {};
    EXPECT_EQ(ZtVariant2GUID(nullptr, &out), ZT_E_NULL_POINTER);
    const CZtVariant v(guid);
    EXPECT_EQ(ZtVariant2GUID(&v, nullptr), ZT_E_NULL_POINTER);
}

TEST(VariantIdentifiers, GuidIntoAVariant) {
    const CZtGUID guid{CZtString(kGuidText)};
    CZtVariant v(L"old");
    EXPECT_EQ(ZtGUID2Variant(&guid, &v), ZT_S_OK);
    EXPECT_EQ(v.vartype, ZT_VT_GUID);
    EXPECT_TRUE(guid == v.data.guid);
    EXPECT_EQ(v == CZtVariant(guid), true);
    // The GUID may be the record's own payload.
    EXPECT_EQ(ZtGUID2Variant(&v.data.guid, &v), ZT_S_OK);
    EXPECT_TRUE(guid == v.data.guid);
    EXPECT_EQ(ZtGUID2Variant(nullptr, &v), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZtGUID2Variant(&guid, nullptr), ZT_E_NULL_POINTER);
}

TEST(VariantIdentifiers, ChromidFromAVariant) {
    const CZtCHROMID numeric(1, 2, 3, 4, 5, 6);
    CZtCHROMID referenced(L"Plant/Tank 7");
    CZtString text(L"1.2.3.4.5.6");
    CZtString* textSlot = &text;
    CZtString* nullSlot = nullptr;
    struct Case {
        const char* name;
        CZtVariant source;
        unsigned int result;
        std::wstring text;  // of the record afterwards; "<kept>" when unchanged
    } cases[] = {
        {"chromid", CZtVariant(numeric), ZT_S_OK, L"1.2.3.4.5.6"},
        {"chromid by reference", RefTo(ZT_VT_CHROMID, &referenced), ZT_S_OK, L"Plant/Tank 7"},
        {"string", Str(L"Plant"), ZT_S_OK, L"Plant"},
        {"string by reference", RefTo(ZT_VT_STRING, &textSlot), ZT_S_OK, L"1.2.3.4.5.6"},
        {"empty gives 0.0.0.0.0.0", CZtVariant(), ZT_S_OK, L"0.0.0.0.0.0"},
        {"number", CZtVariant(5), ZT_E_NULL_POINTER, L"<kept>"},
        {"null string", Typed(ZT_VT_STRING), ZT_E_NULL_POINTER, L"<kept>"},
        {"null string reference", Typed(ZT_VT_STRING | ZT_VT_BYREF), ZT_E_NULL_POINTER, L"<kept>"},
        {"reference to a null string", RefTo(ZT_VT_STRING, &nullSlot), ZT_E_NULL_POINTER,
         L"<kept>"},
        {"null chromid reference", Typed(ZT_VT_CHROMID | ZT_VT_BYREF), ZT_E_NULL_POINTER,
         L"<kept>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtCHROMID out(L"previous");
        EXPECT_EQ(ZtVariant2CHROMID(&c.source, &out), c.result);
        EXPECT_EQ(Text(out.ToString()), c.text == L"<kept>" ? L"previous" : c.text);
        // The constructor starts from 0.0.0.0.0.0, the assignment from the
        // cleared record.
        EXPECT_EQ(Text(CZtCHROMID(c.source).ToString()),
                  c.text == L"<kept>" ? L"0.0.0.0.0.0" : c.text);
        CZtCHROMID assigned(L"previous");
        assigned = c.source;
        EXPECT_EQ(Text(assigned.ToString()), c.text == L"<kept>" ? L"" : c.text);
    }
    EXPECT_EQ(ZtVariant2CHROMID(nullptr, &referenced), ZT_E_NULL_POINTER);
    const CZtVariant v(numeric);
    EXPECT_EQ(ZtVariant2CHROMID(&v, nullptr), ZT_E_NULL_POINTER);
}

TEST(VariantIdentifiers, ChromidIntoAVariant) {
    const CZtCHROMID id(L"Plant/Tank 7");
    CZtVariant v(5);
    EXPECT_EQ(ZTCHROMID2Variant(&id, &v), ZT_S_OK);
    EXPECT_EQ(v.vartype, ZT_VT_CHROMID);
    ASSERT_NE(v.data.chromid.text, nullptr);
    EXPECT_NE(v.data.chromid.text, id.text);
    EXPECT_EQ(Text(CZtString(v)), L"Plant/Tank 7");
    // The CHROMID may be the record's own payload.
    EXPECT_EQ(ZTCHROMID2Variant(&v.data.chromid, &v), ZT_S_OK);
    EXPECT_EQ(Text(CZtString(v)), L"Plant/Tank 7");
    EXPECT_EQ(ZTCHROMID2Variant(nullptr, &v), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZTCHROMID2Variant(&id, nullptr), ZT_E_NULL_POINTER);
}

TEST(VariantIdentifiers, ChromidAppendsWhatAVariantHolds) {
    CZtCHROMID textPart(L"/Pump");
    CZtString suffix(L"/Valve");
    CZtString* suffixSlot = &suffix;
    CZtString* nullSlot = nullptr;
    struct Case {
        const char* name;
        CZtVariant source;
        std::wstring appendedToText;  // after "Plant" += source
        std::wstring plus;            // "Plant" + source
    } cases[] = {
        {"chromid", CZtVariant(CZtCHROMID(L"/Tank")), L"Plant/Tank", L"Plant/Tank"},
        {"chromid by reference", RefTo(ZT_VT_CHROMID, &textPart), L"Plant/Pump", L"Plant/Pump"},
        {"string", Str(L"/7"), L"Plant/7", L"Plant/7"},
        {"string by reference", RefTo(ZT_VT_STRING, &suffixSlot), L"Plant/Valve", L"Plant/Valve"},
        {"numeric chromid with text: forms differ", CZtVariant(CZtCHROMID(1, 2, 3, 4, 5, 6)),
         L"Plant", L"Plant"},
        {"null string", Typed(ZT_VT_STRING), L"Plant", L"0.0.0.0.0.0"},
        {"null chromid reference", Typed(ZT_VT_CHROMID | ZT_VT_BYREF), L"Plant", L"0.0.0.0.0.0"},
        {"reference to a null string", RefTo(ZT_VT_STRING, &nullSlot), L"Plant", L"0.0.0.0.0.0"},
        {"number", CZtVariant(5), L"Plant", L"0.0.0.0.0.0"},
        {"array of strings", Typed(ZT_VT_STRING | ZT_VT_ARRAY), L"Plant", L"0.0.0.0.0.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CZtCHROMID plant(L"Plant");
        CZtCHROMID appended(plant);
        appended += c.source;
        EXPECT_EQ(Text(appended.ToString()), c.appendedToText);
        EXPECT_EQ(Text((plant + c.source).ToString()), c.plus);
        EXPECT_EQ(Text(plant.ToString()), L"Plant");
    }
    // Numeric ones combine part by part.
    CZtCHROMID numeric(1, 0, 0, 0, 0, 0);
    numeric += CZtVariant(CZtCHROMID(0, 2, 0, 0, 0, 4));
    EXPECT_EQ(Text(numeric.ToString()), L"1.2.0.0.0.4");
}

}  // namespace
}  // namespace Varn
