#include "TVK_GUI_VFBelo_ApertureWidget.h"

#include "TVK_GUI_7SegmentApertureWidget.h"
#include "TVK_GUI_Resources.h"
#include "ui_TVK_GUI_VFBelo_ApertureWidget.h"

TVK_GUI_VFBelo_ApertureWidget::TVK_GUI_VFBelo_ApertureWidget(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TVK_GUI_VFBelo_ApertureWidget>())
{
    m_ui->setupUi(this);
    TVK_GUI_Resources::applyPanelFont(m_ui->lblAperture, TVK_GUI_Resources::kReadOutPixelSize);
    setExposureSimulation(0);
}

TVK_GUI_VFBelo_ApertureWidget::~TVK_GUI_VFBelo_ApertureWidget() = default;

void TVK_GUI_VFBelo_ApertureWidget::setAperture(QString aperture)
{
    m_ui->lblAperture->setText(TVK_GUI_7SegmentApertureWidget::readOutText(aperture));
}

void TVK_GUI_VFBelo_ApertureWidget::setExposureSimulation(int exposureSimulation)
{
    // 2 simulates the aperture alone, 3 aperture and shutter time.
    const bool simulated = exposureSimulation == 2 || exposureSimulation == 3;
    m_ui->lblApertureSim->setPicture(simulated
                                         ? QStringLiteral(":/TVK_GUI/images/ViewFinderBelo/expSim/VFBelo_F_expSim_on.png")
                                         : QStringLiteral(":/TVK_GUI/images/ViewFinderBelo/expSim/VFBelo_F_expSim_off.png"));
}
