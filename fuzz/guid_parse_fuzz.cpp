// The GUID text parser: any text either parses, and then prints and parses
// back to the same GUID, or fails with the record untouched or zeroed.
#include <zotrel/guid.h>
#include <zotrel/string.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Varn::CZtString text = zotrel_fuzz::TextFromBytes(data, size);
    Varn::tagZTGUID record;
    std::memset(&record, 0x5A, sizeof(record));
    const std::wstring wide = text.w_str() ? text.w_str() : L"";
    const unsigned int result = Varn::ZtString2ZTGUID(wide.c_str(), &record);
    const Varn::CZtGUID parsed(text);
    if (result == Varn::ZT_S_OK) {
        const Varn::CZtGUID again(parsed.ToString());
        if (again != parsed)
            std::abort();
    } else if (!parsed.IsNull()) {
        std::abort();
    }
    return 0;
}
