#include "TVK_GUI_VFBelo_LightBalExpCompensWidget.h"

#include "TVK_Debug_Log.h"
#include "ui_TVK_GUI_VFBelo_LightBalExpCompensWidget.h"

#include <QTimer>


namespace {

constexpr double kScaleEnd = 3.0;

const QString kFlashOn = QStringLiteral(":/TVK_GUI/images/ViewFinderBelo/flashStatus/VFBelo_flashOn.png");

// Stops with one decimal as the picture names spell them: "+0.7", "0.0", "-1.3".
QString stopText(double stops)
{
    QString text = QString::number(stops, 'f', 1);
    if (text == QLatin1String("-0.0"))
        text = QStringLiteral("0.0");
    if (stops > 0 && text != QLatin1String("0.0"))
        text.prepend(QLatin1Char('+'));
    return text;
}

} // namespace

TVK_GUI_VFBelo_LightBalExpCompensWidget::TVK_GUI_VFBelo_LightBalExpCompensWidget(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TVK_GUI_VFBelo_LightBalExpCompensWidget>())
    , m_flashBlinkTimer(new QTimer(this))
{
    m_ui->setupUi(this);
    m_flashBlinkTimer->setObjectName(QStringLiteral("tmrFlash"));
    m_flashBlinkTimer->setInterval(kFlashBlinkIntervalMs);
    connect(m_flashBlinkTimer, &QTimer::timeout, this,
            &TVK_GUI_VFBelo_LightBalExpCompensWidget::catchFlashBlinkTimer);
    updateExpComp();
    updateLightBal();
}

TVK_GUI_VFBelo_LightBalExpCompensWidget::~TVK_GUI_VFBelo_LightBalExpCompensWidget() = default;

QTimer *TVK_GUI_VFBelo_LightBalExpCompensWidget::flashBlinkTimer() const
{
    return m_flashBlinkTimer;
}

QString TVK_GUI_VFBelo_LightBalExpCompensWidget::expCompPicture(int step, int exposCompens)
{
    return QStringLiteral(":/TVK_GUI/images/ViewFinderBelo/ExpComp/VFBelo_ExpComp_%1_(%2).png")
        .arg(step)
        .arg(stopText(exposCompens / 1000.0));
}

QString TVK_GUI_VFBelo_LightBalExpCompensWidget::lightBalPicture(int step, int lightBalance, bool isActive)
{
    QString value;
    if (!isActive) {
        value = QStringLiteral("inact");
    } else {
        const double stops = lightBalance / (step == kThirdStep ? 3.0 : 2.0);
        if (stops > kScaleEnd)
            value = QStringLiteral("over");
        else if (stops < -kScaleEnd)
            value = QStringLiteral("under");
        else
            value = stopText(stops);
    }
    return QStringLiteral(":/TVK_GUI/images/ViewFinderBelo/LightBal/VFBelo_LightBal_%1_(%2).png")
        .arg(step)
        .arg(value);
}

void TVK_GUI_VFBelo_LightBalExpCompensWidget::setExposCompens(int exposCompens)
{
    m_exposCompens = exposCompens;
    updateExpComp();
}

void TVK_GUI_VFBelo_LightBalExpCompensWidget::setExposCompensStep(int step)
{
    if (step != kThirdStep && step != kHalfStep) {
        TVK_METHOD(prefix);
        debugLog(kLELogAlways, "%s - illegal compensation step %d", prefix, step);
        return;
    }
    if (step == m_step)
        return;
    m_step = step;
    updateExpComp();
    updateLightBal();
}

void TVK_GUI_VFBelo_LightBalExpCompensWidget::setLightBalance(int lightBalance)
{
    m_lightBalance = lightBalance;
    updateLightBal();
}

void TVK_GUI_VFBelo_LightBalExpCompensWidget::setLightBalIsActive(bool isActive)
{
    m_isActive = isActive;
    updateLightBal();
}

void TVK_GUI_VFBelo_LightBalExpCompensWidget::setFlashStatus(int flashStatus)
{
    // Status 1 blinks the symbol, 2 shows it steadily.
    m_flashBlinkTimer->stop();
    m_flashBlinkPhase = true;
    m_ui->lblFlash->setPicture(flashStatus == 1 || flashStatus == 2 ? kFlashOn : QString());
    if (flashStatus == 1)
        m_flashBlinkTimer->start();
}

void TVK_GUI_VFBelo_LightBalExpCompensWidget::catchFlashBlinkTimer()
{
    m_flashBlinkPhase = !m_flashBlinkPhase;
    m_ui->lblFlash->setPicture(m_flashBlinkPhase ? kFlashOn : QString());
}

void TVK_GUI_VFBelo_LightBalExpCompensWidget::updateExpComp()
{
    m_ui->lblExpComp->setPicture(expCompPicture(m_step, m_exposCompens));
}

void TVK_GUI_VFBelo_LightBalExpCompensWidget::updateLightBal()
{
    m_ui->lblLightBal->setPicture(lightBalPicture(m_step, m_lightBalance, m_isActive));
}
