// The compiled-in pictures, style sheet and font. The whole test runs on a
// screen of device-pixel ratio 2, so the style-sheet checks also prove that the
// @2x twins are the pictures actually drawn.

#include "TVK_GUI_Resources.h"
#include "TVK_Test_LogCapture.h"

#include <QApplication>
#include <QFontDatabase>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QMainWindow>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QtTest>

namespace {

const QString kImages = QStringLiteral(":/TVK_GUI/images/");

// Every picture name, written out from the inventory (paths below the images folder).
QStringList expectedPictures()
{
    QStringList n;
    for (int i : {1, 2, 3, 4, 5, 6, 7, 10})
        n << QStringLiteral("3DAxis/3DAxis_Horizontal_%1").arg(i);
    for (int i : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11})
        n << QStringLiteral("3DAxis/3DAxis_Vertikal_%1").arg(i);
    for (int i = 0; i <= 9; ++i)
        n << QStringLiteral("7Segment/Digit_%1").arg(i) << QStringLiteral("7SegmentLoad/%1").arg(i);
    for (const char *d : {"b", "C", "H", "L_Capital", "l", "u", "inch", "null", "dot_on", "dot_off"})
        n << QStringLiteral("7Segment/Digit_") + d;
    for (const char *m : {"A-P", "A-A", "A-T", "A-m", "A-null"})
        n << QStringLiteral("7Segment/") + m;
    n << "7SegmentLoad/grey_eight" << "ExposCompensation/ExposCompensation_on" << "ExposCompensation/ExposCompensation_off";
    for (const char *m : {"spot", "centerWeighted", "multiField", "none"})
        n << QStringLiteral("ExposMetering/ExposMetering_") + m;
    for (const char *f : {"none", "center", "left", "right", "leftCenter", "rightCenter"})
        n << QStringLiteral("FocusConfirmation/FocusConfirmation_") + f;
    n << "LightBal/LightBal" << "LightBal/LightBal-inactive" << "LightBal/LightBal-(0.0-Left)" << "LightBal/LightBal-(0.0-Right)";
    for (const char *v : {"0.5", "1.0", "1.5", "2.0", "2.5", "3.0"})
        n << QStringLiteral("LightBal/LightBal-(+%1)").arg(v) << QStringLiteral("LightBal/LightBal-(-%1)").arg(v);
    for (const char *f : {"FlashSymbol_on", "FlashSymbol_off", "FlashXSymbol_on", "FlashXSymbol_off"})
        n << QStringLiteral("LightBal/") + f;
    for (const char *l : {"AFon_normal", "AFon_hover", "AFon_pressed", "ExpSimulation_off_checked", "ExpSimulation_off_hover",
                          "ExpSimulation_aperture_checked", "ExpSimulation_aperture_hover",
                          "ExpSimulation_apertureShutter_checked", "ExpSimulation_apertureShutter_hover", "ExpSpot",
                          "FocusCross", "GCPipette", "GCPipette_checked", "GCPipette_hover", "GCPipette_notChecked",
                          "GCSave_normal", "GCSave_hover", "LVMic", "LVmicLR", "RecVideo", "Zoom_checked", "Zoom_hover",
                          "Zoom_notChecked", "move_up", "move_down", "move_left", "move_right"})
        n << QStringLiteral("LiveView/") + l;
    for (int i = 1; i <= 5; ++i)
        n << QStringLiteral("LoadEffect/LoadEffect%1").arg(i);
    n << "LoadEffect/LoadEffectDefault";
    const QStringList thirds = {"0.3", "0.7", "1.0", "1.3", "1.7", "2.0", "2.3", "2.7", "3.0"};
    const QStringList halves = {"0.5", "1.0", "1.5", "2.0", "2.5", "3.0"};
    for (const QString &step : {QStringLiteral("333"), QStringLiteral("500")}) {
        QStringList values = {"0.0"};
        for (const QString &v : step == "333" ? thirds : halves)
            values << "+" + v << "-" + v;
        for (const QString &v : values)
            n << QStringLiteral("ViewFinderBelo/ExpComp/VFBelo_ExpComp_%1_(%2)").arg(step, v)
              << QStringLiteral("ViewFinderBelo/LightBal/VFBelo_LightBal_%1_(%2)").arg(step, v);
        for (const char *s : {"inact", "over", "under"})
            n << QStringLiteral("ViewFinderBelo/LightBal/VFBelo_LightBal_%1_(%2)").arg(step, s);
    }
    for (const char *m : {"P", "Pstar", "A", "S", "M", "T"})
        n << QStringLiteral("ViewFinderBelo/expMode/VFBelo_expMode_") + m;
    for (const char *s : {"F", "S", "m"})
        n << QStringLiteral("ViewFinderBelo/expSim/VFBelo_%1_expSim_on").arg(s)
          << QStringLiteral("ViewFinderBelo/expSim/VFBelo_%1_expSim_off").arg(s);
    n << "ViewFinderBelo/flashStatus/VFBelo_flashOn" << "ViewFinderBelo/isoAuto/VFBelo_isoAuto_on"
      << "ViewFinderBelo/isoAuto/VFBelo_isoAuto_off";
    for (const char *t : {"Battery100perCent", "Battery75perCent", "Battery50perCent", "Battery25perCent", "Battery10perCent",
                          "BatteryEmpty", "BatteryAC", "CameraBody", "CameraHandle", "NorbaLogo", "infinity", "downarrow",
                          "downarrow_inact", "MinGUI_notChecked", "MinGUI_notChecked_hover", "MinGUI_checked",
                          "MinGUI_checked_hover"})
        n << QString::fromLatin1(t);
    for (const char *s : {"VOID", "OFF", "FPS", "CS"})
        for (const char *l : {"notPressed", "hover", "pressed"})
            n << QStringLiteral("ReleaseButton_%1_%2").arg(s, l);
    for (const char *l : {"notPressed", "hover", "pressed"})
        n << QStringLiteral("VideoButton_") + l;
    for (const char *f : {"KeyLockButton", "LiveViewPhotoButton", "LiveViewVideoButton", "MirrorButton", "QuickViewButton"})
        for (const char *l : {"notChecked", "hover", "checked"})
            n << QStringLiteral("%1_%2").arg(f, l);
    return n;
}

QImage argb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

// Mean absolute channel difference between a grabbed widget and a picture laid
// over the widget's own background (taken from its corner, where the picture is clear).
double distance(const QImage &grabbed, QImage picture)
{
    picture.setDevicePixelRatio(1);   // compare device pixels with device pixels
    if (grabbed.size() != picture.size())
        return 1e9;
    QImage expected(picture.size(), QImage::Format_ARGB32);
    expected.fill(grabbed.pixel(0, 0));
    QPainter(&expected).drawImage(0, 0, picture);
    double sum = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = grabbed.pixel(x, y), b = expected.pixel(x, y);
            sum += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
        }
    return sum / (3.0 * expected.width() * expected.height());
}

bool near(QRgb a, QRgb b, int tolerance = 6)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
           && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

}   // namespace

class TstResources : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        TVK_GUI_Resources::initialize();
        TVK_GUI_Resources::initialize();   // a second call changes nothing
        QCOMPARE(qApp->devicePixelRatio(), 2.0);
    }

    void everyPictureHasItsTwin_data()
    {
        QTest::addColumn<QString>("name");
        for (const QString &name : expectedPictures())
            QTest::newRow(qPrintable(name)) << name;
    }
    void everyPictureHasItsTwin()
    {
        QFETCH(QString, name);
        const QImage one(kImages + name + ".png");
        const QImage two(kImages + name + "@2x.png");
        QVERIFY2(!one.isNull(), qPrintable(name));
        QVERIFY2(!two.isNull(), qPrintable(name + "@2x"));
        QCOMPARE(two.size(), one.size() * 2);
        // Qt finds the twin by itself on this dpr-2 screen
        const QPixmap shown = QIcon(kImages + name + ".png").pixmap(one.size());
        QCOMPARE(shown.devicePixelRatio(), 2.0);
        QImage shownImage = argb(shown.toImage()), twin = argb(two);
        // QImageReader guesses the ratio from the name only up to its first dot
        shownImage.setDevicePixelRatio(1);
        twin.setDevicePixelRatio(1);
        QCOMPARE(shownImage, twin);
    }

    void theInventoryHasNoStrayPictures()
    {
        QStringList found;
        QDirIterator it(kImages, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next().mid(kImages.size());
            if (!path.endsWith(QLatin1String("@2x.png")))
                found << path.chopped(4);
        }
        QStringList expected = expectedPictures();
        found.sort();
        expected.sort();
        QCOMPARE(found, expected);
    }

    void styleSheetHoldsTheRules()
    {
        const QString sheet = TVK_GUI_Resources::styleSheet();
        QVERIFY(!sheet.contains(QChar(0)));
        QString text = sheet;
        text.remove(QRegularExpression(QStringLiteral("/\\*.*?\\*/"), QRegularExpression::DotMatchesEverythingOption));
        QMap<QString, QString> rules;
        for (const QString &chunk : text.split(QLatin1Char('}'), Qt::SkipEmptyParts)) {
            if (chunk.trimmed().isEmpty())
                continue;
            const QStringList parts = chunk.split(QLatin1Char('{'));
            QCOMPARE(parts.size(), 2);
            QVERIFY(!parts.at(0).trimmed().isEmpty());
            rules.insert(parts.at(0).simplified(), parts.at(1).simplified());
        }
        QVERIFY(rules.size() > 60);
        QCOMPARE(rules.value("QMainWindow, QDialog"), QStringLiteral("background: #333333;"));
        QCOMPARE(rules.value("QLineEdit:!enabled"), QStringLiteral("background: #333333; border: 1px solid #878787; color: #878787;"));
        QCOMPARE(rules.value("QLineEdit#ledCurrDistance"), QStringLiteral("background: #333333; border: 1px solid #fa8433;"));
        QCOMPARE(rules.value("QToolButton:pressed"), QStringLiteral("background: #3a3a3a; color: #fa8433;"));
        QCOMPARE(rules.value("QToolButton:checked"), QStringLiteral("background: #333333; color: #fa8433;"));
        QVERIFY(rules.value("QSlider::sub-page:horizontal").contains("background: #fa8433; border: 1px solid #d76d20;"));
        QCOMPARE(rules.value("QPushButton#pbnLink"), QStringLiteral("background: #333333; border: 0px; color: #33aaff;"));
        QCOMPARE(rules.value("QPushButton#pbnCapture[PowerSwitch=\"3\"]:pressed"),
                 QStringLiteral("image: url(:/TVK_GUI/images/ReleaseButton_CS_pressed.png);"));
        QCOMPARE(rules.value("QToolButton#tbnExpSim[MappedState=\"2\"]:checked"),
                 QStringLiteral("image: url(:/TVK_GUI/images/LiveView/ExpSimulation_aperture_checked.png);"));
        // every picture it names is in the resources
        QRegularExpressionMatchIterator urls = QRegularExpression(QStringLiteral("url\\(([^)]*)\\)")).globalMatch(text);
        int count = 0;
        for (; urls.hasNext(); ++count) {
            const QString url = urls.next().captured(1);
            QVERIFY2(QFile::exists(url), qPrintable(url));
        }
        QVERIFY(count > 50);
        // and Qt reads it without complaint
        TVK_Test_LogCapture log;
        QMainWindow window;
        QVERIFY(TVK_GUI_Resources::applyStyleSheet(&window));
        window.setCentralWidget(new QLineEdit);
        window.grab();
        QVERIFY2(log.matching(QStringLiteral("parse")).isEmpty(), qPrintable(log.lines().join('\n')));
    }

    void powerSwitchPicksThePicture_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("state");
        QTest::newRow("absent") << QVariant() << "VOID";
        QTest::newRow("0") << QVariant(0) << "VOID";
        QTest::newRow("1") << QVariant(1) << "OFF";
        QTest::newRow("2") << QVariant(2) << "FPS";
        QTest::newRow("3") << QVariant(3) << "CS";
        QTest::newRow("4") << QVariant(4) << "VOID";
    }
    void powerSwitchPicksThePicture()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, state);
        QMainWindow window;
        TVK_GUI_Resources::applyStyleSheet(&window);
        auto *button = new QPushButton;
        button->setObjectName(QStringLiteral("pbnCapture"));
        window.setCentralWidget(button);
        const QSize size = QImage(kImages + "ReleaseButton_VOID_notPressed.png").size();
        button->setFixedSize(size);
        window.ensurePolished();
        // the panel changes the property on a styled button and re-polishes it
        button->setProperty("PowerSwitch", value);
        button->style()->unpolish(button);
        button->style()->polish(button);
        const QImage grabbed = argb(button->grab().toImage());
        QCOMPARE(grabbed.size(), size * 2);
        QMap<double, QString> byDistance;
        for (const char *candidate : {"VOID", "OFF", "FPS", "CS"})
            byDistance.insert(distance(grabbed, argb(QImage(kImages + "ReleaseButton_" + candidate + "_notPressed@2x.png"))),
                              QString::fromLatin1(candidate));
        QCOMPARE(byDistance.first(), state);
        QVERIFY2(byDistance.firstKey() < 2.0, qPrintable(QString::number(byDistance.firstKey())));
    }

    void disabledLineEditIsGreyOnTheWindowColour()
    {
        QMainWindow window;
        TVK_GUI_Resources::applyStyleSheet(&window);
        auto *edit = new QLineEdit(QStringLiteral("888888"));
        window.setCentralWidget(edit);
        edit->setFixedSize(120, 24);
        edit->setEnabled(false);
        const QImage image = argb(edit->grab().toImage());
        QVERIFY(near(image.pixel(image.width() - 4, image.height() / 2), qRgb(0x33, 0x33, 0x33), 1));
        QVERIFY(near(image.pixel(0, image.height() / 2), qRgb(0x87, 0x87, 0x87), 1));
        int textPixels = 0;
        for (int y = 3; y < image.height() - 3; ++y)
            for (int x = 3; x < image.width() / 2; ++x)
                textPixels += near(image.pixel(x, y), qRgb(0x87, 0x87, 0x87)) ? 1 : 0;
        QVERIFY2(textPixels > 20, qPrintable(QString::number(textPixels)));
        edit->setEnabled(true);   // the enabled look differs: lighter field
        QVERIFY(near(argb(edit->grab().toImage()).pixel(image.width() - 4, image.height() / 2), qRgb(0x79, 0x79, 0x79), 1));
    }

    void panelFontRegisters()
    {
        QVERIFY(QFile::exists(QStringLiteral(":/TVK_GUI/fonts/Dalmo_Regular.ttf")));
        const QString family = TVK_GUI_Resources::registerFont();
        QVERIFY(!family.isEmpty());
        QVERIFY(QFontDatabase().families().contains(family));
    }

    // The sizes installed under share/icons/hicolor, each a real drawing: the
    // lens centre is opaque at every size.
    void windowIconHasEveryInstalledSize()
    {
        const QIcon icon = TVK_GUI_Resources::windowIcon();
        const QList<QSize> sizes = icon.availableSizes();
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
            const QImage image(QStringLiteral(":/TVK_GUI/icons/norba-pellora-%1.png").arg(size));
            QCOMPARE(image.size(), QSize(size, size));
            QCOMPARE(qAlpha(argb(image).pixel(size * 124 / 256, size * 122 / 256)), 255);
        }
    }

    void missingWindowIconIsLogged()
    {
        Q_CLEANUP_RESOURCE(tvk_gui_static);
        TVK_Test_LogCapture log;
        const QIcon icon = TVK_GUI_Resources::windowIcon();
        Q_INIT_RESOURCE(tvk_gui_static);
        QVERIFY(icon.isNull());
        const QStringList lines = log.matching(QStringLiteral("TVK_GUI_Resources::windowIcon() - cannot find"));
        QCOMPARE(lines.size(), 7);
        QVERIFY2(lines.first().contains(QStringLiteral(":/TVK_GUI/icons/norba-pellora-16.png")), qPrintable(lines.first()));
        QVERIFY(!TVK_GUI_Resources::windowIcon().isNull());
    }

    void missingStyleSheetIsLogged()
    {
        Q_CLEANUP_RESOURCE(tvk_gui_static);
        TVK_Test_LogCapture log;
        QWidget widget;
        const bool applied = TVK_GUI_Resources::applyStyleSheet(&widget);
        Q_INIT_RESOURCE(tvk_gui_static);
        QVERIFY(!applied);
        QVERIFY(widget.styleSheet().isEmpty());
        const QStringList lines = log.matching(QStringLiteral("cannot find style.css"));
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().contains(QStringLiteral("TVK_GUI_Resources::styleSheet() - cannot find style.css")),
                 qPrintable(lines.first()));
        QVERIFY(!TVK_GUI_Resources::styleSheet().isEmpty());
    }
};

int main(int argc, char **argv)
{
    // a high-density screen, and the attribute the application sets at start
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QApplication app(argc, argv);
    TstResources test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_resources.moc"
