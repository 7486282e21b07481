#include "TVK_Commu_DataReader.h"
#include "TVK_Test_ExactBuffer.h"

#include <QRandomGenerator>
#include <QtTest>

#include <limits>

namespace {

QByteArray hexBytes(const char *hex)
{
    return QByteArray::fromHex(hex);
}

// A PTP string: length byte, then UTF-16LE units.
QByteArray ptpString(quint8 lengthByte, const QVector<quint16> &units)
{
    QByteArray bytes(1, char(lengthByte));
    for (quint16 unit : units) {
        bytes.append(char(unit & 0xFF));
        bytes.append(char(unit >> 8));
    }
    return bytes;
}

} // namespace

class tst_datareader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Numbers
    void numbersAreLittleEndian();
    void signedReadsKeepTheirSign();
    void floatsAreReadBitForBit();

    // Bounds
    void readThatFitsExactlyReachesTheEnd_data();
    void readThatFitsExactlyReachesTheEnd();
    void readPastTheEndReturnsZeroAndStays_data();
    void readPastTheEndReturnsZeroAndStays();
    void failureIsFinalEvenForReadsThatWouldFit();
    void seekAndSkipRespectTheEnd();
    void startPositionBeyondTheEndIsAFailure();
    void missingDataHasNoBytes();
    void byteArrayReaderSeesTheWholeArray();

    // Strings
    void ptpStringReadsLengthAndUnits_data();
    void ptpStringReadsLengthAndUnits();
    void ptpStringThatDoesNotFitLeavesTheCursor_data();
    void ptpStringThatDoesNotFitLeavesTheCursor();
    void skipPtpStringMovesPastTheWholeString();

    // Absolute reads
    void absoluteReadsAtTheEdge_data();
    void absoluteReadsAtTheEdge();

    // Robustness
    void randomReadSequencesStayInsideTheBytes();
};

// --- Numbers --------------------------------------------------------------------

void tst_datareader::numbersAreLittleEndian()
{
    const TVK_Test_ExactBuffer bytes(hexBytes("01" "0302" "07060504" "0f0e0d0c0b0a0908"));
    TVK_Commu_DataReader reader(bytes.data(), bytes.size());

    QCOMPARE(reader.u8(), quint8(0x01));
    QCOMPARE(reader.u16(), quint16(0x0203));
    QCOMPARE(reader.u32(), quint32(0x04050607));
    QCOMPARE(reader.u64(), quint64(0x08090A0B0C0D0E0Full));
    QVERIFY(reader.ok());
    QCOMPARE(reader.position(), size_t(15));
    QCOMPARE(reader.remaining(), size_t(0));
}

void tst_datareader::signedReadsKeepTheirSign()
{
    const TVK_Test_ExactBuffer bytes(hexBytes("fd" "7f" "feff" "0080" "ffffffff" "00000080"));
    TVK_Commu_DataReader reader(bytes.data(), bytes.size());

    QCOMPARE(reader.i8(), qint8(-3));
    QCOMPARE(reader.i8(), qint8(127));
    QCOMPARE(reader.i16(), qint16(-2));
    QCOMPARE(reader.i16(), qint16(-32768));
    QCOMPARE(reader.i32(), qint32(-1));
    QCOMPARE(reader.i32(), std::numeric_limits<qint32>::min());
    QVERIFY(reader.ok());
}

void tst_datareader::floatsAreReadBitForBit()
{
    // 1.5f is 0x3FC00000, -2.25 is 0xC002000000000000.
    const TVK_Test_ExactBuffer bytes(hexBytes("0000c03f" "00000000000002c0"));
    TVK_Commu_DataReader reader(bytes.data(), bytes.size());

    QCOMPARE(reader.f32(), 1.5f);
    QCOMPARE(reader.f64(), -2.25);
    QCOMPARE(reader.f32(), 0.0f); // nothing left
    QVERIFY(!reader.ok());
}

// --- Bounds ---------------------------------------------------------------------------

void tst_datareader::readThatFitsExactlyReachesTheEnd_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<quint64>("expected");

    QTest::newRow("u8 on the last byte") << 1 << quint64(0x88);
    QTest::newRow("u16 on the last two bytes") << 2 << quint64(0x8877);
    QTest::newRow("u32 on the last four bytes") << 4 << quint64(0x88776655);
    QTest::newRow("u64 on the last eight bytes") << 8 << quint64(0x8877665544332211ull);
}

void tst_datareader::readThatFitsExactlyReachesTheEnd()
{
    QFETCH(int, width);
    QFETCH(quint64, expected);

    const TVK_Test_ExactBuffer bytes(hexBytes("aaaa" "1122334455667788"));
    TVK_Commu_DataReader reader(bytes.data(), bytes.size(), bytes.size() - size_t(width));

    quint64 value = 0;
    switch (width) {
    case 1: value = reader.u8(); break;
    case 2: value = reader.u16(); break;
    case 4: value = reader.u32(); break;
    default: value = reader.u64(); break;
    }
    QCOMPARE(value, expected);
    QVERIFY(reader.ok());
    QCOMPARE(reader.position(), bytes.size());
    QVERIFY(reader.fits(0));
    QVERIFY(!reader.fits(1));
}

void tst_datareader::readPastTheEndReturnsZeroAndStays_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("available");

    QTest::newRow("u8 at the end") << 1 << 0;
    QTest::newRow("u16 with one byte left") << 2 << 1;
    QTest::newRow("u32 with three bytes left") << 4 << 3;
    QTest::newRow("u32 at the end") << 4 << 0;
    QTest::newRow("u64 with seven bytes left") << 8 << 7;
}

void tst_datareader::readPastTheEndReturnsZeroAndStays()
{
    QFETCH(int, width);
    QFETCH(int, available);

    // Non-zero bytes, so that a partial read could not pass for a 0.
    const TVK_Test_ExactBuffer bytes(QByteArray(4 + available, '\xA5'));
    TVK_Commu_DataReader reader(bytes.data(), bytes.size(), 4);

    quint64 value = 1;
    switch (width) {
    case 1: value = reader.u8(); break;
    case 2: value = reader.u16(); break;
    case 4: value = reader.u32(); break;
    default: value = reader.u64(); break;
    }
    QCOMPARE(value, quint64(0));
    QVERIFY(!reader.ok());
    QCOMPARE(reader.position(), size_t(4));
}

void tst_datareader::failureIsFinalEvenForReadsThatWouldFit()
{
    const TVK_Test_ExactBuffer bytes(hexBytes("0102030405"));
    TVK_Commu_DataReader reader(bytes.data(), bytes.size());

    QCOMPARE(reader.u32(), quint32(0x04030201));
    QCOMPARE(reader.u16(), quint16(0)); // one byte left
    QVERIFY(!reader.ok());
    // The byte at position 4 would fit, but a parser that went wrong must not
    // carry on with what follows.
    QCOMPARE(reader.u8(), quint8(0));
    QVERIFY(!reader.fits(0));
    QVERIFY(!reader.seek(0));
    QVERIFY(!reader.skip(0));
    QCOMPARE(reader.position(), size_t(4));
}

void tst_datareader::seekAndSkipRespectTheEnd()
{
    const TVK_Test_ExactBuffer bytes(hexBytes("00112233"));
    {
        TVK_Commu_DataReader reader(bytes.data(), bytes.size());
        QVERIFY(reader.seek(4)); // the end itself is a valid position
        QCOMPARE(reader.remaining(), size_t(0));
        QVERIFY(reader.seek(1));
        QCOMPARE(reader.u8(), quint8(0x11));
        QVERIFY(reader.skip(2));
        QCOMPARE(reader.position(), size_t(4));
        QVERIFY(reader.ok());
    }
    {
        TVK_Commu_DataReader reader(bytes.data(), bytes.size());
        QVERIFY(!reader.seek(5));
        QVERIFY(!reader.ok());
        QCOMPARE(reader.position(), size_t(0));
    }
    {
        TVK_Commu_DataReader reader(bytes.data(), bytes.size(), 1);
        // A count from a camera can be anything; adding it must not wrap.
        QVERIFY(!reader.skip(std::numeric_limits<size_t>::max()));
        QVERIFY(!reader.ok());
        QCOMPARE(reader.position(), size_t(1));
    }
}

void tst_datareader::startPositionBeyondTheEndIsAFailure()
{
    const TVK_Test_ExactBuffer bytes(hexBytes("00112233"));
    TVK_Commu_DataReader atEnd(bytes.data(), bytes.size(), 4);
    TVK_Commu_DataReader beyond(bytes.data(), bytes.size(), 5);

    QVERIFY(atEnd.ok());
    QCOMPARE(atEnd.remaining(), size_t(0));
    QVERIFY(!beyond.ok());
    QCOMPARE(beyond.remaining(), size_t(0));
    QCOMPARE(beyond.u8(), quint8(0));
}

void tst_datareader::missingDataHasNoBytes()
{
    TVK_Commu_DataReader reader(nullptr, 100);

    QCOMPARE(reader.size(), size_t(0));
    QVERIFY(reader.ok());
    QCOMPARE(reader.u8(), quint8(0));
    QVERIFY(!reader.ok());
    QVERIFY(TVK_Commu_DataReader(nullptr, 100).ptpString().isEmpty());
    QCOMPARE(TVK_Commu_DataReader::u32At(nullptr, 100, 0), quint32(0));
}

void tst_datareader::byteArrayReaderSeesTheWholeArray()
{
    const QByteArray bytes = hexBytes("3412" "78563412");
    TVK_Commu_DataReader reader(bytes);

    QCOMPARE(reader.size(), size_t(6));
    QCOMPARE(reader.u16(), quint16(0x1234));
    QCOMPARE(reader.u32(), quint32(0x12345678));
    // QByteArray keeps a zero after its data; the reader must not count it.
    QCOMPARE(reader.u8(), quint8(0));
    QVERIFY(!reader.ok());
}

// --- Strings --------------------------------------------------------------------

void tst_datareader::ptpStringReadsLengthAndUnits_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("lengthByte");
    QTest::addColumn<int>("consumed");

    QTest::newRow("empty string, n = 0") << ptpString(0, {}) << QString() << 0 << 1;
    QTest::newRow("only the terminator, n = 1") << ptpString(1, {0}) << QString() << 1 << 3;
    QTest::newRow("ABC") << ptpString(4, {'A', 'B', 'C', 0}) << QStringLiteral("ABC") << 4 << 9;
    QTest::newRow("last unit taken as terminator whatever it is")
        << ptpString(3, {'O', 'K', '!'}) << QStringLiteral("OK") << 3 << 7;
    QTest::newRow("units beyond Latin-1")
        << ptpString(3, {0x00E9, 0x20AC, 0}) << QStringLiteral("\u00E9\u20AC") << 3 << 7;
    QTest::newRow("zero unit inside is kept") << ptpString(4, {'a', 0, 'b', 0}) << QString::fromUtf16(u"a\0b", 3)
                                             << 4 << 9;
    QTest::newRow("longest string, n = 255") << ptpString(255, QVector<quint16>(255, 'z'))
                                             << QString(254, QLatin1Char('z')) << 255 << 511;
}

void tst_datareader::ptpStringReadsLengthAndUnits()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(int, lengthByte);
    QFETCH(int, consumed);

    // Something after the string, to see that the reader stops at its end.
    const TVK_Test_ExactBuffer exact(bytes + hexBytes("eeff"));
    TVK_Commu_DataReader reader(exact.data(), exact.size());
    quint8 length = 0xAA;

    QCOMPARE(reader.ptpString(&length), text);
    QCOMPARE(int(length), lengthByte);
    QVERIFY(reader.ok());
    QCOMPARE(reader.position(), size_t(consumed));
    QCOMPARE(reader.u16(), quint16(0xFFEE));
}

void tst_datareader::ptpStringThatDoesNotFitLeavesTheCursor_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("no length byte") << QByteArray();
    QTest::newRow("n = 1, no units") << ptpString(1, {});
    QTest::newRow("n = 4, three units") << ptpString(4, {'A', 'B', 'C'});
    QTest::newRow("n = 4, half of the last unit") << QByteArray(ptpString(4, {'A', 'B', 'C'}) + QByteArray(1, '\0'));
    QTest::newRow("n = 255, ten units") << ptpString(255, QVector<quint16>(10, 'z'));
}

void tst_datareader::ptpStringThatDoesNotFitLeavesTheCursor()
{
    QFETCH(QByteArray, bytes);

    // Two bytes in front, so that "where it was" is not simply 0.
    const TVK_Test_ExactBuffer exact(hexBytes("0102") + bytes);
    TVK_Commu_DataReader reader(exact.data(), exact.size(), 2);
    quint8 length = 0xAA;

    QVERIFY(reader.ptpString(&length).isEmpty());
    QVERIFY(!reader.ok());
    QCOMPARE(reader.position(), size_t(2));
    // A string that fails should fail whole, its length byte included.
    QCOMPARE(int(length), 0);
}

void tst_datareader::skipPtpStringMovesPastTheWholeString()
{
    const TVK_Test_ExactBuffer bytes(ptpString(3, {'h', 'i', 0}) + ptpString(0, {}) + ptpString(9, {'x'}));
    TVK_Commu_DataReader reader(bytes.data(), bytes.size());

    QVERIFY(reader.skipPtpString());
    QCOMPARE(reader.position(), size_t(7));
    QVERIFY(reader.skipPtpString());
    QCOMPARE(reader.position(), size_t(8));
    QVERIFY(!reader.skipPtpString()); // 9 units announced, one present
    QVERIFY(!reader.ok());
    QCOMPARE(reader.position(), size_t(8));
}

// --- Absolute reads -------------------------------------------------------------------

void tst_datareader::absoluteReadsAtTheEdge_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<quint64>("offset");
    QTest::addColumn<quint32>("expected");

    // Over the eight bytes 10 11 .. 17.
    QTest::newRow("u8At first byte") << 1 << quint64(0) << 0x10u;
    QTest::newRow("u8At last byte") << 1 << quint64(7) << 0x17u;
    QTest::newRow("u8At the end") << 1 << quint64(8) << 0u;
    QTest::newRow("u16At last two bytes") << 2 << quint64(6) << 0x1716u;
    QTest::newRow("u16At one byte short") << 2 << quint64(7) << 0u;
    QTest::newRow("u32At last four bytes") << 4 << quint64(4) << 0x17161514u;
    QTest::newRow("u32At one byte short") << 4 << quint64(5) << 0u;
    QTest::newRow("u32At far beyond") << 4 << quint64(1000) << 0u;
    QTest::newRow("u32At offset that would wrap") << 4 << quint64(std::numeric_limits<size_t>::max() - 1) << 0u;
}

void tst_datareader::absoluteReadsAtTheEdge()
{
    QFETCH(int, width);
    QFETCH(quint64, offset);
    QFETCH(quint32, expected);

    const TVK_Test_ExactBuffer bytes(hexBytes("1011121314151617"));
    const size_t at = size_t(offset);
    quint32 value = 0xDEADBEEF;
    switch (width) {
    case 1: value = TVK_Commu_DataReader::u8At(bytes.data(), bytes.size(), at); break;
    case 2: value = TVK_Commu_DataReader::u16At(bytes.data(), bytes.size(), at); break;
    default: value = TVK_Commu_DataReader::u32At(bytes.data(), bytes.size(), at); break;
    }
    QCOMPARE(value, expected);
}

// --- Robustness -----------------------------------------------------------------------

void tst_datareader::randomReadSequencesStayInsideTheBytes()
{
    // Random reads over random exact-size buffers: the cursor never passes the
    // end, a failed read returns 0 without moving, and once failed it stays so.
    constexpr quint32 kSeed = 0xDA7Au;
    QRandomGenerator random(kSeed);

    for (int iteration = 0; iteration < 2000; ++iteration) {
        QByteArray raw(random.bounded(40), Qt::Uninitialized);
        for (char &byte : raw)
            byte = char(random.bounded(256));
        const TVK_Test_ExactBuffer bytes(raw);
        TVK_Commu_DataReader reader(bytes.data(), bytes.size(), size_t(random.bounded(raw.size() + 1)));
        const QByteArray where =
            "seed " + QByteArray::number(kSeed, 16) + " iteration " + QByteArray::number(iteration);

        for (int step = 0; step < 12; ++step) {
            const bool wasOk = reader.ok();
            const size_t before = reader.position();
            quint64 value = 0;
            switch (random.bounded(7)) {
            case 0: value = reader.u8(); break;
            case 1: value = reader.u16(); break;
            case 2: value = reader.u32(); break;
            case 3: value = reader.u64(); break;
            case 4: value = quint64(reader.ptpString().size()); break;
            case 5: value = reader.skip(size_t(random.bounded(12))) ? 1 : 0; break;
            default: value = reader.seek(size_t(random.bounded(raw.size() + 3))) ? 1 : 0; break;
            }
            QVERIFY2(reader.position() <= bytes.size(), where.constData());
            if (!reader.ok()) {
                QVERIFY2(value == 0, where.constData());
                QVERIFY2(reader.position() == before, where.constData());
            }
            QVERIFY2(wasOk || !reader.ok(), where.constData());
        }
    }
}

QTEST_GUILESS_MAIN(tst_datareader)
#include "tst_datareader.moc"
