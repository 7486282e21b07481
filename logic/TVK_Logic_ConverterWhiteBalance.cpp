#include "TVK_Logic_ConverterWhiteBalance.h"

#include "TVK_Commu_ProductTraits.h"

namespace {

constexpr char kTitle[] = "White Balance";
constexpr char kLogPrefix[] = "TVK_Logic_ConverterWhiteBalance::init";

constexpr TVK_Logic_ConverterBase::Entry k2009[] = {
    {"Auto", 0},
    {"Daylight", 1},
    {"Cloudy", 2},
    {"Shadow", 3},
    {"Tungsten", 4},
    {"HMI", 10},
    {"Fluorescent warm", 5},
    {"Fluorescent cool", 6},
    {"Flash", 7},
    {"Graycard", 8},
    {"Color Temperature", 9},
};

constexpr TVK_Logic_ConverterBase::Entry k2021[] = {
    {"Auto", 0},
    {"Daylight", 1},
    {"Cloudy", 2},
    {"Shadow", 3},
    {"Tungsten", 4},
    {"Fluorescent warm", 5},
    {"Fluorescent cool", 6},
    {"Flash", 7},
    {"Graycard", 8},
    {"Color Temperature", 9},
};

constexpr TVK_Logic_ConverterBase::Entry k2031[] = {
    {"Auto", 0},
    {"Daylight", 1},
    {"Cloudy", 2},
    {"Shadow", 3},
    {"Tungsten", 4},
    {"HMI", 5},
    {"Fluorescent warm", 6},
    {"Fluorescent cool", 7},
    {"Flash", 8},
    {"Graycard LiveView", 9},
    {"Color Temperature", 11},
};

constexpr TVK_Logic_ConverterBase::Entry k2061[] = {
    {"Auto", 0},
    {"Daylight", 1},
    {"Cloudy", 2},
    {"Shadow", 3},
    {"Tungsten", 4},
    {"Fluorescent warm", 6},
    {"Fluorescent cool", 7},
    {"Flash", 8},
    {"Graycard Photo", 10},
    {"Color Temperature", 11},
};

using Traits = TVK_Commu_ProductTraits;

constexpr TVK_Logic_ConverterBase::ListGroup kGroups[] = {
    {Traits::kLEWhiteBalanceArdo2, k2009},
    {Traits::kLEWhiteBalanceCora, k2021},
    {Traits::kLEWhiteBalanceArdo3, k2031},
    {Traits::kLEWhiteBalancePico, k2061},
};

// The early lists count "Color Temperature" as 9, all later ones as 11.
constexpr int kEarlyColorTemperature = 9;
constexpr int kColorTemperature = 11;

} // namespace

TVK_Logic_ConverterWhiteBalance::TVK_Logic_ConverterWhiteBalance(int productId, QObject *parent)
    : TVK_Logic_ConverterBase(parent)
    , m_productId(productId)
{
    init(productId);
}

void TVK_Logic_ConverterWhiteBalance::init(int productId)
{
    m_productId = productId;
    setTableForList(kGroups, Traits::of(productId).whiteBalance, productId, kLogPrefix, kTitle);
}

int TVK_Logic_ConverterWhiteBalance::colorTemperatureValue() const
{
    const Traits::eLEWhiteBalance list = Traits::of(m_productId).whiteBalance;
    const bool early = list == Traits::kLEWhiteBalanceArdo2 || list == Traits::kLEWhiteBalanceCora;
    return early ? kEarlyColorTemperature : kColorTemperature;
}
