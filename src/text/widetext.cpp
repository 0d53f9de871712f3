#include "text/widetext.h"

#include <cstring>

namespace Varn::detail {

namespace {
constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;
}

QString QStringFromWide(const wchar_t* text, int length) {
    if (!text || length < -1)
        return QString();
    if (length == -1)
        length = static_cast<int>(std::wcslen(text));
    if (length == 0)
        return QString();
    return QString::fromWCharArray(text, length);
}

QString QStringFromWide(wchar_t ch) {
    if (kWideIsUtf16 || static_cast<unsigned long>(ch) < 0x10000u)
        return QString(QChar(static_cast<char16_t>(ch)));
    const char32_t unit = static_cast<char32_t>(ch);
    if (unit > 0x10FFFFu)
        return QString(QChar(QChar::ReplacementCharacter));
    return QString::fromUcs4(&unit, 1);
}

QChar QCharFromWide(wchar_t ch) {
    const unsigned long code = static_cast<unsigned long>(ch);
    return code < 0x10000u ? QChar(static_cast<char16_t>(code))
                           : QChar(QChar::ReplacementCharacter);
}

QString QStringFromLatin1(const char* text, int length) {
    if (!text || length < -1)
        return QString();
    if (length == -1)
        length = static_cast<int>(std::strlen(text));
    return QString::fromLatin1(text, length);
}

std::wstring WideFromQString(const QString& text) {
    std::wstring out;
    if constexpr (kWideIsUtf16) {
        out.assign(reinterpret_cast<const wchar_t*>(text.utf16()), text.size());
    } else {
        // UTF-16 to UTF-32; an unpaired surrogate is kept as its own unit so
        // that no input is lost.
        out.reserve(text.size());
        const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
        const int n = text.size();
        for (int i = 0; i < n; ++i) {
            const char16_t u = units[i];
            if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(units[i + 1])) {
                out.push_back(static_cast<wchar_t>(QChar::surrogateToUcs4(u, units[i + 1])));
                ++i;
            } else {
                out.push_back(static_cast<wchar_t>(u));
            }
        }
    }
    return out;
}

}  // namespace Varn::detail
