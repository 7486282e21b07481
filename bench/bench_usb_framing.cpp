// What the USB framing costs: GetObject of a 60 MB picture through the Linux
// camera access, its PTP engine and USB framing, over the in-memory USB cable
// in front of an emulated camera, against a plain memory copy of the same
// bytes. The cable's own copy into the host's buffer stands in for the DMA of
// a real host controller, so the difference to the copy is the framing's CPU
// time, set against the 1.5 s a USB 2.0 link (about 40 MB/s in practice)
// needs for the same picture.
#include "TVK_Commu_CameraAccess_Linux_PTP.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_UsbBus.h"
#include "TVK_Emulator_UsbResponder.h"
#include "TVK_Logic_ObjectInfo.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kProduct = 0x2041;
constexpr qint64 kObjectBytes = 60 * 1000 * 1000; // MB here means 10^6 bytes
constexpr int kRuns = 9;
constexpr double kUsb2BytesPerSecond = 40e6;
constexpr quint32 kPendingHandle = TVK_Emulator_Capture::kPendingHandle;
constexpr int kOpLoopbackOut = 0x9F01;
constexpr int kOpLoopbackIn = 0x9F02;

// The median of kRuns runs, in seconds.
double medianSeconds(const std::function<bool()> &work, bool *ok)
{
    std::vector<double> seconds;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        if (!work())
            *ok = false;
        seconds.push_back(qMax<qint64>(1, timer.nsecsElapsed()) / 1e9);
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

void printRate(const char *what, double seconds)
{
    std::printf("%-46s %8.1f MB/s  (%6.2f ms)\n", what, kObjectBytes / 1e6 / seconds, seconds * 1e3);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    auto camera = std::make_shared<TVK_Emulator_Camera>(kProduct, 1);
    auto ownBus = std::make_unique<TVK_Emulator_UsbBus>(camera);
    TVK_Emulator_UsbBus *bus = ownBus.get();
    TVK_Commu_CameraAccess_Linux_PTP access(std::move(ownBus));
    qulonglong cameraId = 0;
    int productId = 0;
    QString deviceId;
    QObject::connect(&access, &TVK_Commu_CameraAccess_Linux_PTP::signalDeviceAvailable,
                     [&](int, qulonglong id, int product, const QString &device) {
                         cameraId = id;
                         productId = product;
                         deviceId = device;
                     });
    access.checkDeviceAvailable();
    if (productId == 0 || !access.openConnection(cameraId, productId, deviceId)) {
        std::fprintf(stderr, "the emulated USB camera did not open\n");
        return 1;
    }
    auto *capture = camera->component<TVK_Emulator_Capture>();
    capture->overrideSetting(TVK_Emulator_Camera::kLEFileFormat, 0);
    capture->setDngBytes(kObjectBytes);
    TVK_Logic_ObjectInfo info;
    if (!access.releaseCam(0) || !info.recvFromCamera(&access, kPendingHandle)
        || info.objectCompressedSize() != quint32(kObjectBytes)) {
        std::fprintf(stderr, "the picture is not there or has the wrong size\n");
        return 1;
    }
    std::printf("GetObject of %s (%u bytes) over USB framing, 512-byte packets, product 0x%04X, median of %d runs\n",
                qPrintable(info.filename()), info.objectCompressedSize(), kProduct, kRuns);

    bool ok = true;
    std::vector<char> buffer(static_cast<size_t>(kObjectBytes));
    const auto getObject = [&access, &buffer]() {
        return access.getObject(buffer.data(), unsigned(buffer.size()), kPendingHandle);
    };
    ok = getObject() && ok; // the first fetch makes the file
    const double framed = medianSeconds(getObject, &ok);

    // The same through the responder's loopback: no camera in the way.
    const std::shared_ptr<TVK_Emulator_UsbResponder> responder = bus->responder();
    responder->setLoopbackOperation(kOpLoopbackOut, true);
    responder->setLoopbackOperation(kOpLoopbackIn, false);
    ok = access.sendData(kOpLoopbackOut, 0, nullptr, buffer.data(), unsigned(buffer.size()), nullptr) && ok;
    const double loopback = medianSeconds(
        [&access, &buffer]() {
            return access.recvData(kOpLoopbackIn, 0, nullptr, buffer.data(), unsigned(buffer.size()), nullptr);
        },
        &ok);

    std::vector<char> source(size_t(kObjectBytes), '\x42');
    const double copy = medianSeconds(
        [&source, &buffer]() {
            std::memcpy(buffer.data(), source.data(), source.size());
            return buffer[size_t(kObjectBytes) - 1] == '\x42';
        },
        &ok);

    printRate("GetObject through access, engine, framing", framed);
    printRate("data-in loopback (no camera) through framing", loopback);
    printRate("plain memcpy of the same bytes", copy);
    std::printf("%-46s %8.2f\n", "ratio GetObject / memcpy time", framed / copy);
    const double link = kObjectBytes / kUsb2BytesPerSecond;
    // The cable's copy stands in for the DMA: what remains is the framing's.
    const double framingCpu = qMax(0.0, loopback - copy);
    std::printf("%-46s %8.2f %%  (%.2f ms of %.0f ms)\n", "framing's share of a USB 2.0 link's time",
                100.0 * framingCpu / link, framingCpu * 1e3, link * 1e3);
    std::printf("%-46s %8.2f %%\n", "whole in-memory GetObject against that link", 100.0 * framed / link);
    access.closeConnection();
    if (!ok) {
        std::fprintf(stderr, "a transfer failed\n");
        return 1;
    }
    return 0;
}
