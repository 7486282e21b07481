// What saving a picture costs: a 60 MB DNG from an emulated camera through the
// camera model's transfer thread into a file on local disk, against writing
// the same bytes with a plain QFile, and the peak memory the transfer adds.
// Then the same with the emulator limited like a USB 2.0 camera, against the
// time the bytes alone need at that rate. Several runs; median shown.
//
// The emulator makes each picture's file when the host first asks for it and
// keeps it while the picture waits, so that copy is part of the peak too; it
// is printed on its own.
//
// Goals (none stated elsewhere; what a photographer would expect): at USB 2.0
// speed the picture is in its file at most a tenth after the bytes alone
// could have crossed the link; unthrottled the program saves at 100 MB/s or
// more, what a USB 3 camera delivers in practice, so that the link and not the
// program sets the pace; and a transfer holds at most one copy of the picture
// (a tenth more for buffers), so that a burst of big pictures does not swap.

#include "TVK_Bench_Report.h"
#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_Logic_Camera.h"
#include "TVK_Logic_FolderSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kProduct = 0x2041;
constexpr qint64 kObjectBytes = 60 * 1000 * 1000;
constexpr qint64 kUsb2BytesPerSecond = 40 * 1000 * 1000;
constexpr int kDefaultRuns = 5;
constexpr quint16 kPropFileFormat = 0xD004;

// Peak and current resident memory of this process in kB, from the kernel.
qint64 statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Lets the peak start again from what is resident now.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Run {
    double seconds = 0.0;
    double announcedSeconds = 0.0; // the camera's part: release to the transfer request
    double savedSeconds = 0.0;     // release to the file under its name
    qint64 peakAddedKb = 0;
    bool ok = false;
};

// One release to one finished file.
Run transfer(bool usb2, const QString &folder)
{
    Run run;
    auto camera = std::make_shared<TVK_Emulator_Camera>(kProduct);
    camera->setTimeScale(0.01);
    auto *capture = camera->component<TVK_Emulator_Capture>();
    capture->setDngBytes(kObjectBytes);
    camera->properties()->setValue(kPropFileFormat, 0, false);
    TVK_Commu_CameraAccess_Emulated access(camera);
    access.checkDeviceAvailable();
    access.openConnection(TVK_Commu_CameraAccess_Emulated::kVendorId, kProduct, access.deviceId());
    TVK_Logic_Camera model(&access);
    model.folderSettings()->load({folder, folder, QStringLiteral("Bench"), 1});
    QObject::connect(&access, &TVK_Commu_CameraAccess_Base::signalTransferRequest, &model,
                     &TVK_Logic_Camera::transferRequest, Qt::QueuedConnection);
    if (usb2)
        camera->setDataRate(kUsb2BytesPerSecond);

    std::atomic<qint64> announcedNs{0};
    std::atomic<qint64> savedNs{0};
    QElapsedTimer clock;
    QObject::connect(&access, &TVK_Commu_CameraAccess_Base::signalTransferRequest, &access,
                     [&]() { announcedNs.store(clock.nsecsElapsed()); }, Qt::DirectConnection);
    // Raised by the transfer thread right after the file got its name.
    QObject::connect(&model, &TVK_Logic_Camera::signalDngTransferDone, &model,
                     [&]() { savedNs.store(clock.nsecsElapsed()); }, Qt::DirectConnection);
    QCoreApplication::processEvents();
    resetPeak();
    const qint64 before = statusKb("VmRSS:");
    clock.start();
    if (!access.releaseCam(0))
        return run;
    QEventLoop loop;
    while ((capture->pendingCount() > 0 || model.transferThreadCount() > 0) && clock.elapsed() < 120000) {
        loop.processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(200);
    }
    run.seconds = clock.nsecsElapsed() / 1e9;
    run.announcedSeconds = announcedNs.load() / 1e9;
    run.savedSeconds = savedNs.load() / 1e9;
    run.peakAddedKb = statusKb("VmHWM:") - before;
    const QStringList files = QDir(folder).entryList(QDir::Files);
    run.ok = files.size() == 1 && QFileInfo(QDir(folder).filePath(files.first())).size() == kObjectBytes;
    for (const QString &file : files)
        QFile::remove(QDir(folder).filePath(file));
    return run;
}

// The transfer makes each file durable before it gets its name, so the plain
// write is measured both ways.
double plainWrite(const QString &folder, bool sync)
{
    const QByteArray bytes(int(kObjectBytes), 'x');
    QElapsedTimer clock;
    clock.start();
    QFile file(QDir(folder).filePath(QStringLiteral("plain.bin")));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return -1.0;
    file.flush();
    if (sync)
        ::fsync(file.handle());
    file.close();
    const double seconds = clock.nsecsElapsed() / 1e9;
    file.remove();
    return seconds;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    // Local disk, not a memory file system: next to the program.
    QTemporaryDir dir(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_transfer_XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "no folder for the pictures\n");
        return 1;
    }
    std::vector<double> fast, slow, slowEnded, slowAnnounced, plain, synced;
    std::vector<double> peaks, announced;
    bool ok = true;
    const int runs = TVK_Bench_Report::runs(kDefaultRuns);
    for (int i = 0; i < runs; ++i) {
        const Run a = transfer(false, dir.path());
        const Run b = transfer(true, dir.path());
        ok = ok && a.ok && b.ok;
        fast.push_back(a.savedSeconds);
        slow.push_back(b.savedSeconds);
        slowEnded.push_back(b.seconds);
        slowAnnounced.push_back(b.announcedSeconds);
        peaks.push_back(double(a.peakAddedKb));
        announced.push_back(a.announcedSeconds);
        plain.push_back(plainWrite(dir.path(), false));
        synced.push_back(plainWrite(dir.path(), true));
    }
    const double mb = kObjectBytes / 1e6;
    const double fastS = median(fast);
    const double plainS = median(plain);
    const double syncedS = median(synced);
    const double slowS = median(slow);
    const double peakMb = median(peaks) * 1024.0 / 1e6;
    std::printf("Saving a %.0f MB DNG, product 0x%04X, median of %d runs\n", mb, kProduct, runs);
    std::printf("%-48s %8.1f MB/s (%.0f ms)\n", "release to file, unthrottled", mb / fastS, fastS * 1e3);
    std::printf("%-48s %8.0f ms\n", "  of which the camera until it announces the file", median(announced) * 1e3);
    std::printf("%-48s %8.1f MB/s (%.0f ms)\n", "plain QFile write of the same bytes", mb / plainS, plainS * 1e3);
    std::printf("%-48s %8.1f MB/s (%.0f ms)\n", "plain QFile write and fsync", mb / syncedS, syncedS * 1e3);
    std::printf("%-48s %8.2f / %.2f\n", "time ratio transfer / plain write (no sync / sync)", fastS / plainS,
                fastS / syncedS);
    std::printf("%-48s %8.1f MB (%.2f x the picture)\n", "peak memory added, emulator's copy included", peakMb,
                peakMb / mb);
    std::printf("%-48s %8.1f MB (%.2f x the picture)\n", "of which the transfer, without that copy",
                peakMb - mb, (peakMb - mb) / mb);
    const double ideal = kObjectBytes / double(kUsb2BytesPerSecond);
    std::printf("%-48s %8.0f ms against %.0f ms for the bytes alone (%+.1f %%)\n",
                "release to file at 40 MB/s", slowS * 1e3, ideal * 1e3, (slowS / ideal - 1.0) * 100.0);
    std::printf("%-48s %8.0f ms\n", "  of which the camera until it announces the file", median(slowAnnounced) * 1e3);
    std::printf("%-48s %8.0f ms\n", "release until the transfer thread has ended", median(slowEnded) * 1e3);

    const char *syncedWrite = "QFile write + fsync";
    TVK_Bench_Report::figure("transfer: release to file, unthrottled", mb / fastS, "MB/s", syncedWrite, mb / syncedS,
                             "value>=100");
    TVK_Bench_Report::figure("transfer: plain QFile write without fsync", mb / plainS, "MB/s", syncedWrite, mb / syncedS,
                             "-");
    TVK_Bench_Report::figure("transfer: camera until it announces, unthrottled", median(announced) * 1e3, "ms", "-");
    TVK_Bench_Report::figure("transfer: peak memory added by the transfer", peakMb - mb, "MB", "the picture", mb,
                             "ratio<=1.1");
    TVK_Bench_Report::figure("transfer: peak memory added, emulator's copy too", peakMb, "MB", "the picture", mb,
                             "-");
    const char *bytesAlone = "the bytes alone at 40 MB/s";
    TVK_Bench_Report::figure("transfer: release to file at 40 MB/s", slowS * 1e3, "ms", bytesAlone, ideal * 1e3,
                             "ratio<=1.1");
    TVK_Bench_Report::figure("transfer: camera until it announces at 40 MB/s", median(slowAnnounced) * 1e3, "ms",
                             "-");
    TVK_Bench_Report::figure("transfer: release to thread ended at 40 MB/s", median(slowEnded) * 1e3, "ms",
                             bytesAlone, ideal * 1e3, "-");
    if (!ok) {
        std::fprintf(stderr, "a picture was not saved whole\n");
        return 1;
    }
    return 0;
}
