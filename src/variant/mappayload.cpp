#include "variant/mappayload.h"

namespace Varn::detail {

unsigned int MapPayload::Destroy(CZtMap*) {
    return ZT_E_NOT_SUPPORTED;
}

unsigned int MapPayload::Copy(const CZtMap*, CZtMap** out) {
    if (out)
        *out = nullptr;
    return ZT_E_NOT_SUPPORTED;
}

bool MapPayload::IsEmpty(const CZtMap*) {
    return false;
}

unsigned int MapPayload::Compare(const CZtMap*, const CZtMap*, bool*) {
    return ZT_E_NOT_SUPPORTED;
}

unsigned int MapPayload::FromVariant(const tagZTVARIANT&, CZtMap** out) {
    if (out)
        *out = nullptr;
    return ZT_E_NOT_SUPPORTED;
}

}  // namespace Varn::detail
