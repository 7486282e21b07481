// What colour matching costs on the displayed picture: a 24-megapixel quick-view
// picture (6000 x 4000, RGB32) translated in place from the default input
// profile to a monitor-like profile, as MPix/s, against LittleCMS alone doing
// cmsDoTransform over the same buffer with the same profiles; then one
// 1024 x 680 live-view frame, in ms per frame. Medians of a few runs, after one
// warm-up run that also builds the transform.

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

constexpr int kRuns = 5;
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

double medianMs(int runs, const std::function<void()> &work)
{
    work(); // warm-up
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
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

    QImage picture = noiseImage(6000, 4000);
    const double pixels = double(picture.width()) * picture.height();
    bool ok = true;
    const double matchMs = medianMs(kRuns, [&] { ok = match->translateImage(picture) && ok; });

    cmsHTRANSFORM transform = cmsCreateTransform(input.handle(), TYPE_BGRA_8, output.handle(),
                                                 TYPE_BGRA_8, INTENT_PERCEPTUAL, cmsFLAGS_COPY_ALPHA);
    uchar *bits = picture.bits();
    const double lcmsMs = medianMs(kRuns, [&] {
        cmsDoTransform(transform, bits, bits, cmsUInt32Number(pixels));
    });
    cmsDeleteTransform(transform);

    QImage frame = noiseImage(1024, 680);
    const double frameMs = medianMs(kLiveViewRuns, [&] { ok = match->translateImage(frame) && ok; });

    std::printf("24 MPix RGB32, match in place: %8.1f MPix/s (%.1f ms)\n",
                pixels / 1e6 / (matchMs / 1e3), matchMs);
    std::printf("24 MPix RGB32, cmsDoTransform:  %8.1f MPix/s (%.1f ms)\n",
                pixels / 1e6 / (lcmsMs / 1e3), lcmsMs);
    std::printf("1024x680 live-view frame:        %8.2f ms per frame\n", frameMs);
    std::printf("transforms built: %d, all translations succeeded: %s\n",
                match->transformBuildCount(), ok ? "yes" : "no");
    return ok ? 0 : 1;
}
