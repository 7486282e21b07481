#include "TVK_Emulator_PictureMaker.h"
#include "TVK_GUI_AidsOverlay.h"
#include "TVK_GUI_ImageViewer.h"
#include "TVK_GUI_Loupe.h"
#include "TVK_GUI_QuickViewWindow.h"
#include "TVK_GUI_Settings.h"
#include "TVK_GUI_ShotDataWidget.h"
#include "TVK_GUI_ViewAidsStore.h"
#include "TVK_GUI_ViewAidsToolBar.h"
#include "TVK_Logic_ShotData.h"
#include "TVK_Test_Home.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QAction>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

using Maker = TVK_Emulator_PictureMaker;

// Each pixel tells where it lies in the picture, so that a pixel on screen
// tells which one of the source it is.
QImage coordinatePicture(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x & 0xff, y & 0xff, ((x >> 8) << 4) | (y >> 8)));
    }
    return image;
}

QPoint coordinateOf(QRgb pixel)
{
    return QPoint(qRed(pixel) | ((qBlue(pixel) >> 4) << 8), qGreen(pixel) | ((qBlue(pixel) & 0xf) << 8));
}

QByteArray png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The source pixel at a point of the loupe, its middle by default.
QPoint inLoupe(TVK_GUI_Loupe *loupe, QPoint at = QPoint(-1, -1))
{
    const QImage shot = loupe->grab().toImage();
    return coordinateOf(shot.pixel(at.x() < 0 ? QPoint(shot.width() / 2, shot.height() / 2) : at));
}

void dragBy(QWidget *widget, const QPoint &from, const QPoint &by)
{
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, from);
    // In small steps, as a hand moves; QTest's own move carries no button.
    for (int step = 1; step <= 4; ++step) {
        const QPoint at = from + by * step / 4;
        QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, from + by);
}

// Larger than the loupe by far in both directions, turned or not.
const QSize kPicture(2400, 1600);

} // namespace

class tst_QuickView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup();

    void viewerPointsMapToTheSource_data();
    void viewerPointsMapToTheSource();
    void shownPartStopsAtTheEdges_data();
    void shownPartStopsAtTheEdges();
    void loupeOpensWhereClickedAndFollowsTheDrag_data();
    void loupeOpensWhereClickedAndFollowsTheDrag();
    void keysOpenAndCloseTheLoupe();
    void largerLoupeSourceKeepsThePlace();

    void fieldsAreFormatted_data();
    void fieldsAreFormatted();
    void windowShowsTheLineUnderThePicture();
    void aidsAreMadeFromTheShownPicture();
    void loupeShowsTheViewersColours();
    void savedFileGivesTheLineAndTheLoupe_data();
    void savedFileGivesTheLineAndTheLoupe();

private:
    TVK_GUI_QuickViewWindow *show(int orientation, const QSize &size = kPicture);

    std::unique_ptr<TVK_GUI_QuickViewWindow> m_quick;
};

void tst_QuickView::cleanup()
{
    if (m_quick)
        delete m_quick->window();
    m_quick.reset();
}

TVK_GUI_QuickViewWindow *tst_QuickView::show(int orientation, const QSize &size)
{
    m_quick = std::make_unique<TVK_GUI_QuickViewWindow>(nullptr);
    m_quick->showQuickView(png(coordinatePicture(size)), QStringLiteral("/p/Shot00012.PNG"), orientation);
    // The pixels tell their places only unconverted.
    m_quick->viewer()->setWantColorMatch(false);
    return QTest::qWaitForWindowExposed(m_quick->window()) ? m_quick.get() : nullptr;
}

void tst_QuickView::viewerPointsMapToTheSource_data()
{
    QTest::addColumn<QRectF>("shown");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<QPointF>("expected");

    // A 600 x 400 source in a 500 x 300 viewer: 450 x 300 from x = 25 as it
    // is, 200 x 300 from x = 150 turned by a quarter. The shown rect is in
    // logical pixels, at @2x as at @1x.
    const QRectF wide(25, 0, 450, 300);
    const QRectF tall(150, 0, 200, 300);
    QTest::newRow("as taken, bottom-right") << wide << 0 << QPointF(475, 300) << QPointF(600, 400);
    QTest::newRow("as taken, a quarter in") << wide << 0 << QPointF(137.5, 75) << QPointF(150, 100);
    QTest::newRow("letterbox holds at the edge") << wide << 0 << QPointF(3, 320) << QPointF(0, 400);
    // Turned clockwise, the source's bottom-left corner is shown at the top-left.
    QTest::newRow("90, a quarter in") << tall << 90 << QPointF(200, 75) << QPointF(150, 300);
    QTest::newRow("180, a quarter in") << wide << 180 << QPointF(137.5, 75) << QPointF(450, 300);
    QTest::newRow("270, a quarter in") << tall << 270 << QPointF(200, 75) << QPointF(450, 100);
    QTest::newRow("no known turn is none") << wide << 45 << QPointF(25, 0) << QPointF(0, 0);
    QTest::newRow("nothing shown: the middle") << QRectF() << 0 << QPointF(25, 0) << QPointF(300, 200);
}

void tst_QuickView::viewerPointsMapToTheSource()
{
    QFETCH(QRectF, shown);
    QFETCH(int, rotation);
    QFETCH(QPointF, point);
    QFETCH(QPointF, expected);
    QCOMPARE(TVK_GUI_Loupe::sourcePoint(point, shown, QSize(600, 400), rotation), expected);
}

void tst_QuickView::shownPartStopsAtTheEdges_data()
{
    QTest::addColumn<QPointF>("centre");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<QSize>("source");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<QRect>("expected"); // for a loupe of 500 x 300

    const QSize big(6000, 4000);
    QTest::newRow("middle") << QPointF(3000, 2000) << 1.0 << big << 0 << QRect(2750, 1850, 500, 300);
    QTest::newRow("@2x: a source pixel a device pixel")
        << QPointF(3000, 2000) << 2.0 << big << 0 << QRect(2500, 1700, 1000, 600);
    QTest::newRow("@1.5x") << QPointF(3000, 2000) << 1.5 << big << 0 << QRect(2625, 1775, 750, 450);
    QTest::newRow("beyond the bottom-left") << QPointF(-800, 9000) << 1.0 << big << 0 << QRect(0, 3700, 500, 300);
    QTest::newRow("@2x at the right edge")
        << QPointF(5900, 2000) << 2.0 << big << 0 << QRect(5000, 1700, 1000, 600);
    QTest::newRow("90 stands upright") << QPointF(3000, 2000) << 1.0 << big << 90 << QRect(2850, 1750, 300, 500);
    QTest::newRow("270 at a corner") << QPointF(0, 4000) << 1.0 << big << 270 << QRect(0, 3500, 300, 500);
    QTest::newRow("source smaller") << QPointF(50, 50) << 1.0 << QSize(400, 200) << 0 << QRect(0, 0, 400, 200);
    QTest::newRow("no source") << QPointF(0, 0) << 1.0 << QSize() << 0 << QRect();
}

void tst_QuickView::shownPartStopsAtTheEdges()
{
    QFETCH(QPointF, centre);
    QFETCH(double, ratio);
    QFETCH(QSize, source);
    QFETCH(int, rotation);
    QFETCH(QRect, expected);
    QCOMPARE(TVK_GUI_Loupe::sourceRect(centre, QSize(500, 300), ratio, source, rotation), expected);
}

void tst_QuickView::loupeOpensWhereClickedAndFollowsTheDrag_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QPoint>("clicked");    // the source pixel under a click a quarter into the shown picture
    QTest::addColumn<QPoint>("rightwards"); // the source's step under one screen pixel to the right
    QTest::addColumn<QPoint>("dragged");    // the move of the middle's source pixel for a drag by (40, 25)

    QTest::newRow("1 as taken") << 1 << QPoint(600, 400) << QPoint(1, 0) << QPoint(-40, -25);
    QTest::newRow("6 a quarter clockwise") << 6 << QPoint(600, 1200) << QPoint(0, -1) << QPoint(-25, 40);
    QTest::newRow("3 upside down") << 3 << QPoint(1800, 1200) << QPoint(-1, 0) << QPoint(40, 25);
    QTest::newRow("8 a quarter anticlockwise") << 8 << QPoint(1800, 400) << QPoint(0, 1) << QPoint(25, -40);
}

void tst_QuickView::loupeOpensWhereClickedAndFollowsTheDrag()
{
    QFETCH(int, orientation);
    QFETCH(QPoint, clicked);
    QFETCH(QPoint, rightwards);
    QFETCH(QPoint, dragged);
    TVK_GUI_QuickViewWindow *quick = show(orientation);
    QVERIFY(quick);
    TVK_GUI_ImageViewer *viewer = quick->viewer();
    TVK_GUI_Loupe *loupe = quick->loupe();
    QTRY_VERIFY(!viewer->shownPixmapRect().isEmpty());
    const QRect shown = viewer->shownPixmapRect();
    if (shown.left() > 0) {
        QTest::mouseClick(viewer, Qt::LeftButton, Qt::NoModifier, QPoint(shown.left() - 1, shown.center().y()));
        QVERIFY2(!loupe->isOpen(), "opened beside the picture");
    }
    QTest::mouseClick(viewer, Qt::LeftButton, Qt::NoModifier,
                      shown.topLeft() + QPoint(shown.width() / 4, shown.height() / 4));
    QVERIFY(loupe->isOpen());
    QCOMPARE(loupe->geometry(), viewer->geometry());
    const QPoint middle = inLoupe(loupe);
    const QPoint right = inLoupe(loupe, QPoint(loupe->width() / 2 + 1, loupe->height() / 2));
    // One viewer pixel spans about four source pixels here.
    QVERIFY2((middle - clicked).manhattanLength() <= 8,
             qPrintable(QStringLiteral("(%1, %2)").arg(middle.x()).arg(middle.y())));
    QCOMPARE(right - middle, rightwards);

    dragBy(loupe, QPoint(100, 100), QPoint(40, 25));
    QVERIFY2(loupe->isOpen(), "a drag is no click");
    QCOMPARE(inLoupe(loupe) - middle, dragged);
    // However far it is dragged, it stops at the picture's corner, and the
    // way back starts there at once.
    dragBy(loupe, QPoint(10, 10), QPoint(3000, 3000));
    const QRect part = loupe->shownSourceRect();
    QVERIFY(QRect(QPoint(0, 0), kPicture).contains(part));
    const QPoint corner = inLoupe(loupe, QPoint(0, 0));
    QVERIFY(corner.x() == part.left() || corner.x() == part.right());
    QVERIFY(corner.y() == part.top() || corner.y() == part.bottom());
    const QPoint stopped = inLoupe(loupe);
    dragBy(loupe, QPoint(200, 200), QPoint(-40, -25));
    QCOMPARE(inLoupe(loupe) - stopped, -dragged);

    QTest::mouseClick(loupe, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QVERIFY2(!loupe->isOpen(), "a second click leaves it open");
}

void tst_QuickView::keysOpenAndCloseTheLoupe()
{
    TVK_GUI_QuickViewWindow *quick = show(1);
    QVERIFY(quick);
    QWidget *window = quick->window();
    TVK_GUI_Loupe *loupe = quick->loupe();
    for (Qt::Key key : {Qt::Key_Z, Qt::Key_Space}) {
        QTest::keyClick(window, key);
        QVERIFY(loupe->isOpen());
        QCOMPARE(inLoupe(loupe), QPoint(1200, 800));
        QTest::keyClick(window, key);
        QVERIFY(!loupe->isOpen());
    }
    // Escape closes the loupe, not the window under it; a key's repeat does nothing.
    QTest::keyPress(window, Qt::Key_Z);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, QStringLiteral("z"), true);
    QApplication::sendEvent(window, &repeat);
    QVERIFY2(loupe->isOpen(), "the key's repeat closed it");
    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(!loupe->isOpen());
    QVERIFY(window->isVisible());
    // The next picture comes up whole, not through the loupe on the last.
    QTest::keyClick(window, Qt::Key_Z);
    quick->showQuickView(png(coordinatePicture(QSize(300, 200))), QStringLiteral("/p/Shot00013.PNG"), 1);
    QVERIFY(!loupe->isOpen());
}

void tst_QuickView::largerLoupeSourceKeepsThePlace()
{
    TVK_GUI_QuickViewWindow *quick = show(6, kPicture / 2);
    QVERIFY(quick);
    TVK_GUI_Loupe *loupe = quick->loupe();
    QVERIFY(loupe->openAt(QPointF(400, 300)));
    // A raw file's preview, twice the size, as stored: turned as the shown one.
    quick->setLoupeSource(coordinatePicture(kPicture));
    QVERIFY(loupe->isOpen());
    const QPoint middle = inLoupe(loupe);
    // The middle of a loupe an even number of pixels wide lies between two.
    QVERIFY2((middle - QPoint(800, 600)).manhattanLength() <= 1,
             qPrintable(QStringLiteral("(%1, %2)").arg(middle.x()).arg(middle.y())));
    QCOMPARE(inLoupe(loupe, QPoint(loupe->width() / 2 + 1, loupe->height() / 2)) - middle, QPoint(0, -1));
    quick->setLoupeSource(QImage());
    QCOMPARE(loupe->source().size(), kPicture);
}

void tst_QuickView::fieldsAreFormatted_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("1/250") << "time" << 1.0 / 250 << "1/250 s";
    QTest::newRow("1/4, the last fraction") << "time" << 0.25 << "1/4 s";
    QTest::newRow("1/3 reads as seconds") << "time" << 1.0 / 3 << "0.3\"";
    QTest::newRow("1.3 s") << "time" << 1.3 << "1.3\"";
    QTest::newRow("bulb of 125.6 s") << "time" << 125.6 << "126\"";
    QTest::newRow("time unknown") << "time" << 0.0 << "";
    QTest::newRow("f/5.6") << "aperture" << 5.6 << "f/5.6";
    QTest::newRow("f/8 without .0") << "aperture" << 8.0 << "f/8";
    QTest::newRow("aperture no number") << "aperture" << qQNaN() << "";
    QTest::newRow("ISO 12800 without grouping") << "iso" << 12800.0 << "ISO 12800";
    QTest::newRow("+0.7 EV from two thirds") << "ev" << 2.0 / 3.0 << "+0.7 EV";
    QTest::newRow("-1.3 EV") << "ev" << -4.0 / 3.0 << "\u22121.3 EV";
    QTest::newRow("a rounding error is ±0") << "ev" << -0.01 << "\u00B10 EV";
    QTest::newRow("4.3 mm") << "focal" << 4.3 << "4.3 mm";
    QTest::newRow("845.3 KB") << "size" << 845300.0 << "845.3 KB";
    QTest::newRow("just below a MB is one") << "size" << 999960.0 << "1.0 MB";
    QTest::newRow("size unknown") << "size" << -1.0 << "";
}

void tst_QuickView::fieldsAreFormatted()
{
    QFETCH(QString, field);
    QFETCH(double, value);
    QFETCH(QString, expected);
    using W = TVK_GUI_ShotDataWidget;
    const QLocale c = QLocale::c();
    TVK_Logic_ShotData data;
    data.hasExposureCompensation = true;
    data.exposureCompensation = value;
    // Cameras write times as fractions of a million or less.
    const QString text = field == "time"       ? W::exposureTime(quint32(qRound64(value * 1e6)), 1000000, c)
                         : field == "aperture" ? W::aperture(value, c)
                         : field == "iso"      ? W::sensitivity(int(value), c)
                         : field == "ev"       ? W::compensation(data, c)
                         : field == "focal"    ? W::focalLength(value, c)
                                               : W::fileSize(qint64(value), c);
    QCOMPARE(text, expected);
}

void tst_QuickView::windowShowsTheLineUnderThePicture()
{
    TVK_GUI_QuickViewWindow *quick = show(1, kPicture / 2);
    QVERIFY(quick);
    TVK_GUI_ShotDataWidget *line = quick->shotDataWidget();
    // Before the file is read, the line knows what showing it told.
    // No file there: no size either (the bytes shown are the camera's preview).
    QCOMPARE(line->text(), QStringLiteral("Shot00012.PNG"));
    TVK_Logic_ShotData data;
    data.exposureNumerator = 10;
    data.exposureDenominator = 2500;
    data.aperture = 5.6;
    data.sensitivity = 400;
    data.hasExposureCompensation = true;
    data.exposureCompensation = 2.0 / 3.0;
    data.focalLength = 50;
    data.lens = QStringLiteral(" Korvo 50mm F1.8 ");
    data.taken = QDateTime(QDate(2026, 12, 11), QTime(17, 8, 47));
    data.model = QStringLiteral("Ardo Two");
    quick->setShotData(data);
    const QString prefix = QStringLiteral("1/250 s \u00B7 f/5.6 \u00B7 ISO 400 \u00B7 +0.7 EV \u00B7 50 mm \u00B7 Korvo 50mm"
                                          " F1.8 \u00B7 12/11/26 5:08 PM \u00B7 Shot00012.PNG");
    QVERIFY2(line->text().startsWith(prefix), qPrintable(line->text()));
    QVERIFY(line->toolTip().contains(QStringLiteral("Camera: Ardo Two")));
    data.fileName = QStringLiteral("Shot00012.DNG");
    data.fileBytes = 24312345;
    QCOMPARE(TVK_GUI_ShotDataWidget::line(data, QLocale(QLocale::German, QLocale::Germany)),
             QStringLiteral("1/250 s \u00B7 f/5,6 \u00B7 ISO 400 \u00B7 +0,7 EV \u00B7 50 mm \u00B7 Korvo 50mm F1.8"
                            " \u00B7 11.12.26 17:08 \u00B7 Shot00012.DNG 24,3 MB"));
    data = TVK_Logic_ShotData();
    data.sensitivity = 100;
    data.exposureCompensation = 1.0; // not known to be there
    QCOMPARE(TVK_GUI_ShotDataWidget::line(data, QLocale::c()), QStringLiteral("ISO 100"));

    // Under the picture, in the strip the window keeps for it.
    QCOMPARE(line->geometry().top(), quick->viewer()->geometry().bottom() + 1);
    QTRY_COMPARE(quick->aidsToolBar()->height() + quick->viewer()->height() + line->height(), quick->window()->height());
    // Narrow, it ends in an ellipsis; its tooltip still says it all.
    line->resize(120, line->height());
    QVERIFY(line->shownText().endsWith(QChar(0x2026)));
    QVERIFY(line->toolTip().contains(QStringLiteral("Shot00012.PNG")));
    // The next picture does not carry the last one's shot.
    quick->showQuickView(png(coordinatePicture(QSize(30, 20))), QStringLiteral("/p/Shot00013.PNG"), 1);
    QCOMPARE(line->text(), QStringLiteral("Shot00013.PNG"));
    QVERIFY(!line->toolTip().contains(QStringLiteral("Ardo")));
}

// Histogram and clipping of the picture as shown (turned), off the GUI
// thread; the next picture's marks replace the last one's, never mix with them.
void tst_QuickView::aidsAreMadeFromTheShownPicture()
{
    TVK_GUI_QuickViewWindow *quick = show(6, QSize(400, 300));
    QVERIFY(quick);
    TVK_GUI_ViewAidsToolBar *strip = quick->aidsToolBar();
    QVERIFY(strip && !strip->peakingAction());
    strip->histogramAction()->trigger();
    strip->clippingAction()->trigger();
    TVK_GUI_AidsOverlay *overlay = quick->viewer()->overlay();
    QTRY_VERIFY(overlay->frameAidsFit() && overlay->frameAids().hasHistogram && !overlay->frameAids().clipping.isNull());
    // Turned a quarter: the aids were made from the upright picture.
    QCOMPARE(overlay->frameAids().sourceSize, QSize(300, 400));
    QCOMPARE(overlay->frameAids().histogram.total(), quint64(300 * 400));

    QImage white(QSize(1800, 1200), QImage::Format_RGB32);
    white.fill(Qt::white);
    quick->showQuickView(png(white), QStringLiteral("/p/Shot00013.PNG"), 1);
    QVERIFY(!overlay->frameAidsFit());
    QTRY_VERIFY(overlay->frameAidsFit());
    // Brought down to a screen's size, and every pixel clips.
    const TVK_Color_FrameAids &aids = overlay->frameAids();
    QCOMPARE(aids.sourceSize, QSize(1600, 1066));
    QCOMPARE(aids.histogram.count(TVK_Color_Histogram::kLELuminance, 255), quint32(aids.histogram.total()));
    QCOMPARE(int(aids.clipping.constScanLine(500)[800]), int(TVK_Color_Clipping::kLEHighlight));
    QTRY_VERIFY(!quick->isBusy());
    QCOMPARE(TVK_GUI_ViewAidsStore::load(TVK_GUI_ViewAidsStore::kQuickViewGroup).analysis.clipping, true);
}

// Converted for the monitor, the loupe's pixels are the viewer's: opening it
// does not shift the colours.
void tst_QuickView::loupeShowsTheViewersColours()
{
    QImage flat(QSize(600, 400), QImage::Format_RGB32);
    flat.fill(qRgb(40, 160, 90));
    m_quick = std::make_unique<TVK_GUI_QuickViewWindow>(nullptr);
    m_quick->showQuickView(png(flat), QStringLiteral("/p/Shot00014.PNG"), 1);
    QVERIFY(QTest::qWaitForWindowExposed(m_quick->window()));
    TVK_GUI_ImageViewer *viewer = m_quick->viewer();
    QVERIFY(viewer->wantsColorMatch());
    const QImage shown = viewer->displayedPixmap().toImage();
    const QRgb viewerPixel = shown.pixel(shown.width() / 2, shown.height() / 2);
    TVK_GUI_Loupe *loupe = m_quick->loupe();
    QVERIFY(loupe->openAt(QPointF(300, 200)));
    const QImage inside = loupe->grab().toImage();
    QCOMPARE(inside.pixel(inside.width() / 2, inside.height() / 2), viewerPixel);
}

// What the saved file says reaches the line once it is read, off the GUI
// thread; the loupe takes the file's own picture when it is larger than the
// camera's preview shown, and keeps the preview when it is not (a DNG's small
// embedded one).
void tst_QuickView::savedFileGivesTheLineAndTheLoupe_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QSize>("loupeSize");
    QTest::newRow("JPG") << int(Maker::kLEJpg) << QSize(1800, 1200);
    QTest::newRow("DNG") << int(Maker::kLEDng) << Maker::thumbnailPixels(Maker::kThumbLarge);
}

void tst_QuickView::savedFileGivesTheLineAndTheLoupe()
{
    QFETCH(int, kind);
    QFETCH(QSize, loupeSize);
    Maker::Picture picture;
    picture.jpegPixels = QSize(1800, 1200);
    picture.dngBytes = 256 * 1024;
    picture.dngPreview = true;
    picture.shot.exposureTime = {1, 125};
    picture.shot.fNumber = {56, 10};
    picture.shot.sensitivity = 200;
    picture.shot.lensModel = QByteArrayLiteral("Test Lens 35");
    QTemporaryDir dir;
    const QString path = dir.filePath(Maker::fileName(1, Maker::eLEFileKind(kind)));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray bytes = kind == Maker::kLEJpg ? Maker::jpeg(picture) : Maker::dng(picture);
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
    file.close();

    m_quick = std::make_unique<TVK_GUI_QuickViewWindow>(nullptr);
    m_quick->showQuickView(Maker::thumbnail(picture, Maker::kThumbLarge), path, 1);
    QVERIFY(m_quick->isBusy());
    QTRY_VERIFY_WITH_TIMEOUT(!m_quick->isBusy(), 20000);
    const QString line = m_quick->shotDataWidget()->text();
    for (const QString &part : {QStringLiteral("1/125 s"), QStringLiteral("f/5.6"), QStringLiteral("ISO 200"),
                                QStringLiteral("Test Lens 35"), QFileInfo(path).fileName()})
        QVERIFY2(line.contains(part), qPrintable(line + QStringLiteral(" lacks ") + part));
    QCOMPARE(m_quick->loupe()->source().size(), loupeSize);
}

int main(int argc, char *argv[])
{
    TVK_Test_Home home;
    QApplication app(argc, argv);
    tst_QuickView test;
    const int result = QTest::qExec(&test, argc, argv);
    TVK_GUI_Settings::destroyInstance();
    return result;
}

#include "tst_quickview.moc"
