#pragma once

#include "TVK_Color_Clipping.h"
#include "TVK_Color_FocusPeaking.h"
#include "TVK_Color_Histogram.h"

#include <QImage>
#include <QMetaType>

// What the exposure and focus aids found in one picture, made off the GUI
// thread and handed to the viewer as a value. sourceKey names the frame it
// was made from (QImage::cacheKey), so a viewer never lays the marks of one
// frame over another.
struct TVK_Color_FrameAids {
    // Which aids to compute, and how.
    struct Choice {
        bool histogram = false;
        bool clipping = false;
        bool peaking = false;
        int highlight = TVK_Color_Clipping::kDefaultHighlight;
        int shadow = TVK_Color_Clipping::kDefaultShadow;
        TVK_Color_FocusPeaking::eLESensitivity sensitivity = TVK_Color_FocusPeaking::kLEMedium;
        // Every step-th pixel of every step-th row counts for the histogram.
        int histogramStep = 1;

        bool any() const { return histogram || clipping || peaking; }
        bool operator==(const Choice &other) const
        {
            return histogram == other.histogram && clipping == other.clipping && peaking == other.peaking
                   && highlight == other.highlight && shadow == other.shadow && sensitivity == other.sensitivity
                   && histogramStep == other.histogramStep;
        }
        bool operator!=(const Choice &other) const { return !(*this == other); }
    };

    qint64 sourceKey = 0;
    QSize sourceSize;
    bool hasHistogram = false;
    TVK_Color_Histogram histogram;
    // TVK_Color_Clipping::eLEMark values, the source's size; null when not asked.
    QImage clipping;
    // TVK_Color_FocusPeaking::kMarked on edges, the source's size; null when not asked.
    QImage peaking;
};

Q_DECLARE_METATYPE(TVK_Color_FrameAids)
