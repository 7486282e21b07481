#include "TVK_GUI_ViewFinderArdo.h"

#include "ui_TVK_GUI_ViewFinderArdo.h"

namespace {

// The counters share the shutter digits: a letter, then three places.
QString counterText(QChar letter, int counter)
{
    return QString(letter) + QStringLiteral("%1").arg(counter, 3);
}

// From this count on the self-timer is running and its count replaces the shutter time.
constexpr int kSelfTimerRunning = 2;

} // namespace

TVK_GUI_ViewFinderArdo::TVK_GUI_ViewFinderArdo(QWidget *parent)
    : TVK_GUI_ViewFinderBase(parent)
    , m_ui(std::make_unique<Ui::TVK_GUI_ViewFinderArdo>())
{
    m_ui->setupUi(this);
}

TVK_GUI_ViewFinderArdo::~TVK_GUI_ViewFinderArdo() = default;

bool TVK_GUI_ViewFinderArdo::isShutterDisplayFree() const
{
    return m_isShutterDisplayFree;
}

void TVK_GUI_ViewFinderArdo::set3DAxisAngles(double horizontal, double vertical)
{
    m_ui->wgt3DAxisData->set3DAxisAngles(horizontal, vertical);
}

void TVK_GUI_ViewFinderArdo::set3DAxisVisible(bool visible)
{
    m_ui->wgt3DAxisData->setVisible(visible);
}

void TVK_GUI_ViewFinderArdo::setHasAperture(bool hasAperture)
{
    m_ui->wgt7SegAperture->setVisible(hasAperture);
}

void TVK_GUI_ViewFinderArdo::setAperture(QString aperture)
{
    m_ui->wgt7SegAperture->setAperture(aperture);
}

void TVK_GUI_ViewFinderArdo::setBulbCounter(int counter)
{
    // A negative count ends the bulb exposure: the shutter time comes back,
    // unless a running self-timer holds the digits.
    if (counter < 0) {
        if (m_isShutterDisplayFree)
            showShutterTime();
        return;
    }
    m_ui->wgt7SegShutTime->setText(counterText(QLatin1Char('b'), counter), true);
}

void TVK_GUI_ViewFinderArdo::setExposCompens(int exposCompens)
{
    m_ui->wgt7SegExpCompens->setExposCompens(exposCompens);
}

void TVK_GUI_ViewFinderArdo::setExposMetering(int exposMetering)
{
    m_ui->wgt7SegExpMeter->setExposMetering(exposMetering);
}

void TVK_GUI_ViewFinderArdo::setExposureMode(int exposureMode)
{
    m_ui->wgt7SegExpMode->setExposureMode(exposureMode);
    // The light balance only means something in manual exposure.
    m_ui->wgt7SegLightBal->setLightBalIsActive(exposureMode == 0);
}

void TVK_GUI_ViewFinderArdo::setHasFlashStatus(bool hasFlashStatus)
{
    m_ui->wgt7SegLightBal->setHasFlashStatus(hasFlashStatus);
}

void TVK_GUI_ViewFinderArdo::setFlashStatus(int flashStatus)
{
    m_ui->wgt7SegLightBal->setFlashStatus(flashStatus);
}

void TVK_GUI_ViewFinderArdo::setFlashXSymbol(bool on)
{
    m_ui->wgt7SegLightBal->setFlashXSymbol(on);
}

void TVK_GUI_ViewFinderArdo::setHasFocusConfirmation(bool hasFocusConfirmation)
{
    m_ui->wgt7SegFocusConfirm->setVisible(hasFocusConfirmation);
}

void TVK_GUI_ViewFinderArdo::setFocusConfirmation(int focusConfirmation)
{
    m_ui->wgt7SegFocusConfirm->setFocusConfirmation(focusConfirmation);
}

void TVK_GUI_ViewFinderArdo::setFocusConfirmBadSig(bool badSignal)
{
    m_ui->wgt7SegFocusConfirm->setFocusConfirmBadSig(badSignal);
}

void TVK_GUI_ViewFinderArdo::setNoFocusConfirmation()
{
    m_ui->wgt7SegFocusConfirm->setNoFocusConfirmation();
}

void TVK_GUI_ViewFinderArdo::setLightBalance(int lightBalance)
{
    m_ui->wgt7SegLightBal->setLightBalance(lightBalance);
}

void TVK_GUI_ViewFinderArdo::setLightBalIsActive(bool isActive)
{
    m_ui->wgt7SegLightBal->setLightBalIsActive(isActive);
}

void TVK_GUI_ViewFinderArdo::setSelfTimerCounter(int counter)
{
    m_isShutterDisplayFree = counter < kSelfTimerRunning;
    // Zero or a negative count ends the self-timer: the digits show the
    // shutter time again instead of a count that no longer runs. The last
    // second (1) is still shown, though the shutter time may replace it.
    if (counter <= 0) {
        showShutterTime();
        return;
    }
    m_ui->wgt7SegShutTime->setText(counterText(QLatin1Char('S'), counter), true);
}

void TVK_GUI_ViewFinderArdo::setShutterTime(QString shutterTime)
{
    // Kept while a counter holds the digits, to be shown when it ends.
    m_shutterTime = shutterTime;
    if (m_isShutterDisplayFree)
        showShutterTime();
}

void TVK_GUI_ViewFinderArdo::showShutterTime()
{
    // Before any shutter time the digits are blank, as at the start.
    if (m_shutterTime.isNull())
        m_ui->wgt7SegShutTime->setText(QString(), false);
    else
        m_ui->wgt7SegShutTime->setShutterTime(m_shutterTime);
}
