#pragma once

#include <QString>
#include <QWidget>

// The viewfinder read-out at the top of the camera panel. The panel forwards
// every camera value to these slots whichever variant it shows; a variant
// overrides the slots it has a read-out for and inherits empty ones for the rest.
class TVK_GUI_ViewFinderBase : public QWidget
{
    Q_OBJECT

public:
    explicit TVK_GUI_ViewFinderBase(QWidget *parent = nullptr);
    ~TVK_GUI_ViewFinderBase() override;

public Q_SLOTS:
    virtual void set3DAxisAngles(double horizontal, double vertical);
    virtual void set3DAxisVisible(bool visible);
    virtual void setHasAperture(bool hasAperture);
    virtual void setAperture(QString aperture);
    virtual void setBulbCounter(int counter);
    virtual void setExposCompens(int exposCompens);
    virtual void setExposCompensStep(int step);
    virtual void setExposMetering(int exposMetering);
    virtual void setExposureMode(int exposureMode);
    virtual void setExposureSimulation(int exposureSimulation);
    virtual void setHasFlashStatus(bool hasFlashStatus);
    virtual void setFlashStatus(int flashStatus);
    virtual void setFlashXSymbol(bool on);
    virtual void setHasFocusConfirmation(bool hasFocusConfirmation);
    virtual void setFocusConfirmation(int focusConfirmation);
    virtual void setFocusConfirmBadSig(bool badSignal);
    virtual void setNoFocusConfirmation();
    virtual void setLightBalance(int lightBalance);
    virtual void setLightBalIsActive(bool isActive);
    virtual void setSelfTimerCounter(int counter);
    virtual void setShutterTime(QString shutterTime);
    virtual void setSensitivity(int sensitivity);
    virtual void setSensitivityAuto(bool isAuto);
};
