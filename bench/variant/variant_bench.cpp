// Variants and the variant map beside QVariant and QMap: conversions between
// numbers and text, copying a variant that holds text, and filling and
// reading a map of 1000 keys.
#include <zotrel/map.h>
#include <zotrel/string.h>
#include <zotrel/variant.h>

#include <QMap>
#include <QString>
#include <QVariant>

#include <vector>

#include "common/ratio.h"

namespace {

using Varn::CZtMap;
using Varn::CZtString;
using Varn::CZtVariant;

// A number to text: the variant conversion against QVariant's. The number
// changes every round so that no result can be cached.
void ZtIntToString(benchmark::State& state) {
    int value = 123456;
    for (auto _ : state) {
        const CZtVariant number(value);
        CZtVariant text;
        benchmark::DoNotOptimize(Varn::ZtVariantChangeType(&text, &number, 0, Varn::ZT_VT_STRING));
        benchmark::DoNotOptimize(text);
        ++value;
    }
}
void QtIntToString(benchmark::State& state) {
    int value = 123456;
    for (auto _ : state) {
        const QString text = QVariant(value).toString();
        benchmark::DoNotOptimize(text.constData());
        ++value;
    }
}

// Text to a number.
void ZtStringToInt(benchmark::State& state) {
    const CZtVariant text(L"123");
    for (auto _ : state) {
        CZtVariant number;
        benchmark::DoNotOptimize(Varn::ZtVariantChangeType(&number, &text, 0, Varn::ZT_VT_I4));
        benchmark::DoNotOptimize(number.data.i4Val);
    }
}
void QtStringToInt(benchmark::State& state) {
    const QString text = QString::fromLatin1("123");
    for (auto _ : state)
        benchmark::DoNotOptimize(QVariant(text).toInt());
}

// A variant holding twenty characters of text, copied and destroyed.
const wchar_t kText20[] = L"Pump station 7 flow.";

void ZtCopyStringVariant(benchmark::State& state) {
    const CZtVariant text(kText20);
    for (auto _ : state) {
        CZtVariant copy(text);
        benchmark::DoNotOptimize(copy);
    }
}
void QtCopyStringVariant(benchmark::State& state) {
    const QVariant text(QString::fromWCharArray(kText20));
    for (auto _ : state) {
        QVariant copy(text);
        benchmark::DoNotOptimize(copy);
    }
}

// 1000 keys inserted into a new map, then every key looked up.
constexpr int kKeys = 1000;

template <class Key>
std::vector<Key> MakeKeys() {
    std::vector<Key> keys;
    keys.reserve(kKeys);
    // Spread the keys so that insertion order is not key order.
    for (int i = 0; i < kKeys; ++i)
        keys.push_back(Key(QString::asprintf("Tag.%04d.Value", (i * 7919) % kKeys)));
    return keys;
}

void ZtMapFillAndLookUp(benchmark::State& state) {
    const std::vector<CZtString> keys = MakeKeys<CZtString>();
    for (auto _ : state) {
        CZtMap map;
        for (int i = 0; i < kKeys; ++i)
            map.Add(keys[i], CZtVariant(i));
        long long sum = 0;
        for (const CZtString& key : keys)
            sum += map[key].data.i4Val;
        benchmark::DoNotOptimize(sum);
    }
}
void QtMapFillAndLookUp(benchmark::State& state) {
    const std::vector<QString> keys = MakeKeys<QString>();
    for (auto _ : state) {
        QMap<QString, QVariant> map;
        for (int i = 0; i < kKeys; ++i)
            map.insert(keys[i], QVariant(i));
        long long sum = 0;
        for (const QString& key : keys)
            sum += map.value(key).toInt();
        benchmark::DoNotOptimize(sum);
    }
}

const zotrel_bench::RatioCase kCases[] = {
    // name, zotrel, baseline, baseline is, goal ratio[, goal ns]
    {"change_type_i4_string", ZtIntToString, QtIntToString, "QVariant(int).toString()", 2},
    {"change_type_string_i4", ZtStringToInt, QtStringToInt, "QVariant(QString(\"123\")).toInt()",
     2},
    {"copy_destroy_string", ZtCopyStringVariant, QtCopyStringVariant,
     "QVariant(QString) copy + destroy", 1.5},
    {"map_fill_lookup_1000", ZtMapFillAndLookUp, QtMapFillAndLookUp,
     "QMap<QString, QVariant> insert + value", 1.3},
};

}  // namespace

int main(int argc, char** argv) {
    return zotrel_bench::RunRatioTable(argc, argv, kCases);
}
