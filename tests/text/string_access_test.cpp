// CZtString: construction and input rules, the detached state, element
// access, derived strings, searching and comparison.
#include <zotrel/guid.h>
#include <zotrel/string.h>

#include <gtest/gtest.h>
#include <QString>

#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "text/string_test_util.h"

namespace {

using Varn::CZtString;
using zotrel_test::DetachedMaker;
using zotrel_test::DetachedMakers;
using zotrel_test::IsDetached;
using zotrel_test::Text;
using zotrel_test::Units;

// Construction and input rules ----------------------------------------------

TEST(CZtStringConstruct, ValuesAndInputEncodings) {
    struct Case {
        const char* name;
        CZtString value;
        std::u16string units;
    };
    const Case cases[] = {
        {"default", CZtString(), u""},
        {"repeated char", CZtString(3, L'x'), u"xxx"},
        {"repeated char, zero count", CZtString(0, L'x'), u""},
        {"repeated char, negative count", CZtString(-1, L'x'), u""},
        {"repeated char beyond BMP", CZtString(2, L'\U0001F600'), u"\U0001F600\U0001F600"},
        {"double", CZtString(1.0 / 3.0), u"0.333333"},
        {"double, large", CZtString(1234567.0), u"1.23457e+06"},
        {"int", CZtString(-42), u"-42"},
        {"int zero", CZtString(0), u"0"},
        {"int nine", CZtString(9), u"9"},
        {"int ten", CZtString(10), u"10"},
        {"int minus one", CZtString(-1), u"-1"},
        {"int maximum", CZtString(INT_MAX), u"2147483647"},
        {"int minimum", CZtString(INT_MIN), u"-2147483648"},
        {"unsigned zero", CZtString(0u), u"0"},
        {"unsigned maximum", CZtString(UINT_MAX), u"4294967295"},
        {"narrow char is Latin-1", CZtString('\xE9'), u"\u00E9"},
        {"narrow text is Latin-1", CZtString("\xA9\xFF"), u"\u00A9\u00FF"},
        {"narrow text with length", CZtString("abc", 2), u"ab"},
        {"narrow text with embedded NUL", CZtString("a\0b", 3), std::u16string(u"a\0b", 3)},
        {"null narrow pointer", CZtString(static_cast<const char*>(nullptr)), u""},
        {"wide char", CZtString(L'\u20AC'), u"\u20AC"},
        {"wide char beyond BMP", CZtString(L'\U0001F600'), u"\xD83D\xDE00"},
        {"wide text beyond BMP", CZtString(L"a\U0001F600"), u"a\xD83D\xDE00"},
        {"wide text with length", CZtString(L"abc", 1), u"a"},
        {"null wide pointer", CZtString(static_cast<const wchar_t*>(nullptr)), u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Units(c.value), c.units);
        EXPECT_EQ(c.value.Length(), static_cast<int>(c.units.size()));
        EXPECT_NE(c.value.c_str(), nullptr);
    }
}

// Integer text is written digit by digit without QLocale; every length of
// number, both signs and each power of ten either side must give exactly
// what QString::number gives.
TEST(CZtStringConstruct, IntegerTextMatchesQtAcrossEveryLength) {
    std::vector<long long> values = {INT_MIN, INT_MAX, -INT_MAX};
    for (long long power = 1; power <= 1000000000LL; power *= 10)
        for (long long v : {power - 1, power, power + 1})
            for (long long sign : {1LL, -1LL})
                if (v * sign >= INT_MIN && v * sign <= INT_MAX)
                    values.push_back(v * sign);
    for (long long v : values) {
        SCOPED_TRACE(v);
        const int value = static_cast<int>(v);
        EXPECT_EQ(static_cast<const QString&>(CZtString(value)), QString::number(value));
        const unsigned int bits = static_cast<unsigned int>(value);
        EXPECT_EQ(static_cast<const QString&>(CZtString(bits)), QString::number(bits));
    }
}

TEST(CZtStringConstruct, NarrowInputIsLatin1Everywhere) {
    CZtString appendedChar;
    appendedChar.Append('\xE9');
    CZtString appendedText;
    appendedText.Append("\xE9", 1);
    CZtString assigned;
    assigned = '\xE9';
    for (const CZtString* s : {&appendedChar, &appendedText, &assigned}) {
        EXPECT_EQ(Units(*s), u"\u00E9");
        EXPECT_STREQ(s->c_str(), "\xE9");
    }
    EXPECT_TRUE(appendedChar == CZtString('\xE9'));
}

TEST(CZtStringConstruct, WideTextBeyondTheBmpRoundTrips) {
    CZtString s(L"\U0001F600");
    EXPECT_EQ(s.Length(), 2);
    EXPECT_EQ(s[0], static_cast<wchar_t>(0xD83D));
    EXPECT_EQ(s[1], static_cast<wchar_t>(0xDE00));
    ASSERT_NE(s.w_str(), nullptr);
    EXPECT_EQ(s.w_str()[0], static_cast<wchar_t>(0x1F600));
    EXPECT_EQ(s.w_str()[1], L'\0');
    EXPECT_STREQ(s.c_str(), "??");
}

TEST(CZtStringConstruct, NarrowCopyReplacesCharactersOutsideLatin1) {
    CZtString s(L"caf\u00E9 \u20AC5");
    EXPECT_STREQ(s.c_str(), "caf\xE9 ?5");
}

TEST(CZtStringConstruct, Assignments) {
    CZtString s("old");
    s = static_cast<const CZtString*>(nullptr);
    EXPECT_EQ(Text(s), L"old");
    s = static_cast<const Varn::CZtGUID*>(nullptr);
    EXPECT_EQ(Text(s), L"old");
    CZtString other("other");
    s = &other;
    EXPECT_EQ(s.w_str(), other.w_str());
    s = 1.5;
    EXPECT_EQ(Text(s), L"1.5");
    s = 7u;
    EXPECT_EQ(Text(s), L"7");
    s = L"w\U0001F600";
    EXPECT_EQ(s.Length(), 3);
    s = static_cast<const char*>(nullptr);
    EXPECT_TRUE(!s);
    s = static_cast<const QString*>(nullptr);
    EXPECT_TRUE(IsDetached(s));
}

// The detached state ---------------------------------------------------------

TEST(CZtStringDetached, QueriesReportNothing) {
    const CZtString plain("abc");
    const CZtString empty;
    for (const DetachedMaker& maker : DetachedMakers()) {
        SCOPED_TRACE(maker.name);
        std::unique_ptr<CZtString> holder = maker.make();
        const CZtString& d = *holder;
        EXPECT_TRUE(IsDetached(d));
        EXPECT_EQ(d.Length(), 0);
        EXPECT_TRUE(d.IsEmpty());
        EXPECT_FALSE(!d);
        EXPECT_EQ(d[0], 0);
        EXPECT_EQ(d.At(0), 0);

        EXPECT_EQ(d.Compare(plain), 0);
        EXPECT_EQ(plain.Compare(d), 0);
        EXPECT_EQ(d.CompareNoCase(plain), 0);
        EXPECT_EQ(plain.CompareNoCase(d), 0);
        EXPECT_FALSE(d == empty);
        EXPECT_FALSE(d != plain);
        EXPECT_FALSE(d < plain);
        EXPECT_FALSE(d > empty);
        EXPECT_FALSE(d <= plain);
        EXPECT_FALSE(d >= empty);

        EXPECT_EQ(d.IndexOf(CZtString("")), -1);
        EXPECT_EQ(d.IndexOf('a'), -1);
        EXPECT_EQ(d.IndexOf(L'a'), -1);
        EXPECT_EQ(d.LastIndexOf(CZtString("")), -1);
        EXPECT_EQ(d.LastIndexOf('a'), -1);
        EXPECT_EQ(d.LastIndexOf(L'a'), -1);
        EXPECT_EQ(d.Count(CZtString("")), -1);
        EXPECT_EQ(d.Count('a'), -1);
        EXPECT_EQ(d.Count(L'a'), -1);
        EXPECT_FALSE(d.Contains(CZtString("")));
        EXPECT_FALSE(d.Contains('a'));
        EXPECT_FALSE(d.StartsWith(CZtString("")));
        EXPECT_FALSE(d.StartsWith(L'a'));
        EXPECT_FALSE(d.EndsWith(CZtString("")));
        EXPECT_FALSE(d.EndsWith('a'));
        EXPECT_FALSE(d.ContainsHexValue());
        EXPECT_TRUE(IsDetached(d));
    }
}

TEST(CZtStringDetached, OnTheRightCountsAsEmpty) {
    for (const DetachedMaker& maker : DetachedMakers()) {
        SCOPED_TRACE(maker.name);
        std::unique_ptr<CZtString> d = maker.make();
        const CZtString empty;
        const CZtString a("a");
        EXPECT_TRUE(empty == *d);
        EXPECT_TRUE(empty <= *d);
        EXPECT_TRUE(empty >= *d);
        EXPECT_FALSE(empty < *d);
        EXPECT_TRUE(a != *d);
        EXPECT_TRUE(a > *d);
        EXPECT_FALSE(a < *d);
        EXPECT_EQ(Text(a + *d), L"a");
        CZtString sum("a");
        sum += *d;
        EXPECT_EQ(Text(sum), L"a");
        EXPECT_TRUE(IsDetached(*d));
    }
}

TEST(CZtStringDetached, DerivedStringsAreOrdinaryEmptyStrings) {
    struct Case {
        const char* name;
        std::function<CZtString(CZtString&)> derive;
    };
    const Case cases[] = {
        {"copy", [](CZtString& d) { return CZtString(d); }},
        {"Left", [](CZtString& d) { return d.Left(1); }},
        {"Right", [](CZtString& d) { return d.Right(1); }},
        {"Mid", [](CZtString& d) { return d.Mid(0); }},
        {"Section", [](CZtString& d) { return d.Section(',', 0, 0); }},
        {"Section by wide char", [](CZtString& d) { return d.Section(L',', 0, 0); }},
        {"Section by string", [](CZtString& d) { return d.Section(CZtString(","), 0, 0); }},
        {"LeftJustified", [](CZtString& d) { return d.LeftJustified(3, '.'); }},
        {"RightJustified", [](CZtString& d) { return d.RightJustified(3, L'.'); }},
        {"ToLower", [](CZtString& d) { return d.ToLower(); }},
        {"ToUpper", [](CZtString& d) { return d.ToUpper(); }},
        {"ToCaseFolded", [](CZtString& d) { return d.ToCaseFolded(); }},
        {"Trimmed", [](CZtString& d) { return d.Trimmed(); }},
        {"Simplified", [](CZtString& d) { return d.Simplified(); }},
        {"ToHtmlEscaped", [](CZtString& d) { return d.ToHtmlEscaped(); }},
        {"concatenation", [](CZtString& d) { return d + "x"; }},
        {"concatenation with char", [](CZtString& d) { return d + L'x'; }},
        {"concatenation with string", [](CZtString& d) { return d + CZtString("x"); }},
    };
    for (const DetachedMaker& maker : DetachedMakers()) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(maker.name) + ", " + c.name);
            std::unique_ptr<CZtString> d = maker.make();
            const CZtString result = c.derive(*d);
            ASSERT_NE(result.c_str(), nullptr);
            EXPECT_STREQ(result.c_str(), "");
            EXPECT_TRUE(!result);
            EXPECT_TRUE(IsDetached(*d));
        }
    }
}

TEST(CZtStringDetached, EndsOnQStringAccessAndReferenceAssignment) {
    for (const DetachedMaker& maker : DetachedMakers()) {
        SCOPED_TRACE(maker.name);
        std::unique_ptr<CZtString> viewed = maker.make();
        const QString& text = *viewed;
        EXPECT_EQ(static_cast<const QString*>(*viewed), &text);
        EXPECT_STREQ(viewed->c_str(), "");
        EXPECT_TRUE(!*viewed);

        std::unique_ptr<CZtString> assigned = maker.make();
        *assigned = CZtString("x");
        EXPECT_EQ(Text(*assigned), L"x");

        std::unique_ptr<CZtString> fromDetached = maker.make();
        std::unique_ptr<CZtString> source = maker.make();
        *fromDetached = *source;
        EXPECT_STREQ(fromDetached->c_str(), "");
        EXPECT_TRUE(IsDetached(*source));

        std::unique_ptr<CZtString> kept = maker.make();
        *kept = static_cast<const CZtString*>(nullptr);
        EXPECT_TRUE(IsDetached(*kept));
    }
}

// Element access ------------------------------------------------------------

TEST(CZtStringAccess, IndexOutsideTheTextGivesZero) {
    const CZtString s(L"ab\u20AC");
    struct Case {
        const char* name;
        int index;
        wchar_t expected;
    };
    const Case cases[] = {
        {"INT_MIN", INT_MIN, 0}, {"-1", -1, 0},    {"first", 0, L'a'},
        {"last", 2, L'\u20AC'},  {"length", 3, 0}, {"INT_MAX", INT_MAX, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(s[c.index], c.expected);
        EXPECT_EQ(s.At(c.index), c.expected);
    }
}

TEST(CZtStringAccess, EmptyVersusNot) {
    EXPECT_TRUE(!CZtString(""));
    EXPECT_TRUE(CZtString("").IsEmpty());
    EXPECT_FALSE(!CZtString(" "));
    EXPECT_FALSE(CZtString(" ").IsEmpty());
}

// Derived strings -----------------------------------------------------------

struct DeriveCase {
    const char* name;
    std::function<CZtString(CZtString&)> derive;
    const wchar_t* expected;
    bool shares;  // the result must share the source's body
};

void CheckDerived(const wchar_t* source, const std::vector<DeriveCase>& cases) {
    for (const DeriveCase& c : cases) {
        SCOPED_TRACE(c.name);
        CZtString s(source);
        const CZtString result = c.derive(s);
        EXPECT_EQ(Text(result), c.expected);
        if (c.shares) {
            EXPECT_EQ(result.w_str(), s.w_str());
        }
        EXPECT_EQ(Text(s), source);
    }
}

TEST(CZtStringDerived, Mid) {
    CheckDerived(
        L"abcdef",
        {
            {"to end", [](CZtString& s) { return s.Mid(2, -1); }, L"cdef", false},
            {"default count", [](CZtString& s) { return s.Mid(2); }, L"cdef", false},
            {"inside", [](CZtString& s) { return s.Mid(1, 3); }, L"bcd", false},
            {"at length", [](CZtString& s) { return s.Mid(6, 2); }, L"", false},
            {"past length", [](CZtString& s) { return s.Mid(7, 2); }, L"", false},
            {"negative position", [](CZtString& s) { return s.Mid(-3, 2); }, L"ab", false},
            {"count clamped", [](CZtString& s) { return s.Mid(4, 100); }, L"ef", false},
            {"INT_MAX count", [](CZtString& s) { return s.Mid(2, INT_MAX); }, L"cdef", false},
            {"zero count", [](CZtString& s) { return s.Mid(2, 0); }, L"", false},
            {"whole text", [](CZtString& s) { return s.Mid(0, 6); }, L"abcdef", true},
            {"whole text to end", [](CZtString& s) { return s.Mid(0); }, L"abcdef", true},
            {"negative position to end", [](CZtString& s) { return s.Mid(-1, -1); }, L"abcdef",
             true},
        });
}

TEST(CZtStringDerived, LeftAndRight) {
    CheckDerived(
        L"abcdef",
        {
            {"Left negative", [](CZtString& s) { return s.Left(-1); }, L"", false},
            {"Left zero", [](CZtString& s) { return s.Left(0); }, L"", false},
            {"Left part", [](CZtString& s) { return s.Left(2); }, L"ab", false},
            {"Left length - 1", [](CZtString& s) { return s.Left(5); }, L"abcde", false},
            {"Left length", [](CZtString& s) { return s.Left(6); }, L"abcdef", true},
            {"Left length + 1", [](CZtString& s) { return s.Left(7); }, L"abcdef", true},
            {"Right negative", [](CZtString& s) { return s.Right(-5); }, L"", false},
            {"Right part", [](CZtString& s) { return s.Right(2); }, L"ef", false},
            {"Right length - 1", [](CZtString& s) { return s.Right(5); }, L"bcdef", false},
            {"Right length", [](CZtString& s) { return s.Right(6); }, L"abcdef", true},
            {"Right INT_MAX", [](CZtString& s) { return s.Right(INT_MAX); }, L"abcdef", true},
        });
}

TEST(CZtStringDerived, Section) {
    CheckDerived(
        L"a,b,c",
        {
            {"middle field", [](CZtString& s) { return s.Section(',', 1, 1); }, L"b", false},
            {"end below start", [](CZtString& s) { return s.Section(',', 2, 0); }, L"c", false},
            {"negative start", [](CZtString& s) { return s.Section(',', -4, 0); }, L"a", false},
            {"field range", [](CZtString& s) { return s.Section(L',', 0, 1); }, L"a,b", false},
            {"last field", [](CZtString& s) { return s.Section(',', 2, 2); }, L"c", false},
            {"one past last field", [](CZtString& s) { return s.Section(',', 3, 3); }, L"", false},
            {"start at length", [](CZtString& s) { return s.Section(',', 5, 5); }, L"", false},
            {"end past last field", [](CZtString& s) { return s.Section(',', 1, 9); }, L"b,c",
             false},
            {"missing separator", [](CZtString& s) { return s.Section(';', 0, 0); }, L"a,b,c",
             false},
        });
    CheckDerived(
        L"x::y::z",
        {
            {"string separator", [](CZtString& s) { return s.Section(CZtString("::"), 1, 2); },
             L"y::z", false},
            {"detached separator",
             [](CZtString& s) {
                 return s.Section(CZtString(static_cast<const CZtString*>(nullptr)), 1, 1);
             },
             L"x::y::z", true},
        });
}

TEST(CZtStringDerived, Justified) {
    CheckDerived(
        L"ab",
        {
            {"left pads", [](CZtString& s) { return s.LeftJustified(5, '.'); }, L"ab...", false},
            {"right pads", [](CZtString& s) { return s.RightJustified(5, '.'); }, L"...ab", false},
            {"wide fill", [](CZtString& s) { return s.LeftJustified(3, L'\u00B7'); }, L"ab\u00B7",
             false},
            {"default fill", [](CZtString& s) { return s.RightJustified(3); }, L" ab", false},
            {"exact width", [](CZtString& s) { return s.LeftJustified(2, '.', true); }, L"ab",
             true},
            {"exact width right", [](CZtString& s) { return s.RightJustified(2, '.'); }, L"ab",
             true},
        });
    CheckDerived(
        L"abcdefg",
        {
            {"left truncates", [](CZtString& s) { return s.LeftJustified(5, ' ', true); }, L"abcde",
             false},
            {"right truncates", [](CZtString& s) { return s.RightJustified(5, L' ', true); },
             L"abcde", false},
            {"left keeps", [](CZtString& s) { return s.LeftJustified(5, ' ', false); }, L"abcdefg",
             true},
            {"right keeps", [](CZtString& s) { return s.RightJustified(5, ' ', false); },
             L"abcdefg", true},
        });
}

// Search ---------------------------------------------------------------------

TEST(CZtStringSearch, PositionsAndCounts) {
    const CZtString abc("abc");
    const CZtString emoji(L"x\U0001F600y\U0001F600");
    struct Case {
        const char* name;
        int actual;
        int expected;
    };
    const Case cases[] = {
        {"IndexOf ignoring case", abc.IndexOf("B", 0, false), 1},
        {"IndexOf case-sensitive", abc.IndexOf("B", 0, true), -1},
        {"IndexOf char", abc.IndexOf('c'), 2},
        {"IndexOf from after match", abc.IndexOf('a', 1), -1},
        {"IndexOf wide char beyond BMP", emoji.IndexOf(L'\U0001F600'), 1},
        {"IndexOf wide char from", emoji.IndexOf(L'\U0001F600', 2), 4},
        {"LastIndexOf from end", CZtString("abab").LastIndexOf("ab"), 2},
        {"LastIndexOf from index", CZtString("abab").LastIndexOf("ab", 1), 0},
        {"LastIndexOf char ignoring case", CZtString("aAa").LastIndexOf('A', -1, false), 2},
        {"LastIndexOf char case-sensitive", CZtString("aAa").LastIndexOf('A'), 1},
        {"LastIndexOf wide char", emoji.LastIndexOf(L'\U0001F600'), 4},
        {"Count overlapping", CZtString("aaa").Count("aa"), 2},
        {"Count ignoring case", CZtString("aAa").Count("A", false), 3},
        {"Count char", CZtString("aAa").Count('a'), 2},
        {"Count wide char", emoji.Count(L'\U0001F600'), 2},
        {"Count missing", abc.Count("z"), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.actual, c.expected);
    }
}

TEST(CZtStringSearch, Predicates) {
    const CZtString s("Hello");
    struct Case {
        const char* name;
        bool actual;
        bool expected;
    };
    const Case cases[] = {
        {"Contains", s.Contains("ell"), true},
        {"Contains case-sensitive", s.Contains("ELL"), false},
        {"Contains ignoring case", s.Contains("ELL", false), true},
        {"Contains wide char ignoring case", s.Contains(L'H', false), true},
        {"StartsWith", s.StartsWith("He"), true},
        {"StartsWith case-sensitive", s.StartsWith("he"), false},
        {"StartsWith ignoring case", s.StartsWith("he", false), true},
        {"StartsWith longer text", s.StartsWith("Hello!"), false},
        {"EndsWith", s.EndsWith("llo"), true},
        {"EndsWith ignoring case", s.EndsWith(L'O', false), true},
        {"EndsWith case-sensitive", s.EndsWith('O'), false},
        {"hex 0x", CZtString("0x1F").ContainsHexValue(), true},
        {"hex 0X", CZtString("0X").ContainsHexValue(), true},
        {"hex without prefix", CZtString("1F").ContainsHexValue(), false},
        {"hex after space", CZtString(" 0x1").ContainsHexValue(), false},
        {"hex empty", CZtString("").ContainsHexValue(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.actual, c.expected);
    }
}

// Comparison -----------------------------------------------------------------

int Sign(int value) {
    return (value > 0) - (value < 0);
}

TEST(CZtStringCompare, OrderByUtf16Units) {
    struct Case {
        const char* name;
        CZtString left;
        CZtString right;
        int order;        // sign of Compare and of the operators
        int orderNoCase;  // sign of CompareNoCase
    };
    const Case cases[] = {
        {"equal", "abc", "abc", 0, 0},
        {"less", "abc", "abd", -1, -1},
        {"greater", "abd", "abc", 1, 1},
        {"prefix", "ab", "abc", -1, -1},
        {"empty", "", "a", -1, -1},
        {"case", "abc", "ABC", 1, 0},
        {"case differs, then order", "abc", "ABD", 1, -1},
        {"Latin-1 above ASCII", "\xE9", "z", 1, 1},
        {"surrogate below U+FFFF", L"\U0001F600", L"\uFFFF", -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Sign(c.left.Compare(c.right)), c.order);
        EXPECT_EQ(Sign(c.right.Compare(c.left)), -c.order);
        EXPECT_EQ(Sign(c.left.CompareNoCase(c.right)), c.orderNoCase);
        EXPECT_EQ(c.left == c.right, c.order == 0);
        EXPECT_EQ(c.left != c.right, c.order != 0);
        EXPECT_EQ(c.left < c.right, c.order < 0);
        EXPECT_EQ(c.left > c.right, c.order > 0);
        EXPECT_EQ(c.left <= c.right, c.order <= 0);
        EXPECT_EQ(c.left >= c.right, c.order >= 0);
    }
}

}  // namespace
