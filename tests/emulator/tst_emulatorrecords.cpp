#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Emulator_Bytes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Emulator_SettingsRecord.h"
#include "TVK_Emulator_VendorRecords.h"
#include "TVK_Logic_Camera3DAxisData.h"
#include "TVK_Logic_CameraGeotackingData.h"
#include "TVK_Logic_CameraLens.h"
#include "TVK_Test_EventRelay.h"

#include <QSignalSpy>
#include <QtEndian>
#include <QtTest>

#include <memory>

using Access = TVK_Commu_CameraAccess_Emulated;
using Base = TVK_Commu_CameraAccess_Base;
using Settings = TVK_Emulator_SettingsRecord;
using Records = TVK_Emulator_VendorRecords;
using Camera = TVK_Emulator_Camera;
// The camera raises its events on its own thread, as a USB stack does; the
// relay brings the access's signals into the test's thread before a spy
// counts them.
using Relay = TVK_Test_EventRelay;

namespace {

constexpr int kWaitMs = 3000;
// Long enough for an event that should not come: the camera reports within
// a few milliseconds at the tests' time scale.
constexpr int kQuietMs = 300;

// An emulated camera of one product, connected through the access the
// program uses.
struct Session {
    explicit Session(int product)
        : camera(std::make_shared<Camera>(product))
    {
        camera->setTimeScale(0.01);
        access = std::make_unique<Access>(camera);
        access->checkDeviceAvailable();
        opened = access->openConnection(Access::kVendorId, product, access->deviceId());
        relay = std::make_unique<Relay>(access.get());
    }
    // The camera's thread goes on delivering delayed reports until the access
    // stops listening, so the access goes before the relay that receives them.
    ~Session() { access.reset(); }

    Settings *settings() const { return camera->component<Settings>(); }
    Records *records() const { return camera->component<Records>(); }

    QByteArray readSettings() const
    {
        QByteArray bytes(Settings::kRecordSize, '\0');
        if (!access->getCameraSettings(bytes.data(), unsigned(bytes.size())))
            return QByteArray();
        return bytes;
    }

    std::shared_ptr<Camera> camera;
    std::unique_ptr<Access> access;
    std::unique_ptr<Relay> relay;
    bool opened = false;
};

qint64 valueAt(const QByteArray &bytes, int offset, int width)
{
    const auto *at = reinterpret_cast<const uchar *>(bytes.constData()) + offset;
    switch (width) {
    case 1:
        return *at;
    case 2:
        return qFromLittleEndian<quint16>(at);
    default:
        return qFromLittleEndian<quint32>(at);
    }
}

void setValueAt(QByteArray &bytes, int offset, int width, qint64 value)
{
    auto *at = reinterpret_cast<uchar *>(bytes.data()) + offset;
    switch (width) {
    case 1:
        *at = uchar(value);
        break;
    case 2:
        qToLittleEndian<quint16>(quint16(value), at);
        break;
    default:
        qToLittleEndian<quint32>(quint32(value), at);
        break;
    }
}

} // namespace

class tst_emulatorrecords : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // --- The settings record ------------------------------------------------

    void settingsRecordCarriesTheProductsLayout_data()
    {
        QTest::addColumn<int>("product");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("width");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("0x2009 compensation 0 EV in half steps") << 0x2009 << 4 << 1 << qint64(6);
        QTest::newRow("0x2021 compensation 0 EV in third steps") << 0x2021 << 4 << 1 << qint64(9);
        QTest::newRow("0x2009 sensitivity index 2") << 0x2009 << 10 << 1 << qint64(2);
        QTest::newRow("0x2009 ISO of index 2") << 0x2009 << 69 << 2 << qint64(160);
        QTest::newRow("0x2011 ISO of index 2") << 0x2011 << 69 << 2 << qint64(100);
        QTest::newRow("0x2021 ISO number") << 0x2021 << 69 << 2 << qint64(200);
        QTest::newRow("0x2051 ISO number") << 0x2051 << 69 << 2 << qint64(800);
        QTest::newRow("0x2009 no external battery") << 0x2009 << 67 << 1 << qint64(0xFF);
        QTest::newRow("0x2021 battery information present") << 0x2021 << 65 << 1 << qint64(0);
        QTest::newRow("0x2009 shutter 1/125 s") << 0x2009 << 74 << 2 << qint64(1792);
        QTest::newRow("0x2009 longest shutter 125 s") << 0x2009 << 16 << 2 << qint64(0xF900);
        QTest::newRow("0x2009 aperture f/5.6") << 0x2009 << 72 << 2 << qint64(0x0500);
        QTest::newRow("0x2021 light meter half EV under") << 0x2021 << 27 << 2 << qint64(0xFF80);
        QTest::newRow("0x2009 focus distance 3 m") << 0x2009 << 76 << 4 << qint64(3000);
        QTest::newRow("0x2009 colour temperature 5000 K") << 0x2009 << 19 << 1 << qint64(30);
        QTest::newRow("0x2009 features without JPG resolution") << 0x2009 << 98 << 1 << qint64(0xFB);
        QTest::newRow("0x2011 every feature") << 0x2011 << 98 << 1 << qint64(0xFF);
        QTest::newRow("0x2051 no flash X symbol") << 0x2051 << 99 << 1 << qint64(0);
        QTest::newRow("0x2009 reserved byte 8") << 0x2009 << 8 << 1 << qint64(Settings::reservedByte(8));
        QTest::newRow("0x2021 sensitivity index not kept") << 0x2021 << 10 << 1 << qint64(Settings::reservedByte(10));
        QTest::newRow("0x2051 aperture not kept") << 0x2051 << 72 << 1 << qint64(Settings::reservedByte(72));
    }

    void settingsRecordCarriesTheProductsLayout()
    {
        QFETCH(int, product);
        QFETCH(int, offset);
        QFETCH(int, width);
        QFETCH(qint64, expected);
        Session session(product);
        QVERIFY(session.opened);
        const QByteArray record = session.readSettings();
        QCOMPARE(record.size(), Settings::kRecordSize);
        QCOMPARE(valueAt(record, offset, width), expected);
    }

    void settingsWritesAreReportedAndTakenOrKept_data()
    {
        QTest::addColumn<int>("product");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("width");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<bool>("taken");
        // Values the body takes.
        QTest::newRow("0x2009 continuous drive") << 0x2009 << 1 << 1 << qint64(1) << true;
        QTest::newRow("0x2009 compensation +1 EV") << 0x2009 << 4 << 1 << qint64(8) << true;
        QTest::newRow("0x2009 shutter 1/250 s") << 0x2009 << 74 << 2 << qint64(2048) << true;
        QTest::newRow("0x2009 aperture f/8") << 0x2009 << 72 << 2 << qint64(0x0600) << true;
        QTest::newRow("0x2009 key lock with DNG compression") << 0x2009 << 14 << 1 << qint64(0x03) << true;
        QTest::newRow("0x2011 smallest JPG") << 0x2011 << 61 << 1 << qint64(2) << true;
        QTest::newRow("0x2021 ISO 400") << 0x2021 << 69 << 2 << qint64(400) << true;
        QTest::newRow("0x2021 bulb") << 0x2021 << 71 << 1 << qint64(3) << true;
        QTest::newRow("0x2021 720p at 25 fps") << 0x2021 << 2 << 1 << qint64(2) << true;
        QTest::newRow("0x2021 compensation +1 EV in third steps") << 0x2021 << 4 << 1 << qint64(12) << true;
        QTest::newRow("0x2051 JPG only") << 0x2051 << 15 << 1 << qint64(3) << true;
        QTest::newRow("0x2051 ISO 25000") << 0x2051 << 69 << 2 << qint64(25000) << true;
        // Values the body does not take, and fields only the camera writes:
        // the write is answered and reported, but the camera keeps its value.
        QTest::newRow("0x2009 drive mode 9") << 0x2009 << 1 << 1 << qint64(9) << false;
        QTest::newRow("0x2009 compensation index 13") << 0x2009 << 4 << 1 << qint64(13) << false;
        QTest::newRow("0x2009 sensitivity index 6 of 6") << 0x2009 << 10 << 1 << qint64(6) << false;
        QTest::newRow("0x2009 shutter code off the table") << 0x2009 << 74 << 2 << qint64(1800) << false;
        QTest::newRow("0x2009 aperture f/45") << 0x2009 << 72 << 2 << qint64(0x0B00) << false;
        QTest::newRow("0x2009 without JPG resolution choice") << 0x2009 << 61 << 1 << qint64(1) << false;
        QTest::newRow("0x2009 battery level") << 0x2009 << 66 << 1 << qint64(0x10) << false;
        QTest::newRow("0x2009 USB speed") << 0x2009 << 11 << 1 << qint64(1) << false;
        QTest::newRow("0x2009 RAM buffer") << 0x2009 << 12 << 1 << qint64(99) << false;
        QTest::newRow("0x2009 sensor temperature") << 0x2009 << 13 << 1 << qint64(10) << false;
        QTest::newRow("0x2009 warning") << 0x2009 << 68 << 1 << qint64(3) << false;
        QTest::newRow("0x2009 focus distance") << 0x2009 << 76 << 4 << qint64(8000) << false;
        QTest::newRow("0x2009 feature bits") << 0x2009 << 98 << 1 << qint64(0x00) << false;
        QTest::newRow("0x2009 reserved byte 30") << 0x2009 << 30 << 1 << qint64(0) << false;
        QTest::newRow("0x2021 key lock bit") << 0x2021 << 14 << 1 << qint64(0x03) << false;
        QTest::newRow("0x2021 aperture priority is 1, not 2") << 0x2021 << 71 << 1 << qint64(2) << false;
        QTest::newRow("0x2021 ISO 300 not in the list") << 0x2021 << 69 << 2 << qint64(300) << false;
        QTest::newRow("0x2021 light meter") << 0x2021 << 27 << 2 << qint64(0x0100) << false;
        QTest::newRow("0x2051 DNG and basic JPG") << 0x2051 << 15 << 1 << qint64(2) << false;
        QTest::newRow("0x2051 fixed white balance") << 0x2051 << 18 << 1 << qint64(3) << false;
        QTest::newRow("0x2051 video mode 4 of 4") << 0x2051 << 2 << 1 << qint64(4) << false;
    }

    void settingsWritesAreReportedAndTakenOrKept()
    {
        QFETCH(int, product);
        QFETCH(int, offset);
        QFETCH(int, width);
        QFETCH(qint64, value);
        QFETCH(bool, taken);
        Session session(product);
        QVERIFY(session.opened);
        QSignalSpy changed(session.relay.get(), &Relay::settingsChanged);
        const QByteArray before = session.readSettings();
        QVERIFY(valueAt(before, offset, width) != value);

        QByteArray wanted = before;
        setValueAt(wanted, offset, width, value);
        QVERIFY(session.access->setCameraSettings(wanted.constData(), unsigned(wanted.size())));
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, kWaitMs);
        QCOMPARE(session.readSettings(), taken ? wanted : before);
        QCOMPARE(session.settings()->lastWrittenRecord(), wanted);
    }

    void settingsWriteOfAnyOtherSizeFails_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("99 bytes") << 99;
        QTest::newRow("101 bytes") << 101;
        QTest::newRow("no bytes") << 0;
    }

    void settingsWriteOfAnyOtherSizeFails()
    {
        QFETCH(int, size);
        Session session(0x2009);
        QVERIFY(session.opened);
        QSignalSpy changed(session.relay.get(), &Relay::settingsChanged);
        const QByteArray before = session.readSettings();
        QByteArray wanted = before.leftJustified(size, '\0', true);
        if (size > 1)
            wanted[1] = char(1); // continuous drive, which the body would take
        QVERIFY(!session.access->setCameraSettings(wanted.constData(), unsigned(size)));
        QVERIFY(!changed.wait(kQuietMs));
        QCOMPARE(session.readSettings(), before);
    }

    void sensitivityIndexBringsItsIsoValue()
    {
        Session session(0x2011);
        QVERIFY(session.opened);
        QByteArray wanted = session.readSettings();
        wanted[10] = char(5);
        QVERIFY(session.access->setCameraSettings(wanted.constData(), unsigned(wanted.size())));
        const QByteArray after = session.readSettings();
        QCOMPARE(valueAt(after, 10, 1), qint64(5));
        QCOMPARE(valueAt(after, 69, 2), qint64(800));
    }

    void normalisedSettingsFollowTheRecord_data()
    {
        QTest::addColumn<int>("product");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("setting");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("0x2009 DNG") << 0x2009 << 15 << 0 << int(Camera::kLEFileFormat) << qint64(0);
        QTest::newRow("0x2009 DNG and basic JPG") << 0x2009 << 15 << 2 << int(Camera::kLEFileFormat) << qint64(1);
        QTest::newRow("0x2021 fine JPG") << 0x2021 << 15 << 3 << int(Camera::kLEFileFormat) << qint64(2);
        QTest::newRow("0x2009 basic JPG") << 0x2009 << 15 << 4 << int(Camera::kLEFileFormat) << qint64(2);
        QTest::newRow("0x2011 self-timer 12 s") << 0x2011 << 1 << 3 << int(Camera::kLEDriveMode) << qint64(3);
        QTest::newRow("0x2051 interval") << 0x2051 << 1 << 5 << int(Camera::kLEDriveMode) << qint64(5);
        QTest::newRow("0x2009 bulb") << 0x2009 << 71 << 4 << int(Camera::kLEExposureMode) << qint64(4);
        QTest::newRow("0x2021 bulb") << 0x2021 << 71 << 3 << int(Camera::kLEExposureMode) << qint64(4);
        QTest::newRow("0x2021 aperture priority") << 0x2021 << 71 << 1 << int(Camera::kLEExposureMode) << qint64(2);
        QTest::newRow("0x2009 five pictures") << 0x2009 << 5 << 2 << int(Camera::kLEBracketingFrames) << qint64(5);
        QTest::newRow("0x2021 three pictures") << 0x2021 << 5 << 1 << int(Camera::kLEBracketingFrames)
                                               << qint64(3);
        QTest::newRow("0x2009 continuous autofocus") << 0x2009 << 2 << 1 << int(Camera::kLEFocusMode) << qint64(1);
        QTest::newRow("0x2021 focuses by hand") << 0x2021 << 2 << 1 << int(Camera::kLEFocusMode) << qint64(2);
    }

    void normalisedSettingsFollowTheRecord()
    {
        QFETCH(int, product);
        QFETCH(int, offset);
        QFETCH(int, value);
        QFETCH(int, setting);
        QFETCH(qint64, expected);
        Session session(product);
        QVERIFY(session.opened);
        QByteArray wanted = session.readSettings();
        wanted[offset] = char(value);
        QVERIFY(session.access->setCameraSettings(wanted.constData(), unsigned(wanted.size())));
        QCOMPARE(session.camera->setting(Camera::eLESetting(setting), -1), expected);
    }

    void shutterCodeIsNormalisedSigned()
    {
        Session session(0x2009);
        QVERIFY(session.opened);
        QByteArray wanted = session.readSettings();
        setValueAt(wanted, 74, 2, qint64(quint16(-1024))); // 16 s
        QVERIFY(session.access->setCameraSettings(wanted.constData(), unsigned(wanted.size())));
        QCOMPARE(session.camera->setting(Camera::kLEShutterTimeCode), qint64(-1024));
    }

    void cameraSideChangeIsReportedAsSettingsChange()
    {
        Session session(0x2021);
        QVERIFY(session.opened);
        QSignalSpy changed(session.relay.get(), &Relay::settingsChanged);
        QVERIFY(session.settings()->setField(Settings::kLERamBufferFree, 3));
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, kWaitMs);
        QCOMPARE(valueAt(session.readSettings(), 12, 1), qint64(3));
        // The Cora layout has no aperture.
        QVERIFY(!session.settings()->setField(Settings::kLEAperture, 0x0600));
    }

    // --- The lens record ---------------------------------------------------------

    void lensRecordDescribesTheMountedLens_data()
    {
        QTest::addColumn<int>("product");
        QTest::newRow("0x2009") << 0x2009;
        QTest::newRow("0x2021") << 0x2021;
        QTest::newRow("0x2041") << 0x2041;
    }

    void lensRecordDescribesTheMountedLens()
    {
        QFETCH(int, product);
        Session session(product);
        QVERIFY(session.opened);
        const Records::Lens expected = Records::standardLens(product);
        const TVK_Logic_CameraLens lens(session.access.get());
        QVERIFY(lens.isLensConnected());
        QVERIFY(lens.isAutoLensSelectionEnabled());
        QCOMPARE(lens.lensTypeString(), expected.typeString);
        QCOMPARE(lens.lensType(), expected.lensType);
        QCOMPARE(lens.lensSerialNumber(), expected.serialNumber);
        QCOMPARE(lens.openApertureCode(), expected.openApertureCode);
        QCOMPARE(lens.closeApertureCode(), expected.closeApertureCode);
        QCOMPARE(lens.apertureSteps(), expected.apertureSteps);
        QCOMPARE(lens.focalLengthMin(), expected.focalLengthMin);
        QCOMPARE(lens.focalLengthMax(), expected.focalLengthMax);
        QCOMPARE(lens.focusPositionMin(), expected.focusPositionMin);
        QCOMPARE(lens.focusPositionMax(), expected.focusPositionMax);
        QCOMPARE(lens.isCentralShutterAvailable(), expected.centralShutter);
        QCOMPARE(lens.lensID(), expected.lensId);
        QCOMPARE(lens.selectedFocalLength(), expected.selectedFocalLength);
        QCOMPARE(lens.lensFileVersion(), QStringLiteral("%1.%2.%3.%4")
                                             .arg(expected.fileVersion[0])
                                             .arg(expected.fileVersion[1])
                                             .arg(expected.fileVersion[2])
                                             .arg(expected.fileVersion[3]));
    }

    void firstLayoutBodyComesWithTheKorvanit70()
    {
        Session session(0x2009);
        QVERIFY(session.opened);
        const TVK_Logic_CameraLens lens(session.access.get());
        QCOMPARE(lens.lensTypeString(), QStringLiteral("Korvanit-A 70"));
        QCOMPARE(lens.openApertureCode(), qint16(0x02A4));
        QCOMPARE(lens.focusPositionMin(), 500u);
        QCOMPARE(lens.focusPositionMax(), 70000u);
        QCOMPARE(lens.lensFileVersion(), QStringLiteral("1.2.0.4"));
        // The type string is blank-padded to 59 characters and ends with a zero byte.
        QCOMPARE(char(lens.data()[1 + 13]), ' ');
        QCOMPARE(char(lens.data()[59]), ' ');
        QCOMPARE(int(lens.data()[60]), 0);
    }

    void changingTheLensRaisesLensChanged_data()
    {
        QTest::addColumn<int>("product");
        QTest::newRow("0x2009 by lens event") << 0x2009;
        QTest::newRow("0x2051 by lens event") << 0x2051;
        QTest::newRow("0x2031 by lens property") << 0x2031;
        QTest::newRow("0x2044 by lens property") << 0x2044;
    }

    void changingTheLensRaisesLensChanged()
    {
        QFETCH(int, product);
        Session session(product);
        QVERIFY(session.opened);
        QSignalSpy changed(session.relay.get(), &Relay::lensChanged);
        const Records::Lens macro = Records::lensCatalogue().at(3);
        session.records()->changeLens(macro);
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, kWaitMs);

        const TVK_Logic_CameraLens lens(session.access.get());
        QVERIFY(lens.isLensConnected());
        QCOMPARE(lens.lensTypeString(), QStringLiteral("Korvanit-S 120 Macro"));
        QCOMPARE(lens.focalLengthMax(), quint16(120));
        QVERIFY(lens.isCentralShutterAvailable());
    }

    void lensTakenOffReadsNotConnected()
    {
        Session session(0x2011);
        QVERIFY(session.opened);
        QSignalSpy changed(session.relay.get(), &Relay::lensChanged);
        session.records()->setLensAttached(false);
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, kWaitMs);
        TVK_Logic_CameraLens lens(session.access.get());
        QVERIFY(!lens.isLensConnected());
        QVERIFY(lens.isAutoLensSelectionEnabled());
        QCOMPARE(lens.lensTypeString(), QString());
        QCOMPARE(lens.focusPositionMax(), 0u);

        session.records()->setAutomaticLensSelection(false);
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 2, kWaitMs);
        QVERIFY(lens.recvFromCamera());
        QCOMPARE(lens.lensState(), quint8(3));
        QVERIFY(!lens.isAutoLensSelectionEnabled());

        // Taking off a lens that is off is no change.
        session.records()->setLensAttached(false);
        QVERIFY(!changed.wait(kQuietMs));
        QCOMPARE(changed.count(), 2);
    }

    void lensMotorMovesFocusWithinTheLensRange()
    {
        Session session(0x2009);
        QVERIFY(session.opened);
        QSignalSpy changed(session.relay.get(), &Relay::settingsChanged);
        Records *records = session.records();
        const Records::Lens lens = records->lens();

        QVERIFY(session.access->releaseCam(11, 0x7FFFFFFF)); // infinity
        QCOMPARE(records->focusPosition(), lens.focusPositionMax);
        QTRY_VERIFY_WITH_TIMEOUT(changed.count() >= 1, kWaitMs);
        QCOMPARE(valueAt(session.readSettings(), 76, 4), qint64(lens.focusPositionMax));

        QVERIFY(session.access->releaseCam(11, 100)); // nearer than the lens focuses
        QCOMPARE(records->focusPosition(), lens.focusPositionMin);

        const quint32 step = (lens.focusPositionMax - lens.focusPositionMin) / Records::kFocusMotorSteps;
        QVERIFY(session.access->releaseCam(9, 5));
        QCOMPARE(records->focusPosition(), lens.focusPositionMin + 5 * step);
        QVERIFY(session.access->releaseCam(10, 2));
        QCOMPARE(records->focusPosition(), lens.focusPositionMin + 3 * step);
        QCOMPARE(valueAt(session.readSettings(), 76, 4), qint64(lens.focusPositionMin + 3 * step));
    }

    void lensMotorMovesTheFocusDistanceProperty()
    {
        Session session(0x2041);
        QVERIFY(session.opened);
        quint32 distance = 0;
        QVERIFY(session.access->releaseCam(11, 2500));
        QCOMPARE(session.records()->focusPosition(), 2500u);
        QVERIFY(session.access->getDevicePropValue(0xD62B, distance));
        QCOMPARE(distance, 2500u);
    }

    void lensMotorWithoutLensFails()
    {
        Session session(0x2009);
        QVERIFY(session.opened);
        session.records()->setLensAttached(false);
        const quint32 before = session.records()->focusPosition();
        QVERIFY(!session.access->releaseCam(11, 1000));
        QCOMPARE(session.records()->focusPosition(), before);
    }

    // --- The 3-axis record -------------------------------------------------

    void axisRecordHasTheSizeTheHostAsksFor_data()
    {
        QTest::addColumn<int>("product");
        QTest::newRow("0x2011 short") << 0x2011;
        QTest::newRow("0x2021 short") << 0x2021;
        QTest::newRow("0x2051 short") << 0x2051;
        QTest::newRow("0x2031 long") << 0x2031;
        QTest::newRow("0x2041 long") << 0x2041;
        QTest::newRow("0x2047 long") << 0x2047;
        QTest::newRow("0x2061 short") << 0x2061;
    }

    void axisRecordHasTheSizeTheHostAsksFor()
    {
        QFETCH(int, product);
        Session session(product);
        QVERIFY(session.opened);
        const int asked = TVK_Logic_Camera3DAxisData::usesLongLayout(product) ? Records::kLongAxisRecordSize
                                                                               : Records::kShortAxisRecordSize;
        const Camera::Result answer =
            session.camera->transact(TVK_Commu_Ptp::kOpGet3DAxisData, {}, TVK_Emulator_Transaction::kLEDataIn);
        QCOMPARE(answer.responseCode, TVK_Commu_Ptp::kRespOK);
        QCOMPARE(answer.data.size(), asked);
    }

    void axisValuesReachTheHost_data()
    {
        axisRecordHasTheSizeTheHostAsksFor_data();
    }

    void axisValuesReachTheHost()
    {
        QFETCH(int, product);
        Session session(product);
        QVERIFY(session.opened);
        TVK_Logic_Camera3DAxisData axis(session.access.get());
        QCOMPARE(axis.cameraPitchAngle(), 1.5);
        QCOMPARE(axis.cameraRollAngle(), -0.75);
        QCOMPARE(axis.temperature(), 31.25);

        QSignalSpy changed(session.relay.get(), &Relay::axisChanged);
        Records::AxisData tilted;
        tilted.pitch = -12.5;
        tilted.roll = 3.25;
        tilted.temperature = 40.5;
        session.records()->setAxisData(tilted);
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, kWaitMs);
        QVERIFY(axis.recvFromCamera());
        QCOMPARE(axis.cameraPitchAngle(), -12.5);
        QCOMPARE(axis.cameraRollAngle(), 3.25);
        QCOMPARE(axis.temperature(), 40.5);
    }

    // --- The geotagging record --------------------------------------------

    void geotaggingValuesReachTheHost_data()
    {
        QTest::addColumn<int>("product");
        QTest::newRow("0x2021") << 0x2021;
        QTest::newRow("0x2051") << 0x2051;
        QTest::newRow("0x2031") << 0x2031;
        QTest::newRow("0x2044") << 0x2044;
    }

    void geotaggingValuesReachTheHost()
    {
        QFETCH(int, product);
        Session session(product);
        QVERIFY(session.opened);
        TVK_Logic_CameraGeotackingData geo(session.access.get());
        QCOMPARE(geo.validityFlags(), quint8(0x0F));
        QCOMPARE(geo.longitudeDegrees(), quint8(8));
        QCOMPARE(geo.longitudeMinutes(), quint8(30));
        QCOMPARE(geo.longitudeSeconds(), 12.5);
        QCOMPARE(geo.latitudeDegrees(), quint8(50));
        QCOMPARE(geo.latitudeMinutes(), quint8(33));
        QCOMPARE(geo.latitudeSeconds(), 7.25);
        QCOMPARE(geo.numberOfUsedSattelites(), quint8(7));

        QSignalSpy changed(session.relay.get(), &Relay::geotaggingChanged);
        Records::Geotagging fix;
        fix.validityFlags = 0x09; // mean field data, GPS on; no time, no date
        fix.longitudeDegrees = 11;
        fix.longitudeMinutes = 4;
        fix.longitudeSeconds = 59.5f;
        fix.latitudeDegrees = 47;
        fix.latitudeMinutes = 16;
        fix.latitudeSeconds = 0.25f;
        fix.satellites = 11;
        session.records()->setGeotagging(fix);
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, kWaitMs);
        QVERIFY(geo.recvFromCamera());
        QVERIFY(geo.isMeanFieldDataValid());
        QVERIFY(!geo.isTimeValid());
        QVERIFY(!geo.isDateValid());
        QVERIFY(geo.isGPSEnabled());
        QCOMPARE(geo.longitudeDegrees(), quint8(11));
        QCOMPARE(geo.longitudeMinutes(), quint8(4));
        QCOMPARE(geo.longitudeSeconds(), 59.5);
        QCOMPARE(geo.latitudeDegrees(), quint8(47));
        QCOMPARE(geo.latitudeMinutes(), quint8(16));
        QCOMPARE(geo.latitudeSeconds(), 0.25);
        QCOMPARE(geo.numberOfUsedSattelites(), quint8(11));
    }

    // --- Records a product does not have ----------------------------------

    void recordsTheProductDoesNotListAreRefused_data()
    {
        QTest::addColumn<int>("product");
        QTest::addColumn<int>("operation");
        QTest::newRow("0x2009 has no 3-axis record") << 0x2009 << TVK_Commu_Ptp::kOpGet3DAxisData;
        QTest::newRow("0x2011 has no geotagging") << 0x2011 << TVK_Commu_Ptp::kOpGetGeotackingData;
        QTest::newRow("0x2041 has no settings record") << 0x2041 << TVK_Commu_Ptp::kOpGetCameraSettings;
    }

    void recordsTheProductDoesNotListAreRefused()
    {
        QFETCH(int, product);
        QFETCH(int, operation);
        Session session(product);
        QVERIFY(session.opened);
        QByteArray buffer(256, '\x5A');
        QVERIFY(!session.access->recvData(operation, 0, nullptr, buffer.data(), unsigned(buffer.size()), nullptr));
        QCOMPARE(buffer, QByteArray(256, '\x5A'));
    }

    // --- The byte writer the records share ----------------------------------

    void fieldsArePutAndReadLittleEndianByWidth_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("width");
        QTest::addColumn<quint64>("value");
        QTest::addColumn<QByteArray>("expected"); // the 12 bytes after the put
        // Every other byte is 0xEE, so that a field written a byte too wide,
        // too narrow or too far shows.
        QTest::newRow("one byte at the start")
            << 0 << 1 << quint64(0x1234) << QByteArray::fromHex("34EEEEEEEEEEEEEEEEEEEEEE");
        QTest::newRow("two bytes") << 3 << 2 << quint64(0xABCD) << QByteArray::fromHex("EEEEEECDABEEEEEEEEEEEEEE");
        QTest::newRow("three bytes")
            << 1 << 3 << quint64(0x00C0FFEE) << QByteArray::fromHex("EEEEFFC0EEEEEEEEEEEEEEEE");
        QTest::newRow("four bytes at the end")
            << 8 << 4 << quint64(0x01020304) << QByteArray::fromHex("EEEEEEEEEEEEEEEE04030201");
        QTest::newRow("eight bytes")
            << 2 << 8 << quint64(0x8877665544332211) << QByteArray::fromHex("EEEE1122334455667788EEEE");
        QTest::newRow("minus two in four bytes")
            << 4 << 4 << quint64(qint64(-2)) << QByteArray::fromHex("EEEEEEEEFEFFFFFFEEEEEEEE");
    }

    void fieldsArePutAndReadLittleEndianByWidth()
    {
        QFETCH(int, offset);
        QFETCH(int, width);
        QFETCH(quint64, value);
        QFETCH(QByteArray, expected);
        QByteArray bytes(12, '\xEE');
        TVK_Emulator_Bytes::putLittleEndian(bytes, offset, value, width);
        QCOMPARE(bytes.toHex(), expected.toHex());
        const quint64 mask = width == 8 ? ~quint64(0) : (quint64(1) << (8 * width)) - 1;
        QCOMPARE(TVK_Emulator_Bytes::getLittleEndian(bytes, offset, width), value & mask);
    }

    void readingPastTheEndGivesZeros()
    {
        const QByteArray bytes = QByteArray::fromHex("112233");
        QCOMPARE(TVK_Emulator_Bytes::getLittleEndian(bytes, 1, 4), quint64(0x3322));
        QCOMPARE(TVK_Emulator_Bytes::getLittleEndian(bytes, 3, 2), quint64(0));
    }
};

QTEST_GUILESS_MAIN(tst_emulatorrecords)
#include "tst_emulatorrecords.moc"
