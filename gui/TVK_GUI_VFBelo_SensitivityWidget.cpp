#include "TVK_GUI_VFBelo_SensitivityWidget.h"

#include "TVK_GUI_Resources.h"
#include "ui_TVK_GUI_VFBelo_SensitivityWidget.h"

TVK_GUI_VFBelo_SensitivityWidget::TVK_GUI_VFBelo_SensitivityWidget(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TVK_GUI_VFBelo_SensitivityWidget>())
{
    m_ui->setupUi(this);
    TVK_GUI_Resources::applyPanelFont(m_ui->lblIso, TVK_GUI_Resources::kReadOutPixelSize);
    setSensitivityAuto(false);
}

TVK_GUI_VFBelo_SensitivityWidget::~TVK_GUI_VFBelo_SensitivityWidget() = default;

void TVK_GUI_VFBelo_SensitivityWidget::setSensitivity(int sensitivity)
{
    // A non-positive number is no ISO value; keep the last one shown.
    if (sensitivity > 0)
        m_ui->lblIso->setText(QString::number(sensitivity));
}

void TVK_GUI_VFBelo_SensitivityWidget::setSensitivityAuto(bool isAuto)
{
    m_ui->lblIsoAuto->setPicture(isAuto ? QStringLiteral(":/TVK_GUI/images/ViewFinderBelo/isoAuto/VFBelo_isoAuto_on.png")
                                        : QStringLiteral(":/TVK_GUI/images/ViewFinderBelo/isoAuto/VFBelo_isoAuto_off.png"));
}
