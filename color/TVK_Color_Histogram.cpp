#include "TVK_Color_Histogram.h"

#include <QImage>

#include <algorithm>
#include <cmath>

TVK_Color_Histogram TVK_Color_Histogram::of(const QImage &image, int step)
{
    TVK_Color_Histogram histogram;
    if (image.isNull())
        return histogram;
    step = std::max(1, step);
    // One format to read: the decoder's own for a JPEG frame, else converted once.
    const bool direct = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
    const QImage rgb = direct ? image : image.convertToFormat(QImage::Format_RGB32);
    auto &counts = histogram.m_counts;
    for (int y = 0; y < rgb.height(); y += step) {
        const auto *row = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); x += step) {
            const int red = qRed(row[x]);
            const int green = qGreen(row[x]);
            const int blue = qBlue(row[x]);
            ++counts[kLERed][red];
            ++counts[kLEGreen][green];
            ++counts[kLEBlue][blue];
            ++counts[kLELuminance][luminance(red, green, blue)];
            ++histogram.m_total;
        }
    }
    return histogram;
}

quint32 TVK_Color_Histogram::count(eLEChannel channel, int level) const
{
    if (channel < 0 || channel >= kLEChannelCount || level < 0 || level >= kLevels)
        return 0;
    return m_counts[channel][level];
}

quint32 TVK_Color_Histogram::peak(eLEChannel channel) const
{
    if (channel < 0 || channel >= kLEChannelCount)
        return 0;
    return *std::max_element(m_counts[channel].begin(), m_counts[channel].end());
}

double TVK_Color_Histogram::height(eLEChannel channel, int level, bool logarithmic) const
{
    const quint32 highest = peak(channel);
    const quint32 value = count(channel, level);
    if (highest == 0 || value == 0)
        return 0.0;
    if (!logarithmic)
        return double(value) / highest;
    // log(1 + n) keeps a single pixel visible and the peak at 1.
    return std::log1p(double(value)) / std::log1p(double(highest));
}
