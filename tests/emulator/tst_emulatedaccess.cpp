#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Logic_DeviceInfo.h"
#include "TVK_Test_EventRelay.h"
#include "TVK_Test_LogCapture.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>
#include <vector>

using Access = TVK_Commu_CameraAccess_Emulated;
using Camera = TVK_Emulator_Camera;

namespace {

// An emulated camera with its access, announced and opened as the controller
// does it. What the camera's thread raises is counted through the relay.
struct Rig {
    explicit Rig(int product, quint32 seed = 7)
        : camera(std::make_shared<Camera>(product, seed))
        , access(std::make_unique<Access>(camera))
        , relay(access.get())
    {
        camera->setTimeScale(0.01);
    }
    // The access stops the camera's deliveries when it goes; the relay that
    // receives them must still be there then.
    ~Rig() { access.reset(); }
    bool open()
    {
        access->checkDeviceAvailable();
        return access->openConnection(Access::kVendorId, camera->productId(), access->deviceId());
    }
    std::shared_ptr<Camera> camera;
    std::unique_ptr<Access> access;
    TVK_Test_EventRelay relay;
};

} // namespace

class tst_emulatedaccess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyKnownProductHasAProfile()
    {
        const QVector<int> known = TVK_Emulator_Profile::knownProducts();
        QCOMPARE(known, (QVector<int>{0x2009, 0x2011, 0x2021, 0x2031, 0x2033, 0x2041, 0x2044, 0x2047, 0x2051, 0x2061}));
        for (int product : known) {
            const TVK_Emulator_Profile *profile = TVK_Emulator_Profile::forProduct(product);
            QVERIFY(profile);
            QCOMPARE(profile->productId, product);
        }
        QVERIFY(!TVK_Emulator_Profile::forProduct(0x1234));
    }

    void aCameraIsAnnouncedOncePerAttachment()
    {
        Rig rig(0x2041);
        QSignalSpy available(rig.access.get(), &TVK_Commu_CameraAccess_Base::signalDeviceAvailable);
        QVERIFY(rig.access->checkDeviceAvailable());
        QVERIFY(!rig.access->checkDeviceAvailable());
        QCOMPARE(available.size(), 1);
        QCOMPARE(available.first().at(0).toInt(), 1);
        QCOMPARE(available.first().at(1).toULongLong(), qulonglong(Access::kVendorId));
        QCOMPARE(available.first().at(2).toInt(), 0x2041);
        QCOMPARE(available.first().at(3).toString(), rig.access->deviceId());

        rig.camera->removeDevice();
        QVERIFY(!rig.access->checkDeviceAvailable());
        rig.camera->attach();
        QVERIFY(rig.access->checkDeviceAvailable());
        QCOMPARE(available.size(), 2);
    }

    void openAndCloseFollowTheUsbSession()
    {
        Rig rig(0x2044);
        QSignalSpy opened(rig.access.get(), &TVK_Commu_CameraAccess_Base::signalConnectionOpened);
        QSignalSpy closed(rig.access.get(), &TVK_Commu_CameraAccess_Base::signalConnectionClosed);
        QVERIFY(!rig.access->closeConnection());
        QVERIFY(rig.open());
        QCOMPARE(rig.access->productId(), 0x2044);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.first().first().toInt(), 1);
        QVERIFY(!rig.access->openConnection(Access::kVendorId, 0x2044, rig.access->deviceId()));

        TVK_Logic_DeviceInfo info(rig.access.get());
        QVERIFY(info.isOperationSupported(0x9004));
        QVERIFY(!info.model().isEmpty());

        QVERIFY(rig.access->closeConnection());
        QCOMPARE(closed.size(), 1);
        QCOMPARE(rig.access->productId(), 0);
        unsigned char buffer[16];
        QVERIFY(!rig.access->getDeviceInfo(buffer, sizeof buffer));
        QVERIFY(!rig.access->closeConnection());
    }

    void openingAnotherDeviceCountsAsOpenButEveryTransactionFails()
    {
        Rig rig(0x2041);
        TVK_Test_LogCapture capture(0);
        QVERIFY(rig.access->openConnection(Access::kVendorId, 0x2041, QStringLiteral("usb#vid_0000&pid_0000")));
        QCOMPARE(capture.matching(QStringLiteral("Failed to Open the device")).size(), 1);
        capture.clear();
        unsigned char buffer[64];
        QVERIFY(!rig.access->getDeviceInfo(buffer, sizeof buffer));
        QVERIFY(capture.lines().isEmpty()); // no device: fails without a transport line
    }

    // Keep-alive (release stage 14) stands for any command without data.
    void aBusyCameraIsAskedFiveMoreTimes()
    {
        Rig rig(0x2041);
        QVERIFY(rig.open());
        rig.camera->setBusyTransactions(2);
        QVERIFY(rig.access->releaseCam(14));

        TVK_Test_LogCapture capture(0);
        rig.camera->setBusyTransactions(6);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!rig.access->releaseCam(14));
        QVERIFY(clock.elapsed() >= 5 * Access::kBusyPauseMs - 20);
        QCOMPARE(capture.lines(), QStringList{QStringLiteral(
                                      "TVK_Commu_CameraAccess_Base::releaseCamImpl() - MTP Response code: 0x00002019")});
        QVERIFY(rig.access->releaseCam(14)); // the sixth busy answer was used up
    }

    void aFailedOperationReportsItsResponseCode()
    {
        Rig rig(0x2041);
        QVERIFY(rig.open());
        rig.camera->failNextOperation(0x9003, 0x2002);
        TVK_Test_LogCapture capture(0);
        unsigned char lens[101];
        QVERIFY(!rig.access->getLensData(lens, sizeof lens));
        QCOMPARE(capture.matching(QStringLiteral("MTP Response code: 0x00002002")).size(), 1);
        QVERIFY(rig.access->getLensData(lens, sizeof lens));
    }

    void shortDataLeavesZerosBehindAndIsCounted()
    {
        Rig rig(0x2041);
        QVERIFY(rig.open());
        rig.camera->setShortDataOnce(10);
        std::vector<unsigned char> buffer(2048, 0xEE);
        QVERIFY(rig.access->getDeviceInfo(buffer.data(), unsigned(buffer.size())));
        QVERIFY(buffer[0] != 0xEE);
        for (size_t i = 10; i < buffer.size(); ++i)
            QCOMPARE(int(buffer[i]), 0);

        // The count tells the caller what the zeros cannot.
        quint64 received = 0;
        QVERIFY(rig.access->recvData(0x1001, 0, nullptr, buffer.data(), unsigned(buffer.size()), nullptr, &received));
        const quint64 whole = received;
        QVERIFY(whole > 10 && whole < buffer.size());
        rig.camera->cutNextDataIn(0x1001, 7);
        QVERIFY(rig.access->recvData(0x1001, 0, nullptr, buffer.data(), unsigned(buffer.size()), nullptr, &received));
        QCOMPARE(received, whole - 7);
        QVERIFY(!rig.camera->dataInCutPending());
        rig.camera->setBusyTransactions(6);
        QVERIFY(!rig.access->recvData(0x1001, 0, nullptr, buffer.data(), unsigned(buffer.size()), nullptr, &received));
        QCOMPARE(received, quint64(0));
    }

    void unknownOperationsAreNotSupported()
    {
        Rig rig(0x2041);
        QVERIFY(rig.open());
        TVK_Test_LogCapture capture(0);
        QVERIFY(!rig.access->sendCommand(0x9999, 0, nullptr, "test"));
        QCOMPARE(capture.lines(), QStringList{QStringLiteral("test - MTP Response code: 0x00002005")});
    }

    void pullingThePlugClosesOnceAndFailsWhatFollows()
    {
        Rig rig(0x2041);
        QVERIFY(rig.open());
        QSignalSpy closed(&rig.relay, &TVK_Test_EventRelay::connectionClosed);
        rig.camera->removeDevice();
        QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 1, 2000);
        QCOMPARE(rig.access->productId(), 0);
        QVERIFY(!rig.access->releaseCam(14));
        rig.camera->removeDevice();
        QTest::qWait(50);
        QCOMPARE(closed.size(), 1);

        // Plugged in again: announced, opened, working.
        rig.camera->attach();
        QVERIFY(rig.open());
        QVERIFY(rig.access->releaseCam(14));
    }

    // The host that was told of a picture went before it took the picture:
    // the next one to open the session is told again, or the camera's queue
    // would never move.
    void aWaitingPictureIsAnnouncedAgainAfterAReplug()
    {
        Rig rig(0x2061);
        QVERIFY(rig.open());
        QSignalSpy requests(&rig.relay, &TVK_Test_EventRelay::transferRequest);
        QSignalSpy closed(&rig.relay, &TVK_Test_EventRelay::connectionClosed);
        QVERIFY(rig.access->releaseCam(0));
        QTRY_COMPARE_WITH_TIMEOUT(requests.size(), 1, 5000);
        rig.camera->removeDevice();
        QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 1, 5000);
        rig.camera->attach();
        QVERIFY(rig.open());
        QTRY_COMPARE_WITH_TIMEOUT(requests.size(), 2, 5000);
        // The queue moves again once the host takes it.
        const TVK_Emulator_Capture *capture = rig.camera->component<TVK_Emulator_Capture>();
        const int waiting = capture->pendingCount();
        QVERIFY(waiting > 0);
        QVERIFY(rig.access->transferObjectReady());
        QCOMPARE(capture->pendingCount(), waiting - 1);
    }

    void pullingThePlugInTheMiddleOfAReadFailsIt()
    {
        Rig rig(0x2041);
        QVERIFY(rig.open());
        QSignalSpy closed(&rig.relay, &TVK_Test_EventRelay::connectionClosed);
        rig.camera->setRemoveDuringNextDataIn(true);
        std::vector<unsigned char> buffer(2048, 0xEE);
        QVERIFY(!rig.access->getDeviceInfo(buffer.data(), unsigned(buffer.size())));
        QCOMPARE(int(buffer[0]), 0xEE); // nothing was handed over
        QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 1, 2000);
    }

    void eventsArriveOnTheCamerasOwnThread()
    {
        // Declared before the rig, so that it outlives the access whose
        // connection writes it from the camera's thread.
        std::atomic<Qt::HANDLE> eventThread{nullptr};
        Rig rig(0x2041);
        QVERIFY(rig.open());
        QObject::connect(rig.access.get(), &TVK_Commu_CameraAccess_Base::signalConnectionClosed, rig.access.get(),
                         [&eventThread]() { eventThread.store(QThread::currentThreadId()); },
                         Qt::DirectConnection);
        rig.camera->removeDevice();
        QTRY_VERIFY_WITH_TIMEOUT(eventThread.load() != nullptr, 2000);
        QVERIFY(eventThread.load() != QThread::currentThreadId());
    }

    // A receiver connected directly runs on the camera's thread; the access
    // may go only once that delivery has returned.
    void destroyingTheAccessWaitsForTheDeliveryInProgress()
    {
        QSemaphore inside;
        std::atomic<bool> finished{false};
        auto camera = std::make_shared<Camera>(0x2041, 7);
        auto access = std::make_unique<Access>(camera);
        access->checkDeviceAvailable();
        QVERIFY(access->openConnection(Access::kVendorId, 0x2041, access->deviceId()));
        QObject::connect(access.get(), &TVK_Commu_CameraAccess_Base::signalConnectionClosed, access.get(),
                         [&inside, &finished]() {
                             inside.release();
                             QThread::msleep(150);
                             finished.store(true);
                         },
                         Qt::DirectConnection);
        camera->removeDevice();
        QVERIFY(inside.tryAcquire(1, 2000));
        access.reset();
        QVERIFY(finished.load());
    }

    void transactionsFromSeveralThreadsDoNotInterleave()
    {
        Rig rig(0x2041);
        QVERIFY(rig.open());
        std::atomic<int> failures{0};
        std::vector<QThread *> threads;
        for (int t = 0; t < 4; ++t) {
            threads.push_back(QThread::create([&rig, &failures]() {
                for (int i = 0; i < 50; ++i) {
                    std::vector<unsigned char> buffer(2048);
                    if (!rig.access->getDeviceInfo(buffer.data(), 2048) || !rig.access->releaseCam(14))
                        ++failures;
                }
            }));
            threads.back()->start();
        }
        for (QThread *thread : threads) {
            QVERIFY(thread->wait(60000));
            delete thread;
        }
        QCOMPARE(failures.load(), 0);
    }

    // A host that sends nonsense (as a network peer may) gets error answers,
    // never a crash or an answer the camera did not mean.
    void randomTransactionsAreAnsweredSafely()
    {
        QRandomGenerator random(0x5EED);
        QMap<int, int> answered;
        for (int product : TVK_Emulator_Profile::knownProducts()) {
            Camera camera(product, 3);
            camera.setTimeScale(0.0);
            const QVector<quint16> &operations = TVK_Emulator_Profile::forProduct(product)->operations;
            for (int i = 0; i < 400; ++i) {
                const int operation = random.bounded(4) == 0 ? int(random.bounded(0x10000))
                                                             : operations.at(int(random.bounded(operations.size())));
                QVector<quint32> params;
                const int count = int(random.bounded(6));
                for (int p = 0; p < count; ++p)
                    params.append(random.bounded(3) == 0 ? random.generate() : random.bounded(0x20u));
                const auto phase = TVK_Emulator_Transaction::eLEDataPhase(random.bounded(3));
                QByteArray out;
                if (phase == TVK_Emulator_Transaction::kLEDataOut) {
                    out.resize(int(random.bounded(130)));
                    for (char &byte : out)
                        byte = char(random.bounded(256));
                }
                // Skip what would only take real time: a big picture or pulling the plug.
                if (operation == 0x9004 && params.value(0) == 7)
                    continue;
                const Camera::Result result = camera.transact(operation, params, phase, out);
                QVERIFY(result.transportOk);
                QVERIFY2(result.responseCode >= 0x2001 && result.responseCode <= 0xAFFF,
                         qPrintable(QString::number(result.responseCode, 16)));
                if (result.responseCode != 0x2001)
                    QVERIFY(result.data.isEmpty());
                ++answered[result.responseCode];
            }
        }
        // Both kinds of answer occurred: the run reached the camera's work.
        QVERIFY(answered.value(0x2001) > 100);
        QVERIFY(answered.size() > 3);
    }

    void theSameSeedGivesTheSameDeviceInfo()
    {
        Rig first(0x2061, 42);
        Rig second(0x2061, 42);
        QVERIFY(first.open());
        QVERIFY(second.open());
        std::vector<unsigned char> a(2048), b(2048);
        QVERIFY(first.access->getDeviceInfo(a.data(), 2048));
        QVERIFY(second.access->getDeviceInfo(b.data(), 2048));
        QVERIFY(a == b);
    }
};

QTEST_GUILESS_MAIN(tst_emulatedaccess)
#include "tst_emulatedaccess.moc"
