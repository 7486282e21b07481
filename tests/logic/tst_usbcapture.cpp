#include "TVK_Commu_PropertyCodes.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_Emulator_UmockdevBus.h"
#include "TVK_Emulator_UsbPipe.h"
#include "TVK_Emulator_UsbResponder.h"
#include "TVK_Emulator_UsbfsDevice.h"
#include "TVK_Logic_Camera.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Test_CameraRig.h"
#include "TVK_Test_Home.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_SignalRecorder.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <functional>
#include <memory>

using MockBus = TVK_Emulator_UmockdevBus;

namespace {

// Generous: tens of megabytes through umockdev's socket, under the sanitizers,
// on a loaded two-core machine.
constexpr int kWaitMs = 60000;
constexpr int kProduct = 0x2041;

// The controller over the program's real libusb and Linux access, the
// emulated camera on a USB bus mocked by umockdev. The bus is made first, so
// that libusb finds it, and goes last, after the controller and its access.
struct Rig {
    explicit Rig(qint64 dngBytes)
        : bus(kProduct)
        , capture(bus.camera()->component<TVK_Emulator_Capture>())
        , prepared(prepare(dngBytes))
        , host(TVK_Test_CameraRig::Options(kProduct).onHostedBus(bus.camera()))
        , ok(host.connected())
    {
    }

    bool prepare(qint64 dngBytes)
    {
        if (capture == nullptr || bus.camera()->properties() == nullptr)
            return false;
        bus.camera()->properties()->setValue(TVK_Commu_Prop::kFileFormat, 0 /* DNG only */, false);
        capture->setDngBytes(dngBytes);
        return capture->dngBytes() == dngBytes;
    }
    // Everything in the download folder, the hidden part files as well.
    QStringList downloads() const
    {
        return QDir(host.folder("dng")).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
    QByteArray download(const QString &name) const
    {
        QFile file(QDir(host.folder("dng")).filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // The picture as the camera keeps it on its card, read the way a host does.
    QByteArray onCard(quint32 handle) const
    {
        const TVK_Emulator_Camera::Result result = bus.camera()->transact(
            TVK_Commu_Ptp::kOpGetObject, {handle}, TVK_Emulator_Transaction::kLEDataIn);
        return result.responseCode == 0x2001 ? result.data : QByteArray();
    }
    bool idle() const
    {
        TVK_Logic_Camera *model = host.controller()->camera();
        return model != nullptr && model->transferThreadCount() == 0 && capture->pendingCount() == 0;
    }
    int count(const char *key) const { return host.count(key); }

    MockBus bus;
    TVK_Emulator_Capture *const capture;
    const bool prepared;
    TVK_Test_CameraRig host;
    const bool ok;
};

using Release = std::function<void(Rig &)>;

} // namespace

Q_DECLARE_METATYPE(Release)

class tst_UsbCapture : public QObject
{
    Q_OBJECT

private:
    TVK_Test_Home m_home;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        if (!MockBus::isMocked())
            QSKIP("not under umockdev-wrapper: the mocked USB bus cannot be made");
    }
    void releaseReachesTheControllerAsAnEventAndThePictureLandsWhole_data();
    void releaseReachesTheControllerAsAnEventAndThePictureLandsWhole();
    void unplugInALargeTransferLeavesNothingAndReplugFetchesThePicture();
};

void tst_UsbCapture::releaseReachesTheControllerAsAnEventAndThePictureLandsWhole_data()
{
    QTest::addColumn<Release>("release");
    QTest::addColumn<int>("dngBytes");
    // The camera's own release: the host learns of the picture only from the
    // interrupt endpoint.
    QTest::newRow("released on the camera, small DNG") << Release([](Rig &rig) {
        rig.bus.camera()->transact(TVK_Commu_Ptp::kOpInitiateCapture, {}, TVK_Emulator_Transaction::kLENoData);
    }) << 200 * 1000;
    QTest::newRow("released on the camera, ends on a packet boundary") << Release([](Rig &rig) {
        rig.bus.camera()->transact(TVK_Commu_Ptp::kOpInitiateCapture, {}, TVK_Emulator_Transaction::kLENoData);
    }) << 64 * MockBus::kPacketSize;
    // The program's capture button: the release goes out on the bulk pipe,
    // the transfer request still comes back as an event.
    QTest::newRow("released by the program, 24 MB DNG") << Release([](Rig &rig) {
        rig.host.controller()->doCaptureBtnPressed();
        rig.host.controller()->doCaptureBtnReleased();
    }) << 24 * 1000 * 1000;
}

void tst_UsbCapture::releaseReachesTheControllerAsAnEventAndThePictureLandsWhole()
{
    QFETCH(Release, release);
    QFETCH(int, dngBytes);
    Rig rig(dngBytes);
    QVERIFY(rig.prepared);
    QVERIFY(rig.ok);
    QVERIFY(rig.bus.responder()->sessionOpen());
    QVERIFY(rig.host.useFolders(QStringLiteral("Usb"), 3));
    TVK_Test_LogCapture log;

    release(rig);
    QTRY_VERIFY_WITH_TIMEOUT(rig.capture->picturesTaken() == 1 && rig.idle(), kWaitMs);
    QVERIFY(rig.bus.responder()->operationCodes().contains(TVK_Commu_Ptp::kOpGetObject));
    const QStringList files = rig.downloads();
    QCOMPARE(files, QStringList{QStringLiteral("Usb00003.DNG")});
    const QByteArray saved = rig.download(files.first());
    QCOMPARE(saved.size(), dngBytes);
    QVERIFY(saved == rig.onCard(rig.capture->cardHandles().value(0)));
    QVERIFY(log.matching(QStringLiteral("Error!")).isEmpty());
    QCOMPARE(rig.count("signalCameraDisconnected"), 0);
}

// The cable goes in the middle of a big picture's data phase: the camera
// closes once, nothing is left in the folder under any name, the picture
// stays on the camera, and plugged in again the camera connects anew and
// hands the same picture over whole.
void tst_UsbCapture::unplugInALargeTransferLeavesNothingAndReplugFetchesThePicture()
{
    constexpr int kDngBytes = 40 * 1000 * 1000;
    Rig rig(kDngBytes);
    QVERIFY(rig.prepared);
    QVERIFY(rig.ok);
    QVERIFY(rig.host.useFolders(QStringLiteral("Usb"), 1));
    TVK_Test_LogCapture log;

    rig.bus.pipe()->setUnplugAfterBytesToHost(kDngBytes / 2);
    rig.bus.camera()->transact(TVK_Commu_Ptp::kOpInitiateCapture, {}, TVK_Emulator_Transaction::kLENoData);
    QTRY_COMPARE_WITH_TIMEOUT(rig.count("signalCameraDisconnected"), 1, kWaitMs);
    QVERIFY(rig.bus.pipe()->isUnplugged());
    QVERIFY(rig.bus.responder()->operationCodes().contains(TVK_Commu_Ptp::kOpGetObject));
    // The controller's transfer ended with the camera: nothing runs on.
    QTRY_VERIFY_WITH_TIMEOUT(rig.host.controller()->camera() == nullptr, kWaitMs);
    QCOMPARE(rig.downloads(), QStringList());
    QCOMPARE(rig.capture->pendingCount(), 1); // not confirmed, so not lost

    // The kernel's notice of the removal comes after the close: no second one.
    rig.bus.announceRemoval();
    rig.bus.plugIn();
    QVERIFY(rig.host.connected(2));
    // The camera announces the picture it still holds at once, before anyone
    // could give the new camera the folders again: the controller kept them,
    // and the number the cut transfer took.
    QTRY_VERIFY_WITH_TIMEOUT(rig.idle() && !rig.downloads().isEmpty(), kWaitMs);
    QCOMPARE(rig.downloads(), QStringList{QStringLiteral("Usb00002.DNG")});
    const QByteArray saved = rig.download(rig.downloads().first());
    QCOMPARE(saved.size(), kDngBytes);
    QVERIFY(saved == rig.onCard(rig.capture->cardHandles().value(0)));
    QCOMPARE(rig.capture->picturesTaken(), 1);

    // Let go by the program: the second close, and the only other one.
    rig.host.controller()->catchCameraGUIClosed();
    QTRY_COMPARE_WITH_TIMEOUT(rig.count("signalCameraDisconnected"), 2, kWaitMs);
    QVERIFY(!rig.bus.responder()->sessionOpen());
    QCOMPARE(rig.count("signalCameraConnected"), 2);
}

QTEST_GUILESS_MAIN(tst_UsbCapture)
#include "tst_usbcapture.moc"
