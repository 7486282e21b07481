#include "TVK_Color_Clipping.h"

#include <algorithm>

TVK_Color_Clipping::TVK_Color_Clipping(int highlight, int shadow)
    : m_highlight(std::clamp(highlight, 0, 255))
    , m_shadow(std::min(std::clamp(shadow, 0, 255), m_highlight - 1))
{
}

TVK_Color_Clipping::eLEMark TVK_Color_Clipping::markOf(QRgb pixel) const
{
    const int red = qRed(pixel);
    const int green = qGreen(pixel);
    const int blue = qBlue(pixel);
    if (red >= m_highlight || green >= m_highlight || blue >= m_highlight)
        return kLEHighlight;
    if (red <= m_shadow && green <= m_shadow && blue <= m_shadow)
        return kLEShadow;
    return kLENone;
}

QImage TVK_Color_Clipping::marks(const QImage &image) const
{
    if (image.isNull())
        return QImage();
    const bool direct = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
    const QImage rgb = direct ? image : image.convertToFormat(QImage::Format_RGB32);
    QImage out(rgb.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        uchar *mark = out.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x)
            mark[x] = markOf(in[x]);
    }
    return out;
}
