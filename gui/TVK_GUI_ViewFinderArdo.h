#pragma once

#include "TVK_GUI_ViewFinderBase.h"

#include <memory>

namespace Ui {
class TVK_GUI_ViewFinderArdo;
}

// The 7-segment viewfinder strip: level, shutter time, mode, aperture, light
// balance with flash, focus confirmation, compensation mark and metering.
class TVK_GUI_ViewFinderArdo : public TVK_GUI_ViewFinderBase
{
    Q_OBJECT

public:
    explicit TVK_GUI_ViewFinderArdo(QWidget *parent = nullptr);
    ~TVK_GUI_ViewFinderArdo() override;

    // False while a running self-timer owns the shutter digits.
    bool isShutterDisplayFree() const;

public Q_SLOTS:
    void set3DAxisAngles(double horizontal, double vertical) override;
    void set3DAxisVisible(bool visible) override;
    void setHasAperture(bool hasAperture) override;
    void setAperture(QString aperture) override;
    void setBulbCounter(int counter) override;
    void setExposCompens(int exposCompens) override;
    void setExposMetering(int exposMetering) override;
    void setExposureMode(int exposureMode) override;
    void setHasFlashStatus(bool hasFlashStatus) override;
    void setFlashStatus(int flashStatus) override;
    void setFlashXSymbol(bool on) override;
    void setHasFocusConfirmation(bool hasFocusConfirmation) override;
    void setFocusConfirmation(int focusConfirmation) override;
    void setFocusConfirmBadSig(bool badSignal) override;
    void setNoFocusConfirmation() override;
    void setLightBalance(int lightBalance) override;
    void setLightBalIsActive(bool isActive) override;
    void setSelfTimerCounter(int counter) override;
    void setShutterTime(QString shutterTime) override;

private:
    void showShutterTime();

    std::unique_ptr<Ui::TVK_GUI_ViewFinderArdo> m_ui;
    bool m_isShutterDisplayFree = true;
    // The last shutter time, shown again when a counter gives the digits back.
    QString m_shutterTime;
};
