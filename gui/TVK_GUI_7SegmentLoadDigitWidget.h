#pragma once

#include "TVK_GUI_PictureLabel.h"

#include <QChar>

// One digit of the load counter; anything but a decimal digit shows a grey eight.
class TVK_GUI_7SegmentLoadDigitWidget : public TVK_GUI_PictureLabel
{
    Q_OBJECT

public:
    explicit TVK_GUI_7SegmentLoadDigitWidget(QWidget *parent = nullptr);
    ~TVK_GUI_7SegmentLoadDigitWidget() override;

    static QString pictureFor(QChar character);

public Q_SLOTS:
    void setDigit(QChar character);
};
