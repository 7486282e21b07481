#include "TVK_Commu_DevicePropDesc.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Test_ExactBuffer.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_RecordingAccess.h"

#include <QRandomGenerator>
#include <QtTest>

#include <limits>

using namespace TVK_Commu_Ptp;

namespace {

enum eLEDataType { kINT8 = 1, kUINT8 = 2, kINT16 = 3, kUINT16 = 4, kINT32 = 5, kUINT32 = 6 };

constexpr quint16 kProperty = 0x5013;

int widthOf(int dataType)
{
    switch (dataType) {
    case kINT8:
    case kUINT8:
        return 1;
    case kINT16:
    case kUINT16:
        return 2;
    case kINT32:
    case kUINT32:
        return 4;
    default:
        return 0;
    }
}

void appendLE(QByteArray &bytes, quint64 value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
}

// A DevicePropDesc dataset as the camera sends it. Values are cut to the
// width of the data type, so -1 as a UINT8 goes out as 0xFF.
struct DescBuilder
{
    quint16 propertyCode = kProperty;
    quint16 dataType = kUINT16;
    quint8 getSet = 1;
    qint64 factoryDefault = 0;
    qint64 current = 0;
    quint8 formFlag = 0;
    qint64 minimum = 0;
    qint64 maximum = 0;
    qint64 step = 0;
    QVector<qint64> values;
    int width = -1; // value width on the wire; -1 for that of the data type

    QByteArray build() const
    {
        const int n = width >= 0 ? width : widthOf(dataType);
        QByteArray bytes;
        appendLE(bytes, propertyCode, 2);
        appendLE(bytes, dataType, 2);
        appendLE(bytes, getSet, 1);
        appendLE(bytes, quint64(factoryDefault), n);
        appendLE(bytes, quint64(current), n);
        appendLE(bytes, formFlag, 1);
        if (formFlag == TVK_Commu_DevicePropDesc::kLEFormRange) {
            appendLE(bytes, quint64(minimum), n);
            appendLE(bytes, quint64(maximum), n);
            appendLE(bytes, quint64(step), n);
        } else if (formFlag == TVK_Commu_DevicePropDesc::kLEFormEnumeration) {
            appendLE(bytes, quint64(values.size()), 2);
            for (qint64 value : values)
                appendLE(bytes, quint64(value), n);
        }
        return bytes;
    }
};

DescBuilder range(int dataType, qint64 minimum, qint64 maximum, qint64 step)
{
    DescBuilder desc;
    desc.dataType = quint16(dataType);
    desc.formFlag = TVK_Commu_DevicePropDesc::kLEFormRange;
    desc.minimum = minimum;
    desc.maximum = maximum;
    desc.step = step;
    desc.current = minimum;
    return desc;
}

DescBuilder enumeration(int dataType, const QVector<qint64> &values)
{
    DescBuilder desc;
    desc.dataType = quint16(dataType);
    desc.formFlag = TVK_Commu_DevicePropDesc::kLEFormEnumeration;
    desc.values = values;
    return desc;
}

bool supports(const QByteArray &answer, int value)
{
    TVK_Test_RecordingAccess access;
    access.answerNext(kOpGetDevicePropDesc, answer);
    return access.supportsDevicePropValue(kProperty, value);
}

// Parses over an exact-size heap copy, so that a read past the dataset is an
// AddressSanitizer fault.
TVK_Commu_DevicePropDesc::eLEParseResult parseExact(const QByteArray &bytes, TVK_Commu_DevicePropDesc *desc)
{
    const TVK_Test_ExactBuffer copy(bytes);
    return desc->parse(copy.data(), copy.size());
}

// The dataset's rules, written out independently of the parser: the value at
// offset as the camera compares it, and what a parse of bytes must report.
qint64 referenceValue(const QByteArray &bytes, int offset, int dataType)
{
    const auto byte = [&](int i) { return quint32(uchar(bytes.at(offset + i))); };
    switch (dataType) {
    case kINT8:
        return qint8(byte(0));
    case kUINT8:
        return byte(0);
    case kINT16:
        return qint16(byte(0) | byte(1) << 8);
    case kUINT16:
        return quint16(byte(0) | byte(1) << 8);
    default:
        return qint32(byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24);
    }
}

TVK_Commu_DevicePropDesc::eLEParseResult referenceResult(const QByteArray &bytes)
{
    const int size = bytes.size();
    if (size < 5)
        return TVK_Commu_DevicePropDesc::kLETruncated;
    const int dataType = int(referenceValue(bytes, 2, kUINT16));
    const int n = widthOf(dataType);
    if (n == 0)
        return TVK_Commu_DevicePropDesc::kLEUnknownDataType;
    if (size < 6 + 2 * n)
        return TVK_Commu_DevicePropDesc::kLETruncated;
    switch (uchar(bytes.at(5 + 2 * n))) {
    case 0:
        return TVK_Commu_DevicePropDesc::kLEParsed;
    case 1:
        return size >= 6 + 5 * n ? TVK_Commu_DevicePropDesc::kLEParsed : TVK_Commu_DevicePropDesc::kLETruncated;
    case 2: {
        if (size < 8 + 2 * n)
            return TVK_Commu_DevicePropDesc::kLETruncated;
        const int count = int(referenceValue(bytes, 6 + 2 * n, kUINT16));
        return size >= 8 + 2 * n + count * n ? TVK_Commu_DevicePropDesc::kLEParsed
                                             : TVK_Commu_DevicePropDesc::kLEEnumerationCut;
    }
    default:
        return TVK_Commu_DevicePropDesc::kLEUnknownFormFlag;
    }
}

// Compares a parse with the reference; returns what differs, empty when nothing.
QString compareWithReference(const QByteArray &bytes, const TVK_Commu_DevicePropDesc &desc,
                             TVK_Commu_DevicePropDesc::eLEParseResult result)
{
    const TVK_Commu_DevicePropDesc::eLEParseResult expected = referenceResult(bytes);
    if (result != expected)
        return QStringLiteral("result %1, expected %2").arg(result).arg(expected);
    if (result != TVK_Commu_DevicePropDesc::kLEParsed && result != TVK_Commu_DevicePropDesc::kLEEnumerationCut)
        return QString();

    const int type = desc.dataType();
    const int n = widthOf(type);
    if (desc.currentValue() != referenceValue(bytes, 5 + n, type))
        return QStringLiteral("current value %1").arg(desc.currentValue());
    if (desc.formFlag() == TVK_Commu_DevicePropDesc::kLEFormRange) {
        if (desc.minimumValue() != referenceValue(bytes, 6 + 2 * n, type)
            || desc.maximumValue() != referenceValue(bytes, 6 + 3 * n, type)
            || desc.stepSize() != referenceValue(bytes, 6 + 4 * n, type))
            return QStringLiteral("range %1..%2 step %3")
                .arg(desc.minimumValue())
                .arg(desc.maximumValue())
                .arg(desc.stepSize());
    }
    if (desc.formFlag() == TVK_Commu_DevicePropDesc::kLEFormEnumeration) {
        const int declared = int(referenceValue(bytes, 6 + 2 * n, kUINT16));
        if (desc.enumerationCount() != declared)
            return QStringLiteral("count %1, expected %2").arg(desc.enumerationCount()).arg(declared);
        // Only values that arrived whole are kept.
        const int count = qMin(declared, (bytes.size() - (8 + 2 * n)) / n);
        if (desc.enumeration().size() != count)
            return QStringLiteral("%1 enumerated values, expected %2").arg(desc.enumeration().size()).arg(count);
        for (int i = 0; i < count; ++i) {
            if (desc.enumeration().at(i) != referenceValue(bytes, 8 + 2 * n + i * n, type))
                return QStringLiteral("enumerated value %1").arg(i);
            if (!desc.allows(desc.enumeration().at(i)))
                return QStringLiteral("enumerated value %1 not allowed").arg(i);
        }
    }
    return QString();
}

} // namespace

class tst_devicepropdesc : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Allowed values, through the camera access
    void rangeAcceptsOnlyStepsBetweenTheBounds_data();
    void rangeAcceptsOnlyStepsBetweenTheBounds();
    void enumerationAcceptsOnlyListedValues_data();
    void enumerationAcceptsOnlyListedValues();
    void noFormRejectsEveryValue();
    void unknownFormFlagIsLoggedAndRejected_data();
    void unknownFormFlagIsLoggedAndRejected();
    void unknownDataTypeIsLoggedAndRejected_data();
    void unknownDataTypeIsLoggedAndRejected();
    void enumerationLongerThanTheBufferIsSearchedWhereItFits_data();
    void enumerationLongerThanTheBufferIsSearchedWhereItFits();
    void failedReadIsRejected();
    void readAsksForThePropertyWithA1024ByteBuffer();

    // The parser itself
    void parseReadsEveryFieldInItsType_data();
    void parseReadsEveryFieldInItsType();
    void parseReportsWhereTheDatasetEnds_data();
    void parseReportsWhereTheDatasetEnds();
    void parseForgetsThePreviousDataset();
    void cutRangeAllowsNothing();
    void cutEnumerationKeepsTheValuesThatArrived_data();
    void cutEnumerationKeepsTheValuesThatArrived();

    // Robustness
    void randomDescriptionsNeverReadPastTheDataset();
    void randomAnswersThroughTheAccessAgreeWithTheParser();
};

// --- Allowed values, through the camera access ----------------------------------------

void tst_devicepropdesc::rangeAcceptsOnlyStepsBetweenTheBounds_data()
{
    QTest::addColumn<int>("dataType");
    QTest::addColumn<qint64>("minimum");
    QTest::addColumn<qint64>("maximum");
    QTest::addColumn<qint64>("step");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("INT8 -3..3/1 accepts -3") << int(kINT8) << -3ll << 3ll << 1ll << -3 << true;
    QTest::newRow("INT8 -3..3/1 accepts 3") << int(kINT8) << -3ll << 3ll << 1ll << 3 << true;
    QTest::newRow("INT8 -3..3/1 rejects 4") << int(kINT8) << -3ll << 3ll << 1ll << 4 << false;
    QTest::newRow("INT8 -3..3/1 rejects -4") << int(kINT8) << -3ll << 3ll << 1ll << -4 << false;
    QTest::newRow("INT8 -3..3/2 accepts -1") << int(kINT8) << -3ll << 3ll << 2ll << -1 << true;
    QTest::newRow("INT8 -3..3/2 rejects 0") << int(kINT8) << -3ll << 3ll << 2ll << 0 << false;
    QTest::newRow("INT8 -128..127 accepts -128") << int(kINT8) << -128ll << 127ll << 1ll << -128 << true;
    QTest::newRow("UINT8 0..200/50 accepts 150") << int(kUINT8) << 0ll << 200ll << 50ll << 150 << true;
    QTest::newRow("UINT8 0..200/50 rejects 160") << int(kUINT8) << 0ll << 200ll << 50ll << 160 << false;
    QTest::newRow("UINT8 0..200/50 accepts 200") << int(kUINT8) << 0ll << 200ll << 50ll << 200 << true;
    QTest::newRow("UINT8 0..200/50 rejects 250") << int(kUINT8) << 0ll << 200ll << 50ll << 250 << false;
    QTest::newRow("UINT8 0..255 accepts 255") << int(kUINT8) << 0ll << 255ll << 1ll << 255 << true;
    QTest::newRow("UINT8 0..255 rejects -1") << int(kUINT8) << 0ll << 255ll << 1ll << -1 << false;
    QTest::newRow("INT16 -1000..1000/250 accepts -750") << int(kINT16) << -1000ll << 1000ll << 250ll << -750 << true;
    QTest::newRow("INT16 -1000..1000/250 rejects -700") << int(kINT16) << -1000ll << 1000ll << 250ll << -700 << false;
    QTest::newRow("INT16 -1000..1000/250 rejects 1250") << int(kINT16) << -1000ll << 1000ll << 250ll << 1250 << false;
    QTest::newRow("UINT16 0..65535/5 accepts 65535") << int(kUINT16) << 0ll << 65535ll << 5ll << 65535 << true;
    QTest::newRow("UINT16 32768..40000/2 accepts 32770") << int(kUINT16) << 32768ll << 40000ll << 2ll << 32770 << true;
    QTest::newRow("UINT16 32768..40000/2 rejects -32766") << int(kUINT16) << 32768ll << 40000ll << 2ll << -32766
                                                          << false;
    QTest::newRow("INT32 -100000..100000/100 accepts -99900")
        << int(kINT32) << -100000ll << 100000ll << 100ll << -99900 << true;
    QTest::newRow("INT32 -100000..100000/100 rejects -99950")
        << int(kINT32) << -100000ll << 100000ll << 100ll << -99950 << false;
    QTest::newRow("INT32 full range accepts the minimum")
        << int(kINT32) << qint64(std::numeric_limits<qint32>::min()) << qint64(std::numeric_limits<qint32>::max())
        << 1ll << std::numeric_limits<int>::min() << true;
    QTest::newRow("INT32 full range accepts the maximum")
        << int(kINT32) << qint64(std::numeric_limits<qint32>::min()) << qint64(std::numeric_limits<qint32>::max())
        << 1ll << std::numeric_limits<int>::max() << true;
    // UINT32 bounds are compared as signed 32-bit numbers: 0xFFFFFFF0 is -16.
    QTest::newRow("UINT32 0xFFFFFFF0..16/4 accepts -8") << int(kUINT32) << 0xFFFFFFF0ll << 16ll << 4ll << -8 << true;
    QTest::newRow("UINT32 0xFFFFFFF0..16/4 rejects -6") << int(kUINT32) << 0xFFFFFFF0ll << 16ll << 4ll << -6 << false;
    QTest::newRow("UINT32 0..0xFFFFFFFF is empty, rejects 5") << int(kUINT32) << 0ll << 0xFFFFFFFFll << 1ll << 5
                                                              << false;
    QTest::newRow("UINT32 0..0x7FFFFFFF/1 accepts the largest int")
        << int(kUINT32) << 0ll << 0x7FFFFFFFll << 1ll << std::numeric_limits<int>::max() << true;
    // Step 0 allows every value between the bounds and must not divide.
    QTest::newRow("INT16 10..20/0 accepts 13") << int(kINT16) << 10ll << 20ll << 0ll << 13 << true;
    QTest::newRow("INT16 10..20/0 rejects 21") << int(kINT16) << 10ll << 20ll << 0ll << 21 << false;
    QTest::newRow("INT16 10..20/0 rejects 9") << int(kINT16) << 10ll << 20ll << 0ll << 9 << false;
    QTest::newRow("UINT32 0..100/0 accepts 100") << int(kUINT32) << 0ll << 100ll << 0ll << 100 << true;
}

void tst_devicepropdesc::rangeAcceptsOnlyStepsBetweenTheBounds()
{
    QFETCH(int, dataType);
    QFETCH(qint64, minimum);
    QFETCH(qint64, maximum);
    QFETCH(qint64, step);
    QFETCH(int, value);
    QFETCH(bool, accepted);

    TVK_Test_LogCapture capture(0);
    QCOMPARE(supports(range(dataType, minimum, maximum, step).build(), value), accepted);
    QVERIFY(capture.lines().isEmpty());
}

void tst_devicepropdesc::enumerationAcceptsOnlyListedValues_data()
{
    QTest::addColumn<int>("dataType");
    QTest::addColumn<QVector<qint64>>("values");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("UINT16 first value") << int(kUINT16) << QVector<qint64>{1, 2, 4, 8} << 1 << true;
    QTest::newRow("UINT16 last value") << int(kUINT16) << QVector<qint64>{1, 2, 4, 8} << 8 << true;
    QTest::newRow("UINT16 unlisted value") << int(kUINT16) << QVector<qint64>{1, 2, 4, 8} << 3 << false;
    QTest::newRow("UINT16 0xFFFF is 65535") << int(kUINT16) << QVector<qint64>{0xFFFF} << 65535 << true;
    QTest::newRow("INT8 0xFF is -1") << int(kINT8) << QVector<qint64>{0xFF, 5} << -1 << true;
    QTest::newRow("INT8 0xFF is not 255") << int(kINT8) << QVector<qint64>{0xFF, 5} << 255 << false;
    QTest::newRow("UINT8 0xFF is 255") << int(kUINT8) << QVector<qint64>{0xFF} << 255 << true;
    QTest::newRow("UINT8 0xFF is not -1") << int(kUINT8) << QVector<qint64>{0xFF} << -1 << false;
    QTest::newRow("INT16 0x8000 is -32768") << int(kINT16) << QVector<qint64>{0x8000} << -32768 << true;
    QTest::newRow("INT16 0x8000 is not 32768") << int(kINT16) << QVector<qint64>{0x8000} << 32768 << false;
    QTest::newRow("INT32 largest value") << int(kINT32) << QVector<qint64>{7, 0x7FFFFFFF} << 0x7FFFFFFF << true;
    QTest::newRow("INT32 negative value") << int(kINT32) << QVector<qint64>{-70000} << -70000 << true;
    QTest::newRow("UINT32 0xFFFFFFFF is -1") << int(kUINT32) << QVector<qint64>{0xFFFFFFFF} << -1 << true;
    QTest::newRow("UINT32 0x80000000 is the smallest int")
        << int(kUINT32) << QVector<qint64>{0x80000000} << std::numeric_limits<int>::min() << true;
    QTest::newRow("no values rejects 0") << int(kUINT16) << QVector<qint64>{} << 0 << false;
    QTest::newRow("no values rejects 1") << int(kINT8) << QVector<qint64>{} << 1 << false;
}

void tst_devicepropdesc::enumerationAcceptsOnlyListedValues()
{
    QFETCH(int, dataType);
    QFETCH(QVector<qint64>, values);
    QFETCH(int, value);
    QFETCH(bool, accepted);

    TVK_Test_LogCapture capture(0);
    QCOMPARE(supports(enumeration(dataType, values).build(), value), accepted);
    QVERIFY(capture.lines().isEmpty());
}

void tst_devicepropdesc::noFormRejectsEveryValue()
{
    TVK_Test_LogCapture capture(0);
    DescBuilder desc;
    desc.dataType = kUINT16;
    desc.factoryDefault = 3;
    desc.current = 3;

    // Not even the current value is offered as allowed.
    QVERIFY(!supports(desc.build(), 3));
    QVERIFY(!supports(desc.build(), 0));
    QVERIFY(capture.lines().isEmpty());
}

void tst_devicepropdesc::unknownFormFlagIsLoggedAndRejected_data()
{
    QTest::addColumn<int>("formFlag");
    QTest::addColumn<int>("dataType");
    QTest::addColumn<QString>("line");

    const QString start =
        QStringLiteral("TVK_Commu_CameraAccess_Base::supportsDevicePropValue() - Device Property Desc: ");
    QTest::newRow("form 3 of a UINT16")
        << 3 << int(kUINT16) << start + QStringLiteral("unknown formFlag 0x03 with dataType 0x0004");
    QTest::newRow("form 0xAB of an INT8")
        << 0xAB << int(kINT8) << start + QStringLiteral("unknown formFlag 0xAB with dataType 0x0001");
    QTest::newRow("form 0xFF of a UINT32")
        << 0xFF << int(kUINT32) << start + QStringLiteral("unknown formFlag 0xFF with dataType 0x0006");
}

void tst_devicepropdesc::unknownFormFlagIsLoggedAndRejected()
{
    QFETCH(int, formFlag);
    QFETCH(int, dataType);
    QFETCH(QString, line);

    TVK_Test_LogCapture capture(0);
    DescBuilder desc = range(dataType, 0, 10, 1);
    desc.formFlag = quint8(formFlag);

    QVERIFY(!supports(desc.build(), 0));
    QCOMPARE(capture.lines(), QStringList{line});
}

void tst_devicepropdesc::unknownDataTypeIsLoggedAndRejected_data()
{
    QTest::addColumn<int>("dataType");
    QTest::addColumn<QString>("line");

    const QString start =
        QStringLiteral("TVK_Commu_CameraAccess_Base::supportsDevicePropValue() - Device Property Desc: ");
    QTest::newRow("undefined 0") << 0 << start + QStringLiteral("unknown dataType 0x0000");
    QTest::newRow("INT64") << 7 << start + QStringLiteral("unknown dataType 0x0007");
    QTest::newRow("array of UINT16") << 0x4004 << start + QStringLiteral("unknown dataType 0x4004");
    QTest::newRow("string") << 0xFFFF << start + QStringLiteral("unknown dataType 0xFFFF");
}

void tst_devicepropdesc::unknownDataTypeIsLoggedAndRejected()
{
    QFETCH(int, dataType);
    QFETCH(QString, line);

    TVK_Test_LogCapture capture(0);
    // Laid out as if the values were two bytes wide, with a range that would allow 0.
    DescBuilder desc = range(dataType, 0, 10, 1);
    desc.width = 2;

    QVERIFY(!supports(desc.build(), 0));
    QCOMPARE(capture.lines(), QStringList{line});
}

void tst_devicepropdesc::enumerationLongerThanTheBufferIsSearchedWhereItFits_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("accepted");
    // 600 two-byte values 1000, 1001, ... after a 12-byte header: the 1024
    // bytes read hold the first 506 of them, up to 1505.
    QTest::newRow("an early value") << 1003 << true;
    QTest::newRow("the last value that fits") << 1505 << true;
    QTest::newRow("the first value cut off") << 1506 << false;
    QTest::newRow("a late value") << 1550 << false;
    QTest::newRow("a value not listed") << 7 << false;
}

void tst_devicepropdesc::enumerationLongerThanTheBufferIsSearchedWhereItFits()
{
    QFETCH(int, value);
    QFETCH(bool, accepted);
    QVector<qint64> values;
    for (int i = 0; i < 600; ++i)
        values.append(1000 + i);
    TVK_Test_LogCapture capture(0);

    QCOMPARE(supports(enumeration(kUINT16, values).build(), value), accepted);
    QCOMPARE(capture.lines(), QStringList{QStringLiteral("TVK_Commu_CameraAccess_Base::supportsDevicePropValue() - "
                                                         "Device Property Desc: enumeration of property 0x5013 does "
                                                         "not fit in 1024 bytes, searching the first 506 of 600 "
                                                         "values")});
}

void tst_devicepropdesc::failedReadIsRejected()
{
    TVK_Test_LogCapture capture(0);
    TVK_Test_RecordingAccess access;
    // A dataset that would allow the value, had the transaction succeeded.
    access.answerNext(kOpGetDevicePropDesc, range(kUINT16, 0, 10, 1).build(), false);

    QVERIFY(!access.supportsDevicePropValue(kProperty, 5));
    QCOMPARE(access.transactions().size(), 1);
    QVERIFY(capture.lines().isEmpty());
}

void tst_devicepropdesc::readAsksForThePropertyWithA1024ByteBuffer()
{
    TVK_Test_LogCapture capture(0);
    TVK_Test_RecordingAccess access;
    access.answerNext(kOpGetDevicePropDesc, range(kUINT16, 0, 10, 1).build());

    QVERIFY(access.supportsDevicePropValue(0xD013, 5));

    QCOMPARE(access.transactions().size(), 1);
    const TVK_Test_RecordingAccess::Transaction read = access.last();
    QCOMPARE(read.operationCode, kOpGetDevicePropDesc);
    QCOMPARE(read.params, QVector<quint32>{0xD013});
    QCOMPARE(read.direction, TVK_Test_RecordingAccess::kLEDataIn);
    QCOMPARE(read.size, 1024u);
}

// --- The parser itself -----------------------------------------------------------------

void tst_devicepropdesc::parseReadsEveryFieldInItsType_data()
{
    QTest::addColumn<int>("dataType");
    QTest::addColumn<qint64>("rawValue"); // as sent, cut to the type's width
    QTest::addColumn<qint64>("value");    // as compared

    QTest::newRow("INT8") << int(kINT8) << qint64(0xFE) << -2ll;
    QTest::newRow("UINT8") << int(kUINT8) << qint64(0xFE) << 254ll;
    QTest::newRow("INT16") << int(kINT16) << qint64(0xFFFE) << -2ll;
    QTest::newRow("UINT16") << int(kUINT16) << qint64(0xFFFE) << 65534ll;
    QTest::newRow("INT32") << int(kINT32) << qint64(0xFFFFFFFE) << -2ll;
    QTest::newRow("UINT32 as signed 32-bit") << int(kUINT32) << qint64(0xFFFFFFFE) << -2ll;
}

void tst_devicepropdesc::parseReadsEveryFieldInItsType()
{
    QFETCH(int, dataType);
    QFETCH(qint64, rawValue);
    QFETCH(qint64, value);

    // The same raw value in every slot, each slot told apart by a small offset
    // in its lowest byte so that a field read from its neighbour shows.
    DescBuilder desc = range(dataType, rawValue - 4, rawValue - 3, rawValue - 2);
    desc.propertyCode = 0xD00A;
    desc.getSet = 0;
    desc.factoryDefault = rawValue - 1;
    desc.current = rawValue;

    TVK_Commu_DevicePropDesc parsed;
    QCOMPARE(parseExact(desc.build(), &parsed), TVK_Commu_DevicePropDesc::kLEParsed);
    QCOMPARE(parsed.propertyCode(), quint16(0xD00A));
    QCOMPARE(int(parsed.dataType()), dataType);
    QCOMPARE(parsed.getSet(), quint8(0));
    QCOMPARE(parsed.formFlag(), quint8(TVK_Commu_DevicePropDesc::kLEFormRange));
    QCOMPARE(parsed.factoryDefaultValue(), value - 1);
    QCOMPARE(parsed.currentValue(), value);
    QCOMPARE(parsed.minimumValue(), value - 4);
    QCOMPARE(parsed.maximumValue(), value - 3);
    QCOMPARE(parsed.stepSize(), value - 2);
    QCOMPARE(TVK_Commu_DevicePropDesc::valueWidth(dataType), widthOf(dataType));
}

void tst_devicepropdesc::parseReportsWhereTheDatasetEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("result");

    const int parsed = TVK_Commu_DevicePropDesc::kLEParsed;
    const int truncated = TVK_Commu_DevicePropDesc::kLETruncated;
    const int enumerationCut = TVK_Commu_DevicePropDesc::kLEEnumerationCut;
    const QByteArray uint16Range = range(kUINT16, 0, 10, 1).build(); // form flag at 9, range up to 16
    const QByteArray int32Enum = enumeration(kINT32, {1, 2}).build(); // count at 14, values up to 24
    DescBuilder none;
    none.dataType = kINT8;

    QTest::newRow("nothing") << QByteArray() << truncated;
    QTest::newRow("no GetSet byte") << uint16Range.left(4) << truncated;
    QTest::newRow("unknown type, header only")
        << QByteArray::fromHex("135007000001") << int(TVK_Commu_DevicePropDesc::kLEUnknownDataType);
    QTest::newRow("current value cut") << uint16Range.left(8) << truncated;
    QTest::newRow("no form flag") << uint16Range.left(9) << truncated;
    QTest::newRow("no form, complete") << none.build() << parsed;
    QTest::newRow("range without step") << uint16Range.left(14) << truncated;
    QTest::newRow("range step cut") << uint16Range.left(15) << truncated;
    QTest::newRow("range complete") << uint16Range << parsed;
    QTest::newRow("enumeration count cut") << int32Enum.left(15) << truncated;
    QTest::newRow("enumeration count without values") << int32Enum.left(16) << enumerationCut;
    QTest::newRow("enumeration last value cut") << int32Enum.left(23) << enumerationCut;
    QTest::newRow("enumeration complete") << int32Enum << parsed;
    QTest::newRow("enumeration of no values") << enumeration(kINT32, {}).build() << parsed;
    QTest::newRow("unknown form with nothing after it")
        << QByteArray::fromHex("1350020001000003") << int(TVK_Commu_DevicePropDesc::kLEUnknownFormFlag);
}

void tst_devicepropdesc::parseReportsWhereTheDatasetEnds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, result);

    TVK_Commu_DevicePropDesc desc;
    QCOMPARE(int(parseExact(bytes, &desc)), result);
    QCOMPARE(int(referenceResult(bytes)), result);
}

void tst_devicepropdesc::parseForgetsThePreviousDataset()
{
    TVK_Commu_DevicePropDesc desc;
    QCOMPARE(parseExact(enumeration(kUINT16, {3, 5}).build(), &desc), TVK_Commu_DevicePropDesc::kLEParsed);
    QVERIFY(desc.allows(5));

    QCOMPARE(parseExact(QByteArray::fromHex("1350"), &desc), TVK_Commu_DevicePropDesc::kLETruncated);
    QVERIFY(desc.enumeration().isEmpty());
    QVERIFY(!desc.allows(5));
}

void tst_devicepropdesc::cutRangeAllowsNothing()
{
    // Minimum and maximum arrived, the step did not.
    TVK_Commu_DevicePropDesc desc;
    QCOMPARE(parseExact(range(kUINT16, 0, 10, 1).build().left(15), &desc), TVK_Commu_DevicePropDesc::kLETruncated);

    // A form that was not read in full should allow nothing, in case a caller
    // asks without looking at the parse result.
    QVERIFY(!desc.allows(5));
}

void tst_devicepropdesc::cutEnumerationKeepsTheValuesThatArrived_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QVector<qint64>>("kept");
    // UINT16 values 3, 5, 7 from offset 12.
    QTest::newRow("no value arrived") << 12 << QVector<qint64>{};
    QTest::newRow("half of the first value") << 13 << QVector<qint64>{};
    QTest::newRow("the first value") << 14 << QVector<qint64>{3};
    QTest::newRow("half of the last value") << 17 << QVector<qint64>{3, 5};
}

void tst_devicepropdesc::cutEnumerationKeepsTheValuesThatArrived()
{
    QFETCH(int, size);
    QFETCH(QVector<qint64>, kept);
    TVK_Commu_DevicePropDesc desc;
    QCOMPARE(parseExact(enumeration(kUINT16, {3, 5, 7}).build().left(size), &desc),
             TVK_Commu_DevicePropDesc::kLEEnumerationCut);
    QCOMPARE(desc.formFlag(), quint8(TVK_Commu_DevicePropDesc::kLEFormEnumeration));
    QCOMPARE(desc.enumerationCount(), quint16(3));
    QCOMPARE(desc.enumeration(), kept);
    for (qint64 value : {3, 5, 7})
        QCOMPARE(desc.allows(value), kept.contains(value));
}

// --- Robustness ------------------------------------------------------------------------

namespace {

// A description that is mostly plausible, then often damaged: the shapes a
// faulty camera or a cut transfer would produce.
QByteArray randomDescription(QRandomGenerator &random)
{
    DescBuilder desc;
    desc.propertyCode = quint16(random.bounded(0x10000));
    desc.dataType = quint16(random.bounded(10) == 0 ? random.bounded(0x10000) : 1 + random.bounded(6));
    desc.getSet = quint8(random.bounded(2));
    desc.factoryDefault = qint64(random.generate());
    desc.current = qint64(random.generate());
    const int form = random.bounded(10);
    desc.formFlag = quint8(form < 3 ? 0 : form < 6 ? 1 : form < 9 ? 2 : random.bounded(256));
    desc.minimum = qint64(random.generate()) - 0x80000000ll;
    desc.maximum = desc.minimum + random.bounded(1000);
    desc.step = random.bounded(5) == 0 ? 0 : random.bounded(50);
    const int count = random.bounded(random.bounded(8) == 0 ? 600 : 12);
    for (int i = 0; i < count; ++i)
        desc.values.append(qint64(random.generate()));
    if (desc.dataType > kUINT32 || desc.dataType == 0)
        desc.width = random.bounded(5);
    QByteArray bytes = desc.build();

    switch (random.bounded(4)) {
    case 0: // as built
        break;
    case 1: // cut anywhere
        bytes.truncate(random.bounded(bytes.size() + 1));
        break;
    case 2: // counts and flags overwritten
        for (int flips = 1 + random.bounded(4); flips > 0 && !bytes.isEmpty(); --flips)
            bytes[random.bounded(qMin(bytes.size(), 20))] = char(random.bounded(256));
        break;
    default: // noise
        bytes = QByteArray(random.bounded(64), Qt::Uninitialized);
        for (char &byte : bytes)
            byte = char(random.bounded(256));
        break;
    }
    return bytes;
}

} // namespace

void tst_devicepropdesc::randomDescriptionsNeverReadPastTheDataset()
{
    constexpr quint32 kSeed = 0xDE5Cu;
    constexpr int kIterations = 5000;
    QRandomGenerator random(kSeed);
    int results[TVK_Commu_DevicePropDesc::kLEEnumerationCut + 1] = {};

    for (int iteration = 0; iteration < kIterations; ++iteration) {
        const QByteArray bytes = randomDescription(random);
        TVK_Commu_DevicePropDesc desc;
        const TVK_Commu_DevicePropDesc::eLEParseResult result = parseExact(bytes, &desc);
        ++results[result];

        const QString differs = compareWithReference(bytes, desc, result);
        QVERIFY2(differs.isEmpty(), qPrintable(QStringLiteral("seed 0x%1 iteration %2 (%3): %4")
                                                   .arg(kSeed, 0, 16)
                                                   .arg(iteration)
                                                   .arg(QString::fromLatin1(bytes.toHex()))
                                                   .arg(differs)));
    }

    // Every outcome must have been exercised, or the generator proves little.
    for (int count : results)
        QVERIFY(count > kIterations / 50);
}

void tst_devicepropdesc::randomAnswersThroughTheAccessAgreeWithTheParser()
{
    // The access reads into a zero-filled 1024-byte buffer: longer answers are
    // cut, shorter ones padded with zeros. Whatever arrives, the answer must be
    // the one the parser gives for that buffer.
    constexpr quint32 kSeed = 0xACC5u;
    QRandomGenerator random(kSeed);
    TVK_Test_LogCapture capture(0);
    TVK_Test_RecordingAccess access;

    for (int iteration = 0; iteration < 1000; ++iteration) {
        QByteArray answer = randomDescription(random);
        if (random.bounded(4) == 0)
            answer += QByteArray(random.bounded(1200), '\x5A');
        const int value = random.bounded(3) == 0 ? int(random.generate()) : random.bounded(-300, 300);

        QByteArray received = answer.left(1024);
        received.append(QByteArray(1024 - received.size(), '\0'));
        TVK_Commu_DevicePropDesc desc;
        const TVK_Commu_DevicePropDesc::eLEParseResult result = parseExact(received, &desc);
        const bool expected = (result == TVK_Commu_DevicePropDesc::kLEParsed
                               || result == TVK_Commu_DevicePropDesc::kLEEnumerationCut)
                              && desc.allows(value);

        access.answerNext(kOpGetDevicePropDesc, answer);
        QVERIFY2(access.supportsDevicePropValue(kProperty, value) == expected,
                 qPrintable(QStringLiteral("seed 0x%1 iteration %2").arg(kSeed, 0, 16).arg(iteration)));
    }
}

QTEST_GUILESS_MAIN(tst_devicepropdesc)
#include "tst_devicepropdesc.moc"
