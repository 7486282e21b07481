#include "TVK_Color_Clipping.h"
#include "TVK_Color_FocusPeaking.h"
#include "TVK_Color_Histogram.h"

#include <QImage>
#include <QtTest>

using Histogram = TVK_Color_Histogram;
using Clipping = TVK_Color_Clipping;
using Peaking = TVK_Color_FocusPeaking;

// The exposure aids' arithmetic on synthetic pictures whose answer is known.
class tst_FrameAids : public QObject
{
    Q_OBJECT

    static QImage filled(int width, int height, QRgb colour, QImage::Format format = QImage::Format_RGB32)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        return format == QImage::Format_RGB32 ? image : image.convertToFormat(format);
    }

private Q_SLOTS:
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
