#include "TVK_Commu_CameraAccessFactory.h"
#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Logic_Camera.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Logic_FolderSettings.h"
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
constexpr int kOpGetObject = 0x1009;
constexpr int kDefaultPictures = 120;

qint64 peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression line(QStringLiteral("^VmHWM:\\s+(\\d+) kB"), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
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

QByteArray digest(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

} // namespace

class tst_Endurance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyPictureIsOnDiskWholeOrReported();
};

void tst_Endurance::everyPictureIsOnDiskWholeOrReported()
{
    TVK_Test_Home home;
    QVERIFY(home.isValid());
    bool countOk = false;
    int target = qEnvironmentVariableIntValue("TVK_ENDURANCE_PICTURES", &countOk);
    if (!countOk || target <= 0)
        target = kDefaultPictures;

    auto camera = std::make_shared<Camera>(kProduct, 20261209);
    camera->setTimeScale(0.01);
    Capture *capture = camera->component<Capture>();
    capture->setDngBytes(96 * 1024);
    capture->setJpegPixels(QSize(160, 106));
    capture->overrideSetting(Camera::kLEFileFormat, 1); // DNG and JPG
    capture->overrideSetting(Camera::kLEDriveMode, 1);  // continuous
    capture->setContinuousRate(12.0);
    TVK_Commu_CameraAccessFactory::setCreator(1, [camera]() -> TVK_Commu_CameraAccess_Base * {
        return new TVK_Commu_CameraAccess_Emulated(camera);
    });

    const QString dngFolder = home.filePath(QStringLiteral("dng"));
    const QString jpgFolder = home.filePath(QStringLiteral("jpg"));
    QVERIFY(QDir().mkpath(dngFolder) && QDir().mkpath(jpgFolder));
    TVK_Logic_FolderSettings folders;
    folders.load({dngFolder, jpgFolder, QStringLiteral("End"), 1});

    auto controller = std::make_unique<Controller>();
    QSignalSpy connected(controller.get(), &Controller::signalCameraConnected);
    QSignalSpy disconnected(controller.get(), &Controller::signalCameraDisconnected);
    QSignalSpy warnings(controller.get(), &Controller::signalWarning);
    // The running number lives on in the user's settings across a replug, as
    // the file tab keeps it for the program.
    QObject::connect(controller.get(), &Controller::signalPictureIndex, controller.get(),
                     [&folders](int index) { folders.setPictureNumber(index); }, Qt::DirectConnection);
    const auto waitConnected = [&]() {
        return QTest::qWaitFor([&]() { return controller->camera() != nullptr && controller->productId() == kProduct; },
                               kWaitMs);
    };
    QVERIFY(waitConnected());
    controller->setFolderSettings(&folders);
    const auto settled = [&]() {
        return QTest::qWaitFor([&]() {
            return !capture->isContinuousRunning() && capture->pendingCount() == 0 && controller->camera() != nullptr
                   && controller->camera()->transferThreadCount() == 0;
        }, kWaitMs);
    };

    QRandomGenerator random(20261209);
    qint64 residentAt100 = -1;
    int unplugs = 0;
    int busy = 0;
    int shortData = 0;
    int fullDisk = 0;
    int series = 0;
    QElapsedTimer clock;
    clock.start();
    while (capture->picturesTaken() < target) {
        ++series;
        const int fault = int(random.bounded(10));
        std::unique_ptr<FullDisk> full;
        if (fault == 1) {
            camera->setBusyTransactions(1 + int(random.bounded(3)));
            ++busy;
        } else if (fault == 2) {
            camera->setShortDataOnce(int(random.bounded(1, 4096)));
            ++shortData;
        } else if (fault == 3) {
            full = std::make_unique<FullDisk>();
            ++fullDisk;
        }
        controller->doCaptureBtnPressed();
        QTest::qWait(int(random.bounded(60, 250)));
        if (fault == 0) {
            // Pulled out in the middle of the series, plugged in again.
            ++unplugs;
            const int before = disconnected.count();
            camera->removeDevice();
            QVERIFY(QTest::qWaitFor([&]() { return disconnected.count() > before; }, kWaitMs));
            camera->attach();
            QVERIFY(waitConnected());
            controller->setFolderSettings(&folders);
        } else {
            controller->doCaptureBtnReleased();
        }
        QVERIFY2(settled(), qPrintable(QStringLiteral("series %1 did not settle: %2 pending")
                                           .arg(series)
                                           .arg(capture->pendingCount())));
        full.reset();
        if (residentAt100 < 0 && capture->picturesTaken() >= 100)
            residentAt100 = peakResidentKiB();
    }
    const qint64 residentAtEnd = peakResidentKiB();

    // What the camera holds, read back byte for byte.
    QHash<QByteArray, quint32> cardByDigest;
    const QVector<quint32> handles = capture->cardHandles();
    for (quint32 handle : handles) {
        const Camera::Result result =
            camera->transact(kOpGetObject, {handle}, TVK_Emulator_Transaction::kLEDataIn);
        QVERIFY(result.transportOk && result.responseCode == 0x2001);
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
    qInfo("%d pictures (%d files) in %d series, %.1f s: %d unplugs, %d busy, %d short, %d full-disk series; "
          "%d files on disk, %d missing, %d warnings; peak resident %lld KiB at 100 pictures, %lld KiB at %d",
          capture->picturesTaken(), int(handles.size()), series, clock.elapsed() / 1000.0, unplugs, busy, shortData,
          fullDisk, int(onDisk.size()), missing, int(warnings.count()), residentAt100, residentAtEnd,
          capture->picturesTaken());
    // A picture that is not on disk was reported to the user.
    QVERIFY2(missing <= warnings.count(),
             qPrintable(QStringLiteral("%1 pictures missing, %2 warnings").arg(missing).arg(warnings.count())));

    controller.reset();
    TVK_Commu_CameraAccessFactory::setCreator(1, {});
}

QTEST_GUILESS_MAIN(tst_Endurance)
#include "tst_endurance.moc"
