#pragma once

#include "TVK_Color_MatchIF.h"
#include "TVK_Color_ProfileIF.h"
#include "TVK_Color_WorldIF.h"

#include <QByteArray>
#include <QPoint>
#include <QString>

#include <memory>

class TVK_Color_Match;

// Creates the colour objects of the engine this system uses (LittleCMS 2).
class TVK_Color_Factory
{
public:
    // The profile of the monitor that shows the point: the X11 root-window
    // property "_ICC_PROFILE" ("_ICC_PROFILE_<n>" for the n-th screen), else the
    // profile colord assigned to the screen's output; null when there is none,
    // no display, or the platform is offscreen.
    static std::unique_ptr<TVK_Color_ProfileIF> monitorProfileAt(const QPoint &point);
    // sRGB (IEC 61966-2.1), what a desktop takes a monitor without a profile
    // to be. Null only when the engine cannot build it.
    static std::unique_ptr<TVK_Color_ProfileIF> standardMonitorProfile();
    // Null when the copy is not valid.
    static std::unique_ptr<TVK_Color_ProfileIF> copyOf(const TVK_Color_ProfileIF &profile);
    // Null when the file does not hold a valid profile.
    static std::unique_ptr<TVK_Color_ProfileIF> profileFromFile(const QString &path);
    // Null when the bytes do not hold a valid profile.
    static std::unique_ptr<TVK_Color_ProfileIF> profileFromBytes(const QByteArray &bytes);
    // The system colour folder followed by "AdobeRGB1998.icc".
    static QString defaultInputProfilePath();
    static std::unique_ptr<TVK_Color_Match> newMatch();

    // The pictures the camera delivers are Adobe RGB (1998), and a system without
    // that profile file would otherwise show them unmatched, so the default
    // input profile is the file when it opens and otherwise an equivalent profile
    // built in memory. Never null.
    static std::unique_ptr<TVK_Color_ProfileIF> defaultInputProfile();
    // The bytes of the built-in Adobe RGB (1998) compatible profile: D65 white,
    // the standard primaries and a pure gamma of 563/256.
    static QByteArray builtInInputProfileBytes();
    // profileFromFile(), except that the default input profile path always gives
    // defaultInputProfile(): the path is what callers name, the fallback is ours.
    static std::unique_ptr<TVK_Color_ProfileIF> profileFromFileOrDefault(const QString &path);

    // The transform between two profiles of this engine; null when either is of
    // another engine.
    static std::unique_ptr<TVK_Color_WorldIF> newWorld(const TVK_Color_ProfileIF &input,
                                                       const TVK_Color_ProfileIF &output,
                                                       int intent);
};
