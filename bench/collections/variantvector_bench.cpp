// The variant vector beside QVector<QVariant>: a new vector, 1000 integers
// appended one by one, each read back.
#include "collections/variantvector_bench.h"

#include <zotrel/objectcollections.h>

#include <QVariant>
#include <QVector>

namespace {

constexpr int kElements = 1000;

}  // namespace

// Through the interface, as another module uses the vector: the records go in
// by pointer and come out as copies into one record that each read clears.
void ZtVectorPushGet(benchmark::State& state) {
    for (auto _ : state) {
        Varn::IZtVariantCollectionMut* vector = Varn::ZtCreateVariantCollectionMut();
        Varn::CZtVariant record(0);
        for (int i = 0; i < kElements; ++i) {
            record.data.i4Val = i;
            vector->PushBack(static_cast<Varn::tagZTVARIANT*>(&record));
        }
        Varn::CZtVariant item;
        long long sum = 0;
        for (unsigned int i = 0; i < kElements; ++i) {
            vector->GetItem(i, &item);
            sum += item.data.i4Val;
        }
        benchmark::DoNotOptimize(sum);
        Varn::ZtVariantCollectionMutDestory(vector);
    }
}

void QVectorPushGet(benchmark::State& state) {
    for (auto _ : state) {
        QVector<QVariant> vector;
        for (int i = 0; i < kElements; ++i)
            vector.append(QVariant(i));
        long long sum = 0;
        for (int i = 0; i < kElements; ++i) {
            const QVariant item = vector.at(i);
            sum += item.toInt();
        }
        benchmark::DoNotOptimize(sum);
    }
}
