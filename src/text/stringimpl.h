// The shared body of CZtString.
#ifndef ZOTREL_SRC_TEXT_STRINGIMPL_H
#define ZOTREL_SRC_TEXT_STRINGIMPL_H

#include <zotrel/string.h>

#include <QByteArray>
#include <QString>

#include <string>
#include <utility>

#include "foundation/shared.h"

namespace Varn {

/// One text shared by every CZtString that copies it: the QString, the
/// reference count, and the Latin-1 and wide copies handed out by `c_str` and
/// `w_str`, which are built on first use and dropped before every change.
class CZtStringImpl : public CZtStringData {
public:
    CZtStringImpl() { Refresh(); }
    explicit CZtStringImpl(QString text) : m_Text(std::move(text)) { Refresh(); }
    /// Copy on modify: the text only; caches and count start afresh.
    CZtStringImpl(const CZtStringImpl& other) : CZtStringData(), m_Text(other.m_Text) { Refresh(); }
    CZtStringImpl& operator=(const CZtStringImpl&) = delete;
    ~CZtStringImpl() override = default;

    const char* Latin1() const;
    const wchar_t* Wide() const;

    /// Points the base's text pointer at the current characters.
    void Refresh() { m_pszData = reinterpret_cast<const char16_t*>(m_Text.utf16()); }
    void DropCaches() {
        __atomic_store_n(&m_pszLatin1, nullptr, __ATOMIC_RELAXED);
        m_Latin1.Reset();
        m_Wide.Reset();
    }

    // Access to a handle's body for the implementation of CZtString.

    /// The text of `s`, or null when it is detached.
    static const QString* TextOf(const CZtString& s) {
        return s.m_pImpl ? &s.m_pImpl->m_Text : nullptr;
    }
    /// The text of `s`; a detached string counts as empty.
    static const QString& TextOrEmpty(const CZtString& s);
    /// Wraps a new body holding `text` in a handle.
    static CZtString Make(QString text);
    /// Makes the handle's body private and drops its caches; null when detached.
    static CZtStringImpl* BeginEdit(CZtString& s);

    QString m_Text;
    detail::SharedCount m_RefCount;

    /// Scoped write access to a handle's text (see detail::BodyEdit).
    using Edit = detail::BodyEdit<CZtString, CZtStringImpl, QString, &CZtStringImpl::m_Text>;

private:
    detail::LazyCache<QByteArray> m_Latin1;
    detail::LazyCache<std::wstring> m_Wide;
};

}  // namespace Varn

#endif  // ZOTREL_SRC_TEXT_STRINGIMPL_H
