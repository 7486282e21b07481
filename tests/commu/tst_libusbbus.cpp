#include "TVK_Commu_CameraAccess_Linux_PTP.h"
#include "TVK_Commu_UsbBus_Libusb.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Emulator_UsbPipe.h"
#include "TVK_Emulator_UsbResponder.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_SignalRecorder.h"
#include "TVK_Emulator_UmockdevBus.h"
#include "TVK_Emulator_UsbfsDevice.h"

#include <QSignalSpy>
#include <QtTest>

#include <cerrno>
#include <memory>

using Access = TVK_Commu_CameraAccess_Linux_PTP;
using MockBus = TVK_Emulator_UmockdevBus;

namespace {

constexpr int kWaitMs = 10000;
constexpr int kProduct = 0x2041;
// Answered by the responder itself: what goes out comes back in.
constexpr int kOpLoopbackOut = 0x9F01;
constexpr int kOpLoopbackIn = 0x9F02;
// The still-image container's header in front of each data phase.
constexpr int kHeader = 12;

// The camera on the mocked bus, and the program's access over the real libusb.
struct Rig {
    explicit Rig(int timeoutMs = 0) : bus(kProduct)
    {
        bus.responder()->setLoopbackOperation(kOpLoopbackOut, true);
        bus.responder()->setLoopbackOperation(kOpLoopbackIn, false);
        access = std::make_unique<Access>(std::make_unique<TVK_Commu_UsbBus_Libusb>());
        if (timeoutMs > 0)
            access->setTransferTimeoutMs(timeoutMs);
        recorder = std::make_unique<TVK_Test_SignalRecorder>(access.get());
    }
    ~Rig()
    {
        access->closeConnection();
        access.reset(); // libusb goes before the mocked bus
    }
    bool open()
    {
        QSignalSpy available(access.get(), &Access::signalDeviceAvailable);
        access->checkDeviceAvailable();
        if (available.isEmpty())
            return false;
        return openAnnounced(available.takeFirst());
    }
    // As the controller opens what signalDeviceAvailable announced.
    bool openAnnounced(const QList<QVariant> &args)
    {
        return access->openConnection(args.at(1).toULongLong(), args.at(2).toInt(), args.at(3).toString());
    }
    bool ping()
    {
        QByteArray buffer(4096, '\0');
        return access->getDeviceInfo(buffer.data(), unsigned(buffer.size()));
    }
    int closedCount() const { return recorder->count(QStringLiteral("signalConnectionClosed")); }

    MockBus bus;
    std::unique_ptr<Access> access;
    std::unique_ptr<TVK_Test_SignalRecorder> recorder;
};

} // namespace

class tst_LibusbBus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cameraIsFoundByItsInterfaceAndVendor_data();
    void cameraIsFoundByItsInterfaceAndVendor();
    void sessionRunsOverTheRealLibusb_data();
    void sessionRunsOverTheRealLibusb();
    void timedOutTransferIsCancelledUntilTheCameraIsIdle();
    void claimHeldByAnotherProgramIsRefusedWithTheRemedy();
    void boundKernelDriverIsDetachedAndGivenBackOnClose();
    void unplugInTheDataPhaseFailsTheTransferAndClosesOnce();
    void unplugWhileIdleClosesOnceAndReplugIsAnnounced_data();
    void unplugWhileIdleClosesOnceAndReplugIsAnnounced();
};

void tst_LibusbBus::initTestCase()
{
    if (!MockBus::isMocked())
        QSKIP("not under umockdev-wrapper: the mocked USB bus cannot be made");
}

void tst_LibusbBus::cameraIsFoundByItsInterfaceAndVendor_data()
{
    QTest::addColumn<int>("vendorId");
    QTest::addColumn<int>("interfaceClass");
    QTest::addColumn<bool>("listed");
    QTest::addColumn<bool>("offered");
    QTest::newRow("the emulated camera") << int(MockBus::emulatorVendorId()) << MockBus::kClassStillImage << true
                                         << true;
    QTest::newRow("unknown vendor: listed, not offered") << 0x7A7A << MockBus::kClassStillImage << true << false;
    QTest::newRow("no still-image interface") << int(MockBus::emulatorVendorId()) << 8 << false << false;
}

void tst_LibusbBus::cameraIsFoundByItsInterfaceAndVendor()
{
    QFETCH(int, vendorId);
    QFETCH(int, interfaceClass);
    QFETCH(bool, listed);
    QFETCH(bool, offered);
    MockBus mock(kProduct, quint16(vendorId), interfaceClass);
    auto ownBus = std::make_unique<TVK_Commu_UsbBus_Libusb>();
    TVK_Commu_UsbBus_Libusb *bus = ownBus.get();
    QVERIFY(bus->isUsable());
    // The root hub is on the bus as well, but has no still-image interface.
    const QVector<TVK_Commu_UsbBusIF::Device> devices = bus->stillImageDevices();
    QCOMPARE(devices.size(), listed ? 1 : 0);
    if (listed) {
        QCOMPARE(int(devices.first().vendorId), vendorId);
        QCOMPARE(int(devices.first().productId), TVK_Emulator_Profile::forProduct(kProduct)->productId);
        QCOMPARE(devices.first().deviceId, MockBus::deviceId());
    }
    Access access(std::move(ownBus));
    QSignalSpy available(&access, &Access::signalDeviceAvailable);
    QCOMPARE(access.checkDeviceAvailable(), offered);
    QCOMPARE(available.size(), offered ? 1 : 0);
}

void tst_LibusbBus::sessionRunsOverTheRealLibusb_data()
{
    QTest::addColumn<int>("objectSize");
    QTest::newRow("one short packet") << 100;
    QTest::newRow("ends on a packet boundary: zero-length packet") << MockBus::kPacketSize - kHeader;
    QTest::newRow("many packets") << 70000;
}

void tst_LibusbBus::sessionRunsOverTheRealLibusb()
{
    QFETCH(int, objectSize);
    Rig rig;
    QVERIFY(rig.open());
    QVERIFY(rig.bus.responder()->sessionOpen());
    QCOMPARE(rig.bus.usbfs().claims(), 1);

    const TVK_Emulator_Profile *profile = TVK_Emulator_Profile::forProduct(kProduct);
    const QByteArray info = profile->deviceInfo();
    QByteArray buffer(info.size(), '\0');
    QVERIFY(rig.access->getDeviceInfo(buffer.data(), unsigned(buffer.size())));
    QCOMPARE(buffer, info);

    QByteArray desc(1024, '\0');
    QVERIFY(rig.access->getDevicePropDesc(profile->deviceProperties.first(), desc.data(), unsigned(desc.size())));
    QCOMPARE(quint16(quint8(desc[0]) | quint8(desc[1]) << 8), profile->deviceProperties.first());

    QByteArray object(objectSize, '\0');
    for (int i = 0; i < objectSize; ++i)
        object[i] = char(i * 7 + i / 251);
    QVERIFY(rig.access->sendData(kOpLoopbackOut, 0, nullptr, object.constData(), unsigned(objectSize), "test"));
    QByteArray back(objectSize, '\0');
    quint64 received = 0;
    QVERIFY(rig.access->recvData(kOpLoopbackIn, 0, nullptr, back.data(), unsigned(objectSize), "test", &received));
    QCOMPARE(received, quint64(objectSize));
    QCOMPARE(back, object);

    QVERIFY(rig.access->closeConnection());
    QVERIFY(!rig.bus.responder()->sessionOpen());
    QVERIFY(rig.bus.responder()->operationCodes().endsWith(TVK_Emulator_UsbResponder::kOpCloseSession));
    QTRY_COMPARE_WITH_TIMEOUT(rig.bus.usbfs().releases(), 1, kWaitMs);
}

// The class requests go out as control transfers: Cancel, then Get Device
// Status until the camera is idle, and the next transaction is answered.
void tst_LibusbBus::timedOutTransferIsCancelledUntilTheCameraIsIdle()
{
    Rig rig(300);
    QVERIFY(rig.open());
    TVK_Test_LogCapture log;
    rig.bus.responder()->setBusyAfterCancelMs(100);
    rig.bus.responder()->setSilentTransactions(1);
    QVERIFY(!rig.ping());
    QCOMPARE(rig.bus.pipe()->cancelRequests(), 1);
    QCOMPARE(rig.bus.pipe()->lastCancelledTransaction(), rig.bus.responder()->transactionIds().last());
    QVERIFY(rig.bus.usbfs().clearedHalts() >= 2);
    QVERIFY(rig.bus.pipe()->statusRequests() >= 2);
    QCOMPARE(log.matching(QStringLiteral("camera idle after the cancel")).size(), 1);
    QVERIFY(rig.ping());
    QCOMPARE(rig.closedCount(), 0);
}

void tst_LibusbBus::claimHeldByAnotherProgramIsRefusedWithTheRemedy()
{
    Rig rig;
    rig.bus.usbfs().failClaims(EBUSY);
    QSignalSpy warnings(rig.access.get(), &Access::signalConnectionWarning);
    TVK_Test_LogCapture log;
    QVERIFY(!rig.open());
    QVERIFY(!log.matching(QStringLiteral("libusb_claim_interface: LIBUSB_ERROR_BUSY")).isEmpty());
    QCOMPARE(warnings.size(), 1);
    QVERIFY(warnings.first().at(0).toString().contains(QLatin1String("in use by another program")));
    QVERIFY(!rig.bus.responder()->sessionOpen());
}

void tst_LibusbBus::boundKernelDriverIsDetachedAndGivenBackOnClose()
{
    Rig rig;
    rig.bus.usbfs().bindKernelDriver();
    QVERIFY(rig.open());
    QCOMPARE(rig.bus.usbfs().driverDetaches(), 1);
    QVERIFY(!rig.bus.usbfs().driverBound());
    QVERIFY(rig.access->closeConnection());
    QTRY_VERIFY_WITH_TIMEOUT(rig.bus.usbfs().driverBound(), kWaitMs);
}

void tst_LibusbBus::unplugInTheDataPhaseFailsTheTransferAndClosesOnce()
{
    Rig rig;
    QVERIFY(rig.open());
    constexpr int kObject = 300000;
    QByteArray object(kObject, 'x');
    QVERIFY(rig.access->sendData(kOpLoopbackOut, 0, nullptr, object.constData(), unsigned(kObject), "test"));
    rig.bus.pipe()->setUnplugAfterBytesToHost(kObject / 3);
    QByteArray back(kObject, '\0');
    QVERIFY(!rig.access->recvData(kOpLoopbackIn, 0, nullptr, back.data(), unsigned(kObject), "test"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.closedCount(), 1, kWaitMs);
    QCOMPARE(rig.access->productId(), 0);
    QVERIFY(!rig.ping());
}

void tst_LibusbBus::unplugWhileIdleClosesOnceAndReplugIsAnnounced_data()
{
    QTest::addColumn<bool>("cablePulled");
    QTest::newRow("removal announced: libusb's hot-plug notice alone") << false;
    QTest::newRow("cable pulled: the event read fails as well") << true;
}

void tst_LibusbBus::unplugWhileIdleClosesOnceAndReplugIsAnnounced()
{
    QFETCH(bool, cablePulled);
    Rig rig;
    QVERIFY(rig.open());
    TVK_Test_LogCapture log;
    if (cablePulled)
        rig.bus.unplug();
    else
        rig.bus.announceRemoval();
    QTRY_COMPARE_WITH_TIMEOUT(rig.closedCount(), 1, kWaitMs);
    QCOMPARE(rig.access->productId(), 0);
    if (!cablePulled)
        QCOMPARE(log.matching(MockBus::deviceId() + QStringLiteral(" left")).size(), 1);
    QTest::qWait(3 * Access::kEventPollMs);
    QCOMPARE(rig.closedCount(), 1);

    // Plugged in again before the controller's next poll, it is announced by
    // the hot-plug notice and opened anew.
    QSignalSpy available(rig.access.get(), &Access::signalDeviceAvailable);
    rig.bus.plugIn();
    QTRY_VERIFY_WITH_TIMEOUT(!available.isEmpty(), kWaitMs);
    QVERIFY(rig.openAnnounced(available.takeFirst()));
    QVERIFY(rig.ping());
}

QTEST_GUILESS_MAIN(tst_LibusbBus)
#include "tst_libusbbus.moc"
