#include "TVK_Logic_ConverterPhotoAspectRatio.h"

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

constexpr TVK_Logic_ConverterBase::ProductGroup kGroups[] = {
    {{0x2041, 0x2044, 0x2047}, kRatios},
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
    setTableForProduct(kGroups, productId, kLogPrefix, kTitle);
}
