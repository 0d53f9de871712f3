// A traced process for the tests that need one of their own:
//
//   trace_child lines THREADS COUNT   THREADS threads write COUNT debug lines
//                                     each ("thread T line N"), then exit
//   trace_child serve SECONDS         prints "ready" once its engine is open,
//                                     then writes "tick N" at debug severity
//                                     every 5 ms until SECONDS have passed
//
// The engine is "Child/Tool"; ZOTREL_TRACE and ZOTREL_TRACE_FILE apply.
#include <zotrel/traceengine.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

trace_engine_object g_engine;

void WriteLines(int thread, int count) {
    for (int i = 0; i < count; ++i)
        Tracing::Write(g_engine.handle, Tracing::Severity::SeverityDebug,
                       Tracing::TraceMessage("thread %1 line %2") << thread << i);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4)
        return 2;
    trace_engine_handle handle = nullptr;
    if (trace_engine_create("Tool", "Child", 0, 0, 1, &handle, &g_engine) != 0)
        return 3;
    if (std::strcmp(argv[1], "lines") == 0 && argc == 4) {
        std::vector<std::thread> threads;
        const int count = std::atoi(argv[3]);
        for (int t = 0; t < std::atoi(argv[2]); ++t)
            threads.emplace_back(WriteLines, t, count);
        for (std::thread& thread : threads)
            thread.join();
    } else if (std::strcmp(argv[1], "serve") == 0) {
        std::printf("ready\n");
        std::fflush(stdout);
        const auto end =
            std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[2]));
        for (int tick = 0; std::chrono::steady_clock::now() < end; ++tick) {
            Tracing::Write(handle, Tracing::Severity::SeverityDebug,
                           Tracing::TraceMessage("tick %1") << tick);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    } else {
        return 2;
    }
    trace_engine_destroy(handle);
    return 0;
}
