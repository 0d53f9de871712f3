#include "published.h"

#include "platform/process.h"

#include <cstdlib>
#include <cstring>

namespace Varn::trace {

namespace {

int FindPending(const PublishedEngine& engine, const std::string& name) {
    const unsigned int count = PendingCount(engine);
    for (unsigned int i = 0; i < count; ++i) {
        if (NameOf(engine.pending[i].name) == name)
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

unsigned int FlagCount(const PublishedEngine& engine) {
    return engine.flagCount <= kMaxFlags ? engine.flagCount : kMaxFlags;
}

unsigned int PendingCount(const PublishedEngine& engine) {
    return engine.pendingCount <= kMaxPending ? engine.pendingCount : kMaxPending;
}

void UpdateWord(unsigned int* word, unsigned int clear, unsigned int set) {
    unsigned int current = __atomic_load_n(word, __ATOMIC_RELAXED);
    while (!__atomic_compare_exchange_n(word, &current, (current & ~clear) | set, true,
                                        __ATOMIC_RELAXED, __ATOMIC_RELAXED)) {
    }
}

std::string ObjectPrefix(unsigned int uid) {
    return "zotrel-trace." + std::to_string(uid) + ".";
}

std::string ObjectName(unsigned int uid, int pid) {
    return ObjectPrefix(uid) + std::to_string(pid);
}

void CopyName(char (&slot)[kNameBytes], const char* name) {
    std::strncpy(slot, name, kNameBytes - 1);
    slot[kNameBytes - 1] = '\0';
}

std::string NameOf(const char (&slot)[kNameBytes]) {
    return std::string(slot, strnlen(slot, kNameBytes));
}

int FindFlag(const PublishedEngine& engine, const std::string& name) {
    const unsigned int count = FlagCount(engine);
    for (unsigned int i = 0; i < count; ++i) {
        if (NameOf(engine.flags[i]) == name)
            return static_cast<int>(i);
    }
    return -1;
}

unsigned int PublishFlag(PublishedEngine& engine, const char* name) {
    const unsigned int index = FlagCount(engine);
    CopyName(engine.flags[index], name);
    engine.flagCount = index + 1;
    const int pending = FindPending(engine, name);
    if (pending >= 0) {
        const unsigned int bit = 1u << (kFirstFlagId + index);
        UpdateWord(&engine.filter, bit, engine.pending[pending].enable ? bit : 0u);
        // The setting is settled: the last pending entry takes its place.
        const unsigned int last = PendingCount(engine) - 1;
        engine.pending[pending] = engine.pending[last];
        engine.pendingCount = last;
    }
    return index;
}

bool EngineMatches(const PublishedEngine& engine, const char* filter) {
    if (!filter)
        return true;
    const std::string component = NameOf(engine.component);
    return EqualsNoCase(filter, component) ||
           EqualsNoCase(filter, component + "/" + NameOf(engine.subcomponent));
}

namespace {

// True when the pending settings of `spec` fit into the engine.
bool ControlFits(const PublishedEngine& engine, const ControlSpec& spec) {
    unsigned int pending = PendingCount(engine);
    for (std::size_t i = 0; i < spec.flags.size(); ++i) {
        const std::string& name = spec.flags[i].name;
        if (FindFlag(engine, name) >= 0 || FindPending(engine, name) >= 0)
            continue;
        bool earlier = false;  // a name given twice takes one entry
        for (std::size_t j = 0; j < i && !earlier; ++j)
            earlier = spec.flags[j].name == name;
        if (!earlier && ++pending > kMaxPending)
            return false;
    }
    return true;
}

void ApplyToOne(PublishedEngine& engine, const ControlSpec& spec) {
    unsigned int clear = 0;
    unsigned int set = 0;
    if (spec.severity >= 0) {
        clear |= 15u;
        set |= static_cast<unsigned int>(spec.severity);
    }
    for (const FlagSetting& flag : spec.flags) {
        const int index = FindFlag(engine, flag.name);
        if (index >= 0) {
            const unsigned int bit = 1u << (kFirstFlagId + static_cast<unsigned int>(index));
            clear |= bit;
            set = flag.enable ? set | bit : set & ~bit;
            continue;
        }
        int slot = FindPending(engine, flag.name);
        if (slot < 0) {
            slot = static_cast<int>(PendingCount(engine));
            CopyName(engine.pending[slot].name, flag.name.c_str());
            engine.pendingCount = static_cast<unsigned int>(slot) + 1;
        }
        engine.pending[slot].enable = flag.enable ? 1u : 0u;
    }
    UpdateWord(&engine.filter, clear, set);
}

}  // namespace

bool ApplyControl(const std::vector<PublishedEngine*>& engines, const ControlSpec& spec) {
    for (const PublishedEngine* engine : engines) {
        if (!ControlFits(*engine, spec))
            return false;
    }
    for (PublishedEngine* engine : engines)
        ApplyToOne(*engine, spec);
    return true;
}

std::string DescribeEngine(const PublishedEngine& engine) {
    const unsigned int word = LoadWord(&engine.filter);
    std::string text = "severity=";
    text += SeverityShortName(word & 7);
    text += "(" + std::to_string(word & 7) + ") flags=";
    const unsigned int count = FlagCount(engine);
    bool first = true;
    for (unsigned int i = 0; i < count; ++i) {
        if (!first)
            text += ',';
        first = false;
        if (!((word >> (kFirstFlagId + i)) & 1u))
            text += '-';
        text += NameOf(engine.flags[i]);
    }
    if (first)
        text += "(none)";
    return text;
}

bool IsLiveObject(const PublishedProcess& process, int pid) {
    return process.magic == kPublishedMagic && process.version == kPublishedVersion &&
           process.pid == pid && process.engineCount <= kMaxEngines && process.startTime != 0 &&
           process.startTime == platform::ProcessStartTime(pid);
}

int SweepStaleObjects(unsigned int uid) {
    const std::string prefix = ObjectPrefix(uid);
    int removed = 0;
    for (const std::string& name : platform::SharedMemory::List(prefix)) {
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || *end != '\0')
            continue;
        // An object whose process is gone is stale. One of a live process is
        // stale only when it is whole and names another start time (the id
        // was reused); a live process may be filling in its object right now.
        bool live = platform::ProcessStartTime(static_cast<int>(pid)) != 0;
        if (live) {
            platform::SharedMemory object;
            if (object.Open(name, sizeof(PublishedProcess)) == platform::SharedMemoryResult::Ok) {
                const auto& process = *static_cast<const PublishedProcess*>(object.Data());
                live = process.magic != kPublishedMagic ||
                       IsLiveObject(process, static_cast<int>(pid));
            }
        }
        if (!live && platform::SharedMemory::Remove(name))
            ++removed;
    }
    return removed;
}

}  // namespace Varn::trace
