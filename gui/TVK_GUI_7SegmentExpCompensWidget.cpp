#include "TVK_GUI_7SegmentExpCompensWidget.h"

TVK_GUI_7SegmentExpCompensWidget::TVK_GUI_7SegmentExpCompensWidget(QWidget *parent)
    : TVK_GUI_PictureLabel(parent)
{
    setFixedSize(13, 23);
    setExposCompens(0);
}

TVK_GUI_7SegmentExpCompensWidget::~TVK_GUI_7SegmentExpCompensWidget() = default;

void TVK_GUI_7SegmentExpCompensWidget::setExposCompens(int exposCompens)
{
    setPicture(exposCompens != 0
                   ? QStringLiteral(":/TVK_GUI/images/ExposCompensation/ExposCompensation_on.png")
                   : QStringLiteral(":/TVK_GUI/images/ExposCompensation/ExposCompensation_off.png"));
}
