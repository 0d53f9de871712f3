// Conversions between the platform's wide text and the UTF-16 that every
// text of the library holds.
#ifndef ZOTREL_SRC_TEXT_WIDETEXT_H
#define ZOTREL_SRC_TEXT_WIDETEXT_H

#include <QString>

#include <cwchar>

namespace Varn::detail {

/// Wide text of `length` characters (-1: up to the NUL) as UTF-16; a null
/// pointer or a negative length other than -1 gives an empty text.
QString QStringFromWide(const wchar_t* text, int length);
/// One wide character as UTF-16 (one unit, or a surrogate pair beyond the BMP).
QString QStringFromWide(wchar_t ch);
/// One wide character as a single UTF-16 unit, for the operations that work
/// unit by unit; a character beyond the BMP becomes U+FFFD.
QChar QCharFromWide(wchar_t ch);
/// Latin-1 text of `length` bytes (-1: up to the NUL); null gives empty.
QString QStringFromLatin1(const char* text, int length);
/// One Latin-1 character.
inline QChar QCharFromLatin1(char ch) {
    return QChar(QLatin1Char(ch));
}
/// UTF-16 text as the platform's wide text, NUL-terminated, in a block of
/// its own that the caller frees with std::free.
wchar_t* NewWideText(const QString& text);
/// UTF-16 text as Latin-1, NUL-terminated, each code unit outside Latin-1
/// replaced by '?' (what QString::toLatin1 gives), in a block of its own that
/// the caller frees with std::free.
char* NewLatin1Text(const QString& text);

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_TEXT_WIDETEXT_H
