#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_RecordingAccess.h"

#include <QtEndian>
#include <QtTest>

using Access = TVK_Test_RecordingAccess;
using Params = QVector<quint32>;

Q_DECLARE_METATYPE(Params)

namespace {

const QString kImpl = QStringLiteral("TVK_Commu_CameraAccess_Base::releaseCamImpl() - ");

const int kNativeProducts[] = {0x2009, 0x2011, 0x2021, 0x2031, 0x2033, 0x2041, 0x2044, 0x2047, 0x2051};

// Sends a release request of 1, 2 or 3 arguments the way callers do.
bool release(Access &access, const Params &request)
{
    if (request.size() == 3)
        return access.releaseCam(request[0], int(request[1]), int(request[2]));
    if (request.size() == 2)
        return access.releaseCam(request[0], int(request[1]));
    return access.releaseCam(request[0]);
}

} // namespace

class tst_releasestages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nativeProductsGetTheReleaseOperationItself_data()
    {
        QTest::addColumn<Params>("request");
        QTest::addColumn<Params>("sent");
        QTest::newRow("release") << Params{0} << Params{0};
        QTest::newRow("lens step with its step") << Params{9, 5} << Params{9, 5};
        QTest::newRow("keep-alive drops the unused parameter") << Params{14, 77} << Params{14};
        QTest::newRow("live view video") << Params{17, 1} << Params{17, 1};
        QTest::newRow("live-view white balance") << Params{22, 3} << Params{22, 3};
        QTest::newRow("focus cross") << Params{21, 100, 200} << Params{21, 100, 200};
        // Native cameras judge stages themselves.
        QTest::newRow("unused stage 5") << Params{5} << Params{5};
    }

    void nativeProductsGetTheReleaseOperationItself()
    {
        QFETCH(Params, request);
        QFETCH(Params, sent);
        for (int product : kNativeProducts) {
            Access access(product);
            QVERIFY(release(access, request));
            const QVector<Access::Transaction> done = access.transactions();
            QCOMPARE(done.size(), 1);
            QCOMPARE(done.first().operationCode, 0x9004);
            QCOMPARE(done.first().params, sent);
            QCOMPARE(done.first().direction, Access::kLENoData);
        }
    }

    void otherProductsGetTheSinglePurposeOperation_data()
    {
        QTest::addColumn<Params>("request");
        QTest::addColumn<int>("operation");
        QTest::addColumn<Params>("sent");
        QTest::newRow("release") << Params{0} << 0x100E << Params{};
        QTest::newRow("autofocus off") << Params{2} << 0x9016 << Params{1};
        QTest::newRow("bulb start") << Params{7} << 0x9019 << Params{0};
        QTest::newRow("bulb end") << Params{8} << 0x9019 << Params{1};
        QTest::newRow("lens one way") << Params{9, 5} << 0x901E << Params{1, 5};
        QTest::newRow("lens other way") << Params{10, 3} << 0x901E << Params{0, 3};
        QTest::newRow("lens to position") << Params{11, 4000} << 0x901E << Params{2, 4000};
        QTest::newRow("continuous start") << Params{12} << 0x901A << Params{0};
        QTest::newRow("continuous end") << Params{13} << 0x901A << Params{1};
        QTest::newRow("keep awake") << Params{14} << 0x901D << Params{};
        QTest::newRow("video start") << Params{15} << 0x901B << Params{0};
        QTest::newRow("video stop") << Params{16} << 0x901B << Params{1};
        QTest::newRow("photo live view on") << Params{17, 0} << 0x901C << Params{0};
        QTest::newRow("video live view on") << Params{17, 1} << 0x901B << Params{2};
        QTest::newRow("photo live view off") << Params{18, 0} << 0x901C << Params{1};
        QTest::newRow("video live view off") << Params{18, 1} << 0x901B << Params{3};
        QTest::newRow("toggle zoom") << Params{20} << 0x9021 << Params{1};
        QTest::newRow("focus cross") << Params{21, 320, 240} << 0x9022 << Params{320, 240};
        QTest::newRow("white balance mode 0") << Params{22, 0} << 0x9023 << Params{0};
        QTest::newRow("white balance mode 3") << Params{22, 3} << 0x9023 << Params{3};
    }

    void otherProductsGetTheSinglePurposeOperation()
    {
        QFETCH(Params, request);
        QFETCH(int, operation);
        QFETCH(Params, sent);
        for (int product : {0x2061, 0x1234, 0}) {
            Access access(product);
            QVERIFY(release(access, request));
            const QVector<Access::Transaction> done = access.transactions();
            QCOMPARE(done.size(), 1);
            QCOMPARE(done.first().operationCode, operation);
            QCOMPARE(done.first().params, sent);
        }
    }

    void emulatedAutofocusFollowsTheCachedFocusMode_data()
    {
        QTest::addColumn<int>("focusMode");
        QTest::addColumn<int>("autofocusMode");
        QTest::newRow("single") << 0 << 2;
        QTest::newRow("continuous") << 1 << 1;
        QTest::newRow("manual") << 2 << 0;
        QTest::newRow("intelligent") << 5 << 5;
    }

    void emulatedAutofocusFollowsTheCachedFocusMode()
    {
        QFETCH(int, focusMode);
        QFETCH(int, autofocusMode);
        Access access(0x2061);
        QVERIFY(access.setDevicePropValue(0x500A, quint16(focusMode)));
        access.clear();
        QVERIFY(access.autoFocusOn());
        QCOMPARE(access.last().operationCode, 0x9016);
        QCOMPARE(access.last().params, (Params{0, quint32(autofocusMode)}));
        QVERIFY(access.autoFocusOff());
        QCOMPARE(access.last().params, Params{1});
    }

    void aFreshAccessFocusesAsInManualMode()
    {
        Access access(0x2061);
        QVERIFY(access.releaseCam(1));
        QCOMPARE(access.last().params, (Params{0, 0}));
    }

    void refusedRequestsLogAndSendNothing_data()
    {
        QTest::addColumn<Params>("request");
        QTest::addColumn<QString>("line");
        QTest::newRow("stage 3") << Params{3} << QStringLiteral("Error: unknown releaseStage 3");
        QTest::newRow("stage 5") << Params{5} << QStringLiteral("Error: unknown releaseStage 5");
        QTest::newRow("stage 6") << Params{6} << QStringLiteral("Error: unknown releaseStage 6");
        QTest::newRow("stage 19") << Params{19} << QStringLiteral("Error: unknown releaseStage 19");
        QTest::newRow("stage 23") << Params{23} << QStringLiteral("Error: unknown releaseStage 23");
        QTest::newRow("live view kind 2") << Params{17, 2}
                                          << QStringLiteral("Error: unknown additional parameter 2 for releaseStage 17");
        QTest::newRow("live view off kind -1")
            << Params{18, quint32(-1)} << QStringLiteral("Error: unknown additional parameter -1 for releaseStage 18");
        QTest::newRow("white balance mode 4")
            << Params{22, 4} << QStringLiteral("Error: unknown additional parameter 4 for releaseStage 22");
    }

    void refusedRequestsLogAndSendNothing()
    {
        QFETCH(Params, request);
        QFETCH(QString, line);
        Access access(0x2061);
        TVK_Test_LogCapture capture(0); // errors only, no command trace
        QVERIFY(!release(access, request));
        QVERIFY(access.transactions().isEmpty());
        QCOMPARE(capture.lines(), QStringList{kImpl + line});
    }

    void missingParametersAreRefusedByTheDispatcher()
    {
        Access access(0x2061);
        TVK_Test_LogCapture capture;
        QVERIFY(!access.releaseCamImpl(0, nullptr));
        const quint32 lens[] = {9};
        QVERIFY(!access.releaseCamImpl(1, lens));
        const quint32 cross[] = {21, 10};
        QVERIFY(!access.releaseCamImpl(2, cross));
        QVERIFY(access.transactions().isEmpty());
        QCOMPARE(capture.lines(), (QStringList{kImpl + QStringLiteral("Error: no input parameters"),
                                               kImpl + QStringLiteral("Error: missing additional parameter for releaseStage 9"),
                                               kImpl + QStringLiteral("Error: missing additional parameters for releaseStage 21")}));
    }

    void anUnknownCachedFocusModeRefusesAutofocus()
    {
        Access access(0x2061);
        QVERIFY(access.setDevicePropValue(0x500A, quint16(3)));
        access.clear();
        TVK_Test_LogCapture capture(0);
        QVERIFY(!access.autoFocusOn());
        QVERIFY(access.transactions().isEmpty());
        QCOMPARE(capture.lines(), QStringList{kImpl + QStringLiteral("Error: unknown focusMode 3")});
    }

    void releaseRequestsAreTraced()
    {
        Access access(0x2041);
        TVK_Test_LogCapture capture(0x1);
        QVERIFY(access.releaseCam(9, 5));
        QVERIFY(access.releaseCam(21, 7, 8));
        const QString start = QStringLiteral("TVK_Commu_CameraAccess_Base::releaseCam() - release start - ");
        QCOMPARE(capture.lines(), (QStringList{start + QStringLiteral("releaseStage 9 - param 5"),
                                               start + QStringLiteral("releaseStage 21 - param1 7 - param2 8")}));
    }

    void aFailingTransactionFailsTheRelease()
    {
        Access emulated(0x2061);
        emulated.answerAlways(0x100E, QByteArray(), false);
        QVERIFY(!emulated.releaseCam(0));
        Access native(0x2041);
        native.answerAlways(0x9004, QByteArray(), false);
        QVERIFY(!native.releaseCam(0));
    }
};

QTEST_GUILESS_MAIN(tst_releasestages)
#include "tst_releasestages.moc"
