// Worker threads beside the plain standard-library work queue they replace:
// a synchronous command round trip against a condition-variable ping-pong,
// and a stream of asynchronous no-op commands against a mutex + deque +
// condition-variable queue running the same heap-allocated commands.
#include <zotrel/string.h>
#include <zotrel/thread.h>

#include "common/ratio.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

using Varn::CZtString;
using Varn::CZtThread;
using Varn::CZtThreadCommand;

class NoOp : public CZtThreadCommand {
public:
    void Execute() override { benchmark::ClobberMemory(); }
};

// The worker stays up across the cases' repetitions, as a client's would.
CZtThread& Worker() {
    static CZtThread* worker = [] {
        auto* thread = new CZtThread;
        thread->Start(CZtString(L"BenchWorker"));
        return thread;
    }();
    return *worker;
}

void ZtSyncRoundTrip(benchmark::State& state) {
    CZtThread& worker = Worker();
    for (auto _ : state)
        benchmark::DoNotOptimize(worker.QueueCommand(new NoOp, true));
}

// The same hand-off with a mutex and two condition variables: the caller
// posts one job and waits until the other thread has done it.
void CvPingPong(benchmark::State& state) {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable done;
    bool pending = false;
    bool quit = false;
    std::thread other([&] {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            wake.wait(lock, [&] { return pending || quit; });
            if (quit)
                return;
            pending = false;
            done.notify_one();
        }
    });
    for (auto _ : state) {
        std::unique_lock<std::mutex> lock(mutex);
        pending = true;
        wake.notify_one();
        done.wait(lock, [&] { return !pending; });
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        quit = true;
    }
    wake.notify_one();
    other.join();
}

constexpr int kCommands = 1000000;

// A million asynchronous no-op commands through one worker, then one
// synchronous command to wait for the queue to drain.
void ZtAsyncCommands(benchmark::State& state) {
    CZtThread& worker = Worker();
    for (auto _ : state) {
        for (int i = 0; i < kCommands; ++i)
            worker.QueueCommand(new NoOp);
        worker.QueueCommand(new NoOp, true);
    }
    state.SetItemsProcessed(state.iterations() * kCommands);
}

// The standard-library work queue: the same heap-allocated commands, run and
// released by one consumer thread.
void StdWorkQueue(benchmark::State& state) {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable drained;
    std::deque<CZtThreadCommand*> queue;
    long outstanding = 0;  // queued and not yet run
    bool quit = false;
    std::thread consumer([&] {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            wake.wait(lock, [&] { return !queue.empty() || quit; });
            if (queue.empty())
                return;
            CZtThreadCommand* command = queue.front();
            queue.pop_front();
            lock.unlock();
            command->Execute();
            command->Release();
            lock.lock();
            if (--outstanding == 0)
                drained.notify_all();
        }
    });
    for (auto _ : state) {
        for (int i = 0; i < kCommands; ++i) {
            CZtThreadCommand* command = new NoOp;
            std::lock_guard<std::mutex> lock(mutex);
            queue.push_back(command);
            ++outstanding;
            wake.notify_one();
        }
        std::unique_lock<std::mutex> lock(mutex);
        drained.wait(lock, [&] { return outstanding == 0; });
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        quit = true;
    }
    wake.notify_one();
    consumer.join();
    state.SetItemsProcessed(state.iterations() * kCommands);
}

const zotrel_bench::RatioCase kCases[] = {
    {"sync_command_round_trip", ZtSyncRoundTrip, CvPingPong,
     "std::mutex + condition_variable ping-pong", 1.5, 0, true},
    {"async_noop_commands_1m", ZtAsyncCommands, StdWorkQueue,
     "std::mutex + std::deque + condition_variable queue", 1.5, 0, true},
};

}  // namespace

int main(int argc, char** argv) {
    return zotrel_bench::RunRatioTable(argc, argv, kCases);
}
