#include "TVK_Logic_ConverterBracketDeltaEV.h"

namespace {

constexpr char kTitle[] = "Bracketing Delta EV";
constexpr char kLogPrefix[] = "TVK_Logic_ConverterBracketDeltaEV::init";

constexpr TVK_Logic_ConverterBase::Entry k2041[] = {
    {"1 EV", 1000},
    {"2 EV", 2000},
    {"3 EV", 3000},
};

constexpr TVK_Logic_ConverterBase::Entry k2044[] = {
    {"1/3 EV", 333},
    {"2/3 EV", 667},
    {"1 EV", 1000},
    {"1 1/3 EV", 1333},
    {"1 2/3 EV", 1667},
    {"2 EV", 2000},
    {"2 1/3 EV", 2333},
    {"2 2/3 EV", 2667},
    {"3 EV", 3000},
};

constexpr TVK_Logic_ConverterBase::Entry k2061[] = {
    {"0.3 EV", 333},
    {"0.7 EV", 667},
    {"1 EV", 1000},
    {"2 EV", 2000},
    {"3 EV", 3000},
};

constexpr TVK_Logic_ConverterBase::Entry kOthers[] = {
    {"0.5 EV", 500},
    {"1 EV", 1000},
    {"2 EV", 2000},
    {"3 EV", 3000},
};

constexpr TVK_Logic_ConverterBase::ProductGroup kGroups[] = {
    {{0x2041}, k2041},
    {{0x2044, 0x2047}, k2044},
    {{0x2061}, k2061},
    {{TVK_Logic_ConverterBase::kEveryOtherProduct}, kOthers},
};

} // namespace

TVK_Logic_ConverterBracketDeltaEV::TVK_Logic_ConverterBracketDeltaEV(int productId, QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    init(productId);
}

void TVK_Logic_ConverterBracketDeltaEV::init(int productId)
{
    setTableForProduct(kGroups, productId, kLogPrefix, kTitle);
}
