// CZtString beside QString: sharing, the cached Latin-1 copy, numbers.
#include <zotrel/blob.h>
#include <zotrel/string.h>

#include <QByteArray>
#include <QLatin1Char>
#include <QString>

#include <string>

#include "common/ratio.h"

namespace {

using Varn::CZtString;

// Twenty characters, built at run time so that both sides hold a counted,
// heap-allocated body (a QStringLiteral would not be reference counted).
const wchar_t kText20[] = L"Pump station 7 flow.";
const char kText20Latin1[] = "Pump station 7 flow.";
static_assert(sizeof(kText20Latin1) == 21, "the benchmark text has 20 characters");

// Copy + destroy: one shared body, one reference up and down.
void ZtCopyDestroy(benchmark::State& state) {
    const CZtString text(kText20);
    for (auto _ : state) {
        CZtString copy(text);
        benchmark::DoNotOptimize(copy);
    }
}
void QtCopyDestroy(benchmark::State& state) {
    const QString text = QString::fromLatin1(kText20Latin1);
    for (auto _ : state) {
        QString copy(text);
        benchmark::DoNotOptimize(copy);
    }
}

// A 20-byte blob copied and destroyed: one atomic increment and decrement.
void ZtBlobCopyDestroy(benchmark::State& state) {
    const Varn::CZtBlob bytes(kText20Latin1);
    for (auto _ : state) {
        Varn::CZtBlob copy(bytes);
        benchmark::DoNotOptimize(copy);
    }
}
void QtByteArrayCopyDestroy(benchmark::State& state) {
    const QByteArray bytes(kText20Latin1);
    for (auto _ : state) {
        QByteArray copy(bytes);
        benchmark::DoNotOptimize(copy);
    }
}

// c_str() once the Latin-1 copy is cached: a pointer read from the body.
void ZtCStrCached(benchmark::State& state) {
    const CZtString text(kText20);
    benchmark::DoNotOptimize(text.c_str());
    for (auto _ : state) {
        benchmark::DoNotOptimize(text.c_str());
    }
}
void StdCStr(benchmark::State& state) {
    const std::string text(kText20Latin1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(text.c_str());
    }
}

// The first c_str() of a new text: copy, change one character (the copy gets
// its own body), then build the Latin-1 copy. Qt does the same work and
// converts with toLatin1().
void ZtCStrFirst(benchmark::State& state) {
    const CZtString text(kText20);
    for (auto _ : state) {
        CZtString copy(text);
        copy.Append('x');
        benchmark::DoNotOptimize(copy.c_str());
    }
}
void QtToLatin1(benchmark::State& state) {
    const QString text = QString::fromLatin1(kText20Latin1);
    for (auto _ : state) {
        QString copy(text);
        copy.append(QLatin1Char('x'));
        const QByteArray latin1 = copy.toLatin1();
        benchmark::DoNotOptimize(latin1.constData());
    }
}

void ZtToInt(benchmark::State& state) {
    const CZtString text(L"123456");
    for (auto _ : state) {
        bool ok = false;
        benchmark::DoNotOptimize(text.ToInt(&ok));
        benchmark::DoNotOptimize(ok);
    }
}
void QtToInt(benchmark::State& state) {
    const QString text = QString::fromLatin1("123456");
    for (auto _ : state) {
        bool ok = false;
        benchmark::DoNotOptimize(text.toInt(&ok));
        benchmark::DoNotOptimize(ok);
    }
}

void ZtFromDouble(benchmark::State& state) {
    double value = 1234.5678;
    for (auto _ : state) {
        benchmark::DoNotOptimize(value);
        CZtString text(value);
        benchmark::DoNotOptimize(text);
    }
}
void QtNumberDouble(benchmark::State& state) {
    double value = 1234.5678;
    for (auto _ : state) {
        benchmark::DoNotOptimize(value);
        QString text = QString::number(value, 'g', 6);
        benchmark::DoNotOptimize(text);
    }
}

void ZtSetNumInt(benchmark::State& state) {
    CZtString text;
    int value = 123456;
    for (auto _ : state) {
        benchmark::DoNotOptimize(value);
        text.SetNum(value);
        benchmark::DoNotOptimize(text);
    }
}
void QtSetNumInt(benchmark::State& state) {
    QString text;
    int value = 123456;
    for (auto _ : state) {
        benchmark::DoNotOptimize(value);
        text.setNum(value);
        benchmark::DoNotOptimize(text);
    }
}

const zotrel_bench::RatioCase kCases[] = {
    // name, zotrel, baseline, baseline is, goal ratio[, goal ns]
    {"copy_destroy_20", ZtCopyDestroy, QtCopyDestroy, "QString copy + destroy", 1.2},
    {"c_str_cached", ZtCStrCached, StdCStr, "std::string::c_str()", 0, 1.0},
    {"c_str_first", ZtCStrFirst, QtToLatin1, "QString copy + append + toLatin1()", 1.5},
    {"to_int_123456", ZtToInt, QtToInt, "QString::toInt", 1.3},
    {"from_double", ZtFromDouble, QtNumberDouble, "QString::number(d, 'g', 6)", 1.3},
    {"set_num_int", ZtSetNumInt, QtSetNumInt, "QString::setNum(int)", 1.3},
    {"blob_copy_destroy_20", ZtBlobCopyDestroy, QtByteArrayCopyDestroy, "QByteArray copy + destroy",
     1.2},
};

}  // namespace

int main(int argc, char** argv) {
    return zotrel_bench::RunRatioTable(argc, argv, kCases);
}
