// The control syntax shared by ZOTREL_TRACE, trace_control_set and the
// zotrel-trace tool, and the table of severity names it reads.
#ifndef ZOTREL_TRACE_CONTROLSPEC_H
#define ZOTREL_TRACE_CONTROLSPEC_H

#include <string>
#include <string_view>
#include <vector>

namespace Varn::trace {

/// One flag item: its name and whether it is to be enabled.
struct FlagSetting {
    std::string name;
    bool enable = true;
};

/// A parsed spec: the last severity item (-1 when there is none) and the flag
/// items in the order written.
struct ControlSpec {
    int severity = -1;
    std::vector<FlagSetting> flags;
};

/// Parses comma-separated items; blanks around an item and empty items are
/// ignored. A word that is no severity is a flag name. False, with `spec`
/// unchanged, for a malformed spec: a number outside 0..7, a word starting
/// with "Severity" that names no severity, a sign without a name, or a name
/// with characters other than letters, digits, '_', '.' and '-'.
bool ParseControlSpec(std::string_view text, ControlSpec& spec);

/// The severity a name stands for ("debug", "SeverityDebug", "6"), without
/// regard to case; -1 for a word that is not a severity.
int SeverityFromName(std::string_view word);

/// True when two ASCII texts are equal without regard to case.
bool EqualsNoCase(std::string_view a, std::string_view b);

/// The level text of a line of severity 0..7 ("FATAL", "ERROR", ...).
const char* SeverityLevelName(unsigned severity);

/// The short lower-case name of a severity ("debug"), for the tool's output.
const char* SeverityShortName(unsigned severity);

}  // namespace Varn::trace

#endif  // ZOTREL_TRACE_CONTROLSPEC_H
