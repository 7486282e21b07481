#include "TVK_GUI_QuickViewWindow.h"

#include "TVK_Debug_Log.h"
#include "TVK_GUI_AidsOverlay.h"
#include "TVK_GUI_Application.h"
#include "TVK_GUI_CameraArdo2.h"
#include "TVK_GUI_ImageViewer.h"
#include "TVK_GUI_Loupe.h"
#include "TVK_GUI_PictureAnalysis.h"
#include "TVK_GUI_PictureFileLoader.h"
#include "TVK_GUI_ShotDataWidget.h"
#include "TVK_GUI_ViewAidsStore.h"
#include "TVK_GUI_ViewAidsToolBar.h"
#include "TVK_Logic_Controller.h"

#include <QFileInfo>
#include <QImage>
#include <QTransform>
#include <QVBoxLayout>

namespace {

// The log has always named the showing after the application's own slot.
constexpr char kShowPrefix[] = "TVK_GUI_Application::showQuickView()";
constexpr size_t kQuickViewDumpLines = 10;
constexpr size_t kDumpBytesPerLine = 16;
constexpr char kLoupePrefix[] = "TVK_GUI_QuickViewWindow::setLoupeSource()";

} // namespace

TVK_GUI_QuickViewWindow::TVK_GUI_QuickViewWindow(TVK_Logic_Controller *controller, QObject *parent)
    : QObject(parent)
    , m_controller(controller)
    , m_analysis(new TVK_GUI_PictureAnalysis(this))
    , m_loader(new TVK_GUI_PictureFileLoader(this))
{
    connect(m_analysis, &TVK_GUI_PictureAnalysis::signalAnalysed, this, &TVK_GUI_QuickViewWindow::catchAnalysed);
    connect(m_loader, &TVK_GUI_PictureFileLoader::signalLoaded, this, &TVK_GUI_QuickViewWindow::catchFileLoaded);
}

TVK_GUI_QuickViewWindow::~TVK_GUI_QuickViewWindow() = default;

int TVK_GUI_QuickViewWindow::rotationOf(int orientation)
{
    // The mirrored orientations are shown as they come: no camera writes them.
    if (orientation == 3)
        return 180;
    if (orientation == 6)
        return 90;
    if (orientation == 8)
        return 270;
    return 0;
}

void TVK_GUI_QuickViewWindow::setCameraWindow(TVK_GUI_CameraArdo2 *cameraWindow)
{
    m_cameraWindow = cameraWindow;
}

QWidget *TVK_GUI_QuickViewWindow::window() const
{
    return m_window.data();
}

TVK_GUI_ImageViewer *TVK_GUI_QuickViewWindow::viewer() const
{
    return m_viewer.data();
}

TVK_GUI_Loupe *TVK_GUI_QuickViewWindow::loupe() const
{
    return m_loupe.data();
}

TVK_GUI_ShotDataWidget *TVK_GUI_QuickViewWindow::shotDataWidget() const
{
    return m_shotData.data();
}

TVK_GUI_ViewAidsToolBar *TVK_GUI_QuickViewWindow::aidsToolBar() const
{
    return m_toolBar.data();
}

bool TVK_GUI_QuickViewWindow::isBusy() const
{
    return m_analysis->isBusy() || m_loader->isBusy();
}

void TVK_GUI_QuickViewWindow::createWindow()
{
    auto *window = new Window(m_cameraWindow.data());
    m_window = window;
    // Its viewer has no profiles yet, wherever the last window stood.
    m_screen = TVK_GUI_ViewWindowScreen();
    window->setAttribute(Qt::WA_DeleteOnClose);
    auto *shotData = new TVK_GUI_ShotDataWidget(window);
    // Its height comes with the font the style sheet gives it.
    shotData->ensurePolished();
    const int lineHeight = shotData->sizeHint().height();
    auto *toolBar = new TVK_GUI_ViewAidsToolBar(TVK_GUI_ViewAidsToolBar::kLEQuickView, window);
    toolBar->addShortcutsTo(window);
    m_toolBar = toolBar;
    const int stripHeight = toolBar->sizeHint().height();
    // The line under the picture and the strip above take no part in its shape.
    window->setExtraHeight(lineHeight + stripHeight);
    TVK_GUI_ViewWindowScreen::place(window, m_cameraWindow.data(), QSize(640, 426 + lineHeight + stripHeight),
                                    QStringLiteral("QuickViewDialog"));
    TVK_GUI_Application::applyAlwaysOnTop(window);
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *viewer = new TVK_GUI_ImageViewer(window);
    viewer->setMinimumSize(300, 200);
    layout->addWidget(toolBar);
    layout->addWidget(viewer);
    layout->addWidget(shotData);
    m_viewer = viewer;
    m_shotData = shotData;
    m_loupe = new TVK_GUI_Loupe(viewer);
    connect(window, &QObject::destroyed, this, &TVK_GUI_QuickViewWindow::catchQuickViewDestroyed);
    connect(this, &TVK_GUI_QuickViewWindow::signalQuickViewPixmap, viewer, &TVK_GUI_ImageViewer::setPixmap);
    connect(toolBar, &TVK_GUI_ViewAidsToolBar::signalAidsChanged, this, &TVK_GUI_QuickViewWindow::catchAidsChanged);
    // Per product, and the product is known once a picture comes.
    m_aids = TVK_GUI_ViewAidsStore::load(TVK_GUI_ViewAidsStore::kQuickViewGroup);
    toolBar->setAids(m_aids);
    viewer->overlay()->setAids(m_aids);
}

void TVK_GUI_QuickViewWindow::showQuickView(const QByteArray &data, const QString &path, int orientation)
{
    const char *const prefix = kShowPrefix;
    if (debugLogEnabled(kLELogQuickView))
        debugHexDump(QStringLiteral("%1 with path \"%2\":").arg(QLatin1String(prefix), path),
                     QStringLiteral("quickViewBuffer"), data, kQuickViewDumpLines, kDumpBytesPerLine);
    if (!m_window)
        createWindow();
    Window *window = m_window.data();
    m_screen.matchToScreenOf(window, m_viewer.data());

    QString title = tr("Quick View", "Quick View Window Title");
    if (!path.isEmpty())
        title = QFileInfo(path).baseName() + QLatin1Char(' ') + title;

    const QImage image = QImage::fromData(data);
    QPixmap pixmap = QPixmap::fromImage(image);
    if (pixmap.isNull())
        debugLog(kLELogAlways, "%s - %d bytes of \"%s\" are no picture", prefix, data.size(), qUtf8Printable(path));
    const int rotation = rotationOf(orientation);
    if (rotation != 0 && !pixmap.isNull())
        pixmap = pixmap.transformed(QTransform().rotate(rotation));

    m_rotation = rotation;

    Q_EMIT signalQuickViewPixmap(pixmap);
    // Another picture: the loupe was on a place of the last one.
    m_loupe->close();
    m_loupe->setSource(image, rotation);
    TVK_Logic_ShotData known;
    if (!path.isEmpty())
        known.fileName = QFileInfo(path).fileName();
    // The bytes shown are the camera's preview; the size is the saved file's.
    const QFileInfo file(path);
    known.fileBytes = !path.isEmpty() && file.isFile() ? file.size() : -1;
    m_shotData->setShotData(known);
    m_shownPath = path;
    requestAnalysis();
    if (!path.isEmpty() && file.isFile())
        m_loader->request(path);
    window->setWindowTitle(title);
    window->setAspectRatio(pixmap.isNull() ? 0.0 : double(pixmap.width()) / double(pixmap.height()));
    window->show();
}

void TVK_GUI_QuickViewWindow::setShotData(const TVK_Logic_ShotData &data)
{
    if (!m_shotData)
        return;
    const TVK_Logic_ShotData known = m_shotData->shotData();
    TVK_Logic_ShotData merged = data;
    if (merged.fileName.isEmpty())
        merged.fileName = known.fileName;
    if (merged.fileBytes < 0)
        merged.fileBytes = known.fileBytes;
    m_shotData->setShotData(merged);
}

void TVK_GUI_QuickViewWindow::setLoupeSource(const QImage &image)
{
    if (!m_loupe)
        return;
    if (image.isNull()) {
        debugLog(kLELogAlways, "%s - no picture given, the loupe keeps the shown one", kLoupePrefix);
        return;
    }
    m_loupe->setSource(image, m_rotation);
}

void TVK_GUI_QuickViewWindow::requestAnalysis()
{
    // The marks of the last picture go with it; the new ones follow.
    if (m_viewer)
        m_viewer->overlay()->clearFrameAids();
    // The picture as shown (turned), from the viewer that holds it anyway.
    m_analysis->request(m_viewer ? m_viewer->sourcePixmap().toImage() : QImage(), m_aids.analysis);
}

void TVK_GUI_QuickViewWindow::catchAidsChanged(const TVK_GUI_ViewAids &aids)
{
    const bool analysisChanged = aids.analysis != m_aids.analysis;
    m_aids = aids;
    TVK_GUI_ViewAidsStore::save(TVK_GUI_ViewAidsStore::kQuickViewGroup, aids);
    if (m_viewer)
        m_viewer->overlay()->setAids(aids);
    if (analysisChanged)
        requestAnalysis();
}

void TVK_GUI_QuickViewWindow::catchAnalysed(const TVK_Color_FrameAids &aids)
{
    if (m_viewer)
        m_viewer->overlay()->setFrameAids(aids);
}

void TVK_GUI_QuickViewWindow::catchFileLoaded(const QString &path, const TVK_Logic_ShotData &shot,
                                              const QImage &picture)
{
    if (path != m_shownPath)
        return;
    setShotData(shot);
    // A raw file's preview may be smaller than what the camera sent to show.
    const QImage current = m_loupe ? m_loupe->source() : QImage();
    if (!picture.isNull() && qint64(picture.width()) * picture.height() > qint64(current.width()) * current.height())
        setLoupeSource(picture);
}

void TVK_GUI_QuickViewWindow::closeQuickView()
{
    if (m_window)
        m_window->close();
}

void TVK_GUI_QuickViewWindow::catchQuickViewDestroyed()
{
    m_window = nullptr;
    m_viewer = nullptr;
    m_loupe = nullptr;
    m_shotData = nullptr;
    if (m_controller != nullptr)
        m_controller->setWantQuickView(false);
    // The quick view is a child of the camera window and also goes while
    // that window is being destroyed; the application has taken the panel
    // away by then, so a window that is no panel any more is not touched.
    if (m_cameraWindow)
        m_cameraWindow->setWantQuickView(false);
}
