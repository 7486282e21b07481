#include "TVK_Color_FocusPeaking.h"

#include "TVK_Color_Histogram.h"

#include <algorithm>
#include <cstring>
#include <vector>

TVK_Color_FocusPeaking::TVK_Color_FocusPeaking(eLESensitivity sensitivity)
    : m_threshold(thresholdOf(sensitivity))
{
}

int TVK_Color_FocusPeaking::thresholdOf(eLESensitivity sensitivity)
{
    // More sensitive marks softer edges too: on a live-view frame "high"
    // shows the plane of focus widely, "low" only what is crisp.
    switch (sensitivity) {
    case kLEHigh:
        return 32;
    case kLELow:
        return 96;
    case kLEMedium:
        break;
    }
    return 56;
}

void TVK_Color_FocusPeaking::markRow(const uchar *above, const uchar *here, const uchar *below, uchar *marks,
                                     int width, int threshold)
{
    if (width <= 0)
        return;
    if (threshold < 0 || threshold >= 255) {
        // Every change, or none, is above it (changes are 0..255).
        std::memset(marks, threshold < 0 ? kMarked : 0, size_t(width));
    } else {
        // In bytes throughout, so that a row is compared many pixels at a time.
        const uchar limit = uchar(threshold);
        for (int x = 1; x + 1 < width; ++x) {
            const uchar across = std::max(here[x + 1], here[x - 1]) - std::min(here[x + 1], here[x - 1]);
            const uchar down = std::max(below[x], above[x]) - std::min(below[x], above[x]);
            marks[x] = std::max(across, down) > limit ? kMarked : 0;
        }
    }
    // The outer pixels lack a neighbour.
    marks[0] = 0;
    marks[width - 1] = 0;
}

QImage TVK_Color_FocusPeaking::marks(const QImage &image) const
{
    const QImage rgb = TVK_Color_Histogram::readable(image);
    if (rgb.isNull())
        return QImage();
    const int width = rgb.width();
    const int height = rgb.height();
    QImage out(rgb.size(), QImage::Format_Grayscale8);
    out.fill(0);
    if (width < 3 || height < 3)
        return out;
    // Three rows of luminance at a time: the row above, this one, the one below.
    std::vector<uchar> rows(size_t(3) * size_t(width));
    uchar *above = rows.data();
    uchar *here = above + width;
    uchar *below = here + width;
    const auto luminanceRow = [&rgb, width](int y, uchar *into) {
        TVK_Color_Histogram::luminanceRow(reinterpret_cast<const QRgb *>(rgb.constScanLine(y)), into, width);
    };
    luminanceRow(0, above);
    luminanceRow(1, here);
    for (int y = 1; y + 1 < height; ++y) {
        luminanceRow(y + 1, below);
        markRow(above, here, below, out.scanLine(y), width, m_threshold);
        uchar *oldest = above;
        above = here;
        here = below;
        below = oldest;
    }
    return out;
}
