#pragma once

#include "TVK_Logic_FolderSettings.h"
#include "TVK_Logic_FrameAnalysis.h"
#include "TVK_Platform_CallQueue.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>
#include <QtGlobal>

#include <atomic>
#include <memory>
#include <mutex>

class TVK_Commu_CameraAccess_Base;
class TVK_Logic_Camera;
class TVK_Logic_ConverterBase;
class TVK_Logic_ConverterSet;
class TVK_Logic_FolderSettings;
class TVK_Logic_PictureReader;
class TVK_Logic_PictureStore;

// The one mediator between the user interface and the camera, living in the
// controller thread. It finds and opens cameras, owns the camera model and one
// converter per setting while a camera is connected, and speaks display texts
// to the panels: camera values go out as texts and lists, the user's texts
// come back as camera values.
//
// A setter never echoes the text it was given (except the few values the panel
// needs at once, which the setters name); the text comes back only when the
// camera reports the value, so a refused value leaves the panel as it was.
//
// The user interface reaches it through queued connections. The few plain
// member functions below are safe from any thread: the queries read values
// published for them, and the acting ones hop to the controller thread.
class TVK_Logic_Controller : public QObject
{
    Q_OBJECT

public:
    TVK_Logic_Controller();
    ~TVK_Logic_Controller() override;

    TVK_Logic_Controller(const TVK_Logic_Controller &) = delete;
    TVK_Logic_Controller &operator=(const TVK_Logic_Controller &) = delete;

    // --- Any thread ------------------------------------------------------------------
    int productId() const;
    QString productName() const;
    int liveViewMode() const;
    bool has3DAxisData() const;
    // Copies the settings at once (the caller keeps its object) and hands the
    // copy to the camera model in the controller thread.
    void setFolderSettings(TVK_Logic_FolderSettings *folderSettings);
    // Lays a stage into the live-view stream of this and every later camera,
    // replacing the one before; an empty function takes it out. Its results
    // come as signalLiveViewAnalysis, each just before its frame.
    void setLiveViewAnalysis(TVK_Logic_FrameAnalysis analysis);

    // --- Controller thread: for tests and the application's diagnostics ----------------
    TVK_Logic_Camera *camera() const { return m_camera; }
    bool isUnitFeet() const { return m_unitIsFeet; }
    bool ownIntervalActive() const { return m_ownIntervalActive; }
    bool intervalRunning() const { return m_intervalRunning; }
    int ownIntervalFrames() const { return m_intervalFrames; }
    int ownIntervalTime() const { return m_intervalTime; }
    bool dngTransferDone() const { return m_dngTransferDone; }

Q_SIGNALS:
    void signalCameraConnected();
    void signalCameraDisconnected();
    void signalIsAlive(bool);
    void signalLoading(bool);
    void signalRemainingToLoad(int);
    // The model's download progress of the picture in transfer (bytes).
    void signalTransferProgress(QString cameraFileName, qint64 received, qint64 total);
    void signalObjectDeleted(uint);
    void signal3DAxisAngles(double, double);
    void signalBatteryInfo(int);
    void signalBatteryLevelIntern(int);
    void signalBatteryLevelExtern(int);
    void signalCameraSerialNumber(const QString &);
    void signalLensTypeString(const QString &);
    void signalHasLensConnectionType(bool);
    void signalLensConnectionType(int);
    void signalHasPowerSwitch(bool);
    void signalPowerSwitch(int);
    void signalBulbCounter(int);
    void signalSelfTimerCounter(int);
    void signalHasFlashStatus(bool);
    void signalFlashStatus(int);
    void signalHasFlashXSymbol(bool);
    void signalFlashXSymbol(bool);
    void signalLightBalance(int);
    void signalHasKeyLock(bool);
    void signalKeyLock(bool);
    void signalWantQuickView(bool);
    void signalHasMirrorUpMode(bool);
    void signalMirrorUpMode(bool);
    void signalHasDngCompression(bool);
    void signalUseDngCompression(bool);
    void signalDngCompressionList(const QStringList &);
    void signalDngCompression(const QString &);
    void signalHasJpgColorSpace(bool);
    void signalUseJpgColorSpace(bool);
    void signalJpgColorSpaceList(const QStringList &);
    void signalJpgColorSpace(const QString &);
    void signalHasJpgResolution(bool);
    void signalUseJpgResolution(bool);
    void signalJpgResolutionList(const QStringList &);
    void signalJpgResolution(const QString &);
    void signalHasAutoreviewDuration(bool);
    void signalAutoreviewDurationList(const QStringList &);
    void signalAutoreviewDuration(const QString &);
    void signalHasAutoPowerOff(bool);
    void signalAutoPowerOffList(const QStringList &);
    void signalAutoPowerOff(const QString &);
    void signalHasSensorFormat(bool);
    void signalSensorFormatList(const QStringList &);
    void signalSensorFormat(const QString &);
    void signalHasPhotoAspectRatio(bool);
    void signalPhotoAspectRatioList(const QStringList &);
    void signalPhotoAspectRatio(const QString &);
    void signalHasVideoFileFormat(bool);
    void signalVideoFileFormatList(const QStringList &);
    void signalVideoFileFormat(const QString &);
    void signalHasVideoResAndFrRate(bool);
    void signalVideoResAndFrRateList(const QStringList &);
    void signalVideoResAndFrRate(const QString &);
    void signalHasVideoFormatResol(bool);
    void signalVideoFormatResolList(const QStringList &);
    void signalVideoFormatResol(const QString &);
    void signalHasContrast(bool);
    void signalContrastList(const QStringList &);
    void signalContrast(const QString &);
    void signalHasSharpness(bool);
    void signalSharpnessList(const QStringList &);
    void signalSharpness(const QString &);
    void signalHasSaturation(bool);
    void signalSaturationList(const QStringList &);
    void signalSaturation(const QString &);
    void signalHasMonochrome(bool);
    void signalMonochromeList(const QStringList &);
    void signalMonochrome(const QString &);
    void signalHasOrientation(bool);
    void signalOrientationList(const QStringList &);
    void signalOrientation(const QString &);
    void signalOrientation(int);
    void signalHasAudioLevel(bool);
    void signalAudioLevelIsManual(bool);
    void signalAudioLevelList(const QStringList &);
    void signalAudioLevel(const QString &);
    void signalHasAudioWindElim(bool);
    void signalAudioWindElim(bool);
    void signalHasAudioVolSpeaker(bool);
    void signalAudioVolSpeaker(int);
    void signalHasAudioVolHeadphone(bool);
    void signalAudioVolHeadphone(int);
    void signalHasAudioVolMicrophone(bool);
    void signalAudioVolMicrophone(int);
    void signalAudioVolMicrophone(double);
    void signalHasExposureSimulation(bool);
    void signalExposureSimulationList(const QVector<int> &);
    void signalExposureSimulation(bool);
    void signalExposureSimulation(int);
    void signalFileFormatList(const QStringList &);
    void signalFileFormat(int);
    void signalFileFormat(const QString &);
    void signalDngPath(const QString &);
    void signalJpgPath(const QString &);
    void signalPictureExample(const QString &);
    void signalPictureName(const QString &);
    void signalPictureIndex(int);
    void signalExposureModeList(const QStringList &);
    void signalExposureMode(int);
    void signalExposureModeSilent(int);
    void signalExposMeteringList(const QStringList &);
    void signalExposMetering(int);
    void signalExposMetering(const QString &);
    void signalHasAperture(bool);
    void signalApertureList(const QStringList &);
    void signalAperture(const QString &);
    void signalShutterTimeList(const QStringList &);
    void signalShutterTime(const QString &);
    void signalShutterTimeSilent(const QString &);
    void signalExposCompensList(const QStringList &);
    void signalExposCompens(int);
    void signalExposCompens(const QString &);
    void signalExposCompensStep(int);
    void signalSensitivityList(const QStringList &);
    void signalSensitivity(int);
    void signalLiveSensitivity(int);
    void signalSensitivity(const QString &);
    void signalSensitivityAuto(bool);
    void signalHasWhiteBalance(bool);
    void signalWhiteBalanceList(const QStringList &);
    void signalWhiteBalance(int);
    void signalWhiteBalance(const QString &);
    void signalIsWhiteBalTemp(bool);
    void signalWhiteBalTempList(const QStringList &);
    void signalWhiteBalTemp(const QString &);
    void signalDriveModeList(const QStringList &);
    void signalDriveMode(int);
    void signalDriveMode(const QString &);
    void signalBracketEnabled(bool);
    void signalBracketImgNumList(const QStringList &);
    void signalBracketImgNum(const QString &);
    void signalBracketDeltaEVList(const QStringList &);
    void signalBracketDeltaEV(const QString &);
    void signalIntervalFramesRange(int, int);
    void signalIntervalFramesList(const QStringList &);
    void signalIntervalFrames(int);
    void signalIntervalFrames(const QString &);
    void signalIntervalTimeRange(int, int);
    void signalIntervalTimeList(const QStringList &);
    void signalIntervalTime(int);
    void signalIntervalTime(const QString &);
    void signalHasFocusMode(bool);
    void signalFocusMode(int);
    void signalHasFocusDistance(bool);
    void signalFocusDistance(const QString &);
    void signalFocusIsUnitFeet(bool);
    void signalFocusMaxDistance(const QString &);
    void signalFocusMinDistance(const QString &);
    void signalHasFocusConfirmation(bool);
    void signalFocusConfirmation(int);
    void signalFocusConfirmBadSig(bool);
    void signalNoFocusConfirmation();
    void signalHasAutoFocusLimit(bool);
    void signalAutoFocusLimit(bool);
    void signalAutoFocusLimitDist(const QString &);
    void signalHasVideoRecording(bool);
    void signalHasLiveView(bool);
    void signalLiveAudioLevel(double, double, double, double);
    void signalLiveTimeCode(int, int, int, int);
    void signalLiveZoomInfo(int, int, double, double);
    void signalLiveZoomRect(double, double, double, double);
    void signalLiveViewMode(int);
    void signalLiveViewPhoto(bool);
    void signalLiveViewVideo(bool);
    void signalLiveViewAnalysis(const QVariant &);
    void signalLiveView(const QImage &);
    void signalNoLiveView();
    void signalWarning(const QString &);
    void signalQuickView(const QByteArray &, const QString &, int);
    void signalNoQuickView();
    void signalThumbReceived(QByteArray*, const QString &, uint, bool);
    void signalImageForSharingReceived(QByteArray*, bool);
    void signalImageDBChangeBegin();
    void signalImageDBChangeEnd();
    void signalLightroomDetected(bool);
    // An interval series of the program's own started or ended.
    void signalIntervalRunning(bool);

public Q_SLOTS:
    // The program is ending: no camera is looked for or opened any more, so
    // none is found again after its session was closed and left open at exit.
    void stopCameraSearch();

    // --- Shooting --------------------------------------------------------------------
    void tickInterval();
    void tickIntervalReleaseInMirrorUpMode();
    void doCaptureBtnPressed();
    void doCaptureBtnReleased();
    void doVidCaptBtnPressed();
    void doVidCaptBtnReleased();

    // --- Live view -------------------------------------------------------------------
    void setLiveViewCrossPos(double, double);
    void setLiveViewCrossPosGlobal(double, double);
    void setLiveViewGCPipActive(bool);
    void setLiveViewGCPipPos(double, double);
    void doLiveViewGCPipSave();
    void doLiveViewAFExec();
    void doLiveViewAFPressed();
    void doLiveViewAFReleased();
    void toggleLiveViewZoom();

    // --- Display text / value to the camera ---------------------------------------------
    void setIsUnitFeet(bool);
    void setFlashXSymbol(bool);
    void setKeyLock(bool);
    void setLiveViewPhoto(bool);
    void setLiveViewVideo(bool);
    void setWantLiveView(bool);
    void setWantQuickView(bool);
    void setMirrorUpMode(bool);
    void setFileFormat(int);
    void setFileFormat(const QString &);
    void setDngCompression(const QString &);
    void setJpgColorSpace(const QString &);
    void setJpgResolution(const QString &);
    void setAutoreviewDuration(const QString &);
    void setAutoPowerOff(const QString &);
    void setSensorFormat(const QString &);
    void setPhotoAspectRatio(const QString &);
    void setVideoFileFormat(const QString &);
    void setVideoResAndFrRate(const QString &);
    void setVideoFormatResol(const QString &);
    void setContrast(const QString &);
    void setSharpness(const QString &);
    void setSaturation(const QString &);
    void setMonochrome(const QString &);
    void setElectronicShutter(bool);
    void setAudioLevelIsManual(bool);
    void setAudioLevel(int);
    void setAudioLevel(const QString &);
    void setAudioWindElim(bool);
    void setAudioVolSpeaker(int);
    void setAudioVolHeadphone(int);
    void setAudioVolMicrophone(double);
    void setAudioVolMicrophone(int);
    void setExposureSimulation(bool);
    void setExposureSimulation(int);
    void setDngPath(const QString &);
    void setJpgPath(const QString &);
    void setPictureName(const QString &);
    void setPictureIndex(int);
    void setExposureMode(int);
    void setExposMetering(int);
    void setExposMetering(const QString &);
    void setAperture(double);
    void setAperture(const QString &);
    void setShutterTime(double);
    void setShutterTime(const QString &);
    void setExposCompens(int);
    void setExposCompens(const QString &);
    void setExposCompensStep(int);
    void setSensitivity(int);
    void setSensitivity(const QString &);
    void setWhiteBalance(int);
    void setWhiteBalance(const QString &);
    void setWhiteBalTemp(int);
    void setWhiteBalTemp(const QString &);
    void setDriveMode(int);
    void setDriveMode(const QString &);
    void setBracketEnabled(bool);
    void setBracketImgNum(int);
    void setBracketImgNum(const QString &);
    void setBracketDeltaEV(int);
    void setBracketDeltaEV(const QString &);
    void setIntervalFrames(int);
    void setIntervalFrames(const QString &);
    void setIntervalTime(int);
    void setIntervalTime(const QString &);
    void setFocusMode(int);
    void setFocusDistance(double);
    void setFocusDistance(const QString &);
    void setFocusDistanceDec();
    void setFocusDistanceInc();
    void setAutoFocusLimit(bool);

    // --- Camera value to display text ---------------------------------------------------
    void emit3DAxisAngles(double, double);
    void emitBatteryInfo(int);
    void emitBatteryLevelIntern(int);
    void emitBatteryLevelExtern(int);
    void emitCameraSerialNumber(const QString &);
    void emitLensTypeString(const QString &);
    void emitLensConnectionType(int);
    void emitPowerSwitch(int);
    void emitBulbCounter(int);
    void emitSelfTimerCounter(int);
    void emitFlashStatus(int);
    void emitFlashXSymbol(bool);
    void emitLightBalance(int);
    void emitKeyLock(bool);
    void emitMirrorUpMode(bool);
    void emitFileFormatList();
    void emitFileFormat(int);
    void emitUseDngCompression(int);
    void emitDngCompressionList();
    void emitDngCompression(bool);
    void emitUseJpgColorSpace(int);
    void emitJpgColorSpaceList();
    void emitJpgColorSpace(int);
    void emitUseJpgResolution(int);
    void emitJpgResolutionList();
    void emitJpgResolution(int);
    void emitAutoreviewDurationList();
    void emitAutoreviewDuration(int);
    void emitAutoPowerOffList();
    void emitAutoPowerOff(int);
    void emitSensorFormatList();
    void emitSensorFormat(int);
    void emitPhotoAspectRatioList();
    void emitPhotoAspectRatio(int);
    void emitVideoFileFormatList();
    void emitVideoFileFormat(int);
    void emitVideoResAndFrRateList();
    void emitVideoResAndFrRate(int);
    void emitVideoFormatResolList();
    void emitVideoFormatResol(int);
    void emitContrastList();
    void emitContrast(int);
    void emitSharpnessList();
    void emitSharpness(int);
    void emitSaturationList();
    void emitSaturation(int);
    void emitMonochromeList();
    void emitMonochrome(int);
    void emitOrientationList();
    void emitOrientation(int);
    void emitAudioLevelList();
    void emitAudioLevel(int);
    void emitAudioWindElim(int);
    void emitAudioVolSpeaker(int);
    void emitAudioVolHeadphone(int);
    void emitAudioVolMicrophone(int);
    void emitExposureSimulationList();
    void emitExposureSimulation(int);
    void emitExposureMode(int);
    void emitExposMeteringList();
    void emitExposMetering(int);
    void emitApertureList();
    void emitAperture(double);
    void emitShutterTimeList();
    void emitShutterTime(double);
    void emitExposCompensList();
    void emitExposCompens(int);
    void emitExposCompensStep(int);
    void emitSensitivityList();
    void emitSensitivity(int);
    void emitLiveSensitivity(int);
    void emitSensitivityAuto(bool);
    void emitWhiteBalanceList();
    void emitWhiteBalance(int);
    void emitWhiteBalTempList();
    void emitWhiteBalTemp(int);
    void emitDriveModeList();
    void emitDriveMode(int);
    void emitBracketEnabled(bool);
    void emitBracketImgNumList();
    void emitBracketImgNum(int);
    void emitBracketDeltaEVList();
    void emitBracketDeltaEV(int);
    void emitIntervalFramesList();
    void emitIntervalFrames(int);
    void emitIntervalTimeList();
    void emitIntervalTime(int);
    void emitFocusMode(int);
    void emitFocusIsUnitFeet();
    void emitFocusDistance(int);
    void emitFocusMaxDistance(int);
    void emitFocusMinDistance(int);
    void emitFocusConfirmation(int);
    void emitFocusConfirmBadSig(bool);
    void emitNoFocusConfirmation();
    void emitAutoFocusLimit(bool);
    void emitAutoFocusLimitDist(int);
    void emitWarning(int);
    void emitFileNameAndNumber();
    void emitPictureExampleName();

    // --- Pictures, windows, connection --------------------------------------------------
    void loadThumb(uint handle, bool isBig);
    void loadImageForSharing(int index, bool fullRes, bool forceDNG);
    void deleteObjectFromImageDB(uint handle);
    void deleteObject(uint handle);
    void catchCameraGUIOpened();
    void catchLiveViewGUIOpened();
    void catchLiveViewConsumed();
    void catchLiveViewGUIClosed();
    void catchCameraGUIClosed();
    void catchConnectToCamera(int connectionType, qulonglong cameraId, int productId, const QString &deviceId);

private Q_SLOTS:
    void catchDeviceAvailable(int connectionType, qulonglong cameraId, int productId, const QString &deviceId);
    void catchConnectionOpened(int connectionType);
    void catchConnectionClosed(int connectionType);
    // 0: the event named no object.
    void catchTransferRequest(quint32 objectHandle = 0);
    void catchLensChanged();
    void catchDngTransferDone();
    void catchElectronicShutter(int value);
    void catchExposCompensStep(int value);
    void catchLiveViewMode(int liveViewMode);
    void catchMaxShutterTime(double value);
    void catchBulbResetTimerFired();
    void catchSelfResetTimerFired();
    void catchSyncAvailableApertureTimer();
    void catchLightroomTimer();

private:
    using Signal = void (TVK_Logic_Controller::*)(const QString &);
    using ListSignal = void (TVK_Logic_Controller::*)(const QStringList &);
    using ValueSignal = void (TVK_Logic_Controller::*)(int);
    using RangeSignal = void (TVK_Logic_Controller::*)(int, int);

    bool hasCamera(const char *prefix) const;
    bool hasConverter(const char *prefix, const void *converter, const char *words) const;
    // The list and value halves of a converter family.
    void emitListOf(const char *prefix, const TVK_Logic_ConverterBase *converter, const char *words,
                    ListSignal signal);
    void emitTextOf(const char *prefix, const TVK_Logic_ConverterBase *converter, const char *words,
                    double value, Signal signal);
    // Only with the converter: the raw value, then its text; the range of
    // values, then the texts.
    void emitValueAndText(const char *prefix, const TVK_Logic_ConverterBase *converter, const char *words,
                          int value, ValueSignal valueSignal, Signal textSignal);
    void emitRangeAndList(const char *prefix, const TVK_Logic_ConverterBase *converter, const char *words,
                          RangeSignal range, ListSignal list);
    // The camera value of a text, rounded half away from zero; false (logged)
    // without camera or converter.
    bool valueOfText(const char *prefix, const TVK_Logic_ConverterBase *converter, const char *words,
                     const QString &text, int *value) const;
    bool isListed(const char *prefix, const TVK_Logic_ConverterBase *converter, const char *words,
                  const QString &text) const;
    // For the text slots that hand on to their int slot: the converter is
    // checked here, the camera by the int slot.
    bool converterValueOfText(const char *prefix, const TVK_Logic_ConverterBase *converter,
                              const char *words, const QString &text, double *value) const;
    // Runs the call in the controller thread: at once when already there,
    // queued otherwise. True when it was queued.
    template <typename Call>
    bool queuedFromOtherThread(Call call);
    QString shutterTimeText(double seconds) const;
    void emitCurrentShutterTime();
    void emitFocusRange(const char *prefix);
    void connectCamera();
    void disconnectCamera();
    void publishCameraState();
    void stopInterval();
    void setIntervalRunning(bool running);
    TVK_Commu_CameraAccess_Base *accessFor(int connectionType) const;

    TVK_Commu_CameraAccess_Base *m_usbAccess = nullptr;
    TVK_Commu_CameraAccess_Base *m_wlanAccess = nullptr;
    TVK_Logic_Camera *m_camera = nullptr;
    TVK_Commu_CameraAccess_Base *m_activeAccess = nullptr;
    // The user's folders and naming, last given or as the last camera left
    // them (its running number): every new camera starts with them, before
    // the picture it may announce at once is transferred. Controller thread.
    bool m_hasFolderRecord = false;
    TVK_Logic_FolderSettings::Record m_folderRecord;
    TVK_Logic_FrameAnalysis m_liveViewAnalysis;
    // One converter per setting the connected camera offers; empty without one.
    std::unique_ptr<TVK_Logic_ConverterSet> m_converters;
    // The user interface's picture reads; made with the camera, gone with it.
    std::unique_ptr<TVK_Logic_PictureReader> m_pictureReader;
    // One for every session's model: a picture whose hand-over the camera
    // did not confirm is known again when it reconnects.
    std::shared_ptr<TVK_Logic_PictureStore> m_pictureStore;

    bool m_unitIsFeet = false;
    std::atomic<int> m_liveViewMode{0};
    bool m_ownIntervalActive = false;
    int m_intervalFrames = 5;
    int m_intervalTime = 2;
    int m_intervalRemaining = 0;
    bool m_intervalRunning = false;
    bool m_closingForGood = false; // see stopCameraSearch()
    bool m_dngTransferDone = true;
    QTimer *m_intervalTimer = nullptr;
    int m_bracketingCounter = 0;
    int m_bulbStage = 0;
    QTimer m_bulbResetTimer;
    QTimer m_selfTimerResetTimer;
    QTimer m_apertureSyncTimer;
    QTimer m_lightroomTimer;
    QTimer m_deviceCheckTimer;

    // What the any-thread queries read; written by the controller thread when
    // a connection opens or closes.
    std::atomic<int> m_publishedProductId{0};
    std::atomic<bool> m_published3DAxisData{false};
    mutable std::mutex m_publishedMutex;
    QString m_publishedProductName = QStringLiteral("not connected");
    // Calls from other threads run here in the controller's thread (a child,
    // so that it moves with the controller).
    TVK_Platform_CallQueue m_callQueue{this};
};
