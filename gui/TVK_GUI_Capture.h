#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QIntValidator;
class QLineEdit;
class QTimer;
class TVK_GUI_ComboBox;

namespace Ui {
class TVK_GUI_Capture;
}

// The "Camera Settings" tab: exposure, ISO, white balance, drive mode with
// bracketing and interval, focus mode and distance. It shows the controller's
// display texts and reports the user's choices; it keeps no camera state
// beyond what it shows.
class TVK_GUI_Capture : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kIntervalSettleMs = 3000;

    explicit TVK_GUI_Capture(QWidget *parent = nullptr);
    ~TVK_GUI_Capture() override;

    // The connected camera's USB product id (0: none). Some bodies know iAF,
    // others move the lens only in certain live-view modes.
    void setProductId(int productId);

    bool isSensitivityAuto() const { return m_isSensitivityAuto; }
    // The interval fields' settle timers, named "tmrIntervalFramesDirty" and
    // "tmrIntervalTimeDirty".
    QTimer *intervalFramesTimer() const { return m_intervalFramesTimer; }
    QTimer *intervalTimeTimer() const { return m_intervalTimeTimer; }

Q_SIGNALS:
    void signalIsExpModeManual(bool isManual);
    void signalExposureMode(int mode);
    void signalExposMetering(const QString &text);
    void signalAperture(const QString &text);
    void signalShutterTime(const QString &text);
    void signalExposCompens(const QString &text);
    void signalSensitivity(const QString &text);
    void signalWhiteBalance(const QString &text);
    void signalWhiteBalTemp(const QString &text);
    void signalDriveMode(const QString &text);
    void signalBracketImgNum(const QString &text);
    void signalBracketDeltaEV(const QString &text);
    void signalIntervalFrames(int frames);
    void signalIntervalFrames(const QString &text);
    void signalIntervalTime(int seconds);
    void signalIntervalTime(const QString &text);
    void signalFocusMode(int mode);
    void signalFocusDistance(const QString &text);
    void signalFocusDistanceDec();
    void signalFocusDistanceInc();

public Q_SLOTS:
    void setExposureModeList(const QStringList &list);
    void setExposureMode(int mode);
    void setExposMeteringList(const QStringList &list);
    void setExposMetering(const QString &text);
    void setHasAperture(bool has);
    void setApertureList(const QStringList &list);
    void setAperture(const QString &text);
    void setShutterTimeList(const QStringList &list);
    void setShutterTime(const QString &text);
    void setExposCompensList(const QStringList &list);
    void setExposCompens(const QString &text);
    void setSensitivityAuto(bool isAuto);
    void setSensitivityList(const QStringList &list);
    void setSensitivity(const QString &text);
    void setHasWhiteBalance(bool has);
    void setWhiteBalanceList(const QStringList &list);
    void setWhiteBalance(const QString &text);
    void setIsWhiteBalTemp(bool isTemp);
    void setWhiteBalTempList(const QStringList &list);
    void setWhiteBalTemp(const QString &text);
    void setDriveModeList(const QStringList &list);
    void setDriveMode(int mode);
    void setDriveMode(const QString &text);
    void setBracketImgNumList(const QStringList &list);
    void setBracketImgNum(const QString &text);
    void setBracketDeltaEVList(const QStringList &list);
    void setBracketDeltaEV(const QString &text);
    void setIsIntervalMode(bool isInterval);
    void setIntervalFramesRange(int min, int max);
    void setIntervalFramesList(const QStringList &list);
    void setIntervalFrames(int frames);
    void setIntervalFrames(const QString &text);
    void setIntervalTimeRange(int min, int max);
    void setIntervalTimeList(const QStringList &list);
    void setIntervalTime(int seconds);
    void setIntervalTime(const QString &text);
    void setLiveViewMode(int mode);
    void setHasFocusMode(bool has);
    void setFocusMode(int mode);
    void setHasFocusDistance(bool has);
    void setFocusDistance(const QString &text);
    void setFocusIsUnitFeet(bool isFeet);
    void setFocusMaxDistance(const QString &text);
    void setFocusMinDistance(const QString &text);

private Q_SLOTS:
    void catchExposureModeChanged(int mode);
    void catchSensitivityChanged(int index);
    void catchIntervalFramesEdited(const QString &text);
    void catchIntervalFramesDirtyFired();
    void catchIntervalTimeEdited(const QString &text);
    void catchIntervalTimeDirtyFired();
    void catchFocusModeChanged(int mode);

private:
    void bindLists();
    void enableExposureControls(int mode);
    void applyFocusDistanceAvailability();
    // A complete number inside the validator's range, or false.
    static bool readIntervalField(const QLineEdit *field, const QIntValidator *validator, int *value);

    Ui::TVK_GUI_Capture *ui;
    QIntValidator *m_intervalFramesValidator;
    QIntValidator *m_intervalTimeValidator;
    QTimer *m_intervalFramesTimer;
    QTimer *m_intervalTimeTimer;
    int m_intervalFrames = 0;
    int m_intervalTime = 0;
    bool m_isSensitivityAuto = true;
    int m_productId = 0;
    int m_liveViewMode = 0;
};
