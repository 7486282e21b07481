#include "TVK_Commu_PtpCodes.h"
#include "TVK_Logic_ObjectInfo.h"
#include "TVK_Test_ExactBuffer.h"
#include "TVK_Test_RecordingAccess.h"

#include <QtTest>

#include <algorithm>
#include <memory>

using namespace TVK_Commu_Ptp;

namespace {

constexpr int kBufferSize = int(TVK_Logic_ObjectInfo::kObjectInfoBufferSize);

void putU32(QByteArray &bytes, int offset, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = char((value >> (8 * i)) & 0xFF);
}

// A PTP string at offset: length byte with the terminating zero counted, then
// UTF-16LE units. Returns the offset after it.
int putString(QByteArray &bytes, int offset, const QString &text)
{
    if (text.isEmpty()) {
        bytes[offset] = 0;
        return offset + 1;
    }
    bytes[offset] = char(text.size() + 1);
    int at = offset + 1;
    const QString units = text + QChar(0);
    for (QChar unit : units) {
        bytes[at++] = char(unit.unicode() & 0xFF);
        bytes[at++] = char(unit.unicode() >> 8);
    }
    return at;
}

// An ObjectInfo as the camera sends it for a picture. The fields in between
// carry values of their own so that an offset off by a few bytes shows.
QByteArray pictureObjectInfo(quint32 objectSize, quint32 thumbSize, quint32 sequence, const QString &filename)
{
    QByteArray bytes(kBufferSize, '\0');
    putU32(bytes, 0, 0x00010001);  // StorageID
    putU32(bytes, 4, 0x00003801);  // ObjectFormat (EXIF/JPEG) and ProtectionStatus 0
    putU32(bytes, 8, objectSize);
    putU32(bytes, 12, 0x00003801); // ThumbFormat, its upper half overwritten below
    putU32(bytes, 14, thumbSize);
    putU32(bytes, 18, 160);        // ThumbPixWidth
    putU32(bytes, 22, 120);        // ThumbPixHeight
    putU32(bytes, 26, 6000);       // ImagePixWidth
    putU32(bytes, 30, 4000);       // ImagePixHeight
    putU32(bytes, 34, 24);         // ImageBitDepth
    putU32(bytes, 38, 0xFFFFFFFF); // ParentObject
    putU32(bytes, 44, 0xA5A5A5A5); // AssociationDesc
    putU32(bytes, 48, sequence);
    putString(bytes, 52, filename);
    return bytes;
}

// The object built over an exact-size heap copy, so that any read past the
// bytes it was given is an AddressSanitizer fault.
std::unique_ptr<TVK_Logic_ObjectInfo> fromExactBytes(const QByteArray &bytes)
{
    const TVK_Test_ExactBuffer copy(bytes);
    return std::make_unique<TVK_Logic_ObjectInfo>(copy.data(), copy.size());
}

} // namespace

class tst_objectinfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Fields
    void fieldsAreReadFromTheirOffsets();
    void byteArrayAndPointerGiveTheSameFields();
    void emptyObjectInfoReadsAsZero();
    void filenameIsTheStringAtOffset52_data();
    void filenameIsTheStringAtOffset52();

    // Truncated buffers
    void fieldIsZeroUnlessAllItsBytesArePresent_data();
    void fieldIsZeroUnlessAllItsBytesArePresent();
    void everyCutOfTheBufferReadsOnlyWhatFits();

    // Reading from the camera
    void readAsksForTheObjectWithoutThumbnailType();
    void shortAnswerIsZeroFilled();
    void failedReadZeroesTheBuffer();
    void missingAccessFails();
};

// --- Fields --------------------------------------------------------------------

void tst_objectinfo::fieldsAreReadFromTheirOffsets()
{
    const auto info = fromExactBytes(pictureObjectInfo(0x01234567, 0x00089ABC, 3, QStringLiteral("NRBA0123.DNG")));

    QCOMPARE(info->objectCompressedSize(), 0x01234567u);
    QCOMPARE(info->thumbCompressedSize(), 0x00089ABCu);
    QCOMPARE(info->sequenceNumber(), 3u);
    QCOMPARE(info->filename(), QStringLiteral("NRBA0123.DNG"));
    QCOMPARE(info->size(), size_t(kBufferSize));
}

void tst_objectinfo::byteArrayAndPointerGiveTheSameFields()
{
    const QByteArray bytes = pictureObjectInfo(1000, 200, 7, QStringLiteral("NRBA0001.JPG"));
    const TVK_Logic_ObjectInfo fromArray(bytes);
    const TVK_Logic_ObjectInfo fromPointer(bytes.constData(), size_t(bytes.size()));

    QCOMPARE(fromArray.objectCompressedSize(), 1000u);
    QCOMPARE(fromArray.sequenceNumber(), 7u);
    QCOMPARE(fromArray.filename(), fromPointer.filename());
    QCOMPARE(fromArray.thumbCompressedSize(), fromPointer.thumbCompressedSize());
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(fromArray.data()), int(fromArray.size())), bytes);
}

void tst_objectinfo::emptyObjectInfoReadsAsZero()
{
    const TVK_Logic_ObjectInfo empty;
    const TVK_Logic_ObjectInfo fromNull(nullptr, 154);

    for (const TVK_Logic_ObjectInfo *info : {&empty, &fromNull}) {
        QCOMPARE(info->size(), size_t(0));
        QCOMPARE(info->objectCompressedSize(), 0u);
        QCOMPARE(info->thumbCompressedSize(), 0u);
        QCOMPARE(info->sequenceNumber(), 0u);
        QVERIFY(info->filename().isEmpty());
    }
}

void tst_objectinfo::filenameIsTheStringAtOffset52_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("filename");

    QByteArray longest = pictureObjectInfo(1, 1, 1, QString());
    // 49 characters and the terminating zero end on the buffer's last byte but one.
    putString(longest, 52, QString(49, QLatin1Char('n')));
    QByteArray tooLong = pictureObjectInfo(1, 1, 1, QString());
    tooLong[52] = char(51); // 51 units need 102 bytes, 101 are left

    QTest::newRow("picture file") << pictureObjectInfo(1, 1, 1, QStringLiteral("NRBA0123.DNG"))
                                  << QStringLiteral("NRBA0123.DNG");
    QTest::newRow("no name") << pictureObjectInfo(1, 1, 1, QString()) << QString();
    QTest::newRow("longest name that fits") << longest << QString(49, QLatin1Char('n'));
    QTest::newRow("name running past the buffer") << tooLong << QString();
    QTest::newRow("name beyond Latin-1") << pictureObjectInfo(1, 1, 1, QStringLiteral("Bild_\u00C4\u20AC.JPG"))
                                         << QStringLiteral("Bild_\u00C4\u20AC.JPG");
}

void tst_objectinfo::filenameIsTheStringAtOffset52()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, filename);

    QCOMPARE(fromExactBytes(bytes)->filename(), filename);
}

// --- Truncated buffers ---------------------------------------------------------

void tst_objectinfo::fieldIsZeroUnlessAllItsBytesArePresent_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("objectSize");
    QTest::addColumn<bool>("thumbSize");
    QTest::addColumn<bool>("sequence");
    QTest::addColumn<bool>("filename");

    QTest::newRow("nothing") << 0 << false << false << false << false;
    QTest::newRow("object size short by one byte") << 11 << false << false << false << false;
    QTest::newRow("object size complete") << 12 << true << false << false << false;
    QTest::newRow("thumbnail size short by one byte") << 17 << true << false << false << false;
    QTest::newRow("thumbnail size complete") << 18 << true << true << false << false;
    QTest::newRow("sequence number short by one byte") << 51 << true << true << false << false;
    QTest::newRow("sequence number complete") << 52 << true << true << true << false;
    QTest::newRow("filename units cut") << 52 + 1 + 2 * 13 - 1 << true << true << true << false;
    QTest::newRow("filename complete") << 52 + 1 + 2 * 13 << true << true << true << true;
}

void tst_objectinfo::fieldIsZeroUnlessAllItsBytesArePresent()
{
    QFETCH(int, size);
    QFETCH(bool, objectSize);
    QFETCH(bool, thumbSize);
    QFETCH(bool, sequence);
    QFETCH(bool, filename);

    const QByteArray full = pictureObjectInfo(0x11111111, 0x22222222, 0x33333333, QStringLiteral("NRBA0123.DNG"));
    const auto info = fromExactBytes(full.left(size));

    QCOMPARE(info->objectCompressedSize(), objectSize ? 0x11111111u : 0u);
    QCOMPARE(info->thumbCompressedSize(), thumbSize ? 0x22222222u : 0u);
    QCOMPARE(info->sequenceNumber(), sequence ? 0x33333333u : 0u);
    QCOMPARE(info->filename(), filename ? QStringLiteral("NRBA0123.DNG") : QString());
}

void tst_objectinfo::everyCutOfTheBufferReadsOnlyWhatFits()
{
    // Every length from nothing to the whole buffer, over an exact-size copy,
    // with a name that reaches the last usable byte.
    const QString name(49, QLatin1Char('f'));
    const QByteArray full = pictureObjectInfo(0xAAAAAAAA, 0xBBBBBBBB, 0xCCCCCCCC, name);
    const int nameEnd = 52 + 1 + 2 * 50;

    for (int size = 0; size <= kBufferSize; ++size) {
        const auto info = fromExactBytes(full.left(size));
        const QByteArray where = "size " + QByteArray::number(size);
        QVERIFY2(info->objectCompressedSize() == (size >= 12 ? 0xAAAAAAAAu : 0u), where.constData());
        QVERIFY2(info->thumbCompressedSize() == (size >= 18 ? 0xBBBBBBBBu : 0u), where.constData());
        QVERIFY2(info->sequenceNumber() == (size >= 52 ? 0xCCCCCCCCu : 0u), where.constData());
        QVERIFY2(info->filename() == (size >= nameEnd ? name : QString()), where.constData());
    }
}

// --- Reading from the camera -----------------------------------------------------

void tst_objectinfo::readAsksForTheObjectWithoutThumbnailType()
{
    TVK_Test_RecordingAccess access;
    access.answerNext(kOpGetObjectInfo, pictureObjectInfo(5000000, 40000, 2, QStringLiteral("NRBA0124.JPG")));
    TVK_Logic_ObjectInfo info;

    QVERIFY(info.recvFromCamera(&access, 0x00C0FFEE));

    const TVK_Test_RecordingAccess::Transaction read = access.last();
    QCOMPARE(read.operationCode, kOpGetObjectInfo);
    QCOMPARE(read.params, (QVector<quint32>{0x00C0FFEE, 0}));
    QCOMPARE(read.direction, TVK_Test_RecordingAccess::kLEDataIn);
    QCOMPARE(read.size, 154u);
    QCOMPARE(info.objectCompressedSize(), 5000000u);
    QCOMPARE(info.thumbCompressedSize(), 40000u);
    QCOMPARE(info.sequenceNumber(), 2u);
    QCOMPARE(info.filename(), QStringLiteral("NRBA0124.JPG"));
}

void tst_objectinfo::shortAnswerIsZeroFilled()
{
    TVK_Test_RecordingAccess access;
    const QByteArray full = pictureObjectInfo(5000000, 0x00089ABC, 2, QStringLiteral("NRBA0124.JPG"));
    access.answerNext(kOpGetObjectInfo, full.left(16));
    TVK_Logic_ObjectInfo info(full);

    QVERIFY(info.recvFromCamera(&access, 1));

    QCOMPARE(info.size(), size_t(kBufferSize));
    QCOMPARE(info.objectCompressedSize(), 5000000u);
    // Two of the thumbnail size's four bytes came; the rest are zeros.
    QCOMPARE(info.thumbCompressedSize(), 0x9ABCu);
    QCOMPARE(info.sequenceNumber(), 0u);
    QVERIFY(info.filename().isEmpty());
}

void tst_objectinfo::failedReadZeroesTheBuffer()
{
    TVK_Test_RecordingAccess access;
    const QByteArray previous = pictureObjectInfo(5000000, 40000, 2, QStringLiteral("NRBA0124.JPG"));
    access.answerNext(kOpGetObjectInfo, previous, false);
    TVK_Logic_ObjectInfo info(previous);

    QVERIFY(!info.recvFromCamera(&access, 0x42));

    QCOMPARE(info.size(), size_t(kBufferSize));
    QCOMPARE(std::count(info.data(), info.data() + info.size(), 0), std::ptrdiff_t(kBufferSize));
    QCOMPARE(info.objectCompressedSize(), 0u);
    QVERIFY(info.filename().isEmpty());
}

void tst_objectinfo::missingAccessFails()
{
    TVK_Logic_ObjectInfo info(pictureObjectInfo(1, 2, 3, QStringLiteral("X.JPG")));

    QVERIFY(!info.recvFromCamera(nullptr, 1));
    QCOMPARE(info.sequenceNumber(), 0u);
    QVERIFY(info.filename().isEmpty());
}

QTEST_GUILESS_MAIN(tst_objectinfo)
#include "tst_objectinfo.moc"
