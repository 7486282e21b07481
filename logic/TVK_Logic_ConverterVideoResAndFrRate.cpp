#include "TVK_Logic_ConverterVideoResAndFrRate.h"

#include "TVK_Commu_ProductTraits.h"

namespace {

constexpr char kTitle[] = "Video Resolution";
constexpr char kLogPrefix[] = "TVK_Logic_ConverterVideoResAndFrRate::init";

constexpr TVK_Logic_ConverterBase::Entry k2021[] = {
    {"1920x1080p @ 25fps", 8},
    {"1920x1080p @ 24fps", 9},
    {"1280x720p @ 25fps", 15},
    {"1280x720p @ 24fps", 16},
    {"640x480 @ 30fps", 17},
    {"640x480 @ 25fps", 18},
};

constexpr TVK_Logic_ConverterBase::Entry k2031[] = {
    {"4096x2160p @ 24fps", 0},
    {"1920x1080p @ 30fps", 7},
    {"1920x1080p @ 25fps", 8},
    {"1920x1080p @ 24fps", 9},
};

constexpr TVK_Logic_ConverterBase::Entry k2041[] = {
    {"4096x2160p @ 24fps", 0},
    {"3840x2160p @ 30fps", 1},
    {"3840x2160p @ 25fps", 2},
    {"1920x1080p @ 120fps", 3},
    {"1920x1080p @ 100fps", 4},
    {"1920x1080p @ 60fps", 5},
    {"1920x1080p @ 50fps", 6},
    {"1920x1080p @ 30fps", 7},
    {"1920x1080p @ 25fps", 8},
    {"1920x1080p @ 24fps", 9},
    {"1280x720p @ 120fps", 10},
    {"1280x720p @ 100fps", 11},
    {"1280x720p @ 60fps", 12},
    {"1280x720p @ 50fps", 13},
    {"1280x720p @ 30fps", 14},
    {"1280x720p @ 25fps", 15},
};

constexpr TVK_Logic_ConverterBase::Entry k2051[] = {
    {"1920x1080p @ 25fps", 8},
    {"1920x1080p @ 24fps", 9},
    {"1280x720p @ 25fps", 15},
    {"1280x720p @ 24fps", 16},
};

using Traits = TVK_Commu_ProductTraits;

constexpr TVK_Logic_ConverterBase::ListGroup kGroups[] = {
    {Traits::kLEVideoResCora, k2021},
    {Traits::kLEVideoResArdo3, k2031},
    {Traits::kLEVideoResVelia, k2041},
    {Traits::kLEVideoResCoraCine, k2051},
};

} // namespace

TVK_Logic_ConverterVideoResAndFrRate::TVK_Logic_ConverterVideoResAndFrRate(int productId,
                                                                           QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    init(productId);
}

void TVK_Logic_ConverterVideoResAndFrRate::init(int productId)
{
    setTableForList(kGroups, Traits::of(productId).videoResAndFrRate, productId, kLogPrefix, kTitle);
}
