#include "TVK_Commu_CameraAccessFactory.h"
#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_GUI_Application.h"
#include "TVK_GUI_CameraArdo2.h"
#include "TVK_GUI_NoCamera.h"
#include "TVK_GUI_Settings.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Logic_FolderSettings.h"
#include "TVK_Test_Home.h"

#include <QComboBox>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>
#include <mutex>

// The application with an emulated camera behind the controller, as a
// photographer meets it. Each scenario runs in a process of its own (see the
// CMake file): the application object exists once per process.
namespace {

constexpr int kWaitMs = 20000;
constexpr int kProduct = 0x2031;
constexpr quint16 kPropAperture = 0xD60E; // the aperture the camera settled on

using Emulated = TVK_Commu_CameraAccess_Emulated;

// An emulated camera that says it is a product the program does not know.
class UnknownProductAccess : public Emulated
{
public:
    using Emulated::Emulated;
    bool openConnection(quint64 cameraId, int productId, QString deviceId) override
    {
        const bool ok = Emulated::openConnection(cameraId, productId, deviceId);
        setProductId(0x1234);
        return ok;
    }
};

std::shared_ptr<TVK_Emulator_Camera> g_camera;
bool g_unknownProduct = false;
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
        QCOMPARE(TVK_GUI_Settings::instance()->lastProductId(), kProduct);
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

    // "r" from a remote client is one whole release, even with more bytes
    // in the same chunk; the connection stays open.
    void remoteReleaseTakesOnePicture()
    {
        QVERIFY(waitForCameraWindow());
        QTcpSocket client;
        client.connectToHost(QHostAddress(QHostAddress::LocalHost), app()->commandServerPort());
        QVERIFY(client.waitForConnected(kWaitMs));
        QVERIFY(QTest::qWaitFor([&client]() { return client.canReadLine(); }, kWaitMs));
        QCOMPARE(client.readLine(), QByteArray("Norba Pellora - TCP Server\r\n"));
        client.write("rQ");
        QVERIFY(client.waitForBytesWritten(kWaitMs));
        QVERIFY(QTest::qWaitFor([]() { return !QDir(dngFolder()).entryList(QDir::Files).isEmpty(); }, kWaitMs));
        // Time for a second picture, were one on its way.
        QTest::qWait(1000);
        QCOMPARE(QDir(dngFolder()).entryList(QDir::Files), QStringList{QStringLiteral("Shot00007.DNG")});
        QCOMPARE(client.state(), QAbstractSocket::ConnectedState);
    }

private:
    void quitWithCamera(bool byMenu)
    {
        QVERIFY(waitForCameraWindow());
        QSignalSpy disconnected(app()->controller(), &TVK_Logic_Controller::signalCameraDisconnected);
        if (byMenu)
            QMetaObject::invokeMethod(app(), "catchActionQuit");
        else
            app()->cameraWindow()->close();
        QVERIFY(disconnected.wait(kWaitMs) || disconnected.count() > 0);
        QVERIFY(app()->quitRequested());
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

int main(int argc, char *argv[])
{
    TVK_Test_Home home;
    g_home = &home;
    const QByteArray scenario = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    g_unknownProduct = scenario == "unknownProductOpensNoWindow";

    // Made on the controller's first look for a camera: the emulator needs
    // the application object, which starts that look.
    TVK_Commu_CameraAccessFactory::setCreator(1, []() -> TVK_Commu_CameraAccess_Base * {
        static std::once_flag made;
        std::call_once(made, []() {
            g_camera = std::make_shared<TVK_Emulator_Camera>(kProduct);
            g_camera->setTimeScale(0.01);
            g_camera->component<TVK_Emulator_Capture>()->setDngBytes(64 * 1024);
            g_camera->properties()->setValue(0xD004, 0, false); // DNG only
        });
        if (g_unknownProduct)
            return new UnknownProductAccess(g_camera);
        return new Emulated(g_camera);
    });

    // The camera's folders and naming, as a previous run would have left them.
    QDir().mkpath(home.filePath(QStringLiteral("pictures-dng")));
    QDir().mkpath(home.filePath(QStringLiteral("pictures-jpg")));
    TVK_GUI_Settings::registerXmlFormat();
    TVK_GUI_Settings *settings = TVK_GUI_Settings::instance();
    settings->setLastProductId(kProduct);
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
    TVK_GUI_Application::setWarningSinkForTesting([](const QString &text) { g_warnings << text; });
    int result = 0;
    {
        TVK_GUI_Application application(argc, argv);
        tst_Application test;
        result = QTest::qExec(&test, argc, argv);
        TVK_GUI_Settings::destroyInstance();
    }
    TVK_Commu_CameraAccessFactory::setCreator(1, {});
    g_camera.reset();
    return result;
}

#include "tst_application.moc"
