#pragma once

#include "TVK_Commu_ProductTraits.h"
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

    // --- Setters ---------------------------------------------------------
    void setSensitivity(int iso) override { storeField(kFieldSensitivity, iso); }
    // Converted into this layout's codes.
    void setExposureCompensation(int milliEV) override;
    void setVideoResAndFrRate(int value) override;
    void setExposureMode(int index) override;
    // Not in this layout: a log line and nothing else.
    void setFocusMode(int) override { notAvailable(__func__, kNotInCora); }
    void setExposCompensStepSize(int) override { notAvailable(__func__, kNotInCora); }
    void setBracketingAutomatic(int) override { notAvailable(__func__, kNotInCora); }
    void setMirrorUpMode(int) override { notAvailable(__func__, kNotInCora); }
    void setKeyLock(bool) override { notAvailable(__func__, kNotInCora); }
    void setFlashXSymbol(bool) override { notAvailable(__func__, kNotInCora); }
    void setAutoreviewDuration(int) override { notAvailable(__func__, kNotInCora); }
    void setLockAEAF(int) override { notAvailable(__func__, kNotInCora); }
    void setSensorFormat(int) override { notAvailable(__func__, kNotInCora); }
    void setPhotoAspectRatio(int) override { notAvailable(__func__, kNotInCora); }
    void setVideoFileFormat(int) override { notAvailable(__func__, kNotInCora); }
    void setVideoFormatResol(int) override { notAvailable(__func__, kNotInCora); }
    void setContrast(int) override { notAvailable(__func__, kNotInCora); }
    void setSharpness(int) override { notAvailable(__func__, kNotInCora); }
    void setSaturation(int) override { notAvailable(__func__, kNotInCora); }
    void setMonochrome(int) override { notAvailable(__func__, kNotInCora); }
    void setElectronicShutter(int) override { notAvailable(__func__, kNotInCora); }
    void setExposTimeBulbPreset(int) override { notAvailable(__func__, kNotInCora); }
    void setAudioLevel(int) override { notAvailable(__func__, kNotInCora); }
    void setAudioWindElim(int) override { notAvailable(__func__, kNotInCora); }
    void setAudioVolSpeaker(int) override { notAvailable(__func__, kNotInCora); }
    void setAudioVolHeadphone(int) override { notAvailable(__func__, kNotInCora); }
    void setAudioVolMicrophone(int) override { notAvailable(__func__, kNotInCora); }
    void setExposureSimulation(int) override { notAvailable(__func__, kNotInCora); }
    void setAperture(double) override { notAvailable(__func__, kNotInCora); }
    void setAutoFocusLimit(bool) override { notAvailable(__func__, kNotInCora); }

    // --- Getters ---------------------------------------------------------
    // One field of this layout, as it is.
    int sensitivity() override { return int(fieldValue(kFieldSensitivity)); }
    bool sensitivityAuto() override { return fieldValue(kFieldSensitivity) == 0; }
    int lightMeter() override { return int(fieldValue(kFieldLightMeter)); }
    // Fixed for these bodies.
    int focusMode() override { return 2; } // manual focus, the only one these bodies have
    int shutterMode() override { return 1; }
    int mirrorUpMode() override { return 0; }
    bool keyLock() override { return false; }
    bool flashXSymbol() override { return false; }
    bool focusConfirmBadSignal() override { return true; }
    bool focusConfirmEnabled() override { return false; }
    // Converted from this layout's codes.
    int exposureCompensation() override;
    int lightBalance() override;
    int videoResAndFrRate() override;
    int batterySource() override;
    int batteryInfo() override;
    int batteryLevelExtern() override;
    int warnings() override;
    int exposureMode() override;
    // Not in this layout: a log line, and the default.
    int autoreviewDuration() override { notAvailable(__func__, kNotInCoraDefault); return 5; }
    int lockAEAF() override { notAvailable(__func__, kNotInCoraDefault); return 0; }
    int sensorFormat() override { notAvailable(__func__, kNotInCoraDefault); return 0; }
    int photoAspectRatio() override { notAvailable(__func__, kNotInCoraDefault); return 0; }
    int videoFileFormat() override { notAvailable(__func__, kNotInCoraDefault); return 0; }
    int videoFormatResol() override { notAvailable(__func__, kNotInCoraDefault); return 3; }
    int electronicShutter() override { notAvailable(__func__, kNotInCoraDefault); return 0; }
    int exposTimeBulbPreset() override { notAvailable(__func__, kNotInCoraDefault); return 0; }
    int lensConnectionType() override { notAvailable(__func__, kNotInCoraDefault); return 0; }
    int orientation() override { notAvailable(__func__, kNotInCoraDefault); return 0; }
    int audioLevel() override { notAvailable(__func__, kNotInCoraDefault); return 0; }
    int audioWindElim() override { notAvailable(__func__, kNotInCoraDefault); return 0; }
    int audioVolSpeaker() override { notAvailable(__func__, kNotInCoraDefault); return 3; }
    int audioVolHeadphone() override { notAvailable(__func__, kNotInCoraDefault); return 3; }
    int audioVolMicrophone() override { notAvailable(__func__, kNotInCoraDefault); return 0; }
    int exposureSimulation() override { notAvailable(__func__, kNotInCoraDefault); return 0; }
    int powerSwitch() override { notAvailable(__func__, kNotAvailable); return 0; }
    double aperture() override { notAvailable(__func__, kNotAvailable); return 0.0; }
    qint64 focusDistance() override { notAvailable(__func__, kNotAvailable); return 0; }
    // Not offered, yet the byte is still handed out as the camera sends it.
    int focusConfirmation() override
    {
        notAvailable(__func__, kNotAvailable);
        return TVK_Logic_CameraSettingsByStruct::focusConfirmation();
    }

    // --- Features ----------------------------------------------------------
    bool featureVideoResAndFrRate() override { return true; }
    bool featureFocusMode() override { return false; }
    bool featureFocusConfirmation() override { return false; }
    bool featureFocusDistance() override { return false; }
    bool featureMirrorUpMode() override { return false; }
    bool featureShutterMode() override { return false; }
    bool featureAperture() override { return false; }
    // One body has a fixed white balance.
    bool featureWhiteBalance() override { return productHas(TVK_Commu_ProductTraits::kLEWhiteBalance); }
    bool featureJpgColorSpace() override { return productHas(TVK_Commu_ProductTraits::kLEJpgColorSpace); }

protected:
    const char *className() const override;
    const QVector<ChangeRow> &changeRows() const override;
    bool rowChanged(const ChangeRow &row, const Record &before, const Record &after) const override;

private:
    bool productHas(TVK_Commu_ProductTraits::eLEFeature feature) const
    {
        return TVK_Commu_ProductTraits::of(productId()).has(feature);
    }

    static constexpr char kNotInCora[] = "%s - functionality is not available in struct mode Cora";
    static constexpr char kNotInCoraDefault[] =
        "%s - functionality is not available in struct mode Cora, returning default";

    // The fields this layout has where the first layout has others.
    static constexpr RecordField kFieldVideoResolution{2, 1, false, 0}; // index into the frame-rate list
    static constexpr RecordField kFieldLightMeter{27, 2, true, 0};      // 1/256 EV
    static constexpr RecordField kFieldWarningBits{68, 1, false, 0x3F};
    static constexpr RecordField kFieldSensitivity{69, 2, false, 0}; // ISO number, 0 automatic
};
