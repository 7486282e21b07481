#include "TVK_Logic_ConverterVideoFileFormat.h"

#include "TVK_Commu_ProductTraits.h"

namespace {

constexpr char kTitle[] = "Video File Format";
constexpr char kLogPrefix[] = "TVK_Logic_ConverterVideoFileFormat::init";

constexpr TVK_Logic_ConverterBase::Entry kFormats[] = {
    {"MOV", 0},
    {"MP4", 1},
};

} // namespace

TVK_Logic_ConverterVideoFileFormat::TVK_Logic_ConverterVideoFileFormat(int productId,
                                                                       QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    init(productId);
}

void TVK_Logic_ConverterVideoFileFormat::init(int productId)
{
    const bool offered = TVK_Commu_ProductTraits::of(productId).has(TVK_Commu_ProductTraits::kLEFormatChoices);
    setTableIfOffered(offered, kFormats, productId, kLogPrefix, kTitle);
}
