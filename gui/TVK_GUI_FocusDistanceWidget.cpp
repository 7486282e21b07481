#include "TVK_GUI_FocusDistanceWidget.h"
#include "ui_TVK_GUI_FocusDistanceWidget.h"

#include <QMouseEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>

#include <cmath>

namespace {

const QString kInfinity = QStringLiteral("Infinity");
const QString kError = QStringLiteral("Error");

// (max/min - 1) / 0.6 = 2^p puts the slider's middle at 1.6 * min.
constexpr double kMiddleFactorLessOne = 0.6;

} // namespace

TVK_GUI_FocusDistanceWidget::TVK_GUI_FocusDistanceWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::TVK_GUI_FocusDistanceWidget)
    , m_sliderTimer(new QTimer(this))
    , m_textTimer(new QTimer(this))
{
    ui->setupUi(this);
    ui->sldCurrDistance->setRange(0, kSliderMaximum);
    ui->sldCurrDistance->installEventFilter(this);

    m_sliderTimer->setObjectName(QStringLiteral("tmrSliderMoved"));
    m_sliderTimer->setSingleShot(true);
    m_sliderTimer->setInterval(kSliderSettleMs);
    m_textTimer->setObjectName(QStringLiteral("tmrTextEdited"));
    m_textTimer->setSingleShot(true);
    m_textTimer->setInterval(kTextSettleMs);

    connect(ui->pbnDecrease, &QToolButton::clicked, this, &TVK_GUI_FocusDistanceWidget::signalDecrease);
    connect(ui->pbnIncrease, &QToolButton::clicked, this, &TVK_GUI_FocusDistanceWidget::signalIncrease);
    connect(ui->sldCurrDistance, &QSlider::sliderPressed, this,
            &TVK_GUI_FocusDistanceWidget::catchCurrDistanceSliderPressed);
    connect(ui->sldCurrDistance, &QSlider::sliderMoved, this,
            &TVK_GUI_FocusDistanceWidget::catchCurrDistanceSliderMoved);
    connect(ui->sldCurrDistance, &QSlider::sliderReleased, this,
            &TVK_GUI_FocusDistanceWidget::catchCurrDistanceSliderReleased);
    connect(ui->sldCurrDistance, &QSlider::valueChanged, this,
            &TVK_GUI_FocusDistanceWidget::catchCurrDistanceValueChanged);
    connect(ui->ledCurrDistance, &QLineEdit::textEdited, this,
            &TVK_GUI_FocusDistanceWidget::catchCurrDistanceTextEdited);
    connect(m_sliderTimer, &QTimer::timeout, this, &TVK_GUI_FocusDistanceWidget::catchTimerSliderMovedTimeout);
    connect(m_textTimer, &QTimer::timeout, this, &TVK_GUI_FocusDistanceWidget::catchTimerTextEditedTimeout);
}

TVK_GUI_FocusDistanceWidget::~TVK_GUI_FocusDistanceWidget()
{
    ui->sldCurrDistance->removeEventFilter(this);
    delete ui;
}

void TVK_GUI_FocusDistanceWidget::recomputeExponent()
{
    m_exponent = 1.0;
    if (m_minDistance > 0.0 && m_minDistance < m_maxDistance) {
        const double p = std::log2((m_maxDistance / m_minDistance - 1.0) / kMiddleFactorLessOne);
        // A range narrower than 1.6 * min gives p <= 0, which would turn the
        // scale around; such a lens gets the linear scale.
        if (std::isfinite(p) && p > 0.0)
            m_exponent = p;
    }
}

double TVK_GUI_FocusDistanceWidget::distanceFor(int sliderValue) const
{
    if (sliderValue >= kSliderMaximum)
        return m_maxDistance;
    if (sliderValue <= 0)
        return m_minDistance;
    const double fraction = double(sliderValue) / kSliderMaximum;
    return m_minDistance + (m_maxDistance - m_minDistance) * std::pow(fraction, m_exponent);
}

int TVK_GUI_FocusDistanceWidget::sliderValueFor(const QString &distance) const
{
    if (!hasScale())
        return -1;
    if (distance == kInfinity)
        return kSliderMaximum;
    bool ok = false;
    const double d = distance.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return -1;
    if (d <= m_minDistance)
        return 0;
    if (d >= m_maxDistance)
        return kSliderMaximum;
    const double fraction = (d - m_minDistance) / (m_maxDistance - m_minDistance);
    return int(std::lround(kSliderMaximum * std::pow(fraction, 1.0 / m_exponent)));
}

void TVK_GUI_FocusDistanceWidget::moveSlider()
{
    const int value = sliderValueFor(m_currDistance);
    if (value < 0)
        return;
    // A position from the camera is not a user's choice.
    const QSignalBlocker blocker(ui->sldCurrDistance);
    ui->sldCurrDistance->setValue(value);
}

void TVK_GUI_FocusDistanceWidget::refreshText()
{
    if (m_isTextEdited)
        return;
    if (m_currDistance == kError) {
        ui->ledCurrDistance->clear();
        return;
    }
    bool ok = false;
    const double d = m_currDistance.toDouble(&ok);
    // Before the lens reports its maximum every number would count as
    // "at or above max"; show it as given until then.
    const bool isFar = m_currDistance == kInfinity || (ok && m_maxDistance > 0.0 && d >= m_maxDistance);
    ui->ledCurrDistance->setText(isFar ? kInfinity : m_currDistance);
}

void TVK_GUI_FocusDistanceWidget::setCurrDistance(const QString &distance)
{
    if (distance == m_currDistance)
        return;
    m_currDistance = distance;
    if (!m_isSliderDragged)
        moveSlider();
    refreshText();
}

void TVK_GUI_FocusDistanceWidget::setMinDistance(const QString &distance)
{
    bool ok = false;
    const double d = distance.toDouble(&ok);
    if (!ok || !(d > 0.0) || d == m_minDistance)
        return;
    m_minDistance = d;
    ui->lblMinDistance->setText(distance);
    recomputeExponent();
    moveSlider();
    refreshText();
}

void TVK_GUI_FocusDistanceWidget::setMaxDistance(const QString &distance)
{
    bool ok = false;
    const double d = distance.toDouble(&ok);
    if (!ok || !(d > 0.0) || d == m_maxDistance)
        return;
    m_maxDistance = d;
    recomputeExponent();
    moveSlider();
    refreshText();
}

void TVK_GUI_FocusDistanceWidget::setIsUnitFeet(bool isFeet)
{
    ui->lblUnit->setText(isFeet ? QStringLiteral("ft") : QStringLiteral("m"));
}

void TVK_GUI_FocusDistanceWidget::catchCurrDistanceSliderPressed()
{
    m_isSliderDragged = true;
    m_sliderTimer->start();
}

void TVK_GUI_FocusDistanceWidget::catchCurrDistanceSliderMoved(int)
{
    // The lens follows once the hand rests for a moment, not on every pixel.
    m_sliderTimer->start();
}

void TVK_GUI_FocusDistanceWidget::catchCurrDistanceSliderReleased()
{
    m_isSliderDragged = false;
    m_sliderTimer->stop();
    catchTimerSliderMovedTimeout();
}

void TVK_GUI_FocusDistanceWidget::catchCurrDistanceValueChanged(int)
{
    // Keys and the wheel move the slider without a drag; they settle the same
    // way. Moves from code are blocked and never get here.
    if (!m_isSliderDragged)
        m_sliderTimer->start();
}

void TVK_GUI_FocusDistanceWidget::catchCurrDistanceTextEdited(const QString &)
{
    m_isTextEdited = true;
    m_textTimer->start();
}

void TVK_GUI_FocusDistanceWidget::emitDistance(double distance)
{
    if (distance >= m_maxDistance)
        Q_EMIT signalChosen(kInfinity);
    else
        Q_EMIT signalChosen(QString::number(distance, 'f', 6));
}

void TVK_GUI_FocusDistanceWidget::catchTimerSliderMovedTimeout()
{
    if (!hasScale())
        return;
    emitDistance(distanceFor(ui->sldCurrDistance->value()));
}

void TVK_GUI_FocusDistanceWidget::catchTimerTextEditedTimeout()
{
    m_isTextEdited = false;
    bool ok = false;
    const double d = ui->ledCurrDistance->text().toDouble(&ok);
    if (ok && std::isfinite(d) && d > 0.0) {
        emitDistance(d);
        return;
    }
    moveSlider();
    refreshText();
}

bool TVK_GUI_FocusDistanceWidget::jumpToGrooveClick(const QPoint &pos)
{
    QSlider *const slider = ui->sldCurrDistance;
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.upsideDown = slider->invertedAppearance();
    const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
    if (handle.contains(pos))
        return false;  // a drag starts; the slider handles it itself
    const QRect groove = slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, slider);
    // The handle's centre travels from half a handle inside the left end of
    // the groove to half a handle inside the right end.
    const int span = groove.width() - handle.width();
    const int offset = pos.x() - groove.left() - handle.width() / 2;
    const int value = span > 0 ? QStyle::sliderValueFromPosition(slider->minimum(), slider->maximum(),
                                                                 qBound(0, offset, span), span)
                               : slider->value();
    {
        const QSignalBlocker blocker(slider);
        slider->setValue(value);
    }
    m_sliderTimer->stop();
    catchTimerSliderMovedTimeout();
    return true;
}

bool TVK_GUI_FocusDistanceWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->sldCurrDistance && event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && ui->sldCurrDistance->isEnabled())
            return jumpToGrooveClick(mouse->pos());
    }
    return QWidget::eventFilter(watched, event);
}
