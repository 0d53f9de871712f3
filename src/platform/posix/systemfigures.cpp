#include "platform/systemfigures.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstring>

namespace Varn::platform {

const char* const kSystemTimesSource = "/proc/stat";
const char* const kSystemMemorySource = "/proc/meminfo";
const char* const kProcessMemorySource = "/proc/self/status";

namespace {

constexpr unsigned long long kTicksPerSecond = 10000000ULL;  // 100-ns ticks
constexpr unsigned long long kBytesPerKilobyte = 1024ULL;

// The figures sit in the first lines of their texts; this much is read,
// on the stack, so a reading costs no allocation.
constexpr std::size_t kTextCapacity = 16384;

/// Reads up to `capacity` bytes of the file at `path` into `buffer`. When
/// the file is longer, the text is cut after its last complete line, so no
/// parser ever sees half a line. False when the file cannot be read.
bool ReadText(const char* path, char* buffer, std::size_t capacity, std::size_t& length) {
    length = 0;
    if (!path)
        return false;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = true;
    bool truncated = false;
    while (length < capacity) {
        const ssize_t n = read(fd, buffer + length, capacity - length);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        if (n == 0)
            break;
        length += static_cast<std::size_t>(n);
        if (length == capacity)
            truncated = true;
    }
    close(fd);
    if (ok && truncated) {
        while (length > 0 && buffer[length - 1] != '\n')
            --length;
    }
    return ok;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

/// A cursor over one line of text (without its line end).
struct Line {
    const char* p;
    const char* end;

    void SkipBlanks() {
        while (p < end && IsBlank(*p))
            ++p;
    }
    bool AtEnd() {
        SkipBlanks();
        return p == end;
    }
    /// Reads one decimal count that ends the line or is followed by a blank.
    /// False for anything else, and for a count beyond 64 bits.
    bool ReadCount(unsigned long long& value) {
        SkipBlanks();
        if (p == end || *p < '0' || *p > '9')
            return false;
        unsigned long long result = 0;
        while (p < end && *p >= '0' && *p <= '9') {
            if (__builtin_mul_overflow(result, 10ULL, &result) ||
                __builtin_add_overflow(result, static_cast<unsigned long long>(*p - '0'), &result))
                return false;
            ++p;
        }
        if (p < end && !IsBlank(*p))
            return false;
        value = result;
        return true;
    }
    /// Reads `word` as a whole blank-separated token.
    bool ReadWord(const char* word) {
        SkipBlanks();
        const std::size_t n = std::strlen(word);
        if (static_cast<std::size_t>(end - p) < n || std::memcmp(p, word, n) != 0)
            return false;
        if (p + n < end && !IsBlank(p[n]))
            return false;
        p += n;
        return true;
    }
};

/// The line of `text` that starts with `key` (a key such as "VmRSS:"), its
/// cursor just behind the key. False when there is none.
bool FindLine(const char* text, std::size_t length, const char* key, Line& line) {
    const std::size_t keyLength = std::strlen(key);
    const char* p = text;
    const char* const end = text + length;
    while (p < end) {
        const void* newline = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        const char* lineEnd = newline ? static_cast<const char*>(newline) : end;
        if (static_cast<std::size_t>(lineEnd - p) >= keyLength &&
            std::memcmp(p, key, keyLength) == 0) {
            line.p = p + keyLength;
            line.end = lineEnd;
            return true;
        }
        p = lineEnd + 1;
    }
    return false;
}

/// "<key> <count> kB" as bytes.
bool ReadKilobyteLine(const char* text, std::size_t length, const char* key,
                      unsigned long long& bytes) {
    Line line;
    unsigned long long kilobytes = 0;
    if (!FindLine(text, length, key, line) || !line.ReadCount(kilobytes) || !line.ReadWord("kB") ||
        !line.AtEnd())
        return false;
    return !__builtin_mul_overflow(kilobytes, kBytesPerKilobyte, &bytes);
}

/// A count of 1/`perSecond` units as 100-ns ticks; false when it does not fit.
bool ToTicks(unsigned long long count, unsigned long long perSecond, unsigned long long& ticks) {
    const unsigned long long whole = count / perSecond;
    const unsigned long long part = count % perSecond;
    unsigned long long wholeTicks = 0;
    if (__builtin_mul_overflow(whole, kTicksPerSecond, &wholeTicks))
        return false;
    unsigned long long partTicks = 0;
    if (__builtin_mul_overflow(part, kTicksPerSecond, &partTicks))
        return false;
    return !__builtin_add_overflow(wholeTicks, partTicks / perSecond, &ticks);
}

bool Sum(unsigned long long a, unsigned long long b, unsigned long long& sum) {
    return !__builtin_add_overflow(a, b, &sum);
}

}  // namespace

bool ParseSystemCpuTimes(const char* text, std::size_t length, long ticksPerSecond,
                         SystemCpuTimes& times) {
    times = SystemCpuTimes();
    if (!text || ticksPerSecond <= 0)
        return false;
    // The first line sums all processors: "cpu  user nice system idle iowait
    // irq softirq steal guest guest_nice". Kernels before 2.6 stop after idle.
    const void* newline = std::memchr(text, '\n', length);
    Line line{text, newline ? static_cast<const char*>(newline) : text + length};
    if (!line.ReadWord("cpu"))
        return false;
    constexpr int kMinimum = 4;
    constexpr int kUsed = 7;
    unsigned long long counts[kUsed] = {};
    int found = 0;
    while (!line.AtEnd()) {
        unsigned long long value = 0;
        if (!line.ReadCount(value))
            return false;
        if (found < kUsed)
            counts[found] = value;
        ++found;
    }
    if (found < kMinimum)
        return false;
    const unsigned long long user = counts[0], nice = counts[1], system = counts[2],
                             idle = counts[3], iowait = counts[4], irq = counts[5],
                             softirq = counts[6];
    unsigned long long idleCount = 0, kernelCount = 0, userCount = 0;
    if (!Sum(idle, iowait, idleCount) || !Sum(system, irq, kernelCount) ||
        !Sum(kernelCount, softirq, kernelCount) || !Sum(kernelCount, idleCount, kernelCount) ||
        !Sum(user, nice, userCount))
        return false;
    const unsigned long long perSecond = static_cast<unsigned long long>(ticksPerSecond);
    SystemCpuTimes result;
    if (!ToTicks(idleCount, perSecond, result.idle) ||
        !ToTicks(kernelCount, perSecond, result.kernel) ||
        !ToTicks(userCount, perSecond, result.user))
        return false;
    times = result;
    return true;
}

bool ParseSystemMemoryUsed(const char* text, std::size_t length, unsigned long long& bytes) {
    bytes = 0;
    if (!text)
        return false;
    unsigned long long total = 0;
    unsigned long long available = 0;
    if (!ReadKilobyteLine(text, length, "MemTotal:", total) ||
        !ReadKilobyteLine(text, length, "MemAvailable:", available) || available > total)
        return false;
    bytes = total - available;
    return true;
}

bool ParseProcessMemory(const char* text, std::size_t length, ProcessMemory& memory) {
    memory = ProcessMemory();
    if (!text)
        return false;
    const bool resident = ReadKilobyteLine(text, length, "VmRSS:", memory.resident);
    if (!resident)
        memory.resident = 0;
    const bool peak = ReadKilobyteLine(text, length, "VmHWM:", memory.peakResident);
    if (!peak)
        memory.peakResident = 0;
    return resident && peak;
}

bool ReadSystemCpuTimes(SystemCpuTimes& times, const char* source) {
    times = SystemCpuTimes();
    char text[kTextCapacity];
    std::size_t length = 0;
    if (!ReadText(source, text, sizeof text, length))
        return false;
    return ParseSystemCpuTimes(text, length, sysconf(_SC_CLK_TCK), times);
}

bool ReadProcessCpuTimes(ProcessCpuTimes& times) {
    times = ProcessCpuTimes();
    struct rusage usage;
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return false;
    auto ticks = [](const struct timeval& tv) {
        return static_cast<unsigned long long>(tv.tv_sec) * kTicksPerSecond +
               static_cast<unsigned long long>(tv.tv_usec) * 10ULL;
    };
    times.kernel = ticks(usage.ru_stime);
    times.user = ticks(usage.ru_utime);
    return true;
}

bool ReadSystemMemoryUsed(unsigned long long& bytes, const char* source) {
    bytes = 0;
    char text[kTextCapacity];
    std::size_t length = 0;
    if (!ReadText(source, text, sizeof text, length))
        return false;
    return ParseSystemMemoryUsed(text, length, bytes);
}

bool ReadProcessMemory(ProcessMemory& memory, const char* source) {
    memory = ProcessMemory();
    char text[kTextCapacity];
    std::size_t length = 0;
    if (!ReadText(source, text, sizeof text, length))
        return false;
    return ParseProcessMemory(text, length, memory);
}

}  // namespace Varn::platform
