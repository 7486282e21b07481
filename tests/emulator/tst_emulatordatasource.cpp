#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_DataSource.h"
#include "TVK_Emulator_PictureMaker.h"
#include "TVK_Emulator_UsbPipe.h"
#include "TVK_Emulator_UsbResponder.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QtEndian>
#include <QtTest>

#include <memory>
#include <vector>

using Maker = TVK_Emulator_PictureMaker;
using Source = TVK_Emulator_DataSource;

namespace {

constexpr qint64 kSmallDng = 256 * 1024 + 5; // pixel data ending in a partial word
constexpr int kOpGetObject = 0x1009;
constexpr int kOpInitiateCapture = 0x100E;
constexpr quint32 kPending = TVK_Emulator_Capture::kPendingHandle;

Maker::Picture smallPicture(Maker::eLEByteOrder order = Maker::kLELittleEndian)
{
    Maker::Picture picture;
    picture.number = 7;
    picture.seed = 0x1234567890ABCDEFull;
    picture.orientation = 6;
    picture.byteOrder = order;
    picture.dngBytes = kSmallDng;
    return picture;
}

QByteArray readRange(const Source &source, qint64 offset, qint64 count, qint64 *copied)
{
    QByteArray out(int(qMax<qint64>(0, count)), '\x5A');
    *copied = source.read(offset, out.data(), count);
    return out.left(int(qMax<qint64>(0, *copied)));
}

} // namespace

class tst_emulatordatasource : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // --- Ranges of a DNG ---------------------------------------------------------------------

    void anyRangeEqualsTheSameRangeOfTheWholeFile_data()
    {
        QTest::addColumn<int>("order");
        QTest::addColumn<QString>("where"); // where the range lies, resolved against the header's size
        QTest::addColumn<qint64>("offset"); // from that place
        QTest::addColumn<qint64>("count");
        const int little = Maker::kLELittleEndian;
        const int big = Maker::kLEBigEndian;
        QTest::newRow("start") << little << "start" << qint64(0) << qint64(100);
        QTest::newRow("header alone") << big << "start" << qint64(0) << qint64(-1);
        QTest::newRow("across the border") << little << "pixels" << qint64(-37) << qint64(1000);
        QTest::newRow("across the border, big-endian") << big << "pixels" << qint64(-3) << qint64(13);
        QTest::newRow("pixels from their first byte") << little << "pixels" << qint64(0) << qint64(64);
        QTest::newRow("inside one word") << little << "pixels" << qint64(3) << qint64(2);
        QTest::newRow("middle, unaligned") << big << "middle" << qint64(5) << qint64(70001);
        QTest::newRow("end") << little << "end" << qint64(-4096) << qint64(4096);
        QTest::newRow("the partial last word") << little << "end" << qint64(-5) << qint64(5);
        QTest::newRow("last byte") << big << "end" << qint64(-1) << qint64(1);
        QTest::newRow("past the end, clamped") << little << "end" << qint64(-10) << qint64(1000);
        QTest::newRow("at the end: nothing") << little << "end" << qint64(0) << qint64(10);
        QTest::newRow("beyond the end: nothing") << little << "end" << qint64(100) << qint64(10);
        QTest::newRow("negative offset: nothing") << little << "start" << qint64(-1) << qint64(10);
        QTest::newRow("no count: nothing") << little << "middle" << qint64(0) << qint64(0);
    }

    void anyRangeEqualsTheSameRangeOfTheWholeFile()
    {
        QFETCH(int, order);
        QFETCH(QString, where);
        QFETCH(qint64, offset);
        QFETCH(qint64, count);
        const Maker::Picture picture = smallPicture(Maker::eLEByteOrder(order));
        const Source source = Maker::dngSource(picture);
        const qint64 header = Maker::dngHeaderBytes(picture);
        QCOMPARE(source.size(), kSmallDng);
        // The whole file in one read: the reference every range is held to.
        QByteArray whole(int(kSmallDng), '\0');
        QCOMPARE(source.read(0, whole.data(), kSmallDng), kSmallDng);

        const qint64 base = where == QLatin1String("pixels") ? header
                            : where == QLatin1String("middle") ? kSmallDng / 2
                            : where == QLatin1String("end")    ? kSmallDng
                                                               : 0;
        const qint64 at = base + offset;
        if (count < 0)
            count = header;
        const qint64 expected = at < 0 || at >= kSmallDng ? 0 : qMin(count, kSmallDng - at);
        qint64 copied = -1;
        const QByteArray range = readRange(source, at, count, &copied);
        QCOMPARE(copied, expected);
        QCOMPARE(range, expected > 0 ? whole.mid(int(at), int(expected)) : QByteArray());
        // A slice reads the same bytes from its own start.
        const Source slice = source.mid(at, count);
        QCOMPARE(slice.size(), expected);
        QCOMPARE(slice.toByteArray(), range);
    }

    void theFillerKeepsTheBytesOfEarlierFiles_data()
    {
        QTest::addColumn<int>("order");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QByteArray>("sha1");
        // Made by the filler as it was before it could start anywhere: files
        // kept by benchmarks and tests from then still compare.
        QTest::newRow("big-endian, odd size") << int(Maker::kLEBigEndian) << qint64(1000003)
                                              << QByteArray("78f7913b791beb1b20495db5cb9447b38153597b");
        QTest::newRow("little-endian, 4 KiB") << int(Maker::kLELittleEndian) << qint64(4096)
                                              << QByteArray("46e3376b92e41adacf1f5bd2f1b07cdedf7e1680");
    }

    void theFillerKeepsTheBytesOfEarlierFiles()
    {
        QFETCH(int, order);
        QFETCH(qint64, size);
        QFETCH(QByteArray, sha1);
        Maker::Picture picture = smallPicture(Maker::eLEByteOrder(order));
        picture.dngBytes = size;
        const QByteArray dng = Maker::dng(picture);
        QCOMPARE(qint64(dng.size()), size);
        QCOMPARE(QCryptographicHash::hash(dng, QCryptographicHash::Sha1).toHex(), sha1);
    }

    void dngsUpToFourGigabytesAreDescribedWithoutBeingMade()
    {
        Maker::Picture picture = smallPicture();
        picture.dngBytes = Maker::kMaxDngBytes;
        const Source source = Maker::dngSource(picture);
        QCOMPARE(source.size(), qint64(0xFFFFFFFE));
        QVERIFY(!source.isHeld());
        // The header claims pixel data that fits the file, in 32 bits.
        const QSize pixels = Maker::dngPixels(picture);
        QVERIFY(pixels.width() > pixels.height());
        QVERIFY(qint64(pixels.width()) * pixels.height() * 2 <= source.size() - Maker::dngHeaderBytes(picture));
        // Its last bytes are there, and are not zero.
        char tail[16] = {};
        QCOMPARE(source.read(source.size() - 16, tail, 100), qint64(16));
        QVERIFY(QByteArray(tail, 16).count('\0') < 16);
        // Too big for one byte array: made whole, it is refused, not cut.
        QVERIFY(Maker::dng(picture).isEmpty());
        picture.dngBytes = Maker::kMaxDngBytes + 1000;
        QCOMPARE(Maker::dngBytes(picture), Maker::kMaxDngBytes);
    }

    // --- Bytes held as an array --------------------------------------------------------------

    void aByteArrayIsSharedNotCopied()
    {
        const QByteArray bytes("0123456789");
        const Source source(bytes);
        QVERIFY(source.isHeld());
        QCOMPARE(source.size(), qint64(10));
        QCOMPARE(source.toByteArray().constData(), bytes.constData());
        QCOMPARE(source.mid(3, 4).toByteArray(), QByteArray("3456"));
        QCOMPARE(source.mid(3, 4).mid(1).toByteArray(), QByteArray("456"));
        QVERIFY(Source(QByteArray()).isEmpty());
        QVERIFY(source.mid(10).isEmpty());
    }

    // --- Checking a file against the picture --------------------------------------------------

    void aFileIsComparedInPieces_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<qint64>("difference"); // -1: the same
        const qint64 size = 3 * Source::kPieceBytes + 11; // several pieces and a rest
        QTest::newRow("the same") << "none" << qint64(-1);
        QTest::newRow("first byte") << "flip 0" << qint64(0);
        QTest::newRow("in the second piece") << "flip 1048577" << qint64(1048577);
        QTest::newRow("last byte") << QStringLiteral("flip %1").arg(size - 1) << size - 1;
        QTest::newRow("one byte short") << "chop 1" << size - 1;
        QTest::newRow("a piece short") << QStringLiteral("chop %1").arg(Source::kPieceBytes)
                                       << size - Source::kPieceBytes;
        QTest::newRow("one byte more") << "append 1" << size;
        QTest::newRow("empty") << QStringLiteral("chop %1").arg(size) << qint64(0);
    }

    void aFileIsComparedInPieces()
    {
        QFETCH(QString, change);
        QFETCH(qint64, difference);
        Maker::Picture picture = smallPicture();
        picture.dngBytes = 3 * Source::kPieceBytes + 11;
        QByteArray file = Maker::dng(picture);
        const QStringList words = change.split(QLatin1Char(' '));
        const int amount = words.value(1).toInt();
        if (words.first() == QLatin1String("flip"))
            file[amount] = char(file.at(amount) ^ 0x40);
        else if (words.first() == QLatin1String("chop"))
            file.chop(amount);
        else if (words.first() == QLatin1String("append"))
            file.append(QByteArray(amount, '\0'));
        QBuffer device(&file);
        QVERIFY(device.open(QIODevice::ReadOnly));
        QCOMPARE(Maker::dngSource(picture).firstDifference(device), difference);
        QVERIFY(device.seek(0));
        QCOMPARE(Maker::compareDng(picture, device), difference < 0);
    }

    // --- The camera ----------------------------------------------------------------------------

    void theCameraAnswersADngFromItsSource()
    {
        auto camera = std::make_shared<TVK_Emulator_Camera>(0x2041);
        auto *capture = camera->component<TVK_Emulator_Capture>();
        capture->overrideSetting(TVK_Emulator_Camera::kLEFileFormat, 0);
        capture->setThumbnails(false);
        capture->setDngBytes(Maker::kMaxDngBytes + 1);
        QCOMPARE(capture->dngBytes(), Maker::kMaxDngBytes);
        capture->setDngBytes(kSmallDng);
        QCOMPARE(camera->transact(kOpInitiateCapture, {}, TVK_Emulator_Transaction::kLENoData).responseCode, 0x2001);
        QTRY_COMPARE(capture->pendingCount(), 1);

        const auto streamed = camera->transactStreamed(kOpGetObject, {kPending}, TVK_Emulator_Transaction::kLEDataIn);
        QCOMPARE(streamed.responseCode, 0x2001);
        QVERIFY(streamed.data.isEmpty());
        QCOMPARE(streamed.source.size(), kSmallDng);
        QVERIFY(!streamed.source.isHeld());
        // Nothing kept for it, queued or not.
        QCOMPARE(capture->objectsHoldingBytes(), 0);
        // The whole answer, for callers that want it at hand, is the same file.
        const auto whole = camera->transact(kOpGetObject, {kPending}, TVK_Emulator_Transaction::kLEDataIn);
        QCOMPARE(whole.data, streamed.source.toByteArray());
        QCOMPARE(whole.source.size(), kSmallDng);

        // A range, and a range running past the end.
        const auto part = camera->transactStreamed(0x101B, {kPending, 1000, 5000}, TVK_Emulator_Transaction::kLEDataIn);
        QCOMPARE(part.source.toByteArray(), whole.data.mid(1000, 5000));
        const auto rest =
            camera->transactStreamed(0x101B, {kPending, quint32(kSmallDng - 3), 0xFFFFFFFFu},
                                     TVK_Emulator_Transaction::kLEDataIn);
        QCOMPARE(rest.source.toByteArray(), whole.data.right(3));
        QCOMPARE(capture->objectsHoldingBytes(), 0);
        // A short phase, as a fault, cuts the source.
        camera->setShortDataOnce(100);
        QCOMPARE(camera->transactStreamed(kOpGetObject, {kPending}, TVK_Emulator_Transaction::kLEDataIn).source.size(),
                 qint64(100));
    }

    // --- The USB container's length ---------------------------------------------------------------

    void aDataContainerTooLongForItsLengthFieldSaysSo_data()
    {
        QTest::addColumn<qint64>("dngBytes");
        QTest::addColumn<quint32>("lengthField");
        QTest::newRow("fits") << qint64(0xFFFFFFF2) << quint32(0xFFFFFFFE);
        QTest::newRow("fits to the marker's value") << qint64(0xFFFFFFF3) << quint32(0xFFFFFFFF);
        QTest::newRow("one byte beyond the field") << qint64(0xFFFFFFF4) << quint32(0xFFFFFFFF);
        QTest::newRow("the largest DNG") << Maker::kMaxDngBytes << quint32(0xFFFFFFFF);
    }

    // Only the first packet is read and the rest cancelled: the phase is made
    // as it is read, so a 4 GB answer costs nothing more.
    void aDataContainerTooLongForItsLengthFieldSaysSo()
    {
        QFETCH(qint64, dngBytes);
        QFETCH(quint32, lengthField);
        auto camera = std::make_shared<TVK_Emulator_Camera>(0x2041);
        auto *capture = camera->component<TVK_Emulator_Capture>();
        capture->overrideSetting(TVK_Emulator_Camera::kLEFileFormat, 0);
        capture->setDngBytes(dngBytes);
        QCOMPARE(camera->transact(kOpInitiateCapture, {}, TVK_Emulator_Transaction::kLENoData).responseCode, 0x2001);
        QTRY_COMPARE(capture->pendingCount(), 1);
        auto pipe = std::make_shared<TVK_Emulator_UsbPipe>();
        TVK_Emulator_UsbResponder responder(camera, pipe);

        uchar command[16] = {};
        qToLittleEndian<quint32>(16, command);
        qToLittleEndian<quint16>(1, command + 4); // command block
        qToLittleEndian<quint16>(kOpGetObject, command + 6);
        qToLittleEndian<quint32>(5, command + 8);
        qToLittleEndian<quint32>(kPending, command + 12);
        QCOMPARE(int(pipe->bulkWrite(command, sizeof command, 1000)), int(TVK_Commu_UsbPipeIF::kLEOk));
        std::vector<uchar> packet(size_t(pipe->maxPacketSize()));
        size_t received = 0;
        QCOMPARE(int(pipe->bulkRead(packet.data(), packet.size(), &received, 5000)), int(TVK_Commu_UsbPipeIF::kLEOk));
        QCOMPARE(received, packet.size());
        QCOMPARE(qFromLittleEndian<quint32>(packet.data()), lengthField);
        QCOMPARE(qFromLittleEndian<quint16>(packet.data() + 4), quint16(2)); // data block
        // The payload is the DNG's start.
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(packet.data()) + 12, 4), QByteArray("II*\0", 4));
        QCOMPARE(int(pipe->cancelTransaction(5, 1000)), int(TVK_Commu_UsbPipeIF::kLEOk));
    }
};

QTEST_GUILESS_MAIN(tst_emulatordatasource)
#include "tst_emulatordatasource.moc"
