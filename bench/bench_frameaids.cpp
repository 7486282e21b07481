// What the exposure and focus aids cost: the histogram, the clipping marks
// and the focus-peaking marks together on one 1024 x 680 live-view frame,
// against decoding that frame from its JPEG (what every frame costs anyway),
// and on a 24-megapixel quick-view picture (6000 x 4000). Medians of many
// frames, the two sides taking turns.
//
// Goals (none stated elsewhere; what a photographer would expect): the aids
// of a live-view frame take no longer than its decode, so that with every aid
// on the window still keeps the camera's frame rate; on the quick view's
// picture they are ready within 60 ms, before the eye has settled on it.

#include "TVK_Bench_Report.h"
#include "TVK_Color_Clipping.h"
#include "TVK_Color_FocusPeaking.h"
#include "TVK_Color_Histogram.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kDefaultRuns = 50;
constexpr int kPictureRuns = 5;

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

// Milliseconds of all three aids on one picture.
double aids(const QImage &image, int *marked)
{
    QElapsedTimer clock;
    clock.start();
    const TVK_Color_Histogram histogram = TVK_Color_Histogram::of(image);
    const QImage clipped = TVK_Color_Clipping().marks(image);
    const QImage edges = TVK_Color_FocusPeaking().marks(image);
    const double ms = clock.nsecsElapsed() / 1e6;
    *marked += int(histogram.total() > 0) + int(!clipped.isNull()) + int(!edges.isNull());
    return ms;
}

} // namespace

int main()
{
    const int runs = TVK_Bench_Report::runs(kDefaultRuns);
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        scene(1024, 680).save(&buffer, "JPG", 85);
    }
    std::vector<double> decodes, frameAids;
    int marked = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        const QImage frame = QImage::fromData(jpeg, "JPG");
        decodes.push_back(clock.nsecsElapsed() / 1e6);
        frameAids.push_back(aids(frame, &marked));
    }
    const QImage picture = scene(6000, 4000);
    std::vector<double> pictureAids;
    for (int i = 0; i < std::min(runs, kPictureRuns); ++i)
        pictureAids.push_back(aids(picture, &marked));
    if (marked != 3 * (runs + std::min(runs, kPictureRuns))) {
        std::fprintf(stderr, "an aid produced nothing\n");
        return 1;
    }
    const double decode = median(decodes);
    const double frame = median(frameAids);
    const double big = median(pictureAids);
    std::printf("%-52s %8.2f ms\n", "JPEG decode of a 1024 x 680 live-view frame", decode);
    std::printf("%-52s %8.2f ms (%.2f x the decode)\n", "histogram + clipping + peaking on that frame", frame,
                frame / decode);
    std::printf("%-52s %8.1f ms\n", "the same on a 24-megapixel picture", big);
    TVK_Bench_Report::figure("frame aids: histogram, clipping and peaking, live-view frame", frame, "ms",
                             "JPEG decode of the frame", decode, "ratio<=1.0");
    TVK_Bench_Report::figure("frame aids: histogram, clipping and peaking, 24 MPix picture", big, "ms", "value<=60");
    return 0;
}
