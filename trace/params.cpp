// Parameter slots: text is copied as it will stand in the line when it is
// appended (so a line may outlive the temporary its text came from), short
// texts in the slot itself; numbers are kept by value.
#include <zotrel/traceengine.h>

#include "render.h"

#include <cstdlib>
#include <cstring>

extern "C" {

void trace_param_init(trace_param* slot, int type, const void* value) {
    if (!slot)
        return;
    std::memset(slot, 0, sizeof *slot);
    const auto code = static_cast<unsigned char>(type);
    switch (type) {
        case TRACE_PARAM_NARROW:
            Varn::trace::StoreText(*slot, code, value ? static_cast<const char*>(value) : "(null)");
            return;
        case TRACE_PARAM_WIDE:
            if (value)
                Varn::trace::StoreText(*slot, code, static_cast<const wchar_t*>(value));
            else
                Varn::trace::StoreText(*slot, code, "(null)");
            return;
        case TRACE_PARAM_INT32:
        case TRACE_PARAM_UINT32:
            if (value) {
                std::memcpy(slot->storage, value, sizeof(int));
                slot->type = code;
            }
            return;
        case TRACE_PARAM_INT64:
        case TRACE_PARAM_UINT64:
        case TRACE_PARAM_DOUBLE:
            if (value) {
                std::memcpy(slot->storage, value, 8);
                slot->type = code;
            }
            return;
        default:
            return;  // unknown: the slot stays empty
    }
}

void trace_param_clear(trace_param* first, unsigned int count) {
    if (!first)
        return;
    for (unsigned int i = 0; i < count; ++i) {
        trace_param& slot = first[i];
        const int type = slot.type & ~Varn::trace::kTextInPlace;
        if (type == TRACE_PARAM_NARROW || type == TRACE_PARAM_WIDE)
            std::free(Varn::trace::HeapTextOf(slot));
        std::memset(&slot, 0, sizeof slot);
    }
}

void trace_free(void* buffer) {
    std::free(buffer);
}

}  // extern "C"
