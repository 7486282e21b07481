#include "TVK_GUI_3DAxisDataWidget.h"
#include "TVK_GUI_7SegmentDigitWidget.h"
#include "TVK_GUI_7SegmentFocusConfirmWidget.h"
#include "TVK_GUI_7SegmentLightBalWidget.h"
#include "TVK_GUI_7SegmentLoadCounterWidget.h"
#include "TVK_GUI_7SegmentLoadDigitWidget.h"
#include "TVK_GUI_7SegmentShutTimeWidget.h"
#include "TVK_GUI_LoadIndicatorWidget.h"
#include "TVK_GUI_PictureLabel.h"
#include "TVK_GUI_Resources.h"
#include "TVK_GUI_VFBelo_LightBalExpCompensWidget.h"
#include "TVK_GUI_ViewFinderArdo.h"
#include "TVK_GUI_ViewFinderBelo.h"
#include "TVK_Test_LogCapture.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const QString kImages = QStringLiteral(":/TVK_GUI/images/");

// A picture path relative to the image folder without ".png" ("7Segment/Digit_4");
// anything else comes back whole so that a wrong folder shows in the failure.
QString shortName(const QString &path)
{
    if (path.startsWith(kImages) && path.endsWith(QLatin1String(".png")))
        return path.mid(kImages.size(), path.size() - kImages.size() - 4);
    return path;
}

QString shown(const QObject *root, const char *name)
{
    const auto *label = root->findChild<TVK_GUI_PictureLabel *>(QLatin1String(name));
    return label ? shortName(label->picture()) : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

QString text(const QObject *root, const char *name)
{
    const auto *label = root->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

QTimer *timer(const QObject *root, const char *name)
{
    return root->findChild<QTimer *>(QLatin1String(name));
}

void tick(QTimer *t)
{
    QVERIFY(t);
    QMetaObject::invokeMethod(t, "timeout");
}

// The four shutter digits as short tokens: "Digit_" dropped, "_" for blank.
QString shutterDigitsOf(const QObject *root)
{
    QStringList tokens;
    for (const char *name : {"digShutTime1", "digShutTime2", "digShutTime3", "digShutTime4"}) {
        QString picture = shown(root, name);
        picture.remove(QStringLiteral("7Segment/Digit_"));
        tokens << (picture == QLatin1String("null") ? QStringLiteral("_") : picture);
    }
    return tokens.join(QLatin1Char(' '));
}

// Every picture, text, visibility and timer state below root, for "did anything change".
QStringList snapshot(const QWidget *root)
{
    QStringList state;
    for (const QWidget *w : root->findChildren<QWidget *>()) {
        QString entry = w->objectName() + QLatin1Char('=');
        if (const auto *picture = qobject_cast<const TVK_GUI_PictureLabel *>(w))
            entry += picture->picture();
        else if (const auto *label = qobject_cast<const QLabel *>(w))
            entry += label->text();
        state << entry + (w->isHidden() ? QStringLiteral(" hidden") : QString());
    }
    for (const QTimer *t : root->findChildren<QTimer *>())
        state << t->objectName() + (t->isActive() ? QStringLiteral(" running") : QString());
    return state;
}

} // namespace

class TstViewFinder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formsHoldTheNamedReadOutsInOrder();
    void initialPictures();
    void missingPictureIsQuietAndRemembered();
    void digitPictures_data();
    void digitPictures();
    void shutterDigits_data();
    void shutterDigits();
    void shutterCounters_data();
    void shutterCounters();
    void apertureDigits_data();
    void apertureDigits();
    void singlePictureReadOuts_data();
    void singlePictureReadOuts();
    void lightBalanceScale_data();
    void lightBalanceScale();
    void lightBalanceFollowsExposureMode();
    void flashSymbols_data();
    void flashSymbols();
    void focusConfirmation_data();
    void focusConfirmation();
    void focusBadSignalAlternatesOnTicks();
    void level_data();
    void level();
    void levelKeepsPreviousPairForImpossibleRoll();
    void loadCounter_data();
    void loadCounter();
    void loadIndicatorCyclesFrames();
    void beloModeAndIso_data();
    void beloModeAndIso();
    void beloAperture_data();
    void beloAperture();
    void beloShutter_data();
    void beloShutter();
    void beloScales_data();
    void beloScales();
    void beloStepChangeRedrawsBothScales();
    void beloFlashBlinks();
    void variantsRouteOnlyTheirSlots();
    void everySelectedPictureIsCompiledIn(); // registers the resources, so it runs last
    void readOutsShowTheirPicturesUnscaled_data();
    void readOutsShowTheirPicturesUnscaled();
    void beloTextsUseThePanelFont_data();
    void beloTextsUseThePanelFont(); // registers the panel font, after everything else
};

void TstViewFinder::formsHoldTheNamedReadOutsInOrder()
{
    auto names = [](const QLayout *layout) {
        QStringList result;
        for (int i = 0; layout && i < layout->count(); ++i) {
            QLayoutItem *item = layout->itemAt(i);
            if (item->widget())
                result << QStringLiteral("%1:%2").arg(item->widget()->objectName(),
                                                      QLatin1String(item->widget()->metaObject()->className()));
            else if (item->layout())
                result << item->layout()->objectName();
        }
        return result.join(QLatin1Char(' '));
    };
    TVK_GUI_ViewFinderArdo ardo;
    QCOMPARE(names(ardo.findChild<QHBoxLayout *>(QStringLiteral("hlyViewFinder"))),
             QStringLiteral("wgt3DAxisData:TVK_GUI_3DAxisDataWidget wgt7SegShutTime:TVK_GUI_7SegmentShutTimeWidget "
                            "wgt7SegExpMode:TVK_GUI_7SegmentExpModeWidget wgt7SegAperture:TVK_GUI_7SegmentApertureWidget "
                            "wgt7SegLightBal:TVK_GUI_7SegmentLightBalWidget "
                            "wgt7SegFocusConfirm:TVK_GUI_7SegmentFocusConfirmWidget "
                            "wgt7SegExpCompens:TVK_GUI_7SegmentExpCompensWidget "
                            "wgt7SegExpMeter:TVK_GUI_7SegmentExpMeterWidget"));
    TVK_GUI_ViewFinderBelo belo;
    QCOMPARE(names(belo.findChild<QHBoxLayout *>(QStringLiteral("hlyViewFinder"))),
             QStringLiteral("hlyExpSens wgtLightBalExpCompens:TVK_GUI_VFBelo_LightBalExpCompensWidget hlyAperShut"));
    QCOMPARE(names(belo.findChild<QHBoxLayout *>(QStringLiteral("hlyExpSens"))),
             QStringLiteral("wgtExpMode:TVK_GUI_VFBelo_ExpModeWidget wgtSensitivity:TVK_GUI_VFBelo_SensitivityWidget"));
    QCOMPARE(names(belo.findChild<QHBoxLayout *>(QStringLiteral("hlyAperShut"))),
             QStringLiteral("wgtAperture:TVK_GUI_VFBelo_ApertureWidget wgtShutTime:TVK_GUI_VFBelo_ShutTimeWidget"));
}

void TstViewFinder::initialPictures()
{
    TVK_Test_LogCapture log;
    TVK_GUI_ViewFinderArdo ardo;
    const QList<QPair<const char *, const char *>> expected = {
        {"digShutTime1", "7Segment/Digit_null"}, {"digAperture1", "7Segment/Digit_null"},
        {"lblApertureDot", "7Segment/Digit_dot_off"}, {"wgt7SegExpMode", "7Segment/A-null"},
        {"wgt7SegExpMeter", "ExposMetering/ExposMetering_none"},
        {"wgt7SegExpCompens", "ExposCompensation/ExposCompensation_off"}, {"lblLightBal", "LightBal/LightBal"},
        {"lblFlash", "LightBal/FlashSymbol_off"}, {"lblFlashX", "LightBal/FlashXSymbol_off"},
        {"wgt7SegFocusConfirm", "FocusConfirmation/FocusConfirmation_none"},
        {"lbl3DAxisHorizontal", "3DAxis/3DAxis_Horizontal_10"}, {"lbl3DAxisVertical", "3DAxis/3DAxis_Vertikal_11"}};
    for (const auto &row : expected)
        QCOMPARE(shown(&ardo, row.first), QLatin1String(row.second));
    QCOMPARE(ardo.findChild<QWidget *>(QStringLiteral("wgt7SegFocusConfirm"))->size(), QSize(33, 15));
    QCOMPARE(ardo.findChild<QWidget *>(QStringLiteral("wgt3DAxisData"))->size(), QSize(43, 23));

    TVK_GUI_ViewFinderBelo belo;
    QCOMPARE(shown(&belo, "wgtExpMode"), QString());
    QCOMPARE(shown(&belo, "lblExpComp"), QStringLiteral("ViewFinderBelo/ExpComp/VFBelo_ExpComp_500_(0.0)"));
    QCOMPARE(shown(&belo, "lblLightBal"), QStringLiteral("ViewFinderBelo/LightBal/VFBelo_LightBal_500_(0.0)"));
    QCOMPARE(shown(&belo, "lblFlash"), QString());
    QCOMPARE(log.lines(), QStringList());
}

void TstViewFinder::missingPictureIsQuietAndRemembered()
{
    TVK_Test_LogCapture log;
    TVK_GUI_PictureLabel label;
    label.resize(20, 20);
    label.setPicture(QStringLiteral(":/TVK_GUI/images/no/such/picture.png"));
    QCOMPARE(label.picture(), QStringLiteral(":/TVK_GUI/images/no/such/picture.png"));
    QVERIFY(label.pixmap(Qt::ReturnByValue).isNull());
    label.grab();
    QCOMPARE(log.lines(), QStringList());
    label.setPicture(QString());
    QCOMPARE(label.picture(), QString());
}

void TstViewFinder::everySelectedPictureIsCompiledIn()
{
    TVK_GUI_Resources::initialize();
    TVK_GUI_ViewFinderArdo ardo;
    TVK_GUI_ViewFinderBelo belo;
    QStringList missing;
    auto check = [&missing](const QWidget &root) {
        for (const TVK_GUI_PictureLabel *label : root.findChildren<TVK_GUI_PictureLabel *>()) {
            const QString path = label->picture();
            if (!path.isEmpty() && label->pixmap(Qt::ReturnByValue).isNull() && !missing.contains(path))
                missing << path;
        }
    };
    const QStringList texts = {"1/4000", "1/250", "B", "2", "0.5", "1.3", "30", "2m"};
    for (int i = -12; i <= 12; ++i) {
        for (TVK_GUI_ViewFinderBase *vf : {static_cast<TVK_GUI_ViewFinderBase *>(&ardo),
                                           static_cast<TVK_GUI_ViewFinderBase *>(&belo)}) {
            vf->setExposureMode(i % 7 == 0 ? 0 : qAbs(i) % 7);
            vf->setExposMetering(i % 5);
            // Compensation in thousandths on the step's grid, within the +-3 stops the camera offers.
            vf->setExposCompensStep(i % 2 ? 333 : 500);
            vf->setExposCompens(i % 2 ? qBound(-9, i, 9) * 1000 / 3 : qBound(-6, i, 6) * 500);
            vf->setLightBalance(i);
            vf->setLightBalIsActive(i % 5 != 0);
            vf->setFocusConfirmation(i % 4);
            vf->setFocusConfirmBadSig(i % 3 == 0);
            vf->setFlashStatus(i % 3);
            vf->setFlashXSymbol(i % 2);
            vf->setExposureSimulation(qAbs(i) % 4);
            vf->setSensitivityAuto(i % 2);
            vf->setShutterTime(texts.at(qAbs(i) % texts.size()));
            vf->setAperture(QString::number(qAbs(i) + 0.5 * (i % 2)));
            for (int j = -12; j <= 12; j += 3)
                vf->set3DAxisAngles(i, j);
            for (QTimer *t : vf->findChildren<QTimer *>())
                tick(t);
            check(*vf);
        }
    }
    TVK_GUI_7SegmentLoadCounterWidget counter;
    TVK_GUI_LoadIndicatorWidget indicator;
    for (int n = 0; n <= 100; n += 7) {
        counter.setCounter(n);
        tick(indicator.loadImageTimer());
        check(counter);
        check(indicator);
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char(' '))));
}

void TstViewFinder::digitPictures_data()
{
    QTest::addColumn<QChar>("character");
    QTest::addColumn<QString>("name");
    const QString digits = QStringLiteral("0123456789");
    for (const QChar c : digits)
        QTest::newRow(qPrintable(QString(c))) << c << QStringLiteral("Digit_") + c;
    const QList<QPair<char, const char *>> letters = {
        {'"', "inch"}, {'B', "b"}, {'b', "b"}, {'C', "C"},     {'c', "C"}, {'H', "H"}, {'h', "H"},
        {'L', "L_Capital"}, {'l', "l"}, {'S', "5"}, {'s', "5"}, {'u', "u"}, {'U', "null"}, {' ', "null"},
        {'x', "null"}, {'.', "null"}};
    for (const auto &row : letters)
        QTest::newRow(QByteArray(1, row.first).constData())
            << QChar(QLatin1Char(row.first)) << QStringLiteral("Digit_") + QLatin1String(row.second);
}

void TstViewFinder::digitPictures()
{
    QFETCH(QChar, character);
    QFETCH(QString, name);
    TVK_GUI_7SegmentDigitWidget digit;
    digit.setDigit(character);
    QCOMPARE(digit.picture(), QStringLiteral(":/TVK_GUI/images/7Segment/%1.png").arg(name));
}

void TstViewFinder::shutterDigits_data()
{
    // "time" goes through setShutterTime, "left"/"right" through setText.
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("digits");
    QTest::newRow("fraction") << "time" << "1/4000" << "4 0 0 0";
    QTest::newRow("short fraction") << "time" << "1/250" << "_ 2 5 0";
    QTest::newRow("fraction with unit") << "time" << "1/8000 s" << "8 0 0 0";
    QTest::newRow("bulb") << "time" << "B" << "b u l b";
    QTest::newRow("whole second") << "time" << "2" << "_ _ 2 inch";
    QTest::newRow("half second") << "time" << "0.5" << "_ 0 inch 5";
    QTest::newRow("one point three") << "time" << "1.3" << "_ 1 inch 3";
    QTest::newRow("thirty seconds") << "time" << "30" << "_ 3 0 inch";
    QTest::newRow("seconds and blank removed") << "time" << "15 s" << "_ 1 5 inch";
    QTest::newRow("empty") << "time" << "" << "_ _ _ inch";
    QTest::newRow("right keeps first four") << "right" << "12345" << "1 2 3 4";
    QTest::newRow("left pads behind") << "left" << "b" << "b _ _ _";
    QTest::newRow("left keeps first four") << "left" << "Hello" << "H null l l";
}

void TstViewFinder::shutterDigits()
{
    QFETCH(QString, call);
    QFETCH(QString, input);
    QFETCH(QString, digits);
    TVK_GUI_7SegmentShutTimeWidget widget;
    if (call == QLatin1String("time"))
        widget.setShutterTime(input);
    else
        widget.setText(input, call == QLatin1String("left"));
    QCOMPARE(shutterDigitsOf(&widget), digits.replace(QStringLiteral("null"), QStringLiteral("_")));
}

void TstViewFinder::shutterCounters_data()
{
    // Steps "t:<shutter text>", "b:<bulb count>", "s:<self-timer count>", applied in order.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("digits");
    QTest::addColumn<bool>("shutterFree");
    QTest::newRow("bulb counter") << QStringList{"t:B", "b:7"} << "b _ _ 7" << true;
    QTest::newRow("bulb three places") << QStringList{"b:123"} << "b 1 2 3" << true;
    QTest::newRow("bulb counter overflow cut") << QStringList{"b:1234"} << "b 1 2 3" << true;
    QTest::newRow("negative bulb ignored") << QStringList{"t:1/250", "b:-1"} << "_ 2 5 0" << true;
    QTest::newRow("self-timer") << QStringList{"s:5"} << "5 _ _ 5" << false;
    QTest::newRow("self-timer blocks shutter") << QStringList{"s:5", "t:1/250", "s:2", "t:1/500"} << "5 _ _ 2"
                                               << false;
    QTest::newRow("count below two frees") << QStringList{"s:5", "s:1"} << "5 _ _ 1" << true;
    QTest::newRow("freed shutter shows again") << QStringList{"s:5", "s:1", "t:1/250"} << "_ 2 5 0" << true;
    QTest::newRow("negative count frees") << QStringList{"s:3", "s:-1", "t:30"} << "_ 3 0 inch" << true;
    QTest::newRow("self-timer end shows the shutter time again")
        << QStringList{"t:1/250", "s:10", "s:0"} << "_ 2 5 0" << true;
    QTest::newRow("negative self-timer count shows the shutter time again")
        << QStringList{"t:1/250", "s:3", "s:-1"} << "_ 2 5 0" << true;
    QTest::newRow("time changed during the self-timer shown at its end")
        << QStringList{"t:1/250", "s:5", "t:1/500", "s:-1"} << "_ 5 0 0" << true;
    QTest::newRow("self-timer end before any shutter time is blank") << QStringList{"s:5", "s:0"} << "_ _ _ _"
                                                                      << true;
    QTest::newRow("bulb end shows bulb again") << QStringList{"t:B", "b:17", "b:-1"} << "b u l b" << true;
    QTest::newRow("bulb end leaves a running self-timer") << QStringList{"t:B", "s:5", "b:-1"} << "5 _ _ 5"
                                                          << false;
}

void TstViewFinder::shutterCounters()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, digits);
    QFETCH(bool, shutterFree);
    TVK_GUI_ViewFinderArdo ardo;
    for (const QString &step : steps) {
        const QString value = step.mid(2);
        if (step.startsWith(QLatin1String("t:")))
            ardo.setShutterTime(value);
        else if (step.startsWith(QLatin1String("b:")))
            ardo.setBulbCounter(value.toInt());
        else
            ardo.setSelfTimerCounter(value.toInt());
    }
    QCOMPARE(shutterDigitsOf(&ardo), digits);
    QCOMPARE(ardo.isShutterDisplayFree(), shutterFree);
}

void TstViewFinder::apertureDigits_data()
{
    QTest::addColumn<QString>("aperture");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("point");
    QTest::newRow("2.8") << "2.8" << "Digit_2" << "Digit_8" << true;
    QTest::newRow("11") << "11" << "Digit_1" << "Digit_1" << false;
    QTest::newRow("4") << "4" << "Digit_4" << "Digit_0" << true;
    QTest::newRow("f and blank") << "f 5.6" << "Digit_5" << "Digit_6" << true;
    QTest::newRow("empty") << "" << "Digit_null" << "Digit_null" << false;
}

void TstViewFinder::apertureDigits()
{
    QFETCH(QString, aperture);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, point);
    TVK_GUI_ViewFinderArdo ardo;
    ardo.setAperture(aperture);
    QCOMPARE(shown(&ardo, "digAperture1"), QStringLiteral("7Segment/") + first);
    QCOMPARE(shown(&ardo, "digAperture2"), QStringLiteral("7Segment/") + second);
    QCOMPARE(shown(&ardo, "lblApertureDot"),
             point ? QStringLiteral("7Segment/Digit_dot_on") : QStringLiteral("7Segment/Digit_dot_off"));
}

void TstViewFinder::singlePictureReadOuts_data()
{
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("label");
    QTest::addColumn<QString>("picture");
    struct Row {
        const char *slot;
        int value;
        const char *label;
        const char *picture;
    };
    const Row rows[] = {
        {"setExposureMode", 0, "wgt7SegExpMode", "7Segment/A-m"},
        {"setExposureMode", 1, "wgt7SegExpMode", "7Segment/A-T"},
        {"setExposureMode", 2, "wgt7SegExpMode", "7Segment/A-A"},
        {"setExposureMode", 3, "wgt7SegExpMode", "7Segment/A-P"},
        {"setExposureMode", 4, "wgt7SegExpMode", "7Segment/A-null"},
        {"setExposureMode", 5, "wgt7SegExpMode", "7Segment/A-P"},
        {"setExposureMode", 6, "wgt7SegExpMode", "7Segment/A-null"},
        {"setExposureMode", -1, "wgt7SegExpMode", "7Segment/A-null"},
        {"setExposMetering", 0, "wgt7SegExpMeter", "ExposMetering/ExposMetering_spot"},
        {"setExposMetering", 1, "wgt7SegExpMeter", "ExposMetering/ExposMetering_centerWeighted"},
        {"setExposMetering", 2, "wgt7SegExpMeter", "ExposMetering/ExposMetering_multiField"},
        {"setExposMetering", 3, "wgt7SegExpMeter", "ExposMetering/ExposMetering_none"},
        {"setExposCompens", 0, "wgt7SegExpCompens", "ExposCompensation/ExposCompensation_off"},
        {"setExposCompens", 333, "wgt7SegExpCompens", "ExposCompensation/ExposCompensation_on"},
        {"setExposCompens", -1000, "wgt7SegExpCompens", "ExposCompensation/ExposCompensation_on"},
    };
    for (const Row &r : rows)
        QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(QLatin1String(r.slot)).arg(r.value)))
            << QByteArray(r.slot) << r.value << QByteArray(r.label) << QString::fromLatin1(r.picture);
}

void TstViewFinder::singlePictureReadOuts()
{
    QFETCH(QByteArray, slot);
    QFETCH(int, value);
    QFETCH(QByteArray, label);
    QFETCH(QString, picture);
    TVK_GUI_ViewFinderArdo ardo;
    QVERIFY(QMetaObject::invokeMethod(&ardo, slot.constData(), Q_ARG(int, value)));
    QCOMPARE(shown(&ardo, label.constData()), picture);
}

void TstViewFinder::lightBalanceScale_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("active");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("blinkTimer"); // empty: steady
    QTest::newRow("centre") << 0 << true << "LightBal" << "";
    QTest::newRow("inactive") << 7 << false << "LightBal-inactive" << "";
    const char *const plus[] = {"+0.5", "+1.0", "+1.5", "+2.0", "+2.5", "+3.0"};
    for (int v = 1; v <= 6; ++v) {
        QString minus = QString::fromLatin1(plus[v - 1]).replace(QLatin1Char('+'), QLatin1Char('-'));
        QTest::newRow(qPrintable(QString::number(v))) << v << true << QStringLiteral("LightBal-(%1)").arg(QLatin1String(plus[v - 1])) << "";
        QTest::newRow(qPrintable(QString::number(-v))) << -v << true << QStringLiteral("LightBal-(%1)").arg(minus) << "";
    }
    QTest::newRow("7 blinks right") << 7 << true << "LightBal-(0.0-Right)" << "tmrLightBalRight";
    QTest::newRow("40 blinks right") << 40 << true << "LightBal-(0.0-Right)" << "tmrLightBalRight";
    QTest::newRow("-7 blinks left") << -7 << true << "LightBal-(0.0-Left)" << "tmrLightBalLeft";
}

void TstViewFinder::lightBalanceScale()
{
    QFETCH(int, value);
    QFETCH(bool, active);
    QFETCH(QString, picture);
    QFETCH(QString, blinkTimer);
    TVK_GUI_ViewFinderArdo ardo;
    ardo.setLightBalance(-7); // a running blink must be stopped by the next value
    ardo.setLightBalance(value);
    ardo.setLightBalIsActive(active);
    const QString expected = QStringLiteral("LightBal/") + picture;
    QCOMPARE(shown(&ardo, "lblLightBal"), expected);
    for (const char *name : {"tmrLightBalLeft", "tmrLightBalRight"}) {
        QTimer *t = timer(&ardo, name);
        QVERIFY(t);
        QCOMPARE(t->interval(), 100);
        QCOMPARE(t->isActive(), blinkTimer == QLatin1String(name));
    }
    if (blinkTimer.isEmpty())
        return;
    QTimer *t = timer(&ardo, qPrintable(blinkTimer));
    tick(t);
    QCOMPARE(shown(&ardo, "lblLightBal"), QStringLiteral("LightBal/LightBal"));
    tick(t);
    QCOMPARE(shown(&ardo, "lblLightBal"), expected);
    ardo.setLightBalIsActive(false);
    QVERIFY(!t->isActive());
}

void TstViewFinder::lightBalanceFollowsExposureMode()
{
    TVK_GUI_ViewFinderArdo ardo;
    ardo.setLightBalance(2);
    ardo.setExposureMode(3);
    QCOMPARE(shown(&ardo, "lblLightBal"), QStringLiteral("LightBal/LightBal-inactive"));
    ardo.setExposureMode(0);
    QCOMPARE(shown(&ardo, "lblLightBal"), QStringLiteral("LightBal/LightBal-(+1.0)"));
}

void TstViewFinder::flashSymbols_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<bool>("blinks");
    QTest::newRow("1 blinks") << 1 << "FlashSymbol_on" << true;
    QTest::newRow("2 steady") << 2 << "FlashSymbol_on" << false;
    QTest::newRow("0 off") << 0 << "FlashSymbol_off" << false;
    QTest::newRow("3 off") << 3 << "FlashSymbol_off" << false;
}

void TstViewFinder::flashSymbols()
{
    QFETCH(int, status);
    QFETCH(QString, picture);
    QFETCH(bool, blinks);
    TVK_GUI_ViewFinderArdo ardo;
    QTimer *t = timer(&ardo, "tmrFlash");
    QVERIFY(t);
    QCOMPARE(t->interval(), 250);
    ardo.setFlashStatus(1);
    ardo.setFlashStatus(status);
    QCOMPARE(shown(&ardo, "lblFlash"), QStringLiteral("LightBal/") + picture);
    QCOMPARE(t->isActive(), blinks);
    if (blinks) {
        tick(t);
        QCOMPARE(shown(&ardo, "lblFlash"), QStringLiteral("LightBal/FlashSymbol_off"));
        tick(t);
        QCOMPARE(shown(&ardo, "lblFlash"), QStringLiteral("LightBal/FlashSymbol_on"));
    }
    ardo.setFlashXSymbol(true);
    QCOMPARE(shown(&ardo, "lblFlashX"), QStringLiteral("LightBal/FlashXSymbol_on"));
    ardo.setFlashXSymbol(false);
    QCOMPARE(shown(&ardo, "lblFlashX"), QStringLiteral("LightBal/FlashXSymbol_off"));
    ardo.setHasFlashStatus(false);
    QVERIFY(ardo.findChild<QWidget *>(QStringLiteral("lblFlash"))->isHidden());
}

void TstViewFinder::focusConfirmation_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("picture");
    QTest::newRow("-3") << -3 << "right";
    QTest::newRow("-2") << -2 << "right";
    QTest::newRow("-1") << -1 << "rightCenter";
    QTest::newRow("0") << 0 << "center";
    QTest::newRow("1") << 1 << "leftCenter";
    QTest::newRow("2") << 2 << "left";
    QTest::newRow("9") << 9 << "left";
}

void TstViewFinder::focusConfirmation()
{
    QFETCH(int, value);
    QFETCH(QString, picture);
    TVK_GUI_ViewFinderArdo ardo;
    ardo.setFocusConfirmation(value);
    QCOMPARE(shown(&ardo, "wgt7SegFocusConfirm"), QStringLiteral("FocusConfirmation/FocusConfirmation_") + picture);
    ardo.setNoFocusConfirmation();
    QCOMPARE(shown(&ardo, "wgt7SegFocusConfirm"), QStringLiteral("FocusConfirmation/FocusConfirmation_none"));
    ardo.setHasFocusConfirmation(false);
    QVERIFY(ardo.findChild<QWidget *>(QStringLiteral("wgt7SegFocusConfirm"))->isHidden());
}

void TstViewFinder::focusBadSignalAlternatesOnTicks()
{
    TVK_GUI_ViewFinderArdo ardo;
    QTimer *t = timer(&ardo, "tmrFocusBadSig");
    QVERIFY(t);
    QCOMPARE(t->interval(), 64);
    ardo.setFocusConfirmation(2);
    ardo.setFocusConfirmBadSig(true);
    QVERIFY(t->isActive());
    QStringList seen;
    for (int i = 0; i < 4; ++i) {
        tick(t);
        seen << shown(&ardo, "wgt7SegFocusConfirm").section(QLatin1Char('_'), 1);
    }
    QCOMPARE(seen, (QStringList{"center", "none", "center", "none"}));
    ardo.setFocusConfirmBadSig(false);
    QVERIFY(!t->isActive());
    QCOMPARE(shown(&ardo, "wgt7SegFocusConfirm"), QStringLiteral("FocusConfirmation/FocusConfirmation_left"));
}

void TstViewFinder::level_data()
{
    // The pair is applied twice: the blink phase is on after the first update, off after the second.
    QTest::addColumn<double>("horizontal");
    QTest::addColumn<double>("vertical");
    QTest::addColumn<QString>("first");  // "<horizontal> <vertical>" picture numbers
    QTest::addColumn<QString>("second");
    QTest::newRow("a 12 blinks") << 12.0 << 0.0 << "1 4" << "10 4";
    QTest::newRow("a 10") << 10.0 << 0.0 << "1 4" << "1 4";
    QTest::newRow("a 7") << 7.0 << 0.0 << "1 4" << "1 4";
    QTest::newRow("a 5") << 5.0 << 0.0 << "2 4" << "2 4";
    QTest::newRow("a 2.5") << 2.5 << 0.0 << "3 4" << "3 4";
    QTest::newRow("a 1") << 1.0 << 0.0 << "3 4" << "3 4";
    QTest::newRow("a 0.5") << 0.5 << 0.0 << "4 4" << "4 4";
    QTest::newRow("a -0.5") << -0.5 << 0.0 << "4 4" << "4 4";
    QTest::newRow("a -1") << -1.0 << 0.0 << "5 4" << "5 4";
    QTest::newRow("a -2.5") << -2.5 << 0.0 << "5 4" << "5 4";
    QTest::newRow("a -3") << -3.0 << 0.0 << "6 4" << "6 4";
    QTest::newRow("a -5") << -5.0 << 0.0 << "6 4" << "6 4";
    QTest::newRow("a -7") << -7.0 << 0.0 << "7 4" << "7 4";
    QTest::newRow("a -10") << -10.0 << 0.0 << "7 4" << "7 4";
    QTest::newRow("a -12 blinks") << -12.0 << 0.0 << "7 4" << "10 4";
    QTest::newRow("level b 12 blinks") << 0.0 << 12.0 << "4 8" << "4 4";
    QTest::newRow("level b 7") << 0.0 << 7.0 << "4 8" << "4 8";
    QTest::newRow("level b 3") << 0.0 << 3.0 << "4 2" << "4 2";
    QTest::newRow("level b 1") << 0.0 << 1.0 << "4 3" << "4 3";
    QTest::newRow("level b -1") << 0.0 << -1.0 << "4 5" << "4 5";
    QTest::newRow("level b -3") << 0.0 << -3.0 << "4 6" << "4 6";
    QTest::newRow("level b -7") << 0.0 << -7.0 << "4 9" << "4 9";
    QTest::newRow("level b -12 blinks") << 0.0 << -12.0 << "4 9" << "4 4";
    QTest::newRow("a 5 still level") << 5.0 << 7.0 << "2 8" << "2 8";
    QTest::newRow("tilted b 12 blinks") << 7.0 << 12.0 << "1 1" << "1 11";
    QTest::newRow("tilted b 7") << -7.0 << 7.0 << "7 1" << "7 1";
    QTest::newRow("tilted b 3") << 7.0 << 3.0 << "1 2" << "1 2";
    QTest::newRow("tilted b -7") << 7.0 << -7.0 << "1 7" << "1 7";
    QTest::newRow("tilted b -12 blinks") << -12.0 << -12.0 << "7 7" << "10 11";
}

void TstViewFinder::level()
{
    QFETCH(double, horizontal);
    QFETCH(double, vertical);
    QFETCH(QString, first);
    QFETCH(QString, second);
    TVK_GUI_ViewFinderArdo ardo;
    auto pictures = [&ardo]() -> QString {
        return shown(&ardo, "lbl3DAxisHorizontal").remove(QStringLiteral("3DAxis/3DAxis_Horizontal_")) + QLatin1Char(' ')
            + shown(&ardo, "lbl3DAxisVertical").remove(QStringLiteral("3DAxis/3DAxis_Vertikal_"));
    };
    ardo.set3DAxisAngles(horizontal, vertical);
    QCOMPARE(pictures(), first);
    ardo.set3DAxisAngles(horizontal, vertical);
    QCOMPARE(pictures(), second);
}

void TstViewFinder::levelKeepsPreviousPairForImpossibleRoll()
{
    TVK_GUI_3DAxisDataWidget level;
    level.set3DAxisAngles(12.0, 7.0);
    QCOMPARE(shortName(level.horizontalLabel()->picture()), QStringLiteral("3DAxis/3DAxis_Horizontal_1"));
    // Replaced by (12, 7); the phase still flips, so the blinking end mark goes off.
    level.set3DAxisAngles(136.0, 0.0);
    QCOMPARE(shortName(level.horizontalLabel()->picture()), QStringLiteral("3DAxis/3DAxis_Horizontal_10"));
    QCOMPARE(shortName(level.verticalLabel()->picture()), QStringLiteral("3DAxis/3DAxis_Vertikal_1"));
    level.set3DAxisAngles(-135.5, 0.0);
    QCOMPARE(shortName(level.horizontalLabel()->picture()), QStringLiteral("3DAxis/3DAxis_Horizontal_1"));
    level.set3DAxisAngles(135.0, 0.0); // the limit itself is a valid roll
    QCOMPARE(shortName(level.verticalLabel()->picture()), QStringLiteral("3DAxis/3DAxis_Vertikal_4"));
}

void TstViewFinder::loadCounter_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("digits");
    QTest::newRow("7") << 7 << "0 7";
    QTest::newRow("1") << 1 << "0 1";
    QTest::newRow("42") << 42 << "4 2";
    QTest::newRow("99") << 99 << "9 9";
    QTest::newRow("100") << 100 << "9 9";
    QTest::newRow("150") << 150 << "9 9";
    QTest::newRow("0") << 0 << "grey_eight grey_eight";
    QTest::newRow("-3") << -3 << "grey_eight grey_eight";
}

void TstViewFinder::loadCounter()
{
    QFETCH(int, number);
    QFETCH(QString, digits);
    TVK_GUI_7SegmentLoadCounterWidget counter;
    counter.setCounter(12);
    counter.setCounter(number);
    QString shownDigits = shown(&counter, "digLoad1") + QLatin1Char(' ') + shown(&counter, "digLoad2");
    shownDigits.remove(QStringLiteral("7SegmentLoad/"));
    QCOMPARE(shownDigits, digits);
}

void TstViewFinder::loadIndicatorCyclesFrames()
{
    TVK_GUI_LoadIndicatorWidget indicator;
    QCOMPARE(indicator.size(), QSize(79, 26));
    QCOMPARE(shortName(indicator.picture()), QStringLiteral("LoadEffect/LoadEffectDefault"));
    QTimer *t = indicator.loadImageTimer();
    QCOMPARE(t, timer(&indicator, "tmrLoadImage"));
    QCOMPARE(t->interval(), 100);
    indicator.setLoading(true);
    QVERIFY(t->isActive());
    QStringList frames;
    for (int i = 0; i < 7; ++i) {
        tick(t);
        frames << shortName(indicator.picture()).remove(QStringLiteral("LoadEffect/LoadEffect"));
    }
    QCOMPARE(frames, (QStringList{"1", "2", "3", "4", "5", "1", "2"}));
    indicator.setLoading(false);
    QVERIFY(!t->isActive());
    QCOMPARE(indicator.frame(), 0);
    QCOMPARE(shortName(indicator.picture()), QStringLiteral("LoadEffect/LoadEffectDefault"));
    // Restarting begins at the first frame again.
    indicator.setLoading(true);
    tick(t);
    QCOMPARE(indicator.frame(), 1);
    // Load digits outside the counter: anything but a decimal digit is a grey eight.
    TVK_GUI_7SegmentLoadDigitWidget digit;
    digit.setDigit(QLatin1Char('3'));
    QCOMPARE(shortName(digit.picture()), QStringLiteral("7SegmentLoad/3"));
    digit.setDigit(QLatin1Char('x'));
    QCOMPARE(shortName(digit.picture()), QStringLiteral("7SegmentLoad/grey_eight"));
}

void TstViewFinder::beloModeAndIso_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<bool>("lightBalActive");
    QTest::newRow("0 M") << 0 << "M" << true;
    QTest::newRow("1 S") << 1 << "S" << false;
    QTest::newRow("2 A") << 2 << "A" << false;
    QTest::newRow("3 P") << 3 << "P" << false;
    QTest::newRow("4 M") << 4 << "M" << false;
    QTest::newRow("5 P*") << 5 << "Pstar" << false;
    QTest::newRow("6 none") << 6 << "" << false;
}

void TstViewFinder::beloModeAndIso()
{
    QFETCH(int, mode);
    QFETCH(QString, picture);
    QFETCH(bool, lightBalActive);
    TVK_GUI_ViewFinderBelo belo;
    belo.setExposureMode(mode);
    QCOMPARE(shown(&belo, "wgtExpMode"),
             picture.isEmpty() ? QString() : QStringLiteral("ViewFinderBelo/expMode/VFBelo_expMode_") + picture);
    QCOMPARE(shown(&belo, "lblLightBal").endsWith(QLatin1String("(inact)")), !lightBalActive);

    // ISO rides along: only positive numbers replace the text.
    belo.setSensitivity(400);
    belo.setSensitivity(mode - 6); // 0 or negative
    QCOMPARE(text(&belo, "lblIso"), QStringLiteral("400"));
    belo.setSensitivityAuto(mode % 2 == 1);
    QCOMPARE(shown(&belo, "lblIsoAuto"), mode % 2 == 1 ? QStringLiteral("ViewFinderBelo/isoAuto/VFBelo_isoAuto_on")
                                                       : QStringLiteral("ViewFinderBelo/isoAuto/VFBelo_isoAuto_off"));
}

void TstViewFinder::beloAperture_data()
{
    QTest::addColumn<QString>("aperture");
    QTest::addColumn<int>("simulation");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("picture");
    QTest::newRow("2.8 no sim") << "2.8" << 0 << "2.8" << "off";
    QTest::newRow("f 4 sim 2") << "f 4" << 2 << "4.0" << "on";
    QTest::newRow("11 sim 3") << "11" << 3 << "11" << "on";
    QTest::newRow("f16 sim 1") << "f16" << 1 << "16" << "off";
}

void TstViewFinder::beloAperture()
{
    QFETCH(QString, aperture);
    QFETCH(int, simulation);
    QFETCH(QString, text);
    QFETCH(QString, picture);
    TVK_GUI_ViewFinderBelo belo;
    belo.setAperture(aperture);
    belo.setExposureSimulation(simulation);
    QCOMPARE(::text(&belo, "lblAperture"), text);
    QCOMPARE(shown(&belo, "lblApertureSim"), QStringLiteral("ViewFinderBelo/expSim/VFBelo_F_expSim_") + picture);
}

void TstViewFinder::beloShutter_data()
{
    QTest::addColumn<QString>("shutterTime");
    QTest::addColumn<int>("counter");
    QTest::addColumn<int>("simulation");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("picture"); // below expSim/, empty for none
    QTest::newRow("fraction") << "1/250" << -1 << 0 << "1/250" << "VFBelo_S_expSim_off";
    QTest::newRow("fraction simulated") << "1/250" << -1 << 3 << "1/250" << "VFBelo_S_expSim_on";
    QTest::newRow("aperture-only sim") << "1/250" << -1 << 2 << "1/250" << "VFBelo_S_expSim_off";
    QTest::newRow("seconds") << "30s" << -1 << 0 << "30" << "VFBelo_S_expSim_off";
    QTest::newRow("minutes") << "4m" << -1 << 0 << "4" << "VFBelo_m_expSim_off";
    QTest::newRow("minutes simulated") << "2m" << -1 << 3 << "2" << "VFBelo_m_expSim_on";
    QTest::newRow("bulb") << "B" << -1 << 3 << "B" << "";
    QTest::newRow("counting bulb") << "B" << 12 << 3 << "12" << "VFBelo_S_expSim_off";
    QTest::newRow("count zero counts") << "1/250" << 0 << 0 << "0" << "VFBelo_S_expSim_off";
    QTest::newRow("count ended shows the time again") << "1/250" << -3 << 3 << "1/250" << "VFBelo_S_expSim_on";
    QTest::newRow("bulb count ended shows bulb again") << "B" << -1 << 0 << "B" << "";
}

void TstViewFinder::beloShutter()
{
    QFETCH(QString, shutterTime);
    QFETCH(int, counter);
    QFETCH(int, simulation);
    QFETCH(QString, text);
    QFETCH(QString, picture);
    TVK_GUI_ViewFinderBelo belo;
    belo.setBulbCounter(5);
    belo.setShutterTime(shutterTime);
    belo.setBulbCounter(counter);
    belo.setExposureSimulation(simulation);
    QCOMPARE(::text(&belo, "lblShutTime"), text);
    QCOMPARE(shown(&belo, "lblShutTimeSim"),
             picture.isEmpty() ? QString() : QStringLiteral("ViewFinderBelo/expSim/") + picture);
}

void TstViewFinder::beloScales_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("compens");
    QTest::addColumn<int>("lightBal");
    QTest::addColumn<bool>("active");
    QTest::addColumn<QString>("compensPicture"); // "<step>_(<value>)"
    QTest::addColumn<QString>("lightBalPicture");
    QTest::newRow("zero") << 500 << 0 << 0 << true << "500_(0.0)" << "500_(0.0)";
    QTest::newRow("thirds") << 333 << 667 << -1 << true << "333_(+0.7)" << "333_(-0.3)";
    QTest::newRow("thirds over") << 333 << -1000 << 10 << true << "333_(-1.0)" << "333_(over)";
    QTest::newRow("thirds end") << 333 << 3000 << 9 << true << "333_(+3.0)" << "333_(+3.0)";
    QTest::newRow("thirds under") << 333 << -333 << -10 << true << "333_(-0.3)" << "333_(under)";
    QTest::newRow("halves") << 500 << 500 << 1 << true << "500_(+0.5)" << "500_(+0.5)";
    QTest::newRow("halves end") << 500 << -2500 << -6 << true << "500_(-2.5)" << "500_(-3.0)";
    QTest::newRow("halves over") << 500 << 0 << 7 << true << "500_(0.0)" << "500_(over)";
    QTest::newRow("inactive") << 333 << 0 << 2 << false << "333_(0.0)" << "333_(inact)";
    QTest::newRow("illegal step ignored") << 42 << 1500 << 3 << true << "500_(+1.5)" << "500_(+1.5)";
}

void TstViewFinder::beloScales()
{
    QFETCH(int, step);
    QFETCH(int, compens);
    QFETCH(int, lightBal);
    QFETCH(bool, active);
    QFETCH(QString, compensPicture);
    QFETCH(QString, lightBalPicture);
    TVK_Test_LogCapture log;
    TVK_GUI_ViewFinderBelo belo;
    belo.setExposCompensStep(step);
    belo.setExposCompens(compens);
    belo.setLightBalance(lightBal);
    belo.setLightBalIsActive(active);
    QCOMPARE(shown(&belo, "lblExpComp"), QStringLiteral("ViewFinderBelo/ExpComp/VFBelo_ExpComp_") + compensPicture);
    QCOMPARE(shown(&belo, "lblLightBal"), QStringLiteral("ViewFinderBelo/LightBal/VFBelo_LightBal_") + lightBalPicture);
    const bool legalStep = step == 333 || step == 500;
    QCOMPARE(log.matching(QStringLiteral("setExposCompensStep() - illegal compensation step 42")).size(),
             legalStep ? 0 : 1);
}

void TstViewFinder::beloStepChangeRedrawsBothScales()
{
    TVK_GUI_ViewFinderBelo belo;
    belo.setExposCompens(1000);
    belo.setLightBalance(2);
    QCOMPARE(shown(&belo, "lblLightBal"), QStringLiteral("ViewFinderBelo/LightBal/VFBelo_LightBal_500_(+1.0)"));
    belo.setExposCompensStep(333);
    QCOMPARE(shown(&belo, "lblExpComp"), QStringLiteral("ViewFinderBelo/ExpComp/VFBelo_ExpComp_333_(+1.0)"));
    QCOMPARE(shown(&belo, "lblLightBal"), QStringLiteral("ViewFinderBelo/LightBal/VFBelo_LightBal_333_(+0.7)"));
}

void TstViewFinder::beloFlashBlinks()
{
    TVK_GUI_ViewFinderBelo belo;
    QTimer *t = timer(&belo, "tmrFlash");
    QVERIFY(t);
    QCOMPARE(t->interval(), 250);
    const QString on = QStringLiteral("ViewFinderBelo/flashStatus/VFBelo_flashOn");
    belo.setFlashStatus(1);
    QVERIFY(t->isActive());
    QCOMPARE(shown(&belo, "lblFlash"), on);
    tick(t);
    QCOMPARE(shown(&belo, "lblFlash"), QString());
    tick(t);
    QCOMPARE(shown(&belo, "lblFlash"), on);
    belo.setFlashStatus(2);
    QVERIFY(!t->isActive());
    QCOMPARE(shown(&belo, "lblFlash"), on);
    belo.setFlashStatus(0);
    QCOMPARE(shown(&belo, "lblFlash"), QString());
}

void TstViewFinder::variantsRouteOnlyTheirSlots()
{
    struct Route {
        const char *slot;
        std::function<void(TVK_GUI_ViewFinderBase &)> call;
        bool ardo;
        bool belo;
    };
    const Route routes[] = {
        {"set3DAxisAngles", [](auto &v) { v.set3DAxisAngles(12.0, 3.0); }, true, false},
        {"set3DAxisVisible", [](auto &v) { v.set3DAxisVisible(false); }, true, false},
        {"setHasAperture", [](auto &v) { v.setHasAperture(false); }, true, true},
        {"setAperture", [](auto &v) { v.setAperture(QStringLiteral("2.8")); }, true, true},
        {"setBulbCounter", [](auto &v) { v.setBulbCounter(5); }, true, true},
        {"setExposCompens", [](auto &v) { v.setExposCompens(1000); }, true, true},
        {"setExposCompensStep", [](auto &v) { v.setExposCompensStep(333); }, false, true},
        {"setExposMetering", [](auto &v) { v.setExposMetering(1); }, true, false},
        {"setExposureMode", [](auto &v) { v.setExposureMode(1); }, true, true},
        {"setExposureSimulation", [](auto &v) { v.setExposureSimulation(3); }, false, true},
        {"setHasFlashStatus", [](auto &v) { v.setHasFlashStatus(false); }, true, false},
        {"setFlashStatus", [](auto &v) { v.setFlashStatus(2); }, true, true},
        {"setFlashXSymbol", [](auto &v) { v.setFlashXSymbol(true); }, true, false},
        {"setHasFocusConfirmation", [](auto &v) { v.setHasFocusConfirmation(false); }, true, false},
        {"setFocusConfirmation", [](auto &v) { v.setFocusConfirmation(2); }, true, false},
        {"setFocusConfirmBadSig", [](auto &v) { v.setFocusConfirmBadSig(true); }, true, false},
        {"setLightBalance", [](auto &v) { v.setLightBalance(3); }, true, true},
        {"setLightBalIsActive", [](auto &v) { v.setLightBalIsActive(false); }, true, true},
        {"setSelfTimerCounter", [](auto &v) { v.setSelfTimerCounter(5); }, true, false},
        {"setShutterTime", [](auto &v) { v.setShutterTime(QStringLiteral("1/250")); }, true, true},
        {"setSensitivity", [](auto &v) { v.setSensitivity(400); }, false, true},
        {"setSensitivityAuto", [](auto &v) { v.setSensitivityAuto(true); }, false, true},
    };
    for (const Route &route : routes) {
        TVK_GUI_ViewFinderArdo ardo;
        TVK_GUI_ViewFinderBelo belo;
        const QStringList ardoBefore = snapshot(&ardo);
        const QStringList beloBefore = snapshot(&belo);
        route.call(ardo);
        route.call(belo);
        QVERIFY2((snapshot(&ardo) != ardoBefore) == route.ardo, route.slot);
        QVERIFY2((snapshot(&belo) != beloBefore) == route.belo, route.slot);
    }
    // Shown already at start, so nothing changes; Belo has no focus read-out at all.
    TVK_GUI_ViewFinderBelo belo;
    const QStringList before = snapshot(&belo);
    belo.setNoFocusConfirmation();
    QCOMPARE(snapshot(&belo), before);
}

QTEST_MAIN(TstViewFinder)
#include "tst_viewfinder.moc"

void TstViewFinder::readOutsShowTheirPicturesUnscaled_data()
{
    // Thin strokes blur when a label scales its picture: these show theirs 1:1.
    QTest::addColumn<bool>("belo"); // false: the load counter
    QTest::addColumn<QString>("label");
    QTest::newRow("load digit") << false << "digLoad1";
    QTest::newRow("Belo compensation scale") << true << "lblExpComp";
    QTest::newRow("Belo light balance scale") << true << "lblLightBal";
}

void TstViewFinder::readOutsShowTheirPicturesUnscaled()
{
    QFETCH(bool, belo);
    QFETCH(QString, label);
    TVK_GUI_Resources::initialize();
    std::unique_ptr<QWidget> root;
    if (belo)
        root = std::make_unique<TVK_GUI_ViewFinderBelo>();
    else
        root = std::make_unique<TVK_GUI_7SegmentLoadCounterWidget>();
    const auto *readOut = root->findChild<TVK_GUI_PictureLabel *>(label);
    QVERIFY(readOut);
    const QPixmap picture(readOut->picture());
    QVERIFY2(!picture.isNull(), qPrintable(readOut->picture()));
    QCOMPARE(readOut->size(), picture.size() / picture.devicePixelRatio());
}

void TstViewFinder::beloTextsUseThePanelFont_data()
{
    QTest::addColumn<QString>("label");
    QTest::newRow("ISO") << "lblIso";
    QTest::newRow("aperture") << "lblAperture";
    QTest::newRow("shutter time") << "lblShutTime";
}

void TstViewFinder::beloTextsUseThePanelFont()
{
    QFETCH(QString, label);
    const QString family = TVK_GUI_Resources::panelFontFamily().isEmpty() ? TVK_GUI_Resources::registerFont()
                                                                          : TVK_GUI_Resources::panelFontFamily();
    QVERIFY(!family.isEmpty());
    QCOMPARE(TVK_GUI_Resources::panelFontFamily(), family);
    TVK_GUI_ViewFinderBelo belo;
    const auto *text = belo.findChild<QLabel *>(label);
    QVERIFY(text);
    QCOMPARE(text->font().family(), family);
}
