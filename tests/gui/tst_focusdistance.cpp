// The focus distance widget: its exponent scale, what the camera's texts
// show, and what the user's slider and text input send.

#include "TVK_GUI_FocusDistanceWidget.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QtTest>

namespace {

bool fireNow(QTimer *timer)
{
    if (!timer || !timer->isActive())
        return false;
    // Stopped and emitted by hand, so the interval the code gave it stays.
    timer->stop();
    return QMetaObject::invokeMethod(timer, "timeout");
}

struct Lens {
    TVK_GUI_FocusDistanceWidget widget;
    QSlider *slider = widget.findChild<QSlider *>("sldCurrDistance");
    QLineEdit *text = widget.findChild<QLineEdit *>("ledCurrDistance");
    QSignalSpy chosen{&widget, &TVK_GUI_FocusDistanceWidget::signalChosen};

    Lens(const char *min, const char *max)
    {
        widget.setMinDistance(min);
        widget.setMaxDistance(max);
    }
    QString lastChosen() const { return chosen.isEmpty() ? QString() : chosen.last().at(0).toString(); }
};

} // namespace

class TstFocusDistance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sliderEndsAndMiddleOfTheKnownLens();
    void sliderMiddleIsAlwaysOneAndAHalfTimesTheMinimum_data();
    void sliderMiddleIsAlwaysOneAndAHalfTimesTheMinimum();
    void cameraTextsMoveSliderAndShowAsGiven_data();
    void cameraTextsMoveSliderAndShowAsGiven();
    void dragSendsOnReleaseAndIgnoresTheCamera();
    void grooveClickJumpsAndSends();
    void typedTextIsSentAfterAPause();
    void invalidTypedTextRestoresTheCameraValue();
    void onlyPositiveChangedLimitsAreTaken();
    void unitsAndButtons();
};

void TstFocusDistance::sliderEndsAndMiddleOfTheKnownLens()
{
    Lens lens("0.5", "10");
    QVERIFY(qAbs(lens.widget.exponent() - 4.985) < 0.001);
    QCOMPARE(lens.widget.sliderTimer()->interval(), 100);

    lens.slider->setValue(1000);  // keyboard or wheel
    QVERIFY(fireNow(lens.widget.sliderTimer()));
    QCOMPARE(lens.lastChosen(), QString("Infinity"));
    lens.slider->setValue(500);
    QVERIFY(fireNow(lens.widget.sliderTimer()));
    QCOMPARE(lens.lastChosen(), QString("0.800000"));
    lens.slider->setValue(0);
    QVERIFY(fireNow(lens.widget.sliderTimer()));
    QCOMPARE(lens.lastChosen(), QString("0.500000"));
    QCOMPARE(lens.chosen.count(), 3);
}

void TstFocusDistance::sliderMiddleIsAlwaysOneAndAHalfTimesTheMinimum_data()
{
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("max");
    QTest::newRow("macro") << "0.3" << "2";
    QTest::newRow("normal") << "0.7" << "30";
    QTest::newRow("tele") << "1.5" << "500";
}

void TstFocusDistance::sliderMiddleIsAlwaysOneAndAHalfTimesTheMinimum()
{
    QFETCH(QString, min);
    QFETCH(QString, max);
    Lens lens(min.toLatin1().constData(), max.toLatin1().constData());
    lens.slider->setValue(500);
    QVERIFY(fireNow(lens.widget.sliderTimer()));
    QVERIFY(qAbs(lens.lastChosen().toDouble() - 1.6 * min.toDouble()) < 1e-5);
    // And the camera's report of that distance puts the handle back there.
    lens.widget.setCurrDistance(QString::number(1.6 * min.toDouble()));
    QCOMPARE(lens.slider->value(), 500);
}

void TstFocusDistance::cameraTextsMoveSliderAndShowAsGiven_data()
{
    QTest::addColumn<QString>("reported");
    QTest::addColumn<int>("slider");  // -1: stays where it was
    QTest::addColumn<QString>("shown");
    QTest::newRow("middle") << "0.8" << 500 << "0.8";
    QTest::newRow("below min") << "0.4" << 0 << "0.4";
    QTest::newRow("infinity") << "Infinity" << 1000 << "Infinity";
    QTest::newRow("at max") << "10" << 1000 << "Infinity";
    QTest::newRow("beyond max") << "12.5" << 1000 << "Infinity";
    QTest::newRow("error") << "Error" << -1 << "";
    QTest::newRow("not a number") << "far" << -1 << "far";
}

void TstFocusDistance::cameraTextsMoveSliderAndShowAsGiven()
{
    QFETCH(QString, reported);
    QFETCH(int, slider);
    QFETCH(QString, shown);
    Lens lens("0.5", "10");
    lens.widget.setCurrDistance("2");
    const int before = lens.slider->value();
    lens.widget.setCurrDistance(reported);
    QCOMPARE(lens.slider->value(), slider < 0 ? before : slider);
    QCOMPARE(lens.text->text(), shown);
    QVERIFY(!lens.widget.sliderTimer()->isActive());
    QCOMPARE(lens.chosen.count(), 0);
}

void TstFocusDistance::dragSendsOnReleaseAndIgnoresTheCamera()
{
    Lens lens("0.5", "10");
    lens.slider->setSliderDown(true);
    QVERIFY(lens.widget.sliderTimer()->isActive());
    lens.slider->setSliderPosition(600);
    lens.widget.setCurrDistance("0.4");  // the lens answers an earlier step
    QCOMPARE(lens.slider->value(), 600);
    QCOMPARE(lens.text->text(), QString("0.4"));
    lens.slider->setSliderPosition(1000);
    lens.slider->setSliderDown(false);
    QCOMPARE(lens.lastChosen(), QString("Infinity"));
    QVERIFY(!lens.widget.sliderTimer()->isActive());
    lens.widget.setCurrDistance("0.8");
    QCOMPARE(lens.slider->value(), 500);
}

void TstFocusDistance::grooveClickJumpsAndSends()
{
    Lens lens("0.5", "10");
    lens.widget.resize(472, 70);
    lens.widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lens.widget));
    lens.widget.setCurrDistance("0.8");  // handle in the middle
    QStyleOptionSlider option;
    option.initFrom(lens.slider);
    option.orientation = Qt::Horizontal;
    option.maximum = 1000;
    const QRect groove = lens.slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove,
                                                              lens.slider);
    const int y = lens.slider->height() / 2;
    QTest::mouseClick(lens.slider, Qt::LeftButton, Qt::NoModifier, QPoint(groove.right() - 1, y));
    QCOMPARE(lens.slider->value(), 1000);
    QCOMPARE(lens.lastChosen(), QString("Infinity"));
    QTest::mouseClick(lens.slider, Qt::LeftButton, Qt::NoModifier, QPoint(groove.left() + 1, y));
    QCOMPARE(lens.slider->value(), 0);
    QCOMPARE(lens.lastChosen(), QString("0.500000"));
    QCOMPARE(lens.chosen.count(), 2);
}

void TstFocusDistance::typedTextIsSentAfterAPause()
{
    Lens lens("0.5", "10");
    lens.widget.setCurrDistance("1");
    QCOMPARE(lens.widget.textTimer()->interval(), 1000);
    lens.text->clear();
    QTest::keyClicks(lens.text, "2.5");
    lens.widget.setCurrDistance("1.2");  // no refresh under the user's hands
    QCOMPARE(lens.text->text(), QString("2.5"));
    QCOMPARE(lens.chosen.count(), 0);
    QVERIFY(fireNow(lens.widget.textTimer()));
    QCOMPARE(lens.lastChosen(), QString("2.500000"));

    lens.text->clear();
    QTest::keyClicks(lens.text, "10");
    QVERIFY(fireNow(lens.widget.textTimer()));
    QCOMPARE(lens.lastChosen(), QString("Infinity"));
    lens.widget.setCurrDistance("3");  // editing is over: the camera shows again
    QCOMPARE(lens.text->text(), QString("3"));
}

void TstFocusDistance::invalidTypedTextRestoresTheCameraValue()
{
    Lens lens("0.5", "10");
    lens.widget.setCurrDistance("0.8");
    for (const char *typed : {"abc", "0", "-2"}) {
        lens.text->clear();
        QTest::keyClicks(lens.text, typed);
        lens.slider->blockSignals(true);
        lens.slider->setValue(42);
        lens.slider->blockSignals(false);
        QVERIFY(fireNow(lens.widget.textTimer()));
        QCOMPARE(lens.text->text(), QString("0.8"));
        QCOMPARE(lens.slider->value(), 500);
    }
    QCOMPARE(lens.chosen.count(), 0);
}

void TstFocusDistance::onlyPositiveChangedLimitsAreTaken()
{
    TVK_GUI_FocusDistanceWidget widget;
    auto *minLabel = widget.findChild<QLabel *>("lblMinDistance");
    QCOMPARE(widget.exponent(), 1.0);
    for (const char *bad : {"", "abc", "0", "-1"}) {
        widget.setMinDistance(bad);
        widget.setMaxDistance(bad);
    }
    QCOMPARE(widget.minDistance(), 0.0);
    QCOMPARE(widget.maxDistance(), 0.0);
    QCOMPARE(minLabel->text(), QString("min"));

    // No scale yet: the slider does not move and nothing is sent.
    QSignalSpy chosen(&widget, &TVK_GUI_FocusDistanceWidget::signalChosen);
    widget.setCurrDistance("Infinity");
    QCOMPARE(widget.findChild<QSlider *>()->value(), 0);
    widget.setMinDistance("0.5");
    QCOMPARE(minLabel->text(), QString("0.5"));
    QCOMPARE(widget.exponent(), 1.0);  // still no maximum
    widget.setMaxDistance("10");
    QVERIFY(widget.exponent() > 4.9);
    QCOMPARE(widget.findChild<QSlider *>()->value(), 1000);  // the stored "Infinity", now mapped
    QCOMPARE(chosen.count(), 0);
}

void TstFocusDistance::unitsAndButtons()
{
    TVK_GUI_FocusDistanceWidget widget;
    auto *unit = widget.findChild<QLabel *>("lblUnit");
    QCOMPARE(unit->text(), QString("m"));
    widget.setIsUnitFeet(true);
    QCOMPARE(unit->text(), QString("ft"));
    widget.setIsUnitFeet(false);
    QCOMPARE(unit->text(), QString("m"));

    QSignalSpy nearer(&widget, &TVK_GUI_FocusDistanceWidget::signalDecrease);
    QSignalSpy farther(&widget, &TVK_GUI_FocusDistanceWidget::signalIncrease);
    auto *minus = widget.findChild<QToolButton *>("pbnDecrease");
    auto *plus = widget.findChild<QToolButton *>("pbnIncrease");
    QVERIFY(minus->autoRepeat() && plus->autoRepeat());
    QVERIFY(minus->minimumSize().width() >= 20 && minus->minimumSize().height() >= 20);
    QTest::mouseClick(minus, Qt::LeftButton);
    QTest::mouseClick(plus, Qt::LeftButton);
    QTest::mouseClick(plus, Qt::LeftButton);
    QCOMPARE(nearer.count(), 1);
    QCOMPARE(farther.count(), 2);
}

QTEST_MAIN(TstFocusDistance)
#include "tst_focusdistance.moc"
