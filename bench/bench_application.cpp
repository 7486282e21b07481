// How long a photographer waits: from program start to the no-camera window
// on screen, and from the controller's connect of an emulated camera to the
// camera window shown and to it holding every setting the controller
// publishes. The application exists once per process, so each run is a child
// process of this program; the medians are printed. Runs offscreen.

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
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace {

constexpr int kRuns = 7;
constexpr int kTimeoutMs = 60000;

std::shared_ptr<TVK_Emulator_Camera> g_camera;
int g_product = 0x2031;

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
    qint64 startupNs = -1, shownNs = -1, populatedNs = -1;
    std::atomic<qint64> connectedNs{-1};
    {
        TVK_GUI_Application application(argc, argv);
        // The no-camera window is shown at the end of the constructor.
        startupNs = clock.nsecsElapsed();
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
    if (populatedNs < 0 || connectedNs < 0)
        return 1;
    std::printf("%.1f %.1f %.1f\n", startupNs / 1e6, (shownNs - connectedNs.load()) / 1e6,
                (populatedNs - connectedNs.load()) / 1e6);
    return 0;
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
    }
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0)
        return child(argc, argv);

    for (const int product : {0x2031, 0x2041}) {
        std::vector<double> startup, shown, populated;
        for (int run = 0; run < kRuns; ++run) {
            QProcess process;
            process.setProcessChannelMode(QProcess::SeparateChannels);
            process.start(QString::fromLocal8Bit(argv[0]),
                          {QStringLiteral("--child"), QStringLiteral("--product"), QString::number(product, 16)});
            if (!process.waitForFinished(kTimeoutMs + 10000) || process.exitCode() != 0) {
                std::fprintf(stderr, "run %d of product 0x%04X failed\n", run, product);
                return 1;
            }
            const QList<QByteArray> figures = process.readAllStandardOutput().trimmed().split('\n').last().split(' ');
            if (figures.size() != 3)
                return 1;
            startup.push_back(figures[0].toDouble());
            shown.push_back(figures[1].toDouble());
            populated.push_back(figures[2].toDouble());
        }
        std::printf("Emulated camera 0x%04X, median of %d program starts (offscreen)\n", product, kRuns);
        std::printf("  program start to no-camera window shown        %8.1f ms\n", median(startup));
        std::printf("  camera connected to camera window shown        %8.1f ms\n", median(shown));
        std::printf("  camera connected to every setting in the window %7.1f ms\n", median(populated));
    }
    return 0;
}
