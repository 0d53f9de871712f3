// Points, sizes and rectangles: conversions to and from whole pixels at and
// beyond the 32-bit range, the half-open rectangle, crossed corners and null
// pointer arguments.
#include <zotrel/geometry.h>

#include <gtest/gtest.h>

#include <array>
#include <cfloat>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

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

// Every public member of the three classes once, each against the value its
// rule gives for the same operands. A result is the list of fields it writes
// (a bool as 1 or 0), so one table covers constructors, assignments, getters,
// arithmetic and predicates alike.
using Fields = std::vector<double>;
Fields F(const ZT_POINT_2F& p) {
    return {p.x, p.y};
}
Fields F(const ZT_SIZE_F& s) {
    return {s.width, s.height};
}
Fields F(const ZT_RECT_F& r) {
    return {r.left, r.top, r.right, r.bottom};
}
Fields F(const ZT_POINT_2U& p) {
    return {double(p.x), double(p.y)};
}
Fields F(const ZT_SIZE_U& s) {
    return {double(s.width), double(s.height)};
}
Fields F(const ZT_RECT_U& r) {
    return {double(r.left), double(r.top), double(r.right), double(r.bottom)};
}
Fields F(bool b) {
    return {b ? 1.0 : 0.0};
}
// What Union returns, then the rectangle it writes.
Fields UnionOf(const CZtRect& a, const CZtRect& b) {
    CZtRect out;
    Fields result = F(CZtRect::Union(a, b, out));
    const Fields edges = F(out);
    result.insert(result.end(), edges.begin(), edges.end());
    return result;
}
// Lambdas for the table, which differ in one expression each.
// A value computed from the operands.
#define VALUE(...) [&] { return F(__VA_ARGS__); }
// The statement changes a copy `t` of `base`; the result is the copy.
#define ON_COPY(base, ...) \
    [&] {                  \
        auto t = base;     \
        __VA_ARGS__;       \
        return F(t);       \
    }
// The same for an assignment to `t`, which must also return `t` itself.
#define ASSIGN(base, ...)              \
    [&] {                              \
        auto t = base;                 \
        EXPECT_EQ(&(__VA_ARGS__), &t); \
        return F(t);                   \
    }
// The statement writes into `o`, a fresh `Type`; the result is `o`.
#define OUT(Type, ...) \
    [&] {              \
        Type o{};      \
        __VA_ARGS__;   \
        return F(o);   \
    }

TEST(GeometryMembers, EveryMemberGivesTheValueOfItsRule) {
    const CZtPoint p(1.5f, -2.0f), pc(0.25f, 0.5f);
    const ZT_POINT_2F pf = {0.25f, 0.5f};
    const ZT_POINT_2U pu = {3, 4};
    const CZtSize s(2.0f, 3.0f), sc(0.5f, 0.25f);
    const ZT_SIZE_F sf = {0.5f, 0.25f};
    const ZT_SIZE_U su = {1, 2};
    const CZtRect r(10, 20, 30, 60), rc(1, 2, 3, 4);
    const ZT_RECT_F rf = {-1, -2, 4, 3};
    const ZT_RECT_U ru = {5, 6, 7, 9};
    const CZtPoint* nullP = nullptr;
    const ZT_POINT_2F* nullPF = nullptr;
    const ZT_POINT_2U* nullPU = nullptr;
    const CZtSize* nullS = nullptr;
    const ZT_SIZE_F* nullSF = nullptr;
    const ZT_SIZE_U* nullSU = nullptr;
    const CZtRect* nullR = nullptr;
    const ZT_RECT_F* nullRF = nullptr;
    const ZT_RECT_U* nullRU = nullptr;
    struct Case {
        const char* name;
        std::function<Fields()> run;
        Fields expected;
    } cases[] = {
        // CZtPoint
        {"point ()", VALUE(CZtPoint()), {0, 0}},
        {"point (CZtPoint*)", VALUE(CZtPoint(&p)), {1.5, -2}},
        {"point (null CZtPoint*)", VALUE(CZtPoint(nullP)), {0, 0}},
        {"point (2F)", VALUE(CZtPoint(pf)), {0.25, 0.5}},
        {"point (2F*)", VALUE(CZtPoint(&pf)), {0.25, 0.5}},
        {"point (null 2F*)", VALUE(CZtPoint(nullPF)), {0, 0}},
        {"point (2U*)", VALUE(CZtPoint(&pu)), {3, 4}},
        {"point = point", ASSIGN(p, t = pc), {0.25, 0.5}},
        {"point = itself", ASSIGN(p, t = *&t), {1.5, -2}},
        {"point = CZtPoint*", ASSIGN(p, t = &pc), {0.25, 0.5}},
        {"point = null CZtPoint*", ASSIGN(p, t = nullP), {1.5, -2}},
        {"point = 2F", ASSIGN(p, t = pf), {0.25, 0.5}},
        {"point = 2F*", ASSIGN(p, t = &pf), {0.25, 0.5}},
        {"point = 2U", ASSIGN(p, t = pu), {3, 4}},
        {"point = 2U*", ASSIGN(p, t = &pu), {3, 4}},
        {"point = null 2U*", ASSIGN(p, t = nullPU), {1.5, -2}},
        {"point SetPoint(CZtPoint)", ON_COPY(p, t.SetPoint(pc)), {0.25, 0.5}},
        {"point SetPoint(2F)", ON_COPY(p, t.SetPoint(pf)), {0.25, 0.5}},
        {"point SetPoint(2U)", ON_COPY(p, t.SetPoint(pu)), {3, 4}},
        {"point GetPoint(CZtPoint)", OUT(CZtPoint, p.GetPoint(o)), {1.5, -2}},
        {"point GetPoint(2F)", OUT(ZT_POINT_2F, p.GetPoint(o)), {1.5, -2}},
        {"point GetPoint(2U)", OUT(ZT_POINT_2U, p.GetPoint(o)), {1, 0xFFFFFFFE}},
        {"point GetX GetY", VALUE(ZT_POINT_2F{p.GetX(), p.GetY()}), {1.5, -2}},
        {"point + point", VALUE(p + pc), {1.75, -1.5}},
        {"point + 2F", VALUE(p + pf), {1.75, -1.5}},
        {"point + 2U", VALUE(p + pu), {4.5, 2}},
        {"point - point", VALUE(p - pc), {1.25, -2.5}},
        {"point - 2F", VALUE(p - pf), {1.25, -2.5}},
        {"point - 2U", VALUE(p - pu), {-1.5, -6}},
        {"point += point", ASSIGN(p, t += pc), {1.75, -1.5}},
        {"point += 2F", ASSIGN(p, t += pf), {1.75, -1.5}},
        {"point += 2U", ASSIGN(p, t += pu), {4.5, 2}},
        {"point -= point", ASSIGN(p, t -= pc), {1.25, -2.5}},
        {"point -= 2F", ASSIGN(p, t -= pf), {1.25, -2.5}},
        {"point -= 2U", ASSIGN(p, t -= pu), {-1.5, -6}},
        {"point * -0.5", VALUE(p * -0.5f), {-0.75, 1}},
        {"point Offset(dx, dy)", ON_COPY(p, t.Offset(-1.5f, 0.25f)), {0, -1.75}},
        {"point Offset(point)", ON_COPY(p, t.Offset(pc)), {1.75, -1.5}},
        {"point Equals(point)", VALUE(pc.Equals(CZtPoint(0.25f, 0.5f))), {1}},
        {"point Equals(point), y differs", VALUE(pc.Equals(CZtPoint(0.25f, 0.75f))), {0}},
        {"point Equals(2F)", VALUE(pc.Equals(pf)), {1}},
        {"point Equals(2F), x differs", VALUE(p.Equals(ZT_POINT_2F{1.25f, -2})), {0}},
        {"point Equals(2U)", VALUE(CZtPoint(3, 4).Equals(pu)), {1}},
        {"point Equals(2U), x differs", VALUE(CZtPoint(3.5f, 4).Equals(pu)), {0}},
        {"point == 2F", VALUE(pc == pf), {1}},
        {"point == 2U, y differs", VALUE(CZtPoint(3, 5) == pu), {0}},

        // CZtSize
        {"size ()", VALUE(CZtSize()), {0, 0}},
        {"size (CZtSize)", VALUE(CZtSize(s)), {2, 3}},
        {"size (CZtSize*)", VALUE(CZtSize(&s)), {2, 3}},
        {"size (null CZtSize*)", VALUE(CZtSize(nullS)), {0, 0}},
        {"size (F)", VALUE(CZtSize(sf)), {0.5, 0.25}},
        {"size (F*)", VALUE(CZtSize(&sf)), {0.5, 0.25}},
        {"size (null F*)", VALUE(CZtSize(nullSF)), {0, 0}},
        {"size (U)", VALUE(CZtSize(su)), {1, 2}},
        {"size (U*)", VALUE(CZtSize(&su)), {1, 2}},
        {"size (null U*)", VALUE(CZtSize(nullSU)), {0, 0}},
        {"size (rect F)", VALUE(CZtSize(rf)), {5, 5}},
        {"size (rect F*)", VALUE(CZtSize(&rf)), {5, 5}},
        {"size (null rect F*)", VALUE(CZtSize(nullRF)), {0, 0}},
        {"size (rect U*)", VALUE(CZtSize(&ru)), {2, 3}},
        {"size = size", ASSIGN(s, t = sc), {0.5, 0.25}},
        {"size = itself", ASSIGN(s, t = *&t), {2, 3}},
        {"size = CZtSize*", ASSIGN(s, t = &sc), {0.5, 0.25}},
        {"size = null CZtSize*", ASSIGN(s, t = nullS), {2, 3}},
        {"size = F", ASSIGN(s, t = sf), {0.5, 0.25}},
        {"size = F*", ASSIGN(s, t = &sf), {0.5, 0.25}},
        {"size = null F*", ASSIGN(s, t = nullSF), {2, 3}},
        {"size = U", ASSIGN(s, t = su), {1, 2}},
        {"size = U*", ASSIGN(s, t = &su), {1, 2}},
        {"size = null U*", ASSIGN(s, t = nullSU), {2, 3}},
        {"size = rect F", ASSIGN(s, t = rf), {5, 5}},
        {"size = rect F*", ASSIGN(s, t = &rf), {5, 5}},
        {"size = rect U", ASSIGN(s, t = ru), {2, 3}},
        {"size = rect U*", ASSIGN(s, t = &ru), {2, 3}},
        {"size = null rect U*", ASSIGN(s, t = nullRU), {2, 3}},
        {"size SetSize(F)", ON_COPY(s, t.SetSize(sf)), {0.5, 0.25}},
        {"size SetSize(U)", ON_COPY(s, t.SetSize(su)), {1, 2}},
        {"size GetSize(F)", OUT(ZT_SIZE_F, s.GetSize(o)), {2, 3}},
        {"size to U", VALUE(static_cast<ZT_SIZE_U>(CZtSize(-1.0f, 2.5f))), {0xFFFFFFFF, 2}},
        {"size GetWidth GetHeight", VALUE(ZT_SIZE_F{s.GetWidth(), s.GetHeight()}), {2, 3}},
        {"size + size", VALUE(s + sc), {2.5, 3.25}},
        {"size + F", VALUE(s + sf), {2.5, 3.25}},
        {"size + U", VALUE(s + su), {3, 5}},
        {"size - size", VALUE(s - sc), {1.5, 2.75}},
        {"size - F", VALUE(s - sf), {1.5, 2.75}},
        {"size - U", VALUE(s - su), {1, 1}},
        {"size += size", ASSIGN(s, t += sc), {2.5, 3.25}},
        {"size += F", ASSIGN(s, t += sf), {2.5, 3.25}},
        {"size += U", ASSIGN(s, t += su), {3, 5}},
        {"size -= size", ASSIGN(s, t -= sc), {1.5, 2.75}},
        {"size -= F", ASSIGN(s, t -= sf), {1.5, 2.75}},
        {"size -= U", ASSIGN(s, t -= su), {1, 1}},
        {"size Multiply(-2)", ON_COPY(s, t.Multiply(-2.0f)), {-4, -6}},
        {"size Equals(size), width differs", VALUE(s.Equals(CZtSize(2.5f, 3))), {0}},
        {"size Equals(F)", VALUE(sc.Equals(sf)), {1}},
        {"size Equals(U)", VALUE(CZtSize(1, 2).Equals(su)), {1}},
        {"size Equals(U), height differs", VALUE(CZtSize(1, 2.5f).Equals(su)), {0}},
        {"size == size", VALUE(s == CZtSize(2, 3)), {1}},
        {"size == F, height differs", VALUE(sc == ZT_SIZE_F{0.5f, 0.5f}), {0}},
        {"size == U", VALUE(CZtSize(1, 2) == su), {1}},
        {"size Empty for (1, 0)", VALUE(CZtSize(1, 0).Empty()), {0}},
        {"size Empty for (-0, 0)", VALUE(CZtSize(-0.0f, 0).Empty()), {1}},

        // CZtRect
        {"rect (CZtRect*)", VALUE(CZtRect(&r)), {10, 20, 30, 60}},
        {"rect (null CZtRect*)", VALUE(CZtRect(nullR)), {0, 0, 0, 0}},
        {"rect (F)", VALUE(CZtRect(rf)), {-1, -2, 4, 3}},
        {"rect (F*)", VALUE(CZtRect(&rf)), {-1, -2, 4, 3}},
        {"rect (null F*)", VALUE(CZtRect(nullRF)), {0, 0, 0, 0}},
        {"rect (U*)", VALUE(CZtRect(&ru)), {5, 6, 7, 9}},
        {"rect (null U*)", VALUE(CZtRect(nullRU)), {0, 0, 0, 0}},
        {"rect (2U*, U*)", VALUE(CZtRect(&pu, &su)), {3, 4, 1, 2}},
        {"rect (null 2U*, U*)", VALUE(CZtRect(nullPU, &su)), {0, 0, 0, 0}},
        {"rect (2F*, null F*)", VALUE(CZtRect(&pf, nullSF)), {0, 0, 0, 0}},
        {"rect (null 2F*, F*)", VALUE(CZtRect(nullPF, &sf)), {0, 0, 0, 0}},
        {"rect = rect", ASSIGN(r, t = rc), {1, 2, 3, 4}},
        {"rect = itself", ASSIGN(r, t = *&t), {10, 20, 30, 60}},
        {"rect = CZtRect*", ASSIGN(r, t = &rc), {1, 2, 3, 4}},
        {"rect = null CZtRect*", ASSIGN(r, t = nullR), {10, 20, 30, 60}},
        {"rect = F", ASSIGN(r, t = rf), {-1, -2, 4, 3}},
        {"rect = F*", ASSIGN(r, t = &rf), {-1, -2, 4, 3}},
        {"rect = null F*", ASSIGN(r, t = nullRF), {10, 20, 30, 60}},
        {"rect = U", ASSIGN(r, t = ru), {5, 6, 7, 9}},
        {"rect = U*", ASSIGN(r, t = &ru), {5, 6, 7, 9}},
        {"rect = null U*", ASSIGN(r, t = nullRU), {10, 20, 30, 60}},
        {"rect = size F", ASSIGN(r, t = sf), {0, 0, 0.5, 0.25}},
        {"rect = size F*", ASSIGN(r, t = &sf), {0, 0, 0.5, 0.25}},
        {"rect = null size F*", ASSIGN(r, t = nullSF), {10, 20, 30, 60}},
        {"rect = size U*", ASSIGN(r, t = &su), {0, 0, 1, 2}},
        {"rect SetRect(F)", ON_COPY(r, t.SetRect(rf)), {-1, -2, 4, 3}},
        {"rect SetRect(U)", ON_COPY(r, t.SetRect(ru)), {5, 6, 7, 9}},
        {"rect GetRect(F)", OUT(ZT_RECT_F, r.GetRect(o)), {10, 20, 30, 60}},
        {"rect GetRect(U)",
         OUT(ZT_RECT_U, CZtRect(-1, 2.5f, 3, 4).GetRect(o)),
         {0xFFFFFFFF, 2, 3, 4}},
        {"rect GetX GetY", VALUE(ZT_POINT_2F{r.GetX(), r.GetY()}), {10, 20}},
        {"rect SetX", ON_COPY(r, t.SetX(40)), {40, 20, 30, 60}},
        {"rect SetY", ON_COPY(r, t.SetY(-5)), {10, -5, 30, 60}},
        {"rect SetWidth", ON_COPY(r, t.SetWidth(-4)), {10, 20, 6, 60}},
        {"rect GetLocation", OUT(CZtPoint, r.GetLocation(o)), {10, 20}},
        {"rect GetLocationSize", OUT(CZtSize, r.GetLocationSize(o)), {10, 20}},
        {"rect GetEndLocation", OUT(CZtPoint, r.GetEndLocation(o)), {30, 60}},
        {"rect GetEndLocationSize", OUT(CZtSize, r.GetEndLocationSize(o)), {30, 60}},
        {"rect GetSize of crossed corners",
         OUT(CZtSize, CZtRect(30, 60, 10, 20).GetSize(o)),
         {20, 40}},
        {"rect GetBounds", OUT(CZtRect, r.GetBounds(o)), {10, 20, 30, 60}},
        {"rect Offset(dx, dy)", ON_COPY(r, t.Offset(-10, 0.5f)), {0, 20.5, 20, 60.5}},
        {"rect Deflate", ON_COPY(r, t.Deflate(1, 2)), {11, 22, 29, 58}},
        {"rect Empty", ON_COPY(r, t.Empty()), {0, 0, 0, 0}},
        {"rect Equals(rect)", VALUE(rc.Equals(CZtRect(1, 2, 3, 4))), {1}},
        {"rect Equals(F), bottom differs", VALUE(CZtRect(-1, -2, 4, 4).Equals(rf)), {0}},
        {"rect Equals(F)", VALUE(CZtRect(rf).Equals(rf)), {1}},
        {"rect Equals(U), left differs", VALUE(CZtRect(4, 6, 7, 9).Equals(ru)), {0}},
        {"rect == F", VALUE(CZtRect(-1, -2, 4, 3) == rf), {1}},
        {"rect == rect, right differs", VALUE(rc == CZtRect(1, 2, 3.5f, 4)), {0}},
        {"rect Contains(rect) inside", VALUE(r.Contains(CZtRect(11, 21, 29, 59))), {1}},
        {"rect Contains(rect) left outside", VALUE(r.Contains(CZtRect(9, 20, 30, 60))), {0}},
        {"rect Contains(rect) top outside", VALUE(r.Contains(CZtRect(10, 19, 30, 60))), {0}},
        {"rect Contains(rect) right outside", VALUE(r.Contains(CZtRect(10, 20, 31, 60))), {0}},
        {"rect IntersectsWith, only below", VALUE(r.IntersectsWith(CZtRect(10, 60, 30, 70))), {0}},
        {"rect IntersectsWith, only above", VALUE(r.IntersectsWith(CZtRect(10, 0, 30, 20))), {0}},
        {"rect IntersectsWith, only right", VALUE(r.IntersectsWith(CZtRect(30, 20, 40, 60))), {0}},
        {"rect NormalizeRect, only left and right crossed",
         ON_COPY(r, t = CZtRect(30, 20, 10, 60); t.NormalizeRect()),
         {10, 20, 30, 60}},
        {"rect Union of disjoint",
         [] { return UnionOf(CZtRect(0, 0, 1, 1), CZtRect(5, 6, 7, 8)); },
         {1, 0, 0, 7, 8}},
        {"rect Union of two lines",
         [] { return UnionOf(CZtRect(0, 0, 5, 0), CZtRect(1, 0, 9, 0)); },
         {0, 0, 0, 9, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.run(), c.expected);
    }
}
#undef VALUE
#undef ON_COPY
#undef ASSIGN
#undef OUT

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
