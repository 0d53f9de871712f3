#include "controlspec.h"

#include <cctype>

namespace Varn::trace {

namespace {

struct SeverityName {
    const char* name;  // as the control syntax reads it, after an optional "Severity"
    int value;
};

// Every name a severity item may use. "default" stands for info; "error" is
// the name of severity 2, which has no "Severity..." name of its own.
constexpr SeverityName kSeverityNames[] = {
    {"none", 0},    {"fatal", 1},   {"error", 2}, {"warning", 3}, {"info", 4},
    {"default", 4}, {"verbose", 5}, {"debug", 6}, {"call", 7},
};

// Level text and short name by severity.
constexpr const char* kLevelNames[8] = {"NONE", "FATAL",   "ERROR", "WARNING",
                                        "INFO", "VERBOSE", "DEBUG", "CALL"};
constexpr const char* kShortNames[8] = {"none", "fatal",   "error", "warning",
                                        "info", "verbose", "debug", "call"};

bool IsFlagNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '-';
}

constexpr std::string_view kSeverityPrefix = "severity";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool IsNumber(std::string_view text) {
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return !text.empty();
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

int SeverityFromName(std::string_view word) {
    if (word.size() == 1 && word[0] >= '0' && word[0] <= '7')
        return word[0] - '0';
    if (word.size() > kSeverityPrefix.size() && StartsWithNoCase(word, kSeverityPrefix))
        word.remove_prefix(kSeverityPrefix.size());
    for (const SeverityName& entry : kSeverityNames) {
        if (EqualsNoCase(word, entry.name))
            return entry.value;
    }
    return -1;
}

bool ParseControlSpec(std::string_view text, ControlSpec& spec) {
    ControlSpec parsed;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = Trim(text.substr(0, comma));
        if (!item.empty()) {
            const int severity = SeverityFromName(item);
            if (severity >= 0) {
                parsed.severity = severity;
            } else {
                // A number that is no severity ("8") and a "Severity..." word
                // that names none are mistakes, not flag names.
                if (IsNumber(item) || StartsWithNoCase(item, kSeverityPrefix))
                    return false;
                FlagSetting flag;
                std::string_view name = item;
                if (name[0] == '+' || name[0] == '-') {
                    flag.enable = name[0] == '+';
                    name.remove_prefix(1);
                }
                if (name.empty())
                    return false;
                for (char c : name) {
                    if (!IsFlagNameChar(c))
                        return false;
                }
                flag.name.assign(name);
                parsed.flags.push_back(std::move(flag));
            }
        }
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    spec = std::move(parsed);
    return true;
}

const char* SeverityLevelName(unsigned severity) {
    return kLevelNames[severity & 7];
}

const char* SeverityShortName(unsigned severity) {
    return kShortNames[severity & 7];
}

}  // namespace Varn::trace
