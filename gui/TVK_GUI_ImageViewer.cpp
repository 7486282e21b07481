#include "TVK_GUI_ImageViewer.h"
#include "ui_TVK_GUI_ImageViewer.h"

#include "TVK_Color_Factory.h"
#include "TVK_Color_Match.h"
#include "TVK_Debug_Log.h"
#include "TVK_GUI_AidsOverlay.h"
#include "TVK_GUI_LiveViewNavigatorWidget.h"
#include "TVK_GUI_Resources.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStyle>

#include <cmath>

namespace {

const QString kFocusCross = QStringLiteral(":/TVK_GUI/images/LiveView/FocusCross.png");
const QString kExpSpot = QStringLiteral(":/TVK_GUI/images/LiveView/ExpSpot.png");
const QString kGCPipette = QStringLiteral(":/TVK_GUI/images/LiveView/GCPipette.png");

// The pipette's tip sits 3 pixels in from its picture's lower-left corner.
constexpr int kPipetteTipOffset = 3;

// The live view modes in which the camera offers zoom levels.
bool canZoom(int mode)
{
    return mode == 2 || mode == 3;
}

constexpr int kVideoMode = 1;

QSizeF logicalSize(const QPixmap &picture)
{
    return QSizeF(picture.size()) / picture.devicePixelRatioF();
}

QRectF centredRect(const QPointF &centre, const QSizeF &size)
{
    return QRectF(centre - QPointF(size.width() / 2.0, size.height() / 2.0), size);
}

// The pipette's picture placed with its tip at the point.
QRectF pipetteRect(const QPointF &tip, const QSizeF &size)
{
    return QRectF(tip.x() - kPipetteTipOffset, tip.y() + kPipetteTipOffset - size.height(), size.width(),
                  size.height());
}

void drawCentred(QPainter &painter, const QPointF &centre, const QPixmap &picture)
{
    painter.drawPixmap(centredRect(centre, logicalSize(picture)), picture, QRectF(picture.rect()));
}

} // namespace

TVK_GUI_ImageViewer::TVK_GUI_ImageViewer(QWidget *parent)
    : QLabel(parent)
    , ui(new Ui::TVK_GUI_ImageViewer)
    , m_colorMatch(TVK_Color_Factory::newMatch())
    , m_overlay(new TVK_GUI_AidsOverlay(this))
{
    TVK_GUI_Resources::initialize();
    ui->setupUi(this);
    connect(m_overlay, &TVK_GUI_AidsOverlay::signalChanged, this, [this]() { update(); });
    updateNavigation();
}

TVK_GUI_ImageViewer::~TVK_GUI_ImageViewer()
{
    delete ui;
}

TVK_GUI_LiveViewNavigatorWidget *TVK_GUI_ImageViewer::navigator() const
{
    return ui->wgtNavigator;
}

QRect TVK_GUI_ImageViewer::shownPixmapRect() const
{
    if (m_displayed.isNull())
        return QRect();
    const QSize size = (QSizeF(m_displayed.size()) / m_displayed.devicePixelRatioF()).toSize();
    // The same placement QLabel uses to paint its pixmap.
    return QStyle::alignedRect(layoutDirection(), QStyle::visualAlignment(layoutDirection(), alignment()), size,
                               contentsRect());
}

QList<QRect> TVK_GUI_ImageViewer::keepClearRects() const
{
    QList<QRect> rects;
    const QRect shown = shownPixmapRect();
    if (!shown.isEmpty() && m_markerX >= 0.0 && m_markerY >= 0.0) {
        const QPointF point(shown.left() + shown.width() * m_markerX, shown.top() + shown.height() * m_markerY);
        const QRectF marker = m_isGCPipActive ? pipetteRect(point, logicalSize(QPixmap(kGCPipette)))
                                              : centredRect(point, logicalSize(QPixmap(kFocusCross)));
        rects << marker.toAlignedRect();
    }
    if (!ui->wgtNavigator->isHidden())
        rects << ui->wgtNavigator->geometry();
    return rects;
}

void TVK_GUI_ImageViewer::matchColours(QImage &image) const
{
    if (image.isNull() || !m_wantColorMatch || !m_colorMatch)
        return;
    QImage converted = image.convertToFormat(QImage::Format_RGB32);
    if (m_colorMatch->translateImage(converted)) {
        converted.setDevicePixelRatio(image.devicePixelRatioF());
        image = converted;
    }
}

void TVK_GUI_ImageViewer::setWantColorMatch(bool want)
{
    if (want == m_wantColorMatch)
        return;
    m_wantColorMatch = want;
    rebuildDisplayed();
}

void TVK_GUI_ImageViewer::setInputProfile(const QString &path)
{
    if (m_colorMatch)
        m_colorMatch->setInputProfile(path);
    rebuildDisplayed();
}

void TVK_GUI_ImageViewer::setInputProfile(const TVK_Color_ProfileIF &profile)
{
    if (m_colorMatch)
        m_colorMatch->setInputProfile(profile);
    rebuildDisplayed();
}

void TVK_GUI_ImageViewer::setOutputProfile(const QString &path)
{
    if (m_colorMatch)
        m_colorMatch->setOutputProfile(path);
    rebuildDisplayed();
}

void TVK_GUI_ImageViewer::setOutputProfile(const TVK_Color_ProfileIF &profile)
{
    if (m_colorMatch)
        m_colorMatch->setOutputProfile(profile);
    rebuildDisplayed();
}

void TVK_GUI_ImageViewer::setRenderingIntent(TVK_Color_WorldIF::eRenderingIntent intent)
{
    if (m_colorMatch)
        m_colorMatch->setRenderingIntent(intent);
    rebuildDisplayed();
}

void TVK_GUI_ImageViewer::setPixmap(const QPixmap &pixmap)
{
    m_overlay->clearFrameAids();
    showFrame(pixmap);
}

void TVK_GUI_ImageViewer::setFrame(const QPixmap &pixmap, const TVK_Color_FrameAids &aids)
{
    m_overlay->setFrameAids(aids);
    showFrame(pixmap);
}

void TVK_GUI_ImageViewer::showFrame(const QPixmap &pixmap)
{
    m_source = pixmap;
    m_overlay->setFrameSize(pixmap.size());
    rebuildScaled();
    rebuildDisplayed();
    // The controller holds the next frame back until this one is on screen.
    Q_EMIT signalPixmapConsumed();
}

void TVK_GUI_ImageViewer::setExpSpotIsActive(bool isActive)
{
    if (isActive == m_isExpSpotActive)
        return;
    m_isExpSpotActive = isActive;
    rebuildDisplayed();
}

void TVK_GUI_ImageViewer::setGCPipIsActive(bool isActive)
{
    if (isActive == m_isGCPipActive)
        return;
    m_isGCPipActive = isActive;
    if (isActive)
        setCursor(Qt::CrossCursor);
    else
        unsetCursor();
    rebuildDisplayed();
}

void TVK_GUI_ImageViewer::setLiveViewMode(int mode)
{
    if (mode == m_liveViewMode)
        return;
    m_liveViewMode = mode;
    updateNavigation();
}

void TVK_GUI_ImageViewer::setWantMoveInZoom(bool want)
{
    if (want == m_wantMoveInZoom)
        return;
    m_wantMoveInZoom = want;
    updateNavigation();
}

void TVK_GUI_ImageViewer::setZoomInfo(int, int zoomLevel, double x, double y)
{
    if (zoomLevel != m_zoomLevel) {
        m_zoomLevel = zoomLevel;
        updateNavigation();
    }
    if (!std::isfinite(x) || !std::isfinite(y)) {
        TVK_METHOD(prefix);
        debugLog(kLELogStream, "%s - marker position %f / %f is no number, ignored", prefix, x, y);
        return;
    }
    if (std::fabs(x - m_markerX) > kMarkerTolerance || std::fabs(y - m_markerY) > kMarkerTolerance) {
        m_markerX = x;
        m_markerY = y;
        rebuildDisplayed();
    }
}

void TVK_GUI_ImageViewer::setZoomRect(double x, double y, double w, double h)
{
    ui->wgtNavigator->setZoomRect(x, y, w, h);
}

void TVK_GUI_ImageViewer::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    const QRect shown = shownPixmapRect();
    if (shown.isEmpty())
        return;
    QPainter painter(this);
    painter.setClipRegion(event->region());
    m_overlay->paint(painter, shown, keepClearRects());
}

void TVK_GUI_ImageViewer::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    if (event->size() == event->oldSize())
        return;
    rebuildScaled();
    rebuildDisplayed();
}

void TVK_GUI_ImageViewer::mousePressEvent(QMouseEvent *event)
{
    QLabel::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const QRect shown = shownPixmapRect();
    if (shown.isEmpty() || !shown.contains(event->pos()))
        return;
    const double x = double(event->pos().x() - shown.left()) / shown.width();
    const double y = double(event->pos().y() - shown.top()) / shown.height();
    if (m_isGCPipActive)
        Q_EMIT signalGCPipPos(x, y);
    else if (m_markerX >= 0.0 && m_markerY >= 0.0)
        Q_EMIT signalCrossPos(x, y);
}

void TVK_GUI_ImageViewer::rebuildScaled()
{
    if (m_source.isNull()) {
        m_scaled = QPixmap();
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QSize target = contentsRect().size() * ratio;
    if (target.isEmpty()) {
        m_scaled = QPixmap();
        return;
    }
    m_scaled = m_source.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    m_scaled.setDevicePixelRatio(ratio);
}

void TVK_GUI_ImageViewer::rebuildDisplayed()
{
    m_displayed = m_scaled;
    if (!m_displayed.isNull() && m_wantColorMatch && m_colorMatch) {
        // 32 bits per pixel and no line padding, as the transform wants them.
        QImage image = m_displayed.toImage().convertToFormat(QImage::Format_RGB32);
        if (m_colorMatch->translateImage(image)) {
            m_displayed = QPixmap::fromImage(image);
            m_displayed.setDevicePixelRatio(m_scaled.devicePixelRatioF());
        }
    }
    drawMarkers(m_displayed);

    const QSizeF shownSize = QSizeF(m_displayed.size()) / (m_displayed.isNull() ? 1.0 : m_displayed.devicePixelRatioF());
    ui->wgtNavigator->setFixedSize(shownSize.height() > shownSize.width() ? kNavigatorSize.transposed()
                                                                         : kNavigatorSize);
    if (m_displayed.isNull())
        QLabel::clear();
    else
        QLabel::setPixmap(m_displayed);
}

void TVK_GUI_ImageViewer::drawMarkers(QPixmap &pixmap) const
{
    if (pixmap.isNull() || m_markerX < 0.0 || m_markerY < 0.0)
        return;
    const QSizeF size = QSizeF(pixmap.size()) / pixmap.devicePixelRatioF();
    const QPointF point(size.width() * m_markerX, size.height() * m_markerY);

    QPainter painter(&pixmap);
    if (m_isGCPipActive) {
        const QPixmap pipette(kGCPipette);
        painter.drawPixmap(pipetteRect(point, logicalSize(pipette)), pipette, QRectF(pipette.rect()));
        return;
    }
    drawCentred(painter, point, QPixmap(kFocusCross));
    if (m_isExpSpotActive)
        drawCentred(painter, point, QPixmap(kExpSpot));
}

void TVK_GUI_ImageViewer::updateNavigation()
{
    const bool navigatorShown = canZoom(m_liveViewMode) && m_zoomLevel >= 1;
    ui->wgtNavigator->setVisible(navigatorShown);
    const bool arrowsShown = navigatorShown && m_wantMoveInZoom;
    ui->lblMoveUp->setVisible(arrowsShown);
    ui->lblMoveDown->setVisible(arrowsShown);
    ui->lblMoveLeft->setVisible(arrowsShown);
    ui->lblMoveRight->setVisible(arrowsShown);
    ui->lblRecVideo->setVisible(m_liveViewMode == kVideoMode);
}
