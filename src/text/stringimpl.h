// The shared body of CZtString.
#ifndef ZOTREL_SRC_TEXT_STRINGIMPL_H
#define ZOTREL_SRC_TEXT_STRINGIMPL_H

#include <zotrel/string.h>

#include <QString>

#include <cstddef>

#include <utility>

#include "foundation/shared.h"

namespace Varn {

/// One text shared by every CZtString that copies it: the QString, the
/// reference count, and the Latin-1 and wide copies handed out by `c_str` and
/// `w_str`, which are built on first use and dropped before every change.
///
/// Where a body lives. A body is 56 bytes, about as much as a short text's
/// own QString block: a body beside its text costs two allocations, and on a
/// heap just given back to the system, two blocks to fault in. A text that
/// the library builds itself (the digits of a number) is therefore made with
/// room after its characters (`TextWithRoom`), and `New` builds the body in
/// that room (or in any room an unshared text happens to have): one
/// allocation per text. Such a body keeps a second reference to its block
/// (`m_Host`) for as long as it lives, which has two effects. The block
/// cannot be freed under the body: when a copy of the QString handed out by
/// `operator const QString&` outlives the body, it keeps the block, and the
/// body's bytes go with it. And no QString ever writes into the block while
/// the body lives: every holder of the text sees it shared, so the first
/// change of the body's text, or of any copy, copies the characters to a new
/// block first. `Dispose`, not `delete`, ends a body. Nothing is pooled or
/// reused: a body's bytes are freed with its block, so a memory checker
/// reports a use of a dead body as soon as the block is gone (while a copy of
/// the text still holds the block, those bytes stay addressable).
class CZtStringImpl final : public detail::CountedBody<CZtStringData> {
public:
    CZtStringImpl() { Refresh(); }
    explicit CZtStringImpl(QString text) : m_Text(std::move(text)) { Refresh(); }
    /// Copy on modify: the text only; caches and count start afresh, and the
    /// copy has a block of its own.
    CZtStringImpl(const CZtStringImpl& other) : CountedBody(), m_Text(other.m_Text) { Refresh(); }
    CZtStringImpl& operator=(const CZtStringImpl&) = delete;
    ~CZtStringImpl() override { DropCaches(); }

    /// A new body holding `text`, with one reference. It is built inside the
    /// text's own block when `text` is that block's only holder and the block
    /// has room after the characters (see `TextWithRoom`); otherwise it is
    /// allocated on its own.
    static CZtStringImpl* New(QString text);
    /// `length` uninitialised UTF-16 code units (a NUL after them) in a block
    /// with room for a body after them, for texts that will be wrapped in a
    /// body at once.
    static QString TextWithRoom(int length);
    /// Destroys a body whose last reference went and frees its memory (or
    /// leaves it to the copies of the text that still hold its block).
    static void Dispose(CZtStringImpl* body) noexcept;
    /// Bodies allocated on their own (copies on modify above all) come from
    /// and go back to a small per-thread shelf of freed body blocks, as text
    /// handles do: an edit of a shared text makes one trip through the
    /// allocator less.
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size) noexcept;
    /// Placement forms, for bodies built inside their text's block.
    static void* operator new(std::size_t, void* where) noexcept { return where; }
    static void operator delete(void*, void*) noexcept {}
    /// True when `body` lives inside its text's block.
    static bool IsHosted(const CZtStringImpl* body) { return !body->m_Host.isNull(); }

    const char* Latin1() const;
    const wchar_t* Wide() const;

    /// Points the base's text pointer at the current characters.
    void Refresh() { m_pszData = reinterpret_cast<const char16_t*>(m_Text.utf16()); }
    /// Frees the Latin-1 and wide copies; for the single owner only.
    void DropCaches() noexcept;

    // Access to a handle's body for the implementation of CZtString.

    /// The body of `s`, or null when it is detached.
    static const CZtStringImpl* BodyOf(const CZtString& s) { return s.m_pImpl; }
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

    /// Scoped write access to a handle's text (see detail::BodyEdit).
    using Edit = detail::BodyEdit<CZtString, CZtStringImpl, QString, &CZtStringImpl::m_Text>;

private:
    /// The wide copy `w_str` hands out once built, else null (the Latin-1
    /// copy is the base's `m_pszLatin1`); both are published with
    /// detail::GetOrPublish and freed with std::free.
    mutable wchar_t* m_pszWide = nullptr;
    /// The block this body lives in, or null for a body allocated on its own.
    QString m_Host;
};

}  // namespace Varn

#endif  // ZOTREL_SRC_TEXT_STRINGIMPL_H
