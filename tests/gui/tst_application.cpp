#include "TVK_Commu_CameraAccessFactory.h"
#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Commu_CameraAccess_Linux_PTP.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_PropertyStore.h"
#ifdef TVK_HAVE_UMOCKDEV
#include "TVK_Emulator_UmockdevBus.h"
#include "TVK_Emulator_UsbPipe.h"
#include "TVK_Emulator_UsbResponder.h"
#include "TVK_Emulator_UsbfsDevice.h"
#endif
#include "TVK_GUI_AboutDialog.h"
#include "TVK_GUI_AidsOverlay.h"
#include "TVK_GUI_Application.h"
#include "TVK_Emulator_LiveView.h"
#include "TVK_GUI_CameraArdo2.h"
#include "TVK_GUI_DirPathWidget.h"
#include "TVK_GUI_ImageViewer.h"
#include "TVK_GUI_LiveViewInfoWidget.h"
#include "TVK_GUI_LiveViewNavigatorWidget.h"
#include "TVK_GUI_NoCamera.h"
#include "TVK_GUI_Settings.h"
#include "TVK_GUI_ViewAidsStore.h"
#include "TVK_GUI_ViewAidsToolBar.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Logic_FolderSettings.h"
#include "TVK_Test_Heap.h"
#include "TVK_Test_Home.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_SignalRecorder.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTimer>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QToolButton>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>

// The application with an emulated camera behind the controller, as a
// photographer meets it. Each scenario runs in a process of its own (see the
// CMake file): the application object exists once per process.
namespace {

constexpr int kWaitMs = 20000;
constexpr quint16 kPropAperture = 0xD60E;    // the aperture the camera settled on
constexpr quint16 kPropOrientation = 0xD65F; // how the camera is held, degrees
constexpr int kOpRelease = 0x9004;
constexpr quint32 kStageAutoFocusOn = 1;
constexpr quint32 kStageAutoFocusOff = 2;

using Emulated = TVK_Commu_CameraAccess_Emulated;
using LiveView = TVK_Emulator_LiveView;

// The emulated access with the stage of every release operation recorded;
// the controller's thread writes, the test's thread reads.
class StageRecordingAccess : public Emulated
{
public:
    using Emulated::Emulated;
    ~StageRecordingAccess() override { unregisterForEventNotifications(); }
    bool sendCommand(int operationCode, int numParams, const quint32 *params, const char *caller) override
    {
        if (operationCode == kOpRelease && numParams > 0) {
            std::lock_guard<std::mutex> lock(s_mutex);
            s_stages.append(params[0]);
        }
        return Emulated::sendCommand(operationCode, numParams, params, caller);
    }
    static QVector<quint32> stages()
    {
        // A list of its own, not one shared with s_stages: the controller's
        // thread may append to that one in place while the test reads.
        std::lock_guard<std::mutex> lock(s_mutex);
        return QVector<quint32>(s_stages.cbegin(), s_stages.cend());
    }

private:
    static std::mutex s_mutex;
    static QVector<quint32> s_stages;
};
std::mutex StageRecordingAccess::s_mutex;
QVector<quint32> StageRecordingAccess::s_stages;

// An emulated camera that says it is a product the program does not know.
class UnknownProductAccess : public Emulated
{
public:
    using Emulated::Emulated;
    ~UnknownProductAccess() override { unregisterForEventNotifications(); }
    bool openConnection(quint64 cameraId, int productId, QString deviceId) override
    {
        const bool ok = Emulated::openConnection(cameraId, productId, deviceId);
        setProductId(0x1234);
        return ok;
    }
};

std::shared_ptr<TVK_Emulator_Camera> g_camera;
int g_product = 0x2031;
bool g_unknownProduct = false;
#ifdef TVK_HAVE_UMOCKDEV
// The camera on a USB bus mocked by umockdev, reached through the program's
// own libusb access, as --camera=usb reaches a camera on a cable.
std::unique_ptr<TVK_Emulator_UmockdevBus> g_usbBus;
#endif
bool g_overUsb = false;
bool g_pictureHeld = false; // the camera holds a picture before the program connects
TVK_Test_Home *g_home = nullptr;

QStringList g_warnings;

} // namespace

class tst_Application : public QObject
{
    Q_OBJECT

private:
    static TVK_GUI_Application *app() { return TVK_GUI_Application::instance(); }
    static bool waitForCameraWindow()
    {
        return QTest::qWaitFor([]() { return app()->cameraWindow() != nullptr; }, kWaitMs);
    }
    static bool optionsMenuVisible(QMainWindow *window)
    {
        for (QAction *action : window->menuBar()->actions()) {
            if (action->text() == QLatin1String("Options"))
                return action->isVisible();
        }
        return false;
    }
    static QString dngFolder() { return g_home->filePath(QStringLiteral("pictures-dng")); }

private Q_SLOTS:
    void connectOpensTheCameraWindow()
    {
        QVERIFY(waitForCameraWindow());
        TVK_GUI_CameraArdo2 *window = app()->cameraWindow();
        QCOMPARE(window->objectName(), QStringLiteral("WinCamera"));
        QVERIFY(window->isVisible());
        QVERIFY(!app()->noCameraWindow()->isVisible());
        QVERIFY(optionsMenuVisible(window));
        QCOMPARE(TVK_GUI_Settings::instance()->lastProductId(), g_product);
        QCOMPARE(window->windowTitle(), app()->controller()->productName());

        // A second connect without a disconnect changes nothing.
        QMetaObject::invokeMethod(app(), "catchCameraConnected");
        QCoreApplication::processEvents();
        QCOMPARE(app()->cameraWindow(), window);
    }

    void unknownProductOpensNoWindow()
    {
        QVERIFY(QTest::qWaitFor([]() { return app()->controller()->productId() == 0x1234; }, kWaitMs));
        QTest::qWait(500); // the connect announcement is queued behind the product id
        QVERIFY(app()->cameraWindow() == nullptr);
        QVERIFY(!app()->noCameraWindow()->isVisible());
        // Unplugged, it leaves the program waiting for a camera as before.
        g_camera->removeDevice();
        QVERIFY(QTest::qWaitFor([]() { return app()->noCameraWindow()->isVisible(); }, kWaitMs));
        QVERIFY(!app()->quitRequested());
    }

    void unplugBringsTheNoCameraWindowBack()
    {
        QVERIFY(waitForCameraWindow());
        QSignalSpy closed(app(), &TVK_GUI_Application::signalCameraGUIClosed);
        g_camera->removeDevice();
        QVERIFY(QTest::qWaitFor([]() { return app()->cameraWindow() == nullptr; }, kWaitMs));
        QCOMPARE(closed.count(), 1);
        QVERIFY(app()->noCameraWindow()->isVisible());
        QVERIFY(!app()->quitRequested());
        QVERIFY(!optionsMenuVisible(app()->noCameraWindow()));
    }

    void quitWithoutCameraClosesTheProgram()
    {
        QVERIFY(app()->cameraWindow() == nullptr);
        QMetaObject::invokeMethod(app(), "catchActionQuit");
        QVERIFY(QTest::qWaitFor([]() { return !app()->noCameraWindow() || !app()->noCameraWindow()->isVisible(); },
                                kWaitMs));
        QVERIFY(app()->quitRequested());
    }

    // Quit, or the user closing the camera window, while the camera is there:
    // the camera is let go first, and the program ends when it has gone.
    void quitWithCameraEndsAfterTheCameraIsClosed() { quitWithCamera(true); }
    void closingTheCameraWindowEndsAfterTheCameraIsClosed() { quitWithCamera(false); }

    // A setting chosen in the panel reaches the camera and the camera's
    // answer comes back into the panel; the space bar takes a picture that
    // lands in the user's folder.
    void endToEndSettingAndSpaceBarPicture();

    // The same photographer with the program's USB access and the real
    // libusb: the camera on a mocked bus, the picture's announcement over
    // its interrupt endpoint and its bytes over the bulk pipe.
    void spaceBarPictureOverTheMockedUsbBus();
    // The cable pulled in the middle of a big picture, then plugged in
    // again: the picture comes whole into the user's folder, nowhere else.
    void unplugInATransferOverTheMockedUsbBus();
    // A camera that holds a picture when the program starts hands it over at
    // once: it lands in the user's folder under the user's name as well.
    void pictureHeldAtTheStartOverTheMockedUsbBus();

    // "r" with its line end from a remote client is one whole release; the
    // connection stays open.
    void remoteReleaseTakesOnePicture()
    {
        QVERIFY(waitForCameraWindow());
        QTcpSocket client;
        client.connectToHost(QHostAddress(QHostAddress::LocalHost), app()->commandServerPort());
        QVERIFY(client.waitForConnected(kWaitMs));
        QVERIFY(QTest::qWaitFor([&client]() { return client.canReadLine(); }, kWaitMs));
        QCOMPARE(client.readLine(), QByteArray("Norba Pellora - TCP Server\r\n"));
        client.write("r\r\n");
        QVERIFY(client.waitForBytesWritten(kWaitMs));
        QVERIFY(QTest::qWaitFor([]() { return !QDir(dngFolder()).entryList(QDir::Files).isEmpty(); }, kWaitMs));
        // Time for a second picture, were one on its way.
        QTest::qWait(1000);
        QCOMPARE(QDir(dngFolder()).entryList(QDir::Files), QStringList{QStringLiteral("Shot00007.DNG")});
        QCOMPARE(client.state(), QAbstractSocket::ConnectedState);
    }

    void aboutAndProfileDialogs();
    void liveViewShowsFramesPacedByTheWindow();
    void liveViewModesAndTheGreyCard();
    void liveViewOfATurnedCamera();
    void quickViewShowsEachNewPicture();
    void quickViewTurnsByExifOrientation_data();
    void quickViewTurnsByExifOrientation();

    // Every dialog the camera window shows is its child and runs no event
    // loop of its own: the window may go under it, when the camera is
    // unplugged or the user quits, and the program carries on.
    void dialogsGoWithTheCameraWindowOnUnplug();

    // What a camera window and its session hold goes with them: a program
    // that kept some per reconnect would grow for as long as it runs.
    void reconnectsKeepNothingBehind();
    void dialogGoesWithTheCameraWindowOnQuit_data();
    void dialogGoesWithTheCameraWindowOnQuit();

private:
    static QToolButton *panelButton(const char *name)
    {
        return app()->cameraWindow()->findChild<QToolButton *>(QLatin1String(name));
    }
    static QToolButton *infoButton(const char *name)
    {
        return app()->liveViewInfoWidget()->findChild<QToolButton *>(QLatin1String(name));
    }
    static LiveView *emulatedLiveView() { return g_camera->component<LiveView>(); }
    static bool waitForLiveViewWindow()
    {
        return QTest::qWaitFor([]() { return app()->liveViewWindow() && app()->liveViewWindow()->isVisible(); },
                               kWaitMs);
    }
    static bool waitForEmulatorMode(int mode)
    {
        return QTest::qWaitFor([mode]() { return emulatedLiveView()->mode() == mode; }, kWaitMs);
    }
    static bool waitForTitle(const QString &title)
    {
        return QTest::qWaitFor([&title]() {
            return app()->liveViewWindow() && app()->liveViewWindow()->windowTitle() == title;
        }, kWaitMs);
    }
    static bool waitForQuickViewTitle(const QString &title)
    {
        return QTest::qWaitFor([&title]() {
            return app()->quickViewWindow() && app()->quickViewWindow()->windowTitle() == title;
        }, kWaitMs);
    }
    // Clicks the live picture at a point given in fractions of its shown size.
    static void clickPicture(double x, double y)
    {
        TVK_GUI_ImageViewer *viewer = app()->liveViewViewer();
        const QRect shown = viewer->shownPixmapRect();
        QTest::mouseClick(viewer, Qt::LeftButton, Qt::NoModifier,
                          QPoint(shown.left() + qRound(x * shown.width()), shown.top() + qRound(y * shown.height())));
    }
    static QStringList dngFiles() { return QDir(dngFolder()).entryList(QDir::Files, QDir::Name); }
    static void takePicture()
    {
        QMetaObject::invokeMethod(app()->controller(), "doCaptureBtnPressed", Qt::QueuedConnection);
        QMetaObject::invokeMethod(app()->controller(), "doCaptureBtnReleased", Qt::QueuedConnection);
    }

    // Opens the camera window's dialog of that kind and returns it once it
    // shows. The unplug or quit that takes the window is queued first: a
    // dialog that ran an event loop of its own would meet it in that loop.
    static QPointer<QDialog> openCameraWindowDialog(const QString &name)
    {
        TVK_GUI_CameraArdo2 *window = app()->cameraWindow();
        auto *field = window->findChild<TVK_GUI_DirPathWidget *>(QStringLiteral("wgtDngPath"));
        if (name == QLatin1String("UpdateDialog") || name == QLatin1String("InfoBox")) {
            const QString offered = name == QLatin1String("InfoBox") ? QCoreApplication::applicationVersion()
                                                                      : QStringLiteral("99.0.0");
            QMetaObject::invokeMethod(app(), "catchUpdateVersion", Q_ARG(QString, offered));
        } else if (name == QLatin1String("WarningBox")) {
            QMetaObject::invokeMethod(app(), "showWarning", Q_ARG(QString, QStringLiteral("The picture was not saved.")));
        } else if (name == QLatin1String("BrowseDialog")) {
            field->findChild<QToolButton *>(QStringLiteral("pbnBrowse"))->click();
        } else {
            const bool creatable = name == QLatin1String("CreatePathBox");
            const QString missing = g_home->filePath(creatable ? QStringLiteral("new/folder") : QStringLiteral("blocker/sub"));
            QMetaObject::invokeMethod(field, "catchTextEdited", Q_ARG(QString, missing));
            QMetaObject::invokeMethod(field, "catchTextDirtyFired");
            auto *question = window->findChild<QMessageBox *>(QStringLiteral("CreatePathBox"));
            if (!creatable && question != nullptr)
                question->button(QMessageBox::Yes)->click(); // the folder cannot be made: the next box says so
        }
        QDialog *dialog = window->findChild<QDialog *>(name);
        return dialog != nullptr && dialog->isVisible() ? dialog : nullptr;
    }
    static const QStringList &dialogKinds()
    {
        static const QStringList names{"UpdateDialog", "InfoBox",         "WarningBox",
                                       "CreatePathBox", "CannotCreateBox", "BrowseDialog"};
        return names;
    }

    void quitWithCamera(bool byMenu)
    {
        QVERIFY(waitForCameraWindow());
        // The controller emits in its own thread: a recorder takes that under
        // a lock, a QSignalSpy is not made for it.
        TVK_Test_SignalRecorder recorder(app()->controller());
        TVK_Test_LogCapture log;
        if (byMenu)
            QMetaObject::invokeMethod(app(), "catchActionQuit");
        else
            app()->cameraWindow()->close();
        QTRY_VERIFY_WITH_TIMEOUT(recorder.count(QStringLiteral("signalCameraDisconnected")) > 0, kWaitMs);
        QVERIFY(app()->quitRequested());
        // The search stopped first: the camera is not found and opened again.
        QVERIFY(!log.matching(QStringLiteral("no camera is looked for any more")).isEmpty());
        QVERIFY(QTest::qWaitFor([]() { return !app()->noCameraWindow() || !app()->noCameraWindow()->isVisible(); },
                                kWaitMs));
        QVERIFY(app()->cameraWindow() == nullptr);
    }

};

void tst_Application::endToEndSettingAndSpaceBarPicture()
{
        QVERIFY(waitForCameraWindow());
        TVK_GUI_CameraArdo2 *window = app()->cameraWindow();
        auto *aperture = window->findChild<QComboBox *>(QStringLiteral("cbbAperture"));
        QVERIFY(aperture != nullptr);
        QVERIFY(QTest::qWaitFor([aperture]() { return aperture->count() > 2; }, kWaitMs));
        const QString original = aperture->currentText();
        const qint64 before = g_camera->properties()->value(kPropAperture);
        const int pick = aperture->currentIndex() == 1 ? 2 : 1;
        const QString chosen = aperture->itemText(pick);
        aperture->setCurrentIndex(pick);
        Q_EMIT aperture->textActivated(chosen);
        QVERIFY(QTest::qWaitFor([before]() { return g_camera->properties()->value(kPropAperture) != before; },
                                kWaitMs));
        // Turned back on the camera itself: the panel follows the camera.
        g_camera->properties()->setValue(kPropAperture, before, true);
        QVERIFY(QTest::qWaitFor([aperture, original]() { return aperture->currentText() == original; }, kWaitMs));

        window->activateWindow();
        auto *capture = window->findChild<QPushButton *>(QStringLiteral("pbnCapture"));
        QVERIFY(capture != nullptr);
        capture->setFocus();
        QTest::keyPress(capture, Qt::Key_Space);
        QTest::keyRelease(capture, Qt::Key_Space);
        QVERIFY(QTest::qWaitFor([]() { return !QDir(dngFolder()).entryList(QDir::Files).isEmpty(); }, kWaitMs));
        QCOMPARE(QDir(dngFolder()).entryList(QDir::Files), QStringList{QStringLiteral("Shot00007.DNG")});
        QCOMPARE(g_warnings, QStringList());
}

// Runs the program in this process, not as a child of a process that hosts
// the bus: the space bar is a key event on the panel's button, which only a
// test in the program's own process can send (the offscreen platform takes
// no input from outside), and the bus's camera is at hand to compare the
// picture with. The program as a process of its own, main() and all, runs
// against the same bus through scripts/run --camera=mockusb.
void tst_Application::spaceBarPictureOverTheMockedUsbBus()
{
#ifdef TVK_HAVE_UMOCKDEV
    if (!TVK_Emulator_UmockdevBus::isMocked())
        QSKIP("not under umockdev-wrapper: the mocked USB bus cannot be made");
    QVERIFY(waitForCameraWindow());
    QVERIFY(g_usbBus != nullptr);
    QCOMPARE(app()->controller()->productId(), 0x2041);
    QCOMPARE(g_usbBus->usbfs().claims(), 1);
    QVERIFY(g_usbBus->responder()->sessionOpen());

    TVK_GUI_CameraArdo2 *window = app()->cameraWindow();
    window->activateWindow();
    auto *capture = window->findChild<QPushButton *>(QStringLiteral("pbnCapture"));
    QVERIFY(capture != nullptr);
    capture->setFocus();
    QTest::keyPress(capture, Qt::Key_Space);
    QTest::keyRelease(capture, Qt::Key_Space);
    QVERIFY(QTest::qWaitFor([]() { return !dngFiles().isEmpty(); }, kWaitMs));
    QCOMPARE(dngFiles(), QStringList{QStringLiteral("Shot00007.DNG")});
    QVERIFY(g_usbBus->responder()->operationCodes().contains(0x1009 /* GetObject */));
    QFile saved(QDir(dngFolder()).filePath(dngFiles().first()));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QVector<quint32> card = g_camera->component<TVK_Emulator_Capture>()->cardHandles();
    QCOMPARE(card.size(), 1);
    const TVK_Emulator_Camera::Result onCard =
        g_camera->transact(0x1009, {card.first()}, TVK_Emulator_Transaction::kLEDataIn);
    QVERIFY(saved.readAll() == onCard.data);
    QCOMPARE(g_warnings, QStringList());

    // Quit: the session on the camera is closed and the interface let go.
    QMetaObject::invokeMethod(app(), "catchActionQuit");
    QVERIFY(QTest::qWaitFor([]() { return !g_usbBus->responder()->sessionOpen(); }, kWaitMs));
    QVERIFY(QTest::qWaitFor([]() { return g_usbBus->usbfs().releases() == 1; }, kWaitMs));
    QVERIFY(QTest::qWaitFor([]() { return app()->cameraWindow() == nullptr; }, kWaitMs));
    QVERIFY(app()->quitRequested());
#else
    QSKIP("built without umockdev: no mocked USB bus");
#endif
}

void tst_Application::unplugInATransferOverTheMockedUsbBus()
{
#ifdef TVK_HAVE_UMOCKDEV
    if (!TVK_Emulator_UmockdevBus::isMocked())
        QSKIP("not under umockdev-wrapper: the mocked USB bus cannot be made");
    // Every DNG anywhere in the home, the hidden part files as well.
    const auto everyDng = []() {
        QStringList found;
        QDirIterator it(g_home->path(), {QStringLiteral("*.DNG"), QStringLiteral("*.part")},
                        QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << QDir(g_home->path()).relativeFilePath(it.next());
        return found;
    };
    constexpr int kDngBytes = 40 * 1000 * 1000;
    QVERIFY(waitForCameraWindow());
    auto *capture = g_camera->component<TVK_Emulator_Capture>();
    capture->setDngBytes(kDngBytes);
    g_usbBus->pipe()->setUnplugAfterBytesToHost(kDngBytes / 2);
    takePicture();
    QVERIFY(QTest::qWaitFor([]() { return app()->cameraWindow() == nullptr; }, kWaitMs));
    QVERIFY(g_usbBus->pipe()->isUnplugged());
    QCOMPARE(everyDng(), QStringList());
    QCOMPARE(capture->pendingCount(), 1);

    g_usbBus->announceRemoval();
    g_usbBus->plugIn();
    QVERIFY(waitForCameraWindow());
    QVERIFY(QTest::qWaitFor([&]() { return !everyDng().isEmpty() && capture->pendingCount() == 0; }, kWaitMs));
    // The number the cut transfer took stays taken, as after any failed read.
    QCOMPARE(everyDng(), QStringList{QStringLiteral("pictures-dng/Shot00008.DNG")});
    QFile saved(QDir(dngFolder()).filePath(QStringLiteral("Shot00008.DNG")));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.size(), qint64(kDngBytes));
    const TVK_Emulator_Camera::Result onCard =
        g_camera->transact(0x1009, {capture->cardHandles().value(0)}, TVK_Emulator_Transaction::kLEDataIn);
    QVERIFY(saved.readAll() == onCard.data);
#else
    QSKIP("built without umockdev: no mocked USB bus");
#endif
}

void tst_Application::pictureHeldAtTheStartOverTheMockedUsbBus()
{
#ifdef TVK_HAVE_UMOCKDEV
    if (!TVK_Emulator_UmockdevBus::isMocked())
        QSKIP("not under umockdev-wrapper: the mocked USB bus cannot be made");
    QVERIFY(waitForCameraWindow());
    auto *capture = g_camera->component<TVK_Emulator_Capture>();
    QVERIFY(QTest::qWaitFor([capture]() { return capture->pendingCount() == 0; }, kWaitMs));
    QVERIFY(QTest::qWaitFor([]() { return !dngFiles().isEmpty(); }, kWaitMs));
    QCOMPARE(dngFiles(), QStringList{QStringLiteral("Shot00007.DNG")});
    QVERIFY(!QDir(g_home->filePath(QStringLiteral("Pictures"))).exists()
            || QDir(g_home->filePath(QStringLiteral("Pictures"))).entryList(QDir::Files).isEmpty());
#else
    QSKIP("built without umockdev: no mocked USB bus");
#endif
}

// The about dialog stands on its own and keeps the program alive while it is
// open; the profile dialogs are modal to the no-camera window and work on the
// application's list of names.
void tst_Application::aboutAndProfileDialogs()
{
    QMetaObject::invokeMethod(app(), "catchActionAbout");
    TVK_GUI_AboutDialog *about = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *candidate = qobject_cast<TVK_GUI_AboutDialog *>(widget))
            about = candidate;
    QVERIFY(about != nullptr);
    QVERIFY(about->isVisible());
    QVERIFY(!about->isModal());
    QVERIFY(about->parentWidget() == nullptr);
    QVERIFY(!QApplication::quitOnLastWindowClosed());
    QPointer<TVK_GUI_AboutDialog> guard(about);
    about->close();
    QVERIFY(QTest::qWaitFor([&guard]() { return guard.isNull(); }, kWaitMs));
    QVERIFY(QApplication::quitOnLastWindowClosed());
    QApplication::setQuitOnLastWindowClosed(false); // this test ends the program itself

    // Each opens modal to the no-camera window, without a loop of its own.
    const auto open = [](const char *slot) -> QDialog * {
        QMetaObject::invokeMethod(app(), slot);
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog->parentWidget() != app()->noCameraWindow()
            || dialog->windowModality() != Qt::WindowModal)
            return nullptr;
        return dialog;
    };
    for (const QString &name : {QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("c")}) {
        QPointer<QDialog> dialog = open("catchActionSaveProfile");
        QVERIFY(dialog);
        dialog->findChild<QLineEdit *>(QStringLiteral("ledProfileName"))->setText(name);
        dialog->findChild<QPushButton *>(QStringLiteral("pbnCreate"))->click();
        QVERIFY(QTest::qWaitFor([&dialog]() { return dialog.isNull(); }, kWaitMs));
    }
    QCOMPARE(app()->profileNames(), QStringList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    QPointer<QDialog> dialog = open("catchActionDeleteProfile");
    QVERIFY(dialog);
    auto *list = dialog->findChild<QListWidget *>(QStringLiteral("lwtProfiles"));
    list->item(1)->setSelected(true);
    dialog->findChild<QPushButton *>(QStringLiteral("pbnDelete"))->click();
    dialog->reject();
    QVERIFY(QTest::qWaitFor([&dialog]() { return dialog.isNull(); }, kWaitMs));
    QCOMPARE(app()->profileNames(), QStringList({QStringLiteral("a"), QStringLiteral("c")}));
}

// Photo live view from the panel's button: the window opens on the first
// frame, the camera sends the next only once the window has shown the last,
// and the window closes a grace period after the stream ends.
void tst_Application::liveViewShowsFramesPacedByTheWindow()
{
    QVERIFY(waitForCameraWindow());
    QSignalSpy opened(app(), &TVK_GUI_Application::signalLiveViewGUIOpened);
    QSignalSpy closed(app(), &TVK_GUI_Application::signalLiveViewGUIClosed);
    QSignalSpy shown(app(), &TVK_GUI_Application::signalLiveViewPixmap);
    QToolButton *photo = panelButton("tbnLVPhoto");
    QVERIFY(QTest::qWaitFor([photo]() { return photo->isVisible(); }, kWaitMs));
    photo->click();
    QVERIFY(waitForLiveViewWindow());
    QWidget *window = app()->liveViewWindow();
    QCOMPARE(window->objectName(), QStringLiteral("LiveViewDialog"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Live View Photo"));
    QCOMPARE(window->parentWidget(), static_cast<QWidget *>(app()->cameraWindow()));
    QVERIFY(window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!window->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QCOMPARE(opened.count(), 1);
    QVERIFY(photo->isChecked());

    // The stream keeps going only if each shown frame is reported back.
    QVERIFY(QTest::qWaitFor([&shown]() { return shown.count() >= 10; }, kWaitMs));
    const QPixmap frame = app()->liveViewViewer()->sourcePixmap();
    QVERIFY(frame.width() > frame.height()); // as the camera sends it, unturned
    QVERIFY(!app()->liveViewViewer()->displayedPixmap().isNull());
    QVERIFY(!app()->liveViewViewer()->wantsColorMatch());
    QCOMPARE(app()->liveViewRotation(), 0);

    // A busy screen holds the camera back: with this thread blocked, no
    // frame is shown, and at most the one already asked for is fetched.
    const quint32 servedBefore = emulatedLiveView()->framesServed();
    QThread::msleep(600);
    QVERIFY2(emulatedLiveView()->framesServed() - servedBefore <= 1,
             qPrintable(QStringLiteral("%1 frames fetched while none was shown")
                            .arg(emulatedLiveView()->framesServed() - servedBefore)));
    const int shownBefore = shown.count();
    QVERIFY(QTest::qWaitFor([&shown, shownBefore]() { return shown.count() > shownBefore + 3; }, kWaitMs));

    // Off: the window stays for the grace period, then goes with the button.
    QElapsedTimer sinceOff;
    photo->click();
    sinceOff.start();
    QVERIFY(waitForEmulatorMode(LiveView::kLEModeNone));
    QVERIFY(QTest::qWaitFor([]() { return app()->liveViewWindow() == nullptr; }, kWaitMs));
    QVERIFY2(sinceOff.elapsed() >= 7000, qPrintable(QString::number(sinceOff.elapsed())));
    QCOMPARE(closed.count(), 1);
    QVERIFY(!photo->isChecked());
}

// Each mode of the camera gives the window its layout; the grey-card
// pipette measures where it is clicked and is saved from the window.
void tst_Application::liveViewModesAndTheGreyCard()
{
    QVERIFY(waitForCameraWindow());
    panelButton("tbnLVPhoto")->click();
    QVERIFY(waitForLiveViewWindow());
    QVERIFY(QTest::qWaitFor([]() { return infoButton("tbnZoom")->isVisible(); }, kWaitMs));
    QVERIFY(infoButton("tbnGCPip")->isVisible());
    QVERIFY(!app()->liveViewInfoWidget()->findChild<QLabel *>(QStringLiteral("lblTimeCode"))->isVisible());

    // Autofocus from the window: this product focuses when the button is
    // let go, with the focus stage ended and begun again.
    QToolButton *autoFocus = infoButton("tbnAFon");
    QVERIFY(QTest::qWaitFor([autoFocus]() { return autoFocus->isVisible(); }, kWaitMs));
    const int before = StageRecordingAccess::stages().size();
    QTest::mousePress(autoFocus, Qt::LeftButton);
    QTest::mouseRelease(autoFocus, Qt::LeftButton);
    const QVector<quint32> refocus{kStageAutoFocusOff, kStageAutoFocusOn};
    QVERIFY(QTest::qWaitFor([before, &refocus]() {
        const QVector<quint32> sent = StageRecordingAccess::stages().mid(before);
        return std::search(sent.begin(), sent.end(), refocus.begin(), refocus.end()) != sent.end();
    }, kWaitMs));

    // The zoom button steps the camera's zoom and never stays pressed.
    infoButton("tbnZoom")->click();
    QVERIFY(QTest::qWaitFor([]() { return emulatedLiveView()->zoomLevel() == 1; }, kWaitMs));
    QVERIFY(!infoButton("tbnZoom")->isChecked());
    QVERIFY(QTest::qWaitFor([]() { return app()->liveViewViewer()->navigator()->isVisible(); }, kWaitMs));
    QCOMPARE(app()->liveViewViewer()->navigator()->size(), QSize(120, 90));
    infoButton("tbnZoom")->click();
    infoButton("tbnZoom")->click();
    QVERIFY(QTest::qWaitFor([]() { return emulatedLiveView()->zoomLevel() == 0; }, kWaitMs));
    QVERIFY(QTest::qWaitFor([]() { return !app()->liveViewViewer()->navigator()->isVisible(); }, kWaitMs));

    // Grey card: the pipette takes the click, and saving ends the grey card.
    infoButton("tbnGCPip")->click();
    QVERIFY(waitForEmulatorMode(LiveView::kLEModeGreyCard));
    QVERIFY(waitForTitle(QStringLiteral("Gray Card Live View")));
    QVERIFY(app()->liveViewViewer()->isGCPipActive());
    QVERIFY(QTest::qWaitFor([]() { return !infoButton("tbnZoom")->isVisible(); }, kWaitMs));
    QVERIFY(!infoButton("tbnAFon")->isVisible());
    QVERIFY(!infoButton("tbnGCSave")->isVisible());
    QSignalSpy picked(app(), &TVK_GUI_Application::signalGCPipPosEdited);
    clickPicture(0.25, 0.5);
    QCOMPARE(picked.count(), 1);
    QVERIFY(qAbs(picked.at(0).at(0).toDouble() - 0.25) < 0.01);
    QVERIFY(infoButton("tbnGCSave")->isVisible());
    infoButton("tbnGCSave")->click();
    QVERIFY(QTest::qWaitFor([]() { return emulatedLiveView()->whiteBalanceMeasured(); }, kWaitMs));
    // The camera goes back to the photo live view it came from.
    QVERIFY(waitForEmulatorMode(LiveView::kLEModePhoto));
    QVERIFY(waitForTitle(QStringLiteral("Live View Photo")));
    QVERIFY(QTest::qWaitFor([]() { return !app()->liveViewViewer()->isGCPipActive(); }, kWaitMs));

    // Video live view shows no window of its own here, yet the frames still
    // flow and the panel's photo button goes off.
    QMetaObject::invokeMethod(app()->controller(), "setLiveViewVideo", Qt::QueuedConnection, Q_ARG(bool, true));
    QVERIFY(waitForEmulatorMode(LiveView::kLEModeVideo));
    QVERIFY(QTest::qWaitFor([]() { return !app()->liveViewWindow()->isVisible(); }, kWaitMs));
    QVERIFY(QTest::qWaitFor([]() { return !panelButton("tbnLVPhoto")->isChecked(); }, kWaitMs));
    const quint32 served = emulatedLiveView()->framesServed();
    QVERIFY(QTest::qWaitFor([served]() { return emulatedLiveView()->framesServed() > served + 3; }, kWaitMs));
    QCOMPARE(app()->liveViewViewer()->liveViewMode(), int(LiveView::kLEModeVideo));
    // The microphone's meters come with the video picture.
    QVERIFY(QTest::qWaitFor([]() {
        return !app()->liveViewInfoWidget()->findChild<QWidget *>(QStringLiteral("wgtAudioMeterL"))->isHidden();
    }, kWaitMs));

    // Unplugged during the live view: its window goes with the camera's.
    QSignalSpy liveViewClosed(app(), &TVK_GUI_Application::signalLiveViewGUIClosed);
    g_camera->removeDevice();
    QVERIFY(QTest::qWaitFor([]() { return app()->cameraWindow() == nullptr; }, kWaitMs));
    QVERIFY(app()->liveViewWindow() == nullptr);
    QCOMPARE(liveViewClosed.count(), 1);
    QCOMPARE(g_warnings, QStringList());
}

// A camera held upright: the picture, the markers and the clicks all turn
// with it, so that a click lands where the photographer sees it.
void tst_Application::liveViewOfATurnedCamera()
{
    QVERIFY(waitForCameraWindow());
    panelButton("tbnLVPhoto")->click();
    QVERIFY(waitForLiveViewWindow());
    QVERIFY(QTest::qWaitFor([]() { return app()->liveViewRotation() == 90; }, kWaitMs));
    QVERIFY(QTest::qWaitFor([]() {
        const QPixmap shown = app()->liveViewViewer()->sourcePixmap();
        return !shown.isNull() && shown.height() > shown.width();
    }, kWaitMs));
    QVERIFY(app()->liveViewViewer()->wantsMoveInZoom());

    // Left and low in the picture as shown is left and high on the sensor of
    // a camera turned a quarter clockwise.
    QSignalSpy sent(app(), &TVK_GUI_Application::signalCrossPosEdited);
    QVERIFY(QTest::qWaitFor([]() { return app()->liveViewViewer()->markerPos().x() >= 0.0; }, kWaitMs));
    clickPicture(0.25, 0.75);
    QCOMPARE(sent.count(), 1);
    QVERIFY(qAbs(sent.at(0).at(0).toDouble() - 0.75) < 0.01);
    QVERIFY(qAbs(sent.at(0).at(1).toDouble() - 0.75) < 0.01);
    const LiveView::Area area = LiveView::kActiveArea;
    QVERIFY(QTest::qWaitFor([area]() {
        return qAbs(int(emulatedLiveView()->crossX()) - int(area.x + 0.75 * area.width)) < 60
               && qAbs(int(emulatedLiveView()->crossY()) - int(area.y + 0.75 * area.height)) < 60;
    }, kWaitMs));
    // The camera's confirmation turns back into the place clicked.
    QVERIFY(QTest::qWaitFor([]() {
        const QPointF marker = app()->liveViewViewer()->markerPos();
        return qAbs(marker.x() - 0.25) < 0.02 && qAbs(marker.y() - 0.75) < 0.02;
    }, kWaitMs));

    // The aids switched on in the strip come with each frame, made from it
    // as the camera sent it and laid over it turned; they stay the product's.
    auto *strip = app()->liveViewWindow()->findChild<TVK_GUI_ViewAidsToolBar *>();
    QVERIFY(strip != nullptr);
    strip->peakingAction()->trigger();
    strip->histogramAction()->trigger();
    TVK_GUI_AidsOverlay *overlay = app()->liveViewViewer()->overlay();
    QVERIFY(QTest::qWaitFor([overlay]() {
        return overlay->frameAidsFit() && !overlay->frameAids().peaking.isNull() && overlay->frameAids().hasHistogram;
    }, kWaitMs));
    QCOMPARE(overlay->rotation(), 90);
    QCOMPARE(overlay->frameAids().sourceSize, app()->liveViewViewer()->sourcePixmap().size().transposed());
    QVERIFY(TVK_GUI_ViewAidsStore::load(TVK_GUI_ViewAidsStore::kLiveViewGroup).analysis.peaking);
    strip->peakingAction()->trigger();
    QVERIFY(QTest::qWaitFor([overlay]() {
        return overlay->frameAidsFit() && overlay->frameAids().peaking.isNull();
    }, kWaitMs));

    // Zoomed, the navigator stands upright too.
    infoButton("tbnZoom")->click();
    QVERIFY(QTest::qWaitFor([]() { return app()->liveViewViewer()->navigator()->isVisible(); }, kWaitMs));
    QCOMPARE(app()->liveViewViewer()->navigator()->size(), QSize(90, 120));
    // Held level again: the picture lies down.
    g_camera->properties()->setValue(kPropOrientation, 0, true);
    QVERIFY(QTest::qWaitFor([]() { return app()->liveViewRotation() == 0; }, kWaitMs));
    QVERIFY(QTest::qWaitFor([]() {
        return app()->liveViewViewer()->sourcePixmap().width() > app()->liveViewViewer()->sourcePixmap().height();
    }, kWaitMs));
}

// With quick view on in the panel, each new picture comes up in one window,
// converted for the monitor; closed by the user, it stays off.
void tst_Application::quickViewShowsEachNewPicture()
{
    QVERIFY(waitForCameraWindow());
    QToolButton *quickView = panelButton("tbnQuickView");
    quickView->click();
    QVERIFY(quickView->isChecked());
    takePicture();
    QVERIFY(QTest::qWaitFor([]() { return app()->quickViewWindow() && app()->quickViewWindow()->isVisible(); },
                            kWaitMs));
    QWidget *window = app()->quickViewWindow();
    QCOMPARE(window->objectName(), QStringLiteral("QuickViewDialog"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Shot00007 Quick View"));
    QCOMPARE(window->parentWidget(), static_cast<QWidget *>(app()->cameraWindow()));
    TVK_GUI_ImageViewer *viewer = app()->quickViewViewer();
    QVERIFY(!viewer->sourcePixmap().isNull());
    // Converted from the camera's colours: the shown picture is not the
    // decoded one.
    QVERIFY(viewer->wantsColorMatch());
    QVERIFY(viewer->displayedPixmap().toImage().convertToFormat(QImage::Format_RGB32)
            != viewer->scaledPixmap().toImage().convertToFormat(QImage::Format_RGB32));

    takePicture();
    QVERIFY(waitForQuickViewTitle(QStringLiteral("Shot00008 Quick View")));
    QCOMPARE(app()->quickViewWindow(), window);

    window->close();
    QVERIFY(QTest::qWaitFor([]() { return app()->quickViewWindow() == nullptr; }, kWaitMs));
    QVERIFY(!quickView->isChecked());
    takePicture();
    QVERIFY(QTest::qWaitFor([]() { return dngFiles().size() == 3; }, kWaitMs));
    QTest::qWait(500); // a quick view would follow its file at once
    QVERIFY(app()->quickViewWindow() == nullptr);

    // The camera window closed by the user with the quick view open: the
    // quick view goes with the window it belongs to, which is no panel by
    // then and must not be asked to switch its button off. Opened again on
    // the same screen, it converts as the first one did.
    quickView->click();
    takePicture();
    QVERIFY(QTest::qWaitFor([]() { return app()->quickViewWindow() && app()->quickViewWindow()->isVisible(); },
                            kWaitMs));
    viewer = app()->quickViewViewer();
    QVERIFY(viewer->displayedPixmap().toImage().convertToFormat(QImage::Format_RGB32)
            != viewer->scaledPixmap().toImage().convertToFormat(QImage::Format_RGB32));
    app()->cameraWindow()->close();
    QVERIFY(QTest::qWaitFor([]() { return app()->cameraWindow() == nullptr; }, kWaitMs));
    QVERIFY(app()->quickViewWindow() == nullptr);
    QVERIFY(app()->quitRequested());
    QCOMPARE(g_warnings, QStringList());
}

void tst_Application::quickViewTurnsByExifOrientation_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("redCorner"); // where the picture's top-left corner ends up
    QTest::newRow("1 as taken") << 1 << QSize(60, 40) << QPoint(0, 0);
    QTest::newRow("3 upside down") << 3 << QSize(60, 40) << QPoint(59, 39);
    QTest::newRow("6 a quarter clockwise") << 6 << QSize(40, 60) << QPoint(39, 0);
    QTest::newRow("8 a quarter anticlockwise") << 8 << QSize(40, 60) << QPoint(0, 59);
    QTest::newRow("unknown code") << 9 << QSize(60, 40) << QPoint(0, 0);
}

void tst_Application::quickViewTurnsByExifOrientation()
{
    QFETCH(int, orientation);
    QFETCH(QSize, size);
    QFETCH(QPoint, redCorner);
    QVERIFY(waitForCameraWindow());
    QImage picture(60, 40, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            picture.setPixel(x, y, qRgb(255, 0, 0));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(picture.save(&buffer, "JPG", 95));
    QMetaObject::invokeMethod(app(), "showQuickView", Q_ARG(QByteArray, jpeg), Q_ARG(QString, QString()),
                              Q_ARG(int, orientation));
    QVERIFY(app()->quickViewWindow() != nullptr);
    QCOMPARE(app()->quickViewWindow()->windowTitle(), QStringLiteral("Quick View"));
    const QImage shown = app()->quickViewViewer()->sourcePixmap().toImage();
    QCOMPARE(shown.size(), size);
    QVERIFY(qRed(shown.pixel(redCorner)) > 200 && qBlue(shown.pixel(redCorner)) < 60);

    // Bytes that are no picture clear the window instead of failing.
    QMetaObject::invokeMethod(app(), "showQuickView", Q_ARG(QByteArray, QByteArray("not a picture")),
                              Q_ARG(QString, QStringLiteral("/p/Shot00001.JPG")), Q_ARG(int, orientation));
    QVERIFY(app()->quickViewViewer()->sourcePixmap().isNull());
    QCOMPARE(app()->quickViewWindow()->windowTitle(), QStringLiteral("Shot00001 Quick View"));
}

void tst_Application::dialogsGoWithTheCameraWindowOnUnplug()
{
    for (const QString &kind : dialogKinds()) {
        QVERIFY2(waitForCameraWindow(), qPrintable(kind));
        QTimer::singleShot(0, []() { g_camera->removeDevice(); });
        const QPointer<QDialog> dialog = openCameraWindowDialog(kind);
        QVERIFY2(dialog, qPrintable(kind));
        QVERIFY2(QTest::qWaitFor([]() { return app()->cameraWindow() == nullptr; }, kWaitMs), qPrintable(kind));
        QVERIFY2(QTest::qWaitFor([&dialog]() { return dialog.isNull(); }, kWaitMs), qPrintable(kind));
        QVERIFY(app()->noCameraWindow()->isVisible());
        QVERIFY(!app()->quitRequested());
        // Plugged in again, the camera opens its window as before.
        g_camera->attach();
    }
    QVERIFY(waitForCameraWindow());
}

void tst_Application::reconnectsKeepNothingBehind()
{
    const auto reconnect = []() {
        if (!waitForCameraWindow())
            return false;
        g_camera->removeDevice();
        if (!QTest::qWaitFor([]() { return app()->cameraWindow() == nullptr; }, kWaitMs))
            return false;
        // The window deletes itself later; the count is taken once it has.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        g_camera->attach();
        return true;
    };
    // The first windows fill Qt's caches of fonts and pictures, once.
    for (int i = 0; i < 3; ++i)
        QVERIFY(reconnect());
    const qint64 before = TVK_Test_Heap::inUseBytes();
    constexpr int kCycles = 10;
    for (int i = 0; i < kCycles; ++i)
        QVERIFY(reconnect());
    const qint64 after = TVK_Test_Heap::inUseBytes();
    if (before < 0)
        QSKIP("the heap in use cannot be read in this build");
    const qint64 perCycle = (after - before) / kCycles;
    qInfo("heap kept per reconnect: %lld bytes", perCycle);
    // A camera window's own style sheet left about 50 KB a reconnect.
    QVERIFY2(perCycle < 16 * 1024, qPrintable(QString::number(perCycle)));
}

void tst_Application::dialogGoesWithTheCameraWindowOnQuit_data()
{
    QTest::addColumn<QString>("kind");
    for (const QString &kind : dialogKinds())
        QTest::newRow(qPrintable(kind)) << kind;
}

void tst_Application::dialogGoesWithTheCameraWindowOnQuit()
{
    QFETCH(QString, kind);
    QVERIFY(waitForCameraWindow());
    TVK_Test_SignalRecorder recorder(app()->controller());
    QTimer::singleShot(0, []() { QMetaObject::invokeMethod(app(), "catchActionQuit"); });
    const QPointer<QDialog> dialog = openCameraWindowDialog(kind);
    QVERIFY(dialog);
    QTRY_VERIFY_WITH_TIMEOUT(recorder.count(QStringLiteral("signalCameraDisconnected")) > 0, kWaitMs);
    QVERIFY(QTest::qWaitFor([]() { return app()->cameraWindow() == nullptr; }, kWaitMs));
    QVERIFY(QTest::qWaitFor([&dialog]() { return dialog.isNull(); }, kWaitMs));
    QVERIFY(app()->quitRequested());
}

int main(int argc, char *argv[])
{
    TVK_Test_Home home;
    g_home = &home;
    const QByteArray scenario = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    g_unknownProduct = scenario == "unknownProductOpensNoWindow";
    g_overUsb = scenario.endsWith("OverTheMockedUsbBus");
    g_pictureHeld = scenario == "pictureHeldAtTheStartOverTheMockedUsbBus";
    if (g_overUsb)
        g_product = 0x2041;
    // The product whose camera reports how it is held.
    const bool turned = scenario == "liveViewOfATurnedCamera";
    if (turned)
        g_product = 0x2033;

    // Made on the controller's first look for a camera: the emulator needs
    // the application object, which starts that look.
    TVK_Commu_CameraAccessFactory::setCreator(1, []() -> TVK_Commu_CameraAccess_Base * {
        static std::once_flag made;
#ifdef TVK_HAVE_UMOCKDEV
        // The bus first: the access's libusb finds only what is there when it starts.
        if (g_overUsb) {
            std::call_once(made, []() {
                g_usbBus = std::make_unique<TVK_Emulator_UmockdevBus>(g_product);
                g_camera = g_usbBus->camera();
                g_camera->component<TVK_Emulator_Capture>()->setDngBytes(64 * 1024);
                g_camera->properties()->setValue(0xD004, 0, false); // DNG only
                if (g_pictureHeld)
                    g_camera->transact(0x100E /* InitiateCapture */, {}, TVK_Emulator_Transaction::kLENoData);
            });
            return new TVK_Commu_CameraAccess_Linux_PTP;
        }
#endif
        std::call_once(made, []() {
            g_camera = std::make_shared<TVK_Emulator_Camera>(g_product);
            g_camera->setTimeScale(0.01);
            g_camera->component<TVK_Emulator_Capture>()->setDngBytes(64 * 1024);
            g_camera->properties()->setValue(0xD004, 0, false); // DNG only
            if (g_product == 0x2033)
                g_camera->properties()->setValue(kPropOrientation, 90, false);
        });
        if (g_unknownProduct)
            return new UnknownProductAccess(g_camera);
        return new StageRecordingAccess(g_camera);
    });

    // The camera's folders and naming, as a previous run would have left them.
    QDir().mkpath(home.filePath(QStringLiteral("pictures-dng")));
    QDir().mkpath(home.filePath(QStringLiteral("pictures-jpg")));
    TVK_GUI_Settings::registerXmlFormat();
    TVK_GUI_Settings *settings = TVK_GUI_Settings::instance();
    settings->setLastProductId(g_product);
    TVK_Logic_FolderSettings folders;
    folders.load({home.filePath(QStringLiteral("pictures-dng")), home.filePath(QStringLiteral("pictures-jpg")),
                  QStringLiteral("Shot"), 7});
    settings->saveFolderSettings(&folders);

    // A free port for the command server, so that parallel runs do not meet.
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        settings->setTcpServerPort(probe.serverPort());
    }
    // The dialog scenarios meet the real warning box.
    if (!scenario.startsWith("dialog"))
        TVK_GUI_Application::setWarningSinkForTesting([](const QString &text) { g_warnings << text; });
    {
        QFile blocker(home.filePath(QStringLiteral("blocker")));
        blocker.open(QIODevice::WriteOnly);
    }
    int result = 0;
    {
        TVK_GUI_Application application(argc, argv);
        tst_Application test;
        result = QTest::qExec(&test, argc, argv);
        TVK_GUI_Settings::destroyInstance();
    }
    TVK_Commu_CameraAccessFactory::setCreator(1, {});
#ifdef TVK_HAVE_UMOCKDEV
    g_usbBus.reset(); // after the application, whose controller's libusb used it
#endif
    g_camera.reset();
    return result;
}

#include "tst_application.moc"
