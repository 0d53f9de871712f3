// The QueryInterface protocol, written once for every interface object.
#ifndef ZOTREL_SRC_FOUNDATION_QUERYINTERFACE_H
#define ZOTREL_SRC_FOUNDATION_QUERYINTERFACE_H

#include <zotrel/foundation.h>
#include <zotrel/guid.h>

#include <initializer_list>

namespace Varn::detail {

/// Answers a QueryInterface call for `self`, which implements the
/// interfaces whose identifiers are `answers`, in the order they are
/// compared (`IZtUnknown` first, then the bases, then the interface itself).
/// A null `out` gives `ZT_E_POINTER`; a match adds a reference and stores
/// `self`; otherwise `*out` is set to null and `ZT_E_NOINTERFACE` returned.
unsigned int AnswerQueryInterface(IZtUnknown* self, const tagZTGUID& iid, IZtUnknown** out,
                                  std::initializer_list<const CZtGUID*> answers);

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_FOUNDATION_QUERYINTERFACE_H
