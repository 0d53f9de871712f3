#include "render.h"

#include "time/calendar.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace Varn::trace {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Bytes of one code point in a line: UTF-8, with a line break written as a
// backslash and a letter.
std::size_t EncodedLength(char32_t c) {
    if (c == '\n' || c == '\r')
        return 2;
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

char* Encode(char* out, char32_t c) {
    if (c == '\n' || c == '\r') {
        *out++ = '\\';
        *out++ = c == '\n' ? 'n' : 'r';
    } else if (c < 0x80) {
        *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// The code point at `p`, which moves past it: a UTF-16 pair in two wide
// units is one code point; surrogates alone and values beyond Unicode are
// replaced.
char32_t NextWide(const wchar_t*& p) {
    char32_t c = static_cast<char32_t>(*p++);
    if (c >= 0xD800 && c <= 0xDBFF && *p >= 0xDC00 && *p <= 0xDFFF)
        return 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(*p++) - 0xDC00);
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        return kReplacement;
    return c;
}

char* Allocate(std::size_t length) {
    char* copy = static_cast<char*>(std::malloc(length + 1));
    if (copy)
        copy[length] = '\0';
    return copy;
}

// Length of the valid UTF-8 sequence at `p` (1..4), or 0 when it is not one:
// no overlong forms, no surrogates, nothing above U+10FFFF.
std::size_t Utf8SequenceLength(const unsigned char* p) {
    const unsigned char b = p[0];
    if (b < 0x80)
        return 1;
    auto cont = [](unsigned char c) { return (c & 0xC0) == 0x80; };
    if (b >= 0xC2 && b <= 0xDF)
        return cont(p[1]) ? 2 : 0;
    if (b >= 0xE0 && b <= 0xEF) {
        if (!cont(p[1]) || !cont(p[2]))
            return 0;
        if ((b == 0xE0 && p[1] < 0xA0) || (b == 0xED && p[1] >= 0xA0))
            return 0;
        return 3;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        if (!cont(p[1]) || !cont(p[2]) || !cont(p[3]))
            return 0;
        if ((b == 0xF0 && p[1] < 0x90) || (b == 0xF4 && p[1] >= 0x90))
            return 0;
        return 4;
    }
    return 0;
}

// Integers: one small routine for every width, so a line's code stays
// compact (it runs right after the kernel's write has cooled the caches).
// The digits are written backwards into a scratch, then copied.
void AppendUnsigned(LineBuilder& out, unsigned long long value, bool hex, bool negative = false) {
    char scratch[24];
    char* p = scratch + sizeof scratch;
    if (hex) {
        do {
            *--p = "0123456789abcdef"[value & 15];
            value >>= 4;
        } while (value);
    } else {
        do {
            *--p = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value);
    }
    if (negative)
        *--p = '-';
    out.Append(p, static_cast<std::size_t>(scratch + sizeof scratch - p));
}

// Signed values in decimal; in hexadecimal, the two's complement of their
// width (`bits` of 32 or 64).
void AppendSigned(LineBuilder& out, long long value, bool hex, int bits) {
    if (hex) {
        const unsigned long long mask = bits == 32 ? 0xFFFFFFFFull : ~0ull;
        AppendUnsigned(out, static_cast<unsigned long long>(value) & mask, true);
    } else {
        const bool negative = value < 0;
        const unsigned long long magnitude = negative
                                                 ? 0ull - static_cast<unsigned long long>(value)
                                                 : static_cast<unsigned long long>(value);
        AppendUnsigned(out, magnitude, false, negative);
    }
}

void AppendTwo(char* at, int value) {
    at[0] = static_cast<char>('0' + value / 10);
    at[1] = static_cast<char>('0' + value % 10);
}

// Writes `value` as "%.15g" does when it is a decimal of at most 15 digits
// with at most 15 of them after the point (3.25, 0.5, 1234.5678, 42), the
// common case, without the tables of the general conversions. Such a value
// times a power of ten rounds to an integer N below 10^15; N / 10^k lies
// within half a unit in the last place of the value, closer than any other
// 15-digit decimal (their spacing is more than nine units), so its digits
// are the ones "%.15g" rounds to. False, writing nothing, for other values.
bool AppendShortDecimal(LineBuilder& out, double value) {
    static constexpr double kPowers[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                           1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negative = std::signbit(value);
    const double magnitude = negative ? -value : value;
    if (!(magnitude >= 1e-4 && magnitude < 1e15))  // else "%.15g" may choose an exponent
        return false;
    int scale = 0;
    double scaled = magnitude;
    while (scaled != static_cast<double>(static_cast<long long>(scaled))) {
        if (++scale > 15)
            return false;
        scaled = magnitude * kPowers[scale];
        if (scaled >= 1e15)
            return false;
    }
    auto digits = static_cast<unsigned long long>(scaled);
    while (scale > 0 && digits % 10 == 0) {  // no zeros at the end of a fraction
        digits /= 10;
        --scale;
    }
    char text[20];
    int count = 0;
    for (unsigned long long rest = digits; rest; rest /= 10)
        ++count;
    for (int i = count - 1; i >= 0; --i, digits /= 10)
        text[i] = static_cast<char>('0' + digits % 10);
    char* const at = out.Reserve(static_cast<std::size_t>(count + scale + 4));
    char* q = at;
    if (negative)
        *q++ = '-';
    if (scale == 0) {
        q = std::copy(text, text + count, q);
    } else if (count > scale) {
        q = std::copy(text, text + count - scale, q);
        *q++ = '.';
        q = std::copy(text + count - scale, text + count, q);
    } else {
        *q++ = '0';
        *q++ = '.';
        q = std::fill_n(q, scale - count, '0');
        q = std::copy(text, text + count, q);
    }
    out.Commit(static_cast<std::size_t>(q - at));
    return true;
}

// A double that is no short decimal, as "%.15g" writes it. When the shortest
// text that reads back as the same double has at most 15 significant digits,
// those are the digits "%.15g" rounds to (by the same argument as above);
// only the layout is left to do. Longer ones, subnormals, infinities and
// NaNs take the slower exact rounding. Kept out of line: it is rarely needed
// and its code is large.
__attribute__((noinline, cold)) void AppendDoubleInGeneral(LineBuilder& out, double value) {
    constexpr std::size_t kRoom = 40;
    char* const at = out.Reserve(kRoom);
    char shortest[32];
    const char* end =
        std::to_chars(shortest, shortest + sizeof shortest, value, std::chars_format::scientific)
            .ptr;
    // shortest: ["-"] digit ["." digits] "e" sign exponent, or inf/nan.
    const char* p = shortest;
    const bool negative = *p == '-';
    p += negative;
    const char* e =
        static_cast<const char*>(std::memchr(p, 'e', static_cast<std::size_t>(end - p)));
    char digits[20];
    int count = 0;
    for (const char* d = p; e && d < e; ++d) {
        if (*d != '.' && count < 20)
            digits[count++] = *d;
    }
    int exponent = 0;
    if (e)
        std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exponent);
    char* q = at;
    // Subnormals have fewer bits than the grid argument needs.
    if (!e || count > 15 || (value != 0.0 && std::fpclassify(value) != FP_NORMAL)) {
        q = std::to_chars(at, at + kRoom, value, std::chars_format::general, 15).ptr;
    } else if (exponent < -4 || exponent >= 15) {
        std::memcpy(q, shortest, static_cast<std::size_t>(end - shortest));
        q += end - shortest;
    } else {
        if (negative)
            *q++ = '-';
        if (exponent < 0) {
            *q++ = '0';
            *q++ = '.';
            for (int i = -1; i > exponent; --i)
                *q++ = '0';
            std::memcpy(q, digits, static_cast<std::size_t>(count));
            q += count;
        } else {
            for (int i = 0; i <= exponent; ++i)
                *q++ = i < count ? digits[i] : '0';
            if (count > exponent + 1) {
                *q++ = '.';
                std::memcpy(q, digits + exponent + 1,
                            static_cast<std::size_t>(count - exponent - 1));
                q += count - exponent - 1;
            }
        }
    }
    out.Commit(static_cast<std::size_t>(q - at));
}

// A double as printf's "%.15g" writes it.
void AppendDouble(LineBuilder& out, double value) {
    if (!AppendShortDecimal(out, value))
        AppendDoubleInGeneral(out, value);
}

// Fills the storage's text of `unixSecond`, "YYYY-MM-DDTHH:MM:SS.".
void StampSecond(LineStorage& storage, long long unixSecond) {
    SZtTime fields;
    detail::BreakDownStamp((unixSecond + detail::kSecondsTo1970) * detail::kTicksPerSecond, fields);
    char* p = storage.secondText;
    p = std::to_chars(p, p + 6, static_cast<int>(fields.year)).ptr;
    *p++ = '-';
    AppendTwo(p, fields.month);
    p[2] = '-';
    AppendTwo(p + 3, fields.day);
    p[5] = 'T';
    AppendTwo(p + 6, fields.hour);
    p[8] = ':';
    AppendTwo(p + 9, fields.minute);
    p[11] = ':';
    AppendTwo(p + 12, fields.second);
    p[14] = '.';
    storage.secondLength = static_cast<std::size_t>(p + 15 - storage.secondText);
    storage.second = unixSecond;
}

}  // namespace

// Where a text of `length` bytes goes in a slot: in place when it fits, else
// in a new copy. Null when memory runs out (the slot stays empty).
char* TextDestination(trace_param& slot, unsigned char type, std::size_t length) {
    if (length <= kTextInPlaceBytes) {
        slot.storage[0] = static_cast<unsigned char>(length);
        slot.type = static_cast<unsigned char>(type | kTextInPlace);
        return reinterpret_cast<char*>(slot.storage + 1);
    }
    char* copy = Allocate(length);
    if (!copy)
        return nullptr;
    const auto stored = static_cast<unsigned int>(length);
    std::memcpy(slot.storage, &copy, sizeof copy);
    std::memcpy(slot.storage + 8, &stored, sizeof stored);
    slot.type = type;
    return copy;
}

void StoreText(trace_param& slot, unsigned char type, const wchar_t* text) {
    // Plain ASCII, the usual case, is narrowed in one pass.
    const wchar_t* end = text;
    while (*end > 0 && *end < 0x80 && *end != '\n' && *end != '\r')
        ++end;
    if (!*end) {
        const auto length = static_cast<std::size_t>(end - text);
        if (char* out = TextDestination(slot, type, length)) {
            for (std::size_t i = 0; i < length; ++i)
                out[i] = static_cast<char>(text[i]);
        }
        return;
    }
    std::size_t length = 0;
    for (const wchar_t* p = text; *p;)
        length += EncodedLength(NextWide(p));
    if (char* out = TextDestination(slot, type, length)) {
        for (const wchar_t* p = text; *p;)
            out = Encode(out, NextWide(p));
    }
}

void StoreText(trace_param& slot, unsigned char type, const char* text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t size = 0;
    std::size_t breaks = 0;
    bool utf8 = true;
    while (bytes[size]) {
        if (bytes[size] == '\n' || bytes[size] == '\r')
            ++breaks;
        const std::size_t n = utf8 ? Utf8SequenceLength(bytes + size) : 1;
        utf8 = utf8 && n != 0;
        size += n ? n : 1;
    }
    if (utf8 && breaks == 0) {
        if (char* out = TextDestination(slot, type, size))
            std::memcpy(out, text, size);
        return;
    }
    // Line breaks to escape, or Latin-1: byte by byte.
    std::size_t length = 0;
    for (std::size_t i = 0; i < size; ++i)
        length += utf8 && bytes[i] >= 0x80 ? 1 : EncodedLength(bytes[i]);
    char* out = TextDestination(slot, type, length);
    if (!out)
        return;
    for (std::size_t i = 0; i < size; ++i) {
        if (utf8 && bytes[i] >= 0x80)
            *out++ = static_cast<char>(bytes[i]);
        else
            out = Encode(out, bytes[i]);
    }
}

void RenderParam(LineBuilder& out, const trace_param& param, bool hex) {
    union {
        int i32;
        unsigned int u32;
        long long i64;
        unsigned long long u64;
        double f64;
    } number;
    std::memcpy(&number, param.storage, sizeof number);
    switch (param.type & ~kTextInPlace) {
        case TRACE_PARAM_NARROW:
        case TRACE_PARAM_WIDE:
            out.Append(TextOf(param));
            break;
        case TRACE_PARAM_INT32:
            AppendSigned(out, number.i32, hex, 32);
            break;
        case TRACE_PARAM_UINT32:
            AppendUnsigned(out, number.u32, hex);
            break;
        case TRACE_PARAM_INT64:
            AppendSigned(out, number.i64, hex, 64);
            break;
        case TRACE_PARAM_UINT64:
            AppendUnsigned(out, number.u64, hex);
            break;
        case TRACE_PARAM_DOUBLE:
            AppendDouble(out, number.f64);
            break;
        default:
            break;
    }
}

void RenderText(LineBuilder& out, const char* format, const trace_param* params,
                unsigned int count) {
    if (!params)
        count = 0;
    const char* p = format;
    while (true) {
        // Copy the plain run up to the next character that needs a look.
        const char* run = p;
        while (*p && *p != '%' && *p != '\n' && *p != '\r')
            ++p;
        out.Append(run, static_cast<std::size_t>(p - run));
        if (!*p)
            return;
        if (*p == '\n' || *p == '\r') {
            out.Append(*p == '\n' ? "\\n" : "\\r", 2);
            ++p;
            continue;
        }
        const unsigned int index = p[1] >= '1' && p[1] <= '9' ? unsigned(p[1] - '1') : 9;
        if (index >= count || params[index].type == 0) {
            out.Append('%');
            ++p;
            continue;
        }
        // Text parameters were made safe for one line when they were copied.
        const bool hex = p[2] == ':' && p[3] == 'x';
        RenderParam(out, params[index], hex);
        p += hex ? 4 : 2;
    }
}

void RenderPrefix(LineBuilder& out, long long unixMicroseconds, unsigned int threadId,
                  std::string_view head) {
    const long long second = detail::FloorDiv(unixMicroseconds, 1000000);
    const int micro = static_cast<int>(unixMicroseconds - second * 1000000);
    LineStorage& storage = out.Storage();
    if (storage.second != second)
        StampSecond(storage, second);
    char* const start = out.Reserve(storage.secondLength + 20);
    std::memcpy(start, storage.secondText, storage.secondLength);
    char* p = start + storage.secondLength;
    for (int i = 5, rest = micro; i >= 0; --i, rest /= 10)
        p[i] = static_cast<char>('0' + rest % 10);
    p[6] = 'Z';
    p[7] = ' ';
    p = std::to_chars(p + 8, p + 19, threadId).ptr;
    *p++ = ' ';
    out.Commit(static_cast<std::size_t>(p - start));
    out.Append(head);
}

}  // namespace Varn::trace
