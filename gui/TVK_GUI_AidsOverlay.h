#pragma once

#include "TVK_Color_FrameAids.h"
#include "TVK_GUI_ViewAids.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QRect>
#include <QSize>

class QPainter;
class QTimer;

// Paints the viewing aids over a picture shown in a rectangle: the onion
// skin, the focus-peaking and clipping marks, the composition guide, the crop
// frame and the histogram. The marks come at the size of the frame as the
// camera sent it; they are laid over the picture turned by the same rotation
// as the picture and scaled by the painter, never copied per frame.
// Animated clipping marks advance a phase on a timer; signalChanged asks the
// owner to paint again.
class TVK_GUI_AidsOverlay : public QObject
{
    Q_OBJECT

public:
    static constexpr QSize kHistogramSize{128, 64};
    static constexpr int kHistogramMargin = 8;
    // Stripes repeat every this many pixels on screen, and move one pixel a phase.
    static constexpr int kStripePeriod = 8;
    static constexpr int kStripeIntervalMs = 100;
    static constexpr int kBlinkIntervalMs = 400;
    static const QColor kHighlightColour;
    static const QColor kShadowColour;

    explicit TVK_GUI_AidsOverlay(QObject *parent = nullptr);
    ~TVK_GUI_AidsOverlay() override;

    const TVK_GUI_ViewAids &aids() const { return m_aids; }
    const TVK_Color_FrameAids &frameAids() const { return m_frameAids; }
    int rotation() const { return m_rotation; }
    QSize frameSize() const { return m_frameSize; }
    int phase() const { return m_phase; }
    bool isAnimating() const;
    // Whether the frame aids belong to the frame shown: their marks have
    // their source's size, and that size turned is the frame's (when known),
    // or the frame's shape at a smaller size (aids of a copy brought down).
    bool frameAidsFit() const;

    void setAids(const TVK_GUI_ViewAids &aids);
    void setFrameAids(const TVK_Color_FrameAids &frameAids);
    void clearFrameAids();
    // 0, 90, 180 or 270 degrees clockwise, as the picture was turned for the
    // screen; anything else is taken to the nearest quarter.
    void setRotation(int degrees);
    // The size of the picture shown, after its turn; an empty size skips the check.
    void setFrameSize(const QSize &size);
    // A picture laid over the shown one as it is given, stretched to the
    // shown rectangle.
    void setOnionSkin(const QImage &image);

    // The corner of shown where the histogram goes: the first of bottom
    // right, bottom left, top right and top left that meets no keep-clear
    // rectangle, else the one that covers least of them. Smaller than
    // kHistogramSize in a small picture; empty when none fits.
    static QRect histogramRect(const QRect &shown, const QList<QRect> &keepClear);

    void paint(QPainter &painter, const QRect &shown, const QList<QRect> &keepClear = {}) const;

public Q_SLOTS:
    // One step of the clipping animation.
    void advancePhase();

Q_SIGNALS:
    void signalChanged();

private:
    void changed();
    void updateAnimation();
    // Maps the unturned source frame onto shown, as the picture was turned and fitted.
    QTransform sourceToShown(const QRect &shown) const;
    void paintOnionSkin(QPainter &painter, const QRect &shown) const;
    void paintMarks(QPainter &painter, const QRect &shown, const QImage &marks, const QVector<QRgb> &colours,
                    bool striped) const;
    void paintGuide(QPainter &painter, const QRect &shown) const;
    void paintCrop(QPainter &painter, const QRect &shown) const;
    void paintHistogram(QPainter &painter, const QRect &place) const;

    TVK_GUI_ViewAids m_aids;
    TVK_Color_FrameAids m_frameAids;
    bool m_hasFrameAids = false;
    int m_rotation = 0;
    QSize m_frameSize;
    QImage m_onionSkin;
    mutable QImage m_onionScaled;
    // The last mismatch told, so that a stream of frames tells it once.
    mutable QString m_mismatchTold;
    QTimer *m_timer;
    int m_phase = 0;
};
