#pragma once

#include "TVK_Logic_CameraSettingsByStruct.h"

// The Cora bodies' variant of the settings record: the same 100 bytes and the
// same way of reading and writing them, but several fields mean something
// else. Focus mode (they focus by hand), aperture, mirror-up, key lock and the
// flash X symbol are missing; video resolution and frame rate are present;
// sensitivity is kept as the ISO number itself, compensation in third steps,
// and warnings as bits. Everything not overridden here behaves as in the
// first layout.
class TVK_Logic_CameraSettingsByStructCora : public TVK_Logic_CameraSettingsByStruct
{
public:
    // Reads the record at once (without change flags).
    TVK_Logic_CameraSettingsByStructCora(TVK_Commu_CameraAccess_Base *cameraAccess, TVK_Logic_DeviceInfo *deviceInfo);
    ~TVK_Logic_CameraSettingsByStructCora() override;

    void dump(const QString &caller) override;

    void setFocusMode(int value) override;
    void setExposureCompensation(int milliEV) override;
    void setExposCompensStepSize(int stepSize) override;
    void setBracketingAutomatic(int value) override;
    void setMirrorUpMode(int value) override;
    void setSensitivity(int iso) override;
    void setKeyLock(bool on) override;
    void setFlashXSymbol(bool on) override;
    void setAutoreviewDuration(int value) override;
    void setLockAEAF(int value) override;
    void setSensorFormat(int value) override;
    void setPhotoAspectRatio(int value) override;
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
    void setExposureMode(int index) override;
    void setAperture(double fNumber) override;
    void setAutoFocusLimit(bool on) override;

    int focusMode() override;
    int exposureCompensation() override;
    int shutterMode() override;
    int mirrorUpMode() override;
    int sensitivity() override;
    bool sensitivityAuto() override;
    bool keyLock() override;
    bool flashXSymbol() override;
    int lightMeter() override;
    int autoreviewDuration() override;
    int lockAEAF() override;
    int sensorFormat() override;
    int photoAspectRatio() override;
    int videoFileFormat() override;
    int videoResAndFrRate() override;
    int videoFormatResol() override;
    int electronicShutter() override;
    int exposTimeBulbPreset() override;
    int lensConnectionType() override;
    int orientation() override;
    int audioLevel() override;
    int audioWindElim() override;
    int audioVolSpeaker() override;
    int audioVolHeadphone() override;
    int audioVolMicrophone() override;
    int exposureSimulation() override;
    int batterySource() override;
    int batteryInfo() override;
    int batteryLevelExtern() override;
    int powerSwitch() override;
    int warnings() override;
    int exposureMode() override;
    double aperture() override;
    qint64 focusDistance() override;
    int focusConfirmation() override;
    bool focusConfirmBadSignal() override;
    bool focusConfirmEnabled() override;
    int lightBalance() override;

    bool featureFocusMode() override;
    bool featureVideoResAndFrRate() override;
    bool featureFocusConfirmation() override;
    bool featureFocusDistance() override;
    bool featureMirrorUpMode() override;
    bool featureShutterMode() override;
    bool featureWhiteBalance() override;
    bool featureAperture() override;
    bool featureJpgColorSpace() override;

protected:
    const char *className() const override;
    const QVector<ChangeRow> &changeRows() const override;
    bool rowChanged(const ChangeRow &row, const Record &before, const Record &after) const override;

private:
    // The fields this layout has where the first layout has others.
    static constexpr RecordField kFieldVideoResolution{2, 1, false, 0}; // index into the frame-rate list
    static constexpr RecordField kFieldLightMeter{27, 2, true, 0};      // 1/256 EV
    static constexpr RecordField kFieldWarningBits{68, 1, false, 0x3F};
    static constexpr RecordField kFieldSensitivity{69, 2, false, 0}; // ISO number, 0 automatic
};
