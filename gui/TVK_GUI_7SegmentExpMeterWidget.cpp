#include "TVK_GUI_7SegmentExpMeterWidget.h"

namespace {

// Indexed by the camera's metering code.
constexpr const char *kMeteringNames[] = {"ExposMetering_spot", "ExposMetering_centerWeighted",
                                          "ExposMetering_multiField"};
constexpr int kMeteringCount = static_cast<int>(sizeof(kMeteringNames) / sizeof(kMeteringNames[0]));

} // namespace

TVK_GUI_7SegmentExpMeterWidget::TVK_GUI_7SegmentExpMeterWidget(QWidget *parent)
    : TVK_GUI_PictureLabel(parent)
{
    setFixedSize(23, 23);
    setExposMetering(-1);
}

TVK_GUI_7SegmentExpMeterWidget::~TVK_GUI_7SegmentExpMeterWidget() = default;

QString TVK_GUI_7SegmentExpMeterWidget::pictureFor(int exposMetering)
{
    const char *name = exposMetering >= 0 && exposMetering < kMeteringCount ? kMeteringNames[exposMetering]
                                                                            : "ExposMetering_none";
    return QStringLiteral(":/TVK_GUI/images/ExposMetering/%1.png").arg(QLatin1String(name));
}

void TVK_GUI_7SegmentExpMeterWidget::setExposMetering(int exposMetering)
{
    setPicture(pictureFor(exposMetering));
}
