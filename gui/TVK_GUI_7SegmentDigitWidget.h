#pragma once

#include "TVK_GUI_PictureLabel.h"

#include <QChar>

// One 7-segment character of the viewfinder strip.
class TVK_GUI_7SegmentDigitWidget : public TVK_GUI_PictureLabel
{
    Q_OBJECT

public:
    explicit TVK_GUI_7SegmentDigitWidget(QWidget *parent = nullptr);
    ~TVK_GUI_7SegmentDigitWidget() override;

    QChar digit() const;

    // The picture of a character; characters without one of their own are blank.
    static QString pictureFor(QChar character);

public Q_SLOTS:
    void setDigit(QChar character);

private:
    QChar m_digit;
};
