#pragma once

#include <QString>
#include <QWidget>

#include <memory>

namespace Ui {
class TVK_GUI_VFBelo_ShutTimeWidget;
}

// The shutter time as text with its unit mark ("S" seconds or "m" minutes),
// lit while the live view simulates the shutter time. During a bulb
// exposure the text shows the bulb counter instead.
class TVK_GUI_VFBelo_ShutTimeWidget : public QWidget
{
    Q_OBJECT

public:
    explicit TVK_GUI_VFBelo_ShutTimeWidget(QWidget *parent = nullptr);
    ~TVK_GUI_VFBelo_ShutTimeWidget() override;

public Q_SLOTS:
    void setShutterTime(QString shutterTime);
    // A negative count ends the counting.
    void setBulbCounter(int counter);
    void setExposureSimulation(int exposureSimulation);

private:
    void updateDisplay();

    std::unique_ptr<Ui::TVK_GUI_VFBelo_ShutTimeWidget> m_ui;
    QString m_shutterTime;
    int m_counter = -1;
    bool m_isBulb = false;
    bool m_isMinutes = false;
    bool m_simulationOn = false;
};
