// What connecting a camera costs the controller: wall time and camera
// transactions from the connection being opened to signalCameraConnected()
// (the camera model reads everything it needs), and for catchCameraGUIOpened()
// (the whole state published to the panel), per emulated product. Once with
// the emulator answering at once, once limited like a USB 2.0 camera: its data
// rate and a fixed time per transaction for the camera's firmware and the
// three bulk phases. Properties read more than once during one connect are
// listed with their counts.

#include "TVK_Commu_CameraAccessFactory.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Test_SignalRecorder.h"
#include "TVK_Test_TracingAccess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMap>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

constexpr qint64 kUsb2BytesPerSecond = 40 * 1000 * 1000;
constexpr unsigned long kUsb2LatencyMicroseconds = 2000;
constexpr int kConnectTimeoutMs = 60000;

struct Figures {
    double connectMs = 0.0;
    quint64 connectTransactions = 0;
    double publishMs = 0.0;
    quint64 publishTransactions = 0;
    int publishedSignals = 0;
    QMap<int, int> repeatedReads; // property code -> reads during the connect
    bool ok = false;
};

Figures measure(int product, bool usb2)
{
    Figures figures;
    auto camera = std::make_shared<TVK_Emulator_Camera>(product);
    if (usb2) {
        camera->setDataRate(kUsb2BytesPerSecond);
        camera->setTransactionLatency(kUsb2LatencyMicroseconds);
    }
    TVK_Test_TracingAccess *access = nullptr;
    TVK_Commu_CameraAccessFactory::setCreator(TVK_Commu_Ptp::kConnectionUSB, [camera, &access]() {
        access = new TVK_Test_TracingAccess(camera);
        return access;
    });

    QElapsedTimer clock;
    TVK_Logic_Controller controller;
    TVK_Commu_CameraAccessFactory::setCreator(TVK_Commu_Ptp::kConnectionUSB, {});
    if (access == nullptr)
        return figures;
    QObject::connect(access, &TVK_Commu_CameraAccess_Base::signalConnectionOpened, access, [&]() {
        camera->resetTransactionCount();
        access->clear();
        clock.start();
    }, Qt::DirectConnection);

    QEventLoop loop;
    QObject::connect(&controller, &TVK_Logic_Controller::signalCameraConnected, &loop, [&]() {
        figures.connectMs = clock.nsecsElapsed() / 1e6;
        figures.connectTransactions = camera->transactionCount();
        loop.quit();
    });
    QTimer::singleShot(kConnectTimeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    if (controller.camera() == nullptr)
        return figures;

    QMap<int, int> reads;
    for (int code : access->reads)
        ++reads[code];
    for (auto it = reads.cbegin(); it != reads.cend(); ++it) {
        if (it.value() > 1)
            figures.repeatedReads.insert(it.key(), it.value());
    }

    camera->resetTransactionCount();
    clock.restart();
    controller.catchCameraGUIOpened();
    figures.publishMs = clock.nsecsElapsed() / 1e6;
    figures.publishTransactions = camera->transactionCount();
    // Counted in a second publication, so that recording costs the timed one nothing.
    TVK_Test_SignalRecorder recorder(&controller);
    controller.catchCameraGUIOpened();
    figures.publishedSignals = recorder.size();
    figures.ok = true;
    return figures;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    std::printf("Controller connect and publish, per emulated product (time in ms, T = camera transactions)\n");
    std::printf("USB 2.0 limit: %.0f MB/s and %.1f ms per transaction\n\n", kUsb2BytesPerSecond / 1e6,
                kUsb2LatencyMicroseconds / 1000.0);
    std::printf("%-8s | %10s %5s | %10s %5s %7s | %10s %5s | %10s %5s\n", "product", "connect", "T", "publish",
                "T", "signals", "usb2 conn", "T", "usb2 publ", "T");
    bool ok = true;
    QMap<int, QMap<int, int>> repeated;
    for (int product : TVK_Emulator_Profile::knownProducts()) {
        const Figures fast = measure(product, false);
        const Figures slow = measure(product, true);
        ok = ok && fast.ok && slow.ok;
        std::printf("0x%04X   | %10.1f %5llu | %10.1f %5llu %7d | %10.1f %5llu | %10.1f %5llu\n", product,
                    fast.connectMs, static_cast<unsigned long long>(fast.connectTransactions), fast.publishMs,
                    static_cast<unsigned long long>(fast.publishTransactions), fast.publishedSignals,
                    slow.connectMs, static_cast<unsigned long long>(slow.connectTransactions), slow.publishMs,
                    static_cast<unsigned long long>(slow.publishTransactions));
        if (!fast.repeatedReads.isEmpty())
            repeated.insert(product, fast.repeatedReads);
    }
    std::printf("\nProperties read more than once between connection opened and signalCameraConnected():\n");
    if (repeated.isEmpty())
        std::printf("  none\n");
    for (auto product = repeated.cbegin(); product != repeated.cend(); ++product) {
        std::printf("  0x%04X:", product.key());
        for (auto it = product.value().cbegin(); it != product.value().cend(); ++it)
            std::printf(" 0x%04X x%d", it.key(), it.value());
        std::printf("\n");
    }
    if (!ok) {
        std::fprintf(stderr, "a camera did not connect\n");
        return 1;
    }
    return 0;
}
