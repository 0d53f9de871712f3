// The reference-counting half of every interface object of the library.
#ifndef ZOTREL_SRC_FOUNDATION_REFCOUNTED_H
#define ZOTREL_SRC_FOUNDATION_REFCOUNTED_H

#include <zotrel/foundation.h>

namespace Varn::detail {

/// Implements `AddRef`/`Release` of `Interface` over a `CZtAtomicIntTmpl<1>`:
/// a new object has count 1, owned by its creator, and the `Release` that
/// returns 0 deletes it through the virtual destructor, which follows the
/// interface's slots in the table of virtual functions.
template <class Interface>
class RefCounted : public Interface {
public:
    int AddRef() const override { return m_RefCount.Increment(); }
    int Release() const override {
        const int count = m_RefCount.Decrement();
        if (count == 0)
            delete this;
        return count;
    }

protected:
    RefCounted() = default;
    RefCounted(const RefCounted&) : Interface() {}
    RefCounted& operator=(const RefCounted&) { return *this; }
    virtual ~RefCounted() = default;

private:
    mutable CZtAtomicIntTmpl<1> m_RefCount;
};

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_FOUNDATION_REFCOUNTED_H
