#pragma once

#include <QString>
#include <QWidget>

class QTimer;

namespace Ui {
class TVK_GUI_FocusDistanceWidget;
}

// Focus distance as a slider between "-" and "+" buttons and a text field.
//
// The slider is not linear: near distances need fine steps and far ones
// hardly matter, so a slider value s (0..1000) stands for
// d = min + (max - min) * (s / 1000)^p, with p chosen so that the slider's
// middle is always 1.6 times the minimum distance. The camera's texts
// ("Infinity", "Error" or a number) are shown as they come; the user's
// choice leaves as "Infinity" or a number with 6 decimals.
class TVK_GUI_FocusDistanceWidget : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kSliderMaximum = 1000;
    static constexpr int kSliderSettleMs = 100;
    static constexpr int kTextSettleMs = 1000;

    explicit TVK_GUI_FocusDistanceWidget(QWidget *parent = nullptr);
    ~TVK_GUI_FocusDistanceWidget() override;

    double exponent() const { return m_exponent; }
    double minDistance() const { return m_minDistance; }
    double maxDistance() const { return m_maxDistance; }
    // The slider value standing for a distance text; -1 when the text cannot
    // be mapped (not a number, or no usable min/max yet).
    int sliderValueFor(const QString &distance) const;
    // The distance a slider value stands for (only meaningful while max > min).
    double distanceFor(int sliderValue) const;

    // The two settle timers, named "tmrSliderMoved" and "tmrTextEdited".
    QTimer *sliderTimer() const { return m_sliderTimer; }
    QTimer *textTimer() const { return m_textTimer; }

Q_SIGNALS:
    void signalChosen(const QString &distance);
    void signalDecrease();
    void signalIncrease();

public Q_SLOTS:
    void setCurrDistance(const QString &distance);
    void setMaxDistance(const QString &distance);
    void setMinDistance(const QString &distance);
    void setIsUnitFeet(bool isFeet);

private Q_SLOTS:
    void catchCurrDistanceSliderPressed();
    void catchCurrDistanceSliderMoved(int value);
    void catchCurrDistanceSliderReleased();
    void catchCurrDistanceValueChanged(int value);
    void catchCurrDistanceTextEdited(const QString &text);
    void catchTimerSliderMovedTimeout();
    void catchTimerTextEditedTimeout();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool hasScale() const { return m_maxDistance > m_minDistance; }
    void recomputeExponent();
    void moveSlider();
    void refreshText();
    void emitDistance(double distance);
    bool jumpToGrooveClick(const QPoint &pos);

    Ui::TVK_GUI_FocusDistanceWidget *ui;
    QString m_currDistance;
    double m_minDistance = 0.0;
    double m_maxDistance = 0.0;
    double m_exponent = 1.0;
    bool m_isSliderDragged = false;
    bool m_isTextEdited = false;
    QTimer *m_sliderTimer;
    QTimer *m_textTimer;
};
