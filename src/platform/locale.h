// Platform contract: Windows locale identifiers (LCIDs) to locale names.
#ifndef ZOTREL_SRC_PLATFORM_LOCALE_H
#define ZOTREL_SRC_PLATFORM_LOCALE_H

#include <QString>

#include <utility>
#include <vector>

namespace Varn::platform {

/// The BCP 47 style locale name ("de-DE", "en-US", "zh-CN", ...) of a
/// Windows locale identifier, usable with QLocale. Returns an empty
/// (null) QString for 0 and for identifiers the table does not know.
/// A sort order in bits 16-19 (0x10407, German phone book) does not change
/// how numbers are written and is ignored; higher bits make the identifier
/// unknown. The invariant locale (0x7F) gives "C"; the user's and the
/// system's default locale (0x400, 0x800) give the process's locale.
QString LocaleNameFromLcid(unsigned int lcid);

/// Every identifier the table knows with its name, in ascending order.
std::vector<std::pair<unsigned int, QString>> KnownLcids();

}  // namespace Varn::platform

#endif  // ZOTREL_SRC_PLATFORM_LOCALE_H
