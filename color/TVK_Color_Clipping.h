#pragma once

#include <QImage>

#include <algorithm>

// Which pixels of a picture are blown out or blocked up: at or above the
// highlight threshold in any channel, or at or below the shadow threshold in
// every channel. The marks are an 8-bit picture of the same size, for the
// viewer to paint as stripes or a blinking colour over the picture.
class TVK_Color_Clipping
{
public:
    // On 8-bit levels, what a photographer expects by default.
    static constexpr int kDefaultHighlight = 250;
    static constexpr int kDefaultShadow = 5;

    enum eLEMark : uchar { kLENone = 0, kLEShadow = 1, kLEHighlight = 2 };

    // Thresholds are clamped to 0..255; a shadow threshold at or above the
    // highlight one is lowered below it, so no pixel is both.
    TVK_Color_Clipping(int highlight = kDefaultHighlight, int shadow = kDefaultShadow);

    int highlight() const { return m_highlight; }
    int shadow() const { return m_shadow; }

    eLEMark markOf(QRgb pixel) const { return markOf(qRed(pixel), qGreen(pixel), qBlue(pixel), levels()); }

    // The thresholds as the rule of a pixel takes them: in bytes, so that a
    // row is marked many pixels at a time. aboveShadow is one above the
    // shadow threshold (0 where no pixel is dark enough).
    struct Levels {
        uchar highlight;
        uchar aboveShadow;
    };
    Levels levels() const { return {uchar(m_highlight), uchar(m_shadow + 1)}; }
    // The brightest channel decides: a highlight is any channel at or above
    // its threshold, a shadow every channel at or below its own, and the
    // shadow's is below the highlight's.
    static eLEMark markOf(uchar red, uchar green, uchar blue, Levels levels)
    {
        const uchar brightest = std::max(red, std::max(green, blue));
        return eLEMark((brightest >= levels.highlight ? kLEHighlight : kLENone)
                       | (brightest < levels.aboveShadow ? kLEShadow : kLENone));
    }
    static void markRow(const QRgb *row, uchar *marks, int width, Levels levels);
    // A Format_Grayscale8 picture of eLEMark values; null for a null picture.
    QImage marks(const QImage &image) const;

private:
    int m_highlight;
    int m_shadow;
};
