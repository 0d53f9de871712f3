// The text body behind CZtString: where it lives (inside its text's block
// for the numbers the library writes, on its own otherwise), how long that
// block lives when copies of the QString outlive the string, that no change
// ever writes into a block a body lives in, and the Latin-1 and wide copies.
#include <zotrel/string.h>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include <malloc.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "support/latch.h"
#include "text/numformat.h"
#include "text/stringimpl.h"

namespace {

using Varn::CZtString;
using Varn::CZtStringImpl;

const CZtStringImpl* Body(const CZtString& s) {
    return CZtStringImpl::BodyOf(s);
}

bool Hosted(const CZtString& s) {
    return Body(s) && CZtStringImpl::IsHosted(Body(s));
}

// True when the body of `s` lies wholly inside the block of its text, past
// the characters and their NUL.
bool BodyInsideTextBlock(const CZtString& s) {
    const QString& text = s;
    const auto first = reinterpret_cast<std::uintptr_t>(text.constData());
    const auto end = first + (static_cast<std::size_t>(text.capacity()) + 1) * sizeof(QChar);
    const auto body = reinterpret_cast<std::uintptr_t>(Body(s));
    return body >= first + (static_cast<std::size_t>(text.size()) + 1) * sizeof(QChar) &&
           body + sizeof(CZtStringImpl) <= end;
}

QString Latin(const char* text) {
    return QString::fromLatin1(text);
}

// Where bodies live ----------------------------------------------------------

TEST(CZtStringBody, NumbersShareOneBlockWithTheirDigits) {
    struct Case {
        const char* name;
        CZtString text;
        const char* expected;
    };
    const Case cases[] = {
        {"zero", CZtString(0), "0"},
        {"minus one", CZtString(-1), "-1"},
        {"int min", CZtString(INT_MIN), "-2147483648"},
        {"uint max", CZtString(UINT_MAX), "4294967295"},
        {"llong min", CZtStringImpl::Make(Varn::detail::DecimalText(LLONG_MIN)),
         "-9223372036854775808"},
        {"ullong max", CZtStringImpl::Make(Varn::detail::DecimalText(ULLONG_MAX)),
         "18446744073709551615"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(Hosted(c.text));
        EXPECT_TRUE(BodyInsideTextBlock(c.text));
        EXPECT_STREQ(c.text.c_str(), c.expected);
        EXPECT_EQ(static_cast<const QString&>(c.text), Latin(c.expected));
    }
}

TEST(CZtStringBody, EveryLengthOfTextWithRoomTakesItsBody) {
    for (int length = 0; length <= 64; ++length) {
        SCOPED_TRACE(length);
        QString text = CZtStringImpl::TextWithRoom(length);
        ASSERT_EQ(text.size(), length);
        std::fill(text.begin(), text.end(), QChar('7'));
        const CZtString s = CZtStringImpl::Make(std::move(text));
        EXPECT_TRUE(Hosted(s));
        EXPECT_TRUE(BodyInsideTextBlock(s));
        EXPECT_EQ(s.Length(), length);
        EXPECT_EQ(std::string(s.c_str()), std::string(length, '7'));
    }
}

TEST(CZtStringBody, TextsWithoutRoomOrSharedGetABodyOfTheirOwn) {
    EXPECT_FALSE(Hosted(CZtString(L"Pump")));
    EXPECT_FALSE(Hosted(CZtString("Pump")));
    EXPECT_FALSE(Hosted(CZtString()));

    // Room, but the caller keeps a copy of the text: the block is not the
    // body's to use, and the caller's text stays as it was.
    QString kept = Varn::detail::DecimalText(12345LL);
    const CZtString fromShared(kept);
    EXPECT_FALSE(Hosted(fromShared));
    const CZtString made = CZtStringImpl::Make(kept);
    EXPECT_FALSE(Hosted(made));
    EXPECT_EQ(kept, Latin("12345"));
    EXPECT_EQ(static_cast<const QString&>(made), Latin("12345"));

    // Characters the QString does not own have no room at all.
    static const QChar foreign[] = {QChar('a'), QChar('b'), QChar('c')};
    const CZtString raw = CZtStringImpl::Make(QString::fromRawData(foreign, 3));
    EXPECT_FALSE(Hosted(raw));
    EXPECT_STREQ(raw.c_str(), "abc");
}

// The block's lifetime ---------------------------------------------------------

TEST(CZtStringBody, ACopyOfTheTextOutlivesItsString) {
    QString copy;
    {
        const CZtString number(-400000000);
        ASSERT_TRUE(Hosted(number));
        copy = number;
        EXPECT_STREQ(number.c_str(), "-400000000");
    }
    // The copy is now the block's only holder: it reads and changes it freely.
    EXPECT_EQ(copy, Latin("-400000000"));
    copy.append(Latin(" units and more characters than the block had room for"));
    EXPECT_EQ(copy, Latin("-400000000 units and more characters than the block had room for"));
    copy.truncate(3);
    copy.append(QChar('!'));
    EXPECT_EQ(copy, Latin("-40!"));
}

TEST(CZtStringBody, ChangesNeverWriteIntoABlockABodyLivesIn) {
    CZtString number(1234567);
    ASSERT_TRUE(Hosted(number));
    const QString before = number;

    // A change of the QString copy leaves the string alone...
    QString copy = number;
    copy.append(QChar('x'));
    copy[0] = QChar('9');
    EXPECT_EQ(copy, Latin("9234567x"));
    EXPECT_STREQ(number.c_str(), "1234567");

    // ...and a change of the string leaves the copies alone.
    number.Append(L"-tail");
    EXPECT_STREQ(number.c_str(), "1234567-tail");
    EXPECT_EQ(before, Latin("1234567"));

    char16_t* buffer = number.GetBuffer();
    ASSERT_NE(buffer, nullptr);
    buffer[0] = u'#';
    EXPECT_EQ(number.At(0), L'#');
    EXPECT_EQ(before, Latin("1234567"));

    number.SetNum(-5);
    EXPECT_STREQ(number.c_str(), "-5");
    number.Clear();
    EXPECT_TRUE(number.IsEmpty());
    EXPECT_EQ(before, Latin("1234567"));
}

TEST(CZtStringBody, ChangingOneOfTwoSharersGivesItAPrivateBody) {
    const CZtString a(42);
    CZtString b = a;
    ASSERT_EQ(Body(a), Body(b));
    const char* shared = a.c_str();
    b.Prepend(L"n=");
    EXPECT_NE(Body(a), Body(b));
    EXPECT_TRUE(Hosted(a));
    EXPECT_FALSE(Hosted(b));
    EXPECT_STREQ(a.c_str(), "42");
    EXPECT_EQ(a.c_str(), shared);
    EXPECT_STREQ(b.c_str(), "n=42");
}

TEST(CZtStringBody, HeapStringsOfNumbersFollowTheirOwnLifetime) {
    CZtString* heap = CZtString(987).AllocString();
    QString copy = *heap;
    CZtString::DestroyString(heap);
    EXPECT_EQ(copy, Latin("987"));
}

// The Latin-1 and wide copies ---------------------------------------------------

TEST(CZtStringBody, LatinOneCopyIsWhatQtGives) {
    struct Case {
        const char* name;
        std::u16string text;
    };
    const Case cases[] = {
        {"empty", u""},
        {"plain", u"Pump 7"},
        {"latin-1", u"caf\u00e9 \u00ff"},
        {"beyond latin-1", u"\u20ac \u4e2d"},
        {"surrogate pair", u"a\U0001F600b"},
        {"lone surrogates", std::u16string(u"x") + char16_t(0xD800) + u"y" + char16_t(0xDC00)},
        {"inner nul", std::u16string(u"a\0b", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString qt = QString::fromUtf16(c.text.data(), static_cast<int>(c.text.size()));
        const CZtString s(qt);
        const QByteArray expected = qt.toLatin1();
        ASSERT_NE(s.c_str(), nullptr);
        EXPECT_EQ(std::memcmp(s.c_str(), expected.constData(), expected.size() + 1), 0);
    }
}

TEST(CZtStringBody, WideCopyJoinsSurrogatePairsAndKeepsLoneOnes) {
    const std::u16string text = std::u16string(u"a\U0001F600") + char16_t(0xDC00) + u"\u00e9";
    const CZtString s(QString::fromUtf16(text.data(), static_cast<int>(text.size())));
    const std::wstring expected = L"a\U0001F600\xDC00\u00e9";
    EXPECT_EQ(std::wstring(s.w_str()), expected);
    EXPECT_EQ(s.w_str(), s.w_str());
}

TEST(CZtStringBody, CopiesAreDroppedOnChangeAndRebuilt) {
    CZtString number(31);
    const char* narrow = number.c_str();
    const wchar_t* wide = number.w_str();
    EXPECT_STREQ(narrow, "31");
    EXPECT_EQ(std::wstring(wide), L"31");
    number.Append('4');
    EXPECT_STREQ(number.c_str(), "314");
    EXPECT_EQ(std::wstring(number.w_str()), L"314");
}

// Threads ------------------------------------------------------------------------

// Copies of one hosted text spread over threads, each of which also keeps a
// QString of the text beyond the life of its string: the last string to go
// ends the body, the last QString the block, each exactly once (ASan and
// ThreadSanitizer check the rest).
TEST(CZtStringBodyThreads, HostedBodiesAndTheirBlocksGoOnce) {
    constexpr int kThreads = 8;
    constexpr int kRounds = 200;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        std::vector<CZtString> strings(kThreads, CZtString(round * 7919 - 400000000));
        ASSERT_TRUE(Hosted(strings[0]));
        const std::string expected = strings[0].c_str();
        std::vector<QString> kept(kThreads);
        const std::vector<int> failures = zotrel_test::RunTogether(kThreads, [&](int t) {
            int failed = 0;
            CZtString mine = std::move(strings[t]);
            kept[t] = mine;
            if (expected != mine.c_str())
                ++failed;
            if (std::wstring(mine.w_str()) != std::wstring(expected.begin(), expected.end()))
                ++failed;
            mine = CZtString();  // this thread's reference goes here
            if (kept[t].toStdString() != expected)
                ++failed;
            return failed;
        });
        for (int t = 0; t < kThreads; ++t) {
            EXPECT_EQ(failures[t], 0) << "thread " << t;
            EXPECT_EQ(kept[t].toStdString(), expected);
        }
        // The QStrings outlived every string; change one in place now that
        // the others are gone.
        kept.resize(1);
        kept[0].append(QChar('!'));
        EXPECT_EQ(kept[0].toStdString(), expected + "!");
    }
}

// Heap strings: a thread's freed string blocks are kept for its next ones.

// A string of a derived class has a block of another size: it must never be
// kept and then handed out as a string's block.
// Its own destructor must run too: DestroyString takes a shortcut for plain
// strings only.
struct TaggedString : CZtString {
    explicit TaggedString(const wchar_t* text, int* destroyed)
        : CZtString(text), destroyed(destroyed) {}
    ~TaggedString() override { ++*destroyed; }
    int* destroyed;
    char tag[72] = {};
};

TEST(CZtStringHeap, DerivedStringsBypassTheKeptBlocks) {
    int destroyed = 0;
    for (int round = 0; round < 8; ++round) {
        auto* tagged = new TaggedString(L"tagged", &destroyed);
        const void* taggedBlock = tagged;
        CZtString* base = tagged;
        CZtString::DestroyString(base);  // sized by the derived class
        EXPECT_EQ(destroyed, round + 1);
        CZtString* next = CZtString(L"next").AllocString();
        EXPECT_NE(static_cast<const void*>(next), taggedBlock);
        EXPECT_STREQ(next->c_str(), "next");
        CZtString::DestroyString(next);
    }
}

TEST(CZtStringHeapThreads, BlocksCrossThreadsAndGoBackWhenTheirThreadEnds) {
    // Strings made on one thread, each with a body of its own, are destroyed
    // on another; every thread ends with full shelves of handle and body
    // blocks, which must go back to the allocator.
    constexpr int kThreads = 8;
    constexpr int kRounds = 40;
    constexpr int kStrings = 64;
    const CZtString text(L"Pump station 7 flow.");
    const std::size_t before = mallinfo2().uordblks;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<std::vector<CZtString*>> made(kThreads);
        zotrel_test::RunTogether(kThreads, [&](int t) {
            for (int i = 0; i < kStrings; ++i) {
                made[t].push_back(text.AllocString());
                made[t].back()->Append('!');  // a body of its own
            }
            return 0;
        });
        const std::vector<int> failures = zotrel_test::RunTogether(kThreads, [&](int t) {
            int failed = 0;
            for (CZtString* s : made[(t + 1) % kThreads]) {  // another thread's strings
                failed += std::strcmp(s->c_str(), "Pump station 7 flow.!") != 0;
                CZtString::DestroyString(s);
            }
            for (int i = 0; i < kStrings; ++i) {  // and new ones from kept blocks
                CZtString* s = text.AllocString();
                failed += *s != text;
                CZtString::DestroyString(s);
            }
            return failed;
        });
        for (int t = 0; t < kThreads; ++t)
            EXPECT_EQ(failures[t], 0) << "round " << round << " thread " << t;
    }
    // 320 ended threads kept up to 16 handle and 16 body blocks each: about
    // 650 KB if they stayed. (Under the sanitizers' allocators the figure may read 0.)
    const std::size_t after = mallinfo2().uordblks;
    EXPECT_LT(after, before + 64 * 1024) << "before " << before << ", after " << after;
}

}  // namespace
