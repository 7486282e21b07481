#pragma once

#include <QString>
#include <QWidget>

#include <memory>

class QTimer;
namespace Ui {
class TVK_GUI_7SegmentLightBalWidget;
}

// The light-balance scale of the 7-segment strip with the flash and flash-X
// symbols beside it. The value counts half stops; beyond three stops the
// scale blinks the arrow of the side it is off to.
class TVK_GUI_7SegmentLightBalWidget : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kScaleBlinkIntervalMs = 100;
    static constexpr int kFlashBlinkIntervalMs = 250;
    static constexpr int kScaleEnd = 6;

    explicit TVK_GUI_7SegmentLightBalWidget(QWidget *parent = nullptr);
    ~TVK_GUI_7SegmentLightBalWidget() override;

    // Object names "tmrLightBalLeft", "tmrLightBalRight", "tmrFlash".
    QTimer *leftBlinkTimer() const;
    QTimer *rightBlinkTimer() const;
    QTimer *flashBlinkTimer() const;

    static QString scalePicture(int lightBalance);

public Q_SLOTS:
    void setLightBalance(int lightBalance);
    void setLightBalIsActive(bool isActive);
    void setHasFlashStatus(bool hasFlashStatus);
    void setFlashStatus(int flashStatus);
    void setFlashXSymbol(bool on);

private Q_SLOTS:
    void catchLeftBlinkTimer();
    void catchRightBlinkTimer();
    void catchFlashBlinkTimer();

private:
    QTimer *makeTimer(const char *name, int intervalMs, void (TVK_GUI_7SegmentLightBalWidget::*slot)());
    void updateScale();

    std::unique_ptr<Ui::TVK_GUI_7SegmentLightBalWidget> m_ui;
    QTimer *m_leftBlinkTimer;
    QTimer *m_rightBlinkTimer;
    QTimer *m_flashBlinkTimer;
    int m_lightBalance = 0;
    bool m_isActive = true;
    bool m_scaleBlinkPhase = false;
    bool m_flashBlinkPhase = false;
};
