// Module-wide objects of the diagnostics that are made on first use, and
// the one object that destroys them when the library unloads.
#ifndef ZOTREL_SRC_DIAGNOSTICS_FIRSTUSE_H
#define ZOTREL_SRC_DIAGNOSTICS_FIRSTUSE_H

#include <atomic>

namespace Varn::detail {

/// A pointer to an object of type T that the first `Get` creates, from any
/// thread: threads that race to be first each build one, one wins and the
/// others throw theirs away, so none leaks and every caller gets the same
/// object. Constant-initialised and trivially destructible, so it can be
/// defined anywhere without taking part in the order of module-wide
/// objects; `Destroy` frees the object at a point of that order.
template <class T>
class CZtFirstUse {
public:
    constexpr CZtFirstUse() = default;
    CZtFirstUse(const CZtFirstUse&) = delete;
    CZtFirstUse& operator=(const CZtFirstUse&) = delete;

    T& Get() {
        T* current = m_pObject.load(std::memory_order_acquire);
        if (current)
            return *current;
        T* fresh = new T();
        if (m_pObject.compare_exchange_strong(current, fresh, std::memory_order_acq_rel,
                                              std::memory_order_acquire))
            return *fresh;
        delete fresh;
        return *current;
    }

    /// Destroys the object, if one was made; a later `Get` makes a new one.
    void Destroy() { delete m_pObject.exchange(nullptr, std::memory_order_acq_rel); }

private:
    std::atomic<T*> m_pObject{nullptr};
};

/// Destroy the system status instance with its line counters, and the table
/// of error texts (each made on first use).
void DestroySystemStatusObjects();
void DestroyErrorMap();

/// Destroys the diagnostics' first-use objects when it is destroyed. Exactly
/// one is defined, among the module-wide objects, so that these objects
/// outlive everything that could still write a usage line or make an error
/// descriptor while the library unloads (timer threads are stopped before).
class CZtDiagnosticsFirstUseDeleter {
public:
    CZtDiagnosticsFirstUseDeleter() = default;
    CZtDiagnosticsFirstUseDeleter(const CZtDiagnosticsFirstUseDeleter&) = delete;
    CZtDiagnosticsFirstUseDeleter& operator=(const CZtDiagnosticsFirstUseDeleter&) = delete;
    ~CZtDiagnosticsFirstUseDeleter() {
        DestroySystemStatusObjects();
        DestroyErrorMap();
    }
};

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_DIAGNOSTICS_FIRSTUSE_H
