// What connecting a camera costs the controller: wall time and camera
// transactions from the connection being opened to signalCameraConnected()
// (the camera model reads everything it needs), and for catchCameraGUIOpened()
// (the whole state published to the panel), per emulated product. Once with
// the emulator answering at once, once limited like a USB 2.0 camera: its data
// rate and a fixed time per transaction for the camera's firmware and the
// three bulk phases. Properties read more than once during one connect are
// listed with their counts. Times are medians of several connects.
//
// Goals (none stated elsewhere; what a photographer would expect): at USB 2.0
// speed the camera model is ready within a second of the connection and the
// panel holds every setting a tenth of a second later, so that plugging the
// camera in feels immediate; the host's own work, unthrottled, stays below
// 50 ms for a connect and 20 ms for a publication, so that the link and not
// the program sets those times; and no property is read twice while connecting.

#include "TVK_Bench_Report.h"
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

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr qint64 kUsb2BytesPerSecond = 40 * 1000 * 1000;
constexpr unsigned long kUsb2LatencyMicroseconds = 2000;
constexpr int kConnectTimeoutMs = 60000;
constexpr int kDefaultRuns = 5;

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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The times as medians of runs connects; the counts, which do not change
// from one connect to the next, from the first.
Figures measureMedian(int product, bool usb2, int runs)
{
    Figures first = measure(product, usb2);
    std::vector<double> connect{first.connectMs};
    std::vector<double> publish{first.publishMs};
    for (int run = 1; run < runs && first.ok; ++run) {
        const Figures next = measure(product, usb2);
        first.ok = next.ok;
        connect.push_back(next.connectMs);
        publish.push_back(next.publishMs);
    }
    first.connectMs = median(connect);
    first.publishMs = median(publish);
    return first;
}

QByteArray figureName(const char *what, int product, bool usb2)
{
    return QByteArray("controller: ") + what + " 0x" + QByteArray::number(product, 16).toUpper()
        + (usb2 ? ", USB 2.0" : "");
}

// At USB 2.0 speed the fixed time per transaction is the least a connect can take.
void reportConnect(int product, const Figures &figures, bool usb2)
{
    const QByteArray name = figureName("connect", product, usb2);
    if (!usb2) {
        TVK_Bench_Report::figure(name, figures.connectMs, "ms", "value<=50");
        return;
    }
    TVK_Bench_Report::figure(name, figures.connectMs, "ms",
                             QByteArray::number(figures.connectTransactions) + " transactions x "
                                 + QByteArray::number(kUsb2LatencyMicroseconds / 1000.0) + " ms",
                             figures.connectTransactions * (kUsb2LatencyMicroseconds / 1000.0), "value<=1000");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const int runs = TVK_Bench_Report::runs(kDefaultRuns);
    std::printf("Controller connect and publish, per emulated product (time in ms, median of %d connects, "
                "T = camera transactions)\n",
                runs);
    std::printf("USB 2.0 limit: %.0f MB/s and %.1f ms per transaction\n\n", kUsb2BytesPerSecond / 1e6,
                kUsb2LatencyMicroseconds / 1000.0);
    std::printf("%-8s | %10s %5s | %10s %5s %7s | %10s %5s | %10s %5s\n", "product", "connect", "T", "publish",
                "T", "signals", "usb2 conn", "T", "usb2 publ", "T");
    bool ok = true;
    QMap<int, QMap<int, int>> repeated;
    struct Measured {
        int product;
        Figures fast;
        Figures slow;
    };
    std::vector<Measured> measured;
    for (int product : TVK_Emulator_Profile::knownProducts()) {
        const Figures fast = measureMedian(product, false, runs);
        const Figures slow = measureMedian(product, true, runs);
        ok = ok && fast.ok && slow.ok;
        std::printf("0x%04X   | %10.1f %5llu | %10.1f %5llu %7d | %10.1f %5llu | %10.1f %5llu\n", product,
                    fast.connectMs, static_cast<unsigned long long>(fast.connectTransactions), fast.publishMs,
                    static_cast<unsigned long long>(fast.publishTransactions), fast.publishedSignals,
                    slow.connectMs, static_cast<unsigned long long>(slow.connectTransactions), slow.publishMs,
                    static_cast<unsigned long long>(slow.publishTransactions));
        if (!fast.repeatedReads.isEmpty())
            repeated.insert(product, fast.repeatedReads);
        measured.push_back({product, fast, slow});
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

    std::printf("\n");
    int repeatedReads = 0;
    for (const Measured &m : measured) {
        for (int count : m.fast.repeatedReads)
            repeatedReads += count - 1;
        reportConnect(m.product, m.fast, false);
        reportConnect(m.product, m.slow, true);
        TVK_Bench_Report::figure(figureName("publish", m.product, false), m.fast.publishMs, "ms", "value<=20");
        TVK_Bench_Report::figure(figureName("publish", m.product, true), m.slow.publishMs, "ms", "value<=100");
    }
    TVK_Bench_Report::figure("controller: properties read again while connecting", repeatedReads, "reads",
                             "value<=0");
    if (!ok) {
        std::fprintf(stderr, "a camera did not connect\n");
        return 1;
    }
    return 0;
}
