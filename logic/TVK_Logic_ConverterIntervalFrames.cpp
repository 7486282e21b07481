#include "TVK_Logic_ConverterIntervalFrames.h"

#include "TVK_Commu_ProductTraits.h"

namespace {

constexpr char kTitle[] = "Interval Frames";
constexpr char kLogPrefix[] = "TVK_Logic_ConverterIntervalFrames::init";

constexpr TVK_Logic_ConverterBase::Entry kFrom5[] = {
    {"5 Frames", 5},
    {"10 Frames", 10},
    {"50 Frames", 50},
    {"100 Frames", 100},
    {"500 Frames", 500},
    {"1000 Frames", 1000},
    {"2500 Frames", 2500},
    {"5000 Frames", 5000},
    {"10000 Frames", 10000},
};

constexpr TVK_Logic_ConverterBase::Entry kFrom1[] = {
    {"1 Frame", 1},
    {"2 Frames", 2},
    {"5 Frames", 5},
    {"10 Frames", 10},
    {"50 Frames", 50},
    {"100 Frames", 100},
    {"500 Frames", 500},
    {"1000 Frames", 1000},
    {"2500 Frames", 2500},
    {"5000 Frames", 5000},
    {"9999 Frames", 9999},
};

using Traits = TVK_Commu_ProductTraits;

constexpr TVK_Logic_ConverterBase::ListGroup kGroups[] = {
    {Traits::kLEIntervalFramesFrom5, kFrom5},
    {Traits::kLEIntervalFramesFrom1, kFrom1},
};

} // namespace

TVK_Logic_ConverterIntervalFrames::TVK_Logic_ConverterIntervalFrames(int productId, QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    init(productId);
}

void TVK_Logic_ConverterIntervalFrames::init(int productId)
{
    setTableForList(kGroups, Traits::of(productId).intervalFrames, productId, kLogPrefix, kTitle);
}
