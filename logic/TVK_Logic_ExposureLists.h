#pragma once

#include <QString>
#include <QStringList>

class TVK_Logic_APEXConverterShutterTime;

// The aperture and shutter-time lists the panel offers, worked out from the
// camera's limits and its step alone: no camera, no controller, so each
// product's lists can be checked as a table.
class TVK_Logic_ExposureLists
{
public:
    // Shown for the aperture when no lens is there; the last shutter time.
    static const char kNoAperture[];
    static const char kBulbText[];
    // No list grows beyond this, whatever nonsense a lens record carries.
    static constexpr int kMaxSteps = 1000;

    // The step in EV of an exposure-compensation step size (333, 500, 1000)
    // or of a lens's aperture steps (1 whole, 2 half, 3 third); 0 for any
    // other value.
    static double stepFromExposCompensStep(int step);
    static double stepFromApertureSteps(int steps);

    // The f-numbers from open to close, the stops between them counted in
    // steps of stepEv from f/1; only "--" without a lens or a step.
    static QStringList apertures(bool lensConnected, double open, double close, double stepEv);
    // The times from shortest (seconds) in steps of stepEv up to longest,
    // then bulb; empty for a step that is not positive.
    static QStringList shutterTimes(const TVK_Logic_APEXConverterShutterTime &converter, double shortest,
                                    double longest, double stepEv);
};
