#pragma once

#include "TVK_GUI_PictureLabel.h"

// The "+/-" mark that is lit while any exposure compensation is set.
class TVK_GUI_7SegmentExpCompensWidget : public TVK_GUI_PictureLabel
{
    Q_OBJECT

public:
    explicit TVK_GUI_7SegmentExpCompensWidget(QWidget *parent = nullptr);
    ~TVK_GUI_7SegmentExpCompensWidget() override;

public Q_SLOTS:
    void setExposCompens(int exposCompens);
};
