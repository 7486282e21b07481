#include "TVK_Logic_ConverterWarning.h"

namespace {

constexpr char kLogPrefix[] = "TVK_Logic_ConverterWarning::init";

constexpr const char *kWarnings[] = {
    "Undefined Error",
    "Overheating",
    "USB Error",
    "Lens Error",
    "Shutter Error",
    "Card Open Error",
    "Bulb mode and Self timer",
};

constexpr TVK_Logic_ConverterBase::ProductGroup kGroups[] = {
    {{0x2009, 0x2011, 0x2021, 0x2051}, kWarnings},
};

} // namespace

TVK_Logic_ConverterWarning::TVK_Logic_ConverterWarning(int productId, QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    init(productId);
}

void TVK_Logic_ConverterWarning::init(int productId)
{
    setTableForProduct(kGroups, productId, kLogPrefix, nullptr);
}
