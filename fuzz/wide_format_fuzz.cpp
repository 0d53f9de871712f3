// The wide Format with a fixed argument list. The fuzzer's bytes become
// literal text and conversion directives; every directive names one
// of the fixed arguments by position with a conversion of the argument's own
// type, so the call is well defined while flags, width, precision, size
// prefixes and the wide/narrow letter rewriting are all exercised.
#include <zotrel/string.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

struct Argument {
    int position;
    const char* const* letters;  // conversions valid for this argument's type
    int letterCount;
};

const char* const kWideText[] = {"s", "ls", "ws"};
const char* const kNarrowText[] = {"S", "hs"};
const char* const kInt[] = {"d", "i", "x", "X", "o", "u"};
const char* const kInt64[] = {"I64d", "I64u", "I64x", "I64X", "lld"};
const char* const kDouble[] = {"f", "e", "E", "g", "G"};
const char* const kWideChar[] = {"c", "lc", "wc"};
const char* const kNarrowChar[] = {"C", "hc"};

const Argument kArguments[] = {
    {1, kWideText, 3}, {2, kNarrowText, 2}, {3, kInt, 6},        {4, kInt64, 5},
    {5, kDouble, 5},   {6, kWideChar, 3},   {7, kNarrowChar, 2},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring format;
    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = data[i];
        if (b < 0xF0 || i + 2 >= size) {
            if (b == '%')
                format += L"%%";
            else if (b != 0)
                format +=
                    static_cast<wchar_t>(b < 0x80 ? b : 0x100 + b);  // some non-ASCII text too
            continue;
        }
        // 0xF0..0xFF starts a directive: argument, flags, width, precision.
        const Argument& arg = kArguments[(b - 0xF0) % 7];
        const uint8_t shape = data[++i];
        const uint8_t letter = data[++i];
        format += L'%';
        format += std::to_wstring(arg.position);
        format += L'$';
        if (shape & 1)
            format += L'-';
        if (shape & 2)
            format += L'0';
        if (shape & 4)
            format += std::to_wstring(shape >> 4);
        if ((shape & 8) && arg.letters != kWideChar && arg.letters != kNarrowChar) {
            format += L'.';
            format += std::to_wstring((shape >> 4) & 7);
        }
        for (const char* p = arg.letters[letter % arg.letterCount]; *p; ++p)
            format += static_cast<wchar_t>(*p);
    }
    // Every argument is referenced once at the end so that the positional
    // list has no gaps.
    format += L"|%1$s%2$S%3$d%4$I64d%5$g%6$c%7$C";

    Varn::CZtString text(L"before");
    text.Format(format.c_str(), L"wide\u00E9\U0001F600", "narrow", -42, 1234567890123LL, 2.5, L'W',
                'n');
    if (text.IsEmpty())
        __builtin_trap();  // the fixed tail always produces text
    return 0;
}
