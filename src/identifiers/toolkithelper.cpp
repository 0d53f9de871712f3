#include "identifiers/toolkithelper.h"

#include <QString>

#include <cstdio>
#include <cstring>
#include <string>

#include "identifiers/hexfield.h"
#include "text/stringimpl.h"

namespace Varn {

// Reads the UTF-16 text in place: every character that is not a hexadecimal
// digit fails whether it is Latin-1 or not, so this gives exactly what reading
// the narrow form would, without building it.
unsigned int CZtToolkitHelper::ParseGUID(const CZtString& text, tagZTGUID* out) {
    if (!out)
        return ZT_E_INVALID_OBJECT;
    const QString* source = CZtStringImpl::TextOf(text);
    if (!source)
        return ZT_E_INVALID_OBJECT;
    const char16_t* p = reinterpret_cast<const char16_t*>(source->utf16());
    if (*p == u'"')
        ++p;
    if (*p == u'{')
        ++p;
    // At least 36 characters before the text ends at its first NUL, as its
    // narrow form would; the storage is NUL-terminated, so this never reads
    // past it.
    for (int i = 0; i < 36; ++i)
        if (p[i] == 0)
            return ZT_E_INVALID_OBJECT;

    // Each field is stored as soon as it is read; the first bad one stops the
    // reading and zeroes the whole record.
    bool ok = true;
    out->Data1 = detail::ReadHexField(p, 8, ok);
    if (ok)
        out->Data2 = static_cast<unsigned short>(detail::ReadHexField(p + 9, 4, ok));
    if (ok)
        out->Data3 = static_cast<unsigned short>(detail::ReadHexField(p + 14, 4, ok));
    static const int kByteOffsets[8] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (int i = 0; ok && i < 8; ++i)
        out->Data4[i] =
            static_cast<unsigned char>(detail::ReadHexField(p + kByteOffsets[i], 2, ok));
    if (ok)
        return ZT_S_OK;
    std::memset(out, 0, sizeof(*out));
    return ZT_E_INVALID_OBJECT;
}

}  // namespace Varn

namespace Varn {

namespace {

constexpr int kCHROMIDParts = 6;

QString CHROMIDPartsText(const unsigned int parts[kCHROMIDParts]) {
    // Six signed 32-bit numbers, five dots and the NUL fit in 6 * 11 + 6 bytes.
    char buffer[6 * 11 + 6];
    const int length = std::snprintf(buffer, sizeof(buffer), "%d.%d.%d.%d.%d.%d",
                                     static_cast<int>(parts[0]), static_cast<int>(parts[1]),
                                     static_cast<int>(parts[2]), static_cast<int>(parts[3]),
                                     static_cast<int>(parts[4]), static_cast<int>(parts[5]));
    return QString::fromLatin1(buffer, length);
}

}  // namespace

CZtToolkitHelper::CHROMIDText CZtToolkitHelper::ReadCHROMIDText(const CZtString& text,
                                                                unsigned int parts[6]) {
    const CZtString trimmed = text.Trimmed();
    if (trimmed.Count('.') != kCHROMIDParts - 1)
        return CHROMIDText::NotSixPieces;
    CZtString pieces[kCHROMIDParts];
    for (int i = 0; i < kCHROMIDParts; ++i) {
        pieces[i] = trimmed.Section('.', i, i);
        if (pieces[i].IsEmpty())
            return CHROMIDText::NotSixPieces;
    }
    for (int i = 0; i < kCHROMIDParts; ++i)
        parts[i] = pieces[i].ToUInt();

    // The numbers are read leniently (saturating, "0x" selects hexadecimal);
    // demanding that they render back to exactly the untrimmed input keeps
    // one text per numeric CHROMID, so any other spelling of the same numbers
    // stays text and comes back out unchanged.
    const QString* given = CZtStringImpl::TextOf(text);
    if (given && *given == CHROMIDPartsText(parts))
        return CHROMIDText::Numeric;
    return CHROMIDText::NotCanonical;
}

CZtString CZtToolkitHelper::FormatCHROMIDParts(const unsigned int parts[6]) {
    return CZtStringImpl::Make(CHROMIDPartsText(parts));
}

unsigned int CZtToolkitHelper::ParseCHROMID(const CZtString& text, tagZTCHROMID* out) {
    if (!out)
        return ZT_E_NULL_POINTER;
    // A handle of our own keeps the characters alive even when `text` is the
    // string that clearing `out` destroys.
    const CZtString input(text);
    unsigned int parts[kCHROMIDParts];
    const CHROMIDText kind = ReadCHROMIDText(input, parts);
    if (kind != CHROMIDText::NotSixPieces) {
        // Six pieces: the record starts afresh, whichever form it ends in.
        ZTCHROMIDClear(out);
        if (kind == CHROMIDText::Numeric) {
            ZTCHROMIDInit(out);
            std::memcpy(out->parts, parts, sizeof(out->parts));
            return ZT_S_OK;
        }
    }
    // The text form; the parts and the order key are kept when the text was
    // not even six pieces.
    CZtString::DestroyString(out->text);
    out->text = input.AllocString();
    out->dataType = ZT_CHROMID_TEXT;
    return ZT_S_OK;
}

}  // namespace Varn
