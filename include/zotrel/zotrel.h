/// @file
/// Zotrel: every public header of the library in one include.
///
///     #include <zotrel/zotrel.h>
///
/// Prefer including the one family header you use (`<zotrel/string.h>`,
/// `<zotrel/guid.h>`, ...); this header is for quick programs and tools.
#ifndef ZOTREL_ZOTREL_H
#define ZOTREL_ZOTREL_H

#include <zotrel/blob.h>
#include <zotrel/chromid.h>
#include <zotrel/color.h>
#include <zotrel/context.h>
#include <zotrel/dataarray.h>
#include <zotrel/event.h>
#include <zotrel/foundation.h>
#include <zotrel/geometry.h>
#include <zotrel/guid.h>
#include <zotrel/map.h>
#include <zotrel/objectcollections.h>
#include <zotrel/string.h>
#include <zotrel/systemstatus.h>
#include <zotrel/thread.h>
#include <zotrel/time.h>
#include <zotrel/timer.h>
#include <zotrel/trace.h>
#include <zotrel/variant.h>

#endif  // ZOTREL_ZOTREL_H
