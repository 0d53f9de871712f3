// Every module-wide object of the library, defined in one translation unit so
// that they are constructed in exactly this order when the library is loaded
// (C++ constructs the objects of one unit in definition order) and destroyed
// in reverse when it is unloaded. No other file may define an object with a
// dynamic initialiser.
//
// Early group, in order:
//   1. the interface identifier constants, built from their text form;
//   2. the toolkit helper that carries the text parsers;
//   3. the data array registry;
//   4. the event registry;
//      (the further identifier constants take their place here when that
//      module comes);
//   5. the library's trace engine, which is therefore closed only after
//      everything of the ordinary group is gone: any of it may trace while
//      it is destroyed.
// The ordinary group follows at the end of this file.

#include <zotrel/foundation.h>
#include <zotrel/guid.h>
#include <zotrel/trace.h>

#include "concurrency/eventelement.h"
#include "concurrency/eventmgr.h"
#include "concurrency/timerimpl.h"
#include "dataarray/registry.h"
#include "diagnostics/contextimpl.h"
#include "diagnostics/firstuse.h"
#include "diagnostics/tracing.h"
#include "identifiers/toolkithelper.h"
#include "time/timeimpl.h"

namespace Varn {

// 1. Interface identifiers.
const CZtGUID IID_NULL("00000000-0000-0000-0000-000000000000");
const CZtGUID IID_IZtUnknown("B040EE6B-4A59-426D-91C8-4A8012F67D60");
const CZtGUID IID_IZtComponent("BFC71FED-9C41-4ABA-8167-8C4A559087EF");
const CZtGUID IID_IZtIteratorBase("346D510F-1DC4-4344-894B-0B7CE92008C1");
const CZtGUID IID_IZtObjectCollection("D927170B-0888-48AF-99DA-566B96844A5B");
const CZtGUID IID_IZtObjectEnum("38C2CC34-8F9E-435C-A035-C25F6B7B0356");
const CZtGUID IID_IZtObjectEnumIterator("D4D3714F-5A01-40A0-ACDC-209B22DBA471");
const CZtGUID IID_IZtIntObjectMap("71E6C3B4-7ACB-454D-A1BC-EF95074EE8CC");
const CZtGUID IID_IZtIntObjectMapIterator("69DB34E8-752F-45AD-8069-CF0D7F823877");
const CZtGUID IID_IZtVariantObjectMap("A7DC515F-B988-4F97-9AC3-BE1BDCD77827");
const CZtGUID IID_IZtVariantObjectMapIterator("4EB0191F-9452-4CEA-A7A0-0D761BC4C052");
const CZtGUID IID_ZtReservedNull("00000000-0000-0000-0000-000000000000");
const CZtGUID IID_ZtReserved1("A7CA5D2B-DF72-4E2B-92BA-CC1361FF1151");
const CZtGUID IID_ZtReserved2("48223BEF-B033-4B5D-927F-544582C2514F");
const CZtGUID IID_ZtReserved3("EF94D59E-C542-4EED-A13C-934CF560AEF7");
const CZtGUID IID_ZtReserved4("DFE2604C-384A-4313-99AD-A365BFF9EA32");
const CZtGUID IID_ZtReserved5("DFE2604C-0666-0666-0666-A365BFF9EA32");

// 2. The toolkit helper.
const CZtToolkitHelper g_ToolkitHelper;

// 3. The data array registry. It is destroyed after everything of the
// ordinary group, and destroys the arrays still registered at that point.
CZtDataArrayMgr g_DataArrayMgr;

// 4. The event registry. It is destroyed after everything of the ordinary
// group, and releases the events still registered at that point.
CZtEventMgr g_EventMgr;

// 5. The trace engine: opened here ("Zotrel"/"ZtCore"), closed at unload
// after everything below is destroyed. The engine object it fills is
// constant-initialised (diagnostics/tracebridge.cpp), so a line tested
// before this point reads a filter word of 0.
const detail::CZtTraceEngineLifetime g_TraceEngineLifetime;

// ---------------------------------------------------------------------------
// Ordinary group, in order: the context registry with its mutex; the event
// identifier counter; the usage-line trace flags; the global ticker; the
// timers; the trace setup's data; the remaining trace flags.

// The contexts, preceded by the deleter of the diagnostics' first-use
// objects (the system status instance, its line counters and the table of
// error texts): defined before everything else of this group, it frees them
// only after all of it is gone, the timers (which may still write usage
// lines) and the contexts (whose subscribers' releases may make error
// descriptors) included. The mutex is defined before the registry so that it
// is still there when the registry is destroyed at unload, which destroys
// the contexts still registered under the mutex and releases their
// subscribers.
const detail::CZtDiagnosticsFirstUseDeleter g_DiagnosticsFirstUseDeleter;
CZtAutoMutex CZtContext::sm_Mutex;
CZtContextDataMap CZtContext::sm_ContextData;

// The identifier of the last event record handed out; the first event gets
// 1001. A std::atomic with a constant initialiser is initialised statically,
// before any code of the library runs, and has no destructor, so events made
// by objects that are constructed or destroyed while the library loads or
// unloads get valid identifiers whatever their order. (A CZtAtomicInt keeps
// its value in a heap cell that it allocates when it is constructed, and
// could not give that.)
namespace detail {
std::atomic<unsigned int> g_nLastEventId{1000};
}  // namespace detail

// The flags of the memory and CPU usage lines, registered as soon as the
// engine exists. These are the ids the lines use.
namespace detail {
unsigned char g_byTraceFlagNfrMem = RegisterTraceFlag("NFR_MEM");
unsigned char g_byTraceFlagNfrCpu = RegisterTraceFlag("NFR_CPU");
}  // namespace detail

// The global ticker.
//
// The mutex that serialises the unique UTC time stamps, with the last stamp
// handed out (0 at load) and the pointer to the ticker instance, which is
// created on first use. The deleter comes after the mutex so that it is
// destroyed first: at unload the instance goes away while its mutex is
// still there.
CZtAutoMutex CZtGlobalTicker::sm_Mutex;
long long CZtGlobalTicker::sm_llLastStamp = 0;
std::atomic<CZtGlobalTicker*> CZtGlobalTicker::sm_pInstance{nullptr};
const CZtGlobalTickerDeleter g_GlobalTickerDeleter;

// The timers: the id counter (0 at load, so the first timer is 1), the lock
// and the map of running timers. The lock is defined before the map so that
// it is still there when the map is destroyed at unload, which stops the
// timers still running and takes them out of the map under that lock.
CZtAtomicInt CZtTimer::sm_TimerIDCount(0);
CZtAutoMutex CZtTimer::sm_Mutex;
CZtTimerMap CZtTimer::sm_mapTimers;

// The trace setup: the table of severities by trace name and the project
// name (empty, not initialized, at load).
CZtMap CZtTraceInitializer::sm_TraceLevelRepository;
CZtString CZtTraceInitializer::sm_strProjectName;
bool CZtTraceInitializer::sm_bInitialized = false;

// The remaining flags, so that the engine and the zotrel-trace tool know
// every name the library answers to. "NFR_MEM" and "NFR_CPU" are registered
// again; the engine gives a name its id once, so these bytes equal the first
// ones, and the lines keep using the first.
namespace detail {
unsigned char g_byTraceFlagNfr = RegisterTraceFlag("NFR");
unsigned char g_byTraceFlagPerformance = RegisterTraceFlag("PERFORMANCE");
unsigned char g_byTraceFlagNfrMemAgain = RegisterTraceFlag("NFR_MEM");
unsigned char g_byTraceFlagNfrCpuAgain = RegisterTraceFlag("NFR_CPU");
}  // namespace detail

}  // namespace Varn
