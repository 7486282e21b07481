#pragma once

#include <QImage>

// The edges sharp enough to stand out when focus peaking is on: where the
// luminance changes by more than the sensitivity's threshold across one
// pixel's neighbours. A blurred edge of the same contrast spreads its change
// over many pixels and stays below it. The marks are an 8-bit picture of the
// frame's size, drawn by the viewer in the chosen colour with the frame's own
// zoom and turn, so they follow both.
class TVK_Color_FocusPeaking
{
public:
    enum eLESensitivity { kLELow, kLEMedium, kLEHigh };
    static constexpr uchar kMarked = 255;

    explicit TVK_Color_FocusPeaking(eLESensitivity sensitivity = kLEMedium);

    // The change of luminance (0..255, between a pixel's left and right or
    // upper and lower neighbours, the larger) that counts as an edge.
    int threshold() const { return m_threshold; }
    static int thresholdOf(eLESensitivity sensitivity);

    // A Format_Grayscale8 picture: kMarked on edges, 0 elsewhere; the outer
    // pixels, which lack a neighbour, are never marked. Null for a null picture.
    QImage marks(const QImage &image) const;

    // One row of those marks, the whole width, from the luminance of the
    // rows above it, at it and below it.
    static void markRow(const uchar *above, const uchar *here, const uchar *below, uchar *marks, int width,
                        int threshold);

private:
    int m_threshold;
};
