// Numeric reading of text: the saturating integer parse and the
// floating-point parse with Windows locale identifiers.
#ifndef ZOTREL_SRC_TEXT_NUMPARSE_H
#define ZOTREL_SRC_TEXT_NUMPARSE_H

#include <QString>

#include <limits>
#include <type_traits>

namespace Varn::detail {

/// The result of a saturating 64-bit read: the text read as a signed value
/// when it fits, else as an unsigned value.
struct IntegerRead {
    bool ok = false;
    bool isUnsigned = false;
    long long signedValue = 0;
    unsigned long long unsignedValue = 0;
};

IntegerRead ReadInteger(const QString& text, int base);

/// Reads `text` in `base` into the range of T: values outside the range
/// saturate to its limits and still count as read. Not read: 0, ok false.
template <class T>
T SaturatingParse(const QString& text, int base, bool* ok) {
    static_assert(std::is_integral_v<T>, "integer targets only");
    using Limits = std::numeric_limits<T>;
    bool localOk = false;
    bool& flag = ok ? *ok : localOk;
    const IntegerRead r = ReadInteger(text, base);
    flag = r.ok;
    if (!r.ok)
        return 0;
    if (!r.isUnsigned) {
        if constexpr (std::is_signed_v<T>) {
            if (r.signedValue > static_cast<long long>(Limits::max()))
                return Limits::max();
            if (r.signedValue < static_cast<long long>(Limits::lowest()))
                return Limits::lowest();
            return static_cast<T>(r.signedValue);
        } else {
            if (r.signedValue < 0)
                return 0;
            if (static_cast<unsigned long long>(r.signedValue) > Limits::max())
                return Limits::max();
            return static_cast<T>(r.signedValue);
        }
    }
    if (r.unsignedValue > static_cast<unsigned long long>(Limits::max()))
        return Limits::max();
    return static_cast<T>(r.unsignedValue);
}

/// The base the members without a base argument use: 16 after "0x"/"0X".
int AutoBase(const QString& text);

/// Reads a floating-point text: locale 0 is the C locale, any other value a
/// Windows locale identifier (unknown ones fail). Not read: 0, ok false.
double ParseDouble(const QString& text, unsigned int lcid, bool* ok);

/// The value clamped into the finite range of T (float or double).
template <class T>
T ClampToFloating(double value) {
    using Limits = std::numeric_limits<T>;
    if (value > static_cast<double>(Limits::max()))
        return Limits::max();
    if (value < static_cast<double>(Limits::lowest()))
        return Limits::lowest();
    return static_cast<T>(value);
}

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_TEXT_NUMPARSE_H
