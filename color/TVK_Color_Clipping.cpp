#include "TVK_Color_Clipping.h"

#include "TVK_Color_Histogram.h"

TVK_Color_Clipping::TVK_Color_Clipping(int highlight, int shadow)
    : m_highlight(std::clamp(highlight, 0, 255))
    , m_shadow(std::min(std::clamp(shadow, 0, 255), m_highlight - 1))
{
}

void TVK_Color_Clipping::markRow(const QRgb *row, uchar *marks, int width, Levels levels)
{
    for (int x = 0; x < width; ++x)
        marks[x] = markOf(uchar(qRed(row[x])), uchar(qGreen(row[x])), uchar(qBlue(row[x])), levels);
}

QImage TVK_Color_Clipping::marks(const QImage &image) const
{
    const QImage rgb = TVK_Color_Histogram::readable(image);
    if (rgb.isNull())
        return QImage();
    QImage out(rgb.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < rgb.height(); ++y)
        markRow(reinterpret_cast<const QRgb *>(rgb.constScanLine(y)), out.scanLine(y), rgb.width(), levels());
    return out;
}
