// Shared value bodies: the one reference-counting and copy-on-modify
// mechanism behind every value class whose copies share a body (text, bytes,
// maps), and the lazily built caches such a body may carry.
#ifndef ZOTREL_SRC_FOUNDATION_SHARED_H
#define ZOTREL_SRC_FOUNDATION_SHARED_H

#include <atomic>
#include <optional>
#include <thread>
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
    /// True when this was the last reference. A sole owner skips the atomic
    /// decrement: while it holds the only reference no other thread can
    /// reach the body to add one, and the acquire load orders every earlier
    /// owner's release before the body is destroyed.
    bool Release() noexcept {
        if (m_count.load(std::memory_order_acquire) == 1)
            return true;
        return m_count.fetch_sub(1, std::memory_order_acq_rel) == 1;
    }
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

/// A value derived from a body's content, built on first use and dropped on
/// every change; it lives inside the body, so building it costs no allocation
/// of its own. Several threads that share the (unchanging) body may ask for
/// it at once: exactly one builds it while the others wait for it to be
/// published, so nothing is torn, leaked or built twice. Reset is only called
/// by the body's single owner, before a change, when no other thread can be
/// reading.
template <class T>
class LazyCache {
public:
    LazyCache() noexcept = default;
    LazyCache(const LazyCache&) = delete;
    LazyCache& operator=(const LazyCache&) = delete;
    ~LazyCache() { Reset(); }

    template <class Make>
    const T& Get(Make&& make) const {
        if (m_state.load(std::memory_order_acquire) == kReady)
            return *m_value;
        int expected = kEmpty;
        if (m_state.compare_exchange_strong(expected, kBuilding, std::memory_order_acquire)) {
            try {
                m_value.emplace(std::forward<Make>(make)());
            } catch (...) {
                m_state.store(kEmpty, std::memory_order_release);
                throw;
            }
            m_state.store(kReady, std::memory_order_release);
            return *m_value;
        }
        // Another thread is building it: the conversion is short, so wait
        // for it rather than building a second copy.
        while (m_state.load(std::memory_order_acquire) != kReady) {
            if (m_state.load(std::memory_order_acquire) == kEmpty)
                return Get(std::forward<Make>(make));  // the builder failed: try again
            std::this_thread::yield();
        }
        return *m_value;
    }

    void Reset() noexcept {
        m_value.reset();
        m_state.store(kEmpty, std::memory_order_relaxed);
    }

private:
    static constexpr int kEmpty = 0;
    static constexpr int kBuilding = 1;
    static constexpr int kReady = 2;

    mutable std::atomic<int> m_state{kEmpty};
    mutable std::optional<T> m_value;
};

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_FOUNDATION_SHARED_H
