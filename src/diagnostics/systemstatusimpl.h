// Pieces of the system status that tests reach directly.
#ifndef ZOTREL_SRC_DIAGNOSTICS_SYSTEMSTATUSIMPL_H
#define ZOTREL_SRC_DIAGNOSTICS_SYSTEMSTATUSIMPL_H

#include <zotrel/chromid.h>

#include <string>

namespace Varn::detail {

/// Raises `*maximum` to `value` when that is larger, atomically: of
/// concurrent callers none loses its value. Returns the maximum afterwards.
inline unsigned long long RaiseMaximum(unsigned long long* maximum, unsigned long long value) {
    unsigned long long current = __atomic_load_n(maximum, __ATOMIC_RELAXED);
    while (current < value) {
        if (__atomic_compare_exchange_n(maximum, &current, value, true, __ATOMIC_RELAXED,
                                        __ATOMIC_RELAXED))
            return value;
    }
    return current;
}

/// The start of a usage line: `number` right-aligned in 12 characters, ":",
/// then the identifier's text (that of a variant holding it, in Latin-1)
/// right-aligned in 3. A null identifier has an empty text.
std::string UsageLinePrefix(int number, const tagZTCHROMID* id);

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_DIAGNOSTICS_SYSTEMSTATUSIMPL_H
