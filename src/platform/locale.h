// Platform contract: Windows locale identifiers (LCIDs) to locale names.
#ifndef ZOTREL_SRC_PLATFORM_LOCALE_H
#define ZOTREL_SRC_PLATFORM_LOCALE_H

#include <QString>

namespace Varn::platform {

/// The BCP 47 style locale name ("de-DE", "en-US", "zh-CN", ...) of a
/// Windows locale identifier, usable with QLocale. Returns an empty
/// (null) QString for 0 and for identifiers the table does not know.
QString LocaleNameFromLcid(unsigned int lcid);

}  // namespace Varn::platform

#endif  // ZOTREL_SRC_PLATFORM_LOCALE_H
