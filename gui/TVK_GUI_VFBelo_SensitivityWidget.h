#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class TVK_GUI_VFBelo_SensitivityWidget;
}

// The ISO number with its auto mark.
class TVK_GUI_VFBelo_SensitivityWidget : public QWidget
{
    Q_OBJECT

public:
    explicit TVK_GUI_VFBelo_SensitivityWidget(QWidget *parent = nullptr);
    ~TVK_GUI_VFBelo_SensitivityWidget() override;

public Q_SLOTS:
    void setSensitivity(int sensitivity);
    void setSensitivityAuto(bool isAuto);

private:
    std::unique_ptr<Ui::TVK_GUI_VFBelo_SensitivityWidget> m_ui;
};
