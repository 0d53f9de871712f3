#include "render.h"

#include "time/calendar.h"

#include <charconv>
#include <cstring>

namespace Varn::trace {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
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

template <typename T>
void AppendNumber(std::string& out, T value, int base = 10) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value, base);
    out.append(digits, result.ptr);
}

void AppendTwo(char* at, int value) {
    at[0] = static_cast<char>('0' + value / 10);
    at[1] = static_cast<char>('0' + value % 10);
}

// The date and time of one second, "YYYY-MM-DDTHH:MM:SS.", kept per thread:
// lines of the same second reuse it instead of breaking the time down again.
struct SecondText {
    long long second = -1;
    char text[24] = {};
    std::size_t length = 0;
};

const SecondText& TextOfSecond(long long unixSecond) {
    thread_local SecondText cache;
    if (cache.second != unixSecond) {
        SZtTime fields;
        detail::BreakDownStamp((unixSecond + detail::kSecondsTo1970) * detail::kTicksPerSecond,
                               fields);
        char* p = cache.text;
        const auto year = std::to_chars(p, p + 6, static_cast<int>(fields.year));
        p = year.ptr;
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
        cache.length = static_cast<std::size_t>(p + 15 - cache.text);
        cache.second = unixSecond;
    }
    return cache;
}

}  // namespace

std::string WideToUtf8(const wchar_t* text) {
    std::string out;
    for (const wchar_t* p = text; *p; ++p) {
        char32_t c = static_cast<char32_t>(*p);
        if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(p[1]) - 0xDC00);
            ++p;
        } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::string NarrowToUtf8(const char* text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    const std::size_t length = std::strlen(text);
    std::size_t at = 0;
    while (at < length) {
        const std::size_t n = Utf8SequenceLength(bytes + at);
        if (n == 0)
            break;
        at += n;
    }
    if (at == length)
        return std::string(text, length);
    std::string out;
    out.reserve(length + length / 2);
    for (std::size_t i = 0; i < length; ++i)
        AppendUtf8(out, bytes[i]);
    return out;
}

void RenderParam(std::string& out, const trace_param& param, bool hex) {
    const int base = hex ? 16 : 10;
    switch (param.type) {
        case TRACE_PARAM_NARROW:
        case TRACE_PARAM_WIDE:
            out.append(param.value.text, param.length);
            break;
        case TRACE_PARAM_INT32:
            if (hex)
                AppendNumber(out, static_cast<unsigned int>(param.value.i32), base);
            else
                AppendNumber(out, param.value.i32);
            break;
        case TRACE_PARAM_UINT32:
            AppendNumber(out, param.value.u32, base);
            break;
        case TRACE_PARAM_INT64:
            if (hex)
                AppendNumber(out, static_cast<unsigned long long>(param.value.i64), base);
            else
                AppendNumber(out, param.value.i64);
            break;
        case TRACE_PARAM_UINT64:
            AppendNumber(out, param.value.u64, base);
            break;
        case TRACE_PARAM_DOUBLE: {
            char digits[40];
            const auto result = std::to_chars(digits, digits + sizeof digits, param.value.f64,
                                              std::chars_format::general, 15);
            out.append(digits, result.ptr);
            break;
        }
        default:
            break;
    }
}

void RenderText(std::string& out, const char* format, const trace_param* params,
                unsigned int count) {
    if (!params)
        count = 0;
    const char* p = format;
    while (true) {
        // Copy the plain run up to the next character that needs a look.
        const char* run = p;
        while (*p && *p != '%' && *p != '\n' && *p != '\r')
            ++p;
        out.append(run, static_cast<std::size_t>(p - run));
        if (!*p)
            return;
        if (*p == '\n' || *p == '\r') {
            out += *p == '\n' ? "\\n" : "\\r";
            ++p;
            continue;
        }
        const unsigned int index = p[1] >= '1' && p[1] <= '9' ? unsigned(p[1] - '1') : 9;
        if (index >= count || params[index].type == 0) {
            out += '%';
            ++p;
            continue;
        }
        const bool hex = p[2] == ':' && p[3] == 'x';
        const std::size_t start = out.size();
        RenderParam(out, params[index], hex);
        // Text parameters may hold line breaks of their own.
        for (std::size_t i = start; i < out.size(); ++i) {
            if (out[i] == '\n' || out[i] == '\r') {
                out.replace(i, 1, out[i] == '\n' ? "\\n" : "\\r");
                ++i;
            }
        }
        p += hex ? 4 : 2;
    }
}

void RenderPrefix(std::string& out, long long unixMicroseconds, unsigned int threadId,
                  const std::string& path, const char* level) {
    const long long second = detail::FloorDiv(unixMicroseconds, 1000000);
    const int micro = static_cast<int>(unixMicroseconds - second * 1000000);
    const SecondText& date = TextOfSecond(second);
    char buffer[48];
    std::memcpy(buffer, date.text, date.length);
    char* p = buffer + date.length;
    for (int i = 5, rest = micro; i >= 0; --i, rest /= 10)
        p[i] = static_cast<char>('0' + rest % 10);
    p[6] = 'Z';
    p[7] = ' ';
    p += 8;
    p = std::to_chars(p, buffer + sizeof buffer, threadId).ptr;
    *p++ = ' ';
    out.append(buffer, static_cast<std::size_t>(p - buffer));
    out += path;
    out += ' ';
    out += level;
    out += ' ';
}

}  // namespace Varn::trace
