#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_RecordingAccess.h"

#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

using Access = TVK_Test_RecordingAccess;
using Event = TVK_Commu_CameraAccess_Base::CameraEvent;

namespace {

Event vendorEvent(int code, quint32 parameter, bool hasParameter = true)
{
    Event event;
    event.kind = TVK_Commu_CameraAccess_Base::kLEVendorEvent;
    event.code = code;
    event.parameter = parameter;
    event.hasParameter = hasParameter;
    return event;
}

Event vendorEvent(int code)
{
    return vendorEvent(code, 0, false);
}

Event removal()
{
    Event event;
    event.kind = TVK_Commu_CameraAccess_Base::kLEDeviceRemoved;
    return event;
}

const QString kHandler = QStringLiteral("TVK_Commu_CameraAccess_Base::handleCameraEvent() - ");

// Every signal an event can raise, recorded by name in arrival order.
class SignalLog : public QObject
{
public:
    explicit SignalLog(Access *access)
    {
        using B = TVK_Commu_CameraAccess_Base;
        connect(access, &B::signalSettingsChanged, this, [this]() { m_log << QStringLiteral("settings"); });
        connect(access, &B::signalLensChanged, this, [this]() { m_log << QStringLiteral("lens"); });
        connect(access, &B::signalBulbCounter, this, [this](int n) { m_log << QStringLiteral("bulb %1").arg(n); });
        connect(access, &B::signalSelfTimerCounter, this,
                [this](int n) { m_log << QStringLiteral("selftimer %1").arg(n); });
        connect(access, &B::signalGeotackingChanged, this, [this]() { m_log << QStringLiteral("geotagging"); });
        connect(access, &B::signal3DAxisDataChanged, this, [this]() { m_log << QStringLiteral("3daxis"); });
        connect(access, &B::signalTransferRequest, this, [this]() { m_log << QStringLiteral("transfer"); });
        connect(access, &B::signalDevicePropertyChanged, this,
                [this](ushort code) { m_log << QStringLiteral("property %1").arg(code, 4, 16, QLatin1Char('0')); });
        connect(access, &B::signalConnectionClosed, this,
                [this](int type) { m_log << QStringLiteral("closed %1").arg(type); });
    }
    QStringList m_log;
};

} // namespace

class tst_cameraevents : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void vendorEventsBecomeSignals_data()
    {
        QTest::addColumn<int>("product");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("parameter");
        QTest::addColumn<QStringList>("signals");
        const QStringList none;
        QTest::newRow("settings") << 0x2009 << 0xC000 << 0 << QStringList{QStringLiteral("settings")};
        QTest::newRow("lens on 0x2009") << 0x2009 << 0xC002 << 0 << QStringList{QStringLiteral("lens")};
        QTest::newRow("lens on 0x2051") << 0x2051 << 0xC002 << 0 << QStringList{QStringLiteral("lens")};
        QTest::newRow("lens on 0x2061 ignored") << 0x2061 << 0xC002 << 0 << none;
        QTest::newRow("bulb 12 on 0x2009") << 0x2009 << 0xC006 << 12 << QStringList{QStringLiteral("bulb 12")};
        QTest::newRow("bulb on 0x2041 ignored") << 0x2041 << 0xC006 << 12 << none;
        QTest::newRow("self-timer on 0x2011") << 0x2011 << 0xC007 << 9 << QStringList{QStringLiteral("selftimer 9")};
        QTest::newRow("self-timer on 0x2021") << 0x2021 << 0xC007 << 1 << QStringList{QStringLiteral("selftimer 1")};
        QTest::newRow("self-timer on 0x2031 ignored") << 0x2031 << 0xC007 << 9 << none;
        QTest::newRow("geotagging") << 0x2061 << 0xC008 << 0 << QStringList{QStringLiteral("geotagging")};
        QTest::newRow("3-axis") << 0x2041 << 0xC00C << 0 << QStringList{QStringLiteral("3daxis")};
        QTest::newRow("unknown 0xC00B") << 0x2009 << 0xC00B << 0 << none;
        QTest::newRow("standard ObjectAdded") << 0x2041 << 0x4002 << 7 << none;
    }

    void vendorEventsBecomeSignals()
    {
        QFETCH(int, product);
        QFETCH(int, code);
        QFETCH(int, parameter);
        QFETCH(QStringList, signals);
        Access access(product);
        SignalLog log(&access);
        access.handleCameraEvent(vendorEvent(code, quint32(parameter)));
        QCOMPARE(log.m_log, signals);
        QVERIFY(access.transactions().isEmpty());
    }

    void eventsAreLoggedByName()
    {
        Access access(0x2009);
        TVK_Test_LogCapture capture(0x1);
        access.handleCameraEvent(vendorEvent(0xC006, 3));
        access.handleCameraEvent(vendorEvent(0xC00B));
        access.handleCameraEvent(vendorEvent(0x4002, 7));
        access.handleCameraEvent(vendorEvent(0x400D));
        QCOMPARE(capture.lines(), (QStringList{kHandler + QStringLiteral("event 0xC006 is kVXBulbTick"),
                                               kHandler + QStringLiteral("event 0xC00B is unknown"),
                                               kHandler + QStringLiteral("event 0x4002 is ObjectAdded 0x00000007"),
                                               kHandler + QStringLiteral("event 0x400D is CaptureComplete")}));
    }

    void anEventWithoutItsParameterReportsNothing()
    {
        Access access(0x2009);
        SignalLog log(&access);
        TVK_Test_LogCapture capture;
        access.handleCameraEvent(vendorEvent(0xC006, 12, false));
        access.handleCameraEvent(vendorEvent(0xC00A, 0x5005, false));
        QTest::qWait(250);
        QVERIFY(log.m_log.isEmpty());
        QCOMPARE(capture.matching(QStringLiteral("came without its parameter")).size(), 2);
    }

    void propertyChangesArePacedOnePerTick()
    {
        Access access(0x2041);
        QSignalSpy changed(&access, &TVK_Commu_CameraAccess_Base::signalDevicePropertyChanged);
        access.handleCameraEvent(vendorEvent(0xC00A, 0x5005));
        access.handleCameraEvent(vendorEvent(0xC00A, 0x5005));
        access.handleCameraEvent(vendorEvent(0xC00A, 0xD001));
        QVERIFY(changed.wait(1000));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).value<ushort>(), ushort(0x5005));
        QVERIFY(changed.wait(1000));
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.at(1).at(0).value<ushort>(), ushort(0xD001));
        QVERIFY(!changed.wait(350));
    }

    void onlyTheLowSixteenBitsNameTheProperty()
    {
        Access access(0x2041);
        QSignalSpy changed(&access, &TVK_Commu_CameraAccess_Base::signalDevicePropertyChanged);
        access.handleCameraEvent(vendorEvent(0xC00A, 0xABCD5010));
        QVERIFY(changed.wait(1000));
        QCOMPARE(changed.first().first().value<ushort>(), ushort(0x5010));
    }

    void theLensPropertyAndZeroAreSpecial()
    {
        Access access(0x2061);
        SignalLog log(&access);
        access.handleCameraEvent(vendorEvent(0xC00A, 0));
        access.handleCameraEvent(vendorEvent(0xC00A, 0xD620));
        access.handleCameraEvent(vendorEvent(0xC00A, 0x500F));
        QTRY_COMPARE_WITH_TIMEOUT(log.m_log.size(), 2, 2000);
        QTest::qWait(250);
        // Zero takes its tick but signals nothing; the lens property on any product is the lens.
        QCOMPARE(log.m_log, (QStringList{QStringLiteral("lens"), QStringLiteral("property 500f")}));
    }

    void aCodeIsQueuedAgainOnceItWasSignalled()
    {
        Access access(0x2041);
        QSignalSpy changed(&access, &TVK_Commu_CameraAccess_Base::signalDevicePropertyChanged);
        access.handleCameraEvent(vendorEvent(0xC00A, 0x5005));
        QVERIFY(changed.wait(1000));
        access.handleCameraEvent(vendorEvent(0xC00A, 0x5005));
        QVERIFY(changed.wait(1000));
        QCOMPARE(changed.size(), 2);
    }

    void eventsFromAnotherThreadArriveWhileTheTimerRuns()
    {
        // A platform thread feeds three rounds, each the property changes
        // 0x5005, 0xD001, 0x5005, 0xD002 and a bulb tick, while the timer
        // releases one change per tick on the test's thread. The test's thread
        // is held while a round goes in, so no tick falls inside a round and
        // the reports follow from the queue alone: a code already queued is
        // not queued again, one already reported is. The first round goes in
        // before any tick, the second within the first report (queue then
        // D001 D002), the third within the second (queue then D002 5005).
        Access access(0x2009);
        SignalLog log(&access);
        QSemaphore mayFeed;
        QSemaphore roundFed;
        QThread *platformThread = QThread::create([&access, &mayFeed, &roundFed]() {
            for (int round = 0; round < 3; ++round) {
                if (!mayFeed.tryAcquire(1, 5000))
                    return;
                for (quint32 code : {0x5005u, 0xD001u, 0x5005u, 0xD002u})
                    access.handleCameraEvent(vendorEvent(0xC00A, code));
                access.handleCameraEvent(vendorEvent(0xC006, quint32(round)));
                roundFed.release();
            }
        });
        // Joined on every way out, so that it never outlives what it feeds.
        const auto joinPlatformThread = qScopeGuard([&mayFeed, platformThread]() {
            mayFeed.release(3);
            platformThread->wait();
            delete platformThread;
        });
        int roundsFed = 0;
        const auto feedRound = [&mayFeed, &roundFed, &roundsFed]() {
            mayFeed.release();
            if (roundFed.tryAcquire(1, 5000))
                ++roundsFed;
        };
        int reports = 0;
        // Runs inside the tick that reported, after the log has the report:
        // no further tick can take a code until it returns.
        connect(&access, &TVK_Commu_CameraAccess_Base::signalDevicePropertyChanged, &log, [&reports, &feedRound]() {
            if (++reports <= 2)
                feedRound();
        });
        platformThread->start();
        feedRound();

        const QStringList expected = {QStringLiteral("property 5005"), QStringLiteral("property d001"),
                                      QStringLiteral("property d002"), QStringLiteral("property 5005"),
                                      QStringLiteral("property d001")};
        QTRY_COMPARE_WITH_TIMEOUT(log.m_log.filter(QStringLiteral("property")).size(), expected.size(), 5000);
        QTest::qWait(350); // the queue stays empty: nothing more is reported
        QCOMPARE(roundsFed, 3);
        QCOMPARE(log.m_log.filter(QStringLiteral("property")), expected);
        QCOMPARE(log.m_log.filter(QStringLiteral("bulb")),
                 (QStringList{QStringLiteral("bulb 0"), QStringLiteral("bulb 1"), QStringLiteral("bulb 2")}));
    }

    void aTransferRequestIsSignalledAndNamed()
    {
        Access access(0x2041);
        SignalLog log(&access);
        TVK_Test_LogCapture capture(0x1);
        Event event;
        event.kind = TVK_Commu_CameraAccess_Base::kLEObjectTransferRequested;
        event.objectName = QStringLiteral("NRBA0123.DNG");
        access.handleCameraEvent(event);
        QCOMPARE(log.m_log, QStringList{QStringLiteral("transfer")});
        QCOMPARE(capture.matching(QStringLiteral("with name NRBA0123.DNG")).size(), 1);
    }

    // A camera announces a waiting picture as soon as its session opens, which
    // can be before the controller listens: the request waits for the first
    // listener and goes to it once; a removal before that drops it.
    void aTransferRequestBeforeAnyListenerGoesToTheFirst()
    {
        Event event;
        event.kind = TVK_Commu_CameraAccess_Base::kLEObjectTransferRequested;
        Access access(0x2041, 1);
        access.handleCameraEvent(event);
        access.handleCameraEvent(event); // the same waiting picture, announced twice
        SignalLog first(&access);
        SignalLog second(&access);
        QCOMPARE(first.m_log, QStringList{QStringLiteral("transfer")});
        QVERIFY(second.m_log.isEmpty());

        Access removed(0x2041, 1);
        removed.handleCameraEvent(event);
        removed.handleCameraEvent(removal());
        SignalLog late(&removed);
        QVERIFY(late.m_log.isEmpty());
    }

    void removalClosesTheConnectionOnce()
    {
        Access access(0x2041, 1);
        SignalLog log(&access);
        access.handleCameraEvent(removal());
        access.handleCameraEvent(removal());
        QCOMPARE(log.m_log, QStringList{QStringLiteral("closed 1")});
        QCOMPARE(access.productId(), 0);
    }

    void removalWhileClosedSaysNothing()
    {
        Access access(0, 1);
        SignalLog log(&access);
        access.handleCameraEvent(removal());
        QVERIFY(log.m_log.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_cameraevents)
#include "tst_cameraevents.moc"
