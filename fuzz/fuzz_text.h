// Turns fuzzer bytes into the library's text inputs.
#ifndef ZOTREL_FUZZ_FUZZ_TEXT_H
#define ZOTREL_FUZZ_FUZZ_TEXT_H

#include <zotrel/string.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace zotrel_fuzz {

/// The first byte picks the encoding: even = Latin-1 bytes, odd = UTF-16
/// code units (pairs of bytes, low byte first), so both narrow input and
/// arbitrary UTF-16 (unpaired surrogates included) reach the parsers.
inline Varn::CZtString TextFromBytes(const uint8_t* data, size_t size) {
    if (size == 0)
        return Varn::CZtString();
    const bool wide = data[0] & 1;
    ++data;
    --size;
    if (!wide)
        return Varn::CZtString(reinterpret_cast<const char*>(data), static_cast<int>(size));
    std::wstring units;
    for (size_t i = 0; i + 1 < size; i += 2)
        units.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    return Varn::CZtString(units.c_str(), static_cast<int>(units.size()));
}

}  // namespace zotrel_fuzz

#endif  // ZOTREL_FUZZ_FUZZ_TEXT_H
