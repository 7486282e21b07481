#pragma once

#include "TVK_GUI_CameraBase.h"

class QTimer;
class TVK_GUI_TransferProgressWidget;
class TVK_GUI_ViewFinderBase;

namespace Ui {
class TVK_GUI_CameraArdo2;
}

// The camera control panel of every known body: the viewfinder strip, load
// and battery read-outs, the tool buttons and the shutter button, and the
// camera and file settings tabs. The space bar works as the shutter button
// anywhere in the application except while a text field takes the typing.
class TVK_GUI_CameraArdo2 : public TVK_GUI_CameraBase
{
    Q_OBJECT

public:
    static constexpr int kPanelWidth = 368;
    static constexpr int kFullHeight = 480;
    static constexpr int kMinimalHeight = 140;
    static constexpr int kFocusReturnMs = 5000;

    TVK_GUI_CameraArdo2(TVK_GUI_Application *application, TVK_Logic_Controller *controller,
                        QWidget *parent = nullptr);
    ~TVK_GUI_CameraArdo2() override;

    // Bodies with the picture-based viewfinder; all others show 7-segment digits.
    static bool usesBeloViewFinder(int productId);
    // The picture a battery level shows, when not on mains.
    static QString batteryPicture(int level);

    TVK_GUI_ViewFinderBase *viewFinder() const { return m_viewFinder; }
    // Gives the shutter button the focus back after typing; object name "tmrFocusReturn".
    QTimer *focusReturnTimer() const { return m_focusReturnTimer; }
    // How far a large picture has come, over the handle strip; object name "wgtTransferProgress".
    TVK_GUI_TransferProgressWidget *transferProgress() const { return m_transferProgress; }
    bool isSpaceBarDown() const { return m_isSpaceBarDown; }

public Q_SLOTS:
    void setLoading(bool isLoading) override;
    void setRemainingToLoad(int remaining) override;
    void setTransferProgress(const QString &cameraFileName, qint64 received, qint64 total) override;
    void set3DAxisAngles(double horizontal, double vertical) override;
    void setBatteryInfo(int info) override;
    void setBatteryLevelIntern(int level) override;
    void setBatteryLevelExtern(int level) override;
    void setHasPowerSwitch(bool has) override;
    void setPowerSwitch(int position) override;
    void setBulbCounter(int counter) override;
    void setSelfTimerCounter(int counter) override;
    void setHasFlashStatus(bool has) override;
    void setFlashStatus(int status) override;
    void setHasFlashXSymbol(bool has) override;
    void setFlashXSymbol(bool on) override;
    void setLightBalance(int balance) override;
    void setHasKeyLock(bool has) override;
    void setKeyLock(bool on) override;
    void setHasVideoRecording(bool has) override;
    void setHasLiveView(bool has) override;
    void setLiveViewPhoto(bool on) override;
    void setLiveViewVideo(bool on) override;
    void setLiveViewMode(int mode) override;
    void setWantQuickView(bool want) override;
    void setHasMirrorUpMode(bool has) override;
    void setMirrorUpMode(bool on) override;

    void setFileFormatList(const QStringList &list) override;
    void setFileFormat(int code) override;
    void setFileFormat(const QString &text) override;
    void setHasDngCompression(bool has) override;
    void setUseDngCompression(bool use) override;
    void setDngCompressionList(const QStringList &list) override;
    void setDngCompression(const QString &text) override;
    void setHasJpgColorSpace(bool has) override;
    void setUseJpgColorSpace(bool use) override;
    void setJpgColorSpaceList(const QStringList &list) override;
    void setJpgColorSpace(const QString &text) override;
    void setHasJpgResolution(bool has) override;
    void setUseJpgResolution(bool use) override;
    void setJpgResolutionList(const QStringList &list) override;
    void setJpgResolution(const QString &text) override;
    void setHasSensorFormat(bool has) override;
    void setSensorFormatList(const QStringList &list) override;
    void setSensorFormat(const QString &text) override;
    void setHasPhotoAspectRatio(bool has) override;
    void setPhotoAspectRatioList(const QStringList &list) override;
    void setPhotoAspectRatio(const QString &text) override;
    void setHasVideoFileFormat(bool has) override;
    void setVideoFileFormatList(const QStringList &list) override;
    void setVideoFileFormat(const QString &text) override;
    void setHasVideoResAndFrRate(bool has) override;
    void setVideoResAndFrRateList(const QStringList &list) override;
    void setVideoResAndFrRate(const QString &text) override;
    void setHasVideoFormatResol(bool has) override;
    void setVideoFormatResolList(const QStringList &list) override;
    void setVideoFormatResol(const QString &text) override;

    void setDngPath(const QString &path) override;
    void setJpgPath(const QString &path) override;
    void setPictureExample(const QString &example) override;
    void setPictureName(const QString &name) override;
    void setPictureIndex(int index) override;

    void setExposureModeList(const QStringList &list) override;
    void setExposureMode(int mode) override;
    void setExposureSimulation(int simulation) override;
    void setExposMeteringList(const QStringList &list) override;
    void setExposMetering(int metering) override;
    void setExposMetering(const QString &text) override;
    void setHasAperture(bool has) override;
    void setApertureList(const QStringList &list) override;
    void setAperture(const QString &text) override;
    void setShutterTimeList(const QStringList &list) override;
    void setShutterTime(const QString &text) override;
    void setExposCompensList(const QStringList &list) override;
    void setExposCompens(int compens) override;
    void setExposCompens(const QString &text) override;
    void setExposCompensStep(int step) override;
    void setSensitivityAuto(bool isAuto) override;
    void setSensitivityList(const QStringList &list) override;
    void setLiveSensitivity(int sensitivity) override;
    void setSensitivity(const QString &text) override;
    void setHasWhiteBalance(bool has) override;
    void setWhiteBalanceList(const QStringList &list) override;
    void setWhiteBalance(const QString &text) override;
    void setIsWhiteBalTemp(bool isTemp) override;
    void setWhiteBalTempList(const QStringList &list) override;
    void setWhiteBalTemp(const QString &text) override;
    void setDriveModeList(const QStringList &list) override;
    void setDriveMode(int mode) override;
    void setDriveMode(const QString &text) override;
    void setBracketImgNumList(const QStringList &list) override;
    void setBracketImgNum(const QString &text) override;
    void setBracketDeltaEVList(const QStringList &list) override;
    void setBracketDeltaEV(const QString &text) override;
    void setIsIntervalMode(bool isInterval) override;
    void setIntervalFramesRange(int min, int max) override;
    void setIntervalFramesList(const QStringList &list) override;
    void setIntervalFrames(int frames) override;
    void setIntervalFrames(const QString &text) override;
    void setIntervalTimeRange(int min, int max) override;
    void setIntervalTimeList(const QStringList &list) override;
    void setIntervalTime(int seconds) override;
    void setIntervalTime(const QString &text) override;
    void setHasFocusMode(bool has) override;
    void setFocusMode(int mode) override;
    void setHasFocusDistance(bool has) override;
    void setFocusDistance(const QString &text) override;
    void setFocusIsUnitFeet(bool isFeet) override;
    void setFocusMaxDistance(const QString &text) override;
    void setFocusMinDistance(const QString &text) override;
    void setHasFocusConfirmation(bool has) override;
    void setFocusConfirmation(int confirmation) override;
    void setFocusConfirmBadSig(bool badSignal) override;
    void setNoFocusConfirmation() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private Q_SLOTS:
    void catchMinGUIClicked(bool minimal);

private:
    void createViewFinder();
    void createTransferProgress();
    void wireInside();
    // Hands on every signal of a tab that the window declares under the same signature.
    void forwardSameNamedSignals(QObject *tab);
    void layOutMinimalPanel(bool minimal);
    void applyLiveViewButtonVisibility();
    void showBattery(QWidget *symbol, int level);
    // True when the event was the space bar acting as the shutter button.
    bool handleSpaceBar(QEvent *event);

    Ui::TVK_GUI_CameraArdo2 *ui;
    TVK_GUI_ViewFinderBase *m_viewFinder = nullptr;
    QTimer *m_focusReturnTimer = nullptr;
    TVK_GUI_TransferProgressWidget *m_transferProgress = nullptr;
    bool m_hasLiveView = false;
    bool m_hasVideoRecording = false;
    bool m_hasPowerSwitch = false;
    bool m_isBatteryOnMains = false;
    bool m_isSpaceBarDown = false;
};
