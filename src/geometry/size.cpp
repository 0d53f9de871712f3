#include <zotrel/geometry.h>

#include <cstddef>

#include "geometry/convert.h"

namespace Varn {

static_assert(sizeof(ZT_SIZE_F) == 8 && offsetof(ZT_SIZE_F, width) == 0 &&
                  offsetof(ZT_SIZE_F, height) == 4,
              "ZT_SIZE_F layout");
static_assert(sizeof(ZT_SIZE_U) == 8 && offsetof(ZT_SIZE_U, width) == 0 &&
                  offsetof(ZT_SIZE_U, height) == 4,
              "ZT_SIZE_U layout");

using detail::FloatToPixel;
using detail::PixelToFloat;

CZtSize::CZtSize() {
    Init(0.0f, 0.0f);
}
CZtSize::CZtSize(float newWidth, float newHeight) {
    Init(newWidth, newHeight);
}
CZtSize::CZtSize(const CZtSize& other) : ZT_SIZE_F() {
    MakeDeepCopy(other);
}
CZtSize::CZtSize(const CZtSize* other) {
    Init(0.0f, 0.0f);
    if (other)
        MakeDeepCopy(*other);
}
CZtSize::CZtSize(const ZT_SIZE_F& other) {
    MakeDeepCopy(other);
}
CZtSize::CZtSize(const ZT_SIZE_F* other) {
    Init(0.0f, 0.0f);
    if (other)
        MakeDeepCopy(*other);
}
CZtSize::CZtSize(const ZT_SIZE_U& other) {
    MakeDeepCopy(other);
}
CZtSize::CZtSize(const ZT_SIZE_U* other) {
    Init(0.0f, 0.0f);
    if (other)
        MakeDeepCopy(*other);
}
CZtSize::CZtSize(const ZT_RECT_F& rect) {
    MakeDeepCopy(rect);
}
CZtSize::CZtSize(const ZT_RECT_F* rect) {
    Init(0.0f, 0.0f);
    if (rect)
        MakeDeepCopy(*rect);
}
CZtSize::CZtSize(const ZT_RECT_U& rect) {
    MakeDeepCopy(rect);
}
CZtSize::CZtSize(const ZT_RECT_U* rect) {
    Init(0.0f, 0.0f);
    if (rect)
        MakeDeepCopy(*rect);
}
CZtSize::~CZtSize() {
    CleanUp();
}

CZtSize& CZtSize::operator=(const CZtSize& other) {
    if (this != &other)
        SetSize(other);
    return *this;
}
CZtSize& CZtSize::operator=(const CZtSize* other) {
    if (other && other != this)
        SetSize(*other);
    return *this;
}
CZtSize& CZtSize::operator=(const ZT_SIZE_F& other) {
    SetSize(other);
    return *this;
}
CZtSize& CZtSize::operator=(const ZT_SIZE_F* other) {
    if (other)
        SetSize(*other);
    return *this;
}
CZtSize& CZtSize::operator=(const ZT_SIZE_U& other) {
    SetSize(other);
    return *this;
}
CZtSize& CZtSize::operator=(const ZT_SIZE_U* other) {
    if (other)
        SetSize(*other);
    return *this;
}
CZtSize& CZtSize::operator=(const ZT_RECT_F& rect) {
    CleanUp();
    MakeDeepCopy(rect);
    return *this;
}
CZtSize& CZtSize::operator=(const ZT_RECT_F* rect) {
    return rect ? *this = *rect : *this;
}
CZtSize& CZtSize::operator=(const ZT_RECT_U& rect) {
    CleanUp();
    MakeDeepCopy(rect);
    return *this;
}
CZtSize& CZtSize::operator=(const ZT_RECT_U* rect) {
    return rect ? *this = *rect : *this;
}

void CZtSize::SetSize(const ZT_SIZE_F& other) {
    CleanUp();
    MakeDeepCopy(other);
}
void CZtSize::SetSize(const ZT_SIZE_U& other) {
    CleanUp();
    MakeDeepCopy(other);
}
void CZtSize::GetSize(ZT_SIZE_F& out) const {
    out.width = width;
    out.height = height;
}
void CZtSize::GetSize(ZT_SIZE_U& out) const {
    out.width = FloatToPixel(width);
    out.height = FloatToPixel(height);
}
CZtSize::operator ZT_SIZE_U() const {
    ZT_SIZE_U out;
    GetSize(out);
    return out;
}

float CZtSize::GetWidth() const {
    return width;
}
float CZtSize::GetHeight() const {
    return height;
}

CZtSize CZtSize::operator+(const CZtSize& other) const {
    return *this + static_cast<const ZT_SIZE_F&>(other);
}
CZtSize CZtSize::operator+(const ZT_SIZE_F& other) const {
    return CZtSize(width + other.width, height + other.height);
}
CZtSize CZtSize::operator+(const ZT_SIZE_U& other) const {
    return *this + CZtSize(other);
}
CZtSize CZtSize::operator-(const CZtSize& other) const {
    return *this - static_cast<const ZT_SIZE_F&>(other);
}
CZtSize CZtSize::operator-(const ZT_SIZE_F& other) const {
    return CZtSize(width - other.width, height - other.height);
}
CZtSize CZtSize::operator-(const ZT_SIZE_U& other) const {
    return *this - CZtSize(other);
}
CZtSize& CZtSize::operator+=(const CZtSize& other) {
    return *this += static_cast<const ZT_SIZE_F&>(other);
}
CZtSize& CZtSize::operator+=(const ZT_SIZE_F& other) {
    width += other.width;
    height += other.height;
    return *this;
}
CZtSize& CZtSize::operator+=(const ZT_SIZE_U& other) {
    return *this += CZtSize(other);
}
CZtSize& CZtSize::operator-=(const CZtSize& other) {
    return *this -= static_cast<const ZT_SIZE_F&>(other);
}
CZtSize& CZtSize::operator-=(const ZT_SIZE_F& other) {
    width -= other.width;
    height -= other.height;
    return *this;
}
CZtSize& CZtSize::operator-=(const ZT_SIZE_U& other) {
    return *this -= CZtSize(other);
}

bool CZtSize::Equals(const CZtSize& other) const {
    return Equals(static_cast<const ZT_SIZE_F&>(other));
}
bool CZtSize::Equals(const ZT_SIZE_F& other) const {
    return width == other.width && height == other.height;
}
bool CZtSize::Equals(const ZT_SIZE_U& other) const {
    return Equals(CZtSize(other));
}
bool CZtSize::operator==(const CZtSize& other) const {
    return Equals(other);
}
bool CZtSize::operator==(const ZT_SIZE_F& other) const {
    return Equals(other);
}
bool CZtSize::operator==(const ZT_SIZE_U& other) const {
    return Equals(other);
}

void CZtSize::Multiply(float factor) {
    width *= factor;
    height *= factor;
}
void CZtSize::Reset() {
    Init(0.0f, 0.0f);
}
bool CZtSize::Empty() const {
    return width == 0.0f && height == 0.0f;
}

void CZtSize::Init(float newWidth, float newHeight) {
    width = newWidth;
    height = newHeight;
}
void CZtSize::MakeDeepCopy(const CZtSize& other) {
    MakeDeepCopy(static_cast<const ZT_SIZE_F&>(other));
}
void CZtSize::MakeDeepCopy(const ZT_SIZE_F& other) {
    Init(other.width, other.height);
}
void CZtSize::MakeDeepCopy(const ZT_SIZE_U& other) {
    Init(PixelToFloat(other.width), PixelToFloat(other.height));
}
void CZtSize::MakeDeepCopy(const ZT_RECT_F& rect) {
    Init(rect.right - rect.left, rect.bottom - rect.top);
}
// Unsigned differences wrap when an end edge lies before its start edge.
void CZtSize::MakeDeepCopy(const ZT_RECT_U& rect) {
    Init(PixelToFloat(rect.right - rect.left), PixelToFloat(rect.bottom - rect.top));
}
// The size holds no resources; kept as the one place to release them.
void CZtSize::CleanUp() {}

}  // namespace Varn
