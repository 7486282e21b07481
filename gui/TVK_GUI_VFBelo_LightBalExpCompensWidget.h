#pragma once

#include <QString>
#include <QWidget>

#include <memory>

class QTimer;
namespace Ui {
class TVK_GUI_VFBelo_LightBalExpCompensWidget;
}

// The exposure-compensation and light-balance scales of the picture-based
// viewfinder, drawn for the camera's step (thirds: 333, halves: 500), and
// the flash symbol.
class TVK_GUI_VFBelo_LightBalExpCompensWidget : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kThirdStep = 333;
    static constexpr int kHalfStep = 500;
    static constexpr int kFlashBlinkIntervalMs = 250;

    explicit TVK_GUI_VFBelo_LightBalExpCompensWidget(QWidget *parent = nullptr);
    ~TVK_GUI_VFBelo_LightBalExpCompensWidget() override;

    // Object name "tmrFlash".
    QTimer *flashBlinkTimer() const;

    // exposCompens in thousandths of a stop.
    static QString expCompPicture(int step, int exposCompens);
    // lightBalance in steps of the given size.
    static QString lightBalPicture(int step, int lightBalance, bool isActive);

public Q_SLOTS:
    void setExposCompens(int exposCompens);
    void setExposCompensStep(int step);
    void setLightBalance(int lightBalance);
    void setLightBalIsActive(bool isActive);
    void setFlashStatus(int flashStatus);

private Q_SLOTS:
    void catchFlashBlinkTimer();

private:
    void updateExpComp();
    void updateLightBal();

    std::unique_ptr<Ui::TVK_GUI_VFBelo_LightBalExpCompensWidget> m_ui;
    QTimer *m_flashBlinkTimer;
    int m_step = kHalfStep;
    int m_exposCompens = 0;
    int m_lightBalance = 0;
    bool m_isActive = true;
    bool m_flashBlinkPhase = false;
};
