/// @file
/// Zotrel trace engine: the seven trace_* functions, trace lines and their control.
///
/// A trace engine belongs to one component of a process ("Zotrel/ZtCore" for
/// this library). It owns a 32-bit filter word that decides which lines are
/// written:
///
///   - bits 0-3 hold the engine's severity (read as bits 0-2): a line of
///     severity s (1 fatal .. 7 call, `Tracing::Severity::Type`) is written
///     when `(word & 7) >= s`. A line of severity 0 is never written;
///   - bit n, for n of 4..31, enables the flag whose id is n. A flagged line
///     (level word = `severity | (1 << id)`, see `trace_level_for_flag`) is
///     written when its flag bit is set, whatever the severity.
///
/// The word lives in a shared-memory object that only the process's own user
/// can open, so the `zotrel-trace` tool can change it while the process runs;
/// `trace_engine_object.filter` points at it, and a caller that tests the
/// word itself before building a line pays one load and one compare for a
/// line that is filtered out.
///
/// A line is rendered from a format with the placeholders `%1`..`%9` (`%2:x`
/// asks for lower-case hexadecimal without prefix) and up to nine parameters:
///
///     2026-12-09T03:40:24.123456Z 4711 Zotrel/ZtCore DEBUG Pump 7 started
///
/// time (UTC, microseconds), kernel thread id, component/sub-component, level
/// (FATAL, ERROR, WARNING, INFO, VERBOSE, DEBUG, CALL, or the flag's name for
/// a flagged line) and text. Each line is handed to the operating system with
/// a single write before the call returns: lines of concurrent threads never
/// interleave and nothing waits in a buffer of the process. Lines go to
/// standard error, to the file named by `ZOTREL_TRACE_FILE` (appended), or to
/// the sink installed with `trace_control_set_sink`.
///
/// Control spec (`ZOTREL_TRACE`, `trace_control_set`, `zotrel-trace`): items
/// separated by commas. A severity item is a digit 0..7 or a severity name
/// (none, fatal, error, warning, info, default, verbose, debug, call), without
/// regard to case and with or without the prefix "Severity". A flag item is
/// `NAME` or `+NAME` (enable) or `-NAME` (disable); a flag named before it is
/// registered starts in that state when it is registered.
///
///     ZOTREL_TRACE=debug,+NFR_CPU ./plant              # at start-up
///     zotrel-trace 4711 Zotrel SeverityWarning,-NFR_CPU  # later, from outside
///
/// Every function may be called from any thread. This header also compiles
/// as C11; `Tracing::TraceMessage` and `Tracing::Severity` are C++ only.

#ifndef ZOTREL_TRACEENGINE_H
#define ZOTREL_TRACEENGINE_H

#include <stddef.h>

/// Marks a declaration as exported by the trace engine library.
#define ZOTREL_TRACE_EXPORT __attribute__((visibility("default")))
#ifdef __cplusplus
/// An exported trace engine function with C linkage.
#define ZOTREL_TRACE_API extern "C" ZOTREL_TRACE_EXPORT
#else
#define ZOTREL_TRACE_API ZOTREL_TRACE_EXPORT
#endif

/// Parameter type codes of `trace_param_init`. For text the pointer itself is
/// passed as the value (the text is copied); for numbers, the value's address.
enum {
    TRACE_PARAM_NARROW = 2,  ///< A `const char*`: UTF-8 kept, other bytes read as Latin-1.
    TRACE_PARAM_WIDE = 3,    ///< A `const wchar_t*`: written as UTF-8.
    TRACE_PARAM_INT32 = 4,   ///< A `const int*`.
    TRACE_PARAM_UINT32 = 5,  ///< A `const unsigned int*`.
    TRACE_PARAM_INT64 = 7,   ///< A `const long long*`.
    TRACE_PARAM_UINT64 = 8,  ///< A `const unsigned long long*`.
    TRACE_PARAM_DOUBLE = 9   ///< A `const double*`: up to 15 significant digits.
};

/// Parameters a line renders (`%1`..`%9`); more slots are not read.
#define TRACE_MAX_PARAMS 9

/// Flag ids are 4..31; registration beyond the word's bits gives this id,
/// which is never enabled.
#define TRACE_FLAG_NONE 0xFFu

/// One parameter of a line: 16 bytes on every target, filled by
/// `trace_param_init` and released by `trace_param_clear`. What it holds (a
/// number, a short text in place, or a longer text's copy) is the engine's
/// business; callers only pass slots along.
typedef struct __attribute__((aligned(8))) trace_param {
    unsigned char storage[15];  ///< The value, or the text or its copy's address.
    unsigned char type;         ///< 0 for an empty slot.
} trace_param;

/// An open engine, as `trace_engine_create` hands it out; opaque.
typedef struct trace_engine_impl* trace_engine_handle;

/// What a caller keeps of its engine. `filter` always points at a readable
/// word: the engine's live filter word, or a word that stays 0 while no engine
/// is open. Read it with a relaxed atomic load.
typedef struct trace_engine_object {
    unsigned int* filter;        ///< The filter word to test before building a line.
    trace_engine_handle handle;  ///< The engine, or null.
} trace_engine_object;

/// Opens an engine for `component`/`subcomponent` (neither null), applies
/// ZOTREL_TRACE to it, publishes it for `zotrel-trace`, stores its handle in
/// `*handle` and points `engine->filter` at its filter word. The three
/// integers are reserved (pass 0, 0, 1). Returns 0, or -1 for a null argument
/// (then `*handle` is null and `engine->filter` points at a word of 0).
ZOTREL_TRACE_API int trace_engine_create(const char* subcomponent, const char* component,
                                         int reserved1, int reserved2, int reserved3,
                                         trace_engine_handle* handle, trace_engine_object* engine);

/// Closes an engine; the caller sets its handle to null afterwards. Words
/// handed out keep their last value and stay readable, and a write through
/// the closed handle (from a thread that still had it) writes nothing. Null
/// does nothing.
ZOTREL_TRACE_API void trace_engine_destroy(trace_engine_handle handle);

/// Registers a flag by name and returns its id (4..31). The same name gives
/// the same id again; TRACE_FLAG_NONE for a null handle or name, or when all
/// 28 ids are taken. `reserved` is 0.
ZOTREL_TRACE_API unsigned char trace_engine_register_flag(trace_engine_handle handle,
                                                          const char* name, int reserved);

/// Writes one line when `level` passes the engine's filter word. The format
/// and the parameters stay the caller's; `count` slots from `params` are read
/// (at most nine; params may be null when count is 0). A null handle or format
/// writes nothing. Returns 1 when a line was written, 0 otherwise.
ZOTREL_TRACE_API int trace_engine_write(trace_engine_handle handle, int reserved1, int reserved2,
                                        unsigned int level, const char* format,
                                        unsigned int reserved3, unsigned int reserved4,
                                        unsigned char count, const trace_param* params);

/// Fills a slot; see the TRACE_PARAM_... codes. A null text is written as
/// "(null)"; an unknown type leaves the slot empty, and an empty slot's
/// placeholder stays as written. A null slot does nothing.
ZOTREL_TRACE_API void trace_param_init(trace_param* slot, int type, const void* value);

/// Releases what `count` slots from `first` hold and empties them. A null
/// `first` does nothing.
ZOTREL_TRACE_API void trace_param_clear(trace_param* first, unsigned int count);

/// Frees a buffer that the trace engine allocated. Null does nothing.
ZOTREL_TRACE_API void trace_free(void* buffer);

/// Applies a control spec to the engines of this process whose component
/// matches ("Zotrel", or "Zotrel/ZtCore" for one sub-component, without regard
/// to case); null matches all. Returns 0, or -1 for a malformed spec (or one
/// that names more pending flags than an engine can hold), which changes
/// nothing.
ZOTREL_TRACE_API int trace_control_set(const char* component, const char* spec);

/// Receives each written line, without its newline. It may be called from
/// several threads at once, and must not call `trace_control_set_sink`.
typedef void (*trace_sink)(void* context, const char* line, size_t length);

/// Sends every line to `sink` instead of the file or standard error; null
/// restores the default. When it returns, no call of the previous sink is
/// still running, so its context may be freed.
ZOTREL_TRACE_API void trace_control_set_sink(trace_sink sink, void* context);

/// The level word of a line of `severity` under the flag `flag_id`: the
/// severity with the flag's bit, or the bare severity for an id outside 4..31.
static inline unsigned int trace_level_for_flag(unsigned int severity, unsigned char flag_id) {
    return flag_id >= 4 && flag_id < 32 ? (severity & 15u) | (1u << flag_id) : (severity & 15u);
}

/// True when `word` enables the flag `flag_id`; never for an id outside 4..31.
static inline int trace_flag_enabled(unsigned int word, unsigned char flag_id) {
    return flag_id >= 4 && flag_id < 32 && ((word >> flag_id) & 1u) != 0;
}

#ifdef __cplusplus

/// The C++ side of the trace engine: severities and the line builder.
namespace Tracing {

/// The severity values of trace lines and filter words.
namespace Severity {
/// Severities of trace lines; a filter severity lets a line through when it
/// is at least the line's.
enum Type {
    SeverityNone = 0,   ///< As a filter: nothing is traced. A line of severity 0 is never written.
    SeverityFatal = 1,  ///< The process cannot go on (level FATAL).
    SeverityError = 2,  ///< An operation failed (level ERROR).
    SeverityWarning = 3,  ///< Something unexpected that the code handled (level WARNING).
    SeverityInfo = 4,     ///< Normal operation worth noting (level INFO).
    SeverityDefault = 4,  ///< The usual filter severity: `SeverityInfo`.
    SeverityVerbose = 5,  ///< More detail on normal operation (level VERBOSE).
    SeverityDebug = 6,    ///< Detail for debugging (level DEBUG).
    SeverityCall = 7      ///< Calls of functions (level CALL); the most detailed.
};
}  // namespace Severity

/// One trace line being built: a format with `%1`..`%9` and up to nine
/// parameters, appended in placeholder order with `<<`. A tenth parameter is
/// ignored. Usually a temporary:
///
///     trace_engine_write(h, 0, 0, level, msg.Format(), 0, 0, msg.Count(), msg.Params());
///
/// The `<<` operators take the message by const reference so that they work
/// on a temporary; they change its parameter slots all the same.
class TraceMessage {
public:
    /// A message with the format (kept by pointer: it must outlive the
    /// message) and no parameters.
    explicit TraceMessage(const char* format) : m_format(format) {}
    /// Frees the engine's buffers and clears the parameter slots.
    ~TraceMessage() {
        for (void* buffer : m_buffers) {
            if (buffer)
                trace_free(buffer);
        }
        if (m_count)
            trace_param_clear(m_params, m_count);
    }
    /// Not copyable: the slots own their texts.
    TraceMessage(const TraceMessage&) = delete;
    /// Not assignable.
    TraceMessage& operator=(const TraceMessage&) = delete;

    /// The format the message was made with.
    const char* Format() const { return m_format; }
    /// The number of parameters appended (at most nine).
    unsigned char Count() const { return m_count; }
    /// The first slot, or null when no parameter was appended.
    const trace_param* Params() const { return m_count ? m_params : nullptr; }

    /// Appends one parameter of a `TRACE_PARAM_...` type (see `trace_param_init`)
    /// and returns the message; beyond nine parameters nothing is appended.
    const TraceMessage& Append(int type, const void* value) const {
        if (m_count < kMaxParams) {
            trace_param_init(&m_params[m_count], type, value);
            ++m_count;
        }
        return *this;
    }

    /// Appends narrow text (copied; UTF-8 kept, other bytes read as Latin-1;
    /// null is written as "(null)") and returns the message.
    const TraceMessage& operator<<(const char* text) const {
        return Append(TRACE_PARAM_NARROW, text);
    }
    /// Appends wide text (copied, written as UTF-8; null is written as
    /// "(null)") and returns the message.
    const TraceMessage& operator<<(const wchar_t* text) const {
        return Append(TRACE_PARAM_WIDE, text);
    }
    /// Appends the number (64-bit types for `long` and `unsigned long`) and
    /// returns the message.
    ///@{
    const TraceMessage& operator<<(int value) const { return Append(TRACE_PARAM_INT32, &value); }
    const TraceMessage& operator<<(unsigned int value) const {
        return Append(TRACE_PARAM_UINT32, &value);
    }
    const TraceMessage& operator<<(long value) const {
        const long long wide = value;
        return Append(TRACE_PARAM_INT64, &wide);
    }
    const TraceMessage& operator<<(unsigned long value) const {
        const unsigned long long wide = value;
        return Append(TRACE_PARAM_UINT64, &wide);
    }
    const TraceMessage& operator<<(long long value) const {
        return Append(TRACE_PARAM_INT64, &value);
    }
    const TraceMessage& operator<<(unsigned long long value) const {
        return Append(TRACE_PARAM_UINT64, &value);
    }
    const TraceMessage& operator<<(double value) const {
        return Append(TRACE_PARAM_DOUBLE, &value);
    }
    ///@}

    /// The most parameters a message keeps.
    static constexpr unsigned char kMaxParams = TRACE_MAX_PARAMS;

private:
    const char* m_format;
    mutable void* m_buffers[3] = {nullptr, nullptr, nullptr};    // the engine's, freed here
    mutable trace_param m_params[kMaxParams];                    // the first m_count are filled
    [[maybe_unused]] mutable unsigned long long m_reserved = 0;  // always 0
    mutable unsigned char m_count = 0;
};

/// Writes `message` through `handle` at `level` (see `trace_engine_write`).
inline int Write(trace_engine_handle handle, unsigned int level, const TraceMessage& message) {
    return trace_engine_write(handle, 0, 0, level, message.Format(), 0, 0, message.Count(),
                              message.Params());
}

}  // namespace Tracing

#endif  // __cplusplus

#endif  // ZOTREL_TRACEENGINE_H
