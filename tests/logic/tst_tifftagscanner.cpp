#include "TVK_Logic_TiffTagScanner.h"

#include <QtTest>

#include <vector>

using Scanner = TVK_Logic_TiffTagScanner;

namespace {

constexpr int kOrientation = Scanner::kTagOrientation;
constexpr int kWidth = Scanner::kTagPixelXDimension;

// A directory entry of one SHORT, then as many bytes of its value field as
// given (the field's own byte order; a whole field is four bytes).
QByteArray entry(bool motorola, quint16 tag, const QByteArray &valueBytes)
{
    const QByteArray head = motorola ? QByteArray::fromHex("00030000 0001") : QByteArray::fromHex("0300 01000000");
    const char t[2] = {char(motorola ? tag >> 8 : tag & 0xFF), char(motorola ? tag & 0xFF : tag >> 8)};
    return QByteArray(t, 2) + head + valueBytes;
}

const QByteArray kIntel = QByteArray("II*\0\x08\0\0\0", 8);
const QByteArray kMotorola = QByteArray("MM\0*\0\0\0\x08", 8);
// Start, APP1 marker and length, "Exif\0\0": the TIFF header is 12 bytes in.
const QByteArray kJpegStart = QByteArray::fromHex("FFD8FFE10100") + QByteArray("Exif\0\0", 6);

} // namespace

// Each buffer is handed over in memory of exactly its size, so that a read
// one byte past it is the sanitizer's heap overflow rather than Qt's
// terminating zero.
class tst_TiffTagScanner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsTheFirstEntryOfTheTagAndNothingPastTheEnd_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("tag");
        QTest::addColumn<int>("lowByte");
        QTest::addColumn<int>("value");
        const QByteArray width6000LE = QByteArray::fromHex("70170000");
        const QByteArray width6000BE = QByteArray::fromHex("17700000");

        QTest::newRow("Intel at 0") << kIntel + entry(false, kWidth, width6000LE) << kWidth << 0x70 << 6000;
        QTest::newRow("Motorola at 0") << kMotorola + entry(true, kWidth, width6000BE) << kWidth << 0x70 << 6000;
        QTest::newRow("Motorola at 12") << kJpegStart + kMotorola + entry(true, kOrientation, QByteArray::fromHex("0006"))
                                        << kOrientation << 6 << 6;
        QTest::newRow("Intel at 12") << kJpegStart + kIntel + entry(false, kOrientation, QByteArray::fromHex("0800"))
                                     << kOrientation << 8 << 8;
        QTest::newRow("first of two") << kIntel + entry(false, kOrientation, QByteArray::fromHex("0300"))
                                             + entry(false, kOrientation, QByteArray::fromHex("0600"))
                                      << kOrientation << 3 << 3;
        // The value field's bytes one by one off the end of the buffer.
        QTest::newRow("Intel, value cut after its low byte")
            << kIntel + entry(false, kOrientation, QByteArray::fromHex("06")) << kOrientation << 6 << -1;
        QTest::newRow("Motorola, value cut after its high byte")
            << kMotorola + entry(true, kOrientation, QByteArray::fromHex("00")) << kOrientation << -1 << -1;
        QTest::newRow("Motorola, the value's two bytes end the buffer")
            << kMotorola + entry(true, kWidth, QByteArray::fromHex("0DAC")) << kWidth << 0xAC << 3500;
        QTest::newRow("Intel, entry ends the buffer") << kIntel + entry(false, kOrientation, {}) << kOrientation << -1
                                                      << -1;
        QTest::newRow("Motorola, entry ends the buffer") << kMotorola + entry(true, kWidth, {}) << kWidth << -1 << -1;
        QTest::newRow("entry cut short") << kIntel + entry(false, kOrientation, {}).left(7) << kOrientation << -1 << -1;
        QTest::newRow("absent tag") << kIntel + entry(false, kOrientation, QByteArray::fromHex("0600")) << kWidth << -1
                                    << -1;
        QTest::newRow("entry in the other byte order")
            << kIntel + entry(true, kOrientation, QByteArray::fromHex("0006")) << kOrientation << -1 << -1;
        // A lone 'M' at the end of the buffer where a JPEG's header would be.
        QTest::newRow("half a byte-order mark at 12") << kJpegStart + "M" << kOrientation << -1 << -1;
        QTest::newRow("empty") << QByteArray() << kOrientation << -1 << -1;
    }

    void readsTheFirstEntryOfTheTagAndNothingPastTheEnd()
    {
        QFETCH(QByteArray, head);
        QFETCH(int, tag);
        QFETCH(int, lowByte);
        QFETCH(int, value);
        const std::vector<char> exact(head.cbegin(), head.cend());
        const QByteArray view = QByteArray::fromRawData(exact.data(), int(exact.size()));
        QCOMPARE(Scanner::lowByteOf(view, quint16(tag)), lowByte);
        QCOMPARE(Scanner::valueOf(view, quint16(tag)), value);
    }
};

QTEST_APPLESS_MAIN(tst_TiffTagScanner)
#include "tst_tifftagscanner.moc"
