// CHROMID records: reading text, equality, ordering, appending and ownership
// of the record's string.
#include <zotrel/chromid.h>
#include <zotrel/string.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

namespace Varn {
namespace {

using Parts = std::array<unsigned int, 6>;

Parts PartsOf(const tagZTCHROMID& id) {
    Parts p;
    std::copy(id.parts, id.parts + 6, p.begin());
    return p;
}

std::wstring TextOf(const tagZTCHROMID& id) {
    return id.text ? id.text->w_str() : L"<null>";
}

CZtCHROMID N(unsigned int a, unsigned int b, unsigned int c, unsigned int d, unsigned int e,
             unsigned int f, unsigned short key = 0) {
    CZtCHROMID id(a, b, c, d, e, f);
    id.orderKey = key;
    return id;
}

// The text form holding exactly `text`, canonical or not.
CZtCHROMID T(const wchar_t* text, unsigned short key = 0) {
    CZtCHROMID id;
    id.dataType = ZT_CHROMID_TEXT;
    id.orderKey = key;
    id.text = CZtString(text).AllocString();
    return id;
}

CZtCHROMID TextWithoutString() {
    CZtCHROMID id;
    id.dataType = ZT_CHROMID_TEXT;
    return id;
}

CZtCHROMID Cleared() {
    CZtCHROMID id;
    id.Clear();
    return id;
}

TEST(ChromidParse, CanonicalNumericOrTextAsGiven) {
    struct Case {
        const wchar_t* text;
        bool numeric;
        Parts parts;
    } cases[] = {
        {L"1.2.3.4.5.6", true, {1, 2, 3, 4, 5, 6}},
        {L"0.0.0.0.0.0", true, {0, 0, 0, 0, 0, 0}},
        {L"2147483647.0.0.0.0.10", true, {2147483647u, 0, 0, 0, 0, 10}},
        {L"2147483648.0.0.0.0.0", false, {}},
        {L"4294967295.0.0.0.0.0", false, {}},
        {L"-1.0.0.0.0.0", false, {}},
        {L"99999999999.0.0.0.0.0", false, {}},
        {L"1.2.3.4.5.06", false, {}},
        {L"+1.2.3.4.5.6", false, {}},
        {L"0x1.2.3.4.5.6", false, {}},
        {L"1.2.3.4.5.6 ", false, {}},
        {L" 1.2.3.4.5.6", false, {}},
        {L"1 .2.3.4.5.6", false, {}},
        {L"\u0661.2.3.4.5.6", false, {}},
        {L"1.2.3.4.5", false, {}},
        {L"1.2.3.4.5.6.7", false, {}},
        {L"1..3.4.5.6", false, {}},
        {L"1.2.3.4.5.", false, {}},
        {L"", false, {}},
        {L"Plant/Tank 7", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "text \"" << c.text << "\"");
        CZtCHROMID id(T(L"previous"));
        const CZtString input(c.text);
        EXPECT_EQ(ZtString2CHROMID(&input, &id), ZT_S_OK);
        if (c.numeric) {
            EXPECT_EQ(id.dataType, ZT_CHROMID_NUMERIC);
            EXPECT_EQ(PartsOf(id), c.parts);
            EXPECT_EQ(id.text, nullptr);
        } else {
            EXPECT_EQ(id.dataType, ZT_CHROMID_TEXT);
            EXPECT_EQ(TextOf(id), c.text);
        }
    }
}

TEST(ChromidParse, SixPiecesStartAfreshFewerKeepTheOtherFields) {
    CZtCHROMID fewer(N(7, 7, 7, 7, 7, 7, 9));
    fewer = CZtString(L"1.2.3");  // assignment clears first
    EXPECT_EQ(fewer.orderKey, 0);
    CZtCHROMID raw(N(7, 7, 7, 7, 7, 7, 9));
    const CZtString fewerText(L"1.2.3");
    const CZtString sixPieces(L"1.2.3.4.5.06");
    ZtString2CHROMID(&fewerText, &raw);
    EXPECT_EQ(raw.dataType, ZT_CHROMID_TEXT);
    EXPECT_EQ(raw.orderKey, 9);
    EXPECT_EQ(PartsOf(raw), (Parts{7, 7, 7, 7, 7, 7}));
    ZtString2CHROMID(&sixPieces, &raw);
    EXPECT_EQ(raw.dataType, ZT_CHROMID_TEXT);
    EXPECT_EQ(raw.orderKey, 0);
    EXPECT_EQ(PartsOf(raw), (Parts{}));
    EXPECT_EQ(TextOf(raw), L"1.2.3.4.5.06");
}

TEST(ChromidParse, ReadsTheRecordsOwnString) {
    for (const wchar_t* text : {L"1.2.3.4.5.6", L"1.2.3", L"Tank"}) {
        SCOPED_TRACE(testing::Message() << "text \"" << text << "\"");
        CZtCHROMID id(T(text));
        EXPECT_EQ(ZtString2CHROMID(id.text, &id), ZT_S_OK);
        EXPECT_EQ(id.ToString(), CZtString(text));
    }
}

TEST(ChromidFormat, SignedDecimalPartsAndRoundTrip) {
    struct Case {
        Parts parts;
        const wchar_t* text;
        bool readsBackNumeric;
    } cases[] = {
        {{1, 2, 3, 4, 5, 6}, L"1.2.3.4.5.6", true},
        {{0, 0, 0, 0, 0, 2147483647u}, L"0.0.0.0.0.2147483647", true},
        {{3000000000u, 0, 0, 0, 0, 0}, L"-1294967296.0.0.0.0.0", false},
        {{0, 0, 0, 0, 0, 0x80000000u}, L"0.0.0.0.0.-2147483648", false},
        {{0xFFFFFFFFu, 1, 0, 0, 0, 0}, L"-1.1.0.0.0.0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "text \"" << c.text << "\"");
        const auto& p = c.parts;
        const CZtCHROMID id(p[0], p[1], p[2], p[3], p[4], p[5]);
        EXPECT_EQ(id.ToString(), CZtString(c.text));
        const CZtCHROMID back(id.ToString());
        EXPECT_EQ(back.dataType, c.readsBackNumeric ? ZT_CHROMID_NUMERIC : ZT_CHROMID_TEXT);
        EXPECT_EQ(back == id, c.readsBackNumeric);
    }
    CZtString untouched(L"keep");
    Cleared().ToString(untouched);
    TextWithoutString().ToString(untouched);
    EXPECT_EQ(untouched, CZtString(L"keep"));
    EXPECT_EQ(T(L"Tank 7").ToString(), CZtString(L"Tank 7"));
}

TEST(ChromidEquality, Table) {
    struct Case {
        const char* name;
        CZtCHROMID a, b;
        bool equal;
    } cases[] = {
        {"same parts", N(1, 2, 3, 4, 5, 6), N(1, 2, 3, 4, 5, 6), true},
        {"last part differs", N(1, 2, 3, 4, 5, 6), N(1, 2, 3, 4, 5, 7), false},
        {"order key ignored", N(1, 2, 3, 4, 5, 6, 1), N(1, 2, 3, 4, 5, 6, 2), true},
        {"same text", T(L"abc"), T(L"abc"), true},
        {"text is case-sensitive", T(L"abc"), T(L"ABC"), false},
        {"two texts compare as text", T(L"1.2.3.4.5.6"), T(L"1.2.3.4.5.06"), false},
        {"canonical text meets number", T(L"1.2.3.4.5.6"), N(1, 2, 3, 4, 5, 6), true},
        {"other spelling meets number", T(L"1.2.3.4.5.06"), N(1, 2, 3, 4, 5, 6), false},
        {"cleared is zero", Cleared(), N(0, 0, 0, 0, 0, 0), true},
        {"cleared is not one", Cleared(), N(0, 0, 0, 0, 0, 1), false},
        {"two cleared", Cleared(), Cleared(), true},
        {"cleared meets zero text", Cleared(), T(L"0.0.0.0.0.0"), true},
        {"cleared meets other text", Cleared(), T(L"abc"), false},
        {"no string, both text", TextWithoutString(), TextWithoutString(), false},
        {"no string meets text", TextWithoutString(), T(L""), false},
        {"no string meets zero", TextWithoutString(), N(0, 0, 0, 0, 0, 0), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool swap : {false, true}) {
            const CZtCHROMID& x = swap ? c.b : c.a;
            const CZtCHROMID& y = swap ? c.a : c.b;
            bool equal = !c.equal;
            EXPECT_EQ(ZTCHROMIDCompare(&x, &y, &equal), ZT_S_OK);
            EXPECT_EQ(equal, c.equal);
            EXPECT_EQ(x == y, c.equal);
            EXPECT_EQ(x != y, !c.equal);
        }
    }
}

TEST(ChromidOrder, Table) {
    struct Case {
        const char* name;
        CZtCHROMID a, b;
        bool less, greater;  // a < b, b < a
    } cases[] = {
        {"first part decides", N(0, 0, 0, 0, 0, 0xFFFFFFFFu), N(1, 0, 0, 0, 0, 0), true, false},
        {"parts are unsigned", N(1, 0, 0, 0, 0, 0), N(0x80000000u, 0, 0, 0, 0, 0), true, false},
        {"equal numbers", N(1, 2, 3, 4, 5, 6), N(1, 2, 3, 4, 5, 6), false, false},
        {"numeric before text", N(9, 9, 9, 9, 9, 9), T(L""), true, false},
        {"canonical text still text", N(9, 9, 9, 9, 9, 9), T(L"1.2.3.4.5.6"), true, false},
        {"texts by string", T(L"a"), T(L"b"), true, false},
        {"equal texts", T(L"a"), T(L"a"), false, false},
        {"missing string", T(L"a"), TextWithoutString(), false, false},
        {"cleared against number", Cleared(), N(1, 0, 0, 0, 0, 0), false, false},
        {"cleared against text", Cleared(), T(L"a"), false, false},
        {"key before form", T(L"z", 1), N(0, 0, 0, 0, 0, 0, 2), true, false},
        {"key before parts", N(9, 0, 0, 0, 0, 0, 0), N(1, 0, 0, 0, 0, 0, 1), true, false},
        {"keys are unsigned", Cleared(), N(0, 0, 0, 0, 0, 0, 0xFFFF), true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ZTCHROMIDLess(&c.a, &c.b), c.less);
        EXPECT_EQ(ZTCHROMIDLess(&c.b, &c.a), c.greater);
        EXPECT_EQ(ZTCHROMIDGreater(&c.a, &c.b), c.greater);
        EXPECT_EQ(ZTCHROMIDGreater(&c.b, &c.a), c.less);
        EXPECT_EQ(c.a < c.b, c.less);
        EXPECT_EQ(c.a > c.b, c.greater);
    }
}

TEST(ChromidEmpty, Table) {
    struct Case {
        const char* name;
        CZtCHROMID id;
        bool empty;
    } cases[] = {
        {"numeric zero", N(0, 0, 0, 0, 0, 0), true},
        {"numeric zero with a key", N(0, 0, 0, 0, 0, 0, 5), true},
        {"numeric one", N(0, 0, 0, 0, 0, 1), false},
        {"empty text", T(L""), true},
        {"zero text", T(L"0.0.0.0.0.0"), true},
        {"zero text with a blank", T(L"0.0.0.0.0.0 "), false},
        {"five zeros", T(L"0.0.0.0.0"), false},
        {"no string", TextWithoutString(), false},
        {"cleared", Cleared(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ZTCHROMIDIsEmpty(&c.id), c.empty);
        EXPECT_EQ(c.id.IsEmpty(), c.empty);
    }
    CZtCHROMID unknown;
    unknown.dataType = 3;
    EXPECT_FALSE(unknown.IsEmpty());
    EXPECT_FALSE(ZTCHROMIDIsEmpty(nullptr));
}

TEST(ChromidAppend, OrsNumbersConcatenatesTextsRejectsMixedForms) {
    CZtCHROMID dst = N(2, 0, 0, 0, 0, 1);
    const CZtCHROMID src = N(1, 0, 0, 0, 0, 8);
    EXPECT_EQ(ZTCHROMIDAppend(&src, &dst), ZT_S_OK);
    EXPECT_EQ(PartsOf(dst), (Parts{3, 0, 0, 0, 0, 9}));
    EXPECT_EQ(PartsOf(dst + N(1, 0, 0, 0, 0, 1)), (Parts{3, 0, 0, 0, 0, 9}));  // OR, not sum

    CZtCHROMID text = T(L"ab");
    text += T(L"cd");
    EXPECT_EQ(TextOf(text), L"abcd");
    EXPECT_EQ(ZTCHROMIDAppend(&text, &text), ZT_S_OK);
    EXPECT_EQ(TextOf(text), L"abcdabcd");
    text += TextWithoutString();
    EXPECT_EQ(TextOf(text), L"abcdabcd");

    struct Case {
        const char* name;
        CZtCHROMID src, dst;
    } mixed[] = {
        {"text into number", T(L"1.2.3.4.5.6"), N(1, 2, 3, 4, 5, 6)},
        {"number into text", N(1, 0, 0, 0, 0, 0), T(L"x")},
        {"cleared into number", Cleared(), N(1, 0, 0, 0, 0, 0)},
    };
    for (Case& c : mixed) {
        SCOPED_TRACE(c.name);
        const CZtCHROMID before(c.dst);
        EXPECT_EQ(ZTCHROMIDAppend(&c.src, &c.dst), ZT_E_INVALID_TYPE);
        EXPECT_EQ(c.dst.dataType, before.dataType);
        EXPECT_EQ(PartsOf(c.dst), PartsOf(before));
        EXPECT_EQ(TextOf(c.dst), TextOf(before));
    }
}

TEST(ChromidText, AppendingStrings) {
    CZtCHROMID partial(L"1.2.3.4.5.");
    ASSERT_EQ(partial.dataType, ZT_CHROMID_TEXT);
    const CZtCHROMID joined = partial + CZtString(L"6");  // read again: numeric
    EXPECT_EQ(joined.dataType, ZT_CHROMID_NUMERIC);
    EXPECT_EQ(PartsOf(joined), (Parts{1, 2, 3, 4, 5, 6}));
    partial += CZtString(L"6");  // not read again: stays text
    EXPECT_EQ(partial.dataType, ZT_CHROMID_TEXT);
    EXPECT_EQ(TextOf(partial), L"1.2.3.4.5.6");
    EXPECT_EQ(partial, joined);

    CZtCHROMID number(4, 0, 0, 0, 0, 0);
    number += CZtString(L"7");
    EXPECT_EQ(PartsOf(number), (Parts{4, 0, 0, 0, 0, 0}));
    EXPECT_EQ(PartsOf(number + CZtString(L"7")), (Parts{}));
    EXPECT_EQ((TextWithoutString() + CZtString(L"7")).dataType, ZT_CHROMID_NUMERIC);
}

TEST(ChromidRecord, InitClearAndNullPointers) {
    tagZTCHROMID r;
    std::memset(&r, 0xAB, sizeof(r));  // garbage text pointer: overwritten, never freed
    EXPECT_EQ(ZTCHROMIDInit(&r), ZT_S_OK);
    EXPECT_EQ(r.dataType, ZT_CHROMID_NUMERIC);
    EXPECT_EQ(r.orderKey, 0);
    EXPECT_EQ(PartsOf(r), (Parts{}));
    EXPECT_EQ(r.text, nullptr);

    r.text = CZtString(L"owned").AllocString();
    EXPECT_EQ(ZTCHROMIDClear(&r), ZT_S_OK);  // frees: the leak checker sees no loss
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&r);
    for (std::size_t i = 0; i < sizeof(r); ++i)
        EXPECT_EQ(bytes[i], 0) << "byte " << i;

    const CZtString text(L"1.2.3.4.5.6");
    bool equal = true;
    EXPECT_EQ(ZTCHROMIDInit(nullptr), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZTCHROMIDClear(nullptr), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZTCHROMIDCopy(nullptr, &r), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZTCHROMIDCopy(&r, nullptr), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZTCHROMIDCompare(nullptr, &r, &equal), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZTCHROMIDCompare(&r, nullptr, &equal), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZTCHROMIDCompare(&r, &r, nullptr), ZT_E_NULL_POINTER);
    EXPECT_TRUE(equal);
    EXPECT_FALSE(ZTCHROMIDLess(nullptr, &r));
    EXPECT_FALSE(ZTCHROMIDGreater(&r, nullptr));
    EXPECT_EQ(ZTCHROMIDAppend(nullptr, &r), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZTCHROMIDAppend(&r, nullptr), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZtString2CHROMID(nullptr, &r), ZT_E_NULL_POINTER);
    EXPECT_EQ(ZtString2CHROMID(&text, nullptr), ZT_E_NULL_POINTER);
}

TEST(ChromidRecord, CopyIsDeepAndSafeOntoItself) {
    CZtCHROMID src = T(L"Tank", 3);
    CZtCHROMID dst = T(L"old string, freed by the copy");
    EXPECT_EQ(ZTCHROMIDCopy(&src, &dst), ZT_S_OK);
    EXPECT_NE(dst.text, src.text);
    src.text->Append(L" changed");
    EXPECT_EQ(TextOf(dst), L"Tank");
    EXPECT_EQ(dst.orderKey, 3);

    EXPECT_EQ(ZTCHROMIDCopy(&dst, &dst), ZT_S_OK);
    EXPECT_EQ(TextOf(dst), L"Tank");
    dst = static_cast<const tagZTCHROMID&>(dst);
    dst = dst;
    EXPECT_EQ(TextOf(dst), L"Tank");
    dst = *dst.text;  // reads its own string, which the assignment frees
    EXPECT_EQ(TextOf(dst), L"Tank");

    CZtCHROMID noText;  // numeric without a string: the copy has none either
    EXPECT_EQ(ZTCHROMIDCopy(&noText, &dst), ZT_S_OK);
    EXPECT_EQ(dst.text, nullptr);
    EXPECT_EQ(dst.dataType, ZT_CHROMID_NUMERIC);
}

TEST(ChromidClass, ConstructorsMovesAndNativeRecords) {
    const CZtCHROMID six(1, 2, 3, 4, 5, 6);
    ASSERT_NE(six.text, nullptr);
    EXPECT_TRUE(six.text->IsEmpty());
    EXPECT_EQ(CZtCHROMID().text, nullptr);
    EXPECT_EQ(CZtCHROMID("1.2.3.4.5.6 and more", 11), six);
    EXPECT_EQ(TextOf(CZtCHROMID("caf\xE9")), L"caf\u00E9");
    EXPECT_TRUE(CZtCHROMID(L"1.2.3").IsSameDataType(CZtCHROMID(L"x")));
    EXPECT_FALSE(six.IsSameDataType(CZtCHROMID(L"x")));

    CZtCHROMID moved(T(L"moved"));
    CZtCHROMID target(std::move(moved));
    EXPECT_EQ(TextOf(target), L"moved");
    EXPECT_EQ(moved.dataType, ZT_CHROMID_NUMERIC);
    EXPECT_EQ(moved.text, nullptr);
    moved = std::move(target);
    EXPECT_EQ(TextOf(moved), L"moved");
    EXPECT_EQ(target.text, nullptr);

    CZtCHROMID native = T(L"untouched");
    EXPECT_EQ(Cleared().ToNativeZTCHROMID(native), ZT_E_INVALID_OBJECT);
    EXPECT_EQ(TextWithoutString().ToNativeZTCHROMID(native), ZT_E_NULL_POINTER);
    EXPECT_EQ(TextOf(native), L"untouched");
    EXPECT_EQ(T(L"1.2.3.4.5.6").ToNativeZTCHROMID(native), ZT_S_OK);
    EXPECT_EQ(native.dataType, ZT_CHROMID_NUMERIC);
    EXPECT_EQ(PartsOf(native), (Parts{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(T(L"Tank").ToNativeZTCHROMID(native), ZT_S_OK);
    EXPECT_EQ(TextOf(native), L"Tank");
    EXPECT_EQ(native.ToNativeZTCHROMID(native), ZT_S_OK);  // its own string, read safely
    EXPECT_EQ(TextOf(native), L"Tank");
    EXPECT_EQ(N(7, 0, 0, 0, 0, 0, 4).ToNativeZTCHROMID(native), ZT_S_OK);
    EXPECT_EQ(native.dataType, ZT_CHROMID_NUMERIC);
    EXPECT_EQ(PartsOf(native), (Parts{7, 0, 0, 0, 0, 0}));
    EXPECT_EQ(native.orderKey, 4);
}

}  // namespace
}  // namespace Varn
