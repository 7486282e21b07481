#include "TVK_Logic_ConverterWhiteBalance.h"

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

constexpr TVK_Logic_ConverterBase::ProductGroup kGroups[] = {
    {{0x2009, 0x2011}, k2009},
    {{0x2021}, k2021},
    {{0x2031, 0x2033, 0x2041, 0x2044, 0x2047}, k2031},
    {{0x2061}, k2061},
};

// The early cameras count "Color Temperature" as 9, all later ones as 11.
constexpr int kEarlyNumbering[] = {0x2009, 0x2011, 0x2021};
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
    setTableForProduct(kGroups, productId, kLogPrefix, kTitle);
}

int TVK_Logic_ConverterWhiteBalance::colorTemperatureValue() const
{
    return containsProduct(kEarlyNumbering, m_productId) ? kEarlyColorTemperature
                                                         : kColorTemperature;
}
