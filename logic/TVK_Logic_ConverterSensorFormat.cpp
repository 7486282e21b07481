#include "TVK_Logic_ConverterSensorFormat.h"

namespace {

constexpr char kTitle[] = "Sensor Format";
constexpr char kLogPrefix[] = "TVK_Logic_ConverterSensorFormat::init";

constexpr TVK_Logic_ConverterBase::Entry kFormats[] = {
    {"35 mm", 0},
    {"APS-C", 1},
};

constexpr TVK_Logic_ConverterBase::ProductGroup kGroups[] = {
    {{0x2041, 0x2044, 0x2047}, kFormats},
};

} // namespace

TVK_Logic_ConverterSensorFormat::TVK_Logic_ConverterSensorFormat(int productId, QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    init(productId);
}

void TVK_Logic_ConverterSensorFormat::init(int productId)
{
    setTableForProduct(kGroups, productId, kLogPrefix, kTitle);
}
