// The trace engine's process-wide state: open engines, their publication for
// the zotrel-trace tool, and where lines go.
#ifndef ZOTREL_TRACE_ENGINE_H
#define ZOTREL_TRACE_ENGINE_H

#include <zotrel/traceengine.h>

#include "published.h"

#include <atomic>
#include <string>

namespace Varn::trace {

constexpr unsigned int kEngineMagic = 0x454E4754u;  // "TGNE"

}  // namespace Varn::trace

/// One open engine. Its filter word and flag names live in the process's
/// published object. The texts that follow the thread id in its lines
/// ("component/subcomponent LEVEL ") are made once, when the engine opens
/// and when a flag is registered, so that the write path copies one text
/// and reads a flag's without a lock.
struct trace_engine_impl {
    unsigned int magic = Varn::trace::kEngineMagic;
    Varn::trace::PublishedProcess* block = nullptr;  // holds the slot and its lock
    Varn::trace::PublishedEngine* published = nullptr;
    std::string path;              // "component/subcomponent "
    std::string severityHeads[8];  // by severity
    std::atomic<unsigned int> flagCount{0};
    std::string flagNames[Varn::trace::kMaxFlags];
    std::string flagHeads[Varn::trace::kMaxFlags];
    std::string unknownFlagHead;  // a flag bit with no name
};

#endif  // ZOTREL_TRACE_ENGINE_H
