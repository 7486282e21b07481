#include "TVK_GUI_Application.h"

#include "TVK_App_Identity.h"
#include "TVK_Commu_ProductTraits.h"
#include "TVK_Debug_Log.h"
#include "TVK_GUI_AboutDialog.h"
#include "TVK_GUI_CameraArdo2.h"
#include "TVK_GUI_CommandServer.h"
#include "TVK_GUI_DeleteProfilesDialog.h"
#include "TVK_GUI_LiveViewWindow.h"
#include "TVK_GUI_NoCamera.h"
#include "TVK_GUI_QuickViewWindow.h"
#include "TVK_GUI_Resources.h"
#include "TVK_GUI_Settings.h"
#include "TVK_GUI_SaveProfileDialog.h"
#include "TVK_GUI_SettingsAwareWidgetT.h"
#include "TVK_GUI_UpdateChecker.h"
#include "TVK_GUI_WarningBox.h"
#include "TVK_Logic_CommandFacade.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Logic_ControllerWorker.h"
#include "TVK_Logic_FolderSettings.h"

#include <QAction>
#include <QActionGroup>
#include <QDesktopServices>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStyleFactory>
#include <QTcpSocket>
#include <QThread>
#include <QUrl>
#include <QVector>

namespace {

using NoCameraWindow = TVK_GUI_SettingsAwareWidgetT<TVK_GUI_NoCamera>;
using CameraWindow = TVK_GUI_SettingsAwareWidgetT<TVK_GUI_CameraArdo2>;

// The title bar above a stored rectangle must be on a screen, or the user
// could never grab the window again.
constexpr int kTitleBarHeight = 44;

unsigned long threadForLog()
{
    return static_cast<unsigned long>(reinterpret_cast<quintptr>(QThread::currentThreadId()));
}

TVK_GUI_Application *s_instance = nullptr;
TVK_GUI_Application::WarningSink s_warningSink;

} // namespace

TVK_GUI_Application::TVK_GUI_Application(int &argc, char **argv)
    : QApplication(argc, argv)
    , m_warningBox(new TVK_GUI_WarningBox(this))
{
    TVK_METHOD(prefix);
    s_instance = this;
    qRegisterMetaType<QVector<int>>("QVector<int>");

    setOrganizationName(QString::fromLatin1(TVK_App_Identity::kOrganizationName));
    setApplicationName(QString::fromLatin1(TVK_App_Identity::kApplicationName));
    setApplicationDisplayName(QString::fromLatin1(TVK_App_Identity::kApplicationDisplayName));
    setApplicationVersion(QString::fromLatin1(TVK_App_Identity::kApplicationVersion));
    setAttribute(Qt::AA_UseHighDpiPixmaps);
    setStyle(QStyleFactory::create(QStringLiteral("fusion")));
    setQuitOnLastWindowClosed(false);

    TVK_GUI_Resources::initialize();
    m_panelFontFamily = TVK_GUI_Resources::registerFont();
    // The desktop entry's name lets a Wayland compositor find its icon; on X11
    // the windows carry the icon themselves.
    setDesktopFileName(QStringLiteral("norba-pellora"));
    setWindowIcon(TVK_GUI_Resources::windowIcon());

    debugLog(kLELogAlways, "====== %s %s ======", qUtf8Printable(applicationDisplayName()),
             qUtf8Printable(applicationVersion()));

    auto *noCamera = new NoCameraWindow;
    m_noCameraWindow = noCamera;
    noCamera->setObjectName(QStringLiteral("WinNoCamera"));
    noCamera->setMenuBar(createMenuBar(noCamera));
    restoreGeometryOnScreen(noCamera);
    noCamera->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                             | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    // One sheet for the whole program, not one per window: Qt keeps what a
    // window's own sheet worked out for its widgets after the window is
    // gone, about 50 KB for every camera window a reconnect opened.
    const QString style = TVK_GUI_Resources::styleSheet(prefix);
    if (!style.isEmpty())
        setStyleSheet(style);

    debugLog(kLELogAlways, "%s - created in thread 0x%012lX", prefix, threadForLog());

    m_controllerThread = new QThread;
    m_worker = new TVK_Logic_ControllerWorker;
    m_worker->moveToThread(m_controllerThread);
    connect(m_controllerThread, &QThread::started, m_worker, &TVK_Logic_ControllerWorker::process);
    connect(this, &TVK_GUI_Application::signalFinishController, m_worker, &TVK_Logic_ControllerWorker::requestFinish);
    // Direct: the end of the controller may come while this thread waits for
    // it in the destructor and runs no event loop.
    connect(m_worker, &TVK_Logic_ControllerWorker::signalFinished, m_controllerThread, &QThread::quit,
            Qt::DirectConnection);
    connect(m_worker, &TVK_Logic_ControllerWorker::signalFinished, m_worker, &QObject::deleteLater);
    connect(m_controllerThread, &QThread::finished, m_controllerThread, &QObject::deleteLater);
    // The user's folders reach the controller before it looks for a camera:
    // a camera that holds a picture announces it as soon as it is opened,
    // before its window (which sends them too) is there.
    {
        TVK_Logic_FolderSettings saved;
        TVK_GUI_Settings::instance()->loadFolderSettings(&saved);
        const TVK_Logic_FolderSettings::Record folders{saved.dngPictureFolder(), saved.jpgPictureFolder(),
                                                       saved.pictureNewFileName(), saved.pictureNumber()};
        m_worker->setOnCreated([folders](TVK_Logic_Controller *controller) {
            TVK_Logic_FolderSettings initial;
            initial.load(folders);
            controller->setFolderSettings(&initial);
        });
    }
    m_controllerThread->start(QThread::InheritPriority);

    m_controller = m_worker->waitForController();
    m_liveView = std::make_unique<TVK_GUI_LiveViewWindow>(m_controller);
    m_quickView = std::make_unique<TVK_GUI_QuickViewWindow>(m_controller);
    m_commandFacade = std::make_unique<TVK_Logic_CommandFacade>(m_controller);
    m_updateChecker = std::make_unique<TVK_GUI_UpdateChecker>([this]() { return dialogParent(); });

    applyAlwaysOnTopToAll();
    m_controller->setIsUnitFeet(TVK_GUI_Settings::instance()->isUnitFeet());

    connect(m_controller, &TVK_Logic_Controller::signalCameraConnected, this,
            &TVK_GUI_Application::catchCameraConnected);
    connect(m_controller, &TVK_Logic_Controller::signalCameraDisconnected, this,
            &TVK_GUI_Application::catchCameraDisconnected);
    connect(m_controller, &TVK_Logic_Controller::signalLightroomDetected, noCamera,
            &TVK_GUI_NoCamera::lightroomDetected);
    connect(this, &TVK_GUI_Application::signalCameraGUIOpened, m_controller,
            &TVK_Logic_Controller::catchCameraGUIOpened);
    connect(this, &TVK_GUI_Application::signalCameraGUIClosed, m_controller,
            &TVK_Logic_Controller::catchCameraGUIClosed);
    connect(this, &TVK_GUI_Application::signalLiveViewGUIOpened, m_controller,
            &TVK_Logic_Controller::catchLiveViewGUIOpened);
    connect(this, &TVK_GUI_Application::signalLiveViewGUIClosed, m_controller,
            &TVK_Logic_Controller::catchLiveViewGUIClosed);
    connect(this, &TVK_GUI_Application::signalAudioVolMicrophone, m_controller,
            qOverload<double>(&TVK_Logic_Controller::setAudioVolMicrophone));
    connect(m_controller, &TVK_Logic_Controller::signalHasFocusDistance, this,
            &TVK_GUI_Application::setUnitsMenuEnabled);
    connect(m_controller, &TVK_Logic_Controller::signalWarning, this, &TVK_GUI_Application::showWarning);
    using C = TVK_Logic_Controller;
    using A = TVK_GUI_Application;
    connect(m_controller, &C::signalHasOrientation, this, &A::catchHasOrientation);
    connect(m_controller, qOverload<int>(&C::signalOrientation), this, &A::catchOrientation);
    connect(m_controller, &C::signal3DAxisAngles, this, &A::catch3DAxisAngles);
    connect(m_controller, &C::signalAudioLevelIsManual, this, &A::catchAudioVolIsManual);
    connect(m_controller, qOverload<double>(&C::signalAudioVolMicrophone), this, &A::catchAudioVolMicrophone);
    connect(m_controller, qOverload<int>(&C::signalExposMetering), this, &A::catchExposMetering);
    connect(m_controller, &C::signalLiveView, this, &A::showLiveView);
    connect(m_controller, &C::signalNoLiveView, this, &A::catchLiveViewCloseRequested);
    connect(m_controller, &C::signalQuickView, this, &A::showQuickView);
    connect(m_controller, &C::signalNoQuickView, this, &A::closeQuickView);
    // What the windows say on their own is said by the application.
    using L = TVK_GUI_LiveViewWindow;
    TVK_GUI_LiveViewWindow *live = m_liveView.get();
    connect(live, &L::signalOpened, this, &A::signalLiveViewGUIOpened);
    connect(live, &L::signalClosed, this, &A::signalLiveViewGUIClosed);
    connect(live, &L::signalAudioVolMicrophone, this, &A::signalAudioVolMicrophone);
    connect(live, &L::signalLiveViewMode, this, &A::signalLiveViewMode);
    connect(live, &L::signalLiveZoomInfo, this, &A::signalLiveZoomInfo);
    connect(live, &L::signalLiveZoomRect, this, &A::signalLiveZoomRect);
    connect(live, &L::signalCrossPosEdited, this, &A::signalCrossPosEdited);
    connect(live, &L::signalGCPipPosEdited, this, &A::signalGCPipPosEdited);
    connect(live, &L::signalLiveViewPixmap, this, &A::signalLiveViewPixmap);
    connect(m_quickView.get(), &TVK_GUI_QuickViewWindow::signalQuickViewPixmap, this, &A::signalQuickViewPixmap);
    connect(m_updateChecker.get(), &TVK_GUI_UpdateChecker::signalUpdateVersion, this, &A::signalUpdateVersion);
    m_commandServer = new TVK_GUI_CommandServer(this);
    connect(m_commandServer, &TVK_GUI_CommandServer::signalChunk, this, &A::signalTcpCommand);
    connect(m_commandServer, &TVK_GUI_CommandServer::signalRelease, m_commandFacade.get(),
            &TVK_Logic_CommandFacade::release);
    // Queued: a command runs from the event loop, after the read handler has
    // returned, so a "Q" never deletes the socket under its own readyRead.
    connect(this, &TVK_GUI_Application::signalTcpCommand, this, &TVK_GUI_Application::catchTcpCommand,
            Qt::QueuedConnection);
    connect(this, &TVK_GUI_Application::signalUpdateVersion, this, &TVK_GUI_Application::catchUpdateVersion);
    startCommandServer();
    // The controller looks for a camera as soon as it exists: one attached at
    // start may have connected before the connections above were made.
    if (m_controller->productId() != 0)
        QMetaObject::invokeMethod(this, &TVK_GUI_Application::catchCameraConnected, Qt::QueuedConnection);

    noCamera->show();
}

TVK_GUI_Application::~TVK_GUI_Application()
{
    m_commandServer->shutDown();
    delete m_quickView->window();
    delete m_liveView->window();
    delete m_cameraWindow.data();
    delete m_noCameraWindow.data();
    // Its box may stand alone, and no widget may outlive the application.
    delete m_warningBox;
    m_warningBox = nullptr;
    m_folderSettings.reset();

    // The worker ends its loop, deletes the controller and quits its thread;
    // the controller's camera must be closed before the process goes.
    QPointer<QThread> thread = m_controllerThread;
    Q_EMIT signalFinishController();
    if (thread && !thread->wait(30000))
        debugLog(kLELogAlways, "TVK_GUI_Application::~TVK_GUI_Application() - controller thread did not end");
    m_controller = nullptr;
    debugLog(kLELogAlways, "====== Quit ======");
    s_instance = nullptr;
}

TVK_GUI_Application *TVK_GUI_Application::instance()
{
    return s_instance;
}

void TVK_GUI_Application::setWarningSinkForTesting(WarningSink sink)
{
    s_warningSink = std::move(sink);
}

void TVK_GUI_Application::setUpdateSinkForTesting(UpdateSink sink)
{
    TVK_GUI_UpdateChecker::setSinkForTesting(std::move(sink));
}

TVK_GUI_NoCamera *TVK_GUI_Application::noCameraWindow() const
{
    return m_noCameraWindow.data();
}

TVK_GUI_CameraArdo2 *TVK_GUI_Application::cameraWindow() const
{
    return m_cameraWindow.data();
}

// --- Menus ----------------------------------------------------------------------------------------

QMenuBar *TVK_GUI_Application::createMenuBar(QWidget *parent)
{
    auto *bar = new QMenuBar(parent);
    TVK_GUI_Settings *settings = TVK_GUI_Settings::instance();

    QMenu *file = bar->addMenu(tr("File"));
    connect(file->addAction(tr("About")), &QAction::triggered, this, &TVK_GUI_Application::catchActionAbout);
    QAction *eula = file->addAction(tr("End User License Agreement"));
    eula->setMenuRole(QAction::ApplicationSpecificRole);
    connect(eula, &QAction::triggered, this, &TVK_GUI_Application::catchActionEula);
    connect(file->addAction(tr("Quit")), &QAction::triggered, this, &TVK_GUI_Application::catchActionQuit);

    QMenu *options = bar->addMenu(tr("Options"));
    QMenu *units = options->addMenu(tr("Meter/Feet"));
    auto *unitGroup = new QActionGroup(units);
    unitGroup->setExclusive(true);
    const bool feet = settings->isUnitFeet();
    for (const bool isFeet : {false, true}) {
        QAction *action = units->addAction(isFeet ? tr("Feet") : tr("Meter"));
        action->setCheckable(true);
        action->setData(isFeet);
        action->setChecked(isFeet == feet);
        unitGroup->addAction(action);
        connect(action, &QAction::triggered, this, &TVK_GUI_Application::catchActionUnits);
    }
    QAction *onTop = options->addAction(tr("Always On Top"));
    onTop->setCheckable(true);
    onTop->setChecked(settings->alwaysOnTop());
    connect(onTop, &QAction::triggered, this, &TVK_GUI_Application::catchActionAlwaysOnTop);
    QMenu *transparency = options->addMenu(tr("Transparency"));
    for (const int percent : {0, 20, 40, 60}) {
        QAction *action = transparency->addAction(tr("%1%").arg(percent));
        action->setData(percent);
        connect(action, &QAction::triggered, this, &TVK_GUI_Application::catchActionTransparency);
    }

    m_optionsMenus.append(options);
    m_unitsMenus.append(units);
    setOptionsMenusVisible(false);
    return bar;
}

void TVK_GUI_Application::setOptionsMenusVisible(bool visible)
{
    for (const QPointer<QMenu> &menu : qAsConst(m_optionsMenus)) {
        if (menu)
            menu->menuAction()->setVisible(visible);
    }
}

void TVK_GUI_Application::setUnitsMenuEnabled(bool enabled)
{
    for (const QPointer<QMenu> &menu : qAsConst(m_unitsMenus)) {
        if (menu)
            menu->setEnabled(enabled);
    }
}

void TVK_GUI_Application::catchActionAbout()
{
    setQuitOnLastWindowClosed(false);
    auto *about = new TVK_GUI_AboutDialog(nullptr);
    applyAlwaysOnTop(about);
    connect(about, &QObject::destroyed, this, &TVK_GUI_Application::catchAboutDestroyed);
    about->setAttribute(Qt::WA_DeleteOnClose);
    TVK_GUI_Resources::applyStyleSheet(about);
    about->show();
}

void TVK_GUI_Application::catchAboutDestroyed()
{
    setQuitOnLastWindowClosed(true);
}

QString TVK_GUI_Application::eulaAddress()
{
    const QString configured = qEnvironmentVariable("TVK_EULA_URL");
    return configured.isEmpty() ? QStringLiteral("https://norba-pellora.example/licence") : configured;
}

QString TVK_GUI_Application::ownersAreaAddress()
{
    const QString configured = qEnvironmentVariable("TVK_OWNERS_AREA_URL");
    return configured.isEmpty() ? QStringLiteral("https://norba-pellora.example/owners") : configured;
}

QString TVK_GUI_Application::updateInfoAddress()
{
    const QString configured = qEnvironmentVariable("TVK_UPDATE_INFO_URL");
    return configured.isEmpty() ? QStringLiteral("https://norba-pellora.example/update/UpdateInfo.xml") : configured;
}

void TVK_GUI_Application::catchActionEula()
{
    QDesktopServices::openUrl(QUrl(eulaAddress()));
}

void TVK_GUI_Application::catchActionChooseProfile()
{
    // Profiles are names only so far; choosing one changes nothing.
    auto *action = qobject_cast<QAction *>(sender());
    const QString name = action != nullptr ? action->data().toString() : QString();
    Q_UNUSED(name)
}

void TVK_GUI_Application::catchActionSaveProfile()
{
    openDialog(new TVK_GUI_SaveProfileDialog(m_profileNames, m_noCameraWindow.data()));
}

void TVK_GUI_Application::catchActionDeleteProfile()
{
    openDialog(new TVK_GUI_DeleteProfilesDialog(m_profileNames, m_noCameraWindow.data()));
}

void TVK_GUI_Application::openDialog(QDialog *dialog)
{
    // No dialog of the program runs an event loop of its own: a window
    // closed inside such a loop (the camera unplugged, Quit) would be deleted
    // under the dialog still on the stack. A dialog is a child of its window
    // instead, goes with it, and says its answer through its signals.
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void TVK_GUI_Application::catchActionOpenManual()
{
    QDesktopServices::openUrl(QUrl(ownersAreaAddress()));
}

void TVK_GUI_Application::catchActionQuit()
{
    TVK_METHOD(prefix);
    debugLog(kLELogAlways, "%s - quit requested", prefix);
    m_quitRequested = true;
    if (m_cameraWindow) {
        m_cameraWindow->close();
    } else if (!m_noCameraWindow) {
        quit();
    } else {
        setQuitOnLastWindowClosed(true);
        m_noCameraWindow->close();
    }
}

void TVK_GUI_Application::catchActionUnits()
{
    auto *action = qobject_cast<QAction *>(sender());
    if (action == nullptr)
        return;
    TVK_GUI_Settings::instance()->setIsUnitFeet(action->data().toBool());
    m_controller->setIsUnitFeet(TVK_GUI_Settings::instance()->isUnitFeet());
}

void TVK_GUI_Application::catchActionAutoUpdates()
{
    auto *action = qobject_cast<QAction *>(sender());
    if (action == nullptr)
        return;
    TVK_GUI_Settings::instance()->setAutoUpdates(action->isChecked());
}

void TVK_GUI_Application::catchActionCheckUpdates()
{
    checkUpdates(false);
}

void TVK_GUI_Application::catchActionAlwaysOnTop()
{
    auto *action = qobject_cast<QAction *>(sender());
    if (action == nullptr)
        return;
    TVK_GUI_Settings::instance()->setAlwaysOnTop(action->isChecked());
    applyAlwaysOnTopToAll();
}

void TVK_GUI_Application::catchActionTransparency()
{
    auto *action = qobject_cast<QAction *>(sender());
    if (action == nullptr || !m_cameraWindow)
        return;
    bool ok = false;
    const int percent = action->data().toInt(&ok);
    if (ok)
        m_cameraWindow->setWindowOpacity(1.0 - percent / 100.0);
}

// --- Windows --------------------------------------------------------------------------------------

void TVK_GUI_Application::applyAlwaysOnTop(QWidget *window)
{
    if (window == nullptr)
        return;
    const bool onTop = TVK_GUI_Settings::instance()->alwaysOnTop();
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    // Changing a window's flags hides it; it comes back where it was.
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (visible)
        window->show();
}

void TVK_GUI_Application::applyAlwaysOnTopToAll()
{
    applyAlwaysOnTop(m_noCameraWindow.data());
    applyAlwaysOnTop(m_cameraWindow.data());
    applyAlwaysOnTop(m_liveView->window());
    applyAlwaysOnTop(m_quickView->window());
}

QRect TVK_GUI_Application::fitOnScreens(const QRect &stored, const QList<QRect> &availableScreens)
{
    const QRect titleBar(stored.left(), stored.top() - kTitleBarHeight, stored.width(), kTitleBarHeight);
    for (const QRect &screen : availableScreens) {
        if (!screen.contains(titleBar))
            continue;
        QRect fitted = stored;
        fitted.setWidth(qMin(fitted.width(), screen.width()));
        fitted.setHeight(qMin(fitted.height(), screen.height()));
        fitted.moveTo(qMin(fitted.left(), screen.right() - fitted.width() + 1),
                      qMin(fitted.top(), screen.bottom() - fitted.height() + 1));
        return fitted;
    }
    return QRect();
}

bool TVK_GUI_Application::restoreGeometryOnScreen(QWidget *window)
{
    QRect stored;
    if (window == nullptr || !TVK_GUI_Settings::instance()->windowPosition(window->objectName(), &stored))
        return false;
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    const QRect fitted = fitOnScreens(stored, screens);
    if (!fitted.isValid())
        return false;
    window->setGeometry(fitted);
    return true;
}

// --- Camera ---------------------------------------------------------------------------------------

void TVK_GUI_Application::catchCameraConnected()
{
    TVK_METHOD(prefix);
    // Also reached from the constructor's look at a camera connected early.
    if (m_cameraWindow || m_cameraAnnounced)
        return;
    m_cameraAnnounced = true;
    debugLog(kLELogAlways, "====== Connected to %s ======", qUtf8Printable(m_controller->productName()));
    if (m_noCameraWindow) {
        m_noCameraWindow->showNormal();
        m_noCameraWindow->hide();
    }
    const int product = m_controller->productId();
    TVK_GUI_Settings::instance()->setLastProductId(product);
    if (!m_folderSettings) {
        m_folderSettings = std::make_unique<TVK_Logic_FolderSettings>();
        TVK_GUI_Settings::instance()->loadFolderSettings(m_folderSettings.get());
        m_controller->setFolderSettings(m_folderSettings.get());
    }
    if (!TVK_Commu_ProductTraits::of(product).isKnown()) {
        debugLog(kLELogAlways, "%s - unknown camera with ProductId 0x%X", prefix, unsigned(product));
        return;
    }

    auto *window = new CameraWindow(this, m_controller);
    m_cameraWindow = window;
    m_liveView->setCameraWindow(window);
    m_quickView->setCameraWindow(window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setAttribute(Qt::WA_QuitOnClose, false);
    window->setObjectName(QStringLiteral("WinCamera"));
    QRect stored;
    if (TVK_GUI_Settings::instance()->windowPosition(window->objectName(), &stored))
        window->setGeometry(stored);
    applyAlwaysOnTop(window);
    connect(window, &QObject::destroyed, this, &TVK_GUI_Application::catchCameraGUIDestroyed);

    Q_EMIT signalCameraGUIOpened();
    window->show();
    setOptionsMenusVisible(true);
    if (TVK_GUI_Settings::instance()->autoUpdates())
        checkUpdates(true);
}

void TVK_GUI_Application::catchCameraGUIDestroyed()
{
    // A widget announces its end before it deletes its children, the live
    // and quick view among them: from here on no one may take it for a panel.
    m_cameraWindow = nullptr;
    m_liveView->setCameraWindow(nullptr);
    m_quickView->setCameraWindow(nullptr);
    // Quitting: the search stops before the camera is closed, so the poll
    // cannot find it again and leave a new session open at exit.
    if (m_quitRequested && m_controller != nullptr)
        m_controller->stopCameraSearch();
    Q_EMIT signalCameraGUIClosed();
    if (!m_quitRequested && m_noCameraWindow)
        m_noCameraWindow->show();
    m_liveView->closeWindow();
    setOptionsMenusVisible(false);
}

void TVK_GUI_Application::catchCameraDisconnected()
{
    m_folderSettings.reset();
    m_cameraAnnounced = false;
    debugLog(kLELogAlways, "====== Disconnected ======");
    if (m_cameraWindow)
        m_cameraWindow->close();
    else if (!m_quitRequested && m_noCameraWindow)
        m_noCameraWindow->show(); // a camera of an unknown product opened no window of its own
    if (m_quitRequested && m_noCameraWindow) {
        setQuitOnLastWindowClosed(true);
        m_noCameraWindow->close();
    }
}

void TVK_GUI_Application::setWantQuitIfStillConnected()
{
    if (m_controller != nullptr && m_controller->productId() != 0)
        m_quitRequested = true;
}

// --- Folder fields --------------------------------------------------------------------------------

void TVK_GUI_Application::saveFolderSettings()
{
    TVK_GUI_Settings::instance()->saveFolderSettings(m_folderSettings.get());
}

void TVK_GUI_Application::setDngPath(const QString &path)
{
    if (!m_folderSettings)
        return;
    m_folderSettings->setDngPictureFolder(path);
    saveFolderSettings();
}

void TVK_GUI_Application::setJpgPath(const QString &path)
{
    if (!m_folderSettings)
        return;
    m_folderSettings->setJpgPictureFolder(path);
    saveFolderSettings();
}

void TVK_GUI_Application::setPictureName(const QString &name)
{
    if (!m_folderSettings)
        return;
    m_folderSettings->setPictureNewFileName(name);
    saveFolderSettings();
}

void TVK_GUI_Application::setPictureIndex(int index)
{
    if (!m_folderSettings)
        return;
    m_folderSettings->setPictureNumber(index);
    saveFolderSettings();
}

// --- Live view and quick view ---------------------------------------------------------------------

QWidget *TVK_GUI_Application::liveViewWindow() const
{
    return m_liveView->window();
}

QWidget *TVK_GUI_Application::quickViewWindow() const
{
    return m_quickView->window();
}

TVK_GUI_ImageViewer *TVK_GUI_Application::liveViewViewer() const
{
    return m_liveView->viewer();
}

TVK_GUI_LiveViewInfoWidget *TVK_GUI_Application::liveViewInfoWidget() const
{
    return m_liveView->infoWidget();
}

TVK_GUI_ImageViewer *TVK_GUI_Application::quickViewViewer() const
{
    return m_quickView->viewer();
}

int TVK_GUI_Application::liveViewRotation() const
{
    return m_liveView->rotation();
}

int TVK_GUI_Application::liveViewRotationFor(bool hasOrientation, int orientation, double firstAxisAngle)
{
    return TVK_GUI_LiveViewWindow::rotationFor(hasOrientation, orientation, firstAxisAngle);
}

QPointF TVK_GUI_Application::rotatedPoint(const QPointF &point, int rotation)
{
    return TVK_GUI_LiveViewWindow::rotatedPoint(point, rotation);
}

QRectF TVK_GUI_Application::rotatedRect(const QRectF &rect, int rotation)
{
    return TVK_GUI_LiveViewWindow::rotatedRect(rect, rotation);
}

void TVK_GUI_Application::catchAudioVolIsManual(bool isManual)
{
    m_liveView->catchAudioVolIsManual(isManual);
}

void TVK_GUI_Application::catchAudioVolMicrophone(double volume)
{
    m_liveView->catchAudioVolMicrophone(volume);
}

void TVK_GUI_Application::catchAudioVolume(double volume)
{
    m_liveView->catchAudioVolume(volume);
}

void TVK_GUI_Application::catchExposMetering(int metering)
{
    m_liveView->catchExposMetering(metering);
}

void TVK_GUI_Application::catchGCPipIsActive(bool isActive)
{
    m_liveView->catchGCPipIsActive(isActive);
}

void TVK_GUI_Application::catchGCPipInactive()
{
    m_liveView->catchGCPipInactive();
}

void TVK_GUI_Application::catchHasOrientation(bool has)
{
    m_liveView->catchHasOrientation(has);
}

void TVK_GUI_Application::catchOrientation(int degrees)
{
    m_liveView->catchOrientation(degrees);
}

void TVK_GUI_Application::catch3DAxisAngles(double first, double second)
{
    m_liveView->catch3DAxisAngles(first, second);
}

void TVK_GUI_Application::showLiveView(const QImage &image)
{
    m_liveView->showLiveView(image);
}

void TVK_GUI_Application::catchLiveViewDestroyed()
{
    m_liveView->catchLiveViewDestroyed();
}

void TVK_GUI_Application::catchLiveViewCloseRequested()
{
    m_liveView->catchLiveViewCloseRequested();
}

void TVK_GUI_Application::catchLiveViewCloseTimedOut()
{
    m_liveView->catchLiveViewCloseTimedOut();
}

void TVK_GUI_Application::closeLiveView()
{
    m_liveView->closeLiveView();
}

void TVK_GUI_Application::catchLiveZoomInfo(int stripe, int zoomLevel, double x, double y)
{
    m_liveView->catchLiveZoomInfo(stripe, zoomLevel, x, y);
}

void TVK_GUI_Application::catchLiveZoomRect(double x, double y, double w, double h)
{
    m_liveView->catchLiveZoomRect(x, y, w, h);
}

void TVK_GUI_Application::catchCrossPosEdited(double x, double y)
{
    m_liveView->catchCrossPosEdited(x, y);
}

void TVK_GUI_Application::catchGCPipPosEdited(double x, double y)
{
    m_liveView->catchGCPipPosEdited(x, y);
}

void TVK_GUI_Application::showQuickView(const QByteArray &data, const QString &path, int orientation)
{
    m_quickView->showQuickView(data, path, orientation);
}

void TVK_GUI_Application::closeQuickView()
{
    m_quickView->closeQuickView();
}

void TVK_GUI_Application::catchQuickViewDestroyed()
{
    m_quickView->catchQuickViewDestroyed();
}

// --- Warnings -------------------------------------------------------------------------------------

void TVK_GUI_Application::showWarning(const QString &text)
{
    if (text.isEmpty())
        return;
    if (s_warningSink) {
        s_warningSink(text);
        return;
    }
    if (m_warningBox != nullptr)
        m_warningBox->warn(m_cameraWindow.data(), tr("Warning", "Warning dialog title"), text);
}

// --- Command server -------------------------------------------------------------------------------

void TVK_GUI_Application::startCommandServer()
{
    TVK_METHOD(prefix);
    TVK_GUI_Settings *settings = TVK_GUI_Settings::instance();
    if (!settings->tcpServerEnabled()) {
        debugLog(kLELogTcpServer, "%s - TCP Server switched off in the settings", prefix);
        return;
    }
    const int port = settings->tcpServerPort();
    QString error;
    if (!m_commandServer->listen(quint16(port), &error)) {
        debugLog(kLELogAlways, "%s - TCP Server cannot listen on 127.0.0.1:%d: %s", prefix, port,
                 qUtf8Printable(error));
        return;
    }
    debugLog(kLELogTcpServer, "%s - TCP Server listening on 127.0.0.1:%d", prefix, port);
}

quint16 TVK_GUI_Application::commandServerPort() const
{
    return m_commandServer != nullptr ? m_commandServer->port() : 0;
}

// The server's own connections do this work; these entry points serve
// callers by name, acting on the connection that sent, or on every one.
void TVK_GUI_Application::openTcpConnection()
{
    m_commandServer->acceptClients();
}

void TVK_GUI_Application::closeTcpConnection()
{
    m_commandServer->closeClient(qobject_cast<QTcpSocket *>(sender()));
}

void TVK_GUI_Application::catchTcpReadyRead()
{
    m_commandServer->readClient(qobject_cast<QTcpSocket *>(sender()));
}

void TVK_GUI_Application::catchTcpCommand(const QByteArray &data)
{
    m_commandServer->runCommands(data);
}

// --- Update check ---------------------------------------------------------------------------------

void TVK_GUI_Application::checkUpdates(bool automatic)
{
    m_updateChecker->checkUpdates(automatic);
}

void TVK_GUI_Application::catchDownloadUpdatesInfo(QNetworkReply *reply)
{
    m_updateChecker->catchDownloadUpdatesInfo(reply);
}

bool TVK_GUI_Application::updateVersionFromXml(const QByteArray &xml, QString *version)
{
    return TVK_GUI_UpdateChecker::updateVersionFromXml(xml, version);
}

bool TVK_GUI_Application::isNewerVersion(const QString &version, const QString &current)
{
    return TVK_GUI_UpdateChecker::isNewerVersion(version, current);
}

QWidget *TVK_GUI_Application::dialogParent() const
{
    if (m_cameraWindow)
        return m_cameraWindow.data();
    return m_noCameraWindow.data();
}

void TVK_GUI_Application::catchUpdateVersion(const QString &updateVersion)
{
    m_updateChecker->catchUpdateVersion(updateVersion);
}
