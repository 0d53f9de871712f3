// CZtErrorDescriptor and the process-wide table of error texts.
#include <zotrel/context.h>

#include <map>
#include <mutex>

#include "diagnostics/firstuse.h"

namespace Varn {

/// The text recorded for each code. Descriptors are made on any thread, so
/// the table has a lock of its own.
class CZtErrorMap {
public:
    void Set(unsigned int code, const CZtString& text) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Texts[code] = text;
    }
    /// The text of `code`; false when none was recorded.
    bool Get(unsigned int code, CZtString& text) const {
        std::lock_guard<std::mutex> lock(m_Mutex);
        const auto it = m_Texts.find(code);
        if (it == m_Texts.end())
            return false;
        text = it->second;
        return true;
    }

private:
    mutable std::mutex m_Mutex;
    std::map<unsigned int, CZtString> m_Texts;
};

namespace {

detail::CZtFirstUse<CZtErrorMap> g_ErrorMap;

}  // namespace

void detail::DestroyErrorMap() {
    g_ErrorMap.Destroy();
}

CZtErrorMap& CZtErrorDescriptor::GetErrorMap() {
    return g_ErrorMap.Get();
}

CZtErrorDescriptor::CZtErrorDescriptor(unsigned int code, const CZtString& description)
    : m_nCode(code), m_strDescription(description) {
    GetErrorMap().Set(code, description);
}

CZtErrorDescriptor::CZtErrorDescriptor(const CZtErrorDescriptor& other)
    : CZtCrtAllocated(), m_nCode(other.m_nCode), m_strDescription(other.m_strDescription) {}

CZtErrorDescriptor& CZtErrorDescriptor::operator=(const CZtErrorDescriptor& other) {
    m_nCode = other.m_nCode;
    m_strDescription = other.m_strDescription;
    return *this;
}

CZtErrorDescriptor::~CZtErrorDescriptor() = default;

CZtErrorDescriptor::operator unsigned int() const {
    return m_nCode;
}

CZtString CZtErrorDescriptor::GetErrorString(unsigned int code) {
    CZtString text;
    if (!GetErrorMap().Get(code, text))
        return CZtString(L"<no error>");
    return text;
}

}  // namespace Varn
