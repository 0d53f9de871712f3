#include "text/numparse.h"

#include <QLocale>

#include "platform/locale.h"

namespace Varn::detail {

IntegerRead ReadInteger(const QString& text, int base) {
    IntegerRead r;
    r.signedValue = text.toLongLong(&r.ok, base);
    if (r.ok)
        return r;
    r.unsignedValue = text.toULongLong(&r.ok, base);
    r.isUnsigned = r.ok;
    return r;
}

int AutoBase(const QString& text) {
    return text.size() >= 2 && text.at(0) == QLatin1Char('0') &&
                   (text.at(1) == QLatin1Char('x') || text.at(1) == QLatin1Char('X'))
               ? 16
               : 10;
}

double ParseDouble(const QString& text, unsigned int lcid, bool* ok) {
    bool localOk = false;
    bool& flag = ok ? *ok : localOk;
    flag = false;
    double value = 0;
    if (lcid == 0) {
        value = text.toDouble(&flag);
    } else {
        const QString name = platform::LocaleNameFromLcid(lcid);
        if (name.isEmpty())
            return 0;
        value = QLocale(name).toDouble(text, &flag);
    }
    return flag ? value : 0;
}

}  // namespace Varn::detail
