// The hexadecimal field reader of the GUID text form, for narrow and UTF-16
// text alike.
#ifndef ZOTREL_SRC_IDENTIFIERS_HEXFIELD_H
#define ZOTREL_SRC_IDENTIFIERS_HEXFIELD_H

#include <type_traits>

namespace Varn::detail {

/// The value of every hexadecimal digit character, 0xFF for the others.
struct HexDigitTable {
    unsigned char value[256];
    constexpr HexDigitTable() : value() {
        for (int c = 0; c < 256; ++c)
            value[c] = 0xFF;
        for (int c = '0'; c <= '9'; ++c)
            value[c] = static_cast<unsigned char>(c - '0');
        for (int c = 'A'; c <= 'F'; ++c)
            value[c] = static_cast<unsigned char>(c - 'A' + 10);
        for (int c = 'a'; c <= 'f'; ++c)
            value[c] = static_cast<unsigned char>(c - 'a' + 10);
    }
};
inline constexpr HexDigitTable kHexDigits;

/// Reads up to `count` hexadecimal digits, stopping early at a NUL (the value
/// read so far counts). Any other non-digit makes the value 0 and `valid`
/// false. A UTF-16 unit above 0xFF is never a digit, so reading UTF-16 text
/// gives the same result as reading its Latin-1 form.
template <class Char>
unsigned int ReadHexField(const Char* text, int count, bool& valid) {
    unsigned int value = 0;
    valid = true;
    for (int i = 0; text && i < count && text[i] != 0; ++i) {
        const auto unit =
            static_cast<unsigned int>(static_cast<std::make_unsigned_t<Char>>(text[i]));
        const unsigned int digit = unit < 256 ? kHexDigits.value[unit] : 0xFFu;
        if (digit == 0xFFu) {
            valid = false;
            return 0;
        }
        value = value * 16 + digit;
    }
    return value;
}

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_IDENTIFIERS_HEXFIELD_H
