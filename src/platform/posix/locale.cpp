#include "platform/locale.h"

namespace Varn::platform {

QString LocaleNameFromLcid(unsigned int lcid) {
    // TODO(helper): the table.
    (void)lcid;
    return QString();
}

}  // namespace Varn::platform
