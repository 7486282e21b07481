#include "TVK_Logic_ConverterSet.h"

#include "TVK_Logic_Camera.h"

namespace {

using M = TVK_Logic_Camera;
using Set = TVK_Logic_ConverterSet;

constexpr bool kForProduct = true;
constexpr bool kAnyProduct = false;

} // namespace

template <typename Converter, bool forProduct>
void TVK_Logic_ConverterSet::make(TVK_Logic_ConverterSet &set, int productId)
{
    auto &slot = std::get<std::unique_ptr<Converter>>(set.m_converters);
    if constexpr (forProduct)
        slot = std::make_unique<Converter>(productId);
    else
        slot = std::make_unique<Converter>();
}

TVK_Logic_ConverterSet::TVK_Logic_ConverterSet() = default;

TVK_Logic_ConverterSet::~TVK_Logic_ConverterSet()
{
    clear();
}

void TVK_Logic_ConverterSet::create(TVK_Logic_Camera &camera, int productId)
{
    struct Row
    {
        bool (M::*offered)(); // nullptr: every camera
        void (*make)(Set &, int productId);
    };
    // In the order they are made; the shutter-time converter comes first.
    static const Row rows[] = {
        {nullptr, &make<TVK_Logic_APEXConverterShutterTime, kForProduct>},
        {&M::hasOrientation, &make<TVK_Logic_ConverterOrientation, kAnyProduct>},
        {&M::hasAudioLevel, &make<TVK_Logic_ConverterAudioLevel, kAnyProduct>},
        {&M::hasAutoreviewDuration, &make<TVK_Logic_ConverterAutoreviewDuration, kAnyProduct>},
        {&M::hasAutoPowerOff, &make<TVK_Logic_ConverterAutoPowerOff, kAnyProduct>},
        {nullptr, &make<TVK_Logic_ConverterBracketDeltaEV, kForProduct>},
        {nullptr, &make<TVK_Logic_ConverterBracketImgNum, kAnyProduct>},
        {&M::hasDngCompression, &make<TVK_Logic_ConverterDngCompression, kAnyProduct>},
        {nullptr, &make<TVK_Logic_ConverterDriveMode, kForProduct>},
        {nullptr, &make<TVK_Logic_ConverterExposCompens, kForProduct>},
        {nullptr, &make<TVK_Logic_ConverterExposMetering, kAnyProduct>},
        {nullptr, &make<TVK_Logic_ConverterFileFormat, kForProduct>},
        {&M::hasFocusDistance, &make<TVK_Logic_ConverterFocusDistance, kAnyProduct>},
        {nullptr, &make<TVK_Logic_ConverterIntervalFrames, kForProduct>},
        {nullptr, &make<TVK_Logic_ConverterIntervalTime, kForProduct>},
        {&M::hasJpgColorSpace, &make<TVK_Logic_ConverterJpgColorSpace, kAnyProduct>},
        {&M::hasJpgResolution, &make<TVK_Logic_ConverterJpgResolution, kForProduct>},
        {&M::hasSensorFormat, &make<TVK_Logic_ConverterSensorFormat, kForProduct>},
        {&M::hasPhotoAspectRatio, &make<TVK_Logic_ConverterPhotoAspectRatio, kForProduct>},
        {&M::hasVideoFileFormat, &make<TVK_Logic_ConverterVideoFileFormat, kForProduct>},
        {&M::hasVideoResAndFrRate, &make<TVK_Logic_ConverterVideoResAndFrRate, kForProduct>},
        {&M::hasVideoFormatResol, &make<TVK_Logic_ConverterVideoFormatResol, kForProduct>},
        {&M::hasContrast, &make<TVK_Logic_ConverterContrast, kAnyProduct>},
        {&M::hasSharpness, &make<TVK_Logic_ConverterSharpness, kAnyProduct>},
        {&M::hasSaturation, &make<TVK_Logic_ConverterSaturation, kAnyProduct>},
        {&M::hasMonochrome, &make<TVK_Logic_ConverterMonochrome, kAnyProduct>},
        {nullptr, &make<TVK_Logic_ConverterSensitivity, kForProduct>},
        {&M::hasWarnings, &make<TVK_Logic_ConverterWarning, kForProduct>},
        {&M::hasWhiteBalance, &make<TVK_Logic_ConverterWhiteBalance, kForProduct>},
        {&M::hasWhiteBalance, &make<TVK_Logic_ConverterWhiteBalTemp, kForProduct>},
    };
    clear();
    // Rows in a row that share a query ask it once: a camera model without
    // settings logs that once for the white-balance pair.
    bool (M::*asked)() = nullptr;
    bool offered = true;
    for (const Row &row : rows) {
        if (row.offered != asked) {
            asked = row.offered;
            offered = asked == nullptr || (camera.*asked)();
        }
        if (offered)
            row.make(*this, productId);
    }
}

void TVK_Logic_ConverterSet::clear()
{
    // Left to right: the members' order is the order of destruction.
    std::apply([](auto &...converter) { (converter.reset(), ...); }, m_converters);
}
