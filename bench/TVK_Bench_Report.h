#pragma once

#include <QByteArray>

// The figures of a benchmark in a form bench/run gathers into one table. Each
// figure is one tab-separated line on standard output, beside the benchmark's
// own text:
//
//   BENCH  name  value  unit  reference  reference-value  goal
//
// The reference is what the figure is set against, measured in the same run
// and in the same unit ("-" and "-" where nothing compares). The goal is one
// or more conditions joined by commas, each on the value or on the ratio of
// value to reference: "ratio>=0.8", "value<=1000", "ratio>=0.95,ratio<=1.02";
// "-" for a figure shown only to explain another.
class TVK_Bench_Report
{
public:
    // How many times to repeat a measurement: defaultRuns, or the number in
    // TVK_BENCH_RUNS (bench/run --runs=N) for a quicker or steadier run.
    static int runs(int defaultRuns);

    static void figure(const QByteArray &name, double value, const char *unit, const char *goal);
    static void figure(const QByteArray &name, double value, const char *unit, const QByteArray &reference,
                       double referenceValue, const char *goal);
};
