// Variant payloads that are maps (ZT_VT_MAP): the one place where the
// variant functions hand a heap CZtMap handle over to the map class.
#ifndef ZOTREL_SRC_VARIANT_MAPPAYLOAD_H
#define ZOTREL_SRC_VARIANT_MAPPAYLOAD_H

#include <zotrel/variant.h>

namespace Varn::detail {

/// What the variant functions do with the CZtMap handle a ZT_VT_MAP record
/// owns. Every function takes a non-null handle (and non-null outputs); the
/// variant functions deal with null handles and references themselves. None
/// of them fails: each returns 0.
struct MapPayload {
    /// Deletes the handle (its destructor releases the shared body).
    static unsigned int Destroy(CZtMap* map);
    /// A new heap handle sharing the map's body in `*out` (null on failure).
    static unsigned int Copy(const CZtMap* map, CZtMap** out);
    /// The map has no entries.
    static bool IsEmpty(const CZtMap* map);
    /// Stores in `*equal` whether the maps hold equal keys and values.
    static unsigned int Compare(const CZtMap* a, const CZtMap* b, bool* equal);
    /// The conversion of any by-value record to ZT_VT_MAP: a new heap handle
    /// in `*out` sharing the record's map, or a new empty map (the
    /// constructor of CZtMap from a variant).
    static unsigned int FromVariant(const tagZTVARIANT& v, CZtMap** out);
};

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_VARIANT_MAPPAYLOAD_H
