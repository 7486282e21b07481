// What the exposure and focus aids cost: the histogram, the clipping marks
// and the focus-peaking marks together, made by TVK_Color_FrameAnalyzer in
// one pass, on one 1024 x 680 live-view frame against decoding that frame
// from its JPEG (what every frame costs anyway), and on a 24-megapixel
// quick-view picture (6000 x 4000). Beside each, the three aids' classes run
// one by one, as they were before the analyser. Medians of many frames, the
// sides taking turns.
//
// Goals (none stated elsewhere; what a photographer would expect): the aids
// of a live-view frame take no longer than its decode, so that with every aid
// on the window still keeps the camera's frame rate; on the quick view's
// picture they are ready within 60 ms, before the eye has settled on it.
//
// The quick view keeps the whole picture, so that its marks hold at 1:1 zoom;
// the figures at 1280 pixels wide show what a window-sized copy would cost
// instead, its scaling included, without a goal of their own. Last, the aids
// as the quick view window makes them (histogram and clipping, on a copy
// brought down with nearest pixels to a screen's size), with the same goal.

#include "TVK_Bench_Report.h"
#include "TVK_Color_Clipping.h"
#include "TVK_Color_FocusPeaking.h"
#include "TVK_Color_FrameAnalyzer.h"
#include "TVK_Color_Histogram.h"
#include "TVK_GUI_PictureAnalysis.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kDefaultRuns = 50;
constexpr int kPictureRuns = 7;
constexpr int kViewWidth = 1280;

// A frame with detail and smooth parts, as a scene has, not noise that a
// JPEG encoder cannot compress.
QImage scene(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int checker = ((x / 32 + y / 32) % 2) * 120;
            row[x] = qRgb((x * 255 / width + checker) % 256, (y * 255 / height) % 256, (checker + 60) % 256);
        }
    }
    return image;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

TVK_Color_FrameAids::Choice everyAid()
{
    TVK_Color_FrameAids::Choice choice;
    choice.histogram = true;
    choice.clipping = true;
    choice.peaking = true;
    return choice;
}

// Milliseconds of all three aids on one picture, by the analyser.
double analysed(const QImage &image, int *made)
{
    QElapsedTimer clock;
    clock.start();
    const TVK_Color_FrameAids aids = TVK_Color_FrameAnalyzer::analyse(image, everyAid());
    const double ms = clock.nsecsElapsed() / 1e6;
    *made += int(aids.histogram.total() > 0) + int(!aids.clipping.isNull()) + int(!aids.peaking.isNull());
    return ms;
}

// The same by the three classes one after the other.
double separately(const QImage &image, int *made)
{
    QElapsedTimer clock;
    clock.start();
    const TVK_Color_Histogram histogram = TVK_Color_Histogram::of(image);
    const QImage clipped = TVK_Color_Clipping().marks(image);
    const QImage edges = TVK_Color_FocusPeaking().marks(image);
    const double ms = clock.nsecsElapsed() / 1e6;
    *made += int(histogram.total() > 0) + int(!clipped.isNull()) + int(!edges.isNull());
    return ms;
}

// Milliseconds of scaling the picture to the view's width.
double scaledToView(const QImage &picture, QImage *view)
{
    QElapsedTimer clock;
    clock.start();
    *view = picture.scaledToWidth(kViewWidth, Qt::SmoothTransformation);
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main()
{
    const int runs = TVK_Bench_Report::runs(kDefaultRuns);
    const int pictureRuns = std::min(runs, kPictureRuns);
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        scene(1024, 680).save(&buffer, "JPG", 85);
    }
    std::vector<double> decodes, frameAids, frameSeparate;
    int made = 0;
    int expected = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        const QImage frame = QImage::fromData(jpeg, "JPG");
        decodes.push_back(clock.nsecsElapsed() / 1e6);
        frameAids.push_back(analysed(frame, &made));
        frameSeparate.push_back(separately(frame, &made));
        expected += 6;
    }
    const QImage picture = scene(6000, 4000);
    std::vector<double> pictureAids, pictureSeparate, scalings, viewAids, quickViews;
    TVK_Color_FrameAids::Choice quickChoice;
    quickChoice.histogram = quickChoice.clipping = true;
    for (int i = 0; i < pictureRuns; ++i) {
        pictureAids.push_back(analysed(picture, &made));
        pictureSeparate.push_back(separately(picture, &made));
        QImage view;
        scalings.push_back(scaledToView(picture, &view));
        viewAids.push_back(analysed(view, &made));
        QElapsedTimer clock;
        clock.start();
        const TVK_Color_FrameAids quick = TVK_GUI_PictureAnalysis::analyse(picture, quickChoice);
        quickViews.push_back(clock.nsecsElapsed() / 1e6);
        made += quick.hasHistogram && !quick.clipping.isNull() ? 1 : 0;
        expected += 10;
    }
    if (made != expected) {
        std::fprintf(stderr, "an aid produced nothing\n");
        return 1;
    }
    const double decode = median(decodes);
    const double frame = median(frameAids);
    const double frameOld = median(frameSeparate);
    const double big = median(pictureAids);
    const double bigOld = median(pictureSeparate);
    const double scaling = median(scalings);
    const double view = median(viewAids);
    const double quickView = median(quickViews);
    std::printf("%-56s %8.2f ms\n", "JPEG decode of a 1024 x 680 live-view frame", decode);
    std::printf("%-56s %8.2f ms (%.2f x the decode)\n", "histogram + clipping + peaking on that frame", frame,
                frame / decode);
    std::printf("%-56s %8.2f ms\n", "the same by the three classes one by one", frameOld);
    std::printf("%-56s %8.1f ms\n", "the same on a 24-megapixel picture", big);
    std::printf("%-56s %8.1f ms\n", "the same by the three classes one by one", bigOld);
    std::printf("%-56s %8.1f ms\n", "that picture scaled to 1280 wide (smooth)", scaling);
    std::printf("%-56s %8.2f ms\n", "histogram + clipping + peaking on the scaled copy", view);
    TVK_Bench_Report::figure("frame aids: histogram, clipping and peaking, live-view frame", frame, "ms",
                             "JPEG decode of the frame", decode, "ratio<=1.0");
    TVK_Bench_Report::figure("frame aids: the three classes one by one, live-view frame", frameOld, "ms",
                             "JPEG decode of the frame", decode, "-");
    TVK_Bench_Report::figure("frame aids: histogram, clipping and peaking, 24 MPix picture", big, "ms",
                             "the three classes one by one", bigOld, "value<=60");
    TVK_Bench_Report::figure("frame aids: 24 MPix picture scaled to 1280 wide, then its aids", scaling + view, "ms",
                             "the aids of the whole picture", big, "-");
    std::printf("%-56s %8.1f ms\n", "histogram + clipping as the quick view makes them", quickView);
    TVK_Bench_Report::figure("quick view aids: 24 MPix picture, histogram and clipping", quickView, "ms",
                             "the aids of the whole picture", big, "value<=60");
    return 0;
}
