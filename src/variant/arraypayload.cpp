#include "variant/arraypayload.h"

namespace Varn::detail {

unsigned int ArrayPayload::Destroy(tagDATAARRAY*) {
    return ZT_E_NOT_SUPPORTED;
}

unsigned int ArrayPayload::Copy(const tagDATAARRAY*, tagDATAARRAY** out) {
    if (out)
        *out = nullptr;
    return ZT_E_NOT_SUPPORTED;
}

bool ArrayPayload::IsEmpty(const tagDATAARRAY*) {
    return false;
}

unsigned int ArrayPayload::ChangeType(tagDATAARRAY*, unsigned short, unsigned short) {
    return ZT_E_NOT_SUPPORTED;
}

unsigned int ArrayPayload::Compare(const tagDATAARRAY*, const tagDATAARRAY*, bool*) {
    return ZT_E_NOT_SUPPORTED;
}

}  // namespace Varn::detail
