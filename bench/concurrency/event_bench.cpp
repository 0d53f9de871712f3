// Events beside their nearest standard-library equivalents: a ping-pong
// between two threads, and a set and reset of an event nobody waits for.
#include <zotrel/event.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "common/ratio.h"

namespace {

using Varn::tagZTEVENT;

// Both sides keep this many events alive, so that the handle lookup searches
// a registry of realistic size rather than one entry.
constexpr int kLiveEvents = 64;

// ---------------------------------------------------------------------------
// Ping-pong: the timed thread sets "ping" and waits for "pong"; a partner
// thread waits for "ping" and sets "pong". One iteration is one round trip,
// two wake-ups of a sleeping thread.

struct ZtEvents {
    ZtEvents() {
        for (int i = 0; i < kLiveEvents; ++i)
            handles.push_back(Varn::ZtCreateEvent(0, 0, nullptr));
    }
    ~ZtEvents() {
        for (tagZTEVENT* handle : handles)
            Varn::ZtDestroyEvent(handle);
    }
    std::vector<tagZTEVENT*> handles;
};

void ZtPingPong(benchmark::State& state) {
    const ZtEvents events;
    tagZTEVENT* ping = events.handles[kLiveEvents / 2];
    tagZTEVENT* pong = events.handles[kLiveEvents / 2 + 1];
    std::atomic<bool> stop{false};
    std::thread partner([&] {
        for (;;) {
            Varn::ZtWaitForSingleEvent(ping, Varn::ZT_INFINITE);
            if (stop.load(std::memory_order_relaxed))
                return;
            Varn::ZtSetEvent(pong);
        }
    });
    for (auto _ : state) {
        Varn::ZtSetEvent(ping);
        Varn::ZtWaitForSingleEvent(pong, Varn::ZT_INFINITE);
    }
    stop = true;
    Varn::ZtSetEvent(ping);
    partner.join();
}

// An auto-reset event made of a mutex, a condition variable and a flag.
class CvEvent {
public:
    void Set() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_bSet = true;
        m_Changed.notify_one();
    }
    void Wait() {
        std::unique_lock<std::mutex> lock(m_Mutex);
        m_Changed.wait(lock, [this] { return m_bSet; });
        m_bSet = false;
    }

private:
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    bool m_bSet = false;
};

void CvPingPong(benchmark::State& state) {
    CvEvent ping;
    CvEvent pong;
    std::atomic<bool> stop{false};
    std::thread partner([&] {
        for (;;) {
            ping.Wait();
            if (stop.load(std::memory_order_relaxed))
                return;
            pong.Set();
        }
    });
    for (auto _ : state) {
        ping.Set();
        pong.Wait();
    }
    stop = true;
    ping.Set();
    partner.join();
}

// ---------------------------------------------------------------------------
// Set and reset of an event nobody waits for

void ZtSetReset(benchmark::State& state) {
    const ZtEvents events;
    tagZTEVENT* event = events.handles[kLiveEvents / 2];
    for (auto _ : state) {
        Varn::ZtSetEvent(event);
        Varn::ZtResetEvent(event);
    }
}

// The same path written out with the standard library: a recursive registry
// mutex held for the lookup in an ordered map and for the change of the
// event's state, which is one atomic exchange when nobody waits.
struct ModelRegistry {
    ModelRegistry() {
        for (int i = 0; i < kLiveEvents; ++i) {
            events.emplace_back(new std::atomic<bool>(false));
            map[events.back().get()] = events.back().get();
        }
    }
    bool Change(const void* handle, bool signalled) {
        std::lock_guard<std::recursive_mutex> registry(lock);
        auto found = map.find(handle);
        if (found == map.end())
            return false;
        found->second->exchange(signalled, std::memory_order_acq_rel);
        return true;
    }
    std::recursive_mutex lock;
    std::map<const void*, std::atomic<bool>*> map;
    std::vector<std::unique_ptr<std::atomic<bool>>> events;
};

void ModelSetReset(benchmark::State& state) {
    ModelRegistry registry;
    const void* event = registry.events[kLiveEvents / 2].get();
    for (auto _ : state) {
        benchmark::DoNotOptimize(registry.Change(event, true));
        benchmark::DoNotOptimize(registry.Change(event, false));
    }
}

const zotrel_bench::RatioCase kCases[] = {
    {"ping_pong_auto_reset", ZtPingPong, CvPingPong,
     "the same ping-pong with std::mutex + std::condition_variable", 1.3, 0, true},
    {"set_reset_uncontended", ZtSetReset, ModelSetReset,
     "recursive registry mutex + std::map lookup + atomic exchange, twice", 1.5, 0, true},
};

}  // namespace

int main(int argc, char** argv) {
    // RunRatioTable makes the process multi-threaded before it measures, so
    // the C library takes its real locking paths on both sides.
    const int status = zotrel_bench::RunRatioTable(argc, argv, kCases);
    return status;
}
