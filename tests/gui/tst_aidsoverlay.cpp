#include "TVK_Color_Clipping.h"
#include "TVK_Color_FrameAids.h"
#include "TVK_GUI_AidsOverlay.h"
#include "TVK_GUI_GuideGeometry.h"
#include "TVK_GUI_ImageViewer.h"
#include "TVK_GUI_LiveViewNavigatorWidget.h"

#include <QPainter>
#include <QtTest>

#include <algorithm>
#include <tuple>

Q_DECLARE_METATYPE(QVector<QLineF>)
Q_DECLARE_METATYPE(QList<QRect>)

namespace {

using Aids = TVK_GUI_ViewAids;
const QRgb kGreen = qRgb(0, 255, 0);

// Where a 500 x 300 (or other) viewer shows a frame the live view window
// turned: the place every aid must keep to.
QRect shownRectOf(const QSize &window, const QSize &frame, int rotation)
{
    TVK_GUI_ImageViewer viewer;
    viewer.setWantColorMatch(false);
    viewer.resize(window);
    QPixmap pixmap;
    if (!frame.isEmpty()) {
        pixmap = QPixmap(frame);
        pixmap.fill(Qt::gray);
        pixmap = pixmap.transformed(QTransform().rotate(rotation));
    }
    viewer.setPixmap(pixmap);
    return viewer.shownPixmapRect();
}

bool near(double a, double b)
{
    return qAbs(a - b) < 1e-9;
}

QVector<QLineF> sorted(QVector<QLineF> lines)
{
    std::sort(lines.begin(), lines.end(), [](const QLineF &a, const QLineF &b) {
        return std::make_tuple(a.x1(), a.y1(), a.x2(), a.y2()) < std::make_tuple(b.x1(), b.y1(), b.x2(), b.y2());
    });
    return lines;
}

// Vertical lines at xs from top to bottom, then horizontal ones at ys.
QVector<QLineF> grid(const QVector<double> &xs, const QVector<double> &ys, const QRectF &r)
{
    QVector<QLineF> lines;
    for (double x : xs)
        lines << QLineF(x, r.top(), x, r.bottom());
    for (double y : ys)
        lines << QLineF(r.left(), y, r.right(), y);
    return lines;
}

QImage canvas(const QColor &colour = Qt::black)
{
    QImage image(500, 300, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QImage painted(const TVK_GUI_AidsOverlay &overlay, const QRect &shown, const QList<QRect> &keepClear = {},
               const QColor &under = Qt::black)
{
    QImage image = canvas(under);
    QPainter painter(&image);
    overlay.paint(painter, shown, keepClear);
    return image;
}

// A Grayscale8 picture of marks; setPixel would take the value for a colour.
QImage marks(const QSize &size, uchar value = 0, const QRect &other = QRect(), uchar otherValue = 0)
{
    QImage image(size, QImage::Format_Grayscale8);
    image.fill(value);
    for (int y = other.top(); y <= other.bottom(); ++y)
        std::fill_n(image.scanLine(y) + other.left(), other.width(), otherValue);
    return image;
}

QRect pixelsOf(const QImage &image, QRgb colour)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour)
                box |= QRect(x, y, 1, 1);
    return box;
}

bool changedIn(const QImage &a, const QImage &b, const QRect &area)
{
    return a.copy(area) != b.copy(area);
}

// One marked pixel at (5, 3) of a 40 x 30 frame.
TVK_Color_FrameAids onePeak()
{
    TVK_Color_FrameAids frame;
    frame.sourceSize = QSize(40, 30);
    frame.peaking = marks(frame.sourceSize, 0, QRect(5, 3, 1, 1), 255);
    return frame;
}

Aids chosen(bool peaking, bool clipping, bool histogram)
{
    Aids aids;
    aids.analysis.peaking = peaking;
    aids.analysis.clipping = clipping;
    aids.analysis.histogram = histogram;
    aids.peakingColour = Aids::kLEGreen;
    return aids;
}

TVK_Color_FrameAids withHistogram(const QImage &picture)
{
    TVK_Color_FrameAids frame;
    frame.sourceSize = picture.size();
    frame.hasHistogram = true;
    frame.histogram = TVK_Color_Histogram::of(picture);
    return frame;
}

int g_mismatchLines = 0;
QtMessageHandler g_previousHandler = nullptr;
void countMismatches(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    g_mismatchLines += text.contains(QLatin1String("do not fit")) ? 1 : 0;
    g_previousHandler(type, context, text);
}

} // namespace

class tst_AidsOverlay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void guideLinesLandInTheShownPicture_data();
    void guideLinesLandInTheShownPicture();
    void cropFramesAreCentredAndAsLargeAsFit_data();
    void cropFramesAreCentredAndAsLargeAsFit();
    void peakingMarksFollowTheTurn_data();
    void peakingMarksFollowTheTurn();
    void histogramTakesAFreeCorner_data();
    void histogramTakesAFreeCorner();
    void theViewerPaintsAFrameWithItsAids();
    void theViewerKeepsTheHistogramOffTheMarker();
    void rgbHistogramAddsItsChannels();
    void clippingStripesMoveAndBlinkWithThePhase();
    void onionSkinLiesOverThePicture();
    void aidsOfAnotherFrameAreIgnored_data();
    void aidsOfAnotherFrameAreIgnored();
};

void tst_AidsOverlay::guideLinesLandInTheShownPicture_data()
{
    QTest::addColumn<QSize>("window");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<int>("guide");
    QTest::addColumn<QRect>("shown");
    QTest::addColumn<QVector<QLineF>>("lines");

    // A 400 x 300 frame: at x 50 of a 500 x 300 window; 300 x 225 at y 138
    // of a 300 x 500 one; turned a quarter, 225 x 300 at x 138 (QLabel
    // rounds the odd half pixel to the right).
    const QSize wide(500, 300), tall(300, 500);
    const QRect w(50, 0, 400, 300), t(0, 138, 300, 225), q(138, 0, 225, 300);
    QTest::newRow("thirds, wide") << wide << 0 << int(Aids::kLEThirds) << w
                                  << grid({50 + 400 / 3.0, 50 + 800 / 3.0}, {100, 200}, w);
    QTest::newRow("golden, tall") << tall << 0 << int(Aids::kLEGolden) << t
                                  << grid({114.6, 185.4}, {138 + 0.382 * 225, 138 + 0.618 * 225}, t);
    QTest::newRow("diagonals, 90") << wide << 90 << int(Aids::kLEDiagonals) << q
                                   << QVector<QLineF>{QLineF(138, 0, 363, 300), QLineF(363, 0, 138, 300)};
    QTest::newRow("centre cross, 180") << wide << 180 << int(Aids::kLECentreCross) << w << grid({250}, {150}, w);
    // Cells of a quarter of the short side from the centre out; none on an edge.
    QTest::newRow("grid, wide") << wide << 0 << int(Aids::kLEGrid) << w
                                << grid({100, 175, 250, 325, 400}, {75, 150, 225}, w);
    QTest::newRow("grid, 270") << wide << 270 << int(Aids::kLEGrid) << q
                               << grid({194.25, 250.5, 306.75}, {37.5, 93.75, 150, 206.25, 262.5}, q);
    QTest::newRow("thirds, 90 in a tall window")
        << tall << 90 << int(Aids::kLEThirds) << QRect(0, 50, 300, 400)
        << grid({100, 200}, {50 + 400 / 3.0, 50 + 800 / 3.0}, QRect(0, 50, 300, 400));
    QTest::newRow("none") << wide << 0 << int(Aids::kLEGuideNone) << w << QVector<QLineF>();
}

void tst_AidsOverlay::guideLinesLandInTheShownPicture()
{
    QFETCH(QSize, window);
    QFETCH(int, rotation);
    QFETCH(int, guide);
    QFETCH(QRect, shown);
    QFETCH(QVector<QLineF>, lines);

    QCOMPARE(shownRectOf(window, QSize(400, 300), rotation), shown);
    const QVector<QLineF> got = sorted(TVK_GUI_GuideGeometry::linesOf(Aids::eLEGuide(guide), QRectF(shown)));
    const QVector<QLineF> expected = sorted(lines);
    QCOMPARE(got.size(), expected.size());
    for (int i = 0; i < got.size(); ++i)
        QVERIFY2(near(got[i].x1(), expected[i].x1()) && near(got[i].y1(), expected[i].y1())
                     && near(got[i].x2(), expected[i].x2()) && near(got[i].y2(), expected[i].y2()),
                 qPrintable(QStringLiteral("line %1: %2,%3").arg(i).arg(got[i].x1()).arg(got[i].y1())));
    // No picture, nothing to guide.
    QVERIFY(TVK_GUI_GuideGeometry::linesOf(Aids::eLEGuide(guide), QRectF()).isEmpty());
}

void tst_AidsOverlay::cropFramesAreCentredAndAsLargeAsFit_data()
{
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<int>("crop");
    QTest::addColumn<QRectF>("expected");

    // Shown as in the guides' table; 16:9 and 2:3 follow the picture, 4:5
    // and 5:4 stay as named.
    const QSize wide(500, 300), tall(300, 500), frame(400, 300);
    QTest::newRow("1:1, 180") << wide << frame << 180 << int(Aids::kLECrop1x1) << QRectF(100, 0, 300, 300);
    QTest::newRow("16:9 lying") << wide << frame << 0 << int(Aids::kLECrop16x9) << QRectF(50, 37.5, 400, 225);
    QTest::newRow("16:9 standing, 90") << wide << frame << 90 << int(Aids::kLECrop16x9)
                                       << QRectF(166.125, 0, 168.75, 300);
    QTest::newRow("2:3 lying, tall") << tall << frame << 0 << int(Aids::kLECrop2x3) << QRectF(0, 150.5, 300, 200);
    QTest::newRow("2:3 standing, 270") << wide << frame << 270 << int(Aids::kLECrop2x3)
                                       << QRectF(150.5, 0, 200, 300);
    QTest::newRow("4:5 over standing, 90") << wide << frame << 90 << int(Aids::kLECrop4x5)
                                           << QRectF(138, 9.375, 225, 281.25);
    QTest::newRow("5:4, tall") << tall << frame << 0 << int(Aids::kLECrop5x4) << QRectF(9.375, 138, 281.25, 225);
    QTest::newRow("5:4 over standing, 270") << wide << frame << 270 << int(Aids::kLECrop5x4)
                                            << QRectF(138, 60, 225, 180);
    QTest::newRow("16:9 over a square lies") << wide << QSize(300, 300) << 90 << int(Aids::kLECrop16x9)
                                             << QRectF(100, 65.625, 300, 168.75);
    QTest::newRow("no frame") << wide << frame << 0 << int(Aids::kLECropNone) << QRectF();
    QTest::newRow("no picture") << wide << QSize() << 0 << int(Aids::kLECrop1x1) << QRectF();
}

void tst_AidsOverlay::cropFramesAreCentredAndAsLargeAsFit()
{
    QFETCH(QSize, window);
    QFETCH(QSize, frame);
    QFETCH(int, rotation);
    QFETCH(int, crop);
    QFETCH(QRectF, expected);

    const QRectF got = TVK_GUI_GuideGeometry::cropRect(Aids::eLECrop(crop), QRectF(shownRectOf(window, frame, rotation)));
    QVERIFY2(near(got.x(), expected.x()) && near(got.y(), expected.y()) && near(got.width(), expected.width())
                 && near(got.height(), expected.height()),
             qPrintable(QStringLiteral("%1,%2 %3x%4").arg(got.x()).arg(got.y()).arg(got.width()).arg(got.height())));
}

void tst_AidsOverlay::peakingMarksFollowTheTurn_data()
{
    QTest::addColumn<int>("rotation");
    QTest::addColumn<QRect>("shown");
    QTest::addColumn<QRectF>("block");

    // The 40 x 30 frame's pixel (5, 3) is 10 pixels square lying, 7.5 turned.
    QTest::newRow("0") << 0 << QRect(50, 0, 400, 300) << QRectF(100, 30, 10, 10);
    // A quarter clockwise: row 3 from the top becomes column 3 from the right.
    QTest::newRow("90") << 90 << QRect(138, 0, 225, 300) << QRectF(138 + 26 * 7.5, 5 * 7.5, 7.5, 7.5);
    QTest::newRow("180") << 180 << QRect(50, 0, 400, 300) << QRectF(390, 260, 10, 10);
    QTest::newRow("270") << 270 << QRect(138, 0, 225, 300) << QRectF(138 + 3 * 7.5, 34 * 7.5, 7.5, 7.5);
}

void tst_AidsOverlay::peakingMarksFollowTheTurn()
{
    QFETCH(int, rotation);
    QFETCH(QRect, shown);
    QFETCH(QRectF, block);

    QCOMPARE(shownRectOf(QSize(500, 300), QSize(40, 30), rotation), shown);
    TVK_GUI_AidsOverlay overlay;
    overlay.setAids(chosen(true, false, false));
    overlay.setRotation(rotation);
    overlay.setFrameSize(rotation % 180 ? QSize(30, 40) : QSize(40, 30));
    overlay.setFrameAids(onePeak());

    const QImage image = painted(overlay, shown);
    const QRect green = pixelsOf(image, kGreen);
    QCOMPARE(image.pixel(block.center().toPoint()), kGreen);
    // Nearest sampling rounds a half-pixel edge either way.
    QVERIFY2(block.adjusted(-1, -1, 1, 1).contains(QRectF(green)),
             qPrintable(QStringLiteral("%1,%2 %3x%4").arg(green.x()).arg(green.y()).arg(green.width()).arg(green.height())));
}

void tst_AidsOverlay::histogramTakesAFreeCorner_data()
{
    QTest::addColumn<QRect>("shown");
    QTest::addColumn<QList<QRect>>("keepClear");
    QTest::addColumn<QPoint>("corner");

    // 128 x 64, 8 pixels in from the corners of (50, 0, 400, 300).
    const QRect shown(50, 0, 400, 300);
    const QPoint bottomRight(314, 228), bottomLeft(58, 228), topRight(314, 8), topLeft(58, 8);
    QTest::newRow("nothing to avoid") << shown << QList<QRect>() << bottomRight;
    QTest::newRow("cross bottom right") << shown << QList<QRect>{QRect(395, 255, 31, 31)} << bottomLeft;
    QTest::newRow("one pixel counts") << shown << QList<QRect>{QRect(441, 291, 1, 1), QRect(58, 291, 1, 1)}
                                      << topRight;
    QTest::newRow("bottom and navigator")
        << shown << QList<QRect>{QRect(50, 250, 400, 31), QRect(12, 12, 120, 90)} << topRight;
    QTest::newRow("everywhere: least covered")
        << shown << QList<QRect>{QRect(50, 150, 400, 150), QRect(300, 0, 150, 150), QRect(100, 60, 10, 10)} << topLeft;
}

void tst_AidsOverlay::histogramTakesAFreeCorner()
{
    QFETCH(QRect, shown);
    QFETCH(QList<QRect>, keepClear);
    QFETCH(QPoint, corner);
    QCOMPARE(TVK_GUI_AidsOverlay::histogramRect(shown, keepClear), QRect(corner, QSize(128, 64)));
    // A small picture gets a smaller one, a tiny one none.
    QCOMPARE(TVK_GUI_AidsOverlay::histogramRect(QRect(0, 0, 100, 60), {}), QRect(8, 8, 84, 44));
    QVERIFY(TVK_GUI_AidsOverlay::histogramRect(QRect(0, 0, 40, 30), {}).isEmpty());
}

void tst_AidsOverlay::theViewerPaintsAFrameWithItsAids()
{
    TVK_GUI_ImageViewer viewer;
    viewer.setWantColorMatch(false);
    viewer.resize(500, 300);
    QSignalSpy consumed(&viewer, &TVK_GUI_ImageViewer::signalPixmapConsumed);
    viewer.overlay()->setAids(chosen(true, false, false));
    viewer.overlay()->setRotation(90);
    QPixmap frame(30, 40); // as the live view window turned it
    frame.fill(Qt::black);

    viewer.setFrame(frame, onePeak());
    QCOMPARE(consumed.count(), 1);
    const QRect green = pixelsOf(viewer.grab().toImage().convertToFormat(QImage::Format_RGB32), kGreen);
    QVERIFY(!green.isEmpty());
    QVERIFY(QRectF(138 + 26 * 7.5, 5 * 7.5, 7.5, 7.5).adjusted(-1, -1, 1, 1).contains(QRectF(green)));
    // The next frame alone takes the old marks away.
    viewer.setPixmap(frame);
    QCOMPARE(consumed.count(), 2);
    QVERIFY(pixelsOf(viewer.grab().toImage().convertToFormat(QImage::Format_RGB32), kGreen).isEmpty());
}

void tst_AidsOverlay::theViewerKeepsTheHistogramOffTheMarker()
{
    TVK_GUI_ImageViewer viewer;
    viewer.setWantColorMatch(false);
    viewer.resize(400, 300);
    viewer.setLiveViewMode(2);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QPixmap frame(400, 300);
    frame.fill(Qt::darkGray);
    viewer.setFrame(frame, withHistogram(frame.toImage()));
    viewer.setZoomInfo(0, 1, 0.95, 0.95); // zoomed: the navigator shows
    QVERIFY(!viewer.navigator()->isHidden());
    // The focus cross, 31 pixels square about (380, 285), and the navigator.
    QCOMPARE(viewer.keepClearRects(), (QList<QRect>{QRect(364, 269, 32, 32), viewer.navigator()->geometry()}));

    const QImage without = viewer.grab().toImage();
    viewer.overlay()->setAids(chosen(false, false, true));
    const QImage with = viewer.grab().toImage();
    QVERIFY(!changedIn(without, with, QRect(264, 228, 128, 64)));
    QVERIFY(changedIn(without, with, QRect(8, 228, 128, 64)));
}

void tst_AidsOverlay::rgbHistogramAddsItsChannels()
{
    // Pure yellow: red and green have one bar at 255, blue one at 0.
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(QColor(255, 255, 0));
    Aids aids = chosen(false, false, true);
    aids.histogramKind = Aids::kLERgb;
    TVK_GUI_AidsOverlay overlay;
    overlay.setAids(aids);
    overlay.setFrameAids(withHistogram(picture));

    const QImage image = painted(overlay, QRect(50, 0, 400, 300));
    const QColor high = image.pixelColor(441, 289);
    const QColor low = image.pixelColor(314, 289);
    QVERIFY2(high.red() > 150 && high.green() > 150 && high.blue() < 50, qPrintable(high.name()));
    QVERIFY2(low.blue() > 150 && low.red() < 50 && low.green() < 50, qPrintable(low.name()));
}

void tst_AidsOverlay::clippingStripesMoveAndBlinkWithThePhase()
{
    TVK_Color_FrameAids frame;
    frame.sourceSize = QSize(40, 30);
    // Blown out on the right half, blocked up on the left.
    frame.clipping = marks(frame.sourceSize, TVK_Color_Clipping::kLEHighlight, QRect(0, 0, 20, 30),
                           TVK_Color_Clipping::kLEShadow);
    TVK_GUI_AidsOverlay overlay;
    QSignalSpy changed(&overlay, &TVK_GUI_AidsOverlay::signalChanged);
    overlay.setAids(chosen(false, true, false));
    overlay.setFrameAids(frame);
    QVERIFY(overlay.isAnimating());

    const QRect shown(50, 0, 400, 300);
    const QImage first = painted(overlay, shown);
    const QRect highlight = pixelsOf(first, TVK_GUI_AidsOverlay::kHighlightColour.rgb());
    const QRect shadow = pixelsOf(first, TVK_GUI_AidsOverlay::kShadowColour.rgb());
    QVERIFY(!highlight.isEmpty() && QRect(250, 0, 200, 300).contains(highlight));
    QVERIFY(!shadow.isEmpty() && QRect(50, 0, 200, 300).contains(shadow));
    // Stripes, not a fill: half a period on, the picture shows.
    QVERIFY((first.pixel(300, 100) == qRgb(0, 0, 0)) != (first.pixel(304, 100) == qRgb(0, 0, 0)));

    const int before = changed.count();
    overlay.advancePhase();
    QCOMPARE(changed.count(), before + 1);
    const QImage second = painted(overlay, shown);
    QVERIFY(second != first);
    for (int x = 260; x < 280; ++x) // one pixel along the row
        QCOMPARE(second.pixel(x + 1, 100), first.pixel(x, 100));
    for (int i = 1; i < TVK_GUI_AidsOverlay::kStripePeriod; ++i)
        overlay.advancePhase();
    QCOMPARE(painted(overlay, shown), first);

    Aids blink = chosen(false, true, false);
    blink.clippingStyle = Aids::kLEBlink;
    overlay.setAids(blink);
    QVERIFY(pixelsOf(painted(overlay, shown), TVK_GUI_AidsOverlay::kHighlightColour.rgb()) == QRect(250, 0, 200, 300));
    overlay.advancePhase();
    QCOMPARE(painted(overlay, shown), canvas());
    // The timer runs only while marks are shown.
    overlay.clearFrameAids();
    QVERIFY(!overlay.isAnimating());
}

void tst_AidsOverlay::onionSkinLiesOverThePicture()
{
    QImage skin(40, 30, QImage::Format_RGB32);
    skin.fill(Qt::white);
    Aids aids;
    aids.onionOpacity = 0.4;
    TVK_GUI_AidsOverlay overlay;
    overlay.setOnionSkin(skin);
    overlay.setAids(aids);
    const QRect shown(50, 0, 400, 300);
    QCOMPARE(painted(overlay, shown), canvas());
    aids.onionSkin = true;
    overlay.setAids(aids);
    const QImage image = painted(overlay, shown);
    QCOMPARE(pixelsOf(image, image.pixel(250, 150)), shown);
    QVERIFY(qAbs(qGray(image.pixel(250, 150)) - 102) <= 2);
}

void tst_AidsOverlay::aidsOfAnotherFrameAreIgnored_data()
{
    QTest::addColumn<QSize>("sourceSize");
    QTest::addColumn<QSize>("marksSize");
    QTest::addColumn<int>("marksFormat");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<QSize>("frameSize");
    QTest::addColumn<bool>("drawn");

    const int grey = QImage::Format_Grayscale8;
    const QSize s(40, 30);
    QTest::newRow("fitting") << s << s << grey << 0 << s << true;
    QTest::newRow("fitting, turned") << s << s << grey << 90 << s.transposed() << true;
    QTest::newRow("frame size not told") << s << s << grey << 90 << QSize() << true;
    QTest::newRow("marks of another size") << s << QSize(20, 15) << grey << 0 << s << false;
    QTest::newRow("a copy brought down") << s << s << grey << 0 << QSize(80, 60) << true;
    QTest::newRow("a copy brought down, rounded") << s << s << grey << 90 << QSize(31, 41) << true;
    QTest::newRow("another frame's shape") << s << s << grey << 0 << QSize(80, 50) << false;
    QTest::newRow("a smaller frame") << s << s << grey << 0 << QSize(20, 15) << false;
    QTest::newRow("not turned as the frame") << s << s << grey << 90 << s << false;
    QTest::newRow("no source size") << QSize() << s << grey << 0 << s << false;
    QTest::newRow("marks not 8 bits") << s << s << int(QImage::Format_RGB32) << 0 << s << false;
}

void tst_AidsOverlay::aidsOfAnotherFrameAreIgnored()
{
    QFETCH(QSize, sourceSize);
    QFETCH(QSize, marksSize);
    QFETCH(int, marksFormat);
    QFETCH(int, rotation);
    QFETCH(QSize, frameSize);
    QFETCH(bool, drawn);

    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::white);
    TVK_Color_FrameAids frame = withHistogram(picture);
    frame.sourceSize = sourceSize;
    QImage everywhere(marksSize, QImage::Format(marksFormat));
    everywhere.fill(marksFormat == QImage::Format_Grayscale8 ? 255u : 0xffffffffu);
    frame.peaking = frame.clipping = everywhere;
    TVK_GUI_AidsOverlay overlay;
    overlay.setAids(chosen(true, true, true));
    overlay.setRotation(rotation);
    overlay.setFrameSize(frameSize);
    overlay.setFrameAids(frame);
    QCOMPARE(overlay.frameAidsFit(), drawn);
    QCOMPARE(overlay.isAnimating(), drawn);

    g_mismatchLines = 0;
    g_previousHandler = qInstallMessageHandler(countMismatches);
    const QRect shown = rotation % 180 ? QRect(138, 0, 225, 300) : QRect(50, 0, 400, 300);
    const QImage first = painted(overlay, shown);
    overlay.setFrameAids(frame); // the next frame, alike
    const QImage second = painted(overlay, shown);
    qInstallMessageHandler(g_previousHandler);
    QCOMPARE(first != canvas(), drawn);
    QCOMPARE(second, first);
    QCOMPARE(g_mismatchLines, drawn ? 0 : 1); // told once, not once a paint or a frame
}

QTEST_MAIN(tst_AidsOverlay)
#include "tst_aidsoverlay.moc"
