// Numeric reads of CZtString: every integer width with automatic and explicit
// bases, the floating-point parse with and without a locale identifier.
#include <zotrel/string.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Varn::CZtString text = zotrel_fuzz::TextFromBytes(data, size);
    bool ok = false;
    (void)text.ToShort(&ok);
    (void)text.ToUShort(&ok);
    const int asInt = text.ToInt(&ok);
    (void)text.ToUInt(&ok);
    const long long asLong = text.ToLongLong(&ok);
    (void)text.ToULongLong(&ok);
    (void)text.ToHexInt(&ok);
    (void)text.ToOctInt(&ok);
    (void)text.ToInt(0, &ok);
    (void)text.ToFloat(&ok, 0);
    (void)text.ToDouble(&ok, 0x0407);
    (void)text.ToDouble(&ok, 0x0411);
    (void)static_cast<unsigned char>(text);
    signed char narrow = 0;
    (void)text.ConvertToNumericValue(narrow, 16);
    double real = 0;
    (void)text.ConvertToNumericValue(real);
    // A value that fits an int must read the same through both widths.
    if (asInt > -1000 && asInt < 1000 && asLong != asInt && text.ToInt(&ok) != 0)
        std::abort();
    return 0;
}
