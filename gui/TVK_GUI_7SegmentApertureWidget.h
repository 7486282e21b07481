#pragma once

#include <QString>
#include <QWidget>

#include <memory>

namespace Ui {
class TVK_GUI_7SegmentApertureWidget;
}

// Two 7-segment digits with a decimal point between them: 2.8, 11, 4.0.
class TVK_GUI_7SegmentApertureWidget : public QWidget
{
    Q_OBJECT

public:
    // The f-number as the read-outs show it: no "f", no blanks, and a whole
    // number below ten with its tenths ("4" reads "4.0").
    static QString readOutText(const QString &aperture);

    explicit TVK_GUI_7SegmentApertureWidget(QWidget *parent = nullptr);
    ~TVK_GUI_7SegmentApertureWidget() override;

public Q_SLOTS:
    void setAperture(QString aperture);

private:
    void setDecimalPoint(bool on);

    std::unique_ptr<Ui::TVK_GUI_7SegmentApertureWidget> m_ui;
};
