#include "TVK_Logic_ConverterFileFormat.h"

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

constexpr TVK_Logic_ConverterBase::ProductGroup kGroups[] = {
    {{0x2009, 0x2011, 0x2021}, kWithQuality},
    {{0x2031, 0x2033, 0x2041, 0x2044, 0x2047, 0x2051, 0x2061}, kWithoutQuality},
};

} // namespace

TVK_Logic_ConverterFileFormat::TVK_Logic_ConverterFileFormat(int productId, QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    init(productId);
}

void TVK_Logic_ConverterFileFormat::init(int productId)
{
    setTableForProduct(kGroups, productId, kLogPrefix, kTitle);
}
