// The iterator template behind every iterator of the object containers and
// maps: navigation over positions captured from a Qt container, written once.
#ifndef ZOTREL_SRC_COLLECTIONS_ITERATORBASE_H
#define ZOTREL_SRC_COLLECTIONS_ITERATORBASE_H

#include <zotrel/guid.h>
#include <zotrel/objectcollections.h>

#include <QtGlobal>

#include "foundation/queryinterface.h"
#include "foundation/refcounted.h"

namespace Varn {

/// Implements the navigation of `IZtIteratorBase` for the iterator interface
/// `Itf` over positions of the Qt constant iterator type `It`.
///
/// It captures begin, end and the element count when it is made and stands
/// on the first element (index 0). Positions of a Qt container become
/// invalid when the container changes, so it also captures the container's
/// change counter: once that moved on, the iterator has no current element
/// and every step reports false without touching a position. The container
/// outlives the iterator (the iterator holds a reference to it), so the
/// counter itself can always be read.
template <class It, class Itf>
class CZtIteratorBase : public Itf {
public:
    /// To the first element; false when there is none.
    unsigned int First(bool* ok) override {
        const bool found = IsUsable();
        if (found) {
            m_Current = m_Begin;
            m_nIndex = 0;
        }
        return Report(ok, found);
    }

    /// One step on; from before the first element back to the first without
    /// moving. False once the step reaches the end, or when already there.
    unsigned int Next(bool* ok) override {
        if (!IsUsable() || m_Current == m_End)
            return Report(ok, false);
        if (m_nIndex != -1)
            ++m_Current;
        ++m_nIndex;
        return Report(ok, m_Current != m_End);
    }

    /// To the last element; false when there is none.
    unsigned int Last(bool* ok) override {
        const bool found = IsUsable();
        if (found) {
            m_Current = m_End;
            StepBack(m_Current);
            m_nIndex = m_nCount - 1;
        }
        return Report(ok, found);
    }

    /// One step back; from the first element to before it (index -1), which
    /// reports false. From before the first element nothing moves.
    unsigned int Previous(bool* ok) override {
        if (!IsUsable() || m_nIndex == -1)
            return Report(ok, false);
        if (m_Current != m_Begin)
            StepBack(m_Current);
        --m_nIndex;
        return Report(ok, m_nIndex != -1);
    }

    unsigned int GetIndex(int* index) override {
        if (!index)
            return ZT_E_INVALIDARG;
        *index = m_nIndex;
        return ZT_S_OK;
    }

protected:
    CZtIteratorBase() = default;
    ~CZtIteratorBase() = default;

    /// Takes the positions of a container holding `count` elements and the
    /// address of its change counter.
    void Capture(It begin, It end, int count, const unsigned int* changes) {
        m_Begin = begin;
        m_Current = begin;
        m_End = end;
        m_nCount = count;
        m_nIndex = 0;
        m_pChanges = changes;
        m_nChangesSeen = *changes;
    }

    /// The current position, or null when there is no current element (none
    /// at all, before the first, past the last, or the container changed).
    const It* Current() const {
        if (!IsUsable() || m_nIndex == -1 || m_Current == m_End)
            return nullptr;
        return &m_Current;
    }

private:
    /// One position back. Qt 5's hash iterators can step back; the call is
    /// marked deprecated only because Qt 6 drops it.
    static void StepBack(It& position) {
        QT_WARNING_PUSH
        QT_WARNING_DISABLE_DEPRECATED
        --position;
        QT_WARNING_POP
    }

    static unsigned int Report(bool* ok, bool value) {
        if (ok)
            *ok = value;
        return ZT_S_OK;
    }

    /// There are elements and the container has not changed since Capture.
    bool IsUsable() const { return m_nCount > 0 && *m_pChanges == m_nChangesSeen; }

    It m_Begin{};
    It m_Current{};
    It m_End{};
    int m_nCount = 0;  ///< the container's element count when the iterator was made
    int m_nIndex = 0;  ///< position of the current element; -1 before the first
    const unsigned int* m_pChanges = nullptr;
    unsigned int m_nChangesSeen = 0;
};

namespace detail {

/// A counted iterator over the storage `Items` of the container `Owner`,
/// answering QueryInterface for `IZtUnknown`, `IZtIteratorBase` and `Iid`
/// (the identifier of `Itf`). It holds one reference to its container for
/// its whole life; each concrete iterator adds `GetItem`.
template <class Owner, class Items, class Itf, const CZtGUID& Iid>
class OwnedIterator : public RefCounted<CZtIteratorBase<typename Items::const_iterator, Itf>> {
public:
    /// Over `items` (null: the container has no storage, so no elements),
    /// watching the container's change counter.
    OwnedIterator(const Owner* owner, const Items* items, const unsigned int* changes)
        : m_pOwner(owner) {
        if (items)
            this->Capture(items->cbegin(), items->cend(), items->size(), changes);
        else
            this->Capture({}, {}, 0, changes);
    }

    unsigned int QueryInterface(const tagZTGUID& iid, IZtUnknown** out) override {
        return AnswerQueryInterface(this, iid, out, {&IID_IZtUnknown, &IID_IZtIteratorBase, &Iid});
    }

private:
    CZtCoPtr<const Owner> m_pOwner;
};

}  // namespace detail

}  // namespace Varn

#endif  // ZOTREL_SRC_COLLECTIONS_ITERATORBASE_H
