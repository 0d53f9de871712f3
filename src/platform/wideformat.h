// Platform contract: printf-style formatting of wide text.
#ifndef ZOTREL_SRC_PLATFORM_WIDEFORMAT_H
#define ZOTREL_SRC_PLATFORM_WIDEFORMAT_H

#include <cstdarg>
#include <string>

namespace Varn::platform {

/// Formats `format` with `arguments` by the rules client code written for a
/// 16-bit wchar_t platform relies on: positional arguments (`%2$s`); in the
/// wide format `%s`/`%c` take wide arguments and `%S`/`%C` narrow ones
/// (`%hs`/`%ls`/`%ws` are explicit); `%I64d`/`%I64u`/`%I64x` (and `%I32`,
/// `%I`) size prefixes. The result has no length limit.
/// Returns false, leaving `out` unspecified, when the C library rejects the
/// format or an argument (for example an unconvertible narrow text).
bool FormatWide(std::wstring& out, const wchar_t* format, va_list arguments);

}  // namespace Varn::platform

#endif  // ZOTREL_SRC_PLATFORM_WIDEFORMAT_H
