// Wide printf for code written against a 16-bit wchar_t C library.
//
// glibc's wide printf reads `%s`/`%c` as narrow and `%ls`/`%lc` as wide, and
// knows none of the `%I64d` family. Our clients expect the opposite text
// rules and those size prefixes, so each format is first rewritten into the
// glibc dialect and then handed to vswprintf, with a buffer that grows until
// the whole result fits.
#include "platform/wideformat.h"

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cwchar>
#include <memory>
#include <new>

namespace Varn::platform {
namespace {

enum class Length { kNone, kHH, kH, kL, kLL, kLongDouble, kJ, kZ, kT, kW, kI, kI32, kI64 };

bool IsDigit(wchar_t ch) {
    return ch >= L'0' && ch <= L'9';
}

// Skips a run of digits followed by '$' (an argument index such as "2$") and
// returns true; leaves `p` alone and returns false when there is none. An
// index of 0 is not an argument and makes `valid` false.
bool SkipArgumentIndex(const wchar_t*& p, bool& valid) {
    const wchar_t* q = p;
    while (IsDigit(*q))
        ++q;
    if (q == p || *q != L'$')
        return false;
    if (*p == L'0')
        valid = false;
    p = q + 1;
    return true;
}

// A width or precision: digits, or '*' which takes an argument (by position
// when followed by "m$"). Counts the arguments it takes.
void SkipNumberOrStar(const wchar_t*& p, bool& valid, int& positional, int& sequential) {
    if (*p == L'*') {
        ++p;
        if (SkipArgumentIndex(p, valid)) {
            ++positional;
        } else {
            ++sequential;
        }
        return;
    }
    while (IsDigit(*p))
        ++p;
}

Length ReadLength(const wchar_t*& p) {
    switch (*p) {
        case L'h':
            ++p;
            if (*p == L'h') {
                ++p;
                return Length::kHH;
            }
            return Length::kH;
        case L'l':
            ++p;
            if (*p == L'l') {
                ++p;
                return Length::kLL;
            }
            return Length::kL;
        case L'L':
            ++p;
            return Length::kLongDouble;
        case L'j':
            ++p;
            return Length::kJ;
        case L'z':
            ++p;
            return Length::kZ;
        case L't':
            ++p;
            return Length::kT;
        case L'w':
            ++p;
            return Length::kW;
        case L'I':
            ++p;
            if (p[0] == L'6' && p[1] == L'4') {
                p += 2;
                return Length::kI64;
            }
            if (p[0] == L'3' && p[1] == L'2') {
                p += 2;
                return Length::kI32;
            }
            return Length::kI;
        default:
            return Length::kNone;
    }
}

// The glibc spelling of an integer conversion's length; null when the
// length does not apply to integers.
const wchar_t* IntegerLength(Length length) {
    switch (length) {
        case Length::kNone:
        case Length::kI32:
            return L"";
        case Length::kHH:
            return L"hh";
        case Length::kH:
            return L"h";
        case Length::kL:
            return L"l";
        case Length::kLL:
        case Length::kI64:
            return L"ll";
        case Length::kJ:
            return L"j";
        case Length::kZ:
        case Length::kI:
            return L"z";
        case Length::kT:
            return L"t";
        case Length::kLongDouble:
        case Length::kW:
            return nullptr;
    }
    return nullptr;
}

// Appends the glibc form of one conversion (length and letter) to `out`;
// false for a combination the client's library would reject.
bool AppendConversion(std::wstring& out, Length length, wchar_t conversion) {
    switch (conversion) {
        case L'd':
        case L'i':
        case L'o':
        case L'u':
        case L'x':
        case L'X': {
            const wchar_t* glibcLength = IntegerLength(length);
            if (!glibcLength)
                return false;
            out += glibcLength;
            out += conversion;
            return true;
        }
        case L'e':
        case L'E':
        case L'f':
        case L'F':
        case L'g':
        case L'G':
        case L'a':
        case L'A':
            if (length == Length::kL) {
                out += L'l';
            } else if (length == Length::kLongDouble) {
                out += L'L';
            } else if (length != Length::kNone) {
                return false;
            }
            out += conversion;
            return true;
        case L'p':
            if (length != Length::kNone)
                return false;
            out += conversion;
            return true;
        case L's':
        case L'c':
        case L'S':
        case L'C': {
            // Lower case is the format's own width (wide), upper case the
            // other one (narrow); h forces narrow, l and w force wide.
            bool wide = conversion == L's' || conversion == L'c';
            if (length == Length::kH) {
                wide = false;
            } else if (length == Length::kL || length == Length::kW) {
                wide = true;
            } else if (length != Length::kNone) {
                return false;
            }
            if (wide)
                out += L'l';
            out += (conversion == L's' || conversion == L'S') ? L's' : L'c';
            return true;
        }
        default:
            // Includes %n: writing through an argument is refused, as the
            // client's library does by default (and a fortified glibc aborts
            // on %n in a format held in writable memory, as ours is).
            return false;
    }
}

// Rewrites `format` into the glibc dialect. False for a malformed format:
// an unknown conversion, a length that does not fit its conversion, a '%'
// at the end, or positional and sequential arguments mixed.
bool RewriteFormat(const wchar_t* format, std::wstring& out) {
    out.clear();
    int positional = 0;
    int sequential = 0;
    bool valid = true;
    const wchar_t* p = format;
    while (*p) {
        if (*p != L'%') {
            out += *p++;
            continue;
        }
        ++p;
        if (*p == L'%') {
            out += L"%%";
            ++p;
            continue;
        }
        // Argument index, flags, width and precision keep their spelling.
        const wchar_t* kept = p;
        const bool byPosition = SkipArgumentIndex(p, valid);
        while (*p == L'-' || *p == L'+' || *p == L' ' || *p == L'#' || *p == L'0' || *p == L'\'')
            ++p;
        SkipNumberOrStar(p, valid, positional, sequential);
        if (*p == L'.') {
            ++p;
            SkipNumberOrStar(p, valid, positional, sequential);
        }
        if (!valid)
            return false;
        out += L'%';
        out.append(kept, p);

        const Length length = ReadLength(p);
        const wchar_t conversion = *p;
        if (conversion == L'\0')
            return false;
        ++p;
        if (!AppendConversion(out, length, conversion))
            return false;
        if (byPosition) {
            ++positional;
        } else {
            ++sequential;
        }
    }
    // glibc quietly accepts a mix and reads arguments with the wrong types.
    return positional == 0 || sequential == 0;
}

// Written into the last cell vswprintf fills before it gives up for lack of
// room. It lies outside Unicode, so a result that really reached that cell
// has (short of an argument that is not text) overwritten it.
constexpr wchar_t kSentinel = static_cast<wchar_t>(0x7FFFFFFF);

// Past this size the result could not be counted in the int vswprintf
// returns, or would not fit the memory of any sensible process.
constexpr std::size_t kMaxBufferChars = static_cast<std::size_t>(INT_MAX) / sizeof(wchar_t);

}  // namespace

bool FormatWide(std::wstring& out, const wchar_t* format, va_list arguments) {
    if (!format)
        return false;
    std::wstring rewritten;
    if (!RewriteFormat(format, rewritten))
        return false;

    const int savedErrno = errno;
    wchar_t stackBuffer[256];
    std::unique_ptr<wchar_t[]> heapBuffer;
    wchar_t* buffer = stackBuffer;
    std::size_t size = sizeof(stackBuffer) / sizeof(stackBuffer[0]);
    for (;;) {
        buffer[size - 2] = kSentinel;
        va_list copy;
        va_copy(copy, arguments);
        errno = 0;
        const int written = std::vswprintf(buffer, size, rewritten.c_str(), copy);
        const int error = errno;
        va_end(copy);
        if (written >= 0) {
            out.assign(buffer, static_cast<std::size_t>(written));
            errno = savedErrno;
            return true;
        }
        // glibc reports "no room" as -1 without errno, after filling the
        // buffer up to its last cell. A -1 that sets errno (EILSEQ for a
        // narrow text the locale cannot convert, EOVERFLOW, EINVAL) is an
        // error; so is a -1 that stopped short of the end (glibc fails a
        // narrow %c it cannot convert without setting errno).
        if (error != 0 || buffer[size - 2] == kSentinel)
            return false;
        if (size > kMaxBufferChars / 2)
            return false;
        size *= 2;
        heapBuffer.reset(new (std::nothrow) wchar_t[size]);
        if (!heapBuffer)
            return false;
        buffer = heapBuffer.get();
    }
}

}  // namespace Varn::platform
