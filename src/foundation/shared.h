// Shared value bodies: the one reference-counting and copy-on-modify
// mechanism behind every value class whose copies share a body (text, bytes,
// maps), and the lazily built caches such a body may carry.
#ifndef ZOTREL_SRC_FOUNDATION_SHARED_H
#define ZOTREL_SRC_FOUNDATION_SHARED_H

#include <zotrel/foundation.h>

#include <atomic>
#include <type_traits>
#include <utility>

namespace Varn::detail {

// Handle operations on a pointer to a body that has a public `m_RefCount`
// (a detail::SharedCount, declared in the public foundation header) and a
// copy constructor that copies the content only.

/// True when `Body` has its own `static void Dispose(Body*)`: a body that
/// does not always sit in a block of its own (a text body may live inside
/// its text's allocation) is destroyed and freed by it instead of `delete`.
template <class Body, class = void>
struct HasDispose : std::false_type {};
template <class Body>
struct HasDispose<Body, std::void_t<decltype(Body::Dispose(static_cast<Body*>(nullptr)))>>
    : std::true_type {};

/// Destroys a body whose last reference went and frees its memory. Out of
/// line, so that dropping a shared reference runs without a frame.
template <class Body>
[[gnu::noinline]] void DisposeBody(Body* body) noexcept {
    if constexpr (HasDispose<Body>::value)
        Body::Dispose(body);
    else
        delete body;
}

/// Adds a reference to `body` (may be null) and returns it.
template <class Body>
Body* ShareBody(Body* body) noexcept {
    if (body)
        body->m_RefCount.Acquire();
    return body;
}

/// A new empty body; out of line and cold, for the rare handle without one.
template <class Body>
[[gnu::noinline, gnu::cold]] Body* NewBody() {
    return new Body;
}

/// The body a copy of a handle holding `body` gets: `body` with one more
/// reference, or a new empty body when there is none.
template <class Body>
Body* ShareOrNewBody(Body* body) {
    if (__builtin_expect(body != nullptr, 1)) {
        body->m_RefCount.Acquire();
        return body;
    }
    return NewBody<Body>();
}

/// Drops the handle's reference; the last one deletes the body.
template <class Body>
void ReleaseBody(Body*& body) noexcept {
    Body* old = body;
    body = nullptr;
    if (old && old->m_RefCount.Release())
        DisposeBody(old);
}

/// Copy on modify: gives the handle a private body before a change.
template <class Body>
void DetachBody(Body*& body) {
    if (body && body->m_RefCount.IsShared()) {
        Body* copy = new Body(*body);
        ReleaseBody(body);
        body = copy;
    }
}

/// Scoped write access to the content of a handle's body: `Impl::BeginEdit`
/// makes the body private first (and drops what it caches), `Refresh` runs
/// afterwards so the body's exported data pointer follows the change. It
/// converts to false, and gives no content, when the handle has no body.
template <class Handle, class Impl, class Content, Content Impl::*Member>
class BodyEdit {
public:
    explicit BodyEdit(Handle& handle) : m_pImpl(Impl::BeginEdit(handle)) {}
    ~BodyEdit() {
        if (m_pImpl)
            m_pImpl->Refresh();
    }
    BodyEdit(const BodyEdit&) = delete;
    BodyEdit& operator=(const BodyEdit&) = delete;

    explicit operator bool() const { return m_pImpl != nullptr; }
    Content& operator*() const { return m_pImpl->*Member; }
    Content* operator->() const { return &(m_pImpl->*Member); }

protected:
    Impl* body() const { return m_pImpl; }

private:
    Impl* m_pImpl;
};

// Values derived from a body's content (a text's Latin-1 or wide copy),
// cached in the body behind one pointer: built on first use, dropped on every
// change. Several threads that share the (unchanging) body may ask at once:
// each one that finds no value builds one and tries to publish it; the first
// wins and the others free theirs and use the winner's, so every caller gets
// the same pointer and nothing leaks. A reader that sees the pointer also
// sees the value it points to (release on publishing, acquire on reading).
// The slot is a plain pointer, read and written with atomic operations only,
// so that an exported class can keep one where inline code reads it.

/// The value published in `*slot`, building it with `build()` (a new heap
/// value) and publishing it when there is none yet; a value built by a
/// thread that lost the race is given to `discard`.
template <class T, class Build, class Discard>
T* GetOrPublish(T** slot, Build&& build, Discard&& discard) {
    if (T* ready = __atomic_load_n(slot, __ATOMIC_ACQUIRE))
        return ready;
    T* built = std::forward<Build>(build)();
    T* expected = nullptr;
    if (__atomic_compare_exchange_n(slot, &expected, built, false, __ATOMIC_ACQ_REL,
                                    __ATOMIC_ACQUIRE))
        return built;
    std::forward<Discard>(discard)(built);
    return expected;
}

/// Drops the published value, if any. Only for the body's single owner,
/// before a change or at destruction, when no other thread can be reading:
/// so no read-modify-write is needed, and a body that never published a
/// value (most of them) costs one load.
template <class T, class Discard>
void DropPublished(T** slot, Discard&& discard) noexcept {
    if (T* old = __atomic_load_n(slot, __ATOMIC_RELAXED)) {
        __atomic_store_n(slot, nullptr, __ATOMIC_RELAXED);
        std::forward<Discard>(discard)(old);
    }
}

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_FOUNDATION_SHARED_H
