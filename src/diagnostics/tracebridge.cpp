// The library's trace engine object, its opening and closing, flag
// registration, and the stream operators for library types.
#include "diagnostics/tracing.h"

#include <zotrel/trace.h>

namespace Varn {
namespace detail {

namespace {

// The word `g_TraceEngine.filter` points at while no engine is open. It is
// never written, so it stays 0 and every line is suppressed.
unsigned int g_uTraceIdleWord = 0;

}  // namespace

trace_engine_object g_TraceEngine = {&g_uTraceIdleWord, nullptr};

CZtTraceEngineLifetime::CZtTraceEngineLifetime() {
    // On failure the engine leaves the handle null and points the filter at
    // a word of 0: nothing is written and no flag is registered.
    trace_engine_create("ZtCore", "Zotrel", 0, 0, 1, &g_TraceEngine.handle, &g_TraceEngine);
}

CZtTraceEngineLifetime::~CZtTraceEngineLifetime() {
    trace_engine_destroy(g_TraceEngine.handle);
    g_TraceEngine.handle = nullptr;
    // A line written after this point (by code that runs later at unload)
    // costs the load of a 0 word again instead of building a message that
    // no engine would take.
    __atomic_store_n(&g_TraceEngine.filter, &g_uTraceIdleWord, __ATOMIC_RELAXED);
}

unsigned char RegisterTraceFlag(const char* name) {
    return trace_engine_register_flag(g_TraceEngine.handle, name, 0);
}

}  // namespace detail

const Tracing::TraceMessage& operator<<(const Tracing::TraceMessage& message,
                                        const CZtString& text) {
    // A detached string has no wide text at all; it is written as an empty
    // text rather than the engine's "(null)", as every other reader of the
    // library treats it as empty.
    const wchar_t* wide = text.w_str();
    return message.Append(TRACE_PARAM_WIDE, wide ? wide : L"");
}

const Tracing::TraceMessage& operator<<(const Tracing::TraceMessage& message,
                                        const CZtCHROMID& id) {
    // The engine copies the text when it is appended, so the temporary may
    // go away before the line is written.
    CZtString text;
    id.ToString(text);
    return message << text;
}

}  // namespace Varn
