#include "TVK_Logic_ConverterPhotoAspectRatio.h"

#include "TVK_Commu_ProductTraits.h"

namespace {

constexpr char kTitle[] = "Photo Aspect Ratio";
constexpr char kLogPrefix[] = "TVK_Logic_ConverterPhotoAspectRatio::init";

constexpr TVK_Logic_ConverterBase::Entry kRatios[] = {
    {"3:2", 0},
    {"7:5", 1},
    {"4:3", 2},
    {"1:1", 3},
    {"3:1", 4},
    {"16:9", 5},
};

} // namespace

TVK_Logic_ConverterPhotoAspectRatio::TVK_Logic_ConverterPhotoAspectRatio(int productId,
                                                                         QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    init(productId);
}

void TVK_Logic_ConverterPhotoAspectRatio::init(int productId)
{
    const bool offered = TVK_Commu_ProductTraits::of(productId).has(TVK_Commu_ProductTraits::kLEFormatChoices);
    setTableIfOffered(offered, kRatios, productId, kLogPrefix, kTitle);
}
