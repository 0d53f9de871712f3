// zotrel-trace: shows and changes the trace levels of running processes.
//
//   zotrel-trace --list                   the traced processes of this user
//   zotrel-trace PID                      severity and flags of each engine
//   zotrel-trace PID [COMPONENT] SPEC     applies SPEC ("debug,+NFR_CPU")
//
// A process publishes its engines' filter words in a shared-memory object
// that only its user can open; this tool changes the words there, and the
// process's next line follows them. Objects of processes that are gone are
// removed on every run.
#include "platform/process.h"
#include "platform/sharedmemory.h"
#include "published.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace Varn;
using namespace Varn::trace;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int Usage() {
    std::fprintf(stderr,
                 "usage: zotrel-trace --list\n"
                 "       zotrel-trace PID\n"
                 "       zotrel-trace PID [COMPONENT] SPEC\n"
                 "SPEC: comma-separated items; a severity (0..7, none, fatal, error, warning,\n"
                 "info, default, verbose, debug, call, with or without \"Severity\"), or a flag\n"
                 "NAME, +NAME (enable) or -NAME (disable).\n");
    return kExitUsage;
}

bool ParsePid(const char* text, int& pid) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value <= 0 || value > 0x7FFFFFFF)
        return false;
    pid = static_cast<int>(value);
    return true;
}

// Says why the objects of `pid` cannot be had, and returns the exit code.
int Refuse(int pid, platform::SharedMemoryResult result) {
    if (platform::ProcessStartTime(pid) == 0) {
        std::fprintf(stderr, "zotrel-trace: no process %d\n", pid);
        return kExitFailed;
    }
    if (result == platform::SharedMemoryResult::NotFound) {
        // Another user's process publishes under that user's id.
        const std::string suffix = "." + std::to_string(pid);
        for (const std::string& name : platform::SharedMemory::List("zotrel-trace.")) {
            if (name.size() > suffix.size() &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
                std::fprintf(stderr,
                             "zotrel-trace: process %d is traced by user %lld; only that user "
                             "can read or change its trace levels\n",
                             pid, platform::SharedMemory::Owner(name));
                return kExitFailed;
            }
        }
        std::fprintf(stderr, "zotrel-trace: process %d has no trace engine open\n", pid);
        return kExitFailed;
    }
    std::fprintf(stderr, "zotrel-trace: cannot open the trace controls of process %d: %s\n", pid,
                 platform::Describe(result));
    return kExitFailed;
}

// Maps the object of `pid`; on failure says why and gives the exit code.
int OpenProcess(int pid, platform::SharedMemory& object, PublishedProcess*& process) {
    const auto result =
        object.Open(ObjectName(platform::CurrentUserId(), pid), sizeof(PublishedProcess));
    if (result != platform::SharedMemoryResult::Ok)
        return Refuse(pid, result);
    process = static_cast<PublishedProcess*>(object.Data());
    if (!IsLiveObject(*process, pid)) {
        std::fprintf(stderr, "zotrel-trace: the trace controls of process %d are stale\n", pid);
        return kExitFailed;
    }
    return kExitOk;
}

void PrintEngines(const PublishedProcess& process) {
    for (unsigned int i = 0; i < process.engineCount; ++i) {
        const PublishedEngine& engine = process.engines[i];
        if (!engine.open)
            continue;
        std::printf("%s/%s %s", NameOf(engine.component).c_str(),
                    NameOf(engine.subcomponent).c_str(), DescribeEngine(engine).c_str());
        const unsigned int pending = PendingCount(engine);
        for (unsigned int p = 0; p < pending; ++p) {
            std::printf("%s%c%s", p == 0 ? " pending=" : ",", engine.pending[p].enable ? '+' : '-',
                        NameOf(engine.pending[p].name).c_str());
        }
        std::printf("\n");
    }
}

int List() {
    const std::string prefix = ObjectPrefix(platform::CurrentUserId());
    for (const std::string& name : platform::SharedMemory::List(prefix)) {
        int pid = 0;
        if (!ParsePid(name.c_str() + prefix.size(), pid))
            continue;
        platform::SharedMemory object;
        if (object.Open(name, sizeof(PublishedProcess)) != platform::SharedMemoryResult::Ok)
            continue;
        const auto& process = *static_cast<const PublishedProcess*>(object.Data());
        if (!IsLiveObject(process, pid))
            continue;
        std::printf("%d %s", pid, platform::ProcessName(pid).c_str());
        const char* separator = " ";
        for (unsigned int i = 0; i < process.engineCount; ++i) {
            const PublishedEngine& engine = process.engines[i];
            if (engine.open) {
                std::printf("%s%s/%s", separator, NameOf(engine.component).c_str(),
                            NameOf(engine.subcomponent).c_str());
                separator = ", ";
            }
        }
        std::printf("\n");
    }
    return kExitOk;
}

int Show(int pid) {
    platform::SharedMemory object;
    PublishedProcess* process = nullptr;
    if (const int status = OpenProcess(pid, object, process))
        return status;
    PrintEngines(*process);
    return kExitOk;
}

int Apply(int pid, const char* component, const char* specText) {
    ControlSpec spec;
    if (!ParseControlSpec(specText, spec)) {
        std::fprintf(stderr, "zotrel-trace: malformed spec \"%s\"\n", specText);
        return kExitUsage;
    }
    platform::SharedMemory object;
    PublishedProcess* process = nullptr;
    if (const int status = OpenProcess(pid, object, process))
        return status;
    if (!platform::LockSharedMutex(process->lock, kLockTimeoutMs)) {
        std::fprintf(stderr, "zotrel-trace: process %d is busy; try again\n", pid);
        return kExitFailed;
    }
    std::vector<PublishedEngine*> matching;
    for (unsigned int i = 0; i < process->engineCount; ++i) {
        PublishedEngine& engine = process->engines[i];
        if (engine.open && EngineMatches(engine, component))
            matching.push_back(&engine);
    }
    const bool applied = ApplyControl(matching, spec);
    platform::UnlockSharedMutex(process->lock);
    if (matching.empty()) {
        std::fprintf(stderr, "zotrel-trace: process %d has no engine of component %s\n", pid,
                     component ? component : "(any)");
        return kExitFailed;
    }
    if (!applied) {
        std::fprintf(stderr, "zotrel-trace: too many flags waiting to be registered\n");
        return kExitFailed;
    }
    PrintEngines(*process);
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    SweepStaleObjects(platform::CurrentUserId());
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0)
        return List();
    int pid = 0;
    if (argc < 2 || argc > 4 || !ParsePid(argv[1], pid))
        return Usage();
    if (argc == 2)
        return Show(pid);
    if (argc == 3)
        return Apply(pid, nullptr, argv[2]);
    return Apply(pid, argv[2], argv[3]);
}
