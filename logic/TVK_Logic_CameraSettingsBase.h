#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include <array>

class TVK_Commu_CameraAccess_Base;
class TVK_Logic_DeviceInfo;

// What the camera model asks of a camera's settings, whichever way the camera
// keeps them: one device property per setting, or one vendor settings record
// that travels whole. The model never talks to camera properties itself; it
// reads values here, hands over the user's changes, passes on the camera's
// change reports and asks which functions the camera has at all.
//
// Units (shared by every strategy): aperture as an f-number, shutter times in
// seconds (-1.0: the camera reported no shutter-time code), exposure
// compensation and bracketing delta in milli-EV, sensitivity as the ISO number
// (0 given to the setter: automatic). Drive mode, exposure mode, file format,
// auto power off and storage type travel as the indices the value converters
// show; every other enumerated setting as the camera's raw value.
//
// Not a QObject and not synchronised: the controller thread alone uses it.
class TVK_Logic_CameraSettingsBase
{
public:
    // Indices into ChangedFlags; the camera model turns each set flag into the
    // signal of that setting, so the numbers are a contract between every
    // strategy and the model.
    enum eLEChangedFlag {
        kLEBatteryInfo = 0,
        kLEBatteryLevelIntern = 1,
        kLEBatteryLevelExtern = 2,
        kLEExposureTimeMax = 3,
        kLEPowerSwitch = 4,
        kLESelfTimerRestTime = 5,
        kLEBulbModeTime = 6,
        kLEDriveMode = 7,
        kLEFocusMode = 8,
        kLEExposureMeteringMode = 9,
        kLEExposureCompensation = 10,
        kLEExposCompensStepSize = 11,
        kLEBracketingEnabled = 12,
        kLEBracketingFrames = 13,
        kLEBracketingAperture = 14, // the bracketing delta EV
        kLEBracketingAutomatic = 15,
        kLEMirrorUpMode = 16,
        kLESensitivity = 17, // value and auto
        kLEKeyLock = 18,
        kLESensorFormat = 19,
        kLEPhotoAspectRatio = 20,
        kLEPhotoResolutionJPG = 21,
        kLEVideoFileFormat = 22,
        kLEVideoResAndFrRate = 23,
        kLEVideoFormatResol = 24,
        kLEContrast = 25,
        kLESharpness = 26,
        kLESaturation = 27,
        kLEMonochrome = 28,
        kLEElectronicShutter = 29,
        kLEExposTimeBulbPreset = 30,
        kLELensConnectionType = 31,
        kLEOrientation = 32,
        kLEAudioLevel = 33,
        kLEAudioWindElim = 34,
        kLEAudioVolSpeaker = 35,
        kLEAudioVolHeadphone = 36,
        kLEAudioVolMicrophone = 37,
        kLEExposureSimulation = 38,
        kLELanguage = 39,
        kLEDngCompression = 40, // settings record only
        kLEFlashStatus = 41,
        kLEFlashSyncStatus = 42,
        kLELightmeter = 43,
        kLEFileFormat = 44,
        kLEWhiteBalance = 45,
        kLEWhiteBalanceColorTemp = 46,
        kLEColorManagement = 47, // JPG colour space
        kLEExternalShooting = 48, // storage type
        kLEAutoreviewDuration = 49,
        kLEAutoPowerOff = 50,
        kLEExposureProgram = 51, // exposure mode
        kLEAperture = 52,
        kLEExposureTime = 53, // shutter time
        kLEFocusDistance = 54,
        kLEFocusConfirmValue = 55,
        kLEFocusConfirmEnabled = 56,
        kLEFocusConfirmBadSignal = 57,
        kLEAutoFocusLimit = 58,
        kLEAutoFocusLimitDist = 59,
        kLEWarnings = 60, // settings record only
        kLEIntervalFrames = 61,
        kLEIntervalTime = 62,
        kLEChangedFlagCount = 63
    };
    // One byte per setting, cleared by the caller before a receive; a receive
    // sets the flag of every value that differs from the one it had.
    using ChangedFlags = std::array<bool, kLEChangedFlagCount>;

    TVK_Logic_CameraSettingsBase(TVK_Commu_CameraAccess_Base *cameraAccess, TVK_Logic_DeviceInfo *deviceInfo);
    virtual ~TVK_Logic_CameraSettingsBase();

    TVK_Logic_CameraSettingsBase(const TVK_Logic_CameraSettingsBase &) = delete;
    TVK_Logic_CameraSettingsBase &operator=(const TVK_Logic_CameraSettingsBase &) = delete;

    // The pending-send flag: set by the record strategies when a setter changed
    // the local record, cleared once it was sent or replaced by the camera's.
    void markChanged() { m_pendingSend = true; }
    void clearChanged() { m_pendingSend = false; }
    bool isChanged() const { return m_pendingSend; }
    // The model sends every user change this way, so the device-property
    // strategy, whose setters write at once, is never asked to send.
    void sendToCameraIfChanged();
    // The settings whose write the camera refused since the last call. Their
    // values are back at what the camera has; the model announces them again
    // so that a panel still showing the refused choice shows the camera's.
    ChangedFlags takeRefused()
    {
        const ChangedFlags refused = m_refused;
        m_refused.fill(false);
        return refused;
    }

    TVK_Commu_CameraAccess_Base *cameraAccess() const { return m_cameraAccess; }
    TVK_Logic_DeviceInfo *deviceInfo() const { return m_deviceInfo; }
    // The USB product id of the connected camera (0 without an access).
    int productId() const;

    // --- The interface, in its fixed order -----------------------------------
    virtual void dump(const QString &caller) = 0;
    // The camera reported propertyCode as changed: read that one property.
    virtual void recvFromCamera(quint16 propertyCode, ChangedFlags *changed) = 0;
    // Reads everything the camera has.
    virtual void recvFromCamera(ChangedFlags *changed) = 0;
    virtual void sendToCamera() = 0;

    virtual void setDriveMode(int index) = 0;
    virtual void setFocusMode(int value) = 0;
    virtual void setExposureMeteringMode(int value) = 0;
    virtual void setExposureCompensation(int milliEV) = 0;
    virtual void setExposCompensStepSize(int stepSize) = 0;
    virtual void setBracketingEnabled(bool on) = 0;
    virtual void setBracketingImageNumbers(int count) = 0;
    virtual void setBracketingDeltaEV(int milliEV) = 0;
    virtual void setBracketingAutomatic(int value) = 0;
    virtual void setMirrorUpMode(int value) = 0;
    virtual void setSensitivity(int iso) = 0;
    virtual void setKeyLock(bool on) = 0;
    virtual void setDngCompression(bool on) = 0;
    virtual void setFlashXSymbol(bool on) = 0;
    virtual void setFileFormat(int index) = 0;
    virtual void setWhiteBalance(int value) = 0;
    virtual void setWhiteBalanceColorTemp(int kelvin) = 0;
    virtual void setJpgColorSpace(int value) = 0;
    virtual void setStorageType(int value) = 0;
    virtual void setAutoreviewDuration(int value) = 0;
    virtual void setAutoPowerOff(int index) = 0;
    virtual void setLockAEAF(int value) = 0;
    virtual void setSensorFormat(int value) = 0;
    virtual void setPhotoAspectRatio(int value) = 0;
    virtual void setJpgResolution(int value) = 0;
    virtual void setVideoFileFormat(int value) = 0;
    virtual void setVideoResAndFrRate(int value) = 0;
    virtual void setVideoFormatResol(int value) = 0;
    virtual void setContrast(int value) = 0;
    virtual void setSharpness(int value) = 0;
    virtual void setSaturation(int value) = 0;
    virtual void setMonochrome(int value) = 0;
    virtual void setElectronicShutter(int value) = 0;
    virtual void setExposTimeBulbPreset(int seconds) = 0;
    virtual void setAudioLevel(int value) = 0;
    virtual void setAudioWindElim(int value) = 0;
    virtual void setAudioVolSpeaker(int value) = 0;
    virtual void setAudioVolHeadphone(int value) = 0;
    virtual void setAudioVolMicrophone(int value) = 0;
    virtual void setExposureSimulation(int value) = 0;
    virtual void setLanguage(int value) = 0;
    virtual void setExposureMode(int index) = 0;
    virtual void setAperture(double fNumber) = 0;
    virtual void setShutterTime(double seconds) = 0;
    virtual void setAutoFocusLimit(bool on) = 0;
    virtual void setIntervalFrames(int count) = 0;
    virtual void setIntervalTime(int value) = 0;

    virtual int driveMode() = 0;
    virtual int focusMode() = 0;
    virtual int exposureMeteringMode() = 0;
    virtual int exposureCompensation() = 0;
    virtual int exposCompensStepSize() = 0;
    virtual bool bracketingEnabled() = 0;
    virtual int bracketingImageNumbers() = 0;
    virtual int bracketingDeltaEV() = 0;
    virtual int bracketingAutomatic() = 0;
    virtual int shutterMode() = 0;
    virtual int mirrorUpMode() = 0;
    virtual int sensitivity() = 0;
    virtual bool sensitivityAuto() = 0;
    virtual quint8 USBspeed() = 0;
    virtual quint8 RAMBufferFreeCaptures() = 0;
    virtual int sensorBoardTemperature() = 0;
    virtual bool keyLock() = 0;
    virtual bool dngCompression() = 0;
    virtual bool flashXSymbol() = 0;
    virtual int fileFormat() = 0;
    virtual double maxShutterTime() = 0;
    virtual int whiteBalance() = 0;
    virtual int whiteBalanceColorTemp() = 0;
    virtual int jpgColorSpace() = 0;
    virtual int storageType() = 0;
    virtual int lightMeter() = 0;
    virtual int autoreviewDuration() = 0;
    virtual int autoPowerOff() = 0;
    virtual int lockAEAF() = 0;
    virtual int sensorFormat() = 0;
    virtual int photoAspectRatio() = 0;
    virtual int jpgResolution() = 0;
    virtual int videoFileFormat() = 0;
    virtual int videoResAndFrRate() = 0;
    virtual int videoFormatResol() = 0;
    virtual int contrast() = 0;
    virtual int sharpness() = 0;
    virtual int saturation() = 0;
    virtual int monochrome() = 0;
    virtual int electronicShutter() = 0;
    virtual int exposTimeBulbPreset() = 0;
    virtual int lensConnectionType() = 0;
    virtual int orientation() = 0;
    virtual int audioLevel() = 0;
    virtual int audioWindElim() = 0;
    virtual int audioVolSpeaker() = 0;
    virtual int audioVolHeadphone() = 0;
    virtual int audioVolMicrophone() = 0;
    virtual int exposureSimulation() = 0;
    virtual int language() = 0;
    virtual int batterySource() = 0;
    virtual int batteryInfo() = 0;
    virtual int batteryLevelIntern() = 0;
    virtual int batteryLevelExtern() = 0;
    virtual int powerSwitch() = 0;
    virtual int selfTimerRestTime() = 0;
    virtual int bulbModeTime() = 0;
    virtual int warnings() = 0;
    virtual int iSOValue() = 0;
    virtual int exposureMode() = 0;
    virtual double aperture() = 0;
    virtual double shutterTime() = 0;
    virtual qint64 focusDistance() = 0;
    virtual int focusConfirmation() = 0;
    virtual bool focusConfirmBadSignal() = 0;
    virtual bool focusConfirmEnabled() = 0;
    virtual bool autoFocusLimit() = 0;
    virtual int autoFocusLimitDistance() = 0;
    virtual int lightBalance() = 0;
    virtual int flashCompensation() = 0;
    virtual int flashStatus() = 0;

    virtual bool featureFocusMode() = 0;
    virtual bool featureMoveLensToPos() = 0;
    virtual bool featureMoveLensRightLeft() = 0;
    virtual bool featureSensorFormat() = 0;
    virtual bool featurePhotoAspectRatio() = 0;
    virtual bool featureJpgResSelection() = 0;
    virtual bool featureVideoFileFormat() = 0;
    virtual bool featureVideoResAndFrRate() = 0;
    virtual bool featureVideoFormatResol() = 0;
    virtual bool featureContrast() = 0;
    virtual bool featureSharpness() = 0;
    virtual bool featureSaturation() = 0;
    virtual bool featureMonochrome() = 0;
    virtual bool featureAutoFocusLimit() = 0;
    virtual bool featureElectronicShutter() = 0;
    virtual bool featureExposTimeBulbPreset() = 0;
    virtual bool featureLensConnectionType() = 0;
    virtual bool featureOrientation() = 0;
    virtual bool featureAudioLevel() = 0;
    virtual bool featureAudioWindElim() = 0;
    virtual bool featureAudioVolSpeaker() = 0;
    virtual bool featureAudioVolHeadphone() = 0;
    virtual bool featureAudioVolMicrophone() = 0;
    virtual bool featureExposCompensStep() = 0;
    virtual bool featureExposureSimulation() = 0;
    virtual bool featureFocusConfirmation() = 0;
    virtual bool featureFocusDistance() = 0;
    virtual bool featurePowerSave() = 0;
    virtual bool featureDngCompression() = 0;
    virtual bool featureInterval() = 0;
    virtual bool featureKeyLock() = 0;
    virtual bool featureLanguage() = 0;
    virtual bool featureLiveView() = 0;
    virtual bool featureMirrorUpMode() = 0;
    virtual bool featureShutterMode() = 0;
    virtual bool featureVideoRecording() = 0;
    virtual bool featureWhiteBalance() = 0;
    virtual bool featurePreview() = 0;
    virtual bool featureHMI() = 0;
    virtual bool featureFlashStatus() = 0;
    virtual bool featureFlashXSymbol() = 0;
    virtual bool featureWarnings() = 0;
    virtual bool featureAperture() = 0;
    // Asked when the user switches bracketing: yes means the model sets the
    // automatic bracketing to the new state before switching bracketing.
    virtual bool featureBracketingAutomatic(bool newState) = 0;
    virtual bool featureJpgColorSpace() = 0;
    virtual bool featureStorageType() = 0;
    virtual bool featureAutoreviewDuration() = 0;

    virtual int intervalFrames() = 0;
    virtual int intervalTime() = 0;

protected:
    // Sets one change flag when the caller asked for flags.
    static void raise(ChangedFlags *changed, eLEChangedFlag flag)
    {
        if (changed != nullptr)
            (*changed)[flag] = true;
    }
    void markRefused(eLEChangedFlag flag) { m_refused[flag] = true; }

    // One line of the feature answers a dump ends with: the query's name, the
    // label the line prints (padded to 24; one label has always been spelt
    // its own way) and the query.
    using FeatureQuery = bool (TVK_Logic_CameraSettingsBase::*)();
    struct FeatureLine {
        const char *name;
        const char *label;
        FeatureQuery query;
    };
    // The lines of the device-property dump, in its order.
    static const QVector<FeatureLine> &dumpedFeatures();
    // The lines of the named queries, in the order given.
    static QVector<FeatureLine> dumpedFeatures(const QStringList &names);
    // Logs "<prefix> - <label> = Yes/No" for each line, under category 0.
    void dumpFeatures(const char *prefix, const QVector<FeatureLine> &lines);

private:
    TVK_Commu_CameraAccess_Base *m_cameraAccess;
    TVK_Logic_DeviceInfo *m_deviceInfo;
    bool m_pendingSend = false;
    ChangedFlags m_refused{};
};
