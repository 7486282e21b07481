// Our download beside gphoto2's, against the emulator program serving a
// camera over PTP/IP on loopback: gphoto2 --get-file of a 60 MB DNG on the
// camera's card (and of a 1 GB one where the emulator serves files that big),
// and the same picture fetched by our WLAN access and stored by the camera
// model's transfer thread (the camera offers it to the host as the session
// opens). Each runs in a process of its own, so that the whole peak memory of
// each is what compares (the kernel's maximum resident size of the child,
// from wait4). The emulator program starts afresh for each pair of runs, so
// that both find the same card; the two alternate; medians shown.
//
// gphoto2 is timed from its start to its end, connection and session
// included, since that is what its user waits for; ours both from the
// transfer request to the file under its name and, the same as gphoto2, as
// its whole process.
//
// Goals: ours faster and smaller than gphoto2 (ratio below 1) on each: a
// program made for one maker's cameras should beat a general one on its own
// ground, and its memory must not grow with the picture.
//
// gphoto2 opens its event connection on port 15740 whatever the command
// connection's port, so the emulator listens there; when another program
// holds that port, the benchmark waits for it a while.
//
// The child that runs our side is this program again: bench_peer_download
// --ours PORT FOLDER, one line of results on its standard output.

#include "TVK_Bench_Report.h"
#include "TVK_Commu_CameraAccess_PTPIP.h"
#include "TVK_Emulator_PictureMaker.h"
#include "TVK_Logic_Camera.h"
#include "TVK_Logic_FolderSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <vector>

namespace {

constexpr int kProduct = 0x2041;
constexpr quint16 kPort = 15740;
constexpr qint64 kSmallBytes = 60 * 1000 * 1000;
constexpr qint64 kLargeBytes = 1000 * 1000 * 1000;
constexpr int kDefaultRuns = 5;
// At most this many runs of the large picture: each writes a gigabyte.
constexpr int kLargeRuns = 3;
constexpr int kWaitMs = 300000;
// How long the benchmark waits for another program to let go of the port.
constexpr int kPortWaitMs = 120000;

// What one child process took.
struct Child {
    bool ok = false;
    double seconds = 0.0;
    double peakMiB = 0.0;
};

// Runs program with arguments and environment in folder, its output into
// log, and waits for its end: wall time and maximum resident size from the
// kernel. fork and exec rather than QProcess: wait4 has to reap the child
// itself to get its resource use.
Child runChild(const QString &program, const QStringList &arguments, const QStringList &environment,
               const QString &folder, const QString &log)
{
    Child result;
    // Everything the child needs is made before the fork: after it, only
    // calls that are safe in a copy of a threaded process.
    std::vector<QByteArray> strings;
    strings.push_back(QFile::encodeName(program));
    for (const QString &argument : arguments)
        strings.push_back(argument.toLocal8Bit());
    const size_t argumentCount = strings.size();
    for (const QString &variable : environment)
        strings.push_back(variable.toLocal8Bit());
    std::vector<char *> argv;
    std::vector<char *> envp;
    for (size_t i = 0; i < strings.size(); ++i)
        (i < argumentCount ? argv : envp).push_back(strings[i].data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    const QByteArray directory = QFile::encodeName(folder);
    const int output = ::open(QFile::encodeName(log).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (output < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(log));
        return result;
    }
    QElapsedTimer clock;
    clock.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(output, STDOUT_FILENO);
        ::dup2(output, STDERR_FILENO);
        if (::chdir(directory.constData()) != 0)
            ::_exit(126);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(output);
    if (pid < 0) {
        std::perror("fork");
        return result;
    }
    int status = 0;
    rusage usage{};
    pid_t waited;
    do {
        waited = ::wait4(pid, &status, 0, &usage);
    } while (waited < 0 && errno == EINTR);
    result.seconds = clock.nsecsElapsed() / 1e9;
    result.peakMiB = usage.ru_maxrss / 1024.0; // kB
    result.ok = waited == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!result.ok) {
        QFile text(log);
        text.open(QIODevice::ReadOnly);
        std::fprintf(stderr, "%s %s failed (status 0x%x):\n%s\n", qPrintable(program),
                     qPrintable(arguments.join(QLatin1Char(' '))), status, text.readAll().right(2000).constData());
    }
    return result;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The one file in folder has bytes bytes; it is removed either way.
bool oneFileOf(const QString &folder, qint64 bytes)
{
    const QDir dir(folder);
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden);
    const bool ok = files.size() == 1 && QFileInfo(dir.filePath(files.first())).size() == bytes;
    if (!ok)
        std::fprintf(stderr, "in %s: %s (wanted one file of %lld bytes)\n", qPrintable(folder),
                     qPrintable(files.join(QLatin1Char(' '))), static_cast<long long>(bytes));
    for (const QString &file : files)
        QFile::remove(dir.filePath(file));
    return ok;
}

// --- Our side, in the child ------------------------------------------------------------------

// Connects to the camera at port and lets the camera model store the picture
// the camera offers (the one on its card) in folder. Prints the seconds from
// the transfer request to the file under its name.
int ours(const QStringList &arguments)
{
    TVK_Commu_CameraAccess_PTPIP::Address address;
    address.host = QStringLiteral("127.0.0.1");
    address.port = quint16(arguments.value(2).toUInt());
    const QString folder = arguments.value(3);
    TVK_Commu_CameraAccess_PTPIP access(address);
    if (!access.openConnection(0, 0, address.deviceId())) {
        std::fprintf(stderr, "the WLAN access does not open the camera at %s\n", qPrintable(address.text()));
        return 1;
    }
    int status = 0;
    {
        TVK_Logic_Camera model(&access);
        model.folderSettings()->load({folder, folder, QStringLiteral("Bench"), 1});
        std::atomic<qint64> requestedNs{-1};
        std::atomic<qint64> savedNs{-1};
        QElapsedTimer clock;
        clock.start();
        // The camera announced the picture on its card as the session
        // opened; the access keeps that request until this listener comes.
        QObject::connect(&access, &TVK_Commu_CameraAccess_Base::signalTransferRequest, &model,
                         [&](quint32 handle) {
                             qint64 none = -1;
                             requestedNs.compare_exchange_strong(none, clock.nsecsElapsed());
                             model.transferRequest(handle);
                         },
                         Qt::QueuedConnection);
        // Raised by the transfer thread once the file has its name.
        QObject::connect(&model, &TVK_Logic_Camera::signalDngTransferDone, &model,
                         [&]() {
                             qint64 none = -1;
                             savedNs.compare_exchange_strong(none, clock.nsecsElapsed());
                         },
                         Qt::DirectConnection);
        QEventLoop loop;
        while ((savedNs.load() < 0 || model.transferThreadCount() > 0) && clock.elapsed() < kWaitMs) {
            loop.processEvents(QEventLoop::AllEvents, 1);
            QThread::usleep(200);
        }
        if (savedNs.load() < 0 || requestedNs.load() < 0) {
            std::fprintf(stderr, "no picture stored within %d s\n", kWaitMs / 1000);
            status = 1;
        }
        std::printf("OURS\t%.6f\n", (savedNs.load() - requestedNs.load()) / 1e9);
        std::fflush(stdout);
    }
    access.closeConnection();
    return status;
}

// --- The parent -------------------------------------------------------------------------------

// The emulator program on kPort, one DNG of bytes on its card.
class CameraProgram
{
public:
    bool start(qint64 bytes)
    {
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            m_process.setStandardErrorFile(QDir::current().filePath(QStringLiteral("bench_peer_download.camera.log")),
                                           QIODevice::Append);
            m_process.start(QStringLiteral(TVK_PTPIP_CAMERA_PATH),
                            {QStringLiteral("--product=%1").arg(kProduct, 0, 16),
                             QStringLiteral("--address=127.0.0.1"), QStringLiteral("--port=%1").arg(kPort),
                             QStringLiteral("--pictures=1"), QStringLiteral("--dng-bytes=%1").arg(bytes)});
            if (!m_process.waitForStarted(kWaitMs))
                return false;
            QByteArray out;
            while (!out.contains('\n') && m_process.state() != QProcess::NotRunning)
                if (m_process.waitForReadyRead(kWaitMs))
                    out += m_process.readAllStandardOutput();
            if (out.startsWith("listening on"))
                return true;
            m_process.waitForFinished(kWaitMs);
            if (waited.elapsed() > kPortWaitMs) {
                std::fprintf(stderr, "the emulator program does not listen on port %u\n", unsigned(kPort));
                return false;
            }
            std::fprintf(stderr, "port %u is taken; trying again\n", unsigned(kPort));
            QThread::sleep(2);
        }
    }
    ~CameraProgram()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(kWaitMs))
            m_process.kill();
        m_process.waitForFinished(kWaitMs);
    }

private:
    QProcess m_process;
};

struct Side {
    std::vector<double> seconds;      // the whole process
    std::vector<double> peaks;        // MiB
    std::vector<double> fetchSeconds; // ours: transfer request to file
};

// One size: gphoto2 and ours alternately, each pair against a fresh emulator
// program.
bool compare(qint64 bytes, int runs, const QString &gphoto2, const QString &work, Side *theirs, Side *our)
{
    const QString home = QDir(work).filePath(QStringLiteral("home"));
    QDir().mkpath(home + QStringLiteral("/.config"));
    // gphoto2 in a home of its own, so that nothing of the machine's
    // settings is read or written, in the C locale; ours the same.
    const QStringList environment{
        QStringLiteral("HOME=") + home, QStringLiteral("XDG_CONFIG_HOME=") + home + QStringLiteral("/.config"),
        QStringLiteral("XDG_CACHE_HOME=") + home + QStringLiteral("/.cache"), QStringLiteral("LANG=C"),
        QStringLiteral("PATH=") + qEnvironmentVariable("PATH"), QStringLiteral("QT_QPA_PLATFORM=offscreen")};
    const QString into = QDir(work).filePath(QStringLiteral("into"));
    QDir().mkpath(into);
    const QString log = QDir(work).filePath(QStringLiteral("child.log"));
    for (int run = 0; run < runs; ++run) {
        CameraProgram camera;
        if (!camera.start(bytes))
            return false;
        const Child peer = runChild(gphoto2,
                                    {QStringLiteral("--port"), QStringLiteral("ptpip:127.0.0.1"),
                                     QStringLiteral("--camera"), QStringLiteral("PTP/IP Camera"),
                                     QStringLiteral("--get-file"), QStringLiteral("1")},
                                    environment, into, log);
        if (!peer.ok || !oneFileOf(into, bytes))
            return false;
        theirs->seconds.push_back(peer.seconds);
        theirs->peaks.push_back(peer.peakMiB);

        const Child child = runChild(QCoreApplication::applicationFilePath(),
                                     {QStringLiteral("--ours"), QString::number(kPort), into}, environment, into,
                                     log);
        double fetched = -1.0;
        QFile text(log);
        if (child.ok && text.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : text.readAll().split('\n')) {
                const QList<QByteArray> fields = line.split('\t');
                if (fields.size() == 2 && fields[0] == "OURS")
                    fetched = fields[1].toDouble();
            }
        }
        text.close();
        QFile::remove(log);
        if (!child.ok || fetched <= 0.0) {
            std::fprintf(stderr, "our child reported no transfer\n");
            return false;
        }
        if (!oneFileOf(into, bytes))
            return false;
        our->seconds.push_back(child.seconds);
        our->peaks.push_back(child.peakMiB);
        our->fetchSeconds.push_back(fetched);
    }
    return true;
}

void report(const char *size, const Side &theirs, const Side &our)
{
    const double peerS = median(theirs.seconds);
    const double peerPeak = median(theirs.peaks);
    const double fetchS = median(our.fetchSeconds);
    const double wholeS = median(our.seconds);
    const double ourPeak = median(our.peaks);
    std::printf("%s DNG, median of %zu runs each\n", size, theirs.seconds.size());
    std::printf("  %-50s %8.0f ms\n", "gphoto2 --get-file, start to end", peerS * 1e3);
    std::printf("  %-50s %8.0f ms\n", "ours, start to end", wholeS * 1e3);
    std::printf("  %-50s %8.0f ms\n", "  of which the transfer request to the file", fetchS * 1e3);
    std::printf("  %-50s %8.1f MiB\n", "gphoto2, peak resident memory of the process", peerPeak);
    std::printf("  %-50s %8.1f MiB\n", "ours, peak resident memory of the process", ourPeak);

    const QByteArray prefix = QByteArray("peer download ") + size + ": ";
    const QByteArray peer = "gphoto2 --get-file, whole process";
    TVK_Bench_Report::figure(prefix + "ours, transfer request to file", fetchS * 1e3, "ms", peer, peerS * 1e3,
                             "ratio<1");
    TVK_Bench_Report::figure(prefix + "ours, whole process", wholeS * 1e3, "ms", peer, peerS * 1e3, "ratio<1");
    TVK_Bench_Report::figure(prefix + "ours, peak memory of the process", ourPeak, "MiB", peer, peerPeak,
                             "ratio<1");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.value(1) == QLatin1String("--ours"))
        return ours(arguments);

    const QString gphoto2 = QStandardPaths::findExecutable(QStringLiteral("gphoto2"));
    if (gphoto2.isEmpty()) {
        std::fprintf(stderr, "skipped: gphoto2 is not installed (scripts/setup.sh installs it)\n");
        return 77;
    }
    // Local disk, not a memory file system: next to the program.
    QTemporaryDir work(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_peer_download_XXXXXX"));
    if (!work.isValid()) {
        std::fprintf(stderr, "no folder for the pictures\n");
        return 1;
    }
    const int runs = TVK_Bench_Report::runs(kDefaultRuns);
    std::printf("gphoto2 and ours against the emulator program over PTP/IP on 127.0.0.1, product 0x%04X\n",
                kProduct);
    Side theirs, our;
    if (!compare(kSmallBytes, runs, gphoto2, work.path(), &theirs, &our)) {
        std::fprintf(stderr, "a download of the 60 MB DNG failed\n");
        return 1;
    }
    report("60 MB", theirs, our);
    if (TVK_Emulator_PictureMaker::kMaxDngBytes < kLargeBytes) {
        std::printf("1 GB DNG: not measured, the emulator serves DNGs of at most %lld bytes\n",
                    static_cast<long long>(TVK_Emulator_PictureMaker::kMaxDngBytes));
        return 0;
    }
    Side largeTheirs, largeOur;
    if (!compare(kLargeBytes, std::min(runs, kLargeRuns), gphoto2, work.path(), &largeTheirs, &largeOur)) {
        std::fprintf(stderr, "a download of the 1 GB DNG failed\n");
        return 1;
    }
    report("1 GB", largeTheirs, largeOur);
    return 0;
}
