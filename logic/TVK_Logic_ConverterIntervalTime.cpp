#include "TVK_Logic_ConverterIntervalTime.h"

#include "TVK_Commu_ProductTraits.h"

namespace {

constexpr char kTitle[] = "Interval Time";
constexpr char kLogPrefix[] = "TVK_Logic_ConverterIntervalTime::init";

constexpr TVK_Logic_ConverterBase::Entry kUpTo1h[] = {
    {"2s", 2},
    {"3s", 3},
    {"4s", 4},
    {"5s", 5},
    {"10s", 10},
    {"15s", 15},
    {"20s", 20},
    {"25s", 25},
    {"30s", 30},
    {"45s", 45},
    {"1Min", 60},
    {"1.5Min", 90},
    {"2Min", 120},
    {"10Min", 600},
    {"30Min", 1800},
    {"1h", 3600},
};

constexpr TVK_Logic_ConverterBase::Entry kUpTo999s[] = {
    {"1s", 1},
    {"2s", 2},
    {"3s", 3},
    {"4s", 4},
    {"5s", 5},
    {"10s", 10},
    {"15s", 15},
    {"20s", 20},
    {"25s", 25},
    {"30s", 30},
    {"45s", 45},
    {"1Min", 60},
    {"1.5Min", 90},
    {"2Min", 120},
    {"10Min", 600},
    {"15Min", 900},
    {"999s", 999},
};

constexpr TVK_Logic_ConverterBase::Entry kUpTo89999s[] = {
    {"1s", 1},
    {"2s", 2},
    {"3s", 3},
    {"4s", 4},
    {"5s", 5},
    {"10s", 10},
    {"15s", 15},
    {"20s", 20},
    {"25s", 25},
    {"30s", 30},
    {"45s", 45},
    {"1Min", 60},
    {"1.5Min", 90},
    {"2Min", 120},
    {"10Min", 600},
    {"15Min", 900},
    {"89999s", 89999},
};

using Traits = TVK_Commu_ProductTraits;

constexpr TVK_Logic_ConverterBase::ListGroup kGroups[] = {
    {Traits::kLEIntervalTimeUpTo1h, kUpTo1h},
    {Traits::kLEIntervalTimeUpTo999s, kUpTo999s},
    {Traits::kLEIntervalTimeUpTo89999s, kUpTo89999s},
};

} // namespace

TVK_Logic_ConverterIntervalTime::TVK_Logic_ConverterIntervalTime(int productId, QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    init(productId);
}

void TVK_Logic_ConverterIntervalTime::init(int productId)
{
    setTableForList(kGroups, Traits::of(productId).intervalTime, productId, kLogPrefix, kTitle);
}
