#include "TVK_Logic_ConverterFileFormat.h"

#include "TVK_Commu_ProductTraits.h"

namespace {

constexpr char kTitle[] = "File Format";
constexpr char kLogPrefix[] = "TVK_Logic_ConverterFileFormat::init";

constexpr const char *kWithQuality[] = {
    "DNG",
    "DNG + JPG (fine)",
    "DNG + JPG (basic)",
    "JPG (fine)",
    "JPG (basic)",
};

constexpr TVK_Logic_ConverterBase::Entry kWithoutQuality[] = {
    {"DNG", 0},
    {"DNG + JPG", 1},
    {"JPG", 3},
};

using Traits = TVK_Commu_ProductTraits;

constexpr TVK_Logic_ConverterBase::ListGroup kGroups[] = {
    {Traits::kLEFileFormatWithQuality, kWithQuality},
    {Traits::kLEFileFormatWithoutQuality, kWithoutQuality},
};

} // namespace

TVK_Logic_ConverterFileFormat::TVK_Logic_ConverterFileFormat(int productId, QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    init(productId);
}

void TVK_Logic_ConverterFileFormat::init(int productId)
{
    setTableForList(kGroups, Traits::of(productId).fileFormat, productId, kLogPrefix, kTitle);
}
