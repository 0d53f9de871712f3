// Variant payloads that are data arrays (the ZT_VT_ARRAY flag): the one
// place where the variant functions hand an array over to the data array
// functions.
#ifndef ZOTREL_SRC_VARIANT_ARRAYPAYLOAD_H
#define ZOTREL_SRC_VARIANT_ARRAYPAYLOAD_H

#include <zotrel/variant.h>

namespace Varn::detail {

/// What the variant functions do with a data array handle: each is the data
/// array function of the same name, so it runs under the registry, which
/// validates the handle. Handles may be null (answered ZT_E_NULL_POINTER) or
/// no longer registered (ZT_E_INVALID_TYPE).
struct ArrayPayload {
    /// Destroys an array a by-value record owns (ZtVariantClear).
    static unsigned int Destroy(tagDATAARRAY* array);
    /// Makes an independent, registered deep copy of `array` in `*out`
    /// (ZtVariantCopy, ZtVariantCopyInd); `*out` is null on failure, and
    /// also for an array without dimensions.
    static unsigned int Copy(const tagDATAARRAY* array, tagDATAARRAY** out);
    /// True when the first dimension of the array has no elements; false for
    /// a handle that is not registered.
    static bool IsEmpty(const tagDATAARRAY* array);
    /// Converts every element of the array in place to the type code
    /// `vartype`; 0 only when every element converted.
    static unsigned int ChangeType(tagDATAARRAY* array, unsigned short flags,
                                   unsigned short vartype);
    /// Stores in `*equal` whether the two arrays have the same element type
    /// and elements; arrays of different shapes leave `*equal` unwritten.
    static unsigned int Compare(const tagDATAARRAY* a, const tagDATAARRAY* b, bool* equal);
};

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_VARIANT_ARRAYPAYLOAD_H
