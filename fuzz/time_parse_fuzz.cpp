// The time texts: ParseDate, ParseTime and the duration's ParseTime read any
// text without failing other than on a too short one, and what they read
// prints without trouble.
#include <zotrel/string.h>
#include <zotrel/time.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Varn::CZtString text = zotrel_fuzz::TextFromBytes(data, size);
    Varn::CZtTime date;
    if (date.ParseDate(text) != (text.Length() >= 10))
        std::abort();
    Varn::CZtString out;
    date.ToDateTimeString(out, false);
    date.ToSmallDateTimeString(out);

    Varn::CZtTime time;
    if (time.ParseTime(text) != (text.Length() >= 2))
        std::abort();
    time.ToTimeString(out, true);

    Varn::CZtTimeSpan span;
    span.ParseTime(text);
    span.ToTimeString(out);
    return 0;
}
