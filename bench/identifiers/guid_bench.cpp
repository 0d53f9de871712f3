// CZtGUID beside QUuid: parsing, printing and ordering.
#include <zotrel/guid.h>
#include <zotrel/string.h>

#include <QString>
#include <QUuid>

#include "common/ratio.h"

namespace {

using Varn::CZtGUID;
using Varn::CZtString;

const wchar_t kGuidText[] = L"{B040EE6B-4A59-426D-91C8-4A8012F67D60}";
const char kGuidLatin1[] = "{B040EE6B-4A59-426D-91C8-4A8012F67D60}";

// Parse from a text object. The CZtString keeps its Latin-1 copy after the
// first parse, as a name that is looked up again and again would.
void ZtParseString(benchmark::State& state) {
    const CZtString text(kGuidText);
    for (auto _ : state) {
        CZtGUID guid(text);
        benchmark::DoNotOptimize(guid);
    }
}
void QtParseString(benchmark::State& state) {
    const QString text = QString::fromLatin1(kGuidLatin1);
    for (auto _ : state) {
        QUuid guid(text);
        benchmark::DoNotOptimize(guid);
    }
}

// Parse from wide text through the C function: conversion included.
void ZtParseWide(benchmark::State& state) {
    const wchar_t* text = kGuidText;
    for (auto _ : state) {
        benchmark::DoNotOptimize(text);
        Varn::tagZTGUID guid;
        benchmark::DoNotOptimize(Varn::ZtString2ZTGUID(text, &guid));
        benchmark::DoNotOptimize(guid);
    }
}
void QtParseWide(benchmark::State& state) {
    const wchar_t* text = kGuidText;
    for (auto _ : state) {
        benchmark::DoNotOptimize(text);
        QUuid guid(QString::fromWCharArray(text));
        benchmark::DoNotOptimize(guid);
    }
}

void ZtToString(benchmark::State& state) {
    const CZtGUID guid{CZtString(kGuidText)};
    for (auto _ : state) {
        CZtString text = guid.ToString();
        benchmark::DoNotOptimize(text);
    }
}
void QtToString(benchmark::State& state) {
    const QUuid guid(QString::fromLatin1(kGuidLatin1));
    for (auto _ : state) {
        QString text = guid.toString();
        benchmark::DoNotOptimize(text);
    }
}

// Ordering of two identifiers that differ only in their last byte.
void ZtLess(benchmark::State& state) {
    CZtGUID a{CZtString(kGuidText)};
    CZtGUID b(a);
    b.Data4[7] += 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(b);
        benchmark::DoNotOptimize(a < b);
    }
}
void QtLess(benchmark::State& state) {
    QUuid a(QString::fromLatin1(kGuidLatin1));
    QUuid b(a);
    b.data4[7] += 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(b);
        benchmark::DoNotOptimize(a < b);
    }
}

const zotrel_bench::RatioCase kCases[] = {
    // name, zotrel, baseline, baseline is, goal ratio[, goal ns]
    {"guid_parse_string", ZtParseString, QtParseString, "QUuid(QString)", 1.5},
    {"guid_parse_wide", ZtParseWide, QtParseWide, "QUuid(QString::fromWCharArray)", 1.5},
    {"guid_to_string", ZtToString, QtToString, "QUuid::toString()", 1.5},
    {"guid_less", ZtLess, QtLess, "QUuid::operator<", 0},
};

}  // namespace

int main(int argc, char** argv) {
    return zotrel_bench::RunRatioTable(argc, argv, kCases);
}
