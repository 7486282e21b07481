#pragma once

#include "TVK_Logic_APEXConverterShutterTime.h"
#include "TVK_Logic_ConverterAudioLevel.h"
#include "TVK_Logic_ConverterAutoPowerOff.h"
#include "TVK_Logic_ConverterAutoreviewDuration.h"
#include "TVK_Logic_ConverterBracketDeltaEV.h"
#include "TVK_Logic_ConverterBracketImgNum.h"
#include "TVK_Logic_ConverterContrast.h"
#include "TVK_Logic_ConverterDngCompression.h"
#include "TVK_Logic_ConverterDriveMode.h"
#include "TVK_Logic_ConverterExposCompens.h"
#include "TVK_Logic_ConverterExposMetering.h"
#include "TVK_Logic_ConverterFileFormat.h"
#include "TVK_Logic_ConverterFocusDistance.h"
#include "TVK_Logic_ConverterIntervalFrames.h"
#include "TVK_Logic_ConverterIntervalTime.h"
#include "TVK_Logic_ConverterJpgColorSpace.h"
#include "TVK_Logic_ConverterJpgResolution.h"
#include "TVK_Logic_ConverterMonochrome.h"
#include "TVK_Logic_ConverterOrientation.h"
#include "TVK_Logic_ConverterPhotoAspectRatio.h"
#include "TVK_Logic_ConverterSaturation.h"
#include "TVK_Logic_ConverterSensitivity.h"
#include "TVK_Logic_ConverterSensorFormat.h"
#include "TVK_Logic_ConverterSharpness.h"
#include "TVK_Logic_ConverterVideoFileFormat.h"
#include "TVK_Logic_ConverterVideoFormatResol.h"
#include "TVK_Logic_ConverterVideoResAndFrRate.h"
#include "TVK_Logic_ConverterWarning.h"
#include "TVK_Logic_ConverterWhiteBalTemp.h"
#include "TVK_Logic_ConverterWhiteBalance.h"

#include <memory>
#include <tuple>

class TVK_Logic_Camera;

// The connected camera's converters, one per setting it offers, and the
// shutter-time APEX converter; empty while no camera is connected. Which
// converter a camera gets, and whether it is made with the product id, is one
// table row each (in the .cpp), kept in the order they are made.
//
// Controller thread only.
class TVK_Logic_ConverterSet
{
public:
    TVK_Logic_ConverterSet();
    ~TVK_Logic_ConverterSet();

    TVK_Logic_ConverterSet(const TVK_Logic_ConverterSet &) = delete;
    TVK_Logic_ConverterSet &operator=(const TVK_Logic_ConverterSet &) = delete;

    // Empties the set, then makes what the camera offers for productId.
    void create(TVK_Logic_Camera &camera, int productId);
    // Destroys them in the order of m_converters below.
    void clear();

    // nullptr while the connected camera has no such converter (or none is
    // connected).
    template <typename Converter>
    Converter *get() const
    {
        return std::get<std::unique_ptr<Converter>>(m_converters).get();
    }

private:
    template <typename Converter, bool forProduct>
    static void make(TVK_Logic_ConverterSet &set, int productId);

    // In the order clear() destroys them: white-balance temperature first,
    // audio level last of the settings, the shutter-time converter after all
    // of them. Whoever watches a converter's destroyed() sees this order on
    // every disconnect, as always; it is not free to change.
    std::tuple<std::unique_ptr<TVK_Logic_ConverterWhiteBalTemp>, std::unique_ptr<TVK_Logic_ConverterWhiteBalance>,
               std::unique_ptr<TVK_Logic_ConverterWarning>, std::unique_ptr<TVK_Logic_ConverterJpgResolution>,
               std::unique_ptr<TVK_Logic_ConverterVideoFormatResol>,
               std::unique_ptr<TVK_Logic_ConverterVideoResAndFrRate>,
               std::unique_ptr<TVK_Logic_ConverterVideoFileFormat>, std::unique_ptr<TVK_Logic_ConverterSensorFormat>,
               std::unique_ptr<TVK_Logic_ConverterSensitivity>, std::unique_ptr<TVK_Logic_ConverterPhotoAspectRatio>,
               std::unique_ptr<TVK_Logic_ConverterOrientation>, std::unique_ptr<TVK_Logic_ConverterJpgColorSpace>,
               std::unique_ptr<TVK_Logic_ConverterIntervalTime>, std::unique_ptr<TVK_Logic_ConverterIntervalFrames>,
               std::unique_ptr<TVK_Logic_ConverterFocusDistance>, std::unique_ptr<TVK_Logic_ConverterFileFormat>,
               std::unique_ptr<TVK_Logic_ConverterExposMetering>, std::unique_ptr<TVK_Logic_ConverterExposCompens>,
               std::unique_ptr<TVK_Logic_ConverterDriveMode>, std::unique_ptr<TVK_Logic_ConverterDngCompression>,
               std::unique_ptr<TVK_Logic_ConverterMonochrome>, std::unique_ptr<TVK_Logic_ConverterSaturation>,
               std::unique_ptr<TVK_Logic_ConverterSharpness>, std::unique_ptr<TVK_Logic_ConverterContrast>,
               std::unique_ptr<TVK_Logic_ConverterBracketImgNum>, std::unique_ptr<TVK_Logic_ConverterBracketDeltaEV>,
               std::unique_ptr<TVK_Logic_ConverterAutoreviewDuration>,
               std::unique_ptr<TVK_Logic_ConverterAutoPowerOff>, std::unique_ptr<TVK_Logic_ConverterAudioLevel>,
               std::unique_ptr<TVK_Logic_APEXConverterShutterTime>>
        m_converters;
};
