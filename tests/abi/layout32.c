/* The plain records keep their documented layout on a 32-bit target.
 *
 * This file only has to compile: the build and scripts/test.sh run it through
 * `gcc -m32 -std=c11 -fsyntax-only` (and through g++ as C++17), so a field
 * that moves or a record that grows stops the build. The x86-64 layouts are
 * asserted beside the implementation of each record.
 */

#include <zotrel/guid.h>

#include <stddef.h>

#ifdef __cplusplus
#define ZT_LAYOUT_ASSERT static_assert
using namespace Varn;
#else
#define ZT_LAYOUT_ASSERT _Static_assert
#endif

ZT_LAYOUT_ASSERT(sizeof(void*) == 4, "compile this check with -m32");

/* tagZTGUID: 16 bytes, no padding. */
ZT_LAYOUT_ASSERT(sizeof(tagZTGUID) == 16, "tagZTGUID is 16 bytes");
ZT_LAYOUT_ASSERT(offsetof(tagZTGUID, Data1) == 0, "tagZTGUID.Data1 at 0");
ZT_LAYOUT_ASSERT(offsetof(tagZTGUID, Data2) == 4, "tagZTGUID.Data2 at 4");
ZT_LAYOUT_ASSERT(offsetof(tagZTGUID, Data3) == 6, "tagZTGUID.Data3 at 6");
ZT_LAYOUT_ASSERT(offsetof(tagZTGUID, Data4) == 8, "tagZTGUID.Data4 at 8");
ZT_LAYOUT_ASSERT(sizeof(((tagZTGUID*)0)->Data4) == 8, "tagZTGUID.Data4 is 8 bytes");

/* tagZTCHROMID: 32 bytes, the text pointer last. */
#include <zotrel/chromid.h>

ZT_LAYOUT_ASSERT(sizeof(tagZTCHROMID) == 32, "tagZTCHROMID is 32 bytes");
ZT_LAYOUT_ASSERT(offsetof(tagZTCHROMID, dataType) == 0, "tagZTCHROMID.dataType at 0");
ZT_LAYOUT_ASSERT(offsetof(tagZTCHROMID, orderKey) == 2, "tagZTCHROMID.orderKey at 2");
ZT_LAYOUT_ASSERT(offsetof(tagZTCHROMID, parts) == 4, "tagZTCHROMID.parts at 4");
ZT_LAYOUT_ASSERT(sizeof(((tagZTCHROMID*)0)->parts) == 24, "tagZTCHROMID.parts is 24 bytes");
ZT_LAYOUT_ASSERT(offsetof(tagZTCHROMID, text) == 28, "tagZTCHROMID.text at 28");

/* tagZTVARIANT: 40 bytes, aligned to 8, the payload at offset 8 (large enough
 * for a whole CHROMID record). */
#include <zotrel/variant.h>

ZT_LAYOUT_ASSERT(sizeof(tagZTVARIANT) == 40, "tagZTVARIANT is 40 bytes");
ZT_LAYOUT_ASSERT(offsetof(tagZTVARIANT, vartype) == 0, "tagZTVARIANT.vartype at 0");
ZT_LAYOUT_ASSERT(offsetof(tagZTVARIANT, reserved) == 2, "tagZTVARIANT.reserved at 2");
ZT_LAYOUT_ASSERT(offsetof(tagZTVARIANT, data) == 8, "tagZTVARIANT.data at 8");
ZT_LAYOUT_ASSERT(sizeof(((tagZTVARIANT*)0)->data) == 32, "tagZTVARIANT.data is 32 bytes");
#ifdef __cplusplus
#define ZT_LAYOUT_ALIGNOF alignof
#else
#define ZT_LAYOUT_ALIGNOF _Alignof
#endif
ZT_LAYOUT_ASSERT(ZT_LAYOUT_ALIGNOF(tagZTVARIANT) == 8, "tagZTVARIANT is aligned to 8 bytes");

/* tagDATAARRAYBOUND: 8 bytes; tagDATAARRAY: 24 bytes, the first bound last. */
#include <zotrel/dataarray.h>

ZT_LAYOUT_ASSERT(sizeof(tagDATAARRAYBOUND) == 8, "tagDATAARRAYBOUND is 8 bytes");
ZT_LAYOUT_ASSERT(offsetof(tagDATAARRAYBOUND, count) == 0, "tagDATAARRAYBOUND.count at 0");
ZT_LAYOUT_ASSERT(offsetof(tagDATAARRAYBOUND, lowerBound) == 4, "tagDATAARRAYBOUND.lowerBound at 4");
ZT_LAYOUT_ASSERT(sizeof(tagDATAARRAY) == 24, "tagDATAARRAY is 24 bytes");
ZT_LAYOUT_ASSERT(offsetof(tagDATAARRAY, dimCount) == 0, "tagDATAARRAY.dimCount at 0");
ZT_LAYOUT_ASSERT(offsetof(tagDATAARRAY, firstCount) == 4, "tagDATAARRAY.firstCount at 4");
ZT_LAYOUT_ASSERT(offsetof(tagDATAARRAY, vartype) == 8, "tagDATAARRAY.vartype at 8");
ZT_LAYOUT_ASSERT(offsetof(tagDATAARRAY, data) == 12, "tagDATAARRAY.data at 12");
ZT_LAYOUT_ASSERT(offsetof(tagDATAARRAY, firstBound) == 16, "tagDATAARRAY.firstBound at 16");

#include <zotrel/event.h>

/* tagZTEVENT: one 32-bit identifier. */
ZT_LAYOUT_ASSERT(sizeof(tagZTEVENT) == 4, "tagZTEVENT is 4 bytes");
ZT_LAYOUT_ASSERT(offsetof(tagZTEVENT, id) == 0, "tagZTEVENT.id at 0");

/* The geometry and colour records: 32-bit fields back to back. */
#include <zotrel/color.h>
#include <zotrel/geometry.h>

ZT_LAYOUT_ASSERT(sizeof(ZT_POINT_2F) == 8, "ZT_POINT_2F is 8 bytes");
ZT_LAYOUT_ASSERT(offsetof(ZT_POINT_2F, x) == 0, "ZT_POINT_2F.x at 0");
ZT_LAYOUT_ASSERT(offsetof(ZT_POINT_2F, y) == 4, "ZT_POINT_2F.y at 4");
ZT_LAYOUT_ASSERT(sizeof(ZT_SIZE_F) == 8, "ZT_SIZE_F is 8 bytes");
ZT_LAYOUT_ASSERT(offsetof(ZT_SIZE_F, width) == 0, "ZT_SIZE_F.width at 0");
ZT_LAYOUT_ASSERT(offsetof(ZT_SIZE_F, height) == 4, "ZT_SIZE_F.height at 4");
ZT_LAYOUT_ASSERT(sizeof(ZT_RECT_F) == 16, "ZT_RECT_F is 16 bytes");
ZT_LAYOUT_ASSERT(offsetof(ZT_RECT_F, left) == 0, "ZT_RECT_F.left at 0");
ZT_LAYOUT_ASSERT(offsetof(ZT_RECT_F, top) == 4, "ZT_RECT_F.top at 4");
ZT_LAYOUT_ASSERT(offsetof(ZT_RECT_F, right) == 8, "ZT_RECT_F.right at 8");
ZT_LAYOUT_ASSERT(offsetof(ZT_RECT_F, bottom) == 12, "ZT_RECT_F.bottom at 12");
ZT_LAYOUT_ASSERT(sizeof(ZT_POINT_2U) == 8, "ZT_POINT_2U is 8 bytes");
ZT_LAYOUT_ASSERT(offsetof(ZT_POINT_2U, x) == 0, "ZT_POINT_2U.x at 0");
ZT_LAYOUT_ASSERT(offsetof(ZT_POINT_2U, y) == 4, "ZT_POINT_2U.y at 4");
ZT_LAYOUT_ASSERT(sizeof(ZT_SIZE_U) == 8, "ZT_SIZE_U is 8 bytes");
ZT_LAYOUT_ASSERT(offsetof(ZT_SIZE_U, width) == 0, "ZT_SIZE_U.width at 0");
ZT_LAYOUT_ASSERT(offsetof(ZT_SIZE_U, height) == 4, "ZT_SIZE_U.height at 4");
ZT_LAYOUT_ASSERT(sizeof(ZT_RECT_U) == 16, "ZT_RECT_U is 16 bytes");
ZT_LAYOUT_ASSERT(offsetof(ZT_RECT_U, left) == 0, "ZT_RECT_U.left at 0");
ZT_LAYOUT_ASSERT(offsetof(ZT_RECT_U, top) == 4, "ZT_RECT_U.top at 4");
ZT_LAYOUT_ASSERT(offsetof(ZT_RECT_U, right) == 8, "ZT_RECT_U.right at 8");
ZT_LAYOUT_ASSERT(offsetof(ZT_RECT_U, bottom) == 12, "ZT_RECT_U.bottom at 12");
ZT_LAYOUT_ASSERT(sizeof(ZTCOLORVALUE) == 16, "ZTCOLORVALUE is 16 bytes");
ZT_LAYOUT_ASSERT(offsetof(ZTCOLORVALUE, r) == 0, "ZTCOLORVALUE.r at 0");
ZT_LAYOUT_ASSERT(offsetof(ZTCOLORVALUE, g) == 4, "ZTCOLORVALUE.g at 4");
ZT_LAYOUT_ASSERT(offsetof(ZTCOLORVALUE, b) == 8, "ZTCOLORVALUE.b at 8");
ZT_LAYOUT_ASSERT(offsetof(ZTCOLORVALUE, a) == 12, "ZTCOLORVALUE.a at 12");
