#pragma once

#include "TVK_Commu_ProductTraits.h"
#include "TVK_Logic_CameraSettingsBase.h"

#include <memory>

class TVK_Logic_APEXConverterShutterTime;

// The settings of cameras that keep each setting as a PTP device property of
// its own. Every value is cached; the cache changes only when a receive brings
// the camera's value or a setter writes a new one. Setters write at once, so
// there is never anything left to send.
//
// One table of rows (setting, read code and width, write code and width,
// change flag, extra event codes, log label) drives the receive, the full
// refresh and the writes; the few settings that behave differently are
// handled beside the table by their row id.
class TVK_Logic_CameraSettingsByDevProps : public TVK_Logic_CameraSettingsBase
{
public:
    // One cached value each; the order is the order of the log labels.
    enum eLERow {
        kLERowBatteryInfo,
        kLERowBatteryLevelIntern,
        kLERowBatteryLevelExtern,
        kLERowExposureTimeMax,
        kLERowPowerSwitch,
        kLERowSelfTimerRestTime,
        kLERowBulbModeTime,
        kLERowFlashStatus,
        kLERowFlashSyncStatus,
        kLERowFocusConfirmEnabled,
        kLERowFocusConfirmBadSignal,
        kLERowFocusConfirmValue,
        kLERowFocusDistance,
        kLERowAutoFocusLimit,
        kLERowAutoFocusLimitDistance,
        kLERowElectronicShutter,
        kLERowExposTimeBulbPreset,
        kLERowLensConnectionType,
        kLERowOrientation,
        kLERowSensitivityASA,
        kLERowSensitivityAuto,
        kLERowDriveMode,
        kLERowIntervalFrames,
        kLERowIntervalTime,
        kLERowFocusMode,
        kLERowFileFormat,
        kLERowExposureMeteringMode,
        kLERowExposureProgram,
        kLERowExposureCompensation,
        kLERowExposCompensStepSize,
        kLERowBracketingEnabled,
        kLERowBracketingFrames,
        kLERowBracketingAperture,
        kLERowBracketingAutomatic,
        kLERowMirrorUpMode,
        kLERowSensorFormat,
        kLERowPhotoAspectRatio,
        kLERowPhotoResolutionJPG,
        kLERowVideoFileFormat,
        kLERowVideoResAndFrRate,
        kLERowVideoFormatResol,
        kLERowContrast,
        kLERowSharpness,
        kLERowSaturation,
        kLERowMonochrome,
        kLERowAudioLevel,
        kLERowAudioWindElim,
        kLERowAudioVolSpeaker,
        kLERowAudioVolHeadphone,
        kLERowAudioVolMicrophone,
        kLERowExposureSimulation,
        kLERowWhiteBalance,
        kLERowWhiteBalanceColorTemp,
        kLERowColorManagement,
        kLERowExternalShooting,
        kLERowAutoreviewDuration,
        kLERowAutoPowerOff,
        kLERowKeyLock,
        kLERowLanguage,
        kLERowLightmeter,
        kLERowExposureTime,
        kLERowAperture,
        kLERowCount
    };

    struct Row {
        eLERow id;
        const char *label;  // as the receive logs it
        quint16 readCode;   // 0: never read
        quint8 readSize;    // bytes
        quint16 writeCode;  // 0: never written
        quint8 writeSize;   // bytes
        eLEChangedFlag flag;
        bool isSigned;      // only the 16-bit exposure compensation
        quint16 events[2];  // further change reports that re-read the row (0: none)
        qint64 initial;     // the value before the first refresh
    };
    static const Row &row(eLERow id);
    // The row a change report of code routes to, or nullptr.
    static const Row *rowForEvent(int code);

    // Reads every setting the camera has (the full refresh) before it returns.
    TVK_Logic_CameraSettingsByDevProps(TVK_Commu_CameraAccess_Base *cameraAccess, TVK_Logic_DeviceInfo *deviceInfo);
    ~TVK_Logic_CameraSettingsByDevProps() override;

    // The cached raw value of a row, as the camera last reported it or a
    // setter wrote it.
    qint64 cachedValue(eLERow id) const { return m_value[id]; }

    void dump(const QString &caller) override;
    void recvFromCamera(quint16 propertyCode, ChangedFlags *changed) override;
    void recvFromCamera(ChangedFlags *changed) override;
    void sendToCamera() override;

    void setDriveMode(int index) override;
    void setFocusMode(int value) override;
    void setExposureMeteringMode(int value) override;
    void setExposureCompensation(int milliEV) override;
    void setExposCompensStepSize(int stepSize) override;
    void setBracketingEnabled(bool on) override;
    void setBracketingImageNumbers(int count) override;
    void setBracketingDeltaEV(int milliEV) override;
    void setBracketingAutomatic(int value) override;
    void setMirrorUpMode(int value) override;
    void setSensitivity(int iso) override;
    void setKeyLock(bool on) override;
    void setDngCompression(bool on) override;
    void setFlashXSymbol(bool on) override;
    void setFileFormat(int index) override;
    void setWhiteBalance(int value) override;
    void setWhiteBalanceColorTemp(int kelvin) override;
    void setJpgColorSpace(int value) override;
    void setStorageType(int value) override;
    void setAutoreviewDuration(int value) override;
    void setAutoPowerOff(int index) override;
    void setLockAEAF(int value) override;
    void setSensorFormat(int value) override;
    void setPhotoAspectRatio(int value) override;
    void setJpgResolution(int value) override;
    void setVideoFileFormat(int value) override;
    void setVideoResAndFrRate(int value) override;
    void setVideoFormatResol(int value) override;
    void setContrast(int value) override;
    void setSharpness(int value) override;
    void setSaturation(int value) override;
    void setMonochrome(int value) override;
    void setElectronicShutter(int value) override;
    void setExposTimeBulbPreset(int seconds) override;
    void setAudioLevel(int value) override;
    void setAudioWindElim(int value) override;
    void setAudioVolSpeaker(int value) override;
    void setAudioVolHeadphone(int value) override;
    void setAudioVolMicrophone(int value) override;
    void setExposureSimulation(int value) override;
    void setLanguage(int value) override;
    void setExposureMode(int index) override;
    void setAperture(double fNumber) override;
    void setShutterTime(double seconds) override;
    void setAutoFocusLimit(bool on) override;
    void setIntervalFrames(int count) override;
    void setIntervalTime(int value) override;

    int driveMode() override;
    int focusMode() override { return int(m_value[kLERowFocusMode]); }
    int exposureMeteringMode() override { return int(m_value[kLERowExposureMeteringMode]); }
    int exposureCompensation() override { return int(qint16(m_value[kLERowExposureCompensation])); }
    int exposCompensStepSize() override { return int(m_value[kLERowExposCompensStepSize]); }
    bool bracketingEnabled() override { return m_value[kLERowBracketingEnabled] != 0; }
    int bracketingImageNumbers() override { return int(m_value[kLERowBracketingFrames]); }
    int bracketingDeltaEV() override { return int(m_value[kLERowBracketingAperture]); }
    int bracketingAutomatic() override { return int(m_value[kLERowBracketingAutomatic]); }
    int shutterMode() override { return m_value[kLERowPowerSwitch] == 3 ? 1 : 0; }
    int mirrorUpMode() override { return int(m_value[kLERowMirrorUpMode]); }
    int sensitivity() override { return int(m_value[kLERowSensitivityASA]); }
    bool sensitivityAuto() override { return m_value[kLERowSensitivityAuto] != 0; }
    quint8 USBspeed() override { return 0; }
    quint8 RAMBufferFreeCaptures() override;
    int sensorBoardTemperature() override;
    bool keyLock() override { return m_value[kLERowKeyLock] != 0; }
    bool dngCompression() override;
    bool flashXSymbol() override { return m_value[kLERowFlashSyncStatus] != 0; }
    int fileFormat() override;
    double maxShutterTime() override;
    int whiteBalance() override { return int(m_value[kLERowWhiteBalance]); }
    int whiteBalanceColorTemp() override { return int(m_value[kLERowWhiteBalanceColorTemp]); }
    int jpgColorSpace() override { return int(m_value[kLERowColorManagement]); }
    int storageType() override { return m_value[kLERowExternalShooting] != 0 ? 2 : 0; }
    int lightMeter() override { return int(qint16(m_value[kLERowLightmeter])); }
    int autoreviewDuration() override { return int(m_value[kLERowAutoreviewDuration]); }
    int autoPowerOff() override;
    int lockAEAF() override;
    int sensorFormat() override { return int(m_value[kLERowSensorFormat]); }
    int photoAspectRatio() override { return int(m_value[kLERowPhotoAspectRatio]); }
    int jpgResolution() override { return int(m_value[kLERowPhotoResolutionJPG]); }
    int videoFileFormat() override { return int(m_value[kLERowVideoFileFormat]); }
    int videoResAndFrRate() override { return int(m_value[kLERowVideoResAndFrRate]); }
    int videoFormatResol() override { return int(m_value[kLERowVideoFormatResol]); }
    int contrast() override { return int(m_value[kLERowContrast]); }
    int sharpness() override { return int(m_value[kLERowSharpness]); }
    int saturation() override { return int(m_value[kLERowSaturation]); }
    int monochrome() override { return int(m_value[kLERowMonochrome]); }
    int electronicShutter() override { return int(m_value[kLERowElectronicShutter]); }
    int exposTimeBulbPreset() override { return int(m_value[kLERowExposTimeBulbPreset]); }
    int lensConnectionType() override { return int(m_value[kLERowLensConnectionType]); }
    int orientation() override { return int(m_value[kLERowOrientation]); }
    int audioLevel() override { return int(m_value[kLERowAudioLevel]); }
    int audioWindElim() override { return int(m_value[kLERowAudioWindElim]); }
    int audioVolSpeaker() override { return int(quint8(m_value[kLERowAudioVolSpeaker])); }
    int audioVolHeadphone() override { return int(quint8(m_value[kLERowAudioVolHeadphone])); }
    int audioVolMicrophone() override { return int(quint8(m_value[kLERowAudioVolMicrophone])); }
    int exposureSimulation() override { return int(m_value[kLERowExposureSimulation]); }
    int language() override { return int(m_value[kLERowLanguage]); }
    int batterySource() override;
    int batteryInfo() override { return int(m_value[kLERowBatteryInfo]); }
    int batteryLevelIntern() override { return int(quint8(m_value[kLERowBatteryLevelIntern])); }
    int batteryLevelExtern() override { return int(quint8(m_value[kLERowBatteryLevelExtern])); }
    int powerSwitch() override { return int(m_value[kLERowPowerSwitch]); }
    int selfTimerRestTime() override { return int(m_value[kLERowSelfTimerRestTime]); }
    int bulbModeTime() override { return int(m_value[kLERowBulbModeTime]); }
    int warnings() override;
    int iSOValue() override;
    int exposureMode() override;
    double aperture() override;
    double shutterTime() override;
    qint64 focusDistance() override { return m_value[kLERowFocusDistance]; }
    int focusConfirmation() override { return int(quint8(m_value[kLERowFocusConfirmValue])); }
    bool focusConfirmBadSignal() override { return m_value[kLERowFocusConfirmBadSignal] == 1; }
    bool focusConfirmEnabled() override { return m_value[kLERowFocusConfirmEnabled] == 1; }
    bool autoFocusLimit() override { return m_value[kLERowAutoFocusLimit] == 1; }
    int autoFocusLimitDistance() override { return int(m_value[kLERowAutoFocusLimitDistance]); }
    int lightBalance() override;
    int flashCompensation() override;
    int flashStatus() override { return int(m_value[kLERowFlashStatus]); }

    bool featureFocusMode() override;
    bool featureMoveLensToPos() override { return true; }
    bool featureMoveLensRightLeft() override { return true; }
    bool featureSensorFormat() override;
    bool featurePhotoAspectRatio() override;
    bool featureJpgResSelection() override { return true; }
    bool featureVideoFileFormat() override { return false; }
    bool featureVideoResAndFrRate() override;
    bool featureVideoFormatResol() override;
    bool featureContrast() override { return true; }
    bool featureSharpness() override { return true; }
    bool featureSaturation() override { return true; }
    bool featureMonochrome() override;
    bool featureAutoFocusLimit() override;
    bool featureElectronicShutter() override;
    bool featureExposTimeBulbPreset() override;
    bool featureLensConnectionType() override { return false; }
    bool featureOrientation() override;
    bool featureAudioLevel() override;
    bool featureAudioWindElim() override;
    bool featureAudioVolSpeaker() override;
    bool featureAudioVolHeadphone() override;
    bool featureAudioVolMicrophone() override;
    bool featureExposCompensStep() override;
    bool featureExposureSimulation() override { return true; }
    bool featureFocusConfirmation() override;
    bool featureFocusDistance() override;
    bool featurePowerSave() override { return true; }
    bool featureDngCompression() override { return false; }
    bool featureInterval() override { return true; }
    bool featureKeyLock() override;
    bool featureLanguage() override;
    bool featureLiveView() override { return true; }
    bool featureMirrorUpMode() override;
    bool featureShutterMode() override;
    bool featureVideoRecording() override;
    bool featureWhiteBalance() override { return true; }
    bool featurePreview() override { return true; }
    bool featureHMI() override { return true; }
    bool featureFlashStatus() override { return true; }
    bool featureFlashXSymbol() override { return true; }
    bool featureWarnings() override { return false; }
    bool featureAperture() override;
    bool featureBracketingAutomatic(bool) override { return true; }
    bool featureJpgColorSpace() override;
    bool featureStorageType() override;
    bool featureAutoreviewDuration() override;

    int intervalFrames() override { return int(m_value[kLERowIntervalFrames]); }
    int intervalTime() override { return int(m_value[kLERowIntervalTime]); }

private:
    // What the body has by its product traits (TVK_Commu_ProductTraits).
    bool productHas(quint64 feature) const;
    bool hasExternalPower() { return m_value[kLERowBatteryInfo] == 2; }
    // Bodies that bracket through the drive mode have no switch to read.
    bool readsBracketingEnabled() { return !productHas(TVK_Commu_ProductTraits::kLEBracketingInDriveMode); }

    // Reads one row, logs it and stores a changed value; true when it changed.
    bool receiveRow(eLERow id, ChangedFlags *changed);
    bool readRaw(quint16 code, quint8 size, qint64 *value, bool isSigned = false);
    void receiveSensitivity(ChangedFlags *changed);
    void receiveFocusConfirmValue(ChangedFlags *changed);
    void receiveElectronicShutter(ChangedFlags *changed);
    void afterChange(eLERow id, ChangedFlags *changed);

    // Stores raw and writes the row's property when it differs from the cache;
    // true when it was written. A write the camera refused leaves the cache as
    // it was, so that the same request is sent again.
    bool writeThrough(eLERow id, qint64 raw);
    // Stores and writes without comparing; restores the cache on a failure.
    bool writeValue(eLERow id, qint64 raw);
    // Writes raw under the row's write code; false (and a log line) when the
    // camera did not take it.
    bool writeProperty(eLERow id, qint64 raw);

    std::unique_ptr<TVK_Logic_APEXConverterShutterTime> m_shutterTime;
    qint64 m_value[kLERowCount];
    // Whether the last receiveRow got an answer from the camera.
    bool m_lastReceiveOk = false;
};
