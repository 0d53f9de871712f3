// CZtBlob: bytes of texts, sharing and detaching, the stream position, the
// detached state, derived blobs and in-place editing.
#include <zotrel/blob.h>
#include <zotrel/string.h>

#include <gtest/gtest.h>

#include <QByteArray>

#include <climits>
#include <functional>
#include <vector>

#include "support/latch.h"

namespace Varn {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes BytesOf(const CZtBlob& b) {
    const unsigned char* p = static_cast<const unsigned char*>(b);
    return p ? Bytes(p, p + b.Length()) : Bytes();
}

CZtBlob Blob(std::initializer_list<unsigned char> bytes) {
    return CZtBlob(bytes.begin(), static_cast<int>(bytes.size()));
}

bool IsDetached(const CZtBlob& b) {
    return static_cast<const QByteArray*>(b) == nullptr;
}

// Handles that share a body share its position: with `source` at a position
// other than 0, a result at the same position shares the body, one at 0 has
// its own.
bool SharesBody(const CZtBlob& result, const CZtBlob& source) {
    return source.Position() != 0 && result.Position() == source.Position();
}

TEST(BlobConstruct, BytesOfEachSource) {
    const unsigned char raw[] = {1, 2, 0, 3};
    const QByteArray qt("\x07\x00\x08", 3);
    const CZtString text(L"AB");
    const CZtBlob source = Blob({1, 2});
    struct Case {
        const char* name;
        std::function<CZtBlob()> make;
        Bytes expected;
        bool detached;
    } cases[] = {
        {"default", [] { return CZtBlob(); }, {}, false},
        {"three zero bytes", [] { return CZtBlob(3); }, {0, 0, 0}, false},
        {"negative count", [] { return CZtBlob(-2); }, {}, false},
        {"wide character", [] { return CZtBlob(L'A'); }, {0x41, 0x00}, false},
        {"wide character beyond the BMP",
         [] { return CZtBlob(L'\U0001F600'); },
         {0x3D, 0xD8, 0x00, 0xDE},
         false},
        {"narrow character", [] { return CZtBlob('x'); }, {'x'}, false},
        {"text AB", [&] { return CZtBlob(text); }, {0x41, 0x00, 0x42, 0x00}, false},
        {"text pointer", [&] { return CZtBlob(&text); }, {0x41, 0x00, 0x42, 0x00}, false},
        {"high code unit", [] { return CZtBlob(L"\u20AC"); }, {0xAC, 0x20}, false},
        {"narrow text", [] { return CZtBlob("ab"); }, {'a', 'b'}, false},
        {"QByteArray with zero", [&] { return CZtBlob(qt); }, {7, 0, 8}, false},
        {"pointer and length", [&] { return CZtBlob(raw, 4); }, {1, 2, 0, 3}, false},
        {"blob pointer", [&] { return CZtBlob(&source); }, {1, 2}, false},
        {"QByteArray pointer", [&] { return CZtBlob(&qt); }, {7, 0, 8}, false},
        {"negative length stops at zero", [&] { return CZtBlob(raw, -1); }, {1, 2}, false},
        {"null blob pointer",
         [] { return CZtBlob(static_cast<const CZtBlob*>(nullptr)); },
         {},
         true},
        {"null QByteArray",
         [] { return CZtBlob(static_cast<const QByteArray*>(nullptr)); },
         {},
         true},
        {"null text", [] { return CZtBlob(static_cast<const CZtString*>(nullptr)); }, {}, true},
        {"null bytes",
         [] { return CZtBlob(static_cast<const unsigned char*>(nullptr), 4); },
         {},
         true},
        {"null narrow", [] { return CZtBlob(static_cast<const char*>(nullptr)); }, {}, true},
        {"null wide", [] { return CZtBlob(static_cast<const wchar_t*>(nullptr)); }, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The returned prvalue initialises `b` directly (no copy, which would
        // turn a detached blob into an empty one).
        const CZtBlob b = c.make();
        EXPECT_EQ(BytesOf(b), c.expected);
        EXPECT_EQ(b.Length(), static_cast<int>(c.expected.size()));
        EXPECT_EQ(IsDetached(b), c.detached);
    }
}

TEST(BlobDetached, BehavesAsNoBytes) {
    CZtBlob d(static_cast<const CZtBlob*>(nullptr));
    unsigned char buf[4] = {};
    EXPECT_TRUE(d.IsEmpty());
    EXPECT_EQ(d.At(0), 0);
    EXPECT_EQ(static_cast<const unsigned char*>(d), nullptr);
    EXPECT_EQ(d.GetBuffer(4), nullptr);
    EXPECT_FALSE(d.Write(buf, 2));
    EXPECT_FALSE(d.Read(buf, 1));
    EXPECT_FALSE(d.Seek(0, 2));
    EXPECT_EQ(d.IndexOf('a'), -1);
    EXPECT_EQ(d.Count(CZtBlob("a")), -1);
    EXPECT_FALSE(d == CZtBlob());
    d.Append('a').Insert(0, 'b');
    d += "xy";
    EXPECT_TRUE(IsDetached(d));
    EXPECT_EQ(d.Length(), 0);

    // Derived blobs and copies are ordinary empty blobs.
    EXPECT_FALSE(IsDetached(d.Left(2)));
    EXPECT_FALSE(IsDetached(d + "ab"));
    EXPECT_EQ((d + "ab").Length(), 0);
    const CZtBlob copy(d);
    EXPECT_FALSE(IsDetached(copy));
    CZtBlob* heap = d.AllocBlob();
    EXPECT_FALSE(IsDetached(*heap));
    CZtBlob::DestroyBlob(heap);

    // As an argument it counts as no bytes.
    CZtBlob a("ab");
    EXPECT_TRUE(CZtBlob() == d);
    EXPECT_EQ(a.Append(d).Length(), 2);
    EXPECT_TRUE(a.StartsWith(d));

    // The QByteArray view gives the handle an empty body.
    const QByteArray& bytes = d;
    EXPECT_TRUE(bytes.isEmpty());
    EXPECT_FALSE(IsDetached(d));
}

TEST(BlobAssign, NullPointersDetachAndSelfAssignmentKeepsEverything) {
    CZtBlob b = Blob({1, 2, 3});
    ASSERT_TRUE(b.Seek(1, 0));
    b = b;
    b = &b;
    EXPECT_EQ(BytesOf(b), (Bytes{1, 2, 3}));
    EXPECT_EQ(b.Position(), 1u);

    b = static_cast<const char*>(nullptr);
    EXPECT_TRUE(IsDetached(b));
    b = L"A";
    EXPECT_EQ(BytesOf(b), (Bytes{0x41, 0x00}));
    b = static_cast<const QByteArray*>(nullptr);
    EXPECT_TRUE(IsDetached(b));
    b = 'z';
    EXPECT_EQ(BytesOf(b), Bytes{'z'});
}

TEST(BlobShare, CopiesShareUntilOneChanges) {
    CZtBlob a = Blob({1, 2, 3});
    ASSERT_TRUE(a.Seek(2, 0));
    CZtBlob b = a;
    EXPECT_TRUE(SharesBody(b, a));

    // Reading through an offset and asking for the position keep the sharing.
    unsigned char dst[2] = {};
    EXPECT_TRUE(b.Read(dst, 1, 2));
    EXPECT_TRUE(SharesBody(b, a));

    b.GetBuffer()[0] = 9;
    EXPECT_EQ(BytesOf(a), (Bytes{1, 2, 3}));
    EXPECT_EQ(BytesOf(b), (Bytes{9, 2, 3}));
    EXPECT_EQ(b.Position(), 0u) << "a private copy starts at position 0";
    EXPECT_EQ(a.Position(), 2u);

    // A QByteArray taken from the blob is not changed through the buffer.
    const QByteArray outside = a;
    a.GetBuffer()[1] = 7;
    EXPECT_EQ(outside, QByteArray("\x01\x02\x03", 3));

    CZtBlob* heap = a.AllocBlob();
    EXPECT_TRUE(SharesBody(*heap, a));
    CZtBlob::DestroyBlob(heap);
    CZtBlob::DestroyBlob(nullptr);
    CZtBlob::CreateBlob(nullptr);
    CZtBlob* made = nullptr;
    CZtBlob::CreateBlob(&made);
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->IsEmpty() && !IsDetached(*made));
    delete made;

    // A derived blob is deleted through its own destructor, and its share of
    // the bytes goes with it.
    struct CountedBlob : CZtBlob {
        CountedBlob(const CZtBlob& bytes, int* destroyed) : CZtBlob(bytes), destroyed(destroyed) {}
        ~CountedBlob() override { ++*destroyed; }
        int* destroyed;
    };
    int destroyed = 0;
    unsigned char* own = a.GetBuffer();  // a holds its bytes alone
    CZtBlob* derived = new CountedBlob(a, &destroyed);
    EXPECT_TRUE(SharesBody(*derived, a));
    CZtBlob::DestroyBlob(derived);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(a.GetBuffer(), own) << "alone again, so writing makes no copy";
}

TEST(BlobShare, SeekedCopyReadsFromStartAfterUnsharing) {
    CZtBlob b1 = Blob({10, 20, 30});
    ASSERT_TRUE(b1.Seek(2, 0));
    CZtBlob b2 = b1;
    unsigned char dst = 0;
    ASSERT_TRUE(b1.Read(&dst, 1));
    EXPECT_EQ(dst, 10);
    EXPECT_EQ(b1.Position(), 1u);
    EXPECT_EQ(b2.Position(), 2u);
}

TEST(BlobStream, ReadRules) {
    CZtBlob b = Blob({1, 2, 3});
    unsigned char dst[3] = {};
    ASSERT_TRUE(b.Read(dst, 2));
    EXPECT_EQ(dst[0], 1);
    EXPECT_EQ(dst[1], 2);
    EXPECT_EQ(b.Position(), 2u);
    EXPECT_FALSE(b.Read(dst, 2));
    EXPECT_EQ(b.Position(), 2u);
    EXPECT_FALSE(b.Read(dst, 0));
    EXPECT_FALSE(b.Read(nullptr, 1));

    ASSERT_TRUE(b.Read(dst, 1, 2));
    EXPECT_EQ(dst[0], 2);
    EXPECT_EQ(dst[1], 3);
    EXPECT_EQ(b.Position(), 2u);

    // A length that would wrap a 32-bit sum to a small end still fails.
    EXPECT_FALSE(b.Read(dst, 0xFFFFFFFFu));
    EXPECT_FALSE(b.Read(dst, 2, 0xFFFFFFFFu));
    EXPECT_FALSE(b.Read(dst, 0xFFFFFFFFu, 2));
    EXPECT_FALSE(b.Read(dst, 3, 1));
    EXPECT_EQ(b.Position(), 2u);

    ASSERT_TRUE(b.Read(dst, 1));
    EXPECT_EQ(dst[0], 3);
    EXPECT_EQ(b.Position(), 3u) << "reading up to the end reaches the end";
}

TEST(BlobStream, SeekTable) {
    struct Case {
        const char* name;
        int length;
        unsigned int start;
        unsigned int offset;
        unsigned int origin;
        bool expected;
        unsigned int position;
    } cases[] = {
        {"start: first byte", 3, 2, 0, 0, true, 0},
        {"start: last byte", 3, 0, 2, 0, true, 2},
        {"start: the end is out of reach", 3, 1, 3, 0, false, 1},
        {"start: far beyond", 3, 1, 0xFFFFFFFFu, 0, false, 1},
        {"current: forward", 3, 0, 2, 1, true, 2},
        {"current: onto the end fails", 3, 1, 2, 1, false, 1},
        {"current: -1 steps back", 3, 2, 0xFFFFFFFFu, 1, true, 1},
        {"current: -3 from 2 wraps and fails", 3, 2, 0xFFFFFFFDu, 1, false, 2},
        {"current: 0 stays", 3, 1, 0, 1, true, 1},
        {"end: last byte, offset unused", 3, 0, 0, 2, true, 2},
        {"end: offset ignored", 3, 0, 77, 2, true, 2},
        {"end: empty blob fails", 0, 0, 0, 2, false, 0},
        {"start: empty blob fails", 0, 0, 0, 0, false, 0},
        {"unknown origin", 3, 1, 0, 3, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtBlob b(c.length);
        unsigned char skip[3];
        if (c.start > 0) {
            ASSERT_TRUE(b.Read(skip, c.start));
        }
        EXPECT_EQ(b.Seek(c.offset, c.origin), c.expected);
        EXPECT_EQ(b.Position(), c.position);
    }
}

TEST(BlobStream, WriteGrowsAndOverwrites) {
    const unsigned char four[] = {1, 2, 3, 4};
    const unsigned char two[] = {8, 9};
    CZtBlob b;
    ASSERT_TRUE(b.Write(four, 4));
    EXPECT_EQ(b.Position(), 4u);
    ASSERT_TRUE(b.Write(two, 2));
    EXPECT_EQ(BytesOf(b), (Bytes{1, 2, 3, 4, 8, 9}));
    ASSERT_TRUE(b.Seek(1, 0));
    ASSERT_TRUE(b.Write(two, 2));
    EXPECT_EQ(BytesOf(b), (Bytes{1, 8, 9, 4, 8, 9}));
    EXPECT_EQ(b.Position(), 3u);

    // From inside its own bytes: the source stays valid while the blob grows.
    ASSERT_TRUE(b.Seek(0, 2));
    ASSERT_TRUE(b.Write(static_cast<const unsigned char*>(b), 6));
    EXPECT_EQ(BytesOf(b), (Bytes{1, 8, 9, 4, 8, 1, 8, 9, 4, 8, 9}));

    EXPECT_FALSE(b.Write(nullptr, 1));
    EXPECT_FALSE(b.Write(two, 0xFFFFFFFFu)) << "beyond the largest buffer";
    EXPECT_EQ(b.Length(), 11);
    EXPECT_EQ(b.Position(), 11u);
}

TEST(BlobStream, WritePastTheEndFillsTheGapWithZeros) {
    CZtBlob b;
    unsigned char junk[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    ASSERT_TRUE(b.Write(junk, 8));
    b.Truncate(2);
    EXPECT_EQ(b.Position(), 8u) << "editing does not move the position";
    const unsigned char tail[] = {5};
    ASSERT_TRUE(b.Write(tail, 1));
    EXPECT_EQ(BytesOf(b), (Bytes{0xEE, 0xEE, 0, 0, 0, 0, 0, 0, 5}));
    EXPECT_EQ(b.Position(), 9u);
}

TEST(BlobStream, ClearResetsPositionOfThisHandleOnly) {
    CZtBlob a = Blob({1, 2, 3});
    ASSERT_TRUE(a.Seek(2, 0));
    CZtBlob b = a;
    b.Clear();
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(b.Position(), 0u);
    EXPECT_EQ(a.Length(), 3);
    EXPECT_EQ(a.Position(), 2u);
}

TEST(BlobConcat, AppendsBytesAndKeepsPosition) {
    CZtBlob a = Blob({1, 2});
    ASSERT_TRUE(a.Seek(1, 0));
    a += Blob({3});
    a += CZtString(L"A");
    a += L'B';
    a += 'c';
    a += "de";
    a += static_cast<const char*>(nullptr);
    EXPECT_EQ(BytesOf(a), (Bytes{1, 2, 3, 0x41, 0, 0x42, 0, 'c', 'd', 'e'}));
    EXPECT_EQ(a.Position(), 1u);
    a += a;
    EXPECT_EQ(a.Length(), 20);
    const CZtBlob sum = Blob({1}) + L"\u0102";
    EXPECT_EQ(BytesOf(sum), (Bytes{1, 0x02, 0x01}));
}

TEST(BlobDerived, MidTable) {
    struct Case {
        const char* name;
        int position;
        int n;
        Bytes expected;
        bool shared;
    } cases[] = {
        {"-1 is not 'to the end'", 1, -1, {}, false},
        {"all of it shares", 0, 3, {1, 2, 3}, true},
        {"more than all shares", 0, 50, {1, 2, 3}, true},
        {"negative position counts as 0", -4, 2, {1, 2}, false},
        {"clamped at the end", 2, 10, {3}, false},
        {"at the end", 3, 1, {}, false},
        {"beyond the end", 4, 1, {}, false},
        {"position + n overflows int", 1, INT_MAX, {2, 3}, false},
    };
    CZtBlob b = Blob({1, 2, 3});
    ASSERT_TRUE(b.Seek(2, 0));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CZtBlob m = b.Mid(c.position, c.n);
        EXPECT_EQ(BytesOf(m), c.expected);
        EXPECT_EQ(SharesBody(m, b), c.shared);
    }
}

TEST(BlobDerived, LeftRightAndJustification) {
    CZtBlob b = Blob({1, 2, 3});
    ASSERT_TRUE(b.Seek(1, 0));
    EXPECT_EQ(BytesOf(b.Left(2)), (Bytes{1, 2}));
    EXPECT_EQ(BytesOf(b.Right(2)), (Bytes{2, 3}));
    EXPECT_TRUE(b.Left(-1).IsEmpty());
    EXPECT_TRUE(b.Right(-1).IsEmpty());
    EXPECT_TRUE(SharesBody(b.Left(3), b));
    EXPECT_TRUE(SharesBody(b.Right(9), b));
    EXPECT_FALSE(SharesBody(b.Left(2), b));

    EXPECT_EQ(BytesOf(CZtBlob("ab").LeftJustified(4, 0x20, false)), (Bytes{'a', 'b', ' ', ' '}));
    EXPECT_EQ(BytesOf(CZtBlob("ab").RightJustified(4, '.', false)), (Bytes{'.', '.', 'a', 'b'}));
    EXPECT_EQ(BytesOf(CZtBlob("abcde").LeftJustified(4, ' ', true)), (Bytes{'a', 'b', 'c', 'd'}));
    EXPECT_TRUE(SharesBody(b.LeftJustified(3, 0, true), b));
    EXPECT_TRUE(SharesBody(b.RightJustified(2, 0, false), b));
    EXPECT_EQ(BytesOf(b.RightJustified(-1, 0, true)), Bytes{});

    // Bytes are read as Latin-1, so the A with diaeresis (0xC4) is a letter too.
    EXPECT_EQ(BytesOf(CZtBlob("aB\xC4").ToLower()), (Bytes{'a', 'b', 0xE4}));
    EXPECT_EQ(BytesOf(CZtBlob("a1\xE4").ToUpper()), (Bytes{'A', '1', 0xC4}));
    EXPECT_EQ(BytesOf(CZtBlob(" a \t b ").Simplified()), (Bytes{'a', ' ', 'b'}));
    EXPECT_EQ(BytesOf(CZtBlob(" a b ").Trimmed()), (Bytes{'a', ' ', 'b'}));
}

TEST(BlobSearch, ForwardsAndCountsOverlaps) {
    const CZtBlob b("abab");
    EXPECT_EQ(b.IndexOf(CZtBlob("ba")), 1);
    EXPECT_EQ(b.IndexOf('a', 1), 2);
    EXPECT_EQ(b.LastIndexOf('a'), 2);
    EXPECT_EQ(b.LastIndexOf(CZtBlob("ab"), 1), 0);
    EXPECT_EQ(b.IndexOf('z'), -1);
    EXPECT_EQ(CZtBlob("aaa").Count(CZtBlob("aa")), 2);
    EXPECT_EQ(b.Count('b'), 2);
    EXPECT_TRUE(b.Contains(CZtBlob("bab")));
    EXPECT_FALSE(b.Contains(static_cast<unsigned char>(0)));
    EXPECT_TRUE(b.EndsWith('b'));
    EXPECT_FALSE(b.StartsWith(CZtBlob("b")));
    EXPECT_TRUE(b == CZtBlob("abab"));
    EXPECT_FALSE(b == CZtBlob("aba"));
}

TEST(BlobEdit, OperationsAndPositionRules) {
    const unsigned char xy[] = {'x', 'y', 0};
    CZtBlob b("abc");
    ASSERT_TRUE(b.Seek(2, 0));
    b.Insert(1, 'Z').Append(xy, 2).Prepend(xy, -1);
    EXPECT_EQ(BytesOf(b), (Bytes{'x', 'y', 'a', 'Z', 'b', 'c', 'x', 'y'}));
    b.Remove(1, 3).Replace(0, 1, CZtBlob("__"));
    EXPECT_EQ(BytesOf(b), (Bytes{'_', '_', 'b', 'c', 'x', 'y'}));
    b.Replace(CZtBlob("_"), CZtBlob("-="));
    EXPECT_EQ(BytesOf(b), (Bytes{'-', '=', '-', '=', 'b', 'c', 'x', 'y'}));
    b.Chop(3);
    b.Truncate(2);
    EXPECT_EQ(BytesOf(b), (Bytes{'-', '='}));
    EXPECT_EQ(b.Position(), 2u);
    b.Remove(0, 2);
    EXPECT_EQ(b.Position(), 2u) << "may lie beyond the end";

    // Past the end Qt pads with spaces; before the start nothing happens.
    CZtBlob c("ab");
    c.Insert(4, '!');
    EXPECT_EQ(BytesOf(c), (Bytes{'a', 'b', ' ', ' ', '!'}));
    c.Replace(-1, 1, xy, 1).Replace(-2, 2, CZtBlob("zz")).Insert(-1, 'q');
    c.Insert(INT_MAX, 'q').Replace(INT_MAX, 1, xy, 1);
    EXPECT_EQ(BytesOf(c), (Bytes{'a', 'b', ' ', ' ', '!'}));
    c.Replace(3, INT_MAX, xy, 2);
    EXPECT_EQ(BytesOf(c), (Bytes{'a', 'b', ' ', 'x', 'y'}));
    c.Insert(0, c).Replace(c, CZtBlob());
    EXPECT_TRUE(c.IsEmpty());
}

// The assignment, concatenation and editing forms not used above, each on a
// blob "ab": the bytes it leaves, and whether it leaves the blob detached.
// Each returns the blob itself.
TEST(BlobEdit, EachFormLeavesTheBytesOfItsRule) {
    const QByteArray qt("xy");
    const CZtString text(L"A");
    const CZtBlob cd("cd");
    const unsigned char raw[] = {'c', 'd', 0};
    const unsigned char b1[] = {'b'};
    const unsigned char xyz[] = {'x', 'y', 'z'};
    struct Case {
        const char* name;
        std::function<CZtBlob&(CZtBlob&)> edit;
        Bytes expected;
        bool detached;
    } cases[] = {
        {"= blob pointer", [&](CZtBlob& t) -> CZtBlob& { return t = &cd; }, {'c', 'd'}, false},
        {"= null blob pointer",
         [](CZtBlob& t) -> CZtBlob& { return t = static_cast<const CZtBlob*>(nullptr); },
         {},
         true},
        {"= QByteArray", [&](CZtBlob& t) -> CZtBlob& { return t = qt; }, {'x', 'y'}, false},
        {"= text", [&](CZtBlob& t) -> CZtBlob& { return t = text; }, {0x41, 0}, false},
        {"= text pointer", [&](CZtBlob& t) -> CZtBlob& { return t = &text; }, {0x41, 0}, false},
        {"= null text pointer",
         [](CZtBlob& t) -> CZtBlob& { return t = static_cast<const CZtString*>(nullptr); },
         {},
         true},
        {"= wide character", [](CZtBlob& t) -> CZtBlob& { return t = L'\u0102'; }, {2, 1}, false},
        {"+= wide text",
         [](CZtBlob& t) -> CZtBlob& { return t += L"\u0102"; },
         {'a', 'b', 2, 1},
         false},
        {"+= null wide text",
         [](CZtBlob& t) -> CZtBlob& { return t += static_cast<const wchar_t*>(nullptr); },
         {'a', 'b'},
         false},
        {"+ text",
         [&](CZtBlob& t) -> CZtBlob& { return t = t + text; },
         {'a', 'b', 0x41, 0},
         false},
        {"+ char", [](CZtBlob& t) -> CZtBlob& { return t = t + 'c'; }, {'a', 'b', 'c'}, false},
        {"+ wide char",
         [](CZtBlob& t) -> CZtBlob& { return t = t + L'B'; },
         {'a', 'b', 0x42, 0},
         false},
        {"Insert bytes",
         [&](CZtBlob& t) -> CZtBlob& { return t.Insert(1, raw, 2); },
         {'a', 'c', 'd', 'b'},
         false},
        {"Insert bytes up to the zero",
         [&](CZtBlob& t) -> CZtBlob& { return t.Insert(0, raw, -1); },
         {'c', 'd', 'a', 'b'},
         false},
        {"Insert null bytes",
         [](CZtBlob& t) -> CZtBlob& { return t.Insert(1, nullptr, 2); },
         {'a', 'b'},
         false},
        {"Prepend byte",
         [](CZtBlob& t) -> CZtBlob& { return t.Prepend('z'); },
         {'z', 'a', 'b'},
         false},
        {"Prepend blob",
         [&](CZtBlob& t) -> CZtBlob& { return t.Prepend(cd); },
         {'c', 'd', 'a', 'b'},
         false},
        {"Prepend itself",
         [](CZtBlob& t) -> CZtBlob& { return t.Prepend(t); },
         {'a', 'b', 'a', 'b'},
         false},
        {"Replace every b",
         [&](CZtBlob& t) -> CZtBlob& { return t.Replace(b1, 1, xyz, 3); },
         {'a', 'x', 'y', 'z'},
         false},
        {"Replace by null removes",
         [&](CZtBlob& t) -> CZtBlob& { return t.Replace(b1, 1, nullptr, 3); },
         {'a'},
         false},
        {"a null pattern is empty and matches at every position",
         [&](CZtBlob& t) -> CZtBlob& { return t.Replace(nullptr, 1, xyz, 1); },
         {'x', 'a', 'x', 'b', 'x'},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CZtBlob t("ab");
        EXPECT_EQ(&c.edit(t), &t);
        EXPECT_EQ(BytesOf(t), c.expected);
        EXPECT_EQ(IsDetached(t), c.detached);
    }
}

// Queries and refusals not covered above. A result that would outgrow the
// largest QByteArray is refused from the arithmetic alone, before anything is
// allocated.
TEST(BlobEdit, QueriesAndResultsBeyondTheLargestQByteArray) {
    const Bytes start(65536, 'a');
    CZtBlob b(start.data(), static_cast<int>(start.size()));
    // 65537 matches of the empty pattern, each growing the blob by 32768.
    const Bytes run(32768, 'w');
    b.Replace(nullptr, 0, run.data(), static_cast<int>(run.size()));
    EXPECT_EQ(b.Length(), 65536);
    EXPECT_EQ(b.GetBuffer(INT_MAX), nullptr);
    EXPECT_EQ(b.Length(), 65536);
    ASSERT_TRUE(b.Seek(3, 0));
    EXPECT_TRUE(SharesBody(b.LeftJustified(INT_MAX, '.'), b));
    EXPECT_EQ(BytesOf(b), start);

    EXPECT_EQ(static_cast<unsigned char*>(b), static_cast<const unsigned char*>(b));
    EXPECT_TRUE(b.StartsWith('a'));
    EXPECT_FALSE(b.StartsWith('b'));
    EXPECT_TRUE(b.EndsWith(CZtBlob("aa")));
    EXPECT_FALSE(b.EndsWith(CZtBlob("ab")));
    unsigned char dst[2] = {};
    EXPECT_FALSE(b.Read(dst, 0, 0));
    EXPECT_FALSE(b.Read(nullptr, 0, 1));

    const CZtBlob d(static_cast<const CZtBlob*>(nullptr));
    EXPECT_FALSE(d.StartsWith('a'));
    EXPECT_FALSE(d.EndsWith(CZtBlob()));
    EXPECT_FALSE(d.Read(dst, 0, 1));
    const CZtBlob derived[] = {d.Left(1), d.Right(1), d.Mid(0, 1), d.LeftJustified(2, 'x')};
    for (const CZtBlob& e : derived) {
        EXPECT_FALSE(IsDetached(e));
        EXPECT_EQ(e.Length(), 0);
    }
}

TEST(BlobEdit, GetBufferResizes) {
    CZtBlob b = Blob({1, 2, 3});
    const CZtBlob keep = b;
    unsigned char* p = b.GetBuffer(5);
    ASSERT_NE(p, nullptr);
    p[3] = 4;
    p[4] = 5;
    EXPECT_EQ(BytesOf(b), (Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(keep.Length(), 3);
    ASSERT_NE(b.GetBuffer(-5), nullptr);
    EXPECT_EQ(b.Length(), 0);
}

TEST(BlobData, CopyDoesNotTakeThePointerButAssignmentDoes) {
    struct Probe : CZtBlobData {
        unsigned char* Get() const { return m_pData; }
        void Set(unsigned char* p) { m_pData = p; }
    };
    unsigned char byte = 0;
    Probe a;
    EXPECT_EQ(a.Get(), nullptr);
    a.Set(&byte);
    const Probe copy(a);
    EXPECT_EQ(copy.Get(), nullptr);
    Probe assigned;
    assigned = a;
    EXPECT_EQ(assigned.Get(), &byte);
}

TEST(BlobConcurrency, CopiesOfOneBodyChangeIndependentlyOnThreads) {
    const CZtBlob shared = Blob({1, 2, 3, 4});
    constexpr int kThreads = 4;
    const std::vector<int> failures = zotrel_test::RunTogether(kThreads, [&](int t) {
        int failed = 0;
        for (int i = 0; i < 2000; ++i) {
            CZtBlob mine = shared;
            unsigned char first = 0;
            const unsigned char mark = static_cast<unsigned char>(t);
            if (!mine.Read(&first, 1) || first != 1)
                ++failed;
            mine.Write(&mark, 1);
            if (mine[1] != mark || mine.Length() != 4)
                ++failed;
        }
        return failed;
    });
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(failures[t], 0) << "thread " << t;
    EXPECT_EQ(BytesOf(shared), (Bytes{1, 2, 3, 4}));
}

}  // namespace
}  // namespace Varn
