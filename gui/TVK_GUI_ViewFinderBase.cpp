#include "TVK_GUI_ViewFinderBase.h"

TVK_GUI_ViewFinderBase::TVK_GUI_ViewFinderBase(QWidget *parent)
    : QWidget(parent)
{
}

TVK_GUI_ViewFinderBase::~TVK_GUI_ViewFinderBase() = default;

// A value without a read-out in the variant shown is simply not displayed.
void TVK_GUI_ViewFinderBase::set3DAxisAngles(double, double) {}
void TVK_GUI_ViewFinderBase::set3DAxisVisible(bool) {}
void TVK_GUI_ViewFinderBase::setHasAperture(bool) {}
void TVK_GUI_ViewFinderBase::setAperture(QString) {}
void TVK_GUI_ViewFinderBase::setBulbCounter(int) {}
void TVK_GUI_ViewFinderBase::setExposCompens(int) {}
void TVK_GUI_ViewFinderBase::setExposCompensStep(int) {}
void TVK_GUI_ViewFinderBase::setExposMetering(int) {}
void TVK_GUI_ViewFinderBase::setExposureMode(int) {}
void TVK_GUI_ViewFinderBase::setExposureSimulation(int) {}
void TVK_GUI_ViewFinderBase::setHasFlashStatus(bool) {}
void TVK_GUI_ViewFinderBase::setFlashStatus(int) {}
void TVK_GUI_ViewFinderBase::setFlashXSymbol(bool) {}
void TVK_GUI_ViewFinderBase::setHasFocusConfirmation(bool) {}
void TVK_GUI_ViewFinderBase::setFocusConfirmation(int) {}
void TVK_GUI_ViewFinderBase::setFocusConfirmBadSig(bool) {}
void TVK_GUI_ViewFinderBase::setNoFocusConfirmation() {}
void TVK_GUI_ViewFinderBase::setLightBalance(int) {}
void TVK_GUI_ViewFinderBase::setLightBalIsActive(bool) {}
void TVK_GUI_ViewFinderBase::setSelfTimerCounter(int) {}
void TVK_GUI_ViewFinderBase::setShutterTime(QString) {}
void TVK_GUI_ViewFinderBase::setSensitivity(int) {}
void TVK_GUI_ViewFinderBase::setSensitivityAuto(bool) {}
