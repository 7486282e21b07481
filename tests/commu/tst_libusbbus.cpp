#include "TVK_Commu_CameraAccess_Linux_PTP.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Commu_UsbBus_Libusb.h"
#include "TVK_Debug_Log.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_Emulator_SettingsRecord.h"
#include "TVK_Emulator_UmockdevBus.h"
#include "TVK_Emulator_UsbPipe.h"
#include "TVK_Emulator_UsbResponder.h"
#include "TVK_Emulator_UsbfsDevice.h"
#include "TVK_Logic_CameraSettingsByDevProps.h"
#include "TVK_Logic_CameraSettingsByStruct.h"
#include "TVK_Logic_DeviceInfo.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_SignalRecorder.h"

#include <QSignalSpy>
#include <QtTest>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
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
constexpr qint64 kPictureBytes = 60 * 1000 * 1000;
// What libusb's URBs may not outnumber for a picture: one per 64 KiB.
constexpr int kUrbBytesAtLeast = 64 * 1024;
// The URBs libusb chains by bulk continuation without scatter-gather.
constexpr int kContinuationUrbBytes = 16 * 1024;
constexpr quint32 kPendingHandle = TVK_Emulator_Capture::kPendingHandle;

// Root may open any file whatever its mode; while this lives the calling
// thread may not (Linux keeps capabilities per thread), as the user's
// program could not.
class NoPermissionOverride
{
public:
    NoPermissionOverride()
    {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        if (syscall(SYS_capget, &header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_dropped = syscall(SYS_capset, &header, reduced) == 0;
    }
    ~NoPermissionOverride()
    {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        if (m_dropped)
            syscall(SYS_capset, &header, m_saved);
    }
    NoPermissionOverride(const NoPermissionOverride &) = delete;
    NoPermissionOverride &operator=(const NoPermissionOverride &) = delete;

private:
    __user_cap_data_struct m_saved[2] = {};
    bool m_dropped = false;
};

// The camera on the mocked bus, and the program's access over the real libusb.
struct Rig {
    explicit Rig(int timeoutMs = 0, int product = kProduct, bool scatterGather = true) : bus(product)
    {
        bus.usbfs().setScatterGather(scatterGather);
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
    bool open() { return poll(); }
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
    // One poll of the controller: what it announces is opened.
    bool poll(bool *announced = nullptr)
    {
        QSignalSpy available(access.get(), &Access::signalDeviceAvailable);
        access->checkDeviceAvailable();
        if (announced != nullptr)
            *announced = !available.isEmpty();
        return !available.isEmpty() && openAnnounced(available.takeFirst());
    }
    // A picture of the given size waits for the host.
    bool takePicture(qint64 bytes)
    {
        auto *capture = bus.camera()->component<TVK_Emulator_Capture>();
        capture->overrideSetting(TVK_Emulator_Camera::kLEFileFormat, 0);
        capture->setDngBytes(bytes);
        if (!access->releaseCam(0))
            return false;
        return QTest::qWaitFor([capture]() { return capture->pendingCount() == 1; }, kWaitMs);
    }
    // The picture as the emulated camera holds it.
    QByteArray picture() const
    {
        return bus.camera()
            ->transact(TVK_Commu_Ptp::kOpGetObject, {kPendingHandle}, TVK_Emulator_Transaction::kLEDataIn)
            .data;
    }

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
    void nodeWithoutPermissionWarnsOnceAndOpensOnceGranted();
    void shortDataPhaseEndsTheReadAndItsResponseFollows_data();
    void shortDataPhaseEndsTheReadAndItsResponseFollows();
    void stalledBulkEndpointIsClearedAndTheNextTransactionWorks_data();
    void stalledBulkEndpointIsClearedAndTheNextTransactionWorks();
    void stalledEventEndpointIsClearedAndEventsArriveAgain();
    void bigPictureArrivesWhole_data();
    void bigPictureArrivesWhole();
    void unplugAmidBigPictureFailsItAndClosesOnce();
    void settingsRefreshReadsWhatTheCameraHolds_data();
    void settingsRefreshReadsWhatTheCameraHolds();
    void secondCameraIsListedBesideTheFirstUnderItsOwnId();
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
    QTest::addColumn<bool>("scatterGather");
    for (const bool scatterGather : {true, false}) {
        // Without scatter-gather libusb chains 16 KiB URBs: a short packet
        // ends the chain early, and the rest of it must not take the response.
        const char *host = scatterGather ? "" : ", 16 KiB URBs chained";
        QTest::addRow("one short packet%s", host) << 100 << scatterGather;
        QTest::addRow("ends on a packet boundary: zero-length packet%s", host)
            << MockBus::kPacketSize - kHeader << scatterGather;
        QTest::addRow("many packets%s", host) << 70000 << scatterGather;
        QTest::addRow("a whole chain of 16 KiB, then its zero-length packet%s", host)
            << 4 * kContinuationUrbBytes + MockBus::kPacketSize - kHeader << scatterGather;
    }
}

void tst_LibusbBus::sessionRunsOverTheRealLibusb()
{
    QFETCH(int, objectSize);
    QFETCH(bool, scatterGather);
    Rig rig(0, kProduct, scatterGather);
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
    // The path the row is about was taken.
    const int largest = rig.bus.usbfs().largestUrb(MockBus::kEndpointBulkIn);
    if (objectSize > kContinuationUrbBytes && scatterGather)
        QVERIFY(largest > kContinuationUrbBytes);
    else if (objectSize > kContinuationUrbBytes)
        QCOMPARE(largest, kContinuationUrbBytes);
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

// Without the program's udev rule the node cannot be opened: one warning
// with the remedy, and error lines ever more seldom however often the
// controller's poll tries again; once the rule gives access the next poll
// opens it.
void tst_LibusbBus::nodeWithoutPermissionWarnsOnceAndOpensOnceGranted()
{
    Rig rig;
    rig.bus.setNodeAccessible(false);
    QSignalSpy warnings(rig.access.get(), &Access::signalConnectionWarning);
    TVK_Test_LogCapture log(kLELogAlways); // errors and warnings only, not the polls' trace
    const NoPermissionOverride asUser;
    constexpr int kPolls = 7;
    for (int poll = 0; poll < kPolls; ++poll) {
        bool announced = false;
        QVERIFY(!rig.poll(&announced));
        QVERIFY2(announced, "offered again on every poll, so that the controller tries again");
    }
    QVERIFY(!rig.bus.responder()->sessionOpen());
    QCOMPARE(warnings.size(), 1);
    const QString warning = warnings.first().at(0).toString();
    QVERIFY2(warning.contains(QLatin1String("70-norba-pellora.rules")), qPrintable(warning));
    QVERIFY2(warning.contains(QLatin1String("udevadm control --reload-rules")), qPrintable(warning));
    // Tries 1, 2 and 4, and the warning.
    QCOMPARE(log.matching(QStringLiteral("LIBUSB_ERROR_ACCESS")).size(), 3);
    QCOMPARE(log.matching(QStringLiteral("no permission")).size(), 1);
    QVERIFY2(log.lines().size() == 4, qPrintable(log.lines().join(QLatin1Char('\n'))));

    rig.bus.setNodeAccessible(true);
    QVERIFY(rig.poll());
    QVERIFY(rig.ping());
    QCOMPARE(warnings.size(), 1);
}

void tst_LibusbBus::shortDataPhaseEndsTheReadAndItsResponseFollows_data()
{
    QTest::addColumn<bool>("scatterGather");
    QTest::addColumn<int>("sentBytes"); // of the container, whole packets
    QTest::newRow("one URB") << true << 40 * MockBus::kPacketSize;
    // The short packet comes in the chain's second URB: the kernel cancels
    // the three after it, or they would take the response.
    QTest::newRow("16 KiB URBs chained, short amid the chain") << false << 40 * MockBus::kPacketSize;
    // A full URB, then the zero-length packet alone in the next.
    QTest::newRow("16 KiB URBs chained, ends with a full URB")
        << false << MockBus::kPacketSize + kContinuationUrbBytes;
}

// A camera whose data phase is shorter than its header says: the read ends
// at the short packet with what came, and the response is read after it.
void tst_LibusbBus::shortDataPhaseEndsTheReadAndItsResponseFollows()
{
    QFETCH(bool, scatterGather);
    QFETCH(int, sentBytes);
    Rig rig(0, kProduct, scatterGather);
    QVERIFY(rig.open());
    constexpr int kObject = 70000;
    QByteArray object(kObject, '\0');
    for (int i = 0; i < kObject; ++i)
        object[i] = char(i * 13 + i / 509);
    QVERIFY(rig.access->sendData(kOpLoopbackOut, 0, nullptr, object.constData(), unsigned(kObject), "test"));
    rig.bus.usbfs().endTransferEarly(sentBytes);
    QByteArray back(kObject, '\0');
    quint64 received = 0;
    QVERIFY(rig.access->recvData(kOpLoopbackIn, 0, nullptr, back.data(), unsigned(kObject), "test", &received));
    QCOMPARE(received, quint64(sentBytes - kHeader));
    QVERIFY(back.left(int(received)) == object.left(int(received)));
    QVERIFY(rig.ping());
    QCOMPARE(rig.closedCount(), 0);
}

void tst_LibusbBus::stalledBulkEndpointIsClearedAndTheNextTransactionWorks_data()
{
    QTest::addColumn<int>("endpoint");
    QTest::addColumn<int>("urbsFirst");
    QTest::addColumn<int>("objectSize"); // 0: GetDeviceInfo; else a data-in loopback of this size
    const int in = MockBus::kEndpointBulkIn;
    const int out = MockBus::kEndpointBulkOut;
    QTest::newRow("bulk in, at the answer's first packet") << in << 0 << 0;
    QTest::newRow("bulk in, amid the data phase") << in << 1 << 70000;
    QTest::newRow("bulk in, at the response after the data") << in << 2 << 70000;
    QTest::newRow("bulk out, at the command") << out << 0 << 0;
}

void tst_LibusbBus::stalledBulkEndpointIsClearedAndTheNextTransactionWorks()
{
    QFETCH(int, endpoint);
    QFETCH(int, urbsFirst);
    QFETCH(int, objectSize);
    Rig rig;
    QVERIFY(rig.open());
    QByteArray object(qMax(objectSize, 1), 's');
    if (objectSize > 0)
        QVERIFY(rig.access->sendData(kOpLoopbackOut, 0, nullptr, object.constData(), unsigned(objectSize), "test"));
    TVK_Emulator_UsbfsDevice &usbfs = rig.bus.usbfs();
    const int clearedBefore = usbfs.clearedHalts(quint8(endpoint));
    usbfs.stall(quint8(endpoint), urbsFirst);
    if (objectSize > 0) {
        QByteArray back(objectSize, '\0');
        QVERIFY(!rig.access->recvData(kOpLoopbackIn, 0, nullptr, back.data(), unsigned(objectSize), "test"));
    } else {
        QVERIFY(!rig.ping());
    }
    QVERIFY(usbfs.clearedHalts(quint8(endpoint)) > clearedBefore);
    QVERIFY(!usbfs.isHalted(quint8(endpoint)));
    QVERIFY(rig.ping());
    if (objectSize > 0) {
        QByteArray back(objectSize, '\0');
        QVERIFY(rig.access->recvData(kOpLoopbackIn, 0, nullptr, back.data(), unsigned(objectSize), "test"));
        QCOMPARE(back, object);
    }
    QCOMPARE(rig.closedCount(), 0);
}

// No transaction cancels on the event pipe: its halt is cleared where the
// stall is seen, or no event would ever arrive again.
void tst_LibusbBus::stalledEventEndpointIsClearedAndEventsArriveAgain()
{
    Rig rig;
    QVERIFY(rig.open());
    TVK_Emulator_UsbfsDevice &usbfs = rig.bus.usbfs();
    usbfs.stall(MockBus::kEndpointInterruptIn);
    QTRY_VERIFY_WITH_TIMEOUT(usbfs.clearedHalts(MockBus::kEndpointInterruptIn) >= 1, kWaitMs);
    constexpr quint32 kHandle = 0x00420001;
    rig.bus.responder()->raiseEvent(TVK_Emulator_UsbResponder::kEventRequestObjectTransfer, {kHandle});
    QTRY_COMPARE_WITH_TIMEOUT(rig.recorder->count(QStringLiteral("signalTransferRequest")), 1, kWaitMs);
    QVERIFY(!usbfs.isHalted(MockBus::kEndpointInterruptIn));
    QVERIFY(rig.ping());
    QCOMPARE(rig.closedCount(), 0);
}

void tst_LibusbBus::bigPictureArrivesWhole_data()
{
    QTest::addColumn<bool>("scatterGather");
    QTest::newRow("scatter-gather: large URBs") << true;
    QTest::newRow("no scatter-gather: 16 KiB URBs chained") << false;
}

// GetObject of a 60 MB DNG, byte for byte the camera's, in as few URBs as
// large reads allow.
void tst_LibusbBus::bigPictureArrivesWhole()
{
    QFETCH(bool, scatterGather);
    Rig rig(0, kProduct, scatterGather);
    QVERIFY(rig.open());
    QVERIFY(rig.takePicture(kPictureBytes));
    const QByteArray expected = rig.picture();
    QCOMPARE(qint64(expected.size()), kPictureBytes);

    TVK_Emulator_UsbfsDevice &usbfs = rig.bus.usbfs();
    const int urbsBefore = usbfs.urbsSubmitted(MockBus::kEndpointBulkIn);
    QByteArray picture(int(kPictureBytes), '\0');
    quint64 received = 0;
    QVERIFY(rig.access->getObject(picture.data(), unsigned(picture.size()), kPendingHandle, &received));
    const int urbs = usbfs.urbsSubmitted(MockBus::kEndpointBulkIn) - urbsBefore;
    QCOMPARE(received, quint64(kPictureBytes));
    QVERIFY(picture == expected); // QCOMPARE would print 60 MB
    // The container's first packet, the buffer's last partial packet and
    // the response come in URBs of their own.
    const int chunkUrbs = int((kPictureBytes + kHeader + kUrbBytesAtLeast - 1) / kUrbBytesAtLeast);
    const int continuedUrbs = int((kPictureBytes + kHeader + kContinuationUrbBytes - 1) / kContinuationUrbBytes);
    qInfo("%d bulk-in URBs for %lld bytes, the longest %d bytes", urbs, kPictureBytes,
          usbfs.largestUrb(MockBus::kEndpointBulkIn));
    if (scatterGather)
        QVERIFY2(urbs <= chunkUrbs + 3, qPrintable(QString::number(urbs)));
    else
        QVERIFY2(urbs <= continuedUrbs + 3, qPrintable(QString::number(urbs)));
    QVERIFY(rig.ping());
}

void tst_LibusbBus::unplugAmidBigPictureFailsItAndClosesOnce()
{
    Rig rig;
    QVERIFY(rig.open());
    QVERIFY(rig.takePicture(kPictureBytes));
    rig.bus.pipe()->setUnplugAfterBytesToHost(kPictureBytes / 2);
    QByteArray picture(int(kPictureBytes), '\0');
    QVERIFY(!rig.access->getObject(picture.data(), unsigned(picture.size()), kPendingHandle));
    QTRY_COMPARE_WITH_TIMEOUT(rig.closedCount(), 1, kWaitMs);
    // The kernel's removal notice follows the dead cable.
    rig.bus.announceRemoval();
    QTest::qWait(3 * Access::kEventPollMs);
    QCOMPARE(rig.closedCount(), 1);
    QCOMPARE(rig.access->productId(), 0);
    QVERIFY(!rig.ping());
}

void tst_LibusbBus::settingsRefreshReadsWhatTheCameraHolds_data()
{
    QTest::addColumn<int>("product");
    QTest::newRow("0x2041: a device property each") << 0x2041;
    QTest::newRow("0x2009: the vendor settings record") << 0x2009;
    QTest::newRow("0x2021: the record in its second layout") << 0x2021;
}

// The settings as the camera model builds them on connection, read over the
// real libusb; each camera changed first, so that no starting value passes.
void tst_LibusbBus::settingsRefreshReadsWhatTheCameraHolds()
{
    QFETCH(int, product);
    using DevProps = TVK_Logic_CameraSettingsByDevProps;
    Rig rig(0, product);
    QVERIFY(rig.open());
    rig.access->initCapabilityFlags();
    TVK_Logic_DeviceInfo info(rig.access.get());
    const std::shared_ptr<TVK_Emulator_Camera> camera = rig.bus.camera();
    if (auto *record = camera->component<TVK_Emulator_SettingsRecord>()) {
        QVERIFY(record->setField(TVK_Emulator_SettingsRecord::kLESensorTemperature, 41, false));
        QVERIFY(record->setField(TVK_Emulator_SettingsRecord::kLEShutterTime, 0x0400, false));
        TVK_Logic_CameraSettingsByStruct settings(rig.access.get(), &info);
        QCOMPARE(settings.record(), record->record());
        return;
    }
    auto *store = camera->component<TVK_Emulator_PropertyStore>();
    QVERIFY(store != nullptr);
    // The rows the refresh reads depend on the body's features: the ones it
    // read are those it logs as read.
    QSet<QString> read;
    std::unique_ptr<DevProps> settings;
    {
        TVK_Test_LogCapture log(kLELogSettings);
        settings = std::make_unique<DevProps>(rig.access.get(), &info);
        const QString prefix = QStringLiteral("TVK_Logic_CameraSettingsByDevProps::recvFromCamera() - ");
        for (const QString &line : log.matching(QStringLiteral("(ok = Yes)"))) {
            const int start = line.indexOf(prefix) + prefix.size();
            read.insert(line.mid(start, line.indexOf(QLatin1Char('='), start) - start).trimmed());
        }
    }
    QVERIFY(read.size() >= 10);
    // Rows whose value the class turns into something else.
    const QSet<int> derived = {DevProps::kLERowSensitivityAuto, DevProps::kLERowBracketingEnabled};
    int changed = 0;
    for (int id = 0; id < DevProps::kLERowCount && changed < 3; ++id) {
        const DevProps::Row &row = DevProps::row(DevProps::eLERow(id));
        if (read.contains(QLatin1String(row.label)) && !derived.contains(id) && row.readSize <= 2) {
            store->setValue(row.readCode, store->value(row.readCode) ^ 1, false);
            ++changed;
        }
    }
    QCOMPARE(changed, 3);
    DevProps::ChangedFlags flags{};
    settings->recvFromCamera(&flags);
    int checked = 0;
    for (int id = 0; id < DevProps::kLERowCount; ++id) {
        const DevProps::Row &row = DevProps::row(DevProps::eLERow(id));
        if (!read.contains(QLatin1String(row.label)) || derived.contains(id))
            continue;
        const quint64 mask = row.readSize >= 8 ? ~0ull : (1ull << (8 * row.readSize)) - 1;
        QVERIFY2((quint64(settings->cachedValue(row.id)) & mask) == (quint64(store->value(row.readCode)) & mask),
                 row.label);
        ++checked;
    }
    QVERIFY(checked >= 10);
}

// Each camera under the id of its port, the same on every poll, and the one
// opened is the one asked for.
void tst_LibusbBus::secondCameraIsListedBesideTheFirstUnderItsOwnId()
{
    MockBus mock(kProduct);
    constexpr int kSecondProduct = 0x2031;
    const int second = mock.addCamera(kSecondProduct);
    QCOMPARE(second, 1);
    QCOMPARE(mock.cameraCount(), 2);
    auto ownBus = std::make_unique<TVK_Commu_UsbBus_Libusb>();
    TVK_Commu_UsbBus_Libusb *bus = ownBus.get();
    const int products[] = {TVK_Emulator_Profile::forProduct(kProduct)->productId,
                            TVK_Emulator_Profile::forProduct(kSecondProduct)->productId};
    for (int poll = 0; poll < 3; ++poll) {
        const QVector<TVK_Commu_UsbBusIF::Device> devices = bus->stillImageDevices();
        QCOMPARE(devices.size(), 2);
        for (int index = 0; index < 2; ++index) {
            const auto found =
                std::find_if(devices.cbegin(), devices.cend(), [index](const TVK_Commu_UsbBusIF::Device &device) {
                    return device.deviceId == MockBus::deviceId(index);
                });
            QVERIFY2(found != devices.cend(), qPrintable(MockBus::deviceId(index)));
            QCOMPARE(int(found->productId), products[index]);
        }
    }
    QVERIFY(MockBus::deviceId(0) != MockBus::deviceId(1));

    Access access(std::move(ownBus));
    QSignalSpy available(&access, &Access::signalDeviceAvailable);
    QVERIFY(access.checkDeviceAvailable());
    QCOMPARE(available.size(), 2);
    QVERIFY(!access.checkDeviceAvailable());
    QCOMPARE(available.size(), 2);
    QList<QVariant> secondCamera;
    for (const QList<QVariant> &args : qAsConst(available)) {
        if (args.at(3).toString() == MockBus::deviceId(1))
            secondCamera = args;
    }
    QCOMPARE(secondCamera.value(2).toInt(), products[1]);
    QVERIFY(access.openConnection(secondCamera.at(1).toULongLong(), secondCamera.at(2).toInt(),
                                  secondCamera.at(3).toString()));
    QVERIFY(mock.responder(1)->sessionOpen());
    QVERIFY(!mock.responder(0)->sessionOpen());
    QCOMPARE(mock.usbfs(0).claims(), 0);
    QByteArray buffer(4096, '\0');
    QVERIFY(access.getDeviceInfo(buffer.data(), unsigned(buffer.size())));
    QVERIFY(access.closeConnection());
}

QTEST_GUILESS_MAIN(tst_LibusbBus)
#include "tst_libusbbus.moc"
