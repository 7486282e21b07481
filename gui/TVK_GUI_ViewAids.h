#pragma once

#include "TVK_Color_FrameAids.h"

#include <QColor>
#include <QString>

// The viewing aids a photographer switched on for live view or the quick
// view, and how they look; kept per product in the settings file. A value:
// the tool strip edits it, the overlay paints by it, the analysis stage takes
// its Choice part.
struct TVK_GUI_ViewAids {
    enum eLEGuide { kLEGuideNone, kLEThirds, kLEGolden, kLEDiagonals, kLECentreCross, kLEGrid, kLEGuideCount };
    enum eLECrop { kLECropNone, kLECrop1x1, kLECrop4x5, kLECrop5x4, kLECrop16x9, kLECrop2x3, kLECropCount };
    enum eLEPeakingColour { kLERed, kLEGreen, kLEBlue, kLEWhite, kLEYellow, kLEPeakingColourCount };
    enum eLEClippingStyle { kLEStripes, kLEBlink };
    enum eLEHistogramKind { kLELuminance, kLERgb };

    TVK_Color_FrameAids::Choice analysis;
    eLEHistogramKind histogramKind = kLELuminance;
    bool histogramLogarithmic = false;
    eLEClippingStyle clippingStyle = kLEStripes;
    eLEPeakingColour peakingColour = kLERed;
    eLEGuide guide = kLEGuideNone;
    eLECrop crop = kLECropNone;
    bool onionSkin = false;
    double onionOpacity = 0.4; // 0..1

    static QColor colourOf(eLEPeakingColour colour);

    bool operator==(const TVK_GUI_ViewAids &other) const;
    bool operator!=(const TVK_GUI_ViewAids &other) const { return !(*this == other); }
};
