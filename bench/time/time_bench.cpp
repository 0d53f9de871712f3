// CZtTime beside the standard library and QDateTime: unique time stamps and
// the conversion between a stamp and its calendar fields.
#include <zotrel/time.h>

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <ctime>
#include <mutex>

#include "common/ratio.h"

namespace {

using Varn::CZtTime;
using Varn::SZtTime;

// A unique UTC stamp from the library's global ticker.
void ZtNow(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(CZtTime::Now());
}

// The same work written out: read the clock, take a recursive mutex and
// advance the last stamp handed out.
void ModelNow(benchmark::State& state) {
    static std::recursive_mutex mutex;
    static long long last = 0;
    for (auto _ : state) {
        timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        long long stamp = static_cast<long long>(now.tv_sec) * 10000000 + now.tv_nsec / 100 +
                          116444736000000000LL;
        {
            std::lock_guard<std::recursive_mutex> lock(mutex);
            stamp = stamp > last ? stamp : last + 1;
            last = stamp;
        }
        benchmark::DoNotOptimize(stamp);
    }
}

// 2021-07-15 12:34:56.789 UTC, moved by a prime each round so that no result
// can be cached.
constexpr long long kStamp = 132707276967890000LL;
constexpr long long kStep = 863999999999LL;  // just under a day
constexpr qint64 kMsecs = 1626352496789LL;
constexpr qint64 kMsecsStep = 86399999LL;

void ZtBreakDownAndBack(benchmark::State& state) {
    long long stamp = kStamp;
    for (auto _ : state) {
        SZtTime fields;
        CZtTime::ConvertZtTimeStampToZtTime(stamp, fields);
        benchmark::DoNotOptimize(fields);
        benchmark::DoNotOptimize(CZtTime::ConvertZtTimeToZtTimeStamp(fields));
        stamp += kStep;
    }
}

void QtBreakDownAndBack(benchmark::State& state) {
    qint64 msecs = kMsecs;
    for (auto _ : state) {
        const QDateTime time = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
        const QDate date = time.date();
        const QTime clock = time.time();
        benchmark::DoNotOptimize(date);
        benchmark::DoNotOptimize(clock);
        benchmark::DoNotOptimize(QDateTime(date, clock, Qt::UTC).toMSecsSinceEpoch());
        msecs += kMsecsStep;
    }
}

const zotrel_bench::RatioCase kCases[] = {
    {"now_unique", ZtNow, ModelNow, "clock read + recursive mutex + advance", 1.2},
    {"stamp_fields_stamp", ZtBreakDownAndBack, QtBreakDownAndBack,
     "QDateTime::fromMSecsSinceEpoch(UTC) .date() .time() and back", 1.5},
};

}  // namespace

int main(int argc, char** argv) {
    return zotrel_bench::RunRatioTable(argc, argv, kCases);
}
