// Conversions between float coordinates and whole pixels, shared by the
// geometry classes.
#ifndef ZOTREL_GEOMETRY_CONVERT_H
#define ZOTREL_GEOMETRY_CONVERT_H

#include <cmath>

namespace Varn {
namespace detail {

/// The exact unsigned value rounded to the nearest float.
inline float PixelToFloat(unsigned int value) {
    return static_cast<float>(value);
}

/// Truncates toward zero and keeps the result modulo 2^32: the low 32 bits of
/// the 64-bit truncation, so -1.0f gives 0xFFFFFFFF.
///
/// Below 2^63 in magnitude the 64-bit truncation is defined and exact. Every
/// finite float at or beyond that is a multiple of 2^40, so its low 32 bits
/// are 0; the infinities and NaN give 0 as well, instead of the undefined
/// result of casting a float that no 64-bit integer can hold.
inline unsigned int FloatToPixel(float value) {
    constexpr float kTwoTo63 = 9223372036854775808.0f;
    if (!(std::fabs(value) < kTwoTo63))
        return 0;
    return static_cast<unsigned int>(
        static_cast<unsigned long long>(static_cast<long long>(value)));
}

}  // namespace detail
}  // namespace Varn

#endif  // ZOTREL_GEOMETRY_CONVERT_H
