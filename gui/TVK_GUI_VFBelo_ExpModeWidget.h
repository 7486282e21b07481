#pragma once

#include "TVK_GUI_PictureLabel.h"

// The exposure-mode picture of the picture-based viewfinder (M, S, A, P, P*).
class TVK_GUI_VFBelo_ExpModeWidget : public TVK_GUI_PictureLabel
{
    Q_OBJECT

public:
    explicit TVK_GUI_VFBelo_ExpModeWidget(QWidget *parent = nullptr);
    ~TVK_GUI_VFBelo_ExpModeWidget() override;

    // Empty for codes without a picture.
    static QString pictureFor(int exposureMode);

public Q_SLOTS:
    void setExposureMode(int exposureMode);
};
