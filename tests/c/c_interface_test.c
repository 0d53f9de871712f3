/* The plain records and C functions, used from a C11 program.
 *
 * Proves that the headers with plain records (foundation, GUID, CHROMID,
 * variant, data array, event, geometry, colour) and the trace engine's header
 * compile as C, that the C functions are exported unmangled from the shared
 * library, and that they behave as documented. Prints one line per failed
 * check and exits non-zero when any check fails.
 */

#include <zotrel/chromid.h>
#include <zotrel/color.h>
#include <zotrel/dataarray.h>
#include <zotrel/event.h>
#include <zotrel/foundation.h>
#include <zotrel/geometry.h>
#include <zotrel/guid.h>
#include <zotrel/objectcollections.h>
#include <zotrel/systemstatus.h>
#include <zotrel/traceengine.h>
#include <zotrel/variant.h>

#include <stdbool.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

static int failures = 0;

static void check(bool condition, const char* what, int line) {
    if (!condition) {
        fprintf(stderr, "c_interface_test.c:%d: check failed: %s\n", line, what);
        ++failures;
    }
}

#define CHECK(condition) check((condition), #condition, __LINE__)

static void test_parse_valid(void) {
    tagZTGUID g;
    memset(&g, 0xAB, sizeof(g));
    CHECK(ZtString2ZTGUID(L"{B040EE6B-4A59-426D-91C8-4A8012F67D60}", &g) == ZT_S_OK);
    CHECK(g.Data1 == 0xB040EE6Bu);
    CHECK(g.Data2 == 0x4A59u);
    CHECK(g.Data3 == 0x426Du);
    {
        static const unsigned char expected[8] = {0x91, 0xC8, 0x4A, 0x80, 0x12, 0xF6, 0x7D, 0x60};
        CHECK(memcmp(g.Data4, expected, sizeof(expected)) == 0);
    }
}

static void test_parse_too_short(void) {
    tagZTGUID g;
    tagZTGUID before;
    const wchar_t* text = L"B040EE6B-4A59-426D-91C8-4A8012F67D6"; /* 35 characters */
    CHECK(wcslen(text) == 35);
    memset(&g, 0x5A, sizeof(g));
    before = g;
    CHECK(ZtString2ZTGUID(text, &g) == ZT_E_INVALID_OBJECT);
    CHECK(ZtString2ZTGUID(text, &g) == 0x80402000u);
    CHECK(memcmp(&g, &before, sizeof(g)) == 0); /* untouched */
}

static void test_is_empty(void) {
    tagZTGUID zero;
    tagZTGUID nonzero;
    memset(&zero, 0, sizeof(zero));
    memset(&nonzero, 0, sizeof(nonzero));
    nonzero.Data4[7] = 1;
    CHECK(!ZTGUIDIsEmpty(NULL));
    CHECK(ZTGUIDIsEmpty(&zero));
    CHECK(!ZTGUIDIsEmpty(&nonzero));
}

static void test_chromid_record(void) {
    tagZTCHROMID id;
    ZTCHROMID zeroed;              /* the record's other name */
    memset(&id, 0xAB, sizeof(id)); /* fresh memory: the garbage pointer is not freed */
    memset(&zeroed, 0, sizeof(zeroed));
    CHECK(ZTCHROMIDInit(&id) == ZT_S_OK);
    CHECK(id.dataType == ZT_CHROMID_NUMERIC);
    CHECK(id.orderKey == 0 && id.parts[0] == 0 && id.parts[5] == 0 && id.text == NULL);
    CHECK(ZTCHROMIDIsEmpty(&id));
    id.parts[5] = 1;
    CHECK(!ZTCHROMIDIsEmpty(&id));
    CHECK(ZTCHROMIDClear(&id) == ZT_S_OK);
    CHECK(id.dataType == ZT_CHROMID_CLEARED && id.parts[5] == 0);
    CHECK(memcmp(&id, &zeroed, sizeof(id)) == 0);
    CHECK(!ZTCHROMIDIsEmpty(&id)); /* a cleared record has no value */
    CHECK(!ZTCHROMIDIsEmpty(NULL));
    CHECK(ZTCHROMIDInit(NULL) == ZT_E_NULL_POINTER);
    CHECK(ZTCHROMIDClear(NULL) == 0x80402006u);
}

static void test_variant_record(void) {
    tagZTVARIANT number;
    tagZTVARIANT copy;
    tagZTVARIANT guid;
    tagZTGUID id;
    tagZTGUID back;
    bool equal = false;
    memset(&number, 0xAB, sizeof(number)); /* fresh memory: nothing is released */
    CHECK(ZtVariantInit(&number) == ZT_S_OK);
    CHECK(number.vartype == ZT_VT_EMPTY);
    CHECK(ZtVariantInit(&copy) == ZT_S_OK);
    CHECK(ZtVariantInit(&guid) == ZT_S_OK);

    /* An I4 filled by hand, as a C caller does, then copied. */
    number.vartype = ZT_VT_I4;
    number.data.i4Val = -42;
    CHECK(ZtVariantCopy(&copy, &number) == ZT_S_OK);
    CHECK(copy.vartype == ZT_VT_I4 && copy.data.i4Val == -42);
    CHECK(ZtVariantCompare(&copy, &number, &equal) == ZT_S_OK && equal);
    CHECK(ZtVariantChangeType(&copy, &copy, 0, ZT_VT_I8) == ZT_S_OK);
    CHECK(copy.vartype == ZT_VT_I8 && copy.data.i8Val == -42);
    CHECK(ZtVariantClear(&copy) == ZT_S_OK);
    CHECK(copy.vartype == ZT_VT_EMPTY);

    /* A GUID into a record, copied, and read back. */
    CHECK(ZtString2ZTGUID(L"{B040EE6B-4A59-426D-91C8-4A8012F67D60}", &id) == ZT_S_OK);
    CHECK(ZtGUID2Variant(&id, &guid) == ZT_S_OK);
    CHECK(guid.vartype == ZT_VT_GUID);
    CHECK(ZtVariantCopy(&copy, &guid) == ZT_S_OK);
    memset(&back, 0, sizeof(back));
    CHECK(ZtVariant2GUID(&copy, &back) == ZT_S_OK);
    CHECK(memcmp(&back, &id, sizeof(id)) == 0);
    CHECK(ZtVariant2GUID(&number, &back) == ZT_E_INVALID_TYPE);

    /* The text of a copy is a string object the record owns. */
    CHECK(ZtVariantChangeType(&copy, &guid, 0, ZT_VT_STRING) == ZT_S_OK);
    CHECK(copy.vartype == ZT_VT_STRING && copy.data.pString != NULL);
    CHECK(ZtVariantClear(&copy) == ZT_S_OK);
    CHECK(copy.data.pString == NULL);
    CHECK(ZtVariantClear(&guid) == ZT_S_OK);
    CHECK(ZtVariantClear(&number) == ZT_S_OK);
    CHECK(ZtVariantClear(NULL) == ZT_E_NULL_POINTER);
}

static void test_data_array(void) {
    tagDATAARRAYBOUND bound;
    tagDATAARRAY* array;
    tagDATAARRAY* copy = NULL;
    unsigned short vartype = 0;
    unsigned int count = 0;
    unsigned int bytes = 0;
    int index = 3;
    double level = 21.5;
    double read = 0.0;
    bool equal = false;

    bound.count = 5;
    bound.lowerBound = 1;
    array = ZtDataArrayCreate(ZT_VT_R8, 1, &bound);
    CHECK(array != NULL);
    CHECK(array->dimCount == 1 && array->firstCount == 5 && array->data != NULL);
    CHECK(ZtDataArrayGetVartype(array, &vartype) == ZT_S_OK && vartype == ZT_VT_R8);
    CHECK(ZtDataArrayGetElementCount(array, &count, &bytes) == ZT_S_OK);
    CHECK(count == 5 && bytes == 40);
    CHECK(ZtDataArrayPutElement(array, &index, &level) == ZT_S_OK);
    CHECK(ZtDataArrayGetElement(array, &index, &read) == ZT_S_OK && read == 21.5);
    CHECK(((double*)array->data)[2] == 21.5); /* index 3 from lower bound 1 */
    index = 6;                                /* past the last element */
    CHECK(ZtDataArrayGetElement(array, &index, &read) == ZT_E_INVALID_TYPE);
    CHECK(ZtDataArrayCopy(array, &copy) == ZT_S_OK && copy != NULL && copy != array);
    CHECK(ZtDataArrayCompare(array, copy, &equal) == ZT_S_OK && equal);
    CHECK(ZtDataArrayDestroy(copy) == ZT_S_OK);
    CHECK(ZtDataArrayDestroy(array) == ZT_S_OK);
    CHECK(ZtDataArrayDestroy(array) == ZT_E_INVALID_TYPE);
    CHECK(ZtDataArrayCreate(ZT_VT_R8, 1, NULL) == NULL);
    CHECK(ZtDataArrayGetVartype(NULL, &vartype) == ZT_E_NULL_POINTER);
}

static void test_event(void) {
    tagZTEVENT* event = ZtCreateEvent(0, 0, NULL); /* auto-reset, unsignalled, unnamed */
    tagZTEVENT* events[1];
    unsigned char manualReset = 9;
    unsigned char initialState = 9;
    CHECK(event != NULL && event->id > 1000u);
    CHECK(ZtGetEventAttributes(event, &manualReset, &initialState, NULL) == ZT_S_OK);
    CHECK(manualReset == 0 && initialState == 0);
    CHECK(ZtSetEvent(event) == ZT_S_OK);
    CHECK(ZtWaitForSingleEvent(event, 0) == ZT_WAIT_OBJECT_0);
    CHECK(ZtWaitForSingleEvent(event, 0) == 0x102u); /* the wait reset it */
    CHECK(ZtSetEvent(event) == ZT_S_OK);
    CHECK(ZtResetEvent(event) == ZT_S_OK);
    events[0] = event;
    CHECK(ZtWaitForMultipleEvents(1, events, 1, 10) == ZT_WAIT_TIMEOUT);
    CHECK(ZtDestroyEvent(event) == ZT_S_OK);
    CHECK(ZtDestroyEvent(NULL) == 0x80402006u);
    CHECK(ZtWaitForSingleEvent(NULL, 0) == 0xFFFFFFFFu);
}

/* The geometry and colour records from C: the fields in their documented
 * order, back to back. */
static void test_geometry_records(void) {
    const ZT_POINT_2F point = {1.5f, -2.0f};
    const ZT_POINT_2U pixel = {3u, 0xFFFFFFFFu};
    const ZT_SIZE_F size = {2.0f, 3.0f};
    const ZT_SIZE_U extent = {5u, 6u};
    const ZT_RECT_F frame = {10.0f, 20.0f, 30.0f, 60.0f};
    const ZT_RECT_U pixels = {1u, 2u, 3u, 4u};
    const ZTCOLORVALUE colour = {1.0f, 0.5f, 0.25f, 0.0f};
    const float* edges = &frame.left;
    const unsigned int* pixelEdges = &pixels.left;
    const float* channels = &colour.r;

    CHECK(sizeof(ZT_POINT_2F) == 8 && offsetof(ZT_POINT_2F, y) == 4);
    CHECK(sizeof(ZT_POINT_2U) == 8 && offsetof(ZT_POINT_2U, y) == 4);
    CHECK(sizeof(ZT_SIZE_F) == 8 && offsetof(ZT_SIZE_F, height) == 4);
    CHECK(sizeof(ZT_SIZE_U) == 8 && offsetof(ZT_SIZE_U, height) == 4);
    CHECK(sizeof(ZT_RECT_F) == 16 && offsetof(ZT_RECT_F, bottom) == 12);
    CHECK(sizeof(ZT_RECT_U) == 16 && offsetof(ZT_RECT_U, bottom) == 12);
    CHECK(sizeof(ZTCOLORVALUE) == 16 && offsetof(ZTCOLORVALUE, a) == 12);
    CHECK(point.x == 1.5f && point.y == -2.0f && pixel.y == 0xFFFFFFFFu);
    CHECK(size.height == 3.0f && extent.width == 5u);
    CHECK(edges[0] == 10.0f && edges[1] == 20.0f && edges[2] == 30.0f && edges[3] == 60.0f);
    CHECK(pixelEdges[0] == 1u && pixelEdges[3] == 4u);
    CHECK(channels[0] == 1.0f && channels[1] == 0.5f && channels[2] == 0.25f &&
          channels[3] == 0.0f);
}

/* The variant vector from C: made by the C functions, used through the
 * interfaces' tables of operations, released again. */
static void test_variant_vector(void) {
    IZtVariantCollectionMut* v = ZtCreateVariantCollectionMut();
    IZtVariantCollection* r = ZtCreateVariantCollection();
    IZtVariantCollection* view = (IZtVariantCollection*)v; /* the same object, read only */
    tagZTVARIANT item;
    tagZTVARIANT out;
    unsigned int count = 99;
    CHECK(v != NULL && r != NULL);
    if (!v || !r)
        return;
    ZtVariantInit(&item);
    ZtVariantInit(&out);
    item.vartype = ZT_VT_I4;
    item.data.i4Val = 42;
    CHECK(v->lpVtbl->PushBack(v, &item) == ZT_S_OK);
    item.data.i4Val = 43;
    CHECK(v->lpVtbl->PushBack(v, &item) == ZT_S_OK);
    CHECK(v->lpVtbl->PushBack(v, NULL) == ZT_E_INVALIDARG);
    CHECK(v->lpVtbl->GetCount(v, &count) == ZT_S_OK && count == 2);
    CHECK(v->lpVtbl->GetCount(v, NULL) == ZT_E_INVALIDARG);
    CHECK(v->lpVtbl->GetItem(v, 0, &out) == ZT_S_OK);
    CHECK(out.vartype == ZT_VT_I4 && out.data.i4Val == 42);
    CHECK(v->lpVtbl->GetItem(v, 2, &out) == ZT_E_FAIL);
    CHECK(out.vartype == ZT_VT_I4 && out.data.i4Val == 42); /* untouched */
    CHECK(v->lpVtbl->SetItem(v, 0, &item) == ZT_S_OK);      /* [43, 43] */
    CHECK(v->lpVtbl->Reserve(v, 16) == ZT_S_OK);
    CHECK(v->lpVtbl->PopBack(v) == ZT_S_OK); /* [43] */

    CHECK(view->lpVtbl->GetCount(view, &count) == ZT_S_OK && count == 1);
    CHECK(view->lpVtbl->GetItem(view, 0, &out) == ZT_S_OK && out.data.i4Val == 43);
    CHECK(view->lpVtbl->AddRef(view) == 2);
    CHECK(view->lpVtbl->Release(view) == 1);
    CHECK(v->lpVtbl->PushBackCollection(v, view) == ZT_S_OK); /* itself: [43, 43] */
    CHECK(v->lpVtbl->PushBackCollection(v, r) == ZT_S_OK);    /* nothing to add */
    CHECK(v->lpVtbl->GetCount(v, &count) == ZT_S_OK && count == 2);

    CHECK(v->lpVtbl->Freeze(v) == ZT_S_OK);
    CHECK(v->lpVtbl->PushBack(v, &item) == ZT_E_READONLY);
    CHECK(v->lpVtbl->Clear(v) == ZT_E_READONLY);
    CHECK(v->lpVtbl->GetItem(v, 1, &out) == ZT_S_OK && out.data.i4Val == 43);
    CHECK(r->lpVtbl->GetCount(r, &count) == ZT_S_OK && count == 0);

    CHECK(ZtVariantCollectionMutDestory(v) == ZT_S_OK);
    CHECK(ZtVariantCollectionDestroy(r) == ZT_S_OK);
    CHECK(ZtVariantCollectionDestroy(NULL) == 0x80402006u);
    CHECK(ZtVariantCollectionMutDestory(NULL) == 0x80402006u);
    ZtVariantClear(&out);
}

/* A C caller's trace line, captured by its sink. */
static char g_lastLine[256];

static void capture_line(void* context, const char* line, size_t length) {
    (void)context;
    if (length >= sizeof g_lastLine)
        length = sizeof g_lastLine - 1;
    memcpy(g_lastLine, line, length);
    g_lastLine[length] = '\0';
}

static void test_trace_engine(void) {
    trace_engine_object engine = {NULL, NULL};
    CHECK(trace_engine_create("Sub", "CTest", 0, 0, 1, &engine.handle, &engine) == 0);
    CHECK(engine.filter != NULL && *engine.filter == 0);
    CHECK(trace_control_set("CTest", "warning") == 0);
    CHECK((*engine.filter & 7u) == 3u);

    trace_param params[3];
    const int count = -7;
    const double reading = 0.5;
    trace_param_init(&params[0], TRACE_PARAM_NARROW, "valve");
    trace_param_init(&params[1], TRACE_PARAM_INT32, &count);
    trace_param_init(&params[2], TRACE_PARAM_DOUBLE, &reading);
    trace_control_set_sink(capture_line, NULL);
    CHECK(trace_engine_write(engine.handle, 0, 0, 3, "%1 %2:x %3", 0, 0, 3, params) == 1);
    CHECK(trace_engine_write(engine.handle, 0, 0, 4, "info is filtered", 0, 0, 0, NULL) == 0);
    trace_control_set_sink(NULL, NULL);
    trace_param_clear(params, 3);
    const char* expected = " CTest/Sub WARNING valve fffffff9 0.5";
    const size_t length = strlen(g_lastLine);
    CHECK(length > strlen(expected) &&
          strcmp(g_lastLine + length - strlen(expected), expected) == 0);
    trace_engine_destroy(engine.handle);
}

/* The usage lines from C: written under the library's flags, captured by
 * the sink above; a null text writes nothing. */
static void test_usage_lines(void) {
    tagZTCHROMID id;
    ZTCHROMIDInit(&id);
    id.parts[0] = 7;
    CHECK(trace_control_set("Zotrel", "+NFR_CPU,+NFR_MEM") == 0);
    trace_control_set_sink(capture_line, NULL);
    g_lastLine[0] = '\0';
    ZtTraceCPUUsage(&id, "from C");
    CHECK(strstr(g_lastLine, " Zotrel/ZtCore NFR_CPU ") != NULL);
    CHECK(strstr(g_lastLine, ":7.0.0.0.0.0:from C:SysIdle=") != NULL);
    ZtTraceRAMUsage(&id, "from C");
    CHECK(strstr(g_lastLine, ":7.0.0.0.0.0:from C:ProcUsed=") != NULL);
    g_lastLine[0] = '\0';
    ZtTraceCPUUsage(&id, NULL);
    ZtTraceRAMUsage(NULL, NULL);
    CHECK(g_lastLine[0] == '\0');
    trace_control_set_sink(NULL, NULL);
    CHECK(trace_control_set("Zotrel", "-NFR_CPU,-NFR_MEM") == 0);
    ZTCHROMIDClear(&id);
}

int main(void) {
    test_parse_valid();
    test_parse_too_short();
    test_is_empty();
    test_chromid_record();
    test_variant_record();
    test_data_array();
    test_event();
    test_geometry_records();
    test_variant_vector();
    test_trace_engine();
    test_usage_lines();
    if (failures != 0) {
        fprintf(stderr, "c_interface_test: %d check(s) failed\n", failures);
        return 1;
    }
    printf("c_interface_test: all checks passed\n");
    return 0;
}
