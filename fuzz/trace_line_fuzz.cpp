// The trace engine's two text inputs: control specs and formats with their
// parameters. A spec the parser refuses is refused by trace_control_set as
// well; every line written is one line, whatever the format and the
// parameters hold (line breaks, invalid UTF-8, lone surrogates).
#include <zotrel/traceengine.h>

#include "controlspec.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

trace_engine_object& Engine() {
    static trace_engine_object engine = [] {
        trace_engine_object e{};
        trace_engine_create("Fuzz", "TraceFuzz", 0, 0, 1, &e.handle, &e);
        return e;
    }();
    return engine;
}

void CheckLine(void*, const char* line, size_t length) {
    if (std::memchr(line, '\n', length) || std::memchr(line, '\r', length))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Input: spec, 0 byte, format, 0 byte, narrow text, 0 byte, wide units.
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t at = 0;
    auto next = [&]() {
        const std::size_t end = std::min(input.find('\0', at), input.size());
        std::string part = input.substr(at, end - at);
        at = end < input.size() ? end + 1 : end;
        return part;
    };
    const std::string spec = next();
    const std::string format = next();
    const std::string narrow = next();
    const std::string rest = input.substr(at);
    std::wstring wide;
    for (std::size_t i = 0; i + 4 <= rest.size(); i += 4) {
        uint32_t unit;
        std::memcpy(&unit, rest.data() + i, 4);
        if (unit != 0)
            wide.push_back(static_cast<wchar_t>(unit));
    }

    Varn::trace::ControlSpec parsed;
    const bool ok = Varn::trace::ParseControlSpec(spec, parsed);
    const int result = trace_control_set("TraceFuzz", spec.c_str());
    if (!ok && result != -1)
        std::abort();

    trace_control_set_sink(&CheckLine, nullptr);
    trace_control_set("TraceFuzz", "call");
    const long long big = static_cast<long long>(size) * -7919;
    Tracing::Write(Engine().handle, 5,
                   Tracing::TraceMessage(format.c_str())
                       << narrow.c_str() << wide.c_str() << static_cast<int>(size) << big
                       << static_cast<double>(big) / 3.0);
    trace_control_set_sink(nullptr, nullptr);
    return 0;
}
