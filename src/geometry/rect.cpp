#include <zotrel/geometry.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "geometry/convert.h"

namespace Varn {

static_assert(sizeof(ZT_RECT_F) == 16 && offsetof(ZT_RECT_F, left) == 0 &&
                  offsetof(ZT_RECT_F, top) == 4 && offsetof(ZT_RECT_F, right) == 8 &&
                  offsetof(ZT_RECT_F, bottom) == 12,
              "ZT_RECT_F layout");
static_assert(sizeof(ZT_RECT_U) == 16 && offsetof(ZT_RECT_U, left) == 0 &&
                  offsetof(ZT_RECT_U, top) == 4 && offsetof(ZT_RECT_U, right) == 8 &&
                  offsetof(ZT_RECT_U, bottom) == 12,
              "ZT_RECT_U layout");

using detail::FloatToPixel;
using detail::PixelToFloat;

namespace {

// The single-precision epsilon, 2^-23: the smallest width or height that
// still counts as an area.
constexpr float kEmptyAreaLimit = 1.1920928955078125e-07f;

}  // namespace

CZtRect::CZtRect() {
    Init(0.0f, 0.0f, 0.0f, 0.0f);
}
CZtRect::CZtRect(float newLeft, float newTop, float newRight, float newBottom) {
    Init(newLeft, newTop, newRight, newBottom);
}
CZtRect::CZtRect(const CZtRect& other) : ZT_RECT_F() {
    MakeDeepCopy(other);
}
CZtRect::CZtRect(const CZtRect* other) {
    Init(0.0f, 0.0f, 0.0f, 0.0f);
    if (other)
        MakeDeepCopy(*other);
}
CZtRect::CZtRect(const ZT_RECT_F& other) {
    MakeDeepCopy(other);
}
CZtRect::CZtRect(const ZT_RECT_F* other) {
    Init(0.0f, 0.0f, 0.0f, 0.0f);
    if (other)
        MakeDeepCopy(*other);
}
CZtRect::CZtRect(const ZT_RECT_U& other) {
    MakeDeepCopy(other);
}
CZtRect::CZtRect(const ZT_RECT_U* other) {
    Init(0.0f, 0.0f, 0.0f, 0.0f);
    if (other)
        MakeDeepCopy(*other);
}
CZtRect::CZtRect(const ZT_POINT_2F& start, const ZT_SIZE_F& end) {
    MakeDeepCopy(start, end);
}
CZtRect::CZtRect(const ZT_POINT_2U& start, const ZT_SIZE_U& end) {
    MakeDeepCopy(start, end);
}
CZtRect::CZtRect(const ZT_POINT_2F* start, const ZT_SIZE_F* end) {
    Init(0.0f, 0.0f, 0.0f, 0.0f);
    if (start && end)
        MakeDeepCopy(*start, *end);
}
CZtRect::CZtRect(const ZT_POINT_2U* start, const ZT_SIZE_U* end) {
    Init(0.0f, 0.0f, 0.0f, 0.0f);
    if (start && end)
        MakeDeepCopy(*start, *end);
}
CZtRect::~CZtRect() {
    CleanUp();
}

CZtRect& CZtRect::operator=(const CZtRect& other) {
    if (this != &other)
        SetRect(other);
    return *this;
}
CZtRect& CZtRect::operator=(const CZtRect* other) {
    if (other && other != this)
        SetRect(*other);
    return *this;
}
CZtRect& CZtRect::operator=(const ZT_RECT_F& other) {
    SetRect(other);
    return *this;
}
CZtRect& CZtRect::operator=(const ZT_RECT_F* other) {
    if (other)
        SetRect(*other);
    return *this;
}
CZtRect& CZtRect::operator=(const ZT_RECT_U& other) {
    SetRect(other);
    return *this;
}
CZtRect& CZtRect::operator=(const ZT_RECT_U* other) {
    if (other)
        SetRect(*other);
    return *this;
}
CZtRect& CZtRect::operator=(const ZT_SIZE_F& size) {
    CleanUp();
    Init(0.0f, 0.0f, size.width, size.height);
    return *this;
}
CZtRect& CZtRect::operator=(const ZT_SIZE_F* size) {
    return size ? *this = *size : *this;
}
CZtRect& CZtRect::operator=(const ZT_SIZE_U& size) {
    CleanUp();
    Init(0.0f, 0.0f, PixelToFloat(size.width), PixelToFloat(size.height));
    return *this;
}
CZtRect& CZtRect::operator=(const ZT_SIZE_U* size) {
    return size ? *this = *size : *this;
}
void CZtRect::SetRect(const ZT_RECT_F& other) {
    CleanUp();
    MakeDeepCopy(other);
}
void CZtRect::SetRect(const ZT_RECT_U& other) {
    CleanUp();
    MakeDeepCopy(other);
}

void CZtRect::GetRect(ZT_RECT_F& out) const {
    out = *this;
}
void CZtRect::GetRect(ZT_RECT_U& out) const {
    out.left = FloatToPixel(left);
    out.top = FloatToPixel(top);
    out.right = FloatToPixel(right);
    out.bottom = FloatToPixel(bottom);
}
CZtRect::operator ZT_RECT_U() const {
    ZT_RECT_U out;
    GetRect(out);
    return out;
}

CZtRect* CZtRect::Clone() const {
    return new CZtRect(*this);
}

float CZtRect::GetX() const {
    return left;
}
float CZtRect::GetY() const {
    return top;
}
void CZtRect::SetX(float x) {
    left = x;
}
void CZtRect::SetY(float y) {
    top = y;
}
float CZtRect::GetWidth() const {
    return std::fabs(right - left);
}
float CZtRect::GetHeight() const {
    return std::fabs(bottom - top);
}
void CZtRect::SetWidth(float width) {
    right = left + width;
}
void CZtRect::SetHeight(float height) {
    bottom = top + height;
}

void CZtRect::GetLocation(CZtPoint& out) const {
    out = CZtPoint(left, top);
}
void CZtRect::GetLocationSize(CZtSize& out) const {
    out = CZtSize(left, top);
}
void CZtRect::GetEndLocation(CZtPoint& out) const {
    out = CZtPoint(right, bottom);
}
void CZtRect::GetEndLocationSize(CZtSize& out) const {
    out = CZtSize(right, bottom);
}
void CZtRect::GetSize(CZtSize& out) const {
    out = CZtSize(GetWidth(), GetHeight());
}
void CZtRect::GetLocationRect(CZtRect& out) const {
    out = CZtRect(0.0f, 0.0f, GetWidth(), GetHeight());
}
void CZtRect::GetBounds(CZtRect& out) const {
    out = *this;
}

CZtPoint CZtRect::Origin() const {
    return CZtPoint(left, top);
}
CZtPoint CZtRect::Center() const {
    return CZtPoint(GetWidth() / 2.0f, GetHeight() / 2.0f);
}
CZtPoint CZtRect::CenterAbsolute() const {
    return CZtPoint(left + GetWidth() / 2.0f, top + GetHeight() / 2.0f);
}

void CZtRect::Inflate(float dx, float dy) {
    left -= dx;
    top -= dy;
    right += dx;
    bottom += dy;
}
void CZtRect::Deflate(float dx, float dy) {
    Inflate(-dx, -dy);
}
void CZtRect::Offset(float dx, float dy) {
    left += dx;
    top += dy;
    right += dx;
    bottom += dy;
}
void CZtRect::Offset(const CZtPoint& delta) {
    Offset(delta.x, delta.y);
}

void CZtRect::Empty() {
    Init(0.0f, 0.0f, 0.0f, 0.0f);
}
// Written as "not above" so that a NaN width or height counts as empty.
bool CZtRect::IsEmptyArea() const {
    return !(GetWidth() > kEmptyAreaLimit) || !(GetHeight() > kEmptyAreaLimit);
}

bool CZtRect::Equals(const CZtRect& other) const {
    return Equals(static_cast<const ZT_RECT_F&>(other));
}
bool CZtRect::Equals(const ZT_RECT_F& other) const {
    return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
}
bool CZtRect::Equals(const ZT_RECT_U& other) const {
    return Equals(CZtRect(other));
}
bool CZtRect::operator==(const CZtRect& other) const {
    return Equals(other);
}
bool CZtRect::operator==(const ZT_RECT_F& other) const {
    return Equals(other);
}
bool CZtRect::operator==(const ZT_RECT_U& other) const {
    return Equals(other);
}

bool CZtRect::Contains(float x, float y) const {
    return left <= x && x < right && top <= y && y < bottom;
}
bool CZtRect::Contains(const CZtPoint& point) const {
    return Contains(point.x, point.y);
}
bool CZtRect::Contains(const CZtRect& r) const {
    return r.left >= left && r.top >= top && r.right <= right && r.bottom <= bottom;
}
bool CZtRect::IntersectsWith(const CZtRect& r) const {
    return r.right > left && r.bottom > top && r.left < right && r.top < bottom;
}

// Both combine into a temporary first, so `out` may be `a` or `b`.
bool CZtRect::Intersect(const CZtRect& a, const CZtRect& b, CZtRect& out) {
    out = CZtRect(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                  std::min(a.bottom, b.bottom));
    return !out.IsEmptyArea();
}
bool CZtRect::Intersect(const CZtRect& r) {
    return Intersect(*this, r, *this);
}
bool CZtRect::Union(const CZtRect& a, const CZtRect& b, CZtRect& out) {
    out = CZtRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                  std::max(a.bottom, b.bottom));
    return !out.IsEmptyArea();
}

void CZtRect::NormalizeRect() {
    if (bottom < top)
        std::swap(top, bottom);
    if (right < left)
        std::swap(left, right);
}

void CZtRect::Init(float newLeft, float newTop, float newRight, float newBottom) {
    left = newLeft;
    top = newTop;
    right = newRight;
    bottom = newBottom;
}
void CZtRect::MakeDeepCopy(const CZtRect& other) {
    MakeDeepCopy(static_cast<const ZT_RECT_F&>(other));
}
void CZtRect::MakeDeepCopy(const ZT_RECT_F& other) {
    Init(other.left, other.top, other.right, other.bottom);
}
void CZtRect::MakeDeepCopy(const ZT_RECT_U& other) {
    Init(PixelToFloat(other.left), PixelToFloat(other.top), PixelToFloat(other.right),
         PixelToFloat(other.bottom));
}
// The size record carries the end corner, not an extent.
void CZtRect::MakeDeepCopy(const ZT_POINT_2F& start, const ZT_SIZE_F& end) {
    Init(start.x, start.y, end.width, end.height);
}
void CZtRect::MakeDeepCopy(const ZT_POINT_2U& start, const ZT_SIZE_U& end) {
    Init(PixelToFloat(start.x), PixelToFloat(start.y), PixelToFloat(end.width),
         PixelToFloat(end.height));
}
// The rectangle holds no resources; kept as the one place to release them.
void CZtRect::CleanUp() {}

}  // namespace Varn
