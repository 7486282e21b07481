#include "TVK_GUI_ViewFinderBelo.h"

#include "ui_TVK_GUI_ViewFinderBelo.h"

TVK_GUI_ViewFinderBelo::TVK_GUI_ViewFinderBelo(QWidget *parent)
    : TVK_GUI_ViewFinderBase(parent)
    , m_ui(std::make_unique<Ui::TVK_GUI_ViewFinderBelo>())
{
    m_ui->setupUi(this);
}

TVK_GUI_ViewFinderBelo::~TVK_GUI_ViewFinderBelo() = default;

void TVK_GUI_ViewFinderBelo::setHasAperture(bool hasAperture)
{
    m_ui->wgtAperture->setVisible(hasAperture);
}

void TVK_GUI_ViewFinderBelo::setAperture(QString aperture)
{
    m_ui->wgtAperture->setAperture(aperture);
}

void TVK_GUI_ViewFinderBelo::setBulbCounter(int counter)
{
    m_ui->wgtShutTime->setBulbCounter(counter);
}

void TVK_GUI_ViewFinderBelo::setExposCompens(int exposCompens)
{
    m_ui->wgtLightBalExpCompens->setExposCompens(exposCompens);
}

void TVK_GUI_ViewFinderBelo::setExposCompensStep(int step)
{
    m_ui->wgtLightBalExpCompens->setExposCompensStep(step);
}

void TVK_GUI_ViewFinderBelo::setExposureMode(int exposureMode)
{
    m_ui->wgtExpMode->setExposureMode(exposureMode);
    // The light balance only means something in manual exposure.
    m_ui->wgtLightBalExpCompens->setLightBalIsActive(exposureMode == 0);
}

void TVK_GUI_ViewFinderBelo::setExposureSimulation(int exposureSimulation)
{
    m_ui->wgtAperture->setExposureSimulation(exposureSimulation);
    m_ui->wgtShutTime->setExposureSimulation(exposureSimulation);
}

void TVK_GUI_ViewFinderBelo::setFlashStatus(int flashStatus)
{
    m_ui->wgtLightBalExpCompens->setFlashStatus(flashStatus);
}

void TVK_GUI_ViewFinderBelo::setLightBalance(int lightBalance)
{
    m_ui->wgtLightBalExpCompens->setLightBalance(lightBalance);
}

void TVK_GUI_ViewFinderBelo::setLightBalIsActive(bool isActive)
{
    m_ui->wgtLightBalExpCompens->setLightBalIsActive(isActive);
}

void TVK_GUI_ViewFinderBelo::setShutterTime(QString shutterTime)
{
    m_ui->wgtShutTime->setShutterTime(shutterTime);
}

void TVK_GUI_ViewFinderBelo::setSensitivity(int sensitivity)
{
    m_ui->wgtSensitivity->setSensitivity(sensitivity);
}

void TVK_GUI_ViewFinderBelo::setSensitivityAuto(bool isAuto)
{
    m_ui->wgtSensitivity->setSensitivityAuto(isAuto);
}
