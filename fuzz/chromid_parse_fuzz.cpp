// The CHROMID text reader: any text becomes either the numeric form, whose
// rendering is exactly the input, or the text form holding exactly the input.
#include <zotrel/chromid.h>
#include <zotrel/string.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Varn::CZtString text = zotrel_fuzz::TextFromBytes(data, size);
    Varn::tagZTCHROMID record;
    Varn::ZTCHROMIDInit(&record);
    if (Varn::ZtString2CHROMID(&text, &record) != Varn::ZT_S_OK)
        std::abort();
    Varn::CZtCHROMID id(record);
    Varn::CZtString rendered;
    id.ToString(rendered);
    if (rendered != text)
        std::abort();
    // Appending the record to a copy of itself must not lose or corrupt it.
    Varn::CZtCHROMID twice(id);
    twice += record;
    Varn::ZTCHROMIDClear(&record);
    return 0;
}
