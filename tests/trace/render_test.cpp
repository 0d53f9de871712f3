// Rendering of formats and parameters, and the control syntax, as tables.
#include "render.h"
#include "controlspec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <regex>
#include <string>
#include <vector>

namespace {

using Tracing::TraceMessage;
using Varn::trace::ControlSpec;

std::string Render(const char* format, const TraceMessage& message) {
    Varn::trace::LineStorage storage;
    Varn::trace::LineBuilder out(storage);
    Varn::trace::RenderText(out, format, message.Params(), message.Count());
    return std::string(out.View());
}

TEST(TraceRender, FormatsAndParametersGiveExactText) {
    struct Case {
        const char* name;
        const char* format;
        void (*fill)(const TraceMessage&);
        const char* expected;
    };
    const Case cases[] = {
        {"no parameters", "plain text", [](const TraceMessage&) {}, "plain text"},
        {"in order", "%1 %2 %3", [](const TraceMessage& m) { m << -5 << 7u << -9000000000LL; },
         "-5 7 -9000000000"},
        {"out of order, repeated", "%2-%1-%2", [](const TraceMessage& m) { m << 1 << 2; }, "2-1-2"},
        {"hex int", "0x%1:x", [](const TraceMessage& m) { m << 255; }, "0xff"},
        {"hex negative int is 32 bits", "%1:x", [](const TraceMessage& m) { m << -1; }, "ffffffff"},
        {"hex unsigned", "%1:x", [](const TraceMessage& m) { m << 0xDEADBEEFu; }, "deadbeef"},
        {"hex 64 bits", "%1:x", [](const TraceMessage& m) { m << -2LL; }, "fffffffffffffffe"},
        {"hex unsigned 64", "%1:x", [](const TraceMessage& m) { m << 0x123456789ABCDEFULL; },
         "123456789abcdef"},
        {"x without colon", "%1x", [](const TraceMessage& m) { m << 10; }, "10x"},
        {"hex ignored for text", "%1:x", [](const TraceMessage& m) { m << "ab"; }, "ab"},
        {"hex ignored for double", "%1:x", [](const TraceMessage& m) { m << 2.5; }, "2.5"},
        {"missing parameter stays", "%1 %3 %5:x", [](const TraceMessage& m) { m << 1 << 2; },
         "1 %3 %5:x"},
        {"other percent signs stay", "%0 %% %a 100%", [](const TraceMessage& m) { m << 1; },
         "%0 %% %a 100%"},
        {"percent at end", "%", [](const TraceMessage&) {}, "%"},
        {"%10 is %1 then 0", "%10", [](const TraceMessage& m) { m << 7; }, "70"},
        {"double, 15 digits", "%1", [](const TraceMessage& m) { m << 1.0 / 3.0; },
         "0.333333333333333"},
        {"double, short", "%1", [](const TraceMessage& m) { m << 0.1; }, "0.1"},
        {"double, whole", "%1", [](const TraceMessage& m) { m << 42.0; }, "42"},
        {"double, large", "%1", [](const TraceMessage& m) { m << 1e20; }, "1e+20"},
        {"double, rounded", "%1", [](const TraceMessage& m) { m << 123456789012345678.0; },
         "1.23456789012346e+17"},
        {"double, negative small", "%1", [](const TraceMessage& m) { m << -1.5e-7; }, "-1.5e-07"},
        {"double, infinity", "%1",
         [](const TraceMessage& m) { m << std::numeric_limits<double>::infinity(); }, "inf"},
        {"int limits", "%1 %2",
         [](const TraceMessage& m) { m << std::numeric_limits<int>::min() << 4294967295u; },
         "-2147483648 4294967295"},
        {"wide text as UTF-8", "<%1>",
         [](const TraceMessage& m) { m << L"Gr\u00FC\u00DFe \u20AC"; },
         "<Gr\xC3\xBC\xC3\x9F"
         "e \xE2\x82\xAC>"},
        {"wide beyond the BMP", "%1", [](const TraceMessage& m) { m << L"\U0001D11E"; },
         "\xF0\x9D\x84\x9E"},
        {"wide surrogate pair combined", "%1", [](const TraceMessage& m) { m << L"\xD834\xDD1E"; },
         "\xF0\x9D\x84\x9E"},
        {"wide lone surrogate replaced", "%1",
         [](const TraceMessage& m) {
             m << L"a\xD800"
                  L"b";
         },
         "a\xEF\xBF\xBD"
         "b"},
        {"narrow UTF-8 kept", "%1", [](const TraceMessage& m) { m << "caf\xC3\xA9"; },
         "caf\xC3\xA9"},
        {"narrow Latin-1 converted", "%1", [](const TraceMessage& m) { m << "\xE9t\xE9"; },
         "\xC3\xA9t\xC3\xA9"},
        {"null texts", "%1 %2",
         [](const TraceMessage& m) {
             m << static_cast<const char*>(nullptr) << static_cast<const wchar_t*>(nullptr);
         },
         "(null) (null)"},
        {"line breaks in the format", "a\nb\rc", [](const TraceMessage&) {}, "a\\nb\\rc"},
        {"line breaks in a parameter", "[%1]", [](const TraceMessage& m) { m << "x\r\ny"; },
         "[x\\r\\ny]"},
        // Up to 14 bytes stay in the slot, longer texts are copied: both sides.
        {"text of 14 bytes", "[%1]", [](const TraceMessage& m) { m << "abcdefghijklmn"; },
         "[abcdefghijklmn]"},
        {"text of 15 bytes", "[%1]", [](const TraceMessage& m) { m << L"abcdefghijklmno"; },
         "[abcdefghijklmno]"},
        {"wide text reaching 15 bytes as UTF-8", "[%1]",
         [](const TraceMessage& m) { m << L"abcdefghijklm\u00E9"; }, "[abcdefghijklm\xC3\xA9]"},
        {"escaped line break reaching 15 bytes", "[%1]",
         [](const TraceMessage& m) { m << "abcdefghijklm\n"; }, "[abcdefghijklm\\n]"},
        {"empty text parameter", "[%1]", [](const TraceMessage& m) { m << ""; }, "[]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TraceMessage message(c.format);
        c.fill(message);
        EXPECT_EQ(Render(c.format, message), c.expected);
    }
}

// Doubles are written as printf's "%.15g" writes them, for every kind of value.
TEST(TraceRender, DoublesMatchPrintfWithFifteenDigits) {
    std::vector<double> values = {0.0,
                                  -0.0,
                                  1.0,
                                  -1.0,
                                  0.1,
                                  0.5,
                                  1.0 / 3.0,
                                  2.0 / 3.0,
                                  1e-5,
                                  1e-4,
                                  9.99999e-5,
                                  0.0001234,
                                  1e14,
                                  1e15,
                                  1e16,
                                  999999999999999.0,
                                  999999999999999.4,
                                  999999999999999.6,
                                  123456789012345.0,
                                  1234567890123456.0,
                                  0.1 + 0.2,
                                  1e300,
                                  -1e-300,
                                  5e-324,
                                  2.2250738585072014e-308,
                                  std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::lowest(),
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity()};
    for (int exponent = -30; exponent <= 30; ++exponent) {
        values.push_back(std::pow(10.0, exponent));
        values.push_back(std::nextafter(std::pow(10.0, exponent), 0.0));
        values.push_back(-1.5 * std::pow(10.0, exponent));
    }
    // Random bit patterns cover every exponent and digit count.
    unsigned long long state = 0x9E3779B97F4A7C15ULL;
    for (int i = 0; i < 200000; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        double value;
        std::memcpy(&value, &state, sizeof value);
        if (std::isfinite(value))
            values.push_back(value);
        values.push_back(static_cast<double>(static_cast<long long>(state >> 20)) / 1000.0);
    }
    int mismatches = 0;
    for (double value : values) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.15g", value);
        TraceMessage message("%1");
        message << value;
        const std::string text = Render("%1", message);
        if (text != expected && ++mismatches <= 10)
            ADD_FAILURE() << "got " << text << ", printf gives " << expected;
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(TraceRender, UnknownTypeLeavesItsPlaceholder) {
    const int value = 5;
    TraceMessage message("");
    message.Append(42, &value).Append(TRACE_PARAM_INT32, nullptr) << 3;
    ASSERT_EQ(message.Count(), 3);
    EXPECT_EQ(Render("%1 %2 %3", message), "%1 %2 3");
}

TEST(TraceMessage, KeepsNineParametersAndIgnoresATenth) {
    TraceMessage message("%1%2%3%4%5%6%7%8%9 %10");
    EXPECT_EQ(message.Params(), nullptr);
    for (int i = 1; i <= 10; ++i)
        message << i;
    EXPECT_EQ(message.Count(), 9);
    EXPECT_EQ(Render(message.Format(), message), "123456789 10");
    static_assert(sizeof(trace_param) == 16, "a parameter slot has 16 bytes");
}

TEST(TraceRender, PrefixHasTimeThreadComponentAndLevel) {
    struct Case {
        long long micros;
        const char* expected;
    };
    const Case cases[] = {
        {0, "1970-01-01T00:00:00.000000Z 42 Comp/Sub DEBUG "},
        {1765251624123456LL, "2025-12-09T03:40:24.123456Z 42 Comp/Sub DEBUG "},
        {951782400000001LL, "2000-02-29T00:00:00.000001Z 42 Comp/Sub DEBUG "},
        {-1, "1969-12-31T23:59:59.999999Z 42 Comp/Sub DEBUG "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.micros);
        Varn::trace::LineStorage storage;
        Varn::trace::LineBuilder out(storage);
        Varn::trace::RenderPrefix(out, c.micros, 42, "Comp/Sub DEBUG ");
        EXPECT_EQ(out.View(), c.expected);
    }
}

TEST(TraceControlSpec, GoodSpecsParse) {
    struct Flag {
        const char* name;
        bool enable;
    };
    struct Case {
        const char* spec;
        int severity;
        std::vector<Flag> flags;
    };
    const Case cases[] = {
        {"", -1, {}},
        {" , ,", -1, {}},
        {"6", 6, {}},
        {"0", 0, {}},
        {"debug", 6, {}},
        {"SeverityDebug", 6, {}},
        {"severitydebug", 6, {}},
        {"DEBUG", 6, {}},
        {"call", 7, {}},
        {"none", 0, {}},
        {"SeverityNone", 0, {}},
        {"fatal", 1, {}},
        {"error", 2, {}},
        {"warning", 3, {}},
        {"info", 4, {}},
        {"default", 4, {}},
        {"SeverityDefault", 4, {}},
        {"verbose", 5, {}},
        {"warning, debug", 6, {}},
        {"NFR_CPU", -1, {{"NFR_CPU", true}}},
        {"+NFR_CPU", -1, {{"NFR_CPU", true}}},
        {"-NFR_MEM", -1, {{"NFR_MEM", false}}},
        {" info , +A.b-c_1 , -x ", 4, {{"A.b-c_1", true}, {"x", false}}},
        {"+debug", -1, {{"debug", true}}},
        {"+7", -1, {{"7", true}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec);
        ControlSpec spec;
        ASSERT_TRUE(Varn::trace::ParseControlSpec(c.spec, spec));
        EXPECT_EQ(spec.severity, c.severity);
        ASSERT_EQ(spec.flags.size(), c.flags.size());
        for (std::size_t i = 0; i < c.flags.size(); ++i) {
            EXPECT_EQ(spec.flags[i].name, c.flags[i].name);
            EXPECT_EQ(spec.flags[i].enable, c.flags[i].enable);
        }
    }
}

TEST(TraceControlSpec, MalformedSpecsAreRefusedAndChangeNothing) {
    const char* const malformed[] = {
        "8",         "10",  "-1x=",    "SeverityLoud", "Severity",           "+", "-", "debug,+",
        "flag name", "a=b", "NFR;CPU", "\xC3\xA9",     "info,SeverityBogus",
    };
    for (const char* text : malformed) {
        SCOPED_TRACE(text);
        ControlSpec spec;
        spec.severity = 3;
        spec.flags.push_back({"KEEP", true});
        EXPECT_FALSE(Varn::trace::ParseControlSpec(text, spec));
        EXPECT_EQ(spec.severity, 3);
        ASSERT_EQ(spec.flags.size(), 1u);
        EXPECT_EQ(spec.flags[0].name, "KEEP");
    }
}

}  // namespace
