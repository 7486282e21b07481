// How fast an emulated camera hands over a big picture: GetObject of a 60 MB
// DNG in the same process, through the host's camera access (transaction
// mutex, the camera's answer, zero-fill and copy into the caller's buffer),
// several runs. Also how long making a file of the largest size takes.

#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_PictureMaker.h"
#include "TVK_Logic_ObjectInfo.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kProduct = 0x2041;
constexpr qint64 kObjectBytes = 60 * 1000 * 1000; // MB here means 10^6 bytes
constexpr int kRuns = 9;
constexpr quint32 kPendingHandle = TVK_Emulator_Capture::kPendingHandle;

// Seconds of kRuns runs of work, sorted.
std::vector<double> timeRuns(const std::function<bool()> &work, bool *ok)
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
    return seconds;
}

// The slowest run gives the minimum rate, the fastest the maximum.
void printRate(const char *what, qint64 bytes, const std::vector<double> &seconds)
{
    const auto rate = [bytes](double s) { return double(bytes) / 1e6 / s; };
    std::printf("%-40s min %7.1f  median %7.1f  max %7.1f MB/s\n", what, rate(seconds.back()),
                rate(seconds[seconds.size() / 2]), rate(seconds.front()));
}

void printTime(const char *what, const std::vector<double> &seconds)
{
    std::printf("%-40s min %7.1f  median %7.1f  max %7.1f ms\n", what, seconds.front() * 1e3,
                seconds[seconds.size() / 2] * 1e3, seconds.back() * 1e3);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);

    auto camera = std::make_shared<TVK_Emulator_Camera>(kProduct, 1);
    TVK_Commu_CameraAccess_Emulated access(camera);
    access.checkDeviceAvailable();
    access.openConnection(TVK_Commu_CameraAccess_Emulated::kVendorId, kProduct, access.deviceId());
    auto *capture = camera->component<TVK_Emulator_Capture>();
    if (capture == nullptr) {
        std::fprintf(stderr, "product 0x%04X has no emulated capture\n", kProduct);
        return 1;
    }
    capture->overrideSetting(TVK_Emulator_Camera::kLEFileFormat, 0);
    capture->setDngBytes(kObjectBytes);
    if (!access.releaseCam(0)) {
        std::fprintf(stderr, "the release failed\n");
        return 1;
    }

    TVK_Logic_ObjectInfo info;
    if (!info.recvFromCamera(&access, kPendingHandle) || info.objectCompressedSize() != quint32(kObjectBytes)) {
        std::fprintf(stderr, "the picture is not there or has the wrong size\n");
        return 1;
    }
    std::printf("GetObject of %s (%u bytes), product 0x%04X, %d runs\n", qPrintable(info.filename()),
                info.objectCompressedSize(), kProduct, kRuns);

    bool ok = true;
    QByteArray buffer(int(kObjectBytes), '\0');
    const auto viaAccess = [&access, &buffer]() {
        return access.getObject(buffer.data(), unsigned(buffer.size()), kPendingHandle);
    };

    // The first fetch makes the file.
    QElapsedTimer first;
    first.start();
    ok = viaAccess() && ok;
    std::printf("%-40s %7.1f ms\n", "first GetObject, making the file", first.nsecsElapsed() / 1e6);

    TVK_Emulator_PictureMaker::Picture picture;
    picture.dngBytes = TVK_Emulator_PictureMaker::kMaxDngBytes;
    printTime("making a 100 MB DNG",
              timeRuns([&picture]() { return !TVK_Emulator_PictureMaker::dng(picture).isEmpty(); }, &ok));
    printRate("GetObject through the access", kObjectBytes, timeRuns(viaAccess, &ok));

    // With the cable limited to what a USB 2.0 camera delivers in practice,
    // the limiter and not the emulator sets the pace.
    constexpr qint64 kUsb2BytesPerSecond = 40 * 1000 * 1000;
    camera->setDataRate(kUsb2BytesPerSecond);
    QElapsedTimer limited;
    limited.start();
    ok = viaAccess() && ok;
    std::printf("%-40s %7.1f MB/s (limit %.0f MB/s)\n", "GetObject at USB 2.0 speed",
                kObjectBytes / 1e6 / (qMax<qint64>(1, limited.nsecsElapsed()) / 1e9), kUsb2BytesPerSecond / 1e6);
    camera->setDataRate(0);

    if (!ok) {
        std::fprintf(stderr, "a transfer failed\n");
        return 1;
    }
    return 0;
}
