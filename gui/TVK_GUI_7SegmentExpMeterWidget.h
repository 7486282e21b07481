#pragma once

#include "TVK_GUI_PictureLabel.h"

// The metering-pattern symbol (spot, centre-weighted, multi-field).
class TVK_GUI_7SegmentExpMeterWidget : public TVK_GUI_PictureLabel
{
    Q_OBJECT

public:
    explicit TVK_GUI_7SegmentExpMeterWidget(QWidget *parent = nullptr);
    ~TVK_GUI_7SegmentExpMeterWidget() override;

    static QString pictureFor(int exposMetering);

public Q_SLOTS:
    void setExposMetering(int exposMetering);
};
