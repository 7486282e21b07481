#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_Logic_APEXConverterShutterTime.h"
#include "TVK_Logic_CameraSettingsByDevProps.h"
#include "TVK_Logic_DeviceInfo.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_OpenedCamera.h"
#include "TVK_Test_TracingAccess.h"

#include <QSet>
#include <QSignalSpy>
#include <QtEndian>
#include <QtTest>

#include <functional>
#include <memory>

using Settings = TVK_Logic_CameraSettingsByDevProps;
using Flags = TVK_Logic_CameraSettingsBase::ChangedFlags;
using Camera = TVK_Emulator_Camera;
using CodeList = QVector<int>;
using FlagSet = QVector<int>;

Q_DECLARE_METATYPE(std::function<void(Settings &)>)
Q_DECLARE_METATYPE(std::function<int(Settings &)>)
Q_DECLARE_METATYPE(QVector<int>)

namespace {

using TracingAccess = TVK_Test_TracingAccess;

// A connected emulated camera of one product, its properties traced. prepare
// runs on the camera before the strategy's first refresh.
struct Rig : TVK_Test_OpenedCamera {
    explicit Rig(int product, const Prepare &prepare = {})
        : TVK_Test_OpenedCamera(product, prepare, [](std::shared_ptr<Camera> body) { return new TracingAccess(body); })
        , access(accessAs<TracingAccess>())
    {
        access->initCapabilityFlags();
        info = std::make_unique<TVK_Logic_DeviceInfo>(access);
        access->reads.clear();
        settings = std::make_unique<Settings>(access, info.get());
    }

    TVK_Emulator_PropertyStore *store() const { return camera->properties(); }
    void clearTrace()
    {
        access->reads.clear();
        access->writes.clear();
    }

    TracingAccess *const access;
    std::unique_ptr<TVK_Logic_DeviceInfo> info;
    std::unique_ptr<Settings> settings;
};

FlagSet raised(const Flags &flags)
{
    FlagSet set;
    for (int i = 0; i < int(flags.size()); ++i) {
        if (flags[i])
            set.append(i);
    }
    return set;
}

bool inG3(int p) { return p == 0x2041 || p == 0x2044 || p == 0x2047; }
bool inG4(int p) { return inG3(p) || p == 0x2061; }

// The full refresh as the camera's settings are read, written down from the
// order of the settings and what each product has. The focus-confirmation
// value is read only after its two guards; the emulated cameras keep the
// confirmation off, so only the first guard is read again.
CodeList expectedRefresh(int p, bool externalPower, bool listsOrientation)
{
    const bool g3 = inG3(p), g4 = inG4(p), is61 = p == 0x2061;
    CodeList codes = {0xD616, 0x5001};
    if (externalPower)
        codes << 0xD608;
    codes << 0xD625;
    if (!g4)
        codes << 0xD626;
    codes << 0xD627 << 0xD628 << 0xD618 << 0xD619;
    if (!g4)
        codes << 0xD623 << 0xD622; // and 0xD621 only when both allow it
    if (!is61)
        codes << 0xD62B;
    if (g3)
        codes << 0xD04E << 0xD06F; // 0xD080 is never read
    if (is61)
        codes << 0xD079;
    if (listsOrientation)
        codes << 0xD65F;
    codes << 0xD610 << 0x500F << 0x5013 << 0xD000 << 0xD001;
    if (!is61)
        codes << 0x500A;
    codes << 0xD004 << 0x500B << 0x500E << 0x5010;
    if (g3)
        codes << 0xD040;
    if (!g4)
        codes << 0xD005;
    codes << 0xD006 << 0xD007 << 0xD008;
    if (!g4)
        codes << 0xD00A;
    if (g3)
        codes << 0xD050 << 0xD04F;
    codes << 0xD00F;
    if (!g4)
        codes << 0xD125;
    if (g3)
        codes << 0xD082;
    codes << 0x5014 << 0x5015 << 0xD016;
    if (!g3)
        codes << 0xD13B;
    if (!g4)
        codes << 0xD012 << 0xD013 << 0xD121 << 0xD122;
    if (!is61)
        codes << 0xD123;
    codes << 0xD115 << 0x5005 << 0xD014;
    if (!is61)
        codes << 0xD015 << 0xD018;
    if (!g3)
        codes << 0xD01A;
    codes << 0xD024;
    if (!is61)
        codes << 0xD02D;
    if (!g3)
        codes << 0xD036;
    codes << 0xD615 << 0xD60C;
    if (!is61)
        codes << 0xD60E;
    return codes;
}

QString hexList(const CodeList &codes)
{
    QStringList texts;
    for (int code : codes)
        texts << QString::number(code, 16);
    return texts.join(' ');
}

const QList<int> kDevicePropertyProducts = {0x2031, 0x2033, 0x2041, 0x2044, 0x2047, 0x2061};

} // namespace

class tst_settingsbydevprops : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theRowTableIsIndexedByItsIds()
    {
        for (int id = 0; id < Settings::kLERowCount; ++id)
            QCOMPARE(int(Settings::row(Settings::eLERow(id)).id), id);
    }

    // --- Reading -------------------------------------------------------------------

    void fullRefreshReadsTheProductsCodesInOrder_data()
    {
        QTest::addColumn<int>("product");
        QTest::addColumn<bool>("externalPower");
        for (int product : kDevicePropertyProducts)
            QTest::addRow("0x%X", product) << product << false;
        QTest::newRow("0x2031 on external power") << 0x2031 << true;
        QTest::newRow("0x2061 on external power") << 0x2061 << true;
    }
    void fullRefreshReadsTheProductsCodesInOrder()
    {
        QFETCH(int, product);
        QFETCH(bool, externalPower);
        Rig rig(product, [&](Camera &camera) {
            if (externalPower)
                camera.properties()->setValue(0xD616, 2, false);
        });
        QVERIFY(rig.opened);
        const CodeList expected =
            expectedRefresh(product, externalPower, rig.info->isDevicePropSupported(0xD65F));
        QCOMPARE(hexList(rig.access->reads), hexList(expected));
        QVERIFY(rig.access->writes.isEmpty());
    }

    void refreshTakesTheCamerasValues()
    {
        Rig rig(0x2041, [](Camera &camera) {
            camera.properties()->setValue(0x5010, -667, false);
            camera.properties()->setValue(0xD014, 6600, false);
            camera.properties()->setValue(0x5014, 2, false);
            camera.properties()->setValue(0x500F, 400, false);
            camera.properties()->setValue(0xD610, 400, false);
        });
        Settings &s = *rig.settings;
        QCOMPARE(s.exposureCompensation(), -667);
        QCOMPARE(s.whiteBalanceColorTemp(), 6600);
        QCOMPARE(s.contrast(), 2);
        QCOMPARE(s.sensitivity(), 400);
        QVERIFY(!s.sensitivityAuto());
        QCOMPARE(s.batteryLevelIntern(), 80);
        QCOMPARE(s.exposureMode(), 2); // aperture priority
        QCOMPARE(s.fileFormat(), 1);
        QVERIFY(qAbs(s.shutterTime() - 1.0 / 125) < 1e-9);
        QVERIFY(qAbs(s.aperture() - 5.6) < 1e-9);
        TVK_Logic_APEXConverterShutterTime thirds(0x2041);
        thirds.setStepSize(333); // the emulated body's exposure step
        QCOMPARE(s.maxShutterTime(), thirds.secondsFromCode(-3072));
        QVERIFY(s.maxShutterTime() > 64.0); // not the initial code any more
        QCOMPARE(s.electronicShutter(), 1); // the refresh reports it switched on
    }

    // A camera-side change, reported through the event and the access's
    // 100 ms queue, re-reads exactly the reported setting and raises exactly
    // the flags of what changed.
    void changeReportRereadsAndRaisesItsFlags_data()
    {
        QTest::addColumn<int>("product");
        QTest::addColumn<int>("code");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<CodeList>("reads");
        QTest::addColumn<FlagSet>("flags");
        QTest::newRow("shutter time") << 0x2041 << 0xD60C << qint64(2048) << CodeList{0xD60C} << FlagSet{53};
        QTest::newRow("aperture") << 0x2031 << 0xD60E << qint64(1536) << CodeList{0xD60E} << FlagSet{52};
        QTest::newRow("sensitivity in use") << 0x2041 << 0xD610 << qint64(400) << CodeList{0xD610, 0x500F}
                                            << FlagSet{17};
        QTest::newRow("0x2044 drive raw 8 is bracketing")
            << 0x2044 << 0x5013 << qint64(8) << CodeList{0x5013} << FlagSet{7, 12};
        QTest::newRow("0x2031 drive raw 8 is only a drive mode")
            << 0x2031 << 0x5013 << qint64(8) << CodeList{0x5013} << FlagSet{7};
        QTest::newRow("bracketing switch") << 0x2031 << 0xD005 << qint64(1) << CodeList{0xD005} << FlagSet{12};
        QTest::newRow("0x2061 bulb preset 32 s sets the shutter time")
            << 0x2061 << 0xD079 << qint64(32) << CodeList{0xD079} << FlagSet{30, 53};
        QTest::newRow("0x2061 bulb preset of no time") << 0x2061 << 0xD079 << qint64(20) << CodeList{0xD079}
                                                       << FlagSet{30};
        QTest::newRow("exposure step") << 0x2041 << 0xD040 << qint64(500) << CodeList{0xD040} << FlagSet{11};
        QTest::newRow("contrast byte") << 0x2031 << 0x5014 << qint64(2) << CodeList{0x5014} << FlagSet{25};
        QTest::newRow("compensation") << 0x2031 << 0x5010 << qint64(-1000) << CodeList{0x5010} << FlagSet{10};
        QTest::newRow("storage type") << 0x2033 << 0xD018 << qint64(1) << CodeList{0xD018} << FlagSet{48};
        QTest::newRow("light meter") << 0x2047 << 0xD615 << qint64(-300) << CodeList{0xD615} << FlagSet{43};
        QTest::newRow("confirmation value while confirmation is off")
            << 0x2031 << 0xD621 << qint64(7) << CodeList{0xD623} << FlagSet{};
    }
    void changeReportRereadsAndRaisesItsFlags()
    {
        QFETCH(int, product);
        QFETCH(int, code);
        QFETCH(qint64, value);
        QFETCH(CodeList, reads);
        QFETCH(FlagSet, flags);
        Rig rig(product);
        QSignalSpy reports(rig.access, &TVK_Commu_CameraAccess_Base::signalDevicePropertyChanged);
        rig.clearTrace();
        rig.store()->setValue(code, value, true);
        QTRY_VERIFY_WITH_TIMEOUT(!reports.isEmpty(), 3000);
        const int reported = reports.takeFirst().at(0).value<ushort>();
        QCOMPARE(reported, code);

        Flags changed{};
        rig.settings->recvFromCamera(quint16(reported), &changed);
        QCOMPARE(hexList(rig.access->reads), hexList(reads));
        QCOMPARE(raised(changed), flags);
        // The same report again finds nothing new.
        Flags again{};
        rig.settings->recvFromCamera(quint16(reported), &again);
        QCOMPARE(raised(again), FlagSet{});
    }

    void reportsRouteToTheirSetting_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<CodeList>("reads");
        QTest::newRow("shutter time written") << 0xD03B << CodeList{0xD60C};
        QTest::newRow("shutter time changed") << 0xD60D << CodeList{0xD60C};
        QTest::newRow("aperture written") << 0xD03C << CodeList{0xD60E};
        QTest::newRow("aperture changed") << 0xD60F << CodeList{0xD60E};
        QTest::newRow("exposure index") << 0x500F << CodeList{0xD610, 0x500F};
        QTest::newRow("electronic shutter is not read") << 0xD080 << CodeList{};
        QTest::newRow("lens is not a setting") << 0xD620 << CodeList{};
        QTest::newRow("unknown") << 0xD999 << CodeList{};
        QTest::newRow("no code") << 0 << CodeList{};
    }
    void reportsRouteToTheirSetting()
    {
        QFETCH(int, code);
        QFETCH(CodeList, reads);
        Rig rig(0x2031);
        rig.clearTrace();
        rig.settings->recvFromCamera(quint16(code), nullptr);
        QCOMPARE(hexList(rig.access->reads), hexList(reads));
    }

    void unknownPropertyIsLogged()
    {
        Rig rig(0x2031);
        TVK_Test_LogCapture log;
        rig.settings->recvFromCamera(quint16(0xD999), nullptr);
        QVERIFY(!log.matching("TVK_Logic_CameraSettingsByDevProps::recvFromCamera() - unknown device property 0xD999")
                     .isEmpty());
    }

    void receiveLogsEveryReadWithItsOutcome()
    {
        Rig rig(0x2031);
        rig.access->failReads.insert(0xD626);
        TVK_Test_LogCapture log;
        rig.settings->recvFromCamera(quint16(0xD616), nullptr);
        rig.settings->recvFromCamera(quint16(0xD626), nullptr);
        QVERIFY(!log.matching("TVK_Logic_CameraSettingsByDevProps::recvFromCamera() - batteryInfo           = 1   "
                              "(ok = Yes)")
                     .isEmpty());
        QVERIFY(!log.matching("- powerSwitch           = 0   (ok = No)").isEmpty());
    }

    void focusConfirmationValueNeedsBothGuards_data()
    {
        QTest::addColumn<qint64>("enabled");
        QTest::addColumn<qint64>("badSignal");
        QTest::addColumn<CodeList>("reads");
        QTest::addColumn<int>("value");
        QTest::newRow("off") << qint64(0) << qint64(0) << CodeList{0xD623} << 0;
        QTest::newRow("on, bad signal") << qint64(1) << qint64(1) << CodeList{0xD623, 0xD622} << 0;
        QTest::newRow("on, good signal") << qint64(1) << qint64(0) << CodeList{0xD623, 0xD622, 0xD621} << 42;
    }
    void focusConfirmationValueNeedsBothGuards()
    {
        QFETCH(qint64, enabled);
        QFETCH(qint64, badSignal);
        QFETCH(CodeList, reads);
        QFETCH(int, value);
        Rig rig(0x2031);
        rig.store()->setValue(0xD623, enabled, false);
        rig.store()->setValue(0xD622, badSignal, false);
        rig.store()->setValue(0xD621, 42, false);
        rig.clearTrace();
        Flags changed{};
        rig.settings->recvFromCamera(quint16(0xD621), &changed);
        QCOMPARE(hexList(rig.access->reads), hexList(reads));
        QCOMPARE(rig.settings->focusConfirmation(), value);
        QCOMPARE(raised(changed), value != 0 ? FlagSet{55} : FlagSet{});
    }

    // The full refresh has just read both guards when it reaches the value:
    // their answers decide, and neither is read again.
    void fullRefreshReadsEachGuardOnce_data()
    {
        QTest::addColumn<qint64>("enabled");
        QTest::addColumn<qint64>("badSignal");
        QTest::addColumn<int>("failingGuard");
        QTest::addColumn<bool>("valueRead");
        QTest::newRow("off") << qint64(0) << qint64(0) << 0 << false;
        QTest::newRow("on, bad signal") << qint64(1) << qint64(1) << 0 << false;
        QTest::newRow("on, good signal") << qint64(1) << qint64(0) << 0 << true;
        QTest::newRow("enabled unanswered") << qint64(1) << qint64(0) << 0xD623 << false;
        QTest::newRow("bad signal unanswered") << qint64(1) << qint64(0) << 0xD622 << false;
    }
    void fullRefreshReadsEachGuardOnce()
    {
        QFETCH(qint64, enabled);
        QFETCH(qint64, badSignal);
        QFETCH(int, failingGuard);
        QFETCH(bool, valueRead);
        Rig rig(0x2031);
        rig.store()->setValue(0xD623, 1, false);
        rig.store()->setValue(0xD622, 0, false);
        Flags changed{};
        rig.settings->recvFromCamera(&changed); // the cache now says on and good
        rig.store()->setValue(0xD623, enabled, false);
        rig.store()->setValue(0xD622, badSignal, false);
        rig.store()->setValue(0xD621, 42, false);
        rig.clearTrace();
        if (failingGuard != 0)
            rig.access->failReads.insert(failingGuard);
        rig.settings->recvFromCamera(&changed);
        QCOMPARE(rig.access->reads.count(0xD623), 1);
        QCOMPARE(rig.access->reads.count(0xD622), 1);
        QCOMPARE(rig.access->reads.count(0xD621), valueRead ? 1 : 0);
    }

    void sensitivityAutoFollowsTheExposureIndex()
    {
        Rig rig(0x2041);
        QVERIFY(rig.settings->sensitivityAuto()); // the emulator starts on automatic
        rig.store()->setValue(0x500F, 800, false);
        rig.store()->setValue(0xD610, 800, false);
        Flags changed{};
        rig.settings->recvFromCamera(quint16(0x500F), &changed);
        QVERIFY(!rig.settings->sensitivityAuto());
        QCOMPARE(rig.settings->sensitivity(), 800);
        QCOMPARE(raised(changed), FlagSet{17});
    }

    void nullFlagsStillUpdateTheCache()
    {
        Rig rig(0x2031);
        rig.store()->setValue(0x5005, 4, false);
        rig.settings->recvFromCamera(quint16(0x5005), nullptr);
        QCOMPARE(rig.settings->whiteBalance(), 4);
    }

    // --- Hostile answers ----------------------------------------------------------------

    void failedReadKeepsTheCachedValue()
    {
        Rig rig(0x2031);
        const int before = rig.settings->whiteBalanceColorTemp();
        rig.store()->setValue(0xD014, 7000, false);
        rig.access->failReads.insert(0xD014);
        Flags changed{};
        rig.settings->recvFromCamera(quint16(0xD014), &changed);
        QCOMPARE(rig.settings->whiteBalanceColorTemp(), before);
        QCOMPARE(raised(changed), FlagSet{});
        // Once the camera answers again, the value arrives.
        rig.access->failReads.clear();
        rig.settings->recvFromCamera(quint16(0xD014), &changed);
        QCOMPARE(rig.settings->whiteBalanceColorTemp(), 7000);
        QCOMPARE(raised(changed), FlagSet{46});
    }

    void failedWriteIsSentAgainOnTheNextEqualRequest()
    {
        Rig rig(0x2031);
        rig.clearTrace();
        rig.access->failWrites.insert(0xD014);
        TVK_Test_LogCapture log;
        rig.settings->setWhiteBalanceColorTemp(6600);
        QCOMPARE(rig.access->writes.size(), 1);
        QCOMPARE(rig.settings->whiteBalanceColorTemp(), 5000); // the camera kept its value
        QVERIFY(!log.matching("failed").isEmpty());
        rig.access->failWrites.clear();
        rig.settings->setWhiteBalanceColorTemp(6600);
        QCOMPARE(rig.access->writes.size(), 2);
        QCOMPARE(rig.store()->value(0xD014), qint64(6600));
        rig.settings->setWhiteBalanceColorTemp(6600);
        QCOMPARE(rig.access->writes.size(), 2);
    }

    void valueTheCameraRefusesIsNotCached()
    {
        // The emulator answers InvalidDevicePropValue for a value outside the form.
        Rig rig(0x2031);
        rig.clearTrace();
        rig.settings->setContrast(9);
        rig.settings->setContrast(9);
        QCOMPARE(rig.access->writes.size(), 2);
        QCOMPARE(rig.settings->contrast(), 1);
    }

    // --- Writing -------------------------------------------------------------------------

    void setterWritesItsCodeAndWidthOnce_data()
    {
        QTest::addColumn<int>("product");
        QTest::addColumn<std::function<void(Settings &)>>("set");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("size");
        QTest::addColumn<qint64>("value");
        using F = std::function<void(Settings &)>;
        auto row = [](const char *name, int product, F set, int code, int size, qint64 value) {
            QTest::newRow(name) << product << set << code << size << value;
        };
        row("focus mode", 0x2031, [](Settings &s) { s.setFocusMode(5); }, 0x500A, 2, 5);
        row("metering", 0x2031, [](Settings &s) { s.setExposureMeteringMode(0); }, 0x500B, 2, 0);
        row("compensation", 0x2031, [](Settings &s) { s.setExposureCompensation(-1000); }, 0x5010, 2, 0xFC18);
        row("step size", 0x2041, [](Settings &s) { s.setExposCompensStepSize(500); }, 0xD040, 4, 500);
        row("bracketing frames", 0x2031, [](Settings &s) { s.setBracketingImageNumbers(5); }, 0xD006, 4, 5);
        row("bracketing delta", 0x2031, [](Settings &s) { s.setBracketingDeltaEV(2000); }, 0xD007, 4, 2000);
        row("bracketing automatic", 0x2031, [](Settings &s) { s.setBracketingAutomatic(1); }, 0xD008, 4, 1);
        row("mirror up", 0x2031, [](Settings &s) { s.setMirrorUpMode(1); }, 0xD00A, 4, 1);
        row("key lock", 0x2031, [](Settings &s) { s.setKeyLock(true); }, 0xD02D, 4, 1);
        row("file format JPG", 0x2031, [](Settings &s) { s.setFileFormat(4); }, 0xD004, 4, 2);
        row("file format DNG", 0x2031, [](Settings &s) { s.setFileFormat(0); }, 0xD004, 4, 0);
        row("white balance", 0x2031, [](Settings &s) { s.setWhiteBalance(3); }, 0x5005, 2, 3);
        row("colour temperature", 0x2031, [](Settings &s) { s.setWhiteBalanceColorTemp(6600); }, 0xD014, 4, 6600);
        row("colour space", 0x2031, [](Settings &s) { s.setJpgColorSpace(1); }, 0xD015, 4, 1);
        row("storage type", 0x2031, [](Settings &s) { s.setStorageType(2); }, 0xD018, 4, 1);
        row("autoreview", 0x2031, [](Settings &s) { s.setAutoreviewDuration(5); }, 0xD01A, 4, 5);
        row("power off 10 min", 0x2031, [](Settings &s) { s.setAutoPowerOff(3); }, 0xD024, 4, 10);
        row("power off never", 0x2031, [](Settings &s) { s.setAutoPowerOff(0); }, 0xD024, 4, 0);
        row("power off 5 min", 0x2031, [](Settings &s) { s.setAutoPowerOff(2); }, 0xD024, 4, 5);
        row("sensor format", 0x2041, [](Settings &s) { s.setSensorFormat(1); }, 0xD050, 4, 1);
        row("aspect ratio", 0x2041, [](Settings &s) { s.setPhotoAspectRatio(2); }, 0xD04F, 4, 2);
        row("jpg resolution", 0x2031, [](Settings &s) { s.setJpgResolution(1); }, 0xD00F, 4, 1);
        row("video rate", 0x2031, [](Settings &s) { s.setVideoResAndFrRate(9); }, 0xD125, 4, 9);
        row("video resolution", 0x2041, [](Settings &s) { s.setVideoFormatResol(5); }, 0xD082, 4, 5);
        row("contrast", 0x2031, [](Settings &s) { s.setContrast(2); }, 0x5014, 1, 2);
        row("sharpness", 0x2031, [](Settings &s) { s.setSharpness(0); }, 0x5015, 1, 0);
        row("saturation", 0x2031, [](Settings &s) { s.setSaturation(2); }, 0xD016, 4, 2);
        row("monochrome", 0x2031, [](Settings &s) { s.setMonochrome(1); }, 0xD13B, 4, 1);
        row("bulb preset", 0x2061, [](Settings &s) { s.setExposTimeBulbPreset(45); }, 0xD079, 4, 45);
        row("audio level", 0x2031, [](Settings &s) { s.setAudioLevel(1); }, 0xD012, 4, 1);
        row("wind", 0x2031, [](Settings &s) { s.setAudioWindElim(1); }, 0xD013, 4, 1);
        row("speaker", 0x2031, [](Settings &s) { s.setAudioVolSpeaker(5); }, 0xD121, 4, 5);
        row("headphone", 0x2031, [](Settings &s) { s.setAudioVolHeadphone(6); }, 0xD122, 4, 6);
        row("microphone", 0x2031, [](Settings &s) { s.setAudioVolMicrophone(9); }, 0xD123, 4, 9);
        row("exposure simulation", 0x2031, [](Settings &s) { s.setExposureSimulation(1); }, 0xD115, 4, 1);
        row("language", 0x2031, [](Settings &s) { s.setLanguage(4); }, 0xD036, 4, 4);
        row("exposure manual", 0x2031, [](Settings &s) { s.setExposureMode(0); }, 0x500E, 2, 1);
        row("exposure shutter priority", 0x2031, [](Settings &s) { s.setExposureMode(1); }, 0x500E, 2, 4);
        row("exposure program", 0x2031, [](Settings &s) { s.setExposureMode(3); }, 0x500E, 2, 2);
        row("exposure bulb", 0x2031, [](Settings &s) { s.setExposureMode(4); }, 0x500E, 2, 0x0200);
        row("exposure unknown is manual", 0x2031, [](Settings &s) { s.setExposureMode(9); }, 0x500E, 2, 1);
        row("aperture f/8", 0x2031, [](Settings &s) { s.setAperture(8.0); }, 0xD03C, 4, 0x600);
        row("shutter 1/60 s", 0x2031, [](Settings &s) { s.setShutterTime(1.0 / 60); }, 0xD03B, 4, 0x600);
        row("autofocus limit", 0x2041, [](Settings &s) { s.setAutoFocusLimit(true); }, 0xD04E, 4, 1);
        row("interval frames", 0x2031, [](Settings &s) { s.setIntervalFrames(12); }, 0xD000, 4, 12);
        row("interval time", 0x2031, [](Settings &s) { s.setIntervalTime(30); }, 0xD001, 4, 30);
        row("electronic shutter", 0x2041, [](Settings &s) { s.setElectronicShutter(0); }, 0xD080, 4, 0);
        row("drive continuous", 0x2031, [](Settings &s) { s.setDriveMode(1); }, 0x5013, 2, 1);
        row("drive self timer 12 s", 0x2031, [](Settings &s) { s.setDriveMode(3); }, 0x5013, 2, 4);
        row("drive bracketing", 0x2031, [](Settings &s) { s.setDriveMode(4); }, 0x5013, 2, 8);
        row("drive continuous on 0x2033 is 7", 0x2033, [](Settings &s) { s.setDriveMode(1); }, 0x5013, 2, 7);
        row("drive continuous low", 0x2044, [](Settings &s) { s.setDriveMode(6); }, 0x5013, 2, 5);
        row("drive very high", 0x2044, [](Settings &s) { s.setDriveMode(9); }, 0x5013, 2, 9);
        row("drive interval", 0x2041, [](Settings &s) { s.setDriveMode(5); }, 0x5013, 2, 2);
        row("bracketing on, not G4", 0x2031, [](Settings &s) { s.setBracketingEnabled(true); }, 0xD005, 4, 1);
        row("bracketing on, G4", 0x2044, [](Settings &s) { s.setBracketingEnabled(true); }, 0x5013, 2, 8);
    }
    void setterWritesItsCodeAndWidthOnce()
    {
        QFETCH(int, product);
        QFETCH(std::function<void(Settings &)>, set);
        QFETCH(int, code);
        QFETCH(int, size);
        QFETCH(qint64, value);
        Rig rig(product);
        rig.clearTrace();
        set(*rig.settings);
        QCOMPARE(rig.access->writes.size(), 1);
        const TracingAccess::Write write = rig.access->writes.first();
        QCOMPARE(QString::number(write.code, 16), QString::number(code, 16));
        QCOMPARE(int(write.size), size);
        QCOMPARE(write.value, value);
        set(*rig.settings);
        QCOMPARE(rig.access->writes.size(), 1);
        QVERIFY(rig.access->reads.isEmpty()); // setters never read
    }

    void readModesMapToTheirIndices_data()
    {
        QTest::addColumn<int>("product");
        QTest::addColumn<int>("code");
        QTest::addColumn<qint64>("raw");
        QTest::addColumn<std::function<int(Settings &)>>("get");
        QTest::addColumn<int>("expected");
        using G = std::function<int(Settings &)>;
        const G drive = [](Settings &s) { return s.driveMode(); };
        const G exposure = [](Settings &s) { return s.exposureMode(); };
        const G format = [](Settings &s) { return s.fileFormat(); };
        const G powerOff = [](Settings &s) { return s.autoPowerOff(); };
        QTest::newRow("drive 3 is self timer 2 s") << 0x2031 << 0x5013 << qint64(3) << drive << 2;
        QTest::newRow("drive 2 is interval") << 0x2031 << 0x5013 << qint64(2) << drive << 5;
        QTest::newRow("drive 7 on 0x2033 is continuous") << 0x2033 << 0x5013 << qint64(7) << drive << 1;
        QTest::newRow("drive 7 on 0x2044 is high speed") << 0x2044 << 0x5013 << qint64(7) << drive << 8;
        QTest::newRow("drive unknown is single") << 0x2031 << 0x5013 << qint64(77) << drive << 0;
        QTest::newRow("exposure shutter priority") << 0x2031 << 0x500E << qint64(4) << exposure << 1;
        QTest::newRow("exposure program") << 0x2031 << 0x500E << qint64(2) << exposure << 3;
        QTest::newRow("exposure vendor 0x0201") << 0x2031 << 0x500E << qint64(0x0201) << exposure << 5;
        QTest::newRow("exposure vendor 0x0202 reads manual") << 0x2031 << 0x500E << qint64(0x0202) << exposure << 0;
        QTest::newRow("format JPG") << 0x2031 << 0xD004 << qint64(2) << format << 3;
        QTest::newRow("format unknown") << 0x2031 << 0xD004 << qint64(5) << format << 0;
        QTest::newRow("power off 5 min") << 0x2031 << 0xD024 << qint64(5) << powerOff << 2;
        QTest::newRow("power off unknown") << 0x2031 << 0xD024 << qint64(7) << powerOff << 1;
    }
    void readModesMapToTheirIndices()
    {
        QFETCH(int, product);
        QFETCH(int, code);
        QFETCH(qint64, raw);
        QFETCH(std::function<int(Settings &)>, get);
        QFETCH(int, expected);
        Rig rig(product);
        rig.store()->setValue(code, raw, false);
        rig.settings->recvFromCamera(quint16(code), nullptr);
        QCOMPARE(get(*rig.settings), expected);
    }

    void sensitivitySetterRules()
    {
        Rig rig(0x2041);
        Settings &s = *rig.settings;
        QVERIFY(s.sensitivityAuto());
        rig.clearTrace();
        s.setSensitivity(0); // already automatic
        QCOMPARE(rig.access->writes.size(), 0);
        // The cached number is 200 from the refresh; while automatic is on,
        // choosing it must still be written.
        QCOMPARE(s.sensitivity(), 200);
        s.setSensitivity(200);
        QCOMPARE(rig.access->writes.size(), 1);
        QCOMPARE(rig.access->writes.last().value, qint64(200));
        // Automatic stays until the camera answers.
        QVERIFY(s.sensitivityAuto());
        s.recvFromCamera(quint16(0x500F), nullptr);
        QVERIFY(!s.sensitivityAuto());
        s.setSensitivity(200);
        QCOMPARE(rig.access->writes.size(), 1);
        s.setSensitivity(0);
        s.setSensitivity(0);
        QCOMPARE(rig.access->writes.size(), 2);
        QCOMPARE(rig.access->writes.last().value, qint64(0));
    }

    void bracketingIsADriveModeOnG4()
    {
        Rig rig(0x2044);
        Settings &s = *rig.settings;
        rig.clearTrace();
        s.setBracketingEnabled(true);
        QVERIFY(s.bracketingEnabled());
        QCOMPARE(s.driveMode(), 4);
        // Any drive mode chosen while bracketing stays bracketing.
        s.setDriveMode(1);
        QCOMPARE(rig.access->writes.size(), 1);
        s.setBracketingEnabled(false);
        QCOMPARE(rig.access->writes.size(), 1); // switching off writes nothing
        s.setDriveMode(0);
        QCOMPARE(rig.access->writes.size(), 2);
        QCOMPARE(rig.access->writes.last().value, qint64(0));
    }

    void stepSizeReachesTheShutterTimes()
    {
        Rig rig(0x2041);
        TVK_Logic_APEXConverterShutterTime third(0x2041), half(0x2041);
        third.setStepSize(333);
        half.setStepSize(500);
        // A time whose nearest code differs between the two tables.
        double seconds = 0;
        for (double candidate = 1.0 / 8000; candidate < 30 && seconds == 0; candidate *= 1.07) {
            if (third.codeFromSeconds(candidate) != half.codeFromSeconds(candidate))
                seconds = candidate;
        }
        QVERIFY(seconds > 0);
        rig.store()->setValue(0xD040, 500, false);
        rig.settings->recvFromCamera(quint16(0xD040), nullptr);
        rig.clearTrace();
        rig.settings->setShutterTime(seconds);
        QCOMPARE(rig.access->writes.size(), 1);
        QCOMPARE(qint16(rig.access->writes.first().value), qint16(half.codeFromSeconds(seconds)));
    }

    void lightBalanceInExposureSteps_data()
    {
        QTest::addColumn<qint64>("meter");
        QTest::addColumn<qint64>("step");
        QTest::addColumn<int>("balance");
        QTest::newRow("-1.5 EV in halves") << qint64(-384) << qint64(500) << -3;
        QTest::newRow("-1.5 EV in thirds rounds up") << qint64(-384) << qint64(333) << -4;
        QTest::newRow("a quarter EV in halves") << qint64(64) << qint64(500) << 1;
        QTest::newRow("just under a half step") << qint64(63) << qint64(500) << 0;
        QTest::newRow("+3 EV in thirds") << qint64(768) << qint64(333) << 9;
    }
    void lightBalanceInExposureSteps()
    {
        QFETCH(qint64, meter);
        QFETCH(qint64, step);
        QFETCH(int, balance);
        Rig rig(0x2041);
        rig.store()->setValue(0xD615, meter, false);
        rig.store()->setValue(0xD040, step, false);
        rig.settings->recvFromCamera(quint16(0xD615), nullptr);
        rig.settings->recvFromCamera(quint16(0xD040), nullptr);
        QCOMPARE(rig.settings->lightBalance(), balance);
    }

    void bulbPresetSetsTheShutterTimeOn0x2061()
    {
        Rig rig(0x2061);
        rig.store()->setValue(0xD079, 32, false);
        rig.settings->recvFromCamera(quint16(0xD079), nullptr);
        QVERIFY(qAbs(rig.settings->shutterTime() - 32.0) < 1.0);
    }

    // --- What the properties do not carry -----------------------------------------

    void unavailableOperationsOnlyLog()
    {
        Rig rig(0x2031);
        Settings &s = *rig.settings;
        rig.clearTrace();
        TVK_Test_LogCapture log;
        s.setDngCompression(true);
        s.setFlashXSymbol(true);
        s.setLockAEAF(1);
        QCOMPARE(int(s.RAMBufferFreeCaptures()), 0);
        QCOMPARE(s.sensorBoardTemperature(), 0);
        QVERIFY(!s.dngCompression());
        QCOMPARE(s.lockAEAF() + s.batterySource() + s.warnings() + s.iSOValue() + s.flashCompensation(), 0);
        QCOMPARE(log.matching("- functionality is not available").size(), 11);
        s.sendToCamera();
        QVERIFY(!log.matching("TVK_Logic_CameraSettingsByDevProps::sendToCamera() - functionality is not needed")
                     .isEmpty());
        QVERIFY(rig.access->writes.isEmpty());
        QVERIFY(!s.isChanged());
    }

    void dumpListsValuesAndFeatures()
    {
        Rig rig(0x2061);
        TVK_Test_LogCapture log;
        rig.settings->dump(QStringLiteral("test"));
        const QString prefix = QStringLiteral("TVK_Logic_CameraSettingsByDevProps::dump() - ");
        QVERIFY(log.contains(prefix + "driveMode                 = 0"));
        QVERIFY(log.contains(prefix + "featureAperture          = No"));
        QVERIFY(log.contains(prefix + "featureAudioWindElimi.   = No"));
        QVERIFY(log.contains(prefix + "featureFlashXSymbol      = Yes"));
        // Values of functions 0x2061 lacks are left out.
        QVERIFY(log.matching(prefix + "aperture ").isEmpty());
        QVERIFY(log.matching(prefix + "keyLock ").isEmpty());
    }

    void featuresPerProduct()
    {
        // A few queries whose answers set the products apart.
        struct Case {
            int product;
            bool focusMode, sensorFormat, audioLevel, exposStep, language, aperture, bulbPreset;
        };
        const Case cases[] = {
            {0x2031, true, false, true, false, true, true, false},
            {0x2044, true, true, false, true, false, true, false},
            {0x2061, false, false, false, false, true, false, true},
        };
        for (const Case &c : cases) {
            Rig rig(c.product);
            Settings &s = *rig.settings;
            QCOMPARE(s.featureFocusMode(), c.focusMode);
            QCOMPARE(s.featureSensorFormat(), c.sensorFormat);
            QCOMPARE(s.featureAudioLevel(), c.audioLevel);
            QCOMPARE(s.featureExposCompensStep(), c.exposStep);
            QCOMPARE(s.featureLanguage(), c.language);
            QCOMPARE(s.featureAperture(), c.aperture);
            QCOMPARE(s.featureExposTimeBulbPreset(), c.bulbPreset);
        }
    }
};

QTEST_GUILESS_MAIN(tst_settingsbydevprops)
#include "tst_settingsbydevprops.moc"
