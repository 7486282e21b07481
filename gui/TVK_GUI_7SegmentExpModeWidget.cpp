#include "TVK_GUI_7SegmentExpModeWidget.h"

namespace {

// Indexed by the camera's exposure-mode code; 4 has no letter of its own.
constexpr const char *kModeNames[] = {"A-m", "A-T", "A-A", "A-P", "A-null", "A-P"};
constexpr int kModeCount = static_cast<int>(sizeof(kModeNames) / sizeof(kModeNames[0]));

} // namespace

TVK_GUI_7SegmentExpModeWidget::TVK_GUI_7SegmentExpModeWidget(QWidget *parent)
    : TVK_GUI_PictureLabel(parent)
{
    setFixedSize(13, 23);
    setPicture(pictureFor(-1));
}

TVK_GUI_7SegmentExpModeWidget::~TVK_GUI_7SegmentExpModeWidget() = default;

QString TVK_GUI_7SegmentExpModeWidget::pictureFor(int exposureMode)
{
    const char *name = exposureMode >= 0 && exposureMode < kModeCount ? kModeNames[exposureMode] : "A-null";
    return QStringLiteral(":/TVK_GUI/images/7Segment/%1.png").arg(QLatin1String(name));
}

void TVK_GUI_7SegmentExpModeWidget::setExposureMode(int exposureMode)
{
    setPicture(pictureFor(exposureMode));
}
