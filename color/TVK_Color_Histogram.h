#pragma once

#include <QtGlobal>

#include <array>

class QImage;

// How often each 8-bit level occurs in a picture: its luminance and each of
// its three channels. Made off the GUI thread from a decoded frame or
// picture; a value, cheap to hand to the thread that draws it.
class TVK_Color_Histogram
{
public:
    enum eLEChannel { kLELuminance, kLERed, kLEGreen, kLEBlue, kLEChannelCount };
    static constexpr int kLevels = 256;

    // The levels of every step-th pixel of every step-th row: a 24-megapixel
    // picture need not be read whole to be judged. A null picture counts nothing.
    static TVK_Color_Histogram of(const QImage &image, int step = 1);

    quint32 count(eLEChannel channel, int level) const;
    quint64 total() const { return m_total; }
    // The highest count of the channel's levels.
    quint32 peak(eLEChannel channel) const;
    // The bar of a level as drawn, 0..1 of the channel's peak; logarithmic
    // shows the few pixels at the ends that a linear scale flattens.
    double height(eLEChannel channel, int level, bool logarithmic) const;

    // The luminance of a pixel with Rec. 709 weights, in whole levels
    // (white stays 255, black 0).
    static int luminance(int red, int green, int blue) { return (54 * red + 183 * green + 19 * blue) >> 8; }

private:
    std::array<std::array<quint32, kLevels>, kLEChannelCount> m_counts{};
    quint64 m_total = 0;
};
