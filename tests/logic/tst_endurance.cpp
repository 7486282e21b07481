#include "TVK_Commu_PtpCodes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Logic_Camera.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Logic_FolderSettings.h"
#include "TVK_Test_CameraRig.h"
#include "TVK_Test_Heap.h"
#include "TVK_Test_Home.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include <sys/resource.h>

#include <csignal>
#include <memory>

// Many series of DNG+JPG pairs through the whole logic while the camera is
// unplugged and plugged in again, answers busy, cuts a data phase short and
// the download folder fills up. Afterwards every picture the camera took is
// on disk whole and correctly named, or the user was warned; no file is half
// written; memory does not grow with the count. TVK_ENDURANCE_PICTURES sets
// the count (the default keeps the run to a few minutes; 1000 by hand).
namespace {

using Camera = TVK_Emulator_Camera;
using Capture = TVK_Emulator_Capture;
using Controller = TVK_Logic_Controller;

constexpr int kWaitMs = 30000;
constexpr int kProduct = 0x2041;
constexpr int kDefaultPictures = 200;
// This product has no plain continuous mode, only its speeds: the first of them.
constexpr int kContinuousDrive = 6;

// A memory figure of this process in KiB: VmRSS (resident now) or VmHWM
// (the peak so far, which never falls); -1 where /proc does not tell.
qint64 memoryKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression line(QStringLiteral("^%1:\\s+(\\d+) kB").arg(QLatin1String(field)),
                                  QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

struct Memory {
    int pictures = 0;
    qint64 residentKiB = -1;
    qint64 peakKiB = -1;
    qint64 heapBytes = -1;
};

Memory measure(int pictures)
{
    Memory memory;
    memory.pictures = pictures;
    memory.residentKiB = memoryKiB("VmRSS");
    memory.peakKiB = memoryKiB("VmHWM");
    memory.heapBytes = TVK_Test_Heap::inUseBytes();
    // One line per mark, for quoting.
    qInfo("memory after %d pictures: VmRSS %lld KiB, VmHWM %lld KiB, heap in use %lld KiB", pictures,
          memory.residentKiB, memory.peakKiB, memory.heapBytes < 0 ? -1 : memory.heapBytes / 1024);
    return memory;
}

// A download folder that is full: writes beyond a few bytes fail with EFBIG
// (the signal that would end the process is ignored) until it is lifted.
class FullDisk
{
public:
    FullDisk()
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit tight = m_saved;
        tight.rlim_cur = 4096;
        m_active = setrlimit(RLIMIT_FSIZE, &tight) == 0;
    }
    ~FullDisk()
    {
        if (m_active)
            setrlimit(RLIMIT_FSIZE, &m_saved);
    }

private:
    rlimit m_saved{};
    bool m_active = false;
};

// TVK_ENDURANCE_PICTURES, or the default.
int pictureTarget()
{
    bool ok = false;
    const int target = qEnvironmentVariableIntValue("TVK_ENDURANCE_PICTURES", &ok);
    return ok && target > 0 ? target : kDefaultPictures;
}

QByteArray digest(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

} // namespace

class tst_Endurance : public QObject
{
    Q_OBJECT

public:
    tst_Endurance()
    {
        // Qt gives a test function five minutes; a long run by hand needs
        // more. Read once, before the first function starts.
        if (!qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
            qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number(qMax(300, 2 * pictureTarget()) * 1000));
    }

private Q_SLOTS:
    void everyPictureIsOnDiskWholeOrReported();
};

void tst_Endurance::everyPictureIsOnDiskWholeOrReported()
{
    TVK_Test_Home home;
    QVERIFY(home.isValid());
    const int target = pictureTarget();

    TVK_Test_CameraRig::Options options(kProduct);
    options.seed = 20261209;
    options.recorder = false;
    options.prepare = [](Camera &camera) {
        Capture *capture = camera.component<Capture>();
        capture->setDngBytes(96 * 1024);
        capture->setJpegPixels(QSize(160, 106));
        capture->overrideSetting(Camera::kLEFileFormat, 1); // DNG and JPG
        // The camera's clock runs a hundred times fast: a quarter frame per
        // second of its time is a frame each 40 ms of ours, so a press of 60 to
        // 250 ms makes a series of two to seven pictures.
        capture->setContinuousRate(0.25);
    };
    TVK_Test_CameraRig rig(options);
    const std::shared_ptr<Camera> camera = rig.camera();
    Capture *capture = camera->component<Capture>();
    Controller *controller = rig.controller();
    QSignalSpy disconnected(controller, &Controller::signalCameraDisconnected);
    QSignalSpy warnings(controller, &Controller::signalWarning);
    TVK_Logic_FolderSettings *folders = rig.useFolders(QStringLiteral("End"), 1);
    QVERIFY(folders);
    const QString dngFolder = rig.folder("dng");
    const QString jpgFolder = rig.folder("jpg");
    // The running number lives on in the user's settings across a replug, as
    // the file tab keeps it for the program.
    QObject::connect(controller, &Controller::signalPictureIndex, controller,
                     [folders](int index) { folders->setPictureNumber(index); }, Qt::DirectConnection);
    const auto waitConnected = [&]() {
        return QTest::qWaitFor([&]() { return controller->camera() != nullptr && controller->productId() == kProduct; },
                               kWaitMs);
    };
    QVERIFY(waitConnected());
    controller->setFolderSettings(folders);
    // Set through the camera's own property, so that the controller presses
    // and releases a series rather than taking single pictures.
    controller->setDriveMode(kContinuousDrive);
    QVERIFY(QTest::qWaitFor([&]() { return controller->camera()->driveMode() == kContinuousDrive; }, kWaitMs));
    const auto settled = [&]() {
        return QTest::qWaitFor([&]() {
            return !capture->isContinuousRunning() && capture->pendingCount() == 0 && controller->camera() != nullptr
                   && controller->camera()->transferThreadCount() == 0;
        }, kWaitMs);
    };

    QRandomGenerator random(20261209);
    // Taken at the first settled moment past 100 pictures and past every
    // thousand: a longer run shows whether any growth goes on.
    int nextMark = 100;
    QVector<Memory> memory;
    int unplugs = 0;
    int busy = 0;
    int shortData = 0;
    int shortPictures = 0;
    int fullDisk = 0;
    int series = 0;
    QElapsedTimer clock;
    clock.start();
    while (capture->picturesTaken() < target) {
        ++series;
        const int fault = int(random.bounded(10));
        const int warningsBefore = warnings.count();
        std::unique_ptr<FullDisk> full;
        if (fault == 1) {
            camera->setBusyTransactions(1 + int(random.bounded(3)));
            ++busy;
        } else if (fault == 2) {
            // Whatever data phase comes next: a picture, its ObjectInfo, a setting.
            camera->setShortDataOnce(int(random.bounded(1, 4096)));
            ++shortData;
        } else if (fault == 3) {
            full = std::make_unique<FullDisk>();
            ++fullDisk;
        } else if (fault == 4) {
            // A picture answered OK with its last bytes missing.
            camera->cutNextDataIn(TVK_Commu_Ptp::kOpGetObject, int(random.bounded(1, 4096)));
        }
        controller->doCaptureBtnPressed();
        QTest::qWait(int(random.bounded(60, 250)));
        const auto replug = [&]() {
            const int before = disconnected.count();
            camera->removeDevice();
            if (!QTest::qWaitFor([&]() { return disconnected.count() > before; }, kWaitMs))
                return false;
            camera->attach();
            if (!waitConnected())
                return false;
            controller->setFolderSettings(folders);
            return true;
        };
        if (fault == 0) {
            // Pulled out in the middle of the series, plugged in again.
            ++unplugs;
            QVERIFY(replug());
        } else {
            controller->doCaptureBtnReleased();
        }
        if (fault == 3) {
            // With nowhere to put it the camera keeps its picture, unconfirmed,
            // and offers it again in its next session, when there is room.
            QVERIFY(QTest::qWaitFor(
                [&]() {
                    return !capture->isContinuousRunning() && controller->camera()->transferThreadCount() == 0
                           && (capture->pendingCount() == 0 || warnings.count() > warningsBefore);
                },
                kWaitMs));
            full.reset();
            if (capture->pendingCount() > 0)
                QVERIFY(replug());
        }
        QVERIFY2(settled(),
                 qPrintable(QStringLiteral("series %1 (fault %2) did not settle: %3 pending, %4 transfers, "
                                           "continuous %5, camera %6, %7 pictures")
                                .arg(series)
                                .arg(fault)
                                .arg(capture->pendingCount())
                                .arg(controller->camera() ? controller->camera()->transferThreadCount() : -1)
                                .arg(capture->isContinuousRunning())
                                .arg(controller->camera() != nullptr)
                                .arg(capture->picturesTaken())));
        full.reset();
        if (fault == 4) {
            if (camera->dataInCutPending()) {
                camera->cutNextDataIn(TVK_Commu_Ptp::kOpGetObject, 0); // the series ended before a picture came
            } else {
                // The cut picture is read again and lands whole (checked below);
                // one that did not would be missing without a warning.
                ++shortPictures;
            }
        }
        if (capture->picturesTaken() >= nextMark) {
            memory << measure(capture->picturesTaken());
            nextMark = (capture->picturesTaken() / 1000 + 1) * 1000;
        }
    }
    const Memory atEnd = measure(capture->picturesTaken());

    // What the camera holds, read back byte for byte.
    QHash<QByteArray, quint32> cardByDigest;
    const QVector<quint32> handles = capture->cardHandles();
    for (quint32 handle : handles) {
        const Camera::Result result =
            camera->transact(TVK_Commu_Ptp::kOpGetObject, {handle}, TVK_Emulator_Transaction::kLEDataIn);
        QVERIFY(result.transportOk && result.responseCode == TVK_Commu_Ptp::kRespOK);
        cardByDigest.insert(digest(result.data), handle);
    }

    // What the disk holds: only whole pictures under their numbered names.
    const QRegularExpression name(QStringLiteral("^End(\\d{5})(_\\d+)?\\.(DNG|JPG)$"));
    QSet<quint32> onDisk;
    for (const QString &folder : {dngFolder, jpgFolder}) {
        const QDir dir(folder);
        const QStringList hidden = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString &file : hidden) {
            QVERIFY2(!file.startsWith(QLatin1Char('.')), qPrintable(QStringLiteral("left behind: ") + file));
            const QRegularExpressionMatch match = name.match(file);
            QVERIFY2(match.hasMatch(), qPrintable(QStringLiteral("badly named: ") + file));
            QFile picture(dir.filePath(file));
            QVERIFY(picture.open(QIODevice::ReadOnly));
            const QByteArray bytes = picture.readAll();
            const auto found = cardByDigest.constFind(digest(bytes));
            int zeros = 0;
            while (zeros < bytes.size() && bytes.at(bytes.size() - 1 - zeros) == 0)
                ++zeros;
            QVERIFY2(found != cardByDigest.constEnd(),
                     qPrintable(QStringLiteral("not a whole picture: %1 (%2 bytes, the last %3 zero)")
                                    .arg(file)
                                    .arg(bytes.size())
                                    .arg(zeros)));
            QVERIFY2(!onDisk.contains(found.value()), qPrintable(QStringLiteral("saved twice: ") + file));
            onDisk.insert(found.value());
        }
    }
    const int missing = handles.size() - onDisk.size();
    const Memory first = memory.value(0, atEnd);
    qInfo("%d pictures (%d files) in %d series, %.1f s: %d unplugs, %d busy, %d short, %d short pictures, "
          "%d full-disk series; %d files on disk, %d missing, %d warnings; VmRSS %lld KiB after %d pictures, "
          "%lld KiB after %d; VmHWM %lld KiB",
          capture->picturesTaken(), int(handles.size()), series, clock.elapsed() / 1000.0, unplugs, busy, shortData,
          shortPictures, fullDisk, int(onDisk.size()), missing, int(warnings.count()), first.residentKiB,
          first.pictures, atEnd.residentKiB, atEnd.pictures, atEnd.peakKiB);
    // A picture that is not on disk was reported to the user.
    QVERIFY2(missing <= warnings.count(),
             qPrintable(QStringLiteral("%1 pictures missing, %2 warnings").arg(missing).arg(warnings.count())));

    // Of the heap, what the program itself held at the end (controller,
    // camera model, their records of the card); the rest is the emulated
    // camera's card and this test's own records.
    const qint64 heapWithController = TVK_Test_Heap::inUseBytes();
    rig.closeController();
    const qint64 heapWithoutController = TVK_Test_Heap::inUseBytes();
    if (heapWithController >= 0) {
        const qint64 held = heapWithController - heapWithoutController;
        qInfo("the controller held %lld KiB of heap after %d pictures", held / 1024, capture->picturesTaken());
        // Five of this run's DNGs: a program that kept any picture's bytes
        // after its transfer would pass this within the first few series.
        QVERIFY2(held < 5 * 96 * 1024, qPrintable(QStringLiteral("the controller held %1 bytes").arg(held)));
    }
}

QTEST_GUILESS_MAIN(tst_Endurance)
#include "tst_endurance.moc"
