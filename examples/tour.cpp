// A tour of Zotrel: shared text, GUIDs, data arrays, tracing, a worker thread and a timer. Each
// step prints what it does and what came out, so the program doubles as a readable sample of the
// API.
#include <zotrel/dataarray.h>
#include <zotrel/guid.h>
#include <zotrel/string.h>
#include <zotrel/thread.h>
#include <zotrel/timer.h>
#include <zotrel/trace.h>
#include <zotrel/variant.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

using Varn::CZtGUID;
using Varn::CZtString;

namespace {

void Heading(const char* title) {
    std::printf("\n== %s\n", title);
}

const char* YesNo(bool value) {
    return value ? "yes" : "no";
}

// Copies share one body; the first change gives the changing copy its own.
void CopyOnModify() {
    Heading("Text: copies share their characters until one of them changes");
    CZtString name(L"Pump");
    CZtString copy = name;
    std::printf("name = \"%s\", copy = \"%s\"\n", name.c_str(), copy.c_str());
    std::printf("  one Latin-1 copy serves both: %s\n", YesNo(name.c_str() == copy.c_str()));

    copy.Append(L" 7");
    std::printf("copy.Append(L\" 7\"): name = \"%s\", copy = \"%s\"\n", name.c_str(), copy.c_str());
    std::printf("  still shared: %s\n", YesNo(name.c_str() == copy.c_str()));

    // Lengths count UTF-16 code units, whatever the width of wchar_t.
    const CZtString music(L"\U0001D11E clef");
    std::printf("L\"\\U0001D11E clef\" has %d UTF-16 code units\n", music.Length());
}

// Integer reads saturate at the limits of the target type instead of failing;
// "0x" selects base 16; text that is not a number fails with ok = false.
void Numbers() {
    Heading("Text: reading numbers");
    const wchar_t* const shortTexts[] = {L"70000", L"-70000", L"123"};
    for (const wchar_t* text : shortTexts) {
        bool ok = false;
        const short value = CZtString(text).ToShort(&ok);
        std::printf("ToShort(\"%s\") = %d, ok = %s\n", CZtString(text).c_str(), value, YesNo(ok));
    }
    const wchar_t* const intTexts[] = {L"0x1F", L"99999999999", L"12 apples"};
    for (const wchar_t* text : intTexts) {
        bool ok = false;
        const int value = CZtString(text).ToInt(&ok);
        std::printf("ToInt(\"%s\") = %d, ok = %s\n", CZtString(text).c_str(), value, YesNo(ok));
    }
    bool ok = false;
    const double value = CZtString(L"1.5e3").ToDouble(&ok);
    std::printf("ToDouble(\"1.5e3\") = %g, ok = %s\n", value, YesNo(ok));
    std::printf("CZtString(1.0 / 3) = \"%s\"\n", CZtString(1.0 / 3).c_str());
}

// Wide formats follow the rules of a 16-bit wchar_t platform: %s takes wide
// text, %S narrow text, arguments may be picked by position, and %I64d reads
// a 64-bit integer.
void WideFormat() {
    Heading("Text: wide printf-style formatting");
    CZtString line;
    line.Format(L"%2$s reports %1$d alarms at %3$.1f%% load", 3, L"Boiler 2", 87.5);
    std::printf(
        "Format(L\"%%2$s reports %%1$d alarms at %%3$.1f%%%% load\", 3, L\"Boiler 2\", "
        "87.5)\n  -> \"%s\"\n",
        line.c_str());
    const CZtString counter = CZtString::FormatString(L"%S = %I64d", "counter", 1234567890123LL);
    std::printf("FormatString(L\"%%S = %%I64d\", \"counter\", 1234567890123LL)\n  -> \"%s\"\n",
                counter.c_str());
}

// GUIDs: made at random, parsed leniently, printed braced in upper case,
// ordered field by field.
void Guids() {
    Heading("Identifiers: GUIDs");
    const CZtGUID created = CZtGUID::CreateGUID();
    std::printf("CreateGUID()                  -> %s\n", created.ToString().c_str());

    const CZtGUID parsed{CZtString(L"b040ee6b-4a59-426d-91c8-4a8012f67d60")};
    std::printf("parse lower case, no braces   -> %s\n", parsed.ToString().c_str());
    std::printf("  Data1 = 0x%08X, Data2 = 0x%04X, Data3 = 0x%04X\n", parsed.Data1, parsed.Data2,
                parsed.Data3);

    const CZtGUID bad{CZtString(L"not a GUID")};
    std::printf("parse \"not a GUID\"            -> null GUID: %s\n", YesNo(bad.IsNull()));

    // Ordering compares Data1, Data2, Data3 as numbers, then Data4 byte by
    // byte, so the order does not depend on how the bytes sit in memory.
    std::vector<CZtGUID> ids = {
        CZtGUID{CZtString(L"{00000100-0000-0000-0000-000000000000}")},
        CZtGUID{CZtString(L"{00000002-0000-0000-0000-000000000001}")},
        CZtGUID{CZtString(L"{00000002-0000-0000-0000-000000000000}")},
        parsed,
    };
    std::sort(ids.begin(), ids.end());
    std::printf("sorted:\n");
    for (const CZtGUID& id : ids)
        std::printf("  %s\n", id.ToString().c_str());
}

// A value into a data array and back out as text: the array is made and
// written through its handle, a variant takes a registered copy of it, the
// variant converts every element to text, and one element is read back
// (and returned, for the trace step).
CZtString DataArrayToText() {
    Heading("Data arrays: a value in, the whole array to text, an element out");
    const Varn::tagDATAARRAYBOUND bound = {5, 0};  // five elements, indices 0..4
    Varn::tagDATAARRAY* levels = Varn::ZtDataArrayCreate(Varn::ZT_VT_R8, 1, &bound);
    std::printf("ZtDataArrayCreate(ZT_VT_R8, 1, {5, 0}) -> %u dimension, %u elements\n",
                levels->dimCount, levels->firstCount);

    int index = 3;
    double level = 2.0 / 3.0;
    unsigned int result = Varn::ZtDataArrayPutElement(levels, &index, &level);
    std::printf("element 3 = 2/3: result 0x%08X\n", result);
    int outside = 5;
    result = Varn::ZtDataArrayPutElement(levels, &outside, &level);
    std::printf("element 5 (past the end): result 0x%08X, refused\n", result);

    // The variant owns a deep copy of the array, registered like any other.
    Varn::CZtVariant wrapped(*levels);
    std::printf("variant type word 0x%04X: ZT_VT_R8 with ZT_VT_ARRAY, its own array: %s\n",
                wrapped.vartype, YesNo(wrapped.data.pArray != levels));

    // Every element of the copy converts as a variant would: a double gets
    // its text with up to 15 significant digits.
    result = Varn::ZtVariantChangeType(&wrapped, &wrapped, 0, Varn::ZT_VT_STRING);
    std::printf("ZtVariantChangeType(.., ZT_VT_STRING): result 0x%08X, type word 0x%04X\n", result,
                wrapped.vartype);
    CZtString text;
    Varn::ZtDataArrayGetElement(wrapped.data.pArray, &index, &text);
    std::printf("element 3 as text: \"%s\"; element 0: \"", text.c_str());
    const CZtString element = text;
    int first = 0;
    Varn::ZtDataArrayGetElement(wrapped.data.pArray, &first, &text);
    std::printf("%s\"\n", text.c_str());

    // Clearing the variant destroys its copy; the original is the caller's.
    Varn::tagDATAARRAY* copy = wrapped.data.pArray;
    Varn::ZtVariantClear(&wrapped);
    unsigned short vartype = 0;
    std::printf("after ZtVariantClear the copy's handle is unknown: result 0x%08X\n",
                Varn::ZtDataArrayGetVartype(copy, &vartype));
    Varn::ZtDataArrayGetElement(levels, &index, &level);
    std::printf("the original still holds %.15g; ZtDataArrayDestroy: result 0x%08X\n", level,
                Varn::ZtDataArrayDestroy(levels));
    return element;
}

// A client module traces through an engine of its own. Like the library, it
// tests the engine's filter word before building a line, so a line nobody
// wants costs one load and one comparison; the library's operator<< puts a
// CZtString into the line as wide text.
void TraceAnElement(const CZtString& element) {
    Heading("Tracing: the element as a trace line of the example's own engine");
    trace_engine_object engine = {nullptr, nullptr};
    trace_engine_create("Tour", "ZotrelExample", 0, 0, 1, &engine.handle, &engine);
    const unsigned int severity = Tracing::Severity::SeverityDebug;
    const unsigned int word = __atomic_load_n(engine.filter, __ATOMIC_RELAXED);
    int written = 0;
    if ((word & 7u) >= severity) {
        written =
            Tracing::Write(engine.handle, severity,
                           Tracing::TraceMessage("element %1 of the levels is %2") << 3 << element);
    }
    std::printf("debug line written: %s (filter word 0x%08X)\n", YesNo(written != 0), word);
    std::printf(
        "the line goes to standard error; see it with\n"
        "  ZOTREL_TRACE=debug scripts/example.sh\n");
    trace_engine_destroy(engine.handle);
    engine.handle = nullptr;
}

// A command for a worker thread: it runs on the worker, which then releases it.
class SumLevels : public Varn::CZtThreadCommand {
public:
    explicit SumLevels(double* sum) : m_sum(sum) {}
    void Execute() override {
        for (int i = 1; i <= 4; ++i)
            *m_sum += 0.25 * i;
    }

private:
    double* m_sum;
};

// A synchronous command on a named worker: QueueCommand returns once the
// worker has executed it (or after 30 s with false).
void SynchronousCommand() {
    Heading("Threads: a synchronous command on a named worker");
    Varn::CZtThread worker;
    std::printf("Start(\"Levels\"): %s\n", YesNo(worker.Start(CZtString(L"Levels"))));
    double sum = 0;
    const bool done = worker.QueueCommand(new SumLevels(&sum), true);
    std::printf("QueueCommand(sync) returned %s; the worker summed the levels to %.15g\n",
                YesNo(done), sum);
    std::printf("Stop(true): %s\n", YesNo(worker.Stop(true)));
}

// A periodic timer calls its callback on a thread of its own.
class Ticks : public Varn::IZtTimerCallback {
public:
    int AddRef() const override { return ++m_refs; }
    int Release() const override { return --m_refs; }  // lives on main's stack
    unsigned int QueryInterface(const Varn::tagZTGUID&, Varn::IZtUnknown** out) override {
        if (out)
            *out = nullptr;
        return Varn::ZT_E_NOINTERFACE;
    }
    unsigned int OnTimer(unsigned int, unsigned int, bool, unsigned int) override {
        ++count;
        return 0;
    }
    std::atomic<int> count{0};

private:
    mutable std::atomic<int> m_refs{1};
};

void PeriodicTimer() {
    Heading("Timers: a callback every 20 ms");
    Ticks ticks;
    const unsigned int id = Varn::CZtTimer::SetTimer(20, true, &ticks);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (ticks.count < 5 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const unsigned int stopped = Varn::CZtTimer::StopTimer(id);
    std::printf("timer %u fired %d times; StopTimer: result 0x%08X\n", id, ticks.count.load(),
                stopped);
    std::printf("stopping it again: result 0x%08X (not found)\n", Varn::CZtTimer::StopTimer(id));
}

}  // namespace

int main() {
    std::printf("Zotrel tour\n");
    CopyOnModify();
    Numbers();
    WideFormat();
    Guids();
    const CZtString element = DataArrayToText();
    TraceAnElement(element);
    SynchronousCommand();
    PeriodicTimer();
    return 0;
}
