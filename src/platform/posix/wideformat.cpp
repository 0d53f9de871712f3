#include "platform/wideformat.h"

#include <cwchar>

namespace Varn::platform {

bool FormatWide(std::wstring& out, const wchar_t* format, va_list arguments) {
    // TODO(helper): rewrite and grow.
    wchar_t buffer[1024];
    va_list copy;
    va_copy(copy, arguments);
    int n = std::vswprintf(buffer, 1024, format, copy);
    va_end(copy);
    if (n < 0) return false;
    out.assign(buffer, n);
    return true;
}

}  // namespace Varn::platform
