#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class TVK_GUI_7SegmentLoadCounterWidget;
}

// Two digits counting the pictures still to be transferred; 99 at most.
class TVK_GUI_7SegmentLoadCounterWidget : public QWidget
{
    Q_OBJECT

public:
    explicit TVK_GUI_7SegmentLoadCounterWidget(QWidget *parent = nullptr);
    ~TVK_GUI_7SegmentLoadCounterWidget() override;

public Q_SLOTS:
    void setCounter(int number);

private:
    std::unique_ptr<Ui::TVK_GUI_7SegmentLoadCounterWidget> m_ui;
};
