// Variant payloads that are data arrays (the ZT_VT_ARRAY flag): the one
// place where the variant functions hand an array over to the data array
// functions.
#ifndef ZOTREL_SRC_VARIANT_ARRAYPAYLOAD_H
#define ZOTREL_SRC_VARIANT_ARRAYPAYLOAD_H

#include <zotrel/variant.h>

namespace Varn::detail {

/// What the variant functions do with a data array handle. The data array
/// registry is not part of the library yet, so until it is every operation
/// reports ZT_E_NOT_SUPPORTED and touches nothing; the variant functions
/// around these calls (zeroing, type words, by-reference handling, the
/// translation of conversion results) are already complete.
struct ArrayPayload {
    /// Destroys an array a by-value record owns (ZtVariantClear). `array`
    /// may be null.
    static unsigned int Destroy(tagDATAARRAY* array);
    /// Makes an independent, registered deep copy of `array` in `*out`
    /// (ZtVariantCopy, ZtVariantCopyInd); `*out` is null on failure.
    static unsigned int Copy(const tagDATAARRAY* array, tagDATAARRAY** out);
    /// True when the first dimension of the (non-null) array has no elements.
    static bool IsEmpty(const tagDATAARRAY* array);
    /// Converts every element of the array in place to the type code
    /// `vartype`; 0 only when every element converted.
    static unsigned int ChangeType(tagDATAARRAY* array, unsigned short flags,
                                   unsigned short vartype);
    /// Stores in `*equal` whether the two (non-null) arrays have the same
    /// shape, element type and elements.
    static unsigned int Compare(const tagDATAARRAY* a, const tagDATAARRAY* b, bool* equal);
};

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_VARIANT_ARRAYPAYLOAD_H
