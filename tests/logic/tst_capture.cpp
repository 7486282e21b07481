#include "TVK_Commu_PtpCodes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_Emulator_SettingsRecord.h"
#include "TVK_Logic_Camera.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Test_CameraRig.h"
#include "TVK_Test_Home.h"
#include "TVK_Test_TracingAccess.h"

#include <QSemaphore>
#include <QtTest>

#include <memory>

using Controller = TVK_Logic_Controller;

namespace {

// Generous: a loaded two-core machine under the sanitizers.
constexpr int kWaitMs = 10000;

// A controller connected to an emulated camera whose release stages are
// traced. Settings are made through the controller, as the panel makes them.
struct Rig : TVK_Test_CameraRig {
    explicit Rig(int product)
        : TVK_Test_CameraRig({product, kLETraced})
        , ok(connected())
    {
    }
    TVK_Logic_Camera *model() const { return controller()->camera(); }
    // Sets drive mode, exposure mode and mirror-up and checks the camera took them.
    bool prepare(int driveMode, int exposureMode, bool mirrorUp)
    {
        controller()->setDriveMode(driveMode);
        controller()->setExposureMode(exposureMode);
        controller()->setMirrorUpMode(mirrorUp);
        tracing()->releaseStages.clear();
        return model()->exposureMode() == exposureMode && model()->mirrorUpMode() == mirrorUp;
    }

    const bool ok;
};

} // namespace

class tst_Capture : public QObject
{
    Q_OBJECT

private:
    TVK_Test_Home m_home;

private Q_SLOTS:
    // Pictures taken here are saved: into a home of the test's own.
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
    }
    void pressesSendTheStagesOfTheMode_data();
    void pressesSendTheStagesOfTheMode();
    void ownIntervalWaitsForEachDng();
    void ownIntervalWithMirrorUpReleasesInPairs();
    void videoButtonTogglesRecordingAndRestoresTheStorage();
    void disconnectEndsTheInterval();
    void warningSixBlocksThePress();
    void pictureThatCannotBeReadIsAWarning();
    void thumbnailsAndSharedPicturesComeFromTheCard();
    void apertureSyncDoesNotWaitForATransfer();
};

// Each press (P) or release (R) of the capture button, and the stages the
// camera receives; a failing stage is answered as failed.
void tst_Capture::pressesSendTheStagesOfTheMode_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<int>("driveMode");
    QTest::addColumn<int>("exposureMode");
    QTest::addColumn<bool>("mirrorUp");
    QTest::addColumn<QString>("presses");
    QTest::addColumn<int>("failingCall"); // index into the stages sent, -1: none fails
    QTest::addColumn<QVector<int>>("stages");
    QTest::addColumn<bool>("bulbRunning");

    QTest::newRow("single") << 0x2031 << 0 << 0 << false << "PR" << -1 << QVector<int>{0} << false;
    QTest::newRow("single, mirror-up") << 0x2031 << 0 << 0 << true << "PRPR" << -1 << QVector<int>{0, 0} << false;
    QTest::newRow("continuous") << 0x2031 << 1 << 0 << false << "PR" << -1 << QVector<int>{12, 13} << false;
    QTest::newRow("continuous, mirror-up") << 0x2031 << 1 << 0 << true << "PR" << -1 << QVector<int>{0, 13} << false;
    QTest::newRow("in-camera interval") << 0x2031 << 5 << 0 << false << "PR" << -1 << QVector<int>{0} << false;
    QTest::newRow("bulb") << 0x2031 << 0 << 4 << false << "PRPRPR" << -1 << QVector<int>{7, 8, 7} << true;
    QTest::newRow("bulb, mirror-up") << 0x2031 << 0 << 4 << true << "PPP" << -1 << QVector<int>{7, 7, 8} << false;
    // A bulb that did not open is opened by the next press, the mirror still up.
    QTest::newRow("bulb, mirror-up, open fails")
        << 0x2031 << 0 << 4 << true << "PPPP" << 1 << QVector<int>{7, 7, 7, 8} << false;
    QTest::newRow("bulb, open fails") << 0x2031 << 0 << 4 << false << "PP" << 0 << QVector<int>{7, 7} << true;
    QTest::newRow("struct camera bulb") << 0x2009 << 0 << 4 << false << "PP" << -1 << QVector<int>{7, 8} << false;
}

void tst_Capture::pressesSendTheStagesOfTheMode()
{
    QFETCH(int, product);
    QFETCH(int, driveMode);
    QFETCH(int, exposureMode);
    QFETCH(bool, mirrorUp);
    QFETCH(QString, presses);
    QFETCH(int, failingCall);
    QFETCH(QVector<int>, stages);
    QFETCH(bool, bulbRunning);

    Rig rig(product);
    QVERIFY(rig.ok);
    QVERIFY(rig.prepare(driveMode, exposureMode, mirrorUp));
    for (const QChar press : presses) {
        const bool fails = rig.tracing()->releaseStages.size() == failingCall;
        if (fails)
            rig.tracing()->failReleaseStages = {stages.value(failingCall)};
        if (press == QLatin1Char('P'))
            rig.controller()->doCaptureBtnPressed();
        else
            rig.controller()->doCaptureBtnReleased();
        rig.tracing()->failReleaseStages.clear();
    }
    QCOMPARE(rig.tracing()->releaseStages, stages);
    QCOMPARE(rig.model()->bulbRunning(), bulbRunning);
    QCOMPARE(rig.model()->continuousEndPending(), stages.contains(13));
}

// Frames 3: every release after the first waits for the previous DNG, and a
// press while the series runs does nothing.
void tst_Capture::ownIntervalWaitsForEachDng()
{
    Rig rig(0x2009); // no interval of its own
    QVERIFY(rig.ok);
    QVERIFY(!rig.model()->hasInterval());
    QVERIFY(rig.prepare(5, 0, false));
    QVERIFY(rig.controller()->ownIntervalActive());
    rig.controller()->setIntervalFrames(3);
    rig.controller()->setIntervalTime(2);

    rig.controller()->doCaptureBtnPressed();
    QVERIFY(rig.tracing()->releaseStages.isEmpty()); // the first tick releases
    rig.controller()->tickInterval();
    QCOMPARE(rig.tracing()->releaseStages, QVector<int>{0});
    rig.controller()->doCaptureBtnPressed();
    rig.controller()->tickInterval(); // no DNG yet
    QCOMPARE(rig.tracing()->releaseStages.size(), 1);
    for (int frame = 2; frame <= 3; ++frame) {
        QVERIFY(QMetaObject::invokeMethod(rig.controller(), "catchDngTransferDone"));
        rig.controller()->tickInterval();
        QCOMPARE(rig.tracing()->releaseStages.size(), frame);
    }
    QVERIFY(QMetaObject::invokeMethod(rig.controller(), "catchDngTransferDone"));
    rig.controller()->tickInterval(); // nothing left: the series ends
    QCOMPARE(rig.tracing()->releaseStages.size(), 3);
    rig.controller()->doCaptureBtnPressed(); // and a new one can start
    rig.controller()->tickInterval();
    QCOMPARE(rig.tracing()->releaseStages.size(), 4);
}

// With mirror-up every frame is the mirror and then the shutter, the second
// release following by itself.
void tst_Capture::ownIntervalWithMirrorUpReleasesInPairs()
{
    Rig rig(0x2009);
    QVERIFY(rig.ok);
    QVERIFY(rig.prepare(5, 0, true));
    rig.controller()->setIntervalFrames(2);
    rig.controller()->doCaptureBtnPressed();
    rig.controller()->tickInterval();
    QTRY_COMPARE_WITH_TIMEOUT(rig.tracing()->releaseStages.size(), 2, kWaitMs);
    QVERIFY(QMetaObject::invokeMethod(rig.controller(), "catchDngTransferDone"));
    rig.controller()->tickInterval();
    QTRY_COMPARE_WITH_TIMEOUT(rig.tracing()->releaseStages.size(), 4, kWaitMs);
    QVERIFY(QMetaObject::invokeMethod(rig.controller(), "catchDngTransferDone"));
    rig.controller()->tickInterval();
    QCOMPARE(rig.tracing()->releaseStages, (QVector<int>{0, 0, 0, 0}));
}

void tst_Capture::videoButtonTogglesRecordingAndRestoresTheStorage()
{
    Rig rig(0x2041);
    QVERIFY(rig.ok);
    rig.tracing()->releaseStages.clear();
    const qint64 storage = rig.camera()->properties()->value(TVK_Commu_Prop::kStorageType);
    rig.controller()->doVidCaptBtnPressed();
    QVERIFY(rig.tracing()->releaseStages.isEmpty());
    rig.controller()->doVidCaptBtnReleased();
    QVERIFY(rig.model()->videoRecording());
    QCOMPARE(rig.camera()->properties()->value(TVK_Commu_Prop::kStorageType), qint64(0));
    rig.controller()->doCaptureBtnPressed(); // no pictures while recording
    rig.controller()->doVidCaptBtnReleased();
    QVERIFY(!rig.model()->videoRecording());
    QCOMPARE(rig.tracing()->releaseStages, (QVector<int>{15, 16}));
    QCOMPARE(rig.camera()->properties()->value(TVK_Commu_Prop::kStorageType), storage);
}

void tst_Capture::disconnectEndsTheInterval()
{
    Rig rig(0x2009);
    QVERIFY(rig.ok);
    QVERIFY(rig.prepare(5, 0, false));
    // The panel closes its interval fields while the series runs.
    QSignalSpy running(rig.controller(), &Controller::signalIntervalRunning);
    rig.controller()->doCaptureBtnPressed();
    QVERIFY(rig.controller()->intervalRunning());
    QCOMPARE(running.count(), 1);
    QCOMPARE(running.at(0).at(0).toBool(), true);
    QSignalSpy gone(rig.controller(), &Controller::signalCameraDisconnected);
    rig.camera()->removeDevice();
    QVERIFY(gone.wait(kWaitMs) || gone.count() > 0);
    QVERIFY(rig.model() == nullptr);
    // The series and its timer went with the camera.
    QVERIFY(!rig.controller()->intervalRunning());
    QCOMPARE(running.count(), 2);
    QCOMPARE(running.at(1).at(0).toBool(), false);
}

// Warning 6 is the camera saying it cannot take a picture now.
void tst_Capture::warningSixBlocksThePress()
{
    Rig rig(0x2009);
    QVERIFY(rig.ok);
    QVERIFY(rig.prepare(0, 0, false));
    auto *record = rig.camera()->component<TVK_Emulator_SettingsRecord>();
    QVERIFY(record != nullptr);
    QSignalSpy warning(rig.controller(), &Controller::signalWarning);
    record->setField(TVK_Emulator_SettingsRecord::kLEWarnings, 6);
    QTRY_COMPARE_WITH_TIMEOUT(rig.model()->warning(), 6, kWaitMs);
    rig.controller()->doCaptureBtnPressed();
    QVERIFY(rig.tracing()->releaseStages.isEmpty());
    record->setField(TVK_Emulator_SettingsRecord::kLEWarnings, 0);
    QTRY_COMPARE_WITH_TIMEOUT(rig.model()->warning(), 0, kWaitMs);
    rig.controller()->doCaptureBtnPressed();
    QCOMPARE(rig.tracing()->releaseStages, QVector<int>{0});
    QVERIFY(!warning.isEmpty()); // the panel was told
}

// A transfer request with no picture behind it: the user hears of the failure.
void tst_Capture::pictureThatCannotBeReadIsAWarning()
{
    Rig rig(0x2041);
    QVERIFY(rig.ok);
    QSignalSpy warning(rig.controller(), &Controller::signalWarning);
    QVERIFY(QMetaObject::invokeMethod(rig.controller(), "catchTransferRequest"));
    QVERIFY(warning.wait(kWaitMs) || !warning.isEmpty());
    QVERIFY(!warning.first().first().toString().isEmpty());
}

// The card's pictures on request: the thumbnail with the file name and the
// rotation found in the picture's start, and the picture for sharing as its
// thumbnail or whole.
void tst_Capture::thumbnailsAndSharedPicturesComeFromTheCard()
{
    Rig rig(0x2041);
    QVERIFY(rig.ok);
    auto *capture = rig.camera()->component<TVK_Emulator_Capture>();
    capture->setOrientation(6);
    rig.camera()->properties()->setValue(TVK_Commu_Prop::kFileFormat, 2 /* JPG only */, false);
    QVERIFY(rig.prepare(0, 0, false));
    rig.controller()->doCaptureBtnPressed();
    QTRY_VERIFY_WITH_TIMEOUT(capture->pendingCount() == 0 && rig.model()->transferThreadCount() == 0
                                 && capture->picturesTaken() == 1,
                             kWaitMs);
    rig.model()->slotRebuildImageDB();
    QCOMPARE(rig.model()->imageCount(), 1);
    const quint32 handle = rig.model()->imageHandleAt(0);
    QCOMPARE(rig.model()->imageRotation(0), 360);

    QStringList names;
    QVector<int> sizes;
    QObject::connect(rig.controller(), &Controller::signalThumbReceived,
                     [&](QByteArray *bytes, const QString &name, uint from, bool) {
                         names << name;
                         sizes << (from == handle ? bytes->size() : -1);
                         delete bytes;
                     });
    rig.controller()->loadThumb(handle, false);
    rig.controller()->loadThumb(handle + 0x100, false); // not on the card: nothing
    QCOMPARE(names.size(), 1);
    QVERIFY2(names.first().endsWith(QLatin1String(".JPG")), qPrintable(names.first()));
    QVERIFY(sizes.first() > 0);
    QCOMPARE(rig.model()->imageRotation(0), 90);

    QVector<int> shared;
    QVector<bool> complete;
    QObject::connect(rig.controller(), &Controller::signalImageForSharingReceived,
                     [&](QByteArray *bytes, bool whole) {
                         shared << (bytes != nullptr ? bytes->size() : -1);
                         complete << whole;
                         delete bytes;
                     });
    rig.controller()->loadImageForSharing(0, false, false); // the large thumbnail
    rig.controller()->loadImageForSharing(0, true, true);   // the whole JPEG
    rig.controller()->loadImageForSharing(5, true, true);   // no such picture
    QCOMPARE(complete, (QVector<bool>{false, true, false}));
    QVERIFY(shared.at(0) > 0);
    QVERIFY(shared.at(1) > shared.at(0));
    QCOMPARE(shared.at(2), -1);

    // Answered OK with the last bytes missing: what came is handed on, as incomplete.
    rig.camera()->cutNextDataIn(TVK_Commu_Ptp::kOpGetObject, 10);
    rig.controller()->loadImageForSharing(0, true, true);
    QCOMPARE(complete.value(3, true), false);
    QCOMPARE(shared.value(3), shared.at(1) - 10);
}

// The lens is read again every second; while a transfer holds the camera the
// controller thread skips that read instead of waiting for the transfer.
void tst_Capture::apertureSyncDoesNotWaitForATransfer()
{
    Rig rig(0x2041);
    QVERIFY(rig.ok);
    const auto lensReads = [&rig]() {
        return rig.camera()->transactionCountsByOperation().value(TVK_Commu_Ptp::kOpGetLensData);
    };
    QSemaphore held;
    QSemaphore done;
    std::mutex &access = rig.model()->accessLock();
    std::unique_ptr<QThread> transfer(QThread::create([&]() {
        access.lock();
        held.release();
        done.acquire();
        access.unlock();
    }));
    transfer->start();
    held.acquire();
    const quint64 before = lensReads();
    QVERIFY(QMetaObject::invokeMethod(rig.controller(), "catchSyncAvailableApertureTimer"));
    QCOMPARE(lensReads(), before);
    done.release();
    QVERIFY(transfer->wait(kWaitMs));
    QVERIFY(QMetaObject::invokeMethod(rig.controller(), "catchSyncAvailableApertureTimer"));
    QCOMPARE(lensReads(), before + 1);
}

QTEST_GUILESS_MAIN(tst_Capture)
#include "tst_capture.moc"
