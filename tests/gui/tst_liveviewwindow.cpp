#include "TVK_Color_Factory.h"
#include "TVK_Color_ProfileIF.h"
#include "TVK_GUI_Application.h"
#include "TVK_GUI_AudioMeterWidget.h"
#include "TVK_GUI_AudioVolumeWidget.h"
#include "TVK_GUI_ImageViewer.h"
#include "TVK_GUI_LiveViewInfoWidget.h"
#include "TVK_GUI_LiveViewNavigatorWidget.h"
#include "TVK_GUI_MultiStateToolButton.h"
#include "TVK_GUI_Resources.h"

#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtEndian>
#include <QtTest>

#include <cmath>
#include <memory>

Q_DECLARE_METATYPE(QVector<int>)

namespace {

QPixmap frame(const QSize &size, const QColor &colour = QColor(128, 128, 128))
{
    QPixmap pixmap(size);
    pixmap.fill(colour);
    return pixmap;
}

// Something a camera could show: a sky, a horizon and a bright object, so a
// screenshot shows where the image, the letterbox and the markers are.
QPixmap scene(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(70, 110, 170));
    sky.setColorAt(0.6, QColor(170, 190, 210));
    sky.setColorAt(0.61, QColor(90, 120, 60));
    sky.setColorAt(1, QColor(40, 60, 30));
    painter.fillRect(image.rect(), sky);
    painter.setBrush(QColor(230, 200, 60));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(size.width() * 3 / 4, size.height() / 4), size.height() / 8, size.height() / 8);
    painter.end();
    return QPixmap::fromImage(image);
}

QImage rgb(const QPixmap &pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
}

// The smallest rectangle holding every pixel in which the two images differ.
QRect differingPixels(const QImage &a, const QImage &b)
{
    QRect box;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y))
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

int largestChannelDifference(const QImage &a, const QImage &b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return largest;
}

// The built-in input profile with its tone curves made linear: an RGB profile
// with the same primaries but another response, so matching between the two
// must change every mid-tone.
QByteArray linearVariantOf(QByteArray profile)
{
    constexpr int kTagCountOffset = 128;
    constexpr int kTagEntrySize = 12;
    if (profile.size() < kTagCountOffset + 4)
        return {};
    auto *bytes = reinterpret_cast<uchar *>(profile.data());
    const quint32 count = qFromBigEndian<quint32>(bytes + kTagCountOffset);
    int patched = 0;
    for (quint32 i = 0; i < count; ++i) {
        const int entry = kTagCountOffset + 4 + int(i) * kTagEntrySize;
        if (entry + kTagEntrySize > profile.size())
            return {};
        const QByteArray signature = profile.mid(entry, 4);
        if (signature != "rTRC" && signature != "gTRC" && signature != "bTRC")
            continue;
        const quint32 offset = qFromBigEndian<quint32>(bytes + entry + 4);
        if (offset + 16 > quint32(profile.size()))
            return {};
        const QByteArray type = profile.mid(int(offset), 4);
        if (type == "curv" && qFromBigEndian<quint32>(bytes + offset + 8) == 1) {
            qToBigEndian<quint16>(0x0100, bytes + offset + 12); // gamma 1.0 in u8Fixed8
            ++patched;
        } else if (type == "para") {
            qToBigEndian<quint32>(0x00010000, bytes + offset + 12); // gamma 1.0 in s15Fixed16
            ++patched;
        }
    }
    return patched > 0 ? profile : QByteArray();
}

QList<QWidget *> navigationWidgets(const TVK_GUI_ImageViewer &viewer)
{
    QList<QWidget *> widgets;
    for (const char *name : {"lblMoveUp", "lblMoveDown", "lblMoveLeft", "lblMoveRight"})
        widgets << viewer.findChild<QWidget *>(QLatin1String(name));
    return widgets;
}

bool shown(const QWidget *widget)
{
    return widget && !widget->isHidden();
}

struct BarCounts {
    int green = 0;
    int red = 0;
    int grey = 0;
};

BarCounts countBar(const QImage &image)
{
    BarCounts counts;
    const int y = image.height() / 2;
    for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        if (c == QColor(Qt::green))
            ++counts.green;
        else if (c == QColor(Qt::red))
            ++counts.red;
        else if (c == QColor(93, 93, 93))
            ++counts.grey;
    }
    return counts;
}

} // namespace

class tst_LiveViewWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void markersFollowZoomInfo_data();
    void markersFollowZoomInfo();
    void clicksMapToImageCoordinates_data();
    void clicksMapToImageCoordinates();
    void navigationFollowsModeAndZoom_data();
    void navigationFollowsModeAndZoom();
    void navigatorTurnsForPortraitFrames();
    void navigatorPaintsTheZoomRectangle();
    void everyFrameIsReportedConsumedOnce();
    void colourMatchingChangesOnlyWhenWanted();

    void infoStripFollowsTheMode_data();
    void infoStripFollowsTheMode();
    void exposureSimulationSteps_data();
    void exposureSimulationSteps();
    void exposureSimulationPictureFollowsMappedState();
    void greyCardAndAfButtonsReportTheUser();
    void audioMetersPaintGreenThenRed_data();
    void audioMetersPaintGreenThenRed();
    void volumeIsPickedOnlyWhenManual_data();
    void volumeIsPickedOnlyWhenManual();
    void timeCodeIsFormatted_data();
    void timeCodeIsFormatted();

    void screenshotsOfEveryMode();

    void turnFollowsOrientationOrAxisAngle_data();
    void turnFollowsOrientationOrAxisAngle();
    void pointsTurnAboutThePictureCentre_data();
    void pointsTurnAboutThePictureCentre();
};

void tst_LiveViewWindow::turnFollowsOrientationOrAxisAngle_data()
{
    QTest::addColumn<bool>("hasOrientation");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<double>("axisAngle");
    QTest::addColumn<int>("rotation");
    QTest::newRow("level") << true << 0 << 0.0 << 0;
    QTest::newRow("44 stays") << true << 44 << 0.0 << 0;
    QTest::newRow("45 turns") << true << 45 << 0.0 << 90;
    QTest::newRow("134") << true << 134 << 0.0 << 90;
    QTest::newRow("135") << true << 135 << 0.0 << 180;
    QTest::newRow("225") << true << 225 << 0.0 << 270;
    QTest::newRow("315 is level") << true << 315 << 0.0 << 0;
    QTest::newRow("-90") << true << -90 << 0.0 << 270;
    QTest::newRow("450") << true << 450 << 0.0 << 90;
    QTest::newRow("orientation wins over the angle") << true << 0 << 90.0 << 0;
    QTest::newRow("angle negated") << false << 90 << -90.0 << 90;
    QTest::newRow("angle 90") << false << 0 << 90.0 << 270;
    QTest::newRow("angle -200.5") << false << 0 << -200.5 << 180;
    QTest::newRow("angle not a number") << false << 0 << std::nan("") << 0;
}

void tst_LiveViewWindow::turnFollowsOrientationOrAxisAngle()
{
    QFETCH(bool, hasOrientation);
    QFETCH(int, orientation);
    QFETCH(double, axisAngle);
    QFETCH(int, rotation);
    QCOMPARE(TVK_GUI_Application::liveViewRotationFor(hasOrientation, orientation, axisAngle), rotation);
}

void tst_LiveViewWindow::pointsTurnAboutThePictureCentre_data()
{
    QTest::addColumn<int>("rotation");
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<QPointF>("turned");
    QTest::addColumn<QRectF>("rect");
    QTest::addColumn<QRectF>("turnedRect");
    const QRectF rect(0.1, 0.2, 0.3, 0.4);
    QTest::newRow("0") << 0 << QPointF(0.25, 0.75) << QPointF(0.25, 0.75) << rect << rect;
    // A quarter clockwise: the top-left corner goes to the top right.
    QTest::newRow("90") << 90 << QPointF(0.25, 0.75) << QPointF(0.25, 0.25) << rect << QRectF(0.4, 0.1, 0.4, 0.3);
    QTest::newRow("180") << 180 << QPointF(0.25, 0.75) << QPointF(0.75, 0.25) << rect << QRectF(0.6, 0.4, 0.3, 0.4);
    QTest::newRow("270") << 270 << QPointF(0.25, 0.75) << QPointF(0.75, 0.75) << rect << QRectF(0.2, 0.6, 0.4, 0.3);
    // No position is still no position, whichever way the camera is held.
    QTest::newRow("no position") << 180 << QPointF(-1.0, -1.0) << QPointF(-1.0, -1.0) << rect
                                 << QRectF(0.6, 0.4, 0.3, 0.4);
}

void tst_LiveViewWindow::pointsTurnAboutThePictureCentre()
{
    QFETCH(int, rotation);
    QFETCH(QPointF, point);
    QFETCH(QPointF, turned);
    QFETCH(QRectF, rect);
    QFETCH(QRectF, turnedRect);
    const QPointF got = TVK_GUI_Application::rotatedPoint(point, rotation);
    QVERIFY2(qAbs(got.x() - turned.x()) < 1e-9 && qAbs(got.y() - turned.y()) < 1e-9,
             qPrintable(QStringLiteral("%1, %2").arg(got.x()).arg(got.y())));
    // Turning back gives the point the controller sent.
    const QPointF back = TVK_GUI_Application::rotatedPoint(got, (360 - rotation) % 360);
    QVERIFY(qAbs(back.x() - point.x()) < 1e-9 && qAbs(back.y() - point.y()) < 1e-9);
    const QRectF gotRect = TVK_GUI_Application::rotatedRect(rect, rotation);
    for (const auto &pair : {qMakePair(gotRect.x(), turnedRect.x()), qMakePair(gotRect.y(), turnedRect.y()),
                             qMakePair(gotRect.width(), turnedRect.width()),
                             qMakePair(gotRect.height(), turnedRect.height())})
        QVERIFY2(qAbs(pair.first - pair.second) < 1e-9,
                 qPrintable(QStringLiteral("%1 %2 %3 %4").arg(gotRect.x()).arg(gotRect.y()).arg(gotRect.width())
                                .arg(gotRect.height())));
}

void tst_LiveViewWindow::initTestCase()
{
    TVK_GUI_Resources::initialize();
    QVERIFY(!QPixmap(QStringLiteral(":/TVK_GUI/images/LiveView/FocusCross.png")).isNull());
}

void tst_LiveViewWindow::markersFollowZoomInfo_data()
{
    QTest::addColumn<bool>("greyCard");
    QTest::addColumn<bool>("expSpot");
    QTest::addColumn<QPointF>("marker");
    QTest::addColumn<QRect>("expectedArea"); // empty: nothing drawn

    const QPoint p(100, 150); // (0.25, 0.5) of a 400 x 300 picture
    QTest::newRow("focus cross") << false << false << QPointF(0.25, 0.5) << QRect(p - QPoint(15, 15), QSize(31, 31));
    QTest::newRow("cross with spot") << false << true << QPointF(0.25, 0.5) << QRect(p - QPoint(15, 15), QSize(31, 31));
    // Tip at the point: the picture's lower-left corner lies 3 px left of and below it.
    QTest::newRow("pipette") << true << true << QPointF(0.25, 0.5) << QRect(p.x() - 3, p.y() + 3 - 20, 20, 20);
    QTest::newRow("no marker yet") << false << true << QPointF(-1.0, -1.0) << QRect();
    QTest::newRow("marker in corner is clipped") << false << false << QPointF(0.0, 0.0) << QRect(0, 0, 16, 16);
}

void tst_LiveViewWindow::markersFollowZoomInfo()
{
    QFETCH(bool, greyCard);
    QFETCH(bool, expSpot);
    QFETCH(QPointF, marker);
    QFETCH(QRect, expectedArea);

    TVK_GUI_ImageViewer viewer;
    viewer.setWantColorMatch(false);
    viewer.resize(400, 300);
    viewer.setPixmap(frame(QSize(400, 300)));
    const QImage plain = rgb(viewer.scaledPixmap());
    QCOMPARE(plain.size(), QSize(400, 300));

    viewer.setGCPipIsActive(greyCard);
    viewer.setExpSpotIsActive(expSpot);
    viewer.setZoomInfo(0, 0, marker.x(), marker.y());
    const QImage marked = rgb(viewer.displayedPixmap());
    const QRect drawn = differingPixels(plain, marked);

    if (expectedArea.isEmpty()) {
        QVERIFY2(drawn.isEmpty(), "a marker was drawn without a position");
        return;
    }
    QVERIFY(!drawn.isEmpty());
    QVERIFY2(expectedArea.contains(drawn), qPrintable(QStringLiteral("drawn %1,%2 %3x%4").arg(drawn.x())
                                                          .arg(drawn.y()).arg(drawn.width()).arg(drawn.height())));
    if (!greyCard && marker.x() > 0)
        QVERIFY(qAbs(drawn.center().x() - expectedArea.center().x()) <= 1
                && qAbs(drawn.center().y() - expectedArea.center().y()) <= 1);
    if (expSpot && !greyCard) {
        viewer.setExpSpotIsActive(false);
        QVERIFY2(rgb(viewer.displayedPixmap()) != marked, "the metering spot left no trace");
    }
}

void tst_LiveViewWindow::clicksMapToImageCoordinates_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<bool>("greyCard");
    QTest::addColumn<bool>("markerKnown");
    QTest::addColumn<int>("button");
    QTest::addColumn<QPoint>("click");
    QTest::addColumn<QString>("expectedSignal"); // "cross", "pipette" or "none"
    QTest::addColumn<QPointF>("expected");

    // In a 500 x 300 viewer a 4:1 frame is shown as 500 x 125 from y = 88,
    // a 1:4 frame as 75 x 300 from x = 213 (centre minus half the size, as QLabel paints).
    const QSize wide(400, 100);
    const QSize tall(100, 400);
    const int left = Qt::LeftButton;
    QTest::newRow("wide, centre") << wide << false << true << left << QPoint(250, 150) << "cross" << QPointF(0.5, 0.496);
    QTest::newRow("wide, top-left pixel") << wide << false << true << left << QPoint(0, 88) << "cross" << QPointF(0, 0);
    QTest::newRow("wide, letterbox above") << wide << false << true << left << QPoint(250, 40) << "none" << QPointF();
    QTest::newRow("wide, first row below") << wide << false << true << left << QPoint(250, 213) << "none" << QPointF();
    QTest::newRow("tall, inside") << tall << false << true << left << QPoint(228, 150) << "cross" << QPointF(0.2, 0.5);
    QTest::newRow("tall, pillarbox left") << tall << false << true << left << QPoint(100, 150) << "none" << QPointF();
    QTest::newRow("pipette without marker") << wide << true << false << left << QPoint(125, 113) << "pipette" << QPointF(0.25, 0.2);
    QTest::newRow("cross without marker") << wide << false << false << left << QPoint(125, 113) << "none" << QPointF();
    QTest::newRow("right button") << wide << false << true << int(Qt::RightButton) << QPoint(250, 150) << "none" << QPointF();
}

void tst_LiveViewWindow::clicksMapToImageCoordinates()
{
    QFETCH(QSize, source);
    QFETCH(bool, greyCard);
    QFETCH(bool, markerKnown);
    QFETCH(int, button);
    QFETCH(QPoint, click);
    QFETCH(QString, expectedSignal);
    QFETCH(QPointF, expected);

    TVK_GUI_ImageViewer viewer;
    viewer.setWantColorMatch(false);
    viewer.resize(500, 300);
    viewer.show();
    viewer.setPixmap(frame(source));
    viewer.setGCPipIsActive(greyCard);
    if (markerKnown)
        viewer.setZoomInfo(0, 0, 0.7, 0.7);
    QSignalSpy cross(&viewer, &TVK_GUI_ImageViewer::signalCrossPos);
    QSignalSpy pipette(&viewer, &TVK_GUI_ImageViewer::signalGCPipPos);

    QTest::mouseClick(&viewer, Qt::MouseButton(button), Qt::NoModifier, click);

    QCOMPARE(cross.count(), expectedSignal == QLatin1String("cross") ? 1 : 0);
    QCOMPARE(pipette.count(), expectedSignal == QLatin1String("pipette") ? 1 : 0);
    QSignalSpy &fired = expectedSignal == QLatin1String("cross") ? cross : pipette;
    if (expectedSignal != QLatin1String("none")) {
        QCOMPARE(fired.first().at(0).toDouble(), expected.x());
        QCOMPARE(fired.first().at(1).toDouble(), expected.y());
    }
    // Only the camera's confirmation moves the marker.
    QCOMPARE(viewer.markerPos(), markerKnown ? QPointF(0.7, 0.7) : QPointF(-1, -1));
}

void tst_LiveViewWindow::navigationFollowsModeAndZoom_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<bool>("moveInZoom");
    QTest::addColumn<bool>("navigator");
    QTest::addColumn<bool>("arrows");
    QTest::addColumn<bool>("recVideo");

    QTest::newRow("photo, not zoomed") << 2 << 0 << true << false << false << false;
    QTest::newRow("photo, zoomed") << 2 << 1 << false << true << false << false;
    QTest::newRow("photo, zoomed, movable") << 2 << 1 << true << true << true << false;
    QTest::newRow("mode 3, zoom 2, movable") << 3 << 2 << true << true << true << false;
    QTest::newRow("mode 3, not zoomed") << 3 << 0 << true << false << false << false;
    QTest::newRow("video") << 1 << 1 << true << false << false << true;
    QTest::newRow("grey card") << 4 << 1 << true << false << false << false;
    QTest::newRow("no live view") << 0 << 1 << true << false << false << false;
}

void tst_LiveViewWindow::navigationFollowsModeAndZoom()
{
    QFETCH(int, mode);
    QFETCH(int, zoom);
    QFETCH(bool, moveInZoom);
    QFETCH(bool, navigator);
    QFETCH(bool, arrows);
    QFETCH(bool, recVideo);

    TVK_GUI_ImageViewer viewer;
    viewer.setLiveViewMode(mode);
    viewer.setWantMoveInZoom(moveInZoom);
    viewer.setZoomInfo(0, zoom, 0.5, 0.5);

    QCOMPARE(shown(viewer.findChild<QWidget *>(QStringLiteral("wgtNavigator"))), navigator);
    for (QWidget *arrow : navigationWidgets(viewer)) {
        QVERIFY(arrow);
        QCOMPARE(shown(arrow), arrows);
    }
    QCOMPARE(shown(viewer.findChild<QWidget *>(QStringLiteral("lblRecVideo"))), recVideo);

    // Back to zoom level 0: nothing to navigate in any mode.
    viewer.setZoomInfo(0, 0, 0.5, 0.5);
    QVERIFY(!shown(viewer.navigator()));
    for (QWidget *arrow : navigationWidgets(viewer))
        QVERIFY(!shown(arrow));
}

void tst_LiveViewWindow::navigatorTurnsForPortraitFrames()
{
    TVK_GUI_ImageViewer viewer;
    viewer.resize(500, 300);
    QCOMPARE(viewer.navigator()->size(), QSize(120, 90));
    viewer.setPixmap(frame(QSize(100, 400)));
    QCOMPARE(viewer.navigator()->minimumSize(), QSize(90, 120));
    QCOMPARE(viewer.navigator()->maximumSize(), QSize(90, 120));
    viewer.setPixmap(frame(QSize(400, 100)));
    QCOMPARE(viewer.navigator()->maximumSize(), QSize(120, 90));
}

void tst_LiveViewWindow::navigatorPaintsTheZoomRectangle()
{
    TVK_GUI_ImageViewer viewer;
    TVK_GUI_LiveViewNavigatorWidget *navigator = viewer.navigator();
    viewer.setZoomRect(0.5, 0.25, 0.25, 0.5);
    QCOMPARE(navigator->zoomRect(), QRectF(0.5, 0.25, 0.25, 0.5));
    QCOMPARE(navigator->paintedZoomRect(), QRect(60, 23, 30, 45)); // 120 x 90: 22.5 and 67.5 round up

    // Over a black picture, as over a dark live image.
    QImage image(navigator->size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    navigator->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const QColor inside = image.pixelColor(75, 45);
    const QColor outside = image.pixelColor(20, 45);
    QVERIFY2(inside.lightness() > outside.lightness() + 60, "the zoom rectangle does not stand out");
}

void tst_LiveViewWindow::everyFrameIsReportedConsumedOnce()
{
    TVK_GUI_ImageViewer viewer;
    QSignalSpy consumed(&viewer, &TVK_GUI_ImageViewer::signalPixmapConsumed);

    // Nothing but a frame releases the next one.
    viewer.resize(320, 240);
    viewer.setZoomInfo(0, 1, 0.5, 0.5);
    viewer.setExpSpotIsActive(true);
    viewer.setWantColorMatch(false);
    viewer.setRenderingIntent(TVK_Color_WorldIF::kSaturation);
    QCOMPARE(consumed.count(), 0);

    for (int i = 1; i <= 3; ++i) {
        viewer.setPixmap(frame(QSize(160, 120), QColor(i * 40, 0, 0)));
        QCOMPARE(consumed.count(), i);
        QVERIFY(!viewer.pixmap(Qt::ReturnByValue).isNull());
    }
    viewer.resize(400, 300);
    QCOMPARE(consumed.count(), 3);

    // A null frame clears the picture and is consumed like any other.
    viewer.setPixmap(QPixmap());
    QCOMPARE(consumed.count(), 4);
    QVERIFY(viewer.displayedPixmap().isNull());
    QVERIFY(viewer.pixmap(Qt::ReturnByValue).isNull());
}

void tst_LiveViewWindow::colourMatchingChangesOnlyWhenWanted()
{
    const QByteArray inputBytes = TVK_Color_Factory::builtInInputProfileBytes();
    const QByteArray outputBytes = linearVariantOf(inputBytes);
    QVERIFY2(!outputBytes.isEmpty(), "no tone curve to change in the built-in profile");
    const std::unique_ptr<TVK_Color_ProfileIF> input = TVK_Color_Factory::profileFromBytes(inputBytes);
    QVERIFY(input);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString outputPath = dir.filePath(QStringLiteral("linear.icc"));
    {
        QFile file(outputPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(outputBytes), qint64(outputBytes.size()));
    }

    TVK_GUI_ImageViewer viewer;
    viewer.resize(64, 48);
    viewer.setInputProfile(*input);
    viewer.setOutputProfile(outputPath);
    viewer.setRenderingIntent(TVK_Color_WorldIF::kPerceptual);
    viewer.setWantColorMatch(true);
    viewer.setPixmap(frame(QSize(64, 48), QColor(100, 150, 200)));
    const QImage unmatched = rgb(viewer.scaledPixmap());

    QVERIFY2(largestChannelDifference(rgb(viewer.displayedPixmap()), unmatched) > 10,
             "matching between different tone curves left the picture unchanged");

    viewer.setWantColorMatch(false);
    QCOMPARE(rgb(viewer.displayedPixmap()), unmatched);

    // The same profile on both sides changes (almost) nothing: the difference
    // above comes from the profiles, not from the conversion round trip.
    viewer.setOutputProfile(*input);
    viewer.setWantColorMatch(true);
    QVERIFY(largestChannelDifference(rgb(viewer.displayedPixmap()), unmatched) <= 1);
}

void tst_LiveViewWindow::infoStripFollowsTheMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("zoom");
    QTest::addColumn<bool>("gcPip");
    QTest::addColumn<bool>("timeCode");
    QTest::addColumn<bool>("audio");
    QTest::addColumn<bool>("afAndSaveStay");

    QTest::newRow("0 (none)") << 0 << false << false << false << false << true;
    QTest::newRow("1 video") << 1 << false << false << true << true << false;
    QTest::newRow("2") << 2 << true << true << false << false << true;
    QTest::newRow("3") << 3 << true << true << false << true << true;
    QTest::newRow("4 grey card") << 4 << false << true << false << false << true;
    QTest::newRow("7 unknown") << 7 << false << false << false << false << true;
}

void tst_LiveViewWindow::infoStripFollowsTheMode()
{
    QFETCH(int, mode);
    QFETCH(bool, zoom);
    QFETCH(bool, gcPip);
    QFETCH(bool, timeCode);
    QFETCH(bool, audio);
    QFETCH(bool, afAndSaveStay);

    TVK_GUI_LiveViewInfoWidget info;
    QVERIFY(!shown(info.afOnButton()));
    QVERIFY(!shown(info.gcSaveButton()));
    QVERIFY(!shown(info.expSimButton()));
    QCOMPARE(info.gcPipButton()->isCheckable(), true);
    info.setZoomInfo(0, 0, 0.5, 0.5);
    info.setGCPipNeedsSave(0.5, 0.5);
    QVERIFY(shown(info.afOnButton()) && shown(info.gcSaveButton()));

    info.setLiveViewMode(mode);
    QCOMPARE(info.liveViewMode(), mode);
    QCOMPARE(shown(info.zoomButton()), zoom);
    QCOMPARE(shown(info.gcPipButton()), gcPip);
    QCOMPARE(shown(info.timeCodeLabel()), timeCode);
    for (QWidget *widget : info.audioBlock())
        QCOMPARE(shown(widget), audio);
    QCOMPARE(shown(info.afOnButton()), afAndSaveStay);
    QCOMPARE(shown(info.gcSaveButton()), afAndSaveStay);
}

void tst_LiveViewWindow::exposureSimulationSteps_data()
{
    QTest::addColumn<QVector<int>>("earlierList");
    QTest::addColumn<int>("earlierValue"); // -1: none
    QTest::addColumn<QVector<int>>("list");
    QTest::addColumn<int>("value"); // -1: none
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("mappedState");
    QTest::addColumn<int>("stateAfterClick");
    QTest::addColumn<int>("emitted"); // -1: nothing

    const QVector<int> none;
    QTest::newRow("value 2 of 0,1,2") << none << -1 << QVector<int>{0, 1, 2} << 2 << 2 << 2 << 0 << 0;
    QTest::newRow("value 3 of 0,2,3") << none << -1 << QVector<int>{0, 2, 3} << 3 << 2 << 3 << 0 << 0;
    QTest::newRow("unknown value") << none << -1 << QVector<int>{0, 2, 3} << 9 << 0 << 0 << 1 << 2;
    QTest::newRow("shorter list clamps") << QVector<int>{0, 1, 2, 3} << 3 << QVector<int>{0, 5} << -1 << 1 << 5 << 0 << 0;
    QTest::newRow("one value keeps count") << QVector<int>{0, 1, 2} << -1 << QVector<int>{4} << 4 << 0 << 4 << 1 << -1;
}

void tst_LiveViewWindow::exposureSimulationSteps()
{
    QFETCH(QVector<int>, earlierList);
    QFETCH(int, earlierValue);
    QFETCH(QVector<int>, list);
    QFETCH(int, value);
    QFETCH(int, state);
    QFETCH(int, mappedState);
    QFETCH(int, stateAfterClick);
    QFETCH(int, emitted);

    TVK_GUI_LiveViewInfoWidget info;
    TVK_GUI_MultiStateToolButton *button = info.expSimButton();
    if (!earlierList.isEmpty())
        info.setExposureSimulationList(earlierList);
    if (earlierValue >= 0)
        info.setExposureSimulation(earlierValue);
    info.setExposureSimulationList(list);
    if (value >= 0)
        info.setExposureSimulation(value);

    QCOMPARE(button->state(), state);
    QCOMPARE(button->property("MappedState").toInt(), mappedState);
    QCOMPARE(button->isChecked(), state > 0);
    QCOMPARE(shown(button), list.size() >= 2);

    QSignalSpy spy(&info, &TVK_GUI_LiveViewInfoWidget::signalExposureSimulation);
    button->click();
    QCOMPARE(button->state(), stateAfterClick);
    QCOMPARE(button->isChecked(), stateAfterClick > 0);
    QCOMPARE(spy.count(), emitted < 0 ? 0 : 1);
    if (emitted >= 0)
        QCOMPARE(spy.first().at(0).toInt(), emitted);
}

void tst_LiveViewWindow::exposureSimulationPictureFollowsMappedState()
{
    TVK_GUI_LiveViewInfoWidget info;
    QVERIFY(TVK_GUI_Resources::applyStyleSheet(&info));
    info.setLiveViewMode(2);
    info.setExposureSimulationList({0, 2, 3});
    info.show();
    TVK_GUI_MultiStateToolButton *button = info.expSimButton();

    auto look = [&](int value) {
        info.setExposureSimulation(value);
        return button->grab().toImage();
    };
    const QImage off = look(0);
    const QImage aperture = look(2);
    const QImage apertureShutter = look(3);
    QVERIFY(off != aperture);
    QVERIFY2(aperture != apertureShutter, "the MappedState rule did not reach the picture");
    QCOMPARE(look(2), aperture);
}

void tst_LiveViewWindow::greyCardAndAfButtonsReportTheUser()
{
    TVK_GUI_LiveViewInfoWidget info;
    info.setLiveViewMode(2);
    info.show();
    QSignalSpy pipActive(&info, &TVK_GUI_LiveViewInfoWidget::signalGCPipIsActive);
    QSignalSpy pipSave(&info, &TVK_GUI_LiveViewInfoWidget::signalGCPipSave);
    QSignalSpy afPressed(&info, &TVK_GUI_LiveViewInfoWidget::signalAFPressed);
    QSignalSpy afReleased(&info, &TVK_GUI_LiveViewInfoWidget::signalAFReleased);
    QSignalSpy zoom(&info, &TVK_GUI_LiveViewInfoWidget::signalZoomLevelClicked);

    info.setZoomInfo(0, 0, 0.5, 0.5);
    QVERIFY(shown(info.afOnButton()));
    QTest::mousePress(info.afOnButton(), Qt::LeftButton);
    QCOMPARE(afPressed.count(), 1);
    QCOMPARE(afReleased.count(), 0);
    QTest::mouseRelease(info.afOnButton(), Qt::LeftButton);
    QCOMPARE(afReleased.count(), 1);

    QTest::mouseClick(info.gcPipButton(), Qt::LeftButton);
    QCOMPARE(pipActive.count(), 1);
    QCOMPARE(pipActive.last().at(0).toBool(), true);
    QVERIFY(info.isGCPipActive());
    QVERIFY(!shown(info.afOnButton()));
    info.setZoomInfo(0, 1, 0.5, 0.5);
    QVERIFY(!shown(info.afOnButton()));

    QVERIFY(!shown(info.gcSaveButton()));
    info.setGCPipNeedsSave(0.3, 0.4);
    QVERIFY(shown(info.gcSaveButton()));
    QTest::mouseClick(info.gcSaveButton(), Qt::LeftButton);
    QCOMPARE(pipSave.count(), 1);

    QTest::mouseClick(info.gcPipButton(), Qt::LeftButton);
    QCOMPARE(pipActive.count(), 2);
    QCOMPARE(pipActive.last().at(0).toBool(), false);
    QVERIFY(!shown(info.gcSaveButton()));
    info.setZoomInfo(0, 1, 0.5, 0.5);
    QVERIFY(shown(info.afOnButton()));

    // The camera's state arrives without echoing back as a user action.
    info.setGCPipIsActive(true);
    QVERIFY(info.gcPipButton()->isChecked());
    QVERIFY(!shown(info.afOnButton()));
    QCOMPARE(pipActive.count(), 2);

    QTest::mouseClick(info.zoomButton(), Qt::LeftButton);
    QCOMPARE(zoom.count(), 1);
    QVERIFY2(!info.zoomButton()->isChecked(), "the zoom button stayed checked");
}

void tst_LiveViewWindow::audioMetersPaintGreenThenRed_data()
{
    QTest::addColumn<double>("level");
    QTest::addColumn<double>("peak");
    QTest::addColumn<int>("green");
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("grey");

    // 127 pixels: 80 % are 102 green pixels; the peak mark is 2 pixels wide.
    QTest::newRow("full scale") << 1.0 << 1.0 << 102 << 25 << 0;
    QTest::newRow("half, peak on the bar's end") << 0.5 << 0.5 << 66 << 0 << 61;
    QTest::newRow("loud, old quiet peak") << 0.9 << 0.3 << 102 << 12 << 13;
    QTest::newRow("silence") << 0.0 << 0.0 << 2 << 0 << 125;
    QTest::newRow("overload is clamped") << 1.5 << 2.0 << 102 << 25 << 0;
}

void tst_LiveViewWindow::audioMetersPaintGreenThenRed()
{
    QFETCH(double, level);
    QFETCH(double, peak);
    QFETCH(int, green);
    QFETCH(int, red);
    QFETCH(int, grey);

    TVK_GUI_LiveViewInfoWidget info;
    info.setLiveViewMode(1);
    info.show();
    QCOMPARE(info.audioMeterLeft()->width(), 127);

    info.setAudioLevel(level, 0.0, peak, 0.0);
    BarCounts left = countBar(info.audioMeterLeft()->grab().toImage());
    QCOMPARE(left.green, green);
    QCOMPARE(left.red, red);
    QCOMPARE(left.grey, grey);

    info.setAudioLevel(0.0, level, 0.0, peak);
    BarCounts right = countBar(info.audioMeterRight()->grab().toImage());
    QCOMPARE(right.green, green);
    QCOMPARE(right.red, red);
    QCOMPARE(right.grey, grey);
    left = countBar(info.audioMeterLeft()->grab().toImage());
    QCOMPARE(left.grey, 125);
}

void tst_LiveViewWindow::volumeIsPickedOnlyWhenManual_data()
{
    QTest::addColumn<bool>("manual");
    QTest::addColumn<int>("clickX");
    QTest::addColumn<double>("expected"); // -1: nothing emitted

    // 127 pixels: (x - 3) / 120.
    QTest::newRow("manual, middle") << true << 63 << 0.5;
    QTest::newRow("manual, far left clamps") << true << 0 << 0.0;
    QTest::newRow("manual, far right clamps") << true << 126 << 1.0;
    QTest::newRow("automatic") << false << 63 << -1.0;
}

void tst_LiveViewWindow::volumeIsPickedOnlyWhenManual()
{
    QFETCH(bool, manual);
    QFETCH(int, clickX);
    QFETCH(double, expected);

    TVK_GUI_LiveViewInfoWidget info;
    info.setLiveViewMode(1);
    info.setAudioVolume(0.25);
    info.setAudioVolumeIsManual(manual);
    info.show();
    TVK_GUI_AudioVolumeWidget *volume = info.audioVolume();
    QSignalSpy spy(&info, &TVK_GUI_LiveViewInfoWidget::signalAudioVolume);

    QTest::mouseClick(volume, Qt::LeftButton, Qt::NoModifier, QPoint(clickX, 4));

    QCOMPARE(spy.count(), expected < 0 ? 0 : 1);
    if (expected >= 0)
        QCOMPARE(spy.first().at(0).toDouble(), expected);
    QCOMPARE(volume->volume(), expected < 0 ? 0.25 : expected);

    // The triangle is there exactly when the volume is set by hand.
    const QImage image = volume->grab().toImage();
    const int apexX = qRound((volume->width() - 7) * volume->volume()) + 3;
    QCOMPARE(image.pixelColor(apexX, 1) == QColor(Qt::red), manual);
}

void tst_LiveViewWindow::timeCodeIsFormatted_data()
{
    QTest::addColumn<QVector<int>>("code"); // empty: never set
    QTest::addColumn<QString>("text");

    QTest::newRow("initial") << QVector<int>() << "00:00:00.00";
    QTest::newRow("padded") << QVector<int>{1, 2, 3, 4} << "01:02:03.04";
    QTest::newRow("last frame of a day") << QVector<int>{23, 59, 59, 29} << "23:59:59.29";
}

void tst_LiveViewWindow::timeCodeIsFormatted()
{
    QFETCH(QVector<int>, code);
    QFETCH(QString, text);

    TVK_GUI_LiveViewInfoWidget info;
    if (!code.isEmpty())
        info.setTimeCode(code[0], code[1], code[2], code[3]);
    QCOMPARE(info.timeCodeLabel()->text(), text);
}

// The live view dialog as the application builds it, in every mode, saved as
// lv_mode_<n>.png in the temporary folder for a look by eye.
void tst_LiveViewWindow::screenshotsOfEveryMode()
{
    QDialog dialog;
    auto *layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(2);
    auto *viewer = new TVK_GUI_ImageViewer(&dialog);
    viewer->setMinimumSize(300, 200);
    auto *info = new TVK_GUI_LiveViewInfoWidget(&dialog);
    layout->addWidget(viewer);
    layout->addWidget(info);
    QVERIFY(TVK_GUI_Resources::applyStyleSheet(&dialog));
    dialog.resize(660, 446);
    dialog.show();

    viewer->setWantColorMatch(false);
    viewer->setWantMoveInZoom(true);
    viewer->setExpSpotIsActive(true);
    viewer->setPixmap(scene(QSize(600, 400)));
    viewer->setZoomRect(0.3, 0.2, 0.4, 0.3);
    info->setExposureSimulationList({0, 2, 3});
    info->setExposureSimulation(2);
    info->setAudioVolumeIsManual(true);
    info->setAudioVolume(0.6);
    info->setAudioLevel(0.95, 0.55, 1.0, 0.7);
    info->setTimeCode(0, 12, 34, 15);

    QList<QImage> shots;
    for (int mode = 0; mode <= 4; ++mode) {
        viewer->setLiveViewMode(mode);
        info->setLiveViewMode(mode);
        viewer->setGCPipIsActive(mode == 4);
        info->setGCPipIsActive(mode == 4);
        viewer->setZoomInfo(0, mode == 2 || mode == 3 ? 1 : 0, 0.4, 0.55);
        info->setZoomInfo(0, 1, 0.4, 0.55);
        if (mode == 4)
            info->setGCPipNeedsSave(0.4, 0.55);
        const QImage shot = dialog.grab().toImage();
        QVERIFY(shot.save(QDir::temp().filePath(QStringLiteral("lv_mode_%1.png").arg(mode))));
        QVERIFY2(!shots.contains(shot), qPrintable(QStringLiteral("mode %1 looks like an earlier one").arg(mode)));
        shots << shot;
    }
}

QTEST_MAIN(tst_LiveViewWindow)
#include "tst_liveviewwindow.moc"
