// A module's first steps with the installed Zotrel: text, a variant and one
// line through a trace engine of its own, caught by a sink. Built twice by
// scripts/package_test.sh (CMake package and pkg-config) against the unpacked
// Debian packages. Prints what went wrong and exits with 1 on a wrong result.
#include <zotrel/zotrel.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int g_failures = 0;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "consumer: wrong result: %s\n", what);
        ++g_failures;
    }
}

bool EndsWith(const std::string& text, const char* tail) {
    const size_t length = std::strlen(tail);
    return text.size() >= length && text.compare(text.size() - length, length, tail) == 0;
}

// The sink keeps the last line written.
void KeepLine(void* context, const char* line, size_t length) {
    static_cast<std::string*>(context)->assign(line, length);
}

}  // namespace

int main() {
    // Text: copies share their characters until one of them changes.
    const Varn::CZtString name(L"Pump");
    Varn::CZtString copy = name;
    copy.Append(L" 7");
    Check(name.Length() == 4 && std::strcmp(name.c_str(), "Pump") == 0, "CZtString copy on modify");
    Check(copy.Length() == 6 && std::strcmp(copy.c_str(), "Pump 7") == 0, "CZtString::Append");

    // Variants: text reads as a number, a number has a text.
    Varn::CZtVariant text(L"0x1F");
    const int value = text;
    Check(value == 31, "CZtVariant text read as a number");
    Check(text.ZtVariantChangeType(Varn::ZT_VT_I8) == Varn::ZT_S_OK, "CZtVariant::ZtVariantChangeType");
    Check(text.IsType(Varn::ZT_VT_I8, false), "CZtVariant type after the change");
    Check(Varn::CZtString(Varn::CZtVariant(42)) == Varn::CZtString(L"42"), "CZtString of CZtVariant(42)");
    Check(Varn::CZtVariant(42) != Varn::CZtVariant(static_cast<long long>(42)), "CZtVariant I4 and I8 differ");

    // Tracing: an engine of this program's own, its line caught by a sink.
    std::string line;
    trace_control_set_sink(&KeepLine, &line);
    trace_engine_handle handle = nullptr;
    trace_engine_object engine = {nullptr, nullptr};
    Check(trace_engine_create("Consumer", "ZotrelPackageTest", 0, 0, 1, &handle, &engine) == 0,
          "trace_engine_create");
    Check(trace_control_set("ZotrelPackageTest", "info") == 0, "trace_control_set");
    const int written =
        Tracing::Write(handle, Tracing::Severity::SeverityInfo,
                       Tracing::TraceMessage("%1 read %2") << copy.c_str() << value);
    Check(written == 1, "trace line written");
    Check(line.find(" ZotrelPackageTest/Consumer ") != std::string::npos &&
              EndsWith(line, " INFO Pump 7 read 31"),
          "trace line text");
    const int suppressed = Tracing::Write(handle, Tracing::Severity::SeverityDebug,
                                          Tracing::TraceMessage("not written"));
    Check(suppressed == 0, "debug line suppressed at severity info");
    trace_engine_destroy(handle);
    trace_control_set_sink(nullptr, nullptr);

    if (g_failures != 0)
        return 1;
    std::printf("consumer: all checks passed (last trace line: %s)\n", line.c_str());
    return 0;
}
