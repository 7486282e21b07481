#include "TVK_Color_Clipping.h"
#include "TVK_Color_FocusPeaking.h"
#include "TVK_Color_FrameAids.h"
#include "TVK_Color_Histogram.h"
#include "TVK_GUI_AidsOverlay.h"
#include "TVK_GUI_GuideGeometry.h"
#include "TVK_GUI_ImageViewer.h"
#include "TVK_GUI_LiveViewNavigatorWidget.h"
#include "TVK_GUI_ViewAids.h"

#include <QPainter>
#include <QSet>
#include <QtTest>

#include <algorithm>

Q_DECLARE_METATYPE(QVector<QLineF>)
Q_DECLARE_METATYPE(QList<QRect>)
Q_DECLARE_METATYPE(TVK_GUI_ViewAids::eLEGuide)
Q_DECLARE_METATYPE(TVK_GUI_ViewAids::eLECrop)

namespace {

using Aids = TVK_GUI_ViewAids;

// The rectangle a viewer of the window's size shows a frame in, after the
// live view window turned it: the place every aid must keep to.
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

bool sameLine(const QLineF &a, const QLineF &b)
{
    return near(a.x1(), b.x1()) && near(a.y1(), b.y1()) && near(a.x2(), b.x2()) && near(a.y2(), b.y2());
}

QVector<QLineF> sorted(QVector<QLineF> lines)
{
    std::sort(lines.begin(), lines.end(), [](const QLineF &a, const QLineF &b) {
        return std::make_tuple(a.x1(), a.y1(), a.x2(), a.y2()) < std::make_tuple(b.x1(), b.y1(), b.x2(), b.y2());
    });
    return lines;
}

QString describe(const QVector<QLineF> &lines)
{
    QStringList parts;
    for (const QLineF &line : lines)
        parts << QStringLiteral("(%1,%2)-(%3,%4)").arg(line.x1()).arg(line.y1()).arg(line.x2()).arg(line.y2());
    return parts.join(QLatin1Char(' '));
}

QVector<QLineF> verticals(const QVector<double> &xs, double top, double bottom)
{
    QVector<QLineF> lines;
    for (double x : xs)
        lines << QLineF(x, top, x, bottom);
    return lines;
}

QVector<QLineF> horizontals(const QVector<double> &ys, double left, double right)
{
    QVector<QLineF> lines;
    for (double y : ys)
        lines << QLineF(left, y, right, y);
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
    painter.end();
    return image;
}

QImage marks(const QSize &size, uchar value = 0)
{
    QImage image(size, QImage::Format_Grayscale8);
    image.fill(value);
    return image;
}

// setPixel would take the value for a colour and store its grey.
void setMark(QImage &marks, int x, int y, uchar value)
{
    marks.scanLine(y)[x] = value;
}

// The bounding box of the pixels of one colour.
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
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return true;
    return false;
}

Aids peakingAids()
{
    Aids aids;
    aids.analysis.peaking = true;
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

// Counts the lines the overlay logs about aids that do not fit.
int g_mismatchLines = 0;
QtMessageHandler g_previousHandler = nullptr;
void countMismatches(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (text.contains(QLatin1String("do not fit")))
        ++g_mismatchLines;
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
    void theViewerPaintsAFrameWithItsAids();
    void histogramTakesAFreeCorner_data();
    void histogramTakesAFreeCorner();
    void histogramPaintsAvoidingTheMarker();
    void theViewerKeepsTheHistogramOffMarkerAndNavigator();
    void rgbHistogramAddsItsChannels();
    void clippingStripesMoveWithThePhase();
    void clippingBlinksOnAlternatePhases();
    void clippingAnimatesOnlyWhileShown();
    void aidsOfAnotherFrameAreIgnored_data();
    void aidsOfAnotherFrameAreIgnored();
    void everyAidSettingTellsAidsApart();
};

void tst_AidsOverlay::guideLinesLandInTheShownPicture_data()
{
    QTest::addColumn<QSize>("window");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<Aids::eLEGuide>("guide");
    QTest::addColumn<QRect>("shown");
    QTest::addColumn<QVector<QLineF>>("lines");

    // A 400 x 300 frame: in a 500 x 300 window at x 50; in a 300 x 500 one
    // 300 x 225 at y 138; turned a quarter, 225 x 300 at x 138
    // (half a pixel rounds down the right, as QLabel places it).
    const QSize wide(500, 300);
    const QSize tall(300, 500);
    const QRect wideShown(50, 0, 400, 300);
    const QRect tallShown(0, 138, 300, 225);
    const QRect turnedShown(138, 0, 225, 300);
    QTest::newRow("thirds, wide window")
        << wide << 0 << Aids::kLEThirds << wideShown
        << verticals({50 + 400 / 3.0, 50 + 800 / 3.0}, 0, 300) + horizontals({100, 200}, 50, 450);
    QTest::newRow("golden section, tall window")
        << tall << 0 << Aids::kLEGolden << tallShown
        << verticals({114.6, 185.4}, 138, 363) + horizontals({138 + 0.382 * 225, 138 + 0.618 * 225}, 0, 300);
    QTest::newRow("diagonals, turned 90") << wide << 90 << Aids::kLEDiagonals << turnedShown
                                          << QVector<QLineF>{QLineF(138, 0, 363, 300), QLineF(363, 0, 138, 300)};
    QTest::newRow("centre cross, turned 180") << wide << 180 << Aids::kLECentreCross << wideShown
                                              << verticals({250}, 0, 300) + horizontals({150}, 50, 450);
    // Cells of a quarter of the short side, from the centre out; none on an edge.
    QTest::newRow("grid, wide window") << wide << 0 << Aids::kLEGrid << wideShown
                                       << verticals({100, 175, 250, 325, 400}, 0, 300)
                                              + horizontals({75, 150, 225}, 50, 450);
    QTest::newRow("grid, turned 270") << wide << 270 << Aids::kLEGrid << turnedShown
                                      << verticals({194.25, 250.5, 306.75}, 0, 300)
                                             + horizontals({37.5, 93.75, 150, 206.25, 262.5}, 138, 363);
    QTest::newRow("thirds, turned 90 in a tall window")
        << tall << 90 << Aids::kLEThirds << QRect(0, 50, 300, 400)
        << verticals({100, 200}, 50, 450) + horizontals({50 + 400 / 3.0, 50 + 800 / 3.0}, 0, 300);
    QTest::newRow("no guide") << wide << 0 << Aids::kLEGuideNone << wideShown << QVector<QLineF>();
}

void tst_AidsOverlay::guideLinesLandInTheShownPicture()
{
    QFETCH(QSize, window);
    QFETCH(int, rotation);
    QFETCH(Aids::eLEGuide, guide);
    QFETCH(QRect, shown);
    QFETCH(QVector<QLineF>, lines);

    QCOMPARE(shownRectOf(window, QSize(400, 300), rotation), shown);
    const QVector<QLineF> got = sorted(TVK_GUI_GuideGeometry::linesOf(guide, QRectF(shown)));
    const QVector<QLineF> expected = sorted(lines);
    QVERIFY2(got.size() == expected.size()
                 && std::equal(got.begin(), got.end(), expected.begin(), sameLine),
             qPrintable(describe(got)));
    // No picture, nothing to guide.
    QVERIFY(TVK_GUI_GuideGeometry::linesOf(guide, QRectF(shownRectOf(window, QSize(), 0))).isEmpty());
}

void tst_AidsOverlay::cropFramesAreCentredAndAsLargeAsFit_data()
{
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<Aids::eLECrop>("crop");
    QTest::addColumn<QRectF>("expected");

    const QSize wide(500, 300);
    const QSize tall(300, 500);
    const QSize frame(400, 300);
    // Shown: wide and turned 180 at (50, 0, 400, 300); turned 90 or 270 at
    // (138, 0, 225, 300); in the tall window at (0, 138, 300, 225).
    QTest::newRow("1:1, wide window") << wide << frame << 0 << Aids::kLECrop1x1 << QRectF(100, 0, 300, 300);
    QTest::newRow("16:9 lying") << wide << frame << 0 << Aids::kLECrop16x9 << QRectF(50, 37.5, 400, 225);
    QTest::newRow("16:9 stands up, turned 90")
        << wide << frame << 90 << Aids::kLECrop16x9 << QRectF(166.125, 0, 168.75, 300);
    QTest::newRow("2:3 lying, tall window")
        << tall << frame << 0 << Aids::kLECrop2x3 << QRectF(0, 150.5, 300, 200);
    QTest::newRow("2:3 stands up, turned 270") << wide << frame << 270 << Aids::kLECrop2x3
                                               << QRectF(150.5, 0, 200, 300);
    QTest::newRow("4:5 upright over a lying picture")
        << wide << frame << 0 << Aids::kLECrop4x5 << QRectF(130, 0, 240, 300);
    QTest::newRow("4:5 upright, turned 90") << wide << frame << 90 << Aids::kLECrop4x5
                                            << QRectF(138, 9.375, 225, 281.25);
    QTest::newRow("5:4 lying, tall window")
        << tall << frame << 0 << Aids::kLECrop5x4 << QRectF(9.375, 138, 281.25, 225);
    QTest::newRow("5:4 lying, turned 180") << wide << frame << 180 << Aids::kLECrop5x4
                                           << QRectF(62.5, 0, 375, 300);
    QTest::newRow("5:4 lying over a standing picture")
        << wide << frame << 270 << Aids::kLECrop5x4 << QRectF(138, 60, 225, 180);
    // A square picture counts as lying.
    QTest::newRow("16:9 over a square") << wide << QSize(300, 300) << 90 << Aids::kLECrop16x9
                                        << QRectF(100, 65.625, 300, 168.75);
    QTest::newRow("no frame") << wide << frame << 0 << Aids::kLECropNone << QRectF();
    QTest::newRow("no picture") << wide << QSize() << 0 << Aids::kLECrop1x1 << QRectF();
}

void tst_AidsOverlay::cropFramesAreCentredAndAsLargeAsFit()
{
    QFETCH(QSize, window);
    QFETCH(QSize, frame);
    QFETCH(int, rotation);
    QFETCH(Aids::eLECrop, crop);
    QFETCH(QRectF, expected);

    const QRectF shown(shownRectOf(window, frame, rotation));
    const QRectF got = TVK_GUI_GuideGeometry::cropRect(crop, shown);
    const QString text = QStringLiteral("%1,%2 %3x%4").arg(got.x()).arg(got.y()).arg(got.width()).arg(got.height());
    QVERIFY2(near(got.x(), expected.x()) && near(got.y(), expected.y()) && near(got.width(), expected.width())
                 && near(got.height(), expected.height()),
             qPrintable(text));
    if (!expected.isEmpty()) {
        QVERIFY(shown.contains(got));
        // As large as fits: it touches both sides of one direction.
        QVERIFY(near(got.width(), shown.width()) || near(got.height(), shown.height()));
    }
}

void tst_AidsOverlay::peakingMarksFollowTheTurn_data()
{
    QTest::addColumn<int>("rotation");
    QTest::addColumn<QRect>("shown");
    QTest::addColumn<QRectF>("block");

    // One marked pixel at (5, 3) of a 40 x 30 frame. Shown lying, it is 10 x
    // 10 pixels; turned, the frame is 225 x 300 and the pixel 7.5 square.
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
    TVK_Color_FrameAids frame;
    frame.sourceSize = QSize(40, 30);
    frame.peaking = marks(frame.sourceSize);
    setMark(frame.peaking, 5, 3, TVK_Color_FocusPeaking::kMarked);
    TVK_GUI_AidsOverlay overlay;
    overlay.setAids(peakingAids());
    overlay.setRotation(rotation);
    overlay.setFrameSize(rotation % 180 ? QSize(30, 40) : QSize(40, 30));
    overlay.setFrameAids(frame);

    const QImage image = painted(overlay, shown);
    const QRect green = pixelsOf(image, qRgb(0, 255, 0));
    QVERIFY(!green.isEmpty());
    const QPoint centre = block.center().toPoint();
    QCOMPARE(image.pixel(centre), qRgb(0, 255, 0));
    // Nearest sampling rounds a half-pixel edge either way.
    QVERIFY2(block.adjusted(-1, -1, 1, 1).contains(QRectF(green)),
             qPrintable(QStringLiteral("%1,%2 %3x%4").arg(green.x()).arg(green.y()).arg(green.width())
                            .arg(green.height())));
    QVERIFY(green.width() >= int(block.width()) - 1 && green.height() >= int(block.height()) - 1);
}

void tst_AidsOverlay::theViewerPaintsAFrameWithItsAids()
{
    TVK_GUI_ImageViewer viewer;
    viewer.setWantColorMatch(false);
    viewer.resize(500, 300);
    QSignalSpy consumed(&viewer, &TVK_GUI_ImageViewer::signalPixmapConsumed);
    viewer.overlay()->setAids(peakingAids());
    viewer.overlay()->setRotation(90);
    TVK_Color_FrameAids aids;
    aids.sourceSize = QSize(40, 30);
    aids.peaking = marks(aids.sourceSize);
    setMark(aids.peaking, 5, 3, TVK_Color_FocusPeaking::kMarked);
    QPixmap frame(30, 40); // as the live view window turned it
    frame.fill(Qt::black);

    viewer.setFrame(frame, aids);
    QCOMPARE(consumed.count(), 1);
    const QImage withMarks = viewer.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect green = pixelsOf(withMarks, qRgb(0, 255, 0));
    QVERIFY(QRectF(138 + 26 * 7.5, 5 * 7.5, 7.5, 7.5).adjusted(-1, -1, 1, 1).contains(QRectF(green)));
    QVERIFY(!green.isEmpty());

    // The next frame alone takes the old marks away.
    viewer.setPixmap(frame);
    QCOMPARE(consumed.count(), 2);
    QVERIFY(pixelsOf(viewer.grab().toImage().convertToFormat(QImage::Format_RGB32), qRgb(0, 255, 0)).isEmpty());
}

void tst_AidsOverlay::histogramTakesAFreeCorner_data()
{
    QTest::addColumn<QRect>("shown");
    QTest::addColumn<QList<QRect>>("keepClear");
    QTest::addColumn<QRect>("expected");

    // 128 x 64, 8 pixels in from the corners of (50, 0, 400, 300).
    const QRect shown(50, 0, 400, 300);
    const QSize size(128, 64);
    const QRect bottomRight(QPoint(314, 228), size);
    const QRect bottomLeft(QPoint(58, 228), size);
    const QRect topRight(QPoint(314, 8), size);
    const QRect topLeft(QPoint(58, 8), size);
    const QRect navigator(12, 12, 120, 90);
    QTest::newRow("nothing to avoid") << shown << QList<QRect>() << bottomRight;
    QTest::newRow("focus cross bottom right") << shown << QList<QRect>{QRect(395, 255, 31, 31)} << bottomLeft;
    QTest::newRow("touching by one pixel counts")
        << shown << QList<QRect>{QRect(441, 291, 1, 1), QRect(58, 291, 1, 1)} << topRight;
    QTest::newRow("cross at the bottom, navigator top left")
        << shown << QList<QRect>{QRect(50, 250, 400, 31), navigator} << topRight;
    QTest::newRow("everywhere: the least covered corner")
        << shown << QList<QRect>{QRect(50, 150, 400, 150), QRect(300, 0, 150, 150), QRect(100, 60, 10, 10)}
        << topLeft;
    QTest::newRow("small picture, smaller histogram")
        << QRect(0, 0, 100, 60) << QList<QRect>() << QRect(8, 8, 84, 44);
    QTest::newRow("too small for one") << QRect(0, 0, 40, 30) << QList<QRect>() << QRect();
}

void tst_AidsOverlay::histogramTakesAFreeCorner()
{
    QFETCH(QRect, shown);
    QFETCH(QList<QRect>, keepClear);
    QFETCH(QRect, expected);
    QCOMPARE(TVK_GUI_AidsOverlay::histogramRect(shown, keepClear), expected);
}

void tst_AidsOverlay::histogramPaintsAvoidingTheMarker()
{
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(QColor(128, 128, 128));
    Aids aids;
    aids.analysis.histogram = true;
    TVK_GUI_AidsOverlay overlay;
    overlay.setAids(aids);
    overlay.setFrameAids(withHistogram(picture));

    const QRect shown(50, 0, 400, 300);
    const QList<QRect> cross{QRect(395, 255, 31, 31)};
    const QImage plain = canvas(Qt::white);
    const QImage image = painted(overlay, shown, cross, Qt::white);
    QVERIFY(!changedIn(plain, image, QRect(314, 228, 128, 64)));
    QVERIFY(changedIn(plain, image, QRect(58, 228, 128, 64)));
    // Semi-transparent: the picture shows through, darkened.
    const int behind = qGray(image.pixel(60, 230));
    QVERIFY2(behind > 60 && behind < 200, qPrintable(QString::number(behind)));
}

void tst_AidsOverlay::theViewerKeepsTheHistogramOffMarkerAndNavigator()
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
    viewer.setZoomInfo(0, 1, 0.95, 0.95); // zoomed: the navigator is shown
    QVERIFY(!viewer.navigator()->isHidden());
    const QRect navigator = viewer.navigator()->geometry();
    // The focus cross, 31 pixels square, centred on (380, 285).
    QCOMPARE(viewer.keepClearRects(), (QList<QRect>{QRect(364, 269, 32, 32), navigator}));

    const QImage without = viewer.grab().toImage();
    Aids aids;
    aids.analysis.histogram = true;
    viewer.overlay()->setAids(aids);
    const QImage with = viewer.grab().toImage();
    const QRect expected = TVK_GUI_AidsOverlay::histogramRect(QRect(0, 0, 400, 300), viewer.keepClearRects());
    QCOMPARE(expected.topLeft(), QPoint(8, 228)); // bottom left
    QVERIFY(!changedIn(without, with, QRect(264, 228, 128, 64)));
    QVERIFY(changedIn(without, with, expected));
    QVERIFY(!expected.intersects(navigator));
}

void tst_AidsOverlay::rgbHistogramAddsItsChannels()
{
    // Every pixel pure yellow: red and green have one bar at 255, blue at 0.
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(QColor(255, 255, 0));
    Aids aids;
    aids.analysis.histogram = true;
    aids.histogramKind = Aids::kLERgb;
    TVK_GUI_AidsOverlay overlay;
    overlay.setAids(aids);
    overlay.setFrameAids(withHistogram(picture));

    const QRect place = TVK_GUI_AidsOverlay::histogramRect(QRect(50, 0, 400, 300), {});
    const QImage image = painted(overlay, QRect(50, 0, 400, 300));
    const QColor high = image.pixelColor(place.right(), place.bottom() - 2);
    const QColor low = image.pixelColor(place.left(), place.bottom() - 2);
    QVERIFY2(high.red() > 150 && high.green() > 150 && high.blue() < 50, qPrintable(high.name()));
    QVERIFY2(low.blue() > 150 && low.red() < 50 && low.green() < 50, qPrintable(low.name()));
    // Between them no level holds a pixel.
    QCOMPARE(image.pixelColor(place.center()), image.pixelColor(place.center() + QPoint(1, 0)));
}

void tst_AidsOverlay::clippingStripesMoveWithThePhase()
{
    TVK_Color_FrameAids frame;
    frame.sourceSize = QSize(40, 30);
    frame.clipping = marks(frame.sourceSize, TVK_Color_Clipping::kLEHighlight);
    // The left half blocked up instead.
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 20; ++x)
            setMark(frame.clipping, x, y, TVK_Color_Clipping::kLEShadow);
    Aids aids;
    aids.analysis.clipping = true;
    TVK_GUI_AidsOverlay overlay;
    overlay.setAids(aids);
    overlay.setFrameAids(frame);

    const QRect shown(50, 0, 400, 300);
    const QImage first = painted(overlay, shown);
    const QRect highlight = pixelsOf(first, TVK_GUI_AidsOverlay::kHighlightColour.rgb());
    const QRect shadow = pixelsOf(first, TVK_GUI_AidsOverlay::kShadowColour.rgb());
    QVERIFY(QRect(250, 0, 200, 300).contains(highlight) && !highlight.isEmpty());
    QVERIFY(QRect(50, 0, 200, 300).contains(shadow) && !shadow.isEmpty());
    // Stripes, not a fill: black shows between them.
    QCOMPARE(first.pixel(300, 100) == qRgb(0, 0, 0), first.pixel(300 + TVK_GUI_AidsOverlay::kStripePeriod / 2, 100)
                                                       != qRgb(0, 0, 0));

    overlay.advancePhase();
    const QImage second = painted(overlay, shown);
    QVERIFY(second != first);
    // Moved by one pixel along the row.
    for (int x = 260; x < 280; ++x)
        QCOMPARE(second.pixel(x + 1, 100), first.pixel(x, 100));
    for (int i = 1; i < TVK_GUI_AidsOverlay::kStripePeriod; ++i)
        overlay.advancePhase();
    QCOMPARE(overlay.phase(), 0);
    QCOMPARE(painted(overlay, shown), first);
}

void tst_AidsOverlay::clippingBlinksOnAlternatePhases()
{
    TVK_Color_FrameAids frame;
    frame.sourceSize = QSize(40, 30);
    frame.clipping = marks(frame.sourceSize, TVK_Color_Clipping::kLEHighlight);
    Aids aids;
    aids.analysis.clipping = true;
    aids.clippingStyle = Aids::kLEBlink;
    TVK_GUI_AidsOverlay overlay;
    overlay.setAids(aids);
    overlay.setFrameAids(frame);

    const QRect shown(50, 0, 400, 300);
    QCOMPARE(pixelsOf(painted(overlay, shown), TVK_GUI_AidsOverlay::kHighlightColour.rgb()), shown);
    overlay.advancePhase();
    QCOMPARE(painted(overlay, shown), canvas());
    overlay.advancePhase();
    QCOMPARE(overlay.phase(), 0);
}

void tst_AidsOverlay::clippingAnimatesOnlyWhileShown()
{
    TVK_GUI_AidsOverlay overlay;
    QSignalSpy changed(&overlay, &TVK_GUI_AidsOverlay::signalChanged);
    TVK_Color_FrameAids frame;
    frame.sourceSize = QSize(40, 30);
    frame.clipping = marks(frame.sourceSize);
    overlay.setFrameAids(frame);
    QVERIFY(!overlay.isAnimating());

    Aids aids;
    aids.analysis.clipping = true;
    overlay.setAids(aids);
    QVERIFY(overlay.isAnimating());
    const int before = changed.count();
    QTRY_VERIFY(changed.count() >= before + 2);

    overlay.clearFrameAids();
    QVERIFY(!overlay.isAnimating());
    overlay.setFrameAids(frame);
    QVERIFY(overlay.isAnimating());
    aids.analysis.clipping = false;
    overlay.setAids(aids);
    QVERIFY(!overlay.isAnimating());
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
    QTest::newRow("fitting") << QSize(40, 30) << QSize(40, 30) << grey << 0 << QSize(40, 30) << true;
    QTest::newRow("fitting, turned") << QSize(40, 30) << QSize(40, 30) << grey << 90 << QSize(30, 40) << true;
    QTest::newRow("frame size not told") << QSize(40, 30) << QSize(40, 30) << grey << 90 << QSize() << true;
    QTest::newRow("marks of another size") << QSize(40, 30) << QSize(20, 15) << grey << 0 << QSize(40, 30) << false;
    QTest::newRow("another frame's size") << QSize(40, 30) << QSize(40, 30) << grey << 0 << QSize(80, 60) << false;
    QTest::newRow("not turned as the frame")
        << QSize(40, 30) << QSize(40, 30) << grey << 90 << QSize(40, 30) << false;
    QTest::newRow("no source size") << QSize() << QSize(40, 30) << grey << 0 << QSize(40, 30) << false;
    QTest::newRow("marks not 8 bits") << QSize(40, 30) << QSize(40, 30) << int(QImage::Format_RGB32) << 0
                                      << QSize(40, 30) << false;
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
    frame.peaking = everywhere;
    frame.clipping = everywhere;
    Aids aids = peakingAids();
    aids.analysis.clipping = true;
    aids.analysis.histogram = true;
    TVK_GUI_AidsOverlay overlay;
    overlay.setAids(aids);
    overlay.setRotation(rotation);
    overlay.setFrameSize(frameSize);
    overlay.setFrameAids(frame);
    QCOMPARE(overlay.frameAidsFit(), drawn);
    QCOMPARE(overlay.isAnimating(), drawn);

    g_mismatchLines = 0;
    g_previousHandler = qInstallMessageHandler(countMismatches);
    const QRect shown = rotation % 180 ? QRect(138, 0, 225, 300) : QRect(50, 0, 400, 300);
    const QImage first = painted(overlay, shown);
    const QImage second = painted(overlay, shown);
    qInstallMessageHandler(g_previousHandler);

    QCOMPARE(first != canvas(), drawn);
    QCOMPARE(second, first);
    // Told once, not once a paint.
    QCOMPARE(g_mismatchLines, drawn ? 0 : 1);
}

void tst_AidsOverlay::everyAidSettingTellsAidsApart()
{
    const Aids base;
    QVector<Aids> changed(10, base);
    changed[0].analysis.peaking = true;
    changed[1].histogramKind = Aids::kLERgb;
    changed[2].histogramLogarithmic = true;
    changed[3].clippingStyle = Aids::kLEBlink;
    changed[4].peakingColour = Aids::kLEYellow;
    changed[5].guide = Aids::kLEGrid;
    changed[6].crop = Aids::kLECrop2x3;
    changed[7].onionSkin = true;
    changed[8].onionOpacity = 0.5;
    changed[9].analysis.highlight = 240;
    for (const Aids &other : changed) {
        QVERIFY(other != base);
        QVERIFY(other == other);
    }
    // Every colour its own, and an unknown one still visible.
    QSet<QRgb> colours;
    for (int c = 0; c < Aids::kLEPeakingColourCount; ++c)
        colours << Aids::colourOf(Aids::eLEPeakingColour(c)).rgba();
    QCOMPARE(colours.size(), int(Aids::kLEPeakingColourCount));
    QCOMPARE(qAlpha(Aids::colourOf(Aids::eLEPeakingColour(99)).rgba()), 255);
}

QTEST_MAIN(tst_AidsOverlay)
#include "tst_aidsoverlay.moc"
