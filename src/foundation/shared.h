// Shared value bodies: the one reference-counting and copy-on-modify
// mechanism behind every value class whose copies share a body (text, bytes,
// maps), and the lazily built caches such a body may carry.
#ifndef ZOTREL_SRC_FOUNDATION_SHARED_H
#define ZOTREL_SRC_FOUNDATION_SHARED_H

#include <atomic>
#include <utility>

namespace Varn::detail {

/// Reference count of a shared body; a new body is owned once.
class SharedCount {
public:
    SharedCount() noexcept = default;
    /// A copied body is a new body: its count starts at 1 again.
    SharedCount(const SharedCount&) noexcept {}
    SharedCount& operator=(const SharedCount&) = delete;

    void Acquire() noexcept { m_count.fetch_add(1, std::memory_order_relaxed); }
    /// True when this was the last reference.
    bool Release() noexcept { return m_count.fetch_sub(1, std::memory_order_acq_rel) == 1; }
    bool IsShared() const noexcept { return m_count.load(std::memory_order_acquire) > 1; }
    int Value() const noexcept { return m_count.load(std::memory_order_acquire); }

private:
    std::atomic<int> m_count{1};
};

// Handle operations on a pointer to a body that has a public `m_RefCount`
// (a SharedCount) and a copy constructor that copies the content only.

/// Adds a reference to `body` (may be null) and returns it.
template <class Body>
Body* ShareBody(Body* body) noexcept {
    if (body)
        body->m_RefCount.Acquire();
    return body;
}

/// Drops the handle's reference; the last one deletes the body.
template <class Body>
void ReleaseBody(Body*& body) noexcept {
    Body* old = body;
    body = nullptr;
    if (old && old->m_RefCount.Release())
        delete old;
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

/// A value derived from a body's content, built on first use and dropped on
/// every change. Several threads that share the (unchanging) body may ask for
/// it at once: each may build a candidate, exactly one is published and the
/// others are discarded, so nothing is torn, leaked or built into a live value.
/// Reset is only called by the body's single owner, before a change.
template <class T>
class LazyCache {
public:
    LazyCache() noexcept = default;
    LazyCache(const LazyCache&) = delete;
    LazyCache& operator=(const LazyCache&) = delete;
    ~LazyCache() { Reset(); }

    template <class Make>
    const T* Get(Make&& make) const {
        if (const T* cached = m_value.load(std::memory_order_acquire))
            return cached;
        T* fresh = new T(std::forward<Make>(make)());
        T* expected = nullptr;
        if (m_value.compare_exchange_strong(expected, fresh, std::memory_order_acq_rel,
                                            std::memory_order_acquire))
            return fresh;
        delete fresh;
        return expected;
    }

    void Reset() noexcept {
        if (T* old = m_value.exchange(nullptr, std::memory_order_acq_rel))
            delete old;
    }

private:
    mutable std::atomic<T*> m_value{nullptr};
};

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_FOUNDATION_SHARED_H
