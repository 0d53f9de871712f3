#include <zotrel/foundation.h>

#include <zotrel/guid.h>

namespace Varn {

IZtComponent::IZtComponent() = default;

IZtComponent::IZtComponent(const IZtComponent&) : IZtUnknown() {}

IZtComponent& IZtComponent::operator=(const IZtComponent&) {
    return *this;
}

tagZTGUID IZtComponent::GetIID(IZtComponent*) {
    return IID_IZtComponent;
}

}  // namespace Varn
