// The hexadecimal field reader of the GUID text form, for narrow and UTF-16
// text alike.
#ifndef ZOTREL_SRC_IDENTIFIERS_HEXFIELD_H
#define ZOTREL_SRC_IDENTIFIERS_HEXFIELD_H

namespace Varn::detail {

/// Reads up to `count` hexadecimal digits, stopping early at a NUL (the value
/// read so far counts). Any other non-digit makes the value 0 and `valid`
/// false. A UTF-16 unit above 0xFF is never a digit, so reading UTF-16 text
/// gives the same result as reading its Latin-1 form.
template <class Char>
unsigned int ReadHexField(const Char* text, int count, bool& valid) {
    unsigned int value = 0;
    valid = true;
    for (int i = 0; text && i < count && text[i] != 0; ++i) {
        const auto c = text[i];
        unsigned int digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned int>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned int>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned int>(c - 'a' + 10);
        else {
            valid = false;
            return 0;
        }
        value = value * 16 + digit;
    }
    return value;
}

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_IDENTIFIERS_HEXFIELD_H
