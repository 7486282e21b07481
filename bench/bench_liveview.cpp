// What live view sustains and what a frame costs. First the camera model's
// own fetch loop against an emulated camera at its announced frame rate:
// frames per second with the live-view window consuming every frame (flow
// control on, the consumption coming back queued as from the GUI thread) and
// with the window closed. Then process CPU time per frame of the three steps
// of one fetch (GetStreamData, which includes the emulator rendering and
// encoding the frame; parsing; decoding), against a bare QImage::fromData of
// the same JPEG and against parsing plus decoding of a buffer already read.
// The emulator's answer is timed on its own too, so that what the host
// spends per frame can be told from what the simulated camera spends.
//
// Goals (none stated elsewhere; what a photographer would expect): live view
// at nine tenths of the camera's frame rate or better, window open or not;
// the host's share of a frame's CPU time at most one and a half bare decodes,
// parsing and decoding a read buffer at most a tenth over a bare decode.
// With every viewing aid on (histogram, clipping and peaking computed on each
// frame in the stream's own thread, as the live-view window asks for them),
// the window-open rate stays within a twentieth of the rate without them.

#include "TVK_Bench_Report.h"
#include "TVK_Color_FrameAnalyzer.h"
#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Logic_Camera.h"
#include "TVK_Logic_CameraStreamInfo.h"
#include "TVK_Logic_StreamFrameParser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>

namespace {

constexpr int kProduct = 0x2041;
constexpr int kRunMs = 3000;
constexpr int kStartTimeoutMs = 10000;
constexpr int kCpuFrames = 200;

using Parser = TVK_Logic_StreamFrameParser;

struct Rig {
    Rig()
        : camera(std::make_shared<TVK_Emulator_Camera>(kProduct))
    {
        access = std::make_unique<TVK_Commu_CameraAccess_Emulated>(camera);
        access->checkDeviceAvailable();
        ok = access->openConnection(TVK_Commu_CameraAccess_Emulated::kVendorId, kProduct, access->deviceId());
        if (ok)
            model = std::make_unique<TVK_Logic_Camera>(access.get());
    }
    ~Rig()
    {
        model.reset();
        access->closeConnection();
    }
    std::shared_ptr<TVK_Emulator_Camera> camera;
    std::unique_ptr<TVK_Commu_CameraAccess_Emulated> access;
    std::unique_ptr<TVK_Logic_Camera> model;
    bool ok = false;
};

// Runs the event loop until done() or the time is up; false on time-out.
bool runUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

enum class Stream { kWindowOpen, kWindowClosed, kWindowOpenWithAids };

const char *nameOf(Stream stream)
{
    switch (stream) {
    case Stream::kWindowOpen:
        return "window open";
    case Stream::kWindowClosed:
        return "window closed";
    case Stream::kWindowOpenWithAids:
        return "every aid on";
    }
    return "";
}

// Frames per second, 0 when the stream did not run.
double measureStream(Stream stream)
{
    const bool windowOpen = stream != Stream::kWindowClosed;
    const char *name = nameOf(stream);
    Rig rig;
    if (!rig.ok) {
        std::fprintf(stderr, "  %-14s camera did not open\n", name);
        return 0.0;
    }
    TVK_Logic_Camera *model = rig.model.get();
    int frames = 0;
    QObject::connect(model, &TVK_Logic_Camera::signalLiveView, model, [&frames, model, windowOpen](const QImage &) {
        ++frames;
        if (windowOpen)
            QMetaObject::invokeMethod(model, &TVK_Logic_Camera::catchLiveViewConsumed, Qt::QueuedConnection);
    });
    if (stream == Stream::kWindowOpenWithAids) {
        TVK_Color_FrameAids::Choice choice;
        choice.histogram = choice.clipping = choice.peaking = true;
        model->setFrameAnalysis([choice](const QImage &frame) {
            return QVariant::fromValue(TVK_Color_FrameAnalyzer::analyse(frame, choice));
        });
    }
    model->setWaitLiveViewConsumed(windowOpen);
    model->setLiveViewPhoto(true);
    if (!runUntil([&frames]() { return frames > 0; }, kStartTimeoutMs)) {
        std::fprintf(stderr, "  %-14s no frame arrived\n", name);
        return 0.0;
    }
    const int first = frames;
    QElapsedTimer clock;
    clock.start();
    runUntil([&clock]() { return clock.elapsed() >= kRunMs; }, kRunMs + 1000);
    const double seconds = clock.elapsed() / 1000.0;
    const double target = 1000.0 / model->liveViewFramePeriod();
    const double rate = (frames - first) / seconds;
    std::printf("  %-14s %6.1f frames/s (frame period %d ms, at most %.1f frames/s)\n", name, rate,
                model->liveViewFramePeriod(), target);
    if (stream != Stream::kWindowOpenWithAids)
        TVK_Bench_Report::figure(QByteArray("live view: frame rate, ") + name,
                                 rate, "frames/s", "the camera's rate", target, "ratio>=0.9");
    return rate;
}

double cpuMs(std::clock_t start)
{
    return 1000.0 * double(std::clock() - start) / CLOCKS_PER_SEC;
}

bool measureCpu()
{
    Rig rig;
    if (!rig.ok || !rig.access->releaseCam(17, 0) || !rig.access->setDevicePropEnabledStreams(1)) {
        std::fprintf(stderr, "  stream did not start\n");
        return false;
    }
    TVK_Logic_CameraStreamInfo info(rig.access.get());
    QByteArray buffer(int(info.packetMaxSize()), '\0');
    if (buffer.isEmpty()) {
        std::fprintf(stderr, "  no packet size\n");
        return false;
    }

    double fetchMs = 0.0;
    double parseMs = 0.0;
    double decodeMs = 0.0;
    int good = 0;
    for (int i = 0; i < kCpuFrames; ++i) {
        buffer.fill('\0');
        std::clock_t start = std::clock();
        const bool fetched = rig.access->getStreamData(buffer.data(), unsigned(buffer.size()));
        fetchMs += cpuMs(start);
        if (!fetched)
            continue;
        start = std::clock();
        const Parser::Result frame = Parser::parse(buffer.constData(), size_t(buffer.size()));
        parseMs += cpuMs(start);
        if (!frame.ok)
            continue;
        start = std::clock();
        const QImage image = QImage::fromData(reinterpret_cast<const uchar *>(buffer.constData()) + frame.imageOffset,
                                              int(frame.imageLength));
        decodeMs += cpuMs(start);
        if (!image.isNull())
            ++good;
    }
    if (good == 0) {
        std::fprintf(stderr, "  no frame decoded\n");
        return false;
    }

    // The camera's own work (drawing and encoding the frame) is not the
    // host's: it is timed alone and taken out of the fetch.
    std::clock_t start = std::clock();
    for (int i = 0; i < kCpuFrames; ++i)
        rig.camera->transact(TVK_Commu_Ptp::kOpGetStreamData, {}, TVK_Emulator_Transaction::kLEDataIn);
    const double cameraMs = cpuMs(start) / kCpuFrames;

    // The last frame again, without the camera: the model's own share.
    const Parser::Result last = Parser::parse(buffer.constData(), size_t(buffer.size()));
    const QByteArray jpeg = buffer.mid(int(last.imageOffset));
    start = std::clock();
    for (int i = 0; i < kCpuFrames; ++i)
        QImage::fromData(jpeg);
    const double bareMs = cpuMs(start) / kCpuFrames;
    start = std::clock();
    for (int i = 0; i < kCpuFrames; ++i) {
        const Parser::Result frame = Parser::parse(buffer.constData(), size_t(buffer.size()));
        QImage::fromData(reinterpret_cast<const uchar *>(buffer.constData()) + frame.imageOffset,
                         int(frame.imageLength));
    }
    const double parseDecodeMs = cpuMs(start) / kCpuFrames;

    const double totalMs = (fetchMs + parseMs + decodeMs) / good;
    const double hostMs = totalMs - cameraMs;
    std::printf("  %d frames of %d decoded, image part %d bytes (JPEG and padding) of a %d byte packet\n", good,
                kCpuFrames,
                int(jpeg.size()), int(buffer.size()));
    std::printf("  fetch (emulator renders and encodes) %8.3f ms CPU per frame\n", fetchMs / good);
    std::printf("    of which the emulator's own answer %8.3f ms\n", cameraMs);
    std::printf("  parse                                %8.3f ms\n", parseMs / good);
    std::printf("  decode                               %8.3f ms\n", decodeMs / good);
    std::printf("  fetch + parse + decode               %8.3f ms = %.2f x bare decode\n", totalMs,
                bareMs > 0.0 ? totalMs / bareMs : 0.0);
    std::printf("  the host's share of all three        %8.3f ms = %.2f x bare decode\n", hostMs,
                bareMs > 0.0 ? hostMs / bareMs : 0.0);
    std::printf("  parse + decode of a read buffer      %8.3f ms = %.2f x bare decode\n", parseDecodeMs,
                bareMs > 0.0 ? parseDecodeMs / bareMs : 0.0);
    std::printf("  bare QImage::fromData                %8.3f ms\n", bareMs);

    const char *bare = "bare JPEG decode";
    TVK_Bench_Report::figure("live view: CPU per frame, host's share", hostMs, "ms", bare, bareMs, "ratio<=1.5");
    TVK_Bench_Report::figure("live view: CPU per frame, parse + decode", parseDecodeMs, "ms", bare, bareMs,
                             "ratio<=1.1");
    TVK_Bench_Report::figure("live view: CPU per frame, fetch + parse + decode", totalMs, "ms", bare, bareMs, "-");
    TVK_Bench_Report::figure("live view: CPU per frame, fetch", fetchMs / good, "ms", "-");
    TVK_Bench_Report::figure("live view: CPU per frame, the emulator's answer", cameraMs, "ms", "-");
    TVK_Bench_Report::figure("live view: CPU per frame, parse", parseMs / good, "ms", "-");
    TVK_Bench_Report::figure("live view: CPU per frame, decode", decodeMs / good, "ms", bare, bareMs, "-");
    TVK_Bench_Report::figure("live view: frames fetched and decoded", good, "frames", "frames asked for", kCpuFrames,
                             "ratio>=1");
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::printf("Live view of product 0x%04X, %d s per run\n", kProduct, kRunMs / 1000);
    const double bare = measureStream(Stream::kWindowOpen);
    bool ok = bare > 0.0;
    ok = measureStream(Stream::kWindowClosed) > 0.0 && ok;
    const double aided = measureStream(Stream::kWindowOpenWithAids);
    ok = aided > 0.0 && ok;
    TVK_Bench_Report::figure("live view: frame rate, every aid on", aided, "frames/s", "the rate without aids", bare,
                             "ratio>=0.95");
    std::printf("CPU time per frame, %d frames\n", kCpuFrames);
    ok = measureCpu() && ok;
    return ok ? 0 : 1;
}
