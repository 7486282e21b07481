#pragma once

#include "TVK_Emulator_PictureMaker.h"

class TVK_Emulator_Camera;

// What the camera writes into a picture about how it was taken: its shutter
// time, aperture, sensitivity and compensation as the settings stand at the
// release, and the mounted lens. Each product keeps these its own way (device
// properties, the settings record of either layout, the lens record); this is
// where they become the nominal values a picture file carries.
class TVK_Emulator_ShotSettings
{
public:
    TVK_Emulator_ShotSettings() = delete;

    // Called with the camera's state lock held (it is taken again inside).
    static TVK_Emulator_PictureMaker::Shot atRelease(const TVK_Emulator_Camera &camera);

    // The conversions, for the tests that set a code and read the file.
    // Shutter codes and aperture codes are APEX Tv and Av in 1/256 EV.
    static TVK_Emulator_PictureMaker::Rational exposureTime(qint64 shutterCode);
    static TVK_Emulator_PictureMaker::Rational fNumber(qint64 apertureCode);
    static TVK_Emulator_PictureMaker::SignedRational compensation(qint64 milliEv);
};
