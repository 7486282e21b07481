#include "TVK_Logic_ConverterWarning.h"

#include "TVK_Commu_ProductTraits.h"

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

} // namespace

TVK_Logic_ConverterWarning::TVK_Logic_ConverterWarning(int productId, QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    init(productId);
}

void TVK_Logic_ConverterWarning::init(int productId)
{
    const bool offered = TVK_Commu_ProductTraits::of(productId).has(TVK_Commu_ProductTraits::kLEWarnings);
    setTableIfOffered(offered, kWarnings, productId, kLogPrefix, nullptr);
}
