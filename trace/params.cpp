// Parameter slots: text is copied as UTF-8 when it is appended, so a line may
// outlive the temporary its text came from; numbers are kept by value.
#include <zotrel/traceengine.h>

#include "render.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void StoreText(trace_param* slot, const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (!copy)
        return;  // the slot stays empty; its placeholder is written as it stands
    std::memcpy(copy, text.data(), text.size() + 1);
    slot->value.text = copy;
    slot->length = static_cast<unsigned int>(text.size());
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
            StoreText(slot, value ? Varn::trace::NarrowToUtf8(static_cast<const char*>(value))
                                  : std::string("(null)"));
            break;
        case TRACE_PARAM_WIDE:
            StoreText(slot, value ? Varn::trace::WideToUtf8(static_cast<const wchar_t*>(value))
                                  : std::string("(null)"));
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
