// How the value classes read a variant: the text, the bytes, and the time
// stamp or duration a variant stands for. The constructors, assignments and
// concatenations of CZtString, CZtBlob, CZtTime and CZtTimeSpan that take a
// variant, and ZtVariantChangeType for those targets, all read through here.
#ifndef ZOTREL_SRC_VARIANT_VALUEFROMVARIANT_H
#define ZOTREL_SRC_VARIANT_VALUEFROMVARIANT_H

#include <zotrel/blob.h>
#include <zotrel/string.h>
#include <zotrel/variant.h>

namespace Varn::detail {

/// The text of a variant: numbers in decimal (floating-point values with up
/// to 15 significant digits), times, durations, GUIDs and CHROMIDs in their
/// text forms, a string shared. Everything else, array variants and broken
/// references give an empty text.
CZtString TextOfVariant(const tagZTVARIANT& v);

/// The bytes of a variant: numbers, tick counts and time stamps as ASCII
/// decimal digits, a byte buffer shared, texts and identifiers as the UTF-16
/// bytes of their text. Everything else gives no bytes.
CZtBlob BytesOfVariant(const tagZTVARIANT& v);

/// What a variant gives a point in time or a duration.
struct TicksOfVariant {
    enum class Kind : unsigned char {
        None,    ///< nothing: the variant does not convert
        Value,   ///< `ticks`, from a 64-bit integer or a truncated double
        Object,  ///< `ticks`, from a time or duration object
        Text,    ///< `text`, to be parsed
    };
    Kind kind = Kind::None;
    long long ticks = 0;
    const CZtString* text = nullptr;
};

/// Reads ZT_VT_I8, ZT_VT_UI8, ZT_VT_QWORD, ZT_VT_R8, ZT_VT_TIMESPAN,
/// ZT_VT_TIME and ZT_VT_STRING (by value, by reference, or through
/// ZT_VT_VARIANT references); null objects and everything else give None.
TicksOfVariant TicksOf(const tagZTVARIANT& v);

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_VARIANT_VALUEFROMVARIANT_H
