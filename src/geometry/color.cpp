#include <zotrel/color.h>

#include <cstddef>

namespace Varn {

static_assert(sizeof(ZTCOLORVALUE) == 16 && offsetof(ZTCOLORVALUE, r) == 0 &&
                  offsetof(ZTCOLORVALUE, g) == 4 && offsetof(ZTCOLORVALUE, b) == 8 &&
                  offsetof(ZTCOLORVALUE, a) == 12,
              "ZTCOLORVALUE layout");

// The exported constants (their values are in the class).
const unsigned int CZtColor::sc_redMask;
const unsigned int CZtColor::sc_redShift;
const unsigned int CZtColor::sc_greenMask;
const unsigned int CZtColor::sc_greenShift;
const unsigned int CZtColor::sc_blueMask;
const unsigned int CZtColor::sc_blueShift;

namespace {

// 1/255 as a double: a byte times this, rounded to float, is its channel.
constexpr double kByteToChannel = 0.00392156862745098;
constexpr unsigned int kAlphaShift = 24;

float ByteToChannel(unsigned int byte) {
    return static_cast<float>(byte * kByteToChannel);
}

// Channel × 255 truncated toward zero, kept inside one byte: a channel above
// 1.0 must not spill into the neighbouring channel's byte, and a negative or
// NaN channel (whose cast would be undefined) packs as 0.
unsigned int ChannelToByte(float channel) {
    const float scaled = channel * 255.0f;
    if (!(scaled > 0.0f))
        return 0;
    if (scaled >= 255.0f)
        return 255;
    return static_cast<unsigned int>(scaled);
}

unsigned int ByteAt(unsigned int packed, unsigned int shift) {
    return (packed >> shift) & 0xFFu;
}

}  // namespace

CZtColor::CZtColor() : m_color() {
    MakeDeepCopy(0x00FFFFFFu);
}
CZtColor::CZtColor(unsigned int argb) : m_color() {
    MakeDeepCopy(argb);
}
CZtColor::CZtColor(unsigned int rgb, float alpha) : m_color() {
    Init(rgb, alpha);
}
CZtColor::CZtColor(float a, float r, float g, float b) : m_color() {
    MakeDeepCopy(a, r, g, b);
}
CZtColor::CZtColor(const CZtColor& other) : m_color() {
    MakeDeepCopy(other);
}
CZtColor::~CZtColor() {
    CleanUp();
}

CZtColor& CZtColor::operator=(const CZtColor& other) {
    if (this != &other) {
        CleanUp();
        MakeDeepCopy(other);
    }
    return *this;
}
CZtColor& CZtColor::operator=(const unsigned int& argb) {
    SetFromARGBValue(argb);
    return *this;
}
void CZtColor::SetFromARGBValue(const unsigned int& argb) {
    CleanUp();
    MakeDeepCopy(argb);
}
unsigned int CZtColor::GetARGBValue() const {
    return ChannelToByte(m_color.a) << kAlphaShift | ChannelToByte(m_color.r) << sc_redShift |
           ChannelToByte(m_color.g) << sc_greenShift | ChannelToByte(m_color.b) << sc_blueShift;
}
void CZtColor::SetFromPBGRAValue(const unsigned int& bgra) {
    m_color.b = ByteToChannel(ByteAt(bgra, 24));
    m_color.g = ByteToChannel(ByteAt(bgra, 16));
    m_color.r = ByteToChannel(ByteAt(bgra, 8));
    m_color.a = ByteToChannel(ByteAt(bgra, 0));
}
unsigned int CZtColor::GetPBGRAValue() const {
    return ChannelToByte(m_color.b) << 24 | ChannelToByte(m_color.g) << 16 |
           ChannelToByte(m_color.r) << 8 | ChannelToByte(m_color.a);
}

float CZtColor::GetA() const {
    return m_color.a;
}
float CZtColor::GetR() const {
    return m_color.r;
}
float CZtColor::GetG() const {
    return m_color.g;
}
float CZtColor::GetB() const {
    return m_color.b;
}
void CZtColor::SetA(float a) {
    m_color.a = a;
}
void CZtColor::SetR(float r) {
    m_color.r = r;
}
void CZtColor::SetG(float g) {
    m_color.g = g;
}
void CZtColor::SetB(float b) {
    m_color.b = b;
}

CZtColor::operator const ZTCOLORVALUE&() const {
    return m_color;
}

void CZtColor::Init(unsigned int rgb, float alpha, ZTCOLORVALUE& out) {
    out.r = ByteToChannel((rgb & sc_redMask) >> sc_redShift);
    out.g = ByteToChannel((rgb & sc_greenMask) >> sc_greenShift);
    out.b = ByteToChannel((rgb & sc_blueMask) >> sc_blueShift);
    out.a = alpha;
}

void CZtColor::SetTransparentAlpha(float factor) {
    m_color.a *= factor;
}
void CZtColor::SetTransparentAlpha(unsigned char value) {
    m_color.a = m_color.a * static_cast<float>(value) / 255.0f;
}
void CZtColor::SetTransparency(float transparency) {
    m_color.a *= 1.0f - transparency;
}
void CZtColor::SetTransparency(unsigned char transparency) {
    m_color.a = m_color.a * static_cast<float>(255 - transparency) / 255.0f;
}
// The factor 2.55 is the float 2.55f (slightly below 2.55) and the product is
// taken in double precision, so 100 percent leaves a tiny non-zero alpha.
void CZtColor::SetTransparencyPercent(unsigned char percent) {
    const double factor =
        1.0 - static_cast<double>(percent) * static_cast<double>(2.55f) * kByteToChannel;
    m_color.a = static_cast<float>(m_color.a * factor);
}
bool CZtColor::HasTransparency() const {
    return m_color.a != 1.0f;
}

CZtColor CZtColor::BlendColors(const CZtColor& c1, const CZtColor& c2, const float& t) {
    const float u = 1.0f - t;
    const ZTCOLORVALUE& p = c1.m_color;
    const ZTCOLORVALUE& q = c2.m_color;
    return CZtColor(t * q.a + u * p.a, t * q.r + u * p.r, t * q.g + u * p.g, t * q.b + u * p.b);
}
const CZtColor& CZtColor::BlendColors(const CZtColor& c2, const float& t) {
    *this = BlendColors(*this, c2, t);
    return *this;
}

void CZtColor::Init(unsigned int rgb, float alpha) {
    Init(rgb, alpha, m_color);
}
void CZtColor::MakeDeepCopy(const CZtColor& other) {
    m_color = other.m_color;
}
void CZtColor::MakeDeepCopy(const unsigned int& argb) {
    Init(argb, ByteToChannel(ByteAt(argb, kAlphaShift)));
}
void CZtColor::MakeDeepCopy(float a, float r, float g, float b) {
    m_color.r = r;
    m_color.g = g;
    m_color.b = b;
    m_color.a = a;
}
// The colour holds no resources; kept as the one place to release them.
void CZtColor::CleanUp() {}

}  // namespace Varn
