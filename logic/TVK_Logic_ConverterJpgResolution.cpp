#include "TVK_Logic_ConverterJpgResolution.h"

namespace {

constexpr char kTitle[] = "JPG Resolution";
constexpr char kLogPrefix[] = "TVK_Logic_ConverterJpgResolution::init";

constexpr TVK_Logic_ConverterBase::Entry k37MP[] = {
    {"37.5 MP", 0},
    {"9.3 MP", 1},
    {"2.3 MP", 2},
};

constexpr const char *k24MP[] = {
    "24 MP",
    "12 MP",
    "6 MP",
    "1.7 MP",
};

constexpr TVK_Logic_ConverterBase::Entry k64MP[] = {
    {"64 MP", 6},
    {"24 MP", 7},
    {"4 MP", 8},
};

constexpr TVK_Logic_ConverterBase::Entry kSizes[] = {
    {"L-JPG", 3},
    {"M-JPG", 4},
    {"S-JPG", 5},
};

constexpr TVK_Logic_ConverterBase::ProductGroup kGroups[] = {
    {{0x2011, 0x2031}, k37MP},
    {{0x2021, 0x2051}, k24MP},
    {{0x2033}, k64MP},
    {{0x2041, 0x2044, 0x2047, 0x2061}, kSizes},
};

} // namespace

TVK_Logic_ConverterJpgResolution::TVK_Logic_ConverterJpgResolution(int productId, QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    init(productId);
}

void TVK_Logic_ConverterJpgResolution::init(int productId)
{
    setTableForProduct(kGroups, productId, kLogPrefix, kTitle);
}
