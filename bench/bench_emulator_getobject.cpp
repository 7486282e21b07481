// How fast an emulated camera hands over a big picture: GetObject of a 60 MB
// DNG in the same process, through the host's camera access (transaction
// mutex, the camera's answer, zero-fill and copy into the caller's buffer),
// several runs, against a plain memory copy of the same size taking turns
// with it, so that a machine busy with something else slows both alike. Also
// how long making a file of the largest size takes.
//
// Goals (none stated elsewhere; chosen here for what the other benchmarks
// need of the emulator): GetObject at 400 MB/s or more, ten times a USB 2.0
// camera, so that the emulator never sets the pace of a host figure; the
// largest file made within a second, about what a camera takes to write it;
// the USB 2.0 limiter within a few per cent of its rate.

#include "TVK_Bench_Report.h"
#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_PictureMaker.h"
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
constexpr int kDefaultRuns = 9;
int g_runs = kDefaultRuns;
constexpr quint32 kPendingHandle = TVK_Emulator_Capture::kPendingHandle;

// Seconds of runs runs of work, sorted.
std::vector<double> timeRuns(const std::function<bool()> &work, bool *ok, int runs = g_runs)
{
    std::vector<double> seconds;
    for (int run = 0; run < runs; ++run) {
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
    g_runs = TVK_Bench_Report::runs(kDefaultRuns);

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
                info.objectCompressedSize(), kProduct, g_runs);

    bool ok = true;
    QByteArray buffer(int(kObjectBytes), '\0');
    const auto viaAccess = [&access, &buffer]() {
        return access.getObject(buffer.data(), unsigned(buffer.size()), kPendingHandle);
    };

    // The first fetch makes the file.
    QElapsedTimer first;
    first.start();
    ok = viaAccess() && ok;
    const double firstMs = first.nsecsElapsed() / 1e6;
    std::printf("%-40s %7.1f ms\n", "first GetObject, making the file", firstMs);

    TVK_Emulator_PictureMaker::Picture picture;
    // 100 MiB, not the emulator's largest DNG: that one (4 GB) is made only
    // as it is read and never whole, so dng() gives nothing for it.
    picture.dngBytes = 100 * 1024 * 1024;
    const std::vector<double> making =
        timeRuns([&picture]() { return !TVK_Emulator_PictureMaker::dng(picture).isEmpty(); }, &ok);
    printTime("making a 100 MB DNG", making);
    // The copy into the caller's buffer is the least a GetObject in memory costs.
    const QByteArray source(int(kObjectBytes), '\x42');
    const auto viaCopy = [&source, &buffer]() {
        std::memcpy(buffer.data(), source.constData(), size_t(source.size()));
        return buffer.at(buffer.size() - 1) == '\x42';
    };
    std::vector<double> fetching;
    std::vector<double> copying;
    for (int run = 0; run < g_runs; ++run) {
        fetching.push_back(timeRuns(viaAccess, &ok, 1).front());
        copying.push_back(timeRuns(viaCopy, &ok, 1).front());
    }
    std::sort(fetching.begin(), fetching.end());
    std::sort(copying.begin(), copying.end());
    printRate("GetObject through the access", kObjectBytes, fetching);
    printRate("plain memcpy of the same bytes", kObjectBytes, copying);

    // With the cable limited to what a USB 2.0 camera delivers in practice,
    // the limiter and not the emulator sets the pace.
    constexpr qint64 kUsb2BytesPerSecond = 40 * 1000 * 1000;
    camera->setDataRate(kUsb2BytesPerSecond);
    QElapsedTimer limited;
    limited.start();
    ok = viaAccess() && ok;
    const double limitedRate = kObjectBytes / 1e6 / (qMax<qint64>(1, limited.nsecsElapsed()) / 1e9);
    std::printf("%-40s %7.1f MB/s (limit %.0f MB/s)\n", "GetObject at USB 2.0 speed", limitedRate,
                kUsb2BytesPerSecond / 1e6);
    camera->setDataRate(0);

    const auto medianRate = [](const std::vector<double> &seconds) {
        return kObjectBytes / 1e6 / seconds[seconds.size() / 2];
    };
    TVK_Bench_Report::figure("emulator: GetObject 60 MB", medianRate(fetching), "MB/s", "memcpy", medianRate(copying),
                             "value>=400");
    TVK_Bench_Report::figure("emulator: first GetObject, making the file", firstMs, "ms", "-");
    TVK_Bench_Report::figure("emulator: making a 100 MB DNG", making[making.size() / 2] * 1e3, "ms", "value<=1000");
    TVK_Bench_Report::figure("emulator: GetObject at USB 2.0 limit", limitedRate, "MB/s", "the limit",
                             kUsb2BytesPerSecond / 1e6, "ratio>=0.95,ratio<=1.02");

    if (!ok) {
        std::fprintf(stderr, "a transfer failed\n");
        return 1;
    }
    return 0;
}
