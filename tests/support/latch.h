// Small synchronisation helpers for concurrency tests: every wait is bounded.
#ifndef ZOTREL_TESTS_SUPPORT_LATCH_H
#define ZOTREL_TESTS_SUPPORT_LATCH_H

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace zotrel_test {

/// A one-shot flag that threads can wait on with a deadline.
class Signal {
public:
    void Set() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_set = true;
        m_changed.notify_all();
    }
    /// True when the flag was set within `timeout`.
    bool WaitFor(std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [this] { return m_set; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_set = false;
};

/// Releases all waiting threads together once `count` have arrived.
class StartLine {
public:
    explicit StartLine(int count) : m_remaining(count) {}
    /// Arrives and waits for the others; false when they did not all arrive in time.
    bool ArriveAndWait(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (--m_remaining <= 0)
            m_changed.notify_all();
        return m_changed.wait_for(lock, timeout, [this] { return m_remaining <= 0; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_remaining;
};

/// Runs `work(thread)` on `threads` threads that start together and returns
/// each thread's count of failed checks (what `work` returns, or 1 when the
/// others did not arrive in time).
template <class Work>
std::vector<int> RunTogether(int threads, Work work) {
    StartLine start(threads);
    std::vector<int> failures(threads, 0);
    std::vector<std::thread> running;
    for (int t = 0; t < threads; ++t) {
        running.emplace_back([&, t] {
            if (!start.ArriveAndWait()) {
                failures[t] = 1;
                return;
            }
            failures[t] = work(t);
        });
    }
    for (std::thread& th : running)
        th.join();
    return failures;
}

}  // namespace zotrel_test

#endif  // ZOTREL_TESTS_SUPPORT_LATCH_H
