#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_SettingsRecord.h"
#include "TVK_Logic_CameraSettingsByStruct.h"
#include "TVK_Logic_CameraSettingsByStructCora.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_OpenedCamera.h"
#include "TVK_Test_RecordingAccess.h"

#include <QtEndian>
#include <QtTest>

#include <functional>
#include <memory>

using Access = TVK_Commu_CameraAccess_Emulated;
using Camera = TVK_Emulator_Camera;
using EmulatedRecord = TVK_Emulator_SettingsRecord;
using Struct = TVK_Logic_CameraSettingsByStruct;
using Cora = TVK_Logic_CameraSettingsByStructCora;
using Flags = TVK_Logic_CameraSettingsBase::ChangedFlags;

// Something the strategy answers, as a number (booleans as 0 and 1).
using Getter = std::function<double(Struct &)>;
// Something done to the strategy.
using Action = std::function<void(Struct &)>;
// A change the camera makes to its own record.
struct Change {
    EmulatedRecord::eLEField field;
    qint64 value;
};
using Changes = QVector<Change>;

Q_DECLARE_METATYPE(Getter)
Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(Change)

#define READ(call) Getter([](Struct &target) { return double(target.call); })
#define DO(call) Action([](Struct &target) { target.call; })

namespace {

bool isCoraProduct(int product)
{
    return product == 0x2021 || product == 0x2051;
}

std::unique_ptr<Struct> makeSettings(int product, TVK_Commu_CameraAccess_Base *access)
{
    if (isCoraProduct(product))
        return std::make_unique<Cora>(access, nullptr);
    return std::make_unique<Struct>(access, nullptr);
}

QString classOf(int product)
{
    return isCoraProduct(product) ? QStringLiteral("TVK_Logic_CameraSettingsByStructCora")
                                  : QStringLiteral("TVK_Logic_CameraSettingsByStruct");
}

// An emulated body of one product with the strategy of its layout on top,
// which goes before the access closes.
struct Session : TVK_Test_OpenedCamera {
    explicit Session(int product)
        : TVK_Test_OpenedCamera(product)
        , settings(makeSettings(product, accessAs<Access>()))
    {
    }

    EmulatedRecord *record() const { return camera->component<EmulatedRecord>(); }
    // The camera changes its record without reporting it; the test receives.
    bool apply(const Changes &changes) const
    {
        for (const Change &change : changes) {
            if (!record()->setField(change.field, change.value, false))
                return false;
        }
        return true;
    }

    std::unique_ptr<Struct> settings;
};

QVector<int> raised(const Flags &flags)
{
    QVector<int> indices;
    for (int i = 0; i < int(flags.size()); ++i) {
        if (flags[size_t(i)])
            indices.append(i);
    }
    return indices;
}

qint64 valueAt(const QByteArray &bytes, int offset, int width)
{
    const auto *at = reinterpret_cast<const uchar *>(bytes.constData()) + offset;
    return width == 1 ? *at : width == 2 ? qFromLittleEndian<quint16>(at) : qFromLittleEndian<quint32>(at);
}

// The bytes outside [offset, offset + width).
QByteArray without(QByteArray bytes, int offset, int width)
{
    return bytes.remove(offset, width);
}

} // namespace

class tst_settingsbystruct : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answersFromTheCameraRecord_data();
    void answersFromTheCameraRecord();
    void settersReachTheCameraAndLeaveTheRestAlone_data();
    void settersReachTheCameraAndLeaveTheRestAlone();
    void settersThatChangeNothing_data();
    void settersThatChangeNothing();
    void keyLockKeepsTheOtherFlagBits();
    void bracketingRemembersFiveImages_data();
    void bracketingRemembersFiveImages();
    void changeFlagsAfterACameraSideChange_data();
    void changeFlagsAfterACameraSideChange();
    void failedReadClearsTheRecord_data();
    void failedReadClearsTheRecord();
    void shortOrLongRecordIsCutToSize_data();
    void shortOrLongRecordIsCutToSize();
    void failedWriteIsSentAgainOnTheNextEqualRequest_data();
    void failedWriteIsSentAgainOnTheNextEqualRequest();
    void singlePropertyChangeOnlyLogs_data();
    void singlePropertyChangeOnlyLogs();
    void sensitivityFollowsTheProductsTable_data();
    void sensitivityFollowsTheProductsTable();
    void missingFunctionsLogAndAnswerDefaults_data();
    void missingFunctionsLogAndAnswerDefaults();
    void dumpsNameTheirClassAndCaller_data();
    void dumpsNameTheirClassAndCaller();
};

void tst_settingsbystruct::answersFromTheCameraRecord_data()
{
    using R = EmulatedRecord;
    QTest::addColumn<int>("product");
    QTest::addColumn<Changes>("changes");
    QTest::addColumn<Getter>("getter");
    QTest::addColumn<double>("expected");
    // What the bodies start with.
    QTest::newRow("0x2009 sensitivity index 2 is ISO 160") << 0x2009 << Changes() << READ(sensitivity()) << 160.0;
    QTest::newRow("0x2011 sensitivity index 2 is ISO 100") << 0x2011 << Changes() << READ(sensitivity()) << 100.0;
    QTest::newRow("0x2009 aperture f/5.6") << 0x2009 << Changes() << READ(aperture()) << 5.6;
    QTest::newRow("0x2009 shutter 1/125 s") << 0x2009 << Changes() << READ(shutterTime()) << 1.0 / 125;
    QTest::newRow("0x2009 longest shutter 125 s") << 0x2009 << Changes() << READ(maxShutterTime()) << 125.0;
    QTest::newRow("0x2009 focus distance 3 m") << 0x2009 << Changes() << READ(focusDistance()) << 3000.0;
    QTest::newRow("0x2009 internal battery only") << 0x2009 << Changes() << READ(batteryInfo()) << 1.0;
    QTest::newRow("0x2009 shutter mode 1 is switch 3") << 0x2009 << Changes() << READ(powerSwitch()) << 3.0;
    QTest::newRow("0x2021 ISO 200") << 0x2021 << Changes() << READ(sensitivity()) << 200.0;
    QTest::newRow("0x2021 light meter half EV under") << 0x2021 << Changes() << READ(lightMeter()) << -128.0;
    QTest::newRow("0x2021 light balance one half EV under") << 0x2021 << Changes() << READ(lightBalance()) << -1.0;
    QTest::newRow("0x2021 battery source 0 reads 1") << 0x2021 << Changes() << READ(batterySource()) << 1.0;
    QTest::newRow("0x2021 battery internal") << 0x2021 << Changes() << READ(batteryInfo()) << 1.0;
    QTest::newRow("0x2021 no battery grip") << 0x2021 << Changes() << READ(batteryLevelExtern()) << 255.0;
    QTest::newRow("0x2021 shutter 1/60 s") << 0x2021 << Changes() << READ(shutterTime()) << 1.0 / 60;
    QTest::newRow("0x2051 ISO 800") << 0x2051 << Changes() << READ(sensitivity()) << 800.0;

    // First layout.
    QTest::newRow("compensation index 13 reads +3 EV")
        << 0x2009 << Changes{{R::kLEExposureCompensation, 13}} << READ(exposureCompensation()) << 3000.0;
    QTest::newRow("compensation index 0 reads -3 EV")
        << 0x2009 << Changes{{R::kLEExposureCompensation, 0}} << READ(exposureCompensation()) << -3000.0;
    QTest::newRow("bracketing 2 is five images")
        << 0x2009 << Changes{{R::kLEBracketing, 2}} << READ(bracketingImageNumbers()) << 5.0;
    QTest::newRow("bracketing delta index 3 is 3 EV")
        << 0x2009 << Changes{{R::kLEBracketingDelta, 3}} << READ(bracketingDeltaEV()) << 3000.0;
    QTest::newRow("bracketing delta index 7 reads 1 EV")
        << 0x2009 << Changes{{R::kLEBracketingDelta, 7}} << READ(bracketingDeltaEV()) << 1000.0;
    QTest::newRow("external battery only")
        << 0x2009 << Changes{{R::kLEBatteryInternal, 0xFF}, {R::kLEBatteryExternal, 0x40}} << READ(batteryInfo())
        << 0.0;
    QTest::newRow("both batteries") << 0x2009 << Changes{{R::kLEBatteryExternal, 0x40}} << READ(batteryInfo()) << 2.0;
    QTest::newRow("neither battery") << 0x2009 << Changes{{R::kLEBatteryInternal, 0xFF}} << READ(batteryInfo())
                                     << 4.0;
    QTest::newRow("no battery information")
        << 0x2009 << Changes{{R::kLEBatterySource, 0}} << READ(batteryInfo()) << 3.0;
    QTest::newRow("light balance signed") << 0x2009 << Changes{{R::kLELightBalance, -3}} << READ(lightBalance())
                                          << -3.0;
    QTest::newRow("light meter from light balance")
        << 0x2009 << Changes{{R::kLELightBalance, -3}} << READ(lightMeter()) << -384.0;
    QTest::newRow("sensitivity index 0 is automatic")
        << 0x2009 << Changes{{R::kLESensitivityIndex, 0}} << READ(sensitivityAuto()) << 1.0;
    QTest::newRow("key lock bit alone") << 0x2009 << Changes{{R::kLEFlagBits, 0x01}} << READ(dngCompression()) << 0.0;
    QTest::newRow("flash X symbol bit") << 0x2009 << Changes{{R::kLEFlagBits, 0x04}} << READ(flashXSymbol()) << 1.0;
    QTest::newRow("shutter mode 0 is switch 2") << 0x2009 << Changes{{R::kLEShutterMode, 0}} << READ(powerSwitch())
                                                << 2.0;
    QTest::newRow("focus distance beyond 16 bits")
        << 0x2009 << Changes{{R::kLEFocusDistance, 70000}} << READ(focusDistance()) << 70000.0;
    QTest::newRow("negative shutter code is 16 s")
        << 0x2009 << Changes{{R::kLEShutterTime, -1024}} << READ(shutterTime()) << 16.0;
    QTest::newRow("ISO value") << 0x2011 << Changes{{R::kLEIsoValue, 1600}} << READ(iSOValue()) << 1600.0;

    // Cora layout.
    QTest::newRow("Cora compensation index 1 is -2667")
        << 0x2021 << Changes{{R::kLEExposureCompensation, 1}} << READ(exposureCompensation()) << -2667.0;
    QTest::newRow("Cora compensation index 8 is -333")
        << 0x2021 << Changes{{R::kLEExposureCompensation, 8}} << READ(exposureCompensation()) << -333.0;
    QTest::newRow("Cora compensation index 11 is +667")
        << 0x2021 << Changes{{R::kLEExposureCompensation, 11}} << READ(exposureCompensation()) << 667.0;
    QTest::newRow("Cora compensation index 19 reads +3 EV")
        << 0x2021 << Changes{{R::kLEExposureCompensation, 19}} << READ(exposureCompensation()) << 3000.0;
    QTest::newRow("Cora video index 4 is raw 17")
        << 0x2021 << Changes{{R::kLEVideoResolution, 4}} << READ(videoResAndFrRate()) << 17.0;
    QTest::newRow("Cora video byte 9 reads raw 8")
        << 0x2021 << Changes{{R::kLEVideoResolution, 9}} << READ(videoResAndFrRate()) << 8.0;
    QTest::newRow("Cora focus mode is manual whatever offset 2 holds")
        << 0x2021 << Changes{{R::kLEVideoResolution, 1}} << READ(focusMode()) << 2.0;
    QTest::newRow("Cora battery source byte 1 reads 0")
        << 0x2021 << Changes{{R::kLEBatterySource, 1}} << READ(batterySource()) << 0.0;
    QTest::newRow("Cora battery source byte 1 has no information")
        << 0x2021 << Changes{{R::kLEBatterySource, 1}} << READ(batteryInfo()) << 3.0;
    QTest::newRow("Cora no internal battery") << 0x2021 << Changes{{R::kLEBatteryInternal, 0xFF}}
                                              << READ(batteryInfo()) << 4.0;
    QTest::newRow("Cora warning bit 4") << 0x2021 << Changes{{R::kLEWarnings, 0x10}} << READ(warnings()) << 7.0;
    QTest::newRow("Cora warning bit 3 before bit 5") << 0x2021 << Changes{{R::kLEWarnings, 0x28}}
                                                      << READ(warnings()) << 6.0;
    QTest::newRow("Cora no warning bit") << 0x2021 << Changes() << READ(warnings()) << 1.0;
    QTest::newRow("Cora aperture priority") << 0x2021 << Changes{{R::kLEExposureMode, 1}} << READ(exposureMode())
                                            << 2.0;
    QTest::newRow("Cora bulb") << 0x2021 << Changes{{R::kLEExposureMode, 3}} << READ(exposureMode()) << 4.0;
    QTest::newRow("Cora unknown exposure mode is manual")
        << 0x2021 << Changes{{R::kLEExposureMode, 2}} << READ(exposureMode()) << 0.0;
    QTest::newRow("Cora light balance 2.5 rounds up")
        << 0x2021 << Changes{{R::kLELightMeter, 320}} << READ(lightBalance()) << 3.0;
    QTest::newRow("Cora light balance -2.5 rounds up")
        << 0x2021 << Changes{{R::kLELightMeter, -320}} << READ(lightBalance()) << -2.0;
    QTest::newRow("Cora sensitivity 0 is automatic")
        << 0x2021 << Changes{{R::kLEIsoValue, 0}} << READ(sensitivityAuto()) << 1.0;
    QTest::newRow("Cora focus confirmation still read")
        << 0x2021 << Changes{{R::kLEFocusConfirmation, 1}} << READ(focusConfirmation()) << 1.0;

    // Feature queries: the emulated bodies' feature bits, and the fixed answers.
    QTest::newRow("0x2009 lens motor") << 0x2009 << Changes() << READ(featureMoveLensToPos()) << 1.0;
    QTest::newRow("0x2009 no JPG resolution") << 0x2009 << Changes() << READ(featureJpgResSelection()) << 0.0;
    QTest::newRow("0x2011 JPG resolution") << 0x2011 << Changes() << READ(featureJpgResSelection()) << 1.0;
    QTest::newRow("0x2009 flash X symbol") << 0x2009 << Changes() << READ(featureFlashXSymbol()) << 1.0;
    QTest::newRow("0x2009 HMI") << 0x2009 << Changes() << READ(featureHMI()) << 1.0;
    QTest::newRow("0x2009 aperture") << 0x2009 << Changes() << READ(featureAperture()) << 1.0;
    QTest::newRow("0x2009 no live view") << 0x2009 << Changes() << READ(featureLiveView()) << 0.0;
    QTest::newRow("0x2009 no automatic bracketing")
        << 0x2009 << Changes() << READ(featureBracketingAutomatic(true)) << 0.0;
    QTest::newRow("0x2021 no key lock") << 0x2021 << Changes() << READ(featureKeyLock()) << 0.0;
    QTest::newRow("0x2021 power save") << 0x2021 << Changes() << READ(featurePowerSave()) << 1.0;
    QTest::newRow("0x2021 no focus mode") << 0x2021 << Changes() << READ(featureFocusMode()) << 0.0;
    QTest::newRow("0x2021 no aperture") << 0x2021 << Changes() << READ(featureAperture()) << 0.0;
    QTest::newRow("0x2021 video resolution") << 0x2021 << Changes() << READ(featureVideoResAndFrRate()) << 1.0;
    QTest::newRow("0x2021 white balance") << 0x2021 << Changes() << READ(featureWhiteBalance()) << 1.0;
    QTest::newRow("0x2051 fixed white balance") << 0x2051 << Changes() << READ(featureWhiteBalance()) << 0.0;
    QTest::newRow("0x2051 no JPG colour space") << 0x2051 << Changes() << READ(featureJpgColorSpace()) << 0.0;
    QTest::newRow("0x2051 warnings") << 0x2051 << Changes() << READ(featureWarnings()) << 1.0;
}

void tst_settingsbystruct::answersFromTheCameraRecord()
{
    QFETCH(int, product);
    QFETCH(Changes, changes);
    QFETCH(Getter, getter);
    QFETCH(double, expected);
    Session session(product);
    QVERIFY(session.opened);
    QVERIFY(session.apply(changes));
    session.settings->recvFromCamera(nullptr);
    QCOMPARE(getter(*session.settings), expected);
}

void tst_settingsbystruct::settersReachTheCameraAndLeaveTheRestAlone_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<Action>("action");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("width");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("drive mode") << 0x2009 << DO(setDriveMode(1)) << 1 << 1 << qint64(1);
    QTest::newRow("focus mode") << 0x2009 << DO(setFocusMode(1)) << 2 << 1 << qint64(1);
    QTest::newRow("metering") << 0x2009 << DO(setExposureMeteringMode(0)) << 3 << 1 << qint64(0);
    QTest::newRow("compensation +1 EV") << 0x2009 << DO(setExposureCompensation(1000)) << 4 << 1 << qint64(8);
    QTest::newRow("compensation -3.5 EV clamped") << 0x2009 << DO(setExposureCompensation(-3500)) << 4 << 1
                                                  << qint64(0);
    QTest::newRow("compensation +0.25 EV rounds up") << 0x2009 << DO(setExposureCompensation(250)) << 4 << 1
                                                     << qint64(7);
    QTest::newRow("five images") << 0x2009 << DO(setBracketingImageNumbers(5)) << 5 << 1 << qint64(2);
    QTest::newRow("bracketing on") << 0x2011 << DO(setBracketingEnabled(true)) << 5 << 1 << qint64(1);
    QTest::newRow("bracketing 3 EV") << 0x2009 << DO(setBracketingDeltaEV(3000)) << 6 << 1 << qint64(3);
    QTest::newRow("mirror up") << 0x2009 << DO(setMirrorUpMode(1)) << 9 << 1 << qint64(1);
    QTest::newRow("ISO 1600 is index 6") << 0x2011 << DO(setSensitivity(1600)) << 10 << 1 << qint64(6);
    QTest::newRow("key lock") << 0x2009 << DO(setKeyLock(true)) << 14 << 1 << qint64(0x03);
    QTest::newRow("DNG compression off") << 0x2009 << DO(setDngCompression(false)) << 14 << 1 << qint64(0x00);
    QTest::newRow("flash X symbol") << 0x2009 << DO(setFlashXSymbol(true)) << 14 << 1 << qint64(0x06);
    QTest::newRow("file format") << 0x2009 << DO(setFileFormat(3)) << 15 << 1 << qint64(3);
    QTest::newRow("white balance") << 0x2009 << DO(setWhiteBalance(4)) << 18 << 1 << qint64(4);
    QTest::newRow("colour temperature") << 0x2009 << DO(setWhiteBalanceColorTemp(40)) << 19 << 1 << qint64(40);
    QTest::newRow("JPG colour space") << 0x2009 << DO(setJpgColorSpace(1)) << 20 << 1 << qint64(1);
    QTest::newRow("storage type") << 0x2009 << DO(setStorageType(2)) << 26 << 1 << qint64(2);
    QTest::newRow("auto power off") << 0x2009 << DO(setAutoPowerOff(3)) << 47 << 1 << qint64(3);
    QTest::newRow("lock AE/AF") << 0x2009 << DO(setLockAEAF(1)) << 60 << 1 << qint64(1);
    QTest::newRow("JPG resolution") << 0x2011 << DO(setJpgResolution(2)) << 61 << 1 << qint64(2);
    QTest::newRow("language") << 0x2009 << DO(setLanguage(3)) << 64 << 1 << qint64(3);
    QTest::newRow("exposure mode") << 0x2009 << DO(setExposureMode(2)) << 71 << 1 << qint64(2);
    QTest::newRow("aperture f/8") << 0x2009 << DO(setAperture(8.0)) << 72 << 2 << qint64(0x0600);
    QTest::newRow("shutter 1/250 s") << 0x2009 << DO(setShutterTime(1.0 / 250)) << 74 << 2 << qint64(2048);
    QTest::newRow("shutter 16 s") << 0x2011 << DO(setShutterTime(16.0)) << 74 << 2 << qint64(quint16(-1024));
    QTest::newRow("Cora compensation -333") << 0x2021 << DO(setExposureCompensation(-333)) << 4 << 1 << qint64(8);
    QTest::newRow("Cora compensation +500 rounds up") << 0x2021 << DO(setExposureCompensation(500)) << 4 << 1
                                                      << qint64(11);
    QTest::newRow("Cora video raw 17") << 0x2021 << DO(setVideoResAndFrRate(17)) << 2 << 1 << qint64(4);
    QTest::newRow("Cora ISO 400") << 0x2021 << DO(setSensitivity(400)) << 69 << 2 << qint64(400);
    QTest::newRow("Cora ISO 25000") << 0x2051 << DO(setSensitivity(25000)) << 69 << 2 << qint64(25000);
    QTest::newRow("Cora aperture priority") << 0x2021 << DO(setExposureMode(2)) << 71 << 1 << qint64(1);
    QTest::newRow("Cora bulb") << 0x2021 << DO(setExposureMode(4)) << 71 << 1 << qint64(3);
    QTest::newRow("Cora DNG compression off") << 0x2021 << DO(setDngCompression(false)) << 14 << 1 << qint64(0);
    QTest::newRow("Cora file format") << 0x2051 << DO(setFileFormat(3)) << 15 << 1 << qint64(3);
    QTest::newRow("Cora five images") << 0x2051 << DO(setBracketingImageNumbers(5)) << 5 << 1 << qint64(2);
    QTest::newRow("Cora shutter 1/250 s") << 0x2021 << DO(setShutterTime(1.0 / 250)) << 74 << 2 << qint64(2048);
}

void tst_settingsbystruct::settersReachTheCameraAndLeaveTheRestAlone()
{
    QFETCH(int, product);
    QFETCH(Action, action);
    QFETCH(int, offset);
    QFETCH(int, width);
    QFETCH(qint64, expected);
    Session session(product);
    QVERIFY(session.opened);
    const QByteArray before = session.record()->record();
    QCOMPARE(session.settings->record(), before);
    QVERIFY(valueAt(before, offset, width) != expected);

    action(*session.settings);
    QVERIFY(session.settings->isChanged());
    // Nothing travels before the send.
    QVERIFY(session.record()->lastWrittenRecord().isEmpty());
    session.settings->sendToCamera();
    QVERIFY(!session.settings->isChanged());

    const QByteArray written = session.record()->lastWrittenRecord();
    QCOMPARE(written.size(), Struct::kRecordSize);
    QCOMPARE(valueAt(written, offset, width), expected);
    QCOMPARE(without(written, offset, width), without(before, offset, width));
    QCOMPARE(valueAt(session.record()->record(), offset, width), expected);
}

void tst_settingsbystruct::settersThatChangeNothing_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("logLine");
    const QString s = classOf(0x2009);
    const QString c = classOf(0x2021);
    QTest::newRow("contrast") << 0x2009 << DO(setContrast(2))
                              << s + "::setContrast() - functionality is not available in struct mode";
    QTest::newRow("video format with its trailing blank")
        << 0x2009 << DO(setVideoFormatResol(2))
        << s + "::setVideoFormatResol() - functionality is not available in struct mode ";
    QTest::newRow("interval frames") << 0x2011 << DO(setIntervalFrames(5))
                                     << s + "::setIntervalFrames() - functionality is not available in camera, but "
                                            "only externally";
    QTest::newRow("Cora focus mode") << 0x2021 << DO(setFocusMode(1))
                                     << c + "::setFocusMode() - functionality is not available in struct mode Cora";
    QTest::newRow("Cora key lock") << 0x2021 << DO(setKeyLock(true))
                                   << c + "::setKeyLock() - functionality is not available in struct mode Cora";
    QTest::newRow("Cora aperture") << 0x2051 << DO(setAperture(8.0))
                                   << c + "::setAperture() - functionality is not available in struct mode Cora";
    QTest::newRow("Cora video format without blank")
        << 0x2021 << DO(setVideoFormatResol(2))
        << c + "::setVideoFormatResol() - functionality is not available in struct mode Cora";
    QTest::newRow("Cora interval time, inherited")
        << 0x2021 << DO(setIntervalTime(5))
        << c + "::setIntervalTime() - functionality is not available in camera, but only externally";
    QTest::newRow("Cora shutter priority is manual") << 0x2021 << DO(setExposureMode(1)) << QString();
    QTest::newRow("Cora program is manual") << 0x2021 << DO(setExposureMode(3)) << QString();
    QTest::newRow("same drive mode") << 0x2009 << DO(setDriveMode(0)) << QString();
    QTest::newRow("unknown delta is 1 EV as before") << 0x2009 << DO(setBracketingDeltaEV(700)) << QString();
    QTest::newRow("bracketing already off") << 0x2009 << DO(setBracketingEnabled(false)) << QString();
}

void tst_settingsbystruct::settersThatChangeNothing()
{
    QFETCH(int, product);
    QFETCH(Action, action);
    QFETCH(QString, logLine);
    Session session(product);
    QVERIFY(session.opened);
    const QByteArray before = session.settings->record();
    TVK_Test_LogCapture log;
    action(*session.settings);
    QVERIFY(!session.settings->isChanged());
    QCOMPARE(session.settings->record(), before);
    QCOMPARE(log.lines(), logLine.isEmpty() ? QStringList() : QStringList{logLine});
}

void tst_settingsbystruct::keyLockKeepsTheOtherFlagBits()
{
    Session session(0x2009);
    QVERIFY(session.opened);
    QVERIFY(session.apply({{EmulatedRecord::kLEFlagBits, 0x06}}));
    session.settings->recvFromCamera(nullptr);
    session.settings->setKeyLock(true);
    QVERIFY(session.settings->isChanged());
    QCOMPARE(valueAt(session.settings->record(), 14, 1), qint64(0x07));
    session.settings->sendToCamera();
    session.settings->setKeyLock(true);
    QVERIFY(!session.settings->isChanged());
}

void tst_settingsbystruct::bracketingRemembersFiveImages_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<bool>("fromCamera");
    QTest::newRow("0x2009 chosen by the user") << 0x2009 << false;
    QTest::newRow("0x2009 seen from the camera") << 0x2009 << true;
    QTest::newRow("0x2021 chosen by the user") << 0x2021 << false;
    QTest::newRow("0x2021 seen from the camera") << 0x2021 << true;
}

void tst_settingsbystruct::bracketingRemembersFiveImages()
{
    QFETCH(int, product);
    QFETCH(bool, fromCamera);
    Session session(product);
    QVERIFY(session.opened);
    Struct &settings = *session.settings;
    QVERIFY(!settings.bracketingEnabled());
    if (fromCamera) {
        QVERIFY(session.apply({{EmulatedRecord::kLEBracketing, 2}}));
        settings.recvFromCamera(nullptr);
        QVERIFY(session.apply({{EmulatedRecord::kLEBracketing, 0}}));
        settings.recvFromCamera(nullptr);
    } else {
        settings.setBracketingImageNumbers(5);
        QVERIFY(settings.bracketingEnabled());
        QCOMPARE(settings.bracketingImageNumbers(), 5);
        settings.setBracketingEnabled(false);
    }
    QVERIFY(!settings.bracketingEnabled());
    settings.setBracketingEnabled(true);
    QCOMPARE(settings.bracketingImageNumbers(), 5);
    settings.sendToCamera();
    QCOMPARE(session.record()->field(EmulatedRecord::kLEBracketing), qint64(2));
}

void tst_settingsbystruct::changeFlagsAfterACameraSideChange_data()
{
    using R = EmulatedRecord;
    using S = TVK_Logic_CameraSettingsBase;
    QTest::addColumn<int>("product");
    QTest::addColumn<Changes>("setup");
    QTest::addColumn<Changes>("changes");
    QTest::addColumn<QVector<int>>("expected");
    const Changes none;
    QTest::newRow("nothing changed") << 0x2009 << none << none << QVector<int>();
    QTest::newRow("drive mode") << 0x2009 << none << Changes{{R::kLEDriveMode, 1}} << QVector<int>{S::kLEDriveMode};
    QTest::newRow("focus mode") << 0x2009 << none << Changes{{R::kLEFocusMode, 1}} << QVector<int>{S::kLEFocusMode};
    QTest::newRow("bracketing switched on")
        << 0x2009 << none << Changes{{R::kLEBracketing, 1}}
        << QVector<int>{S::kLEBracketingEnabled, S::kLEBracketingFrames};
    QTest::newRow("three to five images") << 0x2009 << Changes{{R::kLEBracketing, 1}}
                                          << Changes{{R::kLEBracketing, 2}}
                                          << QVector<int>{S::kLEBracketingFrames};
    QTest::newRow("shutter mode is the power switch")
        << 0x2009 << none << Changes{{R::kLEShutterMode, 0}} << QVector<int>{S::kLEPowerSwitch};
    QTest::newRow("sensitivity index") << 0x2009 << none << Changes{{R::kLESensitivityIndex, 3}}
                                       << QVector<int>{S::kLESensitivity};
    QTest::newRow("key lock bit") << 0x2009 << none << Changes{{R::kLEFlagBits, 0x03}} << QVector<int>{S::kLEKeyLock};
    QTest::newRow("all three flag bits")
        << 0x2009 << none << Changes{{R::kLEFlagBits, 0x05}}
        << QVector<int>{S::kLEKeyLock, S::kLEDngCompression, S::kLEFlashSyncStatus};
    QTest::newRow("longest shutter") << 0x2009 << none << Changes{{R::kLEMaxShutterTime, -1536}}
                                     << QVector<int>{S::kLEExposureTimeMax};
    QTest::newRow("colour temperature and colour space")
        << 0x2009 << none << Changes{{R::kLEColourTemperature, 20}, {R::kLEJpgColourSpace, 1}}
        << QVector<int>{S::kLEWhiteBalanceColorTemp, S::kLEColorManagement};
    QTest::newRow("storage type and auto power off")
        << 0x2009 << none << Changes{{R::kLEStorageType, 2}, {R::kLEAutoPowerOff, 3}}
        << QVector<int>{S::kLEExternalShooting, S::kLEAutoPowerOff};
    QTest::newRow("JPG resolution and language") << 0x2011 << none
                                                 << Changes{{R::kLEJpgResolution, 1}, {R::kLELanguage, 2}}
                                                 << QVector<int>{S::kLEPhotoResolutionJPG, S::kLELanguage};
    QTest::newRow("battery source") << 0x2009 << none << Changes{{R::kLEBatterySource, 0}}
                                    << QVector<int>{S::kLEBatteryInfo};
    QTest::newRow("internal battery drains") << 0x2009 << none << Changes{{R::kLEBatteryInternal, 0x10}}
                                             << QVector<int>{S::kLEBatteryInfo, S::kLEBatteryLevelIntern};
    QTest::newRow("battery grip attached") << 0x2009 << none << Changes{{R::kLEBatteryExternal, 0x40}}
                                           << QVector<int>{S::kLEBatteryInfo, S::kLEBatteryLevelExtern};
    QTest::newRow("warning comes up") << 0x2009 << none << Changes{{R::kLEWarnings, 3}}
                                      << QVector<int>{S::kLEWarnings};
    QTest::newRow("warning goes away") << 0x2009 << Changes{{R::kLEWarnings, 3}} << Changes{{R::kLEWarnings, 0}}
                                       << QVector<int>();
    QTest::newRow("exposure, aperture, shutter")
        << 0x2009 << none << Changes{{R::kLEExposureMode, 4}, {R::kLEAperture, 0x0600}, {R::kLEShutterTime, 2048}}
        << QVector<int>{S::kLEExposureProgram, S::kLEAperture, S::kLEExposureTime};
    QTest::newRow("focus distance and confirmation")
        << 0x2009 << none << Changes{{R::kLEFocusDistance, 5000}, {R::kLEFocusConfirmation, 0}}
        << QVector<int>{S::kLEFocusDistance, S::kLEFocusConfirmValue};
    QTest::newRow("light balance and flash status")
        << 0x2009 << none << Changes{{R::kLELightBalance, -2}, {R::kLEFlashStatus, 1}}
        << QVector<int>{S::kLEFlashStatus, S::kLELightmeter};
    QTest::newRow("fields without a flag")
        << 0x2009 << none
        << Changes{{R::kLEUsbSpeed, 1},      {R::kLERamBufferFree, 3},     {R::kLESensorTemperature, 50},
                   {R::kLELockAEAF, 1},      {R::kLEIsoValue, 640},        {R::kLEFlashCompensation, 7},
                   {R::kLEFeatureBits, 0x01}}
        << QVector<int>();

    QTest::newRow("Cora video resolution") << 0x2021 << none << Changes{{R::kLEVideoResolution, 2}}
                                           << QVector<int>{S::kLEVideoResAndFrRate};
    QTest::newRow("Cora compensation") << 0x2021 << none << Changes{{R::kLEExposureCompensation, 12}}
                                       << QVector<int>{S::kLEExposureCompensation};
    QTest::newRow("Cora only the DNG bit") << 0x2021 << none << Changes{{R::kLEFlagBits, 0x07}}
                                           << QVector<int>();
    QTest::newRow("Cora DNG compression off") << 0x2021 << none << Changes{{R::kLEFlagBits, 0x00}}
                                              << QVector<int>{S::kLEDngCompression};
    QTest::newRow("Cora light meter") << 0x2021 << none << Changes{{R::kLELightMeter, 0x0100}}
                                      << QVector<int>{S::kLELightmeter};
    QTest::newRow("Cora battery source") << 0x2021 << none << Changes{{R::kLEBatterySource, 1}}
                                         << QVector<int>{S::kLEBatteryInfo};
    QTest::newRow("Cora internal battery") << 0x2021 << none << Changes{{R::kLEBatteryInternal, 0x10}}
                                           << QVector<int>{S::kLEBatteryInfo, S::kLEBatteryLevelIntern};
    QTest::newRow("Cora sensitivity") << 0x2021 << none << Changes{{R::kLEIsoValue, 400}}
                                      << QVector<int>{S::kLESensitivity};
    QTest::newRow("Cora exposure mode and shutter")
        << 0x2021 << none << Changes{{R::kLEExposureMode, 3}, {R::kLEShutterTime, 0}}
        << QVector<int>{S::kLEExposureProgram, S::kLEExposureTime};
    QTest::newRow("Cora bracketing") << 0x2051 << none << Changes{{R::kLEBracketing, 2}}
                                     << QVector<int>{S::kLEBracketingEnabled, S::kLEBracketingFrames};
    QTest::newRow("Cora warning bit 0") << 0x2021 << none << Changes{{R::kLEWarnings, 0x01}}
                                        << QVector<int>{S::kLEWarnings};
    QTest::newRow("Cora another warning bit") << 0x2021 << Changes{{R::kLEWarnings, 0x01}}
                                              << Changes{{R::kLEWarnings, 0x03}} << QVector<int>{S::kLEWarnings};
    QTest::newRow("Cora a warning bit goes") << 0x2021 << Changes{{R::kLEWarnings, 0x03}}
                                             << Changes{{R::kLEWarnings, 0x01}} << QVector<int>();
    QTest::newRow("Cora bits 6 and 7 are no warnings") << 0x2021 << none << Changes{{R::kLEWarnings, 0xC0}}
                                                       << QVector<int>();
    QTest::newRow("Cora bulb and self timer without self timer")
        << 0x2021 << none << Changes{{R::kLEWarnings, 0x10}} << QVector<int>();
    QTest::newRow("Cora bulb and self timer in self timer 2 s")
        << 0x2021 << Changes{{R::kLEDriveMode, 2}} << Changes{{R::kLEWarnings, 0x10}}
        << QVector<int>{S::kLEWarnings};
    QTest::newRow("Cora bulb and self timer with the self timer 12 s chosen")
        << 0x2021 << none << Changes{{R::kLEDriveMode, 3}, {R::kLEWarnings, 0x10}}
        << QVector<int>{S::kLEDriveMode, S::kLEWarnings};
    QTest::newRow("Cora fields without a flag")
        << 0x2021 << none
        << Changes{{R::kLERamBufferFree, 3}, {R::kLEFocusConfirmation, 1}, {R::kLEFlashCompensation, 7}}
        << QVector<int>();
}

void tst_settingsbystruct::changeFlagsAfterACameraSideChange()
{
    QFETCH(int, product);
    QFETCH(Changes, setup);
    QFETCH(Changes, changes);
    QFETCH(QVector<int>, expected);
    Session session(product);
    QVERIFY(session.opened);
    QVERIFY(session.apply(setup));
    session.settings->recvFromCamera(nullptr);
    QVERIFY(session.apply(changes));
    Flags flags{};
    session.settings->recvFromCamera(&flags);
    QCOMPARE(raised(flags), expected);
}

void tst_settingsbystruct::failedReadClearsTheRecord_data()
{
    using S = TVK_Logic_CameraSettingsBase;
    QTest::addColumn<int>("product");
    QTest::addColumn<QVector<int>>("expected");
    QTest::addColumn<int>("batteryInfo");
    QTest::newRow("first layout") << 0x2009
                                  << QVector<int>{S::kLEBatteryInfo,
                                                  S::kLEBatteryLevelIntern,
                                                  S::kLEBatteryLevelExtern,
                                                  S::kLEDriveMode,
                                                  S::kLEBracketingEnabled,
                                                  S::kLEBracketingFrames,
                                                  S::kLESensitivity,
                                                  S::kLEKeyLock,
                                                  S::kLEDngCompression,
                                                  S::kLEFlashSyncStatus,
                                                  S::kLELightmeter,
                                                  S::kLEExposureTime}
                                  << 3; // battery source 0: no information
    QTest::newRow("Cora") << 0x2051
                          << QVector<int>{S::kLEBatteryInfo,   S::kLEBatteryLevelIntern, S::kLEDriveMode,
                                          S::kLEBracketingEnabled, S::kLEBracketingFrames, S::kLESensitivity,
                                          S::kLEDngCompression, S::kLELightmeter,     S::kLEExposureTime}
                          << 1; // source byte 0 means information present, and level 0 is a battery
}

void tst_settingsbystruct::failedReadClearsTheRecord()
{
    QFETCH(int, product);
    QFETCH(QVector<int>, expected);
    QFETCH(int, batteryInfo);
    // Fields that both layouts read differently, and bytes neither interprets.
    QByteArray bytes(Struct::kRecordSize, '\0');
    bytes[1] = char(1);     // drive mode
    bytes[5] = char(2);     // bracketing
    bytes[10] = char(2);    // sensitivity index, first layout
    bytes[14] = char(0x07); // flag bits
    bytes[27] = char(0x80); // light meter, Cora
    bytes[30] = char(0x55);
    bytes[65] = char(1);    // battery source
    bytes[66] = char(0x40); // internal battery
    bytes[67] = char(0xFF); // external battery, first layout
    bytes[68] = char(3);    // warnings: going away raises nothing
    bytes[69] = char(200); // ISO 200, the Cora sensitivity (little-endian)
    bytes[75] = char(0x07); // shutter time 1792 = 0x0700 (little-endian)
    bytes[81] = char(0xFF); // light balance, first layout
    bytes[98] = char(0xFF); // feature bits

    TVK_Test_RecordingAccess access(product);
    access.answerNext(TVK_Commu_Ptp::kOpGetCameraSettings, bytes);
    std::unique_ptr<Struct> settings = makeSettings(product, &access);
    QCOMPARE(settings->record(), bytes);

    TVK_Test_LogCapture log;
    access.answerNext(TVK_Commu_Ptp::kOpGetCameraSettings, bytes, false);
    Flags flags{};
    settings->recvFromCamera(&flags);
    QCOMPARE(raised(flags), expected);
    QCOMPARE(settings->record(), QByteArray(Struct::kRecordSize, '\0'));
    QCOMPARE(settings->driveMode(), 0);
    QVERIFY(!settings->bracketingEnabled());
    QCOMPARE(settings->batteryInfo(), batteryInfo);
    QVERIFY(log.contains(classOf(product) + "::recvFromCamera() - camera settings not received, all settings cleared"));
}

void tst_settingsbystruct::failedWriteIsSentAgainOnTheNextEqualRequest_data()
{
    QTest::addColumn<int>("product");
    QTest::newRow("struct") << 0x2009;
    QTest::newRow("Cora") << 0x2021;
}

void tst_settingsbystruct::failedWriteIsSentAgainOnTheNextEqualRequest()
{
    QFETCH(int, product);
    QByteArray bytes(Struct::kRecordSize, '\0');
    bytes[30] = char(0x55); // a byte nobody interprets
    TVK_Test_RecordingAccess access(product);
    access.answerNext(TVK_Commu_Ptp::kOpGetCameraSettings, bytes);
    std::unique_ptr<Struct> settings = makeSettings(product, &access);
    access.clear();

    TVK_Test_LogCapture log;
    access.answerNext(TVK_Commu_Ptp::kOpSetCameraSettings, QByteArray(), false);
    settings->setDriveMode(3);
    settings->sendToCameraIfChanged();
    QCOMPARE(access.transactions().size(), 1);
    // The copy is the camera's again: the same request changes it once more.
    QCOMPARE(settings->record(), bytes);
    QCOMPARE(settings->driveMode(), 0);
    QVERIFY(!log.matching(classOf(product) + "::sendToCamera() - writing the camera settings failed").isEmpty());
    settings->setDriveMode(3);
    QVERIFY(settings->isChanged());
    settings->sendToCameraIfChanged();
    QCOMPARE(access.transactions().size(), 2);
    QCOMPARE(int(access.last().sentData.at(1)), 3);
    QCOMPARE(access.last().sentData.at(30), char(0x55));
    // Once written, an equal request sends nothing.
    settings->setDriveMode(3);
    settings->sendToCameraIfChanged();
    QCOMPARE(access.transactions().size(), 2);
}

void tst_settingsbystruct::shortOrLongRecordIsCutToSize_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<int>("answered");
    QTest::newRow("nothing") << 0x2009 << 0;
    QTest::newRow("one byte") << 0x2009 << 1;
    QTest::newRow("half a record") << 0x2011 << 50;
    QTest::newRow("one byte short") << 0x2009 << 99;
    QTest::newRow("longer than a record") << 0x2009 << 150;
    QTest::newRow("Cora half a record") << 0x2021 << 50;
}

void tst_settingsbystruct::shortOrLongRecordIsCutToSize()
{
    QFETCH(int, product);
    QFETCH(int, answered);
    QByteArray bytes(answered, '\0');
    for (int i = 0; i < answered; ++i)
        bytes[i] = char(0xA0 | (i & 0x0F));

    TVK_Test_RecordingAccess access(product);
    access.answerAlways(TVK_Commu_Ptp::kOpGetCameraSettings, bytes);
    std::unique_ptr<Struct> settings = makeSettings(product, &access);
    // One read at construction, always with a buffer of the whole record.
    QCOMPARE(access.transactions().size(), 1);
    QCOMPARE(access.last().size, unsigned(Struct::kRecordSize));

    const QByteArray expected = bytes.left(Struct::kRecordSize).leftJustified(Struct::kRecordSize, '\0');
    QCOMPARE(settings->record(), expected);
    // Fields decode from what is there; the missing part reads as zero.
    QCOMPARE(settings->driveMode(), answered > 1 ? 0xA1 : 0);
    if (answered <= 74)
        QCOMPARE(settings->shutterTime(), 1.0); // code 0

    // What was not interpreted goes back as it came.
    settings->setDriveMode(4);
    settings->sendToCamera();
    const QByteArray sent = access.last().sentData;
    QCOMPARE(sent.size(), Struct::kRecordSize);
    QCOMPARE(without(sent, 1, 1), without(expected, 1, 1));
}

void tst_settingsbystruct::singlePropertyChangeOnlyLogs_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("logLine");
    QTest::newRow("0x2009 shutter time") << 0x2009 << 0xD60C
                                         << classOf(0x2009) + "::recvFromCamera() - ignore changed device property "
                                                              "0xD60C";
    QTest::newRow("0x2051 narrow code padded") << 0x2051 << 0x500
                                               << classOf(0x2051) + "::recvFromCamera() - ignore changed device "
                                                                    "property 0x 500";
}

void tst_settingsbystruct::singlePropertyChangeOnlyLogs()
{
    QFETCH(int, product);
    QFETCH(int, code);
    QFETCH(QString, logLine);
    TVK_Test_RecordingAccess access(product);
    std::unique_ptr<Struct> settings = makeSettings(product, &access);
    access.clear();
    TVK_Test_LogCapture log;
    Flags flags{};
    flags[5] = true; // the caller's, and left as it is
    settings->recvFromCamera(quint16(code), &flags);
    QCOMPARE(raised(flags), QVector<int>{5});
    QVERIFY(access.transactions().isEmpty());
    QCOMPARE(log.lines(), QStringList{logLine});
}

void tst_settingsbystruct::sensitivityFollowsTheProductsTable_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<int>("iso");
    QTest::addColumn<int>("index");
    QTest::newRow("0x2011 ISO 1600") << 0x2011 << 1600 << 6;
    QTest::newRow("0x2011 ISO 125 is not in the table") << 0x2011 << 125 << 0;
    QTest::newRow("0x2011 ISO 50") << 0x2011 << 50 << 1;
    QTest::newRow("0x2009 ISO 1250") << 0x2009 << 1250 << 5;
    QTest::newRow("0x2009 ISO 1600 is not in the table") << 0x2009 << 1600 << 0;
    QTest::newRow("unknown product") << 0x2041 << 1600 << 0;
}

void tst_settingsbystruct::sensitivityFollowsTheProductsTable()
{
    QFETCH(int, product);
    QFETCH(int, iso);
    QFETCH(int, index);
    TVK_Test_RecordingAccess access(product);
    Struct settings(&access, nullptr);
    TVK_Test_LogCapture log;
    QCOMPARE(settings.sensitivityToIndex(iso), index);
    if (index != 0)
        QCOMPARE(settings.sensitivityFromIndex(index), iso);
    QCOMPARE(settings.sensitivityFromIndex(7), 0); // beyond both tables
    const bool known = product == 0x2009 || product == 0x2011;
    QCOMPARE(log.contains(QStringLiteral("TVK_Logic_CameraSettingsByStruct::sensitivityToIndex() - unknown "
                                         "ProductId 0x%1")
                              .arg(product, 0, 16)),
             !known);
}

void tst_settingsbystruct::missingFunctionsLogAndAnswerDefaults_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<Getter>("getter");
    QTest::addColumn<double>("expected");
    QTest::addColumn<QString>("logLine");
    const QString s = classOf(0x2009);
    const QString c = classOf(0x2021);
    QTest::newRow("autoreview") << 0x2009 << READ(autoreviewDuration()) << 5.0
                                << s + "::autoreviewDuration() - functionality is not available in struct mode, "
                                       "returning default";
    QTest::newRow("video resolution") << 0x2011 << READ(videoResAndFrRate()) << 8.0
                                      << s + "::videoResAndFrRate() - functionality is not available in struct "
                                             "mode, returning default";
    QTest::newRow("self timer") << 0x2009 << READ(selfTimerRestTime()) << -1.0
                                << s + "::selfTimerRestTime() - functionality is not available";
    QTest::newRow("interval") << 0x2009 << READ(intervalFrames()) << 0.0
                              << s + "::intervalFrames() - functionality is not available in camera, but only "
                                     "externally";
    QTest::newRow("Cora contrast, inherited") << 0x2021 << READ(contrast()) << 1.0
                                              << c + "::contrast() - functionality is not available in struct "
                                                     "mode, returning default";
    QTest::newRow("Cora lock AE/AF") << 0x2021 << READ(lockAEAF()) << 0.0
                                     << c + "::lockAEAF() - functionality is not available in struct mode Cora, "
                                            "returning default";
    QTest::newRow("Cora aperture") << 0x2051 << READ(aperture()) << 0.0
                                   << c + "::aperture() - functionality is not available";
    QTest::newRow("Cora bulb time, inherited") << 0x2051 << READ(bulbModeTime()) << -1.0
                                               << c + "::bulbModeTime() - functionality is not available";
    QTest::newRow("step size") << 0x2009 << READ(exposCompensStepSize()) << 500.0 << QString();
    QTest::newRow("automatic bracketing") << 0x2009 << READ(bracketingAutomatic()) << 1.0 << QString();
    QTest::newRow("focus confirmation enabled") << 0x2009 << READ(focusConfirmEnabled()) << 1.0 << QString();
    QTest::newRow("Cora bad focus signal") << 0x2021 << READ(focusConfirmBadSignal()) << 1.0 << QString();
    QTest::newRow("Cora shutter mode") << 0x2021 << READ(shutterMode()) << 1.0 << QString();
}

void tst_settingsbystruct::missingFunctionsLogAndAnswerDefaults()
{
    QFETCH(int, product);
    QFETCH(Getter, getter);
    QFETCH(double, expected);
    QFETCH(QString, logLine);
    TVK_Test_RecordingAccess access(product);
    std::unique_ptr<Struct> settings = makeSettings(product, &access);
    TVK_Test_LogCapture log;
    QCOMPARE(getter(*settings), expected);
    QCOMPARE(log.lines(), logLine.isEmpty() ? QStringList() : QStringList{logLine});
}

void tst_settingsbystruct::dumpsNameTheirClassAndCaller_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<QString>("shutterLine");
    QTest::addColumn<QString>("focusModeAnswer");
    QTest::newRow("first layout") << 0x2009 << "= 0x0700 = 1792 (1/125.000s)" << "Yes";
    QTest::newRow("Cora") << 0x2021 << "= 0x0600 = 1536 (1/60.000s)" << "No";
}

void tst_settingsbystruct::dumpsNameTheirClassAndCaller()
{
    QFETCH(int, product);
    QFETCH(QString, shutterLine);
    QFETCH(QString, focusModeAnswer);
    const QString name = classOf(product);
    const QString dump = name + "::dump() - ";
    TVK_Test_LogCapture log; // with the settings dumps on
    Session session(product);
    QVERIFY(session.opened);
    session.settings->sendToCamera();

    const QStringList lines = log.lines();
    QVERIFY(lines.contains(name + "::dump() for " + name + "::recvFromCamera"));
    QVERIFY(lines.contains(name + "::dump() for " + name + "::sendToCamera"));
    // 100 bytes at 16 a line, twice.
    QCOMPARE(lines.filter(QStringLiteral("cameraSettings[")).size(), 14);
    QVERIFY(lines.contains(dump + QStringLiteral("driveMode").leftJustified(24) + " = 0"));
    QVERIFY(lines.contains(dump + "maxShutterTime           = 0xF900 = -1792 (125.000s)"));
    QVERIFY(lines.contains(dump + "shutterTime              " + shutterLine));
    // The feature labels are padded to 29 characters.
    QVERIFY(lines.contains(dump + QStringLiteral("featureFocusMode").leftJustified(24) + " = " + focusModeAnswer));
    // Only the first layout has an aperture and a focus mode to show.
    QCOMPARE(lines.contains(dump + "aperture                 = 0x0500 = 1280 (5.600)"), !isCoraProduct(product));
    QCOMPARE(lines.filter(dump + "focusMode ").size(), isCoraProduct(product) ? 0 : 2);
    // A dump asks nothing the layout does not have.
    QVERIFY(lines.filter(QStringLiteral("functionality is not available")).isEmpty());
}

QTEST_GUILESS_MAIN(tst_settingsbystruct)
#include "tst_settingsbystruct.moc"
