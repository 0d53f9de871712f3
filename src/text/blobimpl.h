// The shared body of CZtBlob.
#ifndef ZOTREL_SRC_TEXT_BLOBIMPL_H
#define ZOTREL_SRC_TEXT_BLOBIMPL_H

#include <zotrel/blob.h>

#include <QByteArray>

#include <utility>

#include "foundation/shared.h"

namespace Varn {

/// One run of bytes shared by every CZtBlob that copies it: the QByteArray,
/// the reference count and the read/write position. The position lives here,
/// not in the handle, so handles that share a body share it too; copy on
/// modify gives the new private body position 0.
class CZtBlobImpl : public CZtBlobData {
public:
    CZtBlobImpl() { Refresh(); }
    explicit CZtBlobImpl(QByteArray bytes) : m_Bytes(std::move(bytes)) { Refresh(); }
    /// Copy on modify: the bytes only; the count starts afresh at 1 and the
    /// position at 0.
    CZtBlobImpl(const CZtBlobImpl& other) : CZtBlobData(), m_Bytes(other.m_Bytes), m_Position(0) {
        Refresh();
    }
    CZtBlobImpl& operator=(const CZtBlobImpl&) = delete;
    ~CZtBlobImpl() override = default;

    /// Points the base's byte pointer at the current bytes. Reads the bytes
    /// without detaching the QByteArray, so it is safe on a shared body.
    void Refresh() {
        m_pData = reinterpret_cast<unsigned char*>(const_cast<char*>(m_Bytes.constData()));
    }

    // Access to a handle's body for the implementation of CZtBlob.

    /// The bytes of `b`, or null when it is detached.
    static const QByteArray* BytesOf(const CZtBlob& b) {
        return b.m_pImpl ? &b.m_pImpl->m_Bytes : nullptr;
    }
    /// The bytes of `b`; a detached blob counts as no bytes.
    static const QByteArray& BytesOrEmpty(const CZtBlob& b);
    /// Wraps a new body holding `bytes` in a handle.
    static CZtBlob Make(QByteArray bytes);
    /// Makes the handle's body private; null when detached.
    static CZtBlobImpl* BeginEdit(CZtBlob& b);

    /// Scoped write access to a handle's body: makes it private first and
    /// refreshes the byte pointer afterwards. Converts to false (and gives no
    /// body) when the handle is detached.
    class Edit {
    public:
        explicit Edit(CZtBlob& b) : m_pImpl(BeginEdit(b)) {}
        ~Edit() {
            if (m_pImpl)
                m_pImpl->Refresh();
        }
        Edit(const Edit&) = delete;
        Edit& operator=(const Edit&) = delete;
        explicit operator bool() const { return m_pImpl != nullptr; }
        QByteArray& operator*() const { return m_pImpl->m_Bytes; }
        QByteArray* operator->() const { return &m_pImpl->m_Bytes; }
        /// The body's read/write position.
        unsigned int& Position() const { return m_pImpl->m_Position; }

    private:
        CZtBlobImpl* m_pImpl;
    };

    QByteArray m_Bytes;
    detail::SharedCount m_RefCount;
    unsigned int m_Position = 0;
};

}  // namespace Varn

#endif  // ZOTREL_SRC_TEXT_BLOBIMPL_H
