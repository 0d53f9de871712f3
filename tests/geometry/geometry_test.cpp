// Points, sizes and rectangles: conversions to and from whole pixels at and
// beyond the 32-bit range, the half-open rectangle, crossed corners and null
// pointer arguments.
#include <zotrel/geometry.h>

#include <gtest/gtest.h>

#include <array>
#include <cfloat>
#include <cmath>
#include <limits>
#include <memory>

namespace {

using Varn::CZtPoint;
using Varn::CZtRect;
using Varn::CZtSize;
using Varn::ZT_POINT_2F;
using Varn::ZT_POINT_2U;
using Varn::ZT_RECT_F;
using Varn::ZT_RECT_U;
using Varn::ZT_SIZE_F;
using Varn::ZT_SIZE_U;

std::array<float, 4> Edges(const ZT_RECT_F& r) {
    return {r.left, r.top, r.right, r.bottom};
}
std::array<unsigned int, 4> Edges(const ZT_RECT_U& r) {
    return {r.left, r.top, r.right, r.bottom};
}

// Every class converts every field the same way.
TEST(GeometryConvert, FloatToPixelTruncatesAndKeepsTheLow32Bits) {
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* name;
        float value;
        unsigned int expected;
    } cases[] = {
        {"zero", 0.0f, 0},
        {"truncates 3.9", 3.9f, 3},
        {"truncates 2.7", 2.7f, 2},
        {"-0.9 truncates to 0", -0.9f, 0},
        {"-1 wraps", -1.0f, 0xFFFFFFFFu},
        {"-1.5 wraps", -1.5f, 0xFFFFFFFFu},
        {"largest float below 2^32", 4294967040.0f, 0xFFFFFF00u},
        {"2^32", 4294967296.0f, 0},
        {"2^32 + 512", 4294967808.0f, 512},
        {"-(2^32 + 512)", -4294967808.0f, 0xFFFFFE00u},
        {"2^54 + 2^31", 0x1.000002p54f, 0x80000000u},
        {"2^63", 0x1p63f, 0},
        {"-2^63", -0x1p63f, 0},
        {"2^64", 0x1p64f, 0},
        {"largest float", FLT_MAX, 0},
        {"+inf", inf, 0},
        {"-inf", -inf, 0},
        {"NaN", std::numeric_limits<float>::quiet_NaN(), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ZT_POINT_2U p = CZtPoint(c.value, -c.value);
        EXPECT_EQ(p.x, c.expected);
        EXPECT_EQ(p.y, 0u - c.expected);  // the negated value wraps the other way
        ZT_SIZE_U s;
        CZtSize(1.0f, c.value).GetSize(s);
        EXPECT_EQ(s.width, 1u);
        EXPECT_EQ(s.height, c.expected);
        const ZT_RECT_U r = CZtRect(c.value, c.value, c.value, c.value);
        EXPECT_EQ(Edges(r),
                  (std::array<unsigned int, 4>{c.expected, c.expected, c.expected, c.expected}));
    }
}

TEST(GeometryConvert, PixelToFloatRoundsToNearest) {
    struct Case {
        const char* name;
        unsigned int value;
        float expected;
    } cases[] = {
        {"exact", 16777216u, 16777216.0f},
        {"2^24 + 1 rounds to even", 16777217u, 16777216.0f},
        {"just below the midpoint", 0xFFFFFF7Fu, 4294967040.0f},
        {"midpoint rounds to even", 0xFFFFFF80u, 4294967296.0f},
        {"largest", 0xFFFFFFFFu, 4294967296.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ZT_POINT_2U pu = {c.value, 1};
        const ZT_SIZE_U su = {1, c.value};
        const ZT_RECT_U ru = {c.value, 0, c.value, 1};
        EXPECT_EQ(CZtPoint(pu).x, c.expected);
        EXPECT_EQ(CZtSize(su).height, c.expected);
        EXPECT_EQ(Edges(CZtRect(ru)), (std::array<float, 4>{c.expected, 0, c.expected, 1}));
        // Equality with an integer record compares after the same conversion.
        EXPECT_TRUE(CZtPoint(c.expected, 1.0f) == pu);
        EXPECT_TRUE(CZtSize(1.0f, c.expected).Equals(su));
        EXPECT_TRUE(CZtRect(c.expected, 0, c.expected, 1) == ru);
    }
}

TEST(GeometryPoint, ArithmeticAcrossRecordKinds) {
    CZtPoint p(1.5f, -2.0f);
    const ZT_POINT_2U u = {3, 4};
    const ZT_POINT_2F f = {0.25f, 0.5f};
    EXPECT_TRUE((p + u) == CZtPoint(4.5f, 2.0f));
    EXPECT_TRUE((p - f) == CZtPoint(1.25f, -2.5f));
    EXPECT_TRUE((p * 2.0f) == CZtPoint(3.0f, -4.0f));
    p -= u;
    p += f;
    p.Offset(CZtPoint(1.0f, 1.0f));
    EXPECT_TRUE(p.Equals(CZtPoint(-0.25f, -4.5f)));
    EXPECT_FALSE(p == CZtPoint(-0.25f, -4.25f));
}

TEST(GeometrySize, FromRectanglesAndArithmetic) {
    const ZT_RECT_U crossed = {10, 0, 5, 0};
    EXPECT_EQ(CZtSize(crossed).width, 4294967296.0f);  // 4294967291 wraps, then rounds
    EXPECT_EQ(CZtSize(crossed).height, 0.0f);
    const ZT_RECT_F backwards = {10, 20, 4, 50};
    EXPECT_TRUE(CZtSize(backwards) == CZtSize(-6, 30));  // signed for floats
    CZtSize s(2, 3);
    s += ZT_SIZE_U{1, 1};
    s.Multiply(0.5f);
    EXPECT_TRUE(s == CZtSize(1.5f, 2.0f));
    EXPECT_TRUE((s - ZT_SIZE_F{1.5f, 2.0f}).Empty());
    EXPECT_TRUE(CZtSize(0, 0).Empty());
    EXPECT_FALSE(CZtSize(0, 1).Empty());
    s.Reset();
    EXPECT_TRUE(s.Empty());
}

TEST(GeometryRect, CornersWidthAndCentre) {
    CZtRect r(10, 20, 30, 60);
    EXPECT_EQ(r.GetWidth(), 20.0f);
    EXPECT_EQ(r.GetHeight(), 40.0f);
    EXPECT_TRUE(r.CenterAbsolute() == CZtPoint(20, 40));
    EXPECT_TRUE(r.Center() == CZtPoint(10, 20));
    EXPECT_TRUE(r.Origin() == CZtPoint(10, 20));

    CZtRect crossed(30, 60, 10, 20);
    EXPECT_EQ(crossed.GetWidth(), 20.0f);
    EXPECT_EQ(crossed.GetHeight(), 40.0f);
    EXPECT_FALSE(crossed.Contains(15, 30));
    crossed.NormalizeRect();
    EXPECT_TRUE(crossed == r);

    // The size record carries the end corner.
    const CZtRect fromParts(CZtPoint(5, 5), CZtSize(10, 10));
    EXPECT_EQ(Edges(fromParts), (std::array<float, 4>{5, 5, 10, 10}));
    EXPECT_EQ(fromParts.GetWidth(), 5.0f);
    const CZtRect fromPixels(ZT_POINT_2U{1, 2}, ZT_SIZE_U{3, 4});
    EXPECT_EQ(Edges(fromPixels), (std::array<float, 4>{1, 2, 3, 4}));

    CZtRect grown(0, 0, 10, 10);
    grown.Inflate(1, 2);
    EXPECT_EQ(Edges(grown), (std::array<float, 4>{-1, -2, 11, 12}));
    grown.Deflate(1, 2);
    grown.Offset(CZtPoint(1, 1));
    grown.SetX(0);
    grown.SetHeight(4);
    EXPECT_EQ(Edges(grown), (std::array<float, 4>{0, 1, 11, 5}));
    CZtRect local;
    grown.GetLocationRect(local);
    EXPECT_EQ(Edges(local), (std::array<float, 4>{0, 0, 11, 4}));
    std::unique_ptr<CZtRect> copy(grown.Clone());
    EXPECT_TRUE(*copy == grown);
    local = ZT_SIZE_U{7, 8};
    EXPECT_EQ(Edges(local), (std::array<float, 4>{0, 0, 7, 8}));
}

TEST(GeometryRect, ContainsIsHalfOpenOnAllFourEdges) {
    const CZtRect r(10, 20, 30, 60);
    struct Case {
        const char* name;
        float x, y;
        bool inside;
    } cases[] = {
        {"start corner", 10, 20, true},
        {"left edge", 10, 40, true},
        {"just left of the left edge", std::nextafter(10.0f, 0.0f), 40, false},
        {"right edge", 30, 40, false},
        {"just inside the right edge", std::nextafter(30.0f, 0.0f), 40, true},
        {"top edge", 20, 20, true},
        {"just above the top edge", 20, std::nextafter(20.0f, 0.0f), false},
        {"bottom edge", 20, 60, false},
        {"just inside the bottom edge", 20, std::nextafter(60.0f, 0.0f), true},
        {"end corner", 30, 60, false},
        {"NaN", std::nanf(""), 40, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(r.Contains(c.x, c.y), c.inside);
        EXPECT_EQ(r.Contains(CZtPoint(c.x, c.y)), c.inside);
    }
    EXPECT_TRUE(r.Contains(r));  // rectangles: all edges inclusive
    EXPECT_FALSE(r.Contains(CZtRect(10, 20, 30, 61)));
}

TEST(GeometryRect, EmptyAreaIntersectAndUnion) {
    EXPECT_TRUE(CZtRect(0, 0, 0, 5).IsEmptyArea());
    EXPECT_FALSE(CZtRect(0, 0, 1, 1).IsEmptyArea());
    EXPECT_TRUE(CZtRect(0, 0, 0x1p-23f, 1).IsEmptyArea());
    EXPECT_FALSE(CZtRect(0, 0, 0x1.000002p-23f, 1).IsEmptyArea());
    EXPECT_TRUE(CZtRect(0, 0, std::nanf(""), 1).IsEmptyArea());

    const CZtRect a(0, 0, 10, 10);
    const CZtRect b(5, 5, 20, 20);
    CZtRect out;
    EXPECT_TRUE(CZtRect::Intersect(a, b, out));
    EXPECT_EQ(Edges(out), (std::array<float, 4>{5, 5, 10, 10}));
    EXPECT_TRUE(CZtRect::Union(a, b, out));
    EXPECT_EQ(Edges(out), (std::array<float, 4>{0, 0, 20, 20}));

    // Disjoint: crossed corners with a positive absolute area, reported as
    // true; only IntersectsWith tells that they do not overlap.
    const CZtRect far(30, 40, 50, 60);
    EXPECT_TRUE(CZtRect::Intersect(a, far, out));
    EXPECT_EQ(Edges(out), (std::array<float, 4>{30, 40, 10, 10}));
    EXPECT_FALSE(a.IntersectsWith(far));
    EXPECT_TRUE(a.IntersectsWith(b));
    EXPECT_FALSE(a.IntersectsWith(CZtRect(10, 0, 20, 10)));  // touching edges

    CZtRect self(a);
    EXPECT_FALSE(self.Intersect(CZtRect(10, 0, 20, 10)));  // a zero-width strip
    EXPECT_EQ(Edges(self), (std::array<float, 4>{10, 0, 10, 10}));
    self = a;
    EXPECT_TRUE(CZtRect::Union(self, far, self));  // the output may be an input
    EXPECT_EQ(Edges(self), (std::array<float, 4>{0, 0, 50, 60}));
}

TEST(GeometryNullPointers, ConstructorsGiveZeroAndAssignmentsChangeNothing) {
    EXPECT_TRUE(CZtPoint(static_cast<const ZT_POINT_2U*>(nullptr)) == CZtPoint());
    EXPECT_TRUE(CZtSize(static_cast<const ZT_RECT_U*>(nullptr)).Empty());
    const ZT_POINT_2F start = {1, 2};
    const ZT_SIZE_F end = {3, 4};
    EXPECT_TRUE(CZtRect(&start, static_cast<const ZT_SIZE_F*>(nullptr)) == CZtRect());
    EXPECT_TRUE(CZtRect(&start, &end) == CZtRect(1, 2, 3, 4));

    CZtPoint p(1, 2);
    p = static_cast<const ZT_POINT_2F*>(nullptr);
    p = &p;
    EXPECT_TRUE(p == CZtPoint(1, 2));
    CZtSize s(1, 2);
    s = static_cast<const ZT_RECT_F*>(nullptr);
    s = &s;
    EXPECT_TRUE(s == CZtSize(1, 2));
    CZtRect r(1, 2, 3, 4);
    r = static_cast<const ZT_SIZE_U*>(nullptr);
    r = &r;
    EXPECT_TRUE(r == CZtRect(1, 2, 3, 4));
}

}  // namespace
