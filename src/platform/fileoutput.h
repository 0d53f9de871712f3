// Platform contract: whole lines to standard error or to an appended file.
//
// Each line goes to the operating system in one write call (repeated only
// for what a short write left over), so lines of concurrent threads and
// processes appending to the same file never interleave, and nothing waits
// in a buffer of the process when it crashes. A reader at the other end of a
// pipe that went away makes the write fail; it never kills the process.
#ifndef ZOTREL_SRC_PLATFORM_FILEOUTPUT_H
#define ZOTREL_SRC_PLATFORM_FILEOUTPUT_H

#include <cstddef>

namespace Varn::platform {

/// Where lines go.
struct Output {
    int handle = -1;
    bool pipe = false;  ///< a pipe or socket, whose reader may go away
    bool IsOpen() const { return handle >= 0; }
};

/// Standard error, as it is now.
Output StandardError();
/// `path` opened for appending (created with mode 0644 when missing); not
/// open on failure.
Output OpenAppend(const char* path);
/// Writes all `length` bytes; false when the system refused.
bool WriteAll(const Output& output, const char* data, std::size_t length);

}  // namespace Varn::platform

#endif  // ZOTREL_SRC_PLATFORM_FILEOUTPUT_H
