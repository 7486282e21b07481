#pragma once

#include <QWidget>

class TVK_GUI_PictureLabel;

// The camera's spirit level: a horizontal (roll) scale with a vertical
// (pitch) scale drawn on top of it. Beyond ten degrees the end mark blinks,
// one phase per update, so a steady stream of angles makes it flash.
class TVK_GUI_3DAxisDataWidget : public QWidget
{
    Q_OBJECT

public:
    static constexpr double kAngleLimit = 135.0;

    explicit TVK_GUI_3DAxisDataWidget(QWidget *parent = nullptr);
    ~TVK_GUI_3DAxisDataWidget() override;

    TVK_GUI_PictureLabel *horizontalLabel() const;
    TVK_GUI_PictureLabel *verticalLabel() const;

public Q_SLOTS:
    void set3DAxisAngles(double horizontal, double vertical);

private:
    TVK_GUI_PictureLabel *m_horizontal;
    TVK_GUI_PictureLabel *m_vertical;
    double m_previousHorizontal = 0.0;
    double m_previousVertical = 0.0;
    bool m_blinkPhase = false;
};
