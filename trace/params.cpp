// Parameter slots: text is copied as UTF-8 when it is appended, so a line may
// outlive the temporary its text came from; numbers are kept by value.
#include <zotrel/traceengine.h>

#include "render.h"

#include <cstdlib>
#include <cstring>

namespace {

template <typename Char>
void StoreText(trace_param* slot, const Char* text) {
    std::size_t length = 0;
    // Out of memory leaves the slot empty; its placeholder stays as written.
    const char* copy = Varn::trace::CopyText(text, length);
    slot->value.text = copy;
    slot->length = static_cast<unsigned int>(length);
}

}  // namespace

extern "C" {

void trace_param_init(trace_param* slot, int type, const void* value) {
    if (!slot)
        return;
    std::memset(slot, 0, sizeof *slot);
    const bool isText = type == TRACE_PARAM_NARROW || type == TRACE_PARAM_WIDE;
    if (!isText && !value)
        return;
    switch (type) {
        case TRACE_PARAM_NARROW:
            StoreText(slot, value ? static_cast<const char*>(value) : "(null)");
            break;
        case TRACE_PARAM_WIDE:
            if (value)
                StoreText(slot, static_cast<const wchar_t*>(value));
            else
                StoreText(slot, "(null)");
            break;
        case TRACE_PARAM_INT32:
            std::memcpy(&slot->value.i32, value, sizeof(int));
            break;
        case TRACE_PARAM_UINT32:
            std::memcpy(&slot->value.u32, value, sizeof(unsigned int));
            break;
        case TRACE_PARAM_INT64:
            std::memcpy(&slot->value.i64, value, sizeof(long long));
            break;
        case TRACE_PARAM_UINT64:
            std::memcpy(&slot->value.u64, value, sizeof(unsigned long long));
            break;
        case TRACE_PARAM_DOUBLE:
            std::memcpy(&slot->value.f64, value, sizeof(double));
            break;
        default:
            return;
    }
    if (!isText || slot->value.text)
        slot->type = static_cast<unsigned char>(type);
}

void trace_param_clear(trace_param* first, unsigned int count) {
    if (!first)
        return;
    for (unsigned int i = 0; i < count; ++i) {
        trace_param& slot = first[i];
        if ((slot.type == TRACE_PARAM_NARROW || slot.type == TRACE_PARAM_WIDE))
            std::free(const_cast<char*>(slot.value.text));
        std::memset(&slot, 0, sizeof slot);
    }
}

void trace_free(void* buffer) {
    std::free(buffer);
}

}  // extern "C"
