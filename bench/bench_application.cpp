// How long a photographer waits: from program start to the no-camera window
// on screen (from the moment this program starts the process, so that loading
// the libraries counts; and from main() on), and from the controller's connect of an emulated camera to the
// camera window shown and to it holding every setting the controller
// publishes. The application exists once per process, so each run is a child
// process of this program; the medians are printed. Runs offscreen.
//
// Goals (none stated elsewhere; what a photographer would expect of a desktop
// program): its window within a second of the start, the camera window within
// a second of the camera connecting and every setting in it within two.

#include "TVK_Bench_Report.h"
#include "TVK_Commu_CameraAccessFactory.h"
#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_GUI_Application.h"
#include "TVK_GUI_CameraArdo2.h"
#include "TVK_GUI_NoCamera.h"
#include "TVK_GUI_Settings.h"
#include "TVK_Logic_Controller.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace {

constexpr int kDefaultRuns = 7;
constexpr int kTimeoutMs = 60000;

std::shared_ptr<TVK_Emulator_Camera> g_camera;
int g_product = 0x2031;
// When the parent started this process, on the clock all processes share.
qint64 g_launchedNs = -1;

qint64 monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Notes the first time a window is shown.
class ShowWatch : public QObject
{
public:
    explicit ShowWatch(const QElapsedTimer &clock) : m_clock(clock) {}
    qint64 shownNs = -1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && shownNs < 0)
            shownNs = m_clock.nsecsElapsed();
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer &m_clock;
};

int child(int argc, char **argv)
{
    QElapsedTimer clock;
    clock.start();
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    qputenv("HOME", home.path().toLocal8Bit());
    // The camera is attached only once the no-camera window is up, so the
    // two waits are measured apart.
    TVK_Commu_CameraAccessFactory::setCreator(1, []() -> TVK_Commu_CameraAccess_Base * {
        static std::once_flag made;
        std::call_once(made, []() {
            g_camera = std::make_shared<TVK_Emulator_Camera>(g_product);
            g_camera->removeDevice();
        });
        return new TVK_Commu_CameraAccess_Emulated(g_camera);
    });

    TVK_GUI_Settings::registerXmlFormat();
    TVK_GUI_Settings::instance();
    qint64 startupNs = -1, launchNs = -1, shownNs = -1, populatedNs = -1;
    std::atomic<qint64> connectedNs{-1};
    {
        TVK_GUI_Application application(argc, argv);
        // The no-camera window is shown at the end of the constructor.
        startupNs = clock.nsecsElapsed();
        launchNs = g_launchedNs >= 0 ? monotonicNs() - g_launchedNs : -1;
        TVK_Logic_Controller *controller = application.controller();
        ShowWatch watch(clock);
        // Taken in the controller's thread, the moment it announces the camera.
        QObject::connect(controller, &TVK_Logic_Controller::signalCameraConnected, controller,
                         [&]() { connectedNs.store(clock.nsecsElapsed()); }, Qt::DirectConnection);
        QObject::connect(&application, &TVK_GUI_Application::signalCameraGUIOpened, &application, [&]() {
            if (TVK_GUI_CameraArdo2 *window = application.cameraWindow())
                window->installEventFilter(&watch);
            // Behind the publication the window asked for: the controller
            // runs this after publishing, and its answer arrives after every
            // published value in this thread's queue.
            QMetaObject::invokeMethod(controller, [&]() {
                QMetaObject::invokeMethod(&application, [&]() { populatedNs = clock.nsecsElapsed(); },
                                          Qt::QueuedConnection);
            }, Qt::QueuedConnection);
        });
        QTimer::singleShot(0, &application, []() { g_camera->attach(); });
        QElapsedTimer wait;
        wait.start();
        while (populatedNs < 0 && wait.elapsed() < kTimeoutMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        shownNs = watch.shownNs;
    }
    TVK_GUI_Settings::destroyInstance();
    TVK_Commu_CameraAccessFactory::setCreator(1, {});
    g_camera.reset();
    if (populatedNs < 0 || connectedNs < 0 || launchNs < 0)
        return 1;
    std::printf("%.1f %.1f %.1f %.1f\n", launchNs / 1e6, startupNs / 1e6, (shownNs - connectedNs.load()) / 1e6,
                (populatedNs - connectedNs.load()) / 1e6);
    std::fflush(stdout); // before the sanitizers' checks at exit have their say
    return 0;
}

// Qt 5.15's offscreen platform never frees its screen; built with the
// sanitizers, the leak check at exit would fail every child for it. These are
// the allocations the tests' suppressions name for the same reason; a leak of
// ours still shows with our own frames.
bool writeLeakSuppressions(QTemporaryFile *file)
{
    if (!file->open())
        return false;
    file->write("leak:libqoffscreen.so\n"
                "leak:QScreen::QScreen\n"
                "leak:QPlatformScreen::QPlatformScreen\n"
                "leak:QWindowSystemInterface::handleScreenAdded\n"
                "leak:QtSharedPointer::ExternalRefCountData::getAndRef\n"
                "leak:QObject::QObject\n");
    return file->flush();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--product") == 0 && i + 1 < argc)
            g_product = int(std::strtol(argv[i + 1], nullptr, 16));
        if (std::strcmp(argv[i], "--launched") == 0 && i + 1 < argc)
            g_launchedNs = std::strtoll(argv[i + 1], nullptr, 10);
    }
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0)
        return child(argc, argv);

    const int runs = TVK_Bench_Report::runs(kDefaultRuns);
    QTemporaryFile suppressions;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (writeLeakSuppressions(&suppressions)) {
        const QString own = environment.value(QStringLiteral("LSAN_OPTIONS"));
        environment.insert(QStringLiteral("LSAN_OPTIONS"), (own.isEmpty() ? QString() : own + QLatin1Char(':'))
                                                               + QStringLiteral("suppressions=")
                                                               + suppressions.fileName());
    }
    struct Medians {
        int product;
        double launch;
        double startup;
        double shown;
        double populated;
    };
    std::vector<Medians> medians;
    for (const int product : {0x2031, 0x2041}) {
        std::vector<double> launch, startup, shown, populated;
        for (int run = 0; run < runs; ++run) {
            QProcess process;
            process.setProcessChannelMode(QProcess::SeparateChannels);
            process.setProcessEnvironment(environment);
            process.start(QString::fromLocal8Bit(argv[0]),
                          {QStringLiteral("--child"), QStringLiteral("--product"), QString::number(product, 16),
                           QStringLiteral("--launched"), QString::number(monotonicNs())});
            if (!process.waitForFinished(kTimeoutMs + 10000) || process.exitStatus() != QProcess::NormalExit
                || process.exitCode() != 0) {
                std::fprintf(stderr, "run %d of product 0x%04X failed (exit code %d), its last words:\n%s\n", run,
                             product, process.exitCode(), process.readAllStandardError().right(2000).constData());
                return 1;
            }
            const QList<QByteArray> figures = process.readAllStandardOutput().trimmed().split('\n').last().split(' ');
            if (figures.size() != 4) {
                std::fprintf(stderr, "run %d of product 0x%04X printed no figures\n", run, product);
                return 1;
            }
            launch.push_back(figures[0].toDouble());
            startup.push_back(figures[1].toDouble());
            shown.push_back(figures[2].toDouble());
            populated.push_back(figures[3].toDouble());
        }
        std::printf("Emulated camera 0x%04X, median of %d program starts (offscreen)\n", product, runs);
        std::printf("  process started to no-camera window shown      %8.1f ms\n", median(launch));
        std::printf("  of which from main() on                        %8.1f ms\n", median(startup));
        std::printf("  camera connected to camera window shown        %8.1f ms\n", median(shown));
        std::printf("  camera connected to every setting in the window %7.1f ms\n", median(populated));
        medians.push_back({product, median(launch), median(startup), median(shown), median(populated)});
    }
    for (const Medians &m : medians) {
        const QByteArray product = ", 0x" + QByteArray::number(m.product, 16).toUpper();
        TVK_Bench_Report::figure("application: start to no-camera window" + product, m.launch, "ms", "value<=1000");
        TVK_Bench_Report::figure("application: main() to no-camera window" + product, m.startup, "ms", "-");
        TVK_Bench_Report::figure("application: connect to camera window shown" + product, m.shown, "ms",
                                 "value<=1000");
        TVK_Bench_Report::figure("application: connect to every setting shown" + product, m.populated, "ms",
                                 "value<=2000");
    }
    return 0;
}
