#include "identifiers/toolkithelper.h"

#include <cstring>

namespace Varn {

unsigned int CZtToolkitHelper::ParseGUID(const CZtString& text, tagZTGUID* out) {
    if (!out) return ZT_E_INVALID_OBJECT;
    const char* p = text.c_str();
    if (!p) return ZT_E_INVALID_OBJECT;
    if (*p == '"') ++p;
    if (*p == '{') ++p;
    if (std::strlen(p) < 36) return ZT_E_INVALID_OBJECT;

    // Each field is stored as soon as it is read; the first bad one stops the
    // reading and zeroes the whole record.
    bool ok = true;
    out->Data1 = CZtGUID::GetData(p, 8, &ok);
    if (ok) out->Data2 = static_cast<unsigned short>(CZtGUID::GetData(p + 9, 4, &ok));
    if (ok) out->Data3 = static_cast<unsigned short>(CZtGUID::GetData(p + 14, 4, &ok));
    static const int kByteOffsets[8] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (int i = 0; ok && i < 8; ++i)
        out->Data4[i] = static_cast<unsigned char>(CZtGUID::GetData(p + kByteOffsets[i], 2, &ok));
    if (ok) return ZT_S_OK;
    std::memset(out, 0, sizeof(*out));
    return ZT_E_INVALID_OBJECT;
}

}  // namespace Varn
