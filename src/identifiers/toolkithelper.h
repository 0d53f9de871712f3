// The stateless helper that carries the library's identifier text parsers.
#ifndef ZOTREL_SRC_IDENTIFIERS_TOOLKITHELPER_H
#define ZOTREL_SRC_IDENTIFIERS_TOOLKITHELPER_H

#include <zotrel/guid.h>
#include <zotrel/string.h>

namespace Varn {

/// Text parsers for GUIDs (and, later, CHROMIDs). Holds no state: the
/// parsers are static and may run on any number of threads at once; the one
/// module-wide instance exists for callers that expect an object.
class CZtToolkitHelper {
public:
    CZtToolkitHelper() = default;
    virtual ~CZtToolkitHelper() = default;

    /// Parses the GUID text form into `*out`: 0 on success; ZT_E_INVALID_OBJECT
    /// for a null `out` or a string without text, a text shorter than 36
    /// characters after the optional quote and brace (record untouched), or a
    /// bad digit (record zeroed).
    static unsigned int ParseGUID(const CZtString& text, tagZTGUID* out);
};

/// The module-wide instance, constructed right after the interface identifiers.
extern const CZtToolkitHelper g_ToolkitHelper;

}  // namespace Varn

#endif  // ZOTREL_SRC_IDENTIFIERS_TOOLKITHELPER_H
