// The seven trace_* functions and the control calls.
#include "engine.h"

#include "platform/clock.h"
#include "platform/fileoutput.h"
#include "platform/process.h"
#include "render.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <vector>

using namespace Varn;
using namespace Varn::trace;

namespace {

// A word that stays 0: what `trace_engine_object.filter` points at while
// there is no engine behind it.
unsigned int g_closedWord = 0;

// Everything the engines of this process share. Created on first use and
// never destroyed: words handed out stay readable, and engines closed by
// other libraries' destructors at exit still find it.
class ProcessState {
public:
    static ProcessState& Get() {
        static ProcessState* state = new ProcessState;
        return *state;
    }

    // Guards the engine lists and the publication.
    std::mutex mutex;
    std::vector<trace_engine_impl*> engines;  // open engines
    // Closed engines are kept, marked closed: a handle used after (or while)
    // its engine is closed is refused instead of reaching freed memory.
    std::vector<std::unique_ptr<trace_engine_impl>> closed;

    // A slot for a new engine: in the published object when it can be had,
    // else in memory of this process only. Called with `mutex` held.
    PublishedProcess& BlockWithRoom() {
        if (m_current && m_current->engineCount < kMaxEngines)
            return *m_current;
        if (!m_named)
            Publish();
        if (!m_current || m_current->engineCount >= kMaxEngines)
            m_current = NewBlock(m_private.emplace_back(new PublishedProcess).get());
        return *m_current;
    }

    // With the last engine closed, the object's name goes: a process that
    // traces no more is not listed. The mapping stays for words handed out.
    void Unpublish() {
        if (m_named)
            platform::SharedMemory::Remove(m_mappings.back()->Name());
        m_named = false;
        m_current = nullptr;
    }

    // A line about the engine itself, where trace lines go.
    void Warn(std::string text) {
        const std::size_t length = text.size();
        text += '\n';
        Emit(text.data(), length);
    }

    // ZOTREL_TRACE is read by every engine that opens; a malformed one is
    // reported once. Called with `mutex` held.
    void WarnMalformedEnvironment() {
        if (!m_environmentWarned)
            Warn("zotrel-trace: ZOTREL_TRACE is malformed and was ignored");
        m_environmentWarned = true;
    }

    // Writes one line (`length` bytes without the newline that `text[length]`
    // must be, for the file) to the sink or the output.
    void Emit(const char* text, std::size_t length) {
        if (m_sinkInstalled.load(std::memory_order_acquire)) {
            std::shared_lock<std::shared_mutex> lock(m_sinkLock);
            if (m_sink) {
                m_sink(m_sinkContext, text, length);
                return;
            }
        }
        platform::WriteAll(m_output, text, length + 1);
    }

    void SetSink(trace_sink sink, void* context) {
        // Taking the lock exclusively waits for every running call of the
        // previous sink to return.
        std::unique_lock<std::shared_mutex> lock(m_sinkLock);
        m_sink = sink;
        m_sinkContext = context;
        m_sinkInstalled.store(sink != nullptr, std::memory_order_release);
    }

private:
    ProcessState() {
        const char* path = std::getenv("ZOTREL_TRACE_FILE");
        m_output = platform::StandardError();
        if (path && *path) {
            const platform::Output file = platform::OpenAppend(path);
            if (file.IsOpen())
                m_output = file;
            else
                Warn("zotrel-trace: cannot open ZOTREL_TRACE_FILE; lines go to standard error");
        }
    }

    void Publish() {
        if (m_publishFailed)
            return;  // said once; the engines work without it
        const unsigned int uid = platform::CurrentUserId();
        const int pid = platform::CurrentProcessId();
        SweepStaleObjects(uid);
        const std::string name = ObjectName(uid, pid);
        auto mapping = std::make_unique<platform::SharedMemory>();
        auto result = mapping->Create(name, sizeof(PublishedProcess));
        if (result == platform::SharedMemoryResult::Exists) {
            // An object under this process's own id was left by an earlier
            // process that had the id: it is stale.
            platform::SharedMemory::Remove(name);
            result = mapping->Create(name, sizeof(PublishedProcess));
        }
        if (result != platform::SharedMemoryResult::Ok) {
            m_publishFailed = true;
            Warn(std::string("zotrel-trace: cannot publish trace controls (") +
                 platform::Describe(result) + "); zotrel-trace cannot change this process");
            return;
        }
        m_current = NewBlock(static_cast<PublishedProcess*>(mapping->Data()));
        m_mappings.push_back(std::move(mapping));
        m_named = true;
    }

    static PublishedProcess* NewBlock(PublishedProcess* block) {
        std::memset(static_cast<void*>(block), 0, sizeof(PublishedProcess));
        block->pid = platform::CurrentProcessId();
        block->uid = platform::CurrentUserId();
        block->startTime = platform::ProcessStartTime(block->pid);
        platform::InitSharedMutex(block->lock);
        block->version = kPublishedVersion;
        __atomic_store_n(&block->magic, kPublishedMagic, __ATOMIC_RELEASE);
        return block;
    }

    PublishedProcess* m_current = nullptr;
    bool m_named = false;  // the newest mapping's name is in place
    std::vector<std::unique_ptr<platform::SharedMemory>> m_mappings;
    std::vector<std::unique_ptr<PublishedProcess>> m_private;
    bool m_publishFailed = false;
    bool m_environmentWarned = false;

    platform::Output m_output;
    std::atomic<bool> m_sinkInstalled{false};
    std::shared_mutex m_sinkLock;
    trace_sink m_sink = nullptr;
    void* m_sinkContext = nullptr;
};

bool IsEngine(const trace_engine_impl* engine) {
    return engine && __atomic_load_n(&engine->magic, __ATOMIC_RELAXED) == kEngineMagic;
}

// Holds a published object's lock for a scope. Without the lock (a holder in
// another process that stopped for longer than the time-out) the work is
// done all the same: losing a tool's change is better than a stuck process.
class BlockLock {
public:
    explicit BlockLock(PublishedProcess& block)
        : m_block(block), m_locked(platform::LockSharedMutex(block.lock, kLockTimeoutMs)) {}
    ~BlockLock() {
        if (m_locked)
            platform::UnlockSharedMutex(m_block.lock);
    }
    BlockLock(const BlockLock&) = delete;
    BlockLock& operator=(const BlockLock&) = delete;

private:
    PublishedProcess& m_block;
    bool m_locked;
};

// The line storage of each thread. A sink that writes a line of its own gets
// a fresh storage instead of the busy one.
thread_local LineStorage t_line;

}  // namespace

extern "C" {

int trace_engine_create(const char* subcomponent, const char* component, int, int, int,
                        trace_engine_handle* handle, trace_engine_object* engine) {
    if (engine) {
        engine->filter = &g_closedWord;
        engine->handle = nullptr;
    }
    if (handle)
        *handle = nullptr;
    if (!subcomponent || !component || !handle || !engine)
        return -1;

    ProcessState& state = ProcessState::Get();
    auto* impl = new trace_engine_impl;
    impl->path = std::string(component) + "/" + subcomponent + " ";
    for (unsigned int severity = 0; severity < 8; ++severity)
        impl->severityHeads[severity] = impl->path + SeverityLevelName(severity) + " ";
    impl->unknownFlagHead = impl->path + "FLAG ";
    const char* environment = std::getenv("ZOTREL_TRACE");
    ControlSpec spec;
    const bool specOk = !environment || ParseControlSpec(environment, spec);
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        PublishedProcess& block = state.BlockWithRoom();
        BlockLock blockLock(block);
        PublishedEngine& slot = block.engines[block.engineCount];
        CopyName(slot.component, component);
        CopyName(slot.subcomponent, subcomponent);
        slot.open = 1;
        ApplyControl({&slot}, spec);
        ++block.engineCount;
        impl->published = &slot;
        impl->block = &block;
        state.engines.push_back(impl);
        if (!specOk)
            state.WarnMalformedEnvironment();
    }
    engine->filter = &impl->published->filter;
    engine->handle = impl;
    *handle = impl;
    return 0;
}

void trace_engine_destroy(trace_engine_handle handle) {
    if (!IsEngine(handle))
        return;
    ProcessState& state = ProcessState::Get();
    std::lock_guard<std::mutex> lock(state.mutex);
    auto& engines = state.engines;
    for (auto it = engines.begin(); it != engines.end(); ++it) {
        if (*it != handle)
            continue;
        engines.erase(it);
        {
            BlockLock blockLock(*handle->block);
            handle->published->open = 0;
        }
        __atomic_store_n(&handle->magic, 0u, __ATOMIC_RELAXED);
        state.closed.emplace_back(handle);
        if (engines.empty())
            state.Unpublish();
        return;
    }
}

unsigned char trace_engine_register_flag(trace_engine_handle handle, const char* name, int) {
    if (!IsEngine(handle) || !name || !*name || std::strlen(name) >= kNameBytes)
        return TRACE_FLAG_NONE;
    ProcessState& state = ProcessState::Get();
    std::lock_guard<std::mutex> lock(state.mutex);
    const unsigned int count = handle->flagCount.load(std::memory_order_relaxed);
    for (unsigned int i = 0; i < count; ++i) {
        if (handle->flagNames[i] == name)
            return static_cast<unsigned char>(kFirstFlagId + i);
    }
    if (count >= kMaxFlags)
        return TRACE_FLAG_NONE;
    {
        BlockLock blockLock(*handle->block);
        PublishFlag(*handle->published, name);
    }
    handle->flagNames[count] = name;
    handle->flagHeads[count] = handle->path + name + " ";
    handle->flagCount.store(count + 1, std::memory_order_release);
    return static_cast<unsigned char>(kFirstFlagId + count);
}

int trace_engine_write(trace_engine_handle handle, int, int, unsigned int level, const char* format,
                       unsigned int, unsigned int, unsigned char count, const trace_param* params) {
    if (!format || !IsEngine(handle))
        return 0;
    const unsigned int word = LoadWord(&handle->published->filter);
    const std::string* head;
    const unsigned int flags = level & ~15u;
    if (flags) {
        const unsigned int hit = flags & word;
        if (!hit)
            return 0;
        const unsigned int index = static_cast<unsigned int>(__builtin_ctz(hit)) - kFirstFlagId;
        head = index < handle->flagCount.load(std::memory_order_acquire) ? &handle->flagHeads[index]
                                                                         : &handle->unknownFlagHead;
    } else {
        const unsigned int severity = level & 15u;
        if (severity == 0 || severity > (word & 7u))
            return 0;
        head = &handle->severityHeads[severity];
    }

    LineStorage* buffer = &t_line;
    std::unique_ptr<LineStorage> fresh;  // only for a line written from a sink
    if (buffer->busy) {
        fresh = std::make_unique<LineStorage>();
        buffer = fresh.get();
    }
    buffer->busy = true;
    LineBuilder line(*buffer);
    const long long micros =
        (platform::UtcFileTimeNow() - platform::kUnixEpochFileTime) / 10;  // 100 ns -> 1 us
    RenderPrefix(line, micros, platform::CurrentThreadId(), *head);
    RenderText(line, format, params, count < TRACE_MAX_PARAMS ? count : TRACE_MAX_PARAMS);
    const std::size_t length = line.Length();
    line.Append('\n');
    ProcessState::Get().Emit(line.Data(), length);
    if (buffer->overflow.capacity() > 65536)
        std::string().swap(buffer->overflow);  // one huge line does not pin its memory
    buffer->busy = false;
    return 1;
}

int trace_control_set(const char* component, const char* spec) {
    ControlSpec parsed;
    if (!spec || !ParseControlSpec(spec, parsed))
        return -1;
    ProcessState& state = ProcessState::Get();
    std::lock_guard<std::mutex> lock(state.mutex);
    // Every object that holds a matching engine is locked for the whole
    // change (in address order; the tool only ever takes one), so the control
    // reaches all of them or none.
    std::vector<PublishedEngine*> matching;
    std::vector<PublishedProcess*> blocks;
    for (trace_engine_impl* engine : state.engines) {
        if (EngineMatches(*engine->published, component)) {
            matching.push_back(engine->published);
            blocks.push_back(engine->block);
        }
    }
    std::sort(blocks.begin(), blocks.end());
    blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());
    std::vector<std::unique_ptr<BlockLock>> locks;
    for (PublishedProcess* block : blocks)
        locks.push_back(std::make_unique<BlockLock>(*block));
    return ApplyControl(matching, parsed) ? 0 : -1;
}

void trace_control_set_sink(trace_sink sink, void* context) {
    ProcessState::Get().SetSink(sink, context);
}

}  // extern "C"
