#include "TVK_Commu_PropertyCodes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_Logic_Camera.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Test_CameraRig.h"
#include "TVK_Test_Heap.h"
#include "TVK_Test_Home.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

constexpr int kProduct = 0x2041;
constexpr qint64 kPictureBytes = 1024 * 1024 * 1024;
// What a transfer may add to the heap whatever the picture's size: a few
// pieces in flight, the transport's buffers, the log. A transfer holding the
// picture would add all of it.
constexpr qint64 kHeapBound = 48 * 1024 * 1024;
// Minutes under the sanitizers on a loaded machine, for a gigabyte.
constexpr int kWaitMs = 15 * 60 * 1000;

// The highest the heap rose above where it stood, sampled until stopped.
class HeapWatch
{
public:
    HeapWatch()
        : m_base(TVK_Test_Heap::inUseBytes())
        , m_peak(m_base)
        , m_thread([this]() {
            while (!m_stop.load()) {
                const qint64 now = TVK_Test_Heap::inUseBytes();
                qint64 peak = m_peak.load();
                while (now > peak && !m_peak.compare_exchange_weak(peak, now)) {
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        })
    {
    }
    ~HeapWatch() { stop(); }
    bool readable() const { return m_base >= 0; }
    qint64 stop()
    {
        m_stop.store(true);
        if (m_thread.joinable())
            m_thread.join();
        return m_peak.load() - m_base;
    }

private:
    const qint64 m_base;
    std::atomic<qint64> m_peak;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace

// A gigabyte picture from release to its file, through each way the program
// talks to a camera: it lands byte for byte, and the heap does not grow with it.
class tst_BigPicture : public QObject
{
    Q_OBJECT

    TVK_Test_Home m_home;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_home.isValid()); }

    void aGigabyteLandsWholeWithoutBeingHeld_data()
    {
        QTest::addColumn<int>("transport");
        QTest::newRow("emulated access") << int(TVK_Test_CameraRig::kLEInMemory);
        QTest::newRow("USB framing") << int(TVK_Test_CameraRig::kLEUsbFraming);
        QTest::newRow("PTP/IP") << int(TVK_Test_CameraRig::kLEPtpIpLoopback);
    }

    void aGigabyteLandsWholeWithoutBeingHeld()
    {
        QFETCH(int, transport);
        TVK_Test_CameraRig::Options options(kProduct, TVK_Test_CameraRig::eLETransport(transport));
        options.prepare = [](TVK_Emulator_Camera &camera) {
            camera.component<TVK_Emulator_Capture>()->setDngBytes(kPictureBytes);
            camera.properties()->setValue(TVK_Commu_Prop::kFileFormat, 0 /* DNG only */, false);
        };
        TVK_Test_CameraRig rig(options);
        TVK_Emulator_Capture *capture = rig.camera()->component<TVK_Emulator_Capture>();
        QVERIFY(rig.connected());
        QVERIFY(rig.useFolders(QStringLiteral("Big"), 1));
        TVK_Logic_Controller *controller = rig.controller();
        qint64 lastProgress = 0;
        connect(controller, &TVK_Logic_Controller::signalTransferProgress, this,
                [&lastProgress](const QString &, qint64 received, qint64) { lastProgress = received; });

        HeapWatch heap;
        controller->doCaptureBtnPressed();
        controller->doCaptureBtnReleased();
        QTRY_VERIFY_WITH_TIMEOUT(capture->picturesTaken() == 1 && capture->pendingCount() == 0
                                     && controller->camera()->transferThreadCount() == 0,
                                 kWaitMs);
        const qint64 added = heap.stop();

        const QDir folder(rig.folder("dng"));
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden), QStringList{"Big00001.DNG"});
        QFile file(folder.filePath(QStringLiteral("Big00001.DNG")));
        QCOMPARE(file.size(), kPictureBytes);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(capture->fileSource(capture->cardHandles().value(0)).firstDifference(file), qint64(-1));
        QTRY_COMPARE_WITH_TIMEOUT(lastProgress, kPictureBytes, 20000); // queued through the controller's thread
        if (!heap.readable())
            QSKIP("the heap cannot be read in this build; the picture landed whole");
        qInfo("the heap rose by %lld KiB during the transfer", added / 1024);
        QVERIFY2(added < kHeapBound, qPrintable(QStringLiteral("the heap rose by %1 bytes").arg(added)));
    }
};

QTEST_GUILESS_MAIN(tst_BigPicture)
#include "tst_bigpicture.moc"
