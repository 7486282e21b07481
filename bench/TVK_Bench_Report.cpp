#include "TVK_Bench_Report.h"

#include <QtGlobal>

#include <cmath>
#include <cstdio>

namespace {

// A tab or line break inside a field would shift every column after it.
QByteArray field(QByteArray text)
{
    text.replace('\t', ' ').replace('\n', ' ').replace('\r', ' ');
    text = text.trimmed();
    return text.isEmpty() ? QByteArray("-") : text;
}

QByteArray number(double value)
{
    // bench/run shows "nan" as a figure that could not be measured.
    if (!std::isfinite(value))
        return QByteArray("nan");
    return QByteArray::number(value, 'g', 6);
}

void line(const QByteArray &name, const QByteArray &value, const char *unit, const QByteArray &reference,
          const QByteArray &referenceValue, const char *goal)
{
    std::printf("BENCH\t%s\t%s\t%s\t%s\t%s\t%s\n", field(name).constData(), value.constData(),
                field(unit).constData(), field(reference).constData(), referenceValue.constData(),
                field(goal).constData());
    // The benchmark's own lines and these stay in order even when a later
    // crash cuts the output short.
    std::fflush(stdout);
}

} // namespace

int TVK_Bench_Report::runs(int defaultRuns)
{
    bool ok = false;
    const int runs = qEnvironmentVariableIntValue("TVK_BENCH_RUNS", &ok);
    if (!ok)
        return defaultRuns;
    if (runs < 1) {
        std::fprintf(stderr, "TVK_BENCH_RUNS=%d is no number of runs, %d runs instead\n", runs, defaultRuns);
        return defaultRuns;
    }
    return runs;
}

void TVK_Bench_Report::figure(const QByteArray &name, double value, const char *unit, const char *goal)
{
    line(name, number(value), unit, QByteArray("-"), QByteArray("-"), goal);
}

void TVK_Bench_Report::figure(const QByteArray &name, double value, const char *unit, const QByteArray &reference,
                              double referenceValue, const char *goal)
{
    line(name, number(value), unit, reference, number(referenceValue), goal);
}
