#include "TVK_GUI_ViewAids.h"

QColor TVK_GUI_ViewAids::colourOf(eLEPeakingColour colour)
{
    switch (colour) {
    case kLEGreen:
        return QColor(0, 255, 0);
    case kLEBlue:
        return QColor(40, 120, 255);
    case kLEWhite:
        return QColor(255, 255, 255);
    case kLEYellow:
        return QColor(255, 230, 0);
    case kLERed:
    default:
        // A value read from an old or edited settings file still shows.
        return QColor(255, 0, 0);
    }
}

bool TVK_GUI_ViewAids::operator==(const TVK_GUI_ViewAids &other) const
{
    return analysis == other.analysis && histogramKind == other.histogramKind
           && histogramLogarithmic == other.histogramLogarithmic && clippingStyle == other.clippingStyle
           && peakingColour == other.peakingColour && guide == other.guide && crop == other.crop
           && onionSkin == other.onionSkin && onionOpacity == other.onionOpacity;
}
