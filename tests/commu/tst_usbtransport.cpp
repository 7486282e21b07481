#include "TVK_Commu_CameraAccess_Linux_PTP.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Commu_UsbFraming.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_UsbBus.h"
#include "TVK_Emulator_UsbPipe.h"
#include "TVK_Emulator_UsbResponder.h"
#include "TVK_Test_Bytes.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_SignalRecorder.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <memory>
#include <thread>

using Access = TVK_Commu_CameraAccess_Linux_PTP;
using Bus = TVK_Emulator_UsbBus;
using Camera = TVK_Emulator_Camera;
using Engine = TVK_Commu_PtpTransactionEngine;
using TVK_Test_Bytes::pattern;

namespace {

// Generous: a loaded two-core machine under the sanitizers.
constexpr int kWaitMs = 10000;
constexpr int kProduct = 0x2041;
// Answered by the responder itself: what goes out comes back in.
constexpr int kOpLoopbackOut = 0x9F01;
constexpr int kOpLoopbackIn = 0x9F02;
constexpr int kPacket = TVK_Emulator_UsbPipe::kHighSpeedPacketSize;

// An emulated camera on an emulated bus, with the Linux access in front.
struct Rig {
    explicit Rig(int timeoutMs = 0, Bus::eLEOpenError openError = Bus::kLENoError, int failingOpens = 0)
        : camera(std::make_shared<Camera>(kProduct))
    {
        camera->setTimeScale(0.01);
        auto ownBus = std::make_unique<Bus>(camera);
        bus = ownBus.get();
        bus->failOpens(openError, failingOpens);
        access = std::make_unique<Access>(std::move(ownBus));
        if (timeoutMs > 0)
            access->setTransferTimeoutMs(timeoutMs);
        // The event thread emits too: a recorder, which takes signals under a
        // lock (a QSignalSpy does not), so the test may read it meanwhile.
        recorder = std::make_unique<TVK_Test_SignalRecorder>(access.get());
        opened = std::make_unique<QSignalSpy>(access.get(), &Access::signalConnectionOpened);
    }
    ~Rig()
    {
        access->closeConnection();
        access.reset();
    }
    // Announces the camera and opens it as the controller would.
    bool open()
    {
        QSignalSpy available(access.get(), &Access::signalDeviceAvailable);
        access->checkDeviceAvailable();
        if (available.isEmpty())
            return false;
        const QList<QVariant> args = available.takeFirst();
        return access->openConnection(args.at(1).toULongLong(), args.at(2).toInt(), args.at(3).toString());
    }
    std::shared_ptr<TVK_Emulator_UsbResponder> responder() const { return bus->responder(); }
    std::shared_ptr<TVK_Emulator_UsbPipe> pipe() const { return bus->pipe(); }
    bool loopbackOut(const QByteArray &bytes)
    {
        return access->sendData(kOpLoopbackOut, 0, nullptr, bytes.constData(), unsigned(bytes.size()), "test");
    }
    bool loopbackIn(QByteArray *buffer, quint64 *received = nullptr)
    {
        return access->recvData(kOpLoopbackIn, 0, nullptr, buffer->data(), unsigned(buffer->size()), "test",
                                received);
    }
    // A transaction every product answers.
    bool ping()
    {
        QByteArray buffer(1024, '\0');
        return access->getDeviceInfo(buffer.data(), unsigned(buffer.size()));
    }
    void enableLoopback()
    {
        responder()->setLoopbackOperation(kOpLoopbackOut, true);
        responder()->setLoopbackOperation(kOpLoopbackIn, false);
    }

    std::shared_ptr<Camera> camera;
    Bus *bus = nullptr; // owned by the access
    std::unique_ptr<Access> access;
    int closedCount() const { return recorder->count(QStringLiteral("signalConnectionClosed")); }
    int closedType() const { return recorder->lastArgs(QStringLiteral("signalConnectionClosed")).value(0).toInt(); }

    std::unique_ptr<TVK_Test_SignalRecorder> recorder; // destroyed after the access
    std::unique_ptr<QSignalSpy> opened;
};

using Unplug = std::function<void(Rig &)>;

} // namespace

Q_DECLARE_METATYPE(Unplug)

class tst_UsbTransport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void vendorIdsAreReadFromText_data();
    void vendorIdsAreReadFromText();
    void onlyAcceptedVendorsAreAnnouncedOnce();
    void udevRuleOpensEveryBuiltInVendor();
    void openRunsBothSessionsAndCloseEndsThem();
    void dataPhasesArriveWholeInBothDirections_data();
    void dataPhasesArriveWholeInBothDirections();
    void receivedDataIsZeroFilledOrCut_data();
    void receivedDataIsZeroFilledOrCut();
    void responseInsteadOfDataEndsTheTransaction();
    void staleResponsesAreReadPastAFewTimes_data();
    void staleResponsesAreReadPastAFewTimes();
    void busyCameraIsAskedAgainFiveTimes_data();
    void busyCameraIsAskedAgainFiveTimes();
    void timedOutTransferIsCancelledUntilTheCameraIsIdle_data();
    void timedOutTransferIsCancelledUntilTheCameraIsIdle();
    void removalClosesOnceAndFailsEveryTransaction_data();
    void removalClosesOnceAndFailsEveryTransaction();
    void eventsOnTheInterruptPipeBecomeSignals_data();
    void eventsOnTheInterruptPipeBecomeSignals();
    void failedOpenIsReportedAndOfferedAgain_data();
    void failedOpenIsReportedAndOfferedAgain();
};

void tst_UsbTransport::vendorIdsAreReadFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<quint16>>("ids");
    QTest::addColumn<int>("errors");
    QTest::newRow("empty") << "" << QList<quint16>{} << 0;
    QTest::newRow("two with 0x") << "0x1234, 0xABCD" << QList<quint16>{0x1234, 0xABCD} << 0;
    QTest::newRow("bare, mixed separators") << "04a9;04B0 1234" << QList<quint16>{0x04A9, 0x04B0, 0x1234} << 0;
    QTest::newRow("duplicates once") << "0x1234,0x1234" << QList<quint16>{0x1234} << 0;
    QTest::newRow("bad words skipped") << "0x12345, zz, 0, 0x4E52" << QList<quint16>{0x4E52} << 3;
}

void tst_UsbTransport::vendorIdsAreReadFromText()
{
    QFETCH(QString, text);
    QFETCH(QList<quint16>, ids);
    QFETCH(int, errors);
    TVK_Test_LogCapture log;
    QCOMPARE(Access::parseVendorIds(text), ids);
    QCOMPARE(log.matching(QStringLiteral("is no USB vendor id")).size(), errors);
}

void tst_UsbTransport::onlyAcceptedVendorsAreAnnouncedOnce()
{
    auto camera = std::make_shared<Camera>(kProduct);
    constexpr quint16 kOtherVendor = 0x7A7A;
    Access access(std::make_unique<Bus>(camera, kOtherVendor));
    QSignalSpy available(&access, &Access::signalDeviceAvailable);
    QVERIFY(!access.checkDeviceAvailable());
    QVERIFY(available.isEmpty());

    // Added through the settings file, the same camera is a candidate.
    Access::setExtraVendorIds({kOtherVendor});
    QVERIFY(Access::acceptedVendorIds().contains(kOtherVendor));
    QVERIFY(access.checkDeviceAvailable());
    QCOMPARE(available.size(), 1);
    QCOMPARE(available.first().at(0).toInt(), 1);
    QCOMPARE(available.first().at(1).toULongLong(), qulonglong(kOtherVendor));
    QCOMPARE(available.first().at(2).toInt(), kProduct);
    QVERIFY(available.first().at(3).toString().startsWith(QLatin1String("usb:")));
    // Still attached: nothing new.
    QVERIFY(!access.checkDeviceAvailable());
    QCOMPARE(available.size(), 1);
    Access::setExtraVendorIds({});
}

// The packaged rule must name each built-in id, or its cameras need root.
void tst_UsbTransport::udevRuleOpensEveryBuiltInVendor()
{
    QFile rule(QStringLiteral(TVK_SOURCE_DIR "/packaging/70-norba-pellora.rules"));
    QVERIFY(rule.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(rule.readAll());
    for (quint16 id : Access::kBuiltInVendorIds) {
        const QString line = QStringLiteral("ATTR{idVendor}==\"%1\", TAG+=\"uaccess\"").arg(id, 4, 16, QLatin1Char('0'));
        QVERIFY2(text.contains(line), qPrintable(line));
    }
}

void tst_UsbTransport::openRunsBothSessionsAndCloseEndsThem()
{
    Rig rig;
    TVK_Test_LogCapture log;
    QVERIFY(rig.open());
    QCOMPARE(rig.opened->size(), 1);
    QCOMPARE(rig.access->productId(), kProduct);
    auto responder = rig.responder();
    QVERIFY(responder->sessionOpen());
    QCOMPARE(responder->operationCodes(), (QVector<int>{0x1002, 0x9005}));
    // OpenSession is transaction 0; the session's own count from 1.
    QCOMPARE(responder->transactionIds(), (QVector<quint32>{0, 1}));
    QVERIFY(log.contains(
        QStringLiteral("TVK_Commu_CameraAccess_Linux_PTP::registerForEventNotifications() - Registered for device event notifications")));
    QVERIFY(!rig.access->openConnection(Bus::kVendorId, kProduct, rig.bus->deviceId()));

    QVERIFY(rig.ping());
    QCOMPARE(responder->transactionIds().last(), 2u);
    QVERIFY(rig.access->closeConnection());
    QCOMPARE(responder->operationCodes().mid(3), (QVector<int>{0x9006, 0x1003}));
    QVERIFY(!responder->sessionOpen());
    QCOMPARE(rig.closedCount(), 1);
    QCOMPARE(rig.access->productId(), 0);
    QVERIFY(!rig.access->closeConnection());
    // Closed: a transaction fails without a word.
    log.clear();
    QVERIFY(!rig.ping());
    QVERIFY(log.matching(QStringLiteral("TVK_Commu_CameraAccess_Linux_PTP")).isEmpty());
}

void tst_UsbTransport::dataPhasesArriveWholeInBothDirections_data()
{
    QTest::addColumn<int>("size");
    for (int size : {0, 1, 500, 511, 512, 513, 1012, 1024, 60 * 1000 * 1000})
        QTest::newRow(qPrintable(QString::number(size))) << size;
}

// Each size out and back in, with the packet boundaries where USB puts them:
// 500 and 1012 bytes fill their last packet exactly (with the 12-byte
// header), so a zero-length packet must end them.
void tst_UsbTransport::dataPhasesArriveWholeInBothDirections()
{
    QFETCH(int, size);
    Rig rig;
    QVERIFY(rig.open());
    rig.enableLoopback();
    const QByteArray sent = pattern(size);
    const int zeroPacketsBefore = rig.pipe()->zeroLengthPacketsFromHost();
    QVERIFY(rig.loopbackOut(sent));
    QCOMPARE(rig.responder()->lastDataOut().size(), size);
    QVERIFY(rig.responder()->lastDataOut() == sent);
    const bool fillsLastPacket = (12 + size) % kPacket == 0;
    QCOMPARE(rig.pipe()->zeroLengthPacketsFromHost() - zeroPacketsBefore, fillsLastPacket ? 1 : 0);

    QByteArray received(size, '\x5A');
    QVERIFY(rig.loopbackIn(&received));
    QVERIFY(received == sent);
    // The zero-length packet after an exactly filled data phase is no
    // obstacle for the next transaction.
    QVERIFY(rig.ping());
}

void tst_UsbTransport::receivedDataIsZeroFilledOrCut_data()
{
    QTest::addColumn<int>("sent");
    QTest::addColumn<int>("bufferSize");
    QTest::newRow("larger buffer") << 1000 << 3000;
    QTest::newRow("smaller buffer, inside the first packet") << 5000 << 100;
    QTest::newRow("smaller buffer, partial packet") << 5000 << 1000;
    QTest::newRow("header read of a large object") << 3 * 1000 * 1000 << 1024;
    QTest::newRow("no buffer room") << 2000 << 0;
    QTest::newRow("nothing sent") << 0 << 64;
}

void tst_UsbTransport::receivedDataIsZeroFilledOrCut()
{
    QFETCH(int, sent);
    QFETCH(int, bufferSize);
    Rig rig;
    QVERIFY(rig.open());
    rig.enableLoopback();
    const QByteArray bytes = pattern(sent);
    QVERIFY(rig.loopbackOut(bytes));
    QByteArray buffer(bufferSize, '\x5A');
    quint64 received = 0;
    QVERIFY(rig.loopbackIn(&buffer, &received));
    // What the camera sent, kept or not: the caller's only way to tell the
    // zeros of a short answer from data.
    QCOMPARE(received, quint64(sent));
    const int kept = qMin(sent, bufferSize);
    QVERIFY(buffer.left(kept) == bytes.left(kept));
    QVERIFY(buffer.mid(kept) == QByteArray(bufferSize - kept, '\0'));
    // The surplus was read off the wire: the next transaction is clean.
    QVERIFY(rig.ping());
}

void tst_UsbTransport::responseInsteadOfDataEndsTheTransaction()
{
    Rig rig;
    QVERIFY(rig.open());
    TVK_Test_LogCapture log;
    rig.camera->failNextOperation(TVK_Commu_Ptp::kOpGetDeviceInfo, 0x2002);
    QByteArray buffer(256, '\x5A');
    QVERIFY(!rig.access->getDeviceInfo(buffer.data(), unsigned(buffer.size())));
    QVERIFY(buffer == QByteArray(256, '\x5A'));
    QVERIFY(log.contains(QStringLiteral("TVK_Commu_CameraAccess_Base::getDeviceInfo() - MTP Response code: 0x00002002")));
    QCOMPARE(rig.pipe()->cancelRequests(), 0);
    QVERIFY(rig.access->getDeviceInfo(buffer.data(), unsigned(buffer.size())));
    QVERIFY(buffer != QByteArray(256, '\x5A'));
}

void tst_UsbTransport::staleResponsesAreReadPastAFewTimes_data()
{
    QTest::addColumn<int>("stale");
    QTest::addColumn<bool>("succeeds");
    QTest::newRow("one") << 1 << true;
    QTest::newRow("three") << Engine::kStaleReads << true;
    QTest::newRow("four: gives up") << Engine::kStaleReads + 1 << false;
}

void tst_UsbTransport::staleResponsesAreReadPastAFewTimes()
{
    QFETCH(int, stale);
    QFETCH(bool, succeeds);
    Rig rig;
    QVERIFY(rig.open());
    TVK_Test_LogCapture log;
    rig.responder()->setStaleResponses(stale);
    QCOMPARE(rig.ping(), succeeds);
    QCOMPARE(log.matching(QStringLiteral("stale response 0x201F")).size(), qMin(stale, Engine::kStaleReads));
    // Giving up cancels the transaction, which clears what was still queued.
    QCOMPARE(rig.pipe()->cancelRequests(), succeeds ? 0 : 1);
    QVERIFY(rig.ping());
}

void tst_UsbTransport::busyCameraIsAskedAgainFiveTimes_data()
{
    QTest::addColumn<int>("busy");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<int>("attempts");
    QTest::newRow("twice, then OK") << 2 << true << 3;
    QTest::newRow("six times: fails after five pauses") << 6 << false << 6;
}

void tst_UsbTransport::busyCameraIsAskedAgainFiveTimes()
{
    QFETCH(int, busy);
    QFETCH(bool, succeeds);
    QFETCH(int, attempts);
    Rig rig;
    QVERIFY(rig.open());
    rig.camera->resetTransactionCount();
    rig.camera->setBusyTransactions(busy);
    const int idsBefore = rig.responder()->transactionIds().size();
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(rig.ping(), succeeds);
    QVERIFY(clock.elapsed() >= (attempts - 1) * Engine::kBusyPauseMs);
    QCOMPARE(int(rig.camera->transactionCount()), attempts);
    // Each repetition is a transaction of its own, with a new id.
    const QVector<quint32> ids = rig.responder()->transactionIds().mid(idsBefore);
    QCOMPARE(ids.size(), attempts);
    for (int i = 1; i < ids.size(); ++i)
        QCOMPARE(ids.at(i), ids.at(i - 1) + 1);
}

void tst_UsbTransport::timedOutTransferIsCancelledUntilTheCameraIsIdle_data()
{
    QTest::addColumn<int>("busyMs");
    QTest::newRow("busy a while after the cancel") << 120;
    QTest::newRow("busy for ever: the host gives up asking") << -1;
}

void tst_UsbTransport::timedOutTransferIsCancelledUntilTheCameraIsIdle()
{
    QFETCH(int, busyMs);
    const bool idles = busyMs >= 0;
    Rig rig(200);
    QVERIFY(rig.open());
    TVK_Test_LogCapture log;
    rig.responder()->setBusyAfterCancelMs(busyMs);
    rig.responder()->setSilentTransactions(1);
    QVERIFY(!rig.ping());
    QCOMPARE(rig.pipe()->cancelRequests(), 1);
    QCOMPARE(rig.pipe()->lastCancelledTransaction(), rig.responder()->transactionIds().last());
    QCOMPARE(log.matching(QStringLiteral("Transport error (reading data): timed out")).size(), 1);
    // Asked again while busy, within the bound, before anything else is sent.
    const int polls = rig.pipe()->statusRequests();
    QVERIFY2(polls >= 2 && polls <= TVK_Commu_UsbFraming::kIdlePolls, qPrintable(QString::number(polls)));
    QCOMPARE(log.matching(QStringLiteral("camera idle after the cancel")).size(), idles ? 1 : 0);
    QCOMPARE(log.matching(QStringLiteral("Error: camera not idle after the cancel")).size(), idles ? 0 : 1);
    QCOMPARE(rig.ping(), idles);
    QCOMPARE(rig.responder()->transactionsWhileCancelling(), idles ? 0 : Engine::kBusyRetries + 1);
    QCOMPARE(rig.closedCount(), 0);
}

void tst_UsbTransport::removalClosesOnceAndFailsEveryTransaction_data()
{
    QTest::addColumn<Unplug>("unplug");
    QTest::addColumn<bool>("duringDataPhase");
    QTest::newRow("cable pulled in a 60 MB data phase")
        << Unplug([](Rig &rig) { rig.pipe()->setUnplugAfterBytesToHost(1000 * 1000); }) << true;
    QTest::newRow("camera reports its removal") << Unplug([](Rig &rig) { rig.camera->removeDevice(); }) << false;
    QTest::newRow("hot-plug notice")
        << Unplug([](Rig &rig) { rig.bus->announceHotplug(false); }) << false;
}

void tst_UsbTransport::removalClosesOnceAndFailsEveryTransaction()
{
    QFETCH(Unplug, unplug);
    QFETCH(bool, duringDataPhase);
    Rig rig;
    QVERIFY(rig.open());
    rig.enableLoopback();
    constexpr int kBig = 60 * 1000 * 1000;
    QVERIFY(rig.loopbackOut(pattern(kBig)));
    unplug(rig);

    QByteArray buffer(kBig, '\0');
    const std::shared_ptr<TVK_Emulator_UsbResponder> responder = rig.responder();
    QElapsedTimer clock;
    clock.start();
    std::atomic<int> readResult{-1};
    std::thread reader([&rig, &buffer, &readResult]() { readResult = rig.loopbackIn(&buffer) ? 1 : 0; });
    // Once the data phase has begun, another transaction waits for the
    // mutex: it must fail as soon as it gets it, not hang.
    bool began = true;
    int waiterResult = 0;
    if (duringDataPhase) {
        began = QTest::qWaitFor([&responder]() { return responder->operationCodes().endsWith(kOpLoopbackIn); },
                                kWaitMs);
        waiterResult = rig.ping() ? 1 : 0;
    }
    reader.join();
    QVERIFY(began);
    QCOMPARE(readResult.load(), 0);
    QCOMPARE(waiterResult, 0);
    QVERIFY(clock.elapsed() < kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(rig.closedCount(), 1, kWaitMs);
    QCOMPARE(rig.closedType(), 1);
    QCOMPARE(rig.access->productId(), 0);
    QVERIFY(!rig.ping());
    // The event thread, the hot-plug notice and the failed transfer may all
    // have seen it: still one signal.
    QTest::qWait(3 * Access::kEventPollMs);
    QCOMPARE(rig.closedCount(), 1);
    QVERIFY(!rig.access->closeConnection());
}

void tst_UsbTransport::eventsOnTheInterruptPipeBecomeSignals_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QVector<quint32>>("params");
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<QString>("logged");
    QTest::newRow("object transfer") << 0x4009 << QVector<quint32>{0x1234} << QByteArray(SIGNAL(signalTransferRequest(uint)))
                                     << "RequestObjectTransfer, object 0x00001234";
    QTest::newRow("settings changed") << 0xC000 << QVector<quint32>{} << QByteArray(SIGNAL(signalSettingsChanged()))
                                      << "event 0xC000 is kVXCameraSettingsChanged";
    QTest::newRow("property changed") << 0xC00A << QVector<quint32>{0x5005}
                                      << QByteArray(SIGNAL(signalDevicePropertyChanged(ushort)))
                                      << "event 0xC00A is kVXDevicePropChanged";
    QTest::newRow("standard event") << 0x4002 << QVector<quint32>{7} << QByteArray()
                                    << "event 0x4002 is ObjectAdded 0x00000007";
}

void tst_UsbTransport::eventsOnTheInterruptPipeBecomeSignals()
{
    QFETCH(int, code);
    QFETCH(QVector<quint32>, params);
    QFETCH(QByteArray, signal);
    QFETCH(QString, logged);
    Rig rig;
    QVERIFY(rig.open());
    TVK_Test_LogCapture log;
    const QString key = QString::fromLatin1(signal.mid(1)); // without the code SIGNAL() puts first
    rig.responder()->raiseEvent(code, params);
    QTRY_VERIFY_WITH_TIMEOUT(!log.matching(logged).isEmpty(), kWaitMs);
    if (!signal.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(rig.recorder->count(key), 1, kWaitMs);
        if (code == 0xC00A)
            QCOMPARE(rig.recorder->lastArgs(key).value(0).value<ushort>(), ushort(0x5005));
    }
    // From the camera itself, through its responder.
    const QString settings = QStringLiteral("signalSettingsChanged");
    const int settingsBefore = rig.recorder->count(settings);
    rig.camera->raiseEvent(TVK_Commu_Ptp::kVXCameraSettingsChanged);
    QTRY_COMPARE_WITH_TIMEOUT(rig.recorder->count(settings), settingsBefore + 1, kWaitMs);
}

void tst_UsbTransport::failedOpenIsReportedAndOfferedAgain_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("warning"); // a fragment of the one warning, empty: none
    QTest::newRow("claimed by another program") << int(Bus::kLEBusy) << "gio mount -s gphoto2";
    QTest::newRow("no permission") << int(Bus::kLEAccessDenied) << "udev rule";
    QTest::newRow("other failure") << int(Bus::kLEFailed) << "";
}

void tst_UsbTransport::failedOpenIsReportedAndOfferedAgain()
{
    QFETCH(int, error);
    QFETCH(QString, warning);
    Rig rig(0, Bus::eLEOpenError(error), 2);
    QSignalSpy warnings(rig.access.get(), &Access::signalConnectionWarning);
    TVK_Test_LogCapture log;
    for (int attempt = 0; attempt < 2; ++attempt) {
        // Offered again by each poll, and failing again.
        QVERIFY(!rig.open());
        QCOMPARE(rig.opened->size(), 0);
        QCOMPARE(rig.access->productId(), 0);
    }
    QCOMPARE(log.matching(QStringLiteral("Failed to Open the device")).size(), 2);
    QCOMPARE(warnings.size(), warning.isEmpty() ? 0 : 1);
    if (!warning.isEmpty())
        QCOMPARE(log.matching(warning).size(), 1);
    if (!warning.isEmpty())
        QVERIFY2(warnings.first().first().toString().contains(warning), qPrintable(warnings.first().first().toString()));
    QVERIFY(rig.open());
    QCOMPARE(rig.opened->size(), 1);
    QCOMPARE(rig.bus->openCount(), 3);
    QCOMPARE(rig.closedCount(), 0);
}

QTEST_GUILESS_MAIN(tst_UsbTransport)
#include "tst_usbtransport.moc"
