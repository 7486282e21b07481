#include "TVK_Logic_ConverterVideoFileFormat.h"

namespace {

constexpr char kTitle[] = "Video File Format";
constexpr char kLogPrefix[] = "TVK_Logic_ConverterVideoFileFormat::init";

constexpr TVK_Logic_ConverterBase::Entry kFormats[] = {
    {"MOV", 0},
    {"MP4", 1},
};

constexpr TVK_Logic_ConverterBase::ProductGroup kGroups[] = {
    {{0x2041, 0x2044, 0x2047}, kFormats},
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
    setTableForProduct(kGroups, productId, kLogPrefix, kTitle);
}
