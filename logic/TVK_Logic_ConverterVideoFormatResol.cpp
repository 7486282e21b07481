#include "TVK_Logic_ConverterVideoFormatResol.h"

#include "TVK_Commu_ProductTraits.h"

namespace {

constexpr char kTitle[] = "Video Resolution";
constexpr char kLogPrefix[] = "TVK_Logic_ConverterVideoFormatResol::init";

constexpr TVK_Logic_ConverterBase::Entry kFormats[] = {
    {"MOV 4096x2160p @ 24fps", 0},
    {"MP4 4096x2160p @ 24fps", 1},
    {"MOV 3840x2160p @ 30fps", 2},
    {"MP4 3840x2160p @ 30fps", 3},
    {"MOV 3840x2160p @ 25fps", 4},
    {"MP4 3840x2160p @ 25fps", 5},
    // The camera numbers these two 28 and 29, though its menu lists them here.
    {"MOV 3840x2160p @ 24fps", 28},
    {"MP4 3840x2160p @ 24fps", 29},
    {"MP4 1920x1080p @ 120fps", 6},
    {"MP4 1920x1080p @ 100fps", 7},
    {"MOV 1920x1080p @ 60fps", 8},
    {"MP4 1920x1080p @ 60fps", 9},
    {"MOV 1920x1080p @ 50fps", 10},
    {"MP4 1920x1080p @ 50fps", 11},
    {"MOV 1920x1080p @ 30fps", 12},
    {"MP4 1920x1080p @ 30fps", 13},
    {"MOV 1920x1080p @ 25fps", 14},
    {"MP4 1920x1080p @ 25fps", 15},
    {"MOV 1920x1080p @ 24fps", 16},
    {"MP4 1920x1080p @ 24fps", 17},
    {"MP4 1280x720p @ 120fps", 18},
    {"MP4 1280x720p @ 100fps", 19},
    {"MOV 1280x720p @ 60fps", 20},
    {"MP4 1280x720p @ 60fps", 21},
    {"MOV 1280x720p @ 50fps", 22},
    {"MP4 1280x720p @ 50fps", 23},
    {"MOV 1280x720p @ 30fps", 24},
    {"MP4 1280x720p @ 30fps", 25},
    {"MOV 1280x720p @ 25fps", 26},
    {"MP4 1280x720p @ 25fps", 27},
};

} // namespace

TVK_Logic_ConverterVideoFormatResol::TVK_Logic_ConverterVideoFormatResol(int productId,
                                                                         QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    init(productId);
}

void TVK_Logic_ConverterVideoFormatResol::init(int productId)
{
    const bool offered = TVK_Commu_ProductTraits::of(productId).has(TVK_Commu_ProductTraits::kLEFormatChoices);
    setTableIfOffered(offered, kFormats, productId, kLogPrefix, kTitle);
}
