#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <memory>

class TVK_GUI_7SegmentDigitWidget;
namespace Ui {
class TVK_GUI_7SegmentShutTimeWidget;
}

// The four 7-segment digits of the shutter time; the viewfinder also writes
// the bulb and self-timer counters into them through setText.
class TVK_GUI_7SegmentShutTimeWidget : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kDigitCount = 4;

    explicit TVK_GUI_7SegmentShutTimeWidget(QWidget *parent = nullptr);
    ~TVK_GUI_7SegmentShutTimeWidget() override;

    // The characters the digits show, left to right.
    QString shownText() const;

public Q_SLOTS:
    void setShutterTime(QString shutterTime);
    void setText(QString text, bool wantLeftAlign);

private:
    std::unique_ptr<Ui::TVK_GUI_7SegmentShutTimeWidget> m_ui;
    std::array<TVK_GUI_7SegmentDigitWidget *, kDigitCount> m_digits;
};
