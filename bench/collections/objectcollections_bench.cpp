// The object containers and maps beside the Qt containers that do the same
// reference-counting work: filling a collection of 1000 objects and reading
// each back, and looking up 1000 keys in a variant map (text keys) and an
// integer map. Goals: the collection within 1.3x of QVector, the variant map
// within 1.5x of QHash<QString, ...>, the integer map within 1.3x of
// QHash<int, ...>.
#include <zotrel/objectcollections.h>

#include <zotrel/variant.h>

#include <QHash>
#include <QString>
#include <QVector>

#include <atomic>
#include <vector>

#include "collections/variantvector_bench.h"
#include "common/ratio.h"

namespace {

using Varn::CZtIntObjectMap;
using Varn::CZtObjectCollection;
using Varn::CZtVariant;
using Varn::CZtVariantObjectMap;
using Varn::IZtUnknown;

constexpr int kCount = 1000;

// An element with an atomic count, as every interface object has; the bench
// owns it for the whole run. Its counting is never inlined, on either side:
// the elements are other modules' objects, which no container code can see
// into.
class Element : public IZtUnknown {
public:
    __attribute__((noinline)) int AddRef() const override { return ++m_Count; }
    __attribute__((noinline)) int Release() const override { return --m_Count; }
    unsigned int QueryInterface(const Varn::tagZTGUID&, IZtUnknown** out) override {
        if (!out)
            return Varn::ZT_E_POINTER;
        *out = nullptr;
        return Varn::ZT_E_NOINTERFACE;
    }

private:
    mutable std::atomic<int> m_Count{1};
};

const std::vector<Element>& Elements() {
    static const std::vector<Element> elements(kCount);
    return elements;
}

IZtUnknown* ElementAt(int i) {
    return const_cast<Element*>(&Elements()[i]);
}

// Keys spread so that insertion order is not key order.
int KeyAt(int i) {
    return (i * 7919) % kCount * 13;
}
QString TextKeyAt(int i) {
    return QString::asprintf("Tag.%04d.Value", KeyAt(i));
}

// ---------------------------------------------------------------------------
// A new collection, 1000 objects appended, each read back and released.

void ZtCollectionPushGet(benchmark::State& state) {
    for (auto _ : state) {
        auto* collection = new CZtObjectCollection;
        for (int i = 0; i < kCount; ++i)
            collection->PushBack(ElementAt(i));
        for (unsigned int i = 0; i < kCount; ++i) {
            IZtUnknown* item = nullptr;
            collection->GetItem(i, &item);
            benchmark::DoNotOptimize(item);
            item->Release();
        }
        collection->Release();
    }
}

void QtCollectionPushGet(benchmark::State& state) {
    for (auto _ : state) {
        QVector<IZtUnknown*> collection;
        for (int i = 0; i < kCount; ++i) {
            IZtUnknown* item = ElementAt(i);
            item->AddRef();
            collection.append(item);
        }
        for (int i = 0; i < kCount; ++i) {
            IZtUnknown* item = collection.at(i);
            item->AddRef();
            benchmark::DoNotOptimize(item);
            item->Release();
        }
        for (IZtUnknown* item : collection)
            item->Release();
    }
}

// ---------------------------------------------------------------------------
// Every one of 1000 text keys looked up; the value found is released.

void ZtVariantMapLookUp(benchmark::State& state) {
    CZtVariantObjectMap map;
    std::vector<CZtVariant> keys;
    for (int i = 0; i < kCount; ++i) {
        map.Insert(CZtVariant(TextKeyAt(i)), ElementAt(i));
        keys.emplace_back(TextKeyAt(i));  // other text objects than the stored ones
    }
    for (auto _ : state) {
        for (const CZtVariant& key : keys) {
            IZtUnknown* value = nullptr;
            map.GetValue(&key, &value);
            benchmark::DoNotOptimize(value);
            value->Release();
        }
    }
}

void QtVariantMapLookUp(benchmark::State& state) {
    QHash<QString, IZtUnknown*> map;
    std::vector<QString> keys;
    for (int i = 0; i < kCount; ++i) {
        IZtUnknown* item = ElementAt(i);
        item->AddRef();
        map.insert(TextKeyAt(i), item);
        keys.push_back(TextKeyAt(i));
    }
    for (auto _ : state) {
        for (const QString& key : keys) {
            IZtUnknown* value = map.value(key);
            value->AddRef();
            benchmark::DoNotOptimize(value);
            value->Release();
        }
    }
    for (IZtUnknown* item : map)
        item->Release();
}

// ---------------------------------------------------------------------------
// Every one of 1000 integer keys looked up; the value found is released.

void ZtIntMapLookUp(benchmark::State& state) {
    CZtIntObjectMap map;
    for (int i = 0; i < kCount; ++i)
        map.Insert(KeyAt(i), ElementAt(i));
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) {
            const int key = KeyAt(i);
            IZtUnknown* value = nullptr;
            map.GetValue(&key, &value);
            benchmark::DoNotOptimize(value);
            value->Release();
        }
    }
}

void QtIntMapLookUp(benchmark::State& state) {
    QHash<int, IZtUnknown*> map;
    for (int i = 0; i < kCount; ++i) {
        IZtUnknown* item = ElementAt(i);
        item->AddRef();
        map.insert(KeyAt(i), item);
    }
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) {
            IZtUnknown* value = map.value(KeyAt(i));
            value->AddRef();
            benchmark::DoNotOptimize(value);
            value->Release();
        }
    }
    for (IZtUnknown* item : map)
        item->Release();
}

const zotrel_bench::RatioCase kCases[] = {
    // name, zotrel, baseline, baseline is, goal ratio[, goal ns]
    {"object_collection_push_get_1000", ZtCollectionPushGet, QtCollectionPushGet,
     "QVector<IZtUnknown*> append + at, AddRef/Release", 1.3},
    {"variant_object_map_text_lookup_1000", ZtVariantMapLookUp, QtVariantMapLookUp,
     "QHash<QString, IZtUnknown*> value, AddRef/Release", 1.5},
    {"int_object_map_lookup_1000", ZtIntMapLookUp, QtIntMapLookUp,
     "QHash<int, IZtUnknown*> value, AddRef/Release", 1.3},
    {"variant_vector_push_get_1000", ZtVectorPushGet, QVectorPushGet,
     "QVector<QVariant> append + at", 1.5},
};

}  // namespace

int main(int argc, char** argv) {
    return zotrel_bench::RunRatioTable(argc, argv, kCases);
}
