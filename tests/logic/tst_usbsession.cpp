#include "TVK_Commu_PtpCodes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_Emulator_UsbBus.h"
#include "TVK_Emulator_UsbResponder.h"
#include "TVK_Logic_Camera.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Test_CameraRig.h"
#include "TVK_Test_Home.h"
#include "TVK_Test_SignalRecorder.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

// Generous: a loaded two-core machine under the sanitizers.
constexpr int kWaitMs = 20000;
constexpr int kProduct = 0x2041;

// The controller as the program runs it, its USB access on the libusb-free
// side of the framing: an emulated camera behind an in-memory USB cable.
struct Rig : TVK_Test_CameraRig {
    // failingOpens: opens refused first as if another program held the camera.
    explicit Rig(int failingOpens = 0)
        : TVK_Test_CameraRig(Options(kProduct, kLEUsbFraming).refusingOpens(failingOpens))
        , capture(camera()->component<TVK_Emulator_Capture>())
        , ok(connected())
    {
    }

    TVK_Emulator_Capture *const capture;
    const bool ok;
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
    QVERIFY(rig.controller()->camera() != nullptr);
    QCOMPARE(rig.controller()->productId(), kProduct);
    const std::shared_ptr<TVK_Emulator_UsbResponder> responder = rig.bus()->responder();
    QVERIFY(responder);
    QVERIFY(responder->sessionOpen());

    QVERIFY(rig.useFolders(QStringLiteral("Usb"), 7));
    rig.camera()->properties()->setValue(TVK_Commu_Prop::kFileFormat, 2 /* JPG only */, false);

    rig.controller()->doCaptureBtnPressed();
    rig.controller()->doCaptureBtnReleased();
    QTRY_VERIFY_WITH_TIMEOUT(rig.capture->picturesTaken() == 1 && rig.capture->pendingCount() == 0
                                 && rig.controller()->camera()->transferThreadCount() == 0,
                             kWaitMs);
    // The picture came through the framing and is on disk, whole.
    QVERIFY(responder->operationCodes().contains(TVK_Commu_Ptp::kOpGetObject));
    const QStringList files = QDir(rig.folder("jpg")).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QFile file(QDir(rig.folder("jpg")).filePath(files.first()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.size() > 1000);
    QVERIFY(bytes.startsWith("\xFF\xD8"));

    // Closing the camera window closes the session on the camera.
    rig.controller()->catchCameraGUIClosed();
    QTRY_COMPARE_WITH_TIMEOUT(rig.count("signalCameraDisconnected"), 1, kWaitMs);
    QVERIFY(!responder->sessionOpen());
    const QVector<int> closing{TVK_Commu_Ptp::kOpCloseVXSession, 0x1003 /* CloseSession */};
    QCOMPARE(responder->operationCodes().mid(responder->operationCodes().size() - 2), closing);
}

void tst_UsbSession::unplugDisconnectsTheCameraOnce()
{
    Rig rig;
    QVERIFY(rig.ok);
    rig.camera()->removeDevice();
    QTRY_COMPARE_WITH_TIMEOUT(rig.count("signalCameraDisconnected"), 1, kWaitMs);
    QVERIFY(rig.controller()->camera() == nullptr);
    // Plugged in again: found by the poll, connected anew.
    rig.camera()->attach();
    QTRY_COMPARE_WITH_TIMEOUT(rig.count("signalCameraConnected"), 2, kWaitMs);
    QCOMPARE(rig.count("signalCameraDisconnected"), 1);
}

// Refused three times (a desktop's volume monitor holding it): the user is
// told once, with the remedy, and the camera connects when it can be had.
void tst_UsbSession::claimedCameraIsOneWarningUntilItOpens()
{
    Rig rig(3);
    QVERIFY(rig.ok);
    QCOMPARE(rig.bus()->openCount(), 4);
    QCOMPARE(rig.count("signalCameraConnected"), 1);
    QCOMPARE(rig.count("signalWarning"), 1);
    const QString warning = rig.recorder()->lastArgs(QStringLiteral("signalWarning")).value(0).toString();
    QVERIFY(warning.contains(QLatin1String("gio mount -s gphoto2")));
}

QTEST_GUILESS_MAIN(tst_UsbSession)
#include "tst_usbsession.moc"
