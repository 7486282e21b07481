// Serves one emulated camera as a PTP/IP network camera, so that the program's
// WLAN access, gphoto2 or any other initiator can be pointed at it:
//
//   tvk_ptpip_camera [--product=HEX] [--address=ADDRESS] [--port=PORT] [--pictures=COUNT]
//                    [--dng-bytes=BYTES]
//
// Prints "listening on ADDRESS:PORT" once it listens, logs every transaction
// to standard error and stops cleanly on SIGINT or SIGTERM.

#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_CameraOptions.h"
#include "TVK_Emulator_PtpIpPacket.h"
#include "TVK_Emulator_PtpIpServer.h"
#include "TVK_Emulator_SignalPipe.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>

#include <csignal>
#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tvk_ptpip_camera"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Serves one emulated camera over PTP/IP."));
    parser.addHelpOption();
    TVK_Emulator_CameraOptions cameraOptions(parser);
    const QCommandLineOption addressOption(QStringList{QStringLiteral("address")},
                                           QStringLiteral("Address to listen on."), QStringLiteral("ADDRESS"),
                                           QStringLiteral("127.0.0.1"));
    const QCommandLineOption portOption(QStringList{QStringLiteral("port")},
                                        QStringLiteral("Port to listen on; 0 takes any free port."),
                                        QStringLiteral("PORT"),
                                        QString::number(TVK_Emulator_PtpIpPacket::kDefaultPort));
    const QCommandLineOption picturesOption(QStringList{QStringLiteral("pictures")},
                                            QStringLiteral("Pictures on the card at the start."),
                                            QStringLiteral("COUNT"), QStringLiteral("0"));
    parser.addOption(picturesOption);
    parser.addOption(addressOption);
    parser.addOption(portOption);
    parser.process(app);

    if (!cameraOptions.read(parser))
        return 2;
    const QHostAddress address(parser.value(addressOption));
    if (address.isNull()) {
        std::fprintf(stderr, "not an address: %s\n", qUtf8Printable(parser.value(addressOption)));
        return 2;
    }
    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535) {
        std::fprintf(stderr, "not a port: %s\n", qUtf8Printable(parser.value(portOption)));
        return 2;
    }

    bool picturesOk = false;
    const int pictures = parser.value(picturesOption).toInt(&picturesOk);
    if (!picturesOk || pictures < 0 || pictures > 1000) {
        std::fprintf(stderr, "not a picture count (0 to 1000): %s\n", qUtf8Printable(parser.value(picturesOption)));
        return 2;
    }

    TVK_Emulator_SignalPipe signalPipe;
    if (!signalPipe.catchSignals({SIGINT, SIGTERM})) {
        std::perror("signal pipe");
        return 1;
    }
    QObject::connect(&signalPipe, &TVK_Emulator_SignalPipe::signalCaught, &app, [&app](int signalNumber) {
        std::fprintf(stderr, "signal %d: stopping\n", signalNumber);
        app.quit();
    });

    // The transaction trace and the connection life cycle, on standard error.
    setDebugLogCategories(kLELogCommand | kLELogConnection | kLELogDummy, true);

    auto camera = std::make_shared<TVK_Emulator_Camera>(cameraOptions.productId());
    cameraOptions.applyTo(*camera);
    // Taken as a host would ask for them, so that a test with a camera of the
    // same product and seed can make the same pictures byte for byte.
    for (int i = 0; i < pictures; ++i)
        camera->transact(TVK_Commu_Ptp::kOpInitiateCapture, {}, TVK_Emulator_Transaction::kLENoData);
    auto server = std::make_unique<TVK_Emulator_PtpIpServer>(camera);
    if (!server->listen(address, quint16(port))) {
        std::fprintf(stderr, "cannot listen on %s:%u: %s\n", qUtf8Printable(address.toString()), port,
                     qUtf8Printable(server->errorString()));
        return 1;
    }
    std::printf("listening on %s:%u\n", qUtf8Printable(server->serverAddress().toString()),
                unsigned(server->serverPort()));
    std::fflush(stdout);

    const int status = app.exec();
    // The server first: it closes the session with the camera it serves.
    server.reset();
    camera.reset();
    return status;
}
