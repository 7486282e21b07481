#include "TVK_GUI_VFBelo_ShutTimeWidget.h"

#include "TVK_GUI_Resources.h"
#include "ui_TVK_GUI_VFBelo_ShutTimeWidget.h"

namespace {

QString expSimPicture(const char *name)
{
    return QStringLiteral(":/TVK_GUI/images/ViewFinderBelo/expSim/VFBelo_%1.png").arg(QLatin1String(name));
}

} // namespace

TVK_GUI_VFBelo_ShutTimeWidget::TVK_GUI_VFBelo_ShutTimeWidget(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TVK_GUI_VFBelo_ShutTimeWidget>())
{
    m_ui->setupUi(this);
    TVK_GUI_Resources::applyPanelFont(m_ui->lblShutTime, TVK_GUI_Resources::kReadOutPixelSize);
    updateDisplay();
}

TVK_GUI_VFBelo_ShutTimeWidget::~TVK_GUI_VFBelo_ShutTimeWidget() = default;

void TVK_GUI_VFBelo_ShutTimeWidget::setShutterTime(QString shutterTime)
{
    m_shutterTime = shutterTime;
    m_isBulb = shutterTime == QLatin1String("B");
    m_isMinutes = shutterTime.endsWith(QLatin1Char('m'));
    updateDisplay();
}

void TVK_GUI_VFBelo_ShutTimeWidget::setBulbCounter(int counter)
{
    m_counter = counter;
    updateDisplay();
}

void TVK_GUI_VFBelo_ShutTimeWidget::setExposureSimulation(int exposureSimulation)
{
    // Only 3 simulates the shutter time; 2 simulates the aperture alone.
    m_simulationOn = exposureSimulation == 3;
    updateDisplay();
}

void TVK_GUI_VFBelo_ShutTimeWidget::updateDisplay()
{
    if (m_counter >= 0) {
        m_ui->lblShutTime->setText(QString::number(m_counter));
        m_ui->lblShutTimeSim->setPicture(expSimPicture("S_expSim_off"));
        return;
    }
    // The unit is the mark beside the text, so the text loses its own.
    QString text = m_shutterTime;
    text.remove(QLatin1Char('m'));
    text.remove(QLatin1Char('s'));
    m_ui->lblShutTime->setText(text);
    if (m_isBulb)
        m_ui->lblShutTimeSim->setPicture(QString());
    else if (m_isMinutes)
        m_ui->lblShutTimeSim->setPicture(expSimPicture(m_simulationOn ? "m_expSim_on" : "m_expSim_off"));
    else
        m_ui->lblShutTimeSim->setPicture(expSimPicture(m_simulationOn ? "S_expSim_on" : "S_expSim_off"));
}
