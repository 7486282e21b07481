#include "TVK_Color_Clipping.h"
#include "TVK_Color_FocusPeaking.h"
#include "TVK_Color_FrameAnalyzer.h"
#include "TVK_Color_Histogram.h"

#include <QImage>
#include <QRandomGenerator>
#include <QtTest>

#include <cstdlib>
#include <limits>

using Histogram = TVK_Color_Histogram;
using Clipping = TVK_Color_Clipping;
using Peaking = TVK_Color_FocusPeaking;
using Analyzer = TVK_Color_FrameAnalyzer;
using Choice = TVK_Color_FrameAids::Choice;

// The exposure aids' arithmetic on synthetic pictures whose answer is known,
// and the one-pass analyser against the aids' classes on pictures of every
// shape, including those whose rows it shares out between threads.
class tst_FrameAids : public QObject
{
    Q_OBJECT

    static QImage filled(int width, int height, QRgb colour, QImage::Format format = QImage::Format_RGB32)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        return format == QImage::Format_RGB32 ? image : image.convertToFormat(format);
    }


    enum eLEPicture { kLENoise, kLEEdges };

    // Noise marks edges and clips everywhere; the edges picture has a step
    // across the middle row (where the analyser splits the rows between
    // threads), one down a third of the width, a white and a black patch.
    static QImage picture(eLEPicture kind, int width, int height, QImage::Format format)
    {
        QImage image(width, height, QImage::Format_RGB32);
        QRandomGenerator random(quint32(width) * 7919u + quint32(height));
        for (int y = 0; y < height; ++y) {
            auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                if (kind == kLENoise) {
                    row[x] = random.generate() | 0xff000000u;
                    continue;
                }
                int level = (y >= height / 2 ? 150 : 40) + (x >= width / 3 ? 60 : 0);
                if (x % 16 == 5)
                    level = 255;
                else if (x % 16 == 9)
                    level = 0;
                row[x] = qRgb(level, std::min(255, level + 3), std::max(0, level - 20));
            }
        }
        return format == QImage::Format_RGB32 ? image : image.convertToFormat(format);
    }

    // The aids worked out pixel by pixel through QImage::pixel(), apart from
    // the classes' row loops.
    static QVector<quint64> countsByHand(const QImage &image, int step)
    {
        QVector<quint64> counts(Histogram::kLEChannelCount * Histogram::kLevels + 1, 0);
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); y += std::max(1, step)) {
            for (int x = 0; x < rgb.width(); x += std::max(1, step)) {
                const QRgb pixel = rgb.pixel(x, y);
                const int levels[] = {Histogram::luminance(qRed(pixel), qGreen(pixel), qBlue(pixel)), qRed(pixel),
                                      qGreen(pixel), qBlue(pixel)};
                for (int channel = 0; channel < Histogram::kLEChannelCount; ++channel)
                    ++counts[channel * Histogram::kLevels + levels[channel]];
                ++counts.last();
            }
        }
        return counts;
    }
    static QVector<quint64> countsOf(const Histogram &histogram)
    {
        QVector<quint64> counts;
        for (int channel = 0; channel < Histogram::kLEChannelCount; ++channel) {
            for (int level = 0; level < Histogram::kLevels; ++level)
                counts << histogram.count(Histogram::eLEChannel(channel), level);
        }
        return counts << histogram.total();
    }
    static QImage peakingByHand(const QImage &image, int threshold)
    {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        const auto level = [&rgb](int x, int y) {
            const QRgb pixel = rgb.pixel(x, y);
            return Histogram::luminance(qRed(pixel), qGreen(pixel), qBlue(pixel));
        };
        QImage marks(rgb.size(), QImage::Format_Grayscale8);
        marks.fill(0);
        for (int y = 1; y + 1 < rgb.height(); ++y) {
            for (int x = 1; x + 1 < rgb.width(); ++x) {
                if (std::abs(level(x + 1, y) - level(x - 1, y)) > threshold
                    || std::abs(level(x, y + 1) - level(x, y - 1)) > threshold)
                    marks.scanLine(y)[x] = Peaking::kMarked;
            }
        }
        return marks;
    }
    static QImage clippingByHand(const QImage &image, const Clipping &clipping)
    {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        QImage marks(rgb.size(), QImage::Format_Grayscale8);
        for (int y = 0; y < rgb.height(); ++y) {
            for (int x = 0; x < rgb.width(); ++x)
                marks.scanLine(y)[x] = clipping.markOf(rgb.pixel(x, y));
        }
        return marks;
    }

    // Sizes on either side of the split and of the peaking's three rows and
    // columns, each format the aids convert, sampled histograms and each
    // sensitivity and threshold pair.
    static void pictures()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("sensitivity");
        QTest::addColumn<int>("highlight");
        QTest::addColumn<int>("shadow");
        const int rgb32 = QImage::Format_RGB32, medium = Peaking::kLEMedium;
        const int splitWidth = int(Analyzer::kSplitPixels / 128);
        const struct {
            const char *name;
            eLEPicture kind;
            QSize size;
            int format, step, sensitivity, highlight, shadow;
        } rows[] = {
            {"1x1", kLENoise, {1, 1}, rgb32, 1, medium, 250, 5},
            {"2x2", kLENoise, {2, 2}, rgb32, 1, medium, 250, 5},
            {"3x1", kLENoise, {3, 1}, rgb32, 1, medium, 250, 5},
            {"1x3", kLENoise, {1, 3}, rgb32, 1, medium, 250, 5},
            {"3x3", kLENoise, {3, 3}, rgb32, 1, Peaking::kLEHigh, 250, 5},
            {"4x3 edges", kLEEdges, {4, 3}, rgb32, 1, medium, 250, 5},
            {"just below the split", kLEEdges, {splitWidth - 1, 128}, rgb32, 1, medium, 250, 5},
            {"at the split", kLEEdges, {splitWidth, 128}, rgb32, 1, medium, 250, 5},
            {"at the split, noise", kLENoise, {splitWidth, 128}, rgb32, 1, Peaking::kLEHigh, 250, 5},
            {"split on an odd height", kLEEdges, {201, 167}, rgb32, 1, medium, 250, 5},
            {"split on an odd height, noise", kLENoise, {201, 167}, rgb32, 1, Peaking::kLELow, 250, 5},
            {"1xN, split", kLENoise, {1, 40000}, rgb32, 1, medium, 250, 5},
            {"Nx1, never split", kLENoise, {40000, 1}, rgb32, 1, medium, 250, 5},
            {"two rows, split", kLENoise, {20000, 2}, rgb32, 1, Peaking::kLEHigh, 250, 5},
            {"three rows, split", kLEEdges, {16384, 3}, rgb32, 1, Peaking::kLEHigh, 250, 5},
            {"live-view frame", kLEEdges, {1024, 680}, rgb32, 1, medium, 250, 5},
            {"ARGB32", kLENoise, {201, 167}, int(QImage::Format_ARGB32), 1, medium, 250, 5},
            {"premultiplied", kLENoise, {201, 167}, int(QImage::Format_ARGB32_Premultiplied), 1, medium, 250, 5},
            {"24-bit", kLEEdges, {201, 167}, int(QImage::Format_RGB888), 1, medium, 250, 5},
            {"grey", kLENoise, {201, 167}, int(QImage::Format_Grayscale8), 1, Peaking::kLEHigh, 250, 5},
            {"16-bit", kLENoise, {97, 61}, int(QImage::Format_RGB16), 1, medium, 250, 5},
            {"indexed", kLEEdges, {97, 61}, int(QImage::Format_Indexed8), 1, medium, 250, 5},
            {"every second pixel", kLENoise, {201, 167}, rgb32, 2, medium, 250, 5},
            {"every third pixel, small", kLENoise, {5, 4}, rgb32, 3, medium, 250, 5},
            {"every seventh pixel", kLENoise, {1024, 680}, rgb32, 7, medium, 250, 5},
            {"a step beyond the picture", kLENoise, {3, 3}, rgb32, 5, medium, 250, 5},
            {"a step of none", kLENoise, {9, 9}, rgb32, 0, medium, 250, 5},
            {"the largest step", kLENoise, {9, 9}, rgb32, std::numeric_limits<int>::max(), medium, 250, 5},
            {"own thresholds", kLENoise, {201, 167}, rgb32, 1, medium, 200, 40},
            {"thresholds beyond the levels", kLENoise, {201, 167}, rgb32, 1, medium, 300, -5},
            {"crossed thresholds", kLENoise, {201, 167}, rgb32, 1, medium, 100, 200},
            {"every pixel a highlight", kLEEdges, {201, 167}, rgb32, 1, medium, 0, 0},
        };
        for (const auto &row : rows) {
            QTest::newRow(row.name) << int(row.kind) << row.size << row.format << row.step << row.sensitivity
                                    << row.highlight << row.shadow;
        }
    }

private Q_SLOTS:
    void theClassesEqualAReadingPixelByPixel_data() { pictures(); }
    void theClassesEqualAReadingPixelByPixel()
    {
        QFETCH(int, kind);
        QFETCH(QSize, size);
        QFETCH(int, format);
        QFETCH(int, step);
        QFETCH(int, sensitivity);
        QFETCH(int, highlight);
        QFETCH(int, shadow);
        const QImage image = picture(eLEPicture(kind), size.width(), size.height(), QImage::Format(format));
        QCOMPARE(countsOf(Histogram::of(image, step)), countsByHand(image, step));
        const Clipping clipping(highlight, shadow);
        QCOMPARE(clipping.marks(image), clippingByHand(image, clipping));
        const Peaking peaking{Peaking::eLESensitivity(sensitivity)};
        QCOMPARE(peaking.marks(image), peakingByHand(image, peaking.threshold()));
    }

    // Each aid alone and every pair and all three: the same counts and the
    // same marks, byte for byte, as the classes; those not chosen left out.
    void theAnalyserEqualsTheClasses_data() { pictures(); }
    void theAnalyserEqualsTheClasses()
    {
        QFETCH(int, kind);
        QFETCH(QSize, size);
        QFETCH(int, format);
        QFETCH(int, step);
        QFETCH(int, sensitivity);
        QFETCH(int, highlight);
        QFETCH(int, shadow);
        const QImage image = picture(eLEPicture(kind), size.width(), size.height(), QImage::Format(format));
        QCOMPARE(image.format(), QImage::Format(format));
        const QVector<quint64> counts = countsOf(Histogram::of(image, step));
        const QImage clipped = Clipping(highlight, shadow).marks(image);
        const QImage edges = Peaking(Peaking::eLESensitivity(sensitivity)).marks(image);
        // The analyser reuses the memory of marks let go: let it hold those
        // of another picture of this size.
        Choice every;
        every.histogram = every.clipping = every.peaking = true;
        Analyzer::analyse(picture(kind == kLENoise ? kLEEdges : kLENoise, size.width(), size.height(), QImage::Format_RGB32),
                          every);
        for (int aids = 1; aids < 8; ++aids) {
            Choice choice;
            choice.histogram = aids & 1;
            choice.clipping = aids & 2;
            choice.peaking = aids & 4;
            choice.histogramStep = step;
            choice.sensitivity = Peaking::eLESensitivity(sensitivity);
            choice.highlight = highlight;
            choice.shadow = shadow;
            const TVK_Color_FrameAids found = Analyzer::analyse(image, choice);
            QCOMPARE(found.sourceKey, image.cacheKey());
            QCOMPARE(found.sourceSize, size);
            QCOMPARE(found.hasHistogram, choice.histogram);
            QCOMPARE(countsOf(found.histogram), choice.histogram ? counts : countsOf(Histogram()));
            QCOMPARE(found.clipping, choice.clipping ? clipped : QImage());
            QCOMPARE(found.peaking, choice.peaking ? edges : QImage());
        }
    }

    void nothingIsMadeOfNothing_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<bool>("anyAid");
        QTest::newRow("null picture, every aid") << QImage() << true;
        QTest::newRow("null picture of a size") << QImage(0, 10, QImage::Format_RGB32) << true;
        QTest::newRow("a picture, no aid") << filled(64, 48, qRgb(255, 255, 255)) << false;
    }
    void nothingIsMadeOfNothing()
    {
        QFETCH(QImage, image);
        QFETCH(bool, anyAid);
        Choice choice;
        choice.histogram = choice.clipping = choice.peaking = anyAid;
        const TVK_Color_FrameAids found = Analyzer::analyse(image, choice);
        QCOMPARE(found.sourceKey, image.cacheKey());
        QCOMPARE(found.sourceSize, image.size());
        QVERIFY(!found.hasHistogram);
        QCOMPARE(found.histogram.total(), quint64(0));
        QVERIFY(found.clipping.isNull());
        QVERIFY(found.peaking.isNull());
    }

    void flatColoursCountInTheirLevels_data()
    {
        QTest::addColumn<QRgb>("colour");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("luminance");
        QTest::newRow("black") << qRgb(0, 0, 0) << int(QImage::Format_RGB32) << 0;
        QTest::newRow("white") << qRgb(255, 255, 255) << int(QImage::Format_RGB32) << 255;
        QTest::newRow("red alone") << qRgb(255, 0, 0) << int(QImage::Format_RGB32) << 53;
        QTest::newRow("green alone") << qRgb(0, 255, 0) << int(QImage::Format_RGB32) << 182;
        QTest::newRow("blue alone") << qRgb(0, 0, 255) << int(QImage::Format_RGB32) << 18;
        QTest::newRow("mid grey, 24-bit frame") << qRgb(128, 128, 128) << int(QImage::Format_RGB888) << 128;
        QTest::newRow("mixed, with alpha") << qRgb(10, 200, 30) << int(QImage::Format_ARGB32) << 147; // 0.2126, 0.7152, 0.0722
    }
    void flatColoursCountInTheirLevels()
    {
        QFETCH(QRgb, colour);
        QFETCH(int, format);
        QFETCH(int, luminance);
        const Histogram histogram = Histogram::of(filled(7, 5, colour, QImage::Format(format)));
        QCOMPARE(histogram.total(), quint64(35));
        QCOMPARE(histogram.count(Histogram::kLERed, qRed(colour)), quint32(35));
        QCOMPARE(histogram.count(Histogram::kLEGreen, qGreen(colour)), quint32(35));
        QCOMPARE(histogram.count(Histogram::kLEBlue, qBlue(colour)), quint32(35));
        QCOMPARE(histogram.count(Histogram::kLELuminance, luminance), quint32(35));
        QCOMPARE(histogram.peak(Histogram::kLELuminance), quint32(35));
    }

    void aRampFillsEveryLevelOnceAndSamplingThinsIt()
    {
        QImage ramp(256, 4, QImage::Format_RGB32);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 256; ++x)
                ramp.setPixel(x, y, qRgb(x, x, x));
        const Histogram whole = Histogram::of(ramp);
        const Histogram sampled = Histogram::of(ramp, 2);
        for (int level = 0; level < Histogram::kLevels; ++level) {
            QCOMPARE(whole.count(Histogram::kLELuminance, level), quint32(4));
            QCOMPARE(sampled.count(Histogram::kLEGreen, level), quint32(level % 2 == 0 ? 2 : 0));
        }
        QCOMPARE(sampled.total(), quint64(128 * 2));
        QCOMPARE(Histogram::of(QImage()).total(), quint64(0));
        QCOMPARE(whole.count(Histogram::kLERed, 256), quint32(0)); // out of range: nothing, no read past
        QCOMPARE(whole.count(Histogram::kLERed, -1), quint32(0));
    }

    // A single pixel at an end stays visible on the logarithmic scale.
    void heightsAreLinearOrLogarithmicOfThePeak()
    {
        QImage image = filled(1000, 1, qRgb(100, 100, 100));
        image.setPixel(0, 0, qRgb(255, 255, 255));
        const Histogram histogram = Histogram::of(image);
        QCOMPARE(histogram.height(Histogram::kLELuminance, 100, false), 1.0);
        QCOMPARE(histogram.height(Histogram::kLELuminance, 100, true), 1.0);
        QCOMPARE(histogram.height(Histogram::kLELuminance, 255, false), 1.0 / 999);
        QVERIFY(histogram.height(Histogram::kLELuminance, 255, true) > 0.09);
        QCOMPARE(histogram.height(Histogram::kLELuminance, 50, true), 0.0);
        QCOMPARE(Histogram().height(Histogram::kLELuminance, 0, true), 0.0); // no division by an empty peak
    }

    void clippingMarksEachPixelByItsThresholds_data()
    {
        QTest::addColumn<int>("highlight");
        QTest::addColumn<int>("shadow");
        QTest::addColumn<QRgb>("pixel");
        QTest::addColumn<int>("mark");
        const int none = Clipping::kLENone, shadow = Clipping::kLEShadow, high = Clipping::kLEHighlight;
        QTest::newRow("at the highlight, one channel") << 250 << 5 << qRgb(10, 250, 10) << high;
        QTest::newRow("just below the highlight") << 250 << 5 << qRgb(249, 249, 249) << none;
        QTest::newRow("at the shadow, every channel") << 250 << 5 << qRgb(5, 5, 5) << shadow;
        QTest::newRow("one channel above the shadow") << 250 << 5 << qRgb(5, 6, 0) << none;
        QTest::newRow("white") << 250 << 5 << qRgb(255, 255, 255) << high;
        QTest::newRow("black") << 250 << 5 << qRgb(0, 0, 0) << shadow;
        QTest::newRow("own thresholds") << 200 << 40 << qRgb(201, 0, 0) << high;
        QTest::newRow("own thresholds, shadow") << 200 << 40 << qRgb(40, 30, 20) << shadow;
        // Out of range, or crossed: clamped, and never both marks.
        QTest::newRow("thresholds beyond the levels") << 300 << -5 << qRgb(255, 255, 255) << high;
        QTest::newRow("thresholds beyond the levels, black") << 300 << -5 << qRgb(0, 0, 0) << shadow;
        QTest::newRow("shadow above the highlight") << 100 << 200 << qRgb(150, 150, 150) << high;
        QTest::newRow("shadow above the highlight, dark") << 100 << 200 << qRgb(99, 99, 99) << shadow;
    }
    void clippingMarksEachPixelByItsThresholds()
    {
        QFETCH(int, highlight);
        QFETCH(int, shadow);
        QFETCH(QRgb, pixel);
        QFETCH(int, mark);
        const Clipping clipping(highlight, shadow);
        QCOMPARE(int(clipping.markOf(pixel)), mark);
        QVERIFY(clipping.shadow() < clipping.highlight());
    }

    void theMarksPictureHoldsExactlyTheClippedPixels()
    {
        QImage image = filled(4, 3, qRgb(120, 120, 120), QImage::Format_RGB888);
        image.setPixel(1, 0, qRgb(255, 0, 0));
        image.setPixel(3, 2, qRgb(0, 0, 0));
        const QImage marks = Clipping().marks(image);
        QCOMPARE(marks.size(), image.size());
        QCOMPARE(marks.format(), QImage::Format_Grayscale8);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 4; ++x) {
                const int expected = x == 1 && y == 0   ? Clipping::kLEHighlight
                                     : x == 3 && y == 2 ? Clipping::kLEShadow
                                                        : Clipping::kLENone;
                QCOMPARE(int(marks.constScanLine(y)[x]), expected);
            }
        }
        QVERIFY(Clipping().marks(QImage()).isNull());
    }

    // Left a step from dark to light, right the same contrast going back
    // spread over twenty pixels: only the step is in focus.
    static QImage sharpAndBlurred(int contrast)
    {
        QImage image(64, 32, QImage::Format_RGB32);
        for (int x = 0; x < 64; ++x) {
            int level = 0;
            if (x < 32)
                level = x >= 16 ? contrast : 0;
            else // back down to dark, with no step where the halves meet
                level = contrast - qBound(0, (x - 38) * contrast / 20, contrast);
            for (int y = 0; y < 32; ++y)
                image.setPixel(x, y, qRgb(level, level, level));
        }
        return image;
    }
    static QList<int> markedColumns(const QImage &marks, int row)
    {
        QList<int> columns;
        for (int x = 0; x < marks.width(); ++x) {
            if (marks.constScanLine(row)[x] == Peaking::kMarked)
                columns << x;
        }
        return columns;
    }

    void peakingMarksASharpEdgeAndNotABlurredOne_data()
    {
        QTest::addColumn<int>("sensitivity");
        QTest::addColumn<int>("contrast");
        QTest::addColumn<bool>("sharpMarked");
        QTest::newRow("medium, strong edge") << int(Peaking::kLEMedium) << 200 << true;
        QTest::newRow("low, strong edge") << int(Peaking::kLELow) << 200 << true;
        QTest::newRow("high, faint edge") << int(Peaking::kLEHigh) << 40 << true;
        QTest::newRow("medium, faint edge") << int(Peaking::kLEMedium) << 40 << false;
        QTest::newRow("low, middling edge") << int(Peaking::kLELow) << 80 << false;
    }
    void peakingMarksASharpEdgeAndNotABlurredOne()
    {
        QFETCH(int, sensitivity);
        QFETCH(int, contrast);
        QFETCH(bool, sharpMarked);
        const QImage marks = Peaking(Peaking::eLESensitivity(sensitivity)).marks(sharpAndBlurred(contrast));
        QCOMPARE(marks.format(), QImage::Format_Grayscale8);
        for (int y = 0; y < 32; ++y) {
            const QList<int> expected = sharpMarked && y > 0 && y < 31 ? QList<int>{15, 16} : QList<int>{};
            QCOMPARE(markedColumns(marks, y), expected);
        }
    }

    // The marks turn with the frame, so they can be drawn with its own turn.
    void peakingTurnsWithTheFrame_data()
    {
        QTest::addColumn<int>("degrees");
        QTest::newRow("90") << 90;
        QTest::newRow("180") << 180;
        QTest::newRow("270") << 270;
    }
    void peakingTurnsWithTheFrame()
    {
        QFETCH(int, degrees);
        QImage frame = sharpAndBlurred(200);
        for (int x = 20; x < 30; ++x)
            frame.setPixel(x, 8, qRgb(255, 255, 255)); // a line across, so that the turn shows
        const QTransform turn = QTransform().rotate(degrees);
        const Peaking peaking;
        const QImage turnedMarks = peaking.marks(frame.transformed(turn)).convertToFormat(QImage::Format_Grayscale8);
        const QImage marksTurned = peaking.marks(frame).transformed(turn).convertToFormat(QImage::Format_Grayscale8);
        QCOMPARE(turnedMarks.size(), marksTurned.size());
        QVERIFY(turnedMarks == marksTurned);
        QVERIFY(Peaking().marks(QImage()).isNull());
        QCOMPARE(Peaking().marks(filled(2, 2, qRgb(0, 0, 0))).size(), QSize(2, 2)); // too small for an edge
    }
};

QTEST_GUILESS_MAIN(tst_FrameAids)
#include "tst_frameaids.moc"
