// Captures the trace lines of this process through the engine's sink, so
// tests read what was written instead of standard error.
#ifndef ZOTREL_TESTS_SUPPORT_TRACE_CAPTURE_H
#define ZOTREL_TESTS_SUPPORT_TRACE_CAPTURE_H

#include <zotrel/traceengine.h>

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace zotrel_test {

/// Installs itself as the sink for its lifetime; the default output returns
/// when it is destroyed.
class TraceCapture {
public:
    TraceCapture() { trace_control_set_sink(&TraceCapture::Receive, this); }
    ~TraceCapture() { trace_control_set_sink(nullptr, nullptr); }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::vector<std::string> Lines() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }
    /// Number of lines that end with `suffix` (lines start with a time stamp
    /// and a thread id, so tests match what follows them).
    int CountEndingWith(const std::string& suffix) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        int count = 0;
        for (const std::string& line : m_lines) {
            if (line.size() >= suffix.size() &&
                line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0)
                ++count;
        }
        return count;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.clear();
    }

private:
    static void Receive(void* context, const char* line, size_t length) {
        auto* self = static_cast<TraceCapture*>(context);
        std::lock_guard<std::mutex> lock(self->m_mutex);
        self->m_lines.emplace_back(line, length);
    }

    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

}  // namespace zotrel_test

#endif  // ZOTREL_TESTS_SUPPORT_TRACE_CAPTURE_H
