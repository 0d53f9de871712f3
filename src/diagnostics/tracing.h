// The one internal way to write a trace line of the library, and the
// library's trace engine and flag ids.
//
//     ZT_TRACE(Tracing::Severity::SeverityDebug,
//              Tracing::TraceMessage("thread %1 started, stack %2") << name << size);
//     ZT_TRACE_FLAG(detail::g_byTraceFlagNfrCpu, Tracing::Severity::SeverityInfo,
//                   Tracing::TraceMessage("cpu %1") << percent);
//
// Both are macros so that a line the filter word suppresses costs one relaxed
// load of the word and one comparison: the message expression, and with it
// every argument (a `CZtString` to format, a call that computes a figure), is
// not evaluated at all. The word is read atomically because the engine, other
// threads and the `zotrel-trace` tool in another process change it at any
// time; relaxed order is enough, since a line only needs some recent value.
//
// An unflagged line of severity s is written when 1 <= s <= (word & 7); a
// line of severity 0 is never built (the engine would not write it). A flagged
// line is written when the word enables its flag, whatever its severity.
#ifndef ZOTREL_SRC_DIAGNOSTICS_TRACING_H
#define ZOTREL_SRC_DIAGNOSTICS_TRACING_H

#include <zotrel/traceengine.h>

namespace Varn {
namespace detail {

/// The library's engine. `filter` always points at a readable word: a word
/// of 0 of the library's own until the engine opens and again once it has
/// closed, the engine's live filter word in between. Constant-initialised,
/// so it is valid before any module-wide object is constructed.
extern trace_engine_object g_TraceEngine;

/// Opens the library's engine when constructed and closes it when destroyed;
/// exactly one is defined, in the module-wide objects' early group.
class CZtTraceEngineLifetime {
public:
    CZtTraceEngineLifetime();
    ~CZtTraceEngineLifetime();
    CZtTraceEngineLifetime(const CZtTraceEngineLifetime&) = delete;
    CZtTraceEngineLifetime& operator=(const CZtTraceEngineLifetime&) = delete;
};

/// The current value of the library's filter word.
inline unsigned int TraceFilterWord() {
    return __atomic_load_n(__atomic_load_n(&g_TraceEngine.filter, __ATOMIC_RELAXED),
                           __ATOMIC_RELAXED);
}

/// True when an unflagged line of `severity` passes `word`: one unsigned
/// comparison that also rejects severity 0 (0 - 1 wraps to the largest value).
inline bool TraceSeverityPasses(unsigned int word, unsigned int severity) {
    return severity - 1u < (word & 7u);
}

/// Registers one of the library's flags with its engine and returns the id;
/// TRACE_FLAG_NONE, never enabled, when no engine is open.
unsigned char RegisterTraceFlag(const char* name);

/// The flag ids, kept in module-wide bytes by the registrations in the
/// module-wide objects' ordinary group. Before registration they read 0,
/// which no word enables.
extern unsigned char g_byTraceFlagNfrMem;       ///< memory usage lines
extern unsigned char g_byTraceFlagNfrCpu;       ///< CPU usage lines
extern unsigned char g_byTraceFlagNfr;          ///< registered only, for controls
extern unsigned char g_byTraceFlagPerformance;  ///< registered only, for controls
/// The second "NFR_MEM" and "NFR_CPU" registrations (the same ids); lines
/// use the first.
extern unsigned char g_byTraceFlagNfrMemAgain;
extern unsigned char g_byTraceFlagNfrCpuAgain;

}  // namespace detail
}  // namespace Varn

/// Writes `message` (a `Tracing::TraceMessage` expression) at `severity` when
/// the library's filter word lets that severity through; otherwise neither
/// `message` nor anything in it is evaluated.
#define ZT_TRACE(severity, message)                                                                \
    do {                                                                                           \
        const unsigned int ztTraceLevel_ = static_cast<unsigned int>(severity);                    \
        if (::Varn::detail::TraceSeverityPasses(::Varn::detail::TraceFilterWord(), ztTraceLevel_)) \
            ::Tracing::Write(::Varn::detail::g_TraceEngine.handle, ztTraceLevel_, (message));      \
    } while (0)

/// Writes `message` under the flag `flagId` (one of the TraceFlag... ids) when
/// the library's filter word enables that flag; the severity is carried in
/// the level word but not compared. Otherwise `message` is not evaluated.
#define ZT_TRACE_FLAG(flagId, severity, message)                                         \
    do {                                                                                 \
        const unsigned char ztTraceFlag_ = (flagId);                                     \
        if (trace_flag_enabled(::Varn::detail::TraceFilterWord(), ztTraceFlag_))         \
            ::Tracing::Write(                                                            \
                ::Varn::detail::g_TraceEngine.handle,                                    \
                trace_level_for_flag(static_cast<unsigned int>(severity), ztTraceFlag_), \
                (message));                                                              \
    } while (0)

#endif  // ZOTREL_SRC_DIAGNOSTICS_TRACING_H
