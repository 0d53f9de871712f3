// Printf-style formatting of CZtString: narrow formats follow Qt's rules,
// wide formats the C library's wide printf with positional arguments.
#include <zotrel/string.h>

#include <QString>

#include <cstdarg>
#include <string>

#include "platform/wideformat.h"
#include "text/stringimpl.h"
#include "text/widetext.h"

namespace Varn {
namespace {

void FormatNarrowInto(CZtString& target, const char* format, va_list arguments) {
    if (CZtStringImpl::Edit text{target})
        *text = QString::vasprintf(format ? format : "", arguments);
}

// Leaves the text as it was when the C library rejects the format.
void FormatWideInto(CZtString& target, const wchar_t* format, va_list arguments) {
    if (!format || !CZtStringImpl::TextOf(target))
        return;
    std::wstring result;
    if (!platform::FormatWide(result, format, arguments))
        return;
    if (CZtStringImpl::Edit text{target})
        *text = detail::QStringFromWide(result.c_str(), static_cast<int>(result.size()));
}

}  // namespace

const CZtString& CZtString::Format(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    FormatNarrowInto(*this, format, arguments);
    va_end(arguments);
    return *this;
}

const CZtString& CZtString::Format(const wchar_t* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    FormatWideInto(*this, format, arguments);
    va_end(arguments);
    return *this;
}

CZtString CZtString::FormatString(const char* format, ...) {
    CZtString result;
    va_list arguments;
    va_start(arguments, format);
    FormatNarrowInto(result, format, arguments);
    va_end(arguments);
    return result;
}

CZtString CZtString::FormatString(const wchar_t* format, ...) {
    CZtString result;
    va_list arguments;
    va_start(arguments, format);
    FormatWideInto(result, format, arguments);
    va_end(arguments);
    return result;
}

}  // namespace Varn
