#pragma once

#include <QWidget>

// The microphone volume as a small red triangle the user drags along the
// audio meters; shown and usable only while the volume is set by hand.
class TVK_GUI_AudioVolumeWidget : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kMarkWidth = 7;

    explicit TVK_GUI_AudioVolumeWidget(QWidget *parent = nullptr);
    ~TVK_GUI_AudioVolumeWidget() override;

    bool isManual() const { return m_isManual; }
    double volume() const { return m_volume; }

Q_SIGNALS:
    void signalVolume(double volume);

public Q_SLOTS:
    void setIsManual(bool isManual);
    // 0..1; values outside are clamped.
    void setVolume(double volume);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void pickVolume(int x);

    bool m_isManual = false;
    double m_volume = 1.0;
};
