// The variant vector's benchmark functions, run by the collections benchmark
// binary beside its other cases.
#ifndef ZOTREL_BENCH_COLLECTIONS_VARIANTVECTOR_BENCH_H
#define ZOTREL_BENCH_COLLECTIONS_VARIANTVECTOR_BENCH_H

#include <benchmark/benchmark.h>

/// Fills a new `CZtVector` with 1000 I4 records and reads each back.
void ZtVectorPushGet(benchmark::State& state);
/// The same with `QVector<QVariant>`.
void QVectorPushGet(benchmark::State& state);

#endif  // ZOTREL_BENCH_COLLECTIONS_VARIANTVECTOR_BENCH_H
