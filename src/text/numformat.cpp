#include "text/numformat.h"

namespace Varn::detail {

namespace {

// The digits of `magnitude`, after a '-' when `negative`, written straight
// into a text of the exact length.
QString Digits(unsigned long long magnitude, bool negative) {
    int length = negative ? 2 : 1;
    for (unsigned long long rest = magnitude / 10; rest != 0; rest /= 10)
        ++length;
    QString text(length, Qt::Uninitialized);
    QChar* const first = text.data();
    QChar* digit = first + length;
    do {
        *--digit = QChar(static_cast<char16_t>(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative)
        *first = QChar(u'-');
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
