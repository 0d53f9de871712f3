// Rendering of trace lines: parameters to text, placeholders replaced, and
// the line's prefix of time, thread, component and level.
#ifndef ZOTREL_TRACE_RENDER_H
#define ZOTREL_TRACE_RENDER_H

#include <zotrel/traceengine.h>

#include <cstddef>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace Varn::trace {

/// What a thread keeps from line to line: room for a usual line (a longer
/// one moves to `overflow`), and the text of the last second stamped,
/// "YYYY-MM-DDTHH:MM:SS.", which the lines of the same second reuse.
struct LineStorage {
    static constexpr std::size_t kInlineBytes = 512;
    char text[kInlineBytes];
    std::string overflow;
    long long second = std::numeric_limits<long long>::min();  // none yet
    char secondText[24] = {};
    std::size_t secondLength = 0;
    bool busy = false;  // a line is being built in it
};

/// Builds a line in a thread's storage: appending is a capacity check and a
/// copy.
class LineBuilder {
public:
    explicit LineBuilder(LineStorage& storage)
        : m_line(storage), m_data(storage.text), m_capacity(LineStorage::kInlineBytes) {}
    void Append(const char* text, std::size_t length) {
        std::memcpy(Reserve(length), text, length);
        m_length += length;
    }
    void Append(std::string_view text) { Append(text.data(), text.size()); }
    void Append(char c) {
        *Reserve(1) = c;
        ++m_length;
    }
    /// Room for `length` more bytes at the end; `Commit` then counts what
    /// was written there.
    char* Reserve(std::size_t length) {
        if (m_length + length > m_capacity)
            Grow(m_length + length);
        return m_data + m_length;
    }
    void Commit(std::size_t length) { m_length += length; }
    std::size_t Length() const { return m_length; }
    const char* Data() const { return m_data; }
    std::string_view View() const { return std::string_view(m_data, m_length); }
    LineStorage& Storage() { return m_line; }

private:
    void Grow(std::size_t needed) {
        std::string& overflow = m_line.overflow;
        if (m_data != overflow.data())
            overflow.assign(m_data, m_length);
        overflow.resize(needed * 2);
        m_data = overflow.data();
        m_capacity = overflow.size();
    }

    LineStorage& m_line;
    char* m_data;
    std::size_t m_capacity;
    std::size_t m_length = 0;
};

/// Appends `format` with %1..%9 replaced by the parameters in order ("%n:x"
/// writes an integer as lower-case hexadecimal without prefix, the two's
/// complement of its width for a negative one; other types ignore the ":x").
/// A placeholder without a parameter, and any other '%', stay as written.
/// Line breaks are written as the two characters "\n" and "\r", so every
/// trace line stays one line.
void RenderText(LineBuilder& out, const char* format, const trace_param* params,
                unsigned int count);

/// Appends "YYYY-MM-DDTHH:MM:SS.ffffffZ TID " for a UTC time in microseconds
/// since 1970-01-01, then `head` (the engine's "PATH LEVEL ").
void RenderPrefix(LineBuilder& out, long long unixMicroseconds, unsigned int threadId,
                  std::string_view head);

/// The text of a parameter as it appears in a line.
void RenderParam(LineBuilder& out, const trace_param& param, bool hex);

/// How a parameter slot holds its value. Numbers take the first 8 bytes.
/// A text is kept as it will stand in a line (UTF-8, line breaks written as
/// "\n" and "\r"): up to 14 bytes in place (length byte first), longer ones
/// in a copy allocated with malloc (pointer first, then a 32-bit length).
constexpr unsigned char kTextInPlace = 0x80;  // or-ed into the type
constexpr std::size_t kTextInPlaceBytes = sizeof(trace_param::storage) - 1;

/// The text of a NARROW or WIDE slot.
inline std::string_view TextOf(const trace_param& slot) {
    if (slot.type & kTextInPlace)
        return std::string_view(reinterpret_cast<const char*>(slot.storage + 1), slot.storage[0]);
    const char* copy;
    unsigned int length;
    std::memcpy(&copy, slot.storage, sizeof copy);
    std::memcpy(&length, slot.storage + 8, sizeof length);
    return std::string_view(copy, length);
}

/// The malloc'ed copy of a NARROW or WIDE slot, or null for one in place.
inline char* HeapTextOf(const trace_param& slot) {
    if (slot.type & kTextInPlace)
        return nullptr;
    char* copy;
    std::memcpy(&copy, slot.storage, sizeof copy);
    return copy;
}

/// Fills a slot with text as it will stand in a line: wide text is UTF-32
/// (UTF-16 pairs in wide units are combined; invalid code points become
/// U+FFFD); narrow text that is valid UTF-8 is kept and any other is read as
/// Latin-1. The slot stays empty when memory runs out.
void StoreText(trace_param& slot, unsigned char type, const wchar_t* text);
void StoreText(trace_param& slot, unsigned char type, const char* text);

}  // namespace Varn::trace

#endif  // ZOTREL_TRACE_RENDER_H
