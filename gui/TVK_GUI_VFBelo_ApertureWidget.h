#pragma once

#include <QString>
#include <QWidget>

#include <memory>

namespace Ui {
class TVK_GUI_VFBelo_ApertureWidget;
}

// The f-number as text behind an "F" mark that lights while the live view
// simulates the aperture.
class TVK_GUI_VFBelo_ApertureWidget : public QWidget
{
    Q_OBJECT

public:
    explicit TVK_GUI_VFBelo_ApertureWidget(QWidget *parent = nullptr);
    ~TVK_GUI_VFBelo_ApertureWidget() override;

public Q_SLOTS:
    void setAperture(QString aperture);
    void setExposureSimulation(int exposureSimulation);

private:
    std::unique_ptr<Ui::TVK_GUI_VFBelo_ApertureWidget> m_ui;
};
