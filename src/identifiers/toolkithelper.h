// The stateless helper that carries the library's identifier text parsers.
#ifndef ZOTREL_SRC_IDENTIFIERS_TOOLKITHELPER_H
#define ZOTREL_SRC_IDENTIFIERS_TOOLKITHELPER_H

#include <zotrel/chromid.h>
#include <zotrel/guid.h>
#include <zotrel/string.h>

namespace Varn {

/// Text parsers for GUIDs and CHROMIDs. Holds no state: the
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

    /// How a text reads as a CHROMID.
    enum class CHROMIDText {
        /// Not five dots between six non-empty pieces (after trimming).
        NotSixPieces,
        /// Six pieces, but not the canonical rendering of their numbers.
        NotCanonical,
        /// Exactly the canonical rendering of six numbers.
        Numeric,
    };

    /// Reads `text` as a CHROMID without touching any record. When the
    /// result is `Numeric`, `parts` holds the six numbers; otherwise its
    /// contents are unspecified.
    static CHROMIDText ReadCHROMIDText(const CZtString& text, unsigned int parts[6]);

    /// The numeric text form "%d.%d.%d.%d.%d.%d" of six parts, each written
    /// as a signed 32-bit number.
    static CZtString FormatCHROMIDParts(const unsigned int parts[6]);

    /// Reads `text` into `*out` (freeing the string `out` held): the numeric
    /// form for a canonical numeric text, otherwise the text form holding a
    /// new string that shares `text`. Returns 0, or ZT_E_NULL_POINTER for a
    /// null `out`. `text` may be the very string `out` owns.
    static unsigned int ParseCHROMID(const CZtString& text, tagZTCHROMID* out);
};

/// The module-wide instance, constructed right after the interface identifiers.
extern const CZtToolkitHelper g_ToolkitHelper;

}  // namespace Varn

#endif  // ZOTREL_SRC_IDENTIFIERS_TOOLKITHELPER_H
