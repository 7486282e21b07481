#include "TVK_Logic_ConverterWhiteBalTemp.h"

#include "TVK_Commu_ProductTraits.h"

#include <QLatin1String>

namespace {

constexpr char kLogPrefix[] = "TVK_Logic_ConverterWhiteBalTemp::init";

struct KelvinRange
{
    int first;
    int last;
    int step;
};

// 63 temperatures: 31 + 15 + 17.
constexpr KelvinRange kKelvinRanges[] = {
    {2000, 5000, 100},
    {5200, 8000, 200},
    {8300, 13100, 300},
};

using Traits = TVK_Commu_ProductTraits;

constexpr int k2041Kelvins[] = {2000, 2200, 2400, 2700, 3000, 3300, 3600,  3900,  4200, 4600,
                                5000, 5500, 6000, 6600, 7200, 8000, 8700, 9500, 10300, 11500};

constexpr int k2044Kelvins[] = {2000, 2200, 2400, 2700, 3000, 3300, 3600,  3900,  4200, 4600,
                                5000, 5500, 6000, 6500, 7200, 8000, 8700, 9500, 10300, 11500};

QString kelvinText(int kelvin)
{
    return QString::number(kelvin) + QLatin1String(" K");
}

} // namespace

TVK_Logic_ConverterWhiteBalTemp::TVK_Logic_ConverterWhiteBalTemp(int productId, QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    init(productId);
}

void TVK_Logic_ConverterWhiteBalTemp::init(int productId)
{
    clearLists();
    const Traits::eLEWhiteBalTemp list = Traits::of(productId).whiteBalTemp;
    const bool positions = list == Traits::kLEWhiteBalTempPositions;
    if (positions || list == Traits::kLEWhiteBalTempKelvins) {
        for (const KelvinRange &range : kKelvinRanges) {
            for (int kelvin = range.first; kelvin <= range.last; kelvin += range.step) {
                if (positions)
                    appendText(kelvinText(kelvin));
                else
                    appendEntry(kelvinText(kelvin), kelvin);
            }
        }
    } else if (list == Traits::kLEWhiteBalTempVelia) {
        for (int kelvin : k2041Kelvins)
            appendEntry(kelvinText(kelvin), kelvin);
    } else if (list == Traits::kLEWhiteBalTempVelia2) {
        for (int kelvin : k2044Kelvins)
            appendEntry(kelvinText(kelvin), kelvin);
    } else {
        logUnknownProduct(kLogPrefix, productId);
    }
}
