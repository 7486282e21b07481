#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"
#include "TVK_Logic_APEXConverterAperture.h"
#include "TVK_Logic_Camera3DAxisData.h"
#include "TVK_Logic_CameraGeotackingData.h"
#include "TVK_Logic_CameraLens.h"
#include "TVK_Logic_CameraStreamInfo.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_RecordingAccess.h"

#include <QtEndian>
#include <QtTest>

#include <cstring>

using namespace TVK_Commu_Ptp;

namespace {

// A record of fixed size with little-endian fields written at their offsets,
// as the camera sends it.
class RecordBytes
{
public:
    explicit RecordBytes(int size, char fill = '\0')
        : m_bytes(size, fill)
    {
    }

    RecordBytes &u8(int offset, quint8 value)
    {
        m_bytes[offset] = char(value);
        return *this;
    }
    RecordBytes &u16(int offset, quint16 value) { return raw(offset, &value, sizeof value); }
    RecordBytes &u32(int offset, quint32 value) { return raw(offset, &value, sizeof value); }
    RecordBytes &u64(int offset, quint64 value) { return raw(offset, &value, sizeof value); }
    RecordBytes &f32(int offset, float value)
    {
        quint32 bits;
        std::memcpy(&bits, &value, sizeof bits);
        return u32(offset, bits);
    }
    RecordBytes &f64(int offset, double value)
    {
        quint64 bits;
        std::memcpy(&bits, &value, sizeof bits);
        return u64(offset, bits);
    }
    RecordBytes &latin1(int offset, const QByteArray &text)
    {
        m_bytes.replace(offset, text.size(), text);
        return *this;
    }
    QByteArray data() const { return m_bytes; }

private:
    template <typename T>
    RecordBytes &raw(int offset, const T *value, size_t size)
    {
        const T little = qToLittleEndian(*value);
        m_bytes.replace(offset, int(size), QByteArray(reinterpret_cast<const char *>(&little), int(size)));
        return *this;
    }

    QByteArray m_bytes;
};

bool allZero(const unsigned char *data, unsigned size)
{
    for (unsigned i = 0; i < size; ++i)
        if (data[i] != 0)
            return false;
    return true;
}

// The start-up mask without the access layer's command trace, so that only
// the records' own lines are captured.
constexpr quint32 kStartupMaskWithoutTrace = kLEStartupLogMask & ~quint32(kLELogCommand);

const QByteArray kKorvanit = QByteArray("Korvanit-A 70") + QByteArray(46, ' ');

// A lens record with every field set to a value of its own. The bytes the
// record leaves unread are 0xFF, so that a getter reading from a wrong offset
// gives a different number.
RecordBytes typicalLens()
{
    RecordBytes lens(101, '\0');
    lens.u8(0, 1)
        .latin1(1, kKorvanit + ' ')
        .u8(61, 7)
        .u32(62, 1234567)
        .u8(66, 3)
        .u8(67, 2)
        .u16(68, 1280)
        .u16(70, 2048)
        .u8(72, 3)
        .u16(73, 35)
        .u16(75, 70)
        .u32(77, 700)
        .u32(81, 0xFFFFFFFFu)
        .u8(85, 0x01)
        .u8(86, 0xFF)
        .u8(87, 0xFF)
        .u8(88, 0xFF)
        .u32(89, 11051)
        .u16(93, 50)
        .u8(95, 1)
        .u8(96, 2)
        .u8(97, 10)
        .u8(98, 255)
        .u8(99, 0xFF)
        .u8(100, 0xFF);
    return lens;
}

RecordBytes lensWithState(quint8 state)
{
    return RecordBytes(101).u8(0, state);
}

RecordBytes typicalGeotagging()
{
    RecordBytes geo(133, char(0xEE));
    geo.u8(0, 0x0B).u8(23, 8).u8(24, 32).f32(25, 15.5f).u8(29, 47).u8(30, 22).f32(31, 40.25f).u8(59, 9);
    return geo;
}

RecordBytes streamInfo(quint64 datasetSize)
{
    RecordBytes info(36);
    info.u64(0, datasetSize)
        .u64(8, 40000000)
        .u32(16, 12)
        .u32(20, 300000)
        .u32(24, 20)
        .u32(28, 524288)
        .u32(32, 4);
    return info;
}

// 3-axis answers with pitch 12.5, roll -3.25 and temperature 41.75 in the
// layout of the product.
QByteArray threeAxisAnswer(bool longLayout)
{
    if (longLayout)
        return RecordBytes(213).f64(12, 12.5).f64(20, -3.25).f64(205, 41.75).data();
    return RecordBytes(193).f32(12, 12.5f).f32(16, -3.25f).f32(189, 41.75f).data();
}

// The dump lines that follow the hex dump: everything after the title and the
// lines carrying the label.
QStringList linesAfterHexDump(const QStringList &lines, const QString &label)
{
    QStringList rest;
    for (const QString &line : lines)
        if (!line.startsWith(label + QLatin1Char('[')) && !line.endsWith(QLatin1Char(':')))
            rest.append(line);
    return rest;
}

int hexLineCount(const QStringList &lines, const QString &label)
{
    int count = 0;
    for (const QString &line : lines)
        if (line.startsWith(label + QLatin1Char('[')))
            ++count;
    return count;
}

} // namespace

class tst_camerarecords : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    // Lens record
    void lensReadAsksForItsRecordWithOperation9003();
    void lensStateDecidesConnectionAndAutomaticSelection_data();
    void lensStateDecidesConnectionAndAutomaticSelection();
    void lensTypeStringIsCutAtFiftyNineCharactersAndTrimmed_data();
    void lensTypeStringIsCutAtFiftyNineCharactersAndTrimmed();
    void lensFieldsAreReadFromTheirOffsets();
    void apertureCodesBecomeFNumbersAndAreDumpedRaw_data();
    void apertureCodesBecomeFNumbersAndAreDumpedRaw();
    void apertureStepsAreNamed_data();
    void apertureStepsAreNamed();
    void centralShutterIsBitZeroOfTheFlags_data();
    void centralShutterIsBitZeroOfTheFlags();
    void lensDumpWritesEveryLine();
    void lensDumpTitleNamesTheCaller();
    void lensDumpStaysSilentWithItsCategoryOff();
    void failedLensReadLeavesAnAllZeroRecord();

    // 3-axis record
    void threeAxisLayoutFollowsTheProduct_data();
    void threeAxisLayoutFollowsTheProduct();
    void threeAxisLayoutIsKeptWhenTheProductChanges();
    void failedThreeAxisReadGivesZeroValues_data();
    void failedThreeAxisReadGivesZeroValues();
    void threeAxisDumpCoversTheBufferInUse_data();
    void threeAxisDumpCoversTheBufferInUse();
    void threeAxisDumpIsOffWithTheStartupMask();

    // Geotagging record
    void geotaggingReadAsksForItsRecordWithOperation9008();
    void geotaggingValidityFlagsAreSingleBits_data();
    void geotaggingValidityFlagsAreSingleBits();
    void geotaggingCoordinatesAreReadFromTheirOffsets();
    void geotaggingDumpWritesEveryLine();
    void failedGeotaggingReadClearsEverything();

    // Stream info
    void streamInfoReadSendsParameterZeroAndAsksFor36Bytes();
    void streamInfoFieldsAreReadFromTheirOffsets();
    void streamInfoWithWrongSizeIsLoggedAndStillUsed_data();
    void streamInfoWithWrongSizeIsLoggedAndStillUsed();
    void failedStreamInfoReadGivesNoPacketSizeAndNoSizeComplaint();
    void streamInfoDumpWritesEveryLine();
    void streamInfoDumpIsOffWithTheStartupMask();

    // All records
    void recordsWithoutAccessStayAllZero();
};

void tst_camerarecords::initTestCase()
{
    // Aperture values go through the process-wide converter; without a camera
    // it uses the APEX formula.
    TVK_Logic_APEXConverterAperture::setProductId(0);
}

// --- Lens record -------------------------------------------------------------

void tst_camerarecords::lensReadAsksForItsRecordWithOperation9003()
{
    TVK_Test_RecordingAccess access(0x2041);
    access.answerAlways(kOpGetLensData, typicalLens().data());
    TVK_Logic_CameraLens lens(&access);

    QCOMPARE(access.transactions().size(), 1);
    const TVK_Test_RecordingAccess::Transaction read = access.last();
    QCOMPARE(read.operationCode, TVK_Commu_Ptp::kOpGetLensData);
    QCOMPARE(read.direction, TVK_Test_RecordingAccess::kLEDataIn);
    QCOMPARE(read.size, 101u);
    QVERIFY(read.params.isEmpty());

    QVERIFY(lens.recvFromCamera());
    QCOMPARE(access.transactions().size(), 2);
}

void tst_camerarecords::lensStateDecidesConnectionAndAutomaticSelection_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("automatic");

    QTest::newRow("0 no lens, automatic selection") << 0 << false << true;
    QTest::newRow("1 lens, automatic selection") << 1 << true << true;
    QTest::newRow("2 lens, manual selection") << 2 << true << false;
    QTest::newRow("3 no lens, manual selection") << 3 << false << false;
    QTest::newRow("255 no lens, manual selection") << 255 << false << false;
}

void tst_camerarecords::lensStateDecidesConnectionAndAutomaticSelection()
{
    QFETCH(int, state);
    QFETCH(bool, connected);
    QFETCH(bool, automatic);

    TVK_Test_RecordingAccess access;
    access.answerAlways(kOpGetLensData, lensWithState(quint8(state)).data());
    TVK_Logic_CameraLens lens(&access);

    QCOMPARE(lens.lensState(), quint8(state));
    QCOMPARE(lens.isLensConnected(), connected);
    QCOMPARE(lens.isAutoLensSelectionEnabled(), automatic);
}

void tst_camerarecords::lensTypeStringIsCutAtFiftyNineCharactersAndTrimmed_data()
{
    QTest::addColumn<QByteArray>("field"); // the 60 bytes at offset 1
    QTest::addColumn<QString>("expected");

    QTest::newRow("name and 46 blanks") << kKorvanit + ' ' << QStringLiteral("Korvanit-A 70");
    QTest::newRow("leading and trailing blanks")
        << QByteArray("   Vario 24-90") + QByteArray(46, ' ') << QStringLiteral("Vario 24-90");
    QTest::newRow("tabs and line ends around the name")
        << QByteArray("\t Elmar 50\r\n") + QByteArray(48, ' ') << QStringLiteral("Elmar 50");
    QTest::newRow("sixtieth byte is not text")
        << QByteArray(59, 'A') + 'Z' << QString(59, QLatin1Char('A'));
    QTest::newRow("zero ends the name") << QByteArray("Summar\0junk", 11) + QByteArray(49, 'x')
                                        << QStringLiteral("Summar");
    QTest::newRow("Latin-1 characters") << QByteArray("Gro\xDF-Objektiv \xC4") + QByteArray(45, ' ')
                                        << QString::fromLatin1("Gro\xDF-Objektiv \xC4");
    QTest::newRow("only blanks") << QByteArray(60, ' ') << QString();
    QTest::newRow("all zero") << QByteArray(60, '\0') << QString();
}

void tst_camerarecords::lensTypeStringIsCutAtFiftyNineCharactersAndTrimmed()
{
    QFETCH(QByteArray, field);
    QFETCH(QString, expected);
    QCOMPARE(field.size(), 60);

    TVK_Test_RecordingAccess access;
    access.answerAlways(kOpGetLensData, RecordBytes(101).u8(0, 1).latin1(1, field).u8(61, 0x41).data());
    TVK_Logic_CameraLens lens(&access);

    QCOMPARE(lens.lensTypeString(), expected);
}

void tst_camerarecords::lensFieldsAreReadFromTheirOffsets()
{
    TVK_Test_RecordingAccess access;
    access.answerAlways(kOpGetLensData, typicalLens().data());
    TVK_Logic_CameraLens lens(&access);

    QCOMPARE(lens.lensTypeString(), QStringLiteral("Korvanit-A 70"));
    QCOMPARE(lens.lensType(), quint8(7));
    QCOMPARE(lens.lensSerialNumber(), 1234567u);
    QCOMPARE(lens.lensFirmwareVersion(), quint8(3));
    QCOMPARE(lens.correctionDataVersion(), quint8(2));
    QCOMPARE(lens.openApertureCode(), qint16(1280));
    QCOMPARE(lens.closeApertureCode(), qint16(2048));
    QCOMPARE(lens.openApertureValue(), 5.6);
    QCOMPARE(lens.closeApertureValue(), 16.0);
    QCOMPARE(lens.apertureSteps(), quint8(3));
    QCOMPARE(lens.focalLengthMin(), quint16(35));
    QCOMPARE(lens.focalLengthMax(), quint16(70));
    QCOMPARE(lens.focusPositionMin(), 700u);
    QCOMPARE(lens.focusPositionMax(), 0xFFFFFFFFu);
    QCOMPARE(lens.flags(), quint8(0x01));
    QVERIFY(lens.isCentralShutterAvailable());
    QCOMPARE(lens.lensID(), 11051u);
    QCOMPARE(lens.selectedFocalLength(), quint16(50));
    QCOMPARE(lens.lensFileVersion(), QStringLiteral("1.2.10.255"));
    QCOMPARE(lens.size(), 101u);
}

void tst_camerarecords::apertureCodesBecomeFNumbersAndAreDumpedRaw_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("fNumber");
    QTest::addColumn<QString>("rawText");

    QTest::newRow("Av 0 is f 1") << 0 << 1.0 << QStringLiteral("0x0000 = 0 (1.000)");
    QTest::newRow("Av 5 is f 5.6") << 1280 << 5.6 << QStringLiteral("0x0500 = 1280 (5.600)");
    QTest::newRow("Av 7 is f 11") << 1792 << 11.0 << QStringLiteral("0x0700 = 1792 (11.000)");
    QTest::newRow("Av 9.5 is f 27") << 2432 << 27.0 << QStringLiteral("0x0980 = 2432 (27.000)");
    QTest::newRow("negative Av -1 is f 0.7") << -256 << 0.7 << QStringLiteral("0xFF00 = -256 (0.700)");
}

void tst_camerarecords::apertureCodesBecomeFNumbersAndAreDumpedRaw()
{
    QFETCH(int, code);
    QFETCH(double, fNumber);
    QFETCH(QString, rawText);

    TVK_Test_LogCapture capture(kLELogLens);
    TVK_Test_RecordingAccess access;
    access.answerAlways(kOpGetLensData,
                        RecordBytes(101).u16(68, quint16(code)).u16(70, quint16(code)).data());
    TVK_Logic_CameraLens lens(&access);

    QCOMPARE(int(lens.openApertureCode()), code);
    QCOMPARE(int(lens.closeApertureCode()), code);
    QCOMPARE(lens.openApertureValue(), fNumber);
    QCOMPARE(lens.closeApertureValue(), fNumber);
    QVERIFY(capture.contains(QStringLiteral("TVK_Logic_CameraLens::dump() - openApertureValue          = ") + rawText));
    QVERIFY(capture.contains(QStringLiteral("TVK_Logic_CameraLens::dump() - closeApertureValue         = ") + rawText));
}

void tst_camerarecords::apertureStepsAreNamed_data()
{
    QTest::addColumn<int>("steps");
    QTest::addColumn<QString>("text");

    QTest::newRow("0") << 0 << QStringLiteral("undefined");
    QTest::newRow("1") << 1 << QStringLiteral("1 EV");
    QTest::newRow("2") << 2 << QStringLiteral("1/2 EV");
    QTest::newRow("3") << 3 << QStringLiteral("1/3 EV");
    QTest::newRow("4") << 4 << QStringLiteral("illegal");
    QTest::newRow("7") << 7 << QStringLiteral("illegal");
    QTest::newRow("255") << 255 << QStringLiteral("illegal");
}

void tst_camerarecords::apertureStepsAreNamed()
{
    QFETCH(int, steps);
    QFETCH(QString, text);

    TVK_Test_LogCapture capture(kLELogLens);
    TVK_Test_RecordingAccess access;
    access.answerAlways(kOpGetLensData, RecordBytes(101).u8(72, quint8(steps)).data());
    TVK_Logic_CameraLens lens(&access);

    QCOMPARE(int(lens.apertureSteps()), steps);
    QCOMPARE(lens.apertureStepsString(), text);
    const QStringList lines = capture.matching(QStringLiteral(" - apertureSteps "));
    QCOMPARE(lines, QStringList(QStringLiteral("TVK_Logic_CameraLens::dump() - apertureSteps              = ") + text));
}

void tst_camerarecords::centralShutterIsBitZeroOfTheFlags_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("available");

    QTest::newRow("0x00") << 0x00 << false;
    QTest::newRow("0x01") << 0x01 << true;
    QTest::newRow("0xFE") << 0xFE << false;
    QTest::newRow("0xFF") << 0xFF << true;
}

void tst_camerarecords::centralShutterIsBitZeroOfTheFlags()
{
    QFETCH(int, flags);
    QFETCH(bool, available);

    TVK_Test_LogCapture capture(kLELogLens);
    TVK_Test_RecordingAccess access;
    access.answerAlways(kOpGetLensData, RecordBytes(101).u8(85, quint8(flags)).data());
    TVK_Logic_CameraLens lens(&access);

    QCOMPARE(lens.isCentralShutterAvailable(), available);
    QVERIFY(capture.contains(QStringLiteral("TVK_Logic_CameraLens::dump() - isCentralShutterAvailable  = ")
                             + QLatin1String(available ? "true" : "false")));
}

void tst_camerarecords::lensDumpWritesEveryLine()
{
    TVK_Test_LogCapture capture(kLELogLens);
    TVK_Test_RecordingAccess access;
    access.answerAlways(kOpGetLensData, typicalLens().data());
    TVK_Logic_CameraLens lens(&access);

    const QStringList lines = capture.lines();
    QCOMPARE(lines.value(0),
             QStringLiteral("TVK_Logic_CameraLens::dump() for TVK_Logic_CameraLens::recvFromCamera():"));
    QCOMPARE(lines.value(1), QStringLiteral("lensData[000000000000]: 01 4B 6F 72 76 61 6E 69 74 2D 41 20 37 30 20 20 "
                                            ".Korvanit-A 70  "));
    // 101 bytes at 16 per line, no limit.
    QCOMPARE(hexLineCount(lines, QStringLiteral("lensData")), 7);
    QVERIFY(lines.value(7).startsWith(QStringLiteral("lensData[000000000060]: ")));

    const QString p = QStringLiteral("TVK_Logic_CameraLens::dump() - ");
    const QStringList expected = {
        p + QStringLiteral("isLensConnected            = 1"),
        p + QStringLiteral("isAutoLensSelectionEnabled = 1"),
        p + QStringLiteral("lensTypeString             = \"Korvanit-A 70\""),
        p + QStringLiteral("lensType                   = 7"),
        p + QStringLiteral("lensSerialNumber           = 1234567"),
        p + QStringLiteral("lensFirmwareVersion        = 3"),
        p + QStringLiteral("correctionDataVersion      = 2"),
        p + QStringLiteral("openApertureValue          = 0x0500 = 1280 (5.600)"),
        p + QStringLiteral("closeApertureValue         = 0x0800 = 2048 (16.000)"),
        p + QStringLiteral("apertureSteps              = 1/3 EV"),
        p + QStringLiteral("focalLengthMin             = 35 mm"),
        p + QStringLiteral("focalLengthMax             = 70 mm"),
        p + QStringLiteral("focusPositionMin           = 0.700 m"),
        p + QStringLiteral("focusPositionMax           = 4294967.295 m"),
        p + QStringLiteral("isCentralShutterAvailable  = true"),
        p + QStringLiteral("lensID                     = 11051"),
        p + QStringLiteral("selectedFocalLength        = 50 mm"),
        p + QStringLiteral("lensFileVersion            = 1.2.10.255"),
    };
    QCOMPARE(lines.mid(8), expected);
}

void tst_camerarecords::lensDumpTitleNamesTheCaller()
{
    TVK_Test_RecordingAccess access;
    access.answerAlways(kOpGetLensData, typicalLens().data());
    TVK_Logic_CameraLens lens(&access);

    TVK_Test_LogCapture capture(kLELogLens);
    lens.dump(QStringLiteral("TVK_Logic_Camera::catchLensChanged()"));
    QCOMPARE(capture.lines().value(0),
             QStringLiteral("TVK_Logic_CameraLens::dump() for TVK_Logic_Camera::catchLensChanged():"));
    QCOMPARE(capture.lines().size(), 1 + 7 + 18);
}

void tst_camerarecords::lensDumpStaysSilentWithItsCategoryOff()
{
    TVK_Test_LogCapture capture(kStartupMaskWithoutTrace & ~quint32(kLELogLens));
    TVK_Test_RecordingAccess access;
    access.answerAlways(kOpGetLensData, typicalLens().data());
    TVK_Logic_CameraLens lens(&access);
    lens.dump(QStringLiteral("explicit"));

    QCOMPARE(capture.lines(), QStringList());
}

void tst_camerarecords::failedLensReadLeavesAnAllZeroRecord()
{
    TVK_Test_RecordingAccess access;
    access.answerNext(kOpGetLensData, typicalLens().data());
    access.answerNext(kOpGetLensData, QByteArray(), false);
    TVK_Logic_CameraLens lens(&access);
    QVERIFY(lens.isLensConnected());
    QVERIFY(!allZero(lens.data(), lens.size()));

    QVERIFY(!lens.recvFromCamera());
    QVERIFY(allZero(lens.data(), lens.size()));
    QVERIFY(!lens.isLensConnected());
    QVERIFY(lens.isAutoLensSelectionEnabled());
    QCOMPARE(lens.lensTypeString(), QString());
    QCOMPARE(lens.focalLengthMin(), quint16(0));
    QCOMPARE(lens.focalLengthMax(), quint16(0));
    QCOMPARE(lens.focusPositionMax(), 0u);
    QCOMPARE(lens.lensFileVersion(), QStringLiteral("0.0.0.0"));
    QCOMPARE(lens.apertureStepsString(), QStringLiteral("undefined"));
}

// --- 3-axis record ------------------------------------------------------------

void tst_camerarecords::threeAxisLayoutFollowsTheProduct_data()
{
    QTest::addColumn<int>("productId");
    QTest::addColumn<bool>("longLayout");

    QTest::newRow("no camera") << 0 << false;
    QTest::newRow("0x2009") << 0x2009 << false;
    QTest::newRow("0x2011") << 0x2011 << false;
    QTest::newRow("0x2021") << 0x2021 << false;
    QTest::newRow("0x2031") << 0x2031 << true;
    QTest::newRow("0x2033") << 0x2033 << true;
    QTest::newRow("0x2041") << 0x2041 << true;
    QTest::newRow("0x2044") << 0x2044 << true;
    QTest::newRow("0x2047") << 0x2047 << true;
    QTest::newRow("0x2051") << 0x2051 << false;
    QTest::newRow("0x2061") << 0x2061 << false;
}

void tst_camerarecords::threeAxisLayoutFollowsTheProduct()
{
    QFETCH(int, productId);
    QFETCH(bool, longLayout);

    TVK_Test_RecordingAccess access(productId);
    access.answerAlways(kOpGet3DAxisData, threeAxisAnswer(longLayout));
    TVK_Logic_Camera3DAxisData axis(&access);

    QCOMPARE(access.transactions().size(), 1);
    QCOMPARE(access.last().operationCode, TVK_Commu_Ptp::kOpGet3DAxisData);
    QCOMPARE(access.last().direction, TVK_Test_RecordingAccess::kLEDataIn);
    QCOMPARE(access.last().size, longLayout ? 213u : 193u);
    QCOMPARE(axis.isLongLayout(), longLayout);
    QCOMPARE(axis.size(), longLayout ? 213u : 193u);
    QCOMPARE(TVK_Logic_Camera3DAxisData::usesLongLayout(productId), longLayout);
    QCOMPARE(axis.cameraPitchAngle(), 12.5);
    QCOMPARE(axis.cameraRollAngle(), -3.25);
    QCOMPARE(axis.temperature(), 41.75);
}

void tst_camerarecords::threeAxisLayoutIsKeptWhenTheProductChanges()
{
    TVK_Test_RecordingAccess access(0x2041);
    access.answerAlways(kOpGet3DAxisData, threeAxisAnswer(true));
    TVK_Logic_Camera3DAxisData axis(&access);

    access.setProduct(0x2061);
    QVERIFY(axis.recvFromCamera());
    QCOMPARE(access.last().size, 213u);
    QVERIFY(axis.isLongLayout());
    QCOMPARE(axis.cameraPitchAngle(), 12.5);
}

void tst_camerarecords::failedThreeAxisReadGivesZeroValues_data()
{
    QTest::addColumn<int>("productId");
    QTest::newRow("long layout, 0x2031") << 0x2031;
    QTest::newRow("short layout, 0x2009") << 0x2009;
}

void tst_camerarecords::failedThreeAxisReadGivesZeroValues()
{
    QFETCH(int, productId);
    const bool longLayout = TVK_Logic_Camera3DAxisData::usesLongLayout(productId);

    TVK_Test_RecordingAccess access(productId);
    access.answerNext(kOpGet3DAxisData, threeAxisAnswer(longLayout));
    access.answerNext(kOpGet3DAxisData, QByteArray(), false);
    TVK_Logic_Camera3DAxisData axis(&access);
    QCOMPARE(axis.cameraPitchAngle(), 12.5);

    QVERIFY(!axis.recvFromCamera());
    QVERIFY(allZero(axis.data(), axis.size()));
    QCOMPARE(axis.cameraPitchAngle(), 0.0);
    QCOMPARE(axis.cameraRollAngle(), 0.0);
    QCOMPARE(axis.temperature(), 0.0);
}

void tst_camerarecords::threeAxisDumpCoversTheBufferInUse_data()
{
    QTest::addColumn<int>("productId");
    QTest::addColumn<int>("hexLines");
    QTest::addColumn<QString>("lastHexOffset");

    QTest::newRow("213 bytes on 0x2041") << 0x2041 << 14 << QStringLiteral("0000000000D0");
    QTest::newRow("193 bytes on 0x2061") << 0x2061 << 13 << QStringLiteral("0000000000C0");
}

void tst_camerarecords::threeAxisDumpCoversTheBufferInUse()
{
    QFETCH(int, productId);
    QFETCH(int, hexLines);
    QFETCH(QString, lastHexOffset);

    TVK_Test_LogCapture capture(kLELog3DAxis);
    TVK_Test_RecordingAccess access(productId);
    access.answerAlways(kOpGet3DAxisData, threeAxisAnswer(TVK_Logic_Camera3DAxisData::usesLongLayout(productId)));
    TVK_Logic_Camera3DAxisData axis(&access);

    const QStringList lines = capture.lines();
    QCOMPARE(lines.value(0), QStringLiteral("TVK_Logic_Camera3DAxisData::dump() for "
                                            "TVK_Logic_Camera3DAxisData::recvFromCamera():"));
    QCOMPARE(hexLineCount(lines, QStringLiteral("3DAxisData")), hexLines);
    QVERIFY(lines.value(hexLines).startsWith(QStringLiteral("3DAxisData[") + lastHexOffset + QStringLiteral("]: ")));
    const QStringList expected = {
        QStringLiteral("TVK_Logic_Camera3DAxisData::dump() - cameraPitchAngle = 12.500000"),
        QStringLiteral("TVK_Logic_Camera3DAxisData::dump() - cameraRollAngle  = -3.250000"),
        QStringLiteral("TVK_Logic_Camera3DAxisData::dump() - temperature      = 41.750000"),
    };
    QCOMPARE(lines.mid(1 + hexLines), expected);
}

void tst_camerarecords::threeAxisDumpIsOffWithTheStartupMask()
{
    TVK_Test_LogCapture capture(kStartupMaskWithoutTrace);
    TVK_Test_RecordingAccess access(0x2041);
    access.answerAlways(kOpGet3DAxisData, threeAxisAnswer(true));
    TVK_Logic_Camera3DAxisData axis(&access);
    axis.dump(QStringLiteral("explicit"));

    QCOMPARE(capture.lines(), QStringList());
}

// --- Geotagging record --------------------------------------------------------

void tst_camerarecords::geotaggingReadAsksForItsRecordWithOperation9008()
{
    TVK_Test_RecordingAccess access;
    access.answerAlways(kOpGetGeotackingData, typicalGeotagging().data());
    TVK_Logic_CameraGeotackingData geo(&access);

    QCOMPARE(access.transactions().size(), 1);
    QCOMPARE(access.last().operationCode, TVK_Commu_Ptp::kOpGetGeotackingData);
    QCOMPARE(access.last().direction, TVK_Test_RecordingAccess::kLEDataIn);
    QCOMPARE(access.last().size, 133u);
    QVERIFY(access.last().params.isEmpty());
    QCOMPARE(geo.size(), 133u);
}

void tst_camerarecords::geotaggingValidityFlagsAreSingleBits_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("meanField");
    QTest::addColumn<bool>("time");
    QTest::addColumn<bool>("date");
    QTest::addColumn<bool>("gps");

    QTest::newRow("none") << 0x00 << false << false << false << false;
    QTest::newRow("bit 0 mean field data") << 0x01 << true << false << false << false;
    QTest::newRow("bit 1 time") << 0x02 << false << true << false << false;
    QTest::newRow("bit 2 date") << 0x04 << false << false << true << false;
    QTest::newRow("bit 3 GPS") << 0x08 << false << false << false << true;
    QTest::newRow("all four") << 0x0F << true << true << true << true;
    QTest::newRow("upper bits only") << 0xF0 << false << false << false << false;
}

void tst_camerarecords::geotaggingValidityFlagsAreSingleBits()
{
    QFETCH(int, flags);
    QFETCH(bool, meanField);
    QFETCH(bool, time);
    QFETCH(bool, date);
    QFETCH(bool, gps);

    TVK_Test_RecordingAccess access;
    access.answerAlways(kOpGetGeotackingData, RecordBytes(133).u8(0, quint8(flags)).data());
    TVK_Logic_CameraGeotackingData geo(&access);

    QCOMPARE(int(geo.validityFlags()), flags);
    QCOMPARE(geo.isMeanFieldDataValid(), meanField);
    QCOMPARE(geo.isTimeValid(), time);
    QCOMPARE(geo.isDateValid(), date);
    QCOMPARE(geo.isGPSEnabled(), gps);
}

void tst_camerarecords::geotaggingCoordinatesAreReadFromTheirOffsets()
{
    TVK_Test_RecordingAccess access;
    access.answerAlways(kOpGetGeotackingData, typicalGeotagging().data());
    TVK_Logic_CameraGeotackingData geo(&access);

    QCOMPARE(geo.longitudeDegrees(), quint8(8));
    QCOMPARE(geo.longitudeMinutes(), quint8(32));
    QCOMPARE(geo.longitudeSeconds(), 15.5);
    QCOMPARE(geo.latitudeDegrees(), quint8(47));
    QCOMPARE(geo.latitudeMinutes(), quint8(22));
    QCOMPARE(geo.latitudeSeconds(), 40.25);
    QCOMPARE(geo.numberOfUsedSattelites(), quint8(9));
}

void tst_camerarecords::geotaggingDumpWritesEveryLine()
{
    TVK_Test_LogCapture capture(kLELogGeotacking);
    TVK_Test_RecordingAccess access;
    access.answerAlways(kOpGetGeotackingData, typicalGeotagging().data());
    TVK_Logic_CameraGeotackingData geo(&access);

    const QStringList lines = capture.lines();
    QCOMPARE(lines.value(0), QStringLiteral("TVK_Logic_CameraGeotackingData::dump() for "
                                            "TVK_Logic_CameraGeotackingData::recvFromCamera():"));
    // 133 bytes at 16 per line.
    QCOMPARE(hexLineCount(lines, QStringLiteral("geotackingData")), 9);
    QCOMPARE(lines.value(9), QStringLiteral("geotackingData[000000000080]: EE EE EE EE EE") + QString(33, QLatin1Char(' '))
                                 + QStringLiteral(" ....."));

    const QString p = QStringLiteral("TVK_Logic_CameraGeotackingData::dump() - ");
    const QStringList expected = {
        p + QStringLiteral("isMeanFieldDataValid    = Yes"),
        p + QStringLiteral("isTimeValid             = Yes"),
        p + QStringLiteral("isDateValid             = No"),
        p + QStringLiteral("isGPSEnabled            = Yes"),
        p + QStringLiteral("longitude               = 8 32' 15.500000\""),
        p + QStringLiteral("latitude                = 47 22' 40.250000\""),
        p + QStringLiteral("numberOfUsedSattelites  = 9"),
    };
    QCOMPARE(linesAfterHexDump(lines, QStringLiteral("geotackingData")), expected);
    QCOMPARE(lines.size(), 1 + 9 + expected.size());
}

void tst_camerarecords::failedGeotaggingReadClearsEverything()
{
    TVK_Test_RecordingAccess access;
    access.answerNext(kOpGetGeotackingData, typicalGeotagging().data());
    access.answerNext(kOpGetGeotackingData, QByteArray(), false);
    TVK_Logic_CameraGeotackingData geo(&access);
    QVERIFY(geo.isGPSEnabled());

    QVERIFY(!geo.recvFromCamera());
    QVERIFY(allZero(geo.data(), geo.size()));
    QVERIFY(!geo.isMeanFieldDataValid());
    QVERIFY(!geo.isTimeValid());
    QVERIFY(!geo.isDateValid());
    QVERIFY(!geo.isGPSEnabled());
    QCOMPARE(geo.longitudeSeconds(), 0.0);
    QCOMPARE(geo.numberOfUsedSattelites(), quint8(0));
}

// --- Stream info ----------------------------------------------------------------

void tst_camerarecords::streamInfoReadSendsParameterZeroAndAsksFor36Bytes()
{
    TVK_Test_RecordingAccess access;
    access.answerAlways(kOpGetStreamInfo, streamInfo(36).data());
    TVK_Logic_CameraStreamInfo info(&access);

    QCOMPARE(access.transactions().size(), 1);
    QCOMPARE(access.last().operationCode, TVK_Commu_Ptp::kOpGetStreamInfo);
    QCOMPARE(access.last().direction, TVK_Test_RecordingAccess::kLEDataIn);
    QCOMPARE(access.last().size, 36u);
    QCOMPARE(access.last().params, QVector<quint32>({0}));
    QCOMPARE(info.size(), 36u);
}

void tst_camerarecords::streamInfoFieldsAreReadFromTheirOffsets()
{
    TVK_Test_RecordingAccess access;
    // A time resolution above 32 bits shows that it is read whole.
    access.answerAlways(kOpGetStreamInfo, streamInfo(36).u64(8, 0x123456789ull).data());
    TVK_Logic_CameraStreamInfo info(&access);

    QCOMPARE(info.datasetSize(), quint64(36));
    QCOMPARE(info.timeResolution(), quint64(0x123456789ull));
    QCOMPARE(info.frameHeaderSize(), 12u);
    QCOMPARE(info.frameMaxSize(), 300000u);
    QCOMPARE(info.packetHeaderSize(), 20u);
    QCOMPARE(info.packetMaxSize(), 524288u);
    QCOMPARE(info.packetAlignment(), 4u);
}

void tst_camerarecords::streamInfoWithWrongSizeIsLoggedAndStillUsed_data()
{
    QTest::addColumn<quint64>("datasetSize");
    QTest::addColumn<QStringList>("expectedLines");

    const QString line = QStringLiteral("TVK_Logic_CameraStreamInfo::recvFromCamera() - stream info structure has wrong size %1");
    QTest::newRow("36 is right") << quint64(36) << QStringList();
    QTest::newRow("40") << quint64(40) << QStringList(line.arg(40));
    QTest::newRow("35") << quint64(35) << QStringList(line.arg(35));
    QTest::newRow("0 from a camera that answered") << quint64(0) << QStringList(line.arg(0));
}

void tst_camerarecords::streamInfoWithWrongSizeIsLoggedAndStillUsed()
{
    QFETCH(quint64, datasetSize);
    QFETCH(QStringList, expectedLines);

    TVK_Test_LogCapture capture(kStartupMaskWithoutTrace);
    TVK_Test_RecordingAccess access;
    access.answerAlways(kOpGetStreamInfo, streamInfo(datasetSize).data());
    TVK_Logic_CameraStreamInfo info(&access);

    QCOMPARE(capture.lines(), expectedLines);
    QCOMPARE(info.datasetSize(), datasetSize);
    QCOMPARE(info.packetMaxSize(), 524288u);
}

void tst_camerarecords::failedStreamInfoReadGivesNoPacketSizeAndNoSizeComplaint()
{
    TVK_Test_RecordingAccess access;
    access.answerNext(kOpGetStreamInfo, streamInfo(36).data());
    access.answerNext(kOpGetStreamInfo, QByteArray(), false);
    TVK_Logic_CameraStreamInfo info(&access);
    QCOMPARE(info.packetMaxSize(), 524288u);

    TVK_Test_LogCapture capture(kStartupMaskWithoutTrace);
    QVERIFY(!info.recvFromCamera());
    QVERIFY(allZero(info.data(), info.size()));
    QCOMPARE(info.packetMaxSize(), 0u);
    QCOMPARE(info.datasetSize(), quint64(0));
    QCOMPARE(capture.lines(), QStringList());
}

void tst_camerarecords::streamInfoDumpWritesEveryLine()
{
    TVK_Test_LogCapture capture(kLELogStream);
    TVK_Test_RecordingAccess access;
    access.answerAlways(kOpGetStreamInfo, streamInfo(36).data());
    TVK_Logic_CameraStreamInfo info(&access);

    const QStringList lines = capture.lines();
    QCOMPARE(lines.value(0), QStringLiteral("TVK_Logic_CameraStreamInfo::dump() for "
                                            "TVK_Logic_CameraStreamInfo::recvFromCamera():"));
    QCOMPARE(hexLineCount(lines, QStringLiteral("streamInfo")), 3);
    QCOMPARE(lines.value(1), QStringLiteral("streamInfo[000000000000]: 24 00 00 00 00 00 00 00 00 5A 62 02 00 00 00 00 "
                                            "$........Zb....."));

    const QString p = QStringLiteral("TVK_Logic_CameraStreamInfo::dump() - ");
    const QStringList expected = {
        p + QStringLiteral("datasetSize      =         36 bytes"),
        p + QStringLiteral("timeResolution   =   40000000 ns = 0.040000 sec"),
        p + QStringLiteral("frameHeaderSize  =         12 bytes"),
        p + QStringLiteral("frameMaxSize     =     300000 bytes"),
        p + QStringLiteral("packetHeaderSize =         20 bytes"),
        p + QStringLiteral("packetMaxSize    =     524288 bytes"),
        p + QStringLiteral("packetAlignment  =          4 byte(s)"),
    };
    QCOMPARE(lines.mid(4), expected);
}

void tst_camerarecords::streamInfoDumpIsOffWithTheStartupMask()
{
    TVK_Test_LogCapture capture(kStartupMaskWithoutTrace);
    TVK_Test_RecordingAccess access;
    access.answerAlways(kOpGetStreamInfo, streamInfo(36).data());
    TVK_Logic_CameraStreamInfo info(&access);
    info.dump(QStringLiteral("explicit"));

    QCOMPARE(capture.lines(), QStringList());
}

// --- All records -------------------------------------------------------------------

void tst_camerarecords::recordsWithoutAccessStayAllZero()
{
    TVK_Logic_CameraLens lens(nullptr);
    TVK_Logic_Camera3DAxisData axis(nullptr);
    TVK_Logic_CameraGeotackingData geo(nullptr);
    TVK_Logic_CameraStreamInfo info(nullptr);

    QVERIFY(!lens.recvFromCamera());
    QVERIFY(!axis.recvFromCamera());
    QVERIFY(!geo.recvFromCamera());
    QVERIFY(!info.recvFromCamera());
    QVERIFY(allZero(lens.data(), lens.size()));
    QVERIFY(!axis.isLongLayout());
    QVERIFY(allZero(axis.data(), axis.size()));
    QVERIFY(allZero(geo.data(), geo.size()));
    QVERIFY(allZero(info.data(), info.size()));
}

QTEST_GUILESS_MAIN(tst_camerarecords)
#include "tst_camerarecords.moc"
