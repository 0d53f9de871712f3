// CZtTraceInitializer: the project name, the library's severity and the
// table of severities by trace name. Its static data is defined with the
// other module-wide objects, in foundation/moduleinit.cpp.
#include <zotrel/trace.h>

#include "diagnostics/tracing.h"

#include <QString>

namespace Varn {

namespace {

struct SeverityName {
    const wchar_t* name;
    Tracing::Severity::Type value;
};

// Searched in this order; the first name equal without regard to case wins.
constexpr SeverityName kSeverityNames[] = {
    {L"SeverityDefault", Tracing::Severity::SeverityDefault},
    {L"SeverityNone", Tracing::Severity::SeverityNone},
    {L"SeverityFatal", Tracing::Severity::SeverityFatal},
    {L"SeverityWarning", Tracing::Severity::SeverityWarning},
    {L"SeverityInfo", Tracing::Severity::SeverityInfo},
    {L"SeverityVerbose", Tracing::Severity::SeverityVerbose},
    {L"SeverityDebug", Tracing::Severity::SeverityDebug},
    {L"SeverityCall", Tracing::Severity::SeverityCall},
};

// The severity bits of the filter word; the bits above enable flags.
constexpr unsigned int kSeverityBits = 15u;
constexpr int kHighestSeverity = Tracing::Severity::SeverityCall;

}  // namespace

CZtTraceInitializer::CZtTraceInitializer() = default;

CZtTraceInitializer::CZtTraceInitializer(const CZtTraceInitializer&) {}

CZtTraceInitializer& CZtTraceInitializer::operator=(const CZtTraceInitializer&) {
    return *this;
}

CZtTraceInitializer::~CZtTraceInitializer() = default;

void CZtTraceInitializer::Initialize(const CZtString& projectName) {
    sm_strProjectName = projectName;
    sm_bInitialized = true;
}

void CZtTraceInitializer::Uninitialize() {}

const char* CZtTraceInitializer::GetProjectName() {
    if (!sm_bInitialized)
        return " ";
    const char* name = sm_strProjectName.c_str();
    return name ? name : "";
}

void CZtTraceInitializer::SetZotrelSeverity(Tracing::Severity::Type severity) {
    // While no engine is open the filter points at a word that must stay 0
    // (ours, or the engine's after a failed open); there is nothing to set.
    if (!detail::g_TraceEngine.handle)
        return;
    int value = static_cast<int>(severity);
    value = value < 0 ? 0 : (value > kHighestSeverity ? kHighestSeverity : value);
    unsigned int* word = __atomic_load_n(&detail::g_TraceEngine.filter, __ATOMIC_RELAXED);
    // Another thread or the zotrel-trace tool may change a flag bit at the
    // same moment; the exchange only succeeds on the word it was computed from.
    unsigned int old = __atomic_load_n(word, __ATOMIC_RELAXED);
    while (!__atomic_compare_exchange_n(word, &old,
                                        (old & ~kSeverityBits) | static_cast<unsigned int>(value),
                                        true, __ATOMIC_RELAXED, __ATOMIC_RELAXED)) {
    }
}

Tracing::Severity::Type CZtTraceInitializer::GetZotrelSeverity() {
    return static_cast<Tracing::Severity::Type>(detail::TraceFilterWord() & 7u);
}

void CZtTraceInitializer::SetTraceSeverity(const CZtString& name,
                                           Tracing::Severity::Type severity) {
    sm_TraceLevelRepository.Add(name, CZtVariant(static_cast<int>(severity)));
}

Tracing::Severity::Type CZtTraceInitializer::GetTraceSeverity(const CZtString& name) {
    if (!sm_TraceLevelRepository.Contains(name))
        return Tracing::Severity::SeverityNone;
    const unsigned int value = sm_TraceLevelRepository[name];
    return static_cast<Tracing::Severity::Type>(value);
}

Tracing::Severity::Type CZtTraceInitializer::StringToSeverity(const CZtString& text) {
    // A detached string compares equal to everything, so it is told apart
    // before the names are tried.
    if (!static_cast<const QString*>(text))
        return Tracing::Severity::SeverityError;
    if (text.IsEmpty())
        return Tracing::Severity::SeverityDefault;
    for (const SeverityName& entry : kSeverityNames) {
        if (text.CompareNoCase(CZtString(entry.name)) == 0)
            return entry.value;
    }
    return Tracing::Severity::SeverityDefault;
}

}  // namespace Varn
