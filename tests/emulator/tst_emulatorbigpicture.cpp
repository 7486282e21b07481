#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Commu_CameraAccess_Linux_PTP.h"
#include "TVK_Commu_CameraAccess_PTPIP.h"
#include "TVK_Commu_DataSink.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_DataSource.h"
#include "TVK_Emulator_PtpIpServerThread.h"
#include "TVK_Emulator_UsbBus.h"
#include "TVK_Test_Heap.h"

#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

// A picture of a gigabyte through each transport, checked byte for byte as it
// arrives, with the heap of this process, camera and host together, never
// growing by more than a few pieces: the emulator makes the file as it is
// read, and each transport hands it on in pieces. Once per transport, since
// each costs seconds under the sanitizers.
namespace {

constexpr qint64 kMB = 1024 * 1024;
constexpr qint64 kPictureBytes = 1024 * kMB;
// Far below the picture; room for the transports' own buffers and pieces.
constexpr qint64 kHeapBound = 32 * kMB;
constexpr int kWaitMs = 20000;
constexpr quint32 kPending = TVK_Emulator_Capture::kPendingHandle;

// Compares each piece with the same range of the camera's file, keeping
// nothing, and notes the heap's peak along the way.
class CheckingSink : public TVK_Commu_DataSink
{
public:
    explicit CheckingSink(TVK_Emulator_DataSource reference)
        : m_reference(std::move(reference))
        , m_expected(kMaxPieceSize)
    {
    }

    bool begin(quint64 announced) override
    {
        ++begins;
        total = announced;
        return true;
    }
    bool write(const unsigned char *bytes, size_t size) override
    {
        const qint64 made = m_reference.read(qint64(received), m_expected.data(), qint64(size));
        if (firstDifference < 0 && (made != qint64(size) || std::memcmp(bytes, m_expected.data(), size) != 0))
            firstDifference = qint64(received);
        received += size;
        largestPiece = std::max(largestPiece, size);
        // Every few pieces: often enough to see a growing buffer, rarely
        // enough not to cost the sanitizer's statistics each time.
        if (++pieces % 16 == 0)
            heapPeak = std::max(heapPeak, TVK_Test_Heap::inUseBytes());
        return true;
    }
    void end(eLEEnd ended) override
    {
        ++ends;
        how = ended;
        heapPeak = std::max(heapPeak, TVK_Test_Heap::inUseBytes());
    }

    quint64 total = 0;
    quint64 received = 0;
    qint64 firstDifference = -1;
    size_t largestPiece = 0;
    int begins = 0;
    int ends = 0;
    int pieces = 0;
    eLEEnd how = kLEAbandoned;
    qint64 heapPeak = -1;

private:
    const TVK_Emulator_DataSource m_reference;
    std::vector<char> m_expected;
};

std::shared_ptr<TVK_Emulator_Camera> cameraWithBigPictures()
{
    auto camera = std::make_shared<TVK_Emulator_Camera>(0x2041);
    camera->setTimeScale(0.01);
    auto *capture = camera->component<TVK_Emulator_Capture>();
    capture->overrideSetting(TVK_Emulator_Camera::kLEFileFormat, 0); // the DNG alone
    capture->setThumbnails(false);
    capture->setDngBytes(kPictureBytes);
    return camera;
}

} // namespace

class tst_emulatorbigpicture : public QObject
{
    Q_OBJECT

private:
    // Releases, then streams the picture through access and checks it.
    void fetchBigPicture(TVK_Commu_CameraAccess_Base &access, TVK_Emulator_Camera &camera)
    {
        auto *capture = camera.component<TVK_Emulator_Capture>();
        QVERIFY(access.releaseCam(0));
        QTRY_COMPARE_WITH_TIMEOUT(capture->pendingCount(), 1, kWaitMs);
        const TVK_Emulator_DataSource picture = capture->fileSource(kPending);
        QCOMPARE(picture.size(), kPictureBytes);

        CheckingSink sink(picture);
        const qint64 before = TVK_Test_Heap::inUseBytes();
        quint64 received = 0;
        QVERIFY(access.streamObject(&sink, kPending, &received));
        QCOMPARE(received, quint64(kPictureBytes));
        QCOMPARE(sink.total, quint64(kPictureBytes));
        QCOMPARE(sink.received, quint64(kPictureBytes));
        QCOMPARE(sink.firstDifference, qint64(-1));
        QCOMPARE(sink.begins, 1);
        QCOMPARE(sink.ends, 1);
        QCOMPARE(int(sink.how), int(TVK_Commu_DataSink::kLEComplete));
        QVERIFY(sink.largestPiece <= TVK_Commu_DataSink::kMaxPieceSize);
        if (before < 0)
            QSKIP("no heap figures here: the bytes were checked, the memory cannot be");
        qInfo("heap grew by %lld KiB during the transfer", static_cast<long long>((sink.heapPeak - before) / 1024));
        QVERIFY2(sink.heapPeak - before < kHeapBound,
                 qPrintable(QStringLiteral("the heap grew by %1 bytes").arg(sink.heapPeak - before)));
        // Nothing of it stays with the camera either.
        QCOMPARE(capture->objectsHoldingBytes(), 0);
    }

private Q_SLOTS:
    void throughTheEmulatedAccess()
    {
        const std::shared_ptr<TVK_Emulator_Camera> camera = cameraWithBigPictures();
        TVK_Commu_CameraAccess_Emulated access(camera);
        QVERIFY(access.openConnection(0x4E50, camera->productId(), access.deviceId()));
        fetchBigPicture(access, *camera);
        QVERIFY(access.closeConnection());
    }

    void throughTheUsbFraming()
    {
        const std::shared_ptr<TVK_Emulator_Camera> camera = cameraWithBigPictures();
        TVK_Commu_CameraAccess_Linux_PTP access(std::make_unique<TVK_Emulator_UsbBus>(camera));
        QSignalSpy available(&access, &TVK_Commu_CameraAccess_Linux_PTP::signalDeviceAvailable);
        access.checkDeviceAvailable();
        QCOMPARE(available.size(), 1);
        const QList<QVariant> args = available.takeFirst();
        QVERIFY(access.openConnection(args.at(1).toULongLong(), args.at(2).toInt(), args.at(3).toString()));
        fetchBigPicture(access, *camera);
        QVERIFY(access.closeConnection());
    }

    void overPtpIp()
    {
        const std::shared_ptr<TVK_Emulator_Camera> camera = cameraWithBigPictures();
        TVK_Emulator_PtpIpServerThread server(camera);
        QVERIFY(server.port() != 0);
        using Access = TVK_Commu_CameraAccess_PTPIP;
        Access access(Access::Address{QStringLiteral("127.0.0.1"), server.port()});
        access.setTransferTimeoutMs(kWaitMs);
        QSignalSpy available(&access, &Access::signalDeviceAvailable);
        QVERIFY(QTest::qWaitFor(
            [&]() {
                access.checkDeviceAvailable();
                return available.count() > 0;
            },
            kWaitMs));
        QVERIFY(access.openConnection(0x4E50, 0, access.address().deviceId()));
        fetchBigPicture(access, *camera);
        QVERIFY(access.closeConnection());
    }
};

QTEST_GUILESS_MAIN(tst_emulatorbigpicture)
#include "tst_emulatorbigpicture.moc"
