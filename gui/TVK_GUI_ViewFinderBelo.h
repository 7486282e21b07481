#pragma once

#include "TVK_GUI_ViewFinderBase.h"

#include <memory>

namespace Ui {
class TVK_GUI_ViewFinderBelo;
}

// The picture-based viewfinder strip: mode and ISO, compensation and light
// balance scales with flash, aperture and shutter time with their
// simulation marks.
class TVK_GUI_ViewFinderBelo : public TVK_GUI_ViewFinderBase
{
    Q_OBJECT

public:
    explicit TVK_GUI_ViewFinderBelo(QWidget *parent = nullptr);
    ~TVK_GUI_ViewFinderBelo() override;

public Q_SLOTS:
    void setHasAperture(bool hasAperture) override;
    void setAperture(QString aperture) override;
    void setBulbCounter(int counter) override;
    void setExposCompens(int exposCompens) override;
    void setExposCompensStep(int step) override;
    void setExposureMode(int exposureMode) override;
    void setExposureSimulation(int exposureSimulation) override;
    void setFlashStatus(int flashStatus) override;
    void setLightBalance(int lightBalance) override;
    void setLightBalIsActive(bool isActive) override;
    void setShutterTime(QString shutterTime) override;
    void setSensitivity(int sensitivity) override;
    void setSensitivityAuto(bool isAuto) override;

private:
    std::unique_ptr<Ui::TVK_GUI_ViewFinderBelo> m_ui;
};
