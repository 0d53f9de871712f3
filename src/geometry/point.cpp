#include <zotrel/geometry.h>

#include <cstddef>

#include "geometry/convert.h"

namespace Varn {

// The records hold no pointers: one layout for every target.
static_assert(sizeof(ZT_POINT_2F) == 8 && offsetof(ZT_POINT_2F, x) == 0 &&
                  offsetof(ZT_POINT_2F, y) == 4,
              "ZT_POINT_2F layout");
static_assert(sizeof(ZT_POINT_2U) == 8 && offsetof(ZT_POINT_2U, x) == 0 &&
                  offsetof(ZT_POINT_2U, y) == 4,
              "ZT_POINT_2U layout");

using detail::FloatToPixel;
using detail::PixelToFloat;

CZtPoint::CZtPoint() {
    Init(0.0f, 0.0f);
}
CZtPoint::CZtPoint(float newX, float newY) {
    Init(newX, newY);
}
CZtPoint::CZtPoint(const CZtPoint& other) : ZT_POINT_2F() {
    MakeDeepCopy(other);
}
CZtPoint::CZtPoint(const CZtPoint* other) {
    Init(0.0f, 0.0f);
    if (other)
        MakeDeepCopy(*other);
}
CZtPoint::CZtPoint(const ZT_POINT_2F& other) {
    MakeDeepCopy(other);
}
CZtPoint::CZtPoint(const ZT_POINT_2F* other) {
    Init(0.0f, 0.0f);
    if (other)
        MakeDeepCopy(*other);
}
CZtPoint::CZtPoint(const ZT_POINT_2U& other) {
    MakeDeepCopy(other);
}
CZtPoint::CZtPoint(const ZT_POINT_2U* other) {
    Init(0.0f, 0.0f);
    if (other)
        MakeDeepCopy(*other);
}
CZtPoint::~CZtPoint() {
    CleanUp();
}

CZtPoint& CZtPoint::operator=(const CZtPoint& other) {
    if (this != &other)
        SetPoint(other);
    return *this;
}
CZtPoint& CZtPoint::operator=(const CZtPoint* other) {
    if (other && other != this)
        SetPoint(*other);
    return *this;
}
CZtPoint& CZtPoint::operator=(const ZT_POINT_2F& other) {
    SetPoint(other);
    return *this;
}
CZtPoint& CZtPoint::operator=(const ZT_POINT_2F* other) {
    if (other)
        SetPoint(*other);
    return *this;
}
CZtPoint& CZtPoint::operator=(const ZT_POINT_2U& other) {
    SetPoint(other);
    return *this;
}
CZtPoint& CZtPoint::operator=(const ZT_POINT_2U* other) {
    if (other)
        SetPoint(*other);
    return *this;
}

void CZtPoint::SetPoint(const CZtPoint& other) {
    SetPoint(static_cast<const ZT_POINT_2F&>(other));
}
void CZtPoint::SetPoint(const ZT_POINT_2F& other) {
    CleanUp();
    MakeDeepCopy(other);
}
void CZtPoint::SetPoint(const ZT_POINT_2U& other) {
    CleanUp();
    MakeDeepCopy(other);
}

void CZtPoint::GetPoint(CZtPoint& out) const {
    out.x = x;
    out.y = y;
}
void CZtPoint::GetPoint(ZT_POINT_2F& out) const {
    out.x = x;
    out.y = y;
}
void CZtPoint::GetPoint(ZT_POINT_2U& out) const {
    out.x = FloatToPixel(x);
    out.y = FloatToPixel(y);
}
CZtPoint::operator ZT_POINT_2U() const {
    ZT_POINT_2U out;
    GetPoint(out);
    return out;
}

float CZtPoint::GetX() const {
    return x;
}
float CZtPoint::GetY() const {
    return y;
}

CZtPoint CZtPoint::operator+(const CZtPoint& other) const {
    return *this + static_cast<const ZT_POINT_2F&>(other);
}
CZtPoint CZtPoint::operator+(const ZT_POINT_2F& other) const {
    return CZtPoint(x + other.x, y + other.y);
}
CZtPoint CZtPoint::operator+(const ZT_POINT_2U& other) const {
    return *this + CZtPoint(other);
}
CZtPoint CZtPoint::operator-(const CZtPoint& other) const {
    return *this - static_cast<const ZT_POINT_2F&>(other);
}
CZtPoint CZtPoint::operator-(const ZT_POINT_2F& other) const {
    return CZtPoint(x - other.x, y - other.y);
}
CZtPoint CZtPoint::operator-(const ZT_POINT_2U& other) const {
    return *this - CZtPoint(other);
}
CZtPoint& CZtPoint::operator+=(const CZtPoint& other) {
    return *this += static_cast<const ZT_POINT_2F&>(other);
}
CZtPoint& CZtPoint::operator+=(const ZT_POINT_2F& other) {
    Offset(other.x, other.y);
    return *this;
}
CZtPoint& CZtPoint::operator+=(const ZT_POINT_2U& other) {
    Offset(PixelToFloat(other.x), PixelToFloat(other.y));
    return *this;
}
CZtPoint& CZtPoint::operator-=(const CZtPoint& other) {
    return *this -= static_cast<const ZT_POINT_2F&>(other);
}
CZtPoint& CZtPoint::operator-=(const ZT_POINT_2F& other) {
    x -= other.x;
    y -= other.y;
    return *this;
}
CZtPoint& CZtPoint::operator-=(const ZT_POINT_2U& other) {
    return *this -= CZtPoint(other);
}
CZtPoint CZtPoint::operator*(const float& factor) const {
    return CZtPoint(x * factor, y * factor);
}

void CZtPoint::Offset(float dx, float dy) {
    x += dx;
    y += dy;
}
void CZtPoint::Offset(const CZtPoint& delta) {
    Offset(delta.x, delta.y);
}

bool CZtPoint::Equals(const CZtPoint& other) const {
    return Equals(static_cast<const ZT_POINT_2F&>(other));
}
bool CZtPoint::Equals(const ZT_POINT_2F& other) const {
    return x == other.x && y == other.y;
}
bool CZtPoint::Equals(const ZT_POINT_2U& other) const {
    return x == PixelToFloat(other.x) && y == PixelToFloat(other.y);
}
bool CZtPoint::operator==(const CZtPoint& other) const {
    return Equals(other);
}
bool CZtPoint::operator==(const ZT_POINT_2F& other) const {
    return Equals(other);
}
bool CZtPoint::operator==(const ZT_POINT_2U& other) const {
    return Equals(other);
}

void CZtPoint::Init(float newX, float newY) {
    x = newX;
    y = newY;
}
void CZtPoint::MakeDeepCopy(const CZtPoint& other) {
    MakeDeepCopy(static_cast<const ZT_POINT_2F&>(other));
}
void CZtPoint::MakeDeepCopy(const ZT_POINT_2F& other) {
    Init(other.x, other.y);
}
void CZtPoint::MakeDeepCopy(const ZT_POINT_2U& other) {
    Init(PixelToFloat(other.x), PixelToFloat(other.y));
}
// The point holds no resources; kept as the one place to release them.
void CZtPoint::CleanUp() {}

}  // namespace Varn
