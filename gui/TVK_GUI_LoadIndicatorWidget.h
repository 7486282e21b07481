#pragma once

#include "TVK_GUI_PictureLabel.h"

class QTimer;

// The animated bar shown while pictures are transferred.
class TVK_GUI_LoadIndicatorWidget : public TVK_GUI_PictureLabel
{
    Q_OBJECT

public:
    static constexpr int kFrameIntervalMs = 100;
    static constexpr int kFrameCount = 5;

    explicit TVK_GUI_LoadIndicatorWidget(QWidget *parent = nullptr);
    ~TVK_GUI_LoadIndicatorWidget() override;

    // Object name "tmrLoadImage".
    QTimer *loadImageTimer() const;
    // 0 while idle, else the animation frame 1..5.
    int frame() const;

public Q_SLOTS:
    void setLoading(bool isLoading);

private Q_SLOTS:
    void catchLoadImageTimer();
    void updateLoadImage();

private:
    QTimer *m_loadImageTimer;
    int m_frame = 0;
};
