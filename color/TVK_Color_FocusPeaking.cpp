#include "TVK_Color_FocusPeaking.h"

#include "TVK_Color_Histogram.h"

#include <cstdlib>
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

QImage TVK_Color_FocusPeaking::marks(const QImage &image) const
{
    if (image.isNull())
        return QImage();
    const bool direct = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
    const QImage rgb = direct ? image : image.convertToFormat(QImage::Format_RGB32);
    const int width = rgb.width();
    const int height = rgb.height();
    // Three rows of luminance at a time: the row above, this one, the one below.
    std::vector<uchar> rows(size_t(3) * size_t(width));
    const auto luminanceRow = [&rgb, width](int y, uchar *into) {
        const auto *in = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < width; ++x)
            into[x] = uchar(TVK_Color_Histogram::luminance(qRed(in[x]), qGreen(in[x]), qBlue(in[x])));
    };
    QImage out(rgb.size(), QImage::Format_Grayscale8);
    out.fill(0);
    if (width < 3 || height < 3)
        return out;
    uchar *above = rows.data();
    uchar *here = above + width;
    uchar *below = here + width;
    luminanceRow(0, above);
    luminanceRow(1, here);
    for (int y = 1; y + 1 < height; ++y) {
        luminanceRow(y + 1, below);
        uchar *mark = out.scanLine(y);
        for (int x = 1; x + 1 < width; ++x) {
            const int across = std::abs(int(here[x + 1]) - int(here[x - 1]));
            const int down = std::abs(int(below[x]) - int(above[x]));
            if (across > m_threshold || down > m_threshold)
                mark[x] = kMarked;
        }
        uchar *oldest = above;
        above = here;
        here = below;
        below = oldest;
    }
    return out;
}
