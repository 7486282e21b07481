#pragma once

#include <QMap>
#include <QVector>
#include <QWidget>

class QLabel;
class QToolButton;
class TVK_GUI_AudioMeterWidget;
class TVK_GUI_AudioVolumeWidget;
class TVK_GUI_MultiStateToolButton;

namespace Ui {
class TVK_GUI_LiveViewInfoWidget;
}

// The strip under the live image: zoom, grey-card pipette, exposure
// simulation, AF-on and grey-card save buttons, and for video the time code,
// the stereo audio level and the microphone volume. Which of them are shown
// depends on the live view mode; the widget only shows what it is told and
// reports the user's actions.
class TVK_GUI_LiveViewInfoWidget : public QWidget
{
    Q_OBJECT

public:
    explicit TVK_GUI_LiveViewInfoWidget(QWidget *parent = nullptr);
    ~TVK_GUI_LiveViewInfoWidget() override;

    int liveViewMode() const { return m_liveViewMode; }
    bool isGCPipActive() const { return m_isGCPipActive; }
    // State index -> exposure simulation value, as last received.
    QMap<int, int> exposureSimulationMap() const { return m_expSimMap; }

    QToolButton *zoomButton() const;
    QToolButton *gcPipButton() const;
    TVK_GUI_MultiStateToolButton *expSimButton() const;
    QToolButton *afOnButton() const;
    QToolButton *gcSaveButton() const;
    QLabel *timeCodeLabel() const;
    TVK_GUI_AudioMeterWidget *audioMeterLeft() const;
    TVK_GUI_AudioMeterWidget *audioMeterRight() const;
    TVK_GUI_AudioVolumeWidget *audioVolume() const;
    // Every widget of the audio block, hidden and shown together.
    QList<QWidget *> audioBlock() const;

Q_SIGNALS:
    void signalAFPressed();
    void signalAFReleased();
    void signalAudioVolume(double volume);
    void signalExposureSimulation(int value);
    void signalGCPipIsActive(bool isActive);
    void signalGCPipSave();
    void signalZoomLevelClicked();

public Q_SLOTS:
    void setAudioVolumeIsManual(bool isManual);
    void setAudioVolume(double volume);
    void setExposureSimulationList(const QVector<int> &values);
    void setExposureSimulation(int value);
    void setGCPipIsActive(bool isActive);
    void setGCPipNeedsSave(double x, double y);
    void setLiveViewMode(int mode);
    void setAudioLevel(double levelLeft, double levelRight, double peakLeft, double peakRight);
    void setTimeCode(int hours, int minutes, int seconds, int frames);
    void setZoomInfo(int unused, int zoomLevel, double x, double y);

private Q_SLOTS:
    void catchExpSimClicked();
    void catchGCPipIsActive(bool isActive);
    void catchZoomLevelReleased();

private:
    void applyLiveViewMode(int mode);
    void applyGCPipIsActive(bool isActive);

    Ui::TVK_GUI_LiveViewInfoWidget *ui;
    int m_liveViewMode = 0;
    bool m_isGCPipActive = false;
    QMap<int, int> m_expSimMap;
};
