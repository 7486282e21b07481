#pragma once

#include "TVK_GUI_PictureLabel.h"

class QTimer;

// The focus-confirmation arrows: which side the focus lies on, a centre mark
// that flickers while the camera reports a bad signal, or nothing.
class TVK_GUI_7SegmentFocusConfirmWidget : public TVK_GUI_PictureLabel
{
    Q_OBJECT

public:
    static constexpr int kBlinkIntervalMs = 64;

    explicit TVK_GUI_7SegmentFocusConfirmWidget(QWidget *parent = nullptr);
    ~TVK_GUI_7SegmentFocusConfirmWidget() override;

    // Runs while the bad signal is set (object name "tmrFocusBadSig").
    QTimer *badSignalTimer() const;

public Q_SLOTS:
    void setFocusConfirmation(int focusConfirmation);
    void setFocusConfirmBadSig(bool badSignal);
    void setNoFocusConfirmation();

private Q_SLOTS:
    void catchBadSignalTimer();

private:
    void updatePicture();

    QTimer *m_badSignalTimer;
    int m_value = 0;
    bool m_badSignal = false;
    bool m_noConfirmation = true;
    bool m_blinkPhase = false;
};
