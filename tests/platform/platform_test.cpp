// Tests of the platform layer: wide formatting, the LCID table and named
// shared memory.
#include <gtest/gtest.h>

#include <QLocale>
#include <QString>

#include <clocale>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/locale.h"
#include "platform/sharedmemory.h"
#include "platform/wideformat.h"

namespace {

using Varn::platform::FormatWide;
using Varn::platform::KnownLcids;
using Varn::platform::LocaleNameFromLcid;

bool Format(std::wstring& out, const wchar_t* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const bool ok = FormatWide(out, format, arguments);
    va_end(arguments);
    return ok;
}

// Runs a test body under one LC_CTYPE and puts the previous one back.
class CtypeLocale {
public:
    explicit CtypeLocale(const char* name) : previous_(std::setlocale(LC_CTYPE, nullptr)) {
        active_ = std::setlocale(LC_CTYPE, name) != nullptr;
    }
    ~CtypeLocale() { std::setlocale(LC_CTYPE, previous_.c_str()); }
    bool active() const { return active_; }

private:
    std::string previous_;
    bool active_ = false;
};

// Text whose every character depends on its position, so that a lost or
// repeated stretch shows.
std::wstring Pattern(std::size_t length) {
    std::wstring text(length, L'\0');
    for (std::size_t i = 0; i < length; ++i)
        text[i] = static_cast<wchar_t>(L'A' + i % 26);
    return text;
}

struct FormatCase {
    const char* name;
    std::function<bool(std::wstring&)> input;
    std::wstring expected;
};

void RunFormatCases(const std::vector<FormatCase>& cases) {
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring out = L"stale";
        ASSERT_TRUE(c.input(out));
        EXPECT_EQ(out, c.expected);
    }
}

TEST(FormatWideTest, TextConversionsFollowTheFormatsWidth) {
    CtypeLocale c("C");
    const std::vector<FormatCase> cases = {
        {"%s is wide", [](std::wstring& o) { return Format(o, L"[%s]", L"w\u00e9\u4e2d"); },
         L"[w\u00e9\u4e2d]"},
        {"%S is narrow", [](std::wstring& o) { return Format(o, L"[%S]", "narrow"); }, L"[narrow]"},
        {"%c is wide", [](std::wstring& o) { return Format(o, L"%c", L'\u4e2d'); }, L"\u4e2d"},
        {"%C is narrow", [](std::wstring& o) { return Format(o, L"%C", 'n'); }, L"n"},
        {"%hs is narrow", [](std::wstring& o) { return Format(o, L"%hs", "h"); }, L"h"},
        {"%ls is wide", [](std::wstring& o) { return Format(o, L"%ls", L"\u00e9l"); }, L"\u00e9l"},
        {"%ws is wide", [](std::wstring& o) { return Format(o, L"%ws", L"\u00e9w"); }, L"\u00e9w"},
        {"%hS is narrow", [](std::wstring& o) { return Format(o, L"%hS", "hS"); }, L"hS"},
        {"%lS is wide", [](std::wstring& o) { return Format(o, L"%lS", L"\u00e9L"); }, L"\u00e9L"},
        {"%wS is wide", [](std::wstring& o) { return Format(o, L"%wS", L"\u00e9W"); }, L"\u00e9W"},
        {"%hc is narrow", [](std::wstring& o) { return Format(o, L"%hc", 'h'); }, L"h"},
        {"%lc is wide", [](std::wstring& o) { return Format(o, L"%lc", L'\u00e9'); }, L"\u00e9"},
        {"%wc is wide", [](std::wstring& o) { return Format(o, L"%wc", L'\u00e8'); }, L"\u00e8"},
        {"%hC is narrow", [](std::wstring& o) { return Format(o, L"%hC", 'C'); }, L"C"},
        {"%wC is wide", [](std::wstring& o) { return Format(o, L"%wC", L'\u00ea'); }, L"\u00ea"},
        {"wide and narrow mixed",
         [](std::wstring& o) { return Format(o, L"%s+%S+%c+%C", L"a", "b", L'c', 'd'); },
         L"a+b+c+d"},
        {"character beyond the BMP",
         [](std::wstring& o) { return Format(o, L"%s", L"\U0001F600"); }, L"\U0001F600"},
    };
    RunFormatCases(cases);
}

TEST(FormatWideTest, SizePrefixes) {
    const std::vector<FormatCase> cases = {
        {"%I64d above 2^32", [](std::wstring& o) { return Format(o, L"%I64d", 5000000000LL); },
         L"5000000000"},
        {"%I64d negative", [](std::wstring& o) { return Format(o, L"%I64d", -5000000000LL); },
         L"-5000000000"},
        {"%I64i", [](std::wstring& o) { return Format(o, L"%I64i", INT64_MIN); },
         L"-9223372036854775808"},
        {"%I64u maximum", [](std::wstring& o) { return Format(o, L"%I64u", UINT64_MAX); },
         L"18446744073709551615"},
        {"%I64x", [](std::wstring& o) { return Format(o, L"%I64x", 0x123456789ABULL); },
         L"123456789ab"},
        {"%I64X", [](std::wstring& o) { return Format(o, L"%I64X", 0xFEDCBA9876ULL); },
         L"FEDCBA9876"},
        {"%I64o 2^36", [](std::wstring& o) { return Format(o, L"%I64o", 1ULL << 36); },
         L"1000000000000"},
        {"%I32d", [](std::wstring& o) { return Format(o, L"%I32d", -7); }, L"-7"},
        {"%I32x", [](std::wstring& o) { return Format(o, L"%I32x", 0xFFFFFFFFu); }, L"ffffffff"},
        {"%Iu is pointer sized",
         [](std::wstring& o) { return Format(o, L"%Iu", static_cast<std::size_t>(SIZE_MAX)); },
         L"18446744073709551615"},
        {"%Id is pointer sized",
         [](std::wstring& o) { return Format(o, L"%Id", static_cast<std::ptrdiff_t>(-2)); }, L"-2"},
        {"flags and width before %I64",
         [](std::wstring& o) { return Format(o, L"%012I64d|%-6I64x|", 5000000000LL, 255ULL); },
         L"005000000000|ff    |"},
        {"%#I64X", [](std::wstring& o) { return Format(o, L"%#I64X", 0xABCULL); }, L"0XABC"},
        {"glibc lengths still work",
         [](std::wstring& o) { return Format(o, L"%lld %hd %hhu %zu", -1LL, 70000, 257, 9ul); },
         L"-1 4464 1 9"},
        {"%jd %td %ld",
         [](std::wstring& o) {
             return Format(o, L"%jd %td %ld", static_cast<intmax_t>(INT64_MIN),
                           static_cast<std::ptrdiff_t>(-3), -70000L);
         },
         L"-9223372036854775808 -3 -70000"},
        {"%f %lf %Lf", [](std::wstring& o) { return Format(o, L"%f %lf %Lf", 1.5, 2.25, 3.125L); },
         L"1.500000 2.250000 3.125000"},
        {"%p as glibc writes it",
         [](std::wstring& o) { return Format(o, L"%p", reinterpret_cast<void*>(0x1234)); },
         L"0x1234"},
    };
    RunFormatCases(cases);
}

TEST(FormatWideTest, PositionalPercentWidthAndPrecision) {
    const std::vector<FormatCase> cases = {
        {"positional swap", [](std::wstring& o) { return Format(o, L"%2$s-%1$s", L"a", L"b"); },
         L"b-a"},
        {"positional narrow and I64",
         [](std::wstring& o) { return Format(o, L"%2$S/%1$I64d", 5000000000LL, "n"); },
         L"n/5000000000"},
        {"positional repeated",
         [](std::wstring& o) { return Format(o, L"%1$s%1$s%2$c", L"ab", L'!'); }, L"abab!"},
        {"positional star width", [](std::wstring& o) { return Format(o, L"[%2$*1$d]", 5, 42); },
         L"[   42]"},
        {"percent", [](std::wstring& o) { return Format(o, L"100%% %d%%", 5); }, L"100% 5%"},
        {"left-justified wide", [](std::wstring& o) { return Format(o, L"%-5s|", L"ab"); },
         L"ab   |"},
        {"precision cuts wide", [](std::wstring& o) { return Format(o, L"%5.2s|", L"abcd"); },
         L"   ab|"},
        {"star width", [](std::wstring& o) { return Format(o, L"%*d", 6, 42); }, L"    42"},
        {"star width and precision narrow",
         [](std::wstring& o) { return Format(o, L"%-*.*S|", 4, 2, "xyz"); }, L"xy  |"},
        {"floating", [](std::wstring& o) { return Format(o, L"%.3f %lf", 3.14159, 0.5); },
         L"3.142 0.500000"},
        {"plain text", [](std::wstring& o) { return Format(o, L"no conversions"); },
         L"no conversions"},
        {"empty format", [](std::wstring& o) { return Format(o, L""); }, L""},
    };
    RunFormatCases(cases);
}

TEST(FormatWideTest, RejectsMalformedFormats) {
    struct Case {
        const char* name;
        const wchar_t* input;
    };
    const Case cases[] = {
        {"%n writes through an argument", L"%d%n"},
        {"unknown conversion", L"%y"},
        {"Windows %Z", L"%Z"},
        {"percent at the end", L"abc%"},
        {"flags at the end", L"%-08"},
        {"length at the end", L"%I64"},
        {"%I6 is not a prefix", L"%I6d"},
        {"I64 on text", L"%I64s"},
        {"ll on text", L"%llc"},
        {"I64 on floating", L"%I64f"},
        {"h on floating", L"%hf"},
        {"w on integers", L"%wd"},
        {"L on integers", L"%Ld"},
        {"length on pointer", L"%lp"},
        {"argument index 0", L"%0$d"},
        {"sequential after positional", L"%1$d %d"},
        {"positional after sequential", L"%d %2$d"},
        {"sequential star in positional", L"%1$*d"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring out;
        EXPECT_FALSE(Format(out, c.input, 1, 2, 3));
    }
}

TEST(FormatWideTest, NullFormatFails) {
    std::wstring out;
    EXPECT_FALSE(Format(out, nullptr, 1));
}

TEST(FormatWideTest, ResultsBeyondTheFirstBufferComeOutWhole) {
    // The first attempt has room for 255 characters and the terminator.
    struct Case {
        const char* name;
        std::size_t input;
    };
    const Case cases[] = {
        {"empty", 0},      {"fits the first buffer", 255}, {"one more", 256},
        {"two more", 257}, {"second buffer full", 511},    {"third buffer", 512},
        {"large", 100000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring text = Pattern(c.input);
        std::wstring out;
        ASSERT_TRUE(Format(out, L"%ls", text.c_str()));
        EXPECT_EQ(out.size(), c.input);
        EXPECT_TRUE(out == text);
    }
}

TEST(FormatWideTest, GrowthKeepsConversionsAndPositions) {
    const std::wstring wide = Pattern(1000);
    std::wstring out;
    ASSERT_TRUE(Format(out, L"%2$S|%1$s|%3$I64d", wide.c_str(), "narrow", 5000000000LL));
    EXPECT_TRUE(out == L"narrow|" + wide + L"|5000000000");
}

TEST(FormatWideTest, UnconvertibleNarrowTextFailsCleanly) {
    CtypeLocale c("C");
    ASSERT_TRUE(c.active());
    const std::wstring prefix = Pattern(300);
    struct Case {
        const char* name;
        std::function<bool(std::wstring&)> input;
    };
    const Case cases[] = {
        {"narrow %S with 0xE9", [](std::wstring& o) { return Format(o, L"%S", "caf\xE9"); }},
        {"narrow %hs with 0xE9", [](std::wstring& o) { return Format(o, L"x%hs", "\xE9"); }},
        {"narrow %C with 0xE9",
         [](std::wstring& o) { return Format(o, L"%C", static_cast<int>(0xE9)); }},
        // Here the first buffer fills before the failure, which looks like
        // "no room" until a larger buffer shows otherwise.
        {"narrow %C after the first buffer",
         [&prefix](std::wstring& o) {
             return Format(o, L"%ls%C", prefix.c_str(), static_cast<int>(0xE9));
         }},
        {"narrow %S after the first buffer",
         [&prefix](std::wstring& o) { return Format(o, L"%ls%S", prefix.c_str(), "\xE9"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring out;
        EXPECT_FALSE(c.input(out));
    }
}

TEST(FormatWideTest, NarrowTextFollowsTheLocalesEncoding) {
    CtypeLocale utf8("C.UTF-8");
    if (!utf8.active())
        GTEST_SKIP() << "no C.UTF-8 locale";
    std::wstring out;
    ASSERT_TRUE(Format(out, L"%S|%C", "caf\xC3\xA9", 'x'));
    EXPECT_EQ(out, L"caf\u00e9|x");
}

struct LcidCase {
    const char* name;
    unsigned int input;
    const char* expected;
};

TEST(LocaleNameFromLcidTest, KnownIdentifiers) {
    const LcidCase cases[] = {
        {"first entry", 0x0401, "ar-SA"},
        {"German", 0x0407, "de-DE"},
        {"Swiss German", 0x0807, "de-CH"},
        {"Austrian German", 0x0C07, "de-AT"},
        {"US English", 0x0409, "en-US"},
        {"British English", 0x0809, "en-GB"},
        {"Indian English", 0x4009, "en-IN"},
        {"French", 0x040C, "fr-FR"},
        {"Canadian French", 0x0C0C, "fr-CA"},
        {"Spanish, traditional sort", 0x040A, "es-ES"},
        {"Spanish, modern sort", 0x0C0A, "es-ES"},
        {"Mexican Spanish", 0x080A, "es-MX"},
        {"Japanese", 0x0411, "ja-JP"},
        {"Simplified Chinese", 0x0804, "zh-CN"},
        {"Traditional Chinese", 0x0404, "zh-TW"},
        {"Hong Kong Chinese", 0x0C04, "zh-HK"},
        {"Macao Chinese", 0x1404, "zh-MO"},
        {"Russian", 0x0419, "ru-RU"},
        {"Bokmal", 0x0414, "nb-NO"},
        {"Nynorsk", 0x0814, "nn-NO"},
        {"Brazilian Portuguese", 0x0416, "pt-BR"},
        {"Portuguese", 0x0816, "pt-PT"},
        {"Irish", 0x083C, "ga-IE"},
        {"Serbian Latin", 0x241A, "sr-Latn-RS"},
        {"Arabic, Emirates", 0x3801, "ar-AE"},
        {"last entry", 0x540A, "es-US"},
        {"German, phone book sort", 0x10407, "de-DE"},
        {"Chinese, stroke sort", 0x20804, "zh-CN"},
    };
    for (const LcidCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LocaleNameFromLcid(c.input), QString::fromLatin1(c.expected));
    }
}

TEST(LocaleNameFromLcidTest, UnknownIdentifiersGiveANullString) {
    struct Case {
        const char* name;
        unsigned int input;
    };
    const Case cases[] = {
        {"zero", 0},
        {"all low bits", 0xFFFF},
        {"unassigned", 0x1234},
        {"just below the first entry", 0x0401 - 2},
        {"just above the last entry", 0x540B},
        {"language without a country", 0x0007},
        {"reserved bit 20", 0x100407},
        {"top bit", 0x80000409u},
        {"all bits", 0xFFFFFFFFu},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(LocaleNameFromLcid(c.input).isNull());
    }
}

TEST(LocaleNameFromLcidTest, NamesGiveTheLocalesNumberFormat) {
    struct Case {
        const char* name;
        unsigned int input;
        char expected;
    };
    const Case cases[] = {
        {"German", 0x0407, ','},  {"US English", 0x0409, '.'}, {"French", 0x040C, ','},
        {"British", 0x0809, '.'}, {"Italian", 0x0410, ','},    {"Japanese", 0x0411, '.'},
        {"Russian", 0x0419, ','}, {"Chinese", 0x0804, '.'},    {"Portuguese", 0x0816, ','},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(QLocale(LocaleNameFromLcid(c.input)).decimalPoint(), QLatin1Char(c.expected));
    }
    bool ok = false;
    EXPECT_EQ(QLocale(LocaleNameFromLcid(0x0407)).toDouble(QStringLiteral("1.234,5"), &ok), 1234.5);
    EXPECT_TRUE(ok);
    EXPECT_EQ(QLocale(LocaleNameFromLcid(0x0409)).toDouble(QStringLiteral("1,234.5"), &ok), 1234.5);
    EXPECT_TRUE(ok);
}

TEST(LocaleNameFromLcidTest, EveryEntryIsALocaleQtKnows) {
    const auto known = KnownLcids();
    EXPECT_GE(known.size(), 200u);
    for (const auto& [lcid, name] : known) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(LocaleNameFromLcid(lcid), name);
        const QLocale locale(name);
        EXPECT_NE(locale.language(), QLocale::C);
        // Qt names a locale language_COUNTRY; it must have read both parts.
        const QString language = name.section(QLatin1Char('-'), 0, 0);
        const QString country = name.section(QLatin1Char('-'), -1);
        EXPECT_EQ(locale.name(), language + QLatin1Char('_') + country);
    }
}

}  // namespace

namespace Varn::platform {
namespace {

TEST(LocaleNameFromLcidSpecial, InvariantAndDefaultLocales) {
    EXPECT_EQ(LocaleNameFromLcid(0x007F), QStringLiteral("C"));
    EXPECT_EQ(QLocale(LocaleNameFromLcid(0x007F)).decimalPoint(), QLatin1Char('.'));
    EXPECT_EQ(LocaleNameFromLcid(0x0400), QLocale::system().name());
    EXPECT_EQ(LocaleNameFromLcid(0x0800), QLocale::system().name());
    EXPECT_FALSE(LocaleNameFromLcid(0x0400).isEmpty());
}

// Named shared memory: exclusive creation, owner-only opening, the size
// asked of an existing object, listing by prefix, the owner's id and the
// text of each result.
TEST(SharedMemoryTest, CreateOpenListOwnerAndRemove) {
    const std::string name = "zotrel-platform-test-" + std::to_string(getpid());
    SharedMemory::Remove(name);
    SharedMemory created;
    ASSERT_EQ(created.Create(name, 64), SharedMemoryResult::Ok);
    EXPECT_EQ(created.Name(), name);
    SharedMemory other;
    EXPECT_EQ(other.Create(name, 64), SharedMemoryResult::Exists);
    EXPECT_EQ(other.Open(name, 65), SharedMemoryResult::Failed);  // smaller than asked
    EXPECT_EQ(other.Open(name, 0), SharedMemoryResult::Failed);   // nothing to map
    ASSERT_EQ(other.Open(name, 64), SharedMemoryResult::Ok);
    static_cast<char*>(created.Data())[63] = 'x';
    EXPECT_EQ(static_cast<const char*>(other.Data())[63], 'x');  // one object
    EXPECT_EQ(SharedMemory::Owner(name), static_cast<long long>(geteuid()));
    EXPECT_EQ(SharedMemory::List(name), std::vector<std::string>{name});
    // A mode that lets others in is not trusted.
    ASSERT_EQ(chmod(("/dev/shm/" + name).c_str(), 0640), 0);
    EXPECT_EQ(other.Open(name, 64), SharedMemoryResult::AccessDenied);
    EXPECT_EQ(other.Data(), nullptr);
    EXPECT_TRUE(SharedMemory::Remove(name));
    EXPECT_FALSE(SharedMemory::Remove(name));
    EXPECT_EQ(SharedMemory::Owner(name), -1);
    EXPECT_TRUE(SharedMemory::List(name).empty());
    EXPECT_EQ(other.Open(name, 64), SharedMemoryResult::NotFound);

    // Sizes no object can have, and a name with a second slash, fail and
    // leave nothing behind.
    EXPECT_EQ(other.Create(name, static_cast<std::size_t>(-1)), SharedMemoryResult::Failed);
    EXPECT_EQ(other.Create(name, 0), SharedMemoryResult::Failed);
    EXPECT_EQ(SharedMemory::Owner(name), -1);
    EXPECT_EQ(other.Create(name + "/x", 64), SharedMemoryResult::Failed);

    const std::pair<SharedMemoryResult, std::string> texts[] = {
        {SharedMemoryResult::Ok, "ok"},
        {SharedMemoryResult::Exists, "already exists"},
        {SharedMemoryResult::NotFound, "not found"},
        {SharedMemoryResult::AccessDenied, "permission denied"},
        {SharedMemoryResult::Failed, "failed"},
    };
    for (const auto& t : texts)
        EXPECT_EQ(Describe(t.first), t.second);
}

}  // namespace
}  // namespace Varn::platform
