// CZtColor: bytes to channels and back, both packed forms, channels out of
// range, transparency and blending.
#include <zotrel/color.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using Varn::CZtColor;
using Varn::ZTCOLORVALUE;

float Channel(unsigned int byte) {
    return static_cast<float>(byte * 0.00392156862745098);
}

TEST(Color, EveryByteToChannelAndBack) {
    for (unsigned int b = 0; b < 256; ++b) {
        SCOPED_TRACE(b);
        // Each byte in every position, beside different neighbours.
        const unsigned int argb = b << 24 | (255 - b) << 16 | b << 8 | (b ^ 0x5Au);
        CZtColor c(argb);
        EXPECT_EQ(c.GetA(), Channel(b));
        EXPECT_EQ(c.GetR(), Channel(255 - b));
        EXPECT_EQ(c.GetB(), Channel(b ^ 0x5Au));
        EXPECT_EQ(c.GetARGBValue(), argb);
        const unsigned int bgra = c.GetPBGRAValue();
        c.SetFromPBGRAValue(bgra);
        EXPECT_EQ(c.GetARGBValue(), argb);
        EXPECT_EQ(c.GetPBGRAValue(), bgra);
    }
}

TEST(Color, PackedFormsBothWays) {
    struct Case {
        unsigned int argb;
        unsigned int bgra;
    } cases[] = {
        {0x80FF0000u, 0x0000FF80u},
        {0x00FFFFFFu, 0xFFFFFF00u},
        {0x12345678u, 0x78563412u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argb);
        EXPECT_EQ(CZtColor(c.argb).GetPBGRAValue(), c.bgra);
        CZtColor color(0.0f, 0.0f, 0.0f, 0.0f);
        color.SetFromPBGRAValue(c.bgra);
        EXPECT_EQ(color.GetARGBValue(), c.argb);
        color = 0u;
        color = c.argb;
        EXPECT_EQ(color.GetARGBValue(), c.argb);
    }
    const CZtColor halfRed(0x80FF0000u);
    EXPECT_NEAR(halfRed.GetA(), 0.50196f, 1e-5f);
    EXPECT_EQ(halfRed.GetR(), 1.0f);
    EXPECT_EQ(halfRed.GetG(), 0.0f);
    // 0.5 × 255 = 127.5 truncates.
    EXPECT_EQ(CZtColor(1.0f, 0.5f, 0.0f, 0.0f).GetARGBValue(), 0xFF7F0000u);

    const CZtColor white;
    const ZTCOLORVALUE& v = white;
    EXPECT_TRUE(v.r == 1.0f && v.g == 1.0f && v.b == 1.0f && v.a == 0.0f);
    EXPECT_EQ(white.GetARGBValue(), 0x00FFFFFFu);
    EXPECT_TRUE(white.HasTransparency());
    EXPECT_FALSE(CZtColor(0xFF000000u).HasTransparency());
}

TEST(Color, RgbWithSeparateAlphaIgnoresTheTopByte) {
    const CZtColor c(0xAB102030u, 0.25f);
    EXPECT_EQ(c.GetA(), 0.25f);
    EXPECT_EQ(c.GetARGBValue(), 0x3F102030u);  // 0.25 × 255 = 63.75
    ZTCOLORVALUE out = {9, 9, 9, 9};
    CZtColor::Init(0xAB102030u, 0.25f, out);
    const ZTCOLORVALUE& stored = c;
    EXPECT_TRUE(out.r == stored.r && out.g == stored.g && out.b == stored.b && out.a == 0.25f);
    // The exported constants link and describe the colour bytes.
    const unsigned int* masks[] = {&CZtColor::sc_redMask, &CZtColor::sc_greenMask,
                                   &CZtColor::sc_blueMask};
    const unsigned int* shifts[] = {&CZtColor::sc_redShift, &CZtColor::sc_greenShift,
                                    &CZtColor::sc_blueShift};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(*masks[i], 0xFFu << *shifts[i]);
    EXPECT_EQ(CZtColor::sc_redShift, 16u);
    EXPECT_EQ(CZtColor::sc_greenShift, 8u);
    EXPECT_EQ(CZtColor::sc_blueShift, 0u);
}

// A channel outside 0..1 packs as the nearest byte and never reaches a
// neighbouring channel's byte.
TEST(Color, ChannelsOutOfRangePackInsideTheirByte) {
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* name;
        float red;
        unsigned int byte;
    } cases[] = {
        {"just above 1", 1.0001f, 0xFF},
        {"2.0", 2.0f, 0xFF},
        {"+inf", inf, 0xFF},
        {"just below 0", -0.0001f, 0},
        {"-1", -1.0f, 0},
        {"-inf", -inf, 0},
        {"NaN", std::nanf(""), 0},
        {"largest float", 3.4e38f, 0xFF},
        {"just below one byte", 0.0039f, 0x00},
        {"just below 1", 0.9999f, 0xFE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CZtColor color(0.5f, c.red, 0.0f, 1.0f);
        EXPECT_EQ(color.GetARGBValue(), 0x7F0000FFu | c.byte << 16);
        EXPECT_EQ(color.GetPBGRAValue(), 0xFF00007Fu | c.byte << 8);
    }
}

TEST(Color, TransparencyMultipliesTheAlpha) {
    CZtColor c(0xFF000000u);
    c.SetTransparency(0.5f);
    c.SetTransparency(0.5f);
    EXPECT_EQ(c.GetA(), 0.25f);
    c.SetTransparentAlpha(2.0f);
    EXPECT_EQ(c.GetA(), 0.5f);
    c.SetTransparentAlpha(static_cast<unsigned char>(51));
    EXPECT_EQ(c.GetA(), 0.1f);
    c.SetTransparency(static_cast<unsigned char>(255));
    EXPECT_EQ(c.GetA(), 0.0f);

    CZtColor opaque(0xFF000000u);
    opaque.SetTransparencyPercent(0);
    EXPECT_FALSE(opaque.HasTransparency());
    opaque.SetTransparencyPercent(50);
    EXPECT_NEAR(opaque.GetA(), 0.5f, 1e-6f);
    opaque.SetA(1.0f);
    // 2.55f lies just below 2.55, so 100 percent leaves about 1.9e-8.
    opaque.SetTransparencyPercent(100);
    EXPECT_LT(opaque.GetA(), 1e-7f);
    EXPECT_GT(opaque.GetA(), 1e-8f);
}

TEST(Color, BlendColors) {
    const CZtColor black(0x00000000u);
    const CZtColor white(0xFFFFFFFFu);
    const CZtColor grey = CZtColor::BlendColors(black, white, 0.25f);
    const ZTCOLORVALUE& v = grey;
    EXPECT_TRUE(v.r == 0.25f && v.g == 0.25f && v.b == 0.25f && v.a == 0.25f);
    const CZtColor c1(0.3f, 0.1f, 0.7f, 0.9f);
    const CZtColor c2(0x80123456u);
    EXPECT_EQ(CZtColor::BlendColors(c1, c2, 0.0f).GetARGBValue(), c1.GetARGBValue());
    EXPECT_EQ(CZtColor::BlendColors(c1, c2, 1.0f).GetARGBValue(), 0x80123456u);
    CZtColor mixed(c1);
    EXPECT_EQ(&mixed.BlendColors(c2, 1.0f), &mixed);
    EXPECT_EQ(mixed.GetARGBValue(), 0x80123456u);
}

TEST(Color, EachChannelSetterWritesItsOwnByte) {
    CZtColor c(0x00000000u);
    c.SetR(1.0f);
    c.SetG(0.5f);
    c.SetB(0.25f);
    c.SetA(0.75f);
    EXPECT_EQ(c.GetARGBValue(), 0xBFFF7F3Fu);  // 191.25, 255, 127.5 and 63.75 truncated
}

}  // namespace
