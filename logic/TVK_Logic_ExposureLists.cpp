#include "TVK_Logic_ExposureLists.h"

#include "TVK_Logic_APEXConverterAperture.h"
#include "TVK_Logic_APEXConverterShutterTime.h"

const char TVK_Logic_ExposureLists::kNoAperture[] = "--";
const char TVK_Logic_ExposureLists::kBulbText[] = "B";

double TVK_Logic_ExposureLists::stepFromExposCompensStep(int step)
{
    switch (step) {
    case 333: return 1.0 / 3.0;
    case 500: return 0.5;
    case 1000: return 1.0;
    default: return 0.0;
    }
}

double TVK_Logic_ExposureLists::stepFromApertureSteps(int steps)
{
    switch (steps) {
    case 1: return 1.0;
    case 2: return 0.5;
    case 3: return 1.0 / 3.0;
    default: return 0.0;
    }
}

QStringList TVK_Logic_ExposureLists::apertures(bool lensConnected, double open, double close, double stepEv)
{
    if (!lensConnected || !(stepEv > 0.0))
        return {QString::fromLatin1(kNoAperture)};
    using A = TVK_Logic_APEXConverterAperture;
    QStringList list{A::toString(open)};
    // Counted in steps, not summed, so that thirds do not drift.
    int n = 0;
    while (n < kMaxSteps && open >= A::fNumberFromAv(n * stepEv))
        ++n;
    while (n < kMaxSteps && close > A::fNumberFromAv(n * stepEv)) {
        list << A::toString(A::fNumberFromAv(n * stepEv));
        ++n;
    }
    list << A::toString(close);
    return list;
}

QStringList TVK_Logic_ExposureLists::shutterTimes(const TVK_Logic_APEXConverterShutterTime &converter,
                                                  double shortest, double longest, double stepEv)
{
    if (!(stepEv > 0.0))
        return {};
    QStringList list;
    const double start = TVK_Logic_APEXConverterShutterTime::tvFromSeconds(shortest);
    for (int n = 0; n < kMaxSteps; ++n) {
        const double seconds = converter.secondsFromTv(start - n * stepEv);
        if (!(longest > seconds))
            break;
        list << converter.toString(seconds);
    }
    list << converter.toString(longest) << QString::fromLatin1(kBulbText);
    list.removeDuplicates();
    return list;
}
