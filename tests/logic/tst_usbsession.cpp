#include "TVK_Commu_CameraAccessFactory.h"
#include "TVK_Commu_CameraAccess_Linux_PTP.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_Emulator_UsbBus.h"
#include "TVK_Emulator_UsbResponder.h"
#include "TVK_Logic_Camera.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Logic_FolderSettings.h"
#include "TVK_Test_Home.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using Camera = TVK_Emulator_Camera;
using Controller = TVK_Logic_Controller;
using Access = TVK_Commu_CameraAccess_Linux_PTP;

namespace {

// Generous: a loaded two-core machine under the sanitizers.
constexpr int kWaitMs = 20000;
constexpr int kProduct = 0x2041;
constexpr int kPropFileFormat = 0xD004; // 2: JPG only
constexpr int kOpGetObject = 0x1009;

// The controller as the program runs it, its USB access on the libusb-free
// side of the framing: an emulated camera behind an in-memory USB cable.
struct Rig {
    // failingOpens: opens refused first as if another program held the camera.
    explicit Rig(int failingOpens = 0)
        : camera(std::make_shared<Camera>(kProduct))
    {
        camera->setTimeScale(0.01);
        capture = camera->component<TVK_Emulator_Capture>();
        std::shared_ptr<Camera> body = camera;
        TVK_Commu_CameraAccessFactory::setCreator(1, [this, body, failingOpens]() -> TVK_Commu_CameraAccess_Base * {
            auto ownBus = std::make_unique<TVK_Emulator_UsbBus>(body);
            ownBus->failOpens(TVK_Emulator_UsbBus::kLEBusy, failingOpens);
            bus = ownBus.get();
            access = new Access(std::move(ownBus));
            return access;
        });
        controller = std::make_unique<Controller>();
        warnings = std::make_unique<QSignalSpy>(controller.get(), &Controller::signalWarning);
        connected = std::make_unique<QSignalSpy>(controller.get(), &Controller::signalCameraConnected);
        disconnected = std::make_unique<QSignalSpy>(controller.get(), &Controller::signalCameraDisconnected);
        ok = connected->wait(kWaitMs) || !connected->isEmpty();
    }
    ~Rig()
    {
        controller.reset();
        TVK_Commu_CameraAccessFactory::setCreator(1, {});
    }

    std::shared_ptr<Camera> camera;
    TVK_Emulator_Capture *capture = nullptr;
    TVK_Emulator_UsbBus *bus = nullptr; // owned by the access
    Access *access = nullptr;           // owned by the controller
    std::unique_ptr<Controller> controller;
    std::unique_ptr<QSignalSpy> connected;
    std::unique_ptr<QSignalSpy> disconnected;
    std::unique_ptr<QSignalSpy> warnings;
    bool ok = false;
};

} // namespace

class tst_UsbSession : public QObject
{
    Q_OBJECT

private:
    TVK_Test_Home m_home;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
    }
    void pictureTravelsFromReleaseToDiskOverUsb();
    void unplugDisconnectsTheCameraOnce();
    void claimedCameraIsOneWarningUntilItOpens();
};

void tst_UsbSession::pictureTravelsFromReleaseToDiskOverUsb()
{
    Rig rig;
    QVERIFY(rig.ok);
    QVERIFY(rig.controller->camera() != nullptr);
    QCOMPARE(rig.controller->productId(), kProduct);
    const std::shared_ptr<TVK_Emulator_UsbResponder> responder = rig.bus->responder();
    QVERIFY(responder);
    QVERIFY(responder->sessionOpen());

    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("dng")) && QDir(dir.path()).mkpath(QStringLiteral("jpg")));
    TVK_Logic_FolderSettings folders;
    folders.load({dir.filePath(QStringLiteral("dng")), dir.filePath(QStringLiteral("jpg")), QStringLiteral("Usb"), 7});
    rig.controller->setFolderSettings(&folders);
    rig.camera->properties()->setValue(kPropFileFormat, 2, false);

    rig.controller->doCaptureBtnPressed();
    rig.controller->doCaptureBtnReleased();
    QTRY_VERIFY_WITH_TIMEOUT(rig.capture->picturesTaken() == 1 && rig.capture->pendingCount() == 0
                                 && rig.controller->camera()->transferThreadCount() == 0,
                             kWaitMs);
    // The picture came through the framing and is on disk, whole.
    QVERIFY(responder->operationCodes().contains(kOpGetObject));
    const QStringList files = QDir(dir.filePath(QStringLiteral("jpg"))).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QFile file(QDir(dir.filePath(QStringLiteral("jpg"))).filePath(files.first()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.size() > 1000);
    QVERIFY(bytes.startsWith("\xFF\xD8"));

    // Closing the camera window closes the session on the camera.
    rig.controller->catchCameraGUIClosed();
    QTRY_COMPARE_WITH_TIMEOUT(rig.disconnected->size(), 1, kWaitMs);
    QVERIFY(!responder->sessionOpen());
    QCOMPARE(responder->operationCodes().mid(responder->operationCodes().size() - 2), (QVector<int>{0x9006, 0x1003}));
}

void tst_UsbSession::unplugDisconnectsTheCameraOnce()
{
    Rig rig;
    QVERIFY(rig.ok);
    rig.camera->removeDevice();
    QTRY_COMPARE_WITH_TIMEOUT(rig.disconnected->size(), 1, kWaitMs);
    QVERIFY(rig.controller->camera() == nullptr);
    // Plugged in again: found by the poll, connected anew.
    rig.camera->attach();
    QTRY_COMPARE_WITH_TIMEOUT(rig.connected->size(), 2, kWaitMs);
    QCOMPARE(rig.disconnected->size(), 1);
}

// Refused three times (a desktop's volume monitor holding it): the user is
// told once, with the remedy, and the camera connects when it can be had.
void tst_UsbSession::claimedCameraIsOneWarningUntilItOpens()
{
    Rig rig(3);
    QVERIFY(rig.ok);
    QCOMPARE(rig.bus->openCount(), 4);
    QCOMPARE(rig.connected->size(), 1);
    QCOMPARE(rig.warnings->size(), 1);
    QVERIFY(rig.warnings->first().first().toString().contains(QLatin1String("gio mount -s gphoto2")));
}

QTEST_GUILESS_MAIN(tst_UsbSession)
#include "tst_usbsession.moc"
