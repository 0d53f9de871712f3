// Helpers shared by the CZtString tests.
#ifndef ZOTREL_TESTS_TEXT_STRING_TEST_UTIL_H
#define ZOTREL_TESTS_TEXT_STRING_TEST_UTIL_H

#include <zotrel/string.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zotrel_test {

/// The wide text of `s`, or "<detached>" when it hands out no pointer.
inline std::wstring Text(const Varn::CZtString& s) {
    const wchar_t* p = s.w_str();
    return p ? std::wstring(p) : std::wstring(L"<detached>");
}

/// The UTF-16 code units of `s`, read one by one.
inline std::u16string Units(const Varn::CZtString& s) {
    std::u16string out;
    for (int i = 0; i < s.Length(); ++i)
        out.push_back(static_cast<char16_t>(s[i]));
    return out;
}

/// What `c_str()` gives for a text: Latin-1 characters as they are, every
/// UTF-16 unit outside Latin-1 as '?' (so two for a character beyond the BMP).
inline std::string Latin1Of(const std::wstring& text) {
    std::string out;
    for (wchar_t ch : text) {
        const unsigned long code = static_cast<unsigned long>(ch);
        if (code > 0xFFFFu)
            out += "??";
        else if (code > 0xFFu)
            out += '?';
        else
            out += static_cast<char>(code);
    }
    return out;
}

/// The ways a string enters the detached state.
struct DetachedMaker {
    const char* name;
    std::function<std::unique_ptr<Varn::CZtString>()> make;
};

inline const std::vector<DetachedMaker>& DetachedMakers() {
    using Varn::CZtString;
    static const std::vector<DetachedMaker> makers = {
        {"from null string pointer",
         [] { return std::make_unique<CZtString>(static_cast<const CZtString*>(nullptr)); }},
        {"from null QString pointer",
         [] { return std::make_unique<CZtString>(static_cast<const QString*>(nullptr)); }},
        {"from null GUID pointer",
         [] { return std::make_unique<CZtString>(static_cast<const Varn::CZtGUID*>(nullptr)); }},
        {"assigned null QString pointer",
         [] {
             auto s = std::make_unique<CZtString>("text");
             *s = static_cast<const QString*>(nullptr);
             return s;
         }},
    };
    return makers;
}

/// True when `s` is in the detached state (it hands out no pointers).
inline bool IsDetached(const Varn::CZtString& s) {
    return s.c_str() == nullptr && s.w_str() == nullptr &&
           static_cast<const QString*>(s) == nullptr;
}

}  // namespace zotrel_test

#endif  // ZOTREL_TESTS_TEXT_STRING_TEST_UTIL_H
