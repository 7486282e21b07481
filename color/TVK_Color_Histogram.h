#pragma once

#include <QImage>
#include <QtGlobal>

#include <array>

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
    // (white stays 255, black 0). The weights add up to 256, so the sum of a
    // pixel fits 16 bits and a row of them is worked out many at a time.
    static int luminance(int red, int green, int blue) { return (54 * red + 183 * green + 19 * blue) >> 8; }
    static void luminanceRow(const QRgb *row, uchar *luminances, int width);

    // The pixels every aid reads: 32-bit RGB, the JPEG decoder's own form,
    // as it is; any other form converted once. Null stays null.
    static QImage readable(const QImage &image);

    // The counts of rows a caller reads itself, so that one reading of a
    // row serves the other aids as well; each thread keeps its own.
    class Tally
    {
    public:
        // Every step-th pixel of the row from its first; luminances are
        // those of the whole row, worked out once for every aid.
        void addRow(const QRgb *row, const uchar *luminances, int width, int step);
        void addTo(TVK_Color_Histogram &histogram) const;

    private:
        using Counts = std::array<std::array<quint32, kLevels>, kLEChannelCount>;
        // Neighbouring pixels of one level, most of a picture, count in
        // different banks and so never wait on each other's stored count.
        std::array<Counts, 4> m_banks{};
        quint64 m_total = 0;
    };

private:
    std::array<std::array<quint32, kLevels>, kLEChannelCount> m_counts{};
    quint64 m_total = 0;
};
