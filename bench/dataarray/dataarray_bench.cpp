// Data arrays beside their nearest equivalents: one element read or written
// through the registry, and a whole array converted to text on a warm and on
// a cold heap.
#include <zotrel/dataarray.h>
#include <zotrel/string.h>
#include <zotrel/variant.h>

#include <QString>
#include <QVector>

#include <malloc.h>
#include <sys/resource.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "common/ratio.h"

namespace {

using Varn::tagDATAARRAY;
using Varn::tagDATAARRAYBOUND;

// Both sides keep this many arrays alive, so that the handle lookup searches
// a registry of realistic size rather than one entry.
constexpr int kLiveArrays = 64;
constexpr int kElements = 16;

// ---------------------------------------------------------------------------
// One element through the registry

// Arrays of the library: a few dozen live handles, one of which is used.
struct ZtArrays {
    ZtArrays() {
        const tagDATAARRAYBOUND bound = {kElements, 0};
        for (int i = 0; i < kLiveArrays; ++i)
            handles.push_back(Varn::ZtDataArrayCreate(Varn::ZT_VT_I4, 1, &bound));
    }
    ~ZtArrays() {
        for (tagDATAARRAY* handle : handles)
            Varn::ZtDataArrayDestroy(handle);
    }
    tagDATAARRAY* Used() const { return handles[kLiveArrays / 2]; }
    std::vector<tagDATAARRAY*> handles;
};

// The same locking path written out with the standard library: a recursive
// registry mutex held for the lookup in an ordered map, the array's own
// recursive mutex held for the copy, a bounds check and one int copied.
struct ModelArray {
    std::recursive_mutex lock;
    tagDATAARRAYBOUND bound = {kElements, 0};
    std::unique_ptr<int[]> data{new int[kElements]()};
};

struct ModelRegistry {
    ModelRegistry() {
        for (int i = 0; i < kLiveArrays; ++i) {
            arrays.emplace_back(new ModelArray);
            map[arrays.back().get()] = arrays.back().get();
        }
    }
    ModelArray* Used() const { return arrays[kLiveArrays / 2].get(); }

    template <class Copy>
    bool Run(const void* handle, const int* index, Copy&& copy) {
        std::lock_guard<std::recursive_mutex> registry(lock);
        auto found = map.find(handle);
        if (found == map.end())
            return false;
        ModelArray& array = *found->second;
        std::lock_guard<std::recursive_mutex> guard(array.lock);
        const long long position = static_cast<long long>(*index) - array.bound.lowerBound;
        if (position < 0 || position >= array.bound.count)
            return false;
        copy(array.data[position]);
        return true;
    }

    std::recursive_mutex lock;
    std::map<const void*, ModelArray*> map;
    std::vector<std::unique_ptr<ModelArray>> arrays;
};

void ZtGetElement(benchmark::State& state) {
    const ZtArrays arrays;
    tagDATAARRAY* array = arrays.Used();
    int index = 0;
    int value = 0;
    for (auto _ : state) {
        Varn::ZtDataArrayGetElement(array, &index, &value);
        benchmark::DoNotOptimize(value);
        index = (index + 1) % kElements;
    }
}

void ModelGetElement(benchmark::State& state) {
    ModelRegistry registry;
    const void* handle = registry.Used();
    int index = 0;
    int value = 0;
    for (auto _ : state) {
        registry.Run(handle, &index, [&](int& element) { value = element; });
        benchmark::DoNotOptimize(value);
        index = (index + 1) % kElements;
    }
}

void ZtPutElement(benchmark::State& state) {
    const ZtArrays arrays;
    tagDATAARRAY* array = arrays.Used();
    int index = 0;
    int value = 0;
    for (auto _ : state) {
        Varn::ZtDataArrayPutElement(array, &index, &value);
        ++value;
        index = (index + 1) % kElements;
    }
    benchmark::DoNotOptimize(value);
}

void ModelPutElement(benchmark::State& state) {
    ModelRegistry registry;
    const void* handle = registry.Used();
    int index = 0;
    int value = 0;
    for (auto _ : state) {
        registry.Run(handle, &index, [&](int& element) { element = value; });
        benchmark::ClobberMemory();
        ++value;
        index = (index + 1) % kElements;
    }
}

// ---------------------------------------------------------------------------
// A whole array of integers converted to text, on a warm and on a cold heap
//
// Every round converts 100000 numbers into 100000 separately allocated texts
// (the Zotrel side into a new ZT_VT_STRING element block, Qt into a
// preallocated QVector<QString>) and destroys them again outside the timed
// part. What those allocations cost depends on the state of the heap:
//
//  - warm: the memory the previous round freed is still with the allocator,
//    mapped, and the round reuses it, as a process that converts large arrays
//    in a loop does. main() keeps the heap for this (see KeepHeap): with
//    glibc's default heuristics, whether freed memory stays depends on where
//    earlier allocations happened to land, and a round meant to be warm may
//    silently run on a heap that was just given back.
//  - cold: before each round malloc_trim(0) merges every freed chunk and
//    returns each whole free page to the system (it cuts the heap top and
//    drops the pages inside free chunks, whatever the thresholds), so the
//    round grows the heap anew and takes a page fault on the first touch of
//    every page, as the first conversion of a fresh process does, or one in a
//    process whose heap was given back since its last conversion. The trim
//    runs while the timer is paused and after the round's input has been
//    made, so only the conversion pays for the cold heap. What the trim
//    cannot give back is memory in use, which a fresh process holds as well:
//    the first conversion of a fresh process takes the same number of page
//    faults as these rounds, to within a handful.
//
// Both sides get the same treatment in both states. The counter "faults" is
// the number of page faults per round inside the timed part.

constexpr int kConvertCount = 100000;

enum class Heap { Warm, Cold };

std::vector<int> Values() {
    std::vector<int> values(kConvertCount);
    for (int i = 0; i < kConvertCount; ++i)
        values[i] = (i * 7919) - 400000000;
    return values;
}

long PageFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}

// Runs one round: `prepare` and the heap treatment with the timer paused,
// `convert` timed, `release` paused again. Adds the round's page faults to
// `*faults`.
template <class Prepare, class Convert, class Release>
void Round(benchmark::State& state, Heap heap, long* faults, Prepare&& prepare, Convert&& convert,
           Release&& release) {
    state.PauseTiming();
    prepare();
    if (heap == Heap::Cold)
        malloc_trim(0);
    const long before = PageFaults();
    state.ResumeTiming();

    convert();

    state.PauseTiming();
    *faults += PageFaults() - before;
    release();
    state.ResumeTiming();
}

void ReportFaults(benchmark::State& state, long faults) {
    state.counters["faults"] =
        benchmark::Counter(static_cast<double>(faults), benchmark::Counter::kAvgIterations);
}

// A fresh I4 array is made and filled for every round; the timed part is the
// conversion of its 100000 elements.
void ZtChangeTypeToString(benchmark::State& state, Heap heap) {
    const std::vector<int> values = Values();
    const tagDATAARRAYBOUND bound = {kConvertCount, 0};
    long faults = 0;
    tagDATAARRAY* array = nullptr;
    for (auto _ : state) {
        Round(
            state, heap, &faults,
            [&] {
                array = Varn::ZtDataArrayCreate(Varn::ZT_VT_I4, 1, &bound);
                void* data = nullptr;
                Varn::ZtDataArrayAccessData(array, &data);
                std::memcpy(data, values.data(), values.size() * sizeof(int));
                Varn::ZtDataArrayUnaccessData(array);
            },
            [&] { Varn::ZtDataArrayChangeType(array, 0, Varn::ZT_VT_STRING); },
            [&] { Varn::ZtDataArrayDestroy(array); });
    }
    ReportFaults(state, faults);
}

void QtNumbersToStrings(benchmark::State& state, Heap heap) {
    const std::vector<int> values = Values();
    long faults = 0;
    QVector<QString> texts;
    for (auto _ : state) {
        Round(
            state, heap, &faults, [&] { texts = QVector<QString>(kConvertCount); },
            [&] {
                for (int i = 0; i < kConvertCount; ++i)
                    texts[i] = QString::number(values[i]);
                benchmark::DoNotOptimize(texts.data());
            },
            [&] { texts = QVector<QString>(); });
    }
    ReportFaults(state, faults);
}

void ZtChangeTypeToStringWarm(benchmark::State& state) {
    ZtChangeTypeToString(state, Heap::Warm);
}
void QtNumbersToStringsWarm(benchmark::State& state) {
    QtNumbersToStrings(state, Heap::Warm);
}
void ZtChangeTypeToStringCold(benchmark::State& state) {
    ZtChangeTypeToString(state, Heap::Cold);
}
void QtNumbersToStringsCold(benchmark::State& state) {
    QtNumbersToStrings(state, Heap::Cold);
}

const zotrel_bench::RatioCase kCases[] = {
    // name, zotrel, baseline, baseline is, goal ratio
    {"get_element_i4", ZtGetElement, ModelGetElement,
     "recursive registry mutex + std::map lookup + recursive array mutex + copy", 1.4, 0, true},
    {"put_element_i4", ZtPutElement, ModelPutElement,
     "recursive registry mutex + std::map lookup + recursive array mutex + copy", 1.4, 0, true},
    {"change_type_i4_string", ZtChangeTypeToStringWarm, QtNumbersToStringsWarm,
     "QString::number of 100000 ints into a preallocated QVector<QString>, warm heap", 2.5},
    {"change_type_i4_string_cold", ZtChangeTypeToStringCold, QtNumbersToStringsCold,
     "QString::number of 100000 ints into a preallocated QVector<QString>, heap trimmed before "
     "each round",
     2.5},
};

// Keeps what the process frees with the allocator: no trimming of the heap
// top, and blocks of up to 32 MiB (glibc's largest threshold) taken from the
// heap rather than mapped one by one, which is where glibc's adaptive
// threshold would put the element blocks after the first round anyway. These
// are the settings that GLIBC_TUNABLES=glibc.malloc.trim_threshold=...:
// glibc.malloc.mmap_threshold=... give; they apply to this benchmark process
// only (the library never changes its host's allocator), and malloc_trim(0)
// still gives everything back for the cold rounds.
void KeepHeap() {
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
}

}  // namespace

int main(int argc, char** argv) {
    KeepHeap();
    return zotrel_bench::RunRatioTable(argc, argv, kCases);
}
