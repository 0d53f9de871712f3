// GUID records, their text form, the lenient parser and the ordering.
#include <zotrel/guid.h>
#include <zotrel/string.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

namespace Varn {
namespace {

constexpr unsigned char kPattern = 0xA5;

tagZTGUID Filled(unsigned char byte) {
    tagZTGUID g;
    std::memset(&g, byte, sizeof(g));
    return g;
}

bool AllBytes(const tagZTGUID& g, unsigned char byte) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(&g);
    return std::all_of(p, p + sizeof(g), [byte](unsigned char b) { return b == byte; });
}

tagZTGUID Make(unsigned int d1, unsigned short d2, unsigned short d3,
               std::initializer_list<unsigned char> d4) {
    tagZTGUID g = {d1, d2, d3, {}};
    std::copy(d4.begin(), d4.end(), g.Data4);
    return g;
}

const tagZTGUID kUnknown =
    Make(0xB040EE6B, 0x4A59, 0x426D, {0x91, 0xC8, 0x4A, 0x80, 0x12, 0xF6, 0x7D, 0x60});

enum class Outcome { Parsed, Untouched, Zeroed };

TEST(GuidParse, TextForms) {
    struct Case {
        const char* name;
        const wchar_t* text;
        Outcome outcome;
    } cases[] = {
        {"braced upper case", L"{B040EE6B-4A59-426D-91C8-4A8012F67D60}", Outcome::Parsed},
        {"bare lower case", L"b040ee6b-4a59-426d-91c8-4a8012f67d60", Outcome::Parsed},
        {"quoted and braced", L"\"{B040EE6B-4A59-426D-91C8-4A8012F67D60}\"", Outcome::Parsed},
        {"quoted, no brace", L"\"B040EE6B-4A59-426D-91C8-4A8012F67D60", Outcome::Parsed},
        {"other separators", L"B040EE6B_4A59x426D:91C8 4A8012F67D60", Outcome::Parsed},
        {"trailing text ignored", L"B040EE6B-4A59-426D-91C8-4A8012F67D60trailing", Outcome::Parsed},
        {"no closing brace", L"{B040EE6B-4A59-426D-91C8-4A8012F67D60", Outcome::Parsed},
        {"brace before quote", L"{\"B040EE6B-4A59-426D-91C8-4A8012F67D60}", Outcome::Zeroed},
        {"35 characters", L"B040EE6B-4A59-426D-91C8-4A8012F67D6", Outcome::Untouched},
        {"35 after brace", L"{B040EE6B-4A59-426D-91C8-4A8012F67D6", Outcome::Untouched},
        {"empty", L"", Outcome::Untouched},
        {"G in the first group", L"B040EG6B-4A59-426D-91C8-4A8012F67D60", Outcome::Zeroed},
        {"G in the last byte", L"B040EE6B-4A59-426D-91C8-4A8012F67D6G", Outcome::Zeroed},
        {"sign in a group", L"+040EE6B-4A59-426D-91C8-4A8012F67D60", Outcome::Zeroed},
        {"non-Latin-1 digit", L"B040EE6B-4A59-426D-91C8-4A8012F67D6\u0660", Outcome::Zeroed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tagZTGUID g = Filled(kPattern);
        const unsigned int result = ZtString2ZTGUID(c.text, &g);
        switch (c.outcome) {
            case Outcome::Parsed:
                EXPECT_EQ(result, ZT_S_OK);
                EXPECT_EQ(CZtGUID(g), CZtGUID(kUnknown));
                break;
            case Outcome::Untouched:
                EXPECT_EQ(result, ZT_E_INVALID_OBJECT);
                EXPECT_TRUE(AllBytes(g, kPattern));
                break;
            case Outcome::Zeroed:
                EXPECT_EQ(result, ZT_E_INVALID_OBJECT);
                EXPECT_TRUE(AllBytes(g, 0));
                break;
        }
    }
}

TEST(GuidParse, NullArguments) {
    tagZTGUID g = Filled(kPattern);
    EXPECT_EQ(ZtString2ZTGUID(nullptr, &g), ZT_E_INVALID_OBJECT);
    EXPECT_TRUE(AllBytes(g, kPattern));
    EXPECT_EQ(ZtString2ZTGUID(L"{B040EE6B-4A59-426D-91C8-4A8012F67D60}", nullptr),
              ZT_E_INVALID_OBJECT);
}

TEST(GuidParse, NullGuidRoundTrip) {
    CZtGUID null;
    EXPECT_STREQ(null.ToString().c_str(), "{00000000-0000-0000-0000-000000000000}");
    tagZTGUID g = Filled(kPattern);
    EXPECT_EQ(ZtString2ZTGUID(L"{00000000-0000-0000-0000-000000000000}", &g), ZT_S_OK);
    EXPECT_TRUE(ZTGUIDIsEmpty(&g));
}

TEST(GuidParse, RandomGuidsRoundTripThroughText) {
    for (int i = 0; i < 200; ++i) {
        const CZtGUID original = CZtGUID::CreateGUID();
        const CZtString text = original.ToString();
        ASSERT_EQ(text.Length(), 38);
        EXPECT_EQ(CZtGUID(text), original) << text.c_str();
        EXPECT_EQ(CZtGUID(text.ToLower().Mid(1, 36)), original) << text.c_str();
    }
}

TEST(GuidParse, ConcurrentParsersAgree) {
    const CZtString text(L"{B040EE6B-4A59-426D-91C8-4A8012F67D60}");
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            CZtString mine(text);  // shares one body: exercises the shared Latin-1 cache too
            for (int i = 0; i < 2000; ++i)
                if (CZtGUID(mine) != kUnknown)
                    ++mismatches[t];
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

TEST(GuidGetData, ReadsHexDigits) {
    struct Case {
        const char* name;
        const char* text;
        int count;
        unsigned int value;
        bool ok;
    } cases[] = {
        {"two digits", "1A", 2, 0x1A, true},
        {"lower case", "ff", 2, 0xFF, true},
        {"eight digits", "FFFFFFFF", 8, 0xFFFFFFFFu, true},
        {"reads only count", "12345", 2, 0x12, true},
        {"stops at NUL", "A", 4, 0xA, true},
        {"empty", "", 4, 0, true},
        {"bad digit", "1G", 2, 0, false},
        {"bad first digit", "x1", 2, 0, false},
        {"bad digit after count ignored", "12G", 2, 0x12, true},
        {"zero count", "ZZ", 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool ok = !c.ok;
        EXPECT_EQ(CZtGUID::GetData(c.text, c.count, &ok), c.value);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(CZtGUID::GetData(c.text, c.count, nullptr), c.value);
    }
    bool ok = false;
    EXPECT_EQ(CZtGUID::GetData(nullptr, 8, &ok), 0u);
    EXPECT_TRUE(ok);
}

TEST(GuidIsEmpty, ExactlyAllZero) {
    EXPECT_FALSE(ZTGUIDIsEmpty(nullptr));
    tagZTGUID g = Filled(0);
    EXPECT_TRUE(ZTGUIDIsEmpty(&g));
    for (size_t byte = 0; byte < sizeof(g); ++byte) {
        tagZTGUID one = Filled(0);
        reinterpret_cast<unsigned char*>(&one)[byte] = 1;
        EXPECT_FALSE(ZTGUIDIsEmpty(&one)) << byte;
        EXPECT_FALSE(CZtGUID(one).IsNull()) << byte;
    }
    EXPECT_TRUE(CZtGUID().IsNull());
}

TEST(GuidOrder, FieldsAsUnsignedNumbersThenDataBytes) {
    // Each pair: first orders strictly before second.
    struct Case {
        const char* name;
        tagZTGUID less;
        tagZTGUID greater;
    } cases[] = {
        {"Data1 unsigned", Make(1, 0xFFFF, 0xFFFF, {0xFF}), Make(0xFFFFFFFF, 0, 0, {})},
        {"Data2 unsigned", Make(5, 0x0001, 0xFFFF, {0xFF}), Make(5, 0x8000, 0, {})},
        {"Data3 unsigned", Make(5, 7, 0x7FFF, {0xFF}), Make(5, 7, 0x8000, {})},
        {"Data4 first byte", Make(5, 7, 9, {0x01, 0xFF}), Make(5, 7, 9, {0x80, 0x00})},
        {"Data4 last byte", Make(5, 7, 9, {0, 0, 0, 0, 0, 0, 0, 0x7F}),
         Make(5, 7, 9, {0, 0, 0, 0, 0, 0, 0, 0x80})},
        // In memory Data1 is little-endian: 0x00000100 starts with byte 00,
        // 0x000000FF with byte FF; the order follows the number.
        {"not memory order", Make(0x000000FF, 0, 0, {}), Make(0x00000100, 0, 0, {})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CZtGUID a(c.less), b(c.greater);
        EXPECT_TRUE(a < b);
        EXPECT_FALSE(b < a);
        EXPECT_TRUE(b > a);
        EXPECT_FALSE(a > b);
        EXPECT_TRUE(a != b);
    }
    const CZtGUID x(kUnknown), y(kUnknown);
    EXPECT_FALSE(x < y);
    EXPECT_FALSE(x > y);
    EXPECT_TRUE(x == y);
    EXPECT_TRUE(x == kUnknown);
    EXPECT_FALSE(x != kUnknown);
}

TEST(GuidCreate, RandomVersionFourGuids) {
    std::set<CZtGUID> seen;
    for (int i = 0; i < 100; ++i) {
        const CZtGUID g = CZtGUID::CreateGUID();
        EXPECT_EQ(g.Data3 >> 12, 4) << "version 4";
        EXPECT_EQ(g.Data4[0] & 0xC0, 0x80) << "RFC 4122 variant";
        seen.insert(g);
    }
    EXPECT_EQ(seen.size(), 100u);
}

TEST(GuidClass, TextConstructorsAndAssignments) {
    const char* text = "{B040EE6B-4A59-426D-91C8-4A8012F67D60}";
    EXPECT_EQ(CZtGUID(text), kUnknown);
    EXPECT_EQ(CZtGUID(CZtString(text)), kUnknown);

    const char* bad = "{B040EE6B-4A59-426D-91C8-4A8012F67D6G}";
    EXPECT_TRUE(CZtGUID(bad).IsNull());
    const char* shortText = "B040EE6B";
    EXPECT_TRUE(CZtGUID(shortText).IsNull());

    // Assignment resets first: a text that does not parse leaves the null
    // GUID even where the parser would leave the record untouched.
    CZtGUID g(kUnknown);
    g = CZtString(shortText);
    EXPECT_TRUE(g.IsNull());
    g = kUnknown;
    g = shortText;
    EXPECT_TRUE(g.IsNull());
    g = text;
    EXPECT_EQ(g, kUnknown);
    g.Reset();
    EXPECT_TRUE(g.IsNull());
}

TEST(GuidClass, TextFormAndStringMembers) {
    const CZtGUID g(kUnknown);
    CZtString out(L"old");
    g.ToString(out);
    EXPECT_STREQ(out.c_str(), "{B040EE6B-4A59-426D-91C8-4A8012F67D60}");
    EXPECT_EQ(static_cast<CZtString>(g), out);
    EXPECT_EQ(CZtString(g), out);
    EXPECT_EQ(CZtString(&g), out);

    const CZtGUID small(Make(0xA, 0xB, 0xC, {1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_STREQ(small.ToString().c_str(), "{0000000A-000B-000C-0102-030405060708}");

    const CZtGUID* none = nullptr;
    CZtString detached(none);
    EXPECT_EQ(detached.c_str(), nullptr);
    CZtString kept(L"kept");
    kept = none;
    EXPECT_STREQ(kept.c_str(), "kept");
    kept = g;
    EXPECT_EQ(kept, out);
}

}  // namespace
}  // namespace Varn
