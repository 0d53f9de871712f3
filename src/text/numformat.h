// Integers to decimal text, the shortest form ("-42", "0"): what
// `QString::number(value)` gives, built without going through QLocale, for
// the hot paths that turn numbers into text. Nearly every such text becomes a
// CZtString at once, so it is made with room for the string's body after its
// characters (CZtStringImpl::TextWithRoom): text and body take one
// allocation.
#ifndef ZOTREL_SRC_TEXT_NUMFORMAT_H
#define ZOTREL_SRC_TEXT_NUMFORMAT_H

#include <QString>

namespace Varn::detail {

QString DecimalText(long long value);
QString DecimalText(unsigned long long value);

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_TEXT_NUMFORMAT_H
