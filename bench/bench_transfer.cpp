// What saving a picture costs: a 60 MB DNG from an emulated camera through the
// camera model's transfer thread into a file on local disk, against writing
// the same bytes with a plain QFile, and the peak memory the transfer adds,
// for that DNG and for one of 1 GB (where the emulator serves files that
// big). Then the 60 MB one with the emulator limited like a USB 2.0 camera,
// against the time the bytes alone need at that rate. Several runs; median
// shown.
//
// The emulator runs in this process, so what it holds of a picture is part of
// the process's peak: it is measured on its own, the same picture released
// and read through the same access into a sink that drops every piece, and
// taken off the transfer's figure, and printed beside it. An emulator that
// makes the picture as it is read holds next to nothing there. Each peak is
// measured in a fresh process (this program again, --peak), since memory an
// earlier run freed but kept would otherwise hide what the next one needs.
//
// Goals (none stated elsewhere; what a photographer would expect): at USB 2.0
// speed the picture is in its file at most a twentieth after the bytes alone
// could have crossed the link; unthrottled the program saves at 100 MB/s or
// more, what a USB 3 camera delivers in practice, so that the link and not the
// program sets the pace; and a transfer adds at most 16 MiB of memory whatever
// the picture's size (it streams the picture to its file piece by piece), so
// that a burst of big pictures, or one of a gigabyte, never swaps. Memory is
// in MiB (2^20 bytes), rates and sizes of pictures in MB (10^6 bytes).

#include "TVK_Bench_Report.h"
#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Commu_DataSink.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_PictureMaker.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_Logic_Camera.h"
#include "TVK_Logic_FolderSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
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
constexpr qint64 kLargeBytes = 1000 * 1000 * 1000;
// At most this many runs of the large picture: each writes a gigabyte.
constexpr int kLargeRuns = 3;
constexpr double kMemoryGoalMiB = 16.0;
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

// An emulated camera of one DNG of bytes, connected through its access.
struct ConnectedCamera {
    explicit ConnectedCamera(qint64 bytes)
        : camera(std::make_shared<TVK_Emulator_Camera>(kProduct))
        , capture(camera->component<TVK_Emulator_Capture>())
        , access(camera)
    {
        camera->setTimeScale(0.01);
        capture->setDngBytes(bytes);
        camera->properties()->setValue(kPropFileFormat, 0, false);
        access.checkDeviceAvailable();
        access.openConnection(TVK_Commu_CameraAccess_Emulated::kVendorId, kProduct, access.deviceId());
    }
    std::shared_ptr<TVK_Emulator_Camera> camera;
    TVK_Emulator_Capture *capture;
    TVK_Commu_CameraAccess_Emulated access;
};

struct Run {
    double seconds = 0.0;
    double announcedSeconds = 0.0; // the camera's part: release to the transfer request
    double savedSeconds = 0.0;     // release to the file under its name
    qint64 peakAddedKb = 0;
    bool ok = false;
};

// One release to one finished file.
Run transfer(bool usb2, const QString &folder, qint64 bytes = kObjectBytes)
{
    Run run;
    ConnectedCamera connected(bytes);
    const std::shared_ptr<TVK_Emulator_Camera> &camera = connected.camera;
    TVK_Emulator_Capture *capture = connected.capture;
    TVK_Commu_CameraAccess_Emulated &access = connected.access;
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
    while ((capture->pendingCount() > 0 || model.transferThreadCount() > 0) && clock.elapsed() < 300000) {
        loop.processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(200);
    }
    run.seconds = clock.nsecsElapsed() / 1e9;
    run.announcedSeconds = announcedNs.load() / 1e9;
    run.savedSeconds = savedNs.load() / 1e9;
    run.peakAddedKb = statusKb("VmHWM:") - before;
    const QStringList files = QDir(folder).entryList(QDir::Files);
    run.ok = files.size() == 1 && QFileInfo(QDir(folder).filePath(files.first())).size() == bytes;
    for (const QString &file : files)
        QFile::remove(QDir(folder).filePath(file));
    return run;
}

// Takes the data phase and keeps none of it.
class DroppingSink : public TVK_Commu_DataSink
{
public:
    bool begin(quint64 total) override
    {
        m_total = total;
        return true;
    }
    bool write(const unsigned char *, size_t size) override
    {
        m_received += size;
        return true;
    }
    void end(eLEEnd) override {}
    bool whole() const { return m_received == m_total; }

private:
    quint64 m_total = 0;
    quint64 m_received = 0;
};

// The emulator's part of a transfer's peak: the same release and read
// through the same access, the bytes dropped as they come. kB, or -1.
qint64 emulatorPeakKb(qint64 bytes)
{
    ConnectedCamera connected(bytes);
    TVK_Emulator_Capture *capture = connected.capture;
    TVK_Commu_CameraAccess_Emulated &access = connected.access;
    QCoreApplication::processEvents();
    resetPeak();
    const qint64 before = statusKb("VmRSS:");
    if (!access.releaseCam(0))
        return -1;
    QElapsedTimer clock;
    clock.start();
    while (capture->pendingCount() == 0 && clock.elapsed() < 60000)
        QThread::usleep(200);
    DroppingSink sink;
    if (!access.streamObject(&sink, TVK_Emulator_Capture::kPendingHandle) || !sink.whole())
        return -1;
    return statusKb("VmHWM:") - before;
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

// A peak measured in a process of its own, so that every run starts cold:
// memory one run freed and kept resident would hide the next run's needs.
// kind: "transfer" (the picture saved into folder) or "emulator" (read alone).
// The peak added in kB, or -1; *seconds: release to file of a transfer.
qint64 peakInChild(const char *kind, qint64 bytes, const QString &folder, double *seconds = nullptr)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--peak"), QLatin1String(kind), QString::number(bytes), folder});
    if (!child.waitForFinished(600000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        std::fprintf(stderr, "the %s run of %lld bytes failed\n", kind, static_cast<long long>(bytes));
        return -1;
    }
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() == 3 && fields[0] == "PEAK") {
            if (seconds != nullptr)
                *seconds = fields[2].toDouble();
            return fields[1].toLongLong();
        }
    }
    return -1;
}

// The child of peakInChild.
int peakRun(const QStringList &arguments)
{
    const qint64 bytes = arguments.value(3).toLongLong();
    if (arguments.value(2) == QLatin1String("emulator")) {
        const qint64 kb = emulatorPeakKb(bytes);
        std::printf("PEAK\t%lld\t0\n", static_cast<long long>(kb));
        return kb >= 0 ? 0 : 1;
    }
    const Run run = transfer(false, arguments.value(4), bytes);
    std::printf("PEAK\t%lld\t%.6f\n", static_cast<long long>(run.peakAddedKb), run.savedSeconds);
    return run.ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (QCoreApplication::arguments().value(1) == QLatin1String("--peak"))
        return peakRun(QCoreApplication::arguments());
    // Local disk, not a memory file system: next to the program.
    QTemporaryDir dir(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_transfer_XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "no folder for the pictures\n");
        return 1;
    }
    std::vector<double> fast, slow, slowEnded, slowAnnounced, plain, synced;
    std::vector<double> peaks, emulatorHeld, announced;
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
        const qint64 peak = peakInChild("transfer", kObjectBytes, dir.path());
        const qint64 emulator = peakInChild("emulator", kObjectBytes, dir.path());
        ok = ok && peak >= 0 && emulator >= 0;
        peaks.push_back(double(peak));
        emulatorHeld.push_back(double(emulator));
        announced.push_back(a.announcedSeconds);
        plain.push_back(plainWrite(dir.path(), false));
        synced.push_back(plainWrite(dir.path(), true));
    }
    // The gigabyte only where the emulator can serve it.
    const bool large = TVK_Emulator_PictureMaker::kMaxDngBytes >= kLargeBytes;
    std::vector<double> largeSaved, largePeaks, largeEmulatorHeld;
    for (int i = 0; large && i < std::min(runs, kLargeRuns); ++i) {
        double seconds = 0.0;
        const qint64 peak = peakInChild("transfer", kLargeBytes, dir.path(), &seconds);
        const qint64 emulator = peakInChild("emulator", kLargeBytes, dir.path());
        ok = ok && peak >= 0 && emulator >= 0;
        largeSaved.push_back(seconds);
        largePeaks.push_back(double(peak));
        largeEmulatorHeld.push_back(double(emulator));
    }
    const double mb = kObjectBytes / 1e6;
    const double fastS = median(fast);
    const double plainS = median(plain);
    const double syncedS = median(synced);
    const double slowS = median(slow);
    // Memory in MiB; the transfer's own is the peak less what the emulator held.
    const auto mib = [](double kb) { return kb / 1024.0; };
    const double pictureMiB = kObjectBytes / 1048576.0;
    const double peakMiB = mib(median(peaks));
    const double emulatorMiB = mib(median(emulatorHeld));
    std::vector<double> own;
    for (size_t i = 0; i < peaks.size(); ++i)
        own.push_back(mib(peaks[i] - emulatorHeld[i]));
    const double ownMiB = median(own);
    const auto list = [](const std::vector<double> &values, double scale) {
        QByteArray text;
        for (double value : values)
            text += QByteArray::number(value * scale, 'f', 1) + ' ';
        return text.trimmed();
    };
    std::printf("Saving a %.0f MB DNG, product 0x%04X, median of %d runs\n", mb, kProduct, runs);
    std::printf("%-48s %8.1f MB/s (%.0f ms)\n", "release to file, unthrottled", mb / fastS, fastS * 1e3);
    std::printf("%-48s %8.0f ms\n", "  of which the camera until it announces the file", median(announced) * 1e3);
    std::printf("%-48s %8.1f MB/s (%.0f ms)\n", "plain QFile write of the same bytes", mb / plainS, plainS * 1e3);
    std::printf("%-48s %8.1f MB/s (%.0f ms)\n", "plain QFile write and fsync", mb / syncedS, syncedS * 1e3);
    std::printf("%-48s %8.2f / %.2f\n", "time ratio transfer / plain write (no sync / sync)", fastS / plainS,
                fastS / syncedS);
    std::printf("%-48s %8.1f MiB\n", "peak memory added, emulator included", peakMiB);
    std::printf("%-48s %8.1f MiB (the picture: %.1f MiB)\n", "  of which the emulator (read alone, bytes dropped)", emulatorMiB,
                pictureMiB);
    std::printf("%-48s %8.1f MiB (goal <= %.0f MiB)\n", "  of which the transfer", ownMiB, kMemoryGoalMiB);
    std::printf("%-48s %s / %s MiB\n", "  each run, all / emulator alone", list(peaks, 1.0 / 1024).constData(),
                list(emulatorHeld, 1.0 / 1024).constData());
    const double ideal = kObjectBytes / double(kUsb2BytesPerSecond);
    std::printf("%-48s %8.0f ms against %.0f ms for the bytes alone (%+.1f %%)\n",
                "release to file at 40 MB/s", slowS * 1e3, ideal * 1e3, (slowS / ideal - 1.0) * 100.0);
    std::printf("%-48s %8.0f ms\n", "  of which the camera until it announces the file", median(slowAnnounced) * 1e3);
    std::printf("%-48s %8.0f ms\n", "release until the transfer thread has ended", median(slowEnded) * 1e3);

    const char *syncedWrite = "QFile write + fsync";
    const QByteArray memoryGoal = "value<=" + QByteArray::number(kMemoryGoalMiB);
    TVK_Bench_Report::figure("transfer: release to file, unthrottled", mb / fastS, "MB/s", syncedWrite, mb / syncedS,
                             "value>=100");
    TVK_Bench_Report::figure("transfer: plain QFile write without fsync", mb / plainS, "MB/s", syncedWrite, mb / syncedS,
                             "-");
    TVK_Bench_Report::figure("transfer: camera until it announces, unthrottled", median(announced) * 1e3, "ms", "-");
    TVK_Bench_Report::figure("transfer: peak memory added by the transfer, 60 MB DNG", ownMiB, "MiB", "the picture",
                             pictureMiB, memoryGoal.constData());
    TVK_Bench_Report::figure("transfer: the emulator alone, peak added, 60 MB DNG", emulatorMiB, "MiB",
                             "the picture", pictureMiB, "-");
    TVK_Bench_Report::figure("transfer: peak memory added, emulator included, 60 MB DNG", peakMiB, "MiB",
                             "the picture", pictureMiB, "-");
    if (large) {
        std::vector<double> largeOwn;
        for (size_t i = 0; i < largePeaks.size(); ++i)
            largeOwn.push_back(mib(largePeaks[i] - largeEmulatorHeld[i]));
        const double largeMb = kLargeBytes / 1e6;
        const double largePictureMiB = kLargeBytes / 1048576.0;
        const double largeS = median(largeSaved);
        std::printf("Saving a %.0f MB DNG, median of %zu runs\n", largeMb, largeSaved.size());
        std::printf("%-48s %8.1f MB/s (%.0f ms)\n", "release to file, unthrottled", largeMb / largeS, largeS * 1e3);
        std::printf("%-48s %8.1f MiB\n", "peak memory added, emulator included", mib(median(largePeaks)));
        std::printf("%-48s %8.1f MiB\n", "  of which the emulator (read alone, bytes dropped)", mib(median(largeEmulatorHeld)));
        std::printf("%-48s %8.1f MiB (goal <= %.0f MiB)\n", "  of which the transfer", median(largeOwn),
                    kMemoryGoalMiB);
        std::printf("%-48s %s / %s MiB\n", "  each run, all / emulator alone", list(largePeaks, 1.0 / 1024).constData(),
                    list(largeEmulatorHeld, 1.0 / 1024).constData());
        TVK_Bench_Report::figure("transfer: release to file, unthrottled, 1 GB DNG", largeMb / largeS, "MB/s",
                                 syncedWrite, mb / syncedS, "value>=100");
        TVK_Bench_Report::figure("transfer: peak memory added by the transfer, 1 GB DNG", median(largeOwn), "MiB",
                                 "the picture", largePictureMiB, memoryGoal.constData());
        TVK_Bench_Report::figure("transfer: the emulator alone, peak added, 1 GB DNG",
                                 mib(median(largeEmulatorHeld)), "MiB", "the picture", largePictureMiB, "-");
    } else {
        std::printf("1 GB DNG: not measured, the emulator serves DNGs of at most %lld bytes\n",
                    static_cast<long long>(TVK_Emulator_PictureMaker::kMaxDngBytes));
    }
    const char *bytesAlone = "the bytes alone at 40 MB/s";
    TVK_Bench_Report::figure("transfer: release to file at 40 MB/s", slowS * 1e3, "ms", bytesAlone, ideal * 1e3,
                             "ratio<=1.05");
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
