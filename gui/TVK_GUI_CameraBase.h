#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>

class TVK_GUI_Application;
class TVK_Logic_Controller;

// The camera control window as the controller and the application see it:
// every value the controller reports arrives at a set slot, every user choice
// leaves as a signal. The connections follow one naming rule (controller
// signalX to window setX, window signalX to controller setX, same arguments),
// worked out from the meta-objects once at construction, so a new setting
// needs no new connect. A subclass lays the window out and implements the slots.
class TVK_GUI_CameraBase : public QMainWindow
{
    Q_OBJECT

public:
    TVK_GUI_CameraBase(TVK_GUI_Application *application, TVK_Logic_Controller *controller,
                       QWidget *parent = nullptr);
    ~TVK_GUI_CameraBase() override;

    TVK_GUI_Application *application() const { return m_application; }
    TVK_Logic_Controller *controller() const { return m_controller; }
    bool isBeingDestroyed() const { return m_isBeingDestroyed; }

    // Every connection made at construction, one line each in the form
    // "controller signalAperture(QString) -> window setAperture(QString)"
    // (senders and receivers: controller, window, application), in order.
    QStringList madeConnections() const { return m_madeConnections; }

Q_SIGNALS:
    void signalKeyLock(bool on);
    void signalLiveViewPhoto(bool on);
    void signalLiveViewVideo(bool on);
    void signalWantQuickView(bool want);
    void signalMirrorUpMode(bool on);
    void signalCaptureBtnPressed();
    void signalCaptureBtnReleased();
    void signalVidCaptBtnPressed();
    void signalVidCaptBtnReleased();
    void signalFileFormat(const QString &text);
    void signalDngCompression(const QString &text);
    void signalJpgColorSpace(const QString &text);
    void signalJpgResolution(const QString &text);
    void signalSensorFormat(const QString &text);
    void signalPhotoAspectRatio(const QString &text);
    void signalVideoFileFormat(const QString &text);
    void signalVideoResAndFrRate(const QString &text);
    void signalVideoFormatResol(const QString &text);
    void signalDngPath(const QString &path);
    void signalJpgPath(const QString &path);
    void signalPictureName(const QString &name);
    void signalPictureIndex(int index);
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
    virtual void setLoading(bool isLoading) = 0;
    virtual void setRemainingToLoad(int remaining) = 0;
    virtual void setTransferProgress(const QString &cameraFileName, qint64 received, qint64 total) = 0;
    virtual void set3DAxisAngles(double horizontal, double vertical) = 0;
    virtual void setBatteryInfo(int info) = 0;
    virtual void setBatteryLevelIntern(int level) = 0;
    virtual void setBatteryLevelExtern(int level) = 0;
    virtual void setHasPowerSwitch(bool has) = 0;
    virtual void setPowerSwitch(int position) = 0;
    virtual void setBulbCounter(int counter) = 0;
    virtual void setSelfTimerCounter(int counter) = 0;
    virtual void setHasFlashStatus(bool has) = 0;
    virtual void setFlashStatus(int status) = 0;
    virtual void setHasFlashXSymbol(bool has) = 0;
    virtual void setFlashXSymbol(bool on) = 0;
    virtual void setLightBalance(int balance) = 0;
    virtual void setHasKeyLock(bool has) = 0;
    virtual void setKeyLock(bool on) = 0;
    virtual void setHasVideoRecording(bool has) = 0;
    virtual void setHasLiveView(bool has) = 0;
    virtual void setLiveViewPhoto(bool on) = 0;
    virtual void setLiveViewVideo(bool on) = 0;
    virtual void setLiveViewMode(int mode) = 0;
    virtual void setWantQuickView(bool want) = 0;
    virtual void setHasMirrorUpMode(bool has) = 0;
    virtual void setMirrorUpMode(bool on) = 0;

    virtual void setFileFormatList(const QStringList &list) = 0;
    virtual void setFileFormat(int code) = 0;
    virtual void setFileFormat(const QString &text) = 0;
    virtual void setHasDngCompression(bool has) = 0;
    virtual void setUseDngCompression(bool use) = 0;
    virtual void setDngCompressionList(const QStringList &list) = 0;
    virtual void setDngCompression(const QString &text) = 0;
    virtual void setHasJpgColorSpace(bool has) = 0;
    virtual void setUseJpgColorSpace(bool use) = 0;
    virtual void setJpgColorSpaceList(const QStringList &list) = 0;
    virtual void setJpgColorSpace(const QString &text) = 0;
    virtual void setHasJpgResolution(bool has) = 0;
    virtual void setUseJpgResolution(bool use) = 0;
    virtual void setJpgResolutionList(const QStringList &list) = 0;
    virtual void setJpgResolution(const QString &text) = 0;
    virtual void setHasSensorFormat(bool has) = 0;
    virtual void setSensorFormatList(const QStringList &list) = 0;
    virtual void setSensorFormat(const QString &text) = 0;
    virtual void setHasPhotoAspectRatio(bool has) = 0;
    virtual void setPhotoAspectRatioList(const QStringList &list) = 0;
    virtual void setPhotoAspectRatio(const QString &text) = 0;
    virtual void setHasVideoFileFormat(bool has) = 0;
    virtual void setVideoFileFormatList(const QStringList &list) = 0;
    virtual void setVideoFileFormat(const QString &text) = 0;
    virtual void setHasVideoResAndFrRate(bool has) = 0;
    virtual void setVideoResAndFrRateList(const QStringList &list) = 0;
    virtual void setVideoResAndFrRate(const QString &text) = 0;
    virtual void setHasVideoFormatResol(bool has) = 0;
    virtual void setVideoFormatResolList(const QStringList &list) = 0;
    virtual void setVideoFormatResol(const QString &text) = 0;

    virtual void setDngPath(const QString &path) = 0;
    virtual void setJpgPath(const QString &path) = 0;
    virtual void setPictureExample(const QString &example) = 0;
    virtual void setPictureName(const QString &name) = 0;
    virtual void setPictureIndex(int index) = 0;

    virtual void setExposureModeList(const QStringList &list) = 0;
    virtual void setExposureMode(int mode) = 0;
    virtual void setExposureSimulation(int simulation) = 0;
    virtual void setExposMeteringList(const QStringList &list) = 0;
    virtual void setExposMetering(int metering) = 0;
    virtual void setExposMetering(const QString &text) = 0;
    virtual void setHasAperture(bool has) = 0;
    virtual void setApertureList(const QStringList &list) = 0;
    virtual void setAperture(const QString &text) = 0;
    virtual void setShutterTimeList(const QStringList &list) = 0;
    virtual void setShutterTime(const QString &text) = 0;
    virtual void setExposCompensList(const QStringList &list) = 0;
    virtual void setExposCompens(int compens) = 0;
    virtual void setExposCompens(const QString &text) = 0;
    virtual void setExposCompensStep(int step) = 0;
    virtual void setSensitivityAuto(bool isAuto) = 0;
    virtual void setSensitivityList(const QStringList &list) = 0;
    virtual void setLiveSensitivity(int sensitivity) = 0;
    virtual void setSensitivity(const QString &text) = 0;
    virtual void setHasWhiteBalance(bool has) = 0;
    virtual void setWhiteBalanceList(const QStringList &list) = 0;
    virtual void setWhiteBalance(const QString &text) = 0;
    virtual void setIsWhiteBalTemp(bool isTemp) = 0;
    virtual void setWhiteBalTempList(const QStringList &list) = 0;
    virtual void setWhiteBalTemp(const QString &text) = 0;
    virtual void setDriveModeList(const QStringList &list) = 0;
    virtual void setDriveMode(int mode) = 0;
    virtual void setDriveMode(const QString &text) = 0;
    virtual void setBracketImgNumList(const QStringList &list) = 0;
    virtual void setBracketImgNum(const QString &text) = 0;
    virtual void setBracketDeltaEVList(const QStringList &list) = 0;
    virtual void setBracketDeltaEV(const QString &text) = 0;
    virtual void setIsIntervalMode(bool isInterval) = 0;
    virtual void setIntervalFramesRange(int min, int max) = 0;
    virtual void setIntervalFramesList(const QStringList &list) = 0;
    virtual void setIntervalFrames(int frames) = 0;
    virtual void setIntervalFrames(const QString &text) = 0;
    virtual void setIntervalTimeRange(int min, int max) = 0;
    virtual void setIntervalTimeList(const QStringList &list) = 0;
    virtual void setIntervalTime(int seconds) = 0;
    virtual void setIntervalTime(const QString &text) = 0;
    virtual void setHasFocusMode(bool has) = 0;
    virtual void setFocusMode(int mode) = 0;
    virtual void setHasFocusDistance(bool has) = 0;
    virtual void setFocusDistance(const QString &text) = 0;
    virtual void setFocusIsUnitFeet(bool isFeet) = 0;
    virtual void setFocusMaxDistance(const QString &text) = 0;
    virtual void setFocusMinDistance(const QString &text) = 0;
    virtual void setHasFocusConfirmation(bool has) = 0;
    virtual void setFocusConfirmation(int confirmation) = 0;
    virtual void setFocusConfirmBadSig(bool badSignal) = 0;
    virtual void setNoFocusConfirmation() = 0;

private Q_SLOTS:
    void catchIntervalRunning(bool running);

protected:
    TVK_GUI_Application *const m_application;
    TVK_Logic_Controller *const m_controller;
    bool m_isBeingDestroyed = false;

private:
    void wireFolderFieldsToApplication();
    void wireByNamingRule();
    void wireCommandButtons();
    // Connects by normalized signatures and remembers the connection; false
    // (logged) when either end has no such method.
    bool connectBySignature(QObject *sender, const char *senderName, const QByteArray &signal,
                            QObject *receiver, const char *receiverName, const QByteArray &method);

    QStringList m_madeConnections;
    QList<QMetaObject::Connection> m_outlivingConnections;
};
