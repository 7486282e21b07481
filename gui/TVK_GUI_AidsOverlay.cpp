#include "TVK_GUI_AidsOverlay.h"

#include "TVK_Debug_Log.h"
#include "TVK_GUI_GuideGeometry.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdlib>

const QColor TVK_GUI_AidsOverlay::kHighlightColour(255, 0, 140);
const QColor TVK_GUI_AidsOverlay::kShadowColour(0, 140, 255);

namespace {

const QColor kGuideColour(255, 255, 255, 170);
const QColor kGuideShade(0, 0, 0, 70);
const QColor kCropShade(0, 0, 0, 110);
const QColor kHistogramBackground(0, 0, 0, 120);
constexpr double kHistogramOpacity = 0.85;
constexpr int kBarAlpha = 200;
// Below this the bars say nothing.
constexpr QSize kSmallestHistogram(32, 16);

// The marks' 8-bit bytes read as palette indices, so a colour table paints
// them without a copy of their pixels. The view only lives for one paint,
// while the frame aids keep the bytes; nothing writes through it.
QImage colouredView(const QImage &marks, const QVector<QRgb> &colours)
{
    QImage view(const_cast<uchar *>(marks.constBits()), marks.width(), marks.height(), marks.bytesPerLine(),
                QImage::Format_Indexed8);
    view.setColorTable(colours);
    return view;
}

QVector<QRgb> peakingColours(const QColor &colour)
{
    // Every byte value gets an entry: a stray value must not index past the table.
    QVector<QRgb> table(256, colour.rgba());
    table[0] = qRgba(0, 0, 0, 0);
    return table;
}

QVector<QRgb> clippingColours(bool highlight, bool shadow)
{
    QVector<QRgb> table(256, qRgba(0, 0, 0, 0));
    if (shadow)
        table[TVK_Color_Clipping::kLEShadow] = TVK_GUI_AidsOverlay::kShadowColour.rgba();
    if (highlight)
        table[TVK_Color_Clipping::kLEHighlight] = TVK_GUI_AidsOverlay::kHighlightColour.rgba();
    return table;
}

// Opaque diagonal bands half a period wide; tiled, they run on seamlessly.
const QImage &stripeTile()
{
    static const QImage tile = [] {
        const int p = TVK_GUI_AidsOverlay::kStripePeriod;
        QImage image(p, p, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < p; ++y)
            for (int x = 0; x < p; ++x)
                image.setPixel(x, y, (x + y) % p < p / 2 ? qRgba(255, 255, 255, 255) : qRgba(0, 0, 0, 0));
        return image;
    }();
    return tile;
}

bool isQuarterTurn(int rotation)
{
    return rotation == 90 || rotation == 270;
}

int overlapArea(const QRect &rect, const QList<QRect> &others)
{
    int area = 0;
    for (const QRect &other : others) {
        const QRect common = rect & other;
        area += common.width() * common.height();
    }
    return area;
}

qreal ratioOf(const QPainter &painter)
{
    return painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
}

} // namespace

TVK_GUI_AidsOverlay::TVK_GUI_AidsOverlay(QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, &TVK_GUI_AidsOverlay::advancePhase);
}

TVK_GUI_AidsOverlay::~TVK_GUI_AidsOverlay() = default;

bool TVK_GUI_AidsOverlay::isAnimating() const
{
    return m_timer->isActive();
}

bool TVK_GUI_AidsOverlay::frameAidsFit() const
{
    if (!m_hasFrameAids)
        return false;
    const QSize source = m_frameAids.sourceSize;
    if (source.isEmpty())
        return false;
    for (const QImage *marks : {&m_frameAids.clipping, &m_frameAids.peaking}) {
        if (!marks->isNull() && (marks->size() != source || marks->depth() != 8))
            return false;
    }
    const QSize turned = isQuarterTurn(m_rotation) ? source.transposed() : source;
    if (m_frameSize.isEmpty() || turned == m_frameSize)
        return true;
    // Aids made from a copy brought down to a screen's size fit a frame of
    // the same shape: the sides agree to within the copy's rounding.
    if (turned.width() > m_frameSize.width() || turned.height() > m_frameSize.height())
        return false;
    const qint64 cross = qint64(turned.width()) * m_frameSize.height() - qint64(turned.height()) * m_frameSize.width();
    return std::abs(cross) <= qint64(std::max(m_frameSize.width(), m_frameSize.height()));
}

void TVK_GUI_AidsOverlay::setAids(const TVK_GUI_ViewAids &aids)
{
    if (aids == m_aids)
        return;
    if (aids.clippingStyle != m_aids.clippingStyle)
        m_phase = 0;
    m_aids = aids;
    changed();
}

void TVK_GUI_AidsOverlay::setFrameAids(const TVK_Color_FrameAids &frameAids)
{
    m_frameAids = frameAids;
    m_hasFrameAids = true;
    changed();
}

void TVK_GUI_AidsOverlay::clearFrameAids()
{
    if (!m_hasFrameAids)
        return;
    m_frameAids = TVK_Color_FrameAids();
    m_hasFrameAids = false;
    changed();
}

void TVK_GUI_AidsOverlay::setRotation(int degrees)
{
    const int quarters = ((int(std::lround(degrees / 90.0)) % 4) + 4) % 4;
    if (quarters * 90 == m_rotation)
        return;
    m_rotation = quarters * 90;
    changed();
}

void TVK_GUI_AidsOverlay::setFrameSize(const QSize &size)
{
    if (size == m_frameSize)
        return;
    m_frameSize = size;
    changed();
}

void TVK_GUI_AidsOverlay::setOnionSkin(const QImage &image)
{
    m_onionSkin = image;
    m_onionScaled = QImage();
    changed();
}

void TVK_GUI_AidsOverlay::advancePhase()
{
    const int phases = m_aids.clippingStyle == TVK_GUI_ViewAids::kLEStripes ? kStripePeriod : 2;
    m_phase = (m_phase + 1) % phases;
    Q_EMIT signalChanged();
}

void TVK_GUI_AidsOverlay::changed()
{
    updateAnimation();
    Q_EMIT signalChanged();
}

void TVK_GUI_AidsOverlay::updateAnimation()
{
    const bool animate = m_aids.analysis.clipping && !m_frameAids.clipping.isNull() && frameAidsFit();
    const int interval = m_aids.clippingStyle == TVK_GUI_ViewAids::kLEStripes ? kStripeIntervalMs : kBlinkIntervalMs;
    if (!animate) {
        m_timer->stop();
    } else if (!m_timer->isActive() || m_timer->interval() != interval) {
        m_timer->start(interval);
    }
}

QRect TVK_GUI_AidsOverlay::histogramRect(const QRect &shown, const QList<QRect> &keepClear)
{
    const QSize size(std::min(kHistogramSize.width(), shown.width() - 2 * kHistogramMargin),
                     std::min(kHistogramSize.height(), shown.height() - 2 * kHistogramMargin));
    if (size.width() < kSmallestHistogram.width() || size.height() < kSmallestHistogram.height())
        return QRect();
    const int left = shown.x() + kHistogramMargin;
    const int right = shown.x() + shown.width() - kHistogramMargin - size.width();
    const int top = shown.y() + kHistogramMargin;
    const int bottom = shown.y() + shown.height() - kHistogramMargin - size.height();
    const QRect corners[] = {QRect(QPoint(right, bottom), size), QRect(QPoint(left, bottom), size),
                             QRect(QPoint(right, top), size), QRect(QPoint(left, top), size)};
    QRect best;
    int bestArea = -1;
    for (const QRect &corner : corners) {
        const int area = overlapArea(corner, keepClear);
        if (bestArea < 0 || area < bestArea) {
            best = corner;
            bestArea = area;
        }
        if (area == 0)
            break;
    }
    return best;
}

QTransform TVK_GUI_AidsOverlay::sourceToShown(const QRect &shown) const
{
    const QSizeF source(m_frameAids.sourceSize);
    const QSizeF target = isQuarterTurn(m_rotation) ? QSizeF(shown.size()).transposed() : QSizeF(shown.size());
    QTransform transform;
    transform.translate(shown.x() + shown.width() / 2.0, shown.y() + shown.height() / 2.0);
    transform.rotate(m_rotation);
    transform.scale(target.width() / source.width(), target.height() / source.height());
    transform.translate(-source.width() / 2.0, -source.height() / 2.0);
    return transform;
}

void TVK_GUI_AidsOverlay::paint(QPainter &painter, const QRect &shown, const QList<QRect> &keepClear) const
{
    if (shown.isEmpty())
        return;
    painter.save();
    painter.setClipRect(shown, Qt::IntersectClip);
    paintOnionSkin(painter, shown);

    const bool fit = frameAidsFit();
    if (fit) {
        m_mismatchTold.clear();
    } else if (m_hasFrameAids) {
        const QString mismatch = QStringLiteral("aids of a %1x%2 frame (clipping %3x%4, peaking %5x%6) do not fit "
                                                "the %7x%8 frame shown turned by %9")
                                     .arg(m_frameAids.sourceSize.width())
                                     .arg(m_frameAids.sourceSize.height())
                                     .arg(m_frameAids.clipping.width())
                                     .arg(m_frameAids.clipping.height())
                                     .arg(m_frameAids.peaking.width())
                                     .arg(m_frameAids.peaking.height())
                                     .arg(m_frameSize.width())
                                     .arg(m_frameSize.height())
                                     .arg(m_rotation);
        if (mismatch != m_mismatchTold) {
            TVK_METHOD(prefix);
            debugLog(kLELogAlways, "%s - %s; not drawn", prefix, qPrintable(mismatch));
            m_mismatchTold = mismatch;
        }
    }
    if (fit && m_aids.analysis.peaking && !m_frameAids.peaking.isNull())
        paintMarks(painter, shown, m_frameAids.peaking, peakingColours(TVK_GUI_ViewAids::colourOf(m_aids.peakingColour)),
                   false);
    if (fit && m_aids.analysis.clipping && !m_frameAids.clipping.isNull()) {
        const bool striped = m_aids.clippingStyle == TVK_GUI_ViewAids::kLEStripes;
        // Blinking marks show on even phases only.
        if (striped || m_phase % 2 == 0)
            paintMarks(painter, shown, m_frameAids.clipping, clippingColours(true, true), striped);
    }
    paintGuide(painter, shown);
    paintCrop(painter, shown);
    if (fit && m_aids.analysis.histogram && m_frameAids.hasHistogram) {
        const QRect place = histogramRect(shown, keepClear);
        if (!place.isEmpty())
            paintHistogram(painter, place);
    }
    painter.restore();
}

void TVK_GUI_AidsOverlay::paintOnionSkin(QPainter &painter, const QRect &shown) const
{
    if (!m_aids.onionSkin || m_onionSkin.isNull())
        return;
    // Scaled once a size, not once a frame: the skin stays while frames go by.
    const QSize pixels = (QSizeF(shown.size()) * ratioOf(painter)).toSize();
    if (m_onionScaled.size() != pixels)
        m_onionScaled = m_onionSkin.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    painter.save();
    painter.setOpacity(std::clamp(m_aids.onionOpacity, 0.0, 1.0));
    painter.drawImage(QRectF(shown), m_onionScaled);
    painter.restore();
}

void TVK_GUI_AidsOverlay::paintMarks(QPainter &painter, const QRect &shown, const QImage &marks,
                                     const QVector<QRgb> &colours, bool striped) const
{
    const QImage view = colouredView(marks, colours);
    const QTransform toShown = sourceToShown(shown);
    // Shrunk, a one-pixel edge could fall between the samples; blended, it stays faint.
    const bool shrunk = shown.width() * shown.height() < marks.width() * marks.height();
    if (!striped) {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, shrunk);
        painter.setTransform(toShown, true);
        painter.drawImage(QPointF(0, 0), view);
        painter.restore();
        return;
    }
    // The marks into a layer of the shown size, then cut to moving stripes.
    const qreal ratio = ratioOf(painter);
    QImage layer((QSizeF(shown.size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    {
        QPainter layerPainter(&layer);
        layerPainter.setRenderHint(QPainter::SmoothPixmapTransform, shrunk);
        layerPainter.setTransform(toShown * QTransform::fromTranslate(-shown.x(), -shown.y()));
        layerPainter.drawImage(QPointF(0, 0), view);
        layerPainter.resetTransform();
        layerPainter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        QBrush stripes(stripeTile());
        stripes.setTransform(QTransform::fromTranslate(m_phase, 0));
        layerPainter.fillRect(QRectF(QPointF(0, 0), QSizeF(shown.size())), stripes);
    }
    painter.drawImage(shown.topLeft(), layer);
}

void TVK_GUI_AidsOverlay::paintGuide(QPainter &painter, const QRect &shown) const
{
    const QVector<QLineF> lines = TVK_GUI_GuideGeometry::linesOf(m_aids.guide, QRectF(shown));
    if (lines.isEmpty())
        return;
    painter.save();
    // Smoothed, a level line on a whole pixel would smear over two rows.
    painter.setRenderHint(QPainter::Antialiasing, m_aids.guide == TVK_GUI_ViewAids::kLEDiagonals);
    // A soft dark edge keeps the light line visible on a bright sky.
    painter.setPen(QPen(kGuideShade, 3.0));
    painter.drawLines(lines);
    painter.setPen(QPen(kGuideColour, 1.0));
    painter.drawLines(lines);
    painter.restore();
}

void TVK_GUI_AidsOverlay::paintCrop(QPainter &painter, const QRect &shown) const
{
    const QRectF crop = TVK_GUI_GuideGeometry::cropRect(m_aids.crop, QRectF(shown));
    if (crop.isEmpty())
        return;
    QPainterPath outside;
    outside.addRect(QRectF(shown));
    outside.addRect(crop);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(kCropShade);
    painter.drawPath(outside); // odd-even fill: the frame's inside stays clear
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kGuideColour, 1.0));
    painter.drawRect(crop.adjusted(0.5, 0.5, -0.5, -0.5));
    painter.restore();
}

void TVK_GUI_AidsOverlay::paintHistogram(QPainter &painter, const QRect &place) const
{
    const TVK_Color_Histogram &histogram = m_frameAids.histogram;
    QImage bars(place.size(), QImage::Format_ARGB32_Premultiplied);
    bars.fill(Qt::transparent);
    {
        QPainter barPainter(&bars);
        const bool rgb = m_aids.histogramKind == TVK_GUI_ViewAids::kLERgb;
        struct Channel {
            TVK_Color_Histogram::eLEChannel channel;
            QColor colour;
        };
        const QVector<Channel> channels =
            rgb ? QVector<Channel>{{TVK_Color_Histogram::kLERed, QColor(255, 0, 0, kBarAlpha)},
                                   {TVK_Color_Histogram::kLEGreen, QColor(0, 255, 0, kBarAlpha)},
                                   {TVK_Color_Histogram::kLEBlue, QColor(0, 0, 255, kBarAlpha)}}
                : QVector<Channel>{{TVK_Color_Histogram::kLELuminance, QColor(235, 235, 235, kBarAlpha)}};
        // Added light: red and green make yellow, all three white.
        barPainter.setCompositionMode(QPainter::CompositionMode_Plus);
        const int width = bars.width();
        const int height = bars.height();
        for (const Channel &channel : channels) {
            for (int x = 0; x < width; ++x) {
                const int first = x * TVK_Color_Histogram::kLevels / width;
                const int last = std::max(first, (x + 1) * TVK_Color_Histogram::kLevels / width - 1);
                double tallest = 0.0;
                for (int level = first; level <= last; ++level)
                    tallest = std::max(tallest, histogram.height(channel.channel, level, m_aids.histogramLogarithmic));
                const int bar = int(std::lround(tallest * height));
                if (bar > 0)
                    barPainter.fillRect(x, height - bar, 1, bar, channel.colour);
            }
        }
    }
    painter.save();
    painter.fillRect(place, kHistogramBackground);
    painter.setOpacity(kHistogramOpacity);
    painter.drawImage(place.topLeft(), bars);
    painter.restore();
}
