// CZtString: reading numbers (saturating integers, locale-aware floating
// point), writing numbers and printf-style formatting.
#include <zotrel/string.h>

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "text/string_test_util.h"

namespace {

using Varn::CZtString;
using Varn::ZT_E_FAIL;
using Varn::ZT_S_OK;
using zotrel_test::DetachedMaker;
using zotrel_test::DetachedMakers;
using zotrel_test::IsDetached;
using zotrel_test::Text;

// Saturating integer reads --------------------------------------------------

template <class T>
struct IntCase {
    const char* name;
    const char* text;
    T expected;
    bool ok;
};

bool HasHexPrefix(const std::string& text) {
    return text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

// Checks the member without a base, the conversion operator and
// ConvertToNumericValue in the base the member chooses.
template <class T>
void CheckIntegerReads(const std::vector<IntCase<T>>& cases, T (CZtString::*read)(bool*) const) {
    for (const IntCase<T>& c : cases) {
        SCOPED_TRACE(std::string(c.name) + ": \"" + c.text + "\"");
        const CZtString s(c.text);
        bool ok = !c.ok;
        EXPECT_EQ((s.*read)(&ok), c.expected);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ((s.*read)(nullptr), c.expected);
        EXPECT_EQ(static_cast<T>(s), c.expected);
        T out = 7;
        EXPECT_EQ(s.ConvertToNumericValue(out, HasHexPrefix(c.text) ? 16 : 10),
                  c.ok ? ZT_S_OK : ZT_E_FAIL);
        EXPECT_EQ(out, c.expected);
    }
}

TEST(CZtStringNumbers, ToShort) {
    CheckIntegerReads<short>(
        {
            {"max", "32767", 32767, true},
            {"max + 1", "32768", 32767, true},
            {"far above", "70000", 32767, true},
            {"min", "-32768", -32768, true},
            {"min - 1", "-32769", -32768, true},
            {"hex", "0x1F", 31, true},
            {"hex, upper-case prefix", "0X10", 16, true},
            {"hex max + 1", "0x8000", 32767, true},
            {"hex digits without prefix", "1F", 0, false},
            {"space before prefix", " 0x10", 0, false},
            {"prefix only", "0x", 0, false},
            {"trailing input", "12abc", 0, false},
            {"letters", "abc", 0, false},
            {"empty", "", 0, false},
            {"unsigned 64-bit max", "18446744073709551615", 32767, true},
            {"beyond 64 bits", "18446744073709551616", 0, false},
        },
        &CZtString::ToShort);
}

TEST(CZtStringNumbers, ToUShort) {
    CheckIntegerReads<unsigned short>(
        {
            {"zero", "0", 0, true},
            {"max", "65535", 65535, true},
            {"max + 1", "65536", 65535, true},
            {"minus one", "-1", 0, true},
            {"far below", "-65536", 0, true},
            {"hex max", "0xFFFF", 65535, true},
            {"hex max + 1", "0x10000", 65535, true},
            {"signed 64-bit min - 1", "-9223372036854775809", 0, false},
            {"letters", "abc", 0, false},
        },
        &CZtString::ToUShort);
}

TEST(CZtStringNumbers, ToInt) {
    CheckIntegerReads<int>(
        {
            {"max", "2147483647", INT_MAX, true},
            {"max + 1", "2147483648", INT_MAX, true},
            {"min", "-2147483648", INT_MIN, true},
            {"min - 1", "-2147483649", INT_MIN, true},
            {"hex max", "0x7FFFFFFF", INT_MAX, true},
            {"hex all ones", "0xFFFFFFFF", INT_MAX, true},
            {"hex", "0x1F", 31, true},
            {"plus sign", "+5", 5, true},
            {"decimal point", "1.0", 0, false},
        },
        &CZtString::ToInt);
}

TEST(CZtStringNumbers, ToUInt) {
    CheckIntegerReads<unsigned int>(
        {
            {"max", "4294967295", UINT_MAX, true},
            {"max + 1", "4294967296", UINT_MAX, true},
            {"minus one", "-1", 0u, true},
            {"hex max", "0xFFFFFFFF", UINT_MAX, true},
            {"hex max + 1", "0x100000000", UINT_MAX, true},
            {"letters", "x1", 0u, false},
        },
        &CZtString::ToUInt);
}

TEST(CZtStringNumbers, ToLongLong) {
    CheckIntegerReads<long long>(
        {
            {"max", "9223372036854775807", LLONG_MAX, true},
            {"max + 1", "9223372036854775808", LLONG_MAX, true},
            {"min", "-9223372036854775808", LLONG_MIN, true},
            {"min - 1", "-9223372036854775809", 0, false},
            {"unsigned max", "18446744073709551615", LLONG_MAX, true},
            {"unsigned max + 1", "18446744073709551616", 0, false},
            {"hex max", "0x7FFFFFFFFFFFFFFF", LLONG_MAX, true},
            {"hex max + 1", "0x8000000000000000", LLONG_MAX, true},
            {"hex all ones", "0xFFFFFFFFFFFFFFFF", LLONG_MAX, true},
        },
        &CZtString::ToLongLong);
}

TEST(CZtStringNumbers, ToULongLong) {
    CheckIntegerReads<unsigned long long>(
        {
            {"max", "18446744073709551615", ULLONG_MAX, true},
            {"max - 1", "18446744073709551614", ULLONG_MAX - 1, true},
            {"max + 1", "18446744073709551616", 0, false},
            {"above signed range", "9223372036854775808", 9223372036854775808ull, true},
            {"minus one", "-1", 0, true},
            {"signed min", "-9223372036854775808", 0, true},
            {"hex max", "0xFFFFFFFFFFFFFFFF", ULLONG_MAX, true},
            {"hex max + 1", "0x10000000000000000", 0, false},
        },
        &CZtString::ToULongLong);
}

TEST(CZtStringNumbers, EightBitOperatorsCutTheShortValue) {
    struct Case {
        const char* text;
        signed char asSigned;
        unsigned char asUnsigned;
    };
    const Case cases[] = {
        {"300", 44, 44},  {"200", -56, 200},  {"-1", -1, 0}, {"70000", -1, 255},
        {"-129", 127, 0}, {"0x1FF", -1, 255}, {"abc", 0, 0}, {"127", 127, 127},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const CZtString s(c.text);
        EXPECT_EQ(static_cast<signed char>(s), c.asSigned);
        EXPECT_EQ(static_cast<unsigned char>(s), c.asUnsigned);
    }
}

template <class T>
struct ConvertCase {
    const char* text;
    int base;
    T expected;
    unsigned int result;
};

template <class T>
void CheckConvert(const std::vector<ConvertCase<T>>& cases) {
    for (const ConvertCase<T>& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\" base " + std::to_string(c.base));
        T out = 7;
        EXPECT_EQ(CZtString(c.text).ConvertToNumericValue(out, c.base), c.result);
        EXPECT_EQ(out, c.expected);
    }
}

TEST(CZtStringNumbers, ConvertToEightBitValuesSaturates) {
    CheckConvert<unsigned char>({
        {"255", 10, 255, ZT_S_OK},
        {"256", 10, 255, ZT_S_OK},
        {"300", 10, 255, ZT_S_OK},
        {"-1", 10, 0, ZT_S_OK},
        {"ff", 16, 255, ZT_S_OK},
        {"0x10", 10, 0, ZT_E_FAIL},
        {"abc", 10, 0, ZT_E_FAIL},
    });
    CheckConvert<signed char>({
        {"127", 10, 127, ZT_S_OK},
        {"128", 10, 127, ZT_S_OK},
        {"-128", 10, -128, ZT_S_OK},
        {"-129", 10, -128, ZT_S_OK},
        {"-200", 10, -128, ZT_S_OK},
        {"", 10, 0, ZT_E_FAIL},
    });
    CheckConvert<int>({
        {"777", 8, 511, ZT_S_OK},
        {"z", 36, 35, ZT_S_OK},
        {"1F", 10, 0, ZT_E_FAIL},
    });
}

TEST(CZtStringNumbers, ExplicitBases) {
    struct Case {
        const char* name;
        std::function<int(const CZtString&, bool*)> read;
        const char* text;
        int expected;
        bool ok;
    };
    const auto base = [](int b) {
        return [b](const CZtString& s, bool* ok) { return s.ToInt(b, ok); };
    };
    const auto hex = [](const CZtString& s, bool* ok) { return s.ToHexInt(ok); };
    const auto oct = [](const CZtString& s, bool* ok) { return s.ToOctInt(ok); };
    const Case cases[] = {
        {"base 0, hex prefix", base(0), "0x1F", 31, true},
        {"base 0, octal prefix", base(0), "017", 15, true},
        {"base 0, decimal", base(0), "17", 17, true},
        {"base 2", base(2), "101", 5, true},
        {"base 2, bad digit", base(2), "102", 0, false},
        {"base 10 rejects hex prefix", base(10), "0x10", 0, false},
        {"base 16 saturates high", base(16), "fffffffff", INT_MAX, true},
        {"base 16 saturates low", base(16), "-80000001", INT_MIN, true},
        {"hex", hex, "ff", 255, true},
        {"hex with prefix", hex, "0xFF", 255, true},
        {"hex saturates", hex, "80000000", INT_MAX, true},
        {"hex bad digit", hex, "g", 0, false},
        {"octal", oct, "17", 15, true},
        {"octal negative", oct, "-10", -8, true},
        {"octal saturates", oct, "77777777777", INT_MAX, true},
        {"octal bad digit", oct, "8", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool ok = !c.ok;
        EXPECT_EQ(c.read(CZtString(c.text), &ok), c.expected);
        EXPECT_EQ(ok, c.ok);
    }
}

// Floating-point reads -------------------------------------------------------

TEST(CZtStringNumbers, ToDoubleWithLocales) {
    struct Case {
        const char* name;
        const char* text;
        unsigned int lcid;
        double expected;
        bool ok;
    };
    const Case cases[] = {
        {"C locale", "1.5", 0, 1.5, true},
        {"C locale, exponent", "-2.5e3", 0, -2500.0, true},
        {"C locale rejects comma", "1,5", 0, 0, false},
        {"C locale, trailing input", "1.5x", 0, 0, false},
        {"C locale, empty", "", 0, 0, false},
        {"C locale, large", "1e300", 0, 1e300, true},
        {"German comma", "1,5", 0x0407, 1.5, true},
        {"US full stop", "1.5", 0x0409, 1.5, true},
        {"unknown locale", "1.5", 0x1234, 0, false},
        {"unknown locale, comma", "1,5", 0x1234, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CZtString s(c.text);
        bool ok = !c.ok;
        EXPECT_EQ(s.ToDouble(&ok, c.lcid), c.expected);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(s.ToDouble(nullptr, c.lcid), c.expected);
    }
}

TEST(CZtStringNumbers, FloatReadsClampToTheFloatRange) {
    struct Case {
        const char* text;
        float expected;
        unsigned int result;
    };
    const Case cases[] = {
        {"1e300", FLT_MAX, ZT_S_OK},
        {"-1e300", -FLT_MAX, ZT_S_OK},
        {"0.5", 0.5f, ZT_S_OK},
        {"1,5", 0, ZT_E_FAIL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const CZtString s(c.text);
        bool ok = c.result != ZT_S_OK;
        EXPECT_EQ(s.ToFloat(&ok), c.expected);
        EXPECT_EQ(ok, c.result == ZT_S_OK);
        EXPECT_EQ(static_cast<float>(s), c.expected);
        float out = 7;
        EXPECT_EQ(s.ConvertToNumericValue(out, 16), c.result);
        EXPECT_EQ(out, c.expected);
    }
    double out = 7;
    EXPECT_EQ(CZtString("2.25").ConvertToNumericValue(out), ZT_S_OK);
    EXPECT_EQ(out, 2.25);
    EXPECT_EQ(static_cast<double>(CZtString("-0.75")), -0.75);
}

TEST(CZtStringNumbers, DetachedReadsFail) {
    for (const DetachedMaker& maker : DetachedMakers()) {
        SCOPED_TRACE(maker.name);
        const std::unique_ptr<CZtString> d = maker.make();
        const struct {
            const char* name;
            std::function<long long(bool*)> read;
        } reads[] = {
            {"ToShort", [&](bool* ok) { return d->ToShort(ok); }},
            {"ToUShort", [&](bool* ok) { return d->ToUShort(ok); }},
            {"ToInt", [&](bool* ok) { return d->ToInt(ok); }},
            {"ToUInt", [&](bool* ok) { return d->ToUInt(ok); }},
            {"ToLongLong", [&](bool* ok) { return d->ToLongLong(ok); }},
            {"ToULongLong", [&](bool* ok) { return static_cast<long long>(d->ToULongLong(ok)); }},
            {"ToInt base", [&](bool* ok) { return d->ToInt(10, ok); }},
            {"ToHexInt", [&](bool* ok) { return d->ToHexInt(ok); }},
            {"ToOctInt", [&](bool* ok) { return d->ToOctInt(ok); }},
            {"ToFloat", [&](bool* ok) { return static_cast<long long>(d->ToFloat(ok) != 0); }},
            {"ToDouble", [&](bool* ok) { return static_cast<long long>(d->ToDouble(ok) != 0); }},
        };
        for (const auto& r : reads) {
            SCOPED_TRACE(r.name);
            bool ok = true;
            EXPECT_EQ(r.read(&ok), 0);
            EXPECT_FALSE(ok);
        }
        unsigned long long u64 = 7;
        long long i64 = 7;
        int i32 = 7;
        unsigned char u8 = 7;
        double f64 = 7;
        EXPECT_EQ(d->ConvertToNumericValue(u64), ZT_E_FAIL);
        EXPECT_EQ(d->ConvertToNumericValue(i64), ZT_E_FAIL);
        EXPECT_EQ(d->ConvertToNumericValue(i32), ZT_E_FAIL);
        EXPECT_EQ(d->ConvertToNumericValue(u8), ZT_E_FAIL);
        EXPECT_EQ(d->ConvertToNumericValue(f64), ZT_E_FAIL);
        EXPECT_EQ(u64 + i64 + i32 + u8 + f64, 0);
        EXPECT_EQ(static_cast<int>(*d), 0);
        EXPECT_TRUE(IsDetached(*d));
    }
}

// Writing numbers ------------------------------------------------------------

TEST(CZtStringNumbers, SetNum) {
    struct Case {
        const char* name;
        std::function<void(CZtString&)> set;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {"short hex negative reads as 64-bit two's complement",
         [](CZtString& s) { s.SetNum(static_cast<short>(-255), 16); }, L"ffffffffffffff01"},
        {"unsigned short hex",
         [](CZtString& s) { s.SetNum(static_cast<unsigned short>(65535), 16); }, L"ffff"},
        {"int min", [](CZtString& s) { s.SetNum(INT_MIN); }, L"-2147483648"},
        {"int binary", [](CZtString& s) { s.SetNum(255, 2); }, L"11111111"},
        {"unsigned max", [](CZtString& s) { s.SetNum(UINT_MAX); }, L"4294967295"},
        {"long long min", [](CZtString& s) { s.SetNum(LLONG_MIN); }, L"-9223372036854775808"},
        {"unsigned long long max", [](CZtString& s) { s.SetNum(ULLONG_MAX); },
         L"18446744073709551615"},
        {"unsigned long long hex", [](CZtString& s) { s.SetNum(ULLONG_MAX, 16); },
         L"ffffffffffffffff"},
        {"double fixed", [](CZtString& s) { s.SetNum(1.0 / 3.0, 'f', 2); }, L"0.33"},
        {"double exponent", [](CZtString& s) { s.SetNum(1234.5, 'e', 2); }, L"1.23e+03"},
        {"double upper exponent", [](CZtString& s) { s.SetNum(2.5, 'E', 1); }, L"2.5E+00"},
        {"float general", [](CZtString& s) { s.SetNum(0.1f); }, L"0.1"},
        {"float fixed", [](CZtString& s) { s.SetNum(1.5f, 'f', 3); }, L"1.500"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtString s("old");
        c.set(s);
        EXPECT_EQ(Text(s), c.expected);
    }
}

// Formatting -----------------------------------------------------------------

TEST(CZtStringFormat, NarrowFormats) {
    struct Case {
        const char* name;
        std::function<void(CZtString&)> format;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {"int and text", [](CZtString& s) { s.Format("%d-%s", 5, "x"); }, L"5-x"},
        {"64-bit", [](CZtString& s) { s.Format("%lld", LLONG_MIN); }, L"-9223372036854775808"},
        {"char and percent", [](CZtString& s) { s.Format("%c%%", 'A'); }, L"A%"},
        {"static", [](CZtString& s) { s = CZtString::FormatString("%d/%d", 3, 4); }, L"3/4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtString s("old");
        CZtString other = s;
        c.format(s);
        EXPECT_EQ(Text(s), c.expected);
        EXPECT_EQ(Text(other), L"old");
    }
}

TEST(CZtStringFormat, WideFormats) {
    struct Case {
        const char* name;
        std::function<void(CZtString&)> format;
        std::wstring expected;
    };
    const std::wstring longText(5000, L'\u00E9');
    const Case cases[] = {
        {"positional", [](CZtString& s) { s.Format(L"%2$s-%1$s", L"a", L"b"); }, L"b-a"},
        {"%s takes wide text", [](CZtString& s) { s.Format(L"[%s]", L"\U0001F600\u20AC"); },
         L"[\U0001F600\u20AC]"},
        {"%S takes narrow text", [](CZtString& s) { s.Format(L"%S!", "narrow"); }, L"narrow!"},
        {"explicit sizes", [](CZtString& s) { s.Format(L"%hs%ls", "n", L"w"); }, L"nw"},
        {"%c takes a wide char", [](CZtString& s) { s.Format(L"%c", L'\u00E9'); }, L"\u00E9"},
        {"%C takes a narrow char", [](CZtString& s) { s.Format(L"%C", 'x'); }, L"x"},
        {"I64d", [](CZtString& s) { s.Format(L"%I64d", LLONG_MIN); }, L"-9223372036854775808"},
        {"I64u", [](CZtString& s) { s.Format(L"%I64u", ULLONG_MAX); }, L"18446744073709551615"},
        {"I64x", [](CZtString& s) { s.Format(L"%I64x", 0xFFFFFFFFFFull); }, L"ffffffffff"},
        {"positional with I64", [](CZtString& s) { s.Format(L"%2$I64d %1$s", L"a", LLONG_MAX); },
         L"9223372036854775807 a"},
        {"int and percent", [](CZtString& s) { s.Format(L"%d%%", 5); }, L"5%"},
        {"long result", [&](CZtString& s) { s.Format(L"%s", longText.c_str()); }, longText},
        {"static", [](CZtString& s) { s = CZtString::FormatString(L"%d/%s", 3, L"x"); }, L"3/x"},
        {"rejected narrow argument keeps the text", [](CZtString& s) { s.Format(L"%S", "\xE9"); },
         L"old"},
        {"static, rejected", [](CZtString& s) { s = CZtString::FormatString(L"%S", "\xE9"); }, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtString s("old");
        CZtString other = s;
        c.format(s);
        EXPECT_EQ(Text(s), c.expected);
        EXPECT_EQ(Text(other), L"old");
    }
}

TEST(CZtStringFormat, WideFormatCountsUtf16Units) {
    CZtString s;
    s.Format(L"%s", L"\U0001F600");
    EXPECT_EQ(s.Length(), 2);
    EXPECT_EQ(s[0], static_cast<wchar_t>(0xD83D));
}

}  // namespace
