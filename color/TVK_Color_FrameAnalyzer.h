#pragma once

#include "TVK_Color_FrameAids.h"

class QImage;

// Computes the chosen aids of a picture in one pass over its rows, reading
// each pixel once and its luminance once, with the rows shared between the
// machine's cores; the results equal those of TVK_Color_Histogram,
// TVK_Color_Clipping and TVK_Color_FocusPeaking run one by one.
class TVK_Color_FrameAnalyzer
{
public:
    // From this many pixels on, the lower half of the rows is read by a
    // second thread; below it, starting one costs more than it saves.
    static constexpr qint64 kSplitPixels = qint64(1) << 15;

    static TVK_Color_FrameAids analyse(const QImage &image, const TVK_Color_FrameAids::Choice &choice);
};
