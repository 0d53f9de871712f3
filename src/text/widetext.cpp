#include "text/widetext.h"

#include <cstdlib>
#include <cstring>
#include <new>

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

namespace {

// A block of `count` objects of T; throws std::bad_alloc as `new` does.
template <class T>
T* AllocateUnits(std::size_t count) {
    void* block = std::malloc(count * sizeof(T));
    if (!block)
        throw std::bad_alloc();
    return static_cast<T*>(block);
}

}  // namespace

wchar_t* NewWideText(const QString& text) {
    const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
    const int n = text.size();
    // UTF-32 never needs more units than UTF-16.
    wchar_t* out = AllocateUnits<wchar_t>(static_cast<std::size_t>(n) + 1);
    wchar_t* next = out;
    if constexpr (kWideIsUtf16) {
        std::memcpy(next, units, static_cast<std::size_t>(n) * sizeof(wchar_t));
        next += n;
    } else {
        // UTF-16 to UTF-32; an unpaired surrogate is kept as its own unit so
        // that no input is lost.
        for (int i = 0; i < n; ++i) {
            const char16_t u = units[i];
            if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(units[i + 1])) {
                *next++ = static_cast<wchar_t>(QChar::surrogateToUcs4(u, units[i + 1]));
                ++i;
            } else {
                *next++ = static_cast<wchar_t>(u);
            }
        }
    }
    *next = L'\0';
    return out;
}

char* NewLatin1Text(const QString& text) {
    const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
    const int n = text.size();
    char* out = AllocateUnits<char>(static_cast<std::size_t>(n) + 1);
    for (int i = 0; i < n; ++i)
        out[i] = units[i] < 0x100 ? static_cast<char>(units[i]) : '?';
    out[n] = '\0';
    return out;
}

}  // namespace Varn::detail
