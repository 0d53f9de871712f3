#include "text/numformat.h"

#include "text/stringimpl.h"

namespace Varn::detail {

namespace {

// "00", "01", ... "99": two digits per division halves the chain of
// dependent divisions that dominates short numbers.
struct DigitPairs {
    char16_t units[200];
    constexpr DigitPairs() : units() {
        for (int i = 0; i < 100; ++i) {
            units[2 * i] = static_cast<char16_t>(u'0' + i / 10);
            units[2 * i + 1] = static_cast<char16_t>(u'0' + i % 10);
        }
    }
};
constexpr DigitPairs kPairs;

// How many decimal digits `value` has (1 to 20), by comparison only.
int DigitCount(unsigned long long value) {
    int count = 1;
    for (unsigned long long bound = 10; value >= bound; bound *= 10) {
        ++count;
        if (count == 20)  // 10^19 is the last power of ten below 2^64
            break;
    }
    return count;
}

// The digits of `magnitude`, after a '-' when `negative`, written straight
// into a text of the exact length that has room for its body after it.
QString Digits(unsigned long long magnitude, bool negative) {
    const int digits = DigitCount(magnitude);
    const int sign = negative ? 1 : 0;
    QString text = CZtStringImpl::TextWithRoom(sign + digits);
    char16_t* const first = reinterpret_cast<char16_t*>(text.data());
    char16_t* next = first + sign + digits;
    while (magnitude >= 100) {
        const unsigned int pair = static_cast<unsigned int>(magnitude % 100);
        magnitude /= 100;
        next -= 2;
        next[0] = kPairs.units[2 * pair];
        next[1] = kPairs.units[2 * pair + 1];
    }
    if (magnitude >= 10) {
        next -= 2;
        next[0] = kPairs.units[2 * magnitude];
        next[1] = kPairs.units[2 * magnitude + 1];
    } else {
        *--next = static_cast<char16_t>(u'0' + magnitude);
    }
    if (negative)
        *first = u'-';
    return text;
}

}  // namespace

QString DecimalText(long long value) {
    // The magnitude in unsigned arithmetic, where negating LLONG_MIN is defined.
    const unsigned long long bits = static_cast<unsigned long long>(value);
    return Digits(value < 0 ? 0 - bits : bits, value < 0);
}

QString DecimalText(unsigned long long value) {
    return Digits(value, false);
}

}  // namespace Varn::detail
