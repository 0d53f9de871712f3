#include <zotrel/foundation.h>

#include <cstdlib>
#include <new>

namespace Varn {

void* CZtCrtAllocated::operator new(std::size_t size) {
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void* CZtCrtAllocated::operator new[](std::size_t size) {
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void CZtCrtAllocated::operator delete(void* p) noexcept {
    std::free(p);
}

void CZtCrtAllocated::operator delete[](void* p) noexcept {
    std::free(p);
}

}  // namespace Varn
