// What a process publishes of its trace engines, in one shared-memory object
// per process that only its user can open ("zotrel-trace.<uid>.<pid>"): each
// engine's filter word, names and flags, and the flag settings waiting for a
// flag to be registered. The process reads its filter words from here, so a
// change made by the zotrel-trace tool takes effect with the next line.
//
// Entries are only ever added while the process lives: an engine keeps its
// slot (and its word) after it is closed, and a flag keeps its id. Names and
// pending settings are changed under the object's robust mutex; filter words
// are read and changed with atomic operations only.
#ifndef ZOTREL_TRACE_PUBLISHED_H
#define ZOTREL_TRACE_PUBLISHED_H

#include "controlspec.h"
#include "platform/sharedmemory.h"

#include <string>
#include <vector>

namespace Varn::trace {

constexpr unsigned int kPublishedMagic = 0x5254545Au;  // "ZTTR"
constexpr unsigned int kPublishedVersion = 1;
constexpr unsigned int kMaxEngines = 32;
constexpr unsigned int kFirstFlagId = 4;
constexpr unsigned int kMaxFlags = 32 - kFirstFlagId;  // ids 4..31
constexpr unsigned int kMaxPending = kMaxFlags;
constexpr unsigned int kNameBytes = 64;  // names up to 63 bytes
constexpr int kLockTimeoutMs = 2000;

struct PendingFlag {
    char name[kNameBytes];
    unsigned int enable;
    unsigned int reserved;
};

struct PublishedEngine {
    unsigned int filter;  // the live filter word
    unsigned int open;    // 1 while the engine is open
    char component[kNameBytes];
    char subcomponent[kNameBytes];
    unsigned int flagCount;  // flag i has id kFirstFlagId + i
    char flags[kMaxFlags][kNameBytes];
    unsigned int pendingCount;
    PendingFlag pending[kMaxPending];
};

struct PublishedProcess {
    unsigned int magic;
    unsigned int version;
    int pid;
    unsigned int uid;
    unsigned long long startTime;  // tells this process from a later one with its id
    platform::SharedMutex lock;
    unsigned int engineCount;
    PublishedEngine engines[kMaxEngines];
};

/// Relaxed atomic access to a filter word.
inline unsigned int LoadWord(const unsigned int* word) {
    return __atomic_load_n(word, __ATOMIC_RELAXED);
}
/// Clears then sets bits of a word in one atomic step.
void UpdateWord(unsigned int* word, unsigned int clear, unsigned int set);

/// The counts of a slot, clamped to their arrays (another process of the
/// same user may have written anything into the object).
unsigned int FlagCount(const PublishedEngine& engine);
unsigned int PendingCount(const PublishedEngine& engine);

/// "zotrel-trace.<uid>." and "zotrel-trace.<uid>.<pid>".
std::string ObjectPrefix(unsigned int uid);
std::string ObjectName(unsigned int uid, int pid);

/// Copies a name into a slot, cut to 63 bytes and NUL-terminated.
void CopyName(char (&slot)[kNameBytes], const char* name);
/// A slot's name, never reading past the slot.
std::string NameOf(const char (&slot)[kNameBytes]);

/// The index of a registered flag, or -1.
int FindFlag(const PublishedEngine& engine, const std::string& name);

/// Adds a registered flag (the next id) and settles a pending setting of
/// the same name. Returns the flag's index. The caller holds the object's
/// lock and has checked that there is room.
unsigned int PublishFlag(PublishedEngine& engine, const char* name);

/// True when `filter` selects this engine: null, its component, or
/// "component/subcomponent", without regard to case.
bool EngineMatches(const PublishedEngine& engine, const char* filter);

/// Applies a spec to engines together: to each the severity, registered
/// flags at once, other flags recorded as pending. False, changing nothing,
/// when the pending settings would not fit into one of them. The caller
/// holds the locks of the objects that hold them.
bool ApplyControl(const std::vector<PublishedEngine*>& engines, const ControlSpec& spec);

/// "severity=debug(6) flags=NFR_CPU,-NFR_MEM" style summary of an engine:
/// the severity, then each registered flag (a '-' before disabled ones).
std::string DescribeEngine(const PublishedEngine& engine);

/// True when a mapped object is whole and belongs to the live process `pid`.
bool IsLiveObject(const PublishedProcess& process, int pid);

/// Removes this user's objects whose process is gone (or whose id now
/// belongs to another process). Returns how many were removed.
int SweepStaleObjects(unsigned int uid);

}  // namespace Varn::trace

#endif  // ZOTREL_TRACE_PUBLISHED_H
