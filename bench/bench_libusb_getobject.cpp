// GetObject of a 60 MB picture through the program's real libusb path: the
// Linux camera access and libusb-1.0 against the emulated camera on a USB bus
// mocked by umockdev, whose usbfs node hands every URB to the emulator. The
// same picture over the in-memory USB cable, measured in the same run, is
// the reference: what the access, engine and framing cost without libusb and
// the kernel's interface in between. Both take turns, so that a machine busy
// with something else slows them alike.
//
// The mocked node's speed is umockdev's (every ioctl crosses a socket and its
// buffer is copied there and back), not a camera's, so the two speeds are
// shown to explain the URB counts and to notice a path that became much
// slower, without a goal. The goal is on the URBs: libusb submits one URB per
// read where the host controller offers scatter-gather, so the framing's
// reads decide how many there are; a picture must take no more URBs than
// 64 KiB URBs would (15.3 per MB), since per-URB work is what costs on a real
// bus. Without scatter-gather libusb chains 16 KiB URBs whatever the reads'
// size: that count is shown beside its floor of 61 per MB.
//
// Runs only under umockdev-wrapper, as bench/run starts it; without the
// preload library it says so and ends with 77, which bench/run reports as
// skipped.
#include "TVK_Bench_Report.h"
#include "TVK_Commu_CameraAccess_Linux_PTP.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Commu_UsbBus_Libusb.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_UmockdevBus.h"
#include "TVK_Emulator_UsbBus.h"
#include "TVK_Emulator_UsbfsDevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kProduct = 0x2041;
constexpr qint64 kObjectBytes = 60 * 1000 * 1000; // MB here means 10^6 bytes
constexpr int kDefaultRuns = 5;
constexpr quint32 kPendingHandle = TVK_Emulator_Capture::kPendingHandle;
constexpr int kSkipped = 77;
constexpr int kWaitMs = 10000;
constexpr double kMB = kObjectBytes / 1e6;
constexpr double kBytesPer64KiBUrb = 64 * 1024;
constexpr double kBytesPer16KiBUrb = 16 * 1024;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The access over a bus, opened on the camera the bus offers under the id
// given (empty: the first it offers).
bool open(TVK_Commu_CameraAccess_Linux_PTP &access, const QString &wanted = QString())
{
    qulonglong cameraId = 0;
    int productId = 0;
    QString deviceId;
    const QMetaObject::Connection connection =
        QObject::connect(&access, &TVK_Commu_CameraAccess_Linux_PTP::signalDeviceAvailable,
                         [&](int, qulonglong id, int product, const QString &device) {
                             if (productId == 0 && (wanted.isEmpty() || device == wanted)) {
                                 cameraId = id;
                                 productId = product;
                                 deviceId = device;
                             }
                         });
    access.checkDeviceAvailable();
    QObject::disconnect(connection);
    return productId != 0 && access.openConnection(cameraId, productId, deviceId);
}

// A 60 MB DNG waits on the camera for the host.
bool takePicture(TVK_Commu_CameraAccess_Linux_PTP &access, TVK_Emulator_Camera &camera)
{
    auto *capture = camera.component<TVK_Emulator_Capture>();
    capture->overrideSetting(TVK_Emulator_Camera::kLEFileFormat, 0);
    capture->setDngBytes(kObjectBytes);
    if (!access.releaseCam(0))
        return false;
    QElapsedTimer waited;
    waited.start();
    while (capture->pendingCount() != 1 && waited.elapsed() < kWaitMs)
        QThread::msleep(5);
    return capture->pendingCount() == 1;
}

// One path under test: an open access, its picture waiting.
struct Path {
    const char *name;
    TVK_Commu_CameraAccess_Linux_PTP *access;
    TVK_Emulator_UsbfsDevice *usbfs; // nullptr: the in-memory cable
    std::vector<double> seconds;
    std::vector<double> urbsPerMB;
};

bool fetch(Path &path, std::vector<char> &buffer)
{
    const int urbsBefore =
        path.usbfs != nullptr ? path.usbfs->urbsSubmitted(TVK_Emulator_UmockdevBus::kEndpointBulkIn) : 0;
    QElapsedTimer timer;
    timer.start();
    quint64 received = 0;
    const bool ok = path.access->getObject(buffer.data(), unsigned(buffer.size()), kPendingHandle, &received)
                    && received == quint64(kObjectBytes);
    path.seconds.push_back(qMax<qint64>(1, timer.nsecsElapsed()) / 1e9);
    if (path.usbfs != nullptr)
        path.urbsPerMB.push_back((path.usbfs->urbsSubmitted(TVK_Emulator_UmockdevBus::kEndpointBulkIn) - urbsBefore)
                                 / kMB);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (!TVK_Emulator_UmockdevBus::isMocked()) {
        std::fprintf(stderr, "skipped: not under umockdev-wrapper, so there is no mocked USB bus to run libusb on\n");
        return kSkipped;
    }
    const int runs = TVK_Bench_Report::runs(kDefaultRuns);

    // One mocked bus (umockdev's testbed is one per process) with two
    // cameras: the first on a host with scatter-gather, the second without.
    // The bus comes before the libusb contexts that are to see it.
    TVK_Emulator_UmockdevBus bus(kProduct);
    const int chainingIndex = bus.addCamera(kProduct);
    bus.usbfs(chainingIndex).setScatterGather(false);
    TVK_Commu_CameraAccess_Linux_PTP gathering(std::make_unique<TVK_Commu_UsbBus_Libusb>());
    bool ok = open(gathering, TVK_Emulator_UmockdevBus::deviceId(0)) && takePicture(gathering, *bus.camera());

    auto camera = std::make_shared<TVK_Emulator_Camera>(kProduct, 1);
    TVK_Commu_CameraAccess_Linux_PTP inMemory(std::make_unique<TVK_Emulator_UsbBus>(camera));
    ok = ok && open(inMemory) && takePicture(inMemory, *camera);
    if (!ok) {
        std::fprintf(stderr, "a camera did not open or its picture is not there\n");
        return 1;
    }

    std::vector<Path> paths = {
        {"libusb, mocked usbfs, scatter-gather", &gathering, &bus.usbfs(), {}, {}},
        {"in-memory USB cable", &inMemory, nullptr, {}, {}},
    };
    std::vector<char> buffer(static_cast<size_t>(kObjectBytes));
    for (Path &path : paths)
        ok = fetch(path, buffer) && ok; // the first fetch makes the file
    for (Path &path : paths) {
        path.seconds.clear();
        path.urbsPerMB.clear();
    }
    for (int run = 0; run < runs; ++run) {
        for (Path &path : paths)
            ok = fetch(path, buffer) && ok;
    }
    gathering.closeConnection();

    // Without scatter-gather: the URB count is the figure, a few runs do.
    // Its own access, since one access holds one camera.
    TVK_Commu_CameraAccess_Linux_PTP chaining(std::make_unique<TVK_Commu_UsbBus_Libusb>());
    Path chained{"libusb, mocked usbfs, 16 KiB URBs chained", &chaining, &bus.usbfs(chainingIndex), {}, {}};
    ok = ok && open(chaining, TVK_Emulator_UmockdevBus::deviceId(chainingIndex))
         && takePicture(chaining, *bus.camera(chainingIndex));
    for (int run = 0; ok && run < std::min(runs, 3); ++run)
        ok = fetch(chained, buffer) && ok;
    chaining.closeConnection();
    inMemory.closeConnection();
    if (!ok) {
        std::fprintf(stderr, "a transfer failed\n");
        return 1;
    }

    std::printf("GetObject of %lld bytes, product 0x%04X, 512-byte packets, median of %d runs\n",
                static_cast<long long>(kObjectBytes), kProduct, runs);
    for (const Path *path : {&paths[0], &paths[1], &chained}) {
        const double seconds = median(path->seconds);
        std::printf("%-44s %8.1f MB/s  (%7.1f ms)", path->name, kMB / seconds, seconds * 1e3);
        if (!path->urbsPerMB.empty())
            std::printf("  %6.2f bulk-in URBs per MB", median(path->urbsPerMB));
        std::printf("\n");
    }

    const double libusbRate = kMB / median(paths[0].seconds);
    const double memoryRate = kMB / median(paths[1].seconds);
    TVK_Bench_Report::figure("libusb: GetObject 60 MB over mocked usbfs", libusbRate, "MB/s", "in-memory cable",
                             memoryRate, "-");
    TVK_Bench_Report::figure("libusb: GetObject 60 MB, 16 KiB URBs chained", kMB / median(chained.seconds), "MB/s",
                             "in-memory cable", memoryRate, "-");
    TVK_Bench_Report::figure("libusb: bulk-in URBs per MB, scatter-gather", median(paths[0].urbsPerMB), "URB/MB",
                             "64 KiB URBs", 1e6 / kBytesPer64KiBUrb, "ratio<=1");
    TVK_Bench_Report::figure("libusb: bulk-in URBs per MB, 16 KiB URBs chained", median(chained.urbsPerMB),
                             "URB/MB", "16 KiB URBs", 1e6 / kBytesPer16KiBUrb, "-");
    return 0;
}
