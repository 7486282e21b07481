// Hosts one emulated camera on a Linux USB bus mocked by umockdev, so that the
// program's real libusb path, gphoto2 or any other USB initiator can be run
// against it without hardware:
//
//   umockdev-wrapper tvk_usb_camera [--product=HEX] [--dng-bytes=BYTES]
//
// Runs under umockdev's preload library, as its clients do. Prints
// "UMOCKDEV_DIR=PATH" once the camera is on the bus. A client runs with that
// variable and the preload library, for example
//
//   UMOCKDEV_DIR=PATH umockdev-wrapper build/release/NorbaPellora --camera=usb
//
// and sees the camera at /dev/bus/usb/001/002. SIGUSR1 pulls the cable, the
// next SIGUSR1 plugs the camera in again. Logs the host's transactions, the
// session and the claims of the interface to standard error and stops cleanly
// on SIGINT or SIGTERM, taking the bus and its folder with it.

#include "TVK_Debug_Log.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_CameraOptions.h"
#include "TVK_Emulator_SignalPipe.h"
#include "TVK_Emulator_UmockdevBus.h"
#include "TVK_Emulator_UsbResponder.h"
#include "TVK_Emulator_UsbfsDevice.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <memory>

namespace {

// What the host did on the bus since the last look, on standard error: the
// responder answers on umockdev's thread and keeps its own record, read here
// from the event loop, so the trace never holds up a transfer.
class BusTrace
{
public:
    explicit BusTrace(const TVK_Emulator_UmockdevBus &bus) : m_bus(bus) {}

    void look()
    {
        const std::shared_ptr<TVK_Emulator_UsbResponder> responder = m_bus.responder();
        if (responder.get() != m_responder) {
            // A new cable: a new responder with a record of its own.
            m_responder = responder.get();
            m_seen = 0;
            m_sessionOpen = false;
        }
        const QVector<int> codes = responder->operationCodes();
        const QVector<quint32> ids = responder->transactionIds();
        for (int i = m_seen; i < codes.size(); ++i)
            std::fprintf(stderr, "transaction %u: operation 0x%04X\n", ids.value(i), unsigned(codes[i]));
        m_seen = codes.size();
        if (responder->sessionOpen() != m_sessionOpen) {
            m_sessionOpen = !m_sessionOpen;
            std::fprintf(stderr, "session %s\n", m_sessionOpen ? "opened" : "closed");
        }
        const int claims = m_bus.usbfs().claims();
        const int releases = m_bus.usbfs().releases();
        if (claims != m_claims || releases != m_releases) {
            std::fprintf(stderr, "interface claimed %d times, released %d times\n", claims, releases);
            m_claims = claims;
            m_releases = releases;
        }
    }

private:
    const TVK_Emulator_UmockdevBus &m_bus;
    const TVK_Emulator_UsbResponder *m_responder = nullptr;
    int m_seen = 0;
    bool m_sessionOpen = false;
    int m_claims = 0;
    int m_releases = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tvk_usb_camera"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Hosts one emulated camera on a USB bus mocked by umockdev."));
    parser.addHelpOption();
    TVK_Emulator_CameraOptions cameraOptions(parser);
    parser.process(app);

    if (!cameraOptions.read(parser))
        return 2;
    const int productId = cameraOptions.productId();

    TVK_Emulator_SignalPipe signalPipe;
    if (!signalPipe.catchSignals({SIGINT, SIGTERM, SIGUSR1})) {
        std::perror("signal pipe");
        return 1;
    }

    // The camera's and the mocked bus's own warnings, with the trace below, on standard error.
    setDebugLogCategories(kLELogCommand | kLELogConnection | kLELogDummy, true);

    // The kernel's notices of a removal and an arrival are written to the
    // testbed's sysfs, which this process sees only through the preload
    // library, as the client does.
    if (!TVK_Emulator_UmockdevBus::isMocked()) {
        std::fprintf(stderr, "run it under umockdev-wrapper (umockdev's preload library), for example\n"
                             "  umockdev-wrapper %s\n", argv[0]);
        return 2;
    }
    // The testbed points UMOCKDEV_DIR at the folder it made.
    auto bus = std::make_unique<TVK_Emulator_UmockdevBus>(productId);
    const QByteArray dir = qgetenv("UMOCKDEV_DIR");
    if (dir.isEmpty()) {
        std::fprintf(stderr, "umockdev made no testbed folder\n");
        return 1;
    }
    // A person's camera: self-timer and bulb seconds last a second.
    bus->camera()->setTimeScale(1.0);
    cameraOptions.applyTo(*bus->camera());

    bool plugged = true;
    QObject::connect(&signalPipe, &TVK_Emulator_SignalPipe::signalCaught, &app, [&app, &bus, &plugged](int signalNumber) {
        if (signalNumber == SIGUSR1) {
            if (plugged)
                bus->unplug();
            else
                bus->plugIn();
            plugged = !plugged;
            std::fprintf(stderr, "signal %d: camera %s\n", signalNumber, plugged ? "plugged in" : "unplugged");
            return;
        }
        std::fprintf(stderr, "signal %d: stopping\n", signalNumber);
        app.quit();
    });

    BusTrace trace(*bus);
    QTimer traceTimer;
    QObject::connect(&traceTimer, &QTimer::timeout, &app, [&trace]() { trace.look(); });
    traceTimer.start(50);

    std::printf("UMOCKDEV_DIR=%s\n", dir.constData());
    std::printf("camera 0x%04x at /dev/bus/usb/%03d/%03d\n", unsigned(productId), TVK_Emulator_UmockdevBus::kBusNumber,
                TVK_Emulator_UmockdevBus::kDeviceNumber);
    std::fflush(stdout);

    const int status = app.exec();
    traceTimer.stop();
    trace.look();
    // The testbed removes its folder; a client still running loses the camera.
    bus.reset();
    return status;
}
