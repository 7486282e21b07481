#include "TVK_GUI_VFBelo_ExpModeWidget.h"

namespace {

// Indexed by the camera's exposure-mode code; 4 is a manual variant and shares M.
constexpr const char *kModeLetters[] = {"M", "S", "A", "P", "M", "Pstar"};
constexpr int kModeCount = static_cast<int>(sizeof(kModeLetters) / sizeof(kModeLetters[0]));

} // namespace

TVK_GUI_VFBelo_ExpModeWidget::TVK_GUI_VFBelo_ExpModeWidget(QWidget *parent)
    : TVK_GUI_PictureLabel(parent)
{
    setFixedSize(20, 20);
}

TVK_GUI_VFBelo_ExpModeWidget::~TVK_GUI_VFBelo_ExpModeWidget() = default;

QString TVK_GUI_VFBelo_ExpModeWidget::pictureFor(int exposureMode)
{
    if (exposureMode < 0 || exposureMode >= kModeCount)
        return QString();
    return QStringLiteral(":/TVK_GUI/images/ViewFinderBelo/expMode/VFBelo_expMode_%1.png")
        .arg(QLatin1String(kModeLetters[exposureMode]));
}

void TVK_GUI_VFBelo_ExpModeWidget::setExposureMode(int exposureMode)
{
    setPicture(pictureFor(exposureMode));
}
