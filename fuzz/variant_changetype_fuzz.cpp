// A text variant converted to every type code: each conversion either gives
// the target's type word or fails with the documented result for that target,
// leaving a separate destination empty and an in-place variant as it was; a
// converted value equals its own copy, has a text, and converts back to text.
#include <zotrel/string.h>
#include <zotrel/variant.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_text.h"

namespace {

using namespace Varn;

// The results a text source may give for each target code.
bool ExpectedResult(unsigned short target, unsigned int result) {
    switch (target) {
        case ZT_VT_BOOL:
        case ZT_VT_I1:
        case ZT_VT_I2:
        case ZT_VT_I4:
        case ZT_VT_I8:
        case ZT_VT_UI1:
        case ZT_VT_UI2:
        case ZT_VT_UI4:
        case ZT_VT_UI8:
        case ZT_VT_R4:
        case ZT_VT_R8:
        case ZT_VT_BYTE:
        case ZT_VT_WORD:
        case ZT_VT_DWORD:
        case ZT_VT_QWORD:
            return result == ZT_S_OK || result == ZT_E_FAIL;
        case ZT_VT_GUID:
            return result == ZT_S_OK || result == ZT_E_INVALID_OBJECT;
        case ZT_VT_TIMESPAN:
        case ZT_VT_TIME:
        case ZT_VT_BLOB:
        case ZT_VT_STRING:
        case ZT_VT_CHROMID:
        case ZT_VT_MAP:  // a text holds no map: a new empty one
            return result == ZT_S_OK;
        case ZT_VT_UNKNOWN:
        case ZT_VT_RAW32:
        case ZT_VT_RAW64:
        case ZT_VT_REFERENCED:
        case ZT_VT_VARIANT:
        case ZT_VT_DISPATCH:
            return result == ZT_E_NOT_SUPPORTED;
        default:
            return result == ZT_E_INVALID_TYPE;
    }
}

bool Equal(const tagZTVARIANT& a, const tagZTVARIANT& b) {
    bool equal = false;
    return ZtVariantCompare(&a, &b, &equal) == ZT_S_OK && equal;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CZtString text = zotrel_fuzz::TextFromBytes(data, size);
    const CZtVariant source(text);
    for (unsigned short target = 0; target < 64; ++target) {
        CZtVariant dst(L"previous value");
        const unsigned int result = ZtVariantChangeType(&dst, &source, 0, target);
        if (!ExpectedResult(target, result))
            std::abort();
        if (result == ZT_S_OK) {
            if (dst.vartype != target)
                std::abort();
            const CZtVariant copy(dst);
            if (!Equal(copy, dst))
                std::abort();
            CZtVariant back;
            if (ZtVariantChangeType(&back, &dst, 0, ZT_VT_STRING) != ZT_S_OK)
                std::abort();
            const CZtString rendered(dst);
            if (!(CZtString(back) == rendered))
                std::abort();
        } else if (!dst.IsEmpty()) {
            std::abort();
        }

        CZtVariant inPlace(source);
        if (ZtVariantChangeType(&inPlace, &inPlace, 0, target) != result)
            std::abort();
        if (result != ZT_S_OK && !Equal(inPlace, source))
            std::abort();
    }
    // The getters read the same conversions and leave the variant alone.
    const int asInt = source;
    const double asDouble = source;
    (void)asInt;
    (void)asDouble;
    if (source.vartype != ZT_VT_STRING || !(CZtString(source) == text))
        std::abort();
    return 0;
}
