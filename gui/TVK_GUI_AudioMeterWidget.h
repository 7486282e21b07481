#pragma once

#include <QWidget>

// One channel's audio level as a bar: green up to 80 % of full scale, red
// above, and a two-pixel mark at the peak.
class TVK_GUI_AudioMeterWidget : public QWidget
{
    Q_OBJECT

public:
    // The part of full scale that is still safe; above it the bar turns red.
    static constexpr double kRedFrom = 0.8;

    explicit TVK_GUI_AudioMeterWidget(QWidget *parent = nullptr);
    ~TVK_GUI_AudioMeterWidget() override;

    double level() const { return m_level; }
    double peak() const { return m_peak; }

public Q_SLOTS:
    // Both are parts of full scale; values outside 0..1 are clamped.
    void setAudioLevel(double level, double peak);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double m_level = 0.0;
    double m_peak = 0.0;
};
