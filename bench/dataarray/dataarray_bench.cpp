// Data arrays beside their nearest equivalents: one element read or written
// through the registry, and a whole array converted to text.
#include <zotrel/dataarray.h>
#include <zotrel/string.h>
#include <zotrel/variant.h>

#include <QString>
#include <QVector>

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
// A whole array of integers converted to text

constexpr int kConvertCount = 100000;

std::vector<int> Values() {
    std::vector<int> values(kConvertCount);
    for (int i = 0; i < kConvertCount; ++i)
        values[i] = (i * 7919) - 400000000;
    return values;
}

// A fresh I4 array is made and filled outside the timed part for every
// conversion; the timed part is the conversion of its 100000 elements.
void ZtChangeTypeToString(benchmark::State& state) {
    const std::vector<int> values = Values();
    const tagDATAARRAYBOUND bound = {kConvertCount, 0};
    for (auto _ : state) {
        state.PauseTiming();
        tagDATAARRAY* array = Varn::ZtDataArrayCreate(Varn::ZT_VT_I4, 1, &bound);
        void* data = nullptr;
        Varn::ZtDataArrayAccessData(array, &data);
        std::memcpy(data, values.data(), values.size() * sizeof(int));
        Varn::ZtDataArrayUnaccessData(array);
        state.ResumeTiming();

        Varn::ZtDataArrayChangeType(array, 0, Varn::ZT_VT_STRING);

        state.PauseTiming();
        Varn::ZtDataArrayDestroy(array);
        state.ResumeTiming();
    }
}

void QtNumbersToStrings(benchmark::State& state) {
    const std::vector<int> values = Values();
    for (auto _ : state) {
        state.PauseTiming();
        QVector<QString> texts(kConvertCount);
        state.ResumeTiming();

        for (int i = 0; i < kConvertCount; ++i)
            texts[i] = QString::number(values[i]);
        benchmark::DoNotOptimize(texts.data());

        state.PauseTiming();
        texts = QVector<QString>();
        state.ResumeTiming();
    }
}

const zotrel_bench::RatioCase kCases[] = {
    {"get_element_i4", ZtGetElement, ModelGetElement,
     "recursive registry mutex + std::map lookup + recursive array mutex + copy (goal ratio "
     "<= 1.4)",
     0},
    {"put_element_i4", ZtPutElement, ModelPutElement,
     "recursive registry mutex + std::map lookup + recursive array mutex + copy (goal ratio "
     "<= 1.4)",
     0},
    {"change_type_i4_string", ZtChangeTypeToString, QtNumbersToStrings,
     "QString::number of 100000 ints into a preallocated QVector<QString> (goal ratio <= 2.5)", 0},
};

}  // namespace

int main(int argc, char** argv) {
    return zotrel_bench::RunRatioTable(argc, argv, kCases);
}
