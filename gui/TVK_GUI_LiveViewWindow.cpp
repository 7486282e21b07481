#include "TVK_GUI_LiveViewWindow.h"

#include "TVK_Color_FrameAnalyzer.h"
#include "TVK_Commu_ProductTraits.h"
#include "TVK_Debug_Log.h"
#include "TVK_GUI_AidsOverlay.h"
#include "TVK_GUI_Application.h"
#include "TVK_GUI_CameraArdo2.h"
#include "TVK_GUI_ImageViewer.h"
#include "TVK_GUI_LiveViewInfoWidget.h"
#include "TVK_GUI_QuickViewWindow.h"
#include "TVK_GUI_ViewAidsStore.h"
#include "TVK_GUI_ViewAidsToolBar.h"
#include "TVK_Logic_Controller.h"

#include <QBuffer>
#include <QFileDialog>
#include <QImage>
#include <QImageReader>
#include <QTimer>
#include <QTransform>
#include <QVBoxLayout>

#include <cmath>

namespace {

// The log has always named the window's making after the application's own function.
constexpr char kCreatePrefix[] = "TVK_GUI_Application::createLiveViewWindow()";

// The live view's info strip below the picture takes no part in its shape.
constexpr int kLiveViewInfoHeight = 40;
// The camera may pause its stream (a picture being taken); the window waits
// this long for frames to come back before it closes.
constexpr int kLiveViewCloseDelayMs = 8000;

// Turns normalised picture coordinates clockwise about the picture's centre,
// as QTransform::rotate turns the pixmap on a screen whose y axis points down.
QTransform aboutCentre(int rotation)
{
    QTransform transform;
    transform.translate(0.5, 0.5);
    transform.rotate(rotation);
    transform.translate(-0.5, -0.5);
    return transform;
}

// The onion skin lies over a window, never over a full-size picture: decoding
// it this large is enough and keeps a 24-megapixel picture quick.
constexpr int kOnionLongSide = 1600;

QImage uprightScaled(QImageReader &reader, int orientation)
{
    const QSize size = reader.size();
    if (size.isValid() && std::max(size.width(), size.height()) > kOnionLongSide)
        reader.setScaledSize(size.scaled(kOnionLongSide, kOnionLongSide, Qt::KeepAspectRatio));
    QImage image = reader.read();
    const int rotation = TVK_GUI_QuickViewWindow::rotationOf(orientation);
    if (rotation != 0 && !image.isNull())
        image = image.transformed(QTransform().rotate(rotation));
    return image;
}

} // namespace

TVK_GUI_LiveViewWindow::TVK_GUI_LiveViewWindow(TVK_Logic_Controller *controller, QObject *parent)
    : QObject(parent)
    , m_controller(controller)
    , m_closeTimer(new QTimer(this))
{
    m_closeTimer->setSingleShot(true);
    connect(m_closeTimer, &QTimer::timeout, this, &TVK_GUI_LiveViewWindow::catchLiveViewCloseTimedOut);
}

TVK_GUI_LiveViewWindow::~TVK_GUI_LiveViewWindow() = default;

void TVK_GUI_LiveViewWindow::setCameraWindow(TVK_GUI_CameraArdo2 *cameraWindow)
{
    m_cameraWindow = cameraWindow;
}

QWidget *TVK_GUI_LiveViewWindow::window() const
{
    return m_window.data();
}

TVK_GUI_ImageViewer *TVK_GUI_LiveViewWindow::viewer() const
{
    return m_viewer.data();
}

TVK_GUI_LiveViewInfoWidget *TVK_GUI_LiveViewWindow::infoWidget() const
{
    return m_info.data();
}

TVK_GUI_ViewAidsToolBar *TVK_GUI_LiveViewWindow::aidsToolBar() const
{
    return m_toolBar.data();
}

int TVK_GUI_LiveViewWindow::rotationFor(bool hasOrientation, int orientation, double firstAxisAngle)
{
    double angle = hasOrientation ? double(orientation) : -firstAxisAngle;
    if (!std::isfinite(angle))
        return 0;
    angle = std::fmod(angle, 360.0);
    if (angle < 0.0)
        angle += 360.0;
    if (angle >= 45.0 && angle < 135.0)
        return 90;
    if (angle >= 135.0 && angle < 225.0)
        return 180;
    if (angle >= 225.0 && angle < 315.0)
        return 270;
    return 0;
}

QPointF TVK_GUI_LiveViewWindow::rotatedPoint(const QPointF &point, int rotation)
{
    // A negative coordinate says there is no position; turned, it could
    // become a position inside the picture.
    if (rotation == 0 || point.x() < 0.0 || point.y() < 0.0)
        return point;
    return aboutCentre(rotation).map(point);
}

QRectF TVK_GUI_LiveViewWindow::rotatedRect(const QRectF &rect, int rotation)
{
    if (rotation == 0)
        return rect;
    return aboutCentre(rotation).mapRect(rect);
}

void TVK_GUI_LiveViewWindow::catchAudioVolIsManual(bool isManual)
{
    if (isManual == m_audioVolIsManual)
        return;
    m_audioVolIsManual = isManual;
    if (m_info)
        m_info->setAudioVolumeIsManual(isManual);
}

void TVK_GUI_LiveViewWindow::catchAudioVolMicrophone(double volume)
{
    if (qFuzzyCompare(volume, m_audioVolMicrophone))
        return;
    m_audioVolMicrophone = volume;
    if (m_info)
        m_info->setAudioVolume(volume);
}

void TVK_GUI_LiveViewWindow::catchAudioVolume(double volume)
{
    if (qFuzzyCompare(volume, m_audioVolMicrophone))
        return;
    m_audioVolMicrophone = volume;
    Q_EMIT signalAudioVolMicrophone(volume);
}

void TVK_GUI_LiveViewWindow::catchExposMetering(int metering)
{
    if (metering == m_exposMetering)
        return;
    m_exposMetering = metering;
    if (m_viewer)
        m_viewer->setExpSpotIsActive(metering == 0);
}

void TVK_GUI_LiveViewWindow::catchGCPipIsActive(bool isActive)
{
    m_gcPipMode = isActive;
}

void TVK_GUI_LiveViewWindow::catchGCPipInactive()
{
    m_gcPipMode = false;
}

void TVK_GUI_LiveViewWindow::catchHasOrientation(bool has)
{
    m_hasOrientation = has;
}

void TVK_GUI_LiveViewWindow::catchOrientation(int degrees)
{
    m_orientation = degrees;
}

void TVK_GUI_LiveViewWindow::catch3DAxisAngles(double first, double second)
{
    m_axisAngles[0] = first;
    m_axisAngles[1] = second;
}

void TVK_GUI_LiveViewWindow::createWindow(int mode)
{
    const char *const prefix = kCreatePrefix;
    auto *window = new Window(m_cameraWindow.data());
    m_window = window;
    window->setAttribute(Qt::WA_DeleteOnClose);
    // No close button: the window lives as long as the camera sends frames.
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                           | Qt::WindowMaximizeButtonHint);
    window->setExtraHeight(kLiveViewInfoHeight);
    TVK_GUI_ViewWindowScreen::place(window, m_cameraWindow.data(), QSize(660, 446), QStringLiteral("LiveViewDialog"));
    TVK_GUI_Application::applyAlwaysOnTop(window);

    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(2);
    auto *toolBar = new TVK_GUI_ViewAidsToolBar(TVK_GUI_ViewAidsToolBar::kLELiveView, window);
    toolBar->addShortcutsTo(window);
    m_toolBar = toolBar;
    window->setExtraHeight(kLiveViewInfoHeight + toolBar->sizeHint().height() + layout->spacing());
    auto *viewer = new TVK_GUI_ImageViewer(window);
    viewer->setMinimumSize(300, 200);
    auto *info = new TVK_GUI_LiveViewInfoWidget(window);
    layout->addWidget(toolBar);
    layout->addWidget(viewer);
    layout->addWidget(info);
    m_viewer = viewer;
    m_info = info;
    m_gcPipMode = mode == 4;

    using C = TVK_Logic_Controller;
    using L = TVK_GUI_LiveViewWindow;
    using V = TVK_GUI_ImageViewer;
    using I = TVK_GUI_LiveViewInfoWidget;
    C *controller = m_controller;
    connect(window, &QObject::destroyed, this, &L::catchLiveViewDestroyed);
    connect(this, &L::signalLiveViewMode, viewer, &V::setLiveViewMode);
    connect(this, &L::signalLiveViewMode, info, &I::setLiveViewMode);
    connect(controller, &C::signalLiveZoomInfo, this, &L::catchLiveZoomInfo, Qt::UniqueConnection);
    connect(this, &L::signalLiveZoomInfo, viewer, &V::setZoomInfo);
    connect(this, &L::signalLiveZoomInfo, info, &I::setZoomInfo);
    connect(controller, &C::signalLiveZoomRect, this, &L::catchLiveZoomRect, Qt::UniqueConnection);
    connect(this, &L::signalLiveZoomRect, viewer, &V::setZoomRect);
    connect(info, &I::signalAFPressed, controller, &C::doLiveViewAFPressed);
    connect(info, &I::signalAFReleased, controller, &C::doLiveViewAFReleased);
    connect(viewer, &V::signalCrossPos, this, &L::catchCrossPosEdited);
    connect(this, &L::signalCrossPosEdited, controller, &C::setLiveViewCrossPos, Qt::UniqueConnection);
    connect(viewer, &V::signalPixmapConsumed, controller, &C::catchLiveViewConsumed);
    connect(controller, &C::signalExposureSimulationList, info, &I::setExposureSimulationList);
    connect(controller, qOverload<int>(&C::signalExposureSimulation), info, &I::setExposureSimulation);
    connect(info, &I::signalExposureSimulation, controller, qOverload<int>(&C::setExposureSimulation));
    connect(controller, &C::signalLiveAudioLevel, info, &I::setAudioLevel);
    connect(info, &I::signalAudioVolume, this, &L::catchAudioVolume);
    connect(controller, &C::signalLiveTimeCode, info, &I::setTimeCode);
    connect(info, &I::signalZoomLevelClicked, controller, &C::toggleLiveViewZoom);
    connect(info, &I::signalGCPipIsActive, controller, &C::setLiveViewGCPipActive);
    connect(info, &I::signalGCPipIsActive, viewer, &V::setGCPipIsActive);
    connect(info, &I::signalGCPipIsActive, this, &L::catchGCPipIsActive);
    connect(viewer, &V::signalGCPipPos, info, &I::setGCPipNeedsSave);
    connect(viewer, &V::signalGCPipPos, this, &L::catchGCPipPosEdited);
    connect(this, &L::signalGCPipPosEdited, controller, &C::setLiveViewGCPipPos, Qt::UniqueConnection);
    connect(info, &I::signalGCPipSave, controller, &C::doLiveViewGCPipSave);
    connect(info, &I::signalGCPipSave, this, &L::catchGCPipInactive);
    connect(controller, &C::signalLiveViewAnalysis, this, &L::catchLiveViewAnalysis, Qt::UniqueConnection);
    connect(controller, &C::signalQuickView, this, &L::catchQuickView, Qt::UniqueConnection);
    connect(toolBar, &TVK_GUI_ViewAidsToolBar::signalAidsChanged, this, &L::catchAidsChanged);
    connect(toolBar, &TVK_GUI_ViewAidsToolBar::signalChooseOnionPicture, this, &L::chooseOnionPicture);

    viewer->setExpSpotIsActive(m_exposMetering == 0);
    viewer->setGCPipIsActive(m_gcPipMode);
    // Live frames are shown as they come: matching each one would cost more
    // than the frame rate allows.
    viewer->setWantColorMatch(false);
    const int product = controller->productId();
    viewer->setWantMoveInZoom(TVK_Commu_ProductTraits::of(product).has(TVK_Commu_ProductTraits::kLEMoveInZoom));
    info->setAudioVolumeIsManual(m_audioVolIsManual);
    info->setAudioVolume(m_audioVolMicrophone);
    info->setGCPipIsActive(m_gcPipMode);
    // Per product, and the product is known once a frame comes.
    m_aids = TVK_GUI_ViewAidsStore::load(TVK_GUI_ViewAidsStore::kLiveViewGroup);
    toolBar->setAids(m_aids);
    showAidsInViewer();
    installAnalysis();
    debugLog(kLELogAlways, "%s - live view window opened in mode %d", prefix, mode);
}

void TVK_GUI_LiveViewWindow::showLiveView(const QImage &image)
{
    if (!m_cameraWindow)
        return;
    m_closeTimer->stop();
    const int mode = m_controller->liveViewMode();
    const bool videoMode = mode == 1 || mode == 3;
    if (videoMode && m_window)
        m_window->hide();
    m_cameraWindow->setLiveViewPhoto(mode == 2);
    m_cameraWindow->setLiveViewVideo(mode == 3);
    if (!m_window) {
        createWindow(mode);
        Q_EMIT signalOpened();
    }
    Window *window = m_window.data();
    m_screen.matchToScreenOf(window, m_viewer.data());
    Q_EMIT signalLiveViewMode(mode);

    m_rotation = quint16(rotationFor(m_hasOrientation, m_orientation, m_axisAngles[0]));
    QPixmap pixmap = QPixmap::fromImage(image);
    if (m_rotation != 0 && !pixmap.isNull())
        pixmap = pixmap.transformed(QTransform().rotate(m_rotation));
    if (m_viewer) {
        // The marks of one frame never lie over another: a frame whose
        // analysis did not come (the stage was just laid in) goes without.
        m_viewer->overlay()->setRotation(m_rotation);
        if (m_frameAids.sourceKey == image.cacheKey() && m_frameAids.sourceKey != 0)
            m_viewer->setFrame(pixmap, m_frameAids);
        else
            m_viewer->setPixmap(pixmap);
    }
    m_frameAids = TVK_Color_FrameAids();
    Q_EMIT signalLiveViewPixmap(pixmap);
    if (m_viewer)
        m_viewer->setGCPipIsActive(m_gcPipMode);
    if (m_info)
        m_info->setGCPipIsActive(m_gcPipMode);
    if (mode == 4)
        window->setWindowTitle(tr("Gray Card Live View", "Live View Window Title"));
    else if (mode == 2)
        window->setWindowTitle(tr("Live View Photo", "Live View Window Title"));
    else
        window->setWindowTitle(tr("Live View Video", "Live View Window Title"));
    window->setAspectRatio(pixmap.isNull() ? 0.0 : double(pixmap.width()) / double(pixmap.height()));
    if (!videoMode)
        window->show();
}

void TVK_GUI_LiveViewWindow::catchLiveViewDestroyed()
{
    // No window, no one to look at the aids: the stream runs bare again.
    if (m_controller != nullptr)
        m_controller->setLiveViewAnalysis({});
    m_window = nullptr;
    m_viewer = nullptr;
    m_info = nullptr;
    Q_EMIT signalClosed();
}

void TVK_GUI_LiveViewWindow::catchLiveViewCloseRequested()
{
    m_closeTimer->start(kLiveViewCloseDelayMs);
}

void TVK_GUI_LiveViewWindow::catchLiveViewCloseTimedOut()
{
    closeLiveView();
}

void TVK_GUI_LiveViewWindow::closeLiveView()
{
    closeWindow();
    if (m_cameraWindow) {
        m_cameraWindow->setLiveViewPhoto(false);
        m_cameraWindow->setLiveViewVideo(false);
    }
}

void TVK_GUI_LiveViewWindow::closeWindow()
{
    if (m_window)
        m_window->close();
}

void TVK_GUI_LiveViewWindow::catchLiveZoomInfo(int stripe, int zoomLevel, double x, double y)
{
    const QPointF point = rotatedPoint(QPointF(x, y), m_rotation);
    Q_EMIT signalLiveZoomInfo(stripe, zoomLevel, point.x(), point.y());
}

void TVK_GUI_LiveViewWindow::catchLiveZoomRect(double x, double y, double w, double h)
{
    const QRectF rect = rotatedRect(QRectF(x, y, w, h), m_rotation);
    Q_EMIT signalLiveZoomRect(rect.x(), rect.y(), rect.width(), rect.height());
}

void TVK_GUI_LiveViewWindow::catchCrossPosEdited(double x, double y)
{
    const QPointF point = rotatedPoint(QPointF(x, y), (360 - m_rotation) % 360);
    Q_EMIT signalCrossPosEdited(point.x(), point.y());
}

void TVK_GUI_LiveViewWindow::catchGCPipPosEdited(double x, double y)
{
    const QPointF point = rotatedPoint(QPointF(x, y), (360 - m_rotation) % 360);
    Q_EMIT signalGCPipPosEdited(point.x(), point.y());
}

void TVK_GUI_LiveViewWindow::installAnalysis()
{
    const TVK_Color_FrameAids::Choice choice = m_aids.analysis;
    if (!choice.any()) {
        m_controller->setLiveViewAnalysis({});
        return;
    }
    m_controller->setLiveViewAnalysis([choice](const QImage &frame) {
        return QVariant::fromValue(TVK_Color_FrameAnalyzer::analyse(frame, choice));
    });
}

void TVK_GUI_LiveViewWindow::showAidsInViewer()
{
    if (!m_viewer)
        return;
    TVK_GUI_AidsOverlay *overlay = m_viewer->overlay();
    overlay->setAids(m_aids);
    overlay->setOnionSkin(m_aids.onionSkin ? m_onionPicture : QImage());
}

void TVK_GUI_LiveViewWindow::catchLiveViewAnalysis(const QVariant &result)
{
    if (!result.canConvert<TVK_Color_FrameAids>()) {
        TVK_METHOD(prefix);
        debugLog(kLELogStream, "%s - a result of type %s is no frame analysis, ignored", prefix, result.typeName());
        return;
    }
    m_frameAids = result.value<TVK_Color_FrameAids>();
}

void TVK_GUI_LiveViewWindow::catchAidsChanged(const TVK_GUI_ViewAids &aids)
{
    const bool analysisChanged = aids.analysis != m_aids.analysis;
    m_aids = aids;
    TVK_GUI_ViewAidsStore::save(TVK_GUI_ViewAidsStore::kLiveViewGroup, aids);
    showAidsInViewer();
    if (analysisChanged)
        installAnalysis();
}

void TVK_GUI_LiveViewWindow::catchQuickView(const QByteArray &data, const QString &path, int orientation)
{
    TVK_METHOD(prefix);
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader(&buffer);
    const QImage picture = uprightScaled(reader, orientation);
    if (picture.isNull()) {
        debugLog(kLELogAlways, "%s - \"%s\" cannot be read (%s); the onion skin keeps its picture", prefix,
                 qUtf8Printable(path), qUtf8Printable(reader.errorString()));
        return;
    }
    setOnionPicture(picture);
}

void TVK_GUI_LiveViewWindow::setOnionPicture(const QImage &picture)
{
    m_onionPicture = picture;
    showAidsInViewer();
}

void TVK_GUI_LiveViewWindow::chooseOnionPicture()
{
    TVK_METHOD(prefix);
    const QString path = QFileDialog::getOpenFileName(m_window.data(), tr("Picture under the live view"), QString(),
                                                      tr("Pictures (*.jpg *.jpeg *.JPG *.png *.tif *.tiff)"));
    if (path.isEmpty())
        return;
    QImageReader reader(path);
    // Its own orientation, which the reader applies.
    reader.setAutoTransform(true);
    const QImage picture = uprightScaled(reader, 1);
    if (picture.isNull()) {
        debugLog(kLELogAlways, "%s - \"%s\" cannot be read (%s)", prefix, qUtf8Printable(path),
                 qUtf8Printable(reader.errorString()));
        return;
    }
    setOnionPicture(picture);
}
