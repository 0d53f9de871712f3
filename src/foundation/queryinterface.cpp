#include "foundation/queryinterface.h"

namespace Varn::detail {

unsigned int AnswerQueryInterface(IZtUnknown* self, const tagZTGUID& iid, IZtUnknown** out,
                                  std::initializer_list<const CZtGUID*> answers) {
    if (!out)
        return ZT_E_POINTER;
    for (const CZtGUID* answer : answers) {
        if (*answer == iid) {
            self->AddRef();
            *out = self;
            return ZT_S_OK;
        }
    }
    *out = nullptr;
    return ZT_E_NOINTERFACE;
}

}  // namespace Varn::detail
