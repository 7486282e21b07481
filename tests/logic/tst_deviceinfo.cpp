#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"
#include "TVK_Logic_DeviceInfo.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_RecordingAccess.h"

#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <cctype>
#include <memory>

using namespace TVK_Commu_Ptp;

namespace {

constexpr int kBufferSize = int(TVK_Logic_DeviceInfo::kBufferSize);
constexpr int kLists = TVK_Logic_DeviceInfo::kLEListCount;
constexpr int kStrings = TVK_Logic_DeviceInfo::kLEStringCount;

const char *const kListNames[kLists] = {"operationsSupported", "eventsSupported", "devicePropsSupported",
                                        "captureFormats", "imageFormats"};
const char *const kStringNames[kStrings] = {"manufacturer", "model", "deviceVersion", "serialNumber"};

// Little-endian bytes as a camera sends them.
class PtpWriter
{
public:
    PtpWriter &u8(quint8 value)
    {
        m_bytes.append(char(value));
        return *this;
    }
    PtpWriter &u16(quint16 value) { return u8(quint8(value & 0xFF)).u8(quint8(value >> 8)); }
    PtpWriter &u32(quint32 value) { return u16(quint16(value & 0xFFFF)).u16(quint16(value >> 16)); }
    // A string with its terminating zero; an empty text is sent as length 0.
    PtpWriter &string(const QString &text)
    {
        if (text.isEmpty())
            return u8(0);
        return rawString(quint8(text.size() + 1), text + QChar(0));
    }
    // A length byte and whatever units follow it, for datasets that lie.
    PtpWriter &rawString(quint8 lengthByte, const QString &units)
    {
        u8(lengthByte);
        for (QChar unit : units)
            u16(unit.unicode());
        return *this;
    }
    PtpWriter &list(const QVector<quint16> &codes)
    {
        u32(quint32(codes.size()));
        for (quint16 code : codes)
            u16(code);
        return *this;
    }
    PtpWriter &bytes(const QByteArray &raw)
    {
        m_bytes.append(raw);
        return *this;
    }
    int size() const { return m_bytes.size(); }
    QByteArray data() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

// A well-formed DeviceInfo dataset, field by field.
struct DeviceInfoBuilder
{
    quint16 standardVersion = 100;
    quint32 vendorExtensionID = 6;
    quint16 vendorExtensionVersion = 110;
    QString description;
    quint16 functionalMode = 0;
    QVector<quint16> lists[kLists];
    QString strings[kStrings];

    // Everything before the operation list.
    PtpWriter header() const
    {
        PtpWriter writer;
        writer.u16(standardVersion).u32(vendorExtensionID).u16(vendorExtensionVersion);
        writer.string(description).u16(functionalMode);
        return writer;
    }

    QByteArray build() const
    {
        PtpWriter writer = header();
        for (const QVector<quint16> &codes : lists)
            writer.list(codes);
        for (const QString &text : strings)
            writer.string(text);
        return writer.data();
    }
};

DeviceInfoBuilder typicalCamera()
{
    DeviceInfoBuilder builder;
    builder.lists[TVK_Logic_DeviceInfo::kLEOperationsSupported] = {0x1001, 0x1002, 0x1008, 0x9004, 0x9016};
    builder.lists[TVK_Logic_DeviceInfo::kLEEventsSupported] = {0x4002, 0xC00A};
    builder.lists[TVK_Logic_DeviceInfo::kLEDevicePropsSupported] = {0x5001, 0x5013, 0xD620};
    builder.lists[TVK_Logic_DeviceInfo::kLECaptureFormats] = {0x3801};
    builder.lists[TVK_Logic_DeviceInfo::kLEImageFormats] = {0x3801, 0x3000};
    builder.strings[TVK_Logic_DeviceInfo::kLEManufacturer] = QStringLiteral("Norba Camera AG");
    builder.strings[TVK_Logic_DeviceInfo::kLEModel] = QStringLiteral("Pellora P1");
    builder.strings[TVK_Logic_DeviceInfo::kLEDeviceVersion] = QStringLiteral("2.1.0");
    builder.strings[TVK_Logic_DeviceInfo::kLESerialNumber] = QStringLiteral("0042137");
    return builder;
}

QVector<quint16> codeRun(int count, quint16 first)
{
    QVector<quint16> codes;
    for (int i = 0; i < count; ++i)
        codes.append(quint16(first + i));
    return codes;
}

std::unique_ptr<TVK_Logic_DeviceInfo> readDeviceInfo(TVK_Test_RecordingAccess &access, const QByteArray &answer)
{
    access.answerNext(kOpGetDeviceInfo, answer);
    return std::make_unique<TVK_Logic_DeviceInfo>(&access);
}

QString truncationLine(int offset, const char *field)
{
    return QStringLiteral("TVK_Logic_DeviceInfo::recvFromCamera() - Error: deviceInfo is truncated at offset %1: "
                          "%2 and the fields after it are absent")
        .arg(offset)
        .arg(QLatin1String(field));
}

// One line of the log's hex dump, for comparing a whole dump.
QString hexLine(const QByteArray &bytes, int offset)
{
    QString hex;
    QString text;
    for (int i = offset; i < offset + 16; ++i) {
        const unsigned char byte = i < bytes.size() ? uchar(bytes.at(i)) : 0;
        hex += QStringLiteral(" %1").arg(uint(byte), 2, 16, QLatin1Char('0')).toUpper();
        text += std::isprint(byte) ? QChar(byte) : QChar(QLatin1Char('.'));
    }
    const QString position = QStringLiteral("%1").arg(offset, 12, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("deviceInfo[") + position + QStringLiteral("]:") + hex + QLatin1Char(' ') + text;
}

// What every parse must satisfy, whatever the camera sent: items are located
// in order without gaps, each located item lies wholly inside the buffer, and
// after the first absent item nothing is located.
QString checkInvariants(const TVK_Logic_DeviceInfo &info)
{
    int expected = 11 + 2 * info.vendorExtensionDescSize();
    bool absentSeen = false;
    for (int i = 0; i < kLists; ++i) {
        const auto which = TVK_Logic_DeviceInfo::eLEList(i);
        const int offset = info.listOffset(which);
        if (offset < 0) {
            absentSeen = true;
            if (!info.list(which).isEmpty() || info.listCount(which) != 0)
                return QStringLiteral("absent %1 has entries").arg(QLatin1String(kListNames[i]));
            continue;
        }
        if (absentSeen || offset != expected)
            return QStringLiteral("%1 at %2, expected %3")
                .arg(QLatin1String(kListNames[i]))
                .arg(offset)
                .arg(expected);
        const int count = info.listCount(which);
        expected = offset + 4 + 2 * count;
        if (count < 0 || expected > kBufferSize)
            return QStringLiteral("%1 ends at %2").arg(QLatin1String(kListNames[i])).arg(expected);
        if (info.list(which).size() != count)
            return QStringLiteral("%1 has %2 codes, count %3")
                .arg(QLatin1String(kListNames[i]))
                .arg(info.list(which).size())
                .arg(count);
    }
    for (int i = 0; i < kStrings; ++i) {
        const auto which = TVK_Logic_DeviceInfo::eLEString(i);
        const int offset = info.stringOffset(which);
        if (offset < 0) {
            absentSeen = true;
            if (!info.string(which).isEmpty())
                return QStringLiteral("absent %1 has text").arg(QLatin1String(kStringNames[i]));
            continue;
        }
        if (absentSeen || offset != expected)
            return QStringLiteral("%1 at %2, expected %3")
                .arg(QLatin1String(kStringNames[i]))
                .arg(offset)
                .arg(expected);
        const int length = info.data()[offset];
        expected = offset + 1 + 2 * length;
        if (expected > kBufferSize)
            return QStringLiteral("%1 ends at %2").arg(QLatin1String(kStringNames[i])).arg(expected);
        if (info.string(which).size() != qMax(length - 1, 0))
            return QStringLiteral("%1 has %2 units, length byte %3")
                .arg(QLatin1String(kStringNames[i]))
                .arg(info.string(which).size())
                .arg(length);
    }
    return QString();
}

// Data tags are copied by Qt Test, so a temporary is fine.
const char *rowName(const char *field, const char *what)
{
    static QByteArray name;
    name = QByteArray(field) + what;
    return name.constData();
}

bool isFullyLocated(const TVK_Logic_DeviceInfo &info)
{
    return info.stringOffset(TVK_Logic_DeviceInfo::kLESerialNumber) >= 0;
}

} // namespace

class tst_deviceinfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Layout
    void operationListFollowsTheDescription_data();
    void operationListFollowsTheDescription();
    void headerFieldsAreReadFromTheirOffsets();
    void eachListStartsWhereThePreviousOneEnds_data();
    void eachListStartsWhereThePreviousOneEnds();
    void stringsAreReadAfterTheLists_data();
    void stringsAreReadAfterTheLists();
    void stringOfOnlyTheTerminatorIsEmpty();
    void shortAnswerReadsAsEmptyListsAndStrings();

    // Searches
    void searchesFindEveryListedCode_data();
    void searchesFindEveryListedCode();
    void zeroOperationCountSupportsNoOperation();

    // Reading
    void readAsksForTheWholeBuffer();
    void failedReadLeavesEverythingAbsent();
    void failedRereadForgetsThePreviousDataset();
    void missingAccessLeavesEverythingAbsent();

    // Dump
    void dumpWritesTheDatasetLineByLine();
    void dumpOfFailedReadShowsZerosAndEmptyStrings();
    void dumpTitleNamesTheCaller();
    void dumpWritesNothingWithoutItsCategory();

    // Faulty cameras
    void overlongListIsAbsentWithEverythingAfterIt_data();
    void overlongListIsAbsentWithEverythingAfterIt();
    void countFieldCutByTheBufferEndIsAbsent();
    void listReachingTheLastByteIsPresent();
    void overlongStringIsAbsentWithEverythingAfterIt_data();
    void overlongStringIsAbsentWithEverythingAfterIt();
    void randomDatasetsNeverReadPastTheBuffer();
};

// --- Layout ------------------------------------------------------------------

void tst_deviceinfo::operationListFollowsTheDescription_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<int>("operationListOffset");

    QTest::newRow("empty description") << QString() << 11;
    QTest::newRow("one character") << QStringLiteral("A") << 11 + 2 * 2;
    QTest::newRow("microsoft.com: 1.0") << QStringLiteral("microsoft.com: 1.0") << 11 + 2 * 19;
    QTest::newRow("longest description") << QString(254, QLatin1Char('x')) << 11 + 2 * 255;
}

void tst_deviceinfo::operationListFollowsTheDescription()
{
    QFETCH(QString, description);
    QFETCH(int, operationListOffset);

    TVK_Test_LogCapture capture(0);
    DeviceInfoBuilder builder = typicalCamera();
    builder.description = description;
    builder.functionalMode = 0x8001;
    TVK_Test_RecordingAccess access;
    const auto info = readDeviceInfo(access, builder.build());

    QCOMPARE(info->listOffset(TVK_Logic_DeviceInfo::kLEOperationsSupported), operationListOffset);
    QCOMPARE(info->vendorExtensionDescSize(), description.isEmpty() ? 0 : description.size() + 1);
    QCOMPARE(info->vendorExtensionDesc(), description);
    QCOMPARE(info->functionalMode(), quint16(0x8001));
    QCOMPARE(info->operationsSupported(), builder.lists[TVK_Logic_DeviceInfo::kLEOperationsSupported]);
    QCOMPARE(info->serialNumber(), QStringLiteral("0042137"));
}

void tst_deviceinfo::headerFieldsAreReadFromTheirOffsets()
{
    TVK_Test_LogCapture capture(0);
    DeviceInfoBuilder builder = typicalCamera();
    builder.standardVersion = 0x0102;
    builder.vendorExtensionID = 0xA1B2C3D4;
    builder.vendorExtensionVersion = 0x0506;
    builder.description = QStringLiteral("Norba");
    builder.functionalMode = 0x0708;
    TVK_Test_RecordingAccess access;
    const auto info = readDeviceInfo(access, builder.build());

    QCOMPARE(info->standardVersion(), quint16(0x0102));
    QCOMPARE(info->vendorExtensionID(), quint32(0xA1B2C3D4));
    QCOMPARE(info->vendorExtensionVersion(), quint16(0x0506));
    QCOMPARE(info->vendorExtensionDescSize(), 6);
    QCOMPARE(info->functionalMode(), quint16(0x0708));
}

void tst_deviceinfo::eachListStartsWhereThePreviousOneEnds_data()
{
    QTest::addColumn<QVector<int>>("counts");

    QTest::newRow("all empty") << QVector<int>{0, 0, 0, 0, 0};
    QTest::newRow("only operations") << QVector<int>{7, 0, 0, 0, 0};
    QTest::newRow("no operations") << QVector<int>{0, 3, 40, 1, 2};
    QTest::newRow("no events in the middle") << QVector<int>{12, 0, 90, 0, 3};
    QTest::newRow("every list one entry") << QVector<int>{1, 1, 1, 1, 1};
    QTest::newRow("long property list") << QVector<int>{60, 8, 400, 2, 2};
}

void tst_deviceinfo::eachListStartsWhereThePreviousOneEnds()
{
    QFETCH(QVector<int>, counts);

    TVK_Test_LogCapture capture(0);
    DeviceInfoBuilder builder = typicalCamera();
    for (int i = 0; i < kLists; ++i)
        builder.lists[i] = codeRun(counts[i], quint16(0x1000 * (i + 1)));
    TVK_Test_RecordingAccess access;
    const auto info = readDeviceInfo(access, builder.build());

    int offset = 11;
    for (int i = 0; i < kLists; ++i) {
        const auto which = TVK_Logic_DeviceInfo::eLEList(i);
        QCOMPARE(info->listOffset(which), offset);
        QCOMPARE(info->listCount(which), counts[i]);
        QCOMPARE(info->list(which), builder.lists[i]);
        offset += 4 + 2 * counts[i];
    }
    QCOMPARE(info->stringOffset(TVK_Logic_DeviceInfo::kLEManufacturer), offset);
    QCOMPARE(info->manufacturer(), QStringLiteral("Norba Camera AG"));
    QVERIFY(capture.lines().isEmpty());
}

void tst_deviceinfo::stringsAreReadAfterTheLists_data()
{
    QTest::addColumn<QStringList>("strings");

    QTest::newRow("typical") << QStringList{QStringLiteral("Norba Camera AG"), QStringLiteral("Pellora P1"),
                                            QStringLiteral("2.1.0"), QStringLiteral("0042137")};
    QTest::newRow("all empty") << QStringList{QString(), QString(), QString(), QString()};
    QTest::newRow("empty model") << QStringList{QStringLiteral("Norba"), QString(), QStringLiteral("1"),
                                                QStringLiteral("2")};
    QTest::newRow("beyond Latin-1") << QStringList{QStringLiteral("Nörba"), QString(QChar(0x20AC)),
                                                   QStringLiteral("v\u03B1"), QStringLiteral("7")};
    QTest::newRow("longest serial number") << QStringList{QStringLiteral("N"), QStringLiteral("M"),
                                                          QStringLiteral("V"), QString(254, QLatin1Char('9'))};
}

void tst_deviceinfo::stringsAreReadAfterTheLists()
{
    QFETCH(QStringList, strings);

    TVK_Test_LogCapture capture(0);
    DeviceInfoBuilder builder = typicalCamera();
    for (int i = 0; i < kStrings; ++i)
        builder.strings[i] = strings[i];
    TVK_Test_RecordingAccess access;
    const auto info = readDeviceInfo(access, builder.build());

    QCOMPARE(info->manufacturer(), strings[0]);
    QCOMPARE(info->model(), strings[1]);
    QCOMPARE(info->deviceVersion(), strings[2]);
    QCOMPARE(info->serialNumber(), strings[3]);
    int offset = info->listOffset(TVK_Logic_DeviceInfo::kLEImageFormats) + 4 + 2 * 2;
    for (int i = 0; i < kStrings; ++i) {
        QCOMPARE(info->stringOffset(TVK_Logic_DeviceInfo::eLEString(i)), offset);
        offset += 1 + (strings[i].isEmpty() ? 0 : 2 * (strings[i].size() + 1));
    }
}

void tst_deviceinfo::stringOfOnlyTheTerminatorIsEmpty()
{
    TVK_Test_LogCapture capture(0);
    PtpWriter writer = DeviceInfoBuilder().header();
    for (int i = 0; i < kLists; ++i)
        writer.list({});
    // Length 1 is the terminating zero alone; the model after it must still be found.
    writer.rawString(1, QString(QChar(0))).string(QStringLiteral("P1")).string({}).string({});
    TVK_Test_RecordingAccess access;
    const auto info = readDeviceInfo(access, writer.data());

    QVERIFY(info->manufacturer().isEmpty());
    QCOMPARE(info->model(), QStringLiteral("P1"));
    QCOMPARE(info->stringOffset(TVK_Logic_DeviceInfo::kLEModel),
             info->stringOffset(TVK_Logic_DeviceInfo::kLEManufacturer) + 3);
}

void tst_deviceinfo::shortAnswerReadsAsEmptyListsAndStrings()
{
    // The access layer zero-fills what the camera did not send, and zeros
    // read as empty lists and empty strings, not as a fault.
    TVK_Test_LogCapture capture(0);
    DeviceInfoBuilder builder;
    builder.lists[TVK_Logic_DeviceInfo::kLEOperationsSupported] = {0x1001, 0x1002};
    const QByteArray full = builder.build();
    TVK_Test_RecordingAccess access;
    const auto info = readDeviceInfo(access, full.left(11 + 4 + 4));

    QCOMPARE(info->operationsSupported(), (QVector<quint16>{0x1001, 0x1002}));
    QVERIFY(info->eventsSupported().isEmpty());
    QCOMPARE(info->stringOffset(TVK_Logic_DeviceInfo::kLESerialNumber), 11 + 8 + 4 * 4 + 3);
    QVERIFY(info->serialNumber().isEmpty());
    QVERIFY(capture.lines().isEmpty());
}

// --- Searches ------------------------------------------------------------------

void tst_deviceinfo::searchesFindEveryListedCode_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("found");

    const int operations = TVK_Logic_DeviceInfo::kLEOperationsSupported;
    const int events = TVK_Logic_DeviceInfo::kLEEventsSupported;
    const int props = TVK_Logic_DeviceInfo::kLEDevicePropsSupported;
    QTest::newRow("first operation") << operations << 0x1001 << true;
    QTest::newRow("middle operation") << operations << 0x1008 << true;
    QTest::newRow("last operation") << operations << 0x9016 << true;
    QTest::newRow("unlisted operation") << operations << 0x1009 << false;
    QTest::newRow("event code is not an operation") << operations << 0xC00A << false;
    QTest::newRow("operation beyond 16 bits") << operations << 0x11001 << false;
    QTest::newRow("negative operation") << operations << -1 << false;
    QTest::newRow("first event") << events << 0x4002 << true;
    QTest::newRow("last event") << events << 0xC00A << true;
    QTest::newRow("unlisted event") << events << 0xC000 << false;
    QTest::newRow("operation code is not an event") << events << 0x1001 << false;
    QTest::newRow("listed property") << props << 0xD620 << true;
    QTest::newRow("unlisted property") << props << 0x500A << false;
}

void tst_deviceinfo::searchesFindEveryListedCode()
{
    QFETCH(int, list);
    QFETCH(int, code);
    QFETCH(bool, found);

    TVK_Test_LogCapture capture(0);
    TVK_Test_RecordingAccess access;
    const auto info = readDeviceInfo(access, typicalCamera().build());

    switch (list) {
    case TVK_Logic_DeviceInfo::kLEOperationsSupported:
        QCOMPARE(info->isOperationSupported(code), found);
        break;
    case TVK_Logic_DeviceInfo::kLEEventsSupported:
        QCOMPARE(info->isEventSupported(code), found);
        break;
    default:
        QCOMPARE(info->isDevicePropSupported(code), found);
        break;
    }
}

void tst_deviceinfo::zeroOperationCountSupportsNoOperation()
{
    TVK_Test_LogCapture capture(0);
    DeviceInfoBuilder builder = typicalCamera();
    builder.lists[TVK_Logic_DeviceInfo::kLEOperationsSupported].clear();
    TVK_Test_RecordingAccess access;
    const auto info = readDeviceInfo(access, builder.build());

    for (int code : {0x0000, 0x1001, 0x4002, 0x9004, 0xC00A})
        QVERIFY2(!info->isOperationSupported(code), qPrintable(QString::number(code, 16)));
    QCOMPARE(info->listOffset(TVK_Logic_DeviceInfo::kLEEventsSupported), 11 + 4);
    // The events right behind the empty list must not be mistaken for operations.
    QVERIFY(info->isEventSupported(0x4002));
    QVERIFY(info->isEventSupported(0xC00A));
}

// --- Reading -----------------------------------------------------------------

void tst_deviceinfo::readAsksForTheWholeBuffer()
{
    TVK_Test_LogCapture capture(0);
    TVK_Test_RecordingAccess access;
    const auto info = readDeviceInfo(access, typicalCamera().build());

    QCOMPARE(access.transactions().size(), 1);
    const TVK_Test_RecordingAccess::Transaction read = access.last();
    QCOMPARE(read.operationCode, kOpGetDeviceInfo);
    QVERIFY(read.params.isEmpty());
    QCOMPARE(read.direction, TVK_Test_RecordingAccess::kLEDataIn);
    QCOMPARE(read.size, 2048u);
    QCOMPARE(info->size(), 2048u);
}

void tst_deviceinfo::failedReadLeavesEverythingAbsent()
{
    TVK_Test_LogCapture capture(0);
    TVK_Test_RecordingAccess access;
    access.answerNext(kOpGetDeviceInfo, typicalCamera().build(), false);
    TVK_Logic_DeviceInfo info(&access);

    for (int i = 0; i < kLists; ++i) {
        QCOMPARE(info.listOffset(TVK_Logic_DeviceInfo::eLEList(i)), -1);
        QVERIFY(info.list(TVK_Logic_DeviceInfo::eLEList(i)).isEmpty());
    }
    for (int i = 0; i < kStrings; ++i) {
        QCOMPARE(info.stringOffset(TVK_Logic_DeviceInfo::eLEString(i)), -1);
        QVERIFY(info.string(TVK_Logic_DeviceInfo::eLEString(i)).isEmpty());
    }
    // An all-zero buffer would otherwise "contain" code 0 in an empty-looking list.
    QVERIFY(!info.isOperationSupported(0));
    QVERIFY(!info.isEventSupported(0));
    QCOMPARE(info.standardVersion(), quint16(0));
    QCOMPARE(info.vendorExtensionID(), 0u);
    QCOMPARE(std::count(info.data(), info.data() + info.size(), 0), std::ptrdiff_t(2048));
}

void tst_deviceinfo::failedRereadForgetsThePreviousDataset()
{
    TVK_Test_LogCapture capture(0);
    TVK_Test_RecordingAccess access;
    const auto info = readDeviceInfo(access, typicalCamera().build());
    QVERIFY(info->isOperationSupported(0x9004));

    access.answerNext(kOpGetDeviceInfo, QByteArray(), false);
    QVERIFY(!info->recvFromCamera());

    QVERIFY(!info->isOperationSupported(0x9004));
    QVERIFY(info->manufacturer().isEmpty());
    QCOMPARE(info->standardVersion(), quint16(0));

    access.answerNext(kOpGetDeviceInfo, typicalCamera().build());
    QVERIFY(info->recvFromCamera());
    QCOMPARE(info->model(), QStringLiteral("Pellora P1"));
}

void tst_deviceinfo::missingAccessLeavesEverythingAbsent()
{
    TVK_Test_LogCapture capture(0);
    TVK_Logic_DeviceInfo info(nullptr);

    QVERIFY(!info.recvFromCamera());
    QCOMPARE(info.listOffset(TVK_Logic_DeviceInfo::kLEOperationsSupported), -1);
    QVERIFY(info.serialNumber().isEmpty());
}

// --- Dump ----------------------------------------------------------------------

void tst_deviceinfo::dumpWritesTheDatasetLineByLine()
{
    const QByteArray answer = typicalCamera().build();
    TVK_Test_LogCapture capture(kLELogDeviceInfo);
    TVK_Test_RecordingAccess access;
    const auto info = readDeviceInfo(access, answer);

    const QString p = QStringLiteral("TVK_Logic_DeviceInfo::dump() - ");
    QStringList expected;
    expected << QStringLiteral("TVK_Logic_DeviceInfo::dump() for TVK_Logic_DeviceInfo::recvFromCamera():");
    for (int line = 0; line < 16; ++line)
        expected << hexLine(answer, line * 16);
    expected << QStringLiteral("deviceInfo[000000000100]: ...");
    const QStringList body = {
        QStringLiteral("standardVersion         = 100"),
        QStringLiteral("vendorExtensionID       = 6"),
        QStringLiteral("vendorExtensionVersion  = 110"),
        QStringLiteral("vendorExtensionDescSize = 0"),
        QStringLiteral("functionalMode          = 0"),
        QStringLiteral("operationsSupported     = # 5"),
        QStringLiteral("operationsSupported     : 0x1001"),
        QStringLiteral("operationsSupported     : 0x1002"),
        QStringLiteral("operationsSupported     : 0x1008"),
        QStringLiteral("operationsSupported     : 0x9004"),
        QStringLiteral("operationsSupported     : 0x9016"),
        QStringLiteral("eventsSupported         = # 2"),
        QStringLiteral("eventsSupported         : 0x4002"),
        QStringLiteral("eventsSupported         : 0xC00A"),
        QStringLiteral("devicePropsSupported    = # 3"),
        QStringLiteral("devicePropsSupported    : 0x5001"),
        QStringLiteral("devicePropsSupported    : 0x5013"),
        QStringLiteral("devicePropsSupported    : 0xD620"),
        QStringLiteral("captureFormats          = # 1"),
        QStringLiteral("captureFormats          : 0x3801"),
        QStringLiteral("imageFormats            = # 2"),
        QStringLiteral("imageFormats            : 0x3801"),
        QStringLiteral("imageFormats            : 0x3000"),
        QStringLiteral("manufacturer            = \"Norba Camera AG\""),
        QStringLiteral("model                   = \"Pellora P1\""),
        QStringLiteral("deviceVersion           = \"2.1.0\""),
        QStringLiteral("serialNumber            = \"0042137\""),
    };
    for (const QString &line : body)
        expected << p + line;

    QCOMPARE(capture.lines(), expected);
    // The first row pinned by hand, independent of the helper above.
    QCOMPARE(capture.lines().at(1), QStringLiteral("deviceInfo[000000000000]: 64 00 06 00 00 00 6E 00 00 00 00 05 00 "
                                                   "00 00 01 d.....n........."));
}

void tst_deviceinfo::dumpOfFailedReadShowsZerosAndEmptyStrings()
{
    TVK_Test_LogCapture capture(kLELogDeviceInfo);
    TVK_Test_RecordingAccess access;
    access.answerNext(kOpGetDeviceInfo, typicalCamera().build(), false);
    TVK_Logic_DeviceInfo info(&access);

    const QString p = QStringLiteral("TVK_Logic_DeviceInfo::dump() - ");
    const QStringList lines = capture.lines();
    QCOMPARE(lines.size(), 1 + 17 + 5 + 5 + 4);
    QCOMPARE(lines.at(1), QStringLiteral("deviceInfo[000000000000]: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                         "................"));
    QCOMPARE(lines.mid(18),
             (QStringList{p + QStringLiteral("standardVersion         = 0"),
                          p + QStringLiteral("vendorExtensionID       = 0"),
                          p + QStringLiteral("vendorExtensionVersion  = 0"),
                          p + QStringLiteral("vendorExtensionDescSize = 0"),
                          p + QStringLiteral("functionalMode          = 0"),
                          p + QStringLiteral("operationsSupported     = # 0"),
                          p + QStringLiteral("eventsSupported         = # 0"),
                          p + QStringLiteral("devicePropsSupported    = # 0"),
                          p + QStringLiteral("captureFormats          = # 0"),
                          p + QStringLiteral("imageFormats            = # 0"),
                          p + QStringLiteral("manufacturer            = \"\""),
                          p + QStringLiteral("model                   = \"\""),
                          p + QStringLiteral("deviceVersion           = \"\""),
                          p + QStringLiteral("serialNumber            = \"\"")}));
}

void tst_deviceinfo::dumpTitleNamesTheCaller()
{
    TVK_Test_LogCapture capture(0);
    TVK_Test_RecordingAccess access;
    DeviceInfoBuilder builder = typicalCamera();
    for (int i = 0; i < kLists; ++i)
        builder.lists[i].clear();
    builder.lists[TVK_Logic_DeviceInfo::kLEOperationsSupported] = codeRun(12, 0x1001);
    const auto info = readDeviceInfo(access, builder.build());

    TVK_Test_LogCapture dumpCapture(kLELogDeviceInfo);
    info->dump(QStringLiteral("the camera model"));
    const QStringList lines = dumpCapture.lines();
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.first(), QStringLiteral("TVK_Logic_DeviceInfo::dump() for the camera model:"));
    // Counts of two digits fill the padded field.
    QVERIFY(lines.contains(QStringLiteral("TVK_Logic_DeviceInfo::dump() - operationsSupported     = #12")));
    QCOMPARE(lines.filter(QStringLiteral("operationsSupported     : ")).size(), 12);
}

void tst_deviceinfo::dumpWritesNothingWithoutItsCategory()
{
    TVK_Test_LogCapture capture(kLEStartupLogMask & ~quint32(kLELogDeviceInfo));
    TVK_Test_RecordingAccess access;
    const auto info = readDeviceInfo(access, typicalCamera().build());
    info->dump(QStringLiteral("anyone"));

    QVERIFY(capture.matching(QStringLiteral("TVK_Logic_DeviceInfo")).isEmpty());
    QVERIFY(capture.matching(QStringLiteral("deviceInfo[")).isEmpty());
    // The command trace is on in this mask, so the read itself did happen.
    QVERIFY(!capture.matching(QStringLiteral("getDeviceInfo() - dataSize 0x00000800")).isEmpty());
}

// --- Faulty cameras -------------------------------------------------------------

void tst_deviceinfo::overlongListIsAbsentWithEverythingAfterIt_data()
{
    QTest::addColumn<int>("faultyList");
    QTest::addColumn<quint32>("count");

    for (int i = 0; i < kLists; ++i) {
        QTest::newRow(rowName(kListNames[i], ": count 5000")) << i << 5000u;
        QTest::newRow(rowName(kListNames[i], ": count that doubles past 32 bits")) << i << 0x80000001u;
        QTest::newRow(rowName(kListNames[i], ": count 0xFFFFFFFF")) << i << 0xFFFFFFFFu;
    }
    // One entry more than what is left after the typical lists before it.
    QTest::newRow("operationsSupported: one code too many") << 0 << quint32((kBufferSize - 11 - 4) / 2 + 1);
}

void tst_deviceinfo::overlongListIsAbsentWithEverythingAfterIt()
{
    QFETCH(int, faultyList);
    QFETCH(quint32, count);

    const DeviceInfoBuilder builder = typicalCamera();
    PtpWriter writer = builder.header();
    int faultyOffset = writer.size();
    for (int i = 0; i < faultyList; ++i) {
        writer.list(builder.lists[i]);
        faultyOffset = writer.size();
    }
    // The faulty count, followed by what a camera might have put there.
    writer.u32(count).bytes(QByteArray(64, '\x11'));

    TVK_Test_LogCapture capture(0);
    TVK_Test_RecordingAccess access;
    const auto info = readDeviceInfo(access, writer.data());

    for (int i = 0; i < kLists; ++i) {
        const auto which = TVK_Logic_DeviceInfo::eLEList(i);
        if (i < faultyList) {
            QCOMPARE(info->list(which), builder.lists[i]);
        } else {
            QCOMPARE(info->listOffset(which), -1);
            QVERIFY(info->list(which).isEmpty());
        }
    }
    for (int i = 0; i < kStrings; ++i)
        QCOMPARE(info->stringOffset(TVK_Logic_DeviceInfo::eLEString(i)), -1);
    QVERIFY(info->manufacturer().isEmpty());
    QCOMPARE(capture.lines(), QStringList{truncationLine(faultyOffset, kListNames[faultyList])});
    QVERIFY(checkInvariants(*info).isEmpty());
}

void tst_deviceinfo::countFieldCutByTheBufferEndIsAbsent()
{
    // Operations fill the buffer so that the event count would start at 2045
    // and need bytes up to 2048, one past the end.
    const int operations = (2045 - 11 - 4) / 2;
    PtpWriter writer = DeviceInfoBuilder().header();
    writer.list(codeRun(operations, 0x1000)).u8(0).u8(0).u8(0);
    QCOMPARE(writer.size(), kBufferSize);

    TVK_Test_LogCapture capture(0);
    TVK_Test_RecordingAccess access;
    const auto info = readDeviceInfo(access, writer.data());

    QCOMPARE(info->listCount(TVK_Logic_DeviceInfo::kLEOperationsSupported), operations);
    QVERIFY(info->isOperationSupported(0x1000 + operations - 1));
    QCOMPARE(info->listOffset(TVK_Logic_DeviceInfo::kLEEventsSupported), -1);
    QCOMPARE(capture.lines(), QStringList{truncationLine(2045, "eventsSupported")});
}

void tst_deviceinfo::listReachingTheLastByteIsPresent()
{
    // Lists start at odd offsets and have even lengths, so the longest image
    // format list ends one byte short of the buffer end, just room enough for
    // an empty manufacturer.
    DeviceInfoBuilder builder;
    const int imageFormatsOffset = 11 + 4 * 4;
    builder.lists[TVK_Logic_DeviceInfo::kLEImageFormats] = codeRun((kBufferSize - imageFormatsOffset - 4) / 2, 0x3000);
    const QByteArray answer = builder.build();
    QCOMPARE(answer.size(), kBufferSize - 1 + 4);

    TVK_Test_LogCapture capture(0);
    TVK_Test_RecordingAccess access;
    const auto info = readDeviceInfo(access, answer);

    QCOMPARE(info->listOffset(TVK_Logic_DeviceInfo::kLEImageFormats), imageFormatsOffset);
    QCOMPARE(info->imageFormats(), builder.lists[TVK_Logic_DeviceInfo::kLEImageFormats]);
    QCOMPARE(info->stringOffset(TVK_Logic_DeviceInfo::kLEManufacturer), kBufferSize - 1);
    QCOMPARE(info->stringOffset(TVK_Logic_DeviceInfo::kLEModel), -1);
    QCOMPARE(capture.lines(), QStringList{truncationLine(kBufferSize, "model")});
}

void tst_deviceinfo::overlongStringIsAbsentWithEverythingAfterIt_data()
{
    QTest::addColumn<int>("faultyString");
    QTest::addColumn<int>("spare");  // bytes left in the buffer after the string's length byte
    QTest::addColumn<int>("length"); // its length byte
    QTest::addColumn<bool>("fits");

    // Every field before the strings has odd length in total and every string
    // takes an odd number of bytes, so the spare bytes of string i are as odd
    // as i is.
    for (int i = 0; i < kStrings; ++i) {
        const int spare = 20 + i % 2;
        QTest::newRow(rowName(kStringNames[i], ": one unit too many")) << i << spare << spare / 2 + 1 << false;
        QTest::newRow(rowName(kStringNames[i], ": longest length byte")) << i << spare << 255 << false;
        QTest::newRow(rowName(kStringNames[i], ": units up to the buffer end")) << i << spare << spare / 2 << true;
    }
    QTest::newRow("manufacturer: empty, on the last byte") << 0 << 0 << 0 << true;
    QTest::newRow("deviceVersion: length byte on the last byte") << 2 << 0 << 1 << false;
}

void tst_deviceinfo::overlongStringIsAbsentWithEverythingAfterIt()
{
    QFETCH(int, faultyString);
    QFETCH(int, spare);
    QFETCH(int, length);
    QFETCH(bool, fits);

    // The strings before the faulty one are empty (one byte each); the image
    // format list is sized so that the faulty string gets `spare` bytes.
    const int stringOffset = kBufferSize - 1 - spare;
    const int imageFormatsOffset = 11 + 4 * 4;
    const int padding = stringOffset - faultyString - imageFormatsOffset - 4;
    QCOMPARE(padding % 2, 0);
    PtpWriter writer = DeviceInfoBuilder().header();
    for (int i = 0; i < kLists - 1; ++i)
        writer.list({});
    writer.list(codeRun(padding / 2, 0x3000));
    for (int i = 0; i < faultyString; ++i)
        writer.u8(0);
    QCOMPARE(writer.size(), stringOffset);
    writer.rawString(quint8(length), QString(spare / 2, QLatin1Char('s')));
    // An odd byte left over is where the next length byte would be; one that
    // cannot fit either.
    if (spare % 2)
        writer.u8(0x33);
    QCOMPARE(writer.size(), kBufferSize);

    TVK_Test_LogCapture capture(0);
    TVK_Test_RecordingAccess access;
    const auto info = readDeviceInfo(access, writer.data());

    const auto which = TVK_Logic_DeviceInfo::eLEString(faultyString);
    QCOMPARE(info->listOffset(TVK_Logic_DeviceInfo::kLEImageFormats), imageFormatsOffset);
    QCOMPARE(info->listCount(TVK_Logic_DeviceInfo::kLEImageFormats), padding / 2);
    for (int i = 0; i < faultyString; ++i)
        QCOMPARE(info->stringOffset(TVK_Logic_DeviceInfo::eLEString(i)), stringOffset - faultyString + i);
    if (fits) {
        QCOMPARE(info->stringOffset(which), stringOffset);
        QCOMPARE(info->string(which), QString(qMax(length - 1, 0), QLatin1Char('s')));
    } else {
        QCOMPARE(info->stringOffset(which), -1);
        QVERIFY(info->string(which).isEmpty());
    }
    for (int i = faultyString + 1; i < kStrings; ++i)
        QCOMPARE(info->stringOffset(TVK_Logic_DeviceInfo::eLEString(i)), -1);

    // A fitting string that fills the buffer leaves no room for those after it.
    QStringList expectedLog;
    if (!fits)
        expectedLog << truncationLine(stringOffset, kStringNames[faultyString]);
    else if (faultyString + 1 < kStrings)
        expectedLog << truncationLine(stringOffset + 1 + 2 * length, kStringNames[faultyString + 1]);
    QCOMPARE(capture.lines(), expectedLog);
    QVERIFY(checkInvariants(*info).isEmpty());
}

void tst_deviceinfo::randomDatasetsNeverReadPastTheBuffer()
{
    // A fixed seed keeps failures reproducible; the iteration is in every message.
    constexpr quint32 kSeed = 0x7E57D1u;
    constexpr int kIterations = 5000;
    QRandomGenerator random(kSeed);

    TVK_Test_LogCapture capture(0);
    TVK_Test_RecordingAccess access;
    TVK_Logic_DeviceInfo info(&access);
    int wellFormedChecked = 0;
    int truncatedSeen = 0;

    for (int iteration = 0; iteration < kIterations; ++iteration) {
        const QString where = QStringLiteral("seed 0x%1 iteration %2").arg(kSeed, 0, 16).arg(iteration);

        DeviceInfoBuilder builder;
        builder.description = QString(random.bounded(random.bounded(4) == 0 ? 255 : 8), QLatin1Char('d'));
        for (int i = 0; i < kLists; ++i)
            builder.lists[i] = codeRun(random.bounded(random.bounded(5) == 0 ? 700 : 60),
                                       quint16(random.bounded(0x10000)));
        for (int i = 0; i < kStrings; ++i)
            builder.strings[i] = QString(random.bounded(random.bounded(5) == 0 ? 255 : 30), QLatin1Char(char('a' + i)));
        QByteArray answer = builder.build();
        const bool wellFormed = answer.size() <= kBufferSize;

        bool intact = wellFormed;
        switch (random.bounded(4)) {
        case 0: // as built, possibly longer than the buffer
            break;
        case 1: // cut short anywhere
            answer.truncate(random.bounded(answer.size() + 1));
            intact = false;
            break;
        case 2: // a few bytes overwritten, typically counts and lengths
            for (int flips = 1 + random.bounded(8); flips > 0 && !answer.isEmpty(); --flips)
                answer[random.bounded(qMin(answer.size(), 600))] = char(random.bounded(256));
            intact = false;
            break;
        default: // noise of any length
            answer = QByteArray(random.bounded(2 * kBufferSize), Qt::Uninitialized);
            for (char &byte : answer)
                byte = char(random.bounded(256));
            intact = false;
            break;
        }

        capture.clear();
        access.clear();
        access.answerNext(kOpGetDeviceInfo, answer);
        QVERIFY2(info.recvFromCamera(), qPrintable(where));

        const QString broken = checkInvariants(info);
        QVERIFY2(broken.isEmpty(), qPrintable(where + QStringLiteral(": ") + broken));
        // Exactly one error line when, and only when, something was dropped.
        const int errors = capture.matching(QStringLiteral("is truncated at offset")).size();
        QVERIFY2(errors == (isFullyLocated(info) ? 0 : 1), qPrintable(where));
        truncatedSeen += errors;

        for (int i = 0; i < kLists; ++i) {
            const auto which = TVK_Logic_DeviceInfo::eLEList(i);
            const QVector<quint16> codes = info.list(which);
            const int probe = random.bounded(0x10000);
            if (i == TVK_Logic_DeviceInfo::kLEOperationsSupported)
                QVERIFY2(info.isOperationSupported(probe) == codes.contains(quint16(probe)), qPrintable(where));
            if (i == TVK_Logic_DeviceInfo::kLEEventsSupported)
                QVERIFY2(info.isEventSupported(probe) == codes.contains(quint16(probe)), qPrintable(where));
            if (i == TVK_Logic_DeviceInfo::kLEDevicePropsSupported)
                QVERIFY2(info.isDevicePropSupported(probe) == codes.contains(quint16(probe)), qPrintable(where));
        }

        if (intact) {
            ++wellFormedChecked;
            for (int i = 0; i < kLists; ++i)
                QVERIFY2(info.list(TVK_Logic_DeviceInfo::eLEList(i)) == builder.lists[i], qPrintable(where));
            for (int i = 0; i < kStrings; ++i)
                QVERIFY2(info.string(TVK_Logic_DeviceInfo::eLEString(i)) == builder.strings[i], qPrintable(where));
        }
    }

    // The generator must have produced both kinds, or the test proves little.
    QVERIFY(wellFormedChecked > kIterations / 10);
    QVERIFY(truncatedSeen > kIterations / 10);
}

QTEST_GUILESS_MAIN(tst_deviceinfo)
#include "tst_deviceinfo.moc"
