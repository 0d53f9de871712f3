// CZtString: sharing and copy-on-modify, the detached state, character
// input rules, derived strings, searching, editing and the thread-safe caches.
#include <zotrel/guid.h>
#include <zotrel/string.h>

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/latch.h"
#include "text/string_test_util.h"

namespace {

using Varn::CZtString;
using zotrel_test::DetachedMaker;
using zotrel_test::DetachedMakers;
using zotrel_test::IsDetached;
using zotrel_test::Latin1Of;
using zotrel_test::Text;

// Sharing and copy-on-modify ------------------------------------------------

TEST(CZtStringSharing, CopiesAndAssignmentsShareOneBody) {
    CZtString a(L"Pump");
    CZtString b = a;
    CZtString c;
    c = a;
    EXPECT_EQ(a.w_str(), b.w_str());
    EXPECT_EQ(a.w_str(), c.w_str());
    EXPECT_EQ(a.c_str(), b.c_str());
    EXPECT_STREQ(b.c_str(), "Pump");
}

TEST(CZtStringSharing, ChangingACopyLeavesTheOtherUnchanged) {
    CZtString a(L"Pump");
    CZtString b = a;
    const wchar_t* shared = a.w_str();
    b.Append(L" 7");
    EXPECT_EQ(Text(a), L"Pump");
    EXPECT_EQ(Text(b), L"Pump 7");
    EXPECT_EQ(a.w_str(), shared);
    EXPECT_NE(b.w_str(), shared);
}

TEST(CZtStringSharing, CachedPointersAreStableUntilAChange) {
    CZtString s("ab");
    const char* narrow = s.c_str();
    const wchar_t* wide = s.w_str();
    EXPECT_EQ(s.c_str(), narrow);
    EXPECT_EQ(s.w_str(), wide);
    s.Append('c');
    EXPECT_STREQ(s.c_str(), "abc");
    EXPECT_EQ(Text(s), L"abc");
}

// Every editing operation, applied to a copy that shares its body with
// `original`, gives the copy the expected text and leaves the original (and
// the pointers it handed out) as they were.
struct EditCase {
    const char* name;
    std::function<void(CZtString&)> edit;
    const wchar_t* expected;
};

const std::vector<EditCase>& EditCases() {
    static const std::vector<EditCase> cases = {
        {"Append Latin-1 char", [](CZtString& s) { s.Append('\xE9'); }, L"abcabc\u00E9"},
        {"Append wide char beyond BMP", [](CZtString& s) { s.Append(L'\U0001F600'); },
         L"abcabc\U0001F600"},
        {"Append narrow with length", [](CZtString& s) { s.Append("xyz", 2); }, L"abcabcxy"},
        {"Append wide with length", [](CZtString& s) { s.Append(L"xyz", 1); }, L"abcabcx"},
        {"Append string", [](CZtString& s) { s.Append(CZtString("!")); }, L"abcabc!"},
        {"Prepend char", [](CZtString& s) { s.Prepend('>'); }, L">abcabc"},
        {"Prepend wide text", [](CZtString& s) { s.Prepend(L"<<"); }, L"<<abcabc"},
        {"Prepend narrow with length", [](CZtString& s) { s.Prepend("\xE9x", 1); },
         L"\u00E9abcabc"},
        {"Prepend string", [](CZtString& s) { s.Prepend(CZtString(L"\u20AC")); }, L"\u20ACabcabc"},
        {"Insert char", [](CZtString& s) { s.Insert(3, '-'); }, L"abc-abc"},
        {"Insert wide char beyond BMP", [](CZtString& s) { s.Insert(0, L'\U0001F600'); },
         L"\U0001F600abcabc"},
        {"Insert narrow at end", [](CZtString& s) { s.Insert(6, "end"); }, L"abcabcend"},
        {"Insert narrow with length", [](CZtString& s) { s.Insert(3, "xyz", 1); }, L"abcxabc"},
        {"Insert wide text", [](CZtString& s) { s.Insert(1, L"\u00E9\u00E8"); },
         L"a\u00E9\u00E8bcabc"},
        {"Insert string", [](CZtString& s) { s.Insert(1, CZtString("XY")); }, L"aXYbcabc"},
        {"Remove range", [](CZtString& s) { s.Remove(1, 2); }, L"aabc"},
        {"Remove range past end", [](CZtString& s) { s.Remove(4, 100); }, L"abca"},
        {"Remove char", [](CZtString& s) { s.Remove('b'); }, L"acac"},
        {"Remove char ignoring case", [](CZtString& s) { s.Remove('B', false); }, L"acac"},
        {"Remove char case-sensitive", [](CZtString& s) { s.Remove('B', true); }, L"abcabc"},
        {"Remove wide char", [](CZtString& s) { s.Remove(L'c'); }, L"abab"},
        {"Remove string", [](CZtString& s) { s.Remove(CZtString("ca")); }, L"abbc"},
        {"Remove string ignoring case", [](CZtString& s) { s.Remove(CZtString("BC"), false); },
         L"aa"},
        {"Replace range by char", [](CZtString& s) { s.Replace(1, 2, 'X'); }, L"aXabc"},
        {"Replace range by wide char", [](CZtString& s) { s.Replace(0, 3, L'\U0001F600'); },
         L"\U0001F600abc"},
        {"Replace range by narrow", [](CZtString& s) { s.Replace(0, 1, "xyz", 2); }, L"xybcabc"},
        {"Replace range by wide", [](CZtString& s) { s.Replace(0, 1, L"xyz"); }, L"xyzbcabc"},
        {"Replace range by string", [](CZtString& s) { s.Replace(3, 3, CZtString("!")); }, L"abc!"},
        {"Replace chars", [](CZtString& s) { s.Replace('a', 'z'); }, L"zbczbc"},
        {"Replace chars ignoring case", [](CZtString& s) { s.Replace('A', 'z', false); },
         L"zbczbc"},
        {"Replace chars case-sensitive", [](CZtString& s) { s.Replace('A', 'z', true); },
         L"abcabc"},
        {"Replace wide chars", [](CZtString& s) { s.Replace(L'b', L'\U0001F600'); },
         L"a\U0001F600ca\U0001F600c"},
        {"Replace narrow texts", [](CZtString& s) { s.Replace("bc", 2, "X", 1); }, L"aXaX"},
        {"Replace narrow texts ignoring case",
         [](CZtString& s) { s.Replace("BC", -1, "", -1, false); }, L"aa"},
        {"Replace wide texts", [](CZtString& s) { s.Replace(L"ab", -1, L"<>", -1); }, L"<>c<>c"},
        {"Replace strings", [](CZtString& s) { s.Replace(CZtString("abc"), CZtString("z")); },
         L"zz"},
        {"Replace strings ignoring case",
         [](CZtString& s) { s.Replace(CZtString("ABC"), CZtString("z"), false); }, L"zz"},
        {"Reverse", [](CZtString& s) { s.Reverse(); }, L"cbacba"},
        {"Fill keeping size", [](CZtString& s) { s.Fill(L'x'); }, L"xxxxxx"},
        {"Fill resizing", [](CZtString& s) { s.Fill(L'y', 2); }, L"yy"},
        {"Fill to zero size", [](CZtString& s) { s.Fill(L'y', 0); }, L""},
        {"Clear", [](CZtString& s) { s.Clear(); }, L""},
        {"SetNum", [](CZtString& s) { s.SetNum(42); }, L"42"},
        {"Format", [](CZtString& s) { s.Format("%d", 7); }, L"7"},
        {"Append operator narrow", [](CZtString& s) { s += "z"; }, L"abcabcz"},
        {"Append operator wide char", [](CZtString& s) { s += L'\u00E9'; }, L"abcabc\u00E9"},
        {"Append operator string", [](CZtString& s) { s += CZtString("q"); }, L"abcabcq"},
        {"Write through buffer",
         [](CZtString& s) {
             if (char16_t* buffer = s.GetBuffer(2)) {
                 buffer[0] = u'X';
                 buffer[1] = u'\u00E9';
             }
         },
         L"X\u00E9"},
    };
    return cases;
}

TEST(CZtStringSharing, EveryEditGivesTheChangedCopyItsOwnText) {
    for (const EditCase& c : EditCases()) {
        SCOPED_TRACE(c.name);
        CZtString original(L"abcabc");
        CZtString copy = original;
        const char* narrow = original.c_str();
        const wchar_t* wide = original.w_str();
        c.edit(copy);
        EXPECT_EQ(Text(copy), c.expected);
        EXPECT_EQ(std::string(copy.c_str()), Latin1Of(c.expected));
        EXPECT_NE(copy.c_str(), narrow);
        EXPECT_EQ(Text(original), L"abcabc");
        EXPECT_EQ(original.c_str(), narrow);
        EXPECT_EQ(original.w_str(), wide);
    }
}

TEST(CZtStringSharing, EveryEditDropsTheCachesOfAPrivateBody) {
    for (const EditCase& c : EditCases()) {
        SCOPED_TRACE(c.name);
        CZtString s(L"abcabc");
        ASSERT_STREQ(s.c_str(), "abcabc");
        ASSERT_EQ(Text(s), L"abcabc");
        c.edit(s);
        EXPECT_EQ(std::string(s.c_str()), Latin1Of(c.expected));
        EXPECT_EQ(Text(s), c.expected);
    }
}

TEST(CZtStringDetached, EditsChangeNothing) {
    for (const DetachedMaker& maker : DetachedMakers()) {
        for (const EditCase& c : EditCases()) {
            SCOPED_TRACE(std::string(maker.name) + ", " + c.name);
            std::unique_ptr<CZtString> s = maker.make();
            c.edit(*s);
            EXPECT_TRUE(IsDetached(*s));
            EXPECT_EQ(s->Length(), 0);
        }
        SCOPED_TRACE(maker.name);
        std::unique_ptr<CZtString> s = maker.make();
        EXPECT_EQ(s->GetBuffer(), nullptr);
        EXPECT_EQ(s->GetBuffer(4), nullptr);
        s->Format(L"%d", 5);
        s->SetNum(2.5, 'f', 1);
        EXPECT_TRUE(IsDetached(*s));
    }
}

// An argument in the detached state leaves the text as it was.
TEST(CZtStringDetached, DetachedArgumentsChangeNothing) {
    struct Case {
        const char* name;
        std::function<void(CZtString&, const CZtString&)> edit;
    };
    const Case cases[] = {
        {"Append", [](CZtString& s, const CZtString& d) { s.Append(d); }},
        {"append operator", [](CZtString& s, const CZtString& d) { s += d; }},
        {"Prepend", [](CZtString& s, const CZtString& d) { s.Prepend(d); }},
        {"Insert", [](CZtString& s, const CZtString& d) { s.Insert(1, d); }},
        {"Remove", [](CZtString& s, const CZtString& d) { s.Remove(d); }},
        {"Replace range", [](CZtString& s, const CZtString& d) { s.Replace(0, 2, d); }},
        {"Replace detached before", [](CZtString& s, const CZtString& d) { s.Replace(d, "x"); }},
        {"Replace detached after", [](CZtString& s, const CZtString& d) { s.Replace("a", d); }},
    };
    for (const DetachedMaker& maker : DetachedMakers()) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(maker.name) + ", " + c.name);
            std::unique_ptr<CZtString> d = maker.make();
            CZtString s("abc");
            c.edit(s, *d);
            EXPECT_EQ(Text(s), L"abc");
            EXPECT_TRUE(IsDetached(*d));
        }
    }
}

TEST(CZtStringEdit, ReverseSwapsTheUnitsOfASurrogatePair) {
    CZtString s(L"a\U0001F600b");
    s.Reverse();
    EXPECT_EQ(zotrel_test::Units(s), std::u16string(u"b\xDE00\xD83D"
                                                    u"a"));
    ASSERT_NE(s.w_str(), nullptr);
    EXPECT_EQ(s.w_str()[1], static_cast<wchar_t>(0xDE00));
    EXPECT_EQ(s.w_str()[2], static_cast<wchar_t>(0xD83D));
}

TEST(CZtStringSharing, SelfAppendDoublesTheText) {
    CZtString a("ab");
    a += a;
    EXPECT_EQ(Text(a), L"abab");
    CZtString b("xy");
    CZtString shared = b;
    b.Append(b);
    EXPECT_EQ(Text(b), L"xyxy");
    EXPECT_EQ(Text(shared), L"xy");
}

TEST(CZtStringSharing, ConcatenationLeavesTheLeftOperandUnchanged) {
    CZtString a("ab");
    const wchar_t* before = a.w_str();
    EXPECT_EQ(Text(a + "c"), L"abc");
    EXPECT_EQ(Text(a + L"\U0001F600"), L"ab\U0001F600");
    EXPECT_EQ(Text(a + '\xE9'), L"ab\u00E9");
    EXPECT_EQ(Text(a + L'\u20AC'), L"ab\u20AC");
    EXPECT_EQ(Text(a + CZtString("d")), L"abd");
    EXPECT_EQ(Text(a), L"ab");
    EXPECT_EQ(a.w_str(), before);
}

TEST(CZtStringSharing, BufferWritesStayPrivate) {
    CZtString a("hello");
    CZtString b = a;
    char16_t* buffer = b.GetBuffer();
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(b.Length(), 5);
    buffer[0] = u'j';
    EXPECT_EQ(Text(b), L"jello");
    EXPECT_EQ(Text(a), L"hello");

    char16_t* grown = b.GetBuffer(7);
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(b.Length(), 7);
    grown[5] = u'!';
    grown[6] = u'?';
    EXPECT_EQ(Text(b), L"jello!?");
    ASSERT_NE(b.GetBuffer(-5), nullptr);
    EXPECT_EQ(b.Length(), 0);
    EXPECT_STREQ(b.c_str(), "");
}

// Heap strings -------------------------------------------------------------

TEST(CZtStringHeap, AllocCreateAndDestroy) {
    CZtString s("shared");
    CZtString* copy = s.AllocString();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->w_str(), s.w_str());
    CZtString::DestroyString(copy);
    EXPECT_EQ(Text(s), L"shared");

    CZtString::CreateString(nullptr);
    CZtString* created = nullptr;
    CZtString::CreateString(&created);
    ASSERT_NE(created, nullptr);
    EXPECT_TRUE(!*created);
    EXPECT_STREQ(created->c_str(), "");
    CZtString::DestroyString(created);
    CZtString::DestroyString(nullptr);
}

// Threads ------------------------------------------------------------------

constexpr int kThreads = 8;
constexpr auto kDeadline = std::chrono::seconds(20);

// State of one run, owned jointly by the test and its threads so that a
// thread left behind after a missed deadline never touches freed memory.
struct CacheRace {
    explicit CacheRace(const CZtString& text) : start(kThreads), copies(kThreads, text) {}
    zotrel_test::StartLine start;
    std::vector<CZtString> copies;  // one handle per thread, all sharing one body
    std::vector<const char*> narrow = std::vector<const char*>(kThreads);
    std::vector<const wchar_t*> wide = std::vector<const wchar_t*>(kThreads);
    std::vector<std::string> narrowText = std::vector<std::string>(kThreads);
    std::vector<std::wstring> wideText = std::vector<std::wstring>(kThreads);
    std::mutex mutex;
    std::condition_variable finished;
    int done = 0;
};

// Runs `body(i)` on kThreads threads; false when they did not finish in time.
bool RunThreads(const std::shared_ptr<CacheRace>& race, std::function<void(int)> body) {
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([race, body, i] {
            race->start.ArriveAndWait();
            body(i);
            std::lock_guard<std::mutex> lock(race->mutex);
            ++race->done;
            race->finished.notify_all();
        });
    }
    std::unique_lock<std::mutex> lock(race->mutex);
    const bool inTime =
        race->finished.wait_for(lock, kDeadline, [&] { return race->done == kThreads; });
    lock.unlock();
    for (std::thread& t : threads)
        inTime ? t.join() : t.detach();
    return inTime;
}

TEST(CZtStringThreads, ConcurrentCacheFillsHandOutOnePointer) {
    std::wstring expectedWide;
    for (int i = 0; i < 2000; ++i)
        expectedWide += L"a\u00E9\u20AC\U0001F600";
    const std::string expectedNarrow = Latin1Of(expectedWide);

    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        auto race = std::make_shared<CacheRace>(CZtString(expectedWide.c_str()));
        const bool inTime = RunThreads(race, [race](int i) {
            CZtString& mine = race->copies[i];
            if (i % 2) {
                race->wide[i] = mine.w_str();
                race->narrow[i] = mine.c_str();
            } else {
                race->narrow[i] = mine.c_str();
                race->wide[i] = mine.w_str();
            }
            race->narrowText[i] = race->narrow[i];
            race->wideText[i] = race->wide[i];
        });
        ASSERT_TRUE(inTime);
        for (int i = 0; i < kThreads; ++i) {
            EXPECT_EQ(race->narrow[i], race->narrow[0]);
            EXPECT_EQ(race->wide[i], race->wide[0]);
            EXPECT_EQ(race->narrowText[i], expectedNarrow);
            EXPECT_EQ(race->wideText[i], expectedWide);
        }
        EXPECT_EQ(race->copies[0].c_str(), race->narrow[0]);
    }
}

TEST(CZtStringThreads, ConcurrentEditsOfSharingCopiesStayPrivate) {
    CZtString original("base");
    auto race = std::make_shared<CacheRace>(original);
    const bool inTime = RunThreads(race, [race](int i) {
        CZtString& mine = race->copies[i];
        for (int k = 0; k < 100; ++k) {
            CZtString extra = mine;  // shares, then is dropped, racing the count
            (void)extra;
        }
        mine.Append(static_cast<char>('0' + i));
        race->narrowText[i] = mine.c_str();
    });
    ASSERT_TRUE(inTime);
    for (int i = 0; i < kThreads; ++i)
        EXPECT_EQ(race->narrowText[i], std::string("base") + static_cast<char>('0' + i));
    EXPECT_EQ(Text(original), L"base");
}

}  // namespace
