#include "TVK_Logic_ConverterBracketDeltaEV.h"

#include "TVK_Commu_ProductTraits.h"

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

using Traits = TVK_Commu_ProductTraits;

constexpr TVK_Logic_ConverterBase::ListGroup kGroups[] = {
    {Traits::kLEBracketDeltaEVVelia, k2041},
    {Traits::kLEBracketDeltaEVVelia2, k2044},
    {Traits::kLEBracketDeltaEVPico, k2061},
    {Traits::kLEBracketDeltaEVHalf, kOthers},
};

} // namespace

TVK_Logic_ConverterBracketDeltaEV::TVK_Logic_ConverterBracketDeltaEV(int productId, QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    init(productId);
}

void TVK_Logic_ConverterBracketDeltaEV::init(int productId)
{
    setTableForList(kGroups, Traits::of(productId).bracketDeltaEV, productId, kLogPrefix, kTitle);
}
