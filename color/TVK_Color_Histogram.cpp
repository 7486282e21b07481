#include "TVK_Color_Histogram.h"

#include <algorithm>
#include <cmath>
#include <vector>

TVK_Color_Histogram TVK_Color_Histogram::of(const QImage &image, int step)
{
    TVK_Color_Histogram histogram;
    const QImage rgb = readable(image);
    if (rgb.isNull())
        return histogram;
    step = std::max(1, step);
    Tally tally;
    std::vector<uchar> luminances(size_t(rgb.width()));
    for (int y = 0; y < rgb.height(); y += step) {
        const auto *row = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        luminanceRow(row, luminances.data(), rgb.width());
        tally.addRow(row, luminances.data(), rgb.width(), step);
    }
    tally.addTo(histogram);
    return histogram;
}

void TVK_Color_Histogram::luminanceRow(const QRgb *row, uchar *luminances, int width)
{
    for (int x = 0; x < width; ++x)
        luminances[x] = uchar(luminance(uchar(qRed(row[x])), uchar(qGreen(row[x])), uchar(qBlue(row[x]))));
}

QImage TVK_Color_Histogram::readable(const QImage &image)
{
    if (image.isNull() || image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32)
        return image;
    return image.convertToFormat(QImage::Format_RGB32);
}

void TVK_Color_Histogram::Tally::addRow(const QRgb *row, const uchar *luminances, int width, int step)
{
    const auto countIn = [row, luminances](Counts &counts, qsizetype x) {
        ++counts[kLERed][qRed(row[x])];
        ++counts[kLEGreen][qGreen(row[x])];
        ++counts[kLEBlue][qBlue(row[x])];
        ++counts[kLELuminance][luminances[x]];
    };
    // In 64 bits: no step, however large, runs past the end of the row.
    const qsizetype stride = std::max(1, step);
    qsizetype x = 0;
    for (; x + 3 * stride < width; x += 4 * stride) {
        countIn(m_banks[0], x);
        countIn(m_banks[1], x + stride);
        countIn(m_banks[2], x + 2 * stride);
        countIn(m_banks[3], x + 3 * stride);
    }
    for (; x < width; x += stride)
        countIn(m_banks[0], x);
    m_total += quint64(width > 0 ? (width - 1) / stride + 1 : 0);
}

void TVK_Color_Histogram::Tally::addTo(TVK_Color_Histogram &histogram) const
{
    for (int channel = 0; channel < kLEChannelCount; ++channel) {
        for (int level = 0; level < kLevels; ++level)
            histogram.m_counts[channel][level] += m_banks[0][channel][level] + m_banks[1][channel][level]
                                                  + m_banks[2][channel][level] + m_banks[3][channel][level];
    }
    histogram.m_total += m_total;
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
