#include "TVK_Logic_ConverterIntervalFrames.h"

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

constexpr TVK_Logic_ConverterBase::ProductGroup kGroups[] = {
    {{0x2009, 0x2011, 0x2021, 0x2051}, kFrom5},
    {{0x2031, 0x2033, 0x2041, 0x2044, 0x2047, 0x2061}, kFrom1},
};

} // namespace

TVK_Logic_ConverterIntervalFrames::TVK_Logic_ConverterIntervalFrames(int productId, QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    init(productId);
}

void TVK_Logic_ConverterIntervalFrames::init(int productId)
{
    setTableForProduct(kGroups, productId, kLogPrefix, kTitle);
}
