#include "TVK_Logic_ConverterDriveMode.h"

#include "TVK_Commu_ProductTraits.h"

namespace {

constexpr char kTitle[] = "Drive Mode";
constexpr char kLogPrefix[] = "TVK_Logic_ConverterDriveMode::init";

constexpr TVK_Logic_ConverterBase::Entry k2041[] = {
    {"Single", 0},
    {"Continuous Low Speed", 6},
    {"Continuous Medium Speed", 7},
    {"Continuous High Speed", 8},
    {"Self Timer 2 s", 2},
    {"Self Timer 12 s", 3},
    {"Interval", 5},
    {"Exposure Bracketing", 4},
};

constexpr TVK_Logic_ConverterBase::Entry k2044[] = {
    {"Single", 0},
    {"Continuous Low Speed", 6},
    {"Continuous Medium Speed", 7},
    {"Continuous High Speed", 8},
    {"Continuous Very High Speed", 9},
    {"Self Timer 2 s", 2},
    {"Self Timer 12 s", 3},
    {"Interval", 5},
    {"Exposure Bracketing", 4},
};

constexpr TVK_Logic_ConverterBase::Entry k2061[] = {
    {"Single", 0},
    {"Continuous", 1},
    {"Self Timer 2s", 2},
    {"Self Timer 12s", 3},
    {"Interval", 5},
    {"Bracketing", 4},
};

constexpr TVK_Logic_ConverterBase::Entry kOthers[] = {
    {"Single", 0},
    {"Continuous", 1},
    {"Interval", 5},
    {"Self Timer 2s", 2},
    {"Self Timer 12s", 3},
    {"Bracketing", 4},
};

using Traits = TVK_Commu_ProductTraits;

constexpr TVK_Logic_ConverterBase::ListGroup kGroups[] = {
    {Traits::kLEDriveModeVelia, k2041},
    {Traits::kLEDriveModeVelia2, k2044},
    {Traits::kLEDriveModePico, k2061},
    {Traits::kLEDriveModeBasic, kOthers},
};

} // namespace

TVK_Logic_ConverterDriveMode::TVK_Logic_ConverterDriveMode(int productId, QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    init(productId);
}

void TVK_Logic_ConverterDriveMode::init(int productId)
{
    setTableForList(kGroups, Traits::of(productId).driveMode, productId, kLogPrefix, kTitle);
}
