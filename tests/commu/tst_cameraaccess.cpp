#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Commu_DevicePropertyTable.h"
#include "TVK_Debug_Log.h"
#include "TVK_Test_Bytes.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_RecordingAccess.h"

#include <QSignalSpy>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <set>

using Access = TVK_Test_RecordingAccess;
using namespace TVK_Test_Bytes;

namespace {

const QString kBase = QStringLiteral("TVK_Commu_CameraAccess_Base::");

unsigned char g_buffer[64];

struct OperationRow {
    const char *name;
    std::function<bool(Access &)> call;
    int operationCode;
    QVector<quint32> params;
    Access::eLEDirection direction;
    unsigned size;
    QString trace; // after the method prefix
};

QVector<OperationRow> operationTable()
{
    void *b = g_buffer;
    const QString d = QStringLiteral(" - dataSize 0x%1").arg(QStringLiteral("00000040"));
    using A = Access;
    return {
        {"getDeviceInfo", [=](A &a) { return a.getDeviceInfo(b, 64); }, 0x1001, {}, A::kLEDataIn, 64, d},
        {"getObjectInfo", [=](A &a) { return a.getObjectInfo(b, 64, 2, 0x12345678); }, 0x1008,
         {0x12345678, 2}, A::kLEDataIn, 64, d + QStringLiteral(" thumbType 2 objectHandle 0x12345678")},
        {"getObject", [=](A &a) { return a.getObject(b, 64, 0xABCD); }, 0x1009, {0xABCD}, A::kLEDataIn, 64,
         d + QStringLiteral(" objectHandle 0x0000ABCD")},
        {"getThumbnail", [=](A &a) { return a.getThumbnail(b, 64, 1, 7); }, 0x100A, {7, 1}, A::kLEDataIn, 64,
         d + QStringLiteral(" thumbType 1 objectHandle 0x00000007")},
        {"deleteObject", [](A &a) { return a.deleteObject(0x99); }, 0x100B, {0x99}, A::kLENoData, 0,
         QStringLiteral(" - objectHandle 0x00000099")},
        {"initiateCapture", [](A &a) { return a.initiateCapture(); }, 0x100E, {}, A::kLENoData, 0, QString()},
        {"getDevicePropDesc", [=](A &a) { return a.getDevicePropDesc(0x5013, b, 64); }, 0x1014, {0x5013},
         A::kLEDataIn, 64, QStringLiteral(" - propertyCode 0x00005013 dataSize 0x00000040")},
        {"getDevicePropValue", [=](A &a) { return a.getDevicePropValue(0xD001, b, 64); }, 0x1015, {0xD001},
         A::kLEDataIn, 64, QStringLiteral(" - propertyCode 0x0000D001 dataSize 0x00000040")},
        {"setDevicePropValue", [=](A &a) { return a.setDevicePropValue(0xD001, static_cast<const void *>(b), 4); },
         0x1016, {0xD001}, A::kLEDataOut, 4, QStringLiteral(" - propertyCode 0x0000D001 dataSize 0x00000004")},
        {"getPartialObject", [=](A &a) { return a.getPartialObject(b, 64, 0x100, 0x12345678); }, 0x101B,
         {0x12345678, 0x100, 64}, A::kLEDataIn, 64,
         d + QStringLiteral(" offset 0x00000100 objectHandle 0x12345678")},
        {"getStreamInfo", [=](A &a) { return a.getStreamInfo(b, 64); }, 0x1024, {0}, A::kLEDataIn, 64, d},
        {"getObjectPropsSupported", [=](A &a) { return a.getObjectPropsSupported(b, 64, 0x3801); }, 0x9801,
         {0x3801}, A::kLEDataIn, 64, d + QStringLiteral(" objectFormatCode 0x00003801")},
        {"getObjectPropValue", [=](A &a) { return a.getObjectPropValue(b, 64, 0xD800, 0x12345678); }, 0x9803,
         {0x12345678, 0xD800}, A::kLEDataIn, 64,
         d + QStringLiteral(" propertyCode 0x0000D800 objectHandle 0x12345678")},
        {"setCameraSettings", [=](A &a) { return a.setCameraSettings(b, 64); }, 0x9001, {}, A::kLEDataOut, 64, d},
        {"getCameraSettings", [=](A &a) { return a.getCameraSettings(b, 64); }, 0x9002, {}, A::kLEDataIn, 64, d},
        {"getLensData", [=](A &a) { return a.getLensData(b, 64); }, 0x9003, {}, A::kLEDataIn, 64, d},
        {"transferObjectReady", [](A &a) { return a.transferObjectReady(); }, 0x9007, {}, A::kLENoData, 0,
         QString()},
        {"getGeotackingData", [=](A &a) { return a.getGeotackingData(b, 64); }, 0x9008, {}, A::kLEDataIn, 64, d},
        {"controlAutoFocus", [](A &a) { return a.controlAutoFocus(1); }, 0x9016, {1}, A::kLENoData, 0,
         QStringLiteral(" - command 1")},
        {"controlAutoFocus", [](A &a) { return a.controlAutoFocus(0, 5); }, 0x9016, {0, 5}, A::kLENoData, 0,
         QStringLiteral(" - command 0 mode 5")},
        {"controlBulbExposure", [](A &a) { return a.controlBulbExposure(1); }, 0x9019, {1}, A::kLENoData, 0,
         QStringLiteral(" - command 1")},
        {"controlContinuousExposure", [](A &a) { return a.controlContinuousExposure(0); }, 0x901A, {0},
         A::kLENoData, 0, QStringLiteral(" - command 0")},
        {"controlVideoRecording", [](A &a) { return a.controlVideoRecording(3); }, 0x901B, {3}, A::kLENoData, 0,
         QStringLiteral(" - command 3")},
        {"controlPhotoLiveView", [](A &a) { return a.controlPhotoLiveView(1); }, 0x901C, {1}, A::kLENoData, 0,
         QStringLiteral(" - command 1")},
        {"keepCameraActive", [](A &a) { return a.keepCameraActive(); }, 0x901D, {}, A::kLENoData, 0, QString()},
        {"moveLens", [](A &a) { return a.moveLens(2, -40); }, 0x901E, {2, quint32(-40)}, A::kLENoData, 0,
         QStringLiteral(" - command 2 value -40")},
        {"get3DAxisData", [=](A &a) { return a.get3DAxisData(b, 64); }, 0x9020, {}, A::kLEDataIn, 64, d},
        {"toggleZoomMode", [](A &a) { return a.toggleZoomMode(); }, 0x9021, {1}, A::kLENoData, 0, QString()},
        {"setFocusCrossPosition", [](A &a) { return a.setFocusCrossPosition(320, 240); }, 0x9022, {320, 240},
         A::kLENoData, 0, QStringLiteral(" - positionX 320 positionY 240")},
        {"controlLVWhiteBalance", [](A &a) { return a.controlLVWhiteBalance(3); }, 0x9023, {3}, A::kLENoData, 0,
         QStringLiteral(" - command 3")},
        {"getStreamData", [=](A &a) { return a.getStreamData(b, 64); }, 0x9025, {}, A::kLEDataIn, 64, d},
    };
}

// Reads a property as T and writes it back with the same pattern as the
// answered bytes (0x81, 0x82, ... from the lowest byte up).
template <typename T>
void exchange(TVK_Test_RecordingAccess &access, quint16 code, bool *read, bool *written, quint64 *got)
{
    T value = 0;
    *read = access.getDevicePropValue(code, value);
    *got = value;
    *written = access.setDevicePropValue(code, T(0x84838281u & (T(~T(0)))));
}

// The device properties of the access layer, written out on their own so that
// a code, width or direction mistyped in the property table shows.
struct ExpectedProperty {
    quint16 code;
    int width; // bytes
    bool readable;
    bool writable;
};

QVector<ExpectedProperty> expectedProperties()
{
    struct Group {
        int width;
        bool readable;
        bool writable;
        QVector<quint16> codes;
    };
    const Group groups[] = {
        {1, true, false, {0x5001}},
        {1, true, true, {0x5014, 0x5015}},
        {2, true, true, {0x5005, 0x500A, 0x500B, 0x500E, 0x5010, 0x5013}},
        {4, true, true, {0x500F, 0x5021, 0xD000, 0xD001, 0xD004, 0xD005, 0xD006, 0xD007, 0xD008, 0xD00A, 0xD00F,
                         0xD012, 0xD013, 0xD014, 0xD015, 0xD016, 0xD018, 0xD01A, 0xD024, 0xD02D, 0xD036, 0xD03F,
                         0xD040, 0xD04E, 0xD04F, 0xD050, 0xD079, 0xD082, 0xD115, 0xD121, 0xD122, 0xD123, 0xD125,
                         0xD13B}},
        {4, true, false, {0x5020, 0x5022, 0x5025, 0xD06F, 0xD608, 0xD60C, 0xD60E, 0xD610, 0xD615, 0xD616, 0xD618,
                          0xD619, 0xD621, 0xD622, 0xD623, 0xD625, 0xD626, 0xD627, 0xD628, 0xD62B, 0xD632, 0xD643,
                          0xD65F}},
        // VideoResolution: read by the live view, which no settings table lists.
        {4, true, false, {0x5023}},
        {4, false, true, {0xD03B, 0xD03C, 0xD080}},
    };
    QVector<ExpectedProperty> list;
    for (const Group &group : groups) {
        for (quint16 code : group.codes)
            list.append({code, group.width, group.readable, group.writable});
    }
    return list;
}

} // namespace

class tst_cameraaccess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyOperationIsFramedAsOneTransaction()
    {
        for (const OperationRow &row : operationTable()) {
            const QByteArray name(row.name);
            Access access(0x2041);
            TVK_Test_LogCapture capture(0x1);
            QVERIFY2(row.call(access), name);
            const QVector<Access::Transaction> done = access.transactions();
            QCOMPARE(done.size(), 1);
            const Access::Transaction &t = done.first();
            QVERIFY2(t.operationCode == row.operationCode, name);
            QVERIFY2(t.params == row.params, name);
            QVERIFY2(t.direction == row.direction, name);
            QVERIFY2(t.size == row.size, name);
            const QString prefix = kBase + QString::fromLatin1(row.name) + QStringLiteral("()");
            QVERIFY2(t.caller == prefix, qPrintable(t.caller));
            QVERIFY2(capture.lines() == QStringList{prefix + row.trace},
                     qPrintable(name + ": " + capture.lines().join(QLatin1Char('|'))));
        }
    }

    void operationsPassTheTransportsOutcomeThrough()
    {
        for (const OperationRow &row : operationTable()) {
            Access access(0x2041);
            access.answerAlways(row.operationCode, QByteArray(), false);
            QVERIFY2(!row.call(access), row.name);
            QCOMPARE(access.transactions().size(), 1);
        }
    }

    void traceLinesFollowTheCommandCategory()
    {
        Access access(0x2041);
        TVK_Test_LogCapture capture(kLEStartupLogMask & ~0x1u);
        QVERIFY(access.keepCameraActive());
        QVERIFY(capture.lines().isEmpty());
    }

    void receivedDataIsZeroFilledAndTruncated()
    {
        Access access(0x2041);
        unsigned char buffer[8];
        memset(buffer, 0xEE, sizeof buffer);
        access.answerNext(0x9003, QByteArray("\x01\x02\x03", 3));
        QVERIFY(access.getLensData(buffer, sizeof buffer));
        const unsigned char shortAnswer[8] = {1, 2, 3, 0, 0, 0, 0, 0};
        QCOMPARE(memcmp(buffer, shortAnswer, sizeof buffer), 0);

        access.answerNext(0x9003, QByteArray("ABCDEFGHIJKL"));
        QVERIFY(access.getLensData(buffer, 4));
        QCOMPARE(memcmp(buffer, "ABCD", 4), 0);
        QCOMPARE(buffer[4], 0); // beyond the given size nothing is touched

        memset(buffer, 0xEE, sizeof buffer);
        access.answerNext(0x9003, QByteArray("XYZ"), false);
        QVERIFY(!access.getLensData(buffer, sizeof buffer));
        QCOMPARE(buffer[0], 0xEE);
        QCOMPARE(buffer[7], 0xEE);
    }

    void focusModeFollowsSuccessfulReadsAndWritesOnly()
    {
        Access access(0x2061);
        QCOMPARE(access.focusMode(), qint16(2));

        access.answerNext(0x1015, le16(5));
        qint16 value = -1;
        QVERIFY(access.getDevicePropValue(0x500A, value));
        QCOMPARE(value, qint16(5));
        QCOMPARE(access.focusMode(), qint16(5));

        access.answerNext(0x1015, le16(1), false);
        QVERIFY(!access.getDevicePropValue(0x500A, value));
        QCOMPARE(access.focusMode(), qint16(5));

        QVERIFY(access.setDevicePropValue(0x500A, qint16(0)));
        QCOMPARE(access.focusMode(), qint16(0));
        QCOMPARE(access.last().sentData, le16(0));

        access.answerNext(0x1016, QByteArray(), false);
        QVERIFY(!access.setDevicePropValue(0x500A, qint16(1)));
        QCOMPARE(access.focusMode(), qint16(0));

        // Another property of the same width does not touch it.
        access.answerNext(0x1015, le16(7));
        QVERIFY(access.getDevicePropValue(0x500B, value));
        QCOMPARE(access.focusMode(), qint16(0));
    }

    void everyListedPropertyIsInTheTable_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<bool>("writable");
        for (const ExpectedProperty &expected : expectedProperties()) {
            const QByteArray name = "0x" + QByteArray::number(expected.code, 16).toUpper();
            QTest::newRow(name.constData())
                << int(expected.code) << expected.width << expected.readable << expected.writable;
        }
    }

    void everyListedPropertyIsInTheTable()
    {
        QFETCH(int, code);
        QFETCH(int, width);
        QFETCH(bool, readable);
        QFETCH(bool, writable);
        const TVK_Commu_DevicePropertyTable::Entry *entry = TVK_Commu_DevicePropertyTable::find(code);
        QVERIFY(entry != nullptr);
        QCOMPARE(int(entry->code), code);
        QCOMPARE(int(entry->width), width);
        QCOMPARE(entry->readable, readable);
        QCOMPARE(entry->writable, writable);
    }

    void theTableHasOnlyListedPropertiesEachOnce()
    {
        const QVector<ExpectedProperty> expected = expectedProperties();
        std::set<quint16> seen;
        for (const TVK_Commu_DevicePropertyTable::Entry &entry : TVK_Commu_DevicePropertyTable::entries()) {
            const QByteArray name = "0x" + QByteArray::number(entry.code, 16).toUpper();
            QVERIFY2(seen.insert(entry.code).second, name.constData());
            const bool listed = std::any_of(expected.begin(), expected.end(),
                                            [&entry](const ExpectedProperty &e) { return e.code == entry.code; });
            QVERIFY2(listed, name.constData());
        }
        QCOMPARE(int(seen.size()), expected.size());
    }

    // The typed accessors follow the table: a read of exactly the width, a
    // write of the same bytes, and neither in a direction the table refuses.
    void everyTablePropertyTravelsWithItsWidth()
    {
        TVK_Test_LogCapture quiet; // refusals of the other direction are expected here
        for (const TVK_Commu_DevicePropertyTable::Entry &entry : TVK_Commu_DevicePropertyTable::entries()) {
            Access access(0x2041);
            const QByteArray wire = QByteArray::fromHex("8182838485868788").left(entry.width);
            bool read = false;
            bool written = false;
            quint64 got = 0;
            access.answerNext(0x1015, wire);
            switch (entry.width) {
            case 1:
                exchange<quint8>(access, entry.code, &read, &written, &got);
                break;
            case 2:
                exchange<quint16>(access, entry.code, &read, &written, &got);
                break;
            default:
                exchange<quint32>(access, entry.code, &read, &written, &got);
                break;
            }
            const QByteArray name = QByteArray::number(entry.code, 16);
            QVERIFY2(read == entry.readable, name);
            QVERIFY2(written == entry.writable, name);
            const QVector<Access::Transaction> done = access.transactions();
            QCOMPARE(done.size(), int(entry.readable) + int(entry.writable));
            if (entry.readable) {
                QCOMPARE(done.first().operationCode, 0x1015);
                QCOMPARE(done.first().params, QVector<quint32>{entry.code});
                QCOMPARE(done.first().size, unsigned(entry.width));
                QCOMPARE(got, quint64(qFromLittleEndian<quint32>(QByteArray(wire + QByteArray(4, '\0')).constData())));
            }
            if (entry.writable) {
                QCOMPARE(done.last().operationCode, 0x1016);
                QCOMPARE(done.last().params, QVector<quint32>{entry.code});
                QCOMPARE(done.last().sentData, wire);
            }
        }
    }

    void typedAccessorsRefuseUnknownCodesWrongWidthsAndDirections()
    {
        Access access(0x2041);
        TVK_Test_LogCapture capture;
        quint32 wide = 0;
        quint16 narrow = 0;
        QVERIFY(!access.getDevicePropValue(0x5001, wide));     // BatteryLevel is one byte
        QVERIFY(!access.getDevicePropValue(0xD001, narrow));   // a 4-byte vendor property
        QVERIFY(!access.getDevicePropValue(0xD03B, wide));     // write-only
        QVERIFY(!access.setDevicePropValue(0xD608, quint32(1))); // read-only
        QVERIFY(!access.getDevicePropValue(0x1234, wide));     // not a property of ours
        QVERIFY(access.transactions().isEmpty());
        QCOMPARE(capture.lines().size(), 5);
        QCOMPARE(capture.lines().first(),
                 kBase + QStringLiteral("getDevicePropValue() - Error: property 0x5001 cannot be read with 4 bytes"));
        QCOMPARE(capture.lines().at(3),
                 kBase
                     + QStringLiteral("setDevicePropValue() - Error: property 0xD608 cannot be written with 4 bytes"));
    }

    void signedPropertiesReadBackNegative()
    {
        Access access(0x2041);
        access.answerNext(0x1015, le16(quint16(-1000)));
        qint16 compensation = 0;
        QVERIFY(access.getDevicePropValue(0x5010, compensation));
        QCOMPARE(compensation, qint16(-1000));
        access.answerNext(0x1015, le32(0xFFFFFA00));
        qint32 code = 0;
        QVERIFY(access.getDevicePropValue(0xD625, code));
        QCOMPARE(code, qint32(-1536));
    }

    void objectPropsAreSearchedWithinTheFirstHundredCodes()
    {
        Access access(0x2041);
        QByteArray answer = le32(5000);
        for (int i = 0; i < 100; ++i)
            answer += le16(quint16(0xDC00 + i));
        access.answerAlways(0x9801, answer);
        QVERIFY(access.supportsObjectProp(0x3801, 0xDC00));
        QVERIFY(access.supportsObjectProp(0x3801, 0xDC63));
        QVERIFY(!access.supportsObjectProp(0x3801, 0xDC64));
        const Access::Transaction t = access.last();
        QCOMPARE(t.size, 204u);
        QCOMPARE(t.params, QVector<quint32>{0x3801});

        // A count smaller than the list limits the search.
        Access small(0x2041);
        small.answerAlways(0x9801, le32(2) + le16(0xD800) + le16(0xD801) + le16(0xD802));
        QVERIFY(small.supportsObjectProp(0x3000, 0xD801));
        QVERIFY(!small.supportsObjectProp(0x3000, 0xD802));

        Access failing(0x2041);
        failing.answerAlways(0x9801, answer, false);
        QVERIFY(!failing.supportsObjectProp(0x3801, 0xDC00));
    }

    void captureModeFlagsDependOnProductAndDescription_data()
    {
        QTest::addColumn<int>("product");
        QTest::addColumn<bool>("mode7");
        QTest::addColumn<bool>("mode5");
        QTest::newRow("0x2031") << 0x2031 << true << false;
        QTest::newRow("0x2033") << 0x2033 << true << false;
        QTest::newRow("0x2061") << 0x2061 << false << true;
        QTest::newRow("0x2041") << 0x2041 << false << false;
        QTest::newRow("0x2009") << 0x2009 << false << false;
    }

    void captureModeFlagsDependOnProductAndDescription()
    {
        QFETCH(int, product);
        QFETCH(bool, mode7);
        QFETCH(bool, mode5);
        // StillCaptureMode, UINT16, enumeration of 1, 2, 5 and 7.
        const QByteArray desc = le16(0x5013) + le16(4) + QByteArray(1, '\1') + le16(1) + le16(1)
                                + QByteArray(1, '\2') + le16(4) + le16(1) + le16(2) + le16(5) + le16(7);
        Access access(product);
        access.answerAlways(0x1014, desc);
        QVERIFY(!access.supportsStillCaptureMode7());
        QVERIFY(!access.supportsStillCaptureMode5());
        access.initCapabilityFlags();
        QCOMPARE(access.supportsStillCaptureMode7(), mode7);
        QCOMPARE(access.supportsStillCaptureMode5(), mode5);

        Access without(product);
        without.answerAlways(0x1014, QByteArray(), false);
        without.initCapabilityFlags();
        QVERIFY(!without.supportsStillCaptureMode7());
        QVERIFY(!without.supportsStillCaptureMode5());
    }

    void queuedPropertyChangesArePacedAndDeduplicated()
    {
        Access access(0x2041);
        QSignalSpy changed(&access, &TVK_Commu_CameraAccess_Base::signalDevicePropertyChanged);
        QSignalSpy lens(&access, &TVK_Commu_CameraAccess_Base::signalLensChanged);
        access.queueProperty(0x5005);
        access.queueProperty(0x5005);
        access.queueProperty(0xD001);
        access.queueProperty(0xD620);
        access.queueProperty(0);
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 2, 2000);
        QTRY_COMPARE_WITH_TIMEOUT(lens.size(), 1, 2000);
        QTest::qWait(350);
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.at(0).at(0).value<ushort>(), ushort(0x5005));
        QCOMPARE(changed.at(1).at(0).value<ushort>(), ushort(0xD001));
        QCOMPARE(lens.size(), 1);
    }

    void streamingPropertiesHaveNamedAccessors()
    {
        Access access(0x2041);
        quint32 value = 0;
        access.answerNext(0x1015, le32(0x00020001));
        QVERIFY(access.getDevicePropSupportedStreams(value));
        QCOMPARE(value, 0x00020001u);
        QVERIFY(access.getDevicePropEnabledStreams(value));
        QVERIFY(access.setDevicePropEnabledStreams(1));
        QVERIFY(access.getDevicePropStreamVideoFormat(value));
        QVERIFY(access.getDevicePropStreamVideoResolution(value));
        QVERIFY(access.getDevicePropStreamVideoFrameRate(value));
        QVector<quint32> codes;
        for (const Access::Transaction &t : access.transactions())
            codes.append(t.params.value(0));
        QCOMPARE(codes, (QVector<quint32>{0x5020, 0x5021, 0x5021, 0x5022, 0x5023, 0x5025}));
        QCOMPARE(access.transactions().at(2).sentData, le32(1));
    }

    void aNewAccessIsClosedWithDefaults()
    {
        Access access(0, 256);
        QCOMPARE(access.connectionType(), 256);
        QCOMPARE(access.productId(), 0);
        QCOMPARE(access.focusMode(), qint16(2));
    }
};

QTEST_GUILESS_MAIN(tst_cameraaccess)
#include "tst_cameraaccess.moc"
