// What colour matching costs on the displayed picture: a 24-megapixel quick-view
// picture (6000 x 4000, RGB32) translated in place from the default input
// profile to a monitor-like profile, as MPix/s, against LittleCMS alone doing
// cmsDoTransform over the same buffer with the same profiles; then one
// 1024 x 680 live-view frame, in ms per frame, against LittleCMS alone on the
// same frame. Medians of a few runs, the two sides taking turns so that a
// machine busy with something else slows both alike, after one warm-up run of
// each that also builds the transform.
//
// Goals (none stated elsewhere; what a photographer would expect): the
// program's matching at nine tenths of LittleCMS's own speed or better, so
// that the quick view waits on the colour engine only; a live-view frame
// within one frame period at 30 frames/s (33 ms), should live view ever be
// shown converted; and one transform built for all of it.

#include "TVK_Bench_Report.h"
#include "TVK_Color_Factory.h"
#include "TVK_Color_Match.h"
#include "TVK_Color_Profile_Lcms.h"

#include <QElapsedTimer>
#include <QImage>

#include <lcms2.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kDefaultRuns = 5;
constexpr int kLiveViewRuns = 50;

QImage noiseImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 state = 12345;
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            line[x] = 0xFF000000u | (state >> 8);
        }
    }
    return image;
}

double timeMs(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// The medians of runs runs of each of the two, taking turns.
void medianMs(int runs, const std::function<void()> &first, const std::function<void()> &second, double *firstMs,
              double *secondMs)
{
    first(); // warm-up
    second();
    std::vector<double> a;
    std::vector<double> b;
    for (int i = 0; i < runs; ++i) {
        a.push_back(timeMs(first));
        b.push_back(timeMs(second));
    }
    *firstMs = median(a);
    *secondMs = median(b);
}

// A display with sRGB primaries, D65 and gamma 2.2, as a typical monitor profile.
QByteArray monitorProfileBytes()
{
    const cmsCIExyY d65 = {0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve *curve = cmsBuildGamma(nullptr, 2.2);
    cmsToneCurve *curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&d65, &primaries, curves);
    cmsFreeToneCurve(curve);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(int(size), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

} // namespace

int main()
{
    const TVK_Color_Profile_Lcms input(TVK_Color_Factory::builtInInputProfileBytes());
    const TVK_Color_Profile_Lcms output(monitorProfileBytes());
    auto match = TVK_Color_Factory::newMatch();
    match->setInputProfile(input);
    match->setOutputProfile(output);
    match->setRenderingIntent(0);

    const int runs = TVK_Bench_Report::runs(kDefaultRuns);
    QImage picture = noiseImage(6000, 4000);
    const double pixels = double(picture.width()) * picture.height();
    bool ok = true;
    cmsHTRANSFORM transform = cmsCreateTransform(input.handle(), TYPE_BGRA_8, output.handle(),
                                                 TYPE_BGRA_8, INTENT_PERCEPTUAL, cmsFLAGS_COPY_ALPHA);
    if (transform == nullptr) {
        std::fprintf(stderr, "LittleCMS built no transform for the reference\n");
        return 1;
    }
    double matchMs = 0.0;
    double lcmsMs = 0.0;
    medianMs(
        runs, [&] { ok = match->translateImage(picture) && ok; },
        [&] { cmsDoTransform(transform, picture.bits(), picture.bits(), cmsUInt32Number(pixels)); }, &matchMs,
        &lcmsMs);

    QImage frame = noiseImage(1024, 680);
    const double framePixels = double(frame.width()) * frame.height();
    double frameMs = 0.0;
    double lcmsFrameMs = 0.0;
    medianMs(
        kLiveViewRuns, [&] { ok = match->translateImage(frame) && ok; },
        [&] { cmsDoTransform(transform, frame.bits(), frame.bits(), cmsUInt32Number(framePixels)); }, &frameMs,
        &lcmsFrameMs);
    cmsDeleteTransform(transform);

    std::printf("24 MPix RGB32, match in place: %8.1f MPix/s (%.1f ms)\n",
                pixels / 1e6 / (matchMs / 1e3), matchMs);
    std::printf("24 MPix RGB32, cmsDoTransform:  %8.1f MPix/s (%.1f ms)\n",
                pixels / 1e6 / (lcmsMs / 1e3), lcmsMs);
    std::printf("1024x680 live-view frame:        %8.2f ms per frame\n", frameMs);
    std::printf("1024x680 frame, cmsDoTransform:  %8.2f ms per frame\n", lcmsFrameMs);
    std::printf("transforms built: %d, all translations succeeded: %s\n",
                match->transformBuildCount(), ok ? "yes" : "no");

    const char *alone = "LittleCMS alone";
    TVK_Bench_Report::figure("colour: 24 MPix picture matched", pixels / 1e6 / (matchMs / 1e3), "MPix/s", alone,
                             pixels / 1e6 / (lcmsMs / 1e3), "ratio>=0.9");
    TVK_Bench_Report::figure("colour: 1024x680 live-view frame matched", frameMs, "ms", alone, lcmsFrameMs,
                             "value<=33");
    TVK_Bench_Report::figure("colour: transforms built", match->transformBuildCount(), "transforms", "value<=1");
    return ok ? 0 : 1;
}
