#include "TVK_GUI_7SegmentLightBalWidget.h"

#include "ui_TVK_GUI_7SegmentLightBalWidget.h"

#include <QTimer>

#include <cstdlib>

namespace {

QString lightBalPicture(const QString &name)
{
    return QStringLiteral(":/TVK_GUI/images/LightBal/%1.png").arg(name);
}

const QString kCentre = QStringLiteral("LightBal");
const QString kFlashOn = lightBalPicture(QStringLiteral("FlashSymbol_on"));
const QString kFlashOff = lightBalPicture(QStringLiteral("FlashSymbol_off"));

} // namespace

TVK_GUI_7SegmentLightBalWidget::TVK_GUI_7SegmentLightBalWidget(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TVK_GUI_7SegmentLightBalWidget>())
{
    m_ui->setupUi(this);
    m_leftBlinkTimer = makeTimer("tmrLightBalLeft", kScaleBlinkIntervalMs,
                                 &TVK_GUI_7SegmentLightBalWidget::catchLeftBlinkTimer);
    m_rightBlinkTimer = makeTimer("tmrLightBalRight", kScaleBlinkIntervalMs,
                                  &TVK_GUI_7SegmentLightBalWidget::catchRightBlinkTimer);
    m_flashBlinkTimer = makeTimer("tmrFlash", kFlashBlinkIntervalMs,
                                  &TVK_GUI_7SegmentLightBalWidget::catchFlashBlinkTimer);
    updateScale();
    setFlashStatus(0);
    setFlashXSymbol(false);
}

TVK_GUI_7SegmentLightBalWidget::~TVK_GUI_7SegmentLightBalWidget() = default;

QTimer *TVK_GUI_7SegmentLightBalWidget::makeTimer(const char *name, int intervalMs,
                                                  void (TVK_GUI_7SegmentLightBalWidget::*slot)())
{
    auto *timer = new QTimer(this);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(intervalMs);
    connect(timer, &QTimer::timeout, this, slot);
    return timer;
}

QTimer *TVK_GUI_7SegmentLightBalWidget::leftBlinkTimer() const
{
    return m_leftBlinkTimer;
}

QTimer *TVK_GUI_7SegmentLightBalWidget::rightBlinkTimer() const
{
    return m_rightBlinkTimer;
}

QTimer *TVK_GUI_7SegmentLightBalWidget::flashBlinkTimer() const
{
    return m_flashBlinkTimer;
}

QString TVK_GUI_7SegmentLightBalWidget::scalePicture(int lightBalance)
{
    if (lightBalance == 0)
        return lightBalPicture(kCentre);
    if (lightBalance < -kScaleEnd)
        return lightBalPicture(QStringLiteral("LightBal-(0.0-Left)"));
    if (lightBalance > kScaleEnd)
        return lightBalPicture(QStringLiteral("LightBal-(0.0-Right)"));
    // Half stops: 1 is +0.5, -6 is -3.0.
    return lightBalPicture(QStringLiteral("LightBal-(%1%2)")
                               .arg(lightBalance > 0 ? QLatin1Char('+') : QLatin1Char('-'))
                               .arg(std::abs(lightBalance) / 2.0, 0, 'f', 1));
}

void TVK_GUI_7SegmentLightBalWidget::setLightBalance(int lightBalance)
{
    m_lightBalance = lightBalance;
    updateScale();
}

void TVK_GUI_7SegmentLightBalWidget::setLightBalIsActive(bool isActive)
{
    m_isActive = isActive;
    updateScale();
}

void TVK_GUI_7SegmentLightBalWidget::updateScale()
{
    m_leftBlinkTimer->stop();
    m_rightBlinkTimer->stop();
    if (!m_isActive) {
        m_ui->lblLightBal->setPicture(lightBalPicture(QStringLiteral("LightBal-inactive")));
        return;
    }
    // Off the scale: the arrow shows first and alternates with the empty scale.
    m_ui->lblLightBal->setPicture(scalePicture(m_lightBalance));
    m_scaleBlinkPhase = true;
    if (m_lightBalance < -kScaleEnd)
        m_leftBlinkTimer->start();
    else if (m_lightBalance > kScaleEnd)
        m_rightBlinkTimer->start();
}

void TVK_GUI_7SegmentLightBalWidget::catchLeftBlinkTimer()
{
    m_scaleBlinkPhase = !m_scaleBlinkPhase;
    m_ui->lblLightBal->setPicture(m_scaleBlinkPhase ? scalePicture(-kScaleEnd - 1) : lightBalPicture(kCentre));
}

void TVK_GUI_7SegmentLightBalWidget::catchRightBlinkTimer()
{
    m_scaleBlinkPhase = !m_scaleBlinkPhase;
    m_ui->lblLightBal->setPicture(m_scaleBlinkPhase ? scalePicture(kScaleEnd + 1) : lightBalPicture(kCentre));
}

void TVK_GUI_7SegmentLightBalWidget::setHasFlashStatus(bool hasFlashStatus)
{
    m_ui->lblFlash->setVisible(hasFlashStatus);
}

void TVK_GUI_7SegmentLightBalWidget::setFlashStatus(int flashStatus)
{
    // Status 1 blinks the symbol, 2 shows it steadily.
    m_flashBlinkTimer->stop();
    m_flashBlinkPhase = true;
    m_ui->lblFlash->setPicture(flashStatus == 1 || flashStatus == 2 ? kFlashOn : kFlashOff);
    if (flashStatus == 1)
        m_flashBlinkTimer->start();
}

void TVK_GUI_7SegmentLightBalWidget::catchFlashBlinkTimer()
{
    m_flashBlinkPhase = !m_flashBlinkPhase;
    m_ui->lblFlash->setPicture(m_flashBlinkPhase ? kFlashOn : kFlashOff);
}

void TVK_GUI_7SegmentLightBalWidget::setFlashXSymbol(bool on)
{
    m_ui->lblFlashX->setPicture(on ? lightBalPicture(QStringLiteral("FlashXSymbol_on"))
                                   : lightBalPicture(QStringLiteral("FlashXSymbol_off")));
}
