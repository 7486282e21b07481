#include "TVK_GUI_PictureAnalysis.h"
#include "TVK_GUI_Settings.h"
#include "TVK_GUI_ViewAidsStore.h"
#include "TVK_GUI_ViewAidsToolBar.h"
#include "TVK_Test_Home.h"
#include "TVK_Test_LogCapture.h"

#include <QAction>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

using Aids = TVK_GUI_ViewAids;
using Store = TVK_GUI_ViewAidsStore;
using Settings = TVK_GUI_Settings;
using Change = std::function<void(Aids &)>;

constexpr int kProductA = 0x2031;
constexpr int kProductB = 0x2041;

} // namespace

Q_DECLARE_METATYPE(Change)

class tst_viewaids : public QObject
{
    Q_OBJECT

    TVK_Test_Home m_home;
    std::unique_ptr<QTemporaryDir> m_dir;

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        Settings::setFilePathForTesting(m_dir->filePath(QStringLiteral("aids.xml")));
    }

    void cleanup() { Settings::destroyInstance(); }

    // Every field survives its texts, each on its own, so a field written
    // under another's key shows.
    void eachFieldSurvivesItsTexts_data()
    {
        QTest::addColumn<Change>("change");
        QTest::newRow("histogram") << Change([](Aids &a) { a.analysis.histogram = true; });
        QTest::newRow("rgb log") << Change([](Aids &a) {
            a.histogramKind = Aids::kLERgb;
            a.histogramLogarithmic = true;
        });
        QTest::newRow("clipping blink") << Change([](Aids &a) {
            a.analysis.clipping = true;
            a.clippingStyle = Aids::kLEBlink;
        });
        QTest::newRow("thresholds") << Change([](Aids &a) {
            a.analysis.highlight = 240;
            a.analysis.shadow = 12;
        });
        QTest::newRow("peaking") << Change([](Aids &a) {
            a.analysis.peaking = true;
            a.analysis.sensitivity = TVK_Color_FocusPeaking::kLEHigh;
            a.peakingColour = Aids::kLEYellow;
        });
        QTest::newRow("golden, 16:9") << Change([](Aids &a) {
            a.guide = Aids::kLEGolden;
            a.crop = Aids::kLECrop16x9;
        });
        QTest::newRow("grid, 2:3") << Change([](Aids &a) {
            a.guide = Aids::kLEGrid;
            a.crop = Aids::kLECrop2x3;
        });
        QTest::newRow("onion") << Change([](Aids &a) {
            a.onionSkin = true;
            a.onionOpacity = 0.65;
        });
    }
    void eachFieldSurvivesItsTexts()
    {
        QFETCH(Change, change);
        Aids aids;
        change(aids);
        QVERIFY(aids != Aids());
        QCOMPARE(Store::fromTexts(Store::toTexts(aids)), aids);
    }

    // A text that is wrong costs its field only, with a line saying so.
    void wrongTextsGiveTheFieldsDefault_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("flag") << "Histogram" << "yes";
        QTest::newRow("word") << "Guide" << "spiral";
        QTest::newRow("level high") << "Highlight" << "256";
        QTest::newRow("level negative") << "Shadow" << "-1";
        QTest::newRow("level text") << "Highlight" << "bright";
        QTest::newRow("opacity") << "OnionOpacity" << "1.5";
        QTest::newRow("opacity nan") << "OnionOpacity" << "nan";
    }
    void wrongTextsGiveTheFieldsDefault()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QMap<QString, QString> texts = Store::toTexts(Aids());
        texts.insert(QStringLiteral("Peaking"), QStringLiteral("true"));
        texts.insert(key, text);
        TVK_Test_LogCapture log;
        const Aids read = Store::fromTexts(texts);
        Aids expected;
        expected.analysis.peaking = true;
        QCOMPARE(read, expected);
        QCOMPARE(log.matching(QStringLiteral("\"%1\" holds \"%2\"").arg(key, text)).size(), 1);
    }

    void crossingThresholdsAreMadeApart()
    {
        QMap<QString, QString> texts;
        texts.insert(QStringLiteral("Highlight"), QStringLiteral("100"));
        texts.insert(QStringLiteral("Shadow"), QStringLiteral("200"));
        const Aids read = Store::fromTexts(texts);
        QCOMPARE(read.analysis.highlight, 100);
        QVERIFY(read.analysis.shadow < read.analysis.highlight);
    }

    // Each product keeps its own aids, and they come back after a restart;
    // a file without any gives the defaults (all off).
    void aidsAreKeptPerProductAcrossARestart()
    {
        Aids live;
        live.analysis.peaking = true;
        live.guide = Aids::kLEThirds;
        Aids quick;
        quick.analysis.histogram = true;
        Settings::instance()->setLastProductId(kProductA);
        Store::save(Store::kLiveViewGroup, live);
        Store::save(Store::kQuickViewGroup, quick);
        Settings::instance()->setLastProductId(kProductB);
        QCOMPARE(Store::load(Store::kLiveViewGroup), Aids());
        QVERIFY(Settings::instance()->sync());
        Settings::destroyInstance();

        Settings::instance()->setLastProductId(kProductA);
        QCOMPARE(Store::load(Store::kLiveViewGroup), live);
        QCOMPARE(Store::load(Store::kQuickViewGroup), quick);
        Settings::instance()->setLastProductId(kProductB);
        QCOMPARE(Store::load(Store::kQuickViewGroup), Aids());
    }

    // The strip: a toggle signals once, setAids none; the keys of guides and
    // crop frames step through every choice and back to none.
    void stripSignalsTheUsersChangesOnly()
    {
        QWidget window;
        TVK_GUI_ViewAidsToolBar strip(TVK_GUI_ViewAidsToolBar::kLELiveView, &window);
        strip.addShortcutsTo(&window);
        QVector<Aids> changed;
        connect(&strip, &TVK_GUI_ViewAidsToolBar::signalAidsChanged, this, [&changed](const Aids &a) { changed << a; });
        Aids aids;
        aids.analysis.clipping = true;
        strip.setAids(aids);
        QCOMPARE(changed.size(), 0);
        QVERIFY(strip.clippingAction()->isChecked());

        strip.peakingAction()->trigger();
        QCOMPARE(changed.size(), 1);
        const Aids shown = changed.last();
        QVERIFY(shown.analysis.peaking);
        QVERIFY(shown.analysis.clipping);

        strip.guideAction()->trigger();
        QCOMPARE(strip.aids().guide, Aids::kLEThirds);
        strip.guideAction()->trigger();
        QCOMPARE(strip.aids().guide, Aids::kLEGuideNone);

        QAction *stepCrop = strip.findChild<QAction *>(QStringLiteral("StepCrop"));
        QVERIFY(stepCrop != nullptr);
        QCOMPARE(stepCrop->shortcut(), QKeySequence(Qt::Key_F));
        for (int crop = Aids::kLECrop1x1; crop <= Aids::kLECropCount; ++crop) {
            stepCrop->trigger();
            QCOMPARE(int(strip.aids().crop), crop % Aids::kLECropCount);
            QCOMPARE(strip.cropAction()->isChecked(), crop % Aids::kLECropCount != Aids::kLECropNone);
        }
    }

    void quickViewStripHasHistogramAndClippingOnly()
    {
        TVK_GUI_ViewAidsToolBar strip(TVK_GUI_ViewAidsToolBar::kLEQuickView);
        QVERIFY(strip.histogramAction() && strip.clippingAction());
        QVERIFY(!strip.peakingAction() && !strip.guideAction() && !strip.cropAction() && !strip.onionAction());
        Aids aids;
        aids.analysis.peaking = true; // kept, though this strip cannot show it
        strip.setAids(aids);
        strip.histogramAction()->trigger();
        QVERIFY(strip.aids().analysis.histogram);
        QVERIFY(strip.aids().analysis.peaking);
    }

    void analysedPictureComesDownToAScreensSize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QSize>("analysed");
        QTest::newRow("small stays") << QSize(1024, 680) << QSize(1024, 680);
        QTest::newRow("at the limit") << QSize(1600, 900) << QSize(1600, 900);
        QTest::newRow("24 MP") << QSize(6000, 4000) << QSize(1600, 1066);
        QTest::newRow("upright") << QSize(4000, 6000) << QSize(1066, 1600);
    }
    void analysedPictureComesDownToAScreensSize()
    {
        QFETCH(QSize, size);
        QFETCH(QSize, analysed);
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(Qt::white);
        TVK_Color_FrameAids::Choice choice;
        choice.clipping = true;
        const TVK_Color_FrameAids aids = TVK_GUI_PictureAnalysis::analyse(picture, choice);
        QCOMPARE(aids.sourceSize, analysed);
        QCOMPARE(aids.clipping.size(), analysed);
        // White clips everywhere, also once brought down.
        QCOMPARE(int(aids.clipping.constScanLine(analysed.height() - 1)[analysed.width() - 1]),
                 int(TVK_Color_Clipping::kLEHighlight));
    }

    // Pictures asked for in a row: the one asked for last comes out, one
    // replaced while it waited never does.
    void onlyTheNewestPictureIsSignalled()
    {
        TVK_GUI_PictureAnalysis analysis;
        QVector<QSize> results;
        connect(&analysis, &TVK_GUI_PictureAnalysis::signalAnalysed, this,
                [&results](const TVK_Color_FrameAids &aids) { results << aids.sourceSize; });
        TVK_Color_FrameAids::Choice choice;
        choice.histogram = choice.clipping = true;
        const auto picture = [](int height) {
            QImage image(6000, height, QImage::Format_RGB32);
            image.fill(Qt::gray);
            return image;
        };
        analysis.request(picture(4000), choice); // 1600x1066
        analysis.request(picture(3000), choice); // 1600x800, replaced before it starts
        analysis.request(picture(2000), choice); // 1600x533
        QTRY_VERIFY_WITH_TIMEOUT(!results.isEmpty() && results.last() == QSize(1600, 533), 20000);
        QVERIFY(!results.contains(QSize(1600, 800)));
        QTRY_VERIFY(!analysis.isBusy());

        // Nothing to compute cancels what waits.
        results.clear();
        analysis.request(picture(4000), choice);
        analysis.request(picture(3000), choice);
        analysis.request(QImage(), choice);
        QTRY_VERIFY(!analysis.isBusy());
        QVERIFY(!results.contains(QSize(1600, 800)));
        QVERIFY(!results.contains(QSize(1600, 1066)));
    }
};

QTEST_MAIN(tst_viewaids)
#include "tst_viewaids.moc"
