#include "TVK_Commu_CameraAccess_Dummy.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"
#include "TVK_Logic_CameraLens.h"
#include "TVK_Logic_DeviceInfo.h"
#include "TVK_Test_LogCapture.h"

#include <QSignalSpy>
#include <QtTest>

#include <cstring>
#include <functional>
#include <vector>

using namespace TVK_Commu_Ptp;
using Dummy = TVK_Commu_CameraAccess_Dummy;

namespace {

const QString kRecvData = QStringLiteral("TVK_Commu_CameraAccess_Dummy::recvData()");
const QString kSendCommand = QStringLiteral("TVK_Commu_CameraAccess_Dummy::sendCommand()");
const QString kSendData = QStringLiteral("TVK_Commu_CameraAccess_Dummy::sendData()");
const QString kOpenConnection = QStringLiteral("TVK_Commu_CameraAccess_Dummy::openConnection()");
const QString kCloseConnection = QStringLiteral("TVK_Commu_CameraAccess_Dummy::closeConnection()");

// Only category-0 lines (errors) pass this mask.
constexpr quint32 kErrorsOnly = 0;

// A value never written by the simulated camera, to see what a read touched.
constexpr char kUntouched = char(0xAA);

// --- Expected answers, written at absolute offsets --------------------------------

void put(QByteArray &bytes, int offset, int width, quint32 value)
{
    for (int i = 0; i < width; ++i)
        bytes[offset + i] = char((value >> (8 * i)) & 0xFF);
}

// Returns the offset after the string.
int putPtpString(QByteArray &bytes, int offset, const QString &text)
{
    bytes[offset] = char(text.size() + 1);
    int at = offset + 1;
    for (const QChar unit : text) {
        put(bytes, at, 2, unit.unicode());
        at += 2;
    }
    put(bytes, at, 2, 0);
    return at + 2;
}

QByteArray expectedDeviceInfo()
{
    QByteArray bytes(260, '\0');
    put(bytes, 0, 2, 100);     // standardVersion
    put(bytes, 11, 4, 24);     // operationsSupported
    put(bytes, 63, 4, 12);     // eventsSupported
    put(bytes, 91, 4, 1);      // devicePropsSupported
    put(bytes, 97, 4, 3);      // captureFormats
    put(bytes, 107, 4, 3);     // imageFormats
    putPtpString(bytes, 117, QStringLiteral("Norba Dummy AG"));
    putPtpString(bytes, 148, QStringLiteral("Ardo2 Digital SLR Dummy"));
    putPtpString(bytes, 197, QStringLiteral("01.02.03.04"));
    putPtpString(bytes, 222, QStringLiteral("0000000001200345"));
    return bytes;
}

struct FieldRow {
    int offset;
    int width;
    quint32 value;
};

const FieldRow kSettingsFields[] = {
    {3, 2, 0x0602}, {6, 1, 1},      {10, 1, 1},     {15, 1, 2},           {16, 2, 0xF908},
    {19, 1, 30},    {65, 2, 0x3D01}, {67, 1, 0xFF}, {69, 2, 0x0050},      {71, 1, 3},
    {72, 4, 0x07670480}, {76, 4, 0x000031B3}, {80, 1, 1},
};

QByteArray expectedCameraSettings()
{
    QByteArray bytes(100, '\0');
    for (const FieldRow &field : kSettingsFields)
        put(bytes, field.offset, field.width, field.value);
    return bytes;
}

const FieldRow kLensFields[] = {
    {0, 1, 1},     {61, 1, 0x84},  {62, 4, 1234567}, {66, 1, 0x19}, {67, 1, 0x1D}, {68, 2, 0x02A4},
    {70, 2, 0x0900}, {72, 1, 2},   {73, 2, 70},      {75, 2, 70},   {77, 4, 500},  {81, 4, 70000},
};

QByteArray expectedLensRecord()
{
    QByteArray bytes(101, '\0');
    for (const FieldRow &field : kLensFields)
        put(bytes, field.offset, field.width, field.value);
    const QByteArray typeString = QByteArray("Korvanit-A 70") + QByteArray(46, ' ');
    bytes.replace(1, typeString.size(), typeString); // byte 60 stays the closing zero
    return bytes;
}

QString firstDifference(const QByteArray &actual, const QByteArray &expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("size %1 instead of %2").arg(actual.size()).arg(expected.size());
    for (int i = 0; i < actual.size(); ++i) {
        if (actual[i] != expected[i])
            return QStringLiteral("offset %1: 0x%2 instead of 0x%3")
                .arg(i)
                .arg(quint8(actual[i]), 2, 16, QLatin1Char('0'))
                .arg(quint8(expected[i]), 2, 16, QLatin1Char('0'));
    }
    return QString();
}

QString fromUtf16LE(const QByteArray &bytes, int offset, int units)
{
    QString text;
    for (int i = 0; i < units; ++i)
        text.append(QChar(ushort(quint8(bytes[offset + 2 * i]) | quint8(bytes[offset + 2 * i + 1]) << 8)));
    return text;
}

// --- Operation tables ------------------------------------------------------------------

using Read = std::function<bool(Dummy &, void *, unsigned)>;

struct ReadRow {
    const char *name;
    int operationCode;
    Read read;
};

// The three reads the simulated camera answers.
const std::vector<ReadRow> &answeredReads()
{
    static const std::vector<ReadRow> rows = {
        {"getDeviceInfo", kOpGetDeviceInfo, [](Dummy &d, void *b, unsigned s) { return d.getDeviceInfo(b, s); }},
        {"getCameraSettings", kOpGetCameraSettings,
         [](Dummy &d, void *b, unsigned s) { return d.getCameraSettings(b, s); }},
        {"getLensData", kOpGetLensData, [](Dummy &d, void *b, unsigned s) { return d.getLensData(b, s); }},
    };
    return rows;
}

// Every other data-in operation of the access.
const std::vector<ReadRow> &unansweredReads()
{
    static const std::vector<ReadRow> rows = {
        {"getObjectInfo", kOpGetObjectInfo, [](Dummy &d, void *b, unsigned s) { return d.getObjectInfo(b, s, 0, 1); }},
        {"getObject", kOpGetObject, [](Dummy &d, void *b, unsigned s) { return d.getObject(b, s, 1); }},
        {"getThumbnail", kOpGetThumb, [](Dummy &d, void *b, unsigned s) { return d.getThumbnail(b, s, 0, 1); }},
        {"getDevicePropDesc", kOpGetDevicePropDesc,
         [](Dummy &d, void *b, unsigned s) { return d.getDevicePropDesc(0x5013, b, s); }},
        {"getDevicePropValue", kOpGetDevicePropValue,
         [](Dummy &d, void *b, unsigned s) { return d.getDevicePropValue(0xD001, b, s); }},
        {"getPartialObject", kOpGetPartialObject,
         [](Dummy &d, void *b, unsigned s) { return d.getPartialObject(b, s, 0, 1); }},
        {"getStreamInfo", kOpGetStreamInfo, [](Dummy &d, void *b, unsigned s) { return d.getStreamInfo(b, s); }},
        {"getObjectPropsSupported", kOpGetObjectPropsSupported,
         [](Dummy &d, void *b, unsigned s) { return d.getObjectPropsSupported(b, s, 0x3801); }},
        {"getObjectPropValue", kOpGetObjectPropValue,
         [](Dummy &d, void *b, unsigned s) { return d.getObjectPropValue(b, s, 0xDC01, 1); }},
        {"getGeotackingData", kOpGetGeotackingData,
         [](Dummy &d, void *b, unsigned s) { return d.getGeotackingData(b, s); }},
        {"get3DAxisData", kOpGet3DAxisData, [](Dummy &d, void *b, unsigned s) { return d.get3DAxisData(b, s); }},
        {"getStreamData", kOpGetStreamData, [](Dummy &d, void *b, unsigned s) { return d.getStreamData(b, s); }},
    };
    return rows;
}

struct WriteRow {
    const char *name;
    std::function<bool(Dummy &)> write;
    // The primitive the operation ends in.
    const QString *primitive;
};

// Every operation that sends a command or data to the camera.
const std::vector<WriteRow> &writes()
{
    static unsigned char block[100] = {};
    static const std::vector<WriteRow> rows = {
        {"setCameraSettings", [](Dummy &d) { return d.setCameraSettings(block, sizeof block); }, &kSendData},
        {"setDevicePropValue raw",
         [](Dummy &d) { return d.setDevicePropValue(0xD001, static_cast<const void *>(block), 4); }, &kSendData},
        {"setDevicePropValue quint8", [](Dummy &d) { return d.setDevicePropValue(0x5014, quint8(1)); }, &kSendData},
        {"setDevicePropValue quint16", [](Dummy &d) { return d.setDevicePropValue(0x5005, quint16(2)); }, &kSendData},
        {"setDevicePropValue qint16", [](Dummy &d) { return d.setDevicePropValue(0x500A, qint16(1)); }, &kSendData},
        {"setDevicePropValue quint32", [](Dummy &d) { return d.setDevicePropValue(0xD001, quint32(3)); }, &kSendData},
        {"setDevicePropValue qint32", [](Dummy &d) { return d.setDevicePropValue(0xD000, qint32(-1)); }, &kSendData},
        {"setDevicePropValue write-only", [](Dummy &d) { return d.setDevicePropValue(0xD03B, quint32(1)); },
         &kSendData},
        {"deleteObject", [](Dummy &d) { return d.deleteObject(1); }, &kSendCommand},
        {"initiateCapture", [](Dummy &d) { return d.initiateCapture(); }, &kSendCommand},
        {"transferObjectReady", [](Dummy &d) { return d.transferObjectReady(); }, &kSendCommand},
        {"controlAutoFocus", [](Dummy &d) { return d.controlAutoFocus(1); }, &kSendCommand},
        {"controlAutoFocus with mode", [](Dummy &d) { return d.controlAutoFocus(0, 2); }, &kSendCommand},
        {"controlBulbExposure", [](Dummy &d) { return d.controlBulbExposure(0); }, &kSendCommand},
        {"controlContinuousExposure", [](Dummy &d) { return d.controlContinuousExposure(0); }, &kSendCommand},
        {"controlVideoRecording", [](Dummy &d) { return d.controlVideoRecording(0); }, &kSendCommand},
        {"controlPhotoLiveView", [](Dummy &d) { return d.controlPhotoLiveView(0); }, &kSendCommand},
        {"keepCameraActive", [](Dummy &d) { return d.keepCameraActive(); }, &kSendCommand},
        {"moveLens", [](Dummy &d) { return d.moveLens(1, 5); }, &kSendCommand},
        {"toggleZoomMode", [](Dummy &d) { return d.toggleZoomMode(); }, &kSendCommand},
        {"setFocusCrossPosition", [](Dummy &d) { return d.setFocusCrossPosition(10, 20); }, &kSendCommand},
        {"controlLVWhiteBalance", [](Dummy &d) { return d.controlLVWhiteBalance(1); }, &kSendCommand},
        {"releaseCam shutter", [](Dummy &d) { return d.releaseCam(0); }, &kSendCommand},
        {"releaseCam lens step", [](Dummy &d) { return d.releaseCam(9, 5); }, &kSendCommand},
        {"releaseCam focus cross", [](Dummy &d) { return d.releaseCam(21, 10, 20); }, &kSendCommand},
        {"autoFocusOn", [](Dummy &d) { return d.autoFocusOn(); }, &kSendCommand},
        {"autoFocusOff", [](Dummy &d) { return d.autoFocusOff(); }, &kSendCommand},
    };
    return rows;
}

void openSession(Dummy &dummy)
{
    TVK_Test_LogCapture quiet(kErrorsOnly);
    QVERIFY(dummy.openConnection(Dummy::kCameraId, Dummy::kProductId, QString::fromLatin1(Dummy::kDeviceId)));
}

QByteArray readAnswer(const ReadRow &row, unsigned size, bool *ok)
{
    Dummy dummy;
    QByteArray buffer(int(size), kUntouched);
    TVK_Test_LogCapture quiet(kErrorsOnly);
    *ok = row.read(dummy, buffer.data(), size);
    return buffer;
}

} // namespace

class tst_dummyaccess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        setStartupDebugLogCategories();
    }

    // --- Announcing the camera ---------------------------------------------------

    void theSimulatedCameraIsConnectionType256AndStartsClosed()
    {
        Dummy dummy;
        QCOMPARE(dummy.connectionType(), 256);
        QCOMPARE(dummy.productId(), 0);
    }

    void checkingForDevicesAnnouncesTheSimulatedCamera()
    {
        Dummy dummy;
        QSignalSpy spy(&dummy, &Dummy::signalDeviceAvailable);
        QVERIFY(dummy.checkDeviceAvailable());
        QCOMPARE(spy.count(), 1);
        const QList<QVariant> arguments = spy.takeFirst();
        QCOMPARE(arguments.at(0).toInt(), 256);
        QCOMPARE(arguments.at(1).toULongLong(), 0ULL);
        QCOMPARE(arguments.at(2).toInt(), 0x2031);
        QCOMPARE(arguments.at(3).toString(), QStringLiteral("DummyID"));
    }

    void twoChecksAnnounceTheCameraTwice()
    {
        Dummy dummy;
        QSignalSpy spy(&dummy, &Dummy::signalDeviceAvailable);
        QVERIFY(dummy.checkDeviceAvailable());
        QVERIFY(dummy.checkDeviceAvailable());
        QCOMPARE(spy.count(), 2);
        for (const QList<QVariant> &arguments : spy) {
            QCOMPARE(arguments.at(0).toInt(), 256);
            QCOMPARE(arguments.at(1).toULongLong(), 0ULL);
            QCOMPARE(arguments.at(2).toInt(), 0x2031);
            QCOMPARE(arguments.at(3).toString(), QStringLiteral("DummyID"));
        }
    }

    void announcingDoesNotOpenASession()
    {
        Dummy dummy;
        QSignalSpy opened(&dummy, &Dummy::signalConnectionOpened);
        dummy.checkDeviceAvailable();
        QCOMPARE(opened.count(), 0);
        QCOMPARE(dummy.productId(), 0);
    }

    // --- Opening and closing -----------------------------------------------------

    void openingStoresTheProductIdAndReportsTheSession()
    {
        Dummy dummy;
        QSignalSpy opened(&dummy, &Dummy::signalConnectionOpened);
        TVK_Test_LogCapture capture(kLELogDummy);
        QVERIFY(dummy.openConnection(0, 0x2031, QStringLiteral("DummyID")));
        QCOMPARE(dummy.productId(), 0x2031);
        QCOMPARE(opened.count(), 1);
        QCOMPARE(opened.first().at(0).toInt(), 256);
        QCOMPARE(capture.lines(), QStringList{kOpenConnection + QStringLiteral(" - ProductId = 0x2031")});
    }

    void openingKeepsTheProductIdItWasGiven()
    {
        Dummy dummy;
        TVK_Test_LogCapture capture(kLELogDummy);
        QVERIFY(dummy.openConnection(7, 0x2061, QStringLiteral("elsewhere")));
        QCOMPARE(dummy.productId(), 0x2061);
        QCOMPARE(capture.lines(), QStringList{kOpenConnection + QStringLiteral(" - ProductId = 0x2061")});
    }

    void connectionLinesFollowTheSimulatedCameraCategory_data()
    {
        QTest::addColumn<quint32>("mask");
        QTest::addColumn<bool>("written");
        QTest::newRow("category 0x8 on") << quint32(kLELogDummy) << true;
        QTest::newRow("start-up mask") << kLEStartupLogMask << true;
        QTest::newRow("start-up mask without 0x8") << (kLEStartupLogMask & ~quint32(kLELogDummy)) << false;
        QTest::newRow("errors only") << kErrorsOnly << false;
    }

    void connectionLinesFollowTheSimulatedCameraCategory()
    {
        QFETCH(quint32, mask);
        QFETCH(bool, written);
        Dummy dummy;
        TVK_Test_LogCapture capture(mask);
        QVERIFY(dummy.openConnection(0, 0x2031, QStringLiteral("DummyID")));
        QVERIFY(dummy.closeConnection());
        const QStringList expected = written ? QStringList{kOpenConnection + QStringLiteral(" - ProductId = 0x2031"),
                                                           kCloseConnection + QStringLiteral(" - ProductId = 0x2031")}
                                             : QStringList();
        QCOMPARE(capture.matching(QStringLiteral("TVK_Commu_CameraAccess_Dummy::")), expected);
    }

    void aSecondOpenWithoutCloseFailsAndEmitsNothing()
    {
        Dummy dummy;
        openSession(dummy);
        QSignalSpy opened(&dummy, &Dummy::signalConnectionOpened);
        QSignalSpy closed(&dummy, &Dummy::signalConnectionClosed);
        TVK_Test_LogCapture capture(0xFFFFFFFFu);
        QVERIFY(!dummy.openConnection(0, 0x2041, QStringLiteral("DummyID")));
        QCOMPARE(dummy.productId(), 0x2031);
        QCOMPARE(opened.count(), 0);
        QCOMPARE(closed.count(), 0);
        QCOMPARE(capture.lines(), QStringList());
    }

    void openingWithProductIdZeroIsRefused()
    {
        Dummy dummy;
        QSignalSpy opened(&dummy, &Dummy::signalConnectionOpened);
        TVK_Test_LogCapture capture(kLELogDummy);
        QVERIFY(!dummy.openConnection(0, 0, QStringLiteral("DummyID")));
        QCOMPARE(opened.count(), 0);
        QCOMPARE(dummy.productId(), 0);
        QCOMPARE(capture.lines(),
                 QStringList{kOpenConnection + QStringLiteral(" - Error: ProductId 0x0 cannot be opened")});
    }

    void closingLogsTheProductIdAndReportsTheClosedSession()
    {
        Dummy dummy;
        openSession(dummy);
        QSignalSpy closed(&dummy, &Dummy::signalConnectionClosed);
        TVK_Test_LogCapture capture(kLELogDummy);
        QVERIFY(dummy.closeConnection());
        QCOMPARE(dummy.productId(), 0);
        QCOMPARE(closed.count(), 1);
        QCOMPARE(closed.first().at(0).toInt(), 256);
        QCOMPARE(capture.lines(), QStringList{kCloseConnection + QStringLiteral(" - ProductId = 0x2031")});
    }

    void closingWhileClosedFailsAndEmitsNothing()
    {
        Dummy dummy;
        QSignalSpy closed(&dummy, &Dummy::signalConnectionClosed);
        TVK_Test_LogCapture capture(0xFFFFFFFFu);
        QVERIFY(!dummy.closeConnection());
        QCOMPARE(closed.count(), 0);
        QCOMPARE(capture.lines(), QStringList());
    }

    void closingTwiceClosesOnce()
    {
        Dummy dummy;
        openSession(dummy);
        QSignalSpy closed(&dummy, &Dummy::signalConnectionClosed);
        TVK_Test_LogCapture quiet(kErrorsOnly);
        QVERIFY(dummy.closeConnection());
        QVERIFY(!dummy.closeConnection());
        QCOMPARE(closed.count(), 1);
    }

    void aClosedSessionCanBeOpenedAgain()
    {
        Dummy dummy;
        QSignalSpy opened(&dummy, &Dummy::signalConnectionOpened);
        TVK_Test_LogCapture quiet(kErrorsOnly);
        QVERIFY(dummy.openConnection(0, 0x2031, QStringLiteral("DummyID")));
        QVERIFY(dummy.closeConnection());
        QVERIFY(dummy.openConnection(0, 0x2033, QStringLiteral("DummyID")));
        QCOMPARE(opened.count(), 2);
        QCOMPARE(dummy.productId(), 0x2033);
    }

    // --- DeviceInfo ------------------------------------------------------------------

    void deviceInfoMatchesTheListedBytes()
    {
        bool ok = false;
        const QByteArray answer = readAnswer(answeredReads()[0], 260, &ok);
        QVERIFY(ok);
        const QString difference = firstDifference(answer, expectedDeviceInfo());
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    void deviceInfoStringsSitAtTheirOffsets_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("text");
        QTest::newRow("manufacturer") << 117 << QStringLiteral("Norba Dummy AG");
        QTest::newRow("model") << 148 << QStringLiteral("Ardo2 Digital SLR Dummy");
        QTest::newRow("deviceVersion") << 197 << QStringLiteral("01.02.03.04");
        QTest::newRow("serialNumber") << 222 << QStringLiteral("0000000001200345");
    }

    void deviceInfoStringsSitAtTheirOffsets()
    {
        QFETCH(int, offset);
        QFETCH(QString, text);
        Dummy dummy;
        const std::vector<unsigned char> &info = dummy.deviceInfo();
        const QByteArray bytes(reinterpret_cast<const char *>(info.data()), int(info.size()));
        QCOMPARE(int(quint8(bytes[offset])), text.size() + 1);
        QCOMPARE(fromUtf16LE(bytes, offset + 1, text.size()), text);
        QCOMPARE(fromUtf16LE(bytes, offset + 1 + 2 * text.size(), 1), QString(QChar(0)));
    }

    void deviceInfoStringsEndAtByte257()
    {
        Dummy dummy;
        const std::vector<unsigned char> &info = dummy.deviceInfo();
        QCOMPARE(info.size(), size_t(260));
        // The serial number's closing zero unit occupies 255 and 256.
        const QByteArray bytes(reinterpret_cast<const char *>(info.data()), int(info.size()));
        QCOMPARE(fromUtf16LE(bytes, 253, 1), QStringLiteral("5"));
        QCOMPARE(bytes.mid(255), QByteArray(5, '\0'));
    }

    void deviceInfoReadThroughTheParserNamesTheSimulatedCamera()
    {
        Dummy dummy;
        TVK_Test_LogCapture quiet(kErrorsOnly);
        TVK_Logic_DeviceInfo info(&dummy);
        QCOMPARE(info.manufacturer(), QStringLiteral("Norba Dummy AG"));
        QCOMPARE(info.model(), QStringLiteral("Ardo2 Digital SLR Dummy"));
        QCOMPARE(info.deviceVersion(), QStringLiteral("01.02.03.04"));
        QCOMPARE(info.serialNumber(), QStringLiteral("0000000001200345"));
        QCOMPARE(info.standardVersion(), quint16(100));
        QCOMPARE(info.vendorExtensionDescSize(), 0);
        QCOMPARE(info.functionalMode(), quint16(0));
        QCOMPARE(info.stringOffset(TVK_Logic_DeviceInfo::kLEManufacturer), 117);
        QCOMPARE(info.stringOffset(TVK_Logic_DeviceInfo::kLEModel), 148);
    }

    void deviceInfoListsHoldTheirCountOfZeroCodes_data()
    {
        QTest::addColumn<int>("list");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("count");
        QTest::newRow("operationsSupported") << int(TVK_Logic_DeviceInfo::kLEOperationsSupported) << 11 << 24;
        QTest::newRow("eventsSupported") << int(TVK_Logic_DeviceInfo::kLEEventsSupported) << 63 << 12;
        QTest::newRow("devicePropsSupported") << int(TVK_Logic_DeviceInfo::kLEDevicePropsSupported) << 91 << 1;
        QTest::newRow("captureFormats") << int(TVK_Logic_DeviceInfo::kLECaptureFormats) << 97 << 3;
        QTest::newRow("imageFormats") << int(TVK_Logic_DeviceInfo::kLEImageFormats) << 107 << 3;
    }

    void deviceInfoListsHoldTheirCountOfZeroCodes()
    {
        QFETCH(int, list);
        QFETCH(int, offset);
        QFETCH(int, count);
        Dummy dummy;
        TVK_Test_LogCapture quiet(kErrorsOnly);
        TVK_Logic_DeviceInfo info(&dummy);
        const auto which = TVK_Logic_DeviceInfo::eLEList(list);
        QCOMPARE(info.listOffset(which), offset);
        QCOMPARE(info.list(which), QVector<quint16>(count, 0));
    }

    void theSimulatedCameraClaimsNoRealOperation()
    {
        Dummy dummy;
        TVK_Test_LogCapture quiet(kErrorsOnly);
        TVK_Logic_DeviceInfo info(&dummy);
        QCOMPARE(info.operationsSupported().size(), 24);
        QVERIFY(!info.isOperationSupported(kOpGetDeviceInfo));
        QVERIFY(!info.isOperationSupported(kOpGetCameraSettings));
        QVERIFY(!info.isEventSupported(kVXCameraSettingsChanged));
    }

    // --- Settings block and lens record ------------------------------------------------

    void cameraSettingsBlockMatchesTheListedBytes()
    {
        bool ok = false;
        const QByteArray answer = readAnswer(answeredReads()[1], 100, &ok);
        QVERIFY(ok);
        const QString difference = firstDifference(answer, expectedCameraSettings());
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    // One row per listed field of either block, read from the bytes the
    // simulated camera keeps.
    void blockFieldsHoldTheirValues_data()
    {
        QTest::addColumn<bool>("lens");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("width");
        QTest::addColumn<quint32>("value");
        for (const FieldRow &field : kSettingsFields)
            QTest::addRow("settings offset %d", field.offset) << false << field.offset << field.width << field.value;
        for (const FieldRow &field : kLensFields)
            QTest::addRow("lens offset %d", field.offset) << true << field.offset << field.width << field.value;
    }

    void blockFieldsHoldTheirValues()
    {
        QFETCH(bool, lens);
        QFETCH(int, offset);
        QFETCH(int, width);
        QFETCH(quint32, value);
        Dummy dummy;
        quint32 actual = 0;
        for (int i = 0; i < width; ++i) {
            const size_t at = size_t(offset + i);
            actual |= quint32(lens ? dummy.lensRecord()[at] : dummy.cameraSettings()[at]) << (8 * i);
        }
        QCOMPARE(actual, value);
    }

    void lensRecordMatchesTheListedBytes()
    {
        bool ok = false;
        const QByteArray answer = readAnswer(answeredReads()[2], 101, &ok);
        QVERIFY(ok);
        const QString difference = firstDifference(answer, expectedLensRecord());
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    void lensRecordReadThroughTheLensParserDescribesTheSimulatedLens()
    {
        Dummy dummy;
        TVK_Test_LogCapture quiet(kErrorsOnly);
        TVK_Logic_CameraLens lens(&dummy);
        QVERIFY(lens.isLensConnected());
        QVERIFY(lens.isAutoLensSelectionEnabled());
        QCOMPARE(lens.lensTypeString(), QStringLiteral("Korvanit-A 70"));
        QCOMPARE(lens.lensType(), quint8(132));
        QCOMPARE(lens.lensSerialNumber(), quint32(1234567));
        QCOMPARE(lens.lensFirmwareVersion(), quint8(25));
        QCOMPARE(lens.correctionDataVersion(), quint8(29));
        QCOMPARE(lens.openApertureCode(), qint16(0x02A4));
        QCOMPARE(lens.closeApertureCode(), qint16(0x0900));
        QCOMPARE(lens.apertureSteps(), quint8(2));
        QCOMPARE(lens.apertureStepsString(), QStringLiteral("1/2 EV"));
        QCOMPARE(lens.focalLengthMin(), quint16(70));
        QCOMPARE(lens.focalLengthMax(), quint16(70));
        QCOMPARE(lens.focusPositionMin() / 1000.0, 0.5);
        QCOMPARE(lens.focusPositionMax() / 1000.0, 70.0);
        QVERIFY(!lens.isCentralShutterAvailable());
        QCOMPARE(lens.lensID(), quint32(0));
        QCOMPARE(lens.selectedFocalLength(), quint16(0));
        QCOMPARE(lens.lensFileVersion(), QStringLiteral("0.0.0.0"));
    }

    void lensTypeStringIsPaddedWithBlanksAndClosedWithZero()
    {
        Dummy dummy;
        const QByteArray field(reinterpret_cast<const char *>(dummy.lensRecord().data()) + 1, 60);
        QCOMPARE(field.left(13), QByteArray("Korvanit-A 70"));
        QCOMPARE(field.mid(13, 46), QByteArray(46, ' '));
        QCOMPARE(field.at(59), '\0');
        QCOMPARE(QString::fromLatin1(field.left(59)).trimmed(), QStringLiteral("Korvanit-A 70"));
    }

    void lensRecordLeavesTheUnreadBytesZero()
    {
        Dummy dummy;
        for (size_t offset = 85; offset < 101; ++offset)
            QVERIFY2(dummy.lensRecord()[offset] == 0, qPrintable(QString::number(offset)));
    }

    // --- Reads and buffer sizes ---------------------------------------------------------

    void aLargerBufferIsZeroFilledBehindTheAnswer_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("answerSize");
        QTest::addColumn<int>("bufferSize");
        QTest::newRow("DeviceInfo into the parser's 2048 bytes") << 0 << 260 << 2048;
        QTest::newRow("settings block into 101 bytes") << 1 << 100 << 101;
        QTest::newRow("settings block into 512 bytes") << 1 << 100 << 512;
        QTest::newRow("lens record into 102 bytes") << 2 << 101 << 102;
        QTest::newRow("lens record into 256 bytes") << 2 << 101 << 256;
    }

    void aLargerBufferIsZeroFilledBehindTheAnswer()
    {
        QFETCH(int, row);
        QFETCH(int, answerSize);
        QFETCH(int, bufferSize);
        bool ok = false;
        const QByteArray buffer = readAnswer(answeredReads()[size_t(row)], unsigned(bufferSize), &ok);
        QVERIFY(ok);
        const QByteArray expected[] = {expectedDeviceInfo(), expectedCameraSettings(), expectedLensRecord()};
        const QString difference = firstDifference(buffer.left(answerSize), expected[row]);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        QCOMPARE(buffer.mid(answerSize), QByteArray(bufferSize - answerSize, '\0'));
    }

    void aBufferTooSmallIsRefusedAndLeftUntouched_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("bufferSize");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("line");
        const QString deviceInfo = kRecvData + QStringLiteral(" - Error: command code 0x00001001 (Device Info)");
        const QString settings = kRecvData + QStringLiteral(" - Error: command code 0x00009002 (Camera Settings)");
        const QString lens = kRecvData + QStringLiteral(" - Error: command code 0x00009003 (Lens Parameter)");
        QTest::newRow("DeviceInfo 259 bytes") << 0 << 259 << false << deviceInfo;
        QTest::newRow("DeviceInfo 260 bytes") << 0 << 260 << true << QString();
        QTest::newRow("DeviceInfo 1 byte") << 0 << 1 << false << deviceInfo;
        QTest::newRow("settings 99 bytes") << 1 << 99 << false << settings;
        QTest::newRow("settings 100 bytes") << 1 << 100 << true << QString();
        QTest::newRow("lens 100 bytes") << 2 << 100 << false << lens;
        QTest::newRow("lens 101 bytes") << 2 << 101 << true << QString();
    }

    void aBufferTooSmallIsRefusedAndLeftUntouched()
    {
        QFETCH(int, row);
        QFETCH(int, bufferSize);
        QFETCH(bool, accepted);
        QFETCH(QString, line);
        Dummy dummy;
        QByteArray buffer(bufferSize, kUntouched);
        TVK_Test_LogCapture capture(kErrorsOnly);
        QCOMPARE(answeredReads()[size_t(row)].read(dummy, buffer.data(), unsigned(bufferSize)), accepted);
        if (accepted) {
            QCOMPARE(capture.lines(), QStringList());
            QVERIFY(!buffer.contains(kUntouched));
        } else {
            QCOMPARE(capture.lines(), QStringList{line});
            QCOMPARE(buffer, QByteArray(bufferSize, kUntouched));
        }
    }

    void aReadWithoutBufferIsRefused_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("line");
        const QString error = kRecvData + QStringLiteral(" - Error: command code ");
        QTest::newRow("DeviceInfo") << 0 << QString(error + QStringLiteral("0x00001001 (Device Info)"));
        QTest::newRow("settings") << 1 << QString(error + QStringLiteral("0x00009002 (Camera Settings)"));
        QTest::newRow("lens") << 2 << QString(error + QStringLiteral("0x00009003 (Lens Parameter)"));
    }

    void aReadWithoutBufferIsRefused()
    {
        QFETCH(int, row);
        QFETCH(QString, line);
        Dummy dummy;
        TVK_Test_LogCapture capture(kErrorsOnly);
        QVERIFY(!answeredReads()[size_t(row)].read(dummy, nullptr, 4096));
        QCOMPARE(capture.lines(), QStringList{line});
    }

    void everyOtherReadIsNotImplemented_data()
    {
        QTest::addColumn<int>("row");
        for (size_t i = 0; i < unansweredReads().size(); ++i)
            QTest::newRow(unansweredReads()[i].name) << int(i);
    }

    void everyOtherReadIsNotImplemented()
    {
        QFETCH(int, row);
        const ReadRow &read = unansweredReads()[size_t(row)];
        Dummy dummy;
        openSession(dummy);
        QByteArray buffer(4096, kUntouched);
        TVK_Test_LogCapture capture(kErrorsOnly);
        QVERIFY(!read.read(dummy, buffer.data(), unsigned(buffer.size())));
        const QString line = kRecvData + QString::asprintf(" - Error: command code 0x%08X not implemented",
                                                           unsigned(read.operationCode));
        QCOMPARE(capture.lines(), QStringList{line});
        QCOMPARE(buffer, QByteArray(4096, kUntouched));
    }

    void anUnknownOperationCodeIsNotImplemented()
    {
        Dummy dummy;
        unsigned char buffer[16] = {};
        TVK_Test_LogCapture capture(kErrorsOnly);
        QVERIFY(!dummy.recvData(0xABCD, 0, nullptr, buffer, sizeof buffer, "caller()"));
        QCOMPARE(capture.lines(),
                 QStringList{kRecvData + QStringLiteral(" - Error: command code 0x0000ABCD not implemented")});
    }

    void errorLinesCarryTheSimulatedCamerasOwnPrefix()
    {
        Dummy dummy;
        unsigned char buffer[8] = {};
        TVK_Test_LogCapture capture(kErrorsOnly);
        QVERIFY(!dummy.recvData(kOpGetLensData, 0, nullptr, buffer, sizeof buffer, "Somebody::else()"));
        QVERIFY(!dummy.sendCommand(kOpKeepCameraActive, 0, nullptr, "Somebody::else()"));
        QCOMPARE(capture.lines(),
                 (QStringList{kRecvData + QStringLiteral(" - Error: command code 0x00009003 (Lens Parameter)"),
                              kSendCommand + QStringLiteral(" - Error: no device connected")}));
    }

    void answersAreTheSameOnEveryRead()
    {
        Dummy dummy;
        unsigned char first[100] = {};
        unsigned char second[100] = {};
        TVK_Test_LogCapture quiet(kErrorsOnly);
        QVERIFY(dummy.getCameraSettings(first, sizeof first));
        second[0] = 0x55;
        QVERIFY(dummy.getCameraSettings(second, sizeof second));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(second), 100),
                 QByteArray(reinterpret_cast<const char *>(first), 100));
    }

    // --- Writes ---------------------------------------------------------------------------

    void everyWriteFailsWithNoDeviceConnected_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("open");
        for (size_t i = 0; i < writes().size(); ++i) {
            QTest::addRow("%s, session open", writes()[i].name) << int(i) << true;
            QTest::addRow("%s, closed", writes()[i].name) << int(i) << false;
        }
    }

    void everyWriteFailsWithNoDeviceConnected()
    {
        QFETCH(int, row);
        QFETCH(bool, open);
        const WriteRow &write = writes()[size_t(row)];
        Dummy dummy;
        if (open)
            openSession(dummy);
        const int productBefore = dummy.productId();
        QSignalSpy opened(&dummy, &Dummy::signalConnectionOpened);
        QSignalSpy closed(&dummy, &Dummy::signalConnectionClosed);
        TVK_Test_LogCapture capture(kErrorsOnly);
        QVERIFY(!write.write(dummy));
        QCOMPARE(capture.lines(), QStringList{*write.primitive + QStringLiteral(" - Error: no device connected")});
        QCOMPARE(dummy.productId(), productBefore);
        QCOMPARE(opened.count(), 0);
        QCOMPARE(closed.count(), 0);
    }

    void theSendPrimitivesFailWhateverTheOperation_data()
    {
        QTest::addColumn<int>("operationCode");
        QTest::newRow("SetCameraSettings") << kOpSetCameraSettings;
        QTest::newRow("release") << kOpRelease;
        QTest::newRow("open vendor session") << kOpOpenVXSession;
        QTest::newRow("unknown code") << 0x1234;
    }

    void theSendPrimitivesFailWhateverTheOperation()
    {
        QFETCH(int, operationCode);
        Dummy dummy;
        openSession(dummy);
        const quint32 params[] = {0xFF55};
        unsigned char data[4] = {};
        TVK_Test_LogCapture capture(kErrorsOnly);
        QVERIFY(!dummy.sendCommand(operationCode, 1, params, nullptr));
        QVERIFY(!dummy.sendData(operationCode, 1, params, data, sizeof data, nullptr));
        QCOMPARE(capture.lines(), (QStringList{kSendCommand + QStringLiteral(" - Error: no device connected"),
                                               kSendData + QStringLiteral(" - Error: no device connected")}));
    }

    void writingTheSettingsBlockDoesNotChangeWhatIsRead()
    {
        Dummy dummy;
        openSession(dummy);
        unsigned char changed[100];
        std::memset(changed, 0x11, sizeof changed);
        unsigned char read[100] = {};
        TVK_Test_LogCapture quiet(kErrorsOnly);
        QVERIFY(!dummy.setCameraSettings(changed, sizeof changed));
        QVERIFY(dummy.getCameraSettings(read, sizeof read));
        const QString difference =
            firstDifference(QByteArray(reinterpret_cast<const char *>(read), 100), expectedCameraSettings());
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    void aFailedFocusModeWriteKeepsTheCachedFocusMode()
    {
        Dummy dummy;
        openSession(dummy);
        TVK_Test_LogCapture quiet(kErrorsOnly);
        QVERIFY(!dummy.setDevicePropValue(kPropFocusMode, qint16(5)));
        QCOMPARE(dummy.focusMode(), qint16(2));
    }
};

QTEST_GUILESS_MAIN(tst_dummyaccess)
#include "tst_dummyaccess.moc"
