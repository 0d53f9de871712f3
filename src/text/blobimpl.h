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
class CZtBlobImpl : public detail::CountedBody<CZtBlobData> {
public:
    CZtBlobImpl() { Refresh(); }
    explicit CZtBlobImpl(QByteArray bytes) : m_Bytes(std::move(bytes)) { Refresh(); }
    /// Copy on modify: the bytes only; the count starts afresh at 1 and the
    /// position at 0.
    CZtBlobImpl(const CZtBlobImpl& other) : CountedBody(), m_Bytes(other.m_Bytes), m_Position(0) {
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

    QByteArray m_Bytes;
    unsigned int m_Position = 0;

    /// Scoped write access to a handle's bytes (see detail::BodyEdit), with
    /// the body's read/write position beside them.
    class Edit : public detail::BodyEdit<CZtBlob, CZtBlobImpl, QByteArray, &CZtBlobImpl::m_Bytes> {
    public:
        using BodyEdit::BodyEdit;
        unsigned int& Position() const { return body()->m_Position; }
    };
};

}  // namespace Varn

#endif  // ZOTREL_SRC_TEXT_BLOBIMPL_H
