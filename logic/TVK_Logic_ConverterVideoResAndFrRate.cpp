#include "TVK_Logic_ConverterVideoResAndFrRate.h"

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

constexpr TVK_Logic_ConverterBase::ProductGroup kGroups[] = {
    {{0x2021}, k2021},
    {{0x2031, 0x2033}, k2031},
    {{0x2041, 0x2044, 0x2047}, k2041},
    {{0x2051}, k2051},
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
    setTableForProduct(kGroups, productId, kLogPrefix, kTitle);
}
