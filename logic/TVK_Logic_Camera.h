#pragma once

#include "TVK_Logic_FrameAnalysis.h"
#include "TVK_Logic_CameraEnums.h"
#include "TVK_Logic_CameraSettingsBase.h"
#include "TVK_Logic_TransferHost.h"
#include "TVK_Logic_TransferQueue.h"
#include "TVK_Platform_CallQueue.h"
#include "TVK_Platform_ThreadCheck.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <atomic>
#include <memory>
#include <mutex>

class QTimer;
class TVK_Commu_CameraAccess_Base;
class TVK_Logic_Camera3DAxisData;
class TVK_Logic_CameraGeotackingData;
class TVK_Logic_CameraLens;
class TVK_Logic_DeviceInfo;
class TVK_Logic_FolderSettings;
class TVK_Logic_ImageDatabase;
class TVK_Logic_LiveViewPump;
class TVK_Logic_PictureStore;

// The model of one connected camera, living in the controller thread. Setters
// hand a value to the settings strategy and send it; they never echo it. Only
// the camera's change reports, re-read through the strategy, make the model
// emit, so the user interface always shows what the camera really took.
class TVK_Logic_Camera : public QObject, private TVK_Logic_TransferHost
{
    Q_OBJECT

public:
    using Settings = TVK_Logic_CameraSettingsBase;
    using ChangedFlags = Settings::ChangedFlags;

    explicit TVK_Logic_Camera(TVK_Commu_CameraAccess_Base *access);
    ~TVK_Logic_Camera() override;

    TVK_Logic_Camera(const TVK_Logic_Camera &) = delete;
    TVK_Logic_Camera &operator=(const TVK_Logic_Camera &) = delete;

    // Turns every set flag into its setting's signal, in the fixed order the
    // user interface depends on (exposure mode before aperture and shutter).
    void emitChanged(const ChangedFlags &flags);

    // --- Getters: the strategy's current value ---------------------------------
    double aperture();
    double shutterTime();
    double maxShutterTime();
    int exposureMode();
    int exposMetering();
    int exposCompens();
    int exposCompensStep();
    int sensitivity();
    bool sensitivityAuto();
    int whiteBalanceIndex();
    int whiteBalanceColorTemp();
    int driveMode();
    bool bracketingEnabled();
    int bracketingImageNumbers();
    int bracketingDeltaEV();
    int focusMode();
    int focusDistance();
    int focusConfirmation();
    bool focusConfirmationBadSignal();
    bool focusConfirmationEnabled();
    bool autoFocusLimit();
    int autoFocusLimitDist();
    int intervalFrames();
    int intervalTime();
    int fileFormat();
    bool dngCompression();
    int jpgColorSpace();
    int jpgResolution();
    int autoreviewDuration();
    int autoPowerOff();
    int sensorFormat();
    int photoAspectRatio();
    int videoFileFormat();
    int videoResAndFrRate();
    int videoFormatResol();
    int contrast();
    int sharpness();
    int saturation();
    int monochrome();
    int electronicShutter();
    int orientation();
    int audioLevel();
    int audioWindElim();
    int audioVolSpeaker();
    int audioVolHeadphone();
    int audioVolMicrophone();
    int exposureSimulation();
    int batteryInfo();
    int batteryLevelIntern();
    int batteryLevelExtern();
    int lensConnectionType();
    int powerSwitch();
    int selfTimerRestTime();
    int bulbModeTime();
    int flashStatus();
    bool flashXSymbol();
    int lightBalance();
    bool keyLock();
    bool mirrorUpMode();
    int warning();

    double openApertureValue();
    double closeApertureValue();
    int apertureSteps();
    quint32 focusPositionMax();
    quint32 focusPositionMin();
    QString lensTypeString();
    QString serialNumber();
    QString productName();
    QString dngPath();
    QString jpgPath();
    QString pictureName();
    int pictureIndex();
    QString pictureExampleFileName();

    // --- Capability queries ------------------------------------------------------
    bool hasAperture();
    bool hasDngCompression();
    bool hasFocusConfirmation();
    bool hasFocusMode();
    bool hasJpgColorSpace();
    bool hasJpgResolution();
    bool hasStorageType();
    bool hasAutoreviewDuration();
    bool hasAutoPowerOff();
    bool hasSensorFormat();
    bool hasPhotoAspectRatio();
    bool hasVideoFileFormat();
    bool hasVideoResAndFrRate();
    bool hasVideoFormatResol();
    bool hasContrast();
    bool hasSharpness();
    bool hasSaturation();
    bool hasMonochrome();
    bool hasAutoFocusLimit();
    bool hasElectronicShutter();
    bool hasOrientation();
    bool hasAudioLevel();
    bool hasAudioWindElim();
    bool hasAudioVolSpeaker();
    bool hasAudioVolHeadphone();
    bool hasAudioVolMicrophone();
    bool hasExposCompensStep();
    bool hasExposureSimulation();
    bool hasFlashStatus();
    bool hasFlashXSymbol();
    bool hasInterval();
    bool hasKeyLock();
    bool hasLiveView();
    bool hasMirrorUpMode();
    bool hasLensConnectionType();
    bool hasPowerSwitch();
    bool hasVideoRecording();
    bool hasWhiteBalance();
    bool hasWarnings();
    bool hasFocusDistance();

    // --- For the controller --------------------------------------------------------
    void restoreAutoPowerOff();
    void restoreStorageType();
    int productId() const;
    TVK_Logic_CameraLens *lens() const { return m_lens; }
    bool has3DAxisData() const { return m_3DAxisData != nullptr; }
    void setFolderSettings(TVK_Logic_FolderSettings *folderSettings);
    TVK_Logic_CameraSettingsBase *settings() const { return m_settings; }
    TVK_Logic_DeviceInfo *deviceInfo() const { return m_deviceInfo; }

    // --- Image database, for the controller (controller thread only) ----------------
    // Indices outside the database read as "no picture": handle 0, index -1,
    // rotation 360 (not yet determined); writes to them change nothing.
    int imageCount() const;
    quint32 imageHandleAt(int index) const;
    int imageIndexOfHandle(quint32 handle) const;
    int imageRotation(int index) const;
    void setImageRotation(int index, int degrees);
    int imageSizeClass(int index) const;
    void setImageSizeClass(int index, int sizeClass);
    int imageThirdValue(int index) const;
    void setImageThirdValue(int index, int value);
    bool imageIsNotJpeg(int index) const;
    QString imageLabel(int index) const;
    // Removes the first entry of handle; an unknown handle changes nothing.
    void removeImageEntry(quint32 handle);

    // --- Capture control (controller thread) -------------------------------------------
    // The bulb exposure is two presses of stage 7 with mirror-up: the first
    // raises the mirror and leaves the bulb closed.
    bool bulbMirrorUp();
    // Bulb running follows the result; keep-alive waits while it is open.
    bool bulbOpen();
    bool bulbClose();
    // Marks the end as pending whatever the answer: the next transfer thread
    // sends it once more, because the camera may drop it during a series.
    bool continuousEnd();
    bool bulbRunning() const { return m_bulbRunning; }
    void clearBulbRunning() { m_bulbRunning = false; }
    bool videoRecording() const { return m_videoRecording; }
    bool continuousEndPending() const { return m_continuousEndPending.load(); }
    void setContinuousEndPending(bool pending) { m_continuousEndPending.store(pending); }

    // --- Live view (controller thread) ------------------------------------------------
    // Asks the camera what it streams and prepares or finishes the stream to match.
    void checkIfLiveViewIsActive();
    // Enables the camera's stream and starts fetching frames at its frame rate.
    void prepareLiveViewStreaming();
    // Stops fetching, disables the camera's stream and tells the window.
    void finishLiveViewStreaming();
    bool wantLiveView();
    bool isLiveViewStreamingPrepared() const;
    // Target time between two frame fetches, from the camera's frame rate.
    int liveViewFramePeriod() const;

    // --- For the transfer threads (any thread) ---------------------------------------
    // Queues the transfer of the picture the camera announced (controller thread).
    void transferRequest(quint32 objectHandle = TVK_Logic_TransferQueue::kUnknownObject);
    // Sends what the user changed while a transfer held the camera; the
    // sending itself happens in the model's thread, where the settings live.
    void transferDone();
    // Transfers waiting or running.
    int transferThreadCount();
    // Where new pictures go. The controller hands every session's model the
    // one store it keeps, so that a picture whose confirmation was lost is
    // known again in the camera's next session. Before the first transfer.
    void setPictureStore(std::shared_ptr<TVK_Logic_PictureStore> store);
    TVK_Commu_CameraAccess_Base *access() const { return m_access; }
    TVK_Logic_FolderSettings *folderSettings() const { return m_folderSettings; }
    void setTransferInProgress(bool inProgress);
    bool isTransferInProgress();
    void setPictureReadBusy(bool busy) { m_pictureReadBusy.store(busy); }
    bool isPictureReadBusy() const { return m_pictureReadBusy.load(); }
    void setKeepAliveSkip(bool skip) { m_keepAliveSkip.store(skip); }
    bool keepAliveSkip() const { return m_keepAliveSkip.load(); }
    // Transfers running now.
    int activeTransferThreads();
    bool wantQuickView() const { return m_wantQuickView.load(); }
    QByteArray quickViewData();
    QString quickViewFileName();
    std::mutex &accessLock() { return m_accessLock; }

Q_SIGNALS:
    // A new picture was not saved, or not completely: the message says which
    // and why, for the user.
    void signalTransferError(QString message);
    // How much of the picture the camera calls cameraFileName has come, in
    // order and never falling: the last, with received equal to total, once
    // the picture is saved under its name; none after it failed.
    void signalTransferProgress(QString cameraFileName, qint64 received, qint64 total);

public Q_SLOTS:
    // Reads the camera's object list and keeps one entry per picture. Rebuilds
    // run at most once per rebuild interval; a request inside it is served
    // when the interval has passed.
    void slotRebuildImageDB();
    void slotDelayedRebuildImageDB();
    void setFlashXSymbol(bool on);
    void setKeyLock(bool on);
    // Starts or stops a recording, with the pictures' storage kept aside.
    void toggleVideoCapture();
    // Live view on and off go to the camera; the stream follows when the
    // camera reports its new mode.
    void setLiveViewPhoto(bool on);
    void setLiveViewVideo(bool on);
    // x and y relative to the displayed picture (0 to 1).
    void setLiveViewCrossPos(double x, double y);
    // x and y relative to the whole sensor read-out (0 to 1).
    void setLiveViewCrossPosGlobal(double x, double y);
    void setLiveViewGCPipActive(bool active);
    void doLiveViewGCPipPreview();
    void doLiveViewGCPipSave();
    void doLiveViewAFExec();
    void doLiveViewAFPressed();
    void doLiveViewAFReleased();
    void toggleLiveViewZoom();
    void setWantLiveView(bool want);
    // Runs on every decoded frame from now on; its result is signalled just
    // before the frame.
    void setFrameAnalysis(TVK_Logic_FrameAnalysis analysis);
    // Whether new pictures are shown in the quick view; switching it off
    // closes the one shown.
    void setWantQuickView(bool want);
    void setMirrorUpMode(bool on);
    void setPictureExampleFileFormat(eVXFileFormat fileFormat);
    void setFileFormat(int fileFormat);
    void setDngCompression(bool on);
    void setJpgColorSpace(eVXColorManagement value);
    void setJpgResolution(eVXPhotoResolutionJPG value);
    void setAutoreviewDuration(eVXAutoreviewDuration value);
    void setAutoPowerOff(eVXAutoPowerOff value);
    void setSensorFormat(eVXSensorFormat value);
    void setPhotoAspectRatio(eVXPhotoAspectRatio value);
    void setVideoFileFormat(eVXVideoFileFormat value);
    void setVideoResAndFrRate(eVXVideoResAndFrRate value);
    void setVideoFormatResol(eVXVideoFormatResol value);
    void setContrast(eVXContrast value);
    void setSharpness(eVXSharpness value);
    void setSaturation(eVXSaturation value);
    void setMonochrome(eVXMonochrome value);
    void setElectronicShutter(eVXElectronicShutter value);
    void setAudioLevel(eVXAudioLevel value);
    void setAudioWindElim(eVXAudioWindElim value);
    void setAudioVolSpeaker(int value);
    void setAudioVolHeadphone(int value);
    void setAudioVolMicrophone(int value);
    void setExposureSimulation(eVXExposureSimulation value);
    void setDngPath(QString path);
    void setJpgPath(QString path);
    void setPictureName(QString name);
    void setPictureIndex(int index);
    void setExposureMode(eVXExposureMode mode);
    void setExposMetering(eVXExposMetering mode);
    void setAperture(double fNumber);
    void setShutterTime(double seconds);
    void setExposCompens(int milliEV);
    void setExposCompensStep(int step);
    void setSensitivity(uint iso);
    void setWhiteBalanceIndex(uchar index);
    void setWhiteBalanceColorTemp(uint kelvin);
    void setDriveMode(eVXDriveMode mode);
    void setBracketEnabled(bool on);
    void setBracketImgNum(int count);
    void setBracketDeltaEV(int milliEV);
    void setFocusMode(eVXFocusMode mode);
    void setFocusDistance(uint position);
    void setFocusDistanceDec();
    void setFocusDistanceInc();
    void setAutoFocusLimit(bool on);
    void setIntervalFrames(int count);
    void setIntervalTime(int value);
    // One release stage; keep-alive pauses after a successful one.
    bool releaseCam(eVXReleaseMode releaseMode);
    // While set (the live-view window is open), each frame is fetched only
    // after the window has shown the one before.
    void setWaitLiveViewConsumed(bool waitLiveViewConsumed);
    void catchLiveViewConsumed();

Q_SIGNALS:
    void signalGeotackingChanged();
    void signalLensChanged();
    void signalDngTransferDone();
    void signalIsAlive(bool alive);
    void signalLoading(bool loading);
    void signalRemainingToLoad(int count);
    void signal3DAxisAngles(double pitch, double roll);
    void signalBatteryInfo(int);
    void signalBatteryLevelIntern(int);
    void signalBatteryLevelExtern(int);
    void signalMaxShutterTime(double);
    void signalLensConnectionType(int);
    void signalPowerSwitch(int);
    void signalSelfTimerRestTime(int);
    void signalBulbModeTime(int);
    void signalFlashStatus(int);
    void signalFlashXSymbol(bool);
    void signalLightBalance(int);
    void signalKeyLock(bool);
    void signalMirrorUpMode(bool);
    void signalFileFormat(int);
    void signalDngCompression(bool);
    void signalJpgColorSpace(int);
    void signalJpgResolution(int);
    void signalAutoreviewDuration(int);
    void signalAutoPowerOff(int);
    void signalSensorFormat(int);
    void signalPhotoAspectRatio(int);
    void signalVideoFileFormat(int);
    void signalVideoResAndFrRate(int);
    void signalVideoFormatResol(int);
    void signalContrast(int);
    void signalSharpness(int);
    void signalSaturation(int);
    void signalMonochrome(int);
    void signalElectronicShutter(int);
    void signalOrientation(int);
    void signalAudioLevel(int);
    void signalAudioWindElim(int);
    void signalAudioVolSpeaker(int);
    void signalAudioVolHeadphone(int);
    void signalAudioVolMicrophone(int);
    void signalExposureSimulation(int);
    void signalExposureMode(int);
    void signalExposMetering(int);
    void signalAperture(double);
    void signalShutterTime(double);
    void signalExposCompens(int);
    void signalExposCompensStep(int);
    void signalSensitivity(int);
    void signalSensitivityAuto(bool);
    void signalWhiteBalance(int);
    void signalWhiteBalTemp(int);
    void signalDriveMode(int);
    void signalBracketEnabled(bool);
    void signalBracketImgNum(int);
    void signalBracketDeltaEV(int);
    void signalFocusMode(int);
    void signalFocusDistance(int);
    void signalFocusConfirmation(int);
    void signalFocusConfirmBadSig(bool);
    void signalNoFocusConfirmation();
    void signalAutoFocusLimit(bool);
    void signalAutoFocusLimitDist(int);
    void signalWarnings(int);
    void signalIntervalFrames(int);
    void signalIntervalTime(int);
    void signalLiveAudioLevel(double rmsLeft, double rmsRight, double peakLeft, double peakRight);
    void signalLiveTimeCode(int hours, int minutes, int seconds, int frames);
    void signalLiveZoomInfo(int stripe, int zoomLevel, double crossX, double crossY);
    void signalLiveZoomRect(double x, double y, double w, double h);
    void signalLiveViewMode(int mode);
    void signalLiveViewPhoto(bool on);
    void signalLiveViewVideo(bool on);
    void signalLiveSensitivity(int iso);
    void signalLiveViewAnalysis(QVariant result);
    void signalLiveView(QImage image);
    void signalNoLiveView();
    void signalQuickView(QByteArray bytes, QString fileName, int orientation);
    void signalNoQuickView();
    void signalFileNameAndNumber();
    void signalPictureExampleName();
    void signalImageDBChangeBegin();
    void signalImageDBChangeEnd();

private Q_SLOTS:
    void catchKeepAlive();
    void catchRefresh3DAxisData();
    void catchRefreshDevPropsTimerFired();
    void catchDevicePropertyChanged(ushort propertyCode);
    void catch3DAxisDataChanged();
    void catchGeotackingChanged();
    void catchLensChanged();
    void catchLiveViewTimerFired();
    void catchSettingsChanged();

private:
    bool hasSettings(const char *prefix) const;
    bool hasFolderSettings(const char *prefix) const;
    template <typename Arg, typename Value>
    void applySetting(const char *prefix, void (Settings::*setter)(Arg), Value value);
    template <typename Result, typename Fallback>
    Result readSetting(const char *prefix, Result (Settings::*getter)(), Fallback fallback);
    bool feature(const char *prefix, bool (Settings::*query)());
    // Sends what the setters changed and announces again what the camera refused.
    void sendChanges();
    bool release(unsigned stage, int param = 0);
    void sendLiveViewStage(const char *prefix, unsigned stage, int param = 0);
    void setLiveViewCrossAt(const char *prefix, double x, double y, bool global);
    // Manual focus has no autofocus: focus once in single mode, then go back.
    void focusOnceInManualMode();
    // The camera reported new SupportedStreams (0x5020).
    void handleSupportedStreamsChanged(const char *prefix);
    void switchToManualFocus();
    void setWhiteBalanceAndRestartLiveView(void (Settings::*setter)(int), int (Settings::*getter)(), int value,
                                           const char *prefix);
    // One transfer, on the queue's worker thread.
    void runTransfer();

    // What a transfer sees of the model (TVK_Logic_TransferHost), from its thread.
    TVK_Logic_TransferHost::Camera transferCamera() override;
    void transferBegins() override;
    void transfersRemain(int remaining) override;
    void handingOver() override;
    void transferEnds(bool dngDone) override;
    bool quickViewTurn(bool pairMode) override;
    void quickViewTurnSkipped(bool pairMode) override;
    void reportNumberAdvanced() override;
    void reportProgress(const QString &cameraFileName, qint64 received, qint64 total) override;
    void reportQuickView(const QByteArray &thumbnail, const QString &fileName, int orientation) override;
    void reportError(const QString &message) override;
    // Sets the maximum to count when that is larger, also against another thread doing the same.
    void raiseTransfersMaximum(int count);

    TVK_Commu_CameraAccess_Base *m_access;
    Settings *m_settings = nullptr;
    TVK_Logic_CameraLens *m_lens = nullptr;
    TVK_Logic_CameraGeotackingData *m_geotackingData = nullptr;
    TVK_Logic_Camera3DAxisData *m_3DAxisData = nullptr;
    TVK_Logic_DeviceInfo *m_deviceInfo = nullptr;
    TVK_Logic_FolderSettings *m_folderSettings = nullptr;
    int m_savedAutoPowerOff = -1;
    int m_savedStorageType = -1;
    std::atomic<bool> m_keepAliveSkip{false};
    bool m_transferInProgress = false;
    std::mutex m_transferInProgressMutex;
    std::atomic<bool> m_pictureReadBusy{false};
    std::atomic<int> m_transfersRemaining{0};
    std::atomic<int> m_transfersMaximum{0};
    int m_activeTransferThreads = 0;
    std::mutex m_activeTransferThreadsMutex;
    QTimer *m_3DAxisTimer = nullptr;
    QTimer *m_keepAliveTimer = nullptr;
    QByteArray m_quickViewData;
    QString m_quickViewFileName;
    std::mutex m_quickViewMutex;
    std::atomic<bool> m_wantQuickView{false};
    std::atomic<int> m_transferFileFormat{0};
    std::atomic<bool> m_quickViewOfPairShown{false};
    int m_liveViewKindToRestore = 0;  // switched on again when a grey-card stream ends
    bool m_bulbRunning = false;
    bool m_videoRecording = false;
    int m_storageTypeDuringVideo = -1;
    std::atomic<bool> m_continuousEndPending{false};
    std::mutex m_pollingLock;
    std::mutex m_accessLock;
    // After the lock, which the database holds while it reads.
    std::unique_ptr<TVK_Logic_ImageDatabase> m_imageDatabase;
    std::unique_ptr<TVK_Logic_LiveViewPump> m_liveView;
    TVK_Logic_FrameAnalysis m_frameAnalysis;
    std::atomic<bool> m_transferObjectProps{false};
    std::atomic<bool> m_transferPartialObject{false};
    std::shared_ptr<TVK_Logic_PictureStore> m_pictureStore;
    // Calls from a transfer thread run here in the model's thread.
    TVK_Platform_CallQueue m_callQueue{this};
    // Last, so that it is gone before anything its transfers use.
    TVK_Logic_TransferQueue m_transferQueue{[this]() { runTransfer(); }};
};
