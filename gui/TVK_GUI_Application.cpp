#include "TVK_GUI_Application.h"

#include "TVK_App_Identity.h"
#include "TVK_Debug_Log.h"
#include "TVK_Color_Factory.h"
#include "TVK_GUI_AboutDialog.h"
#include "TVK_GUI_CameraArdo2.h"
#include "TVK_GUI_CommandServer.h"
#include "TVK_GUI_DeleteProfilesDialog.h"
#include "TVK_GUI_FixedAspectWidgetT.h"
#include "TVK_GUI_ImageViewer.h"
#include "TVK_GUI_LiveViewInfoWidget.h"
#include "TVK_GUI_NoCamera.h"
#include "TVK_GUI_Resources.h"
#include "TVK_GUI_Settings.h"
#include "TVK_GUI_SaveProfileDialog.h"
#include "TVK_GUI_SettingsAwareWidgetT.h"
#include "TVK_GUI_UpdateDialog.h"
#include "TVK_GUI_WarningBox.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Logic_ControllerWorker.h"
#include "TVK_Logic_FolderSettings.h"

#include <QAction>
#include <QActionGroup>
#include <QDesktopServices>
#include <QDialog>
#include <QDomDocument>
#include <QFileInfo>
#include <QHostAddress>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QScreen>
#include <QStyleFactory>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QXmlStreamReader>
#include <QTransform>
#include <QUrl>
#include <QVBoxLayout>
#include <QVector>

#include <cmath>

namespace {

using NoCameraWindow = TVK_GUI_SettingsAwareWidgetT<TVK_GUI_NoCamera>;
using CameraWindow = TVK_GUI_SettingsAwareWidgetT<TVK_GUI_CameraArdo2>;
// The live view and the quick view: a picture at its own shape, and the
// window where the user left it last time.
using ViewWindow = TVK_GUI_SettingsAwareWidgetT<TVK_GUI_FixedAspectWidgetT<QDialog>>;

// The live view's info strip below the picture takes no part in its shape.
constexpr int kLiveViewInfoHeight = 40;
// The camera may pause its stream (a picture being taken); the window waits
// this long for frames to come back before it closes.
constexpr int kLiveViewCloseDelayMs = 8000;
constexpr size_t kQuickViewDumpLines = 10;

// The title bar above a stored rectangle must be on a screen, or the user
// could never grab the window again.
constexpr int kTitleBarHeight = 44;

const QVector<int> &knownProducts()
{
    static const QVector<int> products = {0x2009, 0x2011, 0x2021, 0x2031, 0x2033,
                                          0x2041, 0x2044, 0x2047, 0x2051, 0x2061};
    return products;
}

unsigned long threadForLog()
{
    return static_cast<unsigned long>(reinterpret_cast<quintptr>(QThread::currentThreadId()));
}

constexpr size_t kDumpBytesPerLine = 16;

TVK_GUI_Application *s_instance = nullptr;
TVK_GUI_Application::WarningSink s_warningSink;
TVK_GUI_Application::UpdateSink s_updateSink;

// The update document is a few hundred bytes, three elements deep. The DOM
// parser recurses once per nesting level, so a document nested deeply enough
// would overflow the stack; its depth is checked first with the stream
// reader, which does not recurse, and anything far beyond the real document
// is refused before the DOM sees it.
constexpr int kMaxUpdateInfoBytes = 64 * 1024;
constexpr int kMaxUpdateInfoDepth = 32;

// The deepest element nesting of a document; stops counting (and returns
// more than limit) as soon as the limit is passed. Malformed XML is left to
// the DOM parser, which reports where it breaks.
int xmlDepth(const QByteArray &xml, int limit)
{
    QXmlStreamReader reader(xml);
    int depth = 0;
    int deepest = 0;
    while (!reader.atEnd() && deepest <= limit) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement)
            deepest = qMax(deepest, ++depth);
        else if (token == QXmlStreamReader::EndElement)
            --depth;
    }
    return deepest;
}

// Three dot-separated decimal numbers; false for anything else.
bool parseVersion(const QString &text, quint32 parts[3])
{
    const QStringList fields = text.split(QLatin1Char('.'));
    if (fields.size() != 3)
        return false;
    for (int i = 0; i < 3; ++i) {
        const QString &field = fields.at(i);
        if (field.isEmpty())
            return false;
        for (const QChar c : field) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
        bool ok = false;
        parts[i] = field.toUInt(&ok);
        if (!ok)
            return false;
    }
    return true;
}

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

// Default size, centred on the screen of the owner, then the stored place
// when a screen still shows its title bar.
void placeWindow(QWidget *window, QWidget *owner, const QSize &size, const QString &objectName)
{
    QScreen *screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    QRect geometry(QPoint(0, 0), size);
    if (screen != nullptr)
        geometry.moveCenter(screen->availableGeometry().center());
    window->setGeometry(geometry);
    window->setObjectName(objectName);
    TVK_GUI_Application::restoreGeometryOnScreen(window);
}

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
    m_controllerThread->start(QThread::InheritPriority);

    m_controller = m_worker->waitForController();

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
    m_liveViewCloseTimer = new QTimer(this);
    m_liveViewCloseTimer->setSingleShot(true);
    connect(m_liveViewCloseTimer, &QTimer::timeout, this, &A::catchLiveViewCloseTimedOut);
    m_commandServer = new TVK_GUI_CommandServer(this);
    connect(m_commandServer, &TVK_GUI_CommandServer::signalChunk, this, &A::signalTcpCommand);
    connect(m_commandServer, &TVK_GUI_CommandServer::signalRelease, this, [this]() {
        if (m_controller == nullptr)
            return;
        // Both calls queue themselves into the controller's thread; events
        // posted from one thread to one receiver run in the order they were
        // posted, so the release always follows the press there.
        m_controller->doCaptureBtnPressed();
        m_controller->doCaptureBtnReleased();
    });
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
    delete m_quickViewWindow.data();
    delete m_liveViewWindow.data();
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
    s_updateSink = std::move(sink);
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
    applyAlwaysOnTop(m_liveViewWindow.data());
    applyAlwaysOnTop(m_quickViewWindow.data());
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
    if (!knownProducts().contains(product)) {
        debugLog(kLELogAlways, "%s - unknown camera with ProductId 0x%X", prefix, unsigned(product));
        return;
    }

    auto *window = new CameraWindow(this, m_controller);
    m_cameraWindow = window;
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
    m_cameraWindow = nullptr;
    // Quitting: the search stops before the camera is closed, so the poll
    // cannot find it again and leave a new session open at exit.
    if (m_quitRequested && m_controller != nullptr)
        m_controller->stopCameraSearch();
    Q_EMIT signalCameraGUIClosed();
    if (!m_quitRequested && m_noCameraWindow)
        m_noCameraWindow->show();
    if (m_liveViewWindow)
        m_liveViewWindow->close();
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
    return m_liveViewWindow.data();
}

QWidget *TVK_GUI_Application::quickViewWindow() const
{
    return m_quickViewWindow.data();
}

TVK_GUI_ImageViewer *TVK_GUI_Application::liveViewViewer() const
{
    return m_liveViewViewer.data();
}

TVK_GUI_LiveViewInfoWidget *TVK_GUI_Application::liveViewInfoWidget() const
{
    return m_liveViewInfo.data();
}

TVK_GUI_ImageViewer *TVK_GUI_Application::quickViewViewer() const
{
    return m_quickViewViewer.data();
}

int TVK_GUI_Application::liveViewRotationFor(bool hasOrientation, int orientation, double firstAxisAngle)
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

QPointF TVK_GUI_Application::rotatedPoint(const QPointF &point, int rotation)
{
    // A negative coordinate says there is no position; turned, it could
    // become a position inside the picture.
    if (rotation == 0 || point.x() < 0.0 || point.y() < 0.0)
        return point;
    return aboutCentre(rotation).map(point);
}

QRectF TVK_GUI_Application::rotatedRect(const QRectF &rect, int rotation)
{
    if (rotation == 0)
        return rect;
    return aboutCentre(rotation).mapRect(rect);
}

void TVK_GUI_Application::catchAudioVolIsManual(bool isManual)
{
    if (isManual == m_audioVolIsManual)
        return;
    m_audioVolIsManual = isManual;
    if (m_liveViewInfo)
        m_liveViewInfo->setAudioVolumeIsManual(isManual);
}

void TVK_GUI_Application::catchAudioVolMicrophone(double volume)
{
    if (qFuzzyCompare(volume, m_audioVolMicrophone))
        return;
    m_audioVolMicrophone = volume;
    if (m_liveViewInfo)
        m_liveViewInfo->setAudioVolume(volume);
}

void TVK_GUI_Application::catchAudioVolume(double volume)
{
    if (qFuzzyCompare(volume, m_audioVolMicrophone))
        return;
    m_audioVolMicrophone = volume;
    Q_EMIT signalAudioVolMicrophone(volume);
}

void TVK_GUI_Application::catchExposMetering(int metering)
{
    if (metering == m_exposMetering)
        return;
    m_exposMetering = metering;
    if (m_liveViewViewer)
        m_liveViewViewer->setExpSpotIsActive(metering == 0);
}

void TVK_GUI_Application::catchGCPipIsActive(bool isActive)
{
    m_gcPipMode = isActive;
}

void TVK_GUI_Application::catchGCPipInactive()
{
    m_gcPipMode = false;
}

void TVK_GUI_Application::catchHasOrientation(bool has)
{
    m_hasOrientation = has;
}

void TVK_GUI_Application::catchOrientation(int degrees)
{
    m_orientation = degrees;
}

void TVK_GUI_Application::catch3DAxisAngles(double first, double second)
{
    m_axisAngles[0] = first;
    m_axisAngles[1] = second;
}

void TVK_GUI_Application::createLiveViewWindow(int mode)
{
    TVK_METHOD(prefix);
    auto *window = new ViewWindow(m_cameraWindow.data());
    m_liveViewWindow = window;
    window->setAttribute(Qt::WA_DeleteOnClose);
    // No close button: the window lives as long as the camera sends frames.
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                           | Qt::WindowMaximizeButtonHint);
    window->setExtraHeight(kLiveViewInfoHeight);
    placeWindow(window, m_cameraWindow.data(), QSize(660, 446), QStringLiteral("LiveViewDialog"));
    applyAlwaysOnTop(window);

    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(2);
    auto *viewer = new TVK_GUI_ImageViewer(window);
    viewer->setMinimumSize(300, 200);
    auto *info = new TVK_GUI_LiveViewInfoWidget(window);
    layout->addWidget(viewer);
    layout->addWidget(info);
    m_liveViewViewer = viewer;
    m_liveViewInfo = info;
    m_gcPipMode = mode == 4;

    using C = TVK_Logic_Controller;
    using A = TVK_GUI_Application;
    using V = TVK_GUI_ImageViewer;
    using I = TVK_GUI_LiveViewInfoWidget;
    C *controller = m_controller;
    connect(window, &QObject::destroyed, this, &A::catchLiveViewDestroyed);
    connect(this, &A::signalLiveViewPixmap, viewer, &V::setPixmap);
    connect(this, &A::signalLiveViewMode, viewer, &V::setLiveViewMode);
    connect(this, &A::signalLiveViewMode, info, &I::setLiveViewMode);
    connect(controller, &C::signalLiveZoomInfo, this, &A::catchLiveZoomInfo, Qt::UniqueConnection);
    connect(this, &A::signalLiveZoomInfo, viewer, &V::setZoomInfo);
    connect(this, &A::signalLiveZoomInfo, info, &I::setZoomInfo);
    connect(controller, &C::signalLiveZoomRect, this, &A::catchLiveZoomRect, Qt::UniqueConnection);
    connect(this, &A::signalLiveZoomRect, viewer, &V::setZoomRect);
    connect(info, &I::signalAFPressed, controller, &C::doLiveViewAFPressed);
    connect(info, &I::signalAFReleased, controller, &C::doLiveViewAFReleased);
    connect(viewer, &V::signalCrossPos, this, &A::catchCrossPosEdited);
    connect(this, &A::signalCrossPosEdited, controller, &C::setLiveViewCrossPos, Qt::UniqueConnection);
    connect(viewer, &V::signalPixmapConsumed, controller, &C::catchLiveViewConsumed);
    connect(controller, &C::signalExposureSimulationList, info, &I::setExposureSimulationList);
    connect(controller, qOverload<int>(&C::signalExposureSimulation), info, &I::setExposureSimulation);
    connect(info, &I::signalExposureSimulation, controller, qOverload<int>(&C::setExposureSimulation));
    connect(controller, &C::signalLiveAudioLevel, info, &I::setAudioLevel);
    connect(info, &I::signalAudioVolume, this, &A::catchAudioVolume);
    connect(controller, &C::signalLiveTimeCode, info, &I::setTimeCode);
    connect(info, &I::signalZoomLevelClicked, controller, &C::toggleLiveViewZoom);
    connect(info, &I::signalGCPipIsActive, controller, &C::setLiveViewGCPipActive);
    connect(info, &I::signalGCPipIsActive, viewer, &V::setGCPipIsActive);
    connect(info, &I::signalGCPipIsActive, this, &A::catchGCPipIsActive);
    connect(viewer, &V::signalGCPipPos, info, &I::setGCPipNeedsSave);
    connect(viewer, &V::signalGCPipPos, this, &A::catchGCPipPosEdited);
    connect(this, &A::signalGCPipPosEdited, controller, &C::setLiveViewGCPipPos, Qt::UniqueConnection);
    connect(info, &I::signalGCPipSave, controller, &C::doLiveViewGCPipSave);
    connect(info, &I::signalGCPipSave, this, &A::catchGCPipInactive);

    viewer->setExpSpotIsActive(m_exposMetering == 0);
    viewer->setGCPipIsActive(m_gcPipMode);
    // Live frames are shown as they come: matching each one would cost more
    // than the frame rate allows.
    viewer->setWantColorMatch(false);
    const int product = controller->productId();
    viewer->setWantMoveInZoom(product == 0x2031 || product == 0x2033);
    info->setAudioVolumeIsManual(m_audioVolIsManual);
    info->setAudioVolume(m_audioVolMicrophone);
    info->setGCPipIsActive(m_gcPipMode);
    debugLog(kLELogAlways, "%s - live view window opened in mode %d", prefix, mode);
}

void TVK_GUI_Application::matchToScreenOf(QWidget *window, TVK_GUI_ImageViewer *viewer, QPoint *rememberedCentre)
{
    TVK_METHOD(prefix);
    QScreen *screen = QGuiApplication::screenAt(window->geometry().center());
    if (screen == nullptr)
        screen = window->screen();
    if (screen == nullptr)
        return;
    const QPoint centre = screen->availableGeometry().center();
    if (centre == *rememberedCentre)
        return;
    *rememberedCentre = centre;
    std::unique_ptr<TVK_Color_ProfileIF> monitor = TVK_Color_Factory::monitorProfileAt(centre);
    if (!monitor) {
        // A desktop shows an unprofiled monitor as sRGB; the camera's Adobe
        // RGB pictures would look dull if nothing converted them.
        debugLog(kLELogAlways, "%s - no monitor profile for screen \"%s\", sRGB assumed", prefix,
                 qUtf8Printable(screen->name()));
        monitor = TVK_Color_Factory::standardMonitorProfile();
    }
    if (!monitor)
        return;
    viewer->setInputProfile(TVK_Color_Factory::defaultInputProfilePath());
    viewer->setOutputProfile(*monitor);
    viewer->setRenderingIntent(TVK_Color_WorldIF::eRenderingIntent(0));
}

void TVK_GUI_Application::showLiveView(const QImage &image)
{
    if (!m_cameraWindow)
        return;
    m_liveViewCloseTimer->stop();
    const int mode = m_controller->liveViewMode();
    const bool videoMode = mode == 1 || mode == 3;
    if (videoMode && m_liveViewWindow)
        m_liveViewWindow->hide();
    m_cameraWindow->setLiveViewPhoto(mode == 2);
    m_cameraWindow->setLiveViewVideo(mode == 3);
    if (!m_liveViewWindow) {
        createLiveViewWindow(mode);
        Q_EMIT signalLiveViewGUIOpened();
    }
    auto *window = dynamic_cast<ViewWindow *>(m_liveViewWindow.data());
    matchToScreenOf(window, m_liveViewViewer.data(), &m_liveViewScreenCentre);
    Q_EMIT signalLiveViewMode(mode);

    m_liveViewRotation = quint16(liveViewRotationFor(m_hasOrientation, m_orientation, m_axisAngles[0]));
    QPixmap pixmap = QPixmap::fromImage(image);
    if (m_liveViewRotation != 0 && !pixmap.isNull())
        pixmap = pixmap.transformed(QTransform().rotate(m_liveViewRotation));
    Q_EMIT signalLiveViewPixmap(pixmap);
    if (m_liveViewViewer)
        m_liveViewViewer->setGCPipIsActive(m_gcPipMode);
    if (m_liveViewInfo)
        m_liveViewInfo->setGCPipIsActive(m_gcPipMode);
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

void TVK_GUI_Application::catchLiveViewDestroyed()
{
    m_liveViewWindow = nullptr;
    m_liveViewViewer = nullptr;
    m_liveViewInfo = nullptr;
    Q_EMIT signalLiveViewGUIClosed();
}

void TVK_GUI_Application::catchLiveViewCloseRequested()
{
    m_liveViewCloseTimer->start(kLiveViewCloseDelayMs);
}

void TVK_GUI_Application::catchLiveViewCloseTimedOut()
{
    closeLiveView();
}

void TVK_GUI_Application::closeLiveView()
{
    if (m_liveViewWindow)
        m_liveViewWindow->close();
    if (m_cameraWindow) {
        m_cameraWindow->setLiveViewPhoto(false);
        m_cameraWindow->setLiveViewVideo(false);
    }
}

void TVK_GUI_Application::catchLiveZoomInfo(int stripe, int zoomLevel, double x, double y)
{
    const QPointF point = rotatedPoint(QPointF(x, y), m_liveViewRotation);
    Q_EMIT signalLiveZoomInfo(stripe, zoomLevel, point.x(), point.y());
}

void TVK_GUI_Application::catchLiveZoomRect(double x, double y, double w, double h)
{
    const QRectF rect = rotatedRect(QRectF(x, y, w, h), m_liveViewRotation);
    Q_EMIT signalLiveZoomRect(rect.x(), rect.y(), rect.width(), rect.height());
}

void TVK_GUI_Application::catchCrossPosEdited(double x, double y)
{
    const QPointF point = rotatedPoint(QPointF(x, y), (360 - m_liveViewRotation) % 360);
    Q_EMIT signalCrossPosEdited(point.x(), point.y());
}

void TVK_GUI_Application::catchGCPipPosEdited(double x, double y)
{
    const QPointF point = rotatedPoint(QPointF(x, y), (360 - m_liveViewRotation) % 360);
    Q_EMIT signalGCPipPosEdited(point.x(), point.y());
}

void TVK_GUI_Application::createQuickViewWindow()
{
    auto *window = new ViewWindow(m_cameraWindow.data());
    m_quickViewWindow = window;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setExtraHeight(0);
    placeWindow(window, m_cameraWindow.data(), QSize(640, 426), QStringLiteral("QuickViewDialog"));
    applyAlwaysOnTop(window);
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *viewer = new TVK_GUI_ImageViewer(window);
    viewer->setMinimumSize(300, 200);
    layout->addWidget(viewer);
    m_quickViewViewer = viewer;
    connect(window, &QObject::destroyed, this, &TVK_GUI_Application::catchQuickViewDestroyed);
    connect(this, &TVK_GUI_Application::signalQuickViewPixmap, viewer, &TVK_GUI_ImageViewer::setPixmap);
}

void TVK_GUI_Application::showQuickView(const QByteArray &data, const QString &path, int orientation)
{
    TVK_METHOD(prefix);
    if (debugLogEnabled(kLELogQuickView))
        debugHexDump(QStringLiteral("%1 with path \"%2\":").arg(QLatin1String(prefix), path),
                     QStringLiteral("quickViewBuffer"), data, kQuickViewDumpLines, kDumpBytesPerLine);
    if (!m_quickViewWindow)
        createQuickViewWindow();
    auto *window = dynamic_cast<ViewWindow *>(m_quickViewWindow.data());
    matchToScreenOf(window, m_quickViewViewer.data(), &m_quickViewScreenCentre);

    QString title = tr("Quick View", "Quick View Window Title");
    if (!path.isEmpty())
        title = QFileInfo(path).baseName() + QLatin1Char(' ') + title;

    QPixmap pixmap = QPixmap::fromImage(QImage::fromData(data));
    if (pixmap.isNull())
        debugLog(kLELogAlways, "%s - %d bytes of \"%s\" are no picture", prefix, data.size(), qUtf8Printable(path));
    int rotation = 0;
    if (orientation == 3)
        rotation = 180;
    else if (orientation == 6)
        rotation = 90;
    else if (orientation == 8)
        rotation = 270;
    if (rotation != 0 && !pixmap.isNull())
        pixmap = pixmap.transformed(QTransform().rotate(rotation));

    Q_EMIT signalQuickViewPixmap(pixmap);
    window->setWindowTitle(title);
    window->setAspectRatio(pixmap.isNull() ? 0.0 : double(pixmap.width()) / double(pixmap.height()));
    window->show();
}

void TVK_GUI_Application::closeQuickView()
{
    if (m_quickViewWindow)
        m_quickViewWindow->close();
}

void TVK_GUI_Application::catchQuickViewDestroyed()
{
    m_quickViewWindow = nullptr;
    m_quickViewViewer = nullptr;
    if (m_controller != nullptr)
        m_controller->setWantQuickView(false);
    // The quick view is a child of the camera window and also goes while
    // that window is being destroyed; the guard is null by then (a widget
    // clears its guards before it deletes its children), so a window that is
    // no panel any more is not touched.
    if (m_cameraWindow)
        m_cameraWindow->setWantQuickView(false);
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
    TVK_METHOD(prefix);
    m_automaticUpdateCheck = automatic;
    // A manager per check; it goes when its answer has been handled. The
    // certificate of the server is checked as usual: an answer that fails the
    // check is a failed download, never an update.
    auto *manager = new QNetworkAccessManager(this);
    connect(manager, &QNetworkAccessManager::finished, this, &TVK_GUI_Application::catchDownloadUpdatesInfo);
    const QUrl address(updateInfoAddress());
    debugLog(kLELogAlways, "%s - %s check at %s", prefix, automatic ? "automatic" : "manual",
             qUtf8Printable(address.toString()));
    QNetworkReply *reply = manager->get(QNetworkRequest(address));
    // The document is a few hundred bytes: a server that sends more is not
    // read into memory to the end.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply, prefix](qint64 received, qint64) {
        if (received <= kMaxUpdateInfoBytes || !reply->isRunning())
            return;
        debugLog(kLELogAlways, "%s - update information larger than %d bytes; download stopped", prefix,
                 kMaxUpdateInfoBytes);
        reply->abort();
    });
}

void TVK_GUI_Application::catchDownloadUpdatesInfo(QNetworkReply *reply)
{
    TVK_METHOD(prefix);
    if (reply == nullptr)
        return;
    reply->deleteLater();
    if (reply->manager() != nullptr && reply->manager()->parent() == this)
        reply->manager()->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        debugLog(kLELogAlways, "%s - download failed: %s", prefix, qUtf8Printable(reply->errorString()));
        return;
    }
    QString version;
    if (updateVersionFromXml(reply->readAll(), &version))
        Q_EMIT signalUpdateVersion(version);
}

bool TVK_GUI_Application::updateVersionFromXml(const QByteArray &xml, QString *version)
{
    TVK_METHOD(prefix);
    if (xml.size() > kMaxUpdateInfoBytes) {
        debugLog(kLELogAlways, "%s - update information of %d bytes is too large, at most %d expected", prefix,
                 xml.size(), kMaxUpdateInfoBytes);
        return false;
    }
    if (xmlDepth(xml, kMaxUpdateInfoDepth) > kMaxUpdateInfoDepth) {
        debugLog(kLELogAlways, "%s - update information is nested deeper than %d elements", prefix,
                 kMaxUpdateInfoDepth);
        return false;
    }
    QDomDocument document;
    QString error;
    int line = 0;
    int column = 0;
    if (!document.setContent(xml, &error, &line, &column)) {
        debugLog(kLELogAlways, "%s - update information is not XML (line %d, column %d): %s", prefix, line, column,
                 qUtf8Printable(error));
        return false;
    }
    const QDomNodeList infos = document.elementsByTagName(QStringLiteral("UpdateInfo"));
    if (infos.count() != 1) {
        debugLog(kLELogAlways, "%s - %d UpdateInfo elements, expected one", prefix, infos.count());
        return false;
    }
    const QDomElement info = infos.at(0).toElement();
    const QDomElement major = info.firstChildElement(QStringLiteral("MajorWin"));
    const QDomElement minor = info.firstChildElement(QStringLiteral("MinorWin"));
    const QDomElement build = info.firstChildElement(QStringLiteral("BuildWin"));
    if (major.isNull() || minor.isNull() || build.isNull()) {
        debugLog(kLELogAlways, "%s - UpdateInfo without MajorWin, MinorWin and BuildWin", prefix);
        return false;
    }
    *version = major.text() + QLatin1Char('.') + minor.text() + QLatin1Char('.') + build.text();
    return true;
}

bool TVK_GUI_Application::isNewerVersion(const QString &version, const QString &current)
{
    TVK_METHOD(prefix);
    quint32 offered[3] = {};
    quint32 own[3] = {};
    if (!parseVersion(version, offered) || !parseVersion(current, own)) {
        debugLog(kLELogAlways, "%s - version \"%s\" or \"%s\" is not three numbers; not newer", prefix,
                 qUtf8Printable(version.left(64)), qUtf8Printable(current.left(64)));
        return false;
    }
    // By number, so that 3.10.0 comes after 3.8.0.
    for (int i = 0; i < 3; ++i) {
        if (offered[i] != own[i])
            return offered[i] > own[i];
    }
    return false;
}

QWidget *TVK_GUI_Application::dialogParent() const
{
    if (m_cameraWindow)
        return m_cameraWindow.data();
    return m_noCameraWindow.data();
}

void TVK_GUI_Application::catchUpdateVersion(const QString &updateVersion)
{
    TVK_METHOD(prefix);
    const QString title = tr("Check Updates", "Update Information dialog title");
    if (isNewerVersion(updateVersion, applicationVersion())) {
        debugLog(kLELogAlways, "%s - version %s is available", prefix, qUtf8Printable(updateVersion));
        const QString text = tr("Norba Pellora Update available!\nPlease download latest version from Norba Owner's Area:");
        if (s_updateSink) {
            s_updateSink(true, text);
            return;
        }
        auto *dialog = new TVK_GUI_UpdateDialog(dialogParent(), title, text, ownersAreaAddress());
        dialog->setObjectName(QStringLiteral("UpdateDialog"));
        openDialog(dialog);
        return;
    }
    if (m_automaticUpdateCheck)
        return;
    const QString text = tr("Application is up to date.");
    if (s_updateSink) {
        s_updateSink(false, text);
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok, dialogParent());
    box->setObjectName(QStringLiteral("InfoBox"));
    openDialog(box);
}
