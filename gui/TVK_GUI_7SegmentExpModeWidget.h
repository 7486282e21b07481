#pragma once

#include "TVK_GUI_PictureLabel.h"

// The exposure-mode letter of the 7-segment strip (m, T, A, P).
class TVK_GUI_7SegmentExpModeWidget : public TVK_GUI_PictureLabel
{
    Q_OBJECT

public:
    explicit TVK_GUI_7SegmentExpModeWidget(QWidget *parent = nullptr);
    ~TVK_GUI_7SegmentExpModeWidget() override;

    static QString pictureFor(int exposureMode);

public Q_SLOTS:
    void setExposureMode(int exposureMode);
};
