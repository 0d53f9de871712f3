/// @file
/// Zotrel tracing: the library's trace setup, `CZtTraceInitializer`, and the
/// stream operators that put library types into a trace line.
///
/// The library writes its own trace lines (component "Zotrel", sub-component
/// "ZtCore") through one trace engine that it opens when it is loaded and
/// closes when it is unloaded (see `<zotrel/traceengine.h>` for the engine, its
/// filter word and the line format). `CZtTraceInitializer` is the all-static
/// face of that setup: a client names its project, reads and sets the
/// library's own severity, keeps a table of severities by trace name, and
/// turns severity names into values.
///
///     using Varn::CZtTraceInitializer;
///     CZtTraceInitializer::Initialize(L"Plant 7");
///     CZtTraceInitializer::SetZotrelSeverity(
///         CZtTraceInitializer::StringToSeverity(L"SeverityDebug"));   // 6
///     CZtTraceInitializer::SetTraceSeverity(L"Pumps", Tracing::Severity::SeverityInfo);
///
/// A client module writes its own lines through its own engine; the two
/// `operator<<` below let it append a `CZtString` or a `CZtCHROMID`, and, like
/// the library, it tests the filter word before building anything:
///
///     trace_engine_object engine = {nullptr, nullptr};
///     trace_engine_create("Pumps", "Plant", 0, 0, 1, &engine.handle, &engine);
///     if ((__atomic_load_n(engine.filter, __ATOMIC_RELAXED) & 7) >= 6)
///         Tracing::Write(engine.handle, 6, Tracing::TraceMessage("pump %1 at %2") << name << id);
///
/// Threads. Lines may be written from any thread. The library's filter word is
/// read without a lock, and `SetZotrelSeverity` changes it with an atomic
/// compare-and-exchange, so a flag that another thread or the `zotrel-trace`
/// tool changes at the same moment is kept. The project name and the
/// severity table are not locked: set them before other threads read them.
#ifndef ZOTREL_TRACE_H
#define ZOTREL_TRACE_H

#include <zotrel/traceengine.h>

#include <zotrel/chromid.h>
#include <zotrel/foundation.h>
#include <zotrel/map.h>
#include <zotrel/string.h>

namespace Varn {

/// The library's trace setup; every member but the special ones is static.
/// The class holds no data of its own.
class ZOTREL_EXPORT CZtTraceInitializer {
public:
    /// Copies nothing: the class has no data.
    CZtTraceInitializer(const CZtTraceInitializer& other);
    /// Copies nothing; returns this object.
    CZtTraceInitializer& operator=(const CZtTraceInitializer& other);
    /// Nothing to free.
    virtual ~CZtTraceInitializer();

    /// Stores the project name and marks the setup as initialized.
    static void Initialize(const CZtString& projectName);
    /// Does nothing: the project name and the initialized mark stay.
    static void Uninitialize();
    /// The project name as Latin-1 text once `Initialize` has run (an empty
    /// or detached name gives `""`), else `" "` (one blank). Never null; valid
    /// until the next `Initialize`.
    static const char* GetProjectName();

    /// Sets the library's severity: bits 0-3 of its filter word become the
    /// value, the flag bits stay. A value outside 0..7 is clamped into it, so
    /// it can never touch a flag. Does nothing while no engine is open.
    static void SetZotrelSeverity(Tracing::Severity::Type severity);
    /// The library's severity: its filter word AND 7.
    static Tracing::Severity::Type GetZotrelSeverity();

    /// Sets the severity kept for a trace name (an existing name gets the new value).
    static void SetTraceSeverity(const CZtString& name, Tracing::Severity::Type severity);
    /// The severity kept for a trace name; 0 for a name never set.
    static Tracing::Severity::Type GetTraceSeverity(const CZtString& name);

    /// The severity a name stands for, compared without regard to case:
    /// "SeverityDefault" 4, "SeverityNone" 0, "SeverityFatal" 1,
    /// "SeverityWarning" 3, "SeverityInfo" 4, "SeverityVerbose" 5,
    /// "SeverityDebug" 6, "SeverityCall" 7. An empty text and a text that
    /// names none give 4; a detached string (no text at all) gives 2.
    static Tracing::Severity::Type StringToSeverity(const CZtString& text);

    /// The project name; empty at load.
    static CZtString sm_strProjectName;
    /// False at load; set by `Initialize`.
    static bool sm_bInitialized;
    /// Trace name to a variant holding the severity as a 32-bit integer.
    static CZtMap sm_TraceLevelRepository;

private:
    CZtTraceInitializer();
};

/// Appends the text as a wide-text parameter (the engine copies it) and
/// returns the message. A detached string appends an empty text.
ZOTREL_EXPORT const Tracing::TraceMessage& operator<<(const Tracing::TraceMessage& message,
                                                      const CZtString& text);
/// Appends the identifier's text form (`CZtCHROMID::ToString`) as the string
/// operator does; a cleared identifier appends an empty text.
ZOTREL_EXPORT const Tracing::TraceMessage& operator<<(const Tracing::TraceMessage& message,
                                                      const CZtCHROMID& id);

}  // namespace Varn

#endif  // ZOTREL_TRACE_H
