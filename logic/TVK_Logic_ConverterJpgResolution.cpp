#include "TVK_Logic_ConverterJpgResolution.h"

#include "TVK_Commu_ProductTraits.h"

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

using Traits = TVK_Commu_ProductTraits;

constexpr TVK_Logic_ConverterBase::ListGroup kGroups[] = {
    {Traits::kLEJpgResolution37MP, k37MP},
    {Traits::kLEJpgResolution24MP, k24MP},
    {Traits::kLEJpgResolution64MP, k64MP},
    {Traits::kLEJpgResolutionSizes, kSizes},
};

} // namespace

TVK_Logic_ConverterJpgResolution::TVK_Logic_ConverterJpgResolution(int productId, QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    init(productId);
}

void TVK_Logic_ConverterJpgResolution::init(int productId)
{
    setTableForList(kGroups, Traits::of(productId).jpgResolution, productId, kLogPrefix, kTitle);
}
