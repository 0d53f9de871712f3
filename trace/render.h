// Rendering of trace lines: parameters to text, placeholders replaced, and
// the line's prefix of time, thread, component and level.
#ifndef ZOTREL_TRACE_RENDER_H
#define ZOTREL_TRACE_RENDER_H

#include <zotrel/traceengine.h>

#include <cstddef>
#include <string>

namespace Varn::trace {

/// Appends `format` with %1..%9 replaced by the parameters in order ("%n:x"
/// writes an integer as lower-case hexadecimal without prefix, the two's
/// complement of its width for a negative one; other types ignore the ":x").
/// A placeholder without a parameter, and any other '%', stay as written.
/// Line breaks are written as the two characters "\n" and "\r", so every
/// trace line stays one line.
void RenderText(std::string& out, const char* format, const trace_param* params,
                unsigned int count);

/// Appends "YYYY-MM-DDTHH:MM:SS.ffffffZ TID PATH LEVEL " for a UTC time in
/// microseconds since 1970-01-01.
void RenderPrefix(std::string& out, long long unixMicroseconds, unsigned int threadId,
                  const std::string& path, const char* level);

/// The text of a parameter as it appears in a line.
void RenderParam(std::string& out, const trace_param& param, bool hex);

/// Copies wide text (UTF-32, or UTF-16 pairs in wide units) as UTF-8;
/// invalid code points become U+FFFD.
std::string WideToUtf8(const wchar_t* text);

/// Narrow text as UTF-8: valid UTF-8 is kept, anything else is read as Latin-1.
std::string NarrowToUtf8(const char* text);

}  // namespace Varn::trace

#endif  // ZOTREL_TRACE_RENDER_H
