#include "TVK_Logic_ConverterSensorFormat.h"

#include "TVK_Commu_ProductTraits.h"

namespace {

constexpr char kTitle[] = "Sensor Format";
constexpr char kLogPrefix[] = "TVK_Logic_ConverterSensorFormat::init";

constexpr TVK_Logic_ConverterBase::Entry kFormats[] = {
    {"35 mm", 0},
    {"APS-C", 1},
};

} // namespace

TVK_Logic_ConverterSensorFormat::TVK_Logic_ConverterSensorFormat(int productId, QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    init(productId);
}

void TVK_Logic_ConverterSensorFormat::init(int productId)
{
    const bool offered = TVK_Commu_ProductTraits::of(productId).has(TVK_Commu_ProductTraits::kLEFormatChoices);
    setTableIfOffered(offered, kFormats, productId, kLogPrefix, kTitle);
}
